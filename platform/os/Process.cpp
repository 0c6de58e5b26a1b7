#include "platform/os/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include "platform/rtl/FileHandle.h"

extern char** environ;

namespace rv {

namespace {

using Clock = std::chrono::steady_clock;

// Output beyond this is read and dropped, so a chatty program can't exhaust
// our memory nor block on a full pipe.
constexpr std::size_t maxCaptured = 1 << 20;

// Everything the child needs, prepared before fork: between fork and exec the
// child of a threaded program may only make system calls.
struct TExecPlan {
  std::string Path;
  std::vector<std::string> Args;
  std::vector<char*> Argv;
  char** Envp = nullptr;
  int Std[3] = {-1, -1, -1};  // installed as the child's descriptors 0, 1, 2
  int Report = -1;            // close-on-exec: the child writes its errno here when exec fails
  bool NewSession = false;
  int MaxFd = 1024;
};

// The errno that prevents the start, or 0.
int preparePlan(TExecPlan& plan, const std::vector<std::string>& args) {
  if (args.empty() || args[0].empty()) return EINVAL;
  for (const std::string& a : args)
    if (a.find('\0') != std::string::npos) return EINVAL;
  plan.Path = FindProgram(args[0]);
  if (plan.Path.empty()) return ENOENT;
  plan.Args = args;
  for (std::string& a : plan.Args) plan.Argv.push_back(a.data());
  plan.Argv.push_back(nullptr);
  plan.Envp = environ;
  rlimit limit{};
  if (getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
    plan.MaxFd = static_cast<int>(std::min<rlim_t>(limit.rlim_cur, 1 << 16));
  return 0;
}

void writeAll(int fd, const void* data, std::size_t size) noexcept {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
}

// Messages on the report pipe: {kind, value}.
enum : int { reportExecFailed = 1, reportWaitStatus = 2 };

void report(int fd, int kind, int value) noexcept {
  const int message[2] = {kind, value};
  writeAll(fd, message, sizeof message);
}

[[noreturn]] void execChild(const TExecPlan& plan) noexcept {
  // Move our descriptors above 2 first, so installing 0-2 can't overwrite one
  // still needed (when the parent runs with a standard descriptor closed).
  const int rep = ::fcntl(plan.Report, F_DUPFD_CLOEXEC, 3);
  int src[3];
  for (int i = 0; i < 3; ++i) {
    src[i] = ::fcntl(plan.Std[i], F_DUPFD_CLOEXEC, 3);
    if (src[i] < 0) goto failed;
  }
  for (int i = 0; i < 3; ++i)
    if (::dup2(src[i], i) < 0) goto failed;
  if (::syscall(SYS_close_range, 3U, ~0U, 4U /* CLOSE_RANGE_CLOEXEC */) != 0)
    for (int fd = 3; fd < plan.MaxFd; ++fd) ::fcntl(fd, F_SETFD, FD_CLOEXEC);
  if (plan.NewSession) ::setsid();
  {
    // Ignored signals stay ignored across exec; these two would break the
    // program (its pipes, its waits for its own children).
    ::signal(SIGPIPE, SIG_DFL);
    ::signal(SIGCHLD, SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
  }
  ::execve(plan.Path.c_str(), plan.Argv.data(), plan.Envp);
failed:
  if (rep >= 0) report(rep, reportExecFailed, errno);
  ::_exit(127);
}

// A child process of ours: killed and reaped if it is still there when the
// owner goes, so it never stays behind as a zombie.
class TChild {
 public:
  explicit TChild(pid_t pid) : FPid(pid) {}
  ~TChild() {
    if (FPid > 0) {
      ::kill(FPid, SIGKILL);
      Wait();
    }
  }
  TChild(const TChild&) = delete;
  TChild& operator=(const TChild&) = delete;

  pid_t Pid() const { return FPid; }
  // Reaps the child if it has ended; true then, with its wait status.
  bool Poll(int& status) { return Reap(WNOHANG, status); }
  int Wait() {
    int status = 0;
    Reap(0, status);
    return status;
  }

 private:
  bool Reap(int flags, int& status) {
    if (FPid <= 0) return true;
    pid_t r;
    do r = ::waitpid(FPid, &status, flags);
    while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    // r < 0 (ECHILD) only when someone else reaped it, e.g. with SIGCHLD
    // ignored: it is gone all the same, with no status to report.
    if (r < 0) status = 0;
    FPid = -1;
    return true;
  }

  pid_t FPid;
};

TProcessResult notStarted(int error) {
  TProcessResult r;
  r.Outcome = poNotStarted;
  r.Code = error;
  return r;
}

void setOutcome(TProcessResult& r, int status) {
  if (WIFSIGNALED(status)) {
    r.Outcome = poSignalled;
    r.Code = WTERMSIG(status);
  } else {
    r.Outcome = poExited;
    r.Code = WEXITSTATUS(status);
  }
}

bool makePipe(TFileHandle& readEnd, TFileHandle& writeEnd) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  readEnd.Reset(fds[0]);
  writeEnd.Reset(fds[1]);
  return true;
}

// Reads what is there without blocking; false at end of file or on error.
bool drain(int fd, std::string& into) {
  char buf[8192];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno == EAGAIN;
    if (n == 0) return false;
    std::size_t room = maxCaptured - std::min(maxCaptured, into.size());
    into.append(buf, std::min(room, static_cast<std::size_t>(n)));
  }
}

int msUntil(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return static_cast<int>(std::clamp<long long>(left, 0, 60'000));
}

}  // namespace

std::string FindProgram(const std::string& Name) {
  if (Name.empty()) return {};
  if (Name.find('/') != std::string::npos) return Name;
  const char* env = std::getenv("PATH");
  std::string path = env ? env : "/usr/local/bin:/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t end = path.find(':', start);
    if (end == std::string::npos) end = path.size();
    // An empty element would mean the current folder: never searched.
    if (end > start) {
      std::string candidate = path.substr(start, end - start) + "/" + Name;
      struct stat st{};
      if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
        return candidate;
    }
    start = end + 1;
  }
  return {};
}

TProcessResult RunProcess(const std::vector<std::string>& Args, const TRunOptions& Options) {
  TExecPlan plan;
  if (int error = preparePlan(plan, Args)) return notStarted(error);

  // Standard input is a socket so that writing to a program that stopped
  // reading fails with EPIPE (MSG_NOSIGNAL) instead of raising SIGPIPE in us.
  int sv[2];
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) return notStarted(errno);
  TFileHandle inParent(sv[0]), inChild(sv[1]);
  TFileHandle outParent, outChild, errParent, errChild, repParent, repChild;
  if (!makePipe(outParent, outChild) || !makePipe(errParent, errChild) || !makePipe(repParent, repChild))
    return notStarted(errno);
  plan.Std[0] = inChild.Get();
  plan.Std[1] = outChild.Get();
  plan.Std[2] = errChild.Get();
  plan.Report = repChild.Get();

