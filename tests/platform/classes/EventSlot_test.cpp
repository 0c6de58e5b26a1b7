#include "platform/classes/EventSlot.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/classes/Events.h"

using namespace rv;

namespace {

using TCountEvent = Closure<void(std::vector<std::string>& Calls)>;

// Whole chains, let go of in every order, are tested with the components
// that use this (tests/applog).

// A component that takes the slot over and, when called, calls what it saved
// first and then records itself.
struct THolder {
  THolder(std::string name, TEventSlot<TCountEvent>& slot) : Name(std::move(name)) {
    Takeover.TakeOver(slot, TCountEvent(this, &THolder::Handle));
  }
  void Handle(std::vector<std::string>& calls) {
    if (const TCountEvent& previous = Takeover.Previous()) previous(calls);
    calls.push_back(Name);
  }
  std::string Name;
  TEventTakeover<TCountEvent> Takeover;
};

std::vector<std::string> fire(const TEventSlot<TCountEvent>& slot) {
  std::vector<std::string> calls;
  if (slot) slot(calls);
  return calls;
}

TCountEvent recorder(const std::string& name) {
  return [name](std::vector<std::string>& calls) { calls.push_back(name); };
}

TEST(EventSlot, AHandlerPutThereLaterStaysAndStillReachesTheChain) {
  TEventSlot<TCountEvent> slot;
  slot.Set(recorder("app"));
  auto a = std::make_unique<THolder>("a", slot);
  auto b = std::make_unique<THolder>("b", slot);
  // The application installs its own handler over the chain and calls b's.
  TCountEvent chained = slot.Handler();
  TCountEvent later = [&chained](std::vector<std::string>& calls) {
    chained(calls);
    calls.push_back("later");
  };
  slot.Set(later);
  a.reset();
  EXPECT_TRUE(slot.Handler() == later);
  EXPECT_EQ(fire(slot), (std::vector<std::string>{"app", "b", "later"}));
  b->Takeover.Release();
  EXPECT_TRUE(slot.Handler() == later) << "a slot is given back only while it holds the taker's handler";
  EXPECT_FALSE(b->Takeover.Previous());
}

TEST(EventSlot, ASlotMayGoBeforeItsTakers) {
  auto slot = std::make_unique<TEventSlot<TCountEvent>>();
  THolder a("a", *slot);
  THolder b("b", *slot);
  slot.reset();
  EXPECT_FALSE(a.Takeover.Holding());
  EXPECT_FALSE(b.Takeover.Holding());
}

}  // namespace
