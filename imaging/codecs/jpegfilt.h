// JPEG codec around libjpeg-turbo (API 62): stream-backed source and destination managers, the
// error manager that turns library errors into EIEJpegException with the fixed message table,
// the reader JpegReadImage (scaled decoding, colour spaces, markers, EXIF/IPTC/XMP/ICC metadata,
// orientation, progress and abort), the writer JpegWriteImage, the start and end scans and the
// ICC profile assembly.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/rtl/sysutils.h"

class TStream;
class TIEBitmap;
class TIOParamsVals;
struct TIEProgressRec;

ORV_EXCEPTION(EIEJpegException, Exception)

// Text of a message code of the table (library message numbers of the classic IJG order):
// "Corrupted" for codes below 0 or above 123; codes 73 and 74 are empty.
const char* IEJpegMessageText(int Code);
// The table code of a message number of the linked library (mapped by meaning where the library
// numbers its messages differently); -1 when the table has no such message.
int IEJpegTableCode(int LibraryCode);
// The text of the last failed read on this thread ("" after a read without error).
const std::string& JpegLastErrorText();

// Decodes the JPEG at (or up to 149 bytes after) the stream position. Never raises: failures set
// the abort flag. Returns the rows decoded (0 for a preview-only read).
int JpegReadImage(TStream* Stream, TStream* TablesStream, TIEBitmap* Bitmap, TIOParamsVals& IOParams,
                  TIEProgressRec& Progress, bool Preview, bool RawYCbCr, bool ReadMetadata, bool InvertCMYK,
                  bool DropAppliedICC, bool ReadICC, int MaxRows, bool NativeFormat);
// Encodes Bitmap with the save settings of IOParams. A library error sets the abort flag and
// raises EIEJpegException; a short write only sets the abort flag.
void JpegWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress);
// Absolute position of FF D8 FF at the position or within the next 149 bytes, -1 when none.
// The stream position is restored.
int64_t JpegFindStart(TStream* Stream);
// Bytes from the position up to and including the end-of-image marker (or to the end of the
// stream). The stream position is restored.
int32_t JpegFindEnd(TStream* Stream);
// Assembles the ICC profile of the APP2 "ICC_PROFILE" chunks into the input profile. Malformed
// or incomplete chunk sets are ignored. The stream position is restored.
void JpegReadICCProfile(TStream* Stream, TIOParamsVals& IOParams);

// ---- Procedural decoding over one decompression object ----
// For callers that decode a JPEG held in a stream or buffer of their own (the camera-RAW decoder).
// Library errors raise EIEJpegException with the table's text. Call order: Alloc, CreateErrorManager,
// Create, a source (SetStreamSource, or ReplaceFillRoutine + SetInputBuffer), ReadHeader, Start,
// ReadScanlines until OutputScanline = OutputHeight, Finish, Destroy, FreeErrorManager, Free.
struct TIEJpegDecompressor;
// Called when the library needs more input; it hands data over with IEJpegSetInputBuffer and
// answers true (false: suspend, not supported by the readers here).
using TIEJpegFillProc = bool (*)(TIEJpegDecompressor* D, void* UserData);
TIEJpegDecompressor* IEJpegAllocDecompressor();
void IEJpegFreeDecompressor(TIEJpegDecompressor* D);
void IEJpegCreateErrorManager(TIEJpegDecompressor* D);
void IEJpegFreeErrorManager(TIEJpegDecompressor* D);
void IEJpegCreate(TIEJpegDecompressor* D);
void IEJpegDestroy(TIEJpegDecompressor* D);
void IEJpegSetStreamSource(TIEJpegDecompressor* D, TStream* Stream);
void IEJpegReplaceFillRoutine(TIEJpegDecompressor* D, TIEJpegFillProc Fill, void* UserData);
void IEJpegSetInputBuffer(TIEJpegDecompressor* D, const uint8_t* Data, size_t Length);
int IEJpegReadHeader(TIEJpegDecompressor* D, bool RequireImage);
bool IEJpegStart(TIEJpegDecompressor* D);
int IEJpegOutputWidth(TIEJpegDecompressor* D);
int IEJpegOutputHeight(TIEJpegDecompressor* D);
int IEJpegOutputComponents(TIEJpegDecompressor* D);
int IEJpegOutputScanline(TIEJpegDecompressor* D);
// Rows of SamplesPerRow bytes from the library's image pool (freed with the object).
uint8_t** IEJpegAllocSampleArray(TIEJpegDecompressor* D, int SamplesPerRow, int Rows);
int IEJpegReadScanlines(TIEJpegDecompressor* D, uint8_t** Rows, int Count);
bool IEJpegFinish(TIEJpegDecompressor* D);

// ---- EXIF block rewrite of the writer ----
// Rewrites an APP1 "Exif" block for the pixels about to be written: orientation tag =
// Orientation (when given, > 0), pixel dimensions = Width x Height; when either changes, the
// thumbnail directory is unlinked (it showed the old pixels). False when the block is unusable.
bool JpegPatchExifForPixels(std::vector<uint8_t>& Block, int Orientation, int Width, int Height,
                            bool* ThumbnailDropped = nullptr);

// Fills the JPEG entries of the IO front end's codec table.
void IERegisterJpegCodec();
