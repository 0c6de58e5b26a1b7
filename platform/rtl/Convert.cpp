#include "platform/rtl/Convert.h"

#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <limits>
#include <optional>
#include <type_traits>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Hex.h"
#include "platform/rtl/StrUtils.h"

namespace RV_API rv {

namespace {

// ---- Integers ---------------------------------------------------------------

struct TParsedInt {
  bool Negative = false;
  bool Hex = false;
  std::uint64_t Magnitude = 0;
};

std::optional<TParsedInt> parseInt(std::string_view text) {
  std::string trimmed = Trim(text);
  std::string_view s = trimmed;
  TParsedInt r;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    r.Negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (!s.empty() && s[0] == '$') {
    r.Hex = true;
    s.remove_prefix(1);
  } else if (s.size() > 1 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
    r.Hex = true;
    s.remove_prefix(2);
  }
  if (s.empty()) return std::nullopt;
  const unsigned base = r.Hex ? 16 : 10;
  for (char c : s) {
    // A non-digit's -1 becomes the largest unsigned value: past any base.
    auto digit = static_cast<unsigned>(HexDigitValue(c));
    if (digit >= base || r.Magnitude > (UINT64_MAX - digit) / base) return std::nullopt;
    r.Magnitude = r.Magnitude * base + digit;
  }
  return r;
}

// Decimal values are range-checked; hex values are bit patterns of the
// target's width (so "$FFFFFFFF" is -1 as an int).
template <class T>
std::optional<T> toInteger(const TParsedInt& p) {
  using U = std::make_unsigned_t<T>;
  constexpr auto maxValue = static_cast<std::uint64_t>(std::numeric_limits<T>::max());
  if (p.Hex) {
    if (p.Magnitude > std::numeric_limits<U>::max()) return std::nullopt;
    auto bits = static_cast<U>(p.Magnitude);
    return static_cast<T>(p.Negative ? static_cast<U>(U{0} - bits) : bits);
  }
  if (p.Magnitude > maxValue + (p.Negative ? 1 : 0)) return std::nullopt;
  return p.Negative ? static_cast<T>(U{0} - static_cast<U>(p.Magnitude)) : static_cast<T>(p.Magnitude);
}

template <class T>
std::optional<T> tryStrTo(std::string_view s) {
  std::optional<TParsedInt> parsed = parseInt(s);
  return parsed ? toInteger<T>(*parsed) : std::nullopt;
}

template <class T>
T strTo(std::string_view s) {
  if (std::optional<T> v = tryStrTo<T>(s)) return *v;
  throw EConvertError("'" + std::string(s) + "' is not a valid integer value");
}

// ---- Floating point -----------------------------------------------------------

// A value as 0.Digits x 10^Exponent; Digits has no trailing zeros and is
// empty for zero.
struct TDecimal {
  bool Negative = false;
  int Exponent = 0;
  std::string Digits;
};

constexpr int kNoDecimals = INT_MAX / 2;
constexpr int kMaxPrecision = 18;

// Rounds half away from zero to at most `precision` significant digits and at
// most `decimals` digits after the point. The starting point is the 17-digit
// form, the shortest that tells every double apart.
TDecimal toDecimal(double value, int precision, int decimals) {
  TDecimal d;
  if (value == 0) return d;
  d.Negative = value < 0;
  char buffer[40];
  auto written = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(value), std::chars_format::scientific, 16);
  std::string_view text(buffer, static_cast<std::size_t>(written.ptr - buffer));
  std::size_t e = text.find('e');
  d.Digits.assign(1, text[0]);
  d.Digits.append(text.substr(2, e - 2));
  int exponent = 0;
  std::string_view expText = text.substr(e + 1);
  if (!expText.empty() && expText[0] == '+') expText.remove_prefix(1);
  std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
  d.Exponent = exponent + 1;

