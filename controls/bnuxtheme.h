// The visual-style library, loaded at run time and shared by a reference count: the buttons'
// theme services (bnthemesrv.h) call it only through the function pointers resolved here, so
// that without the library (or without one of its functions) nothing themed is attempted.
//
// On this platform the library is the theme module of platform/win (uxtheme.h), which says that
// there are no visual styles: it loads, 15 of the 47 functions resolve, and IsAppThemed and
// IsThemeActive answer false, so VisualStylesActive is false and the buttons draw their own
// looks. A test may put another library in its place (SetVisualStyleLibrary).
#pragma once

#include "platform/win/uxtheme.h"

// A function of the library as an untyped address.
using TVisualStyleProc = void (*)();
// Stands for the library file: the address of the exported function of that name, or null when
// the library does not export it.
using TVisualStyleLibrary = TVisualStyleProc (*)(const char* Name);

// The 47 functions resolved by name, in the order they are looked up.
inline constexpr int VisualStyleFunctionCount = 47;
extern const char* const VisualStyleFunctionNames[VisualStyleFunctionCount];

// Loads the library when it is not loaded (and resolves its functions) and counts a reference.
// Returns whether the library is loaded.
bool LoadVisualStyles();
// Drops a reference; the last one frees the library and clears every function pointer.
void ReleaseVisualStyles();
// The library is loaded and both the application and the system are themed.
bool VisualStylesActive();
// The reference count (for tests).
int VisualStylesRefCount();
// The address resolved for a function name, or null (not loaded, not exported, not a name of
// the list).
TVisualStyleProc VisualStyleProc(const char* Name);

// What loading "uxtheme.dll" finds: the platform's theme module by default; null stands for a
// system without the library. Takes effect at the next load.
void SetVisualStyleLibrary(TVisualStyleLibrary Library);
TVisualStyleProc PlatformVisualStyleLibrary(const char* Name);

// The resolved functions the theme services call (null when unavailable).
namespace bnux {
extern HTHEME (*OpenThemeData)(HWND, LPCWSTR);
extern HRESULT (*CloseThemeData)(HTHEME);
extern HRESULT (*DrawThemeBackground)(HTHEME, HDC, int, int, const RECT*, const RECT*);
extern BOOL (*IsThemeBackgroundPartiallyTransparent)(HTHEME, int, int);
extern HRESULT (*DrawThemeParentBackground)(HWND, HDC, const RECT*);
extern BOOL (*IsThemeActive)();
extern BOOL (*IsAppThemed)();
extern DWORD (*GetThemeAppProperties)();
}  // namespace bnux
