#pragma once
// The primary screen: its size, and captures of it into a bitmap. On X11 the
// screen is the root window of the default screen, read with XShmGetImage
// where shared memory works and XGetImage otherwise. Without a display there
// is no screen: no size, no capture, and no error either.

#include <cstdint>
#include <memory>

#include "platform/rtl/Export.h"

namespace RV_API rv {

class TBitmap;
class TX11Display;

// How a server packs its pixels: bits per pixel (8, 16, 24 or 32), byte
// order, and the visual's colour masks.
struct TPixelLayout {
  int BitsPerPixel = 32;
  bool MsbFirst = false;
  std::uint32_t RedMask = 0xFF0000;
  std::uint32_t GreenMask = 0x00FF00;
  std::uint32_t BlueMask = 0x0000FF;
};

// Fills Bitmap (at its size) from packed rows of BytesPerLine bytes. False,
// with Bitmap unchanged, for a layout it can't read.
bool ConvertPixels(const TPixelLayout& Layout, const std::uint8_t* Data, int BytesPerLine, TBitmap& Bitmap);

class TScreenCapture {
 public:
  // Opens a connection of its own.
  TScreenCapture();
  // Uses the caller's connection, which must outlive the capture.
  explicit TScreenCapture(TX11Display& Display);
  ~TScreenCapture();
  TScreenCapture(const TScreenCapture&) = delete;
  TScreenCapture& operator=(const TScreenCapture&) = delete;

  // A screen is there to capture.
  bool Available() const;
  // The screen's size; 0 without one.
  int Width() const;
  int Height() const;

  // Copies the whole screen into Bitmap, resized to the screen. False, with
  // Bitmap unchanged, when there is no screen or it can't be read.
  bool Capture(TBitmap& Bitmap);

  // Whether shared memory may be tried (by default it is); and whether the
  // last capture used it.
  bool AllowSharedMemory() const;
  void SetAllowSharedMemory(bool value);
  bool UsedSharedMemory() const;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> FImpl;
};

// The primary screen's size; false without a screen.
bool PrimaryScreenSize(int& Width, int& Height);
// One capture of the primary screen; false without a screen.
bool CaptureScreen(TBitmap& Bitmap);

}  // namespace rv
