#include "platform/classes/FormFile.h"

#include <gtest/gtest.h>

#include <memory>

#include "platform/rtl/Exceptions.h"
#include "tests/support/FormTestClasses.h"

using namespace rv;
using namespace rvtest;

namespace {

class FormFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RegisterFormTestClasses();
    Log().Calls.clear();
  }
};

std::unique_ptr<TComponent> read(const std::string& text) {
  return std::unique_ptr<TComponent>(ReadComponentText(text, nullptr));
}

TEST_F(FormFileTest, WritesOnlyWhatDiffersFromTheDeclaredDefaults) {
  TTestForm form(nullptr);
  form.SetName("Form1");
  auto* c = new TTestComponent(&form);
  c->SetName("Comp1");
  EXPECT_EQ(WriteComponentText(form),
            "object Form1: TTestForm\r\n"
            "  Active = False\r\n"  // a Boolean without a declared default is always stored
            "  object Comp1: TTestComponent\r\n"
            "    Active = False\r\n"
            "  end\r\n"
            "end\r\n");
}

TEST_F(FormFileTest, WritesEveryKindOfValue) {
  TTestForm form(nullptr);
  form.SetName("Form1");
  auto* c = new TTestComponent(&form);
  c->SetName("Comp1");
  auto* other = new TTestComponent(&form);
  other->SetName("Comp2");
  c->SetCaption("It's\r\nhere");
  c->SetCount(-7);
  c->SetColour(tcBlue);
  c->SetColours({tcGreen, tcBlue});
  c->SetRatio(2.5);
  c->SetData({0x00, 0xAB, 0xFF});
  c->Lines()->Add("one");
  c->Lines()->Add("");
  c->Settings()->SetAddress("a@b");
  c->Settings()->SetEnabled(false);
  static_cast<TTestItem*>(c->Items()->Add())->SetWeight(3);
  c->Items()->Add();
  c->SetBuddy(other);
  c->SetOnChange(TNotifyEvent(&form, &TTestForm::ChildChanged, "ChildChanged"));

  std::string text = WriteComponentText(form);
  EXPECT_NE(text.find("    Caption = 'It''s'#13#10'here'\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("    Count = -7\r\n    Colour = tcBlue\r\n    Colours = [tcGreen, tcBlue]\r\n"
                      "    Ratio = 2.5\r\n    Data = {\r\n      00ABFF}\r\n"
                      "    Lines.Strings = (\r\n      'one'\r\n      '')\r\n"
                      "    Settings.Address = 'a@b'\r\n    Settings.Enabled = False\r\n"
                      "    Items = <\r\n      item\r\n        Weight = 3\r\n      end\r\n      item\r\n      end>\r\n"
                      "    Buddy = Comp2\r\n    OnChange = ChildChanged\r\n"),
            std::string::npos)
      << text;
}

TEST_F(FormFileTest, ReadingBackGivesTheSameValues) {
  TTestForm form(nullptr);
  form.SetName("Form1");
  auto* c = new TTestComponent(&form);
  c->SetName("First");
  c->SetCaption("\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80");
  c->SetColours({});
  c->SetRatio(-1e-300);
  c->SetData({1,  2,  3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 14, 15, 16, 17,
              18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33});
  c->Lines()->SetText("a\r\n'b'\r\n");
  c->Items()->Add();
  c->SetBuddy(&form);
  c->SetOnChange(TNotifyEvent(&form, &TTestForm::ChildChanged, "ChildChanged"));
  const std::string text = WriteComponentText(form);

  TTestForm copy(nullptr);
  ReadComponentTextInto(text, &copy);
  EXPECT_EQ(WriteComponentText(copy), text);
  ASSERT_NE(copy.First, nullptr) << "children are stored in the root's fields of the same name";
  EXPECT_EQ(copy.First->Buddy(), &copy);
  copy.First->OnChange()(copy.First);
  EXPECT_EQ(copy.LastSender, copy.First) << "the callback is bound to the reading root";
}

