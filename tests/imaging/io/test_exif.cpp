// EXIF and GPS metadata: blocks written and read back, through a JPEG save and load, the
// thumbnail size rule, RAW header search, and damaged blocks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
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

// Values a field cannot hold never become integers unchecked: the reader skips such entries
// (or clamps the resolution's DPI) and the writer clamps what it cannot represent.
TEST(Exif, ValuesOutOfRangeAreSkippedOrClamped) {
  // IFD0 with: X resolution 4000000000/1; orientation as a float of 1e10; an EXIF offset as a
  // double of 1e20; the GPS offset as a float NaN; then the values the offsets point at.
  std::vector<uint8_t> d = {4, 0};
  auto entry = [&](uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    d.insert(d.end(), {uint8_t(tag), uint8_t(tag >> 8), uint8_t(type), uint8_t(type >> 8)});
    for (uint32_t v : {count, value})
      for (int i = 0; i < 4; ++i) d.push_back(uint8_t(v >> (8 * i)));
  };
  const uint32_t data = 8 + 2 + 4 * 12 + 4;  // value area after the directory
  entry(282, 5, 1, data);                    // rational at data
  entry(274, 11, 1, 0x501502F9);             // float 1e10
  entry(34665, 12, 1, data + 8);             // double at data + 8
  entry(34853, 11, 1, 0x7FC00000);           // float NaN
  d.insert(d.end(), {0, 0, 0, 0});
  d.insert(d.end(), {0x00, 0x28, 0x6B, 0xEE, 1, 0, 0, 0});  // 4000000000 / 1
  double big = 1e20;
  uint8_t raw[8];
  std::memcpy(raw, &big, 8);
  d.insert(d.end(), raw, raw + 8);
  TIOParamsVals p;
  ASSERT_TRUE(IELoadEXIFFromStandardBuffer(Tiff(d).data(), int(Tiff(d).size()), &p));
  EXPECT_DOUBLE_EQ(p.EXIF_XResolution, 4e9);
  EXPECT_EQ(p.DpiX, 2147483647);  // clamped to the field's range
  EXPECT_EQ(p.EXIF_Orientation, 0);  // refused, not wrapped
  // Written values beyond a rational's range are clamped; NaN becomes 0.
  TIOParamsVals s;
  s.SetEXIF_XResolution(1e12);
  s.EXIF_ShutterSpeedValue = -1e12;
  s.EXIF_FNumber = std::nan("");
  s.EXIF_ExposureTime = 5e9;
  std::vector<uint8_t> b;
  IESaveEXIFToStandardBuffer(&s, b, true);
  TIOParamsVals r;
  ASSERT_TRUE(IELoadEXIFFromStandardBuffer(b.data(), int(b.size()), &r));
  EXPECT_DOUBLE_EQ(r.EXIF_XResolution, 4294967295.0);
  EXPECT_DOUBLE_EQ(r.EXIF_ShutterSpeedValue, -2147483647.0);
  EXPECT_DOUBLE_EQ(r.EXIF_ExposureTime, 4294967295.0);
  EXPECT_DOUBLE_EQ(r.EXIF_FNumber, 0);
  EXPECT_EQ(r.DpiX, 2147483647);
}

