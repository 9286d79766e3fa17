// Published properties by name: the report reader and the script engine look every attribute and
// every member up by name, so the look-up and the generic get/set are on their hot paths.
#include <benchmark/benchmark.h>

#include "platform/rtl/component.h"
#include "platform/rtl/typinfo.h"

namespace {
class TBenchView : public TComponent {
  ORV_CLASS(TBenchView, TComponent)
public:
  using TComponent::TComponent;
  static void Publish(TPublisher<TBenchView>& P);
  double FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  int FColor = 0, FGroupIndex = 0, FCursor = 0, FCurve = 0;
  bool FVisible = true, FPrintable = true;
  std::string FTagStr, FURL, FDataField, FOnBeforePrint, FOnAfterPrint;
};
ORV_CLASS_IMPL(TBenchView, TComponent)

void TBenchView::Publish(TPublisher<TBenchView>& P) {
  P.Prop("Left", &TBenchView::FLeft);
  P.Prop("Top", &TBenchView::FTop);
  P.Prop("Width", &TBenchView::FWidth);
  P.Prop("Height", &TBenchView::FHeight);
  P.Prop("Color", &TBenchView::FColor).Type("TColor").Default(0);
  P.Prop("GroupIndex", &TBenchView::FGroupIndex).Default(0);
  P.Prop("Cursor", &TBenchView::FCursor).Type("TCursor").Default(0);
  P.Prop("Curve", &TBenchView::FCurve).Default(0);
  P.Prop("Visible", &TBenchView::FVisible).Default(true);
  P.Prop("Printable", &TBenchView::FPrintable).Default(true);
  P.Prop("TagStr", &TBenchView::FTagStr);
  P.Prop("URL", &TBenchView::FURL);
  P.Prop("DataField", &TBenchView::FDataField);
  P.Prop("OnBeforePrint", &TBenchView::FOnBeforePrint).Type("TrptNotifyEvent");
  P.Prop("OnAfterPrint", &TBenchView::FOnAfterPrint).Type("TrptNotifyEvent");
}

void BM_GetPropInfoByName(benchmark::State& state) {
  TBenchView v(nullptr);
  const char* names[] = {"left", "Height", "ONAFTERPRINT", "printable", "Missing"};
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(GetPropInfo(&v, names[i++ % 5]));
}
BENCHMARK(BM_GetPropInfoByName);

void BM_SetOrdPropByName(benchmark::State& state) {
  TBenchView v(nullptr);
  int n = 0;
  for (auto _ : state) SetOrdProp(&v, "GroupIndex", ++n);
  benchmark::DoNotOptimize(v.FGroupIndex);
}
BENCHMARK(BM_SetOrdPropByName);

// What a report writer does per object: walk the list, skip defaults, read every stored value.
void BM_WalkPropertyList(benchmark::State& state) {
  TBenchView v(nullptr);
  for (auto _ : state) {
    int written = 0;
    for (PPropInfo p : GetPropList(&v, tkProperties)) {
      if (!IsStoredProp(&v, p) || IsDefaultPropValue(&v, p)) continue;
      if (p->PropType->Kind == tkFloat)
        benchmark::DoNotOptimize(GetFloatProp(&v, p));
      else if (p->PropType->Kind == tkLString)
        benchmark::DoNotOptimize(GetStrProp(&v, p));
      else
        benchmark::DoNotOptimize(GetOrdProp(&v, p));
      ++written;
    }
    benchmark::DoNotOptimize(written);
  }
}
BENCHMARK(BM_WalkPropertyList);
}  // namespace
