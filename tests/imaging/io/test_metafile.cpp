// Metafile import into the IO component's image, and the IO unit's services (plug-in list, debug
// log).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "imaging/core/iebitmap.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieinit.h"
#include "imaging/io/imageryio.h"
#include "iotestcodecs.h"
#include "platform/rtl/sysutils.h"
#include "platform/rtl/threads.h"
#include "platform/vcl/graphics.h"

using namespace iotest;

namespace {

// A metafile of the given size: a red box over its left half, the rest left undrawn (and a
// pixel of the transparency key's own colour at its centre when asked).
void RecordMetafile(TMetafile& Mf, int W, int H, bool KeyColouredBox = false) {
  Mf.SetWidth(W);
  Mf.SetHeight(H);
  TMetafileCanvas mc(&Mf, nullptr);
  mc.Pen()->SetStyle(psClear);
  mc.Brush()->SetColor(clRed);
  mc.Rectangle(0, 0, W / 2 + 1, H + 1);
  if (KeyColouredBox) {
    mc.Brush()->SetColor(TColor(0x010203));  // red 3, green 2, blue 1
    mc.Rectangle(W / 2, H / 2 - 4, W / 2 + 10, H / 2 + 6);
  }
}

// Red, green and blue of a 24-bit pixel.
struct TRgb {
  int R, G, B;
};
TRgb PixelAt(TIEBitmap* B, int X, int Y) {
  const uint8_t* p = B->Scanline(Y) + X * 3;
  return {p[2], p[1], p[0]};
}

struct TFinishes {
  int Count = 0;
  void Attach(TImageryIO& Io) {
    Io.OnFinishWork = [this](TObject*) { ++Count; };
  }
};

class MetafileImport : public ::testing::Test {
protected:
  void SetUp() override { IEInitFileFormats(); }
  void TearDown() override {
    IEFreeFileFormats();
    IEMetafileSizeLimit = 8000;
  }
  TTempDir Dir;
};

}  // namespace

struct TMetafileSizeCase {
  int MfW, MfH, AskW, AskH, W, H;
};

class MetafileImportSizes : public MetafileImport, public ::testing::WithParamInterface<TMetafileSizeCase> {};

TEST_P(MetafileImportSizes, RendersTheWholePictureAtTheChosenSize) {
  const TMetafileSizeCase& c = GetParam();
  TMetafile mf;
  RecordMetafile(mf, c.MfW, c.MfH);
  TImageryIO io(nullptr);
  io.SetBackground(clWhite);
  io.ImportMetafileFromTMetafile(&mf, c.AskW, c.AskH, false);
  EXPECT_FALSE(io.Aborting.load());
  TIEBitmap* b = io.IEBitmap();
  ASSERT_EQ(b->Width(), c.W);
  ASSERT_EQ(b->Height(), c.H);
  EXPECT_EQ(io.Params->Width, c.W);
  EXPECT_EQ(io.Params->Height, c.H);
  EXPECT_EQ(io.Params->FileType, ioEMF);
  EXPECT_EQ(io.Params->BitsPerSample, 8);
  EXPECT_EQ(io.Params->SamplesPerPixel, 3);
  EXPECT_EQ(io.Params->DpiX, IEDefaultDpiX);
  // The picture is scaled, not cut: its left quarter is red, its right quarter the background.
  const TRgb left = PixelAt(b, c.W / 4, c.H / 2), right = PixelAt(b, c.W * 3 / 4, c.H / 2);
  EXPECT_EQ(left.R, 255);
  EXPECT_EQ(left.G, 0);
  EXPECT_EQ(right.R, 255);
  EXPECT_EQ(right.G, 255);
  EXPECT_FALSE(b->HasAlphaChannel());
}

INSTANTIATE_TEST_SUITE_P(Sizes, MetafileImportSizes,
                         ::testing::Values(TMetafileSizeCase{400, 300, 120, 90, 120, 90},   // both given
                                           TMetafileSizeCase{400, 300, 200, -1, 200, 150},  // height follows
                                           TMetafileSizeCase{400, 300, -1, 60, 80, 60},     // width follows
                                           TMetafileSizeCase{400, 300, -1, -1, 400, 300},   // own size
                                           TMetafileSizeCase{300, 400, 90, 90, 90, 90}));   // ratio not kept

TEST_F(MetafileImport, ALargerMetafileIsHeldWithinTheSizeLimit) {
  IEMetafileSizeLimit = 200;  // the 8000 of the library, scaled down to keep the test small
  struct {
    int MfW, MfH, W, H;
  } cases[] = {{500, 250, 200, 100}, {250, 500, 100, 200}};
  for (const auto& c : cases) {
    TMetafile mf;
    RecordMetafile(mf, c.MfW, c.MfH);
    TImageryIO io(nullptr);
    io.ImportMetafileFromTMetafile(&mf, -1, -1, false);
    EXPECT_EQ(io.IEBitmap()->Width(), c.W) << c.MfW << "x" << c.MfH;
    EXPECT_EQ(io.IEBitmap()->Height(), c.H) << c.MfW << "x" << c.MfH;
  }
}

