// Regions: y-banded span lists, their boolean operations, rasterised shapes and the region API.
//
// A region is a list of bands (rows top..bottom-1 sharing the same sorted, disjoint x-spans).
// Every operation produces the canonical form (adjacent equal bands merged), so two regions
// covering the same pixels compare equal.
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

#include "platform/win/gdi_internal.h"

namespace {

void NormaliseSpans(std::vector<TSpan>& v) {
  if (v.size() < 2) {
    if (v.size() == 1 && v[0].x0 >= v[0].x1) v.clear();
    return;
  }
  std::sort(v.begin(), v.end(), [](const TSpan& a, const TSpan& b) { return a.x0 < b.x0; });
  size_t o = 0;
  for (const TSpan& s : v) {
    if (s.x0 >= s.x1) continue;
    if (o > 0 && s.x0 <= v[o - 1].x1) {
      v[o - 1].x1 = std::max(v[o - 1].x1, s.x1);
    } else {
      v[o++] = s;
    }
  }
  v.resize(o);
}

bool SameSpans(const std::vector<TSpan>& a, const std::vector<TSpan>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (a[i].x0 != b[i].x0 || a[i].x1 != b[i].x1) return false;
  return true;
}

void AppendBand(std::vector<TBand>& out, int top, int bottom, std::vector<TSpan>&& spans) {
  if (spans.empty() || top >= bottom) return;
  if (!out.empty() && out.back().bottom == top && SameSpans(out.back().spans, spans)) {
    out.back().bottom = bottom;
    return;
  }
  out.push_back(TBand{top, bottom, std::move(spans)});
}

bool OpKeeps(int mode, bool a, bool b) {
  switch (mode) {
    case RGN_AND: return a && b;
    case RGN_OR: return a || b;
    case RGN_XOR: return a != b;
    case RGN_DIFF: return a && !b;
    default: return a;
  }
}

std::vector<TSpan> CombineSpans(const std::vector<TSpan>* a, const std::vector<TSpan>* b, int mode) {
  static const std::vector<TSpan> none;
  const std::vector<TSpan>& A = a ? *a : none;
  const std::vector<TSpan>& B = b ? *b : none;
  std::vector<TSpan> out;
  if (mode == RGN_AND && (A.empty() || B.empty())) return out;
  if (B.empty() && mode != RGN_AND) return A;
  if (A.empty() && (mode == RGN_OR || mode == RGN_XOR)) return B;
  // Sweep over the span boundaries of both lists.
  size_t i = 0, j = 0;
  bool inA = false, inB = false;
  int x = INT_MIN;
  bool cur = false;
  int start = 0;
  while (i < 2 * A.size() || j < 2 * B.size()) {
    int xa = i < 2 * A.size() ? (i % 2 ? A[i / 2].x1 : A[i / 2].x0) : INT_MAX;
    int xb = j < 2 * B.size() ? (j % 2 ? B[j / 2].x1 : B[j / 2].x0) : INT_MAX;
    x = std::min(xa, xb);
    if (xa == x) { inA = !(i % 2); ++i; }
    if (xb == x) { inB = !(j % 2); ++j; }
    bool now = OpKeeps(mode, inA, inB);
    if (now != cur) {
      if (now) start = x;
      else out.push_back(TSpan{start, x});
      cur = now;
    }
  }
  return out;
}

int64_t FloorDiv(__int128 a, __int128 b) {
  __int128 q = a / b;
  if ((a % b != 0) && ((a < 0) != (b < 0))) --q;
  if (q > INT_MAX) return INT_MAX;
  if (q < INT_MIN) return INT_MIN;
  return static_cast<int64_t>(q);
}
int64_t CeilDiv(__int128 a, __int128 b) { return -FloorDiv(-a, b); }

// Rows a shape may cover when the caller gives no tighter bound: keeps hostile coordinates from
// allocating gigabytes of rows.
constexpr int kRowLimit = 1 << 16;

}  // namespace

TRegion TRegion::FromRect(int l, int t, int r, int b) {
  TRegion g;
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  if (l < r && t < b) g.Bands.push_back(TBand{t, b, {TSpan{l, r}}});
  return g;
}

