// Labels and images as toolkit boxes that draw their text or picture.

#include <FL/Fl_Box.H>
#include <FL/fl_draw.H>

#include <algorithm>

#include "platform/fltk/FltkMirrored.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/StdCtrls.h"

namespace RV_API rv {

namespace {

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

[[maybe_unused]] const bool registered =
    RegisterMirrorFactory(TLabel::StaticClass(),
                          [](TControl* c) -> Fl_Widget* { return new TLabelWidget(static_cast<TLabel*>(c)); }) &&
    RegisterMirrorFactory(TImage::StaticClass(),
                          [](TControl* c) -> Fl_Widget* { return new TImageWidget(static_cast<TImage*>(c)); });

}  // namespace

}  // namespace rv
