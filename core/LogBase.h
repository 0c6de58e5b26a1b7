#pragma once
// The log component base: a log file in a plain-text or an XML form, the
// delivery settings every log component owns, and the one process-wide lock
// of all record writes.

#include <cstdint>
#include <memory>
#include <string>

#include "platform/classes/Component.h"
#include "platform/classes/Strings.h"
#include "platform/classes/SyncObjs.h"
#include "platform/rtl/DateTime.h"
#include "platform/rtl/Export.h"
#include "platform/rtl/Set.h"

namespace RV_API rv {

RV_ENUM(TQVLogFormatting, std::uint8_t, qvlfText, qvlfXML)
RV_ENUM(TQVLScreenshotFormat, std::uint8_t, sfBitmap, sfJpeg)
RV_ENUM(TQVLDialogOption, std::uint8_t, doScreenshot, doEmail, doWeb)
using TQVLDialogOptions = Set<TQVLDialogOption, std::uint8_t>;

// Where and how a log is delivered. Owned by its log component. Assigning
// one TQVLSendTo to another is refused, as for any persistent without Assign.
class TQVLSendTo : public TPersistent {
  RV_CLASS(TQVLSendTo, TPersistent)
 public:
  TQVLSendTo();
  ~TQVLSendTo() override;

  const std::string& EMail() const { return FEMail; }
  void SetEMail(const std::string& Value) { FEMail = Value; }
  const std::string& EMailSubject() const { return FEMailSubject; }
  void SetEMailSubject(const std::string& Value) { FEMailSubject = Value; }
  const std::string& EMailBody() const { return FEMailBody; }
  void SetEMailBody(const std::string& Value) { FEMailBody = Value; }
  bool EMailOpenBeforeSend() const { return FEMailOpenBeforeSend; }
  void SetEMailOpenBeforeSend(bool Value) { FEMailOpenBeforeSend = Value; }
  const std::string& WWW() const { return FWWW; }
  void SetWWW(const std::string& Value) { FWWW = Value; }
  bool AttachScreenShot() const { return FAttachScreenShot; }
  void SetAttachScreenShot(bool Value) { FAttachScreenShot = Value; }
  TQVLScreenshotFormat ScreenshotFormat() const { return FScreenshotFormat; }
  void SetScreenshotFormat(TQVLScreenshotFormat Value) { FScreenshotFormat = Value; }
  bool AttachLog() const { return FAttachLog; }
  void SetAttachLog(bool Value) { FAttachLog = Value; }
  bool ResolveNames() const { return FResolveNames; }
  void SetResolveNames(bool Value) { FResolveNames = Value; }
  TQVLDialogOptions Options() const { return FOptions; }
  void SetOptions(TQVLDialogOptions Value) { FOptions = Value; }
  TStrings* AdditionalFiles() const { return FAdditionalFiles.get(); }
  // Copies the lines of Value; the settings never share the caller's list.
  // No list (null) clears the copy.
  void SetAdditionalFiles(const TStrings* Value);

 private:
  std::string FEMail;
  std::string FEMailSubject;
  std::string FEMailBody;
  bool FEMailOpenBeforeSend = true;
  std::string FWWW;
  bool FAttachScreenShot = true;
  TQVLScreenshotFormat FScreenshotFormat = sfBitmap;
  bool FAttachLog = false;
  bool FResolveNames = true;
  TQVLDialogOptions FOptions{doScreenshot, doEmail, doWeb};
  std::unique_ptr<TStringList> FAdditionalFiles;
};

class TQVLogBase : public TComponent {
  RV_CLASS(TQVLogBase, TComponent)
 public:
  explicit TQVLogBase(TComponent* AOwner);
  ~TQVLogBase() override;

  // Stored here; descendants react to it by overriding SetActive.
  bool Active() const { return FActive; }
  virtual void SetActive(bool Value);
  // Used unchanged; a relative name resolves against the current directory.
  const std::string& LogFile() const { return FLogFile; }
  void SetLogFile(const std::string& Value) { FLogFile = Value; }
  TQVLSendTo* SendTo() const { return FSendTo.get(); }
  TQVLogFormatting Formatting() const { return FFormatting; }
  // Also switches the extension of LogFile to ".xml" or ".log".
  void SetFormatting(TQVLogFormatting Value);

  // Appends one record under LogLock: in the text form Value alone, in the
  // XML form an element named Tag inserted before the closing "</DATA>". An
  // empty Value writes nothing. Several processes may append to one file: a
  // record holds an exclusive lock on the file from open to close, and a
  // write that fails leaves the file as it was.
  virtual void WriteAsString(const std::string& Tag, const std::string& Value);
  void WriteAsInteger(const std::string& Tag, std::int32_t Value);
  void WriteAsFloat(const std::string& Tag, double Value);
  void WriteAsDateTime(const std::string& Tag, TDateTime Value);
  // Deletes the log file, if there is one; a failure is not reported.
  void ClearLog();

  // Hands a mail to the mail service: a screen capture (when asked for and a
  // screen is there), the log file and the additional files as attachments,
  // the recipients of SendTo.EMail, the body formatted with EMail and
  // LogFile. A failure of the mail service is shown in an error box, not
  // raised; errors of the operation itself (a body that doesn't fit its two
  // arguments) propagate. The capture file is removed on every path.
  void SendLogByMail();
  // Opens SendTo.WWW with the user's default handler; the result is ignored.
  void SendLogByWWW();
  // The text of a Simple MAPI result code.
  std::string MAPIErrorDescription(std::int32_t Code) const;

 private:
  bool FActive = false;
  std::unique_ptr<TQVLSendTo> FSendTo;
  std::string FLogFile;
  TQVLogFormatting FFormatting = qvlfText;
};

// The process-wide lock of all record writes. It exists from the unit's
// initialisation, when the library loads, to its finalisation, when it
// unloads; asked for outside that time it raises EPackageError.
TCriticalSection& LogLock();

}  // namespace rv
