// Lines, shapes, pixels, flood fills, gradients and region painting.
//
// Thin lines (cosmetic pens, width 0 or 1) are Bresenham lines that leave out their last point,
// with the pen's dash pattern running on across the segments of one call. Wide pens become
// regions (segments, caps and joins united), so an XOR pen touches each pixel once. Filled
// shapes are regions too: the brush fills the inside, the pen paints the ring around it.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "platform/win/gdi_internal.h"

namespace {

TGdiPenObj* CurPen(HDC dc) {
  TGdiObject* o = GdiLookup(dc->S.Pen);
  return o && (o->Type == OBJ_PEN || o->Type == OBJ_EXTPEN) ? static_cast<TGdiPenObj*>(o) : nullptr;
}

COLORREF PenColor(HDC dc, const TGdiPenObj* p) {
  return dc->S.Pen == GetStockObject(DC_PEN) ? dc->S.DCPenColor : p->Color;
}

bool PenNull(const TGdiPenObj* p) { return !p || p->Kind() == PS_NULL; }

// Pen width in device pixels (at least 1).
int PenWidth(HDC dc, const TGdiPenObj* p) {
  if (!p || p->Width <= 1) return 1;
  if ((p->Style & PS_TYPE_MASK) == PS_COSMETIC && p->Extended) return 1;
  return std::max(1, dc->ScaleX(p->Width));
}

// Dash pattern of a thin pen: on/off lengths in pixels, empty for a solid line.
std::vector<int> DashOf(const TGdiPenObj* p, int width) {
  if (!p) return {};
  if (width > 1 && !p->Extended) return {};  // wide pens of the old kind draw solid
  switch (p->Kind()) {
    case PS_DASH: return {18, 6};
    case PS_DOT: return {3, 3};
    case PS_DASHDOT: return {9, 6, 3, 6};
    case PS_DASHDOTDOT: return {9, 3, 3, 3, 3, 3};
    case PS_ALTERNATE: return {1, 1};
    case PS_USERSTYLE: {
      std::vector<int> v;
      for (DWORD d : p->User) v.push_back(std::max<int>(1, static_cast<int>(d)));
      return v;
    }
    default: return {};
  }
}

// The pixels of a thin line from (x0, y0) towards (x1, y1), end point left out: step i moves
// one pixel along the major axis and the minor coordinate is i * slope rounded to the nearest
// pixel. A closed form (rather than an error term carried along) lets a caller start at any step,
// so a line that runs mostly off the surface costs only its visible part.
struct TLineSteps {
  int64_t X0, Y0, DX, DY, N;
  bool XMajor;
  TLineSteps(int x0, int y0, int x1, int y1) : X0(x0), Y0(y0), DX(int64_t(x1) - x0), DY(int64_t(y1) - y0) {
    XMajor = std::llabs(DX) >= std::llabs(DY);
    N = std::max(std::llabs(DX), std::llabs(DY));
  }
  static int64_t FloorDiv(__int128 a, __int128 b) { return static_cast<int64_t>(a / b - ((a % b != 0) && ((a < 0) != (b < 0)))); }
  POINT At(int64_t i) const {
    int64_t major = XMajor ? DX : DY, minor = XMajor ? DY : DX;
    int64_t m = (major > 0 ? i : -i);
    int64_t n = FloorDiv(2 * static_cast<__int128>(i) * minor + N, 2 * static_cast<__int128>(N));
    return XMajor ? POINT{static_cast<LONG>(X0 + m), static_cast<LONG>(Y0 + n)}
                  : POINT{static_cast<LONG>(X0 + n), static_cast<LONG>(Y0 + m)};
  }
  // The steps whose major coordinate lies in [lo, hi).
  void Range(int64_t lo, int64_t hi, int64_t& first, int64_t& last) const {
    int64_t start = XMajor ? X0 : Y0, dir = (XMajor ? DX : DY) > 0 ? 1 : -1;
    int64_t a = dir > 0 ? lo - start : start - (hi - 1), b = dir > 0 ? hi - start : start - lo + 1;
    first = std::max<int64_t>(0, a);
    last = std::min<int64_t>(N, b);
  }
};

// The running state of a thin, possibly dashed line across several segments.
struct TLineDrawer {
  HDC Dc;
  TPaint On, Off;
  std::vector<int> Dash;
  int64_t DashPeriod = 0;
  int64_t Pos = 0;  // pixels of the pattern used so far
  const TRegion* Clip;
  bool SimpleClip;
  RECT Box;

