#include "tools/mapgen/Names.h"

#include <cxxabi.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace rv::mapgen {

namespace {

std::string_view::size_type fileNameStart(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

// Longer names are left mangled: the demangler recurses with the nesting
// depth of a name, and the names come from files we don't trust.
constexpr std::size_t kMaxDemangledLength = 4096;

struct FreeDeleter {
  void operator()(char* p) const { std::free(p); }
};

}  // namespace

std::string DefaultMapName(std::string_view executable) {
  const auto dot = executable.rfind('.');
  const bool hasExtension = dot != std::string_view::npos && dot >= fileNameStart(executable);
  return std::string(hasExtension ? executable.substr(0, dot) : executable) + ".map";
}

std::string FileNameOf(std::string_view path) {
  return CleanName(path.substr(fileNameStart(path)));
}

std::string UnitNameOf(std::string_view sourcePath) {
  std::string_view name = sourcePath.substr(fileNameStart(sourcePath));
  const auto dot = name.rfind('.');
  if (dot != std::string_view::npos && dot > 0) name = name.substr(0, dot);
  std::string unit = CleanName(name);
  return unit.empty() ? "?" : unit;
}

std::string CleanName(std::string_view name) {
  std::string clean(name);
  for (char& c : clean) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7f) c = '?';
  }
  const auto first = clean.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return clean.substr(first, clean.find_last_not_of(' ') - first + 1);
}

std::string Demangle(const char* name) {
  if (std::strncmp(name, "_Z", 2) == 0 && std::strlen(name) <= kMaxDemangledLength) {
    int status = 0;
    std::unique_ptr<char, FreeDeleter> plain(
        abi::__cxa_demangle(name, nullptr, nullptr, &status));
    if (status == 0 && plain) return CleanName(plain.get());
  }
  return CleanName(name);
}

}  // namespace rv::mapgen
