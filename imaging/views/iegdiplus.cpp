// The anti-aliased canvas (see iegdiplus.h).
#include "imaging/views/iegdiplus.h"

#include <algorithm>
#include <cmath>

#include "imaging/core/iegeom.h"
#include "imaging/core/iestreams.h"
#include "imaging/core/ieutils.h"
#include "imaging/io/ieinit.h"
#include "platform/win/gdiplus.h"

ORV_CLASS_IMPL(TIEPen, TObject)
ORV_CLASS_IMPL(TIEBrush, TObject)
ORV_CLASS_IMPL(TIECanvas, TObject)

namespace {

// Process-wide state of the drawing interface.
bool gAllowed = true;
bool gLoaded = false;
int gLoadCount = 0;
ULONG_PTR gToken = 0;

// The library start-up runs IEGdiPlusInit first of all its steps.
const bool kGdiPlusStepInstalled = (IESetLibraryStep(lsGdiPlus, &IEGdiPlusInit, &IEGdiPlusFree), true);

constexpr double kDegreesPerRadian = 57.29577951308232;

}  // namespace

void IEGdiPlusInit() {
  (void)kGdiPlusStepInstalled;
  gAllowed = true;
  gLoaded = false;
  gLoadCount = 0;
}

void IEGdiPlusFree() {}

void GdiPlusLoad() {
  ++gLoadCount;
  if (!gAllowed || gLoaded) return;
  GdiplusStartupInput input;
  gLoaded = GdiplusStartup(&gToken, &input, nullptr) == Ok;
}

void GdiPlusUnload() {
  if (gLoadCount > 0) --gLoadCount;
  if (gLoaded && gLoadCount == 0) {
    GdiplusShutdown(gToken);
    gLoaded = false;
  }
}

bool IEGdiPlusLoaded() { return gLoaded; }
bool IEGdiPlusUsable() { return gAllowed && gLoaded; }
void IESetGdiPlusAllowed(bool Value) { gAllowed = Value; }
int IEGdiPlusLoadCount() { return gLoadCount; }

// ---------------------------------------------------------------- TIEPen

TIEPen::TIEPen(TPen* Pen) : FPen(Pen) {
  FColor = Pen->Color();
  FWidth = static_cast<float>(Pen->Width());
  FStyle = Pen->Style();
  FMode = Pen->Mode();
  if (IEGdiPlusUsable()) Recreate();
}

TIEPen::~TIEPen() {
  if (FGPen != nullptr) GdipDeletePen(FGPen);
}

uint32_t TIEPen::GetARGB() const {
  return IEColorToARGB(
      FColor, static_cast<uint8_t>(FStyle == psClear ? 0 : std::clamp(FTransparency, 0, 255)));
}

void TIEPen::Recreate() {
  if (FGPen != nullptr) GdipDeletePen(FGPen);
  FGPen = nullptr;
  if (GdipCreatePen1(GetARGB(), FWidth, UnitPixel, &FGPen) != Ok || FGPen == nullptr) {
    FGPen = nullptr;
    throw EIEException("Cannot create TIEPen. GdipCreatePen1 failed.");
  }
  SetStyle(FStyle);
  SetLineJoin(FLineJoin);
}

void TIEPen::SetColor(TColor Value) {
  FColor = Value;
  if (FGPen != nullptr) GdipSetPenColor(FGPen, GetARGB());
  FPen->SetColor(Value);
}

void TIEPen::SetTransparency(int32_t Value) {
  FTransparency = Value;
  if (FGPen != nullptr) GdipSetPenColor(FGPen, GetARGB());
}

void TIEPen::SetWidth(float Value) {
  FWidth = Value;
  if (FGPen != nullptr) GdipSetPenWidth(FGPen, Value);
  FPen->SetWidth(static_cast<int>(Value));
}

