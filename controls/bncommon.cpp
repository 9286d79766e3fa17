// Colour helpers, borders and the named colour tables (see bncommon.h).
#include "controls/bncommon.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "controls/bngrafx.h"

namespace {

// Rounds to the nearest integer, halves to even.
int RoundEven(double V) { return static_cast<int>(std::nearbyint(V)); }

bool ScreenHasTrueColor() {
  HDC dc = CreateCompatibleDC(nullptr);
  const bool deep = GetDeviceCaps(dc, NUMCOLORS) == -1;
  DeleteDC(dc);
  return deep;
}

}  // namespace

bool TrueColorDisplay = ScreenHasTrueColor();

// ---- Colours ----
void SplitHSL(TColor Color, uint8_t& Hue, uint8_t& Saturation, uint8_t& Luminance) {
  const COLORREF c = ColorToRGB(Color);
  const double r = GetRValue(c) / 255.0, g = GetGValue(c) / 255.0, b = GetBValue(c) / 255.0;
  const double mx = std::max({r, g, b}), mn = std::min({r, g, b});
  const double l = (mx + mn) / 2;
  double h = 0, s = 0;
  if (mx != mn) {
    const double d = mx - mn;
    s = l < 0.5 ? d / (mx + mn) : d / (2 - mx - mn);
    if (r == mx)
      h = (g - b) / d;
    else if (g == mx)
      h = 2 + (b - r) / d;
    else
      h = 4 + (r - g) / d;
    h /= 6;
    if (h < 0) h += 1;
  }
  Hue = uint8_t(RoundEven(h * 240));
  Saturation = uint8_t(RoundEven(s * 240));
  Luminance = uint8_t(RoundEven(l * 240));
}

uint8_t HueOf(TColor Color) {
  uint8_t h, s, l;
  SplitHSL(Color, h, s, l);
  return h;
}

TColor JoinHSL(int Hue, int Saturation, int Luminance) {
  const double L = Luminance / 240.0, S = Saturation / 240.0;
  const double m2 = L < 0.5 ? L * (1 + S) : L + S - L * S;
  if (m2 <= 0) return clBlack;
  // 239, not 240: a hue of 239 comes round to red.
  const double x = Hue / 239.0 * 6;
  const int k = static_cast<int>(x);
  const double f = x - k, m1 = 2 * L - m2, v = (m2 - m1) * f;
  const double rising = m1 + v, falling = m2 - v;
  // Per sextant, which value each of red, green and blue takes: m1, m2, rising or falling.
  static const int pick[6][3] = {{1, 2, 0}, {3, 1, 0}, {0, 1, 2}, {0, 3, 1}, {2, 0, 1}, {1, 0, 3}};
  const double values[4] = {m1, m2, rising, falling};
  const int* p = pick[k >= 1 && k <= 5 ? k : 0];  // beyond 5 (hue 239): as sextant 0
  const double r = values[p[0]], g = values[p[1]], b = values[p[2]];
  auto comp = [](double c) { return RoundEven(std::clamp(c, 0.0, 1.0) * 255); };
  return TColor(RGB(comp(r), comp(g), comp(b)));
}

TColor ShadeDown(TColor Color, int Amount) {
  uint8_t h, s, l;
  SplitHSL(Color, h, s, l);
  return JoinHSL(h, s, std::max(l - Amount, 0));
}

TColor ShadeUp(TColor Color, int Amount) {
  uint8_t h, s, l;
  SplitHSL(Color, h, s, l);
  return JoinHSL(h, s, std::min(l + Amount, 255));
}

TColor MixColors(TColor A, TColor B, int Weight) {
  // The weight is a single-precision fraction, as the rounding of the results depends on it.
  const float x = float(Weight) / 255.0f;
  const COLORREF a = ColorToRGB(A), b = ColorToRGB(B);
  auto mix = [x](int ca, int cb) {
    return static_cast<int>(std::nearbyint(x * float(ca) + (1.0f - x) * float(cb)));
  };
  return TColor(RGB(mix(GetRValue(a), GetRValue(b)), mix(GetGValue(a), GetGValue(b)),
                    mix(GetBValue(a), GetBValue(b))));
}

bool ColorsNear(TColor A, TColor B) {
  uint8_t ha, sa, la, hb, sb, lb;
  SplitHSL(A, ha, sa, la);
  SplitHSL(B, hb, sb, lb);
  return std::abs(ha - hb) < 20 && std::abs(la - lb) < 60;
}

TColor OppositeHue(TColor Color, int Luminance) {
  const int h = HueOf(Color);
  return JoinHSL(h < 120 ? h + 120 : h - 120, 240, Luminance);
}

