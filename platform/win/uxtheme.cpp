// The "no visual styles" theme functions: see uxtheme.h.
#include "platform/win/uxtheme.h"

#include "platform/win/winerror.h"

BOOL IsAppThemed() { return FALSE; }
BOOL IsThemeActive() { return FALSE; }

HTHEME OpenThemeData(HWND, LPCWSTR) {
  SetLastError(ERROR_NOT_SUPPORTED);
  return nullptr;
}

HTHEME GetWindowTheme(HWND) { return nullptr; }

HRESULT CloseThemeData(HTHEME theme) { return theme ? E_HANDLE : S_OK; }

HRESULT DrawThemeBackground(HTHEME, HDC, int, int, const RECT*, const RECT*) { return E_HANDLE; }

HRESULT DrawThemeText(HTHEME, HDC, int, int, LPCWSTR, int, DWORD, DWORD, const RECT*) {
  return E_HANDLE;
}

HRESULT DrawThemeParentBackground(HWND, HDC, const RECT*) { return E_HANDLE; }

HRESULT GetThemePartSize(HTHEME, HDC, int, int, const RECT*, THEMESIZE, SIZE* size) {
  if (size) *size = SIZE{0, 0};
  return E_HANDLE;
}

HRESULT GetThemeBackgroundContentRect(HTHEME, HDC, int, int, const RECT* bounds, RECT* content) {
  if (content && bounds) *content = *bounds;
  return E_HANDLE;
}

BOOL IsThemePartDefined(HTHEME, int, int) { return FALSE; }
BOOL IsThemeBackgroundPartiallyTransparent(HTHEME, int, int) { return FALSE; }

HRESULT SetWindowTheme(HWND, LPCWSTR, LPCWSTR) { return S_OK; }

DWORD GetThemeAppProperties() { return 0; }
void SetThemeAppProperties(DWORD) {}
