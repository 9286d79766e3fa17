// Resampling a 6000 x 4000 photo to 1600 x 1067, the container's resamplers against libvips'
// kernel reduction of the same image on one thread (operation cache off), filter by filter:
// Lanczos 3 and Mitchell (the two-pass filter resampler), bilinear and bicubic (the area
// resampler; libvips reduces with its linear and cubic kernels). Built only when libvips is
// installed (libvips-dev); the goal is the container at or below libvips on each filter.
#include <benchmark/benchmark.h>
#include <vips/vips.h>

#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieresample.h"

namespace {

constexpr int kW = 6000, kH = 4000, kDW = 1600, kDH = 1067;

std::unique_ptr<TIEBitmap> Photo() {
  auto b = std::make_unique<TIEBitmap>();
  b->SetLocation(ieMemory);
  b->MemoryThreshold = int64_t(1) << 40;
  if (!b->Allocate(kW, kH, ie24RGB)) return nullptr;
  for (int y = 0; y < kH; ++y) {
    uint8_t* r = b->Scanline(y);
    for (int x = 0; x < kW; ++x) {
      r[3 * x] = static_cast<uint8_t>(x * 255 / kW);
      r[3 * x + 1] = static_cast<uint8_t>(y * 255 / kH);
      r[3 * x + 2] = static_cast<uint8_t>((x ^ y) & 0x3F) + 96;
    }
  }
  return b;
}

TIEBitmap* Source() {
  static std::unique_ptr<TIEBitmap> src = Photo();
  return src.get();
}

void Container(benchmark::State& state, TResampleFilter filter) {
  TIEBitmap* src = Source();
  if (!src) return state.SkipWithError("allocation failed");
  TIEBitmap dst;
  dst.SetLocation(ieMemory);
  dst.Allocate(kDW, kDH, ie24RGB);
  for (auto _ : state) {
    IEResampleColor(src, &dst, filter, nullptr, nullptr);
    benchmark::DoNotOptimize(dst.Scanline(0));
  }
}

void Vips(benchmark::State& state, VipsKernel kernel) {
  static bool started = [] {
    if (VIPS_INIT("bench")) return false;
    vips_concurrency_set(1);
    vips_cache_set_max(0);
    return true;
  }();
  TIEBitmap* src = Source();
  if (!started || !src) return state.SkipWithError("libvips or the source failed");
  static std::vector<uint8_t> pixels = [src] {
    std::vector<uint8_t> v(static_cast<size_t>(kW) * kH * 3);
    for (int y = 0; y < kH; ++y) std::memcpy(&v[static_cast<size_t>(y) * kW * 3], src->Scanline(y), kW * 3);
    return v;
  }();
  for (auto _ : state) {
    VipsImage* in = vips_image_new_from_memory(pixels.data(), pixels.size(), kW, kH, 3, VIPS_FORMAT_UCHAR);
    VipsImage* out = nullptr;
    if (vips_reduce(in, &out, double(kW) / kDW, double(kH) / kDH, "kernel", kernel, nullptr)) {
      g_object_unref(in);
      return state.SkipWithError(vips_error_buffer());
    }
    size_t size = 0;
    void* mem = vips_image_write_to_memory(out, &size);
    benchmark::DoNotOptimize(mem);
    g_free(mem);
    g_object_unref(out);
    g_object_unref(in);
  }
}

void BM_Resample1600_Container_Lanczos3(benchmark::State& s) { Container(s, rfLanczos3); }
void BM_Resample1600_Vips_Lanczos3(benchmark::State& s) { Vips(s, VIPS_KERNEL_LANCZOS3); }
void BM_Resample1600_Container_Mitchell(benchmark::State& s) { Container(s, rfMitchell); }
void BM_Resample1600_Vips_Mitchell(benchmark::State& s) { Vips(s, VIPS_KERNEL_MITCHELL); }
void BM_Resample1600_Container_Bilinear(benchmark::State& s) { Container(s, rfBilinear); }
void BM_Resample1600_Vips_Linear(benchmark::State& s) { Vips(s, VIPS_KERNEL_LINEAR); }
void BM_Resample1600_Container_Bicubic(benchmark::State& s) { Container(s, rfBicubic); }
void BM_Resample1600_Vips_Cubic(benchmark::State& s) { Vips(s, VIPS_KERNEL_CUBIC); }
BENCHMARK(BM_Resample1600_Container_Lanczos3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample1600_Vips_Lanczos3)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample1600_Container_Mitchell)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample1600_Vips_Mitchell)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample1600_Container_Bilinear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample1600_Vips_Linear)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample1600_Container_Bicubic)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample1600_Vips_Cubic)->Unit(benchmark::kMillisecond);

}  // namespace
