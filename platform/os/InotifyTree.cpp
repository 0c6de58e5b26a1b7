#include "platform/os/InotifyTree.h"

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/OSError.h"

namespace RV_API rv {

namespace {

// What the tree needs to see to follow its folders.
constexpr std::uint32_t kTreeMask = IN_CREATE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

std::string readLimit(const char* name) {
  std::ifstream in(std::string("/proc/sys/fs/inotify/") + name);
  std::string value;
  in >> value;
  return value.empty() ? "?" : value;
}

std::string joinPath(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

// The entries of a folder, without "." and "..", each with whether it is a
// folder (symbolic links are not followed into).
template <class F>
void listFolder(const std::string& path, F&& each) {
  std::unique_ptr<DIR, DirCloser> dir(opendir(path.c_str()));
  if (!dir) return;
  while (dirent* e = readdir(dir.get())) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    bool isDir = e->d_type == DT_DIR;
    if (e->d_type == DT_UNKNOWN) {
      struct stat st {};
      isDir = lstat(joinPath(path, name).c_str(), &st) == 0 && S_ISDIR(st.st_mode);
    }
    each(name, isDir);
  }
}

}  // namespace

void RaiseInotifyError(int Code, const std::string& Path) {
  std::string text;
  if (Code == EMFILE && readLimit("max_user_instances") != "?")
    text =
        "The per-user limit of inotify instances (fs.inotify.max_user_instances = " + readLimit("max_user_instances") +
        ") is reached; close other watching programs or raise it, e.g. sysctl fs.inotify.max_user_instances=1024";
  else if (Code == ENOSPC)
    text = "The per-user limit of inotify watches (fs.inotify.max_user_watches = " + readLimit("max_user_watches") +
           ") is reached; raise it, e.g. sysctl fs.inotify.max_user_watches=524288";
  else
    text = SysErrorMessage(Code);
  throw EOSError("System Error.  Code: " + std::to_string(Code) + ".\r\n" + text + (Path.empty() ? "" : ": " + Path),
                 Code);
}

TInotifyTree::TInotifyTree(const std::string& Root, bool Recursive, std::uint32_t Mask)
    : FFd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)), FRoot(Root), FRecursive(Recursive), FMask(Mask) {
  if (!FFd) RaiseInotifyError(errno, "");
  const std::uint32_t rootMask = FMask | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR | (FRecursive ? kTreeMask : 0);
  int wd = inotify_add_watch(FFd.Get(), FRoot.c_str(), rootMask);
  if (wd < 0) RaiseInotifyError(errno, FRoot);
  FFolders[wd] = FRoot;
  if (FRecursive)
    listFolder(FRoot, [&](const std::string& name, bool isDir) {
      if (isDir) WatchFolder(joinPath(FRoot, name), false, nullptr);
    });
}

TInotifyTree::~TInotifyTree() = default;

void TInotifyTree::WatchFolder(const std::string& Path, bool Scan, const THandler* Handler) {
  // A folder that vanished before its watch is no error: its removal is
  // reported by its parent.
  int wd = inotify_add_watch(FFd.Get(), Path.c_str(), FMask | kTreeMask | IN_ONLYDIR | IN_DONT_FOLLOW);
  if (wd < 0) {
    if (errno == ENOSPC || errno == ENOMEM) RaiseInotifyError(errno, Path);
    return;
  }
  // inotify answers a folder it watches already (one moved inside the tree)
  // with its old descriptor: the stored path is rewritten here.
  FFolders[wd] = Path;
  listFolder(Path, [&](const std::string& name, bool isDir) {
    if (Scan && Handler) {
      TInotifyEvent found;
      found.Mask = IN_CREATE | (isDir ? IN_ISDIR : 0u);
      found.Folder = Path;
      found.Name = name;
      found.Scanned = true;
      (*Handler)(found);
    }
    if (isDir) WatchFolder(joinPath(Path, name), Scan, Handler);
  });
}

void TInotifyTree::ForgetBelow(const std::string& Path) {
  const std::string prefix = Path + "/";
  for (auto it = FFolders.begin(); it != FFolders.end();) {
    if (it->second == Path || it->second.compare(0, prefix.size(), prefix) == 0) {
      inotify_rm_watch(FFd.Get(), it->first);
      it = FFolders.erase(it);
    } else {
      ++it;
    }
  }
}

void TInotifyTree::Drain(const THandler& Handler) {
  alignas(inotify_event) char buffer[16384];
  for (;;) {
    ssize_t n = read(FFd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    // Folders moved away in this batch: forgotten at its end unless they
    // reappear inside the tree under the same cookie.
    std::unordered_map<std::uint32_t, std::string> movedAway;
    for (ssize_t at = 0; at < n;) {
      const auto* raw = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + raw->len);
      TInotifyEvent event;
      event.Mask = raw->mask;
      event.Cookie = raw->cookie;
      if (raw->mask & IN_Q_OVERFLOW) {
        Handler(event);
        continue;
      }
      auto folder = FFolders.find(raw->wd);
      if (folder == FFolders.end()) continue;
      if (raw->mask & IN_IGNORED) {
        FFolders.erase(folder);
        continue;
      }
      event.Folder = folder->second;
      event.InRoot = event.Folder == FRoot;
      if (raw->len > 0) event.Name = raw->name;
      // Only the root reports its own removal; a subfolder's removal is
      // reported by its parent.
      if ((raw->mask & (IN_DELETE_SELF | IN_MOVE_SELF)) && !event.InRoot) continue;
      const bool isDir = raw->mask & IN_ISDIR;
      const std::string path = event.Name.empty() ? event.Folder : joinPath(event.Folder, event.Name);
      Handler(event);
      if (!FRecursive || !isDir || event.Name.empty()) continue;
      if (raw->mask & IN_CREATE) {
        WatchFolder(path, true, &Handler);
      } else if (raw->mask & IN_MOVED_TO) {
        movedAway.erase(raw->cookie);
        WatchFolder(path, false, nullptr);
      } else if (raw->mask & IN_MOVED_FROM) {
        movedAway[raw->cookie] = path;
      }
    }
    for (const auto& [cookie, path] : movedAway) ForgetBelow(path);
  }
}

void TInotifyTree::ForEachFile(const std::function<void(const std::string&)>& Visit) const {
  std::vector<std::string> folders;
  folders.reserve(FFolders.size());
  for (const auto& entry : FFolders) folders.push_back(entry.second);
  for (const std::string& folder : folders)
    listFolder(folder, [&](const std::string& name, bool isDir) {
      if (!isDir) Visit(joinPath(folder, name));
    });
}

}  // namespace rv
