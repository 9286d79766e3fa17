// EXIF and GPS metadata: blocks written and read back, through a JPEG save and load, the
// thumbnail size rule, RAW header search, and damaged blocks.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "imaging/core/iestreams.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/iemarkers.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/imageryio.h"
#include "iotestcodecs.h"

using namespace iotest;

static void FillExif(TIOParamsVals& p) {
  p.EXIF_ImageDescription = "desc";
  p.EXIF_Make = "Maker";
  p.EXIF_Model = "Model 7";
  p.SetEXIF_XResolution(299.5);
  p.SetEXIF_YResolution(72);
  p.EXIF_ResolutionUnit = 2;
  p.SetEXIF_Orientation(6);
  p.EXIF_DateTime = "2026:12:10 10:00:00";
  p.SetEXIF_WhitePoint(0, 0.3127);
  p.SetEXIF_ReferenceBlackWhite(5, 255);
  p.EXIF_ExposureTime = 0.004;
  p.EXIF_FNumber = 2.8;
  p.EXIF_ISOSpeedRatings[0] = 400;
  p.EXIF_ExifVersion = "0230";
  p.EXIF_ShutterSpeedValue = -1.5;  // signed rational
  p.EXIF_Flash = 16;
  p.EXIF_UserCommentCode = "ASCII";
  p.EXIF_UserComment = "nice";
  p.EXIF_Rating = 4;
  p.EXIF_XPTitle = "Tïtle";
  p.EXIF_ExposureMode = 0;  // differs from the reset value -1
  p.EXIF_DigitalZoomRatio = 1.5;
  p.EXIF_FileSource = 3;
  p.EXIF_GPSVersionID = "2.2.0.0";
  p.EXIF_GPSLatitudeRef = "N";
  p.EXIF_GPSLatitudeDegrees = 45;
  p.EXIF_GPSLatitudeMinutes = 30;
  p.EXIF_GPSLatitudeSeconds = 12.25;
  p.EXIF_GPSLongitudeRef = "E";
  p.EXIF_GPSLongitudeDegrees = 9;
  p.EXIF_GPSAltitudeRef = "1";
  p.EXIF_GPSAltitude = 120.5;
  p.EXIF_GPSTimeStampHour = 13;
  p.EXIF_GPSDestLatitudeRef = "S";
  p.EXIF_GPSDestLongitudeRef = "W";
  p.EXIF_GPSMapDatum = "WGS-84";
  p.EXIF_GPSDateStamp = "2026:12:10";
  const uint8_t note[] = {1, 0, 0x10, 0x00, 3, 0, 1, 0, 0, 0, 7, 0, 0, 0, 0, 0, 0, 0};
  p.EXIF_MakerNote->Data()->WriteBuffer(note, sizeof note);
  p.EXIF_MakerNote->Update();
  p.EXIF_HasEXIFData = true;
}

static void ExpectExif(TIOParamsVals& p) {
  EXPECT_EQ(p.EXIF_ImageDescription, "desc");
  EXPECT_EQ(p.EXIF_Make, "Maker");
  EXPECT_EQ(p.EXIF_Model, "Model 7");
  EXPECT_DOUBLE_EQ(p.EXIF_XResolution, 299.5);
  EXPECT_EQ(p.DpiX, 299);
  EXPECT_EQ(p.DpiY, 72);
  EXPECT_EQ(p.EXIF_ResolutionUnit, 2);
  EXPECT_EQ(p.EXIF_Orientation, 6);
  EXPECT_EQ(p.TIFF_Orientation, 6);
  EXPECT_EQ(p.EXIF_DateTime, "2026:12:10 10:00:00");
  EXPECT_NEAR(p.GetEXIF_WhitePoint(0), 0.3127, 1e-4);
  EXPECT_DOUBLE_EQ(p.GetEXIF_ReferenceBlackWhite(5), 255);
  EXPECT_NEAR(p.EXIF_ExposureTime, 0.004, 1e-4);
  EXPECT_DOUBLE_EQ(p.EXIF_FNumber, 2.8);
  EXPECT_EQ(p.EXIF_ISOSpeedRatings[0], 400);
  EXPECT_EQ(p.EXIF_ExifVersion, "0230");
  EXPECT_DOUBLE_EQ(p.EXIF_ShutterSpeedValue, -1.5);
  EXPECT_EQ(p.EXIF_Flash, 16);
  EXPECT_EQ(p.EXIF_UserCommentCode, "ASCII");
  EXPECT_EQ(p.EXIF_UserComment, "nice");
  EXPECT_EQ(p.EXIF_Rating, 4);
  EXPECT_EQ(p.EXIF_XPTitle, "Tïtle");
  EXPECT_EQ(p.EXIF_ExposureMode, 0);
  EXPECT_EQ(p.EXIF_WhiteBalance, -1);
  EXPECT_DOUBLE_EQ(p.EXIF_DigitalZoomRatio, 1.5);
  EXPECT_EQ(p.EXIF_FileSource, 3);
  EXPECT_EQ(p.EXIF_GPSVersionID, "2.2.0.0");
  EXPECT_EQ(p.EXIF_GPSLatitudeRef, "N");
  EXPECT_DOUBLE_EQ(p.EXIF_GPSLatitudeDegrees, 45);
  EXPECT_DOUBLE_EQ(p.EXIF_GPSLatitudeMinutes, 30);
  EXPECT_DOUBLE_EQ(p.EXIF_GPSLatitudeSeconds, 12.25);
  EXPECT_EQ(p.EXIF_GPSLongitudeRef, "E");
  EXPECT_DOUBLE_EQ(p.EXIF_GPSLongitudeDegrees, 9);
  EXPECT_EQ(p.EXIF_GPSAltitudeRef, "1");
  EXPECT_DOUBLE_EQ(p.EXIF_GPSAltitude, 120.5);
  EXPECT_DOUBLE_EQ(p.EXIF_GPSTimeStampHour, 13);
  EXPECT_EQ(p.EXIF_GPSDestLatitudeRef, "S");
  EXPECT_EQ(p.EXIF_GPSDestLongitudeRef, "W");
  EXPECT_EQ(p.EXIF_GPSMapDatum, "WGS-84");
  EXPECT_EQ(p.EXIF_GPSDateStamp, "2026:12:10");
  EXPECT_EQ(p.EXIF_MakerNote->TagCount(), 1);
  EXPECT_TRUE(p.EXIF_HasEXIFData);
}

