#include "platform/os/MessageTable.h"

#include <sys/stat.h>

#include <cstdlib>
#include <fstream>

namespace RV_API rv {

namespace {

constexpr std::size_t kMaxMessageFile = 16u << 20;

std::string_view Trimmed(std::string_view Line) {
  while (!Line.empty() && (Line.back() == '\r' || Line.back() == ' ' || Line.back() == '\t')) Line.remove_suffix(1);
  while (!Line.empty() && (Line.front() == ' ' || Line.front() == '\t')) Line.remove_prefix(1);
  return Line;
}

std::optional<std::uint32_t> ParseId(std::string_view Text) {
  int base = 10;
  if (Text.size() > 2 && Text[0] == '0' && (Text[1] == 'x' || Text[1] == 'X')) {
    base = 16;
    Text.remove_prefix(2);
  }
  if (Text.empty() || Text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : Text) {
    int digit;
    if (c >= '0' && c <= '9')
      digit = c - '0';
    else if (base == 16 && c >= 'a' && c <= 'f')
      digit = c - 'a' + 10;
    else if (base == 16 && c >= 'A' && c <= 'F')
      digit = c - 'A' + 10;
    else
      return std::nullopt;
    value = value * base + digit;
  }
  if (value > 0xFFFFFFFFu) return std::nullopt;
  return static_cast<std::uint32_t>(value);
}

bool StartsWithKey(std::string_view Line, std::string_view Key) {
  if (Line.size() < Key.size()) return false;
  for (std::size_t i = 0; i < Key.size(); ++i)
    if ((Line[i] | 0x20) != (Key[i] | 0x20)) return false;
  return true;
}

}  // namespace

TMessageTable TMessageTable::Parse(std::string_view Text) {
  TMessageTable table;
  std::optional<std::uint32_t> id;  // set while a message's header or body is read
  bool inBody = false;
  std::string body;
  while (!Text.empty()) {
    const std::size_t eol = Text.find('\n');
    std::string_view line = Text.substr(0, eol);
    Text.remove_prefix(eol == std::string_view::npos ? Text.size() : eol + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (inBody) {
      if (line == ".") {
        table.FMessages[*id] = std::move(body);
        body.clear();
        id.reset();
        inBody = false;
      } else {
        body.append(line);
        body += "\r\n";
      }
      continue;
    }
    const std::string_view trimmed = Trimmed(line);
    if (trimmed.empty() || trimmed.front() == ';') continue;
    if (StartsWithKey(trimmed, "MessageId=")) {
      id = ParseId(Trimmed(trimmed.substr(10)));
      continue;
    }
    // Other header lines (Language=, Severity=, SymbolicName=...) say nothing
    // we use; the first line that is no header starts the text.
    const std::size_t eq = trimmed.find('=');
    const bool header = eq != std::string_view::npos && eq > 0 && trimmed.find(' ') > eq;
    if (header || !id) continue;
    if (line == ".") {
      table.FMessages[*id] = "";
      id.reset();
      continue;
    }
    inBody = true;
    body.append(line);
    body += "\r\n";
  }
  return table;
}

std::optional<TMessageTable> TMessageTable::Load(const std::string& FileName) {
  std::ifstream in(FileName, std::ios::binary | std::ios::ate);
  if (!in) return std::nullopt;
  const std::streamoff size = in.tellg();
  if (size < 0 || static_cast<std::uint64_t>(size) > kMaxMessageFile) return std::nullopt;
  std::string bytes(static_cast<std::size_t>(size), '\0');
  in.seekg(0);
  if (!in.read(bytes.data(), size)) return std::nullopt;
  return Parse(bytes);
}

const std::string* TMessageTable::Find(std::uint32_t MessageId) const {
  auto it = FMessages.find(MessageId);
  return it == FMessages.end() ? nullptr : &it->second;
}

std::shared_ptr<const TMessageTable> TMessageFileCache::Load(const std::string& FileName) {
  struct stat info {};
  if (stat(FileName.c_str(), &info) != 0) {
    FEntries.erase(FileName);
    return nullptr;
  }
  TEntry& entry = FEntries[FileName];
  const std::int64_t changed = static_cast<std::int64_t>(info.st_ctim.tv_sec) * 1000000000 + info.st_ctim.tv_nsec;
  if (entry.Table && entry.Inode == info.st_ino && entry.Size == info.st_size && entry.ChangeTime == changed)
    return entry.Table;
  auto table = TMessageTable::Load(FileName);
  if (!table) {
    FEntries.erase(FileName);
    return nullptr;
  }
  entry = {info.st_ino, info.st_size, changed, std::make_shared<const TMessageTable>(std::move(*table))};
  return entry.Table;
}

std::string FormatMessageText(std::string_view Template, const std::vector<std::string>& Inserts) {
  std::string out;
  out.reserve(Template.size());
  for (std::size_t i = 0; i < Template.size(); ++i) {
    const char c = Template[i];
    if (c != '%' || i + 1 == Template.size()) {
      out += c;
      continue;
    }
    const char next = Template[i + 1];
    if (next >= '1' && next <= '9') {
      std::size_t digits = 1;
      if (i + 2 < Template.size() && Template[i + 2] >= '0' && Template[i + 2] <= '9') digits = 2;
      const std::size_t number = std::stoul(std::string(Template.substr(i + 1, digits)));
      if (number <= Inserts.size())
        out += Inserts[number - 1];
      else
        out.append(Template.substr(i, 1 + digits));
      i += digits;
      continue;
    }
    switch (next) {
      case '0': return out;
      case 'n': out += "\r\n"; break;
      case 'r': out += '\r'; break;
      case 't': out += '\t'; break;
      case '%':
      case ' ':
      case '.':
      case '!': out += next; break;
      default: out += c; continue;
    }
    ++i;
  }
  return out;
}

std::string ExpandEnvironmentStrings(std::string_view Text) {
  std::string out;
  std::size_t at = 0;
  while (at < Text.size()) {
    const std::size_t open = Text.find('%', at);
    const std::size_t close = open == std::string_view::npos ? open : Text.find('%', open + 1);
    if (close == std::string_view::npos) break;
    out.append(Text.substr(at, open - at));
    const std::string name(Text.substr(open + 1, close - open - 1));
    const char* value = name.empty() ? nullptr : std::getenv(name.c_str());
    if (value) {
      out += value;
      at = close + 1;
    } else {
      // The closing % may open the next name.
      out += '%';
      out += name;
      at = close;
    }
  }
  out.append(Text.substr(at));
  return out;
}

}  // namespace rv
