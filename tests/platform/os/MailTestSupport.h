#pragma once
// Independent decoders for checking what the mail service writes: percent and
// base64 decoding, RFC 2047 words and a small MIME reader.

#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace rv::test {

inline std::string PercentDecode(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i)
    if (s[i] == '%' && i + 2 < s.size()) {
      out += static_cast<char>(std::stoi(s.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  return out;
}

inline std::string Base64Decode(const std::string& s) {
  static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::uint32_t acc = 0;
  int bits = 0;
  for (char c : s) {
    if (alphabet.find(c) == std::string::npos) continue;  // line breaks, padding
    acc = (acc << 6) | static_cast<std::uint32_t>(alphabet.find(c));
    if ((bits += 6) >= 8) out += static_cast<char>((acc >> (bits -= 8)) & 0xFF);
  }
  return out;
}

// The text of a header value: RFC 2047 "B" words (the only kind written) joined.
inline std::string DecodeWords(const std::string& value) {
  if (value.rfind("=?", 0) != 0) return value;
  std::string out;
  for (std::size_t p = 0; (p = value.find("=?UTF-8?B?", p)) != std::string::npos; p += 2)
    out += Base64Decode(value.substr(p + 10, value.find("?=", p + 10) - p - 10));
  return out;
}

struct TMimePart {
  std::map<std::string, std::string> Headers;  // unfolded
  std::string Body;
};

inline TMimePart ParsePart(const std::string& text) {
  TMimePart part;
  const std::size_t end = text.find("\n\n");
  std::string head = text.substr(0, end);
  part.Body = end == std::string::npos ? "" : text.substr(end + 2);
  for (std::size_t fold; (fold = head.find("\n ")) != std::string::npos;) head.erase(fold, 1);
  std::istringstream lines(head);
  for (std::string line; std::getline(lines, line);)
    part.Headers[line.substr(0, line.find(": "))] = line.substr(line.find(": ") + 2);
  return part;
}

// The message's own headers first, then each part in order up to the closing
// boundary (missing: no parts at all).
inline std::vector<TMimePart> ParseMime(const std::string& text) {
  std::vector<TMimePart> parts = {ParsePart(text)};
  const std::string type = parts[0].Headers["Content-Type"];
  const std::size_t b = type.find("boundary=\"");
  if (b == std::string::npos) return parts;
  const std::string boundary = "\n--" + type.substr(b + 10, type.size() - b - 11);
  const std::string body = "\n" + parts[0].Body;
  if (body.find(boundary + "--\n") == std::string::npos) return {parts[0]};
  for (std::size_t p = body.find(boundary + "\n"); p != std::string::npos;) {
    const std::size_t start = p + boundary.size() + 1, next = body.find(boundary, start);
    parts.push_back(ParsePart(body.substr(start, next + 1 - start)));
    p = body.compare(next, boundary.size() + 3, boundary + "--\n") == 0 ? std::string::npos : next;
  }
  return parts;
}

}  // namespace rv::test