TEST(Exif, BlockRoundTripKeepsEveryKindOfField) {
  TIOParamsVals s;
  FillExif(s);
  std::vector<uint8_t> b;
  IESaveEXIFToStandardBuffer(&s, b, true);
  ASSERT_TRUE(IEIsEXIFMarker(b.data(), int(b.size())));
  TIOParamsVals d;
  ASSERT_TRUE(IELoadEXIFFromStandardBuffer(b.data(), int(b.size()), &d));
  ExpectExif(d);
  ASSERT_NE(d.EXIF_Bitmap, nullptr);
  EXPECT_TRUE(d.EXIF_Bitmap->IsEmpty());  // no thumbnail directory
}

TEST(Exif, RoundTripThroughAJpegSaveAndLoadWithIPTC) {
  TFakeCodecs codecs;
  IEInitFileFormats();
  TTempDir dir;
  TImageryIO out(nullptr);
  MakePattern(out.IEBitmap(), 20, 10);
  FillExif(*out.Params);
  MakePattern(out.Params->EnsureEXIFBitmap(), 16, 12, 9);
  out.Params->IPTC_Info->AddBufferItem(2, 120, 7, "caption");
  out.Params->XMP_Info = "<x:xmpmeta/>";
  out.SaveToFile(dir / "a.JPG");
  ASSERT_FALSE(out.Aborting.load());

  TImageryIO in(nullptr);
  in.LoadFromFile(dir / "a.JPG");  // extension case does not matter
  ASSERT_FALSE(in.Aborting.load());
  EXPECT_EQ(in.Params->FileType, ioJPEG);
  EXPECT_EQ(in.IEBitmap()->Width(), 20);
  ExpectExif(*in.Params);
  ASSERT_NE(in.Params->EXIF_Bitmap, nullptr);
  // the thumbnail is kept as stored (orientation 6 is for the viewer to apply), so a second save
  // and load gives the same thumbnail again instead of turning it a further quarter
  EXPECT_EQ(in.Params->EXIF_Bitmap->Width(), 16);
  EXPECT_EQ(in.Params->EXIF_Bitmap->Height(), 12);
  in.SaveToFile(dir / "b.jpg");
  TImageryIO again(nullptr);
  again.LoadFromFile(dir / "b.jpg");
  ASSERT_NE(again.Params->EXIF_Bitmap, nullptr);
  EXPECT_EQ(again.Params->EXIF_Bitmap->Width(), 16);
  EXPECT_EQ(std::memcmp(again.Params->EXIF_Bitmap->Scanline(5), out.Params->EXIF_Bitmap->Scanline(5), 48), 0);
  EXPECT_EQ(again.Params->EXIF_Orientation, 6);
  int i = in.Params->IPTC_Info->IndexOf(2, 120);
  ASSERT_GE(i, 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(in.Params->IPTC_Info->GetItemData(i)), 7), "caption");
  EXPECT_GE(in.Params->JPEG_MarkerList->IndexOf(0xE1), 0);
  EXPECT_EQ(in.Params->XMP_Info, "<x:xmpmeta/>");
  IEFreeFileFormats();
}

