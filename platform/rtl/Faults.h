#pragma once
// Hardware faults as exceptions. While a TFaultHandling exists, a fault in
// code built with -fnon-call-exceptions -fasynchronous-unwind-tables is
// thrown from the faulting instruction as its classic exception
// (EAccessViolation, EDivByZero, EStackOverflow...), with that instruction
// as ExceptAddr, and is caught like any other exception.
//
// A fault that can't become an exception (code without unwind information,
// a fault inside a signal handler or during unwinding, a second fault while
// one is handled) and std::terminate reach the last chance: the receivers
// write what they can, then the process ends as it would have without us
// (same signal, same core dump). Faults that aren't ours (sent signals, or
// faults a handler installed before us may take) go to that handler.

#include "platform/rtl/Export.h"

namespace RV_API rv {

// Told of a fault or a std::terminate that ends the process, inside a
// TExceptionScope of the exception that ends it. Runs on the crashing
// thread in whatever state it is in: it must not wait without bound, and
// nothing may escape it.
class TLastChanceReceiver {
 public:
  virtual void LastChance() noexcept = 0;

 protected:
  ~TLastChanceReceiver() = default;
};

// Installs the fault handlers (the first one alive) and registers Receiver
// for the last chance; the last one destroyed puts back the handlers found
// at installation.
class TFaultHandling {
 public:
  explicit TFaultHandling(TLastChanceReceiver& Receiver);
  ~TFaultHandling();
  TFaultHandling(const TFaultHandling&) = delete;
  TFaultHandling& operator=(const TFaultHandling&) = delete;

 private:
  TLastChanceReceiver& FReceiver;
  const void* FThread;  // identifies the thread whose alternate stack it holds
};

// Gives the calling thread an alternate signal stack, so that a stack
// overflow can still be handled, until the thread has released it as often
// as it prepared it. The framework's threads hold one while they run; a
// TFaultHandling holds one for the thread creating it, given back when it is
// destroyed on that thread. A thread's end releases nothing by itself: a
// thread-local destructor on the main thread would keep the library from
// ever being unloaded.
void PrepareThreadForFaults();
void ReleaseThreadFaults();

}  // namespace rv
