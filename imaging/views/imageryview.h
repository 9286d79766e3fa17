// TImageryView: the windowed control that shows one image (a stack of layers) with zoom,
// scrolling, a background style, selections, mouse interaction and an off-screen painting
// pipeline. The full-screen viewer and the crop window of the program are such views.
//
// The pieces live in several files: imageryview.cpp (state, properties, layout, messages,
// companions, zoom, origin, scroll bars, wheel, coordinates), imageryview_layers.cpp (TIELayer,
// the layer list, flattening, baking), imageryview_select.cpp (selections and their outlines),
// imageryview_paint.cpp (back buffer, background, layers, decorations), imageryview_mouse.cpp
// (mouse, keys, cursors, hints, automatic and smooth scrolling) and imageryview_nav.cpp
// (navigator, image binding, the unit's start-up).
//
// Zoom limits: a zoom is lowered so that the zoomed image stays within IEMaxZoomedExtent pixels
// on each axis; the extents, origins and zoom tables then stay inside 32-bit values and within a
// bounded amount of memory however deep the user zooms.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/iemask.h"
#include "imaging/core/ieprocdefs.h"
#include "imaging/core/iesmall.h"
#include "imaging/core/ieview.h"
#include "imaging/core/imageryproc.h"
#include "imaging/views/ieviewdefs.h"
#include "platform/vcl/graphics.h"

class TImageryIO;
class TImageryView;
class TIETransitionEffects;
class TTimer;
class TMemoryStream;
class TStream;

ORV_ENUM(TIEMouseInteractItems, miZoom, miScroll, miSelect, miSelectPolygon, miSelectCircle, miSelectZoom,
         miSelectMagicWand, miSelectLasso, miMoveLayers, miResizeLayers, miRotateLayers, miMovingScroll)
using TIEMouseInteract = TSet<TIEMouseInteractItems>;
ORV_ENUM(TIESelectionBase, iesbClientArea, iesbBitmap)
ORV_ENUM(TIESelectionOption, iesoAnimated, iesoSizeable, iesoMoveable, iesoFilled, iesoCutBorders, iesoMarkOuter,
         iesoCanScroll, iesoSelectTranspLayers, iesoRightButtonSelectLayers, iesoRightButtonTerminatePolySelect)
using TIESelectionOptions = TSet<TIESelectionOption>;

using TViewChangeEvent = std::function<void(TObject* Sender, int Change)>;
using TViewChangingEvent = std::function<void(TObject* Sender, int Change, double newValue)>;
using TIEZoomEvent = std::function<void(TObject* Sender, double& NewZoom)>;
using TIEMouseInResizingGripEvent = std::function<void(TObject* Sender, int Grip)>;
using TIEDrawBackgroundEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, const RECT& ARect, bool& Handled)>;
using TIEDrawCanvasEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, const RECT& ARect)>;
using TIEDrawLayerBoxEvent = std::function<void(TObject* Sender, TBitmap* ABitmap, int Layer)>;
using TIEDrawLayerGripEvent = std::function<void(TObject* Sender, TBitmap* ABitmap, int Layer, int Grip, const RECT& Rect)>;
using TIEDrawPolygonEvent = std::function<void(TObject* Sender, int Polygon, int Point, TCanvas* Canvas, int x, int y)>;
using TIELayerNotifyEvent = std::function<void(TObject* Sender, int Layer, int Event)>;
using TIESpecialKeyEvent = std::function<void(TObject* Sender, int CharCode, TShiftState Shift, bool& Handled)>;
using TIETransitionStepEvent = std::function<void(TObject* Sender, int step)>;

// The largest zoomed image extent, in screen pixels, on either axis.
constexpr int IEMaxZoomedExtent = 1 << 22;
// Separator between polygons of a selection.
constexpr int IESelBreak = 0xFFFFF;
// The library version the view reports and draws.
constexpr const char* IEImageryVersion = "3.0.3";

// One layer of a view.
class TIELayer : public TObject {
  ORV_CLASS(TIELayer, TObject)
public:
  // Share: Bitmap becomes the layer's image; otherwise a new image of its size and format.
  TIELayer(TImageryView* Owner, bool Share, TIEBitmap* Bitmap);
  ~TIELayer() override;
  void Reset();
  void SetRotate(double Angle);
  void Assign(TIELayer* Other);
  void SaveToStream(TStream* Stream, bool WithBitmap);
  void LoadFromStream(TStream* Stream);
  int GetWidth() const;
  int GetHeight() const;

