#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "monitors/LogRegistry.h"
#include "platform/classes/Thread.h"
#include "tests/support/GuiQueue.h"
#include "tests/support/RegistryStore.h"

using namespace rv;
using namespace std::chrono_literals;

namespace {

const char* const kKey = "Software\\Quindarex";

// Rewrites a value of the watched key until stopped.
class ValueStream {
 public:
  ValueStream()
      : FThread([this] {
          TRegistry writer;
          writer.SetRootKey(HKEY_LOCAL_MACHINE);
          writer.OpenKey(kKey, true);
          for (int i = 0; !FStop; ++i) writer.WriteInteger("n", i);
        }) {}
  ~ValueStream() {
    FStop = true;
    FThread.join();
  }

 private:
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

std::unique_ptr<TQVRegistryLog> watcher(int& calls) {
  auto log = std::make_unique<TQVRegistryLog>(nullptr);
  log->SetOptions({roLastSet});
  log->SetOnRegistryNotification([&calls](TObject*) { ++calls; });
  return log;
}

TEST(QVRegistryLogThreads, ActivationDeactivationAndDestructionRaceAStreamOfChanges) {
  rvtest::RegistryStore store;
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.CreateKey(kKey));
  }
  ValueStream stream;
  int calls = 0;
  for (int round = 0; round < 30; ++round) {
    auto log = watcher(calls);
    log->SetActive(true);
    rvtest::ServeFor(3ms);
    log->SetActive(false);
    log->SetActive(true);
    rvtest::ServeFor(3ms);
  }
  EXPECT_GT(calls, 0);
}

TEST(QVRegistryLogThreads, ACallbackMayDeactivateOrDestroyItsOwnComponentOrRaise) {
  rvtest::RegistryStore store;
  {
    TRegistry reg;
    reg.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(reg.CreateKey(kKey));
  }
  ValueStream stream;
  for (bool destroy : {false, true}) {
    int calls = 0;
    auto* log = watcher(calls).release();
    log->SetOnRegistryNotification([&](TObject* sender) {
      ++calls;
      if (destroy)
        delete static_cast<TQVRegistryLog*>(sender);
      else
        static_cast<TQVRegistryLog*>(sender)->SetActive(false);
    });
    log->SetActive(true);
    ASSERT_TRUE(rvtest::ServeUntil([&] { return calls > 0; }));
    rvtest::ServeFor(100ms);
    EXPECT_EQ(calls, 1);
    if (!destroy) delete log;
  }

  int raised = 0;
  TNotifyEvent previous = SetApplicationHandleException([&](TObject*) { ++raised; });
  {
    int calls = 0;
    auto log = watcher(calls);
    log->SetOnRegistryNotification([&](TObject*) {
      ++calls;
      throw EConvertError("bad callback");
    });
    log->SetActive(true);
    EXPECT_TRUE(rvtest::ServeUntil([&] { return raised >= 2 && calls >= 2; }));
  }
  SetApplicationHandleException(previous);
}

}  // namespace
