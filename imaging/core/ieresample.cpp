// The resamplers. Each works row by row through the bitmap's row access, so file-located images
// are processed one row window at a time; intermediate results live in plain row stores.
//
// Inner loops run over whole rows with the channel count as a template parameter (1 for grey
// and alpha, 3 for 24-bit colour), so that the compiler sees fixed strides and can vectorise the
// vertical passes, which are the hot path of thumbnail making.
#include "imaging/core/ieresample.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstring>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/ieutils.h"

namespace {


inline double RoundEven(double v) { return std::nearbyint(v); }  // default rounding: halves to even
inline uint8_t Clamp8(int v) { return v < 0 ? 0 : (v > 255 ? 255 : static_cast<uint8_t>(v)); }

double Sinc(double t) {
  if (t == 0) return 1;
  t *= std::numbers::pi;
  return std::sin(t) / t;
}

bool IsKernelFilter(TResampleFilter f) { return f >= rfTriangle && f <= rfLinear; }

// ---- contributor lists ----

struct TContributors {
  std::vector<int> start;    // first pair of each destination index (size n + 1)
  std::vector<int> index;    // source index of each pair
  std::vector<int> weight;   // weight in 1/256
};

// Lists for dN destination indexes over sN source indexes at scale `scale`.
TContributors BuildContributors(int dN, int sN, double scale, TResampleFilter filter) {
  TContributors c;
  const double radius = IEFilterRadius(filter);
  double width = radius, s = 1;
  if (scale < 1) {
    width = radius / scale;
    s = 1 / scale;
  }
  c.start.reserve(static_cast<size_t>(dN) + 1);
  c.index.reserve(static_cast<size_t>(dN) * static_cast<size_t>(2 * width + 1));
  c.weight.reserve(c.index.capacity());
  for (int i = 0; i < dN; ++i) {
    c.start.push_back(static_cast<int>(c.index.size()));
    const double centre = i / scale;
    const int left = IEFloor(centre - width), right = IECeil(centre + width);
    for (int j = left; j <= right; ++j) {
      const double wv = s == 1 ? IEFilterWeight(filter, centre - j) * 256 : IEFilterWeight(filter, (centre - j) / s) * 256 / s;
      const int weight = static_cast<int>(RoundEven(wv));
      if (weight == 0) continue;
      int n = j < 0 ? -j : (j >= sN ? 2 * sN - j - 1 : j);
      n = std::clamp(n, 0, sN - 1);
      c.index.push_back(n);
      c.weight.push_back(weight);
    }
  }
  c.start.push_back(static_cast<int>(c.index.size()));
  return c;
}

inline uint8_t Finish(int32_t A, int32_t S) {
  if (S != 0) return Clamp8(A / S);
  return Clamp8(static_cast<int>(static_cast<uint32_t>(A) >> 8));
}

// Reads source row y as N channels of bytes: ie1g bits as 0/255 (N = 1), otherwise the row.
template <int N>
const uint8_t* SourceRow(TIEBitmap* src, int y, std::vector<uint8_t>& buf) {
  const uint8_t* s = src->Scanline(y);
  if (src->PixelFormat() != ie1g) return s;
  const int w = src->Width();
  for (int x = 0; x < w; ++x) buf[x] = IEGetBit(s, x) ? 255 : 0;
  return buf.data();
}

// Horizontal contributors in fixed-width form, for a pass that reads each destination's taps as
// one run of a source row padded by mirroring on both sides: destination i reads Taps values from
// padded column Base[i] on, with Weight[i * Taps + k] (zero where the list above has no pair), so
// the inner loop has no index table and no bounds. Sum and Inverse hold each destination's S and
// 1 / S.
struct TPaddedContributors {
  int Taps = 0, Pad = 0;
  std::vector<int> Base, Sum;
  std::vector<float> Weight;
  std::vector<double> Inverse;
};

TPaddedContributors BuildPaddedContributors(int dN, int sN, double scale, TResampleFilter filter) {
  TPaddedContributors c;
  const double radius = IEFilterRadius(filter);
  double width = radius, s = 1;
  if (scale < 1) {
    width = radius / scale;
    s = 1 / scale;
  }
  std::vector<int> left(static_cast<size_t>(dN)), right(static_cast<size_t>(dN));
  int lowest = 0, highest = sN - 1;
  for (int i = 0; i < dN; ++i) {
    const double centre = i / scale;
    left[i] = IEFloor(centre - width);
    right[i] = IECeil(centre + width);
    c.Taps = std::max(c.Taps, right[i] - left[i] + 1);
    lowest = std::min(lowest, left[i]);
  }
  c.Taps = (c.Taps + 3) / 4 * 4;  // whole groups of four taps (the extra weights are 0)
  for (int i = 0; i < dN; ++i) highest = std::max(highest, left[i] + c.Taps - 1);  // every run fits
  c.Pad = std::max(-lowest, highest - (sN - 1));
  c.Base.resize(static_cast<size_t>(dN));
  c.Sum.assign(static_cast<size_t>(dN), 0);
  c.Inverse.assign(static_cast<size_t>(dN), 0);
  c.Weight.assign(static_cast<size_t>(dN) * c.Taps, 0.0f);
  for (int i = 0; i < dN; ++i) {
    const double centre = i / scale;
    c.Base[i] = left[i] + c.Pad;
    for (int j = left[i]; j <= right[i]; ++j) {
      const double wv = s == 1 ? IEFilterWeight(filter, centre - j) * 256 : IEFilterWeight(filter, (centre - j) / s) * 256 / s;
      const int weight = static_cast<int>(RoundEven(wv));
      c.Weight[static_cast<size_t>(i) * c.Taps + (j - left[i])] = static_cast<float>(weight);
      c.Sum[i] += weight;
    }
    c.Inverse[i] = c.Sum[i] != 0 ? 1.0 / c.Sum[i] : 0;
  }
  return c;
}

// The source index of padded column k: mirrored at both edges, then limited to the row.
inline int MirroredIndex(int j, int sN) {
  const int n = j < 0 ? -j : (j >= sN ? 2 * sN - j - 1 : j);
  return std::clamp(n, 0, sN - 1);
}

// clamp(trunc(A / S)) computed as a product: A and S are integers with |A| < 2^24 and
// 0 < S <= 65536, so the quotient is an integer exactly or lies at least 1/S from one, and the
// product's rounding error (far below 1e-6) never moves it across an integer.
constexpr double QuotientEps = 1e-6;
inline uint8_t FinishScaled(double A, double Inverse) {
  double q = A * Inverse + QuotientEps;
  q = q < 0.0 ? 0.0 : q;  // written so that the compiler emits min and max, no branches
  q = q > 255.0 ? 255.0 : q;
  return static_cast<uint8_t>(static_cast<int>(q));
}
inline bool ScaledFinishApplies(int S) { return S > 0 && S <= 65536; }

// Pixels as vectors of four floats (blue, green, red, unused) for the three-channel pass; one
// float for one channel. Integer weights times bytes, summed in floats, stay exact integers below
// 2^24 (the sum of a list's absolute weights stays far below 2^24 / 255).
typedef float TFloat4 __attribute__((vector_size(16)));
template <int N> struct TLane { using Type = float; };
template <> struct TLane<3> { using Type = TFloat4; };

// The horizontal pass's scratch image, kept per thread between calls so that a large resample
// does not pay a fresh block (and its page faults) each time; very large stores are given back.
thread_local std::vector<uint8_t> ScratchStore;
constexpr size_t KeptScratchBytes = size_t(64) << 20;

// Two-pass kernel resampler. N channels in the source rows; OutN channels written per pixel
// (3 from 1 for the black-and-white variant).
template <int N, int OutN>
void KernelResample(TIEBitmap* src, TIEBitmap* dst, TResampleFilter filter, TIEProgress* prog) {
  using Lane = typename TLane<N>::Type;
  const int sW = src->Width(), sH = src->Height(), dW = dst->Width(), dH = dst->Height();
  if (sW == 0 || sH == 0 || dW == 0 || dH == 0 || (sW < 2 && sH < 2)) return;
  const double sx = (sW == 1 || dW == 1) ? double(dW) / sW : double(dW - 1) / (sW - 1);
  const double sy = (sH == 1 || dH == 1) ? double(dH) / sH : double(dH - 1) / (sH - 1);
  const double total = sH + dH + 0.5;
  const size_t scratchBytes = static_cast<size_t>(dW) * N * sH;
  // Taken out of the thread's store for the call, so that a resample started from a progress
  // event gets a store of its own.
  std::vector<uint8_t> store;
  store.swap(ScratchStore);
  if (store.size() < scratchBytes) store.resize(scratchBytes);
  uint8_t* scratch = store.data();
  {
    const TPaddedContributors hc = BuildPaddedContributors(dW, sW, sx, filter);
    const int T = hc.Taps;
    std::vector<uint8_t> rowbuf(static_cast<size_t>(sW));
    // The source row as floats, N per pixel, mirror-padded by Pad pixels on both sides (one float
    // more at the end: a pixel is read as four floats, the fourth belonging to its neighbour and
    // never used).
    const int P = hc.Pad;
    std::vector<float> padded((static_cast<size_t>(sW) + 2 * static_cast<size_t>(P)) * N + 1, 0.0f);
    for (int y = 0; y < sH; ++y) {
      const uint8_t* s = SourceRow<N>(src, y, rowbuf);
      float* f = padded.data();
      for (int k = 0; k < P; ++k)
        for (int ch = 0; ch < N; ++ch) f[k * N + ch] = s[MirroredIndex(k - P, sW) * N + ch];
      float* mid = f + static_cast<size_t>(P) * N;
      for (int k = 0; k < sW * N; ++k) mid[k] = s[k];  // contiguous: vectorised
      for (int k = sW + P; k < sW + 2 * P; ++k)
        for (int ch = 0; ch < N; ++ch) f[k * N + ch] = s[MirroredIndex(k - P, sW) * N + ch];
      uint8_t* d = scratch + static_cast<size_t>(y) * dW * N;
      for (int i = 0; i < dW; ++i) {
        const float* px = f + static_cast<size_t>(hc.Base[i]) * N;
        auto at = [px](int k) {
          if constexpr (N == 3) {
            TFloat4 v;
            std::memcpy(&v, px + 3 * k, sizeof v);
            return v;
          } else {
            return px[k];
          }
        };
        const float* w = hc.Weight.data() + static_cast<size_t>(i) * T;
        // Four partial sums, so that the additions do not wait on each other (each partial sum is
        // an exact integer too, so the order changes nothing).
        Lane acc0{}, acc1{}, acc2{}, acc3{};
        int k = 0;
        for (; k + 4 <= T; k += 4) {
          acc0 += at(k) * w[k];
          acc1 += at(k + 1) * w[k + 1];
          acc2 += at(k + 2) * w[k + 2];
          acc3 += at(k + 3) * w[k + 3];
        }
        for (; k < T; ++k) acc0 += at(k) * w[k];
        const Lane acc = (acc0 + acc1) + (acc2 + acc3);
        float a[4];
        if constexpr (N == 3) {
          a[0] = acc[0], a[1] = acc[1], a[2] = acc[2];
        } else {
          a[0] = acc;
        }
        if (ScaledFinishApplies(hc.Sum[i])) {
          for (int ch = 0; ch < N; ++ch) d[i * N + ch] = FinishScaled(a[ch], hc.Inverse[i]);
        } else {
          for (int ch = 0; ch < N; ++ch) d[i * N + ch] = Finish(static_cast<int32_t>(a[ch]), hc.Sum[i]);
        }
      }
      if (prog) prog->Changed(static_cast<int>((y + 1) * 100 / total));
    }
  }
  const TContributors vc = BuildContributors(dH, sH, sy, filter);
  const int rowN = dW * N;
  std::vector<int32_t> acc(static_cast<size_t>(rowN));
  std::vector<uint8_t> out(static_cast<size_t>(rowN));
  for (int r = 0; r < dH; ++r) {
    std::fill(acc.begin(), acc.end(), 0);
    int32_t S = 0;
    for (int k = vc.start[r]; k < vc.start[r + 1]; ++k) {
      const int w = vc.weight[k];
      const uint8_t* srow = scratch + static_cast<size_t>(vc.index[k]) * rowN;
      S += w;
      int32_t* a = acc.data();
      for (int i = 0; i < rowN; ++i) a[i] += w * srow[i];
    }
    if (ScaledFinishApplies(S)) {
      const double inv = 1.0 / S;
      for (int i = 0; i < rowN; ++i) out[i] = FinishScaled(acc[i], inv);
    } else {
      for (int i = 0; i < rowN; ++i) out[i] = Finish(acc[i], S);
    }
    uint8_t* d = dst->Scanline(r);
    if constexpr (OutN == N) {
      std::memcpy(d, out.data(), static_cast<size_t>(rowN));
    } else {
      for (int i = 0; i < dW; ++i) d[3 * i] = d[3 * i + 1] = d[3 * i + 2] = out[i];
    }
    if (prog) prog->Changed(static_cast<int>((sH + r + 1) * 100 / total));
  }
  if (store.capacity() <= KeptScratchBytes) ScratchStore.swap(store);
}

// ---- fast linear ----

struct TFastCols {
  std::vector<int> pos, frac, last;
};
TFastCols FastColumns(int dN, double ratio) {
  TFastCols c;
  c.pos.resize(dN);
  c.frac.resize(dN);
  c.last.resize(dN);
  for (int i = 0; i < dN; ++i) {
    const double t = i / ratio;
    c.pos[i] = static_cast<int>(t);
    c.frac[i] = static_cast<int>((t - c.pos[i]) * 131072);
    c.last[i] = static_cast<int>(std::min(i + 1, dN - 1) / ratio + 1e-10);
  }
  return c;
}

// N channels in, OutN channels out (3 from 1 for bits); Interp forces interpolation in both
// directions (the black-and-white variant).
template <int N, int OutN>
void FastLinear(TIEBitmap* src, TIEBitmap* dst, TIEProgress* prog, bool forceInterp) {
  const int sW = src->Width(), sH = src->Height(), dW = dst->Width(), dH = dst->Height();
  if (sW == 0 || sH == 0 || dW == 0 || dH == 0) return;
  const double rx = double(dW) / sW, ry = double(dH) / sH;
  const double total = sH + dH + 0.5;
  const TFastCols cols = FastColumns(dW, rx);
  const int rowN = dW * N;
  std::vector<uint8_t> scratch(static_cast<size_t>(rowN) * sH);
  std::vector<uint8_t> rowbuf(static_cast<size_t>(sW));
  const bool hInterp = forceInterp || rx > 1, vInterp = forceInterp || ry > 1;
  for (int y = 0; y < sH; ++y) {
    const uint8_t* s = SourceRow<N>(src, y, rowbuf);
    uint8_t* d = scratch.data() + static_cast<size_t>(y) * rowN;
    if (hInterp) {
      for (int i = 0; i < dW; ++i) {
        const int p = cols.pos[i], q = std::min(p + 1, sW - 1), f = cols.frac[i];
        for (int ch = 0; ch < N; ++ch) {
          const int a = s[p * N + ch], b = s[q * N + ch];
          d[i * N + ch] = static_cast<uint8_t>(a + (((b - a) * f) >> 17));
        }
      }
    } else {
      for (int i = 0; i < dW; ++i) {
        const int p = cols.pos[i], l = std::min(cols.last[i], sW - 1), n = l - p + 1;
        int sum[N] = {};
        for (int x = p; x <= l; ++x)
          for (int ch = 0; ch < N; ++ch) sum[ch] += s[x * N + ch];
        for (int ch = 0; ch < N; ++ch) d[i * N + ch] = static_cast<uint8_t>(sum[ch] / n);
      }
    }
    if (prog) prog->Report(static_cast<int>(y * 100 / total));
  }
  std::vector<uint32_t> acc(static_cast<size_t>(rowN));
  std::vector<uint8_t> out(static_cast<size_t>(rowN));
  for (int j = 0; j < dH; ++j) {
    if (vInterp) {
      const double t = j / ry;
      const int p = std::min(static_cast<int>(t), sH - 1), f = static_cast<int>((t - static_cast<int>(t)) * 131072);
      const int q = p + 1 >= sH ? p : p + 1;
      const uint8_t* a = scratch.data() + static_cast<size_t>(p) * rowN;
      const uint8_t* b = scratch.data() + static_cast<size_t>(q) * rowN;
      for (int i = 0; i < rowN; ++i) out[i] = static_cast<uint8_t>(a[i] + (((b[i] - a[i]) * f) >> 17));
    } else {
      const int p = static_cast<int>(j / ry);
      const int l = std::min(static_cast<int>(std::min(j + 1, dH - 1) / ry), sH - 1);
      std::fill(acc.begin(), acc.end(), 0u);
      for (int r = p; r <= l; ++r) {
        const uint8_t* s = scratch.data() + static_cast<size_t>(r) * rowN;
        uint32_t* a = acc.data();
        for (int i = 0; i < rowN; ++i) a[i] += s[i];
      }
      const uint32_t n = static_cast<uint32_t>(l - p + 1);
      for (int i = 0; i < rowN; ++i) out[i] = static_cast<uint8_t>(acc[i] / n);
    }
    uint8_t* d = dst->Scanline(j);
    if constexpr (OutN == N) {
      std::memcpy(d, out.data(), static_cast<size_t>(rowN));
    } else {
      for (int i = 0; i < dW; ++i) d[3 * i] = d[3 * i + 1] = d[3 * i + 2] = out[i];
    }
    if (prog) prog->Report(static_cast<int>((sH + j) * 100 / total));
  }
}

// ---- area resampler with bilinear or bicubic evaluation ----

inline double CubicK(double d) {  // |d| <= 1
  const double a = std::fabs(d);
  return a * a * a - 2 * d * d + 1;
}
inline double CubicKK(double d) {  // 1 < |d| <= 2
  const double a = std::fabs(d);
  return -a * a * a + 5 * d * d - 8 * a + 4;
}
inline double Cubic(double pm1, double p0, double p1, double p2, double t, double maxv) {
  const double v = pm1 * CubicKK(t + 1) + p0 * CubicK(t) + p1 * CubicK(t - 1) + p2 * CubicKK(t - 2);
  return v < 0 ? 0 : (v > maxv ? maxv : v);
}

struct TSegment {
  int c;          // source column
  double len;     // length in source pixels
  double f;       // fraction for the point evaluation
  bool endsDest;  // the segment closes a destination pixel
};

template <typename T, int N>
void AreaResample(TIEBitmap* src, TIEBitmap* dst, bool bicubic, TIEProgress* prog) {
  const int sW = src->Width(), sH = src->Height(), dW = dst->Width(), dH = dst->Height();
  if (sW == 0 || sH == 0 || dW == 0 || dH == 0) return;
  const double maxv = sizeof(T) == 1 ? 255 : 65535;
  const double gx = double(sW) / dW, gy = double(sH) / dH;
  const bool twoD = gx < 1 && gy < 1, hOnly = gx < 1 && gy >= 1, vOnly = gx >= 1 && gy < 1;
  // Horizontal segments (the same for every vertical segment).
  std::vector<TSegment> segs;
  segs.reserve(static_cast<size_t>(sW) + dW + 2);
  {
    int c = 0, done = 0;
    double X = 0, J = 0;
    while (done < dW) {
      if (c + 1 + 0.0001 >= J + gx) {
        segs.push_back({std::min(c, sW - 1), J + gx - X, J + gx - c, true});
        X = J + gx;
        J += gx;
        ++done;
      } else {
        segs.push_back({std::min(c, sW - 1), c + 1 - X, 1, false});
        X = c + 1;
        ++c;
      }
    }
  }
  // Four rows kept by index (previous, current, next, after-next), each read once.
  std::vector<std::vector<T>> cache(4, std::vector<T>(static_cast<size_t>(sW) * N));
  int cached[4] = {-1, -1, -1, -1};
  auto row = [&](int k) -> const T* {
    k = std::clamp(k, 0, sH - 1);
    for (int i = 0; i < 4; ++i)
      if (cached[i] == k) return cache[i].data();
    int slot = 0;  // replace the lowest row index
    for (int i = 1; i < 4; ++i)
      if (cached[i] < cached[slot]) slot = i;
    std::memcpy(cache[slot].data(), src->Scanline(k), static_cast<size_t>(sW) * N * sizeof(T));
    cached[slot] = k;
    return cache[slot].data();
  };
  std::vector<double> acc(static_cast<size_t>(dW) * N, 0.0);
  const double norm = gx * gy;
  // Plain area average (shrinking both ways, the thumbnail case): the value of a segment is the
  // current pixel, so each source row is reduced once to per-destination-column sums of
  // length x value, and each vertical segment adds those sums times its height.
  const bool area = !twoD && !hOnly && !vOnly;
  std::vector<double> hsum(area ? acc.size() : 0);
  int hsumRow = -1;
  const std::vector<TSegment> none;
  const std::vector<TSegment>& pointSegs = area ? none : segs;
  int j = 0, remaining = dH;
  double Y = 0, E = 0;
  while (remaining > 0) {
    double height, fy;
    bool endsDest;
    if (j + 1 + 0.0001 >= E + gy) {
      height = E + gy - Y;
      fy = E + gy - j;
      E += gy;
      Y = E;
      endsDest = true;
    } else {
      height = j + 1 - Y;
      fy = 1;
      Y = j + 1;
      endsDest = false;
    }
    if (area) {
      if (hsumRow != j) {
        const T* cur = row(j);
        std::fill(hsum.begin(), hsum.end(), 0.0);
        int dc = 0;
        for (const TSegment& sg : segs) {
          double* h = hsum.data() + static_cast<size_t>(std::min(dc, dW - 1)) * N;
          const T* p = cur + sg.c * N;
          for (int ch = 0; ch < N; ++ch) h[ch] += sg.len * p[ch];
          dc += sg.endsDest;
        }
        hsumRow = j;
      }
      double* a = acc.data();
      const double* h = hsum.data();
      for (size_t i = 0; i < acc.size(); ++i) a[i] += h[i] * height;
    }
    const T* prev = row(j - 1);
    const T* cur = row(j);
    const T* next = row(j + 1);
    const T* after = row(j + 2);
    int dc = 0;
    for (const TSegment& sg : pointSegs) {
      const double wgt = sg.len * height;
      const int c = sg.c, cm = std::max(c - 1, 0), c1 = std::min(c + 1, sW - 1), c2 = std::min(c + 2, sW - 1);
      const double fx = sg.f;
      double* a = acc.data() + static_cast<size_t>(std::min(dc, dW - 1)) * N;
      for (int ch = 0; ch < N; ++ch) {
        double v;
        if (twoD) {
          if (bicubic) {
            auto hcub = [&](const T* r) {
              return RoundEven(Cubic(r[cm * N + ch], r[c * N + ch], r[c1 * N + ch], r[c2 * N + ch], fx, maxv));
            };
            v = Cubic(hcub(prev), hcub(cur), hcub(next), hcub(after), fy, maxv);
          } else {
            v = (1 - fy) * ((1 - fx) * cur[c * N + ch] + fx * cur[c1 * N + ch]) +
                fy * ((1 - fx) * next[c * N + ch] + fx * next[c1 * N + ch]);
          }
        } else if (hOnly) {
          v = bicubic ? Cubic(cur[cm * N + ch], cur[c * N + ch], cur[c1 * N + ch], cur[c2 * N + ch], fx, maxv)
                      : (1 - fx) * cur[c * N + ch] + fx * cur[c1 * N + ch];
        } else if (vOnly) {
          v = bicubic ? Cubic(prev[c * N + ch], cur[c * N + ch], next[c * N + ch], after[c * N + ch], fy, maxv)
                      : (1 - fy) * cur[c * N + ch] + fy * next[c * N + ch];
        } else {
          v = cur[c * N + ch];
        }
        a[ch] += v * wgt;
      }
      if (sg.endsDest) ++dc;
    }
    if (endsDest) {
      const int r = dH - remaining;
      T* d = reinterpret_cast<T*>(dst->Scanline(r));
      for (size_t i = 0; i < acc.size(); ++i) {
        const double v = RoundEven(acc[i] / norm);
        d[i] = static_cast<T>(v < 0 ? 0 : (v > maxv ? maxv : v));
        acc[i] = 0;
      }
      --remaining;
      if (prog) prog->Report(static_cast<int>((r + 1.0) / dH * 100));
    } else {
      ++j;
    }
  }
}

// ---- black-and-white projections ----

void Project(TIEBitmap* src, TIEBitmap* dst, bool blackOnWhite, TIEProgress* prog) {
  const int sW = src->Width(), sH = src->Height();
  if (dst->PixelFormat() != ie1g) dst->Allocate(dst->Width(), dst->Height(), ie1g);
  const int dW = dst->Width(), dH = dst->Height();
  if (sW == 0 || sH == 0 || dW == 0 || dH == 0) return;
  const uint8_t sAccess = src->Access, dAccess = dst->Access;
  src->Access = iaRead;
  dst->Access = iaWrite;
  std::vector<int> cs(static_cast<size_t>(dW));
  for (int k = 0; k < dW; ++k) cs[k] = static_cast<int>(double(sW) / dW * k);
  const double d = double(sH) / dH;
  const bool bits = src->PixelFormat() == ie1g;
  std::vector<uint8_t> out(static_cast<size_t>((dW + 7) / 8));
  for (int j = 0; j < dH; ++j) {
    std::fill(out.begin(), out.end(), blackOnWhite ? 255 : 0);
    const int r0 = j == 0 ? 0 : static_cast<int>(d * (j - 1)), r1 = std::min(j == 0 ? 0 : static_cast<int>(d * j), sH - 1);
    for (int r = r0; r <= r1; ++r) {
      const uint8_t* s = src->Scanline(r);
      for (int k = 0; k < dW; ++k) {
        const bool already = IEGetBit(out.data(), k) != blackOnWhite;
        if (already) continue;
        const int c0 = k == 0 ? 0 : cs[k - 1], c1 = std::min(k == 0 ? 0 : cs[k], sW - 1);
        for (int c = c0; c <= c1; ++c) {
          bool hit;
          if (bits) {
            hit = IEGetBit(s, c) != blackOnWhite;
          } else {
            const uint8_t* p = s + 3 * c;
            hit = blackOnWhite ? (p[0] < 128 && p[1] < 128 && p[2] < 128) : (p[0] > 128 && p[1] > 128 && p[2] > 128);
          }
          if (hit) {
            IESetBit(out.data(), k, !blackOnWhite);
            break;
          }
        }
      }
    }
    std::memcpy(dst->Scanline(j), out.data(), out.size());
    if (prog) prog->Report(static_cast<int>(j * 100 / (dH + 0.5)));
  }
  src->Access = sAccess;
  dst->Access = dAccess;
}

}  // namespace

