// Pixel helpers the IO frame needs on its target: a codec's alpha mask into the alpha channel, the
// EXIF orientation fix for display and the composition of animated GIF frames. (Conversions and
// stretches are the container's: TIEBitmap::SetPixelFormat, IEStretch, IEResample.)
#pragma once

#include "imaging/core/iebitmap.h"

class TIEMask;
class TIOParamsVals;

// Copies the mask into Bitmap's alpha channel (1-bit masks give 0 / 255); sizes must agree,
// otherwise nothing happens.
void IOMaskToAlpha(TIEMask* Mask, TIEBitmap* Bitmap);

// The EXIF orientation fix for display: non-24-bit images are made 24-bit first, then
// IEApplyOrientation (imaging/core/iesmall.h) turns them upright.
void IOApplyOrientation(TIEBitmap* Bitmap, int Orientation);

// The composition of animated GIF frames: each frame is drawn over a persistent 24-bit canvas
// (with alpha) of the logical screen size, honouring the previous frame's disposal.
class TIEGifCanvas {
public:
  // Draws Frame (read with the set P) over the canvas and returns the canvas; afterwards P reports
  // disposal 2 and position (0, 0), since the result is the whole composed screen.
  TIEBitmap* Compose(TIEBitmap* Frame, TIOParamsVals& P);

private:
  TIEBitmap FCanvas;
  int FPrevDisposal = 0, FPrevX = 0, FPrevY = 0, FPrevW = 0, FPrevH = 0;
};
