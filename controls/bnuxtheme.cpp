// Loading and sharing the visual-style library (see bnuxtheme.h).
#include "controls/bnuxtheme.h"

#include <cstring>
#include <mutex>

const char* const VisualStyleFunctionNames[VisualStyleFunctionCount] = {
    "OpenThemeData",
    "CloseThemeData",
    "DrawThemeBackground",
    "DrawThemeText",
    "GetThemeBackgroundContentRect",
    "GetThemeBackgroundExtent",
    "GetThemePartSize",
    "GetThemeTextExtent",
    "GetThemeTextMetrics",
    "GetThemeBackgroundRegion",
    "HitTestThemeBackground",
    "DrawThemeEdge",
    "DrawThemeIcon",
    "IsThemePartDefined",
    "IsThemeBackgroundPartiallyTransparent",
    "GetThemeColor",
    "GetThemeMetric",
    "GetThemeString",
    "GetThemeBool",
    "GetThemeInt",
    "GetThemeEnumValue",
    "GetThemePosition",
    "GetThemeFont",
    "GetThemeRect",
    "GetThemeMargins",
    "GetThemeIntList",
    "GetThemePropertyOrigin",
    "SetWindowTheme",
    "GetThemeFilename",
    "GetThemeSysColor",
    "GetThemeSysColorBrush",
    "GetThemeSysBool",
    "GetThemeSysSize",
    "GetThemeSysFont",
    "GetThemeSysString",
    "GetThemeSysInt",
    "IsThemeActive",
    "IsAppThemed",
    "GetWindowTheme",
    "EnableThemeDialogTexture",
    "IsThemeDialogTextureEnabled",
    "GetThemeAppProperties",
    "SetThemeAppProperties",
    "GetCurrentThemeName",
    "GetThemeDocumentationProperty",
    "DrawThemeParentBackground",
    "EnableTheming",
};

namespace bnux {
HTHEME (*OpenThemeData)(HWND, LPCWSTR) = nullptr;
HRESULT (*CloseThemeData)(HTHEME) = nullptr;
HRESULT (*DrawThemeBackground)(HTHEME, HDC, int, int, const RECT*, const RECT*) = nullptr;
BOOL (*IsThemeBackgroundPartiallyTransparent)(HTHEME, int, int) = nullptr;
HRESULT (*DrawThemeParentBackground)(HWND, HDC, const RECT*) = nullptr;
BOOL (*IsThemeActive)() = nullptr;
BOOL (*IsAppThemed)() = nullptr;
DWORD (*GetThemeAppProperties)() = nullptr;
}  // namespace bnux

namespace {

template <class F>
TVisualStyleProc Untyped(F* Function) {
  return reinterpret_cast<TVisualStyleProc>(Function);
}

struct TLibraryState {
  std::mutex Lock;  // serialises loading and releasing
  bool Loaded = false;
  int RefCount = 0;
  TVisualStyleProc Procs[VisualStyleFunctionCount] = {};
  TVisualStyleLibrary Library = &PlatformVisualStyleLibrary;
};
TLibraryState& State() {
  static TLibraryState s;
  return s;
}

int IndexOf(const char* Name) {
  for (int i = 0; i < VisualStyleFunctionCount; ++i)
    if (std::strcmp(VisualStyleFunctionNames[i], Name) == 0) return i;
  return -1;
}

template <class F>
void Bind(F*& Pointer, const char* Name, const TLibraryState& S) {
  const int i = IndexOf(Name);
  Pointer = i >= 0 ? reinterpret_cast<F*>(S.Procs[i]) : nullptr;
}

void BindAll(const TLibraryState& S) {
  Bind(bnux::OpenThemeData, "OpenThemeData", S);
  Bind(bnux::CloseThemeData, "CloseThemeData", S);
  Bind(bnux::DrawThemeBackground, "DrawThemeBackground", S);
  Bind(bnux::IsThemeBackgroundPartiallyTransparent, "IsThemeBackgroundPartiallyTransparent", S);
  Bind(bnux::DrawThemeParentBackground, "DrawThemeParentBackground", S);
  Bind(bnux::IsThemeActive, "IsThemeActive", S);
  Bind(bnux::IsAppThemed, "IsAppThemed", S);
  Bind(bnux::GetThemeAppProperties, "GetThemeAppProperties", S);
}

// Shut-down: every reference is dropped, and the library goes with the last.
struct TUnit {
  TUnit() { State(); }  // made first, so that it outlives this object
  ~TUnit() {
    while (VisualStylesRefCount() > 0) ReleaseVisualStyles();
  }
} gUnit;

}  // namespace