TEST_F(MetafileImport, WithAlphaTheUndrawnPartAndTheKeyColourAreTransparent) {
  TMetafile mf;
  RecordMetafile(mf, 100, 60, true);
  TImageryIO io(nullptr);
  io.ImportMetafileFromTMetafile(&mf, -1, -1, true);
  TIEBitmap* b = io.IEBitmap();
  ASSERT_TRUE(b->HasAlphaChannel());
  TIEBitmap* a = b->GetAlphaChannel();
  EXPECT_EQ(a->Scanline(30)[10], 255);  // red box
  EXPECT_EQ(a->Scanline(30)[90], 0);    // never drawn
  EXPECT_EQ(a->Scanline(30)[55], 0);    // drawn in exactly the key colour
  EXPECT_FALSE(a->Full);
}

TEST_F(MetafileImport, NothingHappensWithoutASizeOrATarget) {
  TMetafile drawn, empty;
  RecordMetafile(drawn, 40, 20);
  TImageryIO io(nullptr);
  io.IEBitmap()->Allocate(7, 5, ie24RGB);
  io.Params->FileName = "kept.jpg";
  io.ImportMetafileFromTMetafile(&drawn, 0, 10, false);  // a side of 0: nothing
  EXPECT_FALSE(io.Aborting.load());
  EXPECT_EQ(io.IEBitmap()->Width(), 7);
  io.ImportMetafileFromTMetafile(&empty, -1, -1, false);  // a metafile of no size
  EXPECT_TRUE(io.Aborting.load());
  EXPECT_EQ(io.IEBitmap()->Width(), 7);
  EXPECT_EQ(io.Params->FileName, "kept.jpg");
}

TEST_F(MetafileImport, FromAFileFinishesOnceAndABadFileIsAnError) {
  TMetafile mf;
  RecordMetafile(mf, 80, 40);
  const std::string good = Dir / "box.emf";
  mf.SaveToFile(good);
  TImageryIO io(nullptr);
  TFinishes fin;
  fin.Attach(io);
  io.ImportMetafile(good, 40, -1, false);
  EXPECT_EQ(fin.Count, 1);
  EXPECT_FALSE(io.Aborting.load());
  EXPECT_EQ(io.IEBitmap()->Width(), 40);
  EXPECT_EQ(io.IEBitmap()->Height(), 20);
  EXPECT_EQ(io.Params->FileName, good);

  const std::string bad = Dir / "bad.emf";
  std::ofstream(bad, std::ios::binary) << "not a metafile at all";
  EXPECT_THROW(io.ImportMetafile(bad, 40, -1, false), EInvalidGraphic);
  EXPECT_EQ(fin.Count, 2);
  EXPECT_TRUE(io.Aborting.load());
  EXPECT_EQ(io.IEBitmap()->Width(), 40);  // the earlier picture stays
}

TEST(IOUnitServices, FreeingThePluginsUnregistersTheirFormats) {
  IEInitFileFormats();
  auto* info = new TIEFileFormatInfo;  // the registry owns it
  info->FileType = 9001;
  info->FullName = "Plug-in format";
  IERegisterFileFormat(info);
  ASSERT_NE(IEFindFileFormatInfo(9001), nullptr);
  auto* withLock = new TIEIOPlugin;
  withLock->FileType = 9001;
  withLock->CriticalSection = new TCriticalSection;
  auto* without = new TIEIOPlugin;
  without->FileType = 9002;
  without->Flags = ieplNoCriticalSection;
  IEIOPlugins().push_back(withLock);
  IEIOPlugins().push_back(without);
  IEFreePlugins();  // the sanitizers report a record or critical section left behind
  EXPECT_TRUE(IEIOPlugins().empty());
  EXPECT_EQ(IEFindFileFormatInfo(9001), nullptr);
  EXPECT_NE(IEFindFileFormatInfo(ioJPEG), nullptr);
  IEFreeFileFormats();
}

TEST(IOUnitServices, TheDebugLogWritesOnlyWhenNamed) {
  TTempDir dir;
  const std::string name = dir / "debug.log";
  IEDebugLogFileName.clear();
  IEDebugLog("not written");
  EXPECT_FALSE(std::filesystem::exists(name));
  IEDebugLogFileName = name;
  IEDebugLog("first");
  IEDebugLog("second");
  std::ifstream in(name);
  std::string l1, l2, more;
  std::getline(in, l1);
  std::getline(in, l2);
  EXPECT_FALSE(std::getline(in, more));
  EXPECT_NE(l1.find(" : first"), std::string::npos) << l1;
  EXPECT_EQ(l1.size() - l1.find(" : first"), std::string(" : first").size());
  EXPECT_NE(l2.find(" : second"), std::string::npos) << l2;
  EXPECT_GT(l1.find(" : "), 8u);  // a date and a time come first
  IEDebugLogFileName = (dir / "no-such-folder/debug.log");
  EXPECT_THROW(IEDebugLog("lost"), EInOutError);
  IEDebugLogFileName.clear();
}
