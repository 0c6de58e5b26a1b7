#include "platform/forms/Application.h"
#include "testing/forms/MessageBoxRecorder.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <link.h>

#include <filesystem>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/classes/Thread.h"

using namespace rv;

// The linker marks the bounds of this section, which holds nothing but the
// throwing function: a throw site inside it lies between the two.
extern "C" const char __start_rvtest_throw_site[];
extern "C" const char __stop_rvtest_throw_site[];

namespace {

[[gnu::noinline, gnu::section("rvtest_throw_site")]] void throwInTheExecutable() {
  throw EConvertError("'x' is not a valid integer value");
}

bool inLibStdCxx(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  return dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) && map &&
         std::filesystem::path(map->l_name).filename().string().rfind("libstdc++", 0) == 0;
}

// A fresh application object per test, and an empty record of boxes.
class ApplicationTest : public ::testing::Test {
 protected:
  TRecordingMessageBoxes Boxes;
  TMessageBoxServiceScope BoxesInUse{Boxes};

  std::vector<std::string> ErrorBoxes() {
    std::vector<std::string> texts;
    for (const TMessageBoxRecord& box : Boxes.Records()) {
      EXPECT_EQ(box.Caption, Application->Title());
      EXPECT_EQ(box.DlgType, mtError);
      texts.push_back(box.Text);
    }
    return texts;
  }
  // Records each main-window message by number; consumes it.
  std::vector<std::uint32_t> Hooked;
  TWindowHook Recorder = [this](TMessage& m) {
    Hooked.push_back(m.Msg);
    return true;
  };

  TApplication App{nullptr};
};

