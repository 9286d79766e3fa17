// TImageryMView: the thumbnail grid. A windowed control (through TIEView) that shows a list of
// images as a grid of equally sized cells, scrolls over them, selects one or several, and loads
// each image's picture from its file when its cell is first painted. The multi-image input
// (TImageryMIO) appends images to it through TIEMultiImageTarget and keeps one parameter set per
// image in step with its insertions and removals.
//
// The pieces live in several files: iemview.cpp (the image list, properties, layout, scrolling,
// messages), iemview_paint.cpp (painting), iemview_load.cpp (loading: synchronous, the parallel
// decoding of the cells one paint needs, the loader thread), iemview_select.cpp (selection, mouse,
// keys, drag, play).
//
// Threads: everything runs on the user-interface thread except the loader thread (TIEStarter),
// the IO workers of its asynchronous loads (their finish, LoadFinished, stores the picture) and
// the decoding workers of a paint (they only decode into bitmaps of their own). The grid's lock
// (a recursive critical section) guards the image list and its records, the picture stores, the
// load queue, the in-flight list and their indexes; list changes renumber pending loads under it.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/iesmall.h"
#include "imaging/core/ieview.h"
#include "imaging/io/iemio.h"
#include "imaging/io/imageryio.h"
#include "imaging/views/ieviewdefs.h"
#include "platform/rtl/threads.h"

class TImageryMView;
class TImageryProc;
class TIEVirtualImageList;
struct TIEVirtualImageEntry;
class TIEPrefetchBatch;

// A caption of a thumbnail: top (position 0), bottom (1) or info (2) text.
class TIEMText : public TObject {
  ORV_CLASS(TIEMText, TObject)
public:
  // Owner: the grid (its font and background are copied) or another component.
  TIEMText(TComponent* Owner, uint8_t Position);
  ~TIEMText() override;

  const std::string& Caption() const { return FCaption; }
  // Stores the caption; on a grid, a top or bottom caption higher than the active gap raises
  // UpperGap (text height + 2) or BottomGap (text height + 4 with iemsACD, + 2 otherwise). The new
  // gap applies from the next painted cell on; nothing is laid out or painted here.
  void SetCaption(const std::string& Value);
  TFont* Font() const { return FFont.get(); }
  TColor Background() const { return FBackground; }
  void SetBackground(TColor Value) { FBackground = Value; }
  TBrushStyle BackgroundStyle() const { return FBackgroundStyle; }
  void SetBackgroundStyle(TBrushStyle Value) { FBackgroundStyle = Value; }
  TComponent* Owner() const { return FOwner; }
  uint8_t Position() const { return FPosition; }
  // 1: a too wide caption loses its start ("..." in front); 0: its end ("..." behind).
  uint8_t TruncSide() const { return FTruncSide; }
  void SetTruncSide(uint8_t Value) { FTruncSide = Value; }

private:
  std::string FCaption;
  std::unique_ptr<TFont> FFont;
  TColor FBackground;
  TBrushStyle FBackgroundStyle = bsSolid;
  TComponent* FOwner;
  uint8_t FPosition;
  uint8_t FTruncSide = 1;
};

// The record of one image of the grid.
struct TIEImageInfo {
  TImageryMView* Parent = nullptr;
  TIEVirtualImageEntry* Image = nullptr;       // stored picture ("ILIST"), nil until loaded
  TIEVirtualImageEntry* CacheImage = nullptr;  // display thumbnail ("ICACHE"), nil when none
  int32_t X = 0, Y = 0;                        // the cell's corner in content coordinates
  int32_t Row = 0, Col = 0;
  TColor Background = 0;
  std::string Name;  // file name; "file::n" is frame n of a multi-frame file
  int32_t ID = -1;
  int32_t DTime = 0;  // display time in play mode, ms
  std::unique_ptr<TIEMText> TopText, BottomText, InfoText;
  TIERect InternalRect{0, 0, 0, 0};  // where the picture was last drawn, relative to its corner
};

