#pragma once
// Colours and pictures: TColor with the standard and system colours,
// TGraphic, the base of every kind of picture, TBitmap, a 24-bit image read
// from and written to Windows BMP files and written as JPEG, TIcon, a 32-bit
// image with transparency read from and written to .ico files, and TPicture,
// the holder of any one graphic that controls store in form files.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/Events.h"
#include "platform/classes/Persistent.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TStream;

// ---- Colours ------------------------------------------------------------------

// A colour as 0x00BBGGRR, or a system colour: clSystemColor with the index
// of the colour in the low byte, resolved by ColorToRGB.
using TColor = std::int32_t;

constexpr TColor RGBToColor(std::uint8_t R, std::uint8_t G, std::uint8_t B) {
  return static_cast<TColor>(R | (G << 8) | (B << 16));
}
constexpr std::uint8_t GetRValue(TColor C) { return static_cast<std::uint8_t>(C & 0xFF); }
constexpr std::uint8_t GetGValue(TColor C) { return static_cast<std::uint8_t>((C >> 8) & 0xFF); }
constexpr std::uint8_t GetBValue(TColor C) { return static_cast<std::uint8_t>((C >> 16) & 0xFF); }

constexpr TColor clSystemColor = static_cast<TColor>(0xFF000000u);
constexpr TColor clScrollBar = clSystemColor | 0;
constexpr TColor clBackground = clSystemColor | 1;
constexpr TColor clActiveCaption = clSystemColor | 2;
constexpr TColor clInactiveCaption = clSystemColor | 3;
constexpr TColor clMenu = clSystemColor | 4;
constexpr TColor clWindow = clSystemColor | 5;
constexpr TColor clWindowFrame = clSystemColor | 6;
constexpr TColor clMenuText = clSystemColor | 7;
constexpr TColor clWindowText = clSystemColor | 8;
constexpr TColor clCaptionText = clSystemColor | 9;
constexpr TColor clActiveBorder = clSystemColor | 10;
constexpr TColor clInactiveBorder = clSystemColor | 11;
constexpr TColor clAppWorkSpace = clSystemColor | 12;
constexpr TColor clHighlight = clSystemColor | 13;
constexpr TColor clHighlightText = clSystemColor | 14;
constexpr TColor clBtnFace = clSystemColor | 15;
constexpr TColor clBtnShadow = clSystemColor | 16;
constexpr TColor clGrayText = clSystemColor | 17;
constexpr TColor clBtnText = clSystemColor | 18;
constexpr TColor clInactiveCaptionText = clSystemColor | 19;
constexpr TColor clBtnHighlight = clSystemColor | 20;
constexpr TColor cl3DDkShadow = clSystemColor | 21;
constexpr TColor cl3DLight = clSystemColor | 22;
constexpr TColor clInfoText = clSystemColor | 23;
constexpr TColor clInfoBk = clSystemColor | 24;
constexpr TColor clHotLight = clSystemColor | 26;
constexpr TColor clGradientActiveCaption = clSystemColor | 27;
constexpr TColor clGradientInactiveCaption = clSystemColor | 28;
constexpr TColor clMenuHighlight = clSystemColor | 29;
constexpr TColor clMenuBar = clSystemColor | 30;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

// The RGB value of a colour: system colours from a fixed table (an unknown
// index gives black), every other value unchanged.
TColor ColorToRGB(TColor Color);
// The name of a colour that has one ("clBtnFace"), and back (case-insensitive).
bool ColorToIdent(TColor Color, std::string& Ident);
bool IdentToColor(std::string_view Ident, TColor& Color);

// A size in pixels.
struct TSize {
  std::int32_t cx = 0;
  std::int32_t cy = 0;
  bool operator==(const TSize&) const = default;
};

// ---- Graphics ---------------------------------------------------------------------

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

  // The stored form ("Data"): the bytes SaveToStream writes, none for an
  // empty graphic. Setting no bytes empties the graphic.
  std::vector<std::uint8_t> Data() const;
  void SetData(const std::vector<std::uint8_t>& Value);

  // Raised after the picture changed as a whole (a new size, loaded data,
  // an assignment); drawing into the pixels directly does not raise it.
  TNotifyEvent OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

 protected:
  void Changed();

 private:
  TNotifyEvent FOnChange;
};

// A graphic held as rows of pixels of one size, top row first; TBitmap and
// TIcon differ in the bytes of a pixel and in the sizes they take.
class TRasterGraphic : public TGraphic {
  RV_CLASS(TRasterGraphic, TGraphic)
 public:
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  void SetWidth(int value) override { SetSize(value, FHeight); }
  void SetHeight(int value) override { SetSize(FWidth, value); }
  bool Empty() const override { return FWidth == 0 || FHeight == 0; }
  // Keeps the pixels both sizes share; new pixels are all zero. Raises
  // EInvalidGraphicOperation for a size this kind of graphic can't take.
  void SetSize(int Width, int Height);
  // From a graphic of the same class: a copy of its pixels.
  void Assign(const TPersistent* Source) override;

 protected:
  explicit TRasterGraphic(int BytesPerPixel) : FBytesPerPixel(BytesPerPixel) {}
  // Raises EInvalidGraphicOperation for a size this kind of graphic refuses.
  virtual void CheckSize(int Width, int Height) const = 0;
  std::size_t RowBytes() const { return static_cast<std::size_t>(FWidth) * FBytesPerPixel; }
  // The bytes of a pixel, or null outside the graphic.
  std::uint8_t* PixelAt(int X, int Y);
  const std::uint8_t* PixelAt(int X, int Y) const;
  const std::uint8_t* Pixels() const { return FPixels.data(); }
  // Takes pixels read from a file: Width * Height of them, rows top first.
  void Replace(int Width, int Height, std::vector<std::uint8_t> Pixels);

