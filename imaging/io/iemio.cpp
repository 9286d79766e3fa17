// TImageryMIO: multi-image input for the thumbnail grid.
#include "imaging/io/iemio.h"

#include <algorithm>
#include <cctype>

#include "imaging/core/iebitmap.h"
#include "imaging/core/iemask.h"
#include "imaging/core/iestreams.h"
#include "imaging/core/ieview.h"
#include "imaging/io/iecodechooks.h"
#include "imaging/io/ieiohelpers.h"
#include "imaging/io/ieparams.h"
#include "imaging/io/imageryio.h"
#include "imaging/io/ieurl.h"
#include "imaging/core/iefilebuffer.h"
#include "platform/rtl/fileutils.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"

ORV_CLASS_IMPL(TImageryMIO, TComponent)

TImageryMIO::TImageryMIO(TComponent* AOwner) : TComponent(AOwner) {}

TImageryMIO::~TImageryMIO() {
  Unregister();
  while (!FParams.empty()) FParams.pop_back();  // from the last
}

TIEMultiImageTarget* TImageryMIO::Grid() const { return dynamic_cast<TIEMultiImageTarget*>(FAttachedMView); }

void TImageryMIO::Unregister() {
  if (FAttachedMView != nullptr && FListener != -1) FAttachedMView->UnregisterListener(FListener);
  FListener = -1;
}

void TImageryMIO::SetAttachedMView(TIEView* Value) {
  Unregister();
  FAttachedMView = nullptr;
  if (Value == nullptr || dynamic_cast<TIEMultiImageTarget*>(Value) == nullptr) return;
  FAttachedMView = Value;
  FListener = Value->RegisterListener([this](TIEView* Sender, int Event) { ViewChanged(Sender, Event); });
  while (GetParamsCount() < Grid()->ImageCount()) InsertParams(GetParamsCount());
}

void TImageryMIO::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
}

void TImageryMIO::ViewChanged(TIEView* Sender, int Event) {
  if (Sender != FAttachedMView) return;
  if (Event == 1) {
    FAttachedMView = nullptr;
    FListener = -1;
    return;
  }
  int kind = 0, i = 0, j = 0;
  Grid()->GetLastChange(kind, i, j);
  switch (kind) {
    case 1: InsertParams(i); break;
    case 2: DeleteParams(i); break;
    case 3: MoveParams(i, j); break;
    case 4: ExchangeParams(i, j); break;
    default: break;
  }
}

TIOParamsVals* TImageryMIO::GetParams(int Index) {
  if (Index < 0 || Index >= GetParamsCount()) return nullptr;
  return FParams[Index].get();
}

void TImageryMIO::InsertParams(int Index) {
  auto p = std::make_unique<TIOParamsVals>(nullptr);
  if (!FParams.empty()) {
    int from = Index >= 0 && Index < GetParamsCount() ? Index : GetParamsCount() - 1;
    p->AssignCompressionInfo(FParams[from].get());
  }
  if (Index >= 0 && Index < GetParamsCount())
    FParams.insert(FParams.begin() + Index, std::move(p));
  else
    FParams.push_back(std::move(p));
}

void TImageryMIO::DeleteParams(int Index) {
  if (Index >= 0 && Index < GetParamsCount()) FParams.erase(FParams.begin() + Index);
}

void TImageryMIO::MoveParams(int From, int To) {
  if (From < 0 || From >= GetParamsCount() || To < 0 || From == To) return;
  auto p = std::move(FParams[From]);
  FParams.erase(FParams.begin() + From);
  if (To >= GetParamsCount())
    FParams.push_back(std::move(p));
  else
    FParams.insert(FParams.begin() + To, std::move(p));
}

void TImageryMIO::ExchangeParams(int A, int B) {
  if (A < 0 || B < 0 || A >= GetParamsCount() || B >= GetParamsCount()) return;
  std::swap(FParams[A], FParams[B]);
}

void TImageryMIO::UpdateView() {
  if (TIEMultiImageTarget* g = Grid()) {
    g->Update();
    FAttachedMView->ImageChange();
  }
}

bool TImageryMIO::DoProgress(int Per) {
  if (OnProgress) OnProgress(this, Per);
  return !Aborting.load();
}

void TImageryMIO::DoFinishWork() {
  if (OnProgress) OnProgress(this, 100);
  if (OnFinishWork) OnFinishWork(this);
}

int TImageryMIO::InsertionIndex() {
  TIEMultiImageTarget* g = Grid();
  int sel = g->SelectedImage();
  return sel >= 0 ? sel : g->ImageCount();
}

