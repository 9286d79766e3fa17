// PSD codec: layered documents written by ImageMagick read with their layers, our documents read
// back by ImageMagick and by ourselves, PackBits rows, resources, and broken files.
#include <gtest/gtest.h>

#include <memory>

#include "codectest.h"
#include "imaging/codecs/psdfilt.h"
#include "imaging/core/iestreams.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/lists.h"

namespace {

// The layers of one read, freed with the object.
struct TPsdRead {
  TIEBitmap Bitmap;
  TIOParamsVals Params;
  TList Layers;
  bool Aborted = false;
  ~TPsdRead() { PsdFreeLayers(&Layers); }
  TIEPsdLayer* Layer(int i) { return static_cast<TIEPsdLayer*>(Layers.Items(i)); }
};

void PsdReadBytes(const std::vector<uint8_t>& Data, TPsdRead& R, bool LoadLayers, bool Native = false) {
  TMemoryStream s;
  Load(s, Data);
  TTestProgress p;
  R.Params.IsNativePixelFormat = Native;
  PsdReadImage(&s, &R.Bitmap, R.Params, &R.Layers, LoadLayers, p.Rec);
  R.Aborted = p.Aborted();
}

std::vector<uint8_t> PsdWriteBytes(TIEBitmap* Merged, TList* Layers, TIOParamsVals& P, bool* Aborted = nullptr) {
  TMemoryStream s;
  TTestProgress p;
  PsdWriteImage(&s, P, p.Rec, Layers, Merged);
  if (Aborted != nullptr) *Aborted = p.Aborted();
  return Bytes(s);
}

TIEPsdLayer* PsdNewLayer(int w, int h, TIERGBPixel c, int left, int top) {
  auto* L = new TIEPsdLayer();
  L->Bitmap = new TIEBitmap(w, h, ie24RGB);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) L->Bitmap->SetPixelRGB(x, y, c);
  L->Left = left;
  L->Top = top;
  return L;
}

bool PsdHaveMagick() { return HaveTool("convert") && HaveTool("identify") && RunTool("convert -list format | grep -q PSD"); }

// Big-endian appends for hand-made documents.
void PsdPutBE16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(static_cast<uint8_t>(x >> 8));
  v.push_back(static_cast<uint8_t>(x));
}
void PsdPutBE32(std::vector<uint8_t>& v, uint32_t x) {
  PsdPutBE16(v, x >> 16);
  PsdPutBE16(v, x);
}

// A 2 x 1 grey document with the given resource section and raw composite rows.
std::vector<uint8_t> PsdTinyGrey(const std::vector<uint8_t>& Resources) {
  std::vector<uint8_t> v = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
  PsdPutBE16(v, 1);
  PsdPutBE32(v, 1);
  PsdPutBE32(v, 2);
  PsdPutBE16(v, 8);
  PsdPutBE16(v, 1);
  PsdPutBE32(v, 0);
  PsdPutBE32(v, static_cast<uint32_t>(Resources.size()));
  v.insert(v.end(), Resources.begin(), Resources.end());
  PsdPutBE32(v, 0);
  PsdPutBE16(v, 0);
  v.push_back(10);
  v.push_back(200);
  return v;
}

}  // namespace

