// Skin reader, resource holders and drawing functions of the form skin engine (swskinres.h).
#include "skins/swskinres.h"

#include <algorithm>

#include "platform/rtl/fileutils.h"
#include "platform/win/gdi_user.h"
#include "platform/win/wingdi.h"
#include "platform/win/winuser.h"
#include "skins/swskinfile.h"

// ---- reader ----
TswSkinReader::TswSkinReader(const std::string& FileName, const std::string& Password) {
  Load(FileName, Password);
}

TswSkinReader::~TswSkinReader() = default;

void TswSkinReader::Load(const std::string& FileName, const std::string& Password) {
  FFile.reset();
  FLoaded = false;
  if (!FileName.empty() && FileExists(FileName)) {
    FFile = std::make_unique<Tsk2SkinFileReader>(FileName, Password);  // errors propagate
    const TColor trans = static_cast<TColor>(GetColor(0));
    FFile->SetTransparentColor(trans);
    FLoaded = true;
    if (TBitmap* track = GetBitmap(23)) ReplaceBitmapColor(track, trans, GetColor(2));
  }
  if (OnLoad) OnLoad(this);
}

TBitmap* TswSkinReader::GetBitmap(int Number) const {
  return FFile ? FFile->GetBitmap(SkinKeyName(SkinBitmapBase + (Number & 127))) : nullptr;
}
int TswSkinReader::GetColor(int Number) const {
  return FFile ? FFile->GetInteger(SkinKeyName(SkinColorBase + (Number & 127))) : -1;
}
int TswSkinReader::GetInteger(int Number) const {
  return FFile ? FFile->GetInteger(SkinKeyName(SkinMetricBase + (Number & 127))) : -1;
}
int TswSkinReader::GetBool(int Number) const {
  return FFile ? FFile->GetByte(SkinKeyName(SkinFlagBase + (Number & 127))) : 0;
}

// ---- pixel helpers over 24-bit bitmaps ----
namespace {

TColor Pixel24(TBitmap* B, int X, int Y) {
  const uint8_t* p = static_cast<const uint8_t*>(B->ScanLine(Y)) + X * 3;
  return static_cast<TColor>(p[2] | (p[1] << 8) | (p[0] << 16));
}

void SetPixel24(TBitmap* B, int X, int Y, TColor C) {
  uint8_t* p = static_cast<uint8_t*>(B->ScanLine(Y)) + X * 3;
  p[2] = static_cast<uint8_t>(C & 0xFF);
  p[1] = static_cast<uint8_t>((C >> 8) & 0xFF);
  p[0] = static_cast<uint8_t>((C >> 16) & 0xFF);
}

std::unique_ptr<TBitmap> Copy24(TBitmap* Source) {
  auto b = std::make_unique<TBitmap>();
  if (Source && !Source->Empty()) {
    b->Assign(Source);
    b->SetPixelFormat(pf24bit);
  }
  return b;
}

std::unique_ptr<TBitmap> Empty24() {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(pf24bit);
  return b;
}

// Rotation by a pixel mapping into a new W' x H' picture.
template <class Map>
void Rotate(TBitmap* B, bool Swap, Map M) {
  if (!B || B->Empty()) return;
  B->SetPixelFormat(pf24bit);
  const int w = B->Width(), h = B->Height();
  TBitmap out;
  out.SetPixelFormat(pf24bit);
  out.SetSize(Swap ? h : w, Swap ? w : h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      POINT t = M(x, y, w, h);
      SetPixel24(&out, t.x, t.y, Pixel24(B, x, y));
    }
  B->Assign(&out);
}

void Blit(TCanvas* C, int X, int Y, int W, int H, TBitmap* B, int SX, int SY, int SW, int SH,
          bool Transparent, TColor Mask) {
  if (W <= 0 || H <= 0 || SW <= 0 || SH <= 0 || !B || B->Empty()) return;
  HDC src = B->Canvas()->Handle();
  HDC dst = C->Handle();
  if (Transparent)
    TransparentBlt(dst, X, Y, W, H, src, SX, SY, SW, SH, static_cast<UINT>(Mask));
  else
    StretchBlt(dst, X, Y, W, H, src, SX, SY, SW, SH, SRCCOPY);
}

}  // namespace

