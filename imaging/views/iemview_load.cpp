// The thumbnail grid: loading of pictures (see iemview.h).
//
// Three roads lead to a stored picture:
// - synchronous (LoadImageNow): while a visible cell is painted, always for a grid whose
//   ThreadPoolSize is 0 (the main window's), for the selected image and for frames of
//   multi-frame files;
// - the cells one paint loads synchronously are first decoded in parallel by a few workers
//   (TIEPrefetchBatch); the paint then stores and draws them one by one in display order, so the
//   events keep the order of the synchronous road and only the decoding overlaps;
// - asynchronous: the loader thread (TIEStarter) starts queued loads on IO components of their own
//   (at most ThreadPoolSize at a time); each finishes in LoadFinished on its IO worker.
#include <algorithm>
#include <atomic>
#include <cctype>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "imaging/codecs/ieicofilt.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/ieresample.h"
#include "imaging/core/iestreams.h"
#include "imaging/io/ieparams.h"
#include "imaging/views/iemview.h"
#include "imaging/views/iemview_internal.h"
#include "imaging/views/ievirtualimagelist.h"

ORV_CLASS_IMPL(TIEStarter, TThread)

// ---------------------------------------------------------------- shared pieces

std::string IELowerExtension(const std::string& Name) {
  const size_t dot = Name.find_last_of('.'), slash = Name.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string e = Name.substr(dot);
  for (char& c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return e;
}

bool IESplitFrameName(const std::string& Name, std::string& File, int& Frame) {
  const size_t p = Name.find("::");
  if (p == std::string::npos) {
    File = Name;
    Frame = 0;
    return false;
  }
  File = Name.substr(0, p);
  const std::string n = Name.substr(p + 2);
  // A frame number that is not a number is frame 0.
  Frame = 0;
  if (!n.empty() && n.size() < 10 && std::all_of(n.begin(), n.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) != 0;
      }))
    Frame = std::stoi(n);
  return true;
}

void IEThumbnailParams(TIOParamsVals* P, TIEStoreType StoreType, int ThumbWidth, int ThumbHeight) {
  if (StoreType == ietThumb) {
    // Reduced-size JPEG decoding with the fast integer transform, and the embedded EXIF thumbnail
    // for thumbnails up to 200 x 200.
    const bool small = ThumbWidth <= 200 && ThumbHeight <= 200;
    P->JPEG_Scale = 0;
    P->SetGetExifThumbnail(small);
    P->JPEG_DCTMethod = 1;
    P->Width = ThumbWidth;
    P->Height = ThumbHeight;
    P->SetRAW_GetExifThumbnail(small);
  } else {
    P->JPEG_Scale = 1;
  }
  P->SetEnableAdjustOrientation(false);
}

std::unique_ptr<TIEBitmap> IEFitThumbnail(TIEBitmap* Bitmap, int ThumbWidth, int ThumbHeight,
                                          bool AllTo24) {
  const int w = Bitmap->Width(), h = Bitmap->Height();
  int nw = ThumbWidth, nh = ThumbHeight;
  if (w > 0 && h > 0) IEFitSize(w, h, ThumbWidth, ThumbHeight, nw, nh);
  if (w == nw && h == nh) return nullptr;
  auto out = std::make_unique<TIEBitmap>();
  out->SetLocation(ieMemory);
  const bool hasAlpha = Bitmap->HasAlphaChannel();
  if (hasAlpha && Bitmap->PixelFormat() == ie24RGB)
    IEFillTransparentPixels(Bitmap, TIERGBPixel{128, 128, 128});
  TIEPixelFormat pf = Bitmap->PixelFormat();
  if (pf == ie1g) {
    if (!out->Allocate(nw, nh, ie24RGB)) return nullptr;
    IEShrinkBWToGray(Bitmap, 0, 0, w - 1, h - 1, out.get());
  } else if (pf == ie24RGB || AllTo24) {
    TIEBitmap converted;
    TIEBitmap* src = Bitmap;
    if (pf != ie24RGB) {
      converted.SetLocation(ieMemory);
      converted.Assign(Bitmap);
      converted.RemoveAlphaChannel(false);
      converted.SetPixelFormat(ie24RGB);
      src = &converted;
    }
    if (!out->Allocate(nw, nh, ie24RGB)) return nullptr;
    IEResampleColor(src, out.get(), rfFastLinear, {}, nullptr);
  } else {
    if (!out->Allocate(nw, nh, pf)) return nullptr;
    if (pf == ie8p) Bitmap->CopyPaletteTo(out.get());
    IEStretch(Bitmap, out.get(), nullptr, {});
  }
  if (hasAlpha) {
    TIEBitmap* a = Bitmap->GetAlphaChannel();
    TIEBitmap* b = out->GetAlphaChannel();
    IEResampleGray8(a, b, rfFastLinear);
    b->Full = a->Full;
  }
  return out;
}

