// PNM, WBMP and raw pixel codecs: the header cases, scaling of the sample range, comments,
// writers, damaged headers, and files read and written by netpbm's tools.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "codectest.h"
#include "imaging/codecs/pnmfilt.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/strings.h"

namespace {

std::vector<uint8_t> Text(const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); }

std::unique_ptr<TRead> ReadPnm(const std::vector<uint8_t>& data, bool native = false, bool preview = false) {
  auto r = std::make_unique<TRead>();
  r->Params.IsNativePixelFormat = native;
  TMemoryStream s;
  Load(s, data);
  TTestProgress pr;
  PnmReadImage(&s, &r->Bitmap, r->Params, pr.Rec, preview);
  r->Aborted = pr.Aborted();
  return r;
}

std::unique_ptr<TRead> ReadWbmp(const std::vector<uint8_t>& data) {
  auto r = std::make_unique<TRead>();
  TMemoryStream s;
  Load(s, data);
  TTestProgress pr;
  WbmpReadImage(&s, &r->Bitmap, r->Params, pr.Rec, false);
  r->Aborted = pr.Aborted();
  return r;
}

template <typename F>
std::vector<uint8_t> WriteWith(F Writer, TIEBitmap& bmp, TIOParamsVals& p) {
  TMemoryStream s;
  TTestProgress pr;
  Writer(&s, &bmp, p, pr.Rec);
  return Bytes(s);
}

bool Detect(const std::string& s) {
  TMemoryStream m;
  Load(m, Text(s));
  m.SetPosition(0);
  const bool r = PnmDetect(&m);
  EXPECT_EQ(m.Position(), 0);
  return r;
}

int Grey(TIEBitmap& b, int x, int y) { return b.GetPixelAsRGB(x, y).g; }

std::vector<int> Reports;
void Record(void*, TObject*, int Per) { Reports.push_back(Per); }

}  // namespace

TEST(PnmCodec, DetectsHeaders) {
  EXPECT_TRUE(Detect("P6\n# c\n3 2\n255\n"));
  EXPECT_TRUE(Detect("P1 2 2 0110"));
  EXPECT_FALSE(Detect("P7 3 2 255"));
  EXPECT_FALSE(Detect("P5 0 2 255"));
  EXPECT_FALSE(Detect("P5 3"));
  EXPECT_FALSE(Detect("hello"));
}

TEST(PnmCodec, PlainBitmapAndGreyScale) {
  auto p1 = ReadPnm(Text("P1\n2 2\n0 1\n1 0\n"));
  ASSERT_FALSE(p1->Aborted);
  ASSERT_EQ(p1->Bitmap.PixelFormat(), ie1g);
  EXPECT_EQ(p1->Bitmap.Scanline(0)[0] & 0xC0, 0x80);  // white, black
  EXPECT_EQ(p1->Bitmap.Scanline(1)[0] & 0xC0, 0x40);  // black, white
  auto p2 = ReadPnm(Text("P2 3 1 15\n15 7 0\n"));
  ASSERT_FALSE(p2->Aborted);
  EXPECT_EQ(Grey(p2->Bitmap, 0, 0), 255);
  EXPECT_EQ(Grey(p2->Bitmap, 1, 0), 119);
  EXPECT_EQ(Grey(p2->Bitmap, 2, 0), 0);
  EXPECT_EQ(p2->Params.SamplesPerPixel, 1);
  auto p3 = ReadPnm(Text("P3 1 1 100 100 50 0"));
  EXPECT_EQ(p3->Bitmap.GetPixelAsRGB(0, 0).r, 255);
  EXPECT_EQ(p3->Bitmap.GetPixelAsRGB(0, 0).g, 127);
}

