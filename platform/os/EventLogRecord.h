#pragma once
// The classic event record layout: a 56-byte header, the source and computer
// names, the user SID, the insertion strings and the raw data, padded to a
// multiple of four bytes and closed by a copy of the record's length. Every
// offset is a byte offset from the start of the record; strings are
// NUL-terminated UTF-16LE.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/rtl/Export.h"

namespace RV_API rv {

constexpr std::uint32_t kEventRecordSignature = 0x654c664c;

struct EVENTLOGRECORD {
  std::uint32_t Length;
  std::uint32_t Reserved;  // kEventRecordSignature
  std::uint32_t RecordNumber;
  std::uint32_t TimeGenerated;
  std::uint32_t TimeWritten;
  std::uint32_t EventID;
  std::uint16_t EventType;
  std::uint16_t NumStrings;
  std::uint16_t EventCategory;
  std::uint16_t ReservedFlags;
  std::uint32_t ClosingRecordNumber;
  std::uint32_t StringOffset;
  std::uint32_t UserSidLength;
  std::uint32_t UserSidOffset;
  std::uint32_t DataLength;
  std::uint32_t DataOffset;
};
static_assert(sizeof(EVENTLOGRECORD) == 56);

constexpr std::uint16_t EVENTLOG_SUCCESS = 0;
constexpr std::uint16_t EVENTLOG_ERROR_TYPE = 1;
constexpr std::uint16_t EVENTLOG_WARNING_TYPE = 2;
constexpr std::uint16_t EVENTLOG_INFORMATION_TYPE = 4;
constexpr std::uint16_t EVENTLOG_AUDIT_SUCCESS = 8;
constexpr std::uint16_t EVENTLOG_AUDIT_FAILURE = 16;

// What goes into a record; the store fills in the number and the times.
struct TEventRecordFields {
  std::uint32_t RecordNumber = 0;
  std::uint32_t TimeGenerated = 0;
  std::uint32_t TimeWritten = 0;
  std::uint32_t EventID = 0;
  std::uint16_t EventType = 0;
  std::uint16_t EventCategory = 0;
  std::string SourceName;  // UTF-8
  std::string ComputerName;
  std::string UserSid;  // binary SID bytes, "" for none
  std::vector<std::string> Strings;
  std::string Data;
};

std::string BuildEventRecord(const TEventRecordFields& Fields);

// The record at the start of Bytes when it is whole and every offset, length
// and string of it lies inside it; nullopt otherwise. Bytes may hold more
// after the record.
std::optional<TEventRecordFields> ParseEventRecord(std::string_view Bytes);
// Just the checks of ParseEventRecord, without copying anything out.
bool IsSoundEventRecord(std::string_view Bytes);

// The NUL-terminated UTF-16LE string at Offset of Bytes, as UTF-8, and the
// offset just past its NUL; nullopt when no NUL comes before End.
std::optional<std::string> EventRecordString(std::string_view Bytes, std::size_t& Offset, std::size_t End);

// The SID of a Linux user ("S-1-22-1-<uid>") in its binary form, and the
// text form of a binary SID ("" when it isn't one).
std::string UnixUserSid(std::uint32_t Uid);
std::string SidToString(std::string_view Sid);

}  // namespace rv
