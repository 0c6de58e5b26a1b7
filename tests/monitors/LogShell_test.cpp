#include "monitors/LogShell.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/classes/FormFile.h"
#include "platform/forms/Application.h"
#include "platform/forms/MessageWindow.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Service.h"
#include "testing/os/ShellSourcesDouble.h"
#include "tests/support/GuiQueue.h"
#include "tests/support/TempDir.h"

using namespace rv;
using namespace std::chrono_literals;

namespace {

const TQVLNotificationEvents kAllOptions = [] {
  TQVLNotificationEvents all;
  for (int n = 0; n <= lnEndSessionQuery; ++n) all.Include(static_cast<TQVLNotificationEvent>(n));
  return all;
}();

// A component with every callback recording "Callback(args)" and the
// shell's sources replaced by a double.
struct TShellFixture {
  TShellSourcesDouble Sources;
  TServiceScope<TShellSources> Scope{&SetShellSources, Sources};
  std::unique_ptr<TQVShellLog> Log = std::make_unique<TQVShellLog>(nullptr);
  std::vector<std::string> Calls;

  TShellFixture() {
    auto one = [this](const char* name) {
      return TQVLShellNotificationEvent1(
          [this, name](TObject* Sender, const std::string& V) { Record(Sender, std::string(name) + "(" + V + ")"); });
    };
    auto two = [this](const char* name) {
      return TQVLShellNotificationEvent2([this, name](TObject* Sender, const std::string& A, const std::string& B) {
        Record(Sender, std::string(name) + "(" + A + "," + B + ")");
      });
    };
    Log->SetOnAssociationChange([this](TObject* Sender) { Record(Sender, "AssociationChange"); });
    Log->SetOnEndSessionQuery([this](TObject* Sender) { Record(Sender, "EndSessionQuery"); });
    Log->SetOnAttributesChange(two("AttributesChange"));
    Log->SetOnFolderRename(two("FolderRename"));
    Log->SetOnFileRename(two("FileRename"));
    Log->SetOnFileCreate(one("FileCreate"));
    Log->SetOnFolderUpdate(one("FolderUpdate"));
    Log->SetOnFileDelete(one("FileDelete"));
    Log->SetOnDriveAdd(one("DriveAdd"));
    Log->SetOnFolderRemove(one("FolderRemove"));
    Log->SetOnDriveAddGui(one("DriveAddGui"));
    Log->SetOnDriveRemove(one("DriveRemove"));
    Log->SetOnMediaInserted(one("MediaInserted"));
    Log->SetOnMediaRemove(one("MediaRemove"));
    Log->SetOnFolderCreate(one("FolderCreate"));
    Log->SetOnNetShare(one("NetShare"));
    Log->SetOnNetUnShare(one("NetUnShare"));
    Log->SetOnServerDisconnect(one("ServerDisconnect"));
  }

  void Record(TObject* Sender, std::string Call) {
    EXPECT_EQ(Sender, Log.get());
    Calls.push_back(std::move(Call));
  }

  // The shell's message, sent straight to the hidden window; an empty path
  // is a null item-ID list.
  void Notify(std::uint32_t Event, const std::string& Path1 = {}, const std::string& Path2 = {}) {
    const TShellItem items[2] = {TShellItem::Of(Path1), TShellItem::Of(Path2)};
    const TShellItem* lists[2] = {Path1.empty() ? nullptr : &items[0], Path2.empty() ? nullptr : &items[1]};
    SendMessage(Log->Handle(), WM_SHELLNOTIFY, reinterpret_cast<WPARAM>(lists),
                static_cast<LPARAM>(static_cast<std::int32_t>(Event)));
  }

