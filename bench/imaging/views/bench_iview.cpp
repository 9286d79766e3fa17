// Single-image view benchmarks: a generated 6000 x 4000 photo in a 1920 x 1080 view.
//
// - PaintFitted: one full render of the back buffer with the photo fitted (AutoFit), as the
//   full-screen viewer shows it; frames per second = items per second;
// - PaintZoom100 / PaintZoom400: the same at 100 % and 400 %, scrolled into the middle;
// - Transition: one frame of a cross dissolve and of a shaped effect at 1920 x 1080.
//
// Run from a Release build.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "imaging/codecs/iecodecs.h"
#include "imaging/core/iebitmap.h"
#include "imaging/views/ietransitions.h"
#include "imaging/views/imageryview.h"
#include "platform/vcl/forms.h"

namespace {

const bool kHeadless = (setenv("ORVANTA_DISPLAY", "headless", 1), true);

void MakePhoto(TIEBitmap& B, int W, int H) {
  B.Allocate(W, H, ie24RGB);
  for (int y = 0; y < H; ++y) {
    auto* row = reinterpret_cast<TIERGBPixel*>(B.Scanline(y));
    for (int x = 0; x < W; ++x)
      row[x] = TIERGBPixel{static_cast<uint8_t>((x + y) >> 5), static_cast<uint8_t>(y >> 4),
                           static_cast<uint8_t>(x >> 4)};
  }
}

struct TViewSetup {
  TViewSetup() {
    (void)kHeadless;
    IEImagingStartup();
    Form = new TForm(nullptr);
    Form->SetBounds(0, 0, 1940, 1100);
    View = new TImageryView(Form);
    View->SetParent(Form);
    View->SetBorderStyle(TIEBorderStyle::bsNone);
    View->SetScrollBars(ssNone);
    View->SetBounds(0, 0, 1920, 1080);
    Form->Show();
    Application()->ProcessMessages();
    TIEBitmap photo;
    MakePhoto(photo, 6000, 4000);
    View->GetIEBitmap()->Assign(&photo);
    View->Update();
  }
  ~TViewSetup() {
    delete Form;
    Application()->ProcessMessages();
    IEImagingShutdown();
  }
  void Render() {
    View->MarkStale();
    View->PaintBackBuffer(RECT{0, 0, 1920, 1080});
  }
  TForm* Form = nullptr;
  TImageryView* View = nullptr;
};

TViewSetup& Setup() {
  static TViewSetup s;
  return s;
}

void BM_PaintFitted(benchmark::State& state) {
  TViewSetup& s = Setup();
  s.View->SetZoomFilter(static_cast<TResampleFilter>(state.range(0)));
  s.View->SetAutoFit(true);
  for (auto _ : state) s.Render();
  s.View->SetAutoFit(false);
  s.View->SetZoomFilter(rfNone);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PaintFitted)->Arg(rfNone)->Arg(rfFastLinear)->Unit(benchmark::kMillisecond);

void BM_PaintZoom(benchmark::State& state) {
  TViewSetup& s = Setup();
  s.View->SetZoom(static_cast<double>(state.range(0)));
  s.View->SetViewOrigin(s.View->ExtentX() / 2 - 960, s.View->ExtentY() / 2 - 540);
  for (auto _ : state) s.Render();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PaintZoom)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond);

void BM_Transition(benchmark::State& state) {
  TViewSetup& s = Setup();
  TBitmap a, b;
  a.SetPixelFormat(pf24bit);
  a.SetSize(1920, 1080);
  b.SetPixelFormat(pf24bit);
  b.SetSize(1920, 1080);
  b.Canvas()->Brush()->SetColor(0xFF0000);
  b.Canvas()->FillRect(RECT{0, 0, 1920, 1080});
  TIETransitionEffects engine(s.View);
  engine.Start(&a, &b, static_cast<TIETransitionType>(state.range(0)), 1000000);
  int step = 0;
  for (auto _ : state) {
    engine.Step = step;
    engine.ComposeFrame();
    step = (step + 37) % 1024;
  }
  engine.Stop();
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_Transition)->Arg(iettCrossDissolve)->Arg(115)->Arg(iettMoveLeftRight1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
