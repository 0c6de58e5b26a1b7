#include "platform/graphics/Graphics.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <utility>

#include <jpeglib.h>

#include "platform/classes/Published.h"
#include "platform/classes/Stream.h"
#include "platform/graphics/LittleEndian.h"
#include "platform/rtl/Exceptions.h"

namespace RV_API rv {

namespace {

// Bitmaps are limited to 1 GiB of pixels, far beyond any screen, so sizes
// never overflow and a hostile file can't ask for absurd memory.
constexpr std::uint64_t maxPixelBytes = std::uint64_t{1} << 30;

constexpr std::size_t fileHeaderSize = 14;
constexpr std::size_t infoHeaderSize = 40;
constexpr std::size_t coreHeaderSize = 12;
constexpr std::uint32_t biRGB = 0, biBitfields = 3;

[[noreturn]] void invalidBitmap(const std::string& reason) {
  throw EInvalidGraphic("Bitmap image is not valid (" + reason + ")");
}

using le::put16;
using le::put32;
using le::u16;
using le::u32;

// The fields of a BMP's headers that decoding needs, checked against the data.
struct TBmpLayout {
  std::uint32_t Width = 0, Height = 0;
  bool TopDown = false;
  unsigned BitCount = 0;
  std::size_t PixelOffset = 0;
  std::size_t RowSize = 0;
  std::size_t PaletteOffset = 0, PaletteCount = 0, PaletteEntry = 4;
};

TBmpLayout readBmpLayout(const std::uint8_t* data, std::size_t size) {
  TBmpLayout l;
  if (size < fileHeaderSize + 4 || data[0] != 'B' || data[1] != 'M') invalidBitmap("no BMP header");
  const std::uint32_t offBits = u32(data + 10);
  const std::uint32_t headerSize = u32(data + 14);
  const std::uint8_t* h = data + fileHeaderSize;
  std::int64_t width, height;
  unsigned planes;
  std::uint32_t compression = biRGB, colorsUsed = 0;
  if (headerSize == coreHeaderSize) {
    if (size < fileHeaderSize + coreHeaderSize) invalidBitmap("truncated header");
    width = u16(h + 4);
    height = u16(h + 6);
    planes = u16(h + 8);
    l.BitCount = u16(h + 10);
    l.PaletteEntry = 3;
  } else if (headerSize >= infoHeaderSize && headerSize <= 1024) {
    if (size < fileHeaderSize + headerSize) invalidBitmap("truncated header");
    width = static_cast<std::int32_t>(u32(h + 4));
    height = static_cast<std::int32_t>(u32(h + 8));
    planes = u16(h + 12);
    l.BitCount = u16(h + 14);
    compression = u32(h + 16);
    colorsUsed = u32(h + 32);
  } else {
    invalidBitmap("unknown header size " + std::to_string(headerSize));
  }
  if (planes != 1) invalidBitmap("planes");
  if (width < 0) invalidBitmap("negative width");
  if (height == std::numeric_limits<std::int32_t>::min()) invalidBitmap("height");
  l.TopDown = height < 0;
  l.Width = static_cast<std::uint32_t>(width);
  l.Height = static_cast<std::uint32_t>(height < 0 ? -height : height);

  std::size_t tableEnd = fileHeaderSize + headerSize;
  if ((l.BitCount == 1 || l.BitCount == 4 || l.BitCount == 8) && compression == biRGB) {
    const std::uint32_t fullPalette = 1u << l.BitCount;
    if (colorsUsed > fullPalette) invalidBitmap("palette size");
    l.PaletteOffset = tableEnd;
    l.PaletteCount = colorsUsed ? colorsUsed : fullPalette;
    tableEnd += l.PaletteCount * l.PaletteEntry;
  } else if (l.BitCount == 32 && compression == biBitfields) {
    // Only the usual masks (the same layout as BI_RGB) are accepted; they
    // follow a 40-byte header and sit inside the larger ones.
    if (headerSize != infoHeaderSize && headerSize < infoHeaderSize + 12) invalidBitmap("masks");
    const std::size_t masks = headerSize == infoHeaderSize ? tableEnd : fileHeaderSize + infoHeaderSize;
    if (headerSize == infoHeaderSize) tableEnd += 12;
    if (size < masks + 12) invalidBitmap("truncated masks");
    if (u32(data + masks) != 0xFF0000 || u32(data + masks + 4) != 0xFF00 || u32(data + masks + 8) != 0xFF)
      invalidBitmap("unsupported colour masks");
  } else if (!((l.BitCount == 24 || l.BitCount == 32) && compression == biRGB)) {
    invalidBitmap("unsupported format: " + std::to_string(l.BitCount) + " bits, compression " +
                  std::to_string(compression));
  }
  if (tableEnd > size) invalidBitmap("truncated palette");
  if (offBits < fileHeaderSize + headerSize || offBits > size) invalidBitmap("pixel offset");
  l.PixelOffset = offBits;

  // Checked first, this bounds both sides, so the row sizes below can't overflow.
  if (std::uint64_t{l.Width} * 3 * l.Height > maxPixelBytes) invalidBitmap("too large");
  const std::uint64_t rowSize = le::dibRowSize(l.Width, l.BitCount);
  if (rowSize * l.Height > size - offBits) invalidBitmap("truncated pixel data");
  l.RowSize = static_cast<std::size_t>(rowSize);
  return l;
}

// The palette index of pixel X of a row of 1, 4 or 8 bits a pixel; the
// leftmost pixel is in the highest bits of its byte.
std::size_t paletteIndex(const std::uint8_t* row, std::uint32_t x, unsigned bitCount) {
  const unsigned perByte = 8 / bitCount;
  const unsigned shift = 8 - bitCount * (x % perByte + 1);
  return (row[x / perByte] >> shift) & ((1u << bitCount) - 1);
}

// libjpeg reports errors through error_exit, which must not return.
struct TJpegError {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
};

[[noreturn]] void jpegFail(j_common_ptr info) { std::longjmp(reinterpret_cast<TJpegError*>(info->err)->Jump, 1); }
void jpegQuiet(j_common_ptr) {}

// Kept free of objects with destructors: a longjmp leaves through it.
bool encodeJpeg(const std::uint8_t* pixels, int width, int height, int quality, unsigned char** out,
                unsigned long* outSize) {
  jpeg_compress_struct info;
  TJpegError error;
  info.err = jpeg_std_error(&error.Manager);
  error.Manager.error_exit = jpegFail;
  error.Manager.output_message = jpegQuiet;
  if (setjmp(error.Jump)) {
    jpeg_destroy_compress(&info);
    return false;
  }
  jpeg_create_compress(&info);
  jpeg_mem_dest(&info, out, outSize);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  while (info.next_scanline < info.image_height) {
    JSAMPROW row = const_cast<JSAMPLE*>(pixels + info.next_scanline * rowBytes);
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  return true;
}

}  // namespace

// ---- TGraphic ---------------------------------------------------------------

const TClass& TGraphic::StaticClass() {
  static const TClass cls =
      TClassBuilder<TGraphic>("TGraphic").Property("Data", &TGraphic::Data, &TGraphic::SetData).Build();
  return cls;
}

void TGraphic::Changed() {
  if (FOnChange) FOnChange(this);
}

std::vector<std::uint8_t> TGraphic::Data() const {
  if (Empty()) return {};
  TStringStream stream;
  SaveToStream(stream);
  const std::string& bytes = stream.DataString();
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

void TGraphic::SetData(const std::vector<std::uint8_t>& Value) {
  if (Value.empty()) {
    SetWidth(0);
    SetHeight(0);
    return;
  }
  TStringStream stream(std::string(Value.begin(), Value.end()));
  LoadFromStream(stream);
}

void TGraphic::LoadFromFile(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& FileName) const {
  TFileStream stream(FileName, fmCreate);
  SaveToStream(stream);
}

// ---- TBitmap ----------------------------------------------------------------

// ---- TRasterGraphic ---------------------------------------------------------------

const TClass& TRasterGraphic::StaticClass() {
  static const TClass cls = TClassBuilder<TRasterGraphic>("TRasterGraphic").Build();
  return cls;
}

void TRasterGraphic::SetSize(int Width, int Height) {
  CheckSize(Width, Height);
  if (Width == FWidth && Height == FHeight) return;
  const std::size_t rowBytes = std::size_t(Width) * FBytesPerPixel;
  std::vector<std::uint8_t> pixels(rowBytes * std::size_t(Height));
  const std::size_t keep = std::min(rowBytes, RowBytes());
  for (int y = 0; y < std::min(Height, FHeight); ++y)
    std::memcpy(pixels.data() + y * rowBytes, FPixels.data() + y * RowBytes(), keep);
  Replace(Width, Height, std::move(pixels));
}

void TRasterGraphic::Assign(const TPersistent* Source) {
  const auto* other = dynamic_cast<const TRasterGraphic*>(Source);
  if (!other || &other->ClassType() != &ClassType()) {
    TGraphic::Assign(Source);
    return;
  }
  if (other != this) Replace(other->FWidth, other->FHeight, other->FPixels);
}

std::uint8_t* TRasterGraphic::PixelAt(int X, int Y) {
  return const_cast<std::uint8_t*>(std::as_const(*this).PixelAt(X, Y));
}

const std::uint8_t* TRasterGraphic::PixelAt(int X, int Y) const {
  if (X < 0 || Y < 0 || X >= FWidth || Y >= FHeight) return nullptr;
  return FPixels.data() + Y * RowBytes() + std::size_t(X) * FBytesPerPixel;
}

void TRasterGraphic::Replace(int Width, int Height, std::vector<std::uint8_t> Pixels) {
  FWidth = Width;
  FHeight = Height;
  FPixels = std::move(Pixels);
  Changed();
}

// ---- TBitmap ----------------------------------------------------------------------

const TClass& TBitmap::StaticClass() {
  static const TClass cls = TClassBuilder<TBitmap>("TBitmap").Build();
  return cls;
}

void TBitmap::CheckSize(int Width, int Height) const {
  if (Width < 0 || Height < 0) throw EInvalidGraphicOperation("Invalid bitmap size");
  if (std::uint64_t(Width) * 3 * std::uint64_t(Height) > maxPixelBytes)
    throw EInvalidGraphicOperation("Bitmap too large");
}

std::uint8_t* TBitmap::ScanLine(int Row) { return const_cast<std::uint8_t*>(std::as_const(*this).ScanLine(Row)); }

const std::uint8_t* TBitmap::ScanLine(int Row) const {
  if (Row < 0 || Row >= Height()) throw EInvalidGraphicOperation("Scan line index out of range");
  return Pixels() + std::size_t(Row) * RowBytes();
}

TColor TBitmap::Pixel(int X, int Y) const {
  const std::uint8_t* p = PixelAt(X, Y);
  return p ? RGBToColor(p[2], p[1], p[0]) : -1;
}

void TBitmap::SetPixel(int X, int Y, TColor Color) {
  std::uint8_t* p = PixelAt(X, Y);
  if (!p) return;
  p[0] = GetBValue(Color);
  p[1] = GetGValue(Color);
  p[2] = GetRValue(Color);
}

void TBitmap::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  Changed();
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentColor != clDefault) return FTransparentColor;
  return Empty() ? clNone : Pixel(0, Height() - 1);
}

void TBitmap::SetTransparentColor(TColor Value) {
  if (FTransparentColor == Value) return;
  FTransparentColor = Value;
  Changed();
}

void TBitmap::Assign(const TPersistent* Source) {
  if (const auto* other = dynamic_cast<const TBitmap*>(Source)) {
    FTransparent = other->FTransparent;
    FTransparentColor = other->FTransparentColor;
  }
  TRasterGraphic::Assign(Source);
}

void TBitmap::LoadFromStream(TStream& Stream) {
  const std::int64_t available = Stream.Size() - Stream.Position();
  if (available < 0 || std::uint64_t(available) > maxPixelBytes * 2) invalidBitmap("stream size");
  std::vector<std::uint8_t> data(static_cast<std::size_t>(available));
  Stream.ReadBuffer(data.data(), available);
  const TBmpLayout l = readBmpLayout(data.data(), data.size());

  // A bitmap with no width or no height is empty whatever the other size says.
  TBitmap loaded;
  if (l.Width > 0 && l.Height > 0) loaded.SetSize(static_cast<int>(l.Width), static_cast<int>(l.Height));
  for (int row = 0; row < loaded.Height(); ++row) {
    const std::uint8_t* src = data.data() + l.PixelOffset + std::size_t(row) * l.RowSize;
    std::uint8_t* dst = loaded.ScanLine(l.TopDown ? row : loaded.Height() - 1 - row);
    for (std::uint32_t x = 0; x < l.Width; ++x, dst += 3) {
      const std::uint8_t* bgr;
      if (l.BitCount <= 8) {
        const std::size_t index = paletteIndex(src, x, l.BitCount);
        if (index >= l.PaletteCount) invalidBitmap("colour index outside the palette");
        bgr = data.data() + l.PaletteOffset + index * l.PaletteEntry;
      } else {
        bgr = src + std::size_t(x) * (l.BitCount / 8);
      }
      dst[0] = bgr[0];
      dst[1] = bgr[1];
      dst[2] = bgr[2];
    }
  }
  Assign(&loaded);
}

void TBitmap::SaveToStream(TStream& Stream) const {
  const std::size_t rowSize = static_cast<std::size_t>(le::dibRowSize(std::uint64_t(Width()), 24));
  const std::size_t imageSize = rowSize * std::size_t(Height());
  const std::size_t headers = fileHeaderSize + infoHeaderSize;
  std::vector<std::uint8_t> out(headers + imageSize);
  std::uint8_t* p = out.data();
  *p++ = 'B';
  *p++ = 'M';
  put32(p, static_cast<std::uint32_t>(out.size()));
  put32(p, 0);  // reserved
  put32(p, static_cast<std::uint32_t>(headers));
  put32(p, infoHeaderSize);
  put32(p, static_cast<std::uint32_t>(Width()));
  put32(p, static_cast<std::uint32_t>(Height()));  // positive: bottom row first
  put16(p, 1);                                     // planes
  put16(p, 24);
  put32(p, biRGB);
  put32(p, static_cast<std::uint32_t>(imageSize));
  put32(p, 3780);  // 96 dots per inch, in dots per metre
  put32(p, 3780);
  put32(p, 0);  // colours used
  put32(p, 0);  // important colours
  for (int y = Height() - 1; rowSize > 0 && y >= 0; --y, p += rowSize) std::memcpy(p, ScanLine(y), RowBytes());
  Stream.WriteBuffer(out.data(), static_cast<std::int64_t>(out.size()));
}

void TBitmap::SaveToJpegStream(TStream& Stream, int Quality) const {
  if (Empty()) throw EInvalidGraphic("Cannot save an empty bitmap as JPEG");
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  const bool encoded = encodeJpeg(Pixels(), Width(), Height(), std::clamp(Quality, 1, 100), &buffer, &size);
  std::unique_ptr<unsigned char, decltype(&std::free)> owned(buffer, &std::free);
  if (!encoded) throw EInvalidGraphic("JPEG encoding failed");
  Stream.WriteBuffer(buffer, static_cast<std::int64_t>(size));
}

void TBitmap::SaveToJpegFile(const std::string& FileName, int Quality) const {
  TFileStream stream(FileName, fmCreate);
  SaveToJpegStream(stream, Quality);
}

}  // namespace rv
