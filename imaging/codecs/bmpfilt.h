// BMP (DIB) codec: Windows and OS/2 bitmap files with every header size, 1/4/8/16/24/32 bits,
// RLE4 and RLE8 and bit fields; the reader also serves the icon reader (headerless data).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;
struct TIEProgressRec;

// DataSize: bytes of the whole bitmap file, 0 when unknown. Headerless: the stream starts at the
// info header. AlphaMask receives the 32-bit files' alpha (created when nil; freed and set nil
// when the file has no real alpha). Never raises: bad data (truncated pixels or run-length codes,
// a zero or negative width, a damaged header size or pixel offset, an unsupported layout) set the
// abort flag and BmpLastErrorText; pixels the data never reached are cleared, never left stale.
void BmpReadImage(TStream* Stream, TIEBitmap* Bitmap, int64_t DataSize, TIOParamsVals& IOParams,
                  TIEProgressRec& Progress, bool Preview, bool Headerless, TIEMask*& AlphaMask, bool IgnoreAlpha);
// Why the last read on this thread failed (empty after a read that succeeded).
const std::string& BmpLastErrorText();
// Writes at the stream position and leaves the position after the data.
void BmpWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool WithAlpha,
                   TIEProgressRec& Progress);

// One row of indexes (one per byte) RLE-encoded, with its end-of-line code appended to Out.
void BmpRleEncodeRow(const uint8_t* Indexes, int Count, bool Rle4, std::vector<uint8_t>& Out);

// Fills the BMP entries of the IO front end's codec table.
void IERegisterBmpCodec();
