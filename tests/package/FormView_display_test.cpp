#include <gtest/gtest.h>
// After GoogleTest: Xlib defines None.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>

#include "tests/support/Helpers.h"
#include "tests/support/TempDir.h"

namespace {

using TDisplay = std::unique_ptr<Display, int (*)(Display*)>;

// A top-level window (or a child of the window manager's frame) with this title.
Window findWindow(Display* display, Window parent, const std::string& title) {
  Window root = 0, up = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, parent, &root, &up, &children, &count)) return 0;
  std::unique_ptr<Window, int (*)(void*)> owned(children, XFree);
  for (unsigned i = 0; i < count; ++i) {
    char* name = nullptr;
    if (XFetchName(display, children[i], &name) && name) {
      const bool match = title == name;
      XFree(name);
      if (match) return children[i];
    }
    if (Window w = findWindow(display, children[i], title)) return w;
  }
  return 0;
}

TEST(FormViewDisplayTest, ShowsTheFormInAWindowUntilItIsClosed) {
  TDisplay display(XOpenDisplay(nullptr), XCloseDisplay);
  ASSERT_TRUE(display) << "needs a display (run under xvfb-run)";
  rvtest::TempDir dir;
  rvtest::WriteFile(dir.File("main.dfm"),
                    "object frmPreview: TForm\n  Caption = 'Preview of orders'\n  ClientWidth = 320\n"
                    "  ClientHeight = 200\n  object AppLog1: TQVAppLog\n  end\nend\n");
  // Bounded, so a window that never shows can't keep the test waiting.
  rvtest::ChildProcess view("/usr/bin/timeout", {"60", RV_FORMVIEW_TOOL, dir.File("main.dfm")});

  Window window = 0;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!window && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    window = findWindow(display.get(), DefaultRootWindow(display.get()), "Preview of orders");
  }
  ASSERT_NE(window, 0u) << "the form's window";
  XWindowAttributes attributes{};
  XGetWindowAttributes(display.get(), window, &attributes);
  EXPECT_EQ(attributes.width, 320);
  EXPECT_EQ(attributes.height, 200);

  // Closed as a window manager closes it.
  XEvent close{};
  close.xclient.type = ClientMessage;
  close.xclient.window = window;
  close.xclient.message_type = XInternAtom(display.get(), "WM_PROTOCOLS", False);
  close.xclient.format = 32;
  close.xclient.data.l[0] = static_cast<long>(XInternAtom(display.get(), "WM_DELETE_WINDOW", False));
  close.xclient.data.l[1] = CurrentTime;
  XSendEvent(display.get(), window, False, NoEventMask, &close);
  XFlush(display.get());
  EXPECT_EQ(view.Wait(), 0);
}

}  // namespace
