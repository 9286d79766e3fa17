// Magic wand: connected fill, grow, global selection and the outline polygon.
#include <gtest/gtest.h>

#include <memory>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/iemask.h"
#include "imaging/core/iewand.h"

namespace {

int Selected(TIEMask& m) {
  int n = 0;
  for (int y = 0; y < m.Height; ++y)
    for (int x = 0; x < m.Width; ++x) n += m.GetPixel(x, y) != 0;
  return n;
}

TEST(MagicWand, UniformDiagonalRingAndGrow) {
  TIEBitmap u(7, 5, ie24RGB);
  u.Fill(0x336699);
  TIEMask m;
  m.AllocateBits(7, 5, 8);
  IEMagicWandFill(&u, 3, 2, 255, &m, 0, false);
  EXPECT_EQ(Selected(m), 35);

  TIEBitmap d(5, 5, ie24RGB);
  d.Fill(0);
  for (int i = 0; i < 5; ++i) d.SetPixelRGB(i, i, TIERGBPixel{255, 255, 255});
  TIEMask md;
  md.AllocateBits(5, 5, 1);
  IEMagicWandFill(&d, 2, 2, 1, &md, 0, false);
  EXPECT_EQ(Selected(md), 1);  // no diagonal connectivity
  IEMagicWandFill(&d, 2, 2, 1, &md, 0, true);
  EXPECT_EQ(Selected(md), 9);  // grown to 3 x 3
  IEMagicWandFill(&d, 0, 4, 1, &md, 0, false);
  EXPECT_GE(Selected(md), 9 + 1);  // a second click accumulates

  // A ring (border of 6 x 6) and a separate pixel of the same colour.
  TIEBitmap r(8, 8, ie24RGB);
  r.Fill(0);
  for (int i = 0; i < 6; ++i)
    for (auto [x, y] : {std::pair{i, 0}, {i, 5}, {0, i}, {5, i}}) r.SetPixelRGB(x, y, TIERGBPixel{0, 0, 200});
  r.SetPixelRGB(7, 7, TIERGBPixel{0, 0, 205});
  TIEMask mr, mg;
  mr.AllocateBits(8, 8, 1);
  mg.AllocateBits(8, 8, 1);
  IEMagicWandFill(&r, 0, 0, 1, &mr, 10, false);
  EXPECT_EQ(Selected(mr), 20);
  EXPECT_EQ(mr.GetPixel(2, 2), 0);
  IEMagicWandGlobal(&r, 0, 0, 1, &mg, 10);
  EXPECT_EQ(Selected(mg), 21);
  TIEMask none;
  none.AllocateBits(8, 8, 1);
  IEMagicWandFill(&r, -1, 0, 1, &none, 10, false);
  IEMagicWandGlobal(&r, 8, 0, 1, &none, 10);
  EXPECT_EQ(Selected(none), 0);
}

TEST(MagicWand, PolygonOfAUniformImageIsItsBorder) {
  TIEBitmap u(6, 4, ie8g);
  u.Fill(9);
  int count = -1;
  std::unique_ptr<TIEPoint[]> pts(IEMagicWandPolygon(&u, 1, 1, count, 0, false));
  ASSERT_GE(count, 4);
  bool corners[4] = {};
  for (int i = 0; i < count; ++i) {
    const int x = pts[i].X, y = pts[i].Y;
    EXPECT_TRUE(x == 0 || x == 6 || y == 0 || y == 4) << x << "," << y;
    corners[0] |= x == 0 && y == 0;
    corners[1] |= x == 6 && y == 0;
    corners[2] |= x == 6 && y == 4;
    corners[3] |= x == 0 && y == 4;
  }
  EXPECT_TRUE(corners[0] && corners[1] && corners[3]);
  int zero = -1;
  EXPECT_EQ(IEMagicWandPolygon(&u, 6, 0, zero, 0, false), nullptr);
  EXPECT_EQ(zero, 0);
}

}  // namespace