// ---- Borders ----
RECT DrawEdgeLines(TCanvas* Canvas, const RECT& R, TColor UpperLeft, TColor LowerRight, int Sides) {
  RECT out = R;
  TPen* pen = Canvas->Pen();
  auto line = [&](int x1, int y1, int x2, int y2) {
    Canvas->MoveTo(x1, y1);
    Canvas->LineTo(x2, y2);
  };
  if (UpperLeft != clNone) {
    pen->SetColor(UpperLeft);
    if (Sides & bsLeftSide) {
      line(R.left, R.top, R.left, R.bottom);
      ++out.left;
    }
    if (Sides & bsTopSide) {
      line(R.left, R.top, R.right, R.top);
      ++out.top;
    }
  }
  if (LowerRight != clNone) {
    pen->SetColor(LowerRight);
    if (Sides & bsRightSide) {
      line(R.right - 1, R.top, R.right - 1, R.bottom);
      --out.right;
    }
    if (Sides & bsBottomSide) {
      line(R.left, R.bottom - 1, R.right, R.bottom - 1);
      --out.bottom;
    }
  }
  return out;
}

RECT DrawEdgeRings(TCanvas* Canvas, const RECT& R, TColor UpperLeft, TColor LowerRight, int Sides,
                   int Count) {
  Canvas->Pen()->SetWidth(1);
  RECT r = R;
  for (int i = 0; i < Count; ++i) r = DrawEdgeLines(Canvas, r, UpperLeft, LowerRight, Sides);
  return r;
}

namespace {
// Two rings: the outer pair of colours, then the inner pair.
RECT TwoRings(TCanvas* Canvas, const RECT& R, TColor OuterUL, TColor OuterLR, TColor InnerUL,
              TColor InnerLR, int Sides) {
  const RECT r = DrawEdgeLines(Canvas, R, OuterUL, OuterLR, Sides);
  return DrawEdgeLines(Canvas, r, InnerUL, InnerLR, Sides);
}

// A groove (or bump, by the colours): corner pixels where a side meets a missing one, then the
// rectangle moved by (1, 1) in the lower-right colour and the rectangle less its last row and
// column in the upper-left colour.
RECT Groove(TCanvas* Canvas, const RECT& R, TColor U, TColor L, int Sides) {
  const bool left = Sides & bsLeftSide, top = Sides & bsTopSide, right = Sides & bsRightSide,
             bottom = Sides & bsBottomSide;
  if (right)
    Canvas->SetPixels(R.right - 1, R.top, L);
  else if (top)
    Canvas->SetPixels(R.right - 1, R.top, U);
  if (bottom)
    Canvas->SetPixels(R.left, R.bottom - 1, L);
  else if (left)
    Canvas->SetPixels(R.left, R.bottom - 1, U);
  if (top && !left) Canvas->SetPixels(R.left, R.top + 1, L);
  if (left && !top) Canvas->SetPixels(R.left + 1, R.top, L);
  if (bottom && !right) Canvas->SetPixels(R.right - 1, R.bottom - 2, U);
  if (right && !bottom) Canvas->SetPixels(R.right - 2, R.bottom - 1, U);
  DrawEdgeLines(Canvas, RECT{R.left + 1, R.top + 1, R.right + 1, R.bottom + 1}, L, L, Sides);
  DrawEdgeLines(Canvas, RECT{R.left, R.top, R.right - 1, R.bottom - 1}, U, U, Sides);
  RECT out = R;
  if (left) out.left += 2;
  if (top) out.top += 2;
  if (right) out.right -= 2;
  if (bottom) out.bottom -= 2;
  return out;
}
}  // namespace

RECT Draw3DEdges(TCanvas* Canvas, const RECT& R, bool Lowered, int Sides) {
  if (Lowered)
    return TwoRings(Canvas, R, clBtnShadow, clBtnHighlight, cl3DDkShadow, cl3DLight, Sides);
  return TwoRings(Canvas, R, cl3DLight, cl3DDkShadow, clBtnHighlight, clBtnShadow, Sides);
}

RECT DrawButtonEdges(TCanvas* Canvas, const RECT& R, bool Lowered, int Sides) {
  if (Lowered) return TwoRings(Canvas, R, clBtnText, clBtnText, clBtnShadow, clBtnShadow, Sides);
  return TwoRings(Canvas, R, clBtnHighlight, cl3DDkShadow, cl3DLight, clBtnShadow, Sides);
}

RECT DrawTintedButtonEdges(TCanvas* Canvas, const RECT& R, TColor Face, bool Lowered, int Sides) {
  if (Lowered) {
    const TColor outer = ShadeDown(Face, 100), inner = ShadeDown(Face, 50);
    return TwoRings(Canvas, R, outer, outer, inner, inner, Sides);
  }
  return TwoRings(Canvas, R, ShadeUp(Face, 100), ShadeDown(Face, 100), ShadeUp(Face, 40),
                  ShadeDown(Face, 50), Sides);
}

