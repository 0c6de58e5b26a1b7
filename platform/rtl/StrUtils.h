#pragma once
// String helpers. Case-insensitive operations compare ASCII letters only;
// other bytes (UTF-8 sequences included) must match exactly.

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/rtl/Export.h"
#include "platform/rtl/Set.h"

namespace RV_API rv {

// ASCII-only character helpers, independent of the process's locale.
inline char UpCase(char C) { return C >= 'a' && C <= 'z' ? static_cast<char>(C - 'a' + 'A') : C; }
inline char LowCase(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; }
inline bool IsDigit(char C) { return C >= '0' && C <= '9'; }

// Removes blanks and control characters (bytes <= ' ') at the ends.
std::string Trim(std::string_view S);
std::string TrimLeft(std::string_view S);
std::string TrimRight(std::string_view S);

std::string UpperCase(std::string_view S);
std::string LowerCase(std::string_view S);

// < 0, 0 or > 0 as S1 sorts before, with or after S2, ignoring ASCII case.
int CompareText(std::string_view S1, std::string_view S2);
bool SameText(std::string_view S1, std::string_view S2);
bool StartsText(std::string_view SubText, std::string_view Text);
bool EndsText(std::string_view SubText, std::string_view Text);
bool ContainsText(std::string_view Text, std::string_view SubText);

enum TReplaceFlag : std::uint8_t { rfReplaceAll, rfIgnoreCase };
using TReplaceFlags = Set<TReplaceFlag, std::uint8_t>;

// Replaces the first (or, with rfReplaceAll, every) occurrence of OldPattern.
// An empty OldPattern matches nothing.
std::string StringReplace(std::string_view S, std::string_view OldPattern, std::string_view NewPattern,
                          TReplaceFlags Flags);

}  // namespace rv
