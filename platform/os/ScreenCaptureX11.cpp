#include "platform/os/ScreenCapture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <bit>
#include <cstring>

#include "platform/graphics/Graphics.h"
#include "platform/os/X11Display.h"

namespace RV_API rv {

namespace {

// A colour channel: where its bits sit in a pixel, and how to widen them to 8.
struct TChannel {
  int Shift = 0;
  std::uint32_t Max = 0;

  explicit TChannel(std::uint32_t mask)
      : Shift(mask ? std::countr_zero(mask) : 0), Max(mask ? mask >> std::countr_zero(mask) : 0) {}
  std::uint8_t Of(std::uint32_t pixel) const {
    if (Max == 0) return 0;
    const std::uint32_t v = (pixel >> Shift) & Max;
    return Max == 255 ? static_cast<std::uint8_t>(v)
                      : static_cast<std::uint8_t>((std::uint64_t{v} * 255 + Max / 2) / Max);
  }
};

std::uint32_t readPixel(const std::uint8_t* p, int bytes, bool msbFirst) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) {
    const int shift = msbFirst ? 8 * (bytes - 1 - i) : 8 * i;
    v |= static_cast<std::uint32_t>(p[i]) << shift;
  }
  return v;
}

bool readable(const TPixelLayout& layout, int bytesPerLine, int width) {
  const int bytes = layout.BitsPerPixel / 8;
  return layout.BitsPerPixel % 8 == 0 && bytes >= 1 && bytes <= 4 && bytesPerLine >= width * bytes;
}

struct TXImageDeleter {
  void operator()(XImage* image) const { XDestroyImage(image); }
};
using TXImagePtr = std::unique_ptr<XImage, TXImageDeleter>;

}  // namespace

bool ConvertPixels(const TPixelLayout& Layout, const std::uint8_t* Data, int BytesPerLine, TBitmap& Bitmap) {
  if (!readable(Layout, BytesPerLine, Bitmap.Width())) return false;
  const int bytes = Layout.BitsPerPixel / 8;
  const int w = Bitmap.Width();
  // The usual 24-bit layout in 32-bit pixels, little-endian: B, G, R, X.
  const bool direct = bytes == 4 && !Layout.MsbFirst && Layout.RedMask == 0xFF0000 && Layout.GreenMask == 0xFF00 &&
                      Layout.BlueMask == 0xFF;
  const TChannel red(Layout.RedMask), green(Layout.GreenMask), blue(Layout.BlueMask);
  for (int y = 0; y < Bitmap.Height(); ++y) {
    const std::uint8_t* src = Data + static_cast<std::size_t>(y) * BytesPerLine;
    std::uint8_t* dst = Bitmap.ScanLine(y);
    if (direct) {
      for (int x = 0; x < w; ++x, src += 4, dst += 3) std::memcpy(dst, src, 3);
      continue;
    }
    for (int x = 0; x < w; ++x, src += bytes, dst += 3) {
      const std::uint32_t pixel = readPixel(src, bytes, Layout.MsbFirst);
      dst[0] = blue.Of(pixel);
      dst[1] = green.Of(pixel);
      dst[2] = red.Of(pixel);
    }
  }
  return true;
}

struct TScreenCapture::TImpl {
  std::unique_ptr<TX11Display> Owned;
  Display* Dpy = nullptr;
  bool AllowShm = true;
  bool ShmFailed = false;
  bool UsedShm = false;
  // The shared segment, kept for the next capture while the size stays.
  XShmSegmentInfo Segment{};
  TXImagePtr ShmImage;

  explicit TImpl(Display* display) : Dpy(display) {}
  ~TImpl() { ReleaseShm(); }

  int Width() const { return Dpy ? DisplayWidth(Dpy, DefaultScreen(Dpy)) : 0; }
  int Height() const { return Dpy ? DisplayHeight(Dpy, DefaultScreen(Dpy)) : 0; }

  void ReleaseShm() {
    if (!ShmImage) return;
    {
      TX11ErrorTrap trap(Dpy);
      XShmDetach(Dpy, &Segment);
    }
    // The image's data is the segment, detached separately.
    ShmImage->data = nullptr;
    ShmImage.reset();
    shmdt(Segment.shmaddr);
    Segment = {};
  }

