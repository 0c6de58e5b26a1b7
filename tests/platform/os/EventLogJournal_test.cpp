#include "platform/os/EventLogJournal.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "monitors/LogNT.h"
#include "tests/support/EventLogStore.h"

using namespace rv;

namespace {

// A journal folder made from entries in the export format.
struct JournalFolder {
  explicit JournalFolder(const std::string& Export) {
    rvtest::WriteFile(Dir.File("export.txt"), Export);
    const std::string command = "/lib/systemd/systemd-journal-remote -o " + Dir.File("j/x.journal") + " - < " +
                                Dir.File("export.txt") + " 2>/dev/null";
    std::system(("mkdir -p " + Dir.File("j")).c_str());
    Made = std::system(command.c_str()) == 0;
  }
  rvtest::TempDir Dir;
  bool Made = false;
};

std::string Entry(int Seconds, const std::string& Fields) {
  return "__REALTIME_TIMESTAMP=" + std::to_string(Seconds) +
         "000000\n__MONOTONIC_TIMESTAMP=" + std::to_string(Seconds) +
         "000\n_BOOT_ID=0123456789abcdef0123456789abcdef\n" + Fields + "\n";
}

}  // namespace

TEST(JournalLog, EntriesReadAsRecordsThroughTheComponent) {
  JournalFolder journal(Entry(86400, "MESSAGE=first\nSYSLOG_IDENTIFIER=app\n_HOSTNAME=box\nPRIORITY=3\n") +
                        Entry(90000, "MESSAGE=second\nSYSLOG_IDENTIFIER=other\nPRIORITY=4\n") +
                        Entry(90001, "MESSAGE=third\nPRIORITY=6\n"));
  ASSERT_TRUE(journal.Made);
  rvtest::RegistryStore registry;
  TEventLogRoot root(journal.Dir.File("logs"), journal.Dir.File("j"));
  TServiceScope<TEventLogRoot> scope(SetEventLogRoot, root);
  TQVNTEventLog log(nullptr);
  log.SetLog("Journal");
  log.Open();
  ASSERT_EQ(log.GetEventCount(), 3);
  const struct {
    const char* source;
    const char* computer;
    std::uint16_t type;
    double time;
    const char* message;
  } expected[] = {
      {"app", "box", EVENTLOG_ERROR_TYPE, 25570.0, "first"},
      {"other", "", EVENTLOG_WARNING_TYPE, 25570.0 + 1.0 / 24, "second"},
      {"", "", EVENTLOG_INFORMATION_TYPE, 25570.0 + 3601.0 / 86400, "third"},
  };
  for (int i = 0; i < 3; ++i) {
    log.ReadEvent(i);
    EXPECT_EQ(log.GetEventSource(), expected[i].source) << i;
    EXPECT_EQ(log.GetEventComputer(), expected[i].computer) << i;
    EXPECT_EQ(log.GetEventType(), expected[i].type) << i;
    EXPECT_DOUBLE_EQ(log.GetEventTime(), expected[i].time) << i;
    EXPECT_EQ(log.GetEventStringCount(), 1) << i;
    EXPECT_EQ(log.GetEventString(0), expected[i].message) << i;
    EXPECT_EQ(log.GetEventMessageText(), expected[i].message) << i;
  }
  EXPECT_THROW(log.SeekRecord(3), EOSError);
}

TEST(JournalLog, SequentialReadsInBothDirections) {
  JournalFolder journal(Entry(1, "MESSAGE=a\n") + Entry(2, "MESSAGE=b\n"));
  ASSERT_TRUE(journal.Made);
  TEventLogHandle handle;
  ASSERT_EQ(OpenJournalLog(journal.Dir.File("j"), handle), ERROR_SUCCESS);
  const auto next = [&](std::uint32_t Flags) {
    std::string buffer(4096, '\0');
    std::uint32_t read = 0, needed = 0;
    const long error = handle->Read(EVENTLOG_SEQUENTIAL_READ | Flags, 0, buffer.data(), 4096, read, needed);
    return error == ERROR_SUCCESS ? ParseEventRecord(buffer)->Strings[0] : "error " + std::to_string(error);
  };
  EXPECT_EQ(next(EVENTLOG_FORWARDS_READ), "a");
  EXPECT_EQ(next(EVENTLOG_FORWARDS_READ), "b");
  EXPECT_EQ(next(EVENTLOG_FORWARDS_READ), "error 38");
  EXPECT_EQ(next(EVENTLOG_BACKWARDS_READ), "a");
}