int IELoadFrame(TImageryIO* IO, int Frame) {
  const std::string file = IO->Params->FileName;
  TIEFileFormatInfo* info = IEFindFileFormatInfoByExt(IELowerExtension(file));
  if (info != nullptr && info->FileType != 0 && info->FileType != ioAVI && info->FileType != 22 &&
      info->FileType != 23) {
    IO->Params->SetImageIndex(Frame);
    IO->LoadFromFileAuto(file);
    IO->Params->FileName = file;
    return info->FileType == ioGIF ? IO->Params->GIF_DelayTime * 10 : 0;
  }
  // Video and media files: no media reader on this platform, so the frame cannot be had.
  IO->Aborting.store(true);
  return 0;
}

// Loads a plain file (not a frame) through IO into its attached target; metafiles have no
// renderer here and fail like an unreadable file.
static void LoadPlainFile(TImageryIO* IO, const std::string& Name) {
  const std::string e = IELowerExtension(Name);
  if (e == ".emf" || e == ".wmf") {
    IO->Aborting.store(true);
    return;
  }
  IO->LoadFromFileAuto(Name);
}

// ---------------------------------------------------------------- parallel decoding of a paint

TIEPrefetchBatch::TIEPrefetchBatch(std::vector<std::unique_ptr<TJob>> Jobs, int Threads)
    : FJobs(std::move(Jobs)) {
  Threads = std::max(1, std::min<int>(Threads, static_cast<int>(FJobs.size())));
  for (int i = 0; i < Threads; ++i) FThreads.emplace_back([this] { Work(); });
}

TIEPrefetchBatch::~TIEPrefetchBatch() {
  FCancel.store(true);
  for (std::thread& t : FThreads) t.join();
}

void TIEPrefetchBatch::Work() {
  for (;;) {
    const size_t i = FNext.fetch_add(1);
    if (i >= FJobs.size() || FCancel.load()) return;
    TJob& job = *FJobs[i];
    Run(job);
    std::lock_guard<std::mutex> lock(FLock);
    job.Done = true;
    FDoneCond.notify_all();
  }
}

void TIEPrefetchBatch::Run(TJob& Job) {
  if (Job.Forgotten.load()) return;
  Job.IO = std::make_unique<TImageryIO>(nullptr);
  Job.Target = std::make_unique<TIEBitmap>();
  TImageryIO* io = Job.IO.get();
  io->SetBackground(Job.Background);
  io->AttachBitmap(Job.Target.get());
  io->AutoAdjustDPI = Job.AutoAdjustDPI;
  IEThumbnailParams(io->Params, Job.StoreType, Job.ThumbWidth, Job.ThumbHeight);
  io->Aborting.store(false);
  try {
    if (Job.IsFrame) {
      io->Params->FileName = Job.File;
      Job.Delay = IELoadFrame(io, Job.Frame);
    } else {
      LoadPlainFile(io, Job.File);
    }
  } catch (...) {
    io->Aborting.store(true);
  }
  Job.Failed = io->Aborting.load();
  if (!Job.Failed && Job.StoreType == ietThumb)
    Job.Fitted = IEFitThumbnail(Job.Target.get(), Job.ThumbWidth, Job.ThumbHeight, false);
}

TIEPrefetchBatch::TJob* TIEPrefetchBatch::Wait(TIEImageInfo* Record) {
  TJob* job = nullptr;
  for (auto& j : FJobs)
    if (j->Record == Record && !j->Forgotten.load() && !j->Taken) job = j.get();
  if (job == nullptr) return nullptr;
  std::unique_lock<std::mutex> lock(FLock);
  FDoneCond.wait(lock, [job] { return job->Done; });
  job->Taken = true;
  return job;
}

