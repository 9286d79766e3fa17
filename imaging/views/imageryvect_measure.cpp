// Measurement of the vector-object view: units per image pixel, the measurement texts, the length
// and area of the view's selection, the length of a dragged line, the floating measure hint, and
// the drawing of the two measuring object kinds, rulers and angles.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numbers>

#include "imaging/core/iegeom.h"
#include "imaging/core/iehint.h"
#include "imaging/core/iemask.h"
#include "imaging/views/iegdiplus.h"
#include "imaging/views/imageryvect.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/wingdi.h"

namespace {

constexpr const char* kVectMeasureUnitNames[8] = {"pixels", "inches", "km", "mt", "cm", "mm", "microns", "nanometers"};

// The system's primary language is Greek: rulers and angles then ask for the Greek character
// set. The language is the one of the process locale (LC_ALL, LC_CTYPE or LANG).
bool VectMeasureGreekSystem() {
  for (const char* name : {"LC_ALL", "LC_CTYPE", "LANG"}) {
    const char* v = std::getenv(name);
    if (v != nullptr && *v != 0) return std::strncmp(v, "el", 2) == 0;
  }
  return false;
}

// The font of rulers and angles: the face of the object's font, its height times the vertical
// zoom in points (at least 3), the colour, clear brush.
void VectMeasureSetFont(TIECanvas* C, const LOGFONT* Font, double ZoomY, TColor Color) {
  TFont* f = C->GetFont();
  if (Font != nullptr) {
    char face[LF_FACESIZE + 1] = {};
    std::memcpy(face, Font->lfFaceName, LF_FACESIZE);
    f->SetName(face[0] != 0 ? face : "Arial");
    f->SetSize(std::max(3, static_cast<int>(std::abs(static_cast<double>(Font->lfHeight)) * ZoomY)));
  }
  f->SetColor(Color);
  if (VectMeasureGreekSystem()) f->SetCharset(161);
  C->Brush()->SetStyle(bsClear);
}

void VectMeasureSetPen(TIECanvas* C, int PenWidth, TColor Color) {
  C->Pen()->SetMode(pmCopy);
  C->Pen()->SetWidth(static_cast<float>(std::max(PenWidth, 1)));
  C->Pen()->SetStyle(psSolid);
  C->Pen()->SetColor(Color);
  C->Pen()->SetTransparency(255);
}

void VectMeasureGrow(TIERect& B, int x, int y, int Margin) {
  B.Left = std::min(B.Left, x - Margin);
  B.Top = std::min(B.Top, y - Margin);
  B.Right = std::max(B.Right, x + Margin);
  B.Bottom = std::max(B.Bottom, y + Margin);
}

}  // namespace

std::string TImageryVect::GetUnitName(TIEUnits Unit) {
  const int u = static_cast<int>(Unit) & 0x7F;
  return u >= 0 && u < 8 ? kVectMeasureUnitNames[u] : "";
}

void TImageryVect::GetUnitFactors(double& FactorX, double& FactorY, TIEUnits Unit) {
  if (Unit == ieuPIXELS) {
    FactorX = FactorY = 1.0;
  } else {
    // A resolution of 0 cannot turn pixels into lengths: every length measures 0 then (and a
    // ruler draws no graduation) instead of dividing by zero.
    FactorX = DpiX() > 0 ? 1.0 / DpiX() : 0.0;
    FactorY = DpiY() > 0 ? 1.0 / DpiY() : 0.0;
    double m = 1.0;
    switch (static_cast<int>(Unit) & 0x7F) {
      case ieuKM: m = 2.54 / 100000; break;
      case ieuMETERS: m = 2.54 / 100; break;
      case ieuCENTIMETERS: m = 2.54; break;
      case ieuMILLIMETERS: m = 2.54 * 10; break;
      case ieuMICRONS: m = 2.54 * 10000; break;
      case ieuNANOMETERS: m = 2.54 * 10000000; break;
      default: break;
    }
    FactorX *= m;
    FactorY *= m;
  }
  FactorX *= ScaleFactor();
  FactorY *= ScaleFactor();
}

void TImageryVect::UpdateUnitFactors() { GetUnitFactors(FUnitFactorX, FUnitFactorY, MUnit()); }

