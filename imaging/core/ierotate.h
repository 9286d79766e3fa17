// Rotation of images by any angle in degrees (positive: counter-clockwise on screen, rows counted
// from the top): the general nearest-pixel rotation of every pixel format with lossless quarter
// turns, the antialiased rotation (bilinear or bicubic) of 24-bit images and 8-bit channels, the
// three-shear rotation of 24-bit and 8-bit images, and the nearest-pixel rotations of 1-bit and
// 8-bit images. Every routine grows the canvas so that the whole turned picture fits and fills
// the uncovered corners with a background value.
#pragma once

#include "imaging/core/iedefs.h"
#include "imaging/core/ieprocdefs.h"

class TIEBitmap;

bool IEIsRightAngle(double Angle);

// Writes the turned Source into Dest, which it allocates. Background is a fill value as for
// TIEBitmap::Fill (a TColor for colour formats).
void IERotateInto(TIEBitmap* Source, TIEBitmap* Dest, double Background, TObject* Sender,
                  const TIEProgressEvent& OnProgress, double Angle);
// Turns Bitmap in place (any pixel format).
void IERotateGeneral(TIEBitmap* Bitmap, double Background, TObject* Sender, const TIEProgressEvent& OnProgress,
                     double Angle);
// Antialiased rotation of an ie24RGB bitmap; Mode 1 bilinear, 2 bicubic.
void IERotateAntialias24(TIEBitmap* Bitmap, TColor Background, int Mode, TObject* Sender,
                         const TIEProgressEvent& OnProgress, double Angle);
// The same for a one-byte-per-pixel bitmap (an alpha channel); no progress.
void IERotateAntialias8(TIEBitmap* Bitmap, uint8_t Background, int Mode, double Angle);

// Three-shear rotation in place of an ie24RGB bitmap (any other format goes to IERotate1Bit).
void IERotateShear24(TIEBitmap* Bitmap, bool Interpolate, TObject* Sender, const TIEProgressEvent& OnProgress,
                     TIERGBPixel BackgroundRGB, double Angle);
// The same for a one-byte-per-pixel bitmap.
void IERotateShear8(TIEBitmap* Bitmap, bool Interpolate, uint8_t Background, TObject* Sender,
                    const TIEProgressEvent& OnProgress, double Angle);
// Nearest-pixel rotation of an ie1g bitmap.
void IERotate1Bit(TIEBitmap* Bitmap, bool BackgroundWhite, TObject* Sender, const TIEProgressEvent& OnProgress,
                  double Angle);
// Nearest-pixel rotation of an ie8g or ie8p bitmap (other formats unchanged).
void IERotate8Nearest(TIEBitmap* Bitmap, uint8_t Background, double Angle);

// Quarter turns of 3-byte and 1-byte images into a destination they allocate.
void IERotate90CW24(TIEBitmap* Source, TIEBitmap* Dest);
void IERotate90CCW24(TIEBitmap* Source, TIEBitmap* Dest);
void IERotate90CW8(TIEBitmap* Source, TIEBitmap* Dest);
void IERotate90CCW8(TIEBitmap* Source, TIEBitmap* Dest);
