// Colour routines, threshold black and white, Gaussian blur and shadows, fills, corners,
// histogram matching, filter presets, and the raw bitmap format with the mask exchange.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieblur.h"
#include "imaging/core/iecolor.h"
#include "imaging/core/iedib.h"
#include "imaging/core/iemask.h"
#include "imaging/core/ietransform.h"
#include "imaging/core/ieutils.h"
#include "imgtestutil.h"
#include "platform/rtl/streams.h"

namespace {

class PixelOpsTest : public ::testing::Test {
protected:
  void SetUp() override { IESetGrayCoefficients(); }
  TTempFolder temp;
};

int CountWhite(TIEBitmap& b) {
  int n = 0;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) n += IEGetBit(b.Scanline(y), x);
  return n;
}

TEST_F(PixelOpsTest, ThresholdVariants) {
  TIEBitmap g(4, 4, ie8g);
  PaintPattern(g);
  struct Case {
    int threshold, white;
  } cases[] = {{0, 16}, {256, 0}};
  for (const auto& c : cases) {
    TIEBitmap d(4, 4, ie1g);
    IEConvertToBWThreshold(&g, &d, c.threshold, nullptr, nullptr);
    EXPECT_EQ(CountWhite(d), c.white) << c.threshold;
  }
  TIEBitmap uni(5, 5, ie8g), d(5, 5, ie1g);
  uni.Fill(90);
  IEConvertToBWThreshold(&uni, &d, -2, nullptr, nullptr);
  EXPECT_EQ(CountWhite(d), 25);  // no level splits a uniform image
  // Two equal spikes give psi = ln(1/4) + 2 ln 2 = 0 everywhere: no threshold, all white.
  TIEBitmap two(8, 1, ie8g), d2(8, 1, ie1g);
  for (int x = 0; x < 8; ++x) two.Scanline(0)[x] = x < 4 ? 20 : 220;
  IEConvertToBWThreshold(&two, &d2, -2, nullptr, nullptr);
  EXPECT_EQ(d2.Scanline(0)[0], 0xFF);
  // Eight single levels 10..40 and 200..230: psi peaks (ln(1/4) + 2 ln 8) first at t = 41.
  const uint8_t levels[8] = {10, 20, 30, 40, 200, 210, 220, 230};
  std::memcpy(two.Scanline(0), levels, 8);
  IEConvertToBWThreshold(&two, &d2, -2, nullptr, nullptr);
  EXPECT_EQ(d2.Scanline(0)[0], 0x0F);
  // An ieRGB48 pixel of three 512 words counts as grey level 2.
  TIEBitmap w48(1, 1, ieRGB48), d3(1, 1, ie1g);
  w48.SetPixelRGB48(0, 0, TIERGB48Pixel{512, 512, 512});
  uint32_t hist[256];
  IEGrayHistogram(&w48, hist);
  EXPECT_EQ(hist[2], 1u);
  IEConvertToBWThreshold(&w48, &d3, 3, nullptr, nullptr);
  EXPECT_EQ(CountWhite(d3), 0);
  IEConvertToBWThreshold(&w48, &d3, 2, nullptr, nullptr);
  EXPECT_EQ(CountWhite(d3), 1);
  TIEBitmap bits(9, 2, ie1g);
  bits.Fill(1);
  IEGrayHistogram(&bits, hist);
  EXPECT_EQ(hist[1], 18u);
  EXPECT_EQ(hist[255], 0u);
}

TEST_F(PixelOpsTest, AverageAndTwoColourDetection) {
  TIEBitmap b(3, 2, ie24RGB);
  b.Fill(0);
  b.SetPixelRGB(0, 0, TIERGBPixel{0, 0, 200});  // row 0 red average 66
  int r, g, bl;
  IEAverageRGB(&b, r, g, bl);
  EXPECT_EQ(r, 33);  // (66 + 0) / 2
  EXPECT_EQ(g, 0);
  TIEBitmap d(4, 2, ie24RGB);
  d.Fill(0xFFFFFF);
  d.SetPixelRGB(3, 1, TIERGBPixel{0, 0, 0});
  TIERGBPixel c1, c2;
  std::unique_ptr<TIEBitmap> bw(IETwoColorTo1Bit(&d, c1, c2));
  ASSERT_TRUE(bw);
  EXPECT_EQ(c1, (TIERGBPixel{0, 0, 0}));  // the darker colour is bit 0
  EXPECT_FALSE(IEGetBit(bw->Scanline(1), 3));
  EXPECT_TRUE(IEGetBit(bw->Scanline(0), 0));
  // the inversion that puts the darker colour on bit 0 leaves the bits past the width clear
  EXPECT_EQ(bw->Scanline(0)[0], 0xF0);
  EXPECT_EQ(bw->Scanline(1)[0], 0xE0);
  for (int i = 1; i < bw->RowLen(); ++i) EXPECT_EQ(bw->Scanline(0)[i], 0) << i;
  TIEBitmap one(3, 3, ie24RGB);
  one.Fill(0x123456);
  EXPECT_EQ(IETwoColorTo1Bit(&one, c1, c2), nullptr);
  d.SetPixelRGB(0, 0, TIERGBPixel{1, 1, 1});
  EXPECT_EQ(IETwoColorTo1Bit(&d, c1, c2), nullptr);  // three colours
}

