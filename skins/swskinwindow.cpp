// Window objects of the form skin engine (swskinwindow.h).
#include "skins/swskinwindow.h"

#include <algorithm>
#include <cstring>

#include "platform/vcl/forms.h"
#include "platform/vcl/grids.h"
#include "platform/vcl/menus.h"
#include "platform/win/wingdi.h"
#include "skins/swskinctrls.h"
#include "skins/swskinengine.h"
#include "skins/swskinmdi.h"
#include "skins/swskinmenubar.h"
#include "skins/swskinres.h"

ORV_CLASS_IMPL(TswSkinWindow, TComponent)
ORV_CLASS_IMPL(TswSkinWindowVCL, TswSkinWindow)

namespace {

// Skin flag numbers.
enum { flFiveSect = 0, flBottomThree, flTitleRegion, flBottomRegion, flTitleButtonTrans };

int W_(const TBitmap* B) { return B && !B->Empty() ? B->Width() : 0; }
int H_(const TBitmap* B) { return B && !B->Empty() ? B->Height() : 0; }

void Put(TCanvas* C, TBitmap* B, int X, int Y) {
  if (!B || B->Empty()) return;
  BitBlt(C->Handle(), X, Y, B->Width(), B->Height(), B->Canvas()->Handle(), 0, 0, SRCCOPY);
}

void StretchTo(TCanvas* C, TBitmap* B, const RECT& R) {
  if (!B || B->Empty() || R.right <= R.left || R.bottom <= R.top) return;
  StretchBlt(C->Handle(), R.left, R.top, R.right - R.left, R.bottom - R.top, B->Canvas()->Handle(),
             0, 0, B->Width(), B->Height(), SRCCOPY);
}

std::unique_ptr<TBitmap> NewBitmap() {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  b->SetTransparentMode(tmFixed);
  return b;
}

}  // namespace

// ---- TswSkinWindow ----
TswSkinWindow::TswSkinWindow(TComponent* AOwner, TswSkinEngine* Engine, bool Dialog)
    : TComponent(AOwner), FEngine(Engine), FIsDialog(Dialog) {
  FCaptionBitmap = NewBitmap();
  FBottomBitmap = NewBitmap();
  FSkinOn = Engine->IsSkinActive();
}

TswSkinWindow::~TswSkinWindow() {
  *FAlive = false;
  FDestroying = true;
  ReleaseControls();
}

TswSkinControl* TswSkinWindow::SkinnerOf(const TControl* Control) const {
  for (const auto& s : FSkinners)
    if (s->Control() == Control) return s.get();
  return nullptr;
}

void TswSkinWindow::ReleaseControls() {
  while (!FSkinners.empty()) {
    std::unique_ptr<TswSkinControl> s = std::move(FSkinners.back());
    FSkinners.pop_back();
    if (TControl* c = s->Control()) {
      c->RemoveFreeNotification(this);
      s->Release();
      c->Invalidate();
    }
  }
}

void TswSkinWindow::UpdateControls() {
  for (const auto& s : FSkinners) {
    s->Update();
    s->SyncParentColor();
    if (auto* c = dynamic_cast<TWinControl*>(s->Control()); c && c->HandleAllocated())
      RedrawWindow(c->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE);
    else if (TControl* g = s->Control())
      g->Invalidate();
  }
}

int TswSkinWindow::CaptionHeight() const {
  return FHasCaption && FSkinOn ? FEngine->Metrics().CaptionHeight : 0;
}

void TswSkinWindow::SetSkinActive(bool On) {
  FSkinOn = On && FAllowed;
  if (FInitialized) {
    ApplySkinState();
    if (FSkinOn) SetRegion();
    return;
  }
  HWND h = GetHandle();
  if ((h && IsWindowVisible(h)) || InitializeAtOnce()) {
    SaveMetrics();
    FInitialized = true;
    SetSkinActive(FSkinOn);
  }
}

void TswSkinWindow::UpdateSkin() {
  FCaptionRegion = FEngine->SkinFlag(flTitleRegion);
  FBottomRegion = FEngine->SkinFlag(flBottomRegion);
  for (TBitmap* b : {FCaptionBitmap.get(), FBottomBitmap.get()}) {
    b->SetTransparentColor(FEngine->Metrics().TransColor);
  }
  FCaptionBitmap->SetTransparent(FCaptionRegion);
  FBottomBitmap->SetTransparent(FBottomRegion);
  if (FEngine->IsSkinActive() && FSkinOn) {
    PaintFrame();
    SetRegion();
  }
}

