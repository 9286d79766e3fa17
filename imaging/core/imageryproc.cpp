// The processing component: attachment, the operation frame, the undo and redo lists and the
// operations. The pixel work is done by the routines of the other files of this library.
#include "imaging/core/imageryproc.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "imaging/core/iebitmap.h"
#include "imaging/core/ieblur.h"
#include "imaging/core/iedib.h"
#include "imaging/core/iecolor.h"
#include "imaging/core/iemask.h"
#include "imaging/core/iegeom.h"
#include "imaging/core/ieresample.h"
#include "imaging/core/ierotate.h"
#include "imaging/core/ietransform.h"
#include "imaging/core/ieutils.h"
#include "imaging/core/ieview.h"
#include "platform/rtl/streams.h"
#include "platform/vcl/graphics.h"

ORV_CLASS_IMPL(TImageryProc, TComponent)

void TIPDialogParams::SetPageIndex(int i, int Value) {
  if (i < 0 || i > 3) return;
  FPageIndex[i] = Value;
  FPreview.clear();
}

TImageryProc::TImageryProc(TComponent* AOwner) : TComponent(AOwner), AutoUndo(AOwner != nullptr) {
  FIEBitmap = new TIEBitmap();
  FOwnsImage = true;
  FPreviewFont = std::make_unique<TFont>();
}

void TImageryProc::SetPreviewFont(TFont* Value) {
  if (Value) FPreviewFont->Assign(Value);
}

TImageryProc::~TImageryProc() {
  Unlisten();
  ClearAllUndo();
  ClearAllRedo();
  if (FOwnsImage) delete FIEBitmap;
}

// ---------------------------------------------------------------------------------------------
// Attachment

void TImageryProc::Unlisten() {
  if (FAttachedImagery && FListener != -1) FAttachedImagery->UnregisterListener(FListener);
  FListener = -1;
}

void TImageryProc::OwnNewImage() {
  if (FOwnsImage) delete FIEBitmap;
  FIEBitmap = new TIEBitmap();
  FOwnsImage = true;
}

void TImageryProc::SetAttachedImagery(TIEView* View) {
  Unlisten();
  FAttachedImagery = View;
  if (!View) {
    FTBitmap = nullptr;
    OwnNewImage();
    return;
  }
  if (FOwnsImage) {
    delete FIEBitmap;
    FIEBitmap = nullptr;
    FOwnsImage = false;
  }
  FIEBitmap = View->GetIEBitmap();
  FTBitmap = nullptr;
  if (!FIEBitmap) {
    // A view that holds its picture only in a class-library bitmap is worked on through an own
    // image that encapsulates that bitmap.
    FTBitmap = View->GetBitmap();
    FIEBitmap = new TIEBitmap();
    FOwnsImage = true;
    if (FTBitmap) FIEBitmap->EncapsulateTBitmap(FTBitmap, true);
  }
  FListener = View->RegisterListener([this](TIEView*, int Event) { ViewChanged(Event); });
}

void TImageryProc::ViewChanged(int Event) {
  if (!FAttachedImagery) return;
  if (Event == 1) {
    FAttachedImagery = nullptr;  // the view is going; its listener list goes with it
    FListener = -1;
    return;
  }
  FTBitmap = FAttachedImagery->GetBitmap();
  if (TIEBitmap* b = FAttachedImagery->GetIEBitmap()) {
    if (FOwnsImage) delete FIEBitmap;
    FOwnsImage = false;
    FIEBitmap = b;
    FTBitmap = nullptr;
  } else if (FOwnsImage && FTBitmap) {
    FIEBitmap->EncapsulateTBitmap(FTBitmap, true);
  }
}

void TImageryProc::SetAttachedBitmap(TIEBitmap* Bitmap) {
  Unlisten();
  if (!Bitmap && FAttachedImagery) return;
  FTBitmap = nullptr;
  if (FOwnsImage) delete FIEBitmap;
  FOwnsImage = false;
  FIEBitmap = Bitmap;
  if (Bitmap) FAttachedImagery = nullptr;
}

