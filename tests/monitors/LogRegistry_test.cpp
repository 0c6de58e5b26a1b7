#include <gtest/gtest.h>
#include <sys/stat.h>

#include <memory>

#include "monitors/LogRegistry.h"
#include "platform/classes/FormFile.h"
#include "tests/support/GuiQueue.h"
#include "tests/support/RegistryStore.h"

using namespace rv;
using namespace std::chrono_literals;

namespace {

// Ample time for a worker to renew its request after a callback.
constexpr auto kRenewal = 200ms;

// A monitor counting its callbacks, and a writer on the same store.
struct Watched {
  explicit Watched(const std::string& key = "Software\\Quindarex") {
    Writer.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_TRUE(Writer.OpenKey(key, true));
    Log->SetKey(key);
    Log->SetOnRegistryNotification([this](TObject* sender) {
      EXPECT_EQ(sender, Log.get());
      ++Calls;
    });
  }
  bool AwaitCalls(int n) {
    return rvtest::ServeUntil([&] { return Calls >= n; });
  }
  // Serves the queue briefly: the callbacks that were due have come.
  int SettledCalls() {
    rvtest::ServeFor(150ms);
    return Calls;
  }
  rvtest::RegistryStore Store;
  TRegistry Writer;
  std::unique_ptr<TQVRegistryLog> Log = std::make_unique<TQVRegistryLog>(nullptr);
  int Calls = 0;
};

TEST(QVRegistryLog, InitialValuesAndStoredForm) {
  TComponent root(nullptr);
  root.SetName("Root");
  auto* log = new TQVRegistryLog(&root);
  log->SetName("Reg");
  EXPECT_EQ(log->RootKey(), HKEY_LOCAL_MACHINE);
  EXPECT_EQ(log->Key(), "Software\\Quindarex");
  EXPECT_EQ(log->Options(), (TRegistryNotificationOptions{roName, roAttributes}));
  std::string text = WriteComponentText(root);
  EXPECT_EQ(text.find("RootKey"), std::string::npos) << text;
  EXPECT_NE(text.find("Key = 'Software\\Quindarex'"), std::string::npos) << text;
  EXPECT_NE(text.find("Options = [roName, roAttributes]"), std::string::npos) << text;

  // An empty Key is not stored: read back, the component has the initial key.
  log->SetKey("");
  log->SetRootKey(HKEY_CURRENT_USER);
  text = WriteComponentText(root);
  EXPECT_NE(text.find("RootKey = "), std::string::npos) << text;
  std::unique_ptr<TComponent> copy(ReadComponentText(text, nullptr));
  auto* read = static_cast<TQVRegistryLog*>(copy->FindComponent("Reg"));
  EXPECT_EQ(read->Key(), "Software\\Quindarex");
  EXPECT_EQ(read->RootKey(), HKEY_CURRENT_USER);
}

TEST(QVRegistryLog, InitialSettingsHearSubkeysAndAttributesButNotValues) {
  Watched w;
  w.Log->SetActive(true);
  rvtest::ServeFor(50ms);
  w.Writer.WriteString("value", "1");
  EXPECT_EQ(w.SettledCalls(), 0);
  w.Writer.CreateKey("Sub");
  ASSERT_TRUE(w.AwaitCalls(1));
  // A change before the worker renewed its request is not reported: give it
  // time to renew.
  rvtest::ServeFor(kRenewal);
  chmod(w.Store.Dir.File("HKEY_LOCAL_MACHINE/Software/Quindarex").c_str(), 0750);
  ASSERT_TRUE(w.AwaitCalls(2));
  EXPECT_EQ(w.SettledCalls(), 2);
}

TEST(QVRegistryLog, LastSetHearsValues) {
  Watched w;
  w.Log->SetOptions({roLastSet});
  w.Log->SetActive(true);
  rvtest::ServeFor(50ms);
  w.Writer.WriteInteger("n", 1);
  ASSERT_TRUE(w.AwaitCalls(1));
  rvtest::ServeFor(kRenewal);
  w.Writer.DeleteValue("n");
  EXPECT_TRUE(w.AwaitCalls(2));
}

TEST(QVRegistryLog, SubkeysOnlyWithTheSwitch) {
  for (bool subtree : {false, true}) {
    Watched w;
    w.Writer.CreateKey("Below");
    w.Log->SetOptions(subtree ? TRegistryNotificationOptions{roLastSet, roWatchSubFolders}
                              : TRegistryNotificationOptions{roLastSet});
    w.Log->SetActive(true);
    rvtest::ServeFor(50ms);
    ASSERT_TRUE(w.Writer.OpenKey("Below", false));
    w.Writer.WriteString("deep", "1");
    EXPECT_EQ(w.SettledCalls(), subtree ? 1 : 0) << subtree;
  }
}

TEST(QVRegistryLog, ChangingKeyWhileActiveDoesNotMoveTheWatch) {
  Watched w;
  w.Log->SetOptions({roLastSet});
  w.Log->SetActive(true);
  w.Log->SetKey("Software\\Other");
  rvtest::ServeFor(50ms);
  w.Writer.WriteString("still", "watched");
  EXPECT_TRUE(w.AwaitCalls(1));
}

TEST(QVRegistryLog, AMissingKeyActivatesQuietly) {
  Watched w;
  w.Log->SetKey("Software\\Missing");
  EXPECT_NO_THROW(w.Log->SetActive(true));
  EXPECT_TRUE(w.Log->Active());
  w.Writer.CreateKey("\\Software\\Missing");
  EXPECT_EQ(w.SettledCalls(), 0);
  // The next activation finds it.
  w.Log->SetActive(false);
  w.Log->SetActive(true);
  rvtest::ServeFor(50ms);
  w.Writer.CreateKey("\\Software\\Missing\\Sub");
  EXPECT_TRUE(w.AwaitCalls(1));
}

TEST(QVRegistryLog, WithoutCallbackChangesAreConsumed) {
  Watched w;
  w.Log->SetOnRegistryNotification(nullptr);
  w.Log->SetActive(true);
  rvtest::ServeFor(50ms);
  w.Writer.CreateKey("Unheard");
  rvtest::ServeFor(150ms);
  w.Log->SetOnRegistryNotification([&](TObject*) { ++w.Calls; });
  w.Writer.CreateKey("Heard");
  EXPECT_TRUE(w.AwaitCalls(1));
  EXPECT_EQ(w.SettledCalls(), 1);
}

TEST(QVRegistryLog, TwoMonitorsHearOnlyTheirOwnKeys) {
  Watched w("Software\\First");
  TQVRegistryLog second(nullptr);
  second.SetKey("Software\\Second");
  ASSERT_TRUE(w.Writer.CreateKey("\\Software\\Second"));
  int secondCalls = 0;
  second.SetOnRegistryNotification([&](TObject*) { ++secondCalls; });
  w.Log->SetActive(true);
  second.SetActive(true);
  rvtest::ServeFor(50ms);
  ASSERT_TRUE(w.Writer.CreateKey("\\Software\\Second\\Sub"));
  ASSERT_TRUE(rvtest::ServeUntil([&] { return secondCalls == 1; }));
  EXPECT_EQ(w.SettledCalls(), 0);
  ASSERT_TRUE(w.Writer.CreateKey("\\Software\\First\\Sub"));
  EXPECT_TRUE(w.AwaitCalls(1));
  EXPECT_EQ(secondCalls, 1);
}

TEST(QVRegistryLog, ActivationDuringLoadingWatchesTheStoredKey) {
  rvtest::RegistryStore store;
  TRegistry writer;
  writer.SetRootKey(HKEY_CURRENT_USER);
  ASSERT_TRUE(writer.OpenKey("Software\\Stored", true));
  const std::string form = "object Root: TComponent\n  object Reg: TQVRegistryLog\n    Active = True\n    RootKey = " +
                           std::to_string(HKEY_CURRENT_USER) +
                           "\n    Key = 'Software\\Stored'\n    Options = [roLastSet]\n  end\nend\n";
  std::unique_ptr<TComponent> root(ReadComponentText(form, nullptr));
  auto* log = static_cast<TQVRegistryLog*>(root->FindComponent("Reg"));
  int calls = 0;
  log->SetOnRegistryNotification([&](TObject*) { ++calls; });
  rvtest::ServeFor(50ms);
  writer.WriteString("v", "1");
  EXPECT_TRUE(rvtest::ServeUntil([&] { return calls == 1; }));
}

}  // namespace
