#include "platform/os/EventMessageFiles.h"

#include <sys/inotify.h>

#include "platform/os/EventLog.h"
#include "platform/os/Registry.h"
#include "platform/os/RegistryKey.h"
#include "platform/rtl/Utf16.h"

namespace RV_API rv {

namespace {

constexpr std::size_t kMaxFileName = 259;
// What can change a value of a key or a message file in a folder.
constexpr std::uint32_t kChanges =
    IN_CLOSE_WRITE | IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF;

// The source's key, open for reading; null when it is missing.
std::unique_ptr<TRegistry> OpenSourceKey(const std::string& Log, const std::string& Source) {
  auto registry = std::make_unique<TRegistry>(KEY_READ);
  registry->SetRootKey(HKEY_LOCAL_MACHINE);
  if (!registry->OpenKeyReadOnly(EventLogKey(Log, Source))) return nullptr;
  return registry;
}

std::string MessageFileList(const TRegistry& Key) {
  try {
    // Sources register the list with either string type.
    return Key.GetDataType("EventMessageFile") == rdExpandString ? Key.ReadExpandString("EventMessageFile")
                                                                 : Key.ReadString("EventMessageFile");
  } catch (const ERegistryException&) {
    // A value of another type names no file.
    return "";
  }
}

std::string FolderOf(const std::string& FileName) {
  const std::size_t slash = FileName.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : FileName.substr(0, slash);
}

}  // namespace

const TEventMessageFiles::TTables& TEventMessageFiles::Tables(const std::string& Log, const std::string& Source) {
  TEntry& entry = FEntries[{Log, Source}];
  if (!Current(entry)) Load(Log, Source, entry);
  return entry.Tables;
}

bool TEventMessageFiles::Current(const TEntry& Entry) const {
  const TRegistryRoot& store = RegistryRoot();
  if (!Entry.Watched || Entry.Generation != FGeneration.load() || Entry.Store != &store ||
      Entry.StoreChanges != store.Changes())
    return false;
  // The environment may have changed since the names were expanded.
  return Entry.List.find('%') == std::string::npos || ExpandEnvironmentStrings(Entry.List) == Entry.Expanded;
}

void TEventMessageFiles::Load(const std::string& Log, const std::string& Source, TEntry& Entry) {
  // Each folder is watched before it is read from: a change after the
  // reading is then always heard.
  Entry = TEntry();
  Entry.Store = &RegistryRoot();
  Entry.StoreChanges = Entry.Store->Changes();
  const auto key = OpenSourceKey(Log, Source);
  Entry.Watched = key && Watch(key->CurrentKey()->Folder());
  Entry.Generation = FGeneration.load();
  const std::string list = key ? MessageFileList(*key) : "";
  Entry.List = list;
  Entry.Expanded = ExpandEnvironmentStrings(list);
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    const std::string name = ExpandEnvironmentStrings(list.substr(start, end - start));
    start = end + 1;
    if (name.empty() || Utf16Length(name) > kMaxFileName) continue;
    Entry.Watched = Watch(FolderOf(name)) && Entry.Watched;
    if (auto table = FFiles.Load(name)) Entry.Tables.push_back(std::move(table));
  }
}

bool TEventMessageFiles::Watch(const std::string& Folder) {
  auto known = FWatches.find(Folder);
  if (known != FWatches.end() && known->second.Alive->load()) return true;
  if (known != FWatches.end()) {
    FWatcher.Remove(known->second.Id);
    FWatches.erase(known);
  }
  auto alive = std::make_shared<std::atomic<bool>>(true);
  try {
    const auto id = FWatcher.Add(Folder, false, kChanges, [this, alive](const TInotifyEvent& e) {
      ++FGeneration;
      // A folder that went away is watched again when it is next needed.
      const bool gone = e.Name.empty() && (e.Mask & (IN_DELETE_SELF | IN_MOVE_SELF));
      if (gone) *alive = false;
      return !gone;
    });
    FWatches[Folder] = {id, alive};
    return true;
  } catch (const Exception&) {
    // Missing, unreadable, or out of inotify instances: looked up afresh.
    return false;
  }
}

}  // namespace rv
