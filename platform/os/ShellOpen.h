#pragma once
// Opening a document or web address with the user's default handler
// (xdg-open). The opener is started detached: without a desktop it may run a
// text browser in the foreground for its whole life, so it gets a few seconds
// to report, and one still running then counts as launched.

#include <chrono>
#include <cstdint>
#include <string>

#include "platform/rtl/Export.h"

namespace RV_API rv {

enum TShellOpenStatus : std::uint8_t {
  soOpened,      // the opener reported success
  soLaunched,    // the opener was still running when the wait ended
  soRefused,     // the target was empty or began with '-': not handed on
  soNotStarted,  // the opener could not be started
  soFailed,      // the opener reported failure (ExitCode) or was killed
};

struct TShellOpenResult {
  TShellOpenStatus Status = soRefused;
  int ExitCode = 0;
};

struct TShellOpener {
  std::string Program = "xdg-open";
  std::chrono::milliseconds Wait{std::chrono::seconds(3)};
};

// False for an empty target and one beginning with '-', which the opener
// would read as an option: those are refused (soRefused).
bool IsOpenableTarget(const std::string& Target);

TShellOpenResult ShellOpen(const std::string& Target, const TShellOpener& Opener = {});

}  // namespace rv