void TIEPrefetchBatch::Forget(TIEImageInfo* Record) {
  for (auto& j : FJobs)
    if (j->Record == Record) j->Forgotten.store(true);
}

void TImageryMView::ForgetPrefetch(TIEImageInfo* Info) {
  if (FPrefetch) FPrefetch->Forget(Info);
}

int TImageryMView::DecodeThreadCount() const {
  if (FDecodeThreads > 0) return FDecodeThreads;
  const unsigned hw = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(hw == 0 ? 2u : hw, 1u, 8u));
}

void TImageryMView::StartPrefetch(const std::vector<int>& Indexes) {
  FPrefetch.reset();
  // Only the synchronous road is decoded ahead, and only while its events need no ordering
  // among the loads themselves (no progress of each load, no pictures asked by ID).
  if (!FParallelDecoding || FThreadPoolSize != 0 || OnIOProgress) return;
  std::vector<std::unique_ptr<TIEPrefetchBatch::TJob>> jobs;
  for (int idx : Indexes) {
    TIEImageInfo* info = ImageInfo(idx);
    if (info == nullptr || info->Image != nullptr || info->CacheImage != nullptr ||
        info->Name.empty())
      continue;
    if (info->ID >= 0 && (OnImageIDRequest || OnImageIDRequestEx)) continue;
    auto job = std::make_unique<TIEPrefetchBatch::TJob>();
    job->Record = info;
    job->IsFrame = IESplitFrameName(info->Name, job->File, job->Frame);
    job->Background = info->Background;
    job->StoreType = FStoreType;
    job->ThumbWidth = FThumbWidth;
    job->ThumbHeight = FThumbHeight;
    job->AutoAdjustDPI = FMIO != nullptr && FMIO->AutoAdjustDPI;
    jobs.push_back(std::move(job));
  }
  if (jobs.size() < 2) return;
  FPrefetch = std::make_unique<TIEPrefetchBatch>(std::move(jobs), DecodeThreadCount());
}

void TImageryMView::EndPrefetch() { FPrefetch.reset(); }

// ---------------------------------------------------------------- storing

void TImageryMView::ThumbnailParams(TIOParamsVals* Params) const {
  IEThumbnailParams(Params, FStoreType, FThumbWidth, FThumbHeight);
}

void TImageryMView::SetImageBitmap(int idx, TIEBitmap* Bitmap) {
  if (Bitmap == nullptr) return;
  TIELock lock(FThreadCS);
  TIEImageInfo* info = ImageInfo(idx);
  if (info == nullptr) return;
  const bool selected = idx == FSelectedItem;
  if (selected) FSelectedBitmap = nullptr;  // its fetch record goes with the stored picture
  FreeRecordPictures(info);
  std::unique_ptr<TIEBitmap> fitted;
  if (FStoreType == ietThumb) fitted = IEFitThumbnail(Bitmap, FThumbWidth, FThumbHeight, false);
  info->Image = FImageList->AddBitmap(fitted ? fitted.get() : Bitmap);
  FImageList->SetOriginalWidth(info->Image, Bitmap->Width());
  FImageList->SetOriginalHeight(info->Image, Bitmap->Height());
  if (selected) CallListeners();
}

void TImageryMView::SetImageTBitmap(int idx, TBitmap* Bitmap) {
  if (Bitmap == nullptr) return;
  TIEBitmap wrap;
  wrap.EncapsulateTBitmap(Bitmap, true);
  SetImageBitmap(idx, &wrap);
}

void TImageryMView::TakeLoadedPicture(int idx, TImageryIO* IO, TIEBitmap* Picture,
                                      bool CreateInput) {
  TImageryMIO* mio = CreateInput ? GetMIO() : FMIO;
  if (mio != nullptr) {
    if (TIOParamsVals* p = mio->GetParams(idx)) {
      p->Assign(IO->Params);
      // In thumbnail mode the grid keeps the picture itself; the decoded EXIF thumbnail of the
      // photo would only be a second copy of it per image.
      if (FStoreType == ietThumb && p->EXIF_Bitmap != nullptr) {
        delete p->EXIF_Bitmap;
        p->EXIF_Bitmap = nullptr;
      }
    }
  }
  if (TIEImageInfo* info = ImageInfo(idx)) info->Background = IO->GetBackground();
  SetImageBitmap(idx, Picture);
  SetImageOriginalWidth(idx, IO->Params->OriginalWidth);
  SetImageOriginalHeight(idx, IO->Params->OriginalHeight);
}

