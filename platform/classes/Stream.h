#pragma once
// Streams: TStream, THandleStream over a file descriptor, TFileStream with
// the classic open and share modes, TMemoryStream and TStringStream.
//
// Share modes are kept across threads and processes with advisory flock()
// locks on the open file: a stream that denies writers while it writes, or
// denies everyone, holds an exclusive lock; a reader that denies writers holds
// a shared lock; fmShareDenyNone and fmShareCompat take no lock. A stream that
// can't get its lock fails at once, as a sharing violation does, unless it
// was given a time to wait for it.

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/classes/Object.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

enum TSeekOrigin : std::uint8_t { soBeginning, soCurrent, soEnd };

inline constexpr std::uint16_t fmCreate = 0xFF00;  // create or truncate; read-write, no sharing
inline constexpr std::uint16_t fmOpenRead = 0x0000;
inline constexpr std::uint16_t fmOpenWrite = 0x0001;
inline constexpr std::uint16_t fmOpenReadWrite = 0x0002;
inline constexpr std::uint16_t fmShareCompat = 0x0000;
inline constexpr std::uint16_t fmShareExclusive = 0x0010;
inline constexpr std::uint16_t fmShareDenyWrite = 0x0020;
inline constexpr std::uint16_t fmShareDenyRead = 0x0030;
inline constexpr std::uint16_t fmShareDenyNone = 0x0040;
// Not classic: open the file, creating it empty when it is missing, never
// truncating. Combine with an open and a share mode. Fails with EFCreateError
// when the file doesn't exist, EFOpenError otherwise.
inline constexpr std::uint16_t fmOpenOrCreate = 0x0100;
// Not classic: every write goes to the end of the file, wherever the
// position is (O_APPEND).
inline constexpr std::uint16_t fmAppend = 0x0200;

class TStream : public TObject {
 public:
  // Read and Write move the position and return the bytes transferred.
  virtual std::int64_t Read(void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Write(const void* Buffer, std::int64_t Count) = 0;
  virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;

  std::int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(std::int64_t Pos) { Seek(Pos, soBeginning); }
  virtual std::int64_t Size();
  virtual void SetSize(std::int64_t NewSize) = 0;

  // Transfer exactly Count bytes or raise EReadError / EWriteError.
  void ReadBuffer(void* Buffer, std::int64_t Count);
  void WriteBuffer(const void* Buffer, std::int64_t Count);
  void WriteString(const std::string& Bytes) { WriteBuffer(Bytes.data(), static_cast<std::int64_t>(Bytes.size())); }
  // Copies Count bytes (0: the whole source from its start) from Source.
  std::int64_t CopyFrom(TStream& Source, std::int64_t Count);
};

// A stream over a file descriptor it owns.
class THandleStream : public TStream {
 public:
  explicit THandleStream(int Handle) : FHandle(Handle) {}
  ~THandleStream() override;
  THandleStream(const THandleStream&) = delete;
  THandleStream& operator=(const THandleStream&) = delete;

  int Handle() const { return FHandle; }
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override;
  void SetSize(std::int64_t NewSize) override;
  // Positioned transfers that leave the position alone; raise EReadError /
  // EWriteError on failure, return the bytes transferred (a short read only at
  // the end of the file).
  std::int64_t ReadAt(std::int64_t Offset, void* Buffer, std::int64_t Count);
  void WriteAt(std::int64_t Offset, const void* Buffer, std::int64_t Count);

 protected:
  void SetHandle(int Handle) { FHandle = Handle; }

 private:
  int FHandle = -1;
};

class TFileStream : public THandleStream {
 public:
  // Opens FileName in Mode (an fm... open mode or-ed with a share mode, or
  // fmCreate). Raises EFCreateError / EFOpenError naming the file and the
  // system's reason. LockWait bounds how long it waits for the share lock.
  TFileStream(const std::string& FileName, std::uint16_t Mode,
              std::chrono::milliseconds LockWait = std::chrono::milliseconds{0});
  const std::string& FileName() const { return FFileName; }

 private:
  std::string FFileName;
};

class TMemoryStream : public TStream {
 public:
  std::int64_t Read(void* Buffer, std::int64_t Count) override;
  std::int64_t Write(const void* Buffer, std::int64_t Count) override;
  std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
  std::int64_t Size() override { return static_cast<std::int64_t>(FData.size()); }
  void SetSize(std::int64_t NewSize) override;
  void Clear();
  const std::string& Memory() const { return FData; }
  void LoadFromFile(const std::string& FileName);
  void SaveToFile(const std::string& FileName) const;

 protected:
  std::string FData;
  std::int64_t FPosition = 0;
};

class TStringStream : public TMemoryStream {
 public:
  explicit TStringStream(std::string Data = {}) { FData = std::move(Data); }
  const std::string& DataString() const { return FData; }
};

// Reads a whole file; raises EFOpenError / EReadError naming it.
std::string ReadFileBytes(const std::string& FileName);

}  // namespace rv
