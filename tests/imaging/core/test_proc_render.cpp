// The renderer into 24-bit bitmaps and the blend modes, against the Parts' formulas.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <limits>
#include <utility>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieblend.h"
#include "imaging/core/iedib.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/ieprocdefs.h"
#include "imaging/core/ieutils.h"
#include "imgtestutil.h"
#include "platform/vcl/graphics.h"
#include "imaging/core/ieprocinit.h"
#include "imaging/core/ietransform.h"

namespace {

class RenderTest : public ::testing::Test {
protected:
  void SetUp() override { IESetGrayCoefficients(); }
  TIEBitmap Dest{8, 4, ie24RGB};
};

TEST_F(RenderTest, OneToOneCopiesBytesAndTransparencyMovesHalfWay) {
  TIEBitmap s(8, 4, ie24RGB);
  PaintPattern(s);
  Dest.Fill(0);
  s.DrawToBitmap(&Dest, 0, 0, 8, 4, 0, 0, 8, 4, 255, rfNone, 0);
  EXPECT_TRUE(HasPattern(Dest));
  s.Fill(0xC8C8C8);     // 200
  Dest.Fill(0x646464);  // 100
  s.DrawToBitmap(&Dest, 0, 0, 8, 4, 0, 0, 8, 4, 128, rfNone, 0);
  EXPECT_EQ(Dest.GetPixelRGB(3, 2), (TIERGBPixel{150, 150, 150}));
}

TEST_F(RenderTest, NegativeOffsetStartsAtTheScaledSourceColumn) {
  TIEBitmap s(40, 1, ie8g);
  for (int x = 0; x < 40; ++x) s.Scanline(0)[x] = static_cast<uint8_t>(x);
  TIEBitmap d(20, 1, ie24RGB);
  s.DrawToBitmapEx(&d, nullptr, nullptr, -10, 0, 80, 1, 0, 0, 40, 1, true, false, 255, rfNone, 0);
  EXPECT_EQ(d.GetPixelRGB(0, 0).r, 5);  // 10 x 0.5
  EXPECT_EQ(d.GetPixelRGB(2, 0).r, 6);
}

TEST_F(RenderTest, AlphaDisplayRangeContrastAndFormats) {
  // A Full alpha channel draws as if there were none.
  TIEBitmap s(8, 4, ie24RGB);
  s.Fill(0xFFFFFF);
  s.GetAlphaChannel()->Fill(255);
  s.GetAlphaChannel()->Full = true;
  Dest.Fill(0);
  s.DrawToBitmap(&Dest, 0, 0, 8, 4, 0, 0, 8, 4, 255, rfNone, 0);
  EXPECT_EQ(Dest.GetPixelRGB(0, 0), (TIERGBPixel{255, 255, 255}));
  // A half-transparent alpha blends.
  s.GetAlphaChannel()->Fill(128);
  Dest.Fill(0);
  s.DrawToBitmap(&Dest, 0, 0, 8, 4, 0, 0, 8, 4, 255, rfNone, 0);
  EXPECT_EQ(Dest.GetPixelRGB(0, 0).r, (128 * 255) >> 8);

  TIEBitmap g(3, 1, ie16g);
  const uint16_t v[3] = {1500, 1000, 500};
  std::memcpy(g.Scanline(0), v, 6);
  g.BlackValue = 1000;
  g.WhiteValue = 2000;
  TIEBitmap d(3, 1, ie24RGB);
  g.DrawToBitmap(&d, 0, 0, 3, 1, 0, 0, 3, 1, 255, rfNone, 0);
  EXPECT_EQ(d.GetPixelRGB(0, 0).r, 127);
  EXPECT_EQ(d.GetPixelRGB(1, 0).r, 0);
  EXPECT_EQ(d.GetPixelRGB(2, 0).r, 0);

  TIEBitmap c(2, 1, ie24RGB);
  c.SetPixelRGB(0, 0, TIERGBPixel{0, 10, 250});
  c.Contrast = -100;  // K = 0: flat grey
  TIEBitmap dc(2, 1, ie24RGB);
  c.DrawToBitmap(&dc, 0, 0, 2, 1, 0, 0, 2, 1, 255, rfNone, 0);
  EXPECT_EQ(dc.GetPixelRGB(0, 0), (TIERGBPixel{128, 128, 128}));
  c.Contrast = 0;
  c.EnableChannelOffset = true;
  c.ChannelOffset[0] = 10;  // red
  c.DrawToBitmap(&dc, 0, 0, 2, 1, 0, 0, 2, 1, 255, rfNone, 0);
  EXPECT_EQ(dc.GetPixelRGB(0, 0), (TIERGBPixel{0, 10, 255}));

  // Every format draws its colour.
  for (int f = 1; f < IEPixelFormatCount; ++f) {
    TIEBitmap b(4, 2, static_cast<TIEPixelFormat>(f));
    b.Fill(f == ie32f ? 1.0 : 0xFFFFFF);
    if (f == ie8p) b.SetPaletteEntry(255, TIERGBPixel{255, 255, 255});
    TIEBitmap out(4, 2, ie24RGB);
    out.Fill(0);
    b.DrawToBitmap(&out, 0, 0, 4, 2, 0, 0, 4, 2, 255, rfNone, 0);
    EXPECT_GE(out.GetPixelRGB(3, 1).g, 249) << f;
  }
}

TEST_F(RenderTest, ContrastAndOffsetsOfAnyStoredValueSaturate) {
  // Layers store contrast and channel offsets as any 32-bit values: at the ends of that range a
  // channel saturates (or stays in the middle when it is there and only the contrast changes).
  struct Case {
    int Contrast, Offset;
    TIERGBPixel Want;
  };
  const Case cases[] = {{INT_MAX, 0, {0, 128, 255}},    {INT_MIN, 0, {255, 128, 0}}, {0, INT_MAX, {255, 255, 255}},
                        {0, INT_MIN, {0, 0, 0}},        {INT_MAX, INT_MIN, {0, 0, 0}},
                        {INT_MIN, INT_MAX, {0, 0, 0}}};
  TIEBitmap s24(1, 1, ie24RGB), s48(1, 1, ieRGB48);
  s24.SetPixelRGB(0, 0, TIERGBPixel{0, 128, 250});
  const TIERGB48Pixel p48{64250, 32768, 0};
  std::memcpy(s48.Scanline(0), &p48, sizeof p48);
  for (const Case& c : cases) {
    for (TIEBitmap* s : {&s24, &s48}) {
      SCOPED_TRACE(testing::Message() << c.Contrast << " " << c.Offset << " format " << s->PixelFormat());
      s->Contrast = c.Contrast;
      s->EnableChannelOffset = c.Offset != 0;
      for (int i = 0; i < 3; ++i) s->ChannelOffset[i] = c.Offset;
      TIEBitmap d(1, 1, ie24RGB);
      d.Fill(0x336699);
      s->DrawToBitmap(&d, 0, 0, 1, 1, 0, 0, 1, 1, 255, rfNone, 0);
      EXPECT_EQ(d.GetPixelRGB(0, 0), c.Want);
    }
  }
}

TEST_F(RenderTest, DisplayRangeEndsOfAnyStoredValueGiveAGrey) {
  // Grey sources of 100 (8 bits), 30000 (16 bits) and 0.5 (float) under display ranges a stored
  // picture may hold: ends not finite or beyond any level are held to +-1e15 (NaN as 0), equal
  // ends draw the plain grey, reversed ones saturate.
  const double inf = std::numeric_limits<double>::infinity(), nan = std::numeric_limits<double>::quiet_NaN();
  struct Case {
    double Black, White;
    int Want8, Want16, WantF;
  };
  const Case cases[] = {{0, 1e300, 0, 0, 0},          {nan, nan, 100, 117, 127},   {1e300, 2e300, 100, 117, 127},
                        {-inf, inf, 127, 127, 127},   {-1e300, 1e300, 127, 127, 127}, {200, 100, 255, 255, 255}};
  TIEBitmap g8(1, 1, ie8g), g16(1, 1, ie16g), gf(1, 1, ie32f);
  g8.Scanline(0)[0] = 100;
  reinterpret_cast<uint16_t*>(g16.Scanline(0))[0] = 30000;
  reinterpret_cast<float*>(gf.Scanline(0))[0] = 0.5f;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Black << " .. " << c.White);
    for (auto [src, want] : {std::pair{&g8, c.Want8}, std::pair{&g16, c.Want16}, std::pair{&gf, c.WantF}}) {
      src->BlackValue = c.Black;
      src->WhiteValue = c.White;
      TIEBitmap d(1, 1, ie24RGB);
      d.Fill(0x336699);
      src->DrawToBitmap(&d, 0, 0, 1, 1, 0, 0, 1, 1, 255, rfNone, 0);
      EXPECT_EQ(d.GetPixelRGB(0, 0), (TIERGBPixel{uint8_t(want), uint8_t(want), uint8_t(want)})) << src->PixelFormat();
    }
  }
}