double IEFilterRadius(TResampleFilter Filter) {
  switch (Filter) {
    case rfBell:
      return 1.5;
    case rfBSpline:
    case rfMitchell:
      return 2.0;
    case rfLanczos3:
      return 3.0;
    default:
      return 1.0;
  }
}

double IEFilterWeight(TResampleFilter Filter, double x) {
  const double a = std::fabs(x);
  switch (Filter) {
    case rfTriangle:
      return a < 1 ? 1 - a : 0;
    case rfHermite:
      return a < 1 ? (2 * a - 3) * x * x + 1 : 0;
    case rfBell:
      if (a < 0.5) return 0.75 - x * x;
      if (a < 1.5) return 0.5 * (a - 1.5) * (a - 1.5);
      return 0;
    case rfBSpline:
      if (a < 1) return 0.5 * a * a * a - x * x + 2.0 / 3.0;
      if (a < 2) return (2 - a) * (2 - a) * (2 - a) / 6;
      return 0;
    case rfLanczos3:
      return a < 3 ? Sinc(x) * Sinc(x / 3) : 0;
    case rfMitchell:
      if (a < 1) return (7 * a * a * a - 12 * x * x + 16.0 / 3.0) / 6;
      if (a < 2) return (-(7.0 / 3.0) * a * a * a + 12 * x * x - 20 * a + 32.0 / 3.0) / 6;
      return 0;
    case rfNearest:
      return (x > -0.5 && x <= 0.5) ? 1 : 0;
    case rfLinear:
      if (x >= -1 && x < 0) return x + 1;
      if (x >= 0 && x < 1) return 1 - x;
      return 0;
    default:
      return 0;
  }
}