TEST(PnmCodec, RawSamplesAreScaledToTheirMaximum) {
  auto p5 = Text("P5 2 2 100\n");
  p5.insert(p5.end(), {50, 100, 0, 25});
  auto r5 = ReadPnm(p5);
  EXPECT_EQ(Grey(r5->Bitmap, 0, 0), 127);
  EXPECT_EQ(Grey(r5->Bitmap, 1, 0), 255);
  EXPECT_EQ(Grey(r5->Bitmap, 1, 1), 63);
  // A P5 maximum above 255 holds two big-endian bytes per sample.
  auto p5w = Text("P5 2 1 1000\n");
  p5w.insert(p5w.end(), {0x03, 0xE8, 0x01, 0xF4});
  auto r5w = ReadPnm(p5w);
  ASSERT_FALSE(r5w->Aborted);
  EXPECT_EQ(Grey(r5w->Bitmap, 0, 0), 255);
  EXPECT_EQ(Grey(r5w->Bitmap, 1, 0), 127);
  // A P6 maximum below 255 is scaled as well.
  auto p6 = Text("P6 1 1 15\n");
  p6.insert(p6.end(), {15, 7, 0});
  auto r6 = ReadPnm(p6);
  EXPECT_EQ(r6->Bitmap.GetPixelAsRGB(0, 0).r, 255);
  EXPECT_EQ(r6->Bitmap.GetPixelAsRGB(0, 0).g, 119);
  // P6 with 16-bit samples: the high byte, or every bit in the 48-bit format.
  auto p16 = Text("P6 1 1 1023\n");
  p16.insert(p16.end(), {0x03, 0xFF, 0, 0, 0, 1});
  EXPECT_EQ(ReadPnm(p16)->Bitmap.GetPixelAsRGB(0, 0).r, 3);
  auto n48 = ReadPnm(p16, true);
  ASSERT_EQ(n48->Bitmap.PixelFormat(), ieRGB48);
  EXPECT_EQ(n48->Bitmap.GetPixelRGB48(0, 0).r, 1023);
  EXPECT_EQ(n48->Params.BitsPerSample, 16);
}

TEST(PnmCodec, CommentsReadAndWritten) {
  auto r = ReadPnm(Text("P6\n# made by hand\n1 1\n255\n\x01\x02\x03"));
  ASSERT_EQ(r->Params.PXM_Comments->Count(), 1);
  EXPECT_EQ(r->Params.PXM_Comments->Strings(0), "made by hand");
  auto v = WriteWith(PnmWriteImage, r->Bitmap, r->Params);
  const std::string head = "P6 \n# made by hand\n1 1 255\n";
  ASSERT_GE(v.size(), head.size() + 3);
  EXPECT_EQ(std::string(v.begin(), v.begin() + head.size()), head);
  EXPECT_EQ(v[head.size()], 1);
  EXPECT_EQ(v[head.size() + 2], 3);
}

TEST(PnmCodec, WriterCases) {
  TIEBitmap photo;
  MakePhoto(photo, 9, 4);
  struct TCase {
    int Bits, Samples;
    bool OneBit;
    const char* Magic;
  };
  const TCase cases[] = {{8, 3, true, "P4"}, {1, 1, false, "P4"}, {8, 1, false, "P5"}, {16, 3, false, "P6"}, {8, 3, false, "P6"}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Magic);
    TIEBitmap bmp;
    bmp.Assign(&photo);
    if (c.OneBit) bmp.SetPixelFormat(ie1g);
    TIOParamsVals p;
    p.BitsPerSample = c.Bits;
    p.SamplesPerPixel = c.Samples;
    auto v = WriteWith(PnmWriteImage, bmp, p);
    ASSERT_GT(v.size(), 3u);
    EXPECT_EQ(std::string(v.begin(), v.begin() + 2), c.Magic);
    auto back = ReadPnm(v);
    ASSERT_FALSE(back->Aborted);
    ASSERT_EQ(back->Bitmap.Width(), 9);
    if (std::string(c.Magic) == "P6") { EXPECT_DOUBLE_EQ(PSNR(photo, back->Bitmap), 99); }
    if (c.OneBit) { EXPECT_EQ(CountDiffs(back->Bitmap, ParseNetpbm(MakePpm(bmp))), 0); }
  }
}

