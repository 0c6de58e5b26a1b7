#include "platform/os/MailAddress.h"

#include <strings.h>

namespace rv {

bool IsMailAddress(std::string_view Text) {
  if (Text.empty() || Text.size() > 254 || Text[0] == '-') return false;
  const std::size_t at = Text.find('@');
  if (at == 0 || at == std::string_view::npos || Text.find('@', at + 1) != std::string_view::npos) return false;
  for (char ch : Text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c <= 0x20 || c == 0x7F || std::string_view("<>()[]\"',;:\\").find(ch) != std::string_view::npos)
      return false;
  }
  const std::string_view domain = Text.substr(at + 1);
  return !domain.empty() && domain.front() != '.' && domain.front() != '-' && domain.back() != '.' &&
         domain.find("..") == std::string_view::npos;
}

std::optional<std::string> MailAddressOf(std::string_view Text) {
  const auto blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!Text.empty() && blank(Text.front())) Text.remove_prefix(1);
  while (!Text.empty() && blank(Text.back())) Text.remove_suffix(1);
  if (Text.size() >= 5 && ::strncasecmp(Text.data(), "SMTP:", 5) == 0) Text.remove_prefix(5);
  if (!IsMailAddress(Text)) return std::nullopt;
  return std::string(Text);
}

}  // namespace rv
