// BMP codec: round trips over every depth and header, top-down files, palettes, bit fields,
// alpha, RLE decoding and encoding, and a table of hostile files.
#include <gtest/gtest.h>

#include <memory>

#include "codectest.h"
#include "imaging/codecs/bmpfilt.h"
#include "imaging/core/iemask.h"
#include "imaging/io/ieparams.h"

namespace {

// A BMP file with a Windows header of HeaderSize bytes, the given palette (4-byte entries),
// optional masks and the pixel bytes as given.
std::vector<uint8_t> MakeBmp(int w, int h, int bits, uint32_t compression, const std::vector<TIERGBPixel>& palette,
                             const std::vector<uint8_t>& pixels, int headerSize = 40, uint32_t colorsUsed = 0,
                             const std::vector<uint32_t>& masks = {}) {
  std::vector<uint8_t> v;
  const uint32_t offset = 14 + headerSize + 4 * static_cast<uint32_t>(palette.size()) + 4 * static_cast<uint32_t>(masks.size());
  v.push_back('B');
  v.push_back('M');
  Put32(v, offset + static_cast<uint32_t>(pixels.size()));
  Put32(v, 0);
  Put32(v, offset);
  Put32(v, headerSize);
  Put32(v, static_cast<uint32_t>(w));
  Put32(v, static_cast<uint32_t>(h));
  Put16(v, 1);
  Put16(v, bits);
  Put32(v, compression);
  Put32(v, static_cast<uint32_t>(pixels.size()));
  Put32(v, 3780);
  Put32(v, 3780);
  Put32(v, colorsUsed);
  Put32(v, 0);
  v.resize(14 + headerSize, 0);
  for (auto p : palette) {
    v.push_back(p.b);
    v.push_back(p.g);
    v.push_back(p.r);
    v.push_back(0);
  }
  for (auto m : masks) Put32(v, m);
  v.insert(v.end(), pixels.begin(), pixels.end());
  return v;
}

std::unique_ptr<TRead> Read(const std::vector<uint8_t>& data, bool native = false, bool ignoreAlpha = false) {
  auto r = std::make_unique<TRead>();
  r->Params.IsNativePixelFormat = native;
  TMemoryStream s;
  Load(s, data);
  TTestProgress pr;
  BmpReadImage(&s, &r->Bitmap, 0, r->Params, pr.Rec, false, false, r->Mask, ignoreAlpha);
  r->Aborted = pr.Aborted();
  return r;
}

std::vector<uint8_t> Write(TIEBitmap& bmp, TIOParamsVals& p, bool withAlpha = false) {
  TMemoryStream out;
  TTestProgress pr;
  BmpWriteImage(&out, &bmp, p, withAlpha, pr.Rec);
  EXPECT_FALSE(pr.Aborted());
  return Bytes(out);
}

}  // namespace

