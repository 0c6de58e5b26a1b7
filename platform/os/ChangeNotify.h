#pragma once
// Folder change notification in the classic shape, on inotify.
//
// A handle watches one folder (or its whole subtree) for the kinds of change
// in its filter. It signals once and stays signalled until it is re-armed;
// any number of changes before the re-arm give that one signal, and a change
// between the wake-up and the re-arm signals again at once. Subtrees follow
// folders created, moved in or renamed later. Differences from the classic
// service: mmap writes are not seen (the kernel reports none), and a folder
// moved out of the tree is no longer watched.
//
// A handle is used by one thread at a time: the waiting thread reads and
// re-arms it; its owner closes it only after bringing that thread out of the
// wait with the wake event (never close a handle another thread waits on).

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/rtl/Event.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

constexpr std::uint32_t FILE_NOTIFY_CHANGE_FILE_NAME = 0x01;
constexpr std::uint32_t FILE_NOTIFY_CHANGE_DIR_NAME = 0x02;
constexpr std::uint32_t FILE_NOTIFY_CHANGE_ATTRIBUTES = 0x04;
constexpr std::uint32_t FILE_NOTIFY_CHANGE_SIZE = 0x08;
constexpr std::uint32_t FILE_NOTIFY_CHANGE_LAST_WRITE = 0x10;

// The wait ended because its wake event was set.
constexpr int WAIT_WOKEN = 0x100;

class TChangeNotification {
 public:
  // Raises EOSError for a folder that can't be watched (missing, not a
  // folder, no access) and when an inotify limit is reached, naming it.
  TChangeNotification(const std::string& PathName, bool WatchSubtree, std::uint32_t NotifyFilter);
  ~TChangeNotification();
  TChangeNotification(const TChangeNotification&) = delete;
  TChangeNotification& operator=(const TChangeNotification&) = delete;

  bool Signalled() const { return FSignalled; }
  // Readable while the kernel has events that were not looked at yet.
  int Fd() const;
  // Looks at the pending events; true when the handle is signalled now.
  bool Collect();
  // Clears the signal; later changes signal again.
  void Rearm() { FSignalled = false; }

 private:
  struct TState;
  std::unique_ptr<TState> FState;
  bool FSignalled = false;
};

using TChangeHandle = std::unique_ptr<TChangeNotification>;

// The classic entry points. FindFirstChangeNotification raises EOSError
// where the classic one answers an invalid handle.
TChangeHandle FindFirstChangeNotification(const std::string& PathName, bool WatchSubtree, std::uint32_t NotifyFilter);
void FindNextChangeNotification(TChangeNotification& Handle);
void FindCloseChangeNotification(TChangeHandle& Handle);

// Waits until one of Handles is signalled and answers the lowest signalled
// index (WAIT_OBJECT_0 + i), WAIT_TIMEOUT after TimeoutMs (INFINITE: no
// limit), WAIT_WOKEN when Wake (may be null) is set, or WAIT_FAILED. Wake is
// not reset by the wait. With no handles it waits for Wake or the time-out.
int WaitForChangeNotifications(std::span<TChangeNotification* const> Handles, int TimeoutMs, TEvent* Wake);

}  // namespace rv