namespace {

// A little-endian TIFF structure of directories whose entries are (tag, type, value); each
// directory may point at a picture (tags 513 and 514) appended after the directories.
struct TTiffDir {
  std::vector<std::tuple<uint16_t, uint16_t, uint32_t>> Entries;
  std::vector<uint8_t> Picture;
};
std::vector<uint8_t> TiffStructure(const std::vector<TTiffDir>& dirs) {
  auto put16 = [](std::vector<uint8_t>& v, uint32_t x) { v.insert(v.end(), {uint8_t(x), uint8_t(x >> 8)}); };
  auto put32 = [](std::vector<uint8_t>& v, uint32_t x) {
    for (int i = 0; i < 4; ++i) v.push_back(uint8_t(x >> (8 * i)));
  };
  std::vector<uint32_t> dirOff;
  uint32_t at = 8;
  for (auto& d : dirs) {
    dirOff.push_back(at);
    at += 2 + 12 * uint32_t(d.Entries.size() + (d.Picture.empty() ? 0 : 2)) + 4;
  }
  std::vector<uint8_t> v = {'I', 'I', 42, 0};
  put32(v, 8);
  uint32_t pic = at;
  for (size_t i = 0; i < dirs.size(); ++i) {
    auto es = dirs[i].Entries;
    if (!dirs[i].Picture.empty()) {
      es.emplace_back(513, 4, pic);
      es.emplace_back(514, 4, uint32_t(dirs[i].Picture.size()));
      pic += uint32_t(dirs[i].Picture.size());
    }
    put16(v, uint32_t(es.size()));
    for (auto [tag, type, value] : es) {
      put16(v, tag);
      put16(v, type);
      put32(v, 1);
      put32(v, value);
    }
    put32(v, i + 1 < dirs.size() ? dirOff[i + 1] : 0);
  }
  for (auto& d : dirs) v.insert(v.end(), d.Picture.begin(), d.Picture.end());
  return v;
}

std::vector<uint8_t> FakeJpegOf(int w, int h, bool zero = false) {
  TIEBitmap b;
  MakePattern(&b, w, h);
  if (zero)
    for (int y = 0; y < h; ++y) std::memset(b.Scanline(y), 0, b.RowLen());
  TMemoryStream ms;
  TIOParamsVals p;
  TIEProgressRec rec;
  FakeJpegWrite(&ms, &b, p, rec);
  const auto* m = static_cast<const uint8_t*>(ms.Memory());
  return std::vector<uint8_t>(m, m + ms.Size());
}

}  // namespace

// The thumbnail of a RAW file's TIFF structure: directory 0's picture and directory 1's are both
// decoded; the narrower one is kept unless its bytes are all zero (then the wider one only when
// the narrower is missing altogether).
TEST(Exif, RawExifChoosesBetweenTheTwoDirectoriesPictures) {
  TFakeCodecs codecs;
  struct Case { const char* name; std::vector<uint8_t> a, b; int want; } cases[] = {
      {"directory 0 narrower", FakeJpegOf(4, 3), FakeJpegOf(8, 6), 4},
      {"directory 1 narrower", FakeJpegOf(8, 6), FakeJpegOf(4, 3), 4},
      {"directory 0 narrower but all zero", FakeJpegOf(4, 3, true), FakeJpegOf(8, 6), 0},
      {"directory 1 narrower but all zero", FakeJpegOf(4, 3), FakeJpegOf(3, 3, true), 0},
      {"only directory 0", FakeJpegOf(5, 3), {}, 5},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto t = TiffStructure({TTiffDir{{{271, 2, 'm'}}, c.a}, TTiffDir{{}, c.b}});
    TIEMemStream ms(t.data(), int64_t(t.size()));
    TIOParamsVals p;
    ASSERT_TRUE(IELoadRawEXIF(&ms, &p));
    EXPECT_EQ(p.EXIF_Make, "m");
    ASSERT_NE(p.EXIF_Bitmap, nullptr);
    EXPECT_EQ(p.EXIF_Bitmap->Width(), c.want);
    EXPECT_EQ(ms.Position(), 0);
  }
}

// Reading the EXIF of a TIFF stream also fills the image-level parameters of its first directory.
TEST(Exif, ExifFromTiffFillsTheImageParameters) {
  auto t = TiffStructure({TTiffDir{{{256, 3, 640}, {257, 4, 480}, {258, 3, 8}, {277, 3, 3}, {262, 3, 2}, {271, 2, 'k'}}, {}}});
  TIEMemStream ms(t.data(), int64_t(t.size()));
  TIOParamsVals p;
  ASSERT_TRUE(IELoadEXIFFromTIFF(&ms, &p));
  EXPECT_EQ(p.Width, 640);
  EXPECT_EQ(p.Height, 480);
  EXPECT_EQ(p.OriginalWidth, 640);
  EXPECT_EQ(p.BitsPerSample, 8);
  EXPECT_EQ(p.SamplesPerPixel, 3);
  EXPECT_EQ(p.EXIF_Make, "k");
}