  TLineDrawer(HDC dc, TGdiPenObj* pen) : Dc(dc) {
    On = SolidPaint(dc, PenColor(dc, pen));
    Dash = DashOf(pen, 1);
    if (!Dash.empty() && dc->S.BkMode == OPAQUE) Off = SolidPaint(dc, dc->S.BkColor);
    for (int d : Dash) DashPeriod += d;
    Clip = &dc->Clip();
    SimpleClip = Clip->Kind() == SIMPLEREGION;
    Box = Clip->Box();
  }
  bool Visible(int x, int y) const {
    if (SimpleClip) return x >= Box.left && x < Box.right && y >= Box.top && y < Box.bottom;
    return Clip->Contains(x, y);
  }
  bool OnAt(int64_t pos) const {
    if (Dash.empty()) return true;
    int64_t k = pos % DashPeriod;
    for (size_t i = 0; i < Dash.size(); ++i) {
      if (k < Dash[i]) return i % 2 == 0;
      k -= Dash[i];
    }
    return true;
  }
  // Device coordinates; the end point is left out.
  void Segment(int x0, int y0, int x1, int y1) {
    if (!Dc->Surf || (x0 == x1 && y0 == y1)) return;
    TLineSteps L(x0, y0, x1, y1);
    // Solid horizontal lines as one span.
    if (Dash.empty() && y0 == y1) {
      int a = x1 > x0 ? x0 : x1 + 1, b = x1 > x0 ? x1 : x0 + 1;
      ForClipSpans(Dc, y0, a, b, [&](int s, int e) { PaintSpan(*Dc->Surf, y0, s, e, On); });
      Pos += L.N;
      return;
    }
    int64_t first, last;
    if (L.XMajor) L.Range(Box.left, Box.right, first, last);
    else L.Range(Box.top, Box.bottom, first, last);
    for (int64_t i = first; i < last; ++i) {
      POINT p = L.At(i);
      if (!Visible(p.x, p.y)) continue;
      const TPaint& paint = OnAt(Pos + i) ? On : Off;
      if (!paint.Null) PaintSpan(*Dc->Surf, p.y, p.x, p.x + 1, paint);
    }
    Pos += L.N;
  }
};

TRegion Disc(double cx, double cy, int w) {
  int l = static_cast<int>(std::lround(cx - w / 2.0)), t = static_cast<int>(std::lround(cy - w / 2.0));
  return EllipseRegion(l, t, l + w, t + w);
}

TRegion Quad(const double (&xy)[8]) {
  POINT p[4];
  for (int i = 0; i < 4; ++i)
    p[i] = POINT{static_cast<LONG>(std::lround(xy[2 * i])), static_cast<LONG>(std::lround(xy[2 * i + 1]))};
  int n = 4;
  return PolygonRegion(p, &n, 1, WINDING);
}

// A wide line through device points, with the pen's caps and joins.
TRegion WidePath(const std::vector<POINT>& pts, int w, DWORD style, bool closed) {
  TRegion acc;
  size_t n = pts.size();
  if (n == 0) return acc;
  UINT cap = style & PS_ENDCAP_MASK, join = style & PS_JOIN_MASK;
  double hw = w / 2.0;
  size_t segs = closed ? n : n - 1;
  // Pixel centres sit at +0.5: shift the geometry so a line through x covers x's pixel.
  auto P = [&](size_t i) { return std::pair<double, double>(pts[i % n].x + 0.5, pts[i % n].y + 0.5); };
  for (size_t i = 0; i < segs; ++i) {
    auto [x0, y0] = P(i);
    auto [x1, y1] = P(i + 1);
    double dx = x1 - x0, dy = y1 - y0, len = std::hypot(dx, dy);
    if (len == 0) continue;
    double ux = dx / len, uy = dy / len, nx = -uy * hw, ny = ux * hw;
    double ex = 0, ey = 0;
    if (!closed && cap == PS_ENDCAP_SQUARE) { ex = ux * hw; ey = uy * hw; }
    double sx0 = (!closed && i == 0) ? ex : 0, sy0 = (!closed && i == 0) ? ey : 0;
    double sx1 = (!closed && i == segs - 1) ? ex : 0, sy1 = (!closed && i == segs - 1) ? ey : 0;
    double q[8] = {x0 + nx - sx0, y0 + ny - sy0, x1 + nx + sx1, y1 + ny + sy1,
                   x1 - nx + sx1, y1 - ny + sy1, x0 - nx - sx0, y0 - ny - sy0};
    acc = TRegion::Combine(acc, Quad(q), RGN_OR);
  }
  auto roundAt = [&](size_t i) {
    auto [x, y] = P(i);
    acc = TRegion::Combine(acc, Disc(x, y, w), RGN_OR);
  };
  if (!closed && cap == PS_ENDCAP_ROUND) {
    roundAt(0);
    roundAt(n - 1);
  }
  size_t firstJoin = closed ? 0 : 1, lastJoin = closed ? n : n - 1;
  for (size_t i = firstJoin; i < lastJoin; ++i) {
    if (join == PS_JOIN_ROUND) {
      roundAt(i);
      continue;
    }
    // Bevel (and miter, approximated by its bevel plus the miter tip when short enough).
    auto [px, py] = P(i + n - 1);
    auto [cx, cy] = P(i);
    auto [qx, qy] = P(i + 1);
    double ax = cx - px, ay = cy - py, bx = qx - cx, by = qy - cy;
    double la = std::hypot(ax, ay), lb = std::hypot(bx, by);
    if (la == 0 || lb == 0) continue;
    double n1x = -ay / la * hw, n1y = ax / la * hw, n2x = -by / lb * hw, n2y = bx / lb * hw;
    double cross = ax * by - ay * bx;
    double s = cross > 0 ? -1 : 1;  // the outer side of the turn
    double q[8] = {cx, cy, cx + s * n1x, cy + s * n1y, cx + s * n2x, cy + s * n2y, cx, cy};
    acc = TRegion::Combine(acc, Quad(q), RGN_OR);
    if (join == PS_JOIN_MITER) {
      double mx = n1x + n2x, my = n1y + n2y, ml = std::hypot(mx, my);
      if (ml > 0) {
        double cosHalf = ml / (2 * hw);
        if (cosHalf > 0.1) {  // miter limit 10
          double k = hw / cosHalf / ml;
          double tip[8] = {cx + s * n1x, cy + s * n1y, cx + s * mx * k, cy + s * my * k,
                           cx + s * n2x, cy + s * n2y, cx, cy};
          acc = TRegion::Combine(acc, Quad(tip), RGN_OR);
        }
      }
    }
  }
  return acc;
}

// Draws a poly-line in logical coordinates with the current pen.
void StrokePath(HDC dc, const POINT* pts, int n, bool closed) {
  TGdiPenObj* pen = CurPen(dc);
  if (PenNull(pen) || n < 2 || !dc->Surf) return;
  std::vector<POINT> d(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) d[i] = dc->Map(pts[i].x, pts[i].y);
  int w = PenWidth(dc, pen);
  if (w <= 1) {
    TLineDrawer ld(dc, pen);
    for (int i = 0; i + 1 < n; ++i) ld.Segment(d[i].x, d[i].y, d[i + 1].x, d[i + 1].y);
    if (closed) ld.Segment(d[n - 1].x, d[n - 1].y, d[0].x, d[0].y);
    return;
  }
  PaintRegion(dc, WidePath(d, w, pen->Style, closed), SolidPaint(dc, PenColor(dc, pen)));
}

// The bounding box of a shape in device pixels, with the pen's share: the outer box the pen
// covers and its width.
struct TShapeBoxes {
  RECT Outer, Inner;
  bool HasPen;
  bool Dashed;
};
TShapeBoxes ShapeBoxes(HDC dc, int l, int t, int r, int b) {
  TShapeBoxes s{};
  RECT R = dc->MapRect(l, t, r, b);
  TGdiPenObj* pen = CurPen(dc);
  s.HasPen = !PenNull(pen);
  if (!s.HasPen) {
    // Without a pen the filled area is one pixel smaller at the right and bottom.
    s.Outer = s.Inner = RECT{R.left, R.top, R.right - 1, R.bottom - 1};
    return s;
  }
  int w = PenWidth(dc, pen);
  s.Dashed = !DashOf(pen, w).empty();
  RECT O = R;
  if (w > 1 && pen->Kind() != PS_INSIDEFRAME) {
    O = RECT{R.left - (w - 1) / 2, R.top - (w - 1) / 2, R.right + w / 2, R.bottom + w / 2};
  }
  s.Outer = O;
  s.Inner = RECT{O.left + w, O.top + w, O.right - w, O.bottom - w};
  // A pen as wide as the shape leaves no inside (rather than an inside turned around).
  if (s.Inner.right < s.Inner.left) s.Inner.right = s.Inner.left;
  if (s.Inner.bottom < s.Inner.top) s.Inner.bottom = s.Inner.top;
  return s;
}

// A dashed outline of a curved shape: the ring's pixels in order around the shape's centre
// (counter-clockwise from 3 o'clock) take the pen's dash pattern one after the other.
void DashRing(HDC dc, TGdiPenObj* pen, const TRegion& ring, double cx, double cy) {
  struct TPix {
    double a;
    int x, y;
  };
  std::vector<TPix> px;
  TRegion visible = TRegion::Combine(ring, dc->Clip(), RGN_AND);
  for (const TBand& b : ring.Bands)
    for (int y = b.top; y < b.bottom; ++y)
      for (const TSpan& sp : b.spans)
        for (int x = sp.x0; x < sp.x1; ++x) {
          double a = std::atan2(-(y + 0.5 - cy), x + 0.5 - cx);
          px.push_back(TPix{a < 0 ? a + 2 * 3.14159265358979323846 : a, x, y});
        }
  std::sort(px.begin(), px.end(), [](const TPix& p, const TPix& q) { return p.a < q.a; });
  TLineDrawer ld(dc, pen);
  for (size_t i = 0; i < px.size(); ++i) {
    if (!visible.Contains(px[i].x, px[i].y)) continue;
    const TPaint& paint = ld.OnAt(static_cast<int64_t>(i)) ? ld.On : ld.Off;
    if (!paint.Null) PaintSpan(*dc->Surf, px[i].y, px[i].x, px[i].x + 1, paint);
  }
}

// Fills and outlines a shape given by a function making its region for a box.
template <class MakeRgn>
void DrawShape(HDC dc, int l, int t, int r, int b, MakeRgn make, bool callerDashes = false) {
  if (!dc->Surf) return;
  TShapeBoxes s = ShapeBoxes(dc, l, t, r, b);
  TRegion inner = make(s.Inner, false);
  PaintRegion(dc, inner, BrushPaint(dc, dc->S.Brush));
  if (!s.HasPen) return;
  TGdiPenObj* pen = CurPen(dc);
  TRegion outer = make(s.Outer, true);
  // Rectangles trace their dashed outline themselves.
  if (s.Dashed && callerDashes) return;
  TRegion ring = TRegion::Combine(outer, inner, RGN_DIFF);
  // Inner may be empty or larger where the pen is thin: the ring is at least the frame.
  if (PenWidth(dc, pen) <= 1) ring = FrameOf(outer, 1, 1);
  if (s.Dashed) {
    DashRing(dc, pen, ring, (s.Outer.left + s.Outer.right) / 2.0, (s.Outer.top + s.Outer.bottom) / 2.0);
    return;
  }
  PaintRegion(dc, ring, SolidPaint(dc, PenColor(dc, pen)));
}

constexpr double kPi = 3.14159265358979323846;

// Angle (radians, counter-clockwise on screen, 0 at 3 o'clock) of a point seen from a centre.
double AngleOf(double cx, double cy, double x, double y) { return std::atan2(-(y - cy), x - cx); }

// Whether angle a lies on the arc from a0 going in the DC's arc direction to a1.
bool OnArc(double a, double a0, double a1, bool ccw) {
  auto norm = [](double v) {
    v = std::fmod(v, 2 * kPi);
    return v < 0 ? v + 2 * kPi : v;
  };
  double span = ccw ? norm(a1 - a0) : norm(a0 - a1);
  if (span == 0) span = 2 * kPi;
  double off = ccw ? norm(a - a0) : norm(a0 - a);
  return off <= span;
}

TRegion FilterRegion(const TRegion& g, const std::function<bool(double, double)>& keep) {
  if (g.Empty()) return g;
  RECT b = g.Box();
  std::vector<std::vector<TSpan>> rows(static_cast<size_t>(b.bottom - b.top));
  for (const TBand& band : g.Bands)
    for (int y = band.top; y < band.bottom; ++y)
      for (const TSpan& s : band.spans)
        for (int x = s.x0; x < s.x1; ++x)
          if (keep(x + 0.5, y + 0.5)) {
            auto& row = rows[static_cast<size_t>(y - b.top)];
            if (!row.empty() && row.back().x1 == x) row.back().x1 = x + 1;
            else row.push_back(TSpan{x, x + 1});
          }
  return TRegion::FromRows(b.top, rows);
}

enum class TArcKind { Arc, Pie, Chord };

void DrawArcShape(HDC dc, TArcKind kind, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  if (!dc->Surf) return;
  TShapeBoxes s = ShapeBoxes(dc, l, t, r, b);
  RECT R = dc->MapRect(l, t, r, b);
  double cx = (R.left + R.right) / 2.0, cy = (R.top + R.bottom) / 2.0;
  POINT ps = dc->Map(xs, ys), pe = dc->Map(xe, ye);
  double a0 = AngleOf(cx, cy, ps.x, ps.y), a1 = AngleOf(cx, cy, pe.x, pe.y);
  bool ccw = dc->S.ArcDirection == AD_COUNTERCLOCKWISE;
  if (dc->S.ViewportExt.cy * dc->S.WindowExt.cy < 0) ccw = !ccw;  // y axis flipped
  auto sector = [&](double x, double y) { return OnArc(AngleOf(cx, cy, x, y), a0, a1, ccw); };
  // The chord's side: points on the arc's side of the line from start to end.
  double ax = cx + std::cos(a0) * (R.right - R.left) / 2.0, ay = cy - std::sin(a0) * (R.bottom - R.top) / 2.0;
  double bx = cx + std::cos(a1) * (R.right - R.left) / 2.0, by = cy - std::sin(a1) * (R.bottom - R.top) / 2.0;
  auto chordSide = [&](double x, double y) {
    double c = (bx - ax) * (y - ay) - (by - ay) * (x - ax);
    // Counter-clockwise on screen, the arc lies on the side where this cross product is positive.
    return ccw ? c >= 0 : c <= 0;
  };
  TGdiPenObj* pen = CurPen(dc);
  if (kind != TArcKind::Arc) {
    TRegion inner = EllipseRegion(s.Inner.left, s.Inner.top, s.Inner.right, s.Inner.bottom);
    inner = kind == TArcKind::Pie ? FilterRegion(inner, sector) : FilterRegion(inner, chordSide);
    PaintRegion(dc, inner, BrushPaint(dc, dc->S.Brush));
  }
  if (!s.HasPen) return;
  TRegion outer = EllipseRegion(s.Outer.left, s.Outer.top, s.Outer.right, s.Outer.bottom);
  int w = PenWidth(dc, pen);
  TRegion ring = w <= 1 ? FrameOf(outer, 1, 1)
                        : TRegion::Combine(outer, EllipseRegion(s.Inner.left, s.Inner.top, s.Inner.right, s.Inner.bottom), RGN_DIFF);
  ring = FilterRegion(ring, sector);
  if (s.Dashed) DashRing(dc, pen, ring, cx, cy);
  else PaintRegion(dc, ring, SolidPaint(dc, PenColor(dc, pen)));
  // The straight edges: two radii for a pie, the chord for a chord.
  auto toLogical = [&](double x, double y) {
    POINT p{static_cast<LONG>(std::lround(x)) - dc->Origin.x, static_cast<LONG>(std::lround(y)) - dc->Origin.y};
    DPtoLP(dc, &p, 1);
    return p;
  };
  POINT A = toLogical(ax, ay), B = toLogical(bx, by), C = toLogical(cx, cy);
  if (kind == TArcKind::Pie) {
    POINT line[3] = {A, C, B};
    StrokePath(dc, line, 3, false);
  } else if (kind == TArcKind::Chord) {
    POINT line[2] = {A, B};
    StrokePath(dc, line, 2, false);
  }
}

// Logical region to surface coordinates.
TRegion MapRegion(HDC dc, const TRegion& g) {
  if (dc->Identity()) {
    TRegion r = g;
    r.Offset(dc->MapX(0), dc->MapY(0));
    return r;
  }
  TRegion out;
  for (const RECT& r : g.Rects()) out = TRegion::Combine(out, TRegion::FromRect(dc->MapRect(r.left, r.top, r.right, r.bottom)), RGN_OR);
  return out;
}

}  // namespace

