// Pixel access, fills, rectangle copies and whole-image tests of TIEBitmap.
#include <gtest/gtest.h>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieutils.h"
#include "imgtestutil.h"

namespace {

TEST(IEBitmapPixels, FillSetsFullOnlyForWhiteAndFillRectNeverChangesIt) {
  struct Case {
    TIEPixelFormat pf;
    double value;
    bool full;
  } cases[] = {{ie8g, 255, true},     {ie8g, 254, false},     {ie1g, 1, true},         {ie1g, 0, false},
               {ie16g, 65535, true},  {ie16g, 100, false},    {ie24RGB, 0xFFFFFF, true}, {ie24RGB, 0xFF, false},
               {ie32f, 1.0, true},    {ie32f, 0.5, false},    {ieRGB48, 0xFFFFFF, true}, {ie32RGB, 0xFFFFFF, true}};
  for (const auto& c : cases) {
    TIEBitmap b(9, 5, c.pf);
    b.Fill(c.value);
    EXPECT_EQ(b.Full, c.full) << int(c.pf) << " " << c.value;
    b.FillRect(0, 0, 2, 2, c.full ? 0 : 255);
    EXPECT_EQ(b.Full, c.full) << "FillRect leaves the flag";
  }
}

TEST(IEBitmapPixels, FillWritesTheConvertedValueOfEveryFormat) {
  TTempFolder tmp;
  for (bool inFile : {false, true}) {
    TIEBitmap b;
    if (inFile) b.MemoryThreshold = 0;
    b.Allocate(7, 3, ie24RGB);
    b.Fill(0x123456);  // TColor: red 0x56, green 0x34, blue 0x12
    EXPECT_EQ(b.GetPixelRGB(6, 2), IEMakeRGB(0x56, 0x34, 0x12));
    EXPECT_EQ(b.GetPixelRGB(0, 0), IEMakeRGB(0x56, 0x34, 0x12));
  }
  TIEBitmap g(3, 3, ie16g);
  g.Fill(70000);  // low 16 bits
  EXPECT_EQ(g.GetPixel16(2, 2), 70000 & 0xFFFF);
  TIEBitmap w(3, 3, ieRGB48);
  w.Fill(0x0000FF);
  EXPECT_EQ(w.GetPixelRGB48(1, 1).r, 255 * 257);
  EXPECT_EQ(w.GetPixelRGB48(1, 1).g, 0);
  TIEBitmap k(3, 3, ieCMYK);
  k.Fill(0x000000);
  TIECMYK c = IERGB2CMYK(IEMakeRGB(0, 0, 0));
  EXPECT_EQ(k.GetPixelCMYK(2, 0), uint32_t(c.c | c.m << 8 | c.y << 16 | c.k << 24));
  EXPECT_EQ(k.GetPixelAsRGB(2, 0), IEMakeRGB(0, 0, 0));
  TIEBitmap l(3, 3, ieCIELab);
  l.Fill(0xFFFFFF);
  EXPECT_EQ(l.GetPixelAsRGB(0, 0), IEMakeRGB(249, 249, 249));
}

TEST(IEBitmapPixels, Fill32RGBReachesEveryRowAndKeepsFourthBytes) {
  TTempFolder tmp;
  for (bool inFile : {false, true}) {
    TIEBitmap b;
    if (inFile) b.MemoryThreshold = 0;
    ASSERT_TRUE(b.Allocate(4, 3, ie32RGB));
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) b.Scanline(y)[4 * x + 3] = static_cast<uint8_t>(10 * y + x);
    b.Fill(0x00FF00);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 4; ++x) {
        const uint8_t* p = b.Scanline(y) + 4 * x;
        EXPECT_EQ(p[1], 255);
        EXPECT_EQ(p[0], 0);
        EXPECT_EQ(p[3], 10 * y + x) << "fourth byte kept";
      }
  }
}

