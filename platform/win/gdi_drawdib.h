// The DIB drawing helper of the video library: a handle and a draw call that stretches DIB
// memory onto a DC. There are no palette displays here, so realising does nothing.
#pragma once

#include "platform/win/wingdi.h"

struct HDRAWDIB__;
using HDRAWDIB = HDRAWDIB__*;

HDRAWDIB DrawDibOpen();
BOOL DrawDibClose(HDRAWDIB hdd);
UINT DrawDibRealize(HDRAWDIB hdd, HDC dc, BOOL background);
// dxDst/dyDst of -1 take the source size; dxSrc/dySrc of -1 the whole DIB. Source y counts
// from the top of the picture, whatever the DIB's row order.
BOOL DrawDibDraw(HDRAWDIB hdd, HDC dc, int xDst, int yDst, int dxDst, int dyDst, const BITMAPINFOHEADER* header,
                 const void* bits, int xSrc, int ySrc, int dxSrc, int dySrc, UINT flags);
