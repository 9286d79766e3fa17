// Colour routines: palette reduction, grey, intensity, black and white, histogram, two-colour
// detection, channel reordering and the average colour.
#include "imaging/core/iecolor.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/ieutils.h"

const uint8_t IEBayer8[8][8] = {
    {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26}, {12, 44, 4, 36, 14, 46, 6, 38},
    {60, 28, 52, 20, 62, 30, 54, 22}, {3, 35, 11, 43, 1, 33, 9, 41},   {51, 19, 59, 27, 49, 17, 57, 25},
    {15, 47, 7, 39, 13, 45, 5, 37},  {63, 31, 55, 23, 61, 29, 53, 21}};

TIEColorReducerFactoryFunc IEColorReducerFactory = nullptr;

namespace {

// ---- built-in reducer: median cut over a 15-bit histogram ----

inline int Bin(TIERGBPixel c) { return ((c.r >> 3) << 10) | ((c.g >> 3) << 5) | (c.b >> 3); }

class TMedianCutReducer final : public TIEColorReducer {
public:
  TMedianCutReducer(TIEBitmap* Bitmap, TIERGBPixel* Palette, int N) : FPalette(Palette) {
    std::vector<uint32_t> count(32768, 0);
    std::vector<uint64_t> sum(32768 * 3, 0);
    if (Bitmap && Bitmap->PixelFormat() == ie24RGB) {
      const int w = Bitmap->Width();
      for (int y = 0; y < Bitmap->Height(); ++y) {
        const TIERGBPixel* row = reinterpret_cast<const TIERGBPixel*>(Bitmap->Scanline(y));
        for (int x = 0; x < w; ++x) {
          const int b = Bin(row[x]);
          ++count[b];
          sum[3 * b] += row[x].r;
          sum[3 * b + 1] += row[x].g;
          sum[3 * b + 2] += row[x].b;
        }
      }
    }
    struct Box {
      int lo[3], hi[3];
      uint64_t n;
    };
    auto binOf = [](int r, int g, int b) { return (r << 10) | (g << 5) | b; };
    auto shrink = [&](Box& bx) {  // tight bounds and population
      int lo[3] = {31, 31, 31}, hi[3] = {0, 0, 0};
      bx.n = 0;
      for (int r = bx.lo[0]; r <= bx.hi[0]; ++r)
        for (int g = bx.lo[1]; g <= bx.hi[1]; ++g)
          for (int b = bx.lo[2]; b <= bx.hi[2]; ++b) {
            const uint32_t c = count[binOf(r, g, b)];
            if (!c) continue;
            bx.n += c;
            const int v[3] = {r, g, b};
            for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], v[k]), hi[k] = std::max(hi[k], v[k]);
          }
      if (bx.n)
        for (int k = 0; k < 3; ++k) bx.lo[k] = lo[k], bx.hi[k] = hi[k];
    };
    std::vector<Box> boxes;
    Box all{{0, 0, 0}, {31, 31, 31}, 0};
    shrink(all);
    if (all.n) boxes.push_back(all);
    if (N < 1) N = 1;
    while (static_cast<int>(boxes.size()) < N) {
      int best = -1;
      uint64_t bestScore = 0;
      for (size_t i = 0; i < boxes.size(); ++i) {
        const Box& b = boxes[i];
        const int ext = std::max({b.hi[0] - b.lo[0], b.hi[1] - b.lo[1], b.hi[2] - b.lo[2]});
        if (ext == 0) continue;
        const uint64_t score = b.n * static_cast<uint64_t>(ext + 1);
        if (score > bestScore) bestScore = score, best = static_cast<int>(i);
      }
      if (best < 0) break;
      Box b = boxes[best];
      int axis = 0;
      for (int k = 1; k < 3; ++k)
        if (b.hi[k] - b.lo[k] > b.hi[axis] - b.lo[axis]) axis = k;
      // Population per slice along the axis; cut where half the pixels lie below.
      std::vector<uint64_t> slice(32, 0);
      for (int r = b.lo[0]; r <= b.hi[0]; ++r)
        for (int g = b.lo[1]; g <= b.hi[1]; ++g)
          for (int bb = b.lo[2]; bb <= b.hi[2]; ++bb) {
            const int v[3] = {r, g, bb};
            slice[v[axis]] += count[binOf(r, g, bb)];
          }
      uint64_t acc = 0;
      int cut = b.lo[axis];
      for (int s = b.lo[axis]; s < b.hi[axis]; ++s) {
        acc += slice[s];
        cut = s;
        if (acc * 2 >= b.n) break;
      }
      Box a = b, c = b;
      a.hi[axis] = cut;
      c.lo[axis] = cut + 1;
      shrink(a);
      shrink(c);
      boxes[best] = a;
      if (c.n) boxes.push_back(c);
    }
    FLut.assign(32768, -1);
    FCount = static_cast<int>(boxes.size());
    for (int i = 0; i < FCount; ++i) {
      const Box& b = boxes[i];
      uint64_t s[3] = {0, 0, 0};
      for (int r = b.lo[0]; r <= b.hi[0]; ++r)
        for (int g = b.lo[1]; g <= b.hi[1]; ++g)
          for (int bb = b.lo[2]; bb <= b.hi[2]; ++bb) {
            const int k = binOf(r, g, bb);
            if (!count[k]) continue;
            FLut[k] = i;
            for (int j = 0; j < 3; ++j) s[j] += sum[3 * k + j];
          }
      FPalette[i] = IEMakeRGB(uint8_t((s[0] + b.n / 2) / b.n), uint8_t((s[1] + b.n / 2) / b.n),
                              uint8_t((s[2] + b.n / 2) / b.n));
    }
  }
  int ColorIndex(TIERGBPixel Color) override {
    int& slot = FLut[Bin(Color)];
    if (slot < 0) slot = IENearestPaletteIndex(FPalette, FCount, Color);  // a colour the image did not have
    return slot;
  }

