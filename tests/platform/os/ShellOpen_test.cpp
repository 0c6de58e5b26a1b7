#include "platform/os/ShellOpen.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/Environment.h"

namespace rv {
namespace {

TEST(ShellOpen, HandsTheTargetToTheOpenerAsOneArgument) {
  rvtest::TempDir dir;
  const std::string log = dir.File("args");
  // The fake opener records its arguments and fails for targets containing "fail".
  test::WriteScript(dir.File("xdg-open"), "for a in \"$@\"; do printf '[%s]' \"$a\" >> '" + log +
                                              "'; done\n"
                                              "case \"$1\" in *fail*) exit 4;; esac\n");
  const std::tuple<std::string, TShellOpenStatus, int, std::string> cases[] = {
      {"https://example.org/a?b=1&c=2#d", soOpened, 0, "[https://example.org/a?b=1&c=2#d]"},
      {"/tmp/a file; rm -rf ~", soOpened, 0, "[/tmp/a file; rm -rf ~]"},
      {"https://example.org/fail", soFailed, 4, "[https://example.org/fail]"},
      {"", soRefused, 0, ""},
      {"--help", soRefused, 0, ""},
  };
  for (const auto& [target, status, code, recorded] : cases) {
    std::filesystem::remove(log);
    const TShellOpenResult r = ShellOpen(target, {dir.File("xdg-open"), std::chrono::seconds(20)});
    EXPECT_EQ(std::make_tuple(r.Status, r.ExitCode, rvtest::ReadFile(log)), std::make_tuple(status, code, recorded))
        << target;
  }
  EXPECT_EQ(ShellOpen("https://example.org", {"rv-no-such-opener", std::chrono::seconds(1)}).Status, soNotStarted);
}

}  // namespace
}  // namespace rv