TEST_F(PixelOpsTest, PaletteHelpersAndChannels) {
  const TIERGBPixel pal[3] = {{10, 10, 10}, {30, 30, 30}, {20, 20, 20}};
  EXPECT_EQ(IENearestPaletteIndex(pal, 3, TIERGBPixel{25, 25, 25}), 1);   // tie 1 vs 2? |5|*3 both: first wins
  EXPECT_EQ(IENearestPaletteIndex(pal, 3, TIERGBPixel{21, 21, 21}), 2);
  EXPECT_EQ(IENearestPaletteIndex(pal, 0, TIERGBPixel{1, 1, 1}), 0);
  TIEBitmap b(2, 1, ie24RGB);
  b.SetPixelRGB(0, 0, TIERGBPixel{1, 2, 3});
  IEReorderChannels(&b, "rgb", nullptr, nullptr);
  EXPECT_EQ(b.GetPixelRGB(0, 0), (TIERGBPixel{3, 2, 1}));
  // Grey and intensity stay inside their rectangle.
  TIEBitmap c(3, 3, ie24RGB);
  c.Fill(0x0000FF);
  IEConvertToGray24(&c, 1, 1, 99, 2, nullptr, nullptr);
  EXPECT_EQ(c.GetPixelRGB(2, 1), (TIERGBPixel{53, 53, 53}));
  EXPECT_EQ(c.GetPixelRGB(2, 2), (TIERGBPixel{0, 0, 255}));
  IEIntensityRGB24(&c, 1000, -1000, 0, 0, 0, 1, 1, nullptr, nullptr);
  EXPECT_EQ(c.GetPixelRGB(0, 0), (TIERGBPixel{0, 0, 255}));
  // Quantization to 3 colours maps every pixel onto the palette.
  TIEBitmap q(16, 16, ie24RGB);
  PaintPattern(q);
  TIERGBPixel qp[3];
  IEQuantizeRGB(&q, 3, qp, nullptr, nullptr);
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const TIERGBPixel p = q.GetPixelRGB(x, y);
      EXPECT_TRUE(p == qp[0] || p == qp[1] || p == qp[2]);
    }
}

TEST_F(PixelOpsTest, GaussKernelAndBlur) {
  TIEGaussKernel k;
  IEMakeGaussKernel(k, 0.3);
  EXPECT_EQ(k.Radius, 1);
  IEMakeGaussKernel(k, 50);
  EXPECT_EQ(k.Radius, 100);
  TIEBitmap dot(11, 11, ie8g);
  dot.Fill(0);
  dot.SetPixel8(5, 5, 255);
  IEGaussBlur(&dot, nullptr, nullptr, 1);
  int sum = 0;
  for (int y = 0; y < 11; ++y)
    for (int x = 0; x < 11; ++x) sum += dot.GetPixel8(x, y);
  EXPECT_NEAR(sum, 255, 12);
  EXPECT_LT(dot.GetPixel8(5, 5), 255);
  EXPECT_GT(dot.GetPixel8(6, 5), 0);
  EXPECT_EQ(dot.GetPixel8(6, 5), dot.GetPixel8(5, 4));  // symmetric
  TIEBitmap uni(9, 7, ie24RGB);
  uni.Fill(0x336699);
  IEGaussBlur(&uni, nullptr, nullptr, 3);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 9; ++x) EXPECT_EQ(uni.GetPixelRGB(x, y), (TIERGBPixel{0x33, 0x66, 0x99}));
  // The rectangle form touches nothing outside its rectangle.
  TIEBitmap r(10, 10, ie8g);
  r.Fill(0);
  r.SetPixel8(2, 2, 255);
  r.SetPixel8(8, 8, 255);
  IEGaussBlurRect(&r, 0, 0, 4, 4, 1);
  EXPECT_EQ(r.GetPixel8(8, 8), 255);
  EXPECT_EQ(r.GetPixel8(5, 2), 0);
  EXPECT_GT(r.GetPixel8(3, 2), 0);
}

