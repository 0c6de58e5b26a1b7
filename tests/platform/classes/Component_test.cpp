#include "platform/classes/Component.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classes/Published.h"
#include "platform/rtl/Exceptions.h"

using namespace rv;

namespace {

std::vector<std::string> events;

// Records its destruction and what it was told, and can take a sibling down
// with it.
class TProbe : public TComponent {
  RV_CLASS(TProbe, TComponent)
 public:
  explicit TProbe(TComponent* owner, std::string name) : TComponent(owner) { SetName(name); }
  ~TProbe() override {
    events.push_back("~" + Name() + (ComponentState().Contains(csDestroying) ? " destroying" : ""));
    delete Victim;
  }
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == opRemove && !c->Name().empty()) events.push_back(Name() + " told " + c->Name() + " removed");
  }
  TComponent* Victim = nullptr;
};

const TClass& TProbe::StaticClass() {
  static const TClass cls = TClassBuilder<TProbe>("TProbe").Build();
  return cls;
}

class ComponentTest : public ::testing::Test {
 protected:
  void SetUp() override { events.clear(); }
};

TEST_F(ComponentTest, OwnerDestroysItsComponentsLastFirstAndMarksThemDestroying) {
  auto* owner = new TProbe(nullptr, "Owner");
  new TProbe(owner, "A");
  auto* b = new TProbe(owner, "B");
  new TProbe(b, "B1");
  events.clear();
  delete owner;
  EXPECT_EQ(events, (std::vector<std::string>{"~Owner", "~B destroying", "~B1 destroying", "~A destroying"}));
}

TEST_F(ComponentTest, ADestructorMayDestroyASibling) {
  auto* owner = new TProbe(nullptr, "Owner");
  auto* a = new TProbe(owner, "A");
  auto* b = new TProbe(owner, "B");
  b->Victim = a;  // B, destroyed first, takes A with it; A must not be destroyed twice
  events.clear();
  delete owner;
  EXPECT_EQ(events, (std::vector<std::string>{"~Owner", "~B destroying", "~A destroying"}));
}

TEST_F(ComponentTest, DestroyingAComponentTellsItsOwnerTreeAndFreeNotificationPartners) {
  TProbe form(nullptr, "Form");
  auto* a = new TProbe(&form, "A");
  auto* b = new TProbe(&form, "B");
  TProbe outsider(nullptr, "Outsider");
  a->FreeNotification(&outsider);
  events.clear();
  delete a;
  // The owner passes the news down its tree before handling it itself.
  EXPECT_EQ(events,
            (std::vector<std::string>{"~A", "Outsider told A removed", "B told A removed", "Form told A removed"}));
  EXPECT_EQ(form.ComponentCount(), 1);
  EXPECT_EQ(form.Components(0), b);
}

TEST_F(ComponentTest, FreeNotificationIsUnlinkedWhicheverSideDiesFirst) {
  auto* a = new TProbe(nullptr, "A");
  auto* b = new TProbe(nullptr, "B");
  a->FreeNotification(b);
  delete b;  // A must forget B, or A's destructor would notify freed memory
  events.clear();
  delete a;
  EXPECT_EQ(events, (std::vector<std::string>{"~A"}));
}

TEST_F(ComponentTest, NamesAreIdentifiersUniqueWithinTheOwner) {
  TComponent owner(nullptr);
  auto* a = new TComponent(&owner);
  a->SetName("Log1");
  auto* b = new TComponent(&owner);
  EXPECT_THROW(b->SetName("log1"), EComponentError);
  for (const char* bad : {"1Log", "Log 1", "Log-1", "Lög"}) EXPECT_THROW(b->SetName(bad), EComponentError) << bad;
  b->SetName("Log2");
  b->SetName("");
  EXPECT_EQ(owner.FindComponent("LOG1"), a);
  EXPECT_EQ(owner.FindComponent(""), nullptr);
  EXPECT_THROW(owner.Components(5), EListError);
}

TEST_F(ComponentTest, AssignIsRefusedUnlessAClassProvidesIt) {
  TComponent a(nullptr);
  TComponent b(nullptr);
  try {
    a.Assign(&b);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Cannot assign a TComponent to a TComponent");
  }
  EXPECT_THROW(a.Assign(nullptr), EConvertError);
}

}  // namespace
