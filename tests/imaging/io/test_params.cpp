// The image parameter set: defaults, the paired setters, reset rules and copying.
#include <gtest/gtest.h>

#include "imaging/core/iebitmap.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/iemarkers.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/strings.h"

TEST(IOParams, DefaultsOfAFreeStandingSet) {
  TIOParamsVals p;
  struct Case {
    const char* Name;
    double Got, Want;
  } cases[] = {
      {"BitsPerSample", double(p.BitsPerSample), 8},
      {"SamplesPerPixel", double(p.SamplesPerPixel), 3},
      {"TIFF_SubIndex", double(p.TIFF_SubIndex), -1},
      {"TIFF_PhotometInterpret", double(p.TIFF_PhotometInterpret), 2},
      {"TIFF_GetTile", double(p.TIFF_GetTile), -1},
      {"TIFF_PageNumber", double(p.TIFF_PageNumber), -1},
      {"TIFF_Orientation", double(p.TIFF_Orientation), 1},
      {"EXIF_Orientation", double(p.EXIF_Orientation), 0},
      {"TIFF_JPEGQuality", double(p.TIFF_JPEGQuality), 80},
      {"TIFF_ByteOrder", double(p.TIFF_ByteOrder), 1},
      {"GIF_Action", double(p.GIF_Action), 2},
      {"JPEG_Quality", double(p.JPEG_Quality), 80},
      {"JPEG_ColorSpace", double(p.JPEG_ColorSpace), 2},
      {"JPEG_Scale", double(p.JPEG_Scale), 1},
      {"JPEG_ChromaSubsampling", double(p.JPEG_ChromaSubsampling), 1},
      {"J2000_Rate", p.J2000_Rate, 1.0},
      {"PCX_Version", double(p.PCX_Version), 5},
      {"PNG_Compression", double(p.PNG_Compression), 5},
      {"TGA_Compressed", double(p.TGA_Compressed), 1},
      {"TGA_Gamma", p.TGA_Gamma, 2.2},
      {"PS_PaperHeight", double(p.PS_PaperHeight), 842},
      {"PDF_Compression", double(p.PDF_Compression), 2},
      {"RAW_Gamma", p.RAW_Gamma, 0.6},
      {"RAW_QuickInterpolate", double(p.RAW_QuickInterpolate), 1},
      {"BMPRAW_RowAlign", double(p.BMPRAW_RowAlign), 8},
      {"PSD_ReplaceLayers", double(p.PSD_ReplaceLayers), 1},
      {"HDP_ImageQuality", p.HDP_ImageQuality, 0.9},
      {"EXIF_Rating", double(p.EXIF_Rating), -1},
      {"EXIF_DigitalZoomRatio", p.EXIF_DigitalZoomRatio, -1.0},
      {"ICO_Sizes[0]", double(p.ICO_Sizes[0].Width), 64},
      {"ICO_Sizes[1]", double(p.ICO_Sizes[1].Width), 0},
      {"ICO_BitCount[0]", double(p.ICO_BitCount[0]), 8},
      {"DpiX", double(p.DpiX), 0},
  };
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(c.Got, c.Want) << c.Name;
  EXPECT_EQ(p.GIF_Version, "GIF89a");
  EXPECT_EQ(p.PS_Title, "No Title");
  EXPECT_EQ(p.ICO_Background, (TIERGBPixel{255, 255, 255}));
  EXPECT_GT(p.TGA_Date, 40000.0);  // today
}

TEST(IOParams, FreeStandingSetKeepsSizeAndDpiThroughReset) {
  TIOParamsVals p;
  p.Width = 640;
  p.SetDpiX(72);
  p.CUR_XHotSpot = 5;
  p.CUR_YHotSpot = 6;
  p.JPEG_Quality = 12;
  p.SetDefaultParams();
  EXPECT_EQ(p.Width, 640);
  EXPECT_EQ(p.DpiX, 72);
  EXPECT_EQ(p.CUR_XHotSpot, 0);
  EXPECT_EQ(p.CUR_YHotSpot, 0);
  EXPECT_EQ(p.JPEG_Quality, 80);
}

TEST(IOParams, OwnedSetTakesOwnerSizeAndLibraryDpi) {
  TImageryIO io(nullptr);
  io.IEBitmap()->Allocate(33, 22, ie24RGB);
  io.Params->SetDpiX(10);
  io.Params->SetDefaultParams();
  EXPECT_EQ(io.Params->Width, 33);
  EXPECT_EQ(io.Params->Height, 22);
  EXPECT_EQ(io.Params->DpiX, IEDefaultDpiX);
  EXPECT_EQ(io.Params->DpiY, IEDefaultDpiY);
}

