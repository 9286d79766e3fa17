// The effects table and its routines (see iextratransitions.h). Every routine is an instance of
// EffectRoutine<V>, so each entry has a routine of its own; they share the geometry builders below
// (rectangle copies, regions of bars, shreds, speckles, triangles and pies).
#include "imaging/views/iextratransitions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <random>
#include <utility>
#include <vector>

#include "platform/win/windef.h"
#include "platform/win/wingdi.h"

namespace {

const char* const kNames[IEEffectCount] = {
    "Cross Fade", "Fade Out", "Fade In", "Fade Out then In", "Wipe Left to Right", "Wipe Left to Right 2",
    "Wipe Right to Left", "Wipe Right to Left 2", "Wipe Top to Bottom", "Wipe Top to Bottom 2",
    "Wipe Bottom to Top", "Wipe Bottom to Top 2", "Slide from Top Left", "Slide from Top Right",
    "Slide from Bottom Left", "Slide from Bottom Right", "Push Left to Right", "Slide Out Left to Right",
    "Push Right to Left", "Slide Out Right to Left", "Push Top to Bottom", "Slide Out Top to Bottom",
    "Push Bottom to Top", "Slide Out Bottom to Top", "Random Points", "Random Boxes", "Wipe Out from Center",
    "Wipe In to Center", "Expand Out from Center", "Expand In to Center", "Expand from Left", "Expand from Right",
    "Expand from Top", "Expand from Bottom", "Expand from Top Left", "Expand from Top Right",
    "Expand from Bottom Left", "Expand from Bottom Right", "Expand in from Left", "Expand in from Right",
    "Expand in from Top", "Expand in from Bottom", "Expand in to Vertical Center", "Expand in to Horizon",
    "Expand in from Sides", "Expand in from Top and Bottom", "Expand out from Horizon",
    "Expand out from Vertical Center", "Wipe from Top Left", "Wipe from Top Right", "Wipe from Bottom Left",
    "Wipe from Bottom Right", "Wipe from Horizon", "Wipe in from Sides", "Wipe out from Vertical Center",
    "Build up from Left", "Build up from Right", "Build up from Top", "Build up from Bottom", "Unroll from Left",
    "Unroll from Right", "Unroll from Top", "Unroll from Bottom", "Slide in from Left", "Slide in from Right",
    "Slide in from Top", "Slide in from Bottom", "Slide in from Top and Bottom", "Shrink to Top Left",
    "Shrink to Top Right", "Shrink to Bottom Left", "Shrink to Bottom Right", "Shrink to Center",
    "Quarters Wipe in to Center", "Quarters Expand to Center", "Quarters Slide in to Center",
    "Curved Wipe from Left", "Curved Wipe from Right", "Curved Wipe from Top", "Curved Wipe from Bottom",
    "Bars in from Left", "Bars in from Right", "Bars from Top", "Bars from Bottom", "Bars Left then Right",
    "Bars Right then Left", "Bars Top then Bottom", "Bars Bottom then Top", "Bars from both Sides",
    "Bars from Top and Bottom", "Shredded from Left", "Shredded from Right", "Shredded from Top",
    "Shredded from Bottom", "Shredded from Top and Left", "Shredded from Top and Right",
    "Shredded from Bottom and Left", "Shredded from Bottom and Right", "Shredded from Horizon and Left",
    "Shredded from Horizon and Right", "Shredded from Top and Vertical Center",
    "Shredded from Bottom and Vertical Center", "Shredded to Center", "Shredded from Center",
    "Shredded in to Horizon", "Shredded in to Vertical Center", "Shredded out from Horizon",
    "Shredded out from Vertical Center", "Rectangular Shred", "Triangular Shred to Top Left",
    "Curved Wipe from Top Left", "Curved Wipe from Top Right", "Curved Wipe from Bottom Left",
    "Curved Wipe from Bottom Right", "Circular Wipe from Center", "Circular Wipe to Center",
    "Crisscross Wipe from Top Left", "Crisscross Wipe from Top Right", "Crisscross Wipe from Bottom Left",
    "Crisscross Wipe from Bottom Right", "Crisscross Wipe Bounce from Top Left",
    "Crisscross Wipe Bounce from Top Right", "Crisscross Wipe Bounce from Bottom Left",
    "Crisscross Wipe Bounce from Bottom Right", "Crisscross Wipe from Left Right and Top",
    "Crisscross Wipe from Left Right and Bottom", "Crisscross Wipe from Left Top and Bottom",
    "Crisscross Wipe from Top Left Right and Bottom", "Crisscross Wipe from Right Top and Bottom",
    "Crisscross Wipe from Bottom Left Top Right", "Wipe diagonal from Top Left", "Wipe diagonal from Top Right",
    "Wipe diagonal from Bottom Left", "Wipe diagonal from Bottom Right", "Diagonal Sweep Clockwise",
    "Diagonal Sweep Counter-Clockwise", "Sweep Clockwise", "Sweep Counter-Clockwise",
    "Starburst Clockwise from Center", "Rotational Rectangle", "Rotational Star", "Speckled Wipe from Left",
    "Speckled Wipe from Right", "Speckled Wipe from Top", "Speckled Wipe from Bottom", "Push Left and Slide out",
    "Push Right and Slide out", "Push up and Slide out", "Push down and Slide out", "Push and Squeeze Left",
    "Push and Squeeze Right", "Push and Squeeze up", "Push and Squeeze down", "Horizontal Blinds",
    "Vertical Blinds", "Uneven Blinds from Left", "Uneven Blinds from Right", "Uneven Blinds from Top",
    "Uneven Blinds from Bottom", "Rectangles from the Left", "Rectangles from the Right",
    "Rectangles from the Top", "Rectangles from the Bottom"};

std::mt19937& Random() {
  static std::mt19937 r(987654321u);
  return r;
}

int Rand(int n) {
  if (n <= 0) return 0;
  return std::uniform_int_distribution<int>(0, n - 1)(Random());
}

int IECeil(double v) {
  const int t = static_cast<int>(std::trunc(v));
  return v - t > 0 ? t + 1 : t;
}

// A copy of rectangle S of the target into rectangle D of the frame (stretching, halftone).
void Copy(TCanvas* C, TBitmap* T, RECT S, RECT D) {
  const int sw = S.right - S.left, sh = S.bottom - S.top, dw = D.right - D.left, dh = D.bottom - D.top;
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
  StretchBlt(C->Handle(), D.left, D.top, dw, dh, T->Canvas()->Handle(), S.left, S.top, sw, sh, SRCCOPY);
}

void Unscaled(TCanvas* C, TBitmap* T, RECT R) { Copy(C, T, R, R); }

// A copy of S of the frame itself into D.
void Move(TCanvas* C, RECT S, RECT D) {
  const int sw = S.right - S.left, sh = S.bottom - S.top, dw = D.right - D.left, dh = D.bottom - D.top;
  if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0) return;
  // Through a copy, so that overlapping source and destination stay correct.
  TBitmap tmp;
  tmp.SetPixelFormat(pf24bit);
  tmp.SetSize(sw, sh);
  BitBlt(tmp.Canvas()->Handle(), 0, 0, sw, sh, C->Handle(), S.left, S.top, SRCCOPY);
  StretchBlt(C->Handle(), D.left, D.top, dw, dh, tmp.Canvas()->Handle(), 0, 0, sw, sh, SRCCOPY);
}

