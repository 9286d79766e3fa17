// Geometry helpers (see iegeom.h).
#include "imaging/core/iegeom.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstdlib>

namespace {
constexpr double kFar = 1000000.0;
constexpr double kNothing = 2147483647.0;
}  // namespace

bool IEPointInRect(int x, int y, int x1, int y1, int x2, int y2) { return x1 <= x && x <= x2 && y1 <= y && y <= y2; }

bool IEPointInRectAnyOrder(int x, int y, int x1, int y1, int x2, int y2) {
  if (x2 < x1) std::swap(x1, x2);
  if (y2 < y1) std::swap(y1, y2);
  return IEPointInRect(x, y, x1, y1, x2, y2);
}

bool IESegmentBoxIntersectsRect(int x1, int y1, int x2, int y2, int left, int top, int right, int bottom) {
  return !(std::max(x1, x2) < left || std::min(x1, x2) > right || std::max(y1, y2) < top ||
           std::min(y1, y2) > bottom);
}

int IERectOverlapKind(int ax1, int ay1, int ax2, int ay2, int bx1, int by1, int bx2, int by2) {
  const bool X1 = ax1 <= bx1 && bx1 <= ax2, X2 = ax1 <= bx2 && bx2 <= ax2;
  const bool Y1 = ay1 <= by1 && by1 <= ay2, Y2 = ay1 <= by2 && by2 <= ay2;
  if ((X1 != X2 && (Y1 || Y2)) || ((X1 || X2) && Y1 != Y2)) return 1;
  if (X1 && X2 && Y1 && Y2) return 2;
  return 0;
}

void IEIncludePointInRect(TIERect& rect, int x, int y) {
  rect.Left = std::min(rect.Left, x);
  rect.Right = std::max(rect.Right, x);
  rect.Top = std::min(rect.Top, y);
  rect.Bottom = std::max(rect.Bottom, y);
}

namespace {
template <class Px, class Py>
bool EvenOdd(double x, double y, int count, Px px, Py py) {
  bool inside = false;
  for (int i = 0, j = count - 1; i < count; j = i++) {
    const double xi = px(i), yi = py(i), xj = px(j), yj = py(j);
    if (((yi <= y && y < yj) || (yj <= y && y < yi)) && x < (xj - xi) * (y - yi) / (yj - yi) + xi) inside = !inside;
  }
  return inside;
}
}  // namespace

bool IEPointInPolygon(int x, int y, const TIEPoint* points, int lastIndex) {
  if (!points || lastIndex < 0) return false;
  return EvenOdd(
      x, y, lastIndex + 1, [&](int i) { return double(points[i].X); }, [&](int i) { return double(points[i].Y); });
}

bool IEPointInZoomedPolygon(int x, int y, const TIEPoint* points, double zoomY, double zoomX, double offsetY,
                            double offsetX, double originY, double originX, int count) {
  if (!points || count <= 0) return false;
  return EvenOdd(
      x, y, count, [&](int i) { return zoomX * (points[i].X - originX) + offsetX; },
      [&](int i) { return zoomY * (points[i].Y - originY) + offsetY; });
}

void IEFitSize(int width, int height, int maxWidth, int maxHeight, int& newWidth, int& newHeight) {
  if (width == 0 || height == 0) return;
  const double f = std::min(double(maxWidth) / width, double(maxHeight) / height);
  newWidth = std::max(1, static_cast<int>(width * f));
  newHeight = std::max(1, static_cast<int>(height * f));
}

void IERotatePoints(TIEPoint* points, int lastIndex, int cx, int cy, double angle) {
  const double a = -angle * std::numbers::pi / 180, c = std::cos(a), s = std::sin(a);
  for (int i = 0; i <= lastIndex; ++i) {
    const double dx = points[i].X - cx, dy = points[i].Y - cy;
    points[i].X = cx + static_cast<int>(c * dx - s * dy);
    points[i].Y = cy + static_cast<int>(s * dx + c * dy);
  }
}

