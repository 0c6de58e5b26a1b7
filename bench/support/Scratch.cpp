#include "bench/support/Scratch.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace rvbench {

const std::string& ScratchDir() {
  static const std::string dir = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "rvbench.XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return dir;
}

std::string FreshFolder(const std::string& Name) {
  const std::string path = ScratchDir() + "/" + Name;
  std::filesystem::remove_all(path);
  std::filesystem::create_directories(path);
  return path;
}

void Touch(const std::string& Path) { std::ofstream(Path).put('x'); }

}  // namespace rvbench
