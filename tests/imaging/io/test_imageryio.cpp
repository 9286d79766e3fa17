// The IO component's load and save frame: one finish per operation, the abort flag, file errors,
// stream headers, DPI checks, missing codecs, the registry route and the text export.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "imaging/core/iestreams.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/imageryio.h"
#include "iotestcodecs.h"

using namespace iotest;

class ImageryIO : public ::testing::Test {
protected:
  void SetUp() override { IEInitFileFormats(); }
  void TearDown() override { IEFreeFileFormats(); }
  TFakeCodecs Codecs;
  TTempDir Dir;
};

// Counts finishes and remembers the progress values.
struct TEvents {
  int Finishes = 0;
  std::vector<int> Progress;
  void Attach(TImageryIO& io) {
    io.OnFinishWork = [this](TObject*) { ++Finishes; };
    io.OnProgress = [this](TObject*, int p) { Progress.push_back(p); };
  }
};

TEST_F(ImageryIO, FileRoundTripFinishesOnceEach) {
  TImageryIO out(nullptr);
  TEvents ev;
  ev.Attach(out);
  MakePattern(out.IEBitmap(), 9, 5);
  out.SaveToFile(Dir / "p.jpg");
  EXPECT_EQ(ev.Finishes, 1);
  EXPECT_EQ(ev.Progress.back(), 100);
  EXPECT_EQ(out.Params->FileType, ioJPEG);
  TImageryIO in(nullptr);
  TEvents ev2;
  ev2.Attach(in);
  in.LoadFromFileAuto(Dir / "p.jpg");
  EXPECT_EQ(ev2.Finishes, 1);
  EXPECT_FALSE(in.Aborting.load());
  ASSERT_EQ(in.IEBitmap()->Width(), 9);
  EXPECT_EQ(std::memcmp(in.IEBitmap()->Scanline(4), out.IEBitmap()->Scanline(4), 27), 0);
  EXPECT_EQ(in.Params->FileName, Dir / "p.jpg");
  EXPECT_EQ(in.Params->DpiX, 300);  // CheckDPI: the stand-in codec leaves no DPI
}

TEST_F(ImageryIO, OpenFailureOwnFrameFinishesWrappedRaises) {
  TImageryIO io(nullptr);
  TEvents ev;
  ev.Attach(io);
  WriteFile(Dir / "x.jpg", {});  // exists, so the extension route is taken; then removed
  std::filesystem::remove(Dir / "x.jpg");
  EXPECT_THROW(io.LoadFromFileJpeg(Dir / "x.jpg"), EFOpenError);
  EXPECT_TRUE(io.Aborting.load());
  EXPECT_EQ(ev.Finishes, 1);
  io.Aborting.store(false);
  EXPECT_THROW(io.LoadFromFileBMP(Dir / "x.bmp"), EFOpenError);
  EXPECT_EQ(ev.Finishes, 1);  // the wrapped shape raises before any finish
}

TEST_F(ImageryIO, BadDataAbortsButTheFrameCompletes) {
  struct Case {
    const char* Name;
    std::vector<uint8_t> Bytes;
  } cases[] = {
      {"truncated pixels", {0xFF, 0xD8, 'P', 'I', 'X', 4, 0, 0, 0, 4, 0, 0, 0, 5, 1, 2, 3}},
      {"marker length past the end", {0xFF, 0xD8, 0xFF, 0xE1, 0xFF, 0xF0, 'E', 'x'}},
      {"wrong magic", {'G', 'I', 'F', '8', '9', 'a'}},
      {"huge size", {0xFF, 0xD8, 'P', 'I', 'X', 0xFF, 0xFF, 0xFF, 0x7F, 1, 0, 0, 0, 5}},
  };
  for (auto& c : cases) {
    TImageryIO io(nullptr);
    TEvents ev;
    ev.Attach(io);
    WriteFile(Dir / "bad.jpg", c.Bytes);
    io.LoadFromFileJpeg(Dir / "bad.jpg");
    EXPECT_TRUE(io.Aborting.load()) << c.Name;
    EXPECT_EQ(ev.Finishes, 1) << c.Name;
    EXPECT_EQ(io.Params->FileType, ioJPEG) << c.Name;
  }
}

