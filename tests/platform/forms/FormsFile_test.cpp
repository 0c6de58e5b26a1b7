// Forms stored in form files: a dialog's layout reads back with every value
// and handler, is written with only what differs from the defaults, and
// round-trips.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/FormFile.h"
#include "platform/classes/Published.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/Screen.h"
#include "platform/forms/StdCtrls.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/Exceptions.h"

using namespace rv;

namespace {

// Written as the writer writes it: properties in declaration order, base
// classes first, defaults left out. Colours are stored as numbers
// (clHighlightText, clActiveCaption, clWindowText, clBlue).
const char* const kLayout = R"(object SampleDialog: TSampleDialog
  Left = 200
  Top = 108
  Font.Charset = 1
  Font.Color = -16777208
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  ShowHint = True
  ActiveControl = btnOk
  BorderStyle = bsDialog
  Caption = 'Problem'
  ClientHeight = 210
  ClientWidth = 492
  Position = poScreenCenter
  object btnOk: TButton
    Left = 408
    Top = 180
    Width = 75
    Height = 25
    TabOrder = 0
    Cancel = True
    Caption = '&OK'
    Default = True
    ModalResult = 1
  end
  object btnMore: TButton
    Left = 8
    Top = 180
    Width = 125
    Height = 25
    Visible = False
    OnClick = btnMoreClick
    TabOrder = 2
  end
  object cbDetails: TCheckBox
    Left = 8
    Top = 210
    Width = 250
    Height = 17
    Visible = False
    TabOrder = 1
  end
  object pnlTop: TPanel
    Left = 0
    Top = 0
    Width = 492
    Height = 100
    Align = alTop
    Color = -16777202
    TabOrder = 3
    BevelOuter = bvNone
    object imgSign: TImage
      Left = 10
      Top = 10
      Width = 32
      Height = 32
      Center = True
    end
    object lblTitle: TLabel
      Left = 56
      Top = 3
      Width = 425
      Height = 70
      AutoSize = False
      Transparent = True
      WordWrap = True
    end
    object lblLink: TLabel
      Left = 56
      Top = 80
      Width = 3
      Height = 13
      Cursor = -21
      Font.Charset = 1
      Font.Color = 16711680
      Font.Height = -11
      Font.Name = 'MS Sans Serif'
      Font.Style = [fsUnderline]
      ParentFont = False
      OnClick = btnMoreClick
    end
  end
  object gbReason: TGroupBox
    Left = 9
    Top = 104
    Width = 473
    Height = 73
    Font.Charset = 1
    Font.Color = -16777214
    Font.Height = -11
    Font.Name = 'MS Sans Serif'
    Font.Style = []
    ParentFont = False
    TabOrder = 4
    object memText: TMemo
      Left = 7
      Top = 17
      Width = 460
      Height = 50
      Font.Charset = 1
      Font.Color = -16777208
      Font.Height = -11
      Font.Name = 'MS Sans Serif'
      Font.Style = []
      ParentColor = True
      ParentFont = False
      TabOrder = 0
      BorderStyle = bsNone
      ReadOnly = True
      ScrollBars = ssVertical
    end
  end
end
)";

class TSampleDialog : public TForm {
  RV_CLASS(TSampleDialog, TForm)
 public:
  explicit TSampleDialog(TComponent* AOwner, std::string_view Layout = kLayout) : TForm(AOwner) {
    ReadComponentTextInto(Layout, this);
  }
  void btnMoreClick(TObject* Sender) { Clicks.push_back(Sender); }

  TButton* btnOk = nullptr;
  TButton* btnMore = nullptr;
  TCheckBox* cbDetails = nullptr;
  TPanel* pnlTop = nullptr;
  TImage* imgSign = nullptr;
  TLabel* lblTitle = nullptr;
  TLabel* lblLink = nullptr;
  TGroupBox* gbReason = nullptr;
  TMemo* memText = nullptr;
  std::vector<TObject*> Clicks;
};

const TClass& TSampleDialog::StaticClass() {
  static const TClass cls = TClassBuilder<TSampleDialog>("TSampleDialog")
                                .Field("btnOk", &TSampleDialog::btnOk)
                                .Field("btnMore", &TSampleDialog::btnMore)
                                .Field("cbDetails", &TSampleDialog::cbDetails)
                                .Field("pnlTop", &TSampleDialog::pnlTop)
                                .Field("imgSign", &TSampleDialog::imgSign)
                                .Field("lblTitle", &TSampleDialog::lblTitle)
                                .Field("lblLink", &TSampleDialog::lblLink)
                                .Field("gbReason", &TSampleDialog::gbReason)
                                .Field("memText", &TSampleDialog::memText)
                                .Method("btnMoreClick", &TSampleDialog::btnMoreClick)
                                .Build();
  return cls;
}

