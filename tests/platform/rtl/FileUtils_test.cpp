// FileUtils and OSError.
#include "platform/rtl/FileUtils.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/OSError.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

TEST(FileUtils, ChangeFileExt) {
  const struct {
    const char *Name, *Ext, *Expected;
  } cases[] = {
      {"varizera.log", ".xml", "varizera.xml"},
      {"dir.v2/app", ".xml", "dir.v2/app.xml"},
      {"", ".xml", ".xml"},
      {"/a/.profile", ".xml", "/a/.xml"},
      {"a.b.c", ".log", "a.b.log"},
      {"a.log", "", "a"},
      {"/tmp/", ".log", "/tmp/.log"},
  };
  for (const auto& c : cases) EXPECT_EQ(c.Expected, ChangeFileExt(c.Name, c.Ext)) << c.Name;
}

TEST(FileUtils, NameParts) {
  const struct {
    const char *Name, *FileName, *Path, *Dir, *Ext;
  } cases[] = {
      {"/var/log/app.log", "app.log", "/var/log/", "/var/log", ".log"},
      {"app", "app", "", "", ""},
      {"/app.v1", "app.v1", "/", "/", ".v1"},
      {"dir.d/", "", "dir.d/", "dir.d", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Name);
    EXPECT_EQ(c.FileName, ExtractFileName(c.Name));
    EXPECT_EQ(c.Path, ExtractFilePath(c.Name));
    EXPECT_EQ(c.Dir, ExtractFileDir(c.Name));
    EXPECT_EQ(c.Ext, ExtractFileExt(c.Name));
  }
  EXPECT_EQ("/a/", IncludeTrailingPathDelimiter("/a"));
  EXPECT_EQ("/a/", IncludeTrailingPathDelimiter("/a/"));
  EXPECT_EQ("/", ExcludeTrailingPathDelimiter("/"));
  EXPECT_EQ("/a/b", ExpandFileName("/a/./x/../b"));
  EXPECT_EQ("/", ExpandFileName("/../.."));
  EXPECT_EQ("/a/", ExpandFileName("//a//"));
  EXPECT_EQ(IncludeTrailingPathDelimiter(GetCurrentDir()) + "f", ExpandFileName("f"));
}

TEST(FileUtils, FileSystemOperations) {
  rvtest::TempDir tmp;
  const std::string file = tmp.File("a.log"), other = tmp.File("b.log"), dir = tmp.File("x/y/z");
  EXPECT_FALSE(FileExists(file));
  rvtest::WriteFile(file, "1");
  rvtest::WriteFile(other, "2");
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FileExists(tmp.Path()));
  EXPECT_TRUE(DirectoryExists(tmp.Path()));
  EXPECT_FALSE(FileExists(file + std::string(1, '\0') + "junk"));

  EXPECT_FALSE(RenameFile(file, other));  // never overwrites
  EXPECT_EQ("2", rvtest::ReadFile(other));
  EXPECT_TRUE(RenameFile(file, tmp.File("c.log")));
  EXPECT_FALSE(FileExists(file));

  EXPECT_TRUE(ForceDirectories(dir + "/"));
  EXPECT_TRUE(DirectoryExists(dir));
  EXPECT_TRUE(ForceDirectories(dir));
  EXPECT_FALSE(ForceDirectories(""));
  EXPECT_FALSE(ForceDirectories(other + "/sub"));

  EXPECT_FALSE(DeleteFile(dir));
  EXPECT_TRUE(DeleteFile(other));
  EXPECT_FALSE(DeleteFile(other));
}

TEST(OSError, Messages) {
  try {
    RaiseLastOSError(ENOENT);
    FAIL() << "no exception";
  } catch (const EOSError& e) {
    EXPECT_EQ(ENOENT, e.ErrorCode());
    EXPECT_EQ("System Error.  Code: 2.\r\n" + SysErrorMessage(ENOENT), e.Message());
  }
  EXPECT_EQ("No such file or directory", SysErrorMessage(ENOENT));
  EXPECT_FALSE(SysErrorMessage(123456).empty());
  errno = EACCES;
  EXPECT_THROW(RaiseLastOSError(), EOSError);
  try {
    RaiseLastOSError(0);
  } catch (const EOSError& e) {
    EXPECT_EQ("A call to an OS function failed", e.Message());
  }
}

}  // namespace
