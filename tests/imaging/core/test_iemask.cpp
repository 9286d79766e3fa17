// The selection mask: storage, values and bounds, polygons, translation, copies through the mask
// and the display helpers.
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <utility>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/iemask.h"
#include "imaging/core/ieutils.h"
#include "imaging/core/iedibbitmap.h"
#include "platform/vcl/graphics.h"
#include "platform/win/wingdi.h"

namespace {

int CountSet(const TIEMask& m) {
  int n = 0;
  for (int y = 0; y < m.Height; ++y)
    for (int x = 0; x < m.Width; ++x) n += m.GetPixel(x, y) != 0;
  return n;
}

TEST(IEMask, StorageGeometry) {
  TIEMask m;
  m.AllocateBits(10, 10, 1);
  EXPECT_EQ(m.RowLength, 4);
  EXPECT_TRUE(m.IsEmpty());
  EXPECT_EQ(m.GetScanline(0), m.Bits + 36) << "rows bottom-up";
  m.AllocateBits(10, 10, 8);
  EXPECT_EQ(m.RowLength, 12);
  EXPECT_EQ(m.GetPixel(-1, 0), 0);
  EXPECT_EQ(m.GetPixel(10, 0), 0);
  m.SetPixel(10, 0, 5);  // outside: ignored
  EXPECT_TRUE(m.IsEmpty());
}

TEST(IEMask, SetPixelGrowsBoundsUntilRecalc) {
  TIEMask m;
  m.AllocateBits(10, 10, 1);
  m.SetPixel(3, 4, 1);
  EXPECT_EQ(m.X1, 3);
  EXPECT_EQ(m.Y1, 4);
  EXPECT_EQ(m.X2, 3);
  EXPECT_EQ(m.Y2, 4);
  EXPECT_TRUE(m.IsPointInside(3, 4));
  m.SetPixel(3, 4, 0);
  EXPECT_EQ(m.X1, 3) << "clearing leaves the bounds";
  m.RecalcBounds();
  EXPECT_TRUE(m.IsEmpty());
}

TEST(IEMask, FullFlag) {
  TIEMask m;
  m.AllocateBits(10, 3, 1);
  m.Fill(255);
  EXPECT_TRUE(m.Full);
  m.SetPixel(2, 2, 0);
  EXPECT_FALSE(m.Full);
  m.UpdateAllSetFlag();
  EXPECT_FALSE(m.Full);
  m.SetPixel(2, 2, 1);
  m.UpdateAllSetFlag();
  EXPECT_TRUE(m.Full) << "padding bits past the width do not count";
  m.Clear();
  EXPECT_FALSE(m.Full);
  EXPECT_TRUE(m.IsEmpty());
  TIEMask e;
  e.AllocateBits(4, 4, 8);
  e.Fill(255);
  e.SetPixel(1, 1, 254);
  EXPECT_FALSE(e.Full);
}

TEST(IEMask, FillSpanClampsAndCounts) {
  TIEMask m;
  m.AllocateBits(20, 2, 1);
  EXPECT_EQ(m.FillSpan(1, -5, 0, 12), 13);
  EXPECT_EQ(m.FillSpan(1, 15, 0, 30), 5);
  EXPECT_EQ(m.FillSpan(1, 9, 0, 3), 0);
  EXPECT_EQ(CountSet(m), 18);
  EXPECT_EQ(m.FillSpan(0, 0, 0, 4), 5);
  EXPECT_EQ(CountSet(m), 13);
  TIEMask g;
  g.AllocateBits(5, 1, 8);
  g.FillSpan(128, 1, 0, 3);
  EXPECT_EQ(g.GetPixel(2, 0), 128);
  EXPECT_EQ(g.GetPixel(4, 0), 0);
}

TEST(IEMask, FillPolygonsTileWithoutOverlap) {
  TIEMask m;
  m.AllocateBits(30, 30, 1);
  const TIEPoint square[4] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  m.FillPolygons(1, square, 4);
  EXPECT_EQ(CountSet(m), 100);
  EXPECT_TRUE(m.IsPointInside(9, 9));
  EXPECT_FALSE(m.IsPointInside(10, 9));
  EXPECT_EQ(m.X1, 0);
  EXPECT_EQ(m.Y1, 0);
  EXPECT_EQ(m.X2, 9);
  EXPECT_EQ(m.Y2, 9);
  // two polygons after a separator; the second shares the first one's right edge
  TIEMask t;
  t.AllocateBits(30, 30, 1);
  const TIEPoint two[9] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0xFFFFF, 0}, {10, 0}, {20, 0}, {20, 10}, {10, 10}};
  t.FillPolygons(1, two, 9);
  EXPECT_EQ(CountSet(t), 200);
  // a triangle: even-odd scan conversion
  TIEMask tri;
  tri.AllocateBits(20, 20, 8);
  const TIEPoint triangle[3] = {{0, 0}, {10, 10}, {0, 10}};
  tri.FillPolygons(255, triangle, 3);
  EXPECT_EQ(CountSet(tri), 45) << "row y spans 0..y-1";
  EXPECT_EQ(tri.GetPixel(0, 9), 255);
  EXPECT_EQ(tri.GetPixel(9, 0), 0);
}

