// Control skinners of the form skin engine (swskinctrls.h).
#include "skins/swskinctrls.h"

#include <algorithm>

#include "platform/rtl/typinfo.h"
#include "platform/win/commctrl.h"
#include "platform/vcl/buttons.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/comctrls_comboex.h"
#include "platform/vcl/comctrls_list.h"
#include "platform/vcl/comctrls_misc.h"
#include "platform/vcl/extctrls2.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/grids.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/gdi_user.h"
#include "platform/win/wingdi.h"
#include "skins/swskinengine.h"
#include "skins/swskinres.h"
#include "skins/swskinutils.h"
#include "skins/swskinwindow.h"

namespace {

// Skin numbers.
enum { bmButton = 15, bmCheckBox = 16, bmRadio = 18 };
enum { clControl = 21, clControlBorder = 22, clControlFont = 23, clButtonFont = 24 };
enum { flButtonTrans = 5, flCheckTrans = 6 };
constexpr UINT kSwUpdateUiState = 0x128;
enum { clToolBarStart = 16, clToolBarEnd = 17, clToolBarOn = 18, clToolBarBorder = 19, clToolBarDown = 20 };
constexpr int kSwToolBarPicture = 14;

std::vector<TswSkinControlRow>& Rows() {
  static std::vector<TswSkinControlRow> rows;
  return rows;
}

template <class S>
TswSkinControlMaker Maker() {
  return [](TControl* C, TswSkinWindow* W, TswSkinEngine* E) -> std::unique_ptr<TswSkinControl> {
    return std::make_unique<S>(C, W, E);
  };
}

// The control-class table in its order. Our class library has no frames, cool bars, hot-key
// controls or list-control base, so those rows are absent; the page control is no tab control
// here and gets a row of its own after it. The radio button's row follows the check box's and
// the combo box's the edit's: here they derive from TCustomCheckBox and TCustomEdit, and the
// later row wins.
const bool Registered = [] {
  RegisterControlSkinners({
      {TCustomControl::StaticClass(), Maker<TswSkinScrollWinControl>()},
      {TScrollBox::StaticClass(), Maker<TswSkinScrollWinControl>()},
      {TToolBar::StaticClass(), Maker<TswSkinToolBar>()},
      {TStatusBar::StaticClass(), Maker<TswSkinStatusBar>()},
      {TDateTimePicker::StaticClass(), Maker<TswSkinDateTimePicker>()},
      {TTreeView::StaticClass(), Maker<TswSkinScrollWinControl>()},
      {TUpDown::StaticClass(), Maker<TswSkinUpDown>()},
      {TProgressBar::StaticClass(), Maker<TswSkinProgressBar>()},
      {TTrackBar::StaticClass(), Maker<TswSkinTrackBar>()},
      {TCustomTabControl::StaticClass(), Maker<TswSkinTabControl>()},
      {TPageControl::StaticClass(), Maker<TswSkinTabControl>()},
      {TCustomGrid::StaticClass(), Maker<TswSkinGrid>()},
      {TSpeedButton::StaticClass(), Maker<TswSkinSpeedButton>()},
      {TCustomPanel::StaticClass(), Maker<TswSkinPanel>()},
      {TGroupBox::StaticClass(), Maker<TswSkinGroupBox>()},
      {TScrollBar::StaticClass(), Maker<TswSkinScrollBar>()},
      {TCustomListBox::StaticClass(), Maker<TswSkinScrollWinControl>()},
      {TCustomListView::StaticClass(), Maker<TswSkinListView>()},
      {TCustomCheckBox::StaticClass(), Maker<TswSkinCheckBox>()},
      {TRadioButton::StaticClass(), Maker<TswSkinRadioButton>()},
      {TCustomEdit::StaticClass(), Maker<TswSkinScrollWinControl>()},
      {TComboBox::StaticClass(), Maker<TswSkinComboBox>()},
      {TComboBoxEx::StaticClass(), Maker<TswSkinComboBoxEx>()},
      {TButton::StaticClass(), Maker<TswSkinButton>()},
      {TLabel::StaticClass(), Maker<TswSkinLabel>()},
  });
  return true;
}();

// Where a button's glyph and caption go (the layout of both button skinners). Margin and
// Spacing of -1 are computed and written back.
struct SwButtonLayout {
  POINT Glyph{0, 0};
  RECT Caption{0, 0, 0, 0};
};

SwButtonLayout SwLayoutButton(TCanvas* C, const RECT& ClientRect, const std::string& Caption,
                              int GlyphW, int GlyphH, TButtonLayout Layout, int& Margin,
                              int& Spacing, bool KeepSpacing) {
  RECT client = ClientRect;
  InflateRect(&client, -1, -1);
  const int cw = client.right - client.left, ch = client.bottom - client.top;
  int tw = 0, th = 0;
  if (!Caption.empty()) {
    RECT m{0, 0, cw, 0};
    HDC dc = C->Handle();
    HGDIOBJ old = SelectObject(dc, C->Font()->Handle());
    DrawText(dc, Caption.c_str(), -1, &m, DT_CALCRECT | DT_SINGLELINE);
    SelectObject(dc, old);
    tw = m.right - m.left;
    th = m.bottom - m.top;
  }
  const bool horizontal = Layout == blGlyphLeft || Layout == blGlyphRight;
  const int along = horizontal ? cw : ch;
  const int glyph = horizontal ? GlyphW : GlyphH, text = horizontal ? tw : th;
  if (!KeepSpacing && Caption.empty()) Spacing = 0;
  if (Margin == -1 && Spacing == -1) {
    Margin = Spacing = (along - glyph - text) / 3;
  } else if (Margin == -1) {
    Margin = (along - glyph - Spacing - text + 1) / 2;
  } else if (Spacing == -1) {
    Spacing = (along - Margin - glyph - text) / 2;
  }
  int g = 0, t = 0;
  if (Layout == blGlyphLeft || Layout == blGlyphTop) {
    g = Margin;
    t = Margin + glyph + Spacing;
  } else {
    g = along - Margin - glyph;
    t = g - Spacing - text;
  }
  SwButtonLayout out;
  if (horizontal) {
    out.Glyph = POINT{client.left + g, client.top + (ch - GlyphH + 1) / 2};
    const int ty = client.top + (ch - th + 1) / 2;
    out.Caption = RECT{client.left + t, ty, client.left + t + tw, ty + th};
  } else {
    out.Glyph = POINT{client.left + (cw - GlyphW + 1) / 2, client.top + g};
    const int tx = client.left + (cw - tw + 1) / 2;
    out.Caption = RECT{tx, client.top + t, tx + tw, client.top + t + th};
  }
  return out;
}

// Draws frame 1 (enabled) or 2 (disabled) of a glyph strip at P; a single glyph of a disabled
// button in the image list's disabled look.
void SwDrawGlyph(TCanvas* C, TBitmap* Glyph, int NumGlyphs, bool Enabled, POINT P) {
  if (!Glyph || Glyph->Empty()) return;
  NumGlyphs = std::max(1, NumGlyphs);
  const int w = Glyph->Width() / NumGlyphs, h = Glyph->Height();
  if (w <= 0 || h <= 0) return;
  if (NumGlyphs > 1 || Enabled) {
    TBitmap cell;
    cell.SetPixelFormat(pf24bit);
    CutFrame(Glyph, &cell, NumGlyphs, Enabled ? 1 : std::min(2, NumGlyphs));
    const UINT key = static_cast<UINT>(ColorToRGB(static_cast<TColor>(cell.Canvas()->Pixels(0, h - 1))));
    TransparentBlt(C->Handle(), P.x, P.y, w, h, cell.Canvas()->Handle(), 0, 0, w, h, key);
    return;
  }
  TImageList list;
  list.SetWidth(w);
  list.SetHeight(h);
  list.AddMasked(Glyph, static_cast<TColor>(Glyph->Canvas()->Pixels(0, 0)));
  list.Draw(C, P.x, P.y, 0, false);
}

}  // namespace

