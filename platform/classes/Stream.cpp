#include "platform/classes/Stream.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <thread>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/OSError.h"

namespace RV_API rv {

namespace {

// The share lock a mode asks for: LOCK_EX, LOCK_SH or 0 for none.
int shareLockFor(std::uint16_t Mode) {
  if ((Mode & 0xFF00) == fmCreate) return LOCK_EX;
  bool writes = (Mode & 3) != fmOpenRead;
  switch (Mode & 0x70) {
    case fmShareExclusive:
    case fmShareDenyRead: return LOCK_EX;
    case fmShareDenyWrite:
      // Writing while denying writers excludes everyone who locks at all;
      // readers that deny writers may share.
      return writes ? LOCK_EX : LOCK_SH;
    default: return 0;
  }
}

// Takes the lock, waiting up to `wait` with a growing pause between tries.
bool acquireLock(int fd, int op, std::chrono::milliseconds wait) {
  auto deadline = std::chrono::steady_clock::now() + wait;
  auto pause = std::chrono::microseconds(20);
  for (;;) {
    if (flock(fd, op | LOCK_NB) == 0) return true;
    if (errno == EINTR) continue;
    if (errno != EWOULDBLOCK) return false;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, std::chrono::microseconds(2000));
  }
}

[[noreturn]] void raiseOpenError(bool create, const std::string& name, const std::string& reason) {
  if (create) throw EFCreateError("Cannot create file \"" + name + "\". " + reason);
  throw EFOpenError("Cannot open file \"" + name + "\". " + reason);
}

}  // namespace

// ---- TStream ------------------------------------------------------------------------

std::int64_t TStream::Size() {
  std::int64_t pos = Seek(0, soCurrent);
  std::int64_t size = Seek(0, soEnd);
  Seek(pos, soBeginning);
  return size;
}

void TStream::ReadBuffer(void* Buffer, std::int64_t Count) {
  auto* out = static_cast<char*>(Buffer);
  while (Count > 0) {
    std::int64_t n = Read(out, Count);
    if (n <= 0) throw EReadError("Stream read error");
    out += n;
    Count -= n;
  }
}

void TStream::WriteBuffer(const void* Buffer, std::int64_t Count) {
  const auto* in = static_cast<const char*>(Buffer);
  while (Count > 0) {
    std::int64_t n = Write(in, Count);
    if (n <= 0) throw EWriteError("Stream write error");
    in += n;
    Count -= n;
  }
}

std::int64_t TStream::CopyFrom(TStream& Source, std::int64_t Count) {
  if (Count == 0) {
    Source.SetPosition(0);
    Count = Source.Size();
  }
  std::int64_t total = Count;
  char buffer[65536];
  while (Count > 0) {
    std::int64_t n = std::min<std::int64_t>(Count, sizeof buffer);
    Source.ReadBuffer(buffer, n);
    WriteBuffer(buffer, n);
    Count -= n;
  }
  return total;
}

// ---- THandleStream ----------------------------------------------------------------------

THandleStream::~THandleStream() {
  if (FHandle >= 0) ::close(FHandle);
}

std::int64_t THandleStream::Read(void* Buffer, std::int64_t Count) {
  for (;;) {
    ssize_t n = ::read(FHandle, Buffer, static_cast<std::size_t>(std::max<std::int64_t>(Count, 0)));
    if (n >= 0) return n;
    if (errno != EINTR) throw EReadError("Stream read error. " + SysErrorMessage(errno));
  }
}

std::int64_t THandleStream::Write(const void* Buffer, std::int64_t Count) {
  const auto* in = static_cast<const char*>(Buffer);
  std::int64_t done = 0;
  while (done < Count) {
    ssize_t n = ::write(FHandle, in + done, static_cast<std::size_t>(Count - done));
    if (n > 0) {
      done += n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    // Report what got through; the caller's next attempt raises the reason.
    if (done > 0) break;
    throw EWriteError("Stream write error. " + SysErrorMessage(n < 0 ? errno : ENOSPC));
  }
  return done;
}

std::int64_t THandleStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
  off_t pos = ::lseek(FHandle, Offset, whence);
  if (pos < 0) throw EStreamError("Stream seek error. " + SysErrorMessage(errno));
  return pos;
}

std::int64_t THandleStream::Size() {
  struct stat st {};
  if (::fstat(FHandle, &st) != 0) throw EStreamError("Stream size error. " + SysErrorMessage(errno));
  return st.st_size;
}

void THandleStream::SetSize(std::int64_t NewSize) {
  while (::ftruncate(FHandle, NewSize) != 0)
    if (errno != EINTR) throw EWriteError("Stream size change failed. " + SysErrorMessage(errno));
}

std::int64_t THandleStream::ReadAt(std::int64_t Offset, void* Buffer, std::int64_t Count) {
  auto* out = static_cast<char*>(Buffer);
  std::int64_t done = 0;
  while (done < Count) {
    ssize_t n = ::pread(FHandle, out + done, static_cast<std::size_t>(Count - done), Offset + done);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      throw EReadError("Stream read error. " + SysErrorMessage(errno));
    }
    done += n;
  }
  return done;
}