TColor TImageryProc::GetBackground() const { return FAttachedImagery ? FAttachedImagery->Background() : FBackground; }

void TImageryProc::SetBackground(TColor Value) {
  if (FAttachedImagery)
    FAttachedImagery->SetBackground(Value);
  else
    FBackground = Value;
}

// ---------------------------------------------------------------------------------------------
// Frame

namespace {
// Preferred conversions of each pixel format, in order.
const TIEPixelFormat kPreferred[IEPixelFormatCount][6] = {
    {},                                                  // ieNone
    {ie8g, ie16g, ie32f, ie24RGB},                       // ie1g
    {ie24RGB, ieCMYK, ieRGB48, ieCIELab},                // ie8p
    {ie16g, ie32f, ie24RGB, ieCMYK, ieRGB48},            // ie8g
    {ie32f, ie8g, ieRGB48, ie24RGB, ieCMYK},             // ie16g
    {ieCMYK, ieCIELab, ieRGB48, ie8p, ie16g, ie8g},      // ie24RGB
    {ie16g, ie8g, ie24RGB, ieRGB48, ieCIELab},           // ie32f
    {ie24RGB, ieRGB48, ieCIELab, ie8g},                  // ieCMYK
    {ie24RGB, ieCMYK, ieCIELab, ie16g},                  // ieRGB48
    {ie24RGB, ieCMYK, ieRGB48, ie8g},                    // ieCIELab
    {ie24RGB, ieCMYK, ieRGB48, ie8g},                    // ie32RGB
};
constexpr TIEPixelFormatSet kOnly24 = IEPixelFormatBit(ie24RGB);
}  // namespace

bool TImageryProc::PrepareBitmap(TIEPixelFormatSet Allowed) {
  if (!FIEBitmap) return false;
  // Changes made to the class-library bitmap from outside are seen.
  if (FTBitmap) FIEBitmap->EncapsulateTBitmap(FTBitmap, false);
  const TIEPixelFormat pf = FIEBitmap->PixelFormat();
  if (Allowed == 0 || (Allowed & IEPixelFormatBit(pf))) return true;
  if (!AutoConvertFormat) return false;
  for (TIEPixelFormat f : kPreferred[pf]) {
    if (f == ieNone) break;
    if (Allowed & IEPixelFormatBit(f)) {
      FIEBitmap->SetPixelFormat(f);
      return true;
    }
  }
  for (int f = IEPixelFormatCount - 1; f >= 0; --f)
    if (Allowed & (1u << f)) {
      FIEBitmap->SetPixelFormat(static_cast<TIEPixelFormat>(f));
      return true;
    }
  return false;
}

bool TImageryProc::GetWorkArea(int& X1, int& Y1, int& X2, int& Y2, TIEMask*& Mask, TIEPoint*& Polygon,
                               int& PolygonCount) {
  if (FTBitmap && FIEBitmap) FIEBitmap->EncapsulateTBitmap(FTBitmap, false);
  X1 = Y1 = 0;
  X2 = FIEBitmap ? FIEBitmap->Width() : 0;
  Y2 = FIEBitmap ? FIEBitmap->Height() : 0;
  Mask = nullptr;
  Polygon = nullptr;
  PolygonCount = 0;
  TIEProcViewServices* view = Services();
  if (!view || !view->HasLayers()) return false;
  Mask = view->SelectionMask();
  if (!view->Selected()) return false;
  if (Mask && !Mask->IsEmpty()) {
    X1 = Mask->X1;
    Y1 = Mask->Y1;
    X2 = Mask->X2 + 1;
    Y2 = Mask->Y2 + 1;
  }
  Polygon = view->GetSelectionPoints();
  PolygonCount = view->GetSelectionPointCount();
  return true;
}