void RegisterControlSkinners(const std::vector<TswSkinControlRow>& NewRows) {
  Rows().insert(Rows().end(), NewRows.begin(), NewRows.end());
}

std::unique_ptr<TswSkinControl> FindControlSkinner(TControl* Control, TswSkinWindow* Window,
                                                   TswSkinEngine* Engine) {
  (void)Registered;
  const auto& rows = Rows();
  for (auto it = rows.rbegin(); it != rows.rend(); ++it)
    if (Control->InheritsFrom(it->ControlClass)) return it->Make(Control, Window, Engine);
  return nullptr;
}

// ---- TswSkinControl ----
TswSkinControl::TswSkinControl(TControl* Control, TswSkinWindow* Window, TswSkinEngine* Engine)
    : FControl(dynamic_cast<TWinControl*>(Control)), FAnyControl(Control), FWindow(Window),
      FEngine(Engine) {
  FOldProc = Control->WindowProc;
  Control->WindowProc = [this](TMessage& M) { Proc(M); };
}

TswSkinControl::TswSkinControl(TswSkinWindow* Window, TswSkinEngine* Engine)
    : FControl(nullptr), FAnyControl(nullptr), FWindow(Window), FEngine(Engine) {}

HWND TswSkinControl::GetHandle() const {
  return FControl && FControl->HandleAllocated() ? FControl->Handle() : nullptr;
}

TswSkinControl::~TswSkinControl() {
  *FAlive = false;
  Release();
}

void TswSkinControl::Release() {
  if (FReleased) return;
  Detach();
  FReleased = true;
  if (!FAnyControl) return;
  FAnyControl->WindowProc = FOldProc;
  if (FParentColorSet) {
    FParentColorSet = false;
    FAnyControl->SetParentColor(FSavedParentColor);
    if (!FSavedParentColor) FAnyControl->SetColor(FSavedColor);
  }
}

void TswSkinControl::SyncParentColor() {
  if (!FAnyControl || FReleased || !WantsParentColor()) return;
  if (SkinActive() && !FParentColorSet) {
    FSavedParentColor = FAnyControl->ParentColor();
    FSavedColor = FAnyControl->Color();
    FParentColorSet = true;
    FAnyControl->SetParentColor(true);
  } else if (!SkinActive() && FParentColorSet) {
    FParentColorSet = false;
    FAnyControl->SetParentColor(FSavedParentColor);
    if (!FSavedParentColor) FAnyControl->SetColor(FSavedColor);
  }
}

bool TswSkinControl::SkinActive() const {
  return FEngine->IsSkinActive() && FWindow->SkinOn();
}

bool TswSkinControl::PaintWholeControl(TMessage& M) {
  if (M.Msg == WM_ERASEBKGND) {
    M.Result = 1;
    return false;
  }
  if (M.Msg == WM_PAINT) {
    PAINTSTRUCT ps;
    BeginPaint(FControl->Handle(), &ps);
    Paint();
    EndPaint(FControl->Handle(), &ps);
    M.Result = 0;
    return false;
  }
  return true;
}

void TswSkinControl::Repaint() {
  if (!FAnyControl) {
    RepaintWnd();
    return;
  }
  if (!SkinActive() || FReleased) return;
  if (FControl) {
    if (FControl->HandleAllocated()) Paint();
  } else {
    // A graphic control is painted by its parent: it is asked to paint again.
    FAnyControl->Invalidate();
  }
}

void TswSkinControl::RepaintWnd() {
  if (SkinActive() && !FReleased && GetHandle() && IsWindow(GetHandle())) Paint();
}

void TswSkinControl::Proc(TMessage& M) {
  const int tag = FEngine->DisabledTag();
  const TWndMethod old = FOldProc;  // stays callable if the skinner goes meanwhile
  // While the engine is being freed, invalidations are dropped and the control is left alone.
  if (FEngine->Releasing() && M.Msg == CM_INVALIDATE) return;
  if (FEngine->Releasing() || !SkinActive() || (tag != 0 && FAnyControl->Tag() == tag)) {
    old(M);
    return;
  }
  const std::shared_ptr<bool> alive = FAlive;
  if (BeforeMessage(M)) old(M);
  if (*alive && !FReleased && FAnyControl) AfterMessage(M);
}

