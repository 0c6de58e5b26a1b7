#pragma once
// A temporary folder for a benchmark run's files, made on first use.

#include <string>

namespace rvbench {

const std::string& ScratchDir();

}  // namespace rvbench
