#pragma once
// Starting programs. A program is always given as an argument vector and
// executed directly, never through a shell; the first element is the program
// (searched on PATH when it has no '/'). Every descriptor of ours is closed in
// the child; it gets only its standard input, output and error.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/Export.h"

namespace RV_API rv {

enum TProcessOutcome : std::uint8_t {
  poNotStarted,    // the program could not be started; Code is the errno
  poExited,        // it ended; Code is its exit code
  poSignalled,     // a signal ended it; Code is the signal
  poTimedOut,      // RunProcess: still running at the deadline, so it was killed
  poStillRunning,  // StartDetached: still running when the wait ended (launched)
};

struct TProcessResult {
  TProcessOutcome Outcome = poNotStarted;
  int Code = 0;
  std::string Output;  // standard output (RunProcess)
  std::string Errors;  // standard error (RunProcess)

  bool Started() const { return Outcome != poNotStarted; }
  bool ExitedWith(int code) const { return Outcome == poExited && Code == code; }
};

struct TRunOptions {
  // Written to the program's standard input, which is then closed; the program
  // may stop reading early.
  std::string Input;
  // The program is killed (and reaped) when it has not ended by then.
  std::chrono::milliseconds Timeout{std::chrono::seconds(60)};
};

// Runs a program to its end, feeding Input and capturing its output and
// errors. Output written by programs it leaves running in the background is
// not waited for.
TProcessResult RunProcess(const std::vector<std::string>& Args, const TRunOptions& Options = {});

// Starts a program detached from us: in a new session, standard input from
// /dev/null, output and errors discarded. Waits up to Wait for it to end and
// reports its exit code; a program still running then is reported as
// poStillRunning and runs on as an orphan, so no zombie of ours is left
// behind either way.
TProcessResult StartDetached(const std::vector<std::string>& Args,
                             std::chrono::milliseconds Wait = std::chrono::seconds(3));

// The program that Args[0] names, as it would be executed: a name with a '/'
// as it stands, otherwise the first executable file of that name on PATH.
// Empty when there is none.
std::string FindProgram(const std::string& Name);

}  // namespace rv
