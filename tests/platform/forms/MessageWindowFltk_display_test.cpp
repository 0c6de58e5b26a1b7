// Message windows and priority sources with the real-window set: its
// backend waits in the toolkit's loop, which must wake for both.

#include <gtest/gtest.h>
#include <sys/socket.h>

#include <string>
#include <thread>
#include <vector>

#include "platform/forms/Application.h"
#include "platform/forms/EventLoop.h"
#include "platform/forms/MessageWindow.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/ScopeGuard.h"
#include "tests/support/UrgentPair.h"
#include "tests/support/XUser.h"

namespace {

using namespace rv;
using namespace rv::test;

TEST(MessageWindowFltkDisplay, PostsFromAThreadAndUrgentDataWakeTheToolkitLoop) {
  ASSERT_EQ(WidgetSet()->Name(), "fltk");
  std::vector<WPARAM> seen;
  const THandle wnd = AllocateHWnd([&](TMessage& M) { seen.push_back(M.WParam); });
  TScopeExit release([&] { DeallocateHWnd(wnd); });
  std::thread poster([&] {
    for (WPARAM i = 0; i < 10; ++i) PostMessage(wnd, WM_USER + 1, i);
  });
  EXPECT_TRUE(pumpUntil([&] { return seen.size() == 10; }));
  poster.join();
  EXPECT_EQ(seen, (std::vector<WPARAM>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));

  rvtest::TUrgentPair pair;
  int urgent = 0;
  const auto id = EventLoop().AddFdSource(
      pair.Receiver.Get(),
      [&](int fd) {
        char c;
        if (::recv(fd, &c, 1, MSG_OOB) == 1) ++urgent;
      },
      fdPriority);
  TScopeExit remove([&] { EventLoop().RemoveFdSource(id); });
  pair.Urgent();
  EXPECT_TRUE(pumpUntil([&] { return urgent == 1; }));
}

}  // namespace
