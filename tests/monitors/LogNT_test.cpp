#include "monitors/LogNT.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "platform/classes/FormFile.h"
#include "tests/support/Environment.h"
#include "tests/support/EventLogStore.h"

using namespace rv;

namespace {

struct Fixture : rvtest::EventLogStore {
  Fixture() { Log->SetSource("Tester"); }
  // Writes entries under Source ("Tester") into "Application".
  void Write(int Count, std::uint32_t Id = 7) {
    for (int i = 0; i < Count; ++i) Log->WriteToEventLog("entry " + std::to_string(i), EVENTLOG_WARNING_TYPE, 3, Id);
  }
  std::unique_ptr<TQVNTEventLog> Log = std::make_unique<TQVNTEventLog>(nullptr);
};

int ErrorOf(const std::function<void()>& Action) {
  try {
    Action();
  } catch (const EOSError& e) {
    return e.ErrorCode();
  }
  return 0;
}

}  // namespace

TEST(QVNTEventLog, ClosedComponentCountsNothingAndHasNoRecord) {
  Fixture f;
  f.Write(2);
  EXPECT_EQ(f.Log->Log(), "Application");
  EXPECT_EQ(f.Log->GetEventCount(), 0);
  EXPECT_EQ(f.Log->GetEventSource(), "");
  EXPECT_EQ(f.Log->GetEventSID(), nullptr);
  EXPECT_EQ(f.Log->GetEventMessageText(), "");
  f.Log->Open();
  EXPECT_EQ(f.Log->GetEventCount(), 2);
  EXPECT_EQ(f.Log->CurrentRecord(), -2);
  EXPECT_EQ(f.Log->GetEventString(0), "");
  f.Log->ReadEvent(1);
  f.Log->Close();
  EXPECT_EQ(f.Log->GetEventString(0), "");
  EXPECT_EQ(f.Log->GetEventCount(), 0);
}

TEST(QVNTEventLog, ReadsByPositionFromTheOldestRecord) {
  Fixture f;
  f.Write(3);
  f.Log->Open();
  f.Log->ReadEvent(0);
  EXPECT_EQ(f.Log->CurrentRecord(), 0);
  EXPECT_EQ(f.Log->GetEventSource(), "Tester");
  EXPECT_EQ(f.Log->GetEventID(), 7u);
  EXPECT_EQ(f.Log->GetEventType(), EVENTLOG_WARNING_TYPE);
  EXPECT_EQ(f.Log->GetEventStringCount(), 1);
  EXPECT_EQ(f.Log->GetEventString(0), "entry 0");
  EXPECT_EQ(f.Log->GetEventString(1), "");
  EXPECT_EQ(f.Log->GetEventString(-1), "");
  EXPECT_FALSE(f.Log->GetEventComputer().empty());
  ASSERT_NE(f.Log->GetEventSID(), nullptr);
  EXPECT_EQ(static_cast<const char*>(f.Log->GetEventSID())[7], 22);  // S-1-22-...

  // The same position reads nothing new; SeekRecord reads again, in either
  // direction the same record.
  std::string bytes = rvtest::ReadFile(f.Dir.File("application.evt"));
  std::string damaged = bytes;
  damaged[48 + 4] = 'X';  // the first record's signature
  rvtest::WriteFile(f.Dir.File("application.evt"), damaged);
  f.Log->ReadEvent(0);
  EXPECT_EQ(f.Log->GetEventString(0), "entry 0");
  EXPECT_EQ(ErrorOf([&] { f.Log->SeekRecord(0); }), ERROR_EVENTLOG_FILE_CORRUPT);
  rvtest::WriteFile(f.Dir.File("application.evt"), bytes);
  f.Log->SetReadBackwards(true);
  f.Log->SeekRecord(2);
  EXPECT_EQ(f.Log->GetEventString(0), "entry 2");
  EXPECT_EQ(f.Log->CurrentRecord(), 2);
}