void TImageryMView::DoWrongImage(TIEBitmap* OutBitmap, int idx) {
  if (OutBitmap == nullptr) return;
  bool handled = false;
  if (OnWrongImage) {
    OutBitmap->Allocate(FThumbWidth, FThumbHeight, ie24RGB);
    OnWrongImage(this, OutBitmap, idx, handled);
  }
  if (handled) return;
  std::string file;
  int frame = 0;
  IESplitFrameName(GetImageFileName(idx), file, frame);
  ShellIconToBitmap(file, OutBitmap);
}

// ---------------------------------------------------------------- synchronous loads

bool TImageryMView::CanReload(TIEImageInfo* Info) {
  return !Info->Name.empty() || (Info->ID >= 0 && (OnImageIDRequest || OnImageIDRequestEx));
}

TImageryIO* TImageryMView::GetFrameIO(const std::string& Name, int& Frame) {
  std::string file;
  IESplitFrameName(Name, file, Frame);
  for (TImageryIO* io : FFrameIOs)
    if (io->Params->FileName == file) return io;
  auto* io = new TImageryIO(this);
  io->Params->FileName = file;
  FFrameIOs.push_back(io);
  return io;
}

int TImageryMView::LoadFrame(TImageryIO* IO, int Frame) { return IELoadFrame(IO, Frame); }

void TImageryMView::FreeFrameIOs() {
  for (TImageryIO* io : FFrameIOs) delete io;
  FFrameIOs.clear();
}

bool TImageryMView::LoadImageNow(int idx) {
  TIELock lock(FThreadCS);
  TIEImageInfo* info = ImageInfo(idx);
  if (info == nullptr) return true;
  if (info->ID >= 0 && OnImageIDRequest) {
    TBitmap* bmp = nullptr;
    OnImageIDRequest(this, info->ID, bmp);
    SetImageTBitmap(idx, bmp);
    return true;
  }
  if (info->ID >= 0 && OnImageIDRequestEx) {
    TIEBitmap* bmp = nullptr;
    OnImageIDRequestEx(this, info->ID, bmp);
    SetImageBitmap(idx, bmp);
    return true;
  }
  if (info->Name.empty()) return true;

  // Decoded ahead by the paint's workers: only the storing is left.
  if (FPrefetch) {
    if (TIEPrefetchBatch::TJob* job = FPrefetch->Wait(info)) {
      if (job->IsFrame) info->DTime = job->Delay;
      TIEBitmap* picture = job->Fitted ? job->Fitted.get() : job->Target.get();
      if (job->Failed) {
        DoWrongImage(job->Target.get(), idx);
        picture = job->Target.get();
      }
      TakeLoadedPicture(idx, job->IO.get(), picture, true);
      job->IO->AttachBitmap(nullptr);
      job->IO.reset();
      job->Target.reset();
      job->Fitted.reset();
      return !job->Failed;
    }
  }

  int frame = 0;
  const bool isFrame = info->Name.find("::") != std::string::npos;
  TImageryIO* io = isFrame ? GetFrameIO(info->Name, frame) : FIO;
  TIEBitmap target;
  io->SetBackground(info->Background);
  io->AttachBitmap(&target);
  io->OnProgress = OnIOProgress;
  ThumbnailParams(io->Params);
  if (FMIO != nullptr) io->AutoAdjustDPI = FMIO->AutoAdjustDPI;
  io->Aborting.store(false);
  const std::string name = info->Name;
  try {
    if (isFrame)
      info->DTime = LoadFrame(io, frame);
    else
      LoadPlainFile(io, name);
  } catch (...) {
    io->Aborting.store(true);
  }
  const bool ok = !io->Aborting.load();
  if (!ok) DoWrongImage(&target, idx);
  TakeLoadedPicture(idx, io, &target, true);
  io->AttachBitmap(nullptr);
  io->OnProgress = nullptr;
  // The IO of a file that holds one picture has done its work: keeping one per photo would make
  // memory grow with every photo seen. Multi-frame files keep theirs for the next frames.
  if (isFrame && io->Params->ImageCount <= 1) {
    FFrameIOs.erase(std::remove(FFrameIOs.begin(), FFrameIOs.end(), io), FFrameIOs.end());
    delete io;
  }
  return ok;
}

