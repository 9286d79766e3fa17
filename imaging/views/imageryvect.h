// TImageryVect: a single-image view that keeps a list of vector objects over its image: lines
// with arrow heads, boxes, ellipses, arcs, bitmaps, texts (also along a curve), memos, rulers,
// polylines and polygons, angles, lines with a label and objects of registered extended classes.
//
// The pieces live in several files: imageryvect.cpp (the object store, the shared bitmap table,
// selection, copies, object undo, the extended-class registry, properties and events, the unit's
// start-up), imageryvect_files.cpp (the IEV and ALL streams and files, their detectors and the IO
// front end's hooks), imageryvect_draw.cpp (drawing of objects, grips and previews, painting) and
// imageryvect_measure.cpp (units, measurements, the measure hint, rulers and angles).
//
// Objects are named by handles: 0 and up is the object's index in the object array (valid until
// the objects are cleared; the array is never compacted), IEV_TEMPLATE the template from which
// the mouse creates objects, IEV_LAST_ADDED the object added last, IEV_ALL_OBJECTS all objects
// (or none, to operations that take a single object), IEV_NO_OBJECT no object.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/iegeom.h"
#include "imaging/views/iecharformat.h"
#include "imaging/views/imageryview.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/graphics.h"
#include "platform/rtl/sysutils.h"
#include "platform/win/wingdi.h"

class TImageryVect;
class TIECanvas;
class TMemoryStream;
class TStream;
class TTimer;

// ---- handles and markers ----
constexpr int IEV_TEMPLATE = -1;
constexpr int IEV_LAST_ADDED = -2;
constexpr int IEV_ALL_OBJECTS = -3;
constexpr int IEV_NO_OBJECT = -4;
// Coordinate markers: no minimum yet, and an unset point (also no maximum yet).
constexpr int32_t IEV_NO_MIN = 1000000;
constexpr int32_t IEV_UNSET = -1000000;
// The object array grows by this many records whenever an addition finds the count a multiple
// of IEV_GROWTH_STEP.
constexpr int IEV_GROWTH_RECORDS = 522;
constexpr int IEV_GROWTH_STEP = 512;

// ---- object kinds (stored as one byte) ----
enum TIEVObjectKind : uint8_t {
  iekNONE = 0,       // never in the list; in files a group of nested records
  iekLINE = 1,       // start and end point
  iekBOX = 2,        // rectangle
  iekELLIPSE = 3,    // bounding rectangle
  iekARC = 4,        // bounding rectangle of the ellipse
  iekBITMAP = 5,     // rectangle the bitmap is stretched to
  iekTEXT = 6,       // rectangle
  iekRULER = 7,      // start and end point
  iekPOLYLINE = 8,   // bounding rectangle of the vertices
  iekANGLE = 9,      // box around the vertex
  iekMEMO = 10,      // rectangle
  iekLINELABEL = 11, // start and end point of the line
  iekEXTENDED = 12,  // rectangle
};
constexpr int IEVObjectKindCount = 13;

// ---- object style bits (the Style byte) ----
constexpr uint8_t ievsSelectable = 1;
constexpr uint8_t ievsMoveable = 2;
constexpr uint8_t ievsSizeable = 4;
constexpr uint8_t ievsVisible = 8;
using TIEVStyle = uint8_t;

// Measurement units (stored as one byte in rulers).
ORV_ENUM(TIEUnits, ieuPIXELS, ieuINCHES, ieuKM, ieuMETERS, ieuCENTIMETERS, ieuMILLIMETERS, ieuMICRONS,
         ieuNANOMETERS)
// Where object undo snapshots go: the view's own list, or the processing component's undo.
ORV_ENUM(TIEVUndoMode, ieumSeparated, ieumShared)
// What the left mouse button does over the objects (bit n = item n).
ORV_ENUM(TIEMouseInteractVtItems, mivMeasureArea, mivMeasurePath, mivNewLine, mivNewBox, mivNewEllipse,
         mivNewBitmap, mivNewText, mivSelectObjects, mivMeasureDrag, mivNewRuler, mivNewPolyline, mivNewAngle,
         mivNewMemo, mivNewLineLabel, mivEditVertices, mivNoClickCreate, mivNewExtended)
