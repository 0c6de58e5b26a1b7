#pragma once
// Shell change notifications on Linux: the event codes the shell monitor
// registers for, and the sources that report them. Each source watches one
// thing (a folder tree, the mount table, block devices, file associations,
// user shares) through a descriptor that the caller waits on in its own
// loop; sources have no thread. ShellSources() is the service that opens
// them; tests install a double with SetShellSources.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// The shell's published event codes.
constexpr std::int32_t SHCNE_RENAMEITEM = 0x1;
constexpr std::int32_t SHCNE_CREATE = 0x2;
constexpr std::int32_t SHCNE_DELETE = 0x4;
constexpr std::int32_t SHCNE_MKDIR = 0x8;
constexpr std::int32_t SHCNE_RMDIR = 0x10;
constexpr std::int32_t SHCNE_MEDIAINSERTED = 0x20;
constexpr std::int32_t SHCNE_MEDIAREMOVED = 0x40;
constexpr std::int32_t SHCNE_DRIVEREMOVED = 0x80;
constexpr std::int32_t SHCNE_DRIVEADD = 0x100;
constexpr std::int32_t SHCNE_NETSHARE = 0x200;
constexpr std::int32_t SHCNE_NETUNSHARE = 0x400;
constexpr std::int32_t SHCNE_ATTRIBUTES = 0x800;
constexpr std::int32_t SHCNE_UPDATEDIR = 0x1000;
constexpr std::int32_t SHCNE_UPDATEITEM = 0x2000;
constexpr std::int32_t SHCNE_SERVERDISCONNECT = 0x4000;
constexpr std::int32_t SHCNE_UPDATEIMAGE = 0x8000;
constexpr std::int32_t SHCNE_DRIVEADDGUI = 0x10000;
constexpr std::int32_t SHCNE_RENAMEFOLDER = 0x20000;
constexpr std::int32_t SHCNE_FREESPACE = 0x40000;
constexpr std::int32_t SHCNE_ASSOCCHANGED = 0x8000000;
constexpr std::uint32_t SHCNE_INTERRUPT = 0x80000000u;

// The events a folder tree reports.
constexpr std::int32_t kShellFileEvents = SHCNE_RENAMEITEM | SHCNE_CREATE | SHCNE_DELETE | SHCNE_MKDIR | SHCNE_RMDIR |
                                          SHCNE_ATTRIBUTES | SHCNE_UPDATEDIR | SHCNE_UPDATEITEM | SHCNE_RENAMEFOLDER;

// An item of a notification: a file-system path, or nothing (an item
// without one).
struct TShellItem {
  bool HasPath = false;
  std::string Path;
  static TShellItem Of(std::string Path) { return TShellItem{true, std::move(Path)}; }
  bool operator==(const TShellItem&) const = default;
};

struct TShellChange {
  std::int32_t Event = 0;
  TShellItem Item1;
  TShellItem Item2;
  bool operator==(const TShellChange&) const = default;
};

using TShellEmit = std::function<void(const TShellChange&)>;

class TShellSource {
 public:
  virtual ~TShellSource() = default;
  // Waited on for readability, or for POLLPRI when WaitsForPriority.
  virtual int Fd() const = 0;
  virtual bool WaitsForPriority() const { return false; }
  // Reads what is pending without blocking and emits each change.
  virtual void Read(const TShellEmit& Emit) = 0;
};

// The session manager asking whether the session may end. The source says
// yes on its own after Query returned: it never holds the end up.
class TSessionEndSource {
 public:
  virtual ~TSessionEndSource() = default;
  virtual int Fd() const = 0;
  // Handles what is pending; false when the connection has ended and the
  // descriptor is to be waited on no more.
  virtual bool Read(const std::function<void()>& Query) = 0;
};

class TShellSources {
 public:
  virtual ~TShellSources() = default;
  // The sources that can report some of Events: a folder tree for Path
  // (none for an empty Path or one that can't be watched) and the
  // machine-wide ones. Sources may report events outside Events.
  virtual std::vector<std::unique_ptr<TShellSource>> Open(const std::string& Path, bool SubTree,
                                                          std::int32_t Events) = 0;
  // The session managers present (X session management, logind); none
  // without a session.
  virtual std::vector<std::unique_ptr<TSessionEndSource>> OpenSessionEnd() = 0;
};

// The Linux sources (ShellFileSource.h and its siblings).
TShellSources& LinuxShellSources();
TShellSources& ShellSources();
// Installs Sources (null: the Linux ones again) and returns the one it
// replaces. Not owned.
TShellSources* SetShellSources(TShellSources* Sources);

}  // namespace rv
