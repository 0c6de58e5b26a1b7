#pragma once
// The Linux mail service.
//
// - Resolution: a recipient text that is an address (MailAddress.h) resolves
//   to itself, its entry identifier the address; one with a display name
//   ("Support Team <support@example.org>") to that name, its address, and
//   the whole mailbox as entry identifier. Anything else is
//   MAPI_E_UNKNOWN_RECIPIENT, with MAPI_DIALOG too (there is no address book).
// - A recipient's mailbox is read from its entry identifier when that is one
//   of ours, else from its address or name.
// - With MAPI_DIALOG: the composer (xdg-email) gets one argument, a mailto:
//   URI. Recipients without a usable address are left for the user to add.
//   The composer never sends by itself and can't report a cancel; one still
//   running after ComposerWait counts as opened.
// - Without it: a MIME message goes to sendmail, its envelope given
//   explicitly ("sendmail -i -- every address"), so Bcc recipients get the
//   message without appearing in any header. Every recipient needs an address.
// - Attachments are checked before anything starts: missing gives
//   MAPI_E_ATTACHMENT_NOT_FOUND, unreadable MAPI_E_ATTACHMENT_OPEN_FAILURE.

#include <chrono>
#include <string>

#include "platform/os/Mapi.h"
#include "platform/os/Process.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TLinuxMapiService : public TMapiService {
 public:
  ULONG MAPIResolveName(LHANDLE Session, ULONG_PTR UIParam, const char* Name, ULONG Flags, ULONG Reserved,
                        TMapiRecipDesc** Recip) override;
  ULONG MAPISendMail(LHANDLE Session, ULONG_PTR UIParam, const TMapiMessage* Message, ULONG Flags,
                     ULONG Reserved) override;

  const std::string& SendmailProgram() const { return FSendmailProgram; }
  void SetSendmailProgram(std::string value) { FSendmailProgram = std::move(value); }
  const std::string& ComposerProgram() const { return FComposerProgram; }
  void SetComposerProgram(std::string value) { FComposerProgram = std::move(value); }
  std::chrono::milliseconds ComposerWait() const { return FComposerWait; }
  void SetComposerWait(std::chrono::milliseconds value) { FComposerWait = value; }
  std::chrono::milliseconds SendTimeout() const { return FSendTimeout; }
  void SetSendTimeout(std::chrono::milliseconds value) { FSendTimeout = value; }

 private:
  std::string FSendmailProgram = "/usr/sbin/sendmail";
  std::string FComposerProgram = "xdg-email";
  std::chrono::milliseconds FComposerWait{std::chrono::seconds(5)};
  std::chrono::milliseconds FSendTimeout{std::chrono::seconds(60)};
};

// The Linux service that MapiService() gives when no other is installed.
TLinuxMapiService& LinuxMapiService();

// The result code for how the composer or sendmail ended.
ULONG ComposerResult(const TProcessResult& Run);
ULONG SendmailResult(const TProcessResult& Run);

}  // namespace rv
