#include "platform/classes/EventSlot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/classes/Events.h"

using namespace rv;

namespace {

using TCountEvent = Closure<void(std::vector<std::string>& Calls)>;

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

TEST(EventSlot, AChainStaysWholeWhateverOrderItsMembersLetGoIn) {
  std::array<int, 3> order{0, 1, 2};
  do {
    TEventSlot<TCountEvent> slot;
    slot.Set(recorder("app"));
    std::vector<std::unique_ptr<THolder>> holders;
    for (const char* name : {"a", "b", "c"}) holders.push_back(std::make_unique<THolder>(name, slot));
    std::vector<std::string> live{"app", "a", "b", "c"};
    ASSERT_EQ(fire(slot), live);
    for (int index : order) {
      std::erase(live, holders[index]->Name);
      holders[index].reset();
      EXPECT_EQ(fire(slot), live) << "after letting go of "
                                  << "abc"[index] << " in order " << order[0] << order[1] << order[2];
    }
  } while (std::next_permutation(order.begin(), order.end()));
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

TEST(EventSlot, TakingOverAgainAndLettingGoTwiceAreHarmless) {
  TEventSlot<TCountEvent> slot;
  slot.Set(recorder("app"));
  THolder a("a", slot);
  a.Takeover.TakeOver(slot, TCountEvent(&a, &THolder::Handle));
  EXPECT_EQ(fire(slot), (std::vector<std::string>{"app", "a"}));
  a.Takeover.Release();
  a.Takeover.Release();
  EXPECT_FALSE(a.Takeover.Holding());
  EXPECT_EQ(fire(slot), (std::vector<std::string>{"app"}));
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
