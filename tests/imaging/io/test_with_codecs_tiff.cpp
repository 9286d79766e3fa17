// The IO front end with the real TIFF codec: a page saved by extension is found by content,
// loads with its pixels and metadata, and its parameters read without decoding.
#include <gtest/gtest.h>

#include "imaging/codecs/iecodecs.h"
#include "imaging/io/ieinit.h"
#include "imaging/io/iemarkers.h"
#include "imaging/io/imageryio.h"
#include "iotestcodecs.h"

using namespace iotest;

namespace {

class WithTiffCodec : public ::testing::Test {
protected:
  void SetUp() override {
    IERegisterCodecs();
    IELibraryStartup();
  }
  void TearDown() override { IELibraryShutdown(); }
  TTempDir Dir;
};

}  // namespace

TEST_F(WithTiffCodec, SaveByExtensionDetectAndLoad) {
  for (const char* name : {"page.tif", "page.tiff"}) {
    TImageryIO out(nullptr);
    MakePattern(out.IEBitmap(), 45, 31);
    TIOParamsVals& p = *out.Params;
    p.TIFF_Compression = 5;
    p.TIFF_ImageDescription = "A proof sheet";
    p.IPTC_Info->AddBufferItem(2, 120, 8, "A Title!");
    p.SetDpiX(240);
    p.SetDpiY(240);
    out.SaveToFile(Dir / name);
    ASSERT_FALSE(out.Aborting.load()) << name;
    EXPECT_EQ(IEFindFileFormat(Dir / name, true), ioTIFF);

    TImageryIO in(nullptr);
    in.LoadFromFileAuto(Dir / name);
    ASSERT_FALSE(in.Aborting.load());
    ASSERT_EQ(in.IEBitmap()->Width(), 45);
    for (int y = 0; y < 31; y += 5)
      for (int x = 0; x < 45; x += 4) {
        const TIERGBPixel a = out.IEBitmap()->GetPixelAsRGB(x, y), b = in.IEBitmap()->GetPixelAsRGB(x, y);
        ASSERT_TRUE(a.r == b.r && a.g == b.g && a.b == b.b) << x << "," << y;
      }
    EXPECT_EQ(in.Params->TIFF_ImageDescription, "A proof sheet");
    EXPECT_EQ(in.Params->DpiX, 240);
    EXPECT_EQ(in.Params->TIFF_Compression, 5);
    ASSERT_GE(in.Params->IPTC_Info->IndexOf(2, 120), 0);

    TImageryIO params(nullptr);
    params.ParamsFromFile(Dir / name);
    EXPECT_EQ(params.Params->Width, 45);
    EXPECT_EQ(params.Params->Height, 31);
  }
}
