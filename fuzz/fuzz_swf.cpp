// Movie files for the simulation window: the bytes loaded by the player as "OK.swf" is, then the
// first frames stepped through and drawn into a small target, as the window does.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "swf/swfplayer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size > (1u << 24)) return 0;
  TSwfPlayer player;
  if (!player.LoadFromBuffer(Data, Size)) return 0;
  std::vector<uint32_t> pixels(64 * 48);
  for (int frame = 0; frame < 4 && frame < player.FrameCount(); ++frame) {
    player.Render(pixels.data(), 64, 48, 64 * 4);
    player.NextFrame();
  }
  return 0;
}
