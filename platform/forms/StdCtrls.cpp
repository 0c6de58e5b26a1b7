// The standard controls.

#include "platform/forms/StdCtrls.h"

#include <algorithm>
#include <cstdint>

#include "platform/classes/Published.h"
#include "platform/forms/Forms.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StrUtils.h"
#include "platform/rtl/Utf16.h"

namespace RV_API rv {

namespace {

bool notParentColor(const TControl& c) { return !c.ParentColor(); }

// Keys a text control takes: everything but the dialog keys and Alt
// combinations (accelerators).
bool isTextKey(std::uint16_t key, TShiftState shift) {
  // Function keys (F1: help) are the form's.
  return !shift.Contains(ssAlt) && key != VK_TAB && key != VK_RETURN && key != VK_ESCAPE &&
         (key < VK_F1 || key > VK_F24);
}

// A caption as shown: accelerator marks removed ("&&" shows as "&").
std::string shownText(const std::string& caption) {
  std::string out;
  for (std::size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && i + 1 < caption.size()) ++i;
    out += caption[i];
  }
  return out;
}

std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      lines.emplace_back();
    } else {
      lines.back() += c;
    }
  }
  return lines;
}

// The lines a text takes when wrapped at spaces to fit Width; a word wider
// than Width keeps a line of its own.
std::vector<std::string> wrapLines(const TFont& font, const std::string& text, int width) {
  std::vector<std::string> out;
  for (const std::string& line : splitLines(text)) {
    std::string current;
    std::size_t start = 0;
    do {
      std::size_t end = line.find(' ', start);
      const std::string word = line.substr(start, end == std::string::npos ? std::string::npos : end - start);
      std::string candidate = current;
      if (!candidate.empty()) candidate += ' ';
      candidate += word;
      if (!current.empty() && CurrentWidgetSet()->TextExtent(font, candidate).cx > width) {
        out.push_back(current);
        current = word;
      } else {
        current = candidate;
      }
      start = end == std::string::npos ? line.size() + 1 : end + 1;
    } while (start <= line.size());
    out.push_back(current);
  }
  return out;
}

}  // namespace

// ---- TButton ------------------------------------------------------------------------------

const TClass& TButton::StaticClass() {
  static const TClass cls = TClassBuilder<TButton>("TButton")
                                .Property("Color", &TControl::Color, &TControl::SetColor, clBtnFace)
                                .Idents(&ColorToIdent, &IdentToColor)
                                .Stored(notParentColor)
                                .Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, true)
                                .Property("Cancel", &TButton::Cancel, &TButton::SetCancel, false)
                                .Property("Caption", &TControl::Caption, &TControl::SetCaption)
                                .Property("Default", &TButton::Default, &TButton::SetDefault, false)
                                .Property("ModalResult", &TButton::ModalResult, &TButton::SetModalResult, mrNone)
                                .Build();
  return cls;
}
RV_REGISTER_CLASS(TButton)

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 75, 25);
  SetColor(clBtnFace);
  SetTabStop(true);
}

void TButton::SetDefault(bool Value) {
  if (FDefault == Value) return;
  FDefault = Value;
  NotifyWidgetSet(ccStyle);
}

void TButton::SetCancel(bool Value) {
  if (FCancel == Value) return;
  FCancel = Value;
  NotifyWidgetSet(ccStyle);
}

void TButton::Click() {
  if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
  TWinControl::Click();
}

// ---- TCheckBox ----------------------------------------------------------------------------

const TClass& TCheckBox::StaticClass() {
  static const TClass cls = TClassBuilder<TCheckBox>("TCheckBox")
                                .Property("Color", &TControl::Color, &TControl::SetColor, clBtnFace)
                                .Idents(&ColorToIdent, &IdentToColor)
                                .Stored(notParentColor)
                                .Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, true)
                                .Property("Alignment", &TCheckBox::Alignment, &TCheckBox::SetAlignment, taRightJustify)
                                .Property("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed, false)
                                .Property("Caption", &TControl::Caption, &TControl::SetCaption)
                                .Property("State", &TCheckBox::State, &TCheckBox::SetState, cbUnchecked)
                                .Build();
  return cls;
}
RV_REGISTER_CLASS(TCheckBox)

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 97, 17);
  SetColor(clBtnFace);
  SetTabStop(true);
}

