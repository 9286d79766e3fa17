// The default window procedure and the non-client area: frames, captions and their buttons,
// client edges, the scroll bars of windows (state, drawing, hit-testing and tracking), and the
// system commands with their move and size loops.
#include <algorithm>
#include <cstring>
#include <functional>

#include "platform/win/commctrl.h"
#include "platform/win/wnd_internal.h"
#include "platform/win/wnd_menu_internal.h"

namespace {

struct TNcLayout {
  RECT Caption{0, 0, 0, 0};  // empty without caption
  RECT MenuBar{0, 0, 0, 0};  // empty without a menu
  RECT Inner{};              // inside frame, caption and edges (client plus scroll bars)
  RECT VScroll{0, 0, 0, 0}, HScroll{0, 0, 0, 0}, Corner{0, 0, 0, 0};
  RECT Client{};
  int Frame = 0;      // width of the outer frame (border, dialog frame or sizing frame)
  bool Sizing = false;
};

// The parts of a window of the given size by its styles (the window's own size by default).
TNcLayout Layout(HWND w, int width = -1, int height = -1) {
  TNcLayout l;
  DWORD s = w->Style, ex = w->ExStyle;
  if (width < 0) width = w->Rect.right - w->Rect.left;
  if (height < 0) height = w->Rect.bottom - w->Rect.top;
  RECT r{0, 0, width, height};
  l.Frame = FrameThickness(s, ex);
  l.Sizing = (s & WS_THICKFRAME) && !(s & WS_MINIMIZE);
  InflateRect(&r, -l.Frame, -l.Frame);
  if ((s & WS_CAPTION) == WS_CAPTION) {
    int ch = (ex & WS_EX_TOOLWINDOW) ? GetSystemMetrics(SM_CYSMCAPTION) : GetSystemMetrics(SM_CYCAPTION);
    l.Caption = {r.left, r.top, r.right, std::min(r.bottom, r.top + ch)};
    r.top = l.Caption.bottom;
  }
  if (w->Menu && !(s & WS_CHILD)) {
    int rows = MenuBarRows(w, w->Menu, r.right - r.left);
    l.MenuBar = {r.left, r.top, r.right, std::min<LONG>(r.bottom, r.top + rows * GetSystemMetrics(SM_CYMENU))};
    r.top = l.MenuBar.bottom;
  }
  if (ex & WS_EX_CLIENTEDGE) InflateRect(&r, -2, -2);
  if (ex & WS_EX_STATICEDGE) InflateRect(&r, -1, -1);
  if (r.right < r.left) r.right = r.left;
  if (r.bottom < r.top) r.bottom = r.top;
  l.Inner = r;
  int vw = ScrollLookOf(w, SB_VERT).Thick, hh = ScrollLookOf(w, SB_HORZ).Thick;
  bool v = s & WS_VSCROLL, h = s & WS_HSCROLL;
  RECT c = r;
  if (v && c.right - c.left >= vw) {
    l.VScroll = {c.right - vw, c.top, c.right, c.bottom};
    c.right -= vw;
  }
  if (h && c.bottom - c.top >= hh) {
    l.HScroll = {c.left, c.bottom - hh, c.right, c.bottom};
    c.bottom -= hh;
    if (!IsRectEmpty(&l.VScroll)) {
      l.VScroll.bottom -= hh;
      l.Corner = {l.VScroll.left, l.VScroll.bottom, l.VScroll.right, l.VScroll.bottom + hh};
    }
  }
  l.Client = c;
  return l;
}

// Caption buttons from right to left: close, maximise, minimise (as the styles ask).
struct TCapButton {
  RECT R;
  int Hit;
};
std::vector<TCapButton> CaptionButtons(HWND w, const RECT& cap) {
  std::vector<TCapButton> b;
  if (IsRectEmpty(&cap) || !(w->Style & WS_SYSMENU)) return b;
  int h = cap.bottom - cap.top - 4, bw = h + 2;
  int x = cap.right - 2;
  auto add = [&](int hit) {
    b.push_back({{x - bw, cap.top + 2, x, cap.top + 2 + h}, hit});
    x -= bw + 2;
  };
  add(HTCLOSE);
  if (!(w->ExStyle & WS_EX_TOOLWINDOW) && (w->Style & (WS_MAXIMIZEBOX | WS_MINIMIZEBOX))) {
    add(HTMAXBUTTON);
    add(HTMINBUTTON);
  }
  return b;
}

HFONT CaptionFont() {
  static HFONT f = [] {
    LOGFONTA lf{};
    lf.lfHeight = -12;
    lf.lfWeight = FW_BOLD;
    lf.lfCharSet = DEFAULT_CHARSET;
    std::strcpy(lf.lfFaceName, "Tahoma");
    return CreateFontIndirect(&lf);
  }();
  return f;
}

TScrollBarState& Bar(HWND w, int bar) { return w->Bars[bar == SB_VERT ? 1 : 0]; }

int MaxPos(const TScrollBarState& b) { return b.Max - std::max(static_cast<int>(b.Page) - 1, 0); }

// Thumb geometry along the bar: returns false when the bar is too small for a thumb. A thumb
// length from the bar's look (flat bars) replaces both the page-less length and the least one.
bool ThumbSpan(const TScrollBarState& b, int length, int arrow, int thumb, int* top, int* bottom) {
  int track = length - 2 * arrow;
  if (track <= 0) return false;
  int range = b.Max - b.Min + 1;
  int least = thumb > 0 ? thumb : 8;
  int size = b.Page ? std::max(least, static_cast<int>(static_cast<int64_t>(track) * static_cast<int>(b.Page) / std::max(range, 1)))
                    : (thumb > 0 ? thumb : arrow);
  size = std::min(size, track);
  if (b.Arrows == ESB_DISABLE_BOTH || range <= 1 || size >= track) return false;
  int span = MaxPos(b) - b.Min;
  int pos = span > 0 ? static_cast<int>(static_cast<int64_t>(track - size) * (std::clamp(b.Pos, b.Min, MaxPos(b)) - b.Min) / span) : 0;
  *top = arrow + pos;
  *bottom = *top + size;
  return true;
}

void Notify(HWND w, int bar, UINT code, int pos) {
  UINT msg = bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL;
  SendMessage(w, msg, MAKEWPARAM(static_cast<WORD>(code), static_cast<WORD>(pos)), 0);
}

// Runs a modal loop with the mouse captured until the left button goes up (or Escape).
// onMove and onUp get screen points. Returns false when cancelled.
bool TrackMouse(HWND w, const std::function<void(POINT)>& onMove, const std::function<void(POINT)>& onUp) {
  SetCapture(w);
  bool ok = true;
  for (;;) {
    MSG m;
    BOOL r = GetMessage(&m, nullptr, 0, 0);
    if (r <= 0) {
      if (r == 0) PostQuitMessage(static_cast<int>(m.wParam));
      ok = false;
      break;
    }
    if (m.message == WM_MOUSEMOVE || m.message == WM_LBUTTONUP || m.message == WM_NCMOUSEMOVE || m.message == WM_NCLBUTTONUP) {
      // The screen point the message was made at (client coordinates would follow the window
      // as the loop moves it).
      POINT p = m.pt;
      if (m.message == WM_MOUSEMOVE || m.message == WM_NCMOUSEMOVE) {
        onMove(p);
      } else {
        onUp(p);
        break;
      }
    } else if (m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE) {
      ok = false;
      break;
    } else {
      TranslateMessage(&m);
      DispatchMessage(&m);
    }
    if (!ValidWnd(w) || GetCapture() != w) {
      ok = false;
      break;
    }
  }
  if (ValidWnd(w) && GetCapture() == w) ReleaseCapture();
  return ok;
}

void ScrollBarClick(HWND w, int bar, POINT screen) {
  RECT wr;
  GetWindowRect(w, &wr);
  RECT br = ScrollBarRect(w, bar);
  OffsetRect(&br, wr.left, wr.top);
  bool vert = bar == SB_VERT;
  int len = vert ? br.bottom - br.top : br.right - br.left;
  TScrollLook look = ScrollLookOf(w, bar);
  int arrow = std::min(look.Arrow, len / 2);
  int at = vert ? screen.y - br.top : screen.x - br.left;
  TScrollBarState& b = Bar(w, bar);
  int tt = 0, tb = 0;
  bool thumb = ThumbSpan(b, len, arrow, look.Thumb, &tt, &tb);
  UINT code;
  if (at < arrow) code = SB_LINEUP;
  else if (at >= len - arrow) code = SB_LINEDOWN;
  else if (thumb && at >= tt && at < tb) code = SB_THUMBTRACK;
  else if (thumb && at < tt) code = SB_PAGEUP;
  else code = SB_PAGEDOWN;
  if (code != SB_THUMBTRACK) {
    Notify(w, bar, code, 0);
    TrackMouse(w, [](POINT) {}, [](POINT) {});
    if (ValidWnd(w)) Notify(w, bar, SB_ENDSCROLL, 0);
    return;
  }
  int grab = at - tt, size = tb - tt, track = len - 2 * arrow;
  auto posAt = [&](POINT p) {
    int a = (vert ? p.y - br.top : p.x - br.left) - grab - arrow;
    int span = MaxPos(b) - b.Min;
    int room = std::max(1, track - size);
    return b.Min + static_cast<int>(static_cast<int64_t>(std::clamp(a, 0, room)) * span / room);
  };
  b.Tracking = true;
  b.TrackPos = b.Pos;
  int last = b.Pos;
  TrackMouse(w,
             [&](POINT p) {
               if (!ValidWnd(w)) return;
               last = posAt(p);
               Bar(w, bar).TrackPos = last;
               Notify(w, bar, SB_THUMBTRACK, last);
             },
             [&](POINT p) {
               if (!ValidWnd(w)) return;
               last = posAt(p);
               Notify(w, bar, SB_THUMBPOSITION, last);
             });
  if (!ValidWnd(w)) return;
  Bar(w, bar).Tracking = false;
  Notify(w, bar, SB_ENDSCROLL, 0);
}

void MoveSizeLoop(HWND w, int hit, POINT start) {
  RECT orig = w->Rect;
  SendMessage(w, WM_ENTERSIZEMOVE, 0, 0);
  auto apply = [&](POINT p) {
    if (!ValidWnd(w)) return;
    int dx = p.x - start.x, dy = p.y - start.y;
    RECT r = orig;
    if (hit == HTCAPTION) OffsetRect(&r, dx, dy);
    if (hit == HTLEFT || hit == HTTOPLEFT || hit == HTBOTTOMLEFT) r.left += dx;
    if (hit == HTRIGHT || hit == HTTOPRIGHT || hit == HTBOTTOMRIGHT) r.right += dx;
    if (hit == HTTOP || hit == HTTOPLEFT || hit == HTTOPRIGHT) r.top += dy;
    if (hit == HTBOTTOM || hit == HTBOTTOMLEFT || hit == HTBOTTOMRIGHT) r.bottom += dy;
    if (hit != HTCAPTION) {
      MINMAXINFO mm{};
      mm.ptMinTrackSize = {GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
      mm.ptMaxTrackSize = {ScreenWidth * 2, ScreenHeight * 2};
      SendMessage(w, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mm));
      SendMessage(w, WM_SIZING, static_cast<WPARAM>(hit - HTLEFT + 1), reinterpret_cast<LPARAM>(&r));
      int cw = std::clamp(static_cast<int>(r.right - r.left), static_cast<int>(mm.ptMinTrackSize.x), static_cast<int>(mm.ptMaxTrackSize.x));
      int ch = std::clamp(static_cast<int>(r.bottom - r.top), static_cast<int>(mm.ptMinTrackSize.y), static_cast<int>(mm.ptMaxTrackSize.y));
      if (r.left != orig.left) r.left = r.right - cw; else r.right = r.left + cw;
      if (r.top != orig.top) r.top = r.bottom - ch; else r.bottom = r.top + ch;
    } else {
      SendMessage(w, WM_MOVING, 0, reinterpret_cast<LPARAM>(&r));
    }
    SetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
  };
  bool ok = TrackMouse(w, apply, apply);
  if (!ok && ValidWnd(w))
    SetWindowPos(w, nullptr, orig.left, orig.top, orig.right - orig.left, orig.bottom - orig.top, SWP_NOZORDER | SWP_NOACTIVATE);
  if (ValidWnd(w)) SendMessage(w, WM_EXITSIZEMOVE, 0, 0);
}

// The look of a caption button: which glyph, and grey when its style is missing.
UINT CaptionButtonState(HWND w, int hit) {
  UINT st = hit == HTCLOSE ? DFCS_CAPTIONCLOSE
            : hit == HTMAXBUTTON ? ((w->Style & WS_MAXIMIZE) ? DFCS_CAPTIONRESTORE : DFCS_CAPTIONMAX)
                                 : DFCS_CAPTIONMIN;
  if ((hit == HTMAXBUTTON && !(w->Style & WS_MAXIMIZEBOX)) || (hit == HTMINBUTTON && !(w->Style & WS_MINIMIZEBOX)))
    st |= DFCS_INACTIVE;
  return st;
}

// A pressed caption button: drawn pushed while the mouse is over it, and it acts only when the
// button goes up over it (true).
bool TrackCaptionButton(HWND w, int hit) {
  RECT br{0, 0, 0, 0};
  for (auto& b : CaptionButtons(w, Layout(w).Caption))
    if (b.Hit == hit) br = b.R;
  if (IsRectEmpty(&br)) return false;
  if (CaptionButtonState(w, hit) & DFCS_INACTIVE) return false;
  auto draw = [&](bool pushed) {
    if (!ValidWnd(w)) return;
    HDC dc = GetWindowDC(w);
    RECT r = br;
    DrawFrameControl(dc, &r, DFC_CAPTION, CaptionButtonState(w, hit) | (pushed ? UINT(DFCS_PUSHED) : 0u));
    ReleaseDC(w, dc);
  };
  auto onScreen = [&](POINT p) {
    RECT wr;
    GetWindowRect(w, &wr);
    RECT r = br;
    OffsetRect(&r, wr.left, wr.top);
    return PtInRect(&r, p) != 0;
  };
  bool over = true, released = false;
  draw(true);
  bool ok = TrackMouse(w,
                       [&](POINT p) {
                         if (onScreen(p) != over) {
                           over = !over;
                           draw(over);
                         }
                       },
                       [&](POINT p) { released = onScreen(p); });
  draw(false);
  return ok && released && ValidWnd(w);
}

HCURSOR CursorForHit(HWND w, int hit) {
  switch (hit) {
    case HTLEFT: case HTRIGHT: return LoadCursor(nullptr, IDC_SIZEWE);
    case HTTOP: case HTBOTTOM: return LoadCursor(nullptr, IDC_SIZENS);
    case HTTOPLEFT: case HTBOTTOMRIGHT: return LoadCursor(nullptr, IDC_SIZENWSE);
    case HTTOPRIGHT: case HTBOTTOMLEFT: return LoadCursor(nullptr, IDC_SIZENESW);
    case HTCLIENT: return w->Class->Info.hCursor;
  }
  return LoadCursor(nullptr, IDC_ARROW);
}

}  // namespace