std::string unixLines(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

std::string boundsOf(const TControl* c) {
  return std::to_string(c->Left()) + "," + std::to_string(c->Top()) + "," + std::to_string(c->Width()) + "," +
         std::to_string(c->Height());
}

TEST(FormFiles, ASampleDialogReadsBackWithAllItsValues) {
  TSampleDialog d(nullptr);
  const struct {
    const char* What;
    std::string Actual, Expected;
  } strings[] = {
      {"form", boundsOf(&d), "200,108,492,210"},
      {"btnOk", boundsOf(d.btnOk), "408,180,75,25"},
      {"btnMore", boundsOf(d.btnMore), "8,180,125,25"},
      {"cbDetails", boundsOf(d.cbDetails), "8,210,250,17"},
      {"pnlTop", boundsOf(d.pnlTop), "0,0,492,100"},
      {"imgSign", boundsOf(d.imgSign), "10,10,32,32"},
      {"lblTitle", boundsOf(d.lblTitle), "56,3,425,70"},
      {"lblLink", boundsOf(d.lblLink), "56,80,3,13"},
      {"gbReason", boundsOf(d.gbReason), "9,104,473,73"},
      {"memText", boundsOf(d.memText), "7,17,460,50"},
      {"form caption", d.Caption(), "Problem"},
      {"btnOk caption", d.btnOk->Caption(), "&OK"},
      {"empty captions", d.lblTitle->Caption() + d.gbReason->Caption() + d.memText->Text(), ""},
      {"font", d.Font()->Name() + " " + std::to_string(d.Font()->Size()), "MS Sans Serif 8"},
      {"inherited font", d.btnOk->Font()->Name() + " " + std::to_string(d.imgSign->Font()->Height()),
       "MS Sans Serif -11"},
  };
  for (const auto& s : strings) EXPECT_EQ(s.Actual, s.Expected) << s.What;

  const struct {
    const char* What;
    std::int64_t Actual, Expected;
  } values[] = {
      {"border", d.BorderStyle(), bsDialog},
      {"position", d.Position(), poScreenCenter},
      {"form shows hints", d.ShowHint(), true},
      {"controls show hints", d.btnOk->ShowHint() && d.memText->ShowHint(), true},
      {"form colour", d.Color(), clBtnFace},
      {"not shown", d.Visible(), false},
      {"default", d.btnOk->Default(), true},
      {"cancel", d.btnOk->Cancel(), true},
      {"modal result", d.btnOk->ModalResult(), mrOk},
      {"hidden", d.btnMore->Visible() || d.cbDetails->Visible(), false},
      {"not ticked", d.cbDetails->Checked(), false},
      {"tab order",
       d.btnOk->TabOrder() * 10000 + d.cbDetails->TabOrder() * 1000 + d.btnMore->TabOrder() * 100 +
           d.pnlTop->TabOrder() * 10 + d.gbReason->TabOrder(),
       1234},
      {"aligned", d.pnlTop->Align(), alTop},
      {"no outer bevel", d.pnlTop->BevelOuter(), bvNone},
      {"panel colour", d.pnlTop->Color(), clHighlightText},
      {"label on the panel's colour", d.lblTitle->Color(), clHighlightText},
      {"centred", d.imgSign->Center(), true},
      {"fixed size", d.lblTitle->AutoSize(), false},
      {"transparent", d.lblTitle->Transparent(), true},
      {"word wrap", d.lblTitle->WordWrap(), true},
      {"auto size", d.lblLink->AutoSize(), true},
      {"hand cursor", d.lblLink->Cursor(), crHandPoint},
      {"blue link", d.lblLink->Font()->Color(), clBlue},
      {"underlined", d.lblLink->Font()->Style() == TFontStyles{fsUnderline}, true},
      {"caption colour", d.gbReason->Font()->Color(), clActiveCaption},
      {"text colour", d.memText->Font()->Color(), clWindowText},
      {"group's background", d.memText->Color(), clBtnFace},
      {"no border", d.memText->BorderStyle(), bsNone},
      {"read-only", d.memText->ReadOnly(), true},
      {"scroll bar", d.memText->ScrollBars(), ssVertical},
  };
  for (const auto& v : values) EXPECT_EQ(v.Actual, v.Expected) << v.What;
  EXPECT_EQ(d.ActiveControl(), d.btnOk);
  EXPECT_EQ(d.pnlTop->Parent(), &d);
  EXPECT_EQ(d.lblLink->Parent(), d.pnlTop);
  EXPECT_EQ(d.memText->Parent(), d.gbReason);
  for (int i = 0; i < d.ComponentCount(); ++i) EXPECT_FALSE(d.Components(i)->ComponentState().Contains(csLoading));
}

TEST(FormFiles, StoredHandlersAreBoundByName) {
  TSampleDialog d(nullptr);
  d.btnMore->Show();
  FeedClick(d.btnMore);
  FeedClick(d.lblLink);
  d.lblLink->Click();
  EXPECT_EQ(d.Clicks, (std::vector<TObject*>{d.btnMore, d.lblLink, d.lblLink}));
  EXPECT_EQ(d.btnMore->OnClick().MethodName(), "btnMoreClick");
}

TEST(FormFiles, OnlyWhatDiffersFromTheDefaultsIsWrittenAndItRoundTrips) {
  TSampleDialog d(nullptr);
  EXPECT_EQ(unixLines(WriteComponentText(d)), kLayout);

  // Another order, defaults spelled out: written in declaration order without them.
  TSampleDialog shuffled(nullptr, R"(object SampleDialog: TSampleDialog
  ClientWidth = 492
  Enabled = True
  Top = 108
  object cbDetails: TCheckBox
    TabOrder = 1
    Visible = False
    Height = 17
    State = cbUnchecked
  end
  object btnOk: TButton
    Caption = '&OK'
    Default = True
    TabOrder = 0
  end
  object btnMore: TButton
    TabOrder = 2
    OnClick = btnMoreClick
  end
end
)");
  EXPECT_EQ(unixLines(WriteComponentText(shuffled)), R"(object SampleDialog: TSampleDialog
  Left = 0
  Top = 108
  Font.Charset = 1
  Font.Color = -16777208
  Font.Height = -11
  Font.Name = 'MS Sans Serif'
  Font.Style = []
  ClientHeight = 240
  ClientWidth = 492
  object cbDetails: TCheckBox
    Left = 0
    Top = 0
    Width = 97
    Height = 17
    Visible = False
    TabOrder = 1
  end
  object btnOk: TButton
    Left = 0
    Top = 0
    Width = 75
    Height = 25
    TabOrder = 0
    Caption = '&OK'
    Default = True
  end
  object btnMore: TButton
    Left = 0
    Top = 0
    Width = 75
    Height = 25
    OnClick = btnMoreClick
    TabOrder = 2
  end
end
)");
  EXPECT_EQ(shuffled.btnOk->TabOrder(), 0);
  EXPECT_EQ(shuffled.cbDetails->TabOrder(), 1);
  EXPECT_EQ(shuffled.btnMore->TabOrder(), 2);
}

TEST(FormFiles, ChangedValuesAreWrittenAndReadBack) {
  TSampleDialog d(nullptr);
  d.memText->Lines()->SetText("first\r\nsecond");
  d.cbDetails->SetChecked(true);
  d.lblTitle->SetCaption("It's broken");
  d.btnOk->SetHint("Close it");
  d.gbReason->SetColor(clRed);
  d.Icon()->LoadStockIcon(IDI_HAND);
  const std::string text = WriteComponentText(d);
  EXPECT_NE(unixLines(text).find("      Lines.Strings = (\n        'first'\n        'second')\n"), std::string::npos);
  EXPECT_NE(text.find("Caption = 'It''s broken'"), std::string::npos);

  TSampleDialog back(nullptr, text);
  EXPECT_EQ(back.memText->Text(), "first\r\nsecond");
  EXPECT_TRUE(back.cbDetails->Checked());
  EXPECT_EQ(back.lblTitle->Caption(), "It's broken");
  EXPECT_EQ(back.btnOk->Hint(), "Close it");
  EXPECT_EQ(back.gbReason->Color(), clRed);
  EXPECT_EQ(back.memText->Color(), clRed);
  EXPECT_EQ(back.Icon()->Width(), 32);
  EXPECT_EQ(WriteComponentText(back), text);
}

TEST(FormFiles, BadValuesNameTheirPlace) {
  const struct {
    const char* Fragment;
    const char* Context;
  } cases[] = {
      {"object m: TMemo\n BorderStyle = bsDialog\n end", "m.BorderStyle"},
      {"object c: TCheckBox\n Alignment = taCenter\n end", "c.Alignment"},
      {"object e: TEdit\n MaxLength = -1\n end", "e.MaxLength"},
      {"object p: TPanel\n BevelWidth = -3\n end", "p.BevelWidth"},
      {"object l: TLabel\n Wrap = True\n end", "l.Wrap"},
      {"object b: TButton\n Font.Style = [fsBlinking]\n end", "b.Font.Style"},
      {"object b: TButton\n OnClick = NoSuchMethod\n end", "b.OnClick"},
  };
  for (const auto& c : cases) {
    TForm form(nullptr);
    try {
      ReadComponentTextInto(std::string("object F: TForm\n") + c.Fragment + "\nend\n", &form);
      ADD_FAILURE() << c.Fragment;
    } catch (const EReadError& e) {
      EXPECT_NE(std::string(e.Message()).find(c.Context), std::string::npos) << e.Message();
    }
    EXPECT_EQ(form.ControlCount(), 0) << "what a failed read created is gone";
  }
}

TEST(FormFiles, AFormStoredVisibleIsShownOnceRead) {
  std::unique_ptr<TComponent> root(ReadComponentText(R"(object Shown: TForm
  Visible = True
  object Go: TButton
    Caption = 'Go'
  end
end
)",
                                                     nullptr));
  auto* form = dynamic_cast<TForm*>(root.get());
  ASSERT_NE(form, nullptr);
  EXPECT_TRUE(form->Visible());
  EXPECT_EQ(Screen->ActiveForm(), form);
  EXPECT_EQ(Screen->ActiveControl(), form->FindComponent("Go"));
  EXPECT_NE(unixLines(WriteComponentText(*form)).find("  Visible = True\n"), std::string::npos);
  root.reset();
  EXPECT_EQ(Screen->ActiveForm(), nullptr);
}

}  // namespace
