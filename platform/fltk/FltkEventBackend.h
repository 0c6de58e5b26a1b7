#pragma once
// Private to the real-window widget set: waiting on the toolkit's loop,
// which also watches the event loop's descriptors, and dispatching its
// events. What the events mean for the model is the widget set's part,
// told through TFltkEventHooks.

#include <cstdint>
#include <span>

#include "platform/forms/EventLoop.h"

class Fl_Window;

namespace rv {

class TFltkEventHooks {
 public:
  // After the toolkit handled one event.
  virtual void EventHandled(int Event, Fl_Window* Window) = 0;
  // After each wait and each round of pending events.
  virtual void EventsDone() = 0;

 protected:
  ~TFltkEventHooks() = default;
};

// One per process: it takes over the toolkit's event dispatching.
class TFltkEventBackend : public TEventBackend {
 public:
  explicit TFltkEventBackend(TFltkEventHooks& Hooks);
  TFltkEventBackend(const TFltkEventBackend&) = delete;
  TFltkEventBackend& operator=(const TFltkEventBackend&) = delete;

  void Wait(std::span<const TWaitFd> Fds, int TimeoutMs) override;
  bool ProcessEvents() override;

 private:
  static int Dispatch(int Event, Fl_Window* Window);
  static void Readable(int Fd, void* Data);

  TFltkEventHooks& FHooks;
  std::uint64_t FEvents = 0;  // events dispatched so far
  int FDispatching = 0;       // depth of event handlers running
};

}  // namespace rv
