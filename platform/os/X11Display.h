#pragma once
// A connection to the X server named by DISPLAY, and a trap for the protocol
// errors of a sequence of requests. Connections are used from one thread.

#include <memory>

#include "platform/rtl/Export.h"

struct _XDisplay;

namespace RV_API rv {

class TX11Display {
 public:
  // Opens the connection; without DISPLAY, or when the server can't be
  // reached, there is none and Opened() is false.
  TX11Display();
  ~TX11Display();
  TX11Display(const TX11Display&) = delete;
  TX11Display& operator=(const TX11Display&) = delete;

  bool Opened() const { return FDisplay != nullptr; }
  _XDisplay* Handle() const { return FDisplay; }

 private:
  _XDisplay* FDisplay = nullptr;
};

// While it lives, X errors on its connection are recorded instead of going to
// Xlib's default handler (which ends the process). Traps nest; errors on
// other connections go on to the handler installed before.
class TX11ErrorTrap {
 public:
  explicit TX11ErrorTrap(_XDisplay* Display);
  ~TX11ErrorTrap();
  TX11ErrorTrap(const TX11ErrorTrap&) = delete;
  TX11ErrorTrap& operator=(const TX11ErrorTrap&) = delete;

  // Waits until the server has handled every request sent so far; true when
  // none of them failed since the trap was set.
  bool Sync();
  // The error code of the first failure, 0 if none.
  int ErrorCode() const { return FErrorCode; }

 private:
  friend struct TX11ErrorTrapAccess;
  _XDisplay* FDisplay;
  int FErrorCode = 0;
  TX11ErrorTrap* FOuter;
  void* FPreviousHandler;
};

}  // namespace rv