void THandleStream::WriteAt(std::int64_t Offset, const void* Buffer, std::int64_t Count) {
  const auto* in = static_cast<const char*>(Buffer);
  std::int64_t done = 0;
  while (done < Count) {
    ssize_t n = ::pwrite(FHandle, in + done, static_cast<std::size_t>(Count - done), Offset + done);
    if (n > 0) {
      done += n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    throw EWriteError("Stream write error. " + SysErrorMessage(n < 0 ? errno : ENOSPC));
  }
}

// ---- TFileStream ------------------------------------------------------------------------

TFileStream::TFileStream(const std::string& FileName, std::uint16_t Mode, std::chrono::milliseconds LockWait)
    : THandleStream(-1), FFileName(FileName) {
  const bool create = (Mode & 0xFF00) == fmCreate;
  int flags = O_CLOEXEC;
  if (create)
    flags |= O_RDWR | O_CREAT;
  else {
    flags |= (Mode & 3) == fmOpenWrite ? O_WRONLY : (Mode & 3) == fmOpenReadWrite ? O_RDWR : O_RDONLY;
    if (Mode & fmOpenOrCreate) flags |= O_CREAT;
    if (Mode & fmAppend) flags |= O_APPEND;
  }
  int fd = ::open(FileName.c_str(), flags, 0666);
  if (fd < 0) {
    int code = errno;
    // Opening-or-creating failed to create when there is nothing to open.
    bool creating = create || ((Mode & fmOpenOrCreate) && ::access(FileName.c_str(), F_OK) != 0);
    raiseOpenError(creating, FileName, SysErrorMessage(code));
  }
  SetHandle(fd);  // closed by the base from here on, also when we raise below

  // A directory opens read-only without complaint; writers get EISDIR above.
  struct stat st {};
  if ((flags & O_ACCMODE) == O_RDONLY && ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
    raiseOpenError(create, FileName, SysErrorMessage(EISDIR));
  if (int op = shareLockFor(Mode); op && !acquireLock(fd, op, LockWait))
    raiseOpenError(create, FileName, "The process cannot access the file because it is being used by another process");
  // Truncate only once the file is ours, so a file someone else holds is
  // never cut under them.
  if (create && ::ftruncate(fd, 0) != 0) raiseOpenError(true, FileName, SysErrorMessage(errno));
}

// ---- TMemoryStream ----------------------------------------------------------------------

std::int64_t TMemoryStream::Read(void* Buffer, std::int64_t Count) {
  std::int64_t available = std::max<std::int64_t>(0, Size() - FPosition);
  std::int64_t n = std::clamp<std::int64_t>(Count, 0, available);
  if (n > 0) std::memcpy(Buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
  FPosition += n;
  return n;
}

std::int64_t TMemoryStream::Write(const void* Buffer, std::int64_t Count) {
  if (Count <= 0) return 0;
  if (FPosition + Count > Size()) FData.resize(static_cast<std::size_t>(FPosition + Count));
  std::memcpy(FData.data() + FPosition, Buffer, static_cast<std::size_t>(Count));
  FPosition += Count;
  return Count;
}

std::int64_t TMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin) {
  std::int64_t base = Origin == soBeginning ? 0 : Origin == soCurrent ? FPosition : Size();
  std::int64_t pos = base + Offset;
  if (pos < 0) throw EStreamError("Stream seek error");
  FPosition = pos;
  return FPosition;
}

void TMemoryStream::SetSize(std::int64_t NewSize) {
  if (NewSize < 0) throw EStreamError("Stream size error");
  FData.resize(static_cast<std::size_t>(NewSize));
  FPosition = std::min(FPosition, NewSize);
}

void TMemoryStream::Clear() {
  FData.clear();
  FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& FileName) {
  FData = ReadFileBytes(FileName);
  FPosition = 0;
}

void TMemoryStream::SaveToFile(const std::string& FileName) const {
  TFileStream stream(FileName, fmCreate);
  stream.WriteString(FData);
}

std::string ReadFileBytes(const std::string& FileName) {
  TFileStream stream(FileName, fmOpenRead | fmShareDenyNone);
  std::string bytes;
  bytes.resize(static_cast<std::size_t>(std::max<std::int64_t>(stream.Size(), 0)));
  std::size_t used = 0;
  for (;;) {
    if (used == bytes.size()) bytes.resize(std::max<std::size_t>(bytes.size() * 2, 4096));
    std::int64_t n;
    try {
      n = stream.Read(bytes.data() + used, static_cast<std::int64_t>(bytes.size() - used));
    } catch (const EReadError& e) {
      throw EReadError("Cannot read file \"" + FileName + "\". " + e.Message());
    }
    if (n == 0) break;
    used += static_cast<std::size_t>(n);
  }
  bytes.resize(used);
  return bytes;
}

}  // namespace rv
