// Extended controls: panel, paint box, timer.
#include "platform/vcl/extctrls.h"

#include "platform/rtl/typinfo.h"

ORV_CLASS_IMPL(TCustomPanel, TCustomControl)
ORV_CLASS_IMPL(TPanel, TCustomPanel)
ORV_CLASS_IMPL(TPaintBox, TGraphicControl)
ORV_CLASS_IMPL(TTimer, TComponent)

// ---- TCustomPanel ----
TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 185;
  FHeight = 41;
  ControlStyle() += csAcceptsControls;
  SetColor(clBtnFace);
}

void TCustomPanel::SetBevelInner(TBevelCut Value) { FBevelInner = Value; Realign(); Invalidate(); }
void TCustomPanel::SetBevelOuter(TBevelCut Value) { FBevelOuter = Value; Realign(); Invalidate(); }
void TCustomPanel::SetBevelWidth(int Value) { FBevelWidth = Value; Realign(); Invalidate(); }
void TCustomPanel::SetBorderWidth(int Value) { FBorderWidth = Value; Realign(); Invalidate(); }
void TCustomPanel::SetAlignment(TAlignment Value) { FAlignment = Value; Invalidate(); }
void TCustomPanel::SetShowCaption(bool Value) { FShowCaption = Value; Invalidate(); }

void TCustomPanel::AlignControls(TControl* AControl, RECT& Rect) {
  int inset = FBorderWidth + (FBevelOuter != bvNone ? FBevelWidth : 0) + (FBevelInner != bvNone ? FBevelWidth : 0);
  InflateRect(&Rect, -inset, -inset);
  TCustomControl::AlignControls(AControl, Rect);
}

void TCustomPanel::Paint() {
  HDC dc = Canvas()->Handle();
  RECT r = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(r);
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    for (int i = 0; i < FBevelWidth; ++i) {
      if (cut != bvSpace) DrawEdge(dc, &r, cut == bvLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
      InflateRect(&r, -1, -1);
    }
  };
  bevel(FBevelOuter);
  InflateRect(&r, -FBorderWidth, -FBorderWidth);
  bevel(FBevelInner);
  if (!FShowCaption || Caption().empty()) return;
  UINT flags = DT_SINGLELINE | DT_VCENTER | (FAlignment == taCenter ? UINT(DT_CENTER) : FAlignment == taRightJustify ? UINT(DT_RIGHT) : 0u);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
  DrawText(dc, Caption().c_str(), -1, &r, flags);
  SelectObject(dc, old);
}

void TPanel::Publish(TPublisher<TPanel>& P) {
  P.Prop("BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner).Default(bvNone);
  P.Prop("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter).Default(bvRaised);
  P.Prop("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth).Default(1);
  P.Prop("BorderWidth", &TPanel::BorderWidth, &TPanel::SetBorderWidth);
  P.Prop("Alignment", &TPanel::Alignment, &TPanel::SetAlignment).Default(taCenter);
}

// ---- TPaintBox ----
TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 105;
  FHeight = 105;
}

void TPaintBox::Paint() {
  Canvas()->Font()->Assign(Font());
  Canvas()->Brush()->SetColor(Color());
  if (OnPaint) OnPaint(this);
}

// ---- TTimer ----
LRESULT TTimer::WndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_TIMER) {
    auto* t = reinterpret_cast<TTimer*>(GetWindowLongPtr(w, GWLP_USERDATA));
    if (t && t->OnTimer) t->OnTimer(t);
    return 0;
  }
  return DefWindowProc(w, m, wp, lp);
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &TTimer::WndProc;
  wc.lpszClassName = "TTimerWindow";
  WNDCLASSA existing;
  if (!GetClassInfo(nullptr, wc.lpszClassName, &existing)) RegisterClass(&wc);
  FWindow = CreateWindowEx(0, "TTimerWindow", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtr(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TTimer::~TTimer() {
  if (IsWindow(FWindow)) {
    KillTimer(FWindow, 1);
    SetWindowLongPtr(FWindow, GWLP_USERDATA, 0);
    DestroyWindow(FWindow);
  }
}

void TTimer::Publish(TPublisher<TTimer>& P) {
  P.Prop("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true);
  P.Prop("Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000);
  P.Prop("OnTimer", &TTimer::OnTimer, &TTimer::SetOnTimer).Type("TNotifyEvent");
}

void TTimer::UpdateTimer() {
  if (!IsWindow(FWindow)) return;
  KillTimer(FWindow, 1);
  if (FEnabled && FInterval > 0 && OnTimer) SetTimer(FWindow, 1, FInterval, nullptr);
}

void TTimer::SetEnabled(bool Value) { FEnabled = Value; UpdateTimer(); }
void TTimer::SetInterval(UINT Value) { FInterval = Value; UpdateTimer(); }
void TTimer::SetOnTimer(TNotifyEvent Value) { OnTimer = std::move(Value); UpdateTimer(); }
