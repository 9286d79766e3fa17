// Control skinners of the form skin engine (swskinctrls.h): labels, list view headers, tab and
// page controls, scroll bars with their painter, and up-downs.
#include <algorithm>
#include <climits>

#include "platform/vcl/comctrls.h"
#include "platform/vcl/comctrls_list.h"
#include "platform/vcl/comctrls_misc.h"
#include "platform/vcl/extctrls2.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"
#include "platform/win/commctrl.h"
#include "platform/win/gdi_user.h"
#include "platform/win/wingdi.h"
#include "skins/swskinctrls.h"
#include "skins/swskinengine.h"
#include "skins/swskinres.h"
#include "skins/swskinwindow.h"

ORV_CLASS_IMPL(TswSkinInternalScrollBar2, TCustomPanel)

namespace {

// Skin numbers used here.
enum {
  kSwMoreBmTab = 29,
  kSwMoreBmTabLine = 30,
  kSwMoreFlTabTrans = 8,
  kSwMoreClToolBorder = 19,
  kSwMoreClToolDown = 20,
  kSwMoreClControlBorder = 22,
  kSwMoreClControlFont = 23,
  kSwMoreClScrollBar = 25,
  kSwMoreClTabActiveFont = 28,
  kSwMoreClTabFont = 29,
};

constexpr const char* kSwListHeaderProp = "TswSkinListView";

// Copies the part [SrcFrom, SrcFrom + SrcLen) of a piece, along the bar's axis, stretched into
// [From, To) along and [Across0, Across1) across.
void SwScrollPiece(TCanvas* C, TBitmap* Piece, bool Vertical, int Across0, int Across1, int From,
                   int To, int SrcFrom, int SrcLen) {
  if (!Piece || Piece->Empty() || To <= From || SrcLen <= 0 || Across1 <= Across0) return;
  const int old = SetStretchBltMode(C->Handle(), HALFTONE);
  if (Vertical)
    StretchBlt(C->Handle(), Across0, From, Across1 - Across0, To - From, Piece->Canvas()->Handle(), 0,
               SrcFrom, Piece->Width(), SrcLen, SRCCOPY);
  else
    StretchBlt(C->Handle(), From, Across0, To - From, Across1 - Across0, Piece->Canvas()->Handle(),
               SrcFrom, 0, SrcLen, Piece->Height(), SRCCOPY);
  SetStretchBltMode(C->Handle(), old);
}

int SwPieceLength(TBitmap* Piece, bool Vertical) {
  if (!Piece || Piece->Empty()) return 0;
  return Vertical ? Piece->Height() : Piece->Width();
}

// The tabs of a tab control (through its messages) or of a page control (through its pages).
int SwTabCount(TWinControl* C) {
  if (auto* p = dynamic_cast<TPageControl*>(C)) return p->PageCount();
  return static_cast<int>(SendMessage(C->Handle(), TCM_GETITEMCOUNT, 0, 0));
}

RECT SwTabRect(TWinControl* C, int Index) {
  if (auto* p = dynamic_cast<TPageControl*>(C)) return p->TabRect(Index);
  RECT r{0, 0, 0, 0};
  if (!SendMessage(C->Handle(), TCM_GETITEMRECT, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&r)))
    return RECT{0, 0, 0, 0};
  return r;
}

int SwTabSelected(TWinControl* C) {
  if (auto* p = dynamic_cast<TPageControl*>(C)) return p->ActivePageIndex();
  return static_cast<int>(SendMessage(C->Handle(), TCM_GETCURSEL, 0, 0));
}

// The client rectangle turned into the display area under the tabs.
RECT SwTabDisplayRect(TWinControl* C) {
  RECT r = C->ClientRect();
  if (auto* p = dynamic_cast<TPageControl*>(C)) {
    // The page control lays its pages out under the tab row, 4 pixels in from each side.
    int tabBottom = 20;
    for (int i = 0; i < p->PageCount(); ++i) {
      const RECT t = p->TabRect(i);
      if (!IsRectEmpty(&t)) {
        tabBottom = t.bottom;
        break;
      }
    }
    r.top += tabBottom;
    InflateRect(&r, -4, -4);
    return r;
  }
  SendMessage(C->Handle(), TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&r));
  return r;
}

std::string SwReplaceDoubleAmpersands(const std::string& S) {
  std::string out;
  out.reserve(S.size());
  for (size_t i = 0; i < S.size(); ++i) {
    out += S[i];
    if (S[i] == '&' && i + 1 < S.size() && S[i + 1] == '&') ++i;
  }
  return out;
}

}  // namespace

// ---- label ----
void TswSkinLabel::Init() { FSavedFontColor = FAnyControl->Font()->Color(); }

void TswSkinLabel::Update() {
  if (!FAnyControl) return;
  FAnyControl->Font()->SetColor(SkinActive() ? FEngine->SkinColor(kSwMoreClControlFont) : FSavedFontColor);
}