void TswSkinWindow::Command(int Element) {
  HWND h = GetHandle();
  switch (Element) {
    case swHotClose:
      PostMessage(h, WM_SYSCOMMAND, SC_CLOSE, 0);
      break;
    case swHotHelp:
      PostMessage(h, WM_SYSCOMMAND, SC_CONTEXTHELP, 0);
      break;
    case swHotMax:
      if (IsIconic(h))
        PostMessage(h, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
      else if (IsZoomed(h))
        PostMessage(h, WM_SYSCOMMAND, SC_RESTORE, 0);
      else if (FShowsMax)
        PostMessage(h, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
      break;
    case swHotMin:
      PostMessage(h, WM_SYSCOMMAND, IsIconic(h) ? SC_RESTORE : SC_MINIMIZE, 0);
      break;
    default:
      break;
  }
}

int TswSkinWindow::ElementAt(int X, int Y) const {
  for (int e = 0; e < 5; ++e) {
    const RECT& r = FElementRect[e];
    if (r.right > r.left && X >= r.left && X < r.right && Y >= r.top && Y < r.bottom) return e;
  }
  return swHotNone;
}

void TswSkinWindow::WndProc(TMessage& M) {
  if (!FInitialized && !InitializeAtOnce() && M.Msg == WM_PAINT) {
    SaveMetrics();
    FInitialized = true;
    SetSkinActive(FSkinOn);
  }
  if (M.Msg == WM_NULL) return;
  if (!FEngine->IsSkinActive() || !FAllowed || !FSkinOn) {
    CallDefaultProc(M);
    return;
  }
  HWND h = GetHandle();
  RECT proposed{};
  switch (M.Msg) {
    case WM_NCPAINT:
      // A window with a menu bar of the window layer lets it paint that bar first (the skin's
      // own menu bar is not built); the skin's caption and borders go over the rest.
      if (GetMenu(h)) CallDefaultProc(M);
      PaintFrame();
      M.Result = 0;
      return;
    case WM_NCACTIVATE:
      FActive = M.WParam != 0;
      PaintFrame();
      // An MDI form lets its own procedure pass the activation on to its active document.
      if (HandlesNCActivate() && !IsMDIForm()) {
        M.Result = 1;
        return;
      }
      break;
    case WM_NCLBUTTONDOWN:
      FPressed = true;
      PaintFrame();
      if (FHot != swHotNone || M.WParam != HTCAPTION || IsZoomed(h)) {
        if (M.WParam == HTCAPTION || FHot != swHotNone) M.WParam = HTNOWHERE;
      }
      SetActiveWindow(h);
      break;
    case WM_NCLBUTTONDBLCLK:
      PaintFrame();
      if (FHot == swHotNone && M.WParam == HTCAPTION) {
        Command(swHotMax);
        FPressed = false;
        PaintFrame();
        return;
      }
      if (FHot == swHotIcon) {
        Command(swHotClose);
        FPressed = false;
        return;
      }
      M.WParam = HTNOWHERE;
      break;
    case WM_CTLCOLORDLG:
      M.Result = reinterpret_cast<LRESULT>(FEngine->FormBrush());
      return;
    case SWM_ISSKINNED:
      M.Result = 1;
      return;
    case SWM_CAPTIONSTATE:
      M.Result = FActive ? 1 : 2;
      return;
    case SWM_MENUBARHEIGHT:
      M.Result = GetMenuBarHeight();
      return;
    case SWM_MDIFRAMEREPAINT:
      if (IsMDIForm()) PaintFrame();
      M.Result = 0;
      return;
    case WM_NCCALCSIZE:
      if (M.WParam && M.LParam)
        proposed = reinterpret_cast<NCCALCSIZE_PARAMS*>(M.LParam)->rgrc[0];
      break;
    default:
      break;
  }
  const std::shared_ptr<bool> alive = FAlive;
  if (!BeforeMessage(M)) return;
  if (!*alive) return;
  CallDefaultProc(M);
  if (!*alive) return;
  switch (M.Msg) {
    case WM_DESTROY:
    case WM_ACTIVATEAPP:
    case WM_COMMAND:
    case WM_SYSCOMMAND:
    case CM_RELEASE:
      return;
    default:
      break;
  }
  AfterMessage(M);
  switch (M.Msg) {
    case WM_ACTIVATE:
      FActive = LOWORD(M.WParam) != WA_INACTIVE;
      PaintFrame();
      SetRegion();
      break;
    case WM_NCACTIVATE:
      // Reached only when the window's own procedure answered it: the skin goes over its frame.
      FActive = M.WParam != 0;
      PaintFrame();
      break;
    case WM_SIZE:
      // The region and the frame follow the new size.
      PaintFrame();
      SetRegion();
      break;
    case WM_NCCALCSIZE:
      if (M.WParam && M.LParam && !(FIsDialog && !FInitialized)) {
        auto* p = reinterpret_cast<NCCALCSIZE_PARAMS*>(M.LParam);
        const int x = proposed.left, y = proposed.top;
        const int cx = proposed.right - proposed.left, cy = proposed.bottom - proposed.top;
        const TswSkinMetrics& m = FEngine->Metrics();
        const int hc = CaptionHeight(), t = FTopFrame;
        RECT r = p->rgrc[0];
        const bool mdiMax = IsMaximizedMDIChild();
        if (mdiMax) {
          r.top = 0;  // the caption lies above the client window
        } else if (hc == 0) {
          r.top = y;
        } else if (t > 0) {
          r.top = y + std::max(hc, t);
          FMenuZoneOffset = t > hc ? t - hc : 0;
        }
        if (FHasBorder && (IsMDIForm() || IsMDIChild()) && FSideFrame > 0) {
          // MDI windows keep the frames they had before the skin (the client window fits them).
          r.left = x + std::max(m.LeftBorder, FSideFrame);
          r.right = x + cx - std::max(m.RightBorder, FSideFrame);
          r.bottom = y + cy - std::max(m.BottomBorder, FBottomFrame);
        } else if (FHasBorder) {
          r.left = x + std::max(m.LeftBorder, 4);
          r.right = x + cx - std::max(m.RightBorder, 4);
          r.bottom = y + cy - std::max(m.BottomBorder, 4);
        } else {
          r.left = x;
          r.right = x + cx;
          if (t > 0) r.bottom = y + cy;
        }
        if (r.bottom < r.top) r.bottom = r.top;
        if (r.right < r.left) r.right = r.left;
        p->rgrc[0] = r;
        p->rgrc[1] = r;
        M.Result = WVR_VALIDRECTS;
      } else if (!M.WParam) {
        M.Result = 0;
      }
      break;
    case WM_NCMOUSEMOVE:
      if (M.WParam == HTCAPTION) {
        if (FPressed) {
          PaintFrame();
          if (FHot == swHotNone) FPressed = false;
        }
        PaintFrame();
      }
      break;
    case WM_NCLBUTTONUP: {
      FPressed = false;
      PaintFrame();
      if (FHot == swHotIcon) {
        // The system menu under the icon, at the client origin.
        POINT o{0, 0};
        ClientToScreen(h, &o);
        RECT wr;
        GetWindowRect(h, &wr);
        FEngine->PopupSystemMenu(this, std::max<int>(wr.left, 0), o.y);
      } else {
        Command(FHot);
      }
      break;
    }
    case WM_NCRBUTTONUP:
      PaintFrame();
      if (M.WParam == HTCAPTION && FHot == swHotNone)
        FEngine->PopupSystemMenu(this, static_cast<int16_t>(LOWORD(M.LParam)),
                                 static_cast<int16_t>(HIWORD(M.LParam)));
      break;
    case WM_SETTEXT:
    case CM_TEXTCHANGED:
      PaintFrame();
      SetRegion();
      break;
    case WM_NCHITTEST: {
      // Inside the skin's caption band the caption (or its buttons) answers, except on the
      // sizing edges the system reports.
      POINT pt{static_cast<int16_t>(LOWORD(M.LParam)), static_cast<int16_t>(HIWORD(M.LParam))};
      RECT wr;
      GetWindowRect(h, &wr);
      const int x = pt.x - wr.left, y = pt.y - wr.top;
      const int hc = CaptionHeight();
      const int by = FEngine->Metrics().ButtonY;
      if (by <= 3 && (M.Result == HTTOP || M.Result == HTTOPRIGHT) && y < 8 && y >= by &&
          x >= FButtonStripLeft && x <= (wr.right - wr.left) - FEngine->Metrics().ButtonX)
        M.Result = HTCAPTION;
      else if (y >= 0 && y < hc && M.Result != HTTOP && M.Result != HTTOPLEFT &&
               M.Result != HTTOPRIGHT && M.Result != HTLEFT && M.Result != HTRIGHT)
        M.Result = HTCAPTION;
      break;
    }
    default:
      break;
  }
}

void TswSkinWindow::PaintFrame() {
  if (!FEngine->IsSkinActive() || !FSkinOn || !FAllowed) return;
  HWND h = GetHandle();
  if (!h) return;
  RECT wr;
  GetWindowRect(h, &wr);
  const int W = wr.right - wr.left, H = wr.bottom - wr.top;
  if (W <= 0 || H <= 0) return;
  const TswSkinMetrics& m = *&FEngine->Metrics();
  const int Hc = CaptionHeight(), T = FTopFrame, L = m.LeftBorder, R = m.RightBorder;
  const int B = m.BottomBorder;
  const bool iconic = IsIconic(h), zoomed = IsZoomed(h);
  const bool five = FEngine->SkinFlag(flFiveSect);
  TBitmap* buttons = FEngine->SkinBitmap(bmButtons);
  const int cw = W_(buttons) / 18, ch = H_(buttons);
  const int n = (HasCloseButton() ? 1 : 0) + (HasMaximizeButton() ? 1 : 0) +
                (HasMinimizeButton() ? 1 : 0);
  int Wb = n > 0 ? n * cw + 2 * (n - 1) + 15 : 13;
  HDC dc = GetWindowDC(h);
  if (!dc) return;
  TCanvas win;
  win.SetHandle(dc);
  const TColor formColor = FEngine->FormColor();

  // Mouse position in window coordinates.
  POINT mouse{-1, -1};
  GetCursorPos(&mouse);
  mouse.x -= wr.left;
  mouse.y -= wr.top;
  for (RECT& r : FElementRect) r = RECT{0, 0, 0, 0};
  FShowsMax = FShowsMin = FShowsClose = false;

  if (IsMaximizedMDIChild()) {
    // Its caption is hidden above the client window: the MDI form shows the buttons instead.
    if (TCustomForm* mf = Application()->MainForm(); mf && mf->HandleAllocated())
      PostMessage(mf->Handle(), SWM_MDIFRAMEREPAINT, 0, 0);
  } else if (FHasCaption) {
    RECT menuRow{};
    const bool menuBar = GetMenuBarRect(h, &menuRow) != FALSE;
    const int CB = iconic ? H : menuBar ? Hc : std::max(Hc, T);
    FCaptionBitmap->SetSize(W, std::max(CB, 1));
    TCanvas* c = FCaptionBitmap->Canvas();
    FillRectColor(c, RECT{0, 0, W, CB}, formColor);
    const int iconX = std::max(m.IconX, 0);
    int iconY = m.IconY <= 3 ? 4 : m.IconY;
    int buttonY = m.ButtonY;
    if (iconic) {
      iconY = std::max((26 - ch) / 2, 0);
      if (iconY + ch < 22) iconY += 2;
      buttonY = iconY;
    }
    const int textX = HasIcon() ? iconX + 20 : iconX;
    char text[260] = {};
    GetWindowTextA(h, text, sizeof text);
    // Caption font: the system caption font.
    NONCLIENTMETRICSA ncm;
    if (SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0))
      c->Font()->SetLogFont(ncm.lfCaptionFont);
    TBitmap* t1 = FEngine->SkinBitmap(bmTitle1);
    TBitmap* right = FEngine->SkinBitmap(five ? bmTitle5 : bmTitle3);
    if (five) Wb += W_(FEngine->SkinBitmap(bmTitle3));
    const std::string shown = EllipsizeText(c, text, W - textX - Wb - 4);
    int lastPieceH = Hc;
    if (iconic) {
      StretchTo(c, FEngine->SkinBitmap(bmMinimized), RECT{0, 0, W, H});
    } else if (W - Wb < W_(t1)) {
      // Narrow window: the right end piece and the stretched left piece.
      const int wr_ = W_(right);
      if (W - wr_ > L) {
        Put(c, right, W - wr_, 0);
      } else if (right) {
        BitBlt(c->Handle(), L, 0, W - L, H_(right), right->Canvas()->Handle(), wr_ - (W - L), 0,
               SRCCOPY);
      }
      StretchTo(c, t1, RECT{L, 0, std::max(L, W - wr_), H_(t1)});
      lastPieceH = H_(t1);
    } else if (!five) {
      Put(c, right, W - W_(right), 0);
      Put(c, t1, 0, 0);
      if (W - W_(right) > W_(t1))
        StretchTo(c, FEngine->SkinBitmap(bmTitle2), RECT{W_(t1), 0, W - W_(right), H_(t1)});
      lastPieceH = H_(right);
    } else {
      Put(c, t1, 0, 0);
      Put(c, right, W - W_(right), 0);
      TBitmap* t3 = FEngine->SkinBitmap(bmTitle3);
      const int textEnd = std::max(textX + c->TextWidth(shown) + 2, W_(t1));
      StretchTo(c, FEngine->SkinBitmap(bmTitle2), RECT{W_(t1), 0, textEnd, H_(t1)});
      Put(c, t3, textEnd, 0);
      StretchTo(c, FEngine->SkinBitmap(bmTitle4),
                RECT{textEnd + W_(t3), 0, W - W_(right), H_(t1)});
      lastPieceH = H_(right);
    }
    if (!iconic && lastPieceH < CB) {
      if (!FHasBorder)
        FillRectColor(c, RECT{0, lastPieceH, W, CB}, formColor);
      else
        FillRectColor(c, RECT{L, lastPieceH + FMenuZoneOffset, W - R, CB}, formColor);
    }
    // Caption elements, hot one from the mouse.
    if (HasIcon()) FElementRect[swHotIcon] = RECT{iconX, iconY, iconX + 16, iconY + 16};
    int x = iconic ? W - 5 - cw : W - m.ButtonX - cw;
    auto place = [&](int Element) {
      FElementRect[Element] = RECT{x, buttonY, x + cw, buttonY + ch};
      x -= cw + 2;
    };
    if (HasCloseButton()) place(swHotClose);
    if (HasMaximizeButton()) place(swHotMax);
    if (HasMinimizeButton()) place(swHotMin);
    if (HasHelpButton()) place(swHotHelp);
    FButtonStripLeft = x + cw + 2;
    FHot = ElementAt(mouse.x, mouse.y);
    const bool trans = FEngine->SkinFlag(flTitleButtonTrans);
    auto cell = [&](int Element, int First) {
      const RECT& r = FElementRect[Element];
      if (r.right <= r.left) return;
      const int k = FHot == Element ? (FPressed ? First + 2 : First + 1) : First;
      TBitmap b;
      if (!FEngine->SkinBitmapCell(bmButtons, k, 18, &b)) return;
      if (trans)
        TransparentBlt(c->Handle(), r.left, r.top, cw, ch, b.Canvas()->Handle(), 0, 0, cw, ch,
                       static_cast<UINT>(m.TransColor));
      else
        BitBlt(c->Handle(), r.left, r.top, cw, ch, b.Canvas()->Handle(), 0, 0, SRCCOPY);
    };
    if (HasCloseButton()) {
      cell(swHotClose, 16);
      FShowsClose = true;
    }
    if (HasMaximizeButton()) {
      cell(swHotMax, zoomed ? 10 : 7);
      FShowsMax = true;
    }
    if (HasMinimizeButton()) {
      cell(swHotMin, iconic ? 10 : 13);
      FShowsMin = true;
    }
    if (HasHelpButton()) cell(swHotHelp, 4);
    if (HasIcon()) DrawCaptionIcon(c, iconX, iconY);
    // Caption text.
    c->Brush()->SetStyle(bsClear);
    c->Font()->SetColor(FActive ? m.CaptionFontColor : clInactiveCaption);
    c->TextOut(textX, iconic ? 4 : m.CaptionTop, shown);
    c->Brush()->SetStyle(bsSolid);
    if (FCaptionRegion) {
      TBitmap shownCopy;
      shownCopy.SetPixelFormat(pf24bit);
      shownCopy.SetSize(W, CB);
      FillRectColor(shownCopy.Canvas(), RECT{0, 0, W, CB}, formColor);
      TransparentBlt(shownCopy.Canvas()->Handle(), 0, 0, W, CB, c->Handle(), 0, 0, W, CB,
                     static_cast<UINT>(m.TransColor));
      Put(&win, &shownCopy, 0, 0);
    } else {
      Put(&win, FCaptionBitmap.get(), 0, 0);
    }
  }
  if (FHasBorder && !iconic) {
    StretchTo(&win, FEngine->SkinBitmap(bmLeft), RECT{0, Hc, W_(FEngine->SkinBitmap(bmLeft)), H - B});
    TBitmap* rb = FEngine->SkinBitmap(bmRight);
    StretchTo(&win, rb, RECT{W - W_(rb), Hc, W, H - B});
    // The strips between the skin's borders and the client area.
    const bool mdiFrames = (IsMDIForm() || IsMDIChild()) && FSideFrame > 0;
    const int cl = std::max(L, mdiFrames ? FSideFrame : 4), cr = std::max(R, mdiFrames ? FSideFrame : 4);
    const int cb = std::max(B, mdiFrames ? FBottomFrame : 4);
    if (cl > L) FillRectColor(&win, RECT{L, Hc, cl, H - cb}, formColor);
    if (cr > R) FillRectColor(&win, RECT{W - cr, Hc, W - R, H - cb}, formColor);
    if (cb > B) FillRectColor(&win, RECT{cl, H - cb, W - cr, H - B}, formColor);
    if (mdiFrames && GetMenuBarHeight() > 0) {
      // Beside the menu bar the wider frame of an MDI window carries the bar's background.
      const int y0 = Hc + FMenuZoneOffset, y1 = y0 + GetMenuBarHeight();
      auto band = [&](const RECT& r) {
        if (r.right <= r.left) return;
        TBitmap* bar = FEngine->SkinBitmap(14);
        const TColor start = FEngine->SkinColor(3), end = FEngine->SkinColor(4);
        if (bar && !bar->Empty()) StretchTo(&win, bar, r);
        else if (start != end) GradientVertical(&win, r, start, end);
        else FillRectColor(&win, r, start);
      };
      if (cl > L) band(RECT{L, y0, cl, y1});
      if (cr > R) band(RECT{W - cr, y0, W - R, y1});
    }
    FBottomBitmap->SetSize(W, std::max(B, 1));
    TCanvas* bc = FBottomBitmap->Canvas();
    FillRectColor(bc, RECT{0, 0, W, B}, formColor);
    if (FEngine->SkinFlag(flBottomThree)) {
      TBitmap* b1 = FEngine->SkinBitmap(bmBottom1);
      TBitmap* b3 = FEngine->SkinBitmap(bmBottom3);
      Put(bc, b1, 0, 0);
      Put(bc, b3, W - W_(b3), 0);
      StretchTo(bc, FEngine->SkinBitmap(bmBottom2), RECT{W_(b1), 0, W - W_(b3), B});
    } else {
      DrawThreeFramesH(FEngine->SkinBitmap(bmBottom1), bc, RECT{0, 0, W, B}, m.TransColor, false);
    }
    if (FBottomRegion) {
      TBitmap shownCopy;
      shownCopy.SetPixelFormat(pf24bit);
      shownCopy.SetSize(W, B);
      FillRectColor(shownCopy.Canvas(), RECT{0, 0, W, B}, formColor);
      TransparentBlt(shownCopy.Canvas()->Handle(), 0, 0, W, B, bc->Handle(), 0, 0, W, B,
                     static_cast<UINT>(m.TransColor));
      Put(&win, &shownCopy, 0, H - B);
    } else {
      Put(&win, FBottomBitmap.get(), 0, H - B);
    }
  }
  win.SetHandle(nullptr);
  ReleaseDC(h, dc);
}

void TswSkinWindow::SetRegion() {
  HWND h = GetHandle();
  if (!h || !FSkinOn || !FEngine->IsSkinActive()) return;
  RECT wr;
  GetWindowRect(h, &wr);
  const int W = wr.right - wr.left, H = wr.bottom - wr.top;
  if (!FCaptionRegion && !FBottomRegion) {
    SetWindowRgn(h, CreateRectRgn(0, 0, W, H), TRUE);
    return;
  }
  const TswSkinMetrics& m = FEngine->Metrics();
  // The caption and bottom images must be those of the current size.
  if (FCaptionBitmap->Width() != W || FBottomBitmap->Width() != W) PaintFrame();
  SkinSetWindowRegion(h, FCaptionBitmap.get(), FBottomBitmap.get(), FCaptionRegion,
                      FBottomRegion, m.TitleRegionMin, m.TitleRegionMax, m.BottomRegionMin,
                      m.BottomRegionMax, m.TransColor, H, W);
}

// ---- TswSkinWindowVCL ----
TswSkinWindowVCL::TswSkinWindowVCL(TCustomForm* Form, TswSkinEngine* Engine, bool Dialog)
    : TswSkinWindow(Form == Engine->Owner() ? nullptr : Form, Engine, Dialog), FForm(Form) {
  FAllowed = Form->Tag() != Engine->DisabledTag();
  if (Form == Engine->Owner()) Form->FreeNotification(this);
  Attach();
  SkinControls();
  SetSkinActive(FSkinOn);
}

TswSkinWindowVCL::~TswSkinWindowVCL() {
  FDestroying = true;
  FEngine->RemoveWindow(this);
  if (FForm) {
    SetSkinActive(false);
    ReleaseControls();
    Detach();
    FForm->RemoveFreeNotification(this);
  }
}

void TswSkinWindowVCL::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FForm) FForm = nullptr;
  if (AComponent == FMenuBar) FMenuBar = nullptr;
  // Multiple-document parts.
  for (auto*& b : FMDIButtons)
    if (AComponent == b) b = nullptr;
  FWindowItems.erase(std::remove(FWindowItems.begin(), FWindowItems.end(), AComponent), FWindowItems.end());
  if (AComponent == FSavedWindowMenu) {
    FSavedWindowMenu = nullptr;
    FWindowItems.clear();  // they went with it
  }
  if (AComponent == FChildMenu) {
    FChildMenu = nullptr;
    if (FSavedMenu && FMenuBar) BuildMenuBar();
  }
  FShifted.erase(std::remove_if(FShifted.begin(), FShifted.end(),
                                [AComponent](const auto& e) { return e.first == AComponent; }),
                 FShifted.end());
  if (AComponent == FSavedMenu) {
    // The menu goes: so do the bar's buttons that stood for its items.
    FSavedMenu = nullptr;
    if (FMenuBar) FMenuBar->Build({});
  }
  FMenus.erase(std::remove(FMenus.begin(), FMenus.end(), AComponent), FMenus.end());
  // A control freed while skinned takes its skinner along; nothing routes to it any more.
  for (auto it = FSkinners.begin(); it != FSkinners.end(); ++it)
    if ((*it)->Control() == AComponent) {
      (*it)->ControlGone();
      FSkinners.erase(it);
      break;
    }
}