void IEBezierPoints(TIEPoint P0, TIEPoint P1, TIEPoint P2, int count, TIEPoint* points, TIEPoint P3) {
  if (count <= 0) return;
  const double step = 1.0 / count;
  double t = 0;
  for (int i = 0; i < count; ++i) {
    t += step;
    const double u = 1 - t;
    const double b0 = u * u * u, b1 = 3 * t * u * u, b2 = 3 * t * t * u, b3 = t * t * t;
    points[i].X = static_cast<int>(std::lround(P0.X * b0 + P1.X * b1 + P2.X * b2 + P3.X * b3));
    points[i].Y = static_cast<int>(std::lround(P0.Y * b0 + P1.Y * b1 + P2.Y * b2 + P3.Y * b3));
  }
}

double IEArcTan2(double y, double x) { return std::atan2(y, x); }
double IEArcCos(double c) { return std::acos(std::clamp(c, -1.0, 1.0)); }

double IEVectorAngle(int x0, int y0, int x1, int y1, int x2, int y2) {
  const double ax = x1 - x0, ay = y1 - y0, bx = x2 - x1, by = y2 - y1;
  const double la = std::hypot(ax, ay), lb = std::hypot(bx, by);
  if (la == 0 || lb == 0) return 0;
  const double c = (ax * bx + ay * by) / (la * lb);
  if (c < -1 || c > 1) return 0;
  return std::acos(c);
}

double IEDirectionAngle(int x0, int y0, int x1, int y1) {
  if (x0 == x1 && y0 == y1) return 0;
  double a = std::atan2(-(double(y1) - y0), double(x1) - x0);  // screen y grows downward
  if (a < 0) a += 2 * std::numbers::pi;
  return a;
}

int IETurnDirection(int x0, int y0, int x1, int y1, int x2, int y2) {
  const int64_t d1x = x1 - x0, d1y = y1 - y0, d2x = x2 - x0, d2y = y2 - y0;
  if (d1x * d2y > d1y * d2x) return 1;
  if (d1x * d2y < d1y * d2x) return -1;
  if (d1x * d2x < 0 || d1y * d2y < 0) return -1;
  if (d1x * d1x + d1y * d1y < d2x * d2x + d2y * d2y) return 1;
  return 0;
}

double IEAngleAt(int x0, int y0, int x1, int y1, int x2, int y2) {
  double a = IEDistance(x1, y1, x2, y2), b = IEDistance(x0, y0, x1, y1);
  const double c = IEDistance(x0, y0, x2, y2);
  if (a == 0) a = 1;
  if (b == 0) b = 1;
  double r = IEArcCos((a * a + b * b - c * c) / (2 * a * b));
  if (IETurnDirection(x0, y0, x1, y1, x2, y2) == -1) r = 2 * std::numbers::pi - r;
  return r;
}

double IEDistance(int x1, int y1, int x2, int y2) { return std::hypot(double(x2) - x1, double(y2) - y1); }

double IEPointToLineDistance(int x, int y, int x1, int y1, int x2, int y2) {
  const double a = double(y1) - y2, b = double(x2) - x1, c = double(x1) * y2 - double(x2) * y1;
  const double d = std::sqrt(a * a + b * b);
  if (d == 0) return IEDistance(x, y, x1, y1);
  return std::fabs(a * x + b * y + c) / d;
}

double IEPointToSegmentDistance(int x, int y, int x1, int y1, int x2, int y2) {
  if (x1 == x2 && y1 == y2) return IEDistance(x, y, x1, y1);
  const double dx = double(x2) - x1, dy = double(y2) - y1;
  const double t = ((double(x) - x1) * dx + (double(y) - y1) * dy) / (dx * dx + dy * dy);
  if (!std::isfinite(t)) return kFar;
  if (t > 1) {
    if (std::abs(int64_t(x) - x2) <= 45000 && std::abs(int64_t(y) - y2) <= 45000) return IEDistance(x, y, x2, y2);
    return kFar;
  }
  if (t >= 0) return IEPointToLineDistance(x, y, x1, y1, x2, y2);
  if (std::abs(int64_t(x1) - x) <= 45000 && std::abs(int64_t(y1) - y) <= 45000) return IEDistance(x, y, x1, y1);
  return kFar;
}

