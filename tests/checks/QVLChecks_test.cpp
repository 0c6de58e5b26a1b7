// Check providers and the check processor on headless forms: the rules,
// the hints, assignment, the images beside failed controls, the focus and
// the beep, and what happens when controls or images go away.

#include "checks/QVLChecks.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/Resources.h"
#include "platform/classes/Strings.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FormatSettings.h"
#include "platform/rtl/ScopeGuard.h"
#include "tests/support/CheckEntryForm.h"
#include "tests/support/RecordingBeep.h"

using namespace rv;
using namespace rvtest;

namespace {

template <class T>
T* add(TForm& form, int top = 10) {
  auto* control = new T(&form);
  control->SetParent(&form);
  control->SetBounds(10, top, 100, 21);
  return control;
}

// ---- The rules -----------------------------------------------------------------

struct RuleCase {
  const char* Name;
  // Makes the provider (bound to its control) in the collection; returns it.
  std::function<TQVLCheckProvider*(TQVLCheckProviders&, TForm&)> Make;
  TQVLCheckStatus Expected;
};

TQVLCheckProvider* edit(TQVLCheckProviders& p, TForm& f, const char* text, bool required = true) {
  auto* provider = new TQVLCheckProviderEdit(&p);
  auto* control = add<TEdit>(f);
  control->SetText(text);
  provider->SetCheckControl(control);
  provider->SetRequired(required);
  return provider;
}

TQVLCheckProvider* memo(TQVLCheckProviders& p, TForm& f, const char* text) {
  auto* provider = new TQVLCheckProviderEdit(&p);
  auto* control = add<TMemo>(f);
  control->SetText(text);
  provider->SetCheckControl(control);
  return provider;
}

TQVLCheckProvider* number(TQVLCheckProviders& p, TForm& f, const char* text, double min, double max,
                          bool required = true) {
  auto* provider = new TQVLCheckProviderNumericEdit(&p);
  auto* control = add<TEdit>(f);
  control->SetText(text);
  provider->SetCheckControl(control);
  provider->SetMinValue(min);
  provider->SetMaxValue(max);
  provider->SetRequired(required);
  return provider;
}

TQVLCheckProvider* checkbox(TQVLCheckProviders& p, TForm& f, bool ticked, bool demanded = true) {
  auto* provider = new TQVLCheckProviderCheckbox(&p);
  auto* control = add<TCheckBox>(f);
  control->SetChecked(ticked);
  provider->SetCheckControl(control);
  provider->SetChecked(demanded);
  return provider;
}

TQVLCheckProvider* combo(TQVLCheckProviders& p, TForm& f, int selected) {
  auto* provider = new TQVLCheckProviderCombobox(&p);
  auto* control = add<TComboBox>(f);
  control->SetStyle(csDropDownList);
  control->Items()->Add("one");
  control->SetItemIndex(selected);
  provider->SetCheckControl(control);
  return provider;
}

class RuleTest : public ::testing::TestWithParam<RuleCase> {};

TEST_P(RuleTest, GivesItsVerdict) {
  TForm form(nullptr);
  TQVLCheckProcessor processor(nullptr);
  TQVLCheckProvider* provider = GetParam().Make(*processor.CheckProviders(), form);
  EXPECT_EQ(provider->CheckStatus(), csUnknown);
  provider->ExecuteCheck();
  EXPECT_EQ(provider->CheckStatus(), GetParam().Expected);
}

using P = TQVLCheckProviders;
INSTANTIATE_TEST_SUITE_P(
    Providers, RuleTest,
    ::testing::Values(
        RuleCase{"EditEmpty", [](P& p, TForm& f) { return edit(p, f, ""); }, csFailed},
        RuleCase{"EditBlanksAreText", [](P& p, TForm& f) { return edit(p, f, "  "); }, csValid},
        RuleCase{"EditNotRequired", [](P& p, TForm& f) { return edit(p, f, "", false); }, csValid},
        RuleCase{"MemoEmpty", [](P& p, TForm& f) { return memo(p, f, ""); }, csFailed},
        RuleCase{"MemoBlankLine", [](P& p, TForm& f) { return memo(p, f, " \r\n"); }, csValid},
        RuleCase{"NumberDefaultBoundsZero", [](P& p, TForm& f) { return number(p, f, "0", 0, 0); }, csValid},
        RuleCase{"NumberDefaultBoundsOther", [](P& p, TForm& f) { return number(p, f, "0.5", 0, 0); }, csFailed},
        RuleCase{"NumberLowerBound", [](P& p, TForm& f) { return number(p, f, "5", 5, 10); }, csValid},
        RuleCase{"NumberUpperBound", [](P& p, TForm& f) { return number(p, f, "10", 5, 10); }, csValid},
        RuleCase{"NumberBelow", [](P& p, TForm& f) { return number(p, f, "4.99", 5, 10); }, csFailed},
        RuleCase{"NumberAbove", [](P& p, TForm& f) { return number(p, f, "10.01", 5, 10); }, csFailed},
        RuleCase{"NumberBoundsCrossed", [](P& p, TForm& f) { return number(p, f, "7", 10, 5); }, csFailed},
        RuleCase{"NumberEmptyRequired", [](P& p, TForm& f) { return number(p, f, "", 5, 10); }, csFailed},
        RuleCase{"NumberEmptyNotRequired", [](P& p, TForm& f) { return number(p, f, "", 5, 10, false); }, csValid},
        RuleCase{"NumberNotANumber", [](P& p, TForm& f) { return number(p, f, "seven", 5, 10); }, csFailed},
        RuleCase{"NumberNotANumberNotRequired", [](P& p, TForm& f) { return number(p, f, "7x", 5, 10, false); },
                 csFailed},
        RuleCase{"CheckboxUnticked", [](P& p, TForm& f) { return checkbox(p, f, false); }, csFailed},
        RuleCase{"CheckboxTicked", [](P& p, TForm& f) { return checkbox(p, f, true); }, csValid},
        RuleCase{"CheckboxNotDemanded", [](P& p, TForm& f) { return checkbox(p, f, false, false); }, csValid},
        RuleCase{"ComboNothingSelected", [](P& p, TForm& f) { return combo(p, f, -1); }, csFailed},
        RuleCase{"ComboSelected", [](P& p, TForm& f) { return combo(p, f, 0); }, csValid},
        RuleCase{"CheckboxProviderOnAnEdit",
                 [](P& p, TForm& f) {
                   auto* provider = new TQVLCheckProviderCheckbox(&p);
                   provider->SetCheckControl(add<TEdit>(f));
                   return provider;
                 },
                 csValid},
        RuleCase{"BaseProviderOnAnEmptyEdit",
                 [](P& p, TForm& f) {
                   TQVLCheckProvider* provider = p.Add();
                   provider->SetCheckControl(add<TEdit>(f));
                   return provider;
                 },
                 csValid},
        RuleCase{"EditProviderWithoutControl", [](P& p, TForm&) { return new TQVLCheckProviderEdit(&p); },
                 csValid}),
    [](const ::testing::TestParamInfo<RuleCase>& info) { return std::string(info.param.Name); });

TEST(QVLCheckProvider, NumbersAndTheRangeHintFollowTheLocalesDecimalSeparator) {
  TemporaryChange<char> comma(FormatSettings.DecimalSeparator, ',');
  TemporaryChange<char> dot(FormatSettings.ThousandSeparator, '.');
  TForm form(nullptr);
  TQVLCheckProcessor processor(nullptr);
  TQVLCheckProvider* provider = number(*processor.CheckProviders(), form, "7,5", 1, 10);
  provider->ExecuteCheck();
  EXPECT_EQ(provider->CheckStatus(), csValid);
  static_cast<TEdit*>(provider->CheckControl())->SetText("10,5");
  provider->ExecuteCheck();
  EXPECT_EQ(provider->CheckStatus(), csFailed);
  provider->SetHintText("Not shown");
  EXPECT_EQ(provider->GetHintText(), "Editbox must contain the value in range betwen 1,00 and 10,00");
}

TEST(QVLCheckProvider, OnCheckSeesTheNewVerdictAndAnEmptiedImage) {
  TCheckEntryForm form(nullptr);
  form.Build();
  TQVLCheckProvider* name = form.Checks->CheckProviders()->GetCheckProvider(0);
  ASSERT_FALSE(form.Checks->Execute());
  ASSERT_NE(name->LinkedImage(), nullptr);
  std::vector<std::pair<TQVLCheckStatus, int>> seen;
  name->SetOnCheck([&](TObject* sender) {
    auto* p = static_cast<TQVLCheckProvider*>(sender);
    seen.emplace_back(p->CheckStatus(), p->LinkedImage()->Picture()->Width());
  });
  form.edtName->SetText("Ada");
  name->ExecuteCheck();
  EXPECT_EQ(seen, (std::vector<std::pair<TQVLCheckStatus, int>>{{csValid, 0}}));
}

// ---- Assignment -------------------------------------------------------------------

TEST(QVLCheckProvider, AssignCopiesOnlyWhatTheSourcesClassDeclares) {
  TForm form(nullptr);
  auto* box = add<TEdit>(form);
  TQVLCheckProcessor processor(nullptr);
  TQVLCheckProviders* providers = processor.CheckProviders();

  auto* combo = new TQVLCheckProviderCombobox(providers);
  combo->SetRequired(false);
  combo->SetCheckControl(box);
  combo->SetHintText("Pick one");
  combo->SetFocusOnError(false);
  combo->Picture()->Bitmap()->SetSize(4, 4);
  combo->SetOnCheck([](TObject*) {});
  combo->ExecuteCheck();

  auto* edit = new TQVLCheckProviderEdit(providers);
  edit->Assign(combo);
  EXPECT_TRUE(edit->Required()) << "Required of another class is not carried over";
  EXPECT_EQ(edit->CheckControl(), box);
  EXPECT_EQ(edit->HintText(), "Pick one");
  EXPECT_FALSE(edit->FocusOnError());
  EXPECT_EQ(edit->Picture()->Width(), 4);
  EXPECT_EQ(edit->CheckStatus(), csUnknown);
  EXPECT_FALSE(edit->OnCheck());

  auto* numeric = new TQVLCheckProviderNumericEdit(providers);
  numeric->SetMinValue(3);
  numeric->SetMaxValue(4);
  edit->SetRequired(false);
  numeric->Assign(edit);
  EXPECT_FALSE(numeric->Required());
  EXPECT_EQ(numeric->MinValue(), 3);
  EXPECT_EQ(numeric->MaxValue(), 4);

  auto* other = new TQVLCheckProviderNumericEdit(providers);
  other->Assign(numeric);
  EXPECT_EQ(other->MinValue(), 3);
  EXPECT_EQ(other->MaxValue(), 4);

  TStringList unrelated;
  EXPECT_THROW(edit->Assign(&unrelated), EConvertError);
  providers->SetCheckProvider(0, other);
  EXPECT_EQ(providers->GetCheckProvider(0), combo) << "the item itself stays";
  EXPECT_EQ(combo->HintText(), "Pick one");
  EXPECT_THROW(providers->GetCheckProvider(4), EListError);
}

TEST(QVLCheckProcessor, AssigningTheProvidersGivesBaseProvidersWithTheBaseSettings) {
  TCheckEntryForm form(nullptr);
  form.Build();
  TQVLCheckProcessor copy(nullptr);
  copy.CheckProviders()->Add();
  copy.SetCheckProviders(form.Checks->CheckProviders());
  ASSERT_EQ(copy.CheckProviders()->Count(), 4);
  for (int i = 0; i < 4; ++i) {
    TQVLCheckProvider* p = copy.CheckProviders()->GetCheckProvider(i);
    EXPECT_EQ(p->ClassName(), "TQVLCheckProvider");
    EXPECT_EQ(p->CheckControl(), form.Checks->CheckProviders()->GetCheckProvider(i)->CheckControl());
  }
  EXPECT_EQ(copy.CheckProviders()->GetCheckProvider(1)->HintText(),
            "Editbox must contain the value in range betwen %f and %f");
  EXPECT_TRUE(copy.Execute()) << "base providers always pass";
  EXPECT_EQ(copy.ComponentCount(), 0);
}

// ---- The processor ------------------------------------------------------------------

TEST(QVLCheckProcessor, WithoutProvidersEverythingIsValidAndNothingHappens) {
  TRecordingBeep beep;
  TQVLCheckProcessor processor(nullptr);
  EXPECT_EQ(processor.FailedCount(), 0);
  EXPECT_TRUE(processor.Execute());
  EXPECT_TRUE(beep.Types.empty());
  EXPECT_EQ(processor.ComponentCount(), 0);
}

TEST(QVLCheckProcessor, FailedControlsGetAnImageBesideThemOneBeepAndTheFirstFocusableTheFocus) {
  TRecordingBeep beep;
  TCheckEntryForm form(nullptr);
  form.Build();
  TQVLCheckProviders* providers = form.Checks->CheckProviders();
  providers->GetCheckProvider(0)->SetFocusOnError(false);  // edtName
  form.edtAge->Hide();
  form.edtAge->SetText("7");
  form.cbAgree->SetEnabled(false);
  form.cbxCountry->SetItemIndex(1);  // the only one that passes
  EXPECT_EQ(form.Checks->FailedCount(), 0) << "unchecked providers are not failures";

  EXPECT_FALSE(form.Checks->Execute());
  EXPECT_EQ(form.Checks->FailedCount(), 3);
  EXPECT_EQ(beep.Types, std::vector<std::uint32_t>{0x10});
  EXPECT_EQ(form.ActiveControl(), nullptr) << "no failed control could take the focus";

  form.edtAge->Show();
  EXPECT_FALSE(form.Checks->Execute());
  EXPECT_EQ(form.ActiveControl(), form.edtAge);
  EXPECT_EQ(beep.Types.size(), 2u);

  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(i);
    TQVLCheckProvider* p = providers->GetCheckProvider(i);
    TImage* image = p->LinkedImage();
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->Owner(), form.Checks);
    EXPECT_EQ(image->Parent(), &form);
    EXPECT_EQ(image->BoundsRect(), (TRect{165, p->CheckControl()->Top(), 181, p->CheckControl()->Top() + 16}));
    EXPECT_TRUE(image->Visible());
    EXPECT_TRUE(image->Transparent());
    EXPECT_TRUE(image->ShowHint());
    EXPECT_EQ(image->Hint(), p->GetHintText());
  }
  EXPECT_EQ(providers->GetCheckProvider(0)->LinkedImage()->Hint(), "Editbox can not be empty");
  EXPECT_EQ(providers->GetCheckProvider(2)->LinkedImage()->Hint(), "Checkbox must be checked");
  EXPECT_EQ(providers->GetCheckProvider(3)->LinkedImage(), nullptr) << "a control that passed gets no image";
}

