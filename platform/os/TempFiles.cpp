#include "platform/os/TempFiles.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/OSError.h"

namespace RV_API rv {

namespace {

[[noreturn]] void raiseCreateError(const std::string& name, int error) {
  throw EFCreateError("Cannot create file \"" + name + "\". " + SysErrorMessage(error));
}

}  // namespace

std::string TempFolder() {
  std::string folder = "/tmp";
  if (const char* env = std::getenv("TMPDIR"); env && *env) {
    struct stat st {};
    if (::stat(env, &st) == 0 && S_ISDIR(st.st_mode)) folder = env;
  }
  if (folder.back() != '/') folder += '/';
  return folder;
}

TTempFile CreateTempFile(const std::string& Prefix, const std::string& Extension) {
  const std::string pattern = TempFolder() + Prefix + "XXXXXX" + Extension;
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  TTempFile file;
  file.Handle.Reset(::mkostemps(buffer.data(), static_cast<int>(Extension.size()), O_CLOEXEC));
  if (!file.Handle) raiseCreateError(pattern, errno);
  file.Name = buffer.data();
  return file;
}

}  // namespace rv
