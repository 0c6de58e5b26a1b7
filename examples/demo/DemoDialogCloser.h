#pragma once
// For runs without a user (CI, tests): "--close-dialog-after=SECONDS" closes
// each modal dialog once it has been open that long.

#include <chrono>
#include <optional>

#include "platform/forms/EventLoop.h"

namespace rv {
class TCustomForm;
}

// The seconds of a "--close-dialog-after=SECONDS" among the arguments;
// none when the option isn't given (or isn't a number of seconds).
std::optional<double> CloseDialogAfterOption(int argc, char** argv);

// Looks at the active form ten times a second from the GUI thread's loop,
// which modal loops serve too: a modal form that has been active for the
// given time is cancelled, and standard output says so. GUI thread only.
class TDemoDialogCloser {
 public:
  explicit TDemoDialogCloser(double Seconds);
  ~TDemoDialogCloser();
  TDemoDialogCloser(const TDemoDialogCloser&) = delete;
  TDemoDialogCloser& operator=(const TDemoDialogCloser&) = delete;

 private:
  void Look();

  double FSeconds;
  rv::TEventLoop::TSourceId FTimer;
  const rv::TCustomForm* FDialog = nullptr;
  std::chrono::steady_clock::time_point FSince;
};
