#include "platform/os/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <cerrno>
#include <filesystem>

#include <gtest/gtest.h>

#include "tests/platform/os/OsTestSupport.h"

namespace rv {
namespace {

using namespace std::chrono_literals;
using rvtest::ReadFile;
using test::WriteScript;

// The processes whose parent we are, from /proc: pid and state letter.
std::vector<std::pair<pid_t, char>> ourChildren() {
  std::vector<std::pair<pid_t, char>> children;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::string stat = ReadFile(entry.path().string() + "/stat");
    auto close = stat.rfind(')');
    if (close == std::string::npos) continue;
    char state = 0;
    int ppid = 0;
    if (std::sscanf(stat.c_str() + close + 1, " %c %d", &state, &ppid) == 2 && ppid == ::getpid())
      children.emplace_back(std::stoi(entry.path().filename().string()), state);
  }
  return children;
}

struct RunCase {
  const char* name;
  std::vector<std::string> args;
  std::string input;
  TProcessOutcome outcome;
  int code;
  std::string output;
  std::string errors;
};

TEST(RunProcess, OutcomesOutputAndErrors) {
  rvtest::TempDir dir;
  rvtest::WriteFile(dir.File("plain.txt"), "not a program");
  const RunCase cases[] = {
      {"exit code", {"/bin/sh", "-c", "exit 3"}, "", poExited, 3, "", ""},
      {"stdin to stdout", {"cat"}, "hello\r\nworld", poExited, 0, "hello\r\nworld", ""},
      {"stderr apart", {"/bin/sh", "-c", "echo out; echo err >&2"}, "", poExited, 0, "out\n", "err\n"},
      {"arguments verbatim, no shell",
       {"printf", "%s|", "a b", "-x", "'q'", "$HOME", "*", "`id`"}, "", poExited, 0,
       "a b|-x|'q'|$HOME|*|`id`|", ""},
      {"signal", {"/bin/sh", "-c", "kill -TERM $$"}, "", poSignalled, SIGTERM, "", ""},
      {"missing program", {"rv-no-such-program"}, "", poNotStarted, ENOENT, "", ""},
      {"not executable", {dir.File("plain.txt")}, "", poNotStarted, EACCES, "", ""},
      {"NUL inside an argument", {"printf", std::string("a\0b", 3)}, "", poNotStarted, EINVAL, "", ""},
      {"empty vector", {}, "", poNotStarted, EINVAL, "", ""},
  };
  for (const RunCase& c : cases) {
    SCOPED_TRACE(c.name);
    TRunOptions options;
    options.Input = c.input;
    TProcessResult r = RunProcess(c.args, options);
    EXPECT_EQ(r.Outcome, c.outcome);
    EXPECT_EQ(r.Code, c.code);
    EXPECT_EQ(r.Output, c.output);
    EXPECT_EQ(r.Errors, c.errors);
  }
  EXPECT_TRUE(ourChildren().empty());
}

TEST(RunProcess, LargeInputIsFedWhileOutputIsRead) {
  std::string input;
  for (int i = 0; input.size() < 600'000; ++i) input += std::to_string(i) + "\n";
  TRunOptions options;
  options.Input = input;
  TProcessResult r = RunProcess({"cat"}, options);
  EXPECT_TRUE(r.ExitedWith(0));
  EXPECT_EQ(r.Output, input);
}

TEST(RunProcess, ProgramThatStopsReadingDoesNotKillUs) {
  TRunOptions options;
  options.Input = std::string(8 << 20, 'x');
  TProcessResult r = RunProcess({"/bin/sh", "-c", "exit 5"}, options);
  EXPECT_TRUE(r.ExitedWith(5));
}

TEST(RunProcess, TimeOutKillsAndReaps) {
  TRunOptions options;
  options.Timeout = 100ms;
  TProcessResult r = RunProcess({"sleep", "30"}, options);
  EXPECT_EQ(r.Outcome, poTimedOut);
  EXPECT_TRUE(ourChildren().empty());
}

TEST(RunProcess, BackgroundProgramHoldingTheOutputIsNotWaitedFor) {
  TRunOptions options;
  options.Timeout = 20s;
  TProcessResult r = RunProcess({"/bin/sh", "-c", "sleep 3 & echo done"}, options);
  EXPECT_TRUE(r.ExitedWith(0));
  EXPECT_EQ(r.Output, "done\n");
}

TEST(RunProcess, ChildGetsNoneOfOurDescriptors) {
  int leaky = ::open("/dev/null", O_RDONLY);  // deliberately without O_CLOEXEC
  ASSERT_GE(leaky, 3);
  TProcessResult r = RunProcess(
      {"/bin/sh", "-c", "if [ -e /proc/$$/fd/$1 ]; then echo open; else echo closed; fi", "sh",
       std::to_string(leaky)});
  ::close(leaky);
  EXPECT_EQ(r.Output, "closed\n");
}

TEST(FindProgram, SearchesPathOnlyForBareNames) {
  rvtest::TempDir dir;
  WriteScript(dir.File("rv-fake-tool"), "exit 0\n");
  test::TPathPrepend path(dir.Path());
  EXPECT_EQ(FindProgram("rv-fake-tool"), dir.File("rv-fake-tool"));
  EXPECT_EQ(FindProgram("./rv-fake-tool"), "./rv-fake-tool");
  EXPECT_EQ(FindProgram("rv-no-such-program"), "");
  EXPECT_EQ(FindProgram(""), "");
}

TEST(StartDetached, ReportsExitCodesAndStartFailures) {
  rvtest::TempDir dir;
  struct {
    std::vector<std::string> args;
    TProcessOutcome outcome;
    int code;
  } const cases[] = {
      {{WriteScript(dir.File("ok"), "exit 0\n")}, poExited, 0},
      {{WriteScript(dir.File("four"), "exit 4\n")}, poExited, 4},
      {{"rv-no-such-program"}, poNotStarted, ENOENT},
      {{"/dev/null"}, poNotStarted, EACCES},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[0]);
    TProcessResult r = StartDetached(c.args, 20s);
    EXPECT_EQ(r.Outcome, c.outcome);
    EXPECT_EQ(r.Code, c.code);
    EXPECT_TRUE(ourChildren().empty());
  }
}

TEST(StartDetached, ProgramStillRunningIsLaunchedAndLeavesNoZombie) {
  rvtest::TempDir dir;
  const std::string pidFile = dir.File("pid");
  WriteScript(dir.File("stays"),
              "echo $$ > \"$1.part\"; readlink /proc/$$/fd/0 >> \"$1.part\"; mv \"$1.part\" \"$1\"\n"
              "exec sleep 60\n");
  // As subreaper we inherit the orphaned program, which shows that the
  // intermediate process is gone and lets the test reap the program itself.
  ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  TProcessResult r = StartDetached({dir.File("stays"), pidFile}, 200ms);
  EXPECT_EQ(r.Outcome, poStillRunning);
  ASSERT_TRUE(test::PollUntil([&] { return std::filesystem::exists(pidFile); }));
  std::istringstream info(ReadFile(pidFile));
  pid_t program = 0;
  std::string stdinTarget;
  info >> program >> stdinTarget;
  EXPECT_EQ(stdinTarget, "/dev/null");
  EXPECT_EQ(::getsid(program), program);
  ASSERT_TRUE(test::PollUntil([&] { return ourChildren().size() == 1; }));
  EXPECT_EQ(ourChildren().front().first, program);
  EXPECT_NE(ourChildren().front().second, 'Z');
  ::kill(program, SIGKILL);
  EXPECT_EQ(::waitpid(program, nullptr, 0), program);
  ::prctl(PR_SET_CHILD_SUBREAPER, 0);
}

}  // namespace
}  // namespace rv
