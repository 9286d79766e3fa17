// Track bar and up-down control.
#include <algorithm>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/comctrls.h"

ORV_CLASS_IMPL(TTrackBar, TWinControl)
ORV_CLASS_IMPL(TUpDown, TCustomControl)

// ---- TTrackBar ----
TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 150;
  FHeight = 45;
  FTabStop = true;
  SetColor(clBtnFace);
}

void TTrackBar::Publish(TPublisher<TTrackBar>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Prop("Min", &TTrackBar::Min, &TTrackBar::SetMin);
  P.Prop("Max", &TTrackBar::Max, &TTrackBar::SetMax).Default(10);
  P.Prop("Position", &TTrackBar::Position, &TTrackBar::SetPosition);
  P.Prop("Frequency", &TTrackBar::Frequency, &TTrackBar::SetFrequency).Default(1);
  P.Prop("Orientation", &TTrackBar::Orientation, &TTrackBar::SetOrientation).Default(trHorizontal);
  P.Prop("TickStyle", &TTrackBar::TickStyle, &TTrackBar::SetTickStyle).Default(tsAuto);
  P.Prop("TickMarks", &TTrackBar::TickMarks, &TTrackBar::SetTickMarks).Default(tmBottomRight);
  P.Prop("SelStart", &TTrackBar::SelStart, &TTrackBar::SetSelStart);
  P.Prop("SelEnd", &TTrackBar::SelEnd, &TTrackBar::SetSelEnd);
  P.Prop("PageSize", &TTrackBar::PageSize, &TTrackBar::SetPageSize).Default(2);
  P.Prop("LineSize", &TTrackBar::LineSize, &TTrackBar::SetLineSize).Default(1);
  P.Event("OnChange", &TTrackBar::OnChange).Type("TNotifyEvent");
}

void TTrackBar::SetMin(int Value) {
  FMin = Value;
  if (FMax < FMin) FMax = FMin;
  TicksChanged();
  SetPosition(FPosition);
}

void TTrackBar::SetMax(int Value) {
  FMax = Value;
  if (FMin > FMax) FMin = FMax;
  TicksChanged();
  SetPosition(FPosition);
}

void TTrackBar::SetPosition(int Value) {
  Value = std::clamp(Value, FMin, FMax);
  if (Value == FPosition) return;
  FPosition = Value;
  Invalidate();
  if (OnChange) OnChange(this);
}

void TTrackBar::SetSelStart(int Value) {
  FSelStart = Value;
  Invalidate();
}

void TTrackBar::SetSelEnd(int Value) {
  FSelEnd = Value;
  Invalidate();
}

void TTrackBar::SetFrequency(int Value) {
  FFrequency = std::max(1, Value);
  TicksChanged();
}

void TTrackBar::SetTickStyle(TTickStyle Value) {
  FTickStyle = Value;
  UpdateStyle();
  TicksChanged();
}

void TTrackBar::SetTickMarks(TTickMark Value) {
  FTickMarks = Value;
  UpdateStyle();
  Invalidate();
}

void TTrackBar::SetOrientation(TTrackBarOrientation Value) {
  FOrientation = Value;
  UpdateStyle();
  Invalidate();
}

void TTrackBar::SetTick(int Value) {
  if (Value <= FMin || Value >= FMax) return;
  auto at = std::lower_bound(FManualTicks.begin(), FManualTicks.end(), Value);
  if (at != FManualTicks.end() && *at == Value) return;
  FManualTicks.insert(at, Value);
  TicksChanged();
}

void TTrackBar::ClearTicks() {
  FManualTicks.clear();
  TicksChanged();
}

void TTrackBar::TicksChanged() {
  FTicksValid = false;
  Invalidate();
}

// The style bits other code reads from the window (the skinners look at TBS_VERT and the marks).
void TTrackBar::UpdateStyle() {
  if (!HandleAllocated()) return;
  DWORD st = static_cast<DWORD>(GetWindowLongPtr(Handle(), GWL_STYLE));
  st &= ~DWORD(TBS_AUTOTICKS | TBS_VERT | TBS_TOP | TBS_BOTH | TBS_NOTICKS | TBS_ENABLESELRANGE);
  SetWindowLongPtr(Handle(), GWL_STYLE, static_cast<LONG_PTR>(st | StyleBits()));
}

DWORD TTrackBar::StyleBits() const {
  DWORD st = TBS_ENABLESELRANGE;
  if (FOrientation == trVertical) st |= TBS_VERT;
  if (FTickStyle == tsAuto) st |= TBS_AUTOTICKS;
  if (FTickStyle == tsNone) st |= TBS_NOTICKS;
  if (FTickMarks == tmTopLeft) st |= TBS_TOP;
  if (FTickMarks == tmBoth) st |= TBS_BOTH;
  return st;
}