// ---- Lines ----
BOOL MoveToEx(HDC dc, int x, int y, POINT* old) {
  if (!ValidDC(dc)) return FALSE;
  if (dc->Rec) MetaRecord(dc, EMR_MOVETOEX, {x, y});
  if (old) *old = dc->S.CurPos;
  dc->S.CurPos = POINT{x, y};
  return TRUE;
}

BOOL GetCurrentPositionEx(HDC dc, POINT* p) {
  if (!ValidDC(dc) || !p) return FALSE;
  *p = dc->S.CurPos;
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  if (!ValidDC(dc)) return FALSE;
  if (dc->Rec) MetaRecord(dc, EMR_LINETO, {x, y});
  POINT pts[2] = {dc->S.CurPos, POINT{x, y}};
  StrokePath(dc, pts, 2, false);
  dc->S.CurPos = POINT{x, y};
  return TRUE;
}

namespace {
std::vector<int32_t> PointParams(const POINT* pts, int n) {
  std::vector<int32_t> v;
  v.reserve(static_cast<size_t>(2 * n + 1));
  v.push_back(n);
  for (int i = 0; i < n; ++i) { v.push_back(pts[i].x); v.push_back(pts[i].y); }
  return v;
}
}  // namespace

BOOL Polyline(HDC dc, const POINT* pts, int n) {
  if (!ValidDC(dc) || !pts || n < 2) return FALSE;
  if (dc->Rec) MetaRecord(dc, EMR_POLYLINE, PointParams(pts, n));
  StrokePath(dc, pts, n, false);
  return TRUE;
}

