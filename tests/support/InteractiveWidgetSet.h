#pragma once
// The headless widget set with a user: it says a user can answer windows,
// so components show their dialogs, which tests then drive with queued
// calls. Installed for the scope of the object.

#include "platform/forms/WidgetSet.h"

namespace rvtest {

class TInteractiveWidgetSet : public rv::TWidgetSet {
 public:
  TInteractiveWidgetSet();
  ~TInteractiveWidgetSet() override;
  TInteractiveWidgetSet(const TInteractiveWidgetSet&) = delete;
  TInteractiveWidgetSet& operator=(const TInteractiveWidgetSet&) = delete;

  std::string Name() const override { return "interactive-headless"; }
  rv::TEventBackend& EventBackend() override { return FInner->EventBackend(); }
  int ScreenWidth() const override { return FInner->ScreenWidth(); }
  int ScreenHeight() const override { return FInner->ScreenHeight(); }
  bool Interactive() const override { return true; }

 private:
  rv::TWidgetSet* FInner;
  rv::TWidgetSet* FPrevious;
};

}  // namespace rvtest
