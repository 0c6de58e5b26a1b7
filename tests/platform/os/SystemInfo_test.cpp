#include "platform/os/SystemInfo.h"

#include <pthread.h>
#include <pwd.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>

#include "testing/os/SystemInfoFixed.h"
#include "tests/support/TempDir.h"

namespace rv {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;
constexpr std::uint64_t K = 1024;
constexpr std::uint64_t Max = std::numeric_limits<std::uint64_t>::max();

// A Linux source reading fixture files below a fresh root.
struct TFixture {
  explicit TFixture(const std::vector<std::pair<std::string, std::string>>& files) {
    Info.SetRoot(Dir.Path());
    for (const auto& [name, text] : files) {
      std::filesystem::create_directories(std::filesystem::path(Dir.File(name)).parent_path());
      rvtest::WriteFile(Dir.File(name), text);
    }
  }
  rvtest::TempDir Dir;
  TLinuxSystemInfo Info;
};

utsname unameOf() {
  utsname names{};
  ::uname(&names);
  return names;
}

TEST(ClassicComputerName, FirstLabelUpperCaseCutTo15) {
  const std::pair<std::string_view, std::string> cases[] = {
      {"build-01.example.org"sv, "BUILD-01"},
      {"averyveryverylonghostname"sv, "AVERYVERYVERYLO"},
      {".example"sv, ""},
      {"host\0hidden.org"sv, "HOST"},
      {"ho\x01st"sv, "HO ST"},
      {"abcdefghijklmn\xF0\x9F\x98\x80"sv, "ABCDEFGHIJKLMN"},  // no half pair
  };
  for (const auto& [host, name] : cases) EXPECT_EQ(ClassicComputerName(host), name) << host;
}

TEST(SystemInfoFixture, MemoryFromMeminfo) {
  struct Case {
    std::string meminfo;
    std::uint64_t total, avail, pageTotal, pageAvail;
    std::uint32_t load;
  };
  const Case cases[] = {
      {"", 0, 0, 0, 0, 0},
      {"MemTotal:  16314772 kB\nMemFree:  1000 kB\nMemAvailable:  8157386 kB\nSwapTotal:  2097148 kB\n"
       "SwapFree:  1048574 kB\nHugePages_Total:  0\n",
       16314772 * K, 8157386 * K, (16314772 + 2097148) * K, (8157386 + 1048574) * K, 50},
      {"\x01\0\xFF::\n: 5 kB\nMemTotal\nMemTotal: -5 kB\nMemTotal: 12abc kB\nMemTotal: 1000 MB\nMemTotal:  kB\n"
       "MemTotal: 99999999999999999999999 kB\nMemTotal: 0 kB\nMemAvailable: 5 kB\n"s,
       0, 0, 0, 0, 0},
      {"MemTotal: 4294967296 kB\nMemAvailable: 1073741824 kB\n", 4 * K * K * K * K, K * K * K * K, 4 * K * K * K * K,
       K * K * K * K, 75},
      {"MemTotal: 18014398509481984 kB\n", Max, 0, Max, 0, 100},
      {"MemTotal: 9007199254740992 kB\nMemAvailable: 9007199254740992 kB\nSwapTotal: 9007199254740992 kB\n"
       "SwapFree: 9007199254740992 kB\n",
       Max / 2 + 1, Max / 2 + 1, Max, Max, 0},
      {"MemTotal:1000 kB\r\nMemAvailable:   2000 kB\r\nSwapTotal: 100 kB\nSwapFree: 200 kB\n", 1000 * K, 1000 * K,
       1100 * K, 1100 * K, 0},
      {"MemTotal: 1000 kB\nMemTotal: 5 kB\nMemFree: 250 kB\n", 1000 * K, 250 * K, 1000 * K, 250 * K, 75},
      {std::string(1 << 20, 'x') + "\nMemTotal: 1000\n", 1000, 0, 1000, 0, 100},
  };
  for (const Case& c : cases) {
    TFixture fixture({{"proc/meminfo", c.meminfo}});
    const TMemoryStatus s = fixture.Info.MemoryStatus();
    const std::string shown = c.meminfo.substr(0, 60);
    EXPECT_EQ(s.TotalPhys, c.total) << shown;
    EXPECT_EQ(s.AvailPhys, c.avail) << shown;
    EXPECT_EQ(s.TotalPageFile, c.pageTotal) << shown;
    EXPECT_EQ(s.AvailPageFile, c.pageAvail) << shown;
    EXPECT_EQ(s.MemoryLoad, c.load) << shown;
  }
}

TEST(SystemInfoFixture, VirtualMemoryLeftBelowTheLimit) {
  const std::pair<std::string, std::uint64_t> cases[] = {{"", 0},
                                                         {"VmPeak:\t200000 kB\nVmSize:\t123456 kB\n", 123456 * K},
                                                         {"VmSize: lots\n", 0},
                                                         {"VmSize:\t18014398509481983 kB\n", Max}};
  for (const auto& [status, used] : cases) {
    const TMemoryStatus s = TFixture({{"proc/self/status", status}}).Info.MemoryStatus();
    EXPECT_EQ(s.AvailVirtual, used > s.TotalVirtual ? 0 : s.TotalVirtual - used) << status;
  }
}

TEST(SystemInfoFixture, ProcessorLevel) {
  const std::pair<std::string, std::uint32_t> cases[] = {
      {"processor\t: 0\ncpu family\t: 6\nmodel name\t: Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz\n\n"
       "processor\t: 1\ncpu family\t: 25\nmodel name\t: Other\n",
       6},
      {"", 0},
      {"cpu family : 15 \nmodel name:  spaced  \n", 15},
      {"cpu family\t: six\nmodel name\n", 0},
      {"cpu family\t: -6\ncpu family\t: 6\n", 0},
      {"cpu family\t: 4294967296\nmodel name:\n", 0},
      {"\0\0cpu family\0: 5\n"s, 5},  // NULs trim like blanks
  };
  for (const auto& [cpuinfo, level] : cases) {
    TFixture fixture({{"proc/cpuinfo", cpuinfo}});
    EXPECT_EQ(fixture.Info.ProcessorLevel(), level) << cpuinfo;
  }
}

TEST(SystemInfoFixture, OSNameFromOsRelease) {
  const utsname names = unameOf();
  const std::string fromUname = std::string(names.sysname) + " " + names.release;
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"NAME=\"Debian\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n", "", "Debian GNU/Linux 12 (bookworm)"},
      {"PRETTY_NAME='Alpine Linux v3.19'", "", "Alpine Linux v3.19"},
      {R"(PRETTY_NAME="Say \"hi\" \$HOME \\ \n")", "", R"(Say "hi" $HOME \ \n)"},
      {R"(PRETTY_NAME='no \' escapes')", "", R"(no \)"},
      {"PRETTY_NAME=A\nPRETTY_NAME=\"Broken\n# PRETTY_NAME=C\n  PRETTY_NAME=Last  \n", "", "Last"},
      {"PRETTY_NAME=\"Broken\nPRETTY_NAMEX=bad\n", "PRETTY_NAME=Fallback", "Fallback"},
      {"PRETTY_NAME=\"\"\nPRETTY_NAME\n", "", fromUname},
      {"PRETTY_NAME=Evil\x07OS", "", "Evil OS"},
      {"\xFF\xFE\0\0"s, "", fromUname},
  };
  for (const auto& [etc, usrLib, name] : cases) {
    const TOSVersion v = TFixture({{"etc/os-release", etc}, {"usr/lib/os-release", usrLib}}).Info.OSVersion();
    EXPECT_EQ(v.Name, name) << etc;
    EXPECT_EQ(v.KernelRelease, names.release);
  }
}