TEST(PnmCodec, DamagedHeadersFail) {
  const char* bad[] = {"", "P6", "P6 0 5 255\n", "P6 5 x 255\n", "P6 2 2 70000\n", "P6 2 2 0\n", "P9 2 2 255\n",
                       "P6 99999999 99999999 255\n"};
  for (const char* b : bad) EXPECT_TRUE(ReadPnm(Text(b))->Aborted) << b;
  // A short data part reads what is there and clears the rest.
  auto r = ReadPnm(Text("P5 4 4 255\n\x10\x20"));
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(Grey(r->Bitmap, 1, 0), 0x20);
  EXPECT_EQ(Grey(r->Bitmap, 3, 3), 0);
}

TEST(WbmpCodec, WidthIsAMultiByteIntegerBothWays) {
  TIEBitmap bmp;
  bmp.Allocate(200, 3, ie1g);
  for (int y = 0; y < 3; ++y) std::memset(bmp.Scanline(y), y == 1 ? 0xF0 : 0x00, bmp.RowLen());
  TIOParamsVals p;
  auto v = WriteWith(WbmpWriteImage, bmp, p);
  ASSERT_GE(v.size(), 5u);
  EXPECT_EQ(v[0], 0);
  EXPECT_EQ(v[1], 0);
  EXPECT_EQ(v[2], 0x81);
  EXPECT_EQ(v[3], 0x48);
  EXPECT_EQ(v[4], 3);
  auto r = ReadWbmp(v);
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Bitmap.Width(), 200);
  EXPECT_EQ(r->Bitmap.Scanline(1)[0], 0xF0);
  // A side above 255 is read whole, never modulo 256.
  std::vector<uint8_t> wide = {0, 0, 0x82, 0x2C, 2};
  wide.resize(wide.size() + 2 * 38, 0xFF);
  auto rw = ReadWbmp(wide);
  ASSERT_FALSE(rw->Aborted);
  EXPECT_EQ(rw->Bitmap.Width(), 300);
  EXPECT_EQ(rw->Params.Width, 300);
  EXPECT_EQ(rw->Bitmap.Scanline(1)[37], 0xFF);
  // Larger images are scaled down to 255 on their longer side.
  TIEBitmap big;
  big.Allocate(1000, 500, ie1g);
  auto vb = WriteWith(WbmpWriteImage, big, p);
  auto rb = ReadWbmp(vb);
  EXPECT_EQ(rb->Bitmap.Width(), 255);
  EXPECT_EQ(rb->Bitmap.Height(), 127);
  // Damaged headers.
  const std::vector<std::vector<uint8_t>> bad = {{}, {1, 0, 2, 2, 0}, {0, 0, 0, 2}, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F, 1},
                                                 {0, 0, 0x8F, 0xFF, 0xFF, 0x7F, 0x8F, 0xFF, 0xFF, 0x7F}};
  for (size_t i = 0; i < bad.size(); ++i) EXPECT_TRUE(ReadWbmp(bad[i])->Aborted) << i;
}

TEST(RawPixels, InterleavedAndPlanar) {
  // 3 x 2 pixels of 24 bits, planar, channel order 0 (red plane first).
  std::vector<uint8_t> data = {9, 9};  // a header of 2 bytes
  for (int k = 0; k < 3; ++k)
    for (int i = 0; i < 6; ++i) data.push_back(static_cast<uint8_t>(k * 100 + i));
  TIEBitmap bmp;
  bmp.Allocate(3, 2, ie24RGB);
  TIOParamsVals p;
  p.RAWPIXELS_HeaderSize = 2;
  p.RAWPIXELS_Planar = 1;
  p.RAWPIXELS_ChannelOrder = 0;
  TMemoryStream s;
  Load(s, data);
  TTestProgress pr;
  Reports.clear();
  pr.Rec.Callback = Record;
  RawPixelsRead(&s, &bmp, p, pr.Rec);
  EXPECT_EQ(bmp.GetPixelAsRGB(0, 0).r, 0);
  EXPECT_EQ(bmp.GetPixelAsRGB(2, 1).r, 5);
  EXPECT_EQ(bmp.GetPixelAsRGB(2, 1).g, 105);
  EXPECT_EQ(bmp.GetPixelAsRGB(2, 1).b, 205);
  EXPECT_EQ(Reports, (std::vector<int>{0, 33, 66, 100}));
  // Interleaved grey rows aligned to 32 bits: each source row is 4 bytes for 3 pixels.
  TIEBitmap g;
  g.Allocate(3, 2, ie8g);
  TIOParamsVals q;
  q.RAWPIXELS_RowAlign = 32;
  Load(s, {1, 2, 3, 0, 4, 5, 6, 0});
  RawPixelsRead(&s, &g, q, pr.Rec);
  EXPECT_EQ(g.Scanline(1)[0], 4);
  EXPECT_EQ(g.Scanline(1)[2], 6);
}

