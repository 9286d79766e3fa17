// XMP markers, DICOM tags, the maker-note tag table and the colour-conversion routine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/io/iecolor.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/iexmp.h"
#include "platform/rtl/streams.h"

TEST(XMP, MarkerSizesAndRoundTrip) {
  TIOParamsVals p;
  std::vector<uint8_t> b;
  IESaveXMPToMarker(&p, b);
  EXPECT_EQ(b.size(), 29u);
  EXPECT_EQ(IECheckXMPMarker(b.data(), int(b.size())), nullptr);  // fewer than 30 bytes
  p.XMP_Info = "<x:xmpmeta/>";
  IESaveXMPToMarker(&p, b);
  TIOParamsVals q;
  ASSERT_TRUE(IELoadXMPFromMarker(b.data(), int(b.size()), &q));
  EXPECT_EQ(q.XMP_Info, "<x:xmpmeta/>");
  std::string notXmp(40, 'x');
  EXPECT_FALSE(IELoadXMPFromMarker(notXmp.data(), 40, &q));
  // the identifier without any zero byte: no packet start
  std::string noZero = std::string("http://ns.adobe.com/xap/1.0/") + "abc";
  EXPECT_EQ(IECheckXMPMarker(noZero.data(), int(noZero.size())), nullptr);
}

TEST(DICOMTags, AddAndAssignCopyTheData) {
  TIEDICOMTags t;
  EXPECT_EQ(t.AddTag(0x10, 0x20, -1, nullptr, "PN"), 0);
  EXPECT_TRUE(t.GetTag(0).Data.empty());
  std::string v = "Doe^John";
  EXPECT_EQ(t.AddTag(0x10, 0x10, int(v.size()), v.data(), "PNX"), 1);
  EXPECT_EQ(t.GetTag(1).VR, "");  // only two-letter representations are kept
  TIEDICOMTags c;
  c.Assign(&t);
  ASSERT_EQ(c.Count(), 2);
  EXPECT_NE(c.GetTag(1).Data.data(), t.GetTag(1).Data.data());
  EXPECT_EQ(std::string(c.GetTag(1).Data.begin(), c.GetTag(1).Data.end()), v);
  EXPECT_EQ(c.IndexOf(0x10, 0x10), 1);
}

TEST(MakerNote, TagTableListsOnlyEntriesInsideTheData) {
  TIETagsHandler h;
  const uint8_t two[] = {3, 0, 1, 0, 3, 0, 1, 0, 0, 0, 5, 0, 0, 0, 2, 0, 2, 0, 4, 0, 0, 0, 'a', 'b', 'c', 0};
  h.Data()->WriteBuffer(two, sizeof two);  // says 3 entries, holds 2
  h.Update();
  ASSERT_EQ(h.TagCount(), 2);
  EXPECT_EQ(h.GetTagEntry(0).Tag, 1);
  EXPECT_EQ(h.GetTagEntry(1).Type, 2);
  h.Clear();
  EXPECT_EQ(h.TagCount(), 0);
}

TEST(ConvertColor, FormulaRoutes) {
  struct Case {
    const char* Name;
    std::vector<uint8_t> Src;
    int SK, DK;
    std::vector<uint8_t> Want;
  } cases[] = {
      {"rgb to bgr", {10, 20, 30}, 0, 1, {30, 20, 10}},
      {"bgr to grey white", {255, 255, 255}, 1, 5, {255}},
      {"bgr to grey green", {0, 255, 0}, 1, 5, {181}},
      {"cmyk no ink is white", {255, 255, 255, 255}, 2, 1, {255, 255, 255}},
      {"bgr black to cmyk", {0, 0, 0}, 1, 2, {0, 0, 0, 1}},
      {"rgb48 le", {0x11, 0xAA, 0x22, 0xBB, 0x33, 0xCC}, 6, 1, {0xCC, 0xBB, 0xAA}},
      {"rgb48 be", {0xAA, 0x11, 0xBB, 0x22, 0xCC, 0x33}, 7, 1, {0xCC, 0xBB, 0xAA}},
      {"ycbcr grey", {128, 128, 128}, 8, 1, {128, 128, 128}},
  };
  for (auto& c : cases) {
    std::vector<uint8_t> out(c.Want.size(), 0x77);
    IEConvertColorFunction(c.Src.data(), c.SK, out.data(), nullptr, 1, c.DK);
    EXPECT_EQ(out, c.Want) << c.Name;
  }
  uint8_t keep[3] = {1, 2, 3};
  const uint8_t src[3] = {9, 9, 9};
  IEConvertColorFunction(src, 4, keep, nullptr, 1, 2);  // unsupported pair
  EXPECT_EQ(keep[0], 1);
}

#include "imaging/core/iebitmap.h"
#include "imaging/io/ieiohelpers.h"

