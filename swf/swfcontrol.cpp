// The movie control: the player drawn into the control's canvas, advanced by a timer.
#include "swf/swfcontrol.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/vcl/extctrls.h"
#include "platform/vcl/graphics.h"
#include "platform/win/wingdi.h"

ORV_CLASS_IMPL(TSwfMoviePlayer, TCustomControl)

TSwfMoviePlayer::TSwfMoviePlayer(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 192;
  FHeight = 192;
  FTimer = new TTimer(this);
  FTimer->SetEnabled(false);
  FTimer->SetOnTimer([this](TObject*) { Tick(); });
}

TSwfMoviePlayer::~TSwfMoviePlayer() { FTimer->SetEnabled(false); }

void TSwfMoviePlayer::SetMovie(const std::string& Path) {
  FTimer->SetEnabled(false);
  FMovie = Path;
  FPlayer.Clear();
  FFrameStale = true;
  if (FPlayer.LoadFromFile(Path) && FPlayer.FrameCount() > 1) {
    FTimer->SetInterval(static_cast<UINT>(FPlayer.FrameInterval()));
    FTimer->SetEnabled(true);
  }
  Invalidate();
}

void TSwfMoviePlayer::Stop() { FTimer->SetEnabled(false); }

bool TSwfMoviePlayer::Playing() const { return FTimer->Enabled(); }

void TSwfMoviePlayer::DoObjectVerb(int Verb) {
  if (Verb != -1) return;
  SetVisible(true);
  Invalidate();
}

void TSwfMoviePlayer::Tick() {
  if (!FPlayer.Loaded()) return;
  if (!FPlayer.NextFrame()) return;
  FFrameStale = true;
  Invalidate();
}

void TSwfMoviePlayer::Paint() {
  const int w = ClientWidth(), h = ClientHeight();
  if (w <= 0 || h <= 0) return;
  if (FFrameStale || w != FFrameW || h != FFrameH) {
    const auto start = std::chrono::steady_clock::now();
    FFrame.assign(static_cast<size_t>(w) * h, 0);
    FFrameW = w;
    FFrameH = h;
    FPlayer.Render(FFrame.data(), w, h, w * 4);
    FFrameStale = false;
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::steady_clock::now() - start).count();
    if (FTimer->Enabled()) {
      const UINT interval = std::max<UINT>(static_cast<UINT>(FPlayer.FrameInterval()),
                                           static_cast<UINT>(std::min<long long>(took * 2, 1000)));
      if (interval != FTimer->Interval()) FTimer->SetInterval(interval);
    }
  }
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = -h;  // top-down rows, as drawn
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SetDIBitsToDevice(Canvas()->Handle(), 0, 0, static_cast<DWORD>(w), static_cast<DWORD>(h), 0, 0, 0,
                    static_cast<UINT>(h), FFrame.data(), &info, DIB_RGB_COLORS);
}
