// JPEG 2000 codec: signatures, the reduction of samples to 8 bits, the option string, files of
// ours decoded by OpenJPEG's own opj_decompress, files made by opj_compress read by us (grey,
// high and low precision, subsampled, too many components), 1-bit and alpha writing, and
// damaged files.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "codectest.h"
#include "imaging/codecs/jp2filt.h"
#include "imaging/core/iedefs.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"

namespace {

const uint8_t kJp2TestSig[12] = {0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A};

std::unique_ptr<TRead> Jp2TestRead(const std::vector<uint8_t>& data, bool preview = false) {
  auto r = std::make_unique<TRead>();
  TMemoryStream s;
  Load(s, data);
  TTestProgress pr;
  Jpeg2000ReadImage(&s, &r->Bitmap, r->Params, pr.Rec, preview);
  r->Aborted = pr.Aborted();
  return r;
}

std::vector<uint8_t> Jp2TestWrite(TIEBitmap& bmp, TIOParamsVals& p, int kind, bool* aborted = nullptr) {
  TMemoryStream s;
  TTestProgress pr;
  Jpeg2000WriteImage(&s, &bmp, p, kind, pr.Rec);
  if (aborted != nullptr) *aborted = pr.Aborted();
  return Bytes(s);
}

std::string Jp2TestPath(const std::string& name) { return CodecTestDir() + "/jp2_" + name; }

// A PGM of 16-bit samples (maximum Max) or 8-bit ones, Width x Height, sample (x, y) = f(x, y).
template <typename F>
std::vector<uint8_t> Jp2TestPgm(int w, int h, int Max, F f) {
  const std::string head = "P5\n" + std::to_string(w) + " " + std::to_string(h) + "\n" + std::to_string(Max) + "\n";
  std::vector<uint8_t> v(head.begin(), head.end());
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const int s = f(x, y);
      if (Max > 255) v.push_back(static_cast<uint8_t>(s >> 8));
      v.push_back(static_cast<uint8_t>(s & 0xFF));
    }
  return v;
}

// Runs opj_compress on In (written to a file of that extension) into a file of extension OutExt.
std::vector<uint8_t> Jp2TestCompress(const std::string& name, const std::vector<uint8_t>& In, const std::string& InExt,
                                     const std::string& OutExt, const std::string& Options) {
  const std::string in = Jp2TestPath(name + "." + InExt), out = Jp2TestPath(name + "." + OutExt);
  WriteFileBytes(in, In);
  if (!RunTool("opj_compress -i '" + in + "' -o '" + out + "' " + Options + " >/dev/null")) return {};
  return ReadFileBytes(out);
}

// Our file decoded by opj_decompress into a PPM or PGM (parsed independently of our codecs).
TRgbImage Jp2TestDecompress(const std::string& name, const std::vector<uint8_t>& File, const std::string& Ext,
                            const std::string& OutExt) {
  const std::string in = Jp2TestPath(name + "." + Ext), out = Jp2TestPath(name + "_out." + OutExt);
  WriteFileBytes(in, File);
  if (!RunTool("opj_decompress -i '" + in + "' -o '" + out + "' >/dev/null")) return {};
  return ParseNetpbm(ReadFileBytes(out));
}

// What opj_dump says about a file of ours.
std::string Jp2TestDump(const std::string& name, const std::vector<uint8_t>& File, const std::string& Ext) {
  const std::string in = Jp2TestPath(name + "." + Ext), out = Jp2TestPath(name + ".txt");
  WriteFileBytes(in, File);
  if (!RunTool("opj_dump -i '" + in + "' > '" + out + "'")) return {};
  const auto v = ReadFileBytes(out);
  return std::string(v.begin(), v.end());
}