TEST_F(ImageryIO, TwoHeadedImagesInOneStream) {
  TImageryIO io(nullptr);
  io.StreamHeaders = true;
  TMemoryStream ms;
  MakePattern(io.IEBitmap(), 6, 3, 1);
  io.SaveToStreamJpeg(&ms);
  MakePattern(io.IEBitmap(), 8, 2, 2);
  io.SaveToStreamJpeg(&ms);
  const int64_t end = ms.Position();
  const uint8_t* m = static_cast<const uint8_t*>(ms.Memory());
  EXPECT_EQ(std::memcmp(m, "JFIF", 4), 0);
  ms.SetPosition(0);
  TImageryIO in(nullptr);
  in.LoadFromStreamJpeg(&ms);
  EXPECT_EQ(in.IEBitmap()->Width(), 6);
  in.LoadFromStreamJpeg(&ms);
  EXPECT_EQ(in.IEBitmap()->Width(), 8);
  EXPECT_EQ(ms.Position(), end);
  // content detection finds the headed stream as JPEG
  ms.SetPosition(0);
  in.LoadFromStream(&ms);
  EXPECT_EQ(in.IEBitmap()->Width(), 6);
}

TEST_F(ImageryIO, MissingCodecAbortsAndMakesNoFile) {
  TImageryIO io(nullptr);
  TEvents ev;
  ev.Attach(io);
  MakePattern(io.IEBitmap(), 4, 4);
  io.SaveToFile(Dir / "a.png");
  EXPECT_TRUE(io.Aborting.load());
  EXPECT_EQ(ev.Finishes, 1);
  EXPECT_FALSE(std::filesystem::exists(Dir / "a.png"));
  WriteFile(Dir / "b.png", {0x89, 'P', 'N', 'G', 13, 10, 26, 10, 0, 0, 0, 0});
  io.LoadFromFile(Dir / "b.png");
  EXPECT_TRUE(io.Aborting.load());
  EXPECT_EQ(ev.Finishes, 2);
  EXPECT_EQ(io.IEBitmap()->Width(), 4);  // the target is untouched
}

TEST_F(ImageryIO, UnknownContentAndExtensions) {
  TImageryIO io(nullptr);
  TEvents ev;
  ev.Attach(io);
  std::vector<uint8_t> text(100, 'x');
  TIEMemStream s(text.data(), 100);
  io.Aborting.store(false);
  io.LoadFromStream(&s);
  EXPECT_EQ(ev.Finishes, 0);  // nothing matched: nothing happens
  EXPECT_FALSE(io.Aborting.load());
  io.LoadFromFile(Dir / "a.unknown");
  EXPECT_TRUE(io.Aborting.load());
  EXPECT_EQ(ev.Finishes, 1);
  io.Aborting.store(false);
  io.SaveToFile(Dir / "a.unknown");
  EXPECT_TRUE(io.Aborting.load());
  EXPECT_EQ(ev.Finishes, 1);  // an unknown save extension does not finish
  io.LoadFromFile("");
  EXPECT_EQ(ev.Finishes, 2);
}

TEST_F(ImageryIO, JpegSaveConvertsTheTargetTo24Bit) {
  TImageryIO io(nullptr);
  io.IEBitmap()->Allocate(3, 3, ie8g);
  io.IEBitmap()->Scanline(0)[0] = 200;
  TMemoryStream ms;
  io.SaveToStream(&ms, ioJPEG);
  EXPECT_EQ(io.IEBitmap()->PixelFormat(), ie24RGB);
  EXPECT_EQ(reinterpret_cast<TIERGBPixel*>(io.IEBitmap()->Scanline(0))[0], (TIERGBPixel{200, 200, 200}));
  io.IEBitmap()->Allocate(3, 3, ie8g);
  io.SaveToStream(&ms, ioBMP);  // BMP keeps the caller's format
  EXPECT_EQ(io.IEBitmap()->PixelFormat(), ie8g);
}

TEST_F(ImageryIO, AdjustDPIStretchesTheShorterSide) {
  TImageryIO io(nullptr);
  MakePattern(io.IEBitmap(), 400, 200);
  io.Params->Width = 400;
  io.Params->Height = 200;
  io.Params->DpiX = 300;
  io.Params->DpiY = 150;
  io.AdjustDPI();
  EXPECT_EQ(io.IEBitmap()->Width(), 400);
  EXPECT_EQ(io.IEBitmap()->Height(), 400);
  EXPECT_EQ(io.Params->DpiY, 300);
  io.Params->DpiX = 0;
  io.Params->DpiY = 1;
  io.CheckDPI();
  EXPECT_EQ(io.Params->DpiX, 300);
  EXPECT_EQ(io.Params->DpiY, 300);
}

