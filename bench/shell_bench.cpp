// The shell monitor's latency: a file's creation to its OnFileCreate
// callback, through the real inotify source, the event loop and the hidden
// window's queue; against reading the same event from a raw inotify
// descriptor. p50 and p99 of both are printed.

#include <benchmark/benchmark.h>
#include <sys/inotify.h>

#include <chrono>
#include <cstdio>
#include <string>

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
  rvbench::MeasureLatencies(
      state, [&](int i) { rvbench::Touch(folder + "/f" + std::to_string(i)); },
      [&] {
        while (!called) Application->HandleMessage();
        called = false;
      },
      gOurs);
}

void BM_RawInotifyCreate(benchmark::State& state) {
  const std::string folder = rvbench::FreshFolder("shell-raw");
  TFileHandle fd(inotify_init1(IN_CLOEXEC));
  inotify_add_watch(fd.Get(), folder.c_str(), IN_CREATE);
  rvbench::MeasureLatencies(
      state, [&](int i) { rvbench::Touch(folder + "/f" + std::to_string(i)); },
      [&] { rvbench::AwaitInotify(fd.Get()); }, gRaw);
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
