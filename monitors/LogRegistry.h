#pragma once
// Unit LogRegistry: the registry monitor. TQVRegistryLog watches one key of
// the registry store (optionally with every key below it) for the selected
// kinds of change; its worker hands each change to the GUI thread, where
// OnRegistryNotification is called. The component writes no record of its
// own. Each monitor waits on an event of its own, so it hears only changes
// under its own key.

#include <cstdint>
#include <memory>
#include <string>

#include "core/LogBase.h"
#include "platform/classes/Events.h"
#include "platform/classes/WakeableThread.h"
#include "platform/os/Registry.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Export.h"
#include "platform/rtl/Set.h"

namespace RV_API rv {

RV_ENUM(TRegistryNotificationOption, std::uint8_t, roName, roAttributes, roLastSet, roSecurity, roWatchSubFolders)
using TRegistryNotificationOptions = Set<TRegistryNotificationOption, std::uint8_t>;

RV_DECLARE_EXCEPTION(ERegistryNotificationError, Exception);

class TQVRegistryLog;

namespace logregistry {

// The worker of one active TQVRegistryLog. It takes RootKey, Key and Options
// when it is created, opens the key on its own thread, and renews its change
// request after each callback has returned.
class TNotificationThread : public TWakeableThread {
 public:
  explicit TNotificationThread(TQVRegistryLog* AOwner);
  // Wakes the worker, waits for its end (serving the GUI queue), then frees
  // the registry access object.
  ~TNotificationThread() override;

 protected:
  void Execute() override;

 private:
  void Notify();

  TQVRegistryLog* FOwner;
  // Created here, used only by the worker until the destructor frees it.
  std::unique_ptr<TRegistry> FRegistry;
  HKEY FRootKey;
  std::string FKey;
  TRegistryNotificationOptions FOptions;
};

}  // namespace logregistry

class TQVRegistryLog : public TQVLogBase {
  RV_CLASS(TQVRegistryLog, TQVLogBase)
 public:
  explicit TQVRegistryLog(TComponent* AOwner);
  ~TQVRegistryLog() override;

  // Starts or stops the worker. While the component is being loaded the
  // worker waits for Loaded, so it watches the stored key. Activating an
  // active component keeps its worker. A key that can't be opened ends the
  // worker quietly: no callback ever comes until the next activation.
  void SetActive(bool Value) override;
  // The next three take effect at the next activation.
  HKEY RootKey() const { return FRootKey; }
  void SetRootKey(HKEY Value) { FRootKey = Value; }
  const std::string& Key() const { return FKey; }
  void SetKey(const std::string& Value) { FKey = Value; }
  TRegistryNotificationOptions Options() const { return FOptions; }
  void SetOptions(TRegistryNotificationOptions Value) { FOptions = Value; }
  const TNotifyEvent& OnRegistryNotification() const { return FOnRegistryNotification; }
  void SetOnRegistryNotification(TNotifyEvent Value) { FOnRegistryNotification = std::move(Value); }

  // GUI thread: calls OnRegistryNotification when active and assigned.
  virtual void Notify();
  void Loaded() override;

 private:
  std::unique_ptr<logregistry::TNotificationThread> FWorker;
  HKEY FRootKey = HKEY_LOCAL_MACHINE;
  std::string FKey;
  TRegistryNotificationOptions FOptions;
  TNotifyEvent FOnRegistryNotification;
};

}  // namespace rv
