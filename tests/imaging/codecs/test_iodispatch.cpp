// The codecs behind the IO front end: once registered, TImageryIO loads and saves JPEG, PNG, BMP
// and ICO through them, detects the formats of streams, and loads the thumbnail frame with alpha.
#include <gtest/gtest.h>

#include "codectest.h"
#include "imaging/codecs/pngfilt.h"
#include <cstdio>

#include "imaging/core/iemask.h"
#include "imaging/core/iestreams.h"
#include "imaging/io/imageryio.h"

namespace {

struct TIOFixture : ::testing::Test {
  TImageryIO IO{nullptr};
  TIEBitmap Target;
  static void SetUpTestSuite() { IEInitFileFormats(); }  // the library start-up's registry
  static void TearDownTestSuite() { IEFreeFileFormats(); }
  void SetUp() override { IO.AttachBitmap(&Target); }
};

}  // namespace

TEST_F(TIOFixture, SavesAndDetectsEachFormat) {
  TIEBitmap photo;
  MakePhoto(photo, 48, 32);
  struct Case { int32_t type; double minPsnr; } cases[] = {{ioJPEG, 30}, {ioPNG, 99}, {ioBMP, 99}};
  for (auto c : cases) {
    Target.Assign(&photo);
    IO.Params->JPEG_Quality = 90;
    TMemoryStream s;
    IO.SaveToStream(&s, c.type);
    ASSERT_FALSE(IO.Aborting.load()) << c.type;
    ASSERT_GT(s.Size(), 0) << c.type;
    Target.FreeImage();
    s.SetPosition(0);
    IO.LoadFromStream(&s);
    ASSERT_FALSE(IO.Aborting.load()) << c.type;
    EXPECT_EQ(IO.Params->FileType, c.type);
    ASSERT_EQ(Target.Width(), 48) << c.type;
    EXPECT_GE(PSNR(photo, Target), c.minPsnr) << c.type;
  }
}

TEST_F(TIOFixture, ThumbnailFrameLoadsWithAlphaThroughTheFrontEnd) {
  TIEBitmap frame;
  frame.Allocate(60, 40, ie24RGB);
  frame.Fill(0x203040);
  TIEMask mask;
  mask.AllocateBits(60, 40, 8);
  mask.Fill(255);
  for (int y = 5; y < 35; ++y)
    for (int x = 5; x < 55; ++x) mask.SetPixel(x, y, 0);
  TIOParamsVals p;
  TMemoryStream s;
  TTestProgress pr;
  PngWriteImage(&s, &frame, p, &mask, pr.Rec);
  s.SetPosition(0);
  IO.LoadFromStreamPNG(&s);
  ASSERT_FALSE(IO.Aborting.load());
  EXPECT_EQ(Target.PixelFormat(), ie24RGB);
  ASSERT_TRUE(Target.HasAlphaChannel());
  EXPECT_FALSE(Target.GetAlphaChannel()->Full);
  EXPECT_EQ(Target.GetAlpha(10, 10), 0);
  EXPECT_EQ(Target.GetAlpha(1, 1), 255);
  EXPECT_EQ(IO.Params->SamplesPerPixel, 4);
  EXPECT_EQ(IO.Params->BitsPerSample, 8);
}

TEST_F(TIOFixture, ThumbnailSizedJpegLoad) {
  TIEBitmap photo;
  MakePhoto(photo, 800, 600);
  Target.Assign(&photo);
  TMemoryStream s;
  IO.SaveToStream(&s, ioJPEG);
  s.SetPosition(0);
  IO.Params->JPEG_Scale = 0;
  IO.Params->Width = 100;
  IO.Params->Height = 100;
  IO.LoadFromStreamJpeg(&s);
  ASSERT_FALSE(IO.Aborting.load());
  EXPECT_EQ(IO.Params->JPEG_Scale_Used, 4);  // 200 x 150 is the smallest at least 100 x 100
  EXPECT_EQ(Target.Width(), 200);
  EXPECT_EQ(IO.Params->OriginalWidth, 800);
}

TEST_F(TIOFixture, PaletteAndSmallFormatsThroughFilesAndDetection) {
  TIEBitmap img;
  MakeFewColors(img, 33, 19, 30);
  char tmpl[] = "/tmp/orv_iodispatch_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  struct Case {
    const char* ext;
    int32_t type;
    bool byContent;
  } cases[] = {{"gif", ioGIF, true}, {"tga", ioTGA, true},  {"ppm", ioPXM, true},
               {"pcx", ioPCX, true}, {"dcx", ioDCX, true}, {"wbmp", ioWBMP, false}};
  for (auto c : cases) {
    SCOPED_TRACE(c.ext);
    const std::string name = dir + "/image." + c.ext;
    Target.Assign(&img);
    IO.Params->BitsPerSample = 8;
    IO.Params->SamplesPerPixel = 3;
    IO.SaveToFile(name);
    ASSERT_FALSE(IO.Aborting.load());
    Target.FreeImage();
    IO.LoadFromFile(name);
    ASSERT_FALSE(IO.Aborting.load());
    EXPECT_EQ(IO.Params->FileType, c.type);
    ASSERT_EQ(Target.Width(), 33);
    if (c.type != ioWBMP) { EXPECT_DOUBLE_EQ(PSNR(img, Target), 99); }
    if (c.byContent) {
      TIEWideFileStream fs(name, fmOpenRead);
      EXPECT_EQ(IEFindStreamFormat(&fs), c.type);
    }
    std::remove(name.c_str());
  }
  std::remove(dir.c_str());
}

TEST_F(TIOFixture, DocumentFormatsSaveByExtension) {
  TIEBitmap img;
  MakePhoto(img, 30, 20);
  char tmpl[] = "/tmp/orv_iodispatch_XXXXXX";
  ASSERT_NE(mkdtemp(tmpl), nullptr);
  const std::string dir = tmpl;
  for (auto c : {std::pair<const char*, const char*>{"pdf", "%PDF-1.4"}, {"ps", "%!PS-Adobe-3.0"}}) {
    const std::string name = dir + "/page." + c.first;
    Target.Assign(&img);
    IO.SaveToFile(name);
    ASSERT_FALSE(IO.Aborting.load()) << c.first;
    TIEWideFileStream fs(name, fmOpenRead);
    std::string head(std::strlen(c.second), ' ');
    ASSERT_EQ(fs.Read(head.data(), static_cast<int64_t>(head.size())), static_cast<int64_t>(head.size()));
    EXPECT_EQ(head, c.second);
    std::remove(name.c_str());
  }
  std::remove(dir.c_str());
}
