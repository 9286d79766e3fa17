// HD Photo codec: the header test, lossless files of ours decoded by jxrlib's JxrDecApp and
// files of JxrEncApp read by us, every pixel layout in and out (native and 24-bit), the property
// bag of the defaults, lossy quality, the codec missing, damaged files and the front end.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "codectest.h"
#include "imaging/codecs/hdpfilt.h"
#include "imaging/codecs/tiffilt.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"

namespace {

struct THdpTestStart {
  THdpTestStart() { IEWICInit(); }
};

std::unique_ptr<TRead> HdpTestRead(const std::vector<uint8_t>& data, bool native = false) {
  auto r = std::make_unique<TRead>();
  r->Params.IsNativePixelFormat = native;
  TMemoryStream s;
  Load(s, data);
  TTestProgress pr;
  HdPhotoReadImage(&s, &r->Bitmap, r->Params, pr.Rec, false);
  r->Aborted = pr.Aborted();
  return r;
}

std::vector<uint8_t> HdpTestWrite(TIEBitmap& bmp, TIOParamsVals& p, bool* aborted = nullptr) {
  TMemoryStream s;
  TTestProgress pr;
  HdPhotoWriteImage(&s, &bmp, p, pr.Rec);
  if (aborted != nullptr) *aborted = pr.Aborted();
  return Bytes(s);
}

TIOParamsVals& HdpTestLossless() {
  static TIOParamsVals p;
  p.HDP_Lossless = true;
  return p;
}

std::string HdpTestPath(const std::string& name) { return CodecTestDir() + "/hdp_" + name; }

bool HdpHaveTools() { return HaveTool("JxrDecApp") && HaveTool("JxrEncApp"); }

bool HdpSameBytes(TIEBitmap& a, TIEBitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat()) return false;
  const size_t n = a.PixelFormat() == ie1g ? (a.Width() + 7) / 8 : size_t(a.Width()) * IEBitsPerPixel[a.PixelFormat()] / 8;
  for (int y = 0; y < a.Height(); ++y)
    if (std::memcmp(a.Scanline(y), b.Scanline(y), n) != 0) return false;
  return true;
}

}  // namespace

// The files the writer makes are recognised by their first directory's HD Photo tags; a bare
// header is not enough.
TEST(HdpCodec, DetectsTheHeaderAndKeepsThePosition) {
  THdpTestStart start;
  if (!IEWICAvailable) GTEST_SKIP() << "no HD Photo library";
  TIEBitmap bmp;
  bmp.Allocate(9, 7, ie24RGB);
  struct Case { std::vector<uint8_t> data; bool hdp; } cases[] = {
      {HdpTestWrite(bmp, HdpTestLossless()), true}, {{'I', 'I', 0xBC, 1, 0, 0}, false},
      {{'I', 'I', 42, 0, 8, 0}, false}, {{'I', 'I', 0xBC}, false}};
  for (auto& c : cases) {
    TMemoryStream s;
    Load(s, c.data);
    EXPECT_EQ(HdPhotoDetect(&s), c.hdp);
    EXPECT_EQ(s.Position(), 0);
  }
}

TEST(HdpCodec, DefaultOptionsMakeTheirPropertyBag) {
  TIOParamsVals p;
  TIEWICWriter w;
  w.ImageQuality = p.HDP_ImageQuality;
  w.Lossless = p.HDP_Lossless;
  const TIEWICPropertyBag bag = w.MakePropertyBag();
  using V = TIEWICVarType;
  struct Want { const char* name; double value; V type; } want[] = {
      {"ImageQuality", 0.9f, V::VT_R4},       {"Lossless", 0, V::VT_BOOL},     {"HorizontalTileSlices", 0, V::VT_UI2},
      {"VerticalTileSlices", 0, V::VT_UI2}, {"FrequencyOrder", 1, V::VT_BOOL}, {"TiffCompressionMethod", 1, V::VT_UI1}};
  ASSERT_EQ(bag.size(), std::size(want));
  for (size_t i = 0; i < bag.size(); ++i) {
    EXPECT_EQ(bag[i].Name, want[i].name);
    EXPECT_EQ(bag[i].Value, want[i].value) << want[i].name;
    EXPECT_EQ(bag[i].VarType, want[i].type) << want[i].name;
  }
  w.UseCodecOptions = true;
  EXPECT_EQ(w.MakePropertyBag().size(), std::size(want) + 4);
}

