#pragma once
// TWidgetSet: what the application's loop needs from the window system. The
// headless set (no display, no windows) is in use until another one is
// installed; the real-window set installs itself when a display opens.

#include <string>

namespace rv {

class TWidgetSet {
 public:
  virtual ~TWidgetSet() = default;

  virtual std::string Name() const = 0;
  // Returns when WakeFd is readable, the window system has events, or
  // TimeoutMs passed (-1: no time limit). GUI thread only.
  virtual void Wait(int WakeFd, int TimeoutMs) = 0;
  // Dispatches the pending window-system events; true when there were any.
  // Handlers run guarded (TApplication::RunGuarded).
  virtual bool ProcessEvents() = 0;
  virtual int ScreenWidth() const = 0;
  virtual int ScreenHeight() const = 0;
};

// The widget set in use. Not owned: an installed set outlives its use.
TWidgetSet* WidgetSet();
// Installs a widget set (null: the headless one); returns the previous one.
TWidgetSet* SetWidgetSet(TWidgetSet* Value);
TWidgetSet* HeadlessWidgetSet();

}  // namespace rv
