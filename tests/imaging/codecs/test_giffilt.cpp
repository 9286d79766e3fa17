// GIF codec and its LZW coder: round trips, the interlaced row order, the code-table limits,
// frames, transparency, hand-made damaged files, and files read and written by netpbm's tools.
#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <utility>

#include "codectest.h"
#include "imaging/codecs/giffilt.h"
#include "imaging/codecs/giflzw.h"
#include "imaging/core/iemask.h"
#include "imaging/io/imageryio.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/strings.h"

namespace {

std::vector<uint8_t> Compress(const std::vector<uint8_t>& idx, int w, int h, int bpp, bool interlaced) {
  TMemoryStream s;
  GifLzwCompress(&s, h, w, bpp, idx.data(), interlaced);
  return Bytes(s);
}

// Decodes; Moved tells whether the stream position advanced (the coder's success signal).
std::vector<uint8_t> Decompress(const std::vector<uint8_t>& data, int w, int h, bool interlaced, bool* Moved = nullptr,
                                uint8_t Fill = 0xEE) {
  TMemoryStream s;
  Load(s, data);
  std::vector<uint8_t> out(static_cast<size_t>(w) * h, Fill);
  GifLzwDecompress(&s, h, w, out.data(), interlaced);
  if (Moved) *Moved = s.Position() != 0;
  return out;
}

// LSB-first codes packed into sub-blocks behind a minimum code size byte.
struct TCodeWriter {
  std::vector<uint8_t> Bytes;
  uint32_t Acc = 0;
  int Bits = 0;
  void Put(int Code, int Size) {
    Acc |= static_cast<uint32_t>(Code) << Bits;
    Bits += Size;
    while (Bits >= 8) {
      Bytes.push_back(Acc & 0xFF);
      Acc >>= 8;
      Bits -= 8;
    }
  }
  std::vector<uint8_t> Finish(int MinCodeSize) {
    if (Bits > 0) Bytes.push_back(Acc & 0xFF);
    std::vector<uint8_t> v = {static_cast<uint8_t>(MinCodeSize)};
    for (size_t i = 0; i < Bytes.size(); i += 255) {
      const size_t n = std::min<size_t>(255, Bytes.size() - i);
      v.push_back(static_cast<uint8_t>(n));
      v.insert(v.end(), Bytes.begin() + i, Bytes.begin() + i + n);
    }
    v.push_back(0);
    return v;
  }
};

std::vector<uint8_t> RandomIndexes(int n, int bpp, unsigned seed, bool runs) {
  std::mt19937 rng(seed);
  std::vector<uint8_t> v(n);
  for (int i = 0; i < n; ++i) v[i] = runs && i > 0 && rng() % 4 ? v[i - 1] : static_cast<uint8_t>(rng() % (1u << bpp));
  return v;
}

struct TFrame {
  int X = 0, Y = 0, W = 0, H = 0;
  std::vector<uint8_t> Idx;
  int Delay = 0, Disposal = 0, Transparent = -1;
  std::vector<TIERGBPixel> Local;  // empty: the global table
  bool Interlaced = false;
};

// A GIF89a file with a global table (when Global is not empty) and the given frames.
std::vector<uint8_t> MakeGif(int sw, int sh, const std::vector<TIERGBPixel>& Global, const std::vector<TFrame>& Frames,
                             const char* Version = "GIF89a") {
  std::vector<uint8_t> v(Version, Version + 6);
  auto tableBits = [](size_t n) {
    int b = 1;
    while ((1u << b) < n) ++b;
    return b;
  };
  auto putTable = [&](const std::vector<TIERGBPixel>& t) {
    const int n = 1 << tableBits(t.size());
    for (int i = 0; i < n; ++i) {
      const TIERGBPixel c = i < static_cast<int>(t.size()) ? t[i] : TIERGBPixel{0, 0, 0};
      v.insert(v.end(), {c.r, c.g, c.b});
    }
  };
  Put16(v, sw);
  Put16(v, sh);
  v.push_back(Global.empty() ? 0 : static_cast<uint8_t>(0x80 | (tableBits(Global.size()) - 1)));
  v.push_back(0);
  v.push_back(0);
  if (!Global.empty()) putTable(Global);
  for (const TFrame& f : Frames) {
    v.insert(v.end(), {0x21, 0xF9, 4});
    v.push_back(static_cast<uint8_t>(f.Disposal << 2 | (f.Transparent >= 0 ? 1 : 0)));
    Put16(v, f.Delay);
    v.push_back(static_cast<uint8_t>(std::max(0, f.Transparent)));
    v.push_back(0);
    v.push_back(0x2C);
    Put16(v, f.X);
    Put16(v, f.Y);
    Put16(v, f.W);
    Put16(v, f.H);
    uint8_t packed = f.Interlaced ? 0x40 : 0;
    if (!f.Local.empty()) packed |= static_cast<uint8_t>(0x80 | (tableBits(f.Local.size()) - 1));
    v.push_back(packed);
    if (!f.Local.empty()) putTable(f.Local);
    const int bpp = std::max(2, tableBits(Global.empty() ? f.Local.size() : std::max(Global.size(), f.Local.size())));
    auto data = Compress(f.Idx, f.W, f.H, bpp, f.Interlaced);
    v.insert(v.end(), data.begin(), data.end());
  }
  v.push_back(0x3B);
  return v;
}

std::unique_ptr<TRead> ReadGif(const std::vector<uint8_t>& data, int index = 0, bool preview = false,
                               bool noMask = false, bool native = false, int* frames = nullptr) {
  auto r = std::make_unique<TRead>();
  r->Params.GIF_ImageIndex = index;
  r->Params.IsNativePixelFormat = native;
  TMemoryStream s;
  Load(s, data);
  TTestProgress pr;
  int n = -1;
  GifReadImage(&s, &r->Bitmap, n, r->Params, pr.Rec, preview, r->Mask, noMask);
  if (frames) *frames = n;
  r->Aborted = pr.Aborted();
  return r;
}

std::vector<uint8_t> WriteGif(TIEBitmap& bmp, TIOParamsVals& p) {
  TMemoryStream s;
  TTestProgress pr;
  GifWriteImage(&s, &bmp, p, pr.Rec);
  EXPECT_FALSE(pr.Aborted());
  return Bytes(s);
}

const std::vector<TIERGBPixel> kFour = {PixRGB(255, 0, 0), PixRGB(0, 255, 0), PixRGB(0, 0, 255), PixRGB(255, 255, 0)};

}  // namespace

