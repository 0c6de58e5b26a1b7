#include "applog/LogApp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "exception/LogError.h"
#include "platform/forms/Application.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Screen.h"
#include "platform/rtl/Exceptions.h"
#include "testing/forms/MessageBoxRecorder.h"

using namespace rv;

namespace {

// Every test starts and ends with the application's and screen's slots
// empty and no error boxes recorded.
class AppLogTest : public ::testing::Test {
 protected:
  TRecordingMessageBoxes Shown;
  TMessageBoxServiceScope ShownInUse{Shown};

  AppLogTest() { Clear(); }
  ~AppLogTest() override { Clear(); }

  void Clear() {
    Application->SetOnActivate(nullptr);
    Application->SetOnDeactivate(nullptr);
    Application->SetOnException(nullptr);
    Application->SetOnIdle(nullptr);
    Application->SetOnHelp(nullptr);
    Application->SetOnHint(nullptr);
    Application->SetOnMessage(nullptr);
    Application->SetOnMinimize(nullptr);
    Application->SetOnRestore(nullptr);
    Application->SetOnShowHint(nullptr);
    Screen->SetOnActiveControlChange(nullptr);
    Screen->SetOnActiveFormChange(nullptr);
    Screen->SetActiveForm(nullptr, nullptr);
    Application->Restore();
    Application->Deactivate();
    Application->SetHint({});
    Shown.Clear();
  }
  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const auto& box : Shown.Records()) texts.push_back(box.Text);
    return texts;
  }
  static void Raise(const std::string& message) {
    Application->RunGuarded(Application, [&] { throw EConvertError(message); });
  }

  std::vector<std::string> Calls;
  TNotifyEvent Record(const std::string& name) {
    return [this, name](TObject* sender) { Calls.push_back(name + (sender == Application ? "(app)" : "")); };
  }
};

struct NotifyCase {
  const char* Name;
  void (TApplication::*Found)(TNotifyEvent);
  TNotifyEvent (TApplication::*Slot)() const;
  void (TQVAppLog::*Own)(TNotifyEvent);
  std::function<void()> Fire;
};

TEST_F(AppLogTest, NotifyEventsCallTheFoundHandlerThenTheirOwnWithTheApplicationAsSender) {
  const NotifyCase cases[] = {
      {"activate", &TApplication::SetOnActivate, &TApplication::OnActivate, &TQVAppLog::SetOnActivate,
       [] { Application->Activate(); }},
      {"deactivate", &TApplication::SetOnDeactivate, &TApplication::OnDeactivate, &TQVAppLog::SetOnDeactivate,
       [] { Application->Activate(), Application->Deactivate(); }},
      {"hint", &TApplication::SetOnHint, &TApplication::OnHint, &TQVAppLog::SetOnHint,
       [] { Application->SetHint("Saves"); }},
      {"minimize", &TApplication::SetOnMinimize, &TApplication::OnMinimize, &TQVAppLog::SetOnMinimize,
       [] { Application->Minimize(); }},
      {"restore", &TApplication::SetOnRestore, &TApplication::OnRestore, &TQVAppLog::SetOnRestore,
       [] { Application->Minimize(), Application->Restore(); }},
  };
  for (const NotifyCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Clear();
    Calls.clear();
    TNotifyEvent found = Record("found");
    (Application->*c.Found)(found);
    {
      TQVAppLog log(nullptr);
      (log.*c.Own)(Record("own"));
      c.Fire();
      EXPECT_EQ(Calls, (std::vector<std::string>{"found(app)", "own(app)"}));
    }
    EXPECT_TRUE((Application->*c.Slot)() == found) << "given back on destruction";
  }
}