using TIEImageIDRequestEvent = std::function<void(TObject* Sender, int ID, TBitmap*& Bitmap)>;
using TIEImageIDRequestExEvent = std::function<void(TObject* Sender, int ID, TIEBitmap*& Bitmap)>;
using TIEImageDrawEvent =
    std::function<void(TObject* Sender, int idx, int Left, int Top, TCanvas* Canvas)>;
using TIEImageDraw2Event = std::function<void(TObject* Sender, int idx, int Left, int Top,
                                              RECT ImageRect, TCanvas* Canvas)>;
using TIEImageDrawExEvent = std::function<void(TObject* Sender, int idx, int Left, int Top,
                                               TBitmap* Dest, RECT& ThumbRect)>;
using TIEImageSelectEvent = std::function<void(TObject* Sender, int idx)>;
using TIEDrawProgressEvent = std::function<void(TObject* Sender, int per, int idx)>;
using TIEWrongImageEvent =
    std::function<void(TObject* Sender, TIEBitmap* OutBitmap, int idx, bool& Handled)>;
using TIEViewChangeEvent = std::function<void(TObject* Sender, int Change)>;
using TIEPlayFrameEvent = std::function<void(TObject* Sender, int FrameIndex)>;

// The loader thread of a grid: starts queued loads, at most ThreadPoolSize at a time, and sleeps
// while there is nothing to do. A wake-up given while it is busy is kept, never lost.
class TIEStarter : public TThread {
  ORV_CLASS(TIEStarter, TThread)
public:
  explicit TIEStarter(TImageryMView* Grid);
  ~TIEStarter() override;
  // Gives it work to look at (starting it the first time).
  void Wake();
  // Ends it and waits for it.
  void Stop();

protected:
  void Execute() override;

private:
  TImageryMView* FGrid;
  TEvent FWake{false, false};
  std::atomic<bool> FStarted{false};
};

class TImageryMView : public TIEView, public TIEMultiImageTarget {
  ORV_CLASS(TImageryMView, TIEView)
public:
  explicit TImageryMView(TComponent* AOwner);
  ~TImageryMView() override;
  static void Publish(TPublisher<TImageryMView>& P);

  void Assign(TPersistent*) override {}

  // ---- image list ----
  int GetImageCount() const { return static_cast<int>(FImageInfo.size()); }
  void InsertImage(int idx);
  void InsertImageKeepSelection(int idx);
  int AppendImage() override;
  bool RemoveImage(int idx);
  void DeleteImage(int idx) override;
  void Clear();
  void SetImageFileName(int idx, const std::string& Name) override;
  std::string GetImageFileName(int idx) const;
  void SetImageBackground(int idx, TColor Color) override;
  void SetImageDelay(int idx, int Milliseconds);
  int GetImageDelay(int idx) const;
  void SetImageID(int idx, int ID);
  int GetImageID(int idx) const;
  TIEMText* GetImageTopText(int idx) const;
  TIEMText* GetImageBottomText(int idx) const;
  TIEMText* GetImageInfoText(int idx) const;
  int GetImageRow(int idx) const;
  int GetImageCol(int idx) const;
  int GetImageX(int idx) const;
  int GetImageY(int idx) const;
  void SetImageOriginalWidth(int idx, int Width);
  void SetImageOriginalHeight(int idx, int Height);
  int GetImageOriginalWidth(int idx);
  int GetImageOriginalHeight(int idx);
  // The size of the stored picture (0 when the image has none).
  int GetImageWidth(int idx);
  int GetImageHeight(int idx);
  bool HasStoredPicture(int idx) const;
  bool HasDisplayThumbnail(int idx) const;
  int ImageAtPos(int x, int y);
  int ImageAtGridPos(int row, int col);
  int CellVisibility(int idx);
  void DropDisplayThumbnail(int idx);
  void DropAllDisplayThumbnails();
  void SetEnableImageCaching(bool Value);
  bool EnableImageCaching() const { return FEnableImageCaching; }
  void SetFillThumbnail(bool Value);
  bool FillThumbnail() const { return FFillThumbnail; }
  void SetShowText(bool Value);
  bool ShowText() const { return FShowText; }
  // Grows the picture store in advance for Count pictures of Width x Height.
  void ReserveStorage(int Width, int Height, int Count, int BitsPerPixel = 24);
  // Number of columns of the layout (GridWidth, or as many as fit for -1).
  int ColumnCount();

