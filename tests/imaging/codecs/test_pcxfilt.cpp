// PCX and DCX codecs: every plane layout, repeats across lines, the palette at the end, the
// writer's line lengths, DCX page reading and insertion, damaged files, and netpbm's tools.
#include <gtest/gtest.h>

#include <memory>

#include "codectest.h"
#include "imaging/codecs/pcxfilt.h"
#include "imaging/io/ieparams.h"

namespace {

std::vector<uint8_t> PcxHeader(int bits, int planes, int w, int h, int bpl, int enc = 1, int dx = 72, int dy = 72) {
  std::vector<uint8_t> v(128, 0);
  v[0] = 10;
  v[1] = 5;
  v[2] = static_cast<uint8_t>(enc);
  v[3] = static_cast<uint8_t>(bits);
  v[8] = static_cast<uint8_t>((w - 1) & 0xFF);
  v[9] = static_cast<uint8_t>((w - 1) >> 8);
  v[10] = static_cast<uint8_t>((h - 1) & 0xFF);
  v[11] = static_cast<uint8_t>((h - 1) >> 8);
  v[12] = static_cast<uint8_t>(dx);
  v[13] = static_cast<uint8_t>(dx >> 8);
  v[14] = static_cast<uint8_t>(dy);
  v[15] = static_cast<uint8_t>(dy >> 8);
  for (int i = 0; i < 16; ++i) {  // colour map: entry i = (16 i, 0, 255 - 16 i)
    v[16 + 3 * i] = static_cast<uint8_t>(16 * i);
    v[18 + 3 * i] = static_cast<uint8_t>(255 - 16 * i);
  }
  v[65] = static_cast<uint8_t>(planes);
  v[66] = static_cast<uint8_t>(bpl & 0xFF);
  v[67] = static_cast<uint8_t>(bpl >> 8);
  return v;
}

std::unique_ptr<TRead> ReadPcx(const std::vector<uint8_t>& data, bool preview = false) {
  auto r = std::make_unique<TRead>();
  TMemoryStream s;
  Load(s, data);
  TTestProgress pr;
  PcxReadImage(&s, &r->Bitmap, r->Params, preview, pr.Rec, static_cast<int64_t>(data.size()));
  r->Aborted = pr.Aborted();
  return r;
}

std::vector<uint8_t> WritePcx(TIEBitmap& bmp, TIOParamsVals& p) {
  TMemoryStream s;
  TTestProgress pr;
  PcxWriteImage(&s, &bmp, p, pr.Rec);
  EXPECT_FALSE(pr.Aborted());
  return Bytes(s);
}

// A DCX file of the given page images.
std::vector<uint8_t> MakeDcx(const std::vector<std::vector<uint8_t>>& pages) {
  std::vector<uint8_t> v;
  Put32(v, 987654321u);
  uint32_t at = 4 + 4 * static_cast<uint32_t>(pages.size() + 1);
  for (const auto& p : pages) {
    Put32(v, at);
    at += static_cast<uint32_t>(p.size());
  }
  Put32(v, 0);
  for (const auto& p : pages) v.insert(v.end(), p.begin(), p.end());
  return v;
}

std::vector<uint8_t> SolidPage(int w, int h, uint8_t r, uint8_t g, uint8_t b) {
  TIEBitmap bmp;
  bmp.Allocate(w, h, ie24RGB);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) bmp.SetPixelRGB(x, y, PixRGB(r, g, b));
  TIOParamsVals p;
  p.BitsPerSample = 8;
  p.SamplesPerPixel = 3;
  return WritePcx(bmp, p);
}

int Pages(TMemoryStream& s) {
  s.SetPosition(0);
  return DcxPageCount(&s);
}

int PageRed(TMemoryStream& s, int index, int* stored = nullptr) {
  TRead r;
  r.Params.DCX_ImageIndex = index;
  TTestProgress pr;
  s.SetPosition(0);
  DcxReadPage(&s, &r.Bitmap, r.Params, false, pr.Rec);
  if (stored) *stored = r.Params.DCX_ImageIndex;
  return pr.Aborted() || r.Bitmap.IsEmpty() ? -1 : r.Bitmap.GetPixelAsRGB(0, 0).r;
}

}  // namespace

TEST(PcxCodec, EightBitPaletteAndRepeatsAcrossLines) {
  // 3 x 2 pixels, 4 bytes per line: a repeat of 6 runs over the first line into the second.
  auto v = PcxHeader(8, 1, 3, 2, 4);
  v.insert(v.end(), {0xC6, 1, 2, 3});
  v.push_back(12);
  for (int i = 0; i < 256; ++i) v.insert(v.end(), {static_cast<uint8_t>(i), 7, static_cast<uint8_t>(255 - i)});
  auto r = ReadPcx(v);
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Bitmap.GetPixelAsRGB(0, 1).r, 1);  // second line starts with the rest of the repeat
  EXPECT_EQ(r->Bitmap.GetPixelAsRGB(1, 1).r, 1);
  EXPECT_EQ(r->Bitmap.GetPixelAsRGB(2, 1).r, 2);
  EXPECT_EQ(r->Bitmap.GetPixelAsRGB(2, 1).b, 253);
  EXPECT_EQ(r->Params.ColorMapCount, 256);
  EXPECT_EQ(r->Params.DpiX, 72);
}

