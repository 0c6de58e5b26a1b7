#pragma once
// Measures memory use without timing: the largest single block this thread
// asks operator new for while a probe lives. A test program that uses it
// gets a counting global operator new (plain malloc underneath).

#include <cstddef>

namespace rvtest {

class TLargestAllocation {
 public:
  TLargestAllocation();
  ~TLargestAllocation();
  TLargestAllocation(const TLargestAllocation&) = delete;
  TLargestAllocation& operator=(const TLargestAllocation&) = delete;

  std::size_t Bytes() const { return FBytes; }

 private:
  std::size_t FBytes = 0;
  std::size_t* FOuter;  // a probe that was active before this one
};

}  // namespace rvtest