TEST(GifLzw, RoundTripsEveryDepthInterlacedOrNot) {
  struct TCase {
    int W, H, Bpp;
    bool Interlaced, Runs;
  };
  const TCase cases[] = {{1, 1, 1, false, false}, {37, 23, 1, true, true},   {64, 64, 2, false, false},
                         {31, 20, 4, true, false}, {200, 150, 8, false, false}, {200, 150, 8, true, true},
                         {513, 9, 7, false, true},  {3, 300, 5, true, false}};
  unsigned seed = 1;
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.W << "x" << c.H << " bpp " << c.Bpp << (c.Interlaced ? " interlaced" : ""));
    auto idx = RandomIndexes(c.W * c.H, c.Bpp, seed++, c.Runs);
    auto data = Compress(idx, c.W, c.H, c.Bpp, c.Interlaced);
    bool moved = false;
    EXPECT_EQ(Decompress(data, c.W, c.H, c.Interlaced, &moved), idx);
    EXPECT_TRUE(moved);
  }
}

TEST(GifLzw, OneBitUsesMinimumCodeSizeTwo) {
  std::vector<uint8_t> idx = {0, 1, 1, 0};
  auto data = Compress(idx, 2, 2, 1, false);
  ASSERT_GT(data.size(), 3u);
  EXPECT_EQ(data[0], 2);
  EXPECT_EQ(data[2] & 7, 4);  // the first 3-bit code is the clear code 4
  EXPECT_EQ(data.back(), 0);
}