TEST(PcxCodec, PlaneLayouts) {
  // 4 planes of 1 bit: pixel 0 has bits in planes 0 and 2 (index 5), pixel 1 in plane 3 (8).
  auto four = PcxHeader(1, 4, 2, 1, 2, 0, 0, 300);
  four.insert(four.end(), {0x80, 0, 0, 0, 0x80, 0, 0x40, 0});
  auto r = ReadPcx(four);
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Params.BitsPerSample, 4);
  EXPECT_EQ(r->Params.SamplesPerPixel, 1);
  EXPECT_EQ(r->Bitmap.GetPixelAsRGB(0, 0).r, 80);
  EXPECT_EQ(r->Bitmap.GetPixelAsRGB(1, 0).r, 128);
  EXPECT_EQ(r->Params.DpiX, IEDefaultDpiX);  // a zero resolution: the default in both directions
  EXPECT_EQ(r->Params.DpiY, IEDefaultDpiY);
  // 1 plane of 4 bits, high nibble first.
  auto nib = PcxHeader(4, 1, 3, 1, 2, 0);
  nib.insert(nib.end(), {0x1F, 0x20});
  auto n = ReadPcx(nib);
  EXPECT_EQ(n->Bitmap.GetPixelAsRGB(0, 0).r, 16);
  EXPECT_EQ(n->Bitmap.GetPixelAsRGB(1, 0).r, 240);
  EXPECT_EQ(n->Bitmap.GetPixelAsRGB(2, 0).r, 32);
  // 1 plane of 1 bit: the bits as they are.
  auto mono = PcxHeader(1, 1, 10, 1, 2, 0);
  mono.insert(mono.end(), {0xA5, 0xC0});
  auto m = ReadPcx(mono);
  ASSERT_EQ(m->Bitmap.PixelFormat(), ie1g);
  EXPECT_EQ(m->Bitmap.Scanline(0)[0], 0xA5);
  EXPECT_EQ(m->Bitmap.Scanline(0)[1], 0xC0);
}

TEST(PcxCodec, WriterEvenLinesAndRoundTrips) {
  TIEBitmap bmp;
  MakeFewColors(bmp, 13, 5, 9);
  struct TCase {
    int Bits, Samples, Compression;
  };
  const TCase cases[] = {{8, 1, 1}, {8, 1, 0}, {8, 3, 1}, {8, 3, 0}, {4, 1, 1}, {1, 1, 1}, {1, 1, 0}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Bits << "x" << c.Samples << " rle " << c.Compression);
    TIOParamsVals p;
    p.BitsPerSample = c.Bits;
    p.SamplesPerPixel = c.Samples;
    p.PCX_Compression = static_cast<uint8_t>(c.Compression);
    auto v = WritePcx(bmp, p);
    const int bpl = Get16(v, 66);
    EXPECT_EQ(bpl % 2, 0);
    if (c.Bits == 8 && c.Samples == 1) { EXPECT_EQ(bpl, 14); }
    auto r = ReadPcx(v);
    ASSERT_FALSE(r->Aborted);
    ASSERT_EQ(r->Bitmap.Width(), 13);
    if (c.Bits != 1) { EXPECT_DOUBLE_EQ(PSNR(bmp, r->Bitmap), 99); }
  }
  // An 8-bit line of 13 pixels all different ends with the padding 0 byte.
  TIEBitmap ramp;
  ramp.Allocate(13, 1, ie24RGB);
  for (int x = 0; x < 13; ++x) ramp.SetPixelRGB(x, 0, PixRGB(x * 10, 0, 0));
  TIOParamsVals p;
  p.BitsPerSample = 8;
  p.SamplesPerPixel = 1;
  auto v = WritePcx(ramp, p);
  ASSERT_EQ(v.size(), 128u + 14 + 769);
  EXPECT_EQ(v[128 + 13], 0);
  EXPECT_EQ(v[128 + 14], 12);
}

