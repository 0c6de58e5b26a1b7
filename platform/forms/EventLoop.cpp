#include "platform/forms/EventLoop.h"

#include <poll.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>

#include "platform/classes/Thread.h"
#include "platform/forms/Application.h"
#include "platform/forms/WidgetSet.h"

namespace RV_API rv {

namespace {

short pollEvents(TFdCondition Condition) { return Condition == fdPriority ? POLLPRI : POLLIN; }

class TPollEventBackend : public TEventBackend {
 public:
  void Wait(std::span<const TWaitFd> Fds, int TimeoutMs) override {
    std::vector<pollfd> fds;
    fds.reserve(Fds.size());
    for (const TWaitFd& fd : Fds) fds.push_back(pollfd{fd.Fd, pollEvents(fd.Condition), 0});
    while (poll(fds.data(), fds.size(), TimeoutMs) < 0 && errno == EINTR) {
    }
  }
  bool ProcessEvents() override { return false; }
};

void runGuarded(const std::function<void()>& Handler) {
  if (Application)
    Application->RunGuarded(Application, Handler);
  else
    Handler();
}

}  // namespace

TEventBackend& PollEventBackend() {
  static TPollEventBackend backend;
  return backend;
}

TEventLoop::TSourceId TEventLoop::AddFdSource(int Fd, TFdHandler Handler, TFdCondition Condition) {
  const TSourceId id = FNextId++;
  FFds.emplace(id, TFdSource{TWaitFd{Fd, Condition}, std::move(Handler)});
  return id;
}

void TEventLoop::RemoveFdSource(TSourceId Id) { FFds.erase(Id); }

TEventLoop::TSourceId TEventLoop::AddTimer(int IntervalMs, TTimerHandler Handler) {
  const TSourceId id = FNextId++;
  const auto interval = std::chrono::milliseconds(std::max(IntervalMs, 1));
  FTimers.emplace(id, TTimer{interval, TClock::now() + interval, std::move(Handler)});
  return id;
}

void TEventLoop::RemoveTimer(TSourceId Id) { FTimers.erase(Id); }

void TEventLoop::Wake() { WakeMainThread(); }

bool TEventLoop::ProcessEvents() {
  bool any = CurrentWidgetSet()->EventBackend().ProcessEvents();
  any = RunReadyFds() || any;
  return RunDueTimers() || any;
}

void TEventLoop::Wait(int TimeoutMs) {
  std::vector<TWaitFd> fds{TWaitFd{MainThreadWakeFd(), fdReadable}};
  for (const auto& [id, source] : FFds) fds.push_back(source.Wait);
  CurrentWidgetSet()->EventBackend().Wait(fds, UntilNextTimer(TimeoutMs));
}

bool TEventLoop::RunReadyFds() {
  if (FFds.empty()) return false;
  std::vector<pollfd> fds;
  std::vector<TSourceId> ids;
  for (const auto& [id, source] : FFds) {
    fds.push_back(pollfd{source.Wait.Fd, pollEvents(source.Wait.Condition), 0});
    ids.push_back(id);
  }
  while (poll(fds.data(), fds.size(), 0) < 0 && errno == EINTR) {
  }
  bool any = false;
  for (std::size_t i = 0; i < fds.size(); ++i) {
    if (fds[i].revents == 0) continue;
    // An earlier handler may have removed this source.
    auto it = FFds.find(ids[i]);
    if (it == FFds.end()) continue;
    // A copy: the handler may remove its own source.
    const TFdHandler handler = it->second.Handler;
    const int fd = it->second.Wait.Fd;
    runGuarded([&] { handler(fd); });
    any = true;
  }
  return any;
}

bool TEventLoop::RunDueTimers() {
  const TClock::time_point now = TClock::now();
  std::vector<TSourceId> due;
  for (const auto& [id, timer] : FTimers)
    if (timer.Due <= now) due.push_back(id);
  for (TSourceId id : due) {
    auto it = FTimers.find(id);
    if (it == FTimers.end()) continue;
    it->second.Due = now + it->second.Interval;
    const TTimerHandler handler = it->second.Handler;
    runGuarded(handler);
  }
  return !due.empty();
}

int TEventLoop::UntilNextTimer(int TimeoutMs) const {
  if (FTimers.empty()) return TimeoutMs;
  TClock::time_point next = TClock::time_point::max();
  for (const auto& [id, timer] : FTimers) next = std::min(next, timer.Due);
  // Rounded up: waking a little early would only wait again.
  const auto left = std::chrono::ceil<std::chrono::milliseconds>(next - TClock::now()).count();
  const int untilTimer = static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
  return TimeoutMs < 0 ? untilTimer : std::min(TimeoutMs, untilTimer);
}

TEventLoop& EventLoop() {
  static TEventLoop loop;
  return loop;
}

}  // namespace rv
