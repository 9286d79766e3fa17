// Functions of a shared library opened at first use (dlopen): one typed lookup for every loader.
#pragma once

#include <dlfcn.h>

// Sets Slot to the library's function Name; false (and Slot null) when the library lacks it.
template <class F>
bool ResolveLibraryFunction(void* Lib, F* Slot, const char* Name) {
  *Slot = reinterpret_cast<F>(dlsym(Lib, Name));
  return *Slot != nullptr;
}
