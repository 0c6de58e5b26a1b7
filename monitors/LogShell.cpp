#include "monitors/LogShell.h"

#include <functional>
#include <vector>

#include "platform/classes/Published.h"
#include "platform/forms/EventLoop.h"
#include "platform/forms/MessageWindow.h"
#include "platform/rtl/ScopeGuard.h"

namespace RV_API rv {

namespace {

// The registered shell event of each member, by ordinal; 0 for
// lnEndSessionQuery, which registers none.
constexpr std::int32_t kEventOf[] = {
    SHCNE_ASSOCCHANGED,
    SHCNE_ATTRIBUTES,
    SHCNE_UPDATEITEM,
    SHCNE_CREATE,
    SHCNE_DELETE,
    SHCNE_RENAMEITEM,
    SHCNE_DRIVEADD,
    SHCNE_DRIVEREMOVED,
    SHCNE_DRIVEADDGUI,
    SHCNE_FREESPACE,
    SHCNE_MEDIAINSERTED,
    SHCNE_MEDIAREMOVED,
    SHCNE_MKDIR,
    SHCNE_RMDIR,
    SHCNE_RENAMEFOLDER,
    SHCNE_UPDATEDIR,
    SHCNE_NETSHARE,
    SHCNE_NETUNSHARE,
    SHCNE_SERVERDISCONNECT,
    SHCNE_UPDATEIMAGE,
    0,
};
static_assert(std::size(kEventOf) == lnEndSessionQuery + 1);

// Only the ASCII letters fold; every other character must match exactly.
bool sameIgnoringAsciiCase(const std::string& A, const std::string& B) {
  if (A.size() != B.size()) return false;
  auto upper = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; };
  for (std::size_t i = 0; i < A.size(); ++i)
    if (upper(A[i]) != upper(B[i])) return false;
  return true;
}

TShellItem itemOf(const std::string& Path) { return Path.empty() ? TShellItem{} : TShellItem::Of(Path); }

}  // namespace

std::int32_t ShellEventMask(TQVLNotificationEvents Options) {
  std::int32_t mask = 0;
  for (int n = 0; n <= lnEndSessionQuery; ++n)
    if (Options.Contains(static_cast<TQVLNotificationEvent>(n))) mask |= kEventOf[n];
  return mask;
}

// Descriptors of sources watched in the GUI thread's event loop for as long
// as the registration lives; the sources go with it.
class TQVShellLog::TRegistration {
 public:
  TRegistration() = default;
  TRegistration(const TRegistration&) = delete;
  TRegistration& operator=(const TRegistration&) = delete;
  ~TRegistration() {
    for (TEventLoop::TSourceId id : FIds) EventLoop().RemoveFdSource(id);
  }
  // Ready returns false when the descriptor is to be waited on no more.
  void Watch(int Fd, bool Priority, std::function<bool()> Ready) {
    if (Fd < 0) return;
    const TEventLoop::TSourceId id = EventLoop().AddFdSource(
        Fd,
        [Ready = std::move(Ready), &id = FIds.emplace_back()](int) {
          if (!Ready()) EventLoop().RemoveFdSource(id);
        },
        Priority ? fdPriority : fdReadable);
    FIds.back() = id;
  }

  std::vector<std::unique_ptr<TShellSource>> Sources;
  std::vector<std::unique_ptr<TSessionEndSource>> SessionSources;

 private:
  std::list<TEventLoop::TSourceId> FIds;  // a list: handlers refer to their own entry
};