// A code stream built by hand: an 8 x 8 image of Comps 8-bit components, one tile, no wavelet
// levels, every packet empty (each sample decodes to the level shift, 128).
std::vector<uint8_t> Jp2TestBlankCodeStream(int Comps) {
  std::vector<uint8_t> v;
  auto be16 = [&](int x) { v.push_back(static_cast<uint8_t>(x >> 8)), v.push_back(static_cast<uint8_t>(x)); };
  auto be32 = [&](uint32_t x) { be16(static_cast<int>(x >> 16)), be16(static_cast<int>(x & 0xFFFF)); };
  be16(0xFF4F);                                  // SOC
  be16(0xFF51), be16(38 + 3 * Comps), be16(0);   // SIZ
  be32(8), be32(8), be32(0), be32(0), be32(8), be32(8), be32(0), be32(0), be16(Comps);
  for (int i = 0; i < Comps; ++i) v.insert(v.end(), {7, 1, 1});
  be16(0xFF52), be16(12);                        // COD: LRCP, 1 layer, no MCT, 0 levels, 64 x 64, 5/3
  v.insert(v.end(), {0, 0, 0, 1, 0, 0, 4, 4, 0, 1});
  be16(0xFF5C), be16(4), v.push_back(0x40), v.push_back(0x48);  // QCD: no quantization
  be16(0xFF90), be16(10), be16(0), be32(12 + 2 + static_cast<uint32_t>(Comps)), v.push_back(0), v.push_back(1);
  be16(0xFF93);                                  // SOD, then one empty packet per component
  for (int i = 0; i < Comps; ++i) v.push_back(0);
  be16(0xFFD9);                                  // EOC
  return v;
}

bool Jp2HaveTools() { return HaveTool("opj_compress") && HaveTool("opj_decompress") && HaveTool("opj_dump"); }

}  // namespace

TEST(Jp2Codec, DetectsSignaturesAndKeepsThePosition) {
  std::vector<uint8_t> jp2 = {9, 9, 9};
  jp2.insert(jp2.end(), kJp2TestSig, kJp2TestSig + 12);
  std::vector<uint8_t> j2k = {9, 9, 9, 0xFF, 0x4F, 0xFF, 0x51};
  std::vector<uint8_t> shortJp2(jp2.begin(), jp2.end() - 1);
  std::vector<uint8_t> shortJ2k(j2k.begin(), j2k.end() - 1);
  struct Case { std::vector<uint8_t>* data; bool jp2, j2k; } cases[] = {
      {&jp2, true, false}, {&j2k, false, true}, {&shortJp2, false, false}, {&shortJ2k, false, false}};
  for (auto& c : cases) {
    TMemoryStream s;
    Load(s, *c.data);
    s.SetPosition(3);
    EXPECT_EQ(Jp2Detect(&s), c.jp2);
    EXPECT_EQ(s.Position(), 3);
    EXPECT_EQ(J2kDetect(&s), c.j2k);
    EXPECT_EQ(s.Position(), 3);
  }
}

TEST(Jp2Codec, SamplesKeepTheirEightMostSignificantBits) {
  struct Case { int32_t value; int precision; int expected; } cases[] = {
      {0xABC, 12, 0xAB}, {0x1234, 16, 0x12}, {0x9, 4, 0x90}, {1, 1, 0x80}, {0xC8, 8, 0xC8}, {0, 0, 0}, {5, 33, 0}};
  for (auto c : cases) EXPECT_EQ(Jpeg2000Sample8(c.value, c.precision), c.expected) << c.value << "/" << c.precision;
}

TEST(Jp2Codec, OptionStringFollowsRateAndProgression) {
  struct Case { double rate; int prog; const char* expected; } cases[] = {
      {1.0, 0, "rate=1 prg=lrcp"}, {0.05, 1, "rate=0.05 prg=rlcp"}, {0.05, 2, "rate=0.05"}};
  for (auto c : cases) {
    TIOParamsVals p;
    p.J2000_Rate = c.rate;
    p.J2000_Progression = static_cast<uint8_t>(c.prog);
    EXPECT_EQ(Jpeg2000OptionString(p), c.expected);
  }
}

