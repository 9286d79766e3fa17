// TIFF benchmarks: a 6000 x 4000 photo saved with LZW (horizontal predictor) and with deflate
// (the files made by libtiff's tiffcp from an uncompressed page at start) decoded by the codec,
// and the same files decoded by libtiff's tiff2rgba for the ratio. tiff2rgba also writes its
// uncompressed result (96 MB) and starts a process, so the ratio leans in libtiff's disfavour by
// that much; run both with --benchmark_filter to compare.
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "imaging/codecs/iecodecs.h"
#include "imaging/codecs/tiffilt.h"
#include "imaging/core/iebitmap.h"
#include "imaging/core/iemask.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/streams.h"

namespace {

constexpr int kTiffBenchWidth = 6000, kTiffBenchHeight = 4000;

struct TTiffBenchFiles {
  std::filesystem::path Dir;
  std::string Lzw, Deflate;
  bool Ready = false;
  TTiffBenchFiles() {
    IERegisterCodecs();
    Dir = std::filesystem::temp_directory_path() / ("orv_bench_tiff_" + std::to_string(::getpid()));
    std::filesystem::create_directories(Dir);
    TIEBitmap photo;
    photo.Allocate(kTiffBenchWidth, kTiffBenchHeight, ie24RGB);
    for (int y = 0; y < kTiffBenchHeight; ++y) {
      auto* row = reinterpret_cast<TIERGBPixel*>(photo.Scanline(y));
      for (int x = 0; x < kTiffBenchWidth; ++x)
        row[x] = TIERGBPixel{static_cast<uint8_t>((x * 7 + y) >> 5), static_cast<uint8_t>((x ^ y) & 0xFF),
                             static_cast<uint8_t>((y * 3) >> 4)};
    }
    const std::string plain = (Dir / "plain.tif").string();
    {
      TIOParamsVals p;
      std::atomic<bool> abort{false};
      TIEProgressRec pr;
      pr.Aborting = &abort;
      TFileStream fs(plain, fmCreate);
      TiffWriteImage(&fs, false, &photo, pr, p);
    }
    Lzw = (Dir / "lzw.tif").string();
    Deflate = (Dir / "deflate.tif").string();
    Ready = std::system(("tiffcp -c lzw:2 '" + plain + "' '" + Lzw + "' 2>/dev/null").c_str()) == 0 &&
            std::system(("tiffcp -c zip:2 '" + plain + "' '" + Deflate + "' 2>/dev/null").c_str()) == 0;
  }
  ~TTiffBenchFiles() { std::filesystem::remove_all(Dir); }
};

TTiffBenchFiles& TiffBenchFiles() {
  static TTiffBenchFiles f;
  return f;
}

void TiffBenchDecode(benchmark::State& State, bool Deflate) {
  TTiffBenchFiles& f = TiffBenchFiles();
  if (!f.Ready) return State.SkipWithError("tiffcp is not installed");
  TIEBitmap b;
  for (auto _ : State) {
    TFileStream fs(Deflate ? f.Deflate : f.Lzw, fmOpenRead);
    TIOParamsVals p;
    std::atomic<bool> abort{false};
    TIEProgressRec pr;
    pr.Aborting = &abort;
    TIEMask* mask = nullptr;
    int pages = 0;
    TiffReadImage(&b, &fs, pages, false, false, false, mask, false, pr, p);
    delete mask;
    if (abort.load() || b.Width() != kTiffBenchWidth) return State.SkipWithError("decode failed");
    benchmark::DoNotOptimize(b.Scanline(kTiffBenchHeight - 1));
  }
}

void TiffBenchTiff2rgba(benchmark::State& State, bool Deflate) {
  TTiffBenchFiles& f = TiffBenchFiles();
  if (!f.Ready) return State.SkipWithError("tiffcp is not installed");
  const std::string out = (f.Dir / "rgba.tif").string();
  const std::string cmd = "tiff2rgba -c none -n '" + (Deflate ? f.Deflate : f.Lzw) + "' '" + out + "'";
  for (auto _ : State)
    if (std::system(cmd.c_str()) != 0) return State.SkipWithError("tiff2rgba failed");
}

void BM_TiffDecodeLzw(benchmark::State& State) { TiffBenchDecode(State, false); }
void BM_TiffDecodeDeflate(benchmark::State& State) { TiffBenchDecode(State, true); }
void BM_Tiff2rgbaLzw(benchmark::State& State) { TiffBenchTiff2rgba(State, false); }
void BM_Tiff2rgbaDeflate(benchmark::State& State) { TiffBenchTiff2rgba(State, true); }

BENCHMARK(BM_TiffDecodeLzw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Tiff2rgbaLzw)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_TiffDecodeDeflate)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Tiff2rgbaDeflate)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
