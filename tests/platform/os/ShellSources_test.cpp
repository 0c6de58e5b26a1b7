// The machine-wide shell sources, each on a root of the test's own: a
// mount table file, a datagram socket standing in for netlink, folders of
// association files and of user shares.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/os/ShellAssociationSource.h"
#include "platform/os/ShellMediaSource.h"
#include "platform/os/ShellMountSource.h"
#include "platform/os/ShellShareSource.h"
#include "platform/rtl/Exceptions.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

std::string describe(const TShellChange& c) {
  return std::to_string(c.Event) + ":" + (c.Item1.HasPath ? c.Item1.Path : "-");
}

std::vector<std::string> readNow(TShellSource& Source) {
  std::vector<std::string> seen;
  Source.Read([&](const TShellChange& c) { seen.push_back(describe(c)); });
  return seen;
}

// Waits up to a second for the source's descriptor, then reads.
std::vector<std::string> readWhenReady(TShellSource& Source) {
  pollfd p{Source.Fd(), static_cast<short>(Source.WaitsForPriority() ? POLLPRI : POLLIN), 0};
  poll(&p, 1, 1000);
  return readNow(Source);
}

std::string code(std::int32_t Event, const std::string& Path = "-") { return std::to_string(Event) + ":" + Path; }

TEST(ShellMountSource, ParsesMountPointsByIdAndSkipsMalformedLines) {
  const struct {
    const char* Name;
    std::string Text;
    std::map<long, std::string> Expected;
  } table[] = {
      {"typical",
       "22 1 8:1 / / rw,relatime shared:1 - ext4 /dev/sda1 rw\n"
       "35 22 0:30 / /run/media/me/USB\\040KEY rw - vfat /dev/sdb1 rw\n",
       {{22, "/"}, {35, "/run/media/me/USB KEY"}}},
      {"no final newline", "7 1 0:1 / /mnt rw", {{7, "/mnt"}}},
      {"too few fields", "7 1 0:1 /\n\n8\n", {}},
      {"id not a number", "x7 1 0:1 / /mnt rw\n-1 1 0:1 / /m rw\n", {}},
      {"huge id", "99999999999999999999 1 0:1 / /mnt rw\n", {}},
      {"escape cut short or not octal",
       "9 1 0:1 / /a\\04 rw\n10 1 0:1 / /b\\089 rw\n",
       {{9, "/a\\04"}, {10, "/b\\089"}}},
      {"backslash escaped", "11 1 0:1 / /c\\134d rw\n", {{11, "/c\\d"}}},
      {"empty", "", {}},
      {"binary noise", std::string("\0\xff\n \n  \n", 8), {}},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.Name);
    EXPECT_EQ(ParseMountInfo(row.Text), row.Expected);
  }
}

TEST(ShellMountSource, ReportsMountsThatCameAndWent) {
  rvtest::TempDir dir;
  const std::string table = dir.File("mountinfo");
  rvtest::WriteFile(table, "1 0 8:1 / / rw - ext4 /dev/sda1 rw\n2 1 0:5 / /mnt/old rw - tmpfs none rw\n");
  auto source = OpenShellMountSource(table);
  EXPECT_TRUE(source->WaitsForPriority());
  EXPECT_TRUE(readNow(*source).empty()) << "what was mounted at the start is no change";
  rvtest::WriteFile(table,
                    "1 0 8:1 / / ro - ext4 /dev/sda1 ro\n"  // remounted: same id
                    "3 1 8:17 / /media/usb rw - vfat /dev/sdb1 rw\n"
                    "4 1 8:33 / /run/media/me/disc rw - iso9660 /dev/sr0 ro\n"
                    "5 1 0:6 / /srv/data rw - tmpfs none rw\n");
  EXPECT_EQ(readNow(*source), (std::vector<std::string>{
                                  code(SHCNE_DRIVEREMOVED, "/mnt/old"),
                                  code(SHCNE_DRIVEADD, "/media/usb"),
                                  code(SHCNE_DRIVEADDGUI, "/media/usb"),
                                  code(SHCNE_DRIVEADD, "/run/media/me/disc"),
                                  code(SHCNE_DRIVEADDGUI, "/run/media/me/disc"),
                                  code(SHCNE_DRIVEADD, "/srv/data"),
                              }));
  EXPECT_THROW(OpenShellMountSource(dir.File("missing")), EOSError);
}

