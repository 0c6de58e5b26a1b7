#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/LogBase.h"
#include "package/LogReg.h"
#include "package/REVuziva.h"
#include "platform/classes/Registration.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"
#include "tests/support/RunProgram.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

std::vector<std::string> classNames(const TPalettePage& page) {
  std::vector<std::string> names;
  for (const TClass* cls : page.Classes) names.push_back(cls->Name());
  return names;
}

TEST(PackageTest, RegisterPutsExactlyTheEightComponentsOnTheirPageInOrder) {
  ClearPalette();
  TScopeExit clear([] { ClearPalette(); });
  Register();
  Register();  // a designer installing the package again adds nothing
  const std::vector<TPalettePage> palette = Palette();
  ASSERT_EQ(palette.size(), 1u);
  EXPECT_EQ(palette[0].Name, "REVuziva");
  EXPECT_EQ(classNames(palette[0]),
            (std::vector<std::string>{"TQVExceptionLog", "TQVAppLog", "TQVDatasetLog", "TQVFileLog", "TQVNTEventLog",
                                      "TQVShellLog", "TQVRegistryLog", "TQVLCheckProcessor"}));
  for (const char* name : {"TQVLCheckProcessor", "TQVShellLog", "TQVExceptionLog"})
    EXPECT_NE(GetClass(name), nullptr) << name << " readable in form files";
}

TEST(PackageTest, TheInfoTableListsTheUnitsInPackageOrderAndOnlyLogBaseWorks) {
  const TPackageInfoTable* table = GetPackageInfoTable();
  ASSERT_NE(table, nullptr);
  std::vector<std::string> names;
  std::vector<std::string> working;
  for (std::size_t i = 0; i < table->UnitCount; ++i) {
    names.push_back(table->Units[i].Name);
    if (table->Units[i].Init || table->Units[i].FInit) working.push_back(table->Units[i].Name);
  }
  EXPECT_EQ(names, (std::vector<std::string>{"REVuziva", "QVLChecks", "LogCnst", "LogRegistry", "LogBase", "LogShell",
                                             "QVMapFile", "LogNT", "LogFile", "LogDS", "LogDlg", "LogReg", "LogError",
                                             "LogApp"}));
  EXPECT_EQ(working, std::vector<std::string>{"LogBase"});
}

TEST(PackageTest, BetweenFinalizeAndInitializeTheLogLockIsGoneAndWritesRaise) {
  rvtest::TempDir dir;
  TQVLogBase log(nullptr);
  log.SetLogFile(dir.File("x.log"));
  ASSERT_TRUE(PackageInitialized()) << "the library's load initialised the units";
  {
    TScopeExit restore([] { Initialize(); });
    Finalize();
    Finalize();  // once is enough; a second does nothing
    EXPECT_FALSE(PackageInitialized());
    EXPECT_THROW(LogLock(), EPackageError);
    EXPECT_THROW(log.WriteAsString("T", "lost"), EPackageError);
  }
  Initialize();  // already initialised: nothing happens
  EXPECT_TRUE(PackageInitialized());
  log.WriteAsString("T", "kept");
  EXPECT_EQ(rvtest::ReadFile(dir.File("x.log")), "kept");
}

TEST(PackageTest, LoadingUnloadingAndLoadingAgainLeavesNothingBehind) {
  rvtest::TempDir dir;
  const rvtest::ProgramResult host =
      rvtest::RunProgram(std::string(RV_DLHOST) + " " + RV_PLUGIN + " " + RV_LIBRARY + " " + dir.Path());
  ASSERT_EQ(host.Code, 0) << host.Output;
  for (const char* line : {"premapped=no", "mapped1=yes", "write1=yes", "unmapped1=yes", "handlers1=yes", "mapped2=yes",
                           "write2=yes", "unmapped2=yes", "handlers2=yes", "entryunmapped=yes"})
    EXPECT_NE(host.Output.find(std::string(line) + "\n"), std::string::npos) << line << "\n" << host.Output;
  EXPECT_NE(host.Output.find("units=REVuziva,QVLChecks,LogCnst,LogRegistry,LogBase+,LogShell"), std::string::npos)
      << host.Output;
  EXPECT_EQ(rvtest::ReadFile(dir.File("plain.log")), "round 1round 2");
  // Loaded with dlopen by a host that has the C++ runtime already, the
  // library's throw hook is not the one the runtime calls: the record is
  // written, without the throw site.
  EXPECT_NE(host.Output.find("throwsite1=no\n"), std::string::npos) << host.Output;
  const std::string crash = rvtest::ReadFile(dir.File("crash.log"));
  EXPECT_NE(crash.find("EConvertError"), std::string::npos) << crash;
  EXPECT_NE(crash.find("plugin failure"), std::string::npos) << crash;
}

}  // namespace
