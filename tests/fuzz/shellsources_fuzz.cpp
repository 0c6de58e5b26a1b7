// The parsers of the shell's sources on arbitrary bytes: a mount table, a
// kernel uevent and a user-share definition. All three read the same input.

#include <cstdint>
#include <string_view>

#include "platform/os/ShellMediaSource.h"
#include "platform/os/ShellMountSource.h"
#include "platform/os/ShellShareSource.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  for (const auto& [id, point] : rv::ParseMountInfo(bytes))
    if (id < 0 || point.empty()) __builtin_trap();
  rv::ParseUevent(bytes);
  if (auto path = rv::ParseUserShare(bytes); path && path->empty()) __builtin_trap();
  return 0;
}
