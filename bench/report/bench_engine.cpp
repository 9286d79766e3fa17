// The band engine's speed: a 10,000-row report with five text objects per row, in one pass and
// in two, reported as pages per second with the peak memory of the process; and saving and
// loading 500 prepared pages as a .pp3 stream.
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

namespace {

// A report over a user dataset of Rows rows (fields "n" and "name"): page header with the page
// counter, a master band of 20 units with five text objects.
std::unique_ptr<TrptReport> MakeReport(TrptUserDataSet*& Data, int Rows) {
  rptInstallEngine();
  auto r = std::make_unique<TrptReport>(nullptr);
  r->EngineOptions()->SilentMode = true;
  r->EngineOptions()->DestroyForms = false;
  Data = new TrptUserDataSet(r.get());
  Data->SetName("Data");
  Data->Fields()->Add("n");
  Data->Fields()->Add("name");
  Data->RangeEnd = reCount;
  Data->RangeEndCount = Rows;
  Data->OnGetValue = [Data](const std::string& Field, Variant& V) {
    V = Field == "n" ? Variant(Data->RecNo + 1) : Variant("Item " + IntToStr(Data->RecNo + 1));
  };
  r->DataSets()->Add(Data);
  auto* page = new TrptReportPage(r.get());
  page->SetParent(r.get());
  auto* header = new TrptPageHeader(r.get());
  header->SetParent(page);
  header->SetBounds(0, 0, 700, 40);
  auto* hm = new TrptMemoView(r.get());
  hm->SetParent(header);
  hm->SetBounds(0, 0, 300, 20);
  hm->SetText("Page [Page#] of [TotalPages#]");
  auto* master = new TrptMasterData(r.get());
  master->SetParent(page);
  master->SetBounds(0, 60, 700, 20);
  master->SetDataSet(Data);
  const char* texts[] = {"[Data.\"n\"]", "[Data.\"name\"]", "[Data.\"n\" * 2]", "Fixed text", "[Line#]"};
  for (int i = 0; i < 5; ++i) {
    auto* m = new TrptMemoView(r.get());
    m->SetParent(master);
    m->SetBounds(i * 140, 0, 130, 18);
    m->SetText(texts[i]);
  }
  return r;
}

long PeakKiB() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

void BM_Prepare10000Rows(benchmark::State& State) {
  TrptUserDataSet* data = nullptr;
  auto r = MakeReport(data, 10000);
  r->EngineOptions()->DoublePass = State.range(0) != 0;
  int pages = 0;
  for (auto _ : State) {
    r->PrepareReport();
    pages += r->PreviewPages()->PageCount();
  }
  State.counters["pages/s"] = benchmark::Counter(pages, benchmark::Counter::kIsRate);
  State.counters["peak KiB"] = static_cast<double>(PeakKiB());
}
BENCHMARK(BM_Prepare10000Rows)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_SaveLoad500Pages(benchmark::State& State) {
  TrptUserDataSet* data = nullptr;
  auto r = MakeReport(data, 500 * 52);
  r->PrepareReport();
  auto* pages = static_cast<TrptPreviewPages*>(r->PreviewPages());
  for (auto _ : State) {
    TMemoryStream m;
    pages->SaveToStream(&m);
    m.SetPosition(0);
    TrptPreviewPages loaded(r.get());
    loaded.LoadFromStream(&m);
    benchmark::DoNotOptimize(loaded.PageCount());
  }
  State.counters["pages"] = pages->PageCount();
}
BENCHMARK(BM_SaveLoad500Pages)->Unit(benchmark::kMillisecond);

}  // namespace
