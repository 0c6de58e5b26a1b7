#pragma once
// The drive source of shell changes: the mount table. The kernel signals
// POLLPRI on /proc/self/mountinfo when a mount appears, goes or changes;
// the table is then read again and compared by mount id:
//  - a new mount: SHCNE_DRIVEADD with its mount point, and SHCNE_DRIVEADDGUI
//    too for mounts a desktop user sees (under /media and /run/media);
//  - a mount gone: SHCNE_DRIVEREMOVED with its mount point.
// A remount keeps its id and reports nothing.

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "platform/os/ShellChange.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

// Mount id -> mount point (octal escapes such as \040 undone) of every
// well-formed line of a mountinfo text; other lines are skipped.
std::map<long, std::string> ParseMountInfo(std::string_view Text);

// Watches the mount table at MountInfo (tests give a file of their own).
// Raises EOSError when it can't be opened.
std::unique_ptr<TShellSource> OpenShellMountSource(const std::string& MountInfo = "/proc/self/mountinfo");

}  // namespace rv
