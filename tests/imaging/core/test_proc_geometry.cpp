// Rotations, resamplers, the nearest-pixel stretch and mirroring, against values worked out from
// their mapping rules.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <memory>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/ieresample.h"
#include "imaging/core/ierotate.h"
#include "imaging/core/ietransform.h"
#include "imaging/core/ieutils.h"
#include "imaging/core/imageryproc.h"
#include "imgtestutil.h"

namespace {

class GeomTest : public ::testing::Test {
protected:
  void SetUp() override { IESetGrayCoefficients(); }
  TTempFolder temp;
};

// ie8g image whose pixel (x, y) holds x + 16 y.
void Numbered(TIEBitmap& b, int w, int h) {
  b.Allocate(w, h, ie8g);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.Scanline(y)[x] = static_cast<uint8_t>(x + 16 * y);
}

TEST_F(GeomTest, QuarterAndHalfTurnsMapEveryPixel) {
  TIEBitmap s;
  Numbered(s, 5, 3);
  struct Case {
    double angle;
    int w, h;
  } cases[] = {{90, 3, 5}, {-270, 3, 5}, {270, 3, 5}, {-90, 3, 5}, {180, 5, 3}, {-180, 5, 3}, {360, 5, 3}, {0, 5, 3}};
  for (const auto& c : cases) {
    TIEBitmap d;
    IERotateInto(&s, &d, 0, nullptr, nullptr, c.angle);
    ASSERT_EQ(d.Width(), c.w) << c.angle;
    ASSERT_EQ(d.Height(), c.h) << c.angle;
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) {
        int dx, dy;
        const int a = static_cast<int>(c.angle) % 360;
        if (a == 90 || a == -270)
          dx = y, dy = 5 - 1 - x;  // counter-clockwise
        else if (a == 270 || a == -90)
          dx = 3 - 1 - y, dy = x;  // clockwise
        else if (a == 180 || a == -180)
          dx = 5 - 1 - x, dy = 3 - 1 - y;
        else
          dx = x, dy = y;
        EXPECT_EQ(d.GetPixel8(dx, dy), s.GetPixel8(x, y)) << c.angle << " " << x << "," << y;
      }
  }
}

TEST_F(GeomTest, QuarterTurnOfEveryFormatAndOfBits) {
  for (int f = 1; f < IEPixelFormatCount; ++f) {
    TIEBitmap s(7, 3, static_cast<TIEPixelFormat>(f));
    PaintPattern(s, f);
    TIEBitmap d, back;
    IERotateInto(&s, &d, 0, nullptr, nullptr, 90);
    IERotateInto(&d, &back, 0, nullptr, nullptr, -90);
    ASSERT_EQ(back.Width(), 7);
    for (int y = 0; y < 3; ++y)
      EXPECT_EQ(std::memcmp(back.Scanline(y), s.Scanline(y), static_cast<size_t>(PixelBytes(s) - (f == ie1g))), 0) << f;
  }
}

TEST_F(GeomTest, GeneralRotationSizeAndBackground) {
  TIEBitmap s(40, 20, ie24RGB);
  s.Fill(0xFFFFFF);
  TIEBitmap d;
  IERotateInto(&s, &d, 0x0000FF, nullptr, nullptr, 90.5);
  const double th = 90.5 * 3.1415926535897932385 / 180;
  EXPECT_EQ(d.Width(), static_cast<int>(std::nearbyint(std::fabs(std::cos(th)) * 40 + std::fabs(std::sin(th)) * 20)));
  EXPECT_EQ(d.Height(), static_cast<int>(std::nearbyint(std::fabs(std::sin(th)) * 40 + std::fabs(std::cos(th)) * 20)));
  TIEBitmap d30;
  IERotateInto(&s, &d30, 0x0000FF, nullptr, nullptr, 30);
  EXPECT_EQ(d30.GetPixelRGB(0, 0), (TIERGBPixel{0, 0, 255}));  // corner: background red
  EXPECT_EQ(d30.GetPixelRGB(d30.Width() / 2, d30.Height() / 2), (TIERGBPixel{255, 255, 255}));
  // 1-bit corners are black whatever the background; a palette survives.
  TIEBitmap b(30, 30, ie1g);
  b.Fill(1);
  IERotateGeneral(&b, 0xFFFFFF, nullptr, nullptr, 30);
  EXPECT_FALSE(IEGetBit(b.Scanline(0), 0));
  EXPECT_TRUE(IEGetBit(b.Scanline(b.Height() / 2), b.Width() / 2));
  TIEBitmap p(10, 10, ie8p);
  p.SetPaletteEntry(7, TIERGBPixel{1, 2, 3});
  IERotateGeneral(&p, 0, nullptr, nullptr, 33);
  EXPECT_EQ(p.GetPaletteEntry(7), (TIERGBPixel{1, 2, 3}));
}

