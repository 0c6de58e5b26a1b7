// The cost of call stacks and fault handling: a throw and catch with a log
// wanting call stacks, and with none, against a throw the C++ runtime makes
// on its own; and a hardware fault up to its record on disk (map loaded),
// against a C++ throw of the same exception.

#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cxxabi.h>
#include <new>
#include <typeinfo>

#include "bench/support/Compare.h"
#include "bench/support/Scratch.h"
#include "exception/LogError.h"
#include "platform/forms/Application.h"

namespace {

using CxaThrow = void (*)(void*, std::type_info*, void (*)(void*));

// The C++ runtime's own throw, past the library's throw-site record.
CxaThrow runtimeThrow() {
  static const CxaThrow real = [] {
    void* runtime = dlopen("libstdc++.so.6", RTLD_LAZY | RTLD_NOLOAD);
    return reinterpret_cast<CxaThrow>(runtime ? dlsym(runtime, "__cxa_throw") : nullptr);
  }();
  return real;
}

[[gnu::noinline]] void ThrowThroughRuntime() {
  void* object = abi::__cxa_allocate_exception(sizeof(rv::EConvertError));
  new (object) rv::EConvertError("'x' is not a valid integer value");
  runtimeThrow()(object, const_cast<std::type_info*>(&typeid(rv::EConvertError)),
                 [](void* e) { static_cast<rv::EConvertError*>(e)->~EConvertError(); });
}

[[gnu::noinline]] void ThrowNormally() { throw rv::EConvertError("'x' is not a valid integer value"); }

template <void (*Thrower)()>
void throwAndCatch(benchmark::State& state) {
  for (auto _ : state) {
    try {
      Thrower();
    } catch (const rv::Exception& e) {
      benchmark::DoNotOptimize(&e);
    }
  }
}

void BM_ThrowRuntimeOnly(benchmark::State& state) {
  if (!runtimeThrow())
    state.SkipWithError("the C++ runtime's throw was not found");
  else
    throwAndCatch<ThrowThroughRuntime>(state);
}

void BM_ThrowNoCallStack(benchmark::State& state) { throwAndCatch<ThrowNormally>(state); }

void BM_ThrowWithCallStack(benchmark::State& state) {
  rv::TCallStackRequest wanted;
  throwAndCatch<ThrowNormally>(state);
}

volatile int* volatile nullTarget = nullptr;
volatile int sink = 0;

[[gnu::noinline]] void ReadNull() { sink = *nullTarget; }
[[gnu::noinline]] void ThrowAccessViolation() { throw rv::EAccessViolation("Access violation"); }

// Through the application's handler into a log with the default formats
// and the source line, as a host's loop would.
template <void (*Crash)()>
void crashToRecord(benchmark::State& state) {
  rv::TQVExceptionLog log(nullptr);
  log.SetFormatting(rv::qvlfXML);
  log.SetLogFile(rvbench::ScratchDir() + "/faults.xml");
  log.SetFormats(log.Formats() + rv::TQVLFormats{rv::lfSourceLine});
  log.SetErrorDialog(rv::edNone);
  log.SetActive(true);
  log.ClearLog();
  rv::Application->RunGuarded(nullptr, [] { Crash(); });  // loads the map
  for (auto _ : state) rv::Application->RunGuarded(nullptr, [] { Crash(); });
  log.ClearLog();
}

void BM_FaultToRecord(benchmark::State& state) { crashToRecord<ReadNull>(state); }
void BM_ThrowToRecord(benchmark::State& state) { crashToRecord<ThrowAccessViolation>(state); }

BENCHMARK(BM_ThrowRuntimeOnly);
BENCHMARK(BM_ThrowNoCallStack);
BENCHMARK(BM_ThrowWithCallStack);
BENCHMARK(BM_FaultToRecord)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ThrowToRecord)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return rvbench::RunAndCompare(
      argc, argv,
      {{"throw+catch, call stack wanted / not wanted", "BM_ThrowWithCallStack", "BM_ThrowNoCallStack", 1.0 / 3},
       {"throw+catch, no call stack / runtime alone", "BM_ThrowNoCallStack", "BM_ThrowRuntimeOnly", 1.0 / 1.1},
       {"fault to record / C++ throw to record", "BM_FaultToRecord", "BM_ThrowToRecord", 0}});
}