TEST_F(FormFileTest, WritersRunInDeclarationOrderWhileLoadingThenLoaded) {
  // The file gives the properties backwards and names Comp2 before it exists.
  auto root = read(
      "object Form1: TTestForm\n"
      "  object Comp1: TTestComponent\n"
      "    Buddy = Comp2\n"
      "    Colour = tcRed\n"
      "    Count = 1\n"
      "    Caption = 'x'\n"
      "    Active = True\n"
      "  end\n"
      "  object Comp2: TTestComponent\n"
      "  end\n"
      "end\n");
  EXPECT_EQ(Log().Calls, (std::vector<std::string>{"Comp1.Active+loading", "Comp1.Caption+loading",
                                                   "Comp1.Count+loading", "Comp1.Colour+loading",
                                                   "Comp1.Buddy+loading",  // references are resolved after reading
                                                   "Comp1.Loaded", "Comp2.Loaded"}));
  for (int i = 0; i < root->ComponentCount(); ++i) EXPECT_TRUE(root->Components(i)->ComponentState().Empty());
  auto* comp1 = static_cast<TTestComponent*>(root->FindComponent("comp1"));
  EXPECT_EQ(comp1->Buddy(), root->FindComponent("Comp2"));
}

TEST_F(FormFileTest, NewObjectsOfEveryRegisteredClassSurviveAWriteReadCycle) {
  for (const TClass* cls : RegisteredClasses()) {
    if (!cls->CanCreate()) continue;
    SCOPED_TRACE(cls->Name());
    std::unique_ptr<TComponent> fresh(cls->Create(nullptr));
    fresh->SetName("Fresh");
    for (const TPropInfo* p : cls->Properties()) {
      if (!p->HasDefault) continue;
      EXPECT_EQ(p->GetOrd(fresh.get()), p->OrdDefault) << p->Name << " starts at its default";
    }
    const std::string text = WriteComponentText(*fresh);
    auto copy = read(text);
    EXPECT_EQ(copy->ClassName(), cls->Name());
    EXPECT_EQ(WriteComponentText(*copy), text);
  }
}

struct BadForm {
  const char* Text;
  const char* Message;  // expected part of the EReadError message
};

class MalformedFormTest : public FormFileTest, public ::testing::WithParamInterface<BadForm> {};