  int keep = std::min(precision, d.Exponent + decimals);
  if (keep < 0) return TDecimal{};
  if (static_cast<std::size_t>(keep) < d.Digits.size()) {
    bool roundUp = d.Digits[static_cast<std::size_t>(keep)] >= '5';
    d.Digits.resize(static_cast<std::size_t>(keep));
    if (roundUp) {
      std::size_t i = d.Digits.size();
      while (i > 0 && d.Digits[i - 1] == '9') d.Digits[--i] = '0';
      if (i == 0) {
        d.Digits.insert(d.Digits.begin(), '1');
        ++d.Exponent;
      } else {
        ++d.Digits[i - 1];
      }
    }
  }
  while (!d.Digits.empty() && d.Digits.back() == '0') d.Digits.pop_back();
  if (d.Digits.empty()) return TDecimal{};
  return d;
}

char digitAt(const TDecimal& d, int index) {
  return index >= 0 && static_cast<std::size_t>(index) < d.Digits.size() ? d.Digits[static_cast<std::size_t>(index)]
                                                                         : '0';
}

std::string exponentText(int exponent, int minDigits, bool plusSign) {
  std::string digits = std::to_string(exponent < 0 ? -exponent : exponent);
  if (digits.size() < static_cast<std::size_t>(minDigits))
    digits.insert(0, static_cast<std::size_t>(minDigits) - digits.size(), '0');
  return (exponent < 0 ? "E-" : plusSign ? "E+" : "E") + digits;
}

std::string scientificText(const TDecimal& d, int mantissaDigits, int expDigits, bool plusSign, char separator) {
  std::string s(1, digitAt(d, 0));
  if (mantissaDigits > 1) {
    s += separator;
    for (int i = 1; i < mantissaDigits; ++i) s += digitAt(d, i);
  }
  return s + exponentText(d.Digits.empty() ? 0 : d.Exponent - 1, expDigits, plusSign);
}

// Shortest form: fixed while the value has at most `precision` digits before
// the point and is not below 0.0001, scientific otherwise.
std::string generalText(const TDecimal& d, int precision, int expDigits, char separator) {
  if (d.Digits.empty()) return "0";
  int digits = static_cast<int>(d.Digits.size());
  if (d.Exponent > precision || d.Exponent < -3) return scientificText(d, digits, expDigits, expDigits > 0, separator);
  std::string s;
  if (d.Exponent <= 0) {
    s = "0";
    s += separator;
    s.append(static_cast<std::size_t>(-d.Exponent), '0');
    return s + d.Digits;
  }
  for (int i = 0; i < d.Exponent; ++i) s += digitAt(d, i);
  if (digits > d.Exponent) {
    s += separator;
    s.append(d.Digits, static_cast<std::size_t>(d.Exponent));
  }
  return s;
}

std::string fixedText(const TDecimal& d, int decimals, char separator, char thousands) {
  std::string s;
  int intDigits = std::max(d.Exponent, 1);
  for (int i = 0; i < intDigits; ++i) {
    if (thousands && i > 0 && (intDigits - i) % 3 == 0) s += thousands;
    s += d.Exponent > 0 ? digitAt(d, i) : '0';
  }
  if (decimals > 0) {
    s += separator;
    for (int i = 0; i < decimals; ++i) s += digitAt(d, d.Exponent + i);
  }
  return s;
}

std::string formatFloat(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& fs) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value < 0 ? "-INF" : "INF";
  precision = std::clamp(precision, 1, kMaxPrecision);
  const char sep = fs.DecimalSeparator;
  TDecimal d;
  std::string text;
  switch (format) {
    case ffFixed:
    case ffNumber:
      digits = std::clamp(digits, 0, kMaxPrecision);
      d = toDecimal(value, precision, digits);
      if (d.Exponent <= precision) {
        text = fixedText(d, digits, sep, format == ffNumber ? fs.ThousandSeparator : '\0');
        break;
      }
      // Too many digits before the point for the precision: shortest form.
      d = toDecimal(value, precision, kNoDecimals);
      text = generalText(d, precision, 0, sep);
      break;
    case ffExponent:
      d = toDecimal(value, precision, kNoDecimals);
      text = scientificText(d, precision, std::clamp(digits, 0, 4), true, sep);
      break;
    case ffGeneral:
    default:
      d = toDecimal(value, precision, kNoDecimals);
      text = generalText(d, precision, std::clamp(digits, 0, 4), sep);
      break;
  }
  return d.Negative ? "-" + text : text;
}

