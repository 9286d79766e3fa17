// The built-in CMYK colour profile and the CMYK transforms behind IECMYK2RGB and IERGB2CMYK, and
// the formula route of the row colour converter. Colour management goes through lcms2, kept
// inside iecmykprofile.cpp; profiles of files (TIEICC) and the colour-managed row converter
// belong to the IO front end, which can load the built-in profile's bytes.
#pragma once

#include <cstdint>
#include <vector>

// True when the built-in CMYK transforms exist (made on first use, guarded for worker threads).
bool IEInitCMYKTransform();
void IEFreeCMYKTransform();
// Installs the transforms as the route of IECMYK2RGB and IERGB2CMYK (IECMYKTransform); the
// library start-up calls it when CMYK goes through ICC.
void IEInstallCMYKTransform();
// The bytes of the built-in CMYK profile (an ICC output profile); false when it cannot be made.
bool IEBuiltInCMYKProfile(std::vector<uint8_t>& Bytes);

// Converts Count pixels of SourceKind (0 RGB, 1 BGR, 2 CMYK inverted, 4 CIELab, 6 RGB48
// little-endian, 7 RGB48 big-endian, 8 YCbCr) into DestKind (1 BGR, 2 CMYK, 4 CIELab, 5 grey) by
// the fixed formulas; CMYK rows go through the built-in profile a row at a time when its route is
// installed. Pairs without a formula leave the destination untouched. Source and Dest may be the
// same row when the destination pixel is not larger than the source pixel.
void IEConvertColorRow(const void* Source, int SourceKind, void* Dest, int Count, int DestKind);
