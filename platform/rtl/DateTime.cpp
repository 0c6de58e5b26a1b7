#include "platform/rtl/DateTime.h"

#include <time.h>

#include <algorithm>
#include <cmath>

#include "platform/rtl/Convert.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StrUtils.h"

namespace RV_API rv {

namespace {

// Days from 1970-01-01 to 1899-12-30.
constexpr std::int64_t kUnixEpochOffset = 25569;
constexpr std::int64_t kMinDay = -693593;  // 0001-01-01
constexpr std::int64_t kMaxDay = 2958465;  // 9999-12-31

std::int64_t daysFromCivil(std::int64_t y, int m, int d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const std::int64_t yearOfEra = y - era * 400;
  const std::int64_t dayOfYear = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468 + kUnixEpochOffset;
}

void civilFromDays(std::int64_t days, int& year, int& month, int& day) {
  const std::int64_t z = days - kUnixEpochOffset + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yearOfEra + era * 400 + (month <= 2));
}

int daysInMonth(int year, int month) {
  static constexpr int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

[[noreturn]] void invalidValue(TDateTime value) {
  throw EConvertError("'" + FloatToStr(value) + "' is not a valid date and time");
}

bool startsWithText(std::string_view s, std::size_t at, std::string_view word) {
  if (s.size() - at < word.size()) return false;
  for (std::size_t i = 0; i < word.size(); ++i)
    if (UpCase(s[at + i]) != UpCase(word[i])) return false;
  return true;
}

std::string twoDigits(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

std::string padded(int v, std::size_t width) {
  std::string s = std::to_string(v);
  return s.size() < width ? std::string(width - s.size(), '0') + s : s;
}

class TDateTimeFormatter {
 public:
  TDateTimeFormatter(TDateTime value, const TFormatSettings& settings)
      : FParts(DateTimeToParts(value)), FSettings(settings) {}

  std::string Run(std::string_view fmt) {
    append(fmt, 0);
    return std::move(FOut);
  }

 private:
  // Formats named by the settings may name others ("ddddd" in a long date);
  // the depth bound keeps a format that names itself from looping.
  void append(std::string_view fmt, int depth) {
    if (depth > 2) return;
    char lastToken = 0;
    std::size_t i = 0;
    while (i < fmt.size()) {
      char c = fmt[i];
      char token = UpCase(c);
      if (token >= 'A' && token <= 'Z') {
        if (token == 'M' && lastToken == 'H') token = 'N';
        lastToken = token;
      }
      std::size_t count = 1;
      while (i + count < fmt.size() && UpCase(fmt[i + count]) == UpCase(c)) ++count;
      switch (token) {
        case 'Y': FOut += count <= 2 ? twoDigits(FParts.Year % 100) : padded(FParts.Year, 4); break;
        case 'M':
          if (count == 1)
            FOut += std::to_string(FParts.Month);
          else if (count == 2)
            FOut += twoDigits(FParts.Month);
          else if (count == 3)
            FOut += FSettings.ShortMonthNames[static_cast<std::size_t>(FParts.Month - 1)];
          else
            FOut += FSettings.LongMonthNames[static_cast<std::size_t>(FParts.Month - 1)];
          break;
        case 'D': appendDay(count, depth); break;
        case 'H': {
          int hour = FParts.Hour;
          if (twelveHourClock(fmt, i + count)) hour = hour % 12 == 0 ? 12 : hour % 12;
          FOut += count == 1 ? std::to_string(hour) : twoDigits(hour);
          break;
        }
        case 'N': FOut += count == 1 ? std::to_string(FParts.Minute) : twoDigits(FParts.Minute); break;
        case 'S': FOut += count == 1 ? std::to_string(FParts.Second) : twoDigits(FParts.Second); break;
        case 'Z': FOut += count == 1 ? std::to_string(FParts.MSec) : padded(FParts.MSec, 3); break;
        case 'T': append(count == 1 ? FSettings.ShortTimeFormat : FSettings.LongTimeFormat, depth + 1); break;
        case 'C':
          append(FSettings.ShortDateFormat, depth + 1);
          if (FParts.Hour || FParts.Minute || FParts.Second || FParts.MSec) {
            FOut += ' ';
            append(FSettings.LongTimeFormat, depth + 1);
          }
          break;
        case 'A': count = appendAmPm(fmt, i); break;
        case '/':
          count = 1;
          FOut += FSettings.DateSeparator;
          break;
        case ':':
          count = 1;
          FOut += FSettings.TimeSeparator;
          break;
        case '"':
        case '\'': {
          std::size_t close = fmt.find(c, i + 1);
          if (close == std::string_view::npos) close = fmt.size();
          FOut.append(fmt.substr(i + 1, close - i - 1));
          count = close < fmt.size() ? close - i + 1 : close - i;
          break;
        }
        default: count = 1; FOut += c;
      }
      i += count;
    }
  }

  void appendDay(std::size_t count, int depth) {
    switch (count) {
      case 1: FOut += std::to_string(FParts.Day); break;
      case 2: FOut += twoDigits(FParts.Day); break;
      case 3: FOut += FSettings.ShortDayNames[static_cast<std::size_t>(FParts.DayOfWeek - 1)]; break;
      case 4: FOut += FSettings.LongDayNames[static_cast<std::size_t>(FParts.DayOfWeek - 1)]; break;
      case 5: append(FSettings.ShortDateFormat, depth + 1); break;
      default: append(FSettings.LongDateFormat, depth + 1); break;
    }
  }

  // The am/pm forms keep the case they are written in; "ampm" writes the
  // settings' texts. Returns the characters used (1 for a plain 'a').
  std::size_t appendAmPm(std::string_view fmt, std::size_t i) {
    const bool pm = FParts.Hour >= 12;
    if (startsWithText(fmt, i, "am/pm")) {
      FOut.append(fmt.substr(pm ? i + 3 : i, 2));
      return 5;
    }
    if (startsWithText(fmt, i, "a/p")) {
      FOut += fmt[pm ? i + 2 : i];
      return 3;
    }
    if (startsWithText(fmt, i, "ampm")) {
      FOut += pm ? FSettings.TimePMString : FSettings.TimeAMString;
      return 4;
    }
    FOut += fmt[i];
    return 1;
  }

  // An hour is on the 12-hour clock when an am/pm form follows it anywhere
  // in the same format, outside quotes.
  static bool twelveHourClock(std::string_view fmt, std::size_t from) {
    for (std::size_t i = from; i < fmt.size(); ++i) {
      if (fmt[i] == '"' || fmt[i] == '\'') {
        std::size_t close = fmt.find(fmt[i], i + 1);
        if (close == std::string_view::npos) return false;
        i = close;
      } else if (startsWithText(fmt, i, "am/pm") || startsWithText(fmt, i, "a/p") || startsWithText(fmt, i, "ampm")) {
        return true;
      }
    }
    return false;
  }

  TDateTimeParts FParts;
  const TFormatSettings& FSettings;
  std::string FOut;
};

}  // namespace

bool IsLeapYear(int Year) { return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0); }

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > daysInMonth(Year, Month)) return false;
  Date = static_cast<TDateTime>(daysFromCivil(Year, Month, Day));
  return true;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Time) {
  if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999) return false;
  Time = (((Hour * 60 + Min) * 60 + Sec) * 1000 + MSec) / static_cast<double>(MSecsPerDay);
  return true;
}

