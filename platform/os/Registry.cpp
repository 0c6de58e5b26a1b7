#include "platform/os/Registry.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <optional>

#include "platform/classes/Strings.h"
#include "platform/os/FolderWatcher.h"
#include "platform/os/RegistryKey.h"
#include "platform/os/RegistryNames.h"
#include "platform/os/RegistryValue.h"
#include "platform/rtl/FileHandle.h"
#include "platform/rtl/OSError.h"
#include "platform/rtl/ScopeGuard.h"
#include "platform/rtl/Service.h"

namespace RV_API rv {

namespace {

constexpr const char* kMachineFolder = "/etc/revuziva/registry";

struct TRootName {
  HKEY Key;
  const char* Name;
  const char* Short;
};
const TRootName kRoots[] = {
    {HKEY_CLASSES_ROOT, "HKEY_CLASSES_ROOT", "HKCR"},     {HKEY_CURRENT_USER, "HKEY_CURRENT_USER", "HKCU"},
    {HKEY_LOCAL_MACHINE, "HKEY_LOCAL_MACHINE", "HKLM"},   {HKEY_USERS, "HKEY_USERS", "HKU"},
    {HKEY_CURRENT_CONFIG, "HKEY_CURRENT_CONFIG", "HKCC"},
};

TRegistryRoot& standardRoot() {
  static TRegistryRoot root;
  return root;
}
TService<TRegistryRoot> rootService(&standardRoot);

std::string userConfigFolder() {
  if (const char* xdg = getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/') return xdg;
  if (const char* home = getenv("HOME"); home && *home) return std::string(home) + "/.config";
  passwd pw{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(geteuid(), &pw, buffer, sizeof buffer, &found) == 0 && found)
    return std::string(pw.pw_dir) + "/.config";
  return "/tmp";
}

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

enum class TEntryKind { Key, Value };

bool isKind(const struct stat& st, TEntryKind kind) {
  return kind == TEntryKind::Key ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode);
}

// The file name in Folder of the key or value Name: the exact encoding when
// it exists, else an entry whose name differs only in case; "" when none.
std::string findEntry(const std::string& folder, const std::string& name, TEntryKind kind) {
  const std::string encoded = EncodeRegName(name);
  struct stat st {};
  if (lstat((folder + "/" + encoded).c_str(), &st) == 0) return isKind(st, kind) ? encoded : "";
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
  if (!dir) return "";
  while (dirent* e = readdir(dir.get())) {
    if (e->d_name[0] == '.' || !SameRegName(DecodeRegName(e->d_name), name)) continue;
    if (lstat((folder + "/" + e->d_name).c_str(), &st) == 0 && isKind(st, kind)) return e->d_name;
  }
  return "";
}

std::vector<std::string> listEntries(const std::string& folder, TEntryKind kind) {
  std::vector<std::string> names;
  std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
  if (!dir) return names;
  struct stat st {};
  while (dirent* e = readdir(dir.get()))
    if (e->d_name[0] != '.' && lstat((folder + "/" + e->d_name).c_str(), &st) == 0 && isKind(st, kind))
      names.push_back(DecodeRegName(e->d_name));
  return names;
}

bool rightsGranted(const std::string& folder, std::uint32_t access) {
  int mode = 0;
  if (access & (KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS | KEY_NOTIFY)) mode |= R_OK | X_OK;
  if (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) mode |= W_OK | X_OK;
  return mode == 0 || faccessat(AT_FDCWD, folder.c_str(), mode, AT_EACCESS) == 0;
}

bool readWhole(const std::string& path, std::string& bytes, int& error) {
  TFileHandle fd(open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC));
  if (!fd) {
    error = errno;
    return false;
  }
  struct stat st {};
  if (fstat(fd.Get(), &st) != 0 || static_cast<std::uint64_t>(st.st_size) > kRegMaxValueFileSize) {
    error = EFBIG;
    return false;
  }
  bytes.resize(static_cast<std::size_t>(st.st_size));
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = read(fd.Get(), bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  bytes.resize(done);
  return true;
}

[[noreturn]] void raiseSetFailed(const std::string& name, const std::string& reason) {
  throw ERegistryException("Failed to set data for '" + name + "': " + reason);
}

// 0, or the errno of the failed write.
int writeAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

}  // namespace

// ---- Roots --------------------------------------------------------------------

std::string TRegistryRoot::HiveFolder(HKEY Root) const {
  const std::string name = NameOf(Root);
  if (name.empty()) return "";
  if (!FFolder.empty()) return FFolder + "/" + name;
  if (Root == HKEY_CURRENT_USER) return userConfigFolder() + "/revuziva/registry";
  return std::string(kMachineFolder) + "/" + name;
}

HKEY TRegistryRoot::RootKeyOf(const std::string& Name) {
  for (const TRootName& r : kRoots)
    if (SameRegName(Name, r.Name) || SameRegName(Name, r.Short)) return r.Key;
  return 0;
}

std::string TRegistryRoot::NameOf(HKEY Root) {
  for (const TRootName& r : kRoots)
    if (r.Key == Root) return r.Name;
  return "";
}

std::shared_ptr<TFolderWatcher> TRegistryRoot::ChangeWatcher() {
  std::lock_guard<std::mutex> guard(FWatcherLock);
  if (!FWatcher) FWatcher = std::make_shared<TFolderWatcher>();
  return FWatcher;
}

TRegistryRoot& RegistryRoot() { return rootService.Get(); }
TRegistryRoot* SetRegistryRoot(TRegistryRoot* Root) { return rootService.Install(Root); }

// ---- Keys ---------------------------------------------------------------------

TRegistry::TRegistry(std::uint32_t AAccess) : FAccess(AAccess) {}

TRegistry::~TRegistry() = default;

void TRegistry::SetRootKey(HKEY Value) {
  CloseKey();
  FRootKey = Value;
}

std::string TRegistry::CurrentPath() const { return FCurrentKey ? FCurrentKey->Path() : ""; }

void TRegistry::CloseKey() { FCurrentKey.reset(); }

std::string TRegistry::KeyFolder() const {
  return FCurrentKey ? FCurrentKey->Folder() : RegistryRoot().HiveFolder(FRootKey);
}

std::unique_ptr<TRegKey> TRegistry::Resolve(const std::string& Key, bool Create, std::uint32_t Rights,
                                            std::string* Problem) const {
  std::string reason;
  const bool absolute = !FCurrentKey || (!Key.empty() && Key.front() == '\\');
  std::string folder = absolute ? RegistryRoot().HiveFolder(FRootKey) : FCurrentKey->Folder();
  std::string path = absolute ? "" : FCurrentKey->Path();
  const std::size_t depth = path.empty() ? 0 : 1 + std::count(path.begin(), path.end(), '\\');
  auto parts = SplitRegPath(Key, reason);
  if (folder.empty())
    reason = "the root key is not known";
  else if (parts && parts->size() + depth > kRegMaxKeyDepth)
    reason = "the key path is deeper than the limit";
  if (!reason.empty()) {
    if (Problem) *Problem = reason;
    return nullptr;
  }
  if (Create && absolute) {
    std::error_code ignored;  // a failure shows when the first key is made
    std::filesystem::create_directories(folder, ignored);
  }
  for (const std::string& part : *parts) {
    std::string entry = findEntry(folder, part, TEntryKind::Key);
    if (entry.empty() && Create) {
      if (mkdir((folder + "/" + EncodeRegName(part)).c_str(), 0755) == 0) {
        RegistryRoot().NoteChange();
      } else if (errno != EEXIST) {
        reason = SysErrorMessage(errno);
        break;
      }
      // Another process may have made the same key with other letter case.
      entry = findEntry(folder, part, TEntryKind::Key);
    }
    if (entry.empty()) {
      reason = "the key does not exist";
      break;
    }
    folder += "/" + entry;
    path += (path.empty() ? "" : "\\") + part;
  }
  if (reason.empty() && !rightsGranted(folder, Rights)) reason = "access is denied";
  if (reason.empty()) return std::make_unique<TRegKey>(FRootKey, folder, path, Rights);
  if (Problem) *Problem = reason;
  return nullptr;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  std::unique_ptr<TRegKey> key = Resolve(Key, CanCreate, FAccess, nullptr);
  if (!key) return false;
  FCurrentKey = std::move(key);
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& Key) {
  std::unique_ptr<TRegKey> key = Resolve(Key, false, KEY_READ, nullptr);
  if (!key) return false;
  FCurrentKey = std::move(key);
  return true;
}

bool TRegistry::CreateKey(const std::string& Key) {
  std::string problem;
  if (!Resolve(Key, true, 0, &problem)) throw ERegistryException("Failed to create key " + Key + ": " + problem);
  return true;
}

bool TRegistry::DeleteKey(const std::string& Key) {
  std::unique_ptr<TRegKey> key = Resolve(Key, false, 0, nullptr);
  if (!key || key->Path().empty()) return false;
  std::error_code error;
  const bool deleted = std::filesystem::remove_all(key->Folder(), error) > 0 && !error;
  RegistryRoot().NoteChange();
  return deleted;
}

bool TRegistry::KeyExists(const std::string& Key) { return Resolve(Key, false, 0, nullptr) != nullptr; }

bool TRegistry::ValueExists(const std::string& Name) const {
  return RegNameProblem(Name, false).empty() && !findEntry(KeyFolder(), Name, TEntryKind::Value).empty();
}

void TRegistry::GetKeyNames(TStrings* Strings) const {
  Strings->Clear();
  for (const std::string& name : listEntries(KeyFolder(), TEntryKind::Key)) Strings->Add(name);
}

void TRegistry::GetValueNames(TStrings* Strings) const {
  Strings->Clear();
  for (const std::string& name : listEntries(KeyFolder(), TEntryKind::Value)) Strings->Add(name);
}

// ---- Values -------------------------------------------------------------------

namespace {

// The value Name of the key in Folder; nullopt when it is missing. A corrupt
// file raises: it is reported, never taken for a missing value.
std::optional<TRegValue> loadValue(const std::string& folder, const std::string& name) {
  if (!RegNameProblem(name, false).empty()) return std::nullopt;
  // The exact name first: one open, as cheap as reading the file directly.
  std::string bytes;
  int error = 0;
  if (!readWhole(folder + "/" + EncodeRegName(name), bytes, error)) {
    if (error != ENOENT) throw ERegistryException("Failed to get data for '" + name + "': " + SysErrorMessage(error));
    const std::string entry = findEntry(folder, name, TEntryKind::Value);
    if (entry.empty() || !readWhole(folder + "/" + entry, bytes, error)) return std::nullopt;
  }
  std::optional<TRegValue> value = DecodeRegValue(bytes);
  if (!value) throw ERegistryException("The value '" + name + "' is corrupt (in " + folder + ")");
  return value;
}

TRegDataType dataTypeOf(std::uint32_t type) {
  switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
  }
}

[[noreturn]] void raiseInvalidType(const std::string& name) {
  throw ERegistryException("Invalid data type for '" + name + "'");
}

}  // namespace