using TIEMouseInteractVt = TSet<TIEMouseInteractVtItems>;

// A point of a text curve: fractions (0..1) of the box width and height.
struct TIEDPoint {
  double X, Y;
};

// Soft shadow settings of an object.
struct TIEVSoftShadow {
  bool Enabled = false;
  double Radius = 3.0;
  int32_t OffsetX = 0, OffsetY = 0;
  int32_t Intensity = 100;  // percent
  TIERGBPixel ShadowColor{0, 0, 0};
};

class TIEVExtendedObject;

// One vector object (also the template). Owned parts: Text, Name, Font, CurvePoints,
// MemoCharFormat, MemoFormats, Points, DrawnPoints, Extended, and UserData when UserDataLength is
// above 0 (a block from malloc, freed with free). The view copies and frees them (AddObjectRecord,
// FreeObjectData); a record is moved, never copied.
struct TIEVObject {
  TIEVObject() = default;
  TIEVObject(TIEVObject&&) noexcept;
  TIEVObject& operator=(TIEVObject&&) noexcept;
  ~TIEVObject();
  TIEVObject(const TIEVObject&) = delete;
  TIEVObject& operator=(const TIEVObject&) = delete;

  // The box: start and end point for lines, rulers and line labels; for every other kind a
  // rectangle kept ordered (X1 <= X2, Y1 <= Y2).
  int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
  TIEVObjectKind Kind = iekNONE;
  int32_t Transparency = 0;  // 0..255, 255 opaque
  void* UserData = nullptr;
  int32_t UserDataLength = 0;
  bool KeepAspect = false;
  uint8_t BeginShape = 0, EndShape = 0;  // arrow heads: 0 none, 1 and 2 two styles
  int32_t ShapeWidth = 0, ShapeLength = 0;
  TColor LabelBrushColor = 0;
  TBrushStyle LabelBrushStyle = bsSolid;
  uint8_t LabelPosition = 0;  // 1: the label at the end point, else at the start point
  uint8_t LabelBorder = 0;    // 0 none, 1 rectangle, 2 rounded rectangle, 3 ellipse
  TIERect LabelRect{0, 0, 0, 0};  // computed at each drawing, image coordinates
  TColor PenColor = 0;
  TPenStyle PenStyle = psSolid;
  int32_t PenWidth = 0;
  TColor BrushColor = 0;
  TBrushStyle BrushStyle = bsSolid;
  bool Highlight = false;
  double ArcStart = 0, ArcEnd = 0;  // radians
  int32_t BitmapSlot = -1;
  bool BitmapBorder = false;
  std::string Text;
  std::unique_ptr<LOGFONT> Font;  // nil: none
  uint8_t FontQuality = 0;        // 0..6, see IEVFontOutputQuality
  uint8_t TextAlign = 0;          // 0 left, 1 right, 2 centre, 3 justified
  bool AutoSize = false;
  bool MemoFixedFont = false;
  std::vector<TIEDPoint> CurvePoints;  // the curve point count is its size; empty: straight text
  int32_t CharAngle = 0;               // tenths of a degree; -10 follows the curve
  bool TextEditable = false;
  std::vector<int32_t> MemoCharFormat;      // per character of Text; empty: none
  std::vector<TIECharFormat> MemoFormats;   // empty: none
  int32_t MemoLineSpacing = 0;
  TColor MemoBorderColor = 0;
  TPenStyle MemoBorderStyle = psSolid;
  int32_t MemoLineHeight = 0;
  bool MemoHasBitmap = false;
  double MemoMargins[4] = {0, 0, 0, 0};  // left, top, right, bottom, percent
  TBrushStyle MemoTextBrushStyle = bsSolid;
  std::string Name;
  int32_t Tag = 0;
  TIEVStyle Style = 0;
  TIEUnits RulerUnit = ieuPIXELS;
  uint8_t RulerType = 0;  // 0 graduated, 1 label at the start, 2 centred, 3 at the end
  std::vector<TIEPoint> Points;  // polyline vertices in their own point space; count = size
  TIERect PointsBounds{0, 0, 0, 0};
  bool Closed = false;
  std::vector<TIEPoint> DrawnPoints;  // vertices as last drawn, drawing coordinates
  TIEPoint AnglePoints[3] = {{0, 0}, {0, 0}, {0, 0}};
  TIERect DragStartBox{0, 0, 0, 0};
  TIERect DrawnBounds{0, 0, 0, 0};
  int32_t DrawnMargin = 0;
  TIEVSoftShadow SoftShadow;
  std::unique_ptr<TIEVExtendedObject> Extended;
};

