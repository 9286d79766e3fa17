// TImageryIO: the non-visual component that reads images into, and writes images from, one
// target image (the bitmap of an attached view, an attached bitmap, or a bitmap of its own),
// through the codecs of iecodechooks.h or registered plug-in formats. Every load and save runs one
// frame: optional deferral to a worker thread (AsyncMode), the Aborting flag, the progress record,
// the parameter set, DPI checks, the refresh of the target and exactly one finish notification.
//
// Window messages: from inside a worker, progress, finish and refresh reach an attached view that
// has a parent window only as posted messages 8027, 8028 and 8024, through IEViewWindowLink (which
// the window layer fills in). Without that link, or without a view, the events run on the worker.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "imaging/core/iedefs.h"
#include "imaging/io/iefileformats.h"
#include "imaging/io/ieparams.h"
#include "platform/rtl/component.h"
#include "platform/rtl/persistent.h"

class TStream;
class TIEBitmap;
class TIEView;
class TIEMask;
class TIEIOThread;
class TMetafile;
class TCriticalSection;
class TFont;
struct TIEPSContext;
struct TIEPDFContext;

using TIEProgressEvent = std::function<void(TObject* Sender, int Per)>;

// Messages posted to an attached view's window from a worker.
constexpr uint32_t IEM_UPDATE = 8024;    // WParam 0: the view calls its Update
constexpr uint32_t IEM_PROGRESS = 8027;  // WParam percent: the view calls its OnProgress
constexpr uint32_t IEM_FINISHWORK = 8028;  // the view calls its OnFinishWork

// The bridge to the window layer: HasParentWindow tells whether a view sits in a parent window,
// PostMessage posts a message to the view's window (it must not block). While either is empty the
// IO component treats every view as having no parent window and calls its events directly.
struct TIEViewWindowLink {
  std::function<bool(TIEView* View)> HasParentWindow;
  std::function<void(TIEView* View, uint32_t Msg, uintptr_t WParam, intptr_t LParam)> PostMessage;
};
extern TIEViewWindowLink IEViewWindowLink;

// Language of the dialogs (see iewords.h); stored here as its ordinal.
using TMsgLanguageOrdinal = uint8_t;

// Switches of the parameters dialog (bits of PreviewsParams).
enum TIOPreviewsParam : uint8_t { ioppDefaultLockPreview = 0, ioppApplyButton = 1 };
using TIOPreviewsParams = uint8_t;

class TImageryIO : public TComponent {
  ORV_CLASS(TImageryIO, TComponent)
public:
  explicit TImageryIO(TComponent* AOwner);
  ~TImageryIO() override;

  // ---- target ----
  TIEView* AttachedImagery() const { return FAttachedImagery; }
  void SetAttachedImagery(TIEView* Value);
  // A nil bitmap while a view is attached changes nothing more than the listener.
  void AttachBitmap(TIEBitmap* Bitmap);
  void ReplaceBitmap(TIEBitmap* Bitmap);
  TIEBitmap* IEBitmap() const { return FIEBitmap; }
  TIEBitmap* GetBitmap() const { return FIEBitmap; }
  bool OwnsBitmap() const { return FOwnsBitmap; }
  TColor Background() const;
  void SetBackground(TColor Value);
  bool ChangeBackground = false;
  bool NativePixelFormat() const;
  bool GetNativePixelFormat() const { return NativePixelFormat(); }
  void SetNativePixelFormat(bool Value);
  TColor GetBackground() const { return Background(); }
  int32_t Tag = 0;  // free for the caller
  // The dither method of conversions to black and white; also stored in the target bitmap.
  uint8_t DefaultDitherMethod() const { return FDefaultDitherMethod; }
  void SetDefaultDitherMethod(uint8_t Value);

  // ---- published settings ----
  uint8_t MsgLanguage = 0;  // msSystem
  bool StreamHeaders = false;
  bool AutoAdjustDPI = false;
  bool FilteredAdjustDPI = false;
  bool SimplifiedParamsDialogs = true;
  TIOPreviewsParams PreviewsParams = 0;
  // Font of the parameters dialog (owned); the setter copies the given font.
  TFont* PreviewFont() const { return FPreviewFont.get(); }
  void SetPreviewFont(TFont* Value);
  // Replaces the parameters dialog when it sets Handled.
  std::function<void(TObject* Sender, bool& Handled)> OnDoPreviews;
  // Runs with the dialog (a TfIOPreviews form) before it shows.
  std::function<void(TObject* Sender, TObject* PreviewForm)> OnIOPreview;
  TIEProgressEvent OnProgress;
  TNotifyEvent OnFinishWork;
  std::function<void(TObject* Sender, TIEBitmap* ABitmap, bool& Handled)> OnAcquireBitmap;
  bool AsyncMode = false;
  std::string ProxyAddress, ProxyUser, ProxyPassword;

