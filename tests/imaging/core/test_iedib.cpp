// Packed DIBs (both directions, run-length, bit fields, YUV frames), row conversions and bit
// helpers; hostile DIBs are refused without reading outside the block.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/iedibbitmap.h"
#include "imaging/core/iefilebuffer.h"
#include "imaging/core/ieutils.h"
#include "imaging/core/iefontstyle.h"
#include "platform/vcl/graphics.h"
#include "platform/win/wingdi.h"
#include "imgtestutil.h"

namespace {

void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}
uint32_t Get32(const uint8_t* p) { return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24; }

// A packed DIB: header, colour table, then the given pixel bytes.
std::vector<uint8_t> MakeDIB(int w, int h, int bits, uint32_t compression, const std::vector<uint8_t>& table,
                             const std::vector<uint8_t>& pixels, uint32_t colorsUsed = 0) {
  std::vector<uint8_t> d(40);
  Put32(d, 0, 40);
  Put32(d, 4, static_cast<uint32_t>(w));
  Put32(d, 8, static_cast<uint32_t>(h));
  d[12] = 1;
  d[14] = static_cast<uint8_t>(bits);
  Put32(d, 16, compression);
  Put32(d, 32, colorsUsed);
  d.insert(d.end(), table.begin(), table.end());
  d.insert(d.end(), pixels.begin(), pixels.end());
  return d;
}

// A 256-entry table whose entry i is (b = i, g = 255 - i, r = i / 2).
std::vector<uint8_t> RampTable(int n) {
  std::vector<uint8_t> t;
  for (int i = 0; i < n; ++i) {
    t.push_back(static_cast<uint8_t>(i));
    t.push_back(static_cast<uint8_t>(255 - i));
    t.push_back(static_cast<uint8_t>(i / 2));
    t.push_back(0);
  }
  return t;
}

TEST(IEDIB, CopyToDIBThenBackGivesTheSamePixels) {
  TTempFolder tmp;
  for (TIEPixelFormat pf : {ie1g, ie8g, ie8p, ie24RGB}) {
    for (bool inFile : {false, true}) {
      TIEBitmap b;
      if (inFile) b.MemoryThreshold = 0;
      ASSERT_TRUE(b.Allocate(19, 7, pf));
      PaintPattern(b, 1);
      if (pf == ie8p)
        for (int i = 0; i < 256; ++i) b.SetPaletteEntry(i, IEMakeRGB(i, i ^ 0x55, 255 - i));
      int64_t size = 0;
      void* dib = _CopyBitmaptoDIBEx(&b, 0, 0, 0, 0, 96, 96, &size);
      ASSERT_NE(dib, nullptr);
      TIEBitmap back;
      ASSERT_EQ(IEDIBToBitmap(dib, size, &back), IEBitsPerPixel[pf]) << int(pf);
      for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 19; ++x) ASSERT_EQ(back.GetPixelAsRGB(x, y), b.GetPixelAsRGB(x, y)) << int(pf);
      IEGlobalFree(dib);
    }
  }
}

TEST(IEDIB, HeaderSizeAndResolution) {
  TIEBitmap b(10, 10, ie24RGB);
  b.Fill(0);
  int64_t size = 0;
  uint8_t* dib = static_cast<uint8_t*>(_CopyBitmaptoDIBEx(&b, 0, 0, 0, 0, 96, 96, &size));
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(size, 44 + 32 * 10);
  EXPECT_EQ(Get32(dib + 24), 3779u);
  EXPECT_EQ(Get32(dib + 28), 3779u);
  void* p = dib;
  IEGlobalFree(p);
  TIEBitmap g(4, 2, ie16g);
  g.Fill(0xFF00);
  dib = static_cast<uint8_t*>(_CopyBitmaptoDIBEx(&g, 0, 0, 0, 0, 72, 72, &size));
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(dib[14], 24) << "other formats are stored as 24-bit";
  EXPECT_EQ(dib[40], 0xFF);
  p = dib;
  IEGlobalFree(p);
}

