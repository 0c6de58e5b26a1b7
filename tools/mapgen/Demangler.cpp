#include "tools/mapgen/Demangler.h"

#include <cxxabi.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "tools/mapgen/ElfImage.h"
#include "tools/mapgen/Names.h"

namespace rv::mapgen {

namespace {

// The mangled names handed to the demangler: longer ones are left as they
// are, as the demangler recurses with a name's nesting depth.
constexpr std::size_t kMaxMangledLength = 4096;
constexpr std::size_t kMaxDemangledLength = 65536;
constexpr int kNameTimeoutMs = 1000;

struct TFree {
  void operator()(char* p) const { std::free(p); }
};

bool writeAll(int fd, const void* data, std::size_t size) {
  const char* p = static_cast<const char*>(data);
  while (size > 0) {
    const ssize_t n = ::write(fd, p, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// The child: one record per name from `first` on, its length (0: keep the
// name as it is) and the demangled text.
[[noreturn]] void demangleInChild(int fd, const std::vector<const char*>& names, std::size_t first) {
  for (std::size_t i = first; i < names.size(); ++i) {
    std::uint32_t length = 0;
    std::unique_ptr<char, TFree> plain;
    if (std::strncmp(names[i], "_Z", 2) == 0 && std::strlen(names[i]) <= kMaxMangledLength) {
      int status = 0;
      plain.reset(abi::__cxa_demangle(names[i], nullptr, nullptr, &status));
      const std::size_t size = plain ? std::strlen(plain.get()) : 0;
      if (status == 0 && size <= kMaxDemangledLength) length = static_cast<std::uint32_t>(size);
    }
    if (!writeAll(fd, &length, sizeof length) || !writeAll(fd, plain.get(), length)) _exit(1);
  }
  _exit(0);
}

// The parent's end of one child.
class TDemanglerProcess {
 public:
  TDemanglerProcess(const std::vector<const char*>& names, std::size_t first) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) throw EMapgenError(std::string("cannot demangle: ") + std::strerror(errno));
    FPid = ::fork();
    if (FPid == 0) {
      ::close(fds[0]);
      demangleInChild(fds[1], names, first);
    }
    const int error = errno;
    ::close(fds[1]);
    FFd = fds[0];
    if (FPid < 0) {
      ::close(FFd);
      throw EMapgenError(std::string("cannot demangle: ") + std::strerror(error));
    }
  }
  ~TDemanglerProcess() {
    ::close(FFd);
    ::kill(FPid, SIGKILL);
    ::waitpid(FPid, nullptr, 0);
  }
  TDemanglerProcess(const TDemanglerProcess&) = delete;
  TDemanglerProcess& operator=(const TDemanglerProcess&) = delete;

  // The next record; nothing when the child is stuck or gone.
  std::optional<std::string> Next() {
    std::uint32_t length = 0;
    if (!Read(&length, sizeof length) || length > kMaxDemangledLength) return std::nullopt;
    std::string text(length, '\0');
    if (!Read(text.data(), length)) return std::nullopt;
    return text;
  }

 private:
  bool Read(void* data, std::size_t size) {
    char* p = static_cast<char*>(data);
    while (size > 0) {
      pollfd ready{FFd, POLLIN, 0};
      const int polled = ::poll(&ready, 1, kNameTimeoutMs);
      if (polled < 0 && errno == EINTR) continue;
      if (polled <= 0) return false;
      const ssize_t n = ::read(FFd, p, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      p += n;
      size -= static_cast<std::size_t>(n);
    }
    return true;
  }

  pid_t FPid = -1;
  int FFd = -1;
};

}  // namespace

std::vector<std::string> DemangleAll(const std::vector<const char*>& names) {
  std::vector<std::string> result;
  result.reserve(names.size());
  while (result.size() < names.size()) {
    // A child that gets stuck is replaced by one that starts past the name
    // it was stuck on.
    TDemanglerProcess child(names, result.size());
    while (result.size() < names.size()) {
      std::optional<std::string> plain = child.Next();
      if (!plain) {
        result.push_back(CleanName(names[result.size()]));
        break;
      }
      result.push_back(CleanName(plain->empty() ? std::string_view(names[result.size()]) : *plain));
    }
  }
  return result;
}

}  // namespace rv::mapgen
