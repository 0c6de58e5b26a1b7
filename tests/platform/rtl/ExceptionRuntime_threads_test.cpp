#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "platform/rtl/Exceptions.h"

using namespace rv;

namespace {

[[gnu::noinline]] void throwFromSiteA(int n) { throw EConvertError(std::to_string(n)); }
[[gnu::noinline]] void throwFromSiteB(int n) { throw ERangeError(std::to_string(n)); }

void* siteOf(void (*thrower)(int)) {
  try {
    thrower(0);
  } catch (...) {
    return ThrowAddress(std::current_exception());
  }
  return nullptr;
}

// Many threads throw from two sites at once; each sees its own site and only
// its own exception as the one being handled.
TEST(ExceptionRuntimeThreads, ThrowSitesAndScopesStayPerThrowAndPerThread) {
  void* siteA = siteOf(throwFromSiteA);
  void* siteB = siteOf(throwFromSiteB);
  ASSERT_NE(siteA, nullptr);
  ASSERT_NE(siteB, nullptr);
  ASSERT_NE(siteA, siteB);

  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) {
        bool a = (t + i) % 2 == 0;
        try {
          (a ? throwFromSiteA : throwFromSiteB)(i);
        } catch (...) {
          TExceptionScope scope(std::current_exception());
          if (ExceptAddr() != (a ? siteA : siteB)) ++mismatches;
          if (ExceptObject()->Message() != std::to_string(i)) ++mismatches;
        }
        if (ExceptObject() != nullptr) ++mismatches;
      }
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(mismatches, 0);
}

}  // namespace
