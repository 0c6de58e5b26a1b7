#include "testing/os/MapiRecorder.h"

#include <sys/stat.h>

namespace rv {

namespace {

std::optional<std::string> copy(const char* s) {
  if (!s) return std::nullopt;
  return std::string(s);
}

}  // namespace

ULONG TRecordingMapiService::MAPIResolveName(LHANDLE, ULONG_PTR UIParam, const char* Name, ULONG Flags, ULONG,
                                             TMapiRecipDesc** Recip) {
  FResolves.push_back({copy(Name), Flags, UIParam});
  if (!Recip) return MAPI_E_FAILURE;
  *Recip = nullptr;
  const std::string name = Name ? Name : "";
  const TResolveAnswer answer =
      FOnResolve ? FOnResolve(name, Flags) : TResolveAnswer{SUCCESS_SUCCESS, name, name, name};
  if (answer.Result == SUCCESS_SUCCESS) *Recip = NewRecipient(MAPI_TO, answer.Name, answer.Address, answer.EntryID);
  return answer.Result;
}

ULONG TRecordingMapiService::MAPISendMail(LHANDLE Session, ULONG_PTR UIParam, const TMapiMessage* Message, ULONG Flags,
                                          ULONG) {
  TRecordedMail mail;
  mail.Session = Session;
  mail.UIParam = UIParam;
  mail.Flags = Flags;
  if (Message) {
    mail.Subject = copy(Message->lpszSubject);
    mail.NoteText = copy(Message->lpszNoteText);
    mail.RecipCount = Message->nRecipCount;
    mail.FileCount = Message->nFileCount;
    mail.HasRecipArray = Message->lpRecips != nullptr;
    mail.HasFileArray = Message->lpFiles != nullptr;
    for (ULONG i = 0; Message->lpRecips && i < Message->nRecipCount; ++i) {
      const TMapiRecipDesc& r = Message->lpRecips[i];
      TRecordedRecipient rec{r.ulRecipClass, copy(r.lpszName), copy(r.lpszAddress), {}};
      if (r.lpEntryID) rec.EntryID.assign(static_cast<const char*>(r.lpEntryID), r.ulEIDSize);
      mail.Recipients.push_back(std::move(rec));
    }
    for (ULONG i = 0; Message->lpFiles && i < Message->nFileCount; ++i) {
      const TMapiFileDesc& f = Message->lpFiles[i];
      struct stat st {};
      const bool existed = f.lpszPathName && ::stat(f.lpszPathName, &st) == 0;
      mail.Files.push_back({f.flFlags, f.nPosition, copy(f.lpszPathName), copy(f.lpszFileName), existed});
    }
  }
  FMails.push_back(std::move(mail));
  return FSendResult;
}

}  // namespace rv
