// The movie player: keeps the display list of the current frame, moves through the frames in a
// loop and draws a frame with cairo into a 32-bit pixel buffer, the stage scaled to fit and
// centred, the rest of the buffer in the movie's background colour. No timer of its own: the
// window's control (swfcontrol.h) drives it.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "swf/swfmovie.h"

struct TSwfDisplayItem {
  uint16_t CharacterId = 0;
  TSwfMatrix Matrix;
  TSwfColorTransform ColorTransform;
  bool IsClipLayer = false;
};

class TSwfPlayer {
public:
  // Loads a movie and shows its first frame; on failure the player is empty (Loaded() false)
  // and Error() tells why.
  bool LoadFromFile(const std::string& Path);
  bool LoadFromBuffer(const uint8_t* Data, size_t Size);
  void Clear();

  bool Loaded() const { return FMovie.Loaded(); }
  const std::string& Error() const { return FMovie.Error(); }
  const TSwfMovie& Movie() const { return FMovie; }
  int FrameCount() const { return static_cast<int>(FMovie.Frames().size()); }
  int CurrentFrame() const { return FFrame; }
  // Milliseconds between frames at the movie's frame rate (a rate of 0 counts as 12 a second).
  int FrameInterval() const;
  // Goes to frame N (0-based, taken modulo the frame count).
  void GotoFrame(int N);
  // The next frame; after the last one the movie starts again at the first. True when the
  // display list changed, so the frame needs drawing again.
  bool NextFrame();
  const std::map<uint16_t, TSwfDisplayItem>& DisplayList() const { return FList; }

  // Where the stage lands in a W x H target: its left, top and the pixels per stage pixel.
  void StageRect(int W, int H, double& Left, double& Top, double& Scale) const;
  // Draws the current frame into W x H pixels (0xAARRGGBB, Stride bytes a row). Without a movie
  // the target is filled black.
  void Render(uint32_t* Pixels, int W, int H, int Stride) const;

private:
  void Apply(const TSwfFrame& F);
  TSwfMovie FMovie;
  std::map<uint16_t, TSwfDisplayItem> FList;
  int FFrame = 0;
};
