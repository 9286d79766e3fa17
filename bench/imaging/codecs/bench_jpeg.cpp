// JPEG benchmarks: a folder of 24-megapixel photos (baseline and progressive) decoded at the
// scale a 100 x 100 thumbnail needs, per file, through the codec and through libjpeg-turbo's own
// scaled decoding (the goal: the codec costs at most 1.2 times the library); and encoding a
// 150 x 150 thumbnail at quality 60; and full-size decoding of the same photos through the codec
// (into a bitmap reused from the last load, and into a fresh one) against libjpeg-turbo decoding
// into a buffer of its own (the goal: the codec within 1.1 times the library).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <jpeglib.h>

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/codecs/iecodecs.h"
#include "imaging/codecs/jpegfilt.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/streams.h"

namespace {

constexpr int PhotoWidth = 6000, PhotoHeight = 4000, FilesPerKind = 3;

// The photo folder, written once per run under a fresh temporary folder.
struct TPhotoFolder {
  std::filesystem::path Dir;
  std::vector<std::string> Baseline, Progressive;
  TPhotoFolder() {
    Dir = std::filesystem::temp_directory_path() / ("orv_bench_jpeg_" + std::to_string(::getpid()));
    std::filesystem::create_directories(Dir);
    TIEBitmap photo;
    photo.Allocate(PhotoWidth, PhotoHeight, ie24RGB);
    for (int y = 0; y < PhotoHeight; ++y) {
      auto* row = reinterpret_cast<TIERGBPixel*>(photo.Scanline(y));
      for (int x = 0; x < PhotoWidth; ++x)
        row[x] = TIERGBPixel{static_cast<uint8_t>((x * 7 + y) >> 5), static_cast<uint8_t>((x ^ y) & 0xFF),
                             static_cast<uint8_t>((y * 3) >> 4)};
    }
    for (int k = 0; k < 2 * FilesPerKind; ++k) {
      bool progressive = k >= FilesPerKind;
      std::string name = (Dir / ("IMG_" + std::to_string(k) + ".jpg")).string();
      TIOParamsVals p;
      p.JPEG_Quality = 85 + k;
      p.JPEG_Progressive = progressive;
      std::atomic<bool> abort{false};
      TIEProgressRec pr;
      pr.Aborting = &abort;
      TFileStream fs(name, fmCreate);
      JpegWriteImage(&fs, &photo, p, pr);
      (progressive ? Progressive : Baseline).push_back(name);
    }
  }
  ~TPhotoFolder() { std::filesystem::remove_all(Dir); }
};

TPhotoFolder& Folder() {
  static TPhotoFolder folder;
  return folder;
}

void CodecThumbnail(benchmark::State& state, bool progressive) {
  IERegisterCodecs();
  const auto& files = progressive ? Folder().Progressive : Folder().Baseline;
  size_t i = 0;
  for (auto _ : state) {
    TFileStream fs(files[i++ % files.size()], fmOpenRead);
    TIEBitmap bmp;
    TIOParamsVals p;
    p.JPEG_Scale = 0;
    p.Width = 100;
    p.Height = 100;
    p.JPEG_DCTMethod = 1;  // the thumbnail loader's fast DCT
    std::atomic<bool> abort{false};
    TIEProgressRec pr;
    pr.Aborting = &abort;
    JpegReadImage(&fs, nullptr, &bmp, p, pr, false, false, true, false, true, true, -1, false);
    benchmark::DoNotOptimize(bmp.Scanline(0));
    if (abort.load() || p.JPEG_Scale_Used != 8) state.SkipWithError("decoding failed");
  }
}

void LibraryThumbnail(benchmark::State& state, bool progressive) {
  const auto& files = progressive ? Folder().Progressive : Folder().Baseline;
  size_t i = 0;
  std::vector<uint8_t> row;
  for (auto _ : state) {
    FILE* f = std::fopen(files[i++ % files.size()].c_str(), "rb");
    jpeg_decompress_struct ci;
    jpeg_error_mgr err;
    ci.err = jpeg_std_error(&err);
    jpeg_create_decompress(&ci);
    jpeg_stdio_src(&ci, f);
    jpeg_read_header(&ci, TRUE);
    ci.scale_num = 1;
    ci.scale_denom = 8;
    ci.dct_method = JDCT_IFAST;
    ci.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&ci);
    row.resize(static_cast<size_t>(ci.output_width) * 3);
    while (ci.output_scanline < ci.output_height) {
      JSAMPROW r = row.data();
      jpeg_read_scanlines(&ci, &r, 1);
    }
    jpeg_finish_decompress(&ci);
    jpeg_destroy_decompress(&ci);
    std::fclose(f);
    benchmark::DoNotOptimize(row.data());
  }
}

