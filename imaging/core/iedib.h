// Packed device-independent bitmaps (a 40-byte BITMAPINFOHEADER, the colour table and bottom-up
// rows in one block, as on the clipboard and in video capture), YUV frame layouts, row
// conversions between bit depths and bit-level helpers for 1-bit rows.
//
// Every reader takes the size of the memory it may read and refuses (answers 0, leaving the
// target empty) when the header, colour table or pixel data do not fit in it. Run-length DIBs
// (RLE8, RLE4) are decoded as run-length data.
#pragma once

#include <cstdint>
#include <functional>

#include "imaging/core/iedefs.h"

class TIEBitmap;
class TIEDibbitmap;
class TBitmap;

// A packed DIB of the rectangle X1..X2-1, Y1..Y2-1 (X2 = 0: the width, Y2 = 0: the height) in a
// block freed with IEGlobalFree; ie1g, ie8p, ie8g and ie24RGB are stored as they are, every other
// format as 24-bit. Size receives the block length. Nil when nothing can be made.
void* _CopyBitmaptoDIBEx(TIEBitmap* Bitmap, int X1, int Y1, int X2, int Y2, int DpiX, int DpiY,
                         int64_t* Size = nullptr);
// Reads a packed DIB of DIBSize bytes into Bitmap (ie1g for 1 bit, else ie24RGB). Bits, when
// given, holds the pixel data (BitsSize bytes) instead of the block after the colour table; YUV
// FOURCC compressions read from it. Answers the DIB's bit count, 0 when the DIB is refused.
int IEDIBToBitmap(const void* DIB, int64_t DIBSize, TIEBitmap* Bitmap, const void* Bits = nullptr,
                  int64_t BitsSize = 0);
// The same into a TIEDibbitmap (1 bit stays 1 bit, every other depth becomes 24 bits).
int IEDIBToDibbitmap(const void* DIB, int64_t DIBSize, TIEDibbitmap* Dibbitmap, const void* Bits = nullptr,
                     int64_t BitsSize = 0);
// Video-range YCbCr (BT.601) to RGB.
void IEYCbCr601ToRGB(int Y, int Cb, int Cr, TIERGBPixel& Pixel);

// Palette index of a colour (a quantizer's mapping), for conversions to 4 and 8 bits.
using TIEColorIndexFunc = std::function<int(TIERGBPixel)>;
// Converts Count pixels of one row between bit depths (table in the .cpp); answers the
// destination's byte length, 0 for pairs it does not convert.
int IEConvertPixelRow(const uint8_t* Source, uint8_t* Dest, int SourceBits, const TIEColorIndexFunc& Quantizer,
                      int PaletteCount, const TIERGBPixel* Palette, int Count, int DestBits);

// Copies Count bits from bit SourceBitPos of Source to bit DestBitPos of Dest; the other bits of
// the edge bytes keep their values. SourceLimit is the readable length of Source in bytes.
void IECopyBits(uint8_t* Dest, const uint8_t* Source, int DestBitPos, int SourceLimit, int Count, int SourceBitPos);
inline bool IEGetBit(const uint8_t* Row, int i) { return (Row[i >> 3] & (0x80 >> (i & 7))) != 0; }
inline void IESetBit(uint8_t* Row, int i, bool Value) {
  if (Value)
    Row[i >> 3] |= static_cast<uint8_t>(0x80 >> (i & 7));
  else
    Row[i >> 3] &= static_cast<uint8_t>(~(0x80 >> (i & 7)));
}
void IECopySwapRB(void* Dest, const void* Source, int Count);
void IESwapRB(void* Pixels, int Count);
void IESwapRB48(void* Pixels, int Count);
void IESwapRBPalette(TIERGBPixel* Palette, int Count);
void IENotBytes(void* Buffer, int Length);
void IEInvertBits(TIEBitmap* Bitmap);
// 256 entries of eight 3-byte pixels: white for a set bit, black for a clear one.
const uint8_t* IEBuildBitExpandTable();
// A new class-library bitmap with Source's size, pixel format, pixels and colour table.
TBitmap* IECopyTBitmap(TBitmap* Source);
// Dest takes Source's size, pixel format, pixels and colour table; an empty Source gives a 1 x 1
// Dest of its pixel format.
void IECopyTBitmapTo(TBitmap* Source, TBitmap* Dest);
// Dest becomes a 24-bit copy of a 1-bit Source: set bits white, clear bits black, whatever the
// Source's colour table says. Progress receives a percentage after each row.
void IEExpand1BitTBitmap(TBitmap* Source, TBitmap* Dest, const std::function<void(int Percent)>& Progress = nullptr);
// Same size, both or neither with alpha, identical rows and alpha rows.
bool IESameBitmaps(TIEBitmap* A, TIEBitmap* B);
