// The background painter of the views (see iebackground.h).
#include "imaging/views/iebackground.h"

#include <algorithm>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iesmall.h"
#include "imaging/core/ieutils.h"
#include "platform/win/gdi_user.h"
#include "platform/win/wingdi.h"

namespace {

// Width of the shadow bands of the crop-shadow style.
constexpr int kShadowBand = 9;

COLORREF Rgb(TColor Color) { return ColorToRGB(Color) & 0xFFFFFF; }

void SolidFill(TCanvas* Canvas, TColor Color, const RECT& R, TBrushStyle Style = bsSolid) {
  Canvas->Brush()->SetColor(Color);
  Canvas->Brush()->SetStyle(Style);
  Canvas->FillRect(R);
}

// Squares of Size from (X, Y), the first one Color and then alternating with its complement.
// With a 24-bit bitmap behind the canvas and a solid square brush the pixels are written directly
// (starting with Color); otherwise each square is a filled rectangle (starting with the
// complement).
void Chessboard(TCanvas* Canvas, TIEBitmap* Bitmap, const RECT& R, int Size, TBrushStyle Brush,
                TColor Color) {
  if (Size < 1) Size = 1;
  const COLORREF first = Rgb(Color), second = ~first & 0xFFFFFF;
  if (Bitmap != nullptr && Bitmap->PixelFormat() == ie24RGB && Brush == bsSolid) {
    const TIERGBPixel a{GetBValue(first), GetGValue(first), GetRValue(first)};
    const TIERGBPixel b{GetBValue(second), GetGValue(second), GetRValue(second)};
    const int x1 = std::max<int>(R.left, 0), x2 = std::min<int>(R.right, Bitmap->Width());
    const int y1 = std::max<int>(R.top, 0), y2 = std::min<int>(R.bottom, Bitmap->Height());
    for (int y = y1; y < y2; ++y) {
      TIERGBPixel* row = reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(y));
      const int rowSquare = (y - R.top) / Size;
      for (int x = x1; x < x2; ++x) row[x] = ((x - R.left) / Size + rowSquare) % 2 == 0 ? a : b;
    }
    return;
  }
  Canvas->Brush()->SetStyle(Brush);
  for (int y = R.top, j = 0; y < R.bottom; y += Size, ++j)
    for (int x = R.left, i = 0; x < R.right; x += Size, ++i) {
      Canvas->Brush()->SetColor(static_cast<TColor>((i + j) % 2 == 0 ? second : first));
      Canvas->FillRect(
          RECT{x, y, std::min<int>(x + Size, R.right), std::min<int>(y + Size, R.bottom)});
    }
}

void VerticalGradient(TCanvas* Canvas, const RECT& R, TColor Top, TColor Bottom) {
  const COLORREF a = Rgb(Top), b = Rgb(Bottom);
  auto c16 = [](int v) { return static_cast<USHORT>(v << 8); };
  const TRIVERTEX v[2] = {
      {R.left, R.top, c16(GetRValue(a)), c16(GetGValue(a)), c16(GetBValue(a)), 0},
      {R.right, R.bottom, c16(GetRValue(b)), c16(GetGValue(b)), c16(GetBValue(b)), 0},
  };
  GRADIENT_RECT mesh{0, 1};
  GradientFill(Canvas->Handle(), v, 2, &mesh, 1, GRADIENT_FILL_RECT_V);
}

}  // namespace

void IEDrawWallPaper(TCanvas* Canvas, TPicture* WallPaper, TIEWallPaperStyle WallPaperStyle,
                     int Width, int Height) {
  if (WallPaper == nullptr || WallPaper->Graphic() == nullptr || WallPaper->Graphic()->Empty())
    return;
  TGraphic* g = WallPaper->Graphic();
  switch (WallPaperStyle) {
    case iewoNormal:
      Canvas->Draw(0, 0, g);
      break;
    case iewoStretch:
      Canvas->StretchDraw(RECT{0, 0, Width, Height}, g);
      break;
    case iewoTile: {
      const int gw = g->Width(), gh = g->Height();
      if (gw <= 0 || gh <= 0) break;
      for (int y = 0; y < Height; y += gh)
        for (int x = 0; x < Width; x += gw) Canvas->Draw(x, y, g);
      break;
    }
  }
}

