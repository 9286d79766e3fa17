// The transition engine (see ietransitions.h).
#include "imaging/views/ietransitions.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieutils.h"
#include "imaging/core/ieview.h"
#include "imaging/views/iextratransitions.h"
#include "imaging/views/imageryview.h"
#include "platform/vcl/extctrls.h"
#include "platform/win/wingdi.h"
#include "platform/win/winuser.h"

ORV_CLASS_IMPL(TIETransitionEffects, TObject)

namespace {

int Nearest(double v) { return static_cast<int>(std::nearbyint(v)); }

void MakePicture(std::unique_ptr<TBitmap>& B, int W, int H) {
  if (!B) B = std::make_unique<TBitmap>();
  B->SetPixelFormat(pf24bit);
  B->SetSize(W, H);
}

}  // namespace

void IEFitCentered(int w, int h, int W, int H, int& x, int& y, int& width, int& height) {
  x = y = width = height = 0;
  if (w <= 0 || h <= 0 || W <= 0 || H <= 0) return;
  const double k = double(w) / W > double(h) / H ? double(W) / w : double(H) / h;
  width = Nearest(w * k);
  height = Nearest(h * k);
  x = static_cast<int>(std::trunc(W / 2.0 - width / 2.0));
  y = static_cast<int>(std::trunc(H / 2.0 - height / 2.0));
}

TIETransitionEffects::TIETransitionEffects(TIEView* AOwner) : Owner(AOwner) {
  MakePicture(SourcePicture, 1, 1);
  MakePicture(TargetPicture, 1, 1);
  MakePicture(FramePicture, 1, 1);
  Timer = new TTimer(AOwner);
  Timer->SetEnabled(false);
  Timer->OnTimer = [this](TObject* S) { TimerTick(S); };
  Timer->SetInterval(1);
  Clock = [] { return static_cast<uint32_t>(GetTickCount()); };
}

TIETransitionEffects::~TIETransitionEffects() {
  SourceRows.clear();
  TargetRows.clear();
  FrameRows.clear();
  delete Timer;
  Timer = nullptr;
}

void TIETransitionEffects::BuildRows() {
  auto rows = [](TBitmap* B, std::vector<uint8_t*>& R) {
    R.resize(static_cast<size_t>(B->Height()));
    for (int y = 0; y < B->Height(); ++y) R[static_cast<size_t>(y)] = static_cast<uint8_t*>(B->ScanLine(y));
  };
  rows(SourcePicture.get(), SourceRows);
  rows(TargetPicture.get(), TargetRows);
  rows(FramePicture.get(), FrameRows);
}

void TIETransitionEffects::Start(TBitmap* Source, TBitmap* Target, TIETransitionType Kind, int DurationMs) {
  if (Running) Stop();
  if (Kind == iettNone || Kind > iettPanZoom || DurationMs <= 0) return;
  int W = Source ? Source->Width() : 0, H = Source ? Source->Height() : 0;
  if (Source == nullptr) {
    if (auto* c = dynamic_cast<TWinControl*>(Owner)) {
      W = c->ClientWidth();
      H = c->ClientHeight();
    }
  }
  W = std::max(W, 1);
  H = std::max(H, 1);
  FrameWidth = W;
  FrameHeight = H;
  MakePicture(SourcePicture, W, H);
  MakePicture(TargetPicture, W, H);
  MakePicture(FramePicture, W, H);
  if (Source) BitBlt(SourcePicture->Canvas()->Handle(), 0, 0, W, H, Source->Canvas()->Handle(), 0, 0, SRCCOPY);
  if (Target) {
    HDC dst = TargetPicture->Canvas()->Handle();
    const int old = SetStretchBltMode(dst, HALFTONE);
    StretchBlt(dst, 0, 0, W, H, Target->Canvas()->Handle(), 0, 0, Target->Width(), Target->Height(), SRCCOPY);
    SetStretchBltMode(dst, old);
  }
  BitBlt(FramePicture->Canvas()->Handle(), 0, 0, W, H, SourcePicture->Canvas()->Handle(), 0, 0, SRCCOPY);
  BuildRows();
  Transition = Kind;
  Duration = DurationMs;
  Step = 0;
  RevealedCount = 0;
  StartTick = Clock();
  if (Owner) Owner->LockPaint();
  Running = true;
  Timer->SetEnabled(true);
}

void TIETransitionEffects::Stop() {
  if (!Running || Transition == iettNone) return;
  Timer->SetEnabled(false);
  Running = false;
  MakePicture(FramePicture, 1, 1);
  MakePicture(SourcePicture, 1, 1);
  MakePicture(TargetPicture, 1, 1);
  if (Owner) Owner->UnlockPaintNoRefresh();
  if (UpdateOnStop && Owner) Owner->Update();
  if (OnTransitionStop) OnTransitionStop(Owner);
}

