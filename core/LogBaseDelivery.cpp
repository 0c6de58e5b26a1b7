// Delivery of a log component's log: by mail through the mail service, with
// a screen capture, or by opening the support web page.

#include <deque>
#include <vector>

#include "core/LogBase.h"
#include "platform/classes/Stream.h"
#include "platform/forms/Application.h"
#include "platform/forms/Dialogs.h"
#include "platform/forms/ModalWait.h"
#include "platform/graphics/Graphics.h"
#include "platform/os/Mapi.h"
#include "platform/os/ScreenCapture.h"
#include "platform/os/TempFiles.h"
#include "platform/os/WebOpener.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileHandle.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/StrUtils.h"

namespace RV_API rv {

namespace {

// The file extension of each capture format.
const char* const kCaptureExt[] = {".bmp", ".jpg"};
constexpr int kJpegQuality = 90;
// MAPI_DIALOG when the user is to see the message before it goes.
const ULONG kDialogFlag[] = {0, MAPI_DIALOG};

// The screen capture attached to one mail; the file is removed again on every
// path out of the delivery.
class TCaptureFile {
 public:
  TCaptureFile() = default;
  ~TCaptureFile() {
    if (!FName.empty()) DeleteFile(FName);
  }
  TCaptureFile(const TCaptureFile&) = delete;
  TCaptureFile& operator=(const TCaptureFile&) = delete;

  // Captures the screen into a fresh temporary file named "QVL....bmp" or
  // ".jpg". Without a screen, or when no temporary file can be created, there
  // is nothing to attach and no file is written.
  bool Write(TQVLScreenshotFormat Format) {
    TBitmap bitmap;
    if (!CaptureScreen(bitmap)) return false;
    TTempFile file;
    try {
      file = CreateTempFile("QVL", kCaptureExt[Format == sfJpeg ? 1 : 0]);
    } catch (const EFCreateError&) {
      return false;
    }
    FName = file.Name;
    THandleStream out(file.Handle.Release());
    if (Format == sfJpeg)
      bitmap.SaveToJpegStream(out, kJpegQuality);
    else
      bitmap.SaveToStream(out);
    return true;
  }
  const std::string& Name() const { return FName; }

