// TIEQuantizer: builds a palette of at most N colours for an image and maps colours to indexes in
// it. Behind it: the exact list of the image's colours when there are few enough, the box-split
// quantizer over a 5-bit histogram and the self-organising neural-network quantizer; grey and
// paletted images need neither.
#pragma once

#include <cstdint>
#include <unordered_map>
#include <vector>

#include "imaging/core/iedefs.h"
#include "platform/rtl/object.h"

class TIEBitmap;
struct TIEBoxSplitRec;
struct TIENeuralRec;

// Library-wide settings read at each TIEQuantizer creation: algorithm -1 automatic, 0 neural,
// 1 box split; quality -1 automatic, else 0..100 for the neural quantizer.
extern int32_t IEQuantizerAlgorithm;
extern int32_t IEQuantizerQuality;

class TIEQuantizer : public TObject {
  ORV_CLASS(TIEQuantizer, TObject)
public:
  // Fills Palette (at least N entries, N clamped to 1..256) for Bitmap. The bitmap must not change
  // while the quantizer lives.
  TIEQuantizer(TIEBitmap* Bitmap, TIERGBPixel* Palette, int N);
  ~TIEQuantizer() override;

  // The palette index of a colour (see the .cpp for the order of the rules); -1 for a colour not
  // in an exact palette.
  int GetColorIndex(TIERGBPixel Color);

  int32_t Algorithm = 0;  // 0 neural, 1 box split; meaningful with a builder
  uint8_t GrayScale = 0;
  int32_t NColors = 0;
  bool HasExactColors() const { return FHasExact; }
  int ExactCount() const { return static_cast<int>(FExact.size()); }

private:
  TIEBoxSplitRec* FBox = nullptr;
  TIENeuralRec* FNeural = nullptr;
  bool FHasExact = false;
  std::vector<uint32_t> FExact;  // distinct colours in order of first appearance (packed b|g<<8|r<<16)
  std::unordered_map<uint32_t, int> FExactIndex;
  TIEBitmap* FBitmap;
};

// The builders, usable on their own (ie24RGB images, N 1..256).
TIEBoxSplitRec* BoxSplitQuantizer(TIEBitmap* Bitmap, TIERGBPixel* Palette, int N, int* Produced = nullptr);
int BoxSplitLookup(TIEBoxSplitRec* Rec, TIERGBPixel Color);
void BoxSplitFree(TIEBoxSplitRec* Rec);
TIENeuralRec* NeuralQuantizer(TIEBitmap* Bitmap, TIERGBPixel* Palette, int Quality, int N);
int NeuralLookup(TIENeuralRec* Rec, TIERGBPixel Color);
void NeuralFree(TIENeuralRec* Rec);
// Sampling factor of the neural quantizer for an image of Pixels pixels.
int NeuralSamplingFactor(int64_t Pixels, int Quality);