static void MIOProgress(void* Data, TObject*, int Per) { static_cast<TImageryMIO*>(Data)->DoProgress(Per); }

// The multi-image loaders: one grid image per page, frame or icon image.
void TImageryMIO::LoadMulti(int32_t ft, TStream* S) {
  TIEMultiImageTarget* g = Grid();
  if (g == nullptr) return;
  Aborting.store(false);
  FAttachedMView->LockPaint();
  TIEProgressRec rec;
  rec.Callback = &MIOProgress;
  rec.Data = this;
  rec.Sender = this;
  rec.Aborting = &Aborting;
  const int64_t start = S->Position();
  const TIECodecs& c = IECodecs;
  int count = 0;
  auto guarded = [&](int (*f)(TStream*)) {
    if (f == nullptr) return 0;
    int n = f(S);
    S->SetPosition(start);
    return n;
  };
  if (ft == ioICO) count = guarded(c.IcoImageCount);
  if (ft == ioDCX) count = guarded(c.DcxPageCount);
  if (ft == ioDICOM) count = guarded(c.DicomFrameCount);
  const bool onceEvenIfZero = ft == ioGIF || ft == ioTIFF || ft == ioICO;
  try {
    TIEGifCanvas canvas;
    int lastDelay = 100;
    int i = InsertionIndex();
    for (int k = 0; count > 0 || (k == 0 && onceEvenIfZero); ++k, ++i) {
      g->InsertImageEx(i);
      TIOParamsVals* p = GetParams(i);
      if (p == nullptr) break;  // the grid did not announce the insertion
      S->SetPosition(start);
      p->SetImageIndex(k);
      TIEBitmap bmp;
      TIEMask* mask = nullptr;
      int n = 0;
      switch (ft) {
        case ioGIF:
          if (c.GifReadImage != nullptr) c.GifReadImage(S, &bmp, n, false, mask, false, rec, *p); else rec.Abort();
          count = n;
          break;
        case ioTIFF:
          if (c.TiffReadImage != nullptr) c.TiffReadImage(&bmp, S, n, false, false, true, mask, false, rec, *p); else rec.Abort();
          count = n;
          break;
        case ioICO:
          if (c.IcoReadImage != nullptr) c.IcoReadImage(S, &bmp, *p, false, mask, rec, false); else rec.Abort();
          break;
        case ioDCX:
          if (c.DcxReadPage != nullptr) c.DcxReadPage(S, &bmp, *p, false, rec); else rec.Abort();
          break;
        case ioDICOM:
          if (c.DicomReadImage != nullptr) c.DicomReadImage(S, *p, &bmp, false, rec); else rec.Abort();
          break;
        default: rec.Abort(); break;
      }
      if (ft == ioTIFF || ft == ioDCX || ft == ioDICOM) {
        if (p->DpiX < 2) p->SetDpiX(IEDefaultDpiX);
        if (p->DpiY < 2) p->SetDpiY(IEDefaultDpiY);
      }
      if (mask != nullptr) {
        if (ft == ioGIF || ft == ioTIFF || ft == ioICO) IOMaskToAlpha(mask, &bmp);
        delete mask;
      }
      TIEBitmap* picture = &bmp;
      std::unique_ptr<TIEBitmap> adjusted;
      if (AutoAdjustDPI && ft != ioICO) {
        TIEBitmap* a = IEAdjustDPI(&bmp, p, FilteredAdjustDPI);
        if (a != &bmp) adjusted.reset(a);
        picture = a;
      }
      p->SetImageIndex(i);
      p->FileType = ft;
      p->FileName = FCurrentFileName;
      if (Aborting.load()) {
        g->DeleteImage(i);
        break;
      }
      if (count == 0) {
        g->DeleteImage(i);
      } else {
        int delay = 100;
        if (ft == ioGIF) {
          if (count > 1 && !picture->IsEmpty()) picture = canvas.Compose(picture, *p);
          g->SetImageBackground(i, TColor(p->GIF_Background.r) | TColor(p->GIF_Background.g) << 8 |
                                       TColor(p->GIF_Background.b) << 16);
          delay = p->GIF_DelayTime >= 1 ? p->GIF_DelayTime * 10 : lastDelay;
          lastDelay = delay;
        }
        g->SetImage(i, picture);
        g->SetImageDelayTime(i, delay);
      }
      if (count > 0) DoProgress(static_cast<int>(k * (100.0 / count)));
      if (Aborting.load() || k + 1 >= count) break;
    }
  } catch (...) {
    FAttachedMView->UnlockPaint();
    DoFinishWork();
    throw;
  }
  UpdateView();
  FAttachedMView->UnlockPaint();
  DoFinishWork();
}

