#pragma once
// Unit LogFile: the folder monitor. TQVFileLog watches one folder (or its
// whole subtree) for the selected kinds of change; its worker hands each
// change to the GUI thread, where OnFileNotification is called with its
// kind. The component writes no record of its own.

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "core/LogBase.h"
#include "platform/classes/WakeableThread.h"
#include "platform/os/ChangeNotify.h"
#include "platform/rtl/Closure.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Export.h"
#include "platform/rtl/Set.h"

namespace RV_API rv {

RV_ENUM(TFileNotificationOption, std::uint8_t, foFile, foFolder, foAttributes, foSize, foTime, foWatchSubFolders)
using TFileNotificationOptions = Set<TFileNotificationOption, std::uint8_t>;
using TFileNotifyEvent = Closure<void(TObject* Sender, TFileNotificationOption Action)>;

RV_DECLARE_EXCEPTION(EFileNotificationError, Exception);

class TQVFileLog;

namespace logfile {

// The worker of one active TQVFileLog: one handle per selected kind, opened
// and closed on the owner's thread; the worker only waits, delivers and
// re-arms. The owner brings it out of its wait before touching the handles.
class TNotificationThread : public TWakeableThread {
 public:
  // Opens the handles on the calling thread, then starts the worker. Raises
  // EFileNotificationError (with nothing left open) when a handle fails.
  explicit TNotificationThread(TQVFileLog* AOwner);
  ~TNotificationThread() override;

  // Owner's thread: closes every handle and opens them again for the
  // owner's current Folder and Options.
  void Reset();

 protected:
  void Execute() override;

 private:
  static constexpr int kSlots = 8;

  // The handle table may be touched only while this is held.
  class TPause;
  void AllocateHandles();
  void ReleaseHandles();
  void Notify();

  TQVFileLog* FOwner;
  std::array<TChangeHandle, kSlots> FHandles;
  std::array<TFileNotificationOption, kSlots> FKinds{};
  int FCount = 0;
  TFileNotificationOption FAction = foFile;  // the kind being delivered

  // The worker holds FTableLock while it waits; the owner asks for the
  // table (FPauseRequests, the wake event) and the worker yields it.
  std::mutex FTableLock;
  std::condition_variable FResume;
  std::atomic<int> FPauseRequests{0};
  // Counts resets, so a handle replaced during a delivery isn't re-armed.
  std::uint64_t FGeneration = 0;
};

}  // namespace logfile

class TQVFileLog : public TQVLogBase {
  RV_CLASS(TQVFileLog, TQVLogBase)
 public:
  explicit TQVFileLog(TComponent* AOwner);
  ~TQVFileLog() override;

  // Starts or stops the worker. While the component is being loaded the
  // worker waits for Loaded, so it watches the stored Folder and Options.
  // Activating an active component keeps its worker. A folder that can't be
  // watched raises EFileNotificationError; Active stays true, with no worker.
  void SetActive(bool Value) override;
  const std::string& Folder() const { return FFolder; }
  // A different value while active reopens the handles at once (and raises
  // as activation does, the new value staying stored).
  void SetFolder(const std::string& Value);
  TFileNotificationOptions Options() const { return FOptions; }
  void SetOptions(TFileNotificationOptions Value);
  const TFileNotifyEvent& OnFileNotification() const { return FOnFileNotification; }
  void SetOnFileNotification(TFileNotifyEvent Value) { FOnFileNotification = std::move(Value); }

  // GUI thread: calls OnFileNotification when active and assigned.
  virtual void Notify(TFileNotificationOption Action);
  void Loaded() override;

 private:
  std::unique_ptr<logfile::TNotificationThread> FWorker;
  std::string FFolder;
  TFileNotificationOptions FOptions;
  TFileNotifyEvent FOnFileNotification;
};

}  // namespace rv
