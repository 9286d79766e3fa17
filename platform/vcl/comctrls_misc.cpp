// Track bar, up-down, tab control, date-time picker, tool bar and tool buttons.
#include "platform/vcl/comctrls_misc.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/rtl/dateutils.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/menus.h"
#include "platform/win/gdi_user.h"

ORV_CLASS_IMPL(TTrackBar, TWinControl)
ORV_CLASS_IMPL(TCustomUpDown, TWinControl)
ORV_CLASS_IMPL(TUpDown, TCustomUpDown)
ORV_CLASS_IMPL(TCustomTabControl, TCustomControl)
ORV_CLASS_IMPL(TTabControl, TCustomTabControl)
ORV_CLASS_IMPL(TDateTimePicker, TWinControl)
ORV_CLASS_IMPL(TToolButton, TGraphicControl)
ORV_CLASS_IMPL(TToolBar, TCustomControl)

namespace {
constexpr int kThumbWidth = 11;
constexpr int kChannelMargin = 8;

void TextIn(HDC dc, TFont* Font, RECT r, const std::string& s, UINT flags, COLORREF color) {
  HGDIOBJ old = SelectObject(dc, Font->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  DrawText(dc, s.c_str(), -1, &r, flags);
  SelectObject(dc, old);
}

SIZE TextSize(HWND w, TFont* Font, const std::string& s) {
  HDC dc = GetDC(w);
  HGDIOBJ old = SelectObject(dc, Font->Handle());
  SIZE sz{0, 0};
  GetTextExtentPoint32(dc, s.c_str(), static_cast<int>(s.size()), &sz);
  SelectObject(dc, old);
  ReleaseDC(w, dc);
  return sz;
}
}  // namespace

// ---- TTrackBar ----
TTrackBar::TTrackBar(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 150;
  FHeight = 45;
  FTabStop = true;
  SetColor(clBtnFace);
}

void TTrackBar::SetMin(int Value) {
  FMin = Value;
  if (FMax < FMin) FMax = FMin;
  SetPosition(FPosition);
  Invalidate();
}

void TTrackBar::SetMax(int Value) {
  FMax = Value;
  if (FMin > FMax) FMin = FMax;
  SetPosition(FPosition);
  Invalidate();
}

void TTrackBar::SetPosition(int Value) {
  Value = std::clamp(Value, FMin, FMax);
  if (Value == FPosition) return;
  FPosition = Value;
  Invalidate();
  if (OnChange) OnChange(this);
}

void TTrackBar::SetFrequency(int Value) {
  FFrequency = std::max(1, Value);
  Invalidate();
}

void TTrackBar::SetOrientation(TTrackBarOrientation Value) {
  if (Value == FOrientation) return;
  FOrientation = Value;
  SetBounds(Left(), Top(), Height(), Width());
  Invalidate();
}

void TTrackBar::SetTick(int Value) {
  if (Value > FMin && Value < FMax && std::find(FManualTicks.begin(), FManualTicks.end(), Value) == FManualTicks.end()) {
    FManualTicks.push_back(Value);
    std::sort(FManualTicks.begin(), FManualTicks.end());
    Invalidate();
  }
}

RECT TTrackBar::ChannelRect() {
  RECT c = ClientRect();
  int across = 2 + FThumbLength / 2;  // centre line of the thumb
  if (FOrientation == trHorizontal)
    return RECT{kChannelMargin, across - 2, c.right - kChannelMargin, across + 2};
  return RECT{across - 2, kChannelMargin, across + 2, c.bottom - kChannelMargin};
}

int TTrackBar::PixelOf(int Pos) {
  RECT ch = ChannelRect();
  int a = FOrientation == trHorizontal ? ch.left : ch.top;
  int b = FOrientation == trHorizontal ? ch.right : ch.bottom;
  if (FMax == FMin) return a;
  return a + static_cast<int>((static_cast<int64_t>(Pos - FMin) * (b - a - 1)) / (FMax - FMin));
}

RECT TTrackBar::ThumbRect() {
  int p = PixelOf(FPosition);
  if (FOrientation == trHorizontal) return RECT{p - kThumbWidth / 2, 2, p + kThumbWidth / 2 + 1, 2 + FThumbLength};
  return RECT{2, p - kThumbWidth / 2, 2 + FThumbLength, p + kThumbWidth / 2 + 1};
}

std::vector<int> TTrackBar::InteriorTicks() const {
  std::vector<int> t;
  if (FTickStyle == tsManual) return FManualTicks;
  if (FTickStyle == tsNone) return t;
  for (int v = FMin + FFrequency; v < FMax; v += FFrequency) t.push_back(v);
  return t;
}

int TTrackBar::TickCount() const {
  if (FTickStyle == tsNone) return 0;
  return static_cast<int>(InteriorTicks().size()) + 2;
}

int TTrackBar::TickPosition(int Index) {
  std::vector<int> t = InteriorTicks();
  if (Index < 0 || Index >= static_cast<int>(t.size())) return -1;
  return PixelOf(t[static_cast<size_t>(Index)]);
}

int TTrackBar::PositionAt(int X, int Y) {
  RECT ch = ChannelRect();
  int a = FOrientation == trHorizontal ? ch.left : ch.top;
  int b = FOrientation == trHorizontal ? ch.right : ch.bottom;
  int v = FOrientation == trHorizontal ? X : Y;
  if (b - a <= 1) return FMin;
  double f = static_cast<double>(v - a) / (b - a - 1);
  return std::clamp(FMin + static_cast<int>(std::lround(f * (FMax - FMin))), FMin, FMax);
}

void TTrackBar::PaintWindow(HDC DC) {
  RECT c = ClientRect();
  HBRUSH bg = CreateSolidBrush(ColorToRGB(Color()));
  FillRect(DC, &c, bg);
  DeleteObject(bg);
  RECT ch = ChannelRect();
  DrawEdge(DC, &ch, EDGE_SUNKEN, BF_RECT);
  if (FSelStart < FSelEnd) {
    RECT s = ch;
    InflateRect(&s, -1, -1);
    if (FOrientation == trHorizontal) { s.left = PixelOf(FSelStart); s.right = PixelOf(FSelEnd) + 1; }
    else { s.top = PixelOf(FSelStart); s.bottom = PixelOf(FSelEnd) + 1; }
    FillRect(DC, &s, GetSysColorBrush(COLOR_HIGHLIGHT));
  }
  // Ticks on the chosen sides: the ends and every interior tick.
  if (FTickStyle != tsNone) {
    std::vector<int> px{PixelOf(FMin)};
    for (int i = 0; i < TickCount() - 2; ++i) px.push_back(TickPosition(i));
    px.push_back(PixelOf(FMax));
    HBRUSH tb = GetSysColorBrush(COLOR_WINDOWTEXT);
    int after = 2 + FThumbLength + 2, before = 0;
    for (int p : px) {
      if (FTickMarks != tmTopLeft) {
        RECT t = FOrientation == trHorizontal ? RECT{p, after, p + 1, after + 3} : RECT{after, p, after + 3, p + 1};
        FillRect(DC, &t, tb);
      }
      if (FTickMarks != tmBottomRight) {
        RECT t = FOrientation == trHorizontal ? RECT{p, before, p + 1, before + 2} : RECT{before, p, before + 2, p + 1};
        FillRect(DC, &t, tb);
      }
    }
  }
  RECT th = ThumbRect();
  FillRect(DC, &th, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(DC, &th, EDGE_RAISED, BF_RECT);
  if (Focused()) DrawFocusRect(DC, &c);
}

void TTrackBar::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE: M.Result = DLGC_WANTARROWS; return;
    case TBM_GETPOS: M.Result = FPosition; return;
    case TBM_GETRANGEMIN: M.Result = FMin; return;
    case TBM_GETRANGEMAX: M.Result = FMax; return;
    case TBM_GETSELSTART: M.Result = FSelStart; return;
    case TBM_GETSELEND: M.Result = FSelEnd; return;
    case TBM_SETPOS: SetPosition(static_cast<int>(M.LParam)); return;
    case TBM_SETRANGEMIN: SetMin(static_cast<int>(M.LParam)); return;
    case TBM_SETRANGEMAX: SetMax(static_cast<int>(M.LParam)); return;
    case TBM_GETNUMTICS: M.Result = TickCount(); return;
    case TBM_GETTICPOS: M.Result = TickPosition(static_cast<int>(M.WParam)); return;
    case TBM_GETTHUMBRECT: if (M.LParam) *reinterpret_cast<RECT*>(M.LParam) = ThumbRect(); return;
    case TBM_GETCHANNELRECT: {
      // Reported as a horizontal rectangle, the way callers exchange the sides for vertical bars.
      RECT r = ChannelRect();
      if (FOrientation == trVertical) r = RECT{r.top, r.left, r.bottom, r.right};
      if (M.LParam) *reinterpret_cast<RECT*>(M.LParam) = r;
      return;
    }
    case WM_LBUTTONDOWN: {
      if (CanFocus() && !Focused()) SetFocus();
      int x = GET_X_LPARAM(M.LParam), y = GET_Y_LPARAM(M.LParam);
      RECT th = ThumbRect();
      if (PtInRect(&th, POINT{x, y})) {
        FDragging = true;
        SetCapture(Handle());
      } else {
        int at = PositionAt(x, y);
        SetPosition(at > FPosition ? std::min(at, FPosition + FPageSize) : std::max(at, FPosition - FPageSize));
      }
      break;
    }
    case WM_MOUSEMOVE:
      if (FDragging) SetPosition(PositionAt(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)));
      break;
    case WM_LBUTTONUP:
      if (FDragging) {
        FDragging = false;
        ReleaseCapture();
      }
      break;
    case WM_KEYDOWN: {
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
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
  }
  TWinControl::WndProc(M);
}

