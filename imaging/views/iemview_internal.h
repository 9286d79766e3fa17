// Pieces the files of the thumbnail grid share (not part of its interface).
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "imaging/views/iemview.h"

// Holds a critical section for a scope.
class TIELock {
public:
  explicit TIELock(TCriticalSection& CS) : FCS(CS) { FCS.Enter(); }
  ~TIELock() { FCS.Leave(); }
  TIELock(const TIELock&) = delete;
  TIELock& operator=(const TIELock&) = delete;

private:
  TCriticalSection& FCS;
};

// Marks a handler of the mouse, wheel, keys or scroll bars for its duration: OnViewChange,
// OnImageSelect and OnImageDeselect are raised only then.
struct TImageryMView::TUserAction {
  explicit TUserAction(TImageryMView* G) : Grid(G) { ++Grid->FUserAction; }
  ~TUserAction() { --Grid->FUserAction; }
  TUserAction(const TUserAction&) = delete;
  TUserAction& operator=(const TUserAction&) = delete;
  TImageryMView* Grid;
};

// ".jpg" of "/a/b.JPG"; empty without extension.
std::string IELowerExtension(const std::string& Name);
// Splits "file::n" into the file and frame n (0 when n is not a number); false for a plain name
// (then File is the name and Frame 0).
bool IESplitFrameName(const std::string& Name, std::string& File, int& Frame);
// The parameters every load gets: thumbnail mode (reduced JPEG scale, fast transform, EXIF
// thumbnails up to 200 x 200) for StoreType ietThumb, full scale otherwise; no orientation change.
void IEThumbnailParams(TIOParamsVals* P, TIEStoreType StoreType, int ThumbWidth, int ThumbHeight);
// The picture fitted into ThumbWidth x ThumbHeight for storing, or nil when it already has the
// fitted size. 1-bit pictures are averaged into grey, 24-bit ones resampled (fast linear), others
// stretched by nearest pixel in their own format (AllTo24: converted to 24 bits and resampled);
// an alpha channel is resampled alongside. Fully transparent pixels of Bitmap become grey.
std::unique_ptr<TIEBitmap> IEFitThumbnail(TIEBitmap* Bitmap, int ThumbWidth, int ThumbHeight,
                                          bool AllTo24);
// A caption shortened by characters until it fits Width on Canvas (its font set): side 0 keeps the
// start and puts "..." behind (first dropping 2 characters), side 1 keeps the end and puts "..."
// in front (first dropping 1). A one-character caption, or a step that would leave nothing, stays.
std::string IEShortenCaption(TCanvas* Canvas, const std::string& Caption, int Width, uint8_t Side);
// Loads frame Frame of the file named by IO's parameter set; returns its display time in ms.
int IELoadFrame(TImageryIO* IO, int Frame);

// The parallel decoding of the cells one paint loads synchronously. Workers take the jobs in
// display order and decode each into bitmaps of its own (no lock, no grid state); the paint waits
// for each job when it reaches that cell and stores the result itself.
class TIEPrefetchBatch {
public:
  struct TJob {
    TIEImageInfo* Record = nullptr;  // identity only: never read by the workers
    std::string File;
    bool IsFrame = false;
    int Frame = 0;
    TColor Background = 0;
    TIEStoreType StoreType = ietNormal;
    int ThumbWidth = 0, ThumbHeight = 0;
    bool AutoAdjustDPI = false;
    // Results.
    std::unique_ptr<TImageryIO> IO;
    std::unique_ptr<TIEBitmap> Target, Fitted;
    int Delay = 0;
    bool Failed = false;
    bool Done = false;   // under the batch's lock
    bool Taken = false;  // by the paint (user-interface thread only)
    std::atomic<bool> Forgotten{false};
  };

  TIEPrefetchBatch(std::vector<std::unique_ptr<TJob>> Jobs, int Threads);
  // Jobs not started are dropped; running ones are waited for.
  ~TIEPrefetchBatch();
  // The finished job of Record (waiting for it), or nil when the batch has none for it.
  TJob* Wait(TIEImageInfo* Record);
  // The record is gone: its job is not decoded or no longer handed out.
  void Forget(TIEImageInfo* Record);

private:
  void Work();
  static void Run(TJob& Job);

  std::vector<std::unique_ptr<TJob>> FJobs;
  std::vector<std::thread> FThreads;
  std::atomic<size_t> FNext{0};
  std::atomic<bool> FCancel{false};
  std::mutex FLock;
  std::condition_variable FDoneCond;
};