bool TImageryProc::BeginSelectionWork(TIEPixelFormatSet Allowed, const std::string& Caption, TIEBitmap*& WorkBitmap,
                                      TIEMask*& Mask, int& X1, int& Y1, int& X2, int& Y2) {
  if (AutoUndo) SaveUndoCaptioned(Caption, ieuImage);
  WorkBitmap = nullptr;
  Mask = nullptr;
  if (!PrepareBitmap(Allowed)) return false;
  TIEPoint* poly;
  int polyCount;
  GetWorkArea(X1, Y1, X2, Y2, Mask, poly, polyCount);
  if (!Mask || Mask->IsEmpty()) {
    WorkBitmap = FIEBitmap;
    return true;
  }
  const int w = Mask->X2 - Mask->X1 + 1, h = Mask->Y2 - Mask->Y1 + 1;
  WorkBitmap = new TIEBitmap();
  WorkBitmap->SetLocation(ieMemory);
  if (!WorkBitmap->Allocate(w, h, FIEBitmap->PixelFormat())) {
    delete WorkBitmap;
    WorkBitmap = nullptr;
    return false;
  }
  FIEBitmap->CopyPaletteTo(WorkBitmap);
  FIEBitmap->CopyRectTo(WorkBitmap, Mask->X1, Mask->Y1, 0, 0, w, h);
  X1 = Y1 = 0;
  X2 = w;
  Y2 = h;
  return true;
}

void TImageryProc::EndSelectionWork(TIEBitmap* WorkBitmap, TIEMask* Mask) {
  if (WorkBitmap && WorkBitmap != FIEBitmap) {
    if (Mask) {
      Mask->CopyBitmap(FIEBitmap, WorkBitmap, false, true, false);
      if (WorkBitmap->HasAlphaChannel() && !WorkBitmap->GetAlphaChannel()->Full) {
        Mask->CopyAlpha(FIEBitmap, WorkBitmap, true, false);
        FIEBitmap->GetAlphaChannel()->Full = false;
      }
    }
    delete WorkBitmap;
  }
  Update();
}

void TImageryProc::Update() {
  if (FTBitmap && FIEBitmap) {
    FIEBitmap->RemoveAlphaChannel(false);  // the class-library bitmap cannot hold it
    // Operations that change the size or format give the image storage of its own; the result
    // goes back into the view's class-library bitmap, which the image then encapsulates again.
    if (FIEBitmap->Bitmap() != FTBitmap && !FIEBitmap->IsEmpty()) {
      const TIEPixelFormat pf = FIEBitmap->PixelFormat();
      if (pf != ie1g && pf != ie8p && pf != ie8g && pf != ie24RGB && pf != ie32RGB) FIEBitmap->SetPixelFormat(ie24RGB);
      TIEBitmap holder;
      holder.SetLocation(ieTBitmap);
      holder.CopyImageFrom(FIEBitmap);
      if (holder.Bitmap()) IECopyTBitmapTo(holder.Bitmap(), FTBitmap);
      FIEBitmap->EncapsulateTBitmap(FTBitmap, true);
    }
  }
  if (FAttachedImagery) FAttachedImagery->ImageChange();
}

void TImageryProc::DoFinishWork() {
  if (OnProgress) OnProgress(this, 100);
  if (OnFinishWork) OnFinishWork(this);
}

void TImageryProc::Clear() {
  if (!PrepareBitmap(0)) return;
  if (AutoUndo) SaveUndoCaptioned("Clear", ieuImage);
  FIEBitmap->Fill(GetBackground());
  Update();
  DoFinishWork();
}

// ---------------------------------------------------------------------------------------------
// Undo and redo

TIEProcViewServices* TImageryProc::Services() const {
  return dynamic_cast<TIEProcViewServices*>(FAttachedImagery);
}