void TTrackBar::Publish(TPublisher<TTrackBar>& P) {
  P.Prop("Frequency", &TTrackBar::Frequency, &TTrackBar::SetFrequency).Default(1);
  P.Prop("LineSize", &TTrackBar::LineSize, &TTrackBar::SetLineSize).Default(1);
  P.Prop("Max", &TTrackBar::Max, &TTrackBar::SetMax).Default(10);
  P.Prop("Min", &TTrackBar::Min, &TTrackBar::SetMin).Default(0);
  P.Prop("Orientation", &TTrackBar::Orientation, &TTrackBar::SetOrientation).Default(trHorizontal);
  P.Prop("PageSize", &TTrackBar::PageSize, &TTrackBar::SetPageSize).Default(2);
  P.Prop("Position", &TTrackBar::Position, &TTrackBar::SetPosition).Default(0);
  P.Prop("SelEnd", &TTrackBar::SelEnd, &TTrackBar::SetSelEnd).Default(0);
  P.Prop("SelStart", &TTrackBar::SelStart, &TTrackBar::SetSelStart).Default(0);
  P.Prop("ThumbLength", &TTrackBar::ThumbLength, &TTrackBar::SetThumbLength).Default(20);
  P.Prop("TickMarks", &TTrackBar::TickMarks, &TTrackBar::SetTickMarks).Default(tmBottomRight);
  P.Prop("TickStyle", &TTrackBar::TickStyle, &TTrackBar::SetTickStyle).Default(tsAuto);
  P.Event<TNotifyEvent>("OnChange", &TTrackBar::OnChange).Type("TNotifyEvent");
}

// ---- TCustomUpDown ----
TCustomUpDown::TCustomUpDown(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 17;
  FHeight = 25;
  SetColor(clBtnFace);
}

void TCustomUpDown::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.WinClassName = "msctls_updown32";
}

void TCustomUpDown::Notification(TComponent* AComponent, TOperation Operation) {
  TWinControl::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FAssociate) FAssociate = nullptr;
}