void TswSkinWindowVCL::AfterMessage(TMessage& M) {
  if (MDIAfterMessage(M)) return;
  // The main form's engine skins every open form when the main form is first shown.
  if (M.Msg == WM_SHOWWINDOW && M.WParam && !FSwept && FForm &&
      FForm == Application()->MainForm() && FEngine->SkinAllForms() && FEngine->Owner() == FForm) {
    FSwept = true;
    FEngine->SkinAllScreenForms();
  }
}

void TswSkinWindowVCL::SkinControls() { SkinOwnedControls(FForm); }

void TswSkinWindowVCL::SkinOwnedControls(TComponent* Owner) {
  const int tag = FEngine->DisabledTag();
  for (int i = 0; i < Owner->ComponentCount(); ++i) {
    auto* c = dynamic_cast<TControl*>(Owner->Components(i));
    if (!c || (tag != 0 && c->Tag() == tag) || SkinnerOf(c) || !c->Parent()) continue;
    // The engine's own helper controls are skinned only where they stand for a control.
    const std::string cls = c->ClassName();
    if (cls.rfind("Tsw", 0) == 0 && cls != "TswSkinInternalUpDown") continue;
    auto* wc = dynamic_cast<TWinControl*>(c);
    if (wc && wc->HandleAllocated() && wc->Perform(SWM_ISSKINNED, 0, 0) == 1) continue;
    std::unique_ptr<TswSkinControl> s = FindControlSkinner(c, this, FEngine);
    if (!s) continue;
    c->FreeNotification(this);
    TswSkinControl* raw = s.get();
    FSkinners.push_back(std::move(s));
    raw->Start();
    // The controls a control owns (a picker's spin buttons) are skinned too; a grid's are not.
    if (!dynamic_cast<TCustomGrid*>(c)) SkinOwnedControls(c);
  }
}

