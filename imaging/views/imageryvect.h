// TImageryVect: the single-image view with vector objects over its image (lines, boxes, ellipses,
// arcs, bitmaps, texts, memos, rulers, polylines, angles, line labels, extended objects).
//
// This is the smallest form of the class the drawing and measurement files need: the object
// record, a plain object store with its drawing order, selection and bitmap table, and the
// settings drawing and measuring read. The store, files and mouse interaction are written beside
// it; the two sections below marked Drawing and Measurement belong to imageryvect_draw.cpp and
// imageryvect_measure.cpp.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/iegeom.h"
#include "imaging/views/imageryview.h"
#include "platform/vcl/graphics.h"

class TIECanvas;
class TImageryVect;

ORV_ENUM(TIEUnits, ieuPIXELS, ieuINCHES, ieuKM, ieuMETERS, ieuCENTIMETERS, ieuMILLIMETERS, ieuMICRONS,
         ieuNANOMETERS)
ORV_ENUM(TIEMouseInteractVtItems, mivMeasureArea, mivMeasurePath, mivNewLine, mivNewBox, mivNewEllipse,
         mivNewBitmap, mivNewText, mivSelectObjects, mivMeasureDrag, mivNewRuler, mivNewPolyline, mivNewAngle,
         mivNewMemo, mivNewLineLabel, mivEditVertices, mivNoClickCreate, mivNewExtended)
using TIEMouseInteractVt = TSet<TIEMouseInteractVtItems>;

// Object kinds.
enum : uint8_t {
  iekNONE = 0, iekLINE = 1, iekBOX = 2, iekELLIPSE = 3, iekARC = 4, iekBITMAP = 5, iekTEXT = 6, iekRULER = 7,
  iekPOLYLINE = 8, iekANGLE = 9, iekMEMO = 10, iekLINELABEL = 11, iekEXTENDED = 12
};

// The 280-byte character format of memo text.
#pragma pack(push, 1)
struct TIECharFormat {
  int32_t UseCount = 0;
  uint8_t FaceName[256] = {};  // length byte, then the characters
  int32_t Height = 0;
  uint8_t Style = 0;
  uint8_t Pad1[3] = {};
  int32_t Color = 0;
  int32_t BackColor = 0xFFFFFF;
  uint8_t BackStyle = 1;
  uint8_t Alignment = 0;
  uint8_t Pad2[2] = {};
};
#pragma pack(pop)
static_assert(sizeof(TIECharFormat) == 280);

struct TIEDPoint {
  double x, y;
};

struct TIEVSoftShadow {
  bool Enabled = false;
  double Radius = 3.0;
  int32_t OffsetX = 0, OffsetY = 0;
  int32_t Intensity = 100;
  uint8_t ShadowColor[3] = {0, 0, 0};  // red, green, blue
};

class TIEVExtendedObject : public TObject {
  ORV_CLASS(TIEVExtendedObject, TObject)
public:
  virtual void Draw(TIEBitmap* Dest, const RECT& Box, double ZoomX, double ZoomY, bool DrawingAlpha) {
    (void)Dest, (void)Box, (void)ZoomX, (void)ZoomY, (void)DrawingAlpha;
  }
};

