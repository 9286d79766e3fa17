// Printing a page through the PDF file printer: drawing into the page bitmap and placing it on
// a PDF page at EndPage, for A4 at the common resolutions.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/win/gdi_user.h"
#include "platform/win/winspool.h"

namespace {

void BM_PrintA4Page(benchmark::State& state) {
  char dir[] = "/tmp/orv-bench-print-XXXXXX";
  if (!mkdtemp(dir)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  std::string out = std::string(dir) + "/bench.pdf";
  DEVMODEA dm{};
  dm.dmFields = DM_PRINTQUALITY;
  dm.dmPrintQuality = static_cast<short>(state.range(0));
  HDC dc = CreateDC(nullptr, "PDF file", nullptr, &dm);
  DOCINFOA di{sizeof(DOCINFOA), "bench", out.c_str(), nullptr, 0};
  StartDoc(dc, &di);
  int w = GetDeviceCaps(dc, HORZRES), h = GetDeviceCaps(dc, VERTRES);
  for (auto _ : state) {
    StartPage(dc);
    // A page of a report: a frame of boxes and a few lines of text.
    for (int i = 0; i < 40; ++i) {
      RECT r{w / 10, h / 10 + i * h / 50, w * 9 / 10, h / 10 + i * h / 50 + h / 60};
      FrameRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      TextOutA(dc, r.left + 4, r.top + 2, "Order 4711 - 12 prints 10x15", 28);
    }
    EndPage(dc);
  }
  EndDoc(dc);
  DeleteDC(dc);
  unlink(out.c_str());
  rmdir(dir);
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_PrintA4Page)->Arg(150)->Arg(300)->Arg(600)->Unit(benchmark::kMillisecond);

}  // namespace