bool TswSkinControl::BeforeMessage(TMessage&) { return true; }

void TswSkinControl::AfterMessage(TMessage& M) {
  switch (M.Msg) {
    case WM_PAINT:
    case WM_ERASEBKGND:
      // (A graphic control's paint is its parent's; asking again would never end.)
      if (FControl || !FAnyControl) Repaint();
      break;
    case WM_ENABLE:
    case WM_SETTEXT:
    case SWM_REPAINTCONTROL:
    case CM_ENABLEDCHANGED:
    case CM_TEXTCHANGED:
      Repaint();
      break;
    case WM_KEYDOWN:
      if (M.WParam == VK_SPACE || M.WParam == VK_RETURN) FPressed = true;
      Repaint();
      KeyDown(M.WParam);
      break;
    case WM_KEYUP:
      if (M.WParam == VK_SPACE || M.WParam == VK_RETURN) FPressed = false;
      Repaint();
      KeyUp(M.WParam);
      break;
    case WM_LBUTTONDOWN:
      FPressed = true;
      Repaint();
      MouseDown();
      break;
    case WM_LBUTTONUP:
      FPressed = false;
      Repaint();
      MouseUp();
      break;
    case SWM_ISSKINNED:
      M.Result = 1;
      break;
    case CM_MOUSEENTER:
      FHot = true;
      Repaint();
      MouseEnter();
      break;
    case CM_MOUSELEAVE:
      FHot = FPressed = false;
      Repaint();
      MouseLeave();
      break;
    default:
      break;
  }
}

void TswSkinControl::DrawBitmapAndText(TBitmap* Bitmap, const std::string& Text, const RECT& R,
                                       TFont* Font) {
  HWND h = FControl->Handle();
  HDC dc = GetDC(h);
  if (!dc) return;
  BitBlt(dc, 0, 0, Bitmap->Width(), Bitmap->Height(), Bitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
  if (!Text.empty()) {
    HGDIOBJ oldFont = SelectObject(dc, Font->Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, FControl->Enabled() ? ColorToRGB(Font->Color()) : RGB(128, 128, 128));
    RECT m = R;
    DrawText(dc, Text.c_str(), -1, &m, DT_CALCRECT | DT_EXPANDTABS | DT_WORDBREAK);
    const int dx = ((R.right - R.left) - (m.right - m.left)) / 2;
    const int dy = ((R.bottom - R.top) - (m.bottom - m.top)) / 2;
    OffsetRect(&m, R.left - m.left + dx, R.top - m.top + dy);
    if (FPressed) OffsetRect(&m, 1, 1);
    DrawText(dc, Text.c_str(), -1, &m, DT_CENTER);
    SelectObject(dc, oldFont);
  }
  ReleaseDC(h, dc);
}

void TswSkinControl::DrawBitmapAt(TBitmap* Bitmap, int X, int Y) {
  HWND h = FControl->Handle();
  HDC dc = GetDC(h);
  if (!dc) return;
  BitBlt(dc, X, Y, Bitmap->Width(), Bitmap->Height(), Bitmap->Canvas()->Handle(), 0, 0, SRCCOPY);
  ReleaseDC(h, dc);
}

// ---- border ----
void TswSkinBorderWinControl::Paint() {
  if (!FControl->HandleAllocated()) return;
  if (PPropInfo p = GetPropInfo(FControl, "BorderStyle")) {
    try {
      const std::string type = p->PropType ? p->PropType->Name : "";
      if (type != "TBorderStyle" && type != "TFormBorderStyle") return;
      if (GetOrdProp(FControl, p) == 0) return;
    } catch (...) {
    }
  }
  // Controls whose edges are all switched off keep them off.
  for (const char* edges : {"BevelEdges", "EdgeBorders"}) {
    if (PPropInfo p = GetPropInfo(FControl, edges)) {
      try {
        if (GetOrdProp(FControl, p) == 0) return;
      } catch (...) {
      }
    }
  }
  DrawWindowBorder(FControl->Handle(), FEngine->SkinColor(clControlBorder), FControl->Color(), true);
}

// ---- button ----
void TswSkinButton::Init() {
  FMousePressed = FKeyPressed = false;
  FSavedFontColor = FControl->Font()->Color();
}

void TswSkinButton::Update() {
  if (!FControl) return;
  if (!SkinActive() || FEngine->NoChangeButtonsFontColor())
    FControl->Font()->SetColor(FSavedFontColor);
  if (FControl->HandleAllocated()) InvalidateRect(FControl->Handle(), nullptr, TRUE);
}

bool TswSkinButton::BeforeMessage(TMessage& M) {
  switch (M.Msg) {
    case WM_KEYDOWN:
      return !(M.WParam == VK_RETURN || M.WParam == VK_SPACE);
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      FPressed = true;
      Repaint();
      if (M.Msg == WM_LBUTTONDOWN) {
        // The base's handling of the down follows; capture keeps the up with this button.
        return false;
      }
      return false;
    case WM_LBUTTONUP:
      // The control's own handling would click as well: the skinner clicks on its own.
      if (GetCapture() == FControl->Handle()) ReleaseCapture();
      return false;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(FControl->Handle(), &ps);
      Paint();
      EndPaint(FControl->Handle(), &ps);
      M.Result = 0;
      return false;
    }
    case WM_ERASEBKGND:
      M.Result = 1;
      return false;
    default:
      return true;
  }
}

void TswSkinButton::AfterMessage(TMessage& M) {
  TswSkinControl::AfterMessage(M);
  if (!FControl) return;
  switch (M.Msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      Repaint();
      break;
    case WM_CHAR:
      if (M.WParam == 0 || M.WParam == 13) {
        FPressed = false;
        Repaint();
        FControl->Click();
      }
      break;
    case WM_LBUTTONDBLCLK:
      FControl->Click();
      FMousePressed = false;
      break;
    case kSwUpdateUiState:
      // The keyboard cues (focus rectangle) may have changed.
      Repaint();
      break;
    default:
      break;
  }
}