// Parses with the settings' decimal separator into the form from_chars
// reads; returns false for anything malformed or too large.
bool parseFloat(std::string_view text, double& value, char separator) {
  std::string trimmed = Trim(text);
  std::string_view s = trimmed;
  std::string plain;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) plain += s[i++];
  // The decimal position of the leading digit, to tell overflow from underflow.
  long magnitude = 0;
  bool seenNonZero = false, anyDigit = false;
  for (; i < s.size() && IsDigit(s[i]); ++i) {
    plain += s[i];
    anyDigit = true;
    seenNonZero = seenNonZero || s[i] != '0';
    if (seenNonZero) ++magnitude;
  }
  if (i < s.size() && s[i] == separator) {
    plain += '.';
    for (++i; i < s.size() && IsDigit(s[i]); ++i) {
      plain += s[i];
      anyDigit = true;
      if (!seenNonZero && s[i] == '0') --magnitude;
      seenNonZero = seenNonZero || s[i] != '0';
    }
  }
  if (!anyDigit) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    plain += 'e';
    ++i;
    bool negativeExp = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
      negativeExp = s[i] == '-';
      plain += s[i++];
    }
    if (i >= s.size() || !IsDigit(s[i])) return false;
    long exponent = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i) {
      plain += s[i];
      exponent = std::min(exponent * 10 + (s[i] - '0'), 100000L);
    }
    magnitude += negativeExp ? -exponent : exponent;
  }
  if (i != s.size()) return false;
  std::string_view digits = plain;
  if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);  // from_chars takes no '+'
  double result = 0;
  auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), result);
  if (ec == std::errc::result_out_of_range) {
    if (magnitude > 0) return false;
    result = plain[0] == '-' ? -0.0 : 0.0;
  } else if (ec != std::errc() || end != digits.data() + digits.size()) {
    return false;
  }
  value = result;
  return true;
}

}  // namespace

std::string IntToStr(std::int64_t Value) { return std::to_string(Value); }

std::string IntToHex(std::uint64_t Value, int Digits) {
  char buffer[16];
  auto written = std::to_chars(buffer, buffer + sizeof buffer, Value, 16);
  std::string hex(buffer, written.ptr);
  std::transform(hex.begin(), hex.end(), hex.begin(), [](char c) { return c >= 'a' ? char(c - 'a' + 'A') : c; });
  if (Digits > 0 && hex.size() < static_cast<std::size_t>(Digits))
    hex.insert(0, static_cast<std::size_t>(Digits) - hex.size(), '0');
  return hex;
}

int StrToInt(std::string_view S) { return strTo<int>(S); }
int StrToIntDef(std::string_view S, int Default) { return tryStrTo<int>(S).value_or(Default); }
bool TryStrToInt(std::string_view S, int& Value) {
  std::optional<int> v = tryStrTo<int>(S);
  if (v) Value = *v;
  return v.has_value();
}

std::int64_t StrToInt64(std::string_view S) { return strTo<std::int64_t>(S); }
std::int64_t StrToInt64Def(std::string_view S, std::int64_t Default) {
  return tryStrTo<std::int64_t>(S).value_or(Default);
}
bool TryStrToInt64(std::string_view S, std::int64_t& Value) {
  std::optional<std::int64_t> v = tryStrTo<std::int64_t>(S);
  if (v) Value = *v;
  return v.has_value();
}

std::string FloatToStr(double Value) { return FloatToStr(Value, FormatSettings); }
std::string FloatToStr(double Value, const TFormatSettings& Settings) {
  return formatFloat(Value, ffGeneral, 15, 0, Settings);
}

std::string FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits) {
  return formatFloat(Value, Format, Precision, Digits, FormatSettings);
}
std::string FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits, const TFormatSettings& Settings) {
  return formatFloat(Value, Format, Precision, Digits, Settings);
}

double StrToFloat(std::string_view S) { return StrToFloat(S, FormatSettings); }
double StrToFloat(std::string_view S, const TFormatSettings& Settings) {
  double value = 0;
  if (!parseFloat(S, value, Settings.DecimalSeparator))
    throw EConvertError("'" + std::string(S) + "' is not a valid floating point value");
  return value;
}

bool TryStrToFloat(std::string_view S, double& Value) { return parseFloat(S, Value, FormatSettings.DecimalSeparator); }
bool TryStrToFloat(std::string_view S, double& Value, const TFormatSettings& Settings) {
  return parseFloat(S, Value, Settings.DecimalSeparator);
}

}  // namespace rv
