#include <systemd/sd-bus.h>

#include <functional>

#include "platform/os/ShellSessionEnd.h"

namespace RV_API rv {

namespace {

class TLogindSessionEndSource : public TSessionEndSource {
 public:
  explicit TLogindSessionEndSource(sd_bus* Bus) : FBus(Bus) {}
  ~TLogindSessionEndSource() override {
    sd_bus_slot_unref(FSlot);
    sd_bus_flush_close_unref(FBus);
  }
  TLogindSessionEndSource(const TLogindSessionEndSource&) = delete;
  TLogindSessionEndSource& operator=(const TLogindSessionEndSource&) = delete;

  bool Subscribe() {
    const int r = sd_bus_match_signal(FBus, &FSlot, "org.freedesktop.login1", "/org/freedesktop/login1",
                                      "org.freedesktop.login1.Manager", "PrepareForShutdown", &Signal, this);
    // The connection's greeting and the match go out now: later we only
    // wait for input.
    return r >= 0 && sd_bus_flush(FBus) >= 0;
  }

  int Fd() const override { return sd_bus_get_fd(FBus); }

  bool Read(const std::function<void()>& Query) override {
    FQuery = &Query;
    int r;
    while ((r = sd_bus_process(FBus, nullptr)) > 0) {
    }
    FQuery = nullptr;
    return r >= 0;
  }

 private:
  static int Signal(sd_bus_message* Message, void* Data, sd_bus_error*) {
    auto* self = static_cast<TLogindSessionEndSource*>(Data);
    int starting = 0;
    // True before the shutdown, false when it was cancelled.
    if (sd_bus_message_read(Message, "b", &starting) >= 0 && starting && self->FQuery) (*self->FQuery)();
    return 0;
  }

  sd_bus* FBus;
  sd_bus_slot* FSlot = nullptr;
  const std::function<void()>* FQuery = nullptr;
};

}  // namespace

std::unique_ptr<TSessionEndSource> OpenLogindSessionEndSource() {
  sd_bus* bus = nullptr;
  if (sd_bus_open_system(&bus) < 0) return nullptr;
  auto source = std::make_unique<TLogindSessionEndSource>(bus);
  if (!source->Subscribe()) return nullptr;
  return source;
}

}  // namespace rv