TRegDataType TRegistry::GetDataType(const std::string& Name) const {
  std::optional<TRegValue> value = loadValue(KeyFolder(), Name);
  return value ? dataTypeOf(value->Type) : rdUnknown;
}

int TRegistry::GetDataSize(const std::string& Name) const {
  std::optional<TRegValue> value = loadValue(KeyFolder(), Name);
  return value ? static_cast<int>(value->Data.size()) : -1;
}

std::string TRegistry::ReadValueOfType(const std::string& Name, std::uint32_t Type, bool MissingIsEmpty) const {
  std::optional<TRegValue> value = loadValue(KeyFolder(), Name);
  if (!value) {
    if (MissingIsEmpty) return "";
    raiseInvalidType(Name);
  }
  // A string reads both string kinds, as the classic one does.
  const bool isString = value->Type == REG_SZ || value->Type == REG_EXPAND_SZ;
  if (value->Type != Type && !(isString && (Type == REG_SZ || Type == REG_EXPAND_SZ))) raiseInvalidType(Name);
  return std::move(value->Data);
}

std::string TRegistry::ReadString(const std::string& Name) const { return ReadValueOfType(Name, REG_SZ, true); }

std::string TRegistry::ReadExpandString(const std::string& Name) const {
  return ReadValueOfType(Name, REG_EXPAND_SZ, true);
}

