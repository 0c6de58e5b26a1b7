// A program of known layout for the map tests: it prints the addresses of
// probes in its code with the lines the map must give for them.
#include <cstdio>
#include <exception>

#include "platform/rtl/Exceptions.h"

#include "tests/exception/mapfixture/Probes.h"

namespace rv_fixture {

RV_FIXTURE_KEEP const void* Here() { return static_cast<const char*>(__builtin_return_address(0)) - 1; }

void Record(const char* probe, const void* address, int line) { std::printf("%s %p %d\n", probe, address, line); }

}  // namespace rv_fixture

int main(int argc, char**) {
  using namespace rv_fixture;
  Record("Compute", reinterpret_cast<const void*>(&Compute), kComputeLine);
  Record("main.line", Here(), __LINE__);
  try {
    Fail(argc);
  } catch (...) {
    // Where the framework says the exception being handled was raised.
    const rv::TExceptionScope scope(std::current_exception());
    Record("Fail.throw", rv::ExceptAddr(), kFailLine);
  }
  const TWorker worker(argc);
  return worker.Run(argc) > 0 ? 0 : 1;
}
