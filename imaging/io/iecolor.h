// The library-wide colour-conversion routine the JPEG and TIFF codecs call to turn a row of
// decoded samples into 24-bit pixels (or 24-bit pixels into a file's colour model): through the
// parameter set's ICC profiles when colour management is on, otherwise by the container's fixed
// formulas (IEConvertColorRow).
#pragma once

#include <cstdint>

class TIOParamsVals;

// Source kinds: 0 RGB, 1 BGR (the library's 24-bit pixel), 2 CMYK (inverted: 255 = no ink),
// 4 CIELab, 6 RGB48 little-endian, 7 RGB48 big-endian, 8 YCbCr. Destination kinds: 1 BGR,
// 2 CMYK, 4 CIELab, 5 grey. Unsupported pairs leave the destination untouched.
using TIEConvertColorFunction = void (*)(const void* Source, int SourceKind, void* Dest, TIOParamsVals* Params,
                                         int Count, int DestKind);
extern TIEConvertColorFunction IEConvertColorFunction;
void IEDefaultConvertColor(const void* Source, int SourceKind, void* Dest, TIOParamsVals* Params, int Count,
                           int DestKind);
// Whether CMYK pixels convert through ICC transforms (on at start-up; without a CMYK press profile
// the formulas are used).
extern bool IECMYKThroughICC;
