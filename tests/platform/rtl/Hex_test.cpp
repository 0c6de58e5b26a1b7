#include "platform/rtl/Hex.h"

#include <gtest/gtest.h>

#include <string>

namespace rv {
namespace {

TEST(Hex, EveryByteRoundTripsAndNeighboursOfTheDigitsAreNone) {
  for (int b = 0; b < 256; ++b) {
    std::string text;
    AppendHexByte(text, static_cast<unsigned char>(b));
    ASSERT_EQ(text.size(), 2u);
    EXPECT_EQ(HexDigitValue(text[0]) * 16 + HexDigitValue(text[1]), b) << text;
  }
  EXPECT_EQ(HexDigitValue('f'), 15);
  for (char c : {'/', ':', '@', 'G', '`', 'g', ' ', '\0', '\xFF'}) EXPECT_EQ(HexDigitValue(c), -1) << int(c);
}

}  // namespace
}  // namespace rv
