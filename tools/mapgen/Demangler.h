#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace rv::mapgen {

// Demangles C++ names (other names stay as they are), cleaned for a map
// line. A few hundred bytes of mangled name can demangle to gigabytes, so a
// separate process demangles, started at construction to run alongside the
// caller, under a watchdog: a name it doesn't finish within a second, or
// whose demangled form is too long to be of use, stays mangled.
class TDemangler {
 public:
  // The names must stay valid until Results() returns. Raises EMapgenError
  // when no process can be started.
  explicit TDemangler(std::vector<const char*> names);
  ~TDemangler();
  TDemangler(const TDemangler&) = delete;
  TDemangler& operator=(const TDemangler&) = delete;

  // One name per name given, in order; waits for the demangling process.
  std::vector<std::string> Results();

 private:
  class TProcess;

  std::vector<const char*> FNames;
  std::vector<bool> FSkip;  // names found to stall the demangler
  // Shared with the demangling process: the index of the name it is at.
  std::atomic<std::uint32_t>* FProgress = nullptr;
  std::unique_ptr<TProcess> FProcess;
};

}  // namespace rv::mapgen
