// The skin control base: binding to a skin store, the off-screen paint pipeline, the geometry of
// custom-control descriptions and the window region of a mask (see ksskinctrls.h).
#include "skins/ksskinctrls.h"

#include "platform/rtl/typinfo.h"
#include "platform/win/wingdi.h"
#include "skins/ksskindata.h"
#include "skins/ksskinobjects.h"

ORV_CLASS_IMPL(TksSkinControl, TCustomControl)
ORV_CLASS_IMPL(TksSkinCustomControl, TksSkinControl)

// ---- TksSkinControl ----
TksSkinControl::TksSkinControl(TComponent* AOwner) : TCustomControl(AOwner) {}

TksSkinControl::~TksSkinControl() = default;

void TksSkinControl::Publish(TPublisher<TksSkinControl>& P) {
  P.Prop("SkinData", &TksSkinControl::SkinData, &TksSkinControl::SetSkinData);
  P.Prop("SkinDataName", &TksSkinControl::SkinDataName, &TksSkinControl::SetSkinDataName);
}

void TksSkinControl::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  // The store is going: forget it (the next paint draws the default look).
  if (Operation == opRemove && AComponent == FSD) FSD = nullptr;
}

void TksSkinControl::SetSkinData(TksSkinData* Value) {
  FSD = Value;
  if (Value) Value->FreeNotification(this);
  if (Value && !Value->Empty && !Designing()) ApplySkinData();
}

void TksSkinControl::SetSkinDataName(const std::string& Value) { FSkinDataName = Value; }

TksDataSkinControl* TksSkinControl::SkinDescription() const {
  if (!FSD || FIndex < 0 || FIndex >= static_cast<int>(FSD->CtrlList.size())) return nullptr;
  return FSD->CtrlList[static_cast<size_t>(FIndex)].get();
}

void TksSkinControl::FetchSkinData() {
  FIndex = FSD && !FSD->Empty ? FSD->IndexOfControl(FSkinDataName) : -1;
}

void TksSkinControl::DrawDefaultImage(TBitmap*) {}
void TksSkinControl::DrawSkinImage(TBitmap*) {}

void TksSkinControl::ApplySkinData() {
  FetchSkinData();
  Invalidate();
}