TEST(Exif, ThumbnailsLargerThan400PixelsAreNotLoaded) {
  TFakeCodecs codecs;
  for (auto [w, h, loaded] : {std::tuple{160, 120, true}, std::tuple{640, 480, false}}) {
    TIOParamsVals s;
    s.EXIF_Make = "m";
    MakePattern(s.EnsureEXIFBitmap(), w, h);
    std::vector<uint8_t> b;
    IESaveEXIFToStandardBuffer(&s, b, true);
    TIOParamsVals d;
    ASSERT_TRUE(IELoadEXIFFromStandardBuffer(b.data(), int(b.size()), &d));
    EXPECT_EQ(d.EXIF_Make, "m");
    EXPECT_EQ(!d.EXIF_Bitmap->IsEmpty(), loaded) << w;
  }
}

TEST(Exif, ABlockTooLargeForAMarkerIsRefusedOnSave) {
  TFakeCodecs codecs;
  IEInitFileFormats();
  TTempDir dir;
  TImageryIO io(nullptr);
  MakePattern(io.IEBitmap(), 4, 4);
  io.Params->EXIF_HasEXIFData = true;
  io.Params->EXIF_UserComment = std::string(70000, 'c');
  EXPECT_THROW(io.SaveToFile(dir / "big.jpg"), EIEException);
  io.Params->EXIF_HasEXIFData = false;
  io.Params->XMP_Info = std::string(70000, 'x');
  EXPECT_THROW(io.SaveToFile(dir / "big.jpg"), EIEException);
  IEFreeFileFormats();
}

// A little-endian TIFF block: header, then the given IFD0 bytes at offset 8.
static std::vector<uint8_t> Tiff(std::vector<uint8_t> Rest) {
  std::vector<uint8_t> b = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
  b.insert(b.end(), Rest.begin(), Rest.end());
  return b;
}

TEST(Exif, DamagedBlocksLoadWhatLiesInsideThem) {
  struct Case {
    const char* Name;
    std::vector<uint8_t> Bytes;
    bool Loads;
  } cases[] = {
      {"not exif", {'E', 'x', 'i', 'x', 0, 0}, false},
      {"header only", {'E', 'x', 'i', 'f', 0, 0}, false},
      {"bad byte order", {'E', 'x', 'i', 'f', 0, 0, 'I', 'M', 42, 0, 8, 0, 0, 0}, false},
      {"first directory past the end", {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 0xFF, 0xFF, 0, 0}, false},
      // count says 200 entries, one is present; the make points far outside
      {"huge count, value offset outside",
       Tiff({200, 0, 0x0F, 0x01, 2, 0, 0xFF, 0xFF, 0, 0, 0x00, 0x00, 0x01, 0x00}), true},
      // EXIF pointer to IFD0 itself and next-directory pointer to itself: loops end
      {"directory loops",
       Tiff({1, 0, 0x69, 0x87, 4, 0, 1, 0, 0, 0, 8, 0, 0, 0, 8, 0, 0, 0}), true},
      {"entry cut short", Tiff({1, 0, 0x0F, 0x01, 2}), true},
  };
  for (auto& c : cases) {
    TIOParamsVals p;
    EXPECT_EQ(IELoadEXIFFromStandardBuffer(c.Bytes.data(), int(c.Bytes.size()), &p), c.Loads) << c.Name;
    EXPECT_EQ(p.EXIF_Make, "") << c.Name;
  }
}

TEST(Exif, RawTiffHeaderSearch) {
  std::vector<uint8_t> zeros(1000, 0);
  TIEMemStream z(zeros.data(), int64_t(zeros.size()));
  EXPECT_EQ(IEFindRawTIFFHeader(&z), -1);
  std::vector<uint8_t> t = {'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0, 0, 0};
  TIEMemStream ts(t.data(), int64_t(t.size()));
  EXPECT_EQ(IEFindRawTIFFHeader(&ts), 0);
  std::vector<uint8_t> shifted(50, 0);
  const uint8_t mm[] = {'M', 'M', 0, 42, 0, 0, 0, 8};
  shifted.insert(shifted.end(), mm, mm + 8);
  shifted.resize(100, 0);
  TIEMemStream ss(shifted.data(), int64_t(shifted.size()));
  ss.SetPosition(10);
  EXPECT_EQ(IEFindRawTIFFHeader(&ss), 40);
  EXPECT_EQ(ss.Position(), 10);
}

TEST(Exif, CopyFollowsTheDescriptionAndReferences) {
  TIOParamsVals s, d;
  s.TIFF_ImageDescription = "from tiff";
  s.EXIF_GPSDestLatitudeRef = "N";
  s.EXIF_GPSDestLongitudeRef = "E";
  s.SetEXIF_Orientation(8);
  IECopyEXIF(&s, &d);
  EXPECT_EQ(d.EXIF_ImageDescription, "from tiff");
  EXPECT_EQ(d.EXIF_GPSDestLatitudeRef, "N");
  EXPECT_EQ(d.EXIF_GPSDestLongitudeRef, "E");
  EXPECT_EQ(d.TIFF_Orientation, 8);
}
