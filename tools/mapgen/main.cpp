// mapgen <executable> [-o <map file>]: writes the detailed map of a non-PIE
// ELF executable, from its symbol table and DWARF line tables, for the
// exception log's map file reader. Exit codes: 0 written, 1 the executable
// can't be mapped or the map can't be written, 2 bad arguments.

#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <string_view>

#include "tools/mapgen/Demangler.h"
#include "tools/mapgen/ElfImage.h"
#include "tools/mapgen/MapFileOutput.h"
#include "tools/mapgen/MapWriter.h"
#include "tools/mapgen/Names.h"
#include "tools/mapgen/Publics.h"
#include "tools/mapgen/Units.h"

namespace {

using namespace rv::mapgen;

struct TArguments {
  std::string Executable;
  std::string MapFile;
};

std::optional<TArguments> parseArguments(int argc, char** argv) {
  std::optional<std::string> executable, mapFile;
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "-o" && i + 1 < argc && !mapFile && *argv[i + 1]) {
      mapFile = argv[++i];
    } else if (!argument.empty() && argument[0] != '-' && !executable) {
      executable = argument;
    } else {
      return std::nullopt;
    }
  }
  if (!executable) return std::nullopt;
  return TArguments{*executable, mapFile ? *mapFile : DefaultMapName(*executable)};
}

TMapModel readModel(const std::string& executable) {
  const TElfImage image(executable);
  const TFunctionSymbols functions = ReadFunctionSymbols(image);
  std::vector<std::string> names = DemangleNames(functions.Names);
  TUnitMap units = ReadUnits(image);
  TMapModel model;
  for (std::size_t i = 0; i < names.size(); ++i) model.Publics.push_back({functions.Offsets[i], std::move(names[i])});
  model.Segments = std::move(units.Segments);
  model.LineSections = std::move(units.LineSections);
  if (model.Publics.empty() && model.Segments.empty())
    std::fprintf(stderr, "mapgen: warning: %s: no code at or above address 0x00401000; the map is empty\n",
                 executable.c_str());
  return model;
}

}  // namespace

int main(int argc, char** argv) {
  const std::optional<TArguments> arguments = parseArguments(argc, argv);
  if (!arguments) {
    std::fputs("usage: mapgen <executable> [-o <map file>]\n", stderr);
    return 2;
  }
  try {
    WriteMapFile(arguments->MapFile, WriteMap(readModel(arguments->Executable)));
    return 0;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "mapgen: %s: out of memory\n", arguments->Executable.c_str());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "mapgen: %s\n", e.what());
  }
  return 1;
}
