// The headless widget set, and the place that holds the widget set in use.

#include <poll.h>

#include <atomic>
#include <cerrno>

#include "platform/forms/WidgetSet.h"

namespace rv {

namespace {

class THeadlessWidgetSet : public TWidgetSet {
 public:
  std::string Name() const override { return "headless"; }
  void Wait(int WakeFd, int TimeoutMs) override {
    pollfd fd{WakeFd, POLLIN, 0};
    while (poll(&fd, 1, TimeoutMs) < 0 && errno == EINTR) {
    }
  }
  bool ProcessEvents() override { return false; }
  int ScreenWidth() const override { return 0; }
  int ScreenHeight() const override { return 0; }
};

THeadlessWidgetSet headless;
std::atomic<TWidgetSet*> current{&headless};

}  // namespace

TWidgetSet* HeadlessWidgetSet() { return &headless; }

TWidgetSet* WidgetSet() { return current.load(); }

TWidgetSet* SetWidgetSet(TWidgetSet* Value) { return current.exchange(Value ? Value : &headless); }

}  // namespace rv