void IEResampleColor(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter, const TIEProgressEvent& OnProgress,
                     TObject* Sender) {
  if (!Source || !Dest || Source->IsEmpty()) return;
  TIEProgress progress(Sender, OnProgress);
  TIEProgress* prog = progress.Active() ? &progress : nullptr;
  const TIEPixelFormat pf = Source->PixelFormat();
  const bool bilinear = Filter == rfBilinear, bicubic = Filter == rfBicubic;
  if ((bilinear || bicubic) && (pf == ie24RGB || pf == ie8g)) {
    if (Dest->PixelFormat() != pf) return;
    if (pf == ie24RGB)
      AreaResample<uint8_t, 3>(Source, Dest, bicubic, prog);
    else
      AreaResample<uint8_t, 1>(Source, Dest, bicubic, prog);
    return;
  }
  if ((bilinear || bicubic) && (pf == ieRGB48 || pf == ie16g)) {
    if (Dest->PixelFormat() != pf) return;
    if (pf == ieRGB48)
      AreaResample<uint16_t, 3>(Source, Dest, bicubic, prog);
    else
      AreaResample<uint16_t, 1>(Source, Dest, bicubic, prog);
    return;
  }
  if (pf == ie8g) {
    IEResampleGray8(Source, Dest, Filter);
    return;
  }
  if (pf != ie24RGB) return;
  if (Filter == rfFastLinear) {
    if (Dest->PixelFormat() != ie24RGB) return;
    if (Source->Width() == Dest->Width() && Source->Height() == Dest->Height()) {
      Dest->Assign(Source);
      return;
    }
    FastLinear<3, 3>(Source, Dest, prog, false);
  } else if (Filter == rfProjectBW || Filter == rfProjectWB) {
    Project(Source, Dest, Filter == rfProjectBW, prog);
  } else if (IsKernelFilter(Filter)) {
    if (Dest->PixelFormat() != ie24RGB) return;
    KernelResample<3, 3>(Source, Dest, Filter, prog);
  }
}