BOOL PolylineTo(HDC dc, const POINT* pts, DWORD n) {
  if (!ValidDC(dc) || !pts || n == 0) return FALSE;
  std::vector<POINT> v{dc->S.CurPos};
  v.insert(v.end(), pts, pts + n);
  if (dc->Rec) MetaRecord(dc, EMR_POLYLINE, PointParams(v.data(), static_cast<int>(v.size())));
  StrokePath(dc, v.data(), static_cast<int>(v.size()), false);
  dc->S.CurPos = pts[n - 1];
  return TRUE;
}

BOOL PolyPolyline(HDC dc, const POINT* pts, const DWORD* counts, DWORD polys) {
  if (!ValidDC(dc) || !pts || !counts) return FALSE;
  for (DWORD i = 0; i < polys; ++i) {
    if (counts[i] >= 2) Polyline(dc, pts, static_cast<int>(counts[i]));
    pts += counts[i];
  }
  return TRUE;
}

BOOL PolyBezier(HDC dc, const POINT* pts, DWORD n) {
  if (!ValidDC(dc) || !pts || n < 4 || (n - 1) % 3 != 0) return FALSE;
  std::vector<POINT> flat{pts[0]};
  for (DWORD i = 0; i + 3 < n; i += 3) {
    const POINT &p0 = pts[i], &p1 = pts[i + 1], &p2 = pts[i + 2], &p3 = pts[i + 3];
    double len = std::hypot(p1.x - p0.x, p1.y - p0.y) + std::hypot(p2.x - p1.x, p2.y - p1.y) + std::hypot(p3.x - p2.x, p3.y - p2.y);
    int steps = std::clamp(static_cast<int>(len / 4), 4, 256);
    for (int k = 1; k <= steps; ++k) {
      double t = static_cast<double>(k) / steps, u = 1 - t;
      double x = u * u * u * p0.x + 3 * u * u * t * p1.x + 3 * u * t * t * p2.x + t * t * t * p3.x;
      double y = u * u * u * p0.y + 3 * u * u * t * p1.y + 3 * u * t * t * p2.y + t * t * t * p3.y;
      POINT q{static_cast<LONG>(std::lround(x)), static_cast<LONG>(std::lround(y))};
      if (!(q == flat.back())) flat.push_back(q);
    }
  }
  return Polyline(dc, flat.data(), static_cast<int>(flat.size()));
}