TEST(Bmp, RoundTripsOverDepthsHeadersAndCompression) {
  TIEBitmap photo;
  MakePhoto(photo, 37, 23);
  TIEBitmap few;  // 12 colours: exact 4-bit and 8-bit palettes
  few.Allocate(37, 23, ie24RGB);
  for (int y = 0; y < 23; ++y)
    for (int x = 0; x < 37; ++x) few.SetPixelRGB(x, y, PixRGB((x / 10) * 60, (y / 8) * 100, 40));
  TIEBitmap mono;
  mono.Allocate(37, 23, ie1g);
  for (int y = 0; y < 23; ++y) {
    std::memset(mono.Scanline(y), 0, mono.RowLen());
    for (int x = 0; x < 37; ++x)
      if ((x * y) % 5 == 0) mono.Scanline(y)[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
  }
  struct Case {
    const char* name;
    TIEBitmap* bmp;
    int spp, bps, version, compression;
    int fileBits;
    double minPsnr;
  } cases[] = {
      {"24", &photo, 3, 8, 1, 0, 24, 99},          {"24 core", &photo, 3, 8, 2, 0, 24, 99},
      {"24 v3", &photo, 3, 8, 3, 0, 24, 99},        {"8", &few, 1, 8, 1, 0, 8, 99},
      {"8 rle", &few, 1, 8, 1, 1, 8, 99},           {"4", &few, 1, 4, 1, 0, 4, 99},
      {"4 rle", &few, 1, 4, 1, 1, 4, 99},           {"4 core", &few, 1, 4, 2, 0, 4, 99},
      {"8 quantized", &photo, 1, 8, 1, 0, 8, 27},   {"1", &mono, 1, 1, 1, 0, 1, 99},
      {"1 core", &mono, 1, 1, 2, 0, 1, 99},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    TIOParamsVals p;
    p.SamplesPerPixel = c.spp;
    p.BitsPerSample = c.bps;
    p.BMP_Version = static_cast<uint8_t>(c.version);
    p.BMP_Compression = static_cast<uint8_t>(c.compression);
    p.SetDpiX(96);
    p.SetDpiY(96);
    auto bytes = Write(*c.bmp, p);
    EXPECT_EQ(Get32(bytes, 2), bytes.size());  // file size completed at the end
    auto r = Read(bytes);
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(r->Params.BMP_Version, c.version);
    EXPECT_EQ(r->Params.BMP_Compression, c.version == 2 ? 0 : c.compression);
    EXPECT_EQ(r->Params.DpiX, c.version == 2 ? IEDefaultDpiX : 96);
    EXPECT_GE(PSNR(*c.bmp, r->Bitmap), c.minPsnr);
    const int headerSize = c.version == 2 ? 12 : c.version == 3 ? 64 : 40;
    EXPECT_EQ(bytes[14], headerSize);
  }
  // Writing with the core header and RLE asked for: uncompressed.
  TIOParamsVals p;
  p.SamplesPerPixel = 1;
  p.BitsPerSample = 8;
  p.BMP_Version = 2;
  p.BMP_Compression = 1;
  auto r = Read(Write(few, p));
  EXPECT_EQ(r->Params.BMP_Compression, 0);
}

TEST(Bmp, ColoursImportantAndAlphaWriting) {
  TIEBitmap photo;
  MakePhoto(photo, 8, 8);
  TIOParamsVals p;
  auto b24 = Write(photo, p);
  EXPECT_EQ(Get32(b24, 14 + 36), 16777216u);
  photo.GetAlphaChannel()->Scanline(2)[3] = 7;
  photo.GetAlphaChannel()->Full = false;
  auto b32 = Write(photo, p, true);
  EXPECT_EQ(b32[28], 32);
  EXPECT_EQ(Get32(b32, 14 + 36), 1u);
  auto r = Read(b32);
  ASSERT_NE(r->Mask, nullptr);
  EXPECT_EQ(r->Mask->GetScanline(2)[3], 7);
  EXPECT_EQ(r->Mask->GetScanline(2)[4], 255);
  auto noAlpha = Read(Write(photo, p, false));  // written opaque: no mask comes back
  EXPECT_EQ(noAlpha->Mask, nullptr);
}

TEST(Bmp, TopDownFilesMatchBottomUpTwins) {
  std::vector<uint8_t> rows;  // 3 x 2, 32 bits: blue, green, red, alpha
  for (int i = 0; i < 6; ++i) rows.insert(rows.end(), {uint8_t(i * 10), uint8_t(i * 20), uint8_t(i * 30), uint8_t(i * 40)});
  auto up = MakeBmp(3, 2, 32, 0, {}, rows);
  std::vector<uint8_t> flipped(rows.begin() + 12, rows.end());
  flipped.insert(flipped.end(), rows.begin(), rows.begin() + 12);
  auto down = MakeBmp(3, -2, 32, 0, {}, flipped);
  auto a = Read(up), b = Read(down);
  ASSERT_FALSE(a->Aborted);
  ASSERT_FALSE(b->Aborted);
  EXPECT_EQ(b->Params.Height, 2);
  EXPECT_EQ(PSNR(a->Bitmap, b->Bitmap), 99);
  ASSERT_TRUE(a->Mask && b->Mask);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) EXPECT_EQ(a->Mask->GetPixel(x, y), b->Mask->GetPixel(x, y));
  EXPECT_EQ(a->Bitmap.GetPixelRGB(0, 1), PixRGB(0, 0, 0));  // first stored row is the bottom row
  EXPECT_EQ(a->Bitmap.GetPixelRGB(0, 0), PixRGB(90, 60, 30));
}

