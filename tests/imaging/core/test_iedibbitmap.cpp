// The DIB-section image and the work bitmap.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/core/iedibbitmap.h"
#include "platform/win/wingdi.h"

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

TEST(IEDibbitmap, DrawingOnItsDeviceContextPaintsItsRows) {
  TIEDibbitmap d;
  ASSERT_TRUE(d.AllocateDib(4, 3, 24));
  ASSERT_NE(d.DC, nullptr);
  ASSERT_NE(d.DIB, nullptr);
  std::memset(d.Bits, 0, d.RowLen * 3);
  SetPixelV(d.DC, 2, 0, 0x0000FF);  // red at the top row
  const uint8_t* top = static_cast<uint8_t*>(d.GetScanline(0));
  EXPECT_EQ(top[6], 0);
  EXPECT_EQ(top[8], 255) << "blue, green, red bytes";
  EXPECT_EQ(GetPixel(d.DC, 2, 0), 0x0000FFu);
  TIEDibbitmap bw;
  ASSERT_TRUE(bw.AllocateDib(8, 1, 1));
  std::memset(bw.Bits, 0, 4);
  SetPixelV(bw.DC, 0, 0, 0xFFFFFF);
  EXPECT_EQ(bw.Bits[0], 0x80) << "white is bit 1 through the black-white colour table";
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
