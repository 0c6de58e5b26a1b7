// Change requests of the registry store: each request watches its key's
// folder (or subtree) through the store's one watcher thread, sets its event
// at the first matching change and ends. Keys own their requests.

#include <sys/inotify.h>

#include <atomic>

#include "platform/os/FolderWatcher.h"
#include "platform/os/RegistryKey.h"
#include "platform/rtl/Exceptions.h"

namespace RV_API rv {

namespace {

constexpr std::uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

std::uint32_t inotifyMask(std::uint32_t filter) {
  std::uint32_t mask = 0;
  if (filter & REG_NOTIFY_CHANGE_NAME) mask |= kNameEvents;
  if (filter & (REG_NOTIFY_CHANGE_ATTRIBUTES | REG_NOTIFY_CHANGE_SECURITY)) mask |= IN_ATTRIB;
  if (filter & REG_NOTIFY_CHANGE_LAST_SET) mask |= IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE;
  return mask;
}

bool matches(const TInotifyEvent& e, std::uint32_t filter) {
  if (e.Mask & IN_Q_OVERFLOW) return true;
  // The key itself was deleted or moved away.
  if (e.Name.empty() && (e.Mask & (IN_DELETE_SELF | IN_MOVE_SELF))) return true;
  if (e.Name.empty())
    return (e.Mask & IN_ATTRIB) && (filter & (REG_NOTIFY_CHANGE_ATTRIBUTES | REG_NOTIFY_CHANGE_SECURITY));
  // The store's temporary files are not values.
  if (e.Name.front() == '.') return false;
  if (e.Mask & IN_ISDIR) return (e.Mask & kNameEvents) && (filter & REG_NOTIFY_CHANGE_NAME);
  return (e.Mask & (IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_DELETE | (e.Scanned ? IN_CREATE : 0))) &&
         (filter & REG_NOTIFY_CHANGE_LAST_SET);
}

}  // namespace

class TKeyChangeRequest {
 public:
  TKeyChangeRequest(std::shared_ptr<TFolderWatcher> watcher, const std::string& folder, bool subtree,
                    std::uint32_t filter, TEvent& event)
      : FWatcher(std::move(watcher)), FEvent(event) {
    FWatch = FWatcher->Add(folder, subtree, inotifyMask(filter), [this, filter](const TInotifyEvent& e) {
      if (!matches(e, filter)) return true;
      FFired = true;
      FEvent.SetEvent();
      return false;
    });
  }
  ~TKeyChangeRequest() {
    FWatcher->Remove(FWatch);
    if (!FFired) FEvent.SetEvent();
  }
  TKeyChangeRequest(const TKeyChangeRequest&) = delete;
  TKeyChangeRequest& operator=(const TKeyChangeRequest&) = delete;

  bool Fired() const { return FFired; }

 private:
  std::shared_ptr<TFolderWatcher> FWatcher;
  TEvent& FEvent;
  std::atomic<bool> FFired{false};
  TFolderWatcher::TWatchId FWatch = 0;
};

TRegKey::TRegKey(HKEY Root, std::string Folder, std::string Path, std::uint32_t Access)
    : FRoot(Root), FFolder(std::move(Folder)), FPath(std::move(Path)), FAccess(Access) {}

TRegKey::~TRegKey() = default;

void TRegKey::AddRequest(std::unique_ptr<TKeyChangeRequest> Request) {
  // Requests that fired are done with; a monitor renews one per change.
  std::erase_if(FRequests, [](const auto& r) { return r->Fired(); });
  FRequests.push_back(std::move(Request));
}

long RegNotifyChangeKeyValue(TRegKey* Key, bool WatchSubtree, std::uint32_t NotifyFilter, TEvent* Event,
                             bool Asynchronous) {
  if (!Key) return ERROR_INVALID_HANDLE;
  if (!Event || !Asynchronous || (NotifyFilter & ~0xFu) || NotifyFilter == 0) return ERROR_INVALID_PARAMETER;
  try {
    Key->AddRequest(std::make_unique<TKeyChangeRequest>(RegistryRoot().ChangeWatcher(), Key->Folder(), WatchSubtree,
                                                        NotifyFilter, *Event));
  } catch (const EOSError& e) {
    return e.ErrorCode() ? e.ErrorCode() : ERROR_INVALID_PARAMETER;
  }
  return ERROR_SUCCESS;
}

}  // namespace rv
