#pragma once
// Format: printf-like formatting in the classic shape
//   %[index:][-][width][.precision]type
// with the types d u x e f g n p s and "%%". Width and precision may be '*',
// taking an int argument; an index (or "*:") selects the argument that the
// specifier and those after it take.
//
// Format strings may come from user settings: a malformed specifier, a
// missing argument or one of the wrong kind raises EConvertError
// "Format '<fmt>' invalid or incompatible with argument", as does a width or
// precision above 1,000,000 or more than 16 MiB of padding in one call.
// Widths and %s precisions count UTF-16 code units, never splitting a
// character.

#include <array>
#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/rtl/Export.h"
#include "platform/rtl/FormatSettings.h"

namespace RV_API rv {

enum TVarType : std::uint8_t { vtInteger, vtUnsigned, vtChar, vtFloat, vtString, vtPointer };

// One argument of Format: a tagged value that refers to, but does not copy,
// a string argument. The constructors are implicit: Format builds these from
// its arguments.
class TVarRec {
  template <class T>
  static constexpr bool IsCharType =
      std::is_same_v<std::remove_cv_t<T>, char> || std::is_same_v<std::remove_cv_t<T>, char8_t>;

 public:
  template <std::integral T>
  requires(!std::is_same_v<T, bool> && !std::is_same_v<T, char>) TVarRec(T value)
      : VType(std::is_signed_v<T> ? vtInteger : vtUnsigned), VSize(sizeof(T)) {
    if constexpr (std::is_signed_v<T>) {
      VInteger = value;
    } else {
      VUnsigned = value;
    }
  }
  template <class E>
  requires std::is_enum_v<E> TVarRec(E value) : TVarRec(static_cast<std::underlying_type_t<E>>(value)) {}
  TVarRec(bool) = delete;  // neither a number nor a text: the caller says which
  TVarRec(char value) : VType(vtChar), VChar(value) {}
  TVarRec(double value) : VType(vtFloat), VFloat(value) {}
  TVarRec(float value) : VType(vtFloat), VFloat(value) {}
  TVarRec(long double value) : VType(vtFloat), VFloat(static_cast<double>(value)) {}
  TVarRec(const char* value) : VType(vtString), VString(value ? value : "") {}
  TVarRec(const char8_t* value) : TVarRec(reinterpret_cast<const char*>(value)) {}
  TVarRec(const std::string& value) : VType(vtString), VString(value) {}
  TVarRec(std::string_view value) : VType(vtString), VString(value) {}
  template <class T>
  requires(!IsCharType<T>) TVarRec(T* value) : VType(vtPointer), VPointer(value) {}
  TVarRec(std::nullptr_t) : VType(vtPointer), VPointer(nullptr) {}

  TVarType VType;
  std::uint8_t VSize = 8;  // bytes of an integer argument, for %u and %x of negatives
  union {
    std::int64_t VInteger;
    std::uint64_t VUnsigned;
    char VChar;
    double VFloat;
    const void* VPointer = nullptr;
  };
  std::string_view VString;
};

std::string FormatV(std::string_view Fmt, std::span<const TVarRec> Args);
std::string FormatV(std::string_view Fmt, std::span<const TVarRec> Args, const TFormatSettings& Settings);

template <class... Args>
std::string Format(std::string_view Fmt, const Args&... args) {
  const std::array<TVarRec, sizeof...(Args)> recs{TVarRec(args)...};
  return FormatV(Fmt, recs);
}

template <class... Args>
std::string Format(const TFormatSettings& Settings, std::string_view Fmt, const Args&... args) {
  const std::array<TVarRec, sizeof...(Args)> recs{TVarRec(args)...};
  return FormatV(Fmt, recs, Settings);
}

}  // namespace rv
