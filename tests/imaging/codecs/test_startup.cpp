// The imaging library's one start-up call: the codecs, the processing slot, the quantizer as the
// container's colour reducer and the ICC route of CMYK are all in place afterwards, and the
// shut-down takes them away again.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "codectest.h"
#include "imaging/core/ieblend.h"
#include "imaging/codecs/iequantizer.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iecolor.h"
#include "imaging/core/ieprocinit.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/ieinit.h"
#include "imaging/io/imageryio.h"

namespace {

class ImagingStartup : public ::testing::Test {
protected:
  void SetUp() override { IEImagingStartup(); }
  void TearDown() override { IEImagingShutdown(); }
};

}  // namespace

TEST_F(ImagingStartup, InstallsTheProcessingSlotTheQuantizerAndTheCMYKRoute) {
  EXPECT_EQ(IELibraryRefCount(), 1);
  EXPECT_EQ(IELibraryMarker(), "STATICINIT");
  EXPECT_NE(IEColorReducerFactory, nullptr);
  EXPECT_NE(IECMYKTransform.ToRGB, nullptr);
  EXPECT_NE(IECMYKTransform.ToCMYK, nullptr);
  EXPECT_NE(IEClipboardRawFormat, 0u);
  EXPECT_EQ(IECosineBlendTable[255], 128);
}

TEST(ImagingStartupAlone, ShutDownRemovesTheQuantizerAndTheCMYKRoute) {
  IEImagingStartup();
  IEImagingStartup();  // nested: only counted
  EXPECT_EQ(IELibraryRefCount(), 2);
  IEImagingShutdown();
  EXPECT_NE(IEColorReducerFactory, nullptr);
  IEImagingShutdown();
  EXPECT_EQ(IELibraryRefCount(), 0);
  EXPECT_EQ(IEColorReducerFactory, nullptr);
  EXPECT_EQ(IECMYKTransform.ToRGB, nullptr);
  EXPECT_EQ(IELibraryMarker(), "");
}

TEST_F(ImagingStartup, PaletteConversionKeepsExactColoursInOrderOfFirstAppearance) {
  // Four colours, the brightest first: the quantizer's exact palette keeps their order, which no
  // histogram cut would.
  const TIERGBPixel c[4] = {PixRGB(250, 250, 250), PixRGB(200, 10, 10), PixRGB(0, 0, 0), PixRGB(10, 10, 200)};
  TIEBitmap b;
  b.Allocate(8, 2, ie24RGB);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 8; ++x) b.SetPixelRGB(x, y, c[(x / 2 + y) % 4]);
  b.SetPixelFormat(ie8p);
  ASSERT_EQ(b.PixelFormat(), ie8p);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(b.GetPaletteEntry(i), c[i]) << i;
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(b.Scanline(y)[x], (x / 2 + y) % 4) << x << "," << y;
}

TEST_F(ImagingStartup, PaletteConversionOfAPhotoTakesTheQuantizersPalette) {
  TIEBitmap photo;
  MakePhoto(photo, 48, 40);
  TIERGBPixel pal[256] = {};
  TIEQuantizer q(&photo, pal, 256);
  ASSERT_FALSE(q.HasExactColors());
  TIEBitmap b;
  b.Assign(&photo);
  b.SetPixelFormat(ie8p);
  ASSERT_EQ(b.PixelFormat(), ie8p);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(b.GetPaletteEntry(i), pal[i]) << i;
  for (int y = 0; y < photo.Height(); y += 7)
    for (int x = 0; x < photo.Width(); x += 5)
      EXPECT_EQ(b.Scanline(y)[x], q.GetColorIndex(photo.GetPixelAsRGB(x, y))) << x << "," << y;
}

TEST_F(ImagingStartup, AJpegSavesAndLoadsThroughTheIOFrontEnd) {
  char tmpl[] = "/tmp/orv_startup_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl, file = dir + "/photo.jpg";
  {
    TImageryIO out(nullptr);
    MakePhoto(*out.IEBitmap(), 64, 48);
    out.SaveToFile(file);
    ASSERT_FALSE(out.Aborting.load());
    TImageryIO in(nullptr);
    in.LoadFromFileAuto(file);
    EXPECT_FALSE(in.Aborting.load());
    EXPECT_EQ(in.IEBitmap()->Width(), 64);
    EXPECT_EQ(in.IEBitmap()->Height(), 48);
    TIEBitmap want;
    MakePhoto(want, 64, 48);
    EXPECT_GT(PSNR(*in.IEBitmap(), want), 30);
  }
  std::filesystem::remove_all(dir);
}
