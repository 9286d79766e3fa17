// Basic types of the Windows API stand-in: integers, handles, points, rectangles and colours.
//
// Shared by the GDI (wingdi.h), the user-level drawing calls (gdi_user.h) and the window manager.
// WPARAM, LPARAM and LRESULT are 64-bit so that a pointer fits; LONG and DWORD stay 32-bit
// because records such as LOGFONT and BITMAPINFOHEADER are stored in files with that layout.
// Handles are opaque pointers: each kind is a distinct type that converts to HANDLE/HGDIOBJ.
#pragma once

#include <cstddef>
#include <cstdint>

using BOOL = int;
using BYTE = uint8_t;
using WORD = uint16_t;
using DWORD = uint32_t;
using UINT = uint32_t;
using UINT32 = uint32_t;
using ULONG_PTR = uintptr_t;
using INT = int32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using SHORT = int16_t;
using USHORT = uint16_t;
using LONGLONG = int64_t;
using WCHAR = char16_t;
using CHAR = char;
using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = char16_t*;
using LPCWSTR = const char16_t*;
using LPVOID = void*;
using LPCVOID = const void*;
using WPARAM = uint64_t;
using LPARAM = int64_t;
using LRESULT = int64_t;
using UINT_PTR = uintptr_t;
using INT_PTR = intptr_t;
using LONG_PTR = intptr_t;
using DWORD_PTR = uintptr_t;
using COLORREF = DWORD;
using ATOM = WORD;

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

using HANDLE = void*;
using HGDIOBJ = void*;
#define ORV_DECLARE_HANDLE(name) \
  struct name##__;               \
  using name = name##__*
ORV_DECLARE_HANDLE(HWND);
ORV_DECLARE_HANDLE(HDC);
ORV_DECLARE_HANDLE(HPEN);
ORV_DECLARE_HANDLE(HBRUSH);
ORV_DECLARE_HANDLE(HFONT);
ORV_DECLARE_HANDLE(HBITMAP);
ORV_DECLARE_HANDLE(HRGN);
ORV_DECLARE_HANDLE(HPALETTE);
ORV_DECLARE_HANDLE(HENHMETAFILE);
ORV_DECLARE_HANDLE(HICON);
ORV_DECLARE_HANDLE(HINSTANCE);
ORV_DECLARE_HANDLE(HMENU);
using HCURSOR = HICON;
using HMODULE = HINSTANCE;
#undef ORV_DECLARE_HANDLE

struct POINT {
  LONG x;
  LONG y;
};
struct SIZE {
  LONG cx;
  LONG cy;
};
struct RECT {
  LONG left;
  LONG top;
  LONG right;
  LONG bottom;
};
struct POINTS {
  SHORT x;
  SHORT y;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;
using LPPOINT = POINT*;
using LPSIZE = SIZE*;

inline bool operator==(const POINT& a, const POINT& b) { return a.x == b.x && a.y == b.y; }
inline bool operator==(const SIZE& a, const SIZE& b) { return a.cx == b.cx && a.cy == b.cy; }
inline bool operator==(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// Colours: 0x00bbggrr.
constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr BYTE GetRValue(COLORREF c) { return static_cast<BYTE>(c & 0xFF); }
constexpr BYTE GetGValue(COLORREF c) { return static_cast<BYTE>((c >> 8) & 0xFF); }
constexpr BYTE GetBValue(COLORREF c) { return static_cast<BYTE>((c >> 16) & 0xFF); }
constexpr COLORREF PALETTEINDEX(int i) { return 0x01000000u | static_cast<WORD>(i); }
constexpr COLORREF PALETTERGB(int r, int g, int b) { return 0x02000000u | RGB(r, g, b); }
constexpr DWORD CLR_INVALID = 0xFFFFFFFF;

constexpr WORD LOWORD(uint64_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(uint64_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr BYTE LOBYTE(uint64_t v) { return static_cast<BYTE>(v & 0xFF); }
constexpr BYTE HIBYTE(uint64_t v) { return static_cast<BYTE>((v >> 8) & 0xFF); }
constexpr DWORD MAKELONG(WORD lo, WORD hi) { return static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16); }
constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) { return static_cast<LPARAM>(MAKELONG(lo, hi)); }
constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) { return static_cast<WPARAM>(MAKELONG(lo, hi)); }

// Rectangle helpers (the right and bottom edges are exclusive everywhere).
BOOL SetRect(RECT* r, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* r);
BOOL CopyRect(RECT* dst, const RECT* src);
BOOL InflateRect(RECT* r, int dx, int dy);
BOOL OffsetRect(RECT* r, int dx, int dy);
BOOL IsRectEmpty(const RECT* r);
BOOL PtInRect(const RECT* r, POINT p);
BOOL EqualRect(const RECT* a, const RECT* b);
// Returns FALSE and an empty *dst when the rectangles do not overlap.
BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b);
BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b);
// *dst = a minus b when b covers a whole side of a; otherwise a.
BOOL SubtractRect(RECT* dst, const RECT* a, const RECT* b);
// Number * Numerator / Denominator, rounded (the runtime provides it).
int MulDiv(int Number, int Numerator, int Denominator);
