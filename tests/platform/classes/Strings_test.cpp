#include "platform/classes/Strings.h"

#include <gtest/gtest.h>

#include "platform/rtl/Exceptions.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

using Lines = std::vector<std::string>;

TEST(StringsTest, TextSplitsAtEveryKindOfLineBreakAndJoinsWithCrLf) {
  const std::vector<std::pair<std::string, Lines>> table = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\n", {"a"}},
      {"a\rb", {"a", "b"}},
      {"a\r\r\n", {"a", ""}},
      {"\r\n", {""}},
      {"a\n\nb\r\n", {"a", "", "b"}},
  };
  TStringList list;
  for (const auto& [text, lines] : table) {
    list.SetText(text);
    EXPECT_EQ(list.ToVector(), lines) << text;
  }
  list.SetText("x\ny");
  EXPECT_EQ(list.Text(), "x\r\ny\r\n");
}

TEST(StringsTest, SortedListsApplyTheirDuplicatesRule) {
  TStringList list;
  list.SetSorted(true);
  list.Add("b");
  list.Add("A");
  EXPECT_EQ(list.Add("a"), 0) << "dupIgnore answers the existing index";
  EXPECT_EQ(list.ToVector(), (Lines{"A", "b"}));
  list.SetDuplicates(dupError);
  EXPECT_THROW(list.Add("B"), EStringListError);
  list.SetDuplicates(dupAccept);
  list.Add("B");
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.IndexOf("c"), -1);
  EXPECT_THROW(list.Insert(0, "z"), EStringListError);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("a"), -1);
}

TEST(StringsTest, ChangesInsideAnUpdateAreReportedOnce) {
  TStringList list;
  int changes = 0;
  list.SetOnChange([&](TObject*) { ++changes; });
  list.BeginUpdate();
  list.Add("a");
  list.Add("b");
  list.Delete(0);
  list.EndUpdate();
  EXPECT_EQ(changes, 1);
  list.SetText("x\ny\nz");
  EXPECT_EQ(changes, 2);
}

TEST(StringsTest, AssignCopiesTheLines) {
  TStringList a;
  TStringList b;
  a.SetText("1\n2");
  b.Assign(&a);
  a.Add("3");
  EXPECT_EQ(b.ToVector(), (Lines{"1", "2"}));
  EXPECT_THROW(b.Get(2), EStringListError);
}

TEST(StringsTest, LoadFromFileDropsTheByteOrderMarkAndNamesMissingFiles) {
  rvtest::TempDir dir;
  rvtest::WriteFile(dir.File("a.txt"), "\xEF\xBB\xBFone\r\ntwo");
  TStringList list;
  list.LoadFromFile(dir.File("a.txt"));
  EXPECT_EQ(list.ToVector(), (Lines{"one", "two"}));
  try {
    list.LoadFromFile(dir.File("missing.txt"));
    FAIL();
  } catch (const EFOpenError& e) {
    EXPECT_NE(e.Message().find("missing.txt\". No such file or directory"), std::string::npos) << e.Message();
  }
}

}  // namespace
