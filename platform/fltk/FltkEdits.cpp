// Edits and memos as toolkit inputs and text displays.

#include <FL/Fl_Input.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>
#include <FL/Fl_Text_Editor.H>

#include <algorithm>

#include "platform/fltk/FltkMirrored.h"
#include "platform/forms/StdCtrls.h"

namespace RV_API rv {

namespace {

class TEditWidget : public TMirrored<Fl_Input> {
 public:
  explicit TEditWidget(TCustomEdit* Edit) : TMirrored(Edit) {
    when(FL_WHEN_CHANGED);
    callback(&TEditWidget::Changed);
  }
  const char* Kind() const override { return "Fl_Input"; }
  void Content(std::string& Text, int&) const override { Text = value(); }
  void Sync() override {
    TemporaryChange syncing(FSyncing, true);
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

  const char* Kind() const override { return std::is_same_v<W, Fl_Text_Editor> ? "Fl_Text_Editor" : "Fl_Text_Display"; }
  bool Fits(const TControl* Control) const override {
    return static_cast<const TMemo*>(Control)->ReadOnly() == std::is_same_v<W, Fl_Text_Display>;
  }
  void Content(std::string& Text, int& Value) const override {
    Text = BufferText();
    Value = Buffer->count_lines(0, Buffer->length()) + 1;
  }
  void Sync() override {
    TemporaryChange syncing(this->FSyncing, true);
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

[[maybe_unused]] const bool registered =
    RegisterMirrorFactory(TCustomEdit::StaticClass(),
                          [](TControl* c) -> Fl_Widget* { return new TEditWidget(static_cast<TCustomEdit*>(c)); }) &&
    RegisterMirrorFactory(TMemo::StaticClass(), [](TControl* c) -> Fl_Widget* {
      auto* memo = static_cast<TMemo*>(c);
      if (memo->ReadOnly()) return new TMemoWidget<Fl_Text_Display>(memo);
      return new TMemoWidget<Fl_Text_Editor>(memo);
    });

}  // namespace

}  // namespace rv
