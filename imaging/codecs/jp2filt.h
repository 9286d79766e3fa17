// JPEG 2000 codec around OpenJPEG: JP2 files and bare code streams. Reads grey, RGB and YCbCr
// images of any precision into 1-bit or 24-bit RGB bitmaps (the 8 most significant bits of each
// sample), writes 1-bit and 24-bit RGB bitmaps (with an opacity component when the alpha
// channel is not all opaque) under the option string built from the J2000_* parameters.
#pragma once

#include <cstdint>
#include <string>

class TStream;
class TIEBitmap;
class TIOParamsVals;
struct TIEProgressRec;

// True when the 12 bytes at the position are the JP2 signature box; position restored.
bool Jp2Detect(TStream* Stream);
// True when the 4 bytes at the position are FF 4F FF 51 (a code stream); position restored.
bool J2kDetect(TStream* Stream);
// Reads either container. Never raises: unknown signatures, decoding failures, colour spaces
// other than grey, RGB and YCbCr, and images of more than 11 components set the abort flag.
void Jpeg2000ReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress,
                       bool Preview);
// Kind 0 writes a JP2 file, 1 a bare code stream. A 1-bit bitmap sets the caller's BitsPerSample
// to 1 and J2000_ColorSpace to 0. Bitmaps other than 1-bit and 24-bit RGB, precisions outside
// 1..16 and colour spaces outside 0..2 set the abort flag and write nothing.
void Jpeg2000WriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, int Kind,
                        TIEProgressRec& Progress);
// The encoder's option string: "rate=<J2000_Rate>" then " prg=lrcp" (progression 0) or
// " prg=rlcp" (1), nothing for other progressions.
std::string Jpeg2000OptionString(const TIOParamsVals& IOParams);
// The most significant 8 bits of a sample of Precision bits (precisions below 8 shift up).
int Jpeg2000Sample8(int32_t Value, int Precision);

// Builds the YCbCr-to-RGB tables (start-up step); IEJ2000Free has nothing left to undo.
void IEJ2000Init();
void IEJ2000Free();
// Fills the JPEG 2000 entries of the IO front end's codec table and its start-up step.
void IERegisterJpeg2000Codec();
