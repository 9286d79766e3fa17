// Layer files of the single-image view: round trips of every stored field with each kind of image
// storage, older versions, detection by content, loading through the IO companion, and damaged
// files refused with the view left as it was.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

#include "imaging/codecs/iezlib.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/imageryio.h"
#include "platform/rtl/streams.h"
#include "viewtest.h"

namespace {

using viewtest::ViewFixture;

// Every field a layer file keeps, with the image.
struct LyrTestLayerState {
  bool Visible, ShowBox, ClipToImage, Locked, MagnifyEnabled, UseResampleFilter, IsMask, Selectable, DimOutside;
  int32_t Opacity, Left, Top, Width, Height, UserDataSize;
  double MagnifyRate;
  uint8_t MagnifyShape, MagnifySource, BlendMode;
  TResampleFilter ResampleFilter;
  std::string Name, UserData;
  int BW, BH;
  TIEPixelFormat PF;
  std::vector<uint8_t> Pixels, Alpha;
};

LyrTestLayerState LyrTestCapture(TIELayer* L) {
  LyrTestLayerState s{};
  s.Visible = L->Visible;
  s.ShowBox = L->ShowBox;
  s.ClipToImage = L->ClipToImage;
  s.Locked = L->Locked;
  s.MagnifyEnabled = L->MagnifyEnabled;
  s.UseResampleFilter = L->UseResampleFilter;
  s.IsMask = L->IsMask;
  s.Selectable = L->Selectable;
  s.DimOutside = L->DimOutside;
  s.Opacity = L->Opacity;
  s.Left = L->Left;
  s.Top = L->Top;
  s.Width = L->Width;
  s.Height = L->Height;
  s.UserDataSize = L->UserDataSize;
  s.MagnifyRate = L->MagnifyRate;
  s.MagnifyShape = L->MagnifyShape;
  s.MagnifySource = L->MagnifySource;
  s.BlendMode = L->BlendMode;
  s.ResampleFilter = L->ResampleFilter;
  s.Name = L->Name;
  if (L->UserDataSize > 0) s.UserData.assign(static_cast<const char*>(L->UserData), L->UserDataSize);
  TIEBitmap* b = L->Bitmap;
  s.BW = b->Width();
  s.BH = b->Height();
  s.PF = b->PixelFormat();
  const int bytes = b->Width() * IEBitsPerPixel[b->PixelFormat()] / 8;
  for (int y = 0; y < b->Height(); ++y)
    s.Pixels.insert(s.Pixels.end(), b->Scanline(y), b->Scanline(y) + bytes);
  if (b->HasAlphaChannel())
    for (int y = 0; y < b->Height(); ++y)
      for (int x = 0; x < b->Width(); ++x) s.Alpha.push_back(b->GetAlpha(x, y));
  return s;
}

void LyrTestExpectSame(const LyrTestLayerState& a, const LyrTestLayerState& b, bool WithAlpha, int Index) {
  SCOPED_TRACE("layer " + std::to_string(Index));
  EXPECT_EQ(a.Visible, b.Visible);
  EXPECT_EQ(a.ShowBox, b.ShowBox);
  EXPECT_EQ(a.ClipToImage, b.ClipToImage);
  EXPECT_EQ(a.Locked, b.Locked);
  EXPECT_EQ(a.MagnifyEnabled, b.MagnifyEnabled);
  EXPECT_EQ(a.UseResampleFilter, b.UseResampleFilter);
  EXPECT_EQ(a.IsMask, b.IsMask);
  EXPECT_EQ(a.Selectable, b.Selectable);
  EXPECT_EQ(a.DimOutside, b.DimOutside);
  EXPECT_EQ(a.Opacity, b.Opacity);
  EXPECT_EQ(a.Left, b.Left);
  EXPECT_EQ(a.Top, b.Top);
  EXPECT_EQ(a.Width, b.Width);
  EXPECT_EQ(a.Height, b.Height);
  EXPECT_EQ(a.MagnifyRate, b.MagnifyRate);
  EXPECT_EQ(a.MagnifyShape, b.MagnifyShape);
  EXPECT_EQ(a.MagnifySource, b.MagnifySource);
  EXPECT_EQ(a.BlendMode, b.BlendMode);
  EXPECT_EQ(a.ResampleFilter, b.ResampleFilter);
  EXPECT_EQ(a.Name, b.Name);
  EXPECT_EQ(a.UserDataSize, b.UserDataSize);
  EXPECT_EQ(a.UserData, b.UserData);
  EXPECT_EQ(a.BW, b.BW);
  EXPECT_EQ(a.BH, b.BH);
  EXPECT_EQ(a.PF, b.PF);
  EXPECT_TRUE(a.Pixels == b.Pixels) << "pixels differ";
  if (WithAlpha) { EXPECT_TRUE(a.Alpha == b.Alpha) << "alpha differs"; }
}

void LyrTestSetUser(TIELayer* L, const std::string& Text) {
  L->UserData = std::malloc(Text.size());
  std::memcpy(L->UserData, Text.data(), Text.size());
  L->UserDataSize = static_cast<int32_t>(Text.size());
}

std::vector<uint8_t> LyrTestBytes(TMemoryStream& M) {
  const auto* p = static_cast<const uint8_t*>(M.Memory());
  return std::vector<uint8_t>(p, p + M.Size());
}

void LyrTestPut32(std::vector<uint8_t>& D, size_t At, int32_t V) {
  const uint32_t u = static_cast<uint32_t>(V);
  for (int i = 0; i < 4; ++i) D[At + i] = static_cast<uint8_t>(u >> (8 * i));
}

int32_t LyrTestGet32(const std::vector<uint8_t>& D, size_t At) {
  uint32_t u = 0;
  for (int i = 0; i < 4; ++i) u |= static_cast<uint32_t>(D[At + i]) << (8 * i);
  return static_cast<int32_t>(u);
}

class ImageryViewLyr : public ViewFixture {
protected:
  void SetUp() override {
    ViewFixture::SetUp();
    char tmpl[] = "/tmp/orv_viewlyr_XXXXXX";
    const char* d = mkdtemp(tmpl);
    Dir = d != nullptr ? d : "";
  }
  void TearDown() override {
    if (!Dir.empty()) (void)std::system(("rm -rf '" + Dir + "'").c_str());
    ViewFixture::TearDown();
  }
  // Three layers whose every stored field differs from a new layer's: a coordinate picture, a
  // half-transparent gradient with a size override, and an 8-bit grey mask.
  void BuildLayers() {
    Load(40, 30);
    TIELayer* L0 = View->GetLayer(0);
    L0->Name = "Base";
    L0->Opacity = 250;
    const int a = View->AddLayer();
    TIEBitmap* b = View->GetIEBitmap();
    b->Allocate(12, 10, ie24RGB);
    for (int y = 0; y < 10; ++y)
      for (int x = 0; x < 12; ++x) {
        b->SetPixelRGB(x, y, TIERGBPixel{static_cast<uint8_t>(x * 20), static_cast<uint8_t>(y * 25), 99});
        b->SetAlpha(x, y, static_cast<uint8_t>(x * 10 + y));
      }
    TIELayer* L1 = View->GetLayer(a);
    L1->Visible = false;
    L1->ShowBox = false;
    L1->Opacity = 128;
    L1->Left = -7;
    L1->Top = 9;
    L1->ClipToImage = true;
    L1->Locked = true;
    L1->MagnifyEnabled = true;
    L1->MagnifyRate = 3.25;
    L1->MagnifyShape = 1;
    L1->MagnifySource = 0;
    L1->BlendMode = 4;
    L1->Width = 24;
    L1->Height = 15;
    L1->ResampleFilter = rfLanczos3;
    L1->UseResampleFilter = true;
    L1->Name = "Gradient layer";
    LyrTestSetUser(L1, std::string("user\0block", 10));
    L1->Selectable = false;
    L1->DimOutside = true;
    const int m = View->AddLayer();
    TIEBitmap* mb = View->GetIEBitmap();
    mb->Allocate(9, 7, ie8g);
    for (int y = 0; y < 7; ++y)
      for (int x = 0; x < 9; ++x) mb->SetPixel8(x, y, static_cast<uint8_t>(x * 28 + y));
    View->GetLayer(m)->IsMask = true;
    View->GetLayer(m)->Visible = false;
    View->GetLayer(m)->Left = 3;
    View->SetLayersCurrent(0);
  }
  std::vector<LyrTestLayerState> CaptureAll() {
    View->SyncLayers();
    std::vector<LyrTestLayerState> all;
    for (int i = 0; i < View->GetLayersCount(); ++i) all.push_back(LyrTestCapture(View->GetLayer(i)));
    return all;
  }
  // A different view state that loading must replace (or, when refused, keep).
  void Scramble() {
    View->ClearLayers();
    Load(17, 13, false);
    View->GetLayer(0)->Name = "Other";
    const int l = View->AddLayer();
    View->GetLayer(l)->Name = "Kept";
    View->GetLayer(l)->Left = 2;
    View->SetLayersCurrent(0);
  }
  std::string Dir;
};

// ---------------------------------------------------------------- round trips

struct LyrTestStorage {
  const char* Name;
  int32_t Requested, Stored;
  bool KeepsAlpha;
};

class ImageryViewLyrStorage : public ImageryViewLyr, public ::testing::WithParamInterface<LyrTestStorage> {};

TEST_P(ImageryViewLyrStorage, EveryFieldAndImageComesBack) {
  const LyrTestStorage st = GetParam();
  BuildLayers();
  const auto before = CaptureAll();
  TMemoryStream m;
  // Data before the layer stream: image offsets are absolute positions of the stream.
  m.WriteBuffer("prefix!", 7);
  View->SaveLayersToStream(&m, st.Requested);
  EXPECT_EQ(View->LayersCurrent(), 0) << "the current layer is restored";
  EXPECT_TRUE(View->HonourSelectable);
  const auto bytes = LyrTestBytes(m);
  ASSERT_GT(bytes.size(), 32u);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[7]), 13), "IMAGERYLAYERS");
  EXPECT_EQ(LyrTestGet32(bytes, 20), 6);
  EXPECT_EQ(LyrTestGet32(bytes, 24), st.Stored);
  EXPECT_EQ(LyrTestGet32(bytes, 28), 3);

  Scramble();
  m.SetPosition(7);
  ASSERT_TRUE(View->LoadLayersFromStream(&m));
  ASSERT_EQ(View->GetLayersCount(), 3);
  EXPECT_EQ(View->LayersCurrent(), 2) << "the last layer read is current";
  const auto after = CaptureAll();
  for (int i = 0; i < 3; ++i) LyrTestExpectSame(before[i], after[i], st.KeepsAlpha, i);
  EXPECT_EQ(View->GetIEBitmap(), View->GetLayer(2)->Bitmap);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ImageryViewLyrStorage,
                         ::testing::Values(LyrTestStorage{"RawDeflated", -1, -1, true},
                                           LyrTestStorage{"RawPlain", -2, -2, true},
                                           LyrTestStorage{"Png", ioPNG, ioPNG, true},
                                           LyrTestStorage{"TiffAsPng", ioTIFF, ioPNG, true}),
                         [](const ::testing::TestParamInfo<LyrTestStorage>& I) { return std::string(I.param.Name); });

