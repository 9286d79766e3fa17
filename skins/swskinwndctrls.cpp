// Skinners of plain child windows of skinned dialogs (swskinwnd.h).
#include <algorithm>
#include <cctype>
#include <cstring>

#include "platform/vcl/comctrls_misc.h"
#include "platform/win/gdi_user.h"
#include "platform/win/wingdi.h"
#include "skins/swskinengine.h"
#include "skins/swskinres.h"
#include "skins/swskinwnd.h"

namespace {

// Skin key numbers used by the child-window skinners.
enum { kSwWndBmButton = 15, kSwWndBmCheckBox = 16, kSwWndBmRadio = 18, kSwWndBmTab = 29,
       kSwWndBmTabLine = 30 };
enum { kSwWndClControl = 21, kSwWndClControlBorder = 22, kSwWndClButtonFont = 24,
       kSwWndClTabActiveFont = 28, kSwWndClTabInactiveFont = 29 };
enum { kSwWndFlButtonTrans = 5, kSwWndFlCheckTrans = 6, kSwWndFlTabTrans = 8 };

// The window property that leads a subclassed child window to its skinner.
constexpr const char* kSwWndSkinnerProp = "OrvSwWndSkinner";
// The window's own procedure, kept on the window while a skinner's procedure stays in it: when
// a procedure installed later is in front, the skinner's cannot be taken out, and it passes
// every message on to this one after the skinner is gone.
constexpr const char* kSwWndOldProcProp = "OrvSwWndOldProc";
// The button's timer that takes the mouse-over look away.
constexpr UINT_PTR kSwWndHoverTimer = 0x5357;

// Button types (the low four bits of a button's style).
enum : DWORD {
  kSwBtnPush = 0x0, kSwBtnDefPush = 0x1, kSwBtnCheck = 0x2, kSwBtnAutoCheck = 0x3,
  kSwBtnRadio = 0x4, kSwBtn3State = 0x5, kSwBtnAuto3State = 0x6, kSwBtnGroup = 0x7,
  kSwBtnUser = 0x8, kSwBtnAutoRadio = 0x9, kSwBtnPushBox = 0xA, kSwBtnOwnerDraw = 0xB,
};

std::string SwWndUpperClass(HWND Wnd) {
  char cls[101] = {};
  GetClassNameA(Wnd, cls, sizeof cls);
  std::string s = cls;
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::vector<TswSkinWndRecord>& SwWndRecords() {
  static std::vector<TswSkinWndRecord> records;
  return records;
}

template <class S>
std::unique_ptr<TswSkinControlWnd> SwWndMake(HWND Wnd, TswSkinWindow* Window,
                                             TswSkinEngine* Engine) {
  return std::make_unique<S>(Wnd, Window, Engine);
}

const bool kSwWndRegistered = [] {
  RegisterWndSkinners({
      {"COMBOBOX", &SwWndMake<TswSkinWndComboBox>},
      {"COMBOBOXEX32", &SwWndMake<TswSkinWndComboBox>},
      {"BUTTON", &SwWndMake<TswSkinWndButton>},
      {"BUTTON_CHECKBOX", &SwWndMake<TswSkinWndCheckBox>},
      {"BUTTON_RADIOBUTTON", &SwWndMake<TswSkinWndRadioButton>},
      {"SYSTABCONTROL32", &SwWndMake<TswSkinWndTabControl>},
      {"TOOLBARWINDOW32", &SwWndMake<TswSkinWndToolbarWindow32>},
  });
  return true;
}();

// The menu font of the system, made for one drawing.
HFONT SwWndMenuFont() {
  NONCLIENTMETRICSA ncm;
  if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
    return CreateFontIndirect(&ncm.lfMenuFont);
  return nullptr;
}

void SwWndAssignMenuFont(TCanvas* C) {
  NONCLIENTMETRICSA ncm;
  if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
    C->Font()->SetLogFont(ncm.lfMenuFont);
}

std::unique_ptr<TBitmap> SwWndBitmap(int W, int H) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetSize(std::max(W, 1), std::max(H, 1));
  return b;
}

// A cell drawn at (X, Y), with the transparent colour left out when Transparent.
void SwWndDrawCell(TCanvas* C, TBitmap* Cell, int X, int Y, bool Transparent, TColor Trans) {
  if (!Cell || Cell->Empty()) return;
  if (Transparent)
    TransparentBlt(C->Handle(), X, Y, Cell->Width(), Cell->Height(), Cell->Canvas()->Handle(), 0,
                   0, Cell->Width(), Cell->Height(), static_cast<UINT>(ColorToRGB(Trans)));
  else
    BitBlt(C->Handle(), X, Y, Cell->Width(), Cell->Height(), Cell->Canvas()->Handle(), 0, 0,
           SRCCOPY);
}

}  // namespace

