#pragma once
// The session-end sources: who may ask whether the session may end.
//  - X session management (libSM), where SESSION_MANAGER names a session
//    manager: its "save yourself" before a shutdown is the query; we say
//    we are done at once.
//  - logind's PrepareForShutdown signal on the system bus, where one runs.
//    We hold no inhibitor lock, so the shutdown never waits for us.
// Without either (no desktop session, no system bus) the only notice of an
// ending session is SIGTERM or SIGHUP, which is the application's to catch.

#include <memory>

#include "platform/os/ShellChange.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

// Null where there is no session manager or it can't be reached.
std::unique_ptr<TSessionEndSource> OpenXSessionEndSource();
// Null where there is no system bus.
std::unique_ptr<TSessionEndSource> OpenLogindSessionEndSource();

}  // namespace rv
