// TIFF codec: pages made by libtiff's tools decode as libtiff decodes them; our pages read back
// in libtiff's tools with the same pixels; the numeric cases of strips, LZW and fax codes; and
// hostile files that must fail cleanly.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>
#include <string>

#include "codectest.h"
#include "imaging/codecs/tifccitt.h"
#include "imaging/codecs/tiffilt.h"
#include "imaging/codecs/tifinternal.h"
#include "imaging/codecs/tiflzw.h"
#include "imaging/core/iemask.h"
#include "imaging/io/iemetadata.h"

namespace {

// ---- files ----

std::string TifDir() {
  static const std::string d = CodecTestDir() + "/tiff";
  static bool made = std::system(("mkdir -p '" + d + "'").c_str()) == 0;
  (void)made;
  return d;
}

bool TifToolsPresent() {
  return HaveTool("tiffcp") && HaveTool("tiff2rgba") && HaveTool("tifftopnm") && HaveTool("convert") &&
         HaveTool("tiffinfo") && HaveTool("tiffdump");
}

// Reads page Page of a TIFF file with our reader.
void TifReadFile(const std::string& Name, TRead& R, bool Native = false, int Page = 0, bool IgnoreAlpha = false) {
  TMemoryStream s;
  Load(s, ReadFileBytes(Name));
  TTestProgress p;
  int pages = 0;
  R.Params.TIFF_ImageIndex = Page;
  R.Params.IsNativePixelFormat = Native;
  TiffReadImage(&R.Bitmap, &s, pages, false, IgnoreAlpha, false, R.Mask, false, p.Rec, R.Params);
  R.Aborted = p.Aborted();
}

// libtiff's own decode of a file as red, green, blue.
TRgbImage TifReference(const std::string& Name) {
  const std::string rgba = Name + ".rgba.tif", ppm = Name + ".ref.ppm";
  if (!RunTool("tiff2rgba -c none -n '" + Name + "' '" + rgba + "'")) return {};
  if (!RunTool("tifftopnm '" + rgba + "' > '" + ppm + "'")) return {};
  return ParseNetpbm(ReadFileBytes(ppm));
}

int MaxDiff(TIEBitmap& B, const TRgbImage& Ref) {
  int m = 0;
  for (int y = 0; y < Ref.Height; ++y)
    for (int x = 0; x < Ref.Width; ++x) {
      const TIERGBPixel p = B.GetPixelAsRGB(x, y), q = Ref.At(x, y);
      m = std::max({m, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
    }
  return m;
}

// A photo with a bilevel twin and a few-colour twin, written as PPM for the tools.
const std::string& TifSourcePpm() {
  static const std::string name = [] {
    TIEBitmap b;
    MakePhoto(b, 37, 23);
    const std::string n = TifDir() + "/src.ppm";
    WriteFileBytes(n, MakePpm(b));
    return n;
  }();
  return name;
}

// ---- hand-built TIFFs (little-endian), independent of the codec ----

struct TTifTestEntry {
  uint16_t Tag, Type;
  uint32_t Count;
  std::vector<uint8_t> Data;  // value bytes
};

std::vector<uint8_t> TifShorts(std::initializer_list<uint32_t> V) {
  std::vector<uint8_t> b;
  for (uint32_t x : V) Put16(b, x);
  return b;
}
std::vector<uint8_t> TifLongs(std::initializer_list<uint32_t> V) {
  std::vector<uint8_t> b;
  for (uint32_t x : V) Put32(b, x);
  return b;
}

// A file: header, Pixels at offset 8, the directory with its data after it. Entries whose data
// are "@pixels" placeholders are not needed: the caller gives offsets itself (8 = pixels).
std::vector<uint8_t> TifBuild(std::vector<TTifTestEntry> Es, const std::vector<uint8_t>& Pixels, uint32_t Next = 0) {
  std::vector<uint8_t> f = {'I', 'I', 42, 0, 0, 0, 0, 0};
  f.insert(f.end(), Pixels.begin(), Pixels.end());
  if (f.size() % 2) f.push_back(0);
  std::vector<uint8_t> extra;
  const uint32_t dir = uint32_t(f.size());
  const uint32_t dataAt = dir + 2 + uint32_t(Es.size()) * 12 + 4;
  Put16(f, uint32_t(Es.size()));
  for (auto& e : Es) {
    Put16(f, e.Tag);
    Put16(f, e.Type);
    Put32(f, e.Count);
    if (e.Data.size() <= 4) {
      std::vector<uint8_t> v = e.Data;
      v.resize(4, 0);
      f.insert(f.end(), v.begin(), v.end());
    } else {
      Put32(f, dataAt + uint32_t(extra.size()));
      extra.insert(extra.end(), e.Data.begin(), e.Data.end());
    }
  }
  Put32(f, Next);
  f.insert(f.end(), extra.begin(), extra.end());
  f[4] = uint8_t(dir), f[5] = uint8_t(dir >> 8), f[6] = uint8_t(dir >> 16), f[7] = uint8_t(dir >> 24);
  return f;
}

// An uncompressed 8-bit RGB page of W x H with the given pixels at offset 8.
std::vector<TTifTestEntry> TifRgbEntries(uint32_t W, uint32_t H, uint32_t Samples, uint32_t ByteCount) {
  return {{256, 4, 1, TifLongs({W})},   {257, 4, 1, TifLongs({H})},
          {258, 3, 1, TifShorts({8})},  {259, 3, 1, TifShorts({1})},
          {262, 3, 1, TifShorts({2})},  {273, 4, 1, TifLongs({8})},
          {277, 3, 1, TifShorts({Samples})}, {278, 4, 1, TifLongs({H})},
          {279, 4, 1, TifLongs({ByteCount})}};
}

void TifReadBytes(const std::vector<uint8_t>& File, TRead& R) {
  TMemoryStream s;
  Load(s, File);
  TTestProgress p;
  int pages = 0;
  TiffReadImage(&R.Bitmap, &s, pages, false, false, false, R.Mask, false, p.Rec, R.Params);
  R.Aborted = p.Aborted();
  R.Params.ImageCount = pages;
}

// ---------------------------------------------------------------- differential reading

struct TTifCase {
  const char* Name;
  const char* Make;     // convert options for the base file
  const char* Tiffcp;   // tiffcp options ("" = the base as convert wrote it)
  int Tolerance;        // largest channel difference allowed
  bool Cmyk;            // compare through the plain CMYK formula
};

const TTifCase kTifCases[] = {
    {"rgb8", "-depth 8", "", 0, false},
    {"rgb8_lzw", "-depth 8", "-c lzw", 0, false},
    {"rgb8_lzw_pred", "-depth 8", "-c lzw:2", 0, false},
    {"rgb8_zip_pred", "-depth 8", "-c zip:2", 0, false},
    {"rgb8_zip", "-depth 8", "-c zip", 0, false},
    {"rgb8_packbits", "-depth 8", "-c packbits", 0, false},
    {"rgb8_tiles_lzw", "-depth 8", "-t -w 16 -l 16 -c lzw", 0, false},
    {"rgb8_planar", "-depth 8", "-p separate", 0, false},
    {"rgb8_planar_lzw_pred", "-depth 8", "-p separate -c lzw:2", 0, false},
    {"rgb8_bigendian", "-depth 8", "-B -c lzw:2", 0, false},
    {"rgb8_strips", "-depth 8", "-r 5 -c packbits", 0, false},
    {"rgb8_jpeg", "-depth 8", "-c jpeg", 12, false},
    {"rgb16", "-depth 16", "", 0, false},
    {"rgb16_be_lzw_pred", "-depth 16", "-B -c lzw:2", 0, false},
    {"rgb16_zip_pred", "-depth 16", "-c zip:2", 0, false},
    {"grey8", "-colorspace Gray -depth 8", "", 0, false},
    {"grey8_tiles", "-colorspace Gray -depth 8", "-t -w 16 -l 16 -c zip", 0, false},
    {"grey4", "-colorspace Gray -depth 4", "", 0, false},
    {"grey2", "-colorspace Gray -depth 2", "-c packbits", 0, false},
    {"grey16_be_pred", "-colorspace Gray -depth 16", "-B -c zip:2", 0, false},
    {"palette8", "-colors 40 -type Palette", "-c lzw", 0, false},
    {"palette4", "-colors 12 -type Palette -depth 4", "", 0, false},
    {"bilevel", "-monochrome -depth 1", "", 0, false},
    {"bilevel_g3", "-monochrome -depth 1", "-c g3", 0, false},
    {"bilevel_g3_2d", "-monochrome -depth 1", "-c g3:2d", 0, false},
    {"bilevel_g3_fill", "-monochrome -depth 1", "-c g3:2d:fill", 0, false},
    {"bilevel_g4", "-monochrome -depth 1", "-c g4", 0, false},
    {"bilevel_g4_lsb", "-monochrome -depth 1", "-c g4 -f lsb2msb", 0, false},
    {"bilevel_g4_tiles", "-monochrome -depth 1", "-t -w 16 -l 16 -c g4", 0, false},
    {"bilevel_packbits", "-monochrome -depth 1", "-c packbits", 0, false},
    {"bilevel_lzw", "-monochrome -depth 1", "-c lzw", 0, false},
    {"cmyk", "-colorspace CMYK", "", 1, true},
    {"cmyk_lzw", "-colorspace CMYK", "-c lzw:2", 1, true},
    {"cmyk_planar", "-colorspace CMYK", "-p separate", 1, true},
};

class TiffDifferential : public ::testing::TestWithParam<TTifCase> {};

TEST_P(TiffDifferential, DecodesAsLibtiff) {
  if (!TifToolsPresent()) GTEST_SKIP() << "libtiff tools or convert not installed";
  const TTifCase& c = GetParam();
  const std::string base = TifDir() + "/" + c.Name + ".base.tif", file = TifDir() + "/" + c.Name + ".tif";
  ASSERT_TRUE(RunTool("convert '" + TifSourcePpm() + "' " + c.Make + " -compress none '" + base + "'"));
  if (*c.Tiffcp) ASSERT_TRUE(RunTool(std::string("tiffcp ") + c.Tiffcp + " '" + base + "' '" + file + "'"));
  else ASSERT_TRUE(RunTool("cp '" + base + "' '" + file + "'"));
  const TRgbImage ref = TifReference(file);
  ASSERT_EQ(ref.Width, 37);
  TRead r;
  TifReadFile(file, r, c.Cmyk);
  ASSERT_FALSE(r.Aborted);
  ASSERT_EQ(r.Bitmap.Width(), 37);
  ASSERT_EQ(r.Bitmap.Height(), 23);
  if (c.Cmyk) {
    ASSERT_EQ(r.Bitmap.PixelFormat(), ieCMYK);
    // libtiff's plain formula on the inverted bytes the bitmap holds (255 = no ink)
    int worst = 0;
    for (int y = 0; y < 23; ++y)
      for (int x = 0; x < 37; ++x) {
        const uint8_t* p = r.Bitmap.Scanline(y) + 4 * x;
        const int rr = p[0] * p[3] / 255, gg = p[1] * p[3] / 255, bb = p[2] * p[3] / 255;
        const TIERGBPixel q = ref.At(x, y);
        worst = std::max({worst, std::abs(rr - q.r), std::abs(gg - q.g), std::abs(bb - q.b)});
      }
    EXPECT_LE(worst, c.Tolerance);
  } else {
    EXPECT_LE(MaxDiff(r.Bitmap, ref), c.Tolerance);
  }
}

INSTANTIATE_TEST_SUITE_P(Files, TiffDifferential, ::testing::ValuesIn(kTifCases),
                         [](const ::testing::TestParamInfo<TTifCase>& i) { return std::string(i.param.Name); });

TEST(TiffReaderAlpha, UnassociatedAlphaGoesToTheMask) {
  if (!TifToolsPresent()) GTEST_SKIP() << "libtiff tools or convert not installed";
  // RGBA: a gradient alpha over the photo
  TIEBitmap b;
  MakePhoto(b, 37, 23);
  std::vector<uint8_t> px;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x) {
      const TIERGBPixel p = b.GetPixelRGB(x, y);
      px.insert(px.end(), {p.r, p.g, p.b, uint8_t(x * 7)});
    }
  auto es = TifRgbEntries(37, 23, 4, uint32_t(px.size()));
  es.push_back({338, 3, 1, TifShorts({2})});
  const std::string file = TifDir() + "/rgba.tif";
  WriteFileBytes(file, TifBuild(es, px));
  TRead r;
  TifReadFile(file, r);
  ASSERT_FALSE(r.Aborted);
  ASSERT_NE(r.Mask, nullptr);
  EXPECT_FALSE(r.Mask->Full);
  const TRgbImage ref = TifReference(file);  // premultiplied by libtiff
  ASSERT_EQ(ref.Width, 37);
  int worst = 0;
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x) {
      const int a = r.Mask->GetScanline(y)[x];
      ASSERT_EQ(a, x * 7);
      const TIERGBPixel p = r.Bitmap.GetPixelRGB(x, y), q = ref.At(x, y);
      worst = std::max({worst, std::abs(p.r * a / 255 - q.r), std::abs(p.b * a / 255 - q.b)});
    }
  EXPECT_LE(worst, 1);
  // ignoring alpha gives the same colours and no mask
  TRead n;
  TifReadFile(file, n, false, 0, true);
  EXPECT_EQ(n.Mask, nullptr);
  EXPECT_EQ(n.Bitmap.GetPixelRGB(5, 5).r, r.Bitmap.GetPixelRGB(5, 5).r);
}

TEST(TiffReaderAlpha, AssociatedAlphaIsUndoneAndClamped) {
  // colour 200 over alpha 100 cannot be premultiplied: undoing it must stop at 255, not wrap
  std::vector<uint8_t> px = {200, 100, 50, 100, 40, 20, 10, 200};
  auto es = TifRgbEntries(2, 1, 4, 8);
  es.push_back({338, 3, 1, TifShorts({1})});
  TRead r;
  TifReadBytes(TifBuild(es, px), r);
  ASSERT_FALSE(r.Aborted);
  ASSERT_NE(r.Mask, nullptr);
  const TIERGBPixel a = r.Bitmap.GetPixelRGB(0, 0), b = r.Bitmap.GetPixelRGB(1, 0);
  EXPECT_EQ(a.r, 255);
  EXPECT_EQ(a.g, 255);
  EXPECT_EQ(a.b, 127);
  EXPECT_EQ(b.r, 51);
  EXPECT_EQ(r.Mask->GetScanline(0)[0], 100);
}

// ---------------------------------------------------------------- writing

struct TTifWriteCase {
  const char* Name;
  int Compression;  // TIFF_Compression
  int Bits, Samples;
  TIEPixelFormat Format;
  int Tolerance;
};

const TTifWriteCase kTifWriteCases[] = {
    {"none", 0, 8, 3, ie24RGB, 0},      {"lzw", 5, 8, 3, ie24RGB, 0},     {"packbits", 8, 8, 3, ie24RGB, 0},
    {"deflate", 9, 8, 3, ie24RGB, 0},   {"jpeg", 7, 8, 3, ie24RGB, 12},   {"mh", 1, 1, 1, ie1g, 0},
    {"g3", 2, 1, 1, ie1g, 0},           {"g3_2d", 3, 1, 1, ie1g, 0},      {"g4", 4, 1, 1, ie1g, 0},
    {"bilevel_lzw", 5, 1, 1, ie1g, 0},  {"grey8", 5, 8, 1, ie8g, 0},      {"rgb48", 9, 16, 3, ieRGB48, 0},
    {"palette4", 0, 4, 1, ie24RGB, 0},  {"float", 5, 8, 3, ie32f, 0},
};

class TiffWriterRoundTrip : public ::testing::TestWithParam<TTifWriteCase> {};

TEST_P(TiffWriterRoundTrip, LibtiffReadsTheSamePixels) {
  if (!TifToolsPresent()) GTEST_SKIP() << "libtiff tools or convert not installed";
  const TTifWriteCase& c = GetParam();
  TIEBitmap src;
  if (c.Format == ie24RGB && c.Bits == 4) MakeFewColors(src, 37, 23, 12);
  else MakePhoto(src, 37, 23);
  if (c.Format != ie24RGB) src.SetPixelFormat(c.Format);
  TIOParamsVals p;
  p.TIFF_Compression = uint8_t(c.Compression);
  p.BitsPerSample = c.Bits;
  p.SamplesPerPixel = c.Samples;
  p.TIFF_FillOrder = 1;
  TMemoryStream s;
  TTestProgress pr;
  EXPECT_EQ(TiffWriteImage(&s, false, &src, pr.Rec, p), 1);
  ASSERT_FALSE(pr.Aborted());
  const std::string file = TifDir() + "/w_" + c.Name + ".tif";
  WriteFileBytes(file, Bytes(s));
  EXPECT_TRUE(RunTool("tiffinfo -D '" + file + "' > /dev/null"));
  EXPECT_TRUE(RunTool("tiffdump '" + file + "' | grep -q StripOffsets"));
  const TRgbImage ref = TifReference(file);
  ASSERT_EQ(ref.Width, 37);
  EXPECT_LE(MaxDiff(src, ref), c.Tolerance);
  // and our reader agrees
  TRead r;
  TifReadFile(file, r);
  ASSERT_FALSE(r.Aborted);
  EXPECT_LE(MaxDiff(r.Bitmap, ref), 0);
}

INSTANTIATE_TEST_SUITE_P(Pages, TiffWriterRoundTrip, ::testing::ValuesIn(kTifWriteCases),
                         [](const ::testing::TestParamInfo<TTifWriteCase>& i) { return std::string(i.param.Name); });

TEST(TiffWriterStrips, StripsOfAboutHalfAMegabyte) {
  // 1000 rows of 3000 bytes: 5 strips of 200 rows; 1001 rows: 6 strips
  for (auto [rows, strips] : {std::pair{1000, 5}, std::pair{1001, 6}}) {
    TIEBitmap b(1000, rows, ie24RGB);
    b.Fill(0);
    TIOParamsVals p;
    TMemoryStream s;
    TTestProgress pr;
    TiffWriteImage(&s, false, &b, pr.Rec, p);
    TTIFFDirectory d;
    d.Stream = &s;
    int n;
    ASSERT_TRUE(TiffReadDirectory(0, Get32(Bytes(s), 4), d, n));
    EXPECT_EQ(TiffGetIntArray(d, 273).size(), size_t(strips)) << rows;
    EXPECT_EQ(TiffGetInt(d, 278, 0), 200);
  }
}

TEST(TiffWriterStrips, OneSampleOfADepthRowsCannotHoldIsWrittenAsEightBits) {
  // Parameters of a page read may ask for one sample of any depth; grey rows are packed in 1 to
  // 8 bits or stored in 16, anything else is written as 8 bits.
  for (auto [asked, written] : {std::pair{24, 8}, std::pair{12, 8}, std::pair{0, 8}, std::pair{-3, 8},
                                std::pair{16, 16}, std::pair{4, 4}}) {
    SCOPED_TRACE(asked);
    TIEBitmap b(6, 3, ie24RGB);
    b.Fill(0x808080);
    TIOParamsVals p;
    p.SamplesPerPixel = 1;
    p.BitsPerSample = asked;
    p.TIFF_PhotometInterpret = 1;
    TMemoryStream s;
    TTestProgress pr;
    EXPECT_EQ(TiffWriteImage(&s, false, &b, pr.Rec, p), 1);
    TTIFFDirectory d;
    d.Stream = &s;
    int n;
    ASSERT_TRUE(TiffReadDirectory(0, Get32(Bytes(s), 4), d, n));
    EXPECT_EQ(TiffGetInt(d, 277, 0), 1);
    EXPECT_EQ(TiffGetInt(d, 258, 0), written);
    TRead r;
    TifReadBytes(Bytes(s), r);
    ASSERT_FALSE(r.Aborted);
    EXPECT_EQ(r.Bitmap.GetPixelAsRGB(5, 2).g, written == 4 ? 136 : 128);
  }
}

TEST(TiffWriterAlpha, PartlyTransparentRgbGetsAnAlphaSampleWithoutPredictor) {
  TIEBitmap b;
  MakePhoto(b, 20, 10);
  TIEBitmap* a = b.GetAlphaChannel();
  for (int x = 0; x < 20; ++x) a->Scanline(3)[x] = uint8_t(x * 10);
  TIOParamsVals p;
  p.TIFF_Compression = 5;
  TMemoryStream s;
  TTestProgress pr;
  TiffWriteImage(&s, false, &b, pr.Rec, p);
  TTIFFDirectory d;
  d.Stream = &s;
  int n;
  ASSERT_TRUE(TiffReadDirectory(0, Get32(Bytes(s), 4), d, n));
  EXPECT_EQ(TiffGetInt(d, 277, 0), 4);
  EXPECT_EQ(TiffGetIntArray(d, 258), (std::vector<int32_t>{8, 8, 8, 8}));
  EXPECT_EQ(TiffGetInt(d, 338, 0), 1);
  EXPECT_EQ(TiffFindTag(d, 317), -1);
  TRead r;
  TifReadBytes(Bytes(s), r);
  ASSERT_NE(r.Mask, nullptr);
  EXPECT_EQ(r.Mask->GetScanline(3)[7], 70);
  // without alpha: predictor 2
  TIEBitmap o;
  MakePhoto(o, 20, 10);
  TMemoryStream s2;
  TiffWriteImage(&s2, false, &o, pr.Rec, p);
  d.Stream = &s2;
  ASSERT_TRUE(TiffReadDirectory(0, Get32(Bytes(s2), 4), d, n));
  EXPECT_EQ(TiffGetInt(d, 317, 0), 2);
}

TEST(TiffWriterPages, InsertFirstAndAppendLast) {
  TMemoryStream s;
  TTestProgress pr;
  for (int i = 0; i < 3; ++i) {
    TIEBitmap b(8 + i, 4, ie24RGB);
    b.Fill(0);
    TIOParamsVals p;
    p.TIFF_ImageIndex = i;
    if (i == 0) TiffWriteImage(&s, false, &b, pr.Rec, p);
    else {
      s.SetPosition(0);
      EXPECT_EQ(TiffWriteImage(&s, true, &b, pr.Rec, p), i + 1);
    }
  }
  TIEBitmap first(20, 4, ie24RGB), last(30, 4, ie24RGB);
  first.Fill(0), last.Fill(0);
  TIOParamsVals p0, p99;
  p0.TIFF_ImageIndex = 0;
  p99.TIFF_ImageIndex = 99;
  s.SetPosition(0);
  EXPECT_EQ(TiffWriteImage(&s, true, &first, pr.Rec, p0), 4);
  s.SetPosition(0);
  EXPECT_EQ(TiffWriteImage(&s, true, &last, pr.Rec, p99), 5);
  ASSERT_FALSE(pr.Aborted());
  s.SetPosition(0);
  EXPECT_EQ(TiffPageCount(&s), 5);
  const int widths[5] = {20, 8, 9, 10, 30};
  for (int i = 0; i < 5; ++i) {
    TRead r;
    r.Params.TIFF_ImageIndex = i;
    TifReadBytes(Bytes(s), r);
    EXPECT_EQ(r.Bitmap.Width(), widths[i]) << i;
  }
  // deleting page 1 leaves 4 pages, the second now 9 wide
  s.SetPosition(0);
  ASSERT_TRUE(TiffDeletePage(&s, 1));
  s.SetPosition(0);
  EXPECT_EQ(TiffPageCount(&s), 4);
  TRead r;
  r.Params.TIFF_ImageIndex = 1;
  TifReadBytes(Bytes(s), r);
  EXPECT_EQ(r.Bitmap.Width(), 9);
  // inserting into a stream that is not a little-endian TIFF fails
  TMemoryStream bad;
  Load(bad, {'M', 'M', 0, 42, 0, 0, 0, 8});
  TTestProgress pb;
  EXPECT_EQ(TiffWriteImage(&bad, true, &first, pb.Rec, p0), 0);
  EXPECT_TRUE(pb.Aborted());
}

TEST(TiffWriterExif, SignedRationalsAreWrittenSigned) {
  TIEBitmap b(4, 4, ie24RGB);
  b.Fill(0);
  TIOParamsVals p;
  p.EXIF_HasEXIFData = true;
  p.EXIF_BrightnessValue = -1.5;
  p.EXIF_ExposureBiasValue = -0.25;
  p.EXIF_Make = "Orvanta";
  p.EXIF_GPSVersionID = "2.2.0.0";
  p.EXIF_GPSLatitudeRef = "N";
  TMemoryStream s;
  TTestProgress pr;
  TiffWriteImage(&s, false, &b, pr.Rec, p);
  TTIFFDirectory d;
  d.Stream = &s;
  int n;
  ASSERT_TRUE(TiffReadDirectory(0, Get32(Bytes(s), 4), d, n));
  TTIFFDirectory e = d;
  ASSERT_TRUE(TiffReadDirectory(0, uint32_t(TiffGetInt(d, 34665, 0)), e, n));
  const int i = TiffFindTag(e, 37379);
  ASSERT_GE(i, 0);
  EXPECT_EQ(e.Entries[i].Type, 10);
  EXPECT_DOUBLE_EQ(TiffGetRational(e, 37379), -1.5);
  TRead r;
  TifReadBytes(Bytes(s), r);
  EXPECT_TRUE(r.Params.EXIF_HasEXIFData);
  EXPECT_DOUBLE_EQ(r.Params.EXIF_BrightnessValue, -1.5);
  EXPECT_DOUBLE_EQ(r.Params.EXIF_ExposureBiasValue, -0.25);
  EXPECT_EQ(r.Params.EXIF_Make, "Orvanta");
  EXPECT_EQ(r.Params.EXIF_GPSVersionID, "2.2.0.0");
  EXPECT_EQ(r.Bitmap.Width(), 4);
}

TEST(TiffWriterExif, MakerNoteEntriesPointIntoTheFileAndReadBackAlone) {
  TIEBitmap b(4, 4, ie24RGB);
  b.Fill(0);
  TIOParamsVals p;
  p.EXIF_HasEXIFData = true;
  p.EXIF_Make = "Orvanta";
  // Two entries: a SHORT pair held in the entry and 10 bytes of text after the table.
  const std::vector<uint8_t> note = {2, 0,                                              //
                                     1, 0, 3, 0, 2, 0, 0, 0, 0x34, 0x12, 0x78, 0x56,   //
                                     2, 0, 2, 0, 10, 0, 0, 0, 26, 0, 0, 0,             //
                                     'm', 'a', 'k', 'e', 'r', ' ', 'n', 'o', 't', 0};
  p.EXIF_MakerNote->Data()->WriteBuffer(note.data(), int64_t(note.size()));
  p.EXIF_MakerNote->Update();
  TMemoryStream s;
  TTestProgress pr;
  TiffWriteImage(&s, false, &b, pr.Rec, p);
  ASSERT_FALSE(pr.Aborted());
  const auto file = Bytes(s);
  TTIFFDirectory d;
  d.Stream = &s;
  int n;
  ASSERT_TRUE(TiffReadDirectory(0, Get32(file, 4), d, n));
  TTIFFDirectory e = d;
  ASSERT_TRUE(TiffReadDirectory(0, uint32_t(TiffGetInt(d, 34665, 0)), e, n));
  const int i = TiffFindTag(e, 37500);
  ASSERT_GE(i, 0);
  // In the file the text entry's offset is the text's position in the file.
  const uint32_t at = Get32(std::vector<uint8_t>(e.Entries[i].Value, e.Entries[i].Value + 4), 0);
  ASSERT_LT(at + 26, file.size());
  const uint32_t textAt = Get32(file, at + 2 + 12 + 8);
  ASSERT_LT(textAt + 10, file.size());
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&file[textAt])), "maker not");
  // Read back, the note is a self-contained directory again.
  TRead r;
  TifReadBytes(file, r);
  TIETagsHandler* h = r.Params.EXIF_MakerNote;
  ASSERT_EQ(h->TagCount(), 2);
  EXPECT_EQ(h->GetTagEntry(0).ValueOrOffset, 0x56781234u);
  ASSERT_EQ(h->Data()->Size(), int64_t(note.size()));
  EXPECT_EQ(std::memcmp(h->Data()->Memory(), note.data(), note.size()), 0);
}

