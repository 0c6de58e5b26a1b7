#pragma once
// One log file of the event log store: a 48-byte header in the classic
// layout, then the records from StartOffset to EndOffset. The header is
// written after the record it counts, so a writer that dies half-way leaves
// the log as it was before.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os/EventLog.h"
#include "platform/rtl/Export.h"
#include "platform/rtl/FileHandle.h"

namespace RV_API rv {

struct TEventLogFileHeader {
  std::uint32_t HeaderSize = 0x30;
  std::uint32_t Signature = kEventRecordSignature;
  std::uint32_t MajorVersion = 1;
  std::uint32_t MinorVersion = 1;
  std::uint32_t StartOffset = 0x30;
  std::uint32_t EndOffset = 0x30;
  std::uint32_t CurrentRecordNumber = 1;  // the number the next record gets
  std::uint32_t OldestRecordNumber = 1;
  std::uint32_t MaxSize = kDefaultEventLogMaxSize;
  std::uint32_t Flags = 0;
  std::uint32_t Retention = 0;
  std::uint32_t EndHeaderSize = 0x30;

  bool Sound() const;
  std::uint32_t Count() const { return CurrentRecordNumber - OldestRecordNumber; }
};
static_assert(sizeof(TEventLogFileHeader) == 0x30);

// The file name of a log in Folder; "" for a name that can't be one.
std::string EventLogFileName(const std::string& Folder, const std::string& Log);

// Appends Record (whose number is filled in) under an exclusive lock on Fd,
// which lasts until the caller closes Fd.
// MaxSize is asked for when the log is created and whenever the record
// would pass the size last asked for.
long AppendToEventLogFile(int Fd, TEventRecordFields& Fields, std::uint32_t (*MaxSize)(const std::string&),
                          const std::string& Log);

// Reads one log file; keeps an index of record offsets that it extends as
// the log grows and rebuilds when the oldest records have given way, and a
// window of record bytes read under the shared lock. While the header is
// byte for byte the one the index and window were made from, no writer has
// finished anything since, so calls answer from them after one unlocked
// look at the header instead of locking and reading again.
class TEventLogFileReader : public TEventLogReader {
 public:
  // Paths: the places the log may be, first match wins; looked for again
  // while none exists.
  explicit TEventLogFileReader(std::vector<std::string> Paths) : FPaths(std::move(Paths)) {}
  long NumberOfRecords(std::uint32_t& Count) override;
  long OldestRecord(std::uint32_t& RecordNumber) override;
  long Read(std::uint32_t Flags, std::uint32_t RecordNumber, void* Buffer, std::uint32_t BufferSize,
            std::uint32_t& BytesRead, std::uint32_t& Needed) override;
  void HoldState(bool Hold) override;

 private:
  // Opens the first of the paths that exists; false while none does.
  bool OpenFile();
  // True when the header read without the lock is the one last refreshed
  // from (or the state is held and was looked at already).
  bool StateIsCurrent();
  // Brings header and index up to date under a shared lock of its own.
  long Sync();
  // Reads the header and brings the index up to date; the caller holds a
  // shared lock.
  long Refresh();
  void ExtendIndex();
  // Copies the records from the window into Buffer; with Locked (the caller
  // holds the shared lock and refreshed) a record outside the window is read
  // into it first, else such a record ends the call with kWindowMiss.
  long ReadRecords(std::uint32_t Flags, std::uint32_t RecordNumber, char* Buffer, std::uint32_t BufferSize,
                   std::uint32_t& BytesRead, std::uint32_t& Needed, bool Locked);
  // Fills the window with record Number and its neighbours in the reading
  // direction; false when they can't be read.
  bool FillWindow(std::uint32_t Number, bool Backwards);
  // Record Number (in the index) from the window, or null when the window
  // doesn't hold it whole.
  const char* Windowed(std::uint32_t Number) const;
  std::uint32_t IndexedLength(std::uint32_t Number) const;

  std::vector<std::string> FPaths;
  TFileHandle FFile;
  TEventLogFileHeader FHeader;
  bool FSynced = false;  // FHeader, the index and the window match the file
  bool FHeld = false;
  bool FHeldChecked = false;  // a held state was looked at already
  // FOffsets[i]: the offset of record FIndexFirst + i; one more entry holds
  // the end of the last indexed record.
  std::uint32_t FIndexFirst = 0;
  std::vector<std::uint64_t> FOffsets;
  bool FIndexStopped = false;  // a bad length ended the index
  // Bytes of the log from FWindowStart, read under the shared lock.
  std::uint64_t FWindowStart = 0;
  std::string FWindow;
  // The record read last: sequential reads go on from it.
  std::uint32_t FCursor = 0;
  bool FHaveCursor = false;
};

}  // namespace rv
