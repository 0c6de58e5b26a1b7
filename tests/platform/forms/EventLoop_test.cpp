#include "platform/forms/EventLoop.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/forms/Application.h"
#include "platform/rtl/FileHandle.h"
#include "platform/rtl/ScopeGuard.h"

using namespace rv;

namespace {

struct TPipe {
  TFileHandle Read, Write;
  TPipe() {
    int fds[2];
    EXPECT_EQ(::pipe(fds), 0);
    Read = TFileHandle(fds[0]);
    Write = TFileHandle(fds[1]);
  }
  void Put() { EXPECT_EQ(::write(Write.Get(), "x", 1), 1); }
  void Take() {
    char c;
    EXPECT_EQ(::read(Read.Get(), &c, 1), 1);
  }
};

TEST(EventLoop, FdSourceRunsWhileReadableUntilRemoved) {
  TEventLoop& loop = EventLoop();
  TPipe pipe;
  std::vector<int> seen;
  const auto id = loop.AddFdSource(pipe.Read.Get(), [&](int fd) { seen.push_back(fd); });
  TScopeExit remove([&] { loop.RemoveFdSource(id); });

  EXPECT_FALSE(loop.ProcessEvents());
  pipe.Put();
  // Waiting returns at once for a readable source, however long it may wait.
  loop.Wait(-1);
  EXPECT_TRUE(loop.ProcessEvents());
  // Level-triggered: unread data calls again.
  EXPECT_TRUE(loop.ProcessEvents());
  EXPECT_EQ(seen, (std::vector<int>{pipe.Read.Get(), pipe.Read.Get()}));
  pipe.Take();
  EXPECT_FALSE(loop.ProcessEvents());

  loop.RemoveFdSource(id);
  pipe.Put();
  EXPECT_FALSE(loop.ProcessEvents());
  EXPECT_EQ(seen.size(), 2u);
}

TEST(EventLoop, HandlersMayRemoveSourcesOfTheSamePass) {
  TEventLoop& loop = EventLoop();
  TPipe first, second;
  int firstCalls = 0, secondCalls = 0;
  TEventLoop::TSourceId firstId = 0, secondId = 0;
  firstId = loop.AddFdSource(first.Read.Get(), [&](int) {
    ++firstCalls;
    loop.RemoveFdSource(firstId);
    loop.RemoveFdSource(secondId);
  });
  secondId = loop.AddFdSource(second.Read.Get(), [&](int) { ++secondCalls; });
  TScopeExit remove([&] {
    loop.RemoveFdSource(firstId);
    loop.RemoveFdSource(secondId);
  });
  first.Put();
  second.Put();
  EXPECT_TRUE(loop.ProcessEvents());
  EXPECT_FALSE(loop.ProcessEvents());
  EXPECT_EQ(firstCalls, 1);
  EXPECT_EQ(secondCalls, 0);
}

TEST(EventLoop, TimerEndsTheWaitAndRunsEveryInterval) {
  TEventLoop& loop = EventLoop();
  int runs = 0;
  const auto id = loop.AddTimer(20, [&] { ++runs; });
  TScopeExit remove([&] { loop.RemoveTimer(id); });
  EXPECT_FALSE(loop.ProcessEvents());
  EXPECT_EQ(runs, 0);
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 2; ++i) {
    // Without the timer this wait would never end.
    loop.Wait(-1);
    loop.ProcessEvents();
  }
  EXPECT_EQ(runs, 2);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(40));
  loop.RemoveTimer(id);
  loop.Wait(30);
  EXPECT_FALSE(loop.ProcessEvents());
  EXPECT_EQ(runs, 2);
}

TEST(EventLoop, ApplicationLoopServesSourcesAndGuardsTheirHandlers) {
  TEventLoop& loop = EventLoop();
  TPipe pipe;
  std::vector<std::string> handled;
  const TExceptionEvent previous = Application->OnException();
  Application->SetOnException([&](TObject*, Exception* E) { handled.push_back(E->Message()); });
  TScopeExit restore([&] { Application->SetOnException(previous); });
  const auto failing = loop.AddFdSource(pipe.Read.Get(), [&](int) {
    pipe.Take();
    throw std::runtime_error("source failed");
  });
  // An application of its own: terminating the global one would end the
  // loops of later tests.
  TApplication app(nullptr);
  const auto ending = loop.AddTimer(1, [&] { app.Terminate(); });
  TScopeExit remove([&] {
    loop.RemoveFdSource(failing);
    loop.RemoveTimer(ending);
  });
  pipe.Put();
  app.Run();
  EXPECT_EQ(handled, (std::vector<std::string>{"source failed"}));
}

}  // namespace