HWND TswSkinWindowVCL::GetHandle() const {
  return FForm && FForm->HandleAllocated() ? FForm->Handle() : nullptr;
}

void TswSkinWindowVCL::Attach() {
  // The menu bar that shows the form's main menu while skinned: first among the top-aligned
  // controls, hidden until a menu is built on it.
  FMenuBar = new TswSkinMenuBar(this, FEngine);
  FMenuBar->FreeNotification(this);
  FMenuBar->SetTop(-100);
  FMenuBar->SetParent(FForm);
  // Top-aligned controls are laid out in their order: the bar goes first, above tool bars.
  FMenuBar->SendToBack();
  FMenuBar->OnCustomDraw = [this](TToolBar* S, const RECT& R, bool& D) { PaintMenuBar(S, R, D); };
  FMenuBar->OnCustomDrawButton = [this](TToolBar* S, TToolButton* B, TCustomDrawState St, bool& D) {
    PaintMenuButton(S, B, St, D);
  };
  AttachMDI();
  // The hidden main menu's shortcuts still work while the form is active (a document's go
  // through the MDI form's merged menu).
  if (!IsMDIChild()) FAppEvents = new TApplicationEvents(nullptr);
  if (FAppEvents)
  FAppEvents->OnMessage = [this](MSG& Msg, bool& Handled) {
    if (Handled || !FSavedMenu || !FForm || !FEngine->IsSkinActive() || !FSkinOn) return;
    if (Msg.message != WM_KEYDOWN && Msg.message != WM_SYSKEYDOWN) return;
    if (!FForm->HandleAllocated() || SendMessage(FForm->Handle(), SWM_CAPTIONSTATE, 0, 0) != 1 ||
        GetActiveWindow() != FForm->Handle())
      return;
    const WORD key = static_cast<WORD>(Msg.wParam);
    if (key == VK_SHIFT || key == VK_CONTROL || key == VK_MENU) return;
    if (FChildMenu && FChildMenu->IsShortCut(::ShortCut(key, KeyDataToShiftState(Msg.lParam)))) {
      Handled = true;
      return;
    }
    if (FSavedMenu->IsShortCut(::ShortCut(key, KeyDataToShiftState(Msg.lParam)))) {
      Handled = true;
      return;
    }
    // Alt with an item's accelerator opens that item of the bar, as on the menu row it left.
    if (Msg.message == WM_SYSKEYDOWN && FMenuBar && FMenuBar->Visible())
      if (TswSkinMenuBarButton* b = FMenuBar->ButtonOfAccelerator(key)) {
        FMenuBar->PostOpen(b);
        Handled = true;
      }
  };
  FOldWindowProc = FForm->WindowProc;
  FForm->WindowProc = [this](TMessage& M) { WndProc(M); };
}

