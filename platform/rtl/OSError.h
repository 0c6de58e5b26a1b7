#pragma once
// Operating-system error texts and the exception for a failed OS call.

#include <cerrno>
#include <string>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// The system's text for an errno value (thread-safe).
std::string SysErrorMessage(int Code);

// Raises EOSError "System Error.  Code: <n>.\r\n<text>" carrying Code. A code
// of 0 (a failure that set no error) raises "A call to an OS function
// failed" instead of reporting "Success".
[[noreturn]] void RaiseLastOSError(int Code = errno);

}  // namespace rv
