// Event adapters, the global event list and the binding of script procedures to events.
#include "script/sc_ievents.h"

#include <algorithm>

#include "platform/rtl/handletable.h"
#include "platform/rtl/persistent.h"
#include "platform/rtl/sysutils.h"
#include "script/sc_iconst.h"
#include "script/sc_itools.h"

ORV_CLASS_IMPL(TscCustomEvent, TObject)
ORV_CLASS_IMPL(TscNotifyEvent, TscCustomEvent)

namespace {
TscEventList* gEvents = nullptr;
bool gEventsFreed = false;
}  // namespace

TscEventList* GlobalEventList() {
  if (!gEvents && !gEventsFreed) gEvents = new TscEventList();
  return gEvents;
}

TscEventList* scExistingEventList() { return gEvents; }

void scFreeGlobalEventList() {
  delete gEvents;
  gEvents = nullptr;
  gEventsFreed = true;
}

bool TscEventList::Contains(const TObject* Event) const {
  return std::find(FItems.begin(), FItems.end(), Event) != FItems.end();
}

void TscEventList::Remove(TscCustomEvent* Event) {
  auto it = std::find(FItems.begin(), FItems.end(), Event);
  if (it == FItems.end()) return;
  FItems.erase(it);
  delete Event;
}

void TscEventList::FreeObjectEvents(TObject* Obj) {
  for (size_t i = FItems.size(); i-- > 0;) {
    if (i >= FItems.size() || FItems[i]->Instance != Obj) continue;
    TscCustomEvent* e = FItems[i];
    FItems.erase(FItems.begin() + static_cast<long>(i));
    delete e;
  }
}

void TscEventList::FreeProcEvents(const TscProcVariable* Proc) {
  for (size_t i = FItems.size(); i-- > 0;) {
    if (i >= FItems.size() || FItems[i]->HandlerProc != Proc) continue;
    TscCustomEvent* e = FItems[i];
    FItems.erase(FItems.begin() + static_cast<long>(i));
    delete e;
  }
}

void TscEventList::Clear() {
  while (!FItems.empty()) {
    TscCustomEvent* e = FItems.back();
    FItems.pop_back();
    delete e;
  }
}

uint32_t TscCustomEvent::SelfHandle() { return ObjectHandle(this); }

bool TscCustomEvent::CallHandler(const TscArgs& Args) {
  TscProcVariable* p = HandlerProc;
  if (!p || p->Executing) return false;
  int n = std::min(static_cast<int>(Args.size()), p->ParamCount());
  for (int i = 0; i < n; ++i) p->Param(i)->Value = Args[static_cast<size_t>(i)];
  p->GetValue();
  return true;
}

Variant TscCustomEvent::Param(int I) const {
  if (!HandlerProc || I >= HandlerProc->ParamCount()) return Null();
  return HandlerProc->Param(I)->Value;
}

TMethod TscNotifyEvent::GetMethod() {
  uint32_t h = SelfHandle();
  TMethod m;
  m.Code = TNotifyEvent([h](TObject* Sender) {
    if (auto* e = HandleObjectAs<TscCustomEvent>(h)) e->CallHandler({scObjectToValue(Sender)});
  });
  m.Data = this;
  return m;
}

// ---- Binding a handler through an event property ----------------------------------------------

void TscEventHelper::SetValue(const Variant& V) {
  if (PrevValue.IsNull())
    throw EVariantTypeCastError("Could not convert variant of type (Null) into type (Integer)");
  TObject* inst = scValueToObject(PrevValue);
  if (!inst) return;
  PPropInfo pi = GetPropInfo(inst, Name, tkMethods);
  if (!pi) throw EPropertyError("Property " + Name + " does not exist");
  TscEventList* list = GlobalEventList();
  TMethod handler;
  TscCustomEvent* adapter = nullptr;
  if (VarToStr(V) != "0") {
    TscCustomVariable* item = CallerProgram ? CallerProgram->Find(VarToStr(V)) : nullptr;
    auto* proc = item && item->Is(kfProc) ? static_cast<TscProcVariable*>(item) : nullptr;
    if (!proc) throw Exception(SEventError);
    TObject* made =
        AdapterClass && AdapterClass->Factory ? AdapterClass->Factory(nullptr) : nullptr;
    adapter = made && made->Is<TscCustomEvent>() ? static_cast<TscCustomEvent*>(made) : nullptr;
    if (!adapter) {
      delete made;
      throw Exception(SEventError);
    }
    adapter->Instance = inst;
    adapter->HandlerProc = proc;
    adapter->EventName = pi->Name;
    if (list) list->Add(adapter);
    handler = adapter->GetMethod();
    handler.Name = proc->Name;
  }
  // The adapter the property held until now is replaced: it is freed once the object no longer
  // points to it.
  try {
    SetMethodProp(inst, pi, handler);
  } catch (...) {
    if (adapter && list)
      list->Remove(adapter);
    else
      delete adapter;
    throw;
  }
  if (!list) return;
  for (int i = list->Count() - 1; i >= 0; --i) {
    TscCustomEvent* e = list->Items(i);
    if (e != adapter && e->Instance == inst && scSameName(e->EventName, pi->Name)) list->Remove(e);
  }
}
