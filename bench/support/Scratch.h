#pragma once
// A temporary folder for a benchmark run's files, made on first use.

#include <string>

namespace rvbench {

const std::string& ScratchDir();

// An empty folder Name under ScratchDir(), emptied when it was there.
std::string FreshFolder(const std::string& Name);

// Creates or rewrites Path with one byte.
void Touch(const std::string& Path);

}  // namespace rvbench
