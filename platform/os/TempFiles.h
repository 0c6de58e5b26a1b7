#pragma once
// Temporary files: the system's temporary folder, unique names in it, and
// creating a file only where nothing exists yet.

#include <string>

#include "platform/rtl/FileHandle.h"

namespace rv {

// TMPDIR when it is set and names a folder, else /tmp; always ending in '/'.
std::string TempFolder();

// Creates an empty file (mode 0600) with a unique name in the temporary
// folder: Prefix, six random characters, ".tmp". Returns its full name.
// Raises EFCreateError when no such file can be created.
std::string CreateTempFile(const std::string& Prefix);

// Creates FileName for writing (mode 0600) only if nothing of that name exists
// yet, not even a dangling symbolic link, so a name prepared by someone else
// can't redirect the write. Raises EFCreateError naming the file and reason.
TFileHandle CreateNewFile(const std::string& FileName);

}  // namespace rv