  int32_t Width = 0, Height = 0;
  double RotateAngle = 0;
  TIEBitmap* RenderCache = nullptr;
  TImageryView* Owner = nullptr;
  TIEBitmap* Bitmap = nullptr;
  bool Visible = true, ShowBox = true;
  int32_t Opacity = 255;
  int32_t Left = 0, Top = 0;
  RECT ClientRect{0, 0, 0, 0};
  bool ClipToImage = false, Locked = false, Selectable = true;
  bool MagnifyEnabled = false;
  double MagnifyRate = 2.0;
  uint8_t MagnifyShape = 0, MagnifySource = 1;
  uint8_t BlendMode = 0;
  void* UserData = nullptr;
  int32_t UserDataSize = 0;
  bool OwnsBitmap = true;
  TResampleFilter ResampleFilter = rfNone;
  bool UseResampleFilter = false;
  std::string Name;
  bool IsMask = false;
  int32_t DrawDest[4] = {0, 0, 0, 0}, DrawSource[4] = {0, 0, 0, 0};
  TIEPoint RotatedCorners[4] = {};
  bool DimOutside = false;
  uint8_t GUID[16] = {};
  double RotateCenterX = 0.5, RotateCenterY = 0.5;
};

// A selection polygon record: the view's own is the first of its list.
struct TIESelectionPolygon {
  std::vector<TIEPoint> Points;  // image coordinates; IESelBreak points separate polygons
  int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
  TColor Color1 = 0, Color2 = 0xFFFFFF;
  bool Animated = true, Sizeable = true, Shown = false;
  int Phase = 0, DashCounter = 0;
  RECT ClientBox{0, 0, 0, 0};
  void Clear() {
    Points.clear();
    Left = Top = 2147483647;
    Right = Bottom = -2147483647;
  }
  void Add(int x, int y);
};

class TImageryView : public TIEView, public TIEProcViewServices {
  ORV_CLASS(TImageryView, TIEView)
public:
  explicit TImageryView(TComponent* AOwner = nullptr);
  ~TImageryView() override;
  static void Publish(TPublisher<TImageryView>& P);
  // Accessors of the plain published fields (for the property description).
  bool GetDoubleBuffer() const { return DoubleBuffer; }
  void SetDoubleBuffer(bool Value) { DoubleBuffer = Value; }
  bool GetDelayZoomFilter() const { return DelayZoomFilter; }
  void SetDelayZoomFilter(bool Value) { DelayZoomFilter = Value; }
  bool GetEnableInteractionHints() const { return EnableInteractionHints; }
  void SetEnableInteractionHints(bool Value) { EnableInteractionHints = Value; }
  TIESelectionBase GetSelectionBase() const { return SelectionBase; }
  void SetSelectionBase(TIESelectionBase Value) { SelectionBase = Value; }

  // ---- companions ----
  TImageryIO* GetIO();
  TImageryProc* GetProc();
  virtual void SetOnProgress(const TIEProgressEvent& Value);
  virtual void SetOnFinishWork(const TNotifyEvent& Value);
  virtual TIEProgressEvent GetOnProgress() const { return FOnProgress; }
  virtual TNotifyEvent GetOnFinishWork() const { return FOnFinishWork; }
  void SetOnSaveUndo(const TIESaveUndoEvent& Value);
  TIESaveUndoEvent GetOnSaveUndo() const { return FOnSaveUndo; }
  void SetOnTransitionStop(const TNotifyEvent& Value);
  void SetOnTransitionStep(const TIETransitionStepEvent& Value);
  TNotifyEvent GetOnTransitionStop() const;
  TIETransitionStepEvent GetOnTransitionStep() const;
  TIETransitionEffects* TransitionEngine() const { return FTransition; }

  // ---- TIEView ----
  void SetBackground(TColor Value) override;
  TBitmap* GetBitmap() override { return FBitmap; }
  TIEBitmap* GetIEBitmap() override { return FIEBitmap; }
  TIEBitmap* GetAlphaChannel() override;
  bool HasAlphaChannel() override;
  void RemoveAlphaChannel(bool Merge) override;
  void LockPaint() override { ++FLockPaint; }
  int UnlockPaint() override;
  int UnlockPaintNoRefresh() override;
  void ImageChange() override;
  int PaintLockCount() const { return FLockPaint; }