  // ---- change notification ----
  void CallListeners() override;
  int GetLastChangeKind() const { return FChangedKind; }
  int GetLastChangeIndex() const { return FChangedIndex; }
  int GetLastChangeIndex2() const { return FChangedIndex2; }

  // ---- view origin and layout ----
  int ViewX() const { return FViewX; }
  int ViewY() const { return FViewY; }
  void GetMaxViewXY(int& X, int& Y);
  void SetViewX(int Value);
  void SetViewY(int Value);
  void SetViewXY(int X, int Y);
  void CenterSelected();
  void Update() override;
  void Relayout(bool DropDisplayThumbnails);
  int ExtentX() const { return FExtentX; }
  int ExtentY() const { return FExtentY; }
  void LockPaint() override;
  int UnlockPaint() override;
  int UnlockPaintNoRefresh() override;
  int PaintLockCount() const { return FLockPaint; }
  // The active caption gaps (raised by captions while texts are shown).
  int ActiveUpperGap() const { return FUpperGap; }
  int ActiveBottomGap() const { return FBottomGap; }

  // ---- companions ----
  virtual TImageryMIO* GetMIO();
  virtual TImageryProc* GetProc();
  TImageryIO* GetIO() const { return FIO; }
  virtual void SetOnProgress(const TIEProgressEvent& Value);
  virtual TIEProgressEvent GetOnProgress() const { return FOnProgress; }
  virtual void SetOnFinishWork(const TNotifyEvent& Value);
  virtual TNotifyEvent GetOnFinishWork() const { return FOnFinishWork; }

  // ---- TIEView ----
  void SetBackground(TColor Value) override;
  TBitmap* GetBitmap() override;
  TIEBitmap* GetIEBitmap() override;
  TIEBitmap* GetAlphaChannel() override { return nullptr; }
  bool HasAlphaChannel() override { return false; }
  void RemoveAlphaChannel(bool) override {}

  // ---- painting (iemview_paint.cpp) ----
  virtual void PaintBackground(TBitmap* Bitmap);
  void PaintCell(TBitmap* Bitmap, TIEImageInfo* Info, int idx, bool Selected);
  bool IsCellOnScreen(int idx);
  // The back buffer: the last painted client area.
  TIEBitmap* BackBuffer() const { return FBackBuffer.get(); }

  // ---- loading (iemview_load.cpp) ----
  bool LoadImageNow(int idx);
  bool RequestLoad(int idx);
  virtual void CancelLoads();
  void DropPendingLoad(int idx);
  bool CanReload(TIEImageInfo* Info);
  void SetImageBitmap(int idx, TIEBitmap* Bitmap);
  void SetImageTBitmap(int idx, TBitmap* Bitmap);
  bool LoadImageFromFile(int idx, const std::string& FileName, int ImageIndex);
  bool LoadImageFromStream(int idx, TStream* Stream, int ImageIndex);
  void SaveImageToStream(int idx, TStream* Stream, int FileType);
  void UpdateImage(int idx);
  TIEBitmap* GetImagePicture(int idx);
  void ReleaseImagePicture(int idx);
  virtual void DoWrongImage(TIEBitmap* OutBitmap, int idx);
  // The IO component of a multi-frame file for a "file::n" name, and the frame number.
  TImageryIO* GetFrameIO(const std::string& Name, int& Frame);
  int LoadFrame(TImageryIO* IO, int Frame);
  void FreeFrameIOs();
  int FrameIOCount() const { return static_cast<int>(FFrameIOs.size()); }
  // The finish of an asynchronous load (any thread).
  void LoadFinished(TObject* Sender);
  // Queue and loads in flight (under the lock; for tests and the loader thread).
  std::vector<int> QueuedLoads();
  std::vector<int> LoadsInFlight();
  // Whether the pictures of the cells one paint loads synchronously are decoded in parallel before
  // they are stored in display order (on by default), and by how many workers (0: one per
  // processor, at most 8).
  bool ParallelDecoding() const { return FParallelDecoding; }
  void SetParallelDecoding(bool Value) { FParallelDecoding = Value; }
  int DecodeThreads() const { return FDecodeThreads; }
  void SetDecodeThreads(int Value) { FDecodeThreads = Value; }

