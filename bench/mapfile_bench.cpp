// The map file reader on a map of 200,000 lines: loading it against reading
// its lines into a string list, and a lookup against the map rules applied
// line by line (which the lookups must agree with: checked before the runs).

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/support/Compare.h"
#include "exception/QVMapFile.h"
#include "tests/exception/mapfixture/MapRules.h"

namespace {

constexpr int kUnits = 500;
constexpr int kPublicsPerUnit = 20;
constexpr int kTotalLines = 200000;

struct TBenchMap {
  std::string Path =
      (std::filesystem::temp_directory_path() / ("mapfile_bench." + std::to_string(getpid()) + ".map")).string();
  std::uint32_t CodeEnd = 0;
  int Lines = 0;
  ~TBenchMap() {
    std::error_code ignored;
    std::filesystem::remove(Path, ignored);
  }
};

void addLine(std::string& text, int& lines, const std::string& line) {
  text += line;
  text += "\r\n";
  ++lines;
}

// A map laid out as mapgen writes them: units of a few hundred entry lines
// each, with entries a few bytes apart.
const TBenchMap& benchMap() {
  static const TBenchMap map = [] {
    TBenchMap m;
    constexpr int kHeaderLines = 8 + kUnits + 2 * kUnits * kPublicsPerUnit + 3 * kUnits + 10;
    const int entryLinesPerUnit = (kTotalLines - kHeaderLines) / kUnits;
    const std::uint32_t unitSize = static_cast<std::uint32_t>(entryLinesPerUnit) * 4 * 8;
    std::string text, publics;
    char line[128];
    int& n = m.Lines;
    addLine(text, n, "");
    addLine(text, n, "Detailed map of segments");
    addLine(text, n, "");
    for (int u = 0; u < kUnits; ++u) {
      std::snprintf(line, sizeof line, " 0001:%08X %08X C=CODE     S=.text    G=(none)   M=Unit%03d ACBP=A9",
                    u * unitSize, unitSize, u);
      addLine(text, n, line);
    }
    for (int u = 0; u < kUnits; ++u)
      for (int p = 0; p < kPublicsPerUnit; ++p) {
        std::snprintf(line, sizeof line, " 0001:%08X       Unit%03d::Procedure%02d(int, char const*)",
                      u * unitSize + static_cast<std::uint32_t>(p) * (unitSize / kPublicsPerUnit), u, p);
        publics += line;
        publics += "\r\n";
      }
    addLine(text, n, "");
    addLine(text, n, "  Address         Publics by Name");
    addLine(text, n, "");
    text += publics;  // the by-name table; its order doesn't matter to the reader
    n += kUnits * kPublicsPerUnit;
    addLine(text, n, "");
    addLine(text, n, "  Address         Publics by Value");
    addLine(text, n, "");
    addLine(text, n, "");
    text += publics;
    n += kUnits * kPublicsPerUnit;
    int sourceLine = 1;
    for (int u = 0; u < kUnits; ++u) {
      addLine(text, n, "");
      std::snprintf(line, sizeof line, "Line numbers for Unit%03d(Unit%03d.cpp) segment .text", u, u);
      addLine(text, n, line);
      addLine(text, n, "");
      std::uint32_t offset = u * unitSize;
      for (int l = 0; l < entryLinesPerUnit; ++l) {
        std::string entries;
        for (int e = 0; e < 4; ++e, offset += 8) {
          std::snprintf(line, sizeof line, "%6d 0001:%08X", sourceLine++ % 999999 + 1, offset);
          entries += line;
        }
        addLine(text, n, entries);
      }
    }
    while (n < kTotalLines) addLine(text, n, "");
    m.CodeEnd = kUnits * unitSize;
    std::ofstream(m.Path, std::ios::binary) << text;
    return m;
  }();
  return map;
}

std::vector<std::uint64_t> randomAddresses(std::size_t count) {
  std::mt19937 random(42);
  std::uniform_int_distribution<std::uint64_t> pick(0x00401000 - 0x100, 0x00401000 + benchMap().CodeEnd + 0x100);
  std::vector<std::uint64_t> addresses(count);
  for (std::uint64_t& address : addresses) address = pick(random);
  return addresses;
}

void BM_ReadLines(benchmark::State& state) {
  for (auto _ : state) {
    rv::TStringList lines;
    lines.LoadFromFile(benchMap().Path);
    benchmark::DoNotOptimize(lines.Count());
  }
}
BENCHMARK(BM_ReadLines)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadMap(benchmark::State& state) {
  for (auto _ : state) {
    rv::TQVMapFile map;
    map.SetMapFileName(benchMap().Path);
    map.LoadMapFile();
    benchmark::DoNotOptimize(map.LineNumberLines()->Count());
  }
}
BENCHMARK(BM_LoadMap)->Unit(benchmark::kMillisecond)->UseRealTime();

// The first lookup after loading, which finds the unit's section afresh.
void BM_FirstLookup(benchmark::State& state) {
  const std::vector<std::uint64_t> addresses = randomAddresses(64);
  std::size_t next = 0;
  for (auto _ : state) {
    rv::TQVMapFile map;
    map.SetMapFileName(benchMap().Path);
    map.LoadMapFile();
    const auto start = std::chrono::steady_clock::now();
    map.LoadExceptionData(reinterpret_cast<const void*>(addresses[next++ % addresses.size()]));
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
}
BENCHMARK(BM_FirstLookup)->Unit(benchmark::kMicrosecond)->UseManualTime()->Iterations(64);

template <bool Indexed>
void BM_Lookup(benchmark::State& state) {
  rv::TQVMapFile map;
  map.SetMapFileName(benchMap().Path);
  map.LoadMapFile();
  const std::vector<std::uint64_t> addresses = randomAddresses(4096);
  std::size_t next = 0;
  for (auto _ : state) {
    const std::uint64_t address = addresses[next++ % addresses.size()];
    if constexpr (Indexed)
      benchmark::DoNotOptimize(rvtest::LookUp(map, address));
    else
      benchmark::DoNotOptimize(rvtest::LookUpLinearly(map, address));
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Lookup<true>)->Name("BM_Lookup")->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Lookup<false>)->Name("BM_LinearLookup")->Unit(benchmark::kMicrosecond);

// Every lookup the benchmark times must give what the rules give.
bool lookupsAgree() {
  rv::TQVMapFile map;
  map.SetMapFileName(benchMap().Path);
  map.LoadMapFile();
  const std::vector<std::uint64_t> addresses = randomAddresses(1000);
  for (std::uint64_t address : addresses)
    if (!(rvtest::LookUp(map, address) == rvtest::LookUpLinearly(map, address))) {
      std::fprintf(stderr, "lookups disagree at address 0x%llx\n", static_cast<unsigned long long>(address));
      return false;
    }
  std::printf("map of %d lines: indexed and line-by-line lookups agree on %zu random addresses\n", benchMap().Lines,
              addresses.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!lookupsAgree()) return 1;
  return rvbench::RunAndCompare(
      argc, argv,
      {{"load map vs read its lines (at most 2x: >= 0.5)", "BM_LoadMap/real_time", "BM_ReadLines/real_time", 0.5},
       {"lookup vs line-by-line rules", "BM_Lookup", "BM_LinearLookup", 0}});
}
