#pragma once
// The network-share source of shell changes: the folder of Samba user
// shares, one definition file per share. The folder is read again on each
// change and compared with what it held:
//  - a share defined: SHCNE_NETSHARE with the shared path;
//  - a share removed: SHCNE_NETUNSHARE with the path it shared;
//  - a share pointed elsewhere: both, the old path first.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/os/ShellChange.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

constexpr const char* kUserSharesFolder = "/var/lib/samba/usershares";

// The shared path of a definition ("path=" line); nothing when it has none.
std::optional<std::string> ParseUserShare(std::string_view Definition);

// Watches Folder; a source with no descriptor (Fd -1) when the folder
// doesn't exist (Samba not installed).
std::unique_ptr<TShellSource> OpenShellShareSource(const std::string& Folder = kUserSharesFolder);

}  // namespace rv
