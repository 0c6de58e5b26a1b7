#include "platform/os/MapiLinux.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "platform/os/MailAddress.h"
#include "platform/os/MailUri.h"
#include "platform/os/MimeMessage.h"
#include "platform/rtl/FileHandle.h"

namespace RV_API rv {

namespace {

// sysexits.h, as sendmail reports them.
constexpr int exNoUser = 67, exNoHost = 68, exUnavailable = 69, exTempFail = 75;

std::string text(const char* s) { return s ? s : ""; }

// Checks an attachment and, when Data is given, reads it.
ULONG readAttachment(const std::string& path, std::string* data) {
  struct stat st {};
  if (path.empty()) return MAPI_E_ATTACHMENT_NOT_FOUND;
  if (::stat(path.c_str(), &st) != 0)
    return errno == ENOENT || errno == ENOTDIR ? MAPI_E_ATTACHMENT_NOT_FOUND : MAPI_E_ATTACHMENT_OPEN_FAILURE;
  if (!S_ISREG(st.st_mode)) return MAPI_E_ATTACHMENT_OPEN_FAILURE;
  TFileHandle fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return MAPI_E_ATTACHMENT_OPEN_FAILURE;
  if (!data) return SUCCESS_SUCCESS;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd.Get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return MAPI_E_ATTACHMENT_OPEN_FAILURE;
    if (n == 0) return SUCCESS_SUCCESS;
    data->append(buf, static_cast<std::size_t>(n));
  }
}

// The mailbox of a recipient record: from the entry identifier when it is
// one of ours (resolution keeps the whole mailbox there, and the display
// name in the name and address), else from the address or the name.
std::optional<TMailbox> mailboxOf(const TMapiRecipDesc& r) {
  if (r.lpEntryID && r.ulEIDSize > 0)
    if (std::optional<TMailbox> m = MailboxOf({static_cast<const char*>(r.lpEntryID), r.ulEIDSize})) return m;
  return MailboxOf(text(r.lpszAddress && *r.lpszAddress ? r.lpszAddress : r.lpszName));
}

// Turns the caller's records into a checked draft. With the composer,
// recipients without an address are dropped (the user adds them there);
// mailed directly, they make the message undeliverable.
ULONG readMessage(const TMapiMessage& message, bool composer, TMailDraft& draft) {
  if ((message.nRecipCount && !message.lpRecips) || (message.nFileCount && !message.lpFiles))
    return MAPI_E_INVALID_MESSAGE;
  draft.Subject = text(message.lpszSubject);
  draft.Body = text(message.lpszNoteText);
  for (ULONG i = 0; i < message.nRecipCount; ++i) {
    const TMapiRecipDesc& r = message.lpRecips[i];
    std::vector<TMailbox>* list = r.ulRecipClass == MAPI_TO    ? &draft.To
                                  : r.ulRecipClass == MAPI_CC  ? &draft.Cc
                                  : r.ulRecipClass == MAPI_BCC ? &draft.Bcc
                                                               : nullptr;
    if (!list) return MAPI_E_BAD_RECIPTYPE;
    if (std::optional<TMailbox> mailbox = mailboxOf(r))
      list->push_back(*mailbox);
    else if (!composer)
      return MAPI_E_INVALID_RECIPS;
  }
  if (!composer && draft.To.empty() && draft.Cc.empty() && draft.Bcc.empty()) return MAPI_E_INVALID_RECIPS;
  for (ULONG i = 0; i < message.nFileCount; ++i) {
    const TMapiFileDesc& f = message.lpFiles[i];
    TMailAttachment a;
    a.Path = text(f.lpszPathName);
    if (ULONG r = readAttachment(a.Path, composer ? nullptr : &a.Data)) return r;
    // The composer may run elsewhere (an instance already open), so it gets
    // the path from the root.
    std::error_code noCwd;
    std::filesystem::path absolute = std::filesystem::absolute(a.Path, noCwd);
    if (!noCwd) a.Path = absolute.lexically_normal().string();
    a.Name = f.lpszFileName && *f.lpszFileName ? f.lpszFileName : std::filesystem::path(a.Path).filename().string();
    draft.Files.push_back(std::move(a));
  }
  return SUCCESS_SUCCESS;
}

}  // namespace