void TImageryMIO::LoadMultiFile(int32_t ft, const std::string& FileName) {
  Aborting.store(false);
  TIEWideFileStream fs(FileName, fmOpenRead);  // raises the open error
  FCurrentFileName = FileName;
  try {
    LoadMulti(ft, &fs);
  } catch (...) {
    FCurrentFileName.clear();
    throw;
  }
  FCurrentFileName.clear();
}

void TImageryMIO::LoadFromStreamGIF(TStream* Stream) { LoadMulti(ioGIF, Stream); }
void TImageryMIO::LoadFromStreamTIFF(TStream* Stream) { LoadMulti(ioTIFF, Stream); }
void TImageryMIO::LoadFromStreamICO(TStream* Stream) { LoadMulti(ioICO, Stream); }
void TImageryMIO::LoadFromStreamDCX(TStream* Stream) { LoadMulti(ioDCX, Stream); }
void TImageryMIO::LoadFromStreamDICOM(TStream* Stream) { LoadMulti(ioDICOM, Stream); }
void TImageryMIO::LoadFromFileGIF(const std::string& FileName) { LoadMultiFile(ioGIF, FileName); }
void TImageryMIO::LoadFromFileTIFF(const std::string& FileName) { LoadMultiFile(ioTIFF, FileName); }
void TImageryMIO::LoadFromFileICO(const std::string& FileName) { LoadMultiFile(ioICO, FileName); }
void TImageryMIO::LoadFromFileDCX(const std::string& FileName) { LoadMultiFile(ioDCX, FileName); }
void TImageryMIO::LoadFromFileDICOM(const std::string& FileName) { LoadMultiFile(ioDICOM, FileName); }

void TImageryMIO::LoadFromFileAVI(const std::string& FileName) {
  // No AVI decoder on this platform: the AVI route fails to open its frame decoder and falls back
  // to the media route, as it does for files the AVI library cannot read.
  if (Grid() == nullptr) return;
  LoadFromMediaFile(FileName);
}

void TImageryMIO::LoadFromMediaFile(const std::string& FileName) {
  // No media graph on this platform: the duration cannot be had, which the media route treats as
  // a failure (Aborting, one finish).
  (void)FileName;
  if (Grid() == nullptr) return;
  FAttachedMView->LockPaint();
  Aborting.store(true);
  FAttachedMView->UnlockPaint();
  DoFinishWork();
}

void TImageryMIO::LoadFromURL(const std::string& URL) {
  TMemoryStream ms;
  std::string ext;
  const bool ok = IEGetFromURL(URL, &ms, ProxyAddress, &ext, &Aborting, this,
                               [this](TObject*, int Per) { DoProgress(Per); }, ProxyUser, ProxyPassword);
  if (!ok) {
    Aborting.store(true);
    DoFinishWork();
    return;
  }
  FCurrentFileName = URL;
  ms.SetPosition(0);
  try {
    if (!Aborting.load()) {
      const int32_t ft = IEFindStreamFormat(&ms);
      if (ft == ioTIFF || ft == ioGIF || ft == ioICO || ft == ioDCX || ft == ioDICOM) {
        LoadFromStreamFormat(&ms, ft);
      } else {
        // Other formats load through a temporary file named with the resource's extension. The
        // extension comes from the server, so only its letters and digits name the file.
        std::string safe;
        for (char c : ext)
          if (std::isalnum(static_cast<unsigned char>(c))) safe += c;
        const std::string temp = IEGetTempFileName() + "." + safe;
        ms.SaveToFile(temp);
        try {
          LoadFromFile(temp);
        } catch (...) {
          DeleteFile(temp);
          throw;
        }
        DeleteFile(temp);
      }
    }
  } catch (...) {
    FCurrentFileName.clear();
    throw;
  }
  FCurrentFileName.clear();
}

static std::string LowerExtOf(const std::string& Name) {
  size_t dot = Name.find_last_of('.'), slash = Name.find_last_of('/');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
  std::string e = Name.substr(dot);
  for (char& ch : e) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return e;
}

