#include "platform/os/MimeMessage.h"

#include <unistd.h>

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <random>

#include "platform/os/MailUri.h"
#include "platform/os/UserAndHost.h"

namespace RV_API rv {

namespace {

// Encoded words may be 75 characters: "=?UTF-8?B?" + 60 base64 + "?=" holds 45 bytes.
constexpr std::size_t wordBytes = 45;
constexpr std::size_t plainHeaderLimit = 76;

std::string randomHex(int bytes) {
  std::random_device rd;
  std::string out;
  char buf[3];
  for (int i = 0; i < bytes; ++i) {
    std::snprintf(buf, sizeof buf, "%02x", static_cast<unsigned>(rd() & 0xFF));
    out += buf;
  }
  return out;
}

// A user or host name reduced to what an address may carry unquoted.
std::string addressPart(std::string text, const char* fallback) {
  for (char& c : text)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') c = '_';
  return text.empty() ? fallback : text;
}

std::string hostName() { return addressPart(HostName(), "localhost"); }

std::string userName() { return addressPart(UserNameOf(EffectiveUserId()), "user"); }

std::string rfc5322Date(std::time_t now) {
  static const char* const days[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
  static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                       "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  std::tm tm{};
  ::localtime_r(&now, &tm);
  const long offset = tm.tm_gmtoff / 60;
  const long absOffset = offset < 0 ? -offset : offset;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", days[tm.tm_wday], tm.tm_mday,
                months[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec, offset < 0 ? '-' : '+',
                absOffset / 60, absOffset % 60);
  return buf;
}

bool plainPrintable(std::string_view text) {
  for (char ch : text)
    if (static_cast<unsigned char>(ch) < 0x20 || static_cast<unsigned char>(ch) > 0x7E) return false;
  return true;
}

// A display name goes in double quotes, or as encoded words when it is not
// plain ASCII.
std::string mailboxText(const TMailbox& mailbox) {
  if (mailbox.Name.empty()) return mailbox.Address;
  std::string name;
  if (plainPrintable(mailbox.Name)) {
    name = "\"";
    for (char c : mailbox.Name) {
      if (c == '"' || c == '\\') name += '\\';
      name += c;
    }
    name += '"';
  } else {
    name = EncodeHeaderText(mailbox.Name);
  }
  return name + " <" + mailbox.Address + ">";
}

std::string addressList(const std::vector<TMailbox>& mailboxes) {
  std::string out;
  for (const TMailbox& m : mailboxes) out += (out.empty() ? "" : ",\n ") + mailboxText(m);
  return out;
}

// A MIME parameter: quoted when plain ASCII, else RFC 2231 (UTF-8, percent-encoded).
std::string parameter(const char* name, std::string_view value) {
  if (plainPrintable(value) && value.find_first_of("\"\\") == std::string_view::npos)
    return std::string(name) + "=\"" + std::string(value) + "\"";
  return std::string(name) + "*=UTF-8''" + PercentEncode(value);
}

std::string contentType(const std::string& name) {
  static const struct {
    const char* ext;
    const char* type;
  } types[] = {{".bmp", "image/bmp"},  {".jpg", "image/jpeg"}, {".jpeg", "image/jpeg"}, {".png", "image/png"},
               {".txt", "text/plain"}, {".log", "text/plain"}, {".xml", "text/xml"}};
  const std::size_t dot = name.rfind('.');
  if (dot != std::string::npos)
    for (const auto& t : types)
      if (::strcasecmp(name.c_str() + dot, t.ext) == 0) return t.type;
  return "application/octet-stream";
}

std::string withoutLineBreaks(std::string_view text) {
  std::string out(text);
  for (char& c : out)
    if (c == '\r' || c == '\n') c = ' ';
  return out;
}

}  // namespace

TMimeHeaders NewMimeHeaders() {
  TMimeHeaders h;
  const std::string host = hostName();
  h.From = userName() + "@" + host;
  h.Date = rfc5322Date(std::time(nullptr));
  h.MessageID = "<" + randomHex(12) + "." + std::to_string(::getpid()) + "@" + host + ">";
  h.Boundary = "=_rv_" + randomHex(12);
  return h;
}

std::string Base64Encode(std::string_view Data, bool Lines) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((Data.size() + 2) / 3 * 4 * 78 / 76 + 2);
  std::size_t column = 0;
  for (std::size_t i = 0; i < Data.size(); i += 3) {
    const std::size_t n = std::min<std::size_t>(3, Data.size() - i);
    std::uint32_t v = 0;
    for (std::size_t k = 0; k < 3; ++k) v = (v << 8) | (k < n ? static_cast<unsigned char>(Data[i + k]) : 0u);
    for (std::size_t k = 0; k < 4; ++k) out += k <= n ? alphabet[(v >> (18 - 6 * k)) & 63] : '=';
    column += 4;
    if (Lines && column == 76) {
      out += '\n';
      column = 0;
    }
  }
  if (Lines && column > 0) out += '\n';
  return out;
}

std::string EncodeHeaderText(std::string_view Text) {
  const std::string text = withoutLineBreaks(Text);
  if (plainPrintable(text) && text.size() <= plainHeaderLimit) return text;
  std::string out;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = std::min(text.size(), start + wordBytes);
    // Never split a UTF-8 sequence between two words.
    while (end < text.size() && end > start + 1 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    if (!out.empty()) out += "\n ";
    out += "=?UTF-8?B?" + Base64Encode(std::string_view(text).substr(start, end - start)) + "?=";
    start = end;
  }
  return out;
}

std::string BuildMimeMessage(const TMailDraft& Draft, const TMimeHeaders& Headers) {
  std::string m;
  m += "From: " + withoutLineBreaks(Headers.From) + "\n";
  if (!Draft.To.empty()) m += "To: " + addressList(Draft.To) + "\n";
  if (!Draft.Cc.empty()) m += "Cc: " + addressList(Draft.Cc) + "\n";
  m += "Subject: " + EncodeHeaderText(Draft.Subject) + "\n";
  m += "Date: " + withoutLineBreaks(Headers.Date) + "\n";
  m += "Message-ID: " + withoutLineBreaks(Headers.MessageID) + "\n";
  m += "MIME-Version: 1.0\n";
  const std::string boundary = withoutLineBreaks(Headers.Boundary);
  m += "Content-Type: multipart/mixed; boundary=\"" + boundary + "\"\n\n";
  m += "--" + boundary + "\n";
  m += "Content-Type: text/plain; charset=UTF-8\nContent-Transfer-Encoding: base64\n\n";
  m += Base64Encode(Draft.Body, true);
  for (const TMailAttachment& f : Draft.Files) {
    const std::string name = withoutLineBreaks(f.Name);
    m += "--" + boundary + "\n";
    m += "Content-Type: " + contentType(name) + "; " + parameter("name", name) + "\n";
    m += "Content-Disposition: attachment; " + parameter("filename", name) + "\n";
    m += "Content-Transfer-Encoding: base64\n\n";
    m += Base64Encode(f.Data, true);
  }
  m += "--" + boundary + "--\n";
  return m;
}

}  // namespace rv