TEST(HdpCodec, LosslessFilesMatchJxrlibsTools) {
  THdpTestStart start;
  if (!HdpHaveTools()) GTEST_SKIP() << "JxrDecApp is not installed";
  TIEBitmap photo;
  MakePhoto(photo, 40, 24);
  const auto ours = HdpTestWrite(photo, HdpTestLossless());
  WriteFileBytes(HdpTestPath("ours.wdp"), ours);
  ASSERT_TRUE(RunTool("JxrDecApp -i '" + HdpTestPath("ours.wdp") + "' -o '" + HdpTestPath("ours.pnm") + "' >/dev/null"));
  EXPECT_EQ(CountDiffs(photo, ParseNetpbm(ReadFileBytes(HdpTestPath("ours.pnm")))), 0);

  WriteFileBytes(HdpTestPath("tool.pnm"), MakePpm(photo));
  ASSERT_TRUE(RunTool("JxrEncApp -i '" + HdpTestPath("tool.pnm") + "' -o '" + HdpTestPath("tool.jxr") +
                      "' -q 1 >/dev/null"));
  auto r = HdpTestRead(ReadFileBytes(HdpTestPath("tool.jxr")));
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Params.Width, 40);
  EXPECT_EQ(r->Params.OriginalHeight, 24);
  EXPECT_EQ(PSNR(photo, r->Bitmap), 99);
}

TEST(HdpCodec, EveryLayoutRoundTrips) {
  THdpTestStart start;
  struct Case { TIEPixelFormat format; int bits, samples; } cases[] = {
      {ie8g, 8, 1}, {ie16g, 16, 1}, {ieCMYK, 8, 4}, {ieRGB48, 16, 3}, {ie1g, 1, 1}, {ie24RGB, 8, 3}};
  for (auto c : cases) {
    TIEBitmap src;
    src.Allocate(19, 11, c.format);
    for (int y = 0; y < 11; ++y) {
      uint8_t* row = src.Scanline(y);
      const int n = c.format == ie1g ? 3 : 19 * IEBitsPerPixel[c.format] / 8;
      for (int i = 0; i < n; ++i) row[i] = static_cast<uint8_t>((i * 37 + y * 11) ^ (i >> 2));
    }
    if (c.format == ie1g)
      for (int y = 0; y < 11; ++y) src.Scanline(y)[2] &= 0xE0;  // only the 19 pixels' bits
    bool aborted = true;
    const auto file = HdpTestWrite(src, HdpTestLossless(), &aborted);
    ASSERT_FALSE(aborted) << int(c.format);
    auto native = HdpTestRead(file, true);
    ASSERT_FALSE(native->Aborted) << int(c.format);
    EXPECT_TRUE(HdpSameBytes(src, native->Bitmap)) << int(c.format);
    EXPECT_EQ(native->Params.BitsPerSample, c.bits) << int(c.format);
    EXPECT_EQ(native->Params.SamplesPerPixel, c.samples) << int(c.format);
    auto plain = HdpTestRead(file, false);
    ASSERT_FALSE(plain->Aborted);
    EXPECT_EQ(plain->Bitmap.PixelFormat(), c.format == ie1g ? ie1g : ie24RGB) << int(c.format);
    if (c.format == ie16g) {
      EXPECT_EQ(plain->Bitmap.GetPixelAsRGB(3, 4).g, native->Bitmap.Scanline(4)[7]);
    }
  }
}

TEST(HdpCodec, QualityBelowOneIsLossy) {
  THdpTestStart start;
  TIEBitmap photo;
  MakePhoto(photo, 64, 48);
  TIOParamsVals lossy;
  lossy.HDP_ImageQuality = 0.5;
  const auto small = HdpTestWrite(photo, lossy);
  const auto full = HdpTestWrite(photo, HdpTestLossless());
  ASSERT_FALSE(small.empty());
  EXPECT_LT(small.size(), full.size());
  auto r = HdpTestRead(small);
  ASSERT_FALSE(r->Aborted);
  EXPECT_GT(PSNR(photo, r->Bitmap), 25);
  EXPECT_LT(PSNR(photo, r->Bitmap), 99);
}

TEST(HdpCodec, WithoutTheCodecNothingIsReadOrWritten) {
  THdpTestStart start;
  TIEBitmap photo;
  MakePhoto(photo, 8, 8);
  const auto file = HdpTestWrite(photo, HdpTestLossless());
  IEWICAvailable = false;
  TRead r;
  r.Bitmap.Allocate(2, 2, ie24RGB);
  TMemoryStream s;
  Load(s, file);
  TTestProgress pr;
  HdPhotoReadImage(&s, &r.Bitmap, r.Params, pr.Rec, false);
  EXPECT_TRUE(pr.Aborted());
  EXPECT_EQ(r.Bitmap.Width(), 2);
  bool aborted = false;
  EXPECT_TRUE(HdpTestWrite(photo, HdpTestLossless(), &aborted).empty());
  EXPECT_TRUE(aborted);
  IEWICInit();
  EXPECT_TRUE(IEWICAvailable);
}

