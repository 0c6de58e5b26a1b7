#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "exception/LogError.h"
#include "exception/QVMapFile.h"
#include "platform/forms/Application.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Screen.h"
#include "platform/forms/StdCtrls.h"
#include "platform/os/Process.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/Program.h"
#include "testing/os/SystemInfoFixed.h"
#include "tests/support/Environment.h"
#include "tests/support/TempDir.h"

namespace rv {
namespace {

using TSection = std::function<std::string(const TQVSystemReport&)>;

// Started by the application test as a child of its own, with the form in
// RV_REPORT_CHILD: writes its application section and ends before any test.
[[maybe_unused]] const bool childReport = [] {
  const char* form = std::getenv("RV_REPORT_CHILD");
  if (!form) return false;
  Application->SetTitle("Child title");
  TQVLogBase log(nullptr);
  TQVMapFile map;
  log.SetFormatting(std::string(form) == "xml" ? qvlfXML : qvlfText);
  std::fputs(TQVSystemReport(log, map).GetApplicationDetails().c_str(), stdout);
  std::fflush(stdout);
  std::_Exit(0);
}();

// A section in the text form, then in the XML form.
using TBothForms = std::pair<std::string, std::string>;

TBothForms framed(const std::string& items) { return {"======\r\n" + items, items}; }

class ReportTest : public ::testing::Test {
 protected:
  TBothForms Both(const TSection& section) {
    TQVLogBase log(nullptr);
    TQVSystemReport report(log, Map);
    TBothForms result;
    result.first = section(report);
    log.SetFormatting(qvlfXML);
    result.second = section(report);
    return result;
  }