  // ---- selection, mouse, keys, drag, play (iemview_select.cpp) ----
  int SelectedImage() override { return FSelectedItem; }
  void SetSelectedImage(int idx);
  void SelectIndex(int idx);
  void ClearSelection();
  void DeselectNone();
  void SelectAll();
  bool IsSelected(int idx) const;
  int GetMultiSelectedImage(int i) const;
  int GetMultiSelectedImagesCount() const { return static_cast<int>(FMultiSelectedImages.size()); }
  void SelectAtPos(int x, int y, TShiftState Shift);
  void MoveSelection(WORD Direction);
  virtual void DoImageSelect(int idx);
  virtual void DoImageDeselect(int idx);
  virtual void DoViewChange(int Change);
  bool BeginDrag(bool Immediate, int Threshold = -1);
  void EndDrag();
  bool IsDragging() const { return FDragging; }
  void SetPlaying(bool Value);
  bool Playing() const { return FPlaying; }
  void PlayStep();
  int PlayFrame() const { return FFrame; }

  // ---- TIEMultiImageTarget ----
  int ImageCount() override { return GetImageCount(); }
  void InsertImageEx(int Index) override { InsertImageKeepSelection(Index); }
  void SetImage(int Index, TIEBitmap* Bitmap) override { SetImageBitmap(Index, Bitmap); }
  void SetImageBottomText(int Index, const std::string& Text) override;
  void SetImageDelayTime(int Index, int Milliseconds) override {
    SetImageDelay(Index, Milliseconds);
  }
  void LoadImageFromFile(int Index, const std::string& FileName) override {
    LoadImageFromFile(Index, FileName, 0);
  }
  void LoadImageFromStream(int Index, TStream* Stream) override {
    LoadImageFromStream(Index, Stream, 0);
  }
  TIEBitmap* FetchImageBitmap(int Index) override { return GetImagePicture(Index); }
  void ReleaseImageBitmap(int Index) override { ReleaseImagePicture(Index); }
  void GetLastChange(int& Kind, int& I, int& J) override;