void IEDrawBackground(bool Designing, TCanvas* Canvas, TIEBitmap* Bitmap, TIEBackgroundStyle Style,
                      TColor Color, int X, int Y, int Width, int Height, int ImageLeft,
                      int ImageTop, int ImageRight, int ImageBottom, int SquareSize,
                      TBrushStyle SquareBrush, TColor GradientColor, TPicture* WallPaper,
                      TIEWallPaperStyle WallPaperStyle) {
  if (Canvas == nullptr) return;
  const RECT r{X, Y, X + Width, Y + Height};
  const bool imageAtLeast2x2 = ImageRight - ImageLeft >= 2 && ImageBottom - ImageTop >= 2;
  if (Designing && (Style == iebsCropped || Style == iebsCropShadow || Style == iebsSoftShadow))
    Style = iebsSolid;
  switch (Style) {
    case iebsSolid:
    case iebsHorizontal:
    case iebsVertical:
    case iebsFDiagonal:
    case iebsBDiagonal:
    case iebsCross:
    case iebsDiagCross: {
      static constexpr TBrushStyle kBrush[] = {bsSolid,     bsHorizontal, bsVertical, bsFDiagonal,
                                               bsBDiagonal, bsCross,      bsDiagCross};
      SolidFill(Canvas, Color, r, kBrush[Style]);
      break;
    }
    case iebsChessboard:
      Chessboard(Canvas, Bitmap, r, SquareSize, SquareBrush, Color);
      break;
    case iebsDiagonals: {
      SolidFill(Canvas, Color, r);
      Canvas->Pen()->SetStyle(psSolid);
      Canvas->Pen()->SetMode(pmCopy);
      Canvas->Pen()->SetWidth(1);
      Canvas->Pen()->SetColor(static_cast<TColor>(~Rgb(Color) & 0xFFFFFF));
      Canvas->MoveTo(r.left, r.top);
      Canvas->LineTo(r.right, r.bottom);
      Canvas->MoveTo(r.right, r.top);
      Canvas->LineTo(r.left, r.bottom);
      break;
    }
    case iebsCropped: {
      SolidFill(Canvas, clBtnFace, r);
      if (imageAtLeast2x2) {
        RECT e{ImageLeft - GetSystemMetrics(SM_CXEDGE), ImageTop - GetSystemMetrics(SM_CYEDGE),
               ImageRight + GetSystemMetrics(SM_CXEDGE), ImageBottom + GetSystemMetrics(SM_CYEDGE)};
        DrawEdge(Canvas->Handle(), &e, EDGE_SUNKEN, BF_RECT);
      }
      break;
    }
    case iebsCropShadow:
      SolidFill(Canvas, Color, r);
      if (imageAtLeast2x2 && Bitmap != nullptr) {
        IEDrawShadowRight(Bitmap, ImageRight, ImageTop, ImageRight + kShadowBand - 1,
                          ImageBottom + kShadowBand - 1, 2, Color);
        IEDrawShadowBottom(Bitmap, ImageLeft, ImageBottom, ImageRight + kShadowBand - 1,
                           ImageBottom + kShadowBand - 1, 2, Color);
      }
      break;
    case iebsGradient:
      VerticalGradient(Canvas, r, Color, GradientColor);
      break;
    case iebsSoftShadow:
      if (Bitmap == nullptr) break;
      SolidFill(Canvas, Color, r);
      if (imageAtLeast2x2)
        IEDrawSoftShadowFrame(Bitmap, ImageLeft, ImageTop, ImageRight, ImageBottom);
      break;
    case iebsPhotoLike: {
      SolidFill(Canvas, static_cast<TColor>(0xB0B0B0), r);
      Canvas->Pen()->SetStyle(psSolid);
      Canvas->Pen()->SetMode(pmCopy);
      Canvas->Pen()->SetWidth(1);
      Canvas->Pen()->SetColor(clBlack);
      Canvas->Brush()->SetStyle(bsClear);
      Canvas->Rectangle(ImageLeft - 1, ImageTop - 1, ImageRight + 1, ImageBottom + 1);
      Chessboard(Canvas, Bitmap, RECT{ImageLeft, ImageTop, ImageRight, ImageBottom}, SquareSize,
                 SquareBrush, Color);
      break;
    }
  }
  IEDrawWallPaper(Canvas, WallPaper, WallPaperStyle, Width, Height);
}
