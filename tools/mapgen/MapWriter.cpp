#include "tools/mapgen/MapWriter.h"

#include <algorithm>
#include <cstdio>
#include <initializer_list>
#include <string_view>

namespace rv::mapgen {

namespace {

constexpr std::size_t kEntriesPerLine = 4;

// Appends the pieces and the line break of the classic format.
void line(std::string& out, std::initializer_list<std::string_view> pieces = {}) {
  for (std::string_view piece : pieces) out += piece;
  out += "\r\n";
}

// Every offset is written as an offset of segment 0001: the reader ignores
// the segment and compares the eight hex digits.
std::string address(std::uint32_t offset) {
  char text[16];
  std::snprintf(text, sizeof text, "0001:%08X", static_cast<unsigned>(offset));
  return text;
}

std::string hex8(std::uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "%08X", static_cast<unsigned>(value));
  return text;
}

void writeSegments(std::string& out, const TMapModel& model) {
  std::uint32_t codeEnd = 0;
  for (const TSegment& segment : model.Segments)
    codeEnd = std::max<std::uint32_t>(codeEnd, segment.Start + segment.Length);
  line(out);
  line(out, {" Start         Length     Name                   Class"});
  line(out, {" ", address(0), " ", hex8(codeEnd), "H .text                  CODE"});
  line(out);
  line(out);
  // The reader skips the line after this header.
  line(out, {"Detailed map of segments"});
  line(out);
  for (const TSegment& segment : model.Segments)
    line(out, {" ", address(segment.Start), " ", hex8(segment.Length),
               " C=CODE     S=.text    G=(none)   M=", segment.Unit, " ACBP=A9"});
  line(out);
}

// The offset at positions 7 to 14, the name from position 22.
void writePublics(std::string& out, const std::vector<const TPublic*>& publics) {
  for (const TPublic* item : publics) line(out, {" ", address(item->Offset), "       ", item->Name});
}

void writePublicTables(std::string& out, const TMapModel& model) {
  std::vector<const TPublic*> byValue;
  for (const TPublic& item : model.Publics) byValue.push_back(&item);
  std::vector<const TPublic*> byName = byValue;
  std::stable_sort(byName.begin(), byName.end(), [](const TPublic* a, const TPublic* b) { return a->Name < b->Name; });

  line(out, {"  Address         Publics by Name"});
  line(out);
  writePublics(out, byName);
  line(out);
  line(out);
  // The reader starts collecting three lines below this header.
  line(out, {"  Address         Publics by Value"});
  line(out);
  line(out);
  writePublics(out, byValue);
  line(out);
}

// Entries of 20 characters: the line number right-aligned in six, a blank,
// the address.
void writeLineSection(std::string& out, const TLineSection& section) {
  line(out);
  line(out, {"Line numbers for ", section.Unit, "(", section.File, ") segment .text"});
  line(out);
  for (std::size_t i = 0; i < section.Entries.size(); ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "%6d ", section.Entries[i].Line);
    out += number;
    out += address(section.Entries[i].Offset);
    if ((i + 1) % kEntriesPerLine == 0 || i + 1 == section.Entries.size()) line(out);
  }
}

}  // namespace

std::string WriteMap(const TMapModel& model) {
  std::string out;
  writeSegments(out, model);
  writePublicTables(out, model);
  for (const TLineSection& section : model.LineSections) writeLineSection(out, section);
  return out;
}

}  // namespace rv::mapgen
