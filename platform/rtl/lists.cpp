// TList, TObjectList and TThreadList.
#include "platform/rtl/lists.h"

#include <algorithm>
#include <mutex>

#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TList, TObject)
ORV_CLASS_IMPL(TObjectList, TList)
ORV_CLASS_IMPL(TThreadList, TObject)

// ---- TList ----

TList::~TList() {
  // Descendants' Notify is gone by now; they clear in their own destructors.
  FList.clear();
}

void TList::Error(const char* Msg, int64_t Data) {
  std::string m = Msg;
  size_t p = m.find("%d");
  if (p != std::string::npos) m.replace(p, 2, std::to_string(Data));
  p = m.find("%x");
  if (p != std::string::npos) m.replace(p, 2, IntToHex(Data, 8));
  throw EListError(m);
}

void TList::CheckIndex(int Index) const {
  if (Index < 0 || Index >= Count()) Error("List index out of bounds (%d)", Index);
}

int TList::Add(void* Item) {
  FList.push_back(Item);
  if (Item) Notify(Item, lnAdded);
  return Count() - 1;
}

void TList::Insert(int Index, void* Item) {
  if (Index < 0 || Index > Count()) Error("List index out of bounds (%d)", Index);
  FList.insert(FList.begin() + Index, Item);
  if (Item) Notify(Item, lnAdded);
}

void TList::Delete(int Index) {
  CheckIndex(Index);
  void* item = FList[static_cast<size_t>(Index)];
  FList.erase(FList.begin() + Index);
  if (item) Notify(item, lnDeleted);
}

int TList::Remove(void* Item) {
  int i = IndexOf(Item);
  if (i >= 0) Delete(i);
  return i;
}

void* TList::Extract(void* Item) {
  int i = IndexOf(Item);
  if (i < 0) return nullptr;
  FList.erase(FList.begin() + i);
  Notify(Item, lnExtracted);
  return Item;
}

void TList::Clear() {
  // Items are notified from the last to the first, each after it left the list.
  while (!FList.empty()) Delete(Count() - 1);
  FList.shrink_to_fit();
}

int TList::IndexOf(void* Item) const {
  auto it = std::find(FList.begin(), FList.end(), Item);
  return it == FList.end() ? -1 : static_cast<int>(it - FList.begin());
}

void TList::Exchange(int Index1, int Index2) {
  CheckIndex(Index1);
  CheckIndex(Index2);
  std::swap(FList[static_cast<size_t>(Index1)], FList[static_cast<size_t>(Index2)]);
}

void TList::Move(int CurIndex, int NewIndex) {
  if (CurIndex == NewIndex) return;
  CheckIndex(CurIndex);
  CheckIndex(NewIndex);
  void* item = FList[static_cast<size_t>(CurIndex)];
  FList.erase(FList.begin() + CurIndex);
  FList.insert(FList.begin() + NewIndex, item);
}

void TList::Sort(TListSortCompare Compare) {
  if (!Compare) return;
  std::stable_sort(FList.begin(), FList.end(),
                   [Compare](void* a, void* b) { return Compare(a, b) < 0; });
}

void TList::Pack() {
  FList.erase(std::remove(FList.begin(), FList.end(), nullptr), FList.end());
}

void* TList::First() const {
  CheckIndex(0);
  return FList.front();
}

void* TList::Last() const {
  CheckIndex(Count() - 1);
  return FList.back();
}

void TList::SetCount(int NewCount) {
  if (NewCount < 0) Error("List count out of bounds (%d)", NewCount);
  if (NewCount > Count()) {
    FList.resize(static_cast<size_t>(NewCount), nullptr);
    return;
  }
  while (Count() > NewCount) Delete(Count() - 1);
}

void TList::SetCapacity(int NewCapacity) {
  if (NewCapacity < Count()) Error("List capacity out of bounds (%d)", NewCapacity);
  if (NewCapacity > Capacity())
    FList.reserve(static_cast<size_t>(NewCapacity));
  else
    FList.shrink_to_fit();
}

void* TList::Items(int Index) const {
  CheckIndex(Index);
  return FList[static_cast<size_t>(Index)];
}

void TList::SetItems(int Index, void* Item) {
  CheckIndex(Index);
  void* old = FList[static_cast<size_t>(Index)];
  if (old == Item) return;
  FList[static_cast<size_t>(Index)] = Item;
  if (old) Notify(old, lnDeleted);
  if (Item) Notify(Item, lnAdded);
}

void TList::Assign(const TList* Source) {
  if (Source == this) return;
  Clear();
  if (!Source) return;
  for (void* p : Source->FList) Add(p);
}

// ---- TObjectList ----

TObjectList::~TObjectList() { Clear(); }

void TObjectList::SetItems(int Index, TObject* AObject) { TList::SetItems(Index, AObject); }

int TObjectList::FindInstanceOf(TClass AClass, bool AExact, int AStartAt) const {
  for (int i = std::max(0, AStartAt); i < Count(); ++i) {
    TObject* o = Items(i);
    if (!o) continue;
    if (AExact ? o->ClassType() == AClass : o->InheritsFrom(AClass)) return i;
  }
  return -1;
}

void TObjectList::Notify(void* Ptr, TListNotification Action) {
  if (FOwnsObjects && Action == lnDeleted) delete static_cast<TObject*>(Ptr);
}

// ---- TThreadList ----

struct TThreadList::TLock {
  std::recursive_mutex Mutex;
};

TThreadList::TThreadList() : FLock(std::make_unique<TLock>()) {}
TThreadList::~TThreadList() = default;

void TThreadList::Add(void* Item) {
  std::lock_guard<std::recursive_mutex> g(FLock->Mutex);
  if (FDuplicates != dupAccept && FList.IndexOf(Item) >= 0) {
    if (FDuplicates == dupError)
      TList::Error("List does not allow duplicates ($%x)",
                   static_cast<int64_t>(reinterpret_cast<uintptr_t>(Item)));
    return;
  }
  FList.Add(Item);
}

void TThreadList::Remove(void* Item) {
  std::lock_guard<std::recursive_mutex> g(FLock->Mutex);
  FList.Remove(Item);
}

void TThreadList::Clear() {
  std::lock_guard<std::recursive_mutex> g(FLock->Mutex);
  FList.Clear();
}

TList* TThreadList::LockList() {
  FLock->Mutex.lock();
  return &FList;
}

void TThreadList::UnlockList() { FLock->Mutex.unlock(); }