void TswSkinButton::MouseDown() {
  TCustomForm* form = FControl->GetParentForm();
  if (form && (SendMessage(form->Handle(), SWM_CAPTIONSTATE, 0, 0) == 1 || form->Active())) {
    if (FControl->CanFocus() && FControl->Enabled() && FControl->Visible()) {
      try {
        FControl->SetFocus();
      } catch (...) {
      }
    }
    FMousePressed = true;
    SetCapture(FControl->Handle());
  }
}

void TswSkinButton::MouseUp() {
  if (GetCapture() == FControl->Handle()) ReleaseCapture();
  if (FMousePressed) {
    FMousePressed = false;
    // Only a release over the button clicks it.
    POINT p;
    GetCursorPos(&p);
    RECT r;
    GetWindowRect(FControl->Handle(), &r);
    if (PtInRect(&r, p)) FControl->Click();
  }
}

void TswSkinButton::KeyDown(WPARAM) { FKeyPressed = true; }

void TswSkinButton::KeyUp(WPARAM Key) {
  if (Key == VK_SPACE && FKeyPressed && FControl->Focused() && FControl->Enabled() && SkinActive()) {
    FPressed = false;
    Repaint();
    FControl->Click();
  }
  FKeyPressed = false;
}

void TswSkinButton::Paint() {
  const RECT cr = FControl->ClientRect();
  const int w = cr.right, h = cr.bottom;
  if (w <= 0 || h <= 0) return;
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(w, h);
  TWinControl* parent = FControl->Parent();
  FillRectColor(b.Canvas(), cr, parent ? parent->Color() : FEngine->FormColor());
  TBitmap frame;
  const int k = FPressed ? 3 : FHot ? 2 : 1;
  if (FEngine->SkinBitmapCell(bmButton, k, 3, &frame))
    DrawBitmapNinePart(&frame, b.Canvas(), cr, FEngine->Metrics().TransColor,
                       FEngine->SkinFlag(flButtonTrans));
  if (FControl->Focused()) {
    RECT f{5, 5, w - 5, h - 5};
    if (FPressed) OffsetRect(&f, 1, 1);
    b.Canvas()->Brush()->SetStyle(bsSolid);
    b.Canvas()->DrawFocusRect(f);
  }
  if (!FEngine->NoChangeButtonsFontColor()) FControl->Font()->SetColor(FEngine->SkinColor(clButtonFont));
  RECT captionRect = cr;
  auto* bb = dynamic_cast<TBitBtn*>(FControl);
  if (bb && bb->Glyph() && !bb->Glyph()->Empty()) {
    int margin = bb->Margin(), spacing = bb->Spacing();
    const int n = std::max(1, bb->NumGlyphs());
    b.Canvas()->Font()->Assign(FControl->Font());
    const SwButtonLayout l = SwLayoutButton(b.Canvas(), cr, FControl->Caption(), bb->Glyph()->Width() / n,
                                            bb->Glyph()->Height(), bb->Layout(), margin, spacing, false);
    POINT gp = l.Glyph;
    if (FPressed) {
      ++gp.x;
      ++gp.y;
    }
    SwDrawGlyph(b.Canvas(), bb->Glyph(), n, FControl->Enabled(), gp);
    captionRect = l.Caption;
  }
  DrawBitmapAndText(&b, FControl->Caption(), captionRect, FControl->Font());
}

// ---- check box and radio button ----
void TswSkinCheckBox::Init() { FSavedFontColor = FControl->Font()->Color(); }

void TswSkinCheckBox::Update() {
  if (!FControl) return;
  if (SkinActive() && !FEngine->NoChangeButtonsFontColor())
    FControl->Font()->SetColor(FEngine->SkinColor(clControlFont));
  else
    FControl->Font()->SetColor(FSavedFontColor);
}

void TswSkinCheckBox::AfterMessage(TMessage& M) {
  TswSkinControl::AfterMessage(M);
  if (M.Msg == BM_SETCHECK || M.Msg == WM_LBUTTONDBLCLK) Repaint();
}

int TswSkinCheckBox::Frame() const {
  auto* c = static_cast<TCustomCheckBox*>(FControl);
  const int base = c->State() == cbChecked ? 1 : c->State() == cbGrayed ? 2 : 3;
  return c->Enabled() ? base : base + 3;
}

bool TswSkinCheckBox::Transparent() const { return FEngine->SkinFlag(flCheckTrans); }

void TswSkinCheckBox::Paint() {
  TBitmap image;
  image.SetPixelFormat(pf24bit);
  image.SetTransparentMode(tmFixed);
  image.SetTransparentColor(FEngine->Metrics().TransColor);
  if (!FEngine->SkinBitmapCell(StripNumber(), Frame(), StripFrames(), &image)) return;
  image.SetTransparent(Transparent());
  const int iw = image.Width(), ih = image.Height();
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(std::max(iw, 13), std::max(ih, 13));
  FillRectColor(b.Canvas(), RECT{0, 0, b.Width(), b.Height()}, FControl->Color());
  if (Transparent())
    TransparentBlt(b.Canvas()->Handle(), 0, 0, iw, ih, image.Canvas()->Handle(), 0, 0, iw, ih,
                   static_cast<UINT>(FEngine->Metrics().TransColor));
  else
    BitBlt(b.Canvas()->Handle(), 0, 0, iw, ih, image.Canvas()->Handle(), 0, 0, SRCCOPY);
  const RECT cr = FControl->ClientRect();
  DrawBitmapAt(&b, 0, (cr.bottom - ih) / 2);
}

bool TswSkinRadioButton::BeforeMessage(TMessage& M) {
  if (M.Msg == WM_LBUTTONDBLCLK) {
    if (FControl->OnDblClick) FControl->OnDblClick(FControl);
    return false;
  }
  if (M.Msg == WM_ERASEBKGND) {
    M.Result = 1;
    return false;
  }
  return true;
}

int TswSkinRadioButton::Frame() const {
  auto* c = static_cast<TCustomCheckBox*>(FControl);
  const int base = c->Checked() ? 1 : 2;
  return c->Enabled() ? base : base + 2;
}

