// PNG codec: reading every colour type and depth (files made with libpng), palette, tRNS, bKGD,
// pHYs and text; writing every colour type; the thumbnail frame; damaged files.
#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <functional>
#include <memory>

#include "codectest.h"
#include "imaging/codecs/pngfilt.h"
#include "imaging/core/iemask.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/strings.h"

namespace {

struct TPngLayout {
  int w = 8, h = 6, depth = 8, type = PNG_COLOR_TYPE_RGB;
  bool interlace = false;
  std::vector<png_color> palette;
  std::vector<png_byte> trnsIndex;  // palette transparency
  bool bkgd = false;
  png_color_16 bk{};
  png_uint_32 ppm = 0;
  std::vector<std::pair<std::string, std::string>> texts;
  // Sample value of channel c at (x, y), in the file's depth.
  std::function<int(int x, int y, int c)> sample = [](int x, int y, int c) { return (x * 31 + y * 17 + c * 50) & 0xFF; };
};

void WriteFn(png_structp png, png_bytep data, png_size_t n) {
  static_cast<TMemoryStream*>(png_get_io_ptr(png))->Write(data, static_cast<int64_t>(n));
}
void FlushFn(png_structp) {}

std::vector<uint8_t> MakePng(const TPngLayout& s) {
  TMemoryStream out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(png, &out, WriteFn, FlushFn);
  png_set_IHDR(png, info, s.w, s.h, s.depth, s.type, s.interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (!s.palette.empty()) png_set_PLTE(png, info, s.palette.data(), static_cast<int>(s.palette.size()));
  if (!s.trnsIndex.empty()) png_set_tRNS(png, info, s.trnsIndex.data(), static_cast<int>(s.trnsIndex.size()), nullptr);
  if (s.bkgd) png_set_bKGD(png, info, &s.bk);
  if (s.ppm) png_set_pHYs(png, info, s.ppm, s.ppm, PNG_RESOLUTION_METER);
  std::vector<png_text> texts;
  for (auto& t : s.texts) {
    png_text pt{};
    pt.compression = PNG_TEXT_COMPRESSION_NONE;
    pt.key = const_cast<char*>(t.first.c_str());
    pt.text = const_cast<char*>(t.second.c_str());
    pt.text_length = t.second.size();
    texts.push_back(pt);
  }
  if (!texts.empty()) png_set_text(png, info, texts.data(), static_cast<int>(texts.size()));
  png_write_info(png, info);
  int channels = png_get_channels(png, info);
  int passes = png_set_interlace_handling(png);
  std::vector<png_byte> row(static_cast<size_t>(s.w) * channels * 2 + 8);
  for (int p = 0; p < passes; ++p)
    for (int y = 0; y < s.h; ++y) {
      std::fill(row.begin(), row.end(), 0);
      for (int x = 0; x < s.w; ++x)
        for (int c = 0; c < channels; ++c) {
          int v = s.sample(x, y, c);
          if (s.depth == 16) {
            row[(x * channels + c) * 2] = static_cast<png_byte>(v >> 8);
            row[(x * channels + c) * 2 + 1] = static_cast<png_byte>(v);
          } else if (s.depth == 8) {
            row[x * channels + c] = static_cast<png_byte>(v);
          } else {
            int bit = x * s.depth;
            row[bit / 8] |= static_cast<png_byte>((v & ((1 << s.depth) - 1)) << (8 - s.depth - bit % 8));
          }
        }
      png_write_row(png, row.data());
    }
  png_write_end(png, info);
  png_destroy_write_struct(&png, &info);
  return Bytes(out);
}

std::unique_ptr<TRead> PngRead(const std::vector<uint8_t>& data, bool native = false, bool preview = false) {
  auto r = std::make_unique<TRead>();
  r->Params.IsNativePixelFormat = native;
  TMemoryStream s;
  Load(s, data);
  TTestProgress pr;
  PngReadImage(&s, &r->Bitmap, r->Params, preview, pr.Rec);
  r->Aborted = pr.Aborted();
  return r;
}

std::vector<uint8_t> PngWrite(TIEBitmap& bmp, TIOParamsVals& p, TIEMask* mask = nullptr) {
  TMemoryStream out;
  TTestProgress pr;
  PngWriteImage(&out, &bmp, p, mask, pr.Rec);
  EXPECT_FALSE(pr.Aborted());
  return Bytes(out);
}

}  // namespace

TEST(Png, ReadsEveryColourTypeAndDepth) {
  std::vector<png_color> pal16;
  for (int i = 0; i < 16; ++i) pal16.push_back(png_color{static_cast<png_byte>(i * 16), static_cast<png_byte>(255 - i * 16), 7});
  struct Case {
    const char* name;
    int type, depth;
    bool native;
    TIEPixelFormat pf;
    int spp;
    bool alpha;
  } cases[] = {
      {"grey 1", PNG_COLOR_TYPE_GRAY, 1, false, ie1g, 1, false},
      {"grey 2", PNG_COLOR_TYPE_GRAY, 2, false, ie24RGB, 1, false},
      {"grey 4", PNG_COLOR_TYPE_GRAY, 4, false, ie24RGB, 1, false},
      {"grey 8", PNG_COLOR_TYPE_GRAY, 8, false, ie24RGB, 1, false},
      {"grey 8 native", PNG_COLOR_TYPE_GRAY, 8, true, ie8g, 1, false},
      {"grey 16", PNG_COLOR_TYPE_GRAY, 16, false, ie24RGB, 1, false},
      {"grey 16 native", PNG_COLOR_TYPE_GRAY, 16, true, ie16g, 1, false},
      {"grey alpha 8", PNG_COLOR_TYPE_GRAY_ALPHA, 8, false, ie24RGB, 2, true},
      {"grey alpha 16", PNG_COLOR_TYPE_GRAY_ALPHA, 16, false, ie24RGB, 2, true},
      {"rgb 8", PNG_COLOR_TYPE_RGB, 8, false, ie24RGB, 3, false},
      {"rgb 16", PNG_COLOR_TYPE_RGB, 16, false, ie24RGB, 3, false},
      {"rgba 8", PNG_COLOR_TYPE_RGB_ALPHA, 8, false, ie24RGB, 4, true},
      {"rgba 16", PNG_COLOR_TYPE_RGB_ALPHA, 16, false, ie24RGB, 4, true},
      {"palette 1", PNG_COLOR_TYPE_PALETTE, 1, false, ie24RGB, 1, false},
      {"palette 2", PNG_COLOR_TYPE_PALETTE, 2, false, ie24RGB, 1, false},
      {"palette 4", PNG_COLOR_TYPE_PALETTE, 4, false, ie24RGB, 1, false},
      {"palette 8", PNG_COLOR_TYPE_PALETTE, 8, false, ie24RGB, 1, false},
      {"palette 8 native", PNG_COLOR_TYPE_PALETTE, 8, true, ie8p, 1, false},
  };
  for (bool interlace : {false, true})
    for (auto& c : cases) {
      TPngLayout s;
      s.w = 13;
      s.h = 9;
      s.type = c.type;
      s.depth = c.depth;
      s.interlace = interlace;
      const int maxv = (1 << c.depth) - 1;
      if (c.type == PNG_COLOR_TYPE_PALETTE) s.palette.assign(pal16.begin(), pal16.begin() + std::min(16, maxv + 1));
      const int palN = static_cast<int>(s.palette.size());
      s.sample = [&](int x, int y, int ch) {
        if (c.type == PNG_COLOR_TYPE_PALETTE) return (x + y) % palN;
        if (ch == 3 || (c.type == PNG_COLOR_TYPE_GRAY_ALPHA && ch == 1)) return x == 0 ? 0 : maxv;  // alpha
        return ((x * 7 + y * 3 + ch * 5) % (maxv + 1));
      };
      auto r = PngRead(MakePng(s), c.native);
      SCOPED_TRACE(std::string(c.name) + (interlace ? " interlaced" : ""));
      ASSERT_FALSE(r->Aborted);
      EXPECT_EQ(r->Bitmap.PixelFormat(), c.pf);
      EXPECT_EQ(r->Params.SamplesPerPixel, c.spp);
      EXPECT_EQ(r->Params.BitsPerSample, c.depth);
      EXPECT_EQ(r->Params.PNG_Interlaced, interlace);
      EXPECT_EQ(r->Bitmap.HasAlphaChannel(), c.alpha);
      // Every pixel against the source sample, as 8-bit colour.
      for (int y = 0; y < s.h; ++y)
        for (int x = 0; x < s.w; ++x) {
          TIERGBPixel got = r->Bitmap.GetPixelAsRGB(x, y);
          TIERGBPixel want;
          if (c.type == PNG_COLOR_TYPE_PALETTE) {
            png_color pc = s.palette[s.sample(x, y, 0)];
            want = PixRGB(pc.red, pc.green, pc.blue);
          } else if (c.depth == 16) {
            // 16-bit samples keep their high byte.
            auto hi = [&](int ch) { return s.sample(x, y, ch) >> 8; };
            bool colour = c.type & PNG_COLOR_MASK_COLOR;
            want = colour ? PixRGB(hi(0), hi(1), hi(2)) : PixRGB(hi(0), hi(0), hi(0));
          } else {
            int scale = 255 / maxv;
            auto v = [&](int ch) { return s.sample(x, y, ch) * scale; };
            bool colour = c.type & PNG_COLOR_MASK_COLOR;
            want = colour ? PixRGB(v(0), v(1), v(2)) : PixRGB(v(0), v(0), v(0));
          }
          ASSERT_EQ(got, want) << x << "," << y;
          if (c.alpha) {
            ASSERT_EQ(r->Bitmap.GetAlphaChannel()->Scanline(y)[x], x == 0 ? 0 : 255);
          }
        }
      if (c.type == PNG_COLOR_TYPE_PALETTE) {
        EXPECT_EQ(r->Params.ColorMapCount, palN);
      }
    }
}

TEST(Png, PaletteTransparencyBackgroundResolutionAndText) {
  TPngLayout s;
  s.type = PNG_COLOR_TYPE_PALETTE;
  s.palette = {{10, 20, 30}, {200, 100, 50}, {0, 0, 255}};
  s.trnsIndex = {0};
  s.bkgd = true;
  s.bk.index = 1;
  s.ppm = 3780;
  s.texts = {{"Title", "Frame"}, {"Author", "Studio"}};
  s.sample = [](int x, int, int) { return x % 3; };
  auto r = PngRead(MakePng(s));
  ASSERT_FALSE(r->Aborted);
  EXPECT_TRUE(r->Bitmap.HasAlphaChannel());
  EXPECT_EQ(r->Bitmap.GetAlphaChannel()->Scanline(0)[0], 0);
  EXPECT_EQ(r->Bitmap.GetAlphaChannel()->Scanline(0)[1], 255);
  EXPECT_EQ(r->Params.PNG_Background, PixRGB(200, 100, 50));
  EXPECT_EQ(r->Params.DpiX, 96);
  ASSERT_EQ(r->Params.PNG_TextKeys->Count(), 2);
  EXPECT_EQ(r->Params.PNG_TextKeys->Get(1), "Author");
  EXPECT_EQ(r->Params.PNG_TextValues->Get(1), "Studio");
  // Native format ignores the transparency.
  auto n = PngRead(MakePng(s), true);
  EXPECT_EQ(n->Bitmap.PixelFormat(), ie8p);
  EXPECT_FALSE(n->Bitmap.HasAlphaChannel());
  EXPECT_EQ(n->Bitmap.GetPaletteEntry(2), PixRGB(0, 0, 255));
  // 16-bit background, no pHYs: the default resolution.
  TPngLayout s16;
  s16.depth = 16;
  s16.bkgd = true;
  s16.bk.red = 65535, s16.bk.green = 32896, s16.bk.blue = 0;
  auto r16 = PngRead(MakePng(s16), false, true);
  EXPECT_EQ(r16->Params.PNG_Background, PixRGB(255, 128, 0));
  EXPECT_EQ(r16->Params.DpiX, IEDefaultDpiX);
  EXPECT_TRUE(r16->Bitmap.IsEmpty());  // parameters only
  EXPECT_EQ(r16->Params.Width, 8);
}

TEST(Png, ThumbnailFrameLoadsWithAlpha) {
  // The thumbnail frame: RGB with alpha, an opaque border around a see-through middle.
  TPngLayout s;
  s.w = 120;
  s.h = 100;
  s.type = PNG_COLOR_TYPE_RGB_ALPHA;
  s.sample = [&](int x, int y, int c) {
    bool border = x < 6 || y < 6 || x >= 114 || y >= 94;
    if (c == 3) return border ? 255 : 0;
    return c == 0 ? 90 : 60;
  };
  TMemoryStream file;
  auto bytes = MakePng(s);
  auto r = PngRead(bytes);
  ASSERT_FALSE(r->Aborted);
  EXPECT_EQ(r->Bitmap.PixelFormat(), ie24RGB);
  ASSERT_TRUE(r->Bitmap.HasAlphaChannel());
  EXPECT_FALSE(r->Bitmap.GetAlphaChannel()->Full);
  EXPECT_EQ(r->Params.SamplesPerPixel, 4);
  EXPECT_EQ(r->Params.BitsPerSample, 8);
  EXPECT_EQ(r->Bitmap.GetAlphaChannel()->Scanline(50)[60], 0);
  EXPECT_EQ(r->Bitmap.GetAlphaChannel()->Scanline(2)[60], 255);
  EXPECT_EQ(r->Bitmap.GetPixelRGB(2, 2), PixRGB(90, 60, 60));
}

TEST(Png, WritesEveryColourTypeAndReadsItBack) {
  TIEBitmap photo;
  MakePhoto(photo, 33, 21);
  TIEBitmap few;  // 5 colours: an exact palette
  few.Allocate(33, 21, ie24RGB);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 33; ++x) few.SetPixelRGB(x, y, PixRGB((x / 7) * 50, 255 - (x / 7) * 50, 30));
  TIEBitmap two;
  two.Allocate(33, 21, ie24RGB);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 33; ++x) two.SetPixelRGB(x, y, (x + y) % 3 ? PixRGB(250, 240, 200) : PixRGB(20, 30, 90));
  TIEBitmap grey8;
  grey8.Allocate(33, 21, ie8g);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 33; ++x) grey8.Scanline(y)[x] = static_cast<uint8_t>(x * 7 + y);
  TIEBitmap grey16;
  grey16.Allocate(33, 21, ie16g);
  for (int y = 0; y < 21; ++y)
    for (int x = 0; x < 33; ++x) reinterpret_cast<uint16_t*>(grey16.Scanline(y))[x] = static_cast<uint16_t>((x * 7 + y) << 8);
  struct Case {
    const char* name;
    TIEBitmap* bmp;
    int spp, bps;
    bool interlaced;
    int fileSpp, fileBps;
    double minPsnr;
  } cases[] = {
      {"rgb", &photo, 3, 8, false, 3, 8, 99},       {"rgb interlaced", &photo, 3, 8, true, 3, 8, 99},
      {"palette exact", &few, 1, 8, false, 1, 8, 99}, {"palette quantized", &photo, 1, 8, false, 1, 8, 28},
      {"palette from 4 bits", &few, 1, 4, false, 1, 8, 99}, {"grey 8", &grey8, 1, 8, false, 1, 8, 99},
      {"grey 16", &grey16, 1, 16, false, 1, 16, 99},  {"two colours 1 bit", &two, 1, 1, false, 1, 1, 0},
  };
  for (auto& c : cases) {
    SCOPED_TRACE(c.name);
    TIOParamsVals p;
    p.SamplesPerPixel = c.spp;
    p.BitsPerSample = c.bps;
    p.PNG_Interlaced = c.interlaced;
    p.PNG_Filter = 2;
    p.SetDpiX(150);
    p.SetDpiY(150);
    auto bytes = PngWrite(*c.bmp, p);
    auto r = PngRead(bytes);
    ASSERT_FALSE(r->Aborted);
    EXPECT_EQ(r->Params.SamplesPerPixel, c.fileSpp);
    EXPECT_EQ(r->Params.BitsPerSample, c.fileBps);
    EXPECT_EQ(r->Params.PNG_Interlaced, c.interlaced);
    EXPECT_EQ(r->Params.DpiX, 150);
    EXPECT_GE(PSNR(*c.bmp, r->Bitmap), c.minPsnr);
  }
  // Two colours at 1 bit: a grey file whose 0 bits are the darker colour (read back as black).
  TIOParamsVals p;
  p.SamplesPerPixel = 1;
  p.BitsPerSample = 1;
  auto r = PngRead(PngWrite(two, p));
  EXPECT_EQ(r->Bitmap.PixelFormat(), ie1g);
  EXPECT_EQ(r->Bitmap.GetPixelAsRGB(0, 0), PixRGB(0, 0, 0));
  EXPECT_EQ(r->Bitmap.GetPixelAsRGB(1, 0), PixRGB(255, 255, 255));
  // More than two colours at 1 bit: the container's conversion, a threshold at the grey level of
  // the image's average colour (here 40): 30 is black, 50 and 60 are white.
  TIEBitmap three;
  three.Allocate(4, 1, ie24RGB);
  const int greys[4] = {20, 30, 50, 60};
  for (int x = 0; x < 4; ++x) three.SetPixelRGB(x, 0, PixRGB(greys[x], greys[x], greys[x]));
  auto t = PngRead(PngWrite(three, p));
  ASSERT_EQ(t->Bitmap.PixelFormat(), ie1g);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(t->Bitmap.GetPixelAsRGB(x, 0).r, x < 2 ? 0 : 255) << x;
  EXPECT_EQ(three.PixelFormat(), ie24RGB);  // the caller's image is not converted
}

