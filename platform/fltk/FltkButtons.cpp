// Buttons and check boxes as toolkit buttons.

#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "platform/fltk/FltkMirrored.h"
#include "platform/forms/StdCtrls.h"

namespace RV_API rv {

namespace {

class TButtonWidget : public TMirrored<Fl_Button> {
 public:
  explicit TButtonWidget(TButton* Button) : TMirrored(Button) {
    callback(clicked);
    box(FL_UP_BOX);
    down_box(FL_DOWN_BOX);
  }
  const char* Kind() const override { return "Fl_Button"; }
  void Sync() override {
    SyncCommon(true);
    FDefault = static_cast<TButton*>(Control())->Default();
  }

 protected:
  void draw() override {
    Fl_Button::draw();
    // The default button wears a dark frame, as Enter clicks it.
    if (!FDefault) return;
    fl_color(active_r() ? FL_FOREGROUND_COLOR : fl_inactive(FL_FOREGROUND_COLOR));
    fl_rect(x(), y(), w(), h());
  }

 private:
  bool FDefault = false;
};

class TCheckWidget : public TMirrored<Fl_Check_Button> {
 public:
  explicit TCheckWidget(TCheckBox* Box) : TMirrored(Box) {
    callback(clicked);
    box(FL_FLAT_BOX);
  }
  const char* Kind() const override { return "Fl_Check_Button"; }
  void Sync() override {
    SyncCommon(true);
    const TCheckBoxState state = static_cast<TCheckBox*>(Control())->State();
    // The toolkit has no third state: a grayed box shows a dimmed mark.
    value(state != cbUnchecked);
    selection_color(state == cbGrayed ? FL_INACTIVE_COLOR : FL_FOREGROUND_COLOR);
  }
  void Content(std::string&, int& Value) const override {
    Value = Control() ? static_cast<int>(static_cast<TCheckBox*>(Control())->State()) : value();
  }
};

[[maybe_unused]] const bool registered =
    RegisterMirrorFactory(TButton::StaticClass(),
                          [](TControl* c) -> Fl_Widget* { return new TButtonWidget(static_cast<TButton*>(c)); }) &&
    RegisterMirrorFactory(TCheckBox::StaticClass(),
                          [](TControl* c) -> Fl_Widget* { return new TCheckWidget(static_cast<TCheckBox*>(c)); });

}  // namespace

}  // namespace rv
