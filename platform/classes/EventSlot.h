#pragma once
// TEventSlot<E>: an event slot of a framework object (the application's and
// the screen's events) that components can take over. TEventTakeover<E>: one
// component's hold on such a slot.
//
// Taking over saves the handler the slot holds and installs the component's
// own; the component calls the saved one (Previous) itself. Components that
// take over the same slot form a chain in the order they took over. Letting
// go gives the slot back only while it still holds this component's handler:
// a handler put there later, by the application or another component, stays.
// Whoever saved this component's handler calls what this component had saved
// from then on, so no chain ever calls a component that let go, and no live
// handler drops out of it, whatever order components let go in.
//
// GUI thread only, like the slots themselves.

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/rtl/Export.h"

namespace RV_API rv {

template <class E>
class TEventTakeover;

template <class E>
class TEventSlot {
 public:
  TEventSlot() = default;
  TEventSlot(const TEventSlot&) = delete;
  TEventSlot& operator=(const TEventSlot&) = delete;
  // The object holding the slot may go first: its takeovers then have
  // nothing left to give back.
  ~TEventSlot() {
    for (TEventTakeover<E>* t : FTakeovers) t->FSlot = nullptr;
  }

  const E& Handler() const { return FHandler; }
  void Set(E Value) { FHandler = std::move(Value); }

  explicit operator bool() const { return static_cast<bool>(FHandler); }
  template <class... A>
  decltype(auto) operator()(A&&... args) const {
    return FHandler(std::forward<A>(args)...);
  }

 private:
  friend class TEventTakeover<E>;
  E FHandler;
  // The takeovers holding this slot now, in the order they took it over.
  std::vector<TEventTakeover<E>*> FTakeovers;
};

template <class E>
class TEventTakeover {
 public:
  TEventTakeover() = default;
  TEventTakeover(const TEventTakeover&) = delete;
  TEventTakeover& operator=(const TEventTakeover&) = delete;
  ~TEventTakeover() { Release(); }

  // Saves what Slot holds and installs Own. A takeover holds one slot at a
  // time: taking over again lets go of the first one.
  void TakeOver(TEventSlot<E>& Slot, E Own) {
    Release();
    FSlot = &Slot;
    FOwn = std::move(Own);
    FPrevious = Slot.FHandler;
    Slot.FHandler = FOwn;
    Slot.FTakeovers.push_back(this);
  }

  // Gives the slot back (see above); nothing when not holding one.
  void Release() {
    if (!FSlot) return;
    TEventSlot<E>& slot = *FSlot;
    std::erase(slot.FTakeovers, this);
    for (TEventTakeover<E>* later : slot.FTakeovers)
      if (later->FPrevious == FOwn) later->FPrevious = FPrevious;
    if (slot.FHandler == FOwn) slot.FHandler = FPrevious;
    FSlot = nullptr;
    FPrevious = nullptr;
    FOwn = nullptr;
  }

  bool Holding() const { return FSlot != nullptr; }
  // The handler to call before this component's own; empty when there was
  // none, and after letting go.
  const E& Previous() const { return FPrevious; }

 private:
  friend class TEventSlot<E>;
  TEventSlot<E>* FSlot = nullptr;
  E FOwn;
  E FPrevious;
};

}  // namespace rv
