// Call stacks and source positions of a program without a map file (the
// test program is position-independent and has none): they come from its
// debug information.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "exception/LogError.h"
#include "platform/forms/Application.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

volatile int sink = 0;
int innerLine = 0, middleLine = 0, outerLine = 0;

[[gnu::noinline]] void Inner() {
  innerLine = __LINE__ + 1;
  throw EConvertError("'x' is not a valid integer value");
}

[[gnu::noinline]] void Middle() {
  middleLine = __LINE__ + 1;
  Inner();
  sink = sink + 1;  // keeps the call from becoming a jump
}

[[gnu::noinline]] void Outer() {
  outerLine = __LINE__ + 1;
  Middle();
  sink = sink + 1;
}

class CallStackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FSaved = Application->OnException();
    Application->SetOnException(nullptr);
  }
  void TearDown() override { Application->SetOnException(FSaved); }

  // The record of Outer's exception, written by a log with Formats.
  std::string RecordWith(TQVLFormats formats) {
    TQVExceptionLog log(nullptr);
    log.SetFormatting(qvlfXML);
    log.SetLogFile(Dir.File("log.xml"));
    log.SetFormats(formats);
    log.SetErrorDialog(edNone);
    log.SetActive(true);
    Application->RunGuarded(nullptr, [] { Outer(); });
    return rvtest::ReadFile(Dir.File("log.xml"));
  }

  rvtest::TempDir Dir;
  TExceptionEvent FSaved;
};

std::string frameLine(const std::string& procedure, int line) {
  return "Unit: CallStack_test Procedure: (anonymous namespace)::" + procedure + " Line No: " + std::to_string(line);
}

TEST_F(CallStackTest, NamesTheProceduresAndLinesOfTheThrowInOrder) {
  const std::string record = RecordWith({lfCallStack});
  const auto inner = record.find(frameLine("Inner()", innerLine));
  const auto middle = record.find(frameLine("Middle()", middleLine));
  const auto outer = record.find(frameLine("Outer()", outerLine));
  ASSERT_NE(inner, std::string::npos) << record;
  ASSERT_NE(middle, std::string::npos) << record;
  ASSERT_NE(outer, std::string::npos) << record;
  EXPECT_LT(inner, middle);
  EXPECT_LT(middle, outer);
  // Frames outside the program name their library.
  EXPECT_NE(record.find(" librevuziva.so"), std::string::npos) << record;
}

TEST_F(CallStackTest, TheSourcePositionComesFromTheDebugInformationWithoutAMap) {
  const std::string record = RecordWith({lfSourceLine});
  EXPECT_NE(record.find("<LINE>\r\nUnit: CallStack_test\r\nProcedure: (anonymous namespace)::Inner()\r\nLine No: " +
                        std::to_string(innerLine) + "</LINE>"),
            std::string::npos)
      << record;
  EXPECT_EQ(record.find("<CALLSTACK>"), std::string::npos);
}

// Stacks are recorded only while some exception log wants them.
TEST_F(CallStackTest, ThrowsRecordTheirStackOnlyWhileALogWantsIt) {
  auto stackDepth = [] {
    std::size_t depth = 0;
    try {
      Outer();
    } catch (...) {
      depth = ThrowCallStack(std::current_exception()).size();
    }
    return depth;
  };
  EXPECT_EQ(stackDepth(), 0u);
  {
    TQVExceptionLog log(nullptr);
    EXPECT_EQ(stackDepth(), 0u);
    log.SetFormats({lfCallStack});
    EXPECT_GE(stackDepth(), 3u);
    log.SetFormats({lfDate});
    EXPECT_EQ(stackDepth(), 0u);
    log.SetFormats({lfCallStack});
  }
  EXPECT_EQ(stackDepth(), 0u);
}

}  // namespace