TRegion TRegion::FromRows(int top, std::vector<std::vector<TSpan>>& rows) {
  TRegion g;
  for (size_t i = 0; i < rows.size(); ++i) {
    NormaliseSpans(rows[i]);
    int y = top + static_cast<int>(i);
    AppendBand(g.Bands, y, y + 1, std::move(rows[i]));
  }
  return g;
}

TRegion TRegion::Combine(const TRegion& a, const TRegion& b, int mode) {
  if (mode == RGN_COPY) return a;
  TRegion out;
  std::vector<int> ys;
  ys.reserve(2 * (a.Bands.size() + b.Bands.size()));
  for (const TBand& x : a.Bands) { ys.push_back(x.top); ys.push_back(x.bottom); }
  for (const TBand& x : b.Bands) { ys.push_back(x.top); ys.push_back(x.bottom); }
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  size_t ia = 0, ib = 0;
  for (size_t k = 0; k + 1 < ys.size(); ++k) {
    int y0 = ys[k], y1 = ys[k + 1];
    while (ia < a.Bands.size() && a.Bands[ia].bottom <= y0) ++ia;
    while (ib < b.Bands.size() && b.Bands[ib].bottom <= y0) ++ib;
    const std::vector<TSpan>* sa = ia < a.Bands.size() && a.Bands[ia].top <= y0 ? &a.Bands[ia].spans : nullptr;
    const std::vector<TSpan>* sb = ib < b.Bands.size() && b.Bands[ib].top <= y0 ? &b.Bands[ib].spans : nullptr;
    if (!sa && !sb) continue;
    AppendBand(out.Bands, y0, y1, CombineSpans(sa, sb, mode));
  }
  return out;
}

RECT TRegion::Box() const {
  if (Bands.empty()) return RECT{0, 0, 0, 0};
  RECT r{INT_MAX, Bands.front().top, INT_MIN, Bands.back().bottom};
  for (const TBand& b : Bands) {
    r.left = std::min(r.left, b.spans.front().x0);
    r.right = std::max(r.right, b.spans.back().x1);
  }
  return r;
}