TEST(PsdCodec, ReadsImageMagickLayersWithPositionNameAndAlpha) {
  if (!PsdHaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
  const std::string f = CodecTestDir() + "/magick_layers.psd";
  ASSERT_TRUE(RunTool("convert -size 40x30 xc:red \\( -size 20x10 xc:blue -set label 'Blue one' -repage +5+6 \\) "
                      "\\( -size 10x8 xc:lime -alpha set -channel A -evaluate set 50% +channel -set label Half "
                      "-repage +2+3 \\) -depth 8 '" + f + "'"));
  const std::vector<uint8_t> data = ReadFileBytes(f);
  {
    TPsdRead r;
    PsdReadBytes(data, r, true);
    ASSERT_FALSE(r.Aborted);
    ASSERT_EQ(r.Layers.Count(), 2);
    EXPECT_TRUE(r.Bitmap.IsEmpty());  // layers read: no composite
    struct Want { int w, h, left, top; const char* name; TIERGBPixel c; int alpha; } want[] = {
        {20, 10, 5, 6, "Blue one", PixRGB(0, 0, 255), 255}, {10, 8, 2, 3, "Half", PixRGB(0, 255, 0), 128}};
    for (int i = 0; i < 2; ++i) {
      SCOPED_TRACE(i);
      TIEPsdLayer* L = r.Layer(i);
      ASSERT_EQ(L->Bitmap->Width(), want[i].w);
      ASSERT_EQ(L->Bitmap->Height(), want[i].h);
      EXPECT_EQ(L->Left, want[i].left);
      EXPECT_EQ(L->Top, want[i].top);
      EXPECT_EQ(L->Name, want[i].name);
      EXPECT_TRUE(L->Visible);
      EXPECT_FALSE(L->IsMask);
      EXPECT_EQ(L->Bitmap->PixelFormat(), ie24RGB);
      EXPECT_TRUE(L->Bitmap->GetPixelRGB(want[i].w - 1, want[i].h - 1) == want[i].c);
      // An opaque layer may come without a transparency channel.
      EXPECT_NEAR(L->Bitmap->HasAlphaChannel() ? L->Bitmap->GetAlpha(1, 1) : 255, want[i].alpha, 1);
    }
  }
  {
    TPsdRead r;
    PsdReadBytes(data, r, false);
    ASSERT_FALSE(r.Aborted);
    EXPECT_EQ(r.Layers.Count(), 0);
    ASSERT_EQ(r.Bitmap.Width(), 40);
    ASSERT_EQ(r.Bitmap.Height(), 30);
    EXPECT_TRUE(r.Bitmap.GetPixelRGB(39, 29) == PixRGB(255, 0, 0));
  }
}

TEST(PsdCodec, SixteenBitDocumentsAsRgbOrNative) {
  if (!PsdHaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
  const std::string f = CodecTestDir() + "/magick16.psd";
  ASSERT_TRUE(RunTool("convert -size 6x4 gradient:'rgb(0%,0%,100%)-rgb(100%,50%,0%)' -depth 16 '" + f + "'"));
  const std::vector<uint8_t> data = ReadFileBytes(f);
  struct Case { bool native; TIEPixelFormat pf; } cases[] = {{false, ie24RGB}, {true, ieRGB48}};
  for (auto c : cases) {
    TPsdRead r;
    PsdReadBytes(data, r, false, c.native);
    ASSERT_FALSE(r.Aborted);
    ASSERT_EQ(r.Bitmap.PixelFormat(), c.pf);
    EXPECT_EQ(r.Params.BitsPerSample, 16);
    const TIERGBPixel top = r.Bitmap.GetPixelAsRGB(0, 0), bottom = r.Bitmap.GetPixelAsRGB(0, 3);
    EXPECT_EQ(top.b, 255);
    EXPECT_EQ(top.r, 0);
    EXPECT_EQ(bottom.r, 255);
    EXPECT_NEAR(bottom.g, 128, 1);
  }
}

TEST(PsdCodec, ImageMagickReadsOurLayeredDocument) {
  if (!PsdHaveMagick()) GTEST_SKIP() << "ImageMagick is not installed";
  TIEBitmap merged(30, 20, ie24RGB);
  MakePhoto(merged, 30, 20);
  TList layers;
  TIEPsdLayer* base = PsdNewLayer(30, 20, PixRGB(0, 0, 0), 0, 0);
  base->Bitmap->Assign(&merged);
  layers.Add(base);
  TIEPsdLayer* top = PsdNewLayer(12, 7, PixRGB(10, 200, 30), 4, 9);
  top->Bitmap->SetPixelRGB(3, 2, PixRGB(250, 5, 7));
  top->Name = "Green patch";
  layers.Add(top);
  TIOParamsVals p;
  bool aborted = true;
  const std::vector<uint8_t> data = PsdWriteBytes(&merged, &layers, p, &aborted);
  ASSERT_FALSE(aborted);
  const std::string dir = CodecTestDir(), f = dir + "/ours_layers.psd";
  WriteFileBytes(f, data);

  // Layer 2 (index 2 in ImageMagick's list, after the composite) at its place with its pixels.
  const std::string geo = dir + "/geo.txt";
  ASSERT_TRUE(RunTool("identify -format '%w %h %X %Y %l\\n' '" + f + "' > '" + geo + "'"));
  const std::vector<uint8_t> g = ReadFileBytes(geo);
  const std::string text(g.begin(), g.end());
  EXPECT_NE(text.find("12 7 +4 +9 Green patch"), std::string::npos) << text;
  ASSERT_TRUE(RunTool("convert '" + f + "[2]' -alpha off -depth 8 '" + dir + "/layer2.ppm'"));
  TRgbImage l2 = ParseNetpbm(ReadFileBytes(dir + "/layer2.ppm"));
  ASSERT_EQ(l2.Width, 12);
  ASSERT_EQ(l2.Height, 7);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 12; ++x) ASSERT_TRUE(l2.At(x, y) == top->Bitmap->GetPixelRGB(x, y)) << x << "," << y;
  // The composite equals the merged image.
  ASSERT_TRUE(RunTool("convert '" + f + "[0]' -alpha off -depth 8 '" + dir + "/comp.ppm'"));
  TRgbImage c = ParseNetpbm(ReadFileBytes(dir + "/comp.ppm"));
  ASSERT_EQ(c.Width, 30);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) ASSERT_TRUE(c.At(x, y) == merged.GetPixelRGB(x, y)) << x << "," << y;
  PsdFreeLayers(&layers);
}

