// The process-wide handle table: a map from handle values to objects, the value kept in the
// object itself so that destruction and repeated requests need no search.
#include "platform/rtl/handletable.h"

#include <mutex>
#include <unordered_map>

namespace {
struct TTable {
  std::mutex Lock;
  std::unordered_map<uint32_t, TObject*> Objects;
  uint32_t Next = 1;
};
TTable& Table() {
  // Never destroyed: objects with handles may outlive static destruction order.
  static TTable* t = new TTable;
  return *t;
}
}  // namespace

uint32_t THandleTable::HandleOf(TObject* Obj) {
  if (!Obj) return 0;
  TTable& t = Table();
  std::lock_guard<std::mutex> g(t.Lock);
  if (Obj->FHandle) return Obj->FHandle;
  // Skip 0 and values still in use (possible only after the counter wrapped around).
  while (t.Next == 0 || t.Objects.count(t.Next)) ++t.Next;
  uint32_t h = t.Next++;
  t.Objects.emplace(h, Obj);
  Obj->FHandle = h;
  return h;
}

TObject* THandleTable::Lookup(uint32_t Handle) {
  if (!Handle) return nullptr;
  TTable& t = Table();
  std::lock_guard<std::mutex> g(t.Lock);
  auto it = t.Objects.find(Handle);
  return it == t.Objects.end() ? nullptr : it->second;
}

void THandleTable::Release(TObject* Obj) {
  if (!Obj) return;
  TTable& t = Table();
  std::lock_guard<std::mutex> g(t.Lock);
  if (!Obj->FHandle) return;
  t.Objects.erase(Obj->FHandle);
  Obj->FHandle = 0;
}

size_t THandleTable::Count() {
  TTable& t = Table();
  std::lock_guard<std::mutex> g(t.Lock);
  return t.Objects.size();
}

void THandleTable::SetNextValue(uint32_t Value) {
  TTable& t = Table();
  std::lock_guard<std::mutex> g(t.Lock);
  t.Next = Value;
}