// ---- group box and grid ----
void TswSkinGroupBox::Paint() {
  HWND h = FControl->Handle();
  HDC dc = GetDC(h);
  if (!dc) return;
  TCanvas c;
  c.SetHandle(dc);
  c.Font()->Assign(FControl->Font());
  c.Font()->SetColor(FEngine->SkinColor(clControlFont));
  const RECT cr = FControl->ClientRect();
  const int th = c.TextHeight("0");
  FrameRectColor(&c, RECT{0, th / 2 - 1, cr.right - 1, cr.bottom - 1}, FEngine->SkinColor(clControlBorder));
  std::string caption = FControl->Caption();
  if (!caption.empty()) {
    RECT r{8, 0, cr.right, th};
    std::string measured = caption;
    c.TextRect(r, measured, TTextFormat{tfSingleLine, tfCalcRect});
    c.Brush()->SetStyle(bsSolid);
    c.Brush()->SetColor(FControl->Color());
    c.TextRect(r, caption, TTextFormat{tfSingleLine});
  }
  c.SetHandle(nullptr);
  ReleaseDC(h, dc);
}

void TswSkinStatusBar::Paint() {
  auto* bar = static_cast<TStatusBar*>(FControl);
  if (!bar->SizeGrip()) return;
  HWND h = bar->Handle();
  HDC dc = GetDC(h);
  if (!dc) return;
  TCanvas c;
  c.SetHandle(dc);
  const RECT cr = bar->ClientRect();
  const int W = cr.right, H = cr.bottom;
  const RECT g{W - 16, H - 15, W - 1, H - 1};
  FillRectColor(&c, g, bar->Color());
  c.Pen()->SetColor(clInactiveCaption);
  c.Pen()->SetWidth(1);
  c.MoveTo(g.left + 1, g.bottom);
  c.LineTo(g.right, g.top);
  for (int i = 0; i < 3; ++i) {
    c.MoveTo(g.left + 4 * i + 5, g.bottom);
    c.LineTo(g.right, g.top + 4 * i + 4);
  }
  if (H - 15 > 3) FillRectColor(&c, RECT{W - 16, 3, W - 1, H - 15}, bar->Color());
  FillRectColor(&c, RECT{W - 20, 3, W - 16, H - 1}, bar->Color());
  c.SetHandle(nullptr);
  ReleaseDC(h, dc);
}

void TswSkinGrid::Init() {
  TswSkinScrollWinControl::Init();
  FSavedFixedColor = static_cast<TCustomGrid*>(FControl)->FixedColor();
}

void TswSkinGrid::Update() {
  TswSkinScrollWinControl::Update();
  auto* g = static_cast<TCustomGrid*>(FControl);
  if (!g) return;
  if (SkinActive()) {
    if (!FFixed) FSavedFixedColor = g->FixedColor();
    FFixed = true;
    g->SetFixedColor(FEngine->FormColor());
  } else if (FFixed) {
    FFixed = false;
    g->SetFixedColor(FSavedFixedColor);
  }
}

// ---- combo box ----
void TswSkinComboBox::AfterMessage(TMessage& M) {
  TswSkinControl::AfterMessage(M);
  if (M.Msg == WM_NCPAINT || M.Msg == WM_SETFOCUS || M.Msg == WM_KILLFOCUS)
    Repaint();
}

void TswSkinComboBox::Paint() { PaintCombo(static_cast<TComboBox*>(FControl)); }

void TswSkinComboBox::PaintCombo(TComboBox* combo) {
  if (!combo || !combo->HandleAllocated() || combo->Style() == csSimple) return;
  COMBOBOXINFO info;
  info.cbSize = 52;
  if (!GetComboBoxInfo(combo->Handle(), &info)) return;
  HWND h = combo->Handle();
  HDC dc = GetWindowDC(h);
  if (!dc) return;
  TCanvas c;
  c.SetHandle(dc);
  RECT wr;
  GetWindowRect(h, &wr);
  const RECT all{0, 0, wr.right - wr.left, wr.bottom - wr.top};
  FrameRectColor(&c, all, FEngine->SkinColor(clControlBorder));
  RECT inner = all;
  InflateRect(&inner, -1, -1);
  FrameRectColor(&c, inner, combo->Color());
  // The button rectangle is in client coordinates; the canvas is the window's.
  POINT origin{0, 0};
  ClientToScreen(h, &origin);
  RECT b = info.rcButton;
  OffsetRect(&b, origin.x - wr.left, origin.y - wr.top);
  if (b.right > b.left && b.bottom > b.top) {
    FillRectColor(&c, b, FEngine->SkinColor(clControl));
    c.Pen()->SetColor(FEngine->SkinColor(clControlBorder));
    c.MoveTo(b.left, b.top - 1);
    c.LineTo(b.left, b.bottom + 1);
    DrawArrowDown(&c, b.left + (b.right - b.left) / 2 - 3, b.top + (b.bottom - b.top) / 2 - 1,
                  combo->Enabled());
  }
  c.SetHandle(nullptr);
  ReleaseDC(h, dc);
  if (combo->DroppedDown() && info.hwndList) {
    RECT lr;
    GetWindowRect(info.hwndList, &lr);
    HDC ldc = GetWindowDC(info.hwndList);
    if (ldc) {
      TCanvas lc;
      lc.SetHandle(ldc);
      FrameRectColor(&lc, RECT{0, 0, lr.right - lr.left, lr.bottom - lr.top},
                     FEngine->SkinColor(clControlBorder));
      lc.SetHandle(nullptr);
      ReleaseDC(info.hwndList, ldc);
    }
  }
}

// ---- track bar ----
void TswSkinTrackBar::Update() {
  FChannel.reset();
  if (!SkinActive() || !FControl) return;
  TBitmap* channel = FEngine->SkinBitmap(23);
  if (!channel || channel->Empty()) return;
  FChannel = std::make_unique<TBitmap>();
  FChannel->Assign(channel);
  FChannel->SetPixelFormat(pf24bit);
  if (static_cast<TTrackBar*>(FControl)->Orientation() == trVertical) RotateBitmapCCW(FChannel.get());
  if (FControl->HandleAllocated()) InvalidateRect(FControl->Handle(), nullptr, TRUE);
}

