#include "platform/os/EventLogFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/rtl/ScopeGuard.h"

namespace RV_API rv {

namespace {

constexpr std::uint32_t kHeaderSize = sizeof(TEventLogFileHeader);
constexpr std::uint32_t kMinRecord = sizeof(EVENTLOGRECORD) + 8;
// How much of the log a reader keeps at hand.
constexpr std::uint64_t kWindowSize = 1 << 16;
// Not an error code of the store: an unlocked read found a record outside
// the window and is made again under the lock.
constexpr long kWindowMiss = -1;

bool ReadAll(int Fd, void* Buffer, std::size_t Size, std::uint64_t Offset) {
  auto* at = static_cast<char*>(Buffer);
  while (Size > 0) {
    const ssize_t got = pread(Fd, at, Size, static_cast<off_t>(Offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    at += got;
    Size -= static_cast<std::size_t>(got);
    Offset += static_cast<std::uint64_t>(got);
  }
  return true;
}

bool WriteAll(int Fd, const void* Buffer, std::size_t Size, std::uint64_t Offset) {
  const auto* at = static_cast<const char*>(Buffer);
  while (Size > 0) {
    const ssize_t put = pwrite(Fd, at, Size, static_cast<off_t>(Offset));
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    at += put;
    Size -= static_cast<std::size_t>(put);
    Offset += static_cast<std::uint64_t>(put);
  }
  return true;
}

void Lock(int Fd, int Operation) {
  while (flock(Fd, Operation) != 0 && errno == EINTR) {
  }
}

std::uint32_t RecordLengthAt(const std::string& Bytes, std::uint64_t Offset) {
  std::uint32_t length;
  std::memcpy(&length, Bytes.data() + Offset, 4);
  return length;
}

bool PlausibleLength(std::uint32_t Length, std::uint64_t Room) {
  return Length >= kMinRecord && Length % 4 == 0 && Length <= Room;
}

// Drops the oldest records until Incoming more bytes fit below MaxSize, and
// an eighth of MaxSize besides, so that a full log isn't rewritten at every
// append.
long MakeRoom(int Fd, TEventLogFileHeader& Header, std::uint32_t Incoming) {
  const std::uint64_t limit = Header.MaxSize;
  const std::uint64_t slack = limit / 8;
  std::string body(Header.EndOffset - Header.StartOffset, '\0');
  if (!ReadAll(Fd, body.data(), body.size(), Header.StartOffset)) return ERROR_EVENTLOG_FILE_CORRUPT;
  std::uint64_t drop = 0;
  std::uint32_t dropped = 0;
  while (drop < body.size() && kHeaderSize + body.size() - drop + Incoming + slack > limit) {
    const std::uint32_t length = drop + 4 <= body.size() ? RecordLengthAt(body, drop) : 0;
    if (!PlausibleLength(length, body.size() - drop)) {
      // What follows a bad length can't be walked: it gives way whole.
      drop = body.size();
      dropped = Header.Count();
      break;
    }
    drop += length;
    ++dropped;
  }
  if (!WriteAll(Fd, body.data() + drop, body.size() - drop, Header.StartOffset)) return ERROR_EVENTLOG_FILE_CORRUPT;
  Header.OldestRecordNumber += std::min(dropped, Header.Count());
  Header.EndOffset = static_cast<std::uint32_t>(Header.StartOffset + body.size() - drop);
  if (!WriteAll(Fd, &Header, kHeaderSize, 0) || ftruncate(Fd, Header.EndOffset) != 0)
    return ERROR_EVENTLOG_FILE_CORRUPT;
  return ERROR_SUCCESS;
}

}  // namespace

bool TEventLogFileHeader::Sound() const {
  return HeaderSize == 0x30 && EndHeaderSize == 0x30 && Signature == kEventRecordSignature &&
         StartOffset == kHeaderSize && EndOffset >= StartOffset && OldestRecordNumber >= 1 &&
         CurrentRecordNumber >= OldestRecordNumber && MaxSize >= kHeaderSize;
}

std::string EventLogFileName(const std::string& Folder, const std::string& Log) {
  if (Log.empty() || Log.size() > 200 || Log == "." || Log == ".." ||
      Log.find_first_of(std::string("/\\\0", 3)) != std::string::npos)
    return "";
  std::string name = Log;
  for (char& c : name)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return Folder + "/" + name + ".evt";
}

long AppendToEventLogFile(int Fd, TEventRecordFields& Fields, std::uint32_t (*MaxSize)(const std::string&),
                          const std::string& Log) {
  Lock(Fd, LOCK_EX);
  struct stat info {};
  if (fstat(Fd, &info) != 0) return ERROR_ACCESS_DENIED;
  TEventLogFileHeader header;
  if (info.st_size == 0) {
    header.MaxSize = MaxSize(Log);
  } else if (!ReadAll(Fd, &header, kHeaderSize, 0) || !header.Sound() ||
             header.EndOffset > static_cast<std::uint64_t>(info.st_size)) {
    // Written over, the damage would become loss: the log is left for a
    // person to look at.
    return ERROR_EVENTLOG_FILE_CORRUPT;
  }
  Fields.RecordNumber = header.CurrentRecordNumber;
  const std::string record = BuildEventRecord(Fields);
  const auto size = static_cast<std::uint32_t>(record.size());
  if (std::uint64_t{header.EndOffset} + size > header.MaxSize) {
    header.MaxSize = std::max<std::uint32_t>(MaxSize(Log), kHeaderSize);
    if (std::uint64_t{header.EndOffset} + size > header.MaxSize && header.Count() > 0)
      if (long error = MakeRoom(Fd, header, size); error != ERROR_SUCCESS) return error;
  }
  if (!WriteAll(Fd, record.data(), record.size(), header.EndOffset)) return ERROR_ACCESS_DENIED;
  header.EndOffset += size;
  ++header.CurrentRecordNumber;
  if (!WriteAll(Fd, &header, kHeaderSize, 0)) return ERROR_ACCESS_DENIED;
  return ERROR_SUCCESS;
}

bool TEventLogFileReader::OpenFile() {
  for (const std::string& path : FPaths) {
    if (FFile) break;
    FFile = TFileHandle(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  }
  return FFile.Valid();
}

void TEventLogFileReader::HoldState(bool Hold) {
  FHeld = Hold;
  FHeldChecked = false;
}

bool TEventLogFileReader::StateIsCurrent() {
  if (!FSynced) return false;
  if (FHeld && FHeldChecked) return true;
  // Writers put the header last, so an unchanged header means no write has
  // finished since; one that is under way is not seen yet, as with a lock.
  TEventLogFileHeader header;
  const bool same =
      pread(FFile.Get(), &header, kHeaderSize, 0) == kHeaderSize && std::memcmp(&header, &FHeader, kHeaderSize) == 0;
  FHeldChecked = same && FHeld;
  return same;
}

long TEventLogFileReader::Sync() {
  Lock(FFile.Get(), LOCK_SH);
  TScopeExit unlock([this] { Lock(FFile.Get(), LOCK_UN); });
  return Refresh();
}

long TEventLogFileReader::Refresh() {
  FSynced = false;
  TEventLogFileHeader header;
  const ssize_t got = pread(FFile.Get(), &header, kHeaderSize, 0);
  if (got == 0) {
    header = TEventLogFileHeader();
  } else if (got != kHeaderSize || !header.Sound()) {
    return ERROR_EVENTLOG_FILE_CORRUPT;
  }
  const bool moved = header.OldestRecordNumber != FHeader.OldestRecordNumber || header.EndOffset < FHeader.EndOffset;
  FHeader = header;
  if (moved || FOffsets.empty()) {
    FIndexFirst = header.OldestRecordNumber;
    FOffsets.assign(1, header.StartOffset);
    FIndexStopped = false;
    FWindow.clear();
  }
  ExtendIndex();
  // An empty file has no header to compare with later.
  FSynced = got == kHeaderSize;
  FHeldChecked = FHeld;
  return ERROR_SUCCESS;
}

void TEventLogFileReader::ExtendIndex() {
  if (FIndexStopped || FIndexFirst + FOffsets.size() - 1 >= FHeader.CurrentRecordNumber) return;
  // A header may claim more than the file holds: no length may reach past
  // the bytes that are there.
  struct stat info {};
  if (fstat(FFile.Get(), &info) != 0) return;
  const std::uint64_t end = std::min<std::uint64_t>(FHeader.EndOffset, static_cast<std::uint64_t>(info.st_size));
  // Read in blocks: a reader opening a long log walks it once.
  constexpr std::size_t kBlock = 1 << 16;
  std::string block;
  std::uint64_t blockStart = 0;
  while (FIndexFirst + FOffsets.size() - 1 < FHeader.CurrentRecordNumber) {
    const std::uint64_t at = FOffsets.back();
    if (at + 4 > end) break;
    if (at < blockStart || at + 4 > blockStart + block.size()) {
      blockStart = at;
      block.resize(std::min<std::uint64_t>(kBlock, end - at));
      const ssize_t got = pread(FFile.Get(), block.data(), block.size(), static_cast<off_t>(at));
      block.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
      if (block.size() < 4) break;
    }
    std::uint32_t length = 0;
    std::memcpy(&length, block.data() + (at - blockStart), 4);
    if (!PlausibleLength(length, end - at)) {
      FIndexStopped = true;
      break;
    }
    FOffsets.push_back(at + length);
  }
}

std::uint32_t TEventLogFileReader::IndexedLength(std::uint32_t Number) const {
  const std::size_t i = Number - FIndexFirst;
  return static_cast<std::uint32_t>(FOffsets[i + 1] - FOffsets[i]);
}

bool TEventLogFileReader::FillWindow(std::uint32_t Number, bool Backwards) {
  const std::size_t i = Number - FIndexFirst;
  std::uint64_t start = FOffsets[i];
  std::uint64_t end = FOffsets[i + 1];
  if (end - start < kWindowSize) {
    if (Backwards)
      start = std::max<std::uint64_t>(FOffsets.front(), end > kWindowSize ? end - kWindowSize : 0);
    else
      end = std::min<std::uint64_t>(FOffsets.back(), start + kWindowSize);
  }
  FWindow.resize(end - start);
  FWindowStart = start;
  if (ReadAll(FFile.Get(), FWindow.data(), FWindow.size(), start)) return true;
  FWindow.clear();
  return false;
}

const char* TEventLogFileReader::Windowed(std::uint32_t Number) const {
  const std::uint64_t at = FOffsets[Number - FIndexFirst];
  const std::uint32_t length = IndexedLength(Number);
  if (at < FWindowStart || at + length > FWindowStart + FWindow.size()) return nullptr;
  const char* bytes = FWindow.data() + (at - FWindowStart);
  EVENTLOGRECORD head;
  std::memcpy(&head, bytes, sizeof head);
  return head.RecordNumber == Number && IsSoundEventRecord(std::string_view(bytes, length)) ? bytes : nullptr;
}

long TEventLogFileReader::NumberOfRecords(std::uint32_t& Count) {
  Count = 0;
  if (!OpenFile()) return ERROR_SUCCESS;
  if (!StateIsCurrent())
    if (long error = Sync(); error != ERROR_SUCCESS) return error;
  Count = FHeader.Count();
  return ERROR_SUCCESS;
}

long TEventLogFileReader::OldestRecord(std::uint32_t& RecordNumber) {
  RecordNumber = 0;
  if (!OpenFile()) return ERROR_SUCCESS;
  if (!StateIsCurrent())
    if (long error = Sync(); error != ERROR_SUCCESS) return error;
  if (FHeader.Count() > 0) RecordNumber = FHeader.OldestRecordNumber;
  return ERROR_SUCCESS;
}

long TEventLogFileReader::Read(std::uint32_t Flags, std::uint32_t RecordNumber, void* Buffer, std::uint32_t BufferSize,
                               std::uint32_t& BytesRead, std::uint32_t& Needed) {
  BytesRead = 0;
  Needed = 0;
  const bool seek = Flags & EVENTLOG_SEEK_READ;
  const bool backwards = Flags & EVENTLOG_BACKWARDS_READ;
  if (seek == bool(Flags & EVENTLOG_SEQUENTIAL_READ) || backwards == bool(Flags & EVENTLOG_FORWARDS_READ) ||
      (Buffer == nullptr && BufferSize != 0))
    return ERROR_INVALID_PARAMETER;
  if (!OpenFile()) return seek ? ERROR_INVALID_PARAMETER : ERROR_HANDLE_EOF;
  auto* out = static_cast<char*>(Buffer);
  if (StateIsCurrent()) {
    const long result = ReadRecords(Flags, RecordNumber, out, BufferSize, BytesRead, Needed, false);
    if (result != kWindowMiss) return result;
  }
  Lock(FFile.Get(), LOCK_SH);
  TScopeExit unlock([this] { Lock(FFile.Get(), LOCK_UN); });
  if (long error = Refresh(); error != ERROR_SUCCESS) return error;
  return ReadRecords(Flags, RecordNumber, out, BufferSize, BytesRead, Needed, true);
}

long TEventLogFileReader::ReadRecords(std::uint32_t Flags, std::uint32_t RecordNumber, char* Buffer,
                                      std::uint32_t BufferSize, std::uint32_t& BytesRead, std::uint32_t& Needed,
                                      bool Locked) {
  BytesRead = 0;
  Needed = 0;
  const bool seek = Flags & EVENTLOG_SEEK_READ;
  const bool backwards = Flags & EVENTLOG_BACKWARDS_READ;
  const std::uint32_t oldest = FHeader.OldestRecordNumber;
  const std::uint32_t next = FHeader.CurrentRecordNumber;
  std::uint32_t number;
  if (seek) {
    if (RecordNumber < oldest || RecordNumber >= next) return ERROR_INVALID_PARAMETER;
    number = RecordNumber;
  } else {
    if (!FHaveCursor)
      number = backwards ? next - 1 : oldest;
    else
      number = backwards ? FCursor - 1 : std::max(FCursor + 1, oldest);
    if (number < oldest || number >= next) return ERROR_HANDLE_EOF;
  }
  // The cursor moves only when the call succeeds: an unlocked attempt that
  // misses the window is made again under the lock.
  std::uint32_t last = 0;
  long result = ERROR_SUCCESS;
  while (number >= oldest && number < next) {
    if (number - FIndexFirst + 1 >= FOffsets.size()) {
      if (BytesRead == 0) result = ERROR_EVENTLOG_FILE_CORRUPT;
      break;
    }
    const std::uint32_t length = IndexedLength(number);
    if (length > BufferSize - BytesRead) {
      if (BytesRead > 0) break;
      Needed = length;
      return ERROR_INSUFFICIENT_BUFFER;
    }
    // A record read again is read from the file again: whoever asks for it
    // twice wants what is there now.
    const bool again = FHaveCursor && number == FCursor;
    const char* record = again ? nullptr : Windowed(number);
    if (!record && !Locked) return kWindowMiss;
    if (!record && FillWindow(number, backwards)) record = Windowed(number);
    if (!record) {
      if (BytesRead == 0) result = ERROR_EVENTLOG_FILE_CORRUPT;
      break;
    }
    std::memcpy(Buffer + BytesRead, record, length);
    BytesRead += length;
    last = number;
    number = backwards ? number - 1 : number + 1;
  }
  if (BytesRead > 0) {
    FCursor = last;
    FHaveCursor = true;
  }
  return result;
}

}  // namespace rv
