// The event log against the system calls doing the same work: reading
// records in order through the component against pread of the same bytes,
// message texts from a known message file against formatting from a table
// in memory, and writing an entry against a flocked append of the record.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/support/Compare.h"
#include "bench/support/Scratch.h"
#include "monitors/LogNT.h"
#include "platform/os/EventLog.h"
#include "platform/os/MessageTable.h"
#include "platform/os/Registry.h"

namespace {

constexpr int kRecords = 100000;

// The store and registry below the scratch folder, with a filled log.
struct Setup {
  Setup() {
    std::filesystem::remove_all(Folder);
    rv::SetEventLogRoot(&Logs);
    rv::SetRegistryRoot(&Registry);
    std::filesystem::create_directories(Folder);
    std::ofstream(Folder + "/bench.msg") << "MessageId=7\nDisk %1 is %2 percent full.%nCheck it.\n.\n";
    rv::TRegistry registry;
    registry.SetRootKey(rv::HKEY_LOCAL_MACHINE);
    registry.OpenKey(rv::EventLogKey("Filled", "Bench"), true);
    registry.WriteExpandString("EventMessageFile", Folder + "/bench.msg");
    rv::TEventRecordFields fields;
    fields.SourceName = "Bench";
    fields.ComputerName = "HOST";
    fields.EventID = 7;
    fields.Strings = {"/home", "93"};
    for (int i = 0; i < kRecords; ++i) rv::AppendEventRecord("Filled", fields);
    Record = rv::BuildEventRecord(fields);
  }
  std::string Folder = rvbench::ScratchDir() + "/eventlog";
  rv::TEventLogRoot Logs{Folder + "/logs"};
  rv::TRegistryRoot Registry{Folder + "/registry"};
  std::string Record;
};

Setup& setup() {
  static Setup s;
  return s;
}

void BM_OursRead(benchmark::State& state) {
  setup();
  rv::TQVNTEventLog log(nullptr);
  log.SetLog("Filled");
  log.Open();
  int index = 0;
  for (auto _ : state) {
    log.ReadEvent(index);
    benchmark::DoNotOptimize(log.GetEventID());
    benchmark::DoNotOptimize(log.GetEventString(0));
    index = (index + 1) % kRecords;
  }
  state.SetItemsProcessed(state.iterations());
}

void BM_RawRead(benchmark::State& state) {
  const std::string path = setup().Logs.Folders()[0] + "/filled.evt";
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const std::size_t size = setup().Record.size();
  std::vector<char> buffer(size);
  off_t at = 48;
  int index = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(pread(fd, buffer.data(), size, at));
    at += static_cast<off_t>(size);
    if (++index == kRecords) index = 0, at = 48;
  }
  close(fd);
  state.SetItemsProcessed(state.iterations());
}

void BM_OursMessage(benchmark::State& state) {
  setup();
  rv::TQVNTEventLog log(nullptr);
  log.SetLog("Filled");
  log.Open();
  log.ReadEvent(0);
  for (auto _ : state) benchmark::DoNotOptimize(log.GetEventMessageText());
  state.SetItemsProcessed(state.iterations());
}

void BM_TableMessage(benchmark::State& state) {
  const auto table = rv::TMessageTable::Parse("MessageId=7\nDisk %1 is %2 percent full.%nCheck it.\n.\n");
  const std::vector<std::string> inserts = {"/home", "93"};
  for (auto _ : state) benchmark::DoNotOptimize(rv::FormatMessageText(*table.Find(7), inserts));
  state.SetItemsProcessed(state.iterations());
}

void BM_OursWrite(benchmark::State& state) {
  setup();
  rv::TQVNTEventLog log(nullptr);
  log.SetSource("Writer");
  for (auto _ : state) log.WriteToEventLog("a line of text for the log", rv::EVENTLOG_INFORMATION_TYPE, 0, 1);
  state.SetItemsProcessed(state.iterations());
}

void BM_RawWrite(benchmark::State& state) {
  const std::string path = setup().Folder + "/raw.evt";
  rv::TEventRecordFields fields;
  fields.SourceName = "Writer";
  fields.ComputerName = "HOST";
  fields.Strings = {"a line of text for the log"};
  const std::string record = rv::BuildEventRecord(fields);
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    flock(fd, LOCK_EX);
    benchmark::DoNotOptimize(write(fd, record.data(), record.size()));
    close(fd);
  }
  state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_OursRead);
BENCHMARK(BM_RawRead);
BENCHMARK(BM_OursMessage);
BENCHMARK(BM_TableMessage);
BENCHMARK(BM_OursWrite);
BENCHMARK(BM_RawWrite);

}  // namespace

int main(int argc, char** argv) {
  // The message ratio's target is "at most 2x the time": a throughput ratio
  // of at least 0.5.
  return rvbench::RunAndCompare(
      argc, argv,
      {{"reading in order: ReadEvent / pread", "BM_OursRead", "BM_RawRead", 0.5},
       {"message text: known file / table in memory", "BM_OursMessage", "BM_TableMessage", 0.5},
       {"writing: WriteToEventLog / flocked append", "BM_OursWrite", "BM_RawWrite", 0.8}});
}