BOOL LineDDA(int x0, int y0, int x1, int y1, LINEDDAPROC proc, LPARAM data) {
  if (!proc) return FALSE;
  // The same points LineTo draws.
  TLineSteps L(x0, y0, x1, y1);
  for (int64_t i = 0; i < L.N; ++i) {
    POINT p = L.At(i);
    proc(p.x, p.y, data);
  }
  return TRUE;
}

// ---- Shapes ----
BOOL Rectangle(HDC dc, int l, int t, int r, int b) {
  if (!ValidDC(dc)) return FALSE;
  if (dc->Rec) MetaRecord(dc, EMR_RECTANGLE, {l, t, r, b});
  if (!dc->Surf) return TRUE;
  TShapeBoxes s = ShapeBoxes(dc, l, t, r, b);
  DrawShape(dc, l, t, r, b, [](const RECT& q, bool) { return TRegion::FromRect(q); }, true);
  if (s.HasPen && s.Dashed) {
    RECT R = dc->MapRect(l, t, r, b);
    POINT p[5] = {{R.left, R.top}, {R.right - 1, R.top}, {R.right - 1, R.bottom - 1}, {R.left, R.bottom - 1}, {R.left, R.top}};
    TLineDrawer ld(dc, CurPen(dc));
    for (int i = 0; i < 4; ++i) ld.Segment(p[i].x, p[i].y, p[i + 1].x, p[i + 1].y);
  }
  return TRUE;
}

