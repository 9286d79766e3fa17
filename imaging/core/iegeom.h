// Plane geometry on integer screen coordinates (x to the right, y downward): point-in-shape
// tests, hit-test distances with a pen width, angles, 45-degree snapping, Bezier sampling, point
// rotation and size fitting.
#pragma once

#include <cstdint>

// Same layout as the platform's point and rectangle records.
struct TIEPoint {
  int32_t X, Y;
};
struct TIERect {
  int32_t Left, Top, Right, Bottom;
};

bool IEPointInRect(int x, int y, int x1, int y1, int x2, int y2);
bool IEPointInRectAnyOrder(int x, int y, int x1, int y1, int x2, int y2);
bool IESegmentBoxIntersectsRect(int x1, int y1, int x2, int y2, int left, int top, int right, int bottom);
// 2: b inside a; 1: b straddles an edge of a; 0: no edge of b inside a.
int IERectOverlapKind(int ax1, int ay1, int ax2, int ay2, int bx1, int by1, int bx2, int by2);
void IEIncludePointInRect(TIERect& rect, int x, int y);
bool IEPointInPolygon(int x, int y, const TIEPoint* points, int lastIndex);
bool IEPointInZoomedPolygon(int x, int y, const TIEPoint* points, double zoomY, double zoomX, double offsetY,
                            double offsetX, double originY, double originX, int count);
void IEFitSize(int width, int height, int maxWidth, int maxHeight, int& newWidth, int& newHeight);
void IERotatePoints(TIEPoint* points, int lastIndex, int cx, int cy, double angle);
void IEBezierPoints(TIEPoint P0, TIEPoint P1, TIEPoint P2, int count, TIEPoint* points, TIEPoint P3);

double IEArcTan2(double y, double x);
double IEArcCos(double c);
double IEVectorAngle(int x0, int y0, int x1, int y1, int x2, int y2);
double IEDirectionAngle(int x0, int y0, int x1, int y1);
int IETurnDirection(int x0, int y0, int x1, int y1, int x2, int y2);
double IEAngleAt(int x0, int y0, int x1, int y1, int x2, int y2);

double IEDistance(int x1, int y1, int x2, int y2);
double IEPointToLineDistance(int x, int y, int x1, int y1, int x2, int y2);
// 1,000,000 when the coordinates are too far apart to measure in 32-bit arithmetic.
double IEPointToSegmentDistance(int x, int y, int x1, int y1, int x2, int y2);
double IEPointToPolylineDistance(int x, int y, const TIEPoint* points, int penWidth, bool closed, double scaleY,
                                 double scaleX, double offsetY, double offsetX, double originY, double originX,
                                 int count);
double IEPointToEllipseDistance(int x, int y, int x1, int y1, int x2, int y2, int penWidth, bool filled);
double IEPointToRectDistance(int x, int y, int x1, int y1, int x2, int y2, int penWidth, bool filled);
void IESnapTo45Degrees(int x1, int y1, int& x2, int& y2);
