#include "tests/support/CheckEntryForm.h"

#include <string>

#include "platform/classes/Published.h"

using namespace rv;

namespace rvtest {

const TClass& TCheckEntryForm::StaticClass() {
  static const TClass cls = TClassBuilder<TCheckEntryForm>("TCheckEntryForm")
                                .Field("edtName", &TCheckEntryForm::edtName)
                                .Field("edtAge", &TCheckEntryForm::edtAge)
                                .Field("cbAgree", &TCheckEntryForm::cbAgree)
                                .Field("cbxCountry", &TCheckEntryForm::cbxCountry)
                                .Field("Checks", &TCheckEntryForm::Checks)
                                .Method("ProviderChecked", &TCheckEntryForm::ProviderChecked)
                                .Build();
  return cls;
}

namespace {

template <class T>
T* place(TCheckEntryForm* form, const std::string& name, int top, int height) {
  auto* control = new T(form);
  control->SetName(name);
  control->SetParent(form);
  control->SetBounds(10, top, 150, height);
  return control;
}

}  // namespace

void TCheckEntryForm::Build() {
  SetName("EntryForm");
  SetBounds(200, 200, 260, 140);
  edtName = place<TEdit>(this, "edtName", 10, 21);
  edtAge = place<TEdit>(this, "edtAge", 40, 21);
  cbAgree = place<TCheckBox>(this, "cbAgree", 70, 17);
  cbxCountry = place<TComboBox>(this, "cbxCountry", 100, 21);
  cbxCountry->SetStyle(csDropDownList);
  cbxCountry->Items()->Add("Austria");
  cbxCountry->Items()->Add("Chile");
  // Empty texts, as the controls' constructors may leave a default one.
  edtName->SetText("");
  edtAge->SetText("");

  Checks = new TQVLCheckProcessor(this);
  Checks->SetName("Checks");
  TQVLCheckProviders* providers = Checks->CheckProviders();
  (new TQVLCheckProviderEdit(providers))->SetCheckControl(edtName);
  auto* age = new TQVLCheckProviderNumericEdit(providers);
  age->SetCheckControl(edtAge);
  age->SetMinValue(18);
  age->SetMaxValue(120);
  (new TQVLCheckProviderCheckbox(providers))->SetCheckControl(cbAgree);
  (new TQVLCheckProviderCombobox(providers))->SetCheckControl(cbxCountry);
}

void RegisterCheckEntryForm() { RegisterClass(TCheckEntryForm::StaticClass()); }

}  // namespace rvtest