  std::vector<std::string> Take() { return std::exchange(Calls, {}); }
};

TEST(QVShellLog, EventMaskFollowsTheOptionTable) {
  const struct {
    TQVLNotificationEvent Option;
    std::int32_t Code;
  } table[] = {
      {lnAssociationChange, 0x8000000},
      {lnAttributesChange, 0x800},
      {lnFileChange, 0x2000},
      {lnFileCreate, 0x2},
      {lnFileDelete, 0x4},
      {lnFileRename, 0x1},
      {lnDriveAdd, 0x100},
      {lnDriveRemove, 0x80},
      {lnShellDriveAdd, 0x10000},
      {lnDriveSpaceChange, 0x40000},
      {lnMediaInsert, 0x20},
      {lnMediaRemove, 0x40},
      {lnFolderCreate, 0x8},
      {lnFolderDelete, 0x10},
      {lnFolderRename, 0x20000},
      {lnFolderUpdate, 0x1000},
      {lnNetShare, 0x200},
      {lnNetUnShare, 0x400},
      {lnServerDisconnect, 0x4000},
      {lnImageListChange, 0x8000},
      {lnEndSessionQuery, 0},
  };
  std::int32_t all = 0;
  for (const auto& row : table) {
    EXPECT_EQ(ShellEventMask({row.Option}), row.Code) << static_cast<int>(row.Option);
    all |= row.Code;
  }
  EXPECT_EQ(ShellEventMask(kAllOptions), all);
  EXPECT_EQ(ShellEventMask({}), 0);
}

TEST(QVShellLog, EachEventCodeRaisesItsCallback) {
  const struct {
    std::uint32_t Event;
    const char* Expected;  // nullptr: nothing raised
  } table[] = {
      {0x8000000, "AssociationChange"},
      {0x800, "AttributesChange(/a,/b)"},
      {0x2000, nullptr},
      {0x2, "FileCreate(/a)"},
      {0x4, "FileDelete(/a)"},
      {0x1, "FileRename(/a,/b)"},
      {0x100, "DriveAdd(/a)"},
      {0x80, "DriveRemove(/a)"},
      {0x10000, "DriveAddGui(/a)"},
      {0x40000, nullptr},
      {0x20, "MediaInserted(/a)"},
      {0x40, "MediaRemove(/a)"},
      {0x8, "FolderCreate(/a)"},
      {0x10, "FolderRemove(/a)"},
      {0x20000, "FolderRename(/a,/b)"},
      {0x1000, "FolderUpdate(/watched)"},  // the component's own Path
      {0x200, "NetShare(/a)"},
      {0x400, "NetUnShare(/a)"},
      {0x4000, "ServerDisconnect(/watched)"},
      {0x8000, nullptr},
      {0x2 | 0x4, nullptr},                   // not one single code
      {0x80000000u | 0x2, "FileCreate(/a)"},  // the interrupt bit is not part of the code
      {0x1000000, nullptr},
  };
  TShellFixture f;
  f.Log->SetPath("/watched");
  f.Log->SetOptions(kAllOptions);
  for (const auto& row : table) {
    SCOPED_TRACE(row.Event);
    f.Notify(row.Event, "/a", "/b");
    EXPECT_EQ(f.Take(), row.Expected ? std::vector<std::string>{row.Expected} : std::vector<std::string>{});
    // Between rows: a notification unlike any row, so none is a repeat.
    f.Notify(0x2, "/between");
    f.Take();
  }
}

TEST(QVShellLog, ItemsWithoutAPathGiveEmptyTexts) {
  TShellFixture f;
  f.Notify(SHCNE_RENAMEITEM, "", "/new");
  f.Notify(SHCNE_ATTRIBUTES, "/x", "");
  f.Notify(SHCNE_CREATE);
  // An empty Path is handed on as it is.
  f.Notify(SHCNE_UPDATEDIR, "/somewhere");
  SendMessage(f.Log->Handle(), WM_SHELLNOTIFY, 0, SHCNE_DELETE);
  EXPECT_EQ(f.Take(), (std::vector<std::string>{"FileRename(,/new)", "AttributesChange(/x,)", "FileCreate()",
                                                "FolderUpdate()", "FileDelete()"}));
}

TEST(QVShellLog, DuplicateFilterFoldsAsciiCaseOnlyAndRemembersEveryKind) {
  const struct {
    const char* Name;
    std::vector<std::vector<std::string>> Sequence;  // event code, path 1, path 2
    int Raised;
  } table[] = {
      {"repeat differing in ASCII case", {{"2", "/Dir/File"}, {"2", "/dIR/fILE"}}, 1},
      {"a different notification between", {{"2", "/a"}, {"4", "/a"}, {"2", "/A"}}, 3},
      {"second path counts", {{"1", "/a", "/b"}, {"1", "/a", "/c"}}, 2},
      {"same paths, other code", {{"2", "/a"}, {"8", "/a"}}, 2},
      {"non-ASCII letters must match exactly", {{"2", "/\xC3\xA4"}, {"2", "/\xC3\x84"}}, 2},
      {"a kind without callback replaces the remembered one", {{"2", "/a"}, {"8192", "/a"}, {"2", "/a"}}, 2},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.Name);
    TShellFixture f;
    for (const auto& n : row.Sequence)
      f.Notify(static_cast<std::uint32_t>(std::stoul(n[0])), n[1], n.size() > 2 ? n[2] : "");
    EXPECT_EQ(static_cast<int>(f.Take().size()), row.Raised);
  }
}