void RegisterWndSkinners(const std::vector<TswSkinWndRecord>& Records) {
  SwWndRecords().insert(SwWndRecords().end(), Records.begin(), Records.end());
}

std::string WndSkinnerKey(HWND Wnd) {
  std::string key = SwWndUpperClass(Wnd);
  const DWORD style = static_cast<DWORD>(GetWindowLongPtr(Wnd, GWL_STYLE));
  if (key == "SYSANIMATE32" || key == "MSCTLS_PROGRESS32") return "";
  if (key == "BUTTON") {
    // By the button's type value: owner-drawn buttons draw themselves and group boxes keep
    // their look; every other type that is not a check box or radio button is pushed.
    switch (style & 0xF) {
      case kSwBtnGroup:
      case kSwBtnOwnerDraw:
        return "";
      case kSwBtnCheck:
      case kSwBtnAutoCheck:
      case kSwBtn3State:
      case kSwBtnAuto3State:
        return "BUTTON_CHECKBOX";
      case kSwBtnRadio:
      case kSwBtnAutoRadio:
        return "BUTTON_RADIOBUTTON";
      default:
        return "BUTTON";
    }
  }
  if (key == "COMBOBOX" && (style & 3) == CBS_SIMPLE) return "";
  return key;
}

std::unique_ptr<TswSkinControlWnd> FindWndSkinner(HWND Wnd, TswSkinWindowWnd* Window) {
  (void)kSwWndRegistered;
  const std::string cls = SwWndUpperClass(Wnd);
  if (cls == "SYSANIMATE32" || cls == "MSCTLS_PROGRESS32") {
    Window->SetHasAnimation();
    return nullptr;
  }
  const std::string key = WndSkinnerKey(Wnd);
  if (key.empty()) return nullptr;
  HWND target = Wnd;
  if (key == "COMBOBOXEX32") {
    // The skinner goes to the inner combo box.
    target = GetWindow(Wnd, GW_CHILD);
    if (!target) return nullptr;
  }
  for (const TswSkinWndRecord& r : SwWndRecords())
    if (r.ClassKey == key) {
      std::unique_ptr<TswSkinControlWnd> s = r.Make(target, Window, Window->Engine());
      s->Start();
      return s;
    }
  return nullptr;
}

// ---- TswSkinControlWnd ----
TswSkinControlWnd::TswSkinControlWnd(HWND Wnd, TswSkinWindow* Window, TswSkinEngine* Engine)
    : TswSkinControl(Window, Engine), FWnd(Wnd) {
  FOldWndProc = GetWindowLongPtr(Wnd, GWL_WNDPROC);
  SetProp(Wnd, kSwWndSkinnerProp, reinterpret_cast<HANDLE>(this));
  SetProp(Wnd, kSwWndOldProcProp, reinterpret_cast<HANDLE>(FOldWndProc));
  SetWindowLongPtr(Wnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(&TswSkinControlWnd::WndProc));
}

TswSkinControlWnd::~TswSkinControlWnd() {
  Release();
  const HWND wnd = FWnd;
  Unhook();
  if (wnd && IsWindow(wnd)) InvalidateRect(wnd, nullptr, TRUE);
}

void TswSkinControlWnd::Unhook() {
  if (!FWnd) return;
  if (IsWindow(FWnd) && GetProp(FWnd, kSwWndSkinnerProp) == reinterpret_cast<HANDLE>(this)) {
    // Only a procedure that is still ours is replaced; one installed later stays in front, and
    // ours behind it passes messages on to the window's own.
    if (GetWindowLongPtr(FWnd, GWL_WNDPROC) ==
        reinterpret_cast<LONG_PTR>(&TswSkinControlWnd::WndProc)) {
      SetWindowLongPtr(FWnd, GWL_WNDPROC, FOldWndProc);
      RemoveProp(FWnd, kSwWndOldProcProp);
    }
    RemoveProp(FWnd, kSwWndSkinnerProp);
  }
  FWnd = nullptr;
}

