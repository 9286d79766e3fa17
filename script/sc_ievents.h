// Event adapters: a script procedure handling a class-library event. An adapter remembers the
// native object and the script procedure and presents a handler of the event's own type; the
// handler converts the native arguments to script values, calls the procedure and copies var
// arguments back. The global event list owns every adapter.
#pragma once

#include <vector>

#include "platform/rtl/object.h"
#include "platform/rtl/typinfo.h"
#include "script/sc_iinterpreter.h"

class TscCustomEvent : public TObject {
  ORV_CLASS(TscCustomEvent, TObject)
public:
  TscProcVariable* HandlerProc = nullptr;
  TObject* Instance = nullptr;
  // The event property the adapter serves: a new handler for it replaces this adapter.
  std::string EventName;
  // The handler to store in the native object's event property: a function of the event's type
  // that reaches this adapter through its handle (a freed adapter is simply not called), with
  // this adapter as the handler's object.
  virtual TMethod GetMethod() = 0;
  // Assigns the arguments to the procedure's parameters by position and calls it. False, having
  // done nothing, when the procedure is running already (an event fired by its own handler):
  // the caller then copies nothing back.
  bool CallHandler(const TscArgs& Args);
  // Parameter I of the procedure after the call (Null when it has no such parameter).
  Variant Param(int I) const;

protected:
  // This adapter's handle: the handler finds the adapter through it, so a freed adapter is
  // never reached.
  uint32_t SelfHandle();
};

class TscNotifyEvent : public TscCustomEvent {
  ORV_CLASS(TscNotifyEvent, TscCustomEvent)
public:
  TMethod GetMethod() override;
};

// The live adapters; the process keeps one, GlobalEventList, which owns them.
class TscEventList {
public:
  TscEventList() = default;
  TscEventList(const TscEventList&) = delete;
  TscEventList& operator=(const TscEventList&) = delete;
  ~TscEventList() { Clear(); }
  void Add(TscCustomEvent* Event) { FItems.push_back(Event); }
  int Count() const { return static_cast<int>(FItems.size()); }
  TscCustomEvent* Items(int Index) const { return FItems[static_cast<size_t>(Index)]; }
  bool Contains(const TObject* Event) const;
  // Frees and removes one adapter.
  void Remove(TscCustomEvent* Event);
  // Frees and removes, last to first, every adapter serving Obj.
  void FreeObjectEvents(TObject* Obj);
  // Frees and removes every adapter calling Proc (a script routine being destroyed: the events
  // it handled are not called any more).
  void FreeProcEvents(const TscProcVariable* Proc);
  void Clear();

private:
  std::vector<TscCustomEvent*> FItems;
};

// The global event list, made on first use; null once the engine has shut down.
TscEventList* GlobalEventList();
// The global event list when it exists, without making it.
TscEventList* scExistingEventList();
// Frees the global event list and its adapters (the engine's shut-down calls it).
void scFreeGlobalEventList();
