#pragma once
// Names of the registry store on disk. A key is a folder and a value a file,
// each named by its name percent-encoded: '%', '/' and a leading '.' are
// encoded, so no name can leave its key or its hive, and the store's own
// temporary files (leading '.') never meet a value. The unnamed (default)
// value is the file "%". Lookup ignores the case of ASCII letters.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// Windows' limits, kept so that stored names stay portable.
constexpr std::size_t kRegMaxKeyNameLength = 255;
constexpr std::size_t kRegMaxValueNameLength = 16383;
constexpr std::size_t kRegMaxKeyDepth = 512;

// Why Name can't be stored ("" when it can). Control characters (NUL among
// them) are refused; so is an encoded name longer than a file name may be.
std::string RegNameProblem(std::string_view Name, bool IsKey);
std::string EncodeRegName(std::string_view Name);
// Undoes EncodeRegName; a '%' not followed by two hex digits stays as it is.
std::string DecodeRegName(std::string_view FileName);
bool SameRegName(std::string_view A, std::string_view B);
// A key path split at '\', the outer backslashes dropped; nullopt (with the
// reason in Problem) for an empty inner component, a bad name or a path
// deeper than the limit.
std::optional<std::vector<std::string>> SplitRegPath(std::string_view Path, std::string& Problem);

}  // namespace rv
