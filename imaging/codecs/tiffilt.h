// TIFF codec: the directory reader and its value helpers, the page reader with its strip and
// tile decoders, the page writer (new file or inserted page), the detectors of TIFF-structured
// files and the EXIF tag copy into a TIFF page.
//
// Offsets in a TIFF count from its header (the base). The directory reader checks every count
// and offset against the stream: values that do not fit the stream read as missing, and
// directory chains end at any offset already visited.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;
struct TIEProgressRec;

// One 12-byte directory entry; Value holds the 4 value bytes as they are in the file.
struct TTIFFEntry {
  uint16_t Tag = 0;
  uint16_t Type = 0;
  uint32_t Count = 0;
  uint8_t Value[4] = {0, 0, 0, 0};
};

// The directory being read: byte order, stream, entries and the base offset.
struct TTIFFDirectory {
  bool LittleEndian = true;
  TStream* Stream = nullptr;
  std::vector<TTIFFEntry> Entries;
  int64_t Base = 0;
};

// Size in bytes of a value of the type (0 for types above 12).
int TiffTypeSize(int Type);

// Loads directory number Index (from 0) of the chain starting at FirstOffset into Dir (whose
// byte order, stream and base are set); Count receives the directories walked. False when the
// chain has no such directory.
bool TiffReadDirectory(int Index, int64_t FirstOffset, TTIFFDirectory& Dir, int& Count);

int TiffFindTag(const TTIFFDirectory& Dir, int Tag);
int32_t TiffGetInt(const TTIFFDirectory& Dir, int Tag, int32_t Default);
int32_t TiffGetIntAt(const TTIFFDirectory& Dir, int Tag, int Index, int32_t Default);
std::vector<int32_t> TiffGetIntArray(const TTIFFDirectory& Dir, int Tag);
double TiffGetRational(const TTIFFDirectory& Dir, int Tag);
double TiffGetRationalAt(const TTIFFDirectory& Dir, int Tag, int Index);
// The value bytes of the tag (empty when missing or outside the stream).
std::vector<uint8_t> TiffGetRawBytes(const TTIFFDirectory& Dir, int Tag);
std::string TiffGetString(const TTIFFDirectory& Dir, int Tag);
std::string TiffGetInlineString(const TTIFFDirectory& Dir, int Tag);
// "2.2.0.0" from the bytes 2, 2, 0, 0.
std::string TiffVersionToString(const std::string& Bytes);

// Reads page TIFF_ImageIndex into Bitmap and IOParams (see the .cpp for the steps). PageCount
// receives the directories of the main chain. ThumbnailMode refuses pages above 400 x 400;
// IgnoreAlpha builds no mask; AtPosition takes the stream position as the base; ParamsOnly
// decodes no pixels. When the page has alpha the reader creates AlphaMask if it is nil. Never
// raises for bad data: failures set the abort flag.
void TiffReadImage(TIEBitmap* Bitmap, TStream* Stream, int& PageCount, bool ThumbnailMode, bool IgnoreAlpha,
                   bool AtPosition, TIEMask*& AlphaMask, bool ParamsOnly, TIEProgressRec& Progress,
                   TIOParamsVals& IOParams);

// Writes Bitmap as a page of a little-endian TIFF at the stream position, or (Insert) into the
// TIFF the stream holds at position TIFF_ImageIndex. Returns 1, or with Insert the page count
// after the insertion (0 when the stream is not a little-endian TIFF). A nil Bitmap writes only
// the metadata tags. IOParams is normalised in place (bits, samples, photometric, compression).
int TiffWriteImage(TStream* Stream, bool Insert, TIEBitmap* Bitmap, TIEProgressRec& Progress, TIOParamsVals& IOParams);

// Number of pages of the TIFF at the stream position (position restored).
int TiffPageCount(TStream* Stream);
// Removes page Index from the TIFF held in Stream (rewritten in place, little-endian order
// kept by the tag handler); false when there is no such page.
bool TiffDeletePage(TStream* Stream, int Index);

// Content tests; each restores the stream position.
bool TiffDetect(TStream* Stream);
bool CameraRawTiffDetect(TStream* Stream);
bool HdPhotoDetect(TStream* Stream);

// Copies the EXIF tags of IOParams into page PageIndex of a TIFF-structured file: read from
// Source (or SourceFile), written to Dest (or DestFile). Always true; errors of the tag handler
// propagate.
bool ExifTagCopy(TStream* Source, TStream* Dest, const std::string& SourceFile, TIOParamsVals& IOParams,
                 int PageIndex, const std::string& DestFile);

// Fills the TIFF entries of the IO front end's codec table and installs the TIFF LZW hooks.
void IERegisterTiffCodec();
