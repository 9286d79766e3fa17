// What the TIFF codec's source files share: the decoding context of one page and the entry
// points of the strip and tile decoders. Not for use outside the TIFF codec.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/codecs/tiffilt.h"
#include "imaging/core/iedefs.h"
#include "imaging/io/ieparams.h"

class TIEBitmap;
class TIEMask;
class TStream;
struct TIEProgressRec;

// The most planes (samples per pixel) a page with separate planes may have.
constexpr int kTiffMaxPlanes = 10;

// Decoding context of one page, filled from its directory.
struct TTIFFVars {
  int32_t ImageWidth = 0, ImageLength = 0;
  int32_t SamplesPerPixel = 1, BitsPerSample = 1;
  int32_t RowsPerStrip = 0;
  int32_t TileWidth = -1, TileLength = -1;
  uint16_t Photometric = 2, PlanarConfig = 1, Orientation = 1, Compression = 1;
  std::vector<int32_t> StripOffsets, StripByteCounts, TileOffsets, TileByteCounts;
  std::vector<TIERGBPixel> ColorMap;  // blue, green, red
  int32_t ResolutionUnit = 2;
  double XResolution = 0, YResolution = 0;
  int32_t Predictor = 1;
  std::vector<uint8_t> JpegTables;
  int32_t T4Options = 0;
  int32_t FillOrder = 1;
  double XPosition = 0, YPosition = 0;
  std::string Software;
  int32_t YCbCrSubH = 2, YCbCrSubV = 2;
  int32_t JpegProcess = 0, JpegIFOffset = 0, JpegIFLength = 0;
  TTIFFLZWDecompFunc LzwDecompress = nullptr;
  bool LittleEndian = true;
  TIOParamsVals* Params = nullptr;
  TIEMask* AlphaMask = nullptr;
  bool IgnoreAlpha = false;
  int32_t ExtraSample0 = 0;
  std::vector<int32_t> ExtraSamples;  // at most 10
  TStream* Stream = nullptr;
  int64_t Base = 0;
  int32_t GetTile = -1;
};

// Decodes the strips (or, with TileWidth and TileLength above 0, the tiles) of the page into
// Bitmap, which the reader has allocated at the page size. Failures set the abort flag.
void TiffDecodeStrips(TTIFFVars& V, TIEBitmap* Bitmap, TIEProgressRec& Progress);
void TiffDecodeTiles(TTIFFVars& V, TIEBitmap* Bitmap, TIEProgressRec& Progress);

// PackBits: decodes one row of RowBytes from Data (up to DataBytes, from *Consumed on); returns
// false when the data ended before the row was full.
bool TiffPackBitsRow(const uint8_t* Data, int64_t DataBytes, int64_t& Consumed, uint8_t* Row, int64_t RowBytes,
                     bool ReverseBits);
// PackBits: appends the code of one row.
void TiffPackBitsEncodeRow(const uint8_t* Row, int64_t RowBytes, std::vector<uint8_t>& Out);
