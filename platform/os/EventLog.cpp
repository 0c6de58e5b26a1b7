#include "platform/os/EventLog.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <map>

#include "platform/classes/Strings.h"
#include "platform/os/EventLogFile.h"
#include "platform/os/EventLogForward.h"
#include "platform/os/EventLogJournal.h"
#include "platform/os/FolderWatcher.h"
#include "platform/os/RegistryKey.h"
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
std::string LookUpLogOfSource(const std::string& Source) {
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

// What can register or move a source below the logs' key.
constexpr std::uint32_t kKeyChanges =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF;

}  // namespace

struct TEventLogRoot::TSourceLogs {
  std::mutex Lock;
  std::map<std::string, std::string> Logs;
  // The registry store the logs were read from, and its count of this
  // process's changes then.
  const TRegistryRoot* Store = nullptr;
  std::uint64_t StoreChanges = 0;
  // The changes heard below the logs' key, and their count when Logs began.
  std::atomic<std::uint64_t> Heard{1};
  std::uint64_t HeardThen = 0;
  std::string WatchedFolder;
  TFolderWatcher::TWatchId Watch = 0;
  // Cleared by the watcher when the logs' key itself went away.
  std::shared_ptr<std::atomic<bool>> Alive;
  // Last: its thread, which counts Heard, ends first.
  TFolderWatcher Watcher;

  bool Current(const TRegistryRoot& store) const {
    return Alive && *Alive && Store == &store && StoreChanges == store.Changes() && HeardThen == Heard.load();
  }
  // Watches the logs' key, below it too; Alive stays null when it can't.
  void WatchLogsKey() {
    TRegistry registry(KEY_READ);
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    const std::string folder = registry.OpenKeyReadOnly(kLogsKey) ? registry.CurrentKey()->Folder() : "";
    if (Alive && *Alive && folder == WatchedFolder) return;
    if (Alive) Watcher.Remove(Watch);
    Alive.reset();
    WatchedFolder = folder;
    if (folder.empty()) return;
    auto alive = std::make_shared<std::atomic<bool>>(true);
    try {
      Watch = Watcher.Add(folder, true, kKeyChanges, [this, alive](const TInotifyEvent& e) {
        ++Heard;
        const bool gone = e.InRoot && e.Name.empty() && (e.Mask & (IN_DELETE_SELF | IN_MOVE_SELF));
        if (gone) *alive = false;
        return !gone;
      });
      Alive = alive;
    } catch (const Exception&) {
      // Unwatchable: every registration is looked up afresh.
    }
  }
};

std::string TEventLogRoot::LogOfSource(const std::string& Source) {
  std::shared_ptr<TSourceLogs> cache;
  {
    std::lock_guard<std::mutex> guard(FLock);
    if (!FSourceLogs) FSourceLogs = std::make_shared<TSourceLogs>();
    cache = FSourceLogs;
  }
  std::lock_guard<std::mutex> guard(cache->Lock);
  const TRegistryRoot& store = RegistryRoot();
  if (!cache->Current(store)) {
    // Watched before anything is read, so a change after the reading is
    // always heard.
    cache->Logs.clear();
    cache->Store = &store;
    cache->StoreChanges = store.Changes();
    cache->WatchLogsKey();
    cache->HeardThen = cache->Heard.load();
  }
  if (auto known = cache->Logs.find(Source); known != cache->Logs.end()) return known->second;
  std::string log = LookUpLogOfSource(Source);
  if (cache->Alive) cache->Logs[Source] = log;
  return log;
}

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
  Handle = std::make_unique<TEventSource>(EventLogRoot().LogOfSource(Source), Source);
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
    // The folder is made only when it is missing: most appends go to a log
    // that exists.
    TFileHandle file(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!file && errno == ENOENT && ForceDirectories(folder))
      file = TFileHandle(open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
    if (!file) continue;
    // Closing the file releases the lock the append took.
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
