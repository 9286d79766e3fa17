// Geometry helpers.
#include <gtest/gtest.h>

#include <cmath>

#include "imaging/core/iegeom.h"

namespace {
constexpr double kPi = 3.14159265358979323846;

TEST(IEGeom, PointInRectAndPolygon) {
  EXPECT_TRUE(IEPointInRect(10, 20, 0, 0, 10, 20)) << "edges included";
  EXPECT_FALSE(IEPointInRect(11, 20, 0, 0, 10, 20));
  EXPECT_TRUE(IEPointInRectAnyOrder(5, 5, 10, 10, 0, 0));
  const TIEPoint sq[4] = {{0, 0}, {10, 0}, {10, 10}, {0, 10}};
  struct Case {
    int x, y;
    bool inside;
  } cases[] = {{5, 5, true}, {5, 10, false}, {0, 5, true}, {10, 5, false}, {-1, 5, false}};
  for (const auto& c : cases) EXPECT_EQ(IEPointInPolygon(c.x, c.y, sq, 3), c.inside) << c.x << "," << c.y;
  // zoomed twice and shifted by 100: (110, 110) is the centre of the mapped square
  EXPECT_TRUE(IEPointInZoomedPolygon(110, 110, sq, 2, 2, 100, 100, 0, 0, 4));
  EXPECT_FALSE(IEPointInZoomedPolygon(5, 5, sq, 2, 2, 100, 100, 0, 0, 4));
}

TEST(IEGeom, RectangleRelations) {
  EXPECT_EQ(IERectOverlapKind(0, 0, 10, 10, 2, 2, 5, 5), 2);
  EXPECT_EQ(IERectOverlapKind(0, 0, 10, 10, 5, 5, 15, 15), 1);
  EXPECT_EQ(IERectOverlapKind(0, 0, 10, 10, 20, 20, 30, 30), 0);
  EXPECT_EQ(IERectOverlapKind(0, 0, 10, 10, -5, -5, 15, 15), 0) << "b encloses a";
  EXPECT_TRUE(IESegmentBoxIntersectsRect(-5, 5, 15, 5, 0, 0, 10, 10));
  EXPECT_FALSE(IESegmentBoxIntersectsRect(11, 0, 20, 5, 0, 0, 10, 10));
  TIERect r{5, 5, 6, 6};
  IEIncludePointInRect(r, 2, 9);
  EXPECT_EQ(r.Left, 2);
  EXPECT_EQ(r.Bottom, 9);
}

TEST(IEGeom, FitSize) {
  int w = -1, h = -1;
  IEFitSize(400, 200, 100, 100, w, h);
  EXPECT_EQ(w, 100);
  EXPECT_EQ(h, 50);
  IEFitSize(1, 1000, 10, 10, w, h);
  EXPECT_EQ(w, 1);
  EXPECT_EQ(h, 10);
  IEFitSize(10, 5, 100, 100, w, h);
  EXPECT_EQ(w, 100) << "enlarges too";
  w = h = -7;
  IEFitSize(0, 5, 100, 100, w, h);
  EXPECT_EQ(w, -7);
}

TEST(IEGeom, Angles) {
  EXPECT_NEAR(IEDirectionAngle(0, 0, 10, -10), kPi / 4, 1e-12);
  EXPECT_NEAR(IEDirectionAngle(0, 0, -10, 10), 5 * kPi / 4, 1e-12);
  EXPECT_EQ(IEDirectionAngle(3, 3, 3, 3), 0);
  EXPECT_NEAR(IEVectorAngle(0, 0, 10, 0, 20, 0), 0, 1e-12);
  EXPECT_NEAR(IEVectorAngle(0, 0, 10, 0, 10, 10), kPi / 2, 1e-12);
  EXPECT_NEAR(IEVectorAngle(0, 0, 10, 0, 0, 0), kPi, 1e-12);
  EXPECT_EQ(IEVectorAngle(0, 0, 0, 0, 5, 5), 0);
  EXPECT_EQ(IETurnDirection(0, 0, 10, 0, 10, 10), 1);
  EXPECT_EQ(IETurnDirection(0, 0, 10, 0, 10, -10), -1);
  EXPECT_EQ(IETurnDirection(0, 0, 5, 0, 10, 0), 1) << "collinear, the second farther";
  EXPECT_EQ(IETurnDirection(0, 0, 5, 0, -10, 0), -1) << "collinear, opposite";
  EXPECT_NEAR(IEAngleAt(10, 0, 0, 0, 0, 10), 3 * kPi / 2, 1e-9) << "a turn of direction -1";
  EXPECT_NEAR(IEAngleAt(0, 10, 0, 0, 10, 0), kPi / 2, 1e-9);
  EXPECT_EQ(IEArcCos(1), 0);
  EXPECT_NEAR(IEArcCos(-1), kPi, 1e-12);
}

TEST(IEGeom, Distances) {
  EXPECT_EQ(IEDistance(0, 0, 3, 4), 5);
  EXPECT_EQ(IEPointToLineDistance(0, 5, -10, 0, 10, 0), 5);
  EXPECT_EQ(IEPointToSegmentDistance(0, 0, 50000, 0, 60000, 0), 1000000);
  EXPECT_EQ(IEPointToSegmentDistance(0, 0, 3, 4, 3, 4), 5);
  EXPECT_EQ(IEPointToSegmentDistance(5, 3, 0, 0, 10, 0), 3);
  EXPECT_EQ(IEPointToSegmentDistance(13, 4, 0, 0, 10, 0), 5);
  const TIEPoint line[3] = {{0, 0}, {10, 0}, {10, 10}};
  EXPECT_EQ(IEPointToPolylineDistance(5, 2, line, 1, false, 1, 1, 0, 0, 0, 0, 3), 2);
  EXPECT_EQ(IEPointToPolylineDistance(0, 5, line, 1, true, 1, 1, 0, 0, 0, 0, 3), IEPointToSegmentDistance(0, 5, 10, 10, 0, 0));
  EXPECT_EQ(IEPointToPolylineDistance(0, 5, line, 1, false, 1, 1, 0, 0, 0, 0, 0), 1000000);
  EXPECT_EQ(IEPointToRectDistance(5, 5, 0, 0, 10, 10, 1, true), 0);
  EXPECT_EQ(IEPointToRectDistance(5, 3, 0, 0, 10, 10, 1, false), 3);
  EXPECT_EQ(IEPointToRectDistance(5, 3, 0, 0, 10, 10, -2, false), 2147483647.0);
  EXPECT_EQ(IEPointToEllipseDistance(50, 50, 0, 0, 100, 100, 1, true), 0) << "the centre of a filled ellipse";
  EXPECT_NEAR(IEPointToEllipseDistance(50, 0, 0, 0, 100, 100, 1, false), 0, 1.0);
  EXPECT_GT(IEPointToEllipseDistance(50, 50, 0, 0, 100, 100, 1, false), 45);
}

TEST(IEGeom, SnapTo45Degrees) {
  struct Case {
    int x2, y2, ex, ey;
  } cases[] = {{100, 10, 100, 0}, {100, 90, 100, 100}, {10, 100, 0, 100}, {-100, -90, -90, -90}, {90, -100, 100, -100}};
  for (const auto& c : cases) {
    int x = c.x2, y = c.y2;
    IESnapTo45Degrees(0, 0, x, y);
    EXPECT_EQ(x, c.ex) << c.x2 << "," << c.y2;
    EXPECT_EQ(y, c.ey) << c.x2 << "," << c.y2;
  }
}

TEST(IEGeom, RotationAndBezier) {
  TIEPoint p[1] = {{10, 0}};
  IERotatePoints(p, 0, 0, 0, 90);  // counter-clockwise on the screen: to the top
  EXPECT_EQ(p[0].X, 0);
  EXPECT_EQ(p[0].Y, -10);
  TIEPoint pts[4];
  IEBezierPoints({0, 0}, {0, 0}, {100, 100}, 4, pts, {100, 100});
  EXPECT_EQ(pts[3].X, 100) << "the last point is P3";
  EXPECT_EQ(pts[3].Y, 100);
  EXPECT_EQ(pts[1].X, 50);
  EXPECT_GT(pts[0].X, 0) << "P0 itself is not among the points";
}

}  // namespace