bool TImageryProc::MakeSnapshot(TIEUndoSource Source, TSnapshot& Snapshot) {
  TIEProcViewServices* view = Services();
  Snapshot.Kind = Source;
  switch (Source) {
    case ieuImage: {
      if (!PrepareBitmap(0)) return false;
      if (FIEBitmap->Width() < 2 || FIEBitmap->Height() < 2) return false;
      auto image = std::make_unique<TIEBitmap>();
      // Snapshots always go to a temporary file, so that long histories of large images hold no memory.
      image->MemoryThreshold = 0;
      image->SetLocation(FUndoLocation);
      image->Assign(FIEBitmap);
      Snapshot.Image = std::move(image);
      Snapshot.Layer = view && view->HasLayers() ? view->CurrentLayerIndex() : -1;
      return true;
    }
    case ieuSelection:
    case ieuLayerProps:
    case ieuLayerPropsAndImage: {
      if (!view || !view->HasLayers()) return false;
      Snapshot.Stream = std::make_unique<TMemoryStream>();
      if (Source == ieuSelection) {
        view->SaveSelectionToStream(Snapshot.Stream.get());
      } else {
        const int current = view->CurrentLayerIndex();
        for (int i = 0; i < view->LayersCount(); ++i)
          view->LayerSaveToStream(i, Snapshot.Stream.get(), Source == ieuLayerPropsAndImage && i == current);
      }
      return true;
    }
    case ieuObject:
    case ieuLayersAndObjects:
      if (!view || !view->HasVectorObjects()) return false;
      Snapshot.Stream = std::make_unique<TMemoryStream>();
      if (Source == ieuObject)
        view->SaveToStreamIEV(Snapshot.Stream.get());
      else
        view->SaveToStreamAll(Snapshot.Stream.get(), -1);
      return true;
    default:
      return false;
  }
}

bool TImageryProc::AppendSnapshot(std::vector<TSnapshot>& List, TIEUndoSource Source) {
  if (FUndoLimit <= 0) return false;
  TSnapshot snap;
  if (!MakeSnapshot(Source, snap)) return false;
  while (!List.empty() && static_cast<int>(List.size()) >= FUndoLimit) List.erase(List.begin());
  List.push_back(std::move(snap));
  return true;
}

void TImageryProc::SaveUndo(TIEUndoSource Source) {
  if (FUndoLimit == 0) return;
  if (Source == ieuImage && !PrepareBitmap(0)) return;
  AppendSnapshot(FUndo, Source);
  if (OnSaveUndo) OnSaveUndo(this, Source);
}

void TImageryProc::SaveUndoCaptioned(const std::string& Caption, TIEUndoSource Source) {
  if (!PrepareBitmap(0) || FIEBitmap->Width() < 2 || FIEBitmap->Height() < 2) return;
  const size_t before = FUndo.size();
  const TIEBitmap* last = before ? FUndo.back().Image.get() : nullptr;
  SaveUndo(Source);
  if (FUndo.size() != before || (!FUndo.empty() && FUndo.back().Image.get() != last)) FUndo.back().Caption = Caption;
}

void TImageryProc::SaveRedo(TIEUndoSource Source) { AppendSnapshot(FRedo, Source); }