// The source rectangle of the target, cut to the picture, mirrored and stretched onto D.
void StretchFlipped(TCanvas* C, RECT D, TBitmap* T, RECT S, bool FlipH, bool FlipV) {
  S.left = std::max<int>(S.left, 0);
  S.top = std::max<int>(S.top, 0);
  S.right = std::min<int>(S.right, T->Width());
  S.bottom = std::min<int>(S.bottom, T->Height());
  const int sw = S.right - S.left, sh = S.bottom - S.top;
  if (sw <= 0 || sh <= 0) return;
  TBitmap tmp;
  tmp.SetPixelFormat(pf24bit);
  tmp.SetSize(sw, sh);
  for (int y = 0; y < sh; ++y) {
    const auto* src = static_cast<const uint8_t*>(T->ScanLine(S.top + (FlipV ? sh - 1 - y : y)));
    auto* dst = static_cast<uint8_t*>(tmp.ScanLine(y));
    for (int x = 0; x < sw; ++x) {
      const uint8_t* p = src + 3 * (S.left + (FlipH ? sw - 1 - x : x));
      dst[3 * x] = p[0];
      dst[3 * x + 1] = p[1];
      dst[3 * x + 2] = p[2];
    }
  }
  Copy(C, &tmp, RECT{0, 0, sw, sh}, D);
}

// A region built as the union of its parts.
struct TRegion {
  HRGN H = nullptr;
  TRegion() = default;
  TRegion(const TRegion&) = delete;
  TRegion& operator=(const TRegion&) = delete;
  ~TRegion() {
    if (H) DeleteObject(H);
  }
  void Add(HRGN R, int Mode = RGN_OR) {
    if (R == nullptr) return;
    if (H == nullptr) {
      H = R;
      return;
    }
    CombineRgn(H, H, R, Mode);
    DeleteObject(R);
  }
  void Rect(int l, int t, int r, int b) {
    if (r > l && b > t) Add(CreateRectRgn(l, t, r, b));
  }
  void Poly(const std::vector<POINT>& P) {
    if (P.size() >= 3) Add(CreatePolygonRgn(P.data(), static_cast<int>(P.size()), WINDING));
  }
  HRGN Take() {
    HRGN r = H;
    H = nullptr;
    return r;
  }
};

