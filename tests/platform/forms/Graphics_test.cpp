#include "platform/forms/Graphics.h"

#include <gtest/gtest.h>

#include <limits>

#include "platform/classes/Stream.h"
#include "platform/classes/Strings.h"
#include "platform/rtl/Exceptions.h"
#include "tests/support/TempDir.h"

namespace rv {
namespace {

std::string le16(std::uint16_t v) { return {char(v & 0xFF), char(v >> 8)}; }
std::string le32(std::uint32_t v) { return le16(std::uint16_t(v)) + le16(std::uint16_t(v >> 16)); }
std::uint32_t at32(const std::string& s, std::size_t i) {
  return std::uint8_t(s[i]) | std::uint8_t(s[i + 1]) << 8 | std::uint8_t(s[i + 2]) << 16 | std::uint32_t(std::uint8_t(s[i + 3])) << 24;
}

// A BMP file from its fields; the pixel offset defaults to just after the
// headers and the table (palette or masks).
struct BmpSpec {
  std::int32_t width = 2, height = 2;
  std::uint16_t bitCount = 24;
  std::uint32_t compression = 0;
  std::uint32_t headerSize = 40;
  std::uint32_t colorsUsed = 0;
  std::uint16_t planes = 1;
  std::string table{};
  std::string pixels{};
  std::int64_t offBits = -1;