double IEPointToPolylineDistance(int x, int y, const TIEPoint* points, int penWidth, bool closed, double scaleY,
                                 double scaleX, double offsetY, double offsetX, double originY, double originX,
                                 int count) {
  if (count <= 0 || !points) return kFar;
  auto mapX = [&](int i) { return static_cast<int>(std::lround(scaleX * (points[i].X - originX) + offsetX)); };
  auto mapY = [&](int i) { return static_cast<int>(std::lround(scaleY * (points[i].Y - originY) + offsetY)); };
  double best = kFar;
  const int half = penWidth / 2;
  auto segment = [&](int a, int b) {
    const int ax = mapX(a), ay = mapY(a), bx = mapX(b), by = mapY(b);
    best = std::min(best, IEPointToSegmentDistance(x, y, ax, ay, bx, by));
    if (penWidth > 1)
      for (int dx = -half; dx <= half; ++dx)
        for (int dy = 2; dy <= half; ++dy)
          best = std::min(best, IEPointToSegmentDistance(x, y, ax + dx, ay + dy, bx + dx, by + dy));
  };
  if (count == 1) return IEDistance(x, y, mapX(0), mapY(0));
  for (int i = 0; i + 1 < count; ++i) segment(i, i + 1);
  if (closed) segment(count - 1, 0);
  return best;
}

double IEPointToEllipseDistance(int x, int y, int x1, int y1, int x2, int y2, int penWidth, bool filled) {
  double best = kNothing;
  const int half = penWidth / 2;
  const int cx = x1 + (x2 - x1) / 2, cy = y1 + (y2 - y1) / 2;
  for (int k = -half; k <= half; ++k) {
    const int rx = (x2 - x1) / 2 + k, ry = (y2 - y1) / 2 + k;
    int n = static_cast<int>(std::min(rx, ry) * 2 * std::numbers::pi);
    if (!filled) n /= 8;
    n = std::max(n, 2);
    auto sx = [&](int w) { return cx + static_cast<int>(std::cos(2 * std::numbers::pi * w / n) * rx); };
    auto sy = [&](int w) { return cy + static_cast<int>(std::sin(2 * std::numbers::pi * w / n) * ry); };
    for (int w = 0; w < n; ++w) {
      double d;
      if (filled)
        d = std::trunc(IEPointToSegmentDistance(x, y, cx, cy, sx(w), sy(w)));
      else
        d = IEPointToSegmentDistance(x, y, sx(w), sy(w), sx((w + 1) % n), sy((w + 1) % n));
      best = std::min(best, d);
    }
  }
  return best;
}

double IEPointToRectDistance(int x, int y, int x1, int y1, int x2, int y2, int penWidth, bool filled) {
  double best = kNothing;
  const int half = penWidth / 2;
  for (int k = -half; k <= half; ++k) {
    const int a = x1 + k, b = y1 + k, c = x2 + k, d = y2 + k;
    if (filled && IEPointInRectAnyOrder(x, y, a, b, c, d)) return 0;
    best = std::min({best, IEPointToSegmentDistance(x, y, a, b, c, b), IEPointToSegmentDistance(x, y, c, b, c, d),
                     IEPointToSegmentDistance(x, y, c, d, a, d), IEPointToSegmentDistance(x, y, a, d, a, b)});
  }
  return best;
}

void IESnapTo45Degrees(int x1, int y1, int& x2, int& y2) {
  const int dx = x1 - x2, dy = y1 - y2, ax = std::abs(dx), ay = std::abs(dy), m = std::abs(ax - ay);
  if (ay > ax + 30) {
    x2 = x1;
  } else if (ay < ax - 30) {
    y2 = y1;
  } else if (dx < 0 && dy < 0) {
    if (ax >= ay) y2 += m; else x2 += m;
  } else if (dx > 0 && dy > 0) {
    if (ax >= ay) x2 += m; else y2 += m;
  } else if (dx > 0) {
    if (ax >= ay) y2 += m; else x2 -= m;
  } else if (dy > 0) {
    if (ax >= ay) y2 -= m; else x2 += m;
  }
}
