#pragma once

#include <cstdint>
#include <vector>

#include "tools/mapgen/ElfImage.h"
#include "tools/mapgen/MapModel.h"

namespace rv::mapgen {

// The function symbols of the executable, ascending by offset, their names
// as the symbol table holds them (owned by the image). Where several symbols
// share an address one is kept (global before weak before local), since the
// reader would pick differently between them depending on whether an
// address hits them exactly.
struct TFunctionSymbols {
  std::vector<std::uint32_t> Offsets;
  std::vector<const char*> Names;
};

TFunctionSymbols ReadFunctionSymbols(const TElfImage& image);

}  // namespace rv::mapgen