namespace {
// The frame styles in the colours of a plain or a tinted face: Dark for the dark ring, Shadow
// and Highlight for grooves, bumps and single rings. Edges draws styles 4 to 7 (3-D and button
// edges, lowered and raised), which differ between the two.
template <class F>
RECT FrameStyleIn(TCanvas* Canvas, const RECT& R, int Style, int Sides, TColor Dark, TColor Shadow,
                  TColor Highlight, F Edges) {
  switch (Style) {
    case 0:
      return R;
    case 1:
      return DrawEdgeLines(Canvas, R, Dark, Dark, Sides);
    case 2:
      return Groove(Canvas, R, Shadow, Highlight, Sides);
    case 4:
    case 5:
    case 6:
    case 7:
      return Edges(Style);
    case 8:
      return DrawEdgeLines(Canvas, R, Shadow, Highlight, Sides);
    case 9:
      return DrawEdgeLines(Canvas, R, Highlight, Shadow, Sides);
    case 10:
      return DrawEdgeRings(Canvas, R, Shadow, Shadow, Sides, 2);
    default:
      return Groove(Canvas, R, Highlight, Shadow, Sides);  // 3, and any other value
  }
}
}  // namespace

RECT DrawFrameStyle(TCanvas* Canvas, const RECT& R, int Style, int Sides) {
  return FrameStyleIn(Canvas, R, Style, Sides, cl3DDkShadow, clBtnShadow, clBtnHighlight,
                      [&](int S) {
                        const bool lowered = S == 4 || S == 5;
                        return S == 4 || S == 6 ? Draw3DEdges(Canvas, R, lowered, Sides)
                                                : DrawButtonEdges(Canvas, R, lowered, Sides);
                      });
}

RECT DrawTintedFrameStyle(TCanvas* Canvas, const RECT& R, TColor Face, int Style, int Sides) {
  const TColor down50 = ShadeDown(Face, 50), down100 = ShadeDown(Face, 100),
               up50 = ShadeUp(Face, 50), up100 = ShadeUp(Face, 100);
  return FrameStyleIn(Canvas, R, Style, Sides, down50, down50, up100, [&](int S) {
    switch (S) {
      case 4:
        return TwoRings(Canvas, R, down50, up100, down100, up50, Sides);
      case 6:
        return TwoRings(Canvas, R, up50, down100, up100, down50, Sides);
      default:
        return DrawTintedButtonEdges(Canvas, R, Face, S == 5, Sides);
    }
  });
}

RECT DrawDottedFrame(TCanvas* Canvas, const RECT& R) {
  for (int y = R.top + 1; y < R.bottom - 1; y += 2) {
    Canvas->SetPixels(R.left, y, clBlack);
    Canvas->SetPixels(R.right - 1, y, clBlack);
  }
  for (int x = R.left + 1; x < R.right - 1; x += 2) {
    Canvas->SetPixels(x, R.top, clBlack);
    Canvas->SetPixels(x, R.bottom - 1, clBlack);
  }
  return RECT{R.left + 1, R.top + 1, R.right - 1, R.bottom - 1};
}

RECT DrawHotRing(TCanvas* Canvas, const RECT& R, int Direction, TColor First, TColor Second) {
  const RECT inner{R.left + 2, R.top + 2, R.right - 2, R.bottom - 2};
  if (!TrueColorDisplay) return inner;
  // The clipping region as it was comes back afterwards (a paint DC has one of its own).
  HDC dc = Canvas->Handle();
  const int saved = SaveDC(dc);
  ExcludeClipRect(dc, inner.left, inner.top, inner.right, inner.bottom);
  DrawRamp(Canvas, R, Direction, 1, First, Second);
  RestoreDC(dc, saved);
  return inner;
}

// ---- Named colours ----
namespace {
constexpr TColor Hex(uint32_t RRGGBB) {
  return TColor(((RRGGBB >> 16) & 0xFF) | (RRGGBB & 0xFF00) | ((RRGGBB & 0xFF) << 16));
}
}  // namespace