// ---- list view ----
void TswSkinListView::Init() {
  TswSkinScrollWinControl::Init();
  auto* lv = dynamic_cast<TCustomListView*>(FControl);
  if (!lv || !lv->HandleAllocated()) return;
  HWND h = lv->HeaderHandle();
  if (!h || !IsWindow(h)) return;
  FHeader = h;
  FHeaderProc = GetWindowLongPtr(h, GWLP_WNDPROC);
  SetProp(h, kSwListHeaderProp, this);
  SetWindowLongPtr(h, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&TswSkinListView::HeaderProc));
}

void TswSkinListView::Detach() {
  // Also while the list view is being destroyed: the header must not route to a freed skinner.
  if (FHeader && IsWindow(FHeader) &&
      GetWindowLongPtr(FHeader, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&TswSkinListView::HeaderProc)) {
    SetWindowLongPtr(FHeader, GWLP_WNDPROC, FHeaderProc);
    RemoveProp(FHeader, kSwListHeaderProp);
    InvalidateRect(FHeader, nullptr, TRUE);
  }
  FHeader = nullptr;
  TswSkinScrollWinControl::Detach();
}

TswSkinListView::~TswSkinListView() { Detach(); }

LRESULT TswSkinListView::HeaderProc(HWND Wnd, UINT Msg, WPARAM W, LPARAM L) {
  auto* s = static_cast<TswSkinListView*>(GetProp(Wnd, kSwListHeaderProp));
  if (!s) return DefWindowProc(Wnd, Msg, W, L);
  if (Msg == WM_PAINT && s->SkinActive()) {
    PAINTSTRUCT ps;
    BeginPaint(Wnd, &ps);
    s->DrawHeader();
    EndPaint(Wnd, &ps);
    return 0;
  }
  const LRESULT r = CallWindowProc(reinterpret_cast<WNDPROC>(s->FHeaderProc), Wnd, Msg, W, L);
  if (Msg == HDM_SETITEMA && GetProp(Wnd, kSwListHeaderProp) == s && s->SkinActive()) s->DrawHeader();
  return r;
}

void TswSkinListView::DrawHeader() {
  auto* lv = dynamic_cast<TCustomListView*>(FControl);
  if (!lv || !FHeader) return;
  HDC dc = GetWindowDC(FHeader);
  if (!dc) return;
  TCanvas c;
  c.SetHandle(dc);
  NONCLIENTMETRICSA ncm;
  if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) c.Font()->SetLogFont(ncm.lfMenuFont);
  c.Font()->SetColor(FEngine->SkinColor(kSwMoreClControlFont));
  RECT hr;
  GetClientRect(FHeader, &hr);
  TImageList* images = lv->SmallImages();
  const TColor form = FEngine->FormColor(), border = FEngine->SkinColor(kSwMoreClControlBorder);
  int lastRight = hr.left, prevSeparator = INT_MIN;
  const int n = static_cast<int>(SendMessage(FHeader, HDM_GETITEMCOUNT, 0, 0));
  for (int i = 0; i < n && i < lv->ColumnCount(); ++i) {
    RECT r{0, 0, 0, 0};
    SendMessage(FHeader, HDM_GETITEMRECT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(&r));
    FillRectColor(&c, r, form);
    const TListColumn* col = lv->Column(i);
    const bool image = images && col->ImageIndex >= 0;
    const int imageRow = images ? ((r.bottom - r.top) - images->Height()) / 2 : 0;
    const int iw = image ? images->Width() : 0;
    const int tw = c.TextWidth(col->Caption);
    const int a = (r.right - r.left) - 6;
    int x = r.left + 4;
    if (col->Alignment == taRightJustify)
      x = r.left + std::max(a - tw - iw - 2, 4);
    else if (col->Alignment == taCenter)
      x = r.left + std::max((a - tw - iw - 2) / 2, 4);
    if (image) {
      images->Draw(&c, x, r.top + imageRow, col->ImageIndex);
      x += iw + 2;
    }
    const std::string caption = EllipsizeText(&c, col->Caption, r.right - x - 2);
    RECT tr{x, r.top, r.right - 2, r.bottom};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(c.Font()->Color()));
    HGDIOBJ oldFont = SelectObject(dc, c.Font()->Handle());
    DrawText(dc, caption.c_str(), -1, &tr, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, oldFont);
    c.Pen()->SetColor(border);
    c.MoveTo(r.right - 1, r.top);
    c.LineTo(r.right - 1, r.bottom);
    if (r.right == prevSeparator + 1) {
      c.MoveTo(r.right - 2, r.top);
      c.LineTo(r.right - 2, r.bottom);
    }
    prevSeparator = r.right - 1;
    lastRight = r.right;
  }
  if (lastRight < hr.right) FillRectColor(&c, RECT{lastRight, hr.top, hr.right, hr.bottom}, form);
  c.Pen()->SetColor(border);
  c.MoveTo(hr.left, hr.bottom - 1);
  c.LineTo(lastRight, hr.bottom - 1);
  c.SetHandle(nullptr);
  ReleaseDC(FHeader, dc);
}

// ---- tab control ----
bool TswSkinTabControl::BeforeMessage(TMessage& M) { return PaintWholeControl(M); }

