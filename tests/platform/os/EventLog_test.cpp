#include "platform/os/EventLog.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <fstream>

#include "platform/os/EventLogFile.h"
#include "tests/support/Environment.h"
#include "tests/support/EventLogStore.h"
#include "tests/support/Helpers.h"

using namespace rv;

namespace {

struct Store : rvtest::EventLogStore {
  void Write(const std::string& Log, const std::vector<std::string>& Strings, std::uint32_t Id = 1) {
    TEventRecordFields fields;
    fields.SourceName = "Test";
    fields.ComputerName = "HOST";
    fields.EventID = Id;
    fields.Strings = Strings;
    ASSERT_EQ(AppendEventRecord(Log, fields), ERROR_SUCCESS);
  }
  TEventLogHandle Open(const std::string& Log = "Application") {
    TEventLogHandle handle;
    EXPECT_EQ(OpenEventLog("", Log, handle), ERROR_SUCCESS);
    return handle;
  }
};

// Reads one record by number; the error code, and the record when it came.
long ReadOne(TEventLogReader& Log, std::uint32_t Flags, std::uint32_t Number, TEventRecordFields* Out = nullptr) {
  std::uint32_t read = 0, needed = 0;
  long error = ReadEventLog(Log, Flags, Number, nullptr, 0, read, needed);
  if (error != ERROR_INSUFFICIENT_BUFFER) return error;
  std::string buffer(needed, '\0');
  error = ReadEventLog(Log, Flags, Number, buffer.data(), needed, read, needed);
  if (error == ERROR_SUCCESS && Out) *Out = *ParseEventRecord(buffer);
  return error;
}

constexpr std::uint32_t kSeek = EVENTLOG_SEEK_READ | EVENTLOG_FORWARDS_READ;
constexpr std::uint32_t kNext = EVENTLOG_SEQUENTIAL_READ | EVENTLOG_FORWARDS_READ;
constexpr std::uint32_t kPrevious = EVENTLOG_SEQUENTIAL_READ | EVENTLOG_BACKWARDS_READ;

}  // namespace

TEST(EventLogRecord, BuildsAndParsesTheClassicLayout) {
  TEventRecordFields fields;
  fields.RecordNumber = 7;
  fields.TimeGenerated = 86400;
  fields.EventID = 0xC0000005;
  fields.EventType = EVENTLOG_WARNING_TYPE;
  fields.SourceName = "Quelle ü";
  fields.ComputerName = "PC";
  fields.UserSid = UnixUserSid(1000);
  fields.Strings = {"one", "", "drei 𝄞"};
  fields.Data = "xyz";
  const std::string bytes = BuildEventRecord(fields);
  ASSERT_EQ(bytes.size() % 4, 0u);
  EVENTLOGRECORD head;
  std::memcpy(&head, bytes.data(), sizeof head);
  EXPECT_EQ(head.Length, bytes.size());
  EXPECT_EQ(head.Reserved, kEventRecordSignature);
  EXPECT_EQ(head.NumStrings, 3);
  // The source name begins right after the header, the computer follows it.
  EXPECT_EQ(bytes.substr(56, 4), std::string("Q\0u\0", 4));
  auto back = ParseEventRecord(bytes);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->SourceName, fields.SourceName);
  EXPECT_EQ(back->ComputerName, "PC");
  EXPECT_EQ(back->Strings, fields.Strings);
  EXPECT_EQ(back->Data, "xyz");
  EXPECT_EQ(SidToString(back->UserSid), "S-1-22-1-1000");
}

