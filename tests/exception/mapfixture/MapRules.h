#pragma once
// The map lookup rules applied straight to a reader's lists, one line after
// another: the reference that the reader's indexed lookups must agree with
// (tests, fuzzing, the benchmark).

#include <charconv>
#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "exception/QVMapFile.h"

namespace rvtest {

struct TMapLookup {
  std::string Unit;
  std::string Procedure;
  int Line = 0;
  bool operator==(const TMapLookup&) const = default;
};

inline void PrintTo(const TMapLookup& lookup, std::ostream* out) {
  *out << "{unit \"" << lookup.Unit << "\", procedure \"" << lookup.Procedure << "\", line " << lookup.Line << "}";
}

namespace maprules {

inline std::string trim(std::string_view text) {
  std::size_t first = 0, last = text.size();
  while (first < last && static_cast<unsigned char>(text[first]) <= ' ') ++first;
  while (last > first && static_cast<unsigned char>(text[last - 1]) <= ' ') --last;
  return std::string(text.substr(first, last - first));
}

// The characters at 1-based positions first.., at most width of them.
inline std::string_view at(std::string_view line, std::size_t first, std::size_t width) {
  return first > line.size() ? std::string_view{} : line.substr(first - 1, width);
}

template <typename T>
bool number(std::string_view text, int base, T& value) {
  if (text.empty()) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return error == std::errc{} && end == text.data() + text.size();
}

}  // namespace maprules

// The map must have been loaded.
inline TMapLookup LookUpLinearly(const rv::TQVMapFile& map, std::uint64_t address) {
  using namespace maprules;
  TMapLookup result;
  if (address >> 32 != 0) return result;
  const auto relative = static_cast<std::uint32_t>(address) - map.CodeBase();

  for (const std::string& line : map.SegmentLines()->Lines()) {
    std::uint32_t start = 0, length = 0;
    if (line.empty() || !number(at(line, 7, 8), 16, start) || !number(at(line, 16, 8), 16, length)) continue;
    if (start > relative) break;
    const auto m = line.find("M="), acbp = line.find("ACBP=");
    if (m != std::string::npos && acbp != std::string::npos)
      result.Unit = acbp >= m + 3 ? trim(std::string_view(line).substr(m + 2, acbp - m - 3)) : "";
  }

  const std::vector<std::string>& publics = map.PublicLines()->Lines();
  int previous = -1;  // the last public line that parsed
  for (std::size_t i = 0; i < publics.size(); ++i) {
    std::uint32_t offset = 0;
    if (publics[i].empty() || !number(at(publics[i], 7, 8), 16, offset)) continue;
    if (offset >= relative) {
      const int chosen = offset == relative ? static_cast<int>(i) : previous;
      if (chosen >= 0) result.Procedure = trim(at(publics[static_cast<std::size_t>(chosen)], 22, std::string::npos));
      break;
    }
    previous = static_cast<int>(i);
  }

  if (result.Unit.empty()) return result;
  const std::vector<std::string>& lines = map.LineNumberLines()->Lines();
  std::size_t header = 0;
  while (header < lines.size() && (lines[header].empty() || lines[header].find(result.Unit) == std::string::npos))
    ++header;
  if (header == lines.size()) return result;
  int candidate = 0;
  std::uint32_t lastOffset = 0;
  for (std::size_t i = header + 2; i < lines.size() && lines[i].find("Line numbers for") == std::string::npos; ++i) {
    for (std::size_t j = 0; j < 4; ++j) {
      std::uint32_t offset = 0;
      int lineNumber = 0;
      if (!number(at(lines[i], 20 * j + 13, 8), 16, offset)) break;
      lastOffset = offset;
      if (relative < offset || !number(std::string_view(trim(at(lines[i], 20 * j + 1, 6))), 10, lineNumber)) break;
      candidate = lineNumber;
      if (offset == relative) break;
    }
  }
  result.Line = relative <= lastOffset ? candidate : 0;
  return result;
}

// What the reader's own lookup gives; the address must not be null.
inline TMapLookup LookUp(rv::TQVMapFile& map, std::uint64_t address) {
  map.LoadExceptionData(reinterpret_cast<const void*>(static_cast<std::uintptr_t>(address)));
  return {map.UnitName(), map.ProcedureName(), map.LineNumber()};
}

}  // namespace rvtest