TEST(Jp2Codec, OurFilesDecodeExactlyWithOpenJpegsTool) {
  if (!Jp2HaveTools()) GTEST_SKIP() << "opj_decompress is not installed";
  TIEBitmap photo;
  MakePhoto(photo, 37, 23);
  struct Case { int kind; const char* ext; } cases[] = {{0, "jp2"}, {1, "j2k"}};
  for (auto c : cases) {
    TIOParamsVals p;
    bool aborted = true;
    const auto file = Jp2TestWrite(photo, p, c.kind, &aborted);
    ASSERT_FALSE(aborted);
    TMemoryStream m;
    Load(m, file);
    EXPECT_EQ(Jp2Detect(&m), c.kind == 0);
    EXPECT_EQ(J2kDetect(&m), c.kind == 1);
    const TRgbImage ref = Jp2TestDecompress(std::string("rgb") + c.ext, file, c.ext, "ppm");
    EXPECT_EQ(CountDiffs(photo, ref), 0) << c.ext;  // the default rate codes losslessly
    auto back = Jp2TestRead(file);
    ASSERT_FALSE(back->Aborted);
    EXPECT_EQ(back->Params.BitsPerSample, 8);
    EXPECT_EQ(back->Params.SamplesPerPixel, 3);
    EXPECT_EQ(PSNR(photo, back->Bitmap), 99);
  }
}

TEST(Jp2Codec, RateAndProgressionReachTheEncoder) {
  if (!Jp2HaveTools()) GTEST_SKIP() << "opj_dump is not installed";
  TIEBitmap photo;
  MakePhoto(photo, 64, 64);
  TIOParamsVals lossless;
  const auto full = Jp2TestWrite(photo, lossless, 1);
  TIOParamsVals p;
  p.J2000_Rate = 0.05;
  p.J2000_Progression = 1;
  const auto small = Jp2TestWrite(photo, p, 1);
  ASSERT_FALSE(small.empty());
  EXPECT_LT(small.size(), full.size() / 4);
  const std::string rlcp = Jp2TestDump("rlcp", small, "j2k"), lrcp = Jp2TestDump("lrcp", full, "j2k");
  EXPECT_NE(rlcp.find("prg=0x1"), std::string::npos) << rlcp;  // RLCP
  EXPECT_NE(lrcp.find("prg=0"), std::string::npos) << lrcp;    // LRCP
  EXPECT_EQ(lrcp.find("prg=0x1"), std::string::npos) << lrcp;
  auto back = Jp2TestRead(small);
  ASSERT_FALSE(back->Aborted);
  EXPECT_GT(PSNR(photo, back->Bitmap), 20);
}

TEST(Jp2Codec, ToolFilesOfEachPrecisionReadAsEightBits) {
  if (!Jp2HaveTools()) GTEST_SKIP() << "opj_compress is not installed";
  // 12, 16 and 8 bits come from PGM files (precision from the maximum), 4 bits from raw bytes.
  struct Case { const char* name; int max, value, expected, bits; } cases[] = {
      {"p12", 4095, 0xABC, 0xAB, 12}, {"p4", 15, 0x9, 0x90, 4}, {"p16", 65535, 0x1234, 0x12, 16},
      {"p8", 255, 0xC8, 0xC8, 8}};
  for (auto c : cases) {
    auto value = [&](int x, int) { return x == 0 ? 0 : c.value; };
    std::vector<uint8_t> file;
    if (c.bits == 4) {
      std::vector<uint8_t> raw;
      for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 8; ++x) raw.push_back(static_cast<uint8_t>(value(x, y)));
      file = Jp2TestCompress(c.name, raw, "raw", "j2k", "-n 2 -F 8,6,1,4,u");
    } else {
      file = Jp2TestCompress(c.name, Jp2TestPgm(8, 6, c.max, value), "pgm", "j2k", "-n 2");
    }
    ASSERT_FALSE(file.empty()) << c.name;
    auto r = Jp2TestRead(file);
    ASSERT_FALSE(r->Aborted) << c.name;
    EXPECT_EQ(r->Params.BitsPerSample, c.bits) << c.name;
    EXPECT_EQ(r->Params.SamplesPerPixel, 1) << c.name;
    ASSERT_EQ(r->Bitmap.PixelFormat(), ie24RGB) << c.name;
    const TIERGBPixel px = r->Bitmap.GetPixelAsRGB(3, 2);
    EXPECT_EQ(px.r, c.expected) << c.name;
    EXPECT_EQ(px.g, c.expected) << c.name;
    EXPECT_EQ(px.b, c.expected) << c.name;
    EXPECT_EQ(r->Bitmap.GetPixelAsRGB(0, 2).r, 0) << c.name;
  }
}