TEST(QVShellLog, RememberedNotificationSurvivesSwitchingOffAndOn) {
  TShellFixture f;
  f.Log->SetActive(true);
  f.Notify(SHCNE_CREATE, "/a");
  f.Log->SetActive(false);
  f.Log->SetActive(true);
  f.Notify(SHCNE_CREATE, "/A");
  EXPECT_EQ(f.Take(), std::vector<std::string>{"FileCreate(/a)"});
}

TEST(QVShellLog, AssociationChangeNeedsItsOptionWhenItArrives) {
  TShellFixture f;
  f.Notify(SHCNE_ASSOCCHANGED);
  f.Log->SetOptions({lnAssociationChange});
  f.Notify(SHCNE_CREATE, "/between");
  f.Notify(SHCNE_ASSOCCHANGED);
  EXPECT_EQ(f.Take(), (std::vector<std::string>{"FileCreate(/between)", "AssociationChange"}));
}

TEST(QVShellLog, RegistrationFollowsActiveAndTheSettings) {
  TShellFixture f;
  EXPECT_FALSE(f.Log->Active());
  f.Log->SetPath("/p");
  f.Log->SetOptions({lnFileCreate, lnEndSessionQuery});
  EXPECT_TRUE(f.Sources.Openings().empty()) << "nothing registers while switched off";

  f.Log->SetActive(true);
  EXPECT_TRUE(f.Log->Active());
  ASSERT_EQ(f.Sources.Openings().size(), 1u);
  EXPECT_EQ(f.Sources.Openings()[0].Path, "/p");
  EXPECT_FALSE(f.Sources.Openings()[0].SubTree);
  EXPECT_EQ(f.Sources.Openings()[0].Events, SHCNE_CREATE);

  // The same values again change nothing.
  f.Log->SetActive(true);
  f.Log->SetPath("/p");
  f.Log->SetWatchSubTree(false);
  f.Log->SetOptions({lnFileCreate, lnEndSessionQuery});
  EXPECT_EQ(f.Sources.Openings().size(), 1u);

  // Each change registers afresh; the old sources go first.
  f.Log->SetPath("/P");
  f.Log->SetWatchSubTree(true);
  f.Log->SetOptions({lnFolderCreate});
  ASSERT_EQ(f.Sources.Openings().size(), 4u);
  EXPECT_EQ(f.Sources.Openings()[1].Path, "/P");
  EXPECT_TRUE(f.Sources.Openings()[2].SubTree);
  EXPECT_EQ(f.Sources.Openings()[3].Events, SHCNE_MKDIR);
  EXPECT_EQ(f.Sources.OpenSources(), 1);

  f.Log->SetActive(false);
  EXPECT_FALSE(f.Log->Active());
  EXPECT_EQ(f.Sources.OpenSources(), 0);
  f.Log->SetPath("/q");
  EXPECT_EQ(f.Sources.Openings().size(), 4u);
}

TEST(QVShellLog, SourcesDeliverThroughTheLoopOnlyTheRegisteredEvents) {
  TShellFixture f;
  f.Log->SetPath("/w");
  f.Log->SetOptions({lnFileCreate, lnFolderUpdate});
  f.Log->SetActive(true);
  f.Sources.Report({SHCNE_DELETE, TShellItem::Of("/w/x"), {}});
  f.Sources.Report({SHCNE_CREATE, TShellItem::Of("/w/x"), {}});
  f.Sources.Report({SHCNE_UPDATEDIR, TShellItem::Of("/w"), {}});
  EXPECT_TRUE(f.Calls.empty()) << "callbacks run from the loop only";
  EXPECT_TRUE(rvtest::ServeAppUntil([&] { return f.Calls.size() == 2; }));
  rvtest::ServeAppFor(30ms);
  EXPECT_EQ(f.Take(), (std::vector<std::string>{"FileCreate(/w/x)", "FolderUpdate(/w)"}));

  f.Log->SetActive(false);
  f.Sources.Report({SHCNE_CREATE, TShellItem::Of("/w/y"), {}});
  rvtest::ServeAppFor(30ms);
  EXPECT_TRUE(f.Calls.empty());
}

TEST(QVShellLog, QueuedNotificationsDieWithTheComponent) {
  TShellFixture f;
  f.Log->PostNotification(SHCNE_CREATE, "/a");
  f.Log.reset();
  rvtest::ServeAppFor(20ms);
  EXPECT_TRUE(f.Calls.empty());
}