TEST_P(MalformedFormTest, RaisesReadErrorNamingThePlace) {
  const BadForm& bad = GetParam();
  try {
    read(bad.Text);
    FAIL() << "no error for: " << bad.Text;
  } catch (const EReadError& e) {
    EXPECT_NE(e.Message().find(bad.Message), std::string::npos) << e.Message();
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, MalformedFormTest,
    ::testing::Values(
        BadForm{"", "'object' expected"}, BadForm{"object F: TTestForm", "'end' expected"},
        BadForm{"object F: TNoSuchClass\nend", "Class TNoSuchClass not found"},
        BadForm{"object F: TTestForm\n object C: TNoSuch\n end\nend", "F.C: Class TNoSuch not found"},
        BadForm{"object F: TTestForm\n Bogus = 1\nend", "F.Bogus: Property Bogus does not exist"},
        BadForm{"object F: TTestForm\n object C: TTestComponent\n  Count = 'x'\n end\nend",
                "C.Count: Invalid property value"},
        BadForm{"object F: TTestForm\n object C: TTestComponent\n  Count = 99999999999\n end\nend",
                "C.Count: Integer value out of range"},
        BadForm{"object F: TTestForm\n object C: TTestComponent\n  Colour = tcPink\n end\nend",
                "C.Colour: Invalid property value"},
        BadForm{"object F: TTestForm\n object C: TTestComponent\n  Colours = [tcRed, tcPink]\n end\nend",
                "C.Colours: Invalid property value"},
        BadForm{"object F: TTestForm\n object C: TTestComponent\n  Buddy = Nobody\n end\nend",
                "C.Buddy: Component Nobody not found"},
        BadForm{"object F: TTestForm\n object C: TTestComponent\n  OnChange = Other\n end\nend",
                "C.OnChange: Method Other not found"},
        BadForm{"object F: TTestForm\n object C: TTestComponent\n  Count.Sub = 1\n end\nend",
                "C.Count: Invalid property path"},
        BadForm{"object F: TTestForm\n object C: TTestComponent\n  Settings.Nope = 1\n end\nend",
                "C.Settings.Nope: Property Nope does not exist"},
        BadForm{"object F: TTestForm\n object C: TTestComponent\n  Items = <item Weight = 'w' end>\n end\nend",
                "C.Items[0].Weight: Invalid property value"},
        BadForm{"object F: TTestForm\n object C: TTestComponent\n  Items = <item: TNoSuchItem end>\n end\nend",
                "C.Items[0]: Class TNoSuchItem not found"},
        BadForm{"object F: TTestForm\n object C: TTestComponent\n  Items = <item: TTestBase end>\n end\nend",
                "C.Items[0]: Class TTestBase is not an item class"},
        BadForm{"object F: TTestForm\n object C: TTestComponent\n  Items = <item: end>\n end\nend",
                "Identifier expected"},
        BadForm{"object F: TTestForm\n object C: TTestComponent\n end\n object c: TTestComponent\n end\nend",
                "A component named c already exists"},
        BadForm{"object F: TTestForm\n object 9x: TTestComponent\n end\nend", "Line 2"},
        BadForm{"object F: TTestForm\n Caption = 'open\nend", "Line 2: Unterminated string"},
        BadForm{"object F: TTestForm\n Caption = #1114112\nend", "Invalid character code"},
        BadForm{"object F: TTestForm\n object C: TTestComponent\n  Data = {ABC}\n end\nend", "Invalid binary data"},
        BadForm{"object F: TTestForm\nend\nextra", "Text after the end"},
        BadForm{"object F: TTestForm\n object First: TTestBase\n end\nend", "Field First does not fit"}),
    [](const ::testing::TestParamInfo<BadForm>& info) { return "Case" + std::to_string(info.index); });

TEST_F(FormFileTest, ItemsOfADescendantClassKeepTheirClassWhileAddStillMakesTheItemClass) {
  TTestForm form(nullptr);
  form.SetName("Form1");
  auto* c = new TTestComponent(&form);
  c->SetName("Comp1");
  static_cast<TTestItem*>(c->Items()->Add())->SetWeight(1);
  (new TTestHeavyItem(c->Items()))->SetLoad(9);

  const std::string text = WriteComponentText(form);
  EXPECT_NE(text.find("      item\r\n        Weight = 1\r\n      end\r\n"
                      "      item: TTestHeavyItem\r\n        Load = 9\r\n      end>\r\n"),
            std::string::npos)
      << text;

  auto root = read(text);
  const TCollection* items = static_cast<TTestComponent*>(root->FindComponent("Comp1"))->Items();
  ASSERT_EQ(items->Count(), 2);
  EXPECT_EQ(items->Items(0)->ClassName(), "TTestItem");
  auto* heavy = dynamic_cast<TTestHeavyItem*>(items->Items(1));
  ASSERT_NE(heavy, nullptr);
  EXPECT_EQ(heavy->Load(), 9);
  EXPECT_EQ(WriteComponentText(*root), text);
}

TEST_F(FormFileTest, DeepNestingIsRefusedNotRecursedInto) {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "object X: TTestBase\n";
  EXPECT_THROW(read(text), EReadError);
}

TEST_F(FormFileTest, AFailedReadDestroysWhatItCreatedAndClearsTheFields) {
  TTestForm form(nullptr);
  EXPECT_THROW(ReadComponentTextInto("object F: TTestForm\n object First: TTestComponent\n end\n"
                                     " object Second: TTestComponent\n  Count = x\n end\nend",
                                     &form),
               EReadError);
  EXPECT_EQ(form.ComponentCount(), 0);
  EXPECT_EQ(form.First, nullptr);
  EXPECT_FALSE(form.ComponentState().Contains(csLoading));
}

TEST_F(FormFileTest, ReadsStringsInAllTheirForms) {
  auto root = read(
      "object F: TTestForm\n"
      "  Caption = 'a'#9'b' +\r\n    'c'#$41#55357#56832'd'''\n"
      "end\n");
  EXPECT_EQ(static_cast<TTestForm*>(root.get())->Caption(),
            "a\tbcA\xF0\x9F\x98\x80"
            "d'");
}

}  // namespace
