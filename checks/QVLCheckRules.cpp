// The four providers with real rules: edit, numeric edit, check box and
// combo box.

#include <string>

#include "checks/QVLChecks.h"
#include "platform/classes/Published.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Convert.h"
#include "platform/rtl/Format.h"

namespace RV_API rv {

// ---- TQVLCheckProviderEdit -------------------------------------------------------

const TClass& TQVLCheckProviderEdit::StaticClass() {
  static const TClass cls =
      TClassBuilder<TQVLCheckProviderEdit>("TQVLCheckProviderEdit")
          .Property("Required", &TQVLCheckProviderEdit::Required, &TQVLCheckProviderEdit::SetRequired, true)
          .Build();
  return cls;
}
RV_REGISTER_CLASS(TQVLCheckProviderEdit)

TQVLCheckProviderEdit::TQVLCheckProviderEdit(TCollection* Collection) : TQVLCheckProvider(Collection) {
  SetHintText(std::string(sQVLEditboxEmpty));
}

bool TQVLCheckProviderEdit::HintMustBeStored() const { return HintDiffersFrom(sQVLEditboxEmpty); }

void TQVLCheckProviderEdit::InternalCheck() {
  TQVLCheckProvider::InternalCheck();
  if (!FRequired) return;
  // Nothing is trimmed: blanks are text.
  if (auto* memo = dynamic_cast<TMemo*>(CheckControl()); memo && memo->Lines()->Text().empty()) {
    SetCheckStatus(csFailed);
    return;
  }
  if (auto* edit = dynamic_cast<TCustomEdit*>(CheckControl()); edit && edit->Text().empty()) SetCheckStatus(csFailed);
}

void TQVLCheckProviderEdit::Assign(const TPersistent* Source) {
  TQVLCheckProvider::Assign(Source);
  if (auto* source = dynamic_cast<const TQVLCheckProviderEdit*>(Source)) FRequired = source->FRequired;
}

// ---- TQVLCheckProviderNumericEdit ------------------------------------------------

const TClass& TQVLCheckProviderNumericEdit::StaticClass() {
  static const TClass cls =
      TClassBuilder<TQVLCheckProviderNumericEdit>("TQVLCheckProviderNumericEdit")
          .Property("MinValue", &TQVLCheckProviderNumericEdit::MinValue, &TQVLCheckProviderNumericEdit::SetMinValue)
          .Property("MaxValue", &TQVLCheckProviderNumericEdit::MaxValue, &TQVLCheckProviderNumericEdit::SetMaxValue)
          .Build();
  return cls;
}
RV_REGISTER_CLASS(TQVLCheckProviderNumericEdit)

TQVLCheckProviderNumericEdit::TQVLCheckProviderNumericEdit(TCollection* Collection)
    : TQVLCheckProviderEdit(Collection) {
  SetHintText(std::string(sQVLEditboxRange));
}

bool TQVLCheckProviderNumericEdit::HintMustBeStored() const { return HintDiffersFrom(sQVLEditboxRange); }

std::string TQVLCheckProviderNumericEdit::GetHintText() const { return Format(sQVLEditboxRange, FMinValue, FMaxValue); }

void TQVLCheckProviderNumericEdit::InternalCheck() {
  TQVLCheckProviderEdit::InternalCheck();
  auto* edit = dynamic_cast<TCustomEdit*>(CheckControl());
  if (!edit || CheckStatus() == csFailed) return;
  const std::string text = edit->Text();
  // An empty box got here only because nothing is required of it.
  if (text.empty()) return;
  // Text that is no number fails the check; it is exactly what the check is
  // there to catch, so it must not escape as a conversion error.
  double value = 0;
  if (!TryStrToFloat(text, value) || !(value >= FMinValue && value <= FMaxValue)) SetCheckStatus(csFailed);
}

void TQVLCheckProviderNumericEdit::Assign(const TPersistent* Source) {
  TQVLCheckProviderEdit::Assign(Source);
  if (auto* source = dynamic_cast<const TQVLCheckProviderNumericEdit*>(Source)) {
    FMinValue = source->FMinValue;
    FMaxValue = source->FMaxValue;
  }
}

// ---- TQVLCheckProviderCheckbox ---------------------------------------------------

const TClass& TQVLCheckProviderCheckbox::StaticClass() {
  static const TClass cls =
      TClassBuilder<TQVLCheckProviderCheckbox>("TQVLCheckProviderCheckbox")
          .Property("Checked", &TQVLCheckProviderCheckbox::Checked, &TQVLCheckProviderCheckbox::SetChecked, true)
          .Build();
  return cls;
}
RV_REGISTER_CLASS(TQVLCheckProviderCheckbox)

TQVLCheckProviderCheckbox::TQVLCheckProviderCheckbox(TCollection* Collection) : TQVLCheckProvider(Collection) {
  SetHintText(std::string(sQVLCheckboxUnchecked));
}

bool TQVLCheckProviderCheckbox::HintMustBeStored() const { return HintDiffersFrom(sQVLCheckboxUnchecked); }

void TQVLCheckProviderCheckbox::InternalCheck() {
  TQVLCheckProvider::InternalCheck();
  auto* box = dynamic_cast<TCheckBox*>(CheckControl());
  if (box && FChecked && !box->Checked()) SetCheckStatus(csFailed);
}

void TQVLCheckProviderCheckbox::Assign(const TPersistent* Source) {
  TQVLCheckProvider::Assign(Source);
  if (auto* source = dynamic_cast<const TQVLCheckProviderCheckbox*>(Source)) FChecked = source->FChecked;
}

// ---- TQVLCheckProviderCombobox ---------------------------------------------------

const TClass& TQVLCheckProviderCombobox::StaticClass() {
  static const TClass cls =
      TClassBuilder<TQVLCheckProviderCombobox>("TQVLCheckProviderCombobox")
          .Property("Required", &TQVLCheckProviderCombobox::Required, &TQVLCheckProviderCombobox::SetRequired, true)
          .Build();
  return cls;
}
RV_REGISTER_CLASS(TQVLCheckProviderCombobox)

TQVLCheckProviderCombobox::TQVLCheckProviderCombobox(TCollection* Collection) : TQVLCheckProvider(Collection) {
  SetHintText(std::string(sQVLEditboxEmpty));
}

bool TQVLCheckProviderCombobox::HintMustBeStored() const { return HintDiffersFrom(sQVLEditboxEmpty); }

void TQVLCheckProviderCombobox::InternalCheck() {
  TQVLCheckProvider::InternalCheck();
  auto* box = dynamic_cast<TComboBox*>(CheckControl());
  if (box && FRequired && box->Text().empty()) SetCheckStatus(csFailed);
}

void TQVLCheckProviderCombobox::Assign(const TPersistent* Source) {
  TQVLCheckProvider::Assign(Source);
  if (auto* source = dynamic_cast<const TQVLCheckProviderCombobox*>(Source)) FRequired = source->FRequired;
}

}  // namespace rv