TEST_F(AppLogTest, VarArgumentsPassThroughBothHandlersWhateverTheFirstDid) {
  TIdleEvent found = [this](TObject*, bool& Done) {
    Calls.push_back("found idle");
    Done = false;
  };
  Application->SetOnIdle(found);
  Application->SetOnMessage([this](TMsg&, bool& Handled) {
    Calls.push_back("found message");
    Handled = true;
  });
  Application->SetOnShowHint([](std::string& HintStr, bool&, THintInfo&) { HintStr = "changed"; });
  TQVAppLog log(nullptr);
  log.SetOnIdle([this](TObject*, bool& Done) { Calls.push_back(Done ? "own idle, done" : "own idle, not done"); });
  log.SetOnMessage([this](TMsg& Msg, bool& Handled) {
    Calls.push_back("own message " + std::to_string(Msg.message) + (Handled ? " handled" : ""));
  });
  log.SetOnShowHint([this](std::string& HintStr, bool& CanShow, THintInfo&) {
    Calls.push_back("own hint " + HintStr);
    CanShow = false;
  });

  EXPECT_FALSE(Application->Idle()) << "the caller sees what both left in Done";
  Application->PostMessage(WM_USER + 7);
  Application->ProcessMessages();
  std::string hint = "original";
  bool canShow = true;
  THintInfo info;
  Application->DoShowHint(hint, canShow, info);
  EXPECT_EQ(Calls, (std::vector<std::string>{"found idle", "own idle, not done", "found message",
                                             "own message 1031 handled", "own hint changed"}));
  EXPECT_EQ(hint, "changed");
  EXPECT_FALSE(canShow);

  log.SetActive(false);
  EXPECT_TRUE(Application->OnIdle() == found) << "deactivation gives the found handler back";
}

TEST_F(AppLogTest, AnExceptionReachesBothHandlersAndThenTheStandardBox) {
  Application->SetOnException([this](TObject*, Exception* E) { Calls.push_back("found " + E->Message()); });
  TQVAppLog log(nullptr);
  log.SetOnException([this](TObject* Sender, Exception* E) {
    Calls.push_back("own " + E->Message() + (Sender == Application ? " from app" : ""));
  });
  Raise("boom");
  EXPECT_EQ(Calls, (std::vector<std::string>{"found boom", "own boom from app"}));
  EXPECT_EQ(Boxes(), std::vector<std::string>{"boom."});
}

struct HelpCase {
  const char* Name;
  int Own;    // -1: none, else the answer
  int Found;  // likewise
  bool Result;
  std::vector<std::string> Order;
};

TEST_F(AppLogTest, HelpAsksItsOwnEventFirstAndAnswersWithTheLastOneAsked) {
  const HelpCase cases[] = {
      {"own true, found false", 1, 0, false, {"own", "found"}},
      {"own false, found true", 0, 1, true, {"own", "found"}},
      {"own only", 1, -1, true, {"own"}},
      {"found only", -1, 1, true, {"found"}},
      {"neither", -1, -1, false, {}},
  };
  for (const HelpCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Clear();
    Calls.clear();
    auto answer = [this](const char* name, int value) -> THelpEvent {
      if (value < 0) return nullptr;
      return [this, name, value](std::uint16_t Command, std::int32_t Data, bool&) {
        EXPECT_EQ(Command, 1);
        EXPECT_EQ(Data, 42);
        Calls.push_back(name);
        return value == 1;
      };
    };
    Application->SetOnHelp(answer("found", c.Found));
    TQVAppLog log(nullptr);
    log.SetOnHelp(answer("own", c.Own));
    EXPECT_EQ(Application->HelpContext(42), c.Result);
    EXPECT_EQ(Calls, c.Order);
  }
}

TEST_F(AppLogTest, ScreenEventsChainAndTheFoundHandlersComeBack) {
  TForm first(nullptr);
  TForm second(nullptr);
  TNotifyEvent found = [this](TObject* Sender) { Calls.push_back(Sender == Screen ? "found(screen)" : "found"); };
  Screen->SetOnActiveFormChange(found);
  auto log = std::make_unique<TQVAppLog>(nullptr);
  log->SetOnActiveFormChange([this](TObject* Sender) { Calls.push_back(Sender == Screen ? "own(screen)" : "own"); });
  Screen->SetActiveForm(&first, &first);
  EXPECT_EQ(Calls, (std::vector<std::string>{"found(screen)", "own(screen)"}));
  log->SetActive(false);
  EXPECT_TRUE(Screen->OnActiveFormChange() == found) << "the application's handler is given back, not dropped";
  EXPECT_TRUE(log->OnActiveFormChange()) << "the component keeps its own event";
  Calls.clear();
  Screen->SetActiveForm(&second, &second);
  EXPECT_EQ(Calls, std::vector<std::string>{"found(screen)"});
  log.reset();
  Screen->SetActiveForm(nullptr, nullptr);
}

