// The standard window classes programs and skinning code expect to exist: "BUTTON" (push
// buttons, check boxes, radio buttons, group boxes), "STATIC", "SCROLLBAR" (SB_CTL scroll
// bars), and "#32770" (dialogs). They are registered the first time a window of one of them is
// asked for (RegisterStandardClasses) and paint with the system look.
#include <algorithm>
#include <cstring>

#include "platform/win/wnd_internal.h"

namespace {

LRESULT NotifyParent(HWND w, WORD code) {
  HWND p = GetParent(w);
  if (!p) return 0;
  return SendMessage(p, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(w)), code), reinterpret_cast<LPARAM>(w));
}

// ---- BUTTON ----
// Per-window state lives in the user-data slot's neighbour: the check state in property
// "OrvCheck", the pushed look in "OrvPushed".
LRESULT ButtonProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD type = static_cast<DWORD>(GetWindowLongPtr(w, GWL_STYLE)) & 0xF;
  auto check = [&] { return static_cast<int>(reinterpret_cast<intptr_t>(GetProp(w, "OrvCheck"))); };
  auto setCheck = [&](int v) {
    SetProp(w, "OrvCheck", reinterpret_cast<HANDLE>(static_cast<intptr_t>(v)));
    InvalidateRect(w, nullptr, TRUE);
  };
  auto pushed = [&] { return GetProp(w, "OrvPushed") != nullptr; };
  auto setPushed = [&](bool v) {
    SetProp(w, "OrvPushed", v ? reinterpret_cast<HANDLE>(1) : nullptr);
    InvalidateRect(w, nullptr, TRUE);
  };
  auto click = [&] {
    if (type == BS_AUTOCHECKBOX) setCheck(check() ? BST_UNCHECKED : BST_CHECKED);
    else if (type == BS_AUTO3STATE) setCheck((check() + 1) % 3);
    else if (type == BS_AUTORADIOBUTTON) {
      // Unchecks the other radio buttons of the group.
      if (HWND p = GetParent(w)) {
        HWND first = w;
        for (HWND s = GetNextDlgGroupItem(p, w, FALSE); s && s != w; s = GetNextDlgGroupItem(p, s, FALSE))
          SendMessage(s, BM_SETCHECK, BST_UNCHECKED, 0);
        (void)first;
      }
      setCheck(BST_CHECKED);
    }
    NotifyParent(w, BN_CLICKED);
  };
  switch (msg) {
    case BM_GETCHECK: return check();
    case BM_SETCHECK: setCheck(static_cast<int>(wp)); return 0;
    case BM_GETSTATE: return (check() & 3) | (pushed() ? UINT(BST_PUSHED) : 0u) | (GetFocus() == w ? UINT(BST_FOCUS) : 0u);
    case BM_SETSTATE: setPushed(wp != 0); return 0;
    case BM_CLICK:
      if (IsWindowEnabled(w)) click();
      return 0;
    case WM_GETDLGCODE:
      if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) return DLGC_BUTTON | DLGC_RADIOBUTTON;
      if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
      if (type == BS_GROUPBOX) return DLGC_STATIC;
      return DLGC_BUTTON | (type == BS_PUSHBUTTON ? DLGC_UNDEFPUSHBUTTON : 0u);
    case WM_LBUTTONDOWN:
      SetCapture(w);
      if (type != BS_GROUPBOX) SetFocus(w);
      setPushed(true);
      return 0;
    case WM_LBUTTONUP: {
      bool was = pushed();
      setPushed(false);
      if (GetCapture() == w) ReleaseCapture();
      RECT r;
      GetClientRect(w, &r);
      if (was && PtInRect(&r, POINT{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)})) click();
      return 0;
    }
    case WM_KEYDOWN:
      if (wp == VK_SPACE) setPushed(true);
      return 0;
    case WM_KEYUP:
      if (wp == VK_SPACE && pushed()) {
        setPushed(false);
        click();
      }
      return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
    case WM_ENABLE:
      InvalidateRect(w, nullptr, TRUE);
      return 0;
    case WM_PRINTCLIENT:
    case WM_PAINT: {
      TPaintDC pdc(w, msg, wp);
      HDC dc = pdc;
      RECT r;
      GetClientRect(w, &r);
      HBRUSH bg = reinterpret_cast<HBRUSH>(SendMessage(GetParent(w) ? GetParent(w) : w, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(w)));
      FillRect(dc, &r, bg ? bg : GetSysColorBrush(COLOR_BTNFACE));
      char text[256];
      GetWindowText(w, text, sizeof text);
      HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
      SetBkMode(dc, TRANSPARENT);
      SetTextColor(dc, GetSysColor(IsWindowEnabled(w) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
      UINT inactive = IsWindowEnabled(w) ? 0u : UINT(DFCS_INACTIVE);
      if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON) {
        DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed() ? UINT(DFCS_PUSHED) : 0u) | inactive);
        DrawText(dc, text, -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
        if (GetFocus() == w) {
          InflateRect(&r, -3, -3);
          DrawFocusRect(dc, &r);
        }
      } else if (type == BS_GROUPBOX) {
        RECT f = r;
        f.top += 7;
        DrawEdge(dc, &f, EDGE_ETCHED, BF_RECT);
        SIZE sz{0, 0};
        GetTextExtentPoint32(dc, text, static_cast<int>(std::strlen(text)), &sz);
        RECT t{8, 0, 12 + sz.cx, sz.cy};
        FillRect(dc, &t, bg ? bg : GetSysColorBrush(COLOR_BTNFACE));
        t.left += 2;
        DrawText(dc, text, -1, &t, DT_SINGLELINE);
      } else {
        bool radio = type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON;
        int box = 13;
        RECT b{0, (r.bottom - box) / 2, box, (r.bottom - box) / 2 + box};
        DrawFrameControl(dc, &b, DFC_BUTTON, (radio ? UINT(DFCS_BUTTONRADIO) : UINT(DFCS_BUTTONCHECK)) |
                                                (check() ? UINT(DFCS_CHECKED) : 0u) | inactive);
        RECT t{box + 4, 0, r.right, r.bottom};
        DrawText(dc, text, -1, &t, DT_LEFT | DT_VCENTER | DT_SINGLELINE);
      }
      SelectObject(dc, oldFont);
      return 0;
    }
  }
  return DefWindowProc(w, msg, wp, lp);
}

