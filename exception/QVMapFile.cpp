#include "exception/QVMapFile.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

#include "platform/classes/Stream.h"
#include "platform/rtl/Hex.h"
#include "platform/rtl/StrUtils.h"

namespace RV_API rv {

namespace {

constexpr std::string_view kSegmentMapHeader = "Detailed map of segments";
constexpr std::array<std::string_view, 3> kPublicsByNameHeaders = {
    "Address         Publics by Name", "Address             Publics by Name", "Address Publics by Name"};
constexpr std::array<std::string_view, 3> kPublicsByValueHeaders = {
    "Address         Publics by Value", "Address             Publics by Value", "Address Publics by Value"};
constexpr std::string_view kLineNumbersHeader = "Line numbers for";

// Character positions in map lines, 1-based as the linker's layout counts them.
constexpr std::size_t kEntryWidth = 20;
constexpr std::size_t kEntriesPerLine = 4;
constexpr std::size_t kPublicNamePosition = 22;

bool contains(std::string_view line, std::string_view marker) { return line.find(marker) != std::string_view::npos; }

template <std::size_t N>
bool containsAny(std::string_view line, const std::array<std::string_view, N>& markers) {
  return std::any_of(markers.begin(), markers.end(), [line](std::string_view m) { return contains(line, m); });
}

// The characters at positions First to Last, fewer when the line is shorter.
std::string_view field(std::string_view line, std::size_t first, std::size_t last) {
  if (first > line.size()) return {};
  return line.substr(first - 1, last - first + 1);
}

// Fields are at most eight digits wide, so every value fits.
bool parseHex(std::string_view text, std::uint32_t& value) {
  if (text.empty() || text.size() > 8) return false;
  value = 0;
  for (char c : text) {
    const int digit = HexDigitValue(c);
    if (digit < 0) return false;
    value = value << 4 | static_cast<std::uint32_t>(digit);
  }
  return true;
}

// A decimal number with blanks around it.
bool parseDecimal(std::string_view text, int& value) {
  const std::string number = Trim(text);
  const char* end = number.data() + number.size();
  const auto [stop, error] = std::from_chars(number.data(), end, value);
  return error == std::errc{} && stop == end && !number.empty();
}

// A segment line that names its module: the text after "M=" up to two
// characters before "ACBP=", trimmed.
bool unitNameOf(std::string_view line, std::string& name) {
  const auto module = line.find("M=");
  const auto acbp = line.find("ACBP=");
  if (module == std::string_view::npos || acbp == std::string_view::npos) return false;
  const std::size_t first = module + 2;
  name = acbp >= first + 1 ? Trim(line.substr(first, acbp - 1 - first)) : std::string();
  return true;
}

// Lines as the framework splits text: at CR LF, LF or CR, with no empty
// line after a break at the very end.
class TLineReader {
 public:
  explicit TLineReader(std::string_view text) : FText(text) {}
  // Where the next line starts.
  std::size_t Offset() const { return FPos; }
  bool Next(std::string_view& line) {
    if (FPos >= FText.size()) return false;
    const std::size_t end = std::min(FText.find_first_of("\r\n", FPos), FText.size());
    line = FText.substr(FPos, end - FPos);
    FPos = end + 1;
    if (end < FText.size() && FText[end] == '\r' && FPos < FText.size() && FText[FPos] == '\n') ++FPos;
    FPos = std::min(FPos, FText.size());
    return true;
  }
  void Skip(int count) {
    std::string_view ignored;
    while (count-- > 0) Next(ignored);
  }

