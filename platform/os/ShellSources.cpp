#include "platform/os/ShellChange.h"
#include "platform/os/ShellFileSource.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Service.h"

namespace rv {

namespace {

class TLinuxShellSources : public TShellSources {
 public:
  std::vector<std::unique_ptr<TShellSource>> Open(const std::string& Path, bool SubTree,
                                                  std::int32_t Events) override {
    std::vector<std::unique_ptr<TShellSource>> sources;
    if (!Path.empty() && (Events & kShellFileEvents)) {
      // A path that can't be watched leaves the machine-wide events, as an
      // item the shell can't convert registers with a null item list.
      try {
        sources.push_back(OpenShellFileSource(Path, SubTree));
      } catch (const EOSError&) {
      }
    }
    return sources;
  }

  std::vector<std::unique_ptr<TSessionEndSource>> OpenSessionEnd() override { return {}; }
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