// ---- STATIC ----
LRESULT StaticProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCHITTEST) return HTTRANSPARENT;
  if (msg == WM_PAINT || msg == WM_PRINTCLIENT) {
    TPaintDC pdc(w, msg, wp);
    HDC dc = pdc;
    RECT r;
    GetClientRect(w, &r);
    HBRUSH bg = reinterpret_cast<HBRUSH>(SendMessage(GetParent(w) ? GetParent(w) : w, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(w)));
    FillRect(dc, &r, bg ? bg : GetSysColorBrush(COLOR_BTNFACE));
    char text[1024];
    GetWindowText(w, text, sizeof text);
    DWORD s = static_cast<DWORD>(GetWindowLongPtr(w, GWL_STYLE)) & 0x3;
    HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    DrawText(dc, text, -1, &r, DT_WORDBREAK | (s == SS_CENTER ? UINT(DT_CENTER) : s == SS_RIGHT ? UINT(DT_RIGHT) : 0u));
    SelectObject(dc, oldFont);
    return 0;
  }
  if (msg == WM_SETTEXT) {
    LRESULT r = DefWindowProc(w, msg, wp, lp);
    InvalidateRect(w, nullptr, TRUE);
    return r;
  }
  return DefWindowProc(w, msg, wp, lp);
}

// ---- SCROLLBAR ----
// A scroll bar control keeps its state in the window's own horizontal or vertical bar record
// (the control is all bar) and draws that bar over its whole client area.
int CtlBar(HWND w) { return (GetWindowLongPtr(w, GWL_STYLE) & SBS_VERT) ? SB_VERT : SB_HORZ; }