struct TIEVObject {
  int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  uint8_t Kind = 0;
  int32_t Transparency = 255;
  bool KeepAspect = false;
  uint8_t BeginShape = 0, EndShape = 0;
  int32_t ShapeWidth = 10, ShapeLength = 20;
  TColor LabelBrushColor = 0xFFFFFF;
  uint8_t LabelBrushStyle = 0, LabelPosition = 1, LabelBorder = 1;
  TIERect LabelRect{0, 0, 0, 0};
  TColor PenColor = 0;
  uint8_t PenStyle = 0;
  int32_t PenWidth = 1;
  TColor BrushColor = 0xFFFFFF;
  uint8_t BrushStyle = 1;
  bool Highlight = false;
  double ArcStart = 0, ArcEnd = 6.283185307179586;
  int32_t BitmapSlot = -1;
  bool BitmapBorder = false;
  std::string Text;
  std::unique_ptr<LOGFONTA> Font;
  uint8_t FontQuality = 0, TextAlign = 0;
  bool AutoSize = false, MemoFixedFont = true;
  std::vector<TIEDPoint> CurvePoints;
  int32_t CharAngle = -10;
  bool TextEditable = true;
  std::vector<int32_t> MemoCharFormat;
  std::vector<TIECharFormat> MemoFormats;
  int32_t MemoLineSpacing = 0;
  TColor MemoBorderColor = 0xFFFFFF;
  uint8_t MemoBorderStyle = 0;
  int32_t MemoLineHeight = 0;
  bool MemoHasBitmap = false;
  double MemoMargins[4] = {0, 0, 0, 0};
  uint8_t MemoTextBrushStyle = 1;
  std::string Name;
  int32_t Tag = 0;
  uint8_t Style = 15;
  uint8_t RulerUnit = 0, RulerType = 2;
  std::vector<TIEPoint> Points;
  TIERect PointsBounds{0, 0, 0, 0};
  bool Closed = false;
  std::vector<TIEPoint> DrawnPoints;
  TIEPoint AnglePoints[3] = {{0, 0}, {50, 0}, {50, 50}};
  TIERect DrawnBounds{0, 0, 0, 0};
  int32_t DrawnMargin = 0;
  TIEVSoftShadow SoftShadow;
  std::unique_ptr<TIEVExtendedObject> Extended;
};

using TIEDrawObjectEvent = std::function<void(TObject* Sender, int hobj, TBitmap* Destination, const RECT& DestRect,
                                              bool DrawingAlpha, bool& Handled)>;
using TIEVMeasureHintEvent = std::function<void(TObject* Sender, std::string& Text, double Value)>;

class TImageryVect : public TImageryView {
  ORV_CLASS(TImageryVect, TImageryView)
public:
  explicit TImageryVect(TComponent* AOwner = nullptr);
  ~TImageryVect() override;

  // ---- object store ----
  // Appends a record (moved in) and returns its handle.
  int AddObject(TIEVObject&& Object);
  // -1 the template, -2 the object added last, 0 and up an index; nil for anything else.
  TIEVObject* GetObjectRecord(int hobj);
  int GetObjectsCount() const { return static_cast<int>(FObjects.size()); }
  int GetObjectAtOrder(int Index) const { return FOrder[static_cast<size_t>(Index)]; }
  void ClearObjects();
  void SelectObject(int hobj);
  int SelectedObjectsCount() const { return static_cast<int>(FSelection.size()); }
  int SelectedObject(int Index) const { return FSelection[static_cast<size_t>(Index)]; }
  // Gives an object a copy of Bitmap in a slot of its own (nil: no bitmap).
  void SetObjectBitmap(int hobj, TIEBitmap* Bitmap);
  TIEBitmap* GetSlotBitmap(int Slot);
  TIEMouseInteractVt MouseInteractVt() const { return FMouseInteractVt; }
  void SetMouseInteractVt(TIEMouseInteractVt Value) { FMouseInteractVt = Value; }

  // ---- settings ----
  TIEUnits MUnit() const { return FMUnit; }
  void SetMUnit(TIEUnits Value);
  int FloatDigitsCount() const { return FFloatDigits; }
  void SetFloatDigits(int Value) { FFloatDigits = Value; }
  int FloatDigitsPrecision() const { return FFloatPrecision; }
  void SetFloatPrecision(int Value) { FFloatPrecision = Value; }
  double ScaleFactor() const { return FScaleFactor; }
  void SetScaleFactor(double Value);
  void SetDpiX(int Value) override;
  void SetDpiY(int Value) override;
  bool ZoomObjectsWidth() const { return FZoomObjectsWidth; }
  void SetZoomObjectsWidth(bool Value) { FZoomObjectsWidth = Value; Update(); }
  bool ObjAntialias() const { return FObjAntialias; }
  void SetObjAntialias(bool Value) { FObjAntialias = Value; Update(); }
  TResampleFilter BitmapResampleFilter() const { return FBitmapResampleFilter; }
  void SetBitmapResampleFilter(TResampleFilter Value) { FBitmapResampleFilter = Value; Update(); }
  TPicture* ObjGripImage() const { return FGripImage.get(); }
  TPen* GripPen() const { return FGripPen.get(); }
  TBrush* GripBrush() const { return FGripBrush.get(); }
  int GripShape = 1, GripSize = 5;
  bool CenterGripMove = false;
  bool UprightRulerLabels = true, ReflexAngleComplement = false, MeasurePathToMouse = true;
  bool AllowFastPaint = true, DrawingSuspended = false, HideObjectsInPaint = false;

