#pragma once
// Hidden message windows: endpoints with no window on screen that receive
// messages through the application's queue, for components that are told
// things by message (the shell monitor). A window lives on the GUI thread;
// messages may be posted to it from any thread and are handled by the
// application's loop (Run, HandleMessage, ProcessMessages, modal loops) in
// every widget set, since the queue is the application's, not the window
// system's. Application->OnMessage sees them first, as it sees every
// posted message.

#include <cstdint>
#include <map>

#include "platform/forms/Messages.h"
#include "platform/rtl/Closure.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

// A window's message handler; Message.Result is the answer to a sender.
using TWndMethod = Closure<void(TMessage& Message)>;

// Makes a hidden window whose messages go to Method. GUI thread. Handles are
// never reused, so a message still queued for a released window is dropped
// instead of reaching a later one.
THandle AllocateHWnd(TWndMethod Method);
// Releases the window; its queued messages are dropped. 0 or an unknown
// handle is ignored. GUI thread.
void DeallocateHWnd(THandle Wnd);
// Queues a message for a window; any thread. A message for a window
// released before it is handled is dropped.
void PostMessage(THandle Wnd, std::uint32_t Msg, WPARAM WParam = 0, LPARAM LParam = 0);
// Hands a message to a window at once and returns its Result (0 for an
// unknown window). GUI thread.
LRESULT SendMessage(THandle Wnd, std::uint32_t Msg, WPARAM WParam = 0, LPARAM LParam = 0);

// The application's table of message windows (owned by TApplication).
class TMessageWindows {
 public:
  TMessageWindows() = default;
  TMessageWindows(const TMessageWindows&) = delete;
  TMessageWindows& operator=(const TMessageWindows&) = delete;

  THandle Allocate(TWndMethod Method);
  void Deallocate(THandle Wnd);
  bool Exists(THandle Wnd) const { return FWindows.count(Wnd) != 0; }
  // Runs the window's handler; false when there is no such window.
  bool Dispatch(THandle Wnd, TMessage& Message);

 private:
  // Odd values: never equal to an object's address (the main window's
  // handle is the application object's).
  THandle FNext = 1;
  std::map<THandle, TWndMethod> FWindows;
};

}  // namespace rv
