#include "tests/support/FormTestClasses.h"

#include "platform/classes/Published.h"

namespace rvtest {

SetterLog& Log() {
  static SetterLog log;
  return log;
}

const TClass& TTestSettings::StaticClass() {
  static const TClass cls = TClassBuilder<TTestSettings>("TTestSettings")
                                .Property("Address", &TTestSettings::Address, &TTestSettings::SetAddress)
                                .Property("Enabled", &TTestSettings::Enabled, &TTestSettings::SetEnabled, true)
                                .Build();
  return cls;
}

const TClass& TTestItem::StaticClass() {
  static const TClass cls = TClassBuilder<TTestItem>("TTestItem")
                                .Property("Weight", &TTestItem::Weight, &TTestItem::SetWeight, 0)
                                .Property("Label", &TTestItem::Label, &TTestItem::SetLabel)
                                .Build();
  return cls;
}

const TClass& TTestHeavyItem::StaticClass() {
  static const TClass cls = TClassBuilder<TTestHeavyItem>("TTestHeavyItem")
                                .Property("Load", &TTestHeavyItem::Load, &TTestHeavyItem::SetLoad, 0)
                                .Build();
  return cls;
}

void TTestItem::Assign(const TPersistent* Source) {
  if (auto* s = dynamic_cast<const TTestItem*>(Source)) {
    FWeight = s->FWeight;
    FLabel = s->FLabel;
    return;
  }
  TCollectionItem::Assign(Source);
}

const TClass& TTestBase::StaticClass() {
  static const TClass cls = TClassBuilder<TTestBase>("TTestBase")
                                .Property("Active", &TTestBase::Active, &TTestBase::SetActive)
                                .Property("Caption", &TTestBase::Caption, &TTestBase::SetCaption)
                                .Build();
  return cls;
}

TTestComponent::TTestComponent(TComponent* AOwner)
    : TTestBase(AOwner),
      FLines(std::make_unique<TStringList>()),
      FSettings(std::make_unique<TTestSettings>()),
      FItems(std::make_unique<TCollection>(TTestItem::StaticClass(), this)) {}

TTestComponent::~TTestComponent() = default;

void TTestComponent::SetBuddy(TComponent* v) {
  Log().Add(this, "Buddy");
  if (FBuddy) FBuddy->RemoveFreeNotification(this);
  FBuddy = v;
  if (FBuddy) FBuddy->FreeNotification(this);
}

void TTestComponent::Loaded() {
  TTestBase::Loaded();
  Log().Add(this, "Loaded");
}

void TTestComponent::Notification(TComponent* AComponent, TOperation Operation) {
  TTestBase::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FBuddy) FBuddy = nullptr;
}

const TClass& TTestComponent::StaticClass() {
  static const TClass cls =
      TClassBuilder<TTestComponent>("TTestComponent")
          .Property("Count", &TTestComponent::Count, &TTestComponent::SetCount, 5)
          .Property("Colour", &TTestComponent::Colour, &TTestComponent::SetColour, tcGreen)
          .Property("Colours", &TTestComponent::Colours, &TTestComponent::SetColours, TTestColours{tcRed})
          .Property("Ratio", &TTestComponent::Ratio, &TTestComponent::SetRatio)
          .Property("Data", &TTestComponent::Data, &TTestComponent::SetData)
          .Property("Lines", &TTestComponent::Lines)
          .Property("Settings", &TTestComponent::Settings)
          .Property("Items", &TTestComponent::Items)
          .Property("Buddy", &TTestComponent::Buddy, &TTestComponent::SetBuddy)
          .Property("OnChange", &TTestComponent::OnChange, &TTestComponent::SetOnChange)
          .Build();
  return cls;
}

const TClass& TTestForm::StaticClass() {
  static const TClass cls = TClassBuilder<TTestForm>("TTestForm")
                                .Method("ChildChanged", &TTestForm::ChildChanged)
                                .Method("Other", &TTestForm::Other)
                                .Field("First", &TTestForm::First)
                                .Build();
  return cls;
}

void RegisterFormTestClasses() {
  RegisterClass(TTestBase::StaticClass());
  RegisterClass(TTestComponent::StaticClass());
  RegisterClass(TTestForm::StaticClass());
  RegisterClass(TTestHeavyItem::StaticClass());
}

}  // namespace rvtest
