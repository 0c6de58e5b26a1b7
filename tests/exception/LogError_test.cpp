#include "exception/LogError.h"

#include <gtest/gtest.h>

#include <memory>
#include <stdexcept>

#include "exception/LogDlg.h"
#include "platform/classes/FormFile.h"
#include "platform/classes/Thread.h"
#include "platform/forms/Application.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/Screen.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/SysUtils.h"
#include "testing/forms/MessageBoxRecorder.h"
#include "testing/os/MapiRecorder.h"
#include "tests/support/InteractiveWidgetSet.h"
#include "tests/support/TempDir.h"

using namespace rv;

namespace {

RV_DECLARE_EXCEPTION(EAppSpecific, Exception);

class ExceptionLogTest : public ::testing::Test {
 protected:
  TRecordingMessageBoxes Boxes;
  TMessageBoxServiceScope BoxesInUse{Boxes};
  void SetUp() override {
    FSaved = Application->OnException();
    Application->SetOnException(nullptr);
  }
  void TearDown() override { Application->SetOnException(FSaved); }

  // A log writing one line per record (the class name), answering with nothing.
  std::unique_ptr<TQVExceptionLog> NewLog(const std::string& name = "crash.log") {
    auto log = std::make_unique<TQVExceptionLog>(nullptr);
    log->SetLogFile(Dir.File(name));
    log->SetFormats({lfExceptionClassName});
    log->SetErrorDialog(edNone);
    log->SetActive(true);
    return log;
  }
  // Raises E inside a handler run by the loop, so it reaches the
  // application's handler like any unhandled exception.
  template <class E>
  void Raise(const std::string& message = "boom") {
    Application->RunGuarded(nullptr, [&] { throw E(message); });
  }
  std::string Content(const std::string& name = "crash.log") { return rvtest::ReadFile(Dir.File(name)); }
  std::vector<std::string> BoxTexts() {
    std::vector<std::string> texts;
    for (const auto& box : Boxes.Records()) texts.push_back(box.Text);
    return texts;
  }

  rvtest::TempDir Dir;

 private:
  TExceptionEvent FSaved;
};

struct FilterCase {
  const char* Name;
  std::function<void(TQVExceptionLog&)> Configure;
  std::function<void()> Raise;
  bool Logged;
};

TEST_F(ExceptionLogTest, TheFirstOfTheFiftyClassesThatMatchesDecides) {
  auto without = [](auto member) {
    return [member](TQVExceptionLog& log) {
      if constexpr (std::is_same_v<decltype(member), TQVExceptionStandard>)
        log.SetFilterStandard(log.FilterStandard() - TQVExceptionStandards{member});
      else if constexpr (std::is_same_v<decltype(member), TQVExceptionClass>)
        log.SetFilterClasses(log.FilterClasses() - TQVExceptionClasses{member});
      else
        log.SetFilterGraphics(log.FilterGraphics() - TQVExceptionGraphics{member});
    };
  };
  auto raise = [](auto make) { return [make] { Application->RunGuarded(nullptr, [&] { throw make(); }); }; };
  const FilterCase table[] = {
      {"EDivByZero without efDivByZero", without(efDivByZero), raise([] { return EDivByZero("x"); }), true},
      {"EDivByZero without efIntError", without(efIntError), raise([] { return EDivByZero("x"); }), false},
      {"EZeroDivide without efMathError", without(efMathError), raise([] { return EZeroDivide("x"); }), false},
      {"EOutOfResources without efOutOfMemory", without(efOutOfMemory), raise([] { return EOutOfResources("x"); }),
       false},
      {"EFOpenError without efFOpenError", without(efFOpenError), raise([] { return EFOpenError("x"); }), true},
      {"EFOpenError without efStreamError", without(efStreamError), raise([] { return EFOpenError("x"); }), false},
      {"EOSError without efWin32Error", without(efWin32Error), raise([] { return EOSError("x", 5); }), false},
      {"EInvalidGraphic without efInvalidGraphic", without(efInvalidGraphic),
       raise([] { return EInvalidGraphic("x"); }), false},
      {"an application's class, all filters empty",
       [](TQVExceptionLog& log) {
         log.SetFilterStandard({});
         log.SetFilterClasses({});
         log.SetFilterGraphics({});
       },
       raise([] { return EAppSpecific("x"); }), true},
      {"a std exception, all filters empty", [](TQVExceptionLog& log) { log.SetFilterStandard({}); },
       raise([] { return std::out_of_range("x"); }), true},
  };
  for (const FilterCase& c : table) {
    SCOPED_TRACE(c.Name);
    Boxes.Clear();
    auto log = NewLog();
    log->ClearLog();
    c.Configure(*log);
    c.Raise();
    EXPECT_EQ(FileExists(log->LogFile()), c.Logged);
    // A filtered-out exception gets the standard box even with edNone.
    EXPECT_EQ(Boxes.Records().size(), c.Logged ? 0u : 1u);
  }
}

TEST_F(ExceptionLogTest, InactiveItCallsTheHandlersAndShowsTheStandardBoxOnly) {
  std::vector<std::string> calls;
  Application->SetOnException([&](TObject*, Exception*) { calls.push_back("previous"); });
  auto log = NewLog();
  log->SetOnException([&](TObject*, Exception*) { calls.push_back("own"); });
  log->SetErrorDialog(edExtended);
  log->SetActive(false);
  Raise<EConvertError>("not a number");
  EXPECT_EQ(calls, (std::vector<std::string>{"previous", "own"}));
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"not a number."}));
  EXPECT_FALSE(FileExists(log->LogFile()));
}

