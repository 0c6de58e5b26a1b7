#pragma once
// TFolderWatcher: one thread hearing the changes of many watched folders
// (each a TInotifyTree of its own) and handing each change to the handler
// of its watch, on that thread. The thread starts with the first watch and
// ends with the watcher. Watches are added and removed from any thread.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/os/InotifyTree.h"
#include "platform/rtl/Event.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TFolderWatcher {
 public:
  using TWatchId = std::uint64_t;
  // Runs on the watcher thread with the watcher's lock held, so it must not
  // call the watcher. Answers false when the watch is done with: it hears
  // nothing more and is removed.
  using THandler = std::function<bool(const TInotifyEvent&)>;

  TFolderWatcher() = default;
  ~TFolderWatcher();
  TFolderWatcher(const TFolderWatcher&) = delete;
  TFolderWatcher& operator=(const TFolderWatcher&) = delete;

  // Watches Folder (and with Subtree the folders below it) for the inotify
  // events in Mask. Raises EOSError as TInotifyTree does.
  TWatchId Add(const std::string& Folder, bool Subtree, std::uint32_t Mask, THandler Handler);
  // Once it returns, the watch's handler is not running and never runs again.
  void Remove(TWatchId Id);

 private:
  struct TWatch {
    std::unique_ptr<TInotifyTree> Tree;
    THandler Handler;
  };
  void Run();
  // Takes the watch out; its tree is closed by the thread when it is not
  // waiting on it. The caller holds FLock.
  void Retire(std::map<TWatchId, TWatch>::iterator Watch);

  std::mutex FLock;  // guards everything below but FThread
  std::map<TWatchId, TWatch> FWatches;
  std::vector<std::unique_ptr<TInotifyTree>> FRetired;
  TWatchId FNextId = 1;
  bool FStop = false;
  // Set when the watches changed or the thread is to end: the thread then
  // looks at its list again.
  TEvent FChanged{true, false};
  std::thread FThread;
};

}  // namespace rv
