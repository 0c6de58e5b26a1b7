#include "examples/demo/DemoFaults.h"

#include <cstdio>

#include "exception/LogError.h"
#include "platform/classes/Stream.h"
#include "platform/forms/Application.h"
#include "platform/rtl/FileUtils.h"

using namespace rv;

namespace {

volatile int* volatile nowhere = nullptr;
volatile int readValue = 0;

[[gnu::noinline]] void ReadThroughNull() { readValue = *nowhere; }

[[gnu::noinline]] void HandleClick() {
  ReadThroughNull();
  readValue = readValue + 1;
}

}  // namespace

void DemoFaults() {
  TQVExceptionLog faultLog(nullptr);
  faultLog.SetLogFile("faults");
  faultLog.SetFormatting(qvlfXML);
  faultLog.ClearLog();
  faultLog.SetFormats({lfExceptionClassName, lfMessage, lfSourceLine, lfCallStack});
  faultLog.SetErrorDialog(edNone);
  faultLog.SetActive(true);
  std::printf("a null pointer read in an event handler:\n");
  Application->RunGuarded(nullptr, [] { HandleClick(); });
  std::printf("the program goes on; the record:\n--- %s\n%s\n---\n", ExpandFileName(faultLog.LogFile()).c_str(),
              ReadFileBytes(faultLog.LogFile()).c_str());
}
