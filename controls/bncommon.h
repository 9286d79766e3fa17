// Colour helpers and borders of the buttons: hue, saturation and luminance (0..240 each),
// lighter, darker, mixed and opposite colours, 3-D edges, frame styles, dotted and hot rings,
// and two tables of named colours (data that no code of the program reads).
#pragma once

#include <cstdint>

#include "platform/vcl/graphics.h"

// ---- Colours ----
void SplitHSL(TColor Color, uint8_t& Hue, uint8_t& Saturation, uint8_t& Luminance);
uint8_t HueOf(TColor Color);
// Hues are scaled by 239, not 240: hue 239 is red again. A luminance above 240 pushes the
// components to their cap.
TColor JoinHSL(int Hue, int Saturation, int Luminance);
TColor ShadeDown(TColor Color, int Amount);
TColor ShadeUp(TColor Color, int Amount);
// Weight 255 gives A, 0 gives B.
TColor MixColors(TColor A, TColor B, int Weight);
bool ColorsNear(TColor A, TColor B);
TColor OppositeHue(TColor Color, int Luminance);
// The display shows more than 256 colours (the hot rings are drawn only then).
extern bool TrueColorDisplay;

// ---- Borders ----
// Sides: 1 left, 2 top, 4 right, 8 bottom. Each returns the rectangle inside what it drew.
enum : int { bsLeftSide = 1, bsTopSide = 2, bsRightSide = 4, bsBottomSide = 8, bsAllSides = 15 };

RECT DrawEdgeLines(TCanvas* Canvas, const RECT& R, TColor UpperLeft, TColor LowerRight,
                   int Sides = bsAllSides);
RECT DrawEdgeRings(TCanvas* Canvas, const RECT& R, TColor UpperLeft, TColor LowerRight, int Sides,
                   int Count);
RECT Draw3DEdges(TCanvas* Canvas, const RECT& R, bool Lowered, int Sides = bsAllSides);
RECT DrawButtonEdges(TCanvas* Canvas, const RECT& R, bool Lowered, int Sides = bsAllSides);
RECT DrawTintedButtonEdges(TCanvas* Canvas, const RECT& R, TColor Face, bool Lowered,
                           int Sides = bsAllSides);
// Frame styles 0..10: nothing, a dark ring, groove, bump, lowered and raised 3-D and button
// edges, light and dark single rings, a double shadow ring.
RECT DrawFrameStyle(TCanvas* Canvas, const RECT& R, int Style, int Sides = bsAllSides);
RECT DrawTintedFrameStyle(TCanvas* Canvas, const RECT& R, TColor Face, int Style,
                          int Sides = bsAllSides);
// Every second pixel of the rectangle's outline in black.
RECT DrawDottedFrame(TCanvas* Canvas, const RECT& R);
// A 2-pixel ring of R painted with a gradient (only on displays of more than 256 colours).
RECT DrawHotRing(TCanvas* Canvas, const RECT& R, int Direction, TColor First, TColor Second);

// ---- Named colours ----
struct TBnNamedColor {
  TColor Color;
  const char* Name;
};
// 40 colours and the system colours 0..30 without 25.
extern const TBnNamedColor BnColorTable[70];
// "Default", "Custom", the 16 basic colours and the system colours 0..24.
extern const TBnNamedColor BnColorIdents[43];
