#include "platform/os/WebOpener.h"

#include "platform/rtl/Service.h"

namespace RV_API rv {

namespace {

class TDesktopWebOpener : public TWebOpener {
 protected:
  TShellOpenResult DoOpen(const std::string& Address) override { return ShellOpen(Address); }
};

TWebOpener& desktopWebOpener() {
  static TDesktopWebOpener opener;
  return opener;
}

TService<TWebOpener> webOpener(desktopWebOpener);

}  // namespace

TShellOpenResult TWebOpener::Open(const std::string& Address) {
  if (!IsOpenableTarget(Address)) return {};
  return DoOpen(Address);
}

TWebOpener& WebOpener() { return webOpener.Get(); }

TWebOpener* SetWebOpener(TWebOpener* Opener) { return webOpener.Install(Opener); }

}  // namespace rv