TEST(ShellMountSource, TheKernelSignalsARealMountInAPrivateNamespace) {
  rvtest::TempDir dir;
  const std::string point = dir.File("mnt");
  ASSERT_EQ(mkdir(point.c_str(), 0700), 0);
  // The mount happens in a child of its own namespace, so nothing else on
  // the machine sees it; the child's exit code is the verdict.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) _exit(77);
    auto source = OpenShellMountSource();
    if (mount("none", point.c_str(), "tmpfs", 0, nullptr) != 0) _exit(77);
    if (readWhenReady(*source) != std::vector<std::string>{code(SHCNE_DRIVEADD, point)}) _exit(1);
    umount(point.c_str());
    if (readWhenReady(*source) != std::vector<std::string>{code(SHCNE_DRIVEREMOVED, point)}) _exit(2);
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "mount namespaces need privileges";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ShellMediaSource, ParsesKernelMessagesOnly) {
  using namespace std::string_literals;
  const struct {
    const char* Name;
    std::string Message;
    bool Parsed;
    const char* Action;
    const char* DevName;
    bool MediaChange;
  } table[] = {
      {"add", "add@/devices/x/block/sdb\0ACTION=add\0SUBSYSTEM=block\0DEVNAME=sdb\0"s, true, "add", "sdb", false},
      {"media change", "change@/x\0ACTION=change\0SUBSYSTEM=block\0DEVNAME=sr0\0DISK_MEDIA_CHANGE=1\0"s, true, "change",
       "sr0", true},
      {"no final zero", "remove@/x\0ACTION=remove\0DEVNAME=sdc"s, true, "remove", "sdc", false},
      {"udevd's binary message", "libudev\0\xfe\xed\xca\xfe"s, false, "", "", false},
      {"no header", "ACTION=add\0"s, false, "", "", false},
      {"no action field", "add@/x\0SUBSYSTEM=block\0"s, false, "", "", false},
      {"fields without =", "add@/x\0ACTION=add\0junk\0\0\0"s, true, "add", "", false},
      {"empty", ""s, false, "", "", false},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.Name);
    const auto event = ParseUevent(row.Message);
    ASSERT_EQ(event.has_value(), row.Parsed);
    if (!event) continue;
    EXPECT_EQ(event->Action, row.Action);
    EXPECT_EQ(event->DevName, row.DevName);
    EXPECT_EQ(event->MediaChange, row.MediaChange);
  }
}

TEST(ShellMediaSource, BlockDevicesComingAndGoingAreMedia) {
  using namespace std::string_literals;
  rvtest::TempDir sys;
  ASSERT_EQ(mkdir(sys.File("sr0").c_str(), 0700), 0);
  ASSERT_EQ(mkdir(sys.File("sr1").c_str(), 0700), 0);
  rvtest::WriteFile(sys.File("sr0/size"), "1376256\n");
  rvtest::WriteFile(sys.File("sr1/size"), "0\n");
  int fds[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, fds), 0);
  TFileHandle kernel(fds[0]);
  auto source = OpenShellMediaSource(TFileHandle(fds[1]), sys.Path());
  const std::string messages[] = {
      "add@/b/sdb\0ACTION=add\0SUBSYSTEM=block\0DEVNAME=sdb\0"s,
      "add@/n/eth0\0ACTION=add\0SUBSYSTEM=net\0INTERFACE=eth0\0"s,
      "change@/b/sr0\0ACTION=change\0SUBSYSTEM=block\0DEVNAME=sr0\0DISK_MEDIA_CHANGE=1\0"s,
      "change@/b/sr1\0ACTION=change\0SUBSYSTEM=block\0DEVNAME=sr1\0DISK_MEDIA_CHANGE=1\0"s,
      "change@/b/sda\0ACTION=change\0SUBSYSTEM=block\0DEVNAME=sda\0"s,
      "remove@/b/sdb\0ACTION=remove\0SUBSYSTEM=block\0DEVNAME=sdb\0"s,
      "libudev\0binary"s,
  };
  for (const std::string& m : messages)
    ASSERT_EQ(send(kernel.Get(), m.data(), m.size(), 0), static_cast<ssize_t>(m.size()));
  EXPECT_EQ(readNow(*source), (std::vector<std::string>{
                                  code(SHCNE_MEDIAINSERTED, "/dev/sdb"),
                                  code(SHCNE_MEDIAINSERTED, "/dev/sr0"),
                                  code(SHCNE_MEDIAREMOVED, "/dev/sr1"),
                                  code(SHCNE_MEDIAREMOVED, "/dev/sdb"),
                              }));
}

