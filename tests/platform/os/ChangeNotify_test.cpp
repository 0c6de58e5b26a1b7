#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/os/ChangeNotify.h"
#include "platform/os/InotifyTree.h"
#include "platform/rtl/Exceptions.h"
#include "tests/support/TempDir.h"

using namespace rv;
namespace fs = std::filesystem;

namespace {

constexpr int kSignalWaitMs = 3000;
// How long a handle gets to signal when it must not.
constexpr int kQuietWaitMs = 150;

int waitOne(TChangeNotification& h, int timeoutMs) {
  TChangeNotification* handles[] = {&h};
  return WaitForChangeNotifications(handles, timeoutMs, nullptr);
}

void setModified(const std::string& path, long seconds) {
  timeval times[2] = {{seconds, 0}, {seconds, 0}};
  ASSERT_EQ(utimes(path.c_str(), times), 0);
}

struct KindCase {
  const char* Name;
  std::uint32_t Filter;
  bool Subtree;
  std::function<void(const rvtest::TempDir&)> Change;
  bool Signals;
};

// Before each change: the folder holds file "f" (3 bytes, modified long ago)
// and folder "sub" holding "g".
void prepare(const rvtest::TempDir& dir) {
  rvtest::WriteFile(dir.File("f"), "abc");
  setModified(dir.File("f"), 1000000);
  fs::create_directory(dir.File("sub"));
  rvtest::WriteFile(dir.File("sub/g"), "g");
}

void append(const std::string& path) { std::ofstream(path, std::ios::app) << "more"; }

const KindCase kKindCases[] = {
    {"FileCreated", FILE_NOTIFY_CHANGE_FILE_NAME, false, [](auto& d) { rvtest::WriteFile(d.File("new"), ""); }, true},
    {"FileDeleted", FILE_NOTIFY_CHANGE_FILE_NAME, false, [](auto& d) { fs::remove(d.File("f")); }, true},
    {"FileRenamed", FILE_NOTIFY_CHANGE_FILE_NAME, false, [](auto& d) { fs::rename(d.File("f"), d.File("h")); }, true},
    {"FolderIsNoFile", FILE_NOTIFY_CHANGE_FILE_NAME, false, [](auto& d) { fs::create_directory(d.File("x")); }, false},
    {"FileInSubfolderUnwatched", FILE_NOTIFY_CHANGE_FILE_NAME, false,
     [](auto& d) { rvtest::WriteFile(d.File("sub/new"), ""); }, false},
    {"FileInSubfolderWatched", FILE_NOTIFY_CHANGE_FILE_NAME, true,
     [](auto& d) { rvtest::WriteFile(d.File("sub/new"), ""); }, true},
    {"FolderCreated", FILE_NOTIFY_CHANGE_DIR_NAME, false, [](auto& d) { fs::create_directory(d.File("x")); }, true},
    {"FolderDeleted", FILE_NOTIFY_CHANGE_DIR_NAME, true, [](auto& d) { fs::remove_all(d.File("sub")); }, true},
    {"FolderRenamed", FILE_NOTIFY_CHANGE_DIR_NAME, false, [](auto& d) { fs::rename(d.File("sub"), d.File("s2")); },
     true},
    {"FileIsNoFolder", FILE_NOTIFY_CHANGE_DIR_NAME, true, [](auto& d) { rvtest::WriteFile(d.File("sub/n"), ""); },
     false},
    {"SubfolderCreatedWatched", FILE_NOTIFY_CHANGE_DIR_NAME, true,
     [](auto& d) { fs::create_directory(d.File("sub/x")); }, true},
    {"Attributes", FILE_NOTIFY_CHANGE_ATTRIBUTES, false, [](auto& d) { chmod(d.File("f").c_str(), 0600); }, true},
    {"AttributesInSubfolder", FILE_NOTIFY_CHANGE_ATTRIBUTES, true,
     [](auto& d) { chmod(d.File("sub/g").c_str(), 0600); }, true},
    {"WriteIsNoAttribute", FILE_NOTIFY_CHANGE_ATTRIBUTES, false, [](auto& d) { append(d.File("f")); }, false},
    {"SizeGrows", FILE_NOTIFY_CHANGE_SIZE, false, [](auto& d) { append(d.File("f")); }, true},
    {"SizeInSubfolder", FILE_NOTIFY_CHANGE_SIZE, true, [](auto& d) { append(d.File("sub/g")); }, true},
    {"SameSizeRewrite", FILE_NOTIFY_CHANGE_SIZE, false, [](auto& d) { rvtest::WriteFile(d.File("f"), "xyz"); }, false},
    {"TouchIsNoSize", FILE_NOTIFY_CHANGE_SIZE, false, [](auto& d) { setModified(d.File("f"), 2000000); }, false},
    {"EmptyFileIsNoSize", FILE_NOTIFY_CHANGE_SIZE, false, [](auto& d) { rvtest::WriteFile(d.File("e"), ""); }, false},
    {"LastWrite", FILE_NOTIFY_CHANGE_LAST_WRITE, false, [](auto& d) { append(d.File("f")); }, true},
    {"LastWriteTouched", FILE_NOTIFY_CHANGE_LAST_WRITE, false, [](auto& d) { setModified(d.File("f"), 2000000); },
     true},
    {"ChmodIsNoLastWrite", FILE_NOTIFY_CHANGE_LAST_WRITE, false, [](auto& d) { chmod(d.File("f").c_str(), 0600); },
     false},
    {"LastWriteInSubfolder", FILE_NOTIFY_CHANGE_LAST_WRITE, true, [](auto& d) { append(d.File("sub/g")); }, true},
};

class ChangeKinds : public testing::TestWithParam<KindCase> {};

TEST_P(ChangeKinds, SignalExactlyForTheirKind) {
  const KindCase& c = GetParam();
  rvtest::TempDir dir;
  prepare(dir);
  TChangeHandle h = FindFirstChangeNotification(dir.Path(), c.Subtree, c.Filter);
  c.Change(dir);
  EXPECT_EQ(waitOne(*h, c.Signals ? kSignalWaitMs : kQuietWaitMs), c.Signals ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
}

INSTANTIATE_TEST_SUITE_P(All, ChangeKinds, testing::ValuesIn(kKindCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(ChangeNotify, ManyChangesGiveOneSignalUntilRearmed) {
  rvtest::TempDir dir;
  TChangeHandle h = FindFirstChangeNotification(dir.Path(), false, FILE_NOTIFY_CHANGE_FILE_NAME);
  for (int i = 0; i < 20; ++i) rvtest::WriteFile(dir.File("f" + std::to_string(i)), "");
  ASSERT_EQ(waitOne(*h, kSignalWaitMs), WAIT_OBJECT_0);
  // Still signalled: nothing re-armed it.
  EXPECT_EQ(waitOne(*h, 0), WAIT_OBJECT_0);
  FindNextChangeNotification(*h);
  EXPECT_EQ(waitOne(*h, kQuietWaitMs), WAIT_TIMEOUT);
}

TEST(ChangeNotify, ChangeBetweenWakeUpAndRearmSignalsAgain) {
  rvtest::TempDir dir;
  TChangeHandle h = FindFirstChangeNotification(dir.Path(), false, FILE_NOTIFY_CHANGE_FILE_NAME);
  rvtest::WriteFile(dir.File("a"), "");
  ASSERT_EQ(waitOne(*h, kSignalWaitMs), WAIT_OBJECT_0);
  rvtest::WriteFile(dir.File("b"), "");
  FindNextChangeNotification(*h);
  EXPECT_EQ(waitOne(*h, kSignalWaitMs), WAIT_OBJECT_0);
}

TEST(ChangeNotify, FolderCreatedAndFilledAtOnceIsScanned) {
  rvtest::TempDir dir;
  // Only file names: the folders' own creation does not signal, so the
  // signal can only come from the files found inside them.
  TChangeHandle h = FindFirstChangeNotification(dir.Path(), true, FILE_NOTIFY_CHANGE_FILE_NAME);
  fs::create_directories(dir.File("a/b/c"));
  rvtest::WriteFile(dir.File("a/b/c/file"), "x");
  ASSERT_EQ(waitOne(*h, kSignalWaitMs), WAIT_OBJECT_0);
  FindNextChangeNotification(*h);
  // The deepest new folder is watched too.
  rvtest::WriteFile(dir.File("a/b/c/later"), "");
  EXPECT_EQ(waitOne(*h, kSignalWaitMs), WAIT_OBJECT_0);
}

TEST(ChangeNotify, RenamedAndMovedFoldersFollowTheTree) {
  rvtest::TempDir dir;
  rvtest::TempDir outside;
  fs::create_directories(dir.File("old/inner"));
  TChangeHandle h = FindFirstChangeNotification(dir.Path(), true, FILE_NOTIFY_CHANGE_FILE_NAME);
  fs::rename(dir.File("old"), dir.File("new"));
  EXPECT_EQ(waitOne(*h, kQuietWaitMs), WAIT_TIMEOUT);
  rvtest::WriteFile(dir.File("new/inner/f"), "");
  ASSERT_EQ(waitOne(*h, kSignalWaitMs), WAIT_OBJECT_0);
  FindNextChangeNotification(*h);

  // Moved in: watched from then on.
  fs::create_directory(outside.File("in"));
  fs::rename(outside.File("in"), dir.File("in"));
  EXPECT_EQ(waitOne(*h, kQuietWaitMs), WAIT_TIMEOUT);
  rvtest::WriteFile(dir.File("in/f"), "");
  ASSERT_EQ(waitOne(*h, kSignalWaitMs), WAIT_OBJECT_0);
  FindNextChangeNotification(*h);

  // Moved out: no longer watched.
  fs::rename(dir.File("new"), outside.File("gone"));
  EXPECT_EQ(waitOne(*h, kQuietWaitMs), WAIT_TIMEOUT);
  rvtest::WriteFile(outside.File("gone/inner/g"), "");
  EXPECT_EQ(waitOne(*h, kQuietWaitMs), WAIT_TIMEOUT);
}

TEST(ChangeNotify, RemovingTheWatchedFolderSignalsEveryKind) {
  rvtest::TempDir dir;
  fs::create_directory(dir.File("w"));
  TChangeHandle h = FindFirstChangeNotification(dir.File("w"), false, FILE_NOTIFY_CHANGE_SIZE);
  fs::remove(dir.File("w"));
  EXPECT_EQ(waitOne(*h, kSignalWaitMs), WAIT_OBJECT_0);
}

TEST(ChangeNotify, WaitAnswersTheLowestSignalledHandle) {
  rvtest::TempDir dir;
  TChangeHandle files = FindFirstChangeNotification(dir.Path(), false, FILE_NOTIFY_CHANGE_FILE_NAME);
  TChangeHandle sizes = FindFirstChangeNotification(dir.Path(), false, FILE_NOTIFY_CHANGE_SIZE);
  TChangeNotification* both[] = {files.get(), sizes.get()};
  rvtest::WriteFile(dir.File("f"), "12345");
  // Both kinds see the write; the file name comes first until re-armed.
  ASSERT_EQ(WaitForChangeNotifications(both, kSignalWaitMs, nullptr), WAIT_OBJECT_0);
  FindNextChangeNotification(*files);
  EXPECT_EQ(WaitForChangeNotifications(both, kSignalWaitMs, nullptr), WAIT_OBJECT_0 + 1);
  FindNextChangeNotification(*sizes);
  EXPECT_EQ(WaitForChangeNotifications(both, kQuietWaitMs, nullptr), WAIT_TIMEOUT);
}

TEST(ChangeNotify, WakeEventEndsTheWait) {
  rvtest::TempDir dir;
  TChangeHandle h = FindFirstChangeNotification(dir.Path(), false, FILE_NOTIFY_CHANGE_FILE_NAME);
  TEvent wake(true, false);
  TChangeNotification* handles[] = {h.get()};
  EXPECT_EQ(WaitForChangeNotifications(handles, 0, &wake), WAIT_TIMEOUT);
  wake.SetEvent();
  EXPECT_EQ(WaitForChangeNotifications(handles, INFINITE, &wake), WAIT_WOKEN);
  EXPECT_EQ(WaitForChangeNotifications({}, INFINITE, &wake), WAIT_WOKEN);
}

TEST(ChangeNotify, UnwatchableFoldersRaiseTheSystemError) {
  rvtest::TempDir dir;
  rvtest::WriteFile(dir.File("file"), "");
  for (const std::string& path : {dir.File("missing"), dir.File("file"), std::string()}) {
    try {
      FindFirstChangeNotification(path, false, FILE_NOTIFY_CHANGE_FILE_NAME);
      ADD_FAILURE() << path;
    } catch (const EOSError& e) {
      EXPECT_NE(e.ErrorCode(), 0) << path;
    }
  }
}

TEST(ChangeNotify, LimitErrorsNameTheLimitAndTheSetting) {
  const std::pair<int, const char*> cases[] = {{ENOSPC, "fs.inotify.max_user_watches"},
                                               {EMFILE, "fs.inotify.max_user_instances"}};
  for (const auto& [code, setting] : cases) {
    try {
      RaiseInotifyError(code, "/some/folder");
    } catch (const EOSError& e) {
      EXPECT_EQ(e.ErrorCode(), code);
      EXPECT_NE(e.Message().find(setting), std::string::npos) << e.Message();
      EXPECT_NE(e.Message().find("sysctl"), std::string::npos) << e.Message();
    }
  }
}

}  // namespace
