#include "platform/rtl/FileHandle.h"

#include <unistd.h>

namespace RV_API rv {

void TFileHandle::Reset(int fd) {
  // close() is not retried on EINTR: on Linux the descriptor is gone anyway,
  // and a retry could close one another thread has just opened.
  if (FFd >= 0) ::close(FFd);
  FFd = fd;
}

}  // namespace rv
