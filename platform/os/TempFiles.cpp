#include "platform/os/TempFiles.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/OSError.h"

namespace rv {

namespace {

[[noreturn]] void raiseCreateError(const std::string& name, int error) {
  throw EFCreateError("Cannot create file \"" + name + "\". " + SysErrorMessage(error));
}

}  // namespace

std::string TempFolder() {
  std::string folder = "/tmp";
  if (const char* env = std::getenv("TMPDIR"); env && *env) {
    struct stat st{};
    if (::stat(env, &st) == 0 && S_ISDIR(st.st_mode)) folder = env;
  }
  if (folder.back() != '/') folder += '/';
  return folder;
}

std::string CreateTempFile(const std::string& Prefix) {
  static const std::string suffix = ".tmp";
  std::string name = TempFolder() + Prefix + "XXXXXX" + suffix;
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  int fd = ::mkostemps(buffer.data(), static_cast<int>(suffix.size()), O_CLOEXEC);
  if (fd < 0) raiseCreateError(name, errno);
  TFileHandle closeIt(fd);
  return buffer.data();
}

TFileHandle CreateNewFile(const std::string& FileName) {
  TFileHandle fd(::open(FileName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!fd) raiseCreateError(FileName, errno);
  return fd;
}

}  // namespace rv