  std::string Build() const {
    std::string header = le32(headerSize);
    if (headerSize == 12) {
      header += le16(std::uint16_t(width)) + le16(std::uint16_t(height)) + le16(planes) + le16(bitCount);
    } else {
      header += le32(std::uint32_t(width)) + le32(std::uint32_t(height)) + le16(planes) + le16(bitCount) +
                le32(compression) + le32(0) + le32(0) + le32(0) + le32(colorsUsed) + le32(0);
      header.resize(std::max<std::size_t>(header.size(), headerSize), '\0');
    }
    const std::size_t off = offBits >= 0 ? std::size_t(offBits) : 14 + header.size() + table.size();
    std::string file = "BM" + le32(std::uint32_t(14 + header.size() + table.size() + pixels.size())) + le32(0) +
                       le32(std::uint32_t(off)) + header + table;
    if (file.size() < off) file.resize(off, '\0');
    return file + pixels;
  }
};

TBitmap load(const std::string& bytes) {
  TStringStream s(bytes);
  TBitmap b;
  b.LoadFromStream(s);
  return b;
}

std::string save(const TBitmap& b) {
  TStringStream s;
  b.SaveToStream(s);
  return s.DataString();
}

TBitmap pattern(int w, int h) {
  TBitmap b(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, RGBToColor(std::uint8_t(x * 40), std::uint8_t(y * 50), std::uint8_t(x ^ y)));
  return b;
}

void expectSamePixels(const TBitmap& a, const TBitmap& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x) ASSERT_EQ(a.Pixel(x, y), b.Pixel(x, y)) << x << "," << y;
}

TEST(TBitmap, MetaclassAndPixelAccess) {
  TBitmap b(3, 2);
  EXPECT_EQ(b.ClassName(), "TBitmap");
  EXPECT_TRUE(b.InheritsFrom(TGraphic::StaticClass()));
  EXPECT_EQ(TGraphic::StaticClass().Name(), "TGraphic");
  EXPECT_FALSE(b.Empty());
  EXPECT_TRUE(TBitmap().Empty());
  EXPECT_TRUE(TBitmap(5, 0).Empty());

  b.SetPixel(2, 1, RGBToColor(0x11, 0x22, 0x33));
  EXPECT_EQ(b.Pixel(2, 1), 0x332211);
  const std::uint8_t* row = b.ScanLine(1);
  EXPECT_EQ(row[6], 0x33);  // blue first
  EXPECT_EQ(row[8], 0x11);
  for (auto [x, y] : {std::pair{-1, 0}, {3, 0}, {0, 2}, {0, -1}}) {
    EXPECT_EQ(b.Pixel(x, y), -1);
    b.SetPixel(x, y, 0);
  }
  EXPECT_THROW(b.ScanLine(2), EInvalidGraphicOperation);
  EXPECT_THROW(b.ScanLine(-1), EInvalidGraphicOperation);
  EXPECT_THROW(b.SetSize(-1, 2), EInvalidGraphicOperation);
  EXPECT_THROW(b.SetSize(1 << 20, 1 << 20), EInvalidGraphicOperation);

  b.SetSize(4, 1);  // keeps the shared part, new pixels black
  EXPECT_EQ(b.Width(), 4);
  EXPECT_EQ(b.Pixel(3, 0), 0);
  b.SetSize(3, 3);
  EXPECT_EQ(b.Pixel(2, 1), 0);
}

TEST(TBitmap, AssignCopiesBitmapsOnly) {
  TBitmap a = pattern(4, 3), b;
  b.Assign(&a);
  expectSamePixels(a, b);
  a.SetPixel(0, 0, 0xFFFFFF);
  EXPECT_NE(b.Pixel(0, 0), 0xFFFFFF);
  TStringList notAGraphic;
  EXPECT_THROW(b.Assign(&notAGraphic), EConvertError);
  EXPECT_THROW(b.Assign(nullptr), EConvertError);
}

TEST(TBitmap, WritesA24BitBottomUpBmp) {
  TBitmap b(5, 2);  // rows of 15 bytes, padded to 16
  b.SetPixel(0, 0, RGBToColor(1, 2, 3));  // top left
  b.SetPixel(4, 1, RGBToColor(7, 8, 9));  // bottom right
  const std::string f = save(b);
  ASSERT_EQ(f.size(), 54u + 2 * 16);
  EXPECT_EQ(f.substr(0, 2), "BM");
  EXPECT_EQ(at32(f, 2), f.size());
  EXPECT_EQ(at32(f, 10), 54u);
  EXPECT_EQ(at32(f, 14), 40u);
  EXPECT_EQ(at32(f, 18), 5u);
  EXPECT_EQ(at32(f, 22), 2u);
  EXPECT_EQ(at32(f, 26), 1u | 24u << 16);  // planes, bits
  EXPECT_EQ(at32(f, 30), 0u);
  EXPECT_EQ(at32(f, 34), 32u);
  // The bottom row comes first.
  EXPECT_EQ(f.substr(54 + 12, 3), "\x09\x08\x07");
  EXPECT_EQ(f.substr(54 + 16, 3), "\x03\x02\x01");
  EXPECT_EQ(f[54 + 15], '\0');
}

TEST(TBitmap, RoundTripsThroughFilesAndStreams) {
  rvtest::TempDir dir;
  for (auto [w, h] : {std::pair{1, 1}, {2, 3}, {3, 2}, {4, 4}, {5, 7}, {0, 0}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    const TBitmap b = pattern(w, h);
    b.SaveToFile(dir.File("a.bmp"));
    TBitmap back;
    back.LoadFromFile(dir.File("a.bmp"));
    expectSamePixels(b, back);
  }
  EXPECT_THROW(TBitmap().LoadFromFile(dir.File("missing.bmp")), EFOpenError);
}

TEST(TBitmap, ReadsOtherLayouts) {
  // Two rows of two pixels: top (red, green), bottom (blue, white).
  const TColor red = RGBToColor(255, 0, 0), green = RGBToColor(0, 255, 0), blue = RGBToColor(0, 0, 255),
               white = 0xFFFFFF;
  const std::string masks = le32(0xFF0000) + le32(0xFF00) + le32(0xFF);
  const std::string bgrx = std::string("\xFF\0\0\0\xFF\xFF\xFF\0", 8) + std::string("\0\0\xFF\0\0\xFF\0\0", 8);
  const std::string palette = std::string("\0\0\xFF\0\0\xFF\0\0\xFF\0\0\0\xFF\xFF\xFF\0", 16);
  struct {
    const char* name;
    BmpSpec spec;
  } const cases[] = {
      {"24-bit bottom-up", {.pixels = std::string("\xFF\0\0\xFF\xFF\xFF\0\0\0\0\xFF\0\xFF\0\0\0", 16)}},
      {"24-bit top-down", {.height = -2, .pixels = std::string("\0\0\xFF\0\xFF\0\0\0\xFF\0\0\xFF\xFF\xFF\0\0", 16)}},
      {"32-bit", {.bitCount = 32, .pixels = bgrx}},
      {"32-bit with masks", {.bitCount = 32, .compression = 3, .table = masks, .pixels = bgrx}},
      {"32-bit, V5 header with masks inside",
       {.bitCount = 32, .compression = 3, .headerSize = 124, .pixels = bgrx}},
      {"8-bit palette of 4", {.bitCount = 8, .colorsUsed = 4, .table = palette,
                              .pixels = std::string("\x02\x03\0\0\0\x01\0\0", 8)}},
      {"core header", {.headerSize = 12, .pixels = std::string("\xFF\0\0\xFF\xFF\xFF\0\0\0\0\xFF\0\xFF\0\0\0", 16)}},
      {"pixels after a gap", {.pixels = std::string("\xFF\0\0\xFF\xFF\xFF\0\0\0\0\xFF\0\xFF\0\0\0", 16), .offBits = 80}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    BmpSpec spec = c.spec;
    if (spec.headerSize == 124) {
      // V4/V5 headers carry the masks at offset 40 of the header.
      std::string f = spec.Build();
      f.replace(14 + 40, 12, masks);
      f.replace(14 + 124, std::string::npos, bgrx);
      TBitmap b = load(f);
      EXPECT_EQ(b.Pixel(0, 0), red);
      continue;
    }
    TBitmap b = load(spec.Build());
    ASSERT_EQ(b.Width(), 2);
    ASSERT_EQ(b.Height(), 2);
    EXPECT_EQ(b.Pixel(0, 0), red);
    EXPECT_EQ(b.Pixel(1, 0), green);
    EXPECT_EQ(b.Pixel(0, 1), blue);
    EXPECT_EQ(b.Pixel(1, 1), white);
  }
}

TEST(TBitmap, MalformedBmpsAreRejectedAndLeaveTheBitmapAlone) {
  const std::string good = BmpSpec{.pixels = std::string(16, '\x10')}.Build();
  auto patched = [&](std::size_t at, const std::string& bytes) {
    std::string f = good;
    f.replace(at, bytes.size(), bytes);
    return f;
  };
  const std::string palette4(16, '\0');
  struct {
    const char* name;
    std::string bytes;
  } const cases[] = {
      {"empty", ""},
      {"magic only", "BM"},
      {"file header only", good.substr(0, 14)},
      {"truncated info header", good.substr(0, 30)},
      {"truncated pixels", good.substr(0, good.size() - 1)},
      {"wrong magic", patched(0, "MB")},
      {"header size 0", patched(14, le32(0))},
      {"header size 39", patched(14, le32(39))},
      {"header size beyond the file", patched(14, le32(5000))},
      {"header size huge", patched(14, le32(0xFFFFFFF0))},
      {"two planes", patched(26, le16(2))},
      {"16 bits", patched(28, le16(16))},
      {"1 bit", patched(28, le16(1))},
      {"0 bits", patched(28, le16(0))},
      {"RLE8", patched(30, le32(1))},
      {"bitfields on 24 bits", patched(30, le32(3))},
      {"JPEG inside", patched(30, le32(4))},
      {"negative width", patched(18, le32(std::uint32_t(-2)))},
      {"height INT_MIN", patched(22, le32(0x80000000))},
      {"width beyond the data", patched(18, le32(0x7FFFFFFF))},
      {"height beyond the data", patched(22, le32(0x7FFFFFFF))},
      {"overflowing area", patched(18, le32(0x10000) + le32(0x10000))},
      {"offset beyond the file", patched(10, le32(0xFFFFFFFF))},
      {"offset inside the headers", patched(10, le32(20))},
      {"offset leaving too little", patched(10, le32(60))},
      {"palette over 256", BmpSpec{.bitCount = 8, .colorsUsed = 257, .pixels = std::string(8, '\0')}.Build()},
      {"palette past the end", BmpSpec{.bitCount = 8, .colorsUsed = 200, .table = palette4, .offBits = 70}.Build()},
      {"index outside the palette",
       BmpSpec{.bitCount = 8, .colorsUsed = 4, .table = palette4, .pixels = std::string("\x04\0\0\0\0\0\0\0", 8)}.Build()},
      {"unusual masks", BmpSpec{.bitCount = 32, .compression = 3,
                                .table = le32(0xFF) + le32(0xFF00) + le32(0xFF0000), .pixels = std::string(16, '\0')}.Build()},
      {"masks cut off", BmpSpec{.bitCount = 32, .compression = 3, .table = le32(0xFF0000)}.Build()},
      {"core header cut", good.substr(0, 14) + le32(12) + "\x02"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap b = pattern(3, 3);
    EXPECT_THROW(b.LoadFromStream(*std::make_unique<TStringStream>(c.bytes)), EInvalidGraphic);
    expectSamePixels(b, pattern(3, 3));
  }
}

TEST(TBitmap, ZeroSizedBmpsReadAsEmpty) {
  for (auto [w, h] : {std::pair{0, 0x7FFFFFFF}, {100000, 0}, {0, -5}}) {
    const TBitmap b = load(BmpSpec{.width = w, .height = h}.Build());
    EXPECT_EQ(b.Width(), 0);
    EXPECT_EQ(b.Height(), 0);
  }
}

// The frame size of a baseline JPEG, from its SOF0 segment.
std::pair<int, int> jpegSize(const std::string& f) {
  for (std::size_t i = 2; i + 9 < f.size();) {
    if (std::uint8_t(f[i]) != 0xFF) return {-1, -1};
    const std::uint8_t marker = std::uint8_t(f[i + 1]);
    const std::size_t length = std::uint8_t(f[i + 2]) << 8 | std::uint8_t(f[i + 3]);
    if (marker == 0xC0)
      return {std::uint8_t(f[i + 7]) << 8 | std::uint8_t(f[i + 8]), std::uint8_t(f[i + 5]) << 8 | std::uint8_t(f[i + 6])};
    i += 2 + length;
  }
  return {-1, -1};
}

TEST(TBitmap, JpegFilesCarryTheBitmapsSize) {
  rvtest::TempDir dir;
  for (auto [w, h] : {std::pair{1, 1}, {17, 9}, {640, 480}}) {
    SCOPED_TRACE(testing::Message() << w << "x" << h);
    pattern(w, h).SaveToJpegFile(dir.File("a.jpg"), 85);
    const std::string f = rvtest::ReadFile(dir.File("a.jpg"));
    ASSERT_GT(f.size(), 4u);
    EXPECT_EQ(f.substr(0, 2), "\xFF\xD8");
    EXPECT_EQ(f.substr(f.size() - 2), "\xFF\xD9");
    EXPECT_EQ(jpegSize(f), std::make_pair(w, h));
  }
  TBitmap noisy = pattern(64, 64);
  for (int i = 0; i < 64 * 64; ++i) noisy.SetPixel(i % 64, i / 64, TColor((i * 2654435761u) & 0xFFFFFF));
  TStringStream low, high;
  noisy.SaveToJpegStream(low, 5);
  noisy.SaveToJpegStream(high, 100);
  EXPECT_LT(low.Size(), high.Size());
  TStringStream out;
  EXPECT_THROW(TBitmap().SaveToJpegStream(out, 80), EInvalidGraphic);
  EXPECT_EQ(out.Size(), 0);
}

}  // namespace
}  // namespace rv