std::string TImageryVect::FormatMeasure(double Value) {
  return FloatToStrF(Value, ffFixed, FloatPrecision(), FloatDigits());
}

double TImageryVect::GetObjectLength(int hobj) {
  TIEVObject* o = GetObjectRecord(hobj);
  if (o == nullptr) return 0;
  double ux = 1, uy = 1;
  GetUnitFactors(ux, uy, o->RulerUnit);
  const double dx = ux * std::abs(double(o->X2) - o->X1), dy = uy * std::abs(double(o->Y2) - o->Y1);
  return std::sqrt(dx * dx + dy * dy);
}

double TImageryVect::GetObjectAngle(int hobj) {
  TIEVObject* o = GetObjectRecord(hobj);
  if (o == nullptr) return 0;
  const TIEPoint* p = o->AnglePoints;
  if (p[0].X == -1000000 || p[1].X == -1000000 || p[2].X == -1000000) return 0;
  double a = IEAngleAt(p[0].X, p[0].Y, p[1].X, p[1].Y, p[2].X, p[2].Y) * 180.0 / std::numbers::pi;
  if (ReflexAngleComplement && a >= 180) a = 360 - a;
  return a;
}

double TImageryVect::GetSelectionLength() {
  const std::vector<TIEPoint>& pts = SelectionRecord().Points;
  const int n = static_cast<int>(pts.size());
  const double ux = FUnitFactorX, uy = FUnitFactorY;
  auto seg = [&](const TIEPoint& a, const TIEPoint& b) {
    const double dx = ux * std::abs(double(b.X) - a.X), dy = uy * (double(b.Y) - a.Y);
    return std::sqrt(dx * dx + dy * dy);
  };
  double len = 0;
  int first = 0;
  for (int i = 0; i + 1 < n; ++i) {
    if (pts[i].X == IESelBreak) continue;
    if (pts[i + 1].X == IESelBreak) {
      // the polygon closes back to its first point; the walk goes on after the separator
      len += seg(pts[i], pts[first]);
      first = i + 2;
      ++i;
      continue;
    }
    len += seg(pts[i], pts[i + 1]);
  }
  const bool drawing = PolygonSelectionOpen();
  if (!drawing && n > 2 && first < n && pts[n - 1].X != IESelBreak) len += seg(pts[n - 1], pts[first]);
  if (drawing && MeasurePathToMouse && n > 0 && pts[n - 1].X != IESelBreak) {
    const TIEPoint m{ScreenToBitmapX(FMouseX), ScreenToBitmapY(FMouseY)};
    len += seg(pts[n - 1], m);
  }
  return len;
}

double TImageryVect::GetSelectionArea() {
  const std::vector<TIEPoint>& pts = SelectionRecord().Points;
  const int n = static_cast<int>(pts.size());
  const double c = FUnitFactorX * FUnitFactorY;
  if (n > 2) {
    double sum = 0;
    int start = 0;
    for (int i = 0; i < n; ++i) {
      if (pts[i].X == IESelBreak) {
        start = i + 1;
        continue;
      }
      const TIEPoint& p = pts[i];
      if (i + 1 >= n || pts[i + 1].X == IESelBreak) {
        const TIEPoint& s = pts[start];
        sum += c * (double(p.X) - s.X) * (double(s.Y) + p.Y);
      } else {
        const TIEPoint& q = pts[i + 1];
        sum += c * (double(p.X) - q.X) * (double(q.Y) + p.Y);
      }
    }
    return std::abs(sum / 2);
  }
  TIEMask* m = SelectionMask();
  if (m == nullptr || m->IsEmpty() || m->BitsPerPixel != 1) return 0;
  int64_t count = 0;
  for (int y = std::max(m->Y1, 0); y <= std::min(m->Y2, m->Height - 1); ++y)
    for (int x = std::max(m->X1, 0); x <= std::min(m->X2, m->Width - 1); ++x)
      if (m->GetPixel(x, y) != 0) ++count;
  return c * static_cast<double>(count);
}

