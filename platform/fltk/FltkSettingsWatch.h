#pragma once
// The desktop's settings, watched for the real-window set: a change sends
// the settings-change message (WM_SETTINGCHANGE) to the main window. The X
// resources (RESOURCE_MANAGER on the root window), the XSETTINGS manager's
// settings, and /etc/localtime being replaced (the time zone; tzset() runs
// first) count as changes.

#include <memory>

#include "platform/forms/EventLoop.h"
#include "platform/os/InotifyTree.h"

namespace rv {

class TDesktopSettingsWatch {
 public:
  // GUI thread, once the toolkit has its display. Lives as long as the set.
  TDesktopSettingsWatch();
  ~TDesktopSettingsWatch();
  TDesktopSettingsWatch(const TDesktopSettingsWatch&) = delete;
  TDesktopSettingsWatch& operator=(const TDesktopSettingsWatch&) = delete;

 private:
  static int XEventSeen(void* Event, void* Data);
  void TimeZoneEvents();
  // The XSETTINGS manager may change; its window holds the settings.
  void FollowSettingsOwner();
  static void SettingsChanged();

  // X window and atom ids.
  unsigned long FRoot = 0;
  unsigned long FResourceManager = 0;
  unsigned long FSettings = 0;
  unsigned long FManager = 0;
  unsigned long FSelection = 0;
  unsigned long FOwner = 0;
  // Null when /etc can't be watched: the time zone then goes unnoticed.
  std::unique_ptr<TInotifyTree> FTimeZone;
  TEventLoop::TSourceId FTimeZoneSource = 0;
};

}  // namespace rv