void TswSkinWindowVCL::Detach() {
  DetachMDI();
  if (FForm) FForm->WindowProc = FOldWindowProc;
  delete FAppEvents;
  FAppEvents = nullptr;
  if (FMenuBar) {
    TswSkinMenuBar* bar = FMenuBar;
    FMenuBar = nullptr;
    bar->RemoveFreeNotification(this);
    delete bar;
  }
}

int TswSkinWindowVCL::GetMenuBarHeight() const {
  return FMenuBar && FMenuBar->Visible() ? FMenuBar->Height() : 0;
}

void TswSkinWindowVCL::BuildMenuBar() {
  if (!FMenuBar) return;
  std::vector<TMenuItem*> items;
  CollectMenuBarItems(items);
  FMenuBar->SetColor(FEngine->SkinColor(3));
  FMenuBar->Build(items);
  // A document's menu shows merged on its MDI form's bar, not on a bar of its own.
  if (IsMDIChild()) FMenuBar->SetVisible(false);
  if (IsMDIForm()) RebuildWindowList();
}

void TswSkinWindowVCL::SaveControlBounds() {
  FShifted.clear();
  for (int i = 0; i < FForm->ControlCount(); ++i) {
    TControl* c = FForm->Controls(i);
    if (c == FMenuBar || c->Align() != alNone) continue;
    c->FreeNotification(this);
    FShifted.emplace_back(c, c->BoundsRect());
  }
}

