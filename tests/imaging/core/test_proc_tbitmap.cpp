// Exchange with class-library bitmaps: copies of every depth and encapsulation without copying.
#include <gtest/gtest.h>

#include <cstring>

#include "imaging/core/iebitmap.h"
#include "platform/vcl/graphics.h"

namespace {

TEST(TBitmapExchange, CopiesByDepth) {
  TBitmap b16;
  b16.SetPixelFormat(pf16bit);
  b16.SetSize(2, 1);
  reinterpret_cast<uint16_t*>(b16.ScanLine(0))[0] = 0xFFFF;
  reinterpret_cast<uint16_t*>(b16.ScanLine(0))[1] = 0xF800;  // 5-6-5 red
  TIEBitmap a;
  a.CopyFromTBitmap(&b16);
  ASSERT_EQ(a.PixelFormat(), ie24RGB);
  EXPECT_EQ(a.GetPixelRGB(0, 0), (TIERGBPixel{248, 252, 248}));
  EXPECT_EQ(a.GetPixelRGB(1, 0), (TIERGBPixel{0, 0, 248}));

  TBitmap b24;
  b24.SetPixelFormat(pf24bit);
  b24.SetSize(3, 2);
  std::memset(b24.ScanLine(1), 0, 9);
  static_cast<uint8_t*>(b24.ScanLine(1))[8] = 200;  // red of the last pixel
  a.CopyFromTBitmap(&b24);
  EXPECT_EQ(a.PixelFormat(), ie24RGB);
  EXPECT_EQ(a.GetPixelRGB(2, 1), (TIERGBPixel{0, 0, 200}));

  TBitmap b32;
  b32.SetPixelFormat(pf32bit);
  b32.SetSize(1, 1);
  a.CopyFromTBitmap(&b32);
  EXPECT_EQ(a.PixelFormat(), ie32RGB);
}

TEST(TBitmapExchange, EncapsulationSeesTheBitmapsOwnChanges) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(4, 3);
  TIEBitmap e;
  e.EncapsulateTBitmap(&b, true);
  EXPECT_EQ(e.Location(), ieTBitmap);
  EXPECT_EQ(e.GetWidth(), 4);
  EXPECT_EQ(e.GetPixelFormat(), ie24RGB);
  static_cast<uint8_t*>(b.ScanLine(2))[3 * 3 + 1] = 77;  // green of (3, 2), written through the TBitmap
  EXPECT_EQ(e.GetPixelRGB(3, 2).g, 77);
  e.EncapsulateTBitmap(nullptr, true);
  EXPECT_TRUE(e.IsEmpty());
  EXPECT_EQ(b.Width(), 4);  // the caller's bitmap is not freed
}

}  // namespace
