#pragma once
// TCriticalSection: a lock for the framework's critical sections, usable
// with std::lock_guard / std::unique_lock as well as Enter/Leave.

#include <mutex>

#include "platform/rtl/Export.h"

namespace RV_API rv {

class TCriticalSection {
 public:
  void Enter() { FLock.lock(); }
  void Leave() { FLock.unlock(); }
  bool TryEnter() { return FLock.try_lock(); }

  void lock() { Enter(); }
  void unlock() { Leave(); }
  bool try_lock() { return TryEnter(); }

 private:
  // Recursive, as the classic critical section is: a thread that holds it
  // may enter again.
  std::recursive_mutex FLock;
};

}  // namespace rv
