#include <vector>

#include <gtest/gtest.h>

#include "platform/forms/Screen.h"
#include "platform/forms/WidgetSet.h"

using namespace rv;

namespace {

// Stand-ins for forms and controls, which the screen only stores.
template <class T>
T* fake(int n) {
  static char storage[4];
  return reinterpret_cast<T*>(&storage[n]);
}

TEST(Screen, ReportsFormChangesWithTheScreenAsSender) {
  TScreen screen(nullptr);
  std::vector<TObject*> senders;
  screen.SetOnActiveFormChange([&](TObject* Sender) { senders.push_back(Sender); });
  screen.SetActiveForm(fake<TCustomForm>(0), fake<TForm>(0));
  EXPECT_EQ(screen.ActiveCustomForm(), fake<TCustomForm>(0));
  EXPECT_EQ(screen.ActiveForm(), fake<TForm>(0));
  screen.SetActiveForm(fake<TCustomForm>(0), fake<TForm>(0));
  screen.SetActiveForm(fake<TCustomForm>(1), nullptr);  // a form that is no TForm
  EXPECT_EQ(screen.ActiveForm(), nullptr);
  screen.SetActiveForm(nullptr, nullptr);
  EXPECT_EQ(screen.ActiveCustomForm(), nullptr);
  EXPECT_EQ(senders, (std::vector<TObject*>{&screen, &screen, &screen}));
}

TEST(Screen, ReportsControlChanges) {
  TScreen screen(nullptr);
  int changes = 0;
  screen.SetOnActiveControlChange([&](TObject* Sender) {
    EXPECT_EQ(Sender, &screen);
    ++changes;
  });
  screen.SetActiveControl(fake<TWinControl>(0));
  screen.SetActiveControl(fake<TWinControl>(0));
  EXPECT_EQ(screen.ActiveControl(), fake<TWinControl>(0));
  screen.SetActiveControl(fake<TWinControl>(2));
  EXPECT_EQ(changes, 2);
  // Without a handler the value still changes.
  screen.SetOnActiveControlChange(nullptr);
  screen.SetActiveControl(nullptr);
  EXPECT_EQ(screen.ActiveControl(), nullptr);
}

TEST(Screen, TakesItsSizeFromTheWidgetSet) {
  ASSERT_NE(Screen, nullptr);
  EXPECT_EQ(WidgetSet()->Name(), "headless");
  EXPECT_EQ(Screen->Width(), 0);
  EXPECT_EQ(Screen->Height(), 0);

  struct TSized : TWidgetSet {
    std::string Name() const override { return "sized"; }
    void Wait(int, int) override {}
    bool ProcessEvents() override { return false; }
    int ScreenWidth() const override { return 1024; }
    int ScreenHeight() const override { return 768; }
  } sized;
  TWidgetSet* previous = SetWidgetSet(&sized);
  EXPECT_EQ(previous, HeadlessWidgetSet());
  EXPECT_EQ(Screen->Width(), 1024);
  EXPECT_EQ(Screen->Height(), 768);
  EXPECT_EQ(SetWidgetSet(nullptr), &sized);
  EXPECT_EQ(WidgetSet(), HeadlessWidgetSet());
}

}  // namespace
