// Hint windows and the application's hint logic: the mouse resting over a control with a hint
// for HintPause ms asks the control (CM_HINTSHOW) and OnShowHint, then shows the hint window
// under the cursor; moving to another control or HintHidePause ms later hides it.
#include <algorithm>

#include "platform/vcl/forms.h"
#include "platform/win/gdi_user.h"

ORV_CLASS_IMPL(THintWindow, TCustomControl)

std::string GetShortHint(const std::string& Hint) {
  size_t bar = Hint.find('|');
  return bar == std::string::npos ? Hint : Hint.substr(0, bar);
}

std::string GetLongHint(const std::string& Hint) {
  size_t bar = Hint.find('|');
  return bar == std::string::npos ? Hint : Hint.substr(bar + 1);
}

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
  SetColor(clInfoBk);
  Font()->SetColor(clInfoText);
}

THintWindow::~THintWindow() = default;

void THintWindow::CreateParams(TCreateParams& P) {
  TCustomControl::CreateParams(P);
  P.Style &= ~(WS_CHILD | WS_VISIBLE | WS_TABSTOP);
  P.Style |= WS_POPUP | WS_BORDER;
  P.ExStyle |= WS_EX_TOOLWINDOW | WS_EX_TOPMOST;
  P.WndParent = nullptr;
}

RECT THintWindow::CalcHintRect(int MaxWidth, const std::string& AHint) {
  RECT r{0, 0, MaxWidth > 0 ? MaxWidth : 0x7FFF, 0};
  // Measured on a memory DC: the window may not exist yet.
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  UINT flags = DT_CALCRECT | DT_LEFT | DT_NOPREFIX | (MaxWidth > 0 ? DT_WORDBREAK : DT_SINGLELINE);
  DrawText(dc, AHint.c_str(), -1, &r, flags);
  SelectObject(dc, old);
  DeleteDC(dc);
  // Text inset by 2 pixels each side and a one-pixel border.
  r.right += 6;
  r.bottom += 2;
  return r;
}

void THintWindow::ActivateHint(RECT Rect, const std::string& AHint) {
  SetCaption(AHint);
  FActive = true;
  HWND h = Handle();
  SetBounds(Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top);
  SetWindowPos(h, HWND_TOPMOST, Rect.left, Rect.top, Rect.right - Rect.left, Rect.bottom - Rect.top,
               SWP_SHOWWINDOW | SWP_NOACTIVATE);
  InvalidateRect(h, nullptr, TRUE);
}

void THintWindow::ReleaseHandle() {
  FActive = false;
  if (HandleAllocated()) DestroyHandle();
}

void THintWindow::Paint() {
  RECT r = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(r);
  Canvas()->Font()->Assign(Font());
  Canvas()->Brush()->SetStyle(bsClear);
  r.left += 2;
  r.right -= 2;
  UINT flags = DT_LEFT | DT_NOPREFIX | DT_WORDBREAK;
  DrawText(Canvas()->Handle(), Caption().c_str(), -1, &r, flags);
  Canvas()->Brush()->SetStyle(bsSolid);
}

void THintWindow::WndProc(TMessage& M) {
  if (M.Msg == WM_TIMER) {
    Application()->HintTimerExpired(static_cast<UINT_PTR>(M.WParam));
    M.Result = 0;
    return;
  }
  if (M.Msg == WM_NCHITTEST) {  // the mouse goes through to the window below
    M.Result = HTTRANSPARENT;
    return;
  }
  TCustomControl::WndProc(M);
}

// ---- TApplication's part ----

THintWindow* TApplication::HintWindow() {
  if (!FHintWindow) {
    FHintWindow = new THintWindow(this);
    FHintWindow->FreeNotification(this);
  }
  return FHintWindow;
}

void TApplication::SetHint(const std::string& Value) {
  if (FHint == Value) return;
  FHint = Value;
  if (OnHint) OnHint(this);
}

void TApplication::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FHintControl) CancelHint();
  if (AComponent == FHintWindow) FHintWindow = nullptr;
}

void TApplication::CancelHint() {
  if (FHintControl) FHintControl->RemoveFreeNotification(this);
  FHintControl = nullptr;
  FHintPending = false;
  if (!FHintWindow) return;
  if (FHintWindow->HandleAllocated()) {
    KillTimer(FHintWindow->Handle(), kHintShowTimer);
    KillTimer(FHintWindow->Handle(), kHintHideTimer);
  }
  FHintWindow->ReleaseHandle();
}

void TApplication::HintMouseMessage(const MSG& Msg) {
  TWinControl* win = FindControl(Msg.hwnd);
  TControl* target = win;
  if (win) {
    POINT p{static_cast<short>(LOWORD(Msg.lParam)), static_cast<short>(HIWORD(Msg.lParam))};
    if (TControl* c = win->ControlAtPos(p, false)) target = c;
  }
  if (target == FHintWindow) return;
  SetHint(target ? GetLongHint(target->Hint()) : std::string());
  if (target == FHintControl) return;
  CancelHint();
  if (!target || !FShowHint || !target->ShowHint() || GetShortHint(target->Hint()).empty()) return;
  FHintControl = target;
  target->FreeNotification(this);
  FHintPending = true;
  SetTimer(HintWindow()->Handle(), kHintShowTimer, static_cast<UINT>(std::max(FHintPause, 1)), nullptr);
}

void TApplication::HintTimerExpired(UINT_PTR Id) {
  if (!FHintWindow || !FHintWindow->HandleAllocated()) return;
  KillTimer(FHintWindow->Handle(), Id);
  if (Id == kHintHideTimer) {
    FHintWindow->ReleaseHandle();  // the control stays current: no new hint until the mouse leaves it
    return;
  }
  if (Id != kHintShowTimer || !FHintControl || !FHintPending) return;
  FHintPending = false;
  POINT cur{};
  GetCursorPos(&cur);
  ActivateHint(cur);
}

void TApplication::ActivateHint(POINT CursorPos) {
  TControl* c = FHintControl;
  THintInfo info;
  info.HintControl = c;
  info.HintStr = GetShortHint(c->Hint());
  info.HintColor = FHintColor;
  info.CursorRect = c->ClientRect();
  POINT origin = c->ClientToScreen(POINT{0, 0});
  info.CursorPos = POINT{CursorPos.x - origin.x, CursorPos.y - origin.y};
  info.HintMaxWidth = Screen()->Width();
  info.HintPos = POINT{CursorPos.x, CursorPos.y + 20};  // below the arrow cursor
  if (c->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info)) != 0) return;
  bool canShow = true;
  if (OnShowHint) OnShowHint(info.HintStr, canShow, info);
  if (!canShow || info.HintStr.empty()) return;
  THintWindow* w = HintWindow();
  w->SetColor(info.HintColor);
  RECT r = w->CalcHintRect(info.HintMaxWidth, info.HintStr);
  OffsetRect(&r, info.HintPos.x, info.HintPos.y);
  w->ActivateHint(r, info.HintStr);
  if (FHintHidePause > 0) SetTimer(w->Handle(), kHintHideTimer, static_cast<UINT>(FHintHidePause), nullptr);
}
