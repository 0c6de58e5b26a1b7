#pragma once
// Counting and cutting UTF-8 text by UTF-16 code units, the unit in which
// the suite's buffers count characters, and conversions between the two.
//
// Invalid UTF-8 (a stray continuation byte, a truncated sequence, an overlong
// form, an encoded surrogate, a value above U+10FFFF) stands for U+FFFD, one
// per bad byte. Unpaired surrogates in UTF-16 become U+FFFD.

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/rtl/Export.h"

namespace RV_API rv {

std::size_t Utf16Length(std::string_view Utf8);

// The longest prefix of Utf8 (its own bytes) that takes at most MaxUnits
// UTF-16 code units, never splitting a character.
std::string Utf16Truncate(std::string_view Utf8, std::size_t MaxUnits);

std::u16string Utf8ToUtf16(std::string_view Utf8);
std::string Utf16ToUtf8(std::u16string_view Utf16);

// Reads one code point at Pos and advances Pos past it; a bad byte reads as
// U+FFFD and advances by one. Pos must be below Utf8.size().
char32_t NextCodePoint(std::string_view Utf8, std::size_t& Pos);

// Appends the UTF-8 form of a code point (U+FFFD for a surrogate or a value
// above U+10FFFF).
void AppendUtf8(std::string& Out, char32_t CodePoint);

}  // namespace rv
