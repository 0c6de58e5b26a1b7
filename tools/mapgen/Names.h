#pragma once
// Names as they appear in a map file: one line each, no control characters.

#include <string>
#include <string_view>

namespace rv::mapgen {

// The executable's path with the extension of its file name replaced by
// ".map" (appended when the name has none), where the exception log looks.
std::string DefaultMapName(std::string_view executable);

// The file name without its directory.
std::string FileNameOf(std::string_view path);

// A unit is named after its source file: no directory, no extension.
std::string UnitNameOf(std::string_view sourcePath);

// Control characters become '?' (a name must not break a map line) and
// blanks at both ends go, as the reader trims them anyway.
std::string CleanName(std::string_view name);

}  // namespace rv::mapgen
