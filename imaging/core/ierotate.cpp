// Rotation routines. Quarter turns copy whole pixels tile by tile (32 x 32) through tables of
// row addresses, so that both images are walked in cache-sized blocks; the general and
// antialiased rotations tabulate the column terms of the mapping once per call.
#include "imaging/core/ierotate.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstring>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/ieutils.h"

namespace {


inline double RotateRoundEven(double v) { return std::nearbyint(v); }

// Addresses of every row of a bitmap, kept mapped for the table's lifetime (file-located rows
// are acquired and released).
class TRowTable {
public:
  explicit TRowTable(TIEBitmap* b) : FBitmap(b), FRows(static_cast<size_t>(b->Height())) {
    for (int y = 0; y < b->Height(); ++y) FRows[y] = static_cast<uint8_t*>(b->AcquireScanline(y));
  }
  ~TRowTable() {
    if (FBitmap->Location() == ieFile)
      for (int y = 0; y < FBitmap->Height(); ++y) FBitmap->ReleaseScanline(y);
  }
  uint8_t* operator[](int y) const { return FRows[y]; }

private:
  TIEBitmap* FBitmap;
  std::vector<uint8_t*> FRows;
};

// Kind of quarter turn: 1 counter-clockwise, 2 half turn, 3 clockwise.
template <int B>
void TurnBytes(const TRowTable& s, const TRowTable& d, int W, int H, int kind) {
  constexpr int T = 32;
  if (kind == 2) {
    for (int i = 0; i < H; ++i) {
      const uint8_t* sp = s[i];
      uint8_t* dp = d[H - 1 - i];
      for (int x = 0; x < W; ++x) std::memcpy(dp + x * B, sp + (W - 1 - x) * B, B);
    }
    return;
  }
  // Destination is H wide and W high.
  for (int ty = 0; ty < W; ty += T)
    for (int tx = 0; tx < H; tx += T) {
      const int ey = std::min(ty + T, W), ex = std::min(tx + T, H);
      for (int y = ty; y < ey; ++y) {
        uint8_t* dp = d[y];
        if (kind == 1) {
          const int col = (W - 1 - y) * B;
          for (int x = tx; x < ex; ++x) std::memcpy(dp + x * B, s[x] + col, B);
        } else {
          const int col = y * B;
          for (int x = tx; x < ex; ++x) std::memcpy(dp + x * B, s[H - 1 - x] + col, B);
        }
      }
    }
}

void TurnBits(const TRowTable& s, const TRowTable& d, int W, int H, int kind) {
  for (int y = 0; y < (kind == 2 ? H : W); ++y) {
    uint8_t* dp = d[y];
    const int dw = kind == 2 ? W : H;
    for (int x = 0; x < dw; ++x) {
      bool on;
      if (kind == 2)
        on = IEGetBit(s[H - 1 - y], W - 1 - x);
      else if (kind == 1)
        on = IEGetBit(s[x], W - 1 - y);
      else
        on = IEGetBit(s[H - 1 - x], y);
      if (on) dp[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
  }
}

// Writes the quarter or half turn of Source into Dest (allocated here).
void QuarterTurn(TIEBitmap* Source, TIEBitmap* Dest, int kind) {
  const int W = Source->Width(), H = Source->Height();
  const TIEPixelFormat pf = Source->PixelFormat();
  if (!(kind == 2 ? Dest->Allocate(W, H, pf) : Dest->Allocate(H, W, pf))) return;
  if (pf == ie8p) Source->CopyPaletteTo(Dest);
  if (pf == ie1g) Dest->Fill(0);
  TRowTable s(Source), d(Dest);
  switch (IEBitsPerPixel[pf]) {
    case 1:
      TurnBits(s, d, W, H, kind);
      break;
    case 8:
      TurnBytes<1>(s, d, W, H, kind);
      break;
    case 16:
      TurnBytes<2>(s, d, W, H, kind);
      break;
    case 24:
      TurnBytes<3>(s, d, W, H, kind);
      break;
    case 32:
      TurnBytes<4>(s, d, W, H, kind);
      break;
    case 48:
      TurnBytes<6>(s, d, W, H, kind);
      break;
  }
}

// Quarter-turn kind of an angle that is a whole multiple of 90, else -1 (0: no turn).
int RightAngleKind(double Angle) {
  if (!IEIsRightAngle(Angle)) return -1;
  const int a = static_cast<int>(static_cast<int64_t>(Angle) % 360);
  if (a == 0) return 0;
  if (a == 90 || a == -270) return 1;
  if (a == 180 || a == -180) return 2;
  return 3;
}

}  // namespace

bool IEIsRightAngle(double Angle) {
  if (!std::isfinite(Angle) || Angle != std::trunc(Angle) || std::fabs(Angle) > 9e15) return false;
  return static_cast<int64_t>(Angle) % 90 == 0;
}

void IERotate90CW24(TIEBitmap* Source, TIEBitmap* Dest) { QuarterTurn(Source, Dest, 3); }
void IERotate90CCW24(TIEBitmap* Source, TIEBitmap* Dest) { QuarterTurn(Source, Dest, 1); }
void IERotate90CW8(TIEBitmap* Source, TIEBitmap* Dest) { QuarterTurn(Source, Dest, 3); }
void IERotate90CCW8(TIEBitmap* Source, TIEBitmap* Dest) { QuarterTurn(Source, Dest, 1); }

void IERotateInto(TIEBitmap* Source, TIEBitmap* Dest, double Background, TObject* Sender,
                  const TIEProgressEvent& OnProgress, double Angle) {
  if (!Source || !Dest || Source == Dest || Source->IsEmpty() || !std::isfinite(Angle)) return;
  const int kind = RightAngleKind(Angle);
  if (kind == 0) {
    Dest->Assign(Source);
    return;
  }
  if (kind > 0) {
    QuarterTurn(Source, Dest, kind);
    return;
  }
  const int W = Source->Width(), H = Source->Height();
  const TIEPixelFormat pf = Source->PixelFormat();
  const double th = Angle * std::numbers::pi / 180, cs = std::cos(th), sn = std::sin(th);
  const double wd = RotateRoundEven(std::fabs(cs) * W + std::fabs(sn) * H), hd = RotateRoundEven(std::fabs(sn) * W + std::fabs(cs) * H);
  if (wd < 1 || hd < 1 || wd > 1e9 || hd > 1e9) return;
  const int W2 = static_cast<int>(wd), H2 = static_cast<int>(hd);
  if (!Dest->Allocate(W2, H2, pf)) return;
  if (pf == ie8p) Source->CopyPaletteTo(Dest);
  Dest->Fill(pf == ie1g ? 0 : Background);
  const double cx = (W - 1) / 2.0, cy = (H - 1) / 2.0, cx2 = (W2 - 1) / 2.0, cy2 = (H2 - 1) / 2.0;
  std::vector<double> colX(static_cast<size_t>(W2)), colY(static_cast<size_t>(W2));
  for (int i = 0; i < W2; ++i) {
    colX[i] = (i - cx2) * cs + cx;
    colY[i] = (i - cx2) * sn + cy;
  }
  const int b = IEBitsPerPixel[pf] / 8;
  TRowTable s(Source);
  TIEProgress prog(Sender, OnProgress);
  for (int r = 0; r < H2; ++r) {
    const double ry = r - cy2, offX = -ry * sn, offY = ry * cs;
    uint8_t* d = Dest->Scanline(r);
    // The source column and row move linearly along a destination row, so the columns that land
    // inside the source form one run: find its ends, then copy the run without bounds checks.
    auto inside = [&](int i) {
      const long sx = std::lrint(colX[i] + offX), sy = std::lrint(colY[i] + offY);
      return sx >= 0 && sx < W && sy >= 0 && sy < H;
    };
    int first = 0, last = W2 - 1;
    while (first < W2 && !inside(first)) ++first;
    while (last >= first && !inside(last)) --last;
    for (int i = first; i <= last; ++i) {
      const int sx = static_cast<int>(std::lrint(colX[i] + offX)), sy = static_cast<int>(std::lrint(colY[i] + offY));
      const uint8_t* sp = s[sy];
      switch (b) {
        case 0:
          if (IEGetBit(sp, sx)) d[i >> 3] |= static_cast<uint8_t>(0x80 >> (i & 7));
          break;
        case 1:
          d[i] = sp[sx];
          break;
        case 3:
          std::memcpy(d + 3 * i, sp + 3 * sx, 3);
          break;
        case 4:
          std::memcpy(d + 4 * i, sp + 4 * sx, 4);
          break;
        default:
          std::memcpy(d + static_cast<size_t>(b) * i, sp + static_cast<size_t>(b) * sx, static_cast<size_t>(b));
      }
    }
    prog.Report(static_cast<int>(static_cast<int64_t>(r) * 100 / H2));
  }
}

void IERotateGeneral(TIEBitmap* Bitmap, double Background, TObject* Sender, const TIEProgressEvent& OnProgress,
                     double Angle) {
  if (!Bitmap || Bitmap->IsEmpty()) return;
  TIEBitmap result;
  result.SetLocation(Bitmap->Location() == ieFile ? ieFile : ieMemory);
  IERotateInto(Bitmap, &result, Background, Sender, OnProgress, Angle);
  if (!result.IsEmpty()) Bitmap->CopyImageFrom(&result);
}

namespace {

// The antialiased rotation of a bitmap with N bytes per pixel (3 or 1).
template <int N>
void RotateAntialias(TIEBitmap* bmp, const uint8_t* bg, double bgFill, int mode, TIEProgress* prog, double Angle) {
  const int W = bmp->Width(), H = bmp->Height();
  // A 3-pixel frame of background, so that samples just outside the picture blend with it.
  bmp->Resize(W + 6, H + 6, bgFill, 0, 0, 0);
  bmp->MoveRegion(0, 0, W + 2, H + 2, 3, 3, bgFill);
  const int W1 = W + 6, H1 = H + 6;
  const double th = Angle * std::numbers::pi / 180, cs = std::cos(th), sn = std::sin(th);
  const int W2 = static_cast<int>(RotateRoundEven(std::fabs(cs) * (W1 - 1) + std::fabs(sn) * (H1 - 1)));
  const int H2 = static_cast<int>(RotateRoundEven(std::fabs(sn) * (W1 - 1) + std::fabs(cs) * (H1 - 1)));
  TIEBitmap res;
  res.SetLocation(bmp->Location() == ieFile ? ieFile : ieMemory);
  if (W2 < 7 || H2 < 7 || !res.Allocate(W2, H2, N == 3 ? ie24RGB : bmp->PixelFormat())) return;
  const double cx = (W1 - 1) / 2.0, cy = (H1 - 1) / 2.0, cx2 = (W2 - 1) / 2.0, cy2 = (H2 - 1) / 2.0;
  std::vector<double> colX(static_cast<size_t>(W2)), colY(static_cast<size_t>(W2));
  for (int i = 0; i < W2; ++i) {
    colX[i] = cx + (i - cx2) * cs;
    colY[i] = cy + (i - cx2) * sn;
  }
  {
    TRowTable s(bmp);
    auto px = [&](int x, int y) -> const uint8_t* {
      if (x < 0 || x >= W1 || y < 0 || y >= H1) return bg;
      return s[y] + x * N;
    };
    for (int r = 0; r < H2; ++r) {
      uint8_t* d = res.Scanline(r);
      const double ry = r - cy2;
      for (int i = 0; i < W2; ++i) {
        const double x = colX[i] - ry * sn, y = colY[i] + ry * cs;
        const int x0 = static_cast<int>(x), y0 = static_cast<int>(y);
        if (mode == 2) {
          const double fx = x - x0, fy = y - y0;
          auto wts = [](double t, double* w) {
            w[0] = -t * (1 - t) * (1 - t);
            w[1] = 1 - 2 * t * t + t * t * t;
            w[2] = t * (1 + t - t * t);
            w[3] = t * t * (t - 1);
          };
          double wx[4], wy[4];
          wts(fx, wx);
          wts(fy, wy);
          for (int ch = 0; ch < N; ++ch) {
            double sum = 0;
            for (int m = 0; m < 4; ++m) {
              double rowv = 0;
              for (int k = 0; k < 4; ++k) rowv += wx[k] * px(x0 - 1 + k, y0 - 1 + m)[ch];
              sum += wy[m] * rowv;
            }
            int v = std::abs(static_cast<int>(sum));
            d[i * N + ch] = static_cast<uint8_t>(v > 255 ? 255 : v);
          }
        } else {
          const double fx = x - IEFloor(x), fy = y - IEFloor(y);
          const uint8_t *p00 = px(x0, y0), *p10 = px(x0 + 1, y0), *p01 = px(x0, y0 + 1), *p11 = px(x0 + 1, y0 + 1);
          for (int ch = 0; ch < N; ++ch) {
            const double top = p00[ch] + (p10[ch] - p00[ch]) * fx, bottom = p01[ch] + (p11[ch] - p01[ch]) * fx;
            const int v = static_cast<int>(top + (bottom - top) * fy);
            d[i * N + ch] = static_cast<uint8_t>(std::clamp(v, 0, 255));
          }
        }
      }
      if (prog) prog->Report(static_cast<int>(static_cast<int64_t>(r) * 100 / H2));
    }
  }
  bmp->CopyImageFrom(&res);
  bmp->MoveRegion(3, 3, W2 - 4, H2 - 4, 0, 0, bgFill);
  bmp->Resize(W2 - 6, H2 - 6, bgFill, 0, 0, 0);
}

}  // namespace

void IERotateAntialias24(TIEBitmap* Bitmap, TColor Background, int Mode, TObject* Sender,
                         const TIEProgressEvent& OnProgress, double Angle) {
  if (!Bitmap || Bitmap->IsEmpty() || Bitmap->PixelFormat() != ie24RGB || !std::isfinite(Angle)) return;
  const TIERGBPixel bg = IEColorToRGB(Background);
  const uint8_t bgp[3] = {bg.b, bg.g, bg.r};
  TIEProgress progress(Sender, OnProgress);
  RotateAntialias<3>(Bitmap, bgp, Background, Mode, progress.Active() ? &progress : nullptr, Angle);
}

void IERotateAntialias8(TIEBitmap* Bitmap, uint8_t Background, int Mode, double Angle) {
  if (!Bitmap || Bitmap->IsEmpty() || Bitmap->BitCount() != 8 || !std::isfinite(Angle)) return;
  const uint8_t bg[1] = {Background};
  RotateAntialias<1>(Bitmap, bg, Background, Mode, nullptr, Angle);
}

namespace {

// Three-shear rotation of N-byte pixels. bg: the background pixel; bgFill: its fill value.
template <int N>
void RotateShear(TIEBitmap* bmp, bool interp, const uint8_t* bg, double bgFill, TIEProgress* prog, double Angle) {
  const int64_t a = static_cast<int64_t>(Angle * 1000) % 360000;
  double c = a / 1000.0;
  TIEBitmap work;
  work.SetLocation(ieMemory);
  work.Assign(bmp);
  work.RemoveAlphaChannel(false);
  while (c > 45) {
    TIEBitmap t;
    t.SetLocation(ieMemory);
    QuarterTurn(&work, &t, 1);
    t.MoveContentTo(&work);
    c -= 90;
  }
  while (c < -45) {
    TIEBitmap t;
    t.SetLocation(ieMemory);
    QuarterTurn(&work, &t, 3);
    t.MoveContentTo(&work);
    c += 90;
  }
  if (c == 0) {
    bmp->CopyImageFrom(&work);
    return;
  }
  const double th = c * std::numbers::pi / 180;
  const double T = std::fabs(std::sin(th / 2) / std::cos(th / 2)), S = std::fabs(std::sin(th));
  const int w = work.Width(), h = work.Height();
  const int W1 = static_cast<int>(RotateRoundEven(h * T + w + 1));
  const int O1 = static_cast<int>(RotateRoundEven((W1 - w) * S));
  const int H2 = static_cast<int>(RotateRoundEven(S * W1 + h + 1));
  const int O2 = static_cast<int>(RotateRoundEven(T * (H2 - h - O1)));
  const int H3 = H2 - 2 * O1;
  const int W3 = static_cast<int>(RotateRoundEven(T * H3 + W1 + 1 - 2 * O2));
  if (W1 < 1 || H3 < 1 || W3 < 1) return;
  auto blend = [](const uint8_t* prev, const uint8_t* cur, int K, uint8_t* out) {
    for (int ch = 0; ch < N; ++ch) out[ch] = static_cast<uint8_t>(std::clamp((prev[ch] * K + cur[ch] * (4096 - K) + 2048) / 4096, 0, 255));
  };
  const double total = h + W1 + H3;
  // Shears one run of n pixels (stride in pixels between them) into an output run of m pixels
  // starting at offset B; K the blend weight.
  auto shearRun = [&](const uint8_t* src, int sstride, int n, uint8_t* dst, int dstride, int m, int B, int K,
                      bool fillBg) {
    if (fillBg)
      for (int k = 0; k < m; ++k) std::memcpy(dst + static_cast<size_t>(k) * dstride * N, bg, N);
    const uint8_t* prev = bg;
    for (int k = 0; k < n; ++k) {
      const uint8_t* cur = src + static_cast<size_t>(k) * sstride * N;
      const int at = B + k;
      if (at >= 0 && at < m) {
        uint8_t* o = dst + static_cast<size_t>(at) * dstride * N;
        if (interp)
          blend(prev, cur, K, o);
        else
          std::memcpy(o, cur, N);
      }
      prev = cur;
    }
    if (interp && K > 0 && B + n < m && B + n >= 0 && n > 0) blend(src + static_cast<size_t>(n - 1) * sstride * N, bg, K, dst + static_cast<size_t>(B + n) * dstride * N);
  };
  // Pass 1: horizontal shear into W1 x h.
  std::vector<uint8_t> p1(static_cast<size_t>(W1) * h * N);
  for (int y = 0; y < h; ++y) {
    const double D = (th > 0 ? y : h - y) * T;
    const int n = static_cast<int>(RotateRoundEven(D));
    const int K = interp ? static_cast<int>((D - n) * 4096) : 0;
    shearRun(work.Scanline(y), 1, w, p1.data() + static_cast<size_t>(y) * W1 * N, 1, W1, n, K, true);
    if (prog) prog->Report(static_cast<int>(y * 100 / total));
  }
  // Pass 2: vertical shear into W1 x H3 (columns of p1, stride W1).
  std::vector<uint8_t> p2(static_cast<size_t>(W1) * H3 * N);
  for (int x = 0; x < W1; ++x) {
    const double D = (th > 0 ? W1 - x : x) * S;
    const int n = static_cast<int>(RotateRoundEven(D));
    const int K = interp ? static_cast<int>(RotateRoundEven((D - n) * 4096)) : 0;
    shearRun(p1.data() + static_cast<size_t>(x) * N, W1, h, p2.data() + static_cast<size_t>(x) * N, W1, H3, n - O1, K, true);
    if (prog) prog->Report(static_cast<int>((h + x) * 100 / total));
  }
  // Pass 3: horizontal shear into the image, W3 x H3.
  const TIEPixelFormat pf = bmp->PixelFormat();
  TIEBitmap* alpha = bmp->DetachAlphaChannel();
  bmp->Allocate(W3, H3, pf);
  if (alpha) bmp->AttachAlphaChannel(alpha);
  bmp->Fill(bgFill);
  for (int y = 0; y < H3; ++y) {
    const double D = (th > 0 ? y : H3 - y) * T;
    const int n = static_cast<int>(RotateRoundEven(D));
    const int K = interp ? static_cast<int>(RotateRoundEven((D - n) * 4096)) : 0;
    shearRun(p2.data() + static_cast<size_t>(y) * W1 * N, 1, W1, bmp->Scanline(y), 1, W3, n - O2, K, false);
    if (prog) prog->Report(static_cast<int>((h + W1 + y) * 100 / total));
  }
}

// Nearest-pixel mapping of IERotate1Bit and IERotate8Nearest: Put(x, y, sx, sy) for every
// destination pixel with its (possibly outside) source pixel.
template <typename Put>
void NearestMap(int W, int H, double Angle, int& W2, int& H2, bool sizeOnly, Put put) {
  const double phi = -Angle / 57.295779513082320877;
  const double c = std::trunc(std::cos(phi) * 10000) / 10000, s = std::trunc(std::sin(phi) * 10000) / 10000;
  W2 = static_cast<int>(std::fabs(W * c) + std::fabs(H * s));
  H2 = static_cast<int>(std::fabs(W * s) + std::fabs(H * c));
  if (sizeOnly) return;
  for (int y = 0; y < H2; ++y) {
    const double v = y - (H2 / 2.0 - 0.5);
    for (int x = 0; x < W2; ++x) {
      const double u = x - (W2 / 2.0 - 0.5);
      const int sx = static_cast<int>(W / 2.0 - 0.5 + s * v) + static_cast<int>(c * u);
      const int sy = static_cast<int>(H / 2.0 - 0.5 + c * v) + static_cast<int>(-s * u);
      put(x, y, sx, sy);
    }
  }
}

}  // namespace

void IERotateShear24(TIEBitmap* Bitmap, bool Interpolate, TObject* Sender, const TIEProgressEvent& OnProgress,
                     TIERGBPixel BackgroundRGB, double Angle) {
  if (!Bitmap || Bitmap->IsEmpty() || Angle == 0 || !std::isfinite(Angle) || std::fabs(Angle) > 1e12) return;
  if (Bitmap->PixelFormat() != ie24RGB) {
    IERotate1Bit(Bitmap, BackgroundRGB.r != 0 && BackgroundRGB.g != 0 && BackgroundRGB.b != 0, Sender, OnProgress, Angle);
    return;
  }
  const uint8_t bg[3] = {BackgroundRGB.b, BackgroundRGB.g, BackgroundRGB.r};
  const double fill = BackgroundRGB.r | (BackgroundRGB.g << 8) | (BackgroundRGB.b << 16);
  TIEProgress progress(Sender, OnProgress);
  RotateShear<3>(Bitmap, Interpolate, bg, fill, progress.Active() ? &progress : nullptr, Angle);
}

void IERotateShear8(TIEBitmap* Bitmap, bool Interpolate, uint8_t Background, TObject* Sender,
                    const TIEProgressEvent& OnProgress, double Angle) {
  if (!Bitmap || Bitmap->IsEmpty() || Bitmap->BitCount() != 8 || Angle == 0 || !std::isfinite(Angle) ||
      std::fabs(Angle) > 1e12)
    return;
  const uint8_t bg[1] = {Background};
  TIEProgress progress(Sender, OnProgress);
  RotateShear<1>(Bitmap, Interpolate, bg, Background, progress.Active() ? &progress : nullptr, Angle);
}

void IERotate1Bit(TIEBitmap* Bitmap, bool BackgroundWhite, TObject* Sender, const TIEProgressEvent& OnProgress,
                  double Angle) {
  if (!Bitmap || Bitmap->IsEmpty() || Bitmap->PixelFormat() != ie1g || !std::isfinite(Angle)) return;
  TIEBitmap res;
  res.SetLocation(ieMemory);
  if (Angle == 90 || Angle == -90 || Angle == 270 || Angle == 180 || Angle == -180) {
    QuarterTurn(Bitmap, &res, Angle == 90 ? 1 : (Angle == 180 || Angle == -180) ? 2 : 3);
  } else {
    const int W = Bitmap->Width(), H = Bitmap->Height();
    int W2, H2;
    NearestMap(W, H, Angle, W2, H2, true, [](int, int, int, int) {});
    if (W2 < 1 || H2 < 1 || !res.Allocate(W2, H2, ie1g)) return;
    res.Fill(0);
    TRowTable s(Bitmap);
    TIEProgress prog(Sender, OnProgress);
    int lastRow = -1;
    uint8_t* d = nullptr;
    NearestMap(W, H, Angle, W2, H2, false, [&](int x, int y, int sx, int sy) {
      if (y != lastRow) {
        prog.Report(static_cast<int>(static_cast<int64_t>(y) * 100 / H2));
        d = res.Scanline(y);
        lastRow = y;
      }
      const bool inside = sx >= 0 && sx < W && sy >= 0 && sy < H;
      if (inside ? IEGetBit(s[sy], sx) : BackgroundWhite) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    });
  }
  if (!res.IsEmpty()) Bitmap->CopyImageFrom(&res);
}

void IERotate8Nearest(TIEBitmap* Bitmap, uint8_t Background, double Angle) {
  if (!Bitmap || Bitmap->IsEmpty() || (Bitmap->PixelFormat() != ie8g && Bitmap->PixelFormat() != ie8p) ||
      !std::isfinite(Angle))
    return;
  const int W = Bitmap->Width(), H = Bitmap->Height();
  TIEBitmap res;
  res.SetLocation(ieMemory);
  int W2, H2;
  NearestMap(W, H, Angle, W2, H2, true, [](int, int, int, int) {});
  if (W2 < 1 || H2 < 1 || !res.Allocate(W2, H2, Bitmap->PixelFormat())) return;
  if (Bitmap->PixelFormat() == ie8p) Bitmap->CopyPaletteTo(&res);
  {
    TRowTable s(Bitmap);
    int lastRow = -1;
    uint8_t* d = nullptr;
    NearestMap(W, H, Angle, W2, H2, false, [&](int x, int y, int sx, int sy) {
      if (y != lastRow) d = res.Scanline(y), lastRow = y;
      d[x] = (sx >= 0 && sx < W && sy >= 0 && sy < H) ? s[sy][sx] : Background;
    });
  }
  Bitmap->CopyImageFrom(&res);
}
