#include "platform/os/MessageTable.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include "tests/support/TempDir.h"

using namespace rv;

TEST(MessageTable, ParsesMessagesWithTheirHeaders) {
  const auto table = TMessageTable::Parse(
      "; a comment\r\n"
      "MessageId=0x40000001\n"
      "Severity=Informational\n"
      "Language=English\n"
      "Service %1 started.\n"
      "Second line.\n"
      ".\n"
      "MessageId=7\n"
      "Text with key=value inside\n"
      ".\n"
      "MessageId=8\n"
      ".\n"
      "MessageId=zz\n"
      "ignored\n"
      ".\n"
      "MessageId=9\n"
      "never closed\n");
  ASSERT_TRUE(table.Find(0x40000001));
  EXPECT_EQ(*table.Find(0x40000001), "Service %1 started.\r\nSecond line.\r\n");
  ASSERT_TRUE(table.Find(7));
  EXPECT_EQ(*table.Find(7), "Text with key=value inside\r\n");
  ASSERT_TRUE(table.Find(8));
  EXPECT_EQ(*table.Find(8), "");
  EXPECT_FALSE(table.Find(9));
  EXPECT_EQ(table.Count(), 3u);
}

TEST(MessageTable, FormatsInsertsAndEscapes) {
  const std::vector<std::string> inserts = {"one", "two", "", "", "", "", "", "", "", "ten"};
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"%1 and %2", "one and two"},
      {"%10|%1", "ten|one"},
      {"%11 %99 stay", "%11 %99 stay"},
      {"a%nb%rc%td", "a\r\nb\rc\td"},
      {"100%% sure%. %!% ", "100% sure. ! "},
      {"cut here%0 and not this", "cut here"},
      {"%q and trailing %", "%q and trailing %"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatMessageText(c.in, inserts), c.out) << c.in;
  EXPECT_EQ(FormatMessageText("none %1", {}), "none %1");
}

TEST(MessageTable, ExpandsDefinedEnvironmentVariables) {
  setenv("RV_MT_ROOT", "/opt/x", 1);
  unsetenv("RV_MT_NONE");
  EXPECT_EQ(ExpandEnvironmentStrings("%RV_MT_ROOT%/msg.txt"), "/opt/x/msg.txt");
  EXPECT_EQ(ExpandEnvironmentStrings("%RV_MT_NONE%/a"), "%RV_MT_NONE%/a");
  EXPECT_EQ(ExpandEnvironmentStrings("50%%RV_MT_ROOT%"), "50%/opt/x");
  EXPECT_EQ(ExpandEnvironmentStrings("open %"), "open %");
}

TEST(MessageTable, TheCacheNoticesAReplacedFile) {
  rvtest::TempDir dir;
  const std::string path = dir.File("m.msg");
  TMessageFileCache cache;
  EXPECT_EQ(cache.Load(path), nullptr);
  rvtest::WriteFile(path, "MessageId=1\nold\n.\n");
  const auto first = cache.Load(path);
  ASSERT_TRUE(first);
  EXPECT_EQ(cache.Load(path), first);
  rvtest::WriteFile(path + ".new", "MessageId=1\nnew text\n.\n");
  std::rename((path + ".new").c_str(), path.c_str());
  const auto second = cache.Load(path);
  ASSERT_TRUE(second);
  EXPECT_EQ(*second->Find(1), "new text\r\n");
}
