// The user-level drawing calls beside the GDI: rectangles with brushes, edges, focus
// rectangles, frame controls, formatted text, and the system colours and metrics they use.
// The window manager's header includes this one.
#pragma once

#include "platform/win/wingdi.h"

// ---- System colours ----
enum : int {
  COLOR_SCROLLBAR = 0, COLOR_BACKGROUND = 1, COLOR_DESKTOP = 1, COLOR_ACTIVECAPTION = 2,
  COLOR_INACTIVECAPTION = 3, COLOR_MENU = 4, COLOR_WINDOW = 5, COLOR_WINDOWFRAME = 6,
  COLOR_MENUTEXT = 7, COLOR_WINDOWTEXT = 8, COLOR_CAPTIONTEXT = 9, COLOR_ACTIVEBORDER = 10,
  COLOR_INACTIVEBORDER = 11, COLOR_APPWORKSPACE = 12, COLOR_HIGHLIGHT = 13,
  COLOR_HIGHLIGHTTEXT = 14, COLOR_BTNFACE = 15, COLOR_3DFACE = 15, COLOR_BTNSHADOW = 16,
  COLOR_3DSHADOW = 16, COLOR_GRAYTEXT = 17, COLOR_BTNTEXT = 18, COLOR_INACTIVECAPTIONTEXT = 19,
  COLOR_BTNHIGHLIGHT = 20, COLOR_3DHIGHLIGHT = 20, COLOR_3DDKSHADOW = 21, COLOR_3DLIGHT = 22,
  COLOR_INFOTEXT = 23, COLOR_INFOBK = 24, COLOR_HOTLIGHT = 26, COLOR_GRADIENTACTIVECAPTION = 27,
  COLOR_GRADIENTINACTIVECAPTION = 28, COLOR_MENUHILIGHT = 29, COLOR_MENUBAR = 30,
  COLOR_ENDCOLORS = 30,
};
DWORD GetSysColor(int index);
// Stock brushes of the system colours; never deleted.
HBRUSH GetSysColorBrush(int index);
// Changes system colours for the process (the skins and the tests use it).
BOOL SetSysColors(int count, const INT* indexes, const COLORREF* colours);

// ---- System metrics ----
enum : int {
  SM_CXSCREEN = 0, SM_CYSCREEN = 1, SM_CXVSCROLL = 2, SM_CYHSCROLL = 3, SM_CYCAPTION = 4,
  SM_CXBORDER = 5, SM_CYBORDER = 6, SM_CXDLGFRAME = 7, SM_CXFIXEDFRAME = 7,
  SM_CYDLGFRAME = 8, SM_CYFIXEDFRAME = 8, SM_CYVTHUMB = 9, SM_CXHTHUMB = 10, SM_CXICON = 11,
  SM_CYICON = 12, SM_CXCURSOR = 13, SM_CYCURSOR = 14, SM_CYMENU = 15, SM_CXFULLSCREEN = 16,
  SM_CYFULLSCREEN = 17, SM_CYVSCROLL = 20, SM_CXHSCROLL = 21, SM_SWAPBUTTON = 23,
  SM_CXMIN = 28, SM_CYMIN = 29, SM_CXSIZE = 30, SM_CYSIZE = 31, SM_CXFRAME = 32,
  SM_CXSIZEFRAME = 32, SM_CYFRAME = 33, SM_CYSIZEFRAME = 33, SM_CXDOUBLECLK = 36,
  SM_CYDOUBLECLK = 37, SM_CXICONSPACING = 38, SM_CYICONSPACING = 39, SM_CXEDGE = 45,
  SM_CYEDGE = 46, SM_CXSMICON = 49, SM_CYSMICON = 50, SM_CYSMCAPTION = 51, SM_CXSMSIZE = 52,
  SM_CYSMSIZE = 53, SM_CXMENUSIZE = 54, SM_CYMENUSIZE = 55, SM_CXMINTRACK = 34,
  SM_CYMINTRACK = 35, SM_CXMAXTRACK = 59, SM_CYMAXTRACK = 60,
  SM_CXMAXIMIZED = 61, SM_CYMAXIMIZED = 62, SM_CXDRAG = 68, SM_CYDRAG = 69,
  SM_CXMENUCHECK = 71, SM_CYMENUCHECK = 72, SM_MOUSEWHEELPRESENT = 75,
  SM_XVIRTUALSCREEN = 76, SM_YVIRTUALSCREEN = 77, SM_CXVIRTUALSCREEN = 78, SM_CYVIRTUALSCREEN = 79, SM_CMONITORS = 80,
  SM_REMOTESESSION = 0x1000,
};
int GetSystemMetrics(int index);

