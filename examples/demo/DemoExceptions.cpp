#include "examples/demo/DemoExceptions.h"

#include <cstdio>

#include "examples/demo/PrintFile.h"
#include "examples/demo/ShowcaseForm.h"
#include "platform/forms/Application.h"
#include "platform/forms/WidgetSet.h"
#include "platform/rtl/ScopeGuard.h"

using namespace rv;

namespace {

volatile int* volatile nowhere = nullptr;
volatile int readValue = 0;

[[gnu::noinline]] void readThroughNull() { readValue = *nowhere; }

}  // namespace

std::string DemoExceptions(TShowcaseForm& Form) {
  std::printf("== The exception log: a failing click, its record and its dialog\n");
  TQVExceptionLog& log = *Form.ExceptionLog;
  log.ClearLog();
  std::printf("the exception log answers with %s\n",
              WidgetSet()->Interactive() ? "the extended dialog (close it to go on)" : "the standard error text");
  // The application event log took the slot over after the exception log
  // was read: it calls the exception log, then always shows the standard
  // error box as well.
  FeedClick(Form.btnConvert);
  std::printf("the dialogs are closed; the program goes on\n");

  std::printf("a null pointer read in an event handler, recorded with its call stack:\n");
  {
    // Only for this fault: no dialog, and the throw site's frames.
    const TQVLErrorDialog dialog = log.ErrorDialog();
    const TQVLFormats formats = log.Formats();
    TScopeExit restore([&] {
      log.SetErrorDialog(dialog);
      log.SetFormats(formats);
    });
    log.SetErrorDialog(edNone);
    log.SetFormats(formats + TQVLFormats{lfCallStack});
    Application->RunGuarded(Form.btnConvert, [] { readThroughNull(); });
  }
  PrintFile(log.LogFile());
  return "2 records in " + log.LogFile() + ": EConvertError, EAccessViolation";
}