void TCustomUpDown::SetPosition(int Value) {
  if (FMin <= FMax) Value = std::clamp(Value, FMin, FMax);
  else Value = std::clamp(Value, FMax, FMin);
  FPosition = Value;
  UpdateAssociate();
}

void TCustomUpDown::UpdateAssociate() {
  if (!FAssociate) return;
  std::string s = std::to_string(FPosition);
  if (FThousands) {
    // Groups of three digits separated by the thousands separator.
    size_t start = s[0] == '-' ? 1 : 0;
    for (int i = static_cast<int>(s.size()) - 3; i > static_cast<int>(start); i -= 3)
      s.insert(static_cast<size_t>(i), 1, FormatSettings.ThousandSeparator);
  }
  FAssociate->SetText(s);
}

void TCustomUpDown::PlaceBeside() {
  if (!FAssociate || FAssociate->Parent() != Parent()) return;
  RECT b = FAssociate->BoundsRect();
  if (FAlignButton == udRight) SetBounds(b.right, b.top, Width(), b.bottom - b.top);
  else SetBounds(b.left - Width(), b.top, Width(), b.bottom - b.top);
}

void TCustomUpDown::SetAssociate(TWinControl* Value) {
  if (FAssociate) FAssociate->RemoveFreeNotification(this);
  FAssociate = Value;
  if (Value) {
    Value->FreeNotification(this);
    PlaceBeside();
    UpdateAssociate();
  }
}

void TCustomUpDown::Step(TUDBtnType Button) {
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  if (!allow) return;
  int lo = std::min(FMin, FMax), hi = std::max(FMin, FMax);
  int dir = (Button == btNext) == (FMin <= FMax) ? 1 : -1;
  int v = FPosition + dir * FIncrement;
  if (v > hi) v = FWrap ? lo : hi;
  if (v < lo) v = FWrap ? hi : lo;
  SetPosition(v);
  if (OnClick) OnClick(this, Button);
}

void TCustomUpDown::PaintWindow(HDC DC) {
  RECT c = ClientRect();
  RECT a = c, b = c;
  if (FOrientation == udVertical) a.bottom = b.top = c.bottom / 2;
  else a.right = b.left = c.right / 2;
  UINT dis = Enabled() ? 0u : UINT(DFCS_INACTIVE);
  // a: the up (or left) button, b: the down (or right) one.
  DrawFrameControl(DC, &a, DFC_SCROLL, (FOrientation == udVertical ? DFCS_SCROLLUP : DFCS_SCROLLLEFT) | dis |
                                            (FPressed == (FOrientation == udVertical ? btNext : btPrev) ? UINT(DFCS_PUSHED) : 0u));
  DrawFrameControl(DC, &b, DFC_SCROLL, (FOrientation == udVertical ? DFCS_SCROLLDOWN : DFCS_SCROLLRIGHT) | dis |
                                            (FPressed == (FOrientation == udVertical ? btPrev : btNext) ? UINT(DFCS_PUSHED) : 0u));
}

void TCustomUpDown::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      int x = GET_X_LPARAM(M.LParam), y = GET_Y_LPARAM(M.LParam);
      TUDBtnType b = FOrientation == udVertical ? (y < Height() / 2 ? btNext : btPrev) : (x < Width() / 2 ? btPrev : btNext);
      FPressed = b;
      Invalidate();
      Step(b);
      break;
    }
    case WM_LBUTTONUP:
      FPressed = -1;
      Invalidate();
      break;
    case WM_KEYDOWN:
      if (DoKeyDown(M)) return;
      if (FArrowKeys && (M.WParam == VK_UP || M.WParam == VK_RIGHT)) { Step(btNext); return; }
      if (FArrowKeys && (M.WParam == VK_DOWN || M.WParam == VK_LEFT)) { Step(btPrev); return; }
      break;
  }
  TWinControl::WndProc(M);
}

void TUpDown::Publish(TPublisher<TUpDown>& P) {
  P.Prop("AlignButton", &TUpDown::AlignButton, &TUpDown::SetAlignButton).Default(udRight);
  P.Prop("ArrowKeys", &TUpDown::ArrowKeys, &TUpDown::SetArrowKeys).Default(true);
  P.Prop("Associate", &TUpDown::Associate, &TUpDown::SetAssociate);
  P.Prop("Increment", &TUpDown::Increment, &TUpDown::SetIncrement).Default(1);
  P.Prop("Max", &TUpDown::Max, &TUpDown::SetMax).Default(100);
  P.Prop("Min", &TUpDown::Min, &TUpDown::SetMin).Default(0);
  P.Prop("Orientation", &TUpDown::Orientation, &TUpDown::SetOrientation).Default(udVertical);
  P.Prop("Position", &TUpDown::Position, &TUpDown::SetPosition).Default(0);
  P.Prop("Thousands", &TUpDown::Thousands, &TUpDown::SetThousands).Default(true);
  P.Prop("Wrap", &TUpDown::Wrap, &TUpDown::SetWrap);
}

// ---- TCustomTabControl ----
TCustomTabControl::TCustomTabControl(TComponent* AOwner)
    : TCustomControl(AOwner), FTabs(std::make_unique<TStringList>()) {
  FWidth = 289;
  FHeight = 193;
  FTabStop = true;
  ControlStyle() += csAcceptsControls;
  SetColor(clBtnFace);
  FTabs->OnChange = [this](TObject*) {
    if (FTabIndex >= FTabs->Count()) FTabIndex = FTabs->Count() - 1;
    if (FTabIndex < 0 && FTabs->Count() > 0) FTabIndex = 0;
    Invalidate();
  };
}

TCustomTabControl::~TCustomTabControl() { FTabs->OnChange = nullptr; }

TStrings* TCustomTabControl::Tabs() const { return FTabs.get(); }

void TCustomTabControl::CreateParams(TCreateParams& P) {
  TCustomControl::CreateParams(P);
  P.WinClassName = "SysTabControl32";
}

void TCustomTabControl::SetTabIndex(int Value) {
  if (Value < -1 || Value >= FTabs->Count()) return;
  FTabIndex = Value;
  Invalidate();
}