void TCheckBox::SetAlignment(TAlignment Value) {
  if (Value != taLeftJustify && Value != taRightJustify)
    throw ERangeError("A check box's text is left or right of the box");
  if (FAlignment == Value) return;
  FAlignment = Value;
  NotifyWidgetSet(ccStyle);
}

void TCheckBox::SetState(TCheckBoxState Value) {
  if (FState == Value) return;
  FState = Value;
  NotifyWidgetSet(ccChecked);
  if (!IsLoading()) Click();
}

void TCheckBox::Toggle() {
  switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbGrayed: SetState(cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
  }
}

// ---- TLabel -------------------------------------------------------------------------------

const TClass& TLabel::StaticClass() {
  // Color has no default here: a label reading it starts from its parent's.
  static const TClass cls = TClassBuilder<TLabel>("TLabel")
                                .Property("Color", &TControl::Color, &TControl::SetColor)
                                .Idents(&ColorToIdent, &IdentToColor)
                                .Stored(notParentColor)
                                .Property("ParentColor", &TControl::ParentColor, &TControl::SetParentColor, true)
                                .Property("Alignment", &TLabel::Alignment, &TLabel::SetAlignment, taLeftJustify)
                                .Property("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize, true)
                                .Property("Caption", &TControl::Caption, &TControl::SetCaption)
                                .Property("Layout", &TLabel::Layout, &TLabel::SetLayout, tlTop)
                                .Property("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar, true)
                                .Property("Transparent", &TLabel::Transparent, &TLabel::SetTransparent, false)
                                .Property("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap, false)
                                .Build();
  return cls;
}
RV_REGISTER_CLASS(TLabel)

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {
  SetBounds(0, 0, 65, 17);
  SetParentColor(true);
  // Sized from the start, so a new label reads back as it was written.
  AdjustSize();
}

void TLabel::StyleChanged() {
  NotifyWidgetSet(ccStyle);
  AdjustSize();
}

void TLabel::SetAlignment(TAlignment Value) {
  if (FAlignment == Value) return;
  FAlignment = Value;
  StyleChanged();
}

void TLabel::SetAutoSize(bool Value) {
  if (FAutoSize == Value) return;
  FAutoSize = Value;
  StyleChanged();
}

void TLabel::SetLayout(TTextLayout Value) {
  if (FLayout == Value) return;
  FLayout = Value;
  StyleChanged();
}

void TLabel::SetShowAccelChar(bool Value) {
  if (FShowAccelChar == Value) return;
  FShowAccelChar = Value;
  StyleChanged();
}

void TLabel::SetTransparent(bool Value) {
  if (FTransparent == Value) return;
  FTransparent = Value;
  StyleChanged();
}

void TLabel::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  StyleChanged();
}

void TLabel::AdjustSize() {
  if (!FAutoSize || IsLoading() || IsDestroying()) return;
  std::string text = FShowAccelChar ? shownText(Caption()) : Caption();
  if (text.empty()) text.push_back(' ');
  const std::vector<std::string> lines = FWordWrap ? wrapLines(*Font(), text, Width()) : splitLines(text);
  std::int64_t width = 0, height = 0;
  for (const std::string& line : lines) {
    const TSize extent = CurrentWidgetSet()->TextExtent(*Font(), line.empty() ? " " : line);
    width = std::max<std::int64_t>(width, extent.cx);
    height += extent.cy;
  }
  const auto clamped = [](std::int64_t v) { return static_cast<int>(std::min<std::int64_t>(v, INT32_MAX)); };
  if (FWordWrap) {
    SetBounds(Left(), Top(), Width(), clamped(height));
    return;
  }
  const int newWidth = clamped(width);
  const std::int64_t left = FAlignment == taRightJustify ? std::int64_t{Left()} + Width() - newWidth : Left();
  SetBounds(static_cast<int>(std::clamp<std::int64_t>(left, INT32_MIN, INT32_MAX)), Top(), newWidth, clamped(height));
}

// ---- TGroupBox ----------------------------------------------------------------------------

const TClass& TGroupBox::StaticClass() {
  static const TClass cls = TClassBuilder<TGroupBox>("TGroupBox")
                                .Property("Color", &TControl::Color, &TControl::SetColor, clBtnFace)
                                .Idents(&ColorToIdent, &IdentToColor)
                                .Stored(notParentColor)
                                .Property("Caption", &TControl::Caption, &TControl::SetCaption)
                                .Build();
  return cls;
}
RV_REGISTER_CLASS(TGroupBox)

TGroupBox::TGroupBox(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 185, 105);
  SetColor(clBtnFace);
}

void TGroupBox::AdjustClientRect(TRect& Rect) const {
  Rect.Top += CurrentWidgetSet()->TextExtent(*Font(), "0").cy;
  Rect.Left += 2;
  Rect.Top += 2;
  Rect.Right -= 2;
  Rect.Bottom -= 2;
}

// ---- TCustomEdit, TEdit -------------------------------------------------------------------

const TClass& TCustomEdit::StaticClass() {
  static const TClass cls =
      TClassBuilder<TCustomEdit>("TCustomEdit")
          .Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, true)
          .Property("BorderStyle", &TCustomEdit::BorderStyle, &TCustomEdit::SetBorderStyle, bsSingle)
          .Property("MaxLength", &TCustomEdit::MaxLength, &TCustomEdit::SetMaxLength, 0)
          .Property("ReadOnly", &TCustomEdit::ReadOnly, &TCustomEdit::SetReadOnly, false)
          .Property("OnChange", &TCustomEdit::OnChange, &TCustomEdit::SetOnChange)
          .Build();
  return cls;
}

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
  SetBounds(0, 0, 121, 21);
  SetTabStop(true);
}

