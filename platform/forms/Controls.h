#pragma once
// Controls: TControl, the base of everything placed on a form, and
// TWinControl, a control that holds child controls and can take the keyboard
// focus; TFont; the enumerations, cursors and keys controls share.
//
// Controls are model objects: they own all their state. A widget set
// (WidgetSet.h) mirrors them onto real windows when a form is shown and is
// told of every change of mirrored state; it keeps no state of its own.
// Everything here runs on the GUI thread.

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/forms/Messages.h"
#include "platform/graphics/Graphics.h"
#include "platform/rtl/Export.h"
#include "platform/rtl/Set.h"

namespace RV_API rv {

class TWinControl;
class TCustomForm;

RV_ENUM(TAlign, std::uint8_t, alNone, alTop, alBottom, alLeft, alRight, alClient)
RV_ENUM(TAlignment, std::uint8_t, taLeftJustify, taRightJustify, taCenter)
RV_ENUM(TFontStyle, std::uint8_t, fsBold, fsItalic, fsUnderline, fsStrikeOut)
using TFontStyles = Set<TFontStyle, std::uint8_t>;
// Forms take every border style; edits and memos only bsNone and bsSingle.
RV_ENUM(TFormBorderStyle, std::uint8_t, bsNone, bsSingle, bsSizeable, bsDialog, bsToolWindow, bsSizeToolWin)
using TBorderStyle = TFormBorderStyle;

// What changed on a control, for the widget set to mirror (see WidgetSet.h).
enum TControlChange : std::uint8_t {
  ccBounds,   // Left, Top, Width, Height
  ccText,     // Caption or Text, a memo's Lines, a combo box's selected text
  ccVisible,  // a control's own Visible (forms: FormShown/FormHidden)
  ccEnabled,
  ccChecked,  // a check box's State
  ccItems,    // a combo box's Items
  ccFont,
  ccColor,
  ccHint,     // Hint or ShowHint
  ccFocus,    // this control became its form's ActiveControl
  ccParent,   // the control was put into another parent (or none)
  ccPicture,  // an image's Picture, a form's Icon
  ccStyle,    // any other appearance: alignment, word wrap, borders, bevels,
              // read-only, scroll bars, cursor, default/cancel, combo style...
};

// Cursors, with their classic values.
using TCursor = std::int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crSizeNESW = -6;
constexpr TCursor crSizeNS = -7;
constexpr TCursor crSizeNWSE = -8;
constexpr TCursor crSizeWE = -9;
constexpr TCursor crUpArrow = -10;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crDrag = -12;
constexpr TCursor crNoDrop = -13;
constexpr TCursor crHSplit = -14;
constexpr TCursor crVSplit = -15;
constexpr TCursor crMultiDrag = -16;
constexpr TCursor crSQLWait = -17;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHelp = -20;
constexpr TCursor crHandPoint = -21;
constexpr TCursor crSizeAll = -22;
bool CursorToIdent(TCursor Cursor, std::string& Ident);
bool IdentToCursor(std::string_view Ident, TCursor& Cursor);

// Character sets of fonts, with their classic values.
using TFontCharset = std::uint8_t;
constexpr TFontCharset ANSI_CHARSET = 0;
constexpr TFontCharset DEFAULT_CHARSET = 1;
constexpr TFontCharset SYMBOL_CHARSET = 2;
constexpr TFontCharset SHIFTJIS_CHARSET = 128;
constexpr TFontCharset GB2312_CHARSET = 134;
constexpr TFontCharset CHINESEBIG5_CHARSET = 136;
constexpr TFontCharset GREEK_CHARSET = 161;
constexpr TFontCharset TURKISH_CHARSET = 162;
constexpr TFontCharset HEBREW_CHARSET = 177;
constexpr TFontCharset ARABIC_CHARSET = 178;
constexpr TFontCharset BALTIC_CHARSET = 186;
constexpr TFontCharset RUSSIAN_CHARSET = 204;
constexpr TFontCharset EASTEUROPE_CHARSET = 238;
constexpr TFontCharset OEM_CHARSET = 255;
bool CharsetToIdent(TFontCharset Charset, std::string& Ident);
bool IdentToCharset(std::string_view Ident, TFontCharset& Charset);

// Keys as virtual-key codes: letters and digits are their upper-case ASCII codes.
constexpr std::uint16_t VK_BACK = 0x08;
constexpr std::uint16_t VK_TAB = 0x09;
constexpr std::uint16_t VK_RETURN = 0x0D;
constexpr std::uint16_t VK_ESCAPE = 0x1B;
constexpr std::uint16_t VK_SPACE = 0x20;
constexpr std::uint16_t VK_F1 = 0x70;
constexpr std::uint16_t VK_F24 = 0x87;
enum TShiftStateItem : std::uint8_t { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = Set<TShiftStateItem, std::uint8_t>;

// ---- TFont ------------------------------------------------------------------

// Typeface, size, colour and style of a control's text. Stored whole (no
// declared defaults) whenever the control doesn't take its parent's font.
class TFont : public TPersistent {
  RV_CLASS(TFont, TPersistent)
 public:
  // Sizes convert between points and pixels at this resolution.
  static constexpr int PixelsPerInch = 96;

