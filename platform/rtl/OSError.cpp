#include "platform/rtl/OSError.h"

#include <string.h>

#include "platform/rtl/Exceptions.h"

namespace RV_API rv {

namespace {

// strerror_r comes in two shapes: the GNU one returns the text, the POSIX one
// fills the buffer.
[[maybe_unused]] const char* errorText(char* result, const char*) { return result; }
[[maybe_unused]] const char* errorText(int result, const char* buffer) { return result == 0 ? buffer : nullptr; }

}  // namespace

std::string SysErrorMessage(int Code) {
  char buffer[256] = {};
  const char* text = errorText(strerror_r(Code, buffer, sizeof buffer), buffer);
  return text ? text : "Unknown error " + std::to_string(Code);
}

void RaiseLastOSError(int Code) {
  if (Code == 0) throw EOSError("A call to an OS function failed", 0);
  throw EOSError("System Error.  Code: " + std::to_string(Code) + ".\r\n" + SysErrorMessage(Code), Code);
}

}  // namespace rv
