// Change requests of the registry store: each request watches its key's
// folder (or subtree) with inotify from a small thread of its own, sets its
// event at the first matching change and ends. Keys own their requests.

#include <poll.h>
#include <sys/inotify.h>

#include <atomic>
#include <cerrno>
#include <thread>

#include "platform/os/InotifyTree.h"
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
  TKeyChangeRequest(const std::string& folder, bool subtree, std::uint32_t filter, TEvent& event)
      : FTree(folder, subtree, inotifyMask(filter)), FFilter(filter), FEvent(event), FThread([this] { Run(); }) {}
  ~TKeyChangeRequest() {
    FStop.SetEvent();
    FThread.join();
    if (!FFired) FEvent.SetEvent();
  }
  TKeyChangeRequest(const TKeyChangeRequest&) = delete;
  TKeyChangeRequest& operator=(const TKeyChangeRequest&) = delete;

  bool Fired() const { return FFired; }

 private:
  void Run() {
    pollfd fds[2] = {{FTree.Fd(), POLLIN, 0}, {FStop.Fd(), POLLIN, 0}};
    while (!FFired) {
      if (poll(fds, 2, -1) < 0) {
        if (errno == EINTR) continue;
        return;
      }
      if (fds[1].revents & POLLIN) return;
      bool hit = false;
      FTree.Drain([&](const TInotifyEvent& e) { hit = hit || matches(e, FFilter); });
      if (hit) {
        FFired = true;
        FEvent.SetEvent();
      }
    }
  }

  TInotifyTree FTree;
  std::uint32_t FFilter;
  TEvent& FEvent;
  TEvent FStop{true, false};
  std::atomic<bool> FFired{false};
  std::thread FThread;  // last: it starts once everything above exists
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
    Key->AddRequest(std::make_unique<TKeyChangeRequest>(Key->Folder(), WatchSubtree, NotifyFilter, *Event));
  } catch (const EOSError& e) {
    return e.ErrorCode() ? e.ErrorCode() : ERROR_INVALID_PARAMETER;
  }
  return ERROR_SUCCESS;
}

}  // namespace rv