std::string TswSkinTabControl::GetTabCaption(int Index) {
  if (auto* p = dynamic_cast<TPageControl*>(FControl)) return p->Pages(Index)->Caption();
  char buf[260] = {};
  TCITEMA item;
  item.mask = TCIF_TEXT;
  item.pszText = buf;
  item.cchTextMax = sizeof buf;
  if (!SendMessage(FControl->Handle(), TCM_GETITEMA, static_cast<WPARAM>(Index), reinterpret_cast<LPARAM>(&item)))
    return "";
  return buf;
}

void TswSkinTabControl::Paint() {
  const RECT cr = FControl->ClientRect();
  const int W = cr.right, H = cr.bottom;
  if (W <= 0 || H <= 0) return;
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(W, H);
  TCanvas* c = b.Canvas();
  const TColor form = FEngine->FormColor();
  FillRectColor(c, cr, form);
  // Page frame around the display area.
  RECT f = SwTabDisplayRect(FControl);
  InflateRect(&f, 2, 2);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(form);
  c->Pen()->SetColor(FEngine->SkinColor(kSwMoreClControlBorder));
  c->Rectangle(f.left, f.top, f.right, f.bottom);
  const int n = SwTabCount(FControl), sel = SwTabSelected(FControl);
  for (int i = 0; i < n; ++i) {
    const RECT r = SwTabRect(FControl, i);
    if (!IsRectEmpty(&r)) DrawTab(c, r, i, i == sel);
  }
  // The tab line along the tab side (the tabs stand on top here).
  if (TBitmap* lineSkin = FEngine->SkinBitmap(kSwMoreBmTabLine); lineSkin && !lineSkin->Empty()) {
    c->Pen()->SetColor(form);
    c->MoveTo(f.left + 1, f.top);
    c->LineTo(f.right - 1, f.top);
    const RECT target{f.left, f.top - 1, f.right, f.top - 1 + lineSkin->Height()};
    StretchBitmap(lineSkin, c, target);
  }
  HDC dc = GetDC(FControl->Handle());
  if (!dc) return;
  BitBlt(dc, 0, 0, W, H, c->Handle(), 0, 0, SRCCOPY);
  ReleaseDC(FControl->Handle(), dc);
}

void TswSkinTabControl::DrawTab(TCanvas* Target, const RECT& R, int Index, bool Selected) {
  const int w = R.right - R.left, h = R.bottom - R.top;
  if (w <= 0 || h <= 0) return;
  TBitmap tab;
  tab.SetPixelFormat(pf24bit);
  if (!FEngine->SkinBitmapCell(kSwMoreBmTab, Selected ? 1 : 2, 2, &tab)) return;
  TBitmap work;
  work.SetPixelFormat(pf24bit);
  work.SetSize(w, h);
  TCanvas* c = work.Canvas();
  FillRectColor(c, RECT{0, 0, w, h}, FEngine->FormColor());
  DrawThreeFramesH(&tab, c, RECT{0, 0, w, h}, FEngine->Metrics().TransColor, false);
  const int th = tab.Height();
  if (th + 1 < h && th > 0) {
    // A tab picture lower than the tab is stretched down with caps of a third of its height.
    TBitmap rows;
    rows.SetPixelFormat(pf24bit);
    rows.SetSize(w, th);
    BitBlt(rows.Canvas()->Handle(), 0, 0, w, th, c->Handle(), 0, 0, SRCCOPY);
    DrawCappedV(&rows, c, RECT{0, 0, w, h}, 0);
  }
  // Caption, centred by its width with "&&" shown as one "&".
  c->Font()->Assign(FControl->Font());
  c->Font()->SetColor(FEngine->SkinColor(Selected ? kSwMoreClTabActiveFont : kSwMoreClTabFont));
  const std::string text = GetTabCaption(Index);
  const int shown = c->TextWidth(SwReplaceDoubleAmpersands(text));
  RECT tr{(w - shown) / 2, 2, w, h};
  c->Brush()->SetStyle(bsClear);
  HDC wdc = c->Handle();
  SetBkMode(wdc, TRANSPARENT);
  SetTextColor(wdc, ColorToRGB(c->Font()->Color()));
  HGDIOBJ oldFont = SelectObject(wdc, c->Font()->Handle());
  DrawText(wdc, text.c_str(), -1, &tr, DT_SINGLELINE | DT_VCENTER);
  SelectObject(wdc, oldFont);
  c->Brush()->SetStyle(bsSolid);
  const TColor trans = FEngine->Metrics().TransColor;
  if (FEngine->SkinFlag(kSwMoreFlTabTrans) && trans != -1)
    TransparentBlt(Target->Handle(), R.left, R.top, w, h, wdc, 0, 0, w, h, static_cast<UINT>(ColorToRGB(trans)));
  else
    BitBlt(Target->Handle(), R.left, R.top, w, h, wdc, 0, 0, SRCCOPY);
}