TEST(ShellAssociationSource, ReplacedListsReportOnceAndOtherFilesNothing) {
  rvtest::TempDir config, apps;
  auto source = OpenShellAssociationSource({config.Path(), apps.Path(), config.File("missing")});
  // Written beside and renamed over the old one, as tools do.
  rvtest::WriteFile(config.File("mimeapps.list.tmp"), "[Default Applications]\n");
  ASSERT_EQ(std::rename(config.File("mimeapps.list.tmp").c_str(), config.File("mimeapps.list").c_str()), 0);
  EXPECT_EQ(readWhenReady(*source), (std::vector<std::string>{code(SHCNE_ASSOCCHANGED)}));
  const struct {
    const char* Name;
    bool Reports;
  } files[] = {
      {"gnome-mimeapps.list", true}, {"mimeinfo.cache", true}, {"-mimeapps.list", false},
      {"mimeapps.list.bak", false},  {"other.desktop", false},
  };
  for (const auto& f : files) {
    SCOPED_TRACE(f.Name);
    rvtest::WriteFile(apps.File(f.Name), "x");
    EXPECT_EQ(readWhenReady(*source).size(), f.Reports ? 1u : 0u);
  }
}

TEST(ShellShareSource, DefinitionsGainedChangedAndLostReportTheirPaths) {
  rvtest::TempDir shares;
  rvtest::WriteFile(shares.File("old"), "#VERSION 2\npath=/srv/old\nguest_ok=n\n");
  auto source = OpenShellShareSource(shares.Path());
  ASSERT_GE(source->Fd(), 0);
  rvtest::WriteFile(shares.File("music"), "#VERSION 2\r\npath=/home/me/Music\r\ncomment=\r\n");
  EXPECT_EQ(readWhenReady(*source), (std::vector<std::string>{code(SHCNE_NETSHARE, "/home/me/Music")}));
  rvtest::WriteFile(shares.File("music"), "#VERSION 2\npath=/home/me/Songs\n");
  EXPECT_EQ(readWhenReady(*source), (std::vector<std::string>{code(SHCNE_NETUNSHARE, "/home/me/Music"),
                                                              code(SHCNE_NETSHARE, "/home/me/Songs")}));
  ASSERT_EQ(unlink(shares.File("old").c_str()), 0);
  EXPECT_EQ(readWhenReady(*source), (std::vector<std::string>{code(SHCNE_NETUNSHARE, "/srv/old")}));
  // No Samba: nothing to wait on, nothing to read.
  auto none = OpenShellShareSource(shares.File("missing"));
  EXPECT_EQ(none->Fd(), -1);
  EXPECT_TRUE(readNow(*none).empty());
}

TEST(ShellShareSource, ParsesThePathLine) {
  const struct {
    std::string Text;
    std::optional<std::string> Expected;
  } table[] = {
      {"#VERSION 2\npath=/a b\n", "/a b"}, {"path=/first\npath=/second\n", "/first"}, {"path=\n", std::nullopt},
      {" path=/indented\n", std::nullopt}, {"comment=path=/x\n", std::nullopt},       {"", std::nullopt},
      {"path=/no-newline", "/no-newline"},
  };
  for (const auto& row : table) EXPECT_EQ(ParseUserShare(row.Text), row.Expected) << row.Text;
}

}  // namespace