TEST(Bmp, AlphaOnlyWhenTheFourthBytesCarryIt) {
  for (int fill : {0, 255}) {
    std::vector<uint8_t> rows;
    for (int i = 0; i < 4; ++i) rows.insert(rows.end(), {10, 20, 30, uint8_t(fill)});
    auto r = Read(MakeBmp(2, 2, 32, 0, {}, rows));
    EXPECT_FALSE(r->Aborted);
    EXPECT_EQ(r->Mask, nullptr) << fill;
    EXPECT_EQ(r->Params.SamplesPerPixel, 4);
  }
}

TEST(Bmp, OneBitPalettes) {
  const std::vector<uint8_t> rows = {0xA0, 0, 0, 0};  // 3 x 1 pixels: 1 0 1
  struct Case { std::vector<TIERGBPixel> pal; bool inverted; } cases[] = {
      {{PixRGB(255, 255, 255), PixRGB(0, 0, 0)}, true}, {{PixRGB(0, 0, 0), PixRGB(255, 255, 255)}, false}};
  for (auto& c : cases) {
    auto r = Read(MakeBmp(3, 1, 1, 0, c.pal, rows));
    ASSERT_EQ(r->Bitmap.PixelFormat(), ie1g);
    uint8_t want = c.inverted ? 0x40 : 0xA0;
    EXPECT_EQ(r->Bitmap.Scanline(0)[0] & 0xE0, want);
  }
}

TEST(Bmp, OneBitFilesWithOtherColoursKeepThem) {
  const std::vector<uint8_t> rows = {0xA0, 0, 0, 0};  // 1 0 1
  const std::vector<TIERGBPixel> pal = {PixRGB(255, 0, 0), PixRGB(0, 0, 255)};
  auto rgb = Read(MakeBmp(3, 1, 1, 0, pal, rows));
  ASSERT_FALSE(rgb->Aborted);
  ASSERT_EQ(rgb->Bitmap.PixelFormat(), ie24RGB);
  EXPECT_EQ(rgb->Bitmap.GetPixelRGB(0, 0), PixRGB(0, 0, 255));
  EXPECT_EQ(rgb->Bitmap.GetPixelRGB(1, 0), PixRGB(255, 0, 0));
  EXPECT_EQ(rgb->Bitmap.GetPixelRGB(2, 0), PixRGB(0, 0, 255));
  EXPECT_EQ(rgb->Params.BitsPerSample, 1);
  auto native = Read(MakeBmp(3, 1, 1, 0, pal, rows), true);
  ASSERT_EQ(native->Bitmap.PixelFormat(), ie8p);
  EXPECT_EQ(std::vector<int>(native->Bitmap.Scanline(0), native->Bitmap.Scanline(0) + 3), (std::vector<int>{1, 0, 1}));
  EXPECT_EQ(native->Bitmap.GetPaletteEntry(0), PixRGB(255, 0, 0));
  EXPECT_EQ(native->Bitmap.GetPaletteEntry(1), PixRGB(0, 0, 255));
  // Two dark greys are not black and white either.
  auto greys = Read(MakeBmp(3, 1, 1, 0, {PixRGB(20, 20, 20), PixRGB(90, 90, 90)}, rows));
  EXPECT_EQ(greys->Bitmap.GetPixelRGB(0, 0), PixRGB(90, 90, 90));
  EXPECT_EQ(greys->Bitmap.GetPixelRGB(1, 0), PixRGB(20, 20, 20));
}

