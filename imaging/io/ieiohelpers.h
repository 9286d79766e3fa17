// Pixel helpers the IO frame needs on its target: conversion to 24-bit RGB before saving with
// formats that want it, a codec's alpha mask into the alpha channel, and a nearest-pixel stretch
// for the DPI adjustment. Internal to the IO library.
#pragma once

class TIEBitmap;
class TIEMask;

// Converts Bitmap in place to 24-bit RGB (no-op for 24-bit RGB and for an empty bitmap).
void IOConvertTo24(TIEBitmap* Bitmap);
// Copies the mask into Bitmap's alpha channel (1-bit masks give 0 / 255); sizes must agree,
// otherwise nothing happens.
void IOMaskToAlpha(TIEMask* Mask, TIEBitmap* Bitmap);
// A new bitmap of Width x Height in Source's format (palette kept), nearest-pixel stretched.
TIEBitmap* IOStretchNearest(TIEBitmap* Source, int Width, int Height);
