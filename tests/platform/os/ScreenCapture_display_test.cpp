// Runs under Xvfb with a 1024x768 screen of depth 24.

#include <gtest/gtest.h>

#include <cstring>

#include "platform/graphics/Graphics.h"
#include "platform/os/ScreenCapture.h"
#include "platform/os/X11Display.h"
#include "tests/support/TempDir.h"

// Last: Xlib's macros (None, Bool, Status...) would break the headers above.
#include <X11/Xlib.h>

namespace rv {
namespace {

struct Rect {
  int x, y, w, h;
  TColor color;
};

void fill(TX11Display& display, const std::vector<Rect>& rects) {
  Display* d = display.Handle();
  Visual* v = DefaultVisual(d, DefaultScreen(d));
  auto place = [](unsigned long mask, unsigned long value) { return (value * (mask & -mask)) & mask; };
  GC gc = XCreateGC(d, DefaultRootWindow(d), 0, nullptr);
  for (const Rect& r : rects) {
    XSetForeground(d, gc,
                   place(v->red_mask, GetRValue(r.color)) | place(v->green_mask, GetGValue(r.color)) |
                       place(v->blue_mask, GetBValue(r.color)));
    XFillRectangle(d, DefaultRootWindow(d), gc, r.x, r.y, unsigned(r.w), unsigned(r.h));
  }
  XFreeGC(d, gc);
  XSync(d, False);
}

void expectSame(const TBitmap& a, const TBitmap& b) {
  ASSERT_EQ(std::make_pair(a.Width(), a.Height()), std::make_pair(b.Width(), b.Height()));
  for (int y = 0; y < a.Height(); ++y) ASSERT_EQ(std::memcmp(a.ScanLine(y), b.ScanLine(y), a.Width() * 3u), 0) << y;
}

TEST(ScreenCaptureDisplay, CaptureIsA1024x768BmpOfWhatWasDrawn) {
  TX11Display display;
  ASSERT_TRUE(display.Opened());
  const std::vector<Rect> rects = {{0, 0, 100, 80, RGBToColor(255, 0, 0)},
                                   {300, 200, 150, 120, RGBToColor(0x12, 0x34, 0x56)},
                                   {500, 10, 40, 700, RGBToColor(0xFE, 0xDC, 0xBA)},
                                   {1000, 700, 24, 68, RGBToColor(0, 255, 0)}};  // the bottom right corner
  fill(display, rects);
  TScreenCapture capture(display);
  EXPECT_EQ(std::make_tuple(capture.Available(), capture.Width(), capture.Height()), std::make_tuple(true, 1024, 768));
  int w = 0, h = 0;
  EXPECT_TRUE(PrimaryScreenSize(w, h));
  EXPECT_EQ(std::make_pair(w, h), std::make_pair(1024, 768));

  TBitmap shared, plain, own;
  ASSERT_TRUE(capture.Capture(shared));
  EXPECT_TRUE(capture.UsedSharedMemory());
  capture.SetAllowSharedMemory(false);
  ASSERT_TRUE(capture.Capture(plain));
  EXPECT_FALSE(capture.UsedSharedMemory());
  ASSERT_TRUE(CaptureScreen(own));
  for (const Rect& r : rects)
    for (int y = r.y; y < r.y + r.h; y += 7)
      for (int x = r.x; x < r.x + r.w; x += 5) ASSERT_EQ(shared.Pixel(x, y), r.color) << x << "," << y;
  EXPECT_EQ(shared.Pixel(1023, 767), RGBToColor(0, 255, 0));
  expectSame(shared, plain);
  expectSame(shared, own);

  rvtest::TempDir dir;
  shared.SaveToFile(dir.File("screen.bmp"));
  EXPECT_EQ(rvtest::ReadFile(dir.File("screen.bmp")).size(), 54u + 1024 * 3 * 768);
  TBitmap back;
  back.LoadFromFile(dir.File("screen.bmp"));
  expectSame(shared, back);

  // The shared image is reused: later captures still follow the screen.
  for (int round = 0; round < 3; ++round) {
    const TColor color = RGBToColor(std::uint8_t(40 * round), 200, 7);
    fill(display, {{10, 400, 20, 20, color}});
    capture.SetAllowSharedMemory(true);
    ASSERT_TRUE(capture.Capture(shared));
    EXPECT_EQ(shared.Pixel(15, 405), color) << round;
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
    EXPECT_EQ(XGetImage(d, DefaultRootWindow(d), 0, 0, 4000, 4000, AllPlanes, ZPixmap), nullptr);
    EXPECT_FALSE(trap.Sync());
    EXPECT_EQ(trap.ErrorCode(), BadMatch);
  }
  EXPECT_TRUE(outer.Sync());
}

}  // namespace
}  // namespace rv