void BM_Thumbnail100_Codec_Baseline(benchmark::State& s) { CodecThumbnail(s, false); }
void BM_Thumbnail100_Library_Baseline(benchmark::State& s) { LibraryThumbnail(s, false); }
void BM_Thumbnail100_Codec_Progressive(benchmark::State& s) { CodecThumbnail(s, true); }
void BM_Thumbnail100_Library_Progressive(benchmark::State& s) { LibraryThumbnail(s, true); }
BENCHMARK(BM_Thumbnail100_Codec_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Thumbnail100_Library_Baseline)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Thumbnail100_Codec_Progressive)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Thumbnail100_Library_Progressive)->Unit(benchmark::kMillisecond);

// Full size, accurate integer DCT (the codec's default), blue-green-red rows.
void CodecFullSize(benchmark::State& state, bool reuse) {
  IERegisterCodecs();
  const auto& files = Folder().Baseline;
  size_t i = 0;
  TIEBitmap kept;
  for (auto _ : state) {
    TFileStream fs(files[i++ % files.size()], fmOpenRead);
    TIEBitmap fresh;
    TIEBitmap& bmp = reuse ? kept : fresh;
    TIOParamsVals p;
    std::atomic<bool> abort{false};
    TIEProgressRec pr;
    pr.Aborting = &abort;
    JpegReadImage(&fs, nullptr, &bmp, p, pr, false, false, true, false, true, true, -1, false);
    benchmark::DoNotOptimize(bmp.Scanline(0));
    if (abort.load() || bmp.Width() != PhotoWidth) state.SkipWithError("decoding failed");
  }
}

void LibraryFullSize(benchmark::State& state) {
  const auto& files = Folder().Baseline;
  size_t i = 0;
  std::vector<uint8_t> image(static_cast<size_t>(PhotoWidth) * 3 * PhotoHeight);
  for (auto _ : state) {
    FILE* f = std::fopen(files[i++ % files.size()].c_str(), "rb");
    jpeg_decompress_struct ci;
    jpeg_error_mgr err;
    ci.err = jpeg_std_error(&err);
    jpeg_create_decompress(&ci);
    jpeg_stdio_src(&ci, f);
    jpeg_read_header(&ci, TRUE);
    ci.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&ci);
    const size_t stride = static_cast<size_t>(ci.output_width) * 3;
    while (ci.output_scanline < ci.output_height) {
      JSAMPROW rows[8];
      for (int k = 0; k < 8; ++k)
        rows[k] = image.data() + stride * std::min<JDIMENSION>(ci.output_scanline + k, ci.output_height - 1);
      jpeg_read_scanlines(&ci, rows, 8);
    }
    jpeg_finish_decompress(&ci);
    jpeg_destroy_decompress(&ci);
    std::fclose(f);
    benchmark::DoNotOptimize(image.data());
  }
}

void BM_FullSize_Codec_ReusedBitmap(benchmark::State& s) { CodecFullSize(s, true); }
void BM_FullSize_Codec_FreshBitmap(benchmark::State& s) { CodecFullSize(s, false); }
void BM_FullSize_Library(benchmark::State& s) { LibraryFullSize(s); }
BENCHMARK(BM_FullSize_Codec_ReusedBitmap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSize_Codec_FreshBitmap)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FullSize_Library)->Unit(benchmark::kMillisecond);

// The print staging's thumbnail: 150 x 150 at quality 60 into a memory stream.
void BM_EncodeThumbnail150_Quality60(benchmark::State& state) {
  TIEBitmap thumb;
  thumb.Allocate(150, 150, ie24RGB);
  for (int y = 0; y < 150; ++y)
    for (int x = 0; x < 150; ++x)
      thumb.SetPixelRGB(x, y, TIERGBPixel{static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(x ^ y)});
  TIOParamsVals p;
  p.JPEG_Quality = 60;
  for (auto _ : state) {
    TMemoryStream out;
    std::atomic<bool> abort{false};
    TIEProgressRec pr;
    pr.Aborting = &abort;
    JpegWriteImage(&out, &thumb, p, pr);
    benchmark::DoNotOptimize(out.Memory());
  }
}
BENCHMARK(BM_EncodeThumbnail150_Quality60)->Unit(benchmark::kMicrosecond);

}  // namespace
