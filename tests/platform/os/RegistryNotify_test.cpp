#include <gtest/gtest.h>
#include <sys/stat.h>

#include <functional>

#include "platform/os/Registry.h"
#include "platform/rtl/Service.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

constexpr int kSignalWaitMs = 3000;
constexpr int kQuietWaitMs = 150;

struct Store {
  rvtest::TempDir Dir;
  TRegistryRoot Root{Dir.Path()};
  TServiceScope<TRegistryRoot> Scope{SetRegistryRoot, Root};
};

struct NotifyCase {
  const char* Name;
  std::uint32_t Filter;
  bool Subtree;
  std::function<void(TRegistry&, const std::string& keyFolder)> Change;
  bool Signals;
};

// The watched key "W" holds the value "v" and the subkey "Sub" (holding "s").
const NotifyCase kCases[] = {
    {"SubkeyAdded", REG_NOTIFY_CHANGE_NAME, false, [](TRegistry& r, auto&) { r.CreateKey("\\W\\New"); }, true},
    {"SubkeyDeleted", REG_NOTIFY_CHANGE_NAME, false, [](TRegistry& r, auto&) { r.DeleteKey("\\W\\Sub"); }, true},
    {"ValueIsNoName", REG_NOTIFY_CHANGE_NAME, false, [](TRegistry& r, auto&) { r.WriteString("v", "2"); }, false},
    {"DeepSubkeyUnwatched", REG_NOTIFY_CHANGE_NAME, false, [](TRegistry& r, auto&) { r.CreateKey("\\W\\Sub\\X"); },
     false},
    {"DeepSubkeyWatched", REG_NOTIFY_CHANGE_NAME, true, [](TRegistry& r, auto&) { r.CreateKey("\\W\\Sub\\X"); }, true},
    {"ValueChanged", REG_NOTIFY_CHANGE_LAST_SET, false, [](TRegistry& r, auto&) { r.WriteString("v", "2"); }, true},
    {"ValueAdded", REG_NOTIFY_CHANGE_LAST_SET, false, [](TRegistry& r, auto&) { r.WriteInteger("n", 1); }, true},
    {"ValueDeleted", REG_NOTIFY_CHANGE_LAST_SET, false, [](TRegistry& r, auto&) { r.DeleteValue("v"); }, true},
    {"SubkeyIsNoValue", REG_NOTIFY_CHANGE_LAST_SET, false, [](TRegistry& r, auto&) { r.CreateKey("\\W\\New"); }, false},
    {"SubkeyValueUnwatched", REG_NOTIFY_CHANGE_LAST_SET, false,
     [](TRegistry& r, auto&) {
       r.OpenKey("\\W\\Sub", false);
       r.WriteString("s", "2");
     },
     false},
    {"SubkeyValueWatched", REG_NOTIFY_CHANGE_LAST_SET, true,
     [](TRegistry& r, auto&) {
       r.OpenKey("\\W\\Sub", false);
       r.WriteString("s", "2");
     },
     true},
    {"Attributes", REG_NOTIFY_CHANGE_ATTRIBUTES, false,
     [](TRegistry&, const std::string& f) { chmod(f.c_str(), 0750); }, true},
    {"Security", REG_NOTIFY_CHANGE_SECURITY, false, [](TRegistry&, const std::string& f) { chmod(f.c_str(), 0750); },
     true},
    {"SubkeyAttributesUnwatched", REG_NOTIFY_CHANGE_ATTRIBUTES, false,
     [](TRegistry&, const std::string& f) { chmod((f + "/Sub").c_str(), 0750); }, false},
    {"SubkeyAttributesWatched", REG_NOTIFY_CHANGE_ATTRIBUTES, true,
     [](TRegistry&, const std::string& f) { chmod((f + "/Sub").c_str(), 0750); }, true},
    {"ValueIsNoAttribute", REG_NOTIFY_CHANGE_ATTRIBUTES, false, [](TRegistry& r, auto&) { r.WriteString("v", "2"); },
     false},
    {"KeyDeleted", REG_NOTIFY_CHANGE_LAST_SET, false, [](TRegistry& r, auto&) { r.DeleteKey("\\W"); }, true},
};

class RegistryNotify : public testing::TestWithParam<NotifyCase> {};

TEST_P(RegistryNotify, SignalsExactlyForItsFilter) {
  const NotifyCase& c = GetParam();
  Store store;
  TRegistry writer;
  ASSERT_TRUE(writer.OpenKey("W\\Sub", true));
  writer.WriteString("s", "1");
  ASSERT_TRUE(writer.OpenKey("\\W", false));
  writer.WriteString("v", "1");

  // The event outlives the key, whose closing sets it.
  TEvent event(true, false);
  TRegistry watched(KEY_READ);
  ASSERT_TRUE(watched.OpenKey("W", false));
  ASSERT_EQ(RegNotifyChangeKeyValue(watched.CurrentKey(), c.Subtree, c.Filter, &event, true), ERROR_SUCCESS);
  c.Change(writer, store.Dir.File("HKEY_CURRENT_USER/W"));
  EXPECT_EQ(event.WaitFor(c.Signals ? kSignalWaitMs : kQuietWaitMs), c.Signals ? WAIT_OBJECT_0 : WAIT_TIMEOUT);
}

INSTANTIATE_TEST_SUITE_P(All, RegistryNotify, testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(RegistryNotifyRequests, SignalOncePerRequestAndOnClosingTheKey) {
  Store store;
  TEvent event(true, false);
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("K", true));
  ASSERT_EQ(RegNotifyChangeKeyValue(reg.CurrentKey(), false, REG_NOTIFY_CHANGE_LAST_SET, &event, true), ERROR_SUCCESS);
  reg.WriteString("a", "1");
  ASSERT_EQ(event.WaitFor(kSignalWaitMs), WAIT_OBJECT_0);
  event.ResetEvent();
  reg.WriteString("a", "2");
  EXPECT_EQ(event.WaitFor(kQuietWaitMs), WAIT_TIMEOUT);
  ASSERT_EQ(RegNotifyChangeKeyValue(reg.CurrentKey(), false, REG_NOTIFY_CHANGE_LAST_SET, &event, true), ERROR_SUCCESS);
  EXPECT_EQ(event.WaitFor(kQuietWaitMs), WAIT_TIMEOUT);
  reg.CloseKey();
  EXPECT_EQ(event.WaitFor(0), WAIT_OBJECT_0);
}

TEST(RegistryNotifyRequests, BadRequestsAreRefused) {
  Store store;
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKey("K", true));
  TEvent event(true, false);
  EXPECT_EQ(RegNotifyChangeKeyValue(nullptr, false, 1, &event, true), ERROR_INVALID_HANDLE);
  EXPECT_EQ(RegNotifyChangeKeyValue(reg.CurrentKey(), false, 1, nullptr, true), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegNotifyChangeKeyValue(reg.CurrentKey(), false, 1, &event, false), ERROR_INVALID_PARAMETER);
  EXPECT_EQ(RegNotifyChangeKeyValue(reg.CurrentKey(), false, 0x10, &event, true), ERROR_INVALID_PARAMETER);
}

}  // namespace