void IEResampleGray8(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter) {
  if (!Source || !Dest || Source->IsEmpty() || Source->BitCount() != 8 || Dest->BitCount() != 8) return;
  if (Filter == rfFastLinear || Filter == rfBilinear || Filter == rfBicubic || Filter == rfProjectBW ||
      Filter == rfProjectWB) {
    if (Source->Width() == Dest->Width() && Source->Height() == Dest->Height()) {
      Dest->Assign(Source);
      return;
    }
    FastLinear<1, 1>(Source, Dest, nullptr, false);
  } else if (IsKernelFilter(Filter)) {
    KernelResample<1, 1>(Source, Dest, Filter, nullptr);
  }
}

void IEResampleBW(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter) {
  if (!Source || !Dest || Source->IsEmpty() || Source->PixelFormat() != ie1g) return;
  const int sW = Source->Width(), sH = Source->Height(), dW = Dest->Width(), dH = Dest->Height();
  if (Filter == rfFastLinear || Filter == rfBilinear || Filter == rfBicubic) {
    if (sW == dW && sH == dH) {
      Dest->Assign(Source);
      return;
    }
    if (Dest->PixelFormat() != ie24RGB || dW == 0 || dH == 0) return;
    if (double(dW) / sW >= 1 || double(dH) / sH >= 1)
      FastLinear<1, 3>(Source, Dest, nullptr, true);
    else
      IEShrinkBWToGray(Source, 0, 0, sW - 1, sH - 1, Dest);
  } else if (Filter == rfProjectBW || Filter == rfProjectWB) {
    Project(Source, Dest, Filter == rfProjectBW, nullptr);
  } else if (IsKernelFilter(Filter)) {
    if (Dest->PixelFormat() != ie24RGB) return;
    KernelResample<1, 3>(Source, Dest, Filter, nullptr);
  }
}

