// The PNG picture's coding speed: reading and writing a photo-sized RGBA image, plain and
// interlaced, and blending it onto a bitmap.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "controls/pngpicture.h"
#include "platform/rtl/streams.h"

namespace {

// A 1024 x 768 RGBA picture with smooth gradients and some noise, as a PNG stream.
std::vector<uint8_t> PhotoStream(uint8_t Interlace) {
  TBitmap b;
  b.SetPixelFormat(pf24bit);
  b.SetSize(1024, 768);
  uint32_t seed = 7;
  for (int y = 0; y < 768; ++y) {
    auto* row = static_cast<uint8_t*>(b.ScanLine(y));
    for (int x = 0; x < 1024; ++x) {
      seed = seed * 1103515245u + 12345u;
      row[3 * x] = uint8_t(x / 4 + (seed >> 28));
      row[3 * x + 1] = uint8_t(y / 3);
      row[3 * x + 2] = uint8_t((x + y) / 7);
    }
  }
  TPNGObject p;
  p.Assign(&b);
  p.SetInterlaceMode(Interlace);
  TBytesStream s;
  p.SaveToStream(&s);
  return s.Bytes();
}

void BM_PngRead(benchmark::State& State) {
  const std::vector<uint8_t> data = PhotoStream(static_cast<uint8_t>(State.range(0)));
  for (auto _ : State) {
    TBytesStream s(data);
    TPNGObject p;
    p.LoadFromStream(&s);
    benchmark::DoNotOptimize(p.HeaderChunk()->ImageData());
  }
  State.SetBytesProcessed(int64_t(State.iterations()) * 1024 * 768 * 3);
}
BENCHMARK(BM_PngRead)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_PngWrite(benchmark::State& State) {
  const std::vector<uint8_t> data = PhotoStream(0);
  TBytesStream in(data);
  TPNGObject p;
  p.LoadFromStream(&in);
  p.SetRowFilters(State.range(0) ? TFilters{pfNone, pfSub, pfUp, pfAverage, pfPaeth}
                                 : TFilters{pfSub});
  for (auto _ : State) {
    TBytesStream s;
    p.SaveToStream(&s);
    benchmark::DoNotOptimize(s.Size());
  }
  State.SetBytesProcessed(int64_t(State.iterations()) * 1024 * 768 * 3);
}
BENCHMARK(BM_PngWrite)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