  TIEDrawObjectEvent OnBeforeDrawObject, OnAfterDrawObject;
  TIEVMeasureHintEvent OnMeasureHint;

  // Drawing (imageryvect_draw.cpp)
  void Paint() override;
  void PaintToBitmap(TIEBitmap* Dest, TIERenderTables* Rows, const TIERect* Clip, bool Background,
                     bool Decorations) override;
  // Draws one object; true when it was visible and in view (or clipping was off). Target is the
  // image behind Dest (bitmaps and highlight write its pixels), nil in the alpha pass.
  bool DrawObject(TIEVObject* O, int hobj, bool AlphaPass, double K, TIEBitmap* Target, bool ClientMode, bool Clip,
                  TBitmap* Dest);
  // Every object in drawing order (hobj -3), or one, with compositing.
  void DrawObjectsToBitmap(TIEBitmap* Image, bool ImageMode, int hobj, bool Antialias, TBitmap* Dest);
  // Burns the objects (or one) into any bitmap in image coordinates.
  bool CopyObjectsToBitmap(TIEBitmap* Bitmap, bool Antialias, int hobj = -3);
  void CopyObjectsToImage(bool Antialias);
  virtual void SetDrawAntialiased(bool Value);
  bool DrawAntialiased() const { return FDrawAntialiased; }
  void DrawGrip(TCanvas* C, int x, int y, int Type);
  void DrawObjectGrips(TCanvas* C, TIEVObject* O);
  void DrawSelectionGrips(TCanvas* C);
  void DrawVertexMarks(TCanvas* C);
  // Rubber bands between FRubberX1, FRubberY1 and FRubberX2, FRubberY2 (client), in invert mode.
  virtual void DrawRubberLine();
  virtual void DrawRubberBox();
  virtual void DrawRubberEllipse();
  virtual void DrawNewLineObject();
  virtual void DrawNewThreePointObject();
  void SetRubberPoints(int x1, int y1, int x2, int y2) {
    FRubberX1 = x1, FRubberY1 = y1, FRubberX2 = x2, FRubberY2 = y2;
  }
  // Objects drawn by the last paint.
  int DrawnCount() const { return FDrawnCount; }
  bool FastPaint() const { return FFastPaint; }
  void FastPaintTimerTick();

