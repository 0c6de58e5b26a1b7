#pragma once
// Pictures: TGraphic, the base of every kind of picture, and TBitmap, a
// 24-bit image read from and written to Windows BMP files and written as JPEG.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classes/Persistent.h"

namespace rv {

class TStream;

// A colour as 0x00BBGGRR.
using TColor = std::int32_t;

constexpr TColor RGBToColor(std::uint8_t R, std::uint8_t G, std::uint8_t B) {
  return static_cast<TColor>(R | (G << 8) | (B << 16));
}
constexpr std::uint8_t GetRValue(TColor C) { return static_cast<std::uint8_t>(C & 0xFF); }
constexpr std::uint8_t GetGValue(TColor C) { return static_cast<std::uint8_t>((C >> 8) & 0xFF); }
constexpr std::uint8_t GetBValue(TColor C) { return static_cast<std::uint8_t>((C >> 16) & 0xFF); }

class TGraphic : public TPersistent {
  RV_CLASS(TGraphic, TPersistent)
 public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int value) = 0;
  virtual void SetHeight(int value) = 0;
  virtual bool Empty() const = 0;

  // Reads a picture from the stream's position on; raises EInvalidGraphic
  // for data it can't read and keeps the picture it had then.
  virtual void LoadFromStream(TStream& Stream) = 0;
  virtual void SaveToStream(TStream& Stream) const = 0;
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;
};

class TBitmap : public TGraphic {
  RV_CLASS(TBitmap, TGraphic)
 public:
  TBitmap() = default;
  TBitmap(int Width, int Height) { SetSize(Width, Height); }

  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  void SetWidth(int value) override { SetSize(value, FHeight); }
  void SetHeight(int value) override { SetSize(FWidth, value); }
  bool Empty() const override { return FWidth == 0 || FHeight == 0; }
  // Keeps the pixels both sizes share; new pixels are black. Raises
  // EInvalidGraphicOperation for a negative or too large size.
  void SetSize(int Width, int Height);

  // Row Row (0 at the top): Width pixels of three bytes, blue, green, red.
  // Raises EInvalidGraphicOperation for a row outside the bitmap.
  std::uint8_t* ScanLine(int Row);
  const std::uint8_t* ScanLine(int Row) const;
  // Outside the bitmap Pixel gives -1 and SetPixel does nothing.
  TColor Pixel(int X, int Y) const;
  void SetPixel(int X, int Y, TColor Color);

  void Assign(const TPersistent* Source) override;

  // Reads 24- and 32-bit uncompressed BMPs and 8-bit paletted ones.
  void LoadFromStream(TStream& Stream) override;
  // Writes a 24-bit bottom-up BMP.
  void SaveToStream(TStream& Stream) const override;
  // Quality 1 (smallest) to 100 (best). Raises EInvalidGraphic for an empty bitmap.
  void SaveToJpegStream(TStream& Stream, int Quality) const;
  void SaveToJpegFile(const std::string& FileName, int Quality) const;

 private:
  std::size_t RowBytes() const { return static_cast<std::size_t>(FWidth) * 3; }

  int FWidth = 0;
  int FHeight = 0;
  std::vector<std::uint8_t> FPixels;  // top row first, RowBytes() per row
};

}  // namespace rv
