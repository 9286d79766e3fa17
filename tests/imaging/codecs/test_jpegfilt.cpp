// JPEG codec: round trips, scaled decoding, colour spaces, resolution, markers, metadata, damaged
// and crafted files, the error table and the writer's EXIF rewrite.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>

#include "codectest.h"
#include "imaging/codecs/jpegfilt.h"
#include "imaging/io/ieexif.h"
#include "imaging/io/iemarkers.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/ieparams.h"

namespace {

std::vector<uint8_t> Encode(TIEBitmap& bmp, TIOParamsVals& p) {
  TMemoryStream out;
  TTestProgress pr;
  JpegWriteImage(&out, &bmp, p, pr.Rec);
  EXPECT_FALSE(pr.Aborted());
  return Bytes(out);
}

std::vector<uint8_t> Encode(TIEBitmap& bmp, int quality = 90, int colorSpace = 2) {
  TIOParamsVals p;
  p.JPEG_Quality = quality;
  p.JPEG_ColorSpace = static_cast<uint8_t>(colorSpace);
  return Encode(bmp, p);
}

struct TDecoded {
  TIEBitmap Bitmap;
  TIOParamsVals Params;
  bool Aborted = false;
  int Rows = 0;
};

std::unique_ptr<TDecoded> Decode(const std::vector<uint8_t>& data, bool preview = false, bool native = false,
                                 int maxRows = -1, std::function<void(TIOParamsVals&)> setup = nullptr) {
  auto d = std::make_unique<TDecoded>();
  if (setup) setup(d->Params);
  TMemoryStream s;
  Load(s, data);
  TTestProgress pr;
  d->Rows = JpegReadImage(&s, nullptr, &d->Bitmap, d->Params, pr.Rec, preview, false, true, false, true, true, maxRows,
                          native);
  d->Aborted = pr.Aborted();
  return d;
}

// Offset of the first marker with this code after SOI, or -1.
int FindMarker(const std::vector<uint8_t>& j, uint8_t code) {
  size_t i = 2;
  while (i + 4 <= j.size() && j[i] == 0xFF) {
    if (j[i + 1] == code) return static_cast<int>(i);
    if (j[i + 1] == 0xDA) break;
    i += 2 + (j[i + 2] << 8 | j[i + 3]);
  }
  return -1;
}

std::vector<uint8_t> RemoveSegment(std::vector<uint8_t> j, uint8_t code) {
  int at = FindMarker(j, code);
  if (at >= 0) j.erase(j.begin() + at, j.begin() + at + 2 + (j[at + 2] << 8 | j[at + 3]));
  return j;
}

}  // namespace

TEST(Jpeg, RoundTripQualitiesKeepPsnrBoundsAndOrder) {
  TIEBitmap src;
  MakePhoto(src, 160, 120);
  struct Case { int quality; double minPsnr; } cases[] = {{30, 30}, {60, 33}, {95, 40}};
  double lastPsnr = 0;
  size_t lastSize = 0;
  for (auto c : cases) {
    auto j = Encode(src, c.quality);
    auto d = Decode(j);
    ASSERT_FALSE(d->Aborted) << c.quality;
    ASSERT_EQ(d->Bitmap.Width(), 160);
    ASSERT_EQ(d->Bitmap.PixelFormat(), ie24RGB);
    double psnr = PSNR(src, d->Bitmap);
    EXPECT_GT(psnr, c.minPsnr) << c.quality;
    EXPECT_GT(psnr, lastPsnr) << c.quality;
    EXPECT_GT(j.size(), lastSize) << c.quality;
    lastPsnr = psnr;
    lastSize = j.size();
    EXPECT_EQ(d->Rows, 120);
    EXPECT_EQ(d->Params.JPEG_ColorSpace, 2);
    EXPECT_EQ(d->Params.SamplesPerPixel, 3);
  }
}

TEST(Jpeg, WriterOptionsProgressiveOptimisedSubsamplingDctMethods) {
  TIEBitmap src;
  MakePhoto(src, 96, 64);
  struct Case { bool progressive; bool optimal; int subsampling; int dct; int smooth; } cases[] = {
      {false, false, 0, 0, 0}, {true, false, 1, 1, 0}, {false, true, 2, 2, 20}, {true, true, 1, 0, 0}};
  for (auto c : cases) {
    TIOParamsVals p;
    p.JPEG_Quality = 85;
    p.JPEG_Progressive = c.progressive;
    p.JPEG_OptimalHuffman = c.optimal;
    p.JPEG_ChromaSubsampling = static_cast<uint8_t>(c.subsampling);
    p.JPEG_DCTMethod = static_cast<uint8_t>(c.dct);
    p.JPEG_Smooth = c.smooth;
    auto j = Encode(src, p);
    auto d = Decode(j, false, false, -1, [&](TIOParamsVals& q) { q.JPEG_DCTMethod = static_cast<uint8_t>(c.dct); });
    ASSERT_FALSE(d->Aborted);
    EXPECT_EQ(d->Params.JPEG_Progressive, c.progressive);
    EXPECT_GT(PSNR(src, d->Bitmap), 30);
    // Sampling factors of the luminance component in the SOF.
    int sof = FindMarker(j, c.progressive ? 0xC2 : 0xC0);
    ASSERT_GE(sof, 0);
    static const int factors[3] = {0x21, 0x22, 0x11};
    EXPECT_EQ(j[sof + 11], factors[c.subsampling]);
  }
}