 private:
  std::string_view FText;
  std::size_t FPos = 0;
};

// Splits the map into its three lists. Each list is one stretch of the file,
// so it is handed to the list as text in one piece.
void splitMap(std::string_view text, TStringList& segments, TStringList& publics, TStringList& lineNumbers) {
  TLineReader lines(text);
  std::string_view line;
  bool found = false;
  while (!found && lines.Next(line)) found = contains(line, kSegmentMapHeader);
  if (!found) return;

  lines.Skip(1);
  const std::size_t segmentsStart = lines.Offset();
  std::size_t segmentsEnd = text.size();
  found = false;
  while (!found) {
    segmentsEnd = lines.Offset();
    if (!lines.Next(line)) break;
    found = containsAny(line, kPublicsByNameHeaders);
  }
  segments.SetText(text.substr(segmentsStart, segmentsEnd - segmentsStart));
  if (!found) return;

  // The publics-by-name header itself may hold the publics-by-value one.
  found = containsAny(line, kPublicsByValueHeaders);
  while (!found && lines.Next(line)) found = containsAny(line, kPublicsByValueHeaders);
  if (!found) return;

  // The header and the two lines below it are not collected.
  lines.Skip(2);
  const std::size_t publicsStart = lines.Offset();
  std::size_t publicsEnd = text.size();
  found = false;
  while (!found) {
    publicsEnd = lines.Offset();
    if (!lines.Next(line)) break;
    found = contains(line, kLineNumbersHeader);
  }
  publics.SetText(text.substr(publicsStart, publicsEnd - publicsStart));
  if (found) lineNumbers.SetText(text.substr(publicsEnd));
}

struct TEntry {
  std::uint32_t Offset;
  int Line;
  bool HasLine;  // the line number parsed
};

// An entry exactly as the linker writes it ("%6d 0001:%08X"), every
// character checked.
bool parseWrittenEntry(const char* e, TEntry& entry) {
  int i = 0;
  while (i < 5 && e[i] == ' ') ++i;
  entry.Line = 0;
  for (; i < 6; ++i) {
    if (e[i] < '0' || e[i] > '9') return false;
    entry.Line = entry.Line * 10 + (e[i] - '0');
  }
  if (e[6] != ' ' || e[11] != ':') return false;
  for (int k = 7; k < 11; ++k)
    if (HexDigitValue(e[k]) < 0) return false;
  entry.Offset = 0;
  for (int k = 12; k < 20; ++k) {
    const int digit = HexDigitValue(e[k]);
    if (digit < 0) return false;
    entry.Offset = entry.Offset << 4 | static_cast<std::uint32_t>(digit);
  }
  entry.HasLine = true;
  return true;
}

// A line of one to four such entries and nothing else: the lines of a sound
// map, which thus need no other look.
bool parseWrittenEntryLine(std::string_view line, std::vector<TEntry>& entries) {
  if (line.empty() || line.size() % kEntryWidth != 0 || line.size() > kEntryWidth * kEntriesPerLine) return false;
  const std::size_t before = entries.size();
  for (std::size_t p = 0; p < line.size(); p += kEntryWidth) {
    TEntry entry{};
    if (!parseWrittenEntry(line.data() + p, entry)) {
      entries.resize(before);
      return false;
    }
    entries.push_back(entry);
  }
  return true;
}

// Any line, field by field: its entries up to the first one that doesn't
// parse. An entry whose offset parses but whose line number doesn't is kept,
// as the lookup reads its offset before it stops.
void parseEntryLine(std::string_view line, std::vector<TEntry>& entries) {
  for (std::size_t j = 0; j < kEntriesPerLine; ++j) {
    TEntry entry{};
    if (!parseHex(field(line, j * kEntryWidth + 13, j * kEntryWidth + 20), entry.Offset)) break;
    entry.HasLine = parseDecimal(field(line, j * kEntryWidth + 1, j * kEntryWidth + 6), entry.Line);
    entries.push_back(entry);
    if (!entry.HasLine) break;
  }
}

// Only a regular file is read: a pipe or device under the map's name would
// block the reader.
bool isRegularFile(const std::string& fileName) {
  std::error_code error;
  return std::filesystem::is_regular_file(fileName, error);
}

// Characters of a line-number entry line. A unit name with any other
// character can only be found in lines that have one too.
constexpr std::array<bool, 256> kEntryCharacters = [] {
  std::array<bool, 256> table{};
  for (unsigned char c : std::string_view("0123456789ABCDEFabcdef: ")) table[c] = true;
  return table;
}();

bool onlyEntryCharacters(std::string_view text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return kEntryCharacters[static_cast<unsigned char>(c)]; });
}

}  // namespace

