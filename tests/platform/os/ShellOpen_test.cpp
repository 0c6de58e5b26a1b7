#include "platform/os/ShellOpen.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/platform/os/OsTestSupport.h"

namespace rv {
namespace {

using namespace std::chrono_literals;

TEST(ShellOpen, HandsTheTargetToTheOpenerAsOneArgument) {
  rvtest::TempDir dir;
  const std::string log = dir.File("args");
  // The fake opener records its arguments and exits with the code the target asks for.
  test::WriteScript(dir.File("xdg-open"),
                    "for a in \"$@\"; do printf '[%s]' \"$a\" >> '" + log + "'; done\n"
                    "case \"$1\" in *fail*) exit 4;; esac\nexit 0\n");
  test::TPathPrepend path(dir.Path());
  struct {
    std::string target;
    TShellOpenStatus status;
    int exitCode;
    std::string recorded;
  } const cases[] = {
      {"https://example.org/a?b=1&c=2#d", soOpened, 0, "[https://example.org/a?b=1&c=2#d]"},
      {"/tmp/a file; rm -rf ~", soOpened, 0, "[/tmp/a file; rm -rf ~]"},
      {"https://example.org/fail", soFailed, 4, "[https://example.org/fail]"},
      {"", soRefused, 0, ""},
      {"--help", soRefused, 0, ""},
      {"-", soRefused, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    std::filesystem::remove(log);
    TShellOpener opener;
    opener.Wait = 20s;
    TShellOpenResult r = ShellOpen(c.target, opener);
    EXPECT_EQ(r.Status, c.status);
    EXPECT_EQ(r.ExitCode, c.exitCode);
    EXPECT_EQ(rvtest::ReadFile(log), c.recorded);
  }
}

TEST(ShellOpen, MissingOpenerIsNotStarted) {
  TShellOpener opener;
  opener.Program = "rv-no-such-opener";
  EXPECT_EQ(ShellOpen("https://example.org", opener).Status, soNotStarted);
}

}  // namespace
}  // namespace rv
