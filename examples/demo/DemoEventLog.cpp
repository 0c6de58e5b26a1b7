#include "examples/demo/DemoEventLog.h"

#include <cstdio>
#include <fstream>

#include "platform/os/EventLog.h"
#include "platform/os/Registry.h"
#include "platform/rtl/DateTime.h"

using namespace rv;

namespace {

const char* typeName(std::uint16_t Type) {
  switch (Type) {
    case EVENTLOG_ERROR_TYPE: return "error";
    case EVENTLOG_WARNING_TYPE: return "warning";
    default: return "information";
  }
}

}  // namespace

std::string DemoEventLog(TQVNTEventLog& Log, const std::string& ScratchFolder) {
  std::printf("== The event log: entries written and read back with their message texts\n");
  const std::string messages = ScratchFolder + "/showcase.msg";
  std::ofstream(messages) << "MessageId=100\nThe showcase says: %1%nAll is well.\n.\n"
                             "MessageId=101\nThe showcase warns: %1\n.\n";
  TRegistry registry;
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  registry.OpenKey(EventLogKey(Log.Log(), Log.Source()), true);
  registry.WriteExpandString("EventMessageFile", messages);

  Log.WriteToEventLog("hello from the showcase", EVENTLOG_INFORMATION_TYPE, 0, 100);
  Log.WriteToEventLog("the disk is almost full", EVENTLOG_WARNING_TYPE, 0, 101);
  Log.WriteToEventLog("no text for this one", EVENTLOG_ERROR_TYPE, 0, 999);
  Log.Open();
  const int count = Log.GetEventCount();
  std::printf("%d entries in the log \"%s\":\n", count, Log.Log().c_str());
  for (int i = 0; i < count; ++i) {
    Log.ReadEvent(i);
    std::string text = Log.GetEventMessageText();
    if (text.empty()) text = "(the message file has no text for this event)";
    for (std::size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; at += 5) text.replace(at, 2, "\n    ");
    std::printf("  #%d %s %u from %s on %s at %s UTC:\n    %s\n", i, typeName(Log.GetEventType()), Log.GetEventID(),
                Log.GetEventSource().c_str(), Log.GetEventComputer().c_str(),
                FormatDateTime("yyyy-mm-dd hh:nn:ss", Log.GetEventTime()).c_str(), text.c_str());
  }
  Log.Close();
  return std::to_string(count) + " entries written and read back with their texts";
}
