// Mirroring, alpha bounds, fills, rounded corners, histogram matching and the filter presets.
#include "imaging/core/ietransform.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iedib.h"
#include "imaging/core/ieutils.h"

namespace {

template <int B>
void ReverseRow(const uint8_t* s, uint8_t* d, int w) {
  for (int x = 0; x < w; ++x) std::memcpy(d + x * B, s + (w - 1 - x) * B, B);
}

// Mirrors one bitmap (no alpha handling) into a new content.
void FlipPixels(TIEBitmap* bmp, int Direction) {
  const int w = bmp->Width(), h = bmp->Height();
  const TIEPixelFormat pf = bmp->PixelFormat();
  TIEBitmap tmp;
  tmp.SetLocation(bmp->Location() == ieFile ? ieFile : ieMemory);
  if (!tmp.Allocate(w, h, pf)) return;
  const int rowLen = bmp->RowLen();
  for (int y = 0; y < h; ++y) {
    if (Direction == 1) {
      std::memcpy(tmp.Scanline(y), bmp->Scanline(h - 1 - y), static_cast<size_t>(rowLen));
      continue;
    }
    const uint8_t* s = bmp->Scanline(y);
    uint8_t* d = tmp.Scanline(y);
    // Every format is mirrored pixel by pixel at its own size, so that 16-bit grey, float, CMYK,
    // 48-bit, Lab and 32-bit images are mirrored like the others.
    switch (IEBitsPerPixel[pf]) {
      case 1:
        std::memset(d, 0, static_cast<size_t>(rowLen));
        for (int x = 0; x < w; ++x)
          if (IEGetBit(s, w - 1 - x)) d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        break;
      case 8:
        ReverseRow<1>(s, d, w);
        break;
      case 16:
        ReverseRow<2>(s, d, w);
        break;
      case 24:
        ReverseRow<3>(s, d, w);
        break;
      case 32:
        ReverseRow<4>(s, d, w);
        break;
      case 48:
        ReverseRow<6>(s, d, w);
        break;
    }
  }
  bmp->CopyImageFrom(&tmp);
}

}  // namespace

void IEFlipBitmap(TIEBitmap* Bitmap, int Direction) {
  if (!Bitmap || Bitmap->IsEmpty() || Bitmap->PixelFormat() == ieNone || (Direction != 0 && Direction != 1)) return;
  const bool full = Bitmap->Full;
  FlipPixels(Bitmap, Direction);
  Bitmap->Full = full;
  if (Bitmap->HasAlphaChannel()) {
    TIEBitmap* a = Bitmap->GetAlphaChannel();
    const bool afull = a->Full;
    FlipPixels(a, Direction);
    a->Full = afull;
  }
}

void IEAlphaBoundingRect(TIEBitmap* Bitmap, TIERectangle& Rect) {
  if (!Bitmap) return;
  const int W = Bitmap->Width(), H = Bitmap->Height();
  if (!Bitmap->HasAlphaChannel()) {
    Rect = {0, 0, W - 1, H - 1};
    return;
  }
  TIEBitmap* a = Bitmap->GetAlphaChannel();
  Rect = {W, H, -1, -1};
  const int aw = std::min(W, a->Width()), ah = std::min(H, a->Height());
  for (int y = 0; y < ah; ++y) {
    const uint8_t* r = a->Scanline(y);
    int first = -1, last = -1;
    for (int x = 0; x < aw; ++x)
      if (r[x]) {
        if (first < 0) first = x;
        last = x;
      }
    if (first < 0) continue;
    Rect.Left = std::min(Rect.Left, first);
    Rect.Right = std::max(Rect.Right, last);
    Rect.Top = std::min(Rect.Top, y);
    Rect.Bottom = std::max(Rect.Bottom, y);
  }
}

