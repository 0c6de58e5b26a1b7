// Runs the showcase without a display: the form file's components are
// listed, and each part prints what its component did and leaves its files
// in the current folder.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "platform/os/Process.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

class DemoHeadless : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    Dir = new rvtest::TempDir;
    TRunOptions options;
    options.Timeout = std::chrono::seconds(90);
    Run = new TProcessResult(RunProcess({"env", "-u", "DISPLAY", "-C", Dir->Path(), RV_DEMO_PROGRAM}, options));
  }
  static void TearDownTestSuite() {
    delete Run;
    delete Dir;
  }
  static rvtest::TempDir* Dir;
  static TProcessResult* Run;
};

rvtest::TempDir* DemoHeadless::Dir = nullptr;
TProcessResult* DemoHeadless::Run = nullptr;

TEST_F(DemoHeadless, EndsByItselfWithExitCodeZero) {
  EXPECT_TRUE(Run->ExitedWith(0)) << Run->Outcome << " " << Run->Code << "\n" << Run->Errors;
  EXPECT_NE(Run->Output.find("no display: the form stays hidden"), std::string::npos) << Run->Output;
  EXPECT_NE(Run->Output.find("the showcase is done"), std::string::npos) << Run->Output;
}

TEST_F(DemoHeadless, TheFormFileHoldsOneOfEachComponent) {
  for (const char* line :
       {"ExceptionLog     TQVExceptionLog", "AppLog           TQVAppLog", "DatasetLog       TQVDatasetLog",
        "FileLog          TQVFileLog", "RegistryLog      TQVRegistryLog", "ShellLog         TQVShellLog",
        "EventLog         TQVNTEventLog", "Checks           TQVLCheckProcessor"})
    EXPECT_NE(Run->Output.find(line), std::string::npos) << line << "\n" << Run->Output;
}

// Each part, in order: its heading, then what shows that its component did
// its work, found after the heading and before the next one.
TEST_F(DemoHeadless, EachPartPrintsWhatItsComponentDid) {
  struct Part {
    const char* Heading;
    std::vector<std::string> Evidence;
  };
  const Part parts[] = {
      {"== The log file", {"showcase started\r\n42\r\n2.5\r\n", "<START>showcase started\r\n  </START>", "</DATA>"}},
      {"== The exception log",
       {"the exception log answers with the standard error text", "the exception log got EConvertError from TButton",
        "<CLASSNAME>Classname: EConvertError</CLASSNAME>", "Unit: ShowcaseForm",
        "<CLASSNAME>Classname: EAccessViolation</CLASSNAME>", "<CALLSTACK>"}},
      {"== The application event log",
       {"activated\r\n", "hint: 'Converts the answer'", "the desktop's settings changed", "the loop went idle",
        "deactivated\r\n"}},
      {"== The dataset change log",
       {"statement: UPDATE Customers", "City='Lyon', \"First Name\"='Jo \"the\" O''Hara'",
        "statement: INSERT INTO Customers", "dbeRecordChanged City:Lyon", "dbeUpdateData"}},
      {"== The folder and registry monitors",
       {"folder monitor: folder name changed", "folder monitor: file name changed",
        "registry monitor: Software\\Quindarex changed", "the shell change monitor on", "folder created ",
        "4 of 4 shell notifications"}},
      {"== The event log",
       {"3 entries in the log \"Application\"", "from REVuziva Showcase",
        "The showcase says: hello from the showcase\n    All is well.", "The showcase warns: the disk is almost full",
        "(the message file has no text for this event)"}},
      {"== The check processor",
       {"Execute: not valid, 4 failed", "edtName      failed: Your name, please", "4 controls marked as failed",
        "Execute: valid, 0 failed", "0 controls marked as failed"}},
  };
  const std::string& out = Run->Output;
  std::size_t from = 0;
  for (std::size_t i = 0; i < std::size(parts); ++i) {
    const std::size_t start = out.find(parts[i].Heading, from);
    ASSERT_NE(start, std::string::npos) << parts[i].Heading << "\n" << out;
    const std::size_t end = i + 1 < std::size(parts) ? out.find(parts[i + 1].Heading, start) : out.size();
    const std::string part = out.substr(start, end - start);
    for (const std::string& evidence : parts[i].Evidence)
      EXPECT_NE(part.find(evidence), std::string::npos) << parts[i].Heading << ": " << evidence << "\n" << part;
    EXPECT_NE(part.find("  => "), std::string::npos) << "no summary: " << part;
    from = start;
  }
}

TEST_F(DemoHeadless, TheFilesGoToTheCurrentFolder) {
  for (const char* file : {"showcase.log", "showcase.xml", "crash.xml", "events.log", "changes.log", "monitors.log",
                           "showcase.db", "showcase-scratch/watched/reports/first.txt"})
    EXPECT_TRUE(std::filesystem::exists(Dir->File(file))) << file;
  // The standard error text stands in for the dialogs nobody could close.
  EXPECT_NE(Run->Errors.find("'forty-two' is not a valid integer value."), std::string::npos) << Run->Errors;
}

}  // namespace
