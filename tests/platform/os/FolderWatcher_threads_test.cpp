#include "platform/os/FolderWatcher.h"

#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/inotify.h>

#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "platform/os/Registry.h"
#include "platform/rtl/Service.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

constexpr int kSignalWaitMs = 5000;

int ThreadCount() {
  int count = 0;
  if (DIR* dir = opendir("/proc/self/task")) {
    while (dirent* e = readdir(dir)) count += e->d_name[0] != '.';
    closedir(dir);
  }
  return count;
}

}  // namespace

// Requests on many keys of one store are served by one thread; every one
// hears its own key's change, and only that.
TEST(RegistryChangeWatcher, ManyRequestsShareOneThreadAndEachHearsItsKey) {
  rvtest::TempDir dir;
  TRegistryRoot root(dir.Path());
  TServiceScope<TRegistryRoot> scope(SetRegistryRoot, root);
  constexpr int kKeys = 12;
  // The events outlive the keys: closing a key sets its pending events.
  std::vector<std::unique_ptr<TEvent>> events;
  std::vector<std::unique_ptr<TRegistry>> keys;
  int withOne = 0;
  for (int i = 0; i < kKeys; ++i) {
    keys.push_back(std::make_unique<TRegistry>());
    ASSERT_TRUE(keys.back()->OpenKey("K" + std::to_string(i), true));
    events.push_back(std::make_unique<TEvent>(true, false));
    ASSERT_EQ(RegNotifyChangeKeyValue(keys.back()->CurrentKey(), false, REG_NOTIFY_CHANGE_LAST_SET, events.back().get(),
                                      true),
              ERROR_SUCCESS);
    // The first request starts the store's watcher; the others add no thread.
    if (i == 0) withOne = ThreadCount();
  }
  EXPECT_EQ(ThreadCount(), withOne);
  for (int i = 0; i < kKeys; i += 2) keys[i]->WriteString("v", "changed");
  for (int i = 0; i < kKeys; i += 2) EXPECT_EQ(events[i]->WaitFor(kSignalWaitMs), WAIT_OBJECT_0) << i;
  for (int i = 1; i < kKeys; i += 2) EXPECT_EQ(events[i]->WaitFor(100), WAIT_TIMEOUT) << i;
}

// A watch removed while changes pour in never hears another one, and the
// watcher ends cleanly with watches still in place.
TEST(FolderWatcher, ARemovedWatchHearsNothingMore) {
  rvtest::TempDir dir;
  std::atomic<bool> stopWriting{false};
  std::thread writer([&] {
    for (int i = 0; !stopWriting; i = (i + 1) % 50) rvtest::WriteFile(dir.File("f" + std::to_string(i)), "x");
  });
  {
    TFolderWatcher watcher;
    watcher.Add(dir.Path(), false, IN_CLOSE_WRITE, [](const TInotifyEvent&) { return true; });
    for (int round = 0; round < 20; ++round) {
      std::atomic<bool> removed{false};
      std::atomic<int> late{0};
      std::atomic<int> heard{0};
      const auto id = watcher.Add(dir.Path(), false, IN_CLOSE_WRITE, [&](const TInotifyEvent&) {
        late += removed.load();
        ++heard;
        return true;
      });
      while (heard == 0) std::this_thread::yield();
      watcher.Remove(id);
      removed = true;
      watcher.Remove(id);  // twice is harmless
      EXPECT_EQ(late, 0) << round;
    }
  }
  stopWriting = true;
  writer.join();
}

// A handler that answers false is done with after that change.
TEST(FolderWatcher, AHandlerEndsItsWatchByAnsweringFalse) {
  rvtest::TempDir dir;
  // Everything the handlers touch outlives the watcher.
  std::atomic<int> heard{0};
  TEvent first(true, false);
  TEvent second(true, false);
  TFolderWatcher watcher;
  watcher.Add(dir.Path(), false, IN_CLOSE_WRITE, [&](const TInotifyEvent&) {
    ++heard;
    first.SetEvent();
    return false;
  });
  rvtest::WriteFile(dir.File("a"), "1");
  ASSERT_EQ(first.WaitFor(kSignalWaitMs), WAIT_OBJECT_0);
  // A second watch shows when the later writes have been heard.
  watcher.Add(dir.Path(), false, IN_CLOSE_WRITE, [&](const TInotifyEvent& e) {
    if (e.Name == "c") second.SetEvent();
    return true;
  });
  rvtest::WriteFile(dir.File("b"), "2");
  rvtest::WriteFile(dir.File("c"), "3");
  ASSERT_EQ(second.WaitFor(kSignalWaitMs), WAIT_OBJECT_0);
  EXPECT_EQ(heard, 1);
}