// ---------------------------------------------------------------- coders

TEST(TiffLzwCoder, ClearThenTheEntryBeingDefined) {
  // 9-bit codes Clear (256), 65, 258, End (257)
  std::vector<uint8_t> bits;
  uint64_t acc = 0;
  int n = 0;
  for (int c : {256, 65, 258, 257}) {
    acc = (acc << 9) | uint64_t(c);
    n += 9;
  }
  acc <<= (40 - n);
  for (int i = 4; i >= 0; --i) bits.push_back(uint8_t(acc >> (8 * i)));
  void* ctx = nullptr;
  const uint8_t* row = TiffLzwDecompress(bits.data(), 3, ctx, int(bits.size()));
  ASSERT_NE(row, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(row, row + 3), (std::vector<uint8_t>{65, 65, 65}));
  TiffLzwDecompress(nullptr, 0, ctx, 0);
  EXPECT_EQ(ctx, nullptr);
  // a code above the next free code makes the call return nothing
  std::vector<uint8_t> bad = {0x80, 0x10, 0x7F, 0xFF, 0x00};  // Clear, 65, then 511
  ctx = nullptr;
  EXPECT_EQ(TiffLzwDecompress(bad.data(), 4, ctx, int(bad.size())), nullptr);
  TiffLzwDecompress(nullptr, 0, ctx, 0);
}

