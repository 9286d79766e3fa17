// Pixel-format conversion: the rule of each pair on single pixels, dithering positions, the
// display range of 16-bit grey, the CIELab formulas, round trips and the alpha channel.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iecolor.h"
#include "imaging/core/iedib.h"
#include "imaging/core/ieutils.h"
#include "imgtestutil.h"

namespace {

class ConvTest : public ::testing::Test {
protected:
  void SetUp() override { IESetGrayCoefficients(); }
  TTempFolder temp;
};

// A 1 x 1 bitmap of the format with its first pixel bytes set.
std::unique_ptr<TIEBitmap> One(TIEPixelFormat pf, const void* bytes, size_t n) {
  auto b = std::make_unique<TIEBitmap>(1, 1, pf);
  std::memcpy(b->Scanline(0), bytes, n);
  return b;
}

TIERGBPixel Rgb(TIEBitmap& b, int x = 0, int y = 0) { return b.GetPixelRGB(x, y); }

TEST_F(ConvTest, Rgb24ToGreyFormatsFollowTheWeights) {
  // Expected values worked out by hand from the weights 21/71/8 (8-bit), 54484/183241/19275
  // thousandths (16-bit) and 0.2126/0.7152/0.0722 (float); pixels are blue, green, red.
  struct Case {
    TIERGBPixel px;
    int y8, y16;
    float yf;
  } cases[] = {
      {{255, 255, 255}, 255, 65535, 1.0f},
      {{0, 0, 255}, 53, 13893, 0.2126f},            // pure red
      {{0, 255, 0}, 181, 46726, 0.7152f},           // pure green
      {{255, 0, 0}, 20, 4915, 0.0722f},             // pure blue
      {{10, 20, 30}, 21, 5492, 0.0839373f},         // red 30, green 20, blue 10
      {{0, 0, 0}, 0, 0, 0.0f},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.px.r) << "," << int(c.px.g) << "," << int(c.px.b));
    auto g8 = One(ie24RGB, &c.px, 3);
    g8->SetPixelFormat(ie8g);
    EXPECT_EQ(g8->GetPixel8(0, 0), c.y8);
    auto g16 = One(ie24RGB, &c.px, 3);
    g16->SetPixelFormat(ie16g);
    EXPECT_EQ(g16->GetPixel16(0, 0), c.y16);
    auto gf = One(ie24RGB, &c.px, 3);
    gf->SetPixelFormat(ie32f);
    EXPECT_NEAR(gf->GetPixelFloat(0, 0), c.yf, 1e-6);
  }
}

TEST_F(ConvTest, SinglePixelRulesOfEachSourceFormat) {
  // 8g 100 -> 16g, 24, 48, 32RGB, float
  uint8_t g = 100;
  auto b = One(ie8g, &g, 1);
  b->SetPixelFormat(ie16g);
  EXPECT_EQ(b->GetPixel16(0, 0), 100 * 257);
  b->SetPixelFormat(ieRGB48);  // 16g -> 48: three words w
  EXPECT_EQ(b->GetPixelRGB48(0, 0), (TIERGB48Pixel{25700, 25700, 25700}));
  b->SetPixelFormat(ie24RGB);  // 48 -> 24: word div 256
  EXPECT_EQ(Rgb(*b), (TIERGBPixel{100, 100, 100}));
  b->SetPixelFormat(ie32RGB);
  EXPECT_EQ(b->Scanline(0)[3], 255);
  EXPECT_EQ(b->Scanline(0)[0], 100);

  // 48 -> 16g with its own weights.
  TIERGB48Pixel w48{1000, 2000, 3000};
  auto c = One(ieRGB48, &w48, 6);
  c->SetPixelFormat(ie16g);
  EXPECT_EQ(c->GetPixel16(0, 0), (1000 * 212 + 2000 * 713 + 3000 * 75) / 1000);

  // float truncates and keeps the low bits.
  float f = 1.5f;
  auto d = One(ie32f, &f, 4);
  d->SetPixelFormat(ie8g);
  EXPECT_EQ(d->GetPixel8(0, 0), 126);  // 382 & 255
  float f2 = 0.5f;
  auto e = One(ie32f, &f2, 4);
  e->SetPixelFormat(ie16g);
  EXPECT_EQ(e->GetPixel16(0, 0), 32767);

  // 16g -> 8g and 8p (grey ramp, index w div 256).
  uint16_t w = 0x1234;
  auto h = One(ie16g, &w, 2);
  h->SetPixelFormat(ie8p);
  EXPECT_EQ(h->GetPixel8(0, 0), 0x12);
  EXPECT_EQ(h->GetPaletteEntry(200), (TIERGBPixel{200, 200, 200}));

  // 1g set bit -> every format white.
  uint8_t bit = 0x80;
  auto k = One(ie1g, &bit, 1);
  k->SetPixelFormat(ieRGB48);
  EXPECT_EQ(k->GetPixelRGB48(0, 0), (TIERGB48Pixel{65535, 65535, 65535}));
}