double TImageryVect::GetDragLength(int x, int y, int PressX, int PressY) {
  const double zx = ZoomX() != 0 ? 100.0 / ZoomX() : 0, zy = ZoomY() != 0 ? 100.0 / ZoomY() : 0;
  const double dx = (double(x) - PressX + 1) * FUnitFactorX * zx;
  const double dy = (double(y) - PressY + 1) * FUnitFactorY * zy;
  return std::sqrt(dx * dx + dy * dy);
}

std::string TImageryVect::MeasureHintText(double& Value) {
  const TIEMouseInteractVt mode = MouseInteractVt();
  std::string text;
  if (mode.Contains(mivMeasureArea)) {
    Value = GetSelectionArea();
  } else if (mode.Contains(mivMeasurePath)) {
    Value = GetSelectionLength();
  } else if (mode.Contains(mivMeasureDrag)) {
    Value = GetDragLength(FMouseX, FMouseY, FMeasurePressX, FMeasurePressY);
  } else {
    Value = 0;
    return text;
  }
  if (Value == 0) Value = FLastMeasuredValue;  // a zero measure shows the previous value
  FLastMeasuredValue = Value;
  text = FormatMeasure(Value) + " " + GetUnitName(MUnit());
  if (mode.Contains(mivMeasureArea)) text += "\xB2";
  return text;
}

void TImageryVect::ShowMeasureHint(int x, int y) {
  if (!FMeasureHintOn || !HandleAllocated()) return;
  if (x == -1000000) x = FMeasureHintX;
  if (y == -1000000) y = FMeasureHintY;
  x = std::max(x, 0);
  y = std::max(y, 0);
  FMeasureHintX = x;
  FMeasureHintY = y;
  double value = 0;
  std::string text = MeasureHintText(value);
  if (OnMeasureHint) OnMeasureHint(this, text, value);
  FLastHintText = text;
  if (!FMeasureHintSaved) FMeasureHintSaved = std::make_unique<TBitmap>();
  IEDrawHintBox(Canvas(), x, y, MeasureHintBorder2, MeasureHintBorder1, GetExtentY(), GetExtentX(), FMeasureHintSaved.get(),
                FMeasureHintBrush.get(), FMeasureHintFont.get(), text);
  FMeasureHintDrawnX = x;
  FMeasureHintDrawnY = y;
}

void TImageryVect::HideMeasureHint() {
  if (!FMeasureHintOn || !FMeasureHintSaved || FMeasureHintSaved->Width() < 2 || !HandleAllocated()) return;
  Canvas()->CopyRect(RECT{FMeasureHintDrawnX, FMeasureHintDrawnY, FMeasureHintDrawnX + FMeasureHintSaved->Width(),
                          FMeasureHintDrawnY + FMeasureHintSaved->Height()},
                     FMeasureHintSaved->Canvas(), RECT{0, 0, FMeasureHintSaved->Width(), FMeasureHintSaved->Height()});
  FMeasureHintSaved->SetSize(1, FMeasureHintSaved->Height());  // consumed
}

void TImageryVect::RefreshMeasureHint(int x, int y) {
  HideMeasureHint();
  ShowMeasureHint(x, y);
}