std::int32_t TRegistry::ReadInteger(const std::string& Name) const {
  const std::string data = ReadValueOfType(Name, REG_DWORD, false);
  std::uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(data[static_cast<std::size_t>(i)]);
  return static_cast<std::int32_t>(v);
}

int TRegistry::ReadBinaryData(const std::string& Name, void* Buffer, int BufSize) const {
  const std::string data = ReadValueOfType(Name, REG_BINARY, false);
  if (BufSize < 0 || data.size() > static_cast<std::size_t>(BufSize)) raiseInvalidType(Name);
  if (!data.empty()) std::memcpy(Buffer, data.data(), data.size());
  return static_cast<int>(data.size());
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) { WriteValue(Name, REG_SZ, Value); }

void TRegistry::WriteExpandString(const std::string& Name, const std::string& Value) {
  WriteValue(Name, REG_EXPAND_SZ, Value);
}

void TRegistry::WriteInteger(const std::string& Name, std::int32_t Value) {
  std::string data;
  for (int i = 0; i < 4; ++i) data += static_cast<char>((static_cast<std::uint32_t>(Value) >> (8 * i)) & 0xFF);
  WriteValue(Name, REG_DWORD, std::move(data));
}

void TRegistry::WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize) {
  if (BufSize < 0) raiseSetFailed(Name, "the size is negative");
  WriteValue(Name, REG_BINARY, std::string(static_cast<const char*>(Buffer), static_cast<std::size_t>(BufSize)));
}