 private:
  std::string FName;
};

// Entries end at ',' or ';'; empty entries in the middle count, a trailing
// empty one doesn't; nothing is trimmed.
std::vector<std::string> splitRecipients(const std::string& EMail) {
  std::vector<std::string> entries;
  std::string current;
  for (char c : EMail) {
    if (c == ',' || c == ';') {
      entries.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) entries.push_back(current);
  return entries;
}

// A recipient entry's class, from its "CC:" or "BCC:" prefix (any case), and
// the entry without it.
ULONG recipientClass(std::string& entry) {
  if (StartsText("CC:", entry)) {
    entry.erase(0, 3);
    return MAPI_CC;
  }
  if (StartsText("BCC:", entry)) {
    entry.erase(0, 4);
    return MAPI_BCC;
  }
  return MAPI_TO;
}

// Everything handed to the mail service, kept alive until it returned;
// resolution results go back to the service afterwards.
class TMailExchange {
 public:
  explicit TMailExchange(TMapiService& Service) : FService(Service) {}
  ~TMailExchange() {
    for (TMapiRecipDesc* r : FResolved) FService.MAPIFreeBuffer(r);
  }
  TMailExchange(const TMailExchange&) = delete;
  TMailExchange& operator=(const TMailExchange&) = delete;

  void AddFile(const std::string& Path) {
    FPaths.push_back(Path);
    FNames.push_back(ExtractFileName(Path));
  }

  void AddRecipient(std::string Entry, bool Resolve) {
    TMapiRecipDesc recip;
    recip.ulRecipClass = recipientClass(Entry);
    FEntries.push_back(std::move(Entry));
    const char* text = FEntries.back().c_str();
    if (!Resolve) {
      recip.lpszName = recip.lpszAddress = text;
    } else if (TMapiRecipDesc* found = ResolveName(text)) {
      recip.lpszName = recip.lpszAddress = found->lpszName;
      recip.ulEIDSize = found->ulEIDSize;
      recip.lpEntryID = found->lpEntryID;
    }
    // An unresolved recipient keeps only its class.
    FRecips.push_back(recip);
  }

  ULONG Send(const std::string& Subject, const std::string& Body, bool OpenBeforeSend) {
    std::vector<TMapiFileDesc> files(FPaths.size());
    for (std::size_t i = 0; i < files.size(); ++i) {
      files[i].nPosition = 0xFFFFFFFF;
      files[i].lpszPathName = FPaths[i].c_str();
      files[i].lpszFileName = FNames[i].c_str();
    }
    TMapiMessage message;
    message.lpszSubject = Subject.c_str();
    message.lpszNoteText = Body.c_str();
    if (!files.empty()) {
      message.nFileCount = static_cast<ULONG>(files.size());
      message.lpFiles = files.data();
    }
    if (!FRecips.empty()) {
      message.nRecipCount = static_cast<ULONG>(FRecips.size());
      message.lpRecips = FRecips.data();
    }
    // The application's window is the parent of whatever the mail client shows.
    return FService.MAPISendMail(0, static_cast<ULONG_PTR>(Application->Handle()), &message,
                                 MAPI_LOGON_UI | kDialogFlag[OpenBeforeSend ? 1 : 0], 0);
  }

 private:
  TMapiRecipDesc* ResolveName(const char* Name) {
    TMapiRecipDesc* found = nullptr;
    ULONG result = FService.MAPIResolveName(0, 0, Name, 0, 0, &found);
    // Unknown or ambiguous: let the mail client ask the user once.
    if (result == MAPI_E_UNKNOWN_RECIPIENT || result == MAPI_E_AMBIGUOUS_RECIPIENT)
      result = FService.MAPIResolveName(0, 0, Name, MAPI_DIALOG, 0, &found);
    if (result != SUCCESS_SUCCESS || !found) return nullptr;
    FResolved.push_back(found);
    return found;
  }

  TMapiService& FService;
  std::vector<std::string> FPaths;
  std::vector<std::string> FNames;
  std::deque<std::string> FEntries;  // the recipients point into it: it must not move its strings
  std::vector<TMapiRecipDesc> FRecips;
  std::vector<TMapiRecipDesc*> FResolved;
};

}  // namespace

void TQVLogBase::SendLogByMail() {
  const TQVLSendTo& settings = *FSendTo;
  TCaptureFile capture;
  std::vector<std::string> attachments;
  if (settings.AttachScreenShot() && capture.Write(settings.ScreenshotFormat())) attachments.push_back(capture.Name());
  if (settings.AttachLog() && !FLogFile.empty()) attachments.push_back(FLogFile);
  // A list of additional files is there to be sent.
  for (int i = 0; i < settings.AdditionalFiles()->Count(); ++i)
    attachments.push_back(settings.AdditionalFiles()->Get(i));

  const std::string body = Format(settings.EMailBody(), settings.EMail(), FLogFile);
  TMailExchange exchange(MapiService());
  for (const std::string& path : attachments) exchange.AddFile(path);
  for (const std::string& entry : splitRecipients(settings.EMail()))
    exchange.AddRecipient(entry, settings.ResolveNames());
  // The composer and sendmail may take seconds: the windows stay served meanwhile.
  ULONG result = SUCCESS_SUCCESS;
  WaitServingMessages([&] { result = exchange.Send(settings.EMailSubject(), body, settings.EMailOpenBeforeSend()); });
  if (result != SUCCESS_SUCCESS)
    MessageDlg(MAPIErrorDescription(static_cast<std::int32_t>(result)), mtError, {mbOK}, 0);
}

void TQVLogBase::SendLogByWWW() {
  // The opener refuses an empty address or one that would read as an option.
  // It gets seconds to report: the windows stay served meanwhile.
  WaitServingMessages([&] { WebOpener().Open(FSendTo->WWW()); });
}

}  // namespace rv
