// The two-pass filter resampler against a direct transcription of its rule (contributor lists of
// 1/256 weights mirrored at the edges, integer division truncating toward zero, horizontal pass
// into an 8-bit scratch, then vertical), over every kernel filter, shrinking and enlarging,
// colour, grey and black-and-white sources: the fast implementation gives the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/ieresample.h"
#include "imaging/core/ieutils.h"

namespace {

struct TRefPair {
  int Index, Weight;
};

std::vector<std::vector<TRefPair>> RefContributors(int dN, int sN, double scale, TResampleFilter f) {
  std::vector<std::vector<TRefPair>> out(static_cast<size_t>(dN));
  const double radius = IEFilterRadius(f);
  double width = radius, s = 1;
  if (scale < 1) {
    width = radius / scale;
    s = 1 / scale;
  }
  for (int i = 0; i < dN; ++i) {
    const double centre = i / scale;
    for (int j = static_cast<int>(std::floor(centre - width)); j <= static_cast<int>(std::ceil(centre + width)); ++j) {
      const double wv = s == 1 ? IEFilterWeight(f, centre - j) * 256 : IEFilterWeight(f, (centre - j) / s) * 256 / s;
      const int w = static_cast<int>(std::nearbyint(wv));
      if (w == 0) continue;
      int n = j < 0 ? -j : (j >= sN ? 2 * sN - j - 1 : j);
      n = std::clamp(n, 0, sN - 1);
      out[i].push_back({n, w});
    }
  }
  return out;
}

uint8_t RefFinish(int32_t A, int32_t S) {
  const int v = S != 0 ? A / S : static_cast<int>(static_cast<uint32_t>(A) >> 8);
  return static_cast<uint8_t>(std::clamp(v, 0, 255));
}

// Rows of n channels in, rows of n channels out.
std::vector<std::vector<uint8_t>> RefResample(const std::vector<std::vector<uint8_t>>& src, int sW, int n, int dW,
                                              int dH, TResampleFilter f) {
  const int sH = static_cast<int>(src.size());
  const double sx = (sW == 1 || dW == 1) ? double(dW) / sW : double(dW - 1) / (sW - 1);
  const double sy = (sH == 1 || dH == 1) ? double(dH) / sH : double(dH - 1) / (sH - 1);
  auto hc = RefContributors(dW, sW, sx, f);
  std::vector<std::vector<uint8_t>> mid(static_cast<size_t>(sH), std::vector<uint8_t>(static_cast<size_t>(dW) * n));
  for (int y = 0; y < sH; ++y)
    for (int i = 0; i < dW; ++i)
      for (int c = 0; c < n; ++c) {
        int32_t A = 0, S = 0;
        for (auto& p : hc[i]) A += p.Weight * src[y][p.Index * n + c], S += p.Weight;
        mid[y][i * n + c] = RefFinish(A, S);
      }
  auto vc = RefContributors(dH, sH, sy, f);
  std::vector<std::vector<uint8_t>> out(static_cast<size_t>(dH), std::vector<uint8_t>(static_cast<size_t>(dW) * n));
  for (int r = 0; r < dH; ++r)
    for (int i = 0; i < dW * n; ++i) {
      int32_t A = 0, S = 0;
      for (auto& p : vc[r]) A += p.Weight * mid[p.Index][i], S += p.Weight;
      out[r][i] = RefFinish(A, S);
    }
  return out;
}

// Detail that excites the negative lobes: noise over sharp edges.
uint8_t Sample(int x, int y, int c) {
  const uint32_t h = (uint32_t(x) * 73856093u) ^ (uint32_t(y) * 19349663u) ^ (uint32_t(c) * 83492791u);
  return static_cast<uint8_t>(((x / 7 + y / 5) % 2 ? 230 : 20) + int(h % 25) - 12);
}

const TResampleFilter KernelFilters[] = {rfTriangle, rfHermite, rfBell, rfBSpline, rfLanczos3, rfMitchell, rfNearest, rfLinear};
const int Sizes[][4] = {{97, 61, 26, 17}, {97, 61, 160, 99}, {40, 30, 40, 9}, {3, 50, 11, 7}, {300, 8, 4, 8}};

}  // namespace

TEST(KernelResample, ColourMatchesTheRuleExactly) {
  for (auto sz : Sizes) {
    TIEBitmap src;
    src.Allocate(sz[0], sz[1], ie24RGB);
    std::vector<std::vector<uint8_t>> rows(static_cast<size_t>(sz[1]));
    for (int y = 0; y < sz[1]; ++y) {
      for (int x = 0; x < sz[0] * 3; ++x) src.Scanline(y)[x] = Sample(x / 3, y, x % 3);
      rows[y].assign(src.Scanline(y), src.Scanline(y) + sz[0] * 3);
    }
    for (TResampleFilter f : KernelFilters) {
      SCOPED_TRACE(testing::Message() << sz[0] << "x" << sz[1] << " -> " << sz[2] << "x" << sz[3] << " filter " << int(f));
      TIEBitmap dst;
      dst.Allocate(sz[2], sz[3], ie24RGB);
      IEResampleColor(&src, &dst, f, nullptr, nullptr);
      auto want = RefResample(rows, sz[0], 3, sz[2], sz[3], f);
      int diff = 0;
      for (int y = 0; y < sz[3]; ++y)
        for (int i = 0; i < sz[2] * 3; ++i) diff += dst.Scanline(y)[i] != want[y][i];
      EXPECT_EQ(diff, 0);
    }
  }
}

TEST(KernelResample, GreyAndBitsMatchTheRuleExactly) {
  for (auto sz : Sizes) {
    TIEBitmap grey, bits;
    grey.Allocate(sz[0], sz[1], ie8g);
    bits.Allocate(sz[0], sz[1], ie1g);
    std::vector<std::vector<uint8_t>> g(static_cast<size_t>(sz[1])), b(static_cast<size_t>(sz[1]));
    for (int y = 0; y < sz[1]; ++y) {
      std::fill(bits.Scanline(y), bits.Scanline(y) + bits.RowLen(), 0);
      for (int x = 0; x < sz[0]; ++x) {
        grey.Scanline(y)[x] = Sample(x, y, 1);
        const bool on = Sample(x, y, 2) > 128;
        IESetBit(bits.Scanline(y), x, on);
        g[y].push_back(grey.Scanline(y)[x]);
        b[y].push_back(on ? 255 : 0);
      }
    }
    for (TResampleFilter f : {rfLanczos3, rfMitchell, rfTriangle}) {
      SCOPED_TRACE(testing::Message() << sz[0] << "x" << sz[1] << " filter " << int(f));
      TIEBitmap dg, db;
      dg.Allocate(sz[2], sz[3], ie8g);
      db.Allocate(sz[2], sz[3], ie24RGB);
      IEResampleGray8(&grey, &dg, f);
      IEResampleBW(&bits, &db, f);
      auto wg = RefResample(g, sz[0], 1, sz[2], sz[3], f);
      auto wb = RefResample(b, sz[0], 1, sz[2], sz[3], f);
      int diff = 0;
      for (int y = 0; y < sz[3]; ++y)
        for (int x = 0; x < sz[2]; ++x) {
          diff += dg.Scanline(y)[x] != wg[y][x];
          for (int c = 0; c < 3; ++c) diff += db.Scanline(y)[3 * x + c] != wb[y][x];
        }
      EXPECT_EQ(diff, 0);
    }
  }
}
