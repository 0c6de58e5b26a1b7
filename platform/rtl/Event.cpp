#include "platform/rtl/Event.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include "platform/rtl/OSError.h"

namespace RV_API rv {

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

bool TEvent::Take() {
  if (FManualReset) return true;
  std::uint64_t count;
  return read(FFd.Get(), &count, sizeof count) > 0;
}

int TEvent::WaitFor(int TimeoutMs) {
  TEvent* self[] = {this};
  return WaitForMultipleEvents(self, TimeoutMs);
}

int WaitForMultipleEvents(std::span<TEvent* const> Events, int TimeoutMs) {
  std::vector<pollfd> fds;
  for (TEvent* e : Events) fds.push_back({e->Fd(), POLLIN, 0});
  for (;;) {
    int ready = poll(fds.data(), fds.size(), TimeoutMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return WAIT_FAILED;
    if (ready == 0) return WAIT_TIMEOUT;
    for (std::size_t i = 0; i < fds.size(); ++i)
      if ((fds[i].revents & POLLIN) && Events[i]->Take()) return WAIT_OBJECT_0 + static_cast<int>(i);
  }
}

}  // namespace rv
