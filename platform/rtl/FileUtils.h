#pragma once
// File names and simple file-system operations. The path delimiter is '/'.

#include <string>
#include <string_view>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// The extension is the part from the last '.' after the last '/'; without
// one, Extension is appended: "a.log" -> "a.xml", "dir.v2/app" -> "dir.v2/app.xml".
std::string ChangeFileExt(std::string_view FileName, std::string_view Extension);
std::string ExtractFileName(std::string_view FileName);
// The folder part with its trailing '/' ("" when there is none).
std::string ExtractFilePath(std::string_view FileName);
// The folder part without a trailing '/' (except for the root "/").
std::string ExtractFileDir(std::string_view FileName);
// The extension with its '.' ("" when there is none).
std::string ExtractFileExt(std::string_view FileName);
std::string IncludeTrailingPathDelimiter(std::string_view Path);
std::string ExcludeTrailingPathDelimiter(std::string_view Path);
// An absolute name: relative names are taken from the current folder; "."
// and ".." are resolved by name, symbolic links are not followed.
std::string ExpandFileName(std::string_view FileName);

// True for an existing file that is not a folder (links are followed).
bool FileExists(std::string_view FileName);
bool DirectoryExists(std::string_view Directory);
// Deletes a file (not a folder); false when it could not.
bool DeleteFile(std::string_view FileName);
// Renames a file or folder; false when it could not, also when NewName
// already exists (it is never overwritten).
bool RenameFile(std::string_view OldName, std::string_view NewName);
std::string GetCurrentDir();
// Creates a folder and any missing parents; true when it exists afterwards.
bool ForceDirectories(std::string_view Dir);

}  // namespace rv
