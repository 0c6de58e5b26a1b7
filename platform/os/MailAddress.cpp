#include "platform/os/MailAddress.h"

#include <strings.h>

namespace RV_API rv {

bool IsMailAddress(std::string_view Text) {
  if (Text.empty() || Text.size() > 254 || Text[0] == '-') return false;
  const std::size_t at = Text.find('@');
  if (at == 0 || at == std::string_view::npos || Text.find('@', at + 1) != std::string_view::npos) return false;
  for (char ch : Text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c == 0x7F || std::string_view("<>()[]\"',;:\\").find(ch) != std::string_view::npos) return false;
  }
  const std::string_view domain = Text.substr(at + 1);
  return !domain.empty() && domain.front() != '.' && domain.front() != '-' && domain.back() != '.' &&
         domain.find("..") == std::string_view::npos;
}

namespace {

bool blank(char c) { return c == ' ' || c == '\t'; }

std::string_view trimBlanks(std::string_view text) {
  while (!text.empty() && blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && blank(text.back())) text.remove_suffix(1);
  return text;
}

bool control(char ch) {
  const auto c = static_cast<unsigned char>(ch);
  return c < 0x20 || c == 0x7F;
}

// A display name as written before "<address>": in double quotes (with
// backslash escapes) or bare; no control characters either way, and a bare
// one holds no quote or angle bracket.
std::optional<std::string> displayName(std::string_view text) {
  std::string name;
  if (!text.empty() && text.front() == '"') {
    if (text.size() < 2 || text.back() != '"') return std::nullopt;
    text = text.substr(1, text.size() - 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '"' || (text[i] == '\\' && ++i == text.size())) return std::nullopt;
      if (control(text[i])) return std::nullopt;
      name += text[i];
    }
    return name;
  }
  for (char ch : text)
    if (control(ch) || ch == '"' || ch == '<' || ch == '>') return std::nullopt;
  return std::string(text);
}

}  // namespace

std::optional<std::string> MailAddressOf(std::string_view Text) {
  Text = trimBlanks(Text);
  if (Text.size() >= 5 && ::strncasecmp(Text.data(), "SMTP:", 5) == 0) Text.remove_prefix(5);
  if (!IsMailAddress(Text)) return std::nullopt;
  return std::string(Text);
}

std::optional<TMailbox> MailboxOf(std::string_view Text) {
  if (std::optional<std::string> address = MailAddressOf(Text)) return TMailbox{"", *address};
  Text = trimBlanks(Text);
  const std::size_t open = Text.rfind('<');
  if (open == std::string_view::npos || Text.back() != '>') return std::nullopt;
  const std::string_view address = Text.substr(open + 1, Text.size() - open - 2);
  if (!IsMailAddress(address)) return std::nullopt;
  std::optional<std::string> name = displayName(trimBlanks(Text.substr(0, open)));
  if (!name) return std::nullopt;
  return TMailbox{*name, std::string(address)};
}

}  // namespace rv
