// TIcon: a 32-bit image with transparency, its .ico reader and writer, and
// the stock icons the framework draws itself.

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/classes/Published.h"
#include "platform/classes/Stream.h"
#include "platform/graphics/Graphics.h"
#include "platform/graphics/LittleEndian.h"
#include "platform/rtl/Exceptions.h"

namespace RV_API rv {

namespace {

using le::u16;
using le::u32;

constexpr std::size_t dirHeaderSize = 6;
constexpr std::size_t dirEntrySize = 16;
constexpr std::size_t infoHeaderSize = 40;
// No real icon file comes near this; a hostile stream can't make us read more.
constexpr std::int64_t maxFileSize = std::int64_t{32} << 20;

[[noreturn]] void invalidIcon(const std::string& reason) {
  throw EInvalidGraphic("Icon image is not valid (" + reason + ")");
}

// One image of an .ico file, its fields checked against the file.
struct TIconImage {
  int Width = 0, Height = 0;
  unsigned BitCount = 0;
  const std::uint8_t* Palette = nullptr;
  std::size_t PaletteCount = 0;
  const std::uint8_t* Xor = nullptr;  // bottom row first
  std::size_t XorRow = 0;
  const std::uint8_t* Mask = nullptr;  // bottom row first; may be absent for 32 bits
  std::size_t MaskRow = 0;
};

bool isPng(const std::uint8_t* p, std::size_t size) {
  static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  return size >= 8 && std::memcmp(p, signature, 8) == 0;
}

// The DIB of one directory entry: a BITMAPINFOHEADER whose height counts the
// colour rows and the mask rows, a palette, the colour rows, the mask rows.
TIconImage readImage(const std::uint8_t* p, std::size_t size) {
  if (size < infoHeaderSize) invalidIcon("truncated image header");
  const std::uint32_t headerSize = u32(p);
  const auto width = static_cast<std::int32_t>(u32(p + 4));
  const auto doubleHeight = static_cast<std::int32_t>(u32(p + 8));
  const unsigned planes = u16(p + 12);
  TIconImage img;
  img.BitCount = u16(p + 14);
  const std::uint32_t compression = u32(p + 16);
  const std::uint32_t colorsUsed = u32(p + 32);
  if (headerSize < infoHeaderSize || headerSize > size) invalidIcon("image header size");
  if (width < 1 || width > TIcon::MaxSize) invalidIcon("width");
  if (doubleHeight < 2 || doubleHeight / 2 > TIcon::MaxSize) invalidIcon("height");
  if (planes != 1) invalidIcon("planes");
  if (compression != 0) invalidIcon("compressed image");
  const unsigned bits = img.BitCount;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32)
    invalidIcon("unsupported depth " + std::to_string(bits));
  img.Width = width;
  img.Height = doubleHeight / 2;

