// Scrolling windows: TScrollingWinControl and TScrollBox.
#include <algorithm>

#include "platform/vcl/forms.h"

#include "platform/rtl/typinfo.h"

ORV_CLASS_IMPL(TScrollingWinControl, TWinControl)
ORV_CLASS_IMPL(TScrollBox, TScrollingWinControl)

void TScrollingWinControl::Publish(TPublisher<TScrollingWinControl>& P) {
  P.Prop("AutoScroll", &TScrollingWinControl::AutoScroll, &TScrollingWinControl::SetAutoScroll)
      .Default(true);
}

void TScrollBox::Publish(TPublisher<TScrollBox>& P) {
  P.Prop("BorderStyle", &TScrollBox::BorderStyle, &TScrollBox::SetBorderStyle)
      .Type("TBorderStyle")
      .Default(bsSingle);
}

TScrollingWinControl::TScrollingWinControl(TComponent* AOwner) : TWinControl(AOwner) {}

void TScrollingWinControl::SetAutoScroll(bool Value) {
  FAutoScroll = Value;
  UpdateScrollBars();
}

void TScrollingWinControl::AlignControls(TControl* AControl, RECT& Rect) {
  TWinControl::AlignControls(AControl, Rect);
  UpdateScrollBars();
}

void TScrollingWinControl::UpdateScrollBars() {
  if (!HandleAllocated() || FUpdating) return;
  FUpdating = true;
  // The extent of the children in unscrolled coordinates.
  int ext[2] = {0, 0};
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    if (!c->Visible() || c->Align() != alNone) continue;
    ext[0] = std::max(ext[0], c->Left() + c->Width() + FPos[0]);
    ext[1] = std::max(ext[1], c->Top() + c->Height() + FPos[1]);
  }
  for (int bar = 0; bar < 2; ++bar) {
    FRange[bar] = FAutoScroll ? ext[bar] : 0;
    SCROLLINFO si;
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = std::max(0, FRange[bar] - 1);
    si.nPage = static_cast<UINT>(bar == 0 ? ClientWidth() : ClientHeight());
    si.nPos = FPos[bar];
    SetScrollInfo(Handle(), bar == 0 ? SB_HORZ : SB_VERT, &si, TRUE);
  }
  // Both bars may have changed the client size; positions must stay within the new range.
  for (int bar = 0; bar < 2; ++bar) {
    int page = bar == 0 ? ClientWidth() : ClientHeight();
    int maxPos = std::max(0, FRange[bar] - page);
    if (FPos[bar] > maxPos) {
      int d = FPos[bar] - maxPos;
      FPos[bar] = maxPos;
      ScrollWindowEx(Handle(), bar == 0 ? d : 0, bar == 1 ? d : 0, nullptr, nullptr, nullptr, nullptr, SW_SCROLLCHILDREN | SW_INVALIDATE | SW_ERASE);
      for (int i = 0; i < ControlCount(); ++i)
        if (!dynamic_cast<TWinControl*>(Controls(i))) {
          TControl* c = Controls(i);
          c->SetBounds(c->Left() + (bar == 0 ? d : 0), c->Top() + (bar == 1 ? d : 0), c->Width(), c->Height());
        }
    }
  }
  FUpdating = false;
}

void TScrollingWinControl::ScrollBy(int DeltaX, int DeltaY) {
  if (!DeltaX && !DeltaY) return;
  DisableAlign();
  for (int i = 0; i < ControlCount(); ++i) {
    TControl* c = Controls(i);
    c->SetBounds(c->Left() + DeltaX, c->Top() + DeltaY, c->Width(), c->Height());
  }
  EnableAlign();
  Invalidate();
}

void TScrollingWinControl::ScrollTo(int Bar, int Pos) {
  int page = Bar == 0 ? ClientWidth() : ClientHeight();
  Pos = std::clamp(Pos, 0, std::max(0, FRange[Bar] - page));
  int d = FPos[Bar] - Pos;
  if (!d) return;
  FPos[Bar] = Pos;
  FUpdating = true;
  ScrollBy(Bar == 0 ? d : 0, Bar == 1 ? d : 0);
  FUpdating = false;
  if (HandleAllocated()) SetScrollPos(Handle(), Bar == 0 ? SB_HORZ : SB_VERT, Pos, TRUE);
}

void TScrollingWinControl::ScrollInView(TControl* AControl) {
  if (!AControl || !ContainsControl(AControl)) return;
  RECT r = AControl->BoundsRect();
  if (r.left < 0) ScrollTo(0, FPos[0] + r.left);
  else if (r.right > ClientWidth()) ScrollTo(0, FPos[0] + std::min(r.left, static_cast<LONG>(r.right - ClientWidth())));
  if (r.top < 0) ScrollTo(1, FPos[1] + r.top);
  else if (r.bottom > ClientHeight()) ScrollTo(1, FPos[1] + std::min(r.top, static_cast<LONG>(r.bottom - ClientHeight())));
}

void TScrollingWinControl::WndProc(TMessage& M) {
  if (M.Msg == WM_HSCROLL || M.Msg == WM_VSCROLL) {
    int bar = M.Msg == WM_HSCROLL ? 0 : 1;
    int page = bar == 0 ? ClientWidth() : ClientHeight();
    int pos = FPos[bar];
    switch (LOWORD(M.WParam)) {
      case SB_LINEUP: pos -= 8; break;
      case SB_LINEDOWN: pos += 8; break;
      case SB_PAGEUP: pos -= page; break;
      case SB_PAGEDOWN: pos += page; break;
      case SB_THUMBTRACK: case SB_THUMBPOSITION: pos = HIWORD(M.WParam); break;
      case SB_TOP: pos = 0; break;
      case SB_BOTTOM: pos = FRange[bar]; break;
      default: return;
    }
    ScrollTo(bar, pos);
    return;
  }
  if (M.Msg == WM_MOUSEWHEEL) {
    POINT p{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
    if (!DoMouseWheel(KeysToShiftState(LOWORD(M.WParam)), GET_WHEEL_DELTA_WPARAM(M.WParam), p))
      ScrollTo(1, FPos[1] - GET_WHEEL_DELTA_WPARAM(M.WParam) / WHEEL_DELTA * 24);
    M.Result = 1;
    return;
  }
  TWinControl::WndProc(M);
  if (M.Msg == WM_SIZE) UpdateScrollBars();
}

TScrollBox::TScrollBox(TComponent* AOwner) : TScrollingWinControl(AOwner) {
  FWidth = 185;
  FHeight = 41;
  ControlStyle() += csAcceptsControls;
  SetColor(clBtnFace);
}

void TScrollBox::SetBorderStyle(TBorderStyle Value) {
  FBorderStyle = Value;
  RecreateWnd();
}

void TScrollBox::CreateParams(TCreateParams& P) {
  TScrollingWinControl::CreateParams(P);
  if (FBorderStyle == bsSingle) P.ExStyle |= WS_EX_CLIENTEDGE;
}
