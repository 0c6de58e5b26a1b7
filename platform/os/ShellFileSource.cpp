#include "platform/os/ShellFileSource.h"

#include <sys/inotify.h>
#include <sys/stat.h>

#include <map>
#include <optional>

#include "platform/os/InotifyTree.h"

namespace RV_API rv {

namespace {

constexpr std::uint32_t kMask =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF;

std::string joinPath(const std::string& folder, const std::string& name) {
  return folder == "/" ? "/" + name : folder + "/" + name;
}

bool isFolder(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

class TShellFileSource : public TShellSource {
 public:
  TShellFileSource(const std::string& Path, bool SubTree)
      : FItemOnly(!isFolder(Path)), FTree(FItemOnly ? parentOf(Path) : Path, SubTree && !FItemOnly, kMask) {
    if (FItemOnly) FItemName = Path.substr(Path.find_last_of('/') + 1);
  }

  int Fd() const override { return FTree.Fd(); }

  void Read(const TShellEmit& Emit) override {
    // The first half of a rename waits for its second half in the same
    // batch; left alone, the item moved out of the tree.
    std::map<std::uint32_t, TInotifyEvent> movedFrom;
    FTree.Drain([&](const TInotifyEvent& e) {
      if (e.Mask & IN_Q_OVERFLOW) {
        Emit({SHCNE_UPDATEDIR, TShellItem::Of(FTree.Root()), {}});
        return;
      }
      if (FItemOnly && e.Name != FItemName) return;
      const bool folder = e.Mask & IN_ISDIR;
      const std::string path = e.Name.empty() ? e.Folder : joinPath(e.Folder, e.Name);
      if (e.Mask & (IN_DELETE_SELF | IN_MOVE_SELF)) {
        Emit({SHCNE_RMDIR, TShellItem::Of(path), {}});
      } else if (e.Mask & IN_CREATE) {
        EmitInFolder(Emit, folder ? SHCNE_MKDIR : SHCNE_CREATE, path, e.Folder);
      } else if (e.Mask & IN_DELETE) {
        EmitInFolder(Emit, folder ? SHCNE_RMDIR : SHCNE_DELETE, path, e.Folder);
      } else if (e.Mask & IN_MOVED_FROM) {
        movedFrom[e.Cookie] = e;
      } else if (e.Mask & IN_MOVED_TO) {
        auto from = movedFrom.find(e.Cookie);
        if (from == movedFrom.end()) {
          EmitInFolder(Emit, folder ? SHCNE_MKDIR : SHCNE_CREATE, path, e.Folder);
          return;
        }
        const std::string oldPath = joinPath(from->second.Folder, from->second.Name);
        Emit({folder ? SHCNE_RENAMEFOLDER : SHCNE_RENAMEITEM, TShellItem::Of(oldPath), TShellItem::Of(path)});
        Emit({SHCNE_UPDATEDIR, TShellItem::Of(e.Folder), {}});
        movedFrom.erase(from);
      } else if (e.Mask & IN_ATTRIB) {
        Emit({SHCNE_ATTRIBUTES, TShellItem::Of(path), {}});
      } else if (e.Mask & IN_CLOSE_WRITE) {
        Emit({SHCNE_UPDATEITEM, TShellItem::Of(path), {}});
      }
    });
    for (const auto& [cookie, e] : movedFrom)
      EmitInFolder(Emit, (e.Mask & IN_ISDIR) ? SHCNE_RMDIR : SHCNE_DELETE, joinPath(e.Folder, e.Name), e.Folder);
  }

 private:
  static std::string parentOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
  }

  static void EmitInFolder(const TShellEmit& Emit, std::int32_t Event, const std::string& Path,
                           const std::string& Folder) {
    Emit({Event, TShellItem::Of(Path), {}});
    Emit({SHCNE_UPDATEDIR, TShellItem::Of(Folder), {}});
  }

  bool FItemOnly;
  std::string FItemName;
  TInotifyTree FTree;
};

}  // namespace

std::unique_ptr<TShellSource> OpenShellFileSource(const std::string& Path, bool SubTree) {
  return std::make_unique<TShellFileSource>(Path, SubTree);
}

}  // namespace rv