BOOL Ellipse(HDC dc, int l, int t, int r, int b) {
  if (!ValidDC(dc)) return FALSE;
  if (dc->Rec) MetaRecord(dc, EMR_ELLIPSE, {l, t, r, b});
  DrawShape(dc, l, t, r, b, [](const RECT& q, bool) { return EllipseRegion(q.left, q.top, q.right, q.bottom); });
  return TRUE;
}

BOOL RoundRect(HDC dc, int l, int t, int r, int b, int w, int h) {
  if (!ValidDC(dc)) return FALSE;
  if (dc->Rec) MetaRecord(dc, EMR_ROUNDRECT, {l, t, r, b, w, h});
  int cw = dc->ScaleX(w), ch = dc->ScaleY(h);
  TGdiPenObj* pen = CurPen(dc);
  int pw = PenNull(pen) ? 0 : PenWidth(dc, pen);
  DrawShape(dc, l, t, r, b, [&](const RECT& q, bool outer) {
    int k = outer ? 0 : 2 * pw;
    return RoundRectRegion(q.left, q.top, q.right, q.bottom, std::max(0, cw - k), std::max(0, ch - k));
  });
  return TRUE;
}

BOOL PolyPolygon(HDC dc, const POINT* pts, const INT* counts, int polys) {
  if (!ValidDC(dc) || !pts || !counts || polys <= 0) return FALSE;
  int total = 0;
  for (int i = 0; i < polys; ++i) {
    if (counts[i] < 2) return FALSE;
    total += counts[i];
  }
  if (dc->Rec) {
    std::vector<int32_t> v{polys};
    v.insert(v.end(), counts, counts + polys);
    std::vector<int32_t> p = PointParams(pts, total);
    v.insert(v.end(), p.begin() + 1, p.end());
    MetaRecord(dc, EMR_POLYPOLYGON, v);
  }
  if (!dc->Surf) return TRUE;
  std::vector<POINT> d(static_cast<size_t>(total));
  for (int i = 0; i < total; ++i) d[i] = dc->Map(pts[i].x, pts[i].y);
  PaintRegion(dc, PolygonRegion(d.data(), counts, polys, dc->S.PolyFillMode), BrushPaint(dc, dc->S.Brush));
  const POINT* p = pts;
  for (int i = 0; i < polys; ++i) {
    StrokePath(dc, p, counts[i], true);
    p += counts[i];
  }
  return TRUE;
}

BOOL Polygon(HDC dc, const POINT* pts, int n) {
  if (!ValidDC(dc) || !pts || n < 2) return FALSE;
  if (dc->Rec) {
    MetaRecord(dc, EMR_POLYGON, PointParams(pts, n));
    if (!dc->Surf) return TRUE;
  }
  TMetaRecorder* saved = dc->Rec;
  dc->Rec = nullptr;
  BOOL ok = PolyPolygon(dc, pts, &n, 1);
  dc->Rec = saved;
  return ok;
}

namespace {
// Arc, Pie and Chord: record, then draw (the straight edges go through StrokePath, which does
// not record again).
BOOL ArcCall(HDC dc, TArcKind kind, DWORD record, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  if (!ValidDC(dc)) return FALSE;
  if (dc->Rec) MetaRecord(dc, record, {l, t, r, b, xs, ys, xe, ye});
  DrawArcShape(dc, kind, l, t, r, b, xs, ys, xe, ye);
  return TRUE;
}
}  // namespace

BOOL Arc(HDC dc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  return ArcCall(dc, TArcKind::Arc, EMR_ARC, l, t, r, b, xs, ys, xe, ye);
}

BOOL ArcTo(HDC dc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  if (!ValidDC(dc)) return FALSE;
  RECT R{l, t, r, b};
  double cx = (R.left + R.right) / 2.0, cy = (R.top + R.bottom) / 2.0;
  double a0 = AngleOf(cx, cy, xs, ys), a1 = AngleOf(cx, cy, xe, ye);
  POINT start{static_cast<LONG>(std::lround(cx + std::cos(a0) * (r - l) / 2.0)), static_cast<LONG>(std::lround(cy - std::sin(a0) * (b - t) / 2.0))};
  POINT end{static_cast<LONG>(std::lround(cx + std::cos(a1) * (r - l) / 2.0)), static_cast<LONG>(std::lround(cy - std::sin(a1) * (b - t) / 2.0))};
  LineTo(dc, start.x, start.y);
  Arc(dc, l, t, r, b, xs, ys, xe, ye);
  dc->S.CurPos = end;
  return TRUE;
}

BOOL Pie(HDC dc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  return ArcCall(dc, TArcKind::Pie, EMR_PIE, l, t, r, b, xs, ys, xe, ye);
}

