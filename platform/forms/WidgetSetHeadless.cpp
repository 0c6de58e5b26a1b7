// The headless widget set, the defaults every widget set starts from, and
// the place that holds the widget set in use and chooses it.

#include <poll.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "platform/classes/Thread.h"
#include "platform/forms/WidgetSet.h"
#include "platform/forms/WidgetSetFltk.h"
#include "platform/rtl/Service.h"
#include "platform/rtl/Utf16.h"

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
// Nothing installed: the headless set.
TService<TWidgetSet> widgetSet([]() -> TWidgetSet& { return headless; });
// Set once the set in use is chosen: by the first question on the GUI
// thread, or by installing one.
std::atomic<bool> decided{false};

// The real-window set when a display opens; the headless one stays
// otherwise. Only the first question connects, so a process that never
// asks never does; one that installs its own set never asks.
void choose() {
  if (decided.exchange(true)) return;
  if (TWidgetSet* real = OpenFltkWidgetSet()) widgetSet.InstallIfNone(real);
}

}  // namespace

void TWidgetSet::FormShown(TCustomForm*, bool) {}
void TWidgetSet::FormHidden(TCustomForm*) {}
void TWidgetSet::ControlChanged(TControl*, TControlChange) {}
void TWidgetSet::ControlDestroying(TControl*) {}

TSize TWidgetSet::TextExtent(const TFont& Font, std::string_view Text) const {
  const std::int64_t h = std::min<std::int64_t>(std::llabs(Font.Height()), 1 << 16);
  std::int64_t width = 0;
  for (std::size_t pos = 0; pos < Text.size();)
    width += NextCodePoint(Text, pos) == U' ' ? (3 * h + 5) / 11 : (6 * h + 5) / 11;
  return TSize{static_cast<std::int32_t>(std::min<std::int64_t>(width, INT32_MAX)),
               static_cast<std::int32_t>(h + (h + 2) / 5)};
}

TWidgetSet* HeadlessWidgetSet() { return &headless; }

TWidgetSet* WidgetSet() {
  // The toolkit belongs to the GUI thread: other threads get the headless
  // set until the GUI thread asked.
  if (!decided.load() && IsMainThread()) choose();
  return &widgetSet.Get();
}

TWidgetSet* SetWidgetSet(TWidgetSet* Value) {
  decided = true;
  TWidgetSet* previous = widgetSet.Install(Value == &headless ? nullptr : Value);
  return previous ? previous : &headless;
}

}  // namespace rv