void TImageryVect::DrawRuler(TIECanvas* C, int x1, int y1, int x2, int y2, const LOGFONT* Font, TIERect& Bounds,
                             double ZoomX, double ZoomY, uint8_t RulerType, int PenWidth, TColor Color, TIEUnits Unit,
                             double Length) {
  if (x1 == x2 && y1 == y2) return;
  const double pi = std::numbers::pi;
  VectMeasureSetPen(C, PenWidth, Color);
  VectMeasureSetFont(C, Font, ZoomY, Color);
  C->Line(x1, y1, x2, y2);
  VectMeasureGrow(Bounds, x1, y1, PenWidth);
  VectMeasureGrow(Bounds, x2, y2, PenWidth);
  const double lpx = std::hypot(double(x2) - x1, double(y2) - y1);
  // Normal angle of the line.
  double t;
  if (x1 == x2)
    t = y2 > y1 ? -pi / 2 : pi / 2;
  else
    t = IEAngleAt(x1, y1 - 100, x1, y1, x2, y2);
  const bool downRightOrUpLeft = (x2 > x1 && y2 > y1) || (x2 < x1 && y2 < y1);
  double r = downRightOrUpLeft ? 2 * pi - t + pi / 2 : t + pi / 2;
  double ux = 1, uy = 1;
  GetUnitFactors(ux, uy, Unit);
  // Ticks and end bars run across the line: along its direction turned by a right angle.
  const double across = IEDirectionAngle(x1, y1, x2, y2) + pi / 2;
  if (RulerType == 0) {
    if (y1 == y2) r = pi / 2;  // a horizontal ruler ticks straight up and down
    if (ux == 0 || uy == 0 || ZoomX == 0 || ZoomY == 0) return;
    const double sx = 1.0 / (10 * ux / ZoomX), sy = 1.0 / (10 * uy / ZoomY);
    const double ex = (x2 - x1) / lpx, ey = (y2 - y1) / lpx;  // unit direction
    // Step along the line by a tenth of a unit, measured per axis.
    const double step = 1.0 / std::hypot(ex / sx, ey / sy);
    const double nx = std::cos(across), ny = -std::sin(across);
    const int bx1 = std::min(x1, x2), bx2 = std::max(x1, x2), by1 = std::min(y1, y2), by2 = std::max(y1, y2);
    const int textH = C->TextHeight("0");
    for (int i = 0;; ++i) {
      const double d = i * step;
      if (d >= lpx || i > 100000) break;
      const double bxf = x1 + ex * d, byf = y1 + ey * d;
      const int bx = static_cast<int>(std::lround(bxf)), by = static_cast<int>(std::lround(byf));
      if (bx < bx1 || bx > bx2 || by < by1 || by > by2) break;
      const double half = (i % 10 == 0 ? 12 : i % 5 == 0 ? 8 : 6) * ZoomY;
      const int tx = static_cast<int>(bxf + nx * half), ty = static_cast<int>(byf + ny * half);
      C->Line(static_cast<int>(bxf - nx * half), static_cast<int>(byf - ny * half), tx, ty);
      VectMeasureGrow(Bounds, tx, ty, PenWidth);
      if (i % 10 == 0) {
        const std::string s = std::to_string(i / 10);
        const double N = 2.0 * textH + 1, M = C->TextWidth(s) / 2;
        int x, y;
        if (downRightOrUpLeft) {
          x = static_cast<int>(N * std::cos(r) + tx - 2 * M * std::cos(r) + M * std::sin(r));
          y = static_cast<int>(N * std::sin(r) + ty - M * std::cos(r)) + 20;
        } else {
          x = static_cast<int>(N * std::cos(r) + tx + M * std::sin(r));
          y = static_cast<int>(N * std::sin(r) + ty + M * std::cos(r)) + 20;
        }
        C->TextOut(x, y, s);
        VectMeasureGrow(Bounds, x, y, 15);
      }
    }
    return;
  }
  // Labelled ruler: bars across both ends.
  const double bar = 9;
  const double nx = std::cos(across), ny = -std::sin(across);
  for (const POINT& e : {POINT{x1, y1}, POINT{x2, y2}}) {
    const int ax = static_cast<int>(e.x - nx * bar * ZoomX), ay = static_cast<int>(e.y - ny * bar * ZoomY);
    const int bx = static_cast<int>(e.x + nx * bar * ZoomX), by = static_cast<int>(e.y + ny * bar * ZoomY);
    C->Line(ax, ay, bx, by);
    VectMeasureGrow(Bounds, ax, ay, PenWidth);
    VectMeasureGrow(Bounds, bx, by, PenWidth);
  }
  const double dir = IEDirectionAngle(x1, y1, x2, y2);
  double q = 2 * pi - dir;
  if (UprightRulerLabels && q > pi / 2 && q <= 3 * pi / 2) q -= pi;
  double value = Length;
  if (Length < 0) {
    const double dx = ux * std::abs(double(x2) - x1) / (ZoomX != 0 ? ZoomX : 1);
    const double dy = uy * std::abs(double(y2) - y1) / (ZoomY != 0 ? ZoomY : 1);
    value = std::sqrt(dx * dx + dy * dy);
  }
  const std::string text = FormatMeasure(value) + " " + GetUnitName(Unit);
  TFont* f = C->GetFont();
  const int oldEsc = f->Orientation();
  const int esc = static_cast<int>(-q * 1800 / pi);
  LOGFONTA lf = f->LogFont();
  lf.lfEscapement = lf.lfOrientation = esc;
  const TColor col = f->Color();
  f->SetLogFont(lf);
  f->SetColor(col);
  const bool forward = !UprightRulerLabels || dir < pi / 2 - 0.000001 || dir > 3 * pi / 2;
  std::string s = text;
  if (RulerType == 1 && forward) s = " " + text;
  if (RulerType == 3 && forward) s = text + " ";
  const double tw = C->TextWidth(s), th = C->TextHeight(s);
  const double cq = std::cos(q), sq = std::sin(q);
  double ax = x1, ay = y1, along = 0;
  if (forward) {
    if (RulerType == 2) along = (lpx - tw) / 2;
    if (RulerType == 3) along = lpx - tw;
  } else {
    ax = x2;
    ay = y2;
    if (RulerType == 2) {
      ax = x1;
      ay = y1;
      along = -(tw + lpx) / 2;
    }
    if (RulerType == 3) along = lpx - tw;
  }
  const int px = static_cast<int>(ax + along * cq), py = static_cast<int>(ay + along * sq);
  C->TextOut(px, py, s);
  // The rotated text box and a margin around its corners.
  const double hx = -sq * th, hy = cq * th;
  const double cx[4] = {0, tw * cq, tw * cq + hx, hx}, cy[4] = {0, tw * sq, tw * sq + hy, hy};
  for (int i = 0; i < 4; ++i) VectMeasureGrow(Bounds, px + static_cast<int>(cx[i]), py + static_cast<int>(cy[i]), 15);
  lf.lfEscapement = lf.lfOrientation = oldEsc;
  f->SetLogFont(lf);
  f->SetColor(col);
}