TEST_F(GeomTest, AntialiasedRotationOfAWhiteSquare) {
  TIEBitmap b(10, 10, ie24RGB);
  b.Fill(0xFFFFFF);
  IERotateAntialias24(&b, 0, 1, nullptr, nullptr, 45);
  const int expected = static_cast<int>(std::nearbyint(std::sqrt(0.5) * 15 + std::sqrt(0.5) * 15)) - 6;
  ASSERT_EQ(b.Width(), expected);
  ASSERT_EQ(b.Height(), expected);
  EXPECT_EQ(b.GetPixelRGB(0, 0), (TIERGBPixel{0, 0, 0}));
  EXPECT_EQ(b.GetPixelRGB(expected / 2, expected / 2), (TIERGBPixel{255, 255, 255}));
  int grey = 0;
  for (int x = 0; x < expected; ++x) {
    const int v = b.GetPixelRGB(x, expected / 2 - 5).r;
    grey += v > 0 && v < 255;
  }
  EXPECT_GT(grey, 0);
  // Bicubic: overshoots never wrap; values stay within 0..255.
  TIEBitmap e(12, 12, ie24RGB);
  e.Fill(0);
  e.FillRect(6, 0, 11, 11, 0xFFFFFF);
  IERotateAntialias24(&e, 0, 2, nullptr, nullptr, 10);
  EXPECT_FALSE(e.IsEmpty());
}

TEST_F(GeomTest, ShearRotationThroughTheComponent) {
  TImageryProc p(nullptr);
  TIEBitmap* img = p.GetIEBitmap();
  img->Allocate(6, 4, ie24RGB);
  img->Fill(0);
  img->SetPixelRGB(0, 0, TIERGBPixel{9, 9, 9});
  p.Rotate(90, 1);
  ASSERT_EQ(img->Width(), 4);
  ASSERT_EQ(img->Height(), 6);
  EXPECT_EQ(img->GetPixelRGB(0, 5), (TIERGBPixel{9, 9, 9}));  // top-left ends bottom-left
  TIEBitmap before;
  before.Assign(img);
  p.Rotate(360, 1);
  EXPECT_TRUE(IESameBitmaps(img, &before));

  img->Allocate(20, 10, ie24RGB);
  img->Fill(0xFFFFFF);
  img->GetAlphaChannel()->Fill(255);
  p.Rotate(30, 1, 0, 0x0000FF);
  EXPECT_GT(img->Width(), 20);
  EXPECT_GT(img->Height(), 10);
  EXPECT_EQ(img->GetPixelRGB(0, 0), (TIERGBPixel{0, 0, 255}));
  ASSERT_TRUE(img->HasAlphaChannel());
  EXPECT_EQ(img->GetAlphaChannel()->Width(), img->Width());
  EXPECT_EQ(img->GetAlphaChannel()->GetPixel8(0, 0), 0);

  for (TColor bg : {0xFFFFFF, 0x000000}) {
    img->Allocate(16, 16, ie1g);
    img->Fill(0);
    p.Rotate(30, 1, 0, bg);
    EXPECT_EQ(IEGetBit(img->Scanline(0), 0), bg != 0);
  }
}

