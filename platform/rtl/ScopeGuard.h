#pragma once
// Scope helpers: run a step on every path out of a block, or change a value
// for the length of a block and put the old one back.

#include <utility>

#include "platform/rtl/Export.h"

namespace RV_API rv {

template <class F>
class TScopeExit {
 public:
  explicit TScopeExit(F Fn) : FFn(std::move(Fn)) {}
  ~TScopeExit() {
    if (FArmed) FFn();
  }
  TScopeExit(const TScopeExit&) = delete;
  TScopeExit& operator=(const TScopeExit&) = delete;
  // The step is no longer needed (the block succeeded).
  void Dismiss() { FArmed = false; }

 private:
  F FFn;
  bool FArmed = true;
};

template <class T>
class TemporaryChange {
 public:
  TemporaryChange(T& Target, T Value) : FTarget(Target), FOld(std::exchange(Target, std::move(Value))) {}
  ~TemporaryChange() { FTarget = std::move(FOld); }
  TemporaryChange(const TemporaryChange&) = delete;
  TemporaryChange& operator=(const TemporaryChange&) = delete;

 private:
  T& FTarget;
  T FOld;
};

}  // namespace rv
