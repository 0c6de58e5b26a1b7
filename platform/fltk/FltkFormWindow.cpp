// A form as a toolkit window: caption, icon, border, close box, and the hint
// and cursor of the control below the pointer.

#include <FL/Fl_Double_Window.H>

#include <algorithm>

#include "platform/fltk/FltkMirrored.h"
#include "platform/forms/Application.h"
#include "platform/forms/StdCtrls.h"

namespace RV_API rv {

namespace {

class TFormWindow : public TContainer<Fl_Double_Window> {
 public:
  explicit TFormWindow(TCustomForm* Form) : TContainer(Form) {
    callback(&TFormWindow::CloseBox);
    resize(Form->Left(), Form->Top(), std::max(Form->Width(), 1), std::max(Form->Height(), 1));
    // The model's position, centred or designed, is where the window goes.
    force_position(1);
  }
  const char* Kind() const override { return "Fl_Double_Window"; }

  // Caption, icon, colour, state and border; the set places and shows the window.
  void Sync() override {
    auto* form = static_cast<TCustomForm*>(Control());
    if (!label() || form->Caption() != label()) copy_label(form->Caption().c_str());
    color(FltkColorOf(form->Color()));
    form->Enabled() ? activate() : deactivate();
    const TFormBorderStyle style = form->BorderStyle();
    if (!shown()) border(style != bsNone);
    if (style == bsSizeable || style == bsSizeToolWin)
      size_range(1, 1);
    else
      size_range(form->Width(), form->Height(), form->Width(), form->Height());
    std::vector<unsigned char> pixels;
    std::unique_ptr<Fl_RGB_Image> icon = imageOf(form->Icon(), pixels);
    const Fl_RGB_Image* list[] = {icon.get()};
    icons(list, icon ? 1 : 0);
  }

  int handle(int event) override {
    const int used = TContainer::handle(event);
    switch (event) {
      case FL_ENTER:
      case FL_MOVE: PointerMoved(); break;
      case FL_LEAVE: PointerLeft(); break;
      // Unmapped while still shown: the window manager iconified it.
      case FL_HIDE:
        if (shown()) Iconified(true);
        break;
      case FL_SHOW: Iconified(false); break;
      default: break;
    }
    return used;
  }

 private:
  static void CloseBox(Fl_Widget* widget, void*) {
    auto* self = static_cast<TFormWindow*>(widget);
    if (auto* form = static_cast<TCustomForm*>(self->Control())) FeedClose(form);
  }

  // The control below the pointer: its hint and cursor.
  void PointerMoved() {
    TMirror* below = nearestMirror(Fl::belowmouse());
    if (!below || !contains(dynamic_cast<Fl_Widget*>(below))) below = this;
    TControl* control = below->Control();
    if (!control) return;
    if (control != FBelow) {
      FBelow = control;
      Entered(*below, *control);
    }
    TCursor cursor = control->Cursor();
    if (cursor == crDefault && (dynamic_cast<TCustomEdit*>(control) || dynamic_cast<TComboBox*>(control)))
      cursor = crIBeam;
    this->cursor(static_cast<Fl_Cursor>(FltkCursorOf(cursor)));
  }

  void PointerLeft() {
    if (!FBelow) return;
    FBelow = nullptr;
    if (TControl* form = Control()) FeedPointerLeave(form);
    this->cursor(FL_CURSOR_DEFAULT);
  }

  void Iconified(bool Iconic) {
    if (auto* form = static_cast<TCustomForm*>(Control())) FeedIconify(form, Iconic);
  }

  // Before its tooltip can show: the application's hint and OnShowHint.
  static void Entered(TMirror& Mirror, TControl& Control) {
    FeedPointerEnter(&Control);
    auto* widget = dynamic_cast<Fl_Widget*>(&Mirror);
    THintInfo info;
    const bool show = FeedHintShowing(&Control, TPoint{Fl::event_x() - widget->x(), Fl::event_y() - widget->y()},
                                      TPoint{Fl::event_x_root(), Fl::event_y_root() + 16}, info);
    if (Mirror.Control() == &Control) widget->copy_tooltip(show ? FltkTooltipText(info.HintStr).c_str() : nullptr);
  }

  // Compared, never followed: it may be gone.
  const TControl* FBelow = nullptr;
};

}  // namespace

Fl_Window* NewFormWindow(TCustomForm* Form) {
  Fl_Group::current(nullptr);
  auto* window = new TFormWindow(Form);
  Fl_Group::current(nullptr);
  window->Sync();
  return window;
}

}  // namespace rv