TEST(GifLzw, InterlacedRowsLandInPassOrder) {
  // Data written row by row (not interlaced) with row k holding the value k, decoded as
  // interlaced: the k-th stored row lands in the k-th row of the pass order.
  const int w = 3, h = 20;
  std::vector<uint8_t> stored(w * h);
  for (int k = 0; k < h; ++k) std::fill(stored.begin() + k * w, stored.begin() + (k + 1) * w, static_cast<uint8_t>(k));
  auto out = Decompress(Compress(stored, w, h, 5, false), w, h, true);
  const int order[20] = {0, 8, 16, 4, 12, 2, 6, 10, 14, 18, 1, 3, 5, 7, 9, 11, 13, 15, 17, 19};
  for (int k = 0; k < h; ++k) EXPECT_EQ(out[order[k] * w], k) << "stored row " << k;
  // And the encoder stores rows in that order.
  std::vector<uint8_t> image(w * h);
  for (int r = 0; r < h; ++r) std::fill(image.begin() + r * w, image.begin() + (r + 1) * w, static_cast<uint8_t>(r));
  auto asStored = Decompress(Compress(image, w, h, 5, true), w, h, false);
  for (int k = 0; k < h; ++k) EXPECT_EQ(asStored[k * w], order[k]);
}

TEST(GifLzw, DataWithoutLeadingClearDecodeFromTheClearedState) {
  // 8 literal codes of 3 bits (minimum code size 2) without any clear code, then the end code.
  TCodeWriter cw;
  int size = 3, nextFree = 6, limit = 8;
  const int values[8] = {1, 2, 3, 0, 1, 2, 3, 0};
  for (int i = 0; i < 8; ++i) {
    cw.Put(values[i], size);
    if (i > 0 && ++nextFree >= limit && size < 12) ++size, limit <<= 1;
  }
  cw.Put(5, size);
  bool moved = false;
  auto out = Decompress(cw.Finish(2), 8, 1, false, &moved);
  EXPECT_TRUE(moved);
  EXPECT_EQ(out, std::vector<uint8_t>(values, values + 8));
}

TEST(GifLzw, FullTableMustBeFollowedByClear) {
  // Literal codes only (minimum code size 8): every code after the first adds an entry, so 3,839
  // of them fill the table up to 4,096 entries.
  auto build = [](int after) {
    TCodeWriter cw;
    int size = 9, nextFree = 258, limit = 512;
    cw.Put(256, size);
    for (int i = 0; i < 3839; ++i) {
      cw.Put(i & 0xFF, size);
      if (i > 0 && nextFree < 4096 && ++nextFree >= limit && size < 12) ++size, limit <<= 1;
    }
    cw.Put(after, size);
    if (after == 256) cw.Put(7, 9), cw.Put(257, 9);
    return cw.Finish(8);
  };
  bool moved = true;
  Decompress(build(5), 3840, 1, false, &moved);
  EXPECT_FALSE(moved) << "a code other than clear after a full table";
  auto out = Decompress(build(256), 3841, 1, false, &moved);
  EXPECT_TRUE(moved);
  EXPECT_EQ(out[3838], 3838 & 0xFF);
  EXPECT_EQ(out[3839], 7);
}

TEST(GifLzw, HostileDataMoveTheStreamBack) {
  const std::vector<std::vector<uint8_t>> bad = {
      {0, 1, 0x00, 0},              // minimum code size 0
      {12, 1, 0x00, 0},             // minimum code size 12
      {2, 2, 0xCC, 0x01, 0},        // clear, literal 1, then code 7 beyond the next free code 6
  };
  for (const auto& d : bad) {
    bool moved = true;
    Decompress(d, 4, 4, false, &moved);
    EXPECT_FALSE(moved);
  }
  // Data that stop early keep the pixels decoded so far; the rest is untouched.
  auto data = Compress(std::vector<uint8_t>(64, 1), 8, 8, 1, false);
  std::vector<uint8_t> cut(data.begin(), data.begin() + 3);
  cut[1] = 1;
  cut.push_back(0);
  auto out = Decompress(cut, 8, 8, false, nullptr, 0xEE);
  EXPECT_EQ(out[0], 1);
  EXPECT_EQ(out[63], 0xEE);
}

