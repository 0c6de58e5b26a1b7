#include <dlfcn.h>
#include <link.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/classes/Thread.h"
#include "platform/forms/Application.h"
#include "platform/forms/Dialogs.h"

using namespace rv;

// The linker marks the bounds of this section, which holds nothing but the
// throwing function: a throw site inside it lies between the two.
extern "C" const char __start_rvtest_throw_site[];
extern "C" const char __stop_rvtest_throw_site[];

namespace {

[[gnu::noinline, gnu::section("rvtest_throw_site")]] void throwInTheExecutable() {
  throw EConvertError("'x' is not a valid integer value");
}

std::string objectOf(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (!dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) || !map) return "?";
  std::string name = map->l_name;
  return name.substr(name.rfind('/') + 1);
}

// A fresh application object per test, and an empty record of boxes.
class ApplicationTest : public ::testing::Test {
 protected:
  ApplicationTest() { HeadlessMessageBoxes().Clear(); }
  ~ApplicationTest() override { HeadlessMessageBoxes().Clear(); }

  std::vector<TMessageBoxRecord> Boxes() const { return HeadlessMessageBoxes().Records(); }
  TMessageBoxRecord ErrorBox(const std::string& text) const { return {App.Title(), text, mtError, {mbOK}}; }

  TApplication App{nullptr};
};