void TCustomEdit::SetBorderStyle(TBorderStyle Value) {
  if (Value != bsNone && Value != bsSingle) throw ERangeError("An edit's border style is bsNone or bsSingle");
  if (FBorderStyle == Value) return;
  FBorderStyle = Value;
  StyleChanged();
}

void TCustomEdit::SetMaxLength(int Value) {
  if (Value < 0) throw ERangeError("MaxLength can't be negative");
  FMaxLength = Value;
}

void TCustomEdit::SetReadOnly(bool Value) {
  if (FReadOnly == Value) return;
  FReadOnly = Value;
  StyleChanged();
}

void TCustomEdit::Change() {
  if (FOnChange && !IsLoading()) FOnChange(this);
}

void TCustomEdit::SetText(const std::string& Value) {
  if (Value == Text()) return;
  TWinControl::SetText(Value);
  Change();
}

void TCustomEdit::UserText(const std::string& Value) {
  if (FReadOnly) return;
  SetText(FMaxLength > 0 ? Utf16Truncate(Value, static_cast<std::size_t>(FMaxLength)) : Value);
}

bool TCustomEdit::WantsKey(std::uint16_t Key, TShiftState Shift) const { return isTextKey(Key, Shift); }

const TClass& TEdit::StaticClass() {
  static const TClass cls = TClassBuilder<TEdit>("TEdit").Property("Text", &TControl::Text, &TControl::SetText).Build();
  return cls;
}
RV_REGISTER_CLASS(TEdit)

TEdit::TEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

// ---- TMemo --------------------------------------------------------------------------------

