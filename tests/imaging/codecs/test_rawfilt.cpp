// Camera RAW reader: a small DNG built here (a 16-bit colour-filter-array image with an embedded
// thumbnail) identified and decoded through LibRaw, its thumbnail-only read, half size and the
// deep output; the heaps of a hand-made "HEAPCCDR" file (texts, maker-note tags, the smallest
// JPEG, a heap that contains itself); and files no camera format matches.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "codectest.h"
#include "imaging/codecs/jpegfilt.h"
#include "imaging/codecs/rawfilt.h"
#include "imaging/io/iemetadata.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"

namespace {

constexpr int kRawTestW = 32, kRawTestH = 24;      // sensor
constexpr int kRawThumbW = 16, kRawThumbH = 12;    // embedded thumbnail

struct TRawTestEntry {
  uint16_t Tag, Type;
  uint32_t Count;
  std::vector<uint8_t> Data;  // the value bytes (placed after the directory when above 4)
};

TRawTestEntry RawShorts(uint16_t Tag, std::vector<uint16_t> v) {
  TRawTestEntry e{Tag, 3, static_cast<uint32_t>(v.size()), {}};
  for (uint16_t x : v) Put16(e.Data, x);
  return e;
}
TRawTestEntry RawLong(uint16_t Tag, uint32_t v) {
  TRawTestEntry e{Tag, 4, 1, {}};
  Put32(e.Data, v);
  return e;
}
TRawTestEntry RawBytes(uint16_t Tag, std::vector<uint8_t> v) { return {Tag, 1, static_cast<uint32_t>(v.size()), v}; }
TRawTestEntry RawText(uint16_t Tag, const std::string& s) {
  std::vector<uint8_t> v(s.begin(), s.end());
  v.push_back(0);
  return {Tag, 2, static_cast<uint32_t>(v.size()), v};
}
TRawTestEntry RawRationals(uint16_t Tag, uint16_t Type, std::vector<std::pair<int32_t, int32_t>> v) {
  TRawTestEntry e{Tag, Type, static_cast<uint32_t>(v.size()), {}};
  for (auto [n, d] : v) Put32(e.Data, static_cast<uint32_t>(n)), Put32(e.Data, static_cast<uint32_t>(d));
  return e;
}

// Appends a directory (entries sorted by tag) and its out-of-line values; returns its offset.
uint32_t RawWriteIfd(std::vector<uint8_t>& f, std::vector<TRawTestEntry> entries) {
  std::sort(entries.begin(), entries.end(), [](auto& a, auto& b) { return a.Tag < b.Tag; });
  const uint32_t at = static_cast<uint32_t>(f.size());
  uint32_t extra = at + 2 + 12 * static_cast<uint32_t>(entries.size()) + 4;
  std::vector<uint8_t> tail;
  Put16(f, static_cast<uint32_t>(entries.size()));
  for (auto& e : entries) {
    Put16(f, e.Tag), Put16(f, e.Type), Put32(f, e.Count);
    if (e.Data.size() <= 4) {
      std::vector<uint8_t> v = e.Data;
      v.resize(4, 0);
      f.insert(f.end(), v.begin(), v.end());
    } else {
      Put32(f, extra + static_cast<uint32_t>(tail.size()));
      tail.insert(tail.end(), e.Data.begin(), e.Data.end());
      if (tail.size() & 1) tail.push_back(0);
    }
  }
  Put32(f, 0);
  f.insert(f.end(), tail.begin(), tail.end());
  return at;
}

// The scene: black at the left edge, then a grey ramp, dark on the left, bright on the right.
int RawTestScene(int x) { return x < 5 ? 0 : 2000 + 40000 * x / kRawTestW; }

// A DNG of a 32 x 24 RGGB sensor with a 16 x 12 RGB thumbnail (solid orange) in directory 0.
std::vector<uint8_t> RawTestDng() {
  std::vector<uint8_t> f = {'I', 'I', 42, 0, 0, 0, 0, 0};
  const uint32_t thumbAt = static_cast<uint32_t>(f.size());
  for (int i = 0; i < kRawThumbW * kRawThumbH; ++i) f.insert(f.end(), {250, 140, 20});
  const uint32_t rawAt = static_cast<uint32_t>(f.size());
  for (int y = 0; y < kRawTestH; ++y)
    for (int x = 0; x < kRawTestW; ++x) Put16(f, static_cast<uint32_t>(RawTestScene(x)));
  const uint32_t sub = RawWriteIfd(
      f, {RawLong(254, 0), RawLong(256, kRawTestW), RawLong(257, kRawTestH), RawShorts(258, {16}), RawShorts(259, {1}),
          RawShorts(262, {32803}), RawLong(273, rawAt), RawShorts(277, {1}), RawLong(278, kRawTestH),
          RawLong(279, kRawTestW * kRawTestH * 2), RawShorts(33421, {2, 2}), RawBytes(33422, {0, 1, 1, 2}),
          RawLong(50717, 65535)});
  const uint32_t ifd0 = RawWriteIfd(
      f, {RawLong(254, 1), RawLong(256, kRawThumbW), RawLong(257, kRawThumbH), RawShorts(258, {8, 8, 8}),
          RawShorts(259, {1}), RawShorts(262, {2}), RawText(271, "Orvanta"), RawText(272, "Test Back"),
          RawLong(273, thumbAt), RawShorts(277, {3}), RawLong(278, kRawThumbH),
          RawLong(279, kRawThumbW * kRawThumbH * 3), RawLong(330, sub), RawBytes(50706, {1, 4, 0, 0}),
          RawText(50708, "Orvanta Test Back"),
          // XYZ to linear sRGB: the sensor sees sRGB primaries, so a grey scene stays grey.
          RawRationals(50721, 10, {{32406, 10000}, {-15372, 10000}, {-4986, 10000}, {-9689, 10000},
                                   {18758, 10000}, {415, 10000}, {557, 10000}, {-2040, 10000}, {10570, 10000}}),
          RawRationals(50728, 5, {{1, 1}, {1, 1}, {1, 1}})});
  f[4] = static_cast<uint8_t>(ifd0), f[5] = static_cast<uint8_t>(ifd0 >> 8);
  f[6] = static_cast<uint8_t>(ifd0 >> 16), f[7] = static_cast<uint8_t>(ifd0 >> 24);
  return f;
}

std::unique_ptr<TRead> RawTestRead(const std::vector<uint8_t>& data, void (*Setup)(TIOParamsVals&) = nullptr,
                                   bool preview = false) {
  auto r = std::make_unique<TRead>();
  if (Setup != nullptr) Setup(r->Params);
  TMemoryStream s;
  Load(s, data);
  TTestProgress pr;
  CameraRawReadImage(&s, &r->Bitmap, r->Params, pr.Rec, preview);
  r->Aborted = pr.Aborted();
  return r;
}

std::vector<uint8_t> RawTestJpeg(int w, int h, TIERGBPixel c) {
  TIEBitmap b;
  b.Allocate(w, h, ie24RGB);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixelRGB(x, y, c);
  TIOParamsVals p;
  TMemoryStream s;
  TTestProgress pr;
  JpegWriteImage(&s, &b, p, pr.Rec);
  return Bytes(s);
}

// A "HEAPCCDR" file: the root heap holds a JPEG of 40 x 30, one of 24 x 16, maker-note values
// (types 0x102A and 0x102D), the image size and a sub-heap 0x300A with the texts; with
// SelfLoop, the root heap also lists itself as a sub-heap.
std::vector<uint8_t> RawTestCrw(bool SelfLoop) {
  std::vector<uint8_t> f = {'I', 'I'};
  Put32(f, 26);
  const std::string sig = "HEAPCCDR";
  f.insert(f.end(), sig.begin(), sig.end());
  f.resize(26, 0);
  const size_t root = f.size();
  struct Rec { uint16_t type; uint32_t size, offset; };
  std::vector<Rec> recs;
  auto add = [&](uint16_t type, const std::vector<uint8_t>& data) {
    recs.push_back({type, static_cast<uint32_t>(data.size()), static_cast<uint32_t>(f.size() - root)});
    f.insert(f.end(), data.begin(), data.end());
  };
  add(0x2007, RawTestJpeg(40, 30, PixRGB(200, 30, 30)));
  add(0x2008, RawTestJpeg(24, 16, PixRGB(30, 30, 200)));
  std::vector<uint8_t> v;
  for (uint32_t x : {7u, 8u, 9u}) Put16(v, x);
  add(0x102A, v);
  v.clear();
  for (uint32_t x : {11u, 12u}) Put16(v, x);
  add(0x102D, v);
  v.clear();
  Put32(v, 3000), Put32(v, 2000);
  add(0x1810, v);
  // The sub-heap: its records' data, its table, the offset of its table.
  const size_t sub = f.size();
  const std::string mm = std::string("Canon") + '\0' + "Canon EOS Test" + '\0';
  const std::string soft = std::string("Firmware 1.0") + '\0', desc = std::string("a test") + '\0';
  f.insert(f.end(), mm.begin(), mm.end());
  f.insert(f.end(), soft.begin(), soft.end());
  f.insert(f.end(), desc.begin(), desc.end());
  const uint32_t subTable = static_cast<uint32_t>(f.size() - sub);
  Put16(f, 3);
  Put16(f, 0x080A), Put32(f, static_cast<uint32_t>(mm.size())), Put32(f, 0);
  Put16(f, 0x080B), Put32(f, static_cast<uint32_t>(soft.size())), Put32(f, static_cast<uint32_t>(mm.size()));
  Put16(f, 0x0805), Put32(f, static_cast<uint32_t>(desc.size())), Put32(f, static_cast<uint32_t>(mm.size() + soft.size()));
  Put32(f, subTable);
  recs.push_back({0x300A, static_cast<uint32_t>(f.size() - sub), static_cast<uint32_t>(sub - root)});
  const uint32_t table = static_cast<uint32_t>(f.size() - root);
  // With SelfLoop, a sub-heap record that is the root heap itself (offset 0, its whole length).
  if (SelfLoop) recs.push_back({0x300B, table + 2 + 10 * (static_cast<uint32_t>(recs.size()) + 1) + 4, 0});
  Put16(f, static_cast<uint32_t>(recs.size()));
  for (auto& r : recs) Put16(f, r.type), Put32(f, r.size), Put32(f, r.offset);
  Put32(f, table);
  return f;
}

int RawTestGrey(TIEBitmap& b, int x, int y) {
  const TIERGBPixel p = b.GetPixelAsRGB(x, y);
  return (p.r + p.g + p.b) / 3;
}

}  // namespace

