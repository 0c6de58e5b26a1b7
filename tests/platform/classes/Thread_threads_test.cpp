#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>
#include <vector>

#include "platform/classes/Thread.h"

using namespace rv;

namespace {

// A thread whose body is given; it ends itself before its members go.
class TFnThread : public TThread {
 public:
  using Body = std::function<void(TFnThread&)>;
  explicit TFnThread(Body body, bool start = true) : TThread(true), FBody(std::move(body)) {
    if (start) Start();
  }
  ~TFnThread() override {
    if (Started() && !FreeOnTerminate()) {
      Terminate();
      WaitFor();
    }
    if (Destroyed) *Destroyed = true;
  }
  using TThread::Queue;
  using TThread::SetReturnValue;
  using TThread::Synchronize;
  std::atomic<bool>* Destroyed = nullptr;

 protected:
  void Execute() override { FBody(*this); }

 private:
  Body FBody;
};

// Polls the condition to a deadline, serving the GUI queue meanwhile or
// not; false at the deadline.
bool until(const std::function<bool()>& condition, bool serve) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    serve ? void(CheckSynchronize(10)) : std::this_thread::yield();
  }
  return true;
}
bool serveUntil(const std::function<bool()>& condition) { return until(condition, true); }
bool waitUntil(const std::function<bool()>& condition) { return until(condition, false); }

TEST(Thread, RunsSuspendedOnlyAfterStartAndReportsItsEnd) {
  std::atomic<bool> ran{false}, onGui{true};
  TThreadID seen = 0;
  TFnThread t(
      [&](TFnThread& self) {
        ran = true;
        onGui = IsMainThread();
        seen = GetCurrentThreadID();
        self.SetReturnValue(7);
      },
      false);
  EXPECT_FALSE(t.Started());
  EXPECT_EQ(t.ThreadID(), 0u);
  EXPECT_FALSE(ran);
  t.Start();
  EXPECT_NE(t.ThreadID(), 0u);
  EXPECT_NE(t.ThreadID(), MainThreadID());
  EXPECT_EQ(t.WaitFor(), 7);
  EXPECT_TRUE(ran);
  EXPECT_TRUE(t.Finished());
  EXPECT_EQ(seen, t.ThreadID());
  EXPECT_TRUE(IsMainThread());
  EXPECT_FALSE(onGui);
  EXPECT_THROW(t.Start(), EThread);
  EXPECT_EQ(t.FatalException(), nullptr);
}

TEST(Thread, RefusesWaitsThatCouldNeverEnd) {
  TFnThread neverStarted([](TFnThread&) {}, false);
  EXPECT_THROW(neverStarted.WaitFor(), EThread);

  std::atomic<int> refused{0};
  auto refusing = [&](const std::function<void()>& call) {
    try {
      call();
    } catch (const EThread&) {
      ++refused;
    }
  };
  TFnThread selfWaiting([&](TFnThread& self) {
    refusing([&] { self.WaitFor(); });
    refusing([] { CheckSynchronize(); });  // off the GUI thread
  });
  selfWaiting.WaitFor();
  EXPECT_EQ(refused, 2);

  std::atomic<bool> release{false}, freed{false};
  auto* freeing = new TFnThread([&](TFnThread&) { waitUntil([&] { return release.load(); }); }, false);
  freeing->Destroyed = &freed;
  freeing->SetFreeOnTerminate(true);
  freeing->Start();
  EXPECT_THROW(freeing->WaitFor(), EThread);
  release = true;
  EXPECT_TRUE(waitUntil([&] { return freed.load(); }));
}

TEST(Thread, SynchronizeRunsOnTheGuiThreadWhileManyWorkersWaitInWaitFor) {
  constexpr int Workers = 8, Calls = 100;
  int counter = 0;  // touched on the GUI thread only
  std::atomic<int> offGui{0};
  std::vector<std::unique_ptr<TFnThread>> threads;
  for (int w = 0; w < Workers; ++w)
    threads.push_back(std::make_unique<TFnThread>([&](TFnThread& self) {
      for (int i = 0; i < Calls; ++i)
        self.Synchronize([&] {
          if (!IsMainThread()) ++offGui;
          ++counter;
        });
    }));
  // WaitFor on the GUI thread serves everyone's calls, also those of the
  // threads not waited for yet.
  for (auto& t : threads) t->WaitFor();
  EXPECT_EQ(counter, Workers * Calls);
  EXPECT_EQ(offGui, 0);
}

TEST(Thread, WaitForInsideAQueuedCallStillServesTheCallsQueuedBehindIt) {
  std::atomic<bool> synchronized{false};
  TFnThread worker([&](TFnThread& self) { self.Synchronize([&] { synchronized = true; }); }, false);
  bool waited = false;
  TThread::Queue(nullptr, [&] {
    worker.Start();
    worker.WaitFor();
    waited = true;
  });
  ASSERT_TRUE(serveUntil([&] { return waited; }));
  EXPECT_TRUE(synchronized);
}

