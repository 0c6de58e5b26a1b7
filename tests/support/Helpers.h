#pragma once
// Starting the helper programs of tests/helpers as child processes.

#include <string>
#include <vector>

namespace rvtest {

// The path of a helper program built from tests/helpers/<name>.cpp.
std::string HelperPath(const std::string& name);

// A started helper; Wait() returns its exit code (128 + signal when killed).
class ChildProcess {
 public:
  ChildProcess(const std::string& program, const std::vector<std::string>& args);
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  int Wait();

 private:
  int FPid = -1;
};

}  // namespace rvtest