// Shows the whole target inside the region.
void ClipDraw(TCanvas* C, TBitmap* T, TRegion& R) {
  HRGN h = R.Take();
  if (h == nullptr) return;
  HDC dc = C->Handle();
  SelectClipRgn(dc, h);
  DeleteObject(h);
  BitBlt(dc, 0, 0, T->Width(), T->Height(), T->Canvas()->Handle(), 0, 0, SRCCOPY);
  SelectClipRgn(dc, nullptr);
}

void BarsRegion(TRegion& R, int XExt, int YExt, int W, int H, int Snap, int HMode, int VMode) {
  if (HMode != 0) {
    const bool second = XExt > W;
    for (int i = second ? 5 : 0; i < H + 5; i += 10) {
      int a = XExt;
      if (second) {
        R.Rect(0, i - 5, W, i);
        if (HMode == 1 || HMode == 4) R.Rect(2 * W - a, i, W, i + 5);
        if (HMode == 2 || HMode == 5) R.Rect(0, i, a - W, i + 5);
      } else {
        if (W < Snap + a) a = W;
        if (HMode == 1 || HMode == 5) R.Rect(W - a, i, W, i + 5);
        if (HMode == 2 || HMode == 4) R.Rect(0, i, a, i + 5);
        if (HMode == 3) {
          R.Rect(0, i + 5, a, i + 10);
          R.Rect(W - a, i, W, i + 5);
        }
      }
    }
  }
  if (VMode != 0) {
    const bool second = YExt > H;
    for (int j = second ? 5 : 0; j < W + 5; j += 10) {
      int a = YExt;
      if (second) {
        R.Rect(j - 5, 0, j, H);
        if (VMode == 1 || VMode == 4) R.Rect(j, 2 * H - a, j + 5, H);
        if (VMode == 2 || VMode == 5) R.Rect(j, 0, j + 5, a - H);
      } else {
        if (H < Snap + a) a = H;
        if (VMode == 1 || VMode == 5) R.Rect(j, H - a, j + 5, H);
        if (VMode == 2 || VMode == 4) R.Rect(j, 0, j + 5, a);
        if (VMode == 3) {
          R.Rect(j, H - a, j + 5, H);
          R.Rect(j + 5, 0, j + 10, a);
        }
      }
    }
  }
}

void ShredRegion(TRegion& R, int a, int b, int W, int H, int HMode, int VMode) {
  if (HMode != 0) {
    const int c = a < W ? W / 7 : 0;
    auto r = [&] { return Rand(c); };
    for (int o = 0; o < H; o += 5) {
      const int o2 = o + 5 + H % 5;
      switch (HMode) {
        case 1: R.Rect(W - a + r() - r(), o, W, o2); break;
        case 2: R.Rect(0, o, a + r() - r(), o2); break;
        case 3:
          R.Rect((W - a + r() - r()) / 2, o, W / 2, o2);
          R.Rect(W / 2, o, (a + W + r() - r()) / 2, o2);
          break;
        default: {
          const int h = a + r() - r();
          R.Rect(W - h / 2, o, W, o2);
          R.Rect(0, o, (a + r() - r()) / 2, o2);
          break;
        }
      }
    }
  }
  if (VMode != 0) {
    const int c = b < H ? H / 7 : 0;
    auto r = [&] { return Rand(c); };
    for (int o = 0; o < W; o += 5) {
      const int o2 = o + 5 + W % 5;
      switch (VMode) {
        case 1: R.Rect(o, H - b + r() - r(), o2, H); break;
        case 2: R.Rect(o, 0, o2, b + r() - r()); break;
        case 3:
          R.Rect(o, (H - b + r() - r()) / 2, o2, H / 2);
          R.Rect(o, H / 2, o2, (b + H + r() - r()) / 2);
          break;
        default: {
          const int h = b + r() - r();
          R.Rect(o, H - h / 2, o2, H);
          R.Rect(o, 0, o2, (b + r() - r()) / 2);
          break;
        }
      }
    }
  }
}

void SpeckleRegion(TRegion& R, int a, int b, int W, int H, int HMode, int VMode) {
  auto pass = [&](bool Horizontal, int ext, int Long, int Across, int mode) {
    const int e = ext < Long ? Long / 10 : 0;
    const int f = std::max(e / 20, 2);
    const int n = e / f;
    const int near = ((e * 3) / f) / 4;
    for (int y = 0; y < Across; y += std::max(f / 2, 1)) {
      auto rect = [&](int x1, int x2) {
        if (Horizontal)
          R.Rect(x1, y, x2, y + f);
        else
          R.Rect(y, x1, y + f, x2);
      };
      if (mode == 1)
        rect(Long - ext, Long);
      else
        rect(0, ext);
      for (int i = n; i >= 1; --i) {
        const int k = i <= near ? 1 : 0;
        if (Rand(i) > k) continue;
        const int x = mode == 1 ? Long - ext - f * i : ext + f * (i - 1);
        rect(x, x + f);
      }
    }
  };
  if (HMode != 0) pass(true, a, W, H, HMode);
  if (VMode != 0) pass(false, b, H, W, VMode);
}