  // All sizes below are bounded by the checks above: no overflow in 64 bits.
  std::uint64_t at = headerSize;
  if (bits <= 8) {
    if (colorsUsed > (1u << bits)) invalidIcon("palette size");
    img.PaletteCount = colorsUsed ? colorsUsed : (1u << bits);
  } else {
    if (colorsUsed > 256) invalidIcon("palette size");
    img.PaletteCount = colorsUsed;  // an optional table, skipped
  }
  if (at + img.PaletteCount * 4 > size) invalidIcon("truncated palette");
  img.Palette = p + at;
  at += img.PaletteCount * 4;
  const std::uint64_t h = static_cast<std::uint64_t>(img.Height);
  img.XorRow = static_cast<std::size_t>(le::dibRowSize(static_cast<std::uint64_t>(width), bits));
  img.MaskRow = static_cast<std::size_t>(le::dibRowSize(static_cast<std::uint64_t>(width), 1));
  if (at + img.XorRow * h > size) invalidIcon("truncated colour data");
  img.Xor = p + at;
  at += img.XorRow * h;
  if (at + img.MaskRow * h <= size)
    img.Mask = p + at;
  else if (bits != 32)
    invalidIcon("truncated mask");
  return img;
}

void decode(const TIconImage& img, std::vector<std::uint8_t>& rgba) {
  const auto w = static_cast<std::size_t>(img.Width);
  rgba.assign(w * 4 * static_cast<std::size_t>(img.Height), 0);
  bool anyAlpha = false;
  for (int row = 0; row < img.Height; ++row) {
    const std::uint8_t* src = img.Xor + static_cast<std::size_t>(row) * img.XorRow;
    std::uint8_t* dst = rgba.data() + static_cast<std::size_t>(img.Height - 1 - row) * w * 4;
    for (std::size_t x = 0; x < w; ++x, dst += 4) {
      const std::uint8_t* bgr;
      if (img.BitCount <= 8) {
        const std::size_t bitPos = x * img.BitCount;
        const unsigned shift = 8 - img.BitCount - static_cast<unsigned>(bitPos % 8);
        const unsigned index = (src[bitPos / 8] >> shift) & ((1u << img.BitCount) - 1);
        if (index >= img.PaletteCount) invalidIcon("colour index outside the palette");
        bgr = img.Palette + index * 4;
      } else {
        bgr = src + x * (img.BitCount / 8);
      }
      dst[0] = bgr[2];
      dst[1] = bgr[1];
      dst[2] = bgr[0];
      dst[3] = img.BitCount == 32 ? bgr[3] : 255;
      anyAlpha = anyAlpha || (img.BitCount == 32 && bgr[3] != 0);
    }
  }
  // Older 32-bit icons leave the alpha bytes empty and rely on the mask.
  const bool useMask = img.Mask && (img.BitCount != 32 || !anyAlpha);
  for (int row = 0; row < img.Height; ++row) {
    const std::uint8_t* mask = img.Mask ? img.Mask + static_cast<std::size_t>(row) * img.MaskRow : nullptr;
    std::uint8_t* dst = rgba.data() + static_cast<std::size_t>(img.Height - 1 - row) * w * 4;
    for (std::size_t x = 0; x < w; ++x, dst += 4) {
      if (useMask)
        dst[3] = (mask[x / 8] >> (7 - x % 8)) & 1 ? 0 : 255;
      else if (img.BitCount == 32 && !anyAlpha)
        dst[3] = 255;
    }
  }
}

// The error icon: a red disc with a white diagonal cross, on transparency.
void drawHand(TIcon& icon) {
  icon.SetSize(32, 32);
  const TColor red = RGBToColor(204, 16, 16);
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      // Distances from the centre, in half pixels so pixel centres are whole.
      const int dx = 2 * x + 1 - 32, dy = 2 * y + 1 - 32;
      if (dx * dx + dy * dy > 31 * 31) continue;
      const bool cross = (std::abs(dx - dy) <= 6 || std::abs(dx + dy) <= 6) && std::abs(dx) <= 17 && std::abs(dy) <= 17;
      icon.SetPixel(x, y, cross ? clWhite : red);
    }
}

}  // namespace

const TClass& TIcon::StaticClass() {
  static const TClass cls = TClassBuilder<TIcon>("TIcon").Build();
  return cls;
}

void TIcon::CheckSize(int Width, int Height) const {
  if (Width < 0 || Height < 0 || Width > MaxSize || Height > MaxSize)
    throw EInvalidGraphicOperation("Invalid icon size");
}

TColor TIcon::Pixel(int X, int Y) const {
  const std::uint8_t* p = PixelAt(X, Y);
  return p ? RGBToColor(p[0], p[1], p[2]) : -1;
}

std::uint8_t TIcon::Alpha(int X, int Y) const {
  const std::uint8_t* p = PixelAt(X, Y);
  return p ? p[3] : 0;
}

void TIcon::SetPixel(int X, int Y, TColor Color, std::uint8_t Alpha) {
  std::uint8_t* p = PixelAt(X, Y);
  if (!p) return;
  p[0] = GetRValue(Color);
  p[1] = GetGValue(Color);
  p[2] = GetBValue(Color);
  p[3] = Alpha;
}