ULONG ComposerResult(const TProcessResult& Run) {
  switch (Run.Outcome) {
    case poNotStarted: return Run.Code == E2BIG ? MAPI_E_TEXT_TOO_LARGE : MAPI_E_NOT_SUPPORTED;
    case poStillRunning: return SUCCESS_SUCCESS;
    case poExited:
      switch (Run.Code) {
        case 0: return SUCCESS_SUCCESS;
        case 2: return MAPI_E_ATTACHMENT_NOT_FOUND;
        case 3: return MAPI_E_NOT_SUPPORTED;
        case 5: return MAPI_E_ATTACHMENT_OPEN_FAILURE;
        default: return MAPI_E_FAILURE;
      }
    default: return MAPI_E_FAILURE;
  }
}

ULONG SendmailResult(const TProcessResult& Run) {
  switch (Run.Outcome) {
    case poNotStarted: return MAPI_E_NOT_SUPPORTED;
    case poExited:
      switch (Run.Code) {
        case 0: return SUCCESS_SUCCESS;
        case exNoUser: return MAPI_E_UNKNOWN_RECIPIENT;
        case exNoHost:
        case exUnavailable:
        case exTempFail: return MAPI_E_NETWORK_FAILURE;
        default: return MAPI_E_FAILURE;
      }
    default: return MAPI_E_FAILURE;
  }
}

ULONG TLinuxMapiService::MAPIResolveName(LHANDLE, ULONG_PTR, const char* Name, ULONG, ULONG, TMapiRecipDesc** Recip) {
  if (!Recip) return MAPI_E_FAILURE;
  *Recip = nullptr;
  std::optional<TMailbox> mailbox = MailboxOf(text(Name));
  if (!mailbox) return MAPI_E_UNKNOWN_RECIPIENT;
  if (mailbox->Name.empty()) {
    *Recip = NewRecipient(MAPI_TO, mailbox->Address, mailbox->Address, mailbox->Address);
    return SUCCESS_SUCCESS;
  }
  // The display name is what resolution shows; the entry identifier keeps
  // the whole mailbox, so the address survives callers that pass on only
  // the name and the identifier.
  *Recip = NewRecipient(MAPI_TO, mailbox->Name, mailbox->Address, mailbox->Name + " <" + mailbox->Address + ">");
  return SUCCESS_SUCCESS;
}

ULONG TLinuxMapiService::MAPISendMail(LHANDLE, ULONG_PTR, const TMapiMessage* Message, ULONG Flags, ULONG) {
  if (!Message) return MAPI_E_INVALID_MESSAGE;
  const bool composer = Flags & MAPI_DIALOG;
  TMailDraft draft;
  if (ULONG r = readMessage(*Message, composer, draft)) return r;
  TProcessResult run;
  if (composer) {
    const std::vector<std::string> args = {FComposerProgram, BuildMailtoUri(draft)};
    run = StartDetached(args, FComposerWait);
    return ComposerResult(run);
  }

  std::vector<std::string> args = {FSendmailProgram, "-i", "--"};
  for (const auto* list : {&draft.To, &draft.Cc, &draft.Bcc})
    for (const TMailbox& m : *list) args.push_back(m.Address);
  TRunOptions options;
  options.Input = BuildMimeMessage(draft, NewMimeHeaders());
  options.Timeout = FSendTimeout;
  run = RunProcess(args, options);
  return SendmailResult(run);
}

TLinuxMapiService& LinuxMapiService() {
  static TLinuxMapiService service;
  return service;
}

}  // namespace rv
