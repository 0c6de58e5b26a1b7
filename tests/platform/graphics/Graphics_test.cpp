#include "platform/graphics/Graphics.h"

#include <gtest/gtest.h>

#include "platform/classes/Stream.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "tests/support/TempDir.h"

namespace rv {
namespace {

std::string le16(std::uint16_t v) { return {char(v & 0xFF), char(v >> 8)}; }
std::string le32(std::uint32_t v) { return le16(std::uint16_t(v)) + le16(std::uint16_t(v >> 16)); }

// A BMP file from its fields; the pixels follow the headers and the table
// (palette or masks) unless an offset is given.
struct BmpSpec {
  std::int32_t width = 2, height = 2;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0, headerSize = 40, colorsUsed = 0;
  std::string table{}, pixels{};
  std::int64_t offBits = -1;

  std::string Build() const {
    std::string h = le32(headerSize);
    if (headerSize == 12)
      h += le16(std::uint16_t(width)) + le16(std::uint16_t(height)) + le16(1) + le16(bitCount);
    else
      h += le32(width) + le32(height) + le16(1) + le16(bitCount) + le32(compression) + std::string(12, '\0') +
           le32(colorsUsed) + le32(0);
    h.resize(std::max<std::size_t>(h.size(), headerSize), '\0');
    const std::size_t off = offBits >= 0 ? std::size_t(offBits) : 14 + h.size() + table.size();
    std::string f = "BM" + le32(std::uint32_t(off + pixels.size())) + le32(0) + le32(std::uint32_t(off)) + h + table;
    f.resize(std::max(f.size(), off), '\0');
    return f + pixels;
  }
};

TBitmap pattern(int w, int h) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      b.SetPixel(x, y, RGBToColor(std::uint8_t(x * 40), std::uint8_t(y * 50), std::uint8_t(x ^ y)));
  return b;
}

std::vector<TColor> pixels(const TBitmap& b) {
  std::vector<TColor> all = {b.Width(), b.Height()};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) all.push_back(b.Pixel(x, y));
  return all;
}

TEST(TBitmap, PixelsScanLinesAndSizes) {
  TBitmap b(3, 2);
  EXPECT_EQ(b.ClassName(), "TBitmap");
  EXPECT_TRUE(b.InheritsFrom(TGraphic::StaticClass()));
  EXPECT_TRUE(TBitmap(5, 0).Empty());
  b.SetPixel(2, 1, RGBToColor(0x11, 0x22, 0x33));
  EXPECT_EQ(b.Pixel(2, 1), 0x332211);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(b.ScanLine(1)) + 6, 3), "\x33\x22\x11");  // blue first
  for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, 2}, {0, -1}}) {
    b.SetPixel(x, y, 0);
    EXPECT_EQ(b.Pixel(x, y), -1);
  }
  EXPECT_THROW(b.ScanLine(2), EInvalidGraphicOperation);
  EXPECT_THROW(b.SetSize(-1, 2), EInvalidGraphicOperation);
  EXPECT_THROW(b.SetSize(1 << 20, 1 << 20), EInvalidGraphicOperation);
  b.SetSize(4, 1);  // keeps the shared part; new pixels black
  b.SetSize(3, 2);
  EXPECT_EQ(pixels(b), (std::vector<TColor>{3, 2, 0, 0, 0, 0, 0, 0}));

  TBitmap copy;
  copy.Assign(&b);
  b.SetPixel(0, 0, 0xFFFFFF);
  EXPECT_EQ(copy.Pixel(0, 0), 0);
  TStringList notAGraphic;
  EXPECT_THROW(copy.Assign(&notAGraphic), EConvertError);
}

TEST(TBitmap, TransparencyFollowsTheBottomLeftPixelUntilAColourIsSetAndTravelsWithCopies) {
  TBitmap b(2, 2);
  EXPECT_FALSE(b.Transparent());
  b.SetPixel(0, 1, clFuchsia);
  EXPECT_EQ(b.TransparentColor(), clFuchsia);
  b.SetTransparentColor(clLime);
  b.SetPixel(0, 1, clRed);
  EXPECT_EQ(b.TransparentColor(), clLime);
  int changes = 0;
  b.SetOnChange([&](TObject*) { ++changes; });
  b.SetTransparent(true);
  b.SetTransparent(true);
  EXPECT_EQ(changes, 1) << "a redraw is due only when transparency changes";

  TPicture picture;
  picture.Assign(&b);
  const auto* copy = dynamic_cast<const TBitmap*>(picture.Graphic());
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(copy->Transparent());
  EXPECT_EQ(copy->TransparentColor(), clLime);
  EXPECT_EQ(TBitmap().TransparentColor(), clNone);
}

