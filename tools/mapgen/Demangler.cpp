#include "tools/mapgen/Demangler.h"

#include <cxxabi.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>

#include "tools/mapgen/ElfImage.h"
#include "tools/mapgen/Names.h"

namespace rv::mapgen {

namespace {

// Longer mangled names are left as they are: the demangler recurses with a
// name's nesting depth.
constexpr std::size_t kMaxMangledLength = 4096;
constexpr std::size_t kMaxDemangledLength = 65536;
constexpr int kStuckAfterMs = 1000;
// The demangling process hands its records over in batches, and at least
// this often, so the parent sees it is alive.
constexpr std::size_t kBatchBytes = 65536;
constexpr auto kBatchInterval = std::chrono::milliseconds(100);

using TProgress = std::atomic<std::uint32_t>;
static_assert(TProgress::is_always_lock_free, "shared between processes");

[[noreturn]] void fail(const char* what) {
  throw EMapgenError(std::string("cannot demangle: ") + what + ": " + std::strerror(errno));
}

bool writeAll(int fd, const std::string& data) {
  std::size_t done = 0;
  while (done < data.size()) {
    const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

std::string demangled(const char* name) {
  if (std::strncmp(name, "_Z", 2) != 0 || std::strlen(name) > kMaxMangledLength) return {};
  int status = 0;
  char* plain = abi::__cxa_demangle(name, nullptr, nullptr, &status);
  std::string result;
  if (status == 0 && plain && std::strlen(plain) <= kMaxDemangledLength) result = plain;
  std::free(plain);
  return result;
}

// The demangling process: a record per name from `first` on, the text's
// length (0: keep the name as it is) and the text. Before each name it
// publishes the name's index, so the parent knows which name it got stuck on.
[[noreturn]] void demangleNames(int fd, const std::vector<const char*>& names, const std::vector<bool>& skip,
                                std::size_t first, TProgress& progress) {
  std::string batch;
  auto sent = std::chrono::steady_clock::now();
  for (std::size_t i = first; i < names.size(); ++i) {
    progress.store(static_cast<std::uint32_t>(i));
    const std::string text = skip[i] ? std::string() : demangled(names[i]);
    const auto length = static_cast<std::uint32_t>(text.size());
    batch.append(reinterpret_cast<const char*>(&length), sizeof length);
    batch += text;
    if (batch.size() >= kBatchBytes || std::chrono::steady_clock::now() - sent >= kBatchInterval) {
      if (!writeAll(fd, batch)) _exit(1);
      batch.clear();
      sent = std::chrono::steady_clock::now();
    }
  }
  _exit(writeAll(fd, batch) ? 0 : 1);
}

}  // namespace

// One demangling process and the parent's end of its pipe.
class TDemangler::TProcess {
 public:
  TProcess(const std::vector<const char*>& names, const std::vector<bool>& skip, std::size_t first,
           TProgress& progress) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) fail("pipe");
    FPid = ::fork();
    if (FPid == 0) {
      ::close(fds[0]);
      demangleNames(fds[1], names, skip, first, progress);
    }
    const int error = errno;
    ::close(fds[1]);
    FFd = fds[0];
    if (FPid < 0) {
      ::close(FFd);
      errno = error;
      fail("fork");
    }
  }
  ~TProcess() {
    ::close(FFd);
    if (::waitpid(FPid, nullptr, WNOHANG) == 0) {
      ::kill(FPid, SIGKILL);
      ::waitpid(FPid, nullptr, 0);
    }
  }
  TProcess(const TProcess&) = delete;
  TProcess& operator=(const TProcess&) = delete;

  // The next record; nothing when the process is stuck or gone.
  std::optional<std::string> Next() {
    std::uint32_t length = 0;
    if (!Read(&length, sizeof length) || length > kMaxDemangledLength) return std::nullopt;
    std::string text(length, '\0');
    if (!Read(text.data(), length)) return std::nullopt;
    return text;
  }

 private:
  bool Read(void* data, std::size_t size) {
    char* out = static_cast<char*>(data);
    while (size > 0) {
      if (FStart == FEnd && !Fill()) return false;
      const std::size_t n = std::min(size, FEnd - FStart);
      std::memcpy(out, FBuffer.data() + FStart, n);
      FStart += n;
      out += n;
      size -= n;
    }
    return true;
  }

  bool Fill() {
    for (;;) {
      pollfd ready{FFd, POLLIN, 0};
      const int polled = ::poll(&ready, 1, kStuckAfterMs);
      if (polled < 0 && errno == EINTR) continue;
      if (polled <= 0) return false;
      const ssize_t n = ::read(FFd, FBuffer.data(), FBuffer.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      FStart = 0;
      FEnd = static_cast<std::size_t>(n);
      return true;
    }
  }

  pid_t FPid = -1;
  int FFd = -1;
  std::string FBuffer = std::string(kBatchBytes, '\0');
  std::size_t FStart = 0, FEnd = 0;
};

TDemangler::TDemangler(std::vector<const char*> names) : FNames(std::move(names)), FSkip(FNames.size()) {
  void* shared = ::mmap(nullptr, sizeof(TProgress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0);
  if (shared == MAP_FAILED) fail("mmap");
  FProgress = new (shared) TProgress(0);
  FProcess = std::make_unique<TProcess>(FNames, FSkip, 0, *FProgress);
}

TDemangler::~TDemangler() {
  FProcess.reset();
  ::munmap(FProgress, sizeof(TProgress));
}

std::vector<std::string> TDemangler::Results() {
  std::vector<std::string> results;
  results.reserve(FNames.size());
  while (results.size() < FNames.size()) {
    if (!FProcess) {
      FProgress->store(static_cast<std::uint32_t>(results.size()));
      FProcess = std::make_unique<TProcess>(FNames, FSkip, results.size(), *FProgress);
    }
    if (std::optional<std::string> plain = FProcess->Next()) {
      results.push_back(CleanName(plain->empty() ? std::string_view(FNames[results.size()]) : *plain));
      continue;
    }
    // Stuck or gone: the name it was at stays mangled, and a new process
    // takes over from the first name we have no record of. Every failure
    // marks one more name, so this ends.
    FProcess.reset();
    std::size_t stuck = std::max<std::size_t>(FProgress->load(), results.size());
    while (stuck < FNames.size() && FSkip[stuck]) ++stuck;
    if (stuck < FNames.size()) FSkip[stuck] = true;
  }
  FProcess.reset();
  return results;
}

}  // namespace rv::mapgen
