#include "platform/os/ShellAssociationSource.h"
#include "platform/os/ShellChange.h"
#include "platform/os/ShellFileSource.h"
#include "platform/os/ShellMediaSource.h"
#include "platform/os/ShellMountSource.h"
#include "platform/os/ShellSessionEnd.h"
#include "platform/os/ShellShareSource.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Service.h"

namespace RV_API rv {

namespace {

// Adds what Open made; a source that can't be had (no netlink in a
// container, no inotify left) leaves the other events.
template <class F>
void tryAdd(std::vector<std::unique_ptr<TShellSource>>& Sources, F&& Open) {
  try {
    if (auto source = Open()) Sources.push_back(std::move(source));
  } catch (const EOSError&) {
  }
}

class TLinuxShellSources : public TShellSources {
 public:
  std::vector<std::unique_ptr<TShellSource>> Open(const std::string& Path, bool SubTree, std::int32_t Events) override {
    std::vector<std::unique_ptr<TShellSource>> sources;
    // A path that can't be watched leaves the machine-wide events, as an
    // item the shell can't convert registers with a null item list.
    if (!Path.empty() && (Events & kShellFileEvents))
      tryAdd(sources, [&] { return OpenShellFileSource(Path, SubTree); });
    if (Events & (SHCNE_DRIVEADD | SHCNE_DRIVEREMOVED | SHCNE_DRIVEADDGUI))
      tryAdd(sources, [] { return OpenShellMountSource(); });
    if (Events & (SHCNE_MEDIAINSERTED | SHCNE_MEDIAREMOVED)) tryAdd(sources, [] { return OpenShellMediaSource(); });
    if (Events & SHCNE_ASSOCCHANGED) tryAdd(sources, [] { return OpenShellAssociationSource(AssociationFolders()); });
    if (Events & (SHCNE_NETSHARE | SHCNE_NETUNSHARE)) tryAdd(sources, [] { return OpenShellShareSource(); });
    return sources;
  }

  std::vector<std::unique_ptr<TSessionEndSource>> OpenSessionEnd() override {
    std::vector<std::unique_ptr<TSessionEndSource>> sources;
    if (auto x = OpenXSessionEndSource()) sources.push_back(std::move(x));
    if (auto logind = OpenLogindSessionEndSource()) sources.push_back(std::move(logind));
    return sources;
  }
};

TService<TShellSources> shellSources(&LinuxShellSources);

}  // namespace

TShellSources& LinuxShellSources() {
  static TLinuxShellSources sources;
  return sources;
}

TShellSources& ShellSources() { return shellSources.Get(); }

TShellSources* SetShellSources(TShellSources* Sources) { return shellSources.Install(Sources); }

}  // namespace rv