TEST_F(PixelOpsTest, SoftShadows) {
  TIEBitmap b(100, 100, ie24RGB);
  b.Fill(0xFFFFFF);
  IEAddSoftShadow(&b, 3, 5, 5, true, 100, 0x000000, nullptr, nullptr);
  const int m = 2 * 5 + 15;
  ASSERT_EQ(m, 25);
  EXPECT_EQ(b.Width(), 125);
  EXPECT_EQ(b.Height(), 125);
  TIEBitmap* a = b.GetAlphaChannel();
  EXPECT_EQ(a->GetPixel8(62, 62), 255);  // the picture, centred
  EXPECT_EQ(b.GetPixelRGB(62, 62), (TIERGBPixel{255, 255, 255}));
  EXPECT_GT(a->GetPixel8(115, 115), 0);  // shadow to the lower right
  EXPECT_EQ(b.GetPixelRGB(115, 115), (TIERGBPixel{0, 0, 0}));
  EXPECT_EQ(a->GetPixel8(2, 2), 0);
  EXPECT_FALSE(a->Full);
  TIEBitmap r(40, 40, ie24RGB);
  r.Fill(0xFFFFFF);
  r.GetAlphaChannel()->Fill(0);
  r.GetAlphaChannel()->FillRect(10, 10, 20, 20, 255);
  EXPECT_EQ(IEAddSoftShadowRect(&r, 10, 10, 20, 20, 0, 3, -1, 50, 0), 2 * 3 + 10);
  EXPECT_GT(r.GetAlphaChannel()->GetPixel8(22, 15), 0);
}

TEST_F(PixelOpsTest, FillsCornersPresetsAndHistogram) {
  TIEBitmap bits(12, 2, ie1g);
  bits.Fill(1);
  IEFillArea(&bits, 2, 0, 5, 1, TIERGBPixel{255, 0, 0}, nullptr, nullptr);  // pure blue: red is 0
  for (int x = 0; x < 12; ++x) EXPECT_EQ(IEGetBit(bits.Scanline(0), x), !(x >= 2 && x < 5)) << x;
  EXPECT_TRUE(IEGetBit(bits.Scanline(1), 3));  // row y2 is exclusive

  TIEBitmap c(100, 50, ie24RGB);
  IERoundAlphaCorners(&c, 10, 10);
  TIEBitmap* a = c.GetAlphaChannel();
  for (auto [x, y] : {std::pair{0, 0}, {99, 0}, {0, 49}, {99, 49}}) EXPECT_EQ(a->GetPixel8(x, y), 0) << x << "," << y;
  EXPECT_EQ(a->GetPixel8(50, 25), 255);
  EXPECT_EQ(a->GetPixel8(10, 10), 255);
  EXPECT_FALSE(a->Full);

  const char* names[] = {"None", "Blur", "Edges", "Emboss", "High Pass 1", "High Pass 2", "High Pass 3", "Low Pass 1", "Low Pass 2"};
  ASSERT_GE(IEFilterPresetNames().size(), 9u);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(IEFilterPresetNames()[i], names[i]);
  EXPECT_EQ(IEFilterPresets()[8].Divisor, 16);
  const int idx = IEAddFilterPreset(TIEFilterPresetRecord{{0, 0, 0, 0, 2, 0, 0, 0, 0}, 1}, "Double");
  EXPECT_EQ(IEFilterPresetNames()[idx], "Double");
  IEFreeFilterPresets();
  EXPECT_EQ(IEFilterPresets().size(), 9u);

  // Every level present: matching a picture against itself moves values only by rounding.
  TIEBitmap ref(256, 3, ie24RGB);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 256; ++x) ref.SetPixelRGB(x, y, TIERGBPixel{uint8_t(x), uint8_t(255 - x), uint8_t(x)});
  TIEBitmap self;
  self.Assign(&ref);
  IEMatchHistogram(&ref, &self);
  int maxDiff = 0;
  for (int y = 0; y < 3; ++y)
    for (int i = 0; i < 768; ++i) maxDiff = std::max(maxDiff, std::abs(self.Scanline(y)[i] - ref.Scanline(y)[i]));
  EXPECT_LE(maxDiff, 2);

  // A dark picture (levels 0..127) matched against a bright reference (levels 128..255, the same
  // shape) takes the reference's levels: each value moves up by 128, give or take the rounding.
  TIEBitmap dark(256, 3, ie24RGB), bright(256, 3, ie24RGB);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 256; ++x) {
      dark.SetPixelRGB(x, y, TIERGBPixel{uint8_t(x / 2), uint8_t(127 - x / 2), uint8_t(x / 2)});
      bright.SetPixelRGB(x, y, TIERGBPixel{uint8_t(128 + x / 2), uint8_t(255 - x / 2), uint8_t(128 + x / 2)});
    }
  IEMatchHistogram(&bright, &dark);
  int worst = 0;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 256; ++x) {
      const TIERGBPixel got = dark.GetPixelRGB(x, y);
      worst = std::max({worst, std::abs(got.r - (128 + x / 2)), std::abs(got.g - (255 - x / 2)), std::abs(got.b - (128 + x / 2))});
    }
  EXPECT_LE(worst, 1);
}

