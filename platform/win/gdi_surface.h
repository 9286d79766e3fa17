// Pixel surfaces and the hooks through which other parts of the platform make DCs over them.
//
// A TGdiSurface is a block of pixel rows in one of the DIB formats (1, 4, 8, 16, 24 or 32 bits).
// Row 0 is the top row; Stride is negative for bottom-up memory. Bitmaps own their surface;
// the window manager owns the surfaces of its windows and creates DCs over them with
// CreateSurfaceDC, giving the window's origin and its visible region.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/win/wingdi.h"

struct TGdiSurface {
  int Width = 0;
  int Height = 0;
  int BitCount = 32;
  uint8_t* Top = nullptr;   // first byte of row 0 (the top row)
  ptrdiff_t Stride = 0;     // bytes from one row to the next one down
  std::vector<RGBQUAD> Palette;  // indexed formats (1, 4, 8 bits)
  bool Rgb565 = false;      // 16-bit surfaces: 5-6-5 instead of 5-5-5
  // A DIB (section or caller memory): a 1-bit DIB maps colours through its colour table; only a
  // monochrome device bitmap follows the text/background colour rule in blits.
  bool Dib = false;
  uint8_t* Row(int y) const { return Top + y * Stride; }
};

// A DC over a surface owned by the caller (a window's back buffer, say). Origin is where the
// DC's (0, 0) lies on the surface; Visible (device coordinates of the surface; null for all of
// it) limits every drawing. The DC does not own the surface or the region.
HDC CreateSurfaceDC(TGdiSurface* surface, POINT origin, HRGN visible);
// Changes the visible region of a surface DC (copied); null removes the limit.
void SetSurfaceDCVisible(HDC dc, HRGN visible, POINT origin);
// The surface a DC draws on (a memory DC: its selected bitmap's), or null.
TGdiSurface* GetDCSurface(HDC dc);
// The surface of a bitmap, or null.
TGdiSurface* GetBitmapSurface(HBITMAP bm);

// A printer-like DC: a page of widthPx x heightPx pixels at dpiX x dpiY with the printable
// area offset by (offX, offY) on a physical sheet of physW x physH pixels.
struct TPrinterPage {
  int Width = 0, Height = 0;          // printable area (HORZRES/VERTRES)
  int DpiX = 300, DpiY = 300;
  int PhysicalWidth = 0, PhysicalHeight = 0;
  int OffsetX = 0, OffsetY = 0;
};
// The DC draws into its own 32-bit page surface (GetDCSurface), white at creation; without a
// surface it only answers questions (an information context).
HDC CreatePrinterDC(const TPrinterPage& page, bool withSurface = true);

// The screen the headless platform pretends to have (GetDeviceCaps on display DCs).
constexpr int ScreenWidth = 1920;
constexpr int ScreenHeight = 1080;
constexpr int ScreenDpi = 96;
