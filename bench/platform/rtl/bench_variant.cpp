// Variant costs on the script engine's hot paths: copies, integer and float arithmetic, string
// concatenation and comparison, array element access, number-to-text conversion.
#include <benchmark/benchmark.h>

#include <string>

#include "platform/rtl/variant.h"

static void BM_CopyInteger(benchmark::State& S) {
  Variant A = 42;
  for (auto _ : S) {
    Variant B = A;
    benchmark::DoNotOptimize(B);
  }
}
BENCHMARK(BM_CopyInteger);

static void BM_CopyLongString(benchmark::State& S) {
  Variant A(std::string(200, 'x'));  // shared, not copied
  for (auto _ : S) {
    Variant B = A;
    benchmark::DoNotOptimize(B);
  }
}
BENCHMARK(BM_CopyLongString);

static void BM_AddIntegers(benchmark::State& S) {
  Variant Sum = 0, One = 1;
  for (auto _ : S) {
    Sum = Sum + One;
    benchmark::DoNotOptimize(Sum);
  }
}
BENCHMARK(BM_AddIntegers);

static void BM_MixedIntegerFloat(benchmark::State& S) {
  Variant X = 1.5, Y = 3;
  for (auto _ : S) {
    Variant R = X * Y + Y;
    benchmark::DoNotOptimize(R);
  }
}
BENCHMARK(BM_MixedIntegerFloat);

static void BM_CompareIntegers(benchmark::State& S) {
  Variant A = 3, B = 4;
  for (auto _ : S) benchmark::DoNotOptimize(A < B);
}
BENCHMARK(BM_CompareIntegers);

static void BM_ConcatStrings(benchmark::State& S) {
  Variant A = "Customer ", B = "Name";
  for (auto _ : S) {
    Variant R = A + B;
    benchmark::DoNotOptimize(R);
  }
}
BENCHMARK(BM_ConcatStrings);

static void BM_CompareStrings(benchmark::State& S) {
  Variant A = "alpha", B = "alphb";
  for (auto _ : S) benchmark::DoNotOptimize(A == B);
}
BENCHMARK(BM_CompareStrings);

static void BM_ArrayGetPut(benchmark::State& S) {
  Variant A = VarArrayCreate({0, 99}, varVariant);
  int I = 0;
  for (auto _ : S) {
    A.PutElement({I}, A.GetElement({I}) + Variant(1));
    I = (I + 1) % 100;
  }
}
BENCHMARK(BM_ArrayGetPut);

static void BM_IntegerToText(benchmark::State& S) {
  Variant A = 123456;
  for (auto _ : S) benchmark::DoNotOptimize(A.AsString());
}
BENCHMARK(BM_IntegerToText);
