#pragma once
// Unit LogShell: the shell change monitor. TQVShellLog turns the shell's
// change reports into callbacks; it owns no log file.
//
// On Linux the reports come from the sources of platform/os/ShellChange.h
// (inotify on Path, the mount table, block-device uevents, mimeapps.list
// files, Samba user shares), read in the application's event loop and
// queued to the component's hidden message window as message 0x0401, so
// callbacks run from the loop, never inside the caller of an operation.
// Everything runs on the GUI thread, except PostNotification.

#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <string>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/forms/Messages.h"
#include "platform/os/ShellChange.h"
#include "platform/rtl/Closure.h"
#include "platform/rtl/Export.h"
#include "platform/rtl/Set.h"

namespace RV_API rv {

RV_ENUM(TQVLNotificationEvent, std::uint8_t, lnAssociationChange, lnAttributesChange, lnFileChange, lnFileCreate,
        lnFileDelete, lnFileRename, lnDriveAdd, lnDriveRemove, lnShellDriveAdd, lnDriveSpaceChange, lnMediaInsert,
        lnMediaRemove, lnFolderCreate, lnFolderDelete, lnFolderRename, lnFolderUpdate, lnNetShare, lnNetUnShare,
        lnServerDisconnect, lnImageListChange, lnEndSessionQuery)
// 21 bits; stored in 32 (C++ has no three-byte integer).
using TQVLNotificationEvents = Set<TQVLNotificationEvent, std::uint32_t>;
using TQVLShellNotificationEvent1 = Closure<void(TObject* Sender, const std::string& Value)>;
using TQVLShellNotificationEvent2 =
    Closure<void(TObject* Sender, const std::string& OldValue, const std::string& NewValue)>;

// The private message that carries a shell notification to the hidden
// window: WParam points to two items (const TShellItem* [2], either may be
// null), LParam is the event code.
constexpr std::uint32_t WM_SHELLNOTIFY = 0x0401;

// The event mask registered for Options (lnEndSessionQuery adds nothing).
std::int32_t ShellEventMask(TQVLNotificationEvents Options);

class TQVShellLog : public TComponent {
  RV_CLASS(TQVShellLog, TComponent)
 public:
  explicit TQVShellLog(TComponent* AOwner);
  ~TQVShellLog() override;

  const std::string& Path() const { return FPath; }
  void SetPath(const std::string& Value);
  // True only while switched on and registered.
  bool Active() const;
  void SetActive(bool Value);
  bool WatchSubTree() const { return FWatchSubTree; }
  void SetWatchSubTree(bool Value);
  TQVLNotificationEvents Options() const { return FOptions; }
  void SetOptions(TQVLNotificationEvents Value);

  const TNotifyEvent& OnAssociationChange() const { return FOnAssociationChange; }
  void SetOnAssociationChange(TNotifyEvent Value) { FOnAssociationChange = std::move(Value); }
  const TQVLShellNotificationEvent2& OnAttributesChange() const { return FOnAttributesChange; }
  void SetOnAttributesChange(TQVLShellNotificationEvent2 Value) { FOnAttributesChange = std::move(Value); }
  const TQVLShellNotificationEvent1& OnFileCreate() const { return FOnFileCreate; }
  void SetOnFileCreate(TQVLShellNotificationEvent1 Value) { FOnFileCreate = std::move(Value); }
  const TQVLShellNotificationEvent2& OnFolderRename() const { return FOnFolderRename; }
  void SetOnFolderRename(TQVLShellNotificationEvent2 Value) { FOnFolderRename = std::move(Value); }
  const TQVLShellNotificationEvent1& OnFolderUpdate() const { return FOnFolderUpdate; }
  void SetOnFolderUpdate(TQVLShellNotificationEvent1 Value) { FOnFolderUpdate = std::move(Value); }
  const TQVLShellNotificationEvent1& OnFileDelete() const { return FOnFileDelete; }
  void SetOnFileDelete(TQVLShellNotificationEvent1 Value) { FOnFileDelete = std::move(Value); }
  const TQVLShellNotificationEvent1& OnDriveAdd() const { return FOnDriveAdd; }
  void SetOnDriveAdd(TQVLShellNotificationEvent1 Value) { FOnDriveAdd = std::move(Value); }
  const TQVLShellNotificationEvent1& OnFolderRemove() const { return FOnFolderRemove; }
  void SetOnFolderRemove(TQVLShellNotificationEvent1 Value) { FOnFolderRemove = std::move(Value); }
  const TQVLShellNotificationEvent2& OnFileRename() const { return FOnFileRename; }
  void SetOnFileRename(TQVLShellNotificationEvent2 Value) { FOnFileRename = std::move(Value); }
  const TQVLShellNotificationEvent1& OnDriveAddGui() const { return FOnDriveAddGui; }
  void SetOnDriveAddGui(TQVLShellNotificationEvent1 Value) { FOnDriveAddGui = std::move(Value); }
  const TQVLShellNotificationEvent1& OnDriveRemove() const { return FOnDriveRemove; }
  void SetOnDriveRemove(TQVLShellNotificationEvent1 Value) { FOnDriveRemove = std::move(Value); }
  const TQVLShellNotificationEvent1& OnMediaInserted() const { return FOnMediaInserted; }
  void SetOnMediaInserted(TQVLShellNotificationEvent1 Value) { FOnMediaInserted = std::move(Value); }
  const TQVLShellNotificationEvent1& OnMediaRemove() const { return FOnMediaRemove; }
  void SetOnMediaRemove(TQVLShellNotificationEvent1 Value) { FOnMediaRemove = std::move(Value); }
  const TQVLShellNotificationEvent1& OnFolderCreate() const { return FOnFolderCreate; }
  void SetOnFolderCreate(TQVLShellNotificationEvent1 Value) { FOnFolderCreate = std::move(Value); }
  const TQVLShellNotificationEvent1& OnNetShare() const { return FOnNetShare; }
  void SetOnNetShare(TQVLShellNotificationEvent1 Value) { FOnNetShare = std::move(Value); }
  const TQVLShellNotificationEvent1& OnNetUnShare() const { return FOnNetUnShare; }
  void SetOnNetUnShare(TQVLShellNotificationEvent1 Value) { FOnNetUnShare = std::move(Value); }
  const TQVLShellNotificationEvent1& OnServerDisconnect() const { return FOnServerDisconnect; }
  void SetOnServerDisconnect(TQVLShellNotificationEvent1 Value) { FOnServerDisconnect = std::move(Value); }
  const TNotifyEvent& OnEndSessionQuery() const { return FOnEndSessionQuery; }
  void SetOnEndSessionQuery(TNotifyEvent Value) { FOnEndSessionQuery = std::move(Value); }