  // ---- published properties ----
  TScrollStyle ScrollBars() const { return FScrollBars; }
  virtual void SetScrollBars(TScrollStyle Value);
  TIEStoreType StoreType() const { return FStoreType; }
  void SetStoreType(TIEStoreType Value) { FStoreType = Value; }
  int ThumbWidth() const { return FThumbWidth; }
  void SetThumbWidth(int Value);
  int ThumbHeight() const { return FThumbHeight; }
  void SetThumbHeight(int Value);
  int HorizBorder() const { return FHorizBorder; }
  void SetHorizBorder(int Value);
  int VertBorder() const { return FVertBorder; }
  void SetVertBorder(int Value);
  int UpperGap() const { return FSetUpperGap; }
  void SetUpperGap(int Value);
  int BottomGap() const { return FSetBottomGap; }
  void SetBottomGap(int Value);
  bool VisibleSelection() const { return FVisibleSelection; }
  void SetVisibleSelection(bool Value);
  TIEMMouseInteract MouseInteract() const { return FMouseInteract; }
  virtual void SetMouseInteract(TIEMMouseInteract Value);
  TIEMKeyInteract KeyInteract() const { return FKeyInteract; }
  virtual void SetKeyInteract(TIEMKeyInteract Value);
  TIEMDisplayMode DisplayMode() const { return FDisplayMode; }
  void SetDisplayMode(TIEMDisplayMode Value);
  int GridWidth() const { return FGridWidth; }
  void SetGridWidth(int Value);
  int SelectionWidth() const { return FSelectionWidth; }
  void SetSelectionWidth(int Value);
  TColor SelectionColor() const { return FSelectionColor; }
  void SetSelectionColor(TColor Value);
  bool RemoveCorrupted() const { return FRemoveCorrupted; }
  void SetRemoveCorrupted(bool Value);
  bool DrawImageBackground() const { return FDrawImageBackground; }
  void SetDrawImageBackground(bool Value);
  int ImageCacheSize() const { return FImageCacheSize; }
  void SetImageCacheSize(int Value);
  TIETransitionType TransitionEffect() const { return FTransitionEffect; }
  void SetTransitionEffect(TIETransitionType Value) { FTransitionEffect = Value; }
  int TransitionDuration() const { return FTransitionDuration; }
  void SetTransitionDuration(int Value) { FTransitionDuration = Value; }
  TIEMStyle Style() const { return FStyle; }
  void SetStyle(TIEMStyle Value);
  TIESStyle SelectionStyle() const { return FSelectionStyle; }
  void SetSelectionStyle(TIESStyle Value);
  TColor ThumbnailsBackground() const { return FThumbsBackground; }
  void SetThumbnailsBackground(TColor Value) { FThumbsBackground = Value; }
  bool EnableMultiSelect() const { return FEnableMultiSelect; }
  void SetEnableMultiSelect(bool Value);
  TIEMultiSelectionOptions MultiSelectionOptions() const { return FMultiSelectionOptions; }
  void SetMultiSelectionOptions(TIEMultiSelectionOptions Value) { FMultiSelectionOptions = Value; }
  int ThumbnailsBorderWidth() const { return FThumbnailsBorderWidth; }
  void SetThumbnailsBorderWidth(int Value);
  TColor ThumbnailsBorderColor() const { return FThumbnailsBorderColor; }
  void SetThumbnailsBorderColor(TColor Value);
  bool ThumbnailsInternalBorder() const { return FThumbnailsInternalBorder; }
  void SetThumbnailsInternalBorder(bool Value);
  TColor ThumbnailsInternalBorderColor() const { return FThumbnailsInternalBorderColor; }
  void SetThumbnailsInternalBorderColor(TColor Value);
  TPicture* WallPaper() const { return FWallPaper.get(); }
  void SetWallPaper(TPicture* Value);
  TIEWallPaperStyle WallPaperStyle() const { return FWallPaperStyle; }
  void SetWallPaperStyle(TIEWallPaperStyle Value);
  int ThreadPoolSize() const { return FThreadPoolSize; }
  void SetThreadPoolSize(int Value) { FThreadPoolSize = Value; }
  bool EnableAlphaChannel() const { return FEnableAlphaChannel; }
  void SetEnableAlphaChannel(bool Value);
  TIEBackgroundStyle BackgroundStyle() const { return FBackgroundStyle; }
  void SetBackgroundStyle(TIEBackgroundStyle Value);
  TIEBackgroundStyle ThumbnailsBackgroundStyle() const { return FThumbnailsBackgroundStyle; }
  void SetThumbnailsBackgroundStyle(TIEBackgroundStyle Value);
  bool FlatScrollBars() const { return FFlatScrollBars; }
  void SetFlatScrollBars(bool Value);
  std::string ImageryVersion() const { return "3.0.3"; }
  void SetImageryVersion(const std::string&) {}

  // ---- events ----
  TIEViewChangeEvent OnViewChange;
  TIEImageIDRequestEvent OnImageIDRequest;
  TIEImageIDRequestExEvent OnImageIDRequestEx;
  TIEImageDrawEvent OnBeforeImageDraw;
  TIEImageDrawExEvent OnBeforeImageDrawEx;
  TIEImageDrawEvent OnImageDraw;
  TIEImageDraw2Event OnImageDraw2;
  TIEImageSelectEvent OnImageSelect, OnImageDeselect;
  TIEProgressEvent OnIOProgress;
  TIEDrawProgressEvent OnDrawProgress;
  TIEWrongImageEvent OnWrongImage;
  TNotifyEvent OnAllDisplayed;
  TIEPlayFrameEvent OnPlayFrame;

