#pragma once
// TThread: a worker thread with a terminate flag, and the GUI thread's queue
// of calls handed over by workers (Synchronize, Queue, CheckSynchronize).
//
// A derived class overrides Execute. Create it suspended and call Start() as
// the last statement of the most-derived constructor: in C++ a thread started
// from TThread's own constructor could enter Execute before the derived part
// exists. A class whose Execute waits on something of its own overrides
// TerminatedSet() to wake that wait, and its destructor calls Terminate() and
// WaitFor() before its members go away.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "platform/classes/Events.h"
#include "platform/classes/Object.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

// The kernel's id of a thread (as in /proc and the system logs).
using TThreadID = std::uint32_t;
using TThreadMethod = std::function<void()>;

TThreadID GetCurrentThreadID();
// The GUI thread: the thread that loaded the library and initialised the
// application object.
TThreadID MainThreadID();
bool IsMainThread();

class TThread : public TObject {
  RV_CLASS(TThread, TObject)
 public:
  explicit TThread(bool CreateSuspended);
  // Sets the terminate flag and waits for the end of a started thread
  // (serving the GUI queue meanwhile when called on the GUI thread), then
  // removes the thread's pending queued calls. A thread that was never
  // started does not run: its Execute would meet a destroyed object.
  ~TThread() override;
  TThread(const TThread&) = delete;
  TThread& operator=(const TThread&) = delete;

  // Raises EThread when the thread was started before or cannot be created.
  void Start();
  void Terminate();
  bool Terminated() const { return FTerminated.load(); }
  // Waits for the end of Execute and returns ReturnValue(). On the GUI thread
  // the wait keeps running queued and synchronized calls, so a worker blocked
  // in Synchronize always finishes. Raises EThread for a thread that was never
  // started, a FreeOnTerminate thread, or a thread waiting for itself.
  int WaitFor();
  bool Finished() const { return FFinished.load(); }
  bool Started() const { return FStarted.load(); }
  // 0 until the thread was started.
  TThreadID ThreadID() const { return FThreadID.load(); }
  int ReturnValue() const { return FReturnValue.load(); }

  // The thread deletes itself when Execute (and OnTerminate) are done; nobody
  // may wait for it or delete it then.
  bool FreeOnTerminate() const { return FFreeOnTerminate.load(); }
  void SetFreeOnTerminate(bool Value) { FFreeOnTerminate = Value; }
  // The exception that escaped Execute (or OnTerminate), kept here and passed
  // no further; null when none did. Owned by the thread.
  Exception* FatalException() const { return FFatalException.get(); }
  // Run on the GUI thread, through Synchronize, after Execute; Sender is the
  // thread. Set it before Start.
  TNotifyEvent OnTerminate() const { return FOnTerminate; }
  void SetOnTerminate(TNotifyEvent Value) { FOnTerminate = std::move(Value); }

  // Runs Method on the GUI thread and waits until it ran: from a worker it is
  // put on the GUI queue, on the GUI thread it runs at once. An exception
  // escaping Method is raised again in the caller. AThread may be null (any
  // thread may hand work over).
  static void Synchronize(TThread* AThread, TThreadMethod Method);
  // Puts Method on the GUI queue and returns at once, also on the GUI
  // thread. An exception escaping it goes to the application's handler with
  // AThread as the sender.
  static void Queue(TThread* AThread, TThreadMethod Method);
  // Drops the queued calls of AThread that have not run yet.
  static void RemoveQueuedEvents(TThread* AThread);

 protected:
  virtual void Execute() = 0;
  // Called by Terminate() on the terminating thread after the flag is set.
  virtual void TerminatedSet() {}
  void Synchronize(TThreadMethod Method) { Synchronize(this, std::move(Method)); }
  void Queue(TThreadMethod Method) { Queue(this, std::move(Method)); }
  void SetReturnValue(int Value) { FReturnValue = Value; }

 private:
  class Done;
  void Run();
  void WaitForEnd();
  void Join();

  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FStarted{false};
  std::atomic<bool> FFinished{false};
  std::atomic<bool> FFreeOnTerminate{false};
  std::atomic<TThreadID> FThreadID{0};
  std::atomic<int> FReturnValue{0};
  std::shared_ptr<Exception> FFatalException;
  TNotifyEvent FOnTerminate;
  std::unique_ptr<Done> FDone;  // the end-of-thread signal
  std::mutex FLock;             // guards FHandle
  std::thread FHandle;
};

// Runs the calls queued for the GUI thread (GUI thread only; raises EThread
// elsewhere). With nothing queued it waits up to TimeoutMs for a call. True
// when any call ran.
bool CheckSynchronize(int TimeoutMs = 0);

// The GUI thread's wake-up: a descriptor that becomes readable when a call
// is queued for the GUI thread or WakeMainThread() is called. A loop waits
// on it, calls ResetMainThreadWake(), then looks at its queues: the signal
// only says "look again".
int MainThreadWakeFd();
void WakeMainThread();
void ResetMainThreadWake();

// Where an exception escaping a queued call goes: called inside the catch
// handler with the sender. The application object installs its
// HandleException; unset, the exception is written to standard error.
// Returns the previous handler.
TNotifyEvent SetApplicationHandleException(TNotifyEvent Handler);

}  // namespace rv