TEST(RawCodec, DetectsCameraFilesAndKeepsThePosition) {
  struct Case { std::vector<uint8_t> data; bool raw; } cases[] = {
      {RawTestDng(), true}, {std::vector<uint8_t>(4000, 0x11), false}, {{'I', 'I', 42, 0, 8, 0, 0, 0, 0, 0}, false}};
  for (auto& c : cases) {
    std::vector<uint8_t> data = {1, 2, 3};
    data.insert(data.end(), c.data.begin(), c.data.end());
    TMemoryStream s;
    Load(s, data);
    s.SetPosition(3);
    EXPECT_EQ(CameraRawDetect(&s), c.raw);
    EXPECT_EQ(s.Position(), 3);
  }
}

TEST(RawCodec, DecodesTheSensorImage) {
  auto r = RawTestRead(RawTestDng());
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Params.Width, kRawTestW - 2);
  EXPECT_EQ(r->Params.Height, kRawTestH - 2);
  EXPECT_EQ(r->Params.OriginalWidth, kRawTestW - 2);
  EXPECT_EQ(r->Params.BitsPerSample, 8);
  EXPECT_EQ(r->Params.SamplesPerPixel, 3);
  EXPECT_EQ(r->Params.RAW_Camera.rfind("Orvanta", 0), 0u) << r->Params.RAW_Camera;
  ASSERT_EQ(r->Bitmap.PixelFormat(), ie24RGB);
  EXPECT_EQ(r->Bitmap.Width(), kRawTestW - 2);
  EXPECT_EQ(r->Bitmap.Height(), kRawTestH - 2);
  const int y = kRawTestH / 2 - 1;
  const TIERGBPixel black = r->Bitmap.GetPixelAsRGB(1, y);  // zero stays black, never a division by 0
  EXPECT_EQ(black.r + black.g + black.b, 0);
  const int left = RawTestGrey(r->Bitmap, 6, y), right = RawTestGrey(r->Bitmap, kRawTestW - 5, y);
  EXPECT_LT(left + 40, right);  // the ramp survives decoding
  const TIERGBPixel mid = r->Bitmap.GetPixelAsRGB(kRawTestW / 2, y);
  EXPECT_NEAR(mid.r, mid.g, 12);  // a grey scene stays grey
  EXPECT_NEAR(mid.b, mid.g, 12);
}