private:
  TIERGBPixel* FPalette;
  int FCount = 0;
  std::vector<int> FLut;
};

// Reads one row of any format as 24-bit colours. AverageScale: ie16g as v x 255 / 65535 (the
// average colour's rule) instead of the high byte (the threshold's rule).
void ReadRowRGB(TIEBitmap* bmp, int y, TIERGBPixel* out, bool AverageScale) {
  const int w = bmp->Width();
  const uint8_t* s = bmp->Scanline(y);
  switch (bmp->PixelFormat()) {
    case ie1g:
      for (int x = 0; x < w; ++x) {
        const uint8_t v = IEGetBit(s, x) ? 255 : 0;
        out[x] = TIERGBPixel{v, v, v};
      }
      break;
    case ie8p: {
      const TIERGBPixel* pal = bmp->Palette();
      for (int x = 0; x < w; ++x) out[x] = pal ? pal[s[x]] : TIERGBPixel{0, 0, 0};
      break;
    }
    case ie8g:
      for (int x = 0; x < w; ++x) out[x] = TIERGBPixel{s[x], s[x], s[x]};
      break;
    case ie16g:
      for (int x = 0; x < w; ++x) {
        const uint16_t v = reinterpret_cast<const uint16_t*>(s)[x];
        const uint8_t g = AverageScale ? static_cast<uint8_t>(v * 255 / 65535) : static_cast<uint8_t>(v >> 8);
        out[x] = TIERGBPixel{g, g, g};
      }
      break;
    case ie24RGB:
      std::memcpy(out, s, static_cast<size_t>(w) * 3);
      break;
    case ie32f:
      for (int x = 0; x < w; ++x) {
        const double v = reinterpret_cast<const float*>(s)[x] * 255.0;
        const uint8_t g = v >= 255 ? 255 : (v > 0 ? static_cast<uint8_t>(v) : 0);
        out[x] = TIERGBPixel{g, g, g};
      }
      break;
    case ieCMYK:
      for (int x = 0; x < w; ++x) out[x] = IECMYK2RGB(reinterpret_cast<const TIECMYK*>(s)[x]);
      break;
    case ieRGB48:
      for (int x = 0; x < w; ++x) {
        const TIERGB48Pixel p = reinterpret_cast<const TIERGB48Pixel*>(s)[x];
        if (AverageScale)
          out[x] = IEMakeRGB(uint8_t(p.r * 255 / 65535), uint8_t(p.g * 255 / 65535), uint8_t(p.b * 255 / 65535));
        else
          out[x] = IEMakeRGB(uint8_t(p.r >> 8), uint8_t(p.g >> 8), uint8_t(p.b >> 8));
      }
      break;
    case ieCIELab:
      for (int x = 0; x < w; ++x) out[x] = IECIELabToRGB(reinterpret_cast<const TIECIELabPixel*>(s)[x]);
      break;
    case ie32RGB:
      for (int x = 0; x < w; ++x) std::memcpy(&out[x], s + 4 * x, 3);
      break;
    default:
      std::memset(out, 0, static_cast<size_t>(w) * 3);
  }
}

