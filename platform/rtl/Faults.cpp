#include "platform/rtl/Faults.h"

#include <link.h>
#include <signal.h>
#include <sys/mman.h>
#include <ucontext.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <mutex>
#include <string_view>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/ThrowSites.h"

// The unwinder's lookup of a code address's frame description (libgcc).
struct dwarf_eh_bases {
  void* tbase;
  void* dbase;
  void* func;
};
extern "C" const void* _Unwind_Find_FDE(void* pc, dwarf_eh_bases* bases);

namespace RV_API rv {

namespace {

constexpr std::array<int, 4> kSignals = {SIGSEGV, SIGBUS, SIGFPE, SIGILL};
// Room for composing and writing a record on the alternate stack.
constexpr std::size_t kAltStackSize = 256 * 1024;
// Given back to the heap at the last chance, so a record can be composed
// when memory has run out.
constexpr std::size_t kReserveSize = 64 * 1024;
constexpr std::size_t kMaxReceivers = 32;
constexpr std::size_t kLastChanceFrames = 32;
// The longest a last record may take before the process ends regardless.
constexpr unsigned kLastChanceSeconds = 5;
// A fault this close to the stack pointer is the stack running out.
constexpr std::uintptr_t kStackFaultReach = 64 * 1024;

// A fault exception remembers its signal, so that one escaping to
// std::terminate ends the process with that signal.
class TFaultOrigin {
 public:
  explicit TFaultOrigin(int signal) : FSignal(signal) {}
  virtual ~TFaultOrigin() = default;
  int Signal() const { return FSignal; }

 private:
  int FSignal;
};

template <class E>
class TFault : public E, public TFaultOrigin {
 public:
  TFault(int signal, std::string message) : E(std::move(message)), TFaultOrigin(signal) {}
};

struct TCodeRange {
  std::uintptr_t First = 0;
  std::uintptr_t End = 0;
};

struct TFaultState {
  std::mutex Lock;  // installation and removal
  int Installed = 0;
  std::array<struct sigaction, kSignals.size()> Previous{};
  std::terminate_handler PreviousTerminate = nullptr;
  std::array<std::atomic<TLastChanceReceiver*>, kMaxReceivers> Receivers{};
  std::atomic<void*> Reserve{nullptr};
  // The C library and the loader: not built to throw, and a fault there
  // may hold the heap's or the loader's lock that a throw needs.
  std::array<TCodeRange, 8> Refused{};
  std::atomic<int> WatchdogSignal{0};
};

TFaultState& faultState() {
  static TFaultState state;
  return state;
}

// Plain flags of the thread, readable in a signal handler.
struct TThreadFaults {
  bool Handling = false;    // between a fault's arrival and its throw
  bool LastChance = false;  // writing the last record
};
thread_local TThreadFaults threadFaults;

// The alternate signal stack of a thread, with a guard page below it, and
// how often the thread asked for it. Trivially destroyed, see
// ReleaseThreadFaults.
struct TAltStack {
  void* Base = nullptr;
  std::size_t Size = 0;
  int Holds = 0;
};
thread_local TAltStack threadAltStack;

void mapAltStack(TAltStack& alt) {
  stack_t current{};
  // One the thread has already (a sanitizer's, the host's) stays.
  if (sigaltstack(nullptr, &current) == 0 && !(current.ss_flags & SS_DISABLE)) return;
  const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
  const std::size_t size = kAltStackSize + page;
  void* base = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_STACK, -1, 0);
  if (base == MAP_FAILED) return;
  mprotect(base, page, PROT_NONE);
  stack_t stack{};
  stack.ss_sp = static_cast<char*>(base) + page;
  stack.ss_size = kAltStackSize;
  if (sigaltstack(&stack, nullptr) != 0) {
    munmap(base, size);
    return;
  }
  alt.Base = base;
  alt.Size = size;
}

void unmapAltStack(TAltStack& alt) {
  if (!alt.Base) return;
  stack_t off{};
  off.ss_flags = SS_DISABLE;
  sigaltstack(&off, nullptr);
  munmap(alt.Base, alt.Size);
  alt.Base = nullptr;
  alt.Size = 0;
}

int signalIndex(int signal) {
  for (std::size_t i = 0; i < kSignals.size(); ++i)
    if (kSignals[i] == signal) return static_cast<int>(i);
  return -1;
}

int collectRefused(dl_phdr_info* info, std::size_t, void* argument) {
  auto& refused = *static_cast<std::array<TCodeRange, 8>*>(argument);
  const std::string_view name = info->dlpi_name ? info->dlpi_name : "";
  if (name.find("/libc.so") == std::string_view::npos && name.find("/ld-linux") == std::string_view::npos) return 0;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& header = info->dlpi_phdr[i];
    if (header.p_type != PT_LOAD || !(header.p_flags & PF_X)) continue;
    for (TCodeRange& range : refused) {
      if (range.End != 0) continue;
      range.First = info->dlpi_addr + header.p_vaddr;
      range.End = range.First + header.p_memsz;
      break;
    }
  }
  return 0;
}

