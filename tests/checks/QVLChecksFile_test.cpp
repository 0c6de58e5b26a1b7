// A form with a check processor and its four kinds of provider, stored in
// a form file and read back.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "checks/QVLChecks.h"
#include "platform/classes/FormFile.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/graphics/Graphics.h"
#include "tests/support/CheckEntryForm.h"
#include "tests/support/RecordingBeep.h"

using namespace rv;
using namespace rvtest;

namespace {

class QVLChecksFile : public ::testing::Test {
 protected:
  void SetUp() override { RegisterCheckEntryForm(); }
};

std::string between(const std::string& text, const std::string& from, const std::string& to) {
  const std::size_t start = text.find(from);
  if (start == std::string::npos) return {};
  return text.substr(start, text.find(to, start) - start);
}

TEST_F(QVLChecksFile, AProcessorWithItsFourKindsOfProviderRoundTrips) {
  TCheckEntryForm form(nullptr);
  form.Build();
  TQVLCheckProviders* providers = form.Checks->CheckProviders();
  form.Checks->SetBeepOnError(false);
  auto* name = static_cast<TQVLCheckProviderEdit*>(providers->GetCheckProvider(0));
  name->SetHintText("Your name, please");
  name->SetOnCheck(TNotifyEvent(&form, &TCheckEntryForm::ProviderChecked, "ProviderChecked"));
  static_cast<TQVLCheckProviderNumericEdit*>(providers->GetCheckProvider(1))->SetMinValue(18.5);
  auto* agree = static_cast<TQVLCheckProviderCheckbox*>(providers->GetCheckProvider(2));
  agree->SetChecked(false);
  agree->SetFocusOnError(false);
  static_cast<TQVLCheckProviderCombobox*>(providers->GetCheckProvider(3))->SetRequired(false);
  providers->Add()->Picture()->Bitmap()->SetSize(2, 2);

  const std::string text = WriteComponentText(form);
  const std::string items = between(text, "CheckProviders = <", "end>");
  EXPECT_NE(text.find("BeepOnError = False"), std::string::npos) << text;
  EXPECT_NE(text.find("DefaultPicture.Data = {"), std::string::npos) << "always stored";
  EXPECT_NE(items.find("item: TQVLCheckProviderEdit\r\n"
                       "        CheckControl = edtName\r\n"
                       "        HintText = 'Your name, please'\r\n"
                       "        OnCheck = ProviderChecked\r\n"
                       "      end"),
            std::string::npos)
      << text;
  EXPECT_NE(items.find("item: TQVLCheckProviderNumericEdit\r\n"
                       "        CheckControl = edtAge\r\n"
                       "        MinValue = 18.5\r\n"
                       "        MaxValue = 120.0\r\n"
                       "      end"),
            std::string::npos)
      << "a default hint is not stored: " << text;
  EXPECT_NE(items.find("item: TQVLCheckProviderCheckbox\r\n"
                       "        CheckControl = cbAgree\r\n"
                       "        FocusOnError = False\r\n"
                       "        Checked = False\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(items.find("item: TQVLCheckProviderCombobox\r\n"
                       "        CheckControl = cbxCountry\r\n"
                       "        Required = False\r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(items.find("      item\r\n        Picture.Data = {"), std::string::npos) << text;

  std::unique_ptr<TComponent> root(ReadComponentText(text, nullptr));
  auto* read = dynamic_cast<TCheckEntryForm*>(root.get());
  ASSERT_NE(read, nullptr);
  ASSERT_NE(read->Checks, nullptr);
  TQVLCheckProviders* back = read->Checks->CheckProviders();
  ASSERT_EQ(back->Count(), 5);
  EXPECT_EQ(back->GetCheckProvider(0)->ClassName(), "TQVLCheckProviderEdit");
  EXPECT_EQ(back->GetCheckProvider(0)->CheckControl(), read->edtName);
  EXPECT_EQ(back->GetCheckProvider(0)->HintText(), "Your name, please");
  auto* age = dynamic_cast<TQVLCheckProviderNumericEdit*>(back->GetCheckProvider(1));
  ASSERT_NE(age, nullptr);
  EXPECT_EQ(age->MinValue(), 18.5);
  EXPECT_EQ(age->MaxValue(), 120);
  EXPECT_EQ(age->HintText(), "Editbox must contain the value in range betwen %f and %f");
  auto* readAgree = dynamic_cast<TQVLCheckProviderCheckbox*>(back->GetCheckProvider(2));
  ASSERT_NE(readAgree, nullptr);
  EXPECT_FALSE(readAgree->Checked());
  EXPECT_FALSE(readAgree->FocusOnError());
  EXPECT_EQ(back->GetCheckProvider(3)->ClassName(), "TQVLCheckProviderCombobox");
  EXPECT_EQ(back->GetCheckProvider(4)->ClassName(), "TQVLCheckProvider");
  EXPECT_EQ(back->GetCheckProvider(4)->Picture()->Width(), 2);
  EXPECT_EQ(WriteComponentText(*read), text);

  // The restored processor works: its callback is bound and its marker read back.
  TRecordingBeep beep;
  EXPECT_FALSE(read->Checks->Execute());
  EXPECT_EQ(read->Checked, std::vector<TObject*>{back->GetCheckProvider(0)});
  EXPECT_TRUE(beep.Types.empty());
  EXPECT_EQ(back->GetCheckProvider(0)->LinkedImage()->Width(), 16);
}

}  // namespace