TEST_F(AppLogTest, TheSettingsChangeReachesOnSettingsChangedAndTheWindowStillGetsIt) {
  Application->SetOnException([this](TObject* Sender, Exception* E) {
    Calls.push_back(E->Message() + (Sender == nullptr ? "" : " from " + static_cast<TComponent*>(Sender)->ClassName()));
  });
  TQVAppLog log(nullptr);
  std::vector<std::uint32_t> seenAfter;
  TWindowHook after = [&](TMessage& m) {
    seenAfter.push_back(m.Msg);
    return true;
  };
  Application->HookMainWindow(after);
  TObject* sender = nullptr;
  log.SetOnSettingsChanged([&](TObject* Sender) { sender = Sender; });
  Application->SendMessage(WM_USER);
  Application->SendMessage(WM_SETTINGCHANGE);
  EXPECT_EQ(sender, &log);

  log.SetOnSettingsChanged([](TObject*) { throw EConvertError("settings failed"); });
  Application->SendMessage(WM_SETTINGCHANGE);
  Application->UnhookMainWindow(after);
  EXPECT_EQ(Calls, std::vector<std::string>{"settings failed from TQVAppLog"});
  EXPECT_EQ(Boxes(), std::vector<std::string>{"settings failed."}) << "the log's DoException shows it";
  EXPECT_EQ(seenAfter, (std::vector<std::uint32_t>{WM_USER, WM_SETTINGCHANGE, WM_SETTINGCHANGE}));
}

TEST_F(AppLogTest, ActivatingTwiceHooksOnceAndTheDesignerHooksNever) {
  int found = 0, own = 0;
  Application->SetOnIdle([&](TObject*, bool&) { ++found; });
  TQVAppLog log(nullptr);
  log.SetOnIdle([&](TObject*, bool&) { ++own; });
  log.SetActive(true);
  Application->Idle();
  EXPECT_EQ(found, 1);
  EXPECT_EQ(own, 1);

  TIdleEvent before = Application->OnIdle();
  TComponent designer(nullptr);
  designer.SetDesigning(true);
  auto* designed = new TQVAppLog(&designer);
  EXPECT_TRUE(designed->Active());
  designed->SetActive(false);
  designed->SetActive(true);
  EXPECT_TRUE(designed->Active());
  EXPECT_TRUE(Application->OnIdle() == before);
  delete designed;
  EXPECT_TRUE(Application->OnIdle() == before);
}

// ---- Chains of components, let go of in every order
// ------------------------------------

TEST_F(AppLogTest, ChainsOfAppLogsAndAnExceptionLogStayWholeInEveryOrderOfDestruction) {
  std::array<int, 3> order{0, 1, 2};
  do {
    Clear();
    std::vector<std::string> calls;
    Application->SetOnIdle([&](TObject*, bool&) { calls.push_back("app idle"); });
    Application->SetOnException([&](TObject*, Exception*) { calls.push_back("app exception"); });
    auto first = std::make_unique<TQVAppLog>(nullptr);
    auto exceptionLog = std::make_unique<TQVExceptionLog>(nullptr);
    auto second = std::make_unique<TQVAppLog>(nullptr);
    for (auto* appLog : {first.get(), second.get()}) {
      const std::string name = appLog == first.get() ? "first" : "second";
      appLog->SetOnIdle([&calls, name](TObject*, bool&) { calls.push_back(name + " idle"); });
      appLog->SetOnException([&calls, name](TObject*, Exception*) { calls.push_back(name + " exception"); });
    }
    exceptionLog->SetErrorDialog(edNone);
    exceptionLog->SetLogFile("");
    exceptionLog->SetOnException([&](TObject*, Exception*) { calls.push_back("exception log"); });
    std::array<std::unique_ptr<TQVLogBase>, 3> logs{std::move(first), std::move(exceptionLog), std::move(second)};

    const std::vector<std::string> everyone{"app idle",        "first idle",    "second idle",     "app exception",
                                            "first exception", "exception log", "second exception"};
    std::vector<std::string> live = everyone;
    for (int index : order) {
      calls.clear();
      Application->Idle();
      Raise("x");
      EXPECT_EQ(calls, live);
      const char* gone[][2] = {
          {"first idle", "first exception"}, {"exception log", ""}, {"second idle", "second exception"}};
      for (const char* name : gone[index]) std::erase(live, std::string(name));
      logs[static_cast<std::size_t>(index)].reset();
    }
    calls.clear();
    Application->Idle();
    Raise("x");
    EXPECT_EQ(calls, (std::vector<std::string>{"app idle", "app exception"}))
        << "order " << order[0] << order[1] << order[2];
  } while (std::next_permutation(order.begin(), order.end()));
}

}  // namespace