TEST(IOParams, PairedSettersKeepTheirFieldsTogether) {
  TIOParamsVals p;
  p.SetEXIF_XResolution(299.9);
  EXPECT_EQ(p.DpiX, 299);
  EXPECT_DOUBLE_EQ(p.EXIF_XResolution, 299.9);
  p.SetDpiY(150);
  EXPECT_DOUBLE_EQ(p.EXIF_YResolution, 150.0);
  p.SetEXIF_Orientation(6);
  EXPECT_EQ(p.TIFF_Orientation, 6);
  p.SetImageIndex(4);
  for (int v : {p.ImageIndex, p.TIFF_ImageIndex, p.DCX_ImageIndex, p.GIF_ImageIndex, p.ICO_ImageIndex, p.CUR_ImageIndex})
    EXPECT_EQ(v, 4);
  p.SetImageCount(7);
  for (int v : {p.ImageCount, p.TIFF_ImageCount, p.AVI_FrameCount, p.GIF_ImageCount, p.MEDIAFILE_FrameCount})
    EXPECT_EQ(v, 7);
  p.SetGetExifThumbnail(true);
  EXPECT_TRUE(p.GetThumbnail && p.JPEG_GetExifThumbnail);
}

TEST(IOParams, ResetEXIFClearsTheExifSideAndTheFirstExifMarkerOnly) {
  TIOParamsVals p;
  p.SetEXIF_Orientation(3);
  p.EXIF_Make = "Maker";
  p.EXIF_Contrast = 2;
  p.EXIF_HasEXIFData = true;
  const char exif[] = "Exif\0\0abc";
  p.JPEG_MarkerList->AddMarker(0xE1, exif, 9);
  p.JPEG_MarkerList->AddMarker(0xE1, exif, 8);
  p.ResetEXIF();
  EXPECT_EQ(p.EXIF_Orientation, 0);
  EXPECT_EQ(p.TIFF_Orientation, 3);
  EXPECT_EQ(p.EXIF_Make, "");
  EXPECT_EQ(p.EXIF_Contrast, -1);
  EXPECT_FALSE(p.EXIF_HasEXIFData);
  ASSERT_EQ(p.JPEG_MarkerList->GetCount(), 1);
  EXPECT_EQ(p.JPEG_MarkerList->GetMarkerLength(0), 8);
  p.SetDefaultParams();
  EXPECT_EQ(p.TIFF_Orientation, 1);
  EXPECT_EQ(p.EXIF_Orientation, 0);  // the EXIF reset runs after the orientation setter
}

TEST(IOParams, AssignCopiesEachImageIndexOfTheSource) {
  TIOParamsVals s, d;
  s.GIF_ImageIndex = 3;
  s.TIFF_ImageIndex = 2;
  s.ICO_ImageIndex = 1;
  s.CUR_ImageIndex = 0;
  d.SetImageIndex(9);
  d.Assign(&s);
  EXPECT_EQ(d.GIF_ImageIndex, 3);
  EXPECT_EQ(d.TIFF_ImageIndex, 2);
  EXPECT_EQ(d.ICO_ImageIndex, 1);
  EXPECT_EQ(d.CUR_ImageIndex, 0);
  EXPECT_EQ(d.ImageIndex, 0);
}

TEST(IOParams, AssignCopiesValuesListsPaletteAndOptionalObjects) {
  TIOParamsVals s, d;
  s.FileName = "a.jpg";
  s.JPEG_Quality = 33;
  s.TIFF_PageName = "page";
  s.EXIF_GPSDestLatitudeRef = "N";
  s.EXIF_GPSDestLongitudeRef = "W";
  s.SetEXIF_WhitePoint(1, 0.5);
  s.GIF_Comments->Add("hello");
  s.IPTC_Info->AddBufferItem(2, 120, 3, "abc");
  const TIERGBPixel pal[2] = {{1, 2, 3}, {4, 5, 6}};
  s.SetColorMap(pal, 2);
  s.GetInputICCProfile()->LoadFromBuffer("xyz", 3);
  s.JPEG_WarningTot = 5;
  // the target has a thumbnail and annotations the source lacks
  d.EnsureEXIFBitmap()->Allocate(4, 4, ie24RGB);
  d.GetImagingAnnot();
  d.GetDefaultICCProfile();
  d.Assign(&s);
  EXPECT_EQ(d.FileName, "a.jpg");
  EXPECT_EQ(d.JPEG_Quality, 33);
  EXPECT_EQ(d.TIFF_PageName, "page");
  EXPECT_EQ(d.EXIF_GPSDestLatitudeRef, "N");
  EXPECT_EQ(d.EXIF_GPSDestLongitudeRef, "W");
  EXPECT_DOUBLE_EQ(d.GetEXIF_WhitePoint(1), 0.5);
  EXPECT_EQ(d.GIF_Comments->Count(), 1);
  EXPECT_EQ(d.IPTC_Info->GetCount(), 1);
  ASSERT_EQ(d.ColorMapCount, 2);
  EXPECT_NE(d.ColorMap, s.ColorMap);
  EXPECT_EQ(d.ColorMap[1], pal[1]);
  ASSERT_NE(d.InputICCProfileOrNil(), nullptr);
  EXPECT_EQ(d.InputICCProfileOrNil()->Raw.size(), 3u);
  EXPECT_EQ(d.ImagingAnnotOrNil(), nullptr);
  EXPECT_EQ(d.DefaultICCProfileOrNil(), nullptr);
  ASSERT_NE(d.EXIF_Bitmap, nullptr);  // kept: the source has none
  EXPECT_EQ(d.EXIF_Bitmap->Width(), 4);
  EXPECT_EQ(d.JPEG_WarningTot, 0);  // not copied
}