TEST(Jpeg, AutomaticScalePicksLargestReductionAtLeastTheRequest) {
  TIEBitmap src;
  src.Allocate(4000, 3000, ie8g);
  src.Fill(128);
  TIOParamsVals wp;
  wp.JPEG_Quality = 10;
  wp.JPEG_ColorSpace = 1;
  auto j = Encode(src, wp);
  struct Case { int scale; int w, h; int used; } cases[] = {
      {0, 160, 120, 8}, {0, 1000, 1000, 2}, {0, 5000, 5000, 1}, {0, 0, 0, 1}, {0, 1000, 0, 1},
      {2, 0, 0, 2}, {3, 0, 0, 4}, {4, 0, 0, 8}, {1, 160, 120, 1}, {9, 0, 0, 1}};
  for (auto c : cases) {
    auto d = Decode(j, true, false, -1, [&](TIOParamsVals& p) {
      p.JPEG_Scale = static_cast<uint8_t>(c.scale);
      p.Width = c.w;
      p.Height = c.h;
    });
    EXPECT_EQ(d->Params.JPEG_Scale_Used, c.used) << c.scale << " " << c.w << "x" << c.h;
    EXPECT_EQ(d->Params.Width, 4000);  // preview: full size
    EXPECT_TRUE(d->Bitmap.IsEmpty());
  }
  auto d = Decode(j, false, false, -1, [](TIOParamsVals& p) {
    p.JPEG_Scale = 0;
    p.Width = 160;
    p.Height = 120;
    p.JPEG_DCTMethod = 1;
  });
  EXPECT_EQ(d->Bitmap.Width(), 500);
  EXPECT_EQ(d->Bitmap.Height(), 375);
  EXPECT_EQ(d->Params.Width, 500);
  EXPECT_EQ(d->Params.OriginalWidth, 4000);
  EXPECT_EQ(d->Params.OriginalHeight, 3000);
}

TEST(Jpeg, ColourSpacesAndNativeFormats) {
  TIEBitmap src;
  MakePhoto(src, 64, 48);
  struct Case { int space; bool native; TIEPixelFormat pf; int spp; int fileSpace; } cases[] = {
      {1, false, ie24RGB, 1, 1}, {1, true, ie8g, 1, 1},   {0, false, ie24RGB, 3, 0},
      {3, false, ie24RGB, 4, 3}, {3, true, ieCMYK, 4, 3}, {4, false, ie24RGB, 4, 4}};
  for (auto c : cases) {
    auto j = Encode(src, 95, c.space);
    auto d = Decode(j, false, c.native);
    ASSERT_FALSE(d->Aborted) << c.space;
    EXPECT_EQ(d->Bitmap.PixelFormat(), c.pf) << c.space;
    EXPECT_EQ(d->Params.SamplesPerPixel, c.spp) << c.space;
    EXPECT_EQ(d->Params.JPEG_ColorSpace, c.fileSpace) << c.space;
    if (c.space == 1) {
      TIERGBPixel p = d->Bitmap.GetPixelAsRGB(10, 10);
      EXPECT_TRUE(p.r == p.g && p.g == p.b);
    } else {
      // Colours survive: stored RGB is swapped back, CMYK converts through 255 = no ink.
      EXPECT_GT(PSNR(src, d->Bitmap), 30) << c.space;
    }
    if (c.space >= 3) {
      EXPECT_GE(FindMarker(j, 0xEE), 0);  // Adobe marker
      if (c.space == 3) {
        EXPECT_GE(FindMarker(j, 0xE0), 0);  // and JFIF
      }
    }
  }
}