void TImageryProc::Restore(TSnapshot& Snapshot) {
  TIEProcViewServices* view = Services();
  TMemoryStream* stream = Snapshot.Stream.get();
  if (stream) stream->SetPosition(0);
  switch (Snapshot.Kind) {
    case ieuImage: {
      if (!Snapshot.Image) return;
      TIEBitmap* target = FIEBitmap;
      if (view && view->HasLayers() && Snapshot.Layer >= 0 && view->LayersCount() > 0)
        target = view->LayerBitmap(std::clamp(Snapshot.Layer, 0, view->LayersCount() - 1));
      if (target) target->Assign(Snapshot.Image.get());
      Update();
      return;
    }
    case ieuSelection:
      if (view && view->HasLayers() && stream) view->LoadSelectionFromStream(stream, 1);
      return;
    case ieuObject:
      if (view && view->HasVectorObjects() && stream) view->LoadFromStreamIEV(stream);
      return;
    case ieuLayersAndObjects:
      if (view && view->HasVectorObjects() && stream) view->LoadFromStreamAll(stream);
      return;
    case ieuLayerProps:
    case ieuLayerPropsAndImage: {
      if (!view || !view->HasLayers() || !stream) return;
      // Records are matched to layers by identifier; a record of a layer that is gone is skipped.
      const int64_t size = stream->Size();
      while (stream->Position() + 20 <= size) {
        const int64_t start = stream->Position();
        int32_t length = 0;
        uint8_t guid[16];
        stream->ReadBuffer(&length, 4);
        stream->ReadBuffer(guid, 16);
        if (length < 20) break;  // a damaged record would never advance
        int found = -1;
        for (int i = 0; i < view->LayersCount() && found < 0; ++i) {
          uint8_t g[16];
          view->LayerGUID(i, g);
          if (std::memcmp(g, guid, 16) == 0) found = i;
        }
        stream->SetPosition(start);
        if (found >= 0)
          view->LayerLoadFromStream(found, stream);
        if (stream->Position() <= start || found < 0) stream->SetPosition(start + length);
      }
      view->UpdateView();
      return;
    }
    default:
      return;
  }
}

void TImageryProc::Undo(bool SaveRedo) { UndoAt(0, SaveRedo); }

void TImageryProc::UndoAt(int Index, bool SaveRedoFlag) {
  if (!PrepareBitmap(0)) return;
  if (Index < 0 || Index >= static_cast<int>(FUndo.size())) return;
  const size_t pos = FUndo.size() - 1 - static_cast<size_t>(Index);
  if (SaveRedoFlag) SaveRedo(FUndo[pos].Kind);
  Restore(FUndo[pos]);
}

void TImageryProc::Redo() { RedoAt(0); }

void TImageryProc::RedoAt(int Index) {
  if (!PrepareBitmap(0)) return;
  if (Index < 0 || Index >= static_cast<int>(FRedo.size())) return;
  Restore(FRedo[FRedo.size() - 1 - static_cast<size_t>(Index)]);
}

void TImageryProc::ClearUndoAt(int Index) {
  if (Index < 0 || Index >= static_cast<int>(FUndo.size())) return;
  FUndo.erase(FUndo.begin() + static_cast<long>(FUndo.size() - 1 - static_cast<size_t>(Index)));
}

void TImageryProc::ClearRedo() {
  if (!FRedo.empty()) FRedo.pop_back();
}

TIEUndoSource TImageryProc::GetUndoSource(int Index) const {
  if (Index < 0 || Index >= static_cast<int>(FUndo.size())) return static_cast<TIEUndoSource>(0);
  return FUndo[static_cast<size_t>(Index)].Kind;
}

void TImageryProc::ClearAllUndo() { FUndo.clear(); }
void TImageryProc::ClearAllRedo() { FRedo.clear(); }

// ---------------------------------------------------------------------------------------------
// Operations