  TIOParamsVals* Params = nullptr;  // owned
  std::atomic<bool> Aborting{false};

  // ---- generic load and save ----
  void LoadFromFile(const std::string& FileName);
  void LoadFromFileAuto(const std::string& FileName);
  void LoadFromFileFormat(const std::string& FileName, int32_t FileType);
  void LoadFromStream(TStream* Stream);
  // Downloads an http, https or ftp address into memory and loads it by its content.
  void LoadFromURL(const std::string& URL);
  void LoadFromStreamFormat(TStream* Stream, int32_t FileType);
  // FileType 0: by content. In AsyncMode the data are copied for the worker.
  void LoadFromBuffer(const void* Buffer, int64_t Size, int32_t FileType);
  void SaveToFile(const std::string& FileName);
  void SaveToStream(TStream* Stream, int32_t FileType);
  void ParamsFromFile(const std::string& FileName);
  void ParamsFromFileFormat(const std::string& FileName, int32_t FileType);
  void ParamsFromStream(TStream* Stream);
  void ParamsFromStreamFormat(TStream* Stream, int32_t FileType);

  // ---- per-format methods ----
  void LoadFromFileJpeg(const std::string& FileName);
  void LoadFromStreamJpeg(TStream* Stream);
  void SaveToFileJpeg(const std::string& FileName);
  void SaveToStreamJpeg(TStream* Stream);
  int LoadFromFileTIFF(const std::string& FileName);
  int LoadFromStreamTIFF(TStream* Stream);
  void SaveToFileTIFF(const std::string& FileName);
  void SaveToStreamTIFF(TStream* Stream);
  int LoadFromFileGIF(const std::string& FileName);
  int LoadFromStreamGIF(TStream* Stream);
  void SaveToFileGIF(const std::string& FileName);
  void SaveToStreamGIF(TStream* Stream);
  void LoadFromFilePCX(const std::string& FileName);
  void LoadFromStreamPCX(TStream* Stream);
  void SaveToFilePCX(const std::string& FileName);
  void SaveToStreamPCX(TStream* Stream);
  void LoadFromFileBMP(const std::string& FileName);
  void LoadFromStreamBMP(TStream* Stream);
  void SaveToFileBMP(const std::string& FileName);
  void SaveToStreamBMP(TStream* Stream);
  void LoadFromFileICO(const std::string& FileName);
  void LoadFromStreamICO(TStream* Stream);
  void SaveToFileICO(const std::string& FileName);
  void SaveToStreamICO(TStream* Stream);
  void LoadFromFileCUR(const std::string& FileName);
  void LoadFromStreamCUR(TStream* Stream);
  void LoadFromFilePNG(const std::string& FileName);
  void LoadFromStreamPNG(TStream* Stream);
  void SaveToFilePNG(const std::string& FileName);
  void SaveToStreamPNG(TStream* Stream);
  void LoadFromFileTGA(const std::string& FileName);
  void LoadFromStreamTGA(TStream* Stream);
  void SaveToFileTGA(const std::string& FileName);
  void SaveToStreamTGA(TStream* Stream);
  void LoadFromFilePXM(const std::string& FileName);
  void LoadFromStreamPXM(TStream* Stream);
  void SaveToFilePXM(const std::string& FileName);
  void SaveToStreamPXM(TStream* Stream);
  void LoadFromFileJP2(const std::string& FileName);
  void LoadFromStreamJP2(TStream* Stream);
  void SaveToFileJP2(const std::string& FileName);
  void SaveToStreamJP2(TStream* Stream);
  void LoadFromFileJ2K(const std::string& FileName);
  void LoadFromStreamJ2K(TStream* Stream);
  void SaveToFileJ2K(const std::string& FileName);
  void SaveToStreamJ2K(TStream* Stream);
  void LoadFromFileWBMP(const std::string& FileName);
  void LoadFromStreamWBMP(TStream* Stream);
  void SaveToFileWBMP(const std::string& FileName);
  void SaveToStreamWBMP(TStream* Stream);
  void SaveToFilePS(const std::string& FileName);
  void SaveToStreamPS(TStream* Stream);
  void SaveToFilePDF(const std::string& FileName);
  void SaveToStreamPDF(TStream* Stream);
  // Multi-page PostScript and PDF documents kept open across saves. Create*File closes a document
  // of its kind that is still open, makes the file and begins a new document (Aborting set and no
  // file made when the format is not available); SaveTo*File adds the target image as the next
  // page (Aborting set when no document is open or there is no image; one finish notification
  // either way); Close*File finishes the document and closes its file (nothing when none is open).
  // The PostScript document takes its paper and title from the parameter set at its creation,
  // each page its compression at that page's save; the PDF document is written at its close, with
  // the information entries of the parameter set at that time. The destructor closes both. These
  // run on the calling thread also in AsyncMode (a document is one file written in page order).
  void CreatePSFile(const std::string& FileName);
  void SaveToPSFile();
  void ClosePSFile();
  bool IsOpenPSFile() const { return FPSContext != nullptr; }
  void CreatePDFFile(const std::string& FileName);
  void SaveToPDFFile();
  void ClosePDFFile();
  bool IsOpenPDFFile() const { return FPDFContext != nullptr; }
  void LoadFromFileDCX(const std::string& FileName);
  void LoadFromStreamDCX(TStream* Stream);
  void SaveToFileDCX(const std::string& FileName);
  void SaveToStreamDCX(TStream* Stream);
  void LoadFromFileRAW(const std::string& FileName);
  void LoadFromStreamRAW(TStream* Stream);
  void LoadFromFileRawPixels(const std::string& FileName);
  void LoadFromStreamRawPixels(TStream* Stream);
  void LoadFromFilePSD(const std::string& FileName);
  void LoadFromStreamPSD(TStream* Stream);
  void SaveToFilePSD(const std::string& FileName);
  void SaveToStreamPSD(TStream* Stream);
  void LoadFromFileDICOM(const std::string& FileName);
  void LoadFromStreamDICOM(TStream* Stream);
  void LoadFromFileHDP(const std::string& FileName);
  void LoadFromStreamHDP(TStream* Stream);
  void SaveToFileHDP(const std::string& FileName);
  void SaveToStreamHDP(TStream* Stream);
  // Layer and vector-object files need the views; without them nothing is loaded (FileType set).
  void LoadFromFileLayersObjects(const std::string& FileName, int32_t FileType);
  void LoadFromStreamLayersObjects(TStream* Stream, int32_t FileType);