void IEFillArea(TIEBitmap* Bitmap, int x1, int y1, int x2, int y2, TIERGBPixel Color, TObject* Sender,
                const TIEProgressEvent& OnProgress) {
  if (!Bitmap || Bitmap->IsEmpty()) return;
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, Bitmap->Width());
  y2 = std::min(y2, Bitmap->Height());
  if (x1 >= x2 || y1 >= y2) return;
  if (Bitmap->PixelFormat() == ie24RGB) {
    TIEProgress prog(Sender, OnProgress);
    for (int y = y1; y < y2; ++y) {
      TIERGBPixel* p = reinterpret_cast<TIERGBPixel*>(Bitmap->Scanline(y));
      std::fill(p + x1, p + x2, Color);
      prog.Report(static_cast<int>((y - y1 + 1) * 100 / (y2 - 1 - y1 + 0.5)));
    }
  } else if (Bitmap->PixelFormat() == ie1g) {
    for (int y = y1; y < y2; ++y) {
      uint8_t* p = Bitmap->Scanline(y);
      for (int x = x1; x < x2; ++x) IESetBit(p, x, Color.r != 0);
    }
  }
}

void IERoundAlphaCorners(TIEBitmap* Bitmap, int rx, int ry) {
  if (!Bitmap || Bitmap->IsEmpty() || rx == 0 || ry == 0) return;
  const int W = Bitmap->Width(), H = Bitmap->Height();
  TIEBitmap* alpha = Bitmap->GetAlphaChannel();
  if (!alpha) return;
  const int n = rx + ry;
  if (n <= 0) return;
  auto bezier = [&](double t, double p0x, double p0y, double p1x, double p1y, double p2x, double p2y, int& x, int& y) {
    const double u = 1 - t;
    // P3 equals P2 in both corner curves.
    const double bx = u * u * u * p0x + 3 * t * u * u * p1x + 3 * t * t * u * p2x + t * t * t * p2x;
    const double by = u * u * u * p0y + 3 * t * u * u * p1y + 3 * t * t * u * p2y + t * t * t * p2y;
    x = static_cast<int>(std::nearbyint(bx));
    y = static_cast<int>(std::nearbyint(by));
  };
  auto clearRow = [&](int y, int from, int to) {  // columns from..to and their mirrors
    if (y < 0 || y >= H) return;
    uint8_t* r = alpha->Scanline(y);
    from = std::max(from, 0);
    to = std::min(to, W - 1);
    for (int x = from; x <= to; ++x) r[x] = r[W - 1 - x] = 0;
  };
  for (int k = 1; k <= n; ++k) {
    const double t = double(k) / n;
    int x, y;
    bezier(t, 0, ry, 0, 0, rx, 0, x, y);
    x = std::clamp(x, 0, W - 1);
    y = std::clamp(y, 0, H - 1);
    for (int row = 0; row <= y; ++row) clearRow(row, 0, x);
    bezier(t, W, H - ry, W, H, W - rx, H, x, y);
    x = std::max(x, 0);
    y = std::max(y, 0);
    for (int row = y; row < H; ++row) clearRow(row, x, W - 1);
  }
  alpha->UpdateOpaqueFlag();
}

