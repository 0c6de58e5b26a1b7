#include "platform/os/UserAndHost.h"

#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace rv {
namespace {

TEST(UserAndHost, AgreeWithTheSystemAndKnowNoStranger) {
  utsname names{};
  ASSERT_EQ(::uname(&names), 0);
  EXPECT_EQ(HostName(), names.nodename);
  EXPECT_EQ(EffectiveUserId(), ::geteuid());
  EXPECT_EQ(UserNameOf(0), "root");
  const passwd* self = ::getpwuid(::geteuid());
  EXPECT_EQ(UserNameOf(::geteuid()), self ? self->pw_name : "");
  // No user database holds an id this high.
  EXPECT_EQ(UserNameOf(4'000'000'000u), "");
}

}  // namespace
}  // namespace rv
