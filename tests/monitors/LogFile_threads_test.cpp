#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <memory>
#include <thread>

#include "monitors/LogFile.h"
#include "platform/classes/Thread.h"
#include "tests/support/GuiQueue.h"
#include "tests/support/TempDir.h"

using namespace rv;
using namespace std::chrono_literals;

namespace {

// Creates and removes files in a folder until stopped.
class ChangeStream {
 public:
  explicit ChangeStream(const std::string& folder)
      : FThread([this, folder] {
          for (int i = 0; !FStop; ++i) {
            const std::string path = folder + "/s" + std::to_string(i % 16);
            rvtest::WriteFile(path, "x");
            std::filesystem::remove(path);
          }
        }) {}
  ~ChangeStream() {
    FStop = true;
    FThread.join();
  }

 private:
  std::atomic<bool> FStop{false};
  std::thread FThread;
};

TEST(QVFileLogThreads, ActivationDeactivationAndDestructionRaceAStreamOfChanges) {
  rvtest::TempDir dir;
  ChangeStream stream(dir.Path());
  int calls = 0;
  for (int round = 0; round < 30; ++round) {
    auto log = std::make_unique<TQVFileLog>(nullptr);
    log->SetFolder(dir.Path());
    log->SetOptions({foFile, foSize, foTime, foAttributes});
    log->SetOnFileNotification([&](TObject*, TFileNotificationOption) { ++calls; });
    log->SetActive(true);
    rvtest::ServeFor(3ms);
    log->SetOptions({foFile});
    log->SetActive(false);
    log->SetActive(true);
    rvtest::ServeFor(3ms);
    // Destroyed while active, a handover possibly pending.
  }
  EXPECT_GT(calls, 0);
}

TEST(QVFileLogThreads, ACallbackThatRaisesReachesTheApplicationsHandlerAndWatchingGoesOn) {
  rvtest::TempDir dir;
  std::vector<std::string> handled;
  TNotifyEvent previous = SetApplicationHandleException([&](TObject*) {
    try {
      throw;
    } catch (const Exception& e) {
      handled.push_back(e.Message());
    }
  });
  {
    TQVFileLog log(nullptr);
    log.SetFolder(dir.Path());
    int calls = 0;
    log.SetOnFileNotification([&](TObject*, TFileNotificationOption) {
      if (++calls == 1) throw EConvertError("bad callback");
    });
    log.SetActive(true);
    rvtest::WriteFile(dir.File("a"), "");
    ASSERT_TRUE(rvtest::ServeUntil([&] { return !handled.empty(); }));
    EXPECT_EQ(handled, std::vector<std::string>{"bad callback"});
    rvtest::WriteFile(dir.File("b"), "");
    EXPECT_TRUE(rvtest::ServeUntil([&] { return calls == 2; }));
  }
  SetApplicationHandleException(previous);
}

TEST(QVFileLogThreads, ACallbackMayDeactivateOrDestroyItsOwnComponent) {
  rvtest::TempDir dir;
  ChangeStream stream(dir.Path());
  for (bool destroy : {false, true}) {
    auto* log = new TQVFileLog(nullptr);
    log->SetFolder(dir.Path());
    int calls = 0;
    log->SetOnFileNotification([&](TObject* sender, TFileNotificationOption) {
      ++calls;
      if (destroy)
        delete static_cast<TQVFileLog*>(sender);
      else
        static_cast<TQVFileLog*>(sender)->SetActive(false);
    });
    log->SetActive(true);
    ASSERT_TRUE(rvtest::ServeUntil([&] { return calls > 0; }));
    rvtest::ServeFor(100ms);
    EXPECT_EQ(calls, 1);
    if (!destroy) {
      EXPECT_FALSE(log->Active());
      delete log;
    }
  }
}

TEST(QVFileLogThreads, ACallbackMayMoveTheWatch) {
  rvtest::TempDir a, b;
  TQVFileLog log(nullptr);
  log.SetFolder(a.Path());
  std::vector<std::string> folders;
  log.SetOnFileNotification([&](TObject*, TFileNotificationOption) {
    folders.push_back(log.Folder());
    log.SetFolder(b.Path());
  });
  log.SetActive(true);
  rvtest::WriteFile(a.File("f"), "");
  ASSERT_TRUE(rvtest::ServeUntil([&] { return folders.size() == 1; }));
  rvtest::WriteFile(b.File("f"), "");
  ASSERT_TRUE(rvtest::ServeUntil([&] { return folders.size() == 2; }));
  EXPECT_EQ(folders[1], b.Path());
}

}  // namespace
