#include "platform/os/RegistryNames.h"

#include <climits>

namespace RV_API rv {

namespace {

constexpr std::size_t kFileNameMax = 255;  // NAME_MAX of the usual file systems

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  c = lower(c);
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

}  // namespace

std::string RegNameProblem(std::string_view Name, bool IsKey) {
  const char* what = IsKey ? "key" : "value";
  if (IsKey && Name.empty()) return "a key name is empty";
  if (Name.size() > (IsKey ? kRegMaxKeyNameLength : kRegMaxValueNameLength))
    return std::string("the ") + what + " name is longer than the limit";
  for (unsigned char c : Name)
    if (c < 0x20 || c == 0x7F) return std::string("the ") + what + " name contains a control character";
  if (IsKey && Name.find('\\') != std::string_view::npos) return "a key name contains '\\'";
  if (EncodeRegName(Name).size() > kFileNameMax)
    return std::string("the ") + what + " name is too long for the file system";
  return {};
}

std::string EncodeRegName(std::string_view Name) {
  if (Name.empty()) return "%";
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(Name.size());
  for (std::size_t i = 0; i < Name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(Name[i]);
    if (c == '%' || c == '/' || (c == '.' && i == 0)) {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string DecodeRegName(std::string_view FileName) {
  if (FileName == "%") return {};
  std::string out;
  out.reserve(FileName.size());
  for (std::size_t i = 0; i < FileName.size(); ++i) {
    if (FileName[i] == '%' && i + 2 < FileName.size() && hexDigit(FileName[i + 1]) >= 0 &&
        hexDigit(FileName[i + 2]) >= 0) {
      out += static_cast<char>(hexDigit(FileName[i + 1]) * 16 + hexDigit(FileName[i + 2]));
      i += 2;
    } else {
      out += FileName[i];
    }
  }
  return out;
}

bool SameRegName(std::string_view A, std::string_view B) {
  if (A.size() != B.size()) return false;
  for (std::size_t i = 0; i < A.size(); ++i)
    if (lower(A[i]) != lower(B[i])) return false;
  return true;
}

std::optional<std::vector<std::string>> SplitRegPath(std::string_view Path, std::string& Problem) {
  while (!Path.empty() && Path.front() == '\\') Path.remove_prefix(1);
  while (!Path.empty() && Path.back() == '\\') Path.remove_suffix(1);
  std::vector<std::string> parts;
  while (!Path.empty()) {
    const std::size_t end = Path.find('\\');
    std::string_view part = Path.substr(0, end);
    if (std::string problem = RegNameProblem(part, true); !problem.empty()) {
      Problem = problem;
      return std::nullopt;
    }
    parts.emplace_back(part);
    if (parts.size() > kRegMaxKeyDepth) {
      Problem = "the key path is deeper than the limit";
      return std::nullopt;
    }
    Path = end == std::string_view::npos ? std::string_view() : Path.substr(end + 1);
  }
  return parts;
}

}  // namespace rv