TEST_F(ImageryViewLyr, PngImagesAreRealPngFiles) {
  BuildLayers();
  TMemoryStream m;
  View->SaveLayersToStream(&m, ioTIFF);
  const auto bytes = LyrTestBytes(m);
  // The first layer image starts at the offset kept at the end of layer 0's record.
  const size_t nameAt = 25 + 38;
  const int32_t nameLen = LyrTestGet32(bytes, nameAt);
  const size_t offsetAt = nameAt + 4 + nameLen + 4 + 0 + 3;
  const int32_t offset = LyrTestGet32(bytes, offsetAt);
  ASSERT_GT(offset, 0);
  ASSERT_LT(static_cast<size_t>(offset) + 8, bytes.size());
  EXPECT_EQ(std::memcmp(&bytes[static_cast<size_t>(offset)], "\x89PNG\r\n\x1A\n", 8), 0);
}

TEST_F(ImageryViewLyr, AVersionTwoStreamLoadsWithNewLayerDefaults) {
  // Version 2 records: no magnifier source, filters, name, user data, mask, selectable or dim flags.
  TIEBitmap img;
  viewtest::MakeCoordPicture(img, 6, 5);
  TMemoryStream raw;
  img.SaveRaw(&raw);
  TMemoryStream m;
  auto put32 = [&](int32_t v) { m.WriteBuffer(&v, 4); };
  auto put8 = [&](uint8_t v) { m.WriteBuffer(&v, 1); };
  m.WriteBuffer("IMAGERYLAYERS", 13);
  put32(2);
  put32(-2);
  put32(2);
  std::vector<int64_t> offsets;
  for (int i = 0; i < 2; ++i) {
    put8(1);   // visible
    put8(0);   // box
    put32(200);
    put32(i * 4);
    put32(i * 3);
    put8(0);
    put8(i == 0);  // locked
    put8(0);
    const double rate = 2.5;
    m.WriteBuffer(&rate, 8);
    put8(1);  // shape
    put8(0);  // blend
    put32(0);
    put32(0);
    offsets.push_back(m.Position());
    put32(0);
    put32(0);
  }
  for (int64_t at : offsets) {
    const int32_t here = static_cast<int32_t>(m.Position());
    m.SetPosition(at);
    put32(here);
    m.Seek(0, soEnd);
    put32(static_cast<int32_t>(raw.Size()));
    m.WriteBuffer(raw.Memory(), raw.Size());
  }
  BuildLayers();
  m.SetPosition(0);
  ASSERT_TRUE(View->LoadLayersFromStream(&m));
  ASSERT_EQ(View->GetLayersCount(), 2);
  TIELayer* L1 = View->GetLayer(1);
  EXPECT_EQ(L1->Opacity, 200);
  EXPECT_EQ(L1->Left, 4);
  EXPECT_EQ(L1->Top, 3);
  EXPECT_EQ(L1->MagnifyRate, 2.5);
  EXPECT_EQ(L1->MagnifyShape, 1);
  EXPECT_EQ(L1->MagnifySource, 1) << "new-layer default";
  EXPECT_EQ(L1->ResampleFilter, rfNone);
  EXPECT_FALSE(L1->UseResampleFilter);
  EXPECT_EQ(L1->Name, "");
  EXPECT_EQ(L1->UserDataSize, 0);
  EXPECT_FALSE(L1->IsMask);
  EXPECT_TRUE(L1->Selectable);
  EXPECT_FALSE(L1->DimOutside);
  EXPECT_EQ(L1->Bitmap->Width(), 6);
  EXPECT_TRUE(L1->Bitmap->GetPixelRGB(5, 4) == img.GetPixelRGB(5, 4));
  EXPECT_EQ(View->GetLayer(0)->Bitmap->Width(), 6);
}

