// The exception being handled, the throw-site record and the standard
// description of an exception.

#include <cxxabi.h>
#include <dlfcn.h>
#include <link.h>
#include <unistd.h>
#include <unwind.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <typeinfo>
#include <utility>
#include <vector>

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/FileUtils.h"
#include "platform/rtl/Format.h"
#include "platform/rtl/Program.h"
#include "platform/rtl/ThrowSites.h"

namespace RV_API rv {

namespace {

// libstdc++ keeps the thrown object's address as the only member of an
// exception_ptr; ThrowAddress reads it from there.
static_assert(sizeof(std::exception_ptr) == sizeof(void*), "unexpected exception_ptr layout");

void* thrownObject(const std::exception_ptr& error) {
  void* object = nullptr;
  std::memcpy(&object, &error, sizeof object);
  return object;
}

using Destructor = void (*)(void*);

// Frames kept per throw: deep enough to name the code that led to a crash,
// small enough to keep every record in static memory.
constexpr std::size_t kMaxFrames = 32;

struct CallStack {
  std::array<void*, kMaxFrames> Frames;  // only the first Count are set
  std::size_t Count = 0;
};

// The call stacks of throws are captured only while someone wants them: a
// walk of the stack costs more than the rest of a throw.
constinit std::atomic<int> callStackRequests{0};

// Set by the fault handler for the throw it is about to make.
thread_local void* nextThrowSite = nullptr;

// The throw sites of the exceptions alive now, keyed by the thrown object. A
// recorded exception's destructor is routed through forgetThrow, so an entry
// lives exactly as long as its exception and a later exception at the same
// address can never find a stale site. Fixed size, since a throw must not
// allocate; with all entries taken, a throw goes unrecorded (its address is
// then unknown).
class ThrowSites {
 public:
  bool Record(const void* object, void* site, Destructor destructor, const CallStack* stack) {
    std::lock_guard<std::mutex> guard(FLock);
    Entry* e = Probe(object, nullptr);
    if (!e) return false;
    e->Object = object;
    e->Site = site;
    e->OwnDestructor = destructor;
    e->Stack.Count = 0;
    if (stack) e->Stack = *stack;
    return true;
  }

  void* Find(const void* object) {
    std::lock_guard<std::mutex> guard(FLock);
    Entry* e = Probe(object, object);
    return e ? e->Site : nullptr;
  }

  std::vector<void*> FindCallStack(const void* object) {
    std::lock_guard<std::mutex> guard(FLock);
    Entry* e = Probe(object, object);
    if (!e) return {};
    const auto first = e->Stack.Frames.begin();
    return std::vector<void*>(first, first + static_cast<std::ptrdiff_t>(e->Stack.Count));
  }

  // Removes the entry and gives the exception's own destructor.
  Destructor Forget(const void* object) {
    std::lock_guard<std::mutex> guard(FLock);
    Entry* e = Probe(object, object);
    if (!e) return nullptr;
    Destructor destructor = e->OwnDestructor;
    e->Object = nullptr;
    return destructor;
  }

 private:
  struct Entry {
    const void* Object = nullptr;
    void* Site = nullptr;
    Destructor OwnDestructor = nullptr;
    CallStack Stack;
  };

  // The entry holding `wanted` (null: a free entry), searched from the
  // object's own place on, so that the usual case reads one entry.
  Entry* Probe(const void* object, const void* wanted) {
    std::size_t start = (reinterpret_cast<std::uintptr_t>(object) * 0x9E3779B97F4A7C15ull) >> 56;
    for (std::size_t i = 0; i < FEntries.size(); ++i) {
      Entry& e = FEntries[(start + i) % FEntries.size()];
      if (e.Object == wanted) return &e;
    }
    return nullptr;
  }