TEST(IEDIB, SubRectangleOfA1BitImage) {
  TIEBitmap b(16, 4, ie1g);
  b.Fill(0);
  b.FillRect(5, 1, 7, 1, 1);
  int64_t size;
  void* dib = _CopyBitmaptoDIBEx(&b, 4, 1, 12, 3, 96, 96, &size);
  TIEBitmap back;
  ASSERT_EQ(IEDIBToBitmap(dib, size, &back), 1);
  EXPECT_EQ(back.Width(), 8);
  EXPECT_EQ(back.Height(), 2);
  EXPECT_EQ(back.Scanline(0)[0], 0x70);
  EXPECT_EQ(back.Scanline(1)[0], 0x00);
  IEGlobalFree(dib);
}

TEST(IEDIB, PalettedAnd16BitAnd32BitDIBs) {
  // 4 bits: two pixels per byte, high nibble first; rows bottom-up
  auto d4 = MakeDIB(3, 2, 4, 0, RampTable(16), {0x12, 0x30, 0, 0, 0xF0, 0x00, 0, 0});
  TIEBitmap b;
  ASSERT_EQ(IEDIBToBitmap(d4.data(), d4.size(), &b), 4);
  EXPECT_EQ(b.GetPixelRGB(0, 1), IEMakeRGB(0, 254, 1)) << "bottom row holds index 1";
  EXPECT_EQ(b.GetPixelRGB(2, 1), IEMakeRGB(1, 252, 3));
  EXPECT_EQ(b.GetPixelRGB(0, 0), IEMakeRGB(7, 240, 15));
  // 16 bits, default masks: pure red 0x7C00 gives red 248
  auto d16 = MakeDIB(2, 1, 16, 0, {}, {0x00, 0x7C, 0x1F, 0x00});
  ASSERT_EQ(IEDIBToBitmap(d16.data(), d16.size(), &b), 16);
  EXPECT_EQ(b.GetPixelRGB(0, 0), IEMakeRGB(248, 0, 0));
  EXPECT_EQ(b.GetPixelRGB(1, 0), IEMakeRGB(0, 0, 248));
  // 16 bits with 5-6-5 bit fields
  std::vector<uint8_t> masks(12);
  Put32(masks, 0, 0xF800);
  Put32(masks, 4, 0x07E0);
  Put32(masks, 8, 0x001F);
  auto d565 = MakeDIB(2, 1, 16, 3, masks, {0xE0, 0x07, 0x00, 0xF8});
  ASSERT_EQ(IEDIBToBitmap(d565.data(), d565.size(), &b), 16);
  EXPECT_EQ(b.GetPixelRGB(0, 0), IEMakeRGB(0, 252, 0));
  EXPECT_EQ(b.GetPixelRGB(1, 0), IEMakeRGB(248, 0, 0));
  auto d32 = MakeDIB(1, 1, 32, 0, {}, {1, 2, 3, 4});
  ASSERT_EQ(IEDIBToBitmap(d32.data(), d32.size(), &b), 32);
  EXPECT_EQ(b.GetPixelRGB(0, 0), IEMakeRGB(3, 2, 1));
}

TEST(IEDIB, TopDownDIBKeepsItsRowOrder) {
  auto d = MakeDIB(1, -2, 24, 0, {}, {1, 1, 1, 0, 2, 2, 2, 0});
  TIEBitmap b;
  ASSERT_EQ(IEDIBToBitmap(d.data(), d.size(), &b), 24);
  EXPECT_EQ(b.GetPixelRGB(0, 0).r, 1) << "the first stored row is the top row";
  EXPECT_EQ(b.GetPixelRGB(0, 1).r, 2);
}

