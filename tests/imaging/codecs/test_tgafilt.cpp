// TGA codec: orientation, alpha, colour maps, run-length packets across rows, the extension
// area, hand-made damaged files, and files read and written by netpbm's tools.
#include <gtest/gtest.h>

#include <memory>

#include "codectest.h"
#include "imaging/codecs/tgafilt.h"
#include "imaging/core/iemask.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/dateutils.h"

namespace {

std::vector<uint8_t> Header(int type, int depth, int w, int h, int desc, int mapLen = 0, int mapBits = 0,
                            int mapFirst = 0) {
  std::vector<uint8_t> v = {0, static_cast<uint8_t>(mapLen ? 1 : 0), static_cast<uint8_t>(type)};
  Put16(v, mapFirst);
  Put16(v, mapLen);
  v.push_back(static_cast<uint8_t>(mapBits));
  Put16(v, 0);
  Put16(v, 0);
  Put16(v, w);
  Put16(v, h);
  v.push_back(static_cast<uint8_t>(depth));
  v.push_back(static_cast<uint8_t>(desc));
  return v;
}

std::unique_ptr<TRead> ReadTga(const std::vector<uint8_t>& data, bool noAlpha = false, bool preview = false) {
  auto r = std::make_unique<TRead>();
  TMemoryStream s;
  Load(s, data);
  TTestProgress pr;
  TgaReadImage(&s, &r->Bitmap, r->Params, noAlpha, r->Mask, preview, pr.Rec);
  r->Aborted = pr.Aborted();
  return r;
}

std::vector<uint8_t> WriteTga(TIEBitmap& bmp, TIOParamsVals& p, TIEMask* mask = nullptr) {
  TMemoryStream s;
  TTestProgress pr;
  TgaWriteImage(&s, &bmp, p, mask, pr.Rec);
  EXPECT_FALSE(pr.Aborted());
  return Bytes(s);
}

bool Same(TIERGBPixel p, int r, int g, int b) { return p.r == r && p.g == g && p.b == b; }

}  // namespace

TEST(TgaCodec, OrientationOfStoredRows) {
  // Two rows: first stored row blue, second red (24 bits: blue, green, red bytes).
  auto body = std::vector<uint8_t>{255, 0, 0, 0, 0, 255};
  auto up = Header(2, 24, 1, 2, 0);
  up.insert(up.end(), body.begin(), body.end());
  auto r = ReadTga(up);
  ASSERT_FALSE(r->Aborted);
  EXPECT_TRUE(Same(r->Bitmap.GetPixelAsRGB(0, 1), 0, 0, 255));  // bottom-up: first stored is the last row
  auto down = Header(2, 24, 1, 2, 0x20);
  down.insert(down.end(), body.begin(), body.end());
  EXPECT_TRUE(Same(ReadTga(down)->Bitmap.GetPixelAsRGB(0, 0), 0, 0, 255));
  // Right-to-left rows are mirrored.
  auto rtl = Header(2, 24, 2, 1, 0x30);
  rtl.insert(rtl.end(), body.begin(), body.end());
  EXPECT_TRUE(Same(ReadTga(rtl)->Bitmap.GetPixelAsRGB(0, 0), 255, 0, 0));
}

TEST(TgaCodec, AlphaChannel) {
  auto zero = Header(2, 32, 2, 1, 0x28);
  zero.insert(zero.end(), {1, 2, 3, 0, 4, 5, 6, 0});
  auto z = ReadTga(zero);
  ASSERT_FALSE(z->Aborted);
  EXPECT_EQ(z->Mask, nullptr);  // all-zero alpha: opaque
  auto vary = Header(2, 32, 2, 1, 0x28);
  vary.insert(vary.end(), {1, 2, 3, 10, 4, 5, 6, 255});
  auto v = ReadTga(vary);
  ASSERT_NE(v->Mask, nullptr);
  EXPECT_FALSE(v->Mask->Full);
  EXPECT_EQ(v->Mask->GetPixel(0, 0), 10);
  EXPECT_EQ(ReadTga(vary, true)->Mask, nullptr);
}

TEST(TgaCodec, ColourMapAndGrey) {
  // 8-bit mapped RLE with 24-bit entries: a run of 3 of entry 1, a raw packet of entries 0, 2.
  auto m = Header(9, 8, 5, 1, 0x20, 3, 24);
  m.insert(m.end(), {0, 0, 255, 0, 255, 0, 255, 0, 0});  // red, green, blue
  m.insert(m.end(), {0x82, 1, 0x01, 0, 2});
  auto r = ReadTga(m);
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Bitmap.PixelFormat(), ie24RGB);
  EXPECT_TRUE(Same(r->Bitmap.GetPixelAsRGB(2, 0), 0, 255, 0));
  EXPECT_TRUE(Same(r->Bitmap.GetPixelAsRGB(3, 0), 255, 0, 0));
  EXPECT_TRUE(Same(r->Bitmap.GetPixelAsRGB(4, 0), 0, 0, 255));
  EXPECT_EQ(r->Params.ColorMapCount, 3);
  EXPECT_FALSE(r->Params.TGA_GrayLevel);
  EXPECT_TRUE(r->Params.TGA_Compressed);
  auto g = Header(3, 8, 2, 1, 0x20);
  g.insert(g.end(), {7, 200});
  auto gr = ReadTga(g);
  EXPECT_TRUE(Same(gr->Bitmap.GetPixelAsRGB(1, 0), 200, 200, 200));
  EXPECT_TRUE(gr->Params.TGA_GrayLevel);
}

