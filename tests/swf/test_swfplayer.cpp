// The movie player over movies written by the test: pictures of every kind filling shapes that
// are placed, moved, tinted and removed over frames, checked by the colours of single pixels;
// looping; the packed form; and damaged movies that must fail to load without reading past
// their data.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <string>
#include <vector>

#include "swf/swfplayer.h"
#include "swfbuild.h"

using namespace swfbuild;

namespace {

constexpr uint32_t kSwfTestRed = 0xFF0000, kSwfTestBlue = 0x0000FF, kSwfTestWhite = 0xFFFFFF,
                   kSwfTestGreen = 0x00FF00;

// The frame the player draws into a W x H target.
struct SwfTestFrame {
  int W, H;
  std::vector<uint32_t> Pixels;
  uint32_t At(int X, int Y) const { return Pixels[static_cast<size_t>(Y) * W + X] & 0xFFFFFF; }
};

SwfTestFrame SwfTestRender(const TSwfPlayer& P, int W, int H) {
  SwfTestFrame f{W, H, std::vector<uint32_t>(static_cast<size_t>(W) * H, 0x12345678)};
  P.Render(f.Pixels.data(), W, H, W * 4);
  return f;
}

// Channel-wise within Tolerance (JPEG pictures are lossy).
::testing::AssertionResult SwfTestNear(uint32_t Got, uint32_t Want, int Tolerance) {
  for (int s = 0; s < 24; s += 8) {
    const int g = (Got >> s) & 0xFF, w = (Want >> s) & 0xFF;
    if (std::abs(g - w) > Tolerance)
      return ::testing::AssertionFailure() << std::hex << "got " << Got << ", want " << Want;
  }
  return ::testing::AssertionSuccess();
}

// A 100 x 80 stage on white: a 40 x 40 JPEG picture (red left half, blue right half) fills a
// 40 x 40 shape placed at (10, 10) in frame 1, moved to (50, 20) in frame 2, removed in frame 3.
Bytes SwfTestMovingPicture() {
  const Bytes jpeg = Jpeg(TwoHalves(40, 40, kSwfTestRed, kSwfTestBlue), 40, 40);
  ShapeFill fill;
  fill.BitmapId = 1;
  return Movie(100, 80, 10,
               {Background(kSwfTestWhite), DefineJpeg2(1, jpeg), DefineRectShape(2, 40, 40, fill),
                Place(1, 2, 10, 10), ShowFrame(), Move(1, 50, 20), ShowFrame(), Remove(1),
                ShowFrame(), End()});
}

// A 20 x 20 stage on red with a green 20 x 20 square (a solid fill) at depth 1.
Bytes SwfTestGreenSquare(const std::vector<Bytes>& Extra) {
  ShapeFill fill;
  fill.Color = 0xFF000000 | kSwfTestGreen;
  std::vector<Bytes> tags = {Background(kSwfTestRed), DefineRectShape(1, 20, 20, fill),
                             Place(1, 1, 0, 0)};
  tags.insert(tags.end(), Extra.begin(), Extra.end());
  tags.push_back(ShowFrame());
  tags.push_back(End());
  return Movie(20, 20, 12, tags);
}

}  // namespace

TEST(SwfPlayerFrames, PictureShapeIsPlacedMovedAndRemoved) {
  const Bytes movie = SwfTestMovingPicture();
  TSwfPlayer p;
  ASSERT_TRUE(p.LoadFromBuffer(movie.data(), movie.size())) << p.Error();
  EXPECT_EQ(p.FrameCount(), 3);
  EXPECT_EQ(p.FrameInterval(), 100);
  struct Probe {
    int Frame, X, Y;
    uint32_t Want;
  };
  const Probe probes[] = {
      {0, 15, 30, kSwfTestRed},   {0, 45, 30, kSwfTestBlue},  {0, 5, 5, kSwfTestWhite},
      {0, 55, 30, kSwfTestWhite}, {0, 75, 45, kSwfTestWhite}, {1, 15, 30, kSwfTestWhite},
      {1, 55, 35, kSwfTestRed},   {1, 85, 55, kSwfTestBlue},  {1, 95, 30, kSwfTestWhite},
      {1, 60, 15, kSwfTestWhite}, {2, 55, 35, kSwfTestWhite}, {2, 15, 30, kSwfTestWhite},
  };
  for (const Probe& pr : probes) {
    p.GotoFrame(pr.Frame);
    const SwfTestFrame f = SwfTestRender(p, 100, 80);
    EXPECT_TRUE(SwfTestNear(f.At(pr.X, pr.Y), pr.Want, 24))
        << "frame " << pr.Frame << " at " << pr.X << "," << pr.Y;
  }
  p.GotoFrame(2);
  EXPECT_TRUE(p.DisplayList().empty());
}