  TFont() = default;

  TFontCharset Charset() const { return FCharset; }
  void SetCharset(TFontCharset Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  // Negative: the character height in pixels; positive: the cell height.
  int Height() const { return FHeight; }
  void SetHeight(int Value);
  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value);
  // In points, from Height (not stored).
  int Size() const;
  void SetSize(int Value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles Value);

  void Assign(const TPersistent* Source) override;

  TNotifyEvent OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

 private:
  void Changed();

  TFontCharset FCharset = DEFAULT_CHARSET;
  TColor FColor = clWindowText;
  int FHeight = -11;
  std::string FName = "MS Sans Serif";
  TFontStyles FStyle;
  TNotifyEvent FOnChange;
};

// ---- TControl ---------------------------------------------------------------

class TControl : public TComponent {
  RV_CLASS(TControl, TComponent)
 public:
  explicit TControl(TComponent* AOwner);
  // Leaves its parent; the widget set hears ControlDestroying first.
  ~TControl() override;

  // ---- Position and size, in pixels relative to the parent's client area ----
  int Left() const { return FLeft; }
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  int Top() const { return FTop; }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  int Width() const { return FWidth; }
  void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  int Height() const { return FHeight; }
  void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  // Negative sizes count as 0. An aligned control is put back in its place
  // by its parent.
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect BoundsRect() const;
  // The window manager draws a form's frame outside its client area, and
  // controls draw their borders inside theirs: the client area is the
  // whole control.
  int ClientWidth() const { return FWidth; }
  void SetClientWidth(int Value) { SetWidth(Value); }
  int ClientHeight() const { return FHeight; }
  void SetClientHeight(int Value) { SetHeight(Value); }
  TRect ClientRect() const { return TRect{0, 0, FWidth, FHeight}; }
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);

  // ---- State ----
  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool Value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // The control's own Enabled; it also stays unusable while a parent is disabled.
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  TWinControl* Parent() const { return FParent; }
  // Raises EInvalidOperation for a parent inside this control.
  virtual void SetParent(TWinControl* AParent);

  // ---- Text ----
  // Caption and Text are the same text, named Text for edits.
  std::string Caption() const { return Text(); }
  void SetCaption(const std::string& Value) { SetText(Value); }
  virtual std::string Text() const { return FText; }
  virtual void SetText(const std::string& Value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);
  // Setting ShowHint stops taking the parent's.
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool Value);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool Value);
  // What F1 on the control asks the application's help about: the keyword
  // when there is one, else a non-zero context; else the parent's.
  std::int32_t HelpContext() const { return FHelpContext; }
  void SetHelpContext(std::int32_t Value) { FHelpContext = Value; }
  const std::string& HelpKeyword() const { return FHelpKeyword; }
  void SetHelpKeyword(const std::string& Value) { FHelpKeyword = Value; }

  // ---- Appearance ----
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  // Owned by the control. Changing it stops taking the parent's font.
  TFont* Font() const { return FFont.get(); }
  void SetFont(const TFont* Value) { FFont->Assign(Value); }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  // Setting Color stops taking the parent's colour.
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);

  // ---- Events ----
  TNotifyEvent OnClick() const { return FOnClick; }
  void SetOnClick(TNotifyEvent Value) { FOnClick = std::move(Value); }
  // Raises OnClick.
  virtual void Click();

  // ---- Entry points for widget sets (use the Feed functions of
  // WidgetSet.h, which run them guarded) ----
  // The user clicked the control: Click, or what the control does instead.
  virtual void UserClick() { Click(); }
  // The user changed the control's text.
  virtual void UserText(const std::string& Value) { SetText(Value); }

  // ---- Storage ----
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;
  void Loaded() override;

 protected:
  // Tells the widget set in use (nothing while the control is destroyed).
  void NotifyWidgetSet(TControlChange Change);
  // Recomputes the size of a control that sizes itself (AutoSize).
  virtual void AdjustSize() {}
  // After Visible or Enabled changed.
  virtual void VisibleChanged();
  virtual void EnabledChanged();
  // Asks the parent to lay out its aligned children again.
  void RequestAlign();
  // Starts destruction once: marks the control and what it owns as being
  // destroyed, tells the widget set and leaves the parent. The destructors
  // of TControl, TWinControl and TCustomForm call it first, so it runs
  // while as much of the object as possible still exists.
  void Destroying();
  bool IsLoading() const { return ComponentState().Contains(csLoading); }
  bool IsDestroying() const { return FDestroying; }
  // The font changed (TFont's OnChange).
  virtual void FontChanged(TObject* Sender);
  // Font, colour or hint setting changed: the children that take them over
  // follow (Method is one of the Parent...Changed below).
  virtual void NotifyChildren(void (TControl::*)()) {}
  // The parent's font, colour or hint setting changed, or the control got a
  // parent: take it over where the control does.
  void ParentFontChanged();
  void ParentColorChanged();
  void ParentShowHintChanged();

 private:
  friend class TWinControl;
  friend class TCustomForm;

  // Runs Fn while changes of Font, Color or ShowHint come from the parent,
  // so they don't end the taking over.
  template <class F>
  void Inherit(F&& Fn);

  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  bool FVisible = true;
  bool FEnabled = true;
  TWinControl* FParent = nullptr;
  std::string FText;
  std::string FHint;
  std::int32_t FHelpContext = 0;
  std::string FHelpKeyword;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TCursor FCursor = crDefault;
  std::unique_ptr<TFont> FFont;
  bool FParentFont = true;
  TColor FColor = clWindow;
  bool FParentColor = false;
  bool FInheriting = false;  // Font, Color or ShowHint are being taken from the parent
  bool FDestroying = false;
  TNotifyEvent FOnClick;
};

