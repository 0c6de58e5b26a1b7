#pragma once
// The message tables of event sources. For a log and a source they are the
// message files that its "EventMessageFile" value lists (";"-separated,
// environment variables expanded), loaded once and kept until the source's
// key or the folder of one of its files changes. A watcher thread hears
// those changes, so the tables of a known source cost no system call; a
// change is seen as soon as the watcher has heard of it, normally well
// within a millisecond; changes this process makes to the registry store at
// once. Where a folder can't be watched the tables are
// looked up afresh each time. One caller thread at a time.

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/os/FolderWatcher.h"
#include "platform/os/MessageTable.h"
#include "platform/os/Registry.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TEventMessageFiles {
 public:
  using TTables = std::vector<std::shared_ptr<const TMessageTable>>;

  // The tables of the files listed for Source in Log, in list order. Names
  // that are empty, longer than 259 UTF-16 units once expanded (the classic
  // buffer of 260) or that can't be loaded give no table.
  const TTables& Tables(const std::string& Log, const std::string& Source);

 private:
  struct TEntry {
    std::uint64_t Generation = 0;
    // The store read from, and its count of this process's changes then.
    const TRegistryRoot* Store = nullptr;
    std::uint64_t StoreChanges = 0;
    bool Watched = false;  // every folder the tables come from is watched
    std::string List;      // the value as read, and expanded
    std::string Expanded;
    TTables Tables;
  };
  struct TFolderWatch {
    TFolderWatcher::TWatchId Id = 0;
    // Cleared by the watcher thread when the folder itself went away.
    std::shared_ptr<std::atomic<bool>> Alive;
  };
  bool Current(const TEntry& Entry) const;
  void Load(const std::string& Log, const std::string& Source, TEntry& Entry);
  // Watches Folder unless it is watched already; false when it can't be.
  bool Watch(const std::string& Folder);

  std::map<std::pair<std::string, std::string>, TEntry> FEntries;
  std::map<std::string, TFolderWatch> FWatches;
  TMessageFileCache FFiles;
  // Counts the changes heard; an entry made before the latest is reloaded.
  std::atomic<std::uint64_t> FGeneration{1};
  // Last: its thread, which bumps FGeneration, ends first.
  TFolderWatcher FWatcher;
};

}  // namespace rv
