// TList (a list of untyped pointers), TObjectList (objects, optionally owned) and TThreadList (a
// TList behind a lock). Indexes are 0-based; a bad index raises EListError
// "List index out of bounds (%d)".
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/rtl/object.h"

enum TListNotification { lnAdded, lnExtracted, lnDeleted };
enum TDuplicates { dupIgnore, dupAccept, dupError };
ORV_ENUM_TYPEINFO(TDuplicates, dupIgnore, dupAccept, dupError)

// Comparison for Sort: negative, 0 or positive like strcmp.
using TListSortCompare = int (*)(void* Item1, void* Item2);

class TList : public TObject {
  ORV_CLASS(TList, TObject)
public:
  TList() = default;
  ~TList() override;

  int Add(void* Item);                 // index of the new item
  void Insert(int Index, void* Item);  // 0..Count
  void Delete(int Index);
  int Remove(void* Item);              // index it had, or -1
  void* Extract(void* Item);           // removes without "deleted" notification; null if absent
  virtual void Clear();
  int IndexOf(void* Item) const;
  void Exchange(int Index1, int Index2);
  void Move(int CurIndex, int NewIndex);
  void Sort(TListSortCompare Compare);  // stable
  void Pack();                          // removes null items
  void* First() const;                  // EListError on an empty list
  void* Last() const;
  TList* Expand() { return this; }

  int Count() const { return static_cast<int>(FList.size()); }
  // Growing fills with null items; shrinking deletes from the end.
  void SetCount(int NewCount);
  int Capacity() const { return static_cast<int>(FList.capacity()); }
  // EListError "List capacity out of bounds (%d)" below Count.
  void SetCapacity(int NewCapacity);
  void* Items(int Index) const;
  void SetItems(int Index, void* Item);
  void* operator[](int Index) const { return Items(Index); }
  const std::vector<void*>& List() const { return FList; }

  // Replaces the contents by a copy of Source's items.
  void Assign(const TList* Source);

  [[noreturn]] static void Error(const char* Msg, int64_t Data);

protected:
  // Told of every item added, extracted or deleted (after the list changed).
  virtual void Notify(void* Ptr, TListNotification Action) { (void)Ptr, (void)Action; }
  void CheckIndex(int Index) const;

private:
  std::vector<void*> FList;
};

// A list of objects. With OwnsObjects (the default) deleting, removing, clearing or freeing the
// list frees the objects; Extract hands one back without freeing it.
class TObjectList : public TList {
  ORV_CLASS(TObjectList, TList)
public:
  explicit TObjectList(bool AOwnsObjects = true) : FOwnsObjects(AOwnsObjects) {}
  ~TObjectList() override;

  int Add(TObject* AObject) { return TList::Add(AObject); }
  void Insert(int Index, TObject* AObject) { TList::Insert(Index, AObject); }
  int Remove(TObject* AObject) { return TList::Remove(AObject); }
  TObject* Extract(TObject* Item) { return static_cast<TObject*>(TList::Extract(Item)); }
  int IndexOf(TObject* AObject) const { return TList::IndexOf(AObject); }
  TObject* Items(int Index) const { return static_cast<TObject*>(TList::Items(Index)); }
  void SetItems(int Index, TObject* AObject);  // frees the replaced object when owning
  TObject* operator[](int Index) const { return Items(Index); }
  TObject* First() const { return static_cast<TObject*>(TList::First()); }
  TObject* Last() const { return static_cast<TObject*>(TList::Last()); }
  // First index from AStartAt whose object is of AClass (exactly, or a descendant when not
  // AExact); -1 when none.
  int FindInstanceOf(TClass AClass, bool AExact = true, int AStartAt = 0) const;

  bool OwnsObjects() const { return FOwnsObjects; }
  void SetOwnsObjects(bool Value) { FOwnsObjects = Value; }

protected:
  void Notify(void* Ptr, TListNotification Action) override;

private:
  bool FOwnsObjects;
};

// A TList shared between threads: LockList returns the list with the lock held until UnlockList.
class TThreadList : public TObject {
  ORV_CLASS(TThreadList, TObject)
public:
  TThreadList();
  ~TThreadList() override;
  // With Duplicates dupIgnore (the default) Add skips an item already present; dupError raises
  // EListError "List does not allow duplicates ($%x)".
  void Add(void* Item);
  void Remove(void* Item);
  void Clear();
  TList* LockList();
  void UnlockList();
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates Value) { FDuplicates = Value; }

private:
  struct TLock;  // a recursive mutex, kept out of this widely included header
  std::unique_ptr<TLock> FLock;
  TList FList;
  TDuplicates FDuplicates = dupIgnore;
};
