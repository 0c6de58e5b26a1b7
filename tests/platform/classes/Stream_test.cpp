#include "platform/classes/Stream.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>

#include "platform/rtl/Exceptions.h"
#include "tests/support/TempDir.h"

using namespace rv;
using namespace std::chrono_literals;

namespace {

struct ShareCase {
  std::uint16_t First;
  std::uint16_t Second;
  bool SecondOpens;
};

TEST(StreamTest, ShareModesKeepConflictingOpenersOut) {
  const ShareCase table[] = {
      {fmOpenReadWrite | fmShareDenyWrite, fmOpenReadWrite | fmShareDenyWrite, false},
      {fmOpenRead | fmShareDenyWrite, fmOpenRead | fmShareDenyWrite, true},
      {fmOpenRead | fmShareDenyWrite, fmOpenReadWrite | fmShareDenyWrite, false},
      {fmOpenRead | fmShareExclusive, fmOpenRead | fmShareDenyWrite, false},
      {fmOpenReadWrite | fmShareExclusive, fmOpenRead | fmShareDenyNone, true},
      {fmCreate, fmOpenRead | fmShareDenyWrite, false},
      {fmOpenRead | fmShareDenyNone, fmCreate, true},
  };
  rvtest::TempDir dir;
  const std::string name = dir.File("f.bin");
  rvtest::WriteFile(name, "data");
  for (const ShareCase& c : table) {
    SCOPED_TRACE(std::to_string(c.First) + " then " + std::to_string(c.Second));
    TFileStream first(name, c.First);
    if (c.SecondOpens)
      EXPECT_NO_THROW(TFileStream(name, c.Second));
    else
      EXPECT_THROW(TFileStream(name, c.Second), EFileStreamError);
  }
}

TEST(StreamTest, ShareModesHoldAcrossProcessesAndLockWaitsAreBounded) {
  rvtest::TempDir dir;
  const std::string name = dir.File("shared.log");
  rvtest::WriteFile(name, "keep");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  pid_t child = fork();
  if (child == 0) {
    TFileStream holder(name, fmOpenReadWrite | fmShareDenyWrite);
    (void)!write(ready[1], "x", 1);
    usleep(300 * 1000);
    _exit(0);
  }
  char byte;
  ASSERT_EQ(read(ready[0], &byte, 1), 1);
  EXPECT_THROW(TFileStream(name, fmOpenReadWrite | fmShareDenyWrite), EFOpenError);
  // fmCreate must not cut the file while the other process holds it.
  EXPECT_THROW(TFileStream(name, fmCreate), EFCreateError);
  EXPECT_EQ(rvtest::ReadFile(name), "keep");
  // Waiting long enough gets the file once the other process lets go.
  EXPECT_NO_THROW(TFileStream(name, fmOpenReadWrite | fmShareDenyWrite, 10s));
  int status = 0;
  waitpid(child, &status, 0);
  close(ready[0]);
  close(ready[1]);
}

TEST(StreamTest, OpenFailuresNameTheFileAndTheReason) {
  rvtest::TempDir dir;
  const std::pair<std::function<void()>, std::string> table[] = {
      {[&] { TFileStream(dir.File("none"), fmOpenRead); },
       "Cannot open file \"" + dir.File("none") + "\". No such file or directory"},
      {[&] { TFileStream(dir.File("no/dir/x"), fmCreate); },
       "Cannot create file \"" + dir.File("no/dir/x") + "\". No such file or directory"},
      {[&] { TFileStream(dir.Path(), fmOpenRead); }, "Is a directory"},
      {[&] { TFileStream("", fmCreate); }, "Cannot create file \"\""},
  };
  for (const auto& [open, message] : table) {
    try {
      open();
      ADD_FAILURE() << message;
    } catch (const EFileStreamError& e) {
      EXPECT_NE(e.Message().find(message), std::string::npos) << e.Message();
    }
  }
}

TEST(StreamTest, PositionedAndSequentialTransfers) {
  rvtest::TempDir dir;
  const std::string name = dir.File("p.bin");
  {
    TFileStream s(name, fmCreate);
    s.WriteString("hello world");
    s.WriteAt(6, "W", 1);
    char buffer[5];
    EXPECT_EQ(s.ReadAt(6, buffer, 5), 5);
    EXPECT_EQ(std::string(buffer, 5), "World");
    EXPECT_EQ(s.ReadAt(9, buffer, 5), 2) << "short only at the end of the file";
    s.SetSize(5);
    EXPECT_EQ(s.Size(), 5);
  }
  TMemoryStream m;
  m.LoadFromFile(name);
  EXPECT_EQ(m.Memory(), "hello");
  char out[8];
  EXPECT_THROW(m.ReadBuffer(out, 8), EReadError);
}

}  // namespace