void TIEPen::SetStyle(TPenStyle Value) {
  FStyle = Value;
  if (FGPen != nullptr) {
    // A clear pen becomes transparent; going back to a visible style keeps that transparency
    // until the colour or the transparency is set again (the callers set the colour after the
    // style).
    if (Value == psClear) {
      GdipSetPenColor(FGPen, GetARGB());
      GdipSetPenDashStyle(FGPen, DashStyleSolid);
    } else if (Value == psInsideFrame) {
      GdipSetPenDashStyle(FGPen, DashStyleSolid);
    } else {
      GdipSetPenDashStyle(FGPen, static_cast<GpDashStyle>(Value));
    }
  }
  FPen->SetStyle(Value);
}

void TIEPen::SetMode(TPenMode Value) {
  FMode = Value;
  FPen->SetMode(Value);
}

void TIEPen::SetLineJoin(uint8_t Value) {
  FLineJoin = Value;
  if (FGPen != nullptr) GdipSetPenLineJoin(FGPen, Value);
}

// ---------------------------------------------------------------- TIEBrush

TIEBrush::TIEBrush(TBrush* Brush) : FBrush(Brush) {
  FColor = Brush->Color();
  FStyle = Brush->Style();
  if (IEGdiPlusUsable()) Recreate();
}

TIEBrush::~TIEBrush() {
  if (FGBrush != nullptr) GdipDeleteBrush(FGBrush);
}

uint32_t TIEBrush::GetARGB() const {
  return IEColorToARGB(
      FColor, static_cast<uint8_t>(FStyle == bsClear ? 0 : std::clamp(FTransparency, 0, 255)));
}

void TIEBrush::Recreate() {
  if (FGBrush != nullptr) GdipDeleteBrush(FGBrush);
  FGBrush = nullptr;
  if (FStyle == bsSolid || FStyle == bsClear) {
    GpSolidFill* b = nullptr;
    if (GdipCreateSolidFill(GetARGB(), &b) != Ok || b == nullptr)
      throw EIEException("Cannot create TIEBrush. GdipCreateSolidFill failed.");
    FGBrush = AsBrush(b);
  } else {
    GpHatch* b = nullptr;
    const uint32_t back =
        IEColorToARGB(FBackColor, static_cast<uint8_t>(std::clamp(FBackTransparency, 0, 255)));
    if (GdipCreateHatchBrush(static_cast<GpHatchStyle>(FStyle - 2), GetARGB(), back, &b) != Ok ||
        b == nullptr)
      throw EIEException("Cannot create TIEBrush. GdipCreateHatchBrush failed.");
    FGBrush = AsBrush(b);
  }
}

void TIEBrush::SetColor(TColor Value) {
  FColor = Value;
  if (IEGdiPlusUsable()) Recreate();
  FBrush->SetColor(Value);
}

void TIEBrush::SetTransparency(int32_t Value) {
  FTransparency = Value;
  if (IEGdiPlusUsable()) Recreate();
}

void TIEBrush::SetStyle(TBrushStyle Value) {
  FStyle = Value;
  if (IEGdiPlusUsable()) Recreate();
  FBrush->SetStyle(Value);
}

void TIEBrush::SetBackColor(TColor Value) {
  FBackColor = Value;
  if (IEGdiPlusUsable()) Recreate();
}

void TIEBrush::SetBackTransparency(int32_t Value) {
  FBackTransparency = Value;
  if (IEGdiPlusUsable()) Recreate();
}

// ---------------------------------------------------------------- TIECanvas

TIECanvas::TIECanvas(TCanvas* Canvas, bool UseGDIPlus, bool Antialias) : FCanvas(Canvas) {
  FPen = new TIEPen(Canvas->Pen());
  FBrush = new TIEBrush(Canvas->Brush());
  FUseGDIPlus = UseGDIPlus && IEGdiPlusUsable();
  if (FUseGDIPlus) {
    if (GdipCreateFromHDC(Canvas->Handle(), &FGraphics) != Ok || FGraphics == nullptr) {
      FGraphics = nullptr;
      delete FBrush;
      delete FPen;
      throw EIEException("Cannot create TIECanvas. GdipCreateFromHDC failed.");
    }
    SetSmoothingMode(Antialias ? 5 : 2);
  }
}

