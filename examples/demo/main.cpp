// The demo host: builds a small component tree in code and another from a
// form file, writes log records in both forms, runs the application loop
// briefly, and lets an exception escape a message handler. The exception
// reaches the application's handler, which an exception log has taken over:
// it writes a record with the unit, procedure and line of the throw (from the
// map file written beside this program) and shows the extended error dialog
// when there is a display (until the user closes it, or for the seconds given
// with --close-dialog-after=SECONDS), the standard error text on standard
// error when there is none.

#include <cstdio>
#include <memory>
#include <optional>
#include <sstream>
#include <string>

#include "examples/demo/DemoDialogCloser.h"

#include "core/LogBase.h"
#include "examples/demo/DemoAppLog.h"
#include "examples/demo/DemoChecks.h"
#include "examples/demo/DemoDataset.h"
#include "examples/demo/DemoEventLog.h"
#include "examples/demo/DemoFaults.h"
#include "examples/demo/DemoMonitors.h"
#include "examples/demo/DemoShell.h"
#include "exception/LogError.h"
#include "platform/classes/FormFile.h"
#include "platform/classes/Stream.h"
#include "platform/forms/Application.h"
#include "platform/forms/Messages.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/SysUtils.h"

using namespace rv;

namespace {

constexpr const char* kStoredLogs =
    "object StoredLogs: TComponent\n"
    "  object AuditLog: TQVLogBase\n"
    "    Active = True\n"
    "    Formatting = qvlfXML\n"
    "    LogFile = 'audit.log'\n"
    "    SendTo.EMail = 'support@example.org'\n"
    "  end\n"
    "end\n";

constexpr std::uint32_t WM_DEMO_WORK = WM_USER + 1;
constexpr std::uint32_t WM_DEMO_FAIL = WM_USER + 2;

[[gnu::noinline]] void convertAnswer() { throw EConvertError("'forty-two' is not a valid integer value"); }

// The first lines of a record, as they stand in the file.
void showBeginning(const std::string& record, int lines) {
  std::istringstream in(record);
  std::string line;
  for (int i = 0; i < lines && std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.empty()) continue;
    std::printf("  %s\n", line.c_str());
    ++i;
  }
}

void show(const std::string& file) {
  std::printf("--- %s\n%s\n---\n", ExpandFileName(file).c_str(), ReadFileBytes(file).c_str());
}

}  // namespace

int main(int argc, char** argv) {
  // Line by line, so the standard error text stays in its place.
  std::setvbuf(stdout, nullptr, _IOLBF, 0);
  Application->SetTitle("REVuziva demo");
  std::printf("%s: a component tree in code and one from a form file\n", Application->Title().c_str());

  // In code: a root owning two log components, one per record form.
  auto root = std::make_unique<TComponent>(nullptr);
  root->SetName("DemoRoot");
  auto* textLog = new TQVLogBase(root.get());
  textLog->SetName("TextLog");
  textLog->SetLogFile("demo.log");
  textLog->ClearLog();
  auto* xmlLog = new TQVLogBase(root.get());
  xmlLog->SetName("XmlLog");
  xmlLog->SetLogFile("demo");
  xmlLog->SetFormatting(qvlfXML);  // LogFile becomes "demo.xml"
  xmlLog->ClearLog();

  // From a form file: Formatting is applied after LogFile, so "audit.log" is
  // read back as "audit.xml".
  std::unique_ptr<TComponent> stored(ReadComponentText(kStoredLogs, nullptr));
  auto* auditLog = static_cast<TQVLogBase*>(stored->FindComponent("AuditLog"));
  auditLog->ClearLog();
  std::printf("read %s with %s (LogFile '%s')\n", stored->Name().c_str(), auditLog->ClassName().c_str(),
              auditLog->LogFile().c_str());
  std::printf("stored again:\n%s", WriteComponentText(*stored).c_str());

  textLog->WriteAsString("START", "demo started\r\n");
  textLog->WriteAsInteger("ANSWER", 42);
  textLog->WriteAsString("NL", "\r\n");
  textLog->WriteAsDateTime("AT", Now());
  textLog->WriteAsString("NL", "\r\n");
  xmlLog->WriteAsString("START", "demo started");
  xmlLog->WriteAsFloat("RATIO", 2.5);
  auditLog->WriteAsString("USER", "signed in");

  RunAppLogDemo();

  // The loop: one handler does its work, another raises; the exception
  // reaches the application's handler with its class, message and address.
  int handled = 0;
  Application->HookMainWindow([&](TMessage& m) {
    if (m.Msg == WM_DEMO_WORK) {
      ++handled;
      return true;
    }
    if (m.Msg == WM_DEMO_FAIL) convertAnswer();
    return false;
  });
  Application->SetOnException([&](TObject* Sender, Exception* E) {
    std::string where = ExceptionErrorMessage(*E, ExceptAddr());
    std::printf("the application's handler got %s from %s:\n  %s\n", E->ClassName().c_str(),
                Sender ? Sender->ClassName().c_str() : "nothing", where.c_str());
    xmlLog->WriteAsString("ERROR", E->ClassName() + ": " + E->Message());
  });
  // Installed after the handler above, which it calls first.
  auto* crashLog = new TQVExceptionLog(root.get());
  crashLog->SetName("CrashLog");
  crashLog->SetLogFile("crash");
  crashLog->SetFormatting(qvlfXML);
  crashLog->ClearLog();
  crashLog->SetFormats(crashLog->Formats() + TQVLFormats{lfExceptionClassName, lfSourceLine, lfOSInfo, lfMemoryInfo});
  crashLog->SetOptions(crashLog->Options() + TQVLAOptions{laShowSourceLine});
  crashLog->SendTo()->SetEMail("support@example.org");
  crashLog->SendTo()->SetWWW("https://example.org/support");
  crashLog->SetActive(true);
  std::optional<TDemoDialogCloser> closer;
  if (const std::optional<double> seconds = CloseDialogAfterOption(argc, argv)) closer.emplace(crashLog, *seconds);
  crashLog->SetOnSaveException([&](TObject*, Exception*, std::string& LogText, bool&) {
    std::printf("the exception log writes its record to %s; it begins:\n", ExpandFileName(crashLog->LogFile()).c_str());
    showBeginning(LogText, 6);
    if (closer) closer->Start();
  });
  std::printf("the exception log answers with %s\n",
              WidgetSet()->Interactive() ? "the extended dialog (close it to go on)" : "the standard error text");
  // The loop ends once the exception log has answered the failure: a quit
  // queued any earlier would end the dialog's own loop the moment it opens.
  const TExceptionEvent answer = Application->OnException();
  Application->SetOnException([&, answer](TObject* Sender, Exception* E) {
    answer(Sender, E);
    Application->PostMessage(WM_QUIT);
  });
  Application->PostMessage(WM_DEMO_WORK);
  Application->PostMessage(WM_DEMO_FAIL);
  Application->PostMessage(WM_DEMO_WORK);
  Application->Run();
  closer.reset();
  std::printf("the loop handled %d messages and ended\n\n", handled);

  show(textLog->LogFile());
  show(xmlLog->LogFile());
  show(auditLog->LogFile());
  show(crashLog->LogFile());
  RunMonitorsDemo();
  DemoChecks();
  DemoFaults();
  rvdemo::DemoDataset();
  RunEventLogDemo();
  DemoShell(*new TQVShellLog(root.get()), ExpandFileName("demo-shell"));
  return 0;
}