int TRegion::Kind() const {
  if (Bands.empty()) return NULLREGION;
  return Bands.size() == 1 && Bands[0].spans.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

void TRegion::Offset(int dx, int dy) {
  for (TBand& b : Bands) {
    b.top += dy;
    b.bottom += dy;
    for (TSpan& s : b.spans) { s.x0 += dx; s.x1 += dx; }
  }
}

const TBand* TRegion::BandAt(int y) const {
  auto it = std::upper_bound(Bands.begin(), Bands.end(), y,
                             [](int v, const TBand& b) { return v < b.bottom; });
  if (it == Bands.end() || it->top > y) return nullptr;
  return &*it;
}

bool TRegion::Contains(int x, int y) const {
  const TBand* b = BandAt(y);
  if (!b) return false;
  for (const TSpan& s : b->spans)
    if (x >= s.x0 && x < s.x1) return true;
  return false;
}

bool TRegion::Intersects(const RECT& r) const {
  if (r.left >= r.right || r.top >= r.bottom) return false;
  for (const TBand& b : Bands) {
    if (b.bottom <= r.top) continue;
    if (b.top >= r.bottom) break;
    for (const TSpan& s : b.spans)
      if (s.x0 < r.right && s.x1 > r.left) return true;
  }
  return false;
}

std::vector<RECT> TRegion::Rects() const {
  std::vector<RECT> v;
  for (const TBand& b : Bands)
    for (const TSpan& s : b.spans) v.push_back(RECT{s.x0, b.top, s.x1, b.bottom});
  return v;
}

bool TRegion::operator==(const TRegion& o) const {
  if (Bands.size() != o.Bands.size()) return false;
  for (size_t i = 0; i < Bands.size(); ++i)
    if (Bands[i].top != o.Bands[i].top || Bands[i].bottom != o.Bands[i].bottom ||
        !SameSpans(Bands[i].spans, o.Bands[i].spans))
      return false;
  return true;
}

TRegion PolygonRegion(const POINT* pts, const int* counts, int polys, int mode) {
  struct Edge { int64_t x1, y1, x2, y2; int dir; };
  std::vector<Edge> edges;
  int64_t ymin = INT64_MAX, ymax = INT64_MIN;
  const POINT* p = pts;
  for (int k = 0; k < polys; ++k) {
    int n = counts[k];
    for (int i = 0; i < n; ++i) {
      POINT a = p[i], b = p[(i + 1) % n];
      ymin = std::min<int64_t>(ymin, a.y);
      ymax = std::max<int64_t>(ymax, a.y);
      if (a.y == b.y) continue;
      if (a.y < b.y) edges.push_back(Edge{a.x, a.y, b.x, b.y, 1});
      else edges.push_back(Edge{b.x, b.y, a.x, a.y, -1});
    }
    p += n;
  }
  TRegion g;
  if (edges.empty()) return g;
  ymin = std::max<int64_t>(ymin, -kRowLimit);
  ymax = std::min<int64_t>(ymax, kRowLimit);
  if (ymin >= ymax) return g;
  std::sort(edges.begin(), edges.end(), [](const Edge& a, const Edge& b) { return a.y1 < b.y1; });
  struct Cross { int64_t px; int dir; };
  std::vector<Cross> cr;
  std::vector<TSpan> spans;
  size_t next = 0;
  std::vector<const Edge*> active;
  for (int64_t y = ymin; y < ymax; ++y) {
    cr.clear();
    // Sample at the pixel centre row y + 0.5; an edge covers rows y1 <= y < y2.
    while (next < edges.size() && edges[next].y1 <= y) active.push_back(&edges[next++]);
    std::erase_if(active, [y](const Edge* e) { return e->y2 <= y; });
    for (const Edge* ep : active) {
      const Edge& e = *ep;
      // Crossing x = x1 + (2y + 1 - 2y1)(x2 - x1) / (2(y2 - y1)); the first pixel whose centre
      // lies at or right of it is ceil(x - 1/2).
      __int128 D = 2 * static_cast<__int128>(e.y2 - e.y1);
      __int128 N = static_cast<__int128>(e.x1) * D + (2 * y + 1 - 2 * e.y1) * static_cast<__int128>(e.x2 - e.x1);
      cr.push_back(Cross{CeilDiv(2 * N - D, 2 * D), e.dir});
    }
    std::sort(cr.begin(), cr.end(), [](const Cross& a, const Cross& b) { return a.px < b.px; });
    spans.clear();
    int wind = 0;
    for (size_t i = 0; i + 1 < cr.size(); ++i) {
      wind += cr[i].dir;
      bool inside = mode == WINDING ? wind != 0 : (i % 2) == 0;
      if (inside && cr[i].px < cr[i + 1].px)
        spans.push_back(TSpan{static_cast<int>(cr[i].px), static_cast<int>(cr[i + 1].px)});
    }
    NormaliseSpans(spans);
    AppendBand(g.Bands, static_cast<int>(y), static_cast<int>(y) + 1, std::move(spans));
    spans = {};
  }
  return g;
}

namespace {
// Half-width of an ellipse of radii (a, b) at vertical distance dy from its centre.
double HalfWidth(double a, double b, double dy) {
  double t = 1.0 - (dy * dy) / (b * b);
  return t <= 0 ? -1 : a * std::sqrt(t);
}
// Rows of a rounded rectangle (an ellipse when the corners span the whole box). The shape is
// made exactly symmetric: each row's right end mirrors its left end, each lower row the upper.
TRegion RoundShape(int l, int t, int r, int b, int w, int h) {
  // Coordinates beyond a billion pixels are cut so the arithmetic below cannot overflow.
  const int lim = 1 << 30;
  l = std::clamp(l, -lim, lim);
  t = std::clamp(t, -lim, lim);
  r = std::clamp(r, -lim, lim);
  b = std::clamp(b, -lim, lim);
  if (l > r) std::swap(l, r);
  if (t > b) std::swap(t, b);
  TRegion g;
  if (r - l <= 0 || b - t <= 0) return g;
  w = std::clamp(w, 0, r - l);
  h = std::clamp(h, 0, b - t);
  if (w <= 1 || h <= 1) return TRegion::FromRect(l, t, r, b);
  int top = std::max(t, -kRowLimit), bot = std::min(b, kRowLimit);
  if (top >= bot) return g;
  double a = w / 2.0, bb = h / 2.0;
  double cyTop = t + bb;
  std::vector<std::vector<TSpan>> rows(static_cast<size_t>(bot - top));
  for (int y = top; y < bot; ++y) {
    // Mirror rows of the lower half onto the upper half for symmetry.
    int ym = (y - t) < (b - 1 - y) ? y : (t + b - 1 - y);
    double yc = ym + 0.5;
    int x0 = l;
    if (yc < cyTop) {
      double hw = HalfWidth(a, bb, yc - cyTop);
      if (hw < 0) continue;
      x0 = static_cast<int>(std::ceil(l + a - hw - 0.5 - 1e-9));
    }
    int x1 = l + r - x0;
    if (x0 < x1) rows[static_cast<size_t>(y - top)].push_back(TSpan{x0, x1});
  }
  return TRegion::FromRows(top, rows);
}
}  // namespace

TRegion EllipseRegion(int l, int t, int r, int b) {
  return RoundShape(l, t, r, b, static_cast<int>(std::min<int64_t>(std::llabs(int64_t(r) - l), 1 << 30)),
                    static_cast<int>(std::min<int64_t>(std::llabs(int64_t(b) - t), 1 << 30)));
}

TRegion RoundRectRegion(int l, int t, int r, int b, int w, int h) {
  return RoundShape(l, t, r, b, w == INT_MIN ? INT_MAX : std::abs(w), h == INT_MIN ? INT_MAX : std::abs(h));
}

TRegion FrameOf(const TRegion& r, int w, int h) {
  // The frame is every pixel of r that has a pixel outside r within w columns or h rows.
  TRegion inner = r;
  auto erode = [&](int dx, int dy) {
    TRegion s = r;
    s.Offset(dx, dy);
    inner = TRegion::Combine(inner, s, RGN_AND);
  };
  for (int d = 1; d <= w; ++d) { erode(d, 0); erode(-d, 0); }
  for (int d = 1; d <= h; ++d) { erode(0, d); erode(0, -d); }
  return TRegion::Combine(r, inner, RGN_DIFF);
}

// ---- The region API ----
namespace {
TGdiRegionObj* Rgn(HRGN h) { return GdiAs<TGdiRegionObj>(h, OBJ_REGION); }
HRGN NewRgn(TRegion&& g) {
  auto* o = new TGdiRegionObj;
  o->Rgn = std::move(g);
  return static_cast<HRGN>(GdiRegister(o, OBJ_REGION));
}
}  // namespace

HRGN CreateRectRgn(int l, int t, int r, int b) { return NewRgn(TRegion::FromRect(l, t, r, b)); }
HRGN CreateRectRgnIndirect(const RECT* r) {
  return r ? CreateRectRgn(r->left, r->top, r->right, r->bottom) : nullptr;
}
HRGN CreateRoundRectRgn(int l, int t, int r, int b, int w, int h) {
  return NewRgn(RoundRectRegion(l, t, r, b, w, h));
}
HRGN CreateEllipticRgn(int l, int t, int r, int b) { return NewRgn(EllipseRegion(l, t, r, b)); }
HRGN CreateEllipticRgnIndirect(const RECT* r) {
  return r ? CreateEllipticRgn(r->left, r->top, r->right, r->bottom) : nullptr;
}
HRGN CreatePolygonRgn(const POINT* pts, int count, int mode) {
  if (!pts || count < 2) return nullptr;
  return NewRgn(PolygonRegion(pts, &count, 1, mode));
}
HRGN CreatePolyPolygonRgn(const POINT* pts, const INT* counts, int polys, int mode) {
  if (!pts || !counts || polys <= 0) return nullptr;
  for (int i = 0; i < polys; ++i)
    if (counts[i] < 2) return nullptr;
  return NewRgn(PolygonRegion(pts, counts, polys, mode));
}

HRGN ExtCreateRegion(const XFORM* xf, DWORD size, const RGNDATA* data) {
  if (!data || size < sizeof(RGNDATAHEADER) || data->rdh.iType != RDH_RECTANGLES) return nullptr;
  DWORD n = data->rdh.nCount;
  if (static_cast<uint64_t>(n) * sizeof(RECT) + data->rdh.dwSize > size) return nullptr;
  const auto* rects = reinterpret_cast<const RECT*>(reinterpret_cast<const char*>(data) + data->rdh.dwSize);
  TRegion g;
  for (DWORD i = 0; i < n; ++i) {
    RECT r;
    std::memcpy(&r, rects + i, sizeof r);
    if (xf) {
      // Translation and scaling only; rotation has no banded form.
      auto tx = [&](double x, double y) { return x * xf->eM11 + y * xf->eM21 + xf->eDx; };
      auto ty = [&](double x, double y) { return x * xf->eM12 + y * xf->eM22 + xf->eDy; };
      RECT m{static_cast<LONG>(std::lround(tx(r.left, r.top))), static_cast<LONG>(std::lround(ty(r.left, r.top))),
             static_cast<LONG>(std::lround(tx(r.right, r.bottom))), static_cast<LONG>(std::lround(ty(r.right, r.bottom)))};
      r = m;
    }
    g = TRegion::Combine(g, TRegion::FromRect(r), RGN_OR);
  }
  return NewRgn(std::move(g));
}

DWORD GetRegionData(HRGN rgn, DWORD size, RGNDATA* out) {
  TGdiRegionObj* o = Rgn(rgn);
  if (!o) return 0;
  std::vector<RECT> rects = o->Rgn.Rects();
  DWORD need = sizeof(RGNDATAHEADER) + static_cast<DWORD>(rects.size() * sizeof(RECT));
  if (!out) return need;
  if (size < need) return 0;
  out->rdh.dwSize = sizeof(RGNDATAHEADER);
  out->rdh.iType = RDH_RECTANGLES;
  out->rdh.nCount = static_cast<DWORD>(rects.size());
  out->rdh.nRgnSize = static_cast<DWORD>(rects.size() * sizeof(RECT));
  out->rdh.rcBound = o->Rgn.Box();
  if (!rects.empty())
    std::memcpy(reinterpret_cast<char*>(out) + sizeof(RGNDATAHEADER), rects.data(), rects.size() * sizeof(RECT));
  return need;
}

int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode) {
  TGdiRegionObj* d = Rgn(dst);
  TGdiRegionObj* ra = Rgn(a);
  if (!d || !ra || mode < RGN_AND || mode > RGN_COPY) return ERROR;
  if (mode == RGN_COPY) {
    d->Rgn = ra->Rgn;
    return d->Rgn.Kind();
  }
  TGdiRegionObj* rb = Rgn(b);
  if (!rb) return ERROR;
  d->Rgn = TRegion::Combine(ra->Rgn, rb->Rgn, mode);
  return d->Rgn.Kind();
}

