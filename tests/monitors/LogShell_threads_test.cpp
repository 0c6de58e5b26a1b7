#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "monitors/LogShell.h"
#include "tests/support/GuiQueue.h"

using namespace rv;

namespace {

TEST(QVShellLogThreads, NotificationsPostedFromOtherThreadsArriveInTheirOrder) {
  TQVShellLog log(nullptr);
  std::vector<std::string> calls;
  log.SetOnNetShare([&](TObject*, const std::string& V) { calls.push_back("share " + V); });
  log.SetOnFolderRename(
      [&](TObject*, const std::string& A, const std::string& B) { calls.push_back("rename " + A + " " + B); });
  std::vector<std::thread> posters;
  for (int t = 0; t < 3; ++t)
    posters.emplace_back([&log, t] {
      for (int i = 0; i < 20; ++i)
        log.PostNotification(SHCNE_NETSHARE, "/s" + std::to_string(t) + "/" + std::to_string(i));
    });
  std::thread renamer([&] { log.PostNotification(SHCNE_RENAMEFOLDER, "/old", "/new"); });
  for (std::thread& t : posters) t.join();
  renamer.join();
  EXPECT_TRUE(rvtest::ServeAppUntil([&] { return calls.size() == 61; }));
  for (int t = 0; t < 3; ++t) {
    int next = 0;
    const std::string prefix = "share /s" + std::to_string(t) + "/";
    for (const std::string& c : calls) {
      if (c.rfind(prefix, 0) != 0) continue;
      EXPECT_EQ(c, prefix + std::to_string(next++));
    }
    EXPECT_EQ(next, 20);
  }
}

}  // namespace