TEST(Jpeg, ResolutionFromJfifExifOrTheDefault) {
  TIEBitmap src;
  MakePhoto(src, 32, 32);
  TIOParamsVals wp;
  wp.SetDpiX(72);
  wp.SetDpiY(72);
  auto j72 = Encode(src, wp);
  int app0 = FindMarker(j72, 0xE0);
  ASSERT_EQ(app0, 2);
  auto unitCm = j72;
  unitCm[app0 + 11] = 2;
  unitCm[app0 + 12] = 0, unitCm[app0 + 13] = 118, unitCm[app0 + 14] = 0, unitCm[app0 + 15] = 118;
  auto aspect = j72;
  aspect[app0 + 11] = 0;
  aspect[app0 + 12] = 0, aspect[app0 + 13] = 1, aspect[app0 + 14] = 0, aspect[app0 + 15] = 1;
  auto noJfif = RemoveSegment(j72, 0xE0);
  // An EXIF block with 300 dots per inch.
  TIOParamsVals ep;
  ep.EXIF_HasEXIFData = true;
  ep.SetEXIF_XResolution(300);
  ep.SetEXIF_YResolution(300);
  ep.EXIF_ResolutionUnit = 2;
  ep.EXIF_Make = "Test";
  std::vector<uint8_t> exif;
  IESaveEXIFToStandardBuffer(&ep, exif, true);
  ASSERT_TRUE(IEIsEXIFMarker(exif.data(), static_cast<int>(exif.size())));
  TIOParamsVals xp;
  xp.JPEG_MarkerList->AddMarker(0xE1, exif.data(), static_cast<int>(exif.size()));
  auto withExif = Encode(src, xp);
  auto aspectExif = withExif;
  aspectExif[app0 + 11] = 0;
  aspectExif[app0 + 12] = 0, aspectExif[app0 + 13] = 1, aspectExif[app0 + 14] = 0, aspectExif[app0 + 15] = 1;
  auto aspect23 = j72;
  aspect23[app0 + 11] = 0;
  aspect23[app0 + 12] = 0, aspect23[app0 + 13] = 2, aspect23[app0 + 14] = 0, aspect23[app0 + 15] = 3;
  auto j72Exif = withExif;  // a real JFIF density beside an EXIF block of 300: the density stands
  j72Exif[app0 + 11] = 1;
  j72Exif[app0 + 12] = 0, j72Exif[app0 + 13] = 72, j72Exif[app0 + 14] = 0, j72Exif[app0 + 15] = 72;
  // The codec keeps an aspect ratio as it is (1 x 1 for no JFIF header); the front end's CheckDPI
  // replaces values below 2 with the library default afterwards.
  struct Case { const char* name; std::vector<uint8_t>* data; int dpiX, dpiY; } cases[] = {
      {"jfif 72", &j72, 72, 72},          {"jfif cm 118", &unitCm, 299, 299}, {"aspect only", &aspect, 1, 1},
      {"aspect 2:3", &aspect23, 2, 3},    {"no jfif", &noJfif, 1, 1},         {"aspect + exif", &aspectExif, 300, 300},
      {"jfif 72 + exif", &j72Exif, 72, 72}};
  for (auto& c : cases) {
    auto d = Decode(*c.data, true);
    EXPECT_FALSE(d->Aborted) << c.name;
    EXPECT_EQ(d->Params.DpiX, c.dpiX) << c.name;
    EXPECT_EQ(d->Params.DpiY, c.dpiY) << c.name;
  }
  auto d = Decode(j72, true);
  EXPECT_DOUBLE_EQ(d->Params.EXIF_XResolution, 72);
}

TEST(Jpeg, MarkersAreKeptExceptTheFirstApp0AndWrittenBack) {
  TIEBitmap src;
  MakePhoto(src, 40, 30);
  TIOParamsVals p;
  const char comment[] = "shoot 42";
  p.JPEG_MarkerList->AddMarker(0xFE, comment, sizeof comment);
  const char app0[] = "SECOND";
  p.JPEG_MarkerList->AddMarker(0xE0, app0, sizeof app0);
  auto j = Encode(src, p);
  auto d = Decode(j);
  TIEMarkerList& ml = *d->Params.JPEG_MarkerList;
  ASSERT_EQ(ml.GetCount(), 2);
  int com = ml.IndexOf(0xFE), a0 = ml.IndexOf(0xE0);
  ASSERT_GE(com, 0);
  ASSERT_GE(a0, 0);
  EXPECT_EQ(0, std::memcmp(ml.GetMarkerData(com), comment, sizeof comment));
  EXPECT_EQ(0, std::memcmp(ml.GetMarkerData(a0), app0, sizeof app0));
  // Saving the loaded parameters writes them again after the library's own header.
  auto again = Encode(d->Bitmap, d->Params);
  auto d2 = Decode(again);
  EXPECT_EQ(d2->Params.JPEG_MarkerList->GetCount(), 2);
}

TEST(Jpeg, JunkBeforeTheStartAndFindEnd) {
  TIEBitmap src;
  MakePhoto(src, 16, 16);
  auto j = Encode(src);
  for (int junk : {0, 100, 149, 150, 300}) {
    std::vector<uint8_t> v(junk, 0x11);
    v.insert(v.end(), j.begin(), j.end());
    auto d = Decode(v);
    EXPECT_EQ(d->Aborted, junk >= 150) << junk;
    TMemoryStream s;
    Load(s, v);
    EXPECT_EQ(JpegFindStart(&s), junk < 150 ? junk : -1);
    EXPECT_EQ(s.Position(), 0);
  }
  std::vector<uint8_t> v = j;
  v.insert(v.end(), {1, 2, 3, 4});
  TMemoryStream s;
  Load(s, v);
  EXPECT_EQ(JpegFindEnd(&s), static_cast<int32_t>(j.size()));
  EXPECT_EQ(s.Position(), 0);
}

