#pragma once
// TEvent: a waitable event on an eventfd, in the classic shape: manual or
// automatic reset, set and reset from any thread, waited on with a time-out.
// Events are private to the process; there are no named events.

#include <span>

#include "platform/rtl/Export.h"
#include "platform/rtl/FileHandle.h"

namespace RV_API rv {

// Results of the waits on events and change notifications.
constexpr int WAIT_OBJECT_0 = 0;
constexpr int WAIT_TIMEOUT = 258;
constexpr int WAIT_FAILED = -1;
constexpr int INFINITE = -1;

class TEvent {
 public:
  // Raises EOSError when no descriptor is left.
  TEvent(bool ManualReset, bool InitialState);
  TEvent(const TEvent&) = delete;
  TEvent& operator=(const TEvent&) = delete;

  void SetEvent();
  void ResetEvent();
  // WAIT_OBJECT_0 when the event is (or becomes) signalled within TimeoutMs
  // (INFINITE: no limit), else WAIT_TIMEOUT. An automatic-reset event is
  // reset by the wait that sees it.
  int WaitFor(int TimeoutMs);
  // Readable while the event is signalled; for poll() beside other sources.
  int Fd() const { return FFd.Get(); }

 private:
  friend int WaitForMultipleEvents(std::span<TEvent* const> Events, int TimeoutMs);
  // Takes the signal of an automatic-reset event; false when another waiter
  // took it first.
  bool Take();

  TFileHandle FFd;
  bool FManualReset;
};

// Waits until any of Events is signalled: WAIT_OBJECT_0 + the lowest
// signalled index, WAIT_TIMEOUT or WAIT_FAILED.
int WaitForMultipleEvents(std::span<TEvent* const> Events, int TimeoutMs);

}  // namespace rv
