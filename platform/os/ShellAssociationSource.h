#pragma once
// The file-association source of shell changes: the folders holding
// mimeapps.list (and desktop-specific <desktop>-mimeapps.list) files, and
// the desktop database's mimeinfo.cache. Tools write a new file and rename
// it over the old one; any such file written, replaced or removed reports
// SHCNE_ASSOCCHANGED, with no paths.

#include <memory>
#include <string>
#include <vector>

#include "platform/os/ShellChange.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

// The folders where the desktop looks for association files: the user's
// and the system's configuration folders and their applications folders
// (XDG_CONFIG_HOME, XDG_CONFIG_DIRS, XDG_DATA_HOME, XDG_DATA_DIRS).
std::vector<std::string> AssociationFolders();

// Watches those of Folders that exist; raises EOSError when inotify can't
// be had.
std::unique_ptr<TShellSource> OpenShellAssociationSource(const std::vector<std::string>& Folders);

}  // namespace rv