void TImageryMIO::LoadFromFile(const std::string& FileName) {
  const std::string name = Trim(FileName);
  if (name.empty()) {
    Aborting.store(true);
    return;
  }
  std::string lower = name;
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  if (lower.rfind("http://", 0) == 0 || lower.rfind("https://", 0) == 0 || lower.rfind("ftp://", 0) == 0)
    return LoadFromURL(name);
  Aborting.store(false);
  const std::string e = LowerExtOf(name);
  if (e == ".gif") return LoadFromFileGIF(name);
  if (e == ".tif" || e == ".tiff" || e == ".fax" || e == ".g3f" || e == ".g3n" || e == ".xif") return LoadFromFileTIFF(name);
  if (e == ".avi") return LoadFromFileAVI(name);
  if (e == ".ico") return LoadFromFileICO(name);
  if (e == ".dcx") return LoadFromFileDCX(name);
  if (e == ".dicom" || e == ".dcm" || e == ".dic") return LoadFromFileDICOM(name);
  TIEMultiImageTarget* g = Grid();
  if (g != nullptr && IEIsExtensionReadable(name)) {
    int i = InsertionIndex();
    g->InsertImageEx(i);
    g->LoadImageFromFile(i, name);
    return;
  }
  LoadFromMediaFile(name);
}

void TImageryMIO::LoadFromFileAuto(const std::string& FileName) {
  int32_t ft = IEFindFileFormat(FileName, false);
  if (ft != 0)
    LoadFromFileFormat(FileName, ft);
  else
    LoadFromFile(FileName);
}

void TImageryMIO::LoadFromFileFormat(const std::string& FileName, int32_t FileType) {
  switch (FileType) {
    case ioTIFF: return LoadFromFileTIFF(FileName);
    case ioGIF: return LoadFromFileGIF(FileName);
    case ioICO: return LoadFromFileICO(FileName);
    case ioAVI: return LoadFromFileAVI(FileName);
    case ioDCX: return LoadFromFileDCX(FileName);
    case ioDICOM: return LoadFromFileDICOM(FileName);
    default: return LoadFromFile(FileName);
  }
}

void TImageryMIO::LoadFromStream(TStream* Stream) { LoadFromStreamFormat(Stream, IEFindStreamFormat(Stream)); }

void TImageryMIO::LoadFromStreamFormat(TStream* Stream, int32_t FileType) {
  switch (FileType) {
    case 0: return;
    case ioTIFF: return LoadFromStreamTIFF(Stream);
    case ioGIF: return LoadFromStreamGIF(Stream);
    case ioICO: return LoadFromStreamICO(Stream);
    case ioDCX: return LoadFromStreamDCX(Stream);
    case ioDICOM: return LoadFromStreamDICOM(Stream);
    default: break;
  }
  TIEMultiImageTarget* g = Grid();
  if (g == nullptr) return;
  int i = InsertionIndex();
  g->InsertImageEx(i);
  g->LoadImageFromStream(i, Stream);
}

void TImageryMIO::LoadFromFiles(const std::string& List, bool Detect, bool Lazy) {
  std::vector<std::string> names;
  size_t s = 0;
  for (;;) {
    size_t bar = List.find('|', s);
    if (bar == std::string::npos) {
      if (s < List.size()) names.push_back(Trim(List.substr(s)));
      break;
    }
    names.push_back(Trim(List.substr(s, bar - s)));
    s = bar + 1;
  }
  TIEMultiImageTarget* g = Grid();
  if (g != nullptr) FAttachedMView->LockPaint();
  try {
    for (const std::string& name : names) {
      int idx = g != nullptr ? InsertionIndex() : 0;
      if (Detect) {
        LoadFromFileAuto(name);
      } else if (Lazy && g != nullptr) {
        idx = g->AppendImage();
        g->SetImageFileName(idx, name + "::0");
      } else {
        LoadFromFile(name);
      }
      g = Grid();
      if (g != nullptr && idx >= 0 && idx < g->ImageCount()) g->SetImageBottomText(idx, ExtractFileName(name));
    }
  } catch (...) {
    if (Grid() != nullptr) FAttachedMView->UnlockPaint();
    throw;
  }
  if (Grid() != nullptr) FAttachedMView->UnlockPaint();
}

void TImageryMIO::HandleAcquiredBitmap(TIEBitmap* Bitmap, TIOParamsVals*& Params) {
  Params = nullptr;
  bool handled = false;
  if (OnAcquireBitmap) OnAcquireBitmap(this, Bitmap, handled);
  TIEMultiImageTarget* g = Grid();
  if (handled || g == nullptr) return;
  FAcquireIndex = std::clamp(FAcquireIndex, 0, g->ImageCount());
  const int i = FAcquireIndex;
  g->InsertImageEx(i);
  Params = GetParams(i);
  TIEBitmap* picture = Bitmap;
  std::unique_ptr<TIEBitmap> adjusted;
  if (AutoAdjustDPI && Params != nullptr) {
    picture = IEAdjustDPI(Bitmap, Params, FilteredAdjustDPI);
    if (picture != Bitmap) adjusted.reset(picture);
  }
  g->SetImage(i, picture);
  g->SetImageDelayTime(i, 100);
  if (OnAfterAcquireBitmap) OnAfterAcquireBitmap(this, i);
  ++FAcquireIndex;
}

