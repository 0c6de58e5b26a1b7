#include "tests/support/RunProgram.h"

#include <sys/wait.h>

#include <cstdio>
#include <memory>

namespace rvtest {

ProgramResult RunProgram(const std::string& Command) {
  const std::string command = Command + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  ProgramResult result{-1, ""};
  if (!pipe) return result;
  char buffer[4096];
  while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe.get())) result.Output.append(buffer, got);
  const int status = pclose(pipe.release());
  result.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace rvtest