bool inRefusedCode(const void* pc) {
  const auto address = reinterpret_cast<std::uintptr_t>(pc);
  for (const TCodeRange& range : faultState().Refused)
    if (address >= range.First && address < range.End) return true;
  return false;
}

bool hasUnwindInformation(void* pc) {
  dwarf_eh_bases bases{};
  return _Unwind_Find_FDE(pc, &bases) != nullptr;
}

void* instructionOf(const ucontext_t& context) {
#if defined(__x86_64__)
  return reinterpret_cast<void*>(context.uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
  return reinterpret_cast<void*>(context.uc_mcontext.pc);
#else
#error "Fault handling knows the instruction pointer of x86-64 and AArch64 only"
#endif
}

std::uintptr_t stackPointerOf(const ucontext_t& context) {
#if defined(__x86_64__)
  return static_cast<std::uintptr_t>(context.uc_mcontext.gregs[REG_RSP]);
#else
  return static_cast<std::uintptr_t>(context.uc_mcontext.sp);
#endif
}

bool isWrite(const ucontext_t& context) {
#if defined(__x86_64__)
  // Bit 1 of the page fault's error code: the access was a write.
  return (context.uc_mcontext.gregs[REG_ERR] & 2) != 0;
#else
  (void)context;
  return false;
#endif
}

bool isStackOverflow(const siginfo_t& info, const ucontext_t& context) {
  const auto address = reinterpret_cast<std::uintptr_t>(info.si_addr);
  const std::uintptr_t sp = stackPointerOf(context);
  const std::uintptr_t distance = address > sp ? address - sp : sp - address;
  return distance < kStackFaultReach;
}

// Calls Action with the exception that stands for the fault.
template <class Action>
decltype(auto) withFaultException(int signal, const siginfo_t& info, const ucontext_t& context, Action action) {
  void* pc = instructionOf(context);
  switch (signal) {
    case SIGSEGV:
    case SIGBUS:
      if (signal == SIGSEGV && isStackOverflow(info, context))
        return action(TFault<EStackOverflow>(signal, "Stack overflow"));
      return action(TFault<EAccessViolation>(
          signal, Format(isWrite(context) ? "Access violation at address %p. Write of address %p"
                                          : "Access violation at address %p. Read of address %p",
                         pc, info.si_addr)));
    case SIGFPE:
      switch (info.si_code) {
        case FPE_INTDIV: return action(TFault<EDivByZero>(signal, "Division by zero"));
        case FPE_INTOVF: return action(TFault<EIntOverflow>(signal, "Integer overflow"));
        case FPE_FLTDIV: return action(TFault<EZeroDivide>(signal, "Floating point division by zero"));
        case FPE_FLTOVF: return action(TFault<EOverflow>(signal, "Floating point overflow"));
        case FPE_FLTUND: return action(TFault<EUnderflow>(signal, "Floating point underflow"));
        default: return action(TFault<EInvalidOp>(signal, "Invalid floating point operation"));
      }
    default: return action(TFault<EPrivilege>(signal, "Privileged instruction"));
  }
}

// The default action for Signal, unblocked: what the process would meet
// without us.
void restoreDefault(int signal) {
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  sigaction(signal, &action, nullptr);
  sigset_t unblock;
  sigemptyset(&unblock);
  sigaddset(&unblock, signal);
  pthread_sigmask(SIG_UNBLOCK, &unblock, nullptr);
}

[[noreturn]] void endWith(int signal) {
  restoreDefault(signal);
  raise(signal);
  _exit(128 + signal);
}

void onWatchdog(int) { endWith(faultState().WatchdogSignal.load()); }

// Bounds the time the last record may take (the heap's lock may be held by
// the fault itself), when the host leaves the alarm signal alone.
void armWatchdog(int signal) {
  struct sigaction current {};
  if (sigaction(SIGALRM, nullptr, &current) != 0) return;
  if ((current.sa_flags & SA_SIGINFO) || current.sa_handler != SIG_DFL) return;
  faultState().WatchdogSignal = signal;
  struct sigaction action {};
  action.sa_handler = onWatchdog;
  sigemptyset(&action.sa_mask);
  sigaction(SIGALRM, &action, nullptr);
  alarm(kLastChanceSeconds);
}

void tellReceivers() {
  for (auto& slot : faultState().Receivers)
    if (TLastChanceReceiver* receiver = slot.load()) receiver->LastChance();
}

void prepareLastChance(int signal) {
  threadFaults.LastChance = true;
  armWatchdog(signal);
  std::free(faultState().Reserve.exchange(nullptr));
}

// Writes the record of a fault that can't become an exception and puts the
// default action back; the faulting instruction then runs again on return
// and ends the process as it would have without us.
void lastChance(int signal, const siginfo_t& info, const ucontext_t& context) {
  prepareLastChance(signal);
  void* pc = instructionOf(context);
  std::array<void*, kLastChanceFrames> frames{};
  const std::size_t count = CaptureCallStack(frames.data(), frames.size(), pc);
  try {
    std::exception_ptr error =
        withFaultException(signal, info, context, [](auto&& exception) { return std::make_exception_ptr(exception); });
    TExceptionScope scope(error, pc, std::vector<void*>(frames.begin(), frames.begin() + count));
    tellReceivers();
  } catch (...) {
    // Nothing more can be done for the record; the process ends all the same.
  }
  restoreDefault(signal);
}

// Hands a fault to the handler that was installed before us.
void passOn(int signal, siginfo_t* info, void* context) {
  const struct sigaction& previous = faultState().Previous[static_cast<std::size_t>(signalIndex(signal))];
  if (previous.sa_flags & SA_SIGINFO) {
    previous.sa_sigaction(signal, info, context);
  } else if (previous.sa_handler == SIG_DFL) {
    // A sent signal must be raised again; a fault happens again on return.
    if (info->si_code <= 0) endWith(signal);
    restoreDefault(signal);
  } else if (previous.sa_handler != SIG_IGN) {
    previous.sa_handler(signal);
  }
}

bool previousTakesFaults(int signal) {
  const struct sigaction& previous = faultState().Previous[static_cast<std::size_t>(signalIndex(signal))];
  return (previous.sa_flags & SA_SIGINFO) || (previous.sa_handler != SIG_DFL && previous.sa_handler != SIG_IGN);
}

void onFault(int signal, siginfo_t* info, void* rawContext) {
  const auto& context = *static_cast<const ucontext_t*>(rawContext);
  // Sent by kill or raise: not a fault of the code.
  if (info->si_code <= 0) {
    passOn(signal, info, rawContext);
    return;
  }
  TThreadFaults& thread = threadFaults;
  if (thread.LastChance) {
    restoreDefault(signal);
    return;
  }
  void* pc = instructionOf(context);
  const bool throwable =
      !thread.Handling && std::uncaught_exceptions() == 0 && !inRefusedCode(pc) && hasUnwindInformation(pc);
  if (!throwable) {
    if (previousTakesFaults(signal))
      passOn(signal, info, rawContext);
    else
      lastChance(signal, *info, context);
    return;
  }
  thread.Handling = true;
  withFaultException(signal, *info, context, [&](auto&& exception) {
    threadFaults.Handling = false;
    SetNextThrowSite(pc);
    throw exception;
  });
}

void onTerminate() {
  TFaultState& state = faultState();
  const std::terminate_handler previous = state.PreviousTerminate;
  int signal = 0;
  if (std::exception_ptr error = std::current_exception(); error && !threadFaults.LastChance) {
    try {
      TExceptionScope scope(error);
      if (const auto* origin = dynamic_cast<const TFaultOrigin*>(&scope.Object())) signal = origin->Signal();
      prepareLastChance(signal ? signal : SIGABRT);
      tellReceivers();
    } catch (...) {
      // The process ends all the same.
    }
  }
  if (signal) endWith(signal);
  if (previous) previous();
  std::abort();
}

void addReceiver(TLastChanceReceiver* receiver) {
  for (auto& slot : faultState().Receivers) {
    TLastChanceReceiver* empty = nullptr;
    if (slot.compare_exchange_strong(empty, receiver)) return;
  }
}

void removeReceiver(TLastChanceReceiver* receiver) {
  for (auto& slot : faultState().Receivers) {
    TLastChanceReceiver* expected = receiver;
    if (slot.compare_exchange_strong(expected, nullptr)) return;
  }
}

void install(TFaultState& state) {
  dl_iterate_phdr(collectRefused, &state.Refused);
  state.Reserve = std::malloc(kReserveSize);
  struct sigaction action {};
  action.sa_sigaction = onFault;
  // Not deferred: the handler leaves by throwing, so the signal must stay
  // unblocked for the next fault.
  action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < kSignals.size(); ++i) sigaction(kSignals[i], &action, &state.Previous[i]);
  state.PreviousTerminate = std::set_terminate(onTerminate);
}

