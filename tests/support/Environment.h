#pragma once
// Shared by tests: fake programs, environment overrides and polling.

#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "tests/support/TempDir.h"

namespace rv::test {

// A shell script standing in for a program we start.
inline std::string WriteScript(const std::string& name, const std::string& body) {
  rvtest::WriteFile(name, "#!/bin/sh\n" + body);
  ::chmod(name.c_str(), 0755);
  return name;
}

// Sets (nullopt: unsets) an environment variable for a scope.
class TEnvOverride {
 public:
  TEnvOverride(std::string name, const std::optional<std::string>& value) : FName(std::move(name)) {
    if (const char* old = std::getenv(FName.c_str())) FOld = old;
    Apply(value);
  }
  ~TEnvOverride() { Apply(FOld); }

 private:
  void Apply(const std::optional<std::string>& v) {
    v ? ::setenv(FName.c_str(), v->c_str(), 1) : ::unsetenv(FName.c_str());
  }
  std::string FName;
  std::optional<std::string> FOld;
};

// PATH with a folder in front, so fake programs there are found first.
struct TPathPrepend : TEnvOverride {
  explicit TPathPrepend(const std::string& folder) : TEnvOverride("PATH", folder + ":" + std::getenv("PATH")) {}
};

inline bool PollUntil(const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

}  // namespace rv::test