void ReplaceBitmapColor(TBitmap* Bitmap, TColor Color, TColor NewColor) {
  if (!Bitmap || Bitmap->Empty()) return;
  Bitmap->SetPixelFormat(pf24bit);
  for (int y = 0; y < Bitmap->Height(); ++y)
    for (int x = 0; x < Bitmap->Width(); ++x)
      if (Pixel24(Bitmap, x, y) == Color) SetPixel24(Bitmap, x, y, NewColor);
}

void CutFrame(TBitmap* Strip, TBitmap* Target, int Count, int Number) {
  if (!Strip || Strip->Empty() || !Target || Count <= 0 || Number < 1 || Number > Count) return;
  const int fw = Strip->Width() / Count;
  Target->SetPixelFormat(pf24bit);
  Target->SetSize(fw, Strip->Height());
  if (fw <= 0) return;
  BitBlt(Target->Canvas()->Handle(), 0, 0, fw, Strip->Height(), Strip->Canvas()->Handle(),
         (Number - 1) * fw, 0, SRCCOPY);
}

void RotateBitmapCCW(TBitmap* B) {
  Rotate(B, true, [](int x, int y, int w, int) { return POINT{y, w - 1 - x}; });
}
void RotateBitmapCW(TBitmap* B) {
  Rotate(B, true, [](int x, int y, int, int h) { return POINT{h - 1 - y, x}; });
}
void RotateBitmap180(TBitmap* B) {
  Rotate(B, false, [](int x, int y, int w, int h) { return POINT{w - 1 - x, h - 1 - y}; });
}

bool IsRowUniform(TBitmap* B) {
  if (!B || B->Empty() || B->Width() <= 7) return true;
  if (B->Height() < 2) return true;
  B->SetPixelFormat(pf24bit);
  const TColor c = Pixel24(B, 4, 1);
  for (int x = 4; x <= B->Width() - 4 && x < B->Width(); ++x)
    if (Pixel24(B, x, 1) != c) return false;
  return true;
}

// ---- resource holders ----
void TswSkinScrollBtnRes::Rebuild() {
  for (auto& p : FV) p.reset();
  for (auto& p : FH) p.reset();
  for (auto& p : FP) p.reset();
  for (auto& p : FQ) p.reset();
  WholeThumbV.reset();
  WholeThumbH.reset();
  WholeThumb = false;
  if (!FReader || !FReader->Loaded()) return;
  for (auto& p : FV) p = Empty24();
  for (auto& p : FH) p = Empty24();
  for (auto& p : FP) p = Empty24();
  for (auto& p : FQ) p = Empty24();
  const TColor t = FReader->GetColor(0), c = FReader->GetColor(25);
  for (int i = 0; i < 3; ++i) {
    CutFrame(FReader->GetBitmap(26), FV[i].get(), 3, i + 1);
    CutFrame(FReader->GetBitmap(28), FV[i + 3].get(), 3, i + 1);
  }
  for (int i = 0; i < 6; ++i) {
    FH[i]->Assign(FV[i].get());
    RotateBitmapCCW(FH[i].get());
  }
  auto replaceAll = [&]() {
    for (auto* arr : {&FV, &FH})
      for (auto& p : *arr) ReplaceBitmapColor(p.get(), t, c);
    for (auto* arr : {&FP, &FQ})
      for (auto& p : *arr) ReplaceBitmapColor(p.get(), t, c);
  };
  TBitmap* s = FReader->GetBitmap(27);
  if (!s || s->Empty()) {
    replaceAll();
    return;
  }
  auto src = Copy24(s);
  const int sw = src->Width(), sh = src->Height();
  WholeThumb = c == MakeRGB(203, 203, 203) && sh == 33 && sw > 1 &&
               Pixel24(src.get(), 1, 10) == MakeRGB(1, 57, 178);
  if (WholeThumb) {
    WholeThumbV = Copy24(src.get());
    WholeThumbH = Copy24(src.get());
    RotateBitmapCCW(WholeThumbH.get());
  }
  auto rows = [&](TBitmap* Target, int From, int Count) {
    Target->SetSize(sw, std::max(Count, 0));
    if (Count > 0)
      BitBlt(Target->Canvas()->Handle(), 0, 0, sw, Count, src->Canvas()->Handle(), 0, From, SRCCOPY);
  };
  rows(FP[0].get(), 0, std::min(3, sh));
  rows(FP[4].get(), std::max(sh - 3, 0), std::min(3, sh));
  const int k = (sh - 6) / 3;
  if (k > 0) {
    rows(FP[1].get(), 4, k);
    rows(FP[2].get(), k + 4, sh - 2 * k - 6);
    rows(FP[3].get(), sh - k - 3, k);
  } else {
    for (int i = 1; i <= 3; ++i) FP[i]->SetSize(sw, 1);
  }
  if (IsRowUniform(FP[2].get())) {
    for (int n = 0; n < 5; ++n) {
      FQ[n]->Assign(FP[n].get());
      RotateBitmapCCW(FQ[n].get());
    }
  } else {
    for (int n = 0; n < 5; ++n) {
      FQ[4 - n]->Assign(FP[n].get());
      RotateBitmapCW(FQ[4 - n].get());
    }
    for (int i = 0; i < 3; ++i) std::swap(FH[i], FH[i + 3]);
    for (auto& p : FH) RotateBitmap180(p.get());
  }
  replaceAll();
}

