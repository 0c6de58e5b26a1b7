#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace rv::mapgen {

// Longer mangled names stay as they are: the demangler's stack use grows with
// a name's length.
inline constexpr std::size_t kMaxMangledLength = 4096;
// A few hundred bytes of mangled name can demangle to gigabytes; a name whose
// demangled form would be longer than this stays mangled, found out before
// more than this much of it is made.
inline constexpr std::size_t kMaxDemangledLength = 65536;

// Demangles C++ names (other names stay as they are), cleaned for a map
// line: one result per name, in order.
std::vector<std::string> DemangleNames(const std::vector<const char*>& names);

}  // namespace rv::mapgen