// The font output quality of a FontQuality value (0..6); out-of-range values give the default.
uint8_t IEVFontOutputQuality(uint8_t FontQuality);

// Base of extended-object classes. An instance is created through the registry (by name), owned
// by its object and told its handle when the object is added.
class TIEVExtendedObject : public TObject {
  ORV_CLASS(TIEVExtendedObject, TObject)
public:
  TIEVExtendedObject() = default;
  ~TIEVExtendedObject() override = default;
  // Called once the owner is set, after loading.
  virtual void Initialize() {}
  // Kept for the slot order; never called by the view.
  virtual void Reserved() {}
  virtual void SetHandle(int Handle) { FHandle = Handle; }
  virtual void SaveToStream(TStream* /*Stream*/) {}
  virtual void LoadFromStream(TStream* /*Stream*/) {}
  // A new instance of the same class with the same state (owner, record and handle are set by
  // the caller).
  virtual TIEVExtendedObject* Clone();
  virtual void MouseDown(TMouseButton /*Button*/, TShiftState /*Shift*/, int /*X*/, int /*Y*/) {}
  virtual void MouseUp(TMouseButton /*Button*/, TShiftState /*Shift*/, int /*X*/, int /*Y*/) {}
  virtual void MouseMove(TShiftState /*Shift*/, int /*X*/, int /*Y*/) {}
  virtual void MouseEnter() {}
  virtual void MouseLeave() {}
  virtual void KeyDown(int /*CharCode*/, TShiftState /*Shift*/) {}
  // Draws into a 24-bit bitmap; Box in drawing coordinates.
  virtual void Draw(TIEBitmap* /*Destination*/, const TIERect& /*Box*/, double /*ZoomX*/, double /*ZoomY*/,
                    bool /*DrawingAlpha*/) {}

  TImageryVect* Owner = nullptr;
  TIEVObject* Record = nullptr;
  int Handle() const { return FHandle; }
  int32_t Value = 0;

private:
  int FHandle = -1;
};

// ---- events ----
using TIEUserSelectObject = std::function<void(TObject* Sender, int hobj)>;
using TIEVNewObject = std::function<void(TObject* Sender, int hobj)>;
using TIEVObjectMoveResizeEvent = std::function<void(TObject* Sender, int hobj, int Grip, int& OffsetX, int& OffsetY)>;
using TIEVObjectClickEvent = std::function<void(TObject* Sender, int hobj)>;
using TIEVMeasureHintEvent = std::function<void(TObject* Sender, std::string& Text, double Value)>;
using TIEVDragLenEndEvent = std::function<void(TObject* Sender, double Value)>;
using TIEDrawObjectEvent = std::function<void(TObject* Sender, int hobj, TBitmap* Destination, const RECT& DestRect,
                                              bool DrawingAlpha, bool& Handled)>;

class TImageryVect : public TImageryView {
  ORV_CLASS(TImageryVect, TImageryView)
public:
  explicit TImageryVect(TComponent* AOwner = nullptr);
  ~TImageryVect() override;
  static void Publish(TPublisher<TImageryVect>& P);