void uninstall(TFaultState& state) {
  for (std::size_t i = 0; i < kSignals.size(); ++i) {
    struct sigaction current {};
    // A handler installed after ours stays.
    if (sigaction(kSignals[i], nullptr, &current) == 0 && (current.sa_flags & SA_SIGINFO) &&
        current.sa_sigaction == onFault)
      sigaction(kSignals[i], &state.Previous[i], nullptr);
  }
  if (std::get_terminate() == onTerminate) std::set_terminate(state.PreviousTerminate);
  std::free(state.Reserve.exchange(nullptr));
  state.Refused = {};
}

}  // namespace

void PrepareThreadForFaults() {
  if (threadAltStack.Holds++ == 0) mapAltStack(threadAltStack);
}

void ReleaseThreadFaults() {
  if (threadAltStack.Holds > 0 && --threadAltStack.Holds == 0) unmapAltStack(threadAltStack);
}

TFaultHandling::TFaultHandling(TLastChanceReceiver& Receiver) : FReceiver(Receiver), FThread(&threadAltStack) {
  TFaultState& state = faultState();
  std::lock_guard<std::mutex> guard(state.Lock);
  PrepareThreadForFaults();
  addReceiver(&FReceiver);
  if (state.Installed++ == 0) install(state);
}

TFaultHandling::~TFaultHandling() {
  TFaultState& state = faultState();
  std::lock_guard<std::mutex> guard(state.Lock);
  removeReceiver(&FReceiver);
  if (--state.Installed == 0) uninstall(state);
  if (FThread == &threadAltStack) ReleaseThreadFaults();
}

}  // namespace rv
