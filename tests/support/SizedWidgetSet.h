#pragma once
// A widget set without windows whose screen is 1024 x 768, for tests of what
// depends on the screen size.

#include "platform/forms/WidgetSet.h"

namespace rvtest {

struct TSizedWidgetSet : rv::TWidgetSet {
  std::string Name() const override { return "sized"; }
  int ScreenWidth() const override { return 1024; }
  int ScreenHeight() const override { return 768; }
};

}  // namespace rvtest
