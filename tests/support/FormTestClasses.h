#pragma once
// Components with one published property of every kind, for the form file
// and component model tests and the form reader's fuzz target.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classes/Collection.h"
#include "platform/classes/Component.h"
#include "platform/classes/Events.h"
#include "platform/classes/Strings.h"

namespace rvtest {

using namespace rv;

RV_ENUM(TTestColour, std::uint8_t, tcRed, tcGreen, tcBlue)
using TTestColours = Set<TTestColour, std::uint8_t>;

// What the tests observe: the order in which writers ran and whether the
// component was loading at the time.
struct SetterLog {
  std::vector<std::string> Calls;
  void Add(const TComponent* c, const std::string& prop) {
    Calls.push_back(c->Name() + "." + prop + (c->ComponentState().Contains(csLoading) ? "+loading" : ""));
  }
};
SetterLog& Log();

class TTestSettings : public TPersistent {
  RV_CLASS(TTestSettings, TPersistent)
 public:
  const std::string& Address() const { return FAddress; }
  void SetAddress(const std::string& v) { FAddress = v; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool v) { FEnabled = v; }

 private:
  std::string FAddress;
  bool FEnabled = true;
};

class TTestItem : public TCollectionItem {
  RV_CLASS(TTestItem, TCollectionItem)
 public:
  explicit TTestItem(TCollection* c) : TCollectionItem(c) {}
  int Weight() const { return FWeight; }
  void SetWeight(int v) { FWeight = v; }
  const std::string& Label() const { return FLabel; }
  void SetLabel(const std::string& v) { FLabel = v; }
  void Assign(const TPersistent* Source) override;

 private:
  int FWeight = 0;
  std::string FLabel;
};

// A descendant item, stored with its class name.
class TTestHeavyItem : public TTestItem {
  RV_CLASS(TTestHeavyItem, TTestItem)
 public:
  explicit TTestHeavyItem(TCollection* c) : TTestItem(c) {}
  int Load() const { return FLoad; }
  void SetLoad(int v) { FLoad = v; }

 private:
  int FLoad = 0;
};

// The base class: its properties come first in the file and are applied first.
class TTestBase : public TComponent {
  RV_CLASS(TTestBase, TComponent)
 public:
  explicit TTestBase(TComponent* AOwner) : TComponent(AOwner) {}
  bool Active() const { return FActive; }
  void SetActive(bool v) {
    Log().Add(this, "Active");
    FActive = v;
  }
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& v) {
    Log().Add(this, "Caption");
    FCaption = v;
  }

 private:
  bool FActive = false;
  std::string FCaption;
};

class TTestComponent : public TTestBase {
  RV_CLASS(TTestComponent, TTestBase)
 public:
  explicit TTestComponent(TComponent* AOwner);
  ~TTestComponent() override;

  int Count() const { return FCount; }
  void SetCount(int v) {
    Log().Add(this, "Count");
    FCount = v;
  }
  TTestColour Colour() const { return FColour; }
  void SetColour(TTestColour v) {
    Log().Add(this, "Colour");
    FColour = v;
  }
  TTestColours Colours() const { return FColours; }
  void SetColours(TTestColours v) { FColours = v; }
  double Ratio() const { return FRatio; }
  void SetRatio(double v) { FRatio = v; }
  const std::vector<std::uint8_t>& Data() const { return FData; }
  void SetData(const std::vector<std::uint8_t>& v) { FData = v; }
  TStrings* Lines() const { return FLines.get(); }
  TTestSettings* Settings() const { return FSettings.get(); }
  TCollection* Items() const { return FItems.get(); }
  TComponent* Buddy() const { return FBuddy; }
  void SetBuddy(TComponent* v);
  const TNotifyEvent& OnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent v) { FOnChange = std::move(v); }

  void Loaded() override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

 private:
  int FCount = 5;
  TTestColour FColour = tcGreen;
  TTestColours FColours{tcRed};
  double FRatio = 0;
  std::vector<std::uint8_t> FData;
  std::unique_ptr<TStringList> FLines;
  std::unique_ptr<TTestSettings> FSettings;
  std::unique_ptr<TCollection> FItems;
  TComponent* FBuddy = nullptr;
  TNotifyEvent FOnChange;
};

// A form-like root: published methods for callbacks and fields for children.
class TTestForm : public TTestBase {
  RV_CLASS(TTestForm, TTestBase)
 public:
  explicit TTestForm(TComponent* AOwner) : TTestBase(AOwner) {}
  void ChildChanged(TObject* Sender) { LastSender = Sender; }
  void Other(TObject*, int) {}

  TObject* LastSender = nullptr;
  TTestComponent* First = nullptr;
};

// Registers the test classes with the class registry (idempotent).
void RegisterFormTestClasses();

}  // namespace rvtest