RECT TCustomTabControl::TabRect(int Index) {
  if (Index < 0 || Index >= FTabs->Count()) return RECT{0, 0, 0, 0};
  int h = FTabHeight > 0 ? FTabHeight : 20;
  int x = 2;
  for (int i = 0; i <= Index; ++i) {
    int w = FTabWidth > 0 ? FTabWidth : TextSize(Handle(), Font(), FTabs->Strings(i)).cx + 12;
    if (i == Index) return RECT{x, 2, x + w, 2 + h};
    x += w;
  }
  return RECT{0, 0, 0, 0};
}

int TCustomTabControl::IndexOfTabAt(int X, int Y) {
  for (int i = 0; i < FTabs->Count(); ++i) {
    RECT r = TabRect(i);
    if (PtInRect(&r, POINT{X, Y})) return i;
  }
  return -1;
}

RECT TCustomTabControl::DisplayRect() {
  RECT c = ClientRect();
  int h = FTabHeight > 0 ? FTabHeight : 20;
  return RECT{c.left + 4, c.top + h + 6, c.right - 4, c.bottom - 4};
}

void TCustomTabControl::AlignControls(TControl* AControl, RECT& Rect) {
  Rect = DisplayRect();
  TCustomControl::AlignControls(AControl, Rect);
}

bool TCustomTabControl::ChangeByUser(int Index) {
  if (Index == FTabIndex || Index < 0) return false;
  bool allow = true;
  if (OnChanging) OnChanging(this, allow);
  if (!allow) return false;
  SetTabIndex(Index);
  if (OnChange) OnChange(this);
  return true;
}

void TCustomTabControl::Paint() {
  HDC dc = Canvas()->Handle();
  RECT c = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(c);
  int h = FTabHeight > 0 ? FTabHeight : 20;
  RECT body{c.left, c.top + h + 2, c.right, c.bottom};
  DrawEdge(dc, &body, EDGE_RAISED, BF_RECT);
  for (int i = 0; i < FTabs->Count(); ++i) {
    RECT t = TabRect(i);
    if (i == FTabIndex) InflateRect(&t, 2, 2);
    else t.bottom += 1;
    FillRect(dc, &t, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &t, EDGE_RAISED, BF_LEFT | BF_TOP | BF_RIGHT);
    TextIn(dc, Font(), t, FTabs->Strings(i), DT_SINGLELINE | DT_CENTER | DT_VCENTER, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    if (i == FTabIndex && Focused()) {
      InflateRect(&t, -3, -3);
      DrawFocusRect(dc, &t);
    }
  }
}

void TCustomTabControl::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE: M.Result = DLGC_WANTARROWS; return;
    case TCM_GETITEMCOUNT: M.Result = FTabs->Count(); return;
    case TCM_GETCURSEL: M.Result = FTabIndex; return;
    case TCM_SETCURSEL: {
      int old = FTabIndex;
      SetTabIndex(static_cast<int>(M.WParam));
      M.Result = old;
      return;
    }
    case TCM_GETITEMRECT: {
      int i = static_cast<int>(M.WParam);
      M.Result = i >= 0 && i < FTabs->Count();
      if (M.Result && M.LParam) *reinterpret_cast<RECT*>(M.LParam) = TabRect(i);
      return;
    }
    case TCM_GETITEMA: {
      int i = static_cast<int>(M.WParam);
      auto* item = reinterpret_cast<TCITEMA*>(M.LParam);
      M.Result = item && i >= 0 && i < FTabs->Count();
      if (!M.Result) return;
      if ((item->mask & TCIF_TEXT) && item->pszText && item->cchTextMax > 0) {
        std::string s = FTabs->Strings(i);
        size_t n = std::min(s.size(), static_cast<size_t>(item->cchTextMax - 1));
        std::memcpy(item->pszText, s.data(), n);
        item->pszText[n] = 0;
      }
      if (item->mask & TCIF_IMAGE) item->iImage = -1;
      return;
    }
    case TCM_SETITEMSIZE: {
      M.Result = MAKELONG(FTabWidth, FTabHeight);
      FTabWidth = LOWORD(M.LParam);
      FTabHeight = HIWORD(M.LParam);
      Realign();
      Invalidate();
      return;
    }
    case TCM_ADJUSTRECT: {
      // wParam true: display rectangle to window rectangle, false: the other way.
      auto* r = reinterpret_cast<RECT*>(M.LParam);
      if (!r) return;
      int h = (FTabHeight > 0 ? FTabHeight : 20) + 6;
      if (M.WParam) { r->left -= 4; r->top -= h; r->right += 4; r->bottom += 4; }
      else { r->left += 4; r->top += h; r->right -= 4; r->bottom -= 4; }
      return;
    }
    case WM_LBUTTONDOWN: {
      int i = IndexOfTabAt(GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam));
      if (i >= 0) {
        if (CanFocus() && !Focused()) SetFocus();
        ChangeByUser(i);
      }
      break;
    }
    case WM_KEYDOWN:
      if (DoKeyDown(M)) return;
      if (M.WParam == VK_LEFT && FTabIndex > 0) { ChangeByUser(FTabIndex - 1); return; }
      if (M.WParam == VK_RIGHT && FTabIndex + 1 < FTabs->Count()) { ChangeByUser(FTabIndex + 1); return; }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Invalidate();
      break;
  }
  TCustomControl::WndProc(M);
}

void TTabControl::Publish(TPublisher<TTabControl>& P) {
  P.Prop("TabHeight", &TTabControl::TabHeight, &TTabControl::SetTabHeight).Default(0);
  P.Prop("TabIndex", &TTabControl::TabIndex, &TTabControl::SetTabIndex).Default(-1);
  P.Prop("TabWidth", &TTabControl::TabWidth, &TTabControl::SetTabWidth).Default(0);
  P.Event<TNotifyEvent>("OnChange", &TTabControl::OnChange).Type("TNotifyEvent");
}

