#include "platform/os/ShellAssociationSource.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string_view>

#include "platform/os/InotifyTree.h"
#include "platform/rtl/FileHandle.h"

namespace RV_API rv {

namespace {

constexpr std::uint32_t kMask = IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE | IN_MOVED_FROM;

bool associationFile(std::string_view Name) {
  constexpr std::string_view list = "mimeapps.list";
  if (Name == "mimeinfo.cache" || Name == list) return true;
  return Name.size() > list.size() + 1 && Name.substr(Name.size() - list.size() - 1) == "-mimeapps.list";
}

std::vector<std::string> splitPaths(const char* Value, const char* Fallback) {
  std::string_view text = Value && *Value ? Value : Fallback;
  std::vector<std::string> paths;
  while (!text.empty()) {
    const std::size_t colon = text.find(':');
    if (colon != 0) paths.emplace_back(text.substr(0, colon));
    if (colon == std::string_view::npos) break;
    text = text.substr(colon + 1);
  }
  return paths;
}

class TShellAssociationSource : public TShellSource {
 public:
  explicit TShellAssociationSource(const std::vector<std::string>& Folders)
      : FFd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC)) {
    if (!FFd) RaiseInotifyError(errno, "");
    // Folders that don't exist are skipped: most systems lack some.
    for (const std::string& folder : Folders) inotify_add_watch(FFd.Get(), folder.c_str(), kMask | IN_ONLYDIR);
  }

  int Fd() const override { return FFd.Get(); }

  void Read(const TShellEmit& Emit) override {
    alignas(inotify_event) char buffer[8192];
    bool changed = false;
    for (;;) {
      const ssize_t n = read(FFd.Get(), buffer, sizeof buffer);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) break;
      for (ssize_t at = 0; at < n;) {
        const auto* e = reinterpret_cast<const inotify_event*>(buffer + at);
        at += static_cast<ssize_t>(sizeof(inotify_event) + e->len);
        if ((e->mask & IN_Q_OVERFLOW) || (e->len > 0 && associationFile(e->name))) changed = true;
      }
    }
    // One report for a batch: replacing a file is several events.
    if (changed) Emit({SHCNE_ASSOCCHANGED, {}, {}});
  }

 private:
  TFileHandle FFd;
};

}  // namespace

std::vector<std::string> AssociationFolders() {
  const char* home = std::getenv("HOME");
  const std::string homeDir = home ? home : "";
  std::vector<std::string> folders;
  const std::string configHome = homeDir.empty() ? "" : homeDir + "/.config";
  const std::string dataHome = homeDir.empty() ? "" : homeDir + "/.local/share";
  for (const std::string& f : splitPaths(std::getenv("XDG_CONFIG_HOME"), configHome.c_str())) folders.push_back(f);
  for (const std::string& f : splitPaths(std::getenv("XDG_CONFIG_DIRS"), "/etc/xdg")) folders.push_back(f);
  for (const std::string& f : splitPaths(std::getenv("XDG_DATA_HOME"), dataHome.c_str()))
    folders.push_back(f + "/applications");
  for (const std::string& f : splitPaths(std::getenv("XDG_DATA_DIRS"), "/usr/local/share:/usr/share"))
    folders.push_back(f + "/applications");
  return folders;
}

std::unique_ptr<TShellSource> OpenShellAssociationSource(const std::vector<std::string>& Folders) {
  return std::make_unique<TShellAssociationSource>(Folders);
}

}  // namespace rv
