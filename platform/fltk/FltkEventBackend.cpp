#include "platform/fltk/FltkEventBackend.h"

#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include "platform/forms/Application.h"
#include "platform/rtl/ScopeGuard.h"

namespace rv {

namespace {

// The toolkit's dispatch hook is a plain function.
TFltkEventBackend* dispatcher = nullptr;

// The toolkit waits with select(), whose exceptional set is poll's POLLPRI.
int toolkitCondition(TFdCondition Condition) { return Condition == fdPriority ? FL_EXCEPT : FL_READ; }

}  // namespace

TFltkEventBackend::TFltkEventBackend(TFltkEventHooks& Hooks) : FHooks(Hooks) {
  dispatcher = this;
  Fl::event_dispatch(&TFltkEventBackend::Dispatch);
}

void TFltkEventBackend::Readable(int Fd, void* Data) {
  // Inside an event handler a toolkit loop of its own (a menu) may be
  // waiting: it can't serve our sources, and a descriptor that stays
  // ready would keep waking it. The next Wait watches it again.
  if (static_cast<TFltkEventBackend*>(Data)->FDispatching > 0) Fl::remove_fd(Fd);
}

void TFltkEventBackend::Wait(std::span<const TWaitFd> Fds, int TimeoutMs) {
  for (const TWaitFd& fd : Fds) Fl::add_fd(fd.Fd, toolkitCondition(fd.Condition), &TFltkEventBackend::Readable, this);
  TScopeExit unwatch([&] {
    for (const TWaitFd& fd : Fds) Fl::remove_fd(fd.Fd, toolkitCondition(fd.Condition));
  });
  if (TimeoutMs < 0)
    Fl::wait();
  else
    Fl::wait(TimeoutMs / 1000.0);
  FHooks.EventsDone();
}

bool TFltkEventBackend::ProcessEvents() {
  const std::uint64_t before = FEvents;
  Fl::check();
  FHooks.EventsDone();
  return FEvents != before;
}

int TFltkEventBackend::Dispatch(int Event, Fl_Window* Window) {
  TFltkEventBackend* self = dispatcher;
  if (!self) return Fl::handle_(Event, Window);
  ++self->FEvents;
  TemporaryChange depth(self->FDispatching, self->FDispatching + 1);
  // The model's handlers run guarded (Feed...); this catches what the
  // mirroring itself may raise, so nothing unwinds through the toolkit.
  try {
    const int used = Fl::handle_(Event, Window);
    self->FHooks.EventHandled(Event, Window);
    return used;
  } catch (...) {
    if (Application) Application->HandleException(Application);
    return 1;
  }
}

}  // namespace rv