TEST_F(ExceptionLogTest, TheDialogChoiceAndOnSaveException) {
  auto log = NewLog();
  Raise<EConvertError>();
  EXPECT_EQ(Content(), "\r\nClassname: EConvertError \r\n");
  EXPECT_TRUE(Boxes.Records().empty()) << "edNone shows nothing";

  log->SetErrorDialog(edStandard);
  log->SetOnSaveException([](TObject*, Exception*, std::string& text, bool& accept) {
    accept = text.find("EAbort") == std::string::npos;
    text = "[" + text.substr(2, 9) + "]";
  });
  Raise<EAbort>();
  Raise<EListError>();
  EXPECT_EQ(Content(), "\r\nClassname: EConvertError \r\n[Classname]") << "vetoed, then replaced";
  EXPECT_EQ(Boxes.Records().size(), 2u) << "the dialog choice applies to a vetoed record too";

  // Without an interactive user the extended dialog gives way to the
  // standard box.
  log->SetErrorDialog(edExtended);
  Boxes.Clear();
  Raise<EListError>("gone");
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"gone."}));
}

TEST_F(ExceptionLogTest, RecordTextInBothForms) {
  auto log = NewLog();
  log->SetFormats({lfDate, lfMessage, lfSeparator});
  std::string expected;
  log->SetOnSaveException([&](TObject*, Exception* E, std::string& text, bool&) {
    const std::string description = ExceptionErrorMessage(*E, ExceptAddr());
    expected = "\r\n" + FormatDateTime("c", Date()) + " \r\nMessage: " + description + " \r\n======\r\n\r\n";
    EXPECT_EQ(text, expected);
  });
  Raise<EAppSpecific>("first line\r\nsecond line");
  EXPECT_EQ(Content(), expected);

  log->SetFormatting(qvlfXML);
  log->SetFormats({lfTime, lfExceptionClassName, lfSeparator, lfActiveControl});
  log->SetOnSaveException(nullptr);
  Raise<EAppSpecific>("x");
  const std::string xml = Content("crash.xml");
  const std::string time = FormatDateTime("tt", Time());
  EXPECT_NE(xml.find("<DATA>\r\n  <ERROR>\r\n    <TIME>"), std::string::npos) << xml;
  EXPECT_NE(xml.find("</TIME>\r\n    <CLASSNAME>Classname: EAppSpecific</CLASSNAME>\r\n    <CONTROL></CONTROL>\r\n"
                     "  </ERROR>\r\n</DATA>"),
            std::string::npos)
      << xml << " (no active form: the CONTROL element is still written; the separator has no effect)";

  log->SetFormatting(qvlfText);
  log->ClearLog();
  log->SetFormats({});
  Raise<EAppSpecific>("x");
  EXPECT_EQ(Content(), "\r\n") << "empty Formats in the text form: one line break";
  log->SetFormatting(qvlfXML);
  log->ClearLog();
  Raise<EAppSpecific>("x");
  EXPECT_FALSE(FileExists(log->LogFile())) << "an empty record value writes nothing";
}

