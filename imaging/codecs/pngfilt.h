// PNG codec around libpng 1.6: detection, the reader (every colour type and depth, alpha, palette,
// tRNS, bKGD, pHYs and text chunks) and the writer (grey, palette through TIEQuantizer, RGB and
// RGB with alpha; background, resolution, filters, compression level and text chunks).
#pragma once

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;
struct TIEProgressRec;

// True when the 4 bytes at the position are the start of the PNG signature; position restored.
bool PngDetect(TStream* Stream);
// Never raises: a libpng error or a short stream sets the abort flag; rows read so far stay.
void PngReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview, TIEProgressRec& Progress);
// AlphaMask: 8-bit alpha values (255 opaque) or nil; counts only when its all-set flag is clear.
// A libpng error raises EInvalidGraphic "Error on creating PNG"; a short write sets the abort flag.
void PngWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEMask* AlphaMask,
                   TIEProgressRec& Progress);

// Fills the PNG entries of the IO front end's codec table.
void IERegisterPngCodec();