BOOL Chord(HDC dc, int l, int t, int r, int b, int xs, int ys, int xe, int ye) {
  return ArcCall(dc, TArcKind::Chord, EMR_CHORD, l, t, r, b, xs, ys, xe, ye);
}

// ---- Pixels ----
COLORREF SetPixel(HDC dc, int x, int y, COLORREF c) {
  if (!ValidDC(dc)) return CLR_INVALID;
  if (dc->Rec) MetaRecord(dc, EMR_SETPIXELV, {x, y, static_cast<int32_t>(c)});
  if (!dc->Surf) return c;
  int dx = dc->MapX(x), dy = dc->MapY(y);
  if (!dc->Clip().Contains(dx, dy)) return CLR_INVALID;
  uint32_t v = ToNative(*dc->Surf, ResolveColor(dc, c));
  PutNative(*dc->Surf, dx, dy, v);
  return FromNative(*dc->Surf, v);
}

BOOL SetPixelV(HDC dc, int x, int y, COLORREF c) { return SetPixel(dc, x, y, c) != CLR_INVALID; }

COLORREF GetPixel(HDC dc, int x, int y) {
  if (!ValidDC(dc) || !dc->Surf) return CLR_INVALID;
  int dx = dc->MapX(x), dy = dc->MapY(y);
  if (!dc->Clip().Contains(dx, dy)) return CLR_INVALID;
  return FromNative(*dc->Surf, GetNative(*dc->Surf, dx, dy));
}

BOOL ExtFloodFill(HDC dc, int x, int y, COLORREF color, UINT type) {
  if (!ValidDC(dc) || !dc->Surf) return FALSE;
  const TGdiSurface& s = *dc->Surf;
  int sx = dc->MapX(x), sy = dc->MapY(y);
  const TRegion& clip = dc->Clip();
  if (!clip.Contains(sx, sy)) return FALSE;
  uint32_t ref = ToNative(s, ResolveColor(dc, color));
  auto fillable = [&](int px, int py) {
    uint32_t v = GetNative(s, px, py) & (s.BitCount == 32 ? 0xFFFFFF : NativeMask(s));
    return type == FLOODFILLSURFACE ? v == ref : v != ref;
  };
  if (!fillable(sx, sy)) return FALSE;
  RECT box = clip.Box();
  int w = box.right - box.left, h = box.bottom - box.top;
  std::vector<uint8_t> seen(static_cast<size_t>(w) * h, 0);
  std::vector<std::vector<TSpan>> rows(static_cast<size_t>(h));
  std::vector<POINT> stack{{sx, sy}};
  while (!stack.empty()) {
    POINT p = stack.back();
    stack.pop_back();
    auto at = [&](int px, int py) -> uint8_t& { return seen[static_cast<size_t>(py - box.top) * w + (px - box.left)]; };
    if (at(p.x, p.y)) continue;
    int a = p.x, b = p.x;
    while (a - 1 >= box.left && !at(a - 1, p.y) && clip.Contains(a - 1, p.y) && fillable(a - 1, p.y)) --a;
    while (b + 1 < box.right && !at(b + 1, p.y) && clip.Contains(b + 1, p.y) && fillable(b + 1, p.y)) ++b;
    for (int i = a; i <= b; ++i) at(i, p.y) = 1;
    rows[static_cast<size_t>(p.y - box.top)].push_back(TSpan{a, b + 1});
    for (int ny : {p.y - 1, p.y + 1}) {
      if (ny < box.top || ny >= box.bottom) continue;
      for (int i = a; i <= b; ++i)
        if (!at(i, ny) && clip.Contains(i, ny) && fillable(i, ny)) stack.push_back(POINT{i, ny});
    }
  }
  PaintRegion(dc, TRegion::FromRows(box.top, rows), BrushPaint(dc, dc->S.Brush));
  return TRUE;
}

BOOL FloodFill(HDC dc, int x, int y, COLORREF border) { return ExtFloodFill(dc, x, y, border, FLOODFILLBORDER); }