const std::vector<int>& TTrackBar::TickValues() const {
  if (FTicksValid) return FTicks;
  FTicks.clear();
  if (FTickStyle != tsNone) {
    for (int v : FManualTicks)
      if (v > FMin && v < FMax) FTicks.push_back(v);
    if (FTickStyle == tsAuto)
      for (int64_t v = int64_t(FMin) + FFrequency; v < FMax; v += FFrequency) FTicks.push_back(static_cast<int>(v));
    std::sort(FTicks.begin(), FTicks.end());
    FTicks.erase(std::unique(FTicks.begin(), FTicks.end()), FTicks.end());
  }
  FTicksValid = true;
  return FTicks;
}

RECT TTrackBar::Channel() {
  RECT r = ClientRect();
  if (FOrientation == trHorizontal) return RECT{8, r.bottom / 2 - 2, r.right - 8, r.bottom / 2 + 2};
  return RECT{r.right / 2 - 2, 8, r.right / 2 + 2, r.bottom - 8};
}

int TTrackBar::ValueToPixel(int Value) {
  RECT c = Channel();
  bool h = FOrientation == trHorizontal;
  int span = std::max(1, FMax - FMin);
  int len = h ? c.right - c.left : c.bottom - c.top;
  return (h ? c.left : c.top) + static_cast<int>(static_cast<int64_t>(len) * (Value - FMin) / span);
}

RECT TTrackBar::Thumb() {
  RECT c = Channel();
  int p = ValueToPixel(FPosition);
  return FOrientation == trHorizontal ? RECT{p - 5, c.top - 8, p + 6, c.bottom + 5} : RECT{c.left - 8, p - 5, c.right + 5, p + 6};
}

int TTrackBar::PosAt(int X, int Y) {
  RECT c = Channel();
  int len = FOrientation == trHorizontal ? c.right - c.left : c.bottom - c.top;
  int at = FOrientation == trHorizontal ? X - c.left : Y - c.top;
  if (len <= 0) return FMin;
  return FMin + static_cast<int>((static_cast<int64_t>(std::clamp(at, 0, len)) * (FMax - FMin) + len / 2) / len);
}

