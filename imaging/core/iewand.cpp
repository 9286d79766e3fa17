// Magic wand. The region is grown by a scanline fill over an explicit stack of row segments with
// a visited bit map, never by recursion, so that regions as large as the image are handled.
#include "imaging/core/iewand.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/iemask.h"

namespace {

struct TRegion {
  int W = 0, H = 0;
  std::vector<uint8_t> Visited;  // one byte per pixel (a bit map in spirit; bytes are faster here)
  int Left = 0, Top = 0, Right = -1, Bottom = -1;
  bool At(int x, int y) const { return Visited[static_cast<size_t>(y) * W + x] != 0; }
};

// Reads every row as RGB once, so that similarity tests are plain byte compares.
struct TRgbImage {
  int W, H;
  std::vector<TIERGBPixel> Px;
  explicit TRgbImage(TIEBitmap* b) : W(b->Width()), H(b->Height()), Px(static_cast<size_t>(W) * H) {
    for (int y = 0; y < H; ++y)
      for (int x = 0; x < W; ++x) Px[static_cast<size_t>(y) * W + x] = b->GetPixelAsRGB(x, y);
  }
  const TIERGBPixel& At(int x, int y) const { return Px[static_cast<size_t>(y) * W + x]; }
};

inline bool Similar(const TIERGBPixel& p, const TIERGBPixel& s, int t) {
  return std::abs(p.r - s.r) <= t && std::abs(p.g - s.g) <= t && std::abs(p.b - s.b) <= t;
}

bool Fill(TIEBitmap* b, int X, int Y, int Tolerance, TRegion& r) {
  if (!b || b->IsEmpty() || X < 0 || Y < 0 || X >= b->Width() || Y >= b->Height()) return false;
  const TRgbImage img(b);
  r.W = img.W;
  r.H = img.H;
  r.Visited.assign(static_cast<size_t>(r.W) * r.H, 0);
  r.Left = r.W;
  r.Top = r.H;
  const TIERGBPixel start = img.At(X, Y);
  auto ok = [&](int x, int y) { return !r.Visited[static_cast<size_t>(y) * r.W + x] && Similar(img.At(x, y), start, Tolerance); };
  struct TSeg {
    int y, x;
  };
  std::vector<TSeg> stack;
  stack.reserve(static_cast<size_t>(2 * r.W));
  stack.push_back({Y, X});
  while (!stack.empty()) {
    const TSeg s = stack.back();
    stack.pop_back();
    if (!ok(s.x, s.y)) continue;
    int l = s.x, rr = s.x;
    while (l > 0 && ok(l - 1, s.y)) --l;
    while (rr < r.W - 1 && ok(rr + 1, s.y)) ++rr;
    for (int x = l; x <= rr; ++x) r.Visited[static_cast<size_t>(s.y) * r.W + x] = 1;
    r.Left = std::min(r.Left, l);
    r.Right = std::max(r.Right, rr);
    r.Top = std::min(r.Top, s.y);
    r.Bottom = std::max(r.Bottom, s.y);
    for (int ny : {s.y - 1, s.y + 1}) {
      if (ny < 0 || ny >= r.H) continue;
      bool inRun = false;
      for (int x = l; x <= rr; ++x) {
        const bool can = ok(x, ny);
        if (can && !inRun) stack.push_back({ny, x});
        inRun = can;
      }
    }
  }
  return true;
}

}  // namespace

void IEMagicWandFill(TIEBitmap* Bitmap, int X, int Y, int Value, TIEMask* Mask, int Tolerance, bool Grow) {
  if (!Mask) return;
  TRegion r;
  if (!Fill(Bitmap, X, Y, Tolerance, r)) return;
  for (int y = r.Top; y <= r.Bottom; ++y)
    for (int x = r.Left; x <= r.Right; ++x) {
      if (!r.At(x, y)) continue;
      if (!Grow) {
        Mask->SetPixel(x, y, Value);
        continue;
      }
      for (int yy = std::max(y - 1, 0); yy <= std::min(y + 1, r.H - 1); ++yy)
        for (int xx = std::max(x - 1, 0); xx <= std::min(x + 1, r.W - 1); ++xx) Mask->SetPixel(xx, yy, Value);
    }
}

void IEMagicWandGlobal(TIEBitmap* Bitmap, int X, int Y, int Value, TIEMask* Mask, int Tolerance) {
  if (!Mask || !Bitmap || Bitmap->IsEmpty() || X < 0 || Y < 0 || X >= Bitmap->Width() || Y >= Bitmap->Height()) return;
  const TRgbImage img(Bitmap);
  const TIERGBPixel start = img.At(X, Y);
  for (int y = 0; y < img.H; ++y)
    for (int x = 0; x < img.W; ++x)
      if (Similar(img.At(x, y), start, Tolerance)) Mask->SetPixel(x, y, Value);
}