void TImageryVect::DrawAngle(TIECanvas* C, const TIEPoint* Points, const LOGFONT* Font, TIERect& Bounds, double ZoomX,
                             double ZoomY, int K, bool ClientMode, int PenWidth, TColor Color) {
  (void)ZoomX;
  if (Points[0].X == -1000000) return;
  VectMeasureSetPen(C, PenWidth, Color);
  VectMeasureSetFont(C, Font, ZoomY, Color);
  POINT p[3];
  int n = 0;
  for (int i = 0; i < 3 && Points[i].X != -1000000; ++i) {
    p[i] = ClientMode ? POINT{static_cast<LONG>(K * BitmapToScreenX(Points[i].X)),
                              static_cast<LONG>(K * BitmapToScreenY(Points[i].Y))}
                      : POINT{static_cast<LONG>(K * Points[i].X), static_cast<LONG>(K * Points[i].Y)};
    VectMeasureGrow(Bounds, p[i].x, p[i].y, PenWidth);
    n = i + 1;
  }
  if (n >= 2) C->Polyline(p, n - 1);
  if (n < 3) return;
  double a = IEAngleAt(p[0].x, p[0].y, p[1].x, p[1].y, p[2].x, p[2].y) * 180.0 / std::numbers::pi;
  const bool complement = ReflexAngleComplement && a >= 180;
  if (complement) a = 360 - a;
  const std::string text = FormatMeasure(a) + "\xB0";
  C->TextOut(p[1].x, p[1].y, text);
  VectMeasureGrow(Bounds, p[1].x + C->TextWidth(text), p[1].y + C->TextHeight(text), 1);
  const int rad = static_cast<int>(std::min(IEDistance(p[0].x, p[0].y, p[1].x, p[1].y),
                                            IEDistance(p[2].x, p[2].y, p[1].x, p[1].y)) / 4);
  if (rad <= 0) return;
  // The arc runs counter-clockwise from its start point to its end point; the measured angle
  // goes from the first arm to the second.
  POINT from = p[2], to = p[0];
  if (complement) std::swap(from, to);
  C->Brush()->SetStyle(bsClear);
  C->Arc(p[1].x - rad, p[1].y - rad, p[1].x + rad, p[1].y + rad, from.x, from.y, to.x, to.y);
  VectMeasureGrow(Bounds, p[1].x - rad, p[1].y - rad, PenWidth);
  VectMeasureGrow(Bounds, p[1].x + rad, p[1].y + rad, PenWidth);
}