TEST(IEMask, DegeneratePolygonWritesNothing) {
  TIEMask m;
  m.AllocateBits(10, 10, 1);
  const TIEPoint flat[3] = {{1, 4}, {8, 4}, {5, 4}};
  m.FillPolygons(1, flat, 3);
  EXPECT_EQ(CountSet(m), 0);
  EXPECT_TRUE(m.IsEmpty());
  // on a mask that already holds a selection the bounds keep covering it
  m.SetPixel(2, 2, 1);
  m.FillPolygons(1, flat, 3);
  EXPECT_FALSE(m.IsEmpty());
  EXPECT_EQ(m.X1, 2);
  // coordinates far outside any image are not scanned row by row
  const TIEPoint huge[3] = {{0, -2000000000}, {5, 2000000000}, {0, 2000000000}};
  m.FillPolygons(1, huge, 3);
  EXPECT_EQ(CountSet(m), 1);
  EXPECT_EQ(m.X2, 2) << "and leave the bounds alone";
}

TEST(IEMask, TranslateWithAndWithoutClip) {
  for (int bits : {1, 8}) {
    TIEMask m;
    m.AllocateBits(20, 5, bits);
    for (int x = 2; x <= 6; ++x) m.SetPixel(x, 1, bits == 1 ? 1 : 200);
    int dx = -5, dy = 0;
    m.Translate(dx, dy, false);
    EXPECT_EQ(dx, -2) << "reduced to keep the area inside";
    EXPECT_EQ(m.X1, 0);
    EXPECT_TRUE(m.IsPointInside(4, 1));
    EXPECT_FALSE(m.IsPointInside(5, 1));
    EXPECT_EQ(CountSet(m), 5);

    TIEMask c;
    c.AllocateBits(20, 5, bits);
    for (int x = 2; x <= 6; ++x) c.SetPixel(x, 1, bits == 1 ? 1 : 200);
    dx = -5;
    dy = 2;
    c.Translate(dx, dy, true);
    EXPECT_EQ(dx, -5);
    EXPECT_EQ(CountSet(c), 2) << "columns that would leave the mask are dropped";
    EXPECT_TRUE(c.IsPointInside(0, 3));
    EXPECT_TRUE(c.IsPointInside(1, 3));
    EXPECT_EQ(c.GetPixel(1, 3), bits == 1 ? 1 : 200);
  }
}

