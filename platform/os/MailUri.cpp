#include "platform/os/MailUri.h"

#include <vector>

#include "platform/rtl/Hex.h"

namespace RV_API rv {

namespace {

// The addresses alone: a mailto: URI has no room for display names.
std::string joinAddresses(const std::vector<TMailbox>& mailboxes) {
  std::string out;
  for (const TMailbox& m : mailboxes) {
    if (!out.empty()) out += ',';
    out += PercentEncode(m.Address, "@");
  }
  return out;
}

}  // namespace

std::string PercentEncode(std::string_view Text, std::string_view Keep) {
  std::string out;
  out.reserve(Text.size());
  for (char ch : Text) {
    const auto c = static_cast<unsigned char>(ch);
    const bool unreserved = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
                            c == '.' || c == '_' || c == '~';
    if (unreserved || Keep.find(ch) != std::string_view::npos) {
      out += ch;
    } else {
      out += '%';
      AppendHexByte(out, c);
    }
  }
  return out;
}

std::string BuildMailtoUri(const TMailDraft& Draft) {
  std::string uri = "mailto:" + joinAddresses(Draft.To);
  char separator = '?';
  auto add = [&](const char* field, const std::string& encoded) {
    if (encoded.empty()) return;
    uri += separator;
    uri += field;
    uri += '=';
    uri += encoded;
    separator = '&';
  };
  add("cc", joinAddresses(Draft.Cc));
  add("bcc", joinAddresses(Draft.Bcc));
  add("subject", PercentEncode(Draft.Subject));
  add("body", PercentEncode(Draft.Body));
  for (const TMailAttachment& f : Draft.Files) add("attach", PercentEncode(f.Path, "/"));
  return uri;
}

}  // namespace rv