TEST(Bmp, SixteenBitFields) {
  std::vector<uint8_t> px = {0xFF, 0xFF, 0x1F, 0x00, 0x10, 0x42, 0, 0};  // 0xFFFF, 0x001F, 0x4210
  auto r555 = Read(MakeBmp(3, 1, 16, 0, {}, px));
  EXPECT_EQ(r555->Bitmap.GetPixelRGB(0, 0), PixRGB(255, 255, 255));  // five bits widen to 0..255
  EXPECT_EQ(r555->Bitmap.GetPixelRGB(1, 0), PixRGB(0, 0, 255));
  EXPECT_EQ(r555->Bitmap.GetPixelRGB(2, 0), PixRGB(132, 132, 132));  // 16 of 31
  EXPECT_EQ(r555->Params.BitsPerSample, 5);
  auto r565 = Read(MakeBmp(3, 1, 16, 3, {}, px, 40, 0, {0xF800, 0x07E0, 0x001F}));
  EXPECT_EQ(r565->Bitmap.GetPixelRGB(0, 0), PixRGB(255, 255, 255));
  EXPECT_EQ(r565->Bitmap.GetPixelRGB(2, 0), PixRGB(66, 65, 132));  // 8/31, 16/63, 16/31
}

// Files with the longer headers keep their masks inside the header (at offset 40), not after it.
TEST(Bmp, BitFieldsOfTheLongerHeaders) {
  auto withMasks = [](int w, int bits, uint32_t compression, std::vector<uint8_t> px, int headerSize,
                      std::vector<uint32_t> masks) {
    auto v = MakeBmp(w, 1, bits, compression, {}, px, headerSize);
    for (size_t k = 0; k < masks.size() && 40 + 4 * k + 4 <= static_cast<size_t>(headerSize); ++k)
      for (int b = 0; b < 4; ++b) v[14 + 40 + 4 * k + b] = static_cast<uint8_t>(masks[k] >> (8 * b));
    return v;
  };
  // 5-6-5 white and pure green; mask-like bytes right after the header would read as 0x0000FFFF.
  const std::vector<uint8_t> px565 = {0xFF, 0xFF, 0xE0, 0x07, 0xFF, 0xFF, 0xFF, 0xFF};
  for (int headerSize : {52, 56, 108, 124}) {
    for (uint32_t compression : {3u, 6u}) {
      SCOPED_TRACE(testing::Message() << headerSize << " " << compression);
      auto r = Read(withMasks(2, 16, compression, px565, headerSize, {0xF800, 0x07E0, 0x001F, 0}));
      ASSERT_FALSE(r->Aborted);
      EXPECT_EQ(r->Bitmap.GetPixelRGB(0, 0), PixRGB(255, 255, 255));
      EXPECT_EQ(r->Bitmap.GetPixelRGB(1, 0), PixRGB(0, 255, 0));
    }
  }
  // 32 bits, red in the lowest byte, alpha in the highest (a 124-byte header's alpha mask).
  const std::vector<uint8_t> px32 = {200, 100, 50, 128, 1, 2, 3, 255};
  auto r = Read(withMasks(2, 32, 3, px32, 124, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}));
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Bitmap.GetPixelRGB(0, 0), PixRGB(200, 100, 50));
  EXPECT_EQ(r->Bitmap.GetPixelRGB(1, 0), PixRGB(1, 2, 3));
  ASSERT_NE(r->Mask, nullptr);
  EXPECT_EQ(r->Mask->GetPixel(0, 0), 128);
  EXPECT_EQ(r->Mask->GetPixel(1, 0), 255);
  // Bit fields with alpha after a 40-byte header: four masks follow it.
  auto a6 = Read(MakeBmp(2, 1, 32, 6, {}, px32, 40, 0, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}));
  ASSERT_FALSE(a6->Aborted);
  EXPECT_EQ(a6->Bitmap.GetPixelRGB(0, 0), PixRGB(200, 100, 50));
  ASSERT_NE(a6->Mask, nullptr);
  EXPECT_EQ(a6->Mask->GetPixel(0, 0), 128);
}