// The lists' fields, parsed once per load. Every lookup here returns what a
// scan of the lists by the map rules returns: the first line whose start or
// offset passes an address is found through the running maximum of the
// values before it, which only grows, so a binary search finds it also in
// lines out of order.
class TQVMapFile::TIndex {
 public:
  TIndex(const TStringList& segments, const TStringList& publics, const TStringList& lineNumbers)
      : FLineNumberLines(lineNumbers.Lines()) {
    IndexSegments(segments.Lines());
    IndexPublics(publics.Lines());
    IndexLineNumbers();
  }

  // The unit of the last naming segment line before the first segment that
  // starts above the address; null when there is none.
  const std::string* UnitAt(std::uint32_t address) const {
    const auto k = std::upper_bound(FSegmentReach.begin(), FSegmentReach.end(), address) - FSegmentReach.begin();
    if (k == 0 || FSegmentUnit[k - 1] < 0) return nullptr;
    return &FUnitNames[static_cast<std::size_t>(FSegmentUnit[k - 1])];
  }

  // The index in the public lines of the public at or below the address:
  // the first one at or above it when it equals the address, else the public
  // before that one; -1 when the address lies below the first public or
  // above the last.
  int PublicLineAt(std::uint32_t address) const {
    const auto j = std::lower_bound(FPublicReach.begin(), FPublicReach.end(), address) - FPublicReach.begin();
    if (j == static_cast<std::ptrdiff_t>(FPublicReach.size())) return -1;
    if (FPublicOffset[j] == address) return FPublicLine[j];
    return j == 0 ? -1 : FPublicLine[j - 1];
  }

  int LineAt(const std::string& unit, std::uint32_t address) {
    const int header = FirstLineContaining(unit);
    if (header < 0) return 0;
    // The section runs from two lines below its header to the next header.
    const int from = std::min(header + 2, LineCount());
    const int to = *std::lower_bound(FSectionHeaders.begin(), FSectionHeaders.end(), from);
    const std::uint32_t a = FLineStart[from], b = FLineStart[to];
    if (a == b) return 0;
    if (FCleanRunStart[b - 1] <= a) return AscendingLineAt(a, b, address);
    return ScannedLineAt(from, to, address);
  }

 private:
  int LineCount() const { return static_cast<int>(FLineNumberLines.size()); }

  void IndexSegments(const std::vector<std::string>& lines) {
    int unit = -1;
    for (const std::string& line : lines) {
      std::uint32_t start = 0, length = 0;
      if (line.empty() || !parseHex(field(line, 7, 14), start) || !parseHex(field(line, 16, 23), length)) continue;
      std::string name;
      if (unitNameOf(line, name)) {
        unit = static_cast<int>(FUnitNames.size());
        FUnitNames.push_back(std::move(name));
      }
      FSegmentReach.push_back(FSegmentReach.empty() ? start : std::max(FSegmentReach.back(), start));
      FSegmentUnit.push_back(unit);
    }
  }

