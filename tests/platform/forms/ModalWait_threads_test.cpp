#include "platform/forms/ModalWait.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/classes/Thread.h"
#include "platform/rtl/Exceptions.h"

using namespace rv;

namespace {

// Waits until the GUI thread ran a call queued before the wait began.
void waitForQueuedCall(std::atomic<bool>& ran) {
  while (!ran) std::this_thread::yield();
}

TEST(WaitServingMessages, WorkRunsElsewhereWhileQueuedCallsRunAndNestedWaitsEndFirst) {
  std::atomic<bool> outerRan{false}, innerRan{false};
  std::vector<std::string> order;
  TThread::Queue(nullptr, [&] {
    outerRan = true;
    TThread::Queue(nullptr, [&] { innerRan = true; });
    WaitServingMessages([&] { waitForQueuedCall(innerRan); });
    order.push_back("inner wait");
  });
  TThreadID workThread = 0;
  WaitServingMessages([&] {
    workThread = GetCurrentThreadID();
    waitForQueuedCall(outerRan);
  });
  order.push_back("outer wait");
  EXPECT_NE(workThread, GetCurrentThreadID());
  EXPECT_EQ(order, (std::vector<std::string>{"inner wait", "outer wait"}));
}

TEST(WaitServingMessages, ExceptionsOfTheWorkReachTheCallerAndWorkerThreadsRunItInPlace) {
  EXPECT_THROW(WaitServingMessages([] { throw EAbort("work failed"); }), EAbort);
  TThreadID caller = 0, work = 0;
  std::thread worker([&] {
    caller = GetCurrentThreadID();
    WaitServingMessages([&] { work = GetCurrentThreadID(); });
  });
  worker.join();
  EXPECT_EQ(work, caller);
}

}  // namespace