TEST(IEDIB, RunLengthDIBsAreDecodedAsRunLength) {
  // RLE8, 4 x 2: bottom row "run of 3 index 5, then index 9"; top row absolute 1 2 3 then 4
  const std::vector<uint8_t> rle8 = {3, 5, 1, 9, 0, 0, 0, 3, 1, 2, 3, 0, 1, 4, 0, 1};
  auto d = MakeDIB(4, 2, 8, 1, RampTable(16), rle8, 16);
  TIEBitmap b;
  ASSERT_EQ(IEDIBToBitmap(d.data(), d.size(), &b), 8);
  const TIERGBPixel c5{5, 250, 2}, c9{9, 246, 4}, c1{1, 254, 0}, c4{4, 251, 2};
  EXPECT_EQ(b.GetPixelRGB(0, 1), c5);
  EXPECT_EQ(b.GetPixelRGB(2, 1), c5);
  EXPECT_EQ(b.GetPixelRGB(3, 1), c9);
  EXPECT_EQ(b.GetPixelRGB(0, 0), c1);
  EXPECT_EQ(b.GetPixelRGB(3, 0), c4);
  // RLE4: a run of 4 alternating 1 and 2, then end of bitmap
  auto d4 = MakeDIB(4, 1, 4, 2, RampTable(16), {4, 0x12, 0, 1}, 16);
  ASSERT_EQ(IEDIBToBitmap(d4.data(), d4.size(), &b), 4);
  EXPECT_EQ(b.GetPixelRGB(0, 0), c1);
  EXPECT_EQ(b.GetPixelRGB(1, 0), (TIERGBPixel{2, 253, 1}));
  EXPECT_EQ(b.GetPixelRGB(2, 0), c1);
  // run-length data claimed for the wrong depth is refused, not read as rows
  auto wrong = MakeDIB(4, 1, 24, 1, {}, std::vector<uint8_t>(16, 0));
  EXPECT_EQ(IEDIBToBitmap(wrong.data(), wrong.size(), &b), 0);
}

TEST(IEDIB, HostileDIBsAreRefused) {
  const auto good = MakeDIB(4, 4, 8, 0, RampTable(256), std::vector<uint8_t>(16, 1));
  struct Case {
    std::vector<uint8_t> dib;
    const char* what;
  } cases[] = {
      {std::vector<uint8_t>(good.begin(), good.begin() + 30), "truncated header"},
      {std::vector<uint8_t>(good.begin(), good.end() - 1), "truncated pixels"},
      {std::vector<uint8_t>(good.begin(), good.begin() + 500), "truncated colour table"},
      {MakeDIB(1000000, 1000000, 24, 0, {}, {0, 0, 0, 0}), "oversized"},
      {MakeDIB(-4, 4, 24, 0, {}, std::vector<uint8_t>(64)), "negative width"},
      {MakeDIB(4, 4, 7, 0, {}, std::vector<uint8_t>(64)), "wrong bit count"},
      {MakeDIB(4, 4, 8, 0, RampTable(4), std::vector<uint8_t>(64), 100000), "colour count beyond 256"},
      {MakeDIB(4, -4, 8, 1, RampTable(256), {4, 1, 0, 1}), "top-down run-length"},
      {MakeDIB(4, 2, 8, 1, RampTable(256), {0, 5, 1}), "absolute run past the data"},
      {MakeDIB(4, 2, 4, 2, RampTable(16), {0, 2, 9}, 16), "delta past the data"},
  };
  for (const auto& c : cases) {
    TIEBitmap b;
    // exact-size heap copies let the sanitizer catch any read past the block
    std::vector<uint8_t> copy(c.dib);
    EXPECT_EQ(IEDIBToBitmap(copy.data(), copy.size(), &b), 0) << c.what;
    EXPECT_TRUE(b.IsEmpty()) << c.what;
  }
  TIEBitmap b;
  EXPECT_EQ(IEDIBToBitmap(good.data(), good.size(), &b), 8) << "the unaltered DIB loads";
  // a header size that runs past the block
  auto big = good;
  Put32(big, 0, 100000);
  EXPECT_EQ(IEDIBToBitmap(big.data(), big.size(), &b), 0);
}

