// Colour routines of the imaging library: reduction to a palette (the colour reducer the format
// converter and the processing component share), grey levels, channel intensity, black and white
// by ordered dither or by threshold, the grey histogram, two-colour detection, nearest palette
// entry, channel reordering and the average colour.
//
// Every routine works on the pixel formats it names and leaves other formats unchanged.
// Rectangles are X1 <= x < X2, Y1 <= y < Y2 (right and bottom exclusive).
#pragma once

#include <cstdint>
#include <string>

#include "imaging/core/iedefs.h"
#include "imaging/core/ieprocdefs.h"

class TIEBitmap;

// ---- palette reduction ----

// Builds a palette of at most N colours for an image and maps colours to palette indexes. The
// library start-up may install the codecs' quantizer through IEColorReducerFactory; without it a
// median cut over a 15-bit colour histogram is used.
class TIEColorReducer {
public:
  virtual ~TIEColorReducer() = default;
  virtual int ColorIndex(TIERGBPixel Color) = 0;
};
// Creates a reducer for Bitmap (ie24RGB) that writes its N colours into Palette[0..N-1].
using TIEColorReducerFactoryFunc = TIEColorReducer* (*)(TIEBitmap* Bitmap, TIERGBPixel* Palette, int N);
extern TIEColorReducerFactoryFunc IEColorReducerFactory;
TIEColorReducer* IECreateColorReducer(TIEBitmap* Bitmap, TIERGBPixel* Palette, int N);

// Replaces every pixel of an ie24RGB bitmap by its palette colour (NumColors 1..1024); Palette,
// when given, receives the NumColors colours.
void IEQuantizeRGB(TIEBitmap* Bitmap, int NumColors, TIERGBPixel* Palette, TObject* Sender,
                   const TIEProgressEvent& OnProgress);

// ---- grey and intensity (ie24RGB) ----
void IEConvertToGray24(TIEBitmap* Bitmap, int X1, int Y1, int X2, int Y2, TObject* Sender,
                       const TIEProgressEvent& OnProgress);
void IEIntensityRGB24(TIEBitmap* Bitmap, int R, int G, int B, int X1, int Y1, int X2, int Y2, TObject* Sender,
                      const TIEProgressEvent& OnProgress);

// ---- black and white ----
// ie24RGB to ie1g by the 8 x 8 ordered-dither matrix.
void IEOrderedDither1Bit(TIEBitmap* Bitmap, TObject* Sender, const TIEProgressEvent& OnProgress);
// ie24RGB to ie1g at the grey level of the image's average colour.
void IEThresholdTo1Bit(TIEBitmap* Bitmap, TObject* Sender, const TIEProgressEvent& OnProgress);
// 256 counters of pixels per grey level over the whole image (ie1g: levels 0 and 1).
void IEGrayHistogram(TIEBitmap* Bitmap, uint32_t* Counts);
// Fills Dest (ie1g, allocated at Source's size) from Source of any format: white where the grey
// level is at least Threshold. Threshold -1: the grey level of the average colour; -2: the
// maximum-entropy threshold.
void IEConvertToBWThreshold(TIEBitmap* Source, TIEBitmap* Dest, int Threshold, TObject* Sender,
                            const TIEProgressEvent& OnProgress);

// ---- other colour services ----
// A new ie1g bitmap when the image holds exactly two colours (bit 0 the darker, Color1), else nil.
TIEBitmap* IETwoColorTo1Bit(TIEBitmap* Bitmap, TIERGBPixel& Color1, TIERGBPixel& Color2);
int IENearestPaletteIndex(const TIERGBPixel* Palette, int Count, TIERGBPixel Color);
// Order: the letters B, G and R in some order (any case); letter k + 1 names the source byte of
// destination byte k of every 3-byte pixel.
void IEReorderChannels(TIEBitmap* Bitmap, const std::string& Order, TObject* Sender, const TIEProgressEvent& OnProgress);
// The average colour of the whole image (row averages, then their average).
void IEAverageRGB(TIEBitmap* Bitmap, int& R, int& G, int& B);

// The 8 x 8 ordered-dither matrix, first index the column.
extern const uint8_t IEBayer8[8][8];
