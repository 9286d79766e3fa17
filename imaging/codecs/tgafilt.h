// TGA codec: uncompressed and run-length-encoded, colour-mapped, true-colour and grey images
// with the version 2 footer and extension area; 32-bit alpha comes and goes as a TIEMask.
#pragma once

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;
struct TIEProgressRec;

// True for an 18-byte header of a known image type and depth with a non-zero size; position
// restored.
bool TgaDetect(TStream* Stream);
// With NoAlpha no mask is built; otherwise AlphaMask (created when nil) receives the alpha of
// 32-bit pixels or 32-bit colour-map entries, and is freed and set nil when every value is 0.
// Never raises: bad data (unknown type or depth, a colour map past 256 entries, sizes the data
// cannot hold) set the abort flag.
void TgaReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool NoAlpha, TIEMask*& AlphaMask,
                  bool Preview, TIEProgressRec& Progress);
// Writes 1, 4, 8 (colour-mapped or grey), 24 or 32 bits (32 when AlphaMask is given and not full).
void TgaWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEMask* AlphaMask,
                   TIEProgressRec& Progress);

// Fills the TGA entries of the IO front end's codec table.
void IERegisterTgaCodec();
