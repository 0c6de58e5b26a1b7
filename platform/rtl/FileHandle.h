#pragma once
// TFileHandle: an owned file descriptor, closed when the owner goes.

#include <utility>

#include "platform/rtl/Export.h"

namespace RV_API rv {

class TFileHandle {
 public:
  TFileHandle() = default;
  explicit TFileHandle(int fd) : FFd(fd) {}
  ~TFileHandle() { Reset(); }
  TFileHandle(TFileHandle&& other) noexcept : FFd(other.Release()) {}
  TFileHandle& operator=(TFileHandle&& other) noexcept {
    if (this != &other) Reset(other.Release());
    return *this;
  }
  TFileHandle(const TFileHandle&) = delete;
  TFileHandle& operator=(const TFileHandle&) = delete;

  int Get() const { return FFd; }
  bool Valid() const { return FFd >= 0; }
  explicit operator bool() const { return Valid(); }
  // Gives up ownership: the caller closes the descriptor.
  int Release() { return std::exchange(FFd, -1); }
  void Reset(int fd = -1);

 private:
  int FFd = -1;
};

}  // namespace rv
