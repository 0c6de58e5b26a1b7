#pragma once
// Waiting for something slow (a program we started, say) without freezing
// the GUI.

#include <functional>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// Runs Work to its end. On the GUI thread Work runs on a worker thread
// while the GUI thread serves, as a modal loop does, the calls handed over
// by threads, the posted messages and the windows; elsewhere Work simply
// runs. An exception escaping Work is raised again here.
//
// Handlers that run meanwhile may start another such wait; it nests like a
// modal loop, and this one returns only after it.
void WaitServingMessages(const std::function<void()>& Work);

}  // namespace rv
