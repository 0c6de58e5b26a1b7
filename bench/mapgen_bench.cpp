// mapgen on the mapgen test executable (linked non-PIE for this): the time
// of a run, against reading the executable's bytes and against starting
// mapgen for nothing (a usage error).

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/support/Compare.h"
#include "platform/classes/Stream.h"

extern char** environ;

namespace {

const std::string kMapgen = RV_MAPGEN;
const std::string kSubject = RV_MAPGEN_SUBJECT;

// The exit code, or -1 when the program couldn't run or died of a signal.
int run(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t pid = 0;
  const int error = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  int status = 0;
  if (error != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
  return WEXITSTATUS(status);
}

const std::string& mapFile() {
  static const std::string path =
      (std::filesystem::temp_directory_path() / ("mapgen_bench." + std::to_string(getpid()) + ".map")).string();
  return path;
}

void BM_Mapgen(benchmark::State& state) {
  for (auto _ : state)
    if (run({kMapgen, kSubject, "-o", mapFile()}) != 0) state.SkipWithError("mapgen failed");
  state.counters["map_bytes"] = static_cast<double>(std::filesystem::file_size(mapFile()));
  state.counters["executable_bytes"] = static_cast<double>(std::filesystem::file_size(kSubject));
}
BENCHMARK(BM_Mapgen)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadExecutable(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(rv::ReadFileBytes(kSubject).size());
}
BENCHMARK(BM_ReadExecutable)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StartMapgen(benchmark::State& state) {
  for (auto _ : state)
    if (run({kMapgen}) != 2) state.SkipWithError("mapgen didn't start");
}
BENCHMARK(BM_StartMapgen)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  const int result = rvbench::RunAndCompare(
      argc, argv,
      {{"mapgen vs reading the executable", "BM_Mapgen/real_time", "BM_ReadExecutable/real_time", 0},
       {"mapgen vs starting mapgen", "BM_Mapgen/real_time", "BM_StartMapgen/real_time", 0}});
  std::error_code ignored;
  std::filesystem::remove(mapFile(), ignored);
  return result;
}