TEST(PsdCodec, RoundTripKeepsLayerFieldsMaskAndResources) {
  TIEBitmap merged(16, 12, ie24RGB);
  merged.Fill(0);
  TList layers;
  layers.Add(PsdNewLayer(16, 12, PixRGB(1, 2, 3), 0, 0));
  TIEPsdLayer* a = PsdNewLayer(5, 4, PixRGB(200, 100, 50), -2, 7);
  a->Opacity = 77;
  a->Visible = false;
  a->Name = "hidden";
  a->Bitmap->GetAlphaChannel()->Scanline(1)[2] = 33;
  layers.Add(a);
  auto* m = new TIEPsdLayer();
  m->IsMask = true;
  m->Bitmap = new TIEBitmap(3, 2, ie8g);
  m->Bitmap->Fill(0);
  m->Bitmap->Scanline(1)[2] = 180;
  m->Left = 1;
  m->Top = 8;
  layers.Add(m);
  // A displayed size other than the bitmap's is baked into the written pixels.
  TIEPsdLayer* s = PsdNewLayer(2, 2, PixRGB(9, 9, 9), 3, 3);
  s->Width = 6;
  s->Height = 4;
  layers.Add(s);
  TIOParamsVals p;
  p.SetDpiX(300);
  p.SetDpiY(150);
  p.XMP_Info = "<x:xmpmeta/>";
  const std::vector<uint8_t> data = PsdWriteBytes(&merged, &layers, p);
  PsdFreeLayers(&layers);

  TPsdRead r;
  PsdReadBytes(data, r, true);
  ASSERT_FALSE(r.Aborted);
  EXPECT_EQ(r.Params.DpiX, 300);
  EXPECT_EQ(r.Params.DpiY, 150);
  EXPECT_EQ(r.Params.XMP_Info, "<x:xmpmeta/>");
  ASSERT_EQ(r.Layers.Count(), 4);
  TIEPsdLayer* ra = r.Layer(1);
  EXPECT_EQ(ra->Left, -2);
  EXPECT_EQ(ra->Top, 7);
  EXPECT_EQ(ra->Opacity, 77);
  EXPECT_FALSE(ra->Visible);
  EXPECT_EQ(ra->Name, "hidden");
  EXPECT_TRUE(ra->Bitmap->GetPixelRGB(4, 3) == PixRGB(200, 100, 50));
  EXPECT_EQ(ra->Bitmap->GetAlpha(2, 1), 33);
  EXPECT_EQ(ra->Bitmap->GetAlpha(0, 0), 255);
  TIEPsdLayer* rm = r.Layer(2);
  ASSERT_TRUE(rm->IsMask);
  EXPECT_FALSE(rm->Visible);
  EXPECT_EQ(rm->Left, 1);
  EXPECT_EQ(rm->Top, 8);
  ASSERT_EQ(rm->Bitmap->PixelFormat(), ie8g);
  ASSERT_EQ(rm->Bitmap->Width(), 3);
  EXPECT_EQ(rm->Bitmap->Scanline(1)[2], 180);
  EXPECT_EQ(rm->Bitmap->Scanline(0)[0], 0);
  EXPECT_EQ(r.Layer(3)->Bitmap->Width(), 6);
  EXPECT_EQ(r.Layer(3)->Bitmap->Height(), 4);
}