void IEShrinkBWToGray(TIEBitmap* Source, int x1, int y1, int x2, int y2, TIEBitmap* Dest) {
  if (!Source || !Dest || Source->IsEmpty() || Dest->IsEmpty()) return;
  if (Source->PixelFormat() != ie1g || Dest->PixelFormat() != ie24RGB) return;
  const int sW = Source->Width(), sH = Source->Height(), dW = Dest->Width(), dH = Dest->Height();
  const double xr = double(x2 - x1 + 1) / dW, yr = double(y2 - y1 + 1) / dH;
  const int iy = static_cast<int>(yr);
  std::vector<int> left(static_cast<size_t>(dW)), right(static_cast<size_t>(dW));
  for (int j = 0; j < dW; ++j) {
    left[j] = std::clamp(x1 + static_cast<int>(j * xr - xr / 2), 0, sW - 1);
    right[j] = std::clamp(x1 + static_cast<int>(j * xr + xr / 2), 0, sW - 1);
  }
  std::vector<int> ones(static_cast<size_t>(dW));
  for (int i = 0; i < dH; ++i) {
    const int top = std::clamp(static_cast<int>(i * yr - yr / 2), 0, sH - 1);
    const int bottom = std::clamp(static_cast<int>(i * yr + iy / 2.0), 0, sH - 1);
    std::fill(ones.begin(), ones.end(), 0);
    int rows = 0;
    for (int r = top; r <= bottom; ++r) {
      const int sy = std::clamp(y1 + r, 0, sH - 1);
      const uint8_t* s = Source->Scanline(sy);
      ++rows;
      for (int j = 0; j < dW; ++j)
        for (int c = left[j]; c <= right[j]; ++c) ones[j] += IEGetBit(s, c);
    }
    uint8_t* d = Dest->Scanline(i);
    for (int j = 0; j < dW; ++j) {
      const int n = rows * (right[j] - left[j] + 1);
      d[3 * j] = d[3 * j + 1] = d[3 * j + 2] = static_cast<uint8_t>(n ? 255 * ones[j] / n : 0);
    }
  }
}

