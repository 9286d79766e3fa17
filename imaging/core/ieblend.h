// The 38 layer blend modes: how a source (top) pixel combines with the destination (bottom) pixel
// under it when the renderer draws a layer. Modes above 37 leave the destination unchanged.
#pragma once

#include <cstdint>

#include "imaging/core/iedefs.h"

using TIEBlendMode = uint8_t;

// The cosine mode's table: T[i] = 64 - 64 cos(i pi / 255), rounded (0, 64 and 128 at 0, 128 and
// 255). A library-wide variable: filled before main and again by the library start-up
// (IEBuildCosineBlendTable); callers may change it afterwards.
extern int32_t IECosineBlendTable[256];
void IEBuildCosineBlendTable();
// One channel of the per-channel modes (0..30); other modes return d.
int IEBlendChannel(int s, int d, TIEBlendMode Mode);
// The result of Mode for source pixel s over destination pixel d.
TIERGBPixel IEBlendRGB(TIERGBPixel s, TIERGBPixel d, TIEBlendMode Mode);
