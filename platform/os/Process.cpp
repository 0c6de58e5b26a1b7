#include "platform/os/Process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
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

namespace RV_API rv {

namespace {

using Clock = std::chrono::steady_clock;

// Output beyond this is read and dropped, so a chatty program can't exhaust
// our memory nor block on a full pipe.
constexpr std::size_t maxCaptured = 1 << 20;

// What the program is started with, prepared before anything is started.
struct TExecPlan {
  std::string Path;
  std::vector<std::string> Args;
  std::vector<char*> Argv;
  char** Envp = nullptr;
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
  return 0;
}

// posix_spawn's file actions and attributes, released with their owner.
class TSpawnSetup {
 public:
  TSpawnSetup() {
    posix_spawn_file_actions_init(&FActions);
    posix_spawnattr_init(&FAttributes);
  }
  ~TSpawnSetup() {
    posix_spawnattr_destroy(&FAttributes);
    posix_spawn_file_actions_destroy(&FActions);
  }
  TSpawnSetup(const TSpawnSetup&) = delete;
  TSpawnSetup& operator=(const TSpawnSetup&) = delete;

  posix_spawn_file_actions_t* Actions() { return &FActions; }
  posix_spawnattr_t* Attributes() { return &FAttributes; }

 private:
  posix_spawn_file_actions_t FActions;
  posix_spawnattr_t FAttributes;
};

// Starts the plan's program with Std as its descriptors 0, 1 and 2 and none
// other of ours. Returns the errno that prevented the start (exec failures
// included), or 0 with the child's pid.
int spawn(const TExecPlan& plan, const int (&std)[3], bool newSession, pid_t& pid) {
  TSpawnSetup setup;
  for (int i = 0; i < 3; ++i)
    if (int error = posix_spawn_file_actions_adddup2(setup.Actions(), std[i], i)) return error;
  if (int error = posix_spawn_file_actions_addclosefrom_np(setup.Actions(), 3)) return error;
  // Ignored signals stay ignored across exec; these two would break the
  // program (its pipes, its waits for its own children). Nothing it gets is
  // blocked either.
  sigset_t defaults, none;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGCHLD);
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(setup.Attributes(), &defaults);
  posix_spawnattr_setsigmask(setup.Attributes(), &none);
  short flags = POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK;
  if (newSession) flags |= POSIX_SPAWN_SETSID;
  posix_spawnattr_setflags(setup.Attributes(), flags);
  return posix_spawn(&pid, plan.Path.c_str(), setup.Actions(), setup.Attributes(), plan.Argv.data(), plan.Envp);
}

// A copy of fd numbered 3 or above: installing the child's descriptors 0-2
// one after another must not overwrite one still to be installed, which a
// parent running with a standard descriptor closed could have been given.
TFileHandle aboveStandard(TFileHandle fd) {
  if (!fd || fd.Get() > 2) return fd;
  return TFileHandle(::fcntl(fd.Get(), F_DUPFD_CLOEXEC, 3));
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
enum : int { reportStartFailed = 1, reportWaitStatus = 2 };

void report(int fd, int kind, int value) noexcept {
  const int message[2] = {kind, value};
  writeAll(fd, message, sizeof message);
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
      struct stat st {};
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
  TFileHandle outParent, outChild, errParent, errChild;
  if (!makePipe(outParent, outChild) || !makePipe(errParent, errChild)) return notStarted(errno);
  inChild = aboveStandard(std::move(inChild));
  outChild = aboveStandard(std::move(outChild));
  errChild = aboveStandard(std::move(errChild));

  pid_t pid = -1;
  if (int error = spawn(plan, {inChild.Get(), outChild.Get(), errChild.Get()}, false, pid)) return notStarted(error);
  TChild child(pid);
  inChild.Reset();
  outChild.Reset();
  errChild.Reset();

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
  TFileHandle devNull = aboveStandard(TFileHandle(::open("/dev/null", O_RDWR | O_CLOEXEC)));
  if (!devNull) return notStarted(errno);
  TFileHandle repParent, repChild;
  if (!makePipe(repParent, repChild)) return notStarted(errno);

  // An intermediate process starts the program and reports its wait status
  // (or why it could not start) through the pipe. When the program outlives
  // our wait, the intermediate is killed and reaped; the program, orphaned,
  // is then reaped by init. The intermediate is a plain fork: only it can
  // leave the program behind as an orphan. It is the one thread of its
  // process, and posix_spawn takes no lock and allocates nothing there.
  pid_t pid = ::fork();
  if (pid < 0) return notStarted(errno);
  if (pid == 0) {
    ::signal(SIGCHLD, SIG_DFL);
    pid_t program = -1;
    if (int error = spawn(plan, {devNull.Get(), devNull.Get(), devNull.Get()}, true, program)) {
      report(repChild.Get(), reportStartFailed, error);
      ::_exit(0);
    }
    int status = 0;
    while (::waitpid(program, &status, 0) < 0 && errno == EINTR) {
    }
    report(repChild.Get(), reportWaitStatus, status);
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
    if (message[0] == reportStartFailed) return notStarted(message[1]);
    setOutcome(result, message[1]);
  }
  return result;
}

}  // namespace rv