 private:
  int FBytesPerPixel;
  int FWidth = 0;
  int FHeight = 0;
  std::vector<std::uint8_t> FPixels;
};

class TBitmap : public TRasterGraphic {
  RV_CLASS(TBitmap, TRasterGraphic)
 public:
  TBitmap() : TRasterGraphic(3) {}
  TBitmap(int Width, int Height) : TRasterGraphic(3) { SetSize(Width, Height); }

  // Row Row (0 at the top): Width pixels of three bytes, blue, green, red.
  // Raises EInvalidGraphicOperation for a row outside the bitmap.
  std::uint8_t* ScanLine(int Row);
  const std::uint8_t* ScanLine(int Row) const;
  // Outside the bitmap Pixel gives -1 and SetPixel does nothing.
  TColor Pixel(int X, int Y) const;
  void SetPixel(int X, int Y, TColor Color);

  // A transparent bitmap is drawn without its pixels of TransparentColor.
  // Until a colour is set that is the colour of the bottom left pixel, so a
  // picture drawn on a background of its own shows without it. Neither is
  // part of the stored form.
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  TColor TransparentColor() const;
  void SetTransparentColor(TColor Value);
  // From another bitmap: its pixels and its transparency.
  void Assign(const TPersistent* Source) override;

  // Reads 24- and 32-bit uncompressed BMPs and 1-, 4- and 8-bit paletted ones.
  void LoadFromStream(TStream& Stream) override;
  // Writes a 24-bit bottom-up BMP.
  void SaveToStream(TStream& Stream) const override;
  // Quality 1 (smallest) to 100 (best). Raises EInvalidGraphic for an empty bitmap.
  void SaveToJpegStream(TStream& Stream, int Quality) const;
  void SaveToJpegFile(const std::string& FileName, int Quality) const;

 protected:
  // Negative sizes and pixels beyond the memory limit are refused.
  void CheckSize(int Width, int Height) const override;

 private:
  bool FTransparent = false;
  TColor FTransparentColor = clDefault;  // clDefault: the bottom left pixel's
};

// Identifiers of the stock icons.
constexpr int IDI_APPLICATION = 32512;
constexpr int IDI_HAND = 32513;
constexpr int IDI_ERROR = IDI_HAND;

class TIcon : public TRasterGraphic {
  RV_CLASS(TIcon, TRasterGraphic)
 public:
  // The largest icon an .ico file can hold.
  static constexpr int MaxSize = 256;

  TIcon() : TRasterGraphic(4) {}

  // The pixels, top row first: Width() * 4 bytes a row, red, green, blue,
  // alpha (0 transparent, 255 opaque), colours not premultiplied.
  const std::uint8_t* Bits() const { return Pixels(); }
  // Outside the icon Pixel gives -1 and Alpha 0; SetPixel does nothing.
  TColor Pixel(int X, int Y) const;
  std::uint8_t Alpha(int X, int Y) const;
  void SetPixel(int X, int Y, TColor Color, std::uint8_t Alpha = 255);

  // Reads an .ico file: of its images the largest, then the deepest, in
  // any of the uncompressed formats (1, 4 and 8 bits with a palette, 24 and
  // 32 bits), with its transparency mask or alpha channel. Images stored as
  // PNG are skipped.
  void LoadFromStream(TStream& Stream) override;
  // Writes an .ico file with one 32-bit image (alpha and mask).
  void SaveToStream(TStream& Stream) const override;

  // Replaces the picture by one of the system's stock icons. Linux has none
  // without an icon theme, so the framework draws its own: IDI_HAND (the
  // error icon) is a 32x32 red disc with a white cross. Raises
  // EInvalidGraphic for an identifier it has no picture for.
  void LoadStockIcon(int Id);

 protected:
  // Sizes outside 0..MaxSize are refused.
  void CheckSize(int Width, int Height) const override;
};

// Holds one graphic of any kind, owned by the picture. Controls publish it;
// it is stored as "Data": the length of the graphic's class name in one
// byte, the class name, then the graphic's own stored form, so a stored
// picture reads back as the same class.
class TPicture : public TPersistent {
  RV_CLASS(TPicture, TPersistent)
 public:
  TPicture();
  ~TPicture() override;
  TPicture(const TPicture&) = delete;
  TPicture& operator=(const TPicture&) = delete;

  // The graphic held, or null.
  TGraphic* Graphic() const { return FGraphic.get(); }
  // Holds a copy of Value (null: none).
  void SetGraphic(const TGraphic* Value);
  // The graphic as a bitmap or icon; when it is of another kind (or there is
  // none) it is replaced by an empty one first.
  TBitmap* Bitmap();
  TIcon* Icon();
  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }

  // From another picture (a copy of its graphic), from a graphic, or from
  // null (empties the picture).
  void Assign(const TPersistent* Source) override;

  // Raises EInvalidGraphic for data of an unknown class or that the class
  // can't read; the picture is left as it was.
  std::vector<std::uint8_t> Data() const;
  void SetData(const std::vector<std::uint8_t>& Value);

  // Raised when the picture gets another graphic or its graphic changes.
  TNotifyEvent OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

 private:
  void Hold(std::unique_ptr<TGraphic> Value);
  void Changed(TObject* Sender);

  std::unique_ptr<TGraphic> FGraphic;
  TNotifyEvent FOnChange;
};

}  // namespace rv
