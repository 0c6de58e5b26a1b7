#pragma once
// Latency samples of a benchmark: p50 and p99 in microseconds, reported as
// the run's counters so the throughput ratio and the percentiles agree.

#include <benchmark/benchmark.h>

#include <vector>

namespace rvbench {

struct Percentiles {
  double P50 = 0;  // microseconds
  double P99 = 0;
};

// Sorts Latencies (seconds) and sets the p50_us, p99_us and
// items_per_second counters of State; the percentiles also go to Out.
void ReportLatencies(benchmark::State& State, std::vector<double>& Latencies, Percentiles& Out);

}  // namespace rvbench
