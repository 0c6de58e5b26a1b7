#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Service.h"

namespace rv {
namespace {

struct TGreeter {
  virtual ~TGreeter() = default;
  virtual const char* Hello() { return "real"; }
};
struct TFakeGreeter : TGreeter {
  const char* Hello() override { return "fake"; }
};

TGreeter& RealGreeter() {
  static TGreeter greeter;
  return greeter;
}
TService<TGreeter> greeterService{&RealGreeter};
TGreeter* SetGreeter(TGreeter* g) { return greeterService.Install(g); }

TEST(Service, ScopesNestAndRestoreTheFallback) {
  TFakeGreeter outer, inner;
  {
    TServiceScope<TGreeter> a(&SetGreeter, outer);
    {
      TServiceScope<TGreeter> b(&SetGreeter, inner);
      EXPECT_EQ(&greeterService.Get(), &inner);
    }
    EXPECT_STREQ(greeterService.Get().Hello(), "fake");
    EXPECT_EQ(&greeterService.Get(), &outer);
  }
  EXPECT_STREQ(greeterService.Get().Hello(), "real");
}

TEST(Service, AChoiceMadeLaterYieldsToAnInstalledService) {
  TFakeGreeter chosen, installed;
  EXPECT_TRUE(greeterService.InstallIfNone(&chosen));
  EXPECT_EQ(greeterService.Install(&installed), &chosen);
  EXPECT_FALSE(greeterService.InstallIfNone(&chosen));
  EXPECT_EQ(&greeterService.Get(), &installed);
  greeterService.Install(nullptr);
  EXPECT_STREQ(greeterService.Get().Hello(), "real");
}

TEST(ScopeGuard, RunsOnThrowUnlessDismissed) {
  int runs = 0;
  try {
    TScopeExit guard([&] { ++runs; });
    throw std::runtime_error("x");
  } catch (const std::runtime_error&) {
  }
  {
    TScopeExit guard([&] { ++runs; });
    guard.Dismiss();
  }
  EXPECT_EQ(runs, 1);

  bool busy = false;
  try {
    TemporaryChange change(busy, true);
    EXPECT_TRUE(busy);
    throw std::runtime_error("x");
  } catch (const std::runtime_error&) {
  }
  EXPECT_FALSE(busy);
}

}  // namespace
}  // namespace rv
