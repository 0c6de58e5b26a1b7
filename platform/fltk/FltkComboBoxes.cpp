// Combo boxes as toolkit choices (a list to pick from) or input choices
// (a text with a list).

#include <FL/Fl_Choice.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Menu_Item.H>

#include <algorithm>

#include "platform/fltk/FltkMirrored.h"
#include "platform/forms/StdCtrls.h"

namespace RV_API rv {

namespace {

// The items of a combo box as a menu the toolkit reads (and never copies):
// the labels are kept here.
class TMenuItems {
 public:
  // Rebuilds the menu when the items changed; true then.
  bool Update(const TStrings& Items) {
    std::vector<std::string> texts;
    texts.reserve(static_cast<std::size_t>(Items.Count()));
    for (int i = 0; i < Items.Count(); ++i) texts.push_back(Items.Get(i));
    if (texts == FTexts && !FItems.empty()) return false;
    FTexts = std::move(texts);
    FLabels.clear();
    // Menus read '&' as an accelerator mark: items show as written.
    for (const std::string& t : FTexts) {
      std::string label;
      for (char c : t) (c == '&' ? label += "&&" : label += c);
      FLabels.push_back(std::move(label));
    }
    FItems.assign(FLabels.size() + 1, Fl_Menu_Item{});
    for (std::size_t i = 0; i < FLabels.size(); ++i) {
      FItems[i].text = FLabels[i].c_str();
      FItems[i].labeltype_ = static_cast<uchar>(FltkPlainLabelType());
    }
    return true;
  }
  const Fl_Menu_Item* Menu() const { return FItems.data(); }
  const Fl_Menu_Item* Item(int Index) const {
    return Index >= 0 && static_cast<std::size_t>(Index) < FLabels.size() ? &FItems[Index] : nullptr;
  }

 private:
  std::vector<std::string> FTexts;
  std::vector<std::string> FLabels;
  std::vector<Fl_Menu_Item> FItems;
};

void applyMenuStyle(Fl_Menu_& menu, const TControl& control) {
  int face = 0, size = 0;
  FltkFontOf(*control.Font(), face, size);
  menu.textfont(face);
  menu.textsize(size);
  menu.textcolor(FltkColorOf(control.Font()->Color()));
}

// csDropDownList: only the items can be picked.
class TListWidget : public TMirrored<Fl_Choice> {
 public:
  explicit TListWidget(TComboBox* Combo) : TMirrored(Combo) { callback(&TListWidget::Picked); }
  const char* Kind() const override { return "Fl_Choice"; }
  bool Fits(const TControl* Control) const override {
    return static_cast<const TComboBox*>(Control)->Style() == csDropDownList;
  }
  void Content(std::string& Text, int& Value) const override {
    Value = value();
    Text = Value >= 0 && text() ? text() : "";
  }
  void Sync() override {
    TemporaryChange syncing(FSyncing, true);
    auto* combo = static_cast<TComboBox*>(Control());
    SyncCommon(false);
    applyMenuStyle(*this, *combo);
    if (FItems.Update(*combo->Items())) menu(FItems.Menu());
    value(FItems.Item(combo->ItemIndex()));
  }

 private:
  static void Picked(Fl_Widget* widget, void*) {
    auto* self = static_cast<TListWidget*>(widget);
    if (self->FSyncing || !self->Control()) return;
    FeedSelect(static_cast<TComboBox*>(self->Control()), self->value());
    if (self->Control()) self->Sync();
  }

  TMenuItems FItems;
};

// The other styles: a text with a list to pick from.
class TComboWidget : public TMirrored<Fl_Input_Choice> {
 public:
  explicit TComboWidget(TComboBox* Combo) : TMirrored(Combo) {
    when(FL_WHEN_CHANGED);
    input()->when(FL_WHEN_CHANGED);
    callback(&TComboWidget::Typed);
    menubutton()->callback(&TComboWidget::Picked, this);
  }
  const char* Kind() const override { return "Fl_Input_Choice"; }
  bool Fits(const TControl* Control) const override {
    return static_cast<const TComboBox*>(Control)->Style() != csDropDownList;
  }
  void Content(std::string& Text, int& Value) const override {
    Text = value() ? value() : "";
    Value = Control() ? static_cast<TComboBox*>(Control())->ItemIndex() : -1;
  }
  void Sync() override {
    TemporaryChange syncing(FSyncing, true);
    auto* combo = static_cast<TComboBox*>(Control());
    SyncCommon(false);
    applyMenuStyle(*menubutton(), *combo);
    int face = 0, size = 0;
    FltkFontOf(*combo->Font(), face, size);
    input()->textfont(face);
    input()->textsize(size);
    input()->textcolor(FltkColorOf(combo->Font()->Color()));
    input()->color(FltkColorOf(combo->Color()));
    if (FItems.Update(*combo->Items())) menubutton()->menu(FItems.Menu());
    if (combo->Text() != (value() ? value() : "")) value(combo->Text().c_str());
  }

 private:
  static void Typed(Fl_Widget* widget, void*) {
    auto* self = static_cast<TComboWidget*>(widget);
    if (self->FSyncing || !self->Control()) return;
    FeedText(self->Control(), self->value() ? self->value() : "");
  }
  static void Picked(Fl_Widget*, void* arg) {
    auto* self = static_cast<TComboWidget*>(arg);
    if (self->FSyncing || !self->Control()) return;
    FeedSelect(static_cast<TComboBox*>(self->Control()), self->menubutton()->value());
    if (self->Control()) self->Sync();
  }

  TMenuItems FItems;
};

[[maybe_unused]] const bool registered = RegisterMirrorFactory(TComboBox::StaticClass(), [](TControl* c) -> Fl_Widget* {
  auto* combo = static_cast<TComboBox*>(c);
  if (combo->Style() == csDropDownList) return new TListWidget(combo);
  return new TComboWidget(combo);
});

}  // namespace

}  // namespace rv