TEST(IOParams, AssignCompressionInfoCopiesOnlyWriterSettings) {
  TIOParamsVals s, d;
  s.JPEG_Quality = 40;
  s.PNG_Filter = 2;
  s.TIFF_Compression = 5;
  s.FileName = "x";
  s.EXIF_Make = "m";
  d.AssignCompressionInfo(&s);
  EXPECT_EQ(d.JPEG_Quality, 40);
  EXPECT_EQ(d.PNG_Filter, 2);
  EXPECT_EQ(d.TIFF_Compression, 5);
  EXPECT_EQ(d.FileName, "");
  EXPECT_EQ(d.EXIF_Make, "");
}

TEST(IOParams, ResetInfoClearsWhatAReadFills) {
  TIOParamsVals p;
  p.IPTC_Info->AddBufferItem(2, 5, 1, "a");
  p.PNG_TextKeys->Add("k");
  p.XMP_Info = "<x/>";
  p.TGA_Author = "me";
  p.GetInputICCProfile();
  p.JPEG_Quality = 10;
  p.ResetInfo();
  EXPECT_EQ(p.IPTC_Info->GetCount(), 0);
  EXPECT_EQ(p.PNG_TextKeys->Count(), 0);
  EXPECT_EQ(p.XMP_Info, "");
  EXPECT_EQ(p.TGA_Author, "");
  EXPECT_EQ(p.InputICCProfileOrNil(), nullptr);
  EXPECT_EQ(p.JPEG_Quality, 10);  // a save setting stays
}

TEST(IOParams, OutputProfileIsCreatedOnceHoldingSRGB) {
  TIOParamsVals p;
  TIEICC* a = p.GetOutputICCProfile();
  EXPECT_EQ(p.GetOutputICCProfile(), a);
  EXPECT_TRUE(a->IsValid());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(a->Raw.data()) + 36, 4), "acsp");
}

namespace {
void GifDecomp(TStream*, int, int, uint8_t*, bool) {}
void GifComp(TStream*, int, int, int, const uint8_t*, bool) {}
uint8_t* TiffDecomp(const uint8_t*, int, void*&, int) { return nullptr; }
void TiffComp(const uint8_t*, int, TStream*, void*&) {}
}  // namespace

// Every new or reset parameter set takes the process-wide LZW hooks as they are at that moment.
TEST(IOParams, DefaultsCopyTheFourLZWHooks) {
  const auto gd = IEGifLzwDecompressHook;
  const auto gc = IEGifLzwCompressHook;
  const auto td = IETiffLzwDecompressHook;
  const auto tc = IETiffLzwCompressHook;
  IEGifLzwDecompressHook = nullptr;
  IEGifLzwCompressHook = nullptr;
  IETiffLzwDecompressHook = nullptr;
  IETiffLzwCompressHook = nullptr;
  TIOParamsVals before;
  EXPECT_EQ(before.GIF_LZWDecompFunc, nullptr);
  EXPECT_EQ(before.TIFF_LZWCompFunc, nullptr);
  IEGifLzwDecompressHook = &GifDecomp;
  IEGifLzwCompressHook = &GifComp;
  IETiffLzwDecompressHook = &TiffDecomp;
  IETiffLzwCompressHook = &TiffComp;
  TIOParamsVals p;
  EXPECT_EQ(p.GIF_LZWDecompFunc, &GifDecomp);
  EXPECT_EQ(p.GIF_LZWCompFunc, &GifComp);
  EXPECT_EQ(p.TIFF_LZWDecompFunc, &TiffDecomp);
  EXPECT_EQ(p.TIFF_LZWCompFunc, &TiffComp);
  before.SetDefaultParams();
  EXPECT_EQ(before.GIF_LZWDecompFunc, &GifDecomp);
  EXPECT_EQ(before.GIF_LZWCompFunc, &GifComp);
  EXPECT_EQ(before.TIFF_LZWDecompFunc, &TiffDecomp);
  EXPECT_EQ(before.TIFF_LZWCompFunc, &TiffComp);
  IEGifLzwDecompressHook = gd;
  IEGifLzwCompressHook = gc;
  IETiffLzwDecompressHook = td;
  IETiffLzwCompressHook = tc;
}