TEST(EventLogRecord, DamagedRecordsAreRefused) {
  TEventRecordFields fields;
  fields.SourceName = "S";
  fields.Strings = {"a", "b"};
  const std::string good = BuildEventRecord(fields);
  const auto patched = [&](std::size_t offset, std::uint32_t value) {
    std::string bytes = good;
    std::memcpy(bytes.data() + offset, &value, 4);
    return bytes;
  };
  const std::uint32_t length = static_cast<std::uint32_t>(good.size());
  const struct {
    const char* what;
    std::string bytes;
  } cases[] = {
      {"truncated", good.substr(0, good.size() - 4)},
      {"length past the bytes", patched(0, length + 4)},
      {"signature", patched(4, 0)},
      {"closing length", patched(length - 4, 8)},
      {"string offset outside", patched(36, length)},
      {"sid outside", patched(40, 16)},
      {"data outside", patched(48, 0x7FFFFFFF)},
      {"one string too many",
       [&] {
         std::string bytes = good;
         bytes[26] = 3;
         return bytes;
       }()},
  };
  EXPECT_TRUE(IsSoundEventRecord(good));
  for (const auto& c : cases) {
    EXPECT_FALSE(IsSoundEventRecord(c.bytes)) << c.what;
    EXPECT_FALSE(ParseEventRecord(c.bytes)) << c.what;
  }
  // The offsets of empty parts may point anywhere.
  const auto emptyParts = ParseEventRecord(patched(52, 0xFFFFFFF0).replace(44, 4, "\xF0\xFF\xFF\xFF"));
  ASSERT_TRUE(emptyParts);
  EXPECT_EQ(emptyParts->UserSid, "");
  EXPECT_EQ(emptyParts->Data, "");
}

TEST(EventLog, RecordsAreNumberedFromOneAndReadInEveryDirection) {
  Store store;
  auto log = store.Open();
  std::uint32_t count = 99, oldest = 99;
  EXPECT_EQ(GetNumberOfEventLogRecords(*log, count), ERROR_SUCCESS);
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(ReadOne(*log, kNext, 0), ERROR_HANDLE_EOF);
  for (const char* text : {"a", "b", "c"}) store.Write("Application", {text});
  EXPECT_EQ(GetNumberOfEventLogRecords(*log, count), ERROR_SUCCESS);
  EXPECT_EQ(GetOldestEventLogRecord(*log, oldest), ERROR_SUCCESS);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(oldest, 1u);

  TEventRecordFields record;
  EXPECT_EQ(ReadOne(*log, kSeek, 2, &record), ERROR_SUCCESS);
  EXPECT_EQ(record.RecordNumber, 2u);
  EXPECT_EQ(record.Strings[0], "b");
  EXPECT_EQ(ReadOne(*log, kNext, 0, &record), ERROR_SUCCESS);
  EXPECT_EQ(record.Strings[0], "c");
  EXPECT_EQ(ReadOne(*log, kNext, 0), ERROR_HANDLE_EOF);
  EXPECT_EQ(ReadOne(*log, kPrevious, 0, &record), ERROR_SUCCESS);
  EXPECT_EQ(record.Strings[0], "b");
  EXPECT_EQ(ReadOne(*log, kPrevious, 0, &record), ERROR_SUCCESS);
  EXPECT_EQ(ReadOne(*log, kPrevious, 0), ERROR_HANDLE_EOF);
  // The direction of a seek read doesn't change which record comes.
  EXPECT_EQ(ReadOne(*log, EVENTLOG_SEEK_READ | EVENTLOG_BACKWARDS_READ, 3, &record), ERROR_SUCCESS);
  EXPECT_EQ(record.RecordNumber, 3u);
  EXPECT_EQ(ReadOne(*log, kSeek, 4), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ReadOne(*log, kSeek, 0), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(ReadOne(*log, EVENTLOG_SEEK_READ | EVENTLOG_SEQUENTIAL_READ | EVENTLOG_FORWARDS_READ, 1),
            ERROR_INVALID_PARAMETER);
}

TEST(EventLog, ShortBufferTellsTheSizeAndLargeOneTakesSeveralRecords) {
  Store store;
  for (const char* text : {"a", "b", "c"}) store.Write("Application", {text});
  auto log = store.Open();
  std::uint32_t read = 0, needed = 0;
  char small[8];
  EXPECT_EQ(ReadEventLog(*log, kSeek, 1, small, sizeof small, read, needed), ERROR_INSUFFICIENT_BUFFER);
  EXPECT_EQ(read, 0u);
  std::string buffer(needed * 3, '\0');
  ASSERT_EQ(ReadEventLog(*log, kSeek, 1, buffer.data(), needed * 3, read, needed), ERROR_SUCCESS);
  EXPECT_EQ(read, buffer.size());
}

TEST(EventLog, ServersOtherThanThisMachineAreUnavailable) {
  Store store;
  TEventLogHandle handle;
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  for (const std::string& local : std::vector<std::string>{"", ".", "localhost", std::string("\\\\") + host})
    EXPECT_EQ(OpenEventLog(local, "Application", handle), ERROR_SUCCESS) << local;
  EXPECT_EQ(OpenEventLog("\\\\elsewhere-7f3a", "Application", handle), RPC_S_SERVER_UNAVAILABLE);
  EXPECT_FALSE(handle);
  TEventSourceHandle source;
  EXPECT_EQ(RegisterEventSource("elsewhere-7f3a", "Me", source), RPC_S_SERVER_UNAVAILABLE);
  for (const char* bad : {"", "../x", "a/b", ".."})
    EXPECT_EQ(OpenEventLog("", bad, handle), ERROR_INVALID_PARAMETER) << bad;
}

TEST(EventLog, ReportEventWritesUserAndComputerUnderTheRegisteredLog) {
  Store store;
  TRegistry registry;
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry.CreateKey(EventLogKey("Setup", "Installer")));
  TEventSourceHandle source;
  ASSERT_EQ(RegisterEventSource("", "Installer", source), ERROR_SUCCESS);
  EXPECT_EQ(source->Log(), "Setup");
  ASSERT_EQ(ReportEvent(*source, EVENTLOG_ERROR_TYPE, 3, 42, "", {"went wrong"}, ""), ERROR_SUCCESS);
  DeregisterEventSource(source);
  auto log = store.Open("setup");
  TEventRecordFields record;
  ASSERT_EQ(ReadOne(*log, kSeek, 1, &record), ERROR_SUCCESS);
  EXPECT_EQ(record.SourceName, "Installer");
  EXPECT_EQ(record.EventID, 42u);
  EXPECT_EQ(record.EventCategory, 3);
  EXPECT_EQ(SidToString(record.UserSid), "S-1-22-1-" + std::to_string(geteuid()));
  EXPECT_FALSE(record.ComputerName.empty());
  EXPECT_NE(record.TimeGenerated, 0u);
  ASSERT_EQ(RegisterEventSource("", "Unknown", source), ERROR_SUCCESS);
  EXPECT_EQ(source->Log(), "Application");
}