TEST(IEDIB, YUVFrames) {
  // mid grey (Y 128, Cb 128, Cr 128) decodes to 130 in every layout
  struct Case {
    const char* fourcc;
    int w, h;
    size_t bytes;
  } cases[] = {{"YUY2", 4, 2, 16}, {"UYVY", 4, 2, 16}, {"YVYU", 4, 2, 16}, {"cyuv", 4, 2, 16},
               {"Y211", 4, 2, 8},  {"IYU1", 4, 2, 12}, {"IYU2", 4, 2, 24}, {"Y41P", 8, 2, 24},
               {"I420", 4, 2, 12}, {"YV12", 4, 2, 12}, {"YVU9", 4, 4, 18}};
  for (const auto& c : cases) {
    const uint32_t cc = uint32_t(uint8_t(c.fourcc[0])) | uint32_t(uint8_t(c.fourcc[1])) << 8 |
                        uint32_t(uint8_t(c.fourcc[2])) << 16 | uint32_t(uint8_t(c.fourcc[3])) << 24;
    auto hdr = MakeDIB(c.w, c.h, 16, cc, {}, {});
    std::vector<uint8_t> frame(c.bytes, 128);
    TIEBitmap b;
    ASSERT_EQ(IEDIBToBitmap(hdr.data(), hdr.size(), &b, frame.data(), frame.size()), 16) << c.fourcc;
    EXPECT_EQ(b.GetPixelRGB(c.w - 1, c.h - 1), IEMakeRGB(130, 130, 130)) << c.fourcc;
    EXPECT_EQ(b.GetPixelRGB(0, 0), IEMakeRGB(130, 130, 130)) << c.fourcc;
    std::vector<uint8_t> shortFrame(c.bytes - 1, 128);
    EXPECT_EQ(IEDIBToBitmap(hdr.data(), hdr.size(), &b, shortFrame.data(), shortFrame.size()), 0) << c.fourcc;
  }
  // orientation: YUY2 with positive height is top-down
  auto hdr = MakeDIB(2, 2, 16, 0x32595559, {}, {});
  std::vector<uint8_t> frame = {235, 128, 235, 128, 16, 128, 16, 128};
  TIEBitmap b;
  ASSERT_EQ(IEDIBToBitmap(hdr.data(), hdr.size(), &b, frame.data(), frame.size()), 16);
  EXPECT_EQ(b.GetPixelRGB(0, 0), IEMakeRGB(255, 255, 255));
  EXPECT_EQ(b.GetPixelRGB(0, 1), IEMakeRGB(0, 0, 0));
  TIERGBPixel p;
  IEYCbCr601ToRGB(128, 128, 128, p);
  EXPECT_EQ(p, IEMakeRGB(130, 130, 130));
}

TEST(IEDIB, DIBIntoDibbitmap) {
  auto d = MakeDIB(3, 2, 8, 0, RampTable(256), {7, 7, 7, 0, 9, 9, 9, 0});
  TIEDibbitmap dib;
  ASSERT_EQ(IEDIBToDibbitmap(d.data(), d.size(), &dib), 8);
  EXPECT_EQ(dib.BitCount, 24);
  EXPECT_EQ(static_cast<TIERGBPixel*>(dib.GetScanline(1))[0], (TIERGBPixel{7, 248, 3}));
  EXPECT_EQ(IEDIBToDibbitmap(d.data(), 20, &dib), 0);
}

