#include "platform/os/ChangeNotify.h"

#include <poll.h>
#include <sys/inotify.h>
#include <sys/stat.h>

#include <cerrno>
#include <chrono>
#include <unordered_map>
#include <vector>

#include "platform/os/InotifyTree.h"

namespace RV_API rv {

namespace {

constexpr std::uint32_t kNameEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO;

std::uint32_t inotifyMask(std::uint32_t filter) {
  std::uint32_t mask = 0;
  if (filter & (FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_DIR_NAME)) mask |= kNameEvents;
  if (filter & FILE_NOTIFY_CHANGE_ATTRIBUTES) mask |= IN_ATTRIB;
  if (filter & FILE_NOTIFY_CHANGE_SIZE) mask |= IN_MODIFY | IN_CREATE | IN_DELETE | IN_MOVED_TO;
  if (filter & FILE_NOTIFY_CHANGE_LAST_WRITE) mask |= IN_MODIFY | IN_ATTRIB | IN_CREATE | IN_DELETE | IN_MOVED_TO;
  return mask;
}

struct TFileFacts {
  std::int64_t Size = 0;
  std::int64_t ModifiedNs = 0;
};

bool statFile(const std::string& path, TFileFacts& facts) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return false;
  facts.Size = st.st_size;
  facts.ModifiedNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
  return true;
}

}  // namespace

// Sizes and modification times are remembered per file, so an event that
// changes neither is not a size or a last-write change.
struct TChangeNotification::TState {
  TState(const std::string& path, bool subtree, std::uint32_t filter)
      : Tree(path, subtree, inotifyMask(filter)), Filter(filter) {
    if (Filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE))
      Tree.ForEachFile([&](const std::string& file) { statFile(file, Known[file]); });
  }

  bool Matches(const TInotifyEvent& e) {
    if (e.Mask & IN_Q_OVERFLOW) return true;
    if (e.Name.empty()) return (e.Mask & (IN_DELETE_SELF | IN_MOVE_SELF)) != 0;
    const bool isDir = e.Mask & IN_ISDIR;
    if ((e.Mask & kNameEvents) && (Filter & (isDir ? FILE_NOTIFY_CHANGE_DIR_NAME : FILE_NOTIFY_CHANGE_FILE_NAME)))
      return true;
    if ((e.Mask & IN_ATTRIB) && (Filter & FILE_NOTIFY_CHANGE_ATTRIBUTES)) return true;
    if (isDir || !(Filter & (FILE_NOTIFY_CHANGE_SIZE | FILE_NOTIFY_CHANGE_LAST_WRITE))) return false;
    return FactsChanged(e);
  }

  bool FactsChanged(const TInotifyEvent& e) {
    const std::string path = e.Folder + "/" + e.Name;
    if (e.Mask & (IN_DELETE | IN_MOVED_FROM)) {
      Known.erase(path);
      return false;
    }
    // A file that was just created starts empty.
    TFileFacts old = (e.Mask & IN_CREATE) ? TFileFacts{} : Known[path];
    TFileFacts now;
    if (!statFile(path, now)) return false;
    Known[path] = now;
    if ((e.Mask & IN_CREATE) && !e.Scanned) old.ModifiedNs = now.ModifiedNs;
    bool changed = false;
    if (Filter & FILE_NOTIFY_CHANGE_SIZE) changed |= now.Size != old.Size;
    if (Filter & FILE_NOTIFY_CHANGE_LAST_WRITE)
      changed |= (e.Mask & IN_MODIFY) || ((e.Mask & IN_ATTRIB) && now.ModifiedNs != old.ModifiedNs);
    return changed;
  }

  TInotifyTree Tree;
  std::uint32_t Filter;
  std::unordered_map<std::string, TFileFacts> Known;
};

TChangeNotification::TChangeNotification(const std::string& PathName, bool WatchSubtree, std::uint32_t NotifyFilter)
    : FState(std::make_unique<TState>(PathName, WatchSubtree, NotifyFilter)) {}

TChangeNotification::~TChangeNotification() = default;

int TChangeNotification::Fd() const { return FState->Tree.Fd(); }

bool TChangeNotification::Collect() {
  FState->Tree.Drain([&](const TInotifyEvent& e) {
    if (FState->Matches(e)) FSignalled = true;
  });
  return FSignalled;
}

TChangeHandle FindFirstChangeNotification(const std::string& PathName, bool WatchSubtree, std::uint32_t NotifyFilter) {
  return std::make_unique<TChangeNotification>(PathName, WatchSubtree, NotifyFilter);
}

void FindNextChangeNotification(TChangeNotification& Handle) { Handle.Rearm(); }

void FindCloseChangeNotification(TChangeHandle& Handle) { Handle.reset(); }

int WaitForChangeNotifications(std::span<TChangeNotification* const> Handles, int TimeoutMs, TEvent* Wake) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + std::chrono::milliseconds(TimeoutMs < 0 ? 0 : TimeoutMs);
  std::vector<pollfd> fds;
  fds.reserve(Handles.size() + 1);
  for (TChangeNotification* h : Handles) fds.push_back({h->Fd(), POLLIN, 0});
  if (Wake) fds.push_back({Wake->Fd(), POLLIN, 0});
  for (;;) {
    for (std::size_t i = 0; i < Handles.size(); ++i)
      if (Handles[i]->Signalled()) return WAIT_OBJECT_0 + static_cast<int>(i);
    int wait = TimeoutMs;
    if (TimeoutMs >= 0) {
      auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
      wait = left > 0 ? static_cast<int>(left) : 0;
    }
    int ready = poll(fds.data(), fds.size(), wait);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return WAIT_FAILED;
    }
    if (ready == 0) return WAIT_TIMEOUT;
    if (Wake && (fds.back().revents & POLLIN)) return WAIT_WOKEN;
    // A readable handle is not yet a signal: its events may all be of other
    // kinds. Every readable handle is looked at, so the lowest signalled wins.
    for (std::size_t i = 0; i < Handles.size(); ++i)
      if (fds[i].revents & POLLIN) Handles[i]->Collect();
  }
}

}  // namespace rv