  // The stores (for tests and the benchmark).
  TIEVirtualImageList* PictureStore() const { return FImageList.get(); }
  TIEVirtualImageList* DisplayCache() const { return FCacheList.get(); }
  TIEImageInfo* ImageInfo(int idx) const;
  TCriticalSection& Lock() { return FThreadCS; }

protected:
  void Paint() override;
  void WndProc(TMessage& Message) override;
  void CreateParams(TCreateParams& Params) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;

private:
  friend class TIEStarter;
  friend class TIEMText;
  friend class TIEPrefetchBatch;

  // Stores a property value (only a new one with WhenChanged) and runs the full update.
  template <class T>
  void StoreAndUpdate(T& Field, const T& Value, bool WhenChanged = false) {
    if (WhenChanged && Field == Value) return;
    Field = Value;
    Update();
  }

  // ---- list helpers ----
  std::unique_ptr<TIEImageInfo> NewRecord();
  void FreeRecordPictures(TIEImageInfo* Info);
  void CreateStores();
  void ComputeCellPositions();
  void UpdateScrollBars();
  void ScrollMessage(bool Vertical, WPARAM WParam);
  void MouseWheelMessage(WPARAM WParam);
  // Shifts queued and running loads at or after idx by Delta (insertions +1, removals -1).
  void RenumberLoads(int idx, int Delta);
  // Scope of a user action: OnViewChange, OnImageSelect and OnImageDeselect are raised only then.
  struct TUserAction;

  // ---- painting helpers ----
  void DrawCaption(TCanvas* Canvas, TIEMText* Text, const RECT& Band, bool Selected, int Kind,
                   int& Height);
  void ReleaseFarPictures(int FirstVisible, int LastVisible);

  // ---- loading helpers ----
  void ThumbnailParams(TIOParamsVals* Params) const;
  // Takes the parameter set, background and picture of a finished load into image idx
  // (CreateInput: make the multi-image input when there is none yet).
  void TakeLoadedPicture(int idx, TImageryIO* IO, TIEBitmap* Picture, bool CreateInput);
  bool ExplicitLoad(int idx, const std::function<void(TImageryIO*)>& Load, int ImageIndex);
  void StartPrefetch(const std::vector<int>& Indexes);
  void EndPrefetch();
  void ForgetPrefetch(TIEImageInfo* Info);
  int DecodeThreadCount() const;
  // Copies the view origin and the control size for the loader thread's visibility tests.
  void UpdateScreenSnapshot();
  void PruneQueue();
  void PruneInFlight(std::vector<TImageryIO*>& ToFree);
  void StartQueuedLoads();
  void FreeIOs(std::vector<TImageryIO*>& IOs);
  bool InLookAhead(int idx) const;
  void FreeFetchedSelection();

  // ---- selection helpers ----
  // Makes the selection the range from image From to the image at (X, Y), as Shift-click does.
  void SelectRangeFrom(int From, int X, int Y);