TEST(TBitmap, WritesA24BitBottomUpBmpThatReadsBack) {
  TBitmap b(5, 2);  // rows of 15 bytes, padded to 16
  b.SetPixel(0, 0, RGBToColor(1, 2, 3));
  b.SetPixel(4, 1, RGBToColor(7, 8, 9));
  TStringStream s;
  b.SaveToStream(s);
  const std::string expected = "BM" + le32(86) + le32(0) + le32(54) + le32(40) + le32(5) + le32(2) + le16(1) +
                               le16(24) + le32(0) + le32(32) + le32(3780) + le32(3780) + le32(0) + le32(0) +
                               std::string(12, '\0') + "\x09\x08\x07" + std::string(1, '\0') + "\x03\x02\x01" +
                               std::string(13, '\0');
  EXPECT_EQ(s.DataString(), expected);

  rvtest::TempDir dir;
  for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {3, 2}, {4, 4}, {5, 7}, {0, 0}}) {
    pattern(w, h).SaveToFile(dir.File("a.bmp"));
    TBitmap back;
    back.LoadFromFile(dir.File("a.bmp"));
    EXPECT_EQ(pixels(back), pixels(pattern(w, h))) << w << "x" << h;
  }
  EXPECT_THROW(TBitmap().LoadFromFile(dir.File("missing.bmp")), EFOpenError);
}

TEST(TBitmap, ReadsOtherLayouts) {
  // Top row red, green; bottom row blue, white.
  const std::vector<TColor> expected = {2,       2, RGBToColor(255, 0, 0), RGBToColor(0, 255, 0), RGBToColor(0, 0, 255),
                                        0xFFFFFF};
  const std::string masks = le32(0xFF0000) + le32(0xFF00) + le32(0xFF);
  const std::string rgb24 = std::string("\xFF\0\0\xFF\xFF\xFF\0\0\0\0\xFF\0\xFF\0\0\0", 16);
  const std::string bgrx = std::string("\xFF\0\0\0\xFF\xFF\xFF\0\0\0\xFF\0\0\xFF\0\0", 16);
  std::string v5 = BmpSpec{.bitCount = 32, .compression = 3, .headerSize = 124, .pixels = bgrx}.Build();
  v5.replace(14 + 40, 12, masks);  // V4/V5 headers hold the masks
  const std::pair<const char*, std::string> cases[] = {
      {"24-bit", BmpSpec{.pixels = rgb24}.Build()},
      {"24-bit top-down", BmpSpec{.height = -2, .pixels = rgb24.substr(8) + rgb24.substr(0, 8)}.Build()},
      {"32-bit", BmpSpec{.bitCount = 32, .pixels = bgrx}.Build()},
      {"32-bit with masks", BmpSpec{.bitCount = 32, .compression = 3, .table = masks, .pixels = bgrx}.Build()},
      {"32-bit, V5 header", v5},
      {"8-bit", BmpSpec{.bitCount = 8,
                        .colorsUsed = 4,
                        .table = std::string("\0\0\xFF\0\0\xFF\0\0\xFF\0\0\0\xFF\xFF\xFF\0", 16),
                        .pixels = std::string("\x02\x03\0\0\0\x01\0\0", 8)}
                    .Build()},
      {"4-bit", BmpSpec{.bitCount = 4,
                        .colorsUsed = 4,
                        .table = std::string("\0\0\xFF\0\0\xFF\0\0\xFF\0\0\0\xFF\xFF\xFF\0", 16),
                        .pixels = std::string("\x23\0\0\0\x01\0\0\0", 8)}
                    .Build()},
      {"core header", BmpSpec{.headerSize = 12, .pixels = rgb24}.Build()},
      {"pixels after a gap", BmpSpec{.pixels = rgb24, .offBits = 80}.Build()},
  };
  for (const auto& [name, bytes] : cases) {
    TStringStream s(bytes);
    TBitmap b;
    b.LoadFromStream(s);
    EXPECT_EQ(pixels(b), expected) << name;
  }
  {
    // One bit a pixel, the leftmost in the highest bit: black, white.
    TStringStream s(BmpSpec{.bitCount = 1,
                            .table = std::string("\0\0\0\0\xFF\xFF\xFF\0", 8),
                            .pixels = std::string("\x40\0\0\0\x80\0\0\0", 8)}
                        .Build());
    TBitmap b;
    b.LoadFromStream(s);
    EXPECT_EQ(pixels(b), (std::vector<TColor>{2, 2, 0xFFFFFF, 0, 0, 0xFFFFFF}));
  }
  for (auto [w, h] : {std::pair{0, 0x7FFFFFFF}, {100000, 0}, {0, -5}}) {
    TStringStream s(BmpSpec{.width = w, .height = h}.Build());
    TBitmap b(1, 1);
    b.LoadFromStream(s);
    EXPECT_EQ(std::make_pair(b.Width(), b.Height()), std::make_pair(0, 0));
  }
}

