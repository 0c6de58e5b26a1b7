#pragma once
// TCollection: an ordered list of items of one class, owned by the
// collection; stored in form files as "< item ... end >".

#include <cstdint>
#include <string>
#include <vector>

#include "platform/classes/Persistent.h"
#include "platform/rtl/Export.h"

namespace RV_API rv {

class TCollection;

RV_ENUM(TCollectionNotification, std::uint8_t, cnAdded, cnExtracting, cnDeleting)

class TCollectionItem : public TPersistent {
  RV_CLASS(TCollectionItem, TPersistent)
 public:
  // Joins Collection (when given), which then owns the item.
  explicit TCollectionItem(TCollection* Collection);
  // Leaves the collection.
  ~TCollectionItem() override;
  TCollectionItem(const TCollectionItem&) = delete;
  TCollectionItem& operator=(const TCollectionItem&) = delete;

  TCollection* Collection() const { return FCollection; }
  // Moves the item to another collection (null: none, the caller then owns it).
  void SetCollection(TCollection* Value);
  int Index() const;
  void SetIndex(int Value);
  int ID() const { return FID; }
  virtual std::string GetDisplayName() const { return ClassName(); }
  std::string GetNamePath() const override;
  TPersistent* GetOwner() const override;

 protected:
  // Reports a change of this item (or of all items) to the collection.
  void Changed(bool AllItems);

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

class TCollection : public TPersistent {
  RV_CLASS(TCollection, TPersistent)
 public:
  // ItemClass must be a TCollectionItem class that can be created for a
  // collection (TClass::CanCreateItem). Owner names the collection in paths.
  explicit TCollection(const TClass& ItemClass, TPersistent* Owner = nullptr);
  ~TCollection() override;
  TCollection(const TCollection&) = delete;
  TCollection& operator=(const TCollection&) = delete;

  const TClass& ItemClass() const { return *FItemClass; }
  int Count() const { return static_cast<int>(FItems.size()); }
  // Raise EListError for an index out of range.
  TCollectionItem* Items(int Index) const;
  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);
  void Clear();
  TCollectionItem* FindItemID(int ID) const;

  // Replaces the items by copies of Source's items (each item's Assign).
  void Assign(const TPersistent* Source) override;

  // Changes between BeginUpdate and the matching EndUpdate are reported once,
  // as a change of all items, at the end.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  TPersistent* GetOwner() const override { return FOwner; }
  std::string GetNamePath() const override;

 protected:
  // Item changed (null: all items or the list itself); called outside updates.
  virtual void Update(TCollectionItem* /*Item*/) {}
  virtual void Notify(TCollectionItem* /*Item*/, TCollectionNotification /*Action*/) {}

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);
  void Changed();
  void CheckIndex(int Index) const;

  const TClass* FItemClass;
  TPersistent* FOwner;
  std::vector<TCollectionItem*> FItems;
  int FNextID = 0;
  int FUpdateCount = 0;
  bool FChangedWhileUpdating = false;
};

}  // namespace rv