TEST(QVShellLog, ACallbackThatRaisesHasAlreadyUpdatedTheRememberedNotification) {
  TShellFixture f;
  f.Log->SetOnFileCreate([](TObject*, const std::string&) { throw std::runtime_error("callback failed"); });
  EXPECT_THROW(f.Notify(SHCNE_CREATE, "/a"), std::runtime_error);
  // The same notification again is a repeat: nothing raises.
  EXPECT_NO_THROW(f.Notify(SHCNE_CREATE, "/a"));
  // Through the loop the exception reaches the application's handler.
  std::string reported;
  Application->SetOnException([&](TObject*, Exception* E) { reported = E->Message(); });
  TScopeExit clear([] { Application->SetOnException({}); });
  f.Log->PostNotification(SHCNE_CREATE, "/b");
  EXPECT_TRUE(rvtest::ServeAppUntil([&] { return !reported.empty(); }));
  EXPECT_EQ(reported, "callback failed");
}

TEST(QVShellLog, EndSessionQueryNeedsItsOptionButNotActive) {
  const struct {
    const char* Name;
    TQVLNotificationEvents Options;
    bool Active;
    int Raised;
  } table[] = {
      {"inactive, option set", {lnEndSessionQuery}, false, 1},
      {"active, option set", {lnEndSessionQuery}, true, 1},
      {"option missing", {lnFileCreate}, true, 0},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.Name);
    TShellFixture f;
    f.Log->SetOptions(row.Options);
    f.Log->SetActive(row.Active);
    // Straight to the window, and from the session manager through the loop.
    EXPECT_EQ(SendMessage(f.Log->Handle(), WM_QUERYENDSESSION), 0);
    ASSERT_EQ(f.Sources.QueryEndSession(), 1);
    EXPECT_TRUE(rvtest::ServeAppUntil([&] { return f.Sources.EndSessionAnswers() == 1; }));
    rvtest::ServeAppFor(20ms);
    EXPECT_EQ(static_cast<int>(f.Take().size()), 2 * row.Raised);
  }
}

TEST(QVShellLog, TheSessionIsNeverHeldUp) {
  // A callback that fails or never returns quickly must not keep the
  // session manager waiting: it has its answer before the callback runs.
  TShellFixture f;
  f.Log->SetOptions({lnEndSessionQuery});
  f.Log->SetOnEndSessionQuery([](TObject*) { throw std::runtime_error("refused"); });
  Application->SetOnException([](TObject*, Exception*) {});
  TScopeExit clear([] { Application->SetOnException({}); });
  f.Sources.QueryEndSession();
  EXPECT_TRUE(rvtest::ServeAppUntil([&] { return f.Sources.EndSessionAnswers() == 1; }));
}

TEST(QVShellLog, AnEndedSessionConnectionIsWaitedOnNoMore) {
  // An ended connection stays readable: read again and again, it would
  // keep the loop from ever sleeping.
  TShellFixture f;
  f.Sources.EndSessionConnections();
  EXPECT_TRUE(rvtest::ServeAppUntil([&] { return f.Sources.SessionReads() == 1; }));
  rvtest::ServeAppFor(30ms);
  EXPECT_EQ(f.Sources.SessionReads(), 1);
}

TEST(QVShellLog, DesignTimeMakesNoWindowAndRegistersNothing) {
  TShellSourcesDouble sources;
  TServiceScope<TShellSources> scope(&SetShellSources, sources);
  TComponent designer(nullptr);
  designer.SetDesigning(true);
  auto* log = new TQVShellLog(&designer);
  EXPECT_EQ(log->Handle(), 0u);
  log->SetOptions(kAllOptions);
  log->SetActive(true);
  EXPECT_FALSE(log->Active());
  log->SetPath("/x");
  EXPECT_TRUE(sources.Openings().empty());
  EXPECT_EQ(sources.QueryEndSession(), 0) << "no session-end source at design time";
  int created = 0;
  log->SetOnFileCreate([&](TObject*, const std::string&) { ++created; });
  log->PostNotification(SHCNE_CREATE, "/a");
  rvtest::ServeAppFor(10ms);
  EXPECT_EQ(created, 0);
}

TEST(QVShellLog, AFailedRegistrationReadsInactiveAndAssigningTrueTriesAgain) {
  TShellFixture f;
  f.Sources.FailOpens(1);
  f.Log->SetActive(true);
  EXPECT_FALSE(f.Log->Active());
  f.Log->SetActive(true);
  EXPECT_TRUE(f.Log->Active());
  EXPECT_EQ(f.Sources.Openings().size(), 2u);
}

