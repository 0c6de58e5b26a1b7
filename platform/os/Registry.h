#pragma once
// TRegistry: the classic registry access object over a file-backed store.
//
// Each root key is a hive folder: HKEY_CURRENT_USER in the user's
// configuration folder ($XDG_CONFIG_HOME or ~/.config, then
// "revuziva/registry"), the machine-wide roots under "/etc/revuziva/registry/"
// and the root's name. A program or a test can move every hive below one
// folder of its own (TRegistryRoot). A key is a folder, a value a file (see
// RegistryNames.h and RegistryValue.h). Value writes replace the file
// atomically, so a reader sees the old or the new value, never half of one.
// Access rights are the file system's: a key that the caller can't read fails
// to open with KEY_READ, one it can't write fails to open for writing.
// Differences from the classic registry: names fold the case of ASCII letters
// only; values are at most 64 MiB; there are no security descriptors (the
// security filter of a change request hears the key folder's permissions).

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/rtl/Event.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TStrings;
class TFolderWatcher;

using HKEY = std::uint32_t;
constexpr HKEY HKEY_CLASSES_ROOT = 0x80000000;
constexpr HKEY HKEY_CURRENT_USER = 0x80000001;
constexpr HKEY HKEY_LOCAL_MACHINE = 0x80000002;
constexpr HKEY HKEY_USERS = 0x80000003;
constexpr HKEY HKEY_CURRENT_CONFIG = 0x80000005;

constexpr std::uint32_t KEY_QUERY_VALUE = 0x0001;
constexpr std::uint32_t KEY_SET_VALUE = 0x0002;
constexpr std::uint32_t KEY_CREATE_SUB_KEY = 0x0004;
constexpr std::uint32_t KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr std::uint32_t KEY_NOTIFY = 0x0010;
constexpr std::uint32_t KEY_READ = 0x20019;
constexpr std::uint32_t KEY_WRITE = 0x20006;
constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003F;

constexpr std::uint32_t REG_NOTIFY_CHANGE_NAME = 1;
constexpr std::uint32_t REG_NOTIFY_CHANGE_ATTRIBUTES = 2;
constexpr std::uint32_t REG_NOTIFY_CHANGE_LAST_SET = 4;
constexpr std::uint32_t REG_NOTIFY_CHANGE_SECURITY = 8;

constexpr long ERROR_SUCCESS = 0;
constexpr long ERROR_INVALID_HANDLE = 6;
constexpr long ERROR_INVALID_PARAMETER = 87;

RV_DECLARE_EXCEPTION(ERegistryException, Exception);

enum TRegDataType : std::uint8_t { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };

// The folders of the hives; installed for a scope or a program with
// SetRegistryRoot.
class TRegistryRoot {
 public:
  // The standard locations.
  TRegistryRoot() = default;
  // Every hive in a folder of its root key's name below Folder.
  explicit TRegistryRoot(std::string Folder) : FFolder(std::move(Folder)) {}
  // "" for a value that is no root key.
  std::string HiveFolder(HKEY Root) const;
  // The root key of a name ("HKEY_CURRENT_USER", or "HKCU"...); 0 if none.
  static HKEY RootKeyOf(const std::string& Name);
  static std::string NameOf(HKEY Root);
  // The one watcher serving the store's change requests, made at the first
  // request; requests keep it alive.
  std::shared_ptr<TFolderWatcher> ChangeWatcher();
  // Counts the changes this process made to the store, so that what was
  // read from it can be known current without looking again; others'
  // changes are heard through a watcher.
  std::uint64_t Changes() const { return FChanges.load(std::memory_order_acquire); }
  void NoteChange() { FChanges.fetch_add(1, std::memory_order_acq_rel); }

 private:
  std::string FFolder;
  std::atomic<std::uint64_t> FChanges{0};
  std::mutex FWatcherLock;
  std::shared_ptr<TFolderWatcher> FWatcher;
};

TRegistryRoot& RegistryRoot();
// Installs Root (null: the standard locations); answers the previous one.
TRegistryRoot* SetRegistryRoot(TRegistryRoot* Root);

class TRegKey;

class TRegistry {
 public:
  explicit TRegistry(std::uint32_t AAccess = KEY_ALL_ACCESS);
  ~TRegistry();
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const { return FRootKey; }
  // Closes the current key.
  void SetRootKey(HKEY Value);
  std::uint32_t Access() const { return FAccess; }
  void SetAccess(std::uint32_t Value) { FAccess = Value; }
  // The open key (null when none is open: operations then act on the root).
  TRegKey* CurrentKey() const { return FCurrentKey.get(); }
  // The open key's path below the root, as opened ("" for none).
  std::string CurrentPath() const;

  // Key is relative to the current key, or to the root when it begins with
  // '\' or no key is open. False when the key is missing (and not created),
  // its name can't be stored, or the access rights are not granted.
  bool OpenKey(const std::string& Key, bool CanCreate);
  bool OpenKeyReadOnly(const std::string& Key);
  // Creates the key and the missing keys above it; raises ERegistryException
  // naming the key and the reason when it can't.
  bool CreateKey(const std::string& Key);
  // Deletes the key with everything below it; false when it isn't there.
  bool DeleteKey(const std::string& Key);
  bool KeyExists(const std::string& Key);
  bool ValueExists(const std::string& Name) const;
  void GetKeyNames(TStrings* Strings) const;
  void GetValueNames(TStrings* Strings) const;
  TRegDataType GetDataType(const std::string& Name) const;
  // The data's size in bytes; -1 for a missing value.
  int GetDataSize(const std::string& Name) const;
  void CloseKey();

  // A missing value reads as "". A value of another type or a corrupt value
  // file raises ERegistryException.
  std::string ReadString(const std::string& Name) const;
  std::string ReadExpandString(const std::string& Name) const;
  // A missing value raises, as does one of another type.
  std::int32_t ReadInteger(const std::string& Name) const;
  // Copies the data into Buffer and answers its size; raises when the value is
  // missing, of another type or larger than BufSize.
  int ReadBinaryData(const std::string& Name, void* Buffer, int BufSize) const;
  // Writes replace the value atomically; they raise ERegistryException
  // ("Failed to set data for '<name>'" and the reason) and leave the old
  // value as it was when they can't.
  void WriteString(const std::string& Name, const std::string& Value);
  void WriteExpandString(const std::string& Name, const std::string& Value);
  void WriteInteger(const std::string& Name, std::int32_t Value);
  void WriteBinaryData(const std::string& Name, const void* Buffer, int BufSize);
  bool DeleteValue(const std::string& Name);

 private:
  std::unique_ptr<TRegKey> Resolve(const std::string& Key, bool Create, std::uint32_t Rights,
                                   std::string* Problem) const;
  std::string KeyFolder() const;
  std::string ReadValueOfType(const std::string& Name, std::uint32_t Type, bool MissingIsEmpty) const;
  void WriteValue(const std::string& Name, std::uint32_t Type, std::string Data);

  HKEY FRootKey = HKEY_CURRENT_USER;
  std::uint32_t FAccess;
  std::unique_ptr<TRegKey> FCurrentKey;
};

// Asks for Event to be set once at the next change of Key (or, with
// WatchSubtree, of any key below it) of the kinds in NotifyFilter, heard by
// the store's one watcher thread. Only asynchronous requests are served. Closing the key sets the events of its
// pending requests; Event must live until then or until it was set.
long RegNotifyChangeKeyValue(TRegKey* Key, bool WatchSubtree, std::uint32_t NotifyFilter, TEvent* Event,
                             bool Asynchronous);

}  // namespace rv