void Triangle(TRegion& R, int x1, int y1, int x2, int y2, int x3, int y3) {
  R.Poly({POINT{x1, y1}, POINT{x2, y2}, POINT{x3, y3}});
}

void PieRegion(TRegion& R, int cx, int cy, int radius, int count, double EndAngle, double StartAngle) {
  std::vector<POINT> p{POINT{cx, cy}};
  for (int k = 0; k < count; ++k) {
    const double a = StartAngle + k * (EndAngle - StartAngle) / count;
    p.push_back(POINT{cx + static_cast<int>(std::nearbyint(radius * std::cos(a))),
                      cy + static_cast<int>(std::nearbyint(radius * std::sin(a)))});
  }
  R.Poly(p);
}

void RotatePointsRad(std::vector<POINT>& P, int cx, double Angle, int cy) {
  const double s = std::sin(Angle), c = std::cos(Angle);
  for (POINT& p : P) {
    const double dx = p.x - cx, dy = p.y - cy;
    p.x = cx + static_cast<int>(std::nearbyint(dx * c - dy * s));
    p.y = cy + static_cast<int>(std::nearbyint(dx * s + dy * c));
  }
}

void Blinds(TRegion& R, bool Vertical, bool FromFar, int c, int p, int W, int H) {
  if (c <= 0) c = 1;
  const int w = (p * c) / 100;
  if (!Vertical) {
    if (!FromFar)
      for (int k = 0; k * c < W; ++k) R.Rect(k * c, 0, k * c + w, H);
    else
      for (int k = 0; W - k * c >= 0; ++k) R.Rect(W - w - k * c, 0, W - k * c, H);
  } else {
    if (!FromFar)
      for (int k = 0; k * c < H; ++k) R.Rect(0, k * c, W, k * c + w);
    else
      for (int k = 0; H - k * c >= 0; ++k) R.Rect(0, H - w - k * c, W, H - k * c);
  }
}

