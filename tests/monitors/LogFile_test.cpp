#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <vector>

#include "monitors/LogFile.h"
#include "platform/classes/FormFile.h"
#include "tests/support/GuiQueue.h"
#include "tests/support/TempDir.h"

using namespace rv;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

namespace {

// A monitor recording the kinds of its callbacks.
struct Watched {
  explicit Watched(const std::string& folder, TFileNotificationOptions options = {foFile, foFolder}) {
    Log->SetFolder(folder);
    Log->SetOptions(options);
    Log->SetOnFileNotification([this](TObject* sender, TFileNotificationOption action) {
      EXPECT_EQ(sender, Log.get());
      Kinds.push_back(action);
    });
  }
  bool AwaitCount(std::size_t n) {
    return rvtest::ServeUntil([&] { return Kinds.size() >= n; });
  }
  std::unique_ptr<TQVFileLog> Log = std::make_unique<TQVFileLog>(nullptr);
  std::vector<TFileNotificationOption> Kinds;
};

using Kinds = std::vector<TFileNotificationOption>;

TEST(QVFileLog, InitialValuesAndStoredForm) {
  TComponent root(nullptr);
  root.SetName("Root");
  auto* log = new TQVFileLog(&root);
  log->SetName("Files");
  EXPECT_EQ(log->Options(), (TFileNotificationOptions{foFile, foFolder}));
  EXPECT_EQ(log->Folder(), "");
  EXPECT_FALSE(log->Active());
  const std::string text = WriteComponentText(root);
  EXPECT_NE(text.find("Options = [foFile, foFolder]"), std::string::npos) << text;
  EXPECT_EQ(text.find("Folder ="), std::string::npos) << text;
}

TEST(QVFileLog, DefaultOptionsReportFilesAndFoldersOncePerChange) {
  rvtest::TempDir dir;
  Watched w(dir.Path());
  w.Log->SetActive(true);
  rvtest::WriteFile(dir.File("file"), "");
  ASSERT_TRUE(w.AwaitCount(1));
  fs::create_directory(dir.File("folder"));
  ASSERT_TRUE(w.AwaitCount(2));
  rvtest::ServeFor(100ms);
  EXPECT_EQ(w.Kinds, (Kinds{foFile, foFolder}));
}

TEST(QVFileLog, AChangeOfTwoSelectedKindsGivesTwoCallbacksInTableOrder) {
  rvtest::TempDir dir;
  rvtest::WriteFile(dir.File("f"), "x");
  Watched w(dir.Path(), {foTime, foSize});
  w.Log->SetActive(true);
  std::ofstream(dir.File("f"), std::ios::app) << "more";
  ASSERT_TRUE(w.AwaitCount(2));
  EXPECT_EQ(w.Kinds, (Kinds{foSize, foTime}));
}

TEST(QVFileLog, SubfoldersOnlyWithTheSwitch) {
  for (bool subtree : {false, true}) {
    rvtest::TempDir dir;
    fs::create_directory(dir.File("sub"));
    Watched w(dir.Path(),
              subtree ? TFileNotificationOptions{foFile, foWatchSubFolders} : TFileNotificationOptions{foFile});
    w.Log->SetActive(true);
    rvtest::WriteFile(dir.File("sub/f"), "");
    rvtest::ServeFor(150ms);
    rvtest::WriteFile(dir.File("marker"), "");
    ASSERT_TRUE(w.AwaitCount(subtree ? 2 : 1));
    EXPECT_EQ(w.Kinds.size(), subtree ? 2u : 1u);
  }
}

TEST(QVFileLog, NoKindSelectedActivatesOnAnyFolderAndStaysQuiet) {
  rvtest::TempDir dir;
  for (TFileNotificationOptions options : {TFileNotificationOptions{}, TFileNotificationOptions{foWatchSubFolders}}) {
    Watched w(dir.File("missing"), options);
    EXPECT_NO_THROW(w.Log->SetActive(true));
    w.Log->SetFolder("");
    EXPECT_TRUE(w.Log->Active());
    rvtest::ServeFor(50ms);
    EXPECT_TRUE(w.Kinds.empty());
  }
}

TEST(QVFileLog, AnUnwatchableFolderRaisesAndLeavesTheComponentActiveWithoutWorker) {
  rvtest::TempDir dir;
  Watched w(dir.File("missing"));
  try {
    w.Log->SetActive(true);
    FAIL() << "activation succeeded";
  } catch (const EFileNotificationError& e) {
    EXPECT_EQ(e.Message(), "Could not allocate notification object");
    EXPECT_EQ(e.ClassName(), "EFileNotificationError");
  }
  EXPECT_TRUE(w.Log->Active());
  // Without a worker nothing watches, even once the folder exists.
  fs::create_directory(dir.File("missing"));
  rvtest::WriteFile(dir.File("missing/f"), "");
  rvtest::ServeFor(100ms);
  EXPECT_TRUE(w.Kinds.empty());
  w.Log->SetActive(false);
  EXPECT_FALSE(w.Log->Active());
  w.Log->SetActive(true);
  rvtest::WriteFile(dir.File("missing/g"), "");
  EXPECT_TRUE(w.AwaitCount(1));
}

TEST(QVFileLog, ChangingFolderWhileActiveMovesTheWatchAtOnce) {
  rvtest::TempDir a, b;
  Watched w(a.Path());
  w.Log->SetActive(true);
  w.Log->SetFolder(b.Path());
  rvtest::WriteFile(a.File("ignored"), "");
  rvtest::WriteFile(b.File("heard"), "");
  ASSERT_TRUE(w.AwaitCount(1));
  rvtest::ServeFor(100ms);
  EXPECT_EQ(w.Kinds.size(), 1u);

  // A folder that can't be watched raises and stays stored; the worker runs
  // on with no handles until a later change succeeds.
  EXPECT_THROW(w.Log->SetFolder(a.File("missing")), EFileNotificationError);
  EXPECT_EQ(w.Log->Folder(), a.File("missing"));
  w.Log->SetFolder(a.Path());
  rvtest::WriteFile(a.File("again"), "");
  EXPECT_TRUE(w.AwaitCount(2));
}

TEST(QVFileLog, ChangingOptionsWhileActiveReopensTheHandles) {
  rvtest::TempDir dir;
  Watched w(dir.Path(), {foFile});
  w.Log->SetActive(true);
  w.Log->SetOptions({foFolder});
  rvtest::WriteFile(dir.File("file"), "");
  fs::create_directory(dir.File("folder"));
  ASSERT_TRUE(w.AwaitCount(1));
  rvtest::ServeFor(100ms);
  EXPECT_EQ(w.Kinds, Kinds{foFolder});
}

TEST(QVFileLog, WithoutCallbackChangesAreConsumed) {
  rvtest::TempDir dir;
  Watched w(dir.Path());
  w.Log->SetOnFileNotification(nullptr);
  w.Log->SetActive(true);
  rvtest::WriteFile(dir.File("unheard"), "");
  rvtest::ServeFor(100ms);
  w.Log->SetOnFileNotification([&](TObject*, TFileNotificationOption a) { w.Kinds.push_back(a); });
  fs::create_directory(dir.File("heard"));
  ASSERT_TRUE(w.AwaitCount(1));
  EXPECT_EQ(w.Kinds, Kinds{foFolder});
}

TEST(QVFileLog, ActivationDuringLoadingWatchesTheStoredFolderAndOptions) {
  rvtest::TempDir dir;
  // Active comes first in the stored form, before Folder and Options.
  const std::string form = "object Root: TComponent\n  object Files: TQVFileLog\n    Active = True\n    Folder = '" +
                           dir.Path() + "'\n    Options = [foFolder]\n  end\nend\n";
  std::unique_ptr<TComponent> root(ReadComponentText(form, nullptr));
  auto* log = static_cast<TQVFileLog*>(root->FindComponent("Files"));
  ASSERT_TRUE(log->Active());
  std::vector<TFileNotificationOption> kinds;
  log->SetOnFileNotification([&](TObject*, TFileNotificationOption a) { kinds.push_back(a); });
  rvtest::WriteFile(dir.File("file"), "");
  fs::create_directory(dir.File("folder"));
  ASSERT_TRUE(rvtest::ServeUntil([&] { return !kinds.empty(); }));
  rvtest::ServeFor(100ms);
  EXPECT_EQ(kinds, Kinds{foFolder});
}

TEST(QVFileLog, ActivatingTwiceKeepsOneWorker) {
  rvtest::TempDir dir;
  Watched w(dir.Path());
  w.Log->SetActive(true);
  w.Log->SetActive(true);
  rvtest::WriteFile(dir.File("f"), "");
  ASSERT_TRUE(w.AwaitCount(1));
  rvtest::ServeFor(100ms);
  EXPECT_EQ(w.Kinds.size(), 1u);
}

}  // namespace
