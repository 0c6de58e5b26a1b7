#include "platform/os/X11Display.h"

#include <X11/Xlib.h>

namespace RV_API rv {

namespace {

using THandler = int (*)(Display*, XErrorEvent*);

// The innermost trap of this thread: Xlib calls the handler on the thread
// that reads the failed request's reply, the one that set the trap.
thread_local TX11ErrorTrap* innermostTrap = nullptr;

}  // namespace

struct TX11ErrorTrapAccess {
  static int Handle(Display* display, XErrorEvent* event) {
    TX11ErrorTrap* outermost = nullptr;
    for (TX11ErrorTrap* t = innermostTrap; t; t = t->FOuter) {
      if (t->FDisplay == display) {
        if (!t->FErrorCode) t->FErrorCode = event->error_code;
        return 0;
      }
      outermost = t;
    }
    // Not ours: to the handler that was there before the first trap.
    auto previous = outermost ? reinterpret_cast<THandler>(outermost->FPreviousHandler) : nullptr;
    return previous ? previous(display, event) : 0;
  }
};

TX11Display::TX11Display() : FDisplay(XOpenDisplay(nullptr)) {}

TX11Display::~TX11Display() {
  if (FDisplay) XCloseDisplay(FDisplay);
}

TX11ErrorTrap::TX11ErrorTrap(_XDisplay* Display) : FDisplay(Display), FOuter(innermostTrap) {
  // Requests sent before the trap must not report their errors to it.
  XSync(FDisplay, False);
  FPreviousHandler = reinterpret_cast<void*>(XSetErrorHandler(&TX11ErrorTrapAccess::Handle));
  innermostTrap = this;
}

TX11ErrorTrap::~TX11ErrorTrap() {
  XSync(FDisplay, False);
  innermostTrap = FOuter;
  XSetErrorHandler(reinterpret_cast<THandler>(FPreviousHandler));
}

bool TX11ErrorTrap::Sync() {
  XSync(FDisplay, False);
  return FErrorCode == 0;
}

}  // namespace rv
