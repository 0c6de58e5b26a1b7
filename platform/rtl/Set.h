#pragma once
// Set<E>: a bit set over an unscoped enumeration, bit n standing for the
// member of ordinal n, stored in the width the owning type declares.

#include <cstdint>
#include <initializer_list>
#include <type_traits>

#include "platform/rtl/Export.h"

namespace RV_API rv {

template <class E, class Bits = std::uint32_t>
class Set {
  static_assert(std::is_enum_v<E>, "Set<E> needs an enumeration");
  static_assert(std::is_unsigned_v<Bits>, "Set storage must be unsigned");

 public:
  using Element = E;
  using Storage = Bits;
  static constexpr unsigned Capacity = sizeof(Bits) * 8;

  constexpr Set() = default;
  constexpr Set(std::initializer_list<E> members) {
    for (E m : members) Include(m);
  }
  static constexpr Set FromBits(Bits bits) {
    Set s;
    s.FBits = bits;
    return s;
  }

  constexpr Bits ToBits() const { return FBits; }
  constexpr bool Contains(E m) const { return (FBits & Bit(m)) != 0; }
  constexpr bool Empty() const { return FBits == 0; }
  constexpr Set& Include(E m) {
    FBits = static_cast<Bits>(FBits | Bit(m));
    return *this;
  }
  constexpr Set& Exclude(E m) {
    FBits = static_cast<Bits>(FBits & ~Bit(m));
    return *this;
  }

  constexpr Set operator+(Set o) const { return FromBits(static_cast<Bits>(FBits | o.FBits)); }
  constexpr Set operator-(Set o) const { return FromBits(static_cast<Bits>(FBits & ~o.FBits)); }
  constexpr Set operator*(Set o) const { return FromBits(static_cast<Bits>(FBits & o.FBits)); }
  constexpr Set& operator+=(Set o) { return *this = *this + o; }
  constexpr Set& operator-=(Set o) { return *this = *this - o; }
  constexpr Set& operator*=(Set o) { return *this = *this * o; }
  constexpr bool operator==(const Set&) const = default;

 private:
  static constexpr Bits Bit(E m) {
    return static_cast<unsigned>(m) < Capacity ? static_cast<Bits>(Bits{1} << static_cast<unsigned>(m)) : Bits{0};
  }
  Bits FBits = 0;
};

}  // namespace rv