TEST(IEMask, ResizeKeepsTheTopLeftArea) {
  TIEMask m;
  m.AllocateBits(10, 10, 8);
  m.SetPixel(1, 1, 9);
  m.SetPixel(8, 8, 9);
  m.Resize(5, 5);
  EXPECT_EQ(m.GetPixel(1, 1), 9);
  EXPECT_EQ(CountSet(m), 1);
  EXPECT_EQ(m.X2, 4);
  EXPECT_EQ(m.Y2, 4);
}

TEST(IEMask, CopyBitmapThroughA1BitMask) {
  TIEMask m;
  m.AllocateBits(6, 6, 1);
  m.SetPixel(1, 1, 1);
  m.SetPixel(3, 2, 1);
  TIEBitmap src(6, 6, ie24RGB), dst(6, 6, ie24RGB);
  src.Fill(0x0000FF);
  dst.Fill(0x00FF00);
  m.CopyBitmap(&dst, &src, false, false, false);
  EXPECT_EQ(dst.GetPixelRGB(1, 1), IEMakeRGB(255, 0, 0));
  EXPECT_EQ(dst.GetPixelRGB(3, 2), IEMakeRGB(255, 0, 0));
  EXPECT_EQ(dst.GetPixelRGB(2, 1), IEMakeRGB(0, 255, 0));
  // the box of the selection into a work image and back
  TIEBitmap box(3, 2, ie24RGB);
  box.Fill(0);
  m.CopyBitmap(&box, &src, false, false, true);
  EXPECT_EQ(box.GetPixelRGB(0, 0), IEMakeRGB(255, 0, 0)) << "(1, 1) lands at the box origin";
  EXPECT_EQ(box.GetPixelRGB(2, 1), IEMakeRGB(255, 0, 0));
  TIEBitmap other(6, 6, ie8g);
  other.Fill(3);
  m.CopyBitmap(&other, &src, false, false, false);  // formats differ: nothing
  EXPECT_EQ(other.GetPixel8(1, 1), 3);
}

TEST(IEMask, CopyBitmapBlendsThroughAn8BitMaskAndWritesAlpha) {
  TIEMask m;
  m.AllocateBits(2, 1, 8);
  m.SetPixel(0, 0, 128);
  m.SetPixel(1, 0, 255);
  TIEBitmap src(2, 1, ie24RGB), dst(2, 1, ie24RGB);
  src.Fill(0xFFFFFF);
  dst.Fill(0);
  src.GetAlphaChannel()->Fill(200);
  m.CopyBitmap(&dst, &src, true, false, false);
  EXPECT_EQ(dst.GetPixelRGB(0, 0), IEMakeRGB(127, 127, 127));
  EXPECT_EQ(dst.GetPixelRGB(1, 0), IEMakeRGB(255, 255, 255));
  EXPECT_EQ(dst.GetAlpha(0, 0), 128) << "min(source alpha, mask)";
  EXPECT_EQ(dst.GetAlpha(1, 0), 200);
  EXPECT_FALSE(dst.GetAlphaChannel()->Full);
}

TEST(IEMask, OutlineOfAFullMaskIsTheOuterRing) {
  TIEMask m;
  m.AllocateBits(8, 6, 1);
  m.Fill(255);
  m.X1 = m.Y1 = 0;
  m.X2 = 7;
  m.Y2 = 5;
  std::map<std::pair<int, int>, TColor> drawn;
  TIERect covered;
  m.DrawOutline([&](int x, int y, TColor c) { drawn[{x, y}] = c; }, 0, 0, 8, 6, 0, 0, 8, 6, 0, 1, 2, &covered);
  EXPECT_EQ(drawn.size(), size_t(2 * 8 + 2 * 4));
  EXPECT_EQ(drawn.count(std::make_pair(3, 3)), 0u);
  EXPECT_EQ(drawn[std::make_pair(0, 0)], 2);
  EXPECT_EQ(drawn[std::make_pair(4, 0)], 1);
  EXPECT_EQ(covered.Left, 1);
}

