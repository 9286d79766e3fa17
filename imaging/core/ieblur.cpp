// Gaussian blur and soft shadows.
//
// The horizontal pass blurs each row into a plain image-sized store; the vertical pass then
// accumulates whole rows of that store (one multiply-add per tap and byte across the row), which
// gives the same integers as blurring column by column but walks memory in order.
#include "imaging/core/ieblur.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/ietransform.h"
#include "imaging/core/ieutils.h"

void IEMakeGaussKernel(TIEGaussKernel& Kernel, double Sigma) {
  double sum = 0;
  for (int k = -100; k <= 100; ++k) {
    const double g = std::exp(-((k / Sigma) * (k / Sigma)) / 2);
    Kernel.G[k + 100] = g;
    sum += g;
  }
  for (int k = 0; k < 201; ++k) Kernel.W[k] = static_cast<int32_t>(std::nearbyint(Kernel.G[k] * 65536 / sum));
  int r = 100;
  while (r > 1 && Kernel.W[100 + r] == 0 && Kernel.W[100 - r] == 0) --r;
  Kernel.Radius = static_cast<uint8_t>(r);
}

namespace {

// Blurs a run of n pixels of N channels (stride N) from in to out, edges extended.
template <int N>
void BlurRun(const uint8_t* in, uint8_t* out, int n, const TIEGaussKernel& k) {
  const int r = k.Radius;
  const int32_t* w = k.W + 100;
  for (int j = 0; j < n; ++j) {
    int32_t acc[N];
    for (int ch = 0; ch < N; ++ch) acc[ch] = 32768;
    if (j - r >= 0 && j + r < n) {
      const uint8_t* p = in + (j - r) * N;
      for (int t = -r; t <= r; ++t, p += N)
        for (int ch = 0; ch < N; ++ch) acc[ch] += w[t] * p[ch];
    } else {
      for (int t = -r; t <= r; ++t) {
        const uint8_t* p = in + std::clamp(j + t, 0, n - 1) * N;
        for (int ch = 0; ch < N; ++ch) acc[ch] += w[t] * p[ch];
      }
    }
    for (int ch = 0; ch < N; ++ch) out[j * N + ch] = static_cast<uint8_t>(acc[ch] >> 16);
  }
}

template <int N>
void GaussBlurImage(TIEBitmap* bmp, const TIEGaussKernel& k, TIEProgress* prog) {
  const int W = bmp->Width(), H = bmp->Height(), rowN = W * N, r = k.Radius;
  const double f = 100.0 / (W + H);
  std::vector<uint8_t> store(static_cast<size_t>(rowN) * H);
  std::vector<int32_t> acc(static_cast<size_t>(rowN));
  const int32_t* w = k.W + 100;
  // Horizontal pass: the row is extended by r edge pixels on each side (which is the same as
  // adding the weights of outside taps to the edge values), then every tap adds a shifted copy
  // of the row, so the inner loop runs over contiguous bytes.
  std::vector<uint8_t> pad(static_cast<size_t>(W + 2 * r) * N);
  for (int y = 0; y < H; ++y) {
    const uint8_t* src = bmp->Scanline(y);
    for (int i = 0; i < r; ++i) {
      std::memcpy(pad.data() + static_cast<size_t>(i) * N, src, N);
      std::memcpy(pad.data() + static_cast<size_t>(W + r + i) * N, src + static_cast<size_t>(W - 1) * N, N);
    }
    std::memcpy(pad.data() + static_cast<size_t>(r) * N, src, static_cast<size_t>(rowN));
    std::fill(acc.begin(), acc.end(), 32768);
    for (int t = -r; t <= r; ++t) {
      const uint8_t* s = pad.data() + static_cast<size_t>(t + r) * N;
      const int32_t wt = w[t];
      int32_t* a = acc.data();
      for (int i = 0; i < rowN; ++i) a[i] += wt * s[i];
    }
    uint8_t* d = store.data() + static_cast<size_t>(y) * rowN;
    for (int i = 0; i < rowN; ++i) d[i] = static_cast<uint8_t>(acc[i] >> 16);
    if (prog) prog->Report(static_cast<int>(y * f));
  }
  int lastPer = -1;
  for (int y = 0; y < H; ++y) {
    std::fill(acc.begin(), acc.end(), 32768);
    for (int t = -r; t <= r; ++t) {
      const uint8_t* s = store.data() + static_cast<size_t>(std::clamp(y + t, 0, H - 1)) * rowN;
      const int32_t wt = w[t];
      int32_t* a = acc.data();
      for (int i = 0; i < rowN; ++i) a[i] += wt * s[i];
    }
    uint8_t* d = bmp->Scanline(y);
    for (int i = 0; i < rowN; ++i) d[i] = static_cast<uint8_t>(acc[i] >> 16);
    if (prog) {
      // The column-by-column progress of the second pass, spread over the rows.
      const int per = static_cast<int>((H + static_cast<int64_t>(y + 1) * W / H - 1) * f);
      if (per != lastPer) prog->Report(lastPer = per);
    }
  }
}

// Composites the shadow over the rectangle X1..X2, Y1..Y2 (inclusive) from the kept alpha a0 and
// the blurred, moved alpha.
void CompositeShadow(TIEBitmap* bmp, TIEBitmap& a0, int X1, int Y1, int X2, int Y2, int Intensity,
                     int32_t ShadowColor, bool rectForm) {
  TIEBitmap* alpha = bmp->GetAlphaChannel();
  Intensity = std::clamp(Intensity, 0, 100);
  const double d = 3 - Intensity / 100.0 * 2;
  const uint8_t cr = static_cast<uint8_t>(ShadowColor >> 16), cg = static_cast<uint8_t>(ShadowColor >> 8),
                cb = static_cast<uint8_t>(ShadowColor);
  const bool rgb = bmp->PixelFormat() == ie24RGB;
  for (int y = Y1; y <= Y2; ++y) {
    const uint8_t* k0 = a0.Scanline(y);
    uint8_t* s = alpha->Scanline(y);
    uint8_t* p = bmp->Scanline(y);
    for (int x = X1; x <= X2; ++x) {
      const int av = k0[x], sv = s[x];
      if (av != 0 || av == sv) {
        if (rgb && av > 0 && av < 255) {
          const double v = sv / 255.0, a = av / 255.0;
          uint8_t* px = p + 3 * x;
          const uint8_t col[3] = {cb, cg, cr};
          for (int ch = 0; ch < 3; ++ch) {
            const int shadowed = static_cast<int>(col[ch] * v + (1 - v) * px[ch]);
            px[ch] = static_cast<uint8_t>(static_cast<int>(a * px[ch] + (1 - a) * shadowed));
          }
          s[x] = static_cast<uint8_t>(static_cast<int>((a + v * (1 - a)) * 255));
        } else {
          s[x] = static_cast<uint8_t>(av);
        }
      } else {
        if (rgb) {
          p[3 * x] = cb;
          p[3 * x + 1] = cg;
          p[3 * x + 2] = cr;
        } else {
          IESetBit(p, x, false);
          if (rectForm) continue;  // the 1-bit rectangle form keeps the blurred alpha
        }
        if (d != 1) s[x] = static_cast<uint8_t>(static_cast<int>(sv / d));
      }
    }
  }
}

int ShadowMargin(double Sigma, int OffsetX, int OffsetY) {
  return std::max(2 * std::max(std::abs(OffsetX), std::abs(OffsetY)) + static_cast<int>(Sigma * 5), 1);
}

}  // namespace