TEST(Png, WritesAlphaAsRgbaOrAsTransparentPaletteEntry) {
  TIEBitmap photo;
  MakePhoto(photo, 24, 16);
  TIEMask mask;
  mask.AllocateBits(24, 16, 8);
  mask.Fill(255);
  for (int y = 0; y < 16; ++y) mask.SetPixel(3, y, 0);
  for (int y = 0; y < 16; ++y) mask.SetPixel(4, y, 128);
  mask.UpdateAllSetFlag();
  TIOParamsVals p;
  p.PNG_Background = PixRGB(200, 100, 50);
  auto r = PngRead(PngWrite(photo, p, &mask));
  EXPECT_EQ(r->Params.SamplesPerPixel, 4);
  ASSERT_TRUE(r->Bitmap.HasAlphaChannel());
  EXPECT_EQ(r->Bitmap.GetAlphaChannel()->Scanline(5)[3], 0);
  EXPECT_EQ(r->Bitmap.GetAlphaChannel()->Scanline(5)[4], 128);
  EXPECT_EQ(r->Params.PNG_Background, PixRGB(200, 100, 50));  // bKGD written and read back
  // One sample per pixel: palette whose entry 0 is transparent and holds the background.
  TIOParamsVals q;
  q.SamplesPerPixel = 1;
  q.BitsPerSample = 8;
  q.PNG_Background = PixRGB(200, 100, 50);
  auto pr = PngRead(PngWrite(photo, q, &mask), true);
  EXPECT_EQ(pr->Bitmap.PixelFormat(), ie8p);
  EXPECT_EQ(pr->Bitmap.Scanline(5)[3], 0);
  EXPECT_EQ(pr->Bitmap.Scanline(5)[4], 0);  // partly transparent becomes transparent
  EXPECT_NE(pr->Bitmap.Scanline(5)[10], 0);
  EXPECT_EQ(pr->Bitmap.GetPaletteEntry(0), PixRGB(200, 100, 50));
  EXPECT_EQ(pr->Params.PNG_Background, PixRGB(200, 100, 50));
  auto pa = PngRead(PngWrite(photo, q, &mask));
  ASSERT_TRUE(pa->Bitmap.HasAlphaChannel());
  EXPECT_EQ(pa->Bitmap.GetAlphaChannel()->Scanline(5)[3], 0);
  // A mask that is all 255 writes no alpha.
  TIEMask opaque;
  opaque.AllocateBits(24, 16, 8);
  opaque.Fill(255);
  auto o = PngRead(PngWrite(photo, p, &opaque));
  EXPECT_EQ(o->Params.SamplesPerPixel, 3);
}