// ---- TDateTimePicker ----
TDateTimePicker::TDateTimePicker(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 186;
  FHeight = 21;
  FTabStop = true;
  FDateTime = ::Now();
  SetColor(clWindow);
}

void TDateTimePicker::CreateParams(TCreateParams& P) {
  TWinControl::CreateParams(P);
  P.ExStyle |= WS_EX_CLIENTEDGE;
}

void TDateTimePicker::SetDateTime(double Value) {
  if (FMinDate != 0 && Value < FMinDate) Value = FMinDate;
  if (FMaxDate != 0 && Value > FMaxDate) Value = FMaxDate;
  if (Value == FDateTime) return;
  FDateTime = Value;
  Invalidate();
  if (OnChange) OnChange(this);
}

double TDateTimePicker::Date() const { return DateOf(FDateTime); }
void TDateTimePicker::SetDate(double Value) { SetDateTime(DateOf(Value) + TimeOf(FDateTime)); }
double TDateTimePicker::Time() const { return TimeOf(FDateTime); }
void TDateTimePicker::SetTime(double Value) { SetDateTime(DateOf(FDateTime) + TimeOf(Value)); }

std::string TDateTimePicker::DisplayText() const {
  if (FKind == dtkTime) return TimeToStr(FDateTime);
  if (FDateFormat == dfLong) return FormatDateTime(FormatSettings.LongDateFormat, FDateTime);
  return DateToStr(FDateTime);
}

void TDateTimePicker::StepField(int Delta) {
  double v = FDateTime;
  if (FKind == dtkDate) {
    switch (FField) {
      case 0: v = IncDay(v, Delta); break;
      case 1: v = IncMonth(v, Delta); break;
      default: v = IncYear(v, Delta); break;
    }
  } else {
    switch (FField) {
      case 0: v = IncHour(v, Delta); break;
      case 1: v = IncMinute(v, Delta); break;
      default: v = IncSecond(v, Delta); break;
    }
  }
  SetDateTime(v);
}

void TDateTimePicker::ApplyTyped() {
  if (FTyped.empty()) return;
  int n = std::stoi(FTyped);
  FTyped.clear();
  Word y, mo, d, h, mi, s, ms;
  DecodeDate(FDateTime, y, mo, d);
  DecodeTime(FDateTime, h, mi, s, ms);
  TDateTime v = 0;
  if (FKind == dtkDate) {
    if (FField == 0) d = static_cast<Word>(n);
    else if (FField == 1) mo = static_cast<Word>(n);
    else y = static_cast<Word>(n);
    if (mo < 1 || mo > 12 || d < 1 || y < 1) return;
    // A day past the month's end becomes its last day.
    TDateTime first;
    if (!TryEncodeDate(y, mo, 1, first)) return;
    d = std::min<Word>(d, DaysInMonth(first));
    if (!TryEncodeDate(y, mo, d, v)) return;
    v += TimeOf(FDateTime);
  } else {
    if (FField == 0) h = static_cast<Word>(n);
    else if (FField == 1) mi = static_cast<Word>(n);
    else s = static_cast<Word>(n);
    if (!TryEncodeTime(h, mi, s, ms, v)) return;
    v += DateOf(FDateTime);
  }
  SetDateTime(v);
}

void TDateTimePicker::PaintWindow(HDC DC) {
  RECT c = ClientRect();
  HBRUSH bg = CreateSolidBrush(ColorToRGB(Color()));
  FillRect(DC, &c, bg);
  DeleteObject(bg);
  RECT t{c.left + 2, c.top, c.right - 18, c.bottom};
  if (FShowCheckbox) {
    RECT b{c.left + 2, c.top + (c.bottom - 13) / 2, c.left + 15, c.top + (c.bottom - 13) / 2 + 13};
    DrawFrameControl(DC, &b, DFC_BUTTON, DFCS_BUTTONCHECK | (FChecked ? UINT(DFCS_CHECKED) : 0u));
    t.left = b.right + 3;
  }
  bool live = Enabled() && (!FShowCheckbox || FChecked);
  TextIn(DC, Font(), t, DisplayText(), DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX, ColorToRGB(live ? Font()->Color() : clGrayText));
  RECT btn{c.right - 17, c.top, c.right, c.bottom};
  if (FKind == dtkDate) {
    DrawFrameControl(DC, &btn, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
  } else {
    RECT up = btn, down = btn;
    up.bottom = down.top = (c.top + c.bottom) / 2;
    DrawFrameControl(DC, &up, DFC_SCROLL, DFCS_SCROLLUP);
    DrawFrameControl(DC, &down, DFC_SCROLL, DFCS_SCROLLDOWN);
  }
  if (Focused()) DrawFocusRect(DC, &t);
}

void TDateTimePicker::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE: M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_KEYDOWN:
      if (DoKeyDown(M)) return;
      switch (M.WParam) {
        case VK_UP: ApplyTyped(); StepField(1); return;
        case VK_DOWN: ApplyTyped(); StepField(-1); return;
        case VK_LEFT: ApplyTyped(); FField = (FField + 2) % 3; Invalidate(); return;
        case VK_RIGHT: ApplyTyped(); FField = (FField + 1) % 3; Invalidate(); return;
      }
      break;
    case WM_CHAR:
      if (M.WParam >= '0' && M.WParam <= '9') {
        // Digits build the field's new value, taken once the field is complete (two digits,
        // four for the year) or when the user moves on.
        FTyped += static_cast<char>(M.WParam);
        if (FTyped.size() >= (FKind == dtkDate && FField == 2 ? 4u : 2u)) ApplyTyped();
        return;
      }
      break;
    case WM_LBUTTONDOWN:
      if (CanFocus() && !Focused()) SetFocus();
      if (FShowCheckbox && GET_X_LPARAM(M.LParam) < 16) {
        FChecked = !FChecked;
        Invalidate();
        if (OnChange) OnChange(this);
      }
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      ApplyTyped();
      Invalidate();
      break;
  }
  TWinControl::WndProc(M);
}