TEST(RawCodec, ThumbnailRouteSkipsDecoding) {
  auto r = RawTestRead(RawTestDng(), [](TIOParamsVals& p) { p.RAW_GetExifThumbnail = true; });
  ASSERT_FALSE(r->Aborted);
  EXPECT_TRUE(r->Params.RAW_GetExifThumbnail);
  ASSERT_EQ(r->Bitmap.Width(), kRawThumbW);
  ASSERT_EQ(r->Bitmap.Height(), kRawThumbH);
  const TIERGBPixel p = r->Bitmap.GetPixelAsRGB(5, 5);
  EXPECT_NEAR(p.r, 250, 3);
  EXPECT_NEAR(p.g, 140, 3);
  EXPECT_NEAR(p.b, 20, 3);
  EXPECT_EQ(r->Params.Width, kRawTestW - 2);  // the sensor's size, not the thumbnail's
}

TEST(RawCodec, HalfSizeAndDeepOutput) {
  auto half = RawTestRead(RawTestDng(), [](TIOParamsVals& p) { p.RAW_HalfSize = true; });
  ASSERT_FALSE(half->Aborted);
  EXPECT_EQ(half->Bitmap.Width(), kRawTestW / 2);
  EXPECT_EQ(half->Bitmap.Height(), kRawTestH / 2);
  EXPECT_EQ(half->Params.Width, kRawTestW - 2);
  auto deep = RawTestRead(RawTestDng(), [](TIOParamsVals& p) { p.IsNativePixelFormat = true; });
  ASSERT_FALSE(deep->Aborted);
  ASSERT_EQ(deep->Bitmap.PixelFormat(), ieRGB48);
  EXPECT_EQ(deep->Params.BitsPerSample, 16);
  auto flat = RawTestRead(RawTestDng());
  const int y = 5, x = 20;
  const uint16_t* row = reinterpret_cast<const uint16_t*>(deep->Bitmap.Scanline(y));
  EXPECT_NEAR(row[3 * x + 1] >> 8, flat->Bitmap.GetPixelAsRGB(x, y).g, 2);  // the same curve, 16 bits deep
}

