#pragma once
// Runs the registered benchmarks, then prints how our code compares with its
// baseline for each named pair: the throughput of ours divided by the
// baseline's (items per second where a benchmark counts items, otherwise
// iterations per second of real time), beside the target ratio.

#include <string>
#include <vector>

namespace rvbench {

struct Comparison {
  std::string Label;
  std::string Ours;  // benchmark name as reported, e.g. "BM_WriteXml/real_time"
  std::string Baseline;
  double Target;  // the least acceptable throughput ratio (0: report only)
};

int RunAndCompare(int argc, char** argv, const std::vector<Comparison>& comparisons);

}  // namespace rvbench
