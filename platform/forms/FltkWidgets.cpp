// The widgets that mirror forms and controls: one class per kind of control,
// each reading its control's state (Sync) and feeding what the user does
// back into the model through the Feed functions. They keep no state the
// model doesn't have, apart from what drawing needs.

#include <FL/Enumerations.H>
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Button.H>
#include <FL/Fl_Check_Button.H>
#include <FL/Fl_Choice.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Input.H>
#include <FL/Fl_Input_Choice.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_RGB_Image.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>
#include <FL/Fl_Text_Editor.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <type_traits>
#include <vector>

#include "platform/forms/Application.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/FltkMirror.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/WidgetSet.h"

namespace rv {

namespace {

// ---- Texts ----------------------------------------------------------------------

// Line breaks as the toolkit draws them ("\r" would show as "^M").
std::string toolkitLines(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      out += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A caption without its accelerator marks ("&&" shows as "&").
std::string withoutMarks(const std::string& caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    out += caption[i];
  }
  return out;
}

std::vector<std::string> splitAtNewlines(const std::string& text) {
  std::vector<std::string> lines(1);
  for (char c : text) {
    if (c == '\n')
      lines.emplace_back();
    else
      lines.back().push_back(c);
  }
  return lines;
}

// ---- Pictures ---------------------------------------------------------------------

// A toolkit image of a graphic (bitmaps opaque, icons with their alpha), or
// null for none. The pixels are copied into Pixels, which must outlive it.
std::unique_ptr<Fl_RGB_Image> imageOf(const TGraphic* graphic, std::vector<unsigned char>& pixels) {
  pixels.clear();
  if (!graphic || graphic->Empty()) return nullptr;
  const int w = graphic->Width(), h = graphic->Height();
  if (const auto* icon = dynamic_cast<const TIcon*>(graphic)) {
    pixels.assign(icon->Bits(), icon->Bits() + static_cast<std::size_t>(w) * h * 4);
    return std::make_unique<Fl_RGB_Image>(pixels.data(), w, h, 4);
  }
  const auto* bitmap = dynamic_cast<const TBitmap*>(graphic);
  if (!bitmap) return nullptr;
  pixels.resize(static_cast<std::size_t>(w) * h * 3);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* row = bitmap->ScanLine(y);
    unsigned char* out = pixels.data() + static_cast<std::size_t>(y) * w * 3;
    for (int x = 0; x < w; ++x) {
      out[x * 3] = row[x * 3 + 2];
      out[x * 3 + 1] = row[x * 3 + 1];
      out[x * 3 + 2] = row[x * 3];
    }
  }
  return std::make_unique<Fl_RGB_Image>(pixels.data(), w, h, 3);
}

// ---- The mirror --------------------------------------------------------------------

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

TMirror* mirrorOf(const Fl_Widget* widget) { return dynamic_cast<TMirror*>(const_cast<Fl_Widget*>(widget)); }

// The control of the nearest mirror at or above Widget.
TMirror* nearestMirror(Fl_Widget* widget) {
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
      case FL_LEAVE:
        W::handle(event);
        return 1;
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

// Guards FSyncing for a scope.
class TSyncing {
 public:
  explicit TSyncing(bool& Flag) : FFlag(Flag), FSaved(Flag) { FFlag = true; }
  ~TSyncing() { FFlag = FSaved; }
  TSyncing(const TSyncing&) = delete;
  TSyncing& operator=(const TSyncing&) = delete;

 private:
  bool& FFlag;
  bool FSaved;
};

// Buttons and check boxes: the toolkit's click is the control's click.
void clicked(Fl_Widget* widget, void*);

// ---- Buttons ---------------------------------------------------------------------------

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

void clicked(Fl_Widget* widget, void*) {
  TMirror* m = mirrorOf(widget);
  if (!m || !m->Control()) return;
  FeedClick(m->Control());
  // The toolkit flipped the box itself; the model says what it shows.
  if (m->Control()) m->Sync();
}

// ---- Labels and pictures -------------------------------------------------------------

class TLabelWidget : public TMirrored<Fl_Box> {
 public:
  explicit TLabelWidget(TLabel* Label) : TMirrored(Label) {}
  const char* Kind() const override { return "Fl_Box"; }
  bool Opaque() const override { return !FTransparent; }
  void Sync() override {
    auto* l = static_cast<TLabel*>(Control());
    FShowAccel = l->ShowAccelChar();
    SyncCommon(true);
    FTransparent = l->Transparent();
    box(FTransparent ? FL_NO_BOX : FL_FLAT_BOX);
    FShown = toolkitLines(FShowAccel ? withoutMarks(l->Caption()) : l->Caption());
    FStyle = l->Font()->Style();
    int a = FL_ALIGN_INSIDE | FL_ALIGN_CLIP;
    if (l->Alignment() == taLeftJustify) a |= FL_ALIGN_LEFT;
    if (l->Alignment() == taRightJustify) a |= FL_ALIGN_RIGHT;
    if (l->Layout() == tlTop) a |= FL_ALIGN_TOP;
    if (l->Layout() == tlBottom) a |= FL_ALIGN_BOTTOM;
    if (l->WordWrap()) a |= FL_ALIGN_WRAP;
    align(static_cast<Fl_Align>(a));
    FWrapped = l->WordWrap();
  }

 protected:
  bool ClicksItself() const override { return true; }
  bool ShowsAccelerators() const override { return FShowAccel; }

  void draw() override {
    if (!FTransparent) draw_box(FL_FLAT_BOX, color());
    draw_label(x(), y(), w(), h(), align());
    if (FStyle.Contains(fsUnderline) || FStyle.Contains(fsStrikeOut)) DrawLines();
  }

 private:
  // Underline and strike-out, line by line as the text was drawn (wrapped
  // text is not measured again: it keeps plain).
  void DrawLines() {
    if (FWrapped) return;
    fl_font(labelfont(), labelsize());
    fl_color(active_r() ? labelcolor() : fl_inactive(labelcolor()));
    const std::vector<std::string> lines = splitAtNewlines(FShown);
    const int lineHeight = fl_height();
    const int total = lineHeight * static_cast<int>(lines.size());
    int top = y() + (h() - total) / 2;
    if (align() & FL_ALIGN_TOP) top = y();
    if (align() & FL_ALIGN_BOTTOM) top = y() + h() - total;
    fl_push_clip(x(), y(), w(), h());
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const int width = static_cast<int>(fl_width(lines[i].c_str()));
      int left = x() + (w() - width) / 2;
      if (align() & FL_ALIGN_LEFT) left = x();
      if (align() & FL_ALIGN_RIGHT) left = x() + w() - width;
      const int baseline = top + static_cast<int>(i) * lineHeight + lineHeight - fl_descent();
      if (FStyle.Contains(fsUnderline)) fl_xyline(left, baseline + 1, left + width - 1);
      if (FStyle.Contains(fsStrikeOut)) {
        const int middle = baseline - (lineHeight - fl_descent()) / 3;
        fl_xyline(left, middle, left + width - 1);
      }
    }
    fl_pop_clip();
  }

  bool FShowAccel = true;
  bool FTransparent = false;
  bool FWrapped = false;
  std::string FShown;
  TFontStyles FStyle;
};

class TImageWidget : public TMirrored<Fl_Box> {
 public:
  explicit TImageWidget(TImage* Image) : TMirrored(Image) {}
  const char* Kind() const override { return "Fl_Box"; }
  bool Opaque() const override { return !FTransparent; }
  // The size of the picture shown, as "WxH" ("" for none).
  void Content(std::string& Text, int&) const override {
    Text = FImage ? std::to_string(FImage->w()) + "x" + std::to_string(FImage->h()) : "";
  }
  void Sync() override {
    SyncCommon(false);
    auto* image = static_cast<TImage*>(Control());
    FTransparent = image->Transparent();
    FCenter = image->Center();
    box(FTransparent ? FL_NO_BOX : FL_FLAT_BOX);
    FScaled.reset();
    FImage = imageOf(image->Picture()->Graphic(), FPixels);
    if (FImage && image->Stretch() && w() > 0 && h() > 0)
      FScaled.reset(static_cast<Fl_RGB_Image*>(FImage->copy(w(), h())));
  }

