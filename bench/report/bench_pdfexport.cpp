// PDF export of picking-sheet reports of 100 and 1,000 pages, compressed or not, with fonts
// embedded or not: time per export, the peak memory of the process and the size of the file.
#include <benchmark/benchmark.h>

#include <sys/resource.h>

#include <memory>

#include "platform/rtl/streams.h"
#include "platform/rtl/strings.h"
#include "report/core/rptbands.h"
#include "report/core/rptclass.h"
#include "report/core/rptdataset.h"
#include "report/core/rptoptions.h"
#include "report/core/rptpreviewpages.h"
#include "report/core/rptview.h"
#include "report/output/rptexportpdf.h"

namespace {

// A picking sheet: page header with the page counter, and per row a framed line of five texts
// (number, photo file, size, copies, remark), 52 rows to a page.
std::unique_ptr<TrptReport> MakeSheet(int Pages) {
  rptInstallEngine();
  auto r = std::make_unique<TrptReport>(nullptr);
  r->EngineOptions()->SilentMode = true;
  auto* data = new TrptUserDataSet(r.get());
  data->SetName("Data");
  data->RangeEnd = reCount;
  data->RangeEndCount = Pages * 52;
  r->DataSets()->Add(data);
  auto* page = new TrptReportPage(r.get());
  page->SetParent(r.get());
  auto* header = new TrptPageHeader(r.get());
  header->SetParent(page);
  header->SetBounds(0, 0, 700, 40);
  auto* hm = new TrptMemoView(r.get());
  hm->SetParent(header);
  hm->SetBounds(0, 0, 300, 20);
  hm->SetText("Picking sheet - page [Page#] of [TotalPages#]");
  auto* master = new TrptMasterData(r.get());
  master->SetParent(page);
  master->SetBounds(0, 60, 700, 20);
  master->SetDataSet(data);
  const char* texts[] = {"[Line#]", "IMG_[Line#].JPG", "13 x 18", "2", "glossy"};
  for (int i = 0; i < 5; ++i) {
    auto* m = new TrptMemoView(r.get());
    m->SetParent(master);
    m->SetBounds(i * 140, 0, 130, 18);
    m->SetText(texts[i]);
    m->Frame()->Typ = TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom};
  }
  r->PrepareReport();
  return r;
}

long PeakKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

void BM_PdfExport(benchmark::State& State) {
  auto r = MakeSheet(static_cast<int>(State.range(0)));
  int64_t size = 0;
  for (auto _ : State) {
    TMemoryStream out;
    TrptPDFExport pdf(TrptCustomExportFilter::TUnregistered{});
    pdf.ShowDialog = false;
    pdf.Stream = &out;
    pdf.Compressed = State.range(1) != 0;
    pdf.EmbeddedFonts = State.range(2) != 0;
    r->PreviewPages()->Export(&pdf);
    size = out.Size();
  }
  State.counters["pages"] = r->PreviewPages()->PageCount();
  State.counters["bytes"] = static_cast<double>(size);
  State.counters["peak KiB"] = static_cast<double>(PeakKiB());
}
BENCHMARK(BM_PdfExport)
    ->ArgsProduct({{100, 1000}, {0, 1}, {0, 1}})
    ->ArgNames({"pages", "compressed", "embedded"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);

}  // namespace