TEST(GifCodec, ThreeFramesReadTheSecondWithItsParameters) {
  std::vector<TFrame> frames(3);
  for (int i = 0; i < 3; ++i) {
    frames[i].X = i * 2;
    frames[i].Y = i;
    frames[i].W = 4 + i;
    frames[i].H = 3;
    frames[i].Idx.assign(frames[i].W * 3, static_cast<uint8_t>(i));
    frames[i].Delay = 10 * (i + 1);
    frames[i].Disposal = i + 1;
  }
  frames[1].Idx[0] = 3;
  int count = 0;
  auto r = ReadGif(MakeGif(10, 6, kFour, frames), 1, false, false, false, &count);
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(r->Params.ImageCount, 3);
  EXPECT_EQ(r->Params.GIF_XPos, 2);
  EXPECT_EQ(r->Params.GIF_YPos, 1);
  EXPECT_EQ(r->Params.GIF_DelayTime, 20);
  EXPECT_EQ(r->Params.GIF_Action, 2);
  EXPECT_EQ(r->Params.GIF_WinWidth, 10);
  ASSERT_EQ(r->Bitmap.Width(), 5);
  EXPECT_EQ(r->Bitmap.PixelFormat(), ie24RGB);
  EXPECT_EQ(r->Bitmap.GetPixelAsRGB(0, 0).b, 0);
  EXPECT_EQ(r->Bitmap.GetPixelAsRGB(0, 0).r, 255);  // index 3: yellow
  EXPECT_EQ(r->Bitmap.GetPixelAsRGB(1, 0).g, 255);  // index 1: green
  EXPECT_EQ(r->Bitmap.GetPixelAsRGB(1, 0).r, 0);
  EXPECT_EQ(r->Params.BitsPerSample, 2);
  EXPECT_EQ(r->Params.ColorMapCount, 4);

  // A frame past the last decodes nothing and still counts the frames.
  auto past = ReadGif(MakeGif(10, 6, kFour, frames), 7, false, false, false, &count);
  EXPECT_EQ(count, 3);
  EXPECT_TRUE(past->Bitmap.IsEmpty());
}

TEST(GifCodec, VersionPreviewAndComments) {
  std::vector<TFrame> f(1);
  f[0].W = f[0].H = 4;
  f[0].Idx.assign(16, 2);
  auto v = MakeGif(4, 4, kFour, f, "GIF87a");
  // A comment extension before the trailer.
  v.pop_back();
  v.insert(v.end(), {0x21, 0xFE, 5, 'h', 'e', 'l', 'l', 'o', 0, 0x3B});
  int count = 0;
  auto r = ReadGif(v, 0, true, false, false, &count);
  EXPECT_FALSE(r->Aborted);
  EXPECT_EQ(r->Params.GIF_Version, "GIF87a");
  EXPECT_EQ(count, 1);
  EXPECT_TRUE(r->Bitmap.IsEmpty());
  EXPECT_EQ(r->Params.Width, 4);
  ASSERT_EQ(r->Params.GIF_Comments->Count(), 1);
  EXPECT_EQ(r->Params.GIF_Comments->Strings(0), "hello");
}

TEST(GifCodec, TransparencyGivesMaskOnlyWhenUsed) {
  std::vector<TFrame> f(1);
  f[0].W = 4;
  f[0].H = 2;
  f[0].Idx = {0, 1, 2, 3, 3, 2, 1, 0};
  f[0].Transparent = 2;
  auto r = ReadGif(MakeGif(4, 2, kFour, f));
  ASSERT_NE(r->Mask, nullptr);
  EXPECT_EQ(r->Mask->GetPixel(2, 0), 0);
  EXPECT_EQ(r->Mask->GetPixel(1, 1), 0);
  EXPECT_EQ(r->Mask->GetPixel(0, 0), 255);
  EXPECT_TRUE(r->Params.GIF_FlagTranspColor);
  EXPECT_EQ(r->Params.GIF_TranspColor.b, 255);  // blue

  EXPECT_EQ(ReadGif(MakeGif(4, 2, kFour, f), 0, false, true)->Mask, nullptr);  // no-mask flag
  f[0].Idx = {0, 1, 0, 3, 3, 0, 1, 0};
  EXPECT_EQ(ReadGif(MakeGif(4, 2, kFour, f))->Mask, nullptr);  // index never used
}