TEST(SwfPlayerFrames, StageIsScaledToFitAndCentred) {
  const Bytes movie = SwfTestMovingPicture();
  TSwfPlayer p;
  ASSERT_TRUE(p.LoadFromBuffer(movie.data(), movie.size()));
  // 300 x 160: the stage doubles to 200 x 160 and sits 50 pixels from the left; the bands at the
  // sides take the background colour.
  double left, top, scale;
  p.StageRect(300, 160, left, top, scale);
  EXPECT_DOUBLE_EQ(left, 50);
  EXPECT_DOUBLE_EQ(top, 0);
  EXPECT_DOUBLE_EQ(scale, 2);
  const SwfTestFrame f = SwfTestRender(p, 300, 160);
  EXPECT_TRUE(SwfTestNear(f.At(50 + 30, 60), kSwfTestRed, 24));
  EXPECT_TRUE(SwfTestNear(f.At(50 + 90, 60), kSwfTestBlue, 24));
  EXPECT_TRUE(SwfTestNear(f.At(50 + 110, 60), kSwfTestWhite, 0));
  EXPECT_TRUE(SwfTestNear(f.At(10, 60), kSwfTestWhite, 0));
  EXPECT_TRUE(SwfTestNear(f.At(290, 60), kSwfTestWhite, 0));
  // 100 x 200: half the size, 30 pixels from the top... (200 - 80 * 1) / 2 = 60.
  p.StageRect(100, 200, left, top, scale);
  EXPECT_DOUBLE_EQ(left, 0);
  EXPECT_DOUBLE_EQ(top, 60);
  EXPECT_DOUBLE_EQ(scale, 1);
  const SwfTestFrame g = SwfTestRender(p, 100, 200);
  EXPECT_TRUE(SwfTestNear(g.At(15, 60 + 30), kSwfTestRed, 24));
  EXPECT_TRUE(SwfTestNear(g.At(15, 30), kSwfTestWhite, 0));
}

TEST(SwfPlayerFrames, FramesLoopBackToTheFirst) {
  const Bytes movie = SwfTestMovingPicture();
  TSwfPlayer p;
  ASSERT_TRUE(p.LoadFromBuffer(movie.data(), movie.size()));
  const int expected[] = {1, 2, 0, 1, 2, 0};
  for (int want : expected) {
    // Every step of this movie moves, removes or places the object.
    EXPECT_TRUE(p.NextFrame());
    EXPECT_EQ(p.CurrentFrame(), want);
  }
  // Back at the first frame the object is where frame 1 puts it, not where frame 2 left it.
  ASSERT_EQ(p.DisplayList().count(1), 1u);
  EXPECT_DOUBLE_EQ(p.DisplayList().at(1).Matrix.TX, 10 * 20);
  const SwfTestFrame f = SwfTestRender(p, 100, 80);
  EXPECT_TRUE(SwfTestNear(f.At(15, 30), kSwfTestRed, 24));
}

TEST(SwfPlayerFrames, StepsThatChangeNothingNeedNoDrawing) {
  // Frame 2 changes nothing, frame 3 fades the square, and the loop back to frame 1 undoes it.
  const Bytes movie = SwfTestGreenSquare({ShowFrame(), ShowFrame(),
                                          Tint(1, {256, 256, 256, 128}, {0, 0, 0, 0})});
  TSwfPlayer p;
  ASSERT_TRUE(p.LoadFromBuffer(movie.data(), movie.size())) << p.Error();
  ASSERT_EQ(p.FrameCount(), 3);
  const bool changed[] = {false, true, true, false, true, true};
  for (bool want : changed) EXPECT_EQ(p.NextFrame(), want) << p.CurrentFrame();
}