LRESULT TswSkinControlWnd::WndProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  auto* self = static_cast<TswSkinControlWnd*>(GetProp(Wnd, kSwWndSkinnerProp));
  if (!self) {
    const auto own = reinterpret_cast<WNDPROC>(GetProp(Wnd, kSwWndOldProcProp));
    if (!own) return DefWindowProc(Wnd, Msg, W, L);
    if (Msg == WM_NCDESTROY) RemoveProp(Wnd, kSwWndOldProcProp);
    return CallWindowProc(own, Wnd, Msg, W, L);
  }
  const auto old = reinterpret_cast<WNDPROC>(self->FOldWndProc);
  if (Msg == WM_NCDESTROY) {
    // The window goes: it gets its own procedure back first; the skinner stays unhooked.
    self->Unhook();
    return CallWindowProc(old, Wnd, Msg, W, L);
  }
  if (!self->SkinActive()) return CallWindowProc(old, Wnd, Msg, W, L);
  const std::shared_ptr<bool> alive = self->FAlive;
  TMessage M{Msg, W, L, 0};
  if (self->BeforeMessage(M)) {
    M.Result = CallWindowProc(old, Wnd, Msg, M.WParam, M.LParam);
    if (!*alive) return M.Result;
  }
  if (!self->FReleased && self->FWnd) self->AfterMessage(M);
  return M.Result;
}

RECT TswSkinControlWnd::GetBoundsRect() const {
  RECT r{};
  if (!FWnd || !GetWindowRect(FWnd, &r)) return RECT{0, 0, 0, 0};
  return RECT{0, 0, r.right - r.left, r.bottom - r.top};
}

bool TswSkinControlWnd::IsEnabled() const { return FWnd && IsWindowEnabled(FWnd); }

std::string TswSkinControlWnd::GetText() const {
  char text[260] = {};
  if (FWnd) GetWindowTextA(FWnd, text, sizeof text);
  return text;
}

void TswSkinControlWnd::DrawBitmapAndText(TBitmap* Bitmap, const std::string& Text, const RECT& R,
                                          TColor Color) {
  if (!FWnd) return;
  HDC dc = GetDC(FWnd);
  if (!dc) return;
  BitBlt(dc, R.left, R.top, R.right - R.left, R.bottom - R.top, Bitmap->Canvas()->Handle(), 0, 0,
         SRCCOPY);
  if (!Text.empty()) {
    HFONT font = SwWndMenuFont();
    HGDIOBJ oldFont = font ? SelectObject(dc, font) : nullptr;
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, IsEnabled() ? ColorToRGB(Color) : RGB(128, 128, 128));
    RECT r = R;
    if (FPressed) OffsetRect(&r, 1, 1);
    RECT m = r;
    DrawText(dc, Text.c_str(), -1, &m, DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK);
    const int dx = ((r.right - r.left) - (m.right - m.left)) / 2;
    const int dy = ((r.bottom - r.top) - (m.bottom - m.top)) / 2;
    OffsetRect(&m, r.left - m.left + dx, r.top - m.top + dy);
    DrawText(dc, Text.c_str(), -1, &m, DT_CENTER);
    if (oldFont) SelectObject(dc, oldFont);
    if (font) DeleteObject(font);
  }
  ReleaseDC(FWnd, dc);
}