void IEMatchHistogram(TIEBitmap* Reference, TIEBitmap* Bitmap) {
  if (!Reference || !Bitmap || Reference->PixelFormat() != ie24RGB || Reference->IsEmpty() || Bitmap->IsEmpty()) return;
  const TIEPixelFormat pf = Bitmap->PixelFormat();
  if (pf != ie24RGB && pf != ieRGB48) return;
  const int rw = Reference->Width(), rh = Reference->Height();
  uint64_t ref[3][256] = {};
  for (int y = 0; y < rh; ++y) {
    const uint8_t* p = Reference->Scanline(y);
    for (int x = 0; x < rw; ++x)
      for (int ch = 0; ch < 3; ++ch) ++ref[ch][p[3 * x + ch]];  // byte order blue, green, red
  }
  const double N = double(rw) * rh;
  const int w = Bitmap->Width(), h = Bitmap->Height();
  // Channel k of a pixel: byte k (blue, green, red) for ie24RGB; word 2 - k for ieRGB48.
  auto get = [&](uint8_t* row, int x, int k) -> int {
    if (pf == ie24RGB) return row[3 * x + k];
    return reinterpret_cast<uint16_t*>(row)[3 * x + 2 - k] >> 8;
  };
  auto set = [&](uint8_t* row, int x, int k, int v) {
    if (pf == ie24RGB)
      row[3 * x + k] = static_cast<uint8_t>(v);
    else
      reinterpret_cast<uint16_t*>(row)[3 * x + 2 - k] = static_cast<uint16_t>(v * 257);
  };
  for (int k = 0; k < 3; ++k) {
    uint64_t hist[256] = {};
    for (int y = 0; y < h; ++y) {
      uint8_t* row = Bitmap->Scanline(y);
      for (int x = 0; x < w; ++x) ++hist[get(row, x, k)];
    }
    int e[256];
    uint64_t acc = 0;
    for (int i = 0; i < 256; ++i) {
      acc += hist[i];
      e[i] = static_cast<int>(acc * 255.0 / (double(w) * h));
    }
    double c[256];
    uint64_t racc = 0;
    for (int i = 0; i < 256; ++i) {
      racc += ref[k][i];
      c[i] = 255 / N * racc;
    }
    int s[256];
    for (int i = 0; i < 256; ++i) {
      int best = 0;
      double bd = std::fabs(i - c[0]);
      for (int j = 1; j < 256; ++j)
        if (std::fabs(i - c[j]) < bd) bd = std::fabs(i - c[j]), best = j;
      s[i] = best;
    }
    for (int y = 0; y < h; ++y) {
      uint8_t* row = Bitmap->Scanline(y);
      for (int x = 0; x < w; ++x) set(row, x, k, s[e[get(row, x, k)]]);
    }
  }
}

namespace {
std::unique_ptr<std::vector<TIEFilterPresetRecord>> gPresets;
std::unique_ptr<std::vector<std::string>> gPresetNames;
}  // namespace

void IEInitFilterPresets() {
  if (gPresets) return;
  gPresets = std::make_unique<std::vector<TIEFilterPresetRecord>>();
  gPresetNames = std::make_unique<std::vector<std::string>>();
  const TIEFilterPresetRecord table[9] = {
      {{0, 0, 0, 0, 1, 0, 0, 0, 0}, 0},      {{1, 1, 1, 1, 1, 1, 1, 1, 1}, 9},
      {{1, 1, 1, 1, -8, 1, 1, 1, 1}, 1},     {{-1, 0, 1, -1, 1, 1, -1, 0, 1}, 1},
      {{0, -1, 0, -1, 5, -1, 0, -1, 0}, 1},  {{-1, -1, -1, -1, 9, -1, -1, -1, -1}, 1},
      {{1, -2, 1, -2, 5, -2, 1, -2, 1}, 1},  {{1, 1, 1, 1, 1, 1, 1, 1, 1}, 10},
      {{1, 2, 1, 2, 4, 2, 1, 2, 1}, 16}};
  const char* names[9] = {"None",        "Blur",        "Edges",      "Emboss",    "High Pass 1",
                          "High Pass 2", "High Pass 3", "Low Pass 1", "Low Pass 2"};
  for (int i = 0; i < 9; ++i) {
    gPresets->push_back(table[i]);
    gPresetNames->push_back(names[i]);
  }
}

void IEFreeFilterPresets() {
  gPresets.reset();
  gPresetNames.reset();
}

std::vector<TIEFilterPresetRecord>& IEFilterPresets() {
  IEInitFilterPresets();
  return *gPresets;
}

std::vector<std::string>& IEFilterPresetNames() {
  IEInitFilterPresets();
  return *gPresetNames;
}

int IEAddFilterPreset(const TIEFilterPresetRecord& Record, const std::string& Name) {
  IEFilterPresets().push_back(Record);
  IEFilterPresetNames().push_back(Name);
  return static_cast<int>(gPresets->size()) - 1;
}