  bool PrepareShm(int w, int h) {
    if (ShmImage && ShmImage->width == w && ShmImage->height == h) return true;
    ReleaseShm();
    if (!XShmQueryExtension(Dpy)) return false;
    const int screen = DefaultScreen(Dpy);
    TXImagePtr image(
        XShmCreateImage(Dpy, DefaultVisual(Dpy, screen), DefaultDepth(Dpy, screen), ZPixmap, nullptr, &Segment, w, h));
    if (!image) return false;
    Segment.shmid = shmget(IPC_PRIVATE, static_cast<std::size_t>(image->bytes_per_line) * h, IPC_CREAT | 0600);
    if (Segment.shmid < 0) return false;
    void* address = shmat(Segment.shmid, nullptr, 0);
    bool attached = false;
    if (address != reinterpret_cast<void*>(-1)) {
      Segment.shmaddr = image->data = static_cast<char*>(address);
      Segment.readOnly = False;
      // A remote server can't attach our memory: that shows as an error here.
      TX11ErrorTrap trap(Dpy);
      attached = XShmAttach(Dpy, &Segment) && trap.Sync();
    }
    // Removed now, the segment lives only as long as the attachments.
    shmctl(Segment.shmid, IPC_RMID, nullptr);
    if (!attached) {
      if (address != reinterpret_cast<void*>(-1)) shmdt(address);
      image->data = nullptr;
      Segment = {};
      return false;
    }
    ShmImage = std::move(image);
    return true;
  }

  // The screen's pixels: the shared image (not owned) or a new one (owned).
  XImage* Grab(int w, int h, TXImagePtr& owned) {
    UsedShm = false;
    const Window root = DefaultRootWindow(Dpy);
    if (AllowShm && !ShmFailed) {
      if (PrepareShm(w, h)) {
        TX11ErrorTrap trap(Dpy);
        if (XShmGetImage(Dpy, root, ShmImage.get(), 0, 0, AllPlanes) && trap.Sync()) {
          UsedShm = true;
          return ShmImage.get();
        }
      }
      ShmFailed = true;
      ReleaseShm();
    }
    TX11ErrorTrap trap(Dpy);
    owned.reset(XGetImage(Dpy, root, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes, ZPixmap));
    if (!trap.Sync()) owned.reset();
    return owned.get();
  }
};

TScreenCapture::TScreenCapture() : FImpl(std::make_unique<TImpl>(nullptr)) {
  FImpl->Owned = std::make_unique<TX11Display>();
  FImpl->Dpy = FImpl->Owned->Handle();
}

TScreenCapture::TScreenCapture(TX11Display& Display) : FImpl(std::make_unique<TImpl>(Display.Handle())) {}

TScreenCapture::~TScreenCapture() = default;

bool TScreenCapture::Available() const { return FImpl->Dpy != nullptr; }
int TScreenCapture::Width() const { return FImpl->Width(); }
int TScreenCapture::Height() const { return FImpl->Height(); }
bool TScreenCapture::AllowSharedMemory() const { return FImpl->AllowShm; }
void TScreenCapture::SetAllowSharedMemory(bool value) { FImpl->AllowShm = value; }
bool TScreenCapture::UsedSharedMemory() const { return FImpl->UsedShm; }

bool TScreenCapture::Capture(TBitmap& Bitmap) {
  if (!FImpl->Dpy) return false;
  const Visual* visual = DefaultVisual(FImpl->Dpy, DefaultScreen(FImpl->Dpy));
  // Colour-mapped screens have no masks to read pixels with.
  if (visual->c_class != TrueColor && visual->c_class != DirectColor) return false;
  const int w = FImpl->Width(), h = FImpl->Height();
  TXImagePtr owned;
  XImage* image = FImpl->Grab(w, h, owned);
  if (!image) return false;
  TPixelLayout layout;
  layout.BitsPerPixel = image->bits_per_pixel;
  layout.MsbFirst = image->byte_order == MSBFirst;
  layout.RedMask = static_cast<std::uint32_t>(visual->red_mask);
  layout.GreenMask = static_cast<std::uint32_t>(visual->green_mask);
  layout.BlueMask = static_cast<std::uint32_t>(visual->blue_mask);
  if (!readable(layout, image->bytes_per_line, w)) return false;
  Bitmap.SetSize(w, h);
  return ConvertPixels(layout, reinterpret_cast<const std::uint8_t*>(image->data), image->bytes_per_line, Bitmap);
}

bool PrimaryScreenSize(int& Width, int& Height) {
  TX11Display display;
  if (!display.Opened()) return false;
  Width = DisplayWidth(display.Handle(), DefaultScreen(display.Handle()));
  Height = DisplayHeight(display.Handle(), DefaultScreen(display.Handle()));
  return true;
}

bool CaptureScreen(TBitmap& Bitmap) { return TScreenCapture().Capture(Bitmap); }

}  // namespace rv
