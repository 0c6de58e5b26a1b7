#include "platform/forms/WidgetSet.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

using namespace rv;

namespace {

// A set that counts how often the model reached it.
struct TCountingWidgetSet : TWidgetSet {
  bool User = false;
  int Calls = 0;
  std::string Name() const override { return "counting"; }
  int ScreenWidth() const override { return 800; }
  int ScreenHeight() const override { return 600; }
  bool Interactive() const override { return User; }
  void FormShown(TCustomForm*, bool) override { ++Calls; }
  void ControlChanged(TControl*, TControlChange) override { ++Calls; }
};

TCountingWidgetSet counting;
std::vector<std::string> opened;

TWidgetSet* openNothing() {
  opened.push_back("nothing");
  return nullptr;
}
TWidgetSet* openCounting() {
  opened.push_back("counting");
  return &counting;
}

void exitWith(bool Check, const char* What) {
  if (!Check) std::fprintf(stderr, "failed: %s\n", What);
  std::exit(Check ? 0 : 1);
}

// Each case in a process of its own: the choice is made once a process.
TEST(WidgetSetChoiceDeathTest, RegisteredSetsAreTriedByPreferenceWhenTheFirstWindowShows) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ::unsetenv("DISPLAY");
        RegisterWidgetSet({"counting", 5, &openCounting});
        RegisterWidgetSet({"nothing", 50, &openNothing});
        const std::vector<std::string> names = RegisteredWidgetSets();
        if (names.empty() || names.front() != "nothing") exitWith(false, "most preferred first");

        TForm form(nullptr);
        auto* button = new TButton(&form);
        button->SetParent(&form);
        button->SetCaption("OK");
        auto* label = new TLabel(&form);
        label->SetParent(&form);
        label->SetCaption("Measured before any window shows");
        if (!opened.empty() || CurrentWidgetSet() != HeadlessWidgetSet() || counting.Calls != 0)
          exitWith(false, "building a form chose no set");

        form.Show();
        exitWith(opened == std::vector<std::string>{"nothing", "counting"} && CurrentWidgetSet() == &counting &&
                     counting.Calls > 0 && MessageBoxService() == &HeadlessMessageBoxes(),
                 "showing chose the first set that opens");
      },
      ::testing::ExitedWithCode(0), "");
}

TEST(WidgetSetChoiceDeathTest, AnInteractiveSetBringsTheFormMessageBoxesAndAnInstalledSetIsKept) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ::unsetenv("DISPLAY");
        counting.User = true;
        RegisterWidgetSet({"counting", 5, &openCounting});
        exitWith(WidgetSet() == &counting && MessageBoxService() == &FormMessageBoxes(), "interactive set chosen");
      },
      ::testing::ExitedWithCode(0), "");
  EXPECT_EXIT(
      {
        RegisterWidgetSet({"counting", 5, &openCounting});
        TCountingWidgetSet installed;
        SetWidgetSet(&installed);
        TForm form(nullptr);
        form.Show();
        exitWith(opened.empty() && WidgetSet() == &installed && installed.Calls > 0, "installed set kept");
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
