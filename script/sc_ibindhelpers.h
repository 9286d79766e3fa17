// Helpers every binding unit uses to move objects between script values and native calls.
#pragma once

#include "platform/rtl/sysutils.h"
#include "script/sc_iinterpreter.h"

namespace scbind {

// The object a script value names, as T; nil when the value names none or one of another class.
template <class T>
T* Obj(const Variant& V) {
  return ObjectAs<T>(scValueToObject(V));
}

// The instance a member was called on, as T; a nil instance is a script error.
template <class T>
T* Self(TObject* Instance) {
  if (!Instance) throw EInvalidPointer("Invalid object reference");
  return Instance->As<T>();
}

// The script value that names O.
inline Variant Ref(TObject* O) { return scObjectToValue(O); }

}  // namespace scbind