TEST(Png, TextChunksAndProgressOverAllPasses) {
  TIEBitmap photo;
  MakePhoto(photo, 10, 10);
  TIOParamsVals p;
  p.PNG_TextKeys->Add("Comment");
  p.PNG_TextValues->Add("picked");
  p.PNG_Interlaced = true;
  TMemoryStream out;
  TTestProgress pr;
  std::vector<int> reports;
  pr.Rec.Data = &reports;
  pr.Rec.Callback = [](void* d, TObject*, int per) { static_cast<std::vector<int>*>(d)->push_back(per); };
  PngWriteImage(&out, &photo, p, nullptr, pr.Rec);
  EXPECT_EQ(pr.Rec.Val, 70);  // 7 passes x 10 rows
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back(), 100);
  auto r = PngRead(Bytes(out));
  ASSERT_EQ(r->Params.PNG_TextKeys->Count(), 1);
  EXPECT_EQ(r->Params.PNG_TextValues->Get(0), "picked");
}

TEST(Png, DetectAndHostileFilesFailCleanly) {
  TIEBitmap photo;
  MakePhoto(photo, 20, 20);
  TIOParamsVals p;
  auto good = PngWrite(photo, p);
  TMemoryStream s;
  Load(s, good);
  EXPECT_TRUE(PngDetect(&s));
  EXPECT_EQ(s.Position(), 0);
  auto bad = good;
  bad[16 + 3] = 0xFF;  // width far beyond any sane size, CRC now wrong too
  auto crc = good;
  crc[30] ^= 0x40;
  std::vector<uint8_t> huge = good;
  // IHDR of 100000 x 100000 with a correct CRC.
  {
    TPngLayout hs;
    hs.w = 1;
    hs.h = 1;
    huge = MakePng(hs);
    huge[16] = 0, huge[17] = 1, huge[18] = 0x86, huge[19] = 0xA0;
    huge[20] = 0, huge[21] = 1, huge[22] = 0x86, huge[23] = 0xA0;
    uint32_t c = static_cast<uint32_t>(crc32(0, &huge[12], 17));
    huge[29] = c >> 24, huge[30] = c >> 16, huge[31] = c >> 8, huge[32] = c;
  }
  struct Case { const char* name; std::vector<uint8_t> data; } cases[] = {
      {"empty", {}},
      {"signature only", std::vector<uint8_t>(good.begin(), good.begin() + 8)},
      {"truncated header", std::vector<uint8_t>(good.begin(), good.begin() + 20)},
      {"truncated data", std::vector<uint8_t>(good.begin(), good.begin() + good.size() / 2)},
      {"bad width", bad},
      {"bad crc", crc},
      {"huge dimensions", huge},
      {"not png", std::vector<uint8_t>(64, 0x42)},
  };
  for (auto& c : cases) {
    auto r = PngRead(c.data);
    EXPECT_TRUE(r->Aborted) << c.name;
  }
}

