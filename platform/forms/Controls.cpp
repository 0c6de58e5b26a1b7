// TControl: bounds, state, text, and what a control takes over from its parent.

#include "platform/forms/Controls.h"

#include <algorithm>

#include "platform/classes/Published.h"
#include "platform/forms/Forms.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/ScopeGuard.h"

namespace RV_API rv {

namespace {

void markDestroying(TComponent* c) {
  c->SetStateFlag(csDestroying, true);
  for (int i = 0; i < c->ComponentCount(); ++i) markDestroying(c->Components(i));
}

}  // namespace

const TClass& TControl::StaticClass() {
  static const TClass cls =
      TClassBuilder<TControl>("TControl")
          .Property("Left", &TControl::Left, &TControl::SetLeft)
          .Property("Top", &TControl::Top, &TControl::SetTop)
          .Property("Width", &TControl::Width, &TControl::SetWidth)
          .Property("Height", &TControl::Height, &TControl::SetHeight)
          .Property("Align", &TControl::Align, &TControl::SetAlign, alNone)
          .Property("Color", &TControl::Color, &TControl::SetColor, clWindow)
          .Idents(&ColorToIdent, &IdentToColor)
          .Stored([](const TControl& c) { return !c.ParentColor(); })
          .Property("Cursor", &TControl::Cursor, &TControl::SetCursor, crDefault)
          .Idents(&CursorToIdent, &IdentToCursor)
          .Property("Enabled", &TControl::Enabled, &TControl::SetEnabled, true)
          .Property("Font", &TControl::Font)
          .Stored([](const TControl& c) { return !c.ParentFont(); })
          .Property("HelpContext", &TControl::HelpContext, &TControl::SetHelpContext, 0)
          .Property("HelpKeyword", &TControl::HelpKeyword, &TControl::SetHelpKeyword)
          .Property("Hint", &TControl::Hint, &TControl::SetHint)
          .Property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, false)
          .Property("ParentFont", &TControl::ParentFont, &TControl::SetParentFont, true)
          .Property("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint, true)
          // No default: a control reading it starts from its parent's value.
          .Property("ShowHint", &TControl::ShowHint, &TControl::SetShowHint)
          .Stored([](const TControl& c) { return !c.ParentShowHint(); })
          .Property("Visible", &TControl::Visible, &TControl::SetVisible, true)
          .Property("OnClick", &TControl::OnClick, &TControl::SetOnClick)
          .Build();
  return cls;
}

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {
  FFont->SetOnChange(TNotifyEvent(this, &TControl::FontChanged));
}

TControl::~TControl() { Destroying(); }

void TControl::Destroying() {
  if (FDestroying) return;
  FDestroying = true;
  markDestroying(this);
  CurrentWidgetSet()->ControlDestroying(this);
  if (FParent) FParent->RemoveControl(this);
}

void TControl::NotifyWidgetSet(TControlChange Change) {
  if (!FDestroying) CurrentWidgetSet()->ControlChanged(this, Change);
}

template <class F>
void TControl::Inherit(F&& Fn) {
  TemporaryChange inheriting(FInheriting, true);
  Fn();
}

// ---- Bounds -------------------------------------------------------------------

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  AWidth = std::max(AWidth, 0);
  AHeight = std::max(AHeight, 0);
  if (ALeft == FLeft && ATop == FTop && AWidth == FWidth && AHeight == FHeight) return;
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  NotifyWidgetSet(ccBounds);
  RequestAlign();
}

TRect TControl::BoundsRect() const {
  auto clamped = [](std::int64_t v) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT32_MIN, INT32_MAX));
  };
  return TRect{FLeft, FTop, clamped(std::int64_t{FLeft} + FWidth), clamped(std::int64_t{FTop} + FHeight)};
}

void TControl::SetAlign(TAlign Value) {
  if (FAlign == Value) return;
  const bool was = FAlign != alNone;
  FAlign = Value;
  // Losing its alignment frees room for the aligned siblings.
  if (FParent && (was || FAlign != alNone)) FParent->AlignControls(this);
}

void TControl::RequestAlign() {
  if (FParent && FAlign != alNone) FParent->AlignControls(this);
}

