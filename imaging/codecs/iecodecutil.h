// Pixel helpers the codecs share: converted copies (through the container's conversion) and
// the resampling of icons. (The EXIF orientation fix and the
// two-colour conversion to ie1g live with the processing code, in imaging/core/iesmall.h and
// imaging/core/iecolor.h.)
#pragma once

#include <cstdint>

#include "imaging/core/iedefs.h"

class TIEBitmap;
class TIEMask;
class TStream;
struct TIEProgressRec;

// A new copy of Source (alpha channel included) converted to Format by the container's own
// conversion (TIEBitmap::SetPixelFormat: ie1g by the average-grey threshold, palettes through the
// colour reducer). Source is left as it is.
TIEBitmap* IEConvertedCopy(TIEBitmap* Source, TIEPixelFormat Format);
// A new copy of Source at Width x Height, alpha channel included, made as the icon writer wants
// it: ie1g by nearest pixel, every other format as ie24RGB with the fast linear filter.
TIEBitmap* IEResampleCopy(TIEBitmap* Source, int Width, int Height);
// Writes Count bytes of a file being written; a short or failed write sets Failed and the
// progress record's abort flag (a writer then stops at its next check).
void IECodecWrite(TStream* Stream, const void* Data, int64_t Count, bool& Failed, TIEProgressRec& Progress);
// Dots per inch from a header's pixels per metre, rounded to the nearest whole number.
// Reports Per percent to the progress callback, once per distinct value.
void IECodecSay(TIEProgressRec& Progress, int Per);
int IEDpiFromPpm(int64_t PixelsPerMetre);
// Pixels per metre for a header from dots per inch, rounded to the nearest whole number.
int64_t IEPpmFromDpi(int64_t Dpi);
// False for image sizes no reader should allocate: above 2^30 pixels, or more than 65,536 pixels
// per byte of the data that remain (no supported compression gets near that), so that a forged
// header cannot make a reader allocate gigabytes for a few bytes of data.
bool IEPlausibleImageSize(int64_t Width, int64_t Height, int64_t DataBytes);

// Buffered reading of a file being decoded: bytes come from a block refilled from the stream, so
// byte-by-byte parsers make one stream call per block. Position() is the logical position; Sync()
// moves the stream there (the stream runs ahead by up to one block otherwise).
class TIECodecReader {
public:
  explicit TIECodecReader(TStream* Stream, int BufferSize = 8192);
  // The next byte, or -1 at the end of the stream.
  int Get() { return FAt < FLen ? FBuf[FAt++] : Refill(); }
  // Up to Count bytes; returns how many were read.
  int64_t Read(void* Dest, int64_t Count);
  // Skips up to Count bytes; returns how many were skipped.
  int64_t Skip(int64_t Count);
  int64_t Position() const { return FBase + FAt; }
  void Sync();

private:
  int Refill();
  TStream* FStream;
  unsigned char* FBuf;
  int FSize, FLen = 0, FAt = 0;
  int64_t FBase;  // stream position of FBuf[0]
  bool FEnd = false;
public:
  ~TIECodecReader();
  TIECodecReader(const TIECodecReader&) = delete;
  TIECodecReader& operator=(const TIECodecReader&) = delete;
};
