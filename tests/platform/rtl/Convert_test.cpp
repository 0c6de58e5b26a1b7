#include "platform/rtl/Convert.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "platform/rtl/Exceptions.h"

using namespace rv;

namespace {

TEST(Convert, Integers) {
  EXPECT_EQ("-9223372036854775808", IntToStr(std::numeric_limits<std::int64_t>::min()));
  EXPECT_EQ("00FF", IntToHex(255, 4));
  EXPECT_EQ("123456789ABCDEF0", IntToHex(0x123456789ABCDEF0, 2));
  EXPECT_EQ("0", IntToHex(0, 0));

  const struct {
    const char* Text;
    bool Valid;
    int Value;
  } cases[] = {
      {"42", true, 42},
      {" -17 ", true, -17},
      {"+3", true, 3},
      {"$FF", true, 255},
      {"0x10", true, 16},
      {"$FFFFFFFF", true, -1},
      {"2147483647", true, INT32_MAX},
      {"-2147483648", true, INT32_MIN},
      {"2147483648", false, 0},
      {"$100000000", false, 0},
      {"", false, 0},
      {"-", false, 0},
      {"$", false, 0},
      {"12a", false, 0},
      {"1 2", false, 0},
      {"1.0", false, 0},
      {"99999999999999999999999", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Text);
    int value = 7;
    EXPECT_EQ(c.Valid, TryStrToInt(c.Text, value));
    EXPECT_EQ(c.Valid ? c.Value : 7, value);
    EXPECT_EQ(c.Valid ? c.Value : -1, StrToIntDef(c.Text, -1));
  }
  EXPECT_EQ(std::numeric_limits<std::int64_t>::min(), StrToInt64("-9223372036854775808"));
  EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
  try {
    StrToInt("x1");
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ("'x1' is not a valid integer value", e.what());
  }
}

TEST(Convert, FloatToStrSwitchesToScientificAtTheClassicBounds) {
  const TFormatSettings s;
  const struct {
    double Value;
    const char* Expected;
  } cases[] = {
      {1e15, "1E15"},
      {123456789012345.0, "123456789012345"},
      {999999999999999.9, "1E15"},  // rounds to 16 digits before the point
      {0.0001, "0.0001"},
      {0.00001, "1E-5"},
      {-1.5e-7, "-1.5E-7"},
      {1e20, "1E20"},
      {0.1 + 0.2, "0.3"},
      {1.0 / 3, "0.333333333333333"},
      {-2.0 / 3, "-0.666666666666667"},
      {100, "100"},
      {-0.0, "0"},
      {5e-324, "4.94065645841247E-324"},
      {std::numeric_limits<double>::max(), "1.79769313486232E308"},
      {NAN, "NAN"},
      {INFINITY, "INF"},
      {-INFINITY, "-INF"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Expected, FloatToStr(c.Value, s)) << c.Value;

  TFormatSettings comma;
  comma.DecimalSeparator = ',';
  EXPECT_EQ("-1,25", FloatToStr(-1.25, comma));
  EXPECT_EQ("1,5E-7", FloatToStr(1.5e-7, comma));
}

TEST(Convert, FloatToStrF) {
  const TFormatSettings s;
  const struct {
    TFloatFormat Format;
    int Precision, Digits;
    double Value;
    const char* Expected;
  } cases[] = {
      {ffGeneral, 4, 0, 12345.0, "1.235E4"},
      {ffGeneral, 4, 2, 12345.0, "1.235E+04"},
      {ffExponent, 3, 2, -0.000123456, "-1.23E-04"},
      {ffExponent, 1, 0, 9.9, "1E+1"},
      {ffExponent, 5, 3, 0.0, "0.0000E+000"},
      {ffFixed, 15, 2, 2.5, "2.50"},
      {ffFixed, 15, 0, 0.5, "1"},
      {ffFixed, 15, 2, -0.001, "0.00"},
      {ffFixed, 15, 3, 0.0005, "0.001"},
      {ffFixed, 3, 2, 12345.0, "1.23E4"},  // too many digits before the point
      {ffNumber, 15, 2, -1234567.891, "-1,234,567.89"},
      {ffNumber, 15, 0, 999.5, "1,000"},
      {ffNumber, 15, 1, 123.0, "123.0"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Expected, FloatToStrF(c.Value, c.Format, c.Precision, c.Digits, s));
}

TEST(Convert, StrToFloat) {
  const TFormatSettings s;
  const struct {
    const char* Text;
    double Value;
  } valid[] = {
      {"1.5", 1.5},   {"  -2.5e3\t", -2500}, {"+7", 7}, {".5", 0.5},   {"5.", 5},
      {"1E-2", 0.01}, {"1e+2", 100},         {"0", 0},  {"1e-400", 0}, {"00012.50", 12.5},
  };
  for (const auto& c : valid) EXPECT_DOUBLE_EQ(c.Value, StrToFloat(c.Text, s)) << c.Text;

  const char* invalid[] = {"",  " ",   "abc",  "1.2.3", "1e",    "1e+", "inf",  "nan", "-",
                           ".", "1,5", "0x10", "1 2",   "1e400", "--1", "1.5x", "e5"};
  for (const char* text : invalid) {
    double value = 42;
    EXPECT_FALSE(TryStrToFloat(text, value, s)) << text;
    EXPECT_EQ(42, value);
  }
  try {
    StrToFloat("1.2.3", s);
    FAIL() << "no exception";
  } catch (const EConvertError& e) {
    EXPECT_STREQ("'1.2.3' is not a valid floating point value", e.what());
  }

  TFormatSettings comma;
  comma.DecimalSeparator = ',';
  EXPECT_DOUBLE_EQ(1.5, StrToFloat("1,5", comma));
  EXPECT_THROW(StrToFloat("1.5", comma), EConvertError);
}

TEST(Convert, FloatRoundTripsThroughText) {
  const TFormatSettings s;
  for (double v : {0.1, 1.0 / 7, -123.456, 6.02214076e23, 1.6e-19})
    EXPECT_DOUBLE_EQ(v, StrToFloat(FloatToStrF(v, ffExponent, 17, 0, s), s));
}

}  // namespace