  // ---- image ----
  virtual bool IsEmpty();
  void Assign(TPersistent* Source) override;
  void ClearImage();
  void Blank();
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  // ---- layout and locks ----
  void Update() override;
  void Relayout();
  virtual int GetExtentX();
  virtual int GetExtentY();
  virtual bool HasParentWindow();
  void LockUpdate() { ++FLockUpdate; }
  int UnlockUpdate();
  int UnlockUpdateNoRefresh();
  int UpdateLockCount() const { return FLockUpdate; }
  virtual void DoViewChange(int Change);
  virtual void DoViewChanging(int Change, double Value);

  // ---- properties ----
  bool LegacyBitmap() const { return FLegacyBitmap; }
  virtual void SetLegacyBitmap(bool Value);
  bool DoubleBuffer = true;
  TResampleFilter ZoomFilter() const { return FZoomFilter; }
  void SetZoomFilter(TResampleFilter Value);
  bool DelayZoomFilter = false;
  TScrollStyle ScrollBars() const { return FScrollBars; }
  virtual void SetScrollBars(TScrollStyle Value);
  bool FlatScrollBars() const { return FFlatScrollBars; }
  void SetFlatScrollBars(bool Value);
  bool Center() const { return FCenter; }
  void SetCenter(bool Value);
  bool AutoFit() const { return FAutoFit; }
  void SetAutoFit(bool Value);
  bool AutoStretch() const { return FAutoStretch; }
  void SetAutoStretch(bool Value);
  bool AutoShrink() const { return FAutoShrink; }
  void SetAutoShrink(bool Value);
  TIEBackgroundStyle BackgroundStyle() const { return FBackgroundStyle; }
  void SetBackgroundStyle(TIEBackgroundStyle Value);
  TPicture* WallPaper() const { return FWallPaper.get(); }
  void SetWallPaper(TPicture* Value);
  TIEWallPaperStyle WallPaperStyle() const { return FWallPaperStyle; }
  void SetWallPaperStyle(TIEWallPaperStyle Value);
  bool EnableAlphaChannel() const { return FEnableAlphaChannel; }
  void SetEnableAlphaChannel(bool Value);
  TIEMouseInteract MouseInteract() const { return FMouseInteract; }
  virtual void SetMouseInteract(TIEMouseInteract Value);
  TIESelectionBase SelectionBase = iesbClientArea;
  TIESelectionOptions SelectionOptions() const { return FSelectionOptions; }
  void SetSelectionOptions(TIESelectionOptions Value);
  bool EnableInteractionHints = true;
  bool DrawVersion() const { return FDrawVersion; }
  void SetDrawVersion(bool Value);
  TCursor IdleCursor() const { return FIdleCursor; }
  void SetViewCursor(TCursor Value);
  std::string ImageryVersion() const { return IEImageryVersion; }
  void SetImageryVersion(const std::string&) {}
  void SetChessboardStyle(int Size, TBrushStyle BrushStyle);
  TColor GradientEndColor = 0xFF0000;
  TIEScrollBarParams* HScrollBarParams() { return FHScrollBarParams.get(); }
  TIEScrollBarParams* VScrollBarParams() { return FVScrollBarParams.get(); }
  TIEMouseWheelParams* MouseWheelParams() { return FMouseWheelParams.get(); }
  int UpdateReason() const { return FUpdateReason; }

