#pragma once

#include <vector>

#include "tools/mapgen/ElfImage.h"
#include "tools/mapgen/MapModel.h"

namespace rv::mapgen {

// The function symbols of the executable, demangled, ascending by offset.
// Where several symbols share an address one is kept (global before weak
// before local), since the reader would pick differently between them
// depending on whether an address hits them exactly.
std::vector<TPublic> ReadPublics(const TElfImage& image);

}  // namespace rv::mapgen
