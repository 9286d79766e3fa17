// The visual-style (theme) functions. This platform has no visual styles: every query says so
// and every drawing call fails, which is the path the callers already take on a system whose
// visual styles are off (they then draw their own classic looks). Nothing here draws.
#pragma once

#include "platform/rtl/hresult.h"
#include "platform/win/windef.h"

struct HTHEME__;
using HTHEME = HTHEME__*;

// The HRESULT of an invalid handle (0x80070006), what the theme calls give without a theme.
constexpr HRESULT E_HANDLE = int32_t(0x80070006u);

// FALSE: the application is not themed and no theme is active.
BOOL IsAppThemed();
BOOL IsThemeActive();
// Null: no theme data for any class list (GetLastError is ERROR_NOT_SUPPORTED).
HTHEME OpenThemeData(HWND wnd, LPCWSTR classList);
// Null: no window has theme data.
HTHEME GetWindowTheme(HWND wnd);
// S_OK for null (nothing to close); E_HANDLE for anything else, which cannot be a theme.
HRESULT CloseThemeData(HTHEME theme);
// E_HANDLE: there is no theme to draw with; nothing is drawn.
HRESULT DrawThemeBackground(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                            const RECT* clipRect);
HRESULT DrawThemeText(HTHEME theme, HDC dc, int partId, int stateId, LPCWSTR text, int charCount,
                      DWORD textFlags, DWORD textFlags2, const RECT* rect);
HRESULT DrawThemeParentBackground(HWND wnd, HDC dc, const RECT* rect);
enum THEMESIZE { TS_MIN = 0, TS_TRUE = 1, TS_DRAW = 2 };
// E_HANDLE; size is set to 0 x 0.
HRESULT GetThemePartSize(HTHEME theme, HDC dc, int partId, int stateId, const RECT* rect,
                         THEMESIZE sizeKind, SIZE* size);
// E_HANDLE; contentRect receives the bounding rectangle unchanged.
HRESULT GetThemeBackgroundContentRect(HTHEME theme, HDC dc, int partId, int stateId,
                                      const RECT* boundingRect, RECT* contentRect);
// FALSE: nothing is defined or transparent without a theme.
BOOL IsThemePartDefined(HTHEME theme, int partId, int stateId);
BOOL IsThemeBackgroundPartiallyTransparent(HTHEME theme, int partId, int stateId);
// S_OK, and nothing changes: windows have no visual style to switch on or off.
HRESULT SetWindowTheme(HWND wnd, LPCWSTR subAppName, LPCWSTR subIdList);
enum : DWORD {
  STAP_ALLOW_NONCLIENT = 1,
  STAP_ALLOW_CONTROLS = 2,
  STAP_ALLOW_WEBCONTENT = 4,
};
// 0: no part of the application is allowed visual styles.
DWORD GetThemeAppProperties();
// Accepted and ignored.
void SetThemeAppProperties(DWORD flags);
