#include "platform/os/ScreenCapture.h"

#include <gtest/gtest.h>

#include "platform/forms/Graphics.h"
#include "tests/platform/os/OsTestSupport.h"

namespace rv {
namespace {

struct ConvertCase {
  const char* name;
  TPixelLayout layout;
  std::vector<std::uint8_t> data;  // two pixels
  TColor first, second;
};

TEST(ConvertPixels, ReadsEachLayoutThroughItsMasks) {
  const TColor red = RGBToColor(255, 0, 0), blue = RGBToColor(0, 0, 255);
  const ConvertCase cases[] = {
      {"32 bits, LSB first", {32, false, 0xFF0000, 0xFF00, 0xFF}, {0x56, 0x34, 0x12, 0, 0xFF, 0, 0, 0},
       RGBToColor(0x12, 0x34, 0x56), blue},
      {"32 bits, MSB first", {32, true, 0xFF0000, 0xFF00, 0xFF}, {0, 0x12, 0x34, 0x56, 0, 0xFF, 0, 0},
       RGBToColor(0x12, 0x34, 0x56), red},
      {"32 bits, red low", {32, false, 0xFF, 0xFF00, 0xFF0000}, {0x12, 0x34, 0x56, 0, 0xFF, 0, 0, 0},
       RGBToColor(0x12, 0x34, 0x56), red},
      {"30-bit colour", {32, false, 0x3FF00000, 0xFFC00, 0x3FF}, {0xFF, 0x03, 0, 0, 0, 0, 0xF0, 0x3F},
       blue, red},
      {"24 bits packed", {24, false, 0xFF0000, 0xFF00, 0xFF}, {0x56, 0x34, 0x12, 0, 0, 0xFF},
       RGBToColor(0x12, 0x34, 0x56), red},
      {"16 bits 565", {16, false, 0xF800, 0x07E0, 0x001F}, {0x00, 0xF8, 0x10, 0x84}, red,
       RGBToColor(132, 130, 132)},
      {"16 bits 565, MSB first", {16, true, 0xF800, 0x07E0, 0x001F}, {0x07, 0xE0, 0x00, 0x1F},
       RGBToColor(0, 255, 0), blue},
      {"15 bits 555", {16, false, 0x7C00, 0x03E0, 0x001F}, {0xFF, 0x7F, 0x1F, 0x00}, 0xFFFFFF, blue},
      {"8 bits 332", {8, false, 0xE0, 0x1C, 0x03}, {0xE0, 0x03}, red, blue},
      {"no blue", {16, false, 0xF800, 0x07E0, 0}, {0xFF, 0xFF, 0, 0}, RGBToColor(255, 255, 0), 0},
  };
  for (const ConvertCase& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap b(2, 1);
    ASSERT_TRUE(ConvertPixels(c.layout, c.data.data(), static_cast<int>(c.data.size()), b));
    EXPECT_EQ(b.Pixel(0, 0), c.first);
    EXPECT_EQ(b.Pixel(1, 0), c.second);
  }
}

TEST(ConvertPixels, FollowsTheRowStrideAndRefusesWhatItCantRead) {
  const TPixelLayout l16{16, false, 0xF800, 0x07E0, 0x001F};
  const std::vector<std::uint8_t> rows = {0x00, 0xF8, 0xAA, 0xAA, 0x1F, 0x00, 0xAA, 0xAA};  // stride 4
  TBitmap b(1, 2);
  ASSERT_TRUE(ConvertPixels(l16, rows.data(), 4, b));
  EXPECT_EQ(b.Pixel(0, 0), RGBToColor(255, 0, 0));
  EXPECT_EQ(b.Pixel(0, 1), RGBToColor(0, 0, 255));

  const std::vector<std::uint8_t> any(64, 0x77);
  const std::pair<TPixelLayout, int> refused[] = {
      {{12, false, 0xF00, 0xF0, 0xF}, 8}, {{40, false, 0xFF, 0xFF00, 0xFF0000}, 10}, {{0, false, 1, 2, 4}, 8},
      {{32, false, 0xFF0000, 0xFF00, 0xFF}, 7},  // a row shorter than two pixels
  };
  for (const auto& [layout, stride] : refused) {
    TBitmap two(2, 1);
    two.SetPixel(0, 0, 0x123456);
    EXPECT_FALSE(ConvertPixels(layout, any.data(), stride, two)) << layout.BitsPerPixel;
    EXPECT_EQ(two.Pixel(0, 0), 0x123456);
  }
}

TEST(ScreenCapture, WithoutADisplayThereIsNoScreenAndNoError) {
  for (const std::optional<std::string>& display : {std::optional<std::string>(), std::optional<std::string>(":4242")}) {
    SCOPED_TRACE(display.value_or("(unset)"));
    test::TEnvOverride env("DISPLAY", display);
    TScreenCapture capture;
    EXPECT_FALSE(capture.Available());
    EXPECT_EQ(capture.Width(), 0);
    EXPECT_EQ(capture.Height(), 0);
    TBitmap b(2, 2);
    b.SetPixel(1, 1, 0x010203);
    EXPECT_FALSE(capture.Capture(b));
    EXPECT_FALSE(CaptureScreen(b));
    EXPECT_EQ(b.Width(), 2);
    EXPECT_EQ(b.Pixel(1, 1), 0x010203);
    int w = -1, h = -1;
    EXPECT_FALSE(PrimaryScreenSize(w, h));
  }
}

}  // namespace
}  // namespace rv