TEST(Jpeg, TruncatedFileCountsWarningsAndRowLimitStopsQuietly) {
  TIEBitmap src;
  MakePhoto(src, 64, 64);
  auto j = Encode(src);
  std::vector<uint8_t> cut(j.begin(), j.begin() + j.size() * 2 / 3);
  auto d = Decode(cut);
  EXPECT_FALSE(d->Aborted);
  EXPECT_EQ(d->Rows, 64);
  EXPECT_GT(d->Params.JPEG_WarningTot, 0);
  // "Corrupt JPEG data: premature end of data segment" or "Premature end of JPEG file".
  EXPECT_TRUE(d->Params.JPEG_WarningCode == 117 || d->Params.JPEG_WarningCode == 120) << d->Params.JPEG_WarningCode;
  auto part = Decode(j, false, false, 20);
  EXPECT_FALSE(part->Aborted);
  EXPECT_EQ(part->Rows, 20);
  auto empty = Decode({});
  EXPECT_TRUE(empty->Aborted);
}

TEST(Jpeg, CraftedFilesReachTheirMessages) {
  TIEBitmap src;
  MakePhoto(src, 16, 16);
  auto j = Encode(src);
  TIEBitmap grey;
  grey.Allocate(16, 16, ie8g);
  grey.Fill(100);
  auto g = Encode(grey, 90, 1);
  const int sof = FindMarker(j, 0xC0), dqt = FindMarker(j, 0xDB), dht = FindMarker(j, 0xC4), sos = FindMarker(j, 0xDA);
  ASSERT_TRUE(sof > 0 && dqt > 0 && dht > 0 && sos > 0);
  auto patch = [&](std::vector<uint8_t> v, int at, std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes) v[at++] = b;
    return v;
  };
  std::vector<uint8_t> sos1 = j;
  for (size_t i = 2; i + 1 < sos1.size(); ++i)
    if (sos1[i] == 0xFF && sos1[i + 1] == 0xDA) {
      sos1[i + 5] = 9;  // first component id of the scan
      break;
    }
  // A frame of two components: a colour space the codec cannot name.
  const int gsof = FindMarker(g, 0xC0);
  std::vector<uint8_t> twoComp(g.begin(), g.begin() + gsof);
  const uint8_t sof2[] = {0xFF, 0xC0, 0, 14, 8, 0, 16, 0, 16, 2, 1, 0x11, 0, 2, 0x11, 0};
  twoComp.insert(twoComp.end(), sof2, sof2 + sizeof sof2);
  twoComp.insert(twoComp.end(), g.begin() + gsof + 2 + (g[gsof + 2] << 8 | g[gsof + 3]), g.end());
  // A second frame header right after the first.
  const int sofLen = 2 + (j[sof + 2] << 8 | j[sof + 3]);
  std::vector<uint8_t> twoSof(j.begin(), j.begin() + sof + sofLen);
  twoSof.insert(twoSof.end(), j.begin() + sof, j.end());
  // Every table read, the frame read, then the end of the image instead of a scan.
  std::vector<uint8_t> noScan(j.begin(), j.begin() + sos);
  noScan.insert(noScan.end(), {0xFF, 0xD9});
  // A frame of eleven components, one more than the library takes.
  std::vector<uint8_t> elevenComp(j.begin(), j.begin() + sof);
  const uint8_t sof11[] = {0xFF, 0xC0, 0, 41, 8, 0, 16, 0, 16, 11};
  elevenComp.insert(elevenComp.end(), sof11, sof11 + sizeof sof11);
  for (uint8_t id = 1; id <= 11; ++id) elevenComp.insert(elevenComp.end(), {id, 0x11, 0});
  elevenComp.insert(elevenComp.end(), j.begin() + sof + sofLen, j.end());
  struct Case { const char* name; std::vector<uint8_t> data; int code; } cases[] = {
      {"scan names an undefined huffman table", patch(j, sos + 6, {0x22}), 50},
      {"eleven components", elevenComp, 26},
      {"huffman counts beyond 256", patch(j, dht + 5, {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}), 8},
      {"two sof", twoSof, 58},
      {"no sos", noScan, 59},
      {"undefined quantization table", patch(j, sof + 12, {3}), 52},
      {"sof type", patch(j, sof + 1, {0xC3}), 60},
      {"dqt index", patch(j, dqt + 4, {0x05}), 31},
      {"dht index", patch(j, dht + 4, {0x05}), 30},
      {"precision", patch(j, sof + 4, {12}), 15},
      {"sampling", patch(j, sof + 11, {0x00}), 18},
      {"sos component", sos1, 5},
      {"two soi", {0xFF, 0xD8, 0xFF, 0xD8, 0xFF, 0xD9}, 61},
      {"no image", {0xFF, 0xD8, 0xFF, 0xD9}, 51},
      {"sos before sof", {0xFF, 0xD8, 0xFF, 0xDA, 0x00, 0x08, 0x01, 0x01, 0x00, 0x00, 0x3F, 0x00}, 62},
      {"bad length", patch(j, sof + 2, {0, 5}), 11},
      {"unknown colour space", twoComp, 10},
      {"huge dimensions", patch(j, sof + 5, {0xFF, 0xDC, 0xFF, 0xDC}), 41},
      {"truncated header", std::vector<uint8_t>(j.begin(), j.begin() + sof + 6), 11},
  };
  for (auto& c : cases) {
    auto d = Decode(c.data);
    EXPECT_TRUE(d->Aborted) << c.name;
    EXPECT_EQ(JpegLastErrorText(), IEJpegMessageText(c.code)) << c.name;
    if (c.code == 10) {
      EXPECT_TRUE(d->Bitmap.IsEmpty());  // no undefined pixels
    }
  }
}

