// PCX codec and the multi-page DCX container (a page table followed by PCX images).
#pragma once

#include <cstdint>

class TStream;
class TIEBitmap;
class TIOParamsVals;
struct TIEProgressRec;

// DataSize: bytes of PCX data from the stream position (it locates the 256-colour palette at the
// end). Never raises: bad headers or data set the abort flag.
void PcxReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview,
                  TIEProgressRec& Progress, int64_t DataSize);
// Writes 1, 4, 8 or 24 bits from BitsPerSample x SamplesPerPixel, run-length encoded when
// PCX_Compression is not 0.
void PcxWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress);

// True for the DCX magic with every page offset inside the stream; position restored.
bool DcxDetect(TStream* Stream);
// Page-table entries before the 0 entry (at most 1024); position restored.
int DcxPageCount(TStream* Stream);
// Reads page DCX_ImageIndex (clamped to the pages there are and stored back).
void DcxReadPage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview,
                 TIEProgressRec& Progress);
// Inserts Bitmap as page DCX_ImageIndex (0..page count) into the DCX file the stream holds (an
// empty stream becomes a new one); the whole stream is rewritten.
void DcxInsertPage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress);

// Fills the PCX and DCX entries of the IO front end's codec table.
void IERegisterPcxCodec();