namespace {

// An EXIF structure written by another tool (big-endian, its directories in its own order):
// Make "Acme", Model "Cam 7", Orientation 6, X/Y resolution 300 inches, exposure 1/250, F 2.8,
// ISO 400, EXIF version "0232", DateTimeOriginal, focal length 50, colour space 65535, GPS
// version 2.2.0.0, latitude N 45 30 0, altitude 120.5.
const uint8_t OtherToolExif[] = {
  0x4d, 0x4d, 0x00, 0x2a, 0x00, 0x00, 0x00, 0x10, 0x45, 0x78, 0x69, 0x66,
  0x4d, 0x65, 0x74, 0x61, 0x00, 0x09, 0x01, 0x0f, 0x00, 0x02, 0x00, 0x00,
  0x00, 0x05, 0x00, 0x00, 0x00, 0x82, 0x01, 0x10, 0x00, 0x02, 0x00, 0x00,
  0x00, 0x06, 0x00, 0x00, 0x00, 0x88, 0x01, 0x12, 0x00, 0x03, 0x00, 0x00,
  0x00, 0x01, 0x00, 0x06, 0x00, 0x00, 0x01, 0x1a, 0x00, 0x05, 0x00, 0x00,
  0x00, 0x01, 0x00, 0x00, 0x00, 0x8e, 0x01, 0x1b, 0x00, 0x05, 0x00, 0x00,
  0x00, 0x01, 0x00, 0x00, 0x00, 0x96, 0x01, 0x28, 0x00, 0x03, 0x00, 0x00,
  0x00, 0x01, 0x00, 0x02, 0x00, 0x00, 0x02, 0x13, 0x00, 0x03, 0x00, 0x00,
  0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x87, 0x69, 0x00, 0x04, 0x00, 0x00,
  0x00, 0x01, 0x00, 0x00, 0x00, 0x9e, 0x88, 0x25, 0x00, 0x04, 0x00, 0x00,
  0x00, 0x01, 0x00, 0x00, 0x01, 0x3c, 0x00, 0x00, 0x00, 0x00, 0x41, 0x63,
  0x6d, 0x65, 0x00, 0x00, 0x43, 0x61, 0x6d, 0x20, 0x37, 0x00, 0x00, 0x00,
  0x01, 0x2c, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0x2c, 0x00, 0x00,
  0x00, 0x01, 0x00, 0x09, 0x82, 0x9a, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01,
  0x00, 0x00, 0x01, 0x10, 0x82, 0x9d, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01,
  0x00, 0x00, 0x01, 0x18, 0x88, 0x27, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01,
  0x01, 0x90, 0x00, 0x00, 0x90, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x04,
  0x30, 0x32, 0x33, 0x32, 0x90, 0x03, 0x00, 0x02, 0x00, 0x00, 0x00, 0x14,
  0x00, 0x00, 0x01, 0x20, 0x91, 0x01, 0x00, 0x07, 0x00, 0x00, 0x00, 0x04,
  0x01, 0x02, 0x03, 0x00, 0x92, 0x0a, 0x00, 0x05, 0x00, 0x00, 0x00, 0x01,
  0x00, 0x00, 0x01, 0x34, 0xa0, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x04,
  0x30, 0x31, 0x30, 0x30, 0xa0, 0x01, 0x00, 0x03, 0x00, 0x00, 0x00, 0x01,
  0xff, 0xff, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01,
  0x00, 0x00, 0x00, 0xfa, 0x00, 0x00, 0x00, 0x0e, 0x00, 0x00, 0x00, 0x05,
  0x32, 0x30, 0x32, 0x36, 0x3a, 0x31, 0x32, 0x3a, 0x31, 0x30, 0x20, 0x31,
  0x30, 0x3a, 0x30, 0x30, 0x3a, 0x30, 0x30, 0x00, 0x00, 0x00, 0x00, 0x32,
  0x00, 0x00, 0x00, 0x01, 0x00, 0x04, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
  0x00, 0x04, 0x02, 0x02, 0x00, 0x00, 0x00, 0x01, 0x00, 0x02, 0x00, 0x00,
  0x00, 0x02, 0x4e, 0x00, 0x00, 0x00, 0x00, 0x02, 0x00, 0x05, 0x00, 0x00,
  0x00, 0x03, 0x00, 0x00, 0x01, 0x72, 0x00, 0x06, 0x00, 0x05, 0x00, 0x00,
  0x00, 0x01, 0x00, 0x00, 0x01, 0x8a, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
  0x00, 0x2d, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x1e, 0x00, 0x00,
  0x00, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00,
  0x00, 0xf1, 0x00, 0x00, 0x00, 0x02
};

// Every (directory, tag) of a TIFF structure with its values as numbers or text, walked
// independently of the library's reader: 0 IFD0, 1 EXIF, 2 GPS.
std::map<std::pair<int, int>, std::string> WalkTags(const uint8_t* d, size_t n) {
  std::map<std::pair<int, int>, std::string> out;
  const bool le = d[0] == 'I';
  auto u16 = [&](size_t p) { return p + 2 <= n ? (le ? d[p] | d[p + 1] << 8 : d[p] << 8 | d[p + 1]) : 0; };
  auto u32 = [&](size_t p) -> uint32_t {
    if (p + 4 > n) return 0;
    return le ? d[p] | d[p + 1] << 8 | d[p + 2] << 16 | uint32_t(d[p + 3]) << 24
              : uint32_t(d[p]) << 24 | d[p + 1] << 16 | d[p + 2] << 8 | d[p + 3];
  };
  std::vector<std::pair<int, uint32_t>> dirs = {{0, u32(4)}};
  for (size_t k = 0; k < dirs.size(); ++k) {
    auto [dir, off] = dirs[k];
    const int count = u16(off);
    for (int i = 0; i < count; ++i) {
      const size_t e = off + 2 + 12 * size_t(i);
      const int tag = u16(e), type = u16(e + 2);
      const uint32_t cnt = u32(e + 4);
      const int size = type == 3 ? 2 : (type == 4 || type == 9) ? 4 : (type == 5 || type == 10) ? 8 : 1;
      const size_t at = size * cnt > 4 ? u32(e + 8) : e + 8;
      std::string v;
      for (uint32_t j = 0; j < cnt && at + (j + 1) * size <= n; ++j) {
        const size_t p = at + j * size;
        if (type == 2) { if (d[p]) v += char(d[p]); continue; }
        double x = type == 3 ? u16(p) : type == 4 ? u32(p) : type == 9 ? int32_t(u32(p))
                 : type == 5 ? double(u32(p)) / u32(p + 4) : type == 10 ? double(int32_t(u32(p))) / int32_t(u32(p + 4)) : d[p];
        char buf[32];
        std::snprintf(buf, sizeof buf, "%s%.6g", j ? " " : "", x);
        v += (type == 7) ? std::string(1, char(d[p])) : std::string(buf);
      }
      if (dir == 0 && tag == 34665) dirs.emplace_back(1, u32(e + 8));
      else if (dir == 0 && tag == 34853) dirs.emplace_back(2, u32(e + 8));
      else out[{dir, tag}] = v;
    }
  }
  return out;
}

}  // namespace

