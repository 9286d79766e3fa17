// TIEList family, THash1 and TIEByteArray (see ielists.h).
#include "imaging/core/ielists.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TIEList, TObject)
ORV_CLASS_IMPL(TIEDoubleList, TIEList)
ORV_CLASS_IMPL(TIEIntegerList, TIEList)
ORV_CLASS_IMPL(TIERecordList, TIEList)
ORV_CLASS_IMPL(THash1Item, TObject)
ORV_CLASS_IMPL(THash1, TObject)
ORV_CLASS_IMPL(TIEByteArray, TObject)

namespace {
uint8_t* NewBlock(int64_t size) {
  if (size <= 0) return nullptr;
  auto* p = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(size)));
  if (!p) throw EOutOfMemory("Out of memory");
  return p;
}
}  // namespace

TIEList::~TIEList() { FreeData(); }

void TIEList::FreeData() {
  std::free(Data);
  Data = nullptr;
}

void TIEList::SetCount(int n) {
  if (n < 0) n = 0;
  uint8_t* block = NewBlock(static_cast<int64_t>(n) * ItemSize);
  if (block && Data) std::memcpy(block, Data, static_cast<size_t>(std::min(Count, n)) * ItemSize);
  FreeData();
  Data = block;
  Count = n;
  Changed = true;
}

void TIEList::Delete(int i) {
  if (i < 0 || i >= Count) return;
  uint8_t* block = NewBlock(static_cast<int64_t>(Count - 1) * ItemSize);
  if (block) {
    std::memcpy(block, Data, static_cast<size_t>(i) * ItemSize);
    std::memcpy(block + static_cast<size_t>(i) * ItemSize, Data + static_cast<size_t>(i + 1) * ItemSize,
                static_cast<size_t>(Count - 1 - i) * ItemSize);
  }
  FreeData();
  Data = block;
  --Count;
  Changed = true;
}

void TIEList::Clear() {
  Count = 0;
  FreeData();
  Changed = false;
}

void TIEList::Assign(TIEList* Source) {
  if (!Source) return;
  uint8_t* block = NewBlock(static_cast<int64_t>(Source->Count) * Source->ItemSize);
  if (block) std::memcpy(block, Source->Data, static_cast<size_t>(Source->Count) * Source->ItemSize);
  FreeData();
  Data = block;
  Count = Source->Count;
  ItemSize = Source->ItemSize;
  Changed = Source->Changed;
}

int TIEList::AddItem(const void* Item) {
  SetCount(Count + 1);
  std::memcpy(GetItemPtr(Count - 1), Item, ItemSize);
  Changed = true;
  return Count - 1;
}

namespace {
// The double and integer lists differ only in their value type: one reset and one copy serve both.
template <class L> void ClearRange(L& list, int itemSize) {
  list.ItemSize = itemSize;
  list.RangeMin = list.RangeMax = list.RangeStep = list.CurrentValue = 0;
}
template <class L> void AssignRange(L& list, TIEList* Source) {
  auto* s = dynamic_cast<L*>(Source);
  if (!s) throw EInvalidCast("Invalid class typecast");
  list.TIEList::Assign(Source);
  list.RangeMin = s->RangeMin;
  list.RangeMax = s->RangeMax;
  list.RangeStep = s->RangeStep;
  list.CurrentValue = s->CurrentValue;
}
}  // namespace

void TIEDoubleList::Clear() {
  TIEList::Clear();
  ClearRange(*this, 8);
}

void TIEDoubleList::Assign(TIEList* Source) {
  if (Source) AssignRange(*this, Source);
}

void TIEIntegerList::Clear() {
  TIEList::Clear();
  ClearRange(*this, 4);
}

void TIEIntegerList::Assign(TIEList* Source) {
  if (Source) AssignRange(*this, Source);
}

THash1::THash1(int bits) : Bits(bits), Size(1 << bits) {
  Keys.assign(Size, 0);
  States.assign(Size, 0);
  Values.assign(Size, 0);
}

THash1::~THash1() {
  for (int i = 0; i < Size; ++i) {
    if (States[i] != 2) continue;
    auto* item = reinterpret_cast<THash1Item*>(Keys[i]);
    while (item) {
      auto* next = item->Next;
      delete item;
      item = next;
    }
  }
}

bool THash1::Insert(uintptr_t key, int& bucket, THash1Item*& newItem) {
  newItem = nullptr;
  bucket = static_cast<int>(key & static_cast<uintptr_t>(Size - 1));
  switch (States[bucket]) {
    case 0:
      States[bucket] = 1;
      Keys[bucket] = key;
      break;
    case 1: {
      if (Keys[bucket] == key) return false;
      newItem = new THash1Item;
      newItem->Key = key;
      auto* stored = new THash1Item;
      stored->Key = Keys[bucket];
      stored->Value = Values[bucket];
      stored->Next = newItem;
      Keys[bucket] = reinterpret_cast<uintptr_t>(stored);
      States[bucket] = 2;
      break;
    }
    default: {
      auto* item = reinterpret_cast<THash1Item*>(Keys[bucket]);
      for (;;) {
        if (item->Key == key) return false;
        if (!item->Next) break;
        item = item->Next;
      }
      newItem = new THash1Item;
      newItem->Key = key;
      item->Next = newItem;
      break;
    }
  }
  ++Count;
  return true;
}

bool THash1::Add(uintptr_t key) {
  int bucket;
  THash1Item* item;
  return Insert(key, bucket, item);
}

TIEByteArray::TIEByteArray(int step) : Capacity(step), GrowthStep(step), Data(NewBlock(step)) {}

TIEByteArray::~TIEByteArray() { std::free(Data); }

void TIEByteArray::SetCount(int n) {
  if (n < 0) n = 0;
  if (n > Count) {
    if (n <= Capacity) {
      Count = n;
      return;
    }
    uint8_t* block = NewBlock(static_cast<int64_t>(n) + GrowthStep);
    if (Data) std::memcpy(block, Data, Count);
    std::free(Data);
    Data = block;
    Capacity = n + GrowthStep;
    Count = n;
    return;
  }
  if (n >= Capacity - GrowthStep) {
    Count = n;
    return;
  }
  // More than one growth step would stay idle: give memory back.
  uint8_t* block = NewBlock(static_cast<int64_t>(GrowthStep) + n);
  if (Data && n > 0) std::memcpy(block, Data, n);
  std::free(Data);
  Data = block;
  Capacity = GrowthStep + n;
  Count = n;
}

void TIEByteArray::AppendByte(uint8_t b) {
  SetCount(Count + 1);
  Data[Count - 1] = b;
}

int TIEByteArray::AppendFromStream(TStream* Stream, int n) {
  if (!Stream || n <= 0) return 0;
  const int old = Count;
  SetCount(old + n);
  int64_t got = Stream->Read(Data + old, n);
  if (got < 0) got = 0;
  if (got < n) SetCount(old + static_cast<int>(got));
  return static_cast<int>(got);
}
