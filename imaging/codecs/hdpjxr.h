// The jxrlib side of the HD Photo codec, in terms that need none of jxrlib's headers (they clash
// with names of ours): stream callbacks, pixel layouts, decoding and encoding of whole frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The caller's stream: each call answers whether it worked. Positions count from the start.
struct THdpIO {
  void* User = nullptr;
  bool (*Read)(void* User, void* Buffer, size_t Count) = nullptr;
  bool (*Write)(void* User, const void* Buffer, size_t Count) = nullptr;
  bool (*SetPos)(void* User, size_t Pos) = nullptr;
  bool (*GetPos)(void* User, size_t* Pos) = nullptr;
  bool (*Eos)(void* User) = nullptr;
};

// Pixel layouts read and written as they are; every other layout is decoded as RGB24. jxrlib
// hands RGB24 rows in blue, green, red order, like BGR24.
enum class THdpPixel { BlackWhite, Gray8, Gray16, BGR24, RGB24, CMYK32, RGB48 };

struct THdpFrame {
  int Width = 0, Height = 0;
  THdpPixel Format = THdpPixel::RGB24;
  double DpiX = 0, DpiY = 0;
  unsigned Frames = 0;
  size_t Stride = 0;            // bytes per row of Pixels
  std::vector<uint8_t> Pixels;  // top row first (filled when asked for)
};

struct THdpEncodeOptions {
  int QuantizerIndex = 1;  // 1: lossless
  int Overlap = 1;         // 0 none, 1 one level, 2 two levels
  int Subsampling = 3;     // 0 luma only, 1 4:2:0, 2 4:2:2, 3 4:4:4
  bool FrequencyOrder = true;
  int SlicesH = 0, SlicesV = 0;
};

bool HdpJxrAvailable();
// Decodes frame Index: its geometry always, its pixels when WantPixels and the frame has at most
// MaxPixels pixels. False on any failure.
// The decoding runs in a child process (jxrlib aborts on some damaged data), so the callbacks
// must read from memory the caller holds, not from a shared file position.
bool HdpJxrDecode(const THdpIO& IO, int Index, bool WantPixels, THdpFrame& Out,
                  unsigned long long MaxPixels = 1ull << 28);
// Encodes one frame of Height rows of Stride bytes. False on any failure.
bool HdpJxrEncode(const THdpIO& IO, THdpPixel Format, int Width, int Height, const uint8_t* Pixels, size_t Stride,
                  double DpiX, double DpiY, const THdpEncodeOptions& Options);
