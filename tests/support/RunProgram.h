#pragma once
// Running a built program through the shell and taking its output.

#include <string>

namespace rvtest {

struct ProgramResult {
  int Code;            // the exit status, -1 when it did not exit normally
  std::string Output;  // standard output and standard error, in order
};

// Runs Command with sh -c, standard error joined to standard output.
ProgramResult RunProgram(const std::string& Command);

}  // namespace rvtest