void TDateTimePicker::Publish(TPublisher<TDateTimePicker>& P) {
  P.Prop("DateFormat", &TDateTimePicker::DateFormat, &TDateTimePicker::SetDateFormat).Default(dfShort);
  P.Prop("Kind", &TDateTimePicker::Kind, &TDateTimePicker::SetKind).Default(dtkDate);
  P.Prop("ShowCheckbox", &TDateTimePicker::ShowCheckbox, &TDateTimePicker::SetShowCheckbox);
  P.Prop("Checked", &TDateTimePicker::Checked, &TDateTimePicker::SetChecked).Default(true);
  P.Event<TNotifyEvent>("OnChange", &TDateTimePicker::OnChange).Type("TNotifyEvent");
}

// ---- TToolButton ----
TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 23;
  FHeight = 22;
}

TToolButton::~TToolButton() {
  if (TToolBar* b = ToolBar()) b->RemoveButton(this);
}

TToolBar* TToolButton::ToolBar() const { return dynamic_cast<TToolBar*>(Parent()); }

void TToolButton::SetParent(TWinControl* AParent) {
  if (TToolBar* old = ToolBar(); old && AParent != old) old->RemoveButton(this);
  TGraphicControl::SetParent(AParent);
  if (TToolBar* b = ToolBar()) b->InsertButton(this);
}

int TToolButton::Index() const {
  TToolBar* b = ToolBar();
  if (!b) return -1;
  auto it = std::find(b->FButtons.begin(), b->FButtons.end(), this);
  return it == b->FButtons.end() ? -1 : static_cast<int>(it - b->FButtons.begin());
}

void TToolButton::Notification(TComponent* AComponent, TOperation Operation) {
  TGraphicControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FMenuItem) FMenuItem = nullptr;
  if (AComponent == FDropdownMenu) FDropdownMenu = nullptr;
}

void TToolButton::SetImageIndex(int Value) { FImageIndex = Value; if (TToolBar* b = ToolBar()) b->Realign(); Invalidate(); }
void TToolButton::SetAutoSize(bool Value) { FAutoSize = Value; if (TToolBar* b = ToolBar()) b->Realign(); }
void TToolButton::SetWrap(bool Value) { FWrap = Value; if (TToolBar* b = ToolBar()) b->Realign(); }

void TToolButton::SetStyle(TToolButtonStyle Value) {
  FStyle = Value;
  if ((Value == tbsSeparator || Value == tbsDivider) && !ComponentState().Contains(csLoading)) SetWidth(8);
  if (TToolBar* b = ToolBar()) b->Realign();
  Invalidate();
}

void TToolButton::SetMenuItem(TMenuItem* Value) {
  if (FMenuItem) FMenuItem->RemoveFreeNotification(this);
  FMenuItem = Value;
  if (Value) {
    Value->FreeNotification(this);
    SetCaption(Value->Caption());
    SetEnabled(Value->Enabled());
    SetVisible(Value->Visible());
  }
  if (TToolBar* b = ToolBar()) b->Realign();
}

void TToolButton::SetDropdownMenu(TPopupMenu* Value) {
  if (FDropdownMenu) FDropdownMenu->RemoveFreeNotification(this);
  FDropdownMenu = Value;
  if (Value) Value->FreeNotification(this);
}

// Checking a grouped check button releases the other buttons of its group (the adjacent grouped
// check buttons).
void TToolButton::UpdateGroup() {
  TToolBar* b = ToolBar();
  if (!b || !FGrouped || !FDown) return;
  int i = Index();
  auto release = [&](int j) {
    TToolButton* o = b->FButtons[static_cast<size_t>(j)];
    if (!o->FGrouped || o->FStyle != tbsCheck) return false;
    if (o->FDown) { o->FDown = false; o->Invalidate(); }
    return true;
  };
  for (int j = i - 1; j >= 0 && release(j); --j) {}
  for (int j = i + 1; j < b->ButtonCount() && release(j); ++j) {}
}

void TToolButton::SetDown(bool Value) {
  if (Value == FDown) return;
  if (!Value && FGrouped && FStyle == tbsCheck && !FAllowAllUp) return;
  FDown = Value;
  UpdateGroup();
  Invalidate();
}

TCustomDrawState TToolButton::DrawState() const {
  TCustomDrawState s;
  if (FDown || FPressing) s += cdsSelected;
  if (FStyle == tbsCheck && FDown) s += cdsChecked;
  if (!Enabled()) s += cdsDisabled;
  if (FHot) s += cdsHot;
  if (FMarked) s += cdsMarked;
  if (FIndeterminate) s += cdsIndeterminate;
  return s;
}

SIZE TToolButton::PreferredSize() {
  TToolBar* b = ToolBar();
  if (FStyle == tbsSeparator || FStyle == tbsDivider) return SIZE{Width(), b ? b->FButtonHeight : Height()};
  if (!b) return SIZE{Width(), Height()};
  int w = b->FButtonWidth, h = b->FButtonHeight;
  bool caption = b->FShowCaptions || FMenuItem;
  if (FAutoSize || caption) {
    int iw = b->FImages && (FImageIndex >= 0 || !FMenuItem) ? b->FImages->Width() : 0;
    int tw = caption && !Caption().empty() ? TextSize(b->Handle(), b->Font(), Caption()).cx : 0;
    int cw = b->FList ? iw + (iw && tw ? 4 : 0) + tw + 8 : std::max(iw, tw) + 8;
    if (FStyle == tbsDropDown) cw += 14;
    w = FAutoSize ? cw : std::max(w, cw);
  }
  return SIZE{w, h};
}