const TClass& TQVShellLog::StaticClass() {
  // Active, WatchSubTree and Options have no declared default: always stored.
  static const TClass cls =
      TClassBuilder<TQVShellLog>("TQVShellLog")
          .Property("Path", &TQVShellLog::Path, &TQVShellLog::SetPath)
          .Property("Active", &TQVShellLog::Active, &TQVShellLog::SetActive)
          .Property("WatchSubTree", &TQVShellLog::WatchSubTree, &TQVShellLog::SetWatchSubTree)
          .Property("Options", &TQVShellLog::Options, &TQVShellLog::SetOptions)
          .Property("OnAssociationChange", &TQVShellLog::OnAssociationChange, &TQVShellLog::SetOnAssociationChange)
          .Property("OnAttributesChange", &TQVShellLog::OnAttributesChange, &TQVShellLog::SetOnAttributesChange)
          .Property("OnFileCreate", &TQVShellLog::OnFileCreate, &TQVShellLog::SetOnFileCreate)
          .Property("OnFolderRename", &TQVShellLog::OnFolderRename, &TQVShellLog::SetOnFolderRename)
          .Property("OnFolderUpdate", &TQVShellLog::OnFolderUpdate, &TQVShellLog::SetOnFolderUpdate)
          .Property("OnFileDelete", &TQVShellLog::OnFileDelete, &TQVShellLog::SetOnFileDelete)
          .Property("OnDriveAdd", &TQVShellLog::OnDriveAdd, &TQVShellLog::SetOnDriveAdd)
          .Property("OnFolderRemove", &TQVShellLog::OnFolderRemove, &TQVShellLog::SetOnFolderRemove)
          .Property("OnFileRename", &TQVShellLog::OnFileRename, &TQVShellLog::SetOnFileRename)
          .Property("OnDriveAddGui", &TQVShellLog::OnDriveAddGui, &TQVShellLog::SetOnDriveAddGui)
          .Property("OnDriveRemove", &TQVShellLog::OnDriveRemove, &TQVShellLog::SetOnDriveRemove)
          .Property("OnMediaInserted", &TQVShellLog::OnMediaInserted, &TQVShellLog::SetOnMediaInserted)
          .Property("OnMediaRemove", &TQVShellLog::OnMediaRemove, &TQVShellLog::SetOnMediaRemove)
          .Property("OnFolderCreate", &TQVShellLog::OnFolderCreate, &TQVShellLog::SetOnFolderCreate)
          .Property("OnNetShare", &TQVShellLog::OnNetShare, &TQVShellLog::SetOnNetShare)
          .Property("OnNetUnShare", &TQVShellLog::OnNetUnShare, &TQVShellLog::SetOnNetUnShare)
          .Property("OnServerDisconnect", &TQVShellLog::OnServerDisconnect, &TQVShellLog::SetOnServerDisconnect)
          .Property("OnEndSessionQuery", &TQVShellLog::OnEndSessionQuery, &TQVShellLog::SetOnEndSessionQuery)
          .Build();
  return cls;
}
RV_REGISTER_CLASS(TQVShellLog)

TQVShellLog::TQVShellLog(TComponent* AOwner) : TComponent(AOwner) {
  if (ComponentState().Contains(csDesigning)) return;
  FHandle = AllocateHWnd(TWndMethod(this, &TQVShellLog::WindowMessage));
  OpenSessionEnd();
}

TQVShellLog::~TQVShellLog() {
  if (!ComponentState().Contains(csDesigning)) SetActive(false);
  FSessionEnd.reset();
  DeallocateHWnd(FHandle);
}

void TQVShellLog::OpenSessionEnd() {
  // The session manager asks every window of the application; the query is
  // queued to the window, and the source answers "may end" meanwhile.
  auto registration = std::make_unique<TRegistration>();
  try {
    registration->SessionSources = ShellSources().OpenSessionEnd();
  } catch (const std::exception&) {
    return;
  }
  for (auto& source : registration->SessionSources) {
    TSessionEndSource* s = source.get();
    registration->Watch(s->Fd(), false,
                        [this, s] { return s->Read([this] { PostMessage(FHandle, WM_QUERYENDSESSION); }); });
  }
  FSessionEnd = std::move(registration);
}

bool TQVShellLog::Active() const { return FRegistration && FActive; }

void TQVShellLog::SetActive(bool Value) {
  if (Value == FActive) {
    // Switched on but not registered (after loading, or a registration
    // that failed): try again.
    if (Value && !FRegistration) ShellNotifyRegister();
    return;
  }
  FActive = Value;
  if (Value)
    ShellNotifyRegister();
  else
    ShellNotifyUnregister();
}

void TQVShellLog::Reregister() {
  if (!FActive) return;
  SetActive(false);
  SetActive(true);
}

void TQVShellLog::SetPath(const std::string& Value) {
  if (Value == FPath) return;
  FPath = Value;
  Reregister();
}

void TQVShellLog::SetWatchSubTree(bool Value) {
  if (Value == FWatchSubTree) return;
  FWatchSubTree = Value;
  Reregister();
}

