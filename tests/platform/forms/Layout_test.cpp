// Alignment of children inside their parent, and controls that size themselves.

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "platform/classes/FormFile.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Exceptions.h"

using namespace rv;

namespace {

using Bounds = std::tuple<int, int, int, int>;  // left, top, width, height

Bounds boundsOf(const TControl* c) { return {c->Left(), c->Top(), c->Width(), c->Height()}; }

struct Child {
  TAlign Align;
  Bounds Initial;
  bool Visible = true;
};

TEST(Layout, AlignedChildrenShareTheClientArea) {
  const struct {
    const char* Name;
    std::vector<Child> Children;
    std::vector<Bounds> Expected;
  } cases[] = {
      {"top", {{alTop, {5, 7, 10, 20}}}, {{0, 0, 200, 20}}},
      {"all five",
       {{alTop, {0, 0, 10, 20}},
        {alBottom, {0, 0, 10, 10}},
        {alLeft, {0, 0, 30, 5}},
        {alRight, {0, 0, 40, 5}},
        {alClient, {0, 0, 1, 1}}},
       {{0, 0, 200, 20}, {0, 90, 200, 10}, {0, 20, 30, 70}, {160, 20, 40, 70}, {30, 20, 130, 70}}},
      {"tops stack in their order",
       {{alTop, {0, 50, 1, 20}}, {alTop, {0, 10, 1, 30}}},
       {{0, 30, 200, 20}, {0, 0, 200, 30}}},
      {"rights stack from the right edge",
       {{alRight, {10, 0, 20, 1}}, {alRight, {100, 0, 30, 1}}},
       {{150, 0, 20, 100}, {170, 0, 30, 100}}},
      {"hidden ones take no room",
       {{alTop, {0, 0, 1, 20}, false}, {alClient, {0, 0, 1, 1}}},
       {{0, 0, 1, 20}, {0, 0, 200, 100}}},
      {"an exhausted area leaves nothing",
       {{alTop, {0, 0, 1, 150}}, {alClient, {0, 0, 1, 1}}},
       {{0, 0, 200, 150}, {0, 150, 200, 0}}},
      {"unaligned ones stay", {{alNone, {3, 4, 5, 6}}, {alClient, {0, 0, 1, 1}}}, {{3, 4, 5, 6}, {0, 0, 200, 100}}},
  };
  for (const auto& c : cases) {
    TWinControl parent(nullptr);
    parent.SetBounds(0, 0, 200, 100);
    // As when reading: laid out once all children are there, by their places.
    parent.SetStateFlag(csLoading, true);
    std::vector<TPanel*> children;
    for (const Child& wanted : c.Children) {
      auto* child = new TPanel(&parent);
      auto [l, t, w, h] = wanted.Initial;
      child->SetBounds(l, t, w, h);
      child->SetVisible(wanted.Visible);
      child->SetAlign(wanted.Align);
      child->SetParent(&parent);
      children.push_back(child);
    }
    parent.SetStateFlag(csLoading, false);
    parent.Realign();
    for (std::size_t i = 0; i < children.size(); ++i)
      EXPECT_EQ(boundsOf(children[i]), c.Expected[i]) << c.Name << " #" << i;
  }
}

struct TwoOnAForm {
  TForm Form{nullptr};
  TPanel* A = new TPanel(&Form);
  TPanel* B = new TPanel(&Form);
  TPanel* Rest = new TPanel(&Form);
  TwoOnAForm() {
    Form.SetClientWidth(300);
    Form.SetClientHeight(200);
    for (TPanel* p : {A, B, Rest}) p->SetParent(&Form);
    A->SetBounds(0, 0, 10, 20);
    B->SetBounds(0, 20, 10, 30);
    A->SetAlign(alTop);
    B->SetAlign(alTop);
    Rest->SetAlign(alClient);
  }
};

TEST(Layout, ATopAlignedPanelFollowsTheClientWidth) {
  TwoOnAForm f;
  EXPECT_EQ(boundsOf(f.A), Bounds(0, 0, 300, 20));
  f.Form.SetClientWidth(492);
  EXPECT_EQ(boundsOf(f.A), Bounds(0, 0, 492, 20));
  EXPECT_EQ(boundsOf(f.Rest), Bounds(0, 50, 492, 150));
  f.A->SetHeight(40);  // an aligned control keeps its height, the rest moves
  EXPECT_EQ(boundsOf(f.B), Bounds(0, 40, 492, 30));
  EXPECT_EQ(boundsOf(f.Rest), Bounds(0, 70, 492, 130));
}

TEST(Layout, TheControlMovedWinsItsPlace) {
  TwoOnAForm f;
  f.B->SetTop(0);
  EXPECT_EQ(boundsOf(f.B), Bounds(0, 0, 300, 30));
  EXPECT_EQ(boundsOf(f.A), Bounds(0, 30, 300, 20));
}

TEST(Layout, HidingOrUnaligningGivesTheRoomBack) {
  TwoOnAForm f;
  f.A->SetVisible(false);
  EXPECT_EQ(boundsOf(f.B), Bounds(0, 0, 300, 30));
  f.B->SetAlign(alNone);
  EXPECT_EQ(boundsOf(f.Rest), Bounds(0, 0, 300, 200));
  f.A->SetVisible(true);
  EXPECT_EQ(boundsOf(f.Rest), Bounds(0, 20, 300, 180));
  delete f.A;
  EXPECT_EQ(boundsOf(f.Rest), Bounds(0, 0, 300, 200));
}

TEST(Layout, BevelsBordersAndCaptionsTakeRoomInsideTheirContainer) {
  const struct {
    TBevelCut Outer, Inner;
    int BevelWidth, BorderWidth, Inset;
  } panels[] = {{bvNone, bvNone, 1, 0, 0},
                {bvRaised, bvNone, 1, 0, 1},
                {bvNone, bvSpace, 4, 0, 4},
                {bvRaised, bvLowered, 2, 3, 7}};
  for (const auto& p : panels) {
    TPanel panel(nullptr);
    panel.SetBounds(0, 0, 100, 50);
    panel.SetBevelOuter(p.Outer);
    panel.SetBevelInner(p.Inner);
    panel.SetBevelWidth(p.BevelWidth);
    panel.SetBorderWidth(p.BorderWidth);
    auto* inside = new TButton(&panel);
    inside->SetAlign(alClient);
    inside->SetParent(&panel);
    EXPECT_EQ(boundsOf(inside), Bounds(p.Inset, p.Inset, 100 - 2 * p.Inset, 50 - 2 * p.Inset)) << p.Inset;
    panel.SetBevelOuter(bvNone);
    panel.SetBevelInner(bvNone);
    panel.SetBorderWidth(0);
    EXPECT_EQ(boundsOf(inside), Bounds(0, 0, 100, 50));
  }
  TPanel panel(nullptr);
  EXPECT_THROW(panel.SetBevelWidth(-1), ERangeError);

  TGroupBox group(nullptr);
  auto* memo = new TMemo(&group);
  memo->SetAlign(alClient);
  memo->SetParent(&group);
  EXPECT_EQ(boundsOf(memo), Bounds(2, 15, 181, 88));  // below a 13-pixel caption
  group.Font()->SetHeight(-22);
  EXPECT_EQ(boundsOf(memo), Bounds(2, 28, 181, 75));
}

TEST(Layout, LabelsSizeThemselvesToTheirCaption) {
  const struct {
    const char* Caption;
    bool AutoSize, ShowAccelChar, WordWrap;
    TAlignment Alignment;
    int Width;
    Bounds Expected;
  } cases[] = {
      {"", true, true, false, taLeftJustify, 65, {100, 10, 3, 13}},  // measured as a blank
      {"Hello", true, true, false, taLeftJustify, 65, {100, 10, 30, 13}},
      {"&Close", true, true, false, taLeftJustify, 65, {100, 10, 30, 13}},
      {"&Close", true, false, false, taLeftJustify, 65, {100, 10, 36, 13}},
      {"a&&b", true, true, false, taLeftJustify, 65, {100, 10, 18, 13}},
      {"a\r\nbbb", true, true, false, taLeftJustify, 65, {100, 10, 18, 26}},
      {"Hello", true, true, false, taRightJustify, 65, {135, 10, 30, 13}},  // the right edge stays
      {"aaa bbb ccc", true, true, true, taLeftJustify, 40, {100, 10, 40, 26}},
      {"aaa bbb ccc", true, true, true, taLeftJustify, 200, {100, 10, 200, 13}},
      {"aaaaaaaaaa", true, true, true, taLeftJustify, 20, {100, 10, 20, 13}},
      {"Hello", false, true, false, taLeftJustify, 65, {100, 10, 65, 17}},
  };
  for (const auto& c : cases) {
    TLabel label(nullptr);
    label.SetAutoSize(false);
    label.SetBounds(100, 10, c.Width, 17);
    label.SetShowAccelChar(c.ShowAccelChar);
    label.SetWordWrap(c.WordWrap);
    label.SetAlignment(c.Alignment);
    label.SetCaption(c.Caption);
    label.SetAutoSize(c.AutoSize);
    EXPECT_EQ(boundsOf(&label), c.Expected) << c.Caption << " " << c.Width;
  }
  TLabel label(nullptr);
  label.SetCaption("ab");
  label.Font()->SetHeight(-22);
  EXPECT_EQ(boundsOf(&label), Bounds(0, 0, 24, 26));
}

TEST(Layout, ImagesSizeThemselvesToTheirPicture) {
  TImage image(nullptr);
  image.Picture()->Icon()->LoadStockIcon(IDI_HAND);
  EXPECT_EQ(boundsOf(&image), Bounds(0, 0, 105, 105));
  image.SetAutoSize(true);
  EXPECT_EQ(boundsOf(&image), Bounds(0, 0, 32, 32));
  image.Picture()->Bitmap()->SetSize(7, 9);
  EXPECT_EQ(boundsOf(&image), Bounds(0, 0, 7, 9));
  image.Picture()->Assign(nullptr);  // no picture: the size stays
  EXPECT_EQ(boundsOf(&image), Bounds(0, 0, 7, 9));
}

TEST(Layout, LoadingLaysOutOnceEverythingIsRead) {
  TForm form(nullptr);
  ReadComponentTextInto(R"(object Root: TForm
  ClientHeight = 100
  ClientWidth = 300
  object Top: TPanel
    Left = 0
    Top = 0
    Width = 10
    Height = 40
    Align = alTop
    object Link: TLabel
      Left = 56
      Top = 20
      Width = 3
      Height = 13
      Caption = 'www'
    end
    object Blank: TLabel
      Left = 56
      Top = 20
      Width = 50
      Height = 50
    end
  end
end
)",
                        &form);
  auto* top = static_cast<TPanel*>(form.FindComponent("Top"));
  EXPECT_EQ(boundsOf(top), Bounds(0, 0, 300, 40));
  EXPECT_EQ(boundsOf(static_cast<TControl*>(form.FindComponent("Link"))), Bounds(56, 20, 18, 13));
  EXPECT_EQ(boundsOf(static_cast<TControl*>(form.FindComponent("Blank"))), Bounds(56, 20, 3, 13));
}

}  // namespace