TEST_F(ConvTest, SixteenBitGreyDisplayRange) {
  uint16_t w = 750;
  auto a = One(ie16g, &w, 2);
  a->BlackValue = 0;
  a->WhiteValue = 1000;
  a->SetPixelFormat(ie24RGB);
  EXPECT_EQ(Rgb(*a), (TIERGBPixel{191, 191, 191}));  // Trunc(750 / 1000 * 255)
  auto b = One(ie16g, &w, 2);
  b->SetPixelFormat(ie24RGB);
  EXPECT_EQ(Rgb(*b), (TIERGBPixel{2, 2, 2}));  // 750 div 256
}

TEST_F(ConvTest, OrderedDitherPositions) {
  struct Case {
    uint8_t v;
    int x, y;
    bool white;
  } cases[] = {{200, 0, 0, true}, {200, 1, 0, true}, {200, 0, 1, true}, {100, 1, 0, false}, {0, 0, 0, false}};
  for (const auto& c : cases) {
    TIEBitmap b(8, 8, ie8g);
    b.Fill(c.v);
    b.DitherMethod = 0;
    b.SetPixelFormat(ie1g);
    EXPECT_EQ(IEGetBit(b.Scanline(c.y), c.x), c.white) << int(c.v) << " at " << c.x << "," << c.y;
  }
  // The matrix itself, first index the column.
  EXPECT_EQ(IEBayer8[1][0], 48);
  EXPECT_EQ(IEBayer8[0][1], 32);
}

TEST_F(ConvTest, ThresholdConversionUsesTheAverageGrey) {
  // Left half black, right half white: the average grey is 127; black pixels fall below it.
  TIEBitmap b(4, 2, ie24RGB);
  b.Fill(0);
  b.FillRect(2, 0, 3, 1, 0xFFFFFF);
  b.SetPixelFormat(ie1g);  // DitherMethod 1 by default
  ASSERT_EQ(b.PixelFormat(), ie1g);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(IEGetBit(b.Scanline(0), x), x >= 2);
}

TEST_F(ConvTest, CieLabFormulas) {
  const TIECIELabPixel white = IERGBToCIELab(TIERGBPixel{255, 255, 255});
  EXPECT_EQ(white.l, 250);
  EXPECT_EQ(white.a, 0);
  EXPECT_EQ(white.b, 0);
  EXPECT_EQ(IECIELabToRGB(white), (TIERGBPixel{249, 249, 249}));
  // ie1g goes through ie24RGB to CIELab.
  uint8_t bits = 0x80;  // white, black
  TIEBitmap b(2, 1, ie1g);
  b.Scanline(0)[0] = bits;
  b.SetPixelFormat(ieCIELab);
  const auto* lab = reinterpret_cast<TIECIELabPixel*>(b.Scanline(0));
  EXPECT_EQ(lab[0].l, 250);
  EXPECT_EQ(lab[1].l, 0);
  EXPECT_EQ(lab[1].a, 0);
}

