#include "bench/support/Scratch.h"

#include <cstdlib>
#include <filesystem>

namespace rvbench {

const std::string& ScratchDir() {
  static const std::string dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "rvbench.XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return dir;
}

}  // namespace rvbench
