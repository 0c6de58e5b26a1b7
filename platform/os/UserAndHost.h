#pragma once
// Who runs the program and on which machine: the one place that asks the
// system for the host name and the user database for a user's name.

#include <string>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// The host name as the kernel has it; empty when it can't be had.
std::string HostName();
// The effective user's id.
unsigned EffectiveUserId();
// The login name of the user with that id; empty when the user database has
// none.
std::string UserNameOf(unsigned Uid);

}  // namespace rv
