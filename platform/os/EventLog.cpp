#include "platform/os/EventLog.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <map>

#include "platform/classes/Strings.h"
#include "platform/os/EventLogFile.h"
#include "platform/os/EventLogForward.h"
#include "platform/os/EventLogJournal.h"
#include "platform/os/SystemInfo.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Service.h"

namespace RV_API rv {

namespace {

constexpr const char* kMachineFolder = "/var/lib/revuziva/eventlog";
constexpr const char* kLogsKey = "SYSTEM\\CurrentControlSet\\Services\\EventLog";

TEventLogRoot& StandardRoot() {
  static TEventLogRoot root;
  return root;
}

TService<TEventLogRoot> rootService(&StandardRoot);

std::string UserFolder() {
  if (const char* data = std::getenv("XDG_DATA_HOME"); data && *data == '/')
    return std::string(data) + "/revuziva/eventlog";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : "/tmp") + "/.local/share/revuziva/eventlog";
}

std::string Lower(std::string Text) {
  for (char& c : Text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return Text;
}

bool IsThisMachine(std::string Server) {
  while (!Server.empty() && Server.front() == '\\') Server.erase(0, 1);
  if (Server.empty() || Server == ".") return true;
  char host[256] = {};
  gethostname(host, sizeof host - 1);
  const std::string name = Lower(Server);
  const std::string full = Lower(host);
  return name == "localhost" || name == full || name == full.substr(0, full.find('.')) ||
         name == Lower(ClassicComputerName(host));
}

std::uint32_t MaxSizeOf(const std::string& Log) {
  try {
    TRegistry registry(KEY_READ);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (registry.OpenKeyReadOnly(EventLogKey(Log)) && registry.ValueExists("MaxSize")) {
      const std::int32_t size = registry.ReadInteger("MaxSize");
      if (size > 0) return static_cast<std::uint32_t>(size);
    }
  } catch (const ERegistryException&) {
    // A value of another type counts as none.
  }
  return kDefaultEventLogMaxSize;
}

// The log a source is registered under, "Application" when none.
std::string LogOfSource(const std::string& Source) {
  TRegistry registry(KEY_READ);
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  if (registry.OpenKeyReadOnly(kLogsKey)) {
    TStringList logs;
    registry.GetKeyNames(&logs);
    for (int i = 0; i < logs.Count(); ++i)
      if (registry.KeyExists(logs[i] + "\\" + Source)) return logs[i];
  }
  return "Application";
}

}  // namespace

std::vector<std::string> TEventLogRoot::Folders() const {
  if (!FFolder.empty()) return {FFolder};
  return {kMachineFolder, UserFolder()};
}

TEventLogRoot& EventLogRoot() { return rootService.Get(); }
TEventLogRoot* SetEventLogRoot(TEventLogRoot* Root) { return rootService.Install(Root); }

std::string EventLogKey(const std::string& Log, const std::string& Source) {
  std::string key = std::string(kLogsKey) + "\\" + Log;
  if (!Source.empty()) key += "\\" + Source;
  return key;
}

long OpenEventLog(const std::string& Server, const std::string& Log, TEventLogHandle& Handle) {
  Handle.reset();
  if (!IsThisMachine(Server)) return RPC_S_SERVER_UNAVAILABLE;
  if (IsJournalLog(Log)) return OpenJournalLog(EventLogRoot().JournalFolder(), Handle);
  std::vector<std::string> paths;
  for (const std::string& folder : EventLogRoot().Folders()) {
    std::string path = EventLogFileName(folder, Log);
    if (path.empty()) return ERROR_INVALID_PARAMETER;
    paths.push_back(std::move(path));
  }
  Handle = std::make_unique<TEventLogFileReader>(std::move(paths));
  return ERROR_SUCCESS;
}

long GetNumberOfEventLogRecords(TEventLogReader& Log, std::uint32_t& Count) { return Log.NumberOfRecords(Count); }

long GetOldestEventLogRecord(TEventLogReader& Log, std::uint32_t& RecordNumber) {
  return Log.OldestRecord(RecordNumber);
}

long ReadEventLog(TEventLogReader& Log, std::uint32_t Flags, std::uint32_t RecordNumber, void* Buffer,
                  std::uint32_t BufferSize, std::uint32_t& BytesRead, std::uint32_t& Needed) {
  return Log.Read(Flags, RecordNumber, Buffer, BufferSize, BytesRead, Needed);
}

long RegisterEventSource(const std::string& Server, const std::string& Source, TEventSourceHandle& Handle) {
  Handle.reset();
  if (!IsThisMachine(Server)) return RPC_S_SERVER_UNAVAILABLE;
  if (Source.empty()) return ERROR_INVALID_PARAMETER;
  Handle = std::make_unique<TEventSource>(LogOfSource(Source), Source);
  return ERROR_SUCCESS;
}

long ReportEvent(const TEventSource& Source, std::uint16_t Type, std::uint16_t Category, std::uint32_t EventID,
                 const std::string& UserSid, const std::vector<std::string>& Strings, const std::string& Data) {
  TEventRecordFields fields;
  fields.TimeGenerated = fields.TimeWritten = static_cast<std::uint32_t>(std::time(nullptr));
  fields.EventID = EventID;
  fields.EventType = Type;
  fields.EventCategory = Category;
  fields.SourceName = Source.Source();
  fields.ComputerName = SystemInfo().ComputerName();
  fields.UserSid = UserSid.empty() ? UnixUserSid(geteuid()) : UserSid;
  fields.Strings = Strings;
  fields.Data = Data;
  const long result = AppendEventRecord(Source.Log(), std::move(fields));
  if (result == ERROR_SUCCESS && EventLogRoot().Forward()) {
    std::string text;
    for (const std::string& part : Strings) text += (text.empty() ? "" : " ") + part;
    ForwardToSystemLog(Source.Source(), Type, text);
  }
  return result;
}

long AppendEventRecord(const std::string& Log, TEventRecordFields Fields) {
  long result = ERROR_ACCESS_DENIED;
  for (const std::string& folder : EventLogRoot().Folders()) {
    const std::string path = EventLogFileName(folder, Log);
    if (path.empty()) return ERROR_INVALID_PARAMETER;
    ForceDirectories(folder);
    TFileHandle file(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!file) continue;
    result = AppendToEventLogFile(file.Get(), Fields, &MaxSizeOf, Log);
    if (result == ERROR_SUCCESS) break;
  }
  return result;
}

std::vector<std::string> EventLogNames() {
  std::map<std::string, bool> names;
  for (const std::string& folder : EventLogRoot().Folders()) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) continue;
    while (const dirent* entry = readdir(dir)) {
      const std::string name = entry->d_name;
      if (name.size() > 4 && name.ends_with(".evt")) names[name.substr(0, name.size() - 4)] = true;
    }
    closedir(dir);
  }
  std::vector<std::string> out;
  for (const auto& [name, _] : names) out.push_back(name);
  return out;
}

std::string EventLogErrorText(long Code) {
  switch (Code) {
    case ERROR_SUCCESS: return "The operation completed successfully.";
    case ERROR_ACCESS_DENIED: return "Access is denied.";
    case ERROR_HANDLE_EOF: return "Reached the end of the file.";
    case ERROR_INVALID_PARAMETER: return "The parameter is incorrect.";
    case ERROR_INSUFFICIENT_BUFFER: return "The data area passed to a system call is too small.";
    case ERROR_EVENTLOG_FILE_CORRUPT: return "The event log file is corrupted.";
    case RPC_S_SERVER_UNAVAILABLE: return "The RPC server is unavailable.";
    default: return "Unknown error " + std::to_string(Code) + ".";
  }
}

void RaiseEventLogError(long Code) {
  throw EOSError("System Error.  Code: " + std::to_string(Code) + ".\r\n" + EventLogErrorText(Code),
                 static_cast<int>(Code));
}

}  // namespace rv