TEST(GifCodec, PixelFormatsAndLocalTable) {
  std::vector<TFrame> f(1);
  f[0].W = 9;
  f[0].H = 2;
  f[0].Idx = {0, 1, 1, 0, 1, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
  auto bw = ReadGif(MakeGif(9, 2, {PixRGB(0, 0, 0), PixRGB(255, 255, 255)}, f));
  ASSERT_EQ(bw->Bitmap.PixelFormat(), ie1g);
  EXPECT_EQ(bw->Bitmap.Scanline(0)[0], 0x68);
  EXPECT_EQ(bw->Bitmap.Scanline(0)[1], 0x80);
  const std::vector<TIERGBPixel> redBlue = {PixRGB(255, 0, 0), PixRGB(0, 0, 255)};
  EXPECT_EQ(ReadGif(MakeGif(9, 2, redBlue, f))->Bitmap.PixelFormat(), ie24RGB);
  auto native = ReadGif(MakeGif(9, 2, redBlue, f), 0, false, false, true);
  ASSERT_EQ(native->Bitmap.PixelFormat(), ie8p);
  EXPECT_EQ(native->Bitmap.Scanline(0)[1], 1);
  // A local table wins over the global one, for the colours and the transparent colour.
  f[0].Local = {PixRGB(10, 20, 30), PixRGB(40, 50, 60)};
  f[0].Transparent = 1;
  auto local = ReadGif(MakeGif(9, 2, redBlue, f));
  EXPECT_EQ(local->Bitmap.GetPixelAsRGB(0, 0).r, 10);
  EXPECT_EQ(local->Params.GIF_TranspColor.r, 40);
  EXPECT_EQ(local->Params.ColorMap[1].g, 50);
}

TEST(GifCodec, WriterLayoutAndRoundTrip) {
  TIEBitmap bmp;
  MakeFewColors(bmp, 40, 30, 200);
  TIOParamsVals p;
  p.BitsPerSample = 8;
  auto v = WriteGif(bmp, p);
  ASSERT_GT(v.size(), 13u + 768u);
  EXPECT_EQ(std::string(v.begin(), v.begin() + 6), "GIF89a");
  EXPECT_EQ(v[10], 0xF7);                   // global table of 256 entries
  EXPECT_EQ(v[13 + 768], 0x21);             // graphic control extension
  EXPECT_EQ(v[13 + 768 + 1], 0xF9);
  EXPECT_EQ(v[13 + 768 + 8], 0x2C);         // image descriptor
  const std::vector<uint8_t> tail = {0x21, 0xFE, 0x00, 0x3B};
  EXPECT_TRUE(std::equal(tail.begin(), tail.end(), v.end() - 4));
  auto r = ReadGif(v);
  ASSERT_FALSE(r->Aborted);
  EXPECT_DOUBLE_EQ(PSNR(bmp, r->Bitmap), 99);  // up to 255 colours are kept exactly
}

TEST(GifCodec, AlphaPixelsTakeTheTransparentIndex) {
  TIEBitmap bmp;
  MakeFewColors(bmp, 16, 8, 5);
  TIEBitmap* a = bmp.GetAlphaChannel();
  a->Scanline(2)[3] = 0;
  a->Scanline(5)[7] = 128;
  TIOParamsVals p;
  p.BitsPerSample = 4;
  auto v = WriteGif(bmp, p);
  const size_t gce = 13 + 16 * 3;
  ASSERT_EQ(v[gce + 1], 0xF9);
  EXPECT_EQ(v[gce + 3] & 1, 1);
  EXPECT_EQ(v[gce + 6], 15);
  auto r = ReadGif(v);
  ASSERT_NE(r->Mask, nullptr);
  EXPECT_EQ(r->Mask->GetPixel(3, 2), 0);
  EXPECT_EQ(r->Mask->GetPixel(7, 5), 0);
  EXPECT_EQ(r->Mask->GetPixel(0, 0), 255);
}

TEST(GifCodec, HostileFilesFailCleanly) {
  std::vector<TFrame> f(1);
  f[0].W = f[0].H = 4;
  f[0].Idx.assign(16, 1);
  const auto good = MakeGif(4, 4, kFour, f);
  // A frame of 65,535 x 65,535 pixels in a file of a few dozen bytes: refused before allocating.
  auto huge = good;
  const size_t desc = 13 + 12 + 8;
  ASSERT_EQ(huge[desc], 0x2C);
  huge[desc + 5] = huge[desc + 6] = huge[desc + 7] = huge[desc + 8] = 0xFF;
  // 32,921 x 1,476 pixels: within the general size check for this much data, but more than its
  // LZW codes could ever fill (at least 3 bits each, at most 4,096 pixels each).
  auto forged = good;
  forged[desc + 5] = 0x99;
  forged[desc + 6] = 0x80;
  forged[desc + 7] = 0xC4;
  forged[desc + 8] = 0x05;
  // An index past a two-entry table shows black.
  std::vector<TFrame> past(1);
  past[0].W = 2;
  past[0].H = 1;
  past[0].Idx = {3, 1};
  auto pastFile = MakeGif(2, 1, {PixRGB(255, 255, 255), PixRGB(9, 9, 9)}, past);
  const std::vector<std::vector<uint8_t>> bad = {
      {}, {'G', 'I', 'F'}, std::vector<uint8_t>(good.begin(), good.begin() + 12), {'P', 'N', 'G', '8', '9', 'a', 0, 0, 0, 0, 0, 0, 0},
      huge, forged};
  for (size_t i = 0; i < bad.size(); ++i) EXPECT_TRUE(ReadGif(bad[i])->Aborted) << "case " << i;
  // A logical screen of 65,535 x 65,535 for a file of a few dozen bytes is taken as absent.
  auto screen = good;
  screen[6] = screen[7] = screen[8] = screen[9] = 0xFF;
  auto s = ReadGif(screen);
  ASSERT_FALSE(s->Aborted);
  EXPECT_EQ(s->Params.GIF_WinWidth, 0);
  EXPECT_EQ(s->Params.GIF_WinHeight, 0);
  EXPECT_EQ(ReadGif(good)->Params.GIF_WinWidth, 4);
  auto r = ReadGif(pastFile);
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Bitmap.GetPixelAsRGB(0, 0).r, 0);
  EXPECT_EQ(r->Bitmap.GetPixelAsRGB(1, 0).r, 9);
}

