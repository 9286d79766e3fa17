// TCollection and TCollectionItem.
#include "platform/rtl/collection.h"

#include <algorithm>

#include "platform/rtl/lists.h"
#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TCollectionItem, TPersistent)
ORV_CLASS_IMPL(TCollection, TPersistent)
ORV_CLASS_IMPL(TOwnedCollection, TCollection)

// ---- TCollectionItem ----

TCollectionItem::TCollectionItem(TCollection* Collection) { SetCollection(Collection); }

TCollectionItem::~TCollectionItem() {
  if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::SetCollection(TCollection* Value) {
  if (FCollection == Value) return;
  if (FCollection) FCollection->RemoveItem(this);
  if (Value) Value->InsertItem(this);
}

int TCollectionItem::Index() const {
  if (!FCollection) return -1;
  auto& items = FCollection->FItems;
  auto it = std::find(items.begin(), items.end(), this);
  return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int Value) {
  if (!FCollection) return;
  if (Value != Index()) {
    FCollection->MoveItem(this, Value);
    Changed(true);
  }
}

std::string TCollectionItem::DisplayName() const { return ClassName(); }

void TCollectionItem::SetDisplayName(const std::string& Value) {
  (void)Value;
  Changed(false);
}

void TCollectionItem::Changed(bool AllItems) {
  if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(AllItems ? nullptr : this);
}

std::string TCollectionItem::GetNamePath() const {
  if (!FCollection) return ClassName();
  return FCollection->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

// ---- TCollection ----

TCollection::TCollection(TClass AItemClass, TPersistent* AOwner)
    : FItemClass(AItemClass), FOwner(AOwner) {}

TCollection::~TCollection() {
  // Items leave one by one without change reports: nobody listens any more.
  ++FUpdateCount;
  while (!FItems.empty()) delete FItems.back();
}

TCollectionItem* TCollection::Add() {
  if (!FItemClass || !FItemClass->Factory || !FItemClass->InheritsFrom(TCollectionItem::StaticClass()))
    throw EInvalidOperation(std::string("Cannot create an item of class ") +
                            (FItemClass ? FItemClass->Name : "nil"));
  auto* item = static_cast<TCollectionItem*>(FItemClass->Factory(nullptr));
  item->SetCollection(this);
  return item;
}

TCollectionItem* TCollection::Insert(int Index) {
  if (Index < 0 || Index > Count()) TList::Error("List index out of bounds (%d)", Index);
  TCollectionItem* item = Add();
  ++FUpdateCount;  // the move is part of the insertion, reported once
  MoveItem(item, Index);
  --FUpdateCount;
  Changed();
  return item;
}

void TCollection::Delete(int Index) {
  TCollectionItem* item = Items(Index);
  Notify(item, cnDeleting);
  delete item;
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  while (!FItems.empty()) delete FItems.back();
  EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int ID) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == ID) return item;
  return nullptr;
}

void TCollection::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TCollection*>(Source)) {
    if (src == this) return;
    BeginUpdate();
    try {
      Clear();
      for (TCollectionItem* item : src->FItems) Add()->Assign(item);
    } catch (...) {
      EndUpdate();
      throw;
    }
    EndUpdate();
    return;
  }
  TPersistent::Assign(Source);
}

void TCollection::Exchange(int Index1, int Index2) {
  Items(Index1);
  Items(Index2);
  std::swap(FItems[static_cast<size_t>(Index1)], FItems[static_cast<size_t>(Index2)]);
  Changed();
}

TCollectionItem* TCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) TList::Error("List index out of bounds (%d)", Index);
  return FItems[static_cast<size_t>(Index)];
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  if (FUpdateCount == 0) return;
  --FUpdateCount;
  Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

std::string TCollection::GetNamePath() const {
  TPersistent* owner = GetOwner();
  if (!owner) return ClassName();
  std::string path = owner->GetNamePath();
  if (path.empty() || FPropName.empty()) return ClassName();
  return path + "." + FPropName;
}

void TCollection::InsertItem(TCollectionItem* Item) {
  FItems.push_back(Item);
  Item->FCollection = this;
  Item->FID = FNextID++;
  Notify(Item, cnAdded);
  Changed();
}

void TCollection::RemoveItem(TCollectionItem* Item) {
  Notify(Item, cnExtracting);
  FItems.erase(std::remove(FItems.begin(), FItems.end(), Item), FItems.end());
  Item->FCollection = nullptr;
  Changed();
}

void TCollection::MoveItem(TCollectionItem* Item, int NewIndex) {
  int cur = Item->Index();
  if (cur < 0) return;
  NewIndex = std::clamp(NewIndex, 0, Count() - 1);
  FItems.erase(FItems.begin() + cur);
  FItems.insert(FItems.begin() + NewIndex, Item);
}