  std::mutex FLock;
  std::array<Entry, 256> FEntries{};
};

// Constant-initialised, so throws during static initialisation are recorded
// too.
constinit ThrowSites throwSites;

void forgetThrow(void* object) {
  if (Destructor own = throwSites.Forget(object)) own(object);
}

// Records a throw from Site (unless the fault handler named the site) and
// gives the destructor to hand to the C++ runtime for the thrown object. Out
// of line, so the throw itself stays a tail call and the unwinder meets no
// extra frame.
[[gnu::noinline]] Destructor recordThrow(void* object, void* site, Destructor own) {
  if (void* faultSite = std::exchange(nextThrowSite, nullptr)) site = faultSite;
  if (callStackRequests.load(std::memory_order_relaxed) == 0)
    return throwSites.Record(object, site, own, nullptr) ? forgetThrow : own;
  CallStack stack;
  stack.Count = CaptureCallStack(stack.Frames.data(), stack.Frames.size(), site);
  return throwSites.Record(object, site, own, &stack) ? forgetThrow : own;
}

struct StackWalk {
  void** Frames;
  std::size_t Max;
  std::size_t Count;
  void* From;
};

_Unwind_Reason_Code collectFrame(_Unwind_Context* context, void* argument) {
  auto& walk = *static_cast<StackWalk*>(argument);
  int beforeInstruction = 0;
  std::uintptr_t ip = _Unwind_GetIPInfo(context, &beforeInstruction);
  if (ip == 0) return _URC_END_OF_STACK;
  // A return address lies after its call; a signal frame's address is the
  // faulting instruction itself.
  if (!beforeInstruction) --ip;
  void* frame = reinterpret_cast<void*>(ip);
  if (walk.Count == 0 && frame != walk.From) return _URC_NO_REASON;
  walk.Frames[walk.Count++] = frame;
  return walk.Count == walk.Max ? _URC_END_OF_STACK : _URC_NO_REASON;
}

using CxaThrow = void (*)(void*, std::type_info*, Destructor);

CxaThrow realCxaThrow() {
  static const CxaThrow real = reinterpret_cast<CxaThrow>(dlsym(RTLD_NEXT, "__cxa_throw"));
  return real;
}

std::string demangled(const std::type_info* type) {
  if (!type) return "unknown";
  int status = 0;
  char* name = abi::__cxa_demangle(type->name(), nullptr, nullptr, &status);
  if (status != 0 || !name) return type->name();
  std::string result(name);
  std::free(name);
  return result;
}

// The exception held by `error` as an Exception: the thrown object itself
// when it is one, otherwise a converted copy stored in `converted`.
Exception* asException(const std::exception_ptr& error, std::unique_ptr<Exception>& converted) {
  if (!error) throw EArgumentException("No exception to handle");
  try {
    std::rethrow_exception(error);
  } catch (Exception& e) {
    return &e;
  } catch (const std::bad_alloc&) {
    converted = std::make_unique<EOutOfMemory>("Out of memory");
  } catch (const std::exception& e) {
    converted = std::make_unique<EStdException>(demangled(abi::__cxa_current_exception_type()), e.what());
  } catch (...) {
    converted = std::make_unique<EStdException>(demangled(abi::__cxa_current_exception_type()), "");
  }
  return converted.get();
}

thread_local TExceptionScope* currentScope = nullptr;

std::string executableName() { return ExtractFileName(ExecutablePath()); }

std::string moduleName(const void* address) {
  Dl_info info{};
  link_map* map = nullptr;
  if (address && dladdr1(address, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) && map && map->l_name &&
      map->l_name[0] != '\0')
    return ExtractFileName(map->l_name);
  // The executable's own link map has no name.
  return executableName();
}

}  // namespace

// ---- The exception being handled ---------------------------------------------

Exception* ExceptObject() { return currentScope ? &currentScope->Object() : nullptr; }

void* ExceptAddr() { return currentScope ? currentScope->Address() : nullptr; }

void* ThrowAddress(const std::exception_ptr& error) {
  const void* object = thrownObject(error);
  return object ? throwSites.Find(object) : nullptr;
}

std::vector<void*> ThrowCallStack(const std::exception_ptr& error) {
  const void* object = thrownObject(error);
  return object ? throwSites.FindCallStack(object) : std::vector<void*>{};
}

std::vector<void*> ExceptCallStack() { return currentScope ? currentScope->CallStack() : std::vector<void*>{}; }

TCallStackRequest::TCallStackRequest() { callStackRequests.fetch_add(1, std::memory_order_relaxed); }

TCallStackRequest::~TCallStackRequest() { callStackRequests.fetch_sub(1, std::memory_order_relaxed); }

void SetNextThrowSite(void* Site) noexcept { nextThrowSite = Site; }

std::size_t CaptureCallStack(void** Frames, std::size_t Max, void* From) noexcept {
  if (Max == 0) return 0;
  StackWalk walk{Frames, Max, 0, From};
  _Unwind_Backtrace(collectFrame, &walk);
  // The walk could not reach From (no unwind information on the way).
  if (walk.Count == 0) Frames[walk.Count++] = From;
  return walk.Count;
}

TExceptionScope::TExceptionScope(std::exception_ptr error)
    : TExceptionScope(error, ThrowAddress(error), ThrowCallStack(error)) {}

TExceptionScope::TExceptionScope(std::exception_ptr error, void* address, std::vector<void*> callStack)
    : FError(std::move(error)),
      FObject(asException(FError, FConverted)),
      FAddress(address),
      FCallStack(std::move(callStack)) {
  FOuter = currentScope;
  currentScope = this;
}

TExceptionScope::~TExceptionScope() { currentScope = FOuter; }

std::shared_ptr<Exception> AcquireException(const std::exception_ptr& error) {
  std::unique_ptr<Exception> converted;
  Exception* object = asException(error, converted);
  if (converted) return std::shared_ptr<Exception>(std::move(converted));
  // Keeps the thrown object alive through a copy of the exception_ptr.
  auto holder = std::make_shared<std::exception_ptr>(error);
  return std::shared_ptr<Exception>(holder, object);
}

std::string ExceptionErrorMessage(const Exception& E, const void* address) {
  std::string message = E.Message();
  if (!message.empty() && message.back() != '.') message += '.';
  return "Exception " + E.ClassName() + " in module " + moduleName(address) + " at " + Format("%p", address) + ".\r\n" +
         message;
}

}  // namespace rv

// Every C++ throw in the process passes here first (this library comes
// before the C++ runtime in symbol lookup), so the throw site is known for
// exceptions raised anywhere, the standard library included. Rethrows do not
// come through here and keep the first site.
// Defined under its own name with the ABI symbol as assembler label, since
// the compilers declare __cxa_throw themselves with differing types. The
// real one is reached by a tail call, so the unwinder meets no extra frame.
extern "C" [[gnu::visibility("default")]] void rvInterposedCxaThrow(void* object, std::type_info* type,
                                                                    void (*destructor)(void*)) asm("__cxa_throw");

extern "C" void rvInterposedCxaThrow(void* object, std::type_info* type, void (*destructor)(void*)) {
  rv::CxaThrow real = rv::realCxaThrow();
  // The call never returns, so its return address may be the first byte of
  // the next function; one byte back lies inside the throwing call.
  void* site = static_cast<char*>(__builtin_return_address(0)) - 1;
  real(object, type, rv::recordThrow(object, site, destructor));
}
