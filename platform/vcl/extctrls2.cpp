// The scroll bar control.
#include "platform/vcl/extctrls2.h"

#include <algorithm>

#include "platform/rtl/typinfo.h"
#include "platform/win/gdi_user.h"

ORV_CLASS_IMPL(TScrollBar, TWinControl)

// ---- TScrollBar ----
TScrollBar::TScrollBar(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 121;
  FHeight = 17;
  FTabStop = true;
  SetColor(clBtnFace);
}

void TScrollBar::SetKind(TScrollBarKind Value) {
  if (Value == FKind) return;
  FKind = Value;
  SetBounds(Left(), Top(), Height(), Width());
  Invalidate();
}

void TScrollBar::SetPageSize(int Value) {
  FPageSize = std::clamp(Value, 0, FMax - FMin + 1);
  SetParams(FPosition, FMin, FMax);
  Invalidate();
}

void TScrollBar::SetParams(int APosition, int AMin, int AMax) {
  if (AMax < AMin) AMax = AMin;
  FMin = AMin;
  FMax = AMax;
  // With a page, the last position leaves the page inside the range.
  int last = FPageSize > 0 ? std::max(FMin, FMax - FPageSize + 1) : FMax;
  APosition = std::clamp(APosition, FMin, last);
  bool changed = APosition != FPosition;
  FPosition = APosition;
  Invalidate();
  if (changed && OnChange) OnChange(this);
}

int TScrollBar::ButtonSize() {
  int along = FKind == sbHorizontal ? Width() : Height();
  int across = FKind == sbHorizontal ? Height() : Width();
  return std::min(across, along / 2);
}

RECT TScrollBar::ThumbRect() {
  int along = FKind == sbHorizontal ? ClientWidth() : ClientHeight();
  int across = FKind == sbHorizontal ? ClientHeight() : ClientWidth();
  int b = ButtonSize();
  int track = along - 2 * b;
  int range = FMax - FMin + 1;
  int len = FPageSize > 0 ? std::max(8, static_cast<int>(static_cast<int64_t>(track) * FPageSize / range)) : std::min(across, track);
  len = std::min(len, track);
  int last = FPageSize > 0 ? std::max(FMin, FMax - FPageSize + 1) : FMax;
  int span = last - FMin;
  int at = b + (span > 0 ? static_cast<int>(static_cast<int64_t>(track - len) * (FPosition - FMin) / span) : 0);
  if (FKind == sbHorizontal) return RECT{at, 0, at + len, across};
  return RECT{0, at, across, at + len};
}

int TScrollBar::PositionAt(int Pixel) {
  int along = FKind == sbHorizontal ? ClientWidth() : ClientHeight();
  RECT t = ThumbRect();
  int len = FKind == sbHorizontal ? t.right - t.left : t.bottom - t.top;
  int track = along - 2 * ButtonSize() - len;
  int last = FPageSize > 0 ? std::max(FMin, FMax - FPageSize + 1) : FMax;
  if (track <= 0) return FMin;
  return FMin + static_cast<int>((static_cast<int64_t>(Pixel - ButtonSize()) * (last - FMin) + track / 2) / track);
}

void TScrollBar::Scroll(TScrollCode Code, int Pos) {
  if (OnScroll) OnScroll(this, Code, Pos);
  SetPosition(Pos);
}