TEST_F(GeomTest, KernelResamplerKeepsCornersAndAverages) {
  TIEBitmap s(2, 2, ie8g), d(3, 3, ie8g);
  s.Scanline(0)[0] = 0;
  s.Scanline(0)[1] = 100;
  s.Scanline(1)[0] = 200;
  s.Scanline(1)[1] = 50;
  IEResampleColor(&s, &d, rfTriangle, nullptr, nullptr);
  const int expect[3][3] = {{0, 50, 100}, {100, 87, 75}, {200, 125, 50}};
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(d.GetPixel8(x, y), expect[y][x]) << x << "," << y;
  // A 1 x 1 source leaves the destination as it was.
  TIEBitmap one(1, 1, ie24RGB), dd(4, 4, ie24RGB);
  one.Fill(0xFFFFFF);
  dd.Fill(0x010203);
  for (TResampleFilter f : {rfTriangle, rfLanczos3, rfMitchell}) {
    IEResampleColor(&one, &dd, f, nullptr, nullptr);
    EXPECT_EQ(dd.GetPixelRGB(3, 3), (TIERGBPixel{1, 2, 3}));
  }
}

TEST_F(GeomTest, KernelFiltersOfAUniformImageStayUniform) {
  for (int f = rfTriangle; f <= rfLinear; ++f) {
    TIEBitmap s(23, 17, ie24RGB), d(9, 31, ie24RGB);
    s.Fill(0x406080);
    IEResampleColor(&s, &d, static_cast<TResampleFilter>(f), nullptr, nullptr);
    EXPECT_EQ(d.GetPixelRGB(4, 15), (TIERGBPixel{0x40, 0x60, 0x80})) << f;
    EXPECT_EQ(d.GetPixelRGB(0, 0), (TIERGBPixel{0x40, 0x60, 0x80})) << f;
  }
  EXPECT_DOUBLE_EQ(IEFilterWeight(rfNearest, -0.5), 0);
  EXPECT_DOUBLE_EQ(IEFilterWeight(rfNearest, 0.5), 1);
  EXPECT_NEAR(IEFilterWeight(rfLanczos3, 1.5), std::sin(1.5 * M_PI) / (1.5 * M_PI) * std::sin(0.5 * M_PI) / (0.5 * M_PI), 1e-12);
}

TEST_F(GeomTest, FastLinearAveragesSharedSpans) {
  TIEBitmap s(4, 4, ie8g), d(2, 2, ie8g);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) s.Scanline(y)[x] = static_cast<uint8_t>(10 * x + 50 * y);
  IEResampleGray8(&s, &d, rfFastLinear);
  EXPECT_EQ(d.GetPixel8(0, 0), 60);   // columns 0..2 and rows 0..2
  EXPECT_EQ(d.GetPixel8(1, 0), 70);   // column 2, rows 0..2
  EXPECT_EQ(d.GetPixel8(1, 1), 120);  // column 2, row 2
  // Equal sizes copy exactly, format included (bits stay bits).
  TIEBitmap bw(9, 3, ie1g), out(9, 3, ie24RGB);
  PaintPattern(bw);
  IEResampleBW(&bw, &out, rfFastLinear);
  EXPECT_EQ(out.PixelFormat(), ie1g);
  EXPECT_TRUE(HasPattern(out));
}