TEST(EventLog, OldestRecordsGiveWayAtTheMaximumSize) {
  Store store;
  TRegistry registry;
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry.OpenKey(EventLogKey("Small"), true));
  registry.WriteInteger("MaxSize", 4096);
  for (int i = 1; i <= 100; ++i) store.Write("Small", {"entry " + std::to_string(i)});
  auto log = store.Open("Small");
  std::uint32_t count = 0, oldest = 0;
  GetNumberOfEventLogRecords(*log, count);
  GetOldestEventLogRecord(*log, oldest);
  EXPECT_GT(oldest, 1u);
  EXPECT_EQ(oldest + count, 101u);
  TEventRecordFields record;
  ASSERT_EQ(ReadOne(*log, kSeek, oldest, &record), ERROR_SUCCESS);
  EXPECT_EQ(record.Strings[0], "entry " + std::to_string(oldest));
  ASSERT_EQ(ReadOne(*log, kSeek, 100, &record), ERROR_SUCCESS);
  EXPECT_EQ(record.Strings[0], "entry 100");
  std::ifstream file(store.Dir.File("small.evt"), std::ios::ate);
  EXPECT_LE(file.tellg(), 4096);
  EXPECT_EQ(ReadOne(*log, kSeek, oldest - 1), ERROR_INVALID_PARAMETER);
}

TEST(EventLog, AReaderFollowsTheLogWhileItGrowsAndShrinks) {
  Store store;
  auto log = store.Open("Small");  // opened before the file exists
  TRegistry registry;
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry.OpenKey(EventLogKey("Small"), true));
  registry.WriteInteger("MaxSize", 2048);
  TEventRecordFields record;
  for (std::uint32_t i = 1; i <= 60; ++i) {
    store.Write("Small", {std::to_string(i)});
    ASSERT_EQ(ReadOne(*log, kSeek, i, &record), ERROR_SUCCESS) << i;
    EXPECT_EQ(record.Strings[0], std::to_string(i));
  }
}

