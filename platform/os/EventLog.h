#pragma once
// The classic event log service over a store of our own: one file per log
// ("<log name in lower case>.evt") holding a 48-byte file header and the
// records one after another in the classic record layout (EventLogRecord.h),
// numbered from 1. Writers append under an exclusive flock, readers read
// under a shared one. When a log would grow past its maximum size (the
// "MaxSize" value of its key in the registry store, 20 MiB when missing) the
// oldest records give way, so the oldest record number grows.
//
// The store lies in the machine-wide folder when that can be written, else
// in the user's own ($XDG_DATA_HOME or ~/.local/share, then
// "revuziva/eventlog"); readers open the machine-wide file when it exists.
// A program or a test can put the whole store into one folder of its own
// (TEventLogRoot). The log name "Journal" reads the system journal instead.
//
// Functions answer ERROR_SUCCESS or the classic error code.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/os/EventLogRecord.h"
#include "platform/os/Registry.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

constexpr std::uint32_t EVENTLOG_SEQUENTIAL_READ = 1;
constexpr std::uint32_t EVENTLOG_SEEK_READ = 2;
constexpr std::uint32_t EVENTLOG_FORWARDS_READ = 4;
constexpr std::uint32_t EVENTLOG_BACKWARDS_READ = 8;

constexpr long ERROR_ACCESS_DENIED = 5;
constexpr long ERROR_HANDLE_EOF = 38;
constexpr long ERROR_INSUFFICIENT_BUFFER = 122;
constexpr long ERROR_EVENTLOG_FILE_CORRUPT = 1500;
constexpr long RPC_S_SERVER_UNAVAILABLE = 1722;

constexpr std::uint32_t kDefaultEventLogMaxSize = 20u << 20;

// The folders of the store; installed for a scope or a program with
// SetEventLogRoot.
class TEventLogRoot {
 public:
  // The standard folders.
  TEventLogRoot() = default;
  // Every log in Folder; JournalFolder, when given, is read for "Journal"
  // instead of the local journal. Written entries reach the system journal
  // only when Forward is set, so tests leave the machine's journal alone.
  explicit TEventLogRoot(std::string Folder, std::string JournalFolder = "", bool Forward = false)
      : FFolder(std::move(Folder)), FJournalFolder(std::move(JournalFolder)), FForward(Forward) {}
  // The folders to try, in order: the machine-wide one first.
  std::vector<std::string> Folders() const;
  const std::string& JournalFolder() const { return FJournalFolder; }
  bool Forward() const { return FForward; }
  // The log Source is registered under in the registry store, "Application"
  // when none. Kept from one call to the next until the store changes: in
  // this process at once, elsewhere as soon as a watcher hears of it.
  std::string LogOfSource(const std::string& Source);

 private:
  struct TSourceLogs;

  std::string FFolder;
  std::string FJournalFolder;
  bool FForward = true;
  std::mutex FLock;  // guards FSourceLogs being made
  std::shared_ptr<TSourceLogs> FSourceLogs;
};

TEventLogRoot& EventLogRoot();
// Installs Root (null: the standard folders); answers the previous one.
TEventLogRoot* SetEventLogRoot(TEventLogRoot* Root);

// The registry key of a log, or of a source under it.
std::string EventLogKey(const std::string& Log, const std::string& Source = "");

// An open log.
class TEventLogReader {
 public:
  virtual ~TEventLogReader() = default;
  virtual long NumberOfRecords(std::uint32_t& Count) = 0;
  virtual long OldestRecord(std::uint32_t& RecordNumber) = 0;
  // As many whole records as fit into Buffer: the one at RecordNumber (seek)
  // or the next in the direction (sequential), then the following ones.
  // When not even one fits, ERROR_INSUFFICIENT_BUFFER and its size in Needed.
  virtual long Read(std::uint32_t Flags, std::uint32_t RecordNumber, void* Buffer, std::uint32_t BufferSize,
                    std::uint32_t& BytesRead, std::uint32_t& Needed) = 0;
  // While held, the calls answer from the state the log had at the first of
  // them, so a caller that asks for the oldest record and then reads by
  // number meets one state, and the log is looked at once. Holding takes no
  // lock: writers go on meanwhile.
  virtual void HoldState(bool Hold) { (void)Hold; }
};
using TEventLogHandle = std::unique_ptr<TEventLogReader>;

// Holds the state of Log for a scope.
class TEventLogStateHold {
 public:
  explicit TEventLogStateHold(TEventLogReader& Log) : FLog(Log) { FLog.HoldState(true); }
  ~TEventLogStateHold() { FLog.HoldState(false); }
  TEventLogStateHold(const TEventLogStateHold&) = delete;
  TEventLogStateHold& operator=(const TEventLogStateHold&) = delete;

 private:
  TEventLogReader& FLog;
};

// Server: "" or this machine (its host or computer name, "localhost", ".",
// with or without leading backslashes); any other gives
// RPC_S_SERVER_UNAVAILABLE.
long OpenEventLog(const std::string& Server, const std::string& Log, TEventLogHandle& Handle);
long GetNumberOfEventLogRecords(TEventLogReader& Log, std::uint32_t& Count);
long GetOldestEventLogRecord(TEventLogReader& Log, std::uint32_t& RecordNumber);
long ReadEventLog(TEventLogReader& Log, std::uint32_t Flags, std::uint32_t RecordNumber, void* Buffer,
                  std::uint32_t BufferSize, std::uint32_t& BytesRead, std::uint32_t& Needed);

// The writing side: a source writes into the log it is registered under (a
// key "<log>\<source>" below the event log key), else into "Application".
class TEventSource {
 public:
  TEventSource(std::string Log, std::string Source) : FLog(std::move(Log)), FSource(std::move(Source)) {}
  const std::string& Log() const { return FLog; }
  const std::string& Source() const { return FSource; }

 private:
  std::string FLog;
  std::string FSource;
};
using TEventSourceHandle = std::unique_ptr<TEventSource>;

long RegisterEventSource(const std::string& Server, const std::string& Source, TEventSourceHandle& Handle);
// Writes one record with the writer's user as its SID when UserSid is empty,
// and passes it on to the system journal where one runs.
long ReportEvent(const TEventSource& Source, std::uint16_t Type, std::uint16_t Category, std::uint32_t EventID,
                 const std::string& UserSid, const std::vector<std::string>& Strings, const std::string& Data);
inline void DeregisterEventSource(TEventSourceHandle& Handle) { Handle.reset(); }

// Appends a finished record to a log of the store, numbering it; the
// lower-level step of ReportEvent, also used by tools that copy records.
long AppendEventRecord(const std::string& Log, TEventRecordFields Fields);

// The logs of the store (their names as files hold them, without ".evt").
std::vector<std::string> EventLogNames();

// The classic text of an event log error code.
std::string EventLogErrorText(long Code);
// Raises EOSError carrying Code and its text.
[[noreturn]] void RaiseEventLogError(long Code);

}  // namespace rv
