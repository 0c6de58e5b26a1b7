#include "tests/support/Helpers.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <stdexcept>

extern char** environ;

namespace rvtest {

std::string HelperPath(const std::string& name) { return std::string(RV_TEST_HELPER_DIR) + "/" + name; }

ChildProcess::ChildProcess(const std::string& program, const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  if (posix_spawn(&FPid, program.c_str(), nullptr, nullptr, argv.data(), environ) != 0)
    throw std::runtime_error("cannot start " + program);
}

ChildProcess::~ChildProcess() {
  if (FPid > 0) Wait();
}

int ChildProcess::Wait() {
  int status = 0;
  while (waitpid(FPid, &status, 0) < 0)
    if (errno != EINTR) break;
  FPid = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace rvtest
