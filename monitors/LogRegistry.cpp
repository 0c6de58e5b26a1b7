#include "monitors/LogRegistry.h"

#include "platform/classes/Published.h"
#include "platform/rtl/ScopeGuard.h"

namespace RV_API rv {

namespace {

const char* const kInitialKey = "Software\\Quindarex";
const TRegistryNotificationOptions kInitialOptions{roName, roAttributes};

}  // namespace

namespace logregistry {

TNotificationThread::TNotificationThread(TQVRegistryLog* AOwner)
    : FOwner(AOwner),
      FRegistry(std::make_unique<TRegistry>()),
      // Taken here, on the owner's thread, so the worker never reads a field
      // the owner may be assigning.
      FRootKey(AOwner->RootKey()),
      FKey(AOwner->Key()),
      FOptions(AOwner->Options()) {
  SetFreeOnTerminate(false);
  Start();
}

TNotificationThread::~TNotificationThread() {
  EndAndWait();
  FRegistry.reset();
}

void TNotificationThread::Execute() {
  FRegistry->SetRootKey(FRootKey);
  FRegistry->SetAccess(KEY_READ);
  if (!FRegistry->OpenKey(FKey, false)) throw ERegistryNotificationError("Unable to open registry key" + FKey);
  const bool subtree = FOptions.Contains(roWatchSubFolders);
  const std::uint32_t filter = FOptions.ToBits() & 0x0F;
  // An event of this monitor's own: a change under another monitor's key
  // never wakes this one.
  TEvent changed(true, false);
  // Closing the key ends its pending request before the event goes away.
  TScopeExit closeKey([this] { FRegistry->CloseKey(); });
  const auto request = [&] { RegNotifyChangeKeyValue(FRegistry->CurrentKey(), subtree, filter, &changed, true); };
  request();
  TEvent* events[] = {&changed, &Wake()};
  while (!Terminated()) {
    if (WaitForMultipleEvents(events, INFINITE) != WAIT_OBJECT_0) continue;
    Deliver([this] { Notify(); });
    if (Terminated()) break;
    changed.ResetEvent();
    request();
  }
}

void TNotificationThread::Notify() { FOwner->Notify(); }

}  // namespace logregistry

const TClass& TQVRegistryLog::StaticClass() {
  // Options has no declared default: it is always stored.
  static const TClass cls =
      TClassBuilder<TQVRegistryLog>("TQVRegistryLog")
          .Property("RootKey", &TQVRegistryLog::RootKey, &TQVRegistryLog::SetRootKey, HKEY_LOCAL_MACHINE)
          .Property("Key", &TQVRegistryLog::Key, &TQVRegistryLog::SetKey)
          .Property("Options", &TQVRegistryLog::Options, &TQVRegistryLog::SetOptions)
          .Property("OnRegistryNotification", &TQVRegistryLog::OnRegistryNotification,
                    &TQVRegistryLog::SetOnRegistryNotification)
          .Build();
  return cls;
}
RV_REGISTER_CLASS(TQVRegistryLog)

TQVRegistryLog::TQVRegistryLog(TComponent* AOwner)
    : TQVLogBase(AOwner), FRootKey(HKEY_LOCAL_MACHINE), FKey(kInitialKey), FOptions(kInitialOptions) {}

TQVRegistryLog::~TQVRegistryLog() { TWakeableThread::Dismiss(FWorker); }

void TQVRegistryLog::SetActive(bool Value) {
  TQVLogBase::SetActive(Value);
  if (ComponentState().Contains(csLoading)) return;
  if (!Value)
    TWakeableThread::Dismiss(FWorker);
  else if (!FWorker)
    FWorker = std::make_unique<logregistry::TNotificationThread>(this);
}

void TQVRegistryLog::Notify() {
  if (Active() && FOnRegistryNotification) FOnRegistryNotification(this);
}

void TQVRegistryLog::Loaded() {
  TQVLogBase::Loaded();
  // Activation was put off while the stored properties were read.
  if (Active() && !FWorker) SetActive(true);
}

}  // namespace rv