  std::vector<std::unique_ptr<TIEImageInfo>> FImageInfo;
  std::vector<int> FMultiSelectedImages;
  int FSelectedItem = -1;
  TIEBitmap* FSelectedBitmap = nullptr;  // fetched picture of the selected image
  int FViewX = 0, FViewY = 0;
  int FExtentX = 0, FExtentY = 0;
  double FHSVX1 = 1.0, FHSVY1 = 1.0;  // scroll scales, pixels per scroll-bar unit
  TIEScrollBarParams FVScrollBarParams, FHScrollBarParams;
  std::unique_ptr<TIEBitmap> FBackBuffer;
  TImageryIO* FIO = nullptr;           // own IO, owned by the grid (component owner)
  std::vector<TImageryIO*> FFrameIOs;  // per multi-frame file, owned by the grid
  TImageryMIO* FMIO = nullptr;
  TImageryProc* FProc = nullptr;
  std::unique_ptr<TIEVirtualImageList> FImageList, FCacheList;
  std::vector<int> FLoadQueue;
  std::vector<TImageryIO*> FInFlight;
  std::vector<int> FLookAhead;
  std::unique_ptr<TIEStarter> FStarter;
  TCriticalSection FThreadCS;
  std::unique_ptr<TIEPrefetchBatch> FPrefetch;
  int FLockPaint = 0;
  bool FUpdating = false;
  std::atomic<bool> FDestroying{false};  // read by finishing loads on their workers
  int FUserAction = 0;
  int FChangedKind = 0, FChangedIndex = 0, FChangedIndex2 = 0;
  int FUpperGap = 0, FBottomGap = 0;        // active
  int FSetUpperGap = 0, FSetBottomGap = 0;  // as set through the properties
  bool FEnableImageCaching = true, FFillThumbnail = true, FShowText = true;
  bool FAllDisplayed = false;
  bool FParallelDecoding = true;
  int FDecodeThreads = 0;
  // The view origin and control size as last seen by the user-interface thread (under the lock):
  // what IsCellOnScreen tests, so that the loader thread never reads the live values.
  struct {
    int ViewX = 0, ViewY = 0, Width = 0, Height = 0;
  } FScreen;

  // Properties.
  TScrollStyle FScrollBars = ssBoth;
  TIEStoreType FStoreType = ietNormal;
  int FThumbWidth = 100, FThumbHeight = 100;
  int FHorizBorder = 4, FVertBorder = 4;
  bool FVisibleSelection = true;
  TIEMMouseInteract FMouseInteract{mmiSelect};
  TIEMKeyInteract FKeyInteract{mkiMoveSelected};
  TIEMDisplayMode FDisplayMode = mdGrid;
  TIEMDisplayMode FSavedDisplayMode = mdGrid;
  int FGridWidth = 0;
  int FSelectionWidth = 2;
  TColor FSelectionColor = 16752800;  // $FFA0A0, a light blue
  bool FRemoveCorrupted = false;
  bool FDrawImageBackground = false;
  int FImageCacheSize = 10;
  TIETransitionType FTransitionEffect = iettNone;
  int FTransitionDuration = 1000;
  TIEMStyle FStyle = iemsACD;
  TIESStyle FSelectionStyle = iessAround;
  TColor FThumbsBackground = clBtnFace;
  bool FEnableMultiSelect = false;
  TIEMultiSelectionOptions FMultiSelectionOptions;
  int FThumbnailsBorderWidth = 0;
  TColor FThumbnailsBorderColor = clBtnFace;
  bool FThumbnailsInternalBorder = false;
  TColor FThumbnailsInternalBorderColor = clBlack;
  std::unique_ptr<TPicture> FWallPaper;
  TIEWallPaperStyle FWallPaperStyle = iewoNormal;
  int FThreadPoolSize = 5;
  bool FEnableAlphaChannel = true;
  TIEBackgroundStyle FBackgroundStyle = iebsSolid;
  TIEBackgroundStyle FThumbnailsBackgroundStyle = iebsSolid;
  bool FFlatScrollBars = false;
  TIEProgressEvent FOnProgress;
  TNotifyEvent FOnFinishWork;

  // Selection and mouse state.
  bool FAddMode = false, FKeepMode = false, FSelectionChanged = false;
  bool FMouseDownPending = false, FDblClickPending = false, FDragging = false,
       FShiftRangeDone = false;
  bool FDragStarted = false;  // a drag began since the button went down
  int FDownX = 0, FDownY = 0, FDownViewX = 0, FDownViewY = 0;
  int FDownImage = -1, FLastImage = -1, FAnchor = -1;
  // Play state.
  bool FPlaying = false, FPlayStepRunning = false, FPlayLoop = true;
  UINT_PTR FPlayTimer = 0;
  int FFrame = 0, FSavedSelectedItem = -1;
};
