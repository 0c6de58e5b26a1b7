#pragma once
// Private to the real-window widget set: what every mirror widget shares
// (the event policy, reading the common state, texts and pictures) and the
// table from a control's class to the widget that mirrors it. Each family
// of controls has its file (FltkButtons.cpp, FltkLabels.cpp...) and
// registers its widgets there.

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Widget.H>

#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/fltk/FltkMirror.h"
#include "platform/forms/Forms.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/ScopeGuard.h"

namespace rv {

// ---- Texts and pictures (FltkMirrored.cpp) ----

// Line breaks as the toolkit draws them ("\r" would show as "^M").
std::string toolkitLines(const std::string& text);
// A caption without its accelerator marks ("&&" shows as "&").
std::string withoutMarks(const std::string& caption);
// The lines of a text, split at each newline.
std::vector<std::string> splitAtNewlines(const std::string& text);
// A toolkit image of a graphic (bitmaps opaque unless transparent, icons
// with their alpha), or
// null for none. The pixels are copied into Pixels, which must outlive it.
std::unique_ptr<Fl_RGB_Image> imageOf(const TGraphic* graphic, std::vector<unsigned char>& pixels);

// ---- The table of mirror widgets (FltkMirrored.cpp) ----

// Makes the widget of a control, outside any group.
using TMirrorFactory = Fl_Widget* (*)(TControl* Control);
// The factory for controls of Class and of the classes derived from it that
// have none of their own: the nearest registered class wins. Families
// register from a static object while the library loads.
bool RegisterMirrorFactory(const TClass& Class, TMirrorFactory Factory);

// ---- The mirror ----

class TMirror {
 public:
  explicit TMirror(TControl* Control) : FControl(Control) {}
  virtual ~TMirror() = default;
  TMirror(const TMirror&) = delete;
  TMirror& operator=(const TMirror&) = delete;

  TControl* Control() const { return FControl; }
  void Detach() { FControl = nullptr; }

  // Reads the control's state (the control is there).
  virtual void Sync() = 0;
  virtual const char* Kind() const = 0;
  virtual bool Fits(const TControl*) const { return true; }
  virtual void Content(std::string&, int&) const {}
  virtual Fl_Group* ChildGroup() { return nullptr; }
  // Drawn over the whole of its bounds: a change needs no redraw of the parent.
  virtual bool Opaque() const { return true; }

 protected:
  // Set while the model's state goes into the widget: the toolkit's change
  // notices then are not the user's.
  bool FSyncing = false;

 private:
  TControl* FControl;
};

inline TMirror* mirrorOf(const Fl_Widget* widget) { return dynamic_cast<TMirror*>(const_cast<Fl_Widget*>(widget)); }

// The control of the nearest mirror at or above Widget.
inline TMirror* nearestMirror(Fl_Widget* widget) {
  for (; widget; widget = widget->parent())
    if (TMirror* m = mirrorOf(widget); m && m->Control()) return m;
  return nullptr;
}

// The event policy every mirror shares: accelerators, dialog keys and focus
// moves are the model's; clicks on controls that don't click themselves in
// the toolkit (labels, images, panels) are fed on release.
template <class W>
class TMirrored : public W, public TMirror {
 public:
  explicit TMirrored(TControl* Control) : W(0, 0, 1, 1), TMirror(Control) {
    // A group becomes the current one when made: children are put in by hand.
    if constexpr (std::is_base_of_v<Fl_Group, W>) this->end();
    this->labeltype(static_cast<Fl_Labeltype>(FltkPlainLabelType()));
  }

  int handle(int event) override {
    TControl* control = Control();
    switch (event) {
      case FL_SHORTCUT: return 0;
      case FL_KEYBOARD: return control ? Key(control) : 0;
      case FL_FOCUS:
        // No navigation into the children: the model picks the focus.
        if (Container()) return control ? 1 : 0;
        break;
      case FL_PUSH: {
        if (!control) return 0;
        if (auto* win = dynamic_cast<TWinControl*>(control); win && !Container()) FeedFocus(win);
        if (!Control()) return 1;  // a handler destroyed it
        const int used = W::handle(event);
        return used ? used : ClicksItself() ? 1 : 0;
      }
      case FL_RELEASE:
        if (control && ClicksItself()) {
          W::handle(event);
          if (Fl::event_inside(this)) FeedClick(control);
          return 1;
        }
        break;
      case FL_ENTER:
      case FL_MOVE:
        // Taken, so the widget is the one below the pointer (tooltips, cursor).
        W::handle(event);
        return 1;
      case FL_LEAVE: W::handle(event); return 1;
      default: break;
    }
    return W::handle(event);
  }

 protected:
  virtual bool Container() const { return false; }
  virtual bool ClicksItself() const { return false; }
  // Captions mark accelerators with '&'.
  virtual bool ShowsAccelerators() const { return true; }

  // Visibility, state, tooltip, colour and font; the caption for captioned kinds.
  void SyncCommon(bool Captioned) {
    TControl* c = Control();
    if (c->Visible() != static_cast<bool>(this->visible())) c->Visible() ? this->show() : this->hide();
    if (c->Enabled() != static_cast<bool>(this->active())) c->Enabled() ? this->activate() : this->deactivate();
    const std::string tip = c->ShowHint() ? GetShortHint(c->Hint()) : std::string();
    this->copy_tooltip(tip.empty() ? nullptr : FltkTooltipText(tip).c_str());
    this->color(FltkColorOf(c->Color()));
    int face = 0, size = 0;
    FltkFontOf(*c->Font(), face, size);
    this->labelfont(face);
    this->labelsize(size);
    this->labelcolor(FltkColorOf(c->Font()->Color()));
    if (!Captioned) return;
    ShowsAccelerators() ? this->set_flag(Fl_Widget::SHORTCUT_LABEL) : this->clear_flag(Fl_Widget::SHORTCUT_LABEL);
    const std::string caption = toolkitLines(c->Caption());
    if (!this->label() || caption != this->label()) this->copy_label(caption.c_str());
  }

  void SyncTextStyle() {
    int face = 0, size = 0;
    FltkFontOf(*Control()->Font(), face, size);
    this->textfont(face);
    this->textsize(size);
    this->textcolor(FltkColorOf(Control()->Font()->Color()));
  }

 private:
  int Key(TControl* control) {
    TShiftState shift;
    const std::uint16_t key = FltkEventKey(shift);
    auto* win = dynamic_cast<TWinControl*>(control);
    if (!Container() && (key == 0 || (win && win->WantsKey(key, shift)))) return W::handle(FL_KEYBOARD);
    if (key == 0) return 1;
    if (TCustomForm* form = GetParentForm(control)) FeedKey(form, key, shift);
    return 1;
  }
};

// A control holding others: the widget is the group of their widgets.
template <class W>
class TContainer : public TMirrored<W> {
 public:
  explicit TContainer(TControl* Control) : TMirrored<W>(Control) {
    // Children are placed by the model, never scaled by the toolkit.
    this->resizable(nullptr);
  }
  Fl_Group* ChildGroup() override { return this; }

 protected:
  bool Container() const override { return true; }
};

// Buttons and check boxes: the toolkit's click is the control's click.
void clicked(Fl_Widget* widget, void*);

}  // namespace rv