TEST(QVShellLog, StoredActiveRegistersWhenLoadingEnds) {
  TShellSourcesDouble sources;
  TServiceScope<TShellSources> scope(&SetShellSources, sources);
  const std::string form =
      "object Root: TComponent\n"
      "  object Shell: TQVShellLog\n"
      "    Path = '/stored'\n"
      "    Active = True\n"
      "    WatchSubTree = True\n"
      "    Options = [lnFileCreate, lnFolderCreate]\n"
      "  end\n"
      "end\n";
  std::unique_ptr<TComponent> root(ReadComponentText(form, nullptr));
  auto* log = static_cast<TQVShellLog*>(root->FindComponent("Shell"));
  EXPECT_TRUE(log->Active());
  // Once, with every stored setting.
  ASSERT_EQ(sources.Openings().size(), 1u);
  EXPECT_EQ(sources.Openings()[0].Path, "/stored");
  EXPECT_TRUE(sources.Openings()[0].SubTree);
  EXPECT_EQ(sources.Openings()[0].Events, SHCNE_CREATE | SHCNE_MKDIR);
}

TEST(QVShellLog, FormRoundTripKeepsTheSettings) {
  TShellSourcesDouble sources;
  TServiceScope<TShellSources> scope(&SetShellSources, sources);
  TComponent root(nullptr);
  root.SetName("Root");
  auto* log = new TQVShellLog(&root);
  log->SetName("Shell");
  std::string text = WriteComponentText(root);
  // Active, WatchSubTree and Options are always stored; an empty Path not.
  EXPECT_NE(text.find("Active = False"), std::string::npos) << text;
  EXPECT_NE(text.find("WatchSubTree = False"), std::string::npos) << text;
  EXPECT_NE(text.find("Options = []"), std::string::npos) << text;
  EXPECT_EQ(text.find("Path"), std::string::npos) << text;

  log->SetPath("/it's here");
  log->SetWatchSubTree(true);
  log->SetOptions({lnAssociationChange, lnServerDisconnect, lnEndSessionQuery});
  log->SetActive(true);
  text = WriteComponentText(root);
  std::unique_ptr<TComponent> copy(ReadComponentText(text, nullptr));
  auto* read = static_cast<TQVShellLog*>(copy->FindComponent("Shell"));
  EXPECT_EQ(read->Path(), "/it's here");
  EXPECT_TRUE(read->WatchSubTree());
  EXPECT_EQ(read->Options(), (TQVLNotificationEvents{lnAssociationChange, lnServerDisconnect, lnEndSessionQuery}));
  EXPECT_TRUE(read->Active());
}

}  // namespace

namespace {

TEST(QVShellLogLinux, FilesFoldersAndRenamesThroughInotify) {
  rvtest::TempDir dir;
  const std::string d = dir.Path();
  TQVShellLog log(nullptr);
  std::vector<std::string> calls;
  log.SetOnFileCreate([&](TObject*, const std::string& V) { calls.push_back("create " + V); });
  log.SetOnFileDelete([&](TObject*, const std::string& V) { calls.push_back("delete " + V); });
  log.SetOnFileRename(
      [&](TObject*, const std::string& A, const std::string& B) { calls.push_back("rename " + A + " " + B); });
  log.SetOnFolderCreate([&](TObject*, const std::string& V) { calls.push_back("mkdir " + V); });
  log.SetPath(d);
  log.SetWatchSubTree(true);
  log.SetOptions({lnFileCreate, lnFileDelete, lnFileRename, lnFolderCreate});
  log.SetActive(true);
  ASSERT_TRUE(log.Active());

  ASSERT_EQ(mkdir(dir.File("sub").c_str(), 0700), 0);
  EXPECT_TRUE(rvtest::ServeAppUntil([&] { return calls.size() == 1; }, 5s));
  rvtest::WriteFile(dir.File("sub/a"), "x");
  ASSERT_EQ(std::rename(dir.File("sub/a").c_str(), dir.File("sub/b").c_str()), 0);
  ASSERT_EQ(unlink(dir.File("sub/b").c_str()), 0);
  EXPECT_TRUE(rvtest::ServeAppUntil([&] { return calls.size() == 4; }, 5s));
  EXPECT_EQ(calls, (std::vector<std::string>{"mkdir " + d + "/sub", "create " + d + "/sub/a",
                                             "rename " + d + "/sub/a " + d + "/sub/b", "delete " + d + "/sub/b"}));

  // Switched off, the folder is watched no more.
  log.SetActive(false);
  rvtest::WriteFile(dir.File("later"), "");
  rvtest::ServeAppFor(50ms);
  EXPECT_EQ(calls.size(), 4u);
}

}  // namespace