TEST(QVNTEventLog, AFailedReadKeepsTheCurrentRecord) {
  Fixture f;
  f.Write(2);
  f.Log->Open();
  f.Log->ReadEvent(1);
  EXPECT_EQ(ErrorOf([&] { f.Log->SeekRecord(2); }), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(f.Log->CurrentRecord(), 1);
  EXPECT_EQ(f.Log->GetEventString(0), "entry 1");
}

TEST(QVNTEventLog, EventTimeIsUtcDays) {
  Fixture f;
  for (std::uint32_t seconds : {0u, 86400u, 90000u}) {
    TEventRecordFields fields;
    fields.SourceName = "Clock";
    fields.TimeGenerated = seconds;
    ASSERT_EQ(AppendEventRecord("Application", fields), ERROR_SUCCESS);
  }
  f.Log->Open();
  const double expected[] = {25569.0, 25570.0, 25570.0 + 1.0 / 24};
  for (int i = 0; i < 3; ++i) {
    f.Log->ReadEvent(i);
    EXPECT_DOUBLE_EQ(f.Log->GetEventTime(), expected[i]) << i;
  }
}

TEST(QVNTEventLog, MessageTextComesFromTheFirstFileThatHasIt) {
  Fixture f;
  rvtest::WriteFile(f.Dir.File("a.msg"), "MessageId=1\nOther message\n.\n");
  rvtest::WriteFile(f.Dir.File("b.msg"), "MessageId=7\nDisk %1 of %2 is full.%nCheck it.\n.\n");
  setenv("RV_NT_MSGDIR", f.Dir.Path().c_str(), 1);
  f.RegisterSource("Application", "Tester", "%RV_NT_MSGDIR%/missing.msg;%RV_NT_MSGDIR%/a.msg;%RV_NT_MSGDIR%/b.msg");
  f.Write(1);
  f.Log->Open();
  f.Log->ReadEvent(0);
  // %2 has no insert and stays; only the closing line break goes.
  EXPECT_EQ(f.Log->GetEventMessageText(), "Disk entry 0 of %2 is full.\r\nCheck it.");

  f.RegisterSource("Application", "Tester", f.Dir.File("a.msg"));
  EXPECT_EQ(f.Log->GetEventMessageText(), "");
  f.RegisterSource("Application", "Tester", "");
  EXPECT_EQ(f.Log->GetEventMessageText(), "");
}

// Message files are kept once read; a list changed by this process or by
// another, and a message file rewritten or replaced, give the new text.
TEST(QVNTEventLog, MessageTextFollowsChangedListsAndFiles) {
  Fixture f;
  const std::string one = f.Dir.File("one.msg");
  rvtest::WriteFile(one, "MessageId=7\nFirst %1\n.\n");
  rvtest::WriteFile(f.Dir.File("two.msg"), "MessageId=7\nSecond %1\n.\n");
  f.RegisterSource("Application", "Tester", one);
  f.Write(1);
  f.Log->Open();
  f.Log->ReadEvent(0);
  EXPECT_EQ(f.Log->GetEventMessageText(), "First entry 0");
  f.RegisterSource("Application", "Tester", f.Dir.File("two.msg"));
  EXPECT_EQ(f.Log->GetEventMessageText(), "Second entry 0");
  {
    // Another process's view of the same store.
    TRegistryRoot other(f.Registry.Dir.Path());
    TServiceScope<TRegistryRoot> scope(SetRegistryRoot, other);
    f.RegisterSource("Application", "Tester", one);
  }
  EXPECT_TRUE(test::PollUntil([&] { return f.Log->GetEventMessageText() == "First entry 0"; }));
  rvtest::WriteFile(one, "MessageId=7\nRewritten %1\n.\n");
  EXPECT_TRUE(test::PollUntil([&] { return f.Log->GetEventMessageText() == "Rewritten entry 0"; }));
  rvtest::WriteFile(f.Dir.File("new.msg"), "MessageId=7\nReplaced %1\n.\n");
  ASSERT_EQ(std::rename(f.Dir.File("new.msg").c_str(), one.c_str()), 0);
  EXPECT_TRUE(test::PollUntil([&] { return f.Log->GetEventMessageText() == "Replaced entry 0"; }));
  std::remove(one.c_str());
  EXPECT_TRUE(test::PollUntil([&] { return f.Log->GetEventMessageText().empty(); }));
}

TEST(QVNTEventLog, ARecordWithoutStringsFormatsWithNoInserts) {
  Fixture f;
  rvtest::WriteFile(f.Dir.File("m.msg"), "MessageId=5\nPlain %1%0\n.\n");
  f.RegisterSource("Application", "Bare", f.Dir.File("m.msg"));
  TEventRecordFields fields;
  fields.SourceName = "Bare";
  fields.EventID = 5;
  ASSERT_EQ(AppendEventRecord("Application", fields), ERROR_SUCCESS);
  f.Log->Open();
  f.Log->ReadEvent(0);
  EXPECT_EQ(f.Log->GetEventStringCount(), 0);
  EXPECT_EQ(f.Log->GetEventString(0), "");
  EXPECT_EQ(f.Log->GetEventMessageText(), "Plain %1");
}

TEST(QVNTEventLog, SettersReopenOnlyOnAChangeWhileOpen) {
  Fixture f;
  f.Write(2);
  f.Log->Open();
  f.Log->ReadEvent(0);
  f.Log->SetLog("Application");
  EXPECT_EQ(f.Log->CurrentRecord(), 0);
  f.Log->SetLog("Other");
  EXPECT_TRUE(f.Log->Active());
  EXPECT_EQ(f.Log->CurrentRecord(), -2);
  EXPECT_EQ(f.Log->GetEventCount(), 0);
  f.Log->Close();
  f.Log->SetLog("Application");
  EXPECT_FALSE(f.Log->Active());
  // A server that is not this machine fails to open, and stays closed.
  f.Log->Open();
  EXPECT_EQ(ErrorOf([&] { f.Log->SetServer("\\\\far-away-host-9"); }), RPC_S_SERVER_UNAVAILABLE);
  EXPECT_FALSE(f.Log->Active());
  EXPECT_EQ(f.Log->Server(), "\\\\far-away-host-9");
}

TEST(QVNTEventLog, WritingIsSilentAndCutsLongTexts) {
  Fixture f;
  f.Log->SetSource("");
  f.Log->WriteToEventLog("no source", EVENTLOG_ERROR_TYPE, 0, 1);
  f.Log->SetSource("Tester");
  f.Log->SetServer("far-away-host-9");
  f.Log->WriteToEventLog("remote", EVENTLOG_ERROR_TYPE, 0, 1);
  f.Log->SetServer("");
  // 510 ASCII characters and a character of two UTF-16 units.
  f.Log->WriteToEventLog(std::string(510, 'x') + "𝄞", EVENTLOG_ERROR_TYPE, 0x10005, 1);
  f.Log->Open();
  ASSERT_EQ(f.Log->GetEventCount(), 1);
  f.Log->ReadEvent(0);
  EXPECT_EQ(f.Log->GetEventString(0), std::string(510, 'x'));
}

TEST(QVNTEventLog, DesignModeOnlyStoresActive) {
  Fixture f;
  f.Log->SetDesigning(true);
  f.Log->SetServer("far-away-host-9");
  f.Log->Open();
  EXPECT_TRUE(f.Log->Active());
  EXPECT_EQ(f.Log->GetEventCount(), 0);
}

TEST(QVNTEventLog, FormRoundTrip) {
  Fixture f;
  f.Write(1);
  TComponent root(nullptr);
  root.SetName("Root");
  auto* log = new TQVNTEventLog(&root);
  log->SetName("Events");
  log->SetSource("Tester");
  log->Open();
  std::string text = WriteComponentText(root);
  EXPECT_EQ(text.find("Server"), std::string::npos) << text;
  EXPECT_NE(text.find("Source = 'Tester'"), std::string::npos) << text;
  EXPECT_NE(text.find("Log = 'Application'"), std::string::npos) << text;
  EXPECT_LT(text.find("Active"), text.find("Source")) << text;
  std::unique_ptr<TComponent> copy(ReadComponentText(text, nullptr));
  auto* read = static_cast<TQVNTEventLog*>(copy->FindComponent("Events"));
  EXPECT_TRUE(read->Active());
  EXPECT_EQ(read->GetEventCount(), 1);

  // An empty Log is not stored: read back, the component has "Application".
  log->Close();
  log->SetLog("");
  text = WriteComponentText(root);
  EXPECT_EQ(text.find("Log ="), std::string::npos) << text;
  copy.reset(ReadComponentText(text, nullptr));
  EXPECT_EQ(static_cast<TQVNTEventLog*>(copy->FindComponent("Events"))->Log(), "Application");
}