void TswSkinProgressBarRes::Rebuild() {
  for (auto& p : FG) p.reset();
  for (auto& p : FR) p.reset();
  FirstWidth = LastWidth = 0;
  if (!FReader || !FReader->Loaded()) return;
  for (int i = 0; i < 4; ++i) {
    FG[i] = Copy24(FReader->GetBitmap(19 + i));
    FR[i] = Copy24(FG[i].get());
    RotateBitmapCCW(FR[i].get());
  }
  FirstWidth = FG[0]->Width();
  LastWidth = FG[3]->Width();
}

void TswSkinTabRes::Rebuild() {
  for (auto& p : Bitmaps) p.reset();
  if (!FReader) return;
  auto four = [&](int At, TBitmap* Source) {
    for (int i = 0; i < 4; ++i) Bitmaps[At + i] = Copy24(Source);
    RotateBitmapCCW(Bitmaps[At + 1].get());
    RotateBitmap180(Bitmaps[At + 2].get());
    RotateBitmapCW(Bitmaps[At + 3].get());
  };
  four(0, FReader->GetBitmap(30));
  TBitmap frame;
  CutFrame(FReader->GetBitmap(29), &frame, 2, 2);
  four(4, &frame);
  TBitmap frame1;
  CutFrame(FReader->GetBitmap(29), &frame1, 2, 1);
  four(8, &frame1);
}

// ---- region ----
namespace {

void AddRect(HRGN Rgn, int L, int T, int R, int B) {
  if (R <= L || B <= T) return;
  HRGN r = CreateRectRgn(L, T, R, B);
  CombineRgn(Rgn, Rgn, r, RGN_OR);
  DeleteObject(r);
}

void ScanBand(HRGN Rgn, TBitmap* Bmp, int Min, int Max, TColor Trans, int Width, int Shift) {
  auto b = Copy24(Bmp);
  const int bw = b->Width(), bh = b->Height();
  const int r = Min == -1 ? 0 : Min;
  const int e = std::min(Min < Max ? Max + 1 : bh, bh);
  if (Min > 0) AddRect(Rgn, 0, Shift, Width, Shift + std::min(Min, bh));
  for (int y = std::max(r, 0); y < e; ++y) {
    int x = 0;
    while (x < bw) {
      while (x < bw && Pixel24(b.get(), x, y) == Trans) ++x;
      const int x1 = x;
      while (x < bw && Pixel24(b.get(), x, y) != Trans) ++x;
      if (x > x1) AddRect(Rgn, x1, Shift + y, x, Shift + y + 1);
    }
  }
  if (bh > e) AddRect(Rgn, 0, Shift + e, Width, Shift + bh);
}

}  // namespace

