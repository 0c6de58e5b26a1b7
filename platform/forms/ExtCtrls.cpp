// TPanel and TImage.

#include "platform/forms/ExtCtrls.h"

#include <algorithm>
#include <cstdint>

#include "platform/classes/Published.h"
#include "platform/rtl/Exceptions.h"

namespace RV_API rv {

// ---- TPanel -------------------------------------------------------------------------------

const TClass& TPanel::StaticClass() {
  static const TClass cls = TClassBuilder<TPanel>("TPanel")
                                .Property("Color", &TControl::Color, &TControl::SetColor, clBtnFace)
                                .Idents(&ColorToIdent, &IdentToColor)
                                .Stored([](const TPanel& p) { return !p.ParentColor(); })
                                .Property("Alignment", &TPanel::Alignment, &TPanel::SetAlignment, taCenter)
                                .Property("BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner, bvNone)
                                .Property("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter, bvRaised)
                                .Property("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth, 1)
                                .Property("BorderWidth", &TPanel::BorderWidth, &TPanel::SetBorderWidth, 0)
                                .Property("Caption", &TControl::Caption, &TControl::SetCaption)
                                .Build();
  return cls;
}
RV_REGISTER_CLASS(TPanel)

TPanel::TPanel(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 185, 41);
  SetColor(clBtnFace);
}

void TPanel::StyleChanged() {
  NotifyWidgetSet(ccStyle);
  Realign();
}

void TPanel::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  NotifyWidgetSet(ccStyle);
}

void TPanel::SetBevelInner(TBevelCut Value) {
  if (FBevelInner == Value) return;
  FBevelInner = Value;
  StyleChanged();
}

void TPanel::SetBevelOuter(TBevelCut Value) {
  if (FBevelOuter == Value) return;
  FBevelOuter = Value;
  StyleChanged();
}

void TPanel::SetBevelWidth(int Value) {
  if (Value < 0) throw ERangeError("BevelWidth can't be negative");
  if (FBevelWidth == Value) return;
  FBevelWidth = Value;
  StyleChanged();
}

void TPanel::SetBorderWidth(int Value) {
  if (Value < 0) throw ERangeError("BorderWidth can't be negative");
  if (FBorderWidth == Value) return;
  FBorderWidth = Value;
  StyleChanged();
}

void TPanel::AdjustClientRect(TRect& Rect) const {
  std::int64_t inset = FBorderWidth;
  if (FBevelOuter != bvNone) inset += FBevelWidth;
  if (FBevelInner != bvNone) inset += FBevelWidth;
  const auto moved = [](std::int32_t v, std::int64_t by) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v + by, INT32_MIN, INT32_MAX));
  };
  Rect = TRect{moved(Rect.Left, inset), moved(Rect.Top, inset), moved(Rect.Right, -inset), moved(Rect.Bottom, -inset)};
}

// ---- TImage -------------------------------------------------------------------------------

const TClass& TImage::StaticClass() {
  static const TClass cls = TClassBuilder<TImage>("TImage")
                                .Property("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize, false)
                                .Property("Center", &TImage::Center, &TImage::SetCenter, false)
                                .Property("Picture", &TImage::Picture)
                                .Property("Stretch", &TImage::Stretch, &TImage::SetStretch, false)
                                .Property("Transparent", &TImage::Transparent, &TImage::SetTransparent, false)
                                .Build();
  return cls;
}
RV_REGISTER_CLASS(TImage)

TImage::TImage(TComponent* AOwner) : TControl(AOwner), FPicture(std::make_unique<TPicture>()) {
  SetBounds(0, 0, 105, 105);
  FPicture->SetOnChange(TNotifyEvent(this, &TImage::PictureChanged));
}

void TImage::PictureChanged(TObject*) {
  NotifyWidgetSet(ccPicture);
  AdjustSize();
}

void TImage::StyleChanged() { NotifyWidgetSet(ccStyle); }

void TImage::SetAutoSize(bool Value) {
  if (FAutoSize == Value) return;
  FAutoSize = Value;
  AdjustSize();
}

void TImage::SetCenter(bool Value) {
  if (FCenter == Value) return;
  FCenter = Value;
  StyleChanged();
}

void TImage::SetStretch(bool Value) {
  if (FStretch == Value) return;
  FStretch = Value;
  StyleChanged();
}

void TImage::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  StyleChanged();
}

void TImage::AdjustSize() {
  if (!FAutoSize || IsLoading() || IsDestroying()) return;
  const TGraphic* graphic = FPicture->Graphic();
  if (graphic && !graphic->Empty()) SetBounds(Left(), Top(), graphic->Width(), graphic->Height());
}

}  // namespace rv