  // ---- the object store ----
  // Appends a copy of Source (fresh copies of its owned parts, no UserData) and returns its
  // handle. Source may be the template or any record, also one of this view's own objects.
  int AddObjectRecord(const TIEVObject& Source);
  // The template (-1), the object added last (-2), an object (0 and up); nil for -3 and -4.
  TIEVObject* GetObjectRecord(int hobj);
  // Ends any interaction, takes the automatic undo snapshot, frees every object and every bitmap
  // slot but the template's (which becomes slot 0), raises DoVectorialChanged and lays out.
  void ClearObjects();
  // Releases every owned part of a record and its bitmap reference.
  void FreeObjectData(TIEVObject& Obj);
  int ObjectsCount() const { return static_cast<int>(FObjects.size()); }
  // Records the object array has room for before it grows again.
  int ObjectsCapacity() const { return static_cast<int>(FObjects.capacity()); }
  // The drawing order: handles, drawn first to last, hit-tested last to first.
  int DrawingOrderCount() const { return static_cast<int>(FDrawingOrder.size()); }
  int GetObjectAtDrawingOrder(int Index) const { return FDrawingOrder[static_cast<size_t>(Index)]; }
  int LastAddedObject() const { return FLastAdded; }
  void SetObjectUserData(int hobj, void* Data);
  void SetObjectUserDataLength(int hobj, int32_t Length);
  // Font becomes the font's LOGFONT and PenColor its colour.
  void SetObjectFont(int hobj, TFont* Font);
  TFontStyles GetObjectFontStyle(int hobj);
  // Polyline vertices: appends one (unless equal to the last), widening the box.
  void AddPolylinePoint(int hobj, int x, int y);
  // After a vertex edit: maps the vertices into the box, recomputes the box and the point box.
  void RefitPolyline(TIEVObject& Obj);
  // Moves the box of an object by (dx, dy); an angle's placed points move too.
  void MoveObject(int hobj, int dx, int dy);

  // ---- shared bitmaps ----
  void SetObjectBitmap(int hobj, TIEBitmap* Bitmap);
  void SetObjectBitmapSlot(int hobj, int Slot);
  // Draws the named system icon at Width x Height into a 24-bit bitmap and takes it.
  void SetObjectBitmapFromIcon(int hobj, const char* IconResource, int Width, int Height);
  // Removes the free slots (keeping the order of the others) and renumbers BitmapSlot.
  void CompactBitmapSlots();
  int BitmapSlotCount() const { return static_cast<int>(FBitmapSlots.size()); }
  // The bitmap of a slot (nil for a free slot or an index out of range) and its reference count.
  TIEBitmap* GetSlotBitmap(int Slot) const;
  int GetSlotRefCount(int Slot) const;
  // The bitmap an object shows (nil without one).
  TIEBitmap* GetObjectBitmap(int hobj);

  // ---- selection ----
  void SelectObject(int hobj);
  void AddToSelection(int hobj);
  bool IsObjectSelected(int hobj);
  void DeselectObject(int hobj);
  void ClearSelection();
  void ClearSelectionAndUpdate();
  void SelectObjectsInRect(int hobj, int Left, int Top, int Right, int Bottom);
  int SelectedObjectsCount() const { return static_cast<int>(FSelection.size()); }
  int GetSelectedObject(int Index) const { return FSelection[static_cast<size_t>(Index)]; }
  RECT GetSelectionBounds();
  RECT GetObjectsExtent();

  // ---- copies ----
  int CopyObjectTo(int hobj, TImageryVect* Target);
  void CopyAllObjectsTo(TImageryVect* Target);
  void Assign(TPersistent* Source) override;

  // ---- extended objects ----
  // A new instance of the class registered under Name (owner set, record nil, handle -1); nil
  // when no class has that name.
  TIEVExtendedObject* CreateExtendedObject(const std::string& Name);
  // The name under which the instance's class is registered, empty when none.
  static std::string GetExtendedObjectName(const TIEVExtendedObject* Instance);

  // ---- object undo ----
  void SaveObjUndo();
  void ClearObjUndo();
  void DropLastObjUndo();
  int ObjUndoCount() const { return static_cast<int>(FObjUndo.size()); }
  // The entry Index counted from the oldest (an IEV stream).
  TMemoryStream* ObjUndoAt(int Index) const { return FObjUndo[static_cast<size_t>(Index)].get(); }
  // The automatic snapshot (when ObjAutoUndo is on) and taking it back when nothing changed.
  void AutoUndoSnapshot();
  void DropAutoUndoSnapshot();