TIECanvas::~TIECanvas() {
  delete FBrush;
  delete FPen;
  if (FGraphics != nullptr) GdipDeleteGraphics(FGraphics);
}

void TIECanvas::SetSmoothingMode(int Mode) {
  if (FUseGDIPlus) GdipSetSmoothingMode(FGraphics, Mode - 1);
}

HDC TIECanvas::GetHandle() { return FCanvas->Handle(); }

void TIECanvas::MoveTo(int X, int Y) {
  FPenX = X;
  FPenY = Y;
  if (!FUseGDIPlus) FCanvas->MoveTo(X, Y);
}

void TIECanvas::SetPenPos(POINT P) { MoveTo(P.x, P.y); }

void TIECanvas::LineTo(int X, int Y) {
  if (FUseGDIPlus) {
    GdipDrawLine(FGraphics, FPen->GdiPen(), FPenX, FPenY, X, Y);
    FPenX = X;
    FPenY = Y;
  } else {
    FCanvas->LineTo(X, Y);
  }
}

void TIECanvas::Line(int X1, int Y1, int X2, int Y2) {
  if (FUseGDIPlus)
    GdipDrawLine(FGraphics, FPen->GdiPen(), X1, Y1, X2, Y2);
  else
    FCanvas->Polygon({POINT{X1, Y1}, POINT{X2, Y2}});
}

void TIECanvas::FillRect(const RECT& R) {
  if (!FUseGDIPlus) {
    FCanvas->FillRect(R);
    return;
  }
  int x1 = R.left, y1 = R.top, x2 = R.right, y2 = R.bottom;
  IEOrderRect(x1, y1, x2, y2);
  GdipFillRectangle(FGraphics, FBrush->GdiBrush(), x1, y1, x2 - x1 - 1, y2 - y1 - 1);
}

void TIECanvas::Rectangle(const RECT& R) { Rectangle(R.left, R.top, R.right, R.bottom); }

void TIECanvas::Rectangle(int X1, int Y1, int X2, int Y2) {
  if (!FUseGDIPlus) {
    FCanvas->Rectangle(X1, Y1, X2, Y2);
    return;
  }
  IEOrderRect(X1, Y1, X2, Y2);
  GdipFillRectangle(FGraphics, FBrush->GdiBrush(), X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1);
  GdipDrawRectangle(FGraphics, FPen->GdiPen(), X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1);
}

void IEAdjustEllipseRect(int& x1, int& y1, int& x2, int& y2, float PenWidth) {
  if (PenWidth == 1.0f) return;
  const int e = static_cast<int>(std::nearbyint(PenWidth / 2.0));
  // The same three steps for each axis.
  auto axis = [e](int& a1, int& a2) {
    if (a1 > a2) a1 = a1 + e;
    if (a1 <= a2 && e >= a2 - a1 - 1) a2 = a1 + e;
    if (a1 > a2 && e >= a1 - a2 - 1) a2 = a1 - e;
  };
  axis(x1, x2);
  axis(y1, y2);
  if (x1 == x2 - e) x1 -= e;
  if (y1 == y2 - e) y1 -= e;
  if (x1 == x2) {
    x1 -= e + 1;
    x2 -= e + 1;
  }
  if (y1 == y2) {
    y1 -= e + 1;
    y2 -= e + 1;
  }
  if (x1 > x2) {
    x1 -= e;
    x2 = x2 - e + 1;
  }
}

void TIECanvas::Ellipse(const RECT& R) { Ellipse(R.left, R.top, R.right, R.bottom); }

void TIECanvas::Ellipse(int X1, int Y1, int X2, int Y2) {
  if (!FUseGDIPlus) {
    FCanvas->Ellipse(X1, Y1, X2, Y2);
    return;
  }
  IEAdjustEllipseRect(X1, Y1, X2, Y2, FPen->Width());
  GdipFillEllipse(FGraphics, FBrush->GdiBrush(), X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1);
  GdipDrawEllipse(FGraphics, FPen->GdiPen(), X1, Y1, X2 - X1 - 1, Y2 - Y1 - 1);
}

