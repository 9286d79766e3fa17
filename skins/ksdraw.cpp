// Drawing primitives of the skin panels (see ksdraw.h).
#include "skins/ksdraw.h"

#include "platform/win/wingdi.h"
#include "skins/kseffects.h"

namespace ksdraw {

namespace {
void Fill(TCanvas* C, const RECT& R, TColor Color) {
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(Color);
  C->FillRect(R);
}
// A column at X covering rows Y0..Y1, or a row at Y covering columns X0..X1 (both inclusive).
void Column(TCanvas* C, int X, int Y0, int Y1, TColor Color) {
  Fill(C, RECT{X, Y0, X + 1, Y1 + 1}, Color);
}
void Row(TCanvas* C, int Y, int X0, int X1, TColor Color) {
  Fill(C, RECT{X0, Y, X1 + 1, Y + 1}, Color);
}
int CX(const RECT& R) { return R.left + RectWidth(R) / 2; }
int CY(const RECT& R) { return R.top + RectHeight(R) / 2; }
}  // namespace

void Frame(TCanvas* C, RECT& R, TColor TopLeft, TColor BottomRight) {
  if (RectWidth(R) > 0 && RectHeight(R) > 0) {
    Fill(C, RECT{R.left, R.top, R.left + 1, R.bottom - 1}, TopLeft);
    Fill(C, RECT{R.left, R.top, R.right - 1, R.top + 1}, TopLeft);
    Fill(C, RECT{R.right - 1, R.top, R.right, R.bottom}, BottomRight);
    Fill(C, RECT{R.left, R.bottom - 1, R.right, R.bottom}, BottomRight);
  }
  InflateRect(&R, -1, -1);
}

void ArrowLeft(TCanvas* C, const RECT& R, TColor Color) {
  const int cx = CX(R), cy = CY(R);
  for (int i = 0; i <= 3; ++i) Column(C, cx - 2 + i, cy - i, cy + i, Color);
}

void ArrowRight(TCanvas* C, const RECT& R, TColor Color) {
  const int cx = CX(R), cy = CY(R);
  for (int n = 3; n >= 0; --n) Column(C, cx + 2 - n, cy - n, cy + n, Color);
}

void ArrowUp(TCanvas* C, const RECT& R, TColor Color) {
  const int cx = CX(R), cy = CY(R);
  for (int i = 0; i <= 3; ++i) Row(C, cy - 2 + i, cx - i, cx + i, Color);
}

void ArrowDown(TCanvas* C, const RECT& R, TColor Color) {
  const int cx = CX(R), cy = CY(R);
  for (int n = 3; n >= 0; --n) Row(C, cy + 2 - n, cx - n, cx + n, Color);
}

void Cross(TCanvas* C, const RECT& R, TColor Color) {
  const int x = CX(R) - 5, y = CY(R) - 5;
  C->Pen()->SetStyle(psSolid);
  C->Pen()->SetWidth(1);
  C->Pen()->SetColor(Color);
  const int lines[4][4] = {{1, 1, 9, 9}, {9, 1, 1, 9}, {2, 1, 10, 9}, {8, 1, 0, 9}};
  for (const auto& l : lines) {
    C->MoveTo(x + l[0], y + l[1]);
    C->LineTo(x + l[2], y + l[3]);
  }
}

void CheckMark(TCanvas* C, int X, int Y, TColor Color) {
  C->Pen()->SetStyle(psSolid);
  C->Pen()->SetWidth(1);
  C->Pen()->SetColor(Color);
  for (int i = 0; i <= 2; ++i)
    C->Polyline({POINT{X, Y + 5 - i}, POINT{X + 2, Y + 7 - i}, POINT{X + 7, Y + 2 - i}});
}

void TransparentPart(TCanvas* C, int X, int Y, TBitmap* Picture, const RECT& Src) {
  const int w = RectWidth(Src), h = RectHeight(Src);
  if (!Picture || Picture->Empty() || w <= 0 || h <= 0) return;
  TBitmap part;
  part.SetSize(w, h);
  BitBlt(part.Canvas()->Handle(), 0, 0, w, h, Picture->Canvas()->Handle(), Src.left, Src.top,
         SRCCOPY);
  const TColor key = part.TransparentColor();
  TransparentBlt(C->Handle(), X, Y, w, h, part.Canvas()->Handle(), 0, 0, w, h,
                 static_cast<UINT>(ColorToRGB(key)));
}

void GlyphPart(TCanvas* C, int X, int Y, TBitmap* Glyph, int K, int N) {
  if (!Glyph || Glyph->Empty() || N < 1) return;
  const int w = Glyph->Width() / N;
  TransparentPart(C, X, Y, Glyph, RECT{w * (K - 1), 0, w * K, Glyph->Height()});
}

void TextClipped(TCanvas* C, const RECT& R, int X, int Y, const std::string& Text) {
  if (Text.empty() || RectWidth(R) <= 0 || RectHeight(R) <= 0) return;
  C->Brush()->SetStyle(bsClear);
  C->TextRect(R, X, Y, Text);
}

void CaptionText(TCanvas* C, const RECT& R, const std::string& Text) {
  TextClipped(C, R, R.left + 2, R.top + RectHeight(R) / 2 - C->TextHeight(Text) / 2, Text);
}

}  // namespace ksdraw
