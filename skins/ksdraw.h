// Drawing primitives shared by the skin panels (internal to skins/): frames, arrows, the close
// cross, the check mark, glyph strips and the caption text. Every line includes its first point
// and excludes its last, as the platform's line drawing does.
#pragma once

#include <string>

#include "platform/vcl/graphics.h"

namespace ksdraw {

// One-pixel outline of R: top and left in TopLeft, bottom and right (with the top-right and
// bottom-left corners) in BottomRight; then R shrinks by one pixel on every side.
void Frame(TCanvas* C, RECT& R, TColor TopLeft, TColor BottomRight);
// Arrows of 7 x 4 pixels centred in R.
void ArrowLeft(TCanvas* C, const RECT& R, TColor Color);
void ArrowRight(TCanvas* C, const RECT& R, TColor Color);
void ArrowUp(TCanvas* C, const RECT& R, TColor Color);
void ArrowDown(TCanvas* C, const RECT& R, TColor Color);
// The close cross centred in R.
void Cross(TCanvas* C, const RECT& R, TColor Color);
// The check mark with its origin at (X, Y).
void CheckMark(TCanvas* C, int X, int Y, TColor Color);
// Picture K (from 1) of a strip of N pictures, drawn with its bottom-left pixel's colour
// transparent.
void GlyphPart(TCanvas* C, int X, int Y, TBitmap* Glyph, int K, int N);
// Copies the part Src of Picture to (X, Y) with its bottom-left pixel's colour transparent.
void TransparentPart(TCanvas* C, int X, int Y, TBitmap* Picture, const RECT& Src);
// Text at (R.Left + 2, vertically centred in R), clipped to R.
void CaptionText(TCanvas* C, const RECT& R, const std::string& Text);
// Text at (X, Y) clipped to R (the canvas' font, transparent background).
void TextClipped(TCanvas* C, const RECT& R, int X, int Y, const std::string& Text);

}  // namespace ksdraw