TEST_F(RenderTest, FiltersZoomAndClip) {
  TIEBitmap s(16, 8, ie24RGB);
  s.Fill(0x808080);
  Dest.Fill(0);
  TIERenderTables tables;
  s.DrawToBitmapEx(&Dest, &tables, nullptr, 0, 0, 8, 4, 0, 0, 16, 8, true, true, 255, rfTriangle, 0);
  EXPECT_EQ(Dest.GetPixelRGB(7, 3), (TIERGBPixel{128, 128, 128}));
  // A filter on an ie8g source is ignored (nearest pixel); the clip rectangle limits the area.
  TIEBitmap g(4, 2, ie8g);
  g.Fill(77);
  Dest.Fill(0);
  const TIERect clip{0, 0, 3, 3};
  g.DrawToBitmapEx(&Dest, nullptr, &clip, 0, 0, 8, 4, 0, 0, 4, 2, true, true, 255, rfLanczos3, 0);
  EXPECT_EQ(Dest.GetPixelRGB(3, 3).r, 77);
  EXPECT_EQ(Dest.GetPixelRGB(4, 0).r, 0);
  // Kept tables are reused on the next paint.
  TIERenderTables kept;
  g.DrawToBitmapEx(&Dest, &kept, nullptr, 0, 0, 8, 4, 0, 0, 4, 2, true, false, 255, rfNone, 0);
  EXPECT_EQ(kept.X.size(), 8u);
  EXPECT_EQ(kept.Rows.size(), 4u);
  EXPECT_EQ(kept.X[7], 3);
}

