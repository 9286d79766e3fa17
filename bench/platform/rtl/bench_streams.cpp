// Streams, the filer and masks: the paths that image stores, property data and file searches run
// through many times.
#include <benchmark/benchmark.h>

#include <vector>

#include "platform/rtl/filer.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"

// Many small writes, as codecs write headers and scan lines.
static void BM_MemoryStreamSmallWrites(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  for (auto _ : state) {
    TMemoryStream m;
    for (int i = 0; i < count; ++i) m.WriteBuffer(&i, sizeof i);
    benchmark::DoNotOptimize(m.Memory());
  }
  state.SetBytesProcessed(state.iterations() * count * int64_t(sizeof(int)));
}
BENCHMARK(BM_MemoryStreamSmallWrites)->Arg(1 << 10)->Arg(1 << 16);

// Whole-stream copies, as pictures move between blobs and memory.
static void BM_MemoryStreamCopyFrom(benchmark::State& state) {
  TMemoryStream src;
  src.SetSize(state.range(0));
  for (auto _ : state) {
    TMemoryStream dst;
    dst.CopyFrom(&src, 0);
    benchmark::DoNotOptimize(dst.Memory());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_MemoryStreamCopyFrom)->Arg(1 << 20)->Arg(16 << 20);

// A list of long strings written and read back, the shape of a report's collection data.
static void BM_FilerLongStringList(benchmark::State& state) {
  const std::string text(120, 'x');
  for (auto _ : state) {
    TMemoryStream m;
    {
      TWriter w(&m);
      w.WriteListBegin();
      for (int i = 0; i < 1000; ++i) {
        w.WriteListBegin();
        w.WriteLString(text);
        w.WriteListEnd();
      }
      w.WriteListEnd();
    }
    m.SetPosition(0);
    TReader r(&m);
    r.ReadListBegin();
    size_t total = 0;
    while (!r.EndOfList()) {
      r.ReadListBegin();
      total += r.ReadString().size();
      r.ReadListEnd();
    }
    r.ReadListEnd();
    benchmark::DoNotOptimize(total);
  }
}
BENCHMARK(BM_FilerLongStringList);

static void BM_MatchesMask(benchmark::State& state) {
  const std::vector<std::string> names = {"IMG_0001.JPG", "img_0002.jpeg", "notes.txt",
                                          "DSC01234.jpg", ".hidden.jpg"};
  for (auto _ : state) {
    int hits = 0;
    for (const auto& n : names) hits += MatchesMask(n, "*.jpg");
    benchmark::DoNotOptimize(hits);
  }
}
BENCHMARK(BM_MatchesMask);