  pid_t pid = ::fork();
  if (pid < 0) return notStarted(errno);
  if (pid == 0) execChild(plan);
  TChild child(pid);
  inChild.Reset();
  outChild.Reset();
  errChild.Reset();
  repChild.Reset();

  // The report pipe closes at the exec; before it, an errno arrives if exec failed.
  int message[2] = {0, 0};
  ssize_t got;
  do got = ::read(repParent.Get(), message, sizeof message);
  while (got < 0 && errno == EINTR);
  if (got == static_cast<ssize_t>(sizeof message) && message[0] == reportExecFailed) {
    child.Wait();
    return notStarted(message[1]);
  }

  TProcessResult result;
  auto deadline = Clock::now() + Options.Timeout;
  std::size_t written = 0;
  if (Options.Input.empty()) inParent.Reset();
  for (TFileHandle* h : {&inParent, &outParent, &errParent})
    if (h->Valid()) ::fcntl(h->Get(), F_SETFL, O_NONBLOCK);
  TFileHandle exitFd(static_cast<int>(::syscall(SYS_pidfd_open, pid, 0)));

  for (;;) {
    int status = 0;
    if (child.Poll(status)) {
      // Take what it wrote before it ended; a program it left running may
      // hold the pipes open, so nothing more is waited for.
      if (outParent) drain(outParent.Get(), result.Output);
      if (errParent) drain(errParent.Get(), result.Errors);
      setOutcome(result, status);
      return result;
    }
    if (Clock::now() >= deadline) {
      ::kill(pid, SIGKILL);
      child.Wait();
      result.Outcome = poTimedOut;
      result.Code = 0;
      return result;
    }
    pollfd fds[4];
    nfds_t n = 0;
    if (inParent) fds[n++] = {inParent.Get(), POLLOUT, 0};
    if (outParent) fds[n++] = {outParent.Get(), POLLIN, 0};
    if (errParent) fds[n++] = {errParent.Get(), POLLIN, 0};
    if (exitFd) fds[n++] = {exitFd.Get(), POLLIN, 0};
    // Without a pidfd (old kernels) the exit is found by polling.
    int timeout = exitFd ? msUntil(deadline) : std::min(msUntil(deadline), 10);
    // Should poll itself fail, the program is ended as if its time were up.
    if (::poll(fds, n, timeout) < 0 && errno != EINTR) deadline = Clock::now();

    if (inParent) {
      ssize_t w = ::send(inParent.Get(), Options.Input.data() + written, Options.Input.size() - written,
                         MSG_NOSIGNAL | MSG_DONTWAIT);
      if (w > 0) written += static_cast<std::size_t>(w);
      if (written == Options.Input.size() || (w < 0 && errno != EAGAIN && errno != EINTR)) inParent.Reset();
    }
    if (outParent && !drain(outParent.Get(), result.Output)) outParent.Reset();
    if (errParent && !drain(errParent.Get(), result.Errors)) errParent.Reset();
  }
}

TProcessResult StartDetached(const std::vector<std::string>& Args, std::chrono::milliseconds Wait) {
  TExecPlan plan;
  if (int error = preparePlan(plan, Args)) return notStarted(error);
  TFileHandle devNull(::open("/dev/null", O_RDWR | O_CLOEXEC));
  if (!devNull) return notStarted(errno);
  TFileHandle repParent, repChild;
  if (!makePipe(repParent, repChild)) return notStarted(errno);
  plan.Std[0] = plan.Std[1] = plan.Std[2] = devNull.Get();
  plan.Report = repChild.Get();
  plan.NewSession = true;

  // An intermediate process starts the program and reports its wait status
  // through the pipe. When the program outlives our wait, the intermediate
  // is killed and reaped; the program, orphaned, is then reaped by init.
  pid_t pid = ::fork();
  if (pid < 0) return notStarted(errno);
  if (pid == 0) {
    ::signal(SIGCHLD, SIG_DFL);
    pid_t program = ::fork();
    if (program == 0) execChild(plan);
    if (program < 0) {
      report(plan.Report, reportExecFailed, errno);
      ::_exit(0);
    }
    int status = 0;
    while (::waitpid(program, &status, 0) < 0 && errno == EINTR) {
    }
    report(plan.Report, reportWaitStatus, status);
    ::_exit(0);
  }
  TChild intermediate(pid);
  repChild.Reset();

  TProcessResult result;
  result.Outcome = poStillRunning;
  const auto deadline = Clock::now() + Wait;
  int message[2];
  std::size_t got = 0;
  auto readMessage = [&](int timeoutMs) {
    pollfd p{repParent.Get(), POLLIN, 0};
    int r = ::poll(&p, 1, timeoutMs);
    if (r < 0) return errno == EINTR;
    if (r == 0) return false;
    ssize_t n = ::read(repParent.Get(), reinterpret_cast<char*>(message) + got, sizeof message - got);
    if (n < 0) return errno == EINTR || errno == EAGAIN;
    if (n == 0) return false;
    got += static_cast<std::size_t>(n);
    return got < sizeof message;
  };
  while (readMessage(msUntil(deadline)) && Clock::now() < deadline) {
  }
  if (got < sizeof message) {
    ::kill(pid, SIGKILL);
    intermediate.Wait();
    // It may have reported just before it was killed.
    ::fcntl(repParent.Get(), F_SETFL, O_NONBLOCK);
    while (readMessage(0)) {
    }
  }
  if (got == sizeof message) {
    if (message[0] == reportExecFailed) return notStarted(message[1]);
    setOutcome(result, message[1]);
  }
  return result;
}

}  // namespace rv
