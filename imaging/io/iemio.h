// TImageryMIO: fills a thumbnail grid with images. Every page or frame of a multi-image file
// becomes one grid image; a list of file names becomes one grid image per file, loaded at once or
// left as a lazy entry ("name::0") that the grid loads when the thumbnail is first drawn. It keeps
// one parameter set per grid image, in step with the grid's insertions, deletions and moves.
//
// The grid is reached through TIEMultiImageTarget, which the thumbnail grid (a TIEView) implements;
// the view layer sits above this library.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/io/iefileformats.h"
#include "platform/rtl/component.h"
#include "platform/rtl/persistent.h"

class TIEView;
class TIEBitmap;
class TStream;
class TIOParamsVals;

// What the multi-image input needs of a thumbnail grid. The grid calls its listeners (TIEView)
// after every insertion, deletion, move and exchange, and answers GetLastChange for it.
class TIEMultiImageTarget {
public:
  virtual ~TIEMultiImageTarget() = default;
  virtual int ImageCount() = 0;
  virtual int SelectedImage() = 0;  // -1 when none
  // Inserts an empty image at Index without changing the selection.
  virtual void InsertImageEx(int Index) = 0;
  // Appends an empty image and selects it; returns its index.
  virtual int AppendImage() = 0;
  virtual void DeleteImage(int Index) = 0;
  virtual void SetImage(int Index, TIEBitmap* Bitmap) = 0;  // stores a copy
  virtual void SetImageFileName(int Index, const std::string& Name) = 0;
  virtual void SetImageBottomText(int Index, const std::string& Text) = 0;
  virtual void SetImageDelayTime(int Index, int Milliseconds) = 0;
  virtual void SetImageBackground(int Index, TColor Color) = 0;
  // Loads image 0 of the file (or the stream's image) into grid image Index now.
  virtual void LoadImageFromFile(int Index, const std::string& FileName) = 0;
  virtual void LoadImageFromStream(int Index, TStream* Stream) = 0;
  // The picture of image Index for reading (loaded now when it is not in memory), or nil; every
  // picture fetched is handed back through ReleaseImageBitmap before the next fetch.
  virtual TIEBitmap* FetchImageBitmap(int Index) {
    (void)Index;
    return nullptr;
  }
  virtual void ReleaseImageBitmap(int Index) { (void)Index; }
  // The last change: kind 1 inserted at I, 2 deleted at I, 3 moved from I to J, 4 exchanged.
  virtual void GetLastChange(int& Kind, int& I, int& J) = 0;
  virtual void Update() = 0;
};

class TImageryMIO : public TComponent {
  ORV_CLASS(TImageryMIO, TComponent)
public:
  explicit TImageryMIO(TComponent* AOwner);
  ~TImageryMIO() override;

  TIEView* AttachedMView() const { return FAttachedMView; }
  // The view must implement TIEMultiImageTarget (others are ignored: the component stays
  // unattached).
  void SetAttachedMView(TIEView* Value);

  std::function<void(TObject* Sender, int Per)> OnProgress;
  TNotifyEvent OnFinishWork;
  std::function<void(TObject* Sender, TIEBitmap* Bitmap, bool& Handled)> OnAcquireBitmap;
  std::function<void(TObject* Sender, int Index)> OnAfterAcquireBitmap;
  uint8_t MsgLanguage = 0;
  bool AutoAdjustDPI = false;
  bool FilteredAdjustDPI = false;
  bool SimplifiedParamsDialogs = true;
  std::string ProxyAddress, ProxyUser, ProxyPassword;
  std::atomic<bool> Aborting{false};

  // Names separated by "|"; Detect loads by content, Lazy appends "name::0" entries.
  void LoadFromFiles(const std::string& List, bool Detect, bool Lazy);
  void LoadFromFile(const std::string& FileName);
  void LoadFromFileAuto(const std::string& FileName);
  void LoadFromFileFormat(const std::string& FileName, int32_t FileType);
  void LoadFromStream(TStream* Stream);
  void LoadFromStreamFormat(TStream* Stream, int32_t FileType);
  void LoadFromURL(const std::string& URL);
  void LoadFromFileGIF(const std::string& FileName);
  void LoadFromFileTIFF(const std::string& FileName);
  void LoadFromFileICO(const std::string& FileName);
  void LoadFromFileDCX(const std::string& FileName);
  void LoadFromFileDICOM(const std::string& FileName);
  void LoadFromStreamGIF(TStream* Stream);
  void LoadFromStreamTIFF(TStream* Stream);
  void LoadFromStreamICO(TStream* Stream);
  void LoadFromStreamDCX(TStream* Stream);
  void LoadFromStreamDICOM(TStream* Stream);
  void LoadFromFileAVI(const std::string& FileName);
  void LoadFromMediaFile(const std::string& FileName);

  // Every grid image as one page of a PostScript or PDF document, in grid order; each page with
  // its image's parameter set (compression), the document with that of image 0 (paper, title,
  // information entries), both as they stand before the image's picture is fetched (a lazy
  // image's load replaces its set with what the file holds). Aborting is set, and no file made, when there is no grid, no image or
  // no such writer; an abort stops between pages and the document ends with the pages written.
  // One finish notification per call.
  void SaveToFilePS(const std::string& FileName);
  void SaveToStreamPS(TStream* Stream);
  void SaveToFilePDF(const std::string& FileName);
  void SaveToStreamPDF(TStream* Stream);

  TIOParamsVals* GetParams(int Index);
  int GetParamsCount() const { return static_cast<int>(FParams.size()); }
  void InsertParams(int Index);
  void DeleteParams(int Index);
  void MoveParams(int From, int To);
  void ExchangeParams(int A, int B);
  void UpdateView();
  bool DoProgress(int Per);
  virtual void DoFinishWork();
  virtual void HandleAcquiredBitmap(TIEBitmap* Bitmap, TIOParamsVals*& Params);
  virtual void AcquireClose() { FAcquiring = false; }

  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TIEMultiImageTarget* Grid() const;
  int InsertionIndex();
  void ViewChanged(TIEView* Sender, int Event);
  void Unregister();
  void LoadMulti(int32_t FileType, TStream* Stream);
  void LoadMultiFile(int32_t FileType, const std::string& FileName);
  bool CanSaveDocument(int32_t FileType);
  void SaveDocument(int32_t FileType, TStream* Stream);
  void SaveDocumentFile(int32_t FileType, const std::string& FileName);

  TIEView* FAttachedMView = nullptr;
  intptr_t FListener = -1;
  std::vector<std::unique_ptr<TIOParamsVals>> FParams;
  std::string FCurrentFileName;
  int FAcquireIndex = 0;
  bool FAcquiring = false;
};
