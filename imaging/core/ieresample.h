// Resizing of images: the filtered resamplers (two-pass kernel filters, fast linear, area
// average with bilinear or bicubic evaluation, black-and-white projections and area average),
// the nearest-pixel stretch that every pixel format supports, and IEResample, which picks one
// by filter and pixel format and resamples the alpha channel alongside.
//
// Destinations are allocated by the caller at the target size; a method never resizes them
// (except the projections' switch to ie1g at the same size). A source format or filter that a
// method does not handle leaves the destination unchanged.
#pragma once

#include "imaging/core/iedefs.h"
#include "imaging/core/ieprocdefs.h"

class TIEBitmap;

// Weight function and support radius of a kernel filter (rfTriangle .. rfLinear).
double IEFilterWeight(TResampleFilter Filter, double x);
double IEFilterRadius(TResampleFilter Filter);

void IEResampleColor(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter, const TIEProgressEvent& OnProgress,
                     TObject* Sender);
// One 8-bit channel (ie8g or an alpha channel) into an allocated 8-bit destination.
void IEResampleGray8(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter);
// ie1g source; Dest is ie24RGB (grey) or ie1g for the projections.
void IEResampleBW(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter);
// Averages the inclusive rectangle (x1, y1)-(x2, y2) of an ie1g image into the whole ie24RGB Dest.
void IEShrinkBWToGray(TIEBitmap* Source, int x1, int y1, int x2, int y2, TIEBitmap* Dest);

// Nearest-pixel scaling into the allocated Dest of the same pixel format; returns Dest.
TIEBitmap* IEStretch(TIEBitmap* Source, TIEBitmap* Dest, TObject* Sender, const TIEProgressEvent& OnProgress);
// Scales Source into the allocated Dest with Filter, alpha channel included.
void IEResample(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter, TObject* Sender,
                const TIEProgressEvent& OnProgress);
// Every pixel of an ie24RGB bitmap whose alpha is 0 takes Color.
void IEFillTransparentPixels(TIEBitmap* Bitmap, TIERGBPixel Color);
