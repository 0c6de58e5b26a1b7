#include "platform/os/UserAndHost.h"

#include <limits.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>

namespace RV_API rv {

std::string HostName() {
  // One byte more than gethostname may fill, so the name is always ended.
  char name[HOST_NAME_MAX + 2] = {};
  if (::gethostname(name, HOST_NAME_MAX + 1) != 0) return {};
  return name;
}

unsigned EffectiveUserId() { return ::geteuid(); }

std::string UserNameOf(unsigned Uid) {
  const long hint = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::string buffer(hint > 0 ? static_cast<std::size_t>(hint) : 1024, '\0');
  passwd entry{};
  passwd* found = nullptr;
  int rc = 0;
  while ((rc = ::getpwuid_r(Uid, &entry, buffer.data(), buffer.size(), &found)) == ERANGE &&
         buffer.size() < (std::size_t{1} << 20))
    buffer.resize(buffer.size() * 2);
  return rc == 0 && found && found->pw_name ? found->pw_name : std::string();
}

}  // namespace rv