bool TswSkinTrackBar::BeforeMessage(TMessage& M) {
  switch (M.Msg) {
    case WM_ERASEBKGND:
      M.Result = 1;
      return false;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      BeginPaint(FControl->Handle(), &ps);
      Paint();
      EndPaint(FControl->Handle(), &ps);
      M.Result = 0;
      return false;
    }
    case WM_KILLFOCUS:
    case CM_ENTER:
      TswSkinControl::BeforeMessage(M);
      Repaint();
      return true;
    default:
      return true;
  }
}

void TswSkinTrackBar::Paint() {
  if (!FChannel) return;
  auto* t = static_cast<TTrackBar*>(FControl);
  HWND h = t->Handle();
  const RECT cr = t->ClientRect();
  const int W = cr.right, H = cr.bottom;
  if (W <= 0 || H <= 0) return;
  const bool vertical = t->Orientation() == trVertical;
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(W, H);
  TCanvas* c = b.Canvas();
  FillRectColor(c, cr, FEngine->FormColor());
  RECT ch{};
  SendMessage(h, TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(&ch));
  if (vertical) ch = RECT{ch.top, ch.left, ch.bottom, ch.right};
  const int bw = FChannel->Width(), bh = FChannel->Height();
  if (vertical) {
    ch.left = ch.left + ((ch.right - ch.left) - bw) / 2 + 2;
    ch.right = ch.left + bw;
    DrawCappedV(FChannel.get(), c, ch, 0);
  } else {
    ch.top = ch.top + ((ch.bottom - ch.top) - bh) / 2;
    ch.bottom = ch.top + bh;
    DrawThreeFramesH(FChannel.get(), c, ch, FEngine->Metrics().TransColor, true);
  }
  auto ticPos = [&](int Value) -> int {
    // The position of a value along the channel.
    const int len = vertical ? ch.bottom - ch.top : ch.right - ch.left;
    const int from = vertical ? ch.top : ch.left;
    const int range = t->Max() - t->Min();
    return range > 0 ? from + static_cast<int>(static_cast<int64_t>(Value - t->Min()) * len / range) : from;
  };
  // Selection: two lines through the middle of the channel in the inverse of the colour there.
  if (t->SelStart() < t->SelEnd()) {
    const int start = t->SelStart() < 1 ? (vertical ? ch.top : ch.left) + 4 : ticPos(t->SelStart());
    const int end = t->SelEnd() < t->Max() ? ticPos(t->SelEnd()) : (vertical ? ch.bottom : ch.right) - 4;
    if (vertical) {
      const int x = ch.left + (ch.right - ch.left) / 2;
      c->Pen()->SetColor(InvertColor(static_cast<TColor>(c->Pixels(x, H / 2))));
      for (int dx : {0, 1}) {
        c->MoveTo(x + dx, start);
        c->LineTo(x + dx, end + 1);
      }
    } else {
      const int y = ch.top + (ch.bottom - ch.top) / 2;
      c->Pen()->SetColor(InvertColor(static_cast<TColor>(c->Pixels(W / 2, y))));
      for (int dy : {0, 1}) {
        c->MoveTo(start, y + dy);
        c->LineTo(end + 1, y + dy);
      }
    }
  }
  // Thumb: the slider picture, its own bottom-left colour transparent.
  RECT th{};
  SendMessage(h, TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(&th));
  if (TBitmap* slider = FEngine->SkinBitmap(vertical ? 25 : 24)) {
    const int tw = th.right - th.left, thh = th.bottom - th.top;
    if (tw > 0 && thh > 0) {
      TBitmap tmp;
      tmp.SetPixelFormat(pf24bit);
      tmp.SetSize(tw, thh);
      StretchBlt(tmp.Canvas()->Handle(), 0, 0, tw, thh, slider->Canvas()->Handle(), 0, 0,
                 slider->Width(), slider->Height(), SRCCOPY);
      const UINT key = static_cast<UINT>(tmp.Canvas()->Pixels(0, thh - 1));
      TransparentBlt(c->Handle(), th.left, th.top, tw, thh, tmp.Canvas()->Handle(), 0, 0, tw, thh, key);
    }
  }
  const RECT f = vertical ? RECT{th.left - 2, ch.top - 4, th.right + 2, ch.bottom + 4}
                          : RECT{ch.left - 4, th.top - 2, ch.right + 4, th.bottom + 2};
  if (t->TickStyle() != tsNone) {
    const int n = static_cast<int>(SendMessage(h, TBM_GETNUMTICS, 0, 0));
    const bool first = t->TickMarks() != tmBottomRight, second = t->TickMarks() != tmTopLeft;
    auto tick = [&](int p) {
      if (vertical) {
        if (first) { c->MoveTo(f.left, p); c->LineTo(f.left - 3, p); }
        if (second) { c->MoveTo(f.right + 3, p); c->LineTo(f.right, p); }
      } else {
        if (first) { c->MoveTo(p, f.top - 3); c->LineTo(p, f.top); }
        if (second) { c->MoveTo(p, f.bottom); c->LineTo(p, f.bottom + 3); }
      }
    };
    for (int i = 0; i < n - 2; ++i) {
      const int p = static_cast<int>(SendMessage(h, TBM_GETTICPOS, static_cast<WPARAM>(i), 0));
      if (p >= 0) tick(p);
    }
    if (n > 0) {
      tick(vertical ? f.top + 8 : f.left + 8);
      tick(vertical ? f.bottom - 8 : f.right - 8);
    }
  }
  if (t->Focused()) {
    c->Brush()->SetStyle(bsSolid);
    c->DrawFocusRect(f);
  }
  HDC dc = GetDC(h);
  if (!dc) return;
  BitBlt(dc, 0, 0, W, H, c->Handle(), 0, 0, SRCCOPY);
  ReleaseDC(h, dc);
}

