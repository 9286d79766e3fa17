// Hint windows and the application's hint logic: the mouse resting over a control with a hint
// for HintPause ms asks the control (CM_HINTSHOW) and OnShowHint, then shows the hint window
// under the cursor, inside the work area; moving to another control, out of the part of the
// control the hint belongs to (CursorRect), or HideTimeout ms later hides it.
#include <algorithm>

#include "platform/vcl/forms.h"
#include "platform/win/gdi_user.h"

ORV_CLASS_IMPL(THintWindow, TCustomControl)

namespace {
// The hint goes this far below the cursor's hot spot, clear of the arrow cursor's picture, and
// this far above it when there is no room below.
constexpr int kCursorHeightMargin = 20;
constexpr int kHintGap = 2;
}  // namespace

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

// Hides the hint window and stops its timers; the control stays current.
void TApplication::HideHintWindow() {
  FHintPending = false;
  if (!FHintWindow) return;
  if (FHintWindow->HandleAllocated())
    for (UINT_PTR id : {kHintShowTimer, kHintHideTimer, kHintReshowTimer}) KillTimer(FHintWindow->Handle(), id);
  FHintWindow->ReleaseHandle();
}

void TApplication::StartHintTimer(int Pause) {
  FHintPending = true;
  SetTimer(HintWindow()->Handle(), kHintShowTimer, static_cast<UINT>(std::max(Pause, 1)), nullptr);
}

void TApplication::CancelHint() {
  if (FHintControl) FHintControl->RemoveFreeNotification(this);
  FHintControl = nullptr;
  FHintHasRect = false;
  HideHintWindow();
}

void TApplication::HintMouseMessage(const MSG& Msg) {
  TWinControl* win = FindControl(Msg.hwnd);
  TControl* target = win;
  POINT at{static_cast<short>(LOWORD(Msg.lParam)), static_cast<short>(HIWORD(Msg.lParam))};
  if (win)
    if (TControl* c = win->ControlAtPos(at, false)) target = c;
  POINT screen = at;
  ClientToScreen(Msg.hwnd, &screen);
  if (target == FHintWindow) return;
  SetHint(target ? GetLongHint(target->Hint()) : std::string());
  if (target == FHintControl) {
    // Within the same control: leaving the part the hint was asked for hides it and starts a
    // new one, quickly when a hint was showing.
    if (!FHintHasRect || PtInRect(&FHintCursorRect, screen)) return;
    bool wasShowing = FHintWindow && FHintWindow->Active();
    HideHintWindow();
    FHintHasRect = false;
    StartHintTimer(wasShowing ? FHintShortPause : FHintPause);
    return;
  }
  // Moving on from a hint that was showing, the next control's hint comes after the short pause.
  bool wasShowing = FHintWindow && FHintWindow->Active();
  CancelHint();
  if (!target || !FShowHint || !target->ShowHint() || GetShortHint(target->Hint()).empty()) return;
  FHintControl = target;
  target->FreeNotification(this);
  StartHintTimer(wasShowing ? FHintShortPause : FHintPause);
}

void TApplication::HintTimerExpired(UINT_PTR Id) {
  if (!FHintWindow || !FHintWindow->HandleAllocated()) return;
  KillTimer(FHintWindow->Handle(), Id);
  if (Id == kHintHideTimer) {
    HideHintWindow();  // the control stays current: no new hint until the mouse leaves its part
    return;
  }
  if (Id == kHintReshowTimer) {
    if (!FHintControl) return;
    HideHintWindow();
    POINT cur{};
    GetCursorPos(&cur);
    ActivateHint(cur);
    return;
  }
  if (Id != kHintShowTimer || !FHintControl || !FHintPending) return;
  FHintPending = false;
  POINT cur{};
  GetCursorPos(&cur);
  ActivateHint(cur);
}

// Asks the control and OnShowHint, then shows the window below and to the right of the cursor,
// kept inside the work area: moved left at its right edge, and put above the cursor when it
// would run off the bottom.
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
  info.HintPos = POINT{CursorPos.x, CursorPos.y + kCursorHeightMargin};
  info.HideTimeout = FHintHidePause;
  LRESULT refused = c->Perform(CM_HINTSHOW, 0, reinterpret_cast<LPARAM>(&info));
  if (FHintControl != c) return;  // the handler let the control go
  // The part is remembered even for a refused hint, so another part of the control may have one.
  FHintCursorRect = info.CursorRect;
  OffsetRect(&FHintCursorRect, origin.x, origin.y);
  FHintHasRect = true;
  if (refused != 0) return;
  bool canShow = true;
  if (OnShowHint) OnShowHint(info.HintStr, canShow, info);
  if (!canShow || info.HintStr.empty()) return;
  THintWindow* w = HintWindow();
  w->SetColor(info.HintColor);
  RECT r = w->CalcHintRect(info.HintMaxWidth, info.HintStr);
  OffsetRect(&r, info.HintPos.x, info.HintPos.y);
  RECT wa{0, 0, Screen()->Width(), Screen()->Height()};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &wa, 0);
  if (r.right > wa.right) OffsetRect(&r, wa.right - r.right, 0);
  if (r.left < wa.left) OffsetRect(&r, wa.left - r.left, 0);
  if (r.bottom > wa.bottom) OffsetRect(&r, 0, CursorPos.y - kHintGap - r.bottom);
  if (r.top < wa.top) OffsetRect(&r, 0, wa.top - r.top);
  w->ActivateHint(r, info.HintStr);
  if (info.HideTimeout > 0) SetTimer(w->Handle(), kHintHideTimer, static_cast<UINT>(info.HideTimeout), nullptr);
  if (info.ReshowTimeout > 0) SetTimer(w->Handle(), kHintReshowTimer, static_cast<UINT>(info.ReshowTimeout), nullptr);
}