void TIECanvas::Polygon(const POINT* Points, int HighIndex) {
  if (Points == nullptr || HighIndex < 0) return;
  if (!FUseGDIPlus) {
    FCanvas->Polygon(std::vector<POINT>(Points, Points + HighIndex + 1));
    return;
  }
  std::vector<GpPoint> p;
  for (int i = 0; i <= HighIndex; ++i) p.push_back(GpPoint{Points[i].x, Points[i].y});
  GdipDrawPolygonI(FGraphics, FPen->GdiPen(), p.data(), static_cast<INT>(p.size()));
  GdipFillPolygonI(FGraphics, FBrush->GdiBrush(), p.data(), static_cast<INT>(p.size()),
                   FillModeAlternate);
}

void TIECanvas::Polyline(const POINT* Points, int HighIndex) {
  if (Points == nullptr || HighIndex < 0) return;
  if (!FUseGDIPlus) {
    FCanvas->Polyline(std::vector<POINT>(Points, Points + HighIndex + 1));
    return;
  }
  std::vector<GpPoint> p;
  for (int i = 0; i <= HighIndex; ++i) p.push_back(GpPoint{Points[i].x, Points[i].y});
  GdipDrawLinesI(FGraphics, FPen->GdiPen(), p.data(), static_cast<INT>(p.size()));
}

void TIECanvas::Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4) {
  if (!FUseGDIPlus) {
    FCanvas->Arc(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
    return;
  }
  const int cx = (X1 + X2) / 2, cy = (Y1 + Y2) / 2;
  const double a1 = IEDirectionAngle(cx, cy, X4, Y4) * kDegreesPerRadian;
  const double a2 = IEAngleAt(X3, Y3, cx, cy, X4, Y4) * kDegreesPerRadian;
  GdipDrawArc(FGraphics, FPen->GdiPen(), X1, Y1, X2 - X1 + 1, Y2 - Y1 + 1, static_cast<REAL>(-a1),
              static_cast<REAL>(a2));
}

void TIECanvas::RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3) {
  if (!FUseGDIPlus) {
    FCanvas->RoundRect(X1, Y1, X2, Y2, X3, Y3);
    return;
  }
  IEOrderRect(X1, Y1, X2, Y2);
  const int w = X2 - X1, h = Y2 - Y1;
  X3 = std::min(X3, w);
  Y3 = std::min(Y3, h);
  GpPath* path = nullptr;
  if (GdipCreatePath(FillModeAlternate, &path) != Ok || path == nullptr) return;
  GdipAddPathArc(path, X1, Y1, X3, Y3, 180, 90);
  GdipAddPathArc(path, X1 + w - X3, Y1, X3, Y3, 270, 90);
  GdipAddPathArc(path, X1 + w - X3, Y1 + h - Y3, X3, Y3, 0, 90);
  GdipAddPathArc(path, X1, Y1 + h - Y3, X3, Y3, 90, 90);
  GdipAddPathLine(path, X1, Y1 + h - Y3, X1, Y1 + Y3 / 2.0f);
  GdipFillPath(FGraphics, FBrush->GdiBrush(), path);
  GdipDrawPath(FGraphics, FPen->GdiPen(), path);
  GdipDeletePath(path);
}

int TIECanvas::TextWidth(const std::string& Text) { return FCanvas->TextWidth(Text); }
int TIECanvas::TextHeight(const std::string& Text) { return FCanvas->TextHeight(Text); }
void TIECanvas::TextOut(int X, int Y, const std::string& Text) { FCanvas->TextOut(X, Y, Text); }
void TIECanvas::TextRect(const RECT& R, int X, int Y, const std::string& Text) {
  FCanvas->TextRect(R, X, Y, Text);
}
TFont* TIECanvas::GetFont() { return FCanvas->Font(); }