void TToolButton::Paint() {
  TToolBar* b = ToolBar();
  if (!b) return;
  HDC dc = Canvas()->Handle();
  RECT r{0, 0, Width(), Height()};
  if (FStyle == tbsSeparator) return;
  if (FStyle == tbsDivider) {
    RECT d{Width() / 2 - 1, 1, Width() / 2 + 1, Height() - 1};
    DrawEdge(dc, &d, EDGE_ETCHED, BF_LEFT);
    return;
  }
  bool def = true;
  if (b->OnCustomDrawButton) {
    // The handler paints on the bar's canvas in the bar's coordinates.
    b->Canvas()->Font()->Assign(b->Font());
    b->OnCustomDrawButton(b, this, DrawState(), def);
  }
  if (!def) return;
  bool pressed = FDown || FPressing;
  if (pressed) {
    if (FDown && !FPressing) FillRect(dc, &r, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
    DrawEdge(dc, &r, b->FFlat ? BDR_SUNKENOUTER : EDGE_SUNKEN, BF_RECT);
  } else if (!b->FFlat || FHot) {
    DrawEdge(dc, &r, b->FFlat ? BDR_RAISEDINNER : EDGE_RAISED, BF_RECT);
  }
  int off = pressed ? 1 : 0;
  RECT content = r;
  if (FStyle == tbsDropDown) {
    content.right -= 14;
    RECT arrow{content.right, 0, r.right, r.bottom};
    int cx = (arrow.left + arrow.right) / 2, cy = r.bottom / 2;
    for (int i = 0; i < 3; ++i) {
      RECT l{cx - 2 + i, cy - 1 + i, cx + 3 - i, cy + i};
      FillRect(dc, &l, GetSysColorBrush(COLOR_BTNTEXT));
    }
  }
  TImageList* il = b->FImages;
  if (FHot && b->FHotImages) il = b->FHotImages;
  if (!Enabled() && b->FDisabledImages) il = b->FDisabledImages;
  bool caption = (b->FShowCaptions || FMenuItem) && !Caption().empty();
  bool image = il && FImageIndex >= 0 && FImageIndex < il->Count();
  int iw = image ? il->Width() : 0, ih = image ? il->Height() : 0;
  SIZE ts = caption ? TextSize(b->Handle(), Font(), Caption()) : SIZE{0, 0};
  COLORREF tc = ColorToRGB(Enabled() ? Font()->Color() : clGrayText);
  if (b->FList || !image) {
    int total = iw + (image && caption ? 4 : 0) + ts.cx;
    int x = (content.right - total) / 2 + off;
    if (image) il->Draw(Canvas(), x, (r.bottom - ih) / 2 + off, FImageIndex, Enabled() || il == b->FDisabledImages);
    if (caption) {
      RECT t{x + iw + (image ? 4 : 0), off, content.right, r.bottom + off};
      TextIn(dc, Font(), t, Caption(), DT_SINGLELINE | DT_VCENTER, tc);
    }
  } else {
    int y = caption ? (r.bottom - ih - ts.cy - 1) / 2 : (r.bottom - ih) / 2;
    il->Draw(Canvas(), (content.right - iw) / 2 + off, y + off, FImageIndex, Enabled() || il == b->FDisabledImages);
    if (caption) {
      RECT t{0, y + ih + 1 + off, content.right, r.bottom + off};
      TextIn(dc, Font(), t, Caption(), DT_SINGLELINE | DT_CENTER, tc);
    }
  }
}

void TToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft || !Enabled() || FStyle == tbsSeparator || FStyle == tbsDivider) return;
  FPressing = true;
  Invalidate();
  // A drop-down arrow, a drop-down menu or a menu item with a sub-menu opens at once.
  if ((FStyle == tbsDropDown && X >= Width() - 14) || (FMenuItem && FMenuItem->Count() > 0) ||
      (FDropdownMenu && FStyle != tbsDropDown)) {
    POINT p = ClientToScreen(POINT{0, Height()});
    FPressing = false;
    Invalidate();
    if (FMenuItem && FMenuItem->Count() > 0) {
      // The sub-menu opens as a popup of stand-in items that run the real ones.
      TPopupMenu popup(nullptr);
      for (int i = 0; i < FMenuItem->Count(); ++i) {
        TMenuItem* real = FMenuItem->Items(i);
        auto* proxy = new TMenuItem(&popup);
        proxy->SetCaption(real->Caption());
        proxy->SetEnabled(real->Enabled());
        proxy->SetVisible(real->Visible());
        proxy->SetChecked(real->Checked());
        proxy->OnClick = [real](TObject*) { real->Click(); };
        popup.Items()->Add(proxy);
      }
      PopupMenuAt(&popup, this, p.x, p.y);
    } else if (FDropdownMenu) {
      PopupMenuAt(FDropdownMenu, this, p.x, p.y);
    }
    ControlState() -= csClicked;
  }
}

void TToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  bool was = FPressing;
  FPressing = false;
  if (was) {
    Invalidate();
    if (FStyle == tbsCheck && X >= 0 && Y >= 0 && X < Width() && Y < Height()) {
      if (FDown) SetDown(false);
      else SetDown(true);
    }
  }
  TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TToolButton::Click() {
  if (FMenuItem && FMenuItem->Count() == 0) FMenuItem->Click();
  TGraphicControl::Click();
}

void TToolButton::WndProc(TMessage& M) {
  switch (M.Msg) {
    case CM_MOUSEENTER:
      FHot = true;
      Invalidate();
      break;
    case CM_MOUSELEAVE:
      FHot = false;
      Invalidate();
      break;
  }
  TGraphicControl::WndProc(M);
}

void TToolButton::Publish(TPublisher<TToolButton>& P) {
  P.Prop("AllowAllUp", &TToolButton::AllowAllUp, &TToolButton::SetAllowAllUp);
  P.Prop("AutoSize", &TToolButton::AutoSize, &TToolButton::SetAutoSize);
  P.Prop("Down", &TToolButton::Down, &TToolButton::SetDown);
  P.Prop("DropdownMenu", &TToolButton::DropdownMenu, &TToolButton::SetDropdownMenu);
  P.Prop("Grouped", &TToolButton::Grouped, &TToolButton::SetGrouped);
  P.Prop("ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex).Default(-1);
  P.Prop("Indeterminate", &TToolButton::Indeterminate, &TToolButton::SetIndeterminate);
  P.Prop("Marked", &TToolButton::Marked, &TToolButton::SetMarked);
  P.Prop("MenuItem", &TToolButton::MenuItem, &TToolButton::SetMenuItem);
  P.Prop("Style", &TToolButton::Style, &TToolButton::SetStyle).Default(tbsButton);
  P.Prop("Wrap", &TToolButton::Wrap, &TToolButton::SetWrap);
}

// ---- TToolBar ----
TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 150;
  FHeight = 29;
  ControlStyle() += csAcceptsControls;
  SetColor(clBtnFace);
  SetAlign(alTop);
}

