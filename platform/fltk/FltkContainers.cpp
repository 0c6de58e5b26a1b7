// Panels, group boxes and other windowed controls as toolkit groups; any
// control without a widget of its own as an empty area.

#include <FL/Fl_Box.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "platform/fltk/FltkMirrored.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

namespace RV_API rv {

namespace {

class TPanelWidget : public TContainer<Fl_Group> {
 public:
  explicit TPanelWidget(TPanel* Panel) : TContainer(Panel) { box(FL_FLAT_BOX); }
  const char* Kind() const override { return "Fl_Group"; }
  void Sync() override {
    SyncCommon(true);
    auto* p = static_cast<TPanel*>(Control());
    FInner = p->BevelInner();
    FOuter = p->BevelOuter();
    FBevelWidth = p->BevelWidth();
    FBorderWidth = p->BorderWidth();
    int a = FL_ALIGN_INSIDE | FL_ALIGN_CLIP;
    if (p->Alignment() == taLeftJustify) a |= FL_ALIGN_LEFT;
    if (p->Alignment() == taRightJustify) a |= FL_ALIGN_RIGHT;
    align(static_cast<Fl_Align>(a));
  }

 protected:
  bool ClicksItself() const override { return true; }

  void draw() override {
    if (damage() & ~FL_DAMAGE_CHILD) {
      draw_box(FL_FLAT_BOX, color());
      int X = x(), Y = y(), W = w(), H = h();
      Bevel(X, Y, W, H, FOuter);
      const int border = std::min(FBorderWidth, std::max(std::min(W, H), 0) / 2);
      X += border;
      Y += border;
      W -= 2 * border;
      H -= 2 * border;
      Bevel(X, Y, W, H, FInner);
      draw_label(X, Y, W, H, align());
    }
    draw_children();
  }

 private:
  void Bevel(int& X, int& Y, int& W, int& H, TBevelCut Cut) const {
    if (Cut == bvNone) return;
    const Fl_Color light = FltkColorOf(clBtnHighlight), dark = FltkColorOf(clBtnShadow);
    for (int i = 0; i < FBevelWidth && W > 1 && H > 1; ++i) {
      const Fl_Color topLeft = Cut == bvRaised ? light : Cut == bvLowered ? dark : color();
      const Fl_Color bottomRight = Cut == bvRaised ? dark : Cut == bvLowered ? light : color();
      fl_color(topLeft);
      fl_xyline(X, Y, X + W - 1);
      fl_yxline(X, Y, Y + H - 1);
      fl_color(bottomRight);
      fl_xyline(X, Y + H - 1, X + W - 1);
      fl_yxline(X + W - 1, Y, Y + H - 1);
      ++X;
      ++Y;
      W -= 2;
      H -= 2;
    }
  }

  TBevelCut FInner = bvNone, FOuter = bvRaised;
  int FBevelWidth = 1, FBorderWidth = 0;
};

class TGroupBoxWidget : public TContainer<Fl_Group> {
 public:
  explicit TGroupBoxWidget(TGroupBox* Box) : TContainer(Box) {
    box(FL_FLAT_BOX);
    // Drawn by draw() in the frame, not by the parent above the group.
    align(static_cast<Fl_Align>(FL_ALIGN_INSIDE | FL_ALIGN_TOP_LEFT));
  }
  const char* Kind() const override { return "Fl_Group"; }
  void Sync() override { SyncCommon(true); }

 protected:
  void draw() override {
    if (damage() & ~FL_DAMAGE_CHILD) {
      draw_box(FL_FLAT_BOX, color());
      fl_font(labelfont(), labelsize());
      const int th = fl_height();
      // The frame runs through the middle of the caption's line.
      draw_box(FL_ENGRAVED_FRAME, x(), y() + th / 2, w(), h() - th / 2, color());
      if (label() && *label()) {
        int tw = 0, unused = 0;
        measure_label(tw, unused);
        fl_color(color());
        fl_rectf(x() + 6, y(), std::min(tw + 4, std::max(w() - 12, 0)), th);
        draw_label(x() + 8, y(), std::min(tw, std::max(w() - 16, 0)), th,
                   static_cast<Fl_Align>(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP));
      }
    }
    draw_children();
  }
};

// Any other windowed control: a plain area holding its children.
class TContainerWidget : public TContainer<Fl_Group> {
 public:
  explicit TContainerWidget(TWinControl* Control) : TContainer(Control) { box(FL_FLAT_BOX); }
  const char* Kind() const override { return "Fl_Group"; }
  void Sync() override { SyncCommon(false); }
};

// Any other control: an empty area.
class TBoxWidget : public TMirrored<Fl_Box> {
 public:
  explicit TBoxWidget(TControl* Control) : TMirrored(Control) {}
  const char* Kind() const override { return "Fl_Box"; }
  bool Opaque() const override { return false; }
  void Sync() override { SyncCommon(false); }

 protected:
  bool ClicksItself() const override { return true; }
};

[[maybe_unused]] const bool registered =
    RegisterMirrorFactory(TPanel::StaticClass(),
                          [](TControl* c) -> Fl_Widget* { return new TPanelWidget(static_cast<TPanel*>(c)); }) &&
    RegisterMirrorFactory(TGroupBox::StaticClass(),
                          [](TControl* c) -> Fl_Widget* { return new TGroupBoxWidget(static_cast<TGroupBox*>(c)); }) &&
    RegisterMirrorFactory(
        TWinControl::StaticClass(),
        [](TControl* c) -> Fl_Widget* { return new TContainerWidget(static_cast<TWinControl*>(c)); }) &&
    RegisterMirrorFactory(TControl::StaticClass(), [](TControl* c) -> Fl_Widget* { return new TBoxWidget(c); });

}  // namespace

}  // namespace rv