bool TImageryMView::LoadImageFromFile(int idx, const std::string& FileName, int ImageIndex) {
  return ExplicitLoad(
      idx, [&](TImageryIO* io) { io->LoadFromFileAuto(FileName); }, ImageIndex);
}

bool TImageryMView::LoadImageFromStream(int idx, TStream* Stream, int ImageIndex) {
  return ExplicitLoad(
      idx,
      [&](TImageryIO* io) {
        // A stream of no known format is a failed load, not an empty success.
        if (Stream == nullptr || IEFindStreamFormat(Stream) == 0) {
          io->Aborting.store(true);
          return;
        }
        io->LoadFromStream(Stream);
      },
      ImageIndex);
}

bool TImageryMView::ExplicitLoad(int idx, const std::function<void(TImageryIO*)>& Load,
                                 int ImageIndex) {
  if (idx < 0 || idx >= GetImageCount()) return false;
  bool ok;
  {
    TIELock lock(FThreadCS);
    TIEImageInfo* info = ImageInfo(idx);
    TIEBitmap target;
    FIO->SetBackground(info->Background);
    FIO->AttachBitmap(&target);
    FIO->OnProgress = OnIOProgress;
    FIO->AutoAdjustDPI = GetMIO()->AutoAdjustDPI;
    FIO->Params->SetImageIndex(ImageIndex);
    ThumbnailParams(FIO->Params);
    FIO->Aborting.store(false);
    try {
      Load(FIO);
    } catch (...) {
      FIO->Aborting.store(true);
    }
    ok = !FIO->Aborting.load();
    if (!ok) DoWrongImage(&target, idx);
    TakeLoadedPicture(idx, FIO, &target, true);
    FIO->AttachBitmap(nullptr);
    FIO->OnProgress = nullptr;
  }
  DropDisplayThumbnail(idx);
  Relayout(false);
  return ok;
}

void TImageryMView::SaveImageToStream(int idx, TStream* Stream, int FileType) {
  if (ImageInfo(idx) == nullptr || Stream == nullptr) return;
  if (TIOParamsVals* p = GetMIO()->GetParams(idx)) FIO->Params->Assign(p);
  TIEBitmap* picture = GetImagePicture(idx);
  if (picture == nullptr) return;
  FIO->AttachBitmap(picture);
  try {
    FIO->SaveToStream(Stream, FileType);
  } catch (...) {
    FIO->AttachBitmap(nullptr);
    ReleaseImagePicture(idx);
    throw;
  }
  FIO->AttachBitmap(nullptr);
  ReleaseImagePicture(idx);
}

void TImageryMView::UpdateImage(int idx) {
  {
    TIELock lock(FThreadCS);
    TIEImageInfo* info = ImageInfo(idx);
    if (info == nullptr || !CanReload(info) || info->Image == nullptr) return;
    if (idx == FSelectedItem) FSelectedBitmap = nullptr;
    FreeRecordPictures(info);
  }
  Relayout(false);
}

TIEBitmap* TImageryMView::GetImagePicture(int idx) {
  TIELock lock(FThreadCS);
  TIEImageInfo* info = ImageInfo(idx);
  if (info == nullptr) return nullptr;
  if (info->Image == nullptr) LoadImageNow(idx);
  info = ImageInfo(idx);
  return info != nullptr && info->Image != nullptr ? FImageList->GetBitmap(info->Image) : nullptr;
}

void TImageryMView::ReleaseImagePicture(int idx) {
  {
    TIELock lock(FThreadCS);
    TIEImageInfo* info = ImageInfo(idx);
    if (info == nullptr || info->Image == nullptr) return;
    if (idx == FSelectedItem && FSelectedBitmap != nullptr && !info->Image->Fetched)
      FSelectedBitmap = nullptr;
    FImageList->ReleaseEntryBitmap(info->Image, true);
    if (idx == FSelectedItem && !info->Image->Fetched) FSelectedBitmap = nullptr;
  }
  DropDisplayThumbnail(idx);
}