TEST_F(ExceptionLogTest, TheStandardDescriptionIsCutTo1023Characters) {
  auto log = NewLog();
  log->SetFormats({lfMessage});
  std::string text;
  log->SetOnSaveException([&](TObject*, Exception*, std::string& LogText, bool&) { text = LogText; });
  Raise<EAppSpecific>(std::string(3000, 'm'));
  EXPECT_EQ(Utf16Length(text), std::string("\r\nMessage: ").size() + 1023 + std::string(" \r\n").size());
  EXPECT_EQ(text.substr(0, 21), "\r\nMessage: Exception ");
}

TEST_F(ExceptionLogTest, BusyIsClearedWhenAHandlerRaises) {
  auto log = NewLog();
  int calls = 0;
  log->SetOnException([&](TObject*, Exception*) {
    if (++calls == 1) throw EAppSpecific("handler failed");
  });
  Raise<EConvertError>();
  EXPECT_FALSE(FileExists(log->LogFile()));
  Raise<EConvertError>();
  EXPECT_EQ(Content(), "\r\nClassname: EConvertError \r\n") << "the next exception is processed in full";
}

TEST_F(ExceptionLogTest, LogsChainAndLeaveTheChainWhole) {
  std::vector<std::string> calls;
  Application->SetOnException([&](TObject*, Exception*) { calls.push_back("app"); });
  auto a = NewLog("a.log");
  auto b = NewLog("b.log");
  auto c = NewLog("c.log");
  a->SetOnException([&](TObject*, Exception*) { calls.push_back("a"); });
  b->SetOnException([&](TObject*, Exception*) { calls.push_back("b"); });
  c->SetOnException([&](TObject*, Exception*) { calls.push_back("c"); });
  Raise<EConvertError>();
  EXPECT_EQ(calls, (std::vector<std::string>{"app", "a", "b", "c"}));
  EXPECT_TRUE(FileExists(a->LogFile()) && FileExists(b->LogFile()) && FileExists(c->LogFile()));

  b.reset();  // in the middle: c now calls a
  calls.clear();
  Raise<EConvertError>();
  EXPECT_EQ(calls, (std::vector<std::string>{"app", "a", "c"}));

  c.reset();  // the current one: the application's handler is a's again
  EXPECT_EQ(Application->OnException(), TExceptionEvent(a.get(), &TQVExceptionLog::DoException));
  a.reset();
  calls.clear();
  Raise<EConvertError>();
  EXPECT_EQ(calls, (std::vector<std::string>{"app"}));
}

TEST_F(ExceptionLogTest, ADesignedComponentLeavesTheHandlerAlone) {
  TExceptionEvent handler = [](TObject*, Exception*) {};
  Application->SetOnException(handler);
  TComponent designer(nullptr);
  designer.SetDesigning(true);
  auto* designed = new TQVExceptionLog(&designer);
  EXPECT_TRUE(Application->OnException() == handler);
  delete designed;
  EXPECT_TRUE(Application->OnException() == handler);
}

TEST_F(ExceptionLogTest, StoresOnlyWhatDiffersFromTheDefaults) {
  auto log = NewLog();
  log->SetName("Log1");
  log->SetErrorDialog(edExtended);
  log->SetFormats(
      {lfDate, lfTime, lfPhysAddress, lfMessage, lfSeparator, lfApplication, lfActiveControl, lfComputerInfo});
  std::string text = WriteComponentText(*log);
  for (const char* absent : {"ErrorDialog", "Filter", "Formats", "Options"})
    EXPECT_EQ(text.find(absent), std::string::npos) << absent;
  log->SetFilterClasses(log->FilterClasses() - TQVExceptionClasses{efThread});
  log->SetOptions({laShowSourceLine});
  text = WriteComponentText(*log);
  EXPECT_NE(text.find("Options = [laShowSourceLine]"), std::string::npos) << text;
  EXPECT_NE(text.find("FilterClasses = [efStreamError, efFCreateError"), std::string::npos) << text;
}

// ---- The extended dialog, driven by queued calls -------------------------------------

TfrmVEVirErrorDialog* openDialog() { return dynamic_cast<TfrmVEVirErrorDialog*>(Screen->ActiveForm()); }