  // The hidden message window (0 at design time).
  THandle Handle() const { return FHandle; }
  // Queues a notification to the hidden window as if the shell had sent
  // it, registered or not and whatever Options holds; an empty path stands
  // for an item without one. Any thread; handled by the application's loop.
  void PostNotification(std::int32_t Event, const std::string& Path1, const std::string& Path2 = {});
  // Registration put off while the stored properties were read happens now.
  void Loaded() override;

 protected:
  virtual void DoAssociationChange();
  virtual void DoAttributesChange(const std::string& OldValue, const std::string& NewValue);
  virtual void DoCreateFile(const std::string& Value);
  virtual void DoDeleteFile(const std::string& Value);
  virtual void DoDriveAdd(const std::string& Value);
  virtual void DoDriveAddGui(const std::string& Value);
  virtual void DoDriveRemove(const std::string& Value);
  virtual void DoMediaInsert(const std::string& Value);
  virtual void DoMediaRemove(const std::string& Value);
  virtual void DoDirCreate(const std::string& Value);
  virtual void DoNetShare(const std::string& Value);
  virtual void DoNetUnShare(const std::string& Value);
  virtual void DoRenameFolder(const std::string& OldValue, const std::string& NewValue);
  virtual void DoRenameItem(const std::string& OldValue, const std::string& NewValue);
  virtual void DoFolderRemove(const std::string& Value);
  virtual void DoServerDisconnect(const std::string& Value);
  virtual void DoDirUpdate(const std::string& Value);

 private:
  class TRegistration;
  // A queued notification; its items live until the message is handled.
  struct TPending {
    TShellItem Items[2];
    const TShellItem* IDLists[2] = {nullptr, nullptr};
  };

  void ShellNotifyRegister();
  void ShellNotifyUnregister();
  static std::string PathFromPIDL(const TShellItem* IDList);
  void WndProc(TMessage& Message);
  void WindowMessage(TMessage& Message);
  void Queue(const TShellChange& Change);
  void Reregister();
  void OpenSessionEnd();

  TQVLNotificationEvents FOptions;
  std::string FPath;
  bool FActive = false;  // the switched-on flag
  bool FWatchSubTree = false;
  // The remembered last notification; never cleared.
  std::string FLastPath1;
  std::string FLastPath2;
  std::int32_t FLastEvent = 0;
  THandle FHandle = 0;
  std::unique_ptr<TRegistration> FRegistration;  // the shell registration; null: none
  std::unique_ptr<TRegistration> FSessionEnd;
  std::mutex FPendingLock;  // guards FPending: PostNotification may come from any thread
  std::list<TPending> FPending;

  TNotifyEvent FOnAssociationChange;
  TQVLShellNotificationEvent2 FOnAttributesChange;
  TQVLShellNotificationEvent1 FOnFileCreate;
  TQVLShellNotificationEvent2 FOnFolderRename;
  TQVLShellNotificationEvent1 FOnFolderUpdate;
  TQVLShellNotificationEvent1 FOnFileDelete;
  TQVLShellNotificationEvent1 FOnDriveAdd;
  TQVLShellNotificationEvent1 FOnFolderRemove;
  TQVLShellNotificationEvent2 FOnFileRename;
  TQVLShellNotificationEvent1 FOnDriveAddGui;
  TQVLShellNotificationEvent1 FOnDriveRemove;
  TQVLShellNotificationEvent1 FOnMediaInserted;
  TQVLShellNotificationEvent1 FOnMediaRemove;
  TQVLShellNotificationEvent1 FOnFolderCreate;
  TQVLShellNotificationEvent1 FOnNetShare;
  TQVLShellNotificationEvent1 FOnNetUnShare;
  TQVLShellNotificationEvent1 FOnServerDisconnect;
  TNotifyEvent FOnEndSessionQuery;
};

}  // namespace rv