TEST(Orientation, EveryValueShowsTheImageUpright) {
  // a 3 x 2 image: A B C / D E F; each case lists the rows after the turn
  const TIERGBPixel A{1, 0, 0}, B{2, 0, 0}, C{3, 0, 0}, D{4, 0, 0}, E{5, 0, 0}, F{6, 0, 0};
  struct Case {
    int Orientation;
    std::vector<std::vector<TIERGBPixel>> Rows;
  } cases[] = {
      {1, {{A, B, C}, {D, E, F}}}, {2, {{C, B, A}, {F, E, D}}}, {3, {{F, E, D}, {C, B, A}}},
      {4, {{D, E, F}, {A, B, C}}}, {5, {{A, D}, {B, E}, {C, F}}}, {6, {{D, A}, {E, B}, {F, C}}},
      {7, {{F, C}, {E, B}, {D, A}}}, {8, {{C, F}, {B, E}, {A, D}}},
  };
  for (const Case& c : cases) {
    TIEBitmap b;
    b.Allocate(3, 2, ie24RGB);
    auto* r0 = reinterpret_cast<TIERGBPixel*>(b.Scanline(0));
    auto* r1 = reinterpret_cast<TIERGBPixel*>(b.Scanline(1));
    r0[0] = A; r0[1] = B; r0[2] = C;
    r1[0] = D; r1[1] = E; r1[2] = F;
    IOApplyOrientation(&b, c.Orientation);
    ASSERT_EQ(b.Height(), int(c.Rows.size())) << c.Orientation;
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x)
        EXPECT_EQ(reinterpret_cast<TIERGBPixel*>(b.Scanline(y))[x], c.Rows[y][x]) << c.Orientation << " " << x << "," << y;
  }
}

TEST(Orientation, TheAlphaChannelTurnsWithThePixels) {
  // 3 x 2, alpha 10 20 30 / 40 50 60; orientation 6 (a quarter turn clockwise) gives 2 x 3
  TIEBitmap b;
  b.Allocate(3, 2, ie8g);
  const uint8_t alpha[2][3] = {{10, 20, 30}, {40, 50, 60}};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) {
      b.Scanline(y)[x] = uint8_t(x + 3 * y);
      b.GetAlphaChannel()->Scanline(y)[x] = alpha[y][x];
    }
  IOApplyOrientation(&b, 6);
  ASSERT_EQ(b.Width(), 2);
  ASSERT_EQ(b.Height(), 3);
  EXPECT_EQ(b.PixelFormat(), ie24RGB);
  ASSERT_TRUE(b.HasAlphaChannel());
  const uint8_t want[3][2] = {{40, 10}, {50, 20}, {60, 30}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 2; ++x) {
      EXPECT_EQ(b.GetAlphaChannel()->Scanline(y)[x], want[y][x]) << x << "," << y;
      EXPECT_EQ(reinterpret_cast<TIERGBPixel*>(b.Scanline(y))[x].r, want[y][x] / 10 - 1) << x << "," << y;
    }
}

TEST(ICC, TransformsAreCachedAndMarkTheProfileApplied) {
  TIEICC bad;
  bad.LoadFromBuffer("not a profile", 13);
  EXPECT_FALSE(bad.IsValid());
  TIOParamsVals p;
  p.GetInputICCProfile()->LoadSRGB();
  ASSERT_TRUE(p.GetInputICCProfile()->IsValid());
  IEColorManagement = true;
  const uint8_t rgb[6] = {10, 20, 30, 200, 100, 50};
  uint8_t bgr[6] = {};
  IEConvertColorFunction(rgb, 0, bgr, &p, 2, 1);
  IEColorManagement = false;
  EXPECT_TRUE(p.GetInputICCProfile()->HasTransform());
  // sRGB to sRGB: the colours stay (within rounding), channels swapped to blue, green, red
  EXPECT_NEAR(bgr[0], 30, 1);
  EXPECT_NEAR(bgr[2], 10, 1);
  EXPECT_NEAR(bgr[3], 50, 1);
  TIEBitmap b;
  b.Allocate(2, 1, ie24RGB);
  std::memcpy(b.Scanline(0), rgb, 6);
  EXPECT_TRUE(p.GetInputICCProfile()->TransformBitmap(&b, p.GetOutputICCProfile()));
  EXPECT_TRUE(p.GetInputICCProfile()->Applied);
  EXPECT_FALSE(p.GetInputICCProfile()->HasTransform());
  EXPECT_NEAR(b.Scanline(0)[3], 200, 1);
  TMemoryStream ms;
  p.GetInputICCProfile()->SaveToStream(&ms, false);
  EXPECT_EQ(ms.Size(), int64_t(4 + p.GetInputICCProfile()->Raw.size()));
}
