#include "platform/fltk/FltkSettingsWatch.h"

#include <FL/Fl.H>
#include <FL/x.H>
#include <sys/inotify.h>

#include <ctime>
#include <string>

#include "platform/forms/Application.h"
#include "platform/rtl/Exceptions.h"

namespace rv {

namespace {

// Adds to what this client already asked of the window (the toolkit may
// have asked for something too).
void selectMore(Window window, long mask) {
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(fl_display, window, &attributes)) return;
  XSelectInput(fl_display, window, attributes.your_event_mask | mask);
}

}  // namespace

TDesktopSettingsWatch::TDesktopSettingsWatch() {
  FRoot = RootWindow(fl_display, fl_screen);
  FResourceManager = XInternAtom(fl_display, "RESOURCE_MANAGER", False);
  FSettings = XInternAtom(fl_display, "_XSETTINGS_SETTINGS", False);
  FManager = XInternAtom(fl_display, "MANAGER", False);
  FSelection = XInternAtom(fl_display, ("_XSETTINGS_S" + std::to_string(fl_screen)).c_str(), False);
  // Property changes of the root window, and the MANAGER announcements a
  // new settings manager sends to it.
  selectMore(FRoot, PropertyChangeMask | StructureNotifyMask);
  FollowSettingsOwner();
  Fl::add_system_handler(&TDesktopSettingsWatch::XEventSeen, this);
  // Tools replace /etc/localtime (a new link renamed over it) rather than
  // writing it, so the folder is watched.
  try {
    FTimeZone = std::make_unique<TInotifyTree>("/etc", false, IN_CREATE | IN_MOVED_TO | IN_CLOSE_WRITE);
    FTimeZoneSource = EventLoop().AddFdSource(FTimeZone->Fd(), [this](int) { TimeZoneEvents(); });
  } catch (const EOSError&) {
    // Out of inotify instances: the other settings are still watched.
  }
}

TDesktopSettingsWatch::~TDesktopSettingsWatch() {
  Fl::remove_system_handler(&TDesktopSettingsWatch::XEventSeen);
  if (FTimeZone) EventLoop().RemoveFdSource(FTimeZoneSource);
}

void TDesktopSettingsWatch::FollowSettingsOwner() {
  FOwner = XGetSelectionOwner(fl_display, FSelection);
  if (FOwner == None) return;
  selectMore(FOwner, PropertyChangeMask);
  // A round trip: settings the new manager sets from now on are seen.
  XSync(fl_display, False);
}

void TDesktopSettingsWatch::SettingsChanged() {
  if (Application) Application->RunGuarded(Application, [] { Application->SendMessage(WM_SETTINGCHANGE); });
}

int TDesktopSettingsWatch::XEventSeen(void* Event, void* Data) {
  auto* self = static_cast<TDesktopSettingsWatch*>(Data);
  const auto* e = static_cast<const XEvent*>(Event);
  if (e->type == PropertyNotify) {
    const XPropertyEvent& p = e->xproperty;
    if ((p.window == self->FRoot && p.atom == self->FResourceManager) ||
        (self->FOwner != None && p.window == self->FOwner && p.atom == self->FSettings))
      SettingsChanged();
  } else if (e->type == ClientMessage && e->xclient.message_type == self->FManager &&
             static_cast<unsigned long>(e->xclient.data.l[1]) == self->FSelection) {
    self->FollowSettingsOwner();
    SettingsChanged();
  }
  return 0;  // the toolkit still handles the event
}

void TDesktopSettingsWatch::TimeZoneEvents() {
  bool changed = false;
  FTimeZone->Drain([&](const TInotifyEvent& event) { changed = changed || event.Name == "localtime"; });
  if (!changed) return;
  tzset();
  SettingsChanged();
}

}  // namespace rv