  // ---- interaction state the store keeps ----
  // Forgets the extended object under the mouse, the kind being created and the grip being
  // dragged, ends in-place editing and lays out when an edit was open.
  void CancelInteraction();
  TIEMouseInteractVt MouseInteractVt() const { return FMouseInteractVt; }
  void SetMouseInteractVt(TIEMouseInteractVt Value);
  void SetMouseInteract(TIEMouseInteract Value) override;
  bool IsTextEditing() const { return FTextEditing >= 0; }
  int TextEditIndex() const { return FTextEditing; }
  // True while the mouse drags (creation or a grip).
  bool IsDragging() const { return FDragging; }

  // ---- files (imageryvect_files.cpp) ----
  void SaveToStreamIEV(TStream* Stream) override;
  // Replaces the objects with those of the IEV stream at the position; false for a foreign
  // stream (nothing changed).
  bool LoadFromStreamIEV(TStream* Stream) override;
  bool LoadFromFileIEV(const std::string& FileName);
  void SaveToFileIEV(const std::string& FileName);
  void SaveToStreamAll(TStream* Stream, int ImageFormat) override;
  bool LoadFromStreamAll(TStream* Stream) override;
  bool LoadFromFileAll(const std::string& FileName);
  void SaveToFileAll(const std::string& FileName, int ImageFormat);
  // One object record (hobj -3: every object in drawing order) and the reader of one record
  // (the handle of the added object, -4 when none was added).
  void SaveObjectToStream(TStream* Stream, int hobj);
  int LoadObjectFromStream(TStream* Stream, uint8_t Version);
  bool HasVectorObjects() override { return true; }

  // ---- properties ----
  TIEUnits MUnit() const { return FMUnit; }
  void SetMUnit(TIEUnits Value);
  int FloatDigits() const { return FFloatDigits; }
  void SetFloatDigits(int Value);
  int FloatPrecision() const { return FFloatPrecision; }
  void SetFloatPrecision(int Value);
  bool ShareBitmaps = true;
  bool GetShareBitmaps() const { return ShareBitmaps; }
  void SetShareBitmaps(bool Value) { ShareBitmaps = Value; }
  bool ZoomObjectsWidth() const { return FZoomObjectsWidth; }
  void SetZoomObjectsWidth(bool Value);
  TResampleFilter BitmapResampleFilter() const { return FBitmapResampleFilter; }
  void SetBitmapResampleFilter(TResampleFilter Value);
  int ObjUndoLimit = 1;
  int GetObjUndoLimit() const { return ObjUndoLimit; }
  void SetObjUndoLimit(int Value) { ObjUndoLimit = Value; }
  bool ObjAutoUndo = false;
  bool GetObjAutoUndo() const { return ObjAutoUndo; }
  void SetObjAutoUndo(bool Value) { ObjAutoUndo = Value; }
  TIEVUndoMode ObjUndoMode = ieumSeparated;
  TIEVUndoMode GetObjUndoMode() const { return ObjUndoMode; }
  void SetObjUndoMode(TIEVUndoMode Value) { ObjUndoMode = Value; }
  bool ObjAntialias() const { return FObjAntialias; }
  void SetObjAntialias(bool Value);
  bool SelectOnMouseDown = true;
  bool GetSelectOnMouseDown() const { return SelectOnMouseDown; }
  void SetSelectOnMouseDown(bool Value) { SelectOnMouseDown = Value; }
  TPicture* ObjGripImage() const { return FObjGripImage.get(); }
  // Copies the picture; with a graphic GripSize becomes half its larger side.
  void SetObjGripImage(TPicture* Value);
  double ScaleFactor() const { return FScaleFactor; }
  void SetScaleFactor(double Value);

  // Further settings (values at construction).
  int GripShape = 1;  // 0 square, 1 round
  int GripSize = 5;   // half size
  TPen* GripPen() const { return FGripPen.get(); }
  TBrush* GripBrush() const { return FGripBrush.get(); }
  bool CenterGripMove = false;
  bool HitInsideClearBoxes = false;
  bool AllowOutsideImage = true;
  bool RubberBandSelect = true;
  bool EditNewText = true;
  bool CenterNewObjects = false;
  int PolylineEndMode = 0;
  bool PolylineOutsideImage = false;
  int MaxHitDistance = -1;