TEST(GlobalObjects, ExistWithTheExecutablesNameAndTitle) {
  ASSERT_NE(Application, nullptr);
  EXPECT_EQ(Application->ExeName(), std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(Application->Title(), std::filesystem::path(Application->ExeName()).stem().string());
  EXPECT_EQ(Application->ClassName(), "TApplication");
}

TEST_F(ApplicationTest, TitleIsSettable) {
  App.SetTitle("Log viewer");
  EXPECT_EQ(App.Title(), "Log viewer");
}

struct Trigger {
  const char* Name;
  std::function<void(TApplication&, TNotifyEvent)> Install;
  std::function<void(TApplication&)> Fire;
  int Raised;
};

TEST_F(ApplicationTest, NotifyEventsFollowChangesOnly) {
  const std::vector<Trigger> cases = {
      {"activate twice", [](TApplication& a, TNotifyEvent e) { a.SetOnActivate(e); },
       [](TApplication& a) { a.Activate(); a.Activate(); }, 1},
      {"deactivate while inactive", [](TApplication& a, TNotifyEvent e) { a.SetOnDeactivate(e); },
       [](TApplication& a) { a.Deactivate(); }, 0},
      {"activate then deactivate", [](TApplication& a, TNotifyEvent e) { a.SetOnDeactivate(e); },
       [](TApplication& a) { a.Activate(); a.Deactivate(); a.Deactivate(); }, 1},
      {"minimize twice", [](TApplication& a, TNotifyEvent e) { a.SetOnMinimize(e); },
       [](TApplication& a) { a.Minimize(); a.Minimize(); }, 1},
      {"restore while not minimized", [](TApplication& a, TNotifyEvent e) { a.SetOnRestore(e); },
       [](TApplication& a) { a.Restore(); }, 0},
      {"minimize then restore", [](TApplication& a, TNotifyEvent e) { a.SetOnRestore(e); },
       [](TApplication& a) { a.Minimize(); a.Restore(); }, 1},
      {"hint changes", [](TApplication& a, TNotifyEvent e) { a.SetOnHint(e); },
       [](TApplication& a) { a.SetHint("Save"); a.SetHint("Save"); a.SetHint(""); }, 2},
  };
  for (const Trigger& c : cases) {
    SCOPED_TRACE(c.Name);
    TApplication app(nullptr);
    int raised = 0;
    c.Install(app, [&](TObject* Sender) {
      EXPECT_EQ(Sender, &app);
      ++raised;
    });
    c.Fire(app);
    EXPECT_EQ(raised, c.Raised);
  }
}

TEST_F(ApplicationTest, HelpAndHintHandlersWorkOnTheCallersValues) {
  EXPECT_FALSE(App.HelpCommand(1, 2));
  App.SetOnHelp([](std::uint16_t Command, std::int32_t Data, bool& CallHelp) {
    EXPECT_TRUE(CallHelp);
    CallHelp = false;
    return Command == 3 && Data == -4;
  });
  EXPECT_TRUE(App.HelpCommand(3, -4));
  EXPECT_FALSE(App.HelpCommand(3, 4));

  std::string text = "Opens the log";
  bool canShow = true;
  THintInfo info;
  App.DoShowHint(text, canShow, info);  // no handler: nothing changes
  EXPECT_EQ(text, "Opens the log");
  App.SetOnShowHint([](std::string& HintStr, bool& CanShow, THintInfo& HintInfo) {
    HintStr += "!";
    CanShow = false;
    HintInfo.HintMaxWidth = 200;
  });
  App.DoShowHint(text, canShow, info);
  EXPECT_EQ(text, "Opens the log!");
  EXPECT_FALSE(canShow);
  EXPECT_EQ(info.HintMaxWidth, 200);
}

TEST_F(ApplicationTest, IdleAsksOnIdleAndGuardsIt) {
  EXPECT_TRUE(App.Idle());
  App.SetOnIdle([](TObject*, bool& Done) {
    EXPECT_TRUE(Done);
    Done = false;
  });
  EXPECT_FALSE(App.Idle());

  TObject* sender = nullptr;
  App.SetOnException([&](TObject* Sender, Exception*) { sender = Sender; });
  App.SetOnIdle([](TObject*, bool&) { throw EAbort("idle"); });
  EXPECT_TRUE(App.Idle());
  EXPECT_EQ(sender, &App);
}

struct Routing {
  const char* Name;
  bool Handler;
  bool HandlerThrows;
  int HandlerCalls;
  std::vector<std::string> Shown;
};

TEST_F(ApplicationTest, HandleExceptionRoutesToOnExceptionOrTheErrorBox) {
  const std::vector<Routing> cases = {
      {"no handler", false, false, 0, {"Disk full."}},
      {"handler", true, false, 1, {}},
      {"handler raising", true, true, 1, {"Handler failed."}},
  };
  for (const Routing& c : cases) {
    SCOPED_TRACE(c.Name);
    HeadlessMessageBoxes().Clear();
    TApplication app(nullptr);
    TComponent sender(nullptr);
    int calls = 0;
    if (c.Handler)
      app.SetOnException([&](TObject* Sender, Exception* E) {
        ++calls;
        EXPECT_EQ(Sender, &sender);
        EXPECT_EQ(E, ExceptObject());
        EXPECT_EQ(E->Message(), "Disk full");
        if (c.HandlerThrows) throw EInOutError("Handler failed");
      });
    try {
      throw EWriteError("Disk full");
    } catch (...) {
      app.HandleException(&sender);
    }
    EXPECT_EQ(calls, c.HandlerCalls);
    std::vector<std::string> shown;
    for (const TMessageBoxRecord& box : Boxes()) {
      EXPECT_EQ(box.Caption, app.Title());
      EXPECT_EQ(box.DlgType, mtError);
      shown.push_back(box.Text);
    }
    EXPECT_EQ(shown, c.Shown);
    EXPECT_EQ(ExceptObject(), nullptr);
  }
}

TEST_F(ApplicationTest, HandleExceptionOutsideAHandlerDoesNothing) {
  App.HandleException(&App);
  EXPECT_TRUE(Boxes().empty());
}

struct Shown {
  std::string Message;
  std::string Text;
};

TEST_F(ApplicationTest, ShowExceptionEndsTheMessageWithADot) {
  const std::vector<Shown> cases = {
      {"File not found", "File not found."}, {"Done.", "Done."}, {"", ""}, {"Why?", "Why?."}};
  for (const Shown& c : cases) {
    EConvertError e(c.Message);
    App.ShowException(&e);
  }
  std::vector<TMessageBoxRecord> boxes = Boxes();
  ASSERT_EQ(boxes.size(), cases.size());
  for (std::size_t i = 0; i < cases.size(); ++i) EXPECT_EQ(boxes[i], ErrorBox(cases[i].Text));
}

struct Address {
  const char* Name;
  std::function<void()> Thrower;
  std::string ClassName;
  std::function<bool(const void*)> InPlace;
};

TEST_F(ApplicationTest, ExceptAddrInTheHandlerIsTheThrowSite) {
  const std::vector<Address> cases = {
      {"test executable", throwInTheExecutable, "EConvertError",
       [](const void* a) {
         return a >= static_cast<const void*>(__start_rvtest_throw_site) &&
                a < static_cast<const void*>(__stop_rvtest_throw_site);
       }},
      {"standard library", [] { std::vector<int>(2).at(5); }, "std::out_of_range",
       [](const void* a) { return objectOf(a).rfind("libstdc++", 0) == 0; }},
  };
  for (const Address& c : cases) {
    SCOPED_TRACE(c.Name);
    TApplication app(nullptr);
    TObject* sender = nullptr;
    const void* address = nullptr;
    std::string className;
    app.SetOnException([&](TObject* Sender, Exception* E) {
      sender = Sender;
      address = ExceptAddr();
      className = E->ClassName();
    });
    app.HookMainWindow([&](TMessage&) -> bool {
      c.Thrower();
      return true;
    });
    app.PostMessage(WM_USER);
    app.ProcessMessages();
    EXPECT_EQ(sender, &app);
    EXPECT_EQ(className, c.ClassName);
    EXPECT_TRUE(c.InPlace(address)) << address;
  }
}

TEST_F(ApplicationTest, RunGuardedHandsTheExceptionOnWithItsSender) {
  TComponent button(nullptr);
  TObject* sender = nullptr;
  App.SetOnException([&](TObject* Sender, Exception*) { sender = Sender; });
  App.RunGuarded(&button, [] { throw std::runtime_error("click"); });
  EXPECT_EQ(sender, &button);
  bool ran = false;
  App.RunGuarded(&button, [&] { ran = true; });
  EXPECT_TRUE(ran);
}

// A recorder of main-window messages; its method closures compare equal.
struct THookRecorder {
  std::vector<std::string>* Log;
  std::string Name;
  bool Consume = false;
  bool Hook(TMessage& Message) {
    Log->push_back(Name + ":" + std::to_string(Message.Msg));
    return Consume;
  }
  TWindowHook Closure() { return TWindowHook(this, &THookRecorder::Hook); }
};

TEST_F(ApplicationTest, HooksSeeMessagesInOrderUntilOneConsumesIt) {
  std::vector<std::string> log;
  THookRecorder first{&log, "first"}, second{&log, "second"}, third{&log, "third"};
  App.HookMainWindow(first.Closure());
  App.HookMainWindow(second.Closure());
  App.HookMainWindow(third.Closure());
  App.SendMessage(WM_SETTINGCHANGE);
  EXPECT_EQ(log, (std::vector<std::string>{"first:26", "second:26", "third:26"}));

  log.clear();
  second.Consume = true;
  App.SendMessage(WM_NULL);
  EXPECT_EQ(log, (std::vector<std::string>{"first:0", "second:0"}));

  // Unhooking goes by identity: a new closure of the same method is equal.
  log.clear();
  App.UnhookMainWindow(second.Closure());
  App.SendMessage(WM_USER);
  EXPECT_EQ(log, (std::vector<std::string>{"first:1024", "third:1024"}));

  // Plain callables are equal only to their own copies.
  log.clear();
  TWindowHook lambda = [&](TMessage&) {
    log.push_back("lambda");
    return false;
  };
  App.HookMainWindow(lambda);
  App.UnhookMainWindow([](TMessage&) { return false; });
  App.SendMessage(WM_USER);
  EXPECT_EQ(log, (std::vector<std::string>{"first:1024", "third:1024", "lambda"}));
  log.clear();
  App.UnhookMainWindow(lambda);
  App.UnhookMainWindow(first.Closure());
  App.UnhookMainWindow(third.Closure());
  App.SendMessage(WM_USER);
  EXPECT_TRUE(log.empty());
}

TEST_F(ApplicationTest, AHookMayUnhookItselfWhileAMessagePasses) {
  std::vector<std::string> log;
  THookRecorder after{&log, "after"};
  TWindowHook self;
  self = [&](TMessage&) {
    log.push_back("self");
    App.UnhookMainWindow(self);
    return false;
  };
  App.HookMainWindow(self);
  App.HookMainWindow(after.Closure());
  App.SendMessage(WM_USER);
  App.SendMessage(WM_USER);
  EXPECT_EQ(log, (std::vector<std::string>{"self", "after:1024", "after:1024"}));
}

TEST_F(ApplicationTest, SendMessageReturnsTheResultAndBypassesOnMessage) {
  bool onMessage = false;
  App.SetOnMessage([&](TMsg&, bool&) { onMessage = true; });
  EXPECT_EQ(App.SendMessage(WM_USER, 1, 2), 0);
  App.HookMainWindow([](TMessage& m) {
    m.Result = static_cast<LRESULT>(m.WParam) + m.LParam;
    return true;
  });
  EXPECT_EQ(App.SendMessage(WM_USER, 40, 2), 42);
  EXPECT_FALSE(onMessage);
}

TEST_F(ApplicationTest, OnMessageSeesPostedMessagesFirstAndMayHandleThem) {
  std::vector<TMsg> seen;
  std::vector<std::uint32_t> hooked;
  App.SetOnMessage([&](TMsg& Msg, bool& Handled) {
    EXPECT_FALSE(Handled);
    seen.push_back(Msg);
    Handled = Msg.message == WM_USER + 1;
  });
  App.HookMainWindow([&](TMessage& m) {
    hooked.push_back(m.Msg);
    return false;
  });
  App.PostMessage(WM_USER, 7, -8);
  App.PostMessage(WM_USER + 1);
  App.PostMessage(WM_USER + 2);
  App.ProcessMessages();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].hwnd, App.Handle());
  EXPECT_EQ(seen[0].message, WM_USER);
  EXPECT_EQ(seen[0].wParam, 7u);
  EXPECT_EQ(seen[0].lParam, -8);
  EXPECT_EQ(hooked, (std::vector<std::uint32_t>{WM_USER, WM_USER + 2}));
}