TDateTime EncodeDate(int Year, int Month, int Day) {
  TDateTime result = 0;
  if (!TryEncodeDate(Year, Month, Day, result)) throw EConvertError("Invalid argument to date encode");
  return result;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
  TDateTime result = 0;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, result)) throw EConvertError("Invalid argument to time encode");
  return result;
}

TDateTime ComposeDateTime(TDateTime Date, TDateTime Time) {
  return Date < 0 ? Date - std::fabs(Time) : Date + std::fabs(Time);
}

TDateTimeParts DateTimeToParts(TDateTime Value) {
  // Checked before any conversion to an integer, which would be undefined
  // for NaN or a huge value.
  if (!(Value > kMinDay - 1 && Value < kMaxDay + 1)) invalidValue(Value);
  const double whole = std::trunc(Value);
  auto days = static_cast<std::int64_t>(whole);
  auto ms = static_cast<std::int64_t>(std::llround(std::fabs(Value - whole) * MSecsPerDay));
  if (ms >= MSecsPerDay) {  // rounds up to the next midnight
    ms -= MSecsPerDay;
    ++days;
  }
  if (days > kMaxDay) invalidValue(Value);
  TDateTimeParts p{};
  civilFromDays(days, p.Year, p.Month, p.Day);
  p.DayOfWeek = static_cast<int>(((days % 7 + 7) % 7 + 6) % 7 + 1);
  p.MSec = static_cast<int>(ms % 1000);
  p.Second = static_cast<int>(ms / 1000 % 60);
  p.Minute = static_cast<int>(ms / 60000 % 60);
  p.Hour = static_cast<int>(ms / 3600000);
  return p;
}

TDateTime Now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm local{};
  localtime_r(&now.tv_sec, &local);
  // A leap second (tm_sec 60) is shown as the last second of the minute.
  return ComposeDateTime(
      EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
      EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), static_cast<int>(now.tv_nsec / 1'000'000)));
}

TDateTime Date() { return std::trunc(Now()); }

TDateTime Time() {
  TDateTime now = Now();
  return now - std::trunc(now);
}

TDateTime DateTimeFromUnix(std::int64_t Seconds) {
  auto t = static_cast<time_t>(Seconds);
  tm local{};
  if (!localtime_r(&t, &local)) throw EConvertError("Invalid argument to date encode");
  return ComposeDateTime(EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday),
                         EncodeTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59), 0));
}

std::int64_t UnixFromDateTime(TDateTime Value) {
  TDateTimeParts p = DateTimeToParts(Value);
  tm local{};
  local.tm_year = p.Year - 1900;
  local.tm_mon = p.Month - 1;
  local.tm_mday = p.Day;
  local.tm_hour = p.Hour;
  local.tm_min = p.Minute;
  local.tm_sec = p.Second;
  local.tm_isdst = -1;  // let the time zone rules decide
  return static_cast<std::int64_t>(mktime(&local));
}

std::string FormatDateTime(std::string_view Fmt, TDateTime Value) { return FormatDateTime(Fmt, Value, FormatSettings); }
std::string FormatDateTime(std::string_view Fmt, TDateTime Value, const TFormatSettings& Settings) {
  return TDateTimeFormatter(Value, Settings).Run(Fmt);
}

std::string DateTimeToStr(TDateTime Value) { return FormatDateTime("c", Value); }
std::string DateTimeToStr(TDateTime Value, const TFormatSettings& Settings) {
  return FormatDateTime("c", Value, Settings);
}
std::string DateToStr(TDateTime Value) { return FormatDateTime("ddddd", Value); }
std::string DateToStr(TDateTime Value, const TFormatSettings& Settings) {
  return FormatDateTime("ddddd", Value, Settings);
}
std::string TimeToStr(TDateTime Value) { return FormatDateTime("tt", Value); }
std::string TimeToStr(TDateTime Value, const TFormatSettings& Settings) {
  return FormatDateTime("tt", Value, Settings);
}

}  // namespace rv
