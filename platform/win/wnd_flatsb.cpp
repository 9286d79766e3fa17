// Flat scroll bars: a per-window record of the flat state and its properties over the window's
// standard scroll bars, which keep the positions, ranges and visibility.
#include "platform/win/commctrl.h"

#include <map>
#include <mutex>

namespace {

struct TFlatProps {
  INT_PTR CyVScroll = 0, CxHScroll = 0, CyHScroll = 0, CxVScroll = 0, CxHThumb = 0, CyVThumb = 0;
  INT_PTR VBkgColor = -1, HBkgColor = -1;  // -1: the system colour
  INT_PTR VStyle = FSB_FLAT_MODE, HStyle = FSB_FLAT_MODE;
};

std::mutex& FlatLock() {
  static std::mutex m;
  return m;
}
std::map<HWND, TFlatProps>& FlatWindows() {
  static std::map<HWND, TFlatProps> m;
  return m;
}

// Forgets windows destroyed since they were made flat, so a new window that gets a freed handle
// does not inherit their state. Caller holds the lock.
void Prune() {
  auto& m = FlatWindows();
  for (auto it = m.begin(); it != m.end();) it = IsWindow(it->first) ? std::next(it) : m.erase(it);
}

INT_PTR* PropOf(TFlatProps& p, UINT index) {
  switch (index) {
    case WSB_PROP_CYVSCROLL: return &p.CyVScroll;
    case WSB_PROP_CXHSCROLL: return &p.CxHScroll;
    case WSB_PROP_CYHSCROLL: return &p.CyHScroll;
    case WSB_PROP_CXVSCROLL: return &p.CxVScroll;
    case WSB_PROP_CXHTHUMB: return &p.CxHThumb;
    case WSB_PROP_CYVTHUMB: return &p.CyVThumb;
    case WSB_PROP_VBKGCOLOR: return &p.VBkgColor;
    case WSB_PROP_HBKGCOLOR: return &p.HBkgColor;
    case WSB_PROP_VSTYLE: return &p.VStyle;
    case WSB_PROP_HSTYLE: return &p.HStyle;
    default: return nullptr;
  }
}

bool ValidStyle(UINT index, INT_PTR v) {
  if (index != WSB_PROP_VSTYLE && index != WSB_PROP_HSTYLE) return true;
  return v == FSB_REGULAR_MODE || v == FSB_ENCARTA_MODE || v == FSB_FLAT_MODE;
}

}  // namespace

BOOL InitializeFlatSB(HWND w) {
  if (!IsWindow(w)) return FALSE;
  std::lock_guard<std::mutex> g(FlatLock());
  Prune();
  FlatWindows().try_emplace(w);
  return TRUE;
}

BOOL UninitializeFlatSB(HWND w) {
  if (!IsWindow(w)) return FALSE;
  {
    std::lock_guard<std::mutex> g(FlatLock());
    FlatWindows().erase(w);
    Prune();
  }
  InvalidateRect(w, nullptr, FALSE);
  return TRUE;
}

BOOL FlatSB_IsFlat(HWND w) {
  if (!IsWindow(w)) return FALSE;
  std::lock_guard<std::mutex> g(FlatLock());
  return FlatWindows().count(w) ? TRUE : FALSE;
}

int FlatSB_SetScrollInfo(HWND w, int bar, const SCROLLINFO* si, BOOL redraw) {
  return SetScrollInfo(w, bar, si, redraw);
}
BOOL FlatSB_GetScrollInfo(HWND w, int bar, SCROLLINFO* si) { return GetScrollInfo(w, bar, si); }
int FlatSB_SetScrollPos(HWND w, int bar, int pos, BOOL redraw) { return SetScrollPos(w, bar, pos, redraw); }
int FlatSB_GetScrollPos(HWND w, int bar) { return GetScrollPos(w, bar); }
int FlatSB_SetScrollRange(HWND w, int bar, int lo, int hi, BOOL redraw) {
  return SetScrollRange(w, bar, lo, hi, redraw);
}
BOOL FlatSB_GetScrollRange(HWND w, int bar, int* lo, int* hi) { return GetScrollRange(w, bar, lo, hi); }
BOOL FlatSB_ShowScrollBar(HWND w, int bar, BOOL show) { return ShowScrollBar(w, bar, show); }
BOOL FlatSB_EnableScrollBar(HWND w, int bar, UINT arrows) {
  if (bar < SB_HORZ || bar > SB_BOTH) return FALSE;
  return EnableScrollBar(w, static_cast<UINT>(bar), arrows);
}

BOOL FlatSB_SetScrollProp(HWND w, UINT index, INT_PTR value, BOOL redraw) {
  if (!IsWindow(w) || !ValidStyle(index, value)) return FALSE;
  {
    std::lock_guard<std::mutex> g(FlatLock());
    auto it = FlatWindows().find(w);
    if (it == FlatWindows().end()) return FALSE;
    INT_PTR* p = PropOf(it->second, index);
    if (!p) return FALSE;
    *p = value;
  }
  if (redraw) InvalidateRect(w, nullptr, FALSE);
  return TRUE;
}

BOOL FlatSB_GetScrollProp(HWND w, UINT index, INT_PTR* value) {
  if (!IsWindow(w) || !value) return FALSE;
  std::lock_guard<std::mutex> g(FlatLock());
  auto it = FlatWindows().find(w);
  if (it == FlatWindows().end()) return FALSE;
  INT_PTR* p = PropOf(it->second, index);
  if (!p) return FALSE;
  *value = *p;
  return TRUE;
}