TEST(Jp2Codec, SubsampledComponentsAreReplicated) {
  if (!Jp2HaveTools()) GTEST_SKIP() << "opj_compress is not installed";
  const auto pgm = Jp2TestPgm(16, 12, 255, [](int x, int y) { return (x * 16 + y * 5) & 0xFF; });
  const auto file = Jp2TestCompress("sub", pgm, "pgm", "j2k", "-n 2 -s 2,2");
  ASSERT_FALSE(file.empty());
  auto r = Jp2TestRead(file);
  ASSERT_FALSE(r->Aborted);
  ASSERT_GE(r->Bitmap.Width(), 8);
  int distinct = 0;
  for (int y = 0; y + 1 < r->Bitmap.Height(); y += 2)
    for (int x = 0; x + 1 < r->Bitmap.Width(); x += 2) {
      const int v = r->Bitmap.GetPixelAsRGB(x, y).r;
      EXPECT_EQ(r->Bitmap.GetPixelAsRGB(x + 1, y).r, v);
      EXPECT_EQ(r->Bitmap.GetPixelAsRGB(x, y + 1).r, v);
      EXPECT_EQ(r->Bitmap.GetPixelAsRGB(x + 1, y + 1).r, v);
      if (x > 0 && v != r->Bitmap.GetPixelAsRGB(x - 2, y).r) ++distinct;
    }
  EXPECT_GT(distinct, 0);  // the replication is of a real picture, not of a flat one
}

TEST(Jp2Codec, MoreThanElevenComponentsAreRefused) {
  struct Case { int comps; bool refused; } cases[] = {{3, false}, {11, false}, {12, true}, {40, true}};
  for (auto c : cases) {
    TRead r;
    r.Bitmap.Allocate(3, 3, ie24RGB);
    TMemoryStream s;
    Load(s, Jp2TestBlankCodeStream(c.comps));
    TTestProgress pr;
    Jpeg2000ReadImage(&s, &r.Bitmap, r.Params, pr.Rec, false);
    EXPECT_EQ(pr.Aborted(), c.refused) << c.comps;
    ASSERT_EQ(r.Bitmap.Width(), c.refused ? 3 : 8) << c.comps;
    if (!c.refused) {  // zero coefficients: mid grey
      EXPECT_EQ(r.Bitmap.GetPixelAsRGB(5, 6).g, 128) << c.comps;
    }
  }
}

TEST(Jp2Codec, BilevelImagesWriteAsOneBitGrey) {
  TIEBitmap bmp;
  bmp.Allocate(13, 5, ie1g);
  for (int y = 0; y < 5; ++y) {
    uint8_t* row = bmp.Scanline(y);
    std::memset(row, 0, 2);
    for (int x = 0; x < 13; ++x)
      if ((x + y) % 3 == 0) row[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));  // 1: white
  }
  TIOParamsVals p;
  p.BitsPerSample = 8;
  p.J2000_ColorSpace = 1;
  const auto file = Jp2TestWrite(bmp, p, 0);
  EXPECT_EQ(p.BitsPerSample, 1);
  EXPECT_EQ(p.J2000_ColorSpace, 0);
  auto r = Jp2TestRead(file);
  ASSERT_FALSE(r->Aborted);
  ASSERT_EQ(r->Bitmap.PixelFormat(), ie1g);
  EXPECT_EQ(r->Params.BitsPerSample, 1);
  EXPECT_EQ(r->Params.SamplesPerPixel, 1);
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 13; ++x) EXPECT_EQ(r->Bitmap.GetPixelAsRGB(x, y).r, (x + y) % 3 == 0 ? 255 : 0) << x << "," << y;
}

TEST(Jp2Codec, GreyWritingUsesTheLuminanceWeights) {
  TIEBitmap bmp;
  bmp.Allocate(4, 4, ie24RGB);
  bmp.Fill(0);
  bmp.SetPixelRGB(1, 1, PixRGB(200, 100, 50));
  TIOParamsVals p;
  p.J2000_ColorSpace = 0;
  auto r = Jp2TestRead(Jp2TestWrite(bmp, p, 1));
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Params.SamplesPerPixel, 1);
  EXPECT_EQ(r->Bitmap.GetPixelAsRGB(1, 1).g, (200 * 21 + 100 * 71 + 50 * 8) / 100);
}