  // ---- zoom, origin and coordinates ----
  double Zoom() const { return FZoomX; }
  double ZoomX() const { return FZoomX; }
  double ZoomY() const { return FZoomY; }
  void SetZoom(double Value);
  void ChangeZoomX(double Value);
  void ChangeZoomY(double Value);
  virtual void SetZoomKeepCentre(double Value);
  virtual void SetZoomX(double Value);
  virtual void SetZoomY(double Value);
  int ViewX() const { return FViewX; }
  int ViewY() const { return FViewY; }
  void SetViewX(int Value) { SetViewOrigin(Value, FViewY); }
  void SetViewY(int Value) { SetViewOrigin(FViewX, Value); }
  void SetViewOrigin(int X, int Y);
  void GetMaxViewOrigin(int& MaxX, int& MaxY);
  bool IsScrollable();
  int OffsetX() const { return FOffsetX; }
  int OffsetY() const { return FOffsetY; }
  int ExtentX() const { return FExtentX; }
  int ExtentY() const { return FExtentY; }
  int VisibleExtentX() const { return FVisibleExtentX; }
  int VisibleExtentY() const { return FVisibleExtentY; }
  void Fit();
  double GetFitZoom();
  double GetAutoZoom(int ImageWidth, int ImageHeight, bool Shrink, bool Stretch, int AvailWidth, int AvailHeight);
  void ZoomAt(int x, int y, bool Centre, double ZoomVal);
  void ZoomSelection(bool Uniform, bool FireZoomIn);
  int ScreenToBitmapX(int x);
  int ScreenToBitmapY(int y);
  int BitmapToScreenX(int x);
  int BitmapToScreenY(int y);
  virtual void UpdateExtents();
  virtual void UpdateVisibleRect();
  virtual void UpdateZoomTables();
  // The visible source area of the image: first column and row, image width and height shown,
  // and the screen size they take.
  struct TVisibleRect {
    int SrcX = 0, SrcY = 0, SrcW = 0, SrcH = 0, DstW = 0, DstH = 0;
  };
  const TVisibleRect& VisibleRect() const { return FVisible; }
  int ImageWidth() const { return FImageWidth; }
  int ImageHeight() const { return FImageHeight; }
  void DoMouseWheelAction(int Delta, int x, int y, bool Ctrl);

  // ---- layers ----
  int GetLayersCount() const { return static_cast<int>(FLayers.size()); }
  TIELayer* GetLayer(int Index) const { return FLayers[static_cast<size_t>(Index)]; }
  TIELayer* GetCurrentLayer() const { return FLayers[static_cast<size_t>(FLayersCurrent)]; }
  int LayersCurrent() const { return FLayersCurrent; }
  virtual void SetLayersCurrent(int Index);
  int AddLayer();
  void RemoveLayer(int Index);
  void ClearLayers();
  int FindLayerAt(int x, int y, bool HonourSelectable);
  bool PointInLayer(int x, int y, int Index);
  int ScreenToLayerX(TIELayer* L, int x);
  int ScreenToLayerY(TIELayer* L, int y);
  int LayerToScreenX(TIELayer* L, int x);
  int LayerToScreenY(TIELayer* L, int y);
  void SyncLayers();
  void RenderLayersTo(TIEBitmap* Bitmap);
  void FlattenLayers();
  virtual void DoLayerNotify(int Layer, int Event);
  void LayersFixSizes(int Index);
  void LayersFixRotations(int Index);
  void LayersCropBorders(int Index);
  bool HonourSelectable = true;
  // The layer file: every layer with its settings, the images as raw bitmaps deflated (Format
  // -1) or plain (-2), or in a file format of the IO companion (1, TIFF, is written as 8, PNG).
  // Saving raises on a stream, deflate or image-writing failure after restoring the current layer.
  void SaveLayersToStream(TStream* Stream, int32_t Format);
  // Replaces the layers with those of a layer stream read from its position. False for a foreign
  // or damaged stream: then the layers are left as they were.
  bool LoadLayersFromStream(TStream* Stream);
  bool LoadLayersFromFile(const std::string& FileName);
  // The layer whose render cache the next layout drops (-1: all).
  int LayersDropCacheIndex = -1;
  // The grip rectangle (1..9) of a layer in client coordinates.
  RECT LayerGripRect(TIELayer* L, int Grip);
  TColor LayersGripColor = 0, LayersGripBrushColor = 0xBAFFFF;
  TBrushStyle LayersGripBrushStyle = bsSolid;
  int LayersGripSize = 5;
  int LayersGripShape = 1;

