// PSD (layered document) codec: detector, reader of the composite image and of every layer with
// its transparency and user mask, and writer of a layered document.
//
// The codec library sits below the views, so layers travel as TIEPsdLayer records (the fields of
// a view layer that a document carries); the views turn them into and out of their own layers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/ieprocdefs.h"

class TStream;
class TIEBitmap;
class TIOParamsVals;
class TList;
struct TIEProgressRec;

// One layer of a document. The record owns its bitmap.
struct TIEPsdLayer {
  TIEPsdLayer() = default;
  ~TIEPsdLayer();
  TIEPsdLayer(const TIEPsdLayer&) = delete;
  TIEPsdLayer& operator=(const TIEPsdLayer&) = delete;
  // The displayed size: the override when set, else the bitmap's.
  int GetWidth() const;
  int GetHeight() const;

  TIEBitmap* Bitmap = nullptr;
  int32_t Left = 0, Top = 0;
  int32_t Width = 0, Height = 0;  // displayed size; 0 = the bitmap's
  int32_t Opacity = 255;
  bool Visible = true;
  bool ClipToImage = false;
  bool IsMask = false;  // masks the layer before it; 8-bit grey
  std::string Name;
  TResampleFilter ResampleFilter = rfNone;
  bool UseResampleFilter = false;
};

// Frees every TIEPsdLayer of the list and empties it.
void PsdFreeLayers(TList* Layers);

// Reads the 26-byte header at the position (which is restored, also on failure): signature
// "8BPS", version 1, 1..24 channels, depth 1..16, colour mode below 10.
bool PsdDetect(TStream* Stream);
// Reads one document. Layers (nil: none wanted) receives new TIEPsdLayer records the caller
// frees; LoadLayers asks for them when the document has more than one. Never raises: bad data
// set the abort flag.
void PsdReadImage(TStream* Stream, TIEBitmap* Bitmap, TIOParamsVals& IOParams, TList* Layers, bool LoadLayers,
                  TIEProgressRec& Progress);
// Writes one document from the layers (TIEPsdLayer records, may be nil or empty) and the merged
// image (nil: the first layer's bitmap). The layer bitmaps are converted to the document's pixel
// format, resampled to their displayed size and given an alpha channel. A pixel format the
// document cannot hold sets the abort flag and writes nothing.
void PsdWriteImage(TStream* Stream, TIOParamsVals& IOParams, TIEProgressRec& Progress, TList* Layers,
                   TIEBitmap* Merged);

// PackBits encoding of one row (runs of 4 or more equal bytes become runs), appended to Out.
void PsdPackBitsRow(const uint8_t* Row, int Length, std::vector<uint8_t>& Out);

// Fills the PSD entries of the IO front end's codec table.
void IERegisterPsdCodec();
