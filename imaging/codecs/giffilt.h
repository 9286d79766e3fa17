// GIF codec: reads one frame of a GIF87a/GIF89a file (with its transparency as a mask) and
// writes a bitmap as a single-frame GIF. The LZW coding goes through the routines held by the
// parameter set (GIF_LZWDecompFunc, GIF_LZWCompFunc), else the library's default hooks.
#pragma once

#include <cstdint>

class TStream;
class TIEBitmap;
class TIEMask;
class TIOParamsVals;
struct TIEProgressRec;

// Decodes the frame GIF_ImageIndex; FrameCount and the image count receive the number of frames
// (the file is scanned to its trailer). Preview fills the parameters only. With NoMask no mask is
// built; otherwise AlphaMask (created when nil) receives 0 at transparent pixels, and is freed
// and set nil when no pixel is transparent. Never raises: bad data set the abort flag.
void GifReadImage(TStream* Stream, TIEBitmap* Bitmap, int& FrameCount, TIOParamsVals& IOParams,
                  TIEProgressRec& Progress, bool Preview, TIEMask*& AlphaMask, bool NoMask);
// Writes Bitmap (ie1g, ie24RGB, or anything the container converts to ie24RGB) as one frame with
// a 2^BitsPerSample colour table; pixels with alpha below 255 take the transparent entry.
void GifWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress);

// Fills the GIF entries of the IO front end's codec table and installs the default LZW hooks.
void IERegisterGifCodec();