TEST(IEBitmapPixels, FillRectClipsAndIncludesCorners) {
  TIEBitmap f(10, 10, ie32f);
  f.Fill(0);
  f.FillRect(-5, -5, 2, 2, 0.5);
  int count = 0;
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) count += f.GetPixelFloat(x, y) == 0.5f;
  EXPECT_EQ(count, 9);
  EXPECT_EQ(f.GetPixelFloat(2, 2), 0.5f);
  f.FillRect(5, 5, 3, 3, 1.0);  // inverted rectangle: nothing
  EXPECT_EQ(f.GetPixelFloat(4, 4), 0.0f);

  TIEBitmap bw(20, 3, ie1g);
  bw.Fill(0);
  bw.FillRect(3, 1, 17, 1, 1);
  for (int x = 0; x < 20; ++x) EXPECT_EQ(bw.GetPixelAsRGB(x, 1).r, (x >= 3 && x <= 17) ? 255 : 0) << x;
  EXPECT_EQ(bw.GetPixelAsRGB(5, 0).r, 0);
}

TEST(IEBitmapPixels, PixelAccessorsMaintainFull) {
  TIEBitmap a(4, 4, ie8g);
  a.Fill(255);
  a.SetPixel8(1, 1, 255);
  EXPECT_TRUE(a.Full);
  a.SetPixel8(1, 1, 3);
  EXPECT_FALSE(a.Full);
  TIEBitmap w(2, 2, ieRGB48);
  w.Fill(0xFFFFFF);
  w.SetPixelRGB48(0, 0, TIERGB48Pixel{65535, 65535, 1});
  EXPECT_FALSE(w.Full);
}

TEST(IEBitmapPixels, GetAlphaWithoutChannelAnswersOpaqueAndCreatesIt) {
  TIEBitmap b(3, 3, ie24RGB);
  EXPECT_EQ(b.GetAlpha(1, 1), 255);
  ASSERT_TRUE(b.HasAlphaChannel());
  EXPECT_TRUE(b.GetAlphaChannel()->Full);
}

TEST(IEBitmapPixels, GetPixelAsRGBForEveryFormat) {
  TIEBitmap p(2, 1, ie8p);
  p.SetPaletteEntry(7, IEMakeRGB(10, 20, 30));
  p.SetPixel8(1, 0, 7);
  EXPECT_EQ(p.GetPixelAsRGB(1, 0), IEMakeRGB(10, 20, 30));
  TIEBitmap g(2, 1, ie16g);
  g.SetPixel16(0, 0, 0x8123);
  EXPECT_EQ(g.GetPixelAsRGB(0, 0), IEMakeRGB(0x81, 0x81, 0x81));
  TIEBitmap f(2, 1, ie32f);
  f.SetPixelFloat(0, 0, 0.5f);
  EXPECT_EQ(f.GetPixelAsRGB(0, 0), IEMakeRGB(127, 127, 127));
  TIEBitmap q(2, 1, ie32RGB);
  q.Fill(0x0000FF);
  EXPECT_EQ(q.GetPixelAsRGB(1, 0), IEMakeRGB(255, 0, 0));
  TIEBitmap bw(9, 1, ie1g);
  bw.Fill(0);
  bw.Scanline(0)[1] = 0x80;  // pixel 8 is the top bit of byte 1
  EXPECT_EQ(bw.GetPixelAsRGB(8, 0), IEMakeRGB(255, 255, 255));
  EXPECT_EQ(bw.GetPixelAsRGB(7, 0), IEMakeRGB(0, 0, 0));
}

TEST(IEBitmapPixels, CopyRectToClipsNegativeDestination) {
  TIEBitmap s(6, 1, ie8g), d(6, 1, ie8g);
  for (int x = 0; x < 6; ++x) s.SetPixel8(x, 0, static_cast<uint8_t>(x + 1));
  d.Fill(0);
  s.CopyRectTo(&d, 1, 0, -2, 0, 4, 1);
  // source columns from SourceX + 2 = 3 land at column 0: 4, 5 (the width shrank by 2)
  EXPECT_EQ(d.GetPixel8(0, 0), 4);
  EXPECT_EQ(d.GetPixel8(1, 0), 5);
  EXPECT_EQ(d.GetPixel8(2, 0), 0);
}

