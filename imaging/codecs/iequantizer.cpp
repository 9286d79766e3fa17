// Colour quantizers and TIEQuantizer (see iequantizer.h).
#include "imaging/codecs/iequantizer.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

#include "imaging/core/iebitmap.h"

int32_t IEQuantizerAlgorithm = -1;
int32_t IEQuantizerQuality = -1;

ORV_CLASS_IMPL(TIEQuantizer, TObject)

namespace {

inline uint32_t Pack(TIERGBPixel p) { return p.b | (p.g << 8) | (static_cast<uint32_t>(p.r) << 16); }

// Rounds to the nearest integer, ties to even.
inline int RoundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

// ======================= box split =======================

struct TIEBox {
  double Variance = 0;
  double Mean[3] = {0, 0, 0};  // red, green, blue in 5-bit units
  int32_t Count = 0;
  int32_t Hist[3][32] = {};
  int32_t Lower[3] = {0, 0, 0};  // inclusive
  int32_t Upper[3] = {0, 0, 0};  // exclusive
};

struct TIEBoxSplitRec {
  std::vector<int32_t> Histogram;  // 32,768 cells: (r>>3)*1024 + (g>>3)*32 + (b>>3)
  TIEBox Boxes[256];
  std::vector<uint8_t> Lookup;     // palette index per cell
  int64_t Total = 0;
  int MaxColors = 0;
  int Produced = 0;
};

namespace {

inline int Cell(int r, int g, int b) { return r * 1024 + g * 32 + b; }

void BoxStats(TIEBox& box, int64_t total) {
  box.Variance = 0;
  if (box.Count == 0) return;
  double var = 0;
  for (int a = 0; a < 3; ++a) {
    double s = 0, s2 = 0;
    for (int j = box.Lower[a]; j < box.Upper[a]; ++j) {
      s += static_cast<double>(j) * box.Hist[a][j];
      s2 += static_cast<double>(j) * j * box.Hist[a][j];
    }
    box.Mean[a] = s / box.Count;
    var += s2 - box.Mean[a] * box.Mean[a] * box.Count;
  }
  box.Variance = var / static_cast<double>(total);
}

void RebuildMarginals(TIEBoxSplitRec& rec, TIEBox& box) {
  std::memset(box.Hist, 0, sizeof box.Hist);
  for (int r = box.Lower[0]; r < box.Upper[0]; ++r)
    for (int g = box.Lower[1]; g < box.Upper[1]; ++g)
      for (int b = box.Lower[2]; b < box.Upper[2]; ++b) {
        int32_t h = rec.Histogram[Cell(r, g, b)];
        box.Hist[0][r] += h;
        box.Hist[1][g] += h;
        box.Hist[2][b] += h;
      }
}

void ShrinkBounds(TIEBox& box) {
  for (int a = 0; a < 3; ++a) {
    int lo = box.Lower[a], hi = box.Upper[a];
    while (lo < hi && box.Hist[a][lo] == 0) ++lo;
    while (hi > lo && box.Hist[a][hi - 1] == 0) --hi;
    if (lo < hi) {
      box.Lower[a] = lo;
      box.Upper[a] = hi;
    }
  }
}

constexpr double FailedAxis = 17523.6;

// Splits Parent along one axis; false when that axis cannot be split.
bool SplitAxis(TIEBoxSplitRec& rec, const TIEBox& parent, int a, TIEBox& first, TIEBox& second) {
  if (parent.Lower[a] + 1 >= parent.Upper[a]) return false;
  const int32_t* h = parent.Hist[a];
  double mean = parent.Mean[a];
  int start = RoundEven((parent.Lower[a] + mean) * 0.5);
  int stop = RoundEven((parent.Upper[a] + mean) * 0.5);
  // The marginal histograms have 32 cells: keep the search inside the box.
  if (start < parent.Lower[a]) start = parent.Lower[a];
  if (stop > parent.Upper[a] - 1) stop = parent.Upper[a] - 1;
  int64_t below = 0;
  for (int j = parent.Lower[a]; j < start; ++j) below += h[j];
  double acc = 0, best = -1;
  int cut = start;
  int64_t cutCount = parent.Count;
  for (int e = start; e <= stop; ++e) {
    below += h[e];
    if (below == parent.Count) break;
    acc += static_cast<double>(h[e]) * e / parent.Count;
    double d = mean - acc;
    double score = static_cast<double>(below) / static_cast<double>(parent.Count - below) * d * d;
    if (score > best) {
      best = score;
      cut = e;
      cutCount = below;
    }
  }
  first = parent;
  second = parent;
  first.Count = static_cast<int32_t>(cutCount);
  first.Upper[a] = cut + 1;
  second.Count = static_cast<int32_t>(parent.Count - cutCount);
  second.Lower[a] = cut + 1;
  if (first.Count <= 0 || second.Count <= 0) return false;
  RebuildMarginals(rec, first);
  for (int ax = 0; ax < 3; ++ax)
    for (int j = 0; j < 32; ++j) second.Hist[ax][j] -= first.Hist[ax][j];
  ShrinkBounds(first);
  ShrinkBounds(second);
  BoxStats(first, rec.Total);
  BoxStats(second, rec.Total);
  return true;
}

bool SplitBox(TIEBoxSplitRec& rec, int index, int newIndex) {
  TIEBox& box = rec.Boxes[index];
  if (box.Variance == 0 || box.Count == 0) return false;
  TIEBox halves[3][2];
  double value[3];
  for (int a = 0; a < 3; ++a) {
    if (SplitAxis(rec, box, a, halves[a][0], halves[a][1]))
      value[a] = halves[a][0].Variance + halves[a][1].Variance;
    else
      value[a] = FailedAxis;
  }
  for (int a = 0; a < 3; ++a) {
    if (value[a] >= FailedAxis) continue;
    bool smallest = true;
    for (int o = 0; o < 3; ++o)
      if (value[o] < value[a]) smallest = false;
    if (!smallest) continue;
    rec.Boxes[index] = halves[a][0];
    rec.Boxes[newIndex] = halves[a][1];
    return true;
  }
  return false;
}

}  // namespace

TIEBoxSplitRec* BoxSplitQuantizer(TIEBitmap* Bitmap, TIERGBPixel* Palette, int N, int* Produced) {
  if (N < 1) N = 1;
  if (N > 256) N = 256;
  auto* rec = new TIEBoxSplitRec();
  rec->Histogram.assign(32768, 0);
  rec->Lookup.assign(32768, 0);
  rec->MaxColors = N;
  int w = Bitmap->Width(), h = Bitmap->Height();
  rec->Total = static_cast<int64_t>(w) * h;
  TIEBox& first = rec->Boxes[0];
  for (int y = 0; y < h; ++y) {
    const TIERGBPixel* row = reinterpret_cast<const TIERGBPixel*>(Bitmap->Scanline(y));
    for (int x = 0; x < w; ++x) {
      int r = row[x].r >> 3, g = row[x].g >> 3, b = row[x].b >> 3;
      ++rec->Histogram[Cell(r, g, b)];
      ++first.Hist[0][r];
      ++first.Hist[1][g];
      ++first.Hist[2][b];
    }
  }
  for (int a = 0; a < 3; ++a) {
    first.Lower[a] = 0;
    first.Upper[a] = 32;
  }
  first.Count = static_cast<int32_t>(rec->Total);
  if (rec->Total > 0) BoxStats(first, rec->Total);
  int boxes = 1;
  while (boxes < N) {
    int pick = -1;
    double most = 0;
    for (int i = 0; i < boxes; ++i)
      if (rec->Boxes[i].Variance > most) {
        most = rec->Boxes[i].Variance;
        pick = i;
      }
    if (pick < 0) break;
    if (SplitBox(*rec, pick, boxes))
      ++boxes;
    else
      rec->Boxes[pick].Variance = 0;
  }
  rec->Produced = boxes;
  for (int i = 0; i < boxes; ++i) {
    const TIEBox& b = rec->Boxes[i];
    Palette[i] = TIERGBPixel{static_cast<uint8_t>(std::min(255, RoundEven(b.Mean[2]) * 8)),
                             static_cast<uint8_t>(std::min(255, RoundEven(b.Mean[1]) * 8)),
                             static_cast<uint8_t>(std::min(255, RoundEven(b.Mean[0]) * 8))};
    for (int r = b.Lower[0]; r < b.Upper[0]; ++r)
      for (int g = b.Lower[1]; g < b.Upper[1]; ++g)
        for (int bl = b.Lower[2]; bl < b.Upper[2]; ++bl) rec->Lookup[Cell(r, g, bl)] = static_cast<uint8_t>(i);
  }
  if (Produced) *Produced = boxes;
  return rec;
}

int BoxSplitLookup(TIEBoxSplitRec* Rec, TIERGBPixel c) { return Rec->Lookup[Cell(c.r >> 3, c.g >> 3, c.b >> 3)]; }

void BoxSplitFree(TIEBoxSplitRec* Rec) { delete Rec; }

// ======================= neural network =======================

struct TIENeuralRec {
  int NetSize = 0;
  std::vector<int32_t> Net;  // 4 per neuron: blue, green, red, palette index
  std::vector<int32_t> Bias, Freq, RadPower;
  int32_t NetIndex[256] = {};
};

int NeuralSamplingFactor(int64_t Pixels, int Quality) {
  if (Quality < 0) {
    if (Pixels < 2000) return 1;
    // 64-bit arithmetic: very large images keep the factor at its upper limit.
    double v = 13.0 * static_cast<double>(Pixels - 2000) / 148000.0 + 2;
    int f = v > 1000 ? 1000 : RoundEven(v);
    return f < 1 ? 1 : (f > 30 ? 30 : f);
  }
  if (Quality > 100) Quality = 100;
  return static_cast<int>((100 - Quality) / 100.0 * 29) + 1;
}

namespace {

void ComputeRadPower(TIENeuralRec& n, int rad, int alpha) {
  for (int k = 0; k < rad; ++k)
    n.RadPower[k] = alpha * static_cast<int>(((static_cast<int64_t>(rad) * rad - k * k) * 256) / (rad * rad));
}

int Contest(TIENeuralRec& n, int b, int g, int r) {
  int bestd = 0x7FFFFFFF, bestbiasd = 0x7FFFFFFF, bestpos = -1, bestbiaspos = -1;
  for (int i = 0; i < n.NetSize; ++i) {
    int32_t* p = &n.Net[i * 4];
    int dist = std::abs(p[0] - b) + std::abs(p[1] - g) + std::abs(p[2] - r);
    if (dist < bestd) {
      bestd = dist;
      bestpos = i;
    }
    int biasdist = dist - (n.Bias[i] >> 12);
    if (biasdist < bestbiasd) {
      bestbiasd = biasdist;
      bestbiaspos = i;
    }
    int betafreq = n.Freq[i] >> 10;
    n.Freq[i] -= betafreq;
    n.Bias[i] += betafreq * 1024;
  }
  n.Freq[bestpos] += 64;
  n.Bias[bestpos] -= 65536;
  return bestbiaspos;
}

void AlterNeighbours(TIENeuralRec& n, int rad, int i, int b, int g, int r) {
  int lo = i - rad < -1 ? -1 : i - rad;
  int hi = i + rad > n.NetSize ? n.NetSize : i + rad;
  int j = i + 1, k = i - 1, m = 1;
  while (j < hi || k > lo) {
    int a = n.RadPower[m++];
    if (j < hi) {
      int32_t* p = &n.Net[j * 4];
      p[0] -= static_cast<int32_t>(static_cast<int64_t>(p[0] - b) * a / 262144);
      p[1] -= static_cast<int32_t>(static_cast<int64_t>(p[1] - g) * a / 262144);
      p[2] -= static_cast<int32_t>(static_cast<int64_t>(p[2] - r) * a / 262144);
      ++j;
    }
    if (k > lo) {
      int32_t* p = &n.Net[k * 4];
      p[0] -= static_cast<int32_t>(static_cast<int64_t>(p[0] - b) * a / 262144);
      p[1] -= static_cast<int32_t>(static_cast<int64_t>(p[1] - g) * a / 262144);
      p[2] -= static_cast<int32_t>(static_cast<int64_t>(p[2] - r) * a / 262144);
      --k;
    }
  }
}

}  // namespace

TIENeuralRec* NeuralQuantizer(TIEBitmap* Bitmap, TIERGBPixel* Palette, int Quality, int N) {
  if (N < 1) N = 1;
  if (N > 256) N = 256;
  auto* rec = new TIENeuralRec();
  TIENeuralRec& n = *rec;
  n.NetSize = N;
  n.Net.assign(N * 4, 0);
  n.Bias.assign(N, 0);
  n.Freq.assign(N, 65536 / N);
  n.RadPower.assign(N / 8 + 1, 0);
  for (int i = 0; i < N; ++i) n.Net[i * 4] = n.Net[i * 4 + 1] = n.Net[i * 4 + 2] = i * 4096 / N;

  int w = Bitmap->Width(), h = Bitmap->Height();
  int64_t pixels = static_cast<int64_t>(w) * h;
  if (pixels > 0) {
    int samplefac = NeuralSamplingFactor(pixels, Quality);
    int alphadec = 30 + (samplefac - 1) / 3;
    int64_t samples = 3 * pixels / (3 * static_cast<int64_t>(samplefac));
    int64_t delta = samples / 100;
    if (delta < 1) delta = 1;
    int alpha = 1024;
    int radius = (N / 8) * 64;
    int rad = radius <= 127 ? 0 : radius / 64;
    ComputeRadPower(n, rad, alpha);
    int64_t step;
    if ((3 * pixels) % 499 != 0)
      step = 499;
    else if ((3 * pixels) % 491 != 0)
      step = 491;
    else if ((3 * pixels) % 487 != 0)
      step = 487;
    else
      step = 503;
    int64_t pos = 0;
    for (int64_t i = 0; i < samples;) {
      const TIERGBPixel px = Bitmap->GetPixelRGB(static_cast<int>(pos % w), static_cast<int>(pos / w));
      int b = px.b << 4, g = px.g << 4, r = px.r << 4;
      int j = Contest(n, b, g, r);
      int32_t* p = &n.Net[j * 4];
      p[0] -= (p[0] - b) * alpha / 1024;
      p[1] -= (p[1] - g) * alpha / 1024;
      p[2] -= (p[2] - r) * alpha / 1024;
      if (rad > 0) AlterNeighbours(n, rad, j, b, g, r);
      pos = (pos + step) % pixels;
      ++i;
      if (i % delta == 0) {
        alpha -= alpha / alphadec;
        radius -= radius / 30;
        rad = radius / 64;
        if (rad <= 1) rad = 0;
        ComputeRadPower(n, rad, alpha);
      }
    }
  }
  // Unbias, palette, then the green index.
  for (int i = 0; i < N; ++i) {
    for (int c = 0; c < 3; ++c) {
      int v = (n.Net[i * 4 + c] + 8) >> 4;
      n.Net[i * 4 + c] = v > 255 ? 255 : (v < 0 ? 0 : v);
    }
    n.Net[i * 4 + 3] = i;
    Palette[i] = TIERGBPixel{static_cast<uint8_t>(n.Net[i * 4]), static_cast<uint8_t>(n.Net[i * 4 + 1]),
                             static_cast<uint8_t>(n.Net[i * 4 + 2])};
  }
  int previous = 0, start = 0;
  for (int i = 0; i < N; ++i) {
    int smallpos = i, smallval = n.Net[i * 4 + 1];
    for (int j = i + 1; j < N; ++j)
      if (n.Net[j * 4 + 1] < smallval) {
        smallpos = j;
        smallval = n.Net[j * 4 + 1];
      }
    if (smallpos != i)
      for (int c = 0; c < 4; ++c) std::swap(n.Net[i * 4 + c], n.Net[smallpos * 4 + c]);
    if (smallval != previous) {
      n.NetIndex[previous] = (start + i) >> 1;
      for (int j = previous + 1; j < smallval; ++j) n.NetIndex[j] = i;
      previous = smallval;
      start = i;
    }
  }
  n.NetIndex[previous] = (start + N - 1) >> 1;
  for (int j = previous + 1; j < 256; ++j) n.NetIndex[j] = N - 1;
  return rec;
}

int NeuralLookup(TIENeuralRec* Rec, TIERGBPixel c) {
  TIENeuralRec& n = *Rec;
  int b = c.b, g = c.g, r = c.r;
  int bestd = 1000, best = -1;
  // The network is sorted by green: walk up from the green index and down below it, each side
  // stopping once its green distance alone reaches the best distance found.
  auto consider = [&](const int32_t* p, int greenDist) {
    int dist = greenDist < 0 ? -greenDist : greenDist;
    dist += std::abs(p[0] - b);
    if (dist >= bestd) return;
    dist += std::abs(p[2] - r);
    if (dist < bestd) {
      bestd = dist;
      best = p[3];
    }
  };
  int i = n.NetIndex[g], j = i - 1;
  while (i < n.NetSize || j >= 0) {
    if (i < n.NetSize) {
      const int32_t* p = &n.Net[i * 4];
      const int dist = p[1] - g;
      if (dist >= bestd) {
        i = n.NetSize;
      } else {
        ++i;
        consider(p, dist);
      }
    }
    if (j >= 0) {
      const int32_t* p = &n.Net[j * 4];
      const int dist = g - p[1];
      if (dist >= bestd) {
        j = -1;
      } else {
        --j;
        consider(p, dist);
      }
    }
  }
  return best;
}

void NeuralFree(TIENeuralRec* Rec) { delete Rec; }

// ======================= TIEQuantizer =======================

TIEQuantizer::TIEQuantizer(TIEBitmap* Bitmap, TIERGBPixel* Palette, int N) : FBitmap(Bitmap) {
  if (N < 1) N = 1;
  if (N > 256) N = 256;
  GrayScale = Bitmap->IsGrayScale() ? 1 : 0;
  NColors = N;
  if (!GrayScale && Bitmap->PixelFormat() == ie24RGB) {
    // Exact colours, in order of first appearance; give up at the (N + 1)-th.
    std::unordered_map<uint32_t, int>& seen = FExactIndex;
    bool tooMany = false;
    const int w = Bitmap->Width(), h = Bitmap->Height();
    for (int y = 0; y < h && !tooMany; ++y) {
      const TIERGBPixel* row = reinterpret_cast<const TIERGBPixel*>(Bitmap->Scanline(y));
      for (int x = 0; x < w; ++x) {
        uint32_t c = Pack(row[x]);
        if (seen.count(c)) continue;
        if (static_cast<int>(FExact.size()) == N) {
          tooMany = true;
          break;
        }
        seen.emplace(c, static_cast<int>(FExact.size()));
        FExact.push_back(c);
      }
    }
    if (!tooMany) {
      FHasExact = true;
      for (size_t i = 0; i < FExact.size(); ++i) {
        uint32_t c = FExact[i];
        Palette[i] = TIERGBPixel{static_cast<uint8_t>(c), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c >> 16)};
      }
      return;
    }
    FExact.clear();
    FExactIndex.clear();
    int algo = IEQuantizerAlgorithm;
    if (algo == -1) algo = N >= 128 ? 0 : 1;
    if (algo == 1) {
      Algorithm = 1;
      FBox = BoxSplitQuantizer(Bitmap, Palette, N);
    } else {
      Algorithm = 0;
      FNeural = NeuralQuantizer(Bitmap, Palette, IEQuantizerQuality, N);
    }
    return;
  }
  if (Bitmap->PixelFormat() == ie8p) {
    for (int i = 0; i < N && i < Bitmap->PaletteLength(); ++i) Palette[i] = Bitmap->GetPaletteEntry(i);
  } else if (GrayScale) {
    for (int i = 0; i < N; ++i) {
      uint8_t v = static_cast<uint8_t>(static_cast<int>(256.0 / N * i));
      Palette[i] = TIERGBPixel{v, v, v};
    }
  }
}

TIEQuantizer::~TIEQuantizer() {
  if (FBox) BoxSplitFree(FBox);
  if (FNeural) NeuralFree(FNeural);
}

int TIEQuantizer::GetColorIndex(TIERGBPixel Color) {
  if (FHasExact) {
    auto it = FExactIndex.find(Pack(Color));
    return it == FExactIndex.end() ? -1 : it->second;
  }
  if (GrayScale) return Color.r * NColors / 256;
  if (FBox) return BoxSplitLookup(FBox, Color);
  if (FNeural) return NeuralLookup(FNeural, Color);
  if (FBitmap->PixelFormat() == ie8p) {
    int n = FBitmap->PaletteLength();
    for (int i = 0; i < n; ++i)
      if (FBitmap->GetPaletteEntry(i) == Color) return i;
    return n;
  }
  return 0;
}
