#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <memory>
#include <string>

#include "tests/support/TempDir.h"

namespace {

struct Result {
  int Code;
  std::string Output;
};

Result RunTool(const std::string& Arguments) {
  const std::string command = std::string(RV_EVENTLOG_TOOL) + " " + Arguments + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  Result result{-1, ""};
  char buffer[4096];
  while (std::size_t got = std::fread(buffer, 1, sizeof buffer, pipe.get())) result.Output.append(buffer, got);
  const int status = pclose(pipe.release());
  result.Code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

}  // namespace

TEST(EventLogTool, RegistersWritesListsAndShows) {
  rvtest::TempDir dir;
  rvtest::WriteFile(dir.File("app.msg"), "MessageId=1000\nBackup of %1 finished.\n.\n");
  const std::string options = "--root " + dir.File("logs") + " --registry " + dir.File("reg") + " ";
  EXPECT_EQ(RunTool(options + "register Application Backup " + dir.File("app.msg")).Code, 0);
  EXPECT_EQ(RunTool(options + "write Backup warning 1000 /home").Code, 0);
  EXPECT_EQ(RunTool(options + "write Backup information 1001 'no text'").Code, 0);
  const Result list = RunTool(options + "list");
  EXPECT_EQ(list.Output, "application\n");
  const Result show = RunTool(options + "show Application");
  EXPECT_EQ(show.Code, 0);
  EXPECT_NE(show.Output.find("Warning  Backup"), std::string::npos) << show.Output;
  EXPECT_NE(show.Output.find("Backup of /home finished."), std::string::npos) << show.Output;
  EXPECT_NE(show.Output.find("  no text"), std::string::npos) << show.Output;
  EXPECT_EQ(RunTool(options + "show Application 1").Output.find("/home"), std::string::npos);
  EXPECT_EQ(RunTool(options + "write Backup sometimes 1 x").Code, 2);
  EXPECT_EQ(RunTool(options + "frobnicate").Code, 2);
}
