// The control classes a form stream may name in the filer entry points.
#pragma once

namespace orvfuzz {

// Registers the class library's common controls, menus and non-visual components with the filer
// (once per process).
void RegisterFormClasses();

}  // namespace orvfuzz