TEST(TiffLzwCoder, LongDataRoundTripRowByRow) {
  // past the 4093-code limit (a Clear inside the stream) and through every code width
  std::vector<uint8_t> data(200000);
  uint32_t seed = 7;
  for (size_t i = 0; i < data.size(); ++i) {
    seed = seed * 1103515245u + 12345u;
    data[i] = uint8_t((seed >> 16) % 7 + (i / 1000) % 3);
  }
  TMemoryStream s;
  void* ctx = nullptr;
  const int rowBytes = 1000;
  for (size_t i = 0; i < data.size(); i += rowBytes) TiffLzwCompress(&data[i], rowBytes, &s, ctx);
  TiffLzwCompress(nullptr, 0, &s, ctx);
  EXPECT_EQ(ctx, nullptr);
  const std::vector<uint8_t> code = Bytes(s);
  ctx = nullptr;
  for (size_t i = 0; i < data.size(); i += rowBytes) {
    const uint8_t* row = TiffLzwDecompress(code.data(), rowBytes, ctx, int(code.size()));
    ASSERT_NE(row, nullptr) << i;
    ASSERT_EQ(std::memcmp(row, &data[i], rowBytes), 0) << i;
  }
  TiffLzwDecompress(nullptr, 0, ctx, 0);
}

