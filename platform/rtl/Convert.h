#pragma once
// Conversions between numbers and text.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/Export.h"
#include "platform/rtl/FormatSettings.h"

namespace RV_API rv {

std::string IntToStr(std::int64_t Value);
// Upper-case hex digits, at least Digits of them.
std::string IntToHex(std::uint64_t Value, int Digits);

// Decimal with an optional sign, or hex after '$' or "0x"; blanks around the
// number are allowed. Raises EConvertError "'<s>' is not a valid integer
// value" for anything else and for a value outside int.
int StrToInt(std::string_view S);
int StrToIntDef(std::string_view S, int Default);
bool TryStrToInt(std::string_view S, int& Value);
std::int64_t StrToInt64(std::string_view S);
std::int64_t StrToInt64Def(std::string_view S, std::int64_t Default);
bool TryStrToInt64(std::string_view S, std::int64_t& Value);

enum TFloatFormat : std::uint8_t { ffGeneral, ffExponent, ffFixed, ffNumber };

// General format with 15 significant digits: "0.3" for 0.1 + 0.2, "1E20",
// "1.5E-7", "NAN", "INF", "-INF".
std::string FloatToStr(double Value);
std::string FloatToStr(double Value, const TFormatSettings& Settings);

// Precision: significant digits (1..18). Digits: for ffGeneral and
// ffExponent the minimum exponent digits (0..4), for ffFixed and ffNumber the
// decimals (0..18). ffExponent always signs its exponent, ffGeneral only
// when Digits > 0 ("1E20" but "1E+020"). ffFixed and ffNumber fall back to
// the general form when the value has more than Precision digits before the
// point. Values are rounded half away from zero.
std::string FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits);
std::string FloatToStrF(double Value, TFloatFormat Format, int Precision, int Digits, const TFormatSettings& Settings);

// Blanks, a sign, digits with the settings' decimal separator, an optional
// exponent. Raises EConvertError "'<s>' is not a valid floating point value"
// otherwise, also for a value too large for a double.
double StrToFloat(std::string_view S);
double StrToFloat(std::string_view S, const TFormatSettings& Settings);
bool TryStrToFloat(std::string_view S, double& Value);
bool TryStrToFloat(std::string_view S, double& Value, const TFormatSettings& Settings);

}  // namespace rv