  // Writes the image encoded as FileType as source text (kinds 0..2) or as characters (kind 3).
  void SaveToText(const std::string& FileName, int32_t FileType, int Kind);
  void SyncResolutionInfo();

  // ---- frame pieces ----
  // Allowed: a bit set over TIEPixelFormat (1 << format); 0 accepts any format.
  bool MakeConsistentBitmap(uint32_t AllowedFormats);
  virtual void DoFinishWork();
  virtual void DoProgress(TObject* Sender, int Per);
  virtual void UpdateViewDPI();
  // The modal parameters dialog over the target image for the given pages (TIEDialogPages);
  // true when it closes with OK (or OnDoPreviews handles it). False without a target, without
  // a page to show, or while no dialog is installed (the views install it at start-up).
  virtual bool DoPreviews(TIEDialogPages Pages);
  void Update();
  void CheckDPI();
  void AdjustDPI();

  // ---- acquisition ----
  // For each acquired image: OnAcquireBitmap may handle it; otherwise Params receives the
  // component's parameter set, the target takes a copy of the image and is refreshed.
  virtual void HandleAcquiredBitmap(TIEBitmap* Bitmap, TIOParamsVals*& Params);
  virtual void AcquireClose() { FAcquiring = false; }
  void DoAcquireBitmap(TIEBitmap* Bitmap, bool& Handled);

