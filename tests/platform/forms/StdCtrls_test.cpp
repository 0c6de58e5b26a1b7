#include "platform/forms/StdCtrls.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/forms/Forms.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/Exceptions.h"

using namespace rv;

namespace {

TEST(TCheckBox, ClickingCyclesThroughItsStatesAndRaisesOnClick) {
  const struct {
    bool AllowGrayed;
    std::vector<TCheckBoxState> States;
  } cases[] = {
      {false, {cbChecked, cbUnchecked, cbChecked}},
      {true, {cbGrayed, cbChecked, cbUnchecked, cbGrayed}},
  };
  for (const auto& c : cases) {
    TCheckBox box(nullptr);
    box.SetAllowGrayed(c.AllowGrayed);
    std::vector<TCheckBoxState> seen;
    box.SetOnClick([&](TObject* sender) {
      EXPECT_EQ(sender, &box);
      seen.push_back(box.State());
    });
    for (std::size_t i = 0; i < c.States.size(); ++i) FeedClick(&box);
    EXPECT_EQ(seen, c.States) << c.AllowGrayed;
  }
}

TEST(TCheckBox, StateSetInCodeRaisesOnClickOnAChangeOnly) {
  TCheckBox box(nullptr);
  int clicks = 0;
  box.SetOnClick([&](TObject*) { ++clicks; });
  box.SetChecked(true);
  box.SetChecked(true);
  box.SetState(cbGrayed);
  EXPECT_FALSE(box.Checked());
  box.Click();  // raises OnClick, doesn't toggle
  EXPECT_EQ(clicks, 3);
  EXPECT_EQ(box.State(), cbGrayed);
  box.SetAlignment(taLeftJustify);
  EXPECT_THROW(box.SetAlignment(taCenter), ERangeError);
  EXPECT_EQ(box.Alignment(), taLeftJustify);
}

TEST(TEdit, ChangesRaiseOnChangeAndUserInputKeepsTheLimits) {
  TEdit edit(nullptr);
  std::vector<std::string> changes;
  edit.SetOnChange([&](TObject* sender) {
    EXPECT_EQ(sender, &edit);
    changes.push_back(edit.Text());
  });
  edit.SetText("abc");
  edit.SetText("abc");
  EXPECT_EQ(edit.Caption(), "abc");
  edit.SetMaxLength(3);
  edit.SetText("longer in code");  // only typing is limited
  FeedText(&edit,
           "a\xF0\x9F\x98\x80"
           "bc");  // a surrogate pair counts twice
  edit.SetReadOnly(true);
  FeedText(&edit, "ignored");
  EXPECT_EQ(changes, (std::vector<std::string>{"abc", "longer in code", "a\xF0\x9F\x98\x80"}));
  EXPECT_THROW(edit.SetMaxLength(-1), ERangeError);
  EXPECT_THROW(edit.SetBorderStyle(bsDialog), ERangeError);
  edit.SetBorderStyle(bsNone);
  EXPECT_EQ(edit.BorderStyle(), bsNone);
}

TEST(TMemo, TextIsTheLinesJoined) {
  const struct {
    const char* Text;
    std::vector<std::string> Lines;
    const char* ReadBack;
  } cases[] = {
      {"", {}, ""},
      {"one", {"one"}, "one"},
      {"one\r\ntwo", {"one", "two"}, "one\r\ntwo"},
      {"one\r\n", {"one", ""}, "one\r\n"},
      {"a\nb\rc\r\n\r\nd", {"a", "b", "c", "", "d"}, "a\r\nb\r\nc\r\n\r\nd"},
      {"\r\n", {"", ""}, "\r\n"},
  };
  for (const auto& c : cases) {
    TMemo memo(nullptr);
    int changes = 0;
    memo.SetOnChange([&](TObject*) { ++changes; });
    memo.SetText(c.Text);
    EXPECT_EQ(memo.Lines()->ToVector(), c.Lines) << c.Text;
    EXPECT_EQ(memo.Text(), c.ReadBack);
    EXPECT_EQ(changes, c.Lines.empty() ? 0 : 1) << c.Text;
  }
  TMemo memo(nullptr);
  int changes = 0;
  memo.SetOnChange([&](TObject*) { ++changes; });
  memo.Lines()->Add("first");
  memo.Lines()->Add("second");
  EXPECT_EQ(memo.Caption(), "first\r\nsecond");
  FeedText(&memo, "typed");
  EXPECT_EQ(memo.Lines()->Count(), 1);
  EXPECT_EQ(changes, 3);
}

TEST(TComboBox, ItemIndexAndTextSelectEachOther) {
  using Step = std::function<void(TComboBox&)>;
  const struct {
    const char* Name;
    Step Action;
    int ItemIndex;
    const char* Text;
  } steps[] = {
      {"select", [](TComboBox& c) { c.SetItemIndex(1); }, 1, "Two"},
      {"select none", [](TComboBox& c) { c.SetItemIndex(-1); }, -1, ""},
      {"select outside", [](TComboBox& c) { c.SetItemIndex(7); }, -1, ""},
      {"text of an item", [](TComboBox& c) { c.SetText("three"); }, 2, "three"},
      {"free text", [](TComboBox& c) { c.SetText("Four"); }, -1, "Four"},
      {"to a list", [](TComboBox& c) { c.SetStyle(csDropDownList); }, -1, ""},
      {"free text in a list", [](TComboBox& c) { c.SetText("Four"); }, -1, ""},
      {"text in a list", [](TComboBox& c) { c.SetText("one"); }, 0, "one"},
      {"removing the selection", [](TComboBox& c) { c.Items()->Delete(0); }, -1, ""},
      {"removing after it", [](TComboBox& c) { c.SetItemIndex(0), c.Items()->Delete(1); }, 0, "Two"},
  };
  TComboBox combo(nullptr);
  int changes = 0;
  combo.SetOnChange([&](TObject*) { ++changes; });
  combo.Items()->SetStrings({"One", "Two", "Three"});
  for (const auto& s : steps) {
    s.Action(combo);
    EXPECT_EQ(combo.ItemIndex(), s.ItemIndex) << s.Name;
    EXPECT_EQ(combo.Text(), s.Text) << s.Name;
  }
  EXPECT_EQ(changes, 0) << "changes made in code don't raise OnChange";
  FeedSelect(&combo, 0);
  combo.SetStyle(csDropDown);
  FeedText(&combo, "typed");
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(combo.Text(), "typed");
}

TEST(TextControls, TakeTypingButNotTheDialogKeys) {
  TEdit edit(nullptr);
  TMemo memo(nullptr);
  TComboBox combo(nullptr);
  TButton button(nullptr);
  const struct {
    std::uint16_t Key;
    TShiftState Shift;
    bool Edit, Memo, Combo;
  } cases[] = {
      {'A', {}, true, true, true},          {'A', {ssShift}, true, true, true},  {'A', {ssAlt}, false, false, false},
      {VK_BACK, {}, true, true, true},      {VK_RETURN, {}, false, true, false}, {VK_TAB, {}, false, false, false},
      {VK_ESCAPE, {}, false, false, false}, {VK_SPACE, {}, true, true, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(edit.WantsKey(c.Key, c.Shift), c.Edit) << c.Key;
    EXPECT_EQ(memo.WantsKey(c.Key, c.Shift), c.Memo) << c.Key;
    EXPECT_EQ(combo.WantsKey(c.Key, c.Shift), c.Combo) << c.Key;
    EXPECT_FALSE(button.WantsKey(c.Key, c.Shift));
  }
}

}  // namespace