void TIETransitionEffects::Blend(int s, bool FromBackground, bool ToBackground) {
  const TIERGBPixel bg = Owner ? IEColorToRGB(Owner->Background()) : TIERGBPixel{0, 0, 0};
  const uint8_t bgc[3] = {bg.b, bg.g, bg.r};
  const int W = FrameWidth, H = FrameHeight;
  const uint32_t a = static_cast<uint32_t>(1024 - s), b = static_cast<uint32_t>(s);
  for (int y = 0; y < H; ++y) {
    const uint8_t* S = SourceRows[static_cast<size_t>(y)];
    const uint8_t* T = TargetRows[static_cast<size_t>(y)];
    uint8_t* F = FrameRows[static_cast<size_t>(y)];
    for (int i = 0; i < W * 3; ++i) {
      const uint32_t B = bgc[i % 3];
      if (ToBackground)
        F[i] = static_cast<uint8_t>((B * b + S[i] * a) >> 10);
      else if (FromBackground)
        F[i] = static_cast<uint8_t>((B * a + T[i] * b) >> 10);
      else
        F[i] = static_cast<uint8_t>((S[i] * a + T[i] * b) >> 10);
    }
  }
}

void TIETransitionEffects::ComposeFrame() {
  const int W = FrameWidth, H = FrameHeight;
  const int s = std::clamp(Step, 0, 1024);
  HDC F = FramePicture->Canvas()->Handle();
  HDC S = SourcePicture->Canvas()->Handle();
  HDC T = TargetPicture->Canvas()->Handle();
  auto sourceAtZero = [&]() {
    if (s == 0) BitBlt(F, 0, 0, W, H, S, 0, 0, SRCCOPY);
  };
  auto copyT = [&](int x, int y, int w, int h) {
    if (w > 0 && h > 0) BitBlt(F, x, y, w, h, T, x, y, SRCCOPY);
  };
  auto redLine = [&](int x1, int y1, int x2, int y2) {
    TCanvas* c = FramePicture->Canvas();
    c->Pen()->SetColor(0x0000FF);
    c->Pen()->SetStyle(psSolid);
    c->MoveTo(x1, y1);
    c->LineTo(x2, y2);
  };
  auto shr = [](int64_t v) { return static_cast<int>(static_cast<uint32_t>(v) >> 10); };
  const size_t rowBytes3 = 3;
  switch (Transition) {
    case iettCrossDissolve:
      Blend(s, false, false);
      break;
    case iettFadeOut:
      Blend(s, false, true);
      break;
    case iettFadeIn:
      Blend(s, true, false);
      break;
    case iettFadeOutIn:
      if (s < 512)
        Blend(2 * s, false, true);
      else
        Blend(2 * s - 1024, true, false);
      break;
    case iettLeftRight1:
    case iettLeftRight2: {
      sourceAtZero();
      const int x = shr(int64_t(s) * W);
      copyT(0, 0, x, H);
      if (Transition == iettLeftRight2) redLine(x, 0, x, H);
      break;
    }
    case iettRightLeft1:
    case iettRightLeft2: {
      sourceAtZero();
      const int x = Nearest(W * (1024.0 - s) / 1024);
      copyT(x, 0, Nearest(s * double(W) / 1024), H);
      if (Transition == iettRightLeft2) redLine(x, 0, x, H);
      break;
    }
    case iettUpDown1:
    case iettUpDown2: {
      sourceAtZero();
      const int y = Nearest(s * double(H) / 1024);
      copyT(0, 0, W, y);
      if (Transition == iettUpDown2) redLine(0, y, W, y);
      break;
    }
    case iettDownUp1:
    case iettDownUp2: {
      sourceAtZero();
      const int y = Nearest(H * (1024.0 - s) / 1024);
      copyT(0, y, W, Nearest(s * double(H) / 1024));
      if (Transition == iettDownUp2) redLine(0, y, W, y);
      break;
    }
    case iettFromUpLeft:
    case iettFromUpRight:
    case iettFromBottomLeft:
    case iettFromBottomRight: {
      sourceAtZero();
      const int dx = shr(int64_t(1024 - s) * W), dy = shr(int64_t(1024 - s) * H);
      const int x = Transition == iettFromUpLeft || Transition == iettFromBottomLeft ? -dx : dx;
      const int y = Transition == iettFromUpLeft || Transition == iettFromUpRight ? -dy : dy;
      BitBlt(F, x, y, W, H, T, 0, 0, SRCCOPY);
      break;
    }
    case iettMoveLeftRight1:
    case iettMoveLeftRight2:
    case iettMoveRightLeft1:
    case iettMoveRightLeft2: {
      const bool lr = Transition == iettMoveLeftRight1 || Transition == iettMoveLeftRight2;
      const int c = lr ? shr(int64_t(s) * W) : shr(int64_t(1024 - s) * W);
      for (int y = 0; y < H; ++y) {
        uint8_t* f = FrameRows[static_cast<size_t>(y)];
        const uint8_t* sr = SourceRows[static_cast<size_t>(y)];
        const uint8_t* tr = TargetRows[static_cast<size_t>(y)];
        const size_t cb = static_cast<size_t>(c) * rowBytes3, rb = static_cast<size_t>(W - c) * rowBytes3;
        switch (Transition) {
          case iettMoveLeftRight1:
            std::memcpy(f, tr + rb, cb);
            std::memcpy(f + cb, sr, rb);
            break;
          case iettMoveLeftRight2:
            std::memcpy(f, tr, cb);
            std::memcpy(f + cb, sr, rb);
            break;
          case iettMoveRightLeft1:
            std::memcpy(f, sr + rb, cb);
            std::memcpy(f + cb, tr, rb);
            break;
          default:
            std::memcpy(f, sr, cb);
            std::memcpy(f + cb, tr, rb);
            break;
        }
      }
      break;
    }
    case iettMoveUpDown1:
    case iettMoveUpDown2:
    case iettMoveDownUp1:
    case iettMoveDownUp2: {
      const bool ud = Transition == iettMoveUpDown1 || Transition == iettMoveUpDown2;
      const int k = ud ? shr(int64_t(s) * H) : shr(int64_t(1024 - s) * H);
      const size_t n = static_cast<size_t>(W) * 3;
      for (int y = 0; y < H; ++y) {
        uint8_t* f = FrameRows[static_cast<size_t>(y)];
        const uint8_t* from = nullptr;
        switch (Transition) {
          case iettMoveUpDown1:
            from = y < k ? TargetRows[static_cast<size_t>(H - k + y)] : SourceRows[static_cast<size_t>(y - k)];
            break;
          case iettMoveUpDown2:
            from = y < k ? TargetRows[static_cast<size_t>(y)] : SourceRows[static_cast<size_t>(y - k)];
            break;
          case iettMoveDownUp1:
            from = y < k ? SourceRows[static_cast<size_t>(H - k + y)] : TargetRows[static_cast<size_t>(y - k)];
            break;
          default:
            from = y < k ? SourceRows[static_cast<size_t>(H - k + y)] : TargetRows[static_cast<size_t>(y)];
            break;
        }
        std::memcpy(f, from, n);
      }
      break;
    }
    case iettRandomPoints: {
      if (s == 0) {
        sourceAtZero();
        break;
      }
      const int n = Nearest(W * s * (s / 180.0) / 1024);
      const int fresh = n - RevealedCount;
      RevealedCount = n;
      std::uniform_int_distribution<int> col(0, W - 1);
      for (int y = 0; y < H; ++y) {
        uint8_t* f = FrameRows[static_cast<size_t>(y)];
        const uint8_t* t = TargetRows[static_cast<size_t>(y)];
        for (int i = 0; i < fresh; ++i) {
          const int x = col(FRandom);
          std::memcpy(f + 3 * x, t + 3 * x, 3);
        }
      }
      break;
    }
    case iettRandomBoxes: {
      if (s == 0) {
        sourceAtZero();
        break;
      }
      const int n = Nearest(s * double((W * H) / 64) * (s / 180.0) / 1024);
      const int fresh = n - RevealedCount;
      RevealedCount = n;
      std::uniform_int_distribution<int> col(0, W - 1), row(0, H - 1);
      for (int i = 0; i < fresh; ++i) {
        const int x = col(FRandom) & ~7, y = row(FRandom) & ~7;
        copyT(x, y, 8, 8);
      }
      break;
    }
    case iettCenter1:
    case iettCenterZoom1: {
      sourceAtZero();
      const int x = W / 2 - shr(int64_t(s) * (W / 2)), y = H / 2 - shr(int64_t(s) * (H / 2));
      const int w = shr(int64_t(s) * W), h = shr(int64_t(s) * H);
      if (Transition == iettCenter1) {
        copyT(x, y, w, h);
      } else if (w > 0 && h > 0) {
        const int old = SetStretchBltMode(F, HALFTONE);
        StretchBlt(F, x, y, w, h, T, 0, 0, W, H, SRCCOPY);
        SetStretchBltMode(F, old);
      }
      break;
    }
    case iettCenter2:
    case iettCenterZoom2: {
      BitBlt(F, 0, 0, W, H, T, 0, 0, SRCCOPY);
      const int d = 1024 - s;
      const int x = W / 2 - shr(int64_t(d) * (W / 2)), y = H / 2 - shr(int64_t(d) * (H / 2));
      const int w = shr(int64_t(d) * W), h = shr(int64_t(d) * H);
      if (w > 0 && h > 0) {
        if (Transition == iettCenter2) {
          BitBlt(F, x, y, w, h, S, x, y, SRCCOPY);
        } else {
          const int old = SetStretchBltMode(F, HALFTONE);
          StretchBlt(F, x, y, w, h, S, 0, 0, W, H, SRCCOPY);
          SetStretchBltMode(F, old);
        }
      }
      break;
    }
    case iettPanZoom:
      DrawPanZoom();
      break;
    default:
      DrawExtraEffect();
      break;
  }
}