TEST(PsdCodec, PixelFormatsRoundTrip) {
  struct Case { TIEPixelFormat pf; int bits; int channels; } cases[] = {
      {ie1g, 1, 1}, {ie8g, 8, 1}, {ie16g, 16, 1}, {ie24RGB, 8, 3}, {ieRGB48, 16, 3}, {ieCMYK, 8, 4}, {ieCIELab, 8, 3}};
  for (auto c : cases) {
    SCOPED_TRACE(static_cast<int>(c.pf));
    TIEBitmap b(10, 3, c.pf);
    for (int y = 0; y < 3; ++y) {
      uint8_t* row = b.Scanline(y);
      for (int i = 0; i < b.RowLen(); ++i) row[i] = static_cast<uint8_t>(i * 37 + y * 11);
    }
    TIOParamsVals p;
    bool aborted = true;
    const std::vector<uint8_t> data = PsdWriteBytes(&b, nullptr, p, &aborted);
    ASSERT_FALSE(aborted);
    TPsdRead r;
    PsdReadBytes(data, r, false, true);
    ASSERT_FALSE(r.Aborted);
    EXPECT_EQ(r.Params.BitsPerSample, c.bits);
    EXPECT_EQ(r.Params.SamplesPerPixel, c.channels);
    ASSERT_EQ(r.Bitmap.PixelFormat(), c.pf);
    ASSERT_EQ(r.Bitmap.Width(), 10);
    const int used = (10 * b.BitCount() + 7) / 8;
    for (int y = 0; y < 3; ++y) {
      if (c.pf == ie1g) {
        // The last byte holds the tenth pixel in bits 7 and 6; padding bits are not kept.
        EXPECT_EQ(r.Bitmap.Scanline(y)[0], b.Scanline(y)[0]);
        EXPECT_EQ(r.Bitmap.Scanline(y)[1] & 0xC0, b.Scanline(y)[1] & 0xC0);
      } else {
        EXPECT_EQ(std::memcmp(r.Bitmap.Scanline(y), b.Scanline(y), static_cast<size_t>(used)), 0) << y;
      }
    }
  }
}

