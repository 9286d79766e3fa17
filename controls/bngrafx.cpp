// Gradients, keyed bitmaps and parent backgrounds (see bngrafx.h).
#include "controls/bngrafx.h"

#include <algorithm>
#include <cmath>

#include "platform/vcl/forms.h"

namespace {

// A 16.16 fixed-point walk from one colour to another over a number of steps.
class TColorWalk {
public:
  TColorWalk(COLORREF From, COLORREF To, int Steps) {
    const int from[3] = {GetRValue(From), GetGValue(From), GetBValue(From)};
    const int to[3] = {GetRValue(To), GetGValue(To), GetBValue(To)};
    for (int k = 0; k < 3; ++k) {
      FStart[k] = int64_t(from[k]) << 16;
      FDelta[k] = Steps > 0 ? (int64_t(to[k] - from[k]) << 16) / Steps : 0;
    }
  }
  COLORREF At(int Step) const {
    int c[3];
    for (int k = 0; k < 3; ++k) c[k] = static_cast<int>((FStart[k] + FDelta[k] * Step) >> 16);
    return RGB(c[0], c[1], c[2]);
  }

private:
  int64_t FStart[3], FDelta[3];
};

// Walks Count steps in bands: each band starts a new colour, lasts at least Band + 1 steps and
// goes on while the colour stays the same. Fill(first step, end step, colour) paints one band.
template <class F>
void ForEachBand(const TColorWalk& Walk, int Count, int Band, F Fill) {
  for (int i = 0; i < Count;) {
    const COLORREF c = Walk.At(i);
    int j = i + 1;
    while (j < Count && (j - i < Band + 1 || Walk.At(j) == c)) ++j;
    Fill(i, j, c);
    i = j;
  }
}

void FillSolid(TCanvas* Canvas, const RECT& R, COLORREF C) {
  Canvas->Brush()->SetStyle(bsSolid);
  Canvas->Brush()->SetColor(TColor(C));
  Canvas->FillRect(R);
}

}  // namespace

int RampBandLength(int Quality, bool Box) {
  const int q = Quality > 8 ? (Box ? 256 : 255) / Quality + 1 : Quality;
  return std::max(q - 1, 0);
}

void RampStrip(TCanvas* Canvas, bool AlongY, int Start, int End, int Width, int Band,
               COLORREF First, COLORREF Second) {
  const int n = std::abs(End - Start), dir = End >= Start ? 1 : -1;
  const TColorWalk walk(First, Second, n);
  ForEachBand(walk, n, Band, [&](int i, int j, COLORREF c) {
    const int a = Start + i * dir, b = Start + (j - 1) * dir;
    const int lo = std::min(a, b), hi = std::max(a, b) + 1;
    FillSolid(Canvas, AlongY ? RECT{0, lo, Width, hi} : RECT{lo, 0, hi, Width}, c);
  });
}

void RampBox(TCanvas* Canvas, int W, int H, int InsetX, int InsetY, int Band, COLORREF First,
             COLORREF Second) {
  const int qw = (W + 1) / 2, qh = (H + 1) / 2;
  if (First == Second || qw < 3 || qh < 3) {
    FillSolid(Canvas, RECT{0, 0, qw, qh}, Second);
    return;
  }
  const int steps = std::max(1, std::min(qw - InsetX, qh - InsetY));
  FillSolid(Canvas, RECT{0, 0, qw, qh}, First);
  const TColorWalk walk(First, Second, steps);
  ForEachBand(walk, steps, Band, [&](int i, int, COLORREF c) {
    FillSolid(Canvas, RECT{InsetX + i, InsetY + i, qw, qh}, c);
  });
}

void RampDiagonal(TCanvas* Canvas, int W, int H, bool Other, int Band, COLORREF First,
                  COLORREF Second) {
  const int length =
      std::max(1, static_cast<int>(std::lround(std::sqrt(double(W) * W + double(H) * H))));
  const int span = W + H;  // the lines x + y = s (or x - y + H = s) for s in 0 .. span
  const TColorWalk walk(First, Second, length);
  ForEachBand(walk, length, Band, [&](int i, int j, COLORREF c) {
    const int s0 = static_cast<int>(int64_t(i) * span / length);
    const int s1 = j >= length ? span + 1 : static_cast<int>(int64_t(j) * span / length);
    Canvas->Pen()->SetColor(TColor(c));
    Canvas->Brush()->SetStyle(bsSolid);
    Canvas->Brush()->SetColor(TColor(c));
    if (!Other)
      Canvas->Polygon({POINT{s0, 0}, POINT{s1, 0}, POINT{s1 - H, H}, POINT{s0 - H, H}});
    else
      Canvas->Polygon({POINT{s0 - H, 0}, POINT{s1 - H, 0}, POINT{s1, H}, POINT{s0, H}});
  });
}

