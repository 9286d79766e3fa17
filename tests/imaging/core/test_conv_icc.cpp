// ICC profiles through the colour-management library: the built-in sRGB and CMYK profiles, the
// profile texts, bitmap transforms and the row colour converter's formula route.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieicc.h"
#include "imaging/core/ieutils.h"
#include "imgtestutil.h"
#include "platform/rtl/streams.h"

namespace {

void PutBE(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  b[at] = uint8_t(v >> 24);
  b[at + 1] = uint8_t(v >> 16);
  b[at + 2] = uint8_t(v >> 8);
  b[at + 3] = uint8_t(v);
}

TEST(ICC, ProfileTextsAndInvalidData) {
  TIEICC small;
  std::vector<uint8_t> hundred(100, 0);
  small.LoadFromBuffer(hundred.data(), 100);
  EXPECT_FALSE(small.IsValid());
  EXPECT_TRUE(small.Description().empty());
  // A tag table with "desc" and "cprt" entries (the profile itself is not usable).
  std::vector<uint8_t> p(400, 0);
  PutBE(p, 128, 2);
  PutBE(p, 132, 0x64657363);  // desc
  PutBE(p, 136, 200);
  PutBE(p, 140, 40);
  PutBE(p, 144, 0x63707274);  // cprt
  PutBE(p, 148, 300);
  PutBE(p, 152, 40);
  std::memcpy(&p[212], "Studio proof", 12);
  std::memcpy(&p[308], "(c) nobody", 10);
  TIEICC texts;
  texts.LoadFromBuffer(p.data(), static_cast<int>(p.size()));
  EXPECT_EQ(texts.Description(), "Studio proof");
  EXPECT_EQ(texts.Copyright(), "(c) nobody");
  TMemoryStream s;
  texts.SaveToStream(&s, false);
  EXPECT_EQ(s.Size(), 404);
  // A tag entry pointing outside the data stops the walk.
  PutBE(p, 136, 100000);
  texts.LoadFromBuffer(p.data(), static_cast<int>(p.size()));
  EXPECT_TRUE(texts.Description().empty());
}

TEST(ICC, SRGBProfilesAndBitmapTransform) {
  TIEICC a, b;
  a.LoadSRGBProfile();
  b.LoadSRGBProfile();
  ASSERT_TRUE(a.IsValid());
  TIEICC copy;
  copy.Assign(&a);  // no bytes to copy: nothing opens
  EXPECT_FALSE(copy.IsValid());
  TIEBitmap bmp(5, 2, ie24RGB);
  PaintPattern(bmp);
  TIEBitmap ref;
  ref.Assign(&bmp);
  ASSERT_TRUE(a.TransformBitmap(&bmp, ie24RGB, &b));
  EXPECT_TRUE(a.Applied());
  int maxDiff = 0;
  for (int y = 0; y < 2; ++y)
    for (int i = 0; i < 15; ++i) maxDiff = std::max(maxDiff, std::abs(bmp.Scanline(y)[i] - ref.Scanline(y)[i]));
  EXPECT_LE(maxDiff, 1);
  TIEBitmap bits(4, 4, ie1g);
  bits.Fill(1);
  EXPECT_FALSE(a.TransformBitmap(&bits, ie24RGB, &b));
  EXPECT_EQ(bits.PixelFormat(), ie1g);
  a.Clear();
  EXPECT_FALSE(a.Applied());
}

TEST(ICC, BuiltInCMYKProfileAgreesWithTheFormulas) {
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

TEST(ICC, RowConverterFormulaRoute) {
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