TEST(RawCodec, PreviewFillsParametersOnly) {
  TRead r;
  r.Bitmap.Allocate(3, 3, ie24RGB);
  TMemoryStream s;
  Load(s, RawTestDng());
  TTestProgress pr;
  CameraRawReadImage(&s, &r.Bitmap, r.Params, pr.Rec, true);
  ASSERT_FALSE(pr.Aborted());
  EXPECT_EQ(r.Params.Width, kRawTestW - 2);
  EXPECT_EQ(r.Params.Height, kRawTestH - 2);
  EXPECT_EQ(r.Params.EXIF_Make, "Orvanta");
  ASSERT_NE(r.Params.EXIF_Bitmap, nullptr);
  EXPECT_EQ(r.Params.EXIF_Bitmap->Width(), kRawThumbW);
  EXPECT_EQ(r.Bitmap.Width(), 3);
}

TEST(RawCodec, CanonHeapsGiveTextsMakerNoteAndSmallestJpeg) {
  for (bool loop : {false, true}) {
    TIOParamsVals p;
    TMemoryStream s;
    Load(s, RawTestCrw(loop));
    EXPECT_FALSE(RawEmbeddedInfoRead(&s, p));
    EXPECT_EQ(s.Position(), 0);
    EXPECT_EQ(p.EXIF_Make, "Canon") << loop;
    EXPECT_EQ(p.EXIF_Model, "Canon EOS Test") << loop;
    EXPECT_EQ(p.EXIF_Software, "Firmware 1.0") << loop;
    EXPECT_EQ(p.EXIF_ImageDescription, "a test") << loop;
    EXPECT_EQ(p.EXIF_ExifImageWidth, 3000) << loop;
    EXPECT_EQ(p.EXIF_ExifImageHeight, 2000) << loop;
    ASSERT_NE(p.EXIF_Bitmap, nullptr);
    ASSERT_EQ(p.EXIF_Bitmap->Width(), 24) << loop;  // the smaller of the two JPEGs
    EXPECT_GT(p.EXIF_Bitmap->GetPixelAsRGB(4, 4).b, 150) << loop;
    ASSERT_NE(p.EXIF_MakerNote, nullptr);
    const auto v = Bytes(*p.EXIF_MakerNote->Data());
    ASSERT_GE(v.size(), 2u + 24 + 10);
    EXPECT_EQ(Get16(v, 0), 2);
    EXPECT_EQ(Get16(v, 2), 4);   // 0x102A: tag 4, three 16-bit values
    EXPECT_EQ(Get16(v, 4), 3);
    EXPECT_EQ(Get32(v, 6), 3u);
    EXPECT_EQ(Get16(v, Get32(v, 10)), 7);
    EXPECT_EQ(Get16(v, 14), 1);  // 0x102D: tag 1, two values
    EXPECT_EQ(Get16(v, Get32(v, 22) + 2), 12);
  }
}