  // ---- events, each raised through the Do operation of the same name ----
  TNotifyEvent OnSelectObject;
  TIEUserSelectObject OnUserSelectObject, OnUserDeselectObject;
  TIEVNewObject OnNewObject;
  TIEVObjectMoveResizeEvent OnObjectMoveResize;
  TIEVObjectClickEvent OnObjectClick, OnObjectDblClick, OnObjectOver;
  TNotifyEvent OnVectorialChanged;
  TNotifyEvent OnBeforeVectorialChanged;  // kept, never raised
  TIEVMeasureHintEvent OnMeasureHint;
  TIEVDragLenEndEvent OnDragLenEnd;
  TKeyEvent OnTextKeyDown;
  TNotifyEvent OnActivateTextEdit, OnDeactivateTextEdit;
  TNotifyEvent OnTextEditCursorMoved;
  TIEDrawObjectEvent OnBeforeDrawObject, OnAfterDrawObject;

  // ---- virtual operations introduced here ----
  virtual void DoVectorialChanged();
  // Places and styles the open in-place editor (nothing while none is open).
  virtual void UpdateTextEditor();
  virtual void DoObjectMoveResize(int hobj, int Grip, int& OffsetX, int& OffsetY);
  virtual void DoObjectClick(int hobj);
  virtual void DoObjectDblClick(int hobj);
  virtual void DoObjectOver(int hobj);
  virtual void DoVectorialChangedOnce();
  virtual void DoNewObject(int hobj);
  virtual void DoUserSelectObject(int hobj);
  virtual void DoUserDeselectObject(int hobj);
  // The changed-since-press mark (set by DoVectorialChanged).
  bool ObjectsChangedMark() const { return FChangedMark; }
  void SetObjectsChangedMark(bool Value) { FChangedMark = Value; }

  // ---- view operations ----
  void Update() override;
  void DoViewChange(int Change) override;
  void SetDpiX(int Value) override;
  void SetDpiY(int Value) override;
  void ShiftMouseCoords(int dx, int dy) override;
  void SelectRect(int x1, int y1, int x2, int y2, int Op) override;
  void AddSelectionPoint(int x, int y) override;

  // ======== Drawing (imageryvect_draw.cpp) ========
  // Draws one object; true when it was visible and in view (or Clip was off).
  bool DrawObject(TIEVObject& Obj, int hobj, bool AlphaPass, int Factor, TIEBitmap* Target, bool ClientMode,
                  bool Clip, TBitmap* Destination);
  // Draws all objects in drawing order (hobj -3) or one, with compositing.
  void DrawObjectsToBitmap(TIEBitmap* Image, bool ImageMode, int hobj, bool Antialias, TBitmap* Destination);
  // Image-mode drawing into any bitmap (converted to 24 bits and back when needed).
  bool CopyObjectsToBitmap(TIEBitmap* Bitmap, bool Antialias, int hobj = IEV_ALL_OBJECTS);
  // Draws every object into the current image, then lays out and calls the image-changed hook.
  // The objects stay in the list.
  void CopyObjectsToImage(bool Antialias = true);
  // The supersampling switch; lays out.
  virtual void SetDrawAntialiased(bool Value);
  bool DrawAntialiased() const { return FDrawAntialiased; }
  virtual void DrawRubberLine();
  virtual void DrawRubberBox();
  virtual void DrawRubberEllipse();
  virtual void DrawNewLineObject();
  virtual void DrawNewThreePointObject();
  void DrawGrip(int x, int y, int Type);
  void DrawObjectGrips(TIEVObject& Obj);
  void DrawSelectionGrips();
  void Paint() override;
  void PaintToBitmap(TIEBitmap* Dest, TIERenderTables* Rows, const TIERect* Clip, bool Background,
                     bool Decorations) override;
  // The fast-paint timer's tick: once the button is up, leaves fast mode and lays out.
  void FastPaintTimerTick(TObject* Sender);
  // The count of objects drawn in the last paint.
  int DrawnObjectsCount() const { return FDrawnCount; }
  bool FastMode() const { return FFastMode; }
  bool AllowFastPaint = true;
  bool DrawingSuspended = false;
  bool HideObjectsInPaint = false;
  void DrawVertexMarks();
  // The press and current points of the rubber bands and previews (client coordinates).
  void SetRubberPoints(int x1, int y1, int x2, int y2) {
    FRubberX1 = x1, FRubberY1 = y1, FRubberX2 = x2, FRubberY2 = y2;
  }