TIEBitmap* TImageryMView::GetIEBitmap() {
  if (FSelectedItem < 0) return nullptr;
  if (FSelectedBitmap == nullptr) FSelectedBitmap = GetImagePicture(FSelectedItem);
  return FSelectedBitmap;
}

TBitmap* TImageryMView::GetBitmap() {
  TIEBitmap* b = GetIEBitmap();
  return b != nullptr ? b->GetTBitmap() : nullptr;
}

// ---------------------------------------------------------------- asynchronous loads

bool TImageryMView::InLookAhead(int idx) const {
  return std::find(FLookAhead.begin(), FLookAhead.end(), idx) != FLookAhead.end();
}

void TImageryMView::PruneQueue() {
  FLoadQueue.erase(
      std::remove_if(FLoadQueue.begin(), FLoadQueue.end(),
                     [&](int idx) { return !IsCellOnScreen(idx) && !InLookAhead(idx); }),
      FLoadQueue.end());
}

void TImageryMView::PruneInFlight(std::vector<TImageryIO*>& ToFree) {
  for (auto it = FInFlight.begin(); it != FInFlight.end();) {
    TImageryIO* io = *it;
    if (io->Tag == -1) {
      ToFree.push_back(io);
      it = FInFlight.erase(it);
      continue;
    }
    if (io->Tag >= 0 && !IsCellOnScreen(io->Tag) && !InLookAhead(io->Tag)) {
      io->Tag = -2;
      io->Aborting.store(true);
    }
    ++it;
  }
}

void TImageryMView::FreeIOs(std::vector<TImageryIO*>& IOs) {
  // Outside the lock: deleting an IO waits for its worker, which may be waiting for the lock in
  // LoadFinished.
  for (TImageryIO* io : IOs) {
    io->WaitThreads(false);
    TIEBitmap* target = io->IEBitmap();
    io->AttachBitmap(nullptr);
    delete io;
    delete target;
  }
  IOs.clear();
}

bool TImageryMView::RequestLoad(int idx) {
  TIEImageInfo* info = ImageInfo(idx);
  if (info == nullptr) return true;
  if (info->Name.find("::") != std::string::npos) return false;  // frames load synchronously
  std::vector<TImageryIO*> toFree;
  bool result = true;
  {
    TIELock lock(FThreadCS);
    UpdateScreenSnapshot();
    if (info->Image == nullptr) {
      PruneQueue();
      const bool queued = std::find(FLoadQueue.begin(), FLoadQueue.end(), idx) != FLoadQueue.end();
      const bool running = std::any_of(FInFlight.begin(), FInFlight.end(),
                                       [&](TImageryIO* io) { return io->Tag == idx; });
      if (!queued && !running) {
        PruneInFlight(toFree);
        if ((info->ID >= 0 && (OnImageIDRequest || OnImageIDRequestEx)) || info->Name.empty())
          result = false;
        else
          FLoadQueue.push_back(idx);
      }
    }
  }
  FStarter->Wake();
  FreeIOs(toFree);
  return result;
}

void TImageryMView::StartQueuedLoads() {
  while (!FStarter->Terminated() && !FLoadQueue.empty() &&
         static_cast<int>(FInFlight.size()) < std::max(FThreadPoolSize, 0)) {
    const int idx = FLoadQueue.front();
    FLoadQueue.erase(FLoadQueue.begin());
    TIEImageInfo* info = ImageInfo(idx);
    if (info == nullptr || info->Image != nullptr) continue;
    auto* target = new TIEBitmap();
    auto* io = new TImageryIO(nullptr);
    io->Tag = idx;
    FInFlight.push_back(io);
    io->AttachBitmap(target);
    io->SetBackground(info->Background);
    ThumbnailParams(io->Params);
    io->OnFinishWork = [this](TObject* Sender) { LoadFinished(Sender); };
    io->AsyncMode = true;
    const std::string name = info->Name;
    try {
      const std::string e = IELowerExtension(name);
      if (e == ".emf" || e == ".wmf") {
        io->Aborting.store(true);
        LoadFinished(io);
      } else {
        io->LoadFromFileAuto(name);
      }
    } catch (...) {
      // Failed before a worker took it: finish it here, as a failed load.
      io->Aborting.store(true);
      if (io->Tag != -1) LoadFinished(io);
    }
  }
}