TEST(IEDIB, ConvertPixelRow) {
  const uint8_t src8[10] = {1, 0, 1, 1, 0, 0, 0, 1, 1, 0};
  uint8_t dst[32] = {};
  EXPECT_EQ(IEConvertPixelRow(src8, dst, 8, nullptr, 0, nullptr, 10, 1), 2);
  EXPECT_EQ(dst[0], 0xB1);
  EXPECT_EQ(dst[1], 0x80);
  const TIERGBPixel pal[2] = {{0, 0, 0}, {1, 2, 3}};
  const uint8_t bits[1] = {0x40};
  EXPECT_EQ(IEConvertPixelRow(bits, dst, 1, nullptr, 2, pal, 2, 24), 6);
  EXPECT_EQ(dst[3], 1);
  EXPECT_EQ(dst[5], 3);
  const TIERGBPixel rgb[3] = {{0, 0, 0}, {255, 255, 255}, {9, 9, 9}};
  std::memset(dst, 0, sizeof dst);
  EXPECT_EQ(IEConvertPixelRow(reinterpret_cast<const uint8_t*>(rgb), dst, 24,
                              [](TIERGBPixel p) { return p.b == 255 ? 15 : 1; }, 0, nullptr, 3, 4),
            2);
  EXPECT_EQ(dst[0], 0x1F);
  EXPECT_EQ(dst[1], 0x10);
  EXPECT_EQ(IEConvertPixelRow(src8, dst, 16, nullptr, 0, nullptr, 3, 8), 0) << "pairs it does not know";
  // the remaining pairs: source bytes, pixel count, expected destination bytes
  const TIERGBPixel pal4[16] = {{0, 0, 0}, {1, 1, 1}, {2, 2, 2}, {3, 3, 3}};
  struct Case {
    int from, to;
    std::vector<uint8_t> src;
    int count;
    std::vector<uint8_t> out;
  } cases[] = {{4, 8, {0x12, 0x30}, 3, {1, 2, 3}},
               {4, 24, {0x21}, 2, {2, 2, 2, 1, 1, 1}},
               {4, 4, {0x12, 0x30}, 3, {0x12, 0x30}},
               {8, 8, {5, 6}, 2, {5, 6}},
               {8, 24, {3, 0}, 2, {3, 3, 3, 0, 0, 0}},
               {32, 24, {1, 2, 3, 4, 5, 6, 7, 8}, 2, {1, 2, 3, 5, 6, 7}},
               {1, 8, {0xA0}, 3, {1, 0, 1}},
               {1, 1, {0xA0, 0xFF}, 9, {0xA0, 0xFF}},
               {1, 4, {0x40}, 2, {0x01}},
               {24, 24, {1, 2, 3}, 1, {1, 2, 3}}};
  for (const auto& c : cases) {
    std::vector<uint8_t> out(c.out.size() + 4, 0);
    const int n = IEConvertPixelRow(c.src.data(), out.data(), c.from, nullptr, 16, pal4, c.count, c.to);
    EXPECT_EQ(n, static_cast<int>(c.out.size())) << c.from << "->" << c.to;
    out.resize(c.out.size());
    EXPECT_EQ(out, c.out) << c.from << "->" << c.to;
  }
}

TEST(IEDIB, BitHelpers) {
  uint8_t row[2] = {0xFF, 0x00};
  const uint8_t zeros[2] = {0, 0};
  IECopyBits(row, zeros, 2, 2, 3, 0);
  EXPECT_EQ(row[0], 0xC7) << "bits 2..4 cleared, the other five kept";
  uint8_t d[3] = {0, 0, 0};
  const uint8_t s[3] = {0xAB, 0xCD, 0xEF};
  IECopyBits(d, s, 3, 3, 16, 4);
  EXPECT_EQ(d[0], 0x17);
  EXPECT_EQ(d[1], 0x9B);
  EXPECT_EQ(d[2], 0xC0);
  IECopyBits(d, s, -1, 3, 4, 0);  // negative position: nothing
  EXPECT_EQ(d[0], 0x17);
  EXPECT_TRUE(IEGetBit(s, 0));
  EXPECT_FALSE(IEGetBit(s, 1));
  IESetBit(d, 0, true);
  EXPECT_EQ(d[0], 0x97);
  uint8_t px[6] = {1, 2, 3, 4, 5, 6};
  IESwapRB(px, 2);
  EXPECT_EQ(px[0], 3);
  EXPECT_EQ(px[5], 4);
  uint16_t w[3] = {1, 2, 3};
  IESwapRB48(w, 1);
  EXPECT_EQ(w[0], 3);
  TIEBitmap bw(10, 2, ie1g);
  bw.Fill(0);
  IEInvertBits(&bw);
  EXPECT_EQ(bw.Scanline(1)[0], 0xFF);
  const uint8_t* t = IEBuildBitExpandTable();
  EXPECT_EQ(t[0x80 * 24], 255);
  EXPECT_EQ(t[0x80 * 24 + 3], 0);
}

