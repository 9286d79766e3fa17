// Animated GIF frames composed over the logical screen, in the IO component and in the
// multi-image input (with a stand-in frame reader in the GIF slot).
#include <gtest/gtest.h>

#include "imaging/core/iestreams.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/iemio.h"
#include "imaging/io/imageryio.h"
#include "iotestcodecs.h"

using namespace iotest;

namespace {

struct TFrame {
  int X, Y, W, H, Disposal, Delay;
  TIERGBPixel Color;
};

// "GIF" + count, screen size, background, then per frame x, y, w, h, disposal, delay, colour.
std::vector<uint8_t> MakeGif(int SW, int SH, TIERGBPixel Bg, const std::vector<TFrame>& Frames) {
  std::vector<uint8_t> b = {'G', 'I', 'F', uint8_t(Frames.size()), uint8_t(SW), uint8_t(SH), Bg.b, Bg.g, Bg.r};
  for (auto& f : Frames) {
    uint8_t r[9] = {uint8_t(f.X), uint8_t(f.Y), uint8_t(f.W), uint8_t(f.H), uint8_t(f.Disposal), uint8_t(f.Delay),
                    f.Color.b, f.Color.g, f.Color.r};
    b.insert(b.end(), r, r + 9);
  }
  return b;
}

void GifRead(TStream* S, TIEBitmap* B, int& Count, bool Preview, TIEMask*&, bool, TIEProgressRec& Rec,
             TIOParamsVals& P) {
  uint8_t h[9];
  if (S->Read(h, 9) != 9 || h[0] != 'G') return Rec.Abort();
  Count = h[3];
  P.GIF_WinWidth = h[4];
  P.GIF_WinHeight = h[5];
  P.GIF_Background = {h[6], h[7], h[8]};
  if (P.GIF_ImageIndex >= Count) return Rec.Abort();
  uint8_t f[9];
  for (int i = 0; i <= P.GIF_ImageIndex; ++i)
    if (S->Read(f, 9) != 9) return Rec.Abort();
  P.GIF_XPos = f[0];
  P.GIF_YPos = f[1];
  P.GIF_Action = f[4];
  P.GIF_DelayTime = f[5];
  if (Preview) return;
  B->Allocate(f[2], f[3], ie24RGB);
  for (int y = 0; y < f[3]; ++y)
    for (int x = 0; x < f[2]; ++x) reinterpret_cast<TIERGBPixel*>(B->Scanline(y))[x] = {f[6], f[7], f[8]};
}

TIERGBPixel At(TIEBitmap* B, int x, int y) { return reinterpret_cast<TIERGBPixel*>(B->Scanline(y))[x]; }

// TIERGBPixel holds blue, green, red
const TIERGBPixel Red{0, 0, 255}, Green{0, 255, 0}, White{255, 255, 255}, Blue{255, 0, 0};

}  // namespace

TEST(GifComposition, FrameIsShownAsAfterPlayingUpToIt) {
  TIECodecs saved = IECodecs;
  IECodecs.GifReadImage = &GifRead;
  auto gif = MakeGif(4, 4, Blue, {{0, 0, 4, 4, 1, 10, Red}, {1, 1, 2, 2, 2, 0, Green}, {0, 0, 1, 1, 1, 5, White}});
  TImageryIO io(nullptr);
  io.Params->GIF_ImageIndex = 2;
  TIEMemStream ms(gif.data(), int64_t(gif.size()));
  EXPECT_EQ(io.LoadFromStreamGIF(&ms), 3);
  ASSERT_EQ(io.IEBitmap()->Width(), 4);
  EXPECT_EQ(At(io.IEBitmap(), 0, 0), White);
  EXPECT_EQ(At(io.IEBitmap(), 1, 1), Blue);  // the second frame's rectangle was restored
  EXPECT_EQ(At(io.IEBitmap(), 3, 3), Red);
  EXPECT_EQ(io.Params->GIF_ImageIndex, 2);
  EXPECT_EQ(io.Params->FileType, ioGIF);

  // a single frame smaller than its screen loads at its own size
  auto one = MakeGif(8, 8, Blue, {{2, 2, 3, 2, 1, 0, Green}});
  TIEMemStream ms1(one.data(), int64_t(one.size()));
  io.Params->SetImageIndex(0);
  EXPECT_EQ(io.LoadFromStreamGIF(&ms1), 1);
  EXPECT_EQ(io.IEBitmap()->Width(), 3);
  IECodecs = saved;
}