TEST(Bmp, RleDecodingRunsDeltasAndRowEnds) {
  std::vector<TIERGBPixel> pal(16);
  for (int i = 0; i < 16; ++i) pal[i] = PixRGB(i * 16, 0, 255 - i * 16);
  // RLE8, 4 x 3: a run of 6 (longer than the row) then end of line; a delta of (2, 1); a literal.
  std::vector<uint8_t> rle8 = {6, 5, 0, 0, 0, 2, 2, 1, 2, 7, 0, 1};
  auto r8 = Read(MakeBmp(4, 3, 8, 1, pal, rle8), true);
  ASSERT_FALSE(r8->Aborted);
  const uint8_t* bottom = r8->Bitmap.Scanline(2);
  EXPECT_EQ(bottom[0], 5);
  EXPECT_EQ(bottom[3], 5);  // pixels beyond the row keep landing on its last pixel
  const uint8_t* top = r8->Bitmap.Scanline(0);
  EXPECT_EQ(top[2], 7);  // after the delta: column 2 of stored row 2
  EXPECT_EQ(top[3], 7);
  // RLE4 cuts a long run at the row end; absolute mode with a pad byte.
  std::vector<uint8_t> rle4 = {9, 0x12, 0, 0, 0, 3, 0x34, 0x50, 0, 1};
  auto r4 = Read(MakeBmp(4, 2, 4, 2, pal, rle4), true);
  ASSERT_FALSE(r4->Aborted);
  const uint8_t* row0 = r4->Bitmap.Scanline(1);
  EXPECT_EQ(std::vector<int>(row0, row0 + 4), (std::vector<int>{1, 2, 1, 2}));
  const uint8_t* row1 = r4->Bitmap.Scanline(0);
  EXPECT_EQ(std::vector<int>(row1, row1 + 3), (std::vector<int>{3, 4, 5}));
  auto colours = Read(MakeBmp(4, 2, 4, 2, pal, rle4));
  EXPECT_EQ(colours->Bitmap.GetPixelRGB(2, 0), pal[5]);
}

TEST(Bmp, RlePixelsPastTheWidthAreDropped) {
  std::vector<TIERGBPixel> pal(16);
  for (int i = 0; i < 16; ++i) pal[i] = PixRGB(i * 16, 0, 255 - i * 16);
  // 3 x 1 rows padded to 4 pixels by their writer: a run of 3, then a fourth pixel of colour 9.
  std::vector<uint8_t> rle8 = {3, 5, 1, 9, 0, 0, 0, 4, 1, 2, 3, 9, 0, 0, 0, 1};
  auto r8 = Read(MakeBmp(3, 2, 8, 1, pal, rle8), true);
  ASSERT_FALSE(r8->Aborted);
  const uint8_t* bottom = r8->Bitmap.Scanline(1);
  EXPECT_EQ(std::vector<int>(bottom, bottom + 3), (std::vector<int>{5, 5, 5}));
  const uint8_t* top = r8->Bitmap.Scanline(0);
  EXPECT_EQ(std::vector<int>(top, top + 3), (std::vector<int>{1, 2, 3}));
  std::vector<uint8_t> rle4 = {4, 0x59, 0, 0, 0, 4, 0x12, 0x39, 0, 0, 0, 1};
  auto r4 = Read(MakeBmp(3, 2, 4, 2, pal, rle4), true);
  ASSERT_FALSE(r4->Aborted);
  EXPECT_EQ(std::vector<int>(r4->Bitmap.Scanline(1), r4->Bitmap.Scanline(1) + 3), (std::vector<int>{5, 9, 5}));
  EXPECT_EQ(std::vector<int>(r4->Bitmap.Scanline(0), r4->Bitmap.Scanline(0) + 3), (std::vector<int>{1, 2, 3}));
}

TEST(Bmp, PixelsTheCodesSkipTakeColourZero) {
  std::vector<TIERGBPixel> pal = {PixRGB(10, 20, 30), PixRGB(200, 0, 0)};
  // 4 x 2: one pixel, end of line, then end of bitmap: everything else is colour 0.
  auto r = Read(MakeBmp(4, 2, 8, 1, pal, {1, 1, 0, 0, 0, 1}));
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Bitmap.GetPixelRGB(0, 1), PixRGB(200, 0, 0));
  for (auto [x, y] : {std::pair{1, 1}, std::pair{3, 1}, std::pair{0, 0}, std::pair{3, 0}})
    EXPECT_EQ(r->Bitmap.GetPixelRGB(x, y), PixRGB(10, 20, 30)) << x << "," << y;
}