struct LayoutCase {
  TQVLAOptions Options;
  TQVLDialogOptions SendToOptions;
  std::string WWW;
  bool EmailVisible;
  bool WebVisible;
  int WebLeft;
  bool CheckVisible;
  int ClientHeight;
  std::string Link;
};

TEST_F(ExceptionLogTest, TheDialogLaysItselfOutFromTheOptions) {
  rvtest::TInteractiveWidgetSet user;
  const LayoutCase table[] = {
      {{laShowSendEMail, laShowSupportLink},
       {doScreenshot, doEmail, doWeb},
       "https://x.org",
       true,
       true,
       138,
       true,
       232,
       "https://x.org"},
      {{laShowSendEMail, laShowSupportLink}, {doScreenshot, doWeb}, "", false, true, 138, true, 232, ""},
      {{laShowSupportLink}, {doScreenshot, doEmail, doWeb}, "w", false, true, 8, false, 210, "w"},
      {{laShowSendEMail}, {doEmail, doWeb}, "w", true, false, 138, false, 210, ""},
      {{}, {}, "w", false, false, 138, false, 210, ""},
  };
  for (const LayoutCase& c : table) {
    auto log = NewLog();
    log->SetErrorDialog(edExtended);
    log->SetOptions(c.Options);
    log->SendTo()->SetOptions(c.SendToOptions);
    log->SendTo()->SetWWW(c.WWW);
    bool seen = false;
    TThread::Queue(nullptr, [&] {
      TfrmVEVirErrorDialog* d = openDialog();
      ASSERT_NE(d, nullptr);
      seen = true;
      EXPECT_EQ(d->Caption(), "Error");
      EXPECT_EQ(d->ClientWidth(), 492);
      EXPECT_EQ(d->ClientHeight(), c.ClientHeight);
      EXPECT_EQ(d->btnEmail->Visible(), c.EmailVisible);
      EXPECT_EQ(d->btnEmail->Left(), 8);
      EXPECT_EQ(d->btnGoWEB->Visible(), c.WebVisible);
      EXPECT_EQ(d->btnGoWEB->Left(), c.WebLeft);
      EXPECT_EQ(d->cbAttachScreenshot->Visible(), c.CheckVisible);
      EXPECT_FALSE(d->cbAttachScreenshot->Checked());
      EXPECT_EQ(d->lblProductSite->Caption(), c.Link);
      EXPECT_EQ(d->gbExceptionReason->Caption(), " Exception Reason ");
      EXPECT_EQ(d->lblErrorText->Lines()->Text(), "it broke\r\n");
      EXPECT_EQ(d->imgError->Picture()->Width(), 32);
      EXPECT_NE(d->lblHeader->Caption().find("andthe state of your machine"), std::string::npos);
      FeedKey(d, VK_ESCAPE, {});
    });
    Raise<EAppSpecific>("it broke");
    EXPECT_TRUE(seen);
    EXPECT_EQ(openDialog(), nullptr) << "the dialog is destroyed when it closes";
  }
}

// A mail service that fails by raising.
class TRaisingMapi : public TRecordingMapiService {
 public:
  ULONG MAPISendMail(LHANDLE, ULONG_PTR, const TMapiMessage*, ULONG, ULONG) override {
    throw EAppSpecific("mail client crashed");
  }
};

TEST_F(ExceptionLogTest, AnExceptionWhileTheDialogIsOpenGetsOnlyTheStandardBox) {
  rvtest::TInteractiveWidgetSet user;
  TRaisingMapi mapi;
  TMapiServiceScope scope(mapi);
  auto log = NewLog();
  log->SetErrorDialog(edExtended);
  log->SendTo()->SetAttachScreenShot(false);
  TThread::Queue(nullptr, [&] {
    TfrmVEVirErrorDialog* d = openDialog();
    ASSERT_NE(d, nullptr);
    d->cbAttachScreenshot->SetChecked(true);
    FeedClick(d->btnEmail);  // raises inside the open dialog
    EXPECT_EQ(openDialog(), d) << "the dialog stays open";
    EXPECT_FALSE(log->SendTo()->AttachScreenShot()) << "restored although the mail raised";
    FeedClick(d->btnClose);
  });
  Raise<EConvertError>("first");
  EXPECT_EQ(BoxTexts(), (std::vector<std::string>{"mail client crashed."}));
  EXPECT_EQ(Content(), "\r\nClassname: EConvertError \r\n") << "only the first exception was logged";
  log->SetErrorDialog(edNone);
  Raise<EListError>("later");
  EXPECT_NE(Content().find("EListError"), std::string::npos) << "processing goes on normally afterwards";
}

