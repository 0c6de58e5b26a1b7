#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

#include "platform/classes/Strings.h"
#include "platform/os/Registry.h"
#include "platform/rtl/Service.h"
#include "tests/support/Helpers.h"
#include "tests/support/TempDir.h"

using namespace rv;
namespace fs = std::filesystem;

namespace {

// A store of its own below a temporary folder.
struct Store {
  rvtest::TempDir Dir;
  TRegistryRoot Root{Dir.Path()};
  TServiceScope<TRegistryRoot> Scope{SetRegistryRoot, Root};
  std::string Hive() const { return Dir.File("HKEY_CURRENT_USER"); }
};

std::vector<std::string> names(const TStrings& list) {
  std::vector<std::string> out;
  for (int i = 0; i < list.Count(); ++i) out.push_back(list.Strings(i));
  std::sort(out.begin(), out.end());
  return out;
}

TEST(Registry, ValuesOfEveryTypeRoundTrip) {
  Store store;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\Test", true));
  reg.WriteString("S", "text with \xC3\xA4 and \r\n");
  reg.WriteExpandString("E", "%PATH%\\x");
  reg.WriteInteger("I", -42);
  const char bytes[] = {0, 1, 2, '\xFF'};
  reg.WriteBinaryData("B", bytes, 4);
  reg.WriteString("", "default");

  TRegistry other;
  ASSERT_TRUE(other.OpenKeyReadOnly("\\Software\\Test"));
  EXPECT_EQ(other.ReadString("S"), "text with \xC3\xA4 and \r\n");
  EXPECT_EQ(other.ReadExpandString("E"), "%PATH%\\x");
  EXPECT_EQ(other.ReadString("E"), "%PATH%\\x");
  EXPECT_EQ(other.ReadInteger("I"), -42);
  char read[8] = {};
  EXPECT_EQ(other.ReadBinaryData("B", read, sizeof read), 4);
  EXPECT_EQ(std::string(read, 4), std::string(bytes, 4));
  EXPECT_EQ(other.ReadString(""), "default");
  EXPECT_EQ(other.GetDataType("I"), rdInteger);
  EXPECT_EQ(other.GetDataSize("B"), 4);
  EXPECT_EQ(other.GetDataSize("missing"), -1);
  EXPECT_EQ(other.ReadString("missing"), "");
  EXPECT_THROW(other.ReadInteger("missing"), ERegistryException);
  EXPECT_THROW(other.ReadInteger("S"), ERegistryException);
  EXPECT_THROW(other.ReadString("I"), ERegistryException);
  EXPECT_THROW(other.ReadBinaryData("B", read, 2), ERegistryException);
  // Read-only keys refuse writes and deletions.
  EXPECT_THROW(other.WriteString("S", "x"), ERegistryException);
  EXPECT_FALSE(other.DeleteValue("S"));
  EXPECT_EQ(other.ReadString("S"), "text with \xC3\xA4 and \r\n");
}

TEST(Registry, NamesIgnoreCaseAndKeepTheirs) {
  Store store;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Software\\MixedCase", true));
  reg.WriteString("Value", "1");
  reg.WriteString("VALUE", "2");
  ASSERT_TRUE(reg.OpenKey("\\SOFTWARE\\mixedcase\\Sub", true));
  TStringList list;
  ASSERT_TRUE(reg.OpenKey("\\software\\MIXEDCASE", false));
  reg.GetValueNames(&list);
  EXPECT_EQ(names(list), std::vector<std::string>{"Value"});
  EXPECT_EQ(reg.ReadString("value"), "2");
  reg.GetKeyNames(&list);
  EXPECT_EQ(names(list), std::vector<std::string>{"Sub"});
  EXPECT_TRUE(reg.KeyExists("SUB"));
  EXPECT_TRUE(fs::is_directory(store.Hive() + "/Software/MixedCase/Sub"));
  EXPECT_TRUE(reg.DeleteValue("VALUE"));
  EXPECT_FALSE(reg.ValueExists("Value"));
  EXPECT_TRUE(reg.DeleteKey("\\SOFTWARE\\MixedCase"));
  EXPECT_FALSE(reg.KeyExists("\\Software\\MixedCase"));
  EXPECT_FALSE(reg.DeleteKey("\\Software\\MixedCase"));
}

TEST(Registry, RelativeAndAbsoluteKeysAndRoots) {
  Store store;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("A", true));
  ASSERT_TRUE(reg.OpenKey("B", true));
  EXPECT_EQ(reg.CurrentPath(), "A\\B");
  ASSERT_TRUE(reg.OpenKey("\\C", true));
  EXPECT_EQ(reg.CurrentPath(), "C");
  EXPECT_FALSE(reg.OpenKey("\\Missing", false));
  EXPECT_EQ(reg.CurrentPath(), "C");
  reg.SetRootKey(HKEY_LOCAL_MACHINE);
  EXPECT_EQ(reg.CurrentKey(), nullptr);
  EXPECT_FALSE(reg.KeyExists("A"));
  EXPECT_TRUE(reg.CreateKey("Software\\Quindarex"));
  EXPECT_TRUE(fs::is_directory(store.Dir.File("HKEY_LOCAL_MACHINE/Software/Quindarex")));
  reg.SetRootKey(0x1234);
  EXPECT_FALSE(reg.OpenKey("X", true));
  EXPECT_THROW(reg.CreateKey("X"), ERegistryException);
}

