#include <X11/SM/SMlib.h>

#include <cstdlib>
#include <functional>

#include "platform/os/ShellSessionEnd.h"

namespace RV_API rv {

namespace {

class TXSessionEndSource : public TSessionEndSource {
 public:
  explicit TXSessionEndSource(SmcConn Connection) : FConnection(Connection) {}
  ~TXSessionEndSource() override { SmcCloseConnection(FConnection, 0, nullptr); }
  TXSessionEndSource(const TXSessionEndSource&) = delete;
  TXSessionEndSource& operator=(const TXSessionEndSource&) = delete;

  int Fd() const override { return IceConnectionNumber(SmcGetIceConnection(FConnection)); }

  bool Read(const std::function<void()>& Query) override {
    if (FEnded) return false;
    FQuery = &Query;
    const IceProcessMessagesStatus status = IceProcessMessages(SmcGetIceConnection(FConnection), nullptr, nullptr);
    FQuery = nullptr;
    FEnded = status != IceProcessMessagesSuccess;
    return !FEnded;
  }

  static SmcCallbacks Callbacks() {
    SmcCallbacks callbacks{};
    callbacks.save_yourself.callback = &SaveYourself;
    callbacks.die.callback = [](SmcConn, SmPointer) {};
    callbacks.save_complete.callback = [](SmcConn, SmPointer) {};
    callbacks.shutdown_cancelled.callback = [](SmcConn, SmPointer) {};
    return callbacks;
  }

  // Set once the connection exists: the callbacks' data is the source.
  void Attach(SmcCallbacks& Callbacks) {
    Callbacks.save_yourself.client_data = this;
    SmcModifyCallbacks(FConnection, SmcSaveYourselfProcMask, &Callbacks);
  }

 private:
  static void SaveYourself(SmcConn Connection, SmPointer Data, int, Bool Shutdown, int, Bool) {
    auto* self = static_cast<TXSessionEndSource*>(Data);
    if (Shutdown && self && self->FQuery) (*self->FQuery)();
    // Done at once: the session never waits for us.
    SmcSaveYourselfDone(Connection, True);
  }

  SmcConn FConnection;
  const std::function<void()>* FQuery = nullptr;
  bool FEnded = false;
};

}  // namespace

std::unique_ptr<TSessionEndSource> OpenXSessionEndSource() {
  const char* manager = std::getenv("SESSION_MANAGER");
  if (!manager || !*manager) return nullptr;
  SmcCallbacks callbacks = TXSessionEndSource::Callbacks();
  char* clientId = nullptr;
  char error[256] = {};
  const unsigned long mask =
      SmcSaveYourselfProcMask | SmcDieProcMask | SmcSaveCompleteProcMask | SmcShutdownCancelledProcMask;
  SmcConn connection = SmcOpenConnection(nullptr, nullptr, SmProtoMajor, SmProtoMinor, mask, &callbacks, nullptr,
                                         &clientId, sizeof error, error);
  std::free(clientId);
  if (!connection) return nullptr;
  auto source = std::make_unique<TXSessionEndSource>(connection);
  source->Attach(callbacks);
  return source;
}

}  // namespace rv