void TImageryProc::Rotate(double Angle, uint8_t Method, uint8_t AntialiasMode, TColor Background) {
  if (Angle == 0 || !std::isfinite(Angle)) return;
  if (!PrepareBitmap(0)) return;
  if (AutoUndo) SaveUndoCaptioned("Rotate " + IEFloatToDotStr(Angle), ieuImage);
  if (Background == -1) Background = GetBackground();
  TIEBitmap* bmp = FIEBitmap;
  std::unique_ptr<TIEBitmap> alpha;
  if (bmp->HasAlphaChannel()) {
    alpha = std::make_unique<TIEBitmap>();
    alpha->SetLocation(ieMemory);
    alpha->Assign(bmp->GetAlphaChannel());
  }
  const TIEPixelFormat pf = bmp->PixelFormat();
  if (Method == 1 && (pf == ie24RGB || pf == ie1g)) {
    if (AntialiasMode != 0 && !IEIsRightAngle(Angle) && pf == ie24RGB) {
      if (alpha) IERotateAntialias8(alpha.get(), 0, AntialiasMode, Angle);
      IERotateAntialias24(bmp, Background, AntialiasMode, this, OnProgress, Angle);
    } else {
      if (alpha) {
        if (pf == ie1g)
          IERotate8Nearest(alpha.get(), 0, Angle);
        else
          IERotateShear8(alpha.get(), true, 0, nullptr, nullptr, Angle);
      }
      IERotateShear24(bmp, true, this, OnProgress, IEColorToRGB(Background), Angle);
    }
  } else {
    if (alpha) IERotateGeneral(alpha.get(), 0, nullptr, nullptr, Angle);
    IERotateGeneral(bmp, Background, this, OnProgress, Angle);
  }
  if (alpha) {
    alpha->IsAlpha = true;
    alpha->UpdateOpaqueFlag();
    bmp->RemoveAlphaChannel(false);
    bmp->AttachAlphaChannel(alpha.release());
  }
  Update();
  DoFinishWork();
}

void TImageryProc::Flip(int Direction) {
  if (!PrepareBitmap(0)) return;
  if (AutoUndo) SaveUndoCaptioned("Flip", ieuImage);
  IEFlipBitmap(FIEBitmap, Direction);
  Update();
  DoFinishWork();
}

void TImageryProc::CropSel(bool AlphaOnly) {
  if (!PrepareBitmap(0)) return;
  if (AutoUndo) SaveUndoCaptioned("CropSel", ieuImage);
  int x1, y1, x2, y2, polyCount;
  TIEMask* mask;
  TIEPoint* poly;
  if (GetWorkArea(x1, y1, x2, y2, mask, poly, polyCount) && mask && !mask->IsEmpty()) {
    if (AlphaOnly) {
      FIEBitmap->GetAlphaChannel();
      FIEBitmap->CopyFromMask(mask);
    } else {
      const int w = mask->X2 - mask->X1 + 1, h = mask->Y2 - mask->Y1 + 1;
      TIEBitmap cut;
      cut.SetLocation(ieMemory);
      if (cut.Allocate(w, h, FIEBitmap->PixelFormat())) {
        FIEBitmap->CopyPaletteTo(&cut);
        cut.Fill(GetBackground());
        if (FIEBitmap->HasAlphaChannel()) cut.GetAlphaChannel()->Fill(0);
        mask->CopyBitmap(&cut, FIEBitmap, FIEBitmap->HasAlphaChannel(), false, true);
        FIEBitmap->Assign(&cut);
        if (FIEBitmap->HasAlphaChannel()) {
          TIEBitmap* a = FIEBitmap->GetAlphaChannel();
          a->UpdateOpaqueFlag();
          if (a->Full) FIEBitmap->RemoveAlphaChannel(false);
        }
      }
    }
  }
  Update();
  DoFinishWork();
}

void TImageryProc::ImageResize(int NewWidth, int NewHeight, int HorizAlign, int VertAlign, int FillAlpha) {
  if (!PrepareBitmap(0)) return;
  if (NewWidth <= 0 || NewHeight <= 0) return;
  if (NewWidth == FIEBitmap->Width() && NewHeight == FIEBitmap->Height()) return;
  if (AutoUndo) SaveUndoCaptioned("ImageResize " + std::to_string(NewWidth) + "," + std::to_string(NewHeight), ieuImage);
  if (FIEBitmap->Width() < 2 && FIEBitmap->Height() < 2) Clear();
  if (FillAlpha < 255) FIEBitmap->GetAlphaChannel();
  FIEBitmap->Resize(NewWidth, NewHeight, GetBackground(), FillAlpha, HorizAlign, VertAlign);
  if (FIEBitmap->HasAlphaChannel() && FillAlpha < 255) FIEBitmap->GetAlphaChannel()->Full = false;
  Update();
  DoFinishWork();
}

