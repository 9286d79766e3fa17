// The transition engine and its effects table: timing, frames of the built-in transitions in
// exact pixels, the last frame and a clean stop (also when the view is resized or blanked), and
// every effect routine on large and tiny frames.
#include <set>

#include "imaging/views/iextratransitions.h"
#include "imaging/views/ietransitions.h"
#include "viewtest.h"

namespace {

using viewtest::ViewFixture;

void Solid(TBitmap& B, int W, int H, TColor C) {
  B.SetPixelFormat(pf24bit);
  B.SetSize(W, H);
  B.Canvas()->Brush()->SetColor(C);
  B.Canvas()->FillRect(RECT{0, 0, W, H});
}

// Column x of a row is (x, y, 0) in red and green.
void Ramp(TBitmap& B, int W, int H) {
  B.SetPixelFormat(pf24bit);
  B.SetSize(W, H);
  for (int y = 0; y < H; ++y) {
    auto* r = static_cast<uint8_t*>(B.ScanLine(y));
    for (int x = 0; x < W; ++x) {
      r[3 * x] = 0;
      r[3 * x + 1] = static_cast<uint8_t>(y);
      r[3 * x + 2] = static_cast<uint8_t>(x);
    }
  }
}

TIERGBPixel At(TBitmap* B, int x, int y) {
  const auto* r = static_cast<const uint8_t*>(B->ScanLine(y));
  return TIERGBPixel{r[3 * x], r[3 * x + 1], r[3 * x + 2]};
}

class TransitionEngine : public ViewFixture {
protected:
  void SetUp() override {
    ViewFixture::SetUp();
    View->SetOnTransitionStop([this](TObject*) { ++Stops; });
    E = View->TransitionEngine();
    ASSERT_NE(E, nullptr);
    E->Clock = [this] { return Now; };
    Solid(Red, 64, 48, 0x0000FF);
    Solid(Blue, 64, 48, 0xFF0000);
  }
  // Composes the frame of step s directly.
  TBitmap* FrameAt(int s) {
    E->Step = s;
    E->ComposeFrame();
    return E->FramePicture.get();
  }
  TIETransitionEffects* E = nullptr;
  uint32_t Now = 1000;
  int Stops = 0;
  TBitmap Red, Blue;
};

TEST_F(TransitionEngine, TheEngineExistsOnlyOnceAHandlerIsAssigned) {
  TImageryView v(nullptr);
  EXPECT_EQ(v.TransitionEngine(), nullptr);
  EXPECT_FALSE(static_cast<bool>(v.GetOnTransitionStop()));
  v.SetOnTransitionStep([](TObject*, int) {});
  EXPECT_NE(v.TransitionEngine(), nullptr);
}

TEST_F(TransitionEngine, LinearTimingReachesTheLastFrameAndStops) {
  std::vector<int> steps;
  View->SetOnTransitionStep([&](TObject*, int s) { steps.push_back(s); });
  E->UpdateOnStop = true;
  E->Start(&Red, &Blue, iettCrossDissolve, 1000);
  ASSERT_TRUE(E->Running);
  EXPECT_EQ(View->PaintLockCount(), 1);
  Now += 500;
  E->TimerTick(nullptr);
  EXPECT_EQ(E->Step, 512);
  Now += 499;
  E->TimerTick(nullptr);
  EXPECT_TRUE(E->Running);
  Now += 1;
  E->TimerTick(nullptr);
  EXPECT_FALSE(E->Running);
  EXPECT_EQ(E->Step, 1024);
  EXPECT_EQ(steps, (std::vector<int>{0, 512, 1022}));
  EXPECT_EQ(Stops, 1);
  EXPECT_EQ(View->PaintLockCount(), 0);
  EXPECT_EQ(E->FramePicture->Width(), 1);
  // Stopping again does nothing.
  E->Stop();
  EXPECT_EQ(Stops, 1);
}

TEST_F(TransitionEngine, ExponentialAndLogarithmicSteps) {
  E->TimingMode = 1;
  E->Start(&Red, &Blue, iettCrossDissolve, 1000);
  E->TimerTick(nullptr);
  EXPECT_EQ(E->Step, 6);
  Now += 999;
  E->TimerTick(nullptr);
  EXPECT_EQ(E->Step, 998);
  E->Stop();
  E->TimingMode = 2;
  E->Start(&Red, &Blue, iettCrossDissolve, 1000);
  E->TimerTick(nullptr);
  EXPECT_EQ(E->Step, 0) << "undefined at zero elapsed time: step 0";
  Now += 990;
  E->TimerTick(nullptr);
  EXPECT_EQ(E->Step, 1024);
}

TEST_F(TransitionEngine, AResizeOrABlankStopsCleanly) {
  E->Start(&Red, &Blue, iettLeftRight1, 1000);
  Now += 100;
  E->TimerTick(nullptr);
  View->SetBounds(0, 0, 300, 200);
  Run();
  EXPECT_FALSE(E->Running);
  EXPECT_EQ(Stops, 1);
  EXPECT_EQ(View->PaintLockCount(), 0);
  E->Start(&Red, &Blue, iettLeftRight1, 1000);
  View->Blank();
  EXPECT_FALSE(E->Running);
  EXPECT_EQ(Stops, 2);
  EXPECT_EQ(View->PaintLockCount(), 0);
  EXPECT_TRUE(View->IsEmpty());
}

TEST_F(TransitionEngine, FramesOfTheBuiltInTransitions) {
  TBitmap ramp;
  Ramp(ramp, 64, 48);
  E->Start(&Red, &ramp, iettCrossDissolve, 1000);
  TBitmap* f = FrameAt(512);
  EXPECT_EQ(At(f, 10, 3).r, (255 * 512 + 10 * 512) >> 10);
  EXPECT_EQ(At(f, 10, 3).g, (0 * 512 + 3 * 512) >> 10);
  E->Stop();
  // A wipe: the left half is the target at step 512.
  E->Start(&Red, &Blue, iettLeftRight1, 1000);
  f = FrameAt(0);
  EXPECT_EQ(At(f, 0, 0).r, 255);
  f = FrameAt(512);
  EXPECT_EQ(At(f, 31, 10).b, 255);
  EXPECT_EQ(At(f, 32, 10).r, 255);
  E->Stop();
  // A push: the end of the new picture enters from the left.
  E->Start(&Red, &ramp, iettMoveLeftRight1, 1000);
  f = FrameAt(256);
  EXPECT_EQ(At(f, 0, 5).r, 48);
  EXPECT_EQ(At(f, 15, 5).r, 63);
  EXPECT_EQ(At(f, 16, 5).r, 255);
  E->Stop();
  // Fade out then in: nearly background at 511, background starting at 512.
  View->SetBackground(0x000000);
  E->Start(&Red, &Blue, iettFadeOutIn, 1000);
  f = FrameAt(511);
  EXPECT_LE(At(f, 5, 5).r, 1);
  f = FrameAt(512);
  EXPECT_EQ(At(f, 5, 5).r, 0);
  EXPECT_EQ(At(f, 5, 5).b, 0);
  E->Stop();
  // Random points: step 0 is the old picture; a repeated step reveals nothing new.
  E->Start(&Red, &Blue, iettRandomPoints, 1000);
  f = FrameAt(0);
  EXPECT_EQ(At(f, 7, 7).r, 255);
  FrameAt(600);
  const int revealed = E->RevealedCount;
  FrameAt(600);
  EXPECT_EQ(E->RevealedCount, revealed);
  E->Stop();
}

TEST_F(TransitionEngine, PanZoomFillsTheFrameOrLetterBoxes) {
  TIEBitmap pic;
  viewtest::MakeCoordPicture(pic, 200, 100);
  E->PanZoomPicture = &pic;
  E->PanZoomStart = RECT{10, 10, 42, 34};
  E->PanZoomEnd = RECT{10, 10, 42, 34};
  View->SetBackground(0x00FF00);
  E->Start(&Red, nullptr, iettPanZoom, 1000);
  TBitmap* f = FrameAt(0);
  EXPECT_EQ(At(f, 0, 0).r, 10);
  EXPECT_EQ(At(f, 0, 0).g, 10);
  EXPECT_EQ(At(f, 63, 47).r, 41);
  E->PanZoomStart = RECT{-20, 0, 44, 48};
  E->PanZoomEnd = E->PanZoomStart;
  f = FrameAt(0);
  EXPECT_EQ(At(f, 0, 24).g, 255) << "letter-boxed over the background";
  E->Stop();
}

TEST(TransitionEffectsTable, NamesAndRoutines) {
  const TEffect* t = IEEffects();
  EXPECT_STREQ(t[0].Name, "Cross Fade");
  EXPECT_STREQ(t[108].Name, "Rectangular Shred");
  EXPECT_STREQ(t[136].Name, "Sweep Clockwise");
  EXPECT_STREQ(t[162].Name, "Rectangles from the Bottom");
  std::set<TEffectRoutine> routines;
  for (int i = 0; i < IEEffectCount; ++i) {
    if (i < 30)
      EXPECT_EQ(t[i].Routine, nullptr) << i;
    else
      routines.insert(t[i].Routine);
  }
  EXPECT_EQ(routines.size(), 133u);
  int W, H, PW, PH, U;
  IETransitionExtents(RECT{0, 0, 900, 600}, 1, 50, W, H, PW, PH, U);
  EXPECT_EQ(U, 10);
  EXPECT_EQ(PW, 450);
  EXPECT_EQ(PH, 300);
  IETransitionExtents(RECT{0, 0, 30, 20}, 1, 50, W, H, PW, PH, U);
  EXPECT_EQ(U, 1) << "small frames never divide by zero";
}

TEST(TransitionEffectsTable, EveryRoutineDrawsOnLargeAndTinyFrames) {
  for (const SIZE sz : {SIZE{90, 60}, SIZE{20, 10}, SIZE{1, 1}}) {
    TBitmap target, frame;
    Solid(target, sz.cx, sz.cy, 0xFF0000);
    for (int v = 31; v <= IEEffectCount; ++v) {
      for (int p : {0, 37, 100}) {
        Solid(frame, sz.cx, sz.cy, 0x0000FF);
        SetStretchBltMode(frame.Canvas()->Handle(), HALFTONE);
        IEEffects()[v - 1].Routine(frame.Canvas(), nullptr, &target, RECT{0, 0, sz.cx, sz.cy}, 1, p);
      }
    }
  }
  // At 100 % the covering effects show the whole target.
  TBitmap target, frame;
  Solid(target, 90, 60, 0xFF0000);
  for (int v : {31, 36, 47, 49, 53, 64, 69, 73, 77, 81, 89, 115, 117, 131, 154, 155, 156, 160}) {
    Solid(frame, 90, 60, 0x0000FF);
    IEEffects()[v - 1].Routine(frame.Canvas(), nullptr, &target, RECT{0, 0, 90, 60}, 1, 100);
    int red = 0;
    for (int y = 0; y < 60; ++y)
      for (int x = 0; x < 90; ++x) red += At(&frame, x, y).r > 128;
    EXPECT_EQ(red, 0) << "effect " << v;
  }
}

}  // namespace