TEST(IEMask, MarkOuterAreaDotsUnselectedPixelsInACheckerboard) {
  TIEMask m;
  m.AllocateBits(4, 4, 1);
  for (int y = 0; y < 4; ++y) m.SetPixel(0, y, 1);
  TIEBitmap view(4, 4, ie24RGB);
  view.Fill(0xFFFFFF);
  m.MarkOuterArea(&view, 0, 0, 4, 4, 0, 0, 4, 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      const bool grey = x > 0 && (x & 1) == (y & 1);
      EXPECT_EQ(view.GetPixelRGB(x, y), grey ? IEMakeRGB(97, 97, 97) : IEMakeRGB(255, 255, 255)) << x << "," << y;
    }
}

TEST(IEMask, DrawingOnADeviceContext) {
  TIEMask m;
  m.AllocateBits(4, 4, 1);
  m.SetPixel(1, 1, 1);
  m.SetPixel(3, 0, 1);
  TIEDibbitmap canvas;
  ASSERT_TRUE(canvas.AllocateDib(8, 8, 24));
  std::memset(canvas.Bits, 255, canvas.RowLen * 8);
  m.DrawInverted(canvas.DC, 0, 0, 8, 8, 0, 0, 4, 4);  // twice the size
  EXPECT_EQ(GetPixel(canvas.DC, 2, 2), 0u) << "selected pixels invert the white canvas";
  EXPECT_EQ(GetPixel(canvas.DC, 3, 3), 0u);
  EXPECT_EQ(GetPixel(canvas.DC, 7, 0), 0u);
  EXPECT_EQ(GetPixel(canvas.DC, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(GetPixel(canvas.DC, 4, 4), 0xFFFFFFu);
  TIEMask full;
  full.AllocateBits(3, 3, 1);
  full.Fill(255);
  full.RecalcBounds();
  std::memset(canvas.Bits, 255, canvas.RowLen * 8);
  full.DrawOutline(canvas.DC, 1, 1, 3, 3, 0, 0, 3, 3, 0, 0x0000FF, 0x00FF00);
  EXPECT_EQ(GetPixel(canvas.DC, 1, 1), 0x00FF00u) << "colour2 where (x + y + phase) mod 8 < 4";
  EXPECT_EQ(GetPixel(canvas.DC, 2, 2), 0xFFFFFFu) << "the inside is not drawn";
  EXPECT_EQ(GetPixel(canvas.DC, 0, 0), 0xFFFFFFu);
}

TEST(IEMask, DrawingOnAClassLibraryBitmap) {
  TIEMask m;
  m.AllocateBits(4, 4, 1);
  m.SetPixel(0, 0, 1);
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(4, 4);
  for (int y = 0; y < 4; ++y) std::memset(b.ScanLine(y), 255, 12);
  m.MarkOuterArea(&b, 0, 0, 4, 4, 0, 0, 4, 4);
  const uint8_t* row1 = static_cast<uint8_t*>(b.ScanLine(1));
  EXPECT_EQ(row1[3], 97) << "(1, 1) is unselected and on the checkerboard";
  EXPECT_EQ(row1[0], 255);
  EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(0))[0], 255) << "the selected pixel stays";
  m.DrawInverted(b.Canvas(), 0, 0, 4, 4, 0, 0, 4, 4);
  EXPECT_EQ(static_cast<uint8_t*>(b.ScanLine(0))[0], 0);
}

TEST(IEMask, StretchToADisplayTwiceAsLarge) {
  TIEMask m;
  m.AllocateBits(4, 4, 1);
  m.SetPixel(1, 1, 1);
  m.StretchToDisplay(8, 8, 0, 0, 4, 4);
  EXPECT_TRUE(m.DisplayValue(2, 2));
  EXPECT_TRUE(m.DisplayValue(3, 3));
  EXPECT_FALSE(m.DisplayValue(4, 4));
  EXPECT_FALSE(m.DisplayValue(1, 1));
}

}  // namespace