TEST(Bmp, FailedReadsLeaveNoStalePixels) {
  std::vector<TIERGBPixel> pal2 = {PixRGB(10, 10, 10), PixRGB(200, 200, 200)};
  std::vector<uint8_t> px24(12 * 4, 0x55);  // 4 x 4, 24 bits
  auto cut24 = MakeBmp(4, 4, 24, 0, {}, px24);
  cut24.resize(cut24.size() - 20);  // the last two stored rows (the top of the image) are missing
  auto rleCut = MakeBmp(4, 4, 8, 1, pal2, {4, 1, 0, 0, 2});
  // A reused bitmap of the same size and format starts out full of another picture.
  TRead r;
  r.Bitmap.Allocate(4, 4, ie24RGB);
  for (int y = 0; y < 4; ++y) std::memset(r.Bitmap.Scanline(y), 0xEE, r.Bitmap.RowLen());
  TMemoryStream s;
  Load(s, cut24);
  TTestProgress pr;
  BmpReadImage(&s, &r.Bitmap, 0, r.Params, pr.Rec, false, false, r.Mask, false);
  EXPECT_TRUE(pr.Aborted());
  EXPECT_FALSE(BmpLastErrorText().empty());
  EXPECT_EQ(r.Bitmap.GetPixelRGB(0, 3), PixRGB(0x55, 0x55, 0x55));
  EXPECT_EQ(r.Bitmap.GetPixelRGB(0, 0), PixRGB(0, 0, 0));  // not the old 0xEE
  auto rr = Read(rleCut);
  EXPECT_TRUE(rr->Aborted);
  EXPECT_FALSE(BmpLastErrorText().empty());
  EXPECT_EQ(rr->Bitmap.GetPixelRGB(0, 0), PixRGB(10, 10, 10));
  auto ok = Read(MakeBmp(1, 1, 24, 0, {}, {1, 2, 3, 0}));
  EXPECT_FALSE(ok->Aborted);
  EXPECT_TRUE(BmpLastErrorText().empty());
}

TEST(Bmp, RleEncodingOfRows) {
  struct Case { const char* name; std::vector<uint8_t> row; bool rle4; std::vector<uint8_t> want; } cases[] = {
      {"three different", {1, 2, 3}, false, {0, 3, 1, 2, 3, 0, 0, 0}},
      {"one", {9}, false, {1, 9, 0, 0}},
      {"two different", {4, 5}, false, {1, 4, 1, 5, 0, 0}},
      {"rle4 run", {3, 3, 3}, true, {3, 0x33, 0, 0}},
      {"rle4 literal", {1, 2, 3}, true, {0, 3, 0x12, 0x30, 0, 0}},
  };
  for (auto& c : cases) {
    std::vector<uint8_t> out;
    BmpRleEncodeRow(c.row.data(), static_cast<int>(c.row.size()), c.rle4, out);
    EXPECT_EQ(out, c.want) << c.name;
  }
  std::vector<uint8_t> same(300, 7), out;
  BmpRleEncodeRow(same.data(), 300, false, out);
  EXPECT_EQ(out, (std::vector<uint8_t>{255, 7, 45, 7, 0, 0}));
}

TEST(Bmp, LongHeadersKeepThePaletteRightAfterThem) {
  std::vector<TIERGBPixel> pal = {PixRGB(1, 2, 3), PixRGB(250, 100, 0)};
  for (int headerSize : {108, 124}) {
    auto r = Read(MakeBmp(4, 1, 8, 0, pal, {0, 1, 1, 0}, headerSize, 2));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(r->Params.BMP_Version, 0);
    EXPECT_EQ(r->Bitmap.GetPixelRGB(1, 0), PixRGB(250, 100, 0));
  }
}