TEST(Jp2Codec, YCbCrWritesTheSameFileAsRgb) {
  TIEBitmap photo;
  MakePhoto(photo, 20, 20);
  TIOParamsVals rgb, ycc;
  ycc.J2000_ColorSpace = 2;
  EXPECT_EQ(Jp2TestWrite(photo, rgb, 0), Jp2TestWrite(photo, ycc, 0));
  TIOParamsVals bad;
  bad.J2000_ColorSpace = 3;
  bool aborted = false;
  EXPECT_TRUE(Jp2TestWrite(photo, bad, 0, &aborted).empty());
  EXPECT_TRUE(aborted);
}

TEST(Jp2Codec, AlphaAddsAComponentOnlyWhenNotAllOpaque) {
  if (!Jp2HaveTools()) GTEST_SKIP() << "opj_dump is not installed";
  struct Case { bool transparent; const char* comps; } cases[] = {{true, "numcomps=4"}, {false, "numcomps=3"}};
  for (auto c : cases) {
    TIEBitmap photo;
    MakePhoto(photo, 16, 16);
    TIEBitmap* a = photo.GetAlphaChannel();
    if (c.transparent) a->SetPixelRGB(2, 2, PixRGB(10, 10, 10));
    a->Full = !c.transparent;
    TIOParamsVals p;
    const auto file = Jp2TestWrite(photo, p, 0);
    EXPECT_NE(Jp2TestDump(c.transparent ? "alpha4" : "alpha3", file, "jp2").find(c.comps), std::string::npos);
    auto r = Jp2TestRead(file);
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(PSNR(photo, r->Bitmap), 99);  // the opacity component is not taken for a colour
  }
}

TEST(Jp2Codec, PreviewFillsParametersOnly) {
  TIEBitmap photo;
  MakePhoto(photo, 30, 17);
  TIOParamsVals wp;
  const auto file = Jp2TestWrite(photo, wp, 0);
  TRead r;
  r.Bitmap.Allocate(2, 2, ie24RGB);
  r.Params.SetDpiX(72);
  TMemoryStream s;
  Load(s, file);
  TTestProgress pr;
  Jpeg2000ReadImage(&s, &r.Bitmap, r.Params, pr.Rec, true);
  ASSERT_FALSE(pr.Aborted());
  EXPECT_EQ(r.Params.Width, 30);
  EXPECT_EQ(r.Params.Height, 17);
  EXPECT_EQ(r.Params.OriginalWidth, 30);
  EXPECT_EQ(r.Params.OriginalHeight, 17);
  EXPECT_EQ(r.Params.BitsPerSample, 8);
  EXPECT_EQ(r.Params.SamplesPerPixel, 3);
  EXPECT_EQ(r.Params.DpiX, IEDefaultDpiX);
  EXPECT_EQ(r.Bitmap.Width(), 2);
}

TEST(Jp2Codec, DamagedFilesAbortCleanly) {
  TIEBitmap photo;
  MakePhoto(photo, 24, 24);
  TIOParamsVals p;
  const auto good = Jp2TestWrite(photo, p, 0);
  std::vector<std::vector<uint8_t>> bad;
  bad.emplace_back(kJp2TestSig, kJp2TestSig + 12);               // the signature alone
  bad.emplace_back(good.begin(), good.begin() + good.size() / 3);  // cut short
  std::vector<uint8_t> noise(good);
  for (size_t i = 40; i < noise.size(); i += 7) noise[i] ^= 0x5A;
  bad.push_back(noise);
  bad.push_back({0xFF, 0x4F, 0xFF, 0x51, 0, 0x29, 0, 0, 0x7F, 0xFF, 0xFF, 0xFF, 0x7F, 0xFF, 0xFF, 0xFF});
  bad.push_back({'n', 'o', 't', ' ', 'j', 'p', '2'});
  for (size_t i = 0; i < bad.size(); ++i) {
    TRead r;
    r.Bitmap.Allocate(5, 5, ie24RGB);
    TMemoryStream s;
    Load(s, bad[i]);
    TTestProgress pr;
    Jpeg2000ReadImage(&s, &r.Bitmap, r.Params, pr.Rec, false);
    if (i != 2) {  // noise may still decode to some picture
      EXPECT_TRUE(pr.Aborted()) << i;
    }
    if (pr.Aborted()) {
      EXPECT_EQ(r.Bitmap.Width(), 5) << i;
    }
  }
}

