#include "monitors/LogNT.h"

#include <cstring>

#include "platform/classes/Published.h"
#include "platform/os/EventLogJournal.h"
#include "platform/rtl/Utf16.h"

namespace RV_API rv {

namespace {

const char* const kInitialLog = "Application";
constexpr std::size_t kMaxText = 511;

void Check(long Error) {
  if (Error != ERROR_SUCCESS) RaiseEventLogError(Error);
}

}  // namespace

const TClass& TQVNTEventLog::StaticClass() {
  static const TClass cls = TClassBuilder<TQVNTEventLog>("TQVNTEventLog")
                                .Property("Server", &TQVNTEventLog::Server, &TQVNTEventLog::SetServer)
                                .Stored([](const TQVNTEventLog& log) { return !log.Server().empty(); })
                                .Property("Source", &TQVNTEventLog::Source, &TQVNTEventLog::SetSource)
                                .Stored([](const TQVNTEventLog& log) { return !log.Source().empty(); })
                                .Property("Log", &TQVNTEventLog::Log, &TQVNTEventLog::SetLog)
                                .Stored([](const TQVNTEventLog& log) { return !log.Log().empty(); })
                                .Build();
  return cls;
}
RV_REGISTER_CLASS(TQVNTEventLog)

TQVNTEventLog::TQVNTEventLog(TComponent* AOwner) : TQVLogBase(AOwner), FLog(kInitialLog) {}

TQVNTEventLog::~TQVNTEventLog() { Close(); }

void TQVNTEventLog::SetActive(bool Value) {
  if (Value == Active()) return;
  if (!ComponentState().Contains(csDesigning)) {
    if (Value) {
      Check(OpenEventLog(FServer, FLog, FHandle));
      FCurrentRecord = -2;
    } else {
      FHandle.reset();
      FBuffer = {};
      FRecord.reset();
      FCurrentRecord = -2;
    }
  }
  TQVLogBase::SetActive(Value);
}

void TQVNTEventLog::Reopen(std::string& Field, const std::string& Value) {
  if (Value == Field) return;
  const bool wasActive = Active();
  SetActive(false);
  Field = Value;
  SetActive(wasActive);
}

void TQVNTEventLog::SetServer(const std::string& Value) { Reopen(FServer, Value); }
void TQVNTEventLog::SetSource(const std::string& Value) { Reopen(FSource, Value); }
void TQVNTEventLog::SetLog(const std::string& Value) { Reopen(FLog, Value); }

int TQVNTEventLog::GetEventCount() {
  if (!Active() || !FHandle) return 0;
  std::uint32_t count = 0;
  // A log whose size can't be told counts as empty.
  if (GetNumberOfEventLogRecords(*FHandle, count) != ERROR_SUCCESS) return 0;
  return static_cast<int>(std::min<std::uint32_t>(count, INT32_MAX));
}

void TQVNTEventLog::ReadEvent(int Index) {
  if (Index != FCurrentRecord) SeekRecord(Index);
}

void TQVNTEventLog::SeekRecord(int Index) {
  if (!FHandle) RaiseEventLogError(ERROR_INVALID_HANDLE);
  if (Index < 0) RaiseEventLogError(ERROR_INVALID_PARAMETER);
  // The oldest record and the record read come from one state of the log.
  TEventLogStateHold hold(*FHandle);
  std::uint32_t oldest = 0;
  Check(GetOldestEventLogRecord(*FHandle, oldest));
  const std::uint64_t wide = std::uint64_t{oldest} + static_cast<std::uint64_t>(Index);
  // A position past the last record number must not wrap round to an old one.
  if (wide > UINT32_MAX) RaiseEventLogError(ERROR_INVALID_PARAMETER);
  const auto number = static_cast<std::uint32_t>(wide);
  const std::uint32_t flags = EVENTLOG_SEEK_READ | (FReadBackwards ? EVENTLOG_BACKWARDS_READ : EVENTLOG_FORWARDS_READ);
  std::uint32_t read = 0, needed = 0;
  long error = ReadEventLog(*FHandle, flags, number, nullptr, 0, read, needed);
  if (error != ERROR_INSUFFICIENT_BUFFER) Check(error == ERROR_SUCCESS ? ERROR_EVENTLOG_FILE_CORRUPT : error);
  // Read aside: a failed read leaves the current record readable.
  std::vector<char> buffer(needed);
  Check(ReadEventLog(*FHandle, flags, number, buffer.data(), needed, read, needed));
  auto fields = ParseEventRecord(std::string_view(buffer.data(), read));
  if (!fields) RaiseEventLogError(ERROR_EVENTLOG_FILE_CORRUPT);
  FBuffer = std::move(buffer);
  FRecord = std::make_unique<TEventRecordFields>(std::move(*fields));
  FCurrentRecord = Index;
}

std::string TQVNTEventLog::GetEventSource() const { return FRecord ? FRecord->SourceName : ""; }
std::string TQVNTEventLog::GetEventComputer() const { return FRecord ? FRecord->ComputerName : ""; }
std::uint32_t TQVNTEventLog::GetEventID() const { return FRecord ? FRecord->EventID : 0; }
std::uint16_t TQVNTEventLog::GetEventType() const { return FRecord ? FRecord->EventType : 0; }

std::uint16_t TQVNTEventLog::GetEventStringCount() const {
  return FRecord ? static_cast<std::uint16_t>(FRecord->Strings.size()) : 0;
}

std::string TQVNTEventLog::GetEventString(int Index) const {
  if (!FRecord || Index < 0 || static_cast<std::size_t>(Index) >= FRecord->Strings.size()) return "";
  return FRecord->Strings[static_cast<std::size_t>(Index)];
}

const void* TQVNTEventLog::GetEventSID() const {
  if (!FRecord) return nullptr;
  EVENTLOGRECORD head;
  std::memcpy(&head, FBuffer.data(), sizeof head);
  // Without a SID its offset needn't lie inside the record.
  return head.UserSidLength ? FBuffer.data() + head.UserSidOffset : nullptr;
}

TDateTime TQVNTEventLog::GetEventTime() const {
  if (!FRecord) return 0;
  constexpr TDateTime kUnixEpoch = 25569.0;
  return kUnixEpoch + FRecord->TimeGenerated / 86400.0;
}

std::string TQVNTEventLog::GetEventMessageText() {
  if (!FRecord) return "";
  // Journal entries carry their text with them.
  if (IsJournalLog(FLog)) return FRecord->Data;
  for (const auto& table : FMessageFiles.Tables(FLog, FRecord->SourceName)) {
    const std::string* message = table->Find(FRecord->EventID);
    if (!message) continue;
    std::string text = FormatMessageText(*message, FRecord->Strings);
    // Only a closing line break goes: a text that ends otherwise (cut by %0)
    // keeps its last characters.
    if (text.ends_with("\r\n")) text.resize(text.size() - 2);
    return text;
  }
  return "";
}

void TQVNTEventLog::WriteToEventLog(const std::string& Text, std::uint16_t EventType, std::uint32_t Category,
                                    std::uint32_t EventID) {
  TEventSourceHandle source;
  if (RegisterEventSource(FServer, FSource, source) != ERROR_SUCCESS) return;
  ReportEvent(*source, EventType, static_cast<std::uint16_t>(Category & 0xFFFF), EventID, "",
              {Utf16Truncate(Text, kMaxText)}, "");
  DeregisterEventSource(source);
}

}  // namespace rv