TEST(IEBitmapPixels, CopyRectToEveryFormatBetweenMemoryAndFile) {
  TTempFolder tmp;
  for (TIEPixelFormat pf : kAllFormats) {
    const int w = pf == ie1g ? 16 : 13;  // whole bytes, so the pattern has no bits past the width
    TIEBitmap s(w, 7, pf);
    PaintPattern(s, 3);
    TIEBitmap d;
    d.MemoryThreshold = 0;
    ASSERT_TRUE(d.Allocate(w, 7, pf));
    d.Fill(0);
    s.CopyRectTo(&d, 0, 0, 0, 0, w, 7);
    EXPECT_TRUE(HasPattern(d, 3)) << int(pf);
    // a partial rectangle into a file image keeps the rest of its rows
    TIEBitmap z(w, 7, pf);
    z.Fill(0);
    z.CopyRectTo(&d, 8, 2, 8, 2, 3, 3);
    EXPECT_EQ(d.Scanline(2)[0], s.Scanline(2)[0]) << int(pf);
    EXPECT_EQ(d.Scanline(1)[PixelBytes(d) - 1], s.Scanline(1)[PixelBytes(s) - 1]) << int(pf);
  }
}

TEST(IEBitmapPixels, CopyRectToBitsAndMixedFormats) {
  TIEBitmap s(16, 1, ie1g), d(16, 1, ie1g);
  s.Fill(1);
  d.Fill(0);
  s.CopyRectTo(&d, 0, 0, 3, 0, 3, 1);
  EXPECT_EQ(d.Scanline(0)[0], 0x1C) << "bits 3..5 set, the other five untouched";
  TIEBitmap rgb(16, 1, ie24RGB);
  rgb.Fill(0x0000FF);
  s.CopyRectTo(&rgb, 0, 0, 0, 0, 2, 1);
  EXPECT_EQ(rgb.GetPixelRGB(1, 0), IEMakeRGB(255, 255, 255));
  EXPECT_EQ(rgb.GetPixelRGB(2, 0), IEMakeRGB(255, 0, 0));
  TIEBitmap g(16, 1, ie8g);
  g.Fill(9);
  g.CopyRectTo(&rgb, 0, 0, 0, 0, 16, 1);  // ie8g to ie24RGB copies nothing
  EXPECT_EQ(rgb.GetPixelRGB(5, 0), IEMakeRGB(255, 0, 0));
}

TEST(IEBitmapPixels, MaxAlphaRectKeepsTheLargerValue) {
  TIEBitmap s(4, 4, ie24RGB), d(4, 4, ie24RGB);
  s.GetAlphaChannel()->Fill(100);
  d.GetAlphaChannel()->Fill(50);
  d.SetAlpha(1, 1, 200);
  s.MaxAlphaRectTo(&d, 0, 0, 0, 0, 2, 2);
  EXPECT_EQ(d.GetAlpha(0, 0), 100);
  EXPECT_EQ(d.GetAlpha(1, 1), 200);
  EXPECT_EQ(d.GetAlpha(3, 3), 50);
}

TEST(IEBitmapPixels, OpaqueZeroAndGreyTestsIgnoreRowPadding) {
  TIEBitmap a(3, 2, ie8g);  // RowLen 4: one padding byte per row
  a.Fill(255);
  a.Scanline(0)[3] = 0;
  a.Full = false;
  a.UpdateOpaqueFlag();
  EXPECT_TRUE(a.Full);
  a.SetPixel8(2, 1, 254);
  a.UpdateOpaqueFlag();
  EXPECT_FALSE(a.Full);
  TIEBitmap z(3, 2, ie8g);
  z.Fill(0);
  z.Scanline(1)[3] = 9;
  EXPECT_TRUE(z.IsAllZero());
  z.SetPixel8(0, 0, 1);
  EXPECT_FALSE(z.IsAllZero());
  TIEBitmap c(2, 2, ie24RGB);
  c.Fill(0x808080);
  EXPECT_TRUE(c.IsGrayScale());
  c.SetPixelRGB(1, 1, IEMakeRGB(1, 2, 3));
  EXPECT_FALSE(c.IsGrayScale());
  TIEBitmap g16(2, 2, ie16g);
  EXPECT_TRUE(g16.IsGrayScale());
}

TEST(IEBitmapPixels, ChannelBias) {
  TIEBitmap b(1, 1, ie24RGB);
  b.SetChannelBias(4, 10);
  EXPECT_FALSE(b.EnableChannelOffset);
  b.SetChannelBias(3, 10);
  EXPECT_TRUE(b.EnableChannelOffset);
  b.SetChannelBias(3, 0);
  EXPECT_FALSE(b.EnableChannelOffset);
}

}  // namespace