void TQVShellLog::SetOptions(TQVLNotificationEvents Value) {
  if (Value == FOptions) return;
  FOptions = Value;
  Reregister();
}

void TQVShellLog::Loaded() {
  TComponent::Loaded();
  // Active was stored true: the registration was put off until every
  // stored property was read.
  if (FActive && !FRegistration) ShellNotifyRegister();
}

void TQVShellLog::ShellNotifyRegister() {
  if (ComponentState().Contains(csDesigning) || ComponentState().Contains(csLoading)) return;
  if (FRegistration) ShellNotifyUnregister();
  const std::int32_t mask = ShellEventMask(FOptions);
  auto registration = std::make_unique<TRegistration>();
  try {
    registration->Sources = ShellSources().Open(FPath, FWatchSubTree, mask);
  } catch (const std::exception&) {
    // A failed registration leaves no handle, so Active reads false.
    return;
  }
  for (auto& source : registration->Sources) {
    TShellSource* s = source.get();
    registration->Watch(s->Fd(), s->WaitsForPriority(), [this, s, mask] {
      s->Read([this, mask](const TShellChange& Change) {
        if (Change.Event & mask) Queue(Change);
      });
      return true;
    });
  }
  FRegistration = std::move(registration);
}

void TQVShellLog::ShellNotifyUnregister() { FRegistration.reset(); }

std::string TQVShellLog::PathFromPIDL(const TShellItem* IDList) {
  return IDList && IDList->HasPath ? IDList->Path : std::string();
}

void TQVShellLog::PostNotification(std::int32_t Event, const std::string& Path1, const std::string& Path2) {
  Queue(TShellChange{Event, itemOf(Path1), itemOf(Path2)});
}

void TQVShellLog::Queue(const TShellChange& Change) {
  // At design time there is no window to tell.
  if (FHandle == 0) return;
  WPARAM lists;
  {
    std::lock_guard<std::mutex> guard(FPendingLock);
    TPending& pending = FPending.emplace_back();
    pending.Items[0] = Change.Item1;
    pending.Items[1] = Change.Item2;
    // A null list stands for an item without a path, as the shell sends it.
    pending.IDLists[0] = Change.Item1.HasPath ? &pending.Items[0] : nullptr;
    pending.IDLists[1] = Change.Item2.HasPath ? &pending.Items[1] : nullptr;
    lists = reinterpret_cast<WPARAM>(pending.IDLists);
  }
  PostMessage(FHandle, WM_SHELLNOTIFY, lists, static_cast<LPARAM>(static_cast<std::uint32_t>(Change.Event)));
}

void TQVShellLog::WindowMessage(TMessage& Message) {
  // A queued notification's items are released once handled, also when a
  // callback raises; lists another sender made are left to it.
  TScopeExit release([&] {
    if (Message.Msg != WM_SHELLNOTIFY) return;
    std::lock_guard<std::mutex> guard(FPendingLock);
    for (auto it = FPending.begin(); it != FPending.end(); ++it)
      if (reinterpret_cast<WPARAM>(it->IDLists) == Message.WParam) {
        FPending.erase(it);
        return;
      }
  });
  WndProc(Message);
}

