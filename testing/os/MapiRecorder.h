#pragma once
// TRecordingMapiService: a mail service for tests. It keeps deep copies of
// everything it is handed, answers with programmed results, and its resolved
// recipients are released by its MAPIFreeBuffer (BuffersInUse() shows what
// a caller failed to release).

#include <optional>
#include <string>
#include <vector>

#include "platform/os/Mapi.h"
#include "platform/rtl/Closure.h"
#include "platform/rtl/Service.h"

namespace rv {

struct TRecordedRecipient {
  ULONG RecipClass = 0;
  std::optional<std::string> Name;  // nullopt: the pointer was null
  std::optional<std::string> Address;
  std::string EntryID;  // the ulEIDSize bytes at lpEntryID
};

struct TRecordedFile {
  ULONG Flags = 0;
  ULONG Position = 0;
  std::optional<std::string> PathName;
  std::optional<std::string> FileName;
  bool Existed = false;  // a file of that path existed during the call
};

struct TRecordedMail {
  LHANDLE Session = 0;
  ULONG_PTR UIParam = 0;
  ULONG Flags = 0;
  std::optional<std::string> Subject;
  std::optional<std::string> NoteText;
  ULONG RecipCount = 0;
  ULONG FileCount = 0;
  bool HasRecipArray = false;
  bool HasFileArray = false;
  std::vector<TRecordedRecipient> Recipients;
  std::vector<TRecordedFile> Files;
};

struct TRecordedResolve {
  std::optional<std::string> Name;
  ULONG Flags = 0;
  ULONG_PTR UIParam = 0;
};

// What a resolution answers: the result and, on success, the recipient.
struct TResolveAnswer {
  ULONG Result = SUCCESS_SUCCESS;
  std::string Name;
  std::string Address;
  std::string EntryID;
};

using TResolveHandler = Closure<TResolveAnswer(const std::string& Name, ULONG Flags)>;

class TRecordingMapiService : public TMapiService {
 public:
  ULONG MAPIResolveName(LHANDLE Session, ULONG_PTR UIParam, const char* Name, ULONG Flags, ULONG Reserved,
                        TMapiRecipDesc** Recip) override;
  ULONG MAPISendMail(LHANDLE Session, ULONG_PTR UIParam, const TMapiMessage* Message, ULONG Flags,
                     ULONG Reserved) override;

  const std::vector<TRecordedMail>& Mails() const { return FMails; }
  const std::vector<TRecordedResolve>& Resolves() const { return FResolves; }

  // What MAPISendMail returns.
  ULONG SendResult() const { return FSendResult; }
  void SetSendResult(ULONG value) { FSendResult = value; }
  // Answers resolutions; unassigned, every name resolves to itself (name,
  // address and entry identifier the name).
  const TResolveHandler& OnResolve() const { return FOnResolve; }
  void SetOnResolve(TResolveHandler value) { FOnResolve = std::move(value); }

 private:
  std::vector<TRecordedMail> FMails;
  std::vector<TRecordedResolve> FResolves;
  ULONG FSendResult = SUCCESS_SUCCESS;
  TResolveHandler FOnResolve;
};

// Installs a service for a scope and restores the previous one after.
class TMapiServiceScope : public TServiceScope<TMapiService> {
 public:
  explicit TMapiServiceScope(TMapiService& Service) : TServiceScope(SetMapiService, Service) {}
};

}  // namespace rv