// ---- progress bar ----
bool TswSkinProgressBar::BeforeMessage(TMessage& M) { return PaintWholeControl(M); }

void TswSkinProgressBar::AfterMessage(TMessage& M) {
  TswSkinControl::AfterMessage(M);
  if (M.Msg == PBM_SETPOS) Repaint();
}

void TswSkinProgressBar::Paint() {
  auto* p = static_cast<TProgressBar*>(FControl);
  RECT wr;
  GetWindowRect(p->Handle(), &wr);
  const int W = wr.right - wr.left, H = wr.bottom - wr.top;
  if (W <= 0 || H <= 0) return;
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(W, H);
  FillRectColor(b.Canvas(), RECT{0, 0, W, H}, FEngine->FormColor());
  TswSkinProgressBarRes& res = FEngine->ProgressRes();
  const int w1 = res.FirstWidth, w4 = res.LastWidth;
  const int len = W - w1 - w4;
  const int f = p->Min() < p->Max() && len > 0
                    ? static_cast<int>(static_cast<int64_t>(p->Position() - p->Min()) * len /
                                       (p->Max() - p->Min()))
                    : 0;
  const int e = w1 + std::clamp(f, 0, std::max(len, 0));
  DrawCappedV(res.HorzPart(1), b.Canvas(), RECT{0, 0, w1, H}, 2);
  DrawCappedV(res.HorzPart(2), b.Canvas(), RECT{w1, 0, e, H}, 2);
  DrawCappedV(res.HorzPart(3), b.Canvas(), RECT{e, 0, W - w4, H}, 2);
  DrawCappedV(res.HorzPart(4), b.Canvas(), RECT{W - w4, 0, W, H}, 2);
  HDC dc = GetWindowDC(p->Handle());
  if (!dc) return;
  BitBlt(dc, 0, 0, W, H, b.Canvas()->Handle(), 0, 0, SRCCOPY);
  ReleaseDC(p->Handle(), dc);
}

// ---- tool bar ----
void TswSkinToolBar::Init() {
  auto* t = static_cast<TToolBar*>(FControl);
  FSavedFlat = t->Flat();
  FSavedColor = t->Color();
}

void TswSkinToolBar::Update() {
  auto* t = static_cast<TToolBar*>(FControl);
  if (!t) return;
  if (SkinActive()) {
    if (!FApplied) {
      FSavedFlat = t->Flat();
      FSavedColor = t->Color();
    }
    FApplied = true;
    t->SetFlat(true);
    t->SetColor(FEngine->SkinColor(clToolBarStart));
    if (!t->ComponentState().Contains(csDesigning)) SetEvents(t, true);
    t->Invalidate();
  } else if (FApplied) {
    FApplied = false;
    t->SetFlat(FSavedFlat);
    t->SetColor(FSavedColor);
    SetEvents(t, false);
    t->Invalidate();
  }
}

void TswSkinToolBar::SetEvents(TToolBar* Bar, bool On) {
  if (!On) {
    Bar->OnCustomDraw = nullptr;
    Bar->OnCustomDrawButton = nullptr;
    return;
  }
  Bar->OnCustomDraw = [this](TToolBar* S, const RECT& R, bool& D) { DrawBackground(S, R, D); };
  Bar->OnCustomDrawButton = [this](TToolBar* S, TToolButton* B, TCustomDrawState St, bool& D) {
    DrawButton(S, B, St, D);
  };
}

void TswSkinToolBar::Detach() {
  // The events point at this skinner: they go with it.
  if (auto* t = dynamic_cast<TToolBar*>(FAnyControl)) SetEvents(t, false);
}

void TswSkinToolBar::DrawBackground(TToolBar* Sender, const RECT& ARect, bool&) {
  TBitmap* picture = FEngine->SkinBitmap(kSwToolBarPicture);
  const TColor start = FEngine->SkinColor(clToolBarStart), end = FEngine->SkinColor(clToolBarEnd);
  if (picture && !picture->Empty())
    StretchBitmap(picture, Sender->Canvas(), ARect);
  else if (start != end)
    GradientVertical(Sender->Canvas(), ARect, start, end);
}

void TswSkinToolBar::DrawButton(TToolBar* Sender, TToolButton* Button, TCustomDrawState State,
                                bool& DefaultDraw) {
  const bool hot = State.Contains(cdsHot);
  bool pressedLook = false;
  if (hot)
    pressedLook = State.Contains(cdsSelected);
  else if (!State.Contains(cdsSelected) && !State.Contains(cdsChecked))
    return;  // the tool bar draws the button itself
  DefaultDraw = false;
  TCanvas* c = Sender->Canvas();
  const RECT r = Button->BoundsRect();
  const bool dropDown = Button->Style() == tbsDropDown;
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(FEngine->SkinColor(pressedLook ? clToolBarDown : clToolBarOn));
  c->Pen()->SetColor(FEngine->SkinColor(clToolBarBorder));
  c->Rectangle(r);
  TImageList* images = Sender->HotImages() ? Sender->HotImages() : Sender->Images();
  const int right = dropDown ? r.right - 14 : r.right;
  const int w = images ? images->Width() : 0, h = images ? images->Height() : 0;
  const int index = Button->ImageIndex();
  bool imageDrawn = false;
  if (images && index >= 0 && index < images->Count()) {
    const int x = Sender->List() ? r.left + 5 : r.left + (right - r.left - w) / 2;
    images->Draw(c, x, r.top + 3, index, Button->Enabled());
    imageDrawn = true;
  }
  const std::string caption = Button->Caption();
  POINT at{-1, -1};
  if (images) {
    if (Sender->ShowCaptions()) {
      if (Sender->List())
        at = !pressedLook && !imageDrawn ? POINT{r.left + 5, r.top + 4}
                                         : POINT{r.left + w + 7, r.top + (h - 16) / 2 + 4};
      else
        at = POINT{r.left + (right - r.left - c->TextWidth(RemoveAmpersands(caption))) / 2,
                   r.top + h + 4};
    }
  } else if (Sender->List()) {
    at = POINT{r.left + 8, r.top + 3};
  } else {
    at = POINT{r.left + (right - r.left - c->TextWidth(RemoveAmpersands(caption))) / 2,
               r.top + (pressedLook ? 5 : 4)};
  }
  if (at.x != -1 && !caption.empty()) {
    RECT tr{at.x, at.y, r.right, r.bottom};
    HDC dc = c->Handle();
    HGDIOBJ old = SelectObject(dc, c->Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(c->Font()->Color()));
    DrawText(dc, caption.c_str(), -1, &tr, DT_LEFT | DT_TOP | DT_SINGLELINE);
    SelectObject(dc, old);
  }
  if (hot && dropDown) {
    // The drop-down arrow and the line that parts it from the button.
    const int R = r.right, cy = r.top + (r.bottom - r.top) / 2;
    c->Pen()->SetColor(clBlack);
    c->Brush()->SetColor(clBlack);
    c->Polygon({POINT{R - 9, cy}, POINT{R - 5, cy}, POINT{R - 7, cy + 2}});
    c->Polygon({POINT{R - 8, cy}, POINT{R - 6, cy}, POINT{R - 7, cy + 1}});
    c->MoveTo(R - 14, r.top);
    c->LineTo(R - 14, r.bottom);
  }
}