void TTrackBar::PaintWindow(HDC DC) {
  RECT c = Channel();
  DrawEdge(DC, &c, EDGE_SUNKEN, BF_RECT);
  if (FSelStart < FSelEnd) {
    // The selected range fills the inside of the channel between its two values.
    int a = ValueToPixel(std::clamp(FSelStart, FMin, FMax)), b = ValueToPixel(std::clamp(FSelEnd, FMin, FMax));
    RECT sel = FOrientation == trHorizontal ? RECT{a, c.top + 1, b + 1, c.bottom - 1} : RECT{c.left + 1, a, c.right - 1, b + 1};
    FillRect(DC, &sel, GetSysColorBrush(COLOR_HIGHLIGHT));
  }
  if (FTickStyle != tsNone) {
    // Short marks three pixels long, clear of the thumb, on the sides TickMarks asks for; the
    // ends (Min and Max) always have one.
    bool h = FOrientation == trHorizontal;
    bool after = FTickMarks != tmTopLeft, before = FTickMarks != tmBottomRight;
    auto mark = [&](int v) {
      int p = ValueToPixel(v);
      if (after) {
        RECT t = h ? RECT{p, c.bottom + 6, p + 1, c.bottom + 9} : RECT{c.right + 6, p, c.right + 9, p + 1};
        FillRect(DC, &t, GetSysColorBrush(COLOR_BTNTEXT));
      }
      if (before) {
        RECT t = h ? RECT{p, c.top - 12, p + 1, c.top - 9} : RECT{c.left - 12, p, c.left - 9, p + 1};
        FillRect(DC, &t, GetSysColorBrush(COLOR_BTNTEXT));
      }
    };
    mark(FMin);
    for (int v : TickValues()) mark(v);
    mark(FMax);
  }
  RECT thumb = Thumb();
  FillRect(DC, &thumb, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(DC, &thumb, EDGE_RAISED, BF_RECT);
}

void TTrackBar::WndProc(TMessage& M) {
  switch (M.Msg) {
    case TBM_GETTHUMBRECT:
      if (M.LParam) *reinterpret_cast<RECT*>(M.LParam) = Thumb();
      return;
    case TBM_GETCHANNELRECT:
      if (M.LParam) {
        RECT c = Channel();
        if (FOrientation != trHorizontal) c = RECT{c.top, c.left, c.bottom, c.right};
        *reinterpret_cast<RECT*>(M.LParam) = c;
      }
      return;
    case TBM_GETPOS: M.Result = FPosition; return;
    case TBM_GETRANGEMIN: M.Result = FMin; return;
    case TBM_GETRANGEMAX: M.Result = FMax; return;
    case TBM_SETPOS:
      // A position set from outside moves the thumb without OnChange, as the user did nothing.
      FPosition = std::clamp(static_cast<int>(M.LParam), FMin, FMax);
      Invalidate();
      return;
    case TBM_SETRANGEMIN: SetMin(static_cast<int>(M.LParam)); return;
    case TBM_SETRANGEMAX: SetMax(static_cast<int>(M.LParam)); return;
    case TBM_SETTIC: {
      int v = static_cast<int>(M.LParam);
      M.Result = FTickStyle != tsNone && v > FMin && v < FMax;
      if (M.Result) SetTick(v);
      return;
    }
    case TBM_CLEARTICS: ClearTicks(); return;
    case TBM_SETSEL:
      FSelStart = static_cast<short>(LOWORD(M.LParam));
      FSelEnd = static_cast<short>(HIWORD(M.LParam));
      Invalidate();
      return;
    case TBM_SETSELSTART: SetSelStart(static_cast<int>(M.LParam)); return;
    case TBM_SETSELEND: SetSelEnd(static_cast<int>(M.LParam)); return;
    case TBM_GETSELSTART: M.Result = FSelStart; return;
    case TBM_GETSELEND: M.Result = FSelEnd; return;
    case TBM_CLEARSEL:
      FSelStart = FSelEnd = 0;
      Invalidate();
      return;
    case TBM_SETTICFREQ: SetFrequency(static_cast<int>(M.WParam)); return;
    case TBM_GETNUMTICS: M.Result = FTickStyle == tsNone ? 0 : static_cast<LRESULT>(TickValues().size()) + 2; return;
    case TBM_GETTIC:
    case TBM_GETTICPOS: {
      const auto& t = TickValues();
      size_t i = static_cast<size_t>(M.WParam);
      if (i >= t.size()) M.Result = -1;
      else M.Result = M.Msg == TBM_GETTIC ? t[i] : ValueToPixel(t[i]);
      return;
    }
    case TBM_GETPTICS: {
      const auto& t = TickValues();
      M.Result = t.empty() ? 0 : reinterpret_cast<LRESULT>(t.data());
      return;
    }
    case WM_GETDLGCODE: M.Result = DLGC_WANTARROWS; return;
    case WM_LBUTTONDOWN:
      if (CanFocus() && !Focused()) SetFocus();
      FDragging = true;
      SetCapture(Handle());
      SetPosition(PosAt(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)));
      return;
    case WM_MOUSEMOVE:
      if (FDragging) SetPosition(PosAt(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)));
      break;
    case WM_LBUTTONUP:
      if (FDragging) {
        FDragging = false;
        ReleaseCapture();
      }
      break;
    case WM_KEYDOWN:
      if (DoKeyDown(M)) return;
      switch (M.WParam) {
        case VK_LEFT: case VK_UP: SetPosition(FPosition - FLineSize); return;
        case VK_RIGHT: case VK_DOWN: SetPosition(FPosition + FLineSize); return;
        case VK_PRIOR: SetPosition(FPosition - FPageSize); return;
        case VK_NEXT: SetPosition(FPosition + FPageSize); return;
        case VK_HOME: SetPosition(FMin); return;
        case VK_END: SetPosition(FMax); return;
      }
      break;
  }
  TWinControl::WndProc(M);
}

// ---- TUpDown ----
TUpDown::TUpDown(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 17;
  FHeight = 25;
  SetColor(clBtnFace);
}

void TUpDown::SetPosition(int Value) {
  FPosition = std::clamp(Value, std::min(FMin, FMax), std::max(FMin, FMax));
  if (FAssociate) FAssociate->SetText(std::to_string(FPosition));
  Invalidate();
}

void TUpDown::SetAssociate(TWinControl* Value) {
  FAssociate = Value;
  if (!Value) return;
  SetBounds(Value->Left() + Value->Width(), Value->Top(), Width(), Value->Height());
  Value->SetText(std::to_string(FPosition));
}

void TUpDown::Step(TUDBtnType Button) {
  // An associated edit's number (typed by the user) is where the step starts.
  if (FAssociate) {
    try {
      FPosition = std::clamp(std::stoi(FAssociate->Text()), std::min(FMin, FMax), std::max(FMin, FMax));
    } catch (...) {
    }
  }
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  if (!allow) return;
  int v = FPosition + (Button == btNext ? FIncrement : -FIncrement);
  if (FWrap && v > FMax) v = FMin;
  if (FWrap && v < FMin) v = FMax;
  SetPosition(v);
  if (OnClick2) OnClick2(this, Button);
  if (OnChangeEvent) OnChangeEvent(this);
}

