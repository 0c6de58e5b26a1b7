#pragma once
// The open key of the registry store, shared by the store and its change
// requests (not for use outside platform/os).

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/os/Registry.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TKeyChangeRequest;

class TRegKey {
 public:
  TRegKey(HKEY Root, std::string Folder, std::string Path, std::uint32_t Access);
  // Ends the pending change requests, setting their events.
  ~TRegKey();
  TRegKey(const TRegKey&) = delete;
  TRegKey& operator=(const TRegKey&) = delete;

  HKEY Root() const { return FRoot; }
  const std::string& Folder() const { return FFolder; }
  const std::string& Path() const { return FPath; }
  std::uint32_t Access() const { return FAccess; }
  void AddRequest(std::unique_ptr<TKeyChangeRequest> Request);

 private:
  HKEY FRoot;
  std::string FFolder;  // the key's folder on disk
  std::string FPath;    // below the root, with the case it was opened with
  std::uint32_t FAccess;
  std::vector<std::unique_ptr<TKeyChangeRequest>> FRequests;
};

}  // namespace rv
