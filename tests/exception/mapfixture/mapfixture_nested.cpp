// A program with one function whose symbol demangles to gigabytes; it
// prints that function's address as the other fixture prints its probes.
#include <cstdio>

#include "tests/exception/mapfixture/Probes.h"

void Nested() __asm__(RV_FIXTURE_NESTED_NAME);
RV_FIXTURE_KEEP void Nested() {}

int main() {
  std::printf("Nested %p 0\n", reinterpret_cast<const void*>(&Nested));
  return 0;
}
