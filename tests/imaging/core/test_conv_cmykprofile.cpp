// The built-in CMYK profile through the colour-management library, and the row colour
// converter's formula route.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iecmykprofile.h"
#include "imaging/core/ieutils.h"
#include "imgtestutil.h"

namespace {

TEST(CMYKProfile, BuiltInProfileBytes) {
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(IEBuiltInCMYKProfile(bytes));
  ASSERT_GT(bytes.size(), 128u);
  EXPECT_EQ(std::memcmp(&bytes[36], "acsp", 4), 0);  // the profile file signature
  EXPECT_EQ(std::memcmp(&bytes[16], "CMYK", 4), 0);  // its colour space
  const uint32_t size = (uint32_t(bytes[0]) << 24) | (uint32_t(bytes[1]) << 16) | (uint32_t(bytes[2]) << 8) | bytes[3];
  EXPECT_EQ(size, bytes.size());
}

TEST(CMYKProfile, BuiltInProfileAgreesWithTheFormulas) {
  ASSERT_TRUE(IEInitCMYKTransform());
  const TIECMYKTransformHook saved = IECMYKTransform;
  IEInstallCMYKTransform();
  const TIERGBPixel samples[] = {{0, 0, 0}, {255, 255, 255}, {0, 0, 255}, {40, 200, 90}, {128, 128, 128}};
  for (const TIERGBPixel& p : samples) {
    const TIECMYK k = IERGB2CMYK(p);
    const TIERGBPixel back = IECMYK2RGB(k);
    EXPECT_NEAR(back.r, p.r, 12);
    EXPECT_NEAR(back.g, p.g, 12);
    EXPECT_NEAR(back.b, p.b, 12);
  }
  // Whole images convert a row at a time through the same transforms.
  TIEBitmap img(3, 2, ie24RGB);
  for (int x = 0; x < 3; ++x) img.SetPixelRGB(x, 1, samples[x + 2]);
  img.SetPixelFormat(ieCMYK);
  const TIECMYK k = reinterpret_cast<TIECMYK*>(img.Scanline(1))[1];
  const TIECMYK direct = IERGB2CMYK(samples[3]);
  EXPECT_EQ(std::memcmp(&k, &direct, 4), 0);
  img.SetPixelFormat(ie24RGB);
  EXPECT_EQ(img.GetPixelRGB(1, 1), IECMYK2RGB(direct));
  IECMYKTransform = saved;
  IEFreeCMYKTransform();
}

TEST(CMYKProfile, RowConverterFormulaRoute) {
  IESetGrayCoefficients();
  const uint8_t bgr[6] = {255, 255, 255, 0, 255, 0};  // white, pure green
  uint8_t grey[2];
  IEConvertColorRow(bgr, 1, grey, 2, 5);
  EXPECT_EQ(grey[0], 255);
  EXPECT_EQ(grey[1], 181);
  const uint8_t rgb[3] = {1, 2, 3};
  uint8_t out[3];
  IEConvertColorRow(rgb, 0, out, 1, 1);
  EXPECT_EQ(out[0], 3);
  EXPECT_EQ(out[2], 1);
  const uint8_t be48[6] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC};  // R 0x1234, G 0x5678, B 0x9ABC
  IEConvertColorRow(be48, 7, out, 1, 1);
  EXPECT_EQ(out[0], 0x9A);
  EXPECT_EQ(out[1], 0x56);
  EXPECT_EQ(out[2], 0x12);
  const uint16_t le48[3] = {0x1234, 0x5678, 0x9ABC};
  IEConvertColorRow(le48, 6, out, 1, 1);
  EXPECT_EQ(out[0], 0x9A);
  EXPECT_EQ(out[2], 0x12);
  const uint8_t ycc[3] = {100, 128, 128};
  IEConvertColorRow(ycc, 8, out, 1, 1);
  EXPECT_EQ(out[0], 100);
  uint8_t untouched[3] = {7, 7, 7};
  IEConvertColorRow(rgb, 0, untouched, 1, 5);  // no formula for RGB to grey
  EXPECT_EQ(untouched[0], 7);
}

}  // namespace

TEST(CMYKProfile, RowConverterWorksInPlace) {
  // The codecs convert decoded rows in place: RGB to BGR and the 48-bit high bytes (each pixel is
  // read whole before it is written).
  uint8_t row[6] = {10, 20, 30, 40, 50, 60};
  IEConvertColorRow(row, 0, row, 2, 1);
  const uint8_t bgr[6] = {30, 20, 10, 60, 50, 40};
  EXPECT_EQ(std::memcmp(row, bgr, 6), 0);
  uint8_t wide[12] = {0, 1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6};  // two little-endian RGB48 pixels
  IEConvertColorRow(wide, 6, wide, 2, 1);
  const uint8_t hi[6] = {3, 2, 1, 6, 5, 4};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(wide[k], hi[k]) << k;
}
