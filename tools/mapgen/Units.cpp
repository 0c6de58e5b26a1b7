#include "tools/mapgen/Units.h"

#include <dwarf.h>

#include <algorithm>
#include <cstdint>
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
// Far beyond any real unit: bounds on what corrupt debug information can
// make us collect or walk.
constexpr std::size_t kMaxRanges = std::size_t{1} << 20;
constexpr int kMaxNesting = 256;

using TEntryMap = std::map<std::uint32_t, int>;

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

// Code of other functions inlined where the unit's own file calls them.
struct TInlinedCall {
  TRange Range;
  int Line;  // the line of the call
};

struct TCode {
  std::vector<TRange> Functions;  // the code of each function compiled in the unit
  std::vector<TInlinedCall> Calls;
};

struct TUnitData {
  std::string File;
  TEntryMap Entries;
};

int mapLine(Dwarf_Word line) { return line <= kMaxLine ? static_cast<int>(line) : 0; }

// One compilation unit of the debug information.
class TUnitReader {
 public:
  TUnitReader(const TElfImage& image, Dwarf_Die& cu) : FImage(image), FCu(cu) {
    const char* name = dwarf_diename(&cu);
    FName = name ? name : "";
    Dwarf_Attribute attribute;
    FCompDir = dwarf_formstring(dwarf_attr(&cu, DW_AT_comp_dir, &attribute));
    FSource = AbsolutePath(FName.c_str());
  }

  const std::string& Name() const { return FName; }

  std::vector<TRange> Ranges(Dwarf_Die& die) const {
    std::vector<TRange> ranges;
    Dwarf_Addr base = 0, start = 0, end = 0;
    ptrdiff_t offset = 0;
    while ((offset = dwarf_ranges(&die, offset, &base, &start, &end)) > 0) {
      if (ranges.size() == kMaxRanges) FImage.Fail("corrupt debug information", "too many address ranges");
      ranges.push_back({start, end});
    }
    if (offset < 0) FImage.Fail("corrupt debug information", dwarf_errmsg(-1));
    return ranges;
  }

  // The line table rows ascending by address; where a sequence ends at the
  // address another starts, the end comes first.
  std::vector<TRow> Rows() {
    Dwarf_Lines* lines = nullptr;
    std::size_t count = 0;
    if (dwarf_getsrclines(&FCu, &lines, &count) != 0) {
      if (dwarf_hasattr(&FCu, DW_AT_stmt_list)) FImage.Fail("corrupt line table", dwarf_errmsg(-1));
      return {};
    }
    std::vector<TRow> rows;
    rows.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
      Dwarf_Line* line = dwarf_onesrcline(lines, i);
      TRow row{};
      if (!line || dwarf_lineaddr(line, &row.Address) != 0 || dwarf_lineno(line, &row.Line) != 0 ||
          dwarf_lineendsequence(line, &row.End) != 0)
        FImage.Fail("corrupt line table", dwarf_errmsg(-1));
      row.Primary = IsPrimary(dwarf_linesrc(line, nullptr, nullptr));
      rows.push_back(row);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const TRow& a, const TRow& b) {
      return std::make_tuple(a.Address, !a.End) < std::make_tuple(b.Address, !b.End);
    });
    return rows;
  }

  // The functions, and the outermost inlined calls that stand in the unit's
  // own file.
  TCode Code() {
    TCode code;
    Dwarf_Files* files = nullptr;
    std::size_t count = 0;
    if (dwarf_getsrcfiles(&FCu, &files, &count) == 0) Walk(FCu, files, 0, code);
    return code;
  }

 private:
  std::filesystem::path AbsolutePath(const char* file) const {
    std::filesystem::path path(file);
    if (path.is_relative() && FCompDir) path = std::filesystem::path(FCompDir) / path;
    return path.lexically_normal();
  }

  bool IsPrimary(const char* file) {
    if (!file) return false;
    auto [known, inserted] = FPrimary.try_emplace(file, false);
    if (inserted) known->second = AbsolutePath(file) == FSource;
    return known->second;
  }

  // Walks the entries below the DIE; an inlined call found there is not
  // entered, as what it inlines in turn lies within it. Sibling offsets must
  // grow, so a corrupt sibling link can't make a cycle.
  void Walk(Dwarf_Die& parent, Dwarf_Files* files, int depth, TCode& code) {
    Dwarf_Die child;
    int status = dwarf_child(&parent, &child);
    Dwarf_Off previous = 0;
    while (status == 0) {
      const Dwarf_Off offset = dwarf_dieoffset(&child);
      if (offset <= previous) FImage.Fail("corrupt debug information", "debug entries out of order");
      previous = offset;
      const int tag = dwarf_tag(&child);
      if (tag == DW_TAG_inlined_subroutine) {
        AddCall(child, files, code.Calls);
      } else {
        if (tag == DW_TAG_subprogram) {
          const std::vector<TRange> ranges = Ranges(child);
          code.Functions.insert(code.Functions.end(), ranges.begin(), ranges.end());
        }
        if (depth < kMaxNesting && dwarf_haschildren(&child) > 0) Walk(child, files, depth + 1, code);
      }
      status = dwarf_siblingof(&child, &child);
    }
    if (status < 0) FImage.Fail("corrupt debug information", dwarf_errmsg(-1));
  }

  void AddCall(Dwarf_Die& call, Dwarf_Files* files, std::vector<TInlinedCall>& calls) {
    Dwarf_Attribute attribute;
    Dwarf_Word file = 0, line = 0;
    if (dwarf_formudata(dwarf_attr(&call, DW_AT_call_file, &attribute), &file) != 0 ||
        dwarf_formudata(dwarf_attr(&call, DW_AT_call_line, &attribute), &line) != 0 ||
        !IsPrimary(dwarf_filesrc(files, file, nullptr, nullptr)))
      return;
    for (const TRange& range : Ranges(call)) calls.push_back({range, mapLine(line)});
  }

  const TElfImage& FImage;
  Dwarf_Die& FCu;
  std::string FName;
  const char* FCompDir = nullptr;
  std::filesystem::path FSource;
  std::unordered_map<const char*, bool> FPrimary;
};

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

