// TIETransitionEffects: animates the change from one picture to another in a view's window. On
// every tick of its timer it composes one frame of the chosen transition into FramePicture and
// copies it onto the view's canvas until the duration has elapsed. Kinds 1..30 are drawn here,
// 31..163 by the routines of the effects table (iextratransitions.h), 164 is a pan and zoom.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

#include "imaging/views/ieviewdefs.h"
#include "platform/vcl/graphics.h"

class TIEView;
class TIEBitmap;
class TTimer;

using TIETransitionStepEvent = std::function<void(TObject* Sender, int step)>;

// The named transition kinds the engine draws itself, and the pan and zoom.
enum : TIETransitionType {
  iettCrossDissolve = 1, iettFadeOut, iettFadeIn, iettFadeOutIn, iettLeftRight1, iettLeftRight2, iettRightLeft1,
  iettRightLeft2, iettUpDown1, iettUpDown2, iettDownUp1, iettDownUp2, iettFromUpLeft, iettFromUpRight,
  iettFromBottomLeft, iettFromBottomRight, iettMoveLeftRight1, iettMoveLeftRight2, iettMoveRightLeft1,
  iettMoveRightLeft2, iettMoveUpDown1, iettMoveUpDown2, iettMoveDownUp1, iettMoveDownUp2, iettRandomPoints,
  iettRandomBoxes, iettCenter1, iettCenter2, iettCenterZoom1, iettCenterZoom2,
  iettRectangularShred = 109, iettSweepClockwise = 137,
  iettPanZoom = 164
};

// Fits a w x h source into W x H keeping its proportions, centred. Zero sizes leave the results 0.
void IEFitCentered(int w, int h, int W, int H, int& x, int& y, int& width, int& height);

class TIETransitionEffects : public TObject {
  ORV_CLASS(TIETransitionEffects, TObject)
public:
  explicit TIETransitionEffects(TIEView* AOwner);
  ~TIETransitionEffects() override;

  // Starts a transition from Source to Target (24-bit pictures; Target is stretched to Source's
  // size when it differs), the frame being Source's size. For iettPanZoom the pictures are
  // optional (the frame takes the owner's client size when Source is nil).
  void Start(TBitmap* Source, TBitmap* Target, TIETransitionType Kind, int DurationMs);
  void Stop();
  // The timer's handler.
  void TimerTick(TObject* Sender);
  // Composes the frame of the current Step into FramePicture (the tick's step 3).
  void ComposeFrame();
  void DrawExtraEffect();
  void DrawPanZoom();

  std::unique_ptr<TBitmap> SourcePicture, TargetPicture, FramePicture;
  TIEBitmap* PanZoomPicture = nullptr;
  std::vector<uint8_t*> SourceRows, TargetRows, FrameRows;
  int32_t FrameWidth = 1, FrameHeight = 1;
  bool Running = false;
  TIEView* Owner = nullptr;
  TTimer* Timer = nullptr;
  int32_t Step = 0;
  int32_t RevealedCount = 0;
  TIETransitionType Transition = iettNone;
  int32_t Duration = 1000;
  uint32_t StartTick = 0;
  bool UpdateOnStop = false;
  RECT PanZoomStart{0, 0, 0, 0}, PanZoomEnd{0, 0, 0, 0};
  TNotifyEvent OnTransitionStop;
  TIETransitionStepEvent OnTransitionStep;
  uint8_t TimingMode = 0;  // 0 linear, 1 exponential, 2 logarithmic
  // The millisecond clock (GetTickCount); tests may replace it.
  std::function<uint32_t()> Clock;

private:
  void BuildRows();
  void Blend(int s, bool FromBackgroundToTarget, bool SourceToBackground);
  std::mt19937 FRandom{12345};
};
