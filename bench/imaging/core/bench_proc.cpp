// The processing hot paths on a 6000 x 4000 photo-sized image: resampling to 1500 x 1000 and to a
// 160 x 120 thumbnail with the four common filters, quarter and small-angle rotation, reduction of
// 24-bit colour to an 8-bit palette and a Gaussian blur. Rates are source megapixels per second.
#include <benchmark/benchmark.h>

#include <memory>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieblur.h"
#include "imaging/core/ieresample.h"
#include "imaging/core/ierotate.h"

namespace {

constexpr int kW = 6000, kH = 4000;

// A smooth gradient with some texture, so that quantizers and filters see a photo-like image.
std::unique_ptr<TIEBitmap> Photo(int w = kW, int h = kH) {
  auto b = std::make_unique<TIEBitmap>();
  b->SetLocation(ieMemory);
  b->MemoryThreshold = int64_t(1) << 40;
  if (!b->Allocate(w, h, ie24RGB)) return nullptr;
  for (int y = 0; y < h; ++y) {
    uint8_t* r = b->Scanline(y);
    for (int x = 0; x < w; ++x) {
      r[3 * x] = static_cast<uint8_t>(x * 255 / w);
      r[3 * x + 1] = static_cast<uint8_t>(y * 255 / h);
      r[3 * x + 2] = static_cast<uint8_t>((x ^ y) & 0x3F) + 96;
    }
  }
  return b;
}

void Rate(benchmark::State& state, int64_t pixels) {
  state.counters["MP/s"] = benchmark::Counter(static_cast<double>(pixels) * state.iterations() / 1e6,
                                              benchmark::Counter::kIsRate);
}

void BM_Resample(benchmark::State& state) {
  static std::unique_ptr<TIEBitmap> src = Photo();
  if (!src) return state.SkipWithError("allocation failed");
  const auto filter = static_cast<TResampleFilter>(state.range(0));
  TIEBitmap dst;
  dst.SetLocation(ieMemory);
  dst.Allocate(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)), ie24RGB);
  for (auto _ : state) {
    IEResampleColor(src.get(), &dst, filter, nullptr, nullptr);
    benchmark::DoNotOptimize(dst.Scanline(0));
  }
  Rate(state, int64_t(kW) * kH);
}
void ResampleArgs(benchmark::internal::Benchmark* b) {
  for (int f : {rfFastLinear, rfBilinear, rfBicubic, rfLanczos3}) {
    b->Args({f, 1500, 1000});
    b->Args({f, 160, 120});
  }
  b->ArgNames({"filter", "w", "h"});
}
BENCHMARK(BM_Resample)->Apply(ResampleArgs)->Unit(benchmark::kMillisecond);

void BM_Rotate(benchmark::State& state) {
  static std::unique_ptr<TIEBitmap> src = Photo();
  if (!src) return state.SkipWithError("allocation failed");
  const double angle = state.range(0) / 10.0;
  for (auto _ : state) {
    TIEBitmap dst;
    dst.SetLocation(ieMemory);
    dst.MemoryThreshold = int64_t(1) << 40;
    IERotateInto(src.get(), &dst, 0, nullptr, nullptr, angle);
    benchmark::DoNotOptimize(dst.Scanline(0));
  }
  Rate(state, int64_t(kW) * kH);
}
BENCHMARK(BM_Rotate)->Arg(900)->Arg(75)->ArgName("tenths_of_degree")->Unit(benchmark::kMillisecond);

void BM_ConvertTo8p(benchmark::State& state) {
  static std::unique_ptr<TIEBitmap> src = Photo();
  if (!src) return state.SkipWithError("allocation failed");
  for (auto _ : state) {
    TIEBitmap dst;
    dst.SetLocation(ieMemory);
    dst.MemoryThreshold = int64_t(1) << 40;
    dst.Allocate(kW, kH, ie8p);
    TIEBitmap work;
    work.SetLocation(ieMemory);
    dst.CopyAndConvertFormat(src.get());
    benchmark::DoNotOptimize(dst.Scanline(0));
  }
  Rate(state, int64_t(kW) * kH);
}
BENCHMARK(BM_ConvertTo8p)->Unit(benchmark::kMillisecond);

void BM_GaussBlur(benchmark::State& state) {
  auto img = Photo();
  if (!img) return state.SkipWithError("allocation failed");
  for (auto _ : state) IEGaussBlur(img.get(), nullptr, nullptr, state.range(0) / 10.0);
  Rate(state, int64_t(kW) * kH);
}
// Sigma 1.2 gives a kernel radius of 5 taps; sigma 5 a radius of 21.
BENCHMARK(BM_GaussBlur)->Arg(12)->Arg(50)->ArgName("sigma_tenths")->Unit(benchmark::kMillisecond);

}  // namespace