void TIETransitionEffects::DrawExtraEffect() {
  if (Step == 0) {
    BitBlt(FramePicture->Canvas()->Handle(), 0, 0, FrameWidth, FrameHeight, SourcePicture->Canvas()->Handle(), 0, 0,
           SRCCOPY);
    return;
  }
  if (Transition < 1 || Transition > IEEffectCount) return;
  const TEffect& e = IEEffects()[Transition - 1];
  if (e.Routine == nullptr) return;
  TCanvas* c = FramePicture->Canvas();
  SetStretchBltMode(c->Handle(), HALFTONE);
  RECT r{0, 0, FramePicture->Width(), FramePicture->Height()};
  e.Routine(c, SourcePicture.get(), TargetPicture.get(), r, 1, Nearest(std::clamp(Step, 0, 1024) / 1024.0 * 100));
}

void TIETransitionEffects::DrawPanZoom() {
  if (PanZoomPicture == nullptr) return;
  const int s = std::clamp(Step, 0, 1024);
  auto edge = [&](int a, int b) { return static_cast<int>(std::trunc(a - s * ((a - b) / 1024.0))); };
  int x = edge(PanZoomStart.left, PanZoomEnd.left), y = edge(PanZoomStart.top, PanZoomEnd.top);
  int w = edge(PanZoomStart.right, PanZoomEnd.right) - x, h = edge(PanZoomStart.bottom, PanZoomEnd.bottom) - y;
  int dx = 0, dy = 0, dw = FrameWidth, dh = FrameHeight;
  bool clipped = false;
  if (x < 0) {
    w += x;
    x = 0;
    clipped = true;
  }
  if (w > PanZoomPicture->Width()) {
    w = PanZoomPicture->Width();
    clipped = true;
  }
  if (y < 0) {
    h += y;
    y = 0;
    clipped = true;
  }
  if (h > PanZoomPicture->Height()) {
    h = PanZoomPicture->Height();
    clipped = true;
  }
  if (clipped) {
    IEFitCentered(w, h, FrameWidth, FrameHeight, dx, dy, dw, dh);
    if (auto* v = dynamic_cast<TImageryView*>(Owner)) {
      v->PaintBackgroundOn(FramePicture->Canvas());
    } else {
      TCanvas* c = FramePicture->Canvas();
      c->Brush()->SetStyle(bsSolid);
      c->Brush()->SetColor(Owner ? Owner->Background() : 0);
      c->FillRect(RECT{0, 0, FrameWidth, FrameHeight});
    }
  }
  if (w > 0 && h > 0 && dw > 0 && dh > 0)
    PanZoomPicture->DrawToTBitmap(FramePicture.get(), dx, dy, dw, dh, x, y, w, h, 255, rfNone, 0);
}