  TFixedSystemInfo Info;
  TSystemInfoScope Scope{Info};
  TQVMapFile Map;
};

TEST_F(ReportTest, SourcePositionAsFound) {
  EXPECT_EQ(Both(&TQVSystemReport::GetFormattedSource), TBothForms("", ""));  // nothing looked up yet
  rvtest::TempDir dir;
  rvtest::WriteFile(dir.File("app.map"),
                    "Detailed map of segments\r\n\r\n"
                    " 0001:00000010 000000F0 C=CODE     S=.text    G=(none)   M=LogBase ACBP=A9\r\n"
                    " 0001:00000100 00000100 C=CODE     S=.text    G=(none)   M=Log ACBP=A9\r\n\r\n"
                    "  Address         Publics by Name\r\n"
                    "  Address         Publics by Value\r\n\r\n\r\n"
                    " 0001:00000008       Start.Entry\r\n"
                    " 0001:00000030       LogBase.Open\r\n"
                    " 0001:00000100       Log.Write\r\n\r\n"
                    "Line numbers for LogBase(LogBase.pas) segment .text\r\n\r\n"
                    "    10 0001:00000030    11 0001:00000034\r\n");
  const std::pair<std::uintptr_t, std::string> cases[] = {
      {0x401034, "\r\nUnit: LogBase\r\nProcedure: LogBase.Open\r\nLine No: 11"},
      {0x401008, "\r\nProcedure: Start.Entry\r\n"},
      {0x401200, "\r\nUnit: Log\r\n"},
  };
  Map.SetMapFileName(dir.File("app.map"));
  for (const auto& [address, source] : cases) {
    Map.LoadExceptionData(reinterpret_cast<const void*>(address));
    EXPECT_EQ(Both(&TQVSystemReport::GetFormattedSource), TBothForms(source, source)) << address;
  }
  Map.SetMapFileName(dir.File("missing.map"));
  Map.LoadExceptionData(reinterpret_cast<const void*>(0x401034));
  EXPECT_EQ(Both(&TQVSystemReport::GetFormattedSource), TBothForms("\r\n", "\r\n"));
}

TEST_F(ReportTest, ActiveFormAndControl) {
  TForm form(nullptr);
  TCustomForm custom(nullptr);
  form.SetName("frmMain");
  form.SetCaption("Main window");
  custom.SetCaption("Custom caption");
  auto* edit = new TEdit(&form);
  edit->SetName("edtName");
  const std::tuple<TCustomForm*, TForm*, TWinControl*, TBothForms> cases[] = {
      {nullptr, nullptr, nullptr, {"", ""}},
      {&form, &form, edit, framed("Active Form: frmMain, Main window\r\nActive Control: edtName")},
      {&form, &form, nullptr, framed("Active Form: frmMain, Main window")},
      {nullptr, nullptr, edit, framed("Active Control: edtName")},
      {&custom, &form, nullptr, framed("Active Form: frmMain, Custom caption")},
      {&custom, nullptr, nullptr, {"", ""}},
  };
  for (const auto& [activeCustom, active, control, sections] : cases) {
    Screen->SetActiveForm(activeCustom, active);
    Screen->SetActiveControl(control);
    EXPECT_EQ(Both(&TQVSystemReport::GetActiveControlDetails), sections);
  }
  Screen->SetActiveForm(nullptr, nullptr);
  Screen->SetActiveControl(nullptr);
}

TEST_F(ReportTest, ComputerAndUser) {
  const std::tuple<std::string, std::string, std::string> cases[] = {
      {"BUILD-01", "alice", "Computer: BUILD-01\r\nUser Name: alice"},
      {"BUILD-01", "", "Computer: BUILD-01\r\n"},
      {"", "", "Computer: \r\n"},
  };
  for (const auto& [computer, user, items] : cases) {
    Info.SetComputerName(computer);
    Info.SetUserName(user);
    EXPECT_EQ(Both(&TQVSystemReport::GetComputerInfo), framed(items));
  }
}

TEST_F(ReportTest, SystemNameAndKernelBuild) {
  const std::pair<TOSVersion, TBothForms> cases[] = {
      {{"Debian GNU/Linux 12 (bookworm)", "6.1.0-18-amd64"},
       framed("Debian GNU/Linux 12 (bookworm)(build 6.1.0-18-amd64)")},
      {{"", "6.1.0"}, framed("(build 6.1.0)")},
      {{"", ""}, {"", ""}},
  };
  for (const auto& [version, sections] : cases) {
    Info.SetOSVersion(version);
    EXPECT_EQ(Both(&TQVSystemReport::GetOSInfo), sections) << version.KernelRelease;
  }
}

TEST_F(ReportTest, ProcessorLevelNames) {
  const std::pair<std::uint32_t, std::string> cases[] = {{3, "80386"}, {4, "80486"}, {5, "Pentium"}, {6, "Pentium Pro"},
                                                         {0, "0"},     {7, "7"},     {25, "25"}};
  for (const auto& [level, name] : cases) {
    Info.SetProcessorLevel(level);
    EXPECT_EQ(Both([](const TQVSystemReport& r) { return r.GetCPUInfo(false); }), framed(name));
  }
  EXPECT_EQ(Info.Measurements(), 0);
}

TEST_F(ReportTest, MeasuredClockFollowsTheName) {
  struct Case {
    TClockSample sample;
    char separator;
    std::string items;
  };
  const Case cases[] = {
      {{1234567890, 500000}, '.', "Pentium Pro 2469.13578 MHz"},
      {{1234567890, 500000}, ',', "Pentium Pro 2469,13578 MHz"},
      {{5000000000, 500000}, '.', "Pentium Pro 10000 MHz"},  // beyond 32 bits of ticks
      {{0, 0}, '.', "Pentium Pro 0 MHz"},
  };
  Info.SetProcessorLevel(6);
  const TFormatSettings saved = FormatSettings;
  for (const Case& c : cases) {
    Info.SetClockSample(c.sample);
    FormatSettings.DecimalSeparator = c.separator;
    EXPECT_EQ(Both([](const TQVSystemReport& r) { return r.GetCPUInfo(true); }), framed(c.items));
  }
  FormatSettings = saved;
  EXPECT_EQ(Info.Measurements(), 2 * static_cast<int>(std::size(cases)));
}

TEST_F(ReportTest, MemoryInKilobytesBeyond32Bits) {
  constexpr std::uint64_t GiB = std::uint64_t{1} << 30;
  Info.SetMemoryStatus({.MemoryLoad = 37,
                        .TotalPhys = 64 * GiB,
                        .AvailPhys = 40 * GiB + 1023,
                        .TotalPageFile = 72 * GiB,
                        .AvailPageFile = 1023,
                        .TotalVirtual = std::uint64_t{1} << 47,
                        .AvailVirtual = (std::uint64_t{1} << 47) - 5 * GiB});
  EXPECT_EQ(Both(&TQVSystemReport::GetMemoryInfo), framed("Total pagefile: 75497472 Kb\r\n"
                                                          "Available pagefile: 0 Kb\r\n"
                                                          "Total virtual memory: 137438953472 Kb\r\n"
                                                          "Available virtual memory: 137433710592 Kb\r\n"
                                                          "Total memory: 67108864 Kb\r\n"
                                                          "Available memory: 41943040 Kb\r\n"
                                                          "Memory in use: 37%"));
}

TEST_F(ReportTest, DisplayDevices) {
  EXPECT_EQ(Both(&TQVSystemReport::GetVideoCardInfo), TBothForms("", ""));
  Info.SetDisplayDevices({{"card0-eDP-1", "i915"}, {"card1-HDMI-A-1", "card1"}});
  EXPECT_EQ(Both(&TQVSystemReport::GetVideoCardInfo),
            framed("Device: card0-eDP-1  Name: i915\r\nDevice: card1-HDMI-A-1  Name: card1"));
}

TEST(ReportApplication, ExecutableTitleAndParameters) {
  const std::string exe = ExecutablePath();
  const std::string head = "EXE file name: " + exe + "\r\nApplication Title:Child title";
  const std::tuple<const char*, std::vector<std::string>, std::string> cases[] = {
      {"text", {exe}, "======\r\n" + head},
      {"xml", {exe}, head},
      {"text", {exe, "first", "two words", ""}, "======\r\n" + head + "\r\nParameters: \r\nfirst\r\ntwo words\r\n"},
      {"xml", {exe, "-x"}, head + "\r\nParameters: \r\n-x"},
  };
  for (const auto& [form, args, section] : cases) {
    test::TEnvOverride child("RV_REPORT_CHILD", form);
    const TProcessResult run = RunProcess(args);
    ASSERT_TRUE(run.ExitedWith(0)) << run.Errors;
    EXPECT_EQ(run.Output, section);
  }
}

TEST(ReportLive, ReadsThisMachine) {
  TQVLogBase log(nullptr);
  TQVMapFile map;
  TQVSystemReport report(log, map);
  EXPECT_TRUE(report.GetOSInfo().starts_with("======\r\n"));
  EXPECT_NE(report.GetOSInfo().find("(build "), std::string::npos);
  EXPECT_EQ(report.GetMemoryInfo().find("Total memory: 0 Kb"), std::string::npos);
  EXPECT_TRUE(report.GetComputerInfo().starts_with("======\r\nComputer: "));
}

}  // namespace
}  // namespace rv