TEST_F(GeomTest, AreaResamplerReproducesEqualSizes) {
  for (TResampleFilter f : {rfBilinear, rfBicubic})
    for (TIEPixelFormat pf : {ie24RGB, ie8g, ie16g, ieRGB48}) {
      TIEBitmap s(11, 7, pf), d(11, 7, pf);
      PaintPattern(s, 2);
      IEResampleColor(&s, &d, f, nullptr, nullptr);
      EXPECT_TRUE(HasPattern(d, 2)) << int(f) << " " << int(pf);
    }
  // Shrinking by two averages 2 x 2 blocks (rounded).
  TIEBitmap s(4, 2, ie8g), d(2, 1, ie8g);
  const uint8_t v[2][4] = {{0, 10, 100, 101}, {20, 31, 200, 200}};
  for (int y = 0; y < 2; ++y) std::memcpy(s.Scanline(y), v[y], 4);
  IEResampleColor(&s, &d, rfBilinear, nullptr, nullptr);
  EXPECT_EQ(d.GetPixel8(0, 0), 15);   // 61 / 4 = 15.25
  EXPECT_EQ(d.GetPixel8(1, 0), 150);  // 601 / 4 = 150.25
}

TEST_F(GeomTest, BlackAndWhiteProjectionsAndAverage) {
  TIEBitmap page(4, 16, ie1g), d(4, 4, ie1g);
  page.Fill(1);
  std::memset(page.Scanline(4), 0, 1);  // a black line at row 4
  IEResampleBW(&page, &d, rfProjectBW);
  for (int j = 0; j < 4; ++j) EXPECT_EQ(IEGetBit(d.Scanline(j), 0), !(j == 1 || j == 2)) << j;
  page.Fill(1);
  std::memset(page.Scanline(14), 0, 1);  // among the last three rows: lost
  IEResampleBW(&page, &d, rfProjectBW);
  for (int j = 0; j < 4; ++j) EXPECT_TRUE(IEGetBit(d.Scanline(j), 0)) << j;

  TIEBitmap chk(8, 8, ie1g), g(2, 2, ie24RGB);
  chk.Fill(0);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) IESetBit(chk.Scanline(y), x, (x + y) % 2 == 1);
  IEResampleBW(&chk, &g, rfFastLinear);
  EXPECT_EQ(g.GetPixelRGB(0, 0).r, 255 * 4 / 9);
  EXPECT_EQ(g.GetPixelRGB(1, 1).r, 255 * 12 / 25);
}

TEST_F(GeomTest, StretchAndResampleEntryPoint) {
  TIEBitmap s(3, 1, ie16g), d(2, 1, ie16g);
  const uint16_t v[3] = {1000, 2000, 3000};
  std::memcpy(s.Scanline(0), v, 6);
  IEStretch(&s, &d, nullptr, nullptr);
  EXPECT_EQ(d.GetPixel16(0, 0), 1000);
  EXPECT_EQ(d.GetPixel16(1, 0), 2000);
  // The colour resampler has no Lanczos for 16-bit grey and leaves the destination...
  TIEBitmap big(8, 8, ie16g), small(4, 4, ie16g);
  big.Fill(40000);
  small.Fill(7);
  IEResampleColor(&big, &small, rfLanczos3, nullptr, nullptr);
  EXPECT_EQ(small.GetPixel16(0, 0), 7);
  // ...whereas IEResample gives the scaled picture in the source's format.
  IEResample(&big, &small, rfLanczos3, nullptr, nullptr);
  EXPECT_EQ(small.PixelFormat(), ie16g);
  EXPECT_NEAR(small.GetPixel16(1, 1), 40000, 257);
  // Alpha: fully transparent pixels turn mid grey; the alpha is resampled alongside.
  TIEBitmap a(4, 4, ie24RGB), ad(2, 2, ie24RGB);
  a.Fill(0xFFFFFF);
  a.GetAlphaChannel()->Fill(0);
  IEResample(&a, &ad, rfFastLinear, nullptr, nullptr);
  EXPECT_EQ(a.GetPixelRGB(0, 0), (TIERGBPixel{128, 128, 128}));
  ASSERT_TRUE(ad.HasAlphaChannel());
  EXPECT_EQ(ad.GetAlphaChannel()->GetPixel8(1, 1), 0);
}

