#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/classes/Thread.h"
#include "platform/forms/Application.h"

using namespace rv;

namespace {

TEST(ApplicationThreads, MessagesPostedByManyThreadsAreAllHandledInEachThreadsOrder) {
  constexpr int Threads = 4, Messages = 250;
  TApplication app(nullptr);
  std::vector<std::vector<int>> received(Threads);  // GUI thread only
  int total = 0;
  app.HookMainWindow([&](TMessage& m) {
    received[m.WParam].push_back(static_cast<int>(m.LParam));
    if (++total == Threads * Messages) app.Terminate();
    return true;
  });
  std::vector<std::thread> posters;
  for (int t = 0; t < Threads; ++t)
    posters.emplace_back([&, t] {
      for (int i = 0; i < Messages; ++i) app.PostMessage(WM_USER, static_cast<WPARAM>(t), i);
    });
  app.Run();
  for (std::thread& p : posters) p.join();
  for (const std::vector<int>& r : received) {
    ASSERT_EQ(r.size(), static_cast<std::size_t>(Messages));
    for (int i = 0; i < Messages; ++i) EXPECT_EQ(r[static_cast<std::size_t>(i)], i);
  }
}

TEST(ApplicationThreads, AWorkersSendMessageAndSynchronizeRunInsideTheLoop) {
  TApplication app(nullptr);
  std::atomic<bool> hookOnGui{false};
  app.HookMainWindow([&](TMessage& m) {
    hookOnGui = IsMainThread();
    m.Result = 99;
    return true;
  });
  std::atomic<LRESULT> result{0};
  std::atomic<bool> synchronized{false};
  std::thread worker([&] {
    result = app.SendMessage(WM_USER);
    TThread::Synchronize(nullptr, [&] { synchronized = IsMainThread(); });
    app.Terminate();  // from another thread: wakes the waiting loop
  });
  app.Run();
  worker.join();
  std::thread([&] { EXPECT_THROW(app.Run(), EThread); }).join();
  EXPECT_EQ(result, 99);
  EXPECT_TRUE(hookOnGui);
  EXPECT_TRUE(synchronized);
}

}  // namespace
