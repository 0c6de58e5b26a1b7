#pragma once

#include <string>
#include <vector>

namespace rv::mapgen {

// The demangled forms of C++ names (other names as they are), cleaned for a
// map line. A few hundred bytes of mangled name can demangle to gigabytes,
// so a separate process demangles under a watchdog: a name it doesn't finish
// within a second, or whose demangled form is too long to be of use, stays
// mangled. Raises EMapgenError when no process can be started.
std::vector<std::string> DemangleAll(const std::vector<const char*>& names);

}  // namespace rv::mapgen
