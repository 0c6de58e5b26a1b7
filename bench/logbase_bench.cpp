// Records per second of WriteAsString in both forms against the raw system
// calls doing the same work under the same file lock, and the aggregate rate
// of several threads and of two processes on one file.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/support/Compare.h"
#include "bench/support/Scratch.h"
#include "core/LogBase.h"

namespace {

const std::string kValue(80, 'v');
const std::string kXmlRecord = "  <R>" + kValue + "\r\n  </R>\r\n</DATA>";

std::string scratchFile(const char* name) {
  std::string path = rvbench::ScratchDir() + "/" + name;
  std::filesystem::remove(path);
  return path;
}

rv::TQVLogBase& logFor(const std::string& path, rv::TQVLogFormatting form) {
  static rv::TQVLogBase log(nullptr);
  log.SetFormatting(form);
  log.SetLogFile(path);
  return log;
}

void BM_OursText(benchmark::State& state) {
  auto& log = logFor(scratchFile("ours.log"), rv::qvlfText);
  for (auto _ : state) log.WriteAsString("R", kValue);
  state.SetItemsProcessed(state.iterations());
}

void BM_RawText(benchmark::State& state) {
  const std::string path = scratchFile("raw.log");
  for (auto _ : state) {
    int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    flock(fd, LOCK_EX);
    benchmark::DoNotOptimize(write(fd, kValue.data(), kValue.size()));
    close(fd);
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_OursXml(benchmark::State& state) {
  static std::string path;
  if (state.thread_index() == 0) path = scratchFile("ours.xml");
  auto& log = logFor(path, rv::qvlfXML);
  for (auto _ : state) log.WriteAsString("R", kValue);
  state.SetItemsProcessed(state.iterations());
}

void rawXmlRecord(const std::string& path) {
  int fd = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  flock(fd, LOCK_EX);
  struct stat st {};
  fstat(fd, &st);
  char tail[512];
  off_t from = st.st_size > static_cast<off_t>(sizeof tail) ? st.st_size - static_cast<off_t>(sizeof tail) : 0;
  ssize_t n = pread(fd, tail, sizeof tail, from);
  off_t at = st.st_size;
  for (ssize_t i = n - 1; i >= 0; --i)
    if (tail[i] == '<') {
      at = from + i;
      break;
    }
  benchmark::DoNotOptimize(pwrite(fd, kXmlRecord.data(), kXmlRecord.size(), at));
  close(fd);
}

void BM_RawXml(benchmark::State& state) {
  const std::string path = scratchFile("raw.xml");
  rawXmlRecord(path);
  for (auto _ : state) rawXmlRecord(path);
  state.SetItemsProcessed(state.iterations());
}

// The first XML record into a large file without any '<' (a text log given
// an XML name) searches the whole file; the baseline reads it whole and
// looks for the last '<' with memrchr.
constexpr std::size_t kUntaggedSize = 8 << 20;

void untaggedFile(benchmark::State& state, const std::string& path) {
  state.PauseTiming();
  static const std::string bulk(kUntaggedSize, 'x');
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  benchmark::DoNotOptimize(write(fd, bulk.data(), bulk.size()));
  close(fd);
  state.ResumeTiming();
}

void BM_OursXmlUntagged(benchmark::State& state) {
  const std::string path = scratchFile("untagged-ours.xml");
  auto& log = logFor(path, rv::qvlfXML);
  for (auto _ : state) {
    untaggedFile(state, path);
    log.WriteAsString("R", kValue);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kUntaggedSize));
}

void BM_RawXmlUntagged(benchmark::State& state) {
  const std::string path = scratchFile("untagged-raw.xml");
  std::string content(kUntaggedSize, '\0');
  for (auto _ : state) {
    untaggedFile(state, path);
    int fd = open(path.c_str(), O_RDWR | O_CLOEXEC);
    flock(fd, LOCK_EX);
    const ssize_t n = pread(fd, content.data(), content.size(), 0);
    const void* tag = memrchr(content.data(), '<', static_cast<std::size_t>(n));
    const off_t at = tag ? static_cast<const char*>(tag) - content.data() : n;
    benchmark::DoNotOptimize(pwrite(fd, kXmlRecord.data(), kXmlRecord.size(), at));
    close(fd);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kUntaggedSize));
}

// Two processes of four threads each append to one XML file; the rate counts
// the records of both.
void BM_OursXmlTwoProcesses(benchmark::State& state) {
  constexpr int kThreads = 4;
  constexpr int kRecords = 5000;
  const std::string path = scratchFile("procs.xml");
  auto writeAll = [&] {
    auto& log = logFor(path, rv::qvlfXML);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t)
      workers.emplace_back([&] {
        for (int r = 0; r < kRecords; ++r) log.WriteAsString("R", kValue);
      });
    for (auto& w : workers) w.join();
  };
  for (auto _ : state) {
    auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) {
      writeAll();
      _exit(0);
    }
    writeAll();
    int status = 0;
    waitpid(child, &status, 0);
    state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
  }
  state.SetItemsProcessed(state.iterations() * 2 * kThreads * kRecords);
}

BENCHMARK(BM_OursText);
BENCHMARK(BM_RawText);
BENCHMARK(BM_OursXml)->Threads(1)->Threads(4)->UseRealTime();
BENCHMARK(BM_RawXml);
BENCHMARK(BM_OursXmlUntagged);
BENCHMARK(BM_RawXmlUntagged);
BENCHMARK(BM_OursXmlTwoProcesses)->UseManualTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
  return rvbench::RunAndCompare(
      argc, argv,
      {{"text records: WriteAsString / raw", "BM_OursText", "BM_RawText", 0.85},
       {"XML records: WriteAsString / raw", "BM_OursXml/real_time/threads:1", "BM_RawXml", 0.85},
       {"XML record after 8 MB without a tag: WriteAsString / raw", "BM_OursXmlUntagged", "BM_RawXmlUntagged", 0.5},
       {"XML, 4 threads / 1 thread", "BM_OursXml/real_time/threads:4", "BM_OursXml/real_time/threads:1", 0.8},
       {"XML, 2 processes x 4 threads / 1 thread", "BM_OursXmlTwoProcesses/iterations:3/manual_time",
        "BM_OursXml/real_time/threads:1", 0.8}});
}
