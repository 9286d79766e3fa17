// PNG snapshots of device contexts and bitmaps, for tests and golden images.
//
// Written with libpng directly. Snapshots are 24-bit RGB (the alpha byte GDI leaves in 32-bit
// surfaces means nothing), or RGBA when asked for.
#pragma once

#include <string>

#include "platform/win/gdi_surface.h"

bool SaveSurfaceToPng(const TGdiSurface& s, const std::string& path, bool withAlpha = false);
// The whole surface the DC draws on.
bool SaveDCToPng(HDC dc, const std::string& path);
bool SaveBitmapToPng(HBITMAP bm, const std::string& path, bool withAlpha = false);
// A new 32-bit top-down DIB section with the image (alpha kept), or null.
HBITMAP LoadPngToBitmap(const std::string& path);
// Pixels whose red, green or blue differ by more than tolerance (sizes must match; -1 if not).
long ComparePixels(const TGdiSurface& a, const TGdiSurface& b, int tolerance);