TEST_F(PixelOpsTest, RawFormatRoundTripAndRefusals) {
  TIEBitmap b(2, 2, ie24RGB);
  PaintPattern(b);
  TMemoryStream s;
  b.SaveRaw(&s);
  EXPECT_EQ(s.Size(), 92);
  TIEBitmap p(5, 3, ie8p);
  PaintPattern(p, 4);
  p.SetPaletteEntry(200, TIERGBPixel{7, 8, 9});
  p.WhiteValue = 1234;
  p.Contrast = -7;
  p.GetAlphaChannel()->Fill(66);
  TMemoryStream s2;
  p.SaveRaw(&s2);
  s2.SetPosition(0);
  TIEBitmap q;
  ASSERT_TRUE(q.LoadRaw(&s2));
  EXPECT_TRUE(IESameBitmaps(&p, &q));
  EXPECT_EQ(q.GetPaletteEntry(200), (TIERGBPixel{7, 8, 9}));
  EXPECT_EQ(q.WhiteValue, 1234);
  EXPECT_EQ(q.Contrast, -7);

  // A wrong last magic character: false, bitmap unchanged.
  s2.SetPosition(11);
  const char z = 'X';
  s2.WriteBuffer(&z, 1);
  s2.SetPosition(0);
  EXPECT_FALSE(q.LoadRaw(&s2));
  EXPECT_EQ(q.Width(), 5);
  // Hostile headers: a bad pixel format or sizes the stream cannot hold are refused up front.
  auto header = [](int32_t w, int32_t h, uint8_t pf) {
    auto m = std::make_unique<TMemoryStream>();
    m->WriteBuffer("TIEBITMAPRAW", 12);
    const int32_t zero = 0;
    m->WriteBuffer(&zero, 4);
    m->WriteBuffer(&zero, 4);
    uint8_t fields[55] = {};
    std::memcpy(fields, &w, 4);
    std::memcpy(fields + 4, &h, 4);
    fields[8] = pf;
    const int32_t align = 32;
    std::memcpy(fields + 51, &align, 4);
    m->WriteBuffer(fields, 55);
    m->WriteBuffer(fields, 40);  // a few bytes of "rows"
    m->SetPosition(0);
    return m;
  };
  for (auto [w, h, pf] : {std::tuple{100000, 100000, uint8_t(ie24RGB)}, {4, 4, uint8_t(11)}, {4, 4, uint8_t(0)},
                          {-5, 4, uint8_t(ie8g)}, {2147483647, 1, uint8_t(ieRGB48)}}) {
    TIEBitmap t(3, 3, ie8g);
    auto m = header(w, h, pf);
    EXPECT_FALSE(t.LoadRaw(m.get())) << w << "x" << h << " pf " << int(pf);
    EXPECT_EQ(t.Width(), 3);
  }
}

TEST_F(PixelOpsTest, MaskExchange) {
  TIEBitmap w(4, 2, ie24RGB);
  w.Fill(0xFFFFFF);
  TIEMask m;
  w.CopyToMask(&m);
  EXPECT_EQ(m.BitsPerPixel, 8);
  EXPECT_EQ(m.GetPixel(3, 1), 63);
  TIEMask bm;
  bm.AllocateBits(9, 3, 1);
  bm.SetPixel(8, 2, 1);
  TIEBitmap b;
  b.CopyFromMask(&bm);
  EXPECT_EQ(b.PixelFormat(), ie1g);
  EXPECT_TRUE(IEGetBit(b.Scanline(2), 8));
  EXPECT_FALSE(IEGetBit(b.Scanline(0), 0));
}

}  // namespace
