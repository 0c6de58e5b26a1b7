#include "platform/rtl/Program.h"

#include <unistd.h>

#include <fstream>
#include <iterator>

namespace RV_API rv {

namespace {

// The command line and the executable are those the process started with;
// each is read once.
const std::vector<std::string>& commandLine() {
  static const std::vector<std::string> args = [] {
    std::ifstream file("/proc/self/cmdline", std::ios::binary);
    const std::string record{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return SplitCommandLine(record);
  }();
  return args;
}

std::string readExecutablePath() {
  // readlink cuts a long target silently: a full buffer may hold only a part.
  std::string path(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", path.data(), path.size());
    if (n <= 0) return {};
    if (static_cast<std::size_t>(n) < path.size()) {
      path.resize(static_cast<std::size_t>(n));
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view Record) {
  std::vector<std::string> args;
  while (!Record.empty()) {
    const std::size_t end = Record.find('\0');
    args.emplace_back(Record.substr(0, end));
    Record.remove_prefix(end == std::string_view::npos ? Record.size() : end + 1);
  }
  return args;
}

int ParamCount() {
  const std::size_t count = commandLine().size();
  return count > 0 ? static_cast<int>(count - 1) : 0;
}

std::string ParamStr(int Index) {
  if (Index < 0) return {};
  const std::vector<std::string>& args = commandLine();
  if (Index == 0) {
    std::string path = ExecutablePath();
    if (!path.empty() || args.empty()) return path;
  }
  return static_cast<std::size_t>(Index) < args.size() ? args[static_cast<std::size_t>(Index)] : std::string();
}

std::string ExecutablePath() {
  static const std::string path = readExecutablePath();
  return path;
}

}  // namespace rv