void TileByDoubling(TCanvas* Canvas, bool AlongY, int Filled, int Total, int Across) {
  HDC dc = Canvas->Handle();
  for (int done = std::max(Filled, 1); done < Total; done *= 2) {
    const int n = std::min(done, Total - done);
    if (AlongY)
      BitBlt(dc, 0, done, Across, n, dc, 0, 0, SRCCOPY);
    else
      BitBlt(dc, done, 0, n, Across, dc, 0, 0, SRCCOPY);
  }
}

void MirrorQuadrant(TCanvas* Canvas, int W, int H) {
  HDC dc = Canvas->Handle();
  for (int y = 0; y < H / 2; ++y) BitBlt(dc, 0, H - 1 - y, W, 1, dc, 0, y, SRCCOPY);
  for (int x = 0; x < W / 2; ++x) BitBlt(dc, W - 1 - x, 0, 1, H, dc, x, 0, SRCCOPY);
}

void DrawRamp(TCanvas* Canvas, const RECT& R, int Direction, int Quality, TColor First,
              TColor Second) {
  const int w = std::abs(R.right - R.left), h = std::abs(R.bottom - R.top);
  if (w == 0 || h == 0) return;
  const COLORREF a = ColorToRGB(First), b = ColorToRGB(Second);
  TBitmap bm;
  bm.SetPixelFormat(pf24bit);
  bm.SetSize(w, h);
  TCanvas* c = bm.Canvas();
  const int band = RampBandLength(Quality), boxBand = RampBandLength(Quality, true);
  const int strip = 8;
  switch (Direction) {
    case 0:
    case 1:
      if (a == b)
        FillSolid(c, RECT{0, 0, w, h}, a);
      else
        RampDiagonal(c, w, h, Direction == 1, band, a, b);
      break;
    case 2:
      RampStrip(c, true, h - 1, -1, strip, band, a, b);
      TileByDoubling(c, false, strip, w, h);
      break;
    case 3:
      RampStrip(c, true, h / 2, -1, strip, band, a, b);
      RampStrip(c, true, h - 1, h / 2, strip, band, b, a);
      TileByDoubling(c, false, strip, w, h);
      break;
    case 5:
      RampStrip(c, false, w - 1, -1, strip, band, a, b);
      TileByDoubling(c, true, strip, h, w);
      break;
    case 6:
      RampStrip(c, false, w / 2, -1, strip, band, a, b);
      RampStrip(c, false, w - 1, w / 2, strip, band, b, a);
      TileByDoubling(c, true, strip, h, w);
      break;
    case 4:
    case 7:
    case 8:
    case 9:
      RampBox(c, w, h, Direction == 4 || Direction == 9 ? w / 4 : 0,
              Direction == 7 || Direction == 9 ? h / 4 : 0, boxBand, a, b);
      MirrorQuadrant(c, w, h);
      break;
    default:
      return;
  }
  Canvas->Draw(std::min(R.left, R.right), std::min(R.top, R.bottom), &bm);
}

void DrawKeyedBitmap(TCanvas* Canvas, TBitmap* Bitmap, const RECT& Dest, TColor Key,
                     const RECT& Source) {
  const int w = Dest.right - Dest.left, h = Dest.bottom - Dest.top;
  if (!Bitmap || Bitmap->Empty() || w <= 0 || h <= 0) return;
  TBitmap work;
  work.SetPixelFormat(pf32bit);
  work.SetSize(w, h);
  StretchBlt(work.Canvas()->Handle(), 0, 0, w, h, Bitmap->Canvas()->Handle(), Source.left,
             Source.top, Source.right - Source.left, Source.bottom - Source.top, SRCCOPY);
  TransparentBlt(Canvas->Handle(), 0, 0, w, h, work.Canvas()->Handle(), 0, 0, w, h,
                 ColorToRGB(Key));
}

void PaintParentBehind(TControl* Control, HDC DC, bool InvalidateParent) {
  TWinControl* parent = Control ? Control->Parent() : nullptr;
  if (!parent) return;
  const bool designing = Control->ComponentState().Contains(csDesigning);
  const int saved = SaveDC(DC);
  POINT origin;
  GetViewportOrgEx(DC, &origin);
  SetViewportOrgEx(DC, origin.x - Control->Left(), origin.y - Control->Top(), nullptr);
  const RECT client = parent->ClientRect();
  IntersectClipRect(DC, client.left, client.top, client.right, client.bottom);
  try {
    parent->Perform(WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
    parent->Perform(WM_PAINT, reinterpret_cast<WPARAM>(DC), 0);
  } catch (...) {
    if (!designing) {
      RestoreDC(DC, saved);
      throw;
    }
  }
  RestoreDC(DC, saved);
  if (InvalidateParent && !designing && !parent->InheritsFrom(TCustomControl::StaticClass()) &&
      !parent->InheritsFrom(TCustomForm::StaticClass()))
    parent->Invalidate();
}
