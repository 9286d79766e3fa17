// Small containers of the imaging library: TIEList (items of one fixed size in one block) with
// its double, integer and record descendants, the hash set THash1 of 32-bit keys, and the growable
// byte buffer TIEByteArray.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/rtl/object.h"

class TStream;

class TIEList : public TObject {
  ORV_CLASS(TIEList, TObject)
public:
  TIEList() { Clear(); }  // subclasses run their own Clear in their constructors
  ~TIEList() override;
  virtual void SetCount(int n);
  virtual void Delete(int i);
  virtual void Clear();
  virtual void Assign(TIEList* Source);
  int AddItem(const void* Item);
  void* GetItemPtr(int i) const { return Data + static_cast<intptr_t>(i) * ItemSize; }

  int32_t Count = 0;
  int32_t ItemSize = 0;
  uint8_t* Data = nullptr;
  bool Changed = false;

protected:
  void FreeData();
};

class TIEDoubleList : public TIEList {
  ORV_CLASS(TIEDoubleList, TIEList)
public:
  TIEDoubleList() { Clear(); }
  void Clear() override;
  void Assign(TIEList* Source) override;  // EInvalidCast for another class
  double Get(int i) const { return reinterpret_cast<const double*>(Data)[i]; }
  int Add(double v) { return AddItem(&v); }
  double RangeMin = 0, RangeMax = 0, RangeStep = 0, CurrentValue = 0;
};

class TIEIntegerList : public TIEList {
  ORV_CLASS(TIEIntegerList, TIEList)
public:
  TIEIntegerList() { Clear(); }
  void Clear() override;
  void Assign(TIEList* Source) override;  // EInvalidCast for another class
  int32_t Get(int i) const { return reinterpret_cast<const int32_t*>(Data)[i]; }
  int Add(int32_t v) { return AddItem(&v); }
  int32_t RangeMin = 0, RangeMax = 0, RangeStep = 0, CurrentValue = 0;
};

class TIERecordList : public TIEList {
  ORV_CLASS(TIERecordList, TIEList)
public:
  explicit TIERecordList(int itemSize) { ItemSize = itemSize; }
  int AddRecord(const void* Record) { return AddItem(Record); }
  void* GetRecord(int i) const { return GetItemPtr(i); }
};

class THash1Item : public TObject {
  ORV_CLASS(THash1Item, TObject)
public:
  uintptr_t Key = 0;
  THash1Item* Next = nullptr;
  uintptr_t Value = 0;
};

// Hash set of keys over 2^Bits buckets: a bucket holds one key directly and turns into a chain
// only when a second key lands in it.
class THash1 : public TObject {
  ORV_CLASS(THash1, TObject)
public:
  explicit THash1(int bits);
  ~THash1() override;
  // True when the key was new; bucket and newItem tell where it went (newItem nil when stored
  // directly).
  bool Insert(uintptr_t key, int& bucket, THash1Item*& newItem);
  bool Add(uintptr_t key);

  std::vector<uintptr_t> Keys;  // the key (state 1) or the first chain item (state 2)
  std::vector<uint8_t> States;  // 0 empty, 1 one key, 2 chain
  std::vector<uintptr_t> Values;
  int32_t Bits = 0, Size = 0, Count = 0;
};

class TIEByteArray : public TObject {
  ORV_CLASS(TIEByteArray, TObject)
public:
  explicit TIEByteArray(int step);
  ~TIEByteArray() override;
  void SetCount(int n);
  void AppendByte(uint8_t b);
  // Appends up to n bytes read from Stream; answers the number read.
  int AppendFromStream(TStream* Stream, int n);

  int32_t Count = 0, Capacity = 0, GrowthStep = 0;
  uint8_t* Data = nullptr;
};
