// The table of built-in codec routines the IO front end calls. The codec library sits above this
// one (it uses the parameter set and the progress record), so the IO front end reaches it only
// through these pointers, which the codec library fills at start-up (for example from a routine
// of its own that the program calls before the imaging library starts). A nil entry means the
// format is not available: a load or save through it sets the component's abort flag and
// finishes (a file save then creates no file).
//
// Argument lists follow each codec's own shape; every reader reports bad data by setting
// *Progress.Aborting instead of raising. Out alpha masks are created by the reader (or left nil);
// the caller copies them into the alpha channel and frees them.
#pragma once

#include <cstdint>

#include "imaging/io/iefileformats.h"

class TStream;
class TIEBitmap;
class TIEMask;
class TList;
class TIEView;
class TImageryIO;
struct TIEPSContext;
struct TIEPDFContext;

struct TIECodecs {
  // JPEG. Stream2 is nil; RowLimit -1 reads every row; the five switches are ReadICC, ApplyICC,
  // InvertCMYK, ParseMetadata (IPTC, EXIF, XMP markers into the set), KeepYCbCr.
  void (*JpegReadImage)(TStream* Stream, TStream* Stream2, TIEBitmap* Bitmap, bool NativePixelFormat, int RowLimit,
                        bool ReadICC, bool ApplyICC, bool InvertCMYK, bool ParseMetadata, bool KeepYCbCr,
                        bool Preview, TIEProgressRec& Progress, TIOParamsVals& IOParams) = nullptr;
  void (*JpegWriteImage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams,
                         TIEProgressRec& Progress) = nullptr;

  // TIFF. Loads pass ThumbnailMode off, Switch2 off, Switch3 on; parameter reads off, on, on.
  void (*TiffReadImage)(TIEBitmap* Bitmap, TStream* Stream, int& PageCount, bool ThumbnailMode, bool Switch2,
                        bool Switch3, TIEMask*& AlphaMask, bool ParamsOnly, TIEProgressRec& Progress,
                        TIOParamsVals& IOParams) = nullptr;
  // With a bitmap and Append false: a new one-page TIFF at the stream position; with no bitmap:
  // the EXIF-only structure; with a bitmap, TIFF_Compression 6 and image index 1: appends it.
  void (*TiffWriteImage)(TStream* Stream, bool Append, TIEBitmap* Bitmap, TIEProgressRec& Progress,
                         TIOParamsVals& IOParams) = nullptr;

  // GIF. ParamsRead is on in parameter reads.
  void (*GifReadImage)(TStream* Stream, TIEBitmap* Bitmap, int& FrameCount, bool Preview, TIEMask*& AlphaMask,
                       bool ParamsRead, TIEProgressRec& Progress, TIOParamsVals& IOParams) = nullptr;
  void (*GifWriteImage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams,
                        TIEProgressRec& Progress) = nullptr;

  // PCX and DCX. DataSize: bytes of PCX data.
  void (*PcxReadImage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview,
                       TIEProgressRec& Progress, int64_t DataSize) = nullptr;
  void (*PcxWriteImage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams,
                        TIEProgressRec& Progress) = nullptr;
  void (*DcxReadPage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview,
                      TIEProgressRec& Progress) = nullptr;
  void (*DcxInsertPage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams,
                        TIEProgressRec& Progress) = nullptr;
  int (*DcxPageCount)(TStream* Stream) = nullptr;

  // BMP. DataSize 0: the rest of the stream. The IO passes IgnoreTransparency =
  // !BMP_HandleTransparency and Switch off.
  void (*BmpReadImage)(TStream* Stream, TIEBitmap* Bitmap, int64_t DataSize, bool IgnoreTransparency,
                       TIEMask*& AlphaMask, bool Switch, bool Preview, TIEProgressRec& Progress,
                       TIOParamsVals& IOParams) = nullptr;
  void (*BmpWriteImage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool HandleTransparency,
                        TIEProgressRec& Progress) = nullptr;

  // ICO and CUR: read image ICO_ImageIndex (CUR_ImageIndex), fill ICO_Sizes and ICO_BitCount.
  void (*IcoReadImage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview,
                       TIEMask*& AlphaMask, TIEProgressRec& Progress, bool Switch) = nullptr;
  void (*CurReadImage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview,
                       TIEMask*& AlphaMask, TIEProgressRec& Progress, bool Switch) = nullptr;
  // One icon entry per element of BitCounts / Sizes (Count elements each).
  void (*IcoWriteImage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, const int32_t* BitCounts,
                        const TIEIcoSize* Sizes, int Count, TIEProgressRec& Progress) = nullptr;
  int (*IcoImageCount)(TStream* Stream) = nullptr;

  // PNG. AlphaMask may be nil.
  void (*PngReadImage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview,
                       TIEProgressRec& Progress) = nullptr;
  void (*PngWriteImage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEMask* AlphaMask,
                        TIEProgressRec& Progress) = nullptr;

  // TGA. ParamsRead off for loads, on for parameter reads.
  void (*TgaReadImage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, bool Preview,
                       TIEMask*& AlphaMask, bool ParamsRead, TIEProgressRec& Progress) = nullptr;
  void (*TgaWriteImage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TIEMask* AlphaMask,
                        TIEProgressRec& Progress) = nullptr;