void TImageryProc::Resample(int NewWidth, int NewHeight, TResampleFilter Filter) {
  if (!PrepareBitmap(0)) return;
  if (FIEBitmap->Width() == 0 || FIEBitmap->Height() == 0) return;
  if (NewWidth < 0 && NewHeight < 0) return;
  if (AutoUndo) SaveUndoCaptioned("Resample " + std::to_string(NewWidth) + "," + std::to_string(NewHeight), ieuImage);
  TIEBitmap result;
  result.SetLocation(FIEBitmap->Location() == ieFile ? ieFile : ieMemory);
  ResampleTo(&result, NewWidth, Filter, NewHeight);
  if (!result.IsEmpty()) FIEBitmap->Assign(&result);
  Update();
  DoFinishWork();
}

void TImageryProc::ResampleTo(TIEBitmap* Dest, int NewWidth, TResampleFilter Filter, int NewHeight) {
  if (!Dest || !PrepareBitmap(0)) return;
  const int W = FIEBitmap->Width(), H = FIEBitmap->Height();
  if (W == 0 || H == 0) return;
  if (NewWidth < 0 && NewHeight < 0) return;
  int64_t w = NewWidth, h = NewHeight;
  if (w == -1)
    w = static_cast<int64_t>(NewHeight) * W / H;
  else if (w < 0)
    w = -w;
  else if (w == 0)
    w = W;
  w = std::max<int64_t>(w, 1);
  if (h == -1)
    h = w * H / W;
  else if (h < 0)
    h = -h;
  else if (h == 0)
    h = H;
  h = std::max<int64_t>(h, 1);
  if (w > 2147483647 || h > 2147483647) return;
  if (!Dest->Allocate(static_cast<int>(w), static_cast<int>(h), FIEBitmap->PixelFormat())) return;
  IEResample(FIEBitmap, Dest, Filter, this, OnProgress);
  DoFinishWork();
}

void TImageryProc::CropTransparentBorder() {
  if (!PrepareBitmap(0)) return;
  TIERectangle r;
  IEAlphaBoundingRect(FIEBitmap, r);
  const bool undo = AutoUndo;
  AutoUndo = false;
  Crop(r.Left, r.Top, r.Right, r.Bottom);
  AutoUndo = undo;
}

void TImageryProc::ConvertToGray() {
  TIEBitmap* work;
  TIEMask* mask;
  int x1, y1, x2, y2;
  if (!BeginSelectionWork(0, "ConvertToGray", work, mask, x1, y1, x2, y2)) return;
  IEConvertToGray24(work, x1, y1, x2, y2, this, OnProgress);
  EndSelectionWork(work, mask);
  DoFinishWork();
}

void TImageryProc::IntensityRGBall(int R, int G, int B) {
  TIEBitmap* work;
  TIEMask* mask;
  int x1, y1, x2, y2;
  const std::string caption =
      "IntensityRGBall " + std::to_string(R) + "," + std::to_string(G) + "," + std::to_string(B);
  if (!BeginSelectionWork(kOnly24, caption, work, mask, x1, y1, x2, y2)) return;
  IEIntensityRGB24(work, R, G, B, x1, y1, x2, y2, this, OnProgress);
  EndSelectionWork(work, mask);
  DoFinishWork();
}

