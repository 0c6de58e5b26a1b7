#include "platform/db/IsoDate.h"

#include <cstdio>

namespace RV_API rv {

namespace {

// Reads exactly `digits` decimal digits at `pos`.
bool readNumber(std::string_view s, std::size_t& pos, int digits, int& value) {
  if (pos + static_cast<std::size_t>(digits) > s.size()) return false;
  value = 0;
  for (int i = 0; i < digits; ++i) {
    char c = s[pos++];
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

bool expect(std::string_view s, std::size_t& pos, char c) {
  if (pos >= s.size() || s[pos] != c) return false;
  ++pos;
  return true;
}

}  // namespace

std::string DateTimeToIso(TDateTime Value) {
  TDateTimeParts p = DateTimeToParts(Value);
  char buf[40];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", p.Year, p.Month, p.Day, p.Hour, p.Minute,
                p.Second, p.MSec);
  return buf;
}

bool TryIsoToDateTime(std::string_view Text, TDateTime& Value) {
  std::size_t pos = 0;
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0, ms = 0;
  if (!readNumber(Text, pos, 4, y) || !expect(Text, pos, '-') || !readNumber(Text, pos, 2, mo) ||
      !expect(Text, pos, '-') || !readNumber(Text, pos, 2, d))
    return false;
  if (pos < Text.size()) {
    if (!(expect(Text, pos, ' ') || expect(Text, pos, 'T'))) return false;
    if (!readNumber(Text, pos, 2, h) || !expect(Text, pos, ':') || !readNumber(Text, pos, 2, mi)) return false;
    if (pos < Text.size() && (!expect(Text, pos, ':') || !readNumber(Text, pos, 2, sec))) return false;
    if (pos < Text.size() && (!expect(Text, pos, '.') || !readNumber(Text, pos, 3, ms))) return false;
    if (pos != Text.size()) return false;
  }
  TDateTime date = 0, time = 0;
  if (!TryEncodeDate(y, mo, d, date) || !TryEncodeTime(h, mi, sec, ms, time)) return false;
  Value = ComposeDateTime(date, time);
  return true;
}

}  // namespace rv
