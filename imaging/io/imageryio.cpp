// TImageryIO: target management, the frame pieces (progress, finish, refresh, DPI) and the
// worker list. The load and save methods are in imageryio_formats.cpp, detection in iedetect.cpp.
#include "imaging/io/imageryio.h"

#include <cmath>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieview.h"
#include "imaging/core/ieresample.h"
#include "imaging/io/ieiohelpers.h"
#include "imaging/io/ieiothread.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/threads.h"
#include "platform/vcl/graphics.h"

ORV_CLASS_IMPL(TImageryIO, TComponent)

TIEViewWindowLink IEViewWindowLink;

TImageryIO::TImageryIO(TComponent* AOwner) : TComponent(AOwner), FThreadsCS(std::make_unique<TCriticalSection>()) {
  FIEBitmap = new TIEBitmap();
  FOwnsBitmap = true;
  Params = new TIOParamsVals(this);
  FPreviewFont = std::make_unique<TFont>();
}

TImageryIO::~TImageryIO() {
  WaitThreads(false);
  // An open multi-page document is finished; a failing write cannot escape a destructor.
  try {
    ClosePSFile();
  } catch (...) {
  }
  try {
    ClosePDFFile();
  } catch (...) {
  }
  Unregister();
  delete Params;
  Params = nullptr;
  if (FOwnsBitmap) delete FIEBitmap;
  FIEBitmap = nullptr;
}

void TImageryIO::Unregister() {
  if (FAttachedImagery != nullptr && FListenerIndex != -1) FAttachedImagery->UnregisterListener(FListenerIndex);
  FListenerIndex = -1;
}

void TImageryIO::SetAttachedImagery(TIEView* Value) {
  Unregister();
  if (Value == nullptr) {
    FAttachedImagery = nullptr;
    if (!FOwnsBitmap) {
      FIEBitmap = new TIEBitmap();
      FOwnsBitmap = true;
    }
    return;
  }
  TIEBitmap* B = Value->GetIEBitmap();
  if (B != nullptr) {
    if (FOwnsBitmap) delete FIEBitmap;
    FIEBitmap = B;
    FOwnsBitmap = false;
  } else if (!FOwnsBitmap) {
    // A view without a TIEBitmap of its own: the component keeps a bitmap of its own for it.
    FIEBitmap = new TIEBitmap();
    FOwnsBitmap = true;
  }
  FAttachedImagery = Value;
  FListenerIndex = Value->RegisterListener([this](TIEView* Sender, int Event) { ViewChanged(Sender, Event); });
}

void TImageryIO::ViewChanged(TIEView* Sender, int Event) {
  if (Sender != FAttachedImagery) return;
  if (Event == 1) {
    // the view is being destroyed: forget it (its bitmap goes with it)
    FAttachedImagery = nullptr;
    FListenerIndex = -1;
    return;
  }
  if (Event == 0) {
    if (TIEBitmap* B = Sender->GetIEBitmap(); B != nullptr && B != FIEBitmap) {
      if (FOwnsBitmap) delete FIEBitmap;
      FIEBitmap = B;
      FOwnsBitmap = false;
    }
    Params->DpiX = Sender->DpiX();
    Params->DpiY = Sender->DpiY();
  }
}

void TImageryIO::AttachBitmap(TIEBitmap* Bitmap) {
  Unregister();
  if (Bitmap == nullptr && FAttachedImagery != nullptr) return;
  ReplaceBitmap(Bitmap);
  if (Bitmap != nullptr) FAttachedImagery = nullptr;
}

void TImageryIO::ReplaceBitmap(TIEBitmap* Bitmap) {
  if (FOwnsBitmap) delete FIEBitmap;
  FIEBitmap = Bitmap;
  FOwnsBitmap = false;
}

void TImageryIO::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
}

TColor TImageryIO::Background() const {
  return FAttachedImagery != nullptr ? FAttachedImagery->Background() : FBackground;
}

void TImageryIO::SetBackground(TColor Value) {
  if (FAttachedImagery == nullptr) {
    FBackground = Value;
    return;
  }
  if (ChangeBackground) FAttachedImagery->SetBackground(Value);
}

bool TImageryIO::NativePixelFormat() const { return Params != nullptr && Params->IsNativePixelFormat; }
void TImageryIO::SetNativePixelFormat(bool Value) {
  if (Params != nullptr) Params->IsNativePixelFormat = Value;
}

