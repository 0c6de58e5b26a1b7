#include "examples/demo/DemoLog.h"

#include <cstdio>

#include "examples/demo/PrintFile.h"
#include "platform/rtl/DateTime.h"

using namespace rv;

std::string DemoLog(TQVLogBase& TextLog, TQVLogBase& XmlLog) {
  std::printf("== The log file: records in the text form and in the XML form\n");
  // Stored as "showcase.log" for both; the XML form switched the second to ".xml".
  for (TQVLogBase* log : {&TextLog, &XmlLog}) {
    log->ClearLog();
    // The text form writes values alone: the line ends are the caller's.
    const bool text = log->Formatting() == qvlfText;
    auto endLine = [&] {
      if (text) log->WriteAsString("NL", "\r\n");
    };
    log->WriteAsString("START", "showcase started");
    endLine();
    log->WriteAsInteger("ANSWER", 42);
    endLine();
    log->WriteAsFloat("RATIO", 2.5);
    endLine();
    log->WriteAsDateTime("AT", Now());
    endLine();
  }
  PrintFile(TextLog.LogFile());
  PrintFile(XmlLog.LogFile());
  return "4 records each in " + TextLog.LogFile() + " and " + XmlLog.LogFile();
}