TEST(EventLog, ACorruptRecordFailsAloneAndNothingIsReadOutOfBounds) {
  Store store;
  for (const char* text : {"a", "b", "c"}) store.Write("Application", {text});
  const std::string path = store.Dir.File("application.evt");
  std::string bytes = rvtest::ReadFile(path);
  std::uint32_t first;
  std::memcpy(&first, bytes.data() + 48, 4);
  // Record 2's string offset points past its end.
  std::string damaged = bytes;
  const std::uint32_t outside = 0xFFFF;
  std::memcpy(damaged.data() + 48 + first + 36, &outside, 4);
  rvtest::WriteFile(path, damaged);
  auto reopened = store.Open();
  EXPECT_EQ(ReadOne(*reopened, kSeek, 1), ERROR_SUCCESS);
  EXPECT_EQ(ReadOne(*reopened, kSeek, 2), ERROR_EVENTLOG_FILE_CORRUPT);
  EXPECT_EQ(ReadOne(*reopened, kSeek, 3), ERROR_SUCCESS);
  // A length that runs off the file leaves every record from it unreadable.
  damaged = bytes;
  const std::uint32_t huge = 0x7FFFFFF0;
  std::memcpy(damaged.data() + 48 + first, &huge, 4);
  rvtest::WriteFile(path, damaged);
  reopened = store.Open();
  EXPECT_EQ(ReadOne(*reopened, kSeek, 1), ERROR_SUCCESS);
  EXPECT_EQ(ReadOne(*reopened, kSeek, 2), ERROR_EVENTLOG_FILE_CORRUPT);
  EXPECT_EQ(ReadOne(*reopened, kSeek, 3), ERROR_EVENTLOG_FILE_CORRUPT);
  // A truncated last record.
  rvtest::WriteFile(path, bytes.substr(0, bytes.size() - 6));
  reopened = store.Open();
  EXPECT_EQ(ReadOne(*reopened, kSeek, 3), ERROR_EVENTLOG_FILE_CORRUPT);
  // A header claiming more than the file holds reads no length past the end,
  // and writers leave the file alone.
  damaged = bytes;
  const std::uint32_t farEnd = 0x7FFFFFFF;
  std::memcpy(damaged.data() + 20, &farEnd, 4);
  std::memcpy(damaged.data() + 48 + first, &huge, 4);
  rvtest::WriteFile(path, damaged);
  reopened = store.Open();
  std::uint32_t read = 0, needed = 0;
  EXPECT_EQ(ReadEventLog(*reopened, kSeek, 2, nullptr, 0, read, needed), ERROR_EVENTLOG_FILE_CORRUPT);
  EXPECT_EQ(needed, 0u);
  EXPECT_EQ(AppendEventRecord("Application", TEventRecordFields()), ERROR_EVENTLOG_FILE_CORRUPT);
  // A damaged file header: nothing is read, and writers leave it alone.
  damaged = bytes;
  damaged[4] = 'X';
  rvtest::WriteFile(path, damaged);
  reopened = store.Open();
  std::uint32_t count = 0;
  EXPECT_EQ(GetNumberOfEventLogRecords(*reopened, count), ERROR_EVENTLOG_FILE_CORRUPT);
  TEventRecordFields fields;
  EXPECT_EQ(AppendEventRecord("Application", fields), ERROR_EVENTLOG_FILE_CORRUPT);
  EXPECT_EQ(rvtest::ReadFile(path), damaged);
}