TEST(Bmp, HostileFilesFailCleanly) {
  std::vector<TIERGBPixel> pal2 = {PixRGB(10, 10, 10), PixRGB(200, 200, 200)};
  std::vector<uint8_t> px8(4 * 4, 1);
  auto good = MakeBmp(4, 4, 8, 0, pal2, px8, 40, 2);
  // Indexes beyond a two-entry colour table read as black (no stray memory).
  std::vector<uint8_t> beyond(16, 200);
  auto r = Read(MakeBmp(4, 4, 8, 0, pal2, beyond, 40, 2));
  EXPECT_FALSE(r->Aborted);
  EXPECT_EQ(r->Bitmap.GetPixelRGB(0, 0), PixRGB(0, 0, 0));
  auto hugeW = MakeBmp(0x7FFFFFFF, 2, 24, 0, {}, {1, 2, 3});
  auto hugeH = MakeBmp(100000, 100000, 32, 0, {}, {1, 2, 3, 4});
  auto negW = MakeBmp(-5, 2, 24, 0, {}, {1, 2, 3});
  auto minH = MakeBmp(4, static_cast<int>(0x80000000u), 24, 0, {}, {1, 2, 3});
  auto zeroW = MakeBmp(0, 2, 24, 0, {}, {1, 2, 3});
  auto hugeHeader = good;
  hugeHeader[14] = 0, hugeHeader[15] = 0, hugeHeader[16] = 0, hugeHeader[17] = 0x40;
  auto lowOffset = good;
  lowOffset[10] = 20, lowOffset[11] = 0, lowOffset[12] = 0, lowOffset[13] = 0;
  auto badCompression = MakeBmp(4, 4, 24, 1, {}, std::vector<uint8_t>(48, 1));
  auto shortHeader = good;
  shortHeader[14] = 4, shortHeader[15] = 0;
  auto notBm = good;
  notBm[0] = 'X';
  auto badOffset = good;
  badOffset[10] = 0xFF, badOffset[11] = 0xFF, badOffset[12] = 0xFF, badOffset[13] = 0x7F;
  auto rleCut = MakeBmp(40, 40, 8, 1, pal2, {0, 40, 1, 1});  // absolute run beyond the data
  auto rleDelta = MakeBmp(40, 40, 8, 1, pal2, {0, 2, 255, 255, 5, 1});
  auto badBits = MakeBmp(4, 4, 7, 0, {}, px8);
  auto hugeUsed = MakeBmp(4, 4, 8, 0, {}, px8, 40, 0xFFFFFFF0u);
  struct Case { const char* name; std::vector<uint8_t> data; bool aborts; } cases[] = {
      {"empty", {}, true},
      {"file header only", std::vector<uint8_t>(good.begin(), good.begin() + 14), true},
      {"cut in the info header", std::vector<uint8_t>(good.begin(), good.begin() + 30), true},
      {"cut in the pixels", std::vector<uint8_t>(good.begin(), good.end() - 6), true},
      {"huge width", hugeW, true},
      {"huge dimensions", hugeH, true},
      {"negative width", negW, true},
      {"zero width", zeroW, true},
      {"minimum height", minH, true},
      {"header size beyond the data", hugeHeader, true},
      {"offset inside the headers", lowOffset, true},
      {"header size 4", shortHeader, true},
      {"not BM", notBm, true},
      {"offset beyond the file", badOffset, true},
      {"rle beyond the data", rleCut, true},
      {"rle delta beyond the image", rleDelta, false},
      {"bit count 7", badBits, true},
      {"24 bits run-length", badCompression, true},
      {"huge colours used", hugeUsed, false},
  };
  for (auto& c : cases) {
    auto rr = Read(c.data);
    EXPECT_EQ(rr->Aborted, c.aborts) << c.name;
    EXPECT_EQ(BmpLastErrorText().empty(), !c.aborts) << c.name;
  }
}

TEST(Bmp, AFullDiskAbortsTheWriter) {
  // A stream that takes the first Room bytes and then refuses more, as a full disk does.
  class TFullStream : public TStream {
  public:
    int64_t Room = 0, Written = 0;
    int64_t Read(void*, int64_t) override { return 0; }
    int64_t Write(const void*, int64_t Count) override {
      const int64_t n = std::min(Count, Room - Written);
      Written += n;
      return n;
    }
    int64_t Seek(int64_t, TSeekOrigin) override { return Written; }
  };
  TIEBitmap bmp;
  MakePhoto(bmp, 32, 32);
  for (int64_t room : {0, 20, 200}) {
    TFullStream s;
    s.Room = room;
    TTestProgress pr;
    TIOParamsVals p;
    BmpWriteImage(&s, &bmp, p, false, pr.Rec);
    EXPECT_TRUE(pr.Aborted()) << room;
    EXPECT_EQ(s.Written, room);
  }
}