namespace {
// The pixel work shared by ConvertTo and ConvertToPalette on an ie24RGB image.
void ReduceColors(TIEBitmap* Bitmap, int NumColors, TIERGBPixel* Palette, uint8_t DitherMethod, TObject* Sender,
                  const TIEProgressEvent& OnProgress) {
  if (NumColors < 3) {
    if (DitherMethod == 0)
      IEOrderedDither1Bit(Bitmap, Sender, OnProgress);
    else
      IEThresholdTo1Bit(Bitmap, Sender, OnProgress);
    if (Palette) {
      Palette[0] = TIERGBPixel{0, 0, 0};
      Palette[1] = TIERGBPixel{255, 255, 255};
    }
  } else if (NumColors <= 1024) {
    IEQuantizeRGB(Bitmap, NumColors, Palette, Sender, OnProgress);
  }
}
}  // namespace

void TImageryProc::ConvertTo(int NumColors, uint8_t DitherMethod) {
  if (!PrepareBitmap(kOnly24)) return;
  if (AutoUndo) SaveUndoCaptioned("ConvertTo " + std::to_string(NumColors), ieuImage);
  ReduceColors(FIEBitmap, NumColors, nullptr, DitherMethod, this, OnProgress);
  Update();
  DoFinishWork();
}

void TImageryProc::ConvertToPalette(int NumColors, TIERGBPixel* Palette, uint8_t DitherMethod) {
  if (NumColors == 0) return;
  if (!PrepareBitmap(kOnly24)) return;
  if (AutoUndo) SaveUndoCaptioned("ConvertToPalette", ieuImage);
  ReduceColors(FIEBitmap, NumColors, Palette, DitherMethod, this, OnProgress);
  Update();
  DoFinishWork();
}

void TImageryProc::Fill(TIERGBPixel Color) {
  TIEBitmap* work;
  TIEMask* mask;
  int x1, y1, x2, y2;
  if (!BeginSelectionWork(0, "Fill", work, mask, x1, y1, x2, y2)) return;
  IEFillArea(work, x1, y1, x2, y2, Color, this, OnProgress);
  EndSelectionWork(work, mask);
  DoFinishWork();
}

void TImageryProc::CropToRect(const TIERect& Rect) { Crop(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom); }

void TImageryProc::Crop(int x1, int y1, int x2, int y2) {
  if (!PrepareBitmap(0)) return;
  const int W = FIEBitmap->Width(), H = FIEBitmap->Height();
  if (x1 == 0 && y1 == 0 && x2 == W - 1 && y2 == H - 1) return;
  // A rectangle outside the image or inverted leaves nothing to keep: refused rather than
  // producing an empty or wrapped image.
  IEOrderRect(x1, y1, x2, y2);
  x1 = std::max(x1, 0);
  y1 = std::max(y1, 0);
  x2 = std::min(x2, W - 1);
  y2 = std::min(y2, H - 1);
  if (x2 < x1 || y2 < y1) return;
  if (AutoUndo) SaveUndoCaptioned("Crop", ieuImage);
  const int w = x2 - x1 + 1, h = y2 - y1 + 1;
  TIEBitmap cut;
  cut.SetLocation(FIEBitmap->Location() == ieFile ? ieFile : ieMemory);
  if (!cut.Allocate(w, h, FIEBitmap->PixelFormat())) return;
  FIEBitmap->CopyPaletteTo(&cut);
  FIEBitmap->CopyRectTo(&cut, x1, y1, 0, 0, w, h);
  std::unique_ptr<TIEBitmap> alpha;
  if (FIEBitmap->HasAlphaChannel()) {
    TIEBitmap* a = FIEBitmap->GetAlphaChannel();
    alpha = std::make_unique<TIEBitmap>();
    alpha->SetLocation(ieMemory);
    alpha->IsAlpha = true;
    if (alpha->Allocate(w, h, ie8g)) a->CopyRectTo(alpha.get(), x1, y1, 0, 0, w, h);
    alpha->Full = a->Full;
  }
  FIEBitmap->CopyImageFrom(&cut);
  if (alpha) {
    FIEBitmap->RemoveAlphaChannel(false);
    FIEBitmap->AttachAlphaChannel(alpha.release());
  }
  Update();
  DoFinishWork();
}
