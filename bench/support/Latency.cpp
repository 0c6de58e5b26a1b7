#include "bench/support/Latency.h"

#include <algorithm>

namespace rvbench {

void ReportLatencies(benchmark::State& State, std::vector<double>& Latencies, Percentiles& Out) {
  if (Latencies.empty()) return;
  double total = 0;
  for (double l : Latencies) total += l;
  std::sort(Latencies.begin(), Latencies.end());
  Out.P50 = Latencies[Latencies.size() / 2] * 1e6;
  Out.P99 = Latencies[std::min(Latencies.size() - 1, Latencies.size() * 99 / 100)] * 1e6;
  State.counters["p50_us"] = Out.P50;
  State.counters["p99_us"] = Out.P99;
  State.counters["items_per_second"] = static_cast<double>(Latencies.size()) / total;
}

}  // namespace rvbench