TEST(ErrorDialogTest, ButtonsForwardToTheCallbacks) {
  TfrmVEVirErrorDialog dialog(nullptr);
  dialog.btnGoWEBClick(dialog.btnGoWEB);  // nothing assigned: nothing happens
  std::vector<std::string> calls;
  dialog.SetOnActivateWeb([&](TObject* Sender) { calls.push_back(Sender == dialog.lblProductSite ? "link" : "web"); });
  dialog.SetOnActivateMail(
      [&](TObject*, bool IncludeScreenshot) { calls.push_back(IncludeScreenshot ? "mail+shot" : "mail"); });
  dialog.lblProductSite->Click();
  dialog.btnGoWEB->Click();
  dialog.cbAttachScreenshot->SetChecked(true);
  dialog.btnEmail->Click();  // the box is ticked but hidden
  dialog.cbAttachScreenshot->SetVisible(true);
  dialog.btnEmail->Click();
  EXPECT_EQ(calls, (std::vector<std::string>{"link", "web", "mail", "mail+shot"}));
}

TEST(ErrorDialogTest, TheLayoutResourceHoldsTheControlsInTheirPlaces) {
  TfrmVEVirErrorDialog d(nullptr);
  EXPECT_EQ(d.Name(), "frmVEVirErrorDialog");
  EXPECT_EQ(std::make_pair(d.ClientWidth(), d.ClientHeight()), std::make_pair(492, 210));
  EXPECT_EQ(d.BorderStyle(), bsDialog);
  EXPECT_EQ(d.Position(), poScreenCenter);
  struct Place {
    TControl* Control;
    int Left, Top, Width, Height;
    bool Visible;
  };
  const Place places[] = {
      {d.btnClose, 408, 180, 75, 25, true},
      {d.btnEmail, 8, 180, 125, 25, false},
      {d.cbAttachScreenshot, 8, 210, 250, 17, false},
      {d.btnGoWEB, 138, 180, 125, 25, false},
      {d.pnlHeader, 0, 0, 492, 100, true},
      {d.imgError, 10, 10, 32, 32, true},
      {d.lblHeader, 56, 3, 425, 70, true},
      {d.gbExceptionReason, 9, 104, 473, 73, true},
      {d.lblErrorText, 7, 17, 460, 50, true},
      {d.lblProductSite, 56, 80, 3, 13, true},
  };
  for (const Place& p : places) {
    SCOPED_TRACE(p.Control->Name());
    EXPECT_EQ(p.Control->Left(), p.Left);
    EXPECT_EQ(p.Control->Top(), p.Top);
    EXPECT_EQ(p.Control->Width(), p.Width);
    EXPECT_EQ(p.Control->Height(), p.Height);
    EXPECT_EQ(p.Control->Visible(), p.Visible);
  }
  EXPECT_EQ(d.btnClose->Caption(), "&Close");
  EXPECT_TRUE(d.btnClose->Default() && d.btnClose->Cancel());
  EXPECT_EQ(d.btnClose->ModalResult(), mrOk);
  EXPECT_EQ(d.btnClose->TabOrder(), 0);
  EXPECT_EQ(d.cbAttachScreenshot->TabOrder(), 1);
  EXPECT_EQ(d.btnEmail->TabOrder(), 2);
  EXPECT_EQ(d.btnGoWEB->TabOrder(), 3);
  EXPECT_EQ(d.pnlHeader->Color(), clHighlightText);
  EXPECT_EQ(d.lblProductSite->Cursor(), crHandPoint);
  EXPECT_EQ(d.lblProductSite->Font()->Color(), clBlue);
  EXPECT_TRUE(d.lblProductSite->Font()->Style().Contains(fsUnderline));
  EXPECT_TRUE(d.lblErrorText->ReadOnly());
  EXPECT_EQ(d.lblErrorText->ScrollBars(), ssVertical);
}

}  // namespace
