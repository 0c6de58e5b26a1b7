#pragma once
// The replaceable service that opens a web address for the user: the
// desktop's default handler (ShellOpen) unless another is installed.

#include <string>

#include "platform/os/ShellOpen.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TWebOpener {
 public:
  virtual ~TWebOpener() = default;
  // Refuses an empty address or one that would read as an option, whatever
  // opener is installed; hands any other on.
  TShellOpenResult Open(const std::string& Address);

 protected:
  virtual TShellOpenResult DoOpen(const std::string& Address) = 0;
};

// The opener in use: the one installed last, else the desktop's.
TWebOpener& WebOpener();
// Installs Opener (null: the desktop's again) and returns the one installed
// before (null when that was the desktop's). The caller keeps ownership.
TWebOpener* SetWebOpener(TWebOpener* Opener);

}  // namespace rv