TEST_F(ApplicationTest, ProcessMessagesHandlesWhatIsPendingAndReturns) {
  App.ProcessMessages();  // nothing pending: returns at once
  int handled = 0;
  App.HookMainWindow([&](TMessage&) {
    ++handled;
    App.PostMessage(WM_USER);  // posts again, forever
    return true;
  });
  App.PostMessage(WM_USER);
  App.ProcessMessages();
  EXPECT_EQ(handled, 1);
  App.ProcessMessages();
  EXPECT_EQ(handled, 2);

  bool queued = false;
  TThread::Queue(nullptr, [&] { queued = true; });
  App.ProcessMessages();
  EXPECT_TRUE(queued);
}

TEST_F(ApplicationTest, HandleMessageHandlesOneOrIdlesAndWaits) {
  std::vector<std::uint32_t> handled;
  App.HookMainWindow([&](TMessage& m) {
    handled.push_back(m.Msg);
    return true;
  });
  App.PostMessage(WM_USER);
  App.PostMessage(WM_USER + 1);
  App.HandleMessage();
  EXPECT_EQ(handled, (std::vector<std::uint32_t>{WM_USER}));
  App.HandleMessage();
  EXPECT_EQ(handled.size(), 2u);

  // Nothing queued: idle, then wait, which the message posted while idle
  // ends at once.
  int idle = 0;
  App.SetOnIdle([&](TObject*, bool&) {
    if (++idle == 1) App.PostMessage(WM_USER + 2);
  });
  App.HandleMessage();
  EXPECT_EQ(idle, 1);
  App.HandleMessage();
  EXPECT_EQ(handled.back(), WM_USER + 2);
}

