#pragma once
// TDateTime: days since 1899-12-30, the fraction being the time of day. For
// a negative value the integral part counts days before that date while the
// fraction still counts forward: -1.25 is 1899-12-29 06:00.
//
// Valid dates run from 0001-01-01 to 9999-12-31. Invalid input to the
// encoders, and decoding a value outside that range (or not a number), raise
// EConvertError.

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/Export.h"
#include "platform/rtl/FormatSettings.h"

namespace RV_API rv {

using TDateTime = double;

constexpr int MSecsPerDay = 86'400'000;

// Local time, to the millisecond.
TDateTime Now();
TDateTime Date();
TDateTime Time();

bool IsLeapYear(int Year);
bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date);
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Time);
TDateTime EncodeDate(int Year, int Month, int Day);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);
// A date plus a time of day, respecting the meaning of negative values.
TDateTime ComposeDateTime(TDateTime Date, TDateTime Time);

// The parts of a value, the time rounded to the millisecond. DayOfWeek is
// 1 for Sunday to 7 for Saturday.
struct TDateTimeParts {
  int Year, Month, Day, Hour, Minute, Second, MSec, DayOfWeek;
};
TDateTimeParts DateTimeToParts(TDateTime Value);

template <std::integral T>
void DecodeDate(TDateTime Value, T& Year, T& Month, T& Day) {
  TDateTimeParts p = DateTimeToParts(Value);
  Year = static_cast<T>(p.Year);
  Month = static_cast<T>(p.Month);
  Day = static_cast<T>(p.Day);
}

template <std::integral T>
void DecodeTime(TDateTime Value, T& Hour, T& Min, T& Sec, T& MSec) {
  TDateTimeParts p = DateTimeToParts(Value);
  Hour = static_cast<T>(p.Hour);
  Min = static_cast<T>(p.Minute);
  Sec = static_cast<T>(p.Second);
  MSec = static_cast<T>(p.MSec);
}

inline int DayOfWeek(TDateTime Value) { return DateTimeToParts(Value).DayOfWeek; }

// Classic format letters, case-insensitive: c, d dd ddd dddd ddddd dddddd,
// m mm mmm mmmm (minutes right after h or hh), yy yyyy, h hh, n nn, s ss,
// z zzz, t tt, am/pm a/p ampm (12-hour clock for the h before them), '/' and
// ':' (the settings' separators), and literal text in '...' or "...".
std::string FormatDateTime(std::string_view Fmt, TDateTime Value);
std::string FormatDateTime(std::string_view Fmt, TDateTime Value, const TFormatSettings& Settings);

// The short date, a blank and the long time; the time is left out at exactly
// midnight.
std::string DateTimeToStr(TDateTime Value);
std::string DateTimeToStr(TDateTime Value, const TFormatSettings& Settings);
std::string DateToStr(TDateTime Value);
std::string DateToStr(TDateTime Value, const TFormatSettings& Settings);
std::string TimeToStr(TDateTime Value);
std::string TimeToStr(TDateTime Value, const TFormatSettings& Settings);

// Between seconds since 1970-01-01 UTC and local TDateTime values.
TDateTime DateTimeFromUnix(std::int64_t Seconds);
std::int64_t UnixFromDateTime(TDateTime Value);

}  // namespace rv