void IEGaussBlur(TIEBitmap* Bitmap, TObject* Sender, const TIEProgressEvent& OnProgress, double Sigma) {
  if (!Bitmap || Bitmap->IsEmpty() || !(Sigma > 0)) return;
  const TIEPixelFormat pf = Bitmap->PixelFormat();
  if (pf != ie8g && pf != ie24RGB) return;
  TIEGaussKernel k;
  IEMakeGaussKernel(k, Sigma);
  TIEProgress progress(Sender, OnProgress);
  TIEProgress* prog = progress.Active() ? &progress : nullptr;
  if (pf == ie8g)
    GaussBlurImage<1>(Bitmap, k, prog);
  else
    GaussBlurImage<3>(Bitmap, k, prog);
}

void IEGaussBlurRect(TIEBitmap* Bitmap, int x1, int y1, int x2, int y2, double Sigma) {
  if (!Bitmap || Bitmap->IsEmpty() || Bitmap->PixelFormat() != ie8g || !(Sigma > 0)) return;
  const int W = Bitmap->Width(), H = Bitmap->Height();
  x1 = std::clamp(x1, 0, W - 1);
  x2 = std::clamp(x2, 0, W - 1);
  y1 = std::clamp(y1, 0, H - 1);
  y2 = std::clamp(y2, 0, H - 1);
  if (x2 < x1 || y2 < y1) return;
  TIEGaussKernel k;
  IEMakeGaussKernel(k, Sigma);
  const int n = std::max(x2 - x1 + 1, y2 - y1 + 1);
  std::vector<uint8_t> in(static_cast<size_t>(n)), out(static_cast<size_t>(n));
  for (int y = y1; y <= y2; ++y) {
    uint8_t* row = Bitmap->Scanline(y) + x1;
    BlurRun<1>(row, out.data(), x2 - x1 + 1, k);
    std::memcpy(row, out.data(), static_cast<size_t>(x2 - x1 + 1));
  }
  const int m = y2 - y1 + 1;
  for (int x = x1; x <= x2; ++x) {
    for (int y = 0; y < m; ++y) in[y] = Bitmap->Scanline(y1 + y)[x];
    BlurRun<1>(in.data(), out.data(), m, k);
    for (int y = 0; y < m; ++y) Bitmap->Scanline(y1 + y)[x] = out[y];
  }
}

