#include <gtest/gtest.h>

#include <csignal>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/Helpers.h"
#include "tests/support/Sanitizers.h"
#include "tests/support/TempDir.h"

namespace {

// One ERROR element of the helper's log.
struct TRecord {
  std::string ClassName;
  std::string Message;
  std::string Source;
  std::string CallStack;
};

std::string elementText(const std::string& record, const std::string& tag) {
  const std::string open = "<" + tag + ">", close = "</" + tag + ">";
  const auto first = record.find(open);
  if (first == std::string::npos) return {};
  const auto start = first + open.size();
  return record.substr(start, record.find(close, start) - start);
}

std::vector<TRecord> readRecords(const std::string& xml) {
  std::vector<TRecord> records;
  for (auto at = xml.find("<ERROR>"); at != std::string::npos; at = xml.find("<ERROR>", at + 1)) {
    const std::string record = xml.substr(at, xml.find("</ERROR>", at) - at);
    records.push_back({elementText(record, "CLASSNAME"), elementText(record, "MESSAGE"), elementText(record, "LINE"),
                       elementText(record, "CALLSTACK")});
  }
  return records;
}

int lineNumberIn(const std::string& text) {
  const auto at = text.find("Line No: ");
  return at == std::string::npos ? 0 : std::stoi(text.substr(at + 9));
}

struct TExpected {
  std::string ClassName;
  int First = 0;
  int Last = 0;
};

std::vector<TExpected> readExpected(const std::string& text) {
  std::vector<TExpected> expected;
  std::istringstream lines(text);
  TExpected e;
  while (lines >> e.ClassName >> e.First >> e.Last) expected.push_back(e);
  return expected;
}

class FaultsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (rvtest::kSanitized) GTEST_SKIP() << "the sanitizer takes the fault signals";
  }

  int Run(const std::string& mode) {
    rvtest::ChildProcess host(rvtest::HelperPath("faults_host"), {mode, Dir.File("log.xml"), Dir.File("expected")});
    return host.Wait();
  }
  std::vector<TRecord> Records() const { return readRecords(rvtest::ReadFile(Dir.File("log.xml"))); }
  std::string Expected() const { return rvtest::ReadFile(Dir.File("expected")); }

  rvtest::TempDir Dir;
};

TEST_F(FaultsTest, EachFaultIsCaughtAsItsClassAtItsLineAndTheProgramGoesOn) {
  ASSERT_EQ(Run("catch"), 0);
  const std::vector<TExpected> expected = readExpected(Expected());
  const std::vector<TRecord> records = Records();
  ASSERT_EQ(expected.size(), 8u);  // four faults, twice each
  ASSERT_EQ(records.size(), expected.size());
  for (std::size_t i = 0; i < records.size(); ++i) {
    SCOPED_TRACE("fault " + std::to_string(i) + ": " + records[i].Source);
    EXPECT_EQ(records[i].ClassName, "Classname: " + expected[i].ClassName);
    EXPECT_NE(records[i].Source.find("Unit: faults_host\r\n"), std::string::npos);
    const int line = lineNumberIn(records[i].Source);
    EXPECT_GE(line, expected[i].First);
    EXPECT_LE(line, expected[i].Last);
    if (records[i].Source.find("ReadNull") != std::string::npos) {
      EXPECT_NE(records[i].Message.find(". Read of address 00000000."), std::string::npos) << records[i].Message;
    }
    if (records[i].Source.find("WriteReadOnly") != std::string::npos) {
      EXPECT_NE(records[i].Message.find(". Write of address "), std::string::npos) << records[i].Message;
    }
    // The call stack starts at the faulting instruction.
    const std::string firstFrame = records[i].CallStack.substr(0, records[i].CallStack.find("\r\n", 2));
    EXPECT_EQ(lineNumberIn(firstFrame), line) << records[i].CallStack;
  }
}

TEST_F(FaultsTest, AFaultInAFrameworkThreadBecomesItsFatalException) {
  ASSERT_EQ(Run("worker"), 0);
  const std::string fatal = Expected();
  EXPECT_EQ(fatal.rfind("EAccessViolation: Access violation at address ", 0), 0u) << fatal;
  EXPECT_NE(fatal.find(". Read of address 00000000\n"), std::string::npos) << fatal;
}

// Crashes the process can't survive: the record is written, and the process
// ends as it would have without the exception log.
TEST_F(FaultsTest, AFatalCrashLeavesARecordAndEndsAsBefore) {
  struct TCase {
    const char* Mode;
    int Status;
    const char* ClassName;
    const char* Source;
  };
  const TCase cases[] = {
      {"unprotected", 128 + SIGSEGV, "EAccessViolation", "Procedure: WriteThroughNull"},
      {"terminate", 128 + SIGABRT, "EConvertError", "Unit: faults_host"},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Mode);
    rvtest::TempDir dir;
    rvtest::ChildProcess host(rvtest::HelperPath("faults_host"), {c.Mode, dir.File("log.xml"), dir.File("x")});
    EXPECT_EQ(host.Wait(), c.Status);
    const std::vector<TRecord> records = readRecords(rvtest::ReadFile(dir.File("log.xml")));
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].ClassName, std::string("Classname: ") + c.ClassName);
    EXPECT_NE(records[0].Source.find(c.Source), std::string::npos) << records[0].Source;
  }
}

}  // namespace
