#include "platform/forms/MessageWindow.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "tests/support/GuiQueue.h"

using namespace rv;

namespace {

TEST(MessageWindowThreads, MessagesPostedFromOtherThreadsWakeTheWaitingLoop) {
  std::vector<std::string> seen;
  const THandle wnd = AllocateHWnd([&](TMessage& M) {
    seen.push_back(std::to_string(M.Msg) + "/" + std::to_string(M.WParam) + "/" + std::to_string(M.LParam));
  });
  std::vector<std::thread> posters;
  for (int t = 0; t < 4; ++t)
    posters.emplace_back([&, t] {
      for (int i = 0; i < 25; ++i) PostMessage(wnd, WM_USER, static_cast<WPARAM>(t), i);
    });
  EXPECT_TRUE(rvtest::ServeAppUntil([&] { return seen.size() == 100; }));
  for (std::thread& t : posters) t.join();
  // Each thread's messages keep their order.
  for (int t = 0; t < 4; ++t) {
    int expected = 0;
    for (const std::string& s : seen) {
      if (s.rfind("1024/" + std::to_string(t) + "/", 0) != 0) continue;
      EXPECT_EQ(s, "1024/" + std::to_string(t) + "/" + std::to_string(expected++));
    }
    EXPECT_EQ(expected, 25);
  }
  DeallocateHWnd(wnd);
}

}  // namespace