void IEAddSoftShadow(TIEBitmap* Bitmap, double Sigma, int OffsetX, int OffsetY, bool Enlarge, int Intensity,
                     int32_t ShadowColor, TObject* Sender, const TIEProgressEvent& OnProgress) {
  if (!Bitmap || Bitmap->IsEmpty()) return;
  if (Bitmap->PixelFormat() != ie24RGB && Bitmap->PixelFormat() != ie1g) return;
  TIEBitmap* alpha = Bitmap->GetAlphaChannel();
  if (!alpha) return;
  alpha->Full = false;
  const int m = ShadowMargin(Sigma, OffsetX, OffsetY);
  if (Enlarge) Bitmap->Resize(Bitmap->Width() + m, Bitmap->Height() + m, 0, 0, 1, 1);
  alpha = Bitmap->GetAlphaChannel();
  TIEBitmap a0;
  a0.SetLocation(ieMemory);
  a0.Assign(alpha);
  IEGaussBlur(alpha, Sender, OnProgress, Sigma);
  if (OffsetX != 0 || OffsetY != 0)
    alpha->MoveRegion(0, 0, alpha->Width() - 1, alpha->Height() - 1, OffsetX, OffsetY, 0);
  CompositeShadow(Bitmap, a0, 0, 0, Bitmap->Width() - 1, Bitmap->Height() - 1, Intensity, ShadowColor, false);
  alpha->Full = false;
}

int IEAddSoftShadowRect(TIEBitmap* Bitmap, int Left, int Top, int Right, int Bottom, double Sigma, int OffsetX,
                        int OffsetY, int Intensity, int32_t ShadowColor) {
  const bool preset = Sigma == 0;
  const int m = ShadowMargin(preset ? 2 : Sigma, OffsetX, OffsetY);
  if (!Bitmap || Bitmap->IsEmpty()) return m;
  if (Bitmap->PixelFormat() != ie24RGB && Bitmap->PixelFormat() != ie1g) return m;
  TIEBitmap* alpha = Bitmap->GetAlphaChannel();
  if (!alpha) return m;
  alpha->Full = false;
  TIEBitmap a0;
  a0.SetLocation(ieMemory);
  a0.Assign(alpha);
  const int W = Bitmap->Width(), H = Bitmap->Height(), h = m / 2;
  const int x1 = std::clamp(Left - h, 0, W - 1), y1 = std::clamp(Top - h, 0, H - 1);
  const int x2 = std::clamp(Right + h, 0, W - 1), y2 = std::clamp(Bottom + h, 0, H - 1);
  if (preset) {
    const TIEFilterPresetRecord& blur = IEFilterPresets()[1];
    int32_t kernel[10];
    std::memcpy(kernel, &blur, sizeof(kernel));
    IEConvolve3x3Gray(alpha, kernel, x1, y1, x2 + 1, y2 + 1);
  } else {
    IEGaussBlurRect(alpha, x1, y1, x2, y2, Sigma);
  }
  if (OffsetX != 0 || OffsetY != 0) alpha->MoveRegion(x1, y1, x2, y2, x1 + OffsetX, y1 + OffsetY, 0);
  CompositeShadow(Bitmap, a0, std::clamp(Left - m, 0, W - 1), std::clamp(Top - m, 0, H - 1),
                  std::clamp(Right + m, 0, W - 1), std::clamp(Bottom + m, 0, H - 1), Intensity, ShadowColor, true);
  return m;
}