TEST(GifComposition, CanvasGrowsToTheWidestAndTallestFrame) {
  // No logical screen: a wide, short frame and then a narrow, tall one. The canvas keeps the
  // first frame's width while it grows to the second's height.
  TIECodecs saved = IECodecs;
  IECodecs.GifReadImage = &GifRead;
  auto gif = MakeGif(0, 0, Blue, {{0, 0, 10, 2, 1, 0, Red}, {0, 0, 2, 10, 1, 0, Green}});
  TImageryIO io(nullptr);
  io.Params->GIF_ImageIndex = 1;
  TIEMemStream ms(gif.data(), int64_t(gif.size()));
  EXPECT_EQ(io.LoadFromStreamGIF(&ms), 2);
  ASSERT_EQ(io.IEBitmap()->Width(), 10);
  ASSERT_EQ(io.IEBitmap()->Height(), 10);
  EXPECT_EQ(At(io.IEBitmap(), 9, 1), Red);
  EXPECT_EQ(At(io.IEBitmap(), 1, 9), Green);
  EXPECT_EQ(At(io.IEBitmap(), 9, 9), Blue);
  IECodecs = saved;
}

namespace {
class TGifGrid : public TTestView, public TIEMultiImageTarget {
public:
  std::vector<std::unique_ptr<TIEBitmap>> Pictures;
  std::vector<int> Delays;
  int Kind = 0, I = 0;
  int ImageCount() override { return int(Pictures.size()); }
  int SelectedImage() override { return -1; }
  void InsertImageEx(int Index) override {
    Pictures.insert(Pictures.begin() + Index, std::make_unique<TIEBitmap>());
    Delays.insert(Delays.begin() + Index, 0);
    Kind = 1;
    I = Index;
    CallListeners();
  }
  int AppendImage() override {
    InsertImageEx(ImageCount());
    return ImageCount() - 1;
  }
  void DeleteImage(int Index) override {
    Pictures.erase(Pictures.begin() + Index);
    Delays.erase(Delays.begin() + Index);
    Kind = 2;
    I = Index;
    CallListeners();
  }
  void SetImage(int Index, TIEBitmap* B) override { Pictures[Index]->Assign(B); }
  void SetImageFileName(int, const std::string&) override {}
  void SetImageBottomText(int, const std::string&) override {}
  void SetImageDelayTime(int Index, int Ms) override { Delays[Index] = Ms; }
  void SetImageBackground(int, TColor) override {}
  void LoadImageFromFile(int, const std::string&) override {}
  void LoadImageFromStream(int, TStream*) override {}
  void GetLastChange(int& k, int& i, int& j) override {
    k = Kind;
    i = I;
    j = 0;
  }
  void Update() override {}
};
}  // namespace

TEST(GifComposition, MultiImageInputStoresEveryComposedScreen) {
  TIECodecs saved = IECodecs;
  IECodecs.GifReadImage = &GifRead;
  auto gif = MakeGif(4, 4, Blue, {{0, 0, 4, 4, 1, 10, Red}, {1, 1, 2, 2, 2, 0, Green}, {0, 0, 1, 1, 1, 5, White}});
  TGifGrid grid;
  TImageryMIO mio(nullptr);
  mio.SetAttachedMView(&grid);
  TIEMemStream ms(gif.data(), int64_t(gif.size()));
  mio.LoadFromStreamGIF(&ms);
  ASSERT_EQ(grid.ImageCount(), 3);
  for (auto& p : grid.Pictures) EXPECT_EQ(p->Width(), 4);
  EXPECT_EQ(At(grid.Pictures[1].get(), 1, 1), Green);
  EXPECT_EQ(At(grid.Pictures[2].get(), 1, 1), Blue);
  EXPECT_EQ(At(grid.Pictures[2].get(), 0, 0), White);
  EXPECT_EQ(grid.Delays, (std::vector<int>{100, 100, 50}));  // a delay below 1 keeps the last one
  EXPECT_EQ(mio.GetParams(1)->GIF_Action, 2);
  EXPECT_EQ(mio.GetParams(2)->FileType, ioGIF);
  IECodecs = saved;
}
