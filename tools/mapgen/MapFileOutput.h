#pragma once

#include <string>

namespace rv::mapgen {

// Writes the map through a temporary file beside it and renames that into
// place, so a reader never sees half a map and a failed run leaves the old
// one. Raises EMapgenError naming the file and the reason.
void WriteMapFile(const std::string& fileName, const std::string& text);

}  // namespace rv::mapgen
