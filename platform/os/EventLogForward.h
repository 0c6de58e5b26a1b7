#pragma once
// Passing written entries on to the system's log, best effort.

#include <cstdint>
#include <string>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// Sends Text to journald's socket, else to /dev/log; does nothing when
// neither is there (the library calls would report success and drop it).
void ForwardToSystemLog(const std::string& Source, std::uint16_t EventType, const std::string& Text);

}  // namespace rv