TEST(HdpCodec, DamagedFilesAbortCleanly) {
  THdpTestStart start;
  TIEBitmap photo;
  MakePhoto(photo, 32, 32);
  const auto good = HdpTestWrite(photo, HdpTestLossless());
  std::vector<std::vector<uint8_t>> bad = {{'I', 'I', 0xBC, 1}, std::vector<uint8_t>(good.begin(), good.begin() + 40),
                                           std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2)};
  std::vector<uint8_t> noisy(good);
  for (size_t i = 30; i < noisy.size(); i += 9) noisy[i] ^= 0x3C;
  bad.push_back(noisy);
  for (size_t i = 0; i < bad.size(); ++i) {
    TRead r;
    r.Bitmap.Allocate(3, 3, ie24RGB);
    TMemoryStream s;
    Load(s, bad[i]);
    TTestProgress pr;
    HdPhotoReadImage(&s, &r.Bitmap, r.Params, pr.Rec, false);
    if (i < 2) {
      EXPECT_TRUE(pr.Aborted()) << i;
    }
    if (pr.Aborted()) {
      EXPECT_EQ(r.Bitmap.Width(), 3) << i;
    }
  }
}

TEST(HdpCodec, FrontEndLoadsAndSavesByExtension) {
  THdpTestStart start;
  IEInitFileFormats();
  TIEBitmap photo;
  MakePhoto(photo, 25, 15);
  const std::string name = HdpTestPath("fe.wdp");
  TIEBitmap target;
  target.Assign(&photo);
  TImageryIO io(nullptr);
  io.AttachBitmap(&target);
  io.Params->HDP_Lossless = true;
  io.SaveToFile(name);
  ASSERT_FALSE(io.Aborting.load());
  EXPECT_EQ(IEFindFileFormat(name, true), ioHDP);
  target.FreeImage();
  io.LoadFromFile(name);
  ASSERT_FALSE(io.Aborting.load());
  EXPECT_EQ(io.Params->FileType, ioHDP);
  EXPECT_EQ(PSNR(photo, target), 99);
  IEFreeFileFormats();
}

TEST(HdpCodec, DeepAndGreyFilesOfOursDecodeAlikeWithJxrDecApp) {
  THdpTestStart start;
  if (!HdpHaveTools()) GTEST_SKIP() << "JxrDecApp is not installed";
  struct Case { TIEPixelFormat format; int r, g, b; } cases[] = {{ieRGB48, 0xE0, 0x80, 0x20}, {ie8g, 0x5A, 0x5A, 0x5A}};
  for (auto c : cases) {
    TIEBitmap src;
    src.Allocate(10, 6, c.format);
    for (int y = 0; y < 6; ++y)
      for (int x = 0; x < 10; ++x) {
        if (c.format == ieRGB48) {
          uint16_t* p = reinterpret_cast<uint16_t*>(src.Scanline(y)) + 3 * x;
          p[0] = static_cast<uint16_t>(c.r << 8 | 0x11), p[1] = static_cast<uint16_t>(c.g << 8 | 0x22);
          p[2] = static_cast<uint16_t>(c.b << 8 | 0x33);
        } else {
          src.Scanline(y)[x] = static_cast<uint8_t>(c.g);
        }
      }
    const std::string name = HdpTestPath("deep" + std::to_string(int(c.format)));
    WriteFileBytes(name + ".wdp", HdpTestWrite(src, HdpTestLossless()));
    ASSERT_TRUE(RunTool("JxrDecApp -i '" + name + ".wdp' -o '" + name + ".pnm' >/dev/null"));
    const auto out = ReadFileBytes(name + ".pnm");
    if (c.format == ieRGB48) {
      // The tool writes 16-bit samples in the machine's own (little-endian) order.
      const std::string head = "P6\n10 6\n65535\n";
      ASSERT_GT(out.size(), head.size() + 6);
      ASSERT_EQ(std::string(out.begin(), out.begin() + head.size()), head);
      EXPECT_EQ(Get16(out, head.size()), c.r << 8 | 0x11);
      EXPECT_EQ(Get16(out, head.size() + 2), c.g << 8 | 0x22);
      EXPECT_EQ(Get16(out, head.size() + 4), c.b << 8 | 0x33);
    } else {
      const TRgbImage ref = ParseNetpbm(out);
      ASSERT_EQ(ref.Width, 10);
      EXPECT_EQ(ref.At(4, 3).g, c.g);
    }
  }
}
