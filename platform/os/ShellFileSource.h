#pragma once
// The folder-tree source of shell changes: inotify on a folder (with
// SubTree, on every folder below it too), or on the folder holding an item
// when the path names a file, reporting only that item.
//  - created: SHCNE_CREATE / SHCNE_MKDIR, then SHCNE_UPDATEDIR for the folder;
//  - deleted: SHCNE_DELETE / SHCNE_RMDIR, then SHCNE_UPDATEDIR;
//  - renamed inside the tree: SHCNE_RENAMEITEM / SHCNE_RENAMEFOLDER with the
//    old and the new path, then SHCNE_UPDATEDIR; moved in from outside is a
//    creation, moved out a deletion;
//  - attributes (mode, owner, times): SHCNE_ATTRIBUTES with the one path;
//  - a file written and closed: SHCNE_UPDATEITEM;
//  - the kernel's queue overflowing: SHCNE_UPDATEDIR for the watched path.

#include <memory>
#include <string>

#include "platform/os/ShellChange.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

// Raises EOSError when Path can't be watched.
std::unique_ptr<TShellSource> OpenShellFileSource(const std::string& Path, bool SubTree);

}  // namespace rv