  // ---- selections ----
  virtual void SelectRect(int x1, int y1, int x2, int y2, int Op);
  virtual void AddSelectionPoint(int x, int y);
  virtual void EndSelection();
  void Deselect();
  void SelectMagicWand(int x, int y, bool Add);
  void MoveSelection(int dx, int dy);
  TIEPoint* GetSelectionPoints() override { return FSel.Points.data(); }
  int GetSelectionPointCount() override { return static_cast<int>(FSel.Points.size()); }
  int SelX1();
  int SelY1();
  int SelX2();
  int SelY2();
  bool Selected() override { return FSelected; }
  TIEMask* SelectionMask() override { return FMask.get(); }
  double SelectionAspectRatio() const { return FAspectRatio; }
  void SetSelectionAspectRatio(double Ratio);
  void SetVisibleSelection(bool On);
  bool VisibleSelection() const { return FVisibleSelection; }
  void SetSelectionColor1(TColor Value);
  void SetSelectionColor2(TColor Value);
  void SaveSelectionToStream(TStream* Stream) override;
  void LoadSelectionFromStream(TStream* Stream, int Mode) override;
  void PushSelection();
  void PopSelection(bool Discard, int Mode);
  int SavedSelectionCount() const { return static_cast<int>(FSavedSelections.size()); }
  virtual void DrawSelectionGrid(int, int, int, int) {}
  void DrawSelection(TObject* Sender, bool CheckCanvasLock);
  // The rectangle rule of a drag (flags: square, keep inside).
  void SelectRectEx(int x1, int y1, int x2, int y2, int Op, bool Square, bool KeepInside);
  // The ellipse rule of a drag between client points.
  void SelectEllipseClient(int x1, int y1, int x2, int y2, bool Add, bool Alt);
  int GetSelectionGrip(int x, int y, bool Shift);
  int DragSelectionGrip(int Grip, int x, int y, bool KeepAspect);
  bool IsRectangleSelection();
  // A polygon selection is being drawn point by point.
  bool PolygonSelectionOpen() const { return FPolyOpen; }
  TIESelectionPolygon& SelectionRecord() { return FSel; }
  int FixedSelectionWidth = 100, FixedSelectionHeight = 100;
  int MagicWandTolerance = 15;
  int MaskPhase() const { return FMaskPhase; }
  TTimer* SelectionTimer() const { return FSelTimer; }
  void SelectionTimerTick(TObject* Sender);

  // ---- painting ----
  void Paint() override;
  virtual void PaintToBitmap(TIEBitmap* Dest, TIERenderTables* Rows, const TIERect* Clip, bool Background,
                             bool Decorations);
  void PaintBackBuffer(const RECT& R);
  TBitmap* GetBackBuffer();
  TIEBitmap* BackBuffer() const { return FBackBuffer.get(); }
  void InvalidateRect(const RECT& R);
  void PaintBackgroundOn(TCanvas* Canvas);
  static void DrawBackground(bool Designing, TCanvas* Canvas, TIEBitmap* Bitmap, TIEBackgroundStyle Style,
                             TColor Color, int x, int y, int Width, int Height, int ImageLeft, int ImageTop,
                             int ImageRight, int ImageBottom, int SquareSize, TBrushStyle SquareBrush,
                             TColor GradientColor, TPicture* WallPaper, TIEWallPaperStyle WallPaperStyle);
  void MarkStale() { FBackBufferStale = true; FFullRepaint = true; }

  // ---- mouse ----
  virtual void ShiftMouseCoords(int dx, int dy);
  bool AutoScroll();
  void SetHint(const std::string& Text, int x, const std::string& SizingText, int y);
  const std::string& HintText() const { return FHintText; }
  void SmoothScrollTo(int x, int y);
  void SmoothScrollStep();
  void SetTempCursor(TCursor Value);
  void RestoreCursor();
  TCursor CurrentCursor() const { return FCurrentCursor; }

  // ---- navigator and binding ----
  void SetNavigator(TImageryView* View);
  TImageryView* Navigator() const { return FNavigator; }
  bool IsNavigator() const { return FIsNavigator; }
  void SyncNavigator();
  void FollowNavigator(TObject* Sender);
  void SetExternalBitmap(TIEBitmap* Bitmap);

  // ---- TIEProcViewServices ----
  bool HasLayers() override { return true; }
  int LayersCount() override { return GetLayersCount(); }
  int CurrentLayerIndex() override { return FLayersCurrent; }
  TIEBitmap* LayerBitmap(int Index) override { return GetLayer(Index)->Bitmap; }
  void LayerSaveToStream(int Index, TStream* Stream, bool WithImage) override;
  void LayerLoadFromStream(int Index, TStream* Stream) override;
  void LayerGUID(int Index, uint8_t* Guid16) override;
  void UpdateView() override { Update(); }