TEST(GifCodec, AgreesWithNetpbm) {
  if (!HaveTool("giftopnm") || !HaveTool("ppmtogif")) GTEST_SKIP() << "netpbm tools not installed";
  const std::string dir = CodecTestDir();
  TIEBitmap bmp;
  MakeFewColors(bmp, 53, 21, 60);
  // Ours written, theirs read, interlaced or not.
  for (bool interlaced : {false, true}) {
    TIOParamsVals p;
    p.GIF_Interlaced = interlaced;
    WriteFileBytes(dir + "/ours.gif", WriteGif(bmp, p));
    ASSERT_TRUE(RunTool("giftopnm " + dir + "/ours.gif > " + dir + "/ours.ppm"));
    EXPECT_EQ(CountDiffs(bmp, ParseNetpbm(ReadFileBytes(dir + "/ours.ppm"))), 0) << interlaced;
  }
  // Theirs written, ours read.
  WriteFileBytes(dir + "/src.ppm", MakePpm(bmp));
  for (const char* opt : {"", "-interlace"}) {
    ASSERT_TRUE(RunTool(std::string("ppmtogif ") + opt + " " + dir + "/src.ppm > " + dir + "/theirs.gif"));
    auto r = ReadGif(ReadFileBytes(dir + "/theirs.gif"));
    ASSERT_FALSE(r->Aborted) << opt;
    EXPECT_EQ(CountDiffs(r->Bitmap, ParseNetpbm(ReadFileBytes(dir + "/src.ppm"))), 0) << opt;
  }
}

