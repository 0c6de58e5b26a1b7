#include "platform/rtl/FileUtils.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <optional>
#include <vector>

#include "platform/rtl/OSError.h"

namespace RV_API rv {

namespace {

std::size_t extensionStart(std::string_view name) {
  std::size_t dot = name.rfind('.');
  std::size_t slash = name.rfind('/');
  return dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash) ? dot
                                                                                           : std::string_view::npos;
}

// A name for the C library. A name with a NUL in it would silently stand for
// a shorter one, so it names no file at all.
std::optional<std::string> osName(std::string_view name) {
  if (name.find('\0') != std::string_view::npos) return std::nullopt;
  return std::string(name);
}

std::optional<struct stat> statOf(std::string_view name) {
  std::optional<std::string> path = osName(name);
  struct stat st {};
  if (!path || stat(path->c_str(), &st) != 0) return std::nullopt;
  return st;
}

}  // namespace

std::string ChangeFileExt(std::string_view FileName, std::string_view Extension) {
  return std::string(FileName.substr(0, extensionStart(FileName))).append(Extension);
}

std::string ExtractFileName(std::string_view FileName) {
  std::size_t slash = FileName.rfind('/');
  return std::string(slash == std::string_view::npos ? FileName : FileName.substr(slash + 1));
}

std::string ExtractFilePath(std::string_view FileName) {
  std::size_t slash = FileName.rfind('/');
  return std::string(slash == std::string_view::npos ? std::string_view() : FileName.substr(0, slash + 1));
}

std::string ExtractFileDir(std::string_view FileName) {
  std::size_t slash = FileName.rfind('/');
  if (slash == std::string_view::npos) return {};
  return std::string(FileName.substr(0, slash == 0 ? 1 : slash));
}

std::string ExtractFileExt(std::string_view FileName) {
  std::size_t dot = extensionStart(FileName);
  return std::string(dot == std::string_view::npos ? std::string_view() : FileName.substr(dot));
}

std::string IncludeTrailingPathDelimiter(std::string_view Path) {
  std::string s(Path);
  if (s.empty() || s.back() != '/') s += '/';
  return s;
}

std::string ExcludeTrailingPathDelimiter(std::string_view Path) {
  if (Path.size() > 1 && Path.back() == '/') Path.remove_suffix(1);
  return std::string(Path);
}

std::string ExpandFileName(std::string_view FileName) {
  if (FileName.empty()) return {};
  std::string full = FileName[0] == '/' ? std::string(FileName)
                                        : IncludeTrailingPathDelimiter(GetCurrentDir()) + std::string(FileName);
  std::vector<std::string_view> parts;
  std::string_view rest = full;
  while (!rest.empty()) {
    std::size_t slash = rest.find('/');
    std::string_view part = rest.substr(0, slash);
    rest = slash == std::string_view::npos ? std::string_view() : rest.substr(slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
    } else {
      parts.push_back(part);
    }
  }
  std::string result;
  for (std::string_view part : parts) result.append("/").append(part);
  if (result.empty() || FileName.back() == '/') result += '/';
  return result;
}

bool FileExists(std::string_view FileName) {
  std::optional<struct stat> st = statOf(FileName);
  return st && !S_ISDIR(st->st_mode);
}

bool DirectoryExists(std::string_view Directory) {
  std::optional<struct stat> st = statOf(Directory);
  return st && S_ISDIR(st->st_mode);
}

bool DeleteFile(std::string_view FileName) {
  std::optional<std::string> path = osName(FileName);
  return path && unlink(path->c_str()) == 0;
}

bool RenameFile(std::string_view OldName, std::string_view NewName) {
  std::optional<std::string> from = osName(OldName), to = osName(NewName);
  if (!from || !to) return false;
  if (renameat2(AT_FDCWD, from->c_str(), AT_FDCWD, to->c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  // The file system cannot refuse to replace by itself; check first instead.
  struct stat st {};
  if (lstat(to->c_str(), &st) == 0) return false;
  return rename(from->c_str(), to->c_str()) == 0;
}

std::string GetCurrentDir() {
  std::string buffer(256, '\0');
  while (!getcwd(buffer.data(), buffer.size())) {
    if (errno != ERANGE) RaiseLastOSError();
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(buffer.find('\0'));
  return buffer;
}

bool ForceDirectories(std::string_view Dir) {
  std::optional<std::string> path = osName(ExcludeTrailingPathDelimiter(Dir));
  if (!path || path->empty()) return false;
  for (std::size_t slash = path->find('/', 1); slash != std::string::npos; slash = path->find('/', slash + 1))
    mkdir(path->substr(0, slash).c_str(), 0777);  // existing parents fail harmlessly
  mkdir(path->c_str(), 0777);
  return DirectoryExists(*path);
}

}  // namespace rv
