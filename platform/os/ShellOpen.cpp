#include "platform/os/ShellOpen.h"

#include "platform/os/Process.h"

namespace RV_API rv {

bool IsOpenableTarget(const std::string& Target) { return !Target.empty() && Target[0] != '-'; }

TShellOpenResult ShellOpen(const std::string& Target, const TShellOpener& Opener) {
  TShellOpenResult result;
  if (!IsOpenableTarget(Target)) return result;
  const TProcessResult run = StartDetached({Opener.Program, Target}, Opener.Wait);
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