TEST(PsdCodec, PaletteImagesMarkIndex255Transparent) {
  TIEBitmap b(4, 2, ie8p);
  for (int i = 0; i < 256; ++i) b.SetPaletteEntry(i, PixRGB(i, 255 - i, i / 2));
  for (int x = 0; x < 4; ++x) {
    b.Scanline(0)[x] = static_cast<uint8_t>(x * 60);
    b.Scanline(1)[x] = x == 1 ? 255 : 3;
  }
  TIOParamsVals p;
  const std::vector<uint8_t> data = PsdWriteBytes(&b, nullptr, p);
  TPsdRead r;
  PsdReadBytes(data, r, false, true);
  ASSERT_FALSE(r.Aborted);
  ASSERT_EQ(r.Bitmap.PixelFormat(), ie8p);
  EXPECT_TRUE(r.Bitmap.GetPaletteEntry(200) == PixRGB(200, 55, 100));
  EXPECT_EQ(r.Bitmap.Scanline(0)[2], 120);
  ASSERT_TRUE(r.Bitmap.HasAlphaChannel());
  for (int x = 0; x < 4; ++x) EXPECT_EQ(r.Bitmap.GetAlpha(x, 1), x == 1 ? 0 : 255) << x;
  // Without layers in the file's list, an image without a list still has one layer holding it.
  TPsdRead withLayers;
  PsdReadBytes(data, withLayers, true, true);
  ASSERT_EQ(withLayers.Layers.Count(), 1);
  EXPECT_EQ(withLayers.Layer(0)->Bitmap->Width(), 4);
  // One layer fills the list even when layers are not asked for, and the composite comes too.
  TPsdRead single;
  PsdReadBytes(data, single, false, true);
  EXPECT_EQ(single.Layers.Count(), 1);
  EXPECT_EQ(single.Bitmap.Width(), 4);
}

TEST(PsdCodec, PackBitsRows) {
  struct Case { std::vector<uint8_t> row; std::vector<uint8_t> packed; } cases[] = {
      {std::vector<uint8_t>(200, 7), {0x81, 7, static_cast<uint8_t>(1 - 72), 7}},
      {{5, 5, 5}, {2, 5, 5, 5}},
      {{1, 2, 9, 9, 9, 9, 3}, {1, 1, 2, 0xFD, 9, 0, 3}},
  };
  for (auto& c : cases) {
    std::vector<uint8_t> out;
    PsdPackBitsRow(c.row.data(), static_cast<int>(c.row.size()), out);
    EXPECT_EQ(out, c.packed);
  }
  // A literal run never exceeds 128 bytes.
  std::vector<uint8_t> row(300);
  for (size_t i = 0; i < row.size(); ++i) row[i] = static_cast<uint8_t>(i);
  std::vector<uint8_t> out;
  PsdPackBitsRow(row.data(), 300, out);
  ASSERT_EQ(out.size(), 303u);
  EXPECT_EQ(out[0], 127);
  EXPECT_EQ(out[129], 127);
  EXPECT_EQ(out[258], 43);
}

TEST(PsdCodec, ResourcesWithNamesAndDefaults) {
  // A named resource (odd name length, odd data) before the resolution resource.
  std::vector<uint8_t> res = {'8', 'B', 'I', 'M', 0x03, 0xE8, 3, 'a', 'b', 'c', 0, 0, 0, 3, 1, 2, 3, 0,
                              '8', 'B', 'I', 'M', 0x03, 0xED, 0, 0};
  PsdPutBE32(res, 16);
  for (uint32_t v : {72u << 16, 0x00010001u, 200u << 16, 0x00010001u}) PsdPutBE32(res, v);
  struct Case { std::vector<uint8_t> resources; int dpiX, dpiY; } cases[] = {{res, 72, 200}, {{}, 96, 96}};
  for (auto& c : cases) {
    TPsdRead r;
    PsdReadBytes(PsdTinyGrey(c.resources), r, false, true);
    ASSERT_FALSE(r.Aborted);
    EXPECT_EQ(r.Params.DpiX, c.dpiX);
    EXPECT_EQ(r.Params.DpiY, c.dpiY);
    ASSERT_EQ(r.Bitmap.PixelFormat(), ie8g);
    EXPECT_EQ(r.Bitmap.Scanline(0)[1], 200);
  }
}

TEST(PsdCodec, ThumbnailResourceInsteadOfTheImage) {
  TIEBitmap b(20, 10, ie24RGB);
  MakePhoto(b, 20, 10);
  TIOParamsVals p;
  p.EXIF_Bitmap = new TIEBitmap(8, 4, ie24RGB);
  p.EXIF_Bitmap->Fill(0);
  const std::vector<uint8_t> data = PsdWriteBytes(&b, nullptr, p);
  TMemoryStream s;
  Load(s, data);
  TTestProgress pr;
  TIEBitmap out;
  TIOParamsVals rp;
  rp.GetThumbnail = true;
  PsdReadImage(&s, &out, rp, nullptr, false, pr.Rec);
  ASSERT_FALSE(pr.Aborted());
  EXPECT_EQ(out.Width(), 8);
  EXPECT_EQ(out.Height(), 4);
  EXPECT_EQ(rp.Width, 20);
}