void TRegistry::WriteValue(const std::string& Name, std::uint32_t Type, std::string Data) {
  if (std::string problem = RegNameProblem(Name, false); !problem.empty()) raiseSetFailed(Name, problem);
  if (FCurrentKey && !(FCurrentKey->Access() & KEY_SET_VALUE)) raiseSetFailed(Name, "the key is open read-only");
  if (Data.size() + 13 > kRegMaxValueFileSize) raiseSetFailed(Name, "the value is too large");
  const std::string folder = KeyFolder();
  if (!FCurrentKey) {
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
  }
  // The key's folder lock makes finding the name's stored case and the
  // rename one step among the store's writers.
  TFileHandle dir(open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!dir) raiseSetFailed(Name, SysErrorMessage(errno));
  while (flock(dir.Get(), LOCK_EX) != 0 && errno == EINTR) {
  }
  std::string entry = findEntry(folder, Name, TEntryKind::Value);
  if (entry.empty()) entry = EncodeRegName(Name);
  std::string temp = folder + "/.rv-value.XXXXXX";
  TFileHandle fd(mkostemp(temp.data(), O_CLOEXEC));
  if (!fd) raiseSetFailed(Name, SysErrorMessage(errno));
  TScopeExit removeTemp([&] { unlink(temp.c_str()); });
  const std::string target = folder + "/" + entry;
  struct stat old {};
  fchmod(fd.Get(), stat(target.c_str(), &old) == 0 ? (old.st_mode & 07777) : 0644);
  int error = writeAll(fd.Get(), EncodeRegValue({Type, std::move(Data)}));
  // On disk before it replaces the old value: a crash leaves one or the other.
  if (!error && fsync(fd.Get()) != 0) error = errno;
  if (!error && rename(temp.c_str(), target.c_str()) != 0) error = errno;
  if (error) raiseSetFailed(Name, SysErrorMessage(error));
  removeTemp.Dismiss();
  RegistryRoot().NoteChange();
}

bool TRegistry::DeleteValue(const std::string& Name) {
  if (!RegNameProblem(Name, false).empty()) return false;
  if (FCurrentKey && !(FCurrentKey->Access() & KEY_SET_VALUE)) return false;
  const std::string folder = KeyFolder();
  const std::string entry = findEntry(folder, Name, TEntryKind::Value);
  if (entry.empty() || unlink((folder + "/" + entry).c_str()) != 0) return false;
  RegistryRoot().NoteChange();
  return true;
}

}  // namespace rv