bool TImageryIO::MakeConsistentBitmap(uint32_t AllowedFormats) {
  if (FIEBitmap == nullptr) return false;
  if (AllowedFormats == 0) return true;
  return (AllowedFormats & (1u << FIEBitmap->PixelFormat())) != 0;
}

bool TImageryIO::InsideWorkerWithParentView() {
  if (FAttachedImagery == nullptr || !IEViewWindowLink.PostMessage || !IEViewWindowLink.HasParentWindow) return false;
  return IsInsideAsyncThreads() && IEViewWindowLink.HasParentWindow(FAttachedImagery);
}

void TImageryIO::DoProgress(TObject* Sender, int Per) {
  if (!OnProgress) return;
  if (InsideWorkerWithParentView()) {
    IEViewWindowLink.PostMessage(FAttachedImagery, IEM_PROGRESS, static_cast<uintptr_t>(Per), 0);
    return;
  }
  OnProgress(Sender, Per);
}

void TImageryIO::DoFinishWork() {
  DoProgress(this, 100);
  if (!OnFinishWork) return;
  if (InsideWorkerWithParentView()) {
    IEViewWindowLink.PostMessage(FAttachedImagery, IEM_FINISHWORK, 0, 0);
    return;
  }
  OnFinishWork(this);
}

void TImageryIO::SetDefaultDitherMethod(uint8_t Value) {
  FDefaultDitherMethod = Value;
  if (FIEBitmap != nullptr) FIEBitmap->DitherMethod = Value;
}

void TImageryIO::Update() {
  if (FAttachedImagery == nullptr) return;
  // A worker must not touch a windowed view: the view's own thread repaints on the message.
  if (InsideWorkerWithParentView())
    IEViewWindowLink.PostMessage(FAttachedImagery, IEM_UPDATE, 0, 0);
  else
    FAttachedImagery->Update();
  FAttachedImagery->ImageChange();
}

namespace {

// The single-image view (and its vector-object descendant) lives above this library: it is
// recognised by its class name in the view's class chain.
bool IsSingleImageView(const TIEView* View) {
  for (TClass c = View->ClassType(); c != nullptr; c = c->Parent)
    if (std::string(c->Name) == "TImageryView") return true;
  return false;
}

}  // namespace

void TImageryIO::UpdateViewDPI() {
  if (FAttachedImagery == nullptr || !IsSingleImageView(FAttachedImagery)) return;
  FAttachedImagery->LockPaint();
  FAttachedImagery->SetDpiX(Params->DpiX);
  FAttachedImagery->SetDpiY(Params->DpiY);
  FAttachedImagery->UnlockPaintNoRefresh();
}

void TImageryIO::CheckDPI() {
  if (Params->DpiX < 2) Params->SetDpiX(IEDefaultDpiX);
  if (Params->DpiY < 2) Params->SetDpiY(IEDefaultDpiY);
}

// The new size that makes both DPI equal (the smaller side is stretched); false when nothing is
// to do. Updates DpiX / DpiY / Width / Height directly.
static bool ComputeAdjustDPI(TIOParamsVals* P, int& NewW, int& NewH) {
  if (P->DpiX == P->DpiY || P->DpiX <= 0 || P->DpiY <= 0) return false;
  NewW = P->Width;
  NewH = P->Height;
  if (P->Height < P->Width) {
    NewH = static_cast<int>(std::trunc(double(P->Height) / P->DpiY * P->DpiX));
    P->DpiY = P->DpiX;
  } else {
    NewW = static_cast<int>(std::trunc(double(P->Width) / P->DpiX * P->DpiY));
    P->DpiX = P->DpiY;
  }
  P->Width = NewW;
  P->Height = NewH;
  return NewW > 0 && NewH > 0;
}