TEST(GlobalObjects, ExistWithTheExecutablesNameAsTitle) {
  ASSERT_NE(Application, nullptr);
  EXPECT_EQ(Application->ExeName(), std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(Application->Title(), std::filesystem::path(Application->ExeName()).stem().string());
}

struct Trigger {
  const char* Name;
  void (TApplication::*Install)(TNotifyEvent);
  std::function<void(TApplication&)> Fire;
  int Raised;
};

TEST_F(ApplicationTest, NotifyEventsFollowChangesOnly) {
  const std::vector<Trigger> cases = {
      {"activate twice", &TApplication::SetOnActivate, [](TApplication& a) { a.Activate(), a.Activate(); }, 1},
      {"deactivate while inactive", &TApplication::SetOnDeactivate, [](TApplication& a) { a.Deactivate(); }, 0},
      {"deactivate", &TApplication::SetOnDeactivate, [](TApplication& a) { a.Activate(), a.Deactivate(); }, 1},
      {"minimize twice", &TApplication::SetOnMinimize, [](TApplication& a) { a.Minimize(), a.Minimize(); }, 1},
      {"restore unminimized", &TApplication::SetOnRestore, [](TApplication& a) { a.Restore(); }, 0},
      {"restore", &TApplication::SetOnRestore, [](TApplication& a) { a.Minimize(), a.Restore(); }, 1},
      {"hint", &TApplication::SetOnHint, [](TApplication& a) { a.SetHint("S"), a.SetHint("S"), a.SetHint(""); }, 2},
  };
  for (const Trigger& c : cases) {
    SCOPED_TRACE(c.Name);
    TApplication app(nullptr);
    int raised = 0;
    (app.*c.Install)([&](TObject* Sender) { raised += Sender == &app; });
    c.Fire(app);
    EXPECT_EQ(raised, c.Raised);
  }
}

TEST_F(ApplicationTest, HelpHintAndIdleHandlersWorkOnTheCallersValues) {
  EXPECT_FALSE(App.HelpCommand(3, -4));
  App.SetOnHelp(
      [](std::uint16_t Command, std::int32_t Data, bool& CallHelp) { return CallHelp && Command == 3 && Data == -4; });
  EXPECT_TRUE(App.HelpCommand(3, -4));

  std::string text = "Opens the log";
  bool canShow = true;
  THintInfo info;
  App.SetOnShowHint([](std::string& HintStr, bool& CanShow, THintInfo& HintInfo) {
    HintStr += "!";
    CanShow = false;
    HintInfo.HintMaxWidth = 200;
  });
  App.DoShowHint(text, canShow, info);
  EXPECT_EQ(text, "Opens the log!");
  EXPECT_FALSE(canShow);
  EXPECT_EQ(info.HintMaxWidth, 200);

  EXPECT_TRUE(App.Idle());
  App.SetOnIdle([](TObject*, bool& Done) { Done = !Done; });
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
  std::vector<std::string> Shown;
};

TEST_F(ApplicationTest, HandleExceptionRoutesToOnExceptionOrTheErrorBox) {
  const std::vector<Routing> cases = {
      {"no handler", false, false, {"Disk full."}},
      {"handler", true, false, {}},
      {"handler raising", true, true, {"Handler failed."}},
  };
  for (const Routing& c : cases) {
    SCOPED_TRACE(c.Name);
    Boxes.Clear();
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
    app.RunGuarded(&sender, [] { throw EWriteError("Disk full"); });
    EXPECT_EQ(calls, c.Handler ? 1 : 0);
    EXPECT_EQ(ErrorBoxes(), c.Shown);
    EXPECT_EQ(ExceptObject(), nullptr);
  }
  Boxes.Clear();
  App.HandleException(&App);  // outside a handler: nothing to do
  EXPECT_TRUE(ErrorBoxes().empty());
}

TEST_F(ApplicationTest, ShowExceptionEndsTheMessageWithADot) {
  for (const char* message : {"File not found", "Done.", "", "Why?"}) {
    EConvertError e(message);
    App.ShowException(&e);
  }
  EXPECT_EQ(ErrorBoxes(), (std::vector<std::string>{"File not found.", "Done.", "", "Why?."}));
}

struct Address {
  const char* Name;
  std::function<void()> Thrower;
  std::string ClassName;
  std::function<bool(const void*)> InPlace;
};

TEST_F(ApplicationTest, AnExceptionEscapingAPostedMessageReachesTheHandlerWithItsThrowSite) {
  const std::vector<Address> cases = {
      {"test executable", throwInTheExecutable, "EConvertError",
       [](const void* a) {
         return a >= static_cast<const void*>(__start_rvtest_throw_site) &&
                a < static_cast<const void*>(__stop_rvtest_throw_site);
       }},
      {"standard library", [] { std::vector<int>(2).at(5); }, "std::out_of_range", inLibStdCxx},
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
    app.HookMainWindow([&](TMessage&) {
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

// A recorder of main-window messages; its method closures compare equal.
struct THookRecorder {
  std::vector<std::string>* Log;
  std::string Name;
  bool Consume = false;
  bool Hook(TMessage& Message) {
    Log->push_back(Name + std::to_string(Message.Msg));
    return Consume;
  }
  TWindowHook Closure() { return TWindowHook(this, &THookRecorder::Hook); }
};

TEST_F(ApplicationTest, HooksSeeMessagesInOrderUntilOneConsumesIt) {
  std::vector<std::string> log;
  THookRecorder a{&log, "a"}, b{&log, "b"}, c{&log, "c"};
  for (THookRecorder* r : {&a, &b, &c}) App.HookMainWindow(r->Closure());
  App.SendMessage(WM_SETTINGCHANGE);
  b.Consume = true;
  App.SendMessage(WM_NULL);
  // Unhooking goes by identity: a new closure of the same method is equal.
  App.UnhookMainWindow(b.Closure());
  App.SendMessage(WM_USER);
  EXPECT_EQ(log, (std::vector<std::string>{"a26", "b26", "c26", "a0", "b0", "a1024", "c1024"}));
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
  EXPECT_EQ(log, (std::vector<std::string>{"self", "after1024", "after1024"}));
}

TEST_F(ApplicationTest, OnMessageSeesPostedMessagesFirstAndMayHandleThem) {
  std::vector<TMsg> seen;
  App.SetOnMessage([&](TMsg& Msg, bool& Handled) {
    seen.push_back(Msg);
    Handled = Msg.message == WM_USER + 1;
  });
  App.HookMainWindow(Recorder);
  App.PostMessage(WM_USER, 7, -8);
  App.PostMessage(WM_USER + 1);
  App.PostMessage(WM_USER + 2);
  App.ProcessMessages();
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0].hwnd, App.Handle());
  EXPECT_EQ(seen[0].wParam, 7u);
  EXPECT_EQ(seen[0].lParam, -8);
  EXPECT_EQ(Hooked, (std::vector<std::uint32_t>{WM_USER, WM_USER + 2}));

  // A sent message goes straight to the main window.
  App.HookMainWindow([](TMessage& m) { return m.Result = static_cast<LRESULT>(m.WParam) + m.LParam, true; });
  App.UnhookMainWindow(Recorder);
  EXPECT_EQ(App.SendMessage(WM_USER + 3, 40, 2), 42);
  EXPECT_EQ(seen.size(), 3u);
}

TEST_F(ApplicationTest, ProcessMessagesHandlesWhatIsPendingAndReturns) {
  App.ProcessMessages();  // nothing pending: returns at once
  App.HookMainWindow([&](TMessage&) {
    App.PostMessage(WM_USER);  // posts again, forever
    return false;
  });
  App.HookMainWindow(Recorder);
  App.PostMessage(WM_USER);
  App.ProcessMessages();
  EXPECT_EQ(Hooked.size(), 1u);
  bool queued = false;
  TThread::Queue(nullptr, [&] { queued = true; });
  App.ProcessMessages();
  EXPECT_EQ(Hooked.size(), 2u);
  EXPECT_TRUE(queued);
}

TEST_F(ApplicationTest, HandleMessageHandlesOneOrIdlesAndWaits) {
  App.HookMainWindow(Recorder);
  App.PostMessage(WM_USER);
  App.PostMessage(WM_USER + 1);
  App.HandleMessage();
  EXPECT_EQ(Hooked, (std::vector<std::uint32_t>{WM_USER}));
  App.HandleMessage();
  // Nothing queued: idle, then wait, which the message posted while idle
  // ends at once.
  int idle = 0;
  App.SetOnIdle([&](TObject*, bool&) {
    if (++idle == 1) App.PostMessage(WM_USER + 2);
  });
  App.HandleMessage();
  EXPECT_EQ(idle, 1);
  App.HandleMessage();
  EXPECT_EQ(Hooked, (std::vector<std::uint32_t>{WM_USER, WM_USER + 1, WM_USER + 2}));
}

TEST_F(ApplicationTest, RunGoesOnAfterAnExceptionAndEndsWithTerminateOrQuit) {
  App.HookMainWindow([&](TMessage& m) -> bool {
    if (m.Msg == WM_USER) throw EDivByZero("Division by zero");
    App.Terminate();
    return false;
  });
  App.HookMainWindow(Recorder);
  App.PostMessage(WM_USER);
  App.PostMessage(WM_USER + 1);
  App.Run();
  EXPECT_TRUE(App.Terminated());
  EXPECT_EQ(Hooked, (std::vector<std::uint32_t>{WM_USER + 1}));
  EXPECT_EQ(ErrorBoxes(), (std::vector<std::string>{"Division by zero."}));

  TApplication other(nullptr);
  bool quitSeen = false;
  other.SetOnMessage([&](TMsg& Msg, bool&) { quitSeen = quitSeen || Msg.message == WM_QUIT; });
  other.PostMessage(WM_QUIT);
  other.Run();
  EXPECT_TRUE(other.Terminated());
  EXPECT_FALSE(quitSeen);
}

TEST_F(ApplicationTest, MessageBoxMapsItsFlags) {
  EXPECT_EQ(App.MessageBox("Text", "Caption", MB_YESNO | MB_ICONWARNING), mrYes);
  EXPECT_EQ(App.MessageBox("Text", "Caption", MB_OKCANCEL | MB_ICONQUESTION), mrOk);
  EXPECT_EQ(Boxes.Records(), (std::vector<TMessageBoxRecord>{
                                 {"Caption", "Text", mtWarning, {mbYes, mbNo}},
                                 {"Caption", "Text", mtConfirmation, {mbOK, mbCancel}},
                             }));
}

}  // namespace
