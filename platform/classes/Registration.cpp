#include "platform/classes/Registration.h"

#include <algorithm>
#include <mutex>

namespace RV_API rv {

namespace {

struct PaletteStore {
  std::mutex Lock;
  std::vector<TPalettePage> Pages;
};

PaletteStore& store() {
  static PaletteStore instance;
  return instance;
}

}  // namespace

void RegisterComponents(const std::string& Page, const std::vector<const TClass*>& Classes) {
  PaletteStore& s = store();
  std::lock_guard<std::mutex> guard(s.Lock);
  auto page = std::find_if(s.Pages.begin(), s.Pages.end(), [&](const TPalettePage& p) { return p.Name == Page; });
  if (page == s.Pages.end()) page = s.Pages.insert(s.Pages.end(), TPalettePage{Page, {}});
  for (const TClass* cls : Classes) {
    RegisterClass(*cls);
    if (std::find(page->Classes.begin(), page->Classes.end(), cls) == page->Classes.end()) page->Classes.push_back(cls);
  }
}

std::vector<TPalettePage> Palette() {
  PaletteStore& s = store();
  std::lock_guard<std::mutex> guard(s.Lock);
  return s.Pages;
}

void ClearPalette() {
  PaletteStore& s = store();
  std::lock_guard<std::mutex> guard(s.Lock);
  s.Pages.clear();
}

}  // namespace rv