void SkinSetWindowRegion(HWND Wnd, TBitmap* Title, TBitmap* Bottom, bool TitleRegion,
                         bool BottomRegion, int TitleMin, int TitleMax, int BottomMin,
                         int BottomMax, TColor Trans, int WindowHeight, int WindowWidth) {
  HRGN rgn = CreateRectRgn(0, 0, 0, 0);
  const bool title = TitleRegion && Title && !Title->Empty();
  const bool bottom = BottomRegion && Bottom && !Bottom->Empty();
  if (title) ScanBand(rgn, Title, TitleMin, TitleMax, Trans, WindowWidth, 0);
  const int t = title ? Title->Height() : 0;
  const int b = bottom ? Bottom->Height() : 0;
  AddRect(rgn, 0, t, WindowWidth, WindowHeight - b);
  if (bottom)
    ScanBand(rgn, Bottom, BottomMin, BottomMax, Trans, WindowWidth, WindowHeight - b);
  // The window owns the region from here on.
  SetWindowRgn(Wnd, rgn, TRUE);
}

// ---- small functions ----
bool PointInRectInclusive(int X, int Y, const RECT& R) {
  return R.left <= X && X <= R.right && R.top <= Y && Y <= R.bottom;
}

TColor MakeRGB(int R, int G, int B) { return static_cast<TColor>(R + G * 256 + B * 65536); }

void SplitRGB(TColor C, int& R, int& G, int& B) {
  const COLORREF v = ColorToRGB(C);
  R = v & 0xFF;
  G = (v >> 8) & 0xFF;
  B = (v >> 16) & 0xFF;
}

TColor InvertColor(TColor C) {
  int r, g, b;
  SplitRGB(C, r, g, b);
  return MakeRGB(255 - r, 255 - g, 255 - b);
}

void FrameRectColor(TCanvas* C, const RECT& R, TColor Color) {
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(Color);
  C->FrameRect(R);
}

void FillRectColor(TCanvas* C, const RECT& R, TColor Color) {
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(Color);
  C->FillRect(R);
}

namespace {

void Triangle(TCanvas* C, POINT A, POINT B, POINT D, bool Enabled) {
  auto draw = [&](int Dx, TColor Col) {
    C->Pen()->SetColor(Col);
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Col);
    C->Polygon({{A.x + Dx, A.y + Dx}, {B.x + Dx, B.y + Dx}, {D.x + Dx, D.y + Dx}});
  };
  if (Enabled) {
    draw(0, 0);
  } else {
    draw(1, 0xFFFFFF);
    draw(0, 8421504);
  }
}

}  // namespace

void DrawArrowDown(TCanvas* C, int X, int Y, bool Enabled) {
  Triangle(C, {X, Y}, {X + 6, Y}, {X + 3, Y + 3}, Enabled);
}
void DrawArrowUp(TCanvas* C, int X, int Y, bool Enabled) {
  Triangle(C, {X, Y}, {X - 3, Y + 3}, {X + 3, Y + 3}, Enabled);
}
void DrawArrowLeft(TCanvas* C, int X, int Y, bool Enabled) {
  Triangle(C, {X, Y}, {X + 3, Y + 3}, {X + 3, Y - 3}, Enabled);
}
void DrawArrowRight(TCanvas* C, int X, int Y, bool Enabled) {
  Triangle(C, {X, Y}, {X, Y + 6}, {X + 3, Y + 3}, Enabled);
}

void StretchBitmap(TBitmap* Bitmap, TCanvas* C, const RECT& R) {
  if (!Bitmap || Bitmap->Empty()) return;
  const int old = SetStretchBltMode(C->Handle(), HALFTONE);
  Blit(C, R.left, R.top, R.right - R.left, R.bottom - R.top, Bitmap, 0, 0, Bitmap->Width(),
       Bitmap->Height(), false, 0);
  SetStretchBltMode(C->Handle(), old);
}

namespace {

int Channel(int C1, int C2, double F) {
  int v = C1 + static_cast<int>((C2 - C1) * F);
  return ((v % 256) + 256) % 256;
}

void Gradient(TCanvas* C, const RECT& R, TColor First, TColor Last, bool Vertical) {
  const int from = Vertical ? R.top : R.left, to = Vertical ? R.bottom : R.right;
  if (to - from <= 0) return;
  int r1, g1, b1, r2, g2, b2;
  SplitRGB(First, r1, g1, b1);
  SplitRGB(Last, r2, g2, b2);
  for (int i = from; i < to; ++i) {
    TColor col;
    if (i == from) {
      col = First;
    } else if (i == to - 1) {
      col = Last;
    } else {
      const double f = static_cast<double>(i - from - (Vertical ? 1 : 0)) / (to - from);
      col = MakeRGB(Channel(r1, r2, f), Channel(g1, g2, f), Channel(b1, b2, f));
    }
    C->Pen()->SetColor(col);
    if (Vertical) {
      C->MoveTo(R.left, i);
      C->LineTo(R.right, i);
    } else {
      C->MoveTo(i, R.top);
      C->LineTo(i, R.bottom);
    }
  }
}

}  // namespace

