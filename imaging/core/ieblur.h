// Separable Gaussian blur in 16-bit fixed point for one-channel and 24-bit images, the blur of a
// rectangle of a one-channel image, and the two soft shadows built on it (a whole picture's drop
// shadow in its alpha channel, and a shadow under a rectangle).
#pragma once

#include <cstdint>

#include "imaging/core/ieprocdefs.h"

class TIEBitmap;

struct TIEGaussKernel {
  uint8_t Radius = 1;      // 1..100
  double G[201] = {};      // g(k) for k = -100..100 at index k + 100
  int32_t W[201] = {};     // weights in 1/65536
};

void IEMakeGaussKernel(TIEGaussKernel& Kernel, double Sigma);
// Blurs an ie8g or ie24RGB bitmap in place; other formats and Sigma <= 0 leave it unchanged.
void IEGaussBlur(TIEBitmap* Bitmap, TObject* Sender, const TIEProgressEvent& OnProgress, double Sigma);
// Blurs the inclusive rectangle of an ie8g bitmap, reading and writing only inside it.
void IEGaussBlurRect(TIEBitmap* Bitmap, int x1, int y1, int x2, int y2, double Sigma);
// Gives an ie24RGB or ie1g bitmap a soft shadow in its alpha channel. ShadowColor is
// red x 65536 + green x 256 + blue.
void IEAddSoftShadow(TIEBitmap* Bitmap, double Sigma, int OffsetX, int OffsetY, bool Enlarge, int Intensity,
                     int32_t ShadowColor, TObject* Sender, const TIEProgressEvent& OnProgress);
// Adds a shadow under the rectangle; returns the margin the shadow may reach beyond it.
int IEAddSoftShadowRect(TIEBitmap* Bitmap, int Left, int Top, int Right, int Bottom, double Sigma, int OffsetX,
                        int OffsetY, int Intensity, int32_t ShadowColor);
