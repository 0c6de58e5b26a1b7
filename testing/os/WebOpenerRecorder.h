#pragma once
// TRecordingWebOpener: a web opener for tests. It records every address that
// passed the opener's checks and answers with a programmed result; nothing
// is started.

#include <mutex>
#include <string>
#include <vector>

#include "platform/os/WebOpener.h"
#include "platform/rtl/Service.h"

namespace rv {

class TRecordingWebOpener : public TWebOpener {
 public:
  std::vector<std::string> Addresses() const;
  void SetResult(TShellOpenResult Value);

 protected:
  TShellOpenResult DoOpen(const std::string& Address) override;

 private:
  mutable std::mutex FLock;
  std::vector<std::string> FAddresses;
  TShellOpenResult FResult{soOpened, 0};
};

// Installs an opener for a scope and restores the previous one after.
class TWebOpenerScope : public TServiceScope<TWebOpener> {
 public:
  explicit TWebOpenerScope(TWebOpener& Opener) : TServiceScope(SetWebOpener, Opener) {}
};

}  // namespace rv
