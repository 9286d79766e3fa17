// The DIB-section image and the work bitmap.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/core/iedibbitmap.h"

namespace {

TEST(IEDibbitmap, GeometryAndRows) {
  TIEDibbitmap d;
  ASSERT_TRUE(d.Allocate(3, 2, ie24RGB));
  EXPECT_EQ(d.RowLen, 12);
  EXPECT_EQ(d.GetScanline(0), d.Bits + 12);
  EXPECT_EQ(d.GetPixelFormat(), ie24RGB);
  EXPECT_EQ(d.Header[14], 24);
  ASSERT_TRUE(d.Allocate(3, 2, ie1g));
  EXPECT_EQ(d.RowLen, 4);
  EXPECT_EQ(d.GetPixelFormat(), ie1g);
  uint8_t* before = d.Bits;
  EXPECT_FALSE(d.Allocate(3, 2, ie8g));
  EXPECT_EQ(d.Bits, before) << "a refused format leaves the bitmap as it was";
  EXPECT_FALSE(d.AllocateDib(0, 5, 24));
  EXPECT_EQ(d.Width, 3);
  EXPECT_EQ(d.GetPaletteLength(), 0);
}

TEST(IEDibbitmap, AssignCopiesAnotherDibbitmapOnly) {
  TIEDibbitmap a, b, empty;
  ASSERT_TRUE(a.AllocateDib(5, 4, 24));
  std::memset(a.Bits, 0x5A, a.RowLen * 4);
  b.Assign(&a);
  EXPECT_EQ(b.Width, 5);
  EXPECT_EQ(b.Bits[b.RowLen * 4 - 1], 0x5A);
  b.Assign(&empty);
  EXPECT_EQ(b.Width, 5) << "an empty source copies nothing";
  TIEBitmap other(2, 2, ie24RGB);
  b.Assign(&other);
  EXPECT_EQ(b.Width, 5);
}

TEST(IEWorkBitmap, ReallocationWithTheSameShapeKeepsTheBuffer) {
  TIEWorkBitmap w(10, 4, 24);
  EXPECT_EQ(w.RowLen, 32);
  static_cast<uint8_t*>(w.GetScanline(3))[0] = 42;
  void* bits = w.Bits;
  w.Allocate(10, 4, 24);
  EXPECT_EQ(w.Bits, bits);
  EXPECT_EQ(static_cast<uint8_t*>(w.GetScanline(3))[0], 42);
  EXPECT_EQ(w.GetScanline(3), w.Bits) << "rows bottom-up";
  w.Allocate(10, 4, 8);
  EXPECT_EQ(w.RowLen, 12);
  w.FreeBits();
  EXPECT_EQ(w.Bits, nullptr);
  EXPECT_EQ(w.Width, 0);
}

}  // namespace
