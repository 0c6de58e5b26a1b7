#include "platform/os/EventLogRecord.h"

#include <algorithm>
#include <cstring>

#include "platform/rtl/Utf16.h"

namespace RV_API rv {

namespace {

constexpr std::size_t kHeader = sizeof(EVENTLOGRECORD);

void AppendUtf16z(std::string& Out, const std::string& Utf8) {
  for (char16_t unit : Utf8ToUtf16(Utf8)) {
    Out.push_back(static_cast<char>(unit & 0xFF));
    Out.push_back(static_cast<char>(unit >> 8));
  }
  Out.append(2, '\0');
}

void PadToDword(std::string& Out) { Out.append((4 - Out.size() % 4) % 4, '\0'); }

std::uint32_t LoadDword(std::string_view Bytes, std::size_t Offset) {
  std::uint32_t value;
  std::memcpy(&value, Bytes.data() + Offset, 4);
  return value;
}

bool Within(std::uint64_t Offset, std::uint64_t Length, std::uint64_t End) {
  return Offset >= kHeader && Offset + Length <= End;
}

// Steps Offset past the NUL-terminated UTF-16 string there; false when no
// NUL comes before End. Checking a record needs no copy of its strings.
bool SkipString(std::string_view Bytes, std::size_t& Offset, std::size_t End) {
  for (std::size_t at = Offset; at + 2 <= End; at += 2)
    if (Bytes[at] == 0 && Bytes[at + 1] == 0) {
      Offset = at + 2;
      return true;
    }
  return false;
}

// Checks the record and, when Fields is given, copies it out.
bool Examine(std::string_view Bytes, TEventRecordFields* Fields) {
  if (Bytes.size() < kHeader + 8) return false;
  EVENTLOGRECORD head;
  std::memcpy(&head, Bytes.data(), kHeader);
  if (head.Reserved != kEventRecordSignature || head.Length % 4 != 0 || head.Length < kHeader + 8 ||
      head.Length > Bytes.size() || LoadDword(Bytes, head.Length - 4) != head.Length)
    return false;
  const std::size_t end = head.Length - 4;
  // Checking alone copies no string out.
  auto step = [&](std::size_t& at, std::string* out) {
    if (!out) return SkipString(Bytes, at, end);
    auto text = EventRecordString(Bytes, at, end);
    if (text) *out = std::move(*text);
    return text.has_value();
  };
  std::string source, computer;
  std::size_t at = kHeader;
  if (!step(at, Fields ? &source : nullptr) || !step(at, Fields ? &computer : nullptr)) return false;
  if (head.UserSidLength != 0 && !Within(head.UserSidOffset, head.UserSidLength, end)) return false;
  if (head.DataLength != 0 && !Within(head.DataOffset, head.DataLength, end)) return false;
  if (head.StringOffset < kHeader || head.StringOffset > end) return false;
  std::vector<std::string> strings(Fields ? head.NumStrings : 0);
  at = head.StringOffset;
  for (unsigned i = 0; i < head.NumStrings; ++i)
    if (!step(at, Fields ? &strings[i] : nullptr)) return false;
  if (!Fields) return true;
  Fields->RecordNumber = head.RecordNumber;
  Fields->TimeGenerated = head.TimeGenerated;
  Fields->TimeWritten = head.TimeWritten;
  Fields->EventID = head.EventID;
  Fields->EventType = head.EventType;
  Fields->EventCategory = head.EventCategory;
  Fields->SourceName = std::move(source);
  Fields->ComputerName = std::move(computer);
  // An empty part's offset is not checked, so it is not used either.
  Fields->UserSid = head.UserSidLength ? std::string(Bytes.substr(head.UserSidOffset, head.UserSidLength)) : "";
  Fields->Strings = std::move(strings);
  Fields->Data = head.DataLength ? std::string(Bytes.substr(head.DataOffset, head.DataLength)) : "";
  return true;
}

}  // namespace

std::string BuildEventRecord(const TEventRecordFields& Fields) {
  std::string out(kHeader, '\0');
  AppendUtf16z(out, Fields.SourceName);
  AppendUtf16z(out, Fields.ComputerName);
  PadToDword(out);
  EVENTLOGRECORD head{};
  head.Reserved = kEventRecordSignature;
  head.RecordNumber = Fields.RecordNumber;
  head.ClosingRecordNumber = 0;
  head.TimeGenerated = Fields.TimeGenerated;
  head.TimeWritten = Fields.TimeWritten;
  head.EventID = Fields.EventID;
  head.EventType = Fields.EventType;
  head.EventCategory = Fields.EventCategory;
  head.UserSidOffset = static_cast<std::uint32_t>(out.size());
  head.UserSidLength = static_cast<std::uint32_t>(Fields.UserSid.size());
  out += Fields.UserSid;
  head.StringOffset = static_cast<std::uint32_t>(out.size());
  head.NumStrings = static_cast<std::uint16_t>(Fields.Strings.size());
  for (const std::string& text : Fields.Strings) AppendUtf16z(out, text);
  head.DataOffset = static_cast<std::uint32_t>(out.size());
  head.DataLength = static_cast<std::uint32_t>(Fields.Data.size());
  out += Fields.Data;
  PadToDword(out);
  head.Length = static_cast<std::uint32_t>(out.size() + 4);
  out.append(reinterpret_cast<const char*>(&head.Length), 4);
  std::memcpy(out.data(), &head, kHeader);
  return out;
}

std::optional<TEventRecordFields> ParseEventRecord(std::string_view Bytes) {
  TEventRecordFields fields;
  if (!Examine(Bytes, &fields)) return std::nullopt;
  return fields;
}

bool IsSoundEventRecord(std::string_view Bytes) { return Examine(Bytes, nullptr); }

std::optional<std::string> EventRecordString(std::string_view Bytes, std::size_t& Offset, std::size_t End) {
  End = std::min(End, Bytes.size());
  std::u16string text;
  for (std::size_t at = Offset; at + 2 <= End; at += 2) {
    const auto unit =
        static_cast<char16_t>(static_cast<unsigned char>(Bytes[at]) | static_cast<unsigned char>(Bytes[at + 1]) << 8);
    if (unit == 0) {
      Offset = at + 2;
      return Utf16ToUtf8(text);
    }
    text.push_back(unit);
  }
  return std::nullopt;
}

std::string UnixUserSid(std::uint32_t Uid) {
  // Revision 1, two sub-authorities, authority 22 (big-endian), then 1 and
  // the uid (little-endian).
  std::string sid{'\x01', '\x02', 0, 0, 0, 0, 0, 22};
  const std::uint32_t parts[] = {1, Uid};
  sid.append(reinterpret_cast<const char*>(parts), sizeof parts);
  return sid;
}

std::string SidToString(std::string_view Sid) {
  if (Sid.size() < 8 || Sid[0] != 1) return "";
  const std::size_t count = static_cast<unsigned char>(Sid[1]);
  if (Sid.size() != 8 + 4 * count) return "";
  std::uint64_t authority = 0;
  for (int i = 2; i < 8; ++i) authority = authority << 8 | static_cast<unsigned char>(Sid[i]);
  std::string text = "S-1-" + std::to_string(authority);
  for (std::size_t i = 0; i < count; ++i) text += "-" + std::to_string(LoadDword(Sid, 8 + 4 * i));
  return text;
}

}  // namespace rv
