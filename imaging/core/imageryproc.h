// TImageryProc: the non-visual component that changes the pixels of one image (the image of an
// attached view, an external TIEBitmap, or an empty image of its own). Every operation follows
// one frame: make the image usable (accepted pixel formats, automatic conversion), take an undo
// snapshot captioned with the operation's name when AutoUndo is on, run the pixel routine with
// progress, refresh the target and report the end of the work. The undo and redo lists hold
// snapshots of the image in temporary files.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/iedefs.h"
#include "imaging/core/ieprocdefs.h"
#include "platform/rtl/component.h"

class TIEBitmap;
class TIEView;
class TIEMask;
class TMemoryStream;
class TStream;
class TBitmap;
class TFont;
struct TIEPoint;
struct TIERect;

// What an undo snapshot holds (stored as a byte).
enum TIEUndoSource : uint8_t {
  ieuImage = 1,
  ieuSelection = 2,
  ieuObject = 3,
  ieuLayerProps = 4,
  ieuLayerPropsAndImage = 5,
  ieuLayersAndObjects = 6,
};
using TIESaveUndoEvent = std::function<void(TObject* Sender, TIEUndoSource Source)>;

// Options of the processing preview dialog (a set; bit n = option n).
enum TPRPreviewsParam : uint8_t { prppDefaultLockPreview = 0, prppShowResetButton = 1, prppHardReset = 2 };
using TPRPreviewsParams = uint8_t;

// What the processing component needs of the single-image view (its selection and layers) and
// of the vector view (vector objects): a view that offers these services implements this
// interface next to TIEView, and the component finds it on the attached view.
class TIEProcViewServices {
public:
  virtual ~TIEProcViewServices() = default;
  // Selection and layers (the single-image view); false: the view has none of these.
  virtual bool HasLayers() { return false; }
  virtual void SaveSelectionToStream(TStream* Stream) = 0;
  virtual void LoadSelectionFromStream(TStream* Stream, int Mode) = 0;
  virtual int LayersCount() = 0;
  virtual int CurrentLayerIndex() = 0;
  virtual TIEBitmap* LayerBitmap(int Index) = 0;
  // A layer record: int32 total length, the layer's 16-byte identifier, then its own data.
  virtual void LayerSaveToStream(int Index, TStream* Stream, bool WithImage) = 0;
  virtual void LayerLoadFromStream(int Index, TStream* Stream) = 0;
  virtual void LayerGUID(int Index, uint8_t* Guid16) = 0;
  virtual void UpdateView() = 0;
  // The selection: the mask (nil without one), whether a selection exists, and its polygon.
  virtual TIEMask* SelectionMask() { return nullptr; }
  virtual bool Selected() { return false; }
  virtual TIEPoint* GetSelectionPoints() { return nullptr; }
  virtual int GetSelectionPointCount() { return 0; }
  // Vector objects (the vector view); false: the view has none.
  virtual bool HasVectorObjects() { return false; }
  virtual void SaveToStreamIEV(TStream*) {}
  // The loaders answer false for a foreign stream (nothing changed).
  virtual bool LoadFromStreamIEV(TStream*) { return false; }
  virtual void SaveToStreamAll(TStream*, int /*ImageFormat*/) {}
  virtual bool LoadFromStreamAll(TStream*) { return false; }
};

// A set of pixel formats: bit n = pixel format n; 0 accepts every format.
using TIEPixelFormatSet = uint16_t;
constexpr TIEPixelFormatSet IEPixelFormatBit(TIEPixelFormat f) { return static_cast<TIEPixelFormatSet>(1u << f); }

// Remembered state of a processing preview dialog (no such dialog exists in the program; the
// object is kept with the component).
class TIPDialogParams {
public:
  int PageIndex(int i) const { return FPageIndex[i]; }
  void SetPageIndex(int i, int Value);
  std::vector<uint8_t>& RememberedPreview() { return FPreview; }

private:
  int FPageIndex[4] = {-1, -1, -1, -1};
  std::vector<uint8_t> FPreview;
};

class TImageryProc : public TComponent {
  ORV_CLASS(TImageryProc, TComponent)
public:
  explicit TImageryProc(TComponent* AOwner);
  ~TImageryProc() override;

  // ---- attachment ----
  TIEView* AttachedImagery() const { return FAttachedImagery; }
  void SetAttachedImagery(TIEView* View);
  void SetAttachedBitmap(TIEBitmap* Bitmap);
  TIEBitmap* GetIEBitmap() const { return FIEBitmap; }
  void ViewChanged(int Event);

  TColor GetBackground() const;
  void SetBackground(TColor Value);

