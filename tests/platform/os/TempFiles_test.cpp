#include "platform/os/TempFiles.h"

#include <sys/stat.h>

#include <filesystem>
#include <set>

#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"
#include "tests/platform/os/OsTestSupport.h"

namespace rv {
namespace {

using test::TEnvOverride;

TEST(TempFolder, FollowsTmpdirOnlyWhenItIsAFolder) {
  rvtest::TempDir dir;
  rvtest::WriteFile(dir.File("file"), "");
  struct {
    std::optional<std::string> tmpdir;
    std::string expected;
  } const cases[] = {
      {dir.Path(), dir.Path() + "/"},
      {dir.Path() + "/", dir.Path() + "/"},
      {dir.File("missing"), "/tmp/"},
      {dir.File("file"), "/tmp/"},
      {"", "/tmp/"},
      {std::nullopt, "/tmp/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.tmpdir.value_or("(unset)"));
    TEnvOverride env("TMPDIR", c.tmpdir);
    EXPECT_EQ(TempFolder(), c.expected);
  }
}

TEST(CreateTempFile, UniqueEmptyPrivateFilesWithPrefixAndExtension) {
  rvtest::TempDir dir;
  TEnvOverride env("TMPDIR", dir.Path());
  std::set<std::string> names;
  for (int i = 0; i < 50; ++i) {
    const std::string name = CreateTempFile("QVL");
    names.insert(name);
    const std::string base = std::filesystem::path(name).filename().string();
    EXPECT_EQ(name.rfind(dir.Path() + "/", 0), 0u) << name;
    EXPECT_EQ(base.rfind("QVL", 0), 0u) << name;
    EXPECT_EQ(std::filesystem::path(name).extension(), ".tmp");
    struct stat st{};
    ASSERT_EQ(::stat(name.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    EXPECT_EQ(st.st_size, 0);
  }
  EXPECT_EQ(names.size(), 50u);
}

TEST(CreateTempFile, UnwritableFolderRaises) {
  TEnvOverride env("TMPDIR", "/proc");
  EXPECT_THROW(CreateTempFile("QVL"), EFCreateError);
}

TEST(CreateNewFile, CreatesOnlyWhereNothingExists) {
  rvtest::TempDir dir;
  rvtest::WriteFile(dir.File("existing"), "keep");
  std::filesystem::create_symlink(dir.File("target"), dir.File("dangling"));
  std::filesystem::create_symlink(dir.File("existing"), dir.File("link"));

  TFileHandle fd = CreateNewFile(dir.File("fresh"));
  EXPECT_TRUE(fd.Valid());
  struct stat st{};
  ASSERT_EQ(::stat((dir.File("fresh")).c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 07777, 0600u);

  for (const char* name : {"existing", "dangling", "link", "fresh"}) {
    SCOPED_TRACE(name);
    try {
      CreateNewFile(dir.File(name));
      ADD_FAILURE() << "no exception";
    } catch (const EFCreateError& e) {
      EXPECT_NE(e.Message().find(dir.File(name)), std::string::npos) << e.Message();
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("target")));
  EXPECT_EQ(rvtest::ReadFile(dir.File("existing")), "keep");
}

}  // namespace
}  // namespace rv