// Rows with X1 <= x < min(X2, W) of Y1 <= y < min(Y2, H), with the grey-style progress.
template <typename Fn>
void ForRect24(TIEBitmap* bmp, int X1, int Y1, int X2, int Y2, TObject* Sender, const TIEProgressEvent& OnProgress,
               Fn fn) {
  if (!bmp || bmp->PixelFormat() != ie24RGB) return;
  X1 = std::max(X1, 0);
  Y1 = std::max(Y1, 0);
  const int x2 = std::min(X2, bmp->Width()), y2 = std::min(Y2, bmp->Height());
  if (X1 >= x2 || Y1 >= y2) return;
  TIEProgress prog(Sender, OnProgress);
  for (int y = Y1; y < y2; ++y) {
    uint8_t* row = bmp->Scanline(y) + 3 * X1;
    fn(row, x2 - X1);
    prog.Report(static_cast<int>((y - Y1 + 1) * 100.0 / (y2 - Y1 - 0.5)));
  }
}

}  // namespace

TIEColorReducer* IECreateColorReducer(TIEBitmap* Bitmap, TIERGBPixel* Palette, int N) {
  if (IEColorReducerFactory)
    if (TIEColorReducer* r = IEColorReducerFactory(Bitmap, Palette, N)) return r;
  return new TMedianCutReducer(Bitmap, Palette, N);
}

void IEQuantizeRGB(TIEBitmap* Bitmap, int NumColors, TIERGBPixel* Palette, TObject* Sender,
                   const TIEProgressEvent& OnProgress) {
  if (!Bitmap || Bitmap->PixelFormat() != ie24RGB || NumColors < 1) return;
  std::vector<TIERGBPixel> own;
  if (!Palette) {
    own.assign(static_cast<size_t>(NumColors), TIERGBPixel{0, 0, 0});
    Palette = own.data();
  }
  std::unique_ptr<TIEColorReducer> q(IECreateColorReducer(Bitmap, Palette, NumColors));
  TIEProgress prog(Sender, OnProgress);
  const int w = Bitmap->Width(), h = Bitmap->Height();
  for (int y = 0; y < h; ++y) {
    TIERGBPixel* row = reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(y));
    for (int x = 0; x < w; ++x) row[x] = Palette[q->ColorIndex(row[x])];
    prog.Report(static_cast<int>((y + 1) * 100.0 / (h + 0.5)));
  }
}

void IEConvertToGray24(TIEBitmap* Bitmap, int X1, int Y1, int X2, int Y2, TObject* Sender,
                       const TIEProgressEvent& OnProgress) {
  const int wr = IEGrayWeightRed, wg = IEGrayWeightGreen, wb = IEGrayWeightBlue;
  ForRect24(Bitmap, X1, Y1, X2, Y2, Sender, OnProgress, [&](uint8_t* p, int n) {
    for (int x = 0; x < n; ++x, p += 3) p[0] = p[1] = p[2] = static_cast<uint8_t>((p[2] * wr + p[1] * wg + p[0] * wb) / 100);
  });
}

void IEIntensityRGB24(TIEBitmap* Bitmap, int R, int G, int B, int X1, int Y1, int X2, int Y2, TObject* Sender,
                      const TIEProgressEvent& OnProgress) {
  uint8_t tr[256], tg[256], tb[256];
  auto clampAdd = [](int i, int d) { return IEClampByte(static_cast<int>(std::clamp<int64_t>(int64_t(i) + d, -1, 256))); };
  for (int i = 0; i < 256; ++i) tr[i] = clampAdd(i, R), tg[i] = clampAdd(i, G), tb[i] = clampAdd(i, B);
  ForRect24(Bitmap, X1, Y1, X2, Y2, Sender, OnProgress, [&](uint8_t* p, int n) {
    for (int x = 0; x < n; ++x, p += 3) {
      p[0] = tb[p[0]];
      p[1] = tg[p[1]];
      p[2] = tr[p[2]];
    }
  });
}