TEST_F(GeomTest, FlipMirrorsEveryFormat) {
  for (int f = 1; f < IEPixelFormatCount; ++f) {
    const TIEPixelFormat pf = static_cast<TIEPixelFormat>(f);
    TIEBitmap b(10, 3, pf);
    PaintPattern(b, f);
    if (pf == ie1g)  // bits past the tenth pixel are not part of the image
      for (int y = 0; y < 3; ++y) b.Scanline(y)[1] &= 0xC0;
    TIEBitmap ref;
    ref.Assign(&b);
    IEFlipBitmap(&b, 0);
    const int bpp = IEBitsPerPixel[pf];
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 10; ++x) {
        if (bpp == 1) {
          EXPECT_EQ(IEGetBit(b.Scanline(y), x), IEGetBit(ref.Scanline(y), 9 - x)) << f;
        } else {
          EXPECT_EQ(std::memcmp(b.Scanline(y) + x * bpp / 8, ref.Scanline(y) + (9 - x) * bpp / 8, bpp / 8), 0)
              << "format " << f << " x " << x;
        }
      }
    IEFlipBitmap(&b, 0);
    for (int y = 0; y < 3; ++y)
      EXPECT_EQ(std::memcmp(b.Scanline(y), ref.Scanline(y), static_cast<size_t>(PixelBytes(b))), 0) << f;
    IEFlipBitmap(&b, 1);
    EXPECT_EQ(std::memcmp(b.Scanline(0), ref.Scanline(2), static_cast<size_t>(PixelBytes(b))), 0);
  }
  // Bits beyond the tenth pixel stay clear; the alpha channel follows.
  TIEBitmap bits(10, 1, ie1g);
  bits.Fill(0);
  IESetBit(bits.Scanline(0), 0, true);
  bits.GetAlphaChannel()->SetPixel8(0, 0, 3);
  IEFlipBitmap(&bits, 0);
  EXPECT_TRUE(IEGetBit(bits.Scanline(0), 9));
  EXPECT_EQ(bits.Scanline(0)[1] & 0x3F, 0);
  EXPECT_EQ(bits.GetAlphaChannel()->GetPixel8(9, 0), 3);
}

// The same operations on an image kept in a temporary file give the same pixels as in memory.
TEST_F(GeomTest, FileLocatedImagesGiveTheSameResults) {
  auto make = [](bool file) {
    auto b = std::make_unique<TIEBitmap>();
    if (file) {
      b->SetLocation(ieFile);
      b->MemoryThreshold = 0;
    }
    b->Allocate(37, 23, ie24RGB);
    PaintPattern(*b, 7);
    return b;
  };
  auto mem = make(false), file = make(true);
  ASSERT_EQ(file->Location(), ieFile);
  using Op = void (*)(TIEBitmap*);
  const Op ops[] = {
      [](TIEBitmap* b) { IERotateGeneral(b, 0x123456, nullptr, nullptr, 90); },
      [](TIEBitmap* b) { IERotateGeneral(b, 0x123456, nullptr, nullptr, 30); },
      [](TIEBitmap* b) { IEFlipBitmap(b, 0); },
      [](TIEBitmap* b) { IERotateAntialias24(b, 0, 1, nullptr, nullptr, 12); },
      [](TIEBitmap* b) {
        TIEBitmap d;
        d.SetLocation(b->Location());
        d.MemoryThreshold = b->Location() == ieFile ? 0 : d.MemoryThreshold;
        d.Allocate(11, 9, ie24RGB);
        IEResample(b, &d, rfLanczos3, nullptr, nullptr);
        b->Assign(&d);
      },
  };
  for (Op op : ops) {
    op(mem.get());
    op(file.get());
    ASSERT_EQ(mem->Width(), file->Width());
    ASSERT_EQ(mem->Height(), file->Height());
    for (int y = 0; y < mem->Height(); ++y)
      ASSERT_EQ(std::memcmp(mem->Scanline(y), file->Scanline(y), static_cast<size_t>(mem->Width()) * 3), 0) << y;
  }
}

}  // namespace