void TswSkinWindowVCL::PlaceControls(int Height) {
  // The client area grew by the bar's height, so every control keeps its size and its distance
  // from whichever edges it is anchored to by moving down by that height.
  for (const auto& [c, r] : FShifted)
    c->SetBounds(r.left, r.top + Height, r.right - r.left, r.bottom - r.top);
  if (Height != 0) return;
  for (const auto& entry : FShifted)
    if (!SkinnerOf(dynamic_cast<TWinControl*>(entry.first))) entry.first->RemoveFreeNotification(this);
  FShifted.clear();
}

void TswSkinWindowVCL::CallDefaultProc(TMessage& M) {
  const TWndMethod old = FOldWindowProc;  // stays callable if this object goes meanwhile
  if (old) old(M);
}

void TswSkinWindowVCL::SaveMetrics() {
  HWND h = FForm->Handle();
  RECT wr, cr;
  GetWindowRect(h, &wr);
  GetClientRect(h, &cr);
  POINT o{0, 0};
  ClientToScreen(h, &o);
  // The top frame without the window layer's menu row: the menu goes to the skinned bar.
  RECT row{};
  const bool moves = FForm->Menu() && FForm->Menu()->Tag() != FEngine->DisabledTag();
  const int menuRow = moves && GetMenuBarRect(h, &row) ? row.bottom - row.top : 0;
  FTopFrame = o.y - wr.top - menuRow;
  FSideFrame = o.x - wr.left;
  FBottomFrame = wr.bottom - (o.y + cr.bottom);
  FSavedClientWidth = cr.right;
  FSavedClientHeight = cr.bottom;
  TCustomForm* mf = Application()->MainForm();
  if (IsMDIChild() && mf && mf->ClientHandle()) {
    // A document keeps the frames of its MDI form, whose client window tells them.
    FTopFrame = static_cast<int>(SendMessage(mf->ClientHandle(), SWM_MDITOPFRAME, 0, 0));
    FBottomFrame = std::max(4, static_cast<int>(SendMessage(mf->ClientHandle(), SWM_MDIBOTTOMFRAME, 0, 0)));
    FSideFrame = std::max(4, static_cast<int>(SendMessage(mf->ClientHandle(), SWM_MDISIDEFRAME, 0, 0)));
    if (!FEngine->FSweeping || mf->MDIChildCount() == 1)
      PostMessage(mf->Handle(), SWM_MDICHILDMENU, reinterpret_cast<WPARAM>(h),
                  reinterpret_cast<LPARAM>(FForm->Menu()));
  }
}

