// Fill, blit, stretch and text throughput on a 1920x1080 32-bit surface, in pixels per second:
// the work of repainting a full-screen grid of thumbnails.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/win/gdi_surface.h"
#include "platform/win/gdi_user.h"

namespace {

constexpr int W = 1920, H = 1080;

struct TSurfaceDC {
  HDC dc;
  HBITMAP bm;
  HGDIOBJ old;
  TSurfaceDC(int w, int h, int bpp = 32) {
    BITMAPINFO bi{};
    bi.bmiHeader = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), w, -h, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
    void* bits;
    bm = CreateDIBSection(nullptr, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
    dc = CreateCompatibleDC(nullptr);
    old = SelectObject(dc, bm);
    PatBlt(dc, 0, 0, w, h, WHITENESS);
  }
  ~TSurfaceDC() {
    SelectObject(dc, old);
    DeleteObject(bm);
    DeleteDC(dc);
  }
};

void BM_FillRect(benchmark::State& state) {
  TSurfaceDC s(W, H);
  HBRUSH br = CreateSolidBrush(RGB(10, 20, 30));
  RECT r{0, 0, W, H};
  for (auto _ : state) FillRect(s.dc, &r, br);
  DeleteObject(br);
  state.counters["pixels/s"] = benchmark::Counter(double(W) * H, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_FillRect)->Unit(benchmark::kMillisecond);

// A grid of 160x120 cells with a one-pixel frame each, clipped by a border region.
void BM_ThumbnailGridFrames(benchmark::State& state) {
  TSurfaceDC s(W, H);
  HBRUSH face = CreateSolidBrush(RGB(236, 233, 216));
  for (auto _ : state) {
    for (int y = 0; y < H; y += 120)
      for (int x = 0; x < W; x += 160) {
        RECT r{x, y, x + 160, y + 120};
        FillRect(s.dc, &r, face);
        DrawEdge(s.dc, &r, EDGE_SUNKEN, BF_RECT);
      }
  }
  DeleteObject(face);
  state.counters["pixels/s"] = benchmark::Counter(double(W) * H, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_ThumbnailGridFrames)->Unit(benchmark::kMillisecond);

void BM_BitBlt(benchmark::State& state) {
  int bpp = static_cast<int>(state.range(0));
  TSurfaceDC src(W, H, bpp), dst(W, H);
  for (auto _ : state) BitBlt(dst.dc, 0, 0, W, H, src.dc, 0, 0, SRCCOPY);
  state.counters["pixels/s"] = benchmark::Counter(double(W) * H, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BitBlt)->Arg(32)->Arg(24)->Unit(benchmark::kMillisecond);

void BM_BitBltRop(benchmark::State& state) {
  TSurfaceDC src(W, H), dst(W, H);
  for (auto _ : state) BitBlt(dst.dc, 0, 0, W, H, src.dc, 0, 0, SRCINVERT);
  state.counters["pixels/s"] = benchmark::Counter(double(W) * H, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_BitBltRop)->Unit(benchmark::kMillisecond);

// Full-screen output stretched from a source of half the size (enlargement) or double (reduction).
void BM_StretchBlt(benchmark::State& state) {
  int mode = static_cast<int>(state.range(0));
  int shrink = static_cast<int>(state.range(1));
  int sw = shrink ? W * 2 : W / 2, sh = shrink ? H * 2 : H / 2;
  TSurfaceDC src(sw, sh, 24), dst(W, H);
  SetStretchBltMode(dst.dc, mode);
  for (auto _ : state) StretchBlt(dst.dc, 0, 0, W, H, src.dc, 0, 0, sw, sh, SRCCOPY);
  state.counters["pixels/s"] = benchmark::Counter(double(W) * H, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_StretchBlt)->Args({COLORONCOLOR, 0})->Args({COLORONCOLOR, 1})->Args({HALFTONE, 0})->Args({HALFTONE, 1})->Unit(benchmark::kMillisecond);

// The viewer's zoom-out: a 1920x1080 picture shrunk with HALFTONE to a half, a third and a
// quarter of its size (source bits per pixel, divisor). Goal: under 8 ms on one core.
void BM_HalftoneShrink1080(benchmark::State& state) {
  int bpp = static_cast<int>(state.range(0)), div = static_cast<int>(state.range(1));
  TSurfaceDC src(W, H, bpp), dst(W / div, H / div);
  for (int y = 0; y < H; y += 8)
    for (int x = 0; x < W; x += 8) {
      RECT r{x, y, x + 8, y + 8};
      HBRUSH b = CreateSolidBrush(RGB(x & 255, y & 255, (x ^ y) & 255));
      FillRect(src.dc, &r, b);
      DeleteObject(b);
    }
  SetStretchBltMode(dst.dc, HALFTONE);
  for (auto _ : state) StretchBlt(dst.dc, 0, 0, W / div, H / div, src.dc, 0, 0, W, H, SRCCOPY);
  state.counters["source pixels/s"] = benchmark::Counter(double(W) * H, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_HalftoneShrink1080)->Args({32, 2})->Args({32, 3})->Args({32, 4})->Args({24, 2})->Unit(benchmark::kMillisecond);

// Captions under every thumbnail of the grid.
void BM_TextOut(benchmark::State& state) {
  TSurfaceDC s(W, H);
  HFONT f = CreateFont(-11, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Tahoma");
  SelectObject(s.dc, f);
  SetBkMode(s.dc, TRANSPARENT);
  const std::string caption = "IMG_0042.JPG  2026-12-10";
  long chars = 0;
  for (auto _ : state) {
    for (int y = 100; y < H; y += 120)
      for (int x = 0; x < W; x += 160) {
        TextOut(s.dc, x + 4, y, caption.data(), static_cast<int>(caption.size()));
        chars += static_cast<long>(caption.size());
      }
  }
  SelectObject(s.dc, GetStockObject(SYSTEM_FONT));
  DeleteObject(f);
  state.counters["chars/s"] = benchmark::Counter(double(chars), benchmark::Counter::kIsRate);
  state.counters["pixels/s"] = benchmark::Counter(double(W) * H, benchmark::Counter::kIsIterationInvariantRate);
}
BENCHMARK(BM_TextOut)->Unit(benchmark::kMillisecond);

}  // namespace
