#include "platform/rtl/Faults.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <array>

using namespace rv;

namespace {

constexpr std::array<int, 4> kFaultSignals = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};

volatile sig_atomic_t earlierCalls = 0;

void earlierHandler(int, siginfo_t*, void*) { earlierCalls = earlierCalls + 1; }

struct TNoReceiver : TLastChanceReceiver {
  void LastChance() noexcept override {}
};

void* installedHandler(int signal) {
  struct sigaction current {};
  sigaction(signal, nullptr, &current);
  return reinterpret_cast<void*>(current.sa_sigaction);
}

// A handler installed before ours: it still sees the signals that are no
// fault of the code (here sent ones), and it is back once the last fault
// handling goes.
TEST(FaultHandling, HandlersInstalledBeforeStillRunAndComeBack) {
  for (int signal : kFaultSignals) {
    SCOPED_TRACE(signal);
    struct sigaction earlier {
    }, saved{};
    earlier.sa_sigaction = earlierHandler;
    earlier.sa_flags = SA_SIGINFO;
    sigemptyset(&earlier.sa_mask);
    ASSERT_EQ(sigaction(signal, &earlier, &saved), 0);
    earlierCalls = 0;
    TNoReceiver receiver;
    {
      TFaultHandling outer(receiver);
      {
        TFaultHandling inner(receiver);
        EXPECT_NE(installedHandler(signal), reinterpret_cast<void*>(earlierHandler));
        raise(signal);
        EXPECT_EQ(earlierCalls, 1);
      }
      // Still installed while one is left.
      EXPECT_NE(installedHandler(signal), reinterpret_cast<void*>(earlierHandler));
    }
    EXPECT_EQ(installedHandler(signal), reinterpret_cast<void*>(earlierHandler));
    raise(signal);
    EXPECT_EQ(earlierCalls, 2);
    sigaction(signal, &saved, nullptr);
  }
}

TEST(FaultHandling, TheTerminateHandlerComesBack) {
  const std::terminate_handler before = std::get_terminate();
  TNoReceiver receiver;
  {
    TFaultHandling handling(receiver);
    EXPECT_NE(std::get_terminate(), before);
  }
  EXPECT_EQ(std::get_terminate(), before);
}

}  // namespace
