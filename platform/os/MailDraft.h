#pragma once
// A message as the Linux mail service hands it on, after the checks:
// mailboxes by recipient class, texts, and the attachments.

#include <string>
#include <vector>

#include "platform/os/MailAddress.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

struct TMailAttachment {
  std::string Path;  // absolute
  std::string Name;  // shown to the recipient
  std::string Data;  // the contents, read only when the message is mailed directly
};

struct TMailDraft {
  std::vector<TMailbox> To, Cc, Bcc;
  std::string Subject;
  std::string Body;
  std::vector<TMailAttachment> Files;
};

}  // namespace rv