TEST(SystemInfoFixture, ConnectedDisplaysInNameOrder) {
  EXPECT_TRUE(TFixture({}).Info.DisplayDevices().empty());
  TFixture fixture({
      {"sys/class/drm/card1-HDMI-A-1/status", "connected\n"},
      {"sys/class/drm/card0-eDP-1/status", "connected"},
      {"sys/class/drm/card0-DP-1/status", "disconnected\n"},
      {"sys/class/drm/card0-DP-3/other", "connected\n"},
      {"sys/class/drm/card0/device/uevent", "PCI_ID=8086:3E92\nDRIVER=i915\nDRIVER=second\n"},
      {"sys/class/drm/card0/status", "connected\n"},
      {"sys/class/drm/cardX-Y/status", "connected\n"},
      {"sys/class/drm/card2-/status", "connected\n"},
      {"sys/class/drm/version", "drm 1.1.0 20060810\n"},
      {"sys/class/drm/card3-Virtual-1/status", "connected\n"},
      {"sys/class/drm/card3/device/uevent", "DRIVER=vir\x1Btual\n"},
  });
  std::string seen;
  for (const TDisplayDevice& d : fixture.Info.DisplayDevices()) seen += d.DeviceName + "|" + d.DeviceString + ";";
  EXPECT_EQ(seen, "card0-eDP-1|i915;card1-HDMI-A-1|card1;card3-Virtual-1|vir tual;");  // card1: no driver known
}

TEST(SystemInfoLive, ReadsThisMachine) {
  TLinuxSystemInfo info;
  EXPECT_FALSE(info.OSVersion().Name.empty());
  const TMemoryStatus memory = info.MemoryStatus();
  EXPECT_GT(memory.TotalPhys, 0u);
  EXPECT_LE(memory.MemoryLoad, 100u);
  std::string hostname;
  std::getline(std::ifstream("/proc/sys/kernel/hostname"), hostname);
  EXPECT_EQ(info.ComputerName(), ClassicComputerName(hostname));
  const passwd* user = ::getpwuid(::geteuid());
  EXPECT_EQ(info.UserName(), user ? user->pw_name : "");
}

// The one test that waits for a measurement.
TEST(SystemInfoLive, MeasuresTheClockAndRestoresTheScheduling) {
  int policyBefore = 0, policyAfter = 0;
  sched_param paramBefore{}, paramAfter{};
  ::pthread_getschedparam(::pthread_self(), &policyBefore, &paramBefore);
  const TClockSample sample = TLinuxSystemInfo().MeasureClock();
  ::pthread_getschedparam(::pthread_self(), &policyAfter, &paramAfter);
  EXPECT_EQ(policyAfter, policyBefore);
  EXPECT_EQ(paramAfter.sched_priority, paramBefore.sched_priority);
  EXPECT_GE(sample.Microseconds, 500000u);  // a sleep never ends early
#if defined(__x86_64__) || defined(__i386__)
  EXPECT_GT(sample.Ticks, 0u);
#endif
}

TEST(SystemInfo, InstalledSourceAndBack) {
  TFixedSystemInfo fixed, inner;
  {
    TSystemInfoScope scope(fixed);
    EXPECT_EQ(&SystemInfo(), &fixed);
    EXPECT_EQ(SetSystemInfo(&inner), &fixed);
    EXPECT_EQ(SetSystemInfo(&fixed), &inner);
  }
  EXPECT_EQ(SetSystemInfo(nullptr), nullptr);
  EXPECT_NE(dynamic_cast<TLinuxSystemInfo*>(&SystemInfo()), nullptr);
}

}  // namespace
}  // namespace rv