  // ---- metafiles ----
  // Renders a metafile into the target: Width x Height when both are given (0 or more), one side
  // negative follows the other side and the metafile's ratio, both negative take its own size;
  // the longer side is held within IEMetafileSizeLimit. With WithAlpha what the metafile leaves
  // undrawn becomes transparent. A metafile of no size sets Aborting and leaves the target.
  // ImportMetafile reads the file first (a worker call in AsyncMode) and always finishes; a file
  // that is not a metafile raises EInvalidGraphic with Aborting set.
  void ImportMetafile(const std::string& FileName, int Width, int Height, bool WithAlpha);
  void ImportMetafileFromTMetafile(TMetafile* Metafile, int Width, int Height, bool WithAlpha);

  // ---- workers ----
  bool IsInsideAsyncThreads();
  void ResumeThreads();
  // Waits until no worker runs; with Abort sets Aborting first so that codecs stop early.
  void WaitThreads(bool Abort);
  int RunningThreads();

  void Notification(TComponent* AComponent, TOperation Operation) override;

  // Internal pieces of the frame (used by the load and save bodies).
  struct TLoadSpec;
  struct TSaveSpec;

private:
  friend class TIEIOThread;
  friend struct TPreviewAccess;

  void ViewChanged(TIEView* Sender, int Event);
  void Unregister();
  // Deferral: true when the call must run on a worker (then the worker is started).
  bool Defer(uint8_t Kind, std::function<void()> Call);
  void FillProgress(TIEProgressRec& Rec, bool WithCallback = true);
  bool InsideWorkerWithParentView();
  void ConvertTo24IfNeeded();

  // The load frame on a stream: FileName non-empty for a file load (then Aborting was set True
  // before the open). Returns the reader's count result (TIFF pages, GIF frames) or 0.
  int RunLoad(int32_t FileType, TStream* Stream, const std::string& FileName, bool FileShape);
  void RunSave(int32_t FileType, TStream* Stream, const std::string& FileName);
  void LoadFileOwnFrame(int32_t FileType, const std::string& FileName);
  int LoadFileWrapped(int32_t FileType, const std::string& FileName);
  void SaveFileOwnFrame(int32_t FileType, const std::string& FileName);
  void SaveFileWrapped(int32_t FileType, const std::string& FileName, bool AbortFirst);
  // Calls the codec for FileType; returns the count result of TIFF / GIF readers.
  int CallReader(int32_t FileType, TStream* Stream, TIEBitmap* Bitmap, bool Preview, TIEProgressRec& Rec,
                 TIEMask*& Alpha, int64_t DataSize);
  void CallWriter(int32_t FileType, TStream* Stream, TIEProgressRec& Rec);
  int LoadGIFBody(TStream* Stream);
  void PrepareJpegMarkers();
  void LoadRegistry(TIEFileFormatInfo* Info, TStream* Stream, const std::string& FileName);

  TIEBitmap* FIEBitmap = nullptr;
  uint8_t FDefaultDitherMethod = 1;
  bool FOwnsBitmap = false;
  TIEView* FAttachedImagery = nullptr;
  intptr_t FListenerIndex = -1;
  TColor FBackground = 0;
  bool FAcquiring = false;
  std::unique_ptr<TCriticalSection> FThreadsCS;
  std::vector<TIEIOThread*> FThreads;   // running workers
  std::vector<TIEIOThread*> FFinished;  // done, to be joined and freed by the owner
  void ReapFinished();
  // Held by each worker during its call so that deferred calls on one component never touch the
  // shared target at the same time (they run one after another, in the order they got the lock).
  std::mutex FWorkLock;
  // The open multi-page documents and their files.
  TIEPSContext* FPSContext = nullptr;
  std::unique_ptr<TStream> FPSStream;
  TIEPDFContext* FPDFContext = nullptr;
  std::unique_ptr<TStream> FPDFStream;
  std::unique_ptr<TFont> FPreviewFont;
};

// Content detection (position restored; never raises).
int32_t IEFindStreamFormat(TStream* Stream);
int32_t IEFindFileFormat(const std::string& FileName, bool Verify);
bool IEIsAVIStream(TStream* Stream);
bool IEIsExtensionReadable(const std::string& FileName);
int32_t IEExtToFileType(const std::string& Ext);
// Returns a new bitmap resampled to equal DPI (or Bitmap itself when nothing is to do) and
// updates the set's DPI and size through the setters.
TIEBitmap* IEAdjustDPI(TIEBitmap* Bitmap, TIOParamsVals* Params, bool Filtered);