TEST(PsdCodec, RefusedFormatsAndBrokenFilesFailCleanly) {
  TIEBitmap f(3, 3, ie32f);
  TIOParamsVals p;
  bool aborted = false;
  EXPECT_TRUE(PsdWriteBytes(&f, nullptr, p, &aborted).empty());
  EXPECT_TRUE(aborted);

  // Every prefix and a set of damaged copies of a layered document: each read either succeeds or
  // sets the abort flag; the sanitizers watch the rest.
  TIEBitmap b(9, 5, ie24RGB);
  MakePhoto(b, 9, 5);
  TList layers;
  layers.Add(PsdNewLayer(9, 5, PixRGB(1, 2, 3), 0, 0));
  layers.Add(PsdNewLayer(4, 3, PixRGB(4, 5, 6), 2, 1));
  const std::vector<uint8_t> good = PsdWriteBytes(&b, &layers, p);
  PsdFreeLayers(&layers);
  for (size_t n = 0; n < good.size(); n += 3) {
    TPsdRead r;
    PsdReadBytes(std::vector<uint8_t>(good.begin(), good.begin() + static_cast<long>(n)), r, true);
    if (n < 26) {
      EXPECT_TRUE(r.Aborted) << n;
    }
  }
  for (size_t at = 26; at < good.size(); at += 5) {
    for (uint8_t v : {0x00, 0x7F, 0xFF}) {
      std::vector<uint8_t> bad = good;
      bad[at] = v;
      TPsdRead r;
      PsdReadBytes(bad, r, true);
    }
  }
  // A layer rectangle far larger than the data: refused before any allocation.
  auto be32 = [&](size_t at) {
    return static_cast<uint32_t>(good[at] << 24 | good[at + 1] << 16 | good[at + 2] << 8 | good[at + 3]);
  };
  size_t pos = 30 + be32(26);
  pos += 4 + be32(pos);
  const size_t record = pos + 10;
  std::vector<uint8_t> huge = good;
  for (size_t i : {record + 8, record + 12}) {  // bottom and right
    huge[i] = 0x3F;
    huge[i + 1] = huge[i + 2] = huge[i + 3] = 0xFF;
  }
  TPsdRead hr;
  PsdReadBytes(huge, hr, true);
  EXPECT_TRUE(hr.Aborted);
  TMemoryStream s;
  Load(s, huge);
  EXPECT_TRUE(PsdDetect(&s));
  EXPECT_EQ(s.Position(), 0);
}

TEST(PsdCodec, FrontEndLoadsAndSavesByExtension) {
  IEInitFileFormats();
  TImageryIO io{nullptr};
  TIEBitmap target;
  io.AttachBitmap(&target);
  MakePhoto(target, 14, 9);
  TIEBitmap original;
  original.Assign(&target);
  const std::string f = CodecTestDir() + "/front.psd";
  io.SaveToFile(f);
  ASSERT_FALSE(io.Aborting.load());
  target.FreeImage();
  io.LoadFromFile(f);
  ASSERT_FALSE(io.Aborting.load());
  EXPECT_EQ(io.Params->FileType, ioPSD);
  ASSERT_EQ(target.Width(), 14);
  EXPECT_DOUBLE_EQ(PSNR(original, target), 99);
  TIEWideFileStream fs(f, fmOpenRead);
  EXPECT_EQ(IEFindStreamFormat(&fs), ioPSD);
  IEFreeFileFormats();
}

