#include "platform/forms/Screen.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/forms/WidgetSet.h"
#include "tests/support/SizedWidgetSet.h"

using namespace rv;

namespace {

// Stand-ins for forms and controls, which the screen only stores.
char storage[3];
template <class T>
T* fake(int n) {
  return reinterpret_cast<T*>(&storage[n]);
}

TEST(Screen, ReportsChangesOfTheActiveFormAndControlWithItselfAsSender) {
  TScreen screen(nullptr);
  std::vector<std::string> log;
  screen.SetOnActiveFormChange([&](TObject* Sender) { log.push_back(Sender == &screen ? "form" : "?"); });
  screen.SetOnActiveControlChange([&](TObject* Sender) { log.push_back(Sender == &screen ? "control" : "?"); });
  screen.SetActiveForm(fake<TCustomForm>(0), fake<TForm>(0));
  screen.SetActiveForm(fake<TCustomForm>(0), fake<TForm>(0));
  screen.SetActiveControl(fake<TWinControl>(2));
  screen.SetActiveControl(fake<TWinControl>(2));
  EXPECT_EQ(screen.ActiveForm(), fake<TForm>(0));
  EXPECT_EQ(screen.ActiveControl(), fake<TWinControl>(2));
  screen.SetActiveForm(fake<TCustomForm>(1), nullptr);  // a form that is no TForm
  EXPECT_EQ(screen.ActiveCustomForm(), fake<TCustomForm>(1));
  EXPECT_EQ(screen.ActiveForm(), nullptr);
  EXPECT_EQ(log, (std::vector<std::string>{"form", "control", "form"}));
}

TEST(Screen, TakesItsSizeFromTheWidgetSet) {
  ASSERT_NE(Screen, nullptr);
  EXPECT_EQ(WidgetSet()->Name(), "headless");
  EXPECT_EQ(Screen->Width(), 0);
  rvtest::TSizedWidgetSet sized;
  EXPECT_EQ(SetWidgetSet(&sized), HeadlessWidgetSet());
  EXPECT_EQ(Screen->Width(), 1024);
  EXPECT_EQ(Screen->Height(), 768);
  EXPECT_EQ(SetWidgetSet(nullptr), &sized);
  EXPECT_EQ(WidgetSet(), HeadlessWidgetSet());
}

}  // namespace