// ---- scroll-bar painter ----
void PaintSkinScrollBar(TCanvas* C, TswSkinEngine* Engine, const RECT& Bar, const RECT& Thumb,
                        bool Enabled, bool Vertical) {
  FillRectColor(C, Bar, Engine->SkinColor(kSwMoreClScrollBar));
  TswSkinScrollBtnRes& res = Engine->ScrollRes();
  const int bw = Bar.right - Bar.left, bh = Bar.bottom - Bar.top;
  if (Vertical) {
    StretchBitmap(res.VertButton(1), C, RECT{Bar.left, Bar.top, Bar.right, Bar.top + bw});
    StretchBitmap(res.VertButton(4), C, RECT{Bar.left, Bar.bottom - bw, Bar.right, Bar.bottom});
  } else {
    StretchBitmap(res.HorzButton(1), C, RECT{Bar.left, Bar.top, Bar.left + bh, Bar.bottom});
    StretchBitmap(res.HorzButton(4), C, RECT{Bar.right - bh, Bar.top, Bar.right, Bar.bottom});
  }
  if (!Enabled) return;
  const int start = Vertical ? Thumb.top : Thumb.left, end = Vertical ? Thumb.bottom : Thumb.right;
  const int a0 = Vertical ? Thumb.left : Thumb.top, a1 = Vertical ? Thumb.right : Thumb.bottom;
  const int n = end - start;
  if (n <= 0) return;
  if (res.WholeThumb && n > 15) {
    if (Vertical)
      DrawCappedV(res.WholeThumbV.get(), C, Thumb, 0);
    else
      DrawThreeFramesH(res.WholeThumbH.get(), C, Thumb, Engine->Metrics().TransColor, false);
    return;
  }
  auto part = [&](int K) { return Vertical ? res.VertPart(K) : res.HorzPart(K); };
  const int g = n - 6;
  TBitmap* first = part(1);
  const int fl = SwPieceLength(first, Vertical);
  SwScrollPiece(C, first, Vertical, a0, a1, start, start + fl, 0, fl);
  TBitmap* last = part(5);
  const int e = SwPieceLength(last, Vertical);
  const int m = std::min(e, n / 2);
  SwScrollPiece(C, last, Vertical, a0, a1, end - e, end, e - m, m);
  TBitmap* grip = part(3);
  const int gl = SwPieceLength(grip, Vertical);
  if (gl >= g) {
    SwScrollPiece(C, grip, Vertical, a0, a1, start + 3, end - 3, 0, gl);
    return;
  }
  const int gripFrom = start + 3 + (g - gl) / 2;
  SwScrollPiece(C, grip, Vertical, a0, a1, gripFrom, gripFrom + gl, 0, gl);
  SwScrollPiece(C, part(4), Vertical, a0, a1, gripFrom + gl, end - 3, 0, SwPieceLength(part(4), Vertical));
  SwScrollPiece(C, part(2), Vertical, a0, a1, start + 3, gripFrom, 0, SwPieceLength(part(2), Vertical));
}

// ---- scroll bar ----
TswSkinInternalScrollBar2::TswSkinInternalScrollBar2(TComponent* AOwner) : TCustomPanel(AOwner) {
  SetBevelOuter(bvNone);
  SetShowCaption(false);
}

TswSkinInternalScrollBar2::~TswSkinInternalScrollBar2() {
  if (Skinner) Skinner->FPanel = nullptr;
}

void TswSkinInternalScrollBar2::Paint() {
  if (FBitmap.Empty()) {
    TCustomPanel::Paint();
    SetVisible(false);
    return;
  }
  Canvas()->Draw(0, 0, &FBitmap);
}