 protected:
  bool ClicksItself() const override { return true; }

  void draw() override {
    if (!FTransparent) draw_box(FL_FLAT_BOX, color());
    Fl_RGB_Image* image = FScaled ? FScaled.get() : FImage.get();
    if (!image) return;
    int left = x(), top = y();
    if (FCenter && !FScaled) {
      left += (w() - image->w()) / 2;
      top += (h() - image->h()) / 2;
    }
    fl_push_clip(x(), y(), w(), h());
    image->draw(left, top);
    fl_pop_clip();
  }

 private:
  bool FTransparent = false;
  bool FCenter = false;
  std::vector<unsigned char> FPixels;  // the image's pixels: declared first, freed last
  std::unique_ptr<Fl_RGB_Image> FImage;
  std::unique_ptr<Fl_RGB_Image> FScaled;
};

// ---- Containers -------------------------------------------------------------------------

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

// ---- Text -----------------------------------------------------------------------------------

class TEditWidget : public TMirrored<Fl_Input> {
 public:
  explicit TEditWidget(TCustomEdit* Edit) : TMirrored(Edit) {
    when(FL_WHEN_CHANGED);
    callback(&TEditWidget::Changed);
  }
  const char* Kind() const override { return "Fl_Input"; }
  void Content(std::string& Text, int&) const override { Text = value(); }
  void Sync() override {
    TSyncing syncing(FSyncing);
    auto* edit = static_cast<TCustomEdit*>(Control());
    SyncCommon(false);
    SyncTextStyle();
    readonly(edit->ReadOnly());
    box(edit->BorderStyle() == bsNone ? FL_FLAT_BOX : FL_DOWN_BOX);
    // Only a different text is written: writing moves the insertion point.
    if (edit->Text() != value()) value(edit->Text().c_str());
  }

