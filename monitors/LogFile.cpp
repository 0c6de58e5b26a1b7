#include "monitors/LogFile.h"

#include "platform/classes/Published.h"

namespace RV_API rv {

namespace {

const TFileNotificationOptions kInitialOptions{foFile, foFolder};
const char* const kAllocationFailed = "Could not allocate notification object";

const std::uint32_t kFilterFlag[] = {
    FILE_NOTIFY_CHANGE_FILE_NAME, FILE_NOTIFY_CHANGE_DIR_NAME,   FILE_NOTIFY_CHANGE_ATTRIBUTES,
    FILE_NOTIFY_CHANGE_SIZE,      FILE_NOTIFY_CHANGE_LAST_WRITE,
};

}  // namespace

namespace logfile {

class TNotificationThread::TPause {
 public:
  explicit TPause(TNotificationThread& Thread) : FThread(Thread) {
    ++FThread.FPauseRequests;
    FThread.Wake().SetEvent();
    FLock = std::unique_lock<std::mutex>(FThread.FTableLock);
  }
  ~TPause() {
    // A termination keeps the wake event set: the worker is to leave.
    if (--FThread.FPauseRequests == 0 && !FThread.Terminated()) FThread.Wake().ResetEvent();
    FLock.unlock();
    FThread.FResume.notify_all();
  }
  TPause(const TPause&) = delete;
  TPause& operator=(const TPause&) = delete;

 private:
  TNotificationThread& FThread;
  std::unique_lock<std::mutex> FLock;
};

TNotificationThread::TNotificationThread(TQVFileLog* AOwner) : FOwner(AOwner) {
  SetFreeOnTerminate(false);
  Reset();
  Start();
}

TNotificationThread::~TNotificationThread() {
  EndAndWait();
  ReleaseHandles();
}

void TNotificationThread::Reset() {
  TPause pause(*this);
  ++FGeneration;
  ReleaseHandles();
  AllocateHandles();
}

void TNotificationThread::AllocateHandles() {
  if (!FOwner || FOwner->Options().Empty()) return;
  ReleaseHandles();
  const TFileNotificationOptions options = FOwner->Options();
  const bool subtree = options.Contains(foWatchSubFolders);
  for (TFileNotificationOption kind : {foFile, foFolder, foAttributes, foSize, foTime}) {
    if (!options.Contains(kind)) continue;
    FKinds[FCount] = kind;
    try {
      FHandles[FCount] = FindFirstChangeNotification(FOwner->Folder(), subtree, kFilterFlag[kind]);
    } catch (const EOSError&) {
      ReleaseHandles();
      throw EFileNotificationError(kAllocationFailed);
    }
    ++FCount;
  }
}

void TNotificationThread::ReleaseHandles() {
  for (TChangeHandle& handle : FHandles) FindCloseChangeNotification(handle);
  FKinds.fill(foFile);
  FCount = 0;
}

void TNotificationThread::Execute() {
  // The wait itself is the only sleep: it ends on a change or when the owner
  // sets the wake event (a reset, deactivation, destruction).
  while (!Terminated()) {
    std::unique_lock<std::mutex> lock(FTableLock);
    FResume.wait(lock, [&] { return FPauseRequests == 0 || Terminated(); });
    if (Terminated()) break;
    std::array<TChangeNotification*, kSlots> handles{};
    for (int i = 0; i < FCount; ++i) handles[i] = FHandles[i].get();
    const int result =
        WaitForChangeNotifications({handles.data(), static_cast<std::size_t>(FCount)}, INFINITE, &Wake());
    if (result < WAIT_OBJECT_0 || result >= WAIT_OBJECT_0 + FCount) continue;
    const int slot = result - WAIT_OBJECT_0;
    FAction = FKinds[slot];
    const std::uint64_t generation = FGeneration;
    lock.unlock();
    Deliver([this] { Notify(); });
    if (Terminated()) break;
    lock.lock();
    // The callback may have changed Folder or Options: their new handles
    // start unsignalled.
    if (generation == FGeneration) FindNextChangeNotification(*FHandles[slot]);
  }
}

void TNotificationThread::Notify() { FOwner->Notify(FAction); }

}  // namespace logfile

const TClass& TQVFileLog::StaticClass() {
  // Options has no declared default: it is always stored.
  static const TClass cls =
      TClassBuilder<TQVFileLog>("TQVFileLog")
          .Property("Folder", &TQVFileLog::Folder, &TQVFileLog::SetFolder)
          .Property("Options", &TQVFileLog::Options, &TQVFileLog::SetOptions)
          .Property("OnFileNotification", &TQVFileLog::OnFileNotification, &TQVFileLog::SetOnFileNotification)
          .Build();
  return cls;
}
RV_REGISTER_CLASS(TQVFileLog)

TQVFileLog::TQVFileLog(TComponent* AOwner) : TQVLogBase(AOwner), FOptions(kInitialOptions) {}

TQVFileLog::~TQVFileLog() { TWakeableThread::Dismiss(FWorker); }

void TQVFileLog::SetActive(bool Value) {
  TQVLogBase::SetActive(Value);
  if (ComponentState().Contains(csLoading)) return;
  if (!Value)
    TWakeableThread::Dismiss(FWorker);
  else if (!FWorker)
    FWorker = std::make_unique<logfile::TNotificationThread>(this);
}

void TQVFileLog::SetFolder(const std::string& Value) {
  if (Value == FFolder) return;
  FFolder = Value;
  if (FWorker) FWorker->Reset();
}

void TQVFileLog::SetOptions(TFileNotificationOptions Value) {
  if (Value == FOptions) return;
  FOptions = Value;
  if (FWorker) FWorker->Reset();
}

void TQVFileLog::Notify(TFileNotificationOption Action) {
  if (Active() && FOnFileNotification) FOnFileNotification(this, Action);
}

void TQVFileLog::Loaded() {
  TQVLogBase::Loaded();
  // Activation was put off while the stored properties were read.
  if (Active() && !FWorker) SetActive(true);
}

}  // namespace rv
