#include "core/LogBase.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <mutex>
#include <optional>

#include "core/LogBaseUnit.h"
#include "core/LogCnst.h"
#include "platform/classes/Published.h"
#include "platform/classes/Stream.h"
#include "platform/rtl/Convert.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"

namespace RV_API rv {

namespace {

// Constant-initialised, so it is empty until the unit's initialisation
// runs, whatever order the library's static objects are built in.
std::optional<TCriticalSection> logLock;

// How long a record waits for another process to finish its record.
constexpr std::chrono::milliseconds kFileLockWait{10000};
// The tail is read backwards in chunks that start small, since a file this
// unit wrote has its last '<' seven bytes before the end, and double up to a
// fixed size, so a file without a near '<' is searched in linear time.
constexpr std::int64_t kFirstTailChunk = 512;
constexpr std::int64_t kLargestTailChunk = 256 * 1024;

const char* const kInitialBody[] = {
    "This message contain technical information about program execution error.",
    "Please, press the \"Send\" button in your mailer to send this message to on-line product support. If \"Send\" "
    "button is disabled, please forward this message to %s. Also, you can send this file %s as attachment in your "
    "message to us. We will be glad to receive this bug report from you in any form. This report does NOT contain "
    "any CONFIDENTIAL information. You can insert your comment in this message after horisontal line below.",
    "--------------------------------------------------------------------------",
    "PLEASE, INSERT YOUR COMMENT HERE: ",
};

std::string initialBody() {
  std::string body;
  for (const char* line : kInitialBody) {
    if (!body.empty()) body += "\r\n";
    body += line;
  }
  return body;
}

// The offset of the last '<' among the file's first `size` bytes, or -1
// when there is none. Memory stays bounded by the largest chunk.
std::int64_t findLastTag(THandleStream& file, std::int64_t size) {
  std::string chunk;
  std::int64_t length = kFirstTailChunk;
  for (std::int64_t end = size; end > 0;) {
    const std::int64_t start = std::max<std::int64_t>(0, end - length);
    chunk.resize(static_cast<std::size_t>(end - start));
    const std::int64_t n = file.ReadAt(start, chunk.data(), end - start);
    if (const void* tag = memrchr(chunk.data(), '<', static_cast<std::size_t>(n)))
      return start + (static_cast<const char*>(tag) - chunk.data());
    end = start;
    length = std::min(length * 2, kLargestTailChunk);
  }
  return -1;
}

// The bytes that writing `count` bytes at `offset` will overwrite, kept to
// put them back should the write fail.
std::string overwrittenBytes(THandleStream& file, std::int64_t offset, std::int64_t count, std::int64_t size) {
  std::string bytes(static_cast<std::size_t>(std::clamp<std::int64_t>(size - offset, 0, count)), '\0');
  bytes.resize(static_cast<std::size_t>(file.ReadAt(offset, bytes.data(), static_cast<std::int64_t>(bytes.size()))));
  return bytes;
}

// Appends `bytes`; when the write fails part-way the file is cut back to
// its old length before the error goes on to the caller.
void appendOrRestore(THandleStream& file, const std::string& bytes) {
  std::int64_t done = 0;
  try {
    while (done < static_cast<std::int64_t>(bytes.size()))
      done += file.Write(bytes.data() + done, static_cast<std::int64_t>(bytes.size()) - done);
  } catch (...) {
    try {
      file.SetSize(file.Size() - done);
    } catch (...) {
      // The original error is the one to report.
    }
    throw;
  }
}

// Writes `bytes` at `offset`. When the write fails part-way the file is put
// back as it was, its old length and the old bytes from `offset` on, before
// the error goes on to the caller.
void writeOrRestore(THandleStream& file, std::int64_t offset, const std::string& bytes, std::int64_t oldSize,
                    const std::string& oldTail) {
  try {
    file.WriteAt(offset, bytes.data(), static_cast<std::int64_t>(bytes.size()));
  } catch (...) {
    try {
      file.SetSize(oldSize);
      if (!oldTail.empty()) file.WriteAt(offset, oldTail.data(), static_cast<std::int64_t>(oldTail.size()));
    } catch (...) {
      // The original error is the one to report.
    }
    throw;
  }
}

}  // namespace

// ---- TQVLSendTo -------------------------------------------------------------------

TCriticalSection& LogLock() {
  if (!logLock) throw EPackageError("The log lock exists only while the package is loaded");
  return *logLock;
}

void InitializeLogBase() { logLock.emplace(); }

void FinalizeLogBase() { logLock.reset(); }

const TClass& TQVLSendTo::StaticClass() {
  static const TClass cls =
      TClassBuilder<TQVLSendTo>("TQVLSendTo")
          .Property("EMail", &TQVLSendTo::EMail, &TQVLSendTo::SetEMail)
          .Property("EMailSubject", &TQVLSendTo::EMailSubject, &TQVLSendTo::SetEMailSubject)
          .Property("EMailBody", &TQVLSendTo::EMailBody, &TQVLSendTo::SetEMailBody)
          .Property("EMailOpenBeforeSend", &TQVLSendTo::EMailOpenBeforeSend, &TQVLSendTo::SetEMailOpenBeforeSend, true)
          .Property("WWW", &TQVLSendTo::WWW, &TQVLSendTo::SetWWW)
          .Property("AttachScreenShot", &TQVLSendTo::AttachScreenShot, &TQVLSendTo::SetAttachScreenShot, true)
          .Property("ScreenshotFormat", &TQVLSendTo::ScreenshotFormat, &TQVLSendTo::SetScreenshotFormat, sfBitmap)
          .Property("AttachLog", &TQVLSendTo::AttachLog, &TQVLSendTo::SetAttachLog, false)
          .Property("ResolveNames", &TQVLSendTo::ResolveNames, &TQVLSendTo::SetResolveNames, true)
          .Property("Options", &TQVLSendTo::Options, &TQVLSendTo::SetOptions,
                    TQVLDialogOptions{doScreenshot, doEmail, doWeb})
          .Property("AdditionalFiles", &TQVLSendTo::AdditionalFiles)
          .Build();
  return cls;
}
RV_REGISTER_CLASS(TQVLSendTo)

TQVLSendTo::TQVLSendTo() : FEMailBody(initialBody()), FAdditionalFiles(std::make_unique<TStringList>()) {}

TQVLSendTo::~TQVLSendTo() = default;

void TQVLSendTo::SetAdditionalFiles(const TStrings* Value) {
  if (!Value)
    FAdditionalFiles->Clear();
  else if (Value != FAdditionalFiles.get())
    FAdditionalFiles->Assign(Value);
}

// ---- TQVLogBase -------------------------------------------------------------------

const TClass& TQVLogBase::StaticClass() {
  // Formatting is declared after LogFile, so a stored qvlfXML forces the
  // loaded LogFile's extension.
  static const TClass cls = TClassBuilder<TQVLogBase>("TQVLogBase")
                                .Property("Active", &TQVLogBase::Active, &TQVLogBase::SetActive)
                                .Property("LogFile", &TQVLogBase::LogFile, &TQVLogBase::SetLogFile)
                                .Property("SendTo", &TQVLogBase::SendTo)
                                .Property("Formatting", &TQVLogBase::Formatting, &TQVLogBase::SetFormatting, qvlfText)
                                .Build();
  return cls;
}
RV_REGISTER_CLASS(TQVLogBase)

TQVLogBase::TQVLogBase(TComponent* AOwner) : TComponent(AOwner), FLogFile(sQVLDefaultLogFile) {
  SetActive(false);
  FSendTo = std::make_unique<TQVLSendTo>();
  // Set directly, not through SetFormatting, so LogFile keeps ".log".
  FFormatting = qvlfText;
}

TQVLogBase::~TQVLogBase() = default;

void TQVLogBase::SetActive(bool Value) { FActive = Value; }

void TQVLogBase::SetFormatting(TQVLogFormatting Value) {
  FFormatting = Value;
  FLogFile = ChangeFileExt(FLogFile, Value == qvlfXML ? sQVLXmlExt : sQVLLogExt);
}

void TQVLogBase::WriteAsString(const std::string& Tag, const std::string& Value) {
  if (Value.empty()) return;
  // Composed before taking the lock: other threads wait only for the file.
  const bool xml = FFormatting == qvlfXML;
  std::string record;
  if (xml) {
    record.reserve(Value.size() + 2 * Tag.size() + 32);
    record.append("  <").append(Tag).append(">").append(Value);
    record.append("\r\n  </").append(Tag).append(">\r\n").append(sQVLXmlClose);
  }
  std::lock_guard<TCriticalSection> guard(LogLock());
  // Opening never truncates: a file another process created between our look
  // and our open keeps its records. The share mode's exclusive lock is held
  // until the stream closes, so records of several processes never mix.
  if (!xml) {
    TFileStream file(FLogFile, fmOpenOrCreate | fmAppend | fmOpenWrite | fmShareDenyWrite, kFileLockWait);
    appendOrRestore(file, Value);
    return;
  }
  TFileStream file(FLogFile, fmOpenOrCreate | fmOpenReadWrite | fmShareDenyWrite, kFileLockWait);
  const std::int64_t size = file.Size();
  if (size == 0) {
    writeOrRestore(file, 0, sQVLXmlHeader + record, 0, {});
    return;
  }
  std::int64_t at = findLastTag(file, size);
  // A file without any '<' (a text log given an XML name) keeps all it has:
  // the record goes at its end.
  if (at < 0) at = size;
  const std::string oldTail = overwrittenBytes(file, at, static_cast<std::int64_t>(record.size()), size);
  writeOrRestore(file, at, record, size, oldTail);
}

void TQVLogBase::WriteAsInteger(const std::string& Tag, std::int32_t Value) { WriteAsString(Tag, IntToStr(Value)); }

void TQVLogBase::WriteAsFloat(const std::string& Tag, double Value) { WriteAsString(Tag, FloatToStr(Value)); }

void TQVLogBase::WriteAsDateTime(const std::string& Tag, TDateTime Value) { WriteAsString(Tag, DateTimeToStr(Value)); }

void TQVLogBase::ClearLog() {
  if (!FLogFile.empty() && FileExists(FLogFile)) DeleteFile(FLogFile);
}

std::string TQVLogBase::MAPIErrorDescription(std::int32_t Code) const {
  static const char* const texts[] = {
      "User cancelled request",
      "General MAPI failure",
      "Logon failure",
      "Disk full",
      "Insufficient memory",
      "Access denied",
      nullptr,
      "Too many sessions",
      "Too many files open",
      "Too many recipients",
      "Attachment not found",
      "Failed to open attachment",
      "Failed to write attachment",
      "Unknown recipient",
      "Invalid recipient type",
      "No messages",
      "Invalid message",
      "Text too large.",
      "Invalid session",
      "Type not supported",
      "Ambiguous recipient",
      "Message in use",
      "Network failure",
      "Invalid edit fields",
      "Invalid recipients",
      "Not supported",
  };
  if (Code >= 1 && Code <= 26 && texts[Code - 1]) return texts[Code - 1];
  return "Unknown Error Code: " + std::to_string(Code);
}

}  // namespace rv
