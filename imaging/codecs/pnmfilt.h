// The small formats: the portable any-map family (PBM, PGM, PPM; "P1" to "P6"), the wireless
// bitmap (WBMP type 0) and headerless raw pixel data read into a bitmap sized by the caller.
#pragma once

class TStream;
class TIEBitmap;
class TIOParamsVals;
struct TIEProgressRec;

// True when the stream holds a PNM header with a positive width and height; position restored.
bool PnmDetect(TStream* Stream);
// Reads a PNM image; PXM_Comments receives the header comments. Bad headers set the abort flag.
void PnmReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress,
                  bool Preview);
// Writes "P4" (1 bit or ie1g), "P5" (8-bit grey), or "P6" (8 or 16 bits per sample).
void PnmWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress);

void WbmpReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress,
                   bool Preview);
// Images with a side above 255 are scaled down so that the longer side is 255.
void WbmpWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress);

// Reads headerless pixels into Bitmap, which already has its final size and pixel format, as the
// RAWPIXELS_* parameters describe them.
void RawPixelsRead(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress);

// Fills the PNM, WBMP and raw-pixel entries of the IO front end's codec table.
void IERegisterPnmCodec();