// Names that could leave their key or hive, or that can't be stored.
struct HostileName {
  const char* Label;
  std::string Name;
  bool StorableKey;
  bool StorableValue;
};

const HostileName kHostile[] = {
    {"DotDot", "..", true, true},
    {"Dot", ".", true, true},
    {"ParentPath", "../../escaped", true, true},
    {"Slash", "a/b", true, true},
    {"AbsolutePath", "/etc/passwd", true, true},
    {"Percent", "%2E%2E", true, true},
    {"LeadingDot", ".hidden", true, true},
    {"Backslash", "a\\b", false, true},
    {"Nul", std::string("a\0b", 3), false, false},
    {"Control", "line\nbreak", false, false},
    {"Escape", "\x1B[31m", false, false},
    {"Delete", "del\x7F", false, false},
    {"TooLongForAKey", std::string(256, 'k'), false, false},
    {"TooLongForAFile", std::string(100, '/'), false, false},
};

class RegistryHostileNames : public testing::TestWithParam<HostileName> {};

TEST_P(RegistryHostileNames, StayInsideTheirKeyOrGetAClearError) {
  const HostileName& c = GetParam();
  Store store;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Safe", true));
  reg.WriteString("keep", "kept");
  if (c.StorableValue) {
    reg.WriteString(c.Name, "v");
    EXPECT_EQ(reg.ReadString(c.Name), "v");
    TStringList list;
    reg.GetValueNames(&list);
    std::vector<std::string> expected{c.Name, "keep"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(names(list), expected);
    EXPECT_TRUE(reg.DeleteValue(c.Name));
  } else {
    try {
      reg.WriteString(c.Name, "v");
      ADD_FAILURE() << "stored";
    } catch (const ERegistryException& e) {
      EXPECT_NE(e.Message().find("Failed to set data for"), std::string::npos);
    }
    EXPECT_FALSE(reg.ValueExists(c.Name));
  }
  if (c.Name.find('\\') != std::string::npos) {
    // A separator in a key path, not part of a name.
  } else if (c.StorableKey) {
    ASSERT_TRUE(reg.OpenKey(c.Name, true));
    reg.WriteString("inside", "1");
    ASSERT_TRUE(reg.OpenKey("\\Safe", false));
    TStringList list;
    reg.GetKeyNames(&list);
    EXPECT_EQ(names(list), std::vector<std::string>{c.Name});
  } else {
    EXPECT_FALSE(reg.OpenKey(c.Name, true));
    EXPECT_THROW(reg.CreateKey(c.Name), ERegistryException);
  }
  EXPECT_EQ(reg.ReadString("keep"), "kept");
  // Everything the store made is inside the hive.
  for (const auto& entry : fs::recursive_directory_iterator(store.Dir.Path()))
    EXPECT_EQ(entry.path().string().rfind(store.Hive(), 0), 0u) << entry.path();
}

INSTANTIATE_TEST_SUITE_P(All, RegistryHostileNames, testing::ValuesIn(kHostile),
                         [](const auto& info) { return std::string(info.param.Label); });

TEST(Registry, VeryDeepPathsAreRefused) {
  Store store;
  TRegistry reg;
  std::string deep;
  for (int i = 0; i < 513; ++i) deep += "k\\";
  EXPECT_FALSE(reg.OpenKey(deep, true));
  try {
    reg.CreateKey(deep);
    ADD_FAILURE();
  } catch (const ERegistryException& e) {
    EXPECT_NE(e.Message().find("deeper than the limit"), std::string::npos);
  }
  EXPECT_FALSE(fs::exists(store.Hive() + "/k"));
}

TEST(Registry, ACorruptValueFileIsReportedAndKept) {
  Store store;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("K", true));
  reg.WriteString("good", "fine");
  const std::string corrupt = "RVRG\x01\x01\0\0\0\xFF\0\0\0short";
  rvtest::WriteFile(store.Hive() + "/K/bad", corrupt);
  EXPECT_TRUE(reg.ValueExists("bad"));
  try {
    reg.ReadString("bad");
    ADD_FAILURE();
  } catch (const ERegistryException& e) {
    EXPECT_NE(e.Message().find("'bad' is corrupt"), std::string::npos) << e.Message();
  }
  EXPECT_EQ(rvtest::ReadFile(store.Hive() + "/K/bad"), corrupt);
  EXPECT_EQ(reg.ReadString("good"), "fine");
  reg.WriteString("bad", "repaired");
  EXPECT_EQ(reg.ReadString("bad"), "repaired");
}

