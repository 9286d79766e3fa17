// The anti-aliased canvas: TIECanvas draws lines, rectangles, ellipses, polygons, arcs and
// rounded rectangles on a class-library canvas, anti-aliased through the flat drawing interface
// (platform/win/gdiplus.h, over cairo) while that interface is loaded, and through the canvas
// itself otherwise. TIEPen and TIEBrush mirror the canvas' pen and brush and keep an anti-aliased
// pen and brush in step with them. Text always goes through the canvas.
//
// The interface is started and stopped under a reference count: the single-image view loads it
// when it is created (GdiPlusLoad) and releases it when it is destroyed (GdiPlusUnload); while no
// view holds it every canvas draws without it. The library start-up allows it (IEGdiPlusInit).
//
// User-interface thread only: the module state is process-wide and not locked.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/vcl/graphics.h"
#include "platform/win/windef.h"

struct GpGraphics;
struct GpPen;
struct GpBrush;

// Library start-up step: use allowed, not loaded, count 0. The shut-down step does nothing.
void IEGdiPlusInit();
void IEGdiPlusFree();
// Counted load and release of the drawing interface.
void GdiPlusLoad();
void GdiPlusUnload();
bool IEGdiPlusLoaded();
// Allowed and loaded.
bool IEGdiPlusUsable();
// Whether the interface may be used at all (a test switch; the start-up allows it).
void IESetGdiPlusAllowed(bool Value);
int IEGdiPlusLoadCount();

class TIEPen : public TObject {
  ORV_CLASS(TIEPen, TObject)
public:
  // Copies colour, width, style and mode from Pen; opaque; line join round (2).
  explicit TIEPen(TPen* Pen);
  ~TIEPen() override;

  // Makes the anti-aliased pen anew from the current colour, transparency and width.
  void Recreate();
  // The colour with the transparency as alpha (alpha 0 for a clear pen).
  uint32_t GetARGB() const;

  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  int32_t Transparency() const { return FTransparency; }
  void SetTransparency(int32_t Value);  // 0..255, 255 opaque; the canvas pen is not changed
  float Width() const { return FWidth; }
  void SetWidth(float Value);
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle Value);
  TPenMode Mode() const { return FMode; }
  void SetMode(TPenMode Value);  // the canvas pen only
  uint8_t LineJoin() const { return FLineJoin; }
  void SetLineJoin(uint8_t Value);

  GpPen* GdiPen() const { return FGPen; }
  TPen* VclPen() const { return FPen; }

private:
  GpPen* FGPen = nullptr;
  TPen* FPen;
  TColor FColor = 0;
  int32_t FTransparency = 255;
  float FWidth = 1;
  TPenStyle FStyle = psSolid;
  TPenMode FMode = pmCopy;
  uint8_t FLineJoin = 2;
};

class TIEBrush : public TObject {
  ORV_CLASS(TIEBrush, TObject)
public:
  // Copies colour and style from Brush; opaque; hatch gaps black and fully transparent.
  explicit TIEBrush(TBrush* Brush);
  ~TIEBrush() override;

  void Recreate();
  uint32_t GetARGB() const;

  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  int32_t Transparency() const { return FTransparency; }
  void SetTransparency(int32_t Value);
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle Value);
  TColor BackColor() const { return FBackColor; }
  void SetBackColor(TColor Value);
  int32_t BackTransparency() const { return FBackTransparency; }
  void SetBackTransparency(int32_t Value);

  GpBrush* GdiBrush() const { return FGBrush; }
  TBrush* VclBrush() const { return FBrush; }

private:
  GpBrush* FGBrush = nullptr;
  TBrush* FBrush;
  TColor FColor = 0;
  int32_t FTransparency = 255;
  TColor FBackColor = 0;  // black
  int32_t FBackTransparency = 0;
  TBrushStyle FStyle = bsSolid;
};

class TIECanvas : public TObject {
  ORV_CLASS(TIECanvas, TObject)
public:
  // Over Canvas (not owned). UseGDIPlus asks for anti-aliased drawing, which happens only while
  // the interface is usable; Antialias chooses its smoothing (anti-alias or high speed).
  // Raises EIEException "Cannot create TIECanvas. GdipCreateFromHDC failed." when the canvas'
  // device context cannot take a graphics object.
  TIECanvas(TCanvas* Canvas, bool UseGDIPlus = true, bool Antialias = true);
  ~TIECanvas() override;

  // 5: anti-alias, 2: high speed (the interface's mode + 1).
  void SetSmoothingMode(int Mode);
  HDC GetHandle();
  bool UsesGdiPlus() const { return FUseGDIPlus; }
  TIEPen* Pen() const { return FPen; }
  TIEBrush* Brush() const { return FBrush; }
  TCanvas* Canvas() const { return FCanvas; }
  POINT PenPos() const { return POINT{FPenX, FPenY}; }

  void MoveTo(int X, int Y);
  void SetPenPos(POINT P);
  void LineTo(int X, int Y);
  void Line(int X1, int Y1, int X2, int Y2);
  void FillRect(const RECT& R);
  void Rectangle(const RECT& R);
  void Rectangle(int X1, int Y1, int X2, int Y2);
  void Ellipse(const RECT& R);
  void Ellipse(int X1, int Y1, int X2, int Y2);
  // Points[0..HighIndex].
  void Polygon(const POINT* Points, int HighIndex);
  void Polyline(const POINT* Points, int HighIndex);
  void Arc(int X1, int Y1, int X2, int Y2, int X3, int Y3, int X4, int Y4);
  void RoundRect(int X1, int Y1, int X2, int Y2, int X3, int Y3);

  int TextWidth(const std::string& Text);
  int TextHeight(const std::string& Text);
  void TextOut(int X, int Y, const std::string& Text);
  void TextRect(const RECT& R, int X, int Y, const std::string& Text);
  TFont* GetFont();

private:
  GpGraphics* FGraphics = nullptr;
  TCanvas* FCanvas;
  TIEPen* FPen;
  int FPenX = 0, FPenY = 0;
  TIEBrush* FBrush;
  bool FUseGDIPlus = false;
};

// The rectangle the anti-aliased ellipse is drawn in for a pen of width PenWidth (x1, y1, x2, y2
// are adjusted in place; a width of exactly 1 leaves them).
void IEAdjustEllipseRect(int& X1, int& Y1, int& X2, int& Y2, float PenWidth);
