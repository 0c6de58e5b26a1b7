#include "platform/os/ShellFileSource.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

std::string describe(const TShellChange& c) {
  std::string text = std::to_string(c.Event) + ":" + (c.Item1.HasPath ? c.Item1.Path : "-");
  if (c.Item2.HasPath) text += ">" + c.Item2.Path;
  return text;
}

// Reads what the source reports until Count changes came or a second passed.
std::vector<std::string> readChanges(TShellSource& Source, std::size_t Count) {
  std::vector<std::string> seen;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
  while (seen.size() < Count && std::chrono::steady_clock::now() < deadline) {
    pollfd p{Source.Fd(), POLLIN, 0};
    if (poll(&p, 1, 50) > 0) Source.Read([&](const TShellChange& c) { seen.push_back(describe(c)); });
  }
  return seen;
}

std::string code(std::int32_t Event, const std::string& Path, const std::string& Second = {}) {
  return std::to_string(Event) + ":" + Path + (Second.empty() ? "" : ">" + Second);
}

TEST(ShellFileSource, ReportsEachKindOfChangeWithItsFolder) {
  rvtest::TempDir dir;
  const std::string d = dir.Path();
  rvtest::WriteFile(dir.File("old"), "x");
  ASSERT_EQ(mkdir(dir.File("folder").c_str(), 0700), 0);
  const struct {
    const char* Name;
    std::function<void()> Change;
    std::vector<std::string> Expected;
  } table[] = {
      {"create",
       [&] { close(open(dir.File("new").c_str(), O_CREAT | O_RDONLY, 0600)); },
       {code(SHCNE_CREATE, d + "/new"), code(SHCNE_UPDATEDIR, d)}},
      {"write and close", [&] { rvtest::WriteFile(dir.File("old"), "changed"); }, {code(SHCNE_UPDATEITEM, d + "/old")}},
      {"attributes", [&] { chmod(dir.File("old").c_str(), 0640); }, {code(SHCNE_ATTRIBUTES, d + "/old")}},
      {"rename",
       [&] { std::rename(dir.File("old").c_str(), dir.File("renamed").c_str()); },
       {code(SHCNE_RENAMEITEM, d + "/old", d + "/renamed"), code(SHCNE_UPDATEDIR, d)}},
      {"rename folder",
       [&] { std::rename(dir.File("folder").c_str(), dir.File("moved").c_str()); },
       {code(SHCNE_RENAMEFOLDER, d + "/folder", d + "/moved"), code(SHCNE_UPDATEDIR, d)}},
      {"make folder",
       [&] { mkdir(dir.File("made").c_str(), 0700); },
       {code(SHCNE_MKDIR, d + "/made"), code(SHCNE_UPDATEDIR, d)}},
      {"remove folder",
       [&] { rmdir(dir.File("made").c_str()); },
       {code(SHCNE_RMDIR, d + "/made"), code(SHCNE_UPDATEDIR, d)}},
      {"delete", [&] { unlink(dir.File("new").c_str()); }, {code(SHCNE_DELETE, d + "/new"), code(SHCNE_UPDATEDIR, d)}},
  };
  auto source = OpenShellFileSource(d, false);
  for (const auto& row : table) {
    SCOPED_TRACE(row.Name);
    row.Change();
    EXPECT_EQ(readChanges(*source, row.Expected.size()), row.Expected);
  }
}

TEST(ShellFileSource, SubTreeFollowsNewFoldersAndMovesAcrossItsEdge) {
  rvtest::TempDir outside;
  rvtest::TempDir dir;
  const std::string d = dir.Path();
  ASSERT_EQ(mkdir(dir.File("sub").c_str(), 0700), 0);
  auto source = OpenShellFileSource(d, true);
  rvtest::WriteFile(dir.File("sub/inner"), "");
  EXPECT_EQ(readChanges(*source, 3),
            (std::vector<std::string>{code(SHCNE_CREATE, d + "/sub/inner"), code(SHCNE_UPDATEDIR, d + "/sub"),
                                      code(SHCNE_UPDATEITEM, d + "/sub/inner")}));
  // Moved out of the tree: gone; moved in: created.
  std::rename(dir.File("sub/inner").c_str(), outside.File("inner").c_str());
  EXPECT_EQ(readChanges(*source, 2),
            (std::vector<std::string>{code(SHCNE_DELETE, d + "/sub/inner"), code(SHCNE_UPDATEDIR, d + "/sub")}));
  std::rename(outside.File("inner").c_str(), dir.File("sub/back").c_str());
  EXPECT_EQ(readChanges(*source, 2),
            (std::vector<std::string>{code(SHCNE_CREATE, d + "/sub/back"), code(SHCNE_UPDATEDIR, d + "/sub")}));
  // Without the subtree, the folder's own entries only.
  auto flat = OpenShellFileSource(d, false);
  rvtest::WriteFile(dir.File("sub/deeper"), "");
  EXPECT_TRUE(readChanges(*flat, 1).empty());
}

TEST(ShellFileSource, AnItemPathReportsThatItemOnly) {
  rvtest::TempDir dir;
  rvtest::WriteFile(dir.File("watched"), "");
  auto source = OpenShellFileSource(dir.File("watched"), false);
  rvtest::WriteFile(dir.File("other"), "");
  rvtest::WriteFile(dir.File("watched"), "new");
  EXPECT_EQ(readChanges(*source, 1), (std::vector<std::string>{code(SHCNE_UPDATEITEM, dir.File("watched"))}));
}

TEST(ShellFileSource, ThePathGoingAwayIsReportedAndAMissingPathRaises) {
  rvtest::TempDir dir;
  ASSERT_EQ(mkdir(dir.File("gone").c_str(), 0700), 0);
  auto source = OpenShellFileSource(dir.File("gone"), true);
  rmdir(dir.File("gone").c_str());
  EXPECT_EQ(readChanges(*source, 1), (std::vector<std::string>{code(SHCNE_RMDIR, dir.File("gone"))}));
  EXPECT_THROW(OpenShellFileSource(dir.File("never/there"), false), EOSError);
}

}  // namespace
