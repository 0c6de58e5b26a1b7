#pragma once
// For runs without a user (CI, tests): "--close-dialog-after=SECONDS" closes
// the dialogs that a component owns once they have been open that long.

#include <memory>
#include <optional>

namespace rv {
class TComponent;
}

// The seconds of a "--close-dialog-after=SECONDS" among the arguments;
// none when the option isn't given (or isn't a number of seconds).
std::optional<double> CloseDialogAfterOption(int argc, char** argv);

class TDemoDialogCloser {
 public:
  TDemoDialogCloser(rv::TComponent* Owner, double Seconds);
  // Stops the clock; nothing is closed after that.
  ~TDemoDialogCloser();
  TDemoDialogCloser(const TDemoDialogCloser&) = delete;
  TDemoDialogCloser& operator=(const TDemoDialogCloser&) = delete;

  // Starts the clock (once): when it runs out, a call on the GUI queue
  // cancels every modal form Owner owns and says so on standard output.
  void Start();

 private:
  struct TClock;
  rv::TComponent* FOwner;
  double FSeconds;
  std::unique_ptr<TClock> FClock;
};
