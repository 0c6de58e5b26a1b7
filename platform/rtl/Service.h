#pragma once
// TService<T>: the one holder of a replaceable service (mail, system
// information, message boxes, the beep, a store's root...). The service in use
// is the installed one, or the fallback the holder was made with; tests
// install a double for a scope with TServiceScope.

#include <atomic>

#include "platform/rtl/Export.h"

namespace RV_API rv {

template <class T>
class TService {
 public:
  using TFallback = T& (*)();
  explicit constexpr TService(TFallback Fallback) : FFallback(Fallback) {}
  TService(const TService&) = delete;
  TService& operator=(const TService&) = delete;

  T& Get() const {
    if (T* installed = FInstalled.load(std::memory_order_acquire)) return *installed;
    return FFallback();
  }
  // Installs Service (null: the fallback again) and returns the one it replaces.
  T* Install(T* Service) { return FInstalled.exchange(Service, std::memory_order_acq_rel); }
  // Installs Service only while none is: an explicit choice made meanwhile wins.
  bool InstallIfNone(T* Service) {
    T* none = nullptr;
    return FInstalled.compare_exchange_strong(none, Service, std::memory_order_acq_rel);
  }

 private:
  TFallback FFallback;
  std::atomic<T*> FInstalled{nullptr};
};

// Installs a service through its setter for the lifetime of the scope and
// puts the previous one back.
template <class T>
class TServiceScope {
 public:
  using TSetter = T* (*)(T*);
  TServiceScope(TSetter Setter, T& Service) : FSetter(Setter), FPrevious(Setter(&Service)) {}
  ~TServiceScope() { FSetter(FPrevious); }
  TServiceScope(const TServiceScope&) = delete;
  TServiceScope& operator=(const TServiceScope&) = delete;

 private:
  TSetter FSetter;
  T* FPrevious;
};

}  // namespace rv