// ---- State ----------------------------------------------------------------------

void TControl::SetVisible(bool Value) {
  if (FVisible == Value) return;
  FVisible = Value;
  VisibleChanged();
}

void TControl::VisibleChanged() {
  NotifyWidgetSet(ccVisible);
  RequestAlign();
}

void TControl::SetEnabled(bool Value) {
  if (FEnabled == Value) return;
  FEnabled = Value;
  EnabledChanged();
}

void TControl::EnabledChanged() { NotifyWidgetSet(ccEnabled); }

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  for (const TControl* p = AParent; p; p = p->FParent)
    if (p == this) throw EInvalidOperation("A control cannot have itself or a control inside it as its parent");
  if (FParent) FParent->RemoveControl(this);
  if (AParent) AParent->InsertControl(this);
  ParentFontChanged();
  ParentColorChanged();
  ParentShowHintChanged();
  NotifyWidgetSet(ccParent);
}

// ---- Text -------------------------------------------------------------------------

void TControl::SetText(const std::string& Value) {
  if (FText == Value) return;
  FText = Value;
  NotifyWidgetSet(ccText);
  AdjustSize();
}

void TControl::SetHint(const std::string& Value) {
  if (FHint == Value) return;
  FHint = Value;
  NotifyWidgetSet(ccHint);
}

void TControl::SetShowHint(bool Value) {
  if (!FInheriting) FParentShowHint = false;
  if (FShowHint == Value) return;
  FShowHint = Value;
  NotifyWidgetSet(ccHint);
  NotifyChildren(&TControl::ParentShowHintChanged);
}

void TControl::SetParentShowHint(bool Value) {
  if (FParentShowHint == Value) return;
  FParentShowHint = Value;
  ParentShowHintChanged();
}

void TControl::ParentShowHintChanged() {
  if (FParentShowHint && FParent) Inherit([&] { SetShowHint(FParent->ShowHint()); });
}

// ---- Appearance ---------------------------------------------------------------------

void TControl::SetCursor(TCursor Value) {
  if (FCursor == Value) return;
  FCursor = Value;
  NotifyWidgetSet(ccStyle);
}

void TControl::FontChanged(TObject*) {
  if (!FInheriting) FParentFont = false;
  NotifyWidgetSet(ccFont);
  AdjustSize();
  NotifyChildren(&TControl::ParentFontChanged);
}

void TControl::SetParentFont(bool Value) {
  if (FParentFont == Value) return;
  FParentFont = Value;
  ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (FParentFont && FParent) Inherit([&] { FFont->Assign(FParent->Font()); });
}

void TControl::SetColor(TColor Value) {
  if (!FInheriting) FParentColor = false;
  if (FColor == Value) return;
  FColor = Value;
  NotifyWidgetSet(ccColor);
  NotifyChildren(&TControl::ParentColorChanged);
}

void TControl::SetParentColor(bool Value) {
  if (FParentColor == Value) return;
  FParentColor = Value;
  ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (FParentColor && FParent) Inherit([&] { SetColor(FParent->Color()); });
}

// ---- Events and storage --------------------------------------------------------------

void TControl::Click() {
  if (FOnClick) FOnClick(this);
}

TComponent* TControl::GetParentComponent() const { return FParent; }

void TControl::SetParentComponent(TComponent* Value) {
  // A control stored inside something that can't hold controls stays
  // without a parent, as when it is created in code.
  if (auto* parent = dynamic_cast<TWinControl*>(Value)) SetParent(parent);
}

void TControl::Loaded() {
  TComponent::Loaded();
  AdjustSize();
}

TCustomForm* GetParentForm(const TControl* Control) {
  if (!Control) return nullptr;
  while (Control->Parent()) Control = Control->Parent();
  return dynamic_cast<TCustomForm*>(const_cast<TControl*>(Control));
}

std::string GetShortHint(const std::string& Hint) { return Hint.substr(0, Hint.find('|')); }

std::string GetLongHint(const std::string& Hint) {
  const std::size_t bar = Hint.find('|');
  return bar == std::string::npos ? Hint : Hint.substr(bar + 1);
}

}  // namespace rv
