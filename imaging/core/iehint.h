// Canvas helpers of the views: the two-colour edge rectangle, the interaction hint box, the
// colour-table helpers of class-library bitmaps, and two system probes that need the window
// layer.
#pragma once

#include <string>

#include "imaging/core/iedefs.h"

class TCanvas;
class TBitmap;
class TBrush;
class TFont;
class TIEBitmap;

// Top and left edges in TopLeftColor, bottom and right in BottomRightColor.
void IEDrawEdgeRect(TCanvas* Canvas, int x1, int y1, TColor BottomRightColor, TColor TopLeftColor, int y2, int x2);
// Draws a hint box at about (x, y), kept inside MaxX x MaxY; x and y return where it went.
// SaveBitmap receives what the box covers, so that the caller can restore the background.
void IEDrawHintBox(TCanvas* Canvas, int& x, int& y, TColor BottomRightColor, TColor TopLeftColor, int MaxY, int MaxX,
                   TBitmap* SaveBitmap, TBrush* Brush, TFont* Font, const std::string& Text);

void IESetGrayPalette(TBitmap* Bitmap);
bool IEIsGrayPalette(TBitmap* Bitmap);
void IECopyTBitmapPalette(TBitmap* Bitmap, TIEBitmap* Image);
bool IEIsPrimaryButtonDown();
