#pragma once
// A small entry form for the input validation tests: one control of each
// kind a check provider knows, and a processor with one provider of each
// rule class bound to them. Its class is registered, so it reads back from
// a form file with its controls in its fields and OnCheck bound to
// ProviderChecked.

#include <vector>

#include "checks/QVLChecks.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

namespace rvtest {

class TCheckEntryForm : public rv::TForm {
  RV_CLASS(TCheckEntryForm, rv::TForm)
 public:
  // An empty form, as the form reader wants it; Build() fills it.
  explicit TCheckEntryForm(rv::TComponent* AOwner) : rv::TForm(AOwner) {}
  // The controls, all empty, and the processor with its four providers
  // (age from 18 to 120).
  void Build();
  void ProviderChecked(rv::TObject* Sender) { Checked.push_back(Sender); }

  rv::TEdit* edtName = nullptr;
  rv::TEdit* edtAge = nullptr;
  rv::TCheckBox* cbAgree = nullptr;
  rv::TComboBox* cbxCountry = nullptr;
  rv::TQVLCheckProcessor* Checks = nullptr;
  std::vector<rv::TObject*> Checked;
};

void RegisterCheckEntryForm();

}  // namespace rvtest