TToolBar::~TToolBar() {
  for (TToolButton* b : FButtons) b->FHot = false;
  FButtons.clear();
}

void TToolBar::CreateParams(TCreateParams& P) {
  TCustomControl::CreateParams(P);
  P.WinClassName = "ToolbarWindow32";
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FImages) FImages = nullptr;
  if (AComponent == FHotImages) FHotImages = nullptr;
  if (AComponent == FDisabledImages) FDisabledImages = nullptr;
}

static void SetImageListRef(TComponent* Self, TImageList*& Field, TImageList* Value) {
  if (Field) Field->RemoveFreeNotification(Self);
  Field = Value;
  if (Value) Value->FreeNotification(Self);
}

void TToolBar::SetImages(TImageList* Value) { SetImageListRef(this, FImages, Value); Realign(); Invalidate(); }
void TToolBar::SetHotImages(TImageList* Value) { SetImageListRef(this, FHotImages, Value); Invalidate(); }
void TToolBar::SetDisabledImages(TImageList* Value) { SetImageListRef(this, FDisabledImages, Value); Invalidate(); }

void TToolBar::InsertButton(TToolButton* Button) {
  if (std::find(FButtons.begin(), FButtons.end(), Button) != FButtons.end()) return;
  // A button placed on the bar goes where its left edge puts it among the others.
  auto it = FButtons.begin();
  while (it != FButtons.end() && (*it)->Left() <= Button->Left()) ++it;
  if (Button->Left() == 0 && Button->Top() == 0) it = FButtons.end();
  FButtons.insert(it, Button);
  Realign();
}

void TToolBar::RemoveButton(TToolButton* Button) {
  auto it = std::find(FButtons.begin(), FButtons.end(), Button);
  if (it != FButtons.end()) FButtons.erase(it);
  Realign();
}

void TToolBar::AlignControls(TControl*, RECT& Rect) {
  if (FAligning) return;
  FAligning = true;
  int x = 0, y = 2, rowH = FButtonHeight;
  int maxW = Rect.right - Rect.left;
  for (TToolButton* b : FButtons) {
    if (!b->Visible()) continue;
    SIZE s = b->PreferredSize();
    if (x > 0 && FWrapable && x + s.cx > maxW) {
      x = 0;
      y += rowH;
    }
    b->SetBounds(x, y, s.cx, s.cy);
    x += s.cx;
    if (b->FWrap) {
      x = 0;
      y += rowH;
    }
  }
  FAligning = false;
  if (FAutoSize && Align() != alLeft && Align() != alRight) {
    int h = (x == 0 && y > 2 ? y : y + rowH) + 2;
    if (FButtons.empty()) h = FButtonHeight + 4;
    if (h != Height()) SetHeight(h);
  }
}

void TToolBar::Paint() {
  RECT c = ClientRect();
  bool def = true;
  if (OnCustomDraw) {
    Canvas()->Brush()->SetColor(Color());
    OnCustomDraw(this, c, def);
  }
  if (def && !FTransparent) {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(c);
  }
}

void TToolBar::WndProc(TMessage& M) {
  switch (M.Msg) {
    case TB_GETSTYLE:
      M.Result = (FFlat ? DWORD(TBSTYLE_FLAT) : 0u) | (FList ? DWORD(TBSTYLE_LIST) : 0u) | (FTransparent ? DWORD(TBSTYLE_TRANSPARENT) : 0u) |
                 (FWrapable ? DWORD(TBSTYLE_WRAPABLE) : 0u) | (ShowHint() ? DWORD(TBSTYLE_TOOLTIPS) : 0u);
      return;
    case TB_SETSTYLE: {
      DWORD s = static_cast<DWORD>(M.LParam);
      FFlat = (s & TBSTYLE_FLAT) != 0;
      FList = (s & TBSTYLE_LIST) != 0;
      FTransparent = (s & TBSTYLE_TRANSPARENT) != 0;
      FWrapable = (s & TBSTYLE_WRAPABLE) != 0;
      Realign();
      Invalidate();
      return;
    }
    case TB_BUTTONCOUNT:
      M.Result = ButtonCount();
      return;
  }
  TCustomControl::WndProc(M);
}

void TToolBar::Publish(TPublisher<TToolBar>& P) {
  P.Prop("AutoSize", &TToolBar::AutoSize, &TToolBar::SetAutoSize);
  P.Prop("ButtonHeight", &TToolBar::ButtonHeight, &TToolBar::SetButtonHeight).Default(22);
  P.Prop("ButtonWidth", &TToolBar::ButtonWidth, &TToolBar::SetButtonWidth).Default(23);
  P.Prop("DisabledImages", &TToolBar::DisabledImages, &TToolBar::SetDisabledImages);
  P.Prop("Flat", &TToolBar::Flat, &TToolBar::SetFlat);
  P.Prop("HotImages", &TToolBar::HotImages, &TToolBar::SetHotImages);
  P.Prop("Images", &TToolBar::Images, &TToolBar::SetImages);
  P.Prop("List", &TToolBar::List, &TToolBar::SetList);
  P.Prop("ShowCaptions", &TToolBar::ShowCaptions, &TToolBar::SetShowCaptions);
  P.Prop("Transparent", &TToolBar::Transparent, &TToolBar::SetTransparent);
  P.Prop("Wrapable", &TToolBar::Wrapable, &TToolBar::SetWrapable).Default(true);
}
