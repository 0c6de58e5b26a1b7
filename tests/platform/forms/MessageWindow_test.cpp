#include "platform/forms/MessageWindow.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "platform/forms/Application.h"
#include "platform/forms/EventLoop.h"
#include "platform/rtl/FileHandle.h"
#include "platform/rtl/ScopeGuard.h"
#include "tests/support/GuiQueue.h"
#include "tests/support/UrgentPair.h"

using namespace rv;

namespace {

// Records what reaches one window as "message/wparam/lparam".
struct TRecordingWindow {
  std::vector<std::string> Seen;
  THandle Wnd = AllocateHWnd([this](TMessage& M) {
    Seen.push_back(std::to_string(M.Msg) + "/" + std::to_string(M.WParam) + "/" + std::to_string(M.LParam));
    M.Result = 42;
  });
  ~TRecordingWindow() { DeallocateHWnd(Wnd); }
};

TEST(MessageWindow, PostedMessagesReachTheirOwnWindowInOrder) {
  TRecordingWindow first, second;
  EXPECT_NE(first.Wnd, second.Wnd);
  EXPECT_NE(first.Wnd, Application->Handle());
  PostMessage(first.Wnd, WM_USER + 1, 7, -3);
  PostMessage(second.Wnd, WM_USER + 2);
  PostMessage(first.Wnd, WM_USER + 3, 1, 2);
  EXPECT_TRUE(first.Seen.empty()) << "posting must not deliver at once";
  Application->ProcessMessages();
  EXPECT_EQ(first.Seen, (std::vector<std::string>{"1025/7/-3", "1027/1/2"}));
  EXPECT_EQ(second.Seen, (std::vector<std::string>{"1026/0/0"}));
}

TEST(MessageWindow, SendDeliversAtOnceWithTheAnswer) {
  TRecordingWindow window;
  EXPECT_EQ(SendMessage(window.Wnd, WM_USER, 1, 2), 42);
  EXPECT_EQ(window.Seen, (std::vector<std::string>{"1024/1/2"}));
  EXPECT_EQ(SendMessage(0, WM_USER), 0);
}

TEST(MessageWindow, MessagesForAReleasedWindowAreDroppedNotRedirected) {
  auto gone = std::make_unique<TRecordingWindow>();
  const THandle old = gone->Wnd;
  PostMessage(old, WM_USER);
  gone.reset();
  TRecordingWindow later;
  EXPECT_NE(later.Wnd, old) << "handles are never reused";
  std::vector<std::uint32_t> filtered;
  Application->SetOnMessage([&](TMsg& Msg, bool&) { filtered.push_back(Msg.message); });
  TScopeExit clear([] { Application->SetOnMessage({}); });
  Application->ProcessMessages();
  EXPECT_TRUE(later.Seen.empty());
  EXPECT_TRUE(filtered.empty()) << "a dropped message doesn't pass OnMessage either";
  // Releasing twice, or a handle never made, is harmless.
  DeallocateHWnd(old);
  DeallocateHWnd(0);
}

TEST(MessageWindow, OnMessageSeesAndMayConsumeWindowMessages) {
  TRecordingWindow window;
  Application->SetOnMessage([&](TMsg& Msg, bool& Handled) { Handled = Msg.hwnd == window.Wnd && Msg.wParam == 1; });
  TScopeExit clear([] { Application->SetOnMessage({}); });
  PostMessage(window.Wnd, WM_USER, 1);
  PostMessage(window.Wnd, WM_USER, 2);
  Application->ProcessMessages();
  EXPECT_EQ(window.Seen, (std::vector<std::string>{"1024/2/0"}));
}

TEST(MessageWindow, AHandlerMayReleaseItsOwnWindow) {
  int calls = 0;
  THandle wnd = 0;
  wnd = AllocateHWnd([&](TMessage&) {
    ++calls;
    DeallocateHWnd(wnd);
  });
  PostMessage(wnd, WM_USER);
  PostMessage(wnd, WM_USER);
  Application->ProcessMessages();
  EXPECT_EQ(calls, 1);
}

TEST(MessageWindow, AnExceptionInTheHandlerGoesToTheApplicationAndTheLoopGoesOn) {
  TRecordingWindow after;
  const THandle thrower = AllocateHWnd([](TMessage&) { throw std::runtime_error("handler failed"); });
  TScopeExit release([&] { DeallocateHWnd(thrower); });
  std::string reported;
  Application->SetOnException([&](TObject*, Exception* E) { reported = E->Message(); });
  TScopeExit clear([] { Application->SetOnException({}); });
  PostMessage(thrower, WM_USER);
  PostMessage(after.Wnd, WM_USER);
  Application->ProcessMessages();
  EXPECT_EQ(reported, "handler failed");
  EXPECT_EQ(after.Seen.size(), 1u);
}

TEST(EventLoopPriority, APrioritySourceRunsOnUrgentDataOnlyAndWakesTheWait) {
  rvtest::TUrgentPair pair;
  int priority = 0;
  const auto id = EventLoop().AddFdSource(
      pair.Receiver.Get(),
      [&](int fd) {
        ++priority;
        char c;
        // Reading the urgent byte ends the condition.
        EXPECT_EQ(::recv(fd, &c, 1, MSG_OOB), 1);
      },
      fdPriority);
  TScopeExit remove([&] { EventLoop().RemoveFdSource(id); });

  // Plain data makes the descriptor readable, which a priority source ignores.
  ASSERT_EQ(::send(pair.Sender.Get(), "a", 1, 0), 1);
  EXPECT_TRUE(rvtest::ServeAppUntil([] { return true; }));
  EventLoop().Wait(100);
  EventLoop().ProcessEvents();
  EXPECT_EQ(priority, 0);

  pair.Urgent();
  const auto before = std::chrono::steady_clock::now();
  EventLoop().Wait(5000);
  EXPECT_LT(std::chrono::steady_clock::now() - before, std::chrono::seconds(4)) << "the wait must end on POLLPRI";
  EXPECT_TRUE(rvtest::ServeAppUntil([&] { return priority == 1; }));
}

}  // namespace
