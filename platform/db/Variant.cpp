#include "platform/db/Variant.h"

#include "platform/db/IsoDate.h"
#include "platform/rtl/Convert.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StrUtils.h"

namespace RV_API rv {

namespace {

bool isNumeric(TVariantType t) {
  return t == varInteger || t == varInt64 || t == varDouble || t == varBoolean || t == varDate;
}

[[noreturn]] void cannotConvert(const Variant& v, const char* to) {
  throw EVariantError("Could not convert variant value '" + v.AsString() + "' to " + to);
}

}  // namespace

Variant Variant::FromDateTime(TDateTime Value) {
  Variant v;
  v.FValue = Date{Value};
  return v;
}

std::string Variant::AsString() const {
  switch (VarType()) {
    case varNull: return {};
    case varInteger: return IntToStr(std::get<std::int32_t>(FValue));
    case varInt64: return IntToStr(std::get<std::int64_t>(FValue));
    case varDouble: return FloatToStr(std::get<double>(FValue));
    case varString: return std::get<std::string>(FValue);
    case varBoolean: return std::get<bool>(FValue) ? "True" : "False";
    case varDate: return DateTimeToStr(std::get<Date>(FValue).Value);
    case varBlob: {
      const TBytes& b = std::get<TBytes>(FValue);
      return std::string(b.begin(), b.end());
    }
  }
  return {};
}

std::int64_t Variant::AsInt64() const {
  switch (VarType()) {
    case varInteger: return std::get<std::int32_t>(FValue);
    case varInt64: return std::get<std::int64_t>(FValue);
    case varBoolean: return std::get<bool>(FValue) ? 1 : 0;
    case varString: {
      std::int64_t n = 0;
      if (TryStrToInt64(std::get<std::string>(FValue), n)) return n;
      break;
    }
    default: break;
  }
  cannotConvert(*this, "Int64");
}

double Variant::AsFloat() const {
  switch (VarType()) {
    case varInteger:
    case varInt64:
    case varBoolean: return static_cast<double>(AsInt64());
    case varDouble: return std::get<double>(FValue);
    case varDate: return std::get<Date>(FValue).Value;
    case varString: {
      double d = 0;
      if (TryStrToFloat(std::get<std::string>(FValue), d)) return d;
      break;
    }
    default: break;
  }
  cannotConvert(*this, "Double");
}

bool Variant::AsBoolean() const {
  if (VarType() == varBoolean) return std::get<bool>(FValue);
  if (VarType() == varString) {
    const std::string& s = std::get<std::string>(FValue);
    if (SameText(s, "True")) return true;
    if (SameText(s, "False")) return false;
  }
  if (isNumeric(VarType()) || VarType() == varString) return AsFloat() != 0;
  cannotConvert(*this, "Boolean");
}

TDateTime Variant::AsDateTime() const {
  if (VarType() == varString) {
    TDateTime d = 0;
    if (TryIsoToDateTime(std::get<std::string>(FValue), d)) return d;
    cannotConvert(*this, "Date");
  }
  return AsFloat();
}

TBytes Variant::AsBytes() const {
  if (VarType() == varBlob) return std::get<TBytes>(FValue);
  std::string s = AsString();
  return TBytes(s.begin(), s.end());
}

bool Variant::operator==(const Variant& Other) const {
  TVariantType a = VarType(), b = Other.VarType();
  if (a == varNull || b == varNull) return a == b;
  if (a == b) return FValue == Other.FValue;
  if (isNumeric(a) && isNumeric(b)) {
    if (a != varDouble && a != varDate && b != varDouble && b != varDate) return AsInt64() == Other.AsInt64();
    return AsFloat() == Other.AsFloat();
  }
  return AsString() == Other.AsString();
}

}  // namespace rv