  // ---- events ----
  TViewChangeEvent OnViewChange;
  TViewChangingEvent OnViewChanging;
  TNotifyEvent OnImageChange, OnSelectionChange, OnSelectionChanging, OnBeforeSelectionChange, OnMouseInSel;
  TIEMouseInResizingGripEvent OnMouseInResizingGrip;
  TIEZoomEvent OnZoomIn, OnZoomOut;
  TNotifyEvent OnPaint, OnDrawBackBuffer;
  TIEDrawBackgroundEvent OnDrawBackground;
  TIEDrawCanvasEvent OnDrawCanvas;
  TIEDrawLayerBoxEvent OnDrawLayerBox;
  TIEDrawLayerGripEvent OnDrawLayerGrip;
  TIEDrawPolygonEvent OnDrawPolygon;
  TIELayerNotifyEvent OnLayerNotify;
  TIESpecialKeyEvent OnSpecialKey;

  // Unit-wide values of the view unit's start-up.
  static int ScreenBitsPerPixel, ScreenDpiX, ScreenDpiY, EdgeWidth, EdgeHeight, BorderWidth, BorderHeight;
  static bool RemoteSession;

protected:
  void WndProc(TMessage& Message) override;
  void CreateParams(TCreateParams& Params) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TIELayer;
  void Layout(bool Nested);
  void LayoutScrollBars();
  void RefreshFactors();
  double LimitZoom(double Value, bool Horizontal) const;
  void LoadDelays(bool Both);
  void ScrollMessage(bool Vertical, WPARAM WParam);
  int SnapOrigin(int v, bool Vertical);
  void FrameMargins(int& mx, int& my);
  void MoveThumbs();
  void FireSelectionEvent(const TNotifyEvent& E);
  void DrawDashedRect(TCanvas* C, int x1, int y1, int x2, int y2, bool RestartEachEdge);
  void DrawLine(TCanvas* C, int x1, int y1, int x2, int y2);
  void PlotDash(TCanvas* C, int x, int y);
  void DrawRubberLine();
  void DrawLayerDecorations(TIEBitmap* Dest, int Index);
  void DrawLayer(TIEBitmap* Dest, TIERenderTables* Rows, const TIERect* Clip, int Index, bool First,
                 bool SolidBelow, TResampleFilter Filter);
  void ClampToLayer(int& x, int& y);
  void ResizeLayerByGrip(int x, int y, bool KeepAspect);
  void EndPolygon(bool Add);
  void MouseEvents(bool Begin);
  void SetSelectionBaseTemp();
  void RestoreSelectionBase();
  void DragRectangle(int x, int y, bool Shift, bool Alt);
  void LayerCursor(int x, int y);

  // image and layers
  bool FLegacyBitmap = true;
  TBitmap* FBitmap = nullptr;
  TIEBitmap* FIEBitmap = nullptr;
  std::vector<TIELayer*> FLayers;
  int FLayersCurrent = 0;
  int FImageWidth = 0, FImageHeight = 0;
  int FLastImageWidth = -1, FLastImageHeight = -1;
  std::unique_ptr<TIEBitmap> FBackBuffer;
  TIERenderTables FBackRows;
  bool FBackBufferStale = true, FFullRepaint = true;

  // zoom and origin
  double FZoomX = 100, FZoomY = 100, FZoomDX = 1, FZoomDY = 1, FZoomInvX = 1, FZoomInvY = 1;
  int FViewX = 0, FViewY = 0, FOffsetX = 0, FOffsetY = 0;
  int FExtentX = 0, FExtentY = 0, FVisibleExtentX = 0, FVisibleExtentY = 0;
  TVisibleRect FVisible;
  // zoom tables: screen-to-image (S2I) and image-to-screen (I2S) per axis
  std::vector<int> FS2IX, FS2IY, FI2SX, FI2SY;
  bool FTables = false;
  double FTabZoomX = 0, FTabZoomY = 0;
  int FTabW = -1, FTabH = -1, FTabImgW = -1, FTabImgH = -1;
  double FHScale = 1, FVScale = 1;
  bool FHBarShown = false, FVBarShown = false;
  std::unique_ptr<TIEScrollBarParams> FHScrollBarParams, FVScrollBarParams;
  std::unique_ptr<TIEMouseWheelParams> FMouseWheelParams;
  int FFilterDelay = 0, FOutlineDelay = 0;

