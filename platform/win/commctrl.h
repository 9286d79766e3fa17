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

// ---- Track bars (window class "msctls_trackbar32") ----
// Styles: ticks drawn automatically at every Frequency-th value (TBS_AUTOTICKS), a vertical bar,
// tick marks above/left (TBS_TOP = TBS_LEFT) or on both sides (TBS_BOTH), no ticks at all.
enum : DWORD {
  TBS_AUTOTICKS = 0x0001, TBS_VERT = 0x0002, TBS_HORZ = 0x0000, TBS_TOP = 0x0004, TBS_BOTTOM = 0x0000,
  TBS_LEFT = 0x0004, TBS_RIGHT = 0x0000, TBS_BOTH = 0x0008, TBS_NOTICKS = 0x0010,
  TBS_ENABLESELRANGE = 0x0020,
};
// Tick messages. The first and the last tick (at the minimum and the maximum) are always there and
// are not part of the tick array: TBM_GETTIC, TBM_GETPTICS and TBM_GETTICPOS count the ticks in
// between (index 0 is the first of them); TBM_GETNUMTICS counts all, ends included (0 without
// ticks). TBM_SETTIC (lParam = a value strictly inside the range) adds a manual tick and answers
// FALSE for a value outside; TBM_CLEARTICS drops the ticks in between; TBM_SETTICFREQ (wParam)
// sets the step of the automatic ticks. TBM_GETTICPOS answers the tick's client x (y for a
// vertical bar), -1 for a bad index; TBM_GETPTICS a pointer to the values, valid until the ticks
// change.
enum : UINT {
  TBM_GETPOS = WM_USER, TBM_GETRANGEMIN = WM_USER + 1, TBM_GETRANGEMAX = WM_USER + 2,
  TBM_GETTIC = WM_USER + 3, TBM_SETTIC = WM_USER + 4, TBM_SETPOS = WM_USER + 5,
  TBM_SETRANGEMIN = WM_USER + 7, TBM_SETRANGEMAX = WM_USER + 8, TBM_CLEARTICS = WM_USER + 9,
  TBM_GETPTICS = WM_USER + 14, TBM_GETTICPOS = WM_USER + 15, TBM_GETNUMTICS = WM_USER + 16,
  TBM_SETTICFREQ = WM_USER + 20,
  // The selected range, shown in the channel: TBM_SETSEL (lParam = MAKELONG(start, end)),
  // TBM_SETSELSTART / TBM_SETSELEND (lParam), TBM_GETSELSTART / TBM_GETSELEND, TBM_CLEARSEL.
  TBM_SETSEL = WM_USER + 10, TBM_SETSELSTART = WM_USER + 11, TBM_SETSELEND = WM_USER + 12,
  TBM_GETSELSTART = WM_USER + 17, TBM_GETSELEND = WM_USER + 18, TBM_CLEARSEL = WM_USER + 19,
  // Geometry in client coordinates (lParam: RECT*). The channel rectangle comes as for a
  // horizontal bar: for a vertical one its x and y are exchanged.
  TBM_GETTHUMBRECT = WM_USER + 25, TBM_GETCHANNELRECT = WM_USER + 26,
};

// ---- Combo boxes with images (window class "COMBOBOXEX32") ----
// The extended box is a frame around an ordinary combo box window, its first child, which does
// the work. CBEM_GETCOMBOCONTROL answers that child; CBEM_GETEDITCONTROL the window that holds the
// edited text (the inner combo box itself here, null for a drop-down list); CBEM_HASEDITCHANGED
// TRUE when the text was typed since the last selection.
enum : UINT {
  CBEM_GETCOMBOCONTROL = WM_USER + 6, CBEM_GETEDITCONTROL = WM_USER + 7, CBEM_HASEDITCHANGED = WM_USER + 10,
};

// ---- Editing captions in place (list and tree views) ----
// LVM_EDITLABEL (wParam = item index, -1 ends an edit by cancelling it) opens the edit box on the
// item's caption and answers its window, or null when the item may not be edited; the box gets
// the focus. LVM_GETEDITCONTROL answers the open edit box, or null.
enum : UINT { LVM_EDITLABEL = 0x1000 + 23, LVM_GETEDITCONTROL = 0x1000 + 24 };
// A tree node as the tree view's messages name it.
using HTREEITEM = struct _TREEITEM*;
// TVM_EDITLABEL (lParam = the node) opens the edit box on the node's text and answers its window,
// or null; TVM_ENDEDITLABELNOW ends the edit (wParam non-zero: cancel, else keep the new text);
// TVM_GETEDITCONTROL answers the open edit box, or null.
enum : UINT { TVM_EDITLABEL = 0x1100 + 14, TVM_GETEDITCONTROL = 0x1100 + 15, TVM_ENDEDITLABELNOW = 0x1100 + 22 };

inline HWND ListView_EditLabel(HWND wnd, int item) {
  return reinterpret_cast<HWND>(SendMessage(wnd, LVM_EDITLABEL, static_cast<WPARAM>(item), 0));
}
inline HWND TreeView_EditLabel(HWND wnd, HTREEITEM item) {
  return reinterpret_cast<HWND>(SendMessage(wnd, TVM_EDITLABEL, 0, reinterpret_cast<LPARAM>(item)));
}
inline BOOL TreeView_EndEditLabelNow(HWND wnd, BOOL cancel) {
  return static_cast<BOOL>(SendMessage(wnd, TVM_ENDEDITLABELNOW, static_cast<WPARAM>(cancel), 0));
}
