#include "bench/support/Latency.h"

#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>

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

void MeasureLatencies(benchmark::State& State, const std::function<void(int)>& Change,
                      const std::function<void()>& Await, Percentiles& Out) {
  using Clock = std::chrono::steady_clock;
  std::vector<double> latencies;
  int i = 0;
  for (auto _ : State) {
    const auto start = Clock::now();
    Change(i++);
    Await();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    State.SetIterationTime(seconds);
    latencies.push_back(seconds);
  }
  ReportLatencies(State, latencies, Out);
}

void AwaitInotify(int Fd) {
  pollfd p{Fd, POLLIN, 0};
  poll(&p, 1, -1);
  alignas(inotify_event) char buffer[4096];
  benchmark::DoNotOptimize(read(Fd, buffer, sizeof buffer));
}

}  // namespace rvbench
