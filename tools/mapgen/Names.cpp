#include "tools/mapgen/Names.h"

namespace rv::mapgen {

namespace {

std::string_view::size_type fileNameStart(std::string_view path) {
  const auto slash = path.rfind('/');
  return slash == std::string_view::npos ? 0 : slash + 1;
}

}  // namespace

std::string DefaultMapName(std::string_view executable) {
  const auto dot = executable.rfind('.');
  const bool hasExtension = dot != std::string_view::npos && dot >= fileNameStart(executable);
  return std::string(hasExtension ? executable.substr(0, dot) : executable) + ".map";
}

std::string FileNameOf(std::string_view path) { return CleanName(path.substr(fileNameStart(path))); }

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

}  // namespace rv::mapgen
