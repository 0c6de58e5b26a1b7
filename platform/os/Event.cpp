#include "platform/os/Event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

#include "platform/rtl/OSError.h"

namespace rv {

TEvent::TEvent(bool ManualReset, bool InitialState)
    : FFd(eventfd(InitialState ? 1 : 0, EFD_CLOEXEC | EFD_NONBLOCK)), FManualReset(ManualReset) {
  if (!FFd) RaiseLastOSError();
}

void TEvent::SetEvent() {
  std::uint64_t one = 1;
  // EAGAIN means the counter is saturated: the event is set already.
  [[maybe_unused]] ssize_t n = write(FFd.Get(), &one, sizeof one);
}

void TEvent::ResetEvent() {
  std::uint64_t count;
  [[maybe_unused]] ssize_t n = read(FFd.Get(), &count, sizeof count);
}

int TEvent::WaitFor(int TimeoutMs) {
  pollfd fd{FFd.Get(), POLLIN, 0};
  int ready;
  while ((ready = poll(&fd, 1, TimeoutMs)) < 0 && errno == EINTR) {
  }
  if (ready < 0) return WAIT_FAILED;
  if (ready == 0) return WAIT_TIMEOUT;
  if (!FManualReset) {
    // Another waiter may have taken the signal first.
    std::uint64_t count;
    if (read(FFd.Get(), &count, sizeof count) < 0) return WaitFor(TimeoutMs);
  }
  return WAIT_OBJECT_0;
}

}  // namespace rv
