// Flat scroll bars of the common controls: the same scroll bars as the window's own (SB_HORZ,
// SB_VERT, SB_CTL), drawn flat once InitializeFlatSB was called for the window. Before that (or
// after UninitializeFlatSB) the functions act on the standard bars all the same.
#pragma once

#include "platform/win/winuser.h"

// Properties of a window's flat scroll bars (FlatSB_SetScrollProp / FlatSB_GetScrollProp).
enum : UINT {
  WSB_PROP_CYVSCROLL = 0x1, WSB_PROP_CXHSCROLL = 0x2, WSB_PROP_CYHSCROLL = 0x4,
  WSB_PROP_CXVSCROLL = 0x8, WSB_PROP_CXHTHUMB = 0x10, WSB_PROP_CYVTHUMB = 0x20,
  WSB_PROP_VBKGCOLOR = 0x40, WSB_PROP_HBKGCOLOR = 0x80, WSB_PROP_VSTYLE = 0x100,
  WSB_PROP_HSTYLE = 0x200,
};
// Values of WSB_PROP_VSTYLE / WSB_PROP_HSTYLE.
enum : INT_PTR { FSB_REGULAR_MODE = 0, FSB_ENCARTA_MODE = 1, FSB_FLAT_MODE = 2 };

// Marks the window's bars as flat. Fails (FALSE) for a handle that is not a window.
BOOL InitializeFlatSB(HWND wnd);
// Back to standard bars; the positions and ranges stay. FALSE for a handle that is not a window.
BOOL UninitializeFlatSB(HWND wnd);
// TRUE while the window's bars are flat.
BOOL FlatSB_IsFlat(HWND wnd);
int FlatSB_SetScrollInfo(HWND wnd, int bar, const SCROLLINFO* si, BOOL redraw);
BOOL FlatSB_GetScrollInfo(HWND wnd, int bar, SCROLLINFO* si);
int FlatSB_SetScrollPos(HWND wnd, int bar, int pos, BOOL redraw);
int FlatSB_GetScrollPos(HWND wnd, int bar);
int FlatSB_SetScrollRange(HWND wnd, int bar, int minPos, int maxPos, BOOL redraw);
BOOL FlatSB_GetScrollRange(HWND wnd, int bar, int* minPos, int* maxPos);
BOOL FlatSB_ShowScrollBar(HWND wnd, int bar, BOOL show);
BOOL FlatSB_EnableScrollBar(HWND wnd, int bar, UINT arrows);
// Sets one property (a single WSB_PROP_* value); FALSE when the window's bars are not flat, the
// property is unknown or the value is not one it takes (a negative size, a style other than the
// three modes, a colour other than -1 or a COLORREF). Sizes start as the system metrics and
// colours as -1, the system scroll bar colour. A new bar thickness (WSB_PROP_CXVSCROLL,
// WSB_PROP_CYHSCROLL) changes the client area at once; the others show at the next redraw.
BOOL FlatSB_SetScrollProp(HWND wnd, UINT index, INT_PTR value, BOOL redraw);
BOOL FlatSB_GetScrollProp(HWND wnd, UINT index, INT_PTR* value);
