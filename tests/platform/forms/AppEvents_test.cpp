// The application's events as the headless widget set and code raise them:
// idle, help on F1, the hint under the pointer, tooltips, the messages the
// loop takes, minimizing and activation.

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "platform/forms/Application.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/WidgetSet.h"
#include "tests/support/SizedWidgetSet.h"

using namespace rv;

namespace {

template <class T>
T* add(TWinControl* parent, const std::string& name) {
  auto* c = new T(parent);
  c->SetName(name);
  c->SetParent(parent);
  return c;
}

// The global application with its events emptied before and after.
class AppEventsTest : public ::testing::Test {
 protected:
  AppEventsTest() { Reset(); }
  ~AppEventsTest() override { Reset(); }
  static void Reset() {
    Application->SetOnIdle(nullptr);
    Application->SetOnHelp(nullptr);
    Application->SetOnHint(nullptr);
    Application->SetOnShowHint(nullptr);
    Application->SetOnMessage(nullptr);
    Application->SetOnMinimize(nullptr);
    Application->SetOnRestore(nullptr);
    Application->SetOnActivate(nullptr);
    Application->SetOnDeactivate(nullptr);
    Application->Restore();
    Application->Deactivate();
    Application->SetHint({});
  }
  std::vector<std::string> Calls;
  TNotifyEvent Record(const std::string& name) {
    return [this, name](TObject*) { Calls.push_back(name); };
  }
};

TEST_F(AppEventsTest, IdleWithDoneFalseIsCalledAgainWithoutWaiting) {
  TApplication app(nullptr);
  int idle = 0;
  app.SetOnIdle([&](TObject*, bool& Done) {
    Done = false;
    if (++idle == 5) app.Terminate();
  });
  // Should the loop wait after all, this ends it (with too few idle calls)
  // instead of hanging.
  std::jthread rescue([&app](std::stop_token stop) {
    for (int i = 0; i < 500 && !stop.stop_requested(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!stop.stop_requested()) app.PostMessage(WM_QUIT);
  });
  app.Run();
  rescue.request_stop();
  EXPECT_EQ(idle, 5) << "the loop waited while not done";
}

struct HelpCase {
  const char* Name;
  std::int32_t EditContext;
  const char* EditKeyword;
  std::int32_t FormContext;
  bool Used;
  std::uint16_t Command;
  std::int32_t Data;
  const char* Keyword;
};

TEST_F(AppEventsTest, F1AsksForTheHelpOfTheFocusedControlOrItsNearestParent) {
  const HelpCase cases[] = {
      {"context", 7, "", 3, true, HELP_CONTEXT, 7, ""},
      {"keyword before context", 7, "saving", 3, true, HELP_KEY, 0, "saving"},
      {"the form's", 0, "", 3, true, HELP_CONTEXT, 3, ""},
      {"none", 0, "", 0, false, 0, 0, ""},
  };
  for (const HelpCase& c : cases) {
    SCOPED_TRACE(c.Name);
    TForm form(nullptr);
    auto* edit = add<TEdit>(&form, "Edit");
    edit->SetHelpContext(c.EditContext);
    edit->SetHelpKeyword(c.EditKeyword);
    form.SetHelpContext(c.FormContext);
    form.Show();
    edit->SetFocus();
    std::vector<std::string> asked;
    Application->SetOnHelp([&](std::uint16_t Command, std::int32_t Data, bool&) {
      asked.push_back(std::to_string(Command) + "/" + std::to_string(Data) + "/" + Application->CurrentHelpKeyword());
      return true;
    });
    EXPECT_EQ(FeedKey(&form, VK_F1, {}), c.Used);
    std::vector<std::string> expected;
    if (c.Used) expected.push_back(std::to_string(c.Command) + "/" + std::to_string(c.Data) + "/" + c.Keyword);
    EXPECT_EQ(asked, expected);
    EXPECT_EQ(Application->CurrentHelpKeyword(), "");
  }
}

TEST_F(AppEventsTest, TheHintFollowsThePointerAndTooltipsAskOnShowHint) {
  TForm form(nullptr);
  auto* panel = add<TPanel>(&form, "Panel");
  panel->SetHint("Details|All about the details");
  auto* button = add<TButton>(panel, "Save");
  button->SetHint("Saves|Saves the file");
  button->SetShowHint(true);
  auto* label = add<TLabel>(panel, "Plain");
  Application->SetOnHint(Record("hint"));

  FeedPointerEnter(button);
  EXPECT_EQ(Application->Hint(), "Saves");
  FeedPointerEnter(label);
  EXPECT_EQ(Application->Hint(), "Details") << "a control without a hint has its parent's";
  FeedPointerLeave(label);
  EXPECT_EQ(Application->Hint(), "");
  EXPECT_EQ(Calls, (std::vector<std::string>{"hint", "hint", "hint"}));

  THintInfo info;
  std::vector<std::string> asked;
  Application->SetOnShowHint([&](std::string& HintStr, bool& CanShow, THintInfo& Info) {
    asked.push_back(HintStr + " over " + Info.HintControl->Name());
    if (HintStr == "Saves") HintStr = "Saves now";
    CanShow = Info.CursorPos.X < 50;
  });
  EXPECT_TRUE(FeedHintShowing(button, TPoint{10, 5}, TPoint{100, 200}, info));
  EXPECT_EQ(info.HintStr, "Saves now") << "the changed text is what shows";
  EXPECT_EQ(info.HintPos, (TPoint{100, 200}));
  EXPECT_FALSE(FeedHintShowing(button, TPoint{60, 5}, TPoint{}, info)) << "CanShow false suppresses it";
  EXPECT_FALSE(FeedHintShowing(label, TPoint{10, 5}, TPoint{}, info)) << "ShowHint is off";
  EXPECT_EQ(asked, (std::vector<std::string>{"Saves over Save", "Saves over Save"}));
}

TEST_F(AppEventsTest, OnMessageSeesPostedMessagesAndInputAndCanStopIt) {
  TForm form(nullptr);
  auto* button = add<TButton>(&form, "Ok");
  button->SetCancel(true);
  button->SetOnClick(Record("click"));
  form.Show();
  bool handle = false;
  std::vector<std::uint32_t> seen;
  Application->SetOnMessage([&](TMsg& Msg, bool& Handled) {
    seen.push_back(Msg.message);
    Handled = handle;
  });
  Application->PostMessage(WM_USER);
  Application->ProcessMessages();
  FeedClick(button);
  FeedKey(&form, VK_ESCAPE, {});
  FeedPointerEnter(button);
  EXPECT_EQ(seen, (std::vector<std::uint32_t>{WM_USER, WM_LBUTTONUP, WM_KEYDOWN, WM_MOUSEMOVE}));
  EXPECT_EQ(Calls, (std::vector<std::string>{"click", "click"}));

  handle = true;
  Calls.clear();
  FeedClick(button);
  EXPECT_TRUE(FeedKey(&form, VK_ESCAPE, {})) << "a handled key counts as used";
  EXPECT_TRUE(Calls.empty());
}

// Records what the application asks of the windows.
struct TIconifyingWidgetSet : rvtest::TSizedWidgetSet {
  std::vector<std::string>* Calls = nullptr;
  void ApplicationMinimized(bool Minimized) override { Calls->push_back(Minimized ? "iconify" : "restore windows"); }
};

TEST_F(AppEventsTest, MinimizingAndActivationRaiseTheirEventsOnChangesOnly) {
  TIconifyingWidgetSet set;
  set.Calls = &Calls;
  TWidgetSet* previous = SetWidgetSet(&set);
  Application->SetOnMinimize(Record("minimize"));
  Application->SetOnRestore(Record("restore"));
  Application->SetOnActivate(Record("activate"));
  Application->SetOnDeactivate(Record("deactivate"));
  TForm first(nullptr);
  TForm second(nullptr);
  first.Show();
  second.Show();

  Application->Minimize();
  FeedIconify(&first, true);
  FeedIconify(&first, false);
  FeedActivate(&first);
  FeedActivate(&second);  // a move between our own windows
  FeedDeactivate();
  FeedDeactivate();
  SetWidgetSet(previous);
  EXPECT_EQ(Calls,
            (std::vector<std::string>{"iconify", "minimize", "restore windows", "restore", "activate", "deactivate"}));
}

}  // namespace