TEST_F(ApplicationTest, RunEndsWithTerminateOrQuit) {
  std::vector<std::uint32_t> handled;
  App.HookMainWindow([&](TMessage& m) {
    handled.push_back(m.Msg);
    if (m.Msg == WM_USER + 2) App.Terminate();
    return true;
  });
  for (std::uint32_t m = WM_USER; m < WM_USER + 3; ++m) App.PostMessage(m);
  App.Run();
  EXPECT_TRUE(App.Terminated());
  EXPECT_EQ(handled.size(), 3u);

  TApplication other(nullptr);
  bool quitSeen = false;
  other.SetOnMessage([&](TMsg& Msg, bool&) { quitSeen = quitSeen || Msg.message == WM_QUIT; });
  other.PostMessage(WM_USER);
  other.PostMessage(WM_QUIT);
  other.Run();
  EXPECT_TRUE(other.Terminated());
  EXPECT_FALSE(quitSeen);
}

TEST_F(ApplicationTest, AnExceptionEscapingAPostedMessageReachesHandleExceptionAndTheLoopGoesOn) {
  App.HookMainWindow([&](TMessage& m) -> bool {
    if (m.Msg == WM_USER) throw EDivByZero("Division by zero");
    App.Terminate();
    return true;
  });
  App.PostMessage(WM_USER);
  App.PostMessage(WM_USER + 1);
  App.Run();
  EXPECT_EQ(Boxes(), std::vector<TMessageBoxRecord>{ErrorBox("Division by zero.")});
}

struct BoxFlags {
  std::uint32_t Flags;
  TMsgDlgType DlgType;
  TMsgDlgButtons Buttons;
  int Answer;
};

TEST_F(ApplicationTest, MessageBoxMapsItsFlags) {
  const std::vector<BoxFlags> cases = {
      {MB_OK, mtCustom, {mbOK}, mrOk},
      {MB_OKCANCEL | MB_ICONQUESTION, mtConfirmation, {mbOK, mbCancel}, mrOk},
      {MB_ABORTRETRYIGNORE | MB_ICONERROR, mtError, {mbAbort, mbRetry, mbIgnore}, mrAbort},
      {MB_YESNOCANCEL | MB_ICONWARNING, mtWarning, {mbYes, mbNo, mbCancel}, mrYes},
      {MB_YESNO | MB_ICONINFORMATION, mtInformation, {mbYes, mbNo}, mrYes},
      // The headless answer is the first button in the set's order.
      {MB_RETRYCANCEL, mtCustom, {mbRetry, mbCancel}, mrCancel},
  };
  for (const BoxFlags& c : cases) {
    SCOPED_TRACE(c.Flags);
    HeadlessMessageBoxes().Clear();
    EXPECT_EQ(App.MessageBox("Text", "Caption", c.Flags), c.Answer);
    EXPECT_EQ(Boxes(), (std::vector<TMessageBoxRecord>{{"Caption", "Text", c.DlgType, c.Buttons}}));
  }
}

}  // namespace