TEST(QVLCheckProcessor, WithoutBeepOnErrorAFailureIsSilent) {
  TRecordingBeep beep;
  TCheckEntryForm form(nullptr);
  form.Build();
  form.Checks->SetBeepOnError(false);
  EXPECT_FALSE(form.Checks->Execute());
  EXPECT_TRUE(beep.Types.empty());
}

TEST(QVLCheckProcessor, ImagesStayEmptyAfterSuccessAndHideWhenTheirControlPassesAnotherFailure) {
  TRecordingBeep beep;
  TCheckEntryForm form(nullptr);
  form.Build();
  TQVLCheckProviders* providers = form.Checks->CheckProviders();
  ASSERT_FALSE(form.Checks->Execute());
  TImage* nameImage = providers->GetCheckProvider(0)->LinkedImage();
  ASSERT_NE(nameImage, nullptr);
  EXPECT_EQ(nameImage->Picture()->Width(), 16);

  form.edtName->SetText("Ada");
  form.edtAge->SetText("36");
  form.cbAgree->SetChecked(true);
  form.cbxCountry->SetItemIndex(0);
  EXPECT_TRUE(form.Checks->Execute());
  EXPECT_EQ(form.Checks->FailedCount(), 0);
  for (int i = 0; i < 4; ++i) {
    TImage* image = providers->GetCheckProvider(i)->LinkedImage();
    EXPECT_TRUE(image->Visible()) << i << ": left in place";
    EXPECT_EQ(image->Picture()->Graphic(), nullptr) << i;
  }

  form.edtAge->SetText("12");
  EXPECT_FALSE(form.Checks->Execute());
  EXPECT_FALSE(nameImage->Visible()) << "hidden: its control passes now";
  EXPECT_EQ(nameImage->Picture()->Width(), 16) << "filled again all the same";
  EXPECT_TRUE(providers->GetCheckProvider(1)->LinkedImage()->Visible());
  EXPECT_EQ(form.Checks->ComponentCount(), 4) << "images are made once per provider";
}

