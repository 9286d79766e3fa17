// Drawing helpers of the buttons: gradients (DrawRamp and its parts), a bitmap drawn without
// the pixels of a key colour, and a control's parent painted behind it.
#pragma once

#include "platform/vcl/controls.h"
#include "platform/vcl/graphics.h"

// Fills R with a gradient from First to Second. Direction 0 and 1: diagonal one way or the
// other; 2: vertical, First at the bottom; 3: vertical from the middle row outwards; 4, 7, 8,
// 9: boxes narrowing towards the centre (with a horizontal, vertical, no or both insets);
// 5: horizontal, First at the right; 6: horizontal from the middle column outwards. Quality
// sets the least length of a band of one colour. Nothing is drawn for an empty rectangle.
void DrawRamp(TCanvas* Canvas, const RECT& R, int Direction, int Quality, TColor First,
              TColor Second);

// The least band length (less one) of a gradient of Quality; Box for the box gradients.
int RampBandLength(int Quality, bool Box = false);
// Fills the rows (AlongY) or columns from Start to End (exclusive; End below Start runs
// backwards) of Width pixels across with a gradient from First at Start to Second: 16.16 fixed
// point, bands of at least Band + 1 lines, extended while the colour stays the same.
void RampStrip(TCanvas* Canvas, bool AlongY, int Start, int End, int Width, int Band,
               COLORREF First, COLORREF Second);
// Fills the top-left quarter of a W x H area with frames from First (outside) to Second (the
// centre); InsetX/InsetY widen the outer band.
void RampBox(TCanvas* Canvas, int W, int H, int InsetX, int InsetY, int Band, COLORREF First,
             COLORREF Second);
// Fills a W x H area with bands across its diagonal (Other: the other diagonal).
void RampDiagonal(TCanvas* Canvas, int W, int H, bool Other, int Band, COLORREF First,
                  COLORREF Second);
// Copies the filled strip of Filled lines next to itself, doubling, until Total lines are covered.
void TileByDoubling(TCanvas* Canvas, bool AlongY, int Filled, int Total, int Across);
// Copies the top half mirrored onto the bottom half, then the left half onto the right half.
void MirrorQuadrant(TCanvas* Canvas, int W, int H);

// Draws Source of Bitmap stretched to Dest's size at the canvas origin, leaving out the pixels of
// Key (Dest gives only the size).
void DrawKeyedBitmap(TCanvas* Canvas, TBitmap* Bitmap, const RECT& Dest, TColor Key,
                     const RECT& Source);

// Paints Control's parent (background, then itself) into DC as if DC were the parent's, moved
// so that the control's place lies at DC's origin. With InvalidateParent a parent that paints
// no image of its own (neither a custom control nor a form) is also invalidated.
void PaintParentBehind(TControl* Control, HDC DC, bool InvalidateParent);
