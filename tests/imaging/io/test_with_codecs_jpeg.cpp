// The IO front end with the real JPEG codec: EXIF, GPS, IPTC and XMP survive a save and a load
// of a real JPEG file, and the photo is found by content.
#include <gtest/gtest.h>

#include "imaging/codecs/iecodecs.h"
#include "imaging/io/ieinit.h"
#include "imaging/io/iemarkers.h"
#include "imaging/io/imageryio.h"
#include "iotestcodecs.h"

using namespace iotest;

class WithCodecs : public ::testing::Test {
protected:
  void SetUp() override {
    IERegisterCodecs();
    IELibraryStartup();
  }
  void TearDown() override { IELibraryShutdown(); }
  TTempDir Dir;
};

TEST_F(WithCodecs, MetadataRoundTripThroughARealJpeg) {
  TImageryIO out(nullptr);
  MakePattern(out.IEBitmap(), 64, 48);
  TIOParamsVals& p = *out.Params;
  p.EXIF_HasEXIFData = true;
  p.EXIF_Make = "Studio";
  p.EXIF_Model = "Body 1";
  p.EXIF_DateTimeOriginal = "2026:12:10 09:30:00";
  p.EXIF_FNumber = 5.6;
  p.EXIF_ISOSpeedRatings[0] = 200;
  p.EXIF_GPSLatitudeRef = "S";
  p.EXIF_GPSLatitudeDegrees = 33;
  p.EXIF_GPSLatitudeMinutes = 52;
  p.EXIF_GPSLatitudeSeconds = 4.5;
  p.EXIF_GPSLongitudeRef = "E";
  p.EXIF_GPSLongitudeDegrees = 151;
  p.EXIF_GPSAltitude = 58.25;
  p.EXIF_GPSDateStamp = "2026:12:10";
  MakePattern(p.EnsureEXIFBitmap(), 32, 24, 3);
  p.IPTC_Info->AddBufferItem(2, 120, 8, "A Title!");
  p.XMP_Info = "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"/>";
  out.SaveToFile(Dir / "photo.jpg");
  ASSERT_FALSE(out.Aborting.load());

  EXPECT_EQ(IEFindFileFormat(Dir / "photo.jpg", true), ioJPEG);
  TImageryIO in(nullptr);
  in.LoadFromFileAuto(Dir / "photo.jpg");
  ASSERT_FALSE(in.Aborting.load());
  const TIOParamsVals& q = *in.Params;
  EXPECT_EQ(in.IEBitmap()->Width(), 64);
  EXPECT_TRUE(q.EXIF_HasEXIFData);
  EXPECT_EQ(q.EXIF_Make, "Studio");
  EXPECT_EQ(q.EXIF_Model, "Body 1");
  EXPECT_EQ(q.EXIF_DateTimeOriginal, "2026:12:10 09:30:00");
  EXPECT_DOUBLE_EQ(q.EXIF_FNumber, 5.6);
  EXPECT_EQ(q.EXIF_ISOSpeedRatings[0], 200);
  EXPECT_EQ(q.EXIF_GPSLatitudeRef, "S");
  EXPECT_DOUBLE_EQ(q.EXIF_GPSLatitudeDegrees, 33);
  EXPECT_DOUBLE_EQ(q.EXIF_GPSLatitudeMinutes, 52);
  EXPECT_DOUBLE_EQ(q.EXIF_GPSLatitudeSeconds, 4.5);
  EXPECT_EQ(q.EXIF_GPSLongitudeRef, "E");
  EXPECT_DOUBLE_EQ(q.EXIF_GPSLongitudeDegrees, 151);
  EXPECT_DOUBLE_EQ(q.EXIF_GPSAltitude, 58.25);
  EXPECT_EQ(q.EXIF_GPSDateStamp, "2026:12:10");
  ASSERT_NE(q.EXIF_Bitmap, nullptr);
  EXPECT_EQ(q.EXIF_Bitmap->Width(), 32);
  EXPECT_EQ(q.EXIF_Bitmap->Height(), 24);
  int i = q.IPTC_Info->IndexOf(2, 120);
  ASSERT_GE(i, 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(q.IPTC_Info->GetItemData(i)), 8), "A Title!");
  EXPECT_EQ(q.XMP_Info, p.XMP_Info);
}

TEST_F(WithCodecs, AsyncThumbnailLoadOfARealJpeg) {
  TImageryIO out(nullptr);
  MakePattern(out.IEBitmap(), 80, 60);
  out.SaveToFile(Dir / "t.jpg");
  TIEBitmap target;
  TImageryIO io(nullptr);
  io.AttachBitmap(&target);
  io.AsyncMode = true;
  io.Params->JPEG_Scale = 0;  // automatic: the largest reduction that keeps the asked size
  io.Params->Width = 20;
  io.Params->Height = 15;
  std::atomic<int> finishes{0};
  io.OnFinishWork = [&](TObject*) { ++finishes; };
  io.LoadFromFileAuto(Dir / "t.jpg");
  io.WaitThreads(false);
  EXPECT_EQ(finishes.load(), 1);
  EXPECT_FALSE(io.Aborting.load());
  EXPECT_EQ(target.Width(), 20);
  EXPECT_EQ(io.Params->JPEG_Scale_Used, 4);
}