TEST(GifLzw, RandomDataNeverWriteOutsideTheBuffer) {
  std::mt19937 rng(77);
  for (int round = 0; round < 300; ++round) {
    std::vector<uint8_t> d = {static_cast<uint8_t>(2 + rng() % 8)};
    const int blocks = 1 + static_cast<int>(rng() % 4);
    for (int b = 0; b < blocks; ++b) {
      const int n = 1 + static_cast<int>(rng() % 255);
      d.push_back(static_cast<uint8_t>(n));
      for (int i = 0; i < n; ++i) d.push_back(static_cast<uint8_t>(rng()));
    }
    d.push_back(0);
    const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 40);
    Decompress(d, w, h, round % 2 == 1);  // the sanitizer build catches any stray write
  }
}

TEST(GifCodec, FramesOutsideTheScreenComposeThroughTheFrontEnd) {
  // Three frames on a 6 x 4 screen; the second lies far outside it, the third partly outside.
  std::vector<TFrame> f(3);
  const int xs[3] = {0, 60000, 4};
  for (int i = 0; i < 3; ++i) {
    f[i].X = xs[i];
    f[i].W = 4;
    f[i].H = 4;
    f[i].Idx.assign(16, static_cast<uint8_t>(i + 1));
  }
  TMemoryStream s;
  Load(s, MakeGif(6, 4, kFour, f));
  TIEBitmap target;
  TImageryIO io(nullptr);
  io.AttachBitmap(&target);
  io.Params->GIF_ImageIndex = 2;
  io.LoadFromStreamGIF(&s);
  ASSERT_FALSE(io.Aborting.load());
  ASSERT_EQ(target.Width(), 6);
  ASSERT_EQ(target.Height(), 4);
  EXPECT_EQ(target.GetPixelAsRGB(0, 0).r, 0);  // the first frame: index 1, green
  EXPECT_EQ(target.GetPixelAsRGB(0, 0).g, 255);
  EXPECT_EQ(target.GetPixelAsRGB(5, 3).r, 255);  // the third frame's visible part: index 3, yellow
  EXPECT_EQ(target.GetPixelAsRGB(5, 3).g, 255);
}

TEST(GifCodec, ScreenBeyondWhatTheFramesReachIsCut) {
  // Two 4 x 4 frames; the screen is kept when it is small or when a frame reaches its far corner,
  // and cut to the frames' reach when it is large and only background lies beyond them.
  struct TCase {
    int SW, SH, X2, Y2;  // screen, position of the second frame
    int WantW, WantH;
  };
  const TCase cases[] = {
      {2048, 2048, 0, 0, 2048, 2048},     // up to 4 Mpixels: kept as given
      {4000, 4000, 0, 0, 4, 4},           // large, frames in one corner: cut
      {4000, 4000, 10, 20, 14, 24},       // cut to the farthest frame edge
      {3000, 2000, 2996, 1996, 3000, 2000},  // a frame reaches the far corner: kept
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.SW << "x" << c.SH << " second frame at " << c.X2 << "," << c.Y2);
    std::vector<TFrame> f(2);
    for (int i = 0; i < 2; ++i) {
      f[i].W = f[i].H = 4;
      f[i].Idx.assign(16, static_cast<uint8_t>(i + 1));
    }
    f[1].X = c.X2;
    f[1].Y = c.Y2;
    const auto file = MakeGif(c.SW, c.SH, kFour, f);
    for (int index = 0; index < 2; ++index) {
      for (bool preview : {false, true}) {
        auto r = ReadGif(file, index, preview);
        ASSERT_FALSE(r->Aborted);
        EXPECT_EQ(r->Params.GIF_WinWidth, c.WantW);
        EXPECT_EQ(r->Params.GIF_WinHeight, c.WantH);
      }
    }
  }
  // Through the front end the composed screen has the cut size, with both frames on it.
  std::vector<TFrame> f(2);
  for (int i = 0; i < 2; ++i) {
    f[i].W = f[i].H = 4;
    f[i].Idx.assign(16, static_cast<uint8_t>(i + 1));
  }
  f[1].X = 10;
  TMemoryStream s;
  Load(s, MakeGif(4000, 4000, kFour, f));
  TIEBitmap target;
  TImageryIO io(nullptr);
  io.AttachBitmap(&target);
  io.Params->GIF_ImageIndex = 1;
  io.LoadFromStreamGIF(&s);
  ASSERT_FALSE(io.Aborting.load());
  ASSERT_EQ(target.Width(), 14);
  ASSERT_EQ(target.Height(), 4);
  EXPECT_EQ(target.GetPixelAsRGB(0, 0).g, 255);  // the first frame: index 1, green
  EXPECT_EQ(target.GetPixelAsRGB(0, 0).r, 0);
  EXPECT_EQ(target.GetPixelAsRGB(13, 3).b, 255);  // the second frame: index 2, blue
}

