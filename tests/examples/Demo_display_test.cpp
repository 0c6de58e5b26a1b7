// Runs the showcase under Xvfb. Its main form comes up in a real window,
// which this test finds and captures from the screen while the showcase
// works: the capture must show a form, not a blank window. The error dialog
// stays up until it is closed (here by the time-out option), and the
// record's path and beginning go to standard output.

#include <gtest/gtest.h>

#include <chrono>
#include <set>
#include <string>
#include <thread>

#include "platform/forms/Messages.h"
#include "platform/graphics/Graphics.h"
#include "platform/os/Process.h"
#include "platform/os/ScreenCapture.h"
#include "platform/os/X11Display.h"
#include "tests/support/TempDir.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

using namespace rv;

namespace {

constexpr const char* kTitle = "REVuziva showcase";

// The showcase's main window: the largest viewable top-level window with its
// title (its message boxes carry the same title). Empty when there is none.
TRect findShowcaseWindow(Display* D) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  TRect found{};
  TX11ErrorTrap trap(D);
  if (!XQueryTree(D, DefaultRootWindow(D), &root, &parent, &children, &count)) return found;
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes a{};
    char* name = nullptr;
    if (!XGetWindowAttributes(D, children[i], &a) || a.map_state != IsViewable) continue;
    const bool titled = XFetchName(D, children[i], &name) && name && std::string(name) == kTitle;
    if (name) XFree(name);
    if (titled && a.width * a.height > (found.Right - found.Left) * (found.Bottom - found.Top))
      found = TRect{a.x, a.y, a.x + a.width, a.y + a.height};
  }
  if (children) XFree(children);
  trap.Sync();
  return found;
}

// What a look at an area of a capture finds: how many colours it holds, and
// how many cells of a 3 x 3 grid over it hold more than one.
struct TLook {
  std::size_t Colours = 0;
  int MixedCells = 0;
};

TLook lookAt(const TBitmap& Capture, const TRect& Area) {
  TLook look;
  std::set<TColor> all;
  const int width = Area.Right - Area.Left, height = Area.Bottom - Area.Top;
  for (int cell = 0; cell < 9; ++cell) {
    std::set<TColor> colours;
    const int left = Area.Left + cell % 3 * width / 3, top = Area.Top + cell / 3 * height / 3;
    for (int y = top; y < top + height / 3; ++y)
      for (int x = left; x < left + width / 3; ++x) colours.insert(Capture.Pixel(x, y));
    if (colours.size() > 1) ++look.MixedCells;
    all.insert(colours.begin(), colours.end());
  }
  look.Colours = all.size();
  return look;
}

// A form with its controls drawn: a handful of colours (face, text, frames,
// the header, the edits' white), and no part of it a blank plane.
bool looksLikeTheForm(const TLook& Look) { return Look.Colours >= 6 && Look.MixedCells == 9; }

TEST(DemoDisplay, TheFormIsShownAndTheDialogStaysUntilClosed) {
  TX11Display display;
  ASSERT_TRUE(display.Opened());
  TScreenCapture screen(display);
  TBitmap capture;
  // The look itself tells an empty screen from a form.
  ASSERT_TRUE(screen.Capture(capture));
  ASSERT_FALSE(looksLikeTheForm(lookAt(capture, TRect{100, 100, 740, 556})));

  rvtest::TempDir dir;
  TProcessResult run;
  std::thread showcase([&] {
    TRunOptions options;
    options.Timeout = std::chrono::seconds(90);
    run = RunProcess({"env", "-C", dir.Path(), RV_DEMO_PROGRAM, "--close-dialog-after=1"}, options);
  });
  // Captured while the showcase works, until a capture shows the form.
  TRect window{};
  TLook seen;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!looksLikeTheForm(seen) && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    const TRect found = findShowcaseWindow(display.Handle());
    if (found.Right == found.Left || !screen.Capture(capture)) continue;
    window = found;
    seen = lookAt(capture, window);
  }
  showcase.join();

  EXPECT_GE(window.Right - window.Left, 600) << "the main form's window was never seen";
  EXPECT_GE(window.Bottom - window.Top, 400);
  EXPECT_TRUE(looksLikeTheForm(seen)) << seen.Colours << " colours, " << seen.MixedCells << " of 9 cells not uniform";

  ASSERT_TRUE(run.ExitedWith(0)) << run.Errors;
  const std::string& out = run.Output;
  const std::size_t shown = out.find("the form is shown while the parts run");
  const std::size_t answers = out.find("the exception log answers with the extended dialog");
  const std::size_t record =
      out.find("the exception log writes its record to " + dir.File("crash.xml") + "; it begins:\n      <DATE>");
  const std::size_t closed = out.find("closing the dialog \"Error\" after 1 s");
  const std::size_t done = out.find("the showcase is done");
  ASSERT_NE(done, std::string::npos) << out;
  EXPECT_NE(out.find("<CLASSNAME>Classname: EConvertError</CLASSNAME>", record), std::string::npos) << out;
  // Closed by the option, so it was still open a second after it came up.
  EXPECT_LT(shown, answers) << out;
  EXPECT_LT(answers, record) << out;
  EXPECT_LT(record, closed) << out;
  EXPECT_LT(closed, done) << out;
}

}  // namespace