 private:
  static void Changed(Fl_Widget* widget, void*) {
    auto* self = static_cast<TEditWidget*>(widget);
    if (self->FSyncing || !self->Control()) return;
    FeedText(self->Control(), self->value());
    // A read-only edit or MaxLength may have kept another text.
    if (self->Control()) self->Sync();
  }
};

// The buffer lives in a base before the display, so it outlives it.
struct TBufferHolder {
  std::unique_ptr<Fl_Text_Buffer> Buffer = std::make_unique<Fl_Text_Buffer>();
};

// An editable memo edits its lines; a read-only one shows them (Display).
template <class W>
class TMemoWidget : private TBufferHolder, public TMirrored<W> {
 public:
  explicit TMemoWidget(TMemo* Memo) : TMirrored<W>(Memo) {
    this->buffer(Buffer.get());
    Buffer->add_modify_callback(&TMemoWidget::Modified, this);
  }
  ~TMemoWidget() override { Buffer->remove_modify_callback(&TMemoWidget::Modified, this); }
  TMemoWidget(const TMemoWidget&) = delete;
  TMemoWidget& operator=(const TMemoWidget&) = delete;

  const char* Kind() const override {
    return std::is_same_v<W, Fl_Text_Editor> ? "Fl_Text_Editor" : "Fl_Text_Display";
  }
  bool Fits(const TControl* Control) const override {
    return static_cast<const TMemo*>(Control)->ReadOnly() == std::is_same_v<W, Fl_Text_Display>;
  }
  void Content(std::string& Text, int& Value) const override {
    Text = BufferText();
    Value = Buffer->count_lines(0, Buffer->length()) + 1;
  }
  void Sync() override {
    TSyncing syncing(this->FSyncing);
    auto* memo = static_cast<TMemo*>(this->Control());
    this->SyncCommon(false);
    this->SyncTextStyle();
    this->box(memo->BorderStyle() == bsNone ? FL_FLAT_BOX : FL_DOWN_BOX);
    const TScrollStyle bars = memo->ScrollBars();
    int a = 0;
    if (bars == ssVertical || bars == ssBoth) a |= FL_ALIGN_RIGHT;
    if (bars == ssHorizontal || bars == ssBoth) a |= FL_ALIGN_BOTTOM;
    this->scrollbar_align(static_cast<Fl_Align>(a));
    this->scrollbar_width(a ? Fl::scrollbar_size() : 0);
    // Wrapping leaves nothing to scroll sideways.
    const bool wrap = memo->WordWrap() && !(a & FL_ALIGN_BOTTOM);
    this->wrap_mode(wrap ? Fl_Text_Display::WRAP_AT_BOUNDS : Fl_Text_Display::WRAP_NONE, 0);
    const std::string text = toolkitLines(memo->Text());
    if (text != BufferText()) Buffer->text(text.c_str());
  }

