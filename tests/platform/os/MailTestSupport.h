#pragma once
// Independent decoders for checking what the mail service produces: percent
// and base64 decoding, RFC 2047 words, and a small MIME reader.

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include <gtest/gtest.h>

namespace rv::test {

inline std::string PercentDecode(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '%' && i + 2 < s.size()) {
      out += static_cast<char>(std::stoi(std::string(s.substr(i + 1, 2)), nullptr, 16));
      i += 2;
    } else {
      out += s[i];
    }
  }
  return out;
}

inline std::string Base64Decode(std::string_view s) {
  static const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  std::uint32_t acc = 0;
  int bits = 0;
  for (char c : s) {
    auto p = alphabet.find(c);
    if (p == std::string::npos) continue;  // line breaks, padding
    acc = (acc << 6) | static_cast<std::uint32_t>(p);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out += static_cast<char>((acc >> bits) & 0xFF);
    }
  }
  return out;
}

// Joins RFC 2047 "B" words (the only kind the service writes); plain text stays.
inline std::string DecodeHeaderWords(const std::string& value) {
  if (value.rfind("=?", 0) != 0) return value;
  std::string out;
  std::size_t pos = 0;
  while ((pos = value.find("=?UTF-8?B?", pos)) != std::string::npos) {
    auto end = value.find("?=", pos + 10);
    out += Base64Decode(value.substr(pos + 10, end - pos - 10));
    pos = end + 2;
  }
  return out;
}

struct TMimePart {
  std::vector<std::pair<std::string, std::string>> Headers;  // unfolded, in order
  std::string Body;

  std::string Header(const std::string& name) const {
    for (const auto& [n, v] : Headers)
      if (n == name) return v;
    return {};
  }
  bool HasHeader(const std::string& name) const {
    for (const auto& h : Headers)
      if (h.first == name) return true;
    return false;
  }
};

inline TMimePart ParsePart(std::string_view text) {
  TMimePart part;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t eol = text.find('\n', pos);
    if (eol == std::string_view::npos) eol = text.size();
    std::string_view line = text.substr(pos, eol - pos);
    pos = eol + 1;
    if (line.empty()) break;
    if (line[0] == ' ' || line[0] == '\t') {
      part.Headers.back().second += std::string(line);  // unfolding keeps the blank
      continue;
    }
    auto colon = line.find(':');
    part.Headers.emplace_back(std::string(line.substr(0, colon)), std::string(line.substr(colon + 2)));
  }
  part.Body = pos < text.size() ? std::string(text.substr(pos)) : std::string();
  return part;
}

struct TMimeMail {
  TMimePart Top;
  std::vector<TMimePart> Parts;
  bool Closed = false;  // the closing boundary was found
};

inline TMimeMail ParseMime(const std::string& text) {
  TMimeMail mail;
  mail.Top = ParsePart(text);
  const std::string type = mail.Top.Header("Content-Type");
  auto b = type.find("boundary=\"");
  if (b == std::string::npos) return mail;
  const std::string boundary = "--" + type.substr(b + 10, type.find('"', b + 10) - b - 10);
  const std::string& body = mail.Top.Body;
  std::size_t pos = body.find(boundary + "\n");
  while (pos != std::string::npos) {
    std::size_t start = pos + boundary.size() + 1;
    std::size_t next = body.find("\n" + boundary, start);
    if (next == std::string::npos) break;
    mail.Parts.push_back(ParsePart(std::string_view(body).substr(start, next + 1 - start)));
    if (body.compare(next + 1, boundary.size() + 3, boundary + "--\n") == 0) {
      mail.Closed = true;
      break;
    }
    pos = next + 1;
  }
  return mail;
}

}  // namespace rv::test