int FrameThickness(DWORD style, DWORD ex) {
  if (style & WS_THICKFRAME) return GetSystemMetrics(SM_CXFRAME);
  if ((style & WS_DLGFRAME) || (ex & WS_EX_DLGMODALFRAME)) return GetSystemMetrics(SM_CXDLGFRAME);
  if (style & WS_BORDER) return GetSystemMetrics(SM_CXBORDER);
  return 0;
}

RECT ScrollBarRect(HWND w, int bar) {
  TNcLayout l = Layout(w);
  return bar == SB_VERT ? l.VScroll : l.HScroll;
}

void PaintScrollBar(HWND w, HDC dc, int bar) {
  RECT r = ScrollBarRect(w, bar);
  if (IsRectEmpty(&r)) return;
  PaintScrollBarInto(w, dc, bar, r);
}

// Draws a bar in its look: regular bars with raised 3D buttons and thumb; flat bars with flat
// buttons and a thumb framed by one shadow line; "Encarta" bars with a thin raised edge. The
// track takes the bar's background colour.
void PaintScrollBarInto(HWND w, HDC dc, int bar, RECT r) {
  if (IsRectEmpty(&r)) return;
  bool vert = bar == SB_VERT;
  const TScrollBarState& b = Bar(w, bar);
  TScrollLook look = ScrollLookOf(w, bar);
  int len = vert ? r.bottom - r.top : r.right - r.left;
  int arrow = std::min(look.Arrow, len / 2);
  RECT a1 = r, a2 = r;
  if (vert) { a1.bottom = r.top + arrow; a2.top = r.bottom - arrow; }
  else { a1.right = r.left + arrow; a2.left = r.right - arrow; }
  bool disabled = (w->Style & WS_DISABLED) != 0;
  UINT d1 = (disabled || (b.Arrows & ESB_DISABLE_LTUP)) ? UINT(DFCS_INACTIVE) : 0u;
  UINT d2 = (disabled || (b.Arrows & ESB_DISABLE_RTDN)) ? UINT(DFCS_INACTIVE) : 0u;
  UINT flat = look.Style == FSB_REGULAR_MODE ? 0u : UINT(DFCS_FLAT);
  auto button = [&](RECT a, UINT state) {
    if (IsRectEmpty(&a)) return;
    DrawFrameControl(dc, &a, DFC_SCROLL, state | flat);
    if (look.Style == FSB_ENCARTA_MODE) DrawEdge(dc, &a, BDR_RAISEDINNER, BF_RECT);
  };
  button(a1, (vert ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | d1);
  button(a2, (vert ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | d2);
  RECT track = r;
  if (vert) { track.top = a1.bottom; track.bottom = a2.top; }
  else { track.left = a1.right; track.right = a2.left; }
  if (look.Bkg == CLR_INVALID) {
    FillRect(dc, &track, GetSysColorBrush(COLOR_SCROLLBAR));
  } else {
    HBRUSH bk = CreateSolidBrush(look.Bkg);
    FillRect(dc, &track, bk);
    DeleteObject(bk);
  }
  int tt = 0, tb = 0;
  if (!disabled && ThumbSpan(b, len, arrow, look.Thumb, &tt, &tb)) {
    RECT t = r;
    if (vert) { t.top = r.top + tt; t.bottom = r.top + tb; }
    else { t.left = r.left + tt; t.right = r.left + tb; }
    FillRect(dc, &t, GetSysColorBrush(COLOR_BTNFACE));
    if (look.Style == FSB_FLAT_MODE) FrameRect(dc, &t, GetSysColorBrush(COLOR_BTNSHADOW));
    else if (look.Style == FSB_ENCARTA_MODE) DrawEdge(dc, &t, BDR_RAISEDINNER, BF_RECT);
    else DrawEdge(dc, &t, EDGE_RAISED, BF_RECT);
  }
}

void NcPaintDefault(HWND w, HDC dc) {
  TNcLayout l = Layout(w);
  RECT r{0, 0, w->Rect.right - w->Rect.left, w->Rect.bottom - w->Rect.top};
  if (l.Frame >= 2) {
    RECT e = r;
    DrawEdge(dc, &e, EDGE_RAISED, BF_RECT | BF_ADJUST);
    for (int i = 2; i < l.Frame; ++i) {
      FrameRect(dc, &e, GetSysColorBrush(COLOR_BTNFACE));
      InflateRect(&e, -1, -1);
    }
  } else if (l.Frame == 1) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
  }
  if (!IsRectEmpty(&l.Caption)) {
    bool active = w->NcActive;
    RECT cap = l.Caption;
    FillRect(dc, &cap, GetSysColorBrush(active ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
    auto buttons = CaptionButtons(w, cap);
    RECT tr = cap;
    tr.left += 4;
    if (!buttons.empty()) tr.right = buttons.back().R.left - 2;
    HGDIOBJ of = SelectObject(dc, CaptionFont());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(active ? COLOR_CAPTIONTEXT : COLOR_INACTIVECAPTIONTEXT));
    DrawText(dc, w->Text.c_str(), -1, &tr, DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX | DT_END_ELLIPSIS);
    SelectObject(dc, of);
    for (auto& b : buttons) {
      RECT br = b.R;
      DrawFrameControl(dc, &br, DFC_CAPTION, CaptionButtonState(w, b.Hit));
    }
  }
  if (!IsRectEmpty(&l.MenuBar)) {
    FillRect(dc, &l.MenuBar, GetSysColorBrush(COLOR_MENU));
    PaintMenuBarItems(w, dc, l.MenuBar);
  }
  RECT in = l.Inner;
  if (w->ExStyle & WS_EX_CLIENTEDGE) {
    RECT e = in;
    InflateRect(&e, 2, 2);
    DrawEdge(dc, &e, EDGE_SUNKEN, BF_RECT);
  }
  if (w->ExStyle & WS_EX_STATICEDGE) {
    RECT e = in;
    InflateRect(&e, 1, 1);
    DrawEdge(dc, &e, BDR_SUNKENOUTER, BF_RECT);
  }
  PaintScrollBar(w, dc, SB_VERT);
  PaintScrollBar(w, dc, SB_HORZ);
  if (!IsRectEmpty(&l.Corner)) FillRect(dc, &l.Corner, GetSysColorBrush(COLOR_BTNFACE));
}

// ---- Menu bar ----
BOOL SetMenu(HWND w, HMENU menu) {
  if (!ValidWnd(w) || (w->Style & WS_CHILD)) return FALSE;
  w->Menu = menu;
  SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return TRUE;
}

HMENU GetMenu(HWND w) { return ValidWnd(w) && !(w->Style & WS_CHILD) ? w->Menu : nullptr; }

BOOL DrawMenuBar(HWND w) {
  if (!ValidWnd(w)) return FALSE;
  // Items added, removed or renamed may change how many rows the bar wraps onto: the client
  // area is then worked out again.
  if (GetMenu(w)) {
    RECT bar = Layout(w).MenuBar;
    if (MenuBarRows(w, w->Menu, bar.right - bar.left) != w->MenuRows) {
      SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
      return TRUE;
    }
  }
  InvalidateInternal(w, nullptr, false, false, true);
  return TRUE;
}

BOOL GetMenuBarRect(HWND w, RECT* r) {
  if (!ValidWnd(w) || !r) return FALSE;
  *r = Layout(w).MenuBar;
  return !IsRectEmpty(r);
}

// ---- Scroll bar API ----
int SetScrollInfo(HWND w, int bar, const SCROLLINFO* si, BOOL redraw) {
  if (!ValidWnd(w) || !si) return 0;
  if (bar == SB_CTL) return static_cast<int>(SendMessage(w, SBM_SETSCROLLINFO, redraw, reinterpret_cast<LPARAM>(si)));
  if (bar != SB_HORZ && bar != SB_VERT) return 0;
  TScrollBarState& b = Bar(w, bar);
  if (si->fMask & SIF_RANGE) {
    b.Min = si->nMin;
    b.Max = std::max(si->nMin, si->nMax);
  }
  if (si->fMask & SIF_PAGE) b.Page = std::min<UINT>(si->nPage, static_cast<UINT>(b.Max - b.Min + 1));
  if (si->fMask & SIF_POS) b.Pos = si->nPos;
  b.Pos = std::clamp(b.Pos, b.Min, std::max(b.Min, MaxPos(b)));
  if (si->fMask & (SIF_RANGE | SIF_PAGE)) {
    // A bar that is not needed any more goes away (or is disabled with SIF_DISABLENOSCROLL); one
    // that becomes needed appears.
    bool needed = b.Page == 0 ? b.Max > b.Min : static_cast<int>(b.Page) <= b.Max - b.Min;
    DWORD bit = bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
    if (needed) {
      b.Arrows = ESB_ENABLE_BOTH;
      if (!(w->Style & bit)) ShowScrollBar(w, bar, TRUE);
    } else if (si->fMask & SIF_DISABLENOSCROLL) {
      b.Arrows = ESB_DISABLE_BOTH;
      if (!(w->Style & bit)) ShowScrollBar(w, bar, TRUE);
    } else if (w->Style & bit) {
      ShowScrollBar(w, bar, FALSE);
    }
  }
  if (redraw && ValidWnd(w)) InvalidateInternal(w, nullptr, false, false, true);
  return b.Pos;
}

BOOL GetScrollInfo(HWND w, int bar, SCROLLINFO* si) {
  if (!ValidWnd(w) || !si) return FALSE;
  if (bar == SB_CTL) return SendMessage(w, SBM_GETSCROLLINFO, 0, reinterpret_cast<LPARAM>(si)) ? TRUE : FALSE;
  if (bar != SB_HORZ && bar != SB_VERT) return FALSE;
  const TScrollBarState& b = Bar(w, bar);
  if (si->fMask & SIF_RANGE) { si->nMin = b.Min; si->nMax = b.Max; }
  if (si->fMask & SIF_PAGE) si->nPage = b.Page;
  if (si->fMask & SIF_POS) si->nPos = b.Pos;
  if (si->fMask & SIF_TRACKPOS) si->nTrackPos = b.Tracking ? b.TrackPos : b.Pos;
  return TRUE;
}

int SetScrollPos(HWND w, int bar, int pos, BOOL redraw) {
  int old = GetScrollPos(w, bar);
  SCROLLINFO si;
  si.fMask = SIF_POS;
  si.nPos = pos;
  SetScrollInfo(w, bar, &si, redraw);
  return old;
}

int GetScrollPos(HWND w, int bar) {
  SCROLLINFO si;
  si.fMask = SIF_POS;
  return GetScrollInfo(w, bar, &si) ? si.nPos : 0;
}

BOOL SetScrollRange(HWND w, int bar, int lo, int hi, BOOL redraw) {
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  si.nMin = lo;
  si.nMax = hi;
  SetScrollInfo(w, bar, &si, redraw);
  return ValidWnd(w);
}

BOOL GetScrollRange(HWND w, int bar, int* lo, int* hi) {
  SCROLLINFO si;
  si.fMask = SIF_RANGE;
  if (!GetScrollInfo(w, bar, &si)) return FALSE;
  if (lo) *lo = si.nMin;
  if (hi) *hi = si.nMax;
  return TRUE;
}

BOOL ShowScrollBar(HWND w, int bar, BOOL show) {
  if (!ValidWnd(w)) return FALSE;
  if (bar == SB_CTL) return ShowWindow(w, show ? SW_SHOW : SW_HIDE), TRUE;
  DWORD bits = bar == SB_BOTH ? (WS_HSCROLL | WS_VSCROLL) : bar == SB_VERT ? WS_VSCROLL : WS_HSCROLL;
  DWORD ns = show ? (w->Style | bits) : (w->Style & ~bits);
  if (ns == w->Style) return TRUE;
  w->Style = ns;
  SetWindowPos(w, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return TRUE;
}

BOOL EnableScrollBar(HWND w, UINT bar, UINT arrows) {
  if (!ValidWnd(w)) return FALSE;
  if (bar == SB_CTL) return SendMessage(w, SBM_ENABLE_ARROWS, arrows, 0) ? TRUE : FALSE;
  if (bar == SB_BOTH || bar == SB_HORZ) w->Bars[0].Arrows = arrows;
  if (bar == SB_BOTH || bar == SB_VERT) w->Bars[1].Arrows = arrows;
  InvalidateInternal(w, nullptr, false, false, true);
  return TRUE;
}

BOOL GetScrollBarInfo(HWND w, LONG id, SCROLLBARINFO* sbi) {
  if (!ValidWnd(w) || !sbi) return FALSE;
  int bar = id == OBJID_VSCROLL ? SB_VERT : SB_HORZ;
  RECT r = ScrollBarRect(w, bar);
  RECT wr;
  GetWindowRect(w, &wr);
  bool shown = !IsRectEmpty(&r);
  if (!shown) {
    // Where the bar would be: along the edge of the client area.
    TNcLayout l = Layout(w);
    r = l.Client;
    if (bar == SB_VERT) { r.left = r.right; r.right += ScrollLookOf(w, SB_VERT).Thick; }
    else { r.top = r.bottom; r.bottom += ScrollLookOf(w, SB_HORZ).Thick; }
  }
  OffsetRect(&r, wr.left, wr.top);
  sbi->rcScrollBar = r;
  bool vert = bar == SB_VERT;
  int len = vert ? r.bottom - r.top : r.right - r.left;
  TScrollLook look = ScrollLookOf(w, bar);
  int arrow = std::min(look.Arrow, len / 2);
  sbi->dxyLineButton = arrow;
  int tt = 0, tb = 0;
  const TScrollBarState& b = Bar(w, bar);
  if (ThumbSpan(b, len, arrow, look.Thumb, &tt, &tb)) {
    sbi->xyThumbTop = tt;
    sbi->xyThumbBottom = tb;
  } else {
    sbi->xyThumbTop = sbi->xyThumbBottom = 0;
  }
  std::fill(std::begin(sbi->rgstate), std::end(sbi->rgstate), 0);
  if (!shown) sbi->rgstate[0] |= STATE_SYSTEM_INVISIBLE;
  if (b.Arrows == ESB_DISABLE_BOTH || (w->Style & WS_DISABLED)) sbi->rgstate[0] |= STATE_SYSTEM_UNAVAILABLE;
  if (b.Arrows & ESB_DISABLE_LTUP) sbi->rgstate[1] |= STATE_SYSTEM_UNAVAILABLE;
  if (b.Arrows & ESB_DISABLE_RTDN) sbi->rgstate[5] |= STATE_SYSTEM_UNAVAILABLE;
  return TRUE;
}

// ---- The default window procedure ----
LRESULT DefWindowProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (!ValidWnd(w)) return 0;
  if (LRESULT r = 0; MenuBarDefProc(w, msg, wp, lp, &r)) return r;
  switch (msg) {
    case WM_NCCREATE: return TRUE;
    case WM_NCCALCSIZE: {
      // wParam TRUE: the parameters, whose first rectangle is the window's new one; FALSE: a
      // plain window rectangle. Either way the rectangle becomes the client area in the same
      // coordinates.
      if (!lp) return 0;
      auto* r = wp ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lp)->rgrc[0] : reinterpret_cast<RECT*>(lp);
      TNcLayout l = Layout(w, std::max<LONG>(0, r->right - r->left), std::max<LONG>(0, r->bottom - r->top));
      RECT c = l.Client;
      if (!IsRectEmpty(&l.MenuBar)) w->MenuRows = MenuBarRows(w, w->Menu, l.MenuBar.right - l.MenuBar.left);
      OffsetRect(&c, r->left, r->top);
      *r = c;
      return 0;
    }
    case WM_NCHITTEST: {
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      RECT wr;
      GetWindowRect(w, &wr);
      if (!PtInRect(&wr, p)) return HTNOWHERE;
      p.x -= wr.left;
      p.y -= wr.top;
      if (w->WindowRgn && !PtInRegion(w->WindowRgn, p.x, p.y)) return HTNOWHERE;
      // The client area is the one WM_NCCALCSIZE gave; the other parts follow the styles.
      if (PtInRect(&w->Client, p)) return HTCLIENT;
      TNcLayout l = Layout(w);
      if (PtInRect(&l.Client, p)) return HTNOWHERE;
      if (PtInRect(&l.VScroll, p)) return HTVSCROLL;
      if (PtInRect(&l.HScroll, p)) return HTHSCROLL;
      if (PtInRect(&l.Corner, p)) return (w->Style & WS_THICKFRAME) ? HTBOTTOMRIGHT : HTGROWBOX;
      if (PtInRect(&l.MenuBar, p)) return HTMENU;
      if (PtInRect(&l.Caption, p)) {
        for (auto& b : CaptionButtons(w, l.Caption))
          if (PtInRect(&b.R, p)) return b.Hit;
        return HTCAPTION;
      }
      RECT inner{l.Frame, l.Frame, (wr.right - wr.left) - l.Frame, (wr.bottom - wr.top) - l.Frame};
      if (!PtInRect(&inner, p)) {
        if (!l.Sizing) return HTBORDER;
        int W = wr.right - wr.left, H = wr.bottom - wr.top, g = GetSystemMetrics(SM_CYCAPTION);
        bool left = p.x < l.Frame, right = p.x >= W - l.Frame, top = p.y < l.Frame, bottom = p.y >= H - l.Frame;
        bool nearLeft = p.x < g, nearRight = p.x >= W - g, nearTop = p.y < g, nearBottom = p.y >= H - g;
        if ((top && nearLeft) || (left && nearTop)) return HTTOPLEFT;
        if ((top && nearRight) || (right && nearTop)) return HTTOPRIGHT;
        if ((bottom && nearLeft) || (left && nearBottom)) return HTBOTTOMLEFT;
        if ((bottom && nearRight) || (right && nearBottom)) return HTBOTTOMRIGHT;
        if (left) return HTLEFT;
        if (right) return HTRIGHT;
        if (top) return HTTOP;
        return HTBOTTOM;
      }
      return HTBORDER;
    }
    case WM_NCPAINT: {
      // wParam: the region to paint in screen coordinates, or 1 for the whole frame.
      HRGN rgn = reinterpret_cast<HRGN>(wp);
      HDC dc = wp > 1 ? GetDCEx(w, rgn, DCX_WINDOW | DCX_INTERSECTRGN) : GetWindowDC(w);
      NcPaintDefault(w, dc);
      ReleaseDC(w, dc);
      return 0;
    }
    case WM_NCACTIVATE:
      w->NcActive = wp != 0;
      if ((w->Style & WS_CAPTION) == WS_CAPTION) {
        HDC dc = GetWindowDC(w);
        NcPaintDefault(w, dc);
        ReleaseDC(w, dc);
      }
      return TRUE;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(w, &ps);
      EndPaint(w, &ps);
      return 0;
    }
    case WM_ERASEBKGND: {
      HBRUSH br = w->Class->Info.hbrBackground;
      if (!br) return 0;
      RECT r;
      GetClientRect(w, &r);
      FillRect(reinterpret_cast<HDC>(wp), &r, br);
      return 1;
    }
    case WM_SETTEXT:
      w->Text = lp ? reinterpret_cast<const char*>(lp) : "";
      // Only the caption is painted again, now: WM_NCPAINT with the caption's region (screen
      // coordinates), so a window that paints its own frame draws its own caption.
      if ((w->Style & WS_CAPTION) == WS_CAPTION && IsWindowVisible(w)) {
        RECT cap = Layout(w).Caption, wr;
        GetWindowRect(w, &wr);
        OffsetRect(&cap, wr.left, wr.top);
        HRGN rgn = CreateRectRgnIndirect(&cap);
        SendMessage(w, WM_NCPAINT, reinterpret_cast<WPARAM>(rgn), 0);
        DeleteObject(rgn);
      }
      if (IsTopLevel(w) && Backend()) Backend()->WindowTextChanged(w);
      return TRUE;
    case WM_GETTEXT: {
      if (!lp || wp == 0) return 0;
      size_t n = std::min(w->Text.size(), static_cast<size_t>(wp - 1));
      std::memcpy(reinterpret_cast<char*>(lp), w->Text.data(), n);
      reinterpret_cast<char*>(lp)[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(w->Text.size());
    case WM_CLOSE: DestroyWindow(w); return 0;
    case WM_WINDOWPOSCHANGED: {
      auto* p = reinterpret_cast<WINDOWPOS*>(lp);
      if (!(p->flags & SWP_NOCLIENTMOVE))
        SendMessage(w, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(w->Rect.left + w->Client.left), static_cast<WORD>(w->Rect.top + w->Client.top)));
      if (!(p->flags & SWP_NOCLIENTSIZE)) {
        WPARAM kind = (w->Style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : (w->Style & WS_MINIMIZE) ? SIZE_MINIMIZED : SIZE_RESTORED;
        SendMessage(w, WM_SIZE, kind, MAKELPARAM(static_cast<WORD>(w->Client.right - w->Client.left), static_cast<WORD>(w->Client.bottom - w->Client.top)));
      }
      return 0;
    }
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE && !(w->Style & WS_MINIMIZE) && GetFocus() != w && !IsChild(w, GetFocus())) SetFocus(w);
      return 0;
    case WM_MOUSEACTIVATE:
      if ((w->Style & WS_CHILD) && ValidWnd(w->Parent)) {
        LRESULT r = SendMessage(w->Parent, WM_MOUSEACTIVATE, wp, lp);
        if (r) return r;
      }
      return (w->ExStyle & WS_EX_NOACTIVATE) ? MA_NOACTIVATE : MA_ACTIVATE;
    case WM_SETCURSOR: {
      if ((w->Style & WS_CHILD) && ValidWnd(w->Parent) && SendMessage(w->Parent, WM_SETCURSOR, wp, lp)) return TRUE;
      int hit = static_cast<short>(LOWORD(static_cast<uint64_t>(lp)));
      SetCursor(CursorForHit(w, hit));
      return TRUE;
    }
    case WM_MOUSEWHEEL:
    case WM_CONTEXTMENU:
      if ((w->Style & WS_CHILD) && ValidWnd(w->Parent)) return SendMessage(w->Parent, msg, wp, lp);
      return 0;
    case WM_RBUTTONUP: {
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      ClientToScreen(w, &p);
      SendMessage(w, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(w), MAKELPARAM(static_cast<WORD>(p.x), static_cast<WORD>(p.y)));
      return 0;
    }
    case WM_NCLBUTTONDOWN: {
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      switch (static_cast<int>(wp)) {
        case HTCAPTION: SendMessage(w, WM_SYSCOMMAND, SC_MOVE | UINT(HTCAPTION), lp); break;
        case HTVSCROLL: ScrollBarClick(w, SB_VERT, p); break;
        case HTHSCROLL: ScrollBarClick(w, SB_HORZ, p); break;
        case HTCLOSE:
          if (TrackCaptionButton(w, HTCLOSE)) SendMessage(w, WM_SYSCOMMAND, SC_CLOSE, lp);
          break;
        case HTMAXBUTTON:
          if (TrackCaptionButton(w, HTMAXBUTTON))
            SendMessage(w, WM_SYSCOMMAND, (w->Style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE, lp);
          break;
        case HTMINBUTTON:
          if (TrackCaptionButton(w, HTMINBUTTON)) SendMessage(w, WM_SYSCOMMAND, SC_MINIMIZE, lp);
          break;
        case HTLEFT: case HTRIGHT: case HTTOP: case HTBOTTOM: case HTTOPLEFT: case HTTOPRIGHT:
        case HTBOTTOMLEFT: case HTBOTTOMRIGHT:
          SendMessage(w, WM_SYSCOMMAND, SC_SIZE + static_cast<WPARAM>(wp - HTLEFT + 1), lp);
          break;
      }
      return 0;
    }
    case WM_NCLBUTTONDBLCLK:
      if (wp == HTCAPTION && (w->Style & WS_MAXIMIZEBOX))
        SendMessage(w, WM_SYSCOMMAND, (w->Style & WS_MAXIMIZE) ? SC_RESTORE : SC_MAXIMIZE, lp);
      return 0;
    case WM_SYSCOMMAND: {
      if (CallCbtHook(HCBT_SYSCOMMAND, wp, lp)) return 0;
      UINT cmd = static_cast<UINT>(wp & 0xFFF0);
      POINT p{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      switch (cmd) {
        case SC_CLOSE: SendMessage(w, WM_CLOSE, 0, 0); break;
        case SC_MINIMIZE: ShowWindow(w, SW_MINIMIZE); break;
        case SC_MAXIMIZE: ShowWindow(w, SW_MAXIMIZE); break;
        case SC_RESTORE: ShowWindow(w, SW_RESTORE); break;
        case SC_MOVE: MoveSizeLoop(w, HTCAPTION, p); break;
        case SC_SIZE: {
          int hit = static_cast<int>(wp & 0xF) + HTLEFT - 1;
          if (hit >= HTLEFT && hit <= HTBOTTOMRIGHT) MoveSizeLoop(w, hit, p);
          break;
        }
      }
      return 0;
    }
    case WM_SYSKEYDOWN:
      if (wp == VK_F4 && (lp & (1 << 29))) SendMessage(RootOf(w), WM_SYSCOMMAND, SC_CLOSE, 0);
      return 0;
    case WM_SYSCHAR:
      // Alt+character: the top-level window gets the keyboard menu command with the character,
      // to open the menu bar item whose caption has that accelerator.
      if ((lp & (1 << 29)) && wp != VK_SPACE) SendMessage(RootOf(w), WM_SYSCOMMAND, SC_KEYMENU, static_cast<LPARAM>(wp));
      return 0;
    case WM_CTLCOLORMSGBOX: case WM_CTLCOLOREDIT: case WM_CTLCOLORLISTBOX: case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG: case WM_CTLCOLORSCROLLBAR: case WM_CTLCOLORSTATIC: {
      HDC dc = reinterpret_cast<HDC>(wp);
      bool edit = msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORLISTBOX;
      SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
      SetBkColor(dc, GetSysColor(edit ? COLOR_WINDOW : COLOR_BTNFACE));
      return reinterpret_cast<LRESULT>(GetSysColorBrush(edit ? COLOR_WINDOW : COLOR_BTNFACE));
    }
    case WM_GETMINMAXINFO: return 0;
    case WM_WINDOWPOSCHANGING: {
      // Sizable and overlapped windows keep within the tracking sizes their WM_GETMINMAXINFO
      // answers (a minimised window keeps its size).
      auto* p = reinterpret_cast<WINDOWPOS*>(lp);
      if (!p || (p->flags & SWP_NOSIZE) || (w->Style & WS_MINIMIZE) || !HasSizeLimits(w->Style)) return 0;
      MINMAXINFO mm = QueryMinMaxInfo(w);
      if (!ValidWnd(w)) return 0;
      p->cx = std::clamp<int>(p->cx, mm.ptMinTrackSize.x, std::max(mm.ptMinTrackSize.x, mm.ptMaxTrackSize.x));
      p->cy = std::clamp<int>(p->cy, mm.ptMinTrackSize.y, std::max(mm.ptMinTrackSize.y, mm.ptMaxTrackSize.y));
      return 0;
    }
    case WM_PRINT: {
      // Renders the window into the DC at its origin: the default frame, then the client area
      // (WM_ERASEBKGND and WM_PRINTCLIENT with the origin on the client corner, clipped to it),
      // then the visible children bottom first, each through its own WM_PRINT.
      HDC dc = reinterpret_cast<HDC>(wp);
      if (!dc || ((lp & PRF_CHECKVISIBLE) && !IsWindowVisible(w))) return 0;
      int saved = SaveDC(dc);
      if (lp & PRF_NONCLIENT) NcPaintDefault(w, dc);
      RECT c = w->Client;
      OffsetViewportOrgEx(dc, c.left, c.top, nullptr);
      IntersectClipRect(dc, 0, 0, c.right - c.left, c.bottom - c.top);
      if (lp & PRF_ERASEBKGND) SendMessage(w, WM_ERASEBKGND, wp, 0);
      if ((lp & PRF_CLIENT) && ValidWnd(w)) SendMessage(w, WM_PRINTCLIENT, wp, lp);
      if ((lp & PRF_CHILDREN) && ValidWnd(w)) {
        std::vector<HWND> kids(w->Children.rbegin(), w->Children.rend());
        for (HWND k : kids) {
          if (!ValidWnd(k) || !(k->Style & WS_VISIBLE)) continue;
          int inner = SaveDC(dc);
          OffsetViewportOrgEx(dc, k->Rect.left, k->Rect.top, nullptr);
          IntersectClipRect(dc, 0, 0, k->Rect.right - k->Rect.left, k->Rect.bottom - k->Rect.top);
          SendMessage(k, WM_PRINT, wp, lp & ~LPARAM(PRF_CHECKVISIBLE));
          RestoreDC(dc, inner);
        }
      }
      RestoreDC(dc, saved);
      return 0;
    }
    case WM_DROPFILES:
      if ((w->Style & WS_CHILD) && ValidWnd(w->Parent)) return SendMessage(w->Parent, msg, wp, lp);
      DragFinish(reinterpret_cast<HDROP>(wp));
      return 0;
  }
  return 0;
}

LRESULT CallWindowProc(WNDPROC proc, HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (!proc) return DefWindowProc(w, msg, wp, lp);
  return proc(w, msg, wp, lp);
}

BOOL GetComboBoxInfo(HWND w, COMBOBOXINFO* info) {
  if (!ValidWnd(w) || !info) return FALSE;
  if (info->cbSize != sizeof(COMBOBOXINFO) && info->cbSize != 52) return FALSE;
  return SendMessage(w, CB_GETCOMBOBOXINFO, 0, reinterpret_cast<LPARAM>(info)) ? TRUE : FALSE;
}
