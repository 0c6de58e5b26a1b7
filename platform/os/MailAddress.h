#pragma once
// Mail addresses as the mail service accepts them. There is no address book:
// only text that is itself an address can be mailed to.

#include <optional>
#include <string>
#include <string_view>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// A plain address (local@domain) that is safe to hand to a mail program as an
// argument or in a header: one '@' with text on both sides, no blanks or
// control characters, none of < > ( ) [ ] " ' , ; : \, not beginning with
// '-', at most 254 bytes.
bool IsMailAddress(std::string_view Text);

// The address a recipient text stands for: the text without surrounding
// blanks and without an "SMTP:" prefix, if that is an address.
std::optional<std::string> MailAddressOf(std::string_view Text);

// A recipient as mail headers name it: an address with an optional display
// name ("Support Team <support@example.org>").
struct TMailbox {
  std::string Name;  // UTF-8, no control characters; empty when none was given
  std::string Address;
  bool operator==(const TMailbox&) const = default;
};

// The mailbox a recipient text stands for: a plain address as MailAddressOf
// takes it, or a display name (bare or in double quotes, with backslash
// escapes) followed by an address in angle brackets, with blanks around.
std::optional<TMailbox> MailboxOf(std::string_view Text);

}  // namespace rv