void GradientVertical(TCanvas* C, const RECT& R, TColor First, TColor Last) {
  Gradient(C, R, First, Last, true);
}
void GradientHorizontal(TCanvas* C, const RECT& R, TColor First, TColor Last) {
  Gradient(C, R, First, Last, false);
}

void DrawMenuSeparator(TCanvas* C, const RECT& R, TColor Color, bool BarLeft, int BarWidth) {
  C->Pen()->SetColor(Color);
  const int y = R.top + 2;
  if (BarLeft) {
    C->MoveTo(R.left + BarWidth + 4, y);
    C->LineTo(R.right - 2, y);
  } else {
    C->MoveTo(R.left + 2, y);
    C->LineTo(R.right - BarWidth - 4, y);
  }
}

std::string EllipsizeText(TCanvas* C, const std::string& Text, int Width) {
  if (C->TextWidth(Text) <= Width) return Text;
  // The longest prefix whose shortened form still fits; a caption never runs past its limit.
  for (size_t n = Text.size(); n-- > 0;) {
    std::string candidate = Text.substr(0, n) + "...";
    if (C->TextWidth(candidate) <= Width) return candidate;
  }
  return "";
}

void DrawBitmapNinePart(TBitmap* Bitmap, TCanvas* C, const RECT& Rc, TColor Mask,
                        bool TransparentCorners) {
  if (!Bitmap || Bitmap->Empty() || Rc.top >= Rc.bottom) return;
  const int W = Bitmap->Width(), H = Bitmap->Height();
  const int w = Rc.right - Rc.left, h = Rc.bottom - Rc.top, R = Rc.right, B = Rc.bottom;
  const int hw = W / 2, hh = H / 2, dw = w / 2, dh = h / 2;
  auto corner = [&](int SrcW, int SrcH, int AreaW, int AreaH, bool Right, bool Bottom, int X0,
                    int Y0) -> RECT {
    const int pw = std::min(SrcW, AreaW), ph = std::min(SrcH, AreaH);
    if (pw <= 0 || ph <= 0) return RECT{0, 0, 0, 0};
    const int sx = Right ? W - pw : 0, sy = Bottom ? H - ph : 0;
    const int x = Right ? R - pw : X0, y = Bottom ? B - ph : Y0;
    Blit(C, x, y, pw, ph, Bitmap, sx, sy, pw, ph, TransparentCorners, Mask);
    return RECT{x, y, x + pw, y + ph};
  };
  // Edges and the centre are stretched and always drawn with the mask colour transparent.
  auto stretch = [&](RECT T, int SX, int SY, int SW, int SH) {
    Blit(C, T.left, T.top, T.right - T.left, T.bottom - T.top, Bitmap, SX, SY, SW, SH, true, Mask);
  };
  const RECT p1 = corner(hw, hh, dw, dh, false, false, 0, 0);
  if (dh - 1 <= 0) return;  // the bottom corners' area is empty: nothing more fits
  const RECT p2 = corner(hw, hh - 1, dw, dh - 1, false, true, 0, 0);
  {
    RECT t{0, p1.bottom, p1.right, p2.top};
    if (t.bottom > t.top) stretch(t, 0, hh, std::min(hw, t.right - t.left), H - 2 * hh);
  }
  const RECT p4 = corner(hw - 1, hh, dw - 1, dh, true, false, 0, 0);
  const RECT p5 = corner(hw - 1, hh - 1, dw - 1, dh - 1, true, true, 0, 0);
  {
    RECT t{p4.left, p4.bottom, p4.right, p5.top};
    const int sw = std::min(hw - 1, t.right - t.left);
    if (t.bottom > t.top) stretch(t, W - sw, hh, sw, 1);
  }
  {
    RECT t{p1.right, 0, p4.left, p1.bottom};
    if (t.bottom > t.top && t.right > t.left)
      stretch(t, hw, 0, W - 2 * hw + 1, std::min(hh, t.bottom - t.top));
  }
  {
    RECT t{p1.right, p1.bottom, p4.left, p5.top - 1};
    if (t.bottom > t.top) stretch(t, hw, hh, W - 2 * hw + 1, H - 2 * hh);
  }
  {
    RECT t{p1.right - 1, p2.top - 1, p5.left, p5.bottom};
    const int sh = std::min(hh, t.bottom - t.top);
    if (t.bottom > t.top) stretch(t, hw, H - sh, W - 2 * hw + 1, sh);
  }
}

