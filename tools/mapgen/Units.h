#pragma once

#include <vector>

#include "tools/mapgen/ElfImage.h"
#include "tools/mapgen/MapModel.h"

namespace rv::mapgen {

struct TUnitMap {
  std::vector<TSegment> Segments;
  std::vector<TLineSection> LineSections;
};

// The compilation units of the executable's debug information: a segment
// for every stretch of code that belongs to one unit, and per unit the line
// entries of its own source file.
TUnitMap ReadUnits(const TElfImage& image);

}  // namespace rv::mapgen
