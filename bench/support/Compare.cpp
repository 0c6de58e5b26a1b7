#include "bench/support/Compare.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace rvbench {

namespace {

// Shows the usual console output and keeps each run's throughput.
class CollectingReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      auto items = run.counters.find("items_per_second");
      double perSecond = items != run.counters.end() ? static_cast<double>(items->second)
                                                     : static_cast<double>(run.iterations) / run.real_accumulated_time;
      Throughput[run.benchmark_name()] = perSecond;
    }
  }
  std::map<std::string, double> Throughput;
};

}  // namespace

int RunAndCompare(int argc, char** argv, const std::vector<Comparison>& comparisons) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  CollectingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  std::printf("\n%-48s %12s %8s\n", "comparison (ours / baseline throughput)", "ratio", "target");
  for (const Comparison& c : comparisons) {
    auto ours = reporter.Throughput.find(c.Ours);
    auto base = reporter.Throughput.find(c.Baseline);
    if (ours == reporter.Throughput.end() || base == reporter.Throughput.end()) {
      std::printf("%-48s %12s\n", c.Label.c_str(), "not run");
      continue;
    }
    double ratio = ours->second / base->second;
    if (c.Target > 0)
      std::printf("%-48s %12.3f %8.2f %s\n", c.Label.c_str(), ratio, c.Target, ratio >= c.Target ? "met" : "MISSED");
    else
      std::printf("%-48s %12.3f\n", c.Label.c_str(), ratio);
  }
  benchmark::Shutdown();
  return 0;
}

}  // namespace rvbench
