#include "tools/mapgen/MapFileOutput.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "tools/mapgen/ElfImage.h"

namespace rv::mapgen {

namespace {

[[noreturn]] void fail(const std::string& fileName, int error) {
  throw EMapgenError(fileName + ": cannot write the map: " + std::strerror(error));
}

}  // namespace

void WriteMapFile(const std::string& fileName, const std::string& text) {
  const std::string temporary = fileName + "." + std::to_string(::getpid()) + ".tmp";
  const int fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) fail(fileName, errno);
  std::size_t written = 0;
  int error = 0;
  while (written < text.size()) {
    const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = errno;
      break;
    }
    written += static_cast<std::size_t>(n);
  }
  if (::close(fd) != 0 && error == 0) error = errno;
  if (error == 0 && ::rename(temporary.c_str(), fileName.c_str()) != 0) error = errno;
  if (error != 0) {
    ::unlink(temporary.c_str());
    fail(fileName, error);
  }
}

}  // namespace rv::mapgen
