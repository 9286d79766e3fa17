// Magic wand selection: the pixels whose red, green and blue each differ from the clicked pixel's
// by at most Tolerance, as a connected (4-neighbour) region written into a mask, the same region
// as an outline polygon, or every similar pixel of the image.
#pragma once

#include <cstdint>

class TIEBitmap;
class TIEMask;
struct TIEPoint;

void IEMagicWandFill(TIEBitmap* Bitmap, int X, int Y, int Value, TIEMask* Mask, int Tolerance, bool Grow);
// A new[]-allocated array of Count outline points (image coordinates), nil when Count is 0.
TIEPoint* IEMagicWandPolygon(TIEBitmap* Bitmap, int X, int Y, int& Count, int Tolerance, bool Grow);
void IEMagicWandGlobal(TIEBitmap* Bitmap, int X, int Y, int Value, TIEMask* Mask, int Tolerance);