void TswSkinControlWnd::DrawBitmapAt(TBitmap* Bitmap, int X, int Y) {
  if (!FWnd) return;
  HDC dc = GetDC(FWnd);
  if (!dc) return;
  BitBlt(dc, X, Y, Bitmap->Width(), Bitmap->Height(), Bitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
  ReleaseDC(FWnd, dc);
}

// ---- border ----
void TswSkinBorderWndControl::Paint() {
  if (FWnd) DrawWindowBorder(FWnd, FEngine->SkinColor(kSwWndClControlBorder), clWindow, true);
}

// ---- push button ----
void TswSkinWndButton::Init() {
  FClicked = FKeyDown = FFirstPaint = false;
  // No mouse-over timer in a dialog that holds an animation or progress control.
  const auto* dialog = dynamic_cast<const TswSkinWindowWnd*>(FWindow);
  if (!(dialog && dialog->HasAnimation()))
    FTimer = SetTimer(FWnd, kSwWndHoverTimer, HoverTimerInterval, nullptr) != 0;
}

void TswSkinWndButton::Detach() {
  if (FTimer && FWnd && IsWindow(FWnd)) KillTimer(FWnd, kSwWndHoverTimer);
  FTimer = false;
}

TswSkinWndButton::~TswSkinWndButton() { Release(); }

void TswSkinWndButton::Tick() {
  if (FHot) {
    POINT p{};
    GetCursorPos(&p);
    RECT r{};
    GetWindowRect(FWnd, &r);
    if (!PointInRectInclusive(p.x, p.y, r)) {
      FHot = false;
      FPressed = false;
      Repaint();
    }
  }
  if (!FFirstPaint) {
    FFirstPaint = true;
    Repaint();
  }
}

bool TswSkinWndButton::BeforeMessage(TMessage& M) {
  switch (M.Msg) {
    case WM_TIMER:
      if (M.WParam != kSwWndHoverTimer) return true;
      Tick();
      M.Result = 0;
      return false;
    case WM_KEYDOWN:
    case WM_KEYUP:
      // The skinner presses and clicks the button itself; the button's own procedure would
      // click a second time on the key going up.
      if (M.WParam == VK_RETURN || M.WParam == VK_SPACE) {
        M.Result = 0;
        return false;
      }
      return true;
    case WM_MOUSEMOVE:
      FHot = true;
      Repaint();
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      FPressed = true;
      Repaint();
      M.Result = 0;
      return false;
    case WM_LBUTTONUP:
      // The button never saw the press: its own procedure would not click, but it must not
      // keep a capture either.
      M.Result = 0;
      return false;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Repaint();
      M.Result = 0;
      return false;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(FWnd, &ps);
      Paint();
      EndPaint(FWnd, &ps);
      M.Result = 0;
      return false;
    }
    case WM_ERASEBKGND:
      Repaint();
      M.Result = 1;
      return false;
    default:
      return true;
  }
}

void TswSkinWndButton::AfterMessage(TMessage& M) {
  TswSkinControlWnd::AfterMessage(M);
  if (M.Msg == WM_LBUTTONDBLCLK) MouseDown();
  if (M.Msg == WM_SETFOCUS) Repaint();
}

void TswSkinWndButton::MouseDown() {
  SetFocus(FWnd);
  FClicked = true;
  // The release comes back to this button wherever the mouse is let go.
  SetCapture(FWnd);
}

void TswSkinWndButton::MouseUp() {
  if (GetCapture() == FWnd) ReleaseCapture();
  if (!FClicked) return;
  FClicked = false;
  POINT p{};
  GetCursorPos(&p);
  RECT r{};
  GetWindowRect(FWnd, &r);
  // Only a release over the button clicks it.
  if (PointInRectInclusive(p.x, p.y, r)) Click();
}

void TswSkinWndButton::KeyDown(WPARAM Key) {
  if (Key == VK_SPACE) FKeyDown = true;
}

void TswSkinWndButton::KeyUp(WPARAM Key) {
  // Space clicks when it goes up, and only after it went down on this button.
  if (Key == VK_SPACE && FKeyDown && IsEnabled()) Click();
  if (Key == VK_SPACE) FKeyDown = false;
}

void TswSkinWndButton::Click() {
  if (HWND parent = GetParent(FWnd))
    PostMessage(parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(FWnd)), BN_CLICKED),
                reinterpret_cast<LPARAM>(FWnd));
}

void TswSkinWndButton::Paint() {
  const RECT r = GetBoundsRect();
  if (r.right <= 0 || r.bottom <= 0) return;
  auto b = SwWndBitmap(r.right, r.bottom);
  FillRectColor(b->Canvas(), r, FEngine->FormColor());
  const int state = FPressed ? 3 : FHot ? 2 : 1;
  TBitmap cell;
  if (FEngine->SkinBitmapCell(kSwWndBmButton, state, 3, &cell))
    DrawBitmapNinePart(&cell, b->Canvas(), r, FEngine->Metrics().TransColor,
                       FEngine->SkinFlag(kSwWndFlButtonTrans));
  if (GetFocus() == FWnd) {
    RECT f{5, 5, r.right - 5, r.bottom - 5};
    if (FPressed) OffsetRect(&f, 1, 1);
    b->Canvas()->DrawFocusRect(f);
  }
  DrawBitmapAndText(b.get(), GetText(), r, FEngine->SkinColor(kSwWndClButtonFont));
}

