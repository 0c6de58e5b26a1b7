// Icons (.ico files, the stock error icon) and pictures, also in form files.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/FormFile.h"
#include "platform/classes/Stream.h"
#include "platform/classes/Strings.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Exceptions.h"

using namespace rv;

namespace {

using Bytes = std::string;

void le16(Bytes& b, unsigned v) {
  b += static_cast<char>(v & 0xFF);
  b += static_cast<char>((v >> 8) & 0xFF);
}
void le32(Bytes& b, std::uint32_t v) {
  le16(b, v & 0xFFFF);
  le16(b, v >> 16);
}

// One image of an .ico file: header fields, palette (B, G, R, 0 each), the
// colour rows and the mask rows, both bottom row first and already padded.
struct Dib {
  std::int32_t Width = 2, Height = 2;
  unsigned Bits = 32, Planes = 1;
  std::uint32_t Compression = 0, ColorsUsed = 0, HeaderSize = 40;
  Bytes Palette, Pixels, Mask;

  Bytes Encode() const {
    Bytes b;
    le32(b, HeaderSize);
    le32(b, static_cast<std::uint32_t>(Width));
    le32(b, static_cast<std::uint32_t>(Height * 2));
    le16(b, Planes);
    le16(b, Bits);
    le32(b, Compression);
    le32(b, 0);
    le32(b, 0);
    le32(b, 0);
    le32(b, ColorsUsed);
    le32(b, 0);
    if (HeaderSize > 40 && HeaderSize <= 100) b += Bytes(HeaderSize - 40, '\0');
    return b + Palette + Pixels + Mask;
  }
};

// An .ico file of these images, laid out one after the other.
Bytes ico(const std::vector<Bytes>& images, unsigned type = 1) {
  Bytes b;
  le16(b, 0);
  le16(b, type);
  le16(b, static_cast<unsigned>(images.size()));
  std::uint32_t offset = static_cast<std::uint32_t>(6 + 16 * images.size());
  for (const Bytes& image : images) {
    b += Bytes(4, '\0');  // width, height, colours, reserved: readers use the image's header
    le16(b, 1);
    le16(b, 32);
    le32(b, static_cast<std::uint32_t>(image.size()));
    le32(b, offset);
    offset += static_cast<std::uint32_t>(image.size());
  }
  for (const Bytes& image : images) b += image;
  return b;
}

Bytes row(std::initializer_list<int> bytes) {
  Bytes b;
  for (int v : bytes) b += static_cast<char>(v);
  return b;
}

void load(TIcon& icon, const Bytes& bytes) {
  TStringStream stream(bytes);
  icon.LoadFromStream(stream);
}

Bytes save(const TGraphic& graphic) {
  TStringStream stream;
  graphic.SaveToStream(stream);
  return stream.DataString();
}

// The pixels as "RRGGBBAA" words, row by row.
std::vector<std::string> pixels(const TIcon& icon) {
  std::vector<std::string> out;
  char word[16];
  for (int y = 0; y < icon.Height(); ++y)
    for (int x = 0; x < icon.Width(); ++x) {
      const TColor c = icon.Pixel(x, y);
      std::snprintf(word, sizeof word, "%02X%02X%02X%02X", GetRValue(c), GetGValue(c), GetBValue(c), icon.Alpha(x, y));
      out.emplace_back(word);
    }
  return out;
}

TEST(TIcon, WritesAnIcoFileThatReadsBackWithItsTransparency) {
  for (int size : {1, 3, 33, 256}) {
    TIcon icon;
    icon.SetSize(size, size == 1 ? 1 : 2);
    icon.SetPixel(0, 0, RGBToColor(1, 2, 3), 255);
    icon.SetPixel(size - 1, 0, RGBToColor(200, 100, 50), 128);
    icon.SetPixel(0, icon.Height() - 1, clBlue, 0);
    const Bytes bytes = save(icon);
    EXPECT_EQ(static_cast<unsigned char>(bytes[6]), size == 256 ? 0 : size);  // 256 is stored as 0
    TIcon back;
    load(back, bytes);
    EXPECT_EQ(pixels(back), pixels(icon)) << size;
  }
  TIcon empty;
  EXPECT_THROW(save(empty), EInvalidGraphic);
  EXPECT_TRUE(empty.Data().empty());
}

TEST(TIcon, ReadsEveryUncompressedDepth) {
  // 2x2 images; the mask hides the top right pixel (stored in the last row).
  const Bytes mask = row({0, 0, 0, 0}) + row({0x40, 0, 0, 0});
  const Bytes twoColours = row({0, 0, 0, 0}) + row({0xFF, 0xFF, 0xFF, 0});         // black, white
  const Bytes sixteen = twoColours + row({0, 0, 0xFF, 0}) + row({0, 0xFF, 0, 0});  // + red, green
  const struct {
    const char* Name;
    Dib Image;
    std::vector<std::string> Expected;  // top left, top right, bottom left, bottom right
  } cases[] = {
      {"1 bit",
       {2, 2, 1, 1, 0, 0, 40, twoColours, row({0x40, 0, 0, 0}) + row({0x80, 0, 0, 0}), mask},
       {"FFFFFFFF", "00000000", "000000FF", "FFFFFFFF"}},
      {"4 bits",
       {2, 2, 4, 1, 0, 4, 40, sixteen, row({0x23, 0, 0, 0}) + row({0x10, 0, 0, 0}), mask},
       {"FFFFFFFF", "00000000", "FF0000FF", "00FF00FF"}},
      {"8 bits",
       {2, 2, 8, 1, 0, 3, 40, sixteen.substr(0, 12), row({2, 0, 0, 0}) + row({1, 1, 0, 0}), mask},
       {"FFFFFFFF", "FFFFFF00", "FF0000FF", "000000FF"}},
      {"24 bits",
       {2, 2, 24, 1, 0, 0, 40, "", row({1, 2, 3, 4, 5, 6, 0, 0}) + row({7, 8, 9, 10, 11, 12, 0, 0}), mask},
       {"090807FF", "0C0B0A00", "030201FF", "060504FF"}},
      {"32 bits, alpha",
       {2, 2, 32, 1, 0, 0, 40, "", row({1, 2, 3, 10, 4, 5, 6, 20}) + row({7, 8, 9, 30, 0, 0, 0, 0}), mask},
       {"0908071E", "00000000", "0302010A", "06050414"}},
      {"32 bits, mask only",
       {2, 2, 32, 1, 0, 0, 40, "", row({1, 2, 3, 0, 4, 5, 6, 0}) + row({7, 8, 9, 0, 0, 0, 0, 0}), mask},
       {"090807FF", "00000000", "030201FF", "060504FF"}},
      {"32 bits, no mask",
       {2, 2, 32, 1, 0, 0, 40, "", row({1, 2, 3, 0, 4, 5, 6, 0}) + row({7, 8, 9, 0, 0, 0, 0, 0}), ""},
       {"090807FF", "000000FF", "030201FF", "060504FF"}},
      {"a longer header",
       {2, 2, 24, 1, 0, 0, 44, "", row({1, 2, 3, 4, 5, 6, 0, 0}) + row({7, 8, 9, 10, 11, 12, 0, 0}), mask},
       {"090807FF", "0C0B0A00", "030201FF", "060504FF"}},
  };
  for (const auto& c : cases) {
    TIcon icon;
    ASSERT_NO_THROW(load(icon, ico({c.Image.Encode()}))) << c.Name;
    EXPECT_EQ(icon.Width(), 2);
    EXPECT_EQ(pixels(icon), c.Expected) << c.Name;
  }
}

TEST(TIcon, TakesTheLargestThenDeepestImageAndSkipsPngOnes) {
  Dib small{1, 1, 24, 1, 0, 0, 40, "", row({0, 0, 0xFF, 0}), row({0, 0, 0, 0})};
  Dib big = small;
  big.Width = big.Height = 2;
  big.Pixels = row({0, 0xFF, 0, 0, 0xFF, 0, 0, 0}) + row({0, 0xFF, 0, 0, 0xFF, 0, 0, 0});
  big.Mask = row({0, 0, 0, 0}) + row({0, 0, 0, 0});
  Dib deeper = big;
  deeper.Bits = 32;
  deeper.Pixels = Bytes(16, '\xFF');
  const Bytes png = "\x89PNG\r\n\x1A\n" + Bytes(40, 'x');
  TIcon icon;
  load(icon, ico({small.Encode(), big.Encode(), png}));
  EXPECT_EQ(icon.Width(), 2);
  EXPECT_EQ(icon.Pixel(0, 0), clLime);
  load(icon, ico({big.Encode(), deeper.Encode()}));
  EXPECT_EQ(icon.Pixel(0, 0), clWhite);
  EXPECT_THROW(load(icon, ico({png})), EInvalidGraphic);
}

TEST(TIcon, MalformedFilesAreRejectedAndLeaveTheIconAlone) {
  const Dib good{2,
                 2,
                 8,
                 1,
                 0,
                 2,
                 40,
                 row({0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0}),
                 row({1, 0, 0, 0}) + row({0, 1, 0, 0}),
                 row({0, 0, 0, 0}) + row({0, 0, 0, 0})};
  auto with = [&](auto change) {
    Dib d = good;
    change(d);
    return ico({d.Encode()});
  };
  const Bytes valid = ico({good.Encode()});
  auto patched = [&](std::size_t at, std::uint32_t value) {
    Bytes b = valid;
    Bytes v;
    le32(v, value);
    b.replace(at, 4, v);
    return b;
  };
  const struct {
    const char* Name;
    Bytes Data;
  } cases[] = {
      {"empty", ""},
      {"short header", valid.substr(0, 5)},
      {"reserved field", "\x01" + valid.substr(1)},
      {"a cursor", ico({good.Encode()}, 2)},
      {"no images", valid.substr(0, 4) + Bytes(2, '\0')},
      {"directory cut", valid.substr(0, 15)},
      {"more entries than the directory holds", valid.substr(0, 4) + "\x03" + valid.substr(5)},
      {"image beyond the end", patched(6 + 12, 1000)},
      {"image size beyond the end", patched(6 + 8, 0xFFFFFFF0u)},
      {"offset and size wrapping", patched(6 + 12, 0xFFFFFFF0u)},
      {"image inside the directory", patched(6 + 12, 4)},
      {"image cut", valid.substr(0, valid.size() - 9)},
      {"header size too small", with([](Dib& d) { d.HeaderSize = 12; })},
      {"header size beyond the image", with([](Dib& d) { d.HeaderSize = 4000; })},
      {"no width", with([](Dib& d) { d.Width = 0; })},
      {"too wide", with([](Dib& d) { d.Width = 257; })},
      {"negative width", with([](Dib& d) { d.Width = -2; })},
      {"no height", with([](Dib& d) { d.Height = 0; })},
      {"negative height", with([](Dib& d) { d.Height = -2; })},
      {"too high", with([](Dib& d) { d.Height = 300; })},
      {"planes", with([](Dib& d) { d.Planes = 2; })},
      {"compressed", with([](Dib& d) { d.Compression = 1; })},
      {"16 bits", with([](Dib& d) { d.Bits = 16; })},
      {"palette larger than the depth", with([](Dib& d) { d.ColorsUsed = 257; })},
      {"palette cut", with([](Dib& d) { d.ColorsUsed = 200; })},
      {"colour index outside the palette", with([](Dib& d) {
         d.Pixels = row({5, 0, 0, 0}) + row({0, 1, 0, 0});
       })},
      {"mask cut", with([](Dib& d) {
         d.Mask = row({0, 0, 0, 0});
       })},
  };
  for (const auto& c : cases) {
    TIcon icon;
    icon.SetSize(1, 1);
    icon.SetPixel(0, 0, clRed, 99);
    EXPECT_THROW(load(icon, c.Data), EInvalidGraphic) << c.Name;
    EXPECT_EQ(pixels(icon), std::vector<std::string>{"FF000063"}) << c.Name;
  }
  TIcon icon;
  EXPECT_NO_THROW(load(icon, valid));
  EXPECT_THROW(icon.SetSize(257, 1), EInvalidGraphicOperation);
  EXPECT_THROW(icon.SetSize(-1, 1), EInvalidGraphicOperation);
}

TEST(TIcon, TheStockErrorIconIsARedDiscWithAWhiteCross) {
  TIcon icon;
  int changes = 0;
  icon.SetOnChange([&](TObject*) { ++changes; });
  icon.LoadStockIcon(32513);
  EXPECT_EQ(changes, 1);
  ASSERT_EQ(icon.Width(), 32);
  ASSERT_EQ(icon.Height(), 32);
  const struct {
    int X, Y;
    TColor Color;
    int Alpha;
  } probes[] = {
      {0, 0, clBlack, 0},    {31, 31, clBlack, 0}, {15, 15, clWhite, 255}, {16, 16, clWhite, 255}, {9, 9, clWhite, 255},
      {22, 9, clWhite, 255}, {16, 2, -1, 255},     {2, 16, -1, 255},       {16, 29, -1, 255},      {32, 0, -1, 0},
  };
  for (const auto& p : probes) {
    EXPECT_EQ(icon.Alpha(p.X, p.Y), p.Alpha) << p.X << "," << p.Y;
    if (p.Color != -1) {
      EXPECT_EQ(icon.Pixel(p.X, p.Y), p.Color) << p.X << "," << p.Y;
    }
  }
  const TColor red = icon.Pixel(16, 2);
  EXPECT_GT(GetRValue(red), 150);
  EXPECT_LT(GetGValue(red), 60);
  EXPECT_EQ(icon.Pixel(2, 16), red);
  EXPECT_EQ(icon.Pixel(32, 0), -1);
  EXPECT_THROW(icon.LoadStockIcon(IDI_APPLICATION), EInvalidGraphic);
  EXPECT_EQ(icon.Width(), 32);
}

TEST(TPicture, HoldsOneGraphicOfAnyKind) {
  TPicture picture;
  int changes = 0;
  picture.SetOnChange([&](TObject* sender) {
    EXPECT_EQ(sender, &picture);
    ++changes;
  });
  EXPECT_EQ(picture.Graphic(), nullptr);
  picture.Bitmap()->SetSize(4, 3);
  EXPECT_EQ(picture.Width(), 4);
  picture.Icon()->LoadStockIcon(IDI_HAND);  // replaces the bitmap
  EXPECT_EQ(picture.Graphic()->ClassName(), "TIcon");
  EXPECT_EQ(picture.Height(), 32);
  EXPECT_EQ(changes, 4);

  TPicture copy;
  copy.Assign(&picture);
  ASSERT_NE(copy.Graphic(), picture.Graphic());
  EXPECT_EQ(pixels(*static_cast<TIcon*>(copy.Graphic())), pixels(*picture.Icon()));
  TBitmap bitmap(2, 2);
  copy.Assign(&bitmap);
  EXPECT_EQ(copy.Graphic()->ClassName(), "TBitmap");
  copy.Assign(nullptr);
  EXPECT_EQ(copy.Graphic(), nullptr);
  TStringList notAPicture;
  EXPECT_THROW(copy.Assign(&notAPicture), EConvertError);
}

TEST(TPicture, DataNamesTheGraphicsClass) {
  TPicture picture;
  EXPECT_TRUE(picture.Data().empty());
  picture.Icon()->LoadStockIcon(IDI_HAND);
  const std::vector<std::uint8_t> data = picture.Data();
  ASSERT_GT(data.size(), 6u);
  EXPECT_EQ(std::string(data.begin(), data.begin() + 6), "\x05TIcon");
  TPicture back;
  back.SetData(data);
  ASSERT_EQ(back.Graphic()->ClassName(), "TIcon");
  EXPECT_EQ(pixels(*back.Icon()), pixels(*picture.Icon()));

  picture.Bitmap()->SetSize(3, 1);
  picture.Bitmap()->SetPixel(2, 0, clRed);
  back.SetData(picture.Data());
  ASSERT_EQ(back.Graphic()->ClassName(), "TBitmap");
  EXPECT_EQ(back.Bitmap()->Pixel(2, 0), clRed);

  const std::string bmpPrefix = "\x07TBitmap";
  const std::vector<std::string> malformed = {
      std::string(1, '\0'), "\x09TBitmap", "\x04TFoo", "\x07TObject", bmpPrefix + "BMxx", "\x05TIcon\x01",
  };
  for (const std::string& m : malformed) {
    EXPECT_THROW(back.SetData(std::vector<std::uint8_t>(m.begin(), m.end())), EInvalidGraphic) << m;
    EXPECT_EQ(back.Bitmap()->Pixel(2, 0), clRed) << m;
  }
  back.SetData({});
  EXPECT_EQ(back.Graphic(), nullptr);
}

TEST(TPicture, PicturesAndIconsRoundTripThroughAFormFile) {
  TForm form(nullptr);
  form.SetName("Pictures");
  auto* image = new TImage(&form);
  image->SetName("Image1");
  image->SetParent(&form);
  image->Picture()->Icon()->LoadStockIcon(IDI_HAND);
  auto* photo = new TImage(&form);
  photo->SetName("Image2");
  photo->SetParent(&form);
  photo->Picture()->Bitmap()->SetSize(2, 2);
  photo->Picture()->Bitmap()->SetPixel(1, 1, RGBToColor(9, 8, 7));
  form.Icon()->LoadStockIcon(IDI_HAND);
  const std::string text = WriteComponentText(form);
  EXPECT_NE(text.find("  Icon.Data = {"), std::string::npos);
  EXPECT_NE(text.find("    Picture.Data = {"), std::string::npos);

  std::unique_ptr<TComponent> read(ReadComponentText(text, nullptr));
  auto* back = dynamic_cast<TForm*>(read.get());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(pixels(*back->Icon()), pixels(*form.Icon()));
  auto* image1 = static_cast<TImage*>(back->FindComponent("Image1"));
  auto* image2 = static_cast<TImage*>(back->FindComponent("Image2"));
  ASSERT_EQ(image1->Picture()->Graphic()->ClassName(), "TIcon");
  EXPECT_EQ(pixels(*image1->Picture()->Icon()), pixels(*image->Picture()->Icon()));
  ASSERT_EQ(image2->Picture()->Graphic()->ClassName(), "TBitmap");
  EXPECT_EQ(image2->Picture()->Bitmap()->Pixel(1, 1), RGBToColor(9, 8, 7));
  EXPECT_EQ(WriteComponentText(*back), text);

  const std::string bad =
      "object F: TForm\r\n  object I: TImage\r\n    Picture.Data = {05544963"
      "6F6E00}\r\n  end\r\nend\r\n";
  try {
    std::unique_ptr<TComponent> never(ReadComponentText(bad, nullptr));
    ADD_FAILURE() << "a broken picture was read";
  } catch (const EReadError& e) {
    EXPECT_NE(std::string(e.Message()).find("I.Picture.Data"), std::string::npos) << e.Message();
  }
}

}  // namespace