TEST_F(RenderTest, StretchRectToWritesTheDestinationAlpha) {
  TIEBitmap g(4, 4, ie8g);
  Dest.Fill(0x010101);
  g.StretchRectTo(&Dest, 0, 0, 4, 4, 0, 0, 4, 4, rfNone, 100);
  EXPECT_EQ(Dest.GetPixelRGB(0, 0), (TIERGBPixel{1, 1, 1}));  // ie8g draws no pixels
  EXPECT_EQ(Dest.GetAlphaChannel()->GetPixel8(3, 3), 100);
  TIEBitmap b(2, 1, ie1g);
  b.Fill(0);
  IESetBit(b.Scanline(0), 1, true);
  b.StretchRectTo(&Dest, 0, 0, 4, 1, 0, 0, 2, 1, rfNone, 255);
  EXPECT_EQ(Dest.GetPixelRGB(1, 0), (TIERGBPixel{0, 0, 0}));
  EXPECT_EQ(Dest.GetPixelRGB(2, 0), (TIERGBPixel{255, 255, 255}));
}

TEST_F(RenderTest, DrawsIntoClassLibraryBitmaps) {
  TIEBitmap s(4, 4, ie8g);
  s.Fill(99);
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(8, 8);
  s.DrawToTBitmap(&b, 0, 0, 8, 8, 0, 0, 4, 4, 255, rfNone, 0);
  EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(7))[3 * 7 + 1], 99);
}

TEST(ProcInit, StartUpDuties) {
  IEProcInitialize();
  EXPECT_EQ(IEFilterPresetNames().size(), 9u);
  EXPECT_NE(IEClipboardRawFormat, 0u);
  EXPECT_STREQ(IEClipboardRawFormatName, "IMAGERY RAW FORMAT");
  IEProcFinalize();
  IECMYKTransform = TIECMYKTransformHook{};
}

TEST(BlendModes, ChannelRules) {
  struct Case {
    int mode, s, d, result;
  } cases[] = {
      {4, 255, 255, 254}, {11, 0, 0, 1},     {11, 255, 30, 255}, {18, 255, 17, 255}, {19, 0, 200, 0},
      {3, 2, 200, 100},   {3, 0, 200, 200},  {1, 200, 100, 255}, {2, 30, 100, 70},   {13, 128, 128, 128},
      {28, 100, 100, 0},  {30, 200, 100, 244}, {38, 1, 99, 99},  {10, 3, 8, 5},      {12, 200, 200, 110},
  };
  for (const auto& c : cases) EXPECT_EQ(IEBlendChannel(c.s, c.d, static_cast<TIEBlendMode>(c.mode)), c.result) << c.mode;
  const TIERGBPixel red = IEBlendRGB(IEMakeRGB(10, 20, 30), IEMakeRGB(100, 100, 100), 31);
  EXPECT_EQ(red, IEMakeRGB(10, 100, 100));
  EXPECT_EQ(IEBlendRGB(IEMakeRGB(1, 2, 3), IEMakeRGB(4, 5, 6), 38), IEMakeRGB(4, 5, 6));
  EXPECT_EQ(IECosineBlendTable[0], 0);
  EXPECT_EQ(IECosineBlendTable[255], 128);
  // Luminosity keeps the hue of a grey destination: grey stays grey.
  const TIERGBPixel lum = IEBlendRGB(IEMakeRGB(50, 50, 50), IEMakeRGB(200, 200, 200), 37);
  EXPECT_EQ(lum, IEMakeRGB(50, 50, 50));
  // Blending through the renderer.
  TIEBitmap s(1, 1, ie24RGB), d(1, 1, ie24RGB);
  s.Fill(0x808080);
  d.Fill(0x808080);
  s.DrawToBitmap(&d, 0, 0, 1, 1, 0, 0, 1, 1, 255, rfNone, 4);
  EXPECT_EQ(d.GetPixelRGB(0, 0).r, (128 * 128) >> 8);
}