// The form a control is on (its top-most parent when that is a form), or null.
TCustomForm* GetParentForm(const TControl* Control);

// ---- TWinControl ------------------------------------------------------------

class TWinControl : public TControl {
  RV_CLASS(TWinControl, TControl)
 public:
  explicit TWinControl(TComponent* AOwner);
  // Destroys its child controls, whoever owns them.
  ~TWinControl() override;

  // ---- Children, in the order they were put in ----
  int ControlCount() const { return static_cast<int>(FControls.size()); }
  // Raises EListError for an index out of range.
  TControl* Controls(int Index) const;
  // This control or one inside it.
  bool ContainsControl(const TControl* Control) const;

  // ---- Tab order among the windowed siblings ----
  // The place in the parent's tab order (-1 without a parent). Setting it
  // moves the control there (clamped to the siblings) and renumbers the
  // others; while loading, the value is kept and applied once the parent
  // has all its children.
  int TabOrder() const;
  void SetTabOrder(int Value);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool Value) { FTabStop = Value; }
  // The windowed controls inside this one in tab order, depth first.
  void GetTabOrderList(std::vector<TWinControl*>& List) const;
  // The control after (or before) CurControl in tab order among those inside
  // this one, wrapping around; only ones that can take the focus and, with
  // CheckTabStop, have TabStop. Null when there is none.
  TWinControl* FindNextControl(TWinControl* CurControl, bool GoForward, bool CheckTabStop) const;
  // Moves the focus there.
  void SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop);

  // ---- Focus ----
  // Visible and enabled, as are all its parents up to the form it is on.
  virtual bool CanFocus() const;
  // Makes this control its form's ActiveControl (and the screen's when the
  // form is active). Raises EInvalidOperation "Cannot focus a disabled or
  // invisible window" when it can't take the focus.
  virtual void SetFocus();
  // This control has the focus of the active form.
  bool Focused() const;
  // True for the keys the control takes itself (text entry): they are not
  // the form's dialog keys (Tab, Enter, Esc, accelerators).
  virtual bool WantsKey(std::uint16_t Key, TShiftState Shift) const;

  // ---- Layout ----
  // Lays out the aligned children inside the client area.
  void Realign();
  // The area children are aligned in: the client area less borders, bevels
  // and captions.
  virtual void AdjustClientRect(TRect& Rect) const;

  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void GetChildren(std::vector<TComponent*>& Children, TComponent* Root) const override;
  void Loaded() override;

 protected:
  void VisibleChanged() override;
  void EnabledChanged() override;
  void FontChanged(TObject* Sender) override;
  void NotifyChildren(void (TControl::*Method)()) override;
  // The form this control is on, unless either is being destroyed.
  TCustomForm* LiveForm() const;

 private:
  friend class TControl;

  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  void AlignControls(TControl* AControl);
  void FixupTabList();
  // The control left without the focus (hidden, disabled or removed).
  void RemoveFocus();
  template <class F>
  void ForEachChild(F&& Fn) const {
    const std::vector<TControl*> children = FControls;  // a handler may change the list
    for (TControl* c : children) Fn(c);
  }

  std::vector<TControl*> FControls;
  std::vector<TWinControl*> FTabList;
  int FTabOrder = -1;  // the stored value while loading or without a parent
  bool FTabStop = false;
  int FAlignLevel = 0;
};

// A hint is "short|long": tooltips show the short part; without a '|' both
// are the whole hint.
std::string GetShortHint(const std::string& Hint);
std::string GetLongHint(const std::string& Hint);

}  // namespace rv
