#include "platform/os/TempFiles.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/rtl/Exceptions.h"
#include "tests/support/Environment.h"

namespace rv {
namespace {

mode_t modeOf(const std::string& name) {
  struct stat st{};
  return ::lstat(name.c_str(), &st) == 0 ? st.st_mode : 0;
}

TEST(TempFolder, FollowsTmpdirOnlyWhenItIsAFolder) {
  rvtest::TempDir dir;
  rvtest::WriteFile(dir.File("file"), "");
  const std::pair<std::optional<std::string>, std::string> cases[] = {
      {dir.Path(), dir.Path() + "/"}, {dir.Path() + "/", dir.Path() + "/"}, {dir.File("missing"), "/tmp/"},
      {dir.File("file"), "/tmp/"},    {"", "/tmp/"},                          {std::nullopt, "/tmp/"}};
  for (const auto& [tmpdir, folder] : cases) {
    test::TEnvOverride env("TMPDIR", tmpdir);
    EXPECT_EQ(TempFolder(), folder) << tmpdir.value_or("(unset)");
  }
}

TEST(CreateTempFile, UniqueEmptyPrivateFilesWithPrefixAndExtension) {
  rvtest::TempDir dir;
  test::TEnvOverride env("TMPDIR", dir.Path());
  std::set<std::string> names;
  for (int i = 0; i < 50; ++i) {
    const std::string name = CreateTempFile("QVL");
    names.insert(name);
    EXPECT_EQ(std::filesystem::path(name).parent_path(), dir.Path());
    EXPECT_EQ(std::filesystem::path(name).filename().string().substr(0, 3), "QVL");
    EXPECT_EQ(std::filesystem::path(name).extension(), ".tmp");
    EXPECT_EQ(modeOf(name), S_IFREG | 0600);
    EXPECT_EQ(std::filesystem::file_size(name), 0u);
  }
  EXPECT_EQ(names.size(), 50u);
  test::TEnvOverride unwritable("TMPDIR", "/proc");
  EXPECT_THROW(CreateTempFile("QVL"), EFCreateError);
}

TEST(CreateNewFile, CreatesOnlyWhereNothingExists) {
  rvtest::TempDir dir;
  rvtest::WriteFile(dir.File("existing"), "keep");
  std::filesystem::create_symlink(dir.File("target"), dir.File("dangling"));
  std::filesystem::create_symlink(dir.File("existing"), dir.File("link"));
  EXPECT_TRUE(CreateNewFile(dir.File("fresh")).Valid());
  EXPECT_EQ(modeOf(dir.File("fresh")), S_IFREG | 0600);
  for (const char* name : {"existing", "dangling", "link", "fresh"}) {
    try {
      CreateNewFile(dir.File(name));
      ADD_FAILURE() << name;
    } catch (const EFCreateError& e) {
      EXPECT_NE(e.Message().find(dir.File(name)), std::string::npos) << e.Message();
    }
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("target")));
  EXPECT_EQ(rvtest::ReadFile(dir.File("existing")), "keep");
}

}  // namespace
}  // namespace rv