  // locks and layout
  int FLockUpdate = 0, FLockPaint = 0;
  bool FLayoutInProgress = false, FNestedLayout = false, FSuppressInvalidate = false;
  int FUpdateReason = 0;
  int FLastClientW = -1, FLastClientH = -1;

  // properties
  TResampleFilter FZoomFilter = rfNone, FSavedZoomFilter = rfNone;
  TScrollStyle FScrollBars = ssBoth;
  bool FFlatScrollBars = false, FCenter = true, FAutoFit = false, FAutoStretch = false, FAutoShrink = false;
  TIEBackgroundStyle FBackgroundStyle = iebsSolid;
  std::unique_ptr<TPicture> FWallPaper;
  TIEWallPaperStyle FWallPaperStyle = iewoNormal;
  bool FEnableAlphaChannel = true;
  TIEMouseInteract FMouseInteract;
  TIESelectionOptions FSelectionOptions;
  bool FDrawVersion = false;
  TCursor FIdleCursor = 1785, FCurrentCursor = 1785;
  bool FCursorApplied = false;
  int FChessboardSize = 16;
  TBrushStyle FChessboardBrush = bsSolid;

  // companions and events
  TImageryIO* FIO = nullptr;
  TImageryProc* FProc = nullptr;
  TIETransitionEffects* FTransition = nullptr;
  TIEProgressEvent FOnProgress;
  TNotifyEvent FOnFinishWork;
  TIESaveUndoEvent FOnSaveUndo;

  // selection
  TIESelectionPolygon FSel;
  std::unique_ptr<TIEMask> FMask;
  bool FSelected = false, FVisibleSelection = true;
  bool FPolyOpen = false, FLasso = false, FRectDrag = false, FEllipseDrag = false;
  int FGrip = 0, FMoving = -1;
  bool FMovingRect = false;
  double FAspectRatio = -1;
  int FMaskPhase = 0;
  TColor FSelColor1 = 0, FSelColor2 = 0xFFFFFF;
  TTimer* FSelTimer = nullptr;
  std::vector<std::unique_ptr<TMemoryStream>> FSavedSelections;
  TIERect FGripStartBox{0, 0, 0, 0};
  bool FAutoScrolling = false;
  bool FInPaint = false;
  void DrawSelectionOn(TCanvas* C);
  void MoveSelectionBy(int dx, int dy);

  // mouse
  int FDownX = 0, FDownY = 0, FDownCX = 0, FDownCY = 0, FPrevX = 0, FPrevY = 0, FPrevCX = 0, FPrevCY = 0;
  int FCurX = 0, FCurY = 0, FDownViewX = 0, FDownViewY = 0, FDownPointCount = 0;
  TIESelectionBase FSavedSelectionBase = iesbClientArea;
  int FBaseDepth = 0;
  int FMovingLayer = -1, FRotatingLayer = -1, FRotCenterLayer = -1, FLayerGrip = 0;
  RECT FLayerDownRect{0, 0, 0, 0};
  double FRotateAccum = 0;
  bool FLayerMoved = false, FSelChanged = false, FButtonDown = false;
  TMouseButton FDownButton = mbLeft;
  std::string FHintText, FHintSizing;
  int FHintX = 0, FHintY = 0;
  TTimer* FSmoothTimer = nullptr;
  int FSmoothX = 0, FSmoothY = 0;

  // navigator
  TImageryView* FNavigator = nullptr;
  TImageryView* FNavigatorOwner = nullptr;
  bool FIsNavigator = false, FNavGuard = false;
};

// The view unit's start-up and shut-down steps (run by the library start-up).
void IEImageryViewInit();
// Installs (or removes) the IO front end's PSD hooks that move layers between documents and views.
void IEInstallPsdViewHooks(bool Install);
void IEImageryViewFree();
// True when the stream holds a layer file with at least one layer; the position is restored.
bool LyrDetect(TStream* Stream);
// Installs (or removes) the IO front end's layer-file detection and loading.
void IEInstallLayerFileHooks(bool Install);
// Registers the view's 37 cursors (1778..1814) with the screen object.
void IERegisterViewCursors();
