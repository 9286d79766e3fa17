// Flat scroll bars: a per-window record of the flat state and its properties over the window's
// standard scroll bars, which keep the positions, ranges and visibility. The properties decide
// how the non-client code lays out, draws and hit-tests the bars (ScrollLookOf).
#include <map>
#include <mutex>

#include "platform/win/commctrl.h"
#include "platform/win/wnd_internal.h"

namespace {

// Sizes start from the system metrics, colours from the system scroll bar colour (-1).
struct TFlatProps {
  INT_PTR CyVScroll = GetSystemMetrics(SM_CYVSCROLL), CxHScroll = GetSystemMetrics(SM_CXHSCROLL),
          CyHScroll = GetSystemMetrics(SM_CYHSCROLL), CxVScroll = GetSystemMetrics(SM_CXVSCROLL),
          CxHThumb = GetSystemMetrics(SM_CXHTHUMB), CyVThumb = GetSystemMetrics(SM_CYVTHUMB);
  INT_PTR VBkgColor = -1, HBkgColor = -1;
  INT_PTR VStyle = FSB_FLAT_MODE, HStyle = FSB_FLAT_MODE;
};

// Guarded by the window manager's lock, which the layout code may already hold when it asks for
// a window's look. Window records are never reused, so a destroyed window's entry is only pruned.
std::map<HWND, TFlatProps>& FlatWindows() {
  static std::map<HWND, TFlatProps> m;
  return m;
}

void Prune() {
  auto& m = FlatWindows();
  for (auto it = m.begin(); it != m.end();) it = ValidWnd(it->first) ? std::next(it) : m.erase(it);
}

TFlatProps* FlatOf(HWND w) {
  auto it = FlatWindows().find(w);
  return it == FlatWindows().end() ? nullptr : &it->second;
}

INT_PTR* PropOf(TFlatProps& p, UINT index) {
  switch (index) {
    case WSB_PROP_CYVSCROLL:
      return &p.CyVScroll;
    case WSB_PROP_CXHSCROLL:
      return &p.CxHScroll;
    case WSB_PROP_CYHSCROLL:
      return &p.CyHScroll;
    case WSB_PROP_CXVSCROLL:
      return &p.CxVScroll;
    case WSB_PROP_CXHTHUMB:
      return &p.CxHThumb;
    case WSB_PROP_CYVTHUMB:
      return &p.CyVThumb;
    case WSB_PROP_VBKGCOLOR:
      return &p.VBkgColor;
    case WSB_PROP_HBKGCOLOR:
      return &p.HBkgColor;
    case WSB_PROP_VSTYLE:
      return &p.VStyle;
    case WSB_PROP_HSTYLE:
      return &p.HStyle;
    default:
      return nullptr;
  }
}

// Styles must be one of the three modes; sizes must not be negative (a bar of negative size
// would turn the client rectangle inside out); colours are -1 or a COLORREF.
bool ValidValue(UINT index, INT_PTR v) {
  switch (index) {
    case WSB_PROP_VSTYLE:
    case WSB_PROP_HSTYLE:
      return v == FSB_REGULAR_MODE || v == FSB_ENCARTA_MODE || v == FSB_FLAT_MODE;
    case WSB_PROP_VBKGCOLOR:
    case WSB_PROP_HBKGCOLOR:
      return v == -1 || (v >= 0 && v <= 0xFFFFFF);
    default:
      return v >= 0 && v <= 0x7FFF;
  }
}

bool ChangesLayout(UINT index) {
  return index == WSB_PROP_CXVSCROLL || index == WSB_PROP_CYHSCROLL;
}

// Makes the window take its new look: the client area follows the bar sizes, the frame repaints.
void Refresh(HWND w, bool layout) {
  if (layout)
    SetWindowPos(w, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  else
    RedrawWindow(w, nullptr, nullptr, RDW_INVALIDATE | RDW_FRAME);
}

}  // namespace

TScrollLook ScrollLookOf(HWND w, int bar) {
  bool vert = bar == SB_VERT;
  TScrollLook l;
  std::lock_guard<std::recursive_mutex> g(WmLock());
  const TFlatProps* p = w ? FlatOf(w) : nullptr;
  if (!p) {
    l.Thick = GetSystemMetrics(vert ? SM_CXVSCROLL : SM_CYHSCROLL);
    l.Arrow = GetSystemMetrics(vert ? SM_CYVSCROLL : SM_CXHSCROLL);
    return l;
  }
  l.Thick = static_cast<int>(vert ? p->CxVScroll : p->CyHScroll);
  l.Arrow = static_cast<int>(vert ? p->CyVScroll : p->CxHScroll);
  l.Thumb = static_cast<int>(vert ? p->CyVThumb : p->CxHThumb);
  l.Style = static_cast<int>(vert ? p->VStyle : p->HStyle);
  INT_PTR bk = vert ? p->VBkgColor : p->HBkgColor;
  l.Bkg = bk < 0 ? CLR_INVALID : static_cast<COLORREF>(bk);
  return l;
}

BOOL InitializeFlatSB(HWND w) {
  if (!IsWindow(w)) return FALSE;
  {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    Prune();
    if (!FlatWindows().try_emplace(w).second) return TRUE;
  }
  Refresh(w, false);
  return TRUE;
}

BOOL UninitializeFlatSB(HWND w) {
  if (!IsWindow(w)) return FALSE;
  {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    FlatWindows().erase(w);
    Prune();
  }
  Refresh(w, true);
  return TRUE;
}

BOOL FlatSB_IsFlat(HWND w) {
  if (!IsWindow(w)) return FALSE;
  std::lock_guard<std::recursive_mutex> g(WmLock());
  return FlatOf(w) ? TRUE : FALSE;
}

int FlatSB_SetScrollInfo(HWND w, int bar, const SCROLLINFO* si, BOOL redraw) {
  return SetScrollInfo(w, bar, si, redraw);
}
BOOL FlatSB_GetScrollInfo(HWND w, int bar, SCROLLINFO* si) { return GetScrollInfo(w, bar, si); }
int FlatSB_SetScrollPos(HWND w, int bar, int pos, BOOL redraw) {
  return SetScrollPos(w, bar, pos, redraw);
}
int FlatSB_GetScrollPos(HWND w, int bar) { return GetScrollPos(w, bar); }
int FlatSB_SetScrollRange(HWND w, int bar, int lo, int hi, BOOL redraw) {
  return SetScrollRange(w, bar, lo, hi, redraw);
}
BOOL FlatSB_GetScrollRange(HWND w, int bar, int* lo, int* hi) {
  return GetScrollRange(w, bar, lo, hi);
}
BOOL FlatSB_ShowScrollBar(HWND w, int bar, BOOL show) { return ShowScrollBar(w, bar, show); }
BOOL FlatSB_EnableScrollBar(HWND w, int bar, UINT arrows) {
  if (bar < SB_HORZ || bar > SB_BOTH) return FALSE;
  return EnableScrollBar(w, static_cast<UINT>(bar), arrows);
}

BOOL FlatSB_SetScrollProp(HWND w, UINT index, INT_PTR value, BOOL redraw) {
  if (!IsWindow(w) || !ValidValue(index, value)) return FALSE;
  {
    std::lock_guard<std::recursive_mutex> g(WmLock());
    TFlatProps* f = FlatOf(w);
    INT_PTR* p = f ? PropOf(*f, index) : nullptr;
    if (!p) return FALSE;
    if (*p == value) return TRUE;
    *p = value;
  }
  // The client area follows a new bar thickness at once, whether or not a redraw was asked for.
  if (ChangesLayout(index))
    Refresh(w, true);
  else if (redraw)
    Refresh(w, false);
  return TRUE;
}

BOOL FlatSB_GetScrollProp(HWND w, UINT index, INT_PTR* value) {
  if (!IsWindow(w) || !value) return FALSE;
  std::lock_guard<std::recursive_mutex> g(WmLock());
  TFlatProps* f = FlatOf(w);
  INT_PTR* p = f ? PropOf(*f, index) : nullptr;
  if (!p) return FALSE;
  *value = *p;
  return TRUE;
}