TIEBitmap* IEStretch(TIEBitmap* Source, TIEBitmap* Dest, TObject* Sender, const TIEProgressEvent& OnProgress) {
  if (!Source || !Dest || Source->IsEmpty() || Dest->IsEmpty()) return Dest;
  if (Source->PixelFormat() != Dest->PixelFormat()) return Dest;
  const int sW = Source->Width(), sH = Source->Height(), dW = Dest->Width(), dH = Dest->Height();
  const TIEPixelFormat pf = Source->PixelFormat();
  const int bpp = IEBytesPerPixel(pf);
  std::vector<int> cols(static_cast<size_t>(dW));
  const double fx = double(sW) / dW, fy = double(sH) / dH;
  for (int x = 0; x < dW; ++x) cols[x] = std::min(static_cast<int>(x * fx), sW - 1);
  if (pf == ie8p) Source->CopyPaletteTo(Dest);
  const uint8_t sAccess = Source->Access, dAccess = Dest->Access;
  Source->Access = iaRead;
  Dest->Access = iaWrite;
  TIEProgress prog(Sender, OnProgress);
  for (int y = 0; y < dH; ++y) {
    const int sy = std::min(static_cast<int>(y * fy), sH - 1);
    const uint8_t* s = Source->Scanline(sy);
    uint8_t* d = Dest->Scanline(y);
    switch (bpp) {
      case 0:
        std::memset(d, 0, static_cast<size_t>((dW + 7) / 8));
        for (int x = 0; x < dW; ++x)
          if (IEGetBit(s, cols[x])) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        break;
      case 1:
        for (int x = 0; x < dW; ++x) d[x] = s[cols[x]];
        break;
      case 2:
        for (int x = 0; x < dW; ++x) reinterpret_cast<uint16_t*>(d)[x] = reinterpret_cast<const uint16_t*>(s)[cols[x]];
        break;
      case 4:
        for (int x = 0; x < dW; ++x) reinterpret_cast<uint32_t*>(d)[x] = reinterpret_cast<const uint32_t*>(s)[cols[x]];
        break;
      default:
        for (int x = 0; x < dW; ++x) std::memcpy(d + x * bpp, s + cols[x] * bpp, static_cast<size_t>(bpp));
    }
    prog.Changed(static_cast<int>(y * 100 / (dH + 0.5)));
  }
  Source->Access = sAccess;
  Dest->Access = dAccess;
  return Dest;
}

