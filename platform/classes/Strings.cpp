#include "platform/classes/Strings.h"

#include <algorithm>

#include "platform/classes/Published.h"
#include "platform/classes/Stream.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StrUtils.h"

namespace RV_API rv {

namespace {

// Splits text at CR LF, LF or CR; a break at the very end adds no empty line.
std::vector<std::string> splitLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\r' && c != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

[[noreturn]] void listIndexError(int Index) {
  throw EStringListError("List index out of bounds (" + std::to_string(Index) + ")");
}

}  // namespace

const TClass& TStrings::StaticClass() {
  // Stored as one list property, "Strings".
  static const TClass cls =
      TClassBuilder<TStrings>("TStrings").Property("Strings", &TStrings::ToVector, &TStrings::SetStrings).Build();
  return cls;
}

const TClass& TStringList::StaticClass() {
  static const TClass cls = TClassBuilder<TStringList>("TStringList").Build();
  return cls;
}

// ---- TStrings --------------------------------------------------------------------

void TStrings::Put(int Index, const std::string& S) {
  BeginUpdate();
  Delete(Index);
  Insert(Index, S);
  EndUpdate();
}

int TStrings::Add(const std::string& S) {
  int index = Count();
  Insert(index, S);
  return index;
}

void TStrings::AddStrings(const TStrings* Strings) {
  if (!Strings) return;
  BeginUpdate();
  for (int i = 0; i < Strings->Count(); ++i) Add(Strings->Get(i));
  EndUpdate();
}

int TStrings::IndexOf(std::string_view S) const {
  for (int i = 0; i < Count(); ++i)
    if (SameText(Get(i), S)) return i;
  return -1;
}

std::string TStrings::Text() const {
  std::string text;
  for (int i = 0; i < Count(); ++i) {
    text += Get(i);
    text += "\r\n";
  }
  return text;
}

void TStrings::SetText(std::string_view Value) { SetStrings(splitLines(Value)); }

std::vector<std::string> TStrings::ToVector() const {
  std::vector<std::string> lines;
  lines.reserve(static_cast<std::size_t>(Count()));
  for (int i = 0; i < Count(); ++i) lines.push_back(Get(i));
  return lines;
}

void TStrings::SetStrings(const std::vector<std::string>& Lines) {
  BeginUpdate();
  try {
    Clear();
    for (const std::string& line : Lines) Add(line);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::LoadFromFile(const std::string& FileName) {
  std::string bytes = ReadFileBytes(FileName);
  std::string_view text = bytes;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  SetText(text);
}

void TStrings::SaveToFile(const std::string& FileName) const {
  TFileStream stream(FileName, fmCreate);
  stream.WriteString(Text());
}

void TStrings::Assign(const TPersistent* Source) {
  if (auto* source = dynamic_cast<const TStrings*>(Source)) {
    if (source != this) SetStrings(source->ToVector());
    return;
  }
  TPersistent::Assign(Source);
}

void TStrings::BeginUpdate() {
  if (FUpdateCount++ == 0) SetUpdateState(true);
}

void TStrings::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) SetUpdateState(false);
}

// ---- TStringList ------------------------------------------------------------------

void TStringList::CheckIndex(int Index, bool AllowEnd) const {
  if (Index < 0 || Index > Count() || (!AllowEnd && Index == Count())) listIndexError(Index);
}

int TStringList::CompareStrings(std::string_view a, std::string_view b) const {
  return FCaseSensitive ? a.compare(b) : CompareText(a, b);
}

std::string TStringList::Get(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<std::size_t>(Index)];
}

void TStringList::Put(int Index, const std::string& S) {
  if (FSorted) throw EStringListError("Operation not allowed on sorted list");
  CheckIndex(Index);
  FList[static_cast<std::size_t>(Index)] = S;
  Changed();
}

int TStringList::Add(const std::string& S) {
  if (!FSorted) {
    FList.push_back(S);
    Changed();
    return Count() - 1;
  }
  int index = 0;
  if (Find(S, index)) {
    if (FDuplicates == dupIgnore) return index;
    if (FDuplicates == dupError) throw EStringListError("String list does not allow duplicates");
  }
  FList.insert(FList.begin() + index, S);
  Changed();
  return index;
}

void TStringList::Insert(int Index, const std::string& S) {
  if (FSorted) throw EStringListError("Operation not allowed on sorted list");
  CheckIndex(Index, true);
  FList.insert(FList.begin() + Index, S);
  Changed();
}

void TStringList::Delete(int Index) {
  CheckIndex(Index);
  FList.erase(FList.begin() + Index);
  Changed();
}

void TStringList::Clear() {
  if (FList.empty()) return;
  FList.clear();
  Changed();
}

int TStringList::IndexOf(std::string_view S) const {
  if (FSorted) {
    int index = 0;
    return Find(S, index) ? index : -1;
  }
  for (std::size_t i = 0; i < FList.size(); ++i)
    if (CompareStrings(FList[i], S) == 0) return static_cast<int>(i);
  return -1;
}

void TStringList::SetText(std::string_view Value) {
  if (FSorted) {
    TStrings::SetText(Value);
    return;
  }
  // Large files (map files) come through here: build the list in one go.
  FList = splitLines(Value);
  Changed();
}

bool TStringList::Find(std::string_view S, int& Index) const {
  // The first position whose string is not below S.
  auto it = std::lower_bound(FList.begin(), FList.end(), S,
                             [this](const std::string& a, std::string_view b) { return CompareStrings(a, b) < 0; });
  Index = static_cast<int>(it - FList.begin());
  return it != FList.end() && CompareStrings(*it, S) == 0;
}

void TStringList::Sort() {
  std::stable_sort(FList.begin(), FList.end(),
                   [this](const std::string& a, const std::string& b) { return CompareStrings(a, b) < 0; });
  Changed();
}

void TStringList::SetSorted(bool Value) {
  if (Value == FSorted) return;
  if (Value) Sort();
  FSorted = Value;
}

void TStringList::SetCaseSensitive(bool Value) {
  if (Value == FCaseSensitive) return;
  FCaseSensitive = Value;
  if (FSorted) Sort();
}

void TStringList::Changed() {
  if (UpdateCount() > 0) {
    FChangedWhileUpdating = true;
    return;
  }
  if (FOnChange) FOnChange(this);
}

void TStringList::SetUpdateState(bool Updating) {
  if (!Updating && FChangedWhileUpdating) {
    FChangedWhileUpdating = false;
    Changed();
  }
}

}  // namespace rv
