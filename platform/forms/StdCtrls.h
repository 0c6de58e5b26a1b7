#pragma once
// The standard controls: TButton, TCheckBox, TLabel, TGroupBox, the edits
// (TCustomEdit, TEdit, TMemo) and TComboBox. Model objects, GUI thread only.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/classes/Strings.h"
#include "platform/forms/Controls.h"
#include "platform/forms/Dialogs.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

RV_ENUM(TCheckBoxState, std::uint8_t, cbUnchecked, cbChecked, cbGrayed)
RV_ENUM(TTextLayout, std::uint8_t, tlTop, tlCenter, tlBottom)
RV_ENUM(TScrollStyle, std::uint8_t, ssNone, ssHorizontal, ssVertical, ssBoth)
RV_ENUM(TComboBoxStyle, std::uint8_t, csDropDown, csSimple, csDropDownList, csOwnerDrawFixed, csOwnerDrawVariable)

// A push button. Enter clicks the form's Default button, Esc its Cancel
// button (TCustomForm::HandleKey).
class TButton : public TWinControl {
  RV_CLASS(TButton, TWinControl)
 public:
  explicit TButton(TComponent* AOwner);

  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool Value);
  // Clicking sets the form's ModalResult to it, which ends a modal form
  // when not mrNone.
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }

  void Click() override;

 private:
  bool FDefault = false;
  bool FCancel = false;
  TModalResult FModalResult = mrNone;
};

class TCheckBox : public TWinControl {
  RV_CLASS(TCheckBox, TWinControl)
 public:
  explicit TCheckBox(TComponent* AOwner);

  // Where the text sits beside the box: taLeftJustify or taRightJustify
  // (raises ERangeError for taCenter).
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  // Whether clicking passes through cbGrayed.
  bool AllowGrayed() const { return FAllowGrayed; }
  void SetAllowGrayed(bool Value) { FAllowGrayed = Value; }
  bool Checked() const { return FState == cbChecked; }
  void SetChecked(bool Value) { SetState(Value ? cbChecked : cbUnchecked); }
  // A change raises OnClick (except while loading).
  TCheckBoxState State() const { return FState; }
  void SetState(TCheckBoxState Value);
  // The next state: unchecked, (grayed,) checked, unchecked...
  void Toggle();

  // A click by the user toggles the box.
  void UserClick() override { Toggle(); }

 private:
  TAlignment FAlignment = taRightJustify;
  bool FAllowGrayed = false;
  TCheckBoxState FState = cbUnchecked;
};

// A text; it can't take the focus.
class TLabel : public TControl {
  RV_CLASS(TLabel, TControl)
 public:
  explicit TLabel(TComponent* AOwner);

  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  // Sized to its caption (a blank caption measures as one space); with
  // WordWrap only the height follows, the width stays. A right-justified
  // label keeps its right edge.
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  TTextLayout Layout() const { return FLayout; }
  void SetLayout(TTextLayout Value);
  // '&' marks the next character as an accelerator ("&&" is an '&').
  bool ShowAccelChar() const { return FShowAccelChar; }
  void SetShowAccelChar(bool Value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);

 protected:
  void AdjustSize() override;

 private:
  void StyleChanged();

  TAlignment FAlignment = taLeftJustify;
  bool FAutoSize = true;
  TTextLayout FLayout = tlTop;
  bool FShowAccelChar = true;
  bool FTransparent = false;
  bool FWordWrap = false;
};

// A frame with a caption around other controls.
class TGroupBox : public TWinControl {
  RV_CLASS(TGroupBox, TWinControl)
 public:
  explicit TGroupBox(TComponent* AOwner);
  // Children are aligned inside the frame, below the caption.
  void AdjustClientRect(TRect& Rect) const override;
};

// The base of the text-entry controls.
class TCustomEdit : public TWinControl {
  RV_CLASS(TCustomEdit, TWinControl)
 public:
  explicit TCustomEdit(TComponent* AOwner);

