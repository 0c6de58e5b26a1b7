#include "platform/classes/WakeableThread.h"

#include <exception>

#include "platform/rtl/ScopeGuard.h"

namespace RV_API rv {

TWakeableThread::TWakeableThread() : TThread(true) {}

void TWakeableThread::EndAndWait() {
  Terminate();
  // A worker that frees itself runs its destructor on its own thread, after
  // Execute: there is nothing left to wait for.
  if (Started() && ThreadID() != GetCurrentThreadID()) WaitFor();
}

void TWakeableThread::Deliver(const std::function<void()>& Step) {
  Synchronize([&] {
    if (Terminated()) return;
    TemporaryChange<bool> delivering(FDelivering, true);
    try {
      Step();
    } catch (...) {
      // As for any event handler of the GUI thread: the application's handler
      // hears of it, and the worker goes on watching.
      Queue(nullptr, [error = std::current_exception()] { std::rethrow_exception(error); });
    }
  });
}

}  // namespace rv