TEST_F(ConvTest, CopyAndConvertFormatDetoursAndTakesTheAlpha) {
  TIEBitmap src(2, 2, ieCMYK);
  src.Fill(0xFFFFFF);
  src.GetAlphaChannel()->Fill(77);
  TIEBitmap dst(2, 2, ie8g);
  dst.CopyAndConvertFormat(&src);
  EXPECT_EQ(src.PixelFormat(), ie24RGB);  // the detour stays
  EXPECT_FALSE(src.HasAlphaChannel());
  ASSERT_TRUE(dst.HasAlphaChannel());
  EXPECT_EQ(dst.GetAlphaChannel()->GetPixel8(1, 1), 77);
  // A source of another size is ignored.
  TIEBitmap other(3, 2, ie24RGB);
  other.Fill(0xFFFFFF);
  dst.Fill(5);
  dst.CopyAndConvertFormat(&other);
  EXPECT_EQ(dst.GetPixel8(0, 0), 5);
}

TEST_F(ConvTest, PalettedKeepsAlphaAndPaletteRoundTrips) {
  TIEBitmap b(3, 1, ie8p);
  b.SetPaletteEntry(0, TIERGBPixel{1, 2, 3});
  b.SetPaletteEntry(1, TIERGBPixel{40, 50, 60});
  b.SetPaletteEntry(2, TIERGBPixel{200, 100, 0});
  uint8_t idx[3] = {0, 1, 2};
  std::memcpy(b.Scanline(0), idx, 3);
  b.GetAlphaChannel()->SetPixel8(1, 0, 9);
  b.SetPixelFormat(ie24RGB);
  ASSERT_TRUE(b.HasAlphaChannel());
  EXPECT_EQ(b.GetAlphaChannel()->GetPixel8(1, 0), 9);
  EXPECT_EQ(Rgb(b, 1), (TIERGBPixel{40, 50, 60}));
  // Back to a palette: three colours fit in 256 entries exactly.
  b.SetPixelFormat(ie8p);
  EXPECT_EQ(b.PaletteLength(), 256);
  for (int x = 0; x < 3; ++x) EXPECT_EQ(b.GetPaletteEntry(b.GetPixel8(x, 0)), (TIERGBPixel{idx[x] == 0 ? uint8_t(1) : idx[x] == 1 ? uint8_t(40) : uint8_t(200), idx[x] == 0 ? uint8_t(2) : idx[x] == 1 ? uint8_t(50) : uint8_t(100), idx[x] == 0 ? uint8_t(3) : idx[x] == 1 ? uint8_t(60) : uint8_t(0)}));
}

// Lossless round trips: 24 -> X -> 24 gives the same pixels for the formats that hold them.
TEST_F(ConvTest, LosslessRoundTrips) {
  for (TIEPixelFormat via : {ie32RGB, ieRGB48}) {
    TIEBitmap b(17, 5, ie24RGB);
    PaintPattern(b, 3);
    TIEBitmap ref;
    ref.Assign(&b);
    b.SetPixelFormat(via);
    ASSERT_EQ(b.PixelFormat(), via);
    b.SetPixelFormat(ie24RGB);
    EXPECT_TRUE(IESameBitmaps(&b, &ref)) << int(via);
  }
  for (TIEPixelFormat via : {ie16g, ie32f, ie24RGB, ieRGB48, ie8p}) {
    TIEBitmap g(9, 3, ie8g);
    PaintPattern(g, 1);
    TIEBitmap ref;
    ref.Assign(&g);
    g.SetPixelFormat(via);
    g.SetPixelFormat(ie8g);
    EXPECT_TRUE(IESameBitmaps(&g, &ref)) << int(via);
  }
}

