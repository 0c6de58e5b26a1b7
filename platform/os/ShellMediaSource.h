#pragma once
// The media source of shell changes: the kernel's block-device uevents,
// read from a netlink socket (udevd is not needed). For the subsystem
// "block":
//  - "add": SHCNE_MEDIAINSERTED with the device node (/dev/<DEVNAME>);
//  - "remove": SHCNE_MEDIAREMOVED;
//  - "change" with DISK_MEDIA_CHANGE=1 (a disc or card swapped in a drive
//    that stays): inserted when the device now has a size, else removed.

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/os/ShellChange.h"
#include "platform/rtl/Export.h"
#include "platform/rtl/FileHandle.h"

namespace RV_API rv {

struct TUevent {
  std::string Action;
  std::string Subsystem;
  std::string DevName;
  bool MediaChange = false;
};

// One kernel message ("action@devpath" then KEY=VALUE fields, each ended by
// a zero byte); nothing for anything else (udevd's binary messages).
std::optional<TUevent> ParseUevent(std::string_view Message);

// Listens to the kernel's uevents; raises EOSError when netlink can't be
// opened.
std::unique_ptr<TShellSource> OpenShellMediaSource();
// Reads messages from Socket (datagrams), sizes from SysBlock/<name>/size:
// for tests.
std::unique_ptr<TShellSource> OpenShellMediaSource(TFileHandle Socket, const std::string& SysBlock);

}  // namespace rv
