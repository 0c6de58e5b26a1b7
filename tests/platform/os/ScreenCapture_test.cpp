#include "platform/os/ScreenCapture.h"

#include <gtest/gtest.h>

#include "platform/graphics/Graphics.h"
#include "tests/support/Environment.h"

namespace rv {
namespace {

TEST(ConvertPixels, ReadsEachLayoutThroughItsMasks) {
  const TColor red = RGBToColor(255, 0, 0), blue = RGBToColor(0, 0, 255), c123456 = RGBToColor(0x12, 0x34, 0x56);
  const std::tuple<const char*, TPixelLayout, std::vector<std::uint8_t>, TColor, TColor> cases[] = {
      {"32 bits", {32, false, 0xFF0000, 0xFF00, 0xFF}, {0x56, 0x34, 0x12, 0, 0xFF, 0, 0, 0}, c123456, blue},
      {"32 bits, MSB first", {32, true, 0xFF0000, 0xFF00, 0xFF}, {0, 0x12, 0x34, 0x56, 0, 0xFF, 0, 0}, c123456, red},
      {"32 bits, red low", {32, false, 0xFF, 0xFF00, 0xFF0000}, {0x12, 0x34, 0x56, 0, 0xFF, 0, 0, 0}, c123456, red},
      {"30-bit colour", {32, false, 0x3FF00000, 0xFFC00, 0x3FF}, {0xFF, 0x03, 0, 0, 0, 0, 0xF0, 0x3F}, blue, red},
      {"24 bits", {24, false, 0xFF0000, 0xFF00, 0xFF}, {0x56, 0x34, 0x12, 0, 0, 0xFF}, c123456, red},
      {"16 bits 565", {16, false, 0xF800, 0x07E0, 0x001F}, {0x00, 0xF8, 0x10, 0x84}, red, RGBToColor(132, 130, 132)},
      {"16 bits, MSB first", {16, true, 0xF800, 0x07E0, 0x001F}, {0x07, 0xE0, 0x00, 0x1F}, RGBToColor(0, 255, 0), blue},
      {"15 bits 555", {16, false, 0x7C00, 0x03E0, 0x001F}, {0xFF, 0x7F, 0x1F, 0x00}, 0xFFFFFF, blue},
      {"8 bits 332", {8, false, 0xE0, 0x1C, 0x03}, {0xE0, 0x03}, red, blue},
  };
  for (const auto& [name, layout, data, first, second] : cases) {
    TBitmap b(2, 1);
    ASSERT_TRUE(ConvertPixels(layout, data.data(), static_cast<int>(data.size()), b)) << name;
    EXPECT_EQ(std::make_pair(b.Pixel(0, 0), b.Pixel(1, 0)), std::make_pair(first, second)) << name;
  }
  TBitmap b16x2(2, 1);
  b16x2.SetPixel(0, 0, 0x123456);
  // Rows follow the stride, not the width.
  const std::vector<std::uint8_t> rows = {0x00, 0xF8, 0xAA, 0xAA, 0x1F, 0x00, 0xAA, 0xAA};
  TBitmap tall(1, 2);
  ASSERT_TRUE(ConvertPixels({16, false, 0xF800, 0x07E0, 0x001F}, rows.data(), 4, tall));
  EXPECT_EQ(std::make_pair(tall.Pixel(0, 0), tall.Pixel(0, 1)), std::make_pair(red, blue));
  // Pixel sizes it can't read, and rows shorter than the width, leave the bitmap alone.
  for (auto [bits, stride] : {std::pair{12, 8}, {40, 10}, {0, 8}, {32, 7}})
    EXPECT_FALSE(ConvertPixels({bits, false, 0xF00, 0xF0, 0xF}, rows.data(), stride, b16x2)) << bits;
  EXPECT_EQ(b16x2.Pixel(0, 0), 0x123456);
}

TEST(ScreenCapture, WithoutADisplayThereIsNoScreenAndNoError) {
  for (const auto& display : {std::optional<std::string>(), std::optional<std::string>(":4242")}) {
    test::TEnvOverride env("DISPLAY", display);
    TScreenCapture capture;
    EXPECT_EQ(std::make_tuple(capture.Available(), capture.Width(), capture.Height()), std::make_tuple(false, 0, 0));
    TBitmap b(2, 2);
    b.SetPixel(1, 1, 0x010203);
    EXPECT_FALSE(capture.Capture(b));
    EXPECT_FALSE(CaptureScreen(b));
    EXPECT_EQ(std::make_pair(b.Width(), b.Pixel(1, 1)), std::make_pair(2, 0x010203));
    int w = -1, h = -1;
    EXPECT_FALSE(PrimaryScreenSize(w, h));
  }
}

}  // namespace
}  // namespace rv