bool TswSkinWindowVCL::HasIcon() const {
  return FForm && FForm->BorderIcons().Contains(biSystemMenu) &&
         (FForm->BorderStyle() == bsSingle || FForm->BorderStyle() == bsSizeable);
}
bool TswSkinWindowVCL::HasCloseButton() const {
  return FForm && FForm->BorderIcons().Contains(biSystemMenu);
}
// Maximize and minimize buttons: also with the system menu, and not on dialog or tool frames.
static bool SwWindowHasSizeButton(const TCustomForm* F, TBorderIcon Icon) {
  return F && F->BorderIcons().Contains(biSystemMenu) && F->BorderIcons().Contains(Icon) &&
         F->BorderStyle() != bsDialog && F->BorderStyle() != bsToolWindow &&
         F->BorderStyle() != bsSizeToolWin;
}
bool TswSkinWindowVCL::HasMaximizeButton() const { return SwWindowHasSizeButton(FForm, biMaximize); }
bool TswSkinWindowVCL::HasMinimizeButton() const { return SwWindowHasSizeButton(FForm, biMinimize); }

void TswSkinWindowVCL::ApplySkinState() {
  if (!FForm || !FForm->HandleAllocated()) return;
  HWND h = FForm->Handle();
  const bool on = FSkinOn && FEngine->IsSkinActive();
  if (on == FApplied) {
    if (on) SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER |
                                                   SWP_NOACTIVATE | SWP_FRAMECHANGED);
    return;
  }
  const int cw = FSavedClientWidth, chh = FSavedClientHeight;
  const int tag = FEngine->DisabledTag();
  const bool dying = FForm->ComponentState().Contains(csDestroying);
  int barHeight = 0;
  if (on) {
    FSavedColor = FForm->Color();
    FForm->SetColor(FEngine->FormColor());
    FApplied = true;
    // The main menu leaves the form for the skinned menu bar.
    if (TMainMenu* menu = FForm->Menu(); menu && menu->Tag() != tag) {
      SaveControlBounds();
      FSavedMenu = menu;
      FSavedMenu->FreeNotification(this);
      FForm->SetMenu(nullptr);
      FEngine->SkinMenu(FSavedMenu);
      BuildMenuBar();
      barHeight = GetMenuBarHeight();
    }
    for (int i = 0; i < FForm->ComponentCount(); ++i) {
      auto* m = dynamic_cast<TPopupMenu*>(FForm->Components(i));
      if (!m || m->Tag() == tag) continue;
      m->FreeNotification(this);
      FMenus.push_back(m);
      FEngine->SkinMenu(m);
    }
  } else {
    FForm->SetColor(FSavedColor);
    FApplied = false;
    SetWindowRgn(h, nullptr, TRUE);
    if (FMenuBar) FMenuBar->Build({});
    if (FSavedMenu) {
      TMainMenu* menu = FSavedMenu;
      FSavedMenu = nullptr;
      menu->RemoveFreeNotification(this);
      FEngine->UnskinMenu(menu);
      if (!dying) FForm->SetMenu(menu);
    }
    for (TMenu* m : FMenus) {
      FEngine->UnskinMenu(m);
      m->RemoveFreeNotification(this);
    }
    FMenus.clear();
  }
  SetWindowPos(h, nullptr, 0, 0, 0, 0,
               SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  // The client area keeps its size.
  if (cw > 0 && chh > 0 && FForm->WindowState() == wsNormal) {
    FForm->SetClientWidth(cw);
    FForm->SetClientHeight(chh + barHeight);
  }
  if (!on || barHeight > 0) PlaceControls(barHeight);
  MDIApplySkin(on);
  UpdateControls();
  if (on) {
    PaintFrame();
  } else {
    RedrawWindow(h, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
}
