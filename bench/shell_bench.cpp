// The shell monitor's latency: a file's creation to its OnFileCreate
// callback, through the real inotify source, the event loop and the hidden
// window's queue; against reading the same event from a raw inotify
// descriptor. p50 and p99 of both are printed.

#include <benchmark/benchmark.h>
#include <poll.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/support/Compare.h"
#include "bench/support/Latency.h"
#include "bench/support/Scratch.h"
#include "monitors/LogShell.h"
#include "platform/forms/Application.h"
#include "platform/rtl/FileHandle.h"

using namespace rv;
using Clock = std::chrono::steady_clock;

namespace {

rvbench::Percentiles gOurs, gRaw;

void BM_ShellCreateToCallback(benchmark::State& state) {
  const std::string folder = rvbench::FreshFolder("shell-ours");
  bool called = false;
  TQVShellLog log(nullptr);
  log.SetPath(folder);
  log.SetOptions({lnFileCreate});
  log.SetOnFileCreate([&](TObject*, const std::string&) { called = true; });
  log.SetActive(true);
  std::vector<double> latencies;
  int i = 0;
  for (auto _ : state) {
    called = false;
    const auto start = Clock::now();
    rvbench::Touch(folder + "/f" + std::to_string(i++));
    while (!called) Application->HandleMessage();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    latencies.push_back(seconds);
  }
  rvbench::ReportLatencies(state, latencies, gOurs);
}

void BM_RawInotifyCreate(benchmark::State& state) {
  const std::string folder = rvbench::FreshFolder("shell-raw");
  TFileHandle fd(inotify_init1(IN_CLOEXEC));
  inotify_add_watch(fd.Get(), folder.c_str(), IN_CREATE);
  std::vector<double> latencies;
  int i = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    rvbench::Touch(folder + "/f" + std::to_string(i++));
    pollfd p{fd.Get(), POLLIN, 0};
    poll(&p, 1, -1);
    alignas(inotify_event) char buffer[4096];
    benchmark::DoNotOptimize(read(fd.Get(), buffer, sizeof buffer));
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    latencies.push_back(seconds);
  }
  rvbench::ReportLatencies(state, latencies, gRaw);
}

BENCHMARK(BM_ShellCreateToCallback)->Iterations(1000)->UseManualTime();
BENCHMARK(BM_RawInotifyCreate)->Iterations(1000)->UseManualTime();

}  // namespace

int main(int argc, char** argv) {
  const int result = rvbench::RunAndCompare(
      argc, argv,
      {
          {"shell monitor creation to callback (mean)", "BM_ShellCreateToCallback/iterations:1000/manual_time",
           "BM_RawInotifyCreate/iterations:1000/manual_time", 0},
      });
  if (gOurs.P50 > 0 && gRaw.P50 > 0)
    std::printf(
        "shell monitor latency p50 %.1f us, p99 %.1f us; raw inotify p50 %.1f us, p99 %.1f us; "
        "p50 ratio %.2f\n",
        gOurs.P50, gOurs.P99, gRaw.P50, gRaw.P99, gOurs.P50 / gRaw.P50);
  return result;
}