TEST(Registry, ConcurrentWritersInTwoProcessesNeverLeaveHalfAValue) {
  Store store;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("Shared", true));
  reg.WriteString("v", std::string(64 * 1024, 'a'));
  {
    rvtest::ChildProcess a(rvtest::HelperPath("registry_writer"), {store.Dir.Path(), "Shared", "v", "a", "100"});
    rvtest::ChildProcess b(rvtest::HelperPath("registry_writer"), {store.Dir.Path(), "Shared", "V", "b", "100"});
    for (int i = 0; i < 200; ++i) {
      const std::string v = reg.ReadString("v");
      ASSERT_TRUE(v == std::string(64 * 1024, 'a') || v == std::string(64 * 1024, 'b')) << v.size();
    }
    ASSERT_EQ(a.Wait(), 0);
    ASSERT_EQ(b.Wait(), 0);
  }
  TStringList list;
  reg.GetValueNames(&list);
  EXPECT_EQ(names(list), std::vector<std::string>{"v"});
  // No temporary file is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(store.Hive() + "/Shared"), fs::directory_iterator()), 1);
}

TEST(Registry, KeyReadOnAnUnreadableKeyFailsToOpen) {
  Store store;
  TRegistry reg;
  ASSERT_TRUE(reg.CreateKey("Open\\Closed"));
  const auto readable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec;
  for (const std::string& folder : {store.Dir.Path(), store.Hive(), store.Hive() + "/Open"})
    fs::permissions(folder, readable);
  fs::permissions(store.Hive() + "/Open/Closed", fs::perms::owner_all);
  if (geteuid() != 0) GTEST_SKIP() << "needs root to check as another user";
  // Root may read anything: the check runs as another user.
  const pid_t child = fork();
  if (child == 0) {
    if (setuid(65534) != 0) _exit(3);
    TRegistry user(KEY_READ);
    _exit((user.OpenKey("Open", false) ? 0 : 1) | (user.OpenKey("\\Open\\Closed", false) ? 2 : 0));
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