BOOL GradientFill(HDC dc, const TRIVERTEX* v, ULONG nv, const void* mesh, ULONG nm, ULONG mode) {
  if (!ValidDC(dc) || !v || !mesh) return FALSE;
  if (!dc->Surf) return TRUE;
  const TGdiSurface& s = *dc->Surf;
  auto colourAt = [](const TRIVERTEX& a, const TRIVERTEX& b, int64_t i, int64_t n) {
    auto ch = [&](USHORT ca, USHORT cb) {
      int64_t va = ca >> 8, vb = cb >> 8;
      return static_cast<int>(n <= 1 ? va : va + (vb - va) * i / (n - 1));
    };
    return RGB(ch(a.Red, b.Red), ch(a.Green, b.Green), ch(a.Blue, b.Blue));
  };
  if (mode == GRADIENT_FILL_RECT_H || mode == GRADIENT_FILL_RECT_V) {
    const auto* rects = static_cast<const GRADIENT_RECT*>(mesh);
    for (ULONG k = 0; k < nm; ++k) {
      if (rects[k].UpperLeft >= nv || rects[k].LowerRight >= nv) return FALSE;
      const TRIVERTEX &a = v[rects[k].UpperLeft], &b = v[rects[k].LowerRight];
      RECT R = dc->MapRect(a.x, a.y, b.x, b.y);
      bool horiz = mode == GRADIENT_FILL_RECT_H;
      // Vertex order decides the direction of the ramp.
      bool reversed = horiz ? a.x > b.x : a.y > b.y;
      const TRIVERTEX& c0 = reversed ? b : a;
      const TRIVERTEX& c1 = reversed ? a : b;
      int n = horiz ? R.right - R.left : R.bottom - R.top;
      for (int y = R.top; y < R.bottom; ++y) {
        if (horiz) {
          ForClipSpans(dc, y, R.left, R.right, [&](int x0, int x1) {
            for (int x = x0; x < x1; ++x) PutNative(s, x, y, ToNative(s, colourAt(c0, c1, x - R.left, n)));
          });
        } else {
          TPaint p;
          p.Null = false;
          p.Pixel = ToNative(s, colourAt(c0, c1, y - R.top, n));
          ForClipSpans(dc, y, R.left, R.right, [&](int x0, int x1) { PaintSpan(s, y, x0, x1, p); });
        }
      }
    }
    return TRUE;
  }
  if (mode != GRADIENT_FILL_TRIANGLE) return FALSE;
  const auto* tris = static_cast<const GRADIENT_TRIANGLE*>(mesh);
  for (ULONG k = 0; k < nm; ++k) {
    ULONG idx[3] = {tris[k].Vertex1, tris[k].Vertex2, tris[k].Vertex3};
    if (idx[0] >= nv || idx[1] >= nv || idx[2] >= nv) return FALSE;
    POINT p[3];
    for (int i = 0; i < 3; ++i) p[i] = dc->Map(v[idx[i]].x, v[idx[i]].y);
    int three = 3;
    TRegion tri = TRegion::Combine(PolygonRegion(p, &three, 1, ALTERNATE), dc->Clip(), RGN_AND);
    double det = static_cast<double>(p[1].y - p[2].y) * (p[0].x - p[2].x) + static_cast<double>(p[2].x - p[1].x) * (p[0].y - p[2].y);
    if (det == 0) continue;
    for (const TBand& band : tri.Bands)
      for (int y = band.top; y < band.bottom; ++y)
        for (const TSpan& sp : band.spans)
          for (int x = sp.x0; x < sp.x1; ++x) {
            double px = x + 0.5, py = y + 0.5;
            double l0 = ((p[1].y - p[2].y) * (px - p[2].x) + (p[2].x - p[1].x) * (py - p[2].y)) / det;
            double l1 = ((p[2].y - p[0].y) * (px - p[2].x) + (p[0].x - p[2].x) * (py - p[2].y)) / det;
            double l2 = 1 - l0 - l1;
            auto ch = [&](USHORT TRIVERTEX::*c) {
              double val = l0 * (v[idx[0]].*c >> 8) + l1 * (v[idx[1]].*c >> 8) + l2 * (v[idx[2]].*c >> 8);
              return std::clamp(static_cast<int>(std::lround(val)), 0, 255);
            };
            PutNative(s, x, y, ToNative(s, RGB(ch(&TRIVERTEX::Red), ch(&TRIVERTEX::Green), ch(&TRIVERTEX::Blue))));
          }
  }
  return TRUE;
}

// ---- Region painting ----
BOOL FillRgn(HDC dc, HRGN rgn, HBRUSH br) {
  if (!ValidDC(dc)) return FALSE;
  auto* r = GdiAs<TGdiRegionObj>(rgn, OBJ_REGION);
  if (!r || !GdiAs<TGdiBrushObj>(br, OBJ_BRUSH)) return FALSE;
  if (dc->Rec) {
    std::vector<int32_t> v;
    for (const RECT& q : r->Rgn.Rects()) { v.push_back(q.left); v.push_back(q.top); v.push_back(q.right); v.push_back(q.bottom); }
    MetaRecordObject(dc, br);
    MetaRecord(dc, EMR_FILLRGN, v);
  }
  PaintRegion(dc, MapRegion(dc, r->Rgn), BrushPaint(dc, br));
  return TRUE;
}

BOOL PaintRgn(HDC dc, HRGN rgn) { return ValidDC(dc) && FillRgn(dc, rgn, dc->S.Brush); }

BOOL FrameRgn(HDC dc, HRGN rgn, HBRUSH br, int w, int h) {
  if (!ValidDC(dc)) return FALSE;
  auto* r = GdiAs<TGdiRegionObj>(rgn, OBJ_REGION);
  if (!r || !GdiAs<TGdiBrushObj>(br, OBJ_BRUSH) || w < 0 || h < 0) return FALSE;
  PaintRegion(dc, FrameOf(MapRegion(dc, r->Rgn), dc->ScaleX(w), dc->ScaleY(h)), BrushPaint(dc, br));
  return TRUE;
}

BOOL InvertRgn(HDC dc, HRGN rgn) {
  if (!ValidDC(dc)) return FALSE;
  auto* r = GdiAs<TGdiRegionObj>(rgn, OBJ_REGION);
  if (!r) return FALSE;
  TPaint p;
  p.Null = !dc->Surf;
  p.Rop2 = R2_NOT;
  PaintRegion(dc, MapRegion(dc, r->Rgn), p);
  return TRUE;
}