TEST(QVLCheckProcessor, AProvidersOwnBitmapReplacesTheMarker) {
  TRecordingBeep beep;
  TCheckEntryForm form(nullptr);
  form.Build();
  TQVLCheckProvider* name = form.Checks->CheckProviders()->GetCheckProvider(0);
  name->Picture()->Bitmap()->SetSize(8, 6);
  name->Picture()->Bitmap()->SetPixel(0, 0, clBlue);
  form.Checks->Execute();
  const auto* shown = dynamic_cast<const TBitmap*>(name->LinkedImage()->Picture()->Graphic());
  ASSERT_NE(shown, nullptr);
  EXPECT_EQ(shown->Pixel(0, 0), clBlue);
  EXPECT_EQ(name->LinkedImage()->Width(), 8);
  EXPECT_TRUE(shown->Transparent());
}

TEST(QVLCheckProcessor, AnExceptionFromOnCheckStopsTheRunAndHighlightsNothing) {
  TRecordingBeep beep;
  TCheckEntryForm form(nullptr);
  form.Build();
  TQVLCheckProviders* providers = form.Checks->CheckProviders();
  providers->GetCheckProvider(1)->SetOnCheck([](TObject*) { throw EAbort("stop"); });
  EXPECT_THROW(form.Checks->Execute(), EAbort);
  EXPECT_EQ(providers->GetCheckProvider(0)->CheckStatus(), csFailed);
  EXPECT_EQ(providers->GetCheckProvider(2)->CheckStatus(), csUnknown);
  EXPECT_EQ(providers->GetCheckProvider(0)->LinkedImage(), nullptr);
  EXPECT_TRUE(beep.Types.empty());
}

