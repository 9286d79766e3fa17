// Thumbnail grid benchmarks: a folder of 200 generated 24-megapixel JPEG photos shown in a
// 1280 x 800 grid of 100 x 100 cells, set up as the main window's grid (no loader threads,
// thumbnail store, as many columns as fit, display-thumbnail cache off, file names as captions).
//
// - DecodeVisible: the reference, decoding the visible photos one after another at thumbnail
//   scale (the loads the first screen cannot avoid);
// - FirstScreen: from a grid of lazy entries to every visible thumbnail drawn (no thumbnail
//   loaded yet; the files are in the system's cache), with and without the parallel decoding;
// - PaintFullGrid: repainting a screen whose thumbnails are all loaded;
// - ScrollSweep: row by row from the first photo to the last, painting each step; reports the
//   resident memory (at the end and its peak during the sweep) and the size of the store file.
//   The 2000-entry sweep shows every photo ten times (memory must follow the visible window).
//
// The photos are written once into $ORVANTA_BENCH_PHOTOS (default /tmp/orv_bench_mview_photos)
// and reused by later runs. Run from a Release build.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "imaging/codecs/iecodecs.h"
#include "imaging/codecs/jpegfilt.h"
#include "imaging/core/iebitmap.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"
#include "imaging/views/iemview.h"
#include "imaging/views/iemview_internal.h"
#include "imaging/views/ievirtualimagelist.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/forms.h"

