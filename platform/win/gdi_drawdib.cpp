// DrawDib over StretchDIBits.
#include "platform/win/gdi_drawdib.h"

#include <atomic>

#include "platform/win/gdi_internal.h"

namespace {
// Handles are tokens: any non-null value the caller got from DrawDibOpen.
std::atomic<uintptr_t> gNext{1};
}  // namespace

HDRAWDIB DrawDibOpen() { return reinterpret_cast<HDRAWDIB>(gNext.fetch_add(1) * 16); }

BOOL DrawDibClose(HDRAWDIB hdd) { return hdd != nullptr; }

UINT DrawDibRealize(HDRAWDIB, HDC, BOOL) { return 0; }

BOOL DrawDibDraw(HDRAWDIB hdd, HDC dc, int xDst, int yDst, int dxDst, int dyDst, const BITMAPINFOHEADER* header,
                 const void* bits, int xSrc, int ySrc, int dxSrc, int dySrc, UINT) {
  if (!hdd || !ValidDC(dc) || !header || !bits) return FALSE;
  int w = header->biWidth, h = header->biHeight < 0 ? -header->biHeight : header->biHeight;
  if (dxSrc < 0) dxSrc = w;
  if (dySrc < 0) dySrc = h;
  if (dxDst < 0) dxDst = dxSrc;
  if (dyDst < 0) dyDst = dySrc;
  // StretchDIBits measures a bottom-up DIB's source from its bottom.
  int ys = header->biHeight > 0 ? h - ySrc - dySrc : ySrc;
  int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
  int n = StretchDIBits(dc, xDst, yDst, dxDst, dyDst, xSrc, ys, dxSrc, dySrc, bits, reinterpret_cast<const BITMAPINFO*>(header),
                        DIB_RGB_COLORS, SRCCOPY);
  SetStretchBltMode(dc, oldMode);
  return n > 0;
}