TEST(GifCodec, FramesGrowingTheCanvasBeyondTheirDataAreRefused) {
  // No screen: the canvas is as wide as the widest frame and as tall as the tallest. A wide,
  // short frame and a narrow, tall one of one colour each would make a canvas far larger than
  // their data could fill; small ones, or the same frames on one of a multi-frame file, are read.
  struct TCase {
    int W1, H1, W2, H2;
    bool Refused;
  };
  const TCase cases[] = {
      {20000, 50, 50, 20000, true},  // 400 Mpixels from a few kilobytes
      {200, 50, 50, 200, false},     // 40,000 pixels: composed as usual
      {20000, 50, 0, 0, false},      // one frame: nothing composed
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.W1 << "x" << c.H1 << " then " << c.W2 << "x" << c.H2);
    std::vector<TFrame> f;
    for (const auto& [w, h] : {std::pair{c.W1, c.H1}, std::pair{c.W2, c.H2}}) {
      if (w == 0) continue;
      TFrame one;
      one.W = w;
      one.H = h;
      one.Idx.assign(size_t(w) * h, 1);
      f.push_back(one);
    }
    const auto file = MakeGif(0, 0, kFour, f);
    for (int index = 0; index < int(f.size()); ++index) {
      int count = 0;
      auto r = ReadGif(file, index, true, false, false, &count);
      EXPECT_EQ(r->Aborted, c.Refused);
      EXPECT_EQ(count, int(f.size()));
    }
  }
}

TEST(GifCodec, FramesWithoutPixelsDoNotHoldTheScreen) {
  // A large screen, two 4 x 4 frames, and frames of no width or no height placed at the far
  // edges: those cover nothing, so the screen is still cut to the real frames' reach.
  std::vector<TFrame> f(4);
  for (int i = 0; i < 2; ++i) {
    f[i].W = f[i].H = 4;
    f[i].Idx.assign(16, static_cast<uint8_t>(i + 1));
  }
  f[2].X = 3000;
  f[2].W = 0;
  f[2].H = 900;
  f[3].Y = 3000;
  f[3].W = 900;
  f[3].H = 0;
  const auto file = MakeGif(4000, 4000, kFour, f);
  auto r = ReadGif(file, 1, true);
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Params.GIF_WinWidth, 4);
  EXPECT_EQ(r->Params.GIF_WinHeight, 4);
}

TEST(GifCodec, LargeScreensReachedOnlyBySmallFramesAreRefused) {
  // Two 4 x 4 frames, the second at the screen's far corner: a screen the frames reach is kept
  // up to 8 Mpixels; beyond that, a screen far larger than the frames' data could fill is not
  // composed (each composed frame would copy all of it).
  struct TCase {
    int SW, SH;
    bool Refused;
  };
  const TCase cases[] = {{2800, 2800, false}, {2900, 2900, true}, {8000, 8000, true}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(testing::Message() << c.SW << "x" << c.SH);
    std::vector<TFrame> f(2);
    for (int i = 0; i < 2; ++i) {
      f[i].W = f[i].H = 4;
      f[i].Idx.assign(16, static_cast<uint8_t>(i + 1));
    }
    f[1].X = c.SW - 4;
    f[1].Y = c.SH - 4;
    const auto file = MakeGif(c.SW, c.SH, kFour, f);
    auto r = ReadGif(file, 1, true);
    EXPECT_EQ(r->Aborted, c.Refused);
    if (!c.Refused) {
      EXPECT_EQ(r->Params.GIF_WinWidth, c.SW);
      EXPECT_EQ(r->Params.GIF_WinHeight, c.SH);
    }
  }
}