TEST(TgaCodec, RunsAcrossRowsDecodeLikeRunsWithin) {
  // 3 x 2 pixels of one colour, then the second row's last pixel another one.
  auto across = Header(10, 24, 3, 2, 0x20);
  across.insert(across.end(), {0x84, 10, 20, 30, 0x00, 40, 50, 60});
  auto within = Header(10, 24, 3, 2, 0x20);
  within.insert(within.end(), {0x82, 10, 20, 30, 0x81, 10, 20, 30, 0x00, 40, 50, 60});
  auto a = ReadTga(across), w = ReadTga(within);
  ASSERT_FALSE(a->Aborted);
  ASSERT_FALSE(w->Aborted);
  EXPECT_DOUBLE_EQ(PSNR(a->Bitmap, w->Bitmap), 99);
  EXPECT_TRUE(Same(a->Bitmap.GetPixelAsRGB(2, 1), 60, 50, 40));
}

TEST(TgaCodec, NoFooterKeepsDefaults) {
  auto v = Header(2, 24, 1, 1, 0);
  v.insert(v.end(), {1, 2, 3});
  auto r = ReadTga(v);
  EXPECT_DOUBLE_EQ(r->Params.TGA_AspectRatio, 1.0);
  EXPECT_DOUBLE_EQ(r->Params.TGA_Gamma, 2.2);
  EXPECT_NEAR(r->Params.TGA_Date, Now(), 1.0);
}

TEST(TgaCodec, WriterRoundTripWithExtensionArea) {
  TIEBitmap bmp;
  MakePhoto(bmp, 37, 11);
  for (int x = 0; x < 37; ++x) bmp.SetPixelRGB(x, 3, PixRGB(9, 9, 9));  // a row of one colour: runs
  TIOParamsVals p;
  p.TGA_Compressed = true;
  p.TGA_Author = "A. Author";
  p.TGA_ImageName = "Job";
  p.TGA_Date = EncodeDate(2024, 2, 29) + EncodeTime(13, 14, 15, 0);
  p.TGA_Background = PixRGB(1, 2, 3);
  p.TGA_AspectRatio = 1.25;
  p.TGA_Gamma = 1.8;
  auto v = WriteTga(bmp, p);
  ASSERT_GT(v.size(), 18u + 495 + 26);
  EXPECT_EQ(v[2], 10);
  EXPECT_EQ(v[17], 0x20);
  const uint32_t ext = Get32(v, v.size() - 26);
  EXPECT_EQ(ext, v.size() - 26 - 495);
  EXPECT_EQ(Get16(v, ext), 495);
  EXPECT_EQ(std::string(v.end() - 18, v.end() - 1), "TRUEVISION-XFILE.");
  auto r = ReadTga(v);
  ASSERT_FALSE(r->Aborted);
  EXPECT_DOUBLE_EQ(PSNR(bmp, r->Bitmap), 99);
  EXPECT_EQ(r->Params.TGA_Author, "A. Author");
  EXPECT_EQ(r->Params.TGA_ImageName, "Job");
  EXPECT_NEAR(r->Params.TGA_Date, p.TGA_Date, 0.5 / 86400);
  EXPECT_TRUE(Same(r->Params.TGA_Background, 1, 2, 3));
  EXPECT_NEAR(r->Params.TGA_AspectRatio, 1.25, 1e-4);
  EXPECT_NEAR(r->Params.TGA_Gamma, 1.8, 1e-4);
}

TEST(TgaCodec, WriterDepths) {
  TIEBitmap bmp;
  MakeFewColors(bmp, 13, 7, 12);
  struct TCase {
    int Bits, Samples;
    bool Grey, Mask;
    int Type, Depth;
  };
  const TCase cases[] = {{8, 1, false, false, 9, 8}, {4, 1, false, false, 1, 4}, {1, 1, false, false, 3, 1},
                         {8, 1, true, false, 11, 8}, {8, 3, false, true, 2, 32}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Depth);
    TIOParamsVals p;
    p.BitsPerSample = c.Bits;
    p.SamplesPerPixel = c.Samples;
    p.TGA_GrayLevel = c.Grey;
    TIEMask mask;
    if (c.Mask) {
      mask.AllocateBits(13, 7, 8);
      mask.Fill(255);
      mask.SetPixel(2, 2, 40);
      mask.UpdateAllSetFlag();
    }
    auto v = WriteTga(bmp, p, c.Mask ? &mask : nullptr);
    EXPECT_EQ(v[2], c.Type);
    EXPECT_EQ(v[16], c.Depth);
    if (c.Depth == 8 && !c.Grey) {
      EXPECT_EQ(Get16(v, 5), 256);
      EXPECT_EQ(v[7], 24);
    }
    if (c.Depth == 4) continue;  // written, not read
    auto r = ReadTga(v);
    ASSERT_FALSE(r->Aborted);
    if (c.Depth == 8 && !c.Grey) { EXPECT_DOUBLE_EQ(PSNR(bmp, r->Bitmap), 99); }
    if (c.Mask) {
      ASSERT_NE(r->Mask, nullptr);
      EXPECT_EQ(r->Mask->GetPixel(2, 2), 40);
    }
  }
}