void TIcon::LoadFromStream(TStream& Stream) {
  const std::int64_t available = Stream.Size() - Stream.Position();
  if (available < 0 || available > maxFileSize) invalidIcon("stream size");
  std::vector<std::uint8_t> data(static_cast<std::size_t>(available));
  Stream.ReadBuffer(data.data(), available);
  const std::size_t size = data.size();
  const std::uint8_t* p = data.data();
  if (size < dirHeaderSize || u16(p) != 0 || u16(p + 2) != 1) invalidIcon("no icon header");
  const std::size_t count = u16(p + 4);
  if (count == 0) invalidIcon("no images");
  if (dirHeaderSize + count * dirEntrySize > size) invalidIcon("truncated directory");

  bool found = false;
  TIconImage best;
  for (std::size_t i = 0; i < count; ++i) {
    const std::uint8_t* entry = p + dirHeaderSize + i * dirEntrySize;
    const std::uint64_t bytes = u32(entry + 8), offset = u32(entry + 12);
    if (offset < dirHeaderSize + count * dirEntrySize || offset + bytes > size) invalidIcon("image outside the file");
    if (isPng(p + offset, static_cast<std::size_t>(bytes))) continue;
    TIconImage img = readImage(p + offset, static_cast<std::size_t>(bytes));
    const auto area = [](const TIconImage& a) { return std::int64_t{a.Width} * a.Height; };
    if (!found || area(img) > area(best) || (area(img) == area(best) && img.BitCount > best.BitCount)) best = img;
    found = true;
  }
  if (!found) invalidIcon("no image in a readable format");

  std::vector<std::uint8_t> pixels;
  decode(best, pixels);
  Replace(best.Width, best.Height, std::move(pixels));
}

void TIcon::SaveToStream(TStream& Stream) const {
  if (Empty()) throw EInvalidGraphic("Cannot save an empty icon");
  const std::size_t w = static_cast<std::size_t>(Width()), h = static_cast<std::size_t>(Height());
  const std::size_t maskRow = static_cast<std::size_t>(le::dibRowSize(w, 1));
  const std::size_t imageBytes = infoHeaderSize + w * 4 * h + maskRow * h;
  std::vector<std::uint8_t> out(dirHeaderSize + dirEntrySize + imageBytes);
  std::uint8_t* q = out.data();
  le::put16(q, 0);
  le::put16(q, 1);  // an icon, not a cursor
  le::put16(q, 1);
  *q++ = static_cast<std::uint8_t>(w);  // 256 is written as 0
  *q++ = static_cast<std::uint8_t>(h);
  *q++ = 0;  // colour count
  *q++ = 0;
  le::put16(q, 1);  // planes
  le::put16(q, 32);
  le::put32(q, static_cast<std::uint32_t>(imageBytes));
  le::put32(q, static_cast<std::uint32_t>(dirHeaderSize + dirEntrySize));
  le::put32(q, infoHeaderSize);
  le::put32(q, static_cast<std::uint32_t>(w));
  le::put32(q, static_cast<std::uint32_t>(2 * h));
  le::put16(q, 1);
  le::put16(q, 32);
  le::put32(q, 0);  // uncompressed
  le::put32(q, static_cast<std::uint32_t>(imageBytes - infoHeaderSize));
  q += 16;  // resolution and palette counts: zero
  for (std::size_t row = h; row-- > 0;)
    for (std::size_t x = 0; x < w; ++x) {
      const std::uint8_t* px = Pixels() + (row * w + x) * 4;
      *q++ = px[2];
      *q++ = px[1];
      *q++ = px[0];
      *q++ = px[3];
    }
  for (std::size_t row = h; row-- > 0; q += maskRow)
    for (std::size_t x = 0; x < w; ++x)
      if (Pixels()[(row * w + x) * 4 + 3] == 0) q[x / 8] = static_cast<std::uint8_t>(q[x / 8] | (0x80 >> (x % 8)));
  Stream.WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
}

void TIcon::LoadStockIcon(int Id) {
  if (Id != IDI_HAND) throw EInvalidGraphic("No stock icon " + std::to_string(Id));
  TIcon drawn;
  drawHand(drawn);
  Assign(&drawn);
}

}  // namespace rv
