// Number, bit, text and colour helpers.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieutils.h"
#include "platform/rtl/sysutils.h"

namespace {

TEST(IEUtils, RowLengths) {
  struct Case {
    int w, bits, align, expected;
  } cases[] = {{1, 1, 32, 4}, {33, 1, 32, 8}, {10, 24, 32, 32}, {10, 24, 8, 30}, {3, 24, 16, 10}};
  for (const auto& c : cases) EXPECT_EQ(IERowLength(c.w, c.bits, c.align), c.expected) << c.w << "x" << c.bits;
  EXPECT_EQ(IETBitmapPixelFormatBits(6), 24);
  EXPECT_EQ(IETBitmapPixelFormatBits(0x80 | 7), 32) << "low 7 bits";
  EXPECT_EQ(IETBitmapPixelFormatBits(9), 0);
  EXPECT_EQ(IETBitmapRowLength(3, 6), 12);
}

TEST(IEUtils, BitCounts) {
  EXPECT_EQ(IEMaskBitCount(0x00FF0000), 8);
  EXPECT_EQ(IEMaskBitCount(0x7C00), 5);
  EXPECT_EQ(IEMaskBitCount(0x07E0), 6);
  EXPECT_EQ(IEMaskBitCount(0), 0);
  EXPECT_EQ(IEMaskBitCount(0x80000000u), 1);
  const int counts[][2] = {{2, 1}, {3, 2}, {1, 0}, {0, -1}, {256, 8}, {255, 8}, {17, 5}, {16, 4}};
  for (auto& c : counts) EXPECT_EQ(IEBitsForCount(c[0]), c[1]) << c[0];
  EXPECT_EQ(IEColorCount(8, 3), 16777216u);
  EXPECT_EQ(IEColorCount(8, 4), 0u) << "wraps in 32 bits";
  uint8_t b = 0x01;
  IEReverseByteBits(b);
  EXPECT_EQ(b, 0x80);
  uint32_t v = 0x00000003;
  IEReverseDWordBits(v);
  EXPECT_EQ(v, 0xC0000000u);
}

TEST(IEUtils, Powers) {
  EXPECT_EQ(IEPower(2, 10), 1024.0L);
  EXPECT_EQ(IEPower(0, 0), 1.0L);
  EXPECT_EQ(IEPower(0, 3), 0.0L);
  EXPECT_NEAR(double(IEPower(2, 0.5)), std::sqrt(2.0), 1e-12);
  EXPECT_EQ(IEPowerD(0, -1), 0.0);
  EXPECT_EQ(IEPowerD(0, 0), 1.0);
  EXPECT_EQ(IEPowerD(3, -2), 1.0 / 9);
  EXPECT_EQ(IEIntPower(-3, 2.0), 0.125);
}

TEST(IEUtils, ByteOrder) {
  EXPECT_EQ(IESwapWord(0xAABB1234), 0xAABB3412u);
  EXPECT_EQ(IESwapDWord(0x11223344), 0x44332211u);
  EXPECT_EQ(IECondSwapWord(0xAABB1234, true), 0x3412u);
  EXPECT_EQ(IECondSwapWord(0xAABB1234, false), 0xAABB1234u);
  EXPECT_EQ(IECondSwapDWord(0x11223344, true), 0x44332211u);
}

TEST(IEUtils, QuickSortOrdersThroughTheTwoMethods) {
  std::vector<int> v = {5, 3, 9, 1, 1, 7, 0, 8, 2, 6, 4};
  int calls = 0;
  IEQuickSort(static_cast<int>(v.size()), [&](int a, int b) { ++calls; return v[a] - v[b]; },
              [&](int a, int b) { std::swap(v[a], v[b]); });
  EXPECT_TRUE(std::is_sorted(v.begin(), v.end()));
  for (int n : {0, 1}) {
    calls = 0;
    IEQuickSort(n, [&](int, int) { ++calls; return 0; }, [&](int, int) { ++calls; });
    EXPECT_EQ(calls, 0);
  }
}

TEST(IEUtils, DecimalTextUsesADotWhateverTheLocale) {
  const char saved = DecimalSeparator;
  DecimalSeparator = ',';  // the user's locale writes a comma
  std::string t;
  IEFloatToStrDot(t, 1.5);
  EXPECT_EQ(t, "1.5");
  EXPECT_EQ(IEFloatToDotStr(1e20), "1E20");
  EXPECT_EQ(IEFloatToDotStr(0.00001), "1E-5");
  EXPECT_EQ(IEFloatToDotStr(-2.25), "-2.25");
  DecimalSeparator = saved;
}

TEST(IEUtils, StringWrappers) {
  EXPECT_EQ(IEExtractFileExtLower("photo.JPG", true), ".jpg");
  EXPECT_EQ(IEExtractFileExtLower("photo.JPG", false), "jpg");
  EXPECT_EQ(IEExtractFileExtLower("dir.d/photo", true), "");
  EXPECT_EQ(IEExtractFileExtW(u"A.TIF"), u".tif");
  EXPECT_EQ(IETrimStr(" \t ab c\r\n"), "ab c");
  EXPECT_EQ(IEUpperCase("aBc1"), "ABC1");
  EXPECT_EQ(IEStrToIntDef("42", 0), 42);
  EXPECT_EQ(IEStrToIntDef("4x", -1), -1);
  EXPECT_EQ(IEIntToHex(255, 4), "00FF");
  EXPECT_EQ(IECopyStr("abcdef", 2, 3), "bcd");
  EXPECT_EQ(IEPosStr("cd", "abcdef"), 3);
  EXPECT_EQ(IEPosStr("x", "abcdef"), 0);
  char* s = IEStrNew("hi");
  EXPECT_STREQ(s, "hi");
  delete[] s;
  EXPECT_EQ(IEStrNew(nullptr), nullptr);
  uint8_t g1[16] = {1}, g2[16] = {1};
  EXPECT_TRUE(IESameGUID(g1, g2));
  g2[15] = 2;
  EXPECT_FALSE(IESameGUID(g1, g2));
}

TEST(IEUtils, RoundingAndClamping) {
  EXPECT_EQ(IECeil(2.0), 2);
  EXPECT_EQ(IECeil(2.1), 3);
  EXPECT_EQ(IECeil(-2.1), -2);
  EXPECT_EQ(IEFloor(-2.1), -3);
  EXPECT_EQ(IEFloor(2.9), 2);
  EXPECT_EQ(IEClampInt(5, 10, 20), 10);
  EXPECT_EQ(IEClampInt(25, 10, 20), 20);
  EXPECT_EQ(IEClampInt(15, 10, 20), 15);
  EXPECT_EQ(IEClampByte(-3), 0);
  EXPECT_EQ(IEClampByte(300), 255);
  int x1 = 5, y1 = 1, x2 = 2, y2 = 4;
  IEOrderRect(x1, y1, x2, y2);
  EXPECT_EQ(x1, 2);
  EXPECT_EQ(x2, 5);
  EXPECT_EQ(y1, 1);
}

TEST(IEUtils, ColoursAndHSL) {
  EXPECT_EQ(IERGBToGray(0xFFFFFF), 255);
  EXPECT_EQ(IERGBToGray(IEMakeRGB(0, 255, 0)), 181);
  EXPECT_EQ(IEColorToRGB(0x0000FF), IEMakeRGB(255, 0, 0));
  EXPECT_EQ(IERGBToColor(0x00FF0000), 0x0000FF) << "packed red is TColor red";
  EXPECT_EQ(IEMakeRGBA(1, 2, 3, 4), 0x04030201u);
  EXPECT_EQ(IEColorToARGB(0x0000FF, 0x80), 0x80FF0000u);
  // a system colour resolves to its current RGB value
  EXPECT_EQ(IEColorToARGB(static_cast<TColor>(0x80000005), 255), 0xFFFFFFFFu) << "window background";
  EXPECT_EQ(IEHSLToRGB(0, 1, 0.5), IEMakeRGB(255, 0, 0));
  double h, s, l;
  IERGBToHSL(0x0000FF, h, s, l);
  EXPECT_NEAR(h, 2.0 / 3, 1e-12);
  EXPECT_NEAR(s, 1, 1e-12);
  EXPECT_NEAR(l, 0.5, 1e-12);
  IERGBToHSL(0x808080, h, s, l);
  EXPECT_EQ(h, 0);
  EXPECT_EQ(s, 0);
}

TEST(IEUtils, CMYKAndCIELabFormulas) {
  TIECMYK k = IERGB2CMYK(IEMakeRGB(0, 0, 0));
  EXPECT_EQ(k.c, 0);
  EXPECT_EQ(k.k, 1);
  TIECMYK w = IERGB2CMYK(IEMakeRGB(255, 255, 255));
  EXPECT_EQ(w.c, 255);
  EXPECT_EQ(w.k, 255);
  EXPECT_EQ(IECMYK2RGB(w), IEMakeRGB(255, 255, 255));
  EXPECT_EQ(IECMYK2RGB(TIECMYK{255, 0, 255, 128}), IEMakeRGB(128, 0, 128));
  TIECIELabPixel lab = IERGBToCIELab(IEMakeRGB(255, 255, 255));
  EXPECT_EQ(lab.l, 250);
  EXPECT_EQ(lab.a, 0);
  EXPECT_EQ(lab.b, 0);
  EXPECT_EQ(IECIELabToRGB(lab), IEMakeRGB(249, 249, 249));
}

TEST(IEUtils, Convolve3x3LeavesAUniformImageUnchanged) {
  TIEBitmap b(6, 5, ie8g);
  b.Fill(90);
  const int32_t box[10] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 9};
  IEConvolve3x3Gray(&b, box, 0, 0, 6, 5);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 6; ++x) ASSERT_EQ(b.GetPixel8(x, y), 90);
  // an edge kernel finds the step between two halves
  for (int y = 0; y < 5; ++y)
    for (int x = 3; x < 6; ++x) b.SetPixel8(x, y, 0);
  const int32_t edge[10] = {0, 0, 0, -1, 1, 0, 0, 0, 0, 0};
  IEConvolve3x3Gray(&b, edge, 0, 0, 6, 5);
  EXPECT_EQ(b.GetPixel8(3, 2), 90);
  EXPECT_EQ(b.GetPixel8(1, 2), 0);
  TIEBitmap rgb(3, 3, ie24RGB);
  rgb.Fill(0x010203);
  IEConvolve3x3Gray(&rgb, edge, 0, 0, 3, 3);
  EXPECT_EQ(rgb.GetPixelRGB(1, 1), IEMakeRGB(3, 2, 1)) << "other formats stay";
}

}  // namespace
