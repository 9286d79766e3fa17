// The background painter of the views: fills a rectangle in one of the background styles, then
// puts the wallpaper on it. The single-image view paints the area around its image with it, the
// thumbnail grid its client area and each cell, the transition engine its frames.
#pragma once

#include "imaging/core/iedefs.h"
#include "imaging/views/ieviewdefs.h"
#include "platform/vcl/graphics.h"

class TIEBitmap;

// Paints (X, Y)-(X + Width, Y + Height) of Canvas in Style with Color. Bitmap, when given, is the
// 24-bit image behind Canvas: the chessboard writes its pixels directly and the shadow styles need
// it. The image rectangle (ImageLeft, ImageTop)-(ImageRight, ImageBottom) is the area of the
// picture the background surrounds (the cropped, shadow and photo-like styles draw around it).
// The chessboard uses squares of SquareSize in SquareBrush; the gradient runs from Color at the
// top to GradientColor at the bottom. WallPaper (may be nil) is drawn afterwards from (0, 0) in
// WallPaperStyle. While Designing, the cropped and shadow styles paint a plain fill.
void IEDrawBackground(bool Designing, TCanvas* Canvas, TIEBitmap* Bitmap, TIEBackgroundStyle Style,
                      TColor Color, int X, int Y, int Width, int Height, int ImageLeft,
                      int ImageTop, int ImageRight, int ImageBottom, int SquareSize,
                      TBrushStyle SquareBrush, TColor GradientColor, TPicture* WallPaper,
                      TIEWallPaperStyle WallPaperStyle);

// Draws a wallpaper picture on Canvas over (0, 0)-(Width, Height): at the corner, stretched, or
// tiled until the area is covered (a picture without size is not tiled).
void IEDrawWallPaper(TCanvas* Canvas, TPicture* WallPaper, TIEWallPaperStyle WallPaperStyle,
                     int Width, int Height);