TEST(Jp2Codec, FrontEndLoadsByExtensionAndContent) {
  IEInitFileFormats();
  TIEBitmap photo;
  MakePhoto(photo, 21, 14);
  struct Case { int kind; const char* ext; int32_t type; } cases[] = {{0, "jp2", ioJP2}, {1, "j2k", ioJ2K}};
  for (auto c : cases) {
    TIOParamsVals p;
    const auto file = Jp2TestWrite(photo, p, c.kind);
    const std::string name = Jp2TestPath(std::string("fe.") + c.ext);
    WriteFileBytes(name, file);
    EXPECT_EQ(IEFindFileFormat(name, true), c.type);
    TIEBitmap target;
    TImageryIO io(nullptr);
    io.AttachBitmap(&target);
    io.LoadFromFile(name);
    ASSERT_FALSE(io.Aborting.load()) << c.ext;
    EXPECT_EQ(io.Params->FileType, c.type);
    EXPECT_EQ(PSNR(photo, target), 99);
  }
  IEFreeFileFormats();
}

TEST(Jp2Codec, TileGridBeyondTheDataIsRefusedBeforeTheHeader) {
  TIEBitmap photo;
  MakePhoto(photo, 64, 48);
  TIOParamsVals wp;
  for (int kind : {0, 1}) {
    const auto file = Jp2TestWrite(photo, wp, kind);
    size_t siz = 0;
    while (siz + 4 < file.size() && !(file[siz] == 0xFF && file[siz + 1] == 0x4F && file[siz + 2] == 0xFF &&
                                       file[siz + 3] == 0x51))
      ++siz;
    ASSERT_LT(siz + 40, file.size()) << kind;
    // Tiles of Side x Side samples: 64 x 48 of 1 x 1 tiles are 3072 tiles, more than the few
    // kilobytes could hold; 16 x 16 tiles are 12, which they can.
    struct Case { uint8_t Side; bool Refused; } cases[] = {{64, false}, {16, false}, {1, true}};
    for (const Case& c : cases) {
      std::vector<uint8_t> v = file;
      for (size_t at : {siz + 24, siz + 28}) v[at] = v[at + 1] = v[at + 2] = 0, v[at + 3] = c.Side;
      ASSERT_LT(v.size(), 3072u * 14) << kind;
      // Parameters only: the tile grid is all the header reading sees.
      const auto r = Jp2TestRead(v, true);
      EXPECT_EQ(r->Aborted, c.Refused) << kind << " " << int(c.Side);
      if (!c.Refused) {
        EXPECT_EQ(r->Params.Width, 64);
      }
    }
  }
}

TEST(Jp2Codec, ImageFarLargerThanItsDataIsRefused) {
  // A photo of a few kilobytes whose size marker is made to declare a larger image in one
  // tile: a megapixel is still read, thirty-six are refused before anything is decoded.
  TIEBitmap photo;
  MakePhoto(photo, 64, 48);
  TIOParamsVals wp;
  const auto file = Jp2TestWrite(photo, wp, 1);
  size_t siz = 0;
  while (siz + 4 < file.size() &&
         !(file[siz] == 0xFF && file[siz + 1] == 0x4F && file[siz + 2] == 0xFF && file[siz + 3] == 0x51))
    ++siz;
  siz += 2;  // the size marker itself
  ASSERT_LT(siz + 40, file.size());
  ASSERT_LT(file.size(), 16000u);
  struct Case { uint32_t W, H; bool Refused; } cases[] = {{64, 48, false}, {1000, 1000, false}, {6000, 6000, true}};
  for (const Case& c : cases) {
    std::vector<uint8_t> v = file;
    auto put32 = [&](size_t At, uint32_t X) {
      for (int i = 0; i < 4; ++i) v[At + size_t(i)] = uint8_t(X >> (24 - 8 * i));
    };
    put32(siz + 6, c.W);   // image width and height
    put32(siz + 10, c.H);
    put32(siz + 22, c.W);  // one tile
    put32(siz + 26, c.H);
    const auto r = Jp2TestRead(v, true);
    EXPECT_EQ(r->Aborted, c.Refused) << c.W << "x" << c.H;
    if (!c.Refused) {
      EXPECT_EQ(r->Params.Width, int(c.W));
    }
  }
}
