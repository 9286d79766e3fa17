// Text conversions that reports and grids run once per cell: float text, pictures, Format and
// date pictures.
#include <benchmark/benchmark.h>

#include "platform/rtl/dateutils.h"
#include "platform/rtl/sysutils.h"

namespace {

void BM_FloatToStr(benchmark::State& State) {
  double V = 1234.5678;
  for (auto _ : State) {
    benchmark::DoNotOptimize(FloatToStr(V));
    V += 0.001;
  }
}
BENCHMARK(BM_FloatToStr);

void BM_FormatFloatGrouped(benchmark::State& State) {
  double V = 1234567.891;
  for (auto _ : State) {
    benchmark::DoNotOptimize(FormatFloat("#,##0.00;(#,##0.00);'-'", V));
    V += 0.01;
  }
}
BENCHMARK(BM_FormatFloatGrouped);

void BM_FormatMixed(benchmark::State& State) {
  int I = 0;
  for (auto _ : State) benchmark::DoNotOptimize(Format("%d: %-10s %8.2f", {I++, "name", 3.14159}));
}
BENCHMARK(BM_FormatMixed);

void BM_FormatDateTime(benchmark::State& State) {
  TDateTime V = EncodeDateTime(2024, 3, 5, 14, 7, 9, 45);
  for (auto _ : State) benchmark::DoNotOptimize(FormatDateTime("yyyy-mm-dd hh:nn:ss", V));
}
BENCHMARK(BM_FormatDateTime);

void BM_StrToFloat(benchmark::State& State) {
  for (auto _ : State) benchmark::DoNotOptimize(StrToFloat("  -1234.5678e-3 "));
}
BENCHMARK(BM_StrToFloat);

}  // namespace