void TksSkinControl::Paint() {
  if (Width() <= 0 || Height() <= 0) return;
  FetchSkinData();
  TBitmap b;
  b.SetSize(Width(), Height());
  if (FIndex == -1)
    DrawDefaultImage(&b);
  else
    DrawSkinImage(&b);
  BitBlt(Canvas()->Handle(), 0, 0, Width(), Height(), b.Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TksSkinControl::AlignControls(TControl* AControl, RECT& Rect) {
  AdjustClientRect(Rect);
  TCustomControl::AlignControls(AControl, Rect);
}

void TksSkinControl::WndProc(TMessage& M) {
  // The paint covers every pixel: the background is never erased first.
  if (M.Msg == WM_ERASEBKGND) {
    M.Result = 1;
    return;
  }
  TCustomControl::WndProc(M);
}

// ---- TksSkinCustomControl ----
namespace {
// The largest skin rectangle coordinate accepted when the description has no picture.
constexpr int kMaxSkinExtent = 32767;
}  // namespace

TksSkinCustomControl::TksSkinCustomControl(TComponent* AOwner)
    : TksSkinControl(AOwner), FDefaultFont(std::make_unique<TFont>()) {
  FDefaultFont->SetName("Arial");
  FDefaultFont->SetHeight(14);
  FDefaultFont->SetStyle(TFontStyles{});
  FDefaultFont->OnChange = [this](TObject*) {
    DefaultFontChanged();
    FetchSkinData();
    if (FIndex == -1) Invalidate();
  };
}

TksSkinCustomControl::~TksSkinCustomControl() { FDefaultFont->OnChange = nullptr; }

void TksSkinCustomControl::Publish(TPublisher<TksSkinCustomControl>& P) {
  P.Prop("DefaultFont", &TksSkinCustomControl::DefaultFont, &TksSkinCustomControl::SetDefaultFont);
  P.Prop("DefaultWidth", &TksSkinCustomControl::DefaultWidth,
         &TksSkinCustomControl::SetDefaultWidth)
      .Default(0);
  P.Prop("DefaultHeight", &TksSkinCustomControl::DefaultHeight,
         &TksSkinCustomControl::SetDefaultHeight)
      .Default(0);
  P.Prop("UseSkinFont", &TksSkinCustomControl::UseSkinFont, &TksSkinCustomControl::SetUseSkinFont)
      .Default(true);
}

void TksSkinCustomControl::SetDefaultFont(TFont* Value) {
  // Assign raises the font's change notification, which repaints a control without a skin.
  FDefaultFont->Assign(Value);
  DefaultFontChanged();
}

void TksSkinCustomControl::SetDefaultWidth(int Value) {
  FDefaultWidth = Value;
  FetchSkinData();
  if (FIndex == -1 && Value > 0) SetWidth(Value);
}

void TksSkinCustomControl::SetDefaultHeight(int Value) {
  FDefaultHeight = Value;
  FetchSkinData();
  if (FIndex == -1 && Value > 0) SetHeight(Value);
}

void TksSkinCustomControl::FetchSkinData() {
  TksSkinControl::FetchSkinData();
  FPicture = FMaskPicture = nullptr;
  TksDataSkinControl* d = SkinDescription();
  if (!d) return;
  auto* c = dynamic_cast<TksDataSkinCustomControl*>(d);
  if (!c) {
    FResizeMode = 0;
    return;
  }
  FGeometry.LT = c->LTPoint;
  FGeometry.RT = c->RTPoint;
  FGeometry.LB = c->LBPoint;
  FGeometry.RB = c->RBPoint;
  FGeometry.SR = c->SkinRect;
  FGeometry.CR = c->ClRect;
  FStretchEffect = c->StretchEffect;
  FPicture = FSD->ActivePicture(c->PictureIndex);
  FMaskPicture = FSD->ActivePicture(c->MaskPictureIndex);
  // A skin rectangle reaching outside its picture (or past any real size) is broken: it is
  // treated like an empty one, so a damaged skin can neither size the control to absurd sizes
  // nor make a paint reserve a huge bitmap.
  const RECT& sr = FGeometry.SR;
  const bool outside = FPicture ? sr.right > FPicture->Width() || sr.bottom > FPicture->Height()
                                : sr.right > kMaxSkinExtent || sr.bottom > kMaxSkinExtent;
  if (IsEmptyRect(sr) || outside)
    FResizeMode = -1;
  else if (FGeometry.RB.x != 0 && FGeometry.RB.y != 0)
    FResizeMode = 1;
  else if (FGeometry.RT.x != 0 || FGeometry.RT.y != 0)
    FResizeMode = 2;
  else if (FGeometry.LB.x != 0 || FGeometry.LB.y != 0)
    FResizeMode = 3;
  else
    FResizeMode = 0;
}

void TksSkinCustomControl::CalcSkinSize(int& W, int& H) {
  if (FIndex == -1) return;
  TksSkinGeometry& g = FGeometry;
  switch (FResizeMode) {
    case 1:
      g.Fit(W, H);
      break;
    case 2:
      H = g.SH();
      g.Fit(W, H);
      g.NLB = g.LB;
      g.NRB = g.RB;
      g.NCR.bottom = g.CR.bottom;
      break;
    case 3:
      W = g.SW();
      g.Fit(W, H);
      g.NRT = g.RT;
      g.NRB = g.RB;
      g.NCR.right = g.CR.right;
      break;
    case 0:
      W = g.SW();
      H = g.SH();
      g.Fit(W, H);
      g.NCR = g.CR;
      break;
    default:
      break;
  }
}

RECT TksSkinCustomControl::FitRectToSize(const RECT& R) const {
  return ::FitRectToSize(R, FResizeMode, FGeometry, Width(), Height());
}

void TksSkinCustomControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  FetchSkinData();
  const bool fitted = FIndex != -1 && (AWidth != Width() || AHeight != Height());
  if (fitted) {
    CalcSkinSize(AWidth, AHeight);
    if (FResizeMode == 0) FGeometry.NCR = FGeometry.CR;
  }
  TksSkinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  if (fitted) {
    UpdateSkinRegion();
    Invalidate();
  }
}

void TksSkinCustomControl::ApplySkinData() {
  FetchSkinData();
  if (FIndex == -1) {
    if (FDefaultWidth > 0) SetWidth(FDefaultWidth);
    if (FDefaultHeight > 0) SetHeight(FDefaultHeight);
    UpdateSkinRegion();
    Invalidate();
    return;
  }
  int w = Width(), h = Height();
  CalcSkinSize(w, h);
  if (w != Width() || h != Height()) {
    SetBounds(Left(), Top(), w, h);
  } else {
    UpdateSkinRegion();
    Invalidate();
  }
}

void TksSkinCustomControl::CreateWnd() {
  TksSkinControl::CreateWnd();
  FSkinRegion = nullptr;
  UpdateSkinRegion();
}

void TksSkinCustomControl::UpdateSkinRegion() {
  if (!HandleAllocated()) return;
  if (!FMaskPicture || FIndex == -1 || FResizeMode < 0) {
    if (FSkinRegion) {
      // The window owns its region and deletes it when it is replaced.
      SetWindowRgn(Handle(), nullptr, TRUE);
      FSkinRegion = nullptr;
    }
    return;
  }
  HRGN rgn = nullptr;
  if (FResizeMode == 0) {
    // The mask is laid out like the picture: its part under the skin rectangle.
    TBitmap part;
    const RECT& sr = FGeometry.SR;
    part.SetSize(RectWidth(sr), RectHeight(sr));
    BitBlt(part.Canvas()->Handle(), 0, 0, RectWidth(sr), RectHeight(sr),
           FMaskPicture->Canvas()->Handle(), sr.left, sr.top, SRCCOPY);
    rgn = MaskRegion(&part);
  } else {
    rgn = MakeNinePartRegion(FGeometry, FResizeMode, Width(), Height(), FMaskPicture);
  }
  SetWindowRgn(Handle(), rgn, TRUE);
  FSkinRegion = rgn;
}

void TksSkinCustomControl::DrawDefaultImage(TBitmap* B) {
  TCanvas* c = B->Canvas();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(RECT{0, 0, B->Width(), B->Height()});
}

void TksSkinCustomControl::DrawSkinImage(TBitmap* B) {
  if (!FPicture) return;
  const int W = Width(), H = Height();
  const TksSkinGeometry& g = FGeometry;
  TBitmap part;
  switch (FResizeMode) {
    case 0:
      BitBlt(B->Canvas()->Handle(), 0, 0, g.SW(), g.SH(), FPicture->Canvas()->Handle(), g.SR.left,
             g.SR.top, SRCCOPY);
      return;
    case 1:
      if (FForceBackground) return;
      MakeNinePart(g, true, W, H, FPicture, &part);
      break;
    case 2:
      MakeThreePartH(g.LT.x, g.SW() - g.RT.x, &part, FStretchEffect, W, g.SR, FPicture);
      break;
    case 3:
      MakeThreePartV(g.LT.y, g.SH() - g.LB.y, &part, FStretchEffect, H, g.SR, FPicture);
      break;
    default:
      return;
  }
  BitBlt(B->Canvas()->Handle(), 0, 0, part.Width(), part.Height(), part.Canvas()->Handle(), 0, 0,
         SRCCOPY);
}

void TksSkinCustomControl::Paint() {
  const int W = Width(), H = Height();
  if (W < 1 || H < 1) return;
  FetchSkinData();
  int w = W, h = H;
  CalcSkinSize(w, h);
  if (FIndex == -1 || !FForceBackground || FResizeMode != 1) {
    TksSkinControl::Paint();
    return;
  }
  PaintEdgeStrips();
}

// Large skins: the four edge strips around the client area, the caption drawn on the top strip,
// the skin's client part tiled over the fitted client rectangle; composed off-screen and copied
// in one blit.
void TksSkinCustomControl::PaintEdgeStrips() {
  const int W = Width(), H = Height();
  TBitmap top, left, right, bottom, whole;
  whole.SetSize(W, H);
  MakeEdgeStrips(FGeometry, TksStretchFlags{}, W, H, FPicture,
                 TksEdgeStrips{&top, &left, &right, &bottom});
  DrawSkinImage(&top);
  HDC d = whole.Canvas()->Handle();
  if (FDrawBackground && FPicture) {
    RECT tile = FGeometry.CR;
    OffsetRect(&tile, FGeometry.SR.left, FGeometry.SR.top);
    TileBitmap(&whole, FGeometry.NCR, FPicture, tile);
  }
  auto put = [&](TBitmap& Strip, int X, int Y) {
    if (!Strip.Empty())
      BitBlt(d, X, Y, Strip.Width(), Strip.Height(), Strip.Canvas()->Handle(), 0, 0, SRCCOPY);
  };
  put(top, 0, 0);
  put(left, 0, top.Height());
  put(right, W - right.Width(), top.Height());
  put(bottom, 0, H - bottom.Height());
  BitBlt(Canvas()->Handle(), 0, 0, W, H, d, 0, 0, SRCCOPY);
}

void TksSkinCustomControl::PrepareCaptionFont(TFont* Font, const TksSkinFontData* SkinFont) {
  Font->Assign(FDefaultFont.get());
  if (SkinFont) {
    if (FUseSkinFont) {
      Font->SetName(SkinFont->Name);
      Font->SetHeight(SkinFont->Height);
      Font->SetStyle(SkinFont->Style);
    }
    Font->SetColor(SkinFont->Color);
  }
  if (FSD && FSD->ResourceStrData()) Font->SetCharset(FSD->ResourceStrData()->CharSet());
}
