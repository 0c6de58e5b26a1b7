#include "tools/mapgen/Units.h"

#include <dwarf.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <tuple>
#include <unordered_map>

#include "tools/mapgen/Names.h"

namespace rv::mapgen {

namespace {

// A line number has six characters in a map entry.
constexpr int kMaxLine = 999999;
// Far beyond any real unit; a bound on what a corrupt range list can make us collect.
constexpr std::size_t kMaxRanges = std::size_t{1} << 20;

struct TRange {
  Dwarf_Addr Start;
  Dwarf_Addr End;
};

struct TRow {
  Dwarf_Addr Address;
  int Line;
  bool Primary;  // a line of the unit's own source file
  bool End;      // the first address after a sequence of code
};

struct TUnitData {
  std::string File;
  std::map<std::uint32_t, int> Entries;
};

std::filesystem::path absolutePath(const char* file, const char* compDir) {
  std::filesystem::path path(file);
  if (path.is_relative() && compDir) path = std::filesystem::path(compDir) / path;
  return path.lexically_normal();
}

std::vector<TRange> readRanges(const TElfImage& image, Dwarf_Die& cu) {
  std::vector<TRange> ranges;
  Dwarf_Addr base = 0, start = 0, end = 0;
  ptrdiff_t offset = 0;
  while ((offset = dwarf_ranges(&cu, offset, &base, &start, &end)) > 0) {
    if (ranges.size() == kMaxRanges) image.Fail("corrupt debug information", "too many address ranges");
    ranges.push_back({start, end});
  }
  if (offset < 0) image.Fail("corrupt debug information", dwarf_errmsg(-1));
  return ranges;
}

// The unit's line table rows ascending by address; where a sequence ends at
// the address another starts, the end comes first.
std::vector<TRow> readRows(const TElfImage& image, Dwarf_Die& cu, const std::filesystem::path& source,
                           const char* compDir) {
  Dwarf_Lines* lines = nullptr;
  std::size_t count = 0;
  if (dwarf_getsrclines(&cu, &lines, &count) != 0) {
    if (dwarf_hasattr(&cu, DW_AT_stmt_list)) image.Fail("corrupt line table", dwarf_errmsg(-1));
    return {};
  }
  std::unordered_map<const char*, bool> primaryFiles;
  std::vector<TRow> rows;
  rows.reserve(count);
  for (std::size_t i = 0; i < count; ++i) {
    Dwarf_Line* line = dwarf_onesrcline(lines, i);
    TRow row{};
    if (!line || dwarf_lineaddr(line, &row.Address) != 0 || dwarf_lineno(line, &row.Line) != 0 ||
        dwarf_lineendsequence(line, &row.End) != 0)
      image.Fail("corrupt line table", dwarf_errmsg(-1));
    if (const char* file = dwarf_linesrc(line, nullptr, nullptr)) {
      auto [known, inserted] = primaryFiles.try_emplace(file, false);
      if (inserted) known->second = absolutePath(file, compDir) == source;
      row.Primary = known->second;
    }
    rows.push_back(row);
  }
  std::stable_sort(rows.begin(), rows.end(), [](const TRow& a, const TRow& b) {
    return std::make_tuple(a.Address, !a.End) < std::make_tuple(b.Address, !b.End);
  });
  return rows;
}

// The code the line table covers, for units that don't state their ranges.
std::vector<TRange> sequenceRanges(const std::vector<TRow>& rows) {
  std::vector<TRange> ranges;
  std::optional<Dwarf_Addr> start;
  for (const TRow& row : rows) {
    if (!row.End) {
      if (!start) start = row.Address;
    } else if (start) {
      ranges.push_back({*start, row.Address});
      start.reset();
    }
  }
  return ranges;
}

// Code inlined from headers keeps the line of the unit's own statement that
// holds it; a sequence that begins outside the unit's file (a template
// instantiated here) and the first address after a sequence map to line 0,
// so no unrelated line of the unit is reported for them.
void addEntries(const std::vector<TRow>& rows, std::map<std::uint32_t, int>& entries) {
  std::map<std::uint32_t, int> own;
  bool seenPrimary = false;
  for (const TRow& row : rows) {
    std::uint32_t offset = 0;
    const bool mapped = ToOffset(row.Address, offset);
    int line = 0;
    if (row.End) {
      seenPrimary = false;
    } else if (row.Primary && row.Line > 0) {
      line = row.Line <= kMaxLine ? row.Line : 0;
      seenPrimary = true;
    } else if (seenPrimary) {
      continue;
    }
    if (mapped) own[offset] = line;
  }
  // Units sharing a name share a section; where one's code ends at the
  // address another's begins, the line wins.
  for (const auto& [offset, line] : own) {
    auto [entry, inserted] = entries.try_emplace(offset, line);
    if (!inserted && line != 0) entry->second = line;
  }
}

void addSegments(const std::vector<TRange>& ranges, const std::string& unit,
                 std::vector<TSegment>& segments) {
  for (const TRange& range : ranges) {
    const Dwarf_Addr start = std::max<Dwarf_Addr>(range.Start, kCodeBase);
    const Dwarf_Addr end = std::min<Dwarf_Addr>(range.End, kAddressLimit);
    if (start >= end) continue;
    segments.push_back({static_cast<std::uint32_t>(start - kCodeBase),
                        static_cast<std::uint32_t>(end - start), unit});
  }
}

// Ascending by start; neighbours of one unit become one segment, so a unit
// is listed once per stretch of code rather than once per function.
std::vector<TSegment> orderSegments(std::vector<TSegment> segments) {
  std::stable_sort(segments.begin(), segments.end(),
                   [](const TSegment& a, const TSegment& b) { return a.Start < b.Start; });
  std::vector<TSegment> merged;
  for (TSegment& segment : segments) {
    if (!merged.empty() && merged.back().Unit == segment.Unit) {
      TSegment& last = merged.back();
      const std::uint64_t end = std::max<std::uint64_t>(std::uint64_t{last.Start} + last.Length,
                                                        std::uint64_t{segment.Start} + segment.Length);
      last.Length = static_cast<std::uint32_t>(end - last.Start);
    } else {
      merged.push_back(std::move(segment));
    }
  }
  return merged;
}

std::vector<TLineEntry> withoutRepeats(const std::map<std::uint32_t, int>& entries) {
  std::vector<TLineEntry> kept;
  int previous = 0;
  for (const auto& [offset, line] : entries) {
    if (line == previous) continue;
    kept.push_back({offset, line});
    previous = line;
  }
  return kept;
}

// The reader finds a unit's section as the first line that contains the
// unit's name; shorter names first keeps "Log" from finding "LogBase".
std::vector<TLineSection> orderSections(std::map<std::string, TUnitData>& units) {
  std::vector<TLineSection> sections;
  for (auto& [unit, data] : units) {
    std::vector<TLineEntry> entries = withoutRepeats(data.Entries);
    if (!entries.empty()) sections.push_back({unit, data.File, std::move(entries)});
  }
  std::stable_sort(sections.begin(), sections.end(), [](const TLineSection& a, const TLineSection& b) {
    return a.Unit.size() < b.Unit.size();
  });
  return sections;
}

}  // namespace

TUnitMap ReadUnits(const TElfImage& image) {
  TUnitMap result;
  Dwarf* dwarf = image.Debug();
  if (!dwarf) return result;

  std::vector<TSegment> segments;
  std::map<std::string, TUnitData> units;
  Dwarf_CU* cu = nullptr;
  Dwarf_Die cuDie, subDie;
  std::uint8_t unitType = 0;
  int status = 0;
  while ((status = dwarf_get_units(dwarf, cu, &cu, nullptr, &unitType, &cuDie, &subDie)) == 0) {
    if (unitType != DW_UT_compile && unitType != DW_UT_skeleton) continue;
    const char* name = dwarf_diename(&cuDie);
    if (!name) name = "";
    Dwarf_Attribute attribute;
    const char* compDir = dwarf_formstring(dwarf_attr(&cuDie, DW_AT_comp_dir, &attribute));

    const std::string unit = UnitNameOf(name);
    TUnitData& data = units[unit];
    if (data.File.empty()) data.File = FileNameOf(name);
    const std::vector<TRow> rows = readRows(image, cuDie, absolutePath(name, compDir), compDir);
    addEntries(rows, data.Entries);
    std::vector<TRange> ranges = readRanges(image, cuDie);
    addSegments(ranges.empty() ? sequenceRanges(rows) : ranges, unit, segments);
  }
  if (status < 0) image.Fail("corrupt debug information", dwarf_errmsg(-1));

  result.Segments = orderSegments(std::move(segments));
  result.LineSections = orderSections(units);
  return result;
}

}  // namespace rv::mapgen