TEST(RawCodec, UnknownAndDamagedFilesAbort) {
  auto dng = RawTestDng();
  std::vector<std::vector<uint8_t>> bad = {std::vector<uint8_t>(3000, 0x37), {'I', 'I', 42, 0},
                                           std::vector<uint8_t>(dng.begin(), dng.begin() + 200)};
  std::vector<uint8_t> noisy = dng;
  for (size_t i = 8; i < noisy.size(); i += 5) noisy[i] ^= 0xA5;
  bad.push_back(noisy);
  for (size_t i = 0; i < bad.size(); ++i) {
    TRead r;
    r.Bitmap.Allocate(4, 4, ie24RGB);
    TMemoryStream s;
    Load(s, bad[i]);
    TTestProgress pr;
    CameraRawReadImage(&s, &r.Bitmap, r.Params, pr.Rec, false);
    if (i < 3) {
      EXPECT_TRUE(pr.Aborted()) << i;
    }
    if (pr.Aborted()) {
      EXPECT_EQ(r.Bitmap.Width(), 4) << i;
    }
  }
}

TEST(RawCodec, FrontEndFindsAndLoadsTheThumbnail) {
  IEInitFileFormats();
  const std::string name = CodecTestDir() + "/raw_test.nef";
  WriteFileBytes(name, RawTestDng());
  EXPECT_EQ(IEFindFileFormat(name, true), ioRAW);
  TIEBitmap target;
  TImageryIO io(nullptr);
  io.AttachBitmap(&target);
  io.Params->RAW_GetExifThumbnail = true;
  io.LoadFromFile(name);
  ASSERT_FALSE(io.Aborting.load());
  EXPECT_EQ(io.Params->FileType, ioRAW);
  EXPECT_EQ(target.Width(), kRawThumbW);
  IEFreeFileFormats();
}

TEST(RawCodec, AutoAdjustMatchesTheThumbnailsColours) {
  auto plain = RawTestRead(RawTestDng());
  auto matched = RawTestRead(RawTestDng(), [](TIOParamsVals& p) { p.RAW_AutoAdjustColors = true; });
  ASSERT_FALSE(matched->Aborted);
  const TIERGBPixel a = plain->Bitmap.GetPixelAsRGB(15, 10), b = matched->Bitmap.GetPixelAsRGB(15, 10);
  EXPECT_NEAR(a.r, a.b, 12);                    // the sensor saw grey
  EXPECT_GT(b.r, b.b + 100);                    // now it follows the orange thumbnail
  EXPECT_NEAR(b.r, 250, 12);
  EXPECT_NEAR(b.b, 20, 12);
}