TEST(PcxCodec, HostileFilesFailCleanly) {
  auto wide = PcxHeader(8, 1, 100, 1, 4, 0);  // 100 pixels, 4 bytes per line
  wide.resize(wide.size() + 1000, 0);
  auto big = PcxHeader(8, 3, 65535, 65535, 65535);
  big.resize(big.size() + 10, 0xC1);
  auto shortData = PcxHeader(8, 3, 8, 8, 8);
  shortData.insert(shortData.end(), {0xC8, 1});
  auto badBits = PcxHeader(2, 1, 4, 4, 2);
  badBits.resize(badBits.size() + 100, 0);
  const std::vector<std::vector<uint8_t>> bad = {{}, std::vector<uint8_t>(100, 10), PcxHeader(9, 1, 4, 4, 4),
                                                 PcxHeader(8, 1, 4, 4, 4, 2), wide, big, shortData, badBits};
  for (size_t i = 0; i < bad.size(); ++i) EXPECT_TRUE(ReadPcx(bad[i])->Aborted) << "case " << i;
}

TEST(DcxCodec, PagesReadAndInserted) {
  TMemoryStream s;
  Load(s, MakeDcx({SolidPage(3, 2, 10, 0, 0), SolidPage(4, 2, 20, 0, 0), SolidPage(5, 2, 30, 0, 0)}));
  EXPECT_TRUE(DcxDetect(&s));
  EXPECT_EQ(DcxPageCount(&s), 3);
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(PageRed(s, 1), 20);
  int stored = 0;
  EXPECT_EQ(PageRed(s, 9, &stored), 30);
  EXPECT_EQ(stored, 2);

  TIEBitmap page;
  page.Allocate(2, 2, ie24RGB);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 2; ++x) page.SetPixelRGB(x, y, PixRGB(99, 0, 0));
  auto insert = [&](TMemoryStream& m, int index) {
    TIOParamsVals p;
    p.DCX_ImageIndex = index;
    TTestProgress pr;
    DcxInsertPage(&m, &page, p, pr.Rec);
    return !pr.Aborted();
  };
  const auto original = Bytes(s);
  TMemoryStream a;
  Load(a, original);
  ASSERT_TRUE(insert(a, 0));
  EXPECT_EQ(Pages(a), 4);
  EXPECT_EQ(PageRed(a, 0), 99);
  EXPECT_EQ(PageRed(a, 3), 30);
  TMemoryStream b;
  Load(b, original);
  ASSERT_TRUE(insert(b, 3));
  EXPECT_EQ(PageRed(b, 3), 99);
  EXPECT_EQ(PageRed(b, 2), 30);
  TMemoryStream c;
  Load(c, original);
  insert(c, 7);
  EXPECT_EQ(Pages(c), 3);
  // A new file from an empty stream; a stream that is not DCX is refused and left alone.
  TMemoryStream e;
  ASSERT_TRUE(insert(e, 0));
  EXPECT_EQ(Pages(e), 1);
  EXPECT_EQ(PageRed(e, 0), 99);
  TMemoryStream junk;
  Load(junk, {1, 2, 3, 4, 5});
  EXPECT_FALSE(insert(junk, 0));
  EXPECT_EQ(junk.Size(), 5);
}

TEST(DcxCodec, DamagedTables) {
  std::vector<uint8_t> outside;
  Put32(outside, 987654321u);
  Put32(outside, 5000);
  Put32(outside, 0);
  TMemoryStream s;
  Load(s, outside);
  EXPECT_FALSE(DcxDetect(&s));
  std::vector<uint8_t> empty;
  Put32(empty, 987654321u);
  Put32(empty, 0);
  Load(s, empty);
  EXPECT_EQ(PageRed(s, 0), -1);
}

TEST(PcxCodec, AgreesWithNetpbm) {
  if (!HaveTool("pcxtoppm") || !HaveTool("ppmtopcx")) GTEST_SKIP() << "netpbm tools not installed";
  const std::string dir = CodecTestDir();
  TIEBitmap bmp;
  MakeFewColors(bmp, 27, 9, 14);
  WriteFileBytes(dir + "/src.ppm", MakePpm(bmp));
  for (const char* opt : {"", "-24bit", "-8bit", "-planes=4", "-packed"}) {
    SCOPED_TRACE(opt);
    ASSERT_TRUE(RunTool(std::string("ppmtopcx ") + opt + " " + dir + "/src.ppm > " + dir + "/theirs.pcx"));
    auto r = ReadPcx(ReadFileBytes(dir + "/theirs.pcx"));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(CountDiffs(r->Bitmap, ParseNetpbm(ReadFileBytes(dir + "/src.ppm"))), 0);
  }
  struct TCase {
    int Bits, Samples;
  };
  for (TCase c : {TCase{8, 1}, TCase{8, 3}, TCase{4, 1}}) {
    TIOParamsVals p;
    p.BitsPerSample = c.Bits;
    p.SamplesPerPixel = c.Samples;
    WriteFileBytes(dir + "/ours.pcx", WritePcx(bmp, p));
    ASSERT_TRUE(RunTool("pcxtoppm " + dir + "/ours.pcx > " + dir + "/ours.ppm"));
    EXPECT_EQ(CountDiffs(bmp, ParseNetpbm(ReadFileBytes(dir + "/ours.ppm"))), 0) << c.Bits << "x" << c.Samples;
  }
}