void TIETransitionEffects::TimerTick(TObject*) {
  if (!Running) return;
  if (OnTransitionStep) OnTransitionStep(Owner, Step);
  ComposeFrame();
  auto* view = dynamic_cast<TCustomControl*>(Owner);
  HDC dc = view != nullptr && view->HandleAllocated() ? GetDC(view->Handle()) : nullptr;
  if (dc) BitBlt(dc, 0, 0, FrameWidth, FrameHeight, FramePicture->Canvas()->Handle(), 0, 0, SRCCOPY);
  const uint32_t elapsed = Clock() - StartTick;
  if (elapsed >= static_cast<uint32_t>(Duration)) {
    if (dc && UpdateOnStop && Transition != iettPanZoom)
      BitBlt(dc, 0, 0, FrameWidth, FrameHeight, TargetPicture->Canvas()->Handle(), 0, 0, SRCCOPY);
    if (dc) ReleaseDC(view->Handle(), dc);
    dc = nullptr;
    Stop();
  }
  if (dc) ReleaseDC(view->Handle(), dc);
  const double r = double(elapsed) / Duration;
  double st = 0;
  switch (TimingMode) {
    case 1:
      st = std::trunc(std::exp(r * 5 - 2.718) / 10 * 1024);
      break;
    case 2:
      // Undefined at zero elapsed time and negative just after: those ticks use step 0.
      st = r > 0 ? std::trunc((std::log(r * 10) + 2.718) / 5 * 1024) : 0;
      if (st < 0) st = 0;
      break;
    default:
      st = std::trunc(r * 1024);
      break;
  }
  Step = static_cast<int32_t>(std::min(st, 1024.0));
}