 private:
  std::string BufferText() const {
    std::unique_ptr<char, decltype(&std::free)> text(Buffer->text(), &std::free);
    return text ? std::string(text.get()) : std::string();
  }

  static void Modified(int, int, int, int, const char*, void* arg) {
    auto* self = static_cast<TMemoWidget*>(arg);
    if (self->FSyncing || !self->Control()) return;
    FeedText(self->Control(), self->BufferText());
  }
};

// ---- Combo boxes ---------------------------------------------------------------------------

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
    TSyncing syncing(FSyncing);
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
    TSyncing syncing(FSyncing);
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

// ---- Forms ------------------------------------------------------------------------------------

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
    const bool show =
        FeedHintShowing(&Control, TPoint{Fl::event_x() - widget->x(), Fl::event_y() - widget->y()},
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

Fl_Widget* NewMirrorWidget(TControl* Control) {
  // Made outside any group: the set puts it into its parent's group.
  Fl_Group::current(nullptr);
  Fl_Widget* widget = nullptr;
  if (auto* button = dynamic_cast<TButton*>(Control))
    widget = new TButtonWidget(button);
  else if (auto* box = dynamic_cast<TCheckBox*>(Control))
    widget = new TCheckWidget(box);
  else if (auto* label = dynamic_cast<TLabel*>(Control))
    widget = new TLabelWidget(label);
  else if (auto* image = dynamic_cast<TImage*>(Control))
    widget = new TImageWidget(image);
  else if (auto* panel = dynamic_cast<TPanel*>(Control))
    widget = new TPanelWidget(panel);
  else if (auto* group = dynamic_cast<TGroupBox*>(Control))
    widget = new TGroupBoxWidget(group);
  else if (auto* memo = dynamic_cast<TMemo*>(Control))
    widget = memo->ReadOnly() ? static_cast<Fl_Widget*>(new TMemoWidget<Fl_Text_Display>(memo))
                              : new TMemoWidget<Fl_Text_Editor>(memo);
  else if (auto* edit = dynamic_cast<TCustomEdit*>(Control))
    widget = new TEditWidget(edit);
  else if (auto* combo = dynamic_cast<TComboBox*>(Control))
    widget = combo->Style() == csDropDownList ? static_cast<Fl_Widget*>(new TListWidget(combo))
                                              : new TComboWidget(combo);
  else if (auto* win = dynamic_cast<TWinControl*>(Control))
    widget = new TContainerWidget(win);
  else
    widget = new TBoxWidget(Control);
  Fl_Group::current(nullptr);
  return widget;
}

TControl* MirrorControl(const Fl_Widget* Widget) {
  const TMirror* m = mirrorOf(Widget);
  return m ? m->Control() : nullptr;
}

Fl_Group* MirrorChildGroup(Fl_Widget* Widget) {
  TMirror* m = mirrorOf(Widget);
  return m ? m->ChildGroup() : nullptr;
}

bool MirrorFits(const Fl_Widget* Widget, const TControl* Control) {
  const TMirror* m = mirrorOf(Widget);
  return m && m->Fits(Control);
}

void SyncMirror(Fl_Widget* Widget) {
  TMirror* m = mirrorOf(Widget);
  if (!m || !m->Control()) return;
  m->Sync();
  // What shows through a widget without a background is its parent's.
  Fl_Group* parent = Widget->parent();
  m->Opaque() || !parent ? Widget->redraw() : parent->redraw();
}

void DetachMirror(Fl_Widget* Widget) {
  if (TMirror* m = mirrorOf(Widget)) m->Detach();
}

std::string MirrorKind(const Fl_Widget* Widget) {
  const TMirror* m = mirrorOf(Widget);
  return m ? m->Kind() : "";
}

void MirrorContent(const Fl_Widget* Widget, std::string& Text, int& Value) {
  Text.clear();
  Value = 0;
  if (const TMirror* m = mirrorOf(Widget)) m->Content(Text, Value);
}

}  // namespace rv