TVisualStyleProc PlatformVisualStyleLibrary(const char* Name) {
  struct TExport {
    const char* Name;
    TVisualStyleProc Proc;
  };
  static const TExport exports[] = {
      {"OpenThemeData", Untyped(&::OpenThemeData)},
      {"CloseThemeData", Untyped(&::CloseThemeData)},
      {"DrawThemeBackground", Untyped(&::DrawThemeBackground)},
      {"DrawThemeText", Untyped(&::DrawThemeText)},
      {"GetThemeBackgroundContentRect", Untyped(&::GetThemeBackgroundContentRect)},
      {"GetThemePartSize", Untyped(&::GetThemePartSize)},
      {"IsThemePartDefined", Untyped(&::IsThemePartDefined)},
      {"IsThemeBackgroundPartiallyTransparent", Untyped(&::IsThemeBackgroundPartiallyTransparent)},
      {"SetWindowTheme", Untyped(&::SetWindowTheme)},
      {"IsThemeActive", Untyped(&::IsThemeActive)},
      {"IsAppThemed", Untyped(&::IsAppThemed)},
      {"GetWindowTheme", Untyped(&::GetWindowTheme)},
      {"GetThemeAppProperties", Untyped(&::GetThemeAppProperties)},
      {"SetThemeAppProperties", Untyped(&::SetThemeAppProperties)},
      {"DrawThemeParentBackground", Untyped(&::DrawThemeParentBackground)},
  };
  for (const TExport& e : exports)
    if (std::strcmp(e.Name, Name) == 0) return e.Proc;
  return nullptr;
}

void SetVisualStyleLibrary(TVisualStyleLibrary Library) {
  TLibraryState& s = State();
  std::lock_guard<std::mutex> g(s.Lock);
  s.Library = Library;
}

bool LoadVisualStyles() {
  TLibraryState& s = State();
  std::lock_guard<std::mutex> g(s.Lock);
  ++s.RefCount;
  if (!s.Loaded && s.Library) {
    s.Loaded = true;
    for (int i = 0; i < VisualStyleFunctionCount; ++i)
      s.Procs[i] = s.Library(VisualStyleFunctionNames[i]);
    BindAll(s);
  }
  return s.Loaded;
}

void ReleaseVisualStyles() {
  TLibraryState& s = State();
  std::lock_guard<std::mutex> g(s.Lock);
  if (s.RefCount > 0) --s.RefCount;
  if (s.Loaded && s.RefCount == 0) {
    s.Loaded = false;
    for (TVisualStyleProc& p : s.Procs) p = nullptr;
    BindAll(s);
  }
}

bool VisualStylesActive() {
  TLibraryState& s = State();
  {
    std::lock_guard<std::mutex> g(s.Lock);
    if (!s.Loaded) return false;
  }
  return bnux::IsAppThemed && bnux::IsThemeActive && bnux::IsAppThemed() && bnux::IsThemeActive();
}

int VisualStylesRefCount() {
  TLibraryState& s = State();
  std::lock_guard<std::mutex> g(s.Lock);
  return s.RefCount;
}

TVisualStyleProc VisualStyleProc(const char* Name) {
  TLibraryState& s = State();
  std::lock_guard<std::mutex> g(s.Lock);
  const int i = IndexOf(Name);
  return s.Loaded && i >= 0 ? s.Procs[i] : nullptr;
}
