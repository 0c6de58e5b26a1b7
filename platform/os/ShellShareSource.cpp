#include "platform/os/ShellShareSource.h"

#include <dirent.h>
#include <sys/inotify.h>

#include <fstream>
#include <map>

#include "platform/os/InotifyTree.h"
#include "platform/rtl/Exceptions.h"

namespace RV_API rv {

namespace {

constexpr std::uint32_t kMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM;
// Definitions are a few lines; anything larger is not one.
constexpr std::streamsize kMaxDefinition = 64 * 1024;

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

class TShellShareSource : public TShellSource {
 public:
  explicit TShellShareSource(const std::string& Folder) : FFolder(Folder) {
    try {
      FTree = std::make_unique<TInotifyTree>(Folder, false, kMask);
    } catch (const EOSError&) {
      return;
    }
    FShares = Scan();
  }

  int Fd() const override { return FTree ? FTree->Fd() : -1; }

  void Read(const TShellEmit& Emit) override {
    if (!FTree) return;
    FTree->Drain([](const TInotifyEvent&) {});
    std::map<std::string, std::string> now = Scan();
    for (const auto& [name, path] : FShares) {
      auto it = now.find(name);
      if (it == now.end() || it->second != path) Emit({SHCNE_NETUNSHARE, TShellItem::Of(path), {}});
    }
    for (const auto& [name, path] : now) {
      auto it = FShares.find(name);
      if (it == FShares.end() || it->second != path) Emit({SHCNE_NETSHARE, TShellItem::Of(path), {}});
    }
    FShares = std::move(now);
  }

 private:
  // Share name -> shared path, of every readable definition.
  std::map<std::string, std::string> Scan() const {
    std::map<std::string, std::string> shares;
    std::unique_ptr<DIR, DirCloser> dir(opendir(FFolder.c_str()));
    if (!dir) return shares;
    while (dirent* e = readdir(dir.get())) {
      const std::string name = e->d_name;
      if (name.empty() || name[0] == '.' || e->d_type == DT_DIR) continue;
      std::ifstream in(FFolder + "/" + name, std::ios::binary);
      std::string text(static_cast<std::size_t>(kMaxDefinition), '\0');
      in.read(text.data(), kMaxDefinition);
      text.resize(static_cast<std::size_t>(in.gcount()));
      if (auto path = ParseUserShare(text)) shares[name] = *path;
    }
    return shares;
  }

  std::string FFolder;
  std::unique_ptr<TInotifyTree> FTree;
  std::map<std::string, std::string> FShares;
};

}  // namespace

std::optional<std::string> ParseUserShare(std::string_view Definition) {
  while (!Definition.empty()) {
    const std::size_t end = Definition.find('\n');
    std::string_view line = Definition.substr(0, end);
    Definition = end == std::string_view::npos ? std::string_view() : Definition.substr(end + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.rfind("path=", 0) == 0 && line.size() > 5) return std::string(line.substr(5));
  }
  return std::nullopt;
}

std::unique_ptr<TShellSource> OpenShellShareSource(const std::string& Folder) {
  return std::make_unique<TShellShareSource>(Folder);
}

}  // namespace rv
