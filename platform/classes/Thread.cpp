#include "platform/classes/Thread.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <cstdio>
#include <deque>
#include <system_error>

#include "platform/classes/Published.h"
#include "platform/rtl/Event.h"
#include "platform/rtl/Faults.h"
#include "platform/rtl/ScopeGuard.h"

namespace RV_API rv {

namespace {

// A level-triggered wake signal: readable from SetEvent() until ResetEvent().
class WakeSignal : public TEvent {
 public:
  WakeSignal() : TEvent(true, false) {}
};

// Waits until one of the descriptors is readable (or the time-out passed);
// an interrupted wait is resumed.
void waitReadable(pollfd* fds, nfds_t count, int timeoutMs) {
  while (poll(fds, count, timeoutMs) < 0 && errno == EINTR) {
  }
}

struct QueuedCall {
  QueuedCall(TThread* thread, TThreadMethod method, bool synchronous)
      : Thread(thread), Method(std::move(method)), Synchronous(synchronous) {}
  TThread* Thread;
  TThreadMethod Method;
  bool Synchronous;
  bool Done = false;  // synchronous calls: set when Method returned
  std::exception_ptr Error;
};

// The calls handed to the GUI thread. Calls are taken off one at a time, so
// none runs with the lock held and a wait nested inside a call (WaitFor in a
// queued call) still sees the calls queued behind it.
struct CallQueue {
  std::mutex Lock;
  std::condition_variable CallDone;
  std::deque<std::shared_ptr<QueuedCall>> Pending;
  TNotifyEvent HandleException;
  WakeSignal Wake;
};

CallQueue& callQueue() {
  static CallQueue queue;
  return queue;
}

void push(std::shared_ptr<QueuedCall> call) {
  CallQueue& q = callQueue();
  {
    std::lock_guard<std::mutex> guard(q.Lock);
    q.Pending.push_back(std::move(call));
  }
  q.Wake.SetEvent();
}

std::shared_ptr<QueuedCall> pop() {
  CallQueue& q = callQueue();
  std::lock_guard<std::mutex> guard(q.Lock);
  if (q.Pending.empty()) return nullptr;
  std::shared_ptr<QueuedCall> call = std::move(q.Pending.front());
  q.Pending.pop_front();
  return call;
}

// Called inside a catch handler; never lets anything escape.
void handleQueuedException(TThread* sender) noexcept {
  try {
    CallQueue& q = callQueue();
    TNotifyEvent handler;
    {
      std::lock_guard<std::mutex> guard(q.Lock);
      handler = q.HandleException;
    }
    if (handler) {
      handler(sender);
    } else {
      TExceptionScope scope(std::current_exception());
      std::fprintf(stderr, "%s\n", ExceptionErrorMessage(scope.Object(), scope.Address()).c_str());
    }
  } catch (...) {
    std::fputs("An exception escaped the handling of a queued call's exception\n", stderr);
  }
}

void run(QueuedCall& call) {
  if (!call.Synchronous) {
    try {
      call.Method();
    } catch (...) {
      handleQueuedException(call.Thread);
    }
    return;
  }
  try {
    call.Method();
  } catch (...) {
    call.Error = std::current_exception();
  }
  CallQueue& q = callQueue();
  {
    std::lock_guard<std::mutex> guard(q.Lock);
    call.Done = true;
  }
  q.CallDone.notify_all();
}

// Captured while the library loads, on the loading thread.
[[maybe_unused]] const TThreadID loadingThread = MainThreadID();

}  // namespace

TThreadID GetCurrentThreadID() { return static_cast<TThreadID>(gettid()); }

TThreadID MainThreadID() {
  static const TThreadID id = GetCurrentThreadID();
  return id;
}

bool IsMainThread() { return GetCurrentThreadID() == MainThreadID(); }

// ---- The GUI queue -------------------------------------------------------------

int MainThreadWakeFd() { return callQueue().Wake.Fd(); }
void WakeMainThread() { callQueue().Wake.SetEvent(); }
void ResetMainThreadWake() { callQueue().Wake.ResetEvent(); }

TNotifyEvent SetApplicationHandleException(TNotifyEvent Handler) {
  CallQueue& q = callQueue();
  std::lock_guard<std::mutex> guard(q.Lock);
  std::swap(q.HandleException, Handler);
  return Handler;
}

bool CheckSynchronize(int TimeoutMs) {
  if (!IsMainThread()) throw EThread("CheckSynchronize was called from a thread that is not the GUI thread");
  CallQueue& q = callQueue();
  std::size_t count;
  {
    std::lock_guard<std::mutex> guard(q.Lock);
    count = q.Pending.size();
  }
  if (count == 0 && TimeoutMs != 0) {
    pollfd fd{q.Wake.Fd(), POLLIN, 0};
    waitReadable(&fd, 1, TimeoutMs);
    q.Wake.ResetEvent();
    std::lock_guard<std::mutex> guard(q.Lock);
    count = q.Pending.size();
  }
  // Only the calls queued so far: a call that queues another one does not
  // keep this loop going.
  bool any = false;
  for (; count > 0; --count) {
    std::shared_ptr<QueuedCall> call = pop();
    if (!call) break;
    run(*call);
    any = true;
  }
  return any;
}

void TThread::Synchronize(TThread* AThread, TThreadMethod Method) {
  if (IsMainThread()) {
    Method();
    return;
  }
  auto call = std::make_shared<QueuedCall>(AThread, std::move(Method), true);
  push(call);
  CallQueue& q = callQueue();
  {
    std::unique_lock<std::mutex> lock(q.Lock);
    q.CallDone.wait(lock, [&] { return call->Done; });
  }
  if (call->Error) std::rethrow_exception(call->Error);
}

void TThread::Queue(TThread* AThread, TThreadMethod Method) {
  push(std::make_shared<QueuedCall>(AThread, std::move(Method), false));
}

void TThread::RemoveQueuedEvents(TThread* AThread) {
  CallQueue& q = callQueue();
  std::lock_guard<std::mutex> guard(q.Lock);
  // Synchronous calls stay: their callers are blocked until they ran.
  std::erase_if(q.Pending,
                [&](const std::shared_ptr<QueuedCall>& c) { return !c->Synchronous && c->Thread == AThread; });
}

// ---- TThread -------------------------------------------------------------------

class TThread::Done : public WakeSignal {};

const TClass& TThread::StaticClass() {
  static const TClass cls = TClassBuilder<TThread>("TThread").Build();
  return cls;
}

TThread::TThread(bool CreateSuspended) : FDone(std::make_unique<Done>()) {
  if (!CreateSuspended) Start();
}

TThread::~TThread() {
  FTerminated = true;
  if (Started()) {
    if (ThreadID() == GetCurrentThreadID()) {
      // A FreeOnTerminate thread ending itself: it was detached already.
      std::lock_guard<std::mutex> guard(FLock);
      if (FHandle.joinable()) FHandle.detach();
    } else {
      WaitForEnd();
      Join();
    }
  }
  RemoveQueuedEvents(this);
}

void TThread::Start() {
  std::lock_guard<std::mutex> guard(FLock);
  if (FStarted) throw EThread("Cannot call Start on a running or suspended thread");
  try {
    FHandle = std::thread([this] { Run(); });
  } catch (const std::system_error& e) {
    throw EThread(std::string("Thread creation error: ") + e.what());
  }
  FStarted = true;
  FThreadID.wait(0);
}

void TThread::Terminate() {
  FTerminated = true;
  TerminatedSet();
}

int TThread::WaitFor() {
  if (!Started()) throw EThread("Cannot wait for a thread that was never started");
  if (FreeOnTerminate()) throw EThread("Cannot wait for a thread that frees itself on termination");
  if (ThreadID() == GetCurrentThreadID()) throw EThread("A thread cannot wait for itself");
  WaitForEnd();
  Join();
  return ReturnValue();
}

void TThread::Run() {
  // So that a stack overflow in Execute becomes its fatal exception.
  PrepareThreadForFaults();
  TScopeExit releaseFaults([] { ReleaseThreadFaults(); });
  FThreadID = GetCurrentThreadID();
  FThreadID.notify_all();
  auto keepFatal = [this] {
    try {
      if (!FFatalException) FFatalException = AcquireException(std::current_exception());
    } catch (...) {
      std::fputs("A thread's fatal exception could not be kept\n", stderr);
    }
  };
  try {
    Execute();
  } catch (...) {
    keepFatal();
  }
  try {
    if (FOnTerminate) Synchronize(this, [this] { FOnTerminate(this); });
  } catch (...) {
    keepFatal();
  }
  bool freeSelf;
  {
    std::lock_guard<std::mutex> guard(FLock);  // Start() has stored FHandle
    freeSelf = FFreeOnTerminate;
    if (freeSelf) FHandle.detach();
  }
  FFinished = true;
  if (freeSelf) {
    delete this;
    return;
  }
  // The owner may delete the thread once it sees the signal; its destructor
  // joins this thread, so nothing here touches the object after that.
  FDone->SetEvent();
}

void TThread::WaitForEnd() {
  pollfd fds[2] = {{FDone->Fd(), POLLIN, 0}, {MainThreadWakeFd(), POLLIN, 0}};
  if (!IsMainThread()) {
    while (!Finished()) waitReadable(fds, 1, -1);
    return;
  }
  while (!Finished()) {
    ResetMainThreadWake();
    CheckSynchronize();
    if (Finished()) return;
    waitReadable(fds, 2, -1);
  }
}

void TThread::Join() {
  std::thread handle;
  {
    std::lock_guard<std::mutex> guard(FLock);
    handle = std::move(FHandle);
  }
  if (handle.joinable()) handle.join();
}

}  // namespace rv