// Our reader on another tool's bytes, and our writer's tags and values against that tool's: a
// wrong tag number or directory on both sides would pass a round trip, not this.
TEST(Exif, BlocksAgreeWithAnotherToolsBytes) {
  std::vector<uint8_t> app1 = {'E', 'x', 'i', 'f', 0, 0};
  app1.insert(app1.end(), OtherToolExif, OtherToolExif + sizeof OtherToolExif);
  TIOParamsVals p;
  ASSERT_TRUE(IELoadEXIFFromStandardBuffer(app1.data(), int(app1.size()), &p));
  EXPECT_EQ(p.EXIF_Make, "Acme");
  EXPECT_EQ(p.EXIF_Model, "Cam 7");
  EXPECT_EQ(p.EXIF_Orientation, 6);
  EXPECT_DOUBLE_EQ(p.EXIF_XResolution, 300);
  EXPECT_EQ(p.EXIF_ResolutionUnit, 2);
  EXPECT_DOUBLE_EQ(p.EXIF_ExposureTime, 0.004);
  EXPECT_DOUBLE_EQ(p.EXIF_FNumber, 2.8);
  EXPECT_EQ(p.EXIF_ISOSpeedRatings[0], 400);
  EXPECT_EQ(p.EXIF_ExifVersion, "0232");
  EXPECT_EQ(p.EXIF_DateTimeOriginal, "2026:12:10 10:00:00");
  EXPECT_DOUBLE_EQ(p.EXIF_FocalLength, 50);
  EXPECT_EQ(p.EXIF_ColorSpace, 65535);
  EXPECT_EQ(p.EXIF_GPSVersionID, "2.2.0.0");
  EXPECT_EQ(p.EXIF_GPSLatitudeRef, "N");
  EXPECT_DOUBLE_EQ(p.EXIF_GPSLatitudeDegrees, 45);
  EXPECT_DOUBLE_EQ(p.EXIF_GPSLatitudeMinutes, 30);
  EXPECT_DOUBLE_EQ(p.EXIF_GPSAltitude, 120.5);
  // Written back, every tag the other tool wrote for these fields sits in the same directory
  // with the same value.
  std::vector<uint8_t> ours;
  IESaveEXIFToStandardBuffer(&p, ours, false);
  auto want = WalkTags(OtherToolExif, sizeof OtherToolExif);
  auto got = WalkTags(ours.data(), ours.size());
  const std::pair<int, int> checked[] = {{0, 271}, {0, 272}, {0, 274}, {0, 282}, {0, 283}, {0, 296},
                                         {1, 33434}, {1, 33437}, {1, 34855}, {1, 36864}, {1, 36867},
                                         {1, 37386}, {1, 40961}, {2, 0}, {2, 1}, {2, 2}, {2, 6}};
  for (auto key : checked) {
    ASSERT_TRUE(want.count(key)) << key.first << "/" << key.second;
    EXPECT_EQ(got[key], want[key]) << key.first << "/" << key.second;
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

namespace {

// A maker note directory (little-endian, offsets counted from its start) with: a SHORT pair held
// in the entry, 10 bytes of text after the table, an entry with 2,000 bytes of data and an entry
// of an unknown type 14 (both dropped on writing).
std::vector<uint8_t> ExifMakerNoteSample() {
  std::vector<uint8_t> v;
  auto p16 = [&](uint16_t x) { v.push_back(uint8_t(x)); v.push_back(uint8_t(x >> 8)); };
  auto p32 = [&](uint32_t x) { for (int k = 0; k < 4; ++k) v.push_back(uint8_t(x >> (8 * k))); };
  const uint32_t dataAt = 2 + 4 * 12;
  p16(4);
  p16(0x0001); p16(3); p32(2); p16(0x1234); p16(0x5678);
  p16(0x0002); p16(2); p32(10); p32(dataAt);
  p16(0x0003); p16(7); p32(2000); p32(dataAt + 10);
  p16(0x0004); p16(14); p32(1); p32(9);
  const char text[10] = {'m', 'a', 'k', 'e', 'r', ' ', 'n', 'o', 't', 0};
  v.insert(v.end(), text, text + 10);
  v.resize(v.size() + 2000, 0xAB);
  return v;
}

}  // namespace

TEST(ExifMakerNote, WrittenAsASelfContainedDirectoryAndReadBack) {
  TIOParamsVals s;
  s.EXIF_Make = "Maker";
  const auto note = ExifMakerNoteSample();
  s.EXIF_MakerNote->Data()->WriteBuffer(note.data(), int64_t(note.size()));
  s.EXIF_MakerNote->Update();
  s.EXIF_HasEXIFData = true;
  std::vector<uint8_t> b;
  IESaveEXIFToStandardBuffer(&s, b, false);
  // The large and the unknown entries are not written.
  EXPECT_LT(b.size(), size_t(1000));
  TIOParamsVals d;
  ASSERT_TRUE(IELoadEXIFFromTIFFBlock(b.data(), int(b.size()), &d));
  TIETagsHandler* h = d.EXIF_MakerNote;
  ASSERT_EQ(h->TagCount(), 2);
  EXPECT_EQ(h->GetTagEntry(0).Tag, 1);
  EXPECT_EQ(h->GetTagEntry(0).Type, 3);
  EXPECT_EQ(h->GetTagEntry(0).ValueOrOffset, 0x56781234u);
  const TIETagEntry& t = h->GetTagEntry(1);
  EXPECT_EQ(t.Tag, 2);
  EXPECT_EQ(t.Count, 10u);
  // Read back, the note stands alone: the text lies after the two slots, at an offset in it.
  const auto* m = static_cast<const uint8_t*>(h->Data()->Memory());
  ASSERT_EQ(h->Data()->Size(), 2 + 2 * 12 + 10);
  EXPECT_EQ(m[0] | m[1] << 8, 2);
  ASSERT_EQ(t.ValueOrOffset, 2u + 2 * 12);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(m + t.ValueOrOffset)), "maker not");
  // A second round trip gives the same note.
  std::vector<uint8_t> b2;
  IESaveEXIFToStandardBuffer(&d, b2, false);
  TIOParamsVals d2;
  ASSERT_TRUE(IELoadEXIFFromTIFFBlock(b2.data(), int(b2.size()), &d2));
  ASSERT_EQ(d2.EXIF_MakerNote->Data()->Size(), h->Data()->Size());
  EXPECT_EQ(std::memcmp(d2.EXIF_MakerNote->Data()->Memory(), m, size_t(h->Data()->Size())), 0);
}

TEST(ExifMakerNote, AnEntryOfUnknownTypeDiscardsTheNoteOnReading) {
  TIOParamsVals s;
  s.EXIF_Make = "Maker";
  const auto note = ExifMakerNoteSample();
  s.EXIF_MakerNote->Data()->WriteBuffer(note.data(), int64_t(note.size()));
  s.EXIF_MakerNote->Update();
  s.EXIF_HasEXIFData = true;
  std::vector<uint8_t> b;
  IESaveEXIFToStandardBuffer(&s, b, false);
  // Find the written note (its count word 2 followed by the SHORT entry) and give its first
  // entry type 13.
  const uint8_t head[] = {2, 0, 1, 0, 3, 0, 2, 0, 0, 0};
  auto at = std::search(b.begin(), b.end(), head, head + sizeof head);
  ASSERT_NE(at, b.end());
  at[4] = 13;
  TIOParamsVals d;
  ASSERT_TRUE(IELoadEXIFFromTIFFBlock(b.data(), int(b.size()), &d));
  EXPECT_EQ(d.EXIF_Make, "Maker");
  EXPECT_EQ(d.EXIF_MakerNote->TagCount(), 0);
  EXPECT_EQ(d.EXIF_MakerNote->Data()->Size(), 0);
}