TEST(SwfPlayerFrames, PackedMovieDrawsAsThePlainOne) {
  const Bytes plain = SwfTestMovingPicture();
  const Bytes packed = Packed(plain);
  ASSERT_EQ(packed[0], 'C');
  TSwfPlayer a, b;
  ASSERT_TRUE(a.LoadFromBuffer(plain.data(), plain.size()));
  ASSERT_TRUE(b.LoadFromBuffer(packed.data(), packed.size())) << b.Error();
  for (int frame = 0; frame < 3; ++frame) {
    a.GotoFrame(frame);
    b.GotoFrame(frame);
    EXPECT_EQ(SwfTestRender(a, 100, 80).Pixels, SwfTestRender(b, 100, 80).Pixels) << frame;
  }
}

TEST(SwfPlayerColour, AlphaTransformFadesTheObject) {
  struct Case {
    int AlphaMul;
    uint32_t Want;
  };
  // Green over red: full, half and no alpha.
  const Case cases[] = {{256, 0x00FF00}, {128, 0x808000}, {0, 0xFF0000}};
  for (const Case& c : cases) {
    const Bytes movie = SwfTestGreenSquare({Tint(1, {256, 256, 256, c.AlphaMul}, {0, 0, 0, 0})});
    TSwfPlayer p;
    ASSERT_TRUE(p.LoadFromBuffer(movie.data(), movie.size())) << p.Error();
    EXPECT_TRUE(SwfTestNear(SwfTestRender(p, 20, 20).At(10, 10), c.Want, 2)) << c.AlphaMul;
  }
}

TEST(SwfPlayerColour, ChannelTransformChangesThePixels) {
  // Green multiplied by 0 and blue raised by 255: the square turns blue; red stays untouched
  // around it (the object covers the whole stage here, so check its own pixels only).
  const Bytes movie = SwfTestGreenSquare({Tint(1, {256, 0, 256, 256}, {0, 0, 255, 0})});
  TSwfPlayer p;
  ASSERT_TRUE(p.LoadFromBuffer(movie.data(), movie.size()));
  EXPECT_TRUE(SwfTestNear(SwfTestRender(p, 20, 20).At(10, 10), 0x0000FF, 1));
}

