// TSwfMoviePlayer: a control that plays a movie file over its whole client area. Setting Movie
// loads the file and starts playback (frames advance on a timer at the movie's rate and loop);
// Stop ends it. A movie that fails to load leaves the control black. When drawing a frame takes
// more than half the frame time (a large window on a slow machine), frames come less often, so
// that the window still has time for input.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/vcl/controls.h"
#include "swf/swfplayer.h"

class TTimer;

class TSwfMoviePlayer : public TCustomControl {
  ORV_CLASS(TSwfMoviePlayer, TCustomControl)
public:
  explicit TSwfMoviePlayer(TComponent* AOwner);
  ~TSwfMoviePlayer() override;

  const std::string& Movie() const { return FMovie; }
  // Loads the movie file and plays it from its first frame.
  void SetMovie(const std::string& Path);
  // Ends playback; the current frame stays on show.
  void Stop();
  bool Playing() const;
  // The object verbs the window uses: -1 ("show") shows the control again at its size.
  void DoObjectVerb(int Verb);
  // One step of playback: the next frame, drawn when it differs from the last. The timer calls
  // it.
  void Tick();

  const TSwfPlayer& Player() const { return FPlayer; }
  TTimer* FrameTimer() const { return FTimer; }

protected:
  void Paint() override;

private:
  // The frame as last drawn at the control's size, blitted again by paints that come without a
  // change (exposure, other windows).
  std::vector<uint32_t> FFrame;
  int FFrameW = 0, FFrameH = 0;
  bool FFrameStale = true;
  std::string FMovie;
  TSwfPlayer FPlayer;
  TTimer* FTimer = nullptr;
};