// A file cut short aborts and leaves no row of the target as it was before the read (the target
// is reused when size and format match), whether rows come in order or in interlaced passes.
TEST(Png, ACutFileLeavesNoStaleRows) {
  for (bool interlace : {false, true}) {
    for (int type : {PNG_COLOR_TYPE_RGB, PNG_COLOR_TYPE_RGB_ALPHA}) {
      SCOPED_TRACE(testing::Message() << "interlace " << interlace << " type " << type);
      TPngLayout layout;
      layout.w = 48;
      layout.h = 48;
      layout.type = type;
      layout.interlace = interlace;
      // Samples that do not compress away, all in 0x10..0x7F.
      layout.sample = [](int x, int y, int c) { return 0x10 + int((uint32_t(x * 73 + y * 151 + c * 29) * 2654435761u) >> 25) % 0x70; };
      auto png = MakePng(layout);
      png.resize(png.size() * 6 / 10);
      TRead r;
      r.Bitmap.Allocate(48, 48, ie24RGB);
      for (int y = 0; y < 48; ++y) std::memset(r.Bitmap.Scanline(y), 0xEE, r.Bitmap.RowLen());
      if (type == PNG_COLOR_TYPE_RGB_ALPHA) r.Bitmap.GetAlphaChannel()->Fill(0xEE);
      TMemoryStream s;
      Load(s, png);
      TTestProgress pr;
      PngReadImage(&s, &r.Bitmap, r.Params, false, pr.Rec);
      EXPECT_TRUE(pr.Aborted());
      int stale = 0;
      for (int y = 0; y < 48; ++y) {
        const uint8_t* row = r.Bitmap.Scanline(y);
        for (int i = 0; i < 48 * 3; ++i) stale += row[i] == 0xEE;
        if (r.Bitmap.HasAlphaChannel())
          for (int x = 0; x < 48; ++x) stale += r.Bitmap.GetAlphaChannel()->Scanline(y)[x] == 0xEE;
      }
      EXPECT_EQ(stale, 0);
    }
  }
}