TEST(SwfPlayerPictures, EveryPictureKindFillsItsShape) {
  const RGB halves = TwoHalves(16, 16, kSwfTestRed, kSwfTestBlue);
  Bytes tables;
  const Bytes abbreviated = Jpeg(halves, 16, 16, &tables);
  const Bytes full = Jpeg(halves, 16, 16);
  // The second JPEG kind with the stray end/start pair some writers put in front.
  Bytes strayPair = {0xFF, 0xD9, 0xFF, 0xD8};
  strayPair.insert(strayPair.end(), full.begin(), full.end());
  // The third JPEG kind: the right half transparent, so the white background shows there.
  BitWriter j3;
  j3.U16(1);
  j3.U32(static_cast<uint32_t>(full.size()));
  j3.Raw(full);
  Bytes alpha(16 * 16);
  for (int i = 0; i < 256; ++i) alpha[i] = (i % 16) < 8 ? 255 : 0;
  j3.Raw(Deflate(alpha));
  // Lossless, colour-mapped (first kind: RGB table; rows padded to 4 bytes).
  BitWriter l3;
  l3.U16(1);
  l3.U8(3);
  l3.U16(16);
  l3.U16(16);
  l3.U8(1);  // two colours
  Bytes mapped = {0xFF, 0, 0, 0, 0, 0xFF};
  for (int i = 0; i < 256; ++i) mapped.push_back((i % 16) < 8 ? 0 : 1);
  l3.Raw(Deflate(mapped));
  std::vector<uint32_t> argb(256);
  for (int i = 0; i < 256; ++i) argb[i] = (i % 16) < 8 ? 0xFFFF0000 : 0xFF0000FF;
  struct Case {
    const char* Name;
    std::vector<Bytes> Tags;
    uint32_t WantRight;
    int Tolerance;
  };
  const Case cases[] = {
      {"shared tables", {Tag(8, tables), Tag(6, [&] {
                           BitWriter w;
                           w.U16(1);
                           w.Raw(abbreviated);
                           return w.Out;
                         }())},
       kSwfTestBlue, 24},
      {"stray marker pair", {DefineJpeg2(1, strayPair)}, kSwfTestBlue, 24},
      {"alpha plane", {Tag(35, j3.Out)}, kSwfTestWhite, 24},
      {"colour-mapped", {Tag(20, l3.Out)}, kSwfTestBlue, 0},
      {"32-bit with alpha", {DefineLossless2(1, 16, 16, argb)}, kSwfTestBlue, 0},
  };
  for (const Case& c : cases) {
    ShapeFill fill;
    fill.BitmapId = 1;
    fill.Kind = 0x43;  // clipped, not smoothed: exact pixels
    fill.Scale = 2;
    std::vector<Bytes> tags = {Background(kSwfTestWhite)};
    tags.insert(tags.end(), c.Tags.begin(), c.Tags.end());
    for (const Bytes& t : {DefineRectShape(2, 32, 32, fill), Place(1, 2, 0, 0), ShowFrame(), End()})
      tags.push_back(t);
    const Bytes movie = Movie(32, 32, 12, tags);
    TSwfPlayer p;
    ASSERT_TRUE(p.LoadFromBuffer(movie.data(), movie.size())) << c.Name << ": " << p.Error();
    const SwfTestFrame f = SwfTestRender(p, 32, 32);
    EXPECT_TRUE(SwfTestNear(f.At(6, 16), kSwfTestRed, c.Tolerance)) << c.Name;
    EXPECT_TRUE(SwfTestNear(f.At(26, 16), c.WantRight, c.Tolerance)) << c.Name;
  }
}

TEST(SwfPlayerPictures, RepeatingFillTilesAndClippedFillStretchesTheEdge) {
  // A 2 x 2 picture (red, blue / blue, red) at 5 stage pixels a picture pixel, in a 40 x 10
  // shape: tiled, the pattern comes back every 10 pixels; clipped, the last column runs on.
  const std::vector<uint32_t> checker = {0xFFFF0000, 0xFF0000FF, 0xFF0000FF, 0xFFFF0000};
  for (uint8_t kind : {uint8_t(0x42), uint8_t(0x43)}) {
    ShapeFill fill;
    fill.BitmapId = 1;
    fill.Kind = kind;
    fill.Scale = 5;
    const Bytes movie = Movie(40, 10, 12,
                              {Background(kSwfTestWhite), DefineLossless2(1, 2, 2, checker),
                               DefineRectShape(2, 40, 10, fill), Place(1, 2, 0, 0), ShowFrame()});
    TSwfPlayer p;
    ASSERT_TRUE(p.LoadFromBuffer(movie.data(), movie.size())) << p.Error();
    const SwfTestFrame f = SwfTestRender(p, 40, 10);
    EXPECT_EQ(f.At(2, 2), kSwfTestRed);
    EXPECT_EQ(f.At(7, 2), kSwfTestBlue);
    EXPECT_EQ(f.At(12, 2), kind == 0x42 ? kSwfTestRed : kSwfTestBlue) << int(kind);
    EXPECT_EQ(f.At(32, 7), kind == 0x42 ? kSwfTestBlue : kSwfTestRed) << int(kind);
  }
}