TEST_F(ImageryViewLyr, ACountOfZeroLeavesLayerZeroAlone) {
  BuildLayers();
  const auto before = CaptureAll();
  TMemoryStream m;
  m.WriteBuffer("IMAGERYLAYERS", 13);
  const int32_t h[3] = {6, -1, 0};
  m.WriteBuffer(h, 12);
  m.SetPosition(0);
  EXPECT_FALSE(LyrDetect(&m)) << "detection wants a layer";
  EXPECT_TRUE(View->LoadLayersFromStream(&m));
  ASSERT_EQ(View->GetLayersCount(), 1);
  EXPECT_TRUE(LyrTestCapture(View->GetLayer(0)).Pixels == before[0].Pixels);
}

// ---------------------------------------------------------------- detection

TEST_F(ImageryViewLyr, DetectionByContentRestoresThePosition) {
  BuildLayers();
  TMemoryStream good;
  good.WriteBuffer("xyz", 3);
  View->SaveLayersToStream(&good, -1);
  struct Case {
    const char* What;
    std::vector<uint8_t> Bytes;
    int64_t At;
    bool Expected;
  };
  std::vector<uint8_t> foreign = LyrTestBytes(good);
  foreign[5] = 'X';
  std::vector<uint8_t> noLayers = LyrTestBytes(good);
  LyrTestPut32(noLayers, 3 + 21, 0);
  std::vector<uint8_t> shortHeader = LyrTestBytes(good);
  shortHeader.resize(20);
  const Case cases[] = {
      {"layer file after other data", LyrTestBytes(good), 3, true},
      {"foreign magic", foreign, 3, false},
      {"no layers", noLayers, 3, false},
      {"shorter than a header", shortHeader, 3, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    TMemoryStream s;
    s.WriteBuffer(c.Bytes.data(), static_cast<int64_t>(c.Bytes.size()));
    s.SetPosition(c.At);
    EXPECT_EQ(LyrDetect(&s), c.Expected);
    EXPECT_EQ(s.Position(), c.At);
    EXPECT_EQ(IEFindStreamFormat(&s) == ioLYR, c.Expected);
    EXPECT_EQ(s.Position(), c.At);
  }
}

// ---------------------------------------------------------------- through the IO companion

TEST_F(ImageryViewLyr, TheIOCompanionLoadsALayerFileIntoTheView) {
  BuildLayers();
  const auto before = CaptureAll();
  const std::string f = Dir + "/picture.lyr";
  {
    TFileStream fs(f, fmCreate);
    View->SaveLayersToStream(&fs, -1);
  }
  Scramble();
  TImageryIO* io = View->GetIO();
  io->LoadFromFile(f);
  EXPECT_FALSE(io->Aborting.load());
  EXPECT_EQ(io->Params->FileType, ioLYR);
  ASSERT_EQ(View->GetLayersCount(), 3);
  for (int i = 0; i < 3; ++i) LyrTestExpectSame(before[i], LyrTestCapture(View->GetLayer(i)), true, i);
  EXPECT_EQ(io->Params->Width, 40);
  EXPECT_EQ(io->Params->Height, 30);

  // By content from a stream, too.
  Scramble();
  TFileStream fs(f, fmOpenRead | fmShareDenyWrite);
  io->LoadFromStream(&fs);
  EXPECT_FALSE(io->Aborting.load());
  ASSERT_EQ(View->GetLayersCount(), 3);
  EXPECT_EQ(View->GetLayer(1)->Name, "Gradient layer");
}

TEST_F(ImageryViewLyr, WithoutAViewTheLayersAreFlattenedIntoTheTarget) {
  Load(40, 30);
  const int l = View->AddLayer();
  View->GetIEBitmap()->Allocate(10, 10, ie24RGB);
  View->GetIEBitmap()->Fill(0x0000FF);  // red
  View->GetLayer(l)->Left = 5;
  View->GetLayer(l)->Top = 4;
  const std::string f = Dir + "/flat.lyr";
  {
    TFileStream fs(f, fmCreate);
    View->SaveLayersToStream(&fs, -2);
  }
  TImageryIO io(nullptr);
  TIEBitmap target;
  io.AttachBitmap(&target);
  bool finished = false;
  io.OnFinishWork = [&](TObject*) { finished = true; };
  io.LoadFromFile(f);
  EXPECT_FALSE(io.Aborting.load());
  EXPECT_TRUE(finished);
  ASSERT_EQ(target.Width(), 40);
  ASSERT_EQ(target.Height(), 30);
  EXPECT_TRUE(target.GetPixelRGB(6, 5) == (TIERGBPixel{0, 0, 255}));
  TIEBitmap coord;
  viewtest::MakeCoordPicture(coord, 40, 30);
  EXPECT_TRUE(target.GetPixelRGB(30, 20) == coord.GetPixelRGB(30, 20));
}

// ---------------------------------------------------------------- damaged files

TEST_F(ImageryViewLyr, DamagedFilesAreRefusedWithTheViewUnchanged) {
  BuildLayers();
  TMemoryStream m1, m2, m3;
  View->SaveLayersToStream(&m1, -1);
  View->SaveLayersToStream(&m2, -2);
  View->SaveLayersToStream(&m3, ioPNG);
  const auto deflated = LyrTestBytes(m1), plain = LyrTestBytes(m2), png = LyrTestBytes(m3);
  // Positions in layer 0's record ("Base", no user data).
  const size_t nameAt = 25 + 38, userAt = nameAt + 4 + 4, offsetAt = userAt + 4 + 3;
  const size_t image0 = static_cast<size_t>(LyrTestGet32(deflated, offsetAt));
  const size_t image0Plain = static_cast<size_t>(LyrTestGet32(plain, offsetAt));
  // Layer 1's record ("Gradient layer", 10 bytes of user data), then layer 2's ("", none).
  const size_t record1 = 38 + 4 + 14 + 4 + 10 + 3 + 8;
  const size_t offset2At = offsetAt + 8 + record1 + 38 + 4 + 0 + 4 + 3;
  const size_t image2 = static_cast<size_t>(LyrTestGet32(deflated, offset2At));
  ASSERT_GT(image2, image0);
  ASSERT_LT(image2, deflated.size());
  // The width field of layer 0's plain raw bitmap (after its palette).
  const size_t widthAt = image0Plain + 4 + 20 + 3 * static_cast<size_t>(LyrTestGet32(plain, image0Plain + 4 + 16));

  // A deflated raw bitmap whose header claims 60000 x 60000 pixels, in a dozen bytes.
  std::vector<uint8_t> huge = deflated;
  {
    TMemoryStream raw;
    raw.WriteBuffer("TIEBITMAPRAW", 12);
    const int32_t zero = 0, side = 60000;
    raw.WriteBuffer(&zero, 4);
    raw.WriteBuffer(&zero, 4);
    uint8_t fields[55] = {};
    std::memcpy(fields, &side, 4);
    std::memcpy(fields + 4, &side, 4);
    fields[8] = ie24RGB;
    raw.WriteBuffer(fields, 55);
    TMemoryStream packed;
    {
      TZCompressionStream z(&packed, 2);
      z.WriteBuffer(raw.Memory(), raw.Size());
    }
    huge.resize(image2);
    const int32_t n = static_cast<int32_t>(packed.Size());
    huge.insert(huge.end(), reinterpret_cast<const uint8_t*>(&n), reinterpret_cast<const uint8_t*>(&n) + 4);
    const auto* p = static_cast<const uint8_t*>(packed.Memory());
    huge.insert(huge.end(), p, p + packed.Size());
  }
  auto with = [](std::vector<uint8_t> d, size_t at, int32_t v) {
    LyrTestPut32(d, at, v);
    return d;
  };
  auto cut = [](std::vector<uint8_t> d, size_t n) {
    d.resize(n);
    return d;
  };
  auto flip = [](std::vector<uint8_t> d, size_t from, size_t n) {
    for (size_t i = from; i < from + n && i < d.size(); ++i) d[i] ^= 0x5A;
    return d;
  };
  std::vector<uint8_t> badFilter = deflated;
  badFilter[25 + 36] = 200;
  std::vector<uint8_t> image2Cut = flip(deflated, image2 + 4 + 8, 6);
  struct Case {
    const char* What;
    std::vector<uint8_t> Bytes;
  };
  const Case cases[] = {
      {"cut inside the records", cut(deflated, 40)},
      {"cut inside the last image", cut(deflated, deflated.size() - 12)},
      {"cut inside a plain image", cut(plain, plain.size() - 30)},
      {"cut inside a PNG image", cut(png, png.size() - 40)},
      {"layer count beyond the records", with(deflated, 21, 0x7FFFFFFF)},
      {"negative layer count", with(deflated, 21, -5)},
      {"image format of no reader", with(deflated, 17, 999)},
      {"image format of the layer file itself", with(deflated, 17, ioLYR)},
      {"name longer than the file", with(deflated, nameAt, 0x7FFFFFF0)},
      {"negative name length", with(deflated, nameAt, -1)},
      {"user data longer than the file", with(deflated, userAt, 0x7FFFFFF0)},
      {"negative size override", with(deflated, 25 + 28, -3)},
      {"size override beyond any zoomed extent", with(deflated, 25 + 28, 0x40000000)},
      {"position beyond any zoomed extent", with(deflated, 25 + 6, 0x7FFFFFF0)},
      {"negative position beyond any zoomed extent", with(deflated, 25 + 10, -0x7FFFFFF0)},
      {"resampling filter out of range", badFilter},
      {"image offset beyond the end", with(deflated, offsetAt, 0x7FFFFFF0)},
      {"image offset inside the header", with(deflated, offsetAt, 3)},
      {"image offset with a high word", with(deflated, offsetAt + 4, 1)},
      {"raw length beyond the end", with(deflated, image0, 0x7FFFFFF0)},
      {"negative raw length", with(plain, image0Plain, -9)},
      {"plain raw bitmap with a foreign magic", flip(plain, image0Plain + 4, 3)},
      {"plain raw bitmap larger than its rows", with(plain, widthAt, 5000)},
      {"damaged deflate data", flip(deflated, image0 + 4 + 2, 40)},
      {"damaged deflate data of the last layer", image2Cut},
      {"deflated bitmap claiming 60000 x 60000", huge},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.What);
    Scramble();
    const auto before = CaptureAll();
    TMemoryStream s;
    s.WriteBuffer(c.Bytes.data(), static_cast<int64_t>(c.Bytes.size()));
    s.SetPosition(0);
    EXPECT_FALSE(View->LoadLayersFromStream(&s));
    ASSERT_EQ(View->GetLayersCount(), 2);
    const auto after = CaptureAll();
    for (int i = 0; i < 2; ++i) LyrTestExpectSame(before[i], after[i], true, i);
    EXPECT_EQ(View->LayersCurrent(), 0);
  }
  // The intact files load (the cases above fail for their damage alone).
  for (const auto* good : {&deflated, &plain, &png}) {
    TMemoryStream s;
    s.WriteBuffer(good->data(), static_cast<int64_t>(good->size()));
    s.SetPosition(0);
    EXPECT_TRUE(View->LoadLayersFromStream(&s));
    EXPECT_EQ(View->GetLayersCount(), 3);
  }
}

