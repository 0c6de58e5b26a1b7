#include "platform/forms/Controls.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/Exceptions.h"

using namespace rv;

namespace {

TEST(Colors, SystemColorsCarryTheirIndexAndResolveFromTheFixedTable) {
  const struct {
    TColor Color;
    int Index;
    TColor Rgb;
  } cases[] = {
      {clScrollBar, 0, RGBToColor(212, 208, 200)},
      {clActiveCaption, 2, RGBToColor(10, 36, 106)},
      {clWindow, 5, clWhite},
      {clWindowText, 8, clBlack},
      {clHighlight, 13, RGBToColor(10, 36, 106)},
      {clHighlightText, 14, clWhite},
      {clBtnFace, 15, RGBToColor(212, 208, 200)},
      {clInfoBk, 24, RGBToColor(255, 255, 225)},
      {clMenuBar, 30, RGBToColor(236, 233, 216)},
  };
  for (const auto& c : cases) {
    EXPECT_LT(c.Color, 0) << c.Index;
    EXPECT_EQ(c.Color & 0xFF, c.Index);
    EXPECT_EQ(ColorToRGB(c.Color), c.Rgb) << c.Index;
  }
  EXPECT_EQ(ColorToRGB(clSystemColor | 200), clBlack);  // no such index
  for (TColor plain : {clBlue, clRed, RGBToColor(1, 2, 3), clNone, clDefault}) EXPECT_EQ(ColorToRGB(plain), plain);
  EXPECT_EQ(clBlue, RGBToColor(0, 0, 255));
  EXPECT_EQ(clRed, RGBToColor(255, 0, 0));
}

TEST(Colors, NamesReadBackAndSharedValuesTakeTheFirstName) {
  const struct {
    const char* Name;
    TColor Color;
    const char* WrittenAs;
  } cases[] = {
      {"clBtnFace", clBtnFace, "clBtnFace"},
      {"CLHIGHLIGHTTEXT", clHighlightText, "clHighlightText"},
      {"clDkGray", clGray, "clGray"},
      {"clLtGray", clSilver, "clSilver"},
      {"cl3DDkShadow", cl3DDkShadow, "cl3DDkShadow"},
      {"clNone", clNone, "clNone"},
  };
  for (const auto& c : cases) {
    TColor color = 0;
    ASSERT_TRUE(IdentToColor(c.Name, color)) << c.Name;
    EXPECT_EQ(color, c.Color);
    std::string name;
    ASSERT_TRUE(ColorToIdent(color, name));
    EXPECT_EQ(name, c.WrittenAs);
  }
  TColor color = 7;
  std::string name = "x";
  EXPECT_FALSE(IdentToColor("clPlaid", color));
  EXPECT_FALSE(ColorToIdent(RGBToColor(1, 2, 3), name));
  EXPECT_EQ(color, 7);
  EXPECT_EQ(name, "x");
}

TEST(Names, CursorsAndCharsetsReadBack) {
  TCursor cursor = 0;
  std::string name;
  ASSERT_TRUE(IdentToCursor("crHandPoint", cursor));
  EXPECT_EQ(cursor, -21);
  ASSERT_TRUE(CursorToIdent(crSizeAll, name));
  EXPECT_EQ(name, "crSizeAll");
  EXPECT_FALSE(CursorToIdent(-5, name));  // a gap in the classic numbering
  TFontCharset charset = 0;
  ASSERT_TRUE(IdentToCharset("default_charset", charset));
  EXPECT_EQ(charset, DEFAULT_CHARSET);
  ASSERT_TRUE(CharsetToIdent(OEM_CHARSET, name));
  EXPECT_EQ(name, "OEM_CHARSET");
}

TEST(TFont, SizeAndHeightConvertAtNinetySixDotsPerInch) {
  const struct { int Size, Height; } cases[] = {{8, -11}, {9, -12}, {10, -13}, {12, -16}, {72, -96}, {0, 0}};
  for (const auto& c : cases) {
    TFont font;
    font.SetSize(c.Size);
    EXPECT_EQ(font.Height(), c.Height) << c.Size;
    EXPECT_EQ(font.Size(), c.Size) << c.Size;
  }
  TFont font;
  EXPECT_EQ(font.Name(), "MS Sans Serif");
  EXPECT_EQ(font.Size(), 8);
  EXPECT_EQ(font.Color(), clWindowText);
  EXPECT_EQ(font.Charset(), DEFAULT_CHARSET);
}

TEST(TFont, ChangesAreReportedOncePerRealChange) {
  TFont font;
  int changes = 0;
  font.SetOnChange([&](TObject*) { ++changes; });
  font.SetColor(clRed);
  font.SetColor(clRed);
  font.SetStyle({fsBold, fsUnderline});
  font.SetName("Arial");
  TFont copy;
  copy.Assign(&font);
  font.Assign(&copy);  // the same values: no change
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(copy.Style(), (TFontStyles{fsBold, fsUnderline}));
  EXPECT_EQ(copy.Name(), "Arial");
  EXPECT_THROW(font.Assign(nullptr), EConvertError);
}

// A panel on a form with a label and a nested panel holding a button.
struct Tree {
  TForm Form{nullptr};
  TPanel* Outer = new TPanel(&Form);
  TLabel* Text = new TLabel(&Form);
  TPanel* Inner = new TPanel(&Form);
  TButton* Button = new TButton(&Form);
  Tree() {
    Outer->SetParent(&Form);
    Text->SetParent(Outer);
    Inner->SetParent(Outer);
    Button->SetParent(Inner);
  }
};

TEST(TControl, FontColourAndHintsFollowTheParentUntilSetOwnValues) {
  Tree t;
  t.Form.Font()->SetName("Arial");
  t.Form.SetShowHint(true);
  EXPECT_EQ(t.Button->Font()->Name(), "Arial");  // through two panels
  EXPECT_TRUE(t.Button->ShowHint());
  EXPECT_TRUE(t.Button->ParentFont());

  t.Inner->Font()->SetColor(clBlue);  // the inner panel's own font from now on
  EXPECT_FALSE(t.Inner->ParentFont());
  EXPECT_EQ(t.Button->Font()->Color(), clBlue);
  t.Form.Font()->SetName("Courier");
  EXPECT_EQ(t.Text->Font()->Name(), "Courier");
  EXPECT_EQ(t.Inner->Font()->Name(), "Arial");
  EXPECT_EQ(t.Button->Font()->Name(), "Arial");
  t.Inner->SetParentFont(true);
  EXPECT_EQ(t.Button->Font()->Name(), "Courier");
  EXPECT_EQ(t.Button->Font()->Color(), clWindowText);

  // Labels take the colour of what they sit on; panels have their own.
  t.Outer->SetColor(clYellow);
  EXPECT_EQ(t.Text->Color(), clYellow);
  EXPECT_EQ(t.Inner->Color(), clBtnFace);
  t.Text->SetColor(clRed);
  EXPECT_FALSE(t.Text->ParentColor());
  t.Outer->SetColor(clAqua);
  EXPECT_EQ(t.Text->Color(), clRed);

  t.Button->SetShowHint(false);
  EXPECT_FALSE(t.Button->ParentShowHint());
  t.Form.SetShowHint(false);
  t.Form.SetShowHint(true);
  EXPECT_FALSE(t.Button->ShowHint());
  EXPECT_TRUE(t.Text->ShowHint());
}

TEST(TControl, MovingToAnotherParentTakesItsValues) {
  Tree t;
  TPanel other(nullptr);
  other.Font()->SetHeight(-20);
  t.Form.Font()->SetHeight(-9);
  t.Button->SetParent(&other);
  EXPECT_EQ(t.Button->Font()->Height(), -20);
  EXPECT_EQ(t.Inner->ControlCount(), 0);
  EXPECT_EQ(other.Controls(0), t.Button);
  t.Button->SetParent(nullptr);
  EXPECT_EQ(other.ControlCount(), 0);
}

TEST(TControl, BoundsAndTheTree) {
  Tree t;
  t.Button->SetBounds(5, 6, -3, 40);
  EXPECT_EQ(t.Button->BoundsRect(), (TRect{5, 6, 5, 46}));
  t.Button->SetClientWidth(30);
  EXPECT_EQ(t.Button->Width(), 30);
  EXPECT_EQ(t.Button->ClientRect(), (TRect{0, 0, 30, 40}));
  t.Button->SetBounds(INT32_MAX, 0, INT32_MAX, 1);
  EXPECT_EQ(t.Button->BoundsRect().Right, INT32_MAX);

  EXPECT_THROW(t.Outer->SetParent(t.Inner), EInvalidOperation);
  EXPECT_THROW(t.Outer->SetParent(t.Outer), EInvalidOperation);
  EXPECT_EQ(t.Outer->Parent(), &t.Form);
  EXPECT_THROW(t.Outer->Controls(2), EListError);
  EXPECT_TRUE(t.Outer->ContainsControl(t.Button));
  EXPECT_FALSE(t.Inner->ContainsControl(t.Text));
  EXPECT_EQ(GetParentForm(t.Button), &t.Form);
  EXPECT_EQ(GetParentForm(nullptr), nullptr);
  TButton loose(nullptr);
  EXPECT_EQ(GetParentForm(&loose), nullptr);
  EXPECT_FALSE(loose.CanFocus());
}

TEST(TControl, AParentDestroysItsChildrenWhoeverOwnsThem) {
  TComponent owner(nullptr);
  auto* panel = new TPanel(nullptr);
  auto* button = new TButton(&owner);
  auto* label = new TLabel(&owner);
  button->SetParent(panel);
  label->SetParent(panel);
  delete label;  // a child destroyed first leaves its parent
  EXPECT_EQ(panel->ControlCount(), 1);
  delete panel;
  EXPECT_EQ(owner.ComponentCount(), 0);
}

// Records what the model tells the widget set.
struct TRecordingWidgetSet : TWidgetSet {
  std::vector<std::string> Log;
  std::string Name() const override { return "recording"; }
  int ScreenWidth() const override { return 0; }
  int ScreenHeight() const override { return 0; }
  void FormShown(TCustomForm* f, bool modal) override { Log.push_back("shown " + f->Name() + (modal ? " modal" : "")); }
  void FormHidden(TCustomForm* f) override { Log.push_back("hidden " + f->Name()); }
  void ControlChanged(TControl* c, TControlChange change) override {
    static const char* names[] = {"bounds", "text", "visible", "enabled", "checked", "items", "font",
                                  "color",  "hint", "focus",   "parent",  "picture", "style"};
    Log.push_back(c->Name() + " " + names[change]);
  }
  void ControlDestroying(TControl* c) override { Log.push_back("destroying " + c->Name()); }
};

struct Recording {
  TRecordingWidgetSet Set;
  TWidgetSet* Previous = SetWidgetSet(&Set);
  ~Recording() { SetWidgetSet(Previous); }
};

TEST(WidgetSetSeam, IsToldOfEveryMirroredChange) {
  auto* form = new TForm(nullptr);
  form->SetName("F");
  auto* panel = new TPanel(form);
  panel->SetName("P");
  panel->SetParent(form);
  auto* box = new TCheckBox(form);
  box->SetName("B");
  box->SetParent(panel);
  Recording r;
  using Step = std::pair<std::function<void()>, std::vector<std::string>>;
  const std::vector<Step> steps = {
      {[&] { box->SetCaption("x"); }, {"B text"}},
      {[&] { box->SetCaption("x"); }, {}},
      {[&] { box->SetBounds(1, 2, 3, 4); }, {"B bounds"}},
      {[&] { box->SetChecked(true); }, {"B checked"}},
      {[&] { box->SetEnabled(false); }, {"B enabled"}},
      {[&] { box->SetHint("h"); }, {"B hint"}},
      {[&] { box->SetCursor(crHandPoint); }, {"B style"}},
      {[&] { panel->Font()->SetColor(clRed); }, {"P font", "B font"}},
      {[&] { panel->SetColor(clRed); }, {"P color"}},
      {[&] { box->SetVisible(false); }, {"B visible"}},
      {[&] { box->SetParent(form); }, {"B font", "B parent"}},  // the form's font, not the panel's
      {[&] { form->Show(); }, {"shown F"}},
      {[&] { form->Icon()->LoadStockIcon(IDI_HAND); }, {"F picture"}},
      {[&] { form->Hide(); }, {"hidden F"}},
      {[&] { delete form; }, {"destroying F", "destroying B", "destroying P"}},
  };
  for (const auto& [action, expected] : steps) {
    r.Set.Log.clear();
    action();
    EXPECT_EQ(r.Set.Log, expected) << (expected.empty() ? "" : expected.front());
  }
}

TEST(WidgetSetSeam, TheDefaultTextMetricIsFixed) {
  TFont font;
  const struct {
    const char* Text;
    int Height;
    TSize Size;
  } cases[] = {
      {"", -11, {0, 13}},
      {" ", -11, {3, 13}},
      {"Close", -11, {30, 13}},
      {"a b", -11, {15, 13}},
      {"\xC3\xA9t\xC3\xA9", -11, {18, 13}},  // counted by characters
      {"W", -22, {12, 26}},
      {"W", 22, {12, 26}},
  };
  for (const auto& c : cases) {
    font.SetHeight(c.Height);
    EXPECT_EQ(HeadlessWidgetSet()->TextExtent(font, c.Text), c.Size) << c.Text;
  }
}

}  // namespace