TEST(SwfPlayerShapes, CurvesAndLinesAreDrawn) {
  // A diamond with curved sides bulging outwards, filled green, outlined with a 2-pixel blue
  // line, on a 40 x 40 white stage; then the same outline as a first-kind shape without line.
  BitWriter w;
  w.U16(1);
  Rect(w, 0, 800, 0, 800);
  w.U8(1);
  w.U8(0x00);
  w.U8(0);
  w.U8(0xFF);
  w.U8(0);
  w.U8(0xFF);
  w.U8(1);  // one line
  w.U16(40);
  w.U8(0);
  w.U8(0);
  w.U8(0xFF);
  w.U8(0xFF);
  w.UB(1, 4);
  w.UB(1, 4);
  w.UB(0, 1);
  w.UB(0x08 | 0x04 | 0x01, 5);  // line, fill 1, move
  w.UB(12, 5);
  w.SB(400, 12);  // top centre
  w.SB(40, 12);
  w.UB(1, 1);
  w.UB(1, 1);
  // Four quadratic edges: control point at a corner, anchor at the next midpoint.
  const int32_t steps[4][4] = {{360, 0, 0, 360}, {0, 360, -360, 0}, {-360, 0, 0, -360},
                               {0, -360, 360, 0}};
  for (const auto& s : steps) {
    w.UB(1, 1);  // an edge
    w.UB(0, 1);  // curved
    w.UB(12 - 2, 4);
    for (int32_t v : s) w.SB(v, 12);
  }
  w.UB(0, 6);
  w.Align();
  const Bytes movie = Movie(40, 40, 12, {Background(kSwfTestWhite), Tag(32, w.Out),
                                         Place(1, 1, 0, 0), ShowFrame(), End()});
  TSwfPlayer p;
  ASSERT_TRUE(p.LoadFromBuffer(movie.data(), movie.size())) << p.Error();
  const SwfTestFrame f = SwfTestRender(p, 40, 40);
  EXPECT_EQ(f.At(20, 20), kSwfTestGreen);
  // The curve through the corner's direction reaches (29, 11) on the diagonal; straight
  // sides would leave it white.
  EXPECT_EQ(f.At(28, 12), kSwfTestGreen);
  EXPECT_EQ(f.At(1, 1), kSwfTestWhite);
  EXPECT_TRUE(SwfTestNear(f.At(20, 2), kSwfTestBlue, 40));
  EXPECT_TRUE(SwfTestNear(f.At(38, 20), kSwfTestBlue, 40));
}

