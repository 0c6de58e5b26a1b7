#pragma once
// Variant: a nullable value of one of the types a database column holds.
// Null converts to the empty text and equals only another null; numbers of
// different kinds compare by value; other mixed kinds compare by their text.

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

#include "platform/rtl/DateTime.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

enum TVariantType : std::uint8_t { varNull, varInteger, varInt64, varDouble, varString, varBoolean, varDate, varBlob };

using TBytes = std::vector<std::uint8_t>;

class Variant {
 public:
  Variant() = default;
  Variant(std::int32_t Value) : FValue(Value) {}            // NOLINT: values convert implicitly, as in the classic type
  Variant(std::int64_t Value) : FValue(Value) {}            // NOLINT
  Variant(double Value) : FValue(Value) {}                  // NOLINT
  Variant(std::string Value) : FValue(std::move(Value)) {}  // NOLINT
  Variant(const char* Value) : FValue(std::string(Value)) {}  // NOLINT
  Variant(bool Value) : FValue(Value) {}                      // NOLINT
  Variant(TBytes Value) : FValue(std::move(Value)) {}         // NOLINT
  static Variant FromDateTime(TDateTime Value);

  TVariantType VarType() const { return static_cast<TVariantType>(FValue.index()); }
  bool IsNull() const { return VarType() == varNull; }

  // The text of the value: "" for null, "True"/"False", numbers and dates
  // in the user's locale, a blob's bytes as they are.
  std::string AsString() const;
  // Conversions raise EVariantError for null and for text that isn't one.
  std::int64_t AsInt64() const;
  double AsFloat() const;
  bool AsBoolean() const;
  TDateTime AsDateTime() const;
  TBytes AsBytes() const;

  bool operator==(const Variant& Other) const;

 private:
  struct Date {
    double Value;
    bool operator==(const Date&) const = default;
  };
  std::variant<std::monostate, std::int32_t, std::int64_t, double, std::string, bool, Date, TBytes> FValue;
};

// The null value, for readable call sites.
inline const Variant Null{};

}  // namespace rv