void IEFillTransparentPixels(TIEBitmap* Bitmap, TIERGBPixel Color) {
  if (!Bitmap || Bitmap->PixelFormat() != ie24RGB || !Bitmap->HasAlphaChannel()) return;
  TIEBitmap* alpha = Bitmap->GetAlphaChannel();
  const int w = std::min(Bitmap->Width(), alpha->Width()), h = std::min(Bitmap->Height(), alpha->Height());
  for (int y = 0; y < h; ++y) {
    const uint8_t* a = alpha->Scanline(y);
    TIERGBPixel* p = reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(y));
    for (int x = 0; x < w; ++x)
      if (a[x] == 0) p[x] = Color;
  }
}

namespace {
// True when IEResampleColor has a method for this filter and source format.
bool ColorResamplerHandles(TIEPixelFormat pf, TResampleFilter f) {
  if (pf == ie24RGB || pf == ie8g) return true;
  if (pf == ieRGB48 || pf == ie16g) return f == rfBilinear || f == rfBicubic;
  return false;
}
}  // namespace

void IEResample(TIEBitmap* Source, TIEBitmap* Dest, TResampleFilter Filter, TObject* Sender,
                const TIEProgressEvent& OnProgress) {
  if (!Source || !Dest || Source->IsEmpty()) return;
  const bool hasAlpha = Source->HasAlphaChannel();
  if (hasAlpha) IEFillTransparentPixels(Source, TIERGBPixel{128, 128, 128});
  const TIEPixelFormat pf = Source->PixelFormat();
  if (Filter == rfNone) {
    IEStretch(Source, Dest, Sender, OnProgress);
  } else if (pf == ie1g) {
    const TIEPixelFormat df = (Filter == rfProjectBW || Filter == rfProjectWB) ? ie1g : ie24RGB;
    if (Dest->PixelFormat() != df) Dest->Allocate(Dest->Width(), Dest->Height(), df);
    IEResampleBW(Source, Dest, Filter);
  } else if (ColorResamplerHandles(pf, Filter) || Filter == rfProjectBW || Filter == rfProjectWB) {
    IEResampleColor(Source, Dest, Filter, OnProgress, Sender);
  } else {
    // A format the filter has no method for is resampled as 24-bit colour and converted back, so
    // that the result is the scaled picture in the source's format rather than untouched pixels.
    TIEBitmap src24, dst24;
    src24.SetLocation(Source->Location() == ieFile ? ieFile : ieMemory);
    src24.Assign(Source);
    src24.RemoveAlphaChannel(false);
    src24.SetPixelFormat(ie24RGB);
    dst24.SetLocation(Dest->Location() == ieFile ? ieFile : ieMemory);
    if (dst24.Allocate(Dest->Width(), Dest->Height(), ie24RGB)) {
      IEResampleColor(&src24, &dst24, Filter, OnProgress, Sender);
      dst24.PaletteUsed = Source->PixelFormat() == ie8p ? Source->PaletteUsed : 256;
      dst24.SetPixelFormat(pf);
      Dest->CopyImageFrom(&dst24);
    }
  }
  if (hasAlpha) {
    TIEBitmap* sa = Source->GetAlphaChannel();
    TIEBitmap* da = Dest->GetAlphaChannel();
    if (sa && da) {
      if (Filter == rfNone)
        IEStretch(sa, da, nullptr, nullptr);
      else
        IEResampleGray8(sa, da, Filter);
      da->Full = sa->Full;
    }
  }
}