TEST(Jpeg, MessageTableAndLibraryMapping) {
  struct { int code; const char* text; } cases[] = {
      {-1, "Corrupted"}, {124, "Corrupted"}, {0, "Bogus message code ?"}, {73, ""}, {74, ""},
      {41, "Maximum supported image dimension is ? pixels"}, {67, "Application transferred too few scanlines"},
      {123, "Application transferred too many scanlines"}};
  for (auto c : cases) EXPECT_STREQ(IEJpegMessageText(c.code), c.text) << c.code;
  // Every classic message of the linked library lands on its own table entry.
  std::set<int> seen;
  for (int lib = 0; lib < 200; ++lib) {
    int t = IEJpegTableCode(lib);
    if (t < 0) continue;
    bool fresh = seen.insert(t).second;
    if (t != 1 && t != 118) {
      EXPECT_TRUE(fresh) << lib;  // only the two messages mapped by meaning share an entry
    }
  }
  EXPECT_EQ(seen.size(), 124u);
}

TEST(Jpeg, WriterErrorsRaiseWithTheTableText) {
  TIEBitmap wide;
  wide.Allocate(70000, 1, ie24RGB);
  wide.Fill(0);
  TIOParamsVals p;
  TMemoryStream out;
  TTestProgress pr;
  try {
    JpegWriteImage(&out, &wide, p, pr.Rec);
    FAIL();
  } catch (const EIEJpegException& e) {
    EXPECT_STREQ(e.what(), "Maximum supported image dimension is ? pixels");
  }
  EXPECT_TRUE(pr.Aborted());
  TIEBitmap empty;
  TTestProgress pr2;
  JpegWriteImage(&out, &empty, p, pr2.Rec);
  EXPECT_TRUE(pr2.Aborted());
}

TEST(Jpeg, PalettedAndOneBitSourcesWriteTheir24BitConversion) {
  TIEBitmap pal;
  pal.Allocate(20, 20, ie8p);
  for (int i = 0; i < 256; ++i) pal.SetPaletteEntry(i, PixRGB(i, 255 - i, 0));
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) pal.Scanline(y)[x] = static_cast<uint8_t>(x < 10 ? 0 : 255);
  auto d = Decode(Encode(pal, 95));
  TIERGBPixel left = d->Bitmap.GetPixelRGB(2, 10), right = d->Bitmap.GetPixelRGB(17, 10);
  EXPECT_LT(left.r, 30);
  EXPECT_GT(left.g, 220);
  EXPECT_GT(right.r, 220);
  EXPECT_LT(right.g, 30);
}