TEST(TiffCcittCoder, LongRunUsesTheLargestMakeUpCode) {
  // a white row of 2600 pixels: make-up 2560 (000000011111) then terminating 40 (00101001)
  std::vector<uint8_t> row(2600 / 8 + 1, 0);
  TMemoryStream s;
  TTestProgress p;
  IECCITTEncodeRowMH(row.data(), 2600, &s, 1, p.Rec);
  EXPECT_EQ(Bytes(s), (std::vector<uint8_t>{0x01, 0xF2, 0x90}));
  std::vector<uint8_t> out(row.size(), 0);
  const std::vector<uint8_t> code = Bytes(s);
  EXPECT_EQ(IECCITTDecodeRowMH(out.data(), code.data(), int64_t(code.size()), 1, 2600), 3);
  for (int x = 0; x < 2600; ++x) ASSERT_TRUE(out[size_t(x / 8)] & (0x80 >> (x & 7))) << x;
}

TEST(TiffCcittCoder, FillOrderTwoRoundTripsOnlyWithFillOrderTwo) {
  // widths with and without a partial last byte
  for (const int w : {61, 64}) {
    SCOPED_TRACE(w);
    TIEBitmap b;
    MakePhoto(b, w, 9);
    b.SetPixelFormat(ie1g);
    const int rb = (w + 7) / 8;
    TMemoryStream s;
    TTestProgress p;
    TIECCITTEncodeState st;
    for (int y = 0; y < 9; ++y) IECCITTEncodeRowG4(b.Scanline(y), w, &s, 2, p.Rec, st);
    IECCITTEncodeRowG4(nullptr, w, &s, 2, p.Rec, st);
    const std::vector<uint8_t> code = Bytes(s);
    auto decode = [&](int Fill) {
      std::vector<uint8_t> ref(static_cast<size_t>(rb), 0xFF), row(static_cast<size_t>(rb));
      int64_t bit = 0;
      int same = 0;
      for (int y = 0; y < 9; ++y) {
        bit = IECCITTDecodeRow2D(row.data(), code.data(), int64_t(code.size()), false, Fill, bit, ref.data(), w);
        bool eq = true;
        for (int x = 0; x < w; ++x) {
          const bool black = (b.Scanline(y)[x / 8] >> (7 - x % 8)) & 1;  // encoder convention: 1 black
          const bool white = (row[size_t(x / 8)] >> (7 - x % 8)) & 1;    // decoder convention: 1 white
          eq = eq && black != white;
        }
        same += eq;
      }
      return same;
    };
    EXPECT_EQ(decode(2), 9);
    EXPECT_LT(decode(1), 9);
  }
}

