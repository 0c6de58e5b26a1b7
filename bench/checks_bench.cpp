// A check processor with 100 providers (25 of each rule) on valid input,
// against the same 100 checks written by hand over the controls.

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "bench/support/Compare.h"
#include "checks/QVLChecks.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Convert.h"

using namespace rv;

namespace {

constexpr int kEach = 25;

struct TBenchForm {
  std::unique_ptr<TForm> Form = std::make_unique<TForm>(nullptr);
  TQVLCheckProcessor* Checks = new TQVLCheckProcessor(Form.get());
  std::vector<TEdit*> Names, Numbers;
  std::vector<TCheckBox*> Boxes;
  std::vector<TComboBox*> Combos;

  template <class T>
  T* add() {
    auto* control = new T(Form.get());
    control->SetParent(Form.get());
    return control;
  }

  TBenchForm() {
    TQVLCheckProviders* providers = Checks->CheckProviders();
    for (int i = 0; i < kEach; ++i) {
      Names.push_back(add<TEdit>());
      Names.back()->SetText("Ada");
      (new TQVLCheckProviderEdit(providers))->SetCheckControl(Names.back());
      Numbers.push_back(add<TEdit>());
      Numbers.back()->SetText("36.5");
      auto* range = new TQVLCheckProviderNumericEdit(providers);
      range->SetCheckControl(Numbers.back());
      range->SetMinValue(18);
      range->SetMaxValue(120);
      Boxes.push_back(add<TCheckBox>());
      Boxes.back()->SetChecked(true);
      (new TQVLCheckProviderCheckbox(providers))->SetCheckControl(Boxes.back());
      Combos.push_back(add<TComboBox>());
      Combos.back()->SetText("Chile");
      (new TQVLCheckProviderCombobox(providers))->SetCheckControl(Combos.back());
    }
  }
};

TBenchForm& benchForm() {
  static TBenchForm form;
  return form;
}

void BM_Execute(benchmark::State& state) {
  TBenchForm& f = benchForm();
  for (auto _ : state) benchmark::DoNotOptimize(f.Checks->Execute());
  state.SetItemsProcessed(state.iterations() * 4 * kEach);
}
BENCHMARK(BM_Execute);

// The same rules, written for these controls.
void BM_ByHand(benchmark::State& state) {
  TBenchForm& f = benchForm();
  for (auto _ : state) {
    int failed = 0;
    for (int i = 0; i < kEach; ++i) {
      failed += f.Names[i]->Text().empty();
      double value = 0;
      failed += !TryStrToFloat(f.Numbers[i]->Text(), value) || value < 18 || value > 120;
      failed += !f.Boxes[i]->Checked();
      failed += f.Combos[i]->Text().empty();
    }
    benchmark::DoNotOptimize(failed);
  }
  state.SetItemsProcessed(state.iterations() * 4 * kEach);
}
BENCHMARK(BM_ByHand);

}  // namespace

int main(int argc, char** argv) {
  if (!benchForm().Checks->Execute()) return 1;
  return rvbench::RunAndCompare(argc, argv, {{"Execute vs the checks by hand", "BM_Execute", "BM_ByHand", 0}});
}