  // ---- frame ----
  bool PrepareBitmap(TIEPixelFormatSet Allowed);
  // The selection of the attached single-image view: false without one (the whole image is the
  // area); with one, the mask's bounds (or the whole image for an empty mask) and its polygon.
  virtual bool GetWorkArea(int& X1, int& Y1, int& X2, int& Y2, TIEMask*& Mask, TIEPoint*& Polygon, int& PolygonCount);
  bool BeginSelectionWork(TIEPixelFormatSet Allowed, const std::string& Caption, TIEBitmap*& WorkBitmap,
                          TIEMask*& Mask, int& X1, int& Y1, int& X2, int& Y2);
  void EndSelectionWork(TIEBitmap* WorkBitmap, TIEMask* Mask);
  void Update();
  virtual void DoFinishWork();
  void Clear();

  // ---- undo and redo ----
  virtual void SaveUndo(TIEUndoSource Source = ieuImage);
  void SaveUndoCaptioned(const std::string& Caption, TIEUndoSource Source = ieuImage);
  virtual void Undo(bool SaveRedo = false);
  virtual void UndoAt(int Index, bool SaveRedo = false);
  virtual void SaveRedo(TIEUndoSource Source = ieuImage);
  virtual void ClearRedo();
  virtual void Redo();
  virtual void RedoAt(int Index);
  void ClearUndoAt(int Index);
  int GetUndoCount() const { return static_cast<int>(FUndo.size()); }
  int GetRedoCount() const { return static_cast<int>(FRedo.size()); }
  TIEUndoSource GetUndoSource(int Index) const;
  const std::string& UndoCaptions(int Index) const { return FUndo.at(static_cast<size_t>(Index)).Caption; }
  void ClearAllUndo();
  void ClearAllRedo();
  int UndoLimit() const { return FUndoLimit; }
  void SetUndoLimit(int Value) { FUndoLimit = Value; }

  // ---- operations ----
  void Rotate(double Angle, uint8_t Method = 0, uint8_t AntialiasMode = 0, TColor Background = -1);
  void Flip(int Direction);
  void CropSel(bool AlphaOnly = false);
  void ImageResize(int NewWidth, int NewHeight, int HorizAlign = 0, int VertAlign = 0, int FillAlpha = 255);
  void Resample(int NewWidth, int NewHeight, TResampleFilter Filter = rfNone);
  void ResampleTo(TIEBitmap* Dest, int NewWidth, TResampleFilter Filter, int NewHeight);
  void CropTransparentBorder();
  void ConvertToGray();
  void IntensityRGBall(int R, int G, int B);
  void ConvertTo(int NumColors, uint8_t DitherMethod = 1);
  void ConvertToPalette(int NumColors, TIERGBPixel* Palette, uint8_t DitherMethod = 1);
  void Fill(TIERGBPixel Color);
  void Crop(int x1, int y1, int x2, int y2);
  // Crop with the rectangle's Left, Top, Right and Bottom, all inclusive.
  void CropToRect(const TIERect& Rect);

  // ---- settings ----
  bool AutoUndo;
  bool AutoConvertFormat = true;
  uint8_t MsgLanguage = 0;  // msSystem
  TPRPreviewsParams PreviewsParams = (1u << prppShowResetButton) | (1u << prppHardReset);
  TIPDialogParams& DialogParams() { return FDialogParams; }
  // Font of the preview dialog; the setter copies the given font.
  TFont* PreviewFont() const { return FPreviewFont.get(); }
  void SetPreviewFont(TFont* Value);
  TIEProgressEvent OnProgress;
  TNotifyEvent OnFinishWork;
  TIESaveUndoEvent OnSaveUndo;

private:
  struct TSnapshot {
    std::unique_ptr<TIEBitmap> Image;
    int Layer = -1;
    std::unique_ptr<TMemoryStream> Stream;
    TIEUndoSource Kind = ieuImage;
    std::string Caption;
  };
  // Fills Snapshot with the present state; false when none can be made for this kind.
  bool MakeSnapshot(TIEUndoSource Source, TSnapshot& Snapshot);
  bool AppendSnapshot(std::vector<TSnapshot>& List, TIEUndoSource Source);
  void Restore(TSnapshot& Snapshot);
  void OwnNewImage();
  TIEProcViewServices* Services() const;
  void Unlisten();

  TIEView* FAttachedImagery = nullptr;
  TBitmap* FTBitmap = nullptr;  // the class-library bitmap of a view that offers only that
  intptr_t FListener = -1;
  TColor FBackground = 0;
  TIEBitmap* FIEBitmap = nullptr;
  bool FOwnsImage = false;
  TIPDialogParams FDialogParams;
  std::unique_ptr<TFont> FPreviewFont;
  std::vector<TSnapshot> FUndo, FRedo;
  TIELocation FUndoLocation = ieFile;
  int FUndoLimit = 1;
};
