#include "platform/rtl/DateTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "platform/rtl/Exceptions.h"

using namespace rv;

namespace {

// 2024-03-05 (a Tuesday) 14:07:09.045.
TDateTime sample() { return EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 45); }

TFormatSettings germanStyle() {
  TFormatSettings s;
  s.DateSeparator = '.';
  s.ShortDateFormat = "dd/mm/yyyy";
  s.LongTimeFormat = "hh:nn:ss";
  return s;
}

TEST(DateTime, EncodeAndDecode) {
  EXPECT_EQ(0, EncodeDate(1899, 12, 30));
  EXPECT_EQ(45356, EncodeDate(2024, 3, 5));
  EXPECT_EQ(-693593, EncodeDate(1, 1, 1));
  EXPECT_EQ(2958465, EncodeDate(9999, 12, 31));
  EXPECT_DOUBLE_EQ(0.75, EncodeTime(18, 0, 0, 0));

  std::uint16_t y, m, d;
  DecodeDate(EncodeDate(2000, 2, 29), y, m, d);
  EXPECT_EQ(2000, y);
  EXPECT_EQ(2, m);
  EXPECT_EQ(29, d);
  int h, n, s, ms;
  DecodeTime(sample(), h, n, s, ms);
  EXPECT_EQ(14 * 3600000 + 7 * 60000 + 9 * 1000 + 45, ((h * 60 + n) * 60 + s) * 1000 + ms);
  EXPECT_EQ(3, DayOfWeek(sample()));  // Tuesday
  EXPECT_EQ(7, DayOfWeek(0));         // 1899-12-30 was a Saturday

  // The fraction of a negative value still counts forward from its date.
  TDateTimeParts p = DateTimeToParts(-1.25);
  EXPECT_EQ(1899, p.Year);
  EXPECT_EQ(29, p.Day);
  EXPECT_EQ(6, p.Hour);
  EXPECT_DOUBLE_EQ(-1.25, ComposeDateTime(EncodeDate(1899, 12, 29), EncodeTime(6, 0, 0, 0)));

  // A time that rounds up to midnight moves to the next day.
  p = DateTimeToParts(EncodeDate(2024, 12, 31) + 0.9999999999);
  EXPECT_EQ(2025, p.Year);
  EXPECT_EQ(0, p.Hour);
}

TEST(DateTime, RejectsInvalidValues) {
  const int dates[][3] = {{2023, 2, 29}, {1900, 2, 29}, {0, 1, 1},   {10000, 1, 1},
                          {2024, 13, 1}, {2024, 4, 31}, {2024, 1, 0}};
  for (const auto& d : dates) {
    TDateTime out = 0;
    EXPECT_FALSE(TryEncodeDate(d[0], d[1], d[2], out)) << d[0] << '-' << d[1] << '-' << d[2];
    EXPECT_THROW(EncodeDate(d[0], d[1], d[2]), EConvertError);
  }
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 0, 0, 1000), EConvertError);
  EXPECT_THROW(EncodeTime(-1, 0, 0, 0), EConvertError);
  for (double bad : {double(NAN), double(INFINITY), 1e300, -1e300, 2958466.0, -693595.0})
    EXPECT_THROW(DateTimeToStr(bad), EConvertError) << bad;
}

TEST(DateTime, FormatDateTimeLetters) {
  const TFormatSettings s;
  const TDateTime t = sample();
  const struct {
    const char* Fmt;
    const char* Expected;
  } cases[] = {
      {"d dd ddd dddd", "5 05 Tue Tuesday"},
      {"ddddd", "03/05/24"},
      {"dddddd", "Tuesday, March 5, 2024"},
      {"m mm mmm mmmm", "3 03 Mar March"},
      {"yy yyyy YYYY", "24 2024 2024"},
      {"h:m", "14:7"},  // minutes after an hour
      {"hh:mm:ss", "14:07:09"},
      {"hh 'h' mm", "14 h 07"},  // still minutes across a literal
      {"mm hh", "03 14"},        // a month before the hour
      {"hh:nn mm", "14:07 03"},  // a month after the minutes
      {"n nn s ss z zzz", "7 07 9 09 45 045"},
      {"t|tt", "14:07|14:07:09"},
      {"h:nn am/pm", "2:07 pm"},
      {"hh:nn AM/PM", "02:07 PM"},
      {"h A/P", "2 P"},
      {"h ampm", "2 PM"},
      {"ampm hh", "PM 14"},  // an am/pm before the hour leaves it on 24 hours
      {"'dd' \"mm\" yyyy", "dd mm 2024"},
      {"c", "03/05/24 14:07:09"},
      {"x,q!", "x,q!"},
      {"dd/mm", "05/03"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Expected, FormatDateTime(c.Fmt, t, s)) << c.Fmt;

  EXPECT_EQ("12 am", FormatDateTime("h am/pm", EncodeDate(2024, 1, 1), s));
  EXPECT_EQ("12 PM", FormatDateTime("h ampm", EncodeDate(2024, 1, 1) + 0.5, s));
}

TEST(DateTime, DateTimeToStrLeavesOutMidnight) {
  const TFormatSettings g = germanStyle();
  EXPECT_EQ("05.03.2024 14:07:09", DateTimeToStr(sample(), g));
  EXPECT_EQ("05.03.2024", DateTimeToStr(EncodeDate(2024, 3, 5), g));
  EXPECT_EQ("05.03.2024 00:00:01", DateTimeToStr(EncodeDate(2024, 3, 5) + EncodeTime(0, 0, 1, 0), g));
  EXPECT_EQ("05.03.2024", DateToStr(sample(), g));
  EXPECT_EQ("14:07:09", TimeToStr(sample(), g));
}

TEST(DateTime, MalformedFormatsAndSettings) {
  TFormatSettings s;
  EXPECT_EQ("dd", FormatDateTime("'dd", sample(), s));  // unterminated quote
  EXPECT_EQ("a", FormatDateTime("a", sample(), s));
  EXPECT_EQ("a3/p", FormatDateTime("am/p", sample(), s));  // no am/pm form: a letter and a month
  EXPECT_EQ("14", FormatDateTime("hh\"", sample(), s));
  // Settings that name themselves must not recurse without end.
  s.ShortDateFormat = "c ddddd";
  s.LongTimeFormat = "tt";
  EXPECT_NO_THROW(DateTimeToStr(sample(), s));
}

TEST(DateTime, ClockAndUnixTime) {
  const TDateTime before = Now();
  EXPECT_GT(before, EncodeDate(2020, 1, 1));
  EXPECT_LE(Date(), Now());
  EXPECT_GE(Time(), 0);
  EXPECT_LT(Time(), 1);
  const std::int64_t secs = 1'700'000'000;
  EXPECT_EQ(secs, UnixFromDateTime(DateTimeFromUnix(secs)));
}

}  // namespace