  // ======== Measurement (imageryvect_measure.cpp) ========
  // Units per image pixel of a unit (1 for pixels), times ScaleFactor.
  void GetUnitFactors(double& FactorX, double& FactorY, TIEUnits Unit);
  // Recomputes the units per pixel of MUnit (after MUnit, DPI or ScaleFactor changed).
  void UpdateUnitFactors();
  double UnitFactorX() const { return FUnitFactorX; }
  double UnitFactorY() const { return FUnitFactorY; }
  double GetSelectionArea();
  double GetSelectionLength();
  // -1000000 for a coordinate means the last hint position.
  void ShowMeasureHint(int x, int y);
  void HideMeasureHint();
  void RefreshMeasureHint(int x, int y);
  // A ruler from (x1, y1) to (x2, y2) in drawing coordinates; Length -1 measures the drawn line.
  void DrawRuler(TIECanvas* Canvas, int x1, int y1, int x2, int y2, const LOGFONT* Font, TIERect& Bounds,
                 double ZoomX, double ZoomY, uint8_t RulerType, int PenWidth, TColor Color, TIEUnits Unit,
                 double Length);
  // An angle through up to three placed points (IEV_UNSET: not placed).
  void DrawAngle(TIECanvas* Canvas, const TIEPoint* Points, const LOGFONT* Font, TIERect& Bounds, double ZoomX,
                 double ZoomY, int Factor, bool ClientMode, int PenWidth, TColor Color);
  // The measure hint's look.
  TFont* MeasureHintFont() const { return FMeasureHintFont.get(); }
  TBrush* MeasureHintBrush() const { return FMeasureHintBrush.get(); }
  TColor MeasureHintBorder1 = 0x808080, MeasureHintBorder2 = 0xFFFFFF;
  bool UprightRulerLabels = true;
  bool ReflexAngleComplement = false;
  bool MeasurePathToMouse = true;
  static std::string GetUnitName(TIEUnits Unit);
  // A measurement as text: fixed point, FloatPrecision significant digits, FloatDigits decimals.
  std::string FormatMeasure(double Value);
  // Length of a ruler (or any two-point object) in its RulerUnit; angle of an angle object in
  // degrees with the complement rule applied (0 while a point is not placed).
  double GetObjectLength(int hobj);
  double GetObjectAngle(int hobj);
  // The drag measurement between a press point and a mouse point (client coordinates).
  double GetDragLength(int x, int y, int PressX, int PressY);
  void SetMeasurePoints(int PressX, int PressY, int MouseX, int MouseY) {
    FMeasurePressX = PressX, FMeasurePressY = PressY, FMouseX = MouseX, FMouseY = MouseY;
  }
  void SetMeasureHintOn(bool Value) { FMeasureHintOn = Value; }
  bool MeasureHintOn() const { return FMeasureHintOn; }
  const std::string& LastHintText() const { return FLastHintText; }

protected:
  void WndProc(TMessage& Message) override;

  // ---- store internals shared by the view's files ----
  // Grows the object array and the drawing order as an addition needs.
  void ReserveForAddition();
  // The object's record for a handle that must name one (-1, -2 or an index).
  TIEVObject& Rec(int hobj);
  // Drops one reference of a slot (freeing it when the last goes).
  void ReleaseSlot(int Slot);
  // A slot holding a copy of Bitmap with count 1 (the first free slot or a new one).
  int NewSlotWithCopy(TIEBitmap* Bitmap);
  // Restores the template's bitmap as slot 0 after the table was emptied.
  void ClearBitmapSlots(bool KeepTemplateBitmap);
  // The bitmap table is emptied (no references) and made N free slots; used by the reader.
  void ResetBitmapSlots(int Count);
  void PutSlotBitmap(int Slot, std::unique_ptr<TIEBitmap> Bitmap);

  struct TBitmapSlot {
    std::unique_ptr<TIEBitmap> Bitmap;
    int32_t RefCount = 0;
  };

