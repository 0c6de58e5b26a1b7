#include "platform/os/SystemInfo.h"

#include <pthread.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <limits>
#include <optional>

#include "platform/os/SystemInfoFixed.h"
#include "tests/support/TempDir.h"

namespace rv {
namespace {

using namespace std::string_literals;
constexpr std::uint64_t KiB = 1024;
constexpr std::uint64_t maxBytes = std::numeric_limits<std::uint64_t>::max();

// A fixture file system: files written below a fresh root.
class TFixtureRoot {
 public:
  TFixtureRoot() { FInfo.SetRoot(FDir.Path()); }
  void Put(const std::string& name, const std::string& text) {
    std::filesystem::create_directories(std::filesystem::path(FDir.File(name)).parent_path());
    rvtest::WriteFile(FDir.File(name), text);
  }
  TLinuxSystemInfo& Info() { return FInfo; }

 private:
  rvtest::TempDir FDir;
  TLinuxSystemInfo FInfo;
};

utsname unameOf() {
  utsname names{};
  EXPECT_EQ(::uname(&names), 0);
  return names;
}

TEST(ClassicComputerName, FirstLabelUpperCaseCutTo15) {
  using namespace std::string_view_literals;
  const std::pair<std::string_view, std::string> cases[] = {
      {"build-01.example.org"sv, "BUILD-01"},
      {"averyveryverylonghostname"sv, "AVERYVERYVERYLO"},
      {"exactly15chars1"sv, "EXACTLY15CHARS1"},
      {""sv, ""},
      {".example"sv, ""},
      {"host\0hidden.org"sv, "HOST"},
      {"h\xC3\xB6st.example"sv, "H\xC3\xB6ST"},
      {"abcdefghijklmn\xF0\x9F\x98\x80"sv, "ABCDEFGHIJKLMN"},  // no half of a pair
      {"ho\x01st"sv, "HO ST"},
  };
  for (const auto& [host, name] : cases) EXPECT_EQ(ClassicComputerName(host), name) << host;
}

TEST(SystemInfoFixture, MemoryFromMeminfoAndStatus) {
  TFixtureRoot root;
  root.Put("proc/meminfo",
           "MemTotal:       16314772 kB\nMemFree:         1000000 kB\nMemAvailable:    8157386 kB\n"
           "Buffers:          250000 kB\nSwapTotal:       2097148 kB\nSwapFree:        1048574 kB\n"
           "HugePages_Total:       0\n");
  root.Put("proc/self/status", "Name:\tapp\nVmPeak:\t  200000 kB\nVmSize:\t  123456 kB\n");
  const TMemoryStatus s = root.Info().MemoryStatus();
  EXPECT_EQ(s.TotalPhys, 16314772 * KiB);
  EXPECT_EQ(s.AvailPhys, 8157386 * KiB);
  EXPECT_EQ(s.MemoryLoad, 50u);
  EXPECT_EQ(s.TotalPageFile, (16314772 + 2097148) * KiB);
  EXPECT_EQ(s.AvailPageFile, (8157386 + 1048574) * KiB);
  rlimit limit{};
  ASSERT_EQ(::getrlimit(RLIMIT_AS, &limit), 0);
  EXPECT_EQ(s.TotalVirtual, limit.rlim_cur == RLIM_INFINITY ? std::uint64_t{1} << 47 : limit.rlim_cur);
  EXPECT_EQ(s.AvailVirtual, s.TotalVirtual - 123456 * KiB);
}

TEST(SystemInfoFixture, MalformedMeminfo) {
  struct Case {
    std::optional<std::string> meminfo;
    std::uint64_t total, avail, pageTotal, pageAvail;
    std::uint32_t load;
  };
  const Case cases[] = {
      {std::nullopt, 0, 0, 0, 0, 0},
      {"garbage without a colon\n\x01\x02\0\xFF::\n: 5 kB\n"s, 0, 0, 0, 0, 0},
      {"MemTotal: -5 kB\nMemAvailable: +5 kB\n", 0, 0, 0, 0, 0},
      {"MemTotal: 99999999999999999999999 kB\n", 0, 0, 0, 0, 0},
      {"MemTotal: 1000 MB\n", 0, 0, 0, 0, 0},
      {"MemTotal: 12abc kB\nMemTotal:    kB\nMemTotal\n", 0, 0, 0, 0, 0},
      {"MemTotal: 0 kB\nMemAvailable: 5 kB\n", 0, 0, 0, 0, 0},
      // above what 32 bits hold, reported as it is
      {"MemTotal: 4294967296 kB\nMemAvailable: 1073741824 kB\n", 4294967296 * KiB, 1073741824 * KiB,
       4294967296 * KiB, 1073741824 * KiB, 75},
      {"MemTotal: 18014398509481984 kB\n", maxBytes, 0, maxBytes, 0, 100},
      {"MemTotal: 9007199254740992 kB\nMemAvailable: 9007199254740992 kB\nSwapTotal: 9007199254740992 kB\n"
       "SwapFree: 9007199254740992 kB\n",
       std::uint64_t{1} << 63, std::uint64_t{1} << 63, maxBytes, maxBytes, 0},
      {"MemTotal:1000 kB\r\nMemAvailable:   2000 kB\r\n", 1000 * KiB, 1000 * KiB, 1000 * KiB, 1000 * KiB, 0},
      {"MemTotal: 1000 kB\nMemFree: 250 kB\n", 1000 * KiB, 250 * KiB, 1000 * KiB, 250 * KiB, 75},
      {"MemTotal: 1000 kB\nMemTotal: 5 kB\nMemAvailable: 500 kB", 1000 * KiB, 500 * KiB, 1000 * KiB, 500 * KiB, 50},
      {"MemTotal: 1000 kB\nMemAvailable: 500 kB\nSwapTotal: 100 kB\nSwapFree: 200 kB\n", 1000 * KiB, 500 * KiB,
       1100 * KiB, 600 * KiB, 50},
      {std::string(1 << 20, 'x') + "\nMemTotal: 1000\n", 1000, 0, 1000, 0, 100},
  };
  for (const Case& c : cases) {
    TFixtureRoot root;
    if (c.meminfo) root.Put("proc/meminfo", *c.meminfo);
    const TMemoryStatus s = root.Info().MemoryStatus();
    const std::string shown = c.meminfo.value_or("(none)").substr(0, 80);
    EXPECT_EQ(s.TotalPhys, c.total) << shown;
    EXPECT_EQ(s.AvailPhys, c.avail) << shown;
    EXPECT_EQ(s.TotalPageFile, c.pageTotal) << shown;
    EXPECT_EQ(s.AvailPageFile, c.pageAvail) << shown;
    EXPECT_EQ(s.MemoryLoad, c.load) << shown;
  }
}

TEST(SystemInfoFixture, VirtualMemoryWithoutOrBeyondTheLimit) {
  const std::pair<std::optional<std::string>, std::optional<std::uint64_t>> cases[] = {
      {std::nullopt, 0},  // nothing used known: everything available
      {"VmSize: lots\n", 0},
      {"VmSize:\t18014398509481983 kB\n", std::nullopt},  // more than the limit: nothing available
  };
  for (const auto& [status, used] : cases) {
    TFixtureRoot root;
    if (status) root.Put("proc/self/status", *status);
    const TMemoryStatus s = root.Info().MemoryStatus();
    EXPECT_EQ(s.AvailVirtual, used ? s.TotalVirtual - *used : 0) << status.value_or("(none)");
  }
}

TEST(SystemInfoFixture, ProcessorLevelAndName) {
  struct Case {
    std::optional<std::string> cpuinfo;
    std::uint32_t level;
    std::string name;
  };
  const Case cases[] = {
      {"processor\t: 0\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 158\n"
       "model name\t: Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz\n\nprocessor\t: 1\ncpu family\t: 25\n"
       "model name\t: Other\n",
       6, "Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz"},
      {std::nullopt, 0, ""},
      {"cpu family : 15 \nmodel name:  spaced  \n", 15, "spaced"},
      {"cpu family\t: six\nmodel name\n", 0, ""},
      {"cpu family\t: -6\n", 0, ""},
      {"cpu family\t: 4294967296\n", 0, ""},
      {"cpu family\t: 0x6\ncpu family\t: 6\n", 0, ""},
      {"cpu family:\nmodel name:\n", 0, ""},
      {"model name\t: evil\x1B[31m\rname\n", 0, "evil [31m name"},
      {"processor\t: 0\nBogoMIPS\t: 48.00\nCPU implementer\t: 0x41\n", 0, ""},
      {"\0\0\0cpu family\0: 5\n"s, 5, ""},  // NULs trim like blanks
  };
  for (const Case& c : cases) {
    TFixtureRoot root;
    if (c.cpuinfo) root.Put("proc/cpuinfo", *c.cpuinfo);
    const std::string shown = c.cpuinfo.value_or("(none)").substr(0, 40);
    EXPECT_EQ(root.Info().ProcessorLevel(), c.level) << shown;
    EXPECT_EQ(root.Info().ProcessorName(), c.name) << shown;
  }
}

TEST(SystemInfoFixture, OSNameFromOsRelease) {
  const utsname names = unameOf();
  const std::string unameName = std::string(names.sysname) + " " + names.release;
  struct Case {
    std::optional<std::string> etc, usrLib;
    std::string name;
  };
  const Case cases[] = {
      {"NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n", std::nullopt,
       "Debian GNU/Linux 12 (bookworm)"},
      {"PRETTY_NAME='Alpine Linux v3.19'", std::nullopt, "Alpine Linux v3.19"},
      {"PRETTY_NAME=Gentoo", std::nullopt, "Gentoo"},
      {R"(PRETTY_NAME="Say \"hi\" \$HOME \\ \n")", std::nullopt, R"(Say "hi" $HOME \ \n)"},
      {R"(PRETTY_NAME='no \' escapes')", std::nullopt, R"(no \)"},
      {"PRETTY_NAME=\"Broken", "PRETTY_NAME=Fallback", "Fallback"},
      {"PRETTY_NAME=First\nPRETTY_NAME=\"Broken", std::nullopt, "First"},
      {"PRETTY_NAME=A\nPRETTY_NAME=B\n", std::nullopt, "B"},
      {"# PRETTY_NAME=Commented\n   PRETTY_NAME=Indented   \n", std::nullopt, "Indented"},
      {"PRETTY_NAME=\"\"", std::nullopt, unameName},
      {"PRETTY_NAMEX=bad\nXPRETTY_NAME=bad\nPRETTY_NAME\n", std::nullopt, unameName},
      {"PRETTY_NAME=Evil\x07OS", std::nullopt, "Evil OS"},
      {"PRETTY_NAME=\"two\nlines\"", std::nullopt, unameName},
      {std::nullopt, "PRETTY_NAME=\"From usr/lib\"", "From usr/lib"},
      {std::nullopt, std::nullopt, unameName},
      {"\xFF\xFE\0\0"s, std::nullopt, unameName},
  };
  for (const Case& c : cases) {
    TFixtureRoot root;
    if (c.etc) root.Put("etc/os-release", *c.etc);
    if (c.usrLib) root.Put("usr/lib/os-release", *c.usrLib);
    const TOSVersion v = root.Info().OSVersion();
    EXPECT_EQ(v.Name, c.name) << c.etc.value_or("(none)");
    EXPECT_EQ(v.KernelRelease, names.release);
  }
}

TEST(SystemInfoFixture, ConnectedDisplaysInNameOrder) {
  TFixtureRoot root;
  const std::pair<std::string, std::string> files[] = {
      {"sys/class/drm/card1-HDMI-A-1/status", "connected\n"},
      {"sys/class/drm/card0-eDP-1/status", "connected"},
      {"sys/class/drm/card0-DP-1/status", "disconnected\n"},
      {"sys/class/drm/card0-DP-2/status", "unknown\n"},
      {"sys/class/drm/card0-DP-3/other", "connected\n"},
      {"sys/class/drm/card0/device/uevent", "PCI_ID=8086:3E92\nDRIVER=i915\nDRIVER=second\n"},
      {"sys/class/drm/card0/status", "connected\n"},
      {"sys/class/drm/cardX-Y/status", "connected\n"},
      {"sys/class/drm/card-/status", "connected\n"},
      {"sys/class/drm/card2-/status", "connected\n"},
      {"sys/class/drm/renderD128/status", "connected\n"},
      {"sys/class/drm/version", "drm 1.1.0 20060810\n"},
      {"sys/class/drm/card3-Virtual-1/status", "connected\n"},
      {"sys/class/drm/card3/device/uevent", "DRIVER=vir\x1Btual\n"},
  };
  for (const auto& [name, text] : files) root.Put(name, text);
  const std::vector<TDisplayDevice> devices = root.Info().DisplayDevices();
  ASSERT_EQ(devices.size(), 3u);
  EXPECT_EQ(devices[0].DeviceName, "card0-eDP-1");
  EXPECT_EQ(devices[0].DeviceString, "i915");
  EXPECT_EQ(devices[1].DeviceName, "card1-HDMI-A-1");
  EXPECT_EQ(devices[1].DeviceString, "card1");  // no driver to be read
  EXPECT_EQ(devices[2].DeviceName, "card3-Virtual-1");
  EXPECT_EQ(devices[2].DeviceString, "vir tual");
}

TEST(SystemInfoFixture, HeadlessMachineHasNoDisplays) {
  TFixtureRoot root;
  EXPECT_TRUE(root.Info().DisplayDevices().empty());
  root.Put("sys/class/drm/version", "drm 1.1.0 20060810\n");
  EXPECT_TRUE(root.Info().DisplayDevices().empty());
}

// ---- The live machine ----

TEST(SystemInfoLive, ReadsThisMachine) {
  TLinuxSystemInfo info;
  const TOSVersion os = info.OSVersion();
  EXPECT_FALSE(os.Name.empty());
  EXPECT_EQ(os.KernelRelease, unameOf().release);
  const TMemoryStatus memory = info.MemoryStatus();
  EXPECT_GT(memory.TotalPhys, 0u);
  EXPECT_LE(memory.AvailPhys, memory.TotalPhys);
  EXPECT_LE(memory.MemoryLoad, 100u);
  EXPECT_GE(memory.TotalPageFile, memory.TotalPhys);
  EXPECT_GT(memory.TotalVirtual, 0u);
  std::string hostname;
  std::getline(std::ifstream("/proc/sys/kernel/hostname"), hostname);
  EXPECT_EQ(info.ComputerName(), ClassicComputerName(hostname));
  const passwd* user = ::getpwuid(::geteuid());
  EXPECT_EQ(info.UserName(), user ? user->pw_name : "");
  for (const TDisplayDevice& d : info.DisplayDevices()) EXPECT_EQ(d.DeviceName.rfind("card", 0), 0u);
}

// The one test that waits for a measurement.
TEST(SystemInfoLive, MeasuresTheClockAndRestoresTheScheduling) {
  int policyBefore = 0, policyAfter = 0;
  sched_param paramBefore{}, paramAfter{};
  ASSERT_EQ(::pthread_getschedparam(::pthread_self(), &policyBefore, &paramBefore), 0);
  const TClockSample sample = TLinuxSystemInfo().MeasureClock();
  ASSERT_EQ(::pthread_getschedparam(::pthread_self(), &policyAfter, &paramAfter), 0);
  EXPECT_EQ(policyAfter, policyBefore);
  EXPECT_EQ(paramAfter.sched_priority, paramBefore.sched_priority);
  EXPECT_GE(sample.Microseconds, 500000u);  // a sleep never ends early
#if defined(__x86_64__) || defined(__i386__)
  EXPECT_GT(sample.Ticks, 0u);
#endif
}

TEST(SystemInfo, InstalledSourceAndBack) {
  TFixedSystemInfo fixed;
  EXPECT_NE(dynamic_cast<TLinuxSystemInfo*>(&SystemInfo()), nullptr);
  {
    TSystemInfoScope scope(fixed);
    EXPECT_EQ(&SystemInfo(), &fixed);
    TFixedSystemInfo inner;
    EXPECT_EQ(SetSystemInfo(&inner), &fixed);
    EXPECT_EQ(SetSystemInfo(&fixed), &inner);
  }
  EXPECT_EQ(SetSystemInfo(nullptr), nullptr);
  EXPECT_NE(dynamic_cast<TLinuxSystemInfo*>(&SystemInfo()), nullptr);
}

}  // namespace
}  // namespace rv
