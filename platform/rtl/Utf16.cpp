#include "platform/rtl/Utf16.h"

namespace RV_API rv {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool isContinuation(unsigned char c) { return (c & 0xC0) == 0x80; }

std::size_t unitsOf(char32_t cp) { return cp > 0xFFFF ? 2 : 1; }

}  // namespace

char32_t NextCodePoint(std::string_view Utf8, std::size_t& Pos) {
  auto lead = static_cast<unsigned char>(Utf8[Pos]);
  if (lead < 0x80) {
    ++Pos;
    return lead;
  }
  // The allowed range of the second byte narrows for E0, ED, F0 and F4, which
  // is what rules out overlongs, surrogates and values above U+10FFFF.
  std::size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;
  char32_t cp = 0;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    cp = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    cp = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    cp = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  }
  if (length == 0 || Utf8.size() - Pos < length) {
    ++Pos;
    return kReplacement;
  }
  auto second = static_cast<unsigned char>(Utf8[Pos + 1]);
  if (second < low || second > high) {
    ++Pos;
    return kReplacement;
  }
  cp = (cp << 6) | (second & 0x3F);
  for (std::size_t i = 2; i < length; ++i) {
    auto c = static_cast<unsigned char>(Utf8[Pos + i]);
    if (!isContinuation(c)) {
      ++Pos;
      return kReplacement;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  Pos += length;
  return cp;
}

void AppendUtf8(std::string& Out, char32_t CodePoint) {
  if ((CodePoint >= 0xD800 && CodePoint <= 0xDFFF) || CodePoint > 0x10FFFF) CodePoint = kReplacement;
  if (CodePoint < 0x80) {
    Out += static_cast<char>(CodePoint);
  } else if (CodePoint < 0x800) {
    Out += static_cast<char>(0xC0 | (CodePoint >> 6));
    Out += static_cast<char>(0x80 | (CodePoint & 0x3F));
  } else if (CodePoint < 0x10000) {
    Out += static_cast<char>(0xE0 | (CodePoint >> 12));
    Out += static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (CodePoint & 0x3F));
  } else {
    Out += static_cast<char>(0xF0 | (CodePoint >> 18));
    Out += static_cast<char>(0x80 | ((CodePoint >> 12) & 0x3F));
    Out += static_cast<char>(0x80 | ((CodePoint >> 6) & 0x3F));
    Out += static_cast<char>(0x80 | (CodePoint & 0x3F));
  }
}

std::size_t Utf16Length(std::string_view Utf8) {
  std::size_t units = 0;
  for (std::size_t pos = 0; pos < Utf8.size();) units += unitsOf(NextCodePoint(Utf8, pos));
  return units;
}

std::string Utf16Truncate(std::string_view Utf8, std::size_t MaxUnits) {
  std::size_t units = 0, pos = 0;
  while (pos < Utf8.size()) {
    std::size_t next = pos;
    units += unitsOf(NextCodePoint(Utf8, next));
    if (units > MaxUnits) break;
    pos = next;
  }
  return std::string(Utf8.substr(0, pos));
}

std::u16string Utf8ToUtf16(std::string_view Utf8) {
  std::u16string out;
  out.reserve(Utf8.size());
  for (std::size_t pos = 0; pos < Utf8.size();) {
    char32_t cp = NextCodePoint(Utf8, pos);
    if (cp > 0xFFFF) {
      cp -= 0x10000;
      out += static_cast<char16_t>(0xD800 + (cp >> 10));
      out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
    } else {
      out += static_cast<char16_t>(cp);
    }
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view Utf16) {
  std::string out;
  out.reserve(Utf16.size());
  for (std::size_t i = 0; i < Utf16.size(); ++i) {
    char32_t unit = Utf16[i];
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < Utf16.size() && Utf16[i + 1] >= 0xDC00 && Utf16[i + 1] <= 0xDFFF) {
      AppendUtf8(out, 0x10000 + ((unit - 0xD800) << 10) + (Utf16[i + 1] - 0xDC00));
      ++i;
    } else {
      AppendUtf8(out, unit);  // a lone surrogate comes out as U+FFFD
    }
  }
  return out;
}

}  // namespace rv