TEST(TBitmap, MalformedBmpsAreRejectedAndLeaveTheBitmapAlone) {
  const std::string good = BmpSpec{.pixels = std::string(16, '\x10')}.Build();
  auto patched = [&](std::size_t at, const std::string& bytes) {
    return std::string(good).replace(at, bytes.size(), bytes);
  };
  const std::string palette4(16, '\0');
  const std::pair<const char*, std::string> cases[] = {
      {"empty", ""},
      {"file header only", good.substr(0, 14)},
      {"truncated header", good.substr(0, 30)},
      {"truncated pixels", good.substr(0, good.size() - 1)},
      {"wrong magic", patched(0, "MB")},
      {"header size 0", patched(14, le32(0))},
      {"header size 39", patched(14, le32(39))},
      {"header size huge", patched(14, le32(0xFFFFFFF0))},
      {"two planes", patched(26, le16(2))},
      {"16 bits", patched(28, le16(16))},
      {"2 bits", patched(28, le16(2))},
      {"RLE8", patched(30, le32(1))},
      {"bitfields on 24 bits", patched(30, le32(3))},
      {"negative width", patched(18, le32(-2))},
      {"height INT_MIN", patched(22, le32(0x80000000))},
      {"width beyond the data", patched(18, le32(0x7FFFFFFF))},
      {"overflowing area", patched(18, le32(0x10000) + le32(0x10000))},
      {"offset beyond the file", patched(10, le32(0xFFFFFFFF))},
      {"offset inside the headers", patched(10, le32(20))},
      {"offset leaving too little", patched(10, le32(60))},
      {"palette over 256", BmpSpec{.bitCount = 8, .colorsUsed = 257, .pixels = std::string(8, '\0')}.Build()},
      {"palette past the end", BmpSpec{.bitCount = 8, .colorsUsed = 200, .table = palette4, .offBits = 70}.Build()},
      {"index outside the palette",
       BmpSpec{.bitCount = 8, .colorsUsed = 4, .table = palette4, .pixels = std::string("\x04\0\0\0\0\0\0\0", 8)}
           .Build()},
      {"4-bit index outside the palette", BmpSpec{.bitCount = 4,
                                                  .colorsUsed = 2,
                                                  .table = palette4.substr(0, 8),
                                                  .pixels = std::string("\x02\0\0\0\0\0\0\0", 8)}
                                              .Build()},
      {"1-bit palette over 2",
       BmpSpec{.bitCount = 1, .colorsUsed = 3, .table = palette4, .pixels = std::string(8, '\0')}.Build()},
      {"unusual masks", BmpSpec{.bitCount = 32,
                                .compression = 3,
                                .table = le32(0xFF) + le32(0xFF00) + le32(0xFF0000),
                                .pixels = std::string(16, '\0')}
                            .Build()},
      {"masks cut off", BmpSpec{.bitCount = 32, .compression = 3, .table = le32(0xFF0000)}.Build()},
      {"core header cut", good.substr(0, 14) + le32(12) + "\x02"},
  };
  for (const auto& [name, bytes] : cases) {
    TBitmap b = pattern(3, 3);
    TStringStream s(bytes);
    EXPECT_THROW(b.LoadFromStream(s), EInvalidGraphic) << name;
    EXPECT_EQ(pixels(b), pixels(pattern(3, 3))) << name;
  }
}

TEST(TBitmap, JpegFilesCarryTheBitmapsSize) {
  rvtest::TempDir dir;
  for (auto [w, h] : {std::pair{1, 1}, {17, 9}, {640, 480}}) {
    pattern(w, h).SaveToJpegFile(dir.File("a.jpg"), 85);
    const std::string f = rvtest::ReadFile(dir.File("a.jpg"));
    ASSERT_EQ(f.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(f.substr(f.size() - 2), "\xFF\xD9");
    const std::size_t sof = f.find("\xFF\xC0");  // baseline frame: height, then width
    ASSERT_NE(sof, std::string::npos);
    EXPECT_EQ(f.substr(sof + 5, 4), le16(std::uint16_t(h << 8 | h >> 8)) + le16(std::uint16_t(w << 8 | w >> 8)));
  }
  TBitmap noisy(64, 64);
  for (int i = 0; i < 64 * 64; ++i) noisy.SetPixel(i % 64, i / 64, TColor((i * 2654435761u) & 0xFFFFFF));
  TStringStream low, high, none;
  noisy.SaveToJpegStream(low, 5);
  noisy.SaveToJpegStream(high, 100);
  EXPECT_LT(low.Size(), high.Size());
  EXPECT_THROW(TBitmap().SaveToJpegStream(none, 80), EInvalidGraphic);
  EXPECT_EQ(none.Size(), 0);
}

}  // namespace
}  // namespace rv
