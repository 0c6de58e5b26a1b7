#include "platform/rtl/Program.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/os/Process.h"
#include "tests/support/Environment.h"

namespace rv {
namespace {

using Args = std::vector<std::string>;

// Started by the tests below as a child of its own: writes what it sees of
// itself as a command-line record and ends before any test runs.
[[maybe_unused]] const bool childReport = [] {
  if (!std::getenv("RV_PROGRAM_CHILD")) return false;
  Args seen{ExecutablePath(), std::to_string(ParamCount())};
  for (int i = -1; i <= ParamCount() + 1; ++i) seen.push_back(ParamStr(i));
  for (const std::string& s : seen) std::fwrite(s.c_str(), 1, s.size() + 1, stdout);
  std::fflush(stdout);
  std::_Exit(0);
}();

TEST(SplitCommandLine, EndedAndUnendedArguments) {
  using namespace std::string_view_literals;
  const std::pair<std::string_view, Args> cases[] = {
      {""sv, {}},
      {"prog\0"sv, {"prog"}},
      {"prog\0a b\0"sv, {"prog", "a b"}},
      {"prog\0\0last\0"sv, {"prog", "", "last"}},
      {"prog\0unended"sv, {"prog", "unended"}},
      {"\0"sv, {""}},
      {"\0\0"sv, {"", ""}},
      {"no nul at all"sv, {"no nul at all"}},
  };
  for (const auto& [record, args] : cases) EXPECT_EQ(SplitCommandLine(record), args) << record.size();
}

// A path longer than any first guess at its size, so ExecutablePath must grow.
std::string linkSelfDeep(const rvtest::TempDir& dir) {
  std::string folder = dir.Path();
  for (int i = 0; i < 4; ++i) folder += "/" + std::string(100, static_cast<char>('a' + i));
  std::filesystem::create_directories(folder);
  const std::string exe = folder + "/child";
  std::error_code ec;
  std::filesystem::create_hard_link(ExecutablePath(), exe, ec);
  if (ec) std::filesystem::copy_file(ExecutablePath(), exe);
  return exe;
}

TEST(Program, AChildSeesItsPathAndParameters) {
  rvtest::TempDir dir;
  const std::string exe = linkSelfDeep(dir);
  test::TEnvOverride child("RV_PROGRAM_CHILD", "1");
  const std::pair<Args, Args> cases[] = {
      {{exe}, {exe, "0", "", exe, ""}},
      {{exe, "first", "two words", "", "line\nbreak"},
       {exe, "4", "", exe, "first", "two words", "", "line\nbreak", ""}},
  };
  for (const auto& [args, seen] : cases) {
    const TProcessResult run = RunProcess(args);
    ASSERT_TRUE(run.ExitedWith(0)) << run.Errors;
    EXPECT_EQ(SplitCommandLine(run.Output), seen);
  }
}

TEST(Program, MatchesTheKernelRecord) {
  std::ifstream file("/proc/self/cmdline", std::ios::binary);
  const Args record = SplitCommandLine(std::string(std::istreambuf_iterator<char>(file), {}));
  ASSERT_FALSE(record.empty());
  ASSERT_EQ(ParamCount(), static_cast<int>(record.size()) - 1);
  for (int i = 1; i <= ParamCount(); ++i) EXPECT_EQ(ParamStr(i), record[static_cast<std::size_t>(i)]);
  EXPECT_EQ(ParamStr(0), std::filesystem::read_symlink("/proc/self/exe").string());
  EXPECT_EQ(ExecutablePath(), ParamStr(0));
}

}  // namespace
}  // namespace rv