TEST(Thread, AnExceptionInASynchronizedCallIsRaisedAgainInTheWorker) {
  std::string caughtMessage;
  void* site = nullptr;
  std::atomic<bool> done{false};
  std::thread plain([&] {
    try {
      TThread::Synchronize(nullptr, [] { throw EConvertError("not a number"); });
    } catch (const EConvertError& e) {
      caughtMessage = e.Message();
      site = ThrowAddress(std::current_exception());
    }
    done = true;
  });
  ASSERT_TRUE(serveUntil([&] { return done.load(); }));
  plain.join();
  EXPECT_EQ(caughtMessage, "not a number");
  EXPECT_NE(site, nullptr);
  // On the GUI thread the call runs at once and raises directly.
  EXPECT_THROW(TThread::Synchronize(nullptr, [] { throw EConvertError("inline"); }), EConvertError);
}

TEST(Thread, QueuedCallsRunInOrderAndLater) {
  std::vector<int> order;
  TFnThread t([&](TFnThread& self) {
    for (int i = 0; i < 100; ++i) self.Queue([&order, i] { order.push_back(i); });
  });
  t.WaitFor();
  CheckSynchronize();
  std::vector<int> expected;
  for (int i = 0; i < 100; ++i) expected.push_back(i);
  EXPECT_EQ(order, expected);

  // Also asynchronous on the GUI thread itself.
  bool ran = false;
  TThread::Queue(nullptr, [&] { ran = true; });
  EXPECT_FALSE(ran);
  EXPECT_TRUE(CheckSynchronize());
  EXPECT_TRUE(ran);
  EXPECT_FALSE(CheckSynchronize(10));
}

TEST(Thread, DestroyingAThreadRemovesItsQueuedCalls) {
  bool ranOfDestroyed = false, ranOfOther = false;
  auto t = std::make_unique<TFnThread>([&](TFnThread& self) { self.Queue([&] { ranOfDestroyed = true; }); });
  TFnThread other([&](TFnThread& self) { self.Queue([&] { ranOfOther = true; }); });
  ASSERT_TRUE(waitUntil([&] { return t->Finished() && other.Finished(); }));
  t.reset();
  CheckSynchronize();
  EXPECT_FALSE(ranOfDestroyed);
  EXPECT_TRUE(ranOfOther);
}

TEST(Thread, ANeverStartedThreadIsDestroyedWithoutRunning) {
  std::atomic<bool> ran{false}, destroyed{false};
  {
    TFnThread t([&](TFnThread&) { ran = true; }, false);
    t.Destroyed = &destroyed;
  }
  EXPECT_TRUE(destroyed);
  EXPECT_FALSE(ran);
}

TEST(Thread, FreeOnTerminateDeletesItselfAfterOnTerminateRanOnTheGuiThread) {
  std::atomic<bool> destroyed{false};
  bool terminatedOnGui = false;
  TObject* sender = nullptr;
  auto* t = new TFnThread([](TFnThread&) {}, false);
  t->Destroyed = &destroyed;
  t->SetFreeOnTerminate(true);
  t->SetOnTerminate([&](TObject* Sender) {
    sender = Sender;
    terminatedOnGui = IsMainThread();
  });
  t->Start();
  ASSERT_TRUE(serveUntil([&] { return destroyed.load(); }));
  EXPECT_EQ(sender, t);
  EXPECT_TRUE(terminatedOnGui);
}

// Records where it was built, to tell the thrown object from a copy.
struct Tracked : EConvertError {
  Tracked() : EConvertError("tracked") { Where = this; }
  static inline const void* Where = nullptr;
};

struct Fatal {
  const char* Name;
  std::function<void()> Thrower;
  std::string ClassName;
  std::string Message;
};

TEST(Thread, AnExceptionEscapingExecuteBecomesTheFatalException) {
  const std::vector<Fatal> cases = {
      {"std", [] { throw std::runtime_error("lost"); }, "std::runtime_error", "lost"},
      {"other", [] { throw 3; }, "int", ""},
  };
  for (const Fatal& c : cases) {
    SCOPED_TRACE(c.Name);
    TFnThread t([&](TFnThread&) { c.Thrower(); });
    t.WaitFor();
    ASSERT_NE(t.FatalException(), nullptr);
    EXPECT_EQ(t.FatalException()->ClassName(), c.ClassName);
    EXPECT_EQ(t.FatalException()->Message(), c.Message);
  }
  TFnThread own([](TFnThread&) { throw Tracked(); });
  own.WaitFor();
  EXPECT_EQ(own.FatalException(), Tracked::Where);
}

TEST(Thread, AnExceptionInAQueuedCallGoesToTheApplicationHandlerWithTheThread) {
  TObject* sender = nullptr;
  std::string message;
  TNotifyEvent previous = SetApplicationHandleException([&](TObject* Sender) {
    sender = Sender;
    TExceptionScope scope(std::current_exception());
    message = scope.Object().Message();
  });
  bool after = false;
  TFnThread t([&](TFnThread& self) {
    self.Queue([] { throw std::runtime_error("queued"); });
    self.Queue([&] { after = true; });
  });
  t.WaitFor();
  CheckSynchronize();
  SetApplicationHandleException(previous);
  EXPECT_EQ(sender, &t);
  EXPECT_EQ(message, "queued");
  EXPECT_TRUE(after);
}

TEST(Thread, WaitForFromAnotherWorker) {
  std::atomic<bool> release{false};
  TFnThread target([&](TFnThread& self) {
    waitUntil([&] { return release.load(); });
    self.SetReturnValue(5);
  });
  std::atomic<int> result{0};
  TFnThread waiter([&](TFnThread&) { result = target.WaitFor(); });
  release = true;
  waiter.WaitFor();
  EXPECT_EQ(result, 5);
}

}  // namespace