TIEPoint* IEMagicWandPolygon(TIEBitmap* Bitmap, int X, int Y, int& Count, int Tolerance, bool Grow) {
  Count = 0;
  TRegion r;
  if (!Fill(Bitmap, X, Y, Tolerance, r)) return nullptr;
  const int bw = r.Right - r.Left + 1, bh = r.Bottom - r.Top + 1;
  std::vector<uint8_t> map(static_cast<size_t>(bw) * bh, 0);
  for (int y = 0; y < bh; ++y)
    for (int x = 0; x < bw; ++x) {
      if (!r.At(r.Left + x, r.Top + y)) continue;
      if (!Grow) {
        map[static_cast<size_t>(y) * bw + x] = 1;
        continue;
      }
      for (int yy = std::max(y - 1, 0); yy <= std::min(y + 1, bh - 1); ++yy)
        for (int xx = std::max(x - 1, 0); xx <= std::min(x + 1, bw - 1); ++xx) map[static_cast<size_t>(yy) * bw + xx] = 1;
    }
  // Grid of 4 x 4 cells per pixel with a 2-cell margin.
  const int gw = bw * 4 + 4, gh = bh * 4 + 4;
  std::vector<uint8_t> g(static_cast<size_t>(gw) * gh, 0);
  auto cell = [&](int c, int rr) -> uint8_t& { return g[static_cast<size_t>(rr) * gw + c]; };
  for (int py = 0; py < bh; ++py)
    for (int px = 0; px < bw; ++px)
      if (map[static_cast<size_t>(py) * bw + px])
        for (int rr = 4 * py + 2; rr <= 4 * py + 5; ++rr)
          for (int c = 4 * px + 2; c <= 4 * px + 5; ++c) cell(c, rr) = 1;
  // Border cells: the 0 cell just before the first 1 of every run, in four sweeps.
  for (int rr = 0; rr < gh; ++rr) {
    for (int c = 1; c < gw; ++c)
      if (cell(c, rr) == 1 && cell(c - 1, rr) != 1) cell(c - 1, rr) = 3;
    for (int c = gw - 2; c >= 0; --c)
      if (cell(c, rr) == 1 && cell(c + 1, rr) != 1) cell(c + 1, rr) = 3;
  }
  for (int c = 0; c < gw; ++c) {
    for (int rr = 1; rr < gh; ++rr)
      if (cell(c, rr) == 1 && cell(c, rr - 1) != 1) cell(c, rr - 1) = 3;
    for (int rr = gh - 2; rr >= 0; --rr)
      if (cell(c, rr) == 1 && cell(c, rr + 1) != 1) cell(c, rr + 1) = 3;
  }
  // Start: the 3 cell nearest the top-left corner of the bounding box of all 3 cells.
  int minC = gw, minR = gh;
  for (int rr = 0; rr < gh; ++rr)
    for (int c = 0; c < gw; ++c)
      if (cell(c, rr) == 3) minC = std::min(minC, c), minR = std::min(minR, rr);
  if (minC == gw) return nullptr;
  int sc = -1, sr = -1;
  int64_t best = INT64_MAX;
  for (int rr = 0; rr < gh; ++rr)
    for (int c = 0; c < gw; ++c)
      if (cell(c, rr) == 3) {
        const int64_t d = int64_t(c - minC) * (c - minC) + int64_t(rr - minR) * (rr - minR);
        if (d < best) best = d, sc = c, sr = rr;
      }
  cell(sc, sr) = 2;
  static const int dx[8] = {1, 0, -1, 0, 1, -1, -1, 1}, dy[8] = {0, -1, 0, 1, -1, -1, 1, 1};
  static const uint8_t code[8] = {0, 2, 4, 6, 1, 3, 5, 7};
  auto is3 = [&](int c, int rr) { return c >= 0 && rr >= 0 && c < gw && rr < gh && cell(c, rr) == 3; };
  std::vector<uint8_t> codes;
  codes.reserve(8192);
  int c = sc, rr = sr, last = 4;
  for (;;) {
    if (is3(c + dx[last], rr + dy[last])) {
      c += dx[last];
      rr += dy[last];
      cell(c, rr) = 2;
      codes.push_back(code[last]);
    }
    int k = 0;
    while (k < 8 && !is3(c + dx[k], rr + dy[k])) ++k;
    if (k == 8) break;
    c += dx[k];
    rr += dy[k];
    cell(c, rr) = 2;
    codes.push_back(code[k]);
    last = k;
  }
  for (int k = 0; k < 8; ++k)
    if (c + dx[k] == sc && rr + dy[k] == sr) {
      codes.push_back(code[k]);
      break;
    }
  std::vector<TIEPoint> pts;
  int x = sc + 4 * r.Left - 1, y = sr + 4 * r.Top - 1;
  pts.push_back({x, y});
  int prev = -1;
  for (uint8_t cd : codes) {
    if (prev >= 0 && cd != prev) pts.push_back({x, y});
    prev = cd;
    static const int mx[8] = {1, 1, 0, -1, -1, -1, 0, 1}, my[8] = {0, -1, -1, -1, 0, 1, 1, 1};
    x += mx[cd];
    y += my[cd];
  }
  Count = static_cast<int>(pts.size());
  TIEPoint* out = new TIEPoint[static_cast<size_t>(Count)];
  for (int i = 0; i < Count; ++i) out[i] = TIEPoint{pts[i].X / 4, pts[i].Y / 4};
  return out;
}