// ---- Rectangles with brushes ----
// A brush argument may also be a system colour index + 1, as the original allows.
int FillRect(HDC dc, const RECT* r, HBRUSH br);
int FrameRect(HDC dc, const RECT* r, HBRUSH br);
BOOL InvertRect(HDC dc, const RECT* r);
BOOL DrawFocusRect(HDC dc, const RECT* r);

// ---- Edges ----
enum : UINT {
  BDR_RAISEDOUTER = 0x0001, BDR_SUNKENOUTER = 0x0002, BDR_RAISEDINNER = 0x0004,
  BDR_SUNKENINNER = 0x0008, BDR_OUTER = 0x0003, BDR_INNER = 0x000C, BDR_RAISED = 0x0005,
  BDR_SUNKEN = 0x000A,
  EDGE_RAISED = BDR_RAISEDOUTER | BDR_RAISEDINNER, EDGE_SUNKEN = BDR_SUNKENOUTER | BDR_SUNKENINNER,
  EDGE_ETCHED = BDR_SUNKENOUTER | BDR_RAISEDINNER, EDGE_BUMP = BDR_RAISEDOUTER | BDR_SUNKENINNER,
};
enum : UINT {
  BF_LEFT = 0x0001, BF_TOP = 0x0002, BF_RIGHT = 0x0004, BF_BOTTOM = 0x0008,
  BF_TOPLEFT = 0x0003, BF_TOPRIGHT = 0x0006, BF_BOTTOMLEFT = 0x0009, BF_BOTTOMRIGHT = 0x000C,
  BF_RECT = 0x000F, BF_DIAGONAL = 0x0010, BF_MIDDLE = 0x0800, BF_SOFT = 0x1000,
  BF_ADJUST = 0x2000, BF_FLAT = 0x4000, BF_MONO = 0x8000,
};
// Draws the edge inside *r; with BF_ADJUST shrinks *r to the area left inside.
BOOL DrawEdge(HDC dc, RECT* r, UINT edge, UINT flags);

// ---- Frame controls ----
enum : UINT { DFC_CAPTION = 1, DFC_MENU = 2, DFC_SCROLL = 3, DFC_BUTTON = 4, DFC_POPUPMENU = 5 };
enum : UINT {
  DFCS_CAPTIONCLOSE = 0x0000, DFCS_CAPTIONMIN = 0x0001, DFCS_CAPTIONMAX = 0x0002,
  DFCS_CAPTIONRESTORE = 0x0003, DFCS_CAPTIONHELP = 0x0004, DFCS_MENUARROW = 0x0000,
  DFCS_MENUCHECK = 0x0001, DFCS_MENUBULLET = 0x0002, DFCS_SCROLLUP = 0x0000,
  DFCS_SCROLLDOWN = 0x0001, DFCS_SCROLLLEFT = 0x0002, DFCS_SCROLLRIGHT = 0x0003,
  DFCS_SCROLLCOMBOBOX = 0x0005, DFCS_SCROLLSIZEGRIP = 0x0008, DFCS_BUTTONCHECK = 0x0000,
  DFCS_BUTTONRADIOIMAGE = 0x0001, DFCS_BUTTONRADIOMASK = 0x0002, DFCS_BUTTONRADIO = 0x0004,
  DFCS_BUTTON3STATE = 0x0008, DFCS_BUTTONPUSH = 0x0010, DFCS_INACTIVE = 0x0100,
  DFCS_PUSHED = 0x0200, DFCS_CHECKED = 0x0400, DFCS_TRANSPARENT = 0x0800, DFCS_HOT = 0x1000,
  DFCS_ADJUSTRECT = 0x2000, DFCS_FLAT = 0x4000, DFCS_MONO = 0x8000,
};
BOOL DrawFrameControl(HDC dc, RECT* r, UINT type, UINT state);

