#include "examples/demo/DemoDialogCloser.h"

#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "platform/forms/Forms.h"
#include "platform/forms/Screen.h"

std::optional<double> CloseDialogAfterOption(int argc, char** argv) {
  constexpr std::string_view option = "--close-dialog-after=";
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg.substr(0, option.size()) != option) continue;
    char* end = nullptr;
    const double seconds = std::strtod(argv[i] + option.size(), &end);
    if (end != argv[i] + option.size() && *end == '\0' && seconds >= 0) return seconds;
  }
  return std::nullopt;
}

TDemoDialogCloser::TDemoDialogCloser(double Seconds)
    : FSeconds(Seconds), FTimer(rv::EventLoop().AddTimer(100, [this] { Look(); })) {}

TDemoDialogCloser::~TDemoDialogCloser() { rv::EventLoop().RemoveTimer(FTimer); }

void TDemoDialogCloser::Look() {
  rv::TCustomForm* active = rv::Screen->ActiveCustomForm();
  if (!active || !active->Modal()) {
    FDialog = nullptr;
    return;
  }
  const auto now = std::chrono::steady_clock::now();
  if (active != FDialog) {
    FDialog = active;
    FSince = now;
    return;
  }
  if (now - FSince < std::chrono::duration<double>(FSeconds)) return;
  std::printf("closing the dialog \"%s\" after %g s (--close-dialog-after)\n", active->Caption().c_str(), FSeconds);
  active->SetModalResult(rv::mrCancel);
  FDialog = nullptr;
}
