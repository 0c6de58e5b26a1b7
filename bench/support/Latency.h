#pragma once
// Latency samples of a benchmark: p50 and p99 in microseconds, reported as
// the run's counters so the throughput ratio and the percentiles agree.

#include <benchmark/benchmark.h>

#include <functional>
#include <vector>

namespace rvbench {

struct Percentiles {
  double P50 = 0;  // microseconds
  double P99 = 0;
};

// Sorts Latencies (seconds) and sets the p50_us, p99_us and
// items_per_second counters of State; the percentiles also go to Out.
void ReportLatencies(benchmark::State& State, std::vector<double>& Latencies, Percentiles& Out);

// Times each iteration of State as Change(i) (i counting from 0) followed by
// Await(), sets it as the iteration's manual time, and reports the whole
// run as ReportLatencies does.
void MeasureLatencies(benchmark::State& State, const std::function<void(int)>& Change,
                      const std::function<void()>& Await, Percentiles& Out);

// The raw baselines' wait: blocks until the inotify descriptor Fd has
// events, and reads them.
void AwaitInotify(int Fd);

}  // namespace rvbench