void IEOrderedDither1Bit(TIEBitmap* Bitmap, TObject* Sender, const TIEProgressEvent& OnProgress) {
  if (!Bitmap || Bitmap->PixelFormat() != ie24RGB) return;
  const int w = Bitmap->Width(), h = Bitmap->Height();
  TIEBitmap bw;
  bw.SetLocation(Bitmap->Location() == ieFile ? ieFile : ieMemory);
  if (!bw.Allocate(w, h, ie1g)) return;
  TIEProgress prog(Sender, OnProgress);
  for (int y = 0; y < h; ++y) {
    const uint8_t* s = Bitmap->Scanline(y);
    uint8_t* d = bw.Scanline(y);
    std::memset(d, 0, static_cast<size_t>((w + 7) / 8));
    for (int x = 0; x < w; ++x, s += 3) {
      const int v = (s[0] >= 251 && s[1] >= 251 && s[2] >= 251) ? 64 : IERGBToGray(TIERGBPixel{s[0], s[1], s[2]}) / 4;
      if (IEBayer8[x & 7][y & 7] < v) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
    prog.Report(static_cast<int>((y + 1) * 100.0 / (h + 0.5)));
  }
  Bitmap->CopyImageFrom(&bw);
}

void IEThresholdTo1Bit(TIEBitmap* Bitmap, TObject* Sender, const TIEProgressEvent& OnProgress) {
  if (!Bitmap || Bitmap->PixelFormat() != ie24RGB) return;
  TIEBitmap bw;
  bw.SetLocation(Bitmap->Location() == ieFile ? ieFile : ieMemory);
  if (!bw.Allocate(Bitmap->Width(), Bitmap->Height(), ie1g)) return;
  IEConvertToBWThreshold(Bitmap, &bw, -1, Sender, OnProgress);
  Bitmap->CopyImageFrom(&bw);
}

void IEGrayHistogram(TIEBitmap* Bitmap, uint32_t* Counts) {
  std::memset(Counts, 0, 256 * sizeof(uint32_t));
  if (!Bitmap || Bitmap->IsEmpty()) return;
  const int w = Bitmap->Width();
  if (Bitmap->PixelFormat() == ie1g) {
    for (int y = 0; y < Bitmap->Height(); ++y) {
      const uint8_t* s = Bitmap->Scanline(y);
      for (int x = 0; x < w; ++x) ++Counts[IEGetBit(s, x) ? 1 : 0];
    }
    return;
  }
  std::vector<TIERGBPixel> row(static_cast<size_t>(w));
  for (int y = 0; y < Bitmap->Height(); ++y) {
    ReadRowRGB(Bitmap, y, row.data(), false);
    for (int x = 0; x < w; ++x) ++Counts[IERGBToGray(row[x]) & 255];
  }
}

void IEConvertToBWThreshold(TIEBitmap* Source, TIEBitmap* Dest, int Threshold, TObject* Sender,
                            const TIEProgressEvent& OnProgress) {
  if (!Source || !Dest || Source->IsEmpty()) return;
  if (Source->PixelFormat() == ie1g) {
    Dest->CopyImageFrom(Source);
    return;
  }
  if (Dest->PixelFormat() != ie1g || Dest->Width() != Source->Width() || Dest->Height() != Source->Height()) return;
  const int w = Source->Width(), h = Source->Height();
  const double per = 100.0 / (h + 0.5);
  if (Threshold == -2) {
    uint32_t hist[256];
    IEGrayHistogram(Source, hist);
    const double total = static_cast<double>(w) * h;
    double p[256], HT = 0;
    for (int i = 0; i < 256; ++i) {
      p[i] = hist[i] / total;
      if (p[i] != 0) HT -= p[i] * std::log(p[i]);
    }
    double best = 0, psi = 0, P = 0, Ht = 0;
    for (int t = 1; t <= 255; ++t) {
      P += p[t - 1];
      if (p[t - 1] > 0) Ht -= p[t - 1] * std::log(p[t - 1]);
      if (P > 0 && P < 1) psi = std::log(P - P * P) + Ht / P + (HT - Ht) / (1 - P);
      if (psi > best) {
        best = psi;
        Threshold = t;
      }
    }
  } else if (Threshold == -1) {
    int r, g, b;
    IEAverageRGB(Source, r, g, b);
    Threshold = (r * IEGrayWeightRed + g * IEGrayWeightGreen + b * IEGrayWeightBlue) / 100;
  }
  TIEProgress prog(Sender, OnProgress);
  std::vector<TIERGBPixel> row(static_cast<size_t>(w));
  for (int y = 0; y < h; ++y) {
    ReadRowRGB(Source, y, row.data(), false);
    uint8_t* d = Dest->Scanline(y);
    std::memset(d, 0, static_cast<size_t>((w + 7) / 8));
    for (int x = 0; x < w; ++x)
      if (IERGBToGray(row[x]) >= Threshold) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    prog.Report(static_cast<int>((y + 1) * per));
  }
}

TIEBitmap* IETwoColorTo1Bit(TIEBitmap* Bitmap, TIERGBPixel& Color1, TIERGBPixel& Color2) {
  if (!Bitmap || Bitmap->IsEmpty()) return nullptr;
  const int w = Bitmap->Width(), h = Bitmap->Height();
  auto bw = std::make_unique<TIEBitmap>();
  bw->SetLocation(ieMemory);
  if (!bw->Allocate(w, h, ie1g)) return nullptr;
  int found = 0;
  std::vector<TIERGBPixel> row(static_cast<size_t>(w));
  for (int y = 0; y < h && found <= 2; ++y) {
    ReadRowRGB(Bitmap, y, row.data(), true);
    uint8_t* d = bw->Scanline(y);
    std::memset(d, 0, static_cast<size_t>(bw->RowLen()));
    for (int x = 0; x < w; ++x) {
      const TIERGBPixel c = row[x];
      if (found == 0) {
        Color1 = c;
        found = 1;
      } else if (!IESameRGB(c, Color1) && (found == 1 || !IESameRGB(c, Color2))) {
        if (found == 1) Color2 = c;
        ++found;  // a third colour ends the scan at the next row
      }
      if (!IESameRGB(c, Color1)) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
    }
  }
  if (found != 2) return nullptr;
  if (IERGBToGray(Color2) < IERGBToGray(Color1)) {
    // Only the pixels' bits are inverted: the bits past the width and the row padding stay 0,
    // so that writers which store whole rows write clean padding.
    const int full = w / 8, rest = w % 8;
    for (int y = 0; y < h; ++y) {
      uint8_t* d = bw->Scanline(y);
      for (int i = 0; i < full; ++i) d[i] = static_cast<uint8_t>(~d[i]);
      if (rest) d[full] = static_cast<uint8_t>(~d[full] & (0xFF00 >> rest));
    }
    std::swap(Color1, Color2);
  }
  return bw.release();
}

int IENearestPaletteIndex(const TIERGBPixel* Palette, int Count, TIERGBPixel Color) {
  int best = 1000, index = 0;
  for (int i = 0; i < Count; ++i) {
    const int d = std::abs(Palette[i].r - Color.r) + std::abs(Palette[i].g - Color.g) + std::abs(Palette[i].b - Color.b);
    if (d < best) {
      best = d;
      index = i;
    }
  }
  return index;
}

void IEReorderChannels(TIEBitmap* Bitmap, const std::string& Order, TObject* Sender, const TIEProgressEvent& OnProgress) {
  if (!Bitmap || Bitmap->BitCount() != 24 || Order.size() < 3) return;
  int src[3];
  for (int k = 0; k < 3; ++k) {
    const char c = static_cast<char>(std::toupper(static_cast<unsigned char>(Order[k])));
    src[k] = c == 'B' ? 0 : c == 'G' ? 1 : c == 'R' ? 2 : -1;
    if (src[k] < 0) return;
  }
  TIEProgress prog(Sender, OnProgress);
  const int w = Bitmap->Width(), h = Bitmap->Height();
  for (int y = 0; y < h; ++y) {
    prog.Report(static_cast<int>(int64_t(y) * 100 / h));
    uint8_t* p = Bitmap->Scanline(y);
    for (int x = 0; x < w; ++x, p += 3) {
      const uint8_t o[3] = {p[0], p[1], p[2]};
      p[0] = o[src[0]];
      p[1] = o[src[1]];
      p[2] = o[src[2]];
    }
  }
}

void IEAverageRGB(TIEBitmap* Bitmap, int& R, int& G, int& B) {
  R = G = B = 128;
  if (!Bitmap || Bitmap->IsEmpty() || Bitmap->PixelFormat() == ieNone) return;
  const int w = Bitmap->Width(), h = Bitmap->Height();
  std::vector<TIERGBPixel> row(static_cast<size_t>(w));
  int64_t r = 0, g = 0, b = 0;
  for (int y = 0; y < h; ++y) {
    ReadRowRGB(Bitmap, y, row.data(), true);
    int64_t sr = 0, sg = 0, sb = 0;
    for (int x = 0; x < w; ++x) sr += row[x].r, sg += row[x].g, sb += row[x].b;
    r += sr / w;
    g += sg / w;
    b += sb / w;
  }
  R = static_cast<int>(r / h);
  G = static_cast<int>(g / h);
  B = static_cast<int>(b / h);
}