void Draw(int V, TCanvas* C, TBitmap* T, const RECT& Rect, int Param, int p) {
  int W, H, PW, PH, U;
  IETransitionExtents(Rect, Param, p, W, H, PW, PH, U);
  TRegion R;
  switch (V) {
    // Family A: rectangle copies.
    case 31: Copy(C, T, {0, 0, W, H}, {0, 0, PW, H}); break;
    case 32: Copy(C, T, {0, 0, W, H}, {W - PW, 0, W, H}); break;
    case 33: Copy(C, T, {0, 0, W, H}, {0, 0, W, PH}); break;
    case 34: Copy(C, T, {0, 0, W, H}, {0, H - PH, W, H}); break;
    case 35: Copy(C, T, {0, 0, W, H}, {0, 0, PW, PH}); break;
    case 36: Copy(C, T, {0, 0, W, H}, {W - PW, 0, W, PH}); break;
    case 37: Copy(C, T, {0, 0, W, H}, {0, H - PH, PW, H}); break;
    case 38: Copy(C, T, {0, 0, W, H}, {W - PW, H - PH, W, H}); break;
    case 39: Copy(C, T, {W - PW, 0, W, H}, {PW - W, 0, W, H}); break;
    case 40: Copy(C, T, {0, 0, PW, H}, {0, 0, 2 * W - PW, H}); break;
    case 41: Copy(C, T, {0, H - PH, W, H}, {0, PH - H, W, H}); break;
    case 42: Copy(C, T, {0, 0, W, PH}, {0, 0, W, 2 * H - PH}); break;
    case 43: Copy(C, T, {(W - PW) / 2, 0, (W + PW) / 2, H}, {PW - W, 0, 2 * W - PW, H}); break;
    case 44: Copy(C, T, {0, (H - PH) / 2, W, (H + PH) / 2}, {0, PH - H, W, 2 * H - PH}); break;
    case 45:
      Copy(C, T, {0, 0, W / 2 + 1, H}, {0, 0, PW / 2 + 1, H});
      Copy(C, T, {W / 2, 0, W, H}, {W - PW / 2 - 1, 0, W, H});
      break;
    case 46:
      Copy(C, T, {0, 0, W, H / 2 + 1}, {0, 0, W, PH / 2 + 1});
      Copy(C, T, {0, H / 2, W, H}, {0, H - PH / 2 - 1, W, H});
      break;
    case 47: Copy(C, T, {0, 0, W, H}, {0, (H - PH) / 2, W, (H + PH) / 2}); break;
    case 48: Copy(C, T, {0, 0, W, H}, {(W - PW) / 2, 0, (W + PW) / 2, H}); break;
    case 49: Unscaled(C, T, {0, 0, PW, PH}); break;
    case 50: Unscaled(C, T, {W - PW, 0, W, PH}); break;
    case 51: Unscaled(C, T, {0, H - PH, PW, H}); break;
    case 52: Unscaled(C, T, {W - PW, H - PH, W, H}); break;
    case 53: Unscaled(C, T, {0, (H - PH) / 2, W, (H + PH) / 2}); break;
    case 54:
      Unscaled(C, T, {0, 0, PW / 2 + 1, H});
      Unscaled(C, T, {W - PW / 2 - 1, 0, W, H});
      break;
    case 55: Unscaled(C, T, {(W - PW) / 2, 0, (W + PW) / 2, H}); break;
    case 56:
      Unscaled(C, T, {W - PW, 0, W, H});
      Copy(C, T, {std::max(W - PW - W / U, 0), 0, W - PW, H}, {0, 0, W - PW, H});
      break;
    case 57:
      Unscaled(C, T, {0, 0, PW, H});
      Copy(C, T, {PW, 0, std::min(W / U + PW, W), H}, {PW, 0, W, H});
      break;
    case 58:
      Unscaled(C, T, {0, H - PH, W, H});
      Copy(C, T, {0, std::max(H - PH - H / U, 0), W, H - PH}, {0, 0, W, H - PH});
      break;
    case 59:
      Unscaled(C, T, {0, 0, W, PH});
      Copy(C, T, {0, PH, W, std::min(H / U + PH, H)}, {0, PH, W, H});
      break;
    case 60:
    case 62: {
      const bool rows = V == 62;
      const int L = rows ? H : W;
      const int c = rows ? PH : PW;
      int r;
      if (c < L / 5)
        r = c + c / 2;
      else if (L < c + L / 5)
        r = c + (L - c) / 2;
      else
        r = c + L / 10;
      if (!rows) {
        StretchFlipped(C, {c, 0, r, H}, T, {r, 0, 2 * r - c, H}, true, false);
        Unscaled(C, T, {0, 0, c, H});
      } else {
        StretchFlipped(C, {0, c, W, r}, T, {0, r, W, 2 * r - c}, false, true);
        Unscaled(C, T, {0, 0, W, c});
      }
      break;
    }
    case 61:
    case 63: {
      const bool rows = V == 63;
      const int L = rows ? H : W;
      const int P = rows ? PH : PW;
      const int c = L - P;
      int l;
      if (L < c + L / 5)
        l = c - P / 2;
      else if (c < L / 5)
        l = c - c / 2;
      else
        l = c - L / 10;
      if (!rows) {
        StretchFlipped(C, {l, 0, c, H}, T, {2 * l - c, 0, l, H}, true, false);
        Unscaled(C, T, {W - PW, 0, W, H});
      } else {
        StretchFlipped(C, {0, l, W, c}, T, {0, 2 * l - c, W, l}, false, true);
        Unscaled(C, T, {0, H - PH, W, H});
      }
      break;
    }
    case 64: Copy(C, T, {0, 0, W, H}, {PW - W, 0, PW, H}); break;
    case 65: Copy(C, T, {0, 0, W, H}, {W - PW, 0, 2 * W - PW, H}); break;
    case 66: Copy(C, T, {0, 0, W, H}, {0, PH - H, W, PH}); break;
    case 67: Copy(C, T, {0, 0, W, H}, {0, H - PH, W, 2 * H - PH}); break;
    case 68:
      Unscaled(C, T, {0, 0, W, PH / 2 + 1});
      Unscaled(C, T, {0, H - PH / 2 - 1, W, H});
      break;
    case 69: Copy(C, T, {0, 0, PW, PH}, {0, 0, 2 * W - PW, 2 * H - PH}); break;
    case 70: Copy(C, T, {W - PW, 0, W, PH}, {PW - W, 0, W, 2 * H - PH}); break;
    case 71: Copy(C, T, {0, H - PH, PW, H}, {0, PH - H, 2 * W - PW, H}); break;
    case 72: Copy(C, T, {W - PW, H - PH, W, H}, {PW - W, PH - H, W, H}); break;
    case 73:
      Copy(C, T, {(W - PW) / 2, (H - PH) / 2, (W + PW) / 2, (H + PH) / 2}, {PW - W, PH - H, 2 * W - PW, 2 * H - PH});
      break;
    case 74: {
      const int a = PW / 2 + 1, b = PH / 2 + 1;
      Unscaled(C, T, {0, 0, a, b});
      Unscaled(C, T, {0, H - b, a, H});
      Unscaled(C, T, {W - a, H - b, W, H});
      Unscaled(C, T, {W - a, 0, W, b});
      break;
    }
    case 75:
      Copy(C, T, {0, 0, W / 2 + 1, H / 2 + 1}, {0, 0, PW / 2 + 1, PH / 2 + 1});
      Copy(C, T, {0, H / 2 + 1, W / 2 + 1, H}, {0, H - PH / 2, PW / 2 + 1, H});
      Copy(C, T, {W / 2 + 1, H / 2 + 1, W, H}, {W - PW / 2, H - PH / 2, W, H});
      Copy(C, T, {W / 2 + 1, 0, W, H / 2 + 1}, {W - PW / 2, 0, W, PH / 2 + 1});
      break;
    case 76:
      Copy(C, T, {0, 0, W / 2 + 1, H / 2 + 1}, {(PW - W) / 2, 0, PW / 2 + 1, H / 2 + 1});
      Copy(C, T, {W / 2 - 1, 0, W, H / 2 + 1}, {W / 2 - 1, (PH - H) / 2, W, PH / 2 + 1});
      Copy(C, T, {W / 2 + 1, H / 2 - 1, W, H}, {W - PW / 2, H / 2 - 1, (W - PW) / 2 + W, H});
      Copy(C, T, {0, H / 2 + 1, W / 2 + 1, H}, {0, H - PH / 2, W / 2 + 1, (H - PH) / 2 + H});
      break;
    // Family B: moves of the frame.
    case 146: Move(C, {PW, 0, W, H}, {0, 0, W - PW, H}); Copy(C, T, {0, 0, PW, H}, {W - PW, 0, W, H}); break;
    case 147: Move(C, {0, 0, W - PW, H}, {PW, 0, W, H}); Copy(C, T, {W - PW, 0, W, H}, {0, 0, PW, H}); break;
    case 148: Move(C, {0, PH, W, H}, {0, 0, W, H - PH}); Copy(C, T, {0, 0, W, PH}, {0, H - PH, W, H}); break;
    case 149: Move(C, {0, 0, W, H - PH}, {0, PH, W, H}); Copy(C, T, {0, H - PH, W, H}, {0, 0, W, PH}); break;
    case 150: Move(C, {0, 0, W, H}, {0, 0, W - PW, H}); Copy(C, T, {0, 0, PW, H}, {W - PW, 0, W, H}); break;
    case 151: Move(C, {0, 0, W, H}, {PW, 0, W, H}); Copy(C, T, {W - PW, 0, W, H}, {0, 0, PW, H}); break;
    case 152: Move(C, {0, 0, W, H}, {0, 0, W, H - PH}); Copy(C, T, {0, 0, W, PH}, {0, H - PH, W, H}); break;
    case 153: Move(C, {0, 0, W, H}, {0, PH, W, H}); Copy(C, T, {0, H - PH, W, H}, {0, 0, W, PH}); break;
    // Family C: clipped shapes.
    case 77: R.Add(CreateRoundRectRgn(-2 * W, -5, 2 * PW, H + 5, 2 * W, 2 * W)); break;
    case 78: R.Add(CreateRoundRectRgn(W - 2 * PW, -5, 3 * W, H + 5, 2 * W, 2 * W)); break;
    case 79: R.Add(CreateRoundRectRgn(-5, -2 * H, W + 5, 2 * PH, 2 * H, 2 * H)); break;
    case 80: R.Add(CreateRoundRectRgn(-5, H - 2 * PH, W + 5, 3 * H, 2 * H, 2 * H)); break;
    case 111: R.Add(CreateRoundRectRgn(-2 * W, -2 * H, 2 * PW, 2 * PH, 2 * W, 2 * H)); break;
    case 112: R.Add(CreateRoundRectRgn(W - 2 * PW, -2 * H, 3 * W, 2 * PH, 2 * W, 2 * H)); break;
    case 113: R.Add(CreateRoundRectRgn(-2 * W, H - 2 * PH, 2 * PW, 3 * H, 2 * W, 2 * H)); break;
    case 114: R.Add(CreateRoundRectRgn(W - 2 * PW, H - 2 * PH, 3 * W, 3 * H, 2 * H, 2 * H)); break;
    case 115:
      R.Add(CreateRoundRectRgn(W / 2 - PW, H / 2 - PH, W / 2 + PW, H / 2 + PH, (PW * 9) / 5, (PH * 9) / 5));
      break;
    case 116:
      R.Add(CreateRectRgn(0, 0, W, H));
      R.Add(CreateRoundRectRgn(PW - W / 2, PH - H / 2, (3 * W) / 2 - PW, (3 * H) / 2 - PH, ((W - PW) * 9) / 5,
                               ((H - PH) * 9) / 5),
            RGN_XOR);
      break;
    case 81: BarsRegion(R, 2 * PW, 0, W, H, U, 2, 0); break;
    case 82: BarsRegion(R, 2 * PW, 0, W, H, U, 1, 0); break;
    case 85: BarsRegion(R, 2 * PW, 0, W, H, U, 4, 0); break;
    case 86: BarsRegion(R, 2 * PW, 0, W, H, U, 5, 0); break;
    case 83: BarsRegion(R, 0, 2 * PH, W, H, U, 0, 2); break;
    case 84: BarsRegion(R, 0, 2 * PH, W, H, U, 0, 1); break;
    case 87: BarsRegion(R, 0, 2 * PH, W, H, U, 0, 4); break;
    case 88: BarsRegion(R, 0, 2 * PH, W, H, U, 0, 5); break;
    case 89: BarsRegion(R, PW, 0, W, H, 0, 3, 0); break;
    case 90: BarsRegion(R, 0, PH, W, H, 0, 0, 3); break;
    case 117: BarsRegion(R, 2 * PW, 2 * PH, W, H, U, 2, 2); break;
    case 118: BarsRegion(R, 2 * PW, 2 * PH, W, H, U, 1, 2); break;
    case 119: BarsRegion(R, 2 * PW, 2 * PH, W, H, U, 2, 1); break;
    case 120: BarsRegion(R, 2 * PW, 2 * PH, W, H, U, 1, 1); break;
    case 121: BarsRegion(R, 2 * PW, 2 * PH, W, H, U, 4, 4); break;
    case 122: BarsRegion(R, 2 * PW, 2 * PH, W, H, U, 5, 4); break;
    case 123: BarsRegion(R, 2 * PW, 2 * PH, W, H, U, 4, 5); break;
    case 124: BarsRegion(R, 2 * PW, 2 * PH, W, H, U, 5, 5); break;
    case 125: BarsRegion(R, PW, PH, W, H, U, 3, 2); break;
    case 126: BarsRegion(R, PW, PH, W, H, U, 3, 1); break;
    case 127: BarsRegion(R, PW, PH, W, H, U, 2, 3); break;
    case 128: BarsRegion(R, PW, PH, W, H, 0, 3, 3); break;
    case 129: BarsRegion(R, PW, PH, W, H, U, 1, 3); break;
    case 130: {
      TRegion other;
      BarsRegion(R, 2 * PW, 2 * PH, W, H, U, 1, 1);
      BarsRegion(other, 2 * PW, 2 * PH, W, H, U, 2, 2);
      if (R.H && other.H)
        R.Add(other.Take(), RGN_AND);
      else
        R.Add(CreateRectRgn(0, 0, 0, 0), RGN_AND);
      break;
    }
    case 91: ShredRegion(R, PW, PH, W, H, 2, 0); break;
    case 92: ShredRegion(R, PW, PH, W, H, 1, 0); break;
    case 105: ShredRegion(R, PW, PH, W, H, 0, 4); break;
    case 106: ShredRegion(R, PW, PH, W, H, 4, 0); break;
    case 107: ShredRegion(R, PW, PH, W, H, 0, 3); break;
    case 108: ShredRegion(R, PW, PH, W, H, 3, 0); break;
    case 93: ShredRegion(R, PW, PH, W, H, 0, 2); break;
    case 94: ShredRegion(R, PW, PH, W, H, 0, 1); break;
    case 95: ShredRegion(R, PW, PH, W, H, 2, 2); break;
    case 96: ShredRegion(R, PW, PH, W, H, 1, 2); break;
    case 97: ShredRegion(R, PW, PH, W, H, 2, 1); break;
    case 98: ShredRegion(R, PW, PH, W, H, 1, 1); break;
    case 99: ShredRegion(R, PW, PH, W, H, 2, 3); break;
    case 100: ShredRegion(R, PW, PH, W, H, 1, 3); break;
    case 101: ShredRegion(R, PW, PH, W, H, 3, 2); break;
    case 102: ShredRegion(R, PW, PH, W, H, 3, 1); break;
    case 103: ShredRegion(R, PW, PH, W, H, 4, 4); break;
    case 104: ShredRegion(R, PW, PH, W, H, 3, 3); break;
    case 109: {
      int u = U;
      const int pw = PW / u, ph = PH / u;
      if (u > 1) u /= 2;
      const int w = W / u, h = H / u;
      for (int r = u; r >= 0; --r)
        for (int c = u; c >= 0; --c) R.Rect(c * w - pw, r * h - ph, c * w + pw, r * h + ph);
      break;
    }
    case 110: {
      int u = U;
      if (u > 1) u /= 2;
      const int pw = PW / u, ph = PH / u, w = W / u, h = H / u;
      for (int r = u; r >= 0; --r)
        for (int c = u; c >= 0; --c)
          Triangle(R, c * w - pw, r * h - ph, c * w + pw, r * h - ph, c * w - pw, r * h + ph);
      break;
    }
    case 131: Triangle(R, 0, 0, 2 * PW, 0, 0, 2 * PH); break;
    case 132: Triangle(R, W, 0, W - 2 * PW, 0, W, 2 * PH); break;
    case 133: Triangle(R, 0, H, 2 * PW, H, 0, H - 2 * PH); break;
    case 134: Triangle(R, W, H, W - 2 * PW, H, W, H - 2 * PH); break;
    case 135:
      Triangle(R, W, 0, 0, 0, W, PH);
      Triangle(R, W, H, 0, H, 0, H - PH);
      break;
    case 136:
      Triangle(R, 0, H, 0, 0, PW, H);
      Triangle(R, W, H, W, 0, W - PW, 0);
      break;
    case 137:
    case 138: {
      if (p == 0) return;
      const int hw = W / 2, hh = H / 2;
      const int radius = IECeil(std::sqrt(double(hw) * hw + double(hh) * hh));
      const double start = -M_PI / 2, end = V == 137 ? start + p * M_PI / 50 : start - p * M_PI / 50;
      PieRegion(R, hw, hh, radius, p, end, start);
      break;
    }
    case 139: {
      const int cx = W / 2, cy = H / 2;
      Triangle(R, cx, cy, 0, H, 0, H - PH);
      Triangle(R, 0, 0, PW, 0, cx, cy);
      Triangle(R, W - PW, H, cx, cy, W, H);
      Triangle(R, cx, cy, W, 0, W, PH);
      break;
    }
    case 140: {
      const int cx = W / 2, cy = H / 2, g = PW / 2, h = PH / 2;
      std::vector<POINT> pts{{cx - g, cy - h}, {cx + g, cy - h}, {cx + g, cy + h}, {cx - g, cy + h}};
      RotatePointsRad(pts, cx, p * M_PI / 50, cy);
      R.Poly(pts);
      break;
    }
    case 141: {
      const int cx = W / 2, cy = H / 2, g = PW / 2, h = PH / 2;
      std::vector<POINT> pts{{cx - 2 * PW, cy}, {cx - g, cy - h}, {cx, cy - 2 * PH}, {cx + g, cy - h},
                             {cx + 2 * PW, cy}, {cx + g, cy + h}, {cx, cy + 2 * PH}, {cx - g, cy + h}};
      RotatePointsRad(pts, cx, p * M_PI / 50, cy);
      R.Poly(pts);
      break;
    }
    case 142: SpeckleRegion(R, PW, PH, W, H, 2, 0); break;
    case 143: SpeckleRegion(R, PW, PH, W, H, 1, 0); break;
    case 144: SpeckleRegion(R, PW, PH, W, H, 0, 2); break;
    case 145: SpeckleRegion(R, PW, PH, W, H, 0, 1); break;
    case 154: Blinds(R, true, false, H / U, p, W, H); break;
    case 155: Blinds(R, false, false, W / U, p, W, H); break;
    case 156: Blinds(R, false, false, PW, p, W, H); break;
    case 157: Blinds(R, false, true, PW, p, W, H); break;
    case 158: Blinds(R, true, false, PH, p, W, H); break;
    case 159: Blinds(R, true, true, PH, p, W, H); break;
    case 160:
    case 161: {
      const int c = std::max(H / U, 1), half = (p * c) / 200;
      for (int k = 0; c / 2 + k * c - half < H; ++k) R.Rect(0, c / 2 + k * c - half, W, c / 2 + k * c + half);
      Blinds(R, false, V == 161, PW, p, W, H);
      break;
    }
    case 162:
    case 163: {
      const int c = std::max(W / U, 1), half = (p * c) / 200;
      for (int k = 0; c / 2 + k * c - half < W; ++k) R.Rect(c / 2 + k * c - half, 0, c / 2 + k * c + half, H);
      Blinds(R, true, V == 163, PH, p, W, H);
      break;
    }
    default:
      return;
  }
  if (R.H != nullptr) ClipDraw(C, T, R);
}

