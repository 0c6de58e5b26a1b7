#include "examples/demo/ShowcaseForm.h"

#include <cstdio>
#include <sstream>
#include <string_view>

#include "examples/demo/ServeFor.h"
#include "examples/demo/ShowcaseFormText.h"
#include "platform/classes/FormFile.h"
#include "platform/classes/Published.h"
#include "platform/forms/Application.h"
#include "platform/forms/Screen.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/Convert.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"

using namespace rv;

const TClass& TShowcaseForm::StaticClass() {
  static const TClass cls =
      TClassBuilder<TShowcaseForm>("TShowcaseForm")
          .Field("pnlHeader", &TShowcaseForm::pnlHeader)
          .Field("lblLog", &TShowcaseForm::lblLog)
          .Field("lblExceptions", &TShowcaseForm::lblExceptions)
          .Field("btnConvert", &TShowcaseForm::btnConvert)
          .Field("lblAppEvents", &TShowcaseForm::lblAppEvents)
          .Field("lblDataset", &TShowcaseForm::lblDataset)
          .Field("lblMonitors", &TShowcaseForm::lblMonitors)
          .Field("lblEventLog", &TShowcaseForm::lblEventLog)
          .Field("edtName", &TShowcaseForm::edtName)
          .Field("edtAge", &TShowcaseForm::edtAge)
          .Field("cbAgree", &TShowcaseForm::cbAgree)
          .Field("cbxCountry", &TShowcaseForm::cbxCountry)
          .Field("btnCheck", &TShowcaseForm::btnCheck)
          .Field("lblChecks", &TShowcaseForm::lblChecks)
          .Field("memProgress", &TShowcaseForm::memProgress)
          .Field("TextLog", &TShowcaseForm::TextLog)
          .Field("XmlLog", &TShowcaseForm::XmlLog)
          .Field("ExceptionLog", &TShowcaseForm::ExceptionLog)
          .Field("AppLog", &TShowcaseForm::AppLog)
          .Field("Database", &TShowcaseForm::Database)
          .Field("CustomersTable", &TShowcaseForm::CustomersTable)
          .Field("DatasetLog", &TShowcaseForm::DatasetLog)
          .Field("FileLog", &TShowcaseForm::FileLog)
          .Field("RegistryLog", &TShowcaseForm::RegistryLog)
          .Field("ShellLog", &TShowcaseForm::ShellLog)
          .Field("EventLog", &TShowcaseForm::EventLog)
          .Field("Checks", &TShowcaseForm::Checks)
          .Method("btnConvertClick", &TShowcaseForm::btnConvertClick)
          .Method("btnCheckClick", &TShowcaseForm::btnCheckClick)
          .Method("ExceptionLogException", &TShowcaseForm::ExceptionLogException)
          .Method("ExceptionLogSaveException", &TShowcaseForm::ExceptionLogSaveException)
          .Method("AppLogActivate", &TShowcaseForm::AppLogActivate)
          .Method("AppLogDeactivate", &TShowcaseForm::AppLogDeactivate)
          .Method("AppLogIdle", &TShowcaseForm::AppLogIdle)
          .Method("AppLogHint", &TShowcaseForm::AppLogHint)
          .Method("AppLogSettingsChanged", &TShowcaseForm::AppLogSettingsChanged)
          .Method("AppLogActiveFormChange", &TShowcaseForm::AppLogActiveFormChange)
          .Method("DatasetLogSQLStatement", &TShowcaseForm::DatasetLogSQLStatement)
          .Method("FileLogFileNotification", &TShowcaseForm::FileLogFileNotification)
          .Method("RegistryLogRegistryNotification", &TShowcaseForm::RegistryLogRegistryNotification)
          .Build();
  return cls;
}

namespace {

const char* const kChangeKinds[] = {"file name", "folder name", "attributes", "size", "last write", "subfolders"};

// Kept out of line, so the exception record names this file's line.
[[gnu::noinline]] int wholeNumber(const std::string& Text) {
  int value = 0;
  if (!TryStrToInt(Text, value)) throw EConvertError("'" + Text + "' is not a valid integer value");
  return value;
}

// The first non-empty lines of a record, as they stand in the file.
void printBeginning(const std::string& Record, int Lines) {
  std::istringstream in(Record);
  std::string line;
  for (int i = 0; i < Lines && std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::printf("  %s\n", line.c_str());
    ++i;
  }
}

}  // namespace

