// Runs under Xvfb with a 1024x768 screen of depth 24.

#include <dlfcn.h>

#include <cstring>

#include <gtest/gtest.h>

#include "platform/forms/Graphics.h"
#include "platform/os/ScreenCapture.h"
#include "platform/os/X11Display.h"
#include "tests/support/TempDir.h"

// Last: Xlib's macros (None, Bool, Status...) would break the headers above.
#include <X11/Xlib.h>

namespace rv {
namespace {

// Tests link only our library, which keeps libX11 to itself; the Xlib calls
// that draw are taken from the copy it loaded.
template <class F>
F* xlib(const char* name) {
  static void* lib = ::dlopen("libX11.so.6", RTLD_NOW | RTLD_NOLOAD);
  return lib ? reinterpret_cast<F*>(::dlsym(lib, name)) : nullptr;
}
#define XLIB(fn) (*xlib<decltype(fn)>(#fn))

struct Rect {
  int x, y, w, h;
  TColor color;
};

const Rect rects[] = {
    {0, 0, 100, 80, RGBToColor(255, 0, 0)},
    {300, 200, 150, 120, RGBToColor(0x12, 0x34, 0x56)},
    {1000, 700, 24, 68, RGBToColor(0, 255, 0)},  // touching the bottom right corner
    {500, 10, 40, 700, RGBToColor(0xFE, 0xDC, 0xBA)},
};

unsigned long pixelOf(Visual* v, TColor c) {
  auto place = [](unsigned long mask, std::uint8_t value) {
    int shift = 0;
    while (!((mask >> shift) & 1)) ++shift;
    return (static_cast<unsigned long>(value) * (mask >> shift) / 255) << shift;
  };
  return place(v->red_mask, GetRValue(c)) | place(v->green_mask, GetGValue(c)) | place(v->blue_mask, GetBValue(c));
}

void drawRects(TX11Display& display) {
  Display* d = display.Handle();
  const Window root = DefaultRootWindow(d);
  GC gc = XLIB(XCreateGC)(d, root, 0, nullptr);
  for (const Rect& r : rects) {
    XLIB(XSetForeground)(d, gc, pixelOf(DefaultVisual(d, DefaultScreen(d)), r.color));
    XLIB(XFillRectangle)(d, root, gc, r.x, r.y, static_cast<unsigned>(r.w), static_cast<unsigned>(r.h));
  }
  XLIB(XFreeGC)(d, gc);
  XLIB(XSync)(d, False);
}

void expectRects(const TBitmap& b) {
  for (const Rect& r : rects)
    for (int y = r.y; y < r.y + r.h; y += 7)
      for (int x = r.x; x < r.x + r.w; x += 5) ASSERT_EQ(b.Pixel(x, y), r.color) << x << "," << y;
  EXPECT_EQ(b.Pixel(1023, 767), RGBToColor(0, 255, 0));
}

void expectSame(const TBitmap& a, const TBitmap& b) {
  ASSERT_EQ(a.Width(), b.Width());
  ASSERT_EQ(a.Height(), b.Height());
  for (int y = 0; y < a.Height(); ++y)
    ASSERT_EQ(std::memcmp(a.ScanLine(y), b.ScanLine(y), static_cast<std::size_t>(a.Width()) * 3), 0) << y;
}

TEST(ScreenCaptureDisplay, CaptureMatchesWhatWasDrawnAndSavesAsBmp) {
  ASSERT_NE(xlib<decltype(XFillRectangle)>("XFillRectangle"), nullptr);
  TX11Display display;
  ASSERT_TRUE(display.Opened());
  drawRects(display);

  TScreenCapture capture(display);
  ASSERT_TRUE(capture.Available());
  EXPECT_EQ(capture.Width(), 1024);
  EXPECT_EQ(capture.Height(), 768);
  int w = 0, h = 0;
  ASSERT_TRUE(PrimaryScreenSize(w, h));
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(1024, 768));

  TBitmap shared, plain, own;
  ASSERT_TRUE(capture.Capture(shared));
  EXPECT_TRUE(capture.UsedSharedMemory());
  capture.SetAllowSharedMemory(false);
  ASSERT_TRUE(capture.Capture(plain));
  EXPECT_FALSE(capture.UsedSharedMemory());
  ASSERT_TRUE(CaptureScreen(own));
  ASSERT_EQ(shared.Width(), 1024);
  ASSERT_EQ(shared.Height(), 768);
  expectRects(shared);
  expectSame(shared, plain);
  expectSame(shared, own);

  rvtest::TempDir dir;
  shared.SaveToFile(dir.File("screen.bmp"));
  const std::string f = rvtest::ReadFile(dir.File("screen.bmp"));
  ASSERT_EQ(f.size(), 54u + 1024 * 3 * 768);
  TBitmap back;
  back.LoadFromFile(dir.File("screen.bmp"));
  expectSame(shared, back);
}

TEST(ScreenCaptureDisplay, RepeatedCapturesFollowTheScreen) {
  TX11Display display;
  ASSERT_TRUE(display.Opened());
  TScreenCapture capture(display);
  TBitmap b;
  for (int round = 0; round < 3; ++round) {
    Display* d = display.Handle();
    GC gc = XLIB(XCreateGC)(d, DefaultRootWindow(d), 0, nullptr);
    const TColor color = RGBToColor(std::uint8_t(40 * round), 200, 7);
    XLIB(XSetForeground)(d, gc, pixelOf(DefaultVisual(d, DefaultScreen(d)), color));
    XLIB(XFillRectangle)(d, DefaultRootWindow(d), gc, 10, 400, 20, 20);
    XLIB(XFreeGC)(d, gc);
    XLIB(XSync)(d, False);
    ASSERT_TRUE(capture.Capture(b));
    EXPECT_EQ(b.Pixel(15, 405), color) << round;
  }
}

TEST(X11ErrorTrap, ProtocolErrorsAreCaughtNotFatal) {
  TX11Display display;
  ASSERT_TRUE(display.Opened());
  Display* d = display.Handle();
  TX11ErrorTrap outer(d);
  {
    TX11ErrorTrap trap(d);
    // Larger than the root window: BadMatch.
    XImage* image = XLIB(XGetImage)(d, DefaultRootWindow(d), 0, 0, 4000, 4000, AllPlanes, ZPixmap);
    EXPECT_EQ(image, nullptr);
    EXPECT_FALSE(trap.Sync());
    EXPECT_EQ(trap.ErrorCode(), BadMatch);
  }
  EXPECT_TRUE(outer.Sync());
  EXPECT_EQ(outer.ErrorCode(), 0);
}

}  // namespace
}  // namespace rv
