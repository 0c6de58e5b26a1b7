// Feeds arbitrary bytes to Format as the format string (with a few fixed
// arguments of every kind), and to the other text parsers of the rtl.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/rtl/SysUtils.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rv;
  // Longer inputs only repeat specifiers; the cut keeps the padding budget
  // the only limit that matters.
  std::string_view text(reinterpret_cast<const char*>(data), size < 4096 ? size : 4096);
  static int target = 0;
  try {
    Format(text, 42, -7, 3.25, "str", 'c', std::uint64_t{1} << 40, &target, 5, std::string("\xF0\x9F\x98\x80"));
  } catch (const EConvertError&) {
  }
  try {
    FormatDateTime(text, 45356.588);
  } catch (const EConvertError&) {
  }
  double value = 0;
  TryStrToFloat(text, value);
  int number = 0;
  TryStrToInt(text, number);
  Utf16Truncate(text, Utf16Length(text) / 2);
  Utf16ToUtf8(Utf8ToUtf16(text));
  return 0;
}
