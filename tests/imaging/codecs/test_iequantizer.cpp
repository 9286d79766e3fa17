// Colour quantizers: exact palettes, grey ramps, paletted sources, box split and neural network.
#include <gtest/gtest.h>

#include <set>

#include "imaging/codecs/iequantizer.h"
#include "imaging/core/iebitmap.h"
#include "codectest.h"

namespace {

// A smooth colour gradient with many distinct colours.
void FillGradient(TIEBitmap& bmp, int w, int h) {
  bmp.Allocate(w, h, ie24RGB);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bmp.SetPixelRGB(x, y, PixRGB(x * 255 / (w - 1), y * 255 / (h - 1), (x + y) * 127 / (w + h)));
}

double MeanError(TIEBitmap& bmp, TIEQuantizer& q, const TIERGBPixel* pal) {
  double err = 0;
  for (int y = 0; y < bmp.Height(); ++y)
    for (int x = 0; x < bmp.Width(); ++x) {
      TIERGBPixel p = bmp.GetPixelRGB(x, y);
      int i = q.GetColorIndex(p);
      EXPECT_GE(i, 0);
      TIERGBPixel c = pal[i];
      err += std::abs(p.r - c.r) + std::abs(p.g - c.g) + std::abs(p.b - c.b);
    }
  return err / (bmp.Width() * bmp.Height() * 3.0);
}

}  // namespace

TEST(Quantizer, ExactPaletteInOrderOfFirstAppearance) {
  TIEBitmap bmp;
  bmp.Allocate(20, 10, ie24RGB);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 20; ++x) bmp.SetPixelRGB(x, y, PixRGB(y * 20 + x, 3, 7));  // 200 colours
  TIERGBPixel pal[256];
  for (auto& p : pal) p = PixRGB(1, 2, 3);
  TIEQuantizer q(&bmp, pal, 256);
  EXPECT_TRUE(q.HasExactColors());
  EXPECT_EQ(q.ExactCount(), 200);
  EXPECT_EQ(pal[0], PixRGB(0, 3, 7));
  EXPECT_EQ(pal[199], PixRGB(199, 3, 7));
  EXPECT_EQ(pal[200], PixRGB(1, 2, 3));  // untouched
  EXPECT_EQ(q.GetColorIndex(PixRGB(57, 3, 7)), 57);
  EXPECT_EQ(q.GetColorIndex(PixRGB(57, 4, 7)), -1);
}

TEST(Quantizer, GreyImageGivesRampAndRedDrivenIndex) {
  TIEBitmap bmp;
  bmp.Allocate(16, 16, ie24RGB);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) bmp.SetPixelRGB(x, y, PixRGB(x * 16 + y, x * 16 + y, x * 16 + y));
  TIERGBPixel pal[16];
  TIEQuantizer q(&bmp, pal, 16);
  EXPECT_TRUE(q.GrayScale);
  for (int i = 0; i < 16; ++i) EXPECT_EQ(pal[i], PixRGB(i * 16, i * 16, i * 16));
  struct { int r; int index; } cases[] = {{0, 0}, {15, 0}, {16, 1}, {100, 6}, {255, 15}};
  for (auto c : cases) EXPECT_EQ(q.GetColorIndex(PixRGB(c.r, 0, 0)), c.index) << c.r;
}

TEST(Quantizer, PalettedSourceKeepsItsPalette) {
  TIEBitmap bmp;
  bmp.Allocate(4, 4, ie8p);
  for (int i = 0; i < 256; ++i) bmp.SetPaletteEntry(i, PixRGB(i, 255 - i, i / 2));
  TIERGBPixel pal[256];
  TIEQuantizer q(&bmp, pal, 256);
  EXPECT_EQ(pal[10], PixRGB(10, 245, 5));
  EXPECT_EQ(q.GetColorIndex(PixRGB(10, 245, 5)), 10);
  EXPECT_EQ(q.GetColorIndex(PixRGB(10, 10, 10)), bmp.PaletteLength());
}

TEST(Quantizer, BoxSplitStopsAtDistinctColoursWithMultiplesOfEight) {
  TIEBitmap bmp;
  bmp.Allocate(30, 30, ie24RGB);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) bmp.SetPixelRGB(x, y, x < 10 ? PixRGB(200, 16, 40) : x < 20 ? PixRGB(8, 240, 96) : PixRGB(64, 64, 248));
  TIERGBPixel pal[16];
  int produced = 0;
  TIEBoxSplitRec* rec = BoxSplitQuantizer(&bmp, pal, 16, &produced);
  EXPECT_EQ(produced, 3);
  std::set<uint32_t> got;
  for (int i = 0; i < produced; ++i) {
    EXPECT_EQ(pal[i].r % 8, 0);
    EXPECT_EQ(pal[i].g % 8, 0);
    EXPECT_EQ(pal[i].b % 8, 0);
    got.insert(pal[i].r << 16 | pal[i].g << 8 | pal[i].b);
  }
  EXPECT_EQ(got, (std::set<uint32_t>{200u << 16 | 16 << 8 | 40, 8u << 16 | 240 << 8 | 96, 64u << 16 | 64 << 8 | 248}));
  EXPECT_EQ(pal[BoxSplitLookup(rec, PixRGB(200, 16, 40))], PixRGB(200, 16, 40));
  BoxSplitFree(rec);
}

TEST(Quantizer, ManyColoursChooseBuilderBySizeAndStayClose) {
  TIEBitmap bmp;
  FillGradient(bmp, 120, 90);
  struct Case { int n; int algorithm; double maxError; } cases[] = {{16, 1, 24}, {256, 0, 6}};
  for (auto c : cases) {
    TIERGBPixel pal[256];
    TIEQuantizer q(&bmp, pal, c.n);
    EXPECT_FALSE(q.HasExactColors());
    EXPECT_EQ(q.Algorithm, c.algorithm) << c.n;
    EXPECT_LT(MeanError(bmp, q, pal), c.maxError) << c.n;
  }
}

TEST(Quantizer, NeuralSamplingFactor) {
  struct { int64_t pixels; int quality; int factor; } cases[] = {
      {1999, -1, 1}, {2000, -1, 2}, {150000, -1, 15}, {10000000, -1, 30}, {4000000000LL, -1, 30},
      {500, 100, 1}, {500, 0, 30}, {500, 50, 15}};
  for (auto c : cases) EXPECT_EQ(NeuralSamplingFactor(c.pixels, c.quality), c.factor) << c.pixels << " " << c.quality;
}

TEST(Quantizer, NeuralLookupFindsNearestOfItsPalette) {
  TIEBitmap bmp;
  FillGradient(bmp, 40, 40);  // under 2,000 pixels: every pixel sampled
  TIERGBPixel pal[64];
  TIENeuralRec* rec = NeuralQuantizer(&bmp, pal, -1, 64);
  for (int k = 0; k < 50; ++k) {
    TIERGBPixel c = PixRGB(k * 5, 255 - k * 5, k * 2);
    int i = NeuralLookup(rec, c);
    ASSERT_GE(i, 0);
    int d = std::abs(pal[i].r - c.r) + std::abs(pal[i].g - c.g) + std::abs(pal[i].b - c.b);
    int best = 1 << 30;
    for (auto& p : pal) best = std::min(best, std::abs(p.r - c.r) + std::abs(p.g - c.g) + std::abs(p.b - c.b));
    EXPECT_EQ(d, best) << k;
  }
  NeuralFree(rec);
}