  TIEVObject FTemplate;
  std::vector<TIEVObject> FObjects;
  std::vector<int> FDrawingOrder;
  std::vector<int> FSelection;
  std::vector<TBitmapSlot> FBitmapSlots;
  int FLastAdded = -1;
  std::vector<std::unique_ptr<TMemoryStream>> FObjUndo;
  bool FUndoSnapshotTaken = false;

  // properties
  TIEUnits FMUnit = ieuPIXELS;
  int FFloatDigits = 2, FFloatPrecision = 15;
  bool FZoomObjectsWidth = true;
  TResampleFilter FBitmapResampleFilter = rfNone;
  bool FObjAntialias = true;
  std::unique_ptr<TPicture> FObjGripImage;
  std::unique_ptr<TPen> FGripPen;
  std::unique_ptr<TBrush> FGripBrush;
  double FScaleFactor = 1.0;

  // interaction state
  TIEMouseInteractVt FMouseInteractVt;
  int FTextEditing = -1;  // handle of the object edited in place, -1 none
  TIEVObjectKind FNewObjectKind = iekNONE;  // the kind being created
  int FDragGrip = 0;                        // the grip being dragged, 0 none
  int FExtendedUnderMouse = -1;
  int FMouseX = 0, FMouseY = 0;             // the last mouse point (client)
  bool FDragging = false;
  bool FChangedMark = false;
  bool FChangedOnceRaised = false;
  bool FDestroying = false;

  // ======== Drawing state (imageryvect_draw.cpp) ========
  TTimer* FFastPaintTimer = nullptr;
  bool FFastMode = false;
  bool FDrawAntialiased = false;
  int FDrawnCount = 0;
  std::unique_ptr<TIEBitmap> FWorkBitmap, FWorkAlpha;
  bool FFastTimerRunning = false;
  int FRubberX1 = 0, FRubberY1 = 0, FRubberX2 = 0, FRubberY2 = 0;
  int FNewAngle = -1;     // the angle being placed, -1 none
  TCanvas* FGripCanvas = nullptr;  // where grips go during a paint (the control canvas otherwise)
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
  void CompositeObject(TIEVObject* O, int hobj, TIEBitmap* Image, bool ClientMode, double K, bool Antialias);

  // ======== Measurement state (imageryvect_measure.cpp) ========
  double FUnitFactorX = 1.0, FUnitFactorY = 1.0;
  double FLastMeasuredValue = 0;
  bool FMeasureHintOn = false;
  int FMeasureHintX = 0, FMeasureHintY = 0;
  std::unique_ptr<TIEBitmap> FMeasureHintBitmap;
  std::unique_ptr<TFont> FMeasureHintFont;
  std::unique_ptr<TBrush> FMeasureHintBrush;
  std::unique_ptr<TBitmap> FMeasureHintSaved;  // the screen area under the hint
  int FMeasureHintDrawnX = 0, FMeasureHintDrawnY = 0, FMeasurePressX = 0, FMeasurePressY = 0;
  std::string FLastHintText;
  std::string MeasureHintText(double& Value);

private:
  friend struct TIEVFileAccess;
};

// ---- the vector unit's start-up and shut-down (run by the library start-up) ----
void IEVectInit();
void IEVectFree();
// The clipboard format "IMAGERY VECT" (registered at start-up; no operation places data under it).
extern UINT IEVectClipboardFormat;
// The twelve shortcuts the memo editor compares keys against: Ctrl+L, E, R, J, C, X, V, F, B, I,
// U, G.
extern int IEMemoShortCuts[12];
// The extended-class registry: a class is registered under a name (a later entry with the same
// name is never reached by a look-up, which scans in order).
void IEVRegisterExtendedClass(const std::string& Name, TClass Class);
int IEVExtendedClassCount();

// ---- files ----
// A damaged vector-object stream (the view keeps the objects it had before the load).
ORV_EXCEPTION(EIEVectorFileError, Exception)
// True when the stream holds an IEV stream of a version this reader takes; the position is
// restored.
bool IevDetect(TStream* Stream);
// True when the stream holds an ALL stream (a layer stream, then an IEV stream at the offset its
// first int32 names); the position is restored.
bool AllDetect(TStream* Stream);
// Installs (or removes) the IO front end's detection and loading of IEV and ALL files.
void IEInstallVectorFileHooks(bool Install);