// ---------------------------------------------------------------- multi-page documents

bool TImageryMIO::CanSaveDocument(int32_t ft) {
  const TIECodecs& c = IECodecs;
  const bool writer = ft == ioPS ? c.PsBeginDocument && c.PsWritePage && c.PsEndDocument
                                 : c.PdfBeginDocument && c.PdfWritePage && c.PdfEndDocument;
  TIEMultiImageTarget* g = Grid();
  return writer && g != nullptr && g->ImageCount() > 0;
}

// One page per grid image. The document is ended also when a page fails (the error then escapes),
// so that its context is freed and the stream holds a complete document of the pages written.
void TImageryMIO::SaveDocument(int32_t ft, TStream* S) {
  const TIECodecs& c = IECodecs;
  TIEMultiImageTarget* g = Grid();
  TIOParamsVals defaults;
  auto paramsOf = [&](int i) -> TIOParamsVals& {
    TIOParamsVals* p = GetParams(i);
    return p != nullptr ? *p : defaults;
  };
  TIEProgressRec rec;
  rec.Sender = this;
  rec.Aborting = &Aborting;
  // The settings are taken before any picture is fetched: fetching loads a picture that was not
  // in memory yet, and that load gives its image the parameter set read from the file.
  TIOParamsVals document, page;
  document.Assign(&paramsOf(0));
  TIEPSContext* ps = nullptr;
  TIEPDFContext* pdf = nullptr;
  if (ft == ioPS)
    ps = c.PsBeginDocument(S, document);
  else
    pdf = c.PdfBeginDocument();
  auto end = [&] {
    if (ps != nullptr) c.PsEndDocument(ps, S);
    if (pdf != nullptr) c.PdfEndDocument(pdf, S, document);
    ps = nullptr;
    pdf = nullptr;
  };
  try {
    const int count = g->ImageCount();
    for (int k = 0; k < count && !Aborting.load(); ++k) {
      page.Assign(&paramsOf(k));
      TIEBitmap* b = g->FetchImageBitmap(k);
      if (b == nullptr) continue;
      try {
        if (ps != nullptr)
          c.PsWritePage(ps, S, b, rec, page);
        else
          c.PdfWritePage(pdf, b, page, rec);
      } catch (...) {
        g->ReleaseImageBitmap(k);
        throw;
      }
      g->ReleaseImageBitmap(k);
      DoProgress(static_cast<int>((k + 1) * 100.0 / count));
    }
  } catch (...) {
    try {
      end();
    } catch (...) {
    }
    throw;
  }
  end();
}

void TImageryMIO::SaveDocumentFile(int32_t ft, const std::string& FileName) {
  Aborting.store(false);
  if (!CanSaveDocument(ft)) {
    Aborting.store(true);
    DoFinishWork();
    return;
  }
  try {
    TIEWideFileStream fs(FileName, 65535);  // created anew
    SaveDocument(ft, &fs);
  } catch (...) {
    DoFinishWork();
    throw;
  }
  DoFinishWork();
}

void TImageryMIO::SaveToFilePS(const std::string& FileName) { SaveDocumentFile(ioPS, FileName); }
void TImageryMIO::SaveToFilePDF(const std::string& FileName) { SaveDocumentFile(ioPDF, FileName); }

void TImageryMIO::SaveToStreamPS(TStream* Stream) {
  Aborting.store(false);
  if (Stream == nullptr || !CanSaveDocument(ioPS)) {
    Aborting.store(true);
  } else {
    try {
      SaveDocument(ioPS, Stream);
    } catch (...) {
      DoFinishWork();
      throw;
    }
  }
  DoFinishWork();
}

void TImageryMIO::SaveToStreamPDF(TStream* Stream) {
  Aborting.store(false);
  if (Stream == nullptr || !CanSaveDocument(ioPDF)) {
    Aborting.store(true);
  } else {
    try {
      SaveDocument(ioPDF, Stream);
    } catch (...) {
      DoFinishWork();
      throw;
    }
  }
  DoFinishWork();
}
