// Whole-image pixel routines of the processing unit that neither scale nor rotate: mirroring,
// alpha bounds, rectangle fills, rounded transparent corners, histogram matching, and the table
// of named 3 x 3 filter presets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "imaging/core/iedefs.h"
#include "imaging/core/ieprocdefs.h"

class TIEBitmap;

// Direction 0 mirrors left-right, 1 top-bottom; every pixel format; the alpha channel follows.
void IEFlipBitmap(TIEBitmap* Bitmap, int Direction);

// Inclusive bounds of the non-zero alpha values (the whole image without an alpha channel; left
// W, right -1, top H, bottom -1 when every alpha value is 0).
struct TIERectangle {
  int Left = 0, Top = 0, Right = 0, Bottom = 0;
};
void IEAlphaBoundingRect(TIEBitmap* Bitmap, TIERectangle& Rect);

// Fills columns x1 .. min(x2, W) - 1 of rows y1 .. min(y2, H) - 1 of an ie24RGB or ie1g bitmap.
void IEFillArea(TIEBitmap* Bitmap, int x1, int y1, int x2, int y2, TIERGBPixel Color, TObject* Sender,
                const TIEProgressEvent& OnProgress);

// Transparent corners along quarter curves rx wide and ry high.
void IERoundAlphaCorners(TIEBitmap* Bitmap, int rx, int ry);

// Makes the channels of Bitmap (ie24RGB or ieRGB48) follow the distribution of Reference (ie24RGB).
void IEMatchHistogram(TIEBitmap* Reference, TIEBitmap* Bitmap);

// A 3 x 3 filter: nine coefficients row by row (the row above first), then the divisor.
struct TIEFilterPresetRecord {
  int32_t Values[9];
  int32_t Divisor;
};
static_assert(sizeof(TIEFilterPresetRecord) == 40);
// The presets "None", "Blur", "Edges", "Emboss", "High Pass 1".."3", "Low Pass 1", "2", built by
// IEInitFilterPresets (the library start-up; also on first use) and freed by IEFreeFilterPresets.
std::vector<TIEFilterPresetRecord>& IEFilterPresets();
std::vector<std::string>& IEFilterPresetNames();
void IEInitFilterPresets();
void IEFreeFilterPresets();
int IEAddFilterPreset(const TIEFilterPresetRecord& Record, const std::string& Name);
