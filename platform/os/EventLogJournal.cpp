#include "platform/os/EventLogJournal.h"

#include <systemd/sd-journal.h>

#include <cstring>
#include <vector>

namespace RV_API rv {

namespace {

struct JournalCloser {
  void operator()(sd_journal* Journal) const { sd_journal_close(Journal); }
};
using TJournal = std::unique_ptr<sd_journal, JournalCloser>;

struct CursorFree {
  void operator()(char* Cursor) const { free(Cursor); }
};

std::string Field(sd_journal* Journal, const char* Name) {
  const void* data = nullptr;
  size_t length = 0;
  if (sd_journal_get_data(Journal, Name, &data, &length) < 0) return "";
  const std::size_t prefix = std::strlen(Name) + 1;  // "NAME="
  if (length < prefix) return "";
  return std::string(static_cast<const char*>(data) + prefix, length - prefix);
}

std::uint16_t TypeOf(const std::string& Priority) {
  if (Priority.size() != 1 || Priority[0] < '0' || Priority[0] > '7') return EVENTLOG_INFORMATION_TYPE;
  if (Priority[0] <= '3') return EVENTLOG_ERROR_TYPE;
  return Priority[0] == '4' ? EVENTLOG_WARNING_TYPE : EVENTLOG_INFORMATION_TYPE;
}

class TJournalReader : public TEventLogReader {
 public:
  explicit TJournalReader(TJournal Journal) : FJournal(std::move(Journal)) {}

  long NumberOfRecords(std::uint32_t& Count) override {
    Refresh();
    Count = static_cast<std::uint32_t>(FCursors.size());
    return ERROR_SUCCESS;
  }

  long OldestRecord(std::uint32_t& RecordNumber) override {
    Refresh();
    RecordNumber = FCursors.empty() ? 0 : 1;
    return ERROR_SUCCESS;
  }

  long Read(std::uint32_t Flags, std::uint32_t RecordNumber, void* Buffer, std::uint32_t BufferSize,
            std::uint32_t& BytesRead, std::uint32_t& Needed) override {
    BytesRead = Needed = 0;
    const bool seek = Flags & EVENTLOG_SEEK_READ;
    const bool backwards = Flags & EVENTLOG_BACKWARDS_READ;
    if (seek == bool(Flags & EVENTLOG_SEQUENTIAL_READ) || backwards == bool(Flags & EVENTLOG_FORWARDS_READ) ||
        (Buffer == nullptr && BufferSize != 0))
      return ERROR_INVALID_PARAMETER;
    Refresh();
    const auto count = static_cast<std::uint32_t>(FCursors.size());
    std::uint32_t number;
    if (seek) {
      if (RecordNumber < 1 || RecordNumber > count) return ERROR_INVALID_PARAMETER;
      number = RecordNumber;
    } else {
      number = FCursor == 0 ? (backwards ? count : 1) : (backwards ? FCursor - 1 : FCursor + 1);
      if (number < 1 || number > count) return ERROR_HANDLE_EOF;
    }
    std::string record;
    if (!Build(number, record)) return ERROR_EVENTLOG_FILE_CORRUPT;
    if (record.size() > BufferSize) {
      Needed = static_cast<std::uint32_t>(record.size());
      return ERROR_INSUFFICIENT_BUFFER;
    }
    std::memcpy(Buffer, record.data(), record.size());
    BytesRead = static_cast<std::uint32_t>(record.size());
    FCursor = number;
    return ERROR_SUCCESS;
  }

 private:
  // Takes the cursors of the entries added since the last look.
  void Refresh() {
    sd_journal* j = FJournal.get();
    if (FCursors.empty()) {
      sd_journal_seek_head(j);
    } else if (sd_journal_seek_cursor(j, FCursors.back().c_str()) < 0 || sd_journal_next(j) <= 0) {
      return;
    }
    while (sd_journal_next(j) > 0) {
      char* cursor = nullptr;
      if (sd_journal_get_cursor(j, &cursor) < 0) break;
      std::unique_ptr<char, CursorFree> owned(cursor);
      FCursors.emplace_back(cursor);
    }
  }

  bool Build(std::uint32_t Number, std::string& Record) {
    sd_journal* j = FJournal.get();
    const char* cursor = FCursors[Number - 1].c_str();
    if (sd_journal_seek_cursor(j, cursor) < 0 || sd_journal_next(j) <= 0 || sd_journal_test_cursor(j, cursor) <= 0)
      return false;
    TEventRecordFields fields;
    fields.RecordNumber = Number;
    std::uint64_t usec = 0;
    sd_journal_get_realtime_usec(j, &usec);
    fields.TimeGenerated = fields.TimeWritten = static_cast<std::uint32_t>(usec / 1000000);
    fields.SourceName = Field(j, "SYSLOG_IDENTIFIER");
    fields.ComputerName = Field(j, "_HOSTNAME");
    fields.EventType = TypeOf(Field(j, "PRIORITY"));
    fields.Strings = {Field(j, "MESSAGE")};
    char* catalog = nullptr;
    if (sd_journal_get_catalog(j, &catalog) >= 0 && catalog) {
      std::unique_ptr<char, CursorFree> owned(catalog);
      fields.Data = catalog;
    } else {
      fields.Data = fields.Strings[0];
    }
    Record = BuildEventRecord(fields);
    return true;
  }

  TJournal FJournal;
  std::vector<std::string> FCursors;
  std::uint32_t FCursor = 0;
};

}  // namespace

bool IsJournalLog(const std::string& Log) { return Log == kJournalLogName; }

long OpenJournalLog(const std::string& Folder, TEventLogHandle& Handle) {
  sd_journal* journal = nullptr;
  const int result = Folder.empty() ? sd_journal_open(&journal, SD_JOURNAL_LOCAL_ONLY)
                                    : sd_journal_open_directory(&journal, Folder.c_str(), 0);
  if (result < 0) return ERROR_ACCESS_DENIED;
  Handle = std::make_unique<TJournalReader>(TJournal(journal));
  return ERROR_SUCCESS;
}

}  // namespace rv