  // bsNone or bsSingle (raises ERangeError for the form styles).
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value);
  // The most characters (UTF-16 code units) the user can enter; 0: no limit.
  // Text set in code is not cut.
  int MaxLength() const { return FMaxLength; }
  void SetMaxLength(int Value);
  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool Value);
  // Raised after every change of the text, except while loading.
  TNotifyEvent OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

  void SetText(const std::string& Value) override;
  // Ignored while read-only; cut to MaxLength.
  void UserText(const std::string& Value) override;
  bool WantsKey(std::uint16_t Key, TShiftState Shift) const override;

 protected:
  void Change();
  void StyleChanged() { NotifyWidgetSet(ccStyle); }

 private:
  TBorderStyle FBorderStyle = bsSingle;
  int FMaxLength = 0;
  bool FReadOnly = false;
  TNotifyEvent FOnChange;
};

class TEdit : public TCustomEdit {
  RV_CLASS(TEdit, TCustomEdit)
 public:
  explicit TEdit(TComponent* AOwner);
};

class TMemo : public TCustomEdit {
  RV_CLASS(TMemo, TCustomEdit)
 public:
  explicit TMemo(TComponent* AOwner);

  // Owned by the memo; a change of the lines is a change of the text.
  TStrings* Lines() const { return FLines.get(); }
  void SetLines(const TStrings* Value) { FLines->Assign(Value); }
  TScrollStyle ScrollBars() const { return FScrollBars; }
  void SetScrollBars(TScrollStyle Value);
  // Enter (and Tab with WantTabs) go into the text instead of the form.
  bool WantReturns() const { return FWantReturns; }
  void SetWantReturns(bool Value) { FWantReturns = Value; }
  bool WantTabs() const { return FWantTabs; }
  void SetWantTabs(bool Value) { FWantTabs = Value; }
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);

  // The lines joined with CR LF (no break after the last); setting it
  // splits at CR LF, LF or CR, so "a\r\n" is two lines, the second empty.
  std::string Text() const override;
  void SetText(const std::string& Value) override;
  bool WantsKey(std::uint16_t Key, TShiftState Shift) const override;

 private:
  void LinesChanged(TObject* Sender);

  std::unique_ptr<TStringList> FLines;
  TScrollStyle FScrollBars = ssNone;
  bool FWantReturns = true;
  bool FWantTabs = false;
  bool FWordWrap = true;
};

class TComboBox : public TWinControl {
  RV_CLASS(TComboBox, TWinControl)
 public:
  explicit TComboBox(TComponent* AOwner);

  // Owned by the combo box. The selection follows its item when others come
  // or go; removing the selected item clears the selection and the text.
  TStrings* Items() const { return FItems.get(); }
  void SetItems(const TStrings* Value) { FItems->Assign(Value); }
  // The selected item (-1: none); selecting puts its text into Text. An
  // index outside the items selects none and clears the text.
  int ItemIndex() const { return FItemIndex; }
  void SetItemIndex(int Value);
  // csDropDownList boxes only hold the text of an item.
  TComboBoxStyle Style() const { return FStyle; }
  void SetStyle(TComboBoxStyle Value);
  // Setting the text selects the item of that text (case-insensitive), if any.
  void SetText(const std::string& Value) override;
  // Raised when the user changes the text or picks an item, not for changes
  // made in code.
  TNotifyEvent OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Value) { FOnChange = std::move(Value); }

  void UserText(const std::string& Value) override;
  // The user picked an item from the list.
  void UserSelect(int Index);
  bool WantsKey(std::uint16_t Key, TShiftState Shift) const override;

 private:
  void ItemsChanged(TObject* Sender);
  void Change();

  std::unique_ptr<TStringList> FItems;
  int FItemIndex = -1;
  TComboBoxStyle FStyle = csDropDown;
  TNotifyEvent FOnChange;
};

}  // namespace rv