namespace {

constexpr int kPhotoWidth = 6000, kPhotoHeight = 4000, kPhotoCount = 200;
constexpr int kGridWidth = 1280, kGridHeight = 800;

const bool kHeadless = (setenv("ORVANTA_DISPLAY", "headless", 1), true);

std::string PhotoDir() {
  const char* d = std::getenv("ORVANTA_BENCH_PHOTOS");
  return d ? d : "/tmp/orv_bench_mview_photos";
}

// A photo-like picture: smooth gradients, a disc and some grain, different for every seed (the
// grain keeps the files about as large as a camera's, which sets the cost of decoding them).
void MakePhoto(TIEBitmap& B, int Seed) {
  B.Allocate(kPhotoWidth, kPhotoHeight, ie24RGB);
  uint32_t noise = 2463534242u + static_cast<uint32_t>(Seed) * 7919u;
  const int cx = kPhotoWidth / 2 + (Seed * 97) % 1000 - 500, cy = kPhotoHeight / 2;
  for (int y = 0; y < kPhotoHeight; ++y) {
    auto* row = reinterpret_cast<TIERGBPixel*>(B.Scanline(y));
    for (int x = 0; x < kPhotoWidth; ++x) {
      noise ^= noise << 13;
      noise ^= noise >> 17;
      noise ^= noise << 5;
      const int grain = static_cast<int>(noise & 15) - 8;
      const bool disc = (x - cx) * (x - cx) + (y - cy) * (y - cy) < 1200 * 1200;
      const int r = (disc ? 200 : x * 255 / kPhotoWidth) + grain;
      const int g = (disc ? (Seed * 53) % 256 : y * 255 / kPhotoHeight) + grain;
      const int b = ((x + y + Seed * 31) % 512) / 2 + grain;
      row[x] = TIERGBPixel{static_cast<uint8_t>(std::clamp(b, 0, 255)),
                           static_cast<uint8_t>(std::clamp(g, 0, 255)),
                           static_cast<uint8_t>(std::clamp(r, 0, 255))};
    }
  }
}

const std::vector<std::string>& Photos() {
  static std::vector<std::string> names = [] {
    IEImagingStartup();
    const std::string dir = PhotoDir();
    std::filesystem::create_directories(dir);
    std::vector<std::string> out(kPhotoCount);
    for (int i = 0; i < kPhotoCount; ++i) {
      char n[32];
      std::snprintf(n, sizeof n, "/IMG_%04d.jpg", i);
      out[i] = dir + n;
    }
    std::atomic<int> next{0};
    auto work = [&] {
      TIEBitmap photo;
      for (int i; (i = next.fetch_add(1)) < kPhotoCount;) {
        if (std::filesystem::exists(out[i]) && std::filesystem::file_size(out[i]) > 100000)
          continue;
        MakePhoto(photo, i);
        TIOParamsVals p;
        p.JPEG_Quality = 90;
        std::atomic<bool> abort{false};
        TIEProgressRec pr;
        pr.Aborting = &abort;
        const std::string tmp = out[i] + ".part";
        {
          TFileStream fs(tmp, fmCreate);
          JpegWriteImage(&fs, &photo, p, pr);
        }
        std::filesystem::rename(tmp, out[i]);
      }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < 6; ++t) threads.emplace_back(work);
    for (auto& t : threads) t.join();
    return out;
  }();
  return names;
}

long StatusKB(const char* Field) {
  std::ifstream in("/proc/self/status");
  std::string line;
  while (std::getline(in, line))
    if (line.rfind(Field, 0) == 0) return std::atol(line.c_str() + std::string(Field).size());
  return 0;
}

void ResetPeakRss() { std::ofstream("/proc/self/clear_refs") << "5"; }

// The main window's grid on a shown headless form.
struct TScreen {
  explicit TScreen(int Copies = 1) {
    (void)kHeadless;
    Form = new TForm(nullptr);
    Form->SetBounds(0, 0, kGridWidth + 40, kGridHeight + 60);
    Grid = new TImageryMView(Form);
    Grid->SetParent(Form);
    Grid->SetBorderStyle(TIEBorderStyle::bsNone);
    Grid->SetBounds(0, 0, kGridWidth, kGridHeight);
    Grid->SetThreadPoolSize(0);
    Grid->SetStoreType(ietThumb);
    Grid->SetGridWidth(-1);
    Grid->SetStyle(iemsFlat);
    Grid->SetEnableMultiSelect(true);
    Grid->SetEnableImageCaching(false);
    Form->Show();
    Application()->ProcessMessages();
    std::string list;
    for (int c = 0; c < Copies; ++c)
      for (const std::string& n : Photos()) list += (list.empty() ? "" : "|") + n;
    Grid->GetMIO()->LoadFromFiles(list, false, true);
    // Nothing is painted (and so nothing loaded) before the benchmark paints.
    ValidateRect(Grid->Handle(), nullptr);
  }
  ~TScreen() {
    delete Form;
    Application()->ProcessMessages();
  }
  void Paint() {
    InvalidateRect(Grid->Handle(), nullptr, FALSE);
    UpdateWindow(Grid->Handle());
  }
  int VisibleCount() {
    int n = 0;
    for (int i = 0; i < Grid->GetImageCount(); ++i) n += Grid->IsCellOnScreen(i);
    return n;
  }
  TForm* Form;
  TImageryMView* Grid;
};

// The visible cells of the first screen, as the grid lays them out.
int VisibleOfFirstScreen() {
  static int n = [] {
    TScreen s;
    return s.VisibleCount();
  }();
  return n;
}

void DecodeVisible(benchmark::State& State) {
  const auto& photos = Photos();
  const int visible = VisibleOfFirstScreen();
  for (auto _ : State) {
    for (int i = 0; i < visible; ++i) {
      TImageryIO io(nullptr);
      TIEBitmap target;
      io.AttachBitmap(&target);
      IEThumbnailParams(io.Params, ietThumb, 100, 100);
      io.LoadFromFileAuto(photos[i]);
      benchmark::DoNotOptimize(target.Scanline(0));
      io.AttachBitmap(nullptr);
    }
  }
  State.counters["photos"] = visible;
  State.counters["photos_per_s"] =
      benchmark::Counter(visible, benchmark::Counter::kIsIterationInvariantRate);
}

void FirstScreen(benchmark::State& State) {
  const bool parallel = State.range(0) != 0;
  Photos();
  for (auto _ : State) {
    State.PauseTiming();
    auto screen = std::make_unique<TScreen>();
    screen->Grid->SetParallelDecoding(parallel);
    bool all = false;
    screen->Grid->OnAllDisplayed = [&](TObject*) { all = true; };
    State.ResumeTiming();
    screen->Paint();
    State.PauseTiming();
    if (!all) State.SkipWithError("not every visible thumbnail was drawn");
    screen.reset();
    State.ResumeTiming();
  }
  State.counters["photos"] = VisibleOfFirstScreen();
}

void PaintFullGrid(benchmark::State& State) {
  TScreen screen;
  screen.Grid->SetEnableImageCaching(State.range(0) != 0);
  screen.Paint();
  screen.Paint();
  for (auto _ : State) screen.Paint();
}

void ScrollSweep(benchmark::State& State) {
  const int copies = static_cast<int>(State.range(0));
  Photos();
  long rssEnd = 0, rssPeak = 0;
  int64_t storeSize = 0;
  for (auto _ : State) {
    State.PauseTiming();
    auto screen = std::make_unique<TScreen>(copies);
    TImageryMView* g = screen->Grid;
    screen->Paint();
    ResetPeakRss();
    State.ResumeTiming();
    int mx, my;
    g->GetMaxViewXY(mx, my);
    for (int y = 0; y <= my; y += g->ThumbHeight() + g->VertBorder()) {
      g->SetViewY(y);
      screen->Paint();
      storeSize = std::max(storeSize, g->PictureStore()->StoreSize());
    }
    g->SetViewY(my);
    screen->Paint();
    State.PauseTiming();
    rssEnd = StatusKB("VmRSS:");
    rssPeak = StatusKB("VmHWM:");
    screen.reset();
    State.ResumeTiming();
  }
  State.counters["entries"] = kPhotoCount * copies;
  State.counters["rss_end_MB"] = rssEnd / 1024.0;
  State.counters["rss_peak_MB"] = rssPeak / 1024.0;
  State.counters["store_MB"] = storeSize / 1048576.0;
}

BENCHMARK(DecodeVisible)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(FirstScreen)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("parallel")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);
BENCHMARK(PaintFullGrid)->Arg(0)->Arg(1)->ArgName("cache")->Unit(benchmark::kMillisecond);
BENCHMARK(ScrollSweep)
    ->Arg(1)
    ->Arg(10)
    ->ArgName("copies")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