TEST(PnmCodec, AgreesWithNetpbm) {
  if (!HaveTool("ppmtoppm") || !HaveTool("pbmtowbmp")) GTEST_SKIP() << "netpbm tools not installed";
  const std::string dir = CodecTestDir();
  TIEBitmap photo;
  MakePhoto(photo, 31, 17);
  WriteFileBytes(dir + "/p.ppm", MakePpm(photo));
  // Their plain and raw variants of every kind read by us.
  struct TCase {
    const char* Command;
    bool Grey, Bits;
  };
  const TCase cases[] = {{"pnmtopnm -plain", false, false}, {"ppmtopgm", true, false}, {"ppmtopgm | pnmtopnm -plain", true, false},
                         {"ppmtopgm | pgmtopbm -threshold", false, true}, {"ppmtopgm | pgmtopbm -threshold | pnmtopnm -plain", false, true}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Command);
    ASSERT_TRUE(RunTool(std::string("cat ") + dir + "/p.ppm | " + c.Command + " > " + dir + "/t.pnm"));
    ASSERT_TRUE(RunTool("ppmtoppm < " + dir + "/t.pnm > " + dir + "/ref.ppm"));
    auto r = ReadPnm(ReadFileBytes(dir + "/t.pnm"));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(CountDiffs(r->Bitmap, ParseNetpbm(ReadFileBytes(dir + "/ref.ppm"))), 0);
  }
  // Ours read by them: P6, P5 and P4, and a WBMP.
  for (int bits : {8, 1}) {
    TIOParamsVals p;
    p.BitsPerSample = bits;
    p.SamplesPerPixel = bits == 1 ? 1 : 3;
    TIEBitmap b;
    b.Assign(&photo);
    WriteFileBytes(dir + "/ours.pnm", WriteWith(PnmWriteImage, b, p));
    ASSERT_TRUE(RunTool("ppmtoppm < " + dir + "/ours.pnm > " + dir + "/ours.ppm"));
    auto back = ReadPnm(ReadFileBytes(dir + "/ours.pnm"));
    EXPECT_EQ(CountDiffs(back->Bitmap, ParseNetpbm(ReadFileBytes(dir + "/ours.ppm"))), 0) << bits;
  }
  TIEBitmap mono;
  mono.Assign(&photo);
  mono.SetPixelFormat(ie1g);
  TIOParamsVals p;
  WriteFileBytes(dir + "/ours.wbmp", WriteWith(WbmpWriteImage, mono, p));
  ASSERT_TRUE(RunTool("wbmptopbm < " + dir + "/ours.wbmp > " + dir + "/w.pbm"));
  EXPECT_EQ(CountDiffs(mono, ParseNetpbm(ReadFileBytes(dir + "/w.pbm"))), 0);
  ASSERT_TRUE(RunTool("pbmtowbmp < " + dir + "/w.pbm > " + dir + "/theirs.wbmp"));
  auto w = ReadWbmp(ReadFileBytes(dir + "/theirs.wbmp"));
  EXPECT_EQ(CountDiffs(w->Bitmap, ParseNetpbm(ReadFileBytes(dir + "/w.pbm"))), 0);
}
