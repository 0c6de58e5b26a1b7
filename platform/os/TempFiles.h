#pragma once
// Temporary files: the system's temporary folder, unique names in it, and
// creating a file only where nothing exists yet.

#include <string>

#include "platform/rtl/Export.h"
#include "platform/rtl/FileHandle.h"

namespace RV_API rv {

// TMPDIR when it is set and names a folder, else /tmp; always ending in '/'.
std::string TempFolder();

struct TTempFile {
  std::string Name;    // the full name
  TFileHandle Handle;  // open for reading and writing
};

// Creates a new empty file (mode 0600) with a unique name in the temporary
// folder: Prefix, six random characters, Extension. It is created in one
// step, exclusively and under its final name, so no name prepared by
// someone else (a file or a link) is ever used. Raises EFCreateError when no
// such file can be created.
TTempFile CreateTempFile(const std::string& Prefix, const std::string& Extension = ".tmp");

}  // namespace rv