TEST(Jpeg, IccChunksAreCheckedBeforeTheyAreJoined) {
  auto chunk = [](int seq, int count, const std::vector<uint8_t>& body, bool terminated = true) {
    std::vector<uint8_t> d = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E'};
    d.push_back(terminated ? 0 : 'X');
    d.push_back(static_cast<uint8_t>(seq));
    d.push_back(static_cast<uint8_t>(count));
    d.insert(d.end(), body.begin(), body.end());
    return d;
  };
  std::vector<uint8_t> a(100, 'a'), b(80, 'b');
  TIEBitmap src;
  MakePhoto(src, 8, 8);
  auto build = [&](std::vector<std::vector<uint8_t>> chunks) {
    TIOParamsVals p;
    for (auto& c : chunks) p.JPEG_MarkerList->AddMarker(0xE2, c.data(), static_cast<int>(c.size()));
    return Encode(src, p);
  };
  struct Case { const char* name; std::vector<std::vector<uint8_t>> chunks; size_t size; } cases[] = {
      {"two chunks", {chunk(1, 2, a), chunk(2, 2, b)}, 180},
      {"out of order", {chunk(2, 2, b), chunk(1, 2, a)}, 180},
      {"duplicate", {chunk(1, 2, a), chunk(1, 2, a)}, 0},
      {"sequence 0", {chunk(0, 2, a), chunk(2, 2, b)}, 0},
      {"sequence beyond count", {chunk(3, 2, a), chunk(1, 2, b)}, 0},
      {"missing chunk", {chunk(1, 3, a), chunk(2, 3, b)}, 0},
      {"too short", {std::vector<uint8_t>{'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1}}, 0},
      {"no terminator", {chunk(1, 1, a, false)}, 0},
  };
  for (auto& c : cases) {
    auto j = build(c.chunks);
    TMemoryStream s;
    Load(s, j);
    TIOParamsVals p;
    JpegReadICCProfile(&s, p);
    EXPECT_EQ(s.Position(), 0);
    TIEICC* icc = p.InputICCProfileOrNil();
    size_t got = icc ? icc->Raw.size() : 0;
    EXPECT_EQ(got, c.size) << c.name;
    if (c.size == 180) {
      EXPECT_EQ(icc->Raw[0], 'a');
      EXPECT_EQ(icc->Raw[179], 'b');
    }
  }
}

TEST(Jpeg, WriterRewritesExifForRotatedPixels) {
  // A 40 x 20 photo whose EXIF says "turn 90 degrees" (orientation 6) and holds a thumbnail.
  TIEBitmap src;
  MakePhoto(src, 40, 20);
  TIOParamsVals ep;
  ep.EXIF_HasEXIFData = true;
  ep.SetEXIF_Orientation(6);
  ep.EXIF_PixelXDimension = 40;
  ep.EXIF_PixelYDimension = 20;
  ep.SetEXIF_XResolution(72);
  ep.SetEXIF_YResolution(72);
  ep.EXIF_ResolutionUnit = 2;
  TIEBitmap* thumb = ep.EnsureEXIFBitmap();
  MakePhoto(*thumb, 16, 8);
  std::vector<uint8_t> exif;
  IESaveEXIFToStandardBuffer(&ep, exif, true);
  TIOParamsVals wp;
  wp.JPEG_MarkerList->AddMarker(0xE1, exif.data(), static_cast<int>(exif.size()));
  wp.EXIF_Orientation = 6;
  auto j = Encode(src, wp);
  auto d = Decode(j, false, false, -1, [](TIOParamsVals& p) { p.JPEG_EnableAdjustOrientation = true; });
  ASSERT_FALSE(d->Aborted);
  EXPECT_EQ(d->Bitmap.Width(), 20);  // turned
  EXPECT_EQ(d->Bitmap.Height(), 40);
  EXPECT_EQ(d->Params.EXIF_Orientation, 1);
  // Saved again: the block says orientation 1, the new size, and has no stale thumbnail.
  auto again = Encode(d->Bitmap, d->Params);
  auto d2 = Decode(again, true);
  EXPECT_EQ(d2->Params.EXIF_Orientation, 1);
  EXPECT_EQ(d2->Params.EXIF_PixelXDimension, 20);
  EXPECT_EQ(d2->Params.EXIF_PixelYDimension, 40);
  EXPECT_TRUE(d2->Params.EXIF_Bitmap == nullptr || d2->Params.EXIF_Bitmap->IsEmpty());
  // Unchanged pixels keep their thumbnail.
  auto d3 = Decode(j, true);
  ASSERT_NE(d3->Params.EXIF_Bitmap, nullptr);
  EXPECT_EQ(d3->Params.EXIF_Bitmap->Width(), 16);
  auto same = Encode(src, d3->Params);
  auto d4 = Decode(same, true);
  ASSERT_NE(d4->Params.EXIF_Bitmap, nullptr);
  EXPECT_EQ(d4->Params.EXIF_Bitmap->Width(), 16);
  // The thumbnail shortcut returns it as the image.
  auto t = Decode(j, false, false, -1, [](TIOParamsVals& p) { p.SetGetExifThumbnail(true); });
  EXPECT_EQ(t->Bitmap.Width(), 16);
}

TEST(Jpeg, ProceduralDecodingMatchesTheReader) {
  TIEBitmap src;
  MakePhoto(src, 50, 30);
  auto j = Encode(src, 80);
  auto ref = Decode(j);
  struct TFeed {
    const std::vector<uint8_t>* Data;
    size_t At = 0;
  } feed{&j};
  // Fed by a routine of the caller, 100 bytes at a time, then through a stream source.
  for (bool ownFill : {true, false}) {
    TMemoryStream s;
    Load(s, j);
    TIEJpegDecompressor* d = IEJpegAllocDecompressor();
    IEJpegCreateErrorManager(d);
    IEJpegCreate(d);
    if (ownFill) {
      IEJpegReplaceFillRoutine(d, [](TIEJpegDecompressor* D, void* U) {
        auto* f = static_cast<TFeed*>(U);
        size_t n = std::min<size_t>(100, f->Data->size() - f->At);
        if (n == 0) return false;
        IEJpegSetInputBuffer(D, f->Data->data() + f->At, n);
        f->At += n;
        return true;
      }, &feed);
    } else {
      IEJpegSetStreamSource(d, &s);
    }
    EXPECT_EQ(IEJpegReadHeader(d, true), 1);  // JPEG_HEADER_OK
    ASSERT_TRUE(IEJpegStart(d));
    EXPECT_EQ(IEJpegOutputWidth(d), 50);
    EXPECT_EQ(IEJpegOutputComponents(d), 3);
    uint8_t** rows = IEJpegAllocSampleArray(d, 50 * 3, 1);
    double diff = 0;
    while (IEJpegOutputScanline(d) < IEJpegOutputHeight(d)) {
      int y = IEJpegOutputScanline(d);
      ASSERT_EQ(IEJpegReadScanlines(d, rows, 1), 1);
      for (int x = 0; x < 50; ++x) {
        TIERGBPixel p = ref->Bitmap.GetPixelRGB(x, y);  // the library gives red, green, blue here
        diff += std::abs(rows[0][3 * x] - p.r) + std::abs(rows[0][3 * x + 2] - p.b);
      }
    }
    EXPECT_EQ(diff, 0) << ownFill;
    EXPECT_TRUE(IEJpegFinish(d));
    IEJpegDestroy(d);
    IEJpegFreeErrorManager(d);
    IEJpegFreeDecompressor(d);
  }
  // Errors raise with the table's text.
  std::vector<uint8_t> junk = {0x00, 0x11, 0x22, 0x33};
  TMemoryStream s;
  Load(s, junk);
  TIEJpegDecompressor* d = IEJpegAllocDecompressor();
  IEJpegCreate(d);
  IEJpegSetStreamSource(d, &s);
  try {
    IEJpegReadHeader(d, true);
    ADD_FAILURE();
  } catch (const EIEJpegException& e) {
    EXPECT_STREQ(e.what(), "Not a JPEG file: starts with ?");
  }
  IEJpegFreeDecompressor(d);
}

TEST(Jpeg, ProgressAbortAndRawYCbCr) {
  TIEBitmap src;
  src.Allocate(64, 64, ie24RGB);
  src.Fill(0x808080);
  auto j = Encode(src, 95);
  TIEBitmap bmp;
  TIOParamsVals p;
  TMemoryStream s;
  Load(s, j);
  TTestProgress pr;
  struct TState { std::atomic<bool>* Abort; std::vector<int> Seen; } st{&pr.Abort, {}};
  pr.Rec.Data = &st;
  pr.Rec.Callback = [](void* d, TObject*, int per) {
    auto* s = static_cast<TState*>(d);
    s->Seen.push_back(per);
    if (per >= 50) s->Abort->store(true);  // another party stops the read
  };
  int rows = JpegReadImage(&s, nullptr, &bmp, p, pr.Rec, false, false, false, false, false, false, -1, false);
  EXPECT_TRUE(pr.Aborted());
  EXPECT_EQ(rows, 32);
  ASSERT_FALSE(st.Seen.empty());
  EXPECT_EQ(st.Seen.back(), 50);
  // Raw YCbCr: pure red gives Y 76, Cb 85, Cr 255 in byte order.
  TIEBitmap red;
  red.Allocate(32, 32, ie24RGB);
  red.Fill(0x0000FF);
  TIEBitmap raw;
  TIOParamsVals q;
  Load(s, Encode(red, 95));
  TTestProgress pr2;
  JpegReadImage(&s, nullptr, &raw, q, pr2.Rec, false, true, false, false, false, false, -1, false);
  ASSERT_FALSE(pr2.Aborted());
  const uint8_t* px = raw.Scanline(10) + 30;
  EXPECT_NEAR(px[0], 76, 2);
  EXPECT_NEAR(px[1], 85, 2);
  EXPECT_NEAR(px[2], 255, 2);
}

TEST(Jpeg, ColourManagementAppliesTheEmbeddedProfileAndDropsItsChunks) {
  TIEICC srgb;
  srgb.LoadSRGB();
  ASSERT_TRUE(srgb.IsValid());
  std::vector<uint8_t> chunk = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0, 1, 1};
  chunk.insert(chunk.end(), srgb.Raw.begin(), srgb.Raw.end());
  TIEBitmap src;
  MakePhoto(src, 40, 30);
  TIOParamsVals p;
  p.JPEG_MarkerList->AddMarker(0xE2, chunk.data(), static_cast<int>(chunk.size()));
  auto j = Encode(src, p);
  struct Case { bool management; int app2Left; } cases[] = {{false, 1}, {true, 0}};
  for (auto c : cases) {
    IEColorManagement = c.management;
    auto d = Decode(j);
    IEColorManagement = false;
    ASSERT_FALSE(d->Aborted);
    ASSERT_NE(d->Params.InputICCProfileOrNil(), nullptr);
    EXPECT_EQ(d->Params.InputICCProfileOrNil()->Raw.size(), srgb.Raw.size());
    int app2 = 0;
    for (int i = 0; i < d->Params.JPEG_MarkerList->GetCount(); ++i) app2 += d->Params.JPEG_MarkerList->GetMarkerType(i) == 0xE2;
    EXPECT_EQ(app2, c.app2Left) << c.management;
    EXPECT_GT(PSNR(src, d->Bitmap), 30) << c.management;  // sRGB to sRGB keeps the colours
  }
}

TEST(Jpeg, ExifRewriteKeepsUnchangedBlocksAndRefusesBrokenOnes) {
  TIOParamsVals ep;
  ep.EXIF_HasEXIFData = true;
  ep.SetEXIF_Orientation(3);
  ep.EXIF_PixelXDimension = 40;
  ep.EXIF_PixelYDimension = 20;
  MakePhoto(*ep.EnsureEXIFBitmap(), 8, 4);
  std::vector<uint8_t> exif;
  IESaveEXIFToStandardBuffer(&ep, exif, true);
  struct Case { const char* name; int orientation, w, h; bool changed, dropped; } cases[] = {
      {"same pixels", 3, 40, 20, false, false}, {"orientation unknown to the caller", 0, 40, 20, false, false},
      {"turned", 1, 20, 40, true, true},        {"cropped", 3, 30, 20, true, true}};
  for (auto& c : cases) {
    auto block = exif;
    bool dropped = true;
    ASSERT_TRUE(JpegPatchExifForPixels(block, c.orientation, c.w, c.h, &dropped)) << c.name;
    EXPECT_EQ(block != exif, c.changed) << c.name;
    EXPECT_EQ(dropped, c.dropped) << c.name;
    EXPECT_EQ(block.size(), exif.size()) << c.name;  // never grows
  }
  // Broken blocks are refused untouched: not EXIF, unknown byte order, directory offsets outside.
  auto outside = exif;
  outside[6 + 4] = 0xFF, outside[6 + 5] = 0xFF, outside[6 + 6] = 0xFF, outside[6 + 7] = 0x7F;
  if (outside[6] == 'M') std::reverse(outside.begin() + 10, outside.begin() + 14);
  auto order = exif;
  order[6] = 'X';
  std::vector<std::vector<uint8_t>> broken = {{'E', 'x', 'i', 'f', 0, 0}, order, outside,
                                              std::vector<uint8_t>(exif.begin(), exif.begin() + 12)};
  for (auto& b : broken) {
    auto copy = b;
    EXPECT_FALSE(JpegPatchExifForPixels(copy, 1, 1, 1));
    EXPECT_EQ(copy, b);
  }
}

TEST(Jpeg, TablesFromASecondStream) {
  // The TIFF route: quantization and Huffman tables in an abbreviated stream of their own.
  TIEBitmap src;
  MakePhoto(src, 32, 24);
  auto full = Encode(src, 85);
  std::vector<uint8_t> tables = {0xFF, 0xD8}, image = full;
  for (uint8_t code : {0xDB, 0xC4}) {
    int at;
    while ((at = FindMarker(image, code)) >= 0) {
      int len = 2 + (image[at + 2] << 8 | image[at + 3]);
      tables.insert(tables.end(), image.begin() + at, image.begin() + at + len);
      image.erase(image.begin() + at, image.begin() + at + len);
    }
  }
  tables.insert(tables.end(), {0xFF, 0xD9});
  auto alone = Decode(image);
  EXPECT_TRUE(alone->Aborted);  // no tables: the image cannot decode
  TMemoryStream ts, is;
  Load(ts, tables);
  Load(is, image);
  TIEBitmap bmp;
  TIOParamsVals p;
  TTestProgress pr;
  int rows = JpegReadImage(&is, &ts, &bmp, p, pr.Rec, false, false, false, true, false, false, -1, false);
  EXPECT_FALSE(pr.Aborted());
  EXPECT_EQ(rows, 24);
  auto ref = Decode(full);
  EXPECT_EQ(PSNR(ref->Bitmap, bmp), 99);
}

TEST(Jpeg, IptcAndXmpMetadataFromTheirMarkers) {
  TIEBitmap src;
  MakePhoto(src, 16, 16);
  TIOParamsVals p;
  TIEIPTCInfoList iptc;
  const char caption[] = "wedding";
  iptc.AddBufferItem(2, 120, sizeof caption - 1, caption);
  std::vector<uint8_t> app13;
  iptc.SaveToStandardBuffer(app13, true);
  p.JPEG_MarkerList->AddMarker(0xED, app13.data(), static_cast<int>(app13.size()));
  std::string xmp = std::string("http://ns.adobe.com/xap/1.0/") + '\0' + "<x:xmpmeta>rating 5</x:xmpmeta>";
  p.JPEG_MarkerList->AddMarker(0xE1, xmp.data(), static_cast<int>(xmp.size()));
  auto d = Decode(Encode(src, p), true);
  ASSERT_EQ(d->Params.IPTC_Info->GetCount(), 1);
  EXPECT_EQ(d->Params.IPTC_Info->GetItem(0).DataSet, 120);
  EXPECT_EQ(d->Params.XMP_Info, "<x:xmpmeta>rating 5</x:xmpmeta>");
}
