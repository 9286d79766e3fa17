// The blit core shared by the DC blits and the DIB calls (which blit from caller memory).
#pragma once

#include "platform/win/gdi_surface.h"

struct TBlitSource {
  const TGdiSurface* S = nullptr;
  bool MonoRule = false;       // a monochrome bitmap: 0 -> text colour, 1 -> background colour
  COLORREF BkColor = 0xFFFFFF; // the source DC's background colour (colour -> monochrome rule)
};
// Stretches src's rectangle (surface pixels, negative extents mirror) onto dst's logical
// rectangle with the raster operation and dst's stretch mode.
BOOL BlitSurface(HDC dst, int x, int y, int w, int h, const TBlitSource& src, int sx, int sy, int sw, int sh, DWORD rop);