// ---- Formatted text ----
enum : UINT {
  DT_TOP = 0x0000, DT_LEFT = 0x0000, DT_CENTER = 0x0001, DT_RIGHT = 0x0002, DT_VCENTER = 0x0004,
  DT_BOTTOM = 0x0008, DT_WORDBREAK = 0x0010, DT_SINGLELINE = 0x0020, DT_EXPANDTABS = 0x0040,
  DT_TABSTOP = 0x0080, DT_NOCLIP = 0x0100, DT_EXTERNALLEADING = 0x0200, DT_CALCRECT = 0x0400,
  DT_NOPREFIX = 0x0800, DT_INTERNAL = 0x1000, DT_EDITCONTROL = 0x2000,
  DT_PATH_ELLIPSIS = 0x4000, DT_END_ELLIPSIS = 0x8000, DT_MODIFYSTRING = 0x10000,
  DT_RTLREADING = 0x20000, DT_WORD_ELLIPSIS = 0x40000, DT_NOFULLWIDTHCHARBREAK = 0x80000,
  DT_HIDEPREFIX = 0x100000, DT_PREFIXONLY = 0x200000,
};
// text is UTF-8; count -1 means up to the terminating zero. Returns the text height (from the
// top of *r; with DT_VCENTER/DT_BOTTOM the offset of the bottom), 0 on failure. DT_CALCRECT
// only measures and sets r->right/bottom. DT_MODIFYSTRING needs a writable buffer with room
// for four more bytes.
int DrawText(HDC dc, LPCSTR text, int count, RECT* r, UINT format);
inline int DrawTextA(HDC dc, LPCSTR t, int n, RECT* r, UINT f) { return DrawText(dc, t, n, r, f); }
int DrawTextW(HDC dc, LPCWSTR text, int count, RECT* r, UINT format);

// ---- Icons ----
// An icon keeps copies of its colour bitmap and its mask (1 = transparent). A colour bitmap of
// 32 bits with any alpha is drawn blended; otherwise the mask ANDs and the colour XORs, so an
// icon without colour bitmap (a monochrome one: the mask holds both halves) inverts where both
// bits are set.
struct ICONINFO {
  BOOL fIcon;
  DWORD xHotspot;
  DWORD yHotspot;
  HBITMAP hbmMask;
  HBITMAP hbmColor;
};
enum : UINT { DI_MASK = 1, DI_IMAGE = 2, DI_NORMAL = 3, DI_COMPAT = 4, DI_DEFAULTSIZE = 8 };
HICON CreateIconIndirect(const ICONINFO* info);
// The caller owns the two bitmaps it gets.
BOOL GetIconInfo(HICON icon, ICONINFO* info);
HICON CopyIcon(HICON icon);
BOOL DestroyIcon(HICON icon);
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH flickerFree, UINT flags);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);
// A copy of an icon (IMAGE_ICON) scaled to cx x cy pixels (0: the icon's own size), colour and
// mask each resized by nearest pixel in their own depth; the caller destroys it. Other image
// types give nullptr.
enum : UINT { IMAGE_BITMAP = 0, IMAGE_ICON = 1, IMAGE_CURSOR = 2 };
enum : UINT { LR_DEFAULTCOLOR = 0, LR_COPYDELETEORG = 8 };
HANDLE CopyImage(HANDLE image, UINT type, int cx, int cy, UINT flags);