TEST_F(ImageryIO, AdjustDPIStretchesInItsFormatOrResamplesIn24BitWithTheAlpha) {
  // 4 x 8 grey, left half 0, right half 240 (alpha 10 / 250); 100 x 200 DPI doubles the width.
  for (bool filtered : {false, true}) {
    TImageryIO io(nullptr);
    TIEBitmap* b = io.IEBitmap();
    b->Allocate(4, 8, ie8g);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 4; ++x) {
        b->Scanline(y)[x] = x < 2 ? 0 : 240;
        b->GetAlphaChannel()->Scanline(y)[x] = x < 2 ? 10 : 250;
      }
    io.Params->Width = 4;
    io.Params->Height = 8;
    io.Params->DpiX = 100;
    io.Params->DpiY = 200;
    io.FilteredAdjustDPI = filtered;
    io.AdjustDPI();
    ASSERT_EQ(b->Width(), 8) << filtered;
    ASSERT_EQ(b->Height(), 8);
    EXPECT_EQ(b->PixelFormat(), filtered ? ie24RGB : ie8g);
    ASSERT_TRUE(b->HasAlphaChannel());
    int between = 0;
    for (int x = 0; x < 8; ++x) {
      EXPECT_EQ(b->GetAlphaChannel()->Scanline(3)[x], x < 4 ? 10 : 250) << filtered << " " << x;
      const int v = b->GetPixelAsRGB(x, 3).r;
      if (!filtered) {
        EXPECT_EQ(v, x < 4 ? 0 : 240) << x;
      }
      between += v > 0 && v < 240;
    }
    if (filtered) {
      EXPECT_GT(between, 0);  // the linear filter blends across the edge
    }
  }
}

TEST_F(ImageryIO, LoadFromBufferByContentAndByType) {
  TImageryIO out(nullptr);
  MakePattern(out.IEBitmap(), 5, 5);
  TMemoryStream ms;
  out.SaveToStream(&ms, ioBMP);
  TImageryIO in(nullptr);
  in.LoadFromBuffer(ms.Memory(), ms.Size(), 0);
  EXPECT_EQ(in.IEBitmap()->Width(), 5);
  EXPECT_EQ(in.Params->FileType, ioBMP);
  in.IEBitmap()->Allocate(1, 1, ie24RGB);
  in.LoadFromBuffer(ms.Memory(), ms.Size(), ioBMP);
  EXPECT_EQ(in.IEBitmap()->Width(), 5);
}

static void OneByteWriter(TStream* S, TIEBitmap*, TIOParamsVals&, TIEProgressRec&) {
  const uint8_t b = 0xAB;
  S->WriteBuffer(&b, 1);
}
static void ThrowingReader(TStream*, TIEBitmap*, TIOParamsVals&, TIEProgressRec&, bool) {
  throw EIEException("reader failed");
}

static std::string ReadText(const std::string& Name) {
  std::ifstream f(Name);
  std::stringstream s;
  s << f.rdbuf();
  return s.str();
}

TEST_F(ImageryIO, PluginFormatsAndTextExport) {
  auto* e = new TIEFileFormatInfo();
  e->FileType = 130;
  e->Extensions = "ONE";
  e->WriteFunction = &OneByteWriter;
  e->ReadFunction = &ThrowingReader;
  IERegisterFileFormat(e);
  TImageryIO io(nullptr);
  TEvents ev;
  ev.Attach(io);
  MakePattern(io.IEBitmap(), 2, 2);
  io.SaveToFile(Dir / "a.one");
  EXPECT_EQ(std::filesystem::file_size(Dir / "a.one"), 1u);
  EXPECT_EQ(io.Params->FileType, 130);
  io.LoadFromFile(Dir / "a.one");  // the reader's exception becomes Aborting
  EXPECT_TRUE(io.Aborting.load());
  EXPECT_EQ(ev.Finishes, 2);

  const std::string t0 = Dir / "k0.txt";
  io.SaveToText(t0, 130, 0);
  const std::string id = t0.substr(0, t0.find('.')) + "_" + t0.substr(t0.find('.') + 1);
  EXPECT_EQ(ReadText(t0), "const\n  " + id + "_Size = 1;\n  " + id + " : array [0.." + id +
                              "_Size-1] of byte = (\n    $AB);\n");
  io.SaveToText(Dir / "k1.txt", 130, 1);
  EXPECT_EQ(ReadText(Dir / "k1.txt"), "\\\\ Size=1\n0xAB\n");
  io.SaveToText(Dir / "k2.txt", 130, 2);
  EXPECT_EQ(ReadText(Dir / "k2.txt"), "qw==\n");
  // kind 3: a white and a black pixel
  io.IEBitmap()->Allocate(2, 1, ie24RGB);
  reinterpret_cast<TIERGBPixel*>(io.IEBitmap()->Scanline(0))[0] = {255, 255, 255};
  reinterpret_cast<TIERGBPixel*>(io.IEBitmap()->Scanline(0))[1] = {0, 0, 0};
  io.SaveToText(Dir / "k3.txt", 0, 3);
  EXPECT_EQ(ReadText(Dir / "k3.txt"), " W\n");
  io.IEBitmap()->Allocate(2, 1, ie8g);
  io.SaveToText(Dir / "k3g.txt", 0, 3);
  EXPECT_EQ(ReadText(Dir / "k3g.txt"), "");
}