// ---- extended combo box ----
void TswSkinComboBoxEx::Paint() {
  auto* ex = static_cast<TComboBoxEx*>(FControl);
  HWND inner = reinterpret_cast<HWND>(SendMessage(ex->Handle(), CBEM_GETCOMBOCONTROL, 0, 0));
  if (inner && inner == ex->ComboBox()->Handle()) PaintCombo(ex->ComboBox());
}

void TswSkinComboBoxEx::AfterMessage(TMessage& M) {
  TswSkinComboBox::AfterMessage(M);
  if (M.Msg == WM_DRAWITEM) Repaint();
}

// ---- speed button ----
namespace {

// Two-pixel bands of Color along the four edges and the control border colour down the left.
void SwSpeedFlatFrame(HDC DC, int W, int H, TColor Color, TColor Border) {
  TCanvas c;
  c.SetHandle(DC);
  FillRectColor(&c, RECT{0, 0, 2, H}, Color);
  FillRectColor(&c, RECT{0, H - 2, W, H}, Color);
  FillRectColor(&c, RECT{W - 2, 0, W, H}, Color);
  FillRectColor(&c, RECT{0, 0, W, 2}, Color);
  c.Pen()->SetColor(Border);
  c.MoveTo(0, 0);
  c.LineTo(0, H);
  c.SetHandle(nullptr);
}

}  // namespace

bool TswSkinSpeedButton::BeforeMessage(TMessage& M) {
  switch (M.Msg) {
    case WM_ERASEBKGND:
      M.Result = 1;
      return false;
    case WM_PAINT:
      if (FAnyControl->Tag() == 999999) return true;  // painted after its own painting
      if (M.WParam) PaintOn(reinterpret_cast<HDC>(M.WParam));
      M.Result = 0;
      return false;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      FPressed = true;
      Repaint();
      return true;
    default:
      return true;
  }
}

void TswSkinSpeedButton::AfterMessage(TMessage& M) {
  if (M.Msg == WM_PAINT && FAnyControl->Tag() == 999999 && M.WParam && FAnyControl->Visible())
    SwSpeedFlatFrame(reinterpret_cast<HDC>(M.WParam), FAnyControl->Width(), FAnyControl->Height(),
                     clBtnFace, FEngine->SkinColor(clControlBorder));
  TswSkinControl::AfterMessage(M);
}

void TswSkinSpeedButton::PaintOn(HDC DC) {
  auto* sb = static_cast<TSpeedButton*>(FAnyControl);
  if (!sb->Visible()) return;
  const RECT cr = sb->ClientRect();
  TCanvas c;
  c.SetHandle(DC);
  const bool enabled = sb->Enabled();
  c.Brush()->SetStyle(bsSolid);
  if ((FPressed && enabled) || sb->Down()) {
    c.Brush()->SetColor(FEngine->SkinColor(clToolBarDown));
    c.Pen()->SetColor(FEngine->SkinColor(clToolBarBorder));
    c.Rectangle(cr.left, cr.top, cr.right, cr.bottom);
  } else if (FHot && enabled) {
    c.Brush()->SetColor(FEngine->SkinColor(clToolBarOn));
    c.Pen()->SetColor(FEngine->SkinColor(clToolBarBorder));
    c.Rectangle(cr.left, cr.top, cr.right, cr.bottom);
  } else {
    FillRectColor(&c, cr, FEngine->FormColor());
  }
  c.Font()->Assign(sb->Font());
  TBitmap* glyph = sb->Glyph();
  const bool hasGlyph = glyph && !glyph->Empty();
  const int n = std::max(1, sb->NumGlyphs());
  int margin = sb->Margin(), spacing = sb->Spacing();
  const SwButtonLayout l = SwLayoutButton(&c, cr, sb->Caption(), hasGlyph ? glyph->Width() / n : 0,
                                          hasGlyph ? glyph->Height() : 0, sb->Layout(), margin, spacing, true);
  if (hasGlyph) {
    POINT gp = l.Glyph;
    if (FPressed) {
      ++gp.x;
      ++gp.y;
    }
    SwDrawGlyph(&c, glyph, n, enabled, gp);
  }
  const std::string caption = sb->Caption();
  if (!caption.empty()) {
    RECT tr = l.Caption;
    if (FPressed) OffsetRect(&tr, 1, 1);
    SetBkMode(DC, TRANSPARENT);
    SetTextColor(DC, enabled ? ColorToRGB(sb->Font()->Color()) : RGB(128, 128, 128));
    HGDIOBJ old = SelectObject(DC, c.Font()->Handle());
    DrawText(DC, caption.c_str(), -1, &tr, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
    SelectObject(DC, old);
  }
  c.SetHandle(nullptr);
  // Computed margin and spacing become the button's own.
  if (sb->Margin() == -1 && margin != -1) sb->SetMargin(margin);
  if (sb->Spacing() == -1 && spacing != -1) sb->SetSpacing(spacing);
}