// ---- check box and radio button ----
int TswSkinWndCheckBox::Cell(int Check, bool Enabled) {
  const int base = Check == BST_CHECKED ? 1 : Check == BST_INDETERMINATE ? 2 : 3;
  return Enabled ? base : base + 3;
}

void TswSkinWndCheckBox::AfterMessage(TMessage& M) {
  TswSkinControlWnd::AfterMessage(M);
  if (M.Msg == WM_LBUTTONDBLCLK) Repaint();
}

void TswSkinWndCheckBox::Paint() {
  TBitmap cell;
  const int k = Cell(static_cast<int>(SendMessage(FWnd, BM_GETCHECK, 0, 0)), IsEnabled());
  if (!FEngine->SkinBitmapCell(kSwWndBmCheckBox, k, 6, &cell)) return;
  const RECT r = GetBoundsRect();
  auto b = SwWndBitmap(std::max(cell.Width(), 14), std::max(cell.Height(), static_cast<int>(r.bottom)));
  FillRectColor(b->Canvas(), RECT{0, 0, b->Width(), b->Height()}, FEngine->FormColor());
  SwWndDrawCell(b->Canvas(), &cell, 0, 0, FEngine->SkinFlag(kSwWndFlCheckTrans),
                FEngine->Metrics().TransColor);
  DrawBitmapAt(b.get(), 0, 0);
}

int TswSkinWndRadioButton::Cell(bool Checked, bool Enabled) {
  return (Enabled ? 1 : 3) + (Checked ? 0 : 1);
}

void TswSkinWndRadioButton::AfterMessage(TMessage& M) {
  TswSkinControlWnd::AfterMessage(M);
  if (M.Msg == WM_LBUTTONDBLCLK || M.Msg == BM_SETCHECK) Repaint();
}

void TswSkinWndRadioButton::Paint() {
  TBitmap cell;
  const bool checked = SendMessage(FWnd, BM_GETCHECK, 0, 0) == BST_CHECKED;
  if (!FEngine->SkinBitmapCell(kSwWndBmRadio, Cell(checked, IsEnabled()), 4, &cell)) return;
  const RECT r = GetBoundsRect();
  auto b = SwWndBitmap(std::max(cell.Width(), 14), std::max(cell.Height(), static_cast<int>(r.bottom)));
  FillRectColor(b->Canvas(), RECT{0, 0, b->Width(), b->Height()}, FEngine->FormColor());
  // Radio cells are always drawn with the transparent colour left out.
  SwWndDrawCell(b->Canvas(), &cell, 0, 0, true, FEngine->Metrics().TransColor);
  DrawBitmapAt(b.get(), 0, 0);
}

// ---- combo box ----
void TswSkinWndComboBox::AfterMessage(TMessage& M) {
  TswSkinControlWnd::AfterMessage(M);
  // The platform's combo box paints its frame in the non-client pass.
  if (M.Msg == WM_NCPAINT) Repaint();
}

void TswSkinWndComboBox::Paint() {
  COMBOBOXINFO info;
  if (!GetComboBoxInfo(FWnd, &info)) return;
  TswSkinBorderWndControl::Paint();
  HDC dc = GetWindowDC(FWnd);
  if (!dc) return;
  // Client coordinates of the button are window coordinates moved by the client origin.
  RECT wr{};
  GetWindowRect(FWnd, &wr);
  POINT o{0, 0};
  ClientToScreen(FWnd, &o);
  RECT b = info.rcButton;
  OffsetRect(&b, o.x - wr.left, o.y - wr.top);
  if (b.right > b.left && b.bottom > b.top) {
    TCanvas c;
    c.SetHandle(dc);
    FillRectColor(&c, b, FEngine->SkinColor(kSwWndClControl));
    c.Pen()->SetColor(FEngine->SkinColor(kSwWndClControlBorder));
    c.MoveTo(b.left, b.top - 1);
    c.LineTo(b.left, b.bottom + 1);
    DrawArrowDown(&c, b.left + (b.right - b.left) / 2 - 3, (b.bottom - b.top) / 2 + b.top - 1, true);
    c.SetHandle(nullptr);
  }
  ReleaseDC(FWnd, dc);
}

