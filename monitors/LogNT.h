#pragma once
// Unit LogNT: access to the system event log. TQVNTEventLog opens one log
// (Active), counts and reads its records by position (0 being the oldest),
// exposes the fields of the record read last, resolves its message text
// through the source's message files, and writes entries of its own. It
// writes nothing to the base's log file.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/LogBase.h"
#include "platform/os/EventLog.h"
#include "platform/os/EventMessageFiles.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TQVNTEventLog : public TQVLogBase {
  RV_CLASS(TQVNTEventLog, TQVLogBase)
 public:
  explicit TQVNTEventLog(TComponent* AOwner);
  ~TQVNTEventLog() override;

  void Open() { SetActive(true); }
  void Close() { SetActive(false); }
  // Opens or closes the log; raises EOSError when it can't be opened. In the
  // designer Active is only a stored flag.
  void SetActive(bool Value) override;

  // A change closes the log and opens it again with the new value when it
  // was open.
  const std::string& Server() const { return FServer; }
  void SetServer(const std::string& Value);
  const std::string& Source() const { return FSource; }
  void SetSource(const std::string& Value);
  const std::string& Log() const { return FLog; }
  void SetLog(const std::string& Value);
  // The direction flag handed to the store at each read (not stored).
  bool ReadBackwards() const { return FReadBackwards; }
  void SetReadBackwards(bool Value) { FReadBackwards = Value; }

  // 0 while closed.
  int GetEventCount();
  // Reads the record at Index unless it is the current one already.
  void ReadEvent(int Index);
  // Reads the record at Index (0: the oldest) always; raises EOSError when
  // it can't, and the current record stays as it was.
  void SeekRecord(int Index);
  // The position of the record read last; -2 when none was read since
  // opening.
  int CurrentRecord() const { return FCurrentRecord; }

  // The fields of the current record; empty values (0, "", null) before a
  // record was read or after Close.
  std::string GetEventSource() const;
  std::string GetEventComputer() const;
  std::uint32_t GetEventID() const;
  std::uint16_t GetEventType() const;
  std::uint16_t GetEventStringCount() const;
  std::string GetEventString(int Index) const;
  // Points into the record buffer; valid until the next read or Close. Null
  // for a record without a SID.
  const void* GetEventSID() const;
  // In UTC.
  TDateTime GetEventTime() const;
  // "" when no message file of the source has the event's message.
  std::string GetEventMessageText();

  // Writes one entry under Source; needs no open log and reports nothing.
  // Text is cut at 511 UTF-16 units.
  void WriteToEventLog(const std::string& Text, std::uint16_t EventType, std::uint32_t Category, std::uint32_t EventID);

 private:
  // Closes, stores the value, and opens again when it was open.
  void Reopen(std::string& Field, const std::string& Value);

  TEventLogHandle FHandle;
  std::string FLog;
  std::string FServer;
  std::string FSource;
  bool FReadBackwards = false;
  int FCurrentRecord = -2;
  std::vector<char> FBuffer;
  // The current record's fields, taken from the buffer when it was read.
  std::unique_ptr<TEventRecordFields> FRecord;
  TEventMessageFiles FMessageFiles;
};

}  // namespace rv
