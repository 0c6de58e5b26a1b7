#include "platform/os/TempFiles.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "platform/rtl/Exceptions.h"
#include "tests/support/Environment.h"

namespace rv {
namespace {

mode_t modeOf(const std::string& name) {
  struct stat st {};
  return ::lstat(name.c_str(), &st) == 0 ? st.st_mode : 0;
}

TEST(TempFolder, FollowsTmpdirOnlyWhenItIsAFolder) {
  rvtest::TempDir dir;
  rvtest::WriteFile(dir.File("file"), "");
  const std::pair<std::optional<std::string>, std::string> cases[] = {{dir.Path(), dir.Path() + "/"},
                                                                      {dir.Path() + "/", dir.Path() + "/"},
                                                                      {dir.File("missing"), "/tmp/"},
                                                                      {dir.File("file"), "/tmp/"},
                                                                      {"", "/tmp/"},
                                                                      {std::nullopt, "/tmp/"}};
  for (const auto& [tmpdir, folder] : cases) {
    test::TEnvOverride env("TMPDIR", tmpdir);
    EXPECT_EQ(TempFolder(), folder) << tmpdir.value_or("(unset)");
  }
}

TEST(CreateTempFile, UniqueOpenPrivateFilesUnderTheirFinalNames) {
  rvtest::TempDir dir;
  test::TEnvOverride env("TMPDIR", dir.Path());
  std::set<std::string> names;
  for (const char* extension : {".tmp", ".bmp", ""}) {
    for (int i = 0; i < 20; ++i) {
      TTempFile file = CreateTempFile("QVL", extension);
      names.insert(file.Name);
      const std::filesystem::path path(file.Name);
      EXPECT_EQ(path.parent_path(), dir.Path());
      EXPECT_EQ(path.filename().string().substr(0, 3), "QVL");
      EXPECT_EQ(path.filename().string().size(), 9 + std::string(extension).size());
      EXPECT_EQ(path.extension(), extension);
      EXPECT_EQ(modeOf(file.Name), S_IFREG | 0600);
      ASSERT_EQ(::write(file.Handle.Get(), "x", 1), 1) << "the handle writes into the named file";
      EXPECT_EQ(rvtest::ReadFile(file.Name), "x");
    }
  }
  EXPECT_EQ(names.size(), 60u);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.Path()), {}), 60) << "no other file was made";
  test::TEnvOverride unwritable("TMPDIR", "/proc");
  EXPECT_THROW(CreateTempFile("QVL", ".bmp"), EFCreateError);
}

}  // namespace
}  // namespace rv