TEST(EventLog, ConcurrentWritersInTwoProcessesKeepTheLogWhole) {
  Store store;
  rvtest::ChildProcess a(rvtest::HelperPath("eventlog_writer"), {store.Dir.Path(), "Busy", "first", "300"});
  rvtest::ChildProcess b(rvtest::HelperPath("eventlog_writer"), {store.Dir.Path(), "Busy", "second", "300"});
  ASSERT_EQ(a.Wait(), 0);
  ASSERT_EQ(b.Wait(), 0);
  auto log = store.Open("Busy");
  std::uint32_t count = 0;
  GetNumberOfEventLogRecords(*log, count);
  ASSERT_EQ(count, 600u);
  int first = 0;
  for (std::uint32_t i = 1; i <= 600; ++i) {
    TEventRecordFields record;
    ASSERT_EQ(ReadOne(*log, kSeek, i, &record), ERROR_SUCCESS) << i;
    EXPECT_EQ(record.RecordNumber, i);
    first += record.Strings[0] == "first";
  }
  EXPECT_EQ(first, 300);
}

// Sequential reads while another process appends: every record arrives
// whole and in order, none twice, none skipped, including records written
// after the reader had looked at the log.
TEST(EventLog, AReaderFollowsAWriterInAnotherProcess) {
  Store store;
  store.Write("Busy", {"seed"});
  auto log = store.Open("Busy");
  std::uint32_t count = 0;
  ASSERT_EQ(GetNumberOfEventLogRecords(*log, count), ERROR_SUCCESS);
  rvtest::ChildProcess writer(rvtest::HelperPath("eventlog_writer"), {store.Dir.Path(), "Busy", "other", "400"});
  std::uint32_t expected = 1;
  std::string buffer(1 << 12, '\0');
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (expected <= 401 && std::chrono::steady_clock::now() < deadline) {
    std::uint32_t read = 0, needed = 0;
    const long error =
        ReadEventLog(*log, kNext, 0, buffer.data(), static_cast<std::uint32_t>(buffer.size()), read, needed);
    if (error == ERROR_HANDLE_EOF) continue;
    ASSERT_EQ(error, ERROR_SUCCESS);
    for (std::uint32_t at = 0; at < read;) {
      auto record = ParseEventRecord(std::string_view(buffer).substr(at, read - at));
      ASSERT_TRUE(record) << "record " << expected;
      ASSERT_EQ(record->RecordNumber, expected);
      ASSERT_EQ(record->Strings.size(), expected == 1 ? 1u : 2u);
      EXPECT_EQ(record->Strings[0], expected == 1 ? "seed" : "other");
      std::uint32_t length;
      std::memcpy(&length, buffer.data() + at, 4);
      at += length;
      ++expected;
    }
  }
  ASSERT_EQ(writer.Wait(), 0);
  EXPECT_EQ(expected, 402u);
  ASSERT_EQ(GetNumberOfEventLogRecords(*log, count), ERROR_SUCCESS);
  EXPECT_EQ(count, 401u);
}

// The log a source writes to follows its registration, changed by this
// process (seen at once) or by another (seen once the watcher heard it).
TEST(EventLog, SourcesFollowTheirRegistration) {
  Store store;
  const auto logOf = [] {
    TEventSourceHandle source;
    EXPECT_EQ(RegisterEventSource("", "Mover", source), ERROR_SUCCESS);
    return source ? source->Log() : "";
  };
  const auto unregister = [](const std::string& Log) {
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    ASSERT_TRUE(registry.DeleteKey(EventLogKey(Log, "Mover")));
  };
  EXPECT_EQ(logOf(), "Application");
  store.RegisterSource("System", "Mover", "");
  EXPECT_EQ(logOf(), "System");
  unregister("System");
  store.RegisterSource("Security", "Mover", "");
  EXPECT_EQ(logOf(), "Security");
  {
    // Another process's view of the same store.
    TRegistryRoot other(store.Registry.Dir.Path());
    TServiceScope<TRegistryRoot> scope(SetRegistryRoot, other);
    unregister("Security");
  }
  EXPECT_TRUE(test::PollUntil([&] { return logOf() == "Application"; }));
}

TEST(EventLog, ListsTheLogsOfTheStore) {
  Store store;
  store.Write("Application", {"x"});
  store.Write("System", {"y"});
  EXPECT_EQ(EventLogNames(), (std::vector<std::string>{"application", "system"}));
}