void TScrollBar::PaintWindow(HDC DC) {
  RECT c = ClientRect();
  FillRect(DC, &c, GetSysColorBrush(COLOR_SCROLLBAR));
  int b = ButtonSize();
  bool h = FKind == sbHorizontal;
  RECT lo = h ? RECT{0, 0, b, c.bottom} : RECT{0, 0, c.right, b};
  RECT hi = h ? RECT{c.right - b, 0, c.right, c.bottom} : RECT{0, c.bottom - b, c.right, c.bottom};
  UINT dis = Enabled() ? 0u : UINT(DFCS_INACTIVE);
  DrawFrameControl(DC, &lo, DFC_SCROLL, (h ? UINT(DFCS_SCROLLLEFT) : UINT(DFCS_SCROLLUP)) | dis);
  DrawFrameControl(DC, &hi, DFC_SCROLL, (h ? UINT(DFCS_SCROLLRIGHT) : UINT(DFCS_SCROLLDOWN)) | dis);
  RECT t = ThumbRect();
  FillRect(DC, &t, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(DC, &t, EDGE_RAISED, BF_RECT);
  if (Focused()) {
    InflateRect(&t, -1, -1);
    DrawFocusRect(DC, &t);
  }
}

void TScrollBar::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE: M.Result = DLGC_WANTARROWS; return;
    case SBM_GETPOS: M.Result = FPosition; return;
    case SBM_SETPOS: M.Result = FPosition; SetPosition(static_cast<int>(M.WParam)); return;
    case SBM_SETRANGE: case SBM_SETRANGEREDRAW:
      SetParams(FPosition, static_cast<int>(M.WParam), static_cast<int>(M.LParam));
      return;
    case SBM_GETRANGE:
      if (M.WParam) *reinterpret_cast<int*>(M.WParam) = FMin;
      if (M.LParam) *reinterpret_cast<int*>(M.LParam) = FMax;
      return;
    case SBM_GETSCROLLINFO: {
      auto* si = reinterpret_cast<SCROLLINFO*>(M.LParam);
      if (!si) return;
      if (si->fMask & SIF_RANGE) { si->nMin = FMin; si->nMax = FMax; }
      if (si->fMask & SIF_PAGE) si->nPage = static_cast<UINT>(FPageSize);
      if (si->fMask & SIF_POS) si->nPos = FPosition;
      if (si->fMask & SIF_TRACKPOS) si->nTrackPos = FPosition;
      M.Result = TRUE;
      return;
    }
    case SBM_SETSCROLLINFO: {
      auto* si = reinterpret_cast<SCROLLINFO*>(M.LParam);
      if (!si) return;
      int mn = FMin, mx = FMax, pos = FPosition;
      if (si->fMask & SIF_RANGE) { mn = si->nMin; mx = si->nMax; }
      if (si->fMask & SIF_PAGE) FPageSize = std::clamp(static_cast<int>(si->nPage), 0, std::max(0, mx - mn + 1));
      if (si->fMask & SIF_POS) pos = si->nPos;
      SetParams(pos, mn, mx);
      M.Result = FPosition;
      return;
    }
    case WM_LBUTTONDOWN: case WM_LBUTTONDBLCLK: {
      if (CanFocus() && !Focused()) SetFocus();
      int x = GET_X_LPARAM(M.LParam), y = GET_Y_LPARAM(M.LParam);
      int p = FKind == sbHorizontal ? x : y;
      int along = FKind == sbHorizontal ? ClientWidth() : ClientHeight();
      RECT t = ThumbRect();
      int t0 = FKind == sbHorizontal ? t.left : t.top, t1 = FKind == sbHorizontal ? t.right : t.bottom;
      int page = FPageSize > 0 ? FPageSize : FLargeChange;
      if (p < ButtonSize()) Scroll(scLineUp, FPosition - FSmallChange);
      else if (p >= along - ButtonSize()) Scroll(scLineDown, FPosition + FSmallChange);
      else if (p < t0) Scroll(scPageUp, FPosition - page);
      else if (p >= t1) Scroll(scPageDown, FPosition + page);
      else {
        FDragOffset = p - t0;
        SetCapture(Handle());
      }
      break;
    }
    case WM_MOUSEMOVE:
      if (FDragOffset >= 0) {
        int p = FKind == sbHorizontal ? GET_X_LPARAM(M.LParam) : GET_Y_LPARAM(M.LParam);
        Scroll(scTrack, PositionAt(p - FDragOffset));
      }
      break;
    case WM_LBUTTONUP:
      if (FDragOffset >= 0) {
        FDragOffset = -1;
        ReleaseCapture();
        Scroll(scPosition, FPosition);
      }
      break;
    case WM_KEYDOWN:
      if (DoKeyDown(M)) return;
      switch (M.WParam) {
        case VK_LEFT: case VK_UP: Scroll(scLineUp, FPosition - FSmallChange); return;
        case VK_RIGHT: case VK_DOWN: Scroll(scLineDown, FPosition + FSmallChange); return;
        case VK_PRIOR: Scroll(scPageUp, FPosition - FLargeChange); return;
        case VK_NEXT: Scroll(scPageDown, FPosition + FLargeChange); return;
        case VK_HOME: Scroll(scTop, FMin); return;
        case VK_END: Scroll(scBottom, FMax); return;
      }
      break;
    case WM_SETFOCUS: case WM_KILLFOCUS:
      Invalidate();
      break;
  }
  TWinControl::WndProc(M);
}

void TScrollBar::Publish(TPublisher<TScrollBar>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Prop("Kind", &TScrollBar::Kind, &TScrollBar::SetKind).Default(sbHorizontal);
  P.Prop("LargeChange", &TScrollBar::LargeChange, &TScrollBar::SetLargeChange).Default(1);
  P.Prop("Max", &TScrollBar::Max, &TScrollBar::SetMax).Default(100);
  P.Prop("Min", &TScrollBar::Min, &TScrollBar::SetMin).Default(0);
  P.Prop("PageSize", &TScrollBar::PageSize, &TScrollBar::SetPageSize).Default(0);
  P.Prop("Position", &TScrollBar::Position, &TScrollBar::SetPosition).Default(0);
  P.Prop("SmallChange", &TScrollBar::SmallChange, &TScrollBar::SetSmallChange).Default(1);
  P.Event<TNotifyEvent>("OnChange", &TScrollBar::OnChange).Type("TNotifyEvent");
}
