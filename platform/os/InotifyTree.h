#pragma once
// TInotifyTree: one inotify instance watching a folder, or a folder and every
// folder below it. inotify itself is not recursive: folders created, moved in
// or renamed inside the tree are watched as their events are read, and a
// folder that was created is scanned, since files may be inside before its
// watch exists. Shared by the folder and the registry change services.

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

#include "platform/rtl/Export.h"
#include "platform/rtl/FileHandle.h"

namespace RV_API rv {

struct TInotifyEvent {
  std::uint32_t Mask = 0;    // the inotify mask bits of the event
  std::string Folder;        // the watched folder the event happened in
  std::string Name;          // the entry, empty for the folder itself
  bool InRoot = false;       // Folder is the root of the tree
  bool Scanned = false;      // found by scanning a new folder, not reported by the kernel
  std::uint32_t Cookie = 0;  // pairs the two halves of a rename
};

class TInotifyTree {
 public:
  using THandler = std::function<void(const TInotifyEvent&)>;

  // Watches Root with Mask (inotify bits), and with Recursive every folder
  // below it. Raises EOSError for a folder that can't be watched; running out
  // of inotify instances or watches names the limit and how to raise it.
  TInotifyTree(const std::string& Root, bool Recursive, std::uint32_t Mask);
  ~TInotifyTree();
  TInotifyTree(const TInotifyTree&) = delete;
  TInotifyTree& operator=(const TInotifyTree&) = delete;

  // Readable while events are pending.
  int Fd() const { return FFd.Get(); }
  const std::string& Root() const { return FRoot; }
  // Reads every pending event without blocking and hands each to Handler;
  // the tree's own watches follow new, moved and removed folders first.
  void Drain(const THandler& Handler);
  // Calls Visit with the full path of every non-folder entry in the tree.
  void ForEachFile(const std::function<void(const std::string&)>& Visit) const;

 private:
  void WatchFolder(const std::string& Path, bool Scan, const THandler* Handler);
  void ForgetBelow(const std::string& Path);

  TFileHandle FFd;
  std::string FRoot;
  bool FRecursive;
  std::uint32_t FMask;
  std::unordered_map<int, std::string> FFolders;  // watch descriptor -> folder path
};

// The EOSError for a failed inotify call, with the limit that was reached
// named when that is the reason.
[[noreturn]] void RaiseInotifyError(int Code, const std::string& Path);

}  // namespace rv
