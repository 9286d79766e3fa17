// Pixel helpers the codecs share: conversion of any pixel format to ie24RGB, the two-colour and
// threshold conversions to ie1g and the resampling of icons. (The EXIF orientation fix and the
// mask-to-alpha exchange live with the IO front end, in imaging/io/ieiohelpers.h.)
// (The image container's general pixel-format conversion lives with the processing code; the
// codecs need only these few.)
#pragma once

#include <cstdint>

#include "imaging/core/iedefs.h"

class TIEBitmap;
class TIEMask;

// A new ie24RGB copy of Source (any pixel format), alpha channel included.
TIEBitmap* IEConvertTo24(TIEBitmap* Source);
// A new ie1g image when Source has exactly two colours (bit 0 = the darker colour by the
// luminance weights, returned first in Color1), else nil.
TIEBitmap* IETwoColorTo1Bit(TIEBitmap* Source, TIERGBPixel& Color1, TIERGBPixel& Color2);
// A new ie1g image by a 50 % luminance threshold.
TIEBitmap* IEConvertTo1Bit(TIEBitmap* Source);
// A new copy of Source (ie1g: nearest pixel; other formats through ie24RGB, bilinear) at
// Width x Height, alpha channel included.
TIEBitmap* IEResampleCopy(TIEBitmap* Source, int Width, int Height);
// Dots per inch from a header's pixels per metre, rounded to the nearest whole number.
int IEDpiFromPpm(int64_t PixelsPerMetre);
// Pixels per metre for a header from dots per inch, rounded to the nearest whole number.
int64_t IEPpmFromDpi(int64_t Dpi);
// False for image sizes no reader should allocate: above 2^30 pixels, or more than 65,536 pixels
// per byte of the data that remain (no supported compression gets near that), so that a forged
// header cannot make a reader allocate gigabytes for a few bytes of data.
bool IEPlausibleImageSize(int64_t Width, int64_t Height, int64_t DataBytes);
