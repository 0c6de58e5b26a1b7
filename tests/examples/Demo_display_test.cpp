// Runs the demo host under Xvfb, where its exception log shows the extended
// dialog: the dialog stays open until it is closed (here by the demo's
// time-out option), and the record's path and beginning go to standard
// output.

#include <gtest/gtest.h>

#include <chrono>

#include "platform/os/Process.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

TEST(DemoDisplay, TheDialogStaysUntilClosedAndTheRecordIsNamed) {
  rvtest::TempDir dir;
  TRunOptions options;
  options.Timeout = std::chrono::seconds(60);
  const TProcessResult run = RunProcess({"env", "-C", dir.Path(), RV_DEMO_PROGRAM, "--close-dialog-after=1"}, options);
  ASSERT_TRUE(run.ExitedWith(0)) << run.Errors;
  const std::string& out = run.Output;
  const std::size_t answers = out.find("the exception log answers with the extended dialog");
  const std::size_t record =
      out.find("the exception log writes its record to " + dir.File("crash.xml") + "; it begins:\n      <DATE>");
  const std::size_t closed = out.find("closing the dialog after 1 s");
  const std::size_t ended = out.find("the loop handled 2 messages and ended");
  ASSERT_NE(answers, std::string::npos) << out;
  EXPECT_NE(out.find("<CLASSNAME>Classname: EConvertError</CLASSNAME>", record), std::string::npos) << out;
  // Closed by the option, so it was still open a second after it came up.
  EXPECT_LT(answers, record);
  EXPECT_LT(record, closed);
  EXPECT_LT(closed, ended);
  EXPECT_NE(ended, std::string::npos) << out;
}

}  // namespace