template <int V>
void EffectRoutine(TCanvas* Canvas, TBitmap* /*Source*/, TBitmap* Target, const RECT& Rect, int Param,
                   int Progress) {
  Draw(V, Canvas, Target, Rect, Param, Progress);
}

template <size_t... I>
std::array<TEffect, IEEffectCount> BuildTable(std::index_sequence<I...>) {
  return {TEffect{kNames[I], I >= 30 ? &EffectRoutine<static_cast<int>(I) + 1> : nullptr}...};
}

}  // namespace

void IETransitionExtents(const RECT& Rect, int Param, int Progress, int& W, int& H, int& PW, int& PH, int& Unit) {
  W = Rect.right - Rect.left;
  H = Rect.bottom - Rect.top;
  const int L = std::max(W, H);
  if (W >= H) {
    PW = W > 0 ? MulDiv(W, Progress, 100) : 0;
    PH = W > 0 ? MulDiv(PW, H, W) : 0;
  } else {
    PH = MulDiv(H, Progress, 100);
    PW = MulDiv(PH, W, H);
  }
  Unit = MulDiv(L, Param, 90);
  // Frames whose sides are both below 45 pixels would give 0: the routines divide by it.
  if (Unit < 1) Unit = 1;
}

const TEffect* IEEffects() {
  static const std::array<TEffect, IEEffectCount> table = BuildTable(std::make_index_sequence<IEEffectCount>{});
  return table.data();
}