TEST_F(ImageryViewLyr, ForeignAndVersionlessStreamsAreRefused) {
  BuildLayers();
  TMemoryStream good;
  View->SaveLayersToStream(&good, -2);
  auto bytes = LyrTestBytes(good);
  for (int32_t version : {0, -1}) {
    SCOPED_TRACE(version);
    Scramble();
    LyrTestPut32(bytes, 13, version);
    TMemoryStream s;
    s.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
    s.SetPosition(0);
    EXPECT_FALSE(View->LoadLayersFromStream(&s));
    EXPECT_EQ(View->GetLayersCount(), 2);
    EXPECT_EQ(View->GetLayer(1)->Name, "Kept");
  }
  TMemoryStream png;
  TIEBitmap b(4, 4, ie24RGB);
  TImageryIO io(nullptr);
  io.AttachBitmap(&b);
  io.SaveToStream(&png, ioPNG);
  png.SetPosition(0);
  EXPECT_FALSE(View->LoadLayersFromStream(&png));
  EXPECT_EQ(png.Position(), 0);
  EXPECT_EQ(View->GetLayer(1)->Name, "Kept");
}

TEST_F(ImageryViewLyr, TheIOCompanionReportsADamagedFile) {
  BuildLayers();
  TMemoryStream m;
  View->SaveLayersToStream(&m, -1);
  auto bytes = LyrTestBytes(m);
  bytes.resize(bytes.size() - 20);
  const std::string f = Dir + "/damaged.lyr";
  {
    TFileStream fs(f, fmCreate);
    fs.WriteBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  Scramble();
  TImageryIO* io = View->GetIO();
  io->LoadFromFile(f);
  EXPECT_TRUE(io->Aborting.load());
  EXPECT_EQ(View->GetLayersCount(), 2);
  EXPECT_EQ(View->GetLayer(1)->Name, "Kept");
}

}  // namespace
