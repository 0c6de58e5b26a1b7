// The map file reader on arbitrary bytes: loading, listing units and looking
// up addresses never fails, and every lookup agrees with the map rules
// applied line by line.

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "exception/QVMapFile.h"
#include "tests/exception/mapfixture/MapRules.h"

namespace {

// The scratch file each input is written to, removed at exit.
struct TScratchFile {
  std::string Path =
      (std::filesystem::temp_directory_path() / ("mapfile_fuzz." + std::to_string(getpid()) + ".map")).string();
  ~TScratchFile() {
    std::error_code ignored;
    std::filesystem::remove(Path, ignored);
  }
};

const std::string& mapPath() {
  static const TScratchFile file;
  return file.Path;
}

// Offsets the map itself mentions, and their neighbours, where the rules
// change their answer; plus the ends of the range.
std::vector<std::uint32_t> interestingOffsets(const rv::TQVMapFile& map) {
  std::vector<std::uint32_t> offsets = {0, 1, 0x7FFFFFFF, 0xFFFFFFFE, 0xFFFFFFFF};
  const auto harvest = [&](const rv::TStringList* list, std::size_t position) {
    for (const std::string& line : list->Lines()) {
      std::uint32_t value = 0;
      if (offsets.size() < 96 && rvtest::maprules::number(rvtest::maprules::at(line, position, 8), 16, value)) {
        offsets.push_back(value - 1);
        offsets.push_back(value);
        offsets.push_back(value + 1);
      }
    }
  };
  harvest(map.SegmentLines(), 7);
  harvest(map.PublicLines(), 7);
  for (std::size_t entry = 0; entry < 4; ++entry) harvest(map.LineNumberLines(), entry * 20 + 13);
  return offsets;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  {
    std::ofstream out(mapPath(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  rv::TQVMapFile map;
  map.SetMapFileName(mapPath());
  rv::TStringList units;
  map.LoadUnitNames(&units);
  for (std::uint32_t offset : interestingOffsets(map)) {
    const std::uint64_t address = static_cast<std::uint32_t>(offset + map.CodeBase());
    if (address == 0) continue;  // null means the exception being handled
    if (!(rvtest::LookUp(map, address) == rvtest::LookUpLinearly(map, address))) std::abort();
  }
  if (!(rvtest::LookUp(map, 0x100401000) == rvtest::TMapLookup{})) std::abort();
  return 0;
}
