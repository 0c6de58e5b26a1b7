// Feeds arbitrary recipient texts to the mailbox reader: whatever it
// accepts must be a plain address with a display name free of control
// characters, and must give mail headers that no text can add lines to.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/os/MailAddress.h"
#include "platform/os/MimeMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const std::optional<rv::TMailbox> mailbox = rv::MailboxOf(text);
  if (!mailbox) return 0;
  if (!rv::IsMailAddress(mailbox->Address)) std::abort();
  for (char c : mailbox->Name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();

  rv::TMailDraft draft;
  draft.To = {*mailbox};
  rv::TMimeHeaders headers{"me@host", "Tue, 09 Dec 2025 10:00:00 +0100", "<id@host>", "=_b"};
  const std::string message = rv::BuildMimeMessage(draft, headers);
  // The To header is one field: its continuation lines start with a blank.
  const std::size_t to = message.find("\nTo: ") + 1;
  const std::size_t next = message.find("\nSubject: ", to);
  if (to == 0 || next == std::string::npos) std::abort();
  for (std::size_t eol = message.find('\n', to); eol < next; eol = message.find('\n', eol + 1))
    if (message[eol + 1] != ' ') std::abort();
  return 0;
}
