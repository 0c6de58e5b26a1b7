#include <unistd.h>

#include <memory>
#include <mutex>

#include "platform/os/Beep.h"
#include "platform/os/X11Display.h"

#include <X11/Xlib.h>

namespace RV_API rv {

namespace {

// The X server's bell needs a connection of its own (the widget set's
// belongs to the GUI thread); it is opened at the first beep and kept, and a
// display that can't be opened is not tried again.
class TLinuxBeep : public TBeepService {
 public:
  void Beep(std::uint32_t) override {
    std::lock_guard<std::mutex> lock(FLock);
    if (!FTried) {
      FTried = true;
      auto display = std::make_unique<TX11Display>();
      if (display->Opened()) FDisplay = std::move(display);
    }
    if (FDisplay) {
      // Every kind sounds alike: the X bell has one sound, at the user's volume.
      XBell(FDisplay->Handle(), 0);
      XFlush(FDisplay->Handle());
    } else if (isatty(STDERR_FILENO)) {
      [[maybe_unused]] ssize_t written = write(STDERR_FILENO, "\a", 1);
    }
  }

 private:
  std::mutex FLock;
  bool FTried = false;
  std::unique_ptr<TX11Display> FDisplay;
};

}  // namespace

TBeepService& SystemBeepService() {
  static TLinuxBeep service;
  return service;
}

}  // namespace rv