void TUpDown::Paint() {
  HDC dc = Canvas()->Handle();
  RECT r = ClientRect();
  RECT up{0, 0, r.right, r.bottom / 2}, down{0, r.bottom / 2, r.right, r.bottom};
  DrawFrameControl(dc, &up, DFC_SCROLL, DFCS_SCROLLUP);
  DrawFrameControl(dc, &down, DFC_SCROLL, DFCS_SCROLLDOWN);
}

bool TUpDown::UpDownMessage(TMessage& M) {
  auto word = [](LPARAM v) { return static_cast<int>(static_cast<int16_t>(LOWORD(static_cast<uint64_t>(v)))); };
  auto pack = [](int lo, int hi) {
    return static_cast<LRESULT>(MAKELONG(static_cast<WORD>(lo), static_cast<WORD>(hi)));
  };
  switch (M.Msg) {
    case UDM_SETRANGE:
      FMin = word(M.LParam >> 16);
      FMax = word(M.LParam);
      SetPosition(FPosition);
      M.Result = 0;
      return true;
    case UDM_GETRANGE: M.Result = pack(FMax, FMin); return true;
    case UDM_SETRANGE32:
      FMin = static_cast<int>(M.WParam);
      FMax = static_cast<int>(M.LParam);
      SetPosition(FPosition);
      M.Result = 0;
      return true;
    case UDM_GETRANGE32:
      if (M.WParam) *reinterpret_cast<int*>(M.WParam) = FMin;
      if (M.LParam) *reinterpret_cast<int*>(M.LParam) = FMax;
      M.Result = 0;
      return true;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
      int old = FPosition;
      SetPosition(M.Msg == UDM_SETPOS ? word(M.LParam) : static_cast<int>(M.LParam));
      M.Result = M.Msg == UDM_SETPOS ? pack(old, 0) : static_cast<LRESULT>(old);
      return true;
    }
    case UDM_GETPOS: M.Result = pack(FPosition, 0); return true;
    case UDM_GETPOS32:
      if (M.LParam) *reinterpret_cast<BOOL*>(M.LParam) = FALSE;
      M.Result = FPosition;
      return true;
    case UDM_SETBUDDY: {
      HWND old = FAssociate && FAssociate->HandleAllocated() ? FAssociate->Handle() : nullptr;
      TWinControl* buddy = M.WParam ? FindControl(reinterpret_cast<HWND>(M.WParam)) : nullptr;
      SetAssociate(buddy);
      M.Result = reinterpret_cast<LRESULT>(old);
      return true;
    }
    case UDM_GETBUDDY:
      M.Result = FAssociate && FAssociate->HandleAllocated() ? reinterpret_cast<LRESULT>(FAssociate->Handle()) : 0;
      return true;
    default: return false;
  }
}

void TUpDown::WndProc(TMessage& M) {
  if (UpDownMessage(M)) return;
  if (M.Msg == WM_LBUTTONDOWN || M.Msg == WM_LBUTTONDBLCLK) {
    Step(GET_Y_LPARAM(M.LParam) < ClientHeight() / 2 ? btNext : btPrev);
    return;
  }
  TCustomControl::WndProc(M);
}

// Window class "msctls_trackbar32", the name other code (the skinners) looks for.
void TTrackBar::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.WinClassName = "msctls_trackbar32";
  P.Style |= StyleBits();
}

// Window class "msctls_updown32", the name other code (the skinners) looks for.
void TUpDown::CreateParams(TCreateParams& P) {
  TCustomControl::CreateParams(P);
  P.WinClassName = "msctls_updown32";
}

void TUpDown::Publish(TPublisher<TUpDown>& P) {
  P.Prop("Associate", &TUpDown::Associate, &TUpDown::SetAssociate);
  P.Prop("Min", &TUpDown::Min, &TUpDown::SetMin).Default(0);
  P.Prop("Max", &TUpDown::Max, &TUpDown::SetMax).Default(100);
  P.Prop("Increment", &TUpDown::Increment, &TUpDown::SetIncrement).Default(1);
  P.Prop("Position", &TUpDown::Position, &TUpDown::SetPosition).Default(0);
  P.Prop("Wrap", &TUpDown::Wrap, &TUpDown::SetWrap).Default(false);
  P.Event("OnChanging", &TUpDown::OnChanging).Type("TUDChangingEvent");
  // The up-down's click tells which button: it takes the place of the control's OnClick.
  P.Event("OnClick", &TUpDown::OnClick2).Type("TUDClickEvent");
}