TEST(PsdCodec, IndexedLayersUseTheDocumentPalette) {
  TIEBitmap merged(4, 4, ie8p);
  for (int i = 0; i < 256; ++i) merged.SetPaletteEntry(i, PixRGB(i, 0, 255 - i));
  merged.Fill(0);
  TList layers;
  // An RGB layer whose colour is entry 77 of the document's palette.
  layers.Add(PsdNewLayer(3, 2, PixRGB(77, 0, 178), 1, 1));
  TIOParamsVals p;
  const std::vector<uint8_t> data = PsdWriteBytes(&merged, &layers, p);
  PsdFreeLayers(&layers);
  TPsdRead r;
  PsdReadBytes(data, r, true, true);
  ASSERT_FALSE(r.Aborted);
  ASSERT_EQ(r.Layers.Count(), 1);
  TIEBitmap* b = r.Layer(0)->Bitmap;
  ASSERT_EQ(b->PixelFormat(), ie8p);
  EXPECT_EQ(b->Scanline(1)[2], 77);
  EXPECT_TRUE(b->GetPaletteEntry(77) == PixRGB(77, 0, 178));
}

namespace {

// A grey document of Width x Height whose composite is Rows (compression Comp, for PackBits with
// a row count of RowBytes each) followed by Data.
std::vector<uint8_t> PsdGreyComposite(uint32_t Width, uint32_t Height, int Comp, int RowCounts, uint16_t RowBytes,
                                      const std::vector<uint8_t>& Data) {
  std::vector<uint8_t> v = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0};
  PsdPutBE16(v, 1);
  PsdPutBE32(v, Height);
  PsdPutBE32(v, Width);
  PsdPutBE16(v, 8);
  PsdPutBE16(v, 1);
  PsdPutBE32(v, 0);
  PsdPutBE32(v, 0);
  PsdPutBE32(v, 0);
  PsdPutBE16(v, static_cast<uint32_t>(Comp));
  for (int i = 0; i < RowCounts; ++i) PsdPutBE16(v, RowBytes);
  v.insert(v.end(), Data.begin(), Data.end());
  return v;
}

}  // namespace

TEST(PsdCodec, CompositeLargerThanTheDataCanHoldIsRefused) {
  // A flat 1024-sample row packs into 8 runs of 128 (16 bytes): the most PackBits can pack.
  std::vector<uint8_t> flat;
  for (int y = 0; y < 64; ++y)
    for (int r = 0; r < 8; ++r) flat.insert(flat.end(), {0x81, 7});
  struct Case {
    const char* Name;
    uint32_t Width, Height;
    int Comp, RowCounts;
    uint16_t RowBytes;
    std::vector<uint8_t> Data;
    bool Read;
  };
  const Case cases[] = {
      {"flat PackBits rows", 1024, 64, 1, 64, 16, flat, true},
      {"raw rows cut short", 16, 16, 0, 0, 0, std::vector<uint8_t>(100, 9), true},
      {"megapixels from a few raw bytes", 4096, 2048, 0, 0, 0, std::vector<uint8_t>(16, 9), false},
      {"eight million samples a row, packed", 8388617, 7, 1, 7, 2, {0x81, 1, 0x81, 1}, false},
      {"rows with an unknown compression", 4096, 4096, 2, 0, 0, {}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    TPsdRead r;
    PsdReadBytes(PsdGreyComposite(c.Width, c.Height, c.Comp, c.RowCounts, c.RowBytes, c.Data), r, false, true);
    EXPECT_EQ(r.Aborted, !c.Read);
    if (c.Read) {
      EXPECT_EQ(r.Bitmap.Width(), static_cast<int>(c.Width));
      EXPECT_EQ(r.Bitmap.Height(), static_cast<int>(c.Height));
    } else {
      EXPECT_EQ(r.Bitmap.Width() * r.Bitmap.Height(), 0);
    }
  }
  // The flat document decodes to its one value.
  TPsdRead r;
  PsdReadBytes(PsdGreyComposite(1024, 64, 1, 64, 16, flat), r, false, true);
  ASSERT_EQ(r.Bitmap.PixelFormat(), ie8g);
  EXPECT_EQ(r.Bitmap.Scanline(63)[1023], 7);
}