const TClass& TMemo::StaticClass() {
  static const TClass cls = TClassBuilder<TMemo>("TMemo")
                                .Property("Lines", &TMemo::Lines)
                                .Property("ScrollBars", &TMemo::ScrollBars, &TMemo::SetScrollBars, ssNone)
                                .Property("WantReturns", &TMemo::WantReturns, &TMemo::SetWantReturns, true)
                                .Property("WantTabs", &TMemo::WantTabs, &TMemo::SetWantTabs, false)
                                .Property("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap, true)
                                .Build();
  return cls;
}
RV_REGISTER_CLASS(TMemo)

TMemo::TMemo(TComponent* AOwner) : TCustomEdit(AOwner), FLines(std::make_unique<TStringList>()) {
  SetBounds(0, 0, 185, 89);
  FLines->SetOnChange(TNotifyEvent(this, &TMemo::LinesChanged));
}

void TMemo::LinesChanged(TObject*) {
  NotifyWidgetSet(ccText);
  Change();
}

std::string TMemo::Text() const {
  std::string text;
  const std::vector<std::string>& lines = FLines->Lines();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) text += "\r\n";
    text += lines[i];
  }
  return text;
}

void TMemo::SetText(const std::string& Value) {
  if (Value == Text()) return;
  FLines->SetStrings(Value.empty() ? std::vector<std::string>{} : splitLines(Value));
}

void TMemo::SetScrollBars(TScrollStyle Value) {
  if (FScrollBars == Value) return;
  FScrollBars = Value;
  StyleChanged();
}

void TMemo::SetWordWrap(bool Value) {
  if (FWordWrap == Value) return;
  FWordWrap = Value;
  StyleChanged();
}

bool TMemo::WantsKey(std::uint16_t Key, TShiftState Shift) const {
  if (Key == VK_RETURN) return FWantReturns && !Shift.Contains(ssAlt);
  if (Key == VK_TAB) return FWantTabs && !Shift.Contains(ssAlt);
  return TCustomEdit::WantsKey(Key, Shift);
}

// ---- TComboBox ----------------------------------------------------------------------------

const TClass& TComboBox::StaticClass() {
  // Items come before ItemIndex and Text, which select among them.
  static const TClass cls = TClassBuilder<TComboBox>("TComboBox")
                                .Property("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop, true)
                                .Property("Style", &TComboBox::Style, &TComboBox::SetStyle, csDropDown)
                                .Property("Items", &TComboBox::Items)
                                .Property("ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex, -1)
                                .Property("Text", &TControl::Text, &TControl::SetText)
                                .Property("OnChange", &TComboBox::OnChange, &TComboBox::SetOnChange)
                                .Build();
  return cls;
}
RV_REGISTER_CLASS(TComboBox)

TComboBox::TComboBox(TComponent* AOwner) : TWinControl(AOwner), FItems(std::make_unique<TStringList>()) {
  SetBounds(0, 0, 145, 21);
  SetTabStop(true);
  FItems->SetOnChange(TNotifyEvent(this, &TComboBox::ItemsChanged));
}

void TComboBox::ItemsChanged(TObject*) {
  NotifyWidgetSet(ccItems);
  // The selection follows its item when others come or go.
  if (FItemIndex >= 0 && (FItemIndex >= FItems->Count() || !SameText(FItems->Get(FItemIndex), Text())))
    SetItemIndex(FItems->IndexOf(Text()));
}

void TComboBox::SetItemIndex(int Value) {
  if (Value < -1 || Value >= FItems->Count()) Value = -1;
  FItemIndex = Value;
  TWinControl::SetText(Value >= 0 ? FItems->Get(Value) : std::string());
}

void TComboBox::SetText(const std::string& Value) {
  const int index = FItems->IndexOf(Value);
  FItemIndex = index;
  // A drop-down list holds nothing but an item's text.
  TWinControl::SetText(index >= 0 || FStyle != csDropDownList ? Value : std::string());
}

void TComboBox::SetStyle(TComboBoxStyle Value) {
  if (FStyle == Value) return;
  FStyle = Value;
  NotifyWidgetSet(ccStyle);
  if (FStyle == csDropDownList && FItemIndex < 0) TWinControl::SetText({});
}

void TComboBox::Change() {
  if (FOnChange) FOnChange(this);
}

void TComboBox::UserText(const std::string& Value) {
  SetText(Value);
  Change();
}

void TComboBox::UserSelect(int Index) {
  SetItemIndex(Index);
  Change();
}

bool TComboBox::WantsKey(std::uint16_t Key, TShiftState Shift) const { return isTextKey(Key, Shift); }

}  // namespace rv
