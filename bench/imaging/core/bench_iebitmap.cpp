// FillRect, CopyRectTo and row access of a 6000 x 4000 24-bit image, in memory and in a
// temporary file. Argument 0 keeps the image in memory, 1 in a file location.
#include <benchmark/benchmark.h>

#include <cstring>
#include <memory>

#include "imaging/core/iebitmap.h"

namespace {

constexpr int kW = 6000, kH = 4000;

std::unique_ptr<TIEBitmap> MakeImage(bool inFile) {
  auto b = std::make_unique<TIEBitmap>();
  if (inFile) b->MemoryThreshold = 0;
  if (!b->Allocate(kW, kH, ie24RGB)) return nullptr;
  b->Fill(0x336699);
  return b;
}

void SetLabel(benchmark::State& state) {
  state.SetLabel(state.range(0) ? "file" : "memory");
  state.SetBytesProcessed(state.iterations() * int64_t(kW) * kH * 3);
}

void BM_FillRect(benchmark::State& state) {
  auto b = MakeImage(state.range(0) != 0);
  if (!b) return state.SkipWithError("allocation failed");
  double v = 0;
  for (auto _ : state) {
    b->FillRect(0, 0, kW - 1, kH - 1, v);
    v = v == 0 ? 0xFFFFFF : 0;
  }
  SetLabel(state);
}
BENCHMARK(BM_FillRect)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_CopyRectTo(benchmark::State& state) {
  auto src = MakeImage(state.range(0) != 0);
  auto dst = MakeImage(state.range(0) != 0);
  if (!src || !dst) return state.SkipWithError("allocation failed");
  for (auto _ : state) src->CopyRectTo(dst.get(), 0, 0, 0, 0, kW, kH);
  SetLabel(state);
}
BENCHMARK(BM_CopyRectTo)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// Reads and rewrites every row through GetScanline, as the pixel loops of the library do.
void BM_RowAccess(benchmark::State& state) {
  auto b = MakeImage(state.range(0) != 0);
  if (!b) return state.SkipWithError("allocation failed");
  const int rowBytes = kW * 3;
  for (auto _ : state) {
    uint64_t sum = 0;
    for (int y = 0; y < kH; ++y) {
      uint8_t* row = b->Scanline(y);
      for (int i = 0; i < rowBytes; i += 64) sum += row[i];
      row[0] = static_cast<uint8_t>(sum);
    }
    benchmark::DoNotOptimize(sum);
  }
  SetLabel(state);
}
BENCHMARK(BM_RowAccess)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
