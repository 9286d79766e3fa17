// TCollection and TCollectionItem: an owned, ordered list of items of one class (ItemClass),
// each with a position (Index) and a number unique in its collection (ID).
//
// Item classes derive from TCollectionItem and have a constructor taking
// `TCollection* Collection = nullptr` (passing it on), so that Add can build them through the
// class reference. Changes reach the collection's Update(Item) (null Item: the whole collection
// changed) unless an update is in progress; EndUpdate then reports one Update(nullptr).
#pragma once

#include <string>
#include <vector>

#include "platform/rtl/persistent.h"

class TCollection;

class TCollectionItem : public TPersistent {
  ORV_CLASS(TCollectionItem, TPersistent)
public:
  // Joins Collection (appended) when one is given.
  explicit TCollectionItem(TCollection* Collection = nullptr);
  // Leaves its collection.
  ~TCollectionItem() override;

  TCollection* Collection() const { return FCollection; }
  // Moves the item to another collection (null: out of any).
  void SetCollection(TCollection* Value);
  int ID() const { return FID; }
  // Position in the collection, -1 when in none; setting moves the item.
  int Index() const;
  virtual void SetIndex(int Value);
  // "TMyItem" by default (the class name); descendants show something more useful.
  virtual std::string DisplayName() const;
  virtual void SetDisplayName(const std::string& Value);
  std::string GetNamePath() const override;
  TPersistent* GetOwner() const override;

protected:
  // Tells the collection that this item (AllItems false) or everything (true) changed.
  virtual void Changed(bool AllItems);

private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

class TCollection : public TPersistent {
  ORV_CLASS(TCollection, TPersistent)
public:
  // ItemClass must derive from TCollectionItem; Owner is what GetOwner reports (may be null).
  explicit TCollection(TClass AItemClass, TPersistent* AOwner = nullptr);
  // Frees the items.
  ~TCollection() override;

  TCollectionItem* Add();  // a new item of ItemClass, appended
  TCollectionItem* Insert(int Index);
  void Delete(int Index);  // frees the item
  void Clear();
  // Finds the item with that ID; null when none.
  TCollectionItem* FindItemID(int ID) const;
  // Replaces the items by copies of Source's (a TCollection), item by item with Assign.
  void Assign(TPersistent* Source) override;
  void Exchange(int Index1, int Index2);

  int Count() const { return static_cast<int>(FItems.size()); }
  // EListError "List index out of bounds (%d)" for a bad index.
  TCollectionItem* Items(int Index) const;
  void SetItems(int Index, TCollectionItem* Value) { Items(Index)->Assign(Value); }
  TCollectionItem* operator[](int Index) const { return Items(Index); }
  TClass ItemClass() const { return FItemClass; }
  int NextID() const { return FNextID; }

  virtual void BeginUpdate();
  virtual void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  TPersistent* GetOwner() const override { return FOwner; }
  TPersistent* Owner() const { return FOwner; }
  std::string GetNamePath() const override;
  // Name of the property of the owner that holds this collection ("" when unknown); used for
  // the name path. Set by the owner.
  const std::string& PropName() const { return FPropName; }
  void SetPropName(const std::string& Value) { FPropName = Value; }

protected:
  // A change: Item changed, or everything when Item is null. The base does nothing.
  virtual void Update(TCollectionItem* Item) { (void)Item; }
  // Told after an item was added, before it is deleted (Deleting) or after it left (Extracting).
  enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };
  virtual void Notify(TCollectionItem* Item, TCollectionNotification Action) {
    (void)Item, (void)Action;
  }
  void Changed();

private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);
  void MoveItem(TCollectionItem* Item, int NewIndex);

  TClass FItemClass;
  TPersistent* FOwner;
  std::vector<TCollectionItem*> FItems;  // owned
  int FNextID = 0;
  int FUpdateCount = 0;
  std::string FPropName;
};

// A collection owned by a persistent object (kept for the class name the libraries use).
class TOwnedCollection : public TCollection {
  ORV_CLASS(TOwnedCollection, TCollection)
public:
  TOwnedCollection(TPersistent* AOwner, TClass AItemClass) : TCollection(AItemClass, AOwner) {}
};
