#pragma once

#include <string>

#include "tools/mapgen/MapModel.h"

namespace rv::mapgen {

// The map as text, laid out for the exception log's map file reader: markers
// and fields at the character positions it reads, tables arranged so that it
// collects every segment, public and line entry.
std::string WriteMap(const TMapModel& model);

}  // namespace rv::mapgen
