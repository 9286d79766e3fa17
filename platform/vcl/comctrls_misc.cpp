// The tab control and the date-time picker.
#include "platform/vcl/comctrls_misc.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/rtl/dateutils.h"
#include "platform/rtl/strings.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/typinfo.h"
#include "platform/win/gdi_user.h"

ORV_CLASS_IMPL(TCustomTabControl, TCustomControl)
ORV_CLASS_IMPL(TTabControl, TCustomTabControl)
ORV_CLASS_IMPL(TDateTimePicker, TWinControl)

namespace {
void TextIn(HDC dc, TFont* Font, RECT r, const std::string& s, UINT flags, COLORREF color) {
  HGDIOBJ old = SelectObject(dc, Font->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, color);
  DrawText(dc, s.c_str(), -1, &r, flags);
  SelectObject(dc, old);
}

// Measured on the screen's DC, so no window has to exist yet.
SIZE TextSize(TFont* Font, const std::string& s) {
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, Font->Handle());
  SIZE sz{0, 0};
  GetTextExtentPoint32(dc, s.c_str(), static_cast<int>(s.size()), &sz);
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return sz;
}
}  // namespace

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
    int w = FTabWidth > 0 ? FTabWidth : TextSize(Font(), FTabs->Strings(i)).cx + 12;
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
  P.Redeclare("TabStop").Default(true);
  P.Prop("Tabs", &TTabControl::Tabs);
  P.Prop("TabHeight", &TTabControl::TabHeight, &TTabControl::SetTabHeight).Default(0);
  P.Prop("TabIndex", &TTabControl::TabIndex, &TTabControl::SetTabIndex).Default(-1);
  P.Prop("TabWidth", &TTabControl::TabWidth, &TTabControl::SetTabWidth).Default(0);
  P.Event<TNotifyEvent>("OnChange", &TTabControl::OnChange).Type("TNotifyEvent");
}

// ---- TDateTimePicker ----
namespace {
const char* const kPickerProp = "OrvDateTimePicker";  // the spin window's picker
}
TDateTimePicker::TDateTimePicker(TComponent* AOwner) : TWinControl(AOwner) {
  FWidth = 186;
  FHeight = 21;
  FTabStop = true;
  FDateTime = ::Now();
  SetColor(clWindow);
}

TDateTimePicker::~TDateTimePicker() {
  if (FSpin && IsWindow(FSpin)) {
    RemoveProp(FSpin, kPickerProp);
    DestroyWindow(FSpin);
  }
  FSpin = nullptr;
}

// The spin window's procedure: its upper half steps the picker's field up, the lower half down.
LRESULT TDateTimePicker::SpinProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  auto* dp = static_cast<TDateTimePicker*>(GetProp(w, kPickerProp));
  if (!dp) return DefWindowProc(w, m, wp, lp);
  RECT c;
  GetClientRect(w, &c);
  switch (m) {
    case WM_ERASEBKGND:
      return 1;
    case WM_PRINTCLIENT:
    case WM_PAINT: {
      TPaintDC dc(w, m, wp);
      RECT up = c, down = c;
      up.bottom = down.top = c.bottom / 2;
      UINT dis = dp->Enabled() ? 0u : UINT(DFCS_INACTIVE);
      DrawFrameControl(dc, &up, DFC_SCROLL, UINT(DFCS_SCROLLUP) | dis);
      DrawFrameControl(dc, &down, DFC_SCROLL, UINT(DFCS_SCROLLDOWN) | dis);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      if (dp->Enabled()) {
        if (dp->CanFocus() && !dp->Focused()) dp->SetFocus();
        dp->ApplyTyped();
        dp->StepField(GET_Y_LPARAM(lp) < c.bottom / 2 ? 1 : -1);
      }
      return 0;
  }
  return DefWindowProc(w, m, wp, lp);
}

void TDateTimePicker::CreateWnd() {
  TWinControl::CreateWnd();
  WNDCLASSA wc{};
  if (!GetClassInfo(nullptr, "msctls_updown32", &wc)) {
    wc = WNDCLASSA{};
    wc.lpfnWndProc = DefWindowProc;  // a plain class; the picker's spin is subclassed below
    wc.lpszClassName = "msctls_updown32";
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    RegisterClass(&wc);
  }
  FSpin = CreateWindowEx(0, "msctls_updown32", "", WS_CHILD, 0, 0, 0, 0, FHandle, nullptr, nullptr, nullptr);
  // Our procedure even when the class was registered by someone else.
  SetWindowLongPtr(FSpin, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TDateTimePicker::SpinProc));
  SetProp(FSpin, kPickerProp, this);
  UpdateSpin();
}

void TDateTimePicker::UpdateSpin() {
  if (!FSpin || !IsWindow(FSpin)) return;
  int w = ClientWidth(), h = ClientHeight();
  SetWindowPos(FSpin, nullptr, w - 17, 0, 17, h, SWP_NOZORDER);
  ShowWindow(FSpin, SpinShown() ? SW_SHOWNA : SW_HIDE);
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
  // The spin window covers the right edge when shown; otherwise the drop-down button is there.
  RECT btn{c.right - 17, c.top, c.right, c.bottom};
  if (!SpinShown()) DrawFrameControl(DC, &btn, DFC_SCROLL, DFCS_SCROLLCOMBOBOX);
  if (Focused()) DrawFocusRect(DC, &t);
}

void TDateTimePicker::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_GETDLGCODE: M.Result = DLGC_WANTARROWS | DLGC_WANTCHARS; return;
    case WM_SIZE:
      TWinControl::WndProc(M);
      UpdateSpin();
      return;
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
  P.Redeclare("TabStop").Default(true);
  // Limits first, so that the date read after them is kept within them.
  P.Prop("MaxDate", &TDateTimePicker::MaxDate, &TDateTimePicker::SetMaxDate).Type("TDate");
  P.Prop("MinDate", &TDateTimePicker::MinDate, &TDateTimePicker::SetMinDate).Type("TDate");
  P.Prop("Date", &TDateTimePicker::Date, &TDateTimePicker::SetDate).Type("TDate");
  P.Prop("Time", &TDateTimePicker::Time, &TDateTimePicker::SetTime).Type("TTime");
  P.Prop("DateFormat", &TDateTimePicker::DateFormat, &TDateTimePicker::SetDateFormat).Default(dfShort);
  P.Prop("DateMode", &TDateTimePicker::DateMode, &TDateTimePicker::SetDateMode).Default(dmComboBox);
  P.Prop("Kind", &TDateTimePicker::Kind, &TDateTimePicker::SetKind).Default(dtkDate);
  P.Prop("ShowCheckbox", &TDateTimePicker::ShowCheckbox, &TDateTimePicker::SetShowCheckbox);
  P.Prop("Checked", &TDateTimePicker::Checked, &TDateTimePicker::SetChecked).Default(true);
  P.Event<TNotifyEvent>("OnChange", &TDateTimePicker::OnChange).Type("TNotifyEvent");
}