  void IndexPublics(const std::vector<std::string>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      std::uint32_t offset = 0;
      if (lines[i].empty() || !parseHex(field(lines[i], 7, 14), offset)) continue;
      FPublicReach.push_back(FPublicReach.empty() ? offset : std::max(FPublicReach.back(), offset));
      FPublicOffset.push_back(offset);
      FPublicLine.push_back(static_cast<int>(i));
    }
  }

  void IndexLineNumbers() {
    FLineStart.reserve(FLineNumberLines.size() + 1);
    FEntries.reserve(FLineNumberLines.size() * kEntriesPerLine);
    for (std::size_t i = 0; i < FLineNumberLines.size(); ++i) {
      const std::string_view line = FLineNumberLines[i];
      FLineStart.push_back(static_cast<std::uint32_t>(FEntries.size()));
      if (parseWrittenEntryLine(line, FEntries)) continue;
      parseEntryLine(line, FEntries);
      if (!onlyEntryCharacters(line)) {
        FOtherLines.push_back(static_cast<int>(i));
        if (contains(line, kLineNumbersHeader)) FSectionHeaders.push_back(static_cast<int>(i));
      }
    }
    FLineStart.push_back(static_cast<std::uint32_t>(FEntries.size()));
    FSectionHeaders.push_back(LineCount());
    // An entry without a line number starts no run and ends the one before.
    FCleanRunStart.resize(FEntries.size());
    for (std::uint32_t k = 0; k < FEntries.size(); ++k) {
      const bool continues = k > 0 && FEntries[k - 1].HasLine && FEntries[k - 1].Offset < FEntries[k].Offset;
      FCleanRunStart[k] = !FEntries[k].HasLine ? k + 1 : continues ? FCleanRunStart[k - 1] : k;
    }
  }

  // The first non-empty line that holds the name, remembered per name.
  int FirstLineContaining(const std::string& unit) {
    const auto known = FFirstLine.find(unit);
    if (known != FFirstLine.end()) return known->second;
    int found = -1;
    const auto holds = [&](int i) {
      return FLineNumberLines[static_cast<std::size_t>(i)].find(unit) != std::string::npos;
    };
    if (onlyEntryCharacters(unit)) {
      for (int i = 0; i < LineCount() && found < 0; ++i)
        if (holds(i)) found = i;
    } else {
      const auto hit = std::find_if(FOtherLines.begin(), FOtherLines.end(), holds);
      if (hit != FOtherLines.end()) found = *hit;
    }
    FFirstLine.emplace(unit, found);
    return found;
  }

  // Entries a..b-1 with offsets strictly ascending and every line number
  // parsed: the entry with the greatest offset not above the address, as
  // long as some entry lies at or above it.
  int AscendingLineAt(std::uint32_t a, std::uint32_t b, std::uint32_t address) const {
    if (address > FEntries[b - 1].Offset) return 0;
    const auto first = FEntries.begin() + a, last = FEntries.begin() + b;
    const auto above =
        std::upper_bound(first, last, address, [](std::uint32_t value, const TEntry& e) { return value < e.Offset; });
    return above == first ? 0 : std::prev(above)->Line;
  }

  // The map rule itself, line by line: each line is read up to the first
  // entry above the address or at it; the last offset read decides whether
  // the address lies within the section.
  int ScannedLineAt(int from, int to, std::uint32_t address) const {
    int candidate = 0;
    std::uint32_t lastOffset = 0;
    for (int i = from; i < to; ++i) {
      for (std::uint32_t k = FLineStart[i]; k < FLineStart[i + 1]; ++k) {
        const TEntry& entry = FEntries[k];
        lastOffset = entry.Offset;
        if (address < entry.Offset || !entry.HasLine) break;
        candidate = entry.Line;
        if (entry.Offset == address) break;
      }
    }
    return address <= lastOffset ? candidate : 0;
  }

  const std::vector<std::string>& FLineNumberLines;

  std::vector<std::uint32_t> FSegmentReach;  // running maximum of the starts
  std::vector<int> FSegmentUnit;             // last naming line so far, in FUnitNames
  std::vector<std::string> FUnitNames;

  std::vector<std::uint32_t> FPublicReach;  // running maximum of the offsets
  std::vector<std::uint32_t> FPublicOffset;
  std::vector<int> FPublicLine;  // index in the public lines

  std::vector<TEntry> FEntries;           // all lines' entries, in order
  std::vector<std::uint32_t> FLineStart;  // per line, its first entry; one more at the end
  // Per entry, where the run of entries with line numbers and strictly
  // ascending offsets that ends with it begins (past it when it has no number).
  std::vector<std::uint32_t> FCleanRunStart;
  std::vector<int> FOtherLines;      // lines with characters no entry line has
  std::vector<int> FSectionHeaders;  // lines holding the section marker, then the line count
  std::unordered_map<std::string, int> FFirstLine;
};

