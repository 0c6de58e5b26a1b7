#include "tests/support/LargestAllocation.h"

#include <cstdlib>
#include <new>

namespace {

// Per thread, so allocations of other threads don't count.
thread_local std::size_t* tLargest = nullptr;

void* countedAllocation(std::size_t size) noexcept {
  if (tLargest && size > *tLargest) *tLargest = size;
  return std::malloc(size ? size : 1);
}

}  // namespace

// Every plain form is replaced, so no block of one kind meets a release of
// another (the sanitizers check that).
void* operator new(std::size_t size) {
  if (void* block = countedAllocation(size)) return block;
  throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return countedAllocation(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return countedAllocation(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }
void operator delete(void* block, const std::nothrow_t&) noexcept { std::free(block); }
void operator delete[](void* block, const std::nothrow_t&) noexcept { std::free(block); }

namespace rvtest {

TLargestAllocation::TLargestAllocation() : FOuter(tLargest) { tLargest = &FBytes; }

TLargestAllocation::~TLargestAllocation() {
  tLargest = FOuter;
  if (FOuter && FBytes > *FOuter) *FOuter = FBytes;
}

}  // namespace rvtest
