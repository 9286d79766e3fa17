// Pixel helpers the IO frame needs on its target: conversion to 24-bit RGB before saving with
// formats that want it, a codec's alpha mask into the alpha channel, a nearest-pixel stretch for
// the DPI adjustment, and the EXIF orientation fix (which the JPEG codec uses as well).
#pragma once

#include "imaging/core/iebitmap.h"

class TIEMask;
class TIOParamsVals;

// Converts Bitmap in place to 24-bit RGB (no-op for 24-bit RGB and for an empty bitmap).
void IOConvertTo24(TIEBitmap* Bitmap);
// Copies the mask into Bitmap's alpha channel (1-bit masks give 0 / 255); sizes must agree,
// otherwise nothing happens.
void IOMaskToAlpha(TIEMask* Mask, TIEBitmap* Bitmap);
// A new bitmap of Width x Height in Source's format (palette kept), nearest-pixel stretched.
TIEBitmap* IOStretchNearest(TIEBitmap* Source, int Width, int Height);

// Mirrors and turns Bitmap (and its alpha channel) so that an image stored with the EXIF/TIFF
// Orientation value shows upright (2..8: mirrors and quarter turns; other values, a nil or an
// empty bitmap change nothing). The pixel format is kept, except ie1g, which becomes ie24RGB.
void IEApplyOrientation(TIEBitmap* Bitmap, int Orientation);
// The same for display: non-24-bit images are made 24-bit first.
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
