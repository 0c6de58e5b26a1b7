#pragma once
// The showcase's main form. Its layout, its components and their settings
// come from the form file Showcase.dfm, embedded in the program at build
// time: the reader creates every control and component into the fields
// below and binds the stored handlers to the methods below by name.

#include <chrono>
#include <memory>
#include <string>

#include "applog/LogApp.h"
#include "applog/LogDS.h"
#include "checks/QVLChecks.h"
#include "core/LogBase.h"
#include "examples/demo/DemoDialogCloser.h"
#include "exception/LogError.h"
#include "monitors/LogFile.h"
#include "monitors/LogNT.h"
#include "monitors/LogRegistry.h"
#include "monitors/LogShell.h"
#include "platform/db/SQLiteDataSet.h"
#include "platform/forms/ExtCtrls.h"
#include "platform/forms/Forms.h"
#include "platform/forms/StdCtrls.h"

class TShowcaseForm : public rv::TForm {
  RV_CLASS(TShowcaseForm, rv::TForm)
 public:
  explicit TShowcaseForm(rv::TComponent* AOwner);

  // Whether a user sees the form: it is shown, and the parts leave it up a
  // moment after each step.
  bool OnScreen() const { return FShown; }
  // Shows the form when there is a display; headless it stays hidden.
  void ShowIfDisplayed();
  // A part is done: its summary goes to its status label, the progress list
  // and standard output, and a user gets a moment to see it.
  void PartDone(rv::TLabel* Status, const std::string& Summary);
  // Keeps the window alive for a while when it is shown.
  void Linger(std::chrono::milliseconds Time);
  // Cancels each dialog after this many seconds (unattended runs).
  void CloseDialogAfter(double Seconds);

  // ---- The stored controls and components; owned by the form ----
  rv::TPanel* pnlHeader = nullptr;
  rv::TLabel* lblLog = nullptr;
  rv::TLabel* lblExceptions = nullptr;
  rv::TButton* btnConvert = nullptr;
  rv::TLabel* lblAppEvents = nullptr;
  rv::TLabel* lblDataset = nullptr;
  rv::TLabel* lblMonitors = nullptr;
  rv::TLabel* lblEventLog = nullptr;
  rv::TEdit* edtName = nullptr;
  rv::TEdit* edtAge = nullptr;
  rv::TCheckBox* cbAgree = nullptr;
  rv::TComboBox* cbxCountry = nullptr;
  rv::TButton* btnCheck = nullptr;
  rv::TLabel* lblChecks = nullptr;
  rv::TMemo* memProgress = nullptr;
  rv::TQVLogBase* TextLog = nullptr;
  rv::TQVLogBase* XmlLog = nullptr;
  rv::TQVExceptionLog* ExceptionLog = nullptr;
  rv::TQVAppLog* AppLog = nullptr;
  rv::TSQLiteConnection* Database = nullptr;
  rv::TSQLiteTable* CustomersTable = nullptr;
  rv::TQVDatasetLog* DatasetLog = nullptr;
  rv::TQVFileLog* FileLog = nullptr;
  rv::TQVRegistryLog* RegistryLog = nullptr;
  rv::TQVShellLog* ShellLog = nullptr;
  rv::TQVNTEventLog* EventLog = nullptr;
  rv::TQVLCheckProcessor* Checks = nullptr;

  // ---- Handlers the form file binds by name ----
  void btnConvertClick(rv::TObject* Sender);
  void btnCheckClick(rv::TObject* Sender);
  void ExceptionLogException(rv::TObject* Sender, rv::Exception* E);
  void ExceptionLogSaveException(rv::TObject* Sender, rv::Exception* E, std::string& LogText, bool& Accept);
  void AppLogActivate(rv::TObject* Sender);
  void AppLogDeactivate(rv::TObject* Sender);
  void AppLogIdle(rv::TObject* Sender, bool& Done);
  void AppLogHint(rv::TObject* Sender);
  void AppLogSettingsChanged(rv::TObject* Sender);
  void AppLogActiveFormChange(rv::TObject* Sender);
  void DatasetLogSQLStatement(rv::TObject* Sender, const std::string& SQL);
  void FileLogFileNotification(rv::TObject* Sender, rv::TFileNotificationOption Action);
  void RegistryLogRegistryNotification(rv::TObject* Sender);

 private:
  bool FShown = false;
  bool FIdleLogged = false;
  std::unique_ptr<TDemoDialogCloser> FDialogCloser;
};
