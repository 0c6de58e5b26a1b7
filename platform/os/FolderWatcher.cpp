#include "platform/os/FolderWatcher.h"

#include <poll.h>
#include <sys/inotify.h>

#include <cerrno>

#include "platform/rtl/Exceptions.h"

namespace RV_API rv {

TFolderWatcher::~TFolderWatcher() {
  {
    std::lock_guard<std::mutex> guard(FLock);
    FStop = true;
  }
  FChanged.SetEvent();
  if (FThread.joinable()) FThread.join();
}

TFolderWatcher::TWatchId TFolderWatcher::Add(const std::string& Folder, bool Subtree, std::uint32_t Mask,
                                             THandler Handler) {
  auto tree = std::make_unique<TInotifyTree>(Folder, Subtree, Mask);
  std::lock_guard<std::mutex> guard(FLock);
  const TWatchId id = FNextId++;
  FWatches.emplace(id, TWatch{std::move(tree), std::move(Handler)});
  if (!FThread.joinable()) FThread = std::thread([this] { Run(); });
  FChanged.SetEvent();
  return id;
}

void TFolderWatcher::Remove(TWatchId Id) {
  std::lock_guard<std::mutex> guard(FLock);
  if (auto watch = FWatches.find(Id); watch != FWatches.end()) {
    Retire(watch);
    FChanged.SetEvent();
  }
}

void TFolderWatcher::Retire(std::map<TWatchId, TWatch>::iterator Watch) {
  FRetired.push_back(std::move(Watch->second.Tree));
  FWatches.erase(Watch);
}

void TFolderWatcher::Run() {
  std::vector<pollfd> fds;
  std::vector<TWatchId> ids;
  for (;;) {
    {
      std::lock_guard<std::mutex> guard(FLock);
      // Reset under the lock: a change made after this sets it again.
      FChanged.ResetEvent();
      // Nobody waits on the retired trees' descriptors now.
      FRetired.clear();
      if (FStop) return;
      fds.assign(1, {FChanged.Fd(), POLLIN, 0});
      ids.clear();
      for (const auto& [id, watch] : FWatches) {
        fds.push_back({watch.Tree->Fd(), POLLIN, 0});
        ids.push_back(id);
      }
    }
    while (poll(fds.data(), fds.size(), -1) < 0 && errno == EINTR) {
    }
    std::lock_guard<std::mutex> guard(FLock);
    for (std::size_t i = 0; i < ids.size(); ++i) {
      if (!(fds[i + 1].revents & (POLLIN | POLLERR | POLLHUP))) continue;
      auto watch = FWatches.find(ids[i]);
      if (watch == FWatches.end()) continue;  // removed while we waited
      bool done = false;
      const auto hear = [&](const TInotifyEvent& e) { done = done || !watch->second.Handler(e); };
      try {
        watch->second.Tree->Drain(hear);
      } catch (const Exception&) {
        // Out of watches for a new folder: changes may go unheard from now
        // on, which the handler learns as a lost queue.
        TInotifyEvent lost;
        lost.Mask = IN_Q_OVERFLOW;
        hear(lost);
      }
      if (done) Retire(watch);
    }
  }
}

}  // namespace rv
