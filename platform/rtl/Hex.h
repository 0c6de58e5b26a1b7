#pragma once
// Hex digits, both ways: the one table every writer and reader of hex text uses.

#include <string>

#include "platform/rtl/Export.h"

namespace RV_API rv {

// The upper-case digit of a value 0..15.
constexpr char HexDigit(unsigned Value) { return "0123456789ABCDEF"[Value & 15]; }

// The value of a hex digit of either case, or -1 for any other character.
constexpr int HexDigitValue(char C) {
  if (C >= '0' && C <= '9') return C - '0';
  if (C >= 'A' && C <= 'F') return C - 'A' + 10;
  if (C >= 'a' && C <= 'f') return C - 'a' + 10;
  return -1;
}

// Two upper-case digits, high first.
inline void AppendHexByte(std::string& Out, unsigned char Byte) {
  Out += HexDigit(Byte >> 4);
  Out += HexDigit(Byte);
}

}  // namespace rv