TEST(QVLCheckProcessor, ProvidersOfAnotherCollectionCantMakeImages) {
  TForm form(nullptr);
  TCollection foreign(TQVLCheckProvider::StaticClass());
  auto* provider = new TQVLCheckProviderEdit(&foreign);
  provider->SetCheckControl(add<TEdit>(form));
  provider->ExecuteCheck();
  TPicture picture;
  EXPECT_THROW(provider->CreateLinkedImage(&picture), EInvalidCast);
}

// ---- Controls and images that go away ------------------------------------------

TEST(QVLCheckProvider, ForgetsADestroyedControlAndThenChecksNothing) {
  TRecordingBeep beep;
  TCheckEntryForm form(nullptr);
  form.Build();
  TQVLCheckProvider* name = form.Checks->CheckProviders()->GetCheckProvider(0);
  ASSERT_FALSE(form.Checks->Execute());
  delete form.edtName;
  EXPECT_EQ(name->CheckControl(), nullptr);
  form.edtAge->SetText("40");
  form.cbAgree->SetChecked(true);
  EXPECT_FALSE(form.Checks->Execute());  // the combo box still fails
  EXPECT_EQ(name->CheckStatus(), csValid);
  ASSERT_NE(name->LinkedImage(), nullptr);
  EXPECT_FALSE(name->LinkedImage()->Visible()) << "no mark without its control";
}