const TBnNamedColor BnColorTable[70] = {
    {Hex(0x000000), "Black"},
    {Hex(0x993300), "Brown"},
    {Hex(0x333300), "Olive Green"},
    {Hex(0x003300), "Dark Green"},
    {Hex(0x003366), "Dark Teal"},
    {Hex(0x000080), "Dark Blue"},
    {Hex(0x333399), "Indigo"},
    {Hex(0x333333), "Gray 80%"},
    {Hex(0x800000), "Dark Red"},
    {Hex(0xFF6600), "Orange"},
    {Hex(0x808000), "Dark Yellow"},
    {Hex(0x008000), "Green"},
    {Hex(0x008080), "Teal"},
    {Hex(0x0000FF), "Blue"},
    {Hex(0x666699), "Blue Gray"},
    {Hex(0x808080), "Gray 50%"},
    {Hex(0xFF0000), "Red"},
    {Hex(0xFF9900), "Light Orange"},
    {Hex(0x99CC00), "Lime"},
    {Hex(0x339966), "Sea Green"},
    {Hex(0x33CCCC), "Aqua"},
    {Hex(0x3366FF), "Light Blue"},
    {Hex(0x800080), "Violet"},
    {Hex(0x999999), "Gray 40%"},
    {Hex(0xFF00FF), "Pink"},
    {Hex(0xFFCC00), "Gold"},
    {Hex(0xFFFF00), "Yellow"},
    {Hex(0x00FF00), "Bright Green"},
    {Hex(0x00FFFF), "Turquoise"},
    {Hex(0x00CCFF), "Sky Blue"},
    {Hex(0x993366), "Plum"},
    {Hex(0xC0C0C0), "Gray 25%"},
    {Hex(0xFF99CC), "Rose"},
    {Hex(0xFFCC99), "Tan"},
    {Hex(0xFFFF99), "Light Yellow"},
    {Hex(0xCCFFCC), "Light Green"},
    {Hex(0xCCFFFF), "Light Turquoise"},
    {Hex(0x99CCFF), "Pale Blue"},
    {Hex(0xCC99FF), "Lavender"},
    {Hex(0xFFFFFF), "White"},
    {clScrollBar, "Scroll Bar"},
    {clBackground, "Background"},
    {clActiveCaption, "Active Caption"},
    {clInactiveCaption, "Inactive Caption"},
    {clMenu, "Menu"},
    {clWindow, "Window"},
    {clWindowFrame, "Window Frame"},
    {clMenuText, "Menu Text"},
    {clWindowText, "Window Text"},
    {clCaptionText, "Caption Text"},
    {clActiveBorder, "Active Border"},
    {clInactiveBorder, "Inactive Border"},
    {clAppWorkSpace, "App WorkSpace"},
    {clHighlight, "Highlight"},
    {clHighlightText, "Highlight Text"},
    {clBtnFace, "Button Face"},
    {clBtnShadow, "Button Shadow"},
    {clGrayText, "Gray Text"},
    {clBtnText, "Button Text"},
    {clInactiveCaptionText, "Inactive Caption Text"},
    {clBtnHighlight, "Button Highlight"},
    {cl3DDkShadow, "3D Dark Shadow"},
    {cl3DLight, "3D Light"},
    {clInfoText, "Info Text"},
    {clInfoBk, "Info Background"},
    {clHotLight, "Hot Light"},
    {clGradientActiveCaption, "Gradient Active Caption"},
    {clGradientInactiveCaption, "Gradient Inactive Caption"},
    {clMenuHighlight, "Menu Highlight"},
    {clMenuBar, "Menu Bar"},
};

const TBnNamedColor BnColorIdents[43] = {
    {0, "Default"},
    {0, "Custom"},
    {clBlack, "Black"},
    {clMaroon, "Maroon"},
    {clGreen, "Green"},
    {clOlive, "Olive"},
    {clNavy, "Navy"},
    {clPurple, "Purple"},
    {clTeal, "Teal"},
    {clGray, "Gray"},
    {clSilver, "Silver"},
    {clRed, "Red"},
    {clLime, "Lime"},
    {clYellow, "Yellow"},
    {clBlue, "Blue"},
    {clFuchsia, "Fuchsia"},
    {clAqua, "Aqua"},
    {clWhite, "White"},
    {clScrollBar, "ScrollBar"},
    {clBackground, "Background"},
    {clActiveCaption, "ActiveCaption"},
    {clInactiveCaption, "InactiveCaption"},
    {clMenu, "Menu"},
    {clWindow, "Window"},
    {clWindowFrame, "WindowFrame"},
    {clMenuText, "MenuText"},
    {clWindowText, "WindowText"},
    {clCaptionText, "CaptionText"},
    {clActiveBorder, "ActiveBorder"},
    {clInactiveBorder, "InactiveBorder"},
    {clAppWorkSpace, "AppWorkSpace"},
    {clHighlight, "Highlight"},
    {clHighlightText, "HighlightText"},
    {clBtnFace, "BtnFace"},
    {clBtnShadow, "BtnShadow"},
    {clGrayText, "GrayText"},
    {clBtnText, "BtnText"},
    {clInactiveCaptionText, "InactiveCaptionText"},
    {clBtnHighlight, "BtnHighlight"},
    {cl3DDkShadow, "3DDkShadow"},
    {cl3DLight, "3DLight"},
    {clInfoText, "InfoText"},
    {clInfoBk, "InfoBk"},
};