TEST_F(ImageryIO, ParamsOnlyReadsLeaveTheImage) {
  TImageryIO out(nullptr);
  MakePattern(out.IEBitmap(), 7, 3);
  out.SaveToFile(Dir / "p.jpg");
  TImageryIO io(nullptr);
  TEvents ev;
  ev.Attach(io);
  io.ParamsFromFile(Dir / "p.jpg");
  EXPECT_EQ(io.Params->Width, 7);
  EXPECT_EQ(io.Params->FileType, ioJPEG);
  EXPECT_TRUE(io.IEBitmap()->IsEmpty());
  EXPECT_EQ(ev.Finishes, 1);
  WriteFile(Dir / "bad.jpg", {0xFF, 0xD8, 0xFF});
  io.ParamsFromFileFormat(Dir / "bad.jpg", ioJPEG);
  EXPECT_EQ(io.Params->FileType, 0);
}

namespace {

// A view that counts its own Update calls.
class TCountingView : public TTestView {
public:
  int Updates = 0;
  void Update() override { ++Updates; }
};

// Stands for the single-image view, which lives above the IO library: recognised by class name.
class TImageryView : public TCountingView {
  ORV_CLASS(TImageryView, TCountingView)
};
ORV_CLASS_IMPL(TImageryView, TCountingView)

}  // namespace

TEST_F(ImageryIO, ViewTargetGetsDpiAndImageChange) {
  TImageryView view;
  TImageryIO out(nullptr);
  MakePattern(out.IEBitmap(), 4, 4);
  out.SaveToFile(Dir / "v.jpg");
  TImageryIO io(nullptr);
  io.SetAttachedImagery(&view);
  EXPECT_FALSE(io.OwnsBitmap());
  io.LoadFromFile(Dir / "v.jpg");
  EXPECT_EQ(view.Image.Width(), 4);
  EXPECT_EQ(view.DpiX(), 300);
  EXPECT_GE(view.ImageChanges, 1);
  io.SetAttachedImagery(nullptr);
  EXPECT_TRUE(io.OwnsBitmap());
  EXPECT_EQ(view.ListenerCount(), 0);
}

TEST_F(ImageryIO, UpdateRefreshesTheViewItself) {
  TCountingView view;
  TImageryIO io(nullptr);
  io.SetAttachedImagery(&view);
  const int before = view.ImageChanges;
  io.Update();
  EXPECT_EQ(view.Updates, 1);
  EXPECT_EQ(view.ImageChanges, before + 1);
  io.SetAttachedImagery(nullptr);
}

TEST_F(ImageryIO, ViewDpiGoesOnlyToTheSingleImageView) {
  TCountingView grid;
  TImageryView single;
  for (TIEView* v : {static_cast<TIEView*>(&grid), static_cast<TIEView*>(&single)}) {
    TImageryIO io(nullptr);
    io.SetAttachedImagery(v);
    io.Params->DpiX = 123;  // written directly, as the DPI adjustment does
    io.Params->DpiY = 45;
    io.UpdateViewDPI();
    EXPECT_EQ(v->DpiX(), v == &single ? 123 : 0);
    EXPECT_EQ(v->DpiY(), v == &single ? 45 : 0);
    io.SetAttachedImagery(nullptr);
  }
}

TEST_F(ImageryIO, DefaultDitherMethodReachesTheTarget) {
  TImageryIO io(nullptr);
  EXPECT_EQ(io.DefaultDitherMethod(), 1);
  io.SetDefaultDitherMethod(0);
  EXPECT_EQ(io.DefaultDitherMethod(), 0);
  EXPECT_EQ(io.IEBitmap()->DitherMethod, 0);
  // The target converts to black and white by ordered dithering now: a mid grey becomes a
  // pattern of set and clear bits instead of one level.
  TIEBitmap* b = io.IEBitmap();
  b->Allocate(8, 8, ie24RGB);
  b->Fill(0x808080);
  b->SetPixelFormat(ie1g);
  int set = 0;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) set += (b->Scanline(y)[x >> 3] >> (7 - (x & 7))) & 1;
  EXPECT_GT(set, 0);
  EXPECT_LT(set, 64);
}

