// The headless widget set, the defaults every widget set starts from, the
// registry of widget-set modules and the place that holds the set in use
// and chooses it.

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <mutex>

#include "platform/classes/Thread.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/Utf16.h"

namespace RV_API rv {

namespace {

class THeadlessWidgetSet : public TWidgetSet {
 public:
  std::string Name() const override { return "headless"; }
  int ScreenWidth() const override { return 0; }
  int ScreenHeight() const override { return 0; }
};

THeadlessWidgetSet headless;
std::atomic<TWidgetSet*> current{&headless};
// Set once the set in use is chosen: by the first question on the GUI
// thread, or by installing one.
std::atomic<bool> decided{false};

struct TModuleRegistry {
  std::mutex Lock;
  std::vector<TWidgetSetModule> Modules;  // most preferred first
};

// Made on first use: modules register from static objects of other files.
TModuleRegistry& registry() {
  static TModuleRegistry modules;
  return modules;
}

// Only the first question opens anything, so a process that never shows a
// window never connects to a display; one that installs its own set never
// asks.
void choose() {
  if (decided.exchange(true)) return;
  std::vector<TWidgetSetModule> modules;
  {
    std::lock_guard<std::mutex> guard(registry().Lock);
    modules = registry().Modules;
  }
  for (const TWidgetSetModule& module : modules) {
    TWidgetSet* set = module.Open ? module.Open() : nullptr;
    if (!set) continue;
    TWidgetSet* expected = &headless;
    if (!current.compare_exchange_strong(expected, set)) return;
    // Headless boxes would answer for a user who is there to answer.
    if (set->Interactive() && MessageBoxService() == &HeadlessMessageBoxes()) SetMessageBoxService(&FormMessageBoxes());
    return;
  }
}

}  // namespace

void TWidgetSet::FormShown(TCustomForm*, bool) {}
void TWidgetSet::FormHidden(TCustomForm*) {}
void TWidgetSet::ControlChanged(TControl*, TControlChange) {}
void TWidgetSet::ControlDestroying(TControl*) {}
void TWidgetSet::ApplicationMinimized(bool) {}

TSize TWidgetSet::TextExtent(const TFont& Font, std::string_view Text) const {
  const std::int64_t h = std::min<std::int64_t>(std::llabs(Font.Height()), 1 << 16);
  std::int64_t width = 0;
  for (std::size_t pos = 0; pos < Text.size();)
    width += NextCodePoint(Text, pos) == U' ' ? (3 * h + 5) / 11 : (6 * h + 5) / 11;
  return TSize{static_cast<std::int32_t>(std::min<std::int64_t>(width, INT32_MAX)),
               static_cast<std::int32_t>(h + (h + 2) / 5)};
}

void RegisterWidgetSet(const TWidgetSetModule& Module) {
  std::lock_guard<std::mutex> guard(registry().Lock);
  auto& modules = registry().Modules;
  // Stable among equals: the first registered of the same preference wins.
  auto place = std::find_if(modules.begin(), modules.end(),
                            [&](const TWidgetSetModule& m) { return m.Preference < Module.Preference; });
  modules.insert(place, Module);
}

std::vector<std::string> RegisteredWidgetSets() {
  std::lock_guard<std::mutex> guard(registry().Lock);
  std::vector<std::string> names;
  for (const TWidgetSetModule& module : registry().Modules) names.push_back(module.Name);
  return names;
}

TWidgetSet* HeadlessWidgetSet() { return &headless; }

TWidgetSet* WidgetSet() {
  // The toolkit belongs to the GUI thread: other threads get the set chosen
  // so far.
  if (!decided.load() && IsMainThread()) choose();
  return current.load();
}

TWidgetSet* CurrentWidgetSet() { return current.load(); }

TWidgetSet* SetWidgetSet(TWidgetSet* Value) {
  decided = true;
  return current.exchange(Value ? Value : &headless);
}

}  // namespace rv
