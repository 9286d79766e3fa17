// The shared report controls: the self-scrolling control and the flat combo box.
#include "report/output/rptuicontrols.h"

#include <algorithm>

#include "platform/vcl/graphics.h"
#include "platform/win/commctrl.h"
#include "platform/win/winuser.h"

ORV_CLASS_IMPL(TrptScrollWin, TCustomControl)
ORV_CLASS_IMPL(TrptCustomComboBox, TComboBox)
ORV_CLASS_IMPL(TrptComboBox, TrptCustomComboBox)

TrptScrollWin::TrptScrollWin(TComponent* AOwner) : TCustomControl(AOwner) {
  SetTabStop(true);
}

void TrptScrollWin::CreateParams(TCreateParams& Params) {
  TCustomControl::CreateParams(Params);
  Params.ExStyle |= WS_EX_CLIENTEDGE;
  Params.Style |= WS_HSCROLL | WS_VSCROLL | WS_CLIPCHILDREN;
}

void TrptScrollWin::CreateWnd() {
  TCustomControl::CreateWnd();
  UpdateBar(SB_HORZ);
  UpdateBar(SB_VERT);
}

void TrptScrollWin::UpdateBar(int Bar) {
  if (!HandleAllocated()) return;
  const bool horz = Bar == SB_HORZ;
  const int range = horz ? FHorzRange : FVertRange;
  const int page = horz ? FHorzPage : FVertPage;
  const int pos = horz ? FHorzPosition : FVertPosition;
  SCROLLINFO si{};
  si.cbSize = sizeof(si);
  si.fMask = SIF_ALL;
  si.nMin = 0;
  si.nMax = range < page ? 0 : range;
  si.nPage = static_cast<UINT>(std::max(page, 0));
  si.nPos = pos;
  si.nTrackPos = pos;
  FlatSB_SetScrollInfo(Handle(), Bar, &si, TRUE);
}

void TrptScrollWin::SetHRange(int Value) {
  FHorzRange = Value;
  UpdateBar(SB_HORZ);
}
void TrptScrollWin::SetHPageSize(int Value) {
  FHorzPage = Value;
  UpdateBar(SB_HORZ);
}
void TrptScrollWin::SetVRange(int Value) {
  FVertRange = Value;
  UpdateBar(SB_VERT);
}
void TrptScrollWin::SetVPageSize(int Value) {
  FVertPage = Value;
  UpdateBar(SB_VERT);
}

void TrptScrollWin::SetHPos(int Value) {
  Value = std::max(0, std::min(Value, FHorzRange - FHorzPage));
  if (Value == FHorzPosition) return;
  FHorzPosition = Value;
  if (HandleAllocated()) FlatSB_SetScrollPos(Handle(), SB_HORZ, Value, TRUE);
  HorzScrolled();
}

void TrptScrollWin::SetVPos(int Value) {
  Value = std::max(0, std::min(Value, FVertRange - FVertPage));
  if (Value == FVertPosition) return;
  FVertPosition = Value;
  if (HandleAllocated()) FlatSB_SetScrollPos(Handle(), SB_VERT, Value, TRUE);
  VertScrolled();
}

void TrptScrollWin::Scroll(int Bar, int Code, int Pos) {
  const bool horz = Bar == SB_HORZ;
  const int cur = horz ? FHorzPosition : FVertPosition;
  const int range = horz ? FHorzRange : FVertRange;
  int next;
  switch (Code) {
    case SB_LINEUP: next = cur - SmallChange; break;
    case SB_LINEDOWN: next = cur + SmallChange; break;
    case SB_PAGEUP: next = cur - LargeChange; break;
    case SB_PAGEDOWN: next = cur + LargeChange; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
      SCROLLINFO si{};
      si.cbSize = sizeof(si);
      si.fMask = SIF_TRACKPOS;
      next = FlatSB_GetScrollInfo(Handle(), Bar, &si) ? si.nTrackPos : Pos;
      break;
    }
    case SB_TOP: next = 0; break;
    case SB_BOTTOM: next = range; break;
    default: return;
  }
  if (horz)
    SetHPos(next);
  else
    SetVPos(next);
}

void TrptScrollWin::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND: Message.Result = 1; return;
    case WM_GETDLGCODE: Message.Result = DLGC_WANTARROWS | DLGC_WANTTAB | DLGC_WANTALLKEYS; return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      Scroll(Message.Msg == WM_HSCROLL ? SB_HORZ : SB_VERT, LOWORD(Message.WParam),
             static_cast<short>(HIWORD(Message.WParam)));
      Message.Result = 0;
      return;
    default: break;
  }
  TCustomControl::WndProc(Message);
}

void TrptScrollWin::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->Brush()->SetStyle(bsSolid);
  Canvas()->FillRect(ClientRect());
}

TrptCustomComboBox::TrptCustomComboBox(TComponent* AOwner) : TComboBox(AOwner) { SetWidth(100); }