TEST(TiffCcittCoder, WideRowsOfManyChangesRoundTripThroughTwoDimensionalCoding) {
  // Rows a megapixel wide (1 = black): thousands of changes packed at the start against a white
  // reference line (vertical and horizontal codes), a white row under them (pass codes), the
  // changes moved by one pixel (vertical codes), and runs of random lengths over the whole width.
  const int w = 1 << 20;
  const size_t rb = size_t(w) / 8;
  std::vector<std::vector<uint8_t>> rows(4, std::vector<uint8_t>(rb, 0));
  for (int x = 0; x < 6000; x += 2) rows[0][size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
  for (int x = 1; x < 6001; x += 2) rows[2][size_t(x / 8)] |= uint8_t(0x80 >> (x % 8));
  std::mt19937 rnd(7);
  for (int x = 0, black = 0; x < w; black ^= 1) {
    const int run = 1 + int(rnd() % 300);
    for (int i = x; i < std::min(w, x + run); ++i)
      if (black) rows[3][size_t(i / 8)] |= uint8_t(0x80 >> (i % 8));
    x += run;
  }
  TMemoryStream s;
  TTestProgress p;
  TIECCITTEncodeState st;
  for (const auto& row : rows) IECCITTEncodeRowG4(row.data(), w, &s, 1, p.Rec, st);
  IECCITTEncodeRowG4(nullptr, w, &s, 1, p.Rec, st);
  ASSERT_FALSE(p.Aborted());
  const std::vector<uint8_t> code = Bytes(s);
  std::vector<uint8_t> ref(rb, 0xFF), out(rb);
  int64_t bit = 0;
  for (size_t y = 0; y < rows.size(); ++y) {
    SCOPED_TRACE(y);
    bit = IECCITTDecodeRow2D(out.data(), code.data(), int64_t(code.size()), false, 1, bit, ref.data(), w);
    // the decoder's rows hold 1 for white: each byte is the complement of the encoded one
    size_t wrong = 0;
    for (size_t i = 0; i < rb; ++i) wrong += out[i] != uint8_t(~rows[y][i]);
    EXPECT_EQ(wrong, 0u);
  }
}

// ---------------------------------------------------------------- directories and detection

TEST(TiffDirectories, LoopsOfAnyLengthEnd) {
  // three directories chained 0 -> 1 -> 2 -> 0
  std::vector<uint8_t> f = {'I', 'I', 42, 0, 8, 0, 0, 0};
  const uint32_t offs[3] = {8, 26, 44};
  for (int k = 0; k < 3; ++k) {
    Put16(f, 1);
    Put16(f, 256), Put16(f, 4), Put32(f, 1), Put32(f, uint32_t(10 + k));
    Put32(f, offs[(k + 1) % 3]);
  }
  TMemoryStream s;
  Load(s, f);
  TTIFFDirectory d;
  d.Stream = &s;
  int n = 0;
  EXPECT_TRUE(TiffReadDirectory(2, 8, d, n));
  EXPECT_EQ(TiffGetInt(d, 256, 0), 12);
  EXPECT_FALSE(TiffReadDirectory(5, 8, d, n));
  EXPECT_EQ(n, 3);
  s.SetPosition(0);
  EXPECT_EQ(TiffPageCount(&s), 3);
}

TEST(TiffDirectories, BigEndianShortInTheEntry) {
  std::vector<uint8_t> f = {'M', 'M', 0, 42, 0, 0, 0, 8, 0, 1, 1, 0, 0, 3, 0, 0, 0, 1, 0, 37, 0, 0, 0, 0, 0, 0};
  TMemoryStream s;
  Load(s, f);
  TTIFFDirectory d;
  d.Stream = &s;
  d.LittleEndian = false;
  int n;
  ASSERT_TRUE(TiffReadDirectory(0, 8, d, n));
  EXPECT_EQ(TiffGetInt(d, 256, 0), 37);
  EXPECT_EQ(TiffGetIntAt(d, 256, 0, 0), 37);
}

TEST(TiffDetection, TiffRawAndHdPhoto) {
  const auto rgb = TifBuild(TifRgbEntries(2, 1, 3, 6), {1, 2, 3, 4, 5, 6});
  TMemoryStream s;
  Load(s, rgb);
  s.SetPosition(0);
  EXPECT_TRUE(TiffDetect(&s));
  EXPECT_FALSE(CameraRawTiffDetect(&s));
  EXPECT_FALSE(HdPhotoDetect(&s));
  EXPECT_EQ(s.Position(), 0);
  // without a width: not TIFF
  auto es = TifRgbEntries(2, 1, 3, 6);
  es.erase(es.begin());
  Load(s, TifBuild(es, {1, 2, 3, 4, 5, 6}));
  EXPECT_FALSE(TiffDetect(&s));
  // a DNG version tag makes camera raw
  es = TifRgbEntries(2, 1, 3, 6);
  es.push_back({50706, 1, 4, {1, 4, 0, 0}});
  Load(s, TifBuild(es, {1, 2, 3, 4, 5, 6}));
  EXPECT_TRUE(CameraRawTiffDetect(&s));
  // HD Photo's five tags
  std::vector<TTifTestEntry> hd;
  for (uint16_t t : {48129, 48256, 48257, 48320, 48321}) hd.push_back({t, 4, 1, TifLongs({1})});
  Load(s, TifBuild(hd, {}));
  EXPECT_TRUE(HdPhotoDetect(&s));
  hd.pop_back();
  Load(s, TifBuild(hd, {}));
  EXPECT_FALSE(HdPhotoDetect(&s));
  // big-endian with 0xBA at offset 8, and a 7-byte stream
  Load(s, {'M', 'M', 0, 42, 0, 0, 0, 8, 0xBA, 0, 0});
  EXPECT_FALSE(TiffDetect(&s));
  Load(s, {'I', 'I', 42, 0, 8, 0, 0});
  s.SetPosition(3);
  EXPECT_FALSE(TiffDetect(&s));
  EXPECT_FALSE(HdPhotoDetect(&s));
  EXPECT_EQ(s.Position(), 3);
}

// ---------------------------------------------------------------- hostile files

struct TTifHostile {
  const char* Name;
  std::vector<uint8_t> (*Make)();
  bool MustAbort;
};

const TTifHostile kTifHostile[] = {
    {"strip_past_end",
     [] { return TifBuild(TifRgbEntries(40, 40, 3, 4800), std::vector<uint8_t>(300, 7)); }, false},
    {"huge_strip_count",
     [] {
       auto es = TifRgbEntries(40, 40, 3, 4800);
       es[5] = {273, 4, 0x40000000u, TifLongs({8})};
       es[8] = {279, 4, 0x40000000u, TifLongs({100})};
       return TifBuild(es, std::vector<uint8_t>(64, 7));
     },
     false},
    {"huge_size",
     [] { return TifBuild(TifRgbEntries(100000, 100000, 3, 64), std::vector<uint8_t>(64, 7)); }, true},
    {"eleven_planes",
     [] {
       auto es = TifRgbEntries(4, 4, 11, 16);
       es.push_back({284, 3, 1, TifShorts({2})});
       return TifBuild(es, std::vector<uint8_t>(200, 7));
     },
     true},
    {"unequal_bits",
     [] {
       auto es = TifRgbEntries(4, 4, 3, 48);
       es[2] = {258, 3, 3, TifShorts({8, 8, 4})};
       return TifBuild(es, std::vector<uint8_t>(48, 7));
     },
     true},
    {"lzw_garbage",
     [] {
       auto es = TifRgbEntries(30, 30, 3, 200);
       es[3] = {259, 3, 1, TifShorts({5})};
       std::vector<uint8_t> g(200);
       for (size_t i = 0; i < g.size(); ++i) g[i] = uint8_t(i * 37 + 11);
       g[0] = 0x80;
       return TifBuild(es, g);
     },
     false},
    {"truncated_fax",
     [] {
       auto es = TifRgbEntries(100, 50, 1, 5000);
       es[2] = {258, 3, 1, TifShorts({1})};
       es[3] = {259, 3, 1, TifShorts({4})};
       es[4] = {262, 3, 1, TifShorts({0})};
       return TifBuild(es, std::vector<uint8_t>(10, 0x55));
     },
     false},
    {"deflate_truncated",
     [] {
       auto es = TifRgbEntries(30, 30, 3, 20);
       es[3] = {259, 3, 1, TifShorts({8})};
       return TifBuild(es, {0x78, 0x9C, 0x63, 0x60, 0x18, 0x05, 0xA3, 0x60, 0x14});
     },
     false},
    {"tiles_past_end",
     [] {
       auto es = TifRgbEntries(64, 64, 3, 0);
       es.erase(es.begin() + 8);
       es.erase(es.begin() + 7);
       es.erase(es.begin() + 5);
       es.push_back({322, 3, 1, TifShorts({16})});
       es.push_back({323, 3, 1, TifShorts({16})});
       es.push_back({324, 4, 16, std::vector<uint8_t>(64, 0xFF)});
       es.push_back({325, 4, 16, std::vector<uint8_t>(64, 0x7F)});
       std::sort(es.begin(), es.end(), [](auto& a, auto& b) { return a.Tag < b.Tag; });
       return TifBuild(es, std::vector<uint8_t>(30, 1));
     },
     false},
};

class TiffHostile : public ::testing::TestWithParam<TTifHostile> {};

TEST_P(TiffHostile, FailsCleanly) {
  TRead r;
  TifReadBytes(GetParam().Make(), r);
  if (GetParam().MustAbort) {
    EXPECT_TRUE(r.Aborted);
  }
  EXPECT_LE(int64_t(r.Bitmap.Width()) * r.Bitmap.Height(), int64_t(1) << 20);
}

INSTANTIATE_TEST_SUITE_P(Files, TiffHostile, ::testing::ValuesIn(kTifHostile),
                         [](const ::testing::TestParamInfo<TTifHostile>& i) { return std::string(i.param.Name); });

TEST(TiffReaderRows, FourBitGreyScalesBySeventeen) {
  std::vector<uint8_t> px = {0x01, 0x23, 0x45, 0x67, 0x89, 0xAB, 0xCD, 0xEF};
  auto es = TifRgbEntries(16, 1, 1, 8);
  es[2] = {258, 3, 1, TifShorts({4})};
  es[4] = {262, 3, 1, TifShorts({1})};
  TRead r;
  r.Params.IsNativePixelFormat = true;
  TifReadBytes(TifBuild(es, px), r);
  for (int x = 0; x < 16; ++x) EXPECT_EQ(r.Bitmap.GetPixelAsRGB(x, 0).g, x * 17);
}

TEST(TiffReaderRows, PackBitsRunCrossingTheRowEnd) {
  // row of 4 bytes; a run of 6 bytes is consumed whole, the next row starts after it
  std::vector<uint8_t> data = {uint8_t(-5), 9, 0x01, 1, 2};  // run 6 x 9, then literal 1, 2
  uint8_t row[4];
  int64_t used = 0;
  EXPECT_TRUE(TiffPackBitsRow(data.data(), int64_t(data.size()), used, row, 4, false));
  EXPECT_EQ(used, 2);
  EXPECT_EQ(std::vector<uint8_t>(row, row + 4), (std::vector<uint8_t>{9, 9, 9, 9}));
  std::vector<uint8_t> enc;
  const uint8_t src[10] = {1, 2, 3, 3, 3, 3, 3, 3, 4, 5};
  TiffPackBitsEncodeRow(src, 10, enc);
  uint8_t back[10];
  used = 0;
  EXPECT_TRUE(TiffPackBitsRow(enc.data(), int64_t(enc.size()), used, back, 10, false));
  EXPECT_EQ(std::memcmp(back, src, 10), 0);
}

TEST(TiffMutations, DamagedPagesFailCleanly) {
  // our writer's pages in several compressions, bytes flipped (mostly in the directory and its
  // data at the end of the file) and files cut at pseudo-random places (fixed seeds)
  const struct { int Compression; TIEPixelFormat Format; int Bits, Samples; } pages[] = {
      {5, ie24RGB, 8, 3}, {4, ie1g, 1, 1}, {3, ie1g, 1, 1}, {9, ie24RGB, 8, 3}, {8, ie8g, 8, 1}, {0, ie24RGB, 4, 1}};
  int k = 0;
  for (const auto& pg : pages) {
    SCOPED_TRACE(k);
    TIEBitmap b;
    MakePhoto(b, 21, 13);
    b.SetPixelFormat(pg.Format);
    TIOParamsVals p;
    p.TIFF_Compression = uint8_t(pg.Compression);
    p.BitsPerSample = pg.Bits;
    p.SamplesPerPixel = pg.Samples;
    TMemoryStream out;
    TTestProgress pr;
    TiffWriteImage(&out, false, &b, pr.Rec, p);
    const std::vector<uint8_t> good = Bytes(out);
    std::mt19937 rng(4321 + k++);
    for (int round = 0; round < 200; ++round) {
      std::vector<uint8_t> bad = good;
      if (round % 4 == 0) {
        bad.resize(rng() % bad.size());
      } else {
        const int flips = 1 + static_cast<int>(rng() % 6);
        for (int f = 0; f < flips; ++f) {
          const size_t tail = std::min<size_t>(220, bad.size());
          const size_t at = (rng() % 4) ? bad.size() - 1 - rng() % tail : rng() % bad.size();
          bad[at] = static_cast<uint8_t>(rng());
        }
      }
      TRead r;
      EXPECT_NO_THROW(TifReadBytes(bad, r)) << round;
    }
  }
}

TEST(TiffExifCopy, EnterAnExistingPage) {
  TIEBitmap b;
  MakePhoto(b, 12, 7);
  TIOParamsVals w;
  w.TIFF_Compression = 5;
  TMemoryStream src;
  TTestProgress pr;
  TiffWriteImage(&src, false, &b, pr.Rec, w);
  TIOParamsVals e;
  e.EXIF_HasEXIFData = true;
  e.EXIF_Make = "Maker";
  e.EXIF_ExposureTime = 0.008;
  e.EXIF_GPSVersionID = "2.2.0.0";
  e.EXIF_GPSLatitudeRef = "N";
  TMemoryStream dst;
  src.SetPosition(0);
  EXPECT_TRUE(ExifTagCopy(&src, &dst, "", e, 0, ""));
  TRead r;
  TifReadBytes(Bytes(dst), r);
  ASSERT_FALSE(r.Aborted);
  EXPECT_EQ(r.Params.EXIF_Make, "Maker");
  EXPECT_DOUBLE_EQ(r.Params.EXIF_ExposureTime, 0.008);
  EXPECT_EQ(r.Params.EXIF_GPSLatitudeRef, "N");
  EXPECT_TRUE(r.Params.EXIF_HasEXIFData);
  EXPECT_EQ(CountDiffs(r.Bitmap, ParseNetpbm(MakePpm(b))), 0);
}

TEST(TiffOldStyleJpeg, WrittenAndReadBack) {
  // compression 6: one JPEG stream pointed at by the interchange-format tags
  TIEBitmap b;
  MakePhoto(b, 40, 24);
  TIOParamsVals w;
  w.TIFF_Compression = 6;
  w.TIFF_JPEGQuality = 95;
  TMemoryStream s;
  TTestProgress pr;
  TiffWriteImage(&s, false, &b, pr.Rec, w);
  ASSERT_FALSE(pr.Aborted());
  TTIFFDirectory d;
  d.Stream = &s;
  int n;
  ASSERT_TRUE(TiffReadDirectory(0, Get32(Bytes(s), 4), d, n));
  EXPECT_EQ(TiffGetInt(d, 259, 0), 6);
  const std::vector<uint8_t> file = Bytes(s);
  const uint32_t at = uint32_t(TiffGetInt(d, 513, 0));
  ASSERT_LT(at + 1, file.size());
  EXPECT_EQ(file[at], 0xFF);
  EXPECT_EQ(file[at + 1], 0xD8);
  TRead r;
  TifReadBytes(file, r);
  ASSERT_FALSE(r.Aborted);
  ASSERT_EQ(r.Bitmap.Width(), 40);
  EXPECT_GT(PSNR(r.Bitmap, b), 30);
}

}  // namespace
