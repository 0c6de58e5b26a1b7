#pragma once
// TComponent: a named object in an ownership tree. An owner destroys the
// components it owns; components may ask to be told when another one is
// destroyed (FreeNotification / Notification).

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/classes/Persistent.h"
#include "platform/rtl/Export.h"
#include "platform/rtl/Set.h"

namespace RV_API rv {

RV_ENUM(TComponentStateItem, std::uint8_t, csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor,
        csUpdating, csFixups)
using TComponentState = Set<TComponentStateItem, std::uint16_t>;

RV_ENUM(TOperation, std::uint8_t, opInsert, opRemove)

class TComponent : public TPersistent {
  RV_CLASS(TComponent, TPersistent)
 public:
  // Owned by AOwner when given; otherwise the creator deletes it.
  explicit TComponent(TComponent* AOwner);
  // Marks the owned subtree csDestroying, tells everyone who asked for a free
  // notification, destroys the owned components last-first, then leaves the
  // owner.
  ~TComponent() override;
  TComponent(const TComponent&) = delete;
  TComponent& operator=(const TComponent&) = delete;

  TComponent* Owner() const { return FOwner; }
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  // Raises EListError for an index out of range.
  TComponent* Components(int Index) const;
  int ComponentIndex() const;
  // The owned component of that name (case-insensitive), or null.
  TComponent* FindComponent(std::string_view AName) const;
  void InsertComponent(TComponent* AComponent);
  void RemoveComponent(TComponent* AComponent);

  const std::string& Name() const { return FName; }
  // Raises EComponentError for a name that is not an identifier or that
  // another component of the same owner already has. An empty name is allowed.
  virtual void SetName(const std::string& NewName);
  std::intptr_t Tag() const { return FTag; }
  void SetTag(std::intptr_t Value) { FTag = Value; }

  TComponentState ComponentState() const { return FComponentState; }
  // Puts the component (and by default everything it owns) into or out of the
  // designer's state.
  void SetDesigning(bool Value, bool SetChildren = true);
  // Sets or clears one state flag; the form reader and writer use this.
  void SetStateFlag(TComponentStateItem Flag, bool Value);

  // Asks to receive Notification(AComponent, opRemove) when AComponent is
  // destroyed (the link is kept both ways, so whichever dies first unlinks).
  void FreeNotification(TComponent* AComponent);
  void RemoveFreeNotification(TComponent* AComponent);

  // Called after all stored properties of the component were read; the base
  // clears csLoading.
  virtual void Loaded();
  // Told of components inserted into or removed from the owner tree, and of
  // the destruction of components that FreeNotification was asked for.
  virtual void Notification(TComponent* AComponent, TOperation Operation);

  // Storage hooks. The children stored nested inside this component when the
  // tree rooted at Root is written: the root's owned components that have no
  // parent component; a container adds its own.
  virtual void GetChildren(std::vector<TComponent*>& Children, TComponent* Root) const;
  // The component a stored child is nested in (a control's parent), if any.
  virtual TComponent* GetParentComponent() const { return nullptr; }
  virtual bool HasParent() const { return false; }
  // Called by the reader with the component the child was nested in.
  virtual void SetParentComponent(TComponent* Value);

  TPersistent* GetOwner() const override { return FOwner; }
  std::string GetNamePath() const override { return FName; }

 protected:
  // Marks the component csDestroying and tells its free-notification
  // partners now. For a destructor whose partners must still see the
  // component whole (a data source whose links they detach); the base
  // destructor does it otherwise.
  void SendFreeNotifications();

 private:
  void MarkDestroying();
  void DestroyComponents();
  void Insert(TComponent* AComponent);
  void Remove(TComponent* AComponent);

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  std::string FName;
  std::intptr_t FTag = 0;
  TComponentState FComponentState;
};

// True when Name is a valid component name (an identifier).
bool IsValidIdent(std::string_view Name);

}  // namespace rv
