// Pixel drawing for the skin tools: a 24-bit picture filled, outlined and shaded rectangle by
// rectangle from fixed colours, so that every run of a tool writes the same pictures.
#pragma once

#include <cstdint>

#include "platform/vcl/graphics.h"

namespace tooldraw {

struct Rgb {
  int R, G, B;
};

// The colour Num/Den of the way from A to B.
inline Rgb Mix(Rgb A, Rgb B, int Num, int Den) {
  if (Den <= 0) return A;
  return Rgb{A.R + (B.R - A.R) * Num / Den, A.G + (B.G - A.G) * Num / Den,
             A.B + (B.B - A.B) * Num / Den};
}

class Picture {
public:
  Picture(int W, int H, Rgb Background) {
    Bitmap.SetPixelFormat(pf24bit);
    Bitmap.SetSize(W, H);
    Fill(0, 0, W, H, Background);
  }
  void Set(int X, int Y, Rgb C) {
    if (X < 0 || Y < 0 || X >= Bitmap.Width() || Y >= Bitmap.Height()) return;
    uint8_t* p = static_cast<uint8_t*>(Bitmap.ScanLine(Y)) + X * 3;
    p[0] = static_cast<uint8_t>(C.B);
    p[1] = static_cast<uint8_t>(C.G);
    p[2] = static_cast<uint8_t>(C.R);
  }
  void Fill(int L, int T, int R, int B, Rgb C) {
    for (int y = T; y < B; ++y)
      for (int x = L; x < R; ++x) Set(x, y, C);
  }
  // One-pixel outline of (L, T, R, B).
  void Outline(int L, int T, int R, int B, Rgb C) {
    Fill(L, T, R, T + 1, C);
    Fill(L, B - 1, R, B, C);
    Fill(L, T, L + 1, B, C);
    Fill(R - 1, T, R, B, C);
  }
  // Rows T..B-1 from From to To.
  void GradientV(int L, int T, int R, int B, Rgb From, Rgb To) {
    for (int y = T; y < B; ++y) Fill(L, y, R, y + 1, Mix(From, To, y - T, B - T - 1));
  }
  // Columns L..R-1 from From to To.
  void GradientH(int L, int T, int R, int B, Rgb From, Rgb To) {
    for (int x = L; x < R; ++x) Fill(x, T, x + 1, B, Mix(From, To, x - L, R - L - 1));
  }
  TBitmap Bitmap;
};

}  // namespace tooldraw