// The target takes a W x H copy of itself: a nearest-pixel stretch in its own format, or
// (Filtered) a fast linear resample of its 24-bit form; the alpha channel is stretched apart.
static void ReplaceWithStretched(TIEBitmap* Target, int W, int H, bool Filtered) {
  TIEBitmap* alpha = Target->HasAlphaChannel() ? Target->DetachAlphaChannel() : nullptr;
  TIEBitmap n;
  if (Filtered) {
    Target->SetPixelFormat(ie24RGB);
    n.Allocate(W, H, ie24RGB);
    IEResample(Target, &n, rfFastLinear, nullptr, TIEProgressEvent());
  } else {
    n.Allocate(W, H, Target->PixelFormat());
    IEStretch(Target, &n, nullptr, TIEProgressEvent());
  }
  Target->Assign(&n);
  if (alpha != nullptr) {
    TIEBitmap a;
    a.Allocate(W, H, alpha->PixelFormat());
    IEStretch(alpha, &a, nullptr, TIEProgressEvent());
    Target->GetAlphaChannel()->Assign(&a);
    delete alpha;
  }
}

void TImageryIO::AdjustDPI() {
  if (FIEBitmap == nullptr || FIEBitmap->IsEmpty()) return;
  int w, h;
  if (!ComputeAdjustDPI(Params, w, h)) return;
  ReplaceWithStretched(FIEBitmap, w, h, FilteredAdjustDPI);
}

TIEBitmap* IEAdjustDPI(TIEBitmap* Bitmap, TIOParamsVals* Params, bool Filtered) {
  if (Bitmap == nullptr || Bitmap->IsEmpty()) return Bitmap;
  int dx = Params->DpiX, dy = Params->DpiY, w, h;
  if (!ComputeAdjustDPI(Params, w, h)) return Bitmap;
  int nd = Params->DpiX;  // both are equal now
  Params->DpiX = dx;
  Params->DpiY = dy;
  Params->SetDpiX(nd);
  Params->SetDpiY(nd);
  auto* n = new TIEBitmap();
  n->Assign(Bitmap);
  ReplaceWithStretched(n, w, h, Filtered);
  return n;
}

static void ProgressThunk(void* Data, TObject* Sender, int Per) {
  static_cast<TImageryIO*>(Data)->DoProgress(Sender, Per);
}

void TImageryIO::FillProgress(TIEProgressRec& Rec, bool WithCallback) {
  Rec = TIEProgressRec();
  if (WithCallback) {
    Rec.Callback = &ProgressThunk;
    Rec.Data = this;
  }
  Rec.Sender = this;
  Rec.Aborting = &Aborting;
}

// ---------------------------------------------------------------- workers

bool TImageryIO::Defer(uint8_t Kind, std::function<void()> Call) {
  if (FOwnsBitmap || !AsyncMode || IsInsideAsyncThreads()) return false;
  ReapFinished();
  new TIEIOThread(this, Kind, std::move(Call));
  return true;
}

bool TImageryIO::IsInsideAsyncThreads() {
  TThreadID id = GetCurrentThreadId();
  FThreadsCS->Enter();
  bool found = false;
  for (TIEIOThread* t : FThreads)
    if (t->RunningThreadID() == id) {
      found = true;
      break;
    }
  FThreadsCS->Leave();
  return found;
}

void TImageryIO::ResumeThreads() {
  // Workers start at construction; nothing stays suspended.
}

int TImageryIO::RunningThreads() {
  FThreadsCS->Enter();
  int n = static_cast<int>(FThreads.size());
  FThreadsCS->Leave();
  return n;
}

void TImageryIO::WaitThreads(bool Abort) {
  for (;;) {
    FThreadsCS->Enter();
    if (Abort) Aborting.store(true);
    size_t n = FThreads.size();
    FThreadsCS->Leave();
    if (n == 0) break;
    Sleep(0);
  }
  ReapFinished();
}

void TImageryIO::ReapFinished() {
  std::vector<TIEIOThread*> done;
  FThreadsCS->Enter();
  done.swap(FFinished);
  FThreadsCS->Leave();
  for (TIEIOThread* t : done) delete t;  // joins the OS thread
}

// ---------------------------------------------------------------- acquisition

void TImageryIO::DoAcquireBitmap(TIEBitmap* Bitmap, bool& Handled) {
  if (OnAcquireBitmap) OnAcquireBitmap(this, Bitmap, Handled);
}

void TImageryIO::HandleAcquiredBitmap(TIEBitmap* Bitmap, TIOParamsVals*& ParamsOut) {
  if (FIEBitmap == nullptr) return;
  bool handled = false;
  DoAcquireBitmap(Bitmap, handled);
  if (handled) return;
  ParamsOut = Params;
  FIEBitmap->Assign(Bitmap);
  if (AutoAdjustDPI) AdjustDPI();
  Update();
}
