#pragma once
// MIME messages for sendmail: headers (never Bcc), a UTF-8 text part and
// one base64 part per attachment. Lines end in a bare LF, the local form
// sendmail reads from its input.

#include <string>
#include <string_view>

#include "platform/os/MailDraft.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

struct TMimeHeaders {
  std::string From;       // user@host
  std::string Date;       // "Tue, 09 Dec 2025 10:00:00 +0100"
  std::string MessageID;  // "<...@host>"
  std::string Boundary;   // never found inside base64 text or header lines
};

// Headers for a message written now by the current user on this host.
TMimeHeaders NewMimeHeaders();

// Base64 (RFC 4648), in lines of 76 characters each ending in LF when
// Lines is true.
std::string Base64Encode(std::string_view Data, bool Lines = false);

// A header value: CR and LF become blanks; text that is not plain printable
// ASCII, or too long for one line, becomes RFC 2047 encoded words (UTF-8,
// base64), folded.
std::string EncodeHeaderText(std::string_view Text);

std::string BuildMimeMessage(const TMailDraft& Draft, const TMimeHeaders& Headers);

}  // namespace rv
