// eventlog: the event log store from the command line.
//
//   eventlog [OPTIONS] list
//   eventlog [OPTIONS] show LOG [COUNT]
//   eventlog [OPTIONS] write SOURCE TYPE ID TEXT
//   eventlog [OPTIONS] register LOG SOURCE MESSAGEFILES
//
// OPTIONS: --root DIR (the store's folder; entries written there are not
// passed on to the system journal), --registry DIR (the registry store's
// folder), --journal DIR (a journal folder read as "Journal").
// show prints the newest COUNT records (all when not given), oldest first,
// with their message texts. TYPE is error, warning, information,
// audit-success, audit-failure or a number. MESSAGEFILES is a ";"-separated
// list; environment variables in %NAME% are expanded when it is read.
// Exit codes: 0 done, 1 failed, 2 wrong arguments.

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "monitors/LogNT.h"
#include "platform/os/EventLog.h"
#include "platform/os/Registry.h"
#include "platform/rtl/DateTime.h"

using namespace rv;

namespace {

int usage() {
  std::fputs(
      "usage: eventlog [--root DIR] [--registry DIR] [--journal DIR] list\n"
      "       eventlog [...] show LOG [COUNT]\n"
      "       eventlog [...] write SOURCE error|warning|information|audit-success|audit-failure ID TEXT\n"
      "       eventlog [...] register LOG SOURCE MESSAGEFILES\n",
      stderr);
  return 2;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "eventlog: %s\n", message.c_str());
  return 1;
}

bool parseNumber(const std::string& text, std::uint32_t& value) {
  char* end = nullptr;
  const unsigned long number = std::strtoul(text.c_str(), &end, 0);
  if (text.empty() || *end || number > 0xFFFFFFFFul) return false;
  value = static_cast<std::uint32_t>(number);
  return true;
}

bool parseType(const std::string& text, std::uint16_t& type) {
  static const struct {
    const char* name;
    std::uint16_t type;
  } names[] = {{"error", EVENTLOG_ERROR_TYPE},
               {"warning", EVENTLOG_WARNING_TYPE},
               {"information", EVENTLOG_INFORMATION_TYPE},
               {"audit-success", EVENTLOG_AUDIT_SUCCESS},
               {"audit-failure", EVENTLOG_AUDIT_FAILURE}};
  for (const auto& n : names)
    if (text == n.name) {
      type = n.type;
      return true;
    }
  std::uint32_t number = 0;
  if (!parseNumber(text, number) || number > 0xFFFF) return false;
  type = static_cast<std::uint16_t>(number);
  return true;
}

const char* typeName(std::uint16_t type) {
  switch (type) {
    case EVENTLOG_ERROR_TYPE: return "Error";
    case EVENTLOG_WARNING_TYPE: return "Warning";
    case EVENTLOG_INFORMATION_TYPE: return "Information";
    case EVENTLOG_AUDIT_SUCCESS: return "Audit Success";
    case EVENTLOG_AUDIT_FAILURE: return "Audit Failure";
    default: return "Success";
  }
}

int show(const std::string& logName, const std::string& countText) {
  std::uint32_t limit = 0xFFFFFFFF;
  if (!countText.empty() && !parseNumber(countText, limit)) return usage();
  TQVNTEventLog log(nullptr);
  log.SetLog(logName);
  log.Open();
  const int count = log.GetEventCount();
  const int first = count > static_cast<std::int64_t>(limit) ? count - static_cast<int>(limit) : 0;
  for (int i = first; i < count; ++i) {
    try {
      log.ReadEvent(i);
    } catch (const EOSError& e) {
      std::printf("#%d: %s\n\n", i, e.Message().c_str());
      continue;
    }
    std::printf("#%d %s  %s  %s  %s  ID %u (0x%08X)\n", i,
                FormatDateTime("yyyy-mm-dd hh:nn:ss", log.GetEventTime()).c_str(), typeName(log.GetEventType()),
                log.GetEventSource().c_str(), log.GetEventComputer().c_str(), log.GetEventID(), log.GetEventID());
    std::string text = log.GetEventMessageText();
    if (text.empty())
      for (int s = 0; s < log.GetEventStringCount(); ++s) text += (s ? " | " : "") + log.GetEventString(s);
    std::printf("  %s\n\n", text.c_str());
  }
  return 0;
}

int run(const std::vector<std::string>& args) {
  const std::string& command = args[0];
  if (command == "list" && args.size() == 1) {
    for (const std::string& name : EventLogNames()) std::printf("%s\n", name.c_str());
    return 0;
  }
  if (command == "show" && (args.size() == 2 || args.size() == 3))
    return show(args[1], args.size() == 3 ? args[2] : "");
  if (command == "write" && args.size() == 5) {
    std::uint16_t type = 0;
    std::uint32_t id = 0;
    if (!parseType(args[2], type) || !parseNumber(args[3], id)) return usage();
    TEventSourceHandle source;
    if (long error = RegisterEventSource("", args[1], source); error != ERROR_SUCCESS)
      return fail(EventLogErrorText(error));
    const long error = ReportEvent(*source, type, 0, id, "", {args[4]}, "");
    return error == ERROR_SUCCESS ? 0 : fail(EventLogErrorText(error));
  }
  if (command == "register" && args.size() == 4) {
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!registry.OpenKey(EventLogKey(args[1], args[2]), true)) return fail("can't create the source's key");
    registry.WriteExpandString("EventMessageFile", args[3]);
    return 0;
  }
  return usage();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  std::string root, registryFolder, journal;
  while (args.size() >= 2 && args[0].starts_with("--")) {
    if (args[0] == "--root")
      root = args[1];
    else if (args[0] == "--registry")
      registryFolder = args[1];
    else if (args[0] == "--journal")
      journal = args[1];
    else
      return usage();
    args.erase(args.begin(), args.begin() + 2);
  }
  if (args.empty()) return usage();
  // A store of its own is a scratch store: its entries stay out of the
  // system journal.
  TEventLogRoot logRoot(root, journal, root.empty());
  if (!root.empty() || !journal.empty()) SetEventLogRoot(&logRoot);
  TRegistryRoot registryRoot(registryFolder);
  if (!registryFolder.empty()) SetRegistryRoot(&registryRoot);
  try {
    return run(args);
  } catch (const Exception& e) {
    return fail(e.Message());
  }
}