TEST(TgaCodec, HostileFilesFailCleanly) {
  auto big = Header(2, 24, 65535, 65535, 0);
  big.insert(big.end(), {1, 2, 3});
  auto mapPast = Header(1, 8, 2, 1, 0, 200, 24, 100);  // 100 + 200 entries
  mapPast.resize(mapPast.size() + 600 + 2, 0);
  auto oneBitRle = Header(11, 1, 12, 2, 0x20);
  oneBitRle.insert(oneBitRle.end(), {0x83, 0xAA});  // a run of 4 bytes over rows of 2
  auto shortData = Header(2, 24, 4, 4, 0);
  shortData.insert(shortData.end(), {1, 2, 3});
  const std::vector<std::vector<uint8_t>> bad = {{}, Header(2, 24, 1, 1, 0), Header(5, 24, 1, 1, 0),
                                                 Header(2, 7, 1, 1, 0), big, mapPast, shortData};
  for (size_t i = 0; i < bad.size(); ++i) EXPECT_TRUE(ReadTga(bad[i])->Aborted) << "case " << i;
  // 1-bit run-length rows hold packed bytes; a run crossing a row end continues on the next row.
  auto r = ReadTga(oneBitRle);
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Bitmap.PixelFormat(), ie1g);
  EXPECT_EQ(r->Bitmap.Scanline(1)[0], 0xAA);
  EXPECT_EQ(r->Bitmap.Scanline(1)[1], 0xA0);
}

TEST(TgaCodec, ImagesTheDataCannotFillAreRefusedUnallocated) {
  // Ten run packets of 128 pixels with varying alpha. Declaring 8192 x 8192 pixels, far more than
  // any run-length data of that size could give, is refused before anything is allocated; a
  // file cut short within what its data could still reach keeps the whole rows it holds.
  std::vector<uint8_t> runs;
  for (int i = 0; i < 10; ++i) runs.insert(runs.end(), {0xFF, uint8_t(10 * i), 20, 30, uint8_t(40 + i)});
  struct Case {
    int Type, W, H;
    bool Allocated;
  };
  const Case cases[] = {{10, 8192, 8192, false}, {2, 8192, 8192, false}, {10, 128, 40, true}, {2, 64, 64, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.Type << " " << c.W << "x" << c.H);
    auto v = Header(c.Type, 32, c.W, c.H, 0x28);
    v.insert(v.end(), runs.begin(), runs.end());
    auto r = ReadTga(v);
    EXPECT_TRUE(r->Aborted);
    EXPECT_EQ(r->Bitmap.Width(), c.Allocated ? c.W : 0);
    if (!c.Allocated) {
      EXPECT_EQ(r->Mask, nullptr);
    } else if (c.Type == 10) {
      EXPECT_TRUE(Same(r->Bitmap.GetPixelAsRGB(127, 9), 30, 20, 90));  // the last packet fills row 9
    }
  }
}

TEST(TgaCodec, AgreesWithNetpbm) {
  if (!HaveTool("tgatoppm") || !HaveTool("ppmtotga")) GTEST_SKIP() << "netpbm tools not installed";
  const std::string dir = CodecTestDir();
  TIEBitmap bmp;
  MakeFewColors(bmp, 29, 13, 40);
  WriteFileBytes(dir + "/src.ppm", MakePpm(bmp));
  for (const char* opt : {"-rgb -norle", "-rgb", "-cmap -norle", "-cmap", "-mono"}) {
    SCOPED_TRACE(opt);
    const std::string src = std::string(opt) == "-mono" ? "ppmtopgm " + dir + "/src.ppm | pgmtopbm -threshold | ppmtoppm"
                                                        : "cat " + dir + "/src.ppm";
    ASSERT_TRUE(RunTool(src + " > " + dir + "/ref.ppm"));
    ASSERT_TRUE(RunTool("ppmtotga " + std::string(opt) + " " + dir + "/ref.ppm > " + dir + "/theirs.tga"));
    auto r = ReadTga(ReadFileBytes(dir + "/theirs.tga"));
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(CountDiffs(r->Bitmap, ParseNetpbm(ReadFileBytes(dir + "/ref.ppm"))), 0);
  }
  for (bool rle : {false, true}) {
    TIOParamsVals p;
    p.TGA_Compressed = rle;
    WriteFileBytes(dir + "/ours.tga", WriteTga(bmp, p));
    ASSERT_TRUE(RunTool("tgatoppm " + dir + "/ours.tga > " + dir + "/ours.ppm"));
    EXPECT_EQ(CountDiffs(bmp, ParseNetpbm(ReadFileBytes(dir + "/ours.ppm"))), 0) << rle;
  }
}
