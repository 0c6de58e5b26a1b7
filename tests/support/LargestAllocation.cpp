#include "tests/support/LargestAllocation.h"

#include <cstdlib>
#include <new>

namespace {

// Per thread, so allocations of other threads don't count.
thread_local std::size_t* tLargest = nullptr;

}  // namespace

void* operator new(std::size_t size) {
  if (tLargest && size > *tLargest) *tLargest = size;
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace rvtest {

TLargestAllocation::TLargestAllocation() : FOuter(tLargest) { tLargest = &FBytes; }

TLargestAllocation::~TLargestAllocation() {
  tLargest = FOuter;
  if (FOuter && FBytes > *FOuter) *FOuter = FBytes;
}

}  // namespace rvtest