void TQVShellLog::WndProc(TMessage& Message) {
  if (Message.Msg == WM_QUERYENDSESSION) {
    if (FOnEndSessionQuery && FOptions.Contains(lnEndSessionQuery)) FOnEndSessionQuery(this);
    return;
  }
  if (Message.Msg != WM_SHELLNOTIFY) return;
  const std::int32_t event = static_cast<std::int32_t>(static_cast<std::uint32_t>(Message.LParam) & ~SHCNE_INTERRUPT);
  const auto* lists = reinterpret_cast<const TShellItem* const*>(Message.WParam);
  const std::string path1 = PathFromPIDL(lists ? lists[0] : nullptr);
  const std::string path2 = PathFromPIDL(lists ? lists[1] : nullptr);
  if (event == FLastEvent && sameIgnoringAsciiCase(FLastPath1, path1) && sameIgnoringAsciiCase(FLastPath2, path2))
    return;
  FLastEvent = event;
  FLastPath1 = path1;
  FLastPath2 = path2;
  switch (event) {
    case SHCNE_ASSOCCHANGED: DoAssociationChange(); break;
    case SHCNE_ATTRIBUTES: DoAttributesChange(path1, path2); break;
    case SHCNE_CREATE: DoCreateFile(path1); break;
    case SHCNE_DELETE: DoDeleteFile(path1); break;
    case SHCNE_RENAMEITEM: DoRenameItem(path1, path2); break;
    case SHCNE_DRIVEADD: DoDriveAdd(path1); break;
    case SHCNE_DRIVEREMOVED: DoDriveRemove(path1); break;
    case SHCNE_DRIVEADDGUI: DoDriveAddGui(path1); break;
    case SHCNE_MEDIAINSERTED: DoMediaInsert(path1); break;
    case SHCNE_MEDIAREMOVED: DoMediaRemove(path1); break;
    case SHCNE_MKDIR: DoDirCreate(path1); break;
    case SHCNE_RMDIR: DoFolderRemove(path1); break;
    case SHCNE_RENAMEFOLDER: DoRenameFolder(path1, path2); break;
    // These two hand on the component's own Path, whatever the
    // notification names.
    case SHCNE_UPDATEDIR: DoDirUpdate(FPath); break;
    case SHCNE_SERVERDISCONNECT: DoServerDisconnect(FPath); break;
    case SHCNE_NETSHARE: DoNetShare(path1); break;
    case SHCNE_NETUNSHARE: DoNetUnShare(path1); break;
    // SHCNE_UPDATEITEM, SHCNE_FREESPACE, SHCNE_UPDATEIMAGE and unknown or
    // combined codes raise nothing; they are remembered above all the same.
    default: break;
  }
}

void TQVShellLog::DoAssociationChange() {
  if (FOnAssociationChange && FOptions.Contains(lnAssociationChange)) FOnAssociationChange(this);
}
void TQVShellLog::DoAttributesChange(const std::string& OldValue, const std::string& NewValue) {
  if (FOnAttributesChange) FOnAttributesChange(this, OldValue, NewValue);
}
void TQVShellLog::DoCreateFile(const std::string& Value) {
  if (FOnFileCreate) FOnFileCreate(this, Value);
}
void TQVShellLog::DoDeleteFile(const std::string& Value) {
  if (FOnFileDelete) FOnFileDelete(this, Value);
}
void TQVShellLog::DoDriveAdd(const std::string& Value) {
  if (FOnDriveAdd) FOnDriveAdd(this, Value);
}
void TQVShellLog::DoDriveAddGui(const std::string& Value) {
  if (FOnDriveAddGui) FOnDriveAddGui(this, Value);
}
void TQVShellLog::DoDriveRemove(const std::string& Value) {
  if (FOnDriveRemove) FOnDriveRemove(this, Value);
}
void TQVShellLog::DoMediaInsert(const std::string& Value) {
  if (FOnMediaInserted) FOnMediaInserted(this, Value);
}
void TQVShellLog::DoMediaRemove(const std::string& Value) {
  if (FOnMediaRemove) FOnMediaRemove(this, Value);
}
void TQVShellLog::DoDirCreate(const std::string& Value) {
  if (FOnFolderCreate) FOnFolderCreate(this, Value);
}
void TQVShellLog::DoNetShare(const std::string& Value) {
  if (FOnNetShare) FOnNetShare(this, Value);
}
void TQVShellLog::DoNetUnShare(const std::string& Value) {
  if (FOnNetUnShare) FOnNetUnShare(this, Value);
}
void TQVShellLog::DoRenameFolder(const std::string& OldValue, const std::string& NewValue) {
  if (FOnFolderRename) FOnFolderRename(this, OldValue, NewValue);
}
void TQVShellLog::DoRenameItem(const std::string& OldValue, const std::string& NewValue) {
  if (FOnFileRename) FOnFileRename(this, OldValue, NewValue);
}
void TQVShellLog::DoFolderRemove(const std::string& Value) {
  if (FOnFolderRemove) FOnFolderRemove(this, Value);
}
void TQVShellLog::DoServerDisconnect(const std::string& Value) {
  if (FOnServerDisconnect) FOnServerDisconnect(this, Value);
}
void TQVShellLog::DoDirUpdate(const std::string& Value) {
  if (FOnFolderUpdate) FOnFolderUpdate(this, Value);
}

}  // namespace rv
