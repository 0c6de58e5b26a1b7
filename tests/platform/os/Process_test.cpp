#include "platform/os/Process.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "platform/rtl/ScopeGuard.h"
#include "tests/support/Environment.h"

namespace rv {
namespace {

using namespace std::chrono_literals;

// The processes whose parent we are (pid, state letter), from /proc.
std::vector<std::pair<pid_t, char>> ourChildren() {
  std::vector<std::pair<pid_t, char>> children;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    const std::string stat = rvtest::ReadFile(entry.path().string() + "/stat");
    char state = 0;
    int ppid = 0;
    if (stat.rfind(')') != std::string::npos &&
        std::sscanf(stat.c_str() + stat.rfind(')') + 1, " %c %d", &state, &ppid) == 2 && ppid == ::getpid())
      children.emplace_back(std::stoi(entry.path().filename().string()), state);
  }
  return children;
}

TEST(RunProcess, OutcomesInputAndOutput) {
  rvtest::TempDir dir;
  rvtest::WriteFile(dir.File("plain.txt"), "not a program");
  const int leaky = ::open("/dev/null", O_RDONLY);  // deliberately not close-on-exec
  std::string big;
  for (int i = 0; big.size() < 600'000; ++i) big += std::to_string(i) + "\n";
  const struct {
    std::vector<std::string> args;
    std::string input;
    TProcessOutcome outcome;
    int code;
    std::string output, errors;
  } cases[] = {
      {{"/bin/sh", "-c", "echo out; echo err >&2; exit 3"}, "", poExited, 3, "out\n", "err\n"},
      {{"cat"}, big, poExited, 0, big, ""},
      {{"/bin/sh", "-c", "exit 5"}, std::string(8 << 20, 'x'), poExited, 5, "", ""},  // stops reading: no SIGPIPE
      {{"printf", "%s|", "a b", "-x", "'q'", "$HOME", "*", "`id`"}, "", poExited, 0, "a b|-x|'q'|$HOME|*|`id`|", ""},
      {{"/bin/sh", "-c", "[ -e /proc/$$/fd/$0 ] && echo open || echo closed", std::to_string(leaky)},
       "",
       poExited,
       0,
       "closed\n",
       ""},
      {{"/bin/sh", "-c", "sleep 3 & echo done"}, "", poExited, 0, "done\n", ""},  // holds the output, not waited for
      {{"/bin/sh", "-c", "kill -TERM $$"}, "", poSignalled, SIGTERM, "", ""},
      {{"sleep", "30"}, "", poTimedOut, 0, "", ""},
      {{"rv-no-such-program"}, "", poNotStarted, ENOENT, "", ""},
      {{dir.File("plain.txt")}, "", poNotStarted, EACCES, "", ""},
      {{"printf", std::string("a\0b", 3)}, "", poNotStarted, EINVAL, "", ""},
      {{}, "", poNotStarted, EINVAL, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args.empty() ? "(none)" : c.args.back());
    const TProcessResult r = RunProcess(c.args, {c.input, c.outcome == poTimedOut ? 100ms : 20s});
    EXPECT_EQ(std::make_tuple(r.Outcome, r.Code), std::make_tuple(c.outcome, c.code));
    EXPECT_EQ(r.Output, c.output);
    EXPECT_EQ(r.Errors, c.errors);
  }
  ::close(leaky);
  EXPECT_TRUE(ourChildren().empty());
}

// A program gets neither our ignored SIGPIPE nor a blocked signal of ours,
// whichever way it is started: it reads its masks from its own status.
TEST(RunProcess, ProgramsStartWithDefaultSignals) {
  struct sigaction ignore {
  }, previous{};
  ignore.sa_handler = SIG_IGN;
  ASSERT_EQ(::sigaction(SIGPIPE, &ignore, &previous), 0);
  sigset_t blocked, previousMask;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGUSR1);
  ASSERT_EQ(::pthread_sigmask(SIG_BLOCK, &blocked, &previousMask), 0);
  TScopeExit restore([&] {
    ::sigaction(SIGPIPE, &previous, nullptr);
    ::pthread_sigmask(SIG_SETMASK, &previousMask, nullptr);
  });
  // "SigBlk:\t<hex>\nSigIgn:\t<hex>\n": blocked none, SIGPIPE not ignored.
  auto defaults = [](const std::string& status) {
    unsigned long long blocked = ~0ULL, ignored = ~0ULL;
    return std::sscanf(status.c_str(), "SigBlk: %llx SigIgn: %llx", &blocked, &ignored) == 2 && blocked == 0 &&
           (ignored & 1ULL << (SIGPIPE - 1)) == 0;
  };
  const std::vector<std::string> masks = {"grep", "-E", "^Sig(Blk|Ign)", "/proc/self/status"};
  const std::string direct = RunProcess(masks).Output;
  EXPECT_TRUE(defaults(direct)) << direct;

  rvtest::TempDir dir;
  const std::string seen = dir.File("seen");
  std::vector<std::string> detached = {"/bin/sh", "-c", "exec \"$@\" > " + seen, "sh"};
  detached.insert(detached.end(), masks.begin(), masks.end());
  EXPECT_EQ(StartDetached(detached, 20s).Outcome, poExited);
  EXPECT_TRUE(defaults(rvtest::ReadFile(seen))) << rvtest::ReadFile(seen);
}

TEST(StartDetached, ReportsQuickEndingsAndStartFailures) {
  rvtest::TempDir dir;
  test::TPathPrepend path(dir.Path());
  const std::tuple<std::string, TProcessOutcome, int> cases[] = {
      {test::WriteScript(dir.File("four"), "exit 4\n"), poExited, 4},
      {"four", poExited, 4},
      {"rv-no-such-program", poNotStarted, ENOENT},
      {"/dev/null", poNotStarted, EACCES}};
  for (const auto& [program, outcome, code] : cases) {
    const TProcessResult r = StartDetached({program}, 20s);
    EXPECT_EQ(std::make_tuple(r.Outcome, r.Code), std::make_tuple(outcome, code)) << program;
  }
  EXPECT_TRUE(ourChildren().empty());
}

TEST(StartDetached, ProgramStillRunningIsLaunchedAndLeavesNoZombie) {
  rvtest::TempDir dir;
  const std::string info = dir.File("info");
  test::WriteScript(dir.File("stays"),
                    "{ echo $$; readlink /proc/$$/fd/0; } > \"$1.part\"; mv \"$1.part\" \"$1\"\n"
                    "exec sleep 60\n");
  // As subreaper we inherit the orphaned program: that shows the intermediate
  // process is gone, and lets the test reap the program itself.
  ASSERT_EQ(::prctl(PR_SET_CHILD_SUBREAPER, 1), 0);
  EXPECT_EQ(StartDetached({dir.File("stays"), info}, 200ms).Outcome, poStillRunning);
  ASSERT_TRUE(test::PollUntil([&] { return std::filesystem::exists(info); }));
  std::istringstream in(rvtest::ReadFile(info));
  pid_t program = 0;
  std::string input;
  in >> program >> input;
  EXPECT_EQ(input, "/dev/null");
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