  // Plain shapes.
  TIEReadImageProc PnmReadImage = nullptr;
  TIEWriteImageProc PnmWriteImage = nullptr;
  TIEReadImageProc WbmpReadImage = nullptr;
  TIEWriteImageProc WbmpWriteImage = nullptr;
  TIEReadImageProc HdPhotoReadImage = nullptr;
  TIEWriteImageProc HdPhotoWriteImage = nullptr;
  TIEWriteImageProc PsWriteImage = nullptr;
  TIEWriteImageProc PdfWriteImage = nullptr;
  // Multi-page documents: begin, one call per page, end (which frees the context; nil: nothing).
  // The PostScript document is written as it grows; the PDF one is held until its end.
  TIEPSContext* (*PsBeginDocument)(TStream* Stream, TIOParamsVals& IOParams) = nullptr;
  void (*PsWritePage)(TIEPSContext* Context, TStream* Stream, TIEBitmap* Bitmap, TIEProgressRec& Progress,
                      TIOParamsVals& IOParams) = nullptr;
  void (*PsEndDocument)(TIEPSContext* Context, TStream* Stream) = nullptr;
  TIEPDFContext* (*PdfBeginDocument)() = nullptr;
  void (*PdfWritePage)(TIEPDFContext* Context, TIEBitmap* Bitmap, TIOParamsVals& IOParams,
                       TIEProgressRec& Progress) = nullptr;
  void (*PdfEndDocument)(TIEPDFContext* Context, TStream* Stream, TIOParamsVals& IOParams) = nullptr;
  TIEReadImageProc Jpeg2000ReadImage = nullptr;
  // Kind 0: JP2 file, 1: code stream.
  void (*Jpeg2000WriteImage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, int Kind,
                             TIEProgressRec& Progress) = nullptr;
  TIEReadImageProc CameraRawReadImage = nullptr;
  void (*RawPixelsRead)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams,
                        TIEProgressRec& Progress) = nullptr;
  // PSD: Layers (a TList of layer objects the caller frees) may be nil.
  void (*PsdReadImage)(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TList* Layers,
                       bool LoadLayers, TIEProgressRec& Progress) = nullptr;
  void (*PsdWriteImage)(TStream* Stream, TIOParamsVals& IOParams, TIEProgressRec& Progress, TList* Layers,
                        TIEBitmap* Merged) = nullptr;
  // DICOM: note the parameter set comes before the bitmap.
  void (*DicomReadImage)(TStream* Stream, TIOParamsVals& IOParams, TIEBitmap* Bitmap, bool Preview,
                         TIEProgressRec& Progress) = nullptr;
  int (*DicomFrameCount)(TStream* Stream) = nullptr;

  // Content tests that need a codec's knowledge; nil: the front end's own test is used (or, for
  // camera RAW and HD Photo, the format is not detected by content).
  bool (*IsCameraRaw)(TStream* Stream) = nullptr;
  // The TIFF codec's content test (a header, then a first directory with a width and a height);
  // nil: the front end's header test.
  bool (*TiffDetect)(TStream* Stream) = nullptr;
  bool (*IsHDPhoto)(TStream* Stream) = nullptr;
  // The codec library's content tests of TGA, PNM, DCX and the two metafile kinds (each restores
  // the position); nil: the front end's own header test.
  bool (*TgaDetect)(TStream* Stream) = nullptr;
  bool (*PnmDetect)(TStream* Stream) = nullptr;
  bool (*DcxDetect)(TStream* Stream) = nullptr;
  bool (*WmfDetect)(TStream* Stream) = nullptr;
  bool (*EmfDetect)(TStream* Stream) = nullptr;
  // Filled by the views: PSD loads and saves of an IO component attached to a view. The load
  // moves the document's layers into the view (the image alone when it has none); the save
  // writes the view's layers with their flattened image.
  void (*PsdReadIntoView)(TIEView* View, TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams,
                          TIEProgressRec& Progress) = nullptr;
  void (*PsdWriteFromView)(TIEView* View, TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams,
                           TIEProgressRec& Progress) = nullptr;
  // Filled by the views: their vector-object, layer and layers-and-objects files.
  bool (*IsVectorObjectsFile)(TStream* Stream) = nullptr;
  bool (*IsLayersFile)(TStream* Stream) = nullptr;
  bool (*IsLayersObjectsFile)(TStream* Stream) = nullptr;
  // Filled by the views: loads a layer file from the stream's position. With View a single-image
  // view the file's layers replace the view's (IntoView set); otherwise, when Bitmap is given, the
  // layers are flattened into it. False when nothing was loaded (the target is left as it was).
  bool (*LoadLayersFile)(TIEView* View, TStream* Stream, TIEBitmap* Bitmap, bool& IntoView) = nullptr;
  // Filled by the views: loads a vector-object file (FileType ioIEV) or a layers-and-objects file
  // (ioALL) from the stream. With View a vector view the objects (and layers) replace the view's
  // (IntoView set); otherwise, when Bitmap is given, an unseen vector view loads the file and the
  // objects are burnt into an image of their extent (the flattened layers for ALL) that Bitmap
  // takes. False when nothing was loaded (the target is left as it was).
  bool (*LoadVectorObjectsFile)(TIEView* View, TStream* Stream, int32_t FileType, TIEBitmap* Bitmap,
                                bool& IntoView) = nullptr;
  // Filled by the views: the modal parameters dialog of TImageryIO.DoPreviews over the IO's
  // (already prepared) target; true when it closed with OK, false also when no page can show.
  bool (*PreviewsDialog)(TImageryIO* IO, TIEDialogPages Pages) = nullptr;
};

// The process-wide table (all nil until the codec library fills it).
extern TIECodecs IECodecs;