// ---- tab control ----
void TswSkinWndTabControl::Init() {
  RECT r{};
  if (SendMessage(FWnd, TCM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&r)))
    FTabHeight = r.bottom - r.top;
}

void TswSkinWndTabControl::Update() {
  // The tabs take their automatic size while skinned; the size they had comes back (width and
  // height, as the control reported it) when the skin goes.
  if (SkinActive()) {
    Init();
    if (!FSizeSaved) {
      FSavedItemSize = static_cast<LPARAM>(SendMessage(FWnd, TCM_SETITEMSIZE, 0, 0));
      FSizeSaved = true;
    }
  } else if (FSizeSaved) {
    SendMessage(FWnd, TCM_SETITEMSIZE, 0, FSavedItemSize);
    FSizeSaved = false;
  }
}

bool TswSkinWndTabControl::BeforeMessage(TMessage& M) {
  if (M.Msg == WM_ERASEBKGND) {
    M.Result = 1;
    return false;
  }
  if (M.Msg == WM_PAINT) {
    PAINTSTRUCT ps;
    BeginPaint(FWnd, &ps);
    Paint();
    EndPaint(FWnd, &ps);
    M.Result = 0;
    return false;
  }
  return true;
}

void TswSkinWndTabControl::Paint() {
  const RECT all = GetBoundsRect();
  if (all.right <= 0 || all.bottom <= 0) return;
  auto b = SwWndBitmap(all.right, all.bottom);
  TCanvas* c = b->Canvas();
  const TColor form = FEngine->FormColor();
  FillRectColor(c, all, form);
  RECT page = all;
  SendMessage(FWnd, TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page));
  InflateRect(&page, 2, 2);
  FrameRectColor(c, page, FEngine->SkinColor(kSwWndClControlBorder));
  const int count = static_cast<int>(SendMessage(FWnd, TCM_GETITEMCOUNT, 0, 0));
  const int selected = static_cast<int>(SendMessage(FWnd, TCM_GETCURSEL, 0, 0));
  const TColor trans = FEngine->Metrics().TransColor;
  for (int i = 0; i < count; ++i) {
    RECT r{};
    if (!SendMessage(FWnd, TCM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r))) continue;
    const int w = r.right - r.left, h = r.bottom - r.top;
    if (w <= 0 || h <= 0) continue;
    TBitmap glyph;
    auto tab = SwWndBitmap(w, h);
    FillRectColor(tab->Canvas(), RECT{0, 0, w, h}, form);
    if (FEngine->SkinBitmapCell(kSwWndBmTab, i == selected ? 1 : 2, 2, &glyph)) {
      if (h - 1 > glyph.Height())
        DrawThreeFramesH(&glyph, tab->Canvas(), RECT{0, h - glyph.Height() - 1, w, h - 1}, trans, true);
      DrawThreeFramesH(&glyph, tab->Canvas(), RECT{0, 0, w, glyph.Height()}, trans, true);
    }
    char text[261] = {};
    TCITEMA item{};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 260;
    SendMessage(FWnd, TCM_GETITEMA, i, reinterpret_cast<LPARAM>(&item));
    TCanvas* tc = tab->Canvas();
    SwWndAssignMenuFont(tc);
    tc->Font()->SetColor(FEngine->SkinColor(i == selected ? kSwWndClTabActiveFont : kSwWndClTabInactiveFont));
    tc->Brush()->SetStyle(bsClear);
    std::string s = text;
    RECT tr{(w - tc->TextWidth(s)) / 2, 2, w, h};
    tc->TextRect(tr, s, TTextFormat{tfSingleLine, tfVerticalCenter});
    SwWndDrawCell(c, tab.get(), r.left, r.top, FEngine->SkinFlag(kSwWndFlTabTrans),
                  FEngine->Metrics().TransColor);
  }
  c->Pen()->SetColor(form);
  c->MoveTo(page.left + 1, page.top);
  c->LineTo(page.right - 1, page.top);
  if (TBitmap* line = FEngine->SkinBitmap(kSwWndBmTabLine); line && !line->Empty())
    StretchBitmap(line, c, RECT{page.left, page.top - 1, page.right, page.top - 1 + line->Height()});
  HDC dc = GetWindowDC(FWnd);
  if (!dc) return;
  BitBlt(dc, 0, 0, all.right, all.bottom, c->Handle(), 0, 0, SRCCOPY);
  ReleaseDC(FWnd, dc);
}
