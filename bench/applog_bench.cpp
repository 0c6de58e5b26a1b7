// An application event (OnIdle) dispatched through one and through three
// chained application event logs, against the application calling the
// handler directly. Every variant runs the same handler once per event, so
// the difference is what the components add.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "applog/LogApp.h"
#include "bench/support/Compare.h"
#include "platform/forms/Application.h"

namespace {

void dispatchIdle(benchmark::State& state, int components) {
  std::int64_t handled = 0;
  rv::Application->SetOnIdle([&handled](rv::TObject*, bool&) { ++handled; });
  std::vector<std::unique_ptr<rv::TQVAppLog>> logs;
  for (int i = 0; i < components; ++i) logs.push_back(std::make_unique<rv::TQVAppLog>(nullptr));
  for (auto _ : state) benchmark::DoNotOptimize(rv::Application->Idle());
  logs.clear();
  rv::Application->SetOnIdle(nullptr);
  if (handled != static_cast<std::int64_t>(state.iterations()))
    state.SkipWithError("the handler was not called once per event");
  state.SetItemsProcessed(state.iterations());
}

void BM_IdleDirect(benchmark::State& state) { dispatchIdle(state, 0); }
void BM_IdleThroughOneAppLog(benchmark::State& state) { dispatchIdle(state, 1); }
void BM_IdleThroughThreeAppLogs(benchmark::State& state) { dispatchIdle(state, 3); }

BENCHMARK(BM_IdleDirect);
BENCHMARK(BM_IdleThroughOneAppLog);
BENCHMARK(BM_IdleThroughThreeAppLogs);

}  // namespace

// Report only: the target is an absolute one (at most 50 ns added per
// component), read from the times above.
int main(int argc, char** argv) {
  return rvbench::RunAndCompare(
      argc, argv,
      {{"idle through one app log / direct", "BM_IdleThroughOneAppLog", "BM_IdleDirect", 0},
       {"idle through three app logs / direct", "BM_IdleThroughThreeAppLogs", "BM_IdleDirect", 0}});
}