// Every one of the 38 modes, with results worked out by hand from each mode's rule.
TEST(BlendModes, EveryModeAgainstItsRule) {
  struct Case {
    int mode, s, d, result;
  } channel[] = {
      {0, 200, 100, 200},  {1, 100, 50, 150},   {2, 100, 250, 150},  {3, 7, 100, 14},     {4, 200, 100, 78},
      {5, 200, 100, 236},  {6, 200, 100, 64},   {7, 200, 100, 172},  {8, 200, 100, 200},  {9, 200, 100, 100},
      {10, 200, 101, 150}, {11, 200, 100, 222}, {12, 200, 100, 210}, {13, 200, 100, 144}, {14, 200, 100, 156},
      {14, 100, 200, 189}, {15, 200, 100, 189}, {15, 100, 200, 156}, {16, 200, 100, 133}, {16, 50, 100, 63},
      {17, 200, 100, 134}, {18, 200, 100, 255}, {18, 100, 50, 82},   {19, 200, 100, 57},  {20, 100, 50, 124},
      {20, 7, 255, 255},   {21, 200, 100, 115}, {21, 200, 0, 0},     {22, 100, 50, 41},   {22, 200, 100, 185},
      {23, 100, 50, 62},   {23, 200, 100, 156}, {24, 200, 100, 181}, {24, 255, 3, 255},   {25, 100, 50, 48},
      {25, 200, 100, 255}, {26, 200, 100, 135}, {26, 0, 100, 0},     {27, 200, 100, 225}, {27, 200, 0, 0},
      {28, 200, 100, 44},  {28, 100, 100, 0},   {29, 128, 128, 128}, {29, 255, 255, 255}, {29, 0, 128, 64},
      {30, 100, 100, 44},  {30, 10, 100, 0},
  };
  for (const auto& c : channel) {
    EXPECT_EQ(IEBlendChannel(c.s, c.d, static_cast<TIEBlendMode>(c.mode)), c.result) << c.mode << " " << c.s << " " << c.d;
    // The per-channel modes apply to red, green and blue alike.
    const uint8_t r = static_cast<uint8_t>(c.result);
    EXPECT_EQ(IEBlendRGB(IEMakeRGB(c.s, c.s, c.s), IEMakeRGB(c.d, c.d, c.d), static_cast<TIEBlendMode>(c.mode)),
              IEMakeRGB(r, r, r))
        << c.mode;
  }
  struct RGBCase {
    int mode;
    TIERGBPixel s, d, result;
  } rgb[] = {
      {31, IEMakeRGB(10, 20, 30), IEMakeRGB(100, 100, 100), IEMakeRGB(10, 100, 100)},
      {32, IEMakeRGB(10, 20, 30), IEMakeRGB(100, 100, 100), IEMakeRGB(100, 20, 100)},
      {33, IEMakeRGB(10, 20, 30), IEMakeRGB(100, 100, 100), IEMakeRGB(100, 100, 30)},
      // hue of pure green, saturation 100/210 and lightness 300/510 of the destination
      {34, IEMakeRGB(0, 255, 0), IEMakeRGB(200, 100, 100), IEMakeRGB(100, 200, 100)},
      // a grey source has no saturation: grey at the destination's lightness
      {35, IEMakeRGB(50, 50, 50), IEMakeRGB(200, 100, 100), IEMakeRGB(150, 150, 150)},
      // hue and saturation of pure green at lightness 100/255
      {36, IEMakeRGB(0, 255, 0), IEMakeRGB(100, 100, 100), IEMakeRGB(0, 200, 0)},
      // hue of green, saturation 100/210, lightness 0.5: 188.2 and 66.8 rounded
      {37, IEMakeRGB(0, 255, 0), IEMakeRGB(200, 100, 100), IEMakeRGB(67, 188, 67)},
      {38, IEMakeRGB(0, 255, 0), IEMakeRGB(200, 100, 100), IEMakeRGB(200, 100, 100)},
      {255, IEMakeRGB(0, 255, 0), IEMakeRGB(200, 100, 100), IEMakeRGB(200, 100, 100)},
  };
  for (const auto& c : rgb) EXPECT_EQ(IEBlendRGB(c.s, c.d, static_cast<TIEBlendMode>(c.mode)), c.result) << c.mode;
}

}  // namespace
