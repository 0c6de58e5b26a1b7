#include "platform/rtl/StrUtils.h"

#include <algorithm>

namespace RV_API rv {

namespace {

bool isBlank(char c) { return static_cast<unsigned char>(c) <= ' '; }

bool sameChar(char a, char b) { return UpCase(a) == UpCase(b); }

std::size_t findText(std::string_view text, std::string_view pattern, std::size_t from, bool ignoreCase) {
  if (!ignoreCase) return text.find(pattern, from);
  auto it = std::search(text.begin() + static_cast<std::ptrdiff_t>(from), text.end(), pattern.begin(), pattern.end(),
                        sameChar);
  return it == text.end() ? std::string_view::npos : static_cast<std::size_t>(it - text.begin());
}

}  // namespace

std::string TrimLeft(std::string_view S) {
  std::size_t i = 0;
  while (i < S.size() && isBlank(S[i])) ++i;
  return std::string(S.substr(i));
}

std::string TrimRight(std::string_view S) {
  std::size_t n = S.size();
  while (n > 0 && isBlank(S[n - 1])) --n;
  return std::string(S.substr(0, n));
}

std::string Trim(std::string_view S) {
  std::size_t i = 0, n = S.size();
  while (i < n && isBlank(S[i])) ++i;
  while (n > i && isBlank(S[n - 1])) --n;
  return std::string(S.substr(i, n - i));
}

std::string UpperCase(std::string_view S) {
  std::string r(S);
  std::transform(r.begin(), r.end(), r.begin(), UpCase);
  return r;
}

std::string LowerCase(std::string_view S) {
  std::string r(S);
  std::transform(r.begin(), r.end(), r.begin(), LowCase);
  return r;
}

int CompareText(std::string_view S1, std::string_view S2) {
  std::size_t n = std::min(S1.size(), S2.size());
  for (std::size_t i = 0; i < n; ++i) {
    auto a = static_cast<unsigned char>(UpCase(S1[i])), b = static_cast<unsigned char>(UpCase(S2[i]));
    if (a != b) return a < b ? -1 : 1;
  }
  return S1.size() == S2.size() ? 0 : (S1.size() < S2.size() ? -1 : 1);
}

bool SameText(std::string_view S1, std::string_view S2) {
  return S1.size() == S2.size() && std::equal(S1.begin(), S1.end(), S2.begin(), sameChar);
}

bool StartsText(std::string_view SubText, std::string_view Text) {
  return Text.size() >= SubText.size() && SameText(Text.substr(0, SubText.size()), SubText);
}

bool EndsText(std::string_view SubText, std::string_view Text) {
  return Text.size() >= SubText.size() && SameText(Text.substr(Text.size() - SubText.size()), SubText);
}

bool ContainsText(std::string_view Text, std::string_view SubText) {
  return findText(Text, SubText, 0, true) != std::string_view::npos;
}

std::string StringReplace(std::string_view S, std::string_view OldPattern, std::string_view NewPattern,
                          TReplaceFlags Flags) {
  if (OldPattern.empty()) return std::string(S);
  bool ignoreCase = Flags.Contains(rfIgnoreCase);
  std::string result;
  std::size_t from = 0;
  while (from <= S.size()) {
    std::size_t at = findText(S, OldPattern, from, ignoreCase);
    if (at == std::string_view::npos) break;
    result.append(S.substr(from, at - from)).append(NewPattern);
    from = at + OldPattern.size();
    if (!Flags.Contains(rfReplaceAll)) break;
  }
  result.append(S.substr(from));
  return result;
}

}  // namespace rv