void DrawThreeFramesH(TBitmap* Bitmap, TCanvas* C, const RECT& R, TColor Mask, bool Transparent) {
  if (!Bitmap || Bitmap->Empty()) return;
  const int fw = Bitmap->Width() / 3, H = Bitmap->Height();
  if (fw <= 0) return;
  if (R.right - R.left < fw) {
    Blit(C, R.left, R.top, R.right - R.left, H, Bitmap, 0, 0, R.right - R.left, H, Transparent, Mask);
    return;
  }
  Blit(C, R.left, R.top, fw, H, Bitmap, 0, 0, fw, H, Transparent, Mask);
  Blit(C, R.right - fw, R.top, fw, H, Bitmap, 2 * fw, 0, fw, H, Transparent, Mask);
  Blit(C, R.left + fw, R.top, R.right - R.left - 2 * fw, H, Bitmap, fw, 0, fw, H, Transparent, Mask);
}

void DrawCappedV(TBitmap* Bitmap, TCanvas* C, const RECT& R, int Cap) {
  if (!Bitmap || Bitmap->Empty() || R.left < 0) return;
  Bitmap->SetPixelFormat(pf24bit);
  const int W = Bitmap->Width(), H = Bitmap->Height(), rh = R.bottom - R.top;
  const int c = Cap != 0 ? Cap : H / 3;
  const int top = std::min(c, rh);
  Blit(C, R.left, R.top, R.right - R.left, top, Bitmap, 0, 0, W, std::min(rh, c), false, 0);
  Blit(C, R.left, R.bottom - c, R.right - R.left, c, Bitmap, 0, H - c, W, c, false, 0);
  if (H - 2 * c > 0 && rh - 2 * c > 0) {
    TBitmap mid;
    mid.SetPixelFormat(pf24bit);
    mid.SetSize(W, H - 2 * c);
    BitBlt(mid.Canvas()->Handle(), 0, 0, W, H - 2 * c, Bitmap->Canvas()->Handle(), 0, c, SRCCOPY);
    StretchBitmap(&mid, C, RECT{R.left, R.top + c, R.right, R.bottom - c});
  }
}

void DrawCappedH(TBitmap* Bitmap, TCanvas* C, const RECT& R, int Cap) {
  if (!Bitmap || Bitmap->Empty()) return;
  Bitmap->SetPixelFormat(pf24bit);
  const int W = Bitmap->Width(), H = Bitmap->Height(), rw = R.right - R.left;
  const int c = Cap;
  Blit(C, R.left, R.top, std::min(c, rw), R.bottom - R.top, Bitmap, 0, 0, std::min(rw, c), H, false, 0);
  Blit(C, R.right - c, R.top, c, R.bottom - R.top, Bitmap, W - c, 0, c, H, false, 0);
  if (W - 2 * c > 0 && rw - 2 * c > 0)
    Blit(C, R.left + c, R.top, rw - 2 * c, R.bottom - R.top, Bitmap, c, 0, W - 2 * c, H, false, 0);
}

void DrawWindowBorder(HWND Wnd, TColor Color, TColor Inner, bool DrawInner) {
  RECT r;
  if (!GetWindowRect(Wnd, &r)) return;
  HDC dc = GetWindowDC(Wnd);
  if (!dc) return;
  RECT z{0, 0, r.right - r.left, r.bottom - r.top};
  HBRUSH b = CreateSolidBrush(ColorToRGB(Color));
  FrameRect(dc, &z, b);
  DeleteObject(b);
  if (DrawInner) {
    RECT in{1, 1, z.right - 1, z.bottom - 1};
    HBRUSH bi = CreateSolidBrush(ColorToRGB(Inner));
    FrameRect(dc, &in, bi);
    DeleteObject(bi);
  }
  ReleaseDC(Wnd, dc);
}