void TImageryMView::LoadFinished(TObject* Sender) {
  auto* io = static_cast<TImageryIO*>(Sender);
  TIEBitmap* target = io->IEBitmap();
  if (FDestroying || target == nullptr) {
    {
      TIELock lock(FThreadCS);
      io->Tag = -1;
    }
    FStarter->Wake();
    return;
  }
  {
    TIELock lock(FThreadCS);
    if (io->Aborting.load() && io->Tag >= 0) DoWrongImage(target, io->Tag);
  }
  // Fitting needs no lock: the target is this load's own.
  std::unique_ptr<TIEBitmap> fitted;
  if (FStoreType == ietThumb) fitted = IEFitThumbnail(target, FThumbWidth, FThumbHeight, true);
  {
    TIELock lock(FThreadCS);
    if (io->Tag >= 0 && io->Tag < GetImageCount())
      TakeLoadedPicture(io->Tag, io, fitted ? fitted.get() : target, false);
    io->Tag = -1;
  }
  FStarter->Wake();
  if (HandleAllocated()) InvalidateRect(FHandle, nullptr, FALSE);
}

void TImageryMView::CancelLoads() {
  {
    TIELock lock(FThreadCS);
    FLoadQueue.clear();
    FLookAhead.clear();
    for (TImageryIO* io : FInFlight) {
      if (io->Tag >= 0) io->Tag = -2;
      if (io->Tag == -2) io->Aborting.store(true);
    }
  }
  // Waits for the running loads to end, at most about one second; what still runs then is
  // discarded when it finishes (its index is gone).
  for (int i = 0; i < 100; ++i) {
    std::vector<TImageryIO*> toFree;
    bool empty;
    {
      TIELock lock(FThreadCS);
      PruneInFlight(toFree);
      empty = FInFlight.empty();
    }
    FreeIOs(toFree);
    if (empty) break;
    Sleep(10);
  }
}

void TImageryMView::DropPendingLoad(int idx) {
  TIELock lock(FThreadCS);
  FLoadQueue.erase(std::remove(FLoadQueue.begin(), FLoadQueue.end(), idx), FLoadQueue.end());
  FLookAhead.erase(std::remove(FLookAhead.begin(), FLookAhead.end(), idx), FLookAhead.end());
  for (TImageryIO* io : FInFlight)
    if (io->Tag == idx) {
      io->Tag = -2;
      io->Aborting.store(true);
      break;
    }
}

std::vector<int> TImageryMView::QueuedLoads() {
  TIELock lock(FThreadCS);
  return FLoadQueue;
}

std::vector<int> TImageryMView::LoadsInFlight() {
  TIELock lock(FThreadCS);
  std::vector<int> out;
  for (TImageryIO* io : FInFlight) out.push_back(io->Tag);
  return out;
}

// ---------------------------------------------------------------- TIEStarter

TIEStarter::TIEStarter(TImageryMView* Grid) : TThread(true), FGrid(Grid) {}

TIEStarter::~TIEStarter() { Stop(); }

void TIEStarter::Wake() {
  if (Terminated()) return;
  if (!FStarted.exchange(true)) Start();
  FWake.SetEvent();
}

void TIEStarter::Stop() {
  Terminate();
  FWake.SetEvent();
  if (FStarted && !Finished()) WaitFor();
}

void TIEStarter::Execute() {
  while (!Terminated()) {
    std::vector<TImageryIO*> toFree;
    bool idle;
    {
      TIELock lock(FGrid->FThreadCS);
      FGrid->PruneInFlight(toFree);
      FGrid->PruneQueue();
      FGrid->StartQueuedLoads();
      idle = FGrid->FLoadQueue.empty() && FGrid->FInFlight.empty();
    }
    FGrid->FreeIOs(toFree);
    if (Terminated()) break;
    // The wake-up event keeps a signal given while the thread was busy, so a request made
    // between the check above and the wait is never lost. While loads run, their end wakes it;
    // the 50 ms turn also prunes loads whose cells scrolled away.
    FWake.WaitFor(idle ? INFINITE : 50);
  }
}