TEST(QVLCheckProvider, AnImageDestroyedByItsParentIsForgottenNotDestroyedAgain) {
  TRecordingBeep beep;
  TForm form(nullptr);
  auto* panel = new TPanel(&form);
  panel->SetParent(&form);
  auto* box = new TEdit(&form);
  box->SetParent(panel);
  box->SetText("");
  TQVLCheckProcessor processor(nullptr);
  auto* provider = new TQVLCheckProviderEdit(processor.CheckProviders());
  provider->SetCheckControl(box);
  ASSERT_FALSE(processor.Execute());
  ASSERT_EQ(provider->LinkedImage()->Parent(), panel);
  delete panel;  // takes its children along: the edit and the image
  EXPECT_EQ(provider->LinkedImage(), nullptr);
  EXPECT_EQ(provider->CheckControl(), nullptr);
  EXPECT_EQ(processor.ComponentCount(), 0);
}

TEST(QVLCheckProcessor, AFormDestroysItsControlsTheImagesAndTheProcessorInAnyOrderSafely) {
  TRecordingBeep beep;
  auto form = std::make_unique<TCheckEntryForm>(nullptr);
  form->Build();
  ASSERT_FALSE(form->Checks->Execute());
  form.reset();  // the sanitizer builds see any second destruction
}

// ---- The failure marker ---------------------------------------------------------

TEST(QVLCheckProcessor, TheDefaultPictureIsTheRoundMarkerOnTransparentMagenta) {
  // The resource holds 8 bits per pixel (the BMP header's bit count).
  const std::string_view bmp = FindResource("QVL_FAILED");
  ASSERT_GE(bmp.size(), 54u);
  EXPECT_EQ(bmp[28], 8);

  TQVLCheckProcessor processor(nullptr);
  const auto* marker = dynamic_cast<const TBitmap*>(processor.DefaultPicture()->Graphic());
  ASSERT_NE(marker, nullptr);
  ASSERT_EQ(marker->Width(), 16);
  ASSERT_EQ(marker->Height(), 16);
  EXPECT_TRUE(marker->Transparent());
  EXPECT_EQ(marker->TransparentColor(), 0xFF00FF);
  for (auto [x, y] : {std::pair{0, 0}, {15, 0}, {0, 15}, {15, 15}}) EXPECT_EQ(marker->Pixel(x, y), 0xFF00FF);
  const TColor centre = marker->Pixel(7, 7), top = marker->Pixel(7, 1), bottom = marker->Pixel(7, 14);
  EXPECT_GT(GetRValue(centre), 200);
  EXPECT_GT(GetGValue(centre), 160) << "a yellow centre";
  EXPECT_GT(GetRValue(top), 200);
  EXPECT_LT(GetGValue(top), 100) << "a red rim";
  EXPECT_LT(GetRValue(bottom), GetRValue(top)) << "darker below";
}

}  // namespace