TEST(SwfPlayerDamage, DamagedMoviesFailCleanly) {
  const Bytes good = SwfTestMovingPicture();
  const Bytes jpeg = Jpeg(TwoHalves(8, 8, kSwfTestRed, kSwfTestBlue), 8, 8);
  ShapeFill solid;
  solid.Color = 0xFF00FF00;
  auto withTag = [](const Bytes& T) { return Movie(20, 20, 12, {T, ShowFrame(), End()}); };
  // A JPEG header declaring 65535 x 65535 (the largest the format can say) over a few bytes.
  Bytes huge = jpeg;
  for (size_t i = 0; i + 8 < huge.size(); ++i)
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 6] = huge[i + 7] = huge[i + 8] = 0xFF;
      break;
    }
  BitWriter bigLossless;
  bigLossless.U16(1);
  bigLossless.U8(5);
  bigLossless.U16(65535);
  bigLossless.U16(65535);
  bigLossless.Raw(Deflate(Bytes(4096, 0)));
  BitWriter shortLossless;
  shortLossless.U16(1);
  shortLossless.U8(5);
  shortLossless.U16(16);
  shortLossless.U16(16);
  shortLossless.Raw(Deflate(Bytes(100, 0)));
  Bytes garbage(300);
  for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<uint8_t>(i * 37 + 11);
  garbage[0] = 0xFF;
  garbage[1] = 0xD8;
  Bytes cutJpeg(jpeg.begin(), jpeg.begin() + jpeg.size() / 2);
  Bytes tagBeyond = good;
  // Cut one byte into the removal's body (removal 4 bytes, frame end 2, end 2).
  tagBeyond.resize(tagBeyond.size() - 7);
  Bytes longTag = withTag(Tag(9, {1, 2, 3}, true));
  longTag[longTag.size() - 2 - 2 - 3 - 1] = 0x7F;  // top byte of the long length (before body, frame end, end)
  Bytes badPacked = Packed(good);
  badPacked.resize(badPacked.size() / 2);
  Bytes hugePacked = Packed(good);
  hugePacked[4] = hugePacked[5] = hugePacked[6] = hugePacked[7] = 0xFF;
  BitWriter j3;
  j3.U16(1);
  j3.U32(0x7FFFFFF0);  // picture length beyond the tag
  j3.Raw(jpeg);
  BitWriter cutPlace;
  cutPlace.U8(0x02 | 0x04);
  cutPlace.U16(1);
  struct Case {
    const char* Name;
    Bytes Data;
  };
  const std::vector<Case> cases = {
      {"empty", {}},
      {"header cut before the stage", Bytes(good.begin(), good.begin() + 9)},
      {"header cut inside the rates", Bytes(good.begin(), good.begin() + 14)},
      {"wrong signature", [&] { Bytes b = good; b[1] = 'X'; return b; }()},
      {"tag length beyond the file", tagBeyond},
      {"long tag length beyond the file", longTag},
      {"shape with fill index out of range", withTag(DefineRectShape(1, 10, 10, solid, 32, 2))},
      {"picture of 65535 x 65535 (JPEG)", withTag(DefineJpeg2(1, huge))},
      {"picture of 65535 x 65535 (lossless)", withTag(Tag(36, bigLossless.Out))},
      {"lossless data shorter than its picture", withTag(Tag(36, shortLossless.Out))},
      {"JPEG garbage", withTag(DefineJpeg2(1, garbage))},
      {"JPEG cut in half", withTag(DefineJpeg2(1, cutJpeg))},
      {"picture length beyond its tag", withTag(Tag(35, j3.Out))},
      {"placement cut short", withTag(Tag(26, cutPlace.Out))},
      {"packed body cut in half", badPacked},
      {"packed size of 4 GiB", hugePacked},
  };
  for (const Case& c : cases) {
    TSwfPlayer p;
    EXPECT_FALSE(p.LoadFromBuffer(c.Data.data(), c.Data.size())) << c.Name;
    EXPECT_FALSE(p.Loaded()) << c.Name;
    EXPECT_FALSE(p.Error().empty()) << c.Name;
    EXPECT_EQ(p.FrameCount(), 0) << c.Name;
    // Nothing drawn but black.
    EXPECT_EQ(SwfTestRender(p, 8, 8).At(4, 4), 0u) << c.Name;
  }
}

TEST(SwfPlayerDamage, EveryCutOfAMovieLoadsOrFailsWithinItsData) {
  // Cut at every length, in its own buffer so that the sanitizer sees any read past the end:
  // the movie either fails, or (cut at a tag boundary) loads what came before.
  const Bytes good = SwfTestMovingPicture();
  int loaded = 0;
  for (size_t n = 0; n < good.size(); ++n) {
    std::vector<uint8_t> cut(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(n));
    TSwfPlayer p;
    if (p.LoadFromBuffer(cut.data(), cut.size())) {
      ++loaded;
      EXPECT_LE(p.FrameCount(), 3);
      SwfTestRender(p, 10, 8);
    } else {
      EXPECT_FALSE(p.Error().empty());
    }
  }
  // Only the cuts at tag boundaries after the header load; most cuts fail.
  EXPECT_GT(loaded, 2);
  EXPECT_LT(loaded, 20);
}

TEST(SwfPlayerFiles, MissingFileFailsAndAFileLoads) {
  const std::string dir = ::testing::TempDir() + "swfplayer-files-" + std::to_string(getpid());
  std::filesystem::create_directories(dir);
  TSwfPlayer p;
  EXPECT_FALSE(p.LoadFromFile(dir + "/none.swf"));
  EXPECT_FALSE(p.Loaded());
  const Bytes movie = SwfTestMovingPicture();
  {
    std::ofstream out(dir + "/m.swf", std::ios::binary);
    out.write(reinterpret_cast<const char*>(movie.data()), static_cast<std::streamsize>(movie.size()));
  }
  EXPECT_TRUE(p.LoadFromFile(dir + "/m.swf")) << p.Error();
  EXPECT_EQ(p.FrameCount(), 3);
  std::filesystem::remove_all(dir);
}