BOOL EqualRgn(HRGN a, HRGN b) {
  TGdiRegionObj *ra = Rgn(a), *rb = Rgn(b);
  if (!ra || !rb) return FALSE;
  return ra->Rgn == rb->Rgn;
}

int OffsetRgn(HRGN rgn, int dx, int dy) {
  TGdiRegionObj* o = Rgn(rgn);
  if (!o) return ERROR;
  o->Rgn.Offset(dx, dy);
  return o->Rgn.Kind();
}

BOOL PtInRegion(HRGN rgn, int x, int y) {
  TGdiRegionObj* o = Rgn(rgn);
  return o && o->Rgn.Contains(x, y);
}

BOOL RectInRegion(HRGN rgn, const RECT* r) {
  TGdiRegionObj* o = Rgn(rgn);
  if (!o || !r) return FALSE;
  RECT n = *r;
  if (n.left > n.right) std::swap(n.left, n.right);
  if (n.top > n.bottom) std::swap(n.top, n.bottom);
  return o->Rgn.Intersects(n);
}

int GetRgnBox(HRGN rgn, RECT* r) {
  TGdiRegionObj* o = Rgn(rgn);
  if (!o || !r) return ERROR;
  *r = o->Rgn.Box();
  return o->Rgn.Kind();
}

BOOL SetRectRgn(HRGN rgn, int l, int t, int r, int b) {
  TGdiRegionObj* o = Rgn(rgn);
  if (!o) return FALSE;
  o->Rgn = TRegion::FromRect(l, t, r, b);
  return TRUE;
}