TShowcaseForm::TShowcaseForm(TComponent* AOwner) : TForm(AOwner) { ReadComponentTextInto(ShowcaseFormText(), this); }

void TShowcaseForm::ShowIfDisplayed() {
  if (!WidgetSet()->Interactive()) return;
  Show();
  FShown = true;
  // Until the window is there and drawn.
  for (int i = 0; i < 100 && !CurrentWidgetSet()->WindowHandle(this); ++i) ServeFor(std::chrono::milliseconds(20));
  ServeFor(std::chrono::milliseconds(500));
}

void TShowcaseForm::PartDone(TLabel* Status, const std::string& Summary) {
  std::printf("  => %s\n\n", Summary.c_str());
  Status->SetCaption(Summary);
  memProgress->Lines()->Add(Summary);
  Linger(std::chrono::milliseconds(800));
}

void TShowcaseForm::Linger(std::chrono::milliseconds Time) {
  if (FShown) ServeFor(Time);
}

void TShowcaseForm::CloseDialogAfter(double Seconds) { FDialogCloser = std::make_unique<TDemoDialogCloser>(Seconds); }

void TShowcaseForm::btnConvertClick(TObject*) {
  const int answer = wholeNumber("forty-two");
  TextLog->WriteAsInteger("ANSWER", answer);
}

void TShowcaseForm::btnCheckClick(TObject*) {
  const bool valid = Checks->Execute();
  std::printf("  Execute: %s, %d failed\n", valid ? "valid" : "not valid", Checks->FailedCount());
  for (int i = 0; i < Checks->CheckProviders()->Count(); ++i) {
    TQVLCheckProvider* p = Checks->CheckProviders()->GetCheckProvider(i);
    const std::string verdict = p->CheckStatus() == csFailed ? "failed: " + p->GetHintText() : "valid";
    std::printf("    %-12s %s\n", p->CheckControl()->Name().c_str(), verdict.c_str());
  }
}

void TShowcaseForm::ExceptionLogException(TObject* Sender, Exception* E) {
  std::printf("the exception log got %s from %s:\n  %s\n", E->ClassName().c_str(),
              Sender ? Sender->ClassName().c_str() : "nothing", ExceptionErrorMessage(*E, ExceptAddr()).c_str());
}

void TShowcaseForm::ExceptionLogSaveException(TObject*, Exception*, std::string& LogText, bool&) {
  std::printf("the exception log writes its record to %s; it begins:\n",
              ExpandFileName(ExceptionLog->LogFile()).c_str());
  printBeginning(LogText, 6);
}

void TShowcaseForm::AppLogActivate(TObject*) { AppLog->WriteAsString("ACTIVATE", "activated\r\n"); }

void TShowcaseForm::AppLogDeactivate(TObject*) { AppLog->WriteAsString("DEACTIVATE", "deactivated\r\n"); }

void TShowcaseForm::AppLogIdle(TObject*, bool&) {
  // Once is enough to show it: the loop idles whenever it waits.
  if (FIdleLogged) return;
  FIdleLogged = true;
  AppLog->WriteAsString("IDLE", "the loop went idle\r\n");
}

void TShowcaseForm::AppLogHint(TObject*) { AppLog->WriteAsString("HINT", "hint: '" + Application->Hint() + "'\r\n"); }

void TShowcaseForm::AppLogSettingsChanged(TObject*) {
  AppLog->WriteAsString("SETTINGS", "the desktop's settings changed\r\n");
}

void TShowcaseForm::AppLogActiveFormChange(TObject*) {
  const TCustomForm* active = Screen->ActiveCustomForm();
  AppLog->WriteAsString("FORM", "active form: " + (active ? active->Name() : std::string("none")) + "\r\n");
}

void TShowcaseForm::DatasetLogSQLStatement(TObject*, const std::string& SQL) {
  std::printf("  statement: %s\n", SQL.c_str());
}

void TShowcaseForm::FileLogFileNotification(TObject*, TFileNotificationOption Action) {
  FileLog->WriteAsString("FILE", std::string("folder monitor: ") + kChangeKinds[Action] + " changed\r\n");
}

void TShowcaseForm::RegistryLogRegistryNotification(TObject*) {
  RegistryLog->WriteAsString("REGISTRY", "registry monitor: " + RegistryLog->Key() + " changed\r\n");
}