  // Measurement (imageryvect_measure.cpp)
  static std::string GetUnitName(TIEUnits Unit);
  void GetUnitFactors(double& FactorX, double& FactorY, TIEUnits Unit);
  // Units per image pixel of MUnit, recomputed when the unit, the resolution or ScaleFactor change.
  double UnitsPerPixelX() const { return FUnitsPerPixelX; }
  double UnitsPerPixelY() const { return FUnitsPerPixelY; }
  void UpdateUnitFactors();
  // A measurement as text: fixed point with FloatPrecision significant digits and FloatDigits
  // digits after the point.
  std::string FormatMeasure(double Value);
  // Length of a ruler (or any two-point object) in its RulerUnit; angle of an angle object in
  // degrees (the complement rule applied).
  double GetObjectLength(int hobj);
  double GetObjectAngle(int hobj);
  double GetSelectionLength();
  double GetSelectionArea();
  // The drag measurement between the press point and the mouse point (client coordinates).
  double GetDragLength(int x, int y, int PressX, int PressY);
  void SetMeasurePoints(int PressX, int PressY, int MouseX, int MouseY) {
    FMeasurePressX = PressX, FMeasurePressY = PressY, FMeasureMouseX = MouseX, FMeasureMouseY = MouseY;
  }
  void SetMeasureHintOn(bool Value) { FMeasureHintOn = Value; }
  bool MeasureHintOn() const { return FMeasureHintOn; }
  void ShowMeasureHint(int x, int y);
  void HideMeasureHint();
  void RefreshMeasureHint(int x, int y);
  const std::string& LastHintText() const { return FLastHintText; }
  double LastMeasure() const { return FLastMeasure; }
  void DrawRuler(TIECanvas* C, int x1, int y1, int x2, int y2, const LOGFONTA* Font, TIERect& Bounds, double ZoomX,
                 double ZoomY, int RulerType, int PenWidth, TColor Color, TIEUnits Unit, double Length);
  void DrawAngle(TIECanvas* C, const TIEPoint* Points, const LOGFONTA* Font, TIERect& Bounds, double ZoomX,
                 double ZoomY, double K, bool ClientMode, int PenWidth, TColor Color);
  TFont* MeasureHintFont() const { return FHintFont.get(); }
  TBrush* MeasureHintBrush() const { return FHintBrush.get(); }

private:
  // Drawing (imageryvect_draw.cpp)
  void ObjectZoom(bool ClientMode, double K, double& ZX, double& ZY);
  int MapX(int x, bool ClientMode, double K);
  int MapY(int y, bool ClientMode, double K);
  int DrawnPenWidth(int PenWidth, double ZX, double ZY);
  void DrawArrowHead(TIECanvas* C, TIEVObject* O, int Style, int TipX, int TipY, int FromX, int FromY, double ZX,
                     double ZY);
  void DrawLineLabel(TIECanvas* C, TIEVObject* O, int x1, int y1, int x2, int y2, double ZX, double ZY,
                     bool ClientMode, double K);
  void DrawTextObject(TIECanvas* C, TIEVObject* O, int x1, int y1, int x2, int y2, double ZX, double ZY);
  void DrawMemoObject(TIECanvas* C, TIEVObject* O, int x1, int y1, int x2, int y2, double ZX, double ZY);
  void DrawBitmapObject(TIECanvas* C, TIEVObject* O, TIEBitmap* Target, int x1, int y1, int x2, int y2, int PenW);
  void PrepareWorkBitmap(int W, int H);
  void CompositeObject(TIEVObject* O, int hobj, TIEBitmap* Image, bool ClientMode, TBitmap* Dest, double K,
                       bool Antialias);
  void StartFastPaintTimer();
  void StopFastPaintTimer();
  std::unique_ptr<TIEBitmap> FWorkBitmap, FWorkAlpha;
  bool FFastPaint = false, FFastTimerRunning = false, FDrawAntialiased = false, FVectDragging = false;
  int FDrawnCount = 0;
  int FRubberX1 = 0, FRubberY1 = 0, FRubberX2 = 0, FRubberY2 = 0;
  int FNewAngle = -1;
  TTimer* FFastTimer = nullptr;

  // Measurement (imageryvect_measure.cpp)
  std::string MeasureHintText(double& Value);
  double FUnitsPerPixelX = 1, FUnitsPerPixelY = 1, FLastMeasure = 0;
  bool FMeasureHintOn = false;
  int FHintPosX = 0, FHintPosY = 0, FHintDrawnX = 0, FHintDrawnY = 0;
  int FMeasurePressX = 0, FMeasurePressY = 0, FMeasureMouseX = 0, FMeasureMouseY = 0;
  std::string FLastHintText;
  std::unique_ptr<TBitmap> FHintBitmap;
  std::unique_ptr<TFont> FHintFont;
  std::unique_ptr<TBrush> FHintBrush;
  TColor FHintColor1 = 0x808080, FHintColor2 = 0xFFFFFF;

  // store
  std::vector<TIEVObject> FObjects;
  std::vector<int> FOrder, FSelection;
  TIEVObject FTemplate;
  struct TSlot {
    std::unique_ptr<TIEBitmap> Bitmap;
    int Count = 0;
  };
  std::vector<TSlot> FSlots;
  TIEMouseInteractVt FMouseInteractVt;
  TIEUnits FMUnit = ieuPIXELS;
  int FFloatDigits = 2, FFloatPrecision = 15;
  double FScaleFactor = 1.0;
  bool FZoomObjectsWidth = true, FObjAntialias = true;
  TResampleFilter FBitmapResampleFilter = rfNone;
  std::unique_ptr<TPicture> FGripImage;
  std::unique_ptr<TPen> FGripPen;
  std::unique_ptr<TBrush> FGripBrush;
};
