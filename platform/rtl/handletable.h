// The handle table: 32-bit values standing for live objects.
//
// The original stored object addresses in 32-bit integers (script values, tags, messages). Here
// such a value is a handle: ObjectHandle gives an object its handle (the same one every time
// while it lives), HandleObject turns a handle back into the object. A handle is never given to
// another object while its object lives, and values are not reused until the 32-bit counter wraps
// around. When an object is destroyed, ~TObject drops its handle, so a stale handle finds
// nothing. Handle 0 stands for nil. All functions are thread-safe.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/rtl/object.h"

class THandleTable {
public:
  static uint32_t HandleOf(TObject* Obj);         // 0 for null
  static TObject* Lookup(uint32_t Handle);        // null for 0, stale or unknown values
  // Forgets Obj's handle (called by ~TObject; also usable earlier, e.g. when destruction starts).
  static void Release(TObject* Obj);
  static size_t Count();                          // live handles
  // Test hook: the next value to hand out (to exercise the wrap-around).
  static void SetNextValue(uint32_t Value);
};

inline uint32_t ObjectHandle(TObject* Obj) { return THandleTable::HandleOf(Obj); }
inline TObject* HandleObject(uint32_t Handle) { return THandleTable::Lookup(Handle); }
// Typed look-up: null when the handle is stale or the object is not a T.
template <class T> T* HandleObjectAs(uint32_t Handle) {
  TObject* o = HandleObject(Handle);
  return o && o->Is<T>() ? static_cast<T*>(o) : nullptr;
}
inline void ReleaseObjectHandle(TObject* Obj) { THandleTable::Release(Obj); }