TEST_F(ImageryIO, HostileStreamHeadersStayInsideTheStream) {
  TImageryIO out(nullptr);
  MakePattern(out.IEBitmap(), 3, 3);
  TMemoryStream body;
  out.SaveToStream(&body, ioJPEG);
  for (int32_t len : {-5, 0x7FFFFFFF, 3}) {
    TMemoryStream ms;
    uint8_t h[12] = {'J', 'F', 'I', 'F', 0, 0, 0, 0, uint8_t(len), uint8_t(len >> 8), uint8_t(len >> 16), uint8_t(len >> 24)};
    ms.WriteBuffer(h, 12);
    ms.WriteBuffer(body.Memory(), body.Size());
    ms.SetPosition(0);
    TImageryIO in(nullptr);
    in.LoadFromStreamJpeg(&ms);
    EXPECT_EQ(in.IEBitmap()->Width(), 3) << len;
    EXPECT_GE(ms.Position(), 12) << len;
    EXPECT_LE(ms.Position(), ms.Size()) << len;
  }
  for (const char* magic : {"TIFF", "PCX2", "XXXX"}) {
    TImageryIO in(nullptr);
    in.StreamHeaders = true;
    uint8_t h[16] = {uint8_t(magic[0]), uint8_t(magic[1]), uint8_t(magic[2]), uint8_t(magic[3]), 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F};
    TIEMemStream ms(h, 16);
    if (std::string(magic) == "TIFF") EXPECT_EQ(in.LoadFromStreamTIFF(&ms), 0);
    else in.LoadFromStreamPCX(&ms);
    EXPECT_TRUE(in.Aborting.load()) << magic;
    EXPECT_LE(ms.Position(), 16) << magic;
  }
}

TEST_F(ImageryIO, AcquiredImagesReachTheTargetUnlessHandled) {
  TImageryIO io(nullptr);
  TIEBitmap scan;
  MakePattern(&scan, 5, 2);
  bool handle = true;
  io.OnAcquireBitmap = [&](TObject*, TIEBitmap*, bool& Handled) { Handled = handle; };
  TIOParamsVals* p = nullptr;
  io.HandleAcquiredBitmap(&scan, p);
  EXPECT_EQ(p, nullptr);
  EXPECT_TRUE(io.IEBitmap()->IsEmpty());
  handle = false;
  io.HandleAcquiredBitmap(&scan, p);
  EXPECT_EQ(p, io.Params);
  EXPECT_EQ(io.IEBitmap()->Width(), 5);
}

// An APP13 block with a resolution resource: "Photoshop 3.0\0", "8BIM", 0x03ED, empty name,
// a 4-byte size and Body.
static std::vector<uint8_t> ResolutionBlock(uint32_t DeclaredSize, size_t BodyBytes) {
  std::vector<uint8_t> b = {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0, '8', 'B', 'I', 'M', 0x03, 0xED,
                            0, 0, uint8_t(DeclaredSize >> 24), uint8_t(DeclaredSize >> 16), uint8_t(DeclaredSize >> 8),
                            uint8_t(DeclaredSize)};
  b.resize(b.size() + BodyBytes, 0xAA);
  return b;
}

TEST_F(ImageryIO, ResolutionRecordIsWrittenOnlyInsideTheMarker) {
  struct Case {
    const char* Name;
    uint32_t Declared;
    size_t Body;
    bool Written;
  } cases[] = {{"whole record", 16, 16, true}, {"declared size too small", 8, 16, false},
               {"record cut short", 16, 10, false}, {"size beyond the data", 0x7FFFFFFF, 4, false}};
  for (auto& c : cases) {
    TImageryIO io(nullptr);
    auto block = ResolutionBlock(c.Declared, c.Body);
    io.Params->JPEG_MarkerList->AddMarker(0xED, block.data(), int(block.size()));
    io.Params->SetDpiX(200);
    io.Params->SetDpiY(100);
    io.SyncResolutionInfo();
    const uint8_t* d = io.Params->JPEG_MarkerList->GetMarkerData(0);
    ASSERT_EQ(io.Params->JPEG_MarkerList->GetMarkerLength(0), int(block.size())) << c.Name;
    if (c.Written) {
      EXPECT_EQ((d[26] << 8) | d[27], 200) << c.Name;  // 16.16 fixed point, integer part
      EXPECT_EQ((d[34] << 8) | d[35], 100) << c.Name;
    } else {
      EXPECT_EQ(std::memcmp(d, block.data(), block.size()), 0) << c.Name;
    }
  }
}
