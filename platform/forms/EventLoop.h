#pragma once
// The GUI thread's event loop: what it waits on and what it runs when
// something is ready. It knows three kinds of source:
// - file descriptors: a handler runs each time the descriptor is readable,
//   or for a priority source has an exceptional condition (POLLPRI: the
//   mount table signals changes that way) (level-triggered: a handler that
//   doesn't read what is there runs again on the next pass);
// - timers: a handler runs every interval, at most once per pass (a late
//   timer doesn't catch up on the runs it missed);
// - the wake-up: any thread may Wake() a waiting loop (the GUI queue uses
//   it for posted messages and calls handed over by workers).
// The window system's part (its own connection and event dispatching) is
// the event backend of the widget set in use, so sources registered here
// work the same in the headless set and with real windows; they stay
// registered when the set in use changes.
//
// Everything but Wake runs on the GUI thread. Handlers run guarded
// (TApplication::RunGuarded) and may add or remove sources, their own too.

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <span>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// What a descriptor source waits for.
enum TFdCondition : std::uint8_t { fdReadable, fdPriority };

struct TWaitFd {
  int Fd = -1;
  TFdCondition Condition = fdReadable;
};

// The window system's side of waiting, provided by a widget set.
class TEventBackend {
 public:
  virtual ~TEventBackend() = default;
  // Returns when one of Fds has its condition, the window system has events
  // (dispatched before returning), or TimeoutMs passed (-1: no limit).
  virtual void Wait(std::span<const TWaitFd> Fds, int TimeoutMs) = 0;
  // Dispatches the pending window-system events without waiting; true when
  // there were any.
  virtual bool ProcessEvents() = 0;
};

// A backend without a window system: poll(2) on the descriptors.
TEventBackend& PollEventBackend();

class TEventLoop {
 public:
  using TSourceId = std::uint64_t;
  using TFdHandler = std::function<void(int Fd)>;
  using TTimerHandler = std::function<void()>;

  TEventLoop() = default;
  TEventLoop(const TEventLoop&) = delete;
  TEventLoop& operator=(const TEventLoop&) = delete;

  // Runs Handler whenever Fd has Condition, until removed. The caller keeps
  // owning Fd and removes the source before closing it.
  TSourceId AddFdSource(int Fd, TFdHandler Handler, TFdCondition Condition = fdReadable);
  void RemoveFdSource(TSourceId Id);
  // Runs Handler every IntervalMs (at least 1), the first time one
  // interval from now, until removed.
  TSourceId AddTimer(int IntervalMs, TTimerHandler Handler);
  void RemoveTimer(TSourceId Id);
  // Ends the current or next Wait early. Any thread.
  static void Wake();

  // Dispatches what is ready now: window-system events, readable
  // descriptors, due timers. Never waits; true when anything ran.
  bool ProcessEvents();
  // Waits until a descriptor is readable, a timer is due, the window
  // system has events, Wake() is called or TimeoutMs passed (-1: no limit).
  // Dispatches only window-system events; ProcessEvents runs the rest.
  void Wait(int TimeoutMs);

 private:
  using TClock = std::chrono::steady_clock;
  struct TFdSource {
    TWaitFd Wait;
    TFdHandler Handler;
  };
  struct TTimer {
    TClock::duration Interval;
    TClock::time_point Due;
    TTimerHandler Handler;
  };

  bool RunReadyFds();
  bool RunDueTimers();
  int UntilNextTimer(int TimeoutMs) const;

  TSourceId FNextId = 1;
  // Ordered by id, so handlers run in the order they were added.
  std::map<TSourceId, TFdSource> FFds;
  std::map<TSourceId, TTimer> FTimers;
};

// The loop of the GUI thread. Its backend is that of the widget set chosen
// so far: asking for the loop never chooses one.
TEventLoop& EventLoop();

}  // namespace rv
