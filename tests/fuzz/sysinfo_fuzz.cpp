// Feeds arbitrary contents of /proc/meminfo, /proc/self/status,
// /proc/cpuinfo, os-release and a display connector's files to the Linux
// system information source (through its settable root): every read must
// give some answer, never crash or hang.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os/SystemInfo.h"
#include "tests/support/TempDir.h"

namespace {

const std::string& root() {
  static const rvtest::TempDir dir;
  static const bool made = [] {
    for (const char* sub : {"/proc/self", "/etc", "/sys/class/drm/card0-DP-1", "/sys/class/drm/card0/device"})
      std::filesystem::create_directories(dir.Path() + sub);
    return true;
  }();
  (void)made;
  return dir.Path();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const char* const files[] = {"/proc/meminfo",
                                      "/proc/self/status",
                                      "/proc/cpuinfo",
                                      "/etc/os-release",
                                      "/sys/class/drm/card0-DP-1/status",
                                      "/sys/class/drm/card0/device/uevent"};
  // The input is split at 0xFF bytes, one part per file.
  std::string_view input(reinterpret_cast<const char*>(data), size);
  for (const char* file : files) {
    std::size_t cut = input.find('\xFF');
    std::ofstream(root() + file, std::ios::binary | std::ios::trunc) << input.substr(0, cut);
    input.remove_prefix(cut == std::string_view::npos ? input.size() : cut + 1);
  }
  rv::TLinuxSystemInfo info;
  info.SetRoot(root());
  info.MemoryStatus();
  info.OSVersion();
  info.ProcessorLevel();
  info.DisplayDevices();
  return 0;
}