TEST_F(ConvTest, EveryPairProducesTheTargetFormat) {
  for (int s = 1; s < IEPixelFormatCount; ++s)
    for (int d = 1; d < IEPixelFormatCount; ++d) {
      TIEBitmap b(5, 3, static_cast<TIEPixelFormat>(s));
      b.Fill(0);
      b.SetPixelFormat(static_cast<TIEPixelFormat>(d));
      EXPECT_EQ(b.PixelFormat(), d) << s << "->" << d;
      EXPECT_EQ(b.Width(), 5);
      EXPECT_EQ(b.Height(), 3);
      // Black stays black through every rule (CMYK and Lab included); to ie1g the threshold is
      // the image's own average, so a uniform image turns white there.
      if (d == ie1g) continue;
      const TIERGBPixel p = b.GetPixelAsRGB(4, 2);
      EXPECT_LE(p.r + p.g + p.b, 3) << s << "->" << d;
    }
}

TEST_F(ConvTest, EmptyAndFileLocatedImages) {
  TIEBitmap e;
  e.SetPixelFormat(ie24RGB);  // nothing to convert
  EXPECT_TRUE(e.IsEmpty());
  TIEBitmap f;
  f.SetLocation(ieFile);
  f.MemoryThreshold = 0;
  ASSERT_TRUE(f.Allocate(33, 7, ie24RGB));
  ASSERT_EQ(f.Location(), ieFile);
  f.Fill(0x0000FF);  // red
  f.SetPixelFormat(ie8g);
  EXPECT_EQ(f.Location(), ieFile);
  EXPECT_EQ(f.GetPixel8(32, 6), 53);
}

TEST_F(ConvTest, ClassLibraryLocationConvertsThroughMemory) {
  TIEBitmap b;
  b.SetLocation(ieTBitmap);
  ASSERT_TRUE(b.Allocate(4, 2, ie24RGB));
  ASSERT_EQ(b.Location(), ieTBitmap);
  b.Fill(0x0000FF);  // red
  b.SetPixelFormat(ie8g);
  EXPECT_EQ(b.PixelFormat(), ie8g);
  EXPECT_EQ(b.GetPixel8(3, 1), 53);
  b.SetPixelFormat(ie32f);  // not held by a class-library bitmap: the image moves to memory
  EXPECT_EQ(b.PixelFormat(), ie32f);
  EXPECT_EQ(b.Width(), 4);
  EXPECT_NEAR(b.GetPixelFloat(3, 1), 53 / 255.0, 1e-6);
}

TEST_F(ConvTest, EmptyClassLibraryBitmapTakesTheFormat) {
  for (TIEPixelFormat pf : {ie1g, ie24RGB}) {
    TIEBitmap b;
    b.SetLocation(ieTBitmap);  // empty: held by a class-library bitmap once allocated
    b.SetPixelFormat(pf);
    EXPECT_EQ(b.PixelFormat(), pf);
    ASSERT_TRUE(b.Allocate(3, 3, pf));
    EXPECT_EQ(b.PixelFormat(), pf);
  }
}

// The target's own alpha channel goes when the source brings none.
TEST_F(ConvTest, CopyAndConvertFormatDropsTheTargetsAlpha) {
  TIEBitmap src(2, 2, ie24RGB);
  src.Fill(0xFFFFFF);
  TIEBitmap dst(2, 2, ie8g);
  dst.GetAlphaChannel()->Fill(9);
  ASSERT_TRUE(dst.HasAlphaChannel());
  dst.CopyAndConvertFormat(&src);
  EXPECT_FALSE(dst.HasAlphaChannel());
  EXPECT_EQ(dst.GetPixel8(1, 1), 255);
}

TEST_F(ConvTest, ReducerKeepsFewColoursExactly) {
  TIEBitmap b(64, 4, ie24RGB);
  const TIERGBPixel cols[4] = {{0, 0, 0}, {255, 255, 255}, {0, 0, 255}, {16, 160, 32}};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 64; ++x) b.SetPixelRGB(x, y, cols[(x / 16 + y) % 4]);
  TIEBitmap ref;
  ref.Assign(&b);
  b.PaletteUsed = 16;
  b.SetPixelFormat(ie8p);
  b.SetPixelFormat(ie24RGB);
  EXPECT_TRUE(IESameBitmaps(&b, &ref));
}

}  // namespace