TEST(IEDIB, ClassLibraryBitmapCopiesAndExpansion) {
  TBitmap src;
  src.SetPixelFormat(pf8bit);
  src.SetSize(5, 3);
  for (int y = 0; y < 3; ++y) std::memset(src.ScanLine(y), 10 * y + 1, 5);
  std::vector<uint8_t> block(sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * 256);
  auto* lp = reinterpret_cast<LOGPALETTE*>(block.data());
  lp->palVersion = 0x300;
  lp->palNumEntries = 256;
  for (int i = 0; i < 256; ++i) lp->palPalEntry[i] = PALETTEENTRY{static_cast<BYTE>(i), 0, static_cast<BYTE>(255 - i), 0};
  src.SetPalette(CreatePalette(lp));
  std::unique_ptr<TBitmap> copy(IECopyTBitmap(&src));
  EXPECT_EQ(copy->Width(), 5);
  EXPECT_EQ(copy->PixelFormat(), pf8bit);
  EXPECT_EQ(static_cast<uint8_t*>(copy->ScanLine(2))[4], 21);
  EXPECT_EQ(GetPixel(copy->Canvas()->Handle(), 0, 1), GetPixel(src.Canvas()->Handle(), 0, 1));
  TBitmap empty, dest;
  dest.SetSize(7, 7);
  IECopyTBitmapTo(&empty, &dest);
  EXPECT_EQ(dest.Width(), 1);
  EXPECT_EQ(dest.Height(), 1);

  TBitmap bw;
  bw.SetPixelFormat(pf1bit);
  bw.SetSize(10, 2);
  static_cast<uint8_t*>(bw.ScanLine(0))[0] = 0x81;
  static_cast<uint8_t*>(bw.ScanLine(0))[1] = 0x40;
  static_cast<uint8_t*>(bw.ScanLine(1))[0] = 0;
  static_cast<uint8_t*>(bw.ScanLine(1))[1] = 0;
  TBitmap rgb;
  std::vector<int> progress;
  IEExpand1BitTBitmap(&bw, &rgb, [&](int p) { progress.push_back(p); });
  EXPECT_EQ(rgb.PixelFormat(), pf24bit);
  const uint8_t* row = static_cast<uint8_t*>(rgb.ScanLine(0));
  EXPECT_EQ(row[0], 255);
  EXPECT_EQ(row[3], 0);
  EXPECT_EQ(row[21], 255) << "pixel 7";
  EXPECT_EQ(row[27], 255) << "pixel 9, from the partial last byte";
  EXPECT_EQ(row[24], 0);
  EXPECT_EQ(progress, (std::vector<int>{40, 80}));
}

TEST(IEDIB, LogFontStyle) {
  LOGFONT lf{};
  EXPECT_TRUE(IELogFontStyle(nullptr).Empty());
  lf.lfWeight = 700;
  lf.lfStrikeOut = 1;
  TFontStyles s = IELogFontStyle(&lf);
  EXPECT_TRUE(s.Contains(fsBold));
  EXPECT_TRUE(s.Contains(fsStrikeOut));
  EXPECT_FALSE(s.Contains(fsItalic));
  lf.lfWeight = 699;
  EXPECT_FALSE(IELogFontStyle(&lf).Contains(fsBold));
}

TEST(IEDIB, SameBitmaps) {
  TIEBitmap a(5, 5, ie24RGB), b(5, 5, ie24RGB);
  PaintPattern(a);
  PaintPattern(b);
  EXPECT_TRUE(IESameBitmaps(&a, &b));
  a.GetAlphaChannel();
  EXPECT_FALSE(IESameBitmaps(&a, &b));
  b.GetAlphaChannel()->SetPixel8(0, 0, 3);
  EXPECT_FALSE(IESameBitmaps(&a, &b));
  a.GetAlphaChannel()->SetPixel8(0, 0, 3);
  EXPECT_TRUE(IESameBitmaps(&a, &b));
}

}  // namespace
