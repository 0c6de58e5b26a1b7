#pragma once
// Display tests of real windows: a user that clicks and types through XTEST
// on a connection of its own, and a driver that runs a script on a worker
// while the GUI thread sits in a modal loop. Include it last: Xlib's macros
// (None, Bool, Status...) would break headers included after it.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "platform/classes/Thread.h"
#include "platform/forms/Application.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Screen.h"
#include "platform/forms/WidgetSet.h"
#include "platform/os/X11Display.h"
#include "testing/forms/FltkWidgetState.h"
#include "tests/support/Environment.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace rv::test {

using namespace std::chrono_literals;

// The X window of a shown form; 0 when the form has no window (yet).
inline unsigned long FltkWindowHandle(const TCustomForm* Form) { return CurrentWidgetSet()->WindowHandle(Form); }

inline TFltkWidgetState stateOf(const TControl* c) {
  TFltkWidgetState s;
  EXPECT_TRUE(GetFltkWidgetState(c, s)) << c->Name();
  return s;
}

inline bool shown(const TControl* c) {
  TFltkWidgetState s;
  return GetFltkWidgetState(c, s);
}

// Runs the application's loop on this (the GUI) thread until Done holds.
inline bool pumpUntil(const std::function<bool()>& Done) {
  const auto deadline = std::chrono::steady_clock::now() + 20s;
  while (!Done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    Application->ProcessMessages();
    EventLoop().Wait(20);
  }
  return true;
}

// The user: a connection of its own that moves the pointer, clicks and
// types through XTEST, gives windows the keyboard as a window manager
// would, and looks at the screen. Used from one thread.
class TUser {
 public:
  TUser() { EXPECT_TRUE(FConnection.Opened()); }
  Display* D() const { return FConnection.Handle(); }

  // False also for a window gone meanwhile.
  bool Viewable(Window W) const {
    TX11ErrorTrap trap(D());
    XWindowAttributes a{};
    return W && XGetWindowAttributes(D(), W, &a) && trap.Sync() && a.map_state == IsViewable;
  }
  // The window's client area on the screen.
  TRect Geometry(Window W) const {
    XWindowAttributes a{};
    XGetWindowAttributes(D(), W, &a);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(D(), W, DefaultRootWindow(D()), 0, 0, &x, &y, &child);
    return TRect{x, y, x + a.width, y + a.height};
  }
  TColor PixelAt(Window W, int X, int Y) const {
    XImage* image = XGetImage(D(), W, X, Y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return -1;
    const unsigned long p = XGetPixel(image, 0, 0);
    auto channel = [p](unsigned long mask) { return static_cast<std::uint8_t>((p & mask) / (mask & (~mask + 1))); };
    const TColor color = RGBToColor(channel(image->red_mask), channel(image->green_mask), channel(image->blue_mask));
    XDestroyImage(image);
    return color;
  }
  // An unmanaged window that came up over the others: a tooltip.
  bool PopupShown() const {
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    XQueryTree(D(), DefaultRootWindow(D()), &root, &parent, &children, &count);
    bool found = false;
    TX11ErrorTrap trap(D());
    for (unsigned i = 0; i < count && !found; ++i) {
      XWindowAttributes a{};
      found = XGetWindowAttributes(D(), children[i], &a) && a.override_redirect && a.map_state == IsViewable;
    }
    if (children) XFree(children);
    return found;
  }

  void MoveTo(TPoint P) {
    XTestFakeMotionEvent(D(), -1, P.X, P.Y, CurrentTime);
    XFlush(D());
  }
  void Click(TPoint P) {
    MoveTo(P);
    XTestFakeButtonEvent(D(), 1, True, CurrentTime);
    XTestFakeButtonEvent(D(), 1, False, CurrentTime);
    XFlush(D());
  }
  void Key(KeySym Key, KeySym Modifier = NoSymbol) {
    const KeyCode mod = Modifier == NoSymbol ? 0 : XKeysymToKeycode(D(), Modifier);
    const KeyCode key = XKeysymToKeycode(D(), Key);
    if (mod) XTestFakeKeyEvent(D(), mod, True, CurrentTime);
    XTestFakeKeyEvent(D(), key, True, CurrentTime);
    XTestFakeKeyEvent(D(), key, False, CurrentTime);
    if (mod) XTestFakeKeyEvent(D(), mod, False, CurrentTime);
    XFlush(D());
  }
  // As a window manager activates a window (None: no window has the keyboard).
  void Focus(Window W) {
    XSetInputFocus(D(), W, RevertToPointerRoot, CurrentTime);
    XFlush(D());
  }

 private:
  TX11Display FConnection;
};

// The centre of a control's widget on the screen (GUI thread).
inline TPoint centreOf(const TUser& User, const TControl* Control) {
  const TFltkWidgetState s = stateOf(Control);
  const TRect window = User.Geometry(FltkWindowHandle(GetParentForm(Control)));
  return TPoint{window.Left + (s.Bounds.Left + s.Bounds.Right) / 2, window.Top + (s.Bounds.Top + s.Bounds.Bottom) / 2};
}

// Shows Form (not modally) and waits until its window is on the screen.
inline Window showAndWait(TUser& User, TCustomForm& Form) {
  Form.Show();
  Window w = 0;
  EXPECT_TRUE(pumpUntil([&] { return (w = FltkWindowHandle(&Form)) && User.Viewable(w); }));
  return w;
}

// Runs Script on a worker while the GUI thread sits in a modal loop. The
// script looks at the GUI through Synchronize (Gui) and acts through its
// own user. When a wait fails it ends the loop with mrAbort, so the test
// fails instead of hanging.
class TDriver {
 public:
  explicit TDriver(std::function<void(TDriver&)> Script)
      : FThread([this, script = std::move(Script)] {
          TUser user;
          FUser = &user;
          script(*this);
          FDone = true;
        }) {}
  // The script may still wait for the GUI thread (a loop that ended early).
  ~TDriver() {
    while (!FDone) CheckSynchronize(10);
    FThread.join();
  }
  TDriver(const TDriver&) = delete;
  TDriver& operator=(const TDriver&) = delete;

  TUser& User() { return *FUser; }
  template <class F>
  auto Gui(F Fn) {
    decltype(Fn()) result{};
    TThread::Synchronize(nullptr, [&] { result = Fn(); });
    return result;
  }
  // Waits until the GUI-side condition holds; false (and the loop ended)
  // at the deadline.
  bool Await(const std::function<bool()>& Condition, const char* What) {
    if (test::PollUntil([&] { return Gui(Condition); })) return true;
    ADD_FAILURE() << "timed out waiting for " << What;
    TThread::Queue(nullptr, [] {
      if (TCustomForm* form = Screen->ActiveCustomForm()) form->SetModalResult(mrAbort);
    });
    return false;
  }
  // Waits for Form's window, gives it the keyboard and waits until the
  // application knows.
  bool Activate(const TCustomForm& Form) {
    Window w = 0;
    if (!Await([&] { return (w = FltkWindowHandle(&Form)) != 0; }, "the window")) return false;
    if (!test::PollUntil([&] { return User().Viewable(w); })) return Await([] { return false; }, "the mapping");
    User().Focus(w);
    return Await([] { return Application->Active(); }, "the activation");
  }
  TPoint Centre(const TControl* Control) {
    return Gui([&] { return centreOf(User(), Control); });
  }

 private:
  TUser* FUser = nullptr;
  std::atomic<bool> FDone{false};
  std::thread FThread;
};

}  // namespace rv::test
