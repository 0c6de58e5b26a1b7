#include "examples/demo/DemoChecks.h"

#include <chrono>
#include <cstdio>
#include <string>

#include "checks/QVLChecks.h"
#include "platform/classes/Thread.h"
#include "platform/forms/Application.h"
#include "platform/forms/EventLoop.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/WidgetSet.h"

using namespace rv;

namespace {

template <class T>
T* place(TForm& form, const std::string& caption, int top) {
  auto* label = new TLabel(&form);
  label->SetParent(&form);
  label->SetBounds(10, top + 3, 70, 17);
  label->SetCaption(caption);
  auto* control = new T(&form);
  control->SetParent(&form);
  control->SetBounds(85, top, 150, 21);
  return control;
}

// Runs the loop for a while, so a user sees what the form shows.
void showFor(std::chrono::milliseconds time) {
  const auto end = std::chrono::steady_clock::now() + time;
  while (std::chrono::steady_clock::now() < end) {
    Application->ProcessMessages();
    EventLoop().Wait(20);
  }
}

void printVerdicts(TQVLCheckProcessor& checks, bool valid) {
  std::printf("  Execute: %s, %d failed\n", valid ? "valid" : "not valid", checks.FailedCount());
  for (int i = 0; i < checks.CheckProviders()->Count(); ++i) {
    TQVLCheckProvider* p = checks.CheckProviders()->GetCheckProvider(i);
    const std::string verdict = p->CheckStatus() == csFailed ? "failed: " + p->GetHintText() : "valid";
    std::printf("    %-28s %s\n", p->ClassName().c_str(), verdict.c_str());
  }
}

}  // namespace

void DemoChecks() {
  const bool visible = WidgetSet()->Interactive();
  std::printf("input validation: an entry form checked by a check processor%s\n",
              visible ? " (shown for a few seconds)" : "");
  TForm form(nullptr);
  form.SetCaption("Check processor");
  form.SetBounds(200, 200, 270, 160);
  form.SetShowHint(true);
  auto* name = place<TEdit>(form, "Name", 10);
  auto* age = place<TEdit>(form, "Age", 40);
  auto* agree = new TCheckBox(&form);
  agree->SetParent(&form);
  agree->SetBounds(85, 70, 150, 17);
  agree->SetCaption("I agree");
  auto* country = place<TComboBox>(form, "Country", 95);
  country->SetStyle(csDropDownList);
  country->Items()->Add("Austria");
  country->Items()->Add("Chile");
  name->SetText("");
  age->SetText("");

  auto* checks = new TQVLCheckProcessor(&form);
  TQVLCheckProviders* providers = checks->CheckProviders();
  (new TQVLCheckProviderEdit(providers))->SetCheckControl(name);
  auto* ageRange = new TQVLCheckProviderNumericEdit(providers);
  ageRange->SetCheckControl(age);
  ageRange->SetMinValue(18);
  ageRange->SetMaxValue(120);
  (new TQVLCheckProviderCheckbox(providers))->SetCheckControl(agree);
  (new TQVLCheckProviderCombobox(providers))->SetCheckControl(country);

  if (visible) form.Show();
  age->SetText("seventeen");
  std::printf("  wrong input (no name, age 'seventeen', not agreed, no country):\n");
  printVerdicts(*checks, checks->Execute());
  if (visible) showFor(std::chrono::milliseconds(2500));

  name->SetText("Ada");
  age->SetText("36");
  agree->SetChecked(true);
  country->SetItemIndex(0);
  std::printf("  right input:\n");
  printVerdicts(*checks, checks->Execute());
  if (visible) {
    showFor(std::chrono::milliseconds(1500));
    form.Close();
  }
}