TQVMapFile::TQVMapFile()
    : FSegmentLines(std::make_unique<TStringList>()),
      FPublicLines(std::make_unique<TStringList>()),
      FLineNumberLines(std::make_unique<TStringList>()) {}

TQVMapFile::~TQVMapFile() = default;

void TQVMapFile::SetMapFileName(const std::string& Value) {
  if (Value == FMapFileName) return;
  FMapFileName = Value;
  FMapLoaded = false;
}

void TQVMapFile::LoadMapFile() {
  // Nothing counts as loaded until the new lists and their index are
  // complete: a read that fails leaves empty lists and MapLoaded false, so
  // the next call reads again instead of using a half-built state.
  FMapLoaded = false;
  FIndex.reset();
  FSegmentLines->Clear();
  FPublicLines->Clear();
  FLineNumberLines->Clear();
  auto segments = std::make_unique<TStringList>();
  auto publics = std::make_unique<TStringList>();
  auto lineNumbers = std::make_unique<TStringList>();
  if (!FMapFileName.empty() && isRegularFile(FMapFileName)) {
    // Read as the framework reads any text file into a string list.
    const std::string bytes = ReadFileBytes(FMapFileName);
    std::string_view text = bytes;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    splitMap(text, *segments, *publics, *lineNumbers);
  }
  auto index = std::make_unique<TIndex>(*segments, *publics, *lineNumbers);
  FSegmentLines = std::move(segments);
  FPublicLines = std::move(publics);
  FLineNumberLines = std::move(lineNumbers);
  FIndex = std::move(index);
  FMapLoaded = true;
}

void TQVMapFile::ResetResults() {
  FRelativeAddress = 0;
  FLineNumber = 0;
  FProcedureName.clear();
  FUnitName.clear();
  FExceptionDataLoaded = false;
}

void TQVMapFile::LoadExceptionData(const void* Address) {
  ResetResults();
  if (!FMapLoaded) LoadMapFile();
  if (!Address) Address = ExceptAddr();
  if (!Address) return;
  const auto address = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(Address));
  FRelativeAddress = static_cast<std::uint32_t>(address) - FCodeBase;
  // Cutting a 64-bit address (code of a shared library, say) to its low 32
  // bits would land on some unrelated place of the map.
  if (address >> 32 == 0) {
    if (const std::string* unit = FIndex->UnitAt(FRelativeAddress)) FUnitName = *unit;
    const int publicLine = FIndex->PublicLineAt(FRelativeAddress);
    if (publicLine >= 0) {
      const std::string_view line = FPublicLines->Lines()[static_cast<std::size_t>(publicLine)];
      if (line.size() >= kPublicNamePosition) FProcedureName = Trim(line.substr(kPublicNamePosition - 1));
    }
    if (!FUnitName.empty()) FLineNumber = FIndex->LineAt(FUnitName, FRelativeAddress);
  }
  FExceptionDataLoaded = true;
}

void TQVMapFile::LoadUnitNames(TStrings* List) {
  if (!List) return;
  List->Clear();
  if (!FMapLoaded) LoadMapFile();
  for (const std::string& line : FSegmentLines->Lines()) {
    std::string name;
    if (line.empty() || !unitNameOf(line, name)) continue;
    try {
      List->Add(name);
    } catch (const Exception&) {
      // A list that refuses duplicates with an error: the name is there.
    }
  }
}

}  // namespace rv