LRESULT ScrollBarProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  TScrollBarState& b = w->Bars[CtlBar(w) == SB_VERT ? 1 : 0];
  auto maxPos = [&] { return b.Max - std::max(static_cast<int>(b.Page) - 1, 0); };
  switch (msg) {
    case SBM_SETSCROLLINFO: {
      auto* si = reinterpret_cast<const SCROLLINFO*>(lp);
      if (si->fMask & SIF_RANGE) { b.Min = si->nMin; b.Max = std::max(si->nMin, si->nMax); }
      if (si->fMask & SIF_PAGE) b.Page = std::min<UINT>(si->nPage, static_cast<UINT>(b.Max - b.Min + 1));
      if (si->fMask & SIF_POS) b.Pos = si->nPos;
      b.Pos = std::clamp(b.Pos, b.Min, std::max(b.Min, maxPos()));
      if (wp) InvalidateRect(w, nullptr, TRUE);
      return b.Pos;
    }
    case SBM_GETSCROLLINFO: {
      auto* si = reinterpret_cast<SCROLLINFO*>(lp);
      if (si->fMask & SIF_RANGE) { si->nMin = b.Min; si->nMax = b.Max; }
      if (si->fMask & SIF_PAGE) si->nPage = b.Page;
      if (si->fMask & SIF_POS) si->nPos = b.Pos;
      if (si->fMask & SIF_TRACKPOS) si->nTrackPos = b.Tracking ? b.TrackPos : b.Pos;
      return TRUE;
    }
    case SBM_SETPOS: {
      int old = b.Pos;
      b.Pos = std::clamp(static_cast<int>(wp), b.Min, std::max(b.Min, maxPos()));
      if (lp) InvalidateRect(w, nullptr, TRUE);
      return old;
    }
    case SBM_GETPOS: return b.Pos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW:
      b.Min = static_cast<int>(wp);
      b.Max = std::max(b.Min, static_cast<int>(lp));
      b.Pos = std::clamp(b.Pos, b.Min, std::max(b.Min, maxPos()));
      if (msg == SBM_SETRANGEREDRAW) InvalidateRect(w, nullptr, TRUE);
      return b.Pos;
    case SBM_GETRANGE:
      if (wp) *reinterpret_cast<int*>(wp) = b.Min;
      if (lp) *reinterpret_cast<int*>(lp) = b.Max;
      return 0;
    case SBM_ENABLE_ARROWS:
      b.Arrows = static_cast<UINT>(wp);
      InvalidateRect(w, nullptr, TRUE);
      return TRUE;
    case WM_LBUTTONDOWN: {
      // Arrows and page areas send their codes to the parent (lParam is the control).
      RECT r;
      GetClientRect(w, &r);
      bool vert = CtlBar(w) == SB_VERT;
      int len = vert ? r.bottom : r.right, at = vert ? GET_Y_LPARAM(lp) : GET_X_LPARAM(lp);
      int arrow = std::min(vert ? r.right : r.bottom, len / 2);
      UINT code = at < arrow ? SB_LINEUP : at >= len - arrow ? SB_LINEDOWN : (at < len / 2 ? SB_PAGEUP : SB_PAGEDOWN);
      HWND p = GetParent(w);
      if (p) {
        SendMessage(p, vert ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(static_cast<WORD>(code), 0), reinterpret_cast<LPARAM>(w));
        SendMessage(p, vert ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(SB_ENDSCROLL, 0), reinterpret_cast<LPARAM>(w));
      }
      return 0;
    }
    case WM_PRINTCLIENT:
    case WM_PAINT: {
      TPaintDC pdc(w, msg, wp);
      HDC dc = pdc;
      RECT r;
      GetClientRect(w, &r);
      PaintScrollBarInto(w, dc, CtlBar(w), r);
      return 0;
    }
  }
  return DefWindowProc(w, msg, wp, lp);
}

LRESULT DialogProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CLOSE) {
    SendMessage(w, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    return 0;
  }
  return DefWindowProc(w, msg, wp, lp);
}

}  // namespace

void RegisterStandardClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  struct Def { const char* Name; WNDPROC Proc; int Brush; UINT Style; } defs[] = {
      {"BUTTON", ButtonProc, COLOR_BTNFACE + 1, CS_DBLCLKS | CS_PARENTDC},
      {"STATIC", StaticProc, COLOR_BTNFACE + 1, CS_PARENTDC},
      {"SCROLLBAR", ScrollBarProc, COLOR_SCROLLBAR + 1, CS_DBLCLKS},
      {"#32770", DialogProc, COLOR_BTNFACE + 1, CS_DBLCLKS | CS_SAVEBITS},
  };
  for (const Def& d : defs) {
    WNDCLASSA wc{};
    wc.style = d.Style;
    wc.lpfnWndProc = d.Proc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<intptr_t>(d.Brush));
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.lpszClassName = d.Name;
    WNDCLASSA existing;
    if (!GetClassInfo(nullptr, d.Name, &existing)) RegisterClass(&wc);
  }
  RegisterMdiClientClass();
}
