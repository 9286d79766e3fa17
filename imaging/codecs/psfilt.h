// PostScript (level 2) and PDF 1.4 image output: each image becomes one page, scaled to fit the
// paper and placed at its top-left corner. Each format is a document context with three steps
// (begin, a page per image, end); the single-image writers run the three at once.
//
// Bilevel pages whose compression needs a coder this library does not have (the CCITT fax
// coders; LZW while no LZW routine is installed) or that name no bilevel compression are written
// run-length encoded, so a page never has an empty image stream.
#pragma once

#include <cstdint>

class TStream;
class TIEBitmap;
class TIOParamsVals;
struct TIEProgressRec;
struct TIEPSContext;
struct TIEPDFContext;

TIEPSContext* PsBeginDocument(TStream* Stream, TIOParamsVals& IOParams);
void PsWritePage(TIEPSContext* Context, TStream* Stream, TIEBitmap* Bitmap, TIEProgressRec& Progress,
                 TIOParamsVals& IOParams);
// Writes the trailer and frees the context (nothing for nil).
void PsEndDocument(TIEPSContext* Context, TStream* Stream);
void PsWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress);

TIEPDFContext* PdfBeginDocument();
void PdfWritePage(TIEPDFContext* Context, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress);
// Writes the whole file and frees the context (nothing for nil).
void PdfEndDocument(TIEPDFContext* Context, TStream* Stream, TIOParamsVals& IOParams);
void PdfWriteImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEProgressRec& Progress);

// Fills the PostScript and PDF entries of the IO front end's codec table.
void IERegisterPsCodec();
