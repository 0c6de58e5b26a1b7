#include "platform/os/ShellOpen.h"

#include "platform/forms/ModalWait.h"
#include "platform/os/Process.h"

namespace rv {

TShellOpenResult ShellOpen(const std::string& Target, const TShellOpener& Opener) {
  TShellOpenResult result;
  // A leading '-' would be read as an option of the opener.
  if (Target.empty() || Target[0] == '-') return result;
  // The opener gets seconds to report: the windows stay served meanwhile.
  TProcessResult run;
  WaitServingMessages([&] { run = StartDetached({Opener.Program, Target}, Opener.Wait); });
  result.ExitCode = run.Outcome == poExited ? run.Code : 0;
  switch (run.Outcome) {
    case poNotStarted: result.Status = soNotStarted; break;
    case poStillRunning: result.Status = soLaunched; break;
    case poExited: result.Status = run.Code == 0 ? soOpened : soFailed; break;
    default: result.Status = soFailed; break;
  }
  return result;
}

}  // namespace rv