void TswSkinInternalScrollBar2::WndProc(TMessage& M) {
  if (M.Msg == WM_ERASEBKGND) {
    M.Result = 1;
    return;
  }
  TCustomPanel::WndProc(M);
  const bool button = M.Msg == WM_LBUTTONDOWN || M.Msg == WM_LBUTTONUP || M.Msg == WM_LBUTTONDBLCLK;
  if (!(button || M.Msg == WM_MOUSEMOVE) || !ScrollBar || !ScrollBar->HandleAllocated() ||
      !HandleAllocated())
    return;
  // The bar under the panel gets the mouse where the panel got it; a double click is a second
  // press for the bar.
  POINT p{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
  ::ClientToScreen(Handle(), &p);
  ::ScreenToClient(ScrollBar->Handle(), &p);
  if (GetCapture() == Handle()) ReleaseCapture();
  const WPARAM keys = M.Msg == WM_MOUSEMOVE ? M.WParam : static_cast<WPARAM>(MK_LBUTTON);
  const LRESULT r = SendMessage(ScrollBar->Handle(), M.Msg, keys, MAKELPARAM(p.x, p.y));
  if (M.Msg == WM_MOUSEMOVE) M.Result = r;
}

void TswSkinScrollBar::Init() {
  if (!FControl) return;
  FControl->ControlStyle().Include(csAcceptsControls);
  auto* panel = new TswSkinInternalScrollBar2(FEngine);
  try {
    panel->ScrollBar = static_cast<TScrollBar*>(FControl);
    panel->Skinner = this;
    TWinControl* parent = FControl->Parent() ? FControl->Parent() : FControl->GetParentForm();
    panel->SetParent(parent);
    panel->SetBoundsRect(FControl->BoundsRect());
    panel->SetVisible(true);
    panel->BringToFront();
    panel->Invalidate();
    FPanel = panel;
  } catch (...) {
    panel->Skinner = nullptr;
    delete panel;
    FPanel = nullptr;
  }
}

void TswSkinScrollBar::Detach() {
  if (!FPanel) return;
  TswSkinInternalScrollBar2* p = FPanel;
  FPanel = nullptr;
  p->Skinner = nullptr;
  delete p;
}

TswSkinScrollBar::~TswSkinScrollBar() { Detach(); }

void TswSkinScrollBar::Update() {
  if (FPanel) FPanel->SetVisible(SkinActive() && FControl && FControl->Visible());
}

void TswSkinScrollBar::AfterMessage(TMessage& M) {
  TswSkinControl::AfterMessage(M);
  if (!FControl) return;
  switch (M.Msg) {
    case SBM_SETSCROLLINFO:
    case WM_KILLFOCUS:
    case CM_ENTER:
    case CM_EXIT:
      Repaint();
      break;
    case CM_VISIBLECHANGED:
      if (FPanel) FPanel->SetVisible(FControl->Visible());
      break;
    default:
      break;
  }
}

void TswSkinScrollBar::Paint() {
  if (!FEngine->DrawScrollBar() || !FPanel) return;
  auto* sb = static_cast<TScrollBar*>(FControl);
  const RECT br = sb->BoundsRect(), pr = FPanel->BoundsRect();
  if (!EqualRect(&br, &pr)) FPanel->SetBoundsRect(br);
  const int W = br.right - br.left, H = br.bottom - br.top;
  if (W <= 0 || H <= 0) return;
  TBitmap* b = FPanel->Bitmap();
  b->SetPixelFormat(pf24bit);
  b->SetSize(W, H);
  const bool vertical = sb->Kind() == sbVertical;
  const RECT t = sb->ThumbRect();
  const RECT thumb = vertical ? RECT{0, t.top, W, t.bottom} : RECT{t.left, 0, t.right, H};
  PaintSkinScrollBar(b->Canvas(), FEngine, RECT{0, 0, W, H}, thumb, true, vertical);
  if (sb->Focused()) {
    RECT f = thumb;
    InflateRect(&f, -1, -1);
    b->Canvas()->Brush()->SetStyle(bsSolid);
    b->Canvas()->DrawFocusRect(f);
  }
  if (!FPanel->Visible() && SkinActive() && sb->Visible()) FPanel->SetVisible(true);
  if (FPanel->HandleAllocated()) {
    HDC dc = GetDC(FPanel->Handle());
    if (dc) {
      BitBlt(dc, 0, 0, W, H, b->Canvas()->Handle(), 0, 0, SRCCOPY);
      ReleaseDC(FPanel->Handle(), dc);
    }
  }
}

// ---- up-down ----
namespace {

void SwUpDownHalves(TWinControl* C, RECT& First, RECT& Second) {
  const RECT cr = C->ClientRect();
  const int W = cr.right, H = cr.bottom;
  First = RECT{0, 0, W, H / 2};
  Second = RECT{0, H / 2 + 1, W, H};
}

}  // namespace

bool TswSkinUpDown::BeforeMessage(TMessage& M) {
  switch (M.Msg) {
    case WM_LBUTTONDOWN: {
      RECT first, second;
      SwUpDownHalves(FControl, first, second);
      const int x = GET_X_LPARAM(M.LParam), y = GET_Y_LPARAM(M.LParam);
      FPressedHalf = PointInRectInclusive(x, y, first) ? -1 : PointInRectInclusive(x, y, second) ? 1 : 0;
      break;
    }
    case WM_LBUTTONUP:
      FPressedHalf = 0;
      break;
    case WM_LBUTTONDBLCLK:
      Repaint();
      break;
    default:
      break;
  }
  return true;
}

void TswSkinUpDown::Paint() {
  const RECT cr = FControl->ClientRect();
  const int W = cr.right, H = cr.bottom;
  if (W <= 0 || H <= 0) return;
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(W, H);
  TCanvas* c = b.Canvas();
  const TColor form = FEngine->FormColor();
  FillRectColor(c, cr, form);
  RECT halves[2];
  SwUpDownHalves(FControl, halves[0], halves[1]);
  c->Pen()->SetColor(FEngine->SkinColor(kSwMoreClToolBorder));
  c->Brush()->SetStyle(bsSolid);
  for (int i = 0; i < 2; ++i) {
    const bool down = FPressedHalf == (i == 0 ? -1 : 1);
    c->Brush()->SetColor(down ? FEngine->SkinColor(kSwMoreClToolDown) : form);
    c->Rectangle(halves[i].left, halves[i].top, halves[i].right, halves[i].bottom);
  }
  const bool enabled = FControl->Enabled();
  const int p1 = FPressedHalf == -1 ? 1 : 0, p2 = FPressedHalf == 1 ? 1 : 0;
  {
    const RECT& r = halves[0];
    const int w = r.right - r.left, h = r.bottom - r.top;
    DrawArrowUp(c, r.left + (w - 6) / 2 + 3 + p1, r.top + (h - 6) / 2 + 1 + p1, enabled);
  }
  {
    const RECT& r = halves[1];
    const int w = r.right - r.left, h = r.bottom - r.top;
    DrawArrowDown(c, r.left + (w - 6) / 2 + p2, r.top + (h - 6) / 2 + 1 + p2, enabled);
  }
  DrawBitmapAt(&b, 0, 0);
}

// ---- drop-down like controls ----
ORV_CLASS_IMPL(TswSkinInternalComboButton, TCustomPanel)
ORV_CLASS_IMPL(TswSkinInternalUpDown, TUpDown)

namespace {

enum { kSwMoreClControl = 21 };

// Hands a left-button message of a helper control to a window: at the same screen point, in
// that window's client coordinates, with the mouse capture given up first.
LRESULT SwForwardButton(TWinControl* From, HWND To, const TMessage& M, WPARAM Keys) {
  POINT p{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
  ClientToScreen(From->Handle(), &p);
  ScreenToClient(To, &p);
  if (GetCapture() == From->Handle()) ReleaseCapture();
  return SendMessage(To, M.Msg, Keys, MAKELPARAM(p.x, p.y));
}

}  // namespace

TswSkinInternalComboButton::TswSkinInternalComboButton(TComponent* AOwner) : TCustomPanel(AOwner) {
  SetBevelOuter(bvNone);
  SetShowCaption(false);
  SetBounds(0, 0, 16, 16);
}

TswSkinInternalComboButton::~TswSkinInternalComboButton() {
  if (Skinner) Skinner->FButton = nullptr;
}

void TswSkinInternalComboButton::Paint() {
  if (!Engine) return;
  TCanvas* c = Canvas();
  const RECT r = ClientRect();
  FillRectColor(c, r, Engine->SkinColor(kSwMoreClControl));
  c->Pen()->SetColor(Engine->SkinColor(kSwMoreClControlBorder));
  c->MoveTo(r.left, r.top - 1);
  c->LineTo(r.left, r.bottom + 1);
  DrawArrowDown(c, r.left + (r.right - r.left) / 2 - 3, r.bottom / 2 - 2, Target ? Target->Enabled() : true);
}

void TswSkinInternalComboButton::WndProc(TMessage& M) {
  if (M.Msg == WM_ERASEBKGND) {
    M.Result = 1;
    return;
  }
  TCustomPanel::WndProc(M);
  if ((M.Msg == WM_LBUTTONDOWN || M.Msg == WM_LBUTTONUP) && Target && Target->HandleAllocated() &&
      HandleAllocated())
    SwForwardButton(this, Target->Handle(), M, MK_LBUTTON);
}

void TswSkinExtComboboxLikeControl::Init() {
  if (!FControl) return;
  auto* b = new TswSkinInternalComboButton(FEngine);
  try {
    b->Target = FControl;
    b->Engine = FEngine;
    b->Skinner = this;
    b->SetParent(FControl);
    b->SetAlign(alRight);
    b->SetVisible(true);
    b->BringToFront();
    FButton = b;
  } catch (...) {
    b->Skinner = nullptr;
    delete b;
  }
}

void TswSkinExtComboboxLikeControl::Detach() {
  if (!FButton) return;
  TswSkinInternalComboButton* b = FButton;
  FButton = nullptr;
  b->Skinner = nullptr;
  delete b;
}

TswSkinExtComboboxLikeControl::~TswSkinExtComboboxLikeControl() {
  TswSkinExtComboboxLikeControl::Detach();
}

void TswSkinExtComboboxLikeControl::Update() {
  if (FButton) FButton->SetVisible(SkinActive());
}

void TswSkinExtComboboxLikeControl::Paint() {
  TswSkinBorderWinControl::Paint();
  if (FButton && FControl->HandleAllocated()) FButton->Invalidate();
}

void TswSkinExtComboboxLikeControl::AfterMessage(TMessage& M) {
  TswSkinBorderWinControl::AfterMessage(M);
  if (M.Msg == CM_VISIBLECHANGED && FButton && FControl) FButton->SetVisible(FControl->Visible());
}

// ---- date-time picker ----
bool TswSkinDateTimePicker::ShowsDropDown() const {
  auto* p = static_cast<TDateTimePicker*>(FControl);
  if (p->DateMode() == dmUpDown) return false;
  return !(p->DateMode() == dmComboBox && p->Kind() == dtkTime);
}

void TswSkinDateTimePicker::Init() {
  TswSkinExtComboboxLikeControl::Init();
  if (!FControl) return;
  if (Button()) Button()->SetVisible(ShowsDropDown());
  if (FControl->Tag() == 9998) return;
  auto* u = new TswSkinInternalUpDown(FControl);
  try {
    u->Picker = FControl;
    u->Skinner = this;
    u->SetParent(FControl);
    u->SetVisible(!(Button() && Button()->Visible()));
    u->SetAlign(alRight);
    u->BringToFront();
    FUpDown = u;
  } catch (...) {
    u->Skinner = nullptr;
    delete u;
  }
}

void TswSkinDateTimePicker::Update() {
  TswSkinExtComboboxLikeControl::Update();
  auto* p = static_cast<TDateTimePicker*>(FControl);
  if (!p) return;
  const bool dropDown = ShowsDropDown();
  if (Button() && Button()->Visible()) Button()->SetVisible(dropDown);
  HWND spin = p->HandleAllocated() ? p->SpinHandle() : nullptr;
  if (!FUpDown) return;
  if (SkinActive()) {
    FUpDown->SetVisible(!(Button() && Button()->Visible()));
    if (spin) ShowWindow(spin, SW_HIDE);
  } else {
    FUpDown->SetVisible(false);
    // The picker's own spin buttons come back where the picker shows them.
    if (spin && !dropDown) ShowWindow(spin, SW_SHOWNA);
  }
}

void TswSkinDateTimePicker::Detach() {
  TswSkinExtComboboxLikeControl::Detach();
  if (!FUpDown) return;
  TswSkinInternalUpDown* u = FUpDown;
  FUpDown = nullptr;
  u->Skinner = nullptr;
  delete u;
}

TswSkinDateTimePicker::~TswSkinDateTimePicker() { TswSkinDateTimePicker::Detach(); }

TswSkinInternalUpDown::~TswSkinInternalUpDown() {
  if (Skinner) Skinner->FUpDown = nullptr;
}

void TswSkinInternalUpDown::WndProc(TMessage& M) {
  TUpDown::WndProc(M);
  if (M.Msg != WM_LBUTTONDOWN && M.Msg != WM_LBUTTONUP && M.Msg != WM_LBUTTONDBLCLK) return;
  auto* p = dynamic_cast<TDateTimePicker*>(Picker);
  if (!p || !p->HandleAllocated() || !HandleAllocated()) return;
  if (HWND spin = p->SpinHandle(); spin && IsWindow(spin)) SwForwardButton(this, spin, M, MK_LBUTTON);
}

// ---- skinned scroll bars of scrolling controls ----
ORV_CLASS_IMPL(TswSkinInternalScrollBar, TCustomPanel)

TswSkinInternalScrollBar::TswSkinInternalScrollBar(TComponent* AOwner) : TCustomPanel(AOwner) {
  SetBevelOuter(bvNone);
  SetShowCaption(false);
  SetVisible(false);
}

TswSkinInternalScrollBar::~TswSkinInternalScrollBar() {
  if (Skinner && (Kind == 0 || Kind == 1)) Skinner->FBars[Kind] = nullptr;
}

void TswSkinInternalScrollBar::Paint() {
  if (FBitmap.Empty()) {
    TCustomPanel::Paint();
    SetVisible(false);
    return;
  }
  Canvas()->Draw(0, 0, &FBitmap);
}

void TswSkinInternalScrollBar::WndProc(TMessage& M) {
  if (M.Msg == WM_ERASEBKGND) {
    M.Result = 1;
    return;
  }
  TCustomPanel::WndProc(M);
  UINT nc = 0;
  switch (M.Msg) {
    case WM_LBUTTONDOWN: nc = WM_NCLBUTTONDOWN; break;
    case WM_LBUTTONUP: nc = WM_NCLBUTTONUP; break;
    case WM_LBUTTONDBLCLK: nc = WM_NCLBUTTONDBLCLK; break;
    default: return;
  }
  if (!Scrolled || !Scrolled->HandleAllocated() || !HandleAllocated()) return;
  // The control's own scroll bar under this one takes the click at the same screen point.
  POINT p{GET_X_LPARAM(M.LParam), GET_Y_LPARAM(M.LParam)};
  ::ClientToScreen(Handle(), &p);
  if (GetCapture() == Handle()) ReleaseCapture();
  SendMessage(Scrolled->Handle(), nc, Kind == 0 ? HTVSCROLL : HTHSCROLL, MAKELPARAM(p.x, p.y));
}

void TswSkinScrollWinControl::Init() {
  if (!FControl) return;
  // A panel on a tab page of the kind that scrolls itself, and one-line edits, keep theirs.
  if (auto* panel = dynamic_cast<TPanel*>(FControl->Parent())) {
    TWinControl* a = panel;
    while (a && dynamic_cast<TPanel*>(a)) a = a->Parent();
    if (a && a->ClassName() == "TTabPage") return;
  }
  if (dynamic_cast<TCustomEdit*>(FControl) && !dynamic_cast<TMemo*>(FControl)) return;
  if (dynamic_cast<TMaskEdit*>(FControl) || FControl->ClassName() == "TSpinEdit") return;
  TWinControl* parent = FControl->Parent() ? FControl->Parent() : FControl->GetParentForm();
  for (int kind = 0; kind < 2; ++kind) {
    auto* bar = new TswSkinInternalScrollBar(FEngine);
    try {
      bar->Scrolled = FControl;
      bar->Kind = kind;
      bar->Skinner = this;
      bar->SetParent(parent);
      FBars[kind] = bar;
    } catch (...) {
      bar->Skinner = nullptr;
      delete bar;
      FBars[kind] = nullptr;
    }
  }
}

void TswSkinScrollWinControl::Detach() {
  for (auto*& slot : FBars) {
    if (!slot) continue;
    TswSkinInternalScrollBar* bar = slot;
    slot = nullptr;
    bar->Skinner = nullptr;
    delete bar;
  }
}

TswSkinScrollWinControl::~TswSkinScrollWinControl() { TswSkinScrollWinControl::Detach(); }

void TswSkinScrollWinControl::Update() {
  for (auto* bar : FBars)
    if (bar && !SkinActive()) bar->SetVisible(false);
  // Shown again where the control's own bars are, at the next paint.
  if (SkinActive()) Repaint();
}

void TswSkinScrollWinControl::AfterMessage(TMessage& M) {
  TswSkinBorderWinControl::AfterMessage(M);
  if (!FControl) return;
  switch (M.Msg) {
    case WM_VSCROLL:
    case WM_HSCROLL:
    case WM_MOVE:
    case WM_SIZE:
      Repaint();
      break;
    case CM_VISIBLECHANGED:
      for (auto* bar : FBars)
        if (bar && !FControl->Visible()) bar->SetVisible(false);
      if (FControl->Visible()) Repaint();
      break;
    default:
      break;
  }
}

void TswSkinScrollWinControl::Paint() {
  TswSkinBorderWinControl::Paint();
  if (FControl->HandleAllocated() && FControl->Visible()) PlaceBars();
}

void TswSkinScrollWinControl::PlaceBars() {
  if (!FEngine->DrawScrollBar()) {
    for (auto* bar : FBars)
      if (bar) bar->SetVisible(false);
    return;
  }
  HWND h = FControl->Handle();
  bool shown[2] = {false, false};
  for (int kind = 0; kind < 2; ++kind) {
    TswSkinInternalScrollBar* bar = FBars[kind];
    if (!bar) continue;
    SCROLLBARINFO info;
    info.cbSize = 60;
    if (!GetScrollBarInfo(h, kind == 0 ? OBJID_VSCROLL : OBJID_HSCROLL, &info) ||
        (info.rgstate[0] & STATE_SYSTEM_INVISIBLE) || !bar->Parent() || !bar->Parent()->HandleAllocated()) {
      bar->SetVisible(false);
      continue;
    }
    RECT r = info.rcScrollBar;
    POINT tl{r.left, r.top}, br{r.right, r.bottom};
    ::ScreenToClient(bar->Parent()->Handle(), &tl);
    ::ScreenToClient(bar->Parent()->Handle(), &br);
    r = RECT{tl.x, tl.y, br.x, br.y};
    const int w = r.right - r.left, hh = r.bottom - r.top;
    const bool bad = kind == 0 ? (w > 100 || w < 0 || hh < 0) : (w < 0 || hh < 0 || hh >= 100);
    if (bad || w == 0 || hh == 0) {
      bar->SetVisible(false);
      continue;
    }
    // Moved and raised only when it changes: a paint of the control must not start another.
    const RECT old = bar->BoundsRect();
    if (!bar->Visible() || !EqualRect(&old, &r)) {
      bar->BringToFront();
      bar->SetBoundsRect(r);
      bar->SetVisible(true);
    }
    TBitmap* b = bar->Bitmap();
    b->SetPixelFormat(pf24bit);
    b->SetSize(w, hh);
    const RECT thumb = kind == 0 ? RECT{0, info.xyThumbTop, w, info.xyThumbBottom}
                                 : RECT{info.xyThumbTop, 0, info.xyThumbBottom, hh};
    PaintSkinScrollBar(b->Canvas(), FEngine, RECT{0, 0, w, hh}, thumb,
                       !(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE), kind == 0);
    bar->Invalidate();
    shown[kind] = true;
  }
  if (shown[0] && shown[1]) {
    // The square between the two bars, in the form colour, in the control's window coordinates.
    const RECT v = FBars[0]->BoundsRect(), hz = FBars[1]->BoundsRect();
    POINT a{v.left, hz.top}, b{v.right, hz.bottom};
    ::ClientToScreen(FBars[0]->Parent()->Handle(), &a);
    ::ClientToScreen(FBars[0]->Parent()->Handle(), &b);
    RECT wr;
    GetWindowRect(h, &wr);
    HDC dc = GetWindowDC(h);
    if (dc) {
      TCanvas c;
      c.SetHandle(dc);
      FillRectColor(&c, RECT{a.x - wr.left, a.y - wr.top, b.x - wr.left, b.y - wr.top}, FEngine->FormColor());
      c.SetHandle(nullptr);
      ReleaseDC(h, dc);
    }
  }
}
