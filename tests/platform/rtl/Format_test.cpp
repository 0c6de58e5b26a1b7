#include "platform/rtl/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

#include "platform/rtl/Exceptions.h"

using namespace rv;

namespace {

struct FormatCase {
  const char* Expected;
  std::string Actual;
};

TFormatSettings commaSettings() {
  TFormatSettings s;
  s.DecimalSeparator = ',';
  s.ThousandSeparator = '.';
  return s;
}

TEST(Format, Specifiers) {
  const TFormatSettings plain;
  const FormatCase cases[] = {
      {"a 5 b", Format(plain, "a %d b", 5)},
      {"100%", Format(plain, "%d%%", 100)},
      {"-12|   -3|7    |-0005|00042", Format(plain, "%d|%5d|%-5d|%.4d|%.5u", -12, -3, 7, -5, 42u)},
      {"-9223372036854775808", Format(plain, "%d", INT64_MIN)},
      {"18446744073709551615", Format(plain, "%d", UINT64_MAX)},
      {"4294967295 FFFFFFFF FFFFFFFFFFFFFFFF FF",
       Format(plain, "%u %x %x %x", -1, -1, std::int64_t{-1}, std::int8_t{-1})},
      {"00FF|  2A", Format(plain, "%.4x|%4x", 255, 42)},
      {"00001234 0000000123456789",
       Format(plain, "%p %p", reinterpret_cast<void*>(0x1234), reinterpret_cast<void*>(std::uintptr_t{0x123456789}))},
      {"abc|xy|    r|l   |c",
       Format(plain, "%s|%.2s|%5s|%-4s|%s", "abc", std::string("xyz"), std::string_view("r"), "l", 'c')},
      {"0.30 3.1416 -2.50", Format(plain, "%f %.4f %.2f", 0.1 + 0.2, 3.14159265, -2.5)},
      {"1.50000000000000E+000 1.5E+003", Format(plain, "%e %.2e", 1.5, 1500.0)},
      {"0.3 0.333333333333333 1E+020 1.2E-005", Format(plain, "%g %g %g %.2g", 0.1 + 0.2, 1.0 / 3, 1e20, 0.0000123)},
      {"1,234,567.89 -1,000 12", Format(plain, "%n %.0n %.0n", 1234567.891, -1000.0, 12.0)},
      {"NAN INF -INF", Format(plain, "%f %e %g", NAN, INFINITY, -INFINITY)},
      {"0.13", Format(plain, "%.2f", 0.125)},  // half away from zero
      {"1.234,50", Format(commaSettings(), "%n", 1234.5)},
      {"2,5", Format(commaSettings(), "%g", 2.5)},
  };
  for (const FormatCase& c : cases) EXPECT_EQ(c.Expected, c.Actual);
}

TEST(Format, StarsAndIndexes) {
  const TFormatSettings plain;
  const FormatCase cases[] = {
      {"   42", Format(plain, "%*d", 5, 42)},
      {"42   |", Format(plain, "%*d|", -5, 42)},  // a negative '*' width justifies left
      {"3.14", Format(plain, "%.*f", 2, 3.14159)},
      {"  3.1", Format(plain, "%*.*f", 5, 1, 3.14159)},
      {"b a b", Format(plain, "%1:s %0:s %s", "a", "b")},
      {"x y x", Format(plain, "%s %s %0:s", "x", "y")},
      {"b", Format(plain, "%*:s", 1, "b")},
      {"   ab", Format(plain, "%1:5s", "z", "ab")},
      {"ok", Format(plain, "ok", 1, 2.0, "extra")},
      {"", Format(plain, "")},
  };
  for (const FormatCase& c : cases) EXPECT_EQ(c.Expected, c.Actual);
}

TEST(Format, WidthAndPrecisionCountUtf16Units) {
  // "é" is two bytes but one unit; U+1F600 is four bytes and two units.
  EXPECT_EQ("   \xC3\xA9", Format("%4s", "\xC3\xA9"));
  EXPECT_EQ("a\xC3\xA9", Format("%.2s", "a\xC3\xA9z"));
  EXPECT_EQ("a", Format("%.2s", "a\xF0\x9F\x98\x80"));
  EXPECT_EQ("a\xF0\x9F\x98\x80", Format("%.3s", "a\xF0\x9F\x98\x80"));
}

TEST(Format, RejectsBadSpecifiersAndArguments) {
  const char* formats[] = {"%",     "%5", "%.",   "%-", "%d",   "%s %s",     "%c",         "%5:d",
                           "%-1:d", "%z", "%1.2", "%*", "%.*f", "%1000001d", "%.1000001d", "%99999999999999999999d"};
  for (const char* fmt : formats) {
    SCOPED_TRACE(fmt);
    EXPECT_THROW(Format(fmt, "s"), EConvertError);
  }
  // Arguments of the wrong kind.
  EXPECT_THROW(Format("%d", "1"), EConvertError);
  EXPECT_THROW(Format("%d", 1.0), EConvertError);
  EXPECT_THROW(Format("%f", 1), EConvertError);
  EXPECT_THROW(Format("%s", 1), EConvertError);
  EXPECT_THROW(Format("%p", "x"), EConvertError);
  EXPECT_THROW(Format("%*d", "5", 1), EConvertError);
  EXPECT_THROW(Format("%*d", 2000000, 1), EConvertError);
  try {
    Format("%d items", "x");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ("Format '%d items' invalid or incompatible with argument", e.what());
  }
}

TEST(Format, BoundsPaddingOfHostileFormats) {
  EXPECT_EQ(1'000'000u, Format("%1000000d", 1).size());
  std::string many;
  for (int i = 0; i < 40; ++i) many += "%0:1000000d";
  EXPECT_THROW(Format(many, 1), EConvertError);
}

}  // namespace