// The line of each row of the unit's own file. Code inlined from elsewhere
// keeps the line of the unit's own row before it (until its call is placed
// below); a sequence that begins outside the unit's file (a template
// instantiated here) and the first address after a sequence map to line 0,
// so no unrelated line of the unit is reported for them.
TEntryMap rowEntries(const std::vector<TRow>& rows) {
  TEntryMap entries;
  bool seenPrimary = false;
  for (const TRow& row : rows) {
    std::uint32_t offset = 0;
    const bool mapped = ToOffset(row.Address, offset);
    int line = 0;
    if (row.End) {
      seenPrimary = false;
    } else if (row.Primary && row.Line > 0) {
      line = mapLine(static_cast<Dwarf_Word>(row.Line));
      seenPrimary = true;
    } else if (seenPrimary) {
      continue;
    }
    if (mapped) entries[offset] = line;
  }
  return entries;
}

// Gives the range its own line; after it the line of the rows resumes.
void overlay(const TRange& range, int line, const TEntryMap& rows, TEntryMap& entries) {
  std::uint32_t start = 0, last = 0;
  if (range.End <= range.Start || !ToOffset(range.Start, start) || !ToOffset(range.End - 1, last)) return;
  entries.erase(entries.lower_bound(start), entries.upper_bound(last));
  entries[start] = line;
  if (last == UINT32_MAX || entries.count(last + 1)) return;
  const auto after = rows.upper_bound(last + 1);
  entries[last + 1] = after == rows.begin() ? 0 : std::prev(after)->second;
}

// A function with no line of the unit's own file (one from a header,
// compiled here) maps to line 0 rather than to the unit's line before it;
// inlined code takes the line of its call.
void placeCode(const TCode& code, const std::vector<TRow>& rows, TEntryMap& entries) {
  const TEntryMap rowLines = entries;
  for (const TRange& function : code.Functions) {
    auto row = std::lower_bound(rows.begin(), rows.end(), function.Start,
                                [](const TRow& r, Dwarf_Addr address) { return r.Address < address; });
    bool own = false;
    for (; row != rows.end() && row->Address < function.End && !own; ++row)
      own = row->Primary && !row->End && row->Line > 0;
    if (!own) overlay(function, 0, rowLines, entries);
  }
  for (const TInlinedCall& call : code.Calls) overlay(call.Range, call.Line, rowLines, entries);
}

// Units sharing a name share a section; where one's code ends at the address
// another's begins, the line wins.
void mergeEntries(const TEntryMap& own, TEntryMap& entries) {
  for (const auto& [offset, line] : own) {
    auto [entry, inserted] = entries.try_emplace(offset, line);
    if (!inserted && line != 0) entry->second = line;
  }
}

void addSegments(const std::vector<TRange>& ranges, const std::string& unit, std::vector<TSegment>& segments) {
  for (const TRange& range : ranges) {
    const Dwarf_Addr start = std::max<Dwarf_Addr>(range.Start, kCodeBase);
    const Dwarf_Addr end = std::min<Dwarf_Addr>(range.End, kAddressLimit);
    if (start >= end) continue;
    segments.push_back({static_cast<std::uint32_t>(start - kCodeBase), static_cast<std::uint32_t>(end - start), unit});
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

std::vector<TLineEntry> withoutRepeats(const TEntryMap& entries) {
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
  std::stable_sort(sections.begin(), sections.end(),
                   [](const TLineSection& a, const TLineSection& b) { return a.Unit.size() < b.Unit.size(); });
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
    TUnitReader reader(image, cuDie);
    const std::string unit = UnitNameOf(reader.Name());
    TUnitData& data = units[unit];
    if (data.File.empty()) data.File = FileNameOf(reader.Name());

    const std::vector<TRow> rows = reader.Rows();
    TEntryMap entries = rowEntries(rows);
    placeCode(reader.Code(), rows, entries);
    mergeEntries(entries, data.Entries);
    const std::vector<TRange> ranges = reader.Ranges(cuDie);
    addSegments(ranges.empty() ? sequenceRanges(rows) : ranges, unit, segments);
  }
  if (status < 0) image.Fail("corrupt debug information", dwarf_errmsg(-1));

  result.Segments = orderSegments(std::move(segments));
  result.LineSections = orderSections(units);
  return result;
}

}  // namespace rv::mapgen
