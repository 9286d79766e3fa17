// The single-image view: state, properties, layout, messages, companions, zoom, origin, scroll
// bars, wheel and coordinates (see imageryview.h).
#include "imaging/views/imageryview.h"

#include <algorithm>
#include <cmath>

#include "imaging/io/imageryio.h"
#include "imaging/views/iegdiplus.h"
#include "imaging/views/ietransitions.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/win/gdi_user.h"

ORV_CLASS_IMPL(TImageryView, TIEView)

int TImageryView::ScreenBitsPerPixel = 32;
int TImageryView::ScreenDpiX = 96;
int TImageryView::ScreenDpiY = 96;
int TImageryView::EdgeWidth = 2;
int TImageryView::EdgeHeight = 2;
int TImageryView::BorderWidth = 1;
int TImageryView::BorderHeight = 1;
bool TImageryView::RemoteSession = false;

namespace {

// Round half to even.
int ViewNearest(double v) { return static_cast<int>(std::nearbyint(v)); }

bool ViewDesigning(const TComponent* c) { return c->ComponentState().Contains(csDesigning); }

}  // namespace

void TIESelectionPolygon::Add(int x, int y) {
  if (Points.size() == Points.capacity()) Points.reserve(Points.size() + 64);
  Points.push_back(TIEPoint{x, y});
  if (x == IESelBreak && y == IESelBreak) return;
  Left = std::min(Left, x);
  Top = std::min(Top, y);
  Right = std::max(Right, x);
  Bottom = std::max(Bottom, y);
}

// ---------------------------------------------------------------- creation

TImageryView::TImageryView(TComponent* AOwner) : TIEView(AOwner) {
  FLockUpdate = 1;
  FLegacyBitmap = true;
  FBitmap = new TBitmap();
  FBitmap->SetPixelFormat(pf24bit);
  GdiPlusLoad();
  FIEBitmap = new TIEBitmap();
  FIEBitmap->EncapsulateTBitmap(FBitmap, true);
  FIEBitmap->EncapsulatedBitmap = false;  // the image owns its class-library bitmap
  FImageWidth = FIEBitmap->Width();
  FImageHeight = FIEBitmap->Height();
  auto* layer0 = new TIELayer(this, true, FIEBitmap);
  layer0->ShowBox = false;
  layer0->Locked = true;
  FLayers.push_back(layer0);
  FLayersCurrent = 0;
  SetWidth(105);
  SetHeight(105);
  SetDpi(IEDefaultDpiX, IEDefaultDpiY);
  IERegisterViewCursors();
  SetViewCursor(1785);
  FSel.Clear();
  FSel.Color1 = 0;
  FSel.Color2 = 0xFFFFFF;
  FMask = std::make_unique<TIEMask>();
  FMask->AllocateBits(std::max(FImageWidth, 1), std::max(FImageHeight, 1), 1);
  FSelectionOptions = TIESelectionOptions{iesoAnimated, iesoSizeable, iesoMoveable, iesoCanScroll};
  if (!ViewDesigning(this)) {
    FBackBuffer = std::make_unique<TIEBitmap>();
    FBackBuffer->SetLocation(ieTBitmap);
    FBackBuffer->Allocate(10, 10, ie24RGB);
  }
  FHScrollBarParams = std::make_unique<TIEScrollBarParams>();
  FVScrollBarParams = std::make_unique<TIEScrollBarParams>();
  FMouseWheelParams = std::make_unique<TIEMouseWheelParams>();
  FWallPaper = std::make_unique<TPicture>();
  UnlockUpdate();
}

TImageryView::~TImageryView() {
  delete FSmoothTimer;
  FSmoothTimer = nullptr;
  SyncLayers();
  delete FTransition;
  FTransition = nullptr;
  SetNavigator(nullptr);
  if (FNavigatorOwner != nullptr) {
    FNavigatorOwner->FNavigator = nullptr;
    FNavigatorOwner = nullptr;
  }
  delete FIO;
  FIO = nullptr;
  delete FProc;
  FProc = nullptr;
  FBackBuffer.reset();
  delete FSelTimer;
  FSelTimer = nullptr;
  FMask.reset();
  for (auto it = FLayers.rbegin(); it != FLayers.rend(); ++it) delete *it;
  FLayers.clear();
  FIEBitmap = nullptr;
  FBitmap = nullptr;
  FSavedSelections.clear();
  FWallPaper.reset();
  GdiPlusUnload();
}

void TImageryView::CreateParams(TCreateParams& Params) {
  TIEView::CreateParams(Params);
  Params.WindowClass.style |= CS_DBLCLKS;
}

void TImageryView::Publish(TPublisher<TImageryView>& P) {
  using G = TImageryView;
  P.Prop("Background", &G::Background, &G::SetBackground).Type("TColor").Default(clBtnFace);
  P.Prop("LegacyBitmap", &G::LegacyBitmap, &G::SetLegacyBitmap).Default(true);
  P.Prop("DoubleBuffer", &G::GetDoubleBuffer, &G::SetDoubleBuffer).Default(true);
  P.Prop("DelayZoomFilter", &G::GetDelayZoomFilter, &G::SetDelayZoomFilter).Default(false);
  P.Prop("ScrollBars", &G::ScrollBars, &G::SetScrollBars).Default(ssBoth);
  P.Prop("FlatScrollBars", &G::FlatScrollBars, &G::SetFlatScrollBars).Default(false);
  P.Prop("Center", &G::Center, &G::SetCenter).Default(true);
  P.Prop("AutoFit", &G::AutoFit, &G::SetAutoFit).Default(false);
  P.Prop("AutoStretch", &G::AutoStretch, &G::SetAutoStretch).Default(false);
  P.Prop("AutoShrink", &G::AutoShrink, &G::SetAutoShrink).Default(false);
  P.Prop("BackgroundStyle", &G::BackgroundStyle, &G::SetBackgroundStyle).Default(iebsSolid);
  P.Prop("WallPaper", &G::WallPaper, &G::SetWallPaper);
  P.Prop("WallPaperStyle", &G::WallPaperStyle, &G::SetWallPaperStyle).Default(iewoNormal);
  P.Prop("EnableAlphaChannel", &G::EnableAlphaChannel, &G::SetEnableAlphaChannel).Default(true);
  P.Prop("MouseInteract", &G::MouseInteract, &G::SetMouseInteract)
      .Type(SetTypeInfo("TIEMouseInteract", TypeInfo<TIEMouseInteractItems>()))
      .Default(TIEMouseInteract{});
  P.Prop("SelectionBase", &G::GetSelectionBase, &G::SetSelectionBase).Default(iesbClientArea);
  P.Prop("SelectionOptions", &G::SelectionOptions, &G::SetSelectionOptions)
      .Type(SetTypeInfo("TIESelectionOptions", TypeInfo<TIESelectionOption>()))
      .Default(TIESelectionOptions{iesoAnimated, iesoSizeable, iesoMoveable, iesoCanScroll});
  P.Prop("EnableInteractionHints", &G::GetEnableInteractionHints, &G::SetEnableInteractionHints).Default(true);
  P.Prop("DrawVersion", &G::DrawVersion, &G::SetDrawVersion).Default(false);
  P.Prop("Cursor", &G::IdleCursor, &G::SetViewCursor).Type("TCursor").Default(1785);
  P.Prop("ImageryVersion", &G::ImageryVersion, &G::SetImageryVersion);
  P.Event("OnViewChange", &G::OnViewChange).Type("TViewChangeEvent");
  P.Event("OnViewChanging", &G::OnViewChanging).Type("TViewChangingEvent");
  P.Event("OnImageChange", &G::OnImageChange).Type("TNotifyEvent");
  P.Event("OnSelectionChange", &G::OnSelectionChange).Type("TNotifyEvent");
  P.Event("OnSelectionChanging", &G::OnSelectionChanging).Type("TNotifyEvent");
  P.Event("OnBeforeSelectionChange", &G::OnBeforeSelectionChange).Type("TNotifyEvent");
  P.Event("OnMouseInSel", &G::OnMouseInSel).Type("TNotifyEvent");
  P.Event("OnZoomIn", &G::OnZoomIn).Type("TIEZoomEvent");
  P.Event("OnZoomOut", &G::OnZoomOut).Type("TIEZoomEvent");
  P.Event("OnPaint", &G::OnPaint).Type("TNotifyEvent");
  P.Event("OnDrawBackBuffer", &G::OnDrawBackBuffer).Type("TNotifyEvent");
  P.Prop("OnProgress", &G::GetOnProgress, &G::SetOnProgress).Type("TIEProgressEvent");
  P.Prop("OnFinishWork", &G::GetOnFinishWork, &G::SetOnFinishWork).Type("TNotifyEvent");
}

// ---------------------------------------------------------------- companions

TImageryIO* TImageryView::GetIO() {
  if (FIO == nullptr) {
    FIO = new TImageryIO(this);
    FIO->SetAttachedImagery(this);
    FIO->OnProgress = FOnProgress;
    FIO->OnFinishWork = FOnFinishWork;
  }
  return FIO;
}

TImageryProc* TImageryView::GetProc() {
  if (FProc == nullptr) {
    FProc = new TImageryProc(this);
    FProc->SetAttachedImagery(this);
    FProc->OnProgress = FOnProgress;
    FProc->OnFinishWork = FOnFinishWork;
    FProc->OnSaveUndo = FOnSaveUndo;
  }
  return FProc;
}

void TImageryView::SetOnProgress(const TIEProgressEvent& Value) {
  FOnProgress = Value;
  if (FIO) FIO->OnProgress = Value;
  if (FProc) FProc->OnProgress = Value;
}

void TImageryView::SetOnFinishWork(const TNotifyEvent& Value) {
  FOnFinishWork = Value;
  if (FIO) FIO->OnFinishWork = Value;
  if (FProc) FProc->OnFinishWork = Value;
}

void TImageryView::SetOnSaveUndo(const TIESaveUndoEvent& Value) {
  FOnSaveUndo = Value;
  if (FProc) FProc->OnSaveUndo = Value;
}

void TImageryView::SetOnTransitionStop(const TNotifyEvent& Value) {
  if (FTransition == nullptr) FTransition = new TIETransitionEffects(this);
  FTransition->OnTransitionStop = Value;
}

void TImageryView::SetOnTransitionStep(const TIETransitionStepEvent& Value) {
  if (FTransition == nullptr) FTransition = new TIETransitionEffects(this);
  FTransition->OnTransitionStep = Value;
}

TNotifyEvent TImageryView::GetOnTransitionStop() const {
  return FTransition ? FTransition->OnTransitionStop : TNotifyEvent();
}

TIETransitionStepEvent TImageryView::GetOnTransitionStep() const {
  return FTransition ? FTransition->OnTransitionStep : TIETransitionStepEvent();
}

// ---------------------------------------------------------------- image

TIEBitmap* TImageryView::GetAlphaChannel() { return FIEBitmap->GetAlphaChannel(); }
bool TImageryView::HasAlphaChannel() { return FIEBitmap->HasAlphaChannel(); }
void TImageryView::RemoveAlphaChannel(bool Merge) {
  FIEBitmap->RemoveAlphaChannel(Merge, Background());
  Update();
}

bool TImageryView::IsEmpty() { return FIEBitmap->Width() < 2 && FIEBitmap->Height() < 2; }

void TImageryView::ImageChange() {
  TIEView::ImageChange();
  if (OnImageChange) OnImageChange(this);
}

void TImageryView::Assign(TPersistent* Source) {
  if (Source == nullptr) {
    ClearImage();
    return;
  }
  if (auto* v = dynamic_cast<TImageryView*>(Source)) {
    FIEBitmap->Assign(v->GetIEBitmap());
    TIEView::SetBackground(v->Background());
    SetDpi(v->DpiX(), v->DpiY());
  } else if (auto* b = dynamic_cast<TBitmap*>(Source)) {
    FIEBitmap->CopyFromTBitmap(b);
    if (FIEBitmap->PixelFormat() != ie1g && FIEBitmap->PixelFormat() != ie24RGB) FIEBitmap->SetPixelFormat(ie24RGB);
  } else {
    TIEView::Assign(Source);
    return;
  }
  Update();
  ImageChange();
}

void TImageryView::ClearImage() {
  FIEBitmap->Fill(Background());
  if (FIEBitmap->HasAlphaChannel()) FIEBitmap->RemoveAlphaChannel(false, Background());
  Update();
}

void TImageryView::Blank() {
  if (FTransition) FTransition->Stop();
  FIEBitmap->Allocate(1, 1, FIEBitmap->PixelFormat() == ieNone ? ie24RGB : FIEBitmap->PixelFormat());
  ClearImage();
}

void TImageryView::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TIEView::SetBounds(ALeft, ATop, AWidth, AHeight);
  const TComponentState st = ComponentState();
  if (st.Contains(csDesigning) || st.Contains(csLoading)) {
    FIEBitmap->Allocate(std::max(AWidth, 1), std::max(AHeight, 1), ie24RGB);
    FIEBitmap->Fill(Background());
  }
}

// ---------------------------------------------------------------- locks

int TImageryView::UnlockUpdate() {
  if (FLockUpdate > 0) --FLockUpdate;
  if (FLockUpdate == 0) Update();
  return FLockUpdate;
}

int TImageryView::UnlockUpdateNoRefresh() {
  if (FLockUpdate > 0) --FLockUpdate;
  return FLockUpdate;
}

int TImageryView::UnlockPaint() {
  if (FLockPaint > 0) --FLockPaint;
  if (FLockPaint == 0) Update();
  return FLockPaint;
}

int TImageryView::UnlockPaintNoRefresh() {
  if (FLockPaint > 0) --FLockPaint;
  return FLockPaint;
}

// ---------------------------------------------------------------- layout

bool TImageryView::HasParentWindow() { return GetParentForm() != nullptr || Parent() != nullptr || ParentWindow() != nullptr; }

int TImageryView::GetExtentX() { return HasParentWindow() && HandleAllocated() ? ClientWidth() : 50; }

int TImageryView::GetExtentY() { return HasParentWindow() && HandleAllocated() ? ClientHeight() : 50; }

void TImageryView::DoViewChange(int Change) {
  if (OnViewChange) OnViewChange(this, Change);
  if (FNavigator != nullptr) SyncNavigator();
}

void TImageryView::DoViewChanging(int Change, double Value) {
  if (OnViewChanging) OnViewChanging(this, Change, Value);
}

void TImageryView::Relayout() {
  if (FLayoutInProgress) return;
  if (FTransition) FTransition->Stop();
  FUpdateReason = 4;
  Update();
}

void TImageryView::Update() { Layout(false); }

void TImageryView::FrameMargins(int& mx, int& my) {
  switch (FBackgroundStyle) {
    case iebsCropped:
      mx = EdgeWidth;
      my = EdgeHeight;
      return;
    case iebsCropShadow:
      mx = my = 5;
      return;
    case iebsSoftShadow:
      mx = my = 9;
      return;
    default:
      break;
  }
  if (BorderStyle() == TIEBorderStyle::bsNone) {
    mx = my = 0;
  } else if (Ctl3D()) {
    mx = EdgeWidth;
    my = EdgeHeight;
  } else {
    mx = BorderWidth;
    my = BorderHeight;
  }
}

double TImageryView::GetAutoZoom(int ImageWidth, int ImageHeight, bool Shrink, bool Stretch, int AvailWidth,
                                 int AvailHeight) {
  if (ImageWidth == 0 || ImageHeight == 0 || AvailWidth == 0 || AvailHeight == 0) return 100;
  const double rx = double(ImageWidth) / AvailWidth, ry = double(ImageHeight) / AvailHeight;
  const bool exceeds = rx >= ry ? ImageWidth > AvailWidth : ImageHeight > AvailHeight;
  double z = 100;
  if (exceeds)
    z = Shrink ? GetFitZoom() : 100;
  else
    z = Stretch ? GetFitZoom() : 100;
  if (!std::isfinite(z)) return 100;
  return z;
}

double TImageryView::GetFitZoom() {
  int mx = 0, my = 0;
  FrameMargins(mx, my);
  if (FImageWidth <= 0 || FImageHeight <= 0) return 100;
  const double zx = (Width() - 2 * mx) / (FImageWidth / 100.0);
  const double zy = (Height() - 2 * my) / (FImageHeight / 100.0);
  return std::min(zx, zy);
}

void TImageryView::RefreshFactors() {
  FZoomDX = FZoomX / 100;
  FZoomInvX = 100 / FZoomX;
  FZoomDY = FZoomY / 100;
  FZoomInvY = 100 / FZoomY;
}

double TImageryView::LimitZoom(double Value, bool Horizontal) const {
  // The zoomed image must fit in IEMaxZoomedExtent pixels: beyond that the extents, origins and
  // zoom tables would leave 32-bit ranges or memory.
  const int size = std::max(Horizontal ? FImageWidth : FImageHeight, 1);
  const double limit = double(IEMaxZoomedExtent) * 100.0 / size;
  return std::min(Value, limit);
}

void TImageryView::Layout(bool Nested) {
  if (FLockUpdate > 0 || ViewDesigning(this)) return;
  {
    TComponentState st = ComponentState();
    st.Exclude(csFreeNotification);
    if (!st.Empty()) return;
  }
  FLayoutInProgress = true;
  try {
    // 3. render caches
    if (LayersDropCacheIndex >= 0 && LayersDropCacheIndex < GetLayersCount()) {
      TIELayer* l = GetLayer(LayersDropCacheIndex);
      delete l->RenderCache;
      l->RenderCache = nullptr;
    } else {
      for (TIELayer* l : FLayers) {
        delete l->RenderCache;
        l->RenderCache = nullptr;
      }
    }
    LayersDropCacheIndex = -1;
    // 4.
    SyncLayers();
    // 5. automatic zoom
    if ((FAutoFit || FAutoStretch || FAutoShrink) && FImageWidth != 0 && FImageHeight != 0) {
      DoViewChanging(2, FZoomX);
      int mx = 0, my = 0;
      switch (FBackgroundStyle) {
        case iebsCropped:
          mx = EdgeWidth;
          my = EdgeHeight;
          break;
        case iebsCropShadow:
          mx = my = 5;
          break;
        case iebsSoftShadow:
          mx = my = 9;
          break;
        default:
          mx = (Width() - ClientWidth()) / 2;
          my = (Height() - ClientHeight()) / 2;
          break;
      }
      double z = 100;
      if (FImageWidth > 1 || FImageHeight > 1)
        z = GetAutoZoom(FImageWidth, FImageHeight, FAutoShrink || FAutoFit, FAutoStretch || FAutoFit,
                        ClientWidth() - 2 * mx, ClientHeight() - 2 * my);
      if (z < 1) z = 1;
      FZoomX = LimitZoom(z, true);
      FZoomY = LimitZoom(z, false);
      RefreshFactors();
      UpdateVisibleRect();
      UpdateZoomTables();
      DoViewChange(1);
      FFilterDelay = FOutlineDelay = 0;
    }
    // 6. selection mask follows the image size
    if (FImageWidth != FLastImageWidth || FImageHeight != FLastImageHeight) {
      FLastImageWidth = FImageWidth;
      FLastImageHeight = FImageHeight;
      const int w = std::max(FImageWidth, 1), h = std::max(FImageHeight, 1);
      if (FMask->Width != w || FMask->Height != h) {
        if (FSelected) {
          FMask->Resize(w, h);
          FMask->RecalcBounds();
          FMask->UpdateAllSetFlag();
        } else {
          FMask->AllocateBits(w, h, FMask->BitsPerPixel == 0 ? 1 : FMask->BitsPerPixel);
        }
      }
    }
    // 7. alpha channel of another size
    if (FIEBitmap->HasAlphaChannel()) {
      TIEBitmap* a = FIEBitmap->GetAlphaChannel();
      if (a->Width() != FIEBitmap->Width() || a->Height() != FIEBitmap->Height()) {
        a->Allocate(FIEBitmap->Width(), FIEBitmap->Height(), ie8g);
        a->Fill(255);
      }
    }
    // 8. origin and scroll bars
    if (HandleAllocated() && HasParentWindow()) {
      const int cw = ClientWidth(), ch = ClientHeight();
      UpdateExtents();
      int maxX = 0, maxY = 0;
      GetMaxViewOrigin(maxX, maxY);
      bool moved = false;
      if (FViewX > maxX) {
        DoViewChanging(0, maxX);
        FViewX = maxX;
        moved = true;
      }
      if (FViewY > maxY) {
        DoViewChanging(1, maxY);
        FViewY = maxY;
        moved = true;
      }
      if (moved) DoViewChange(0);
      try {
        LayoutScrollBars();
      } catch (...) {
        // a failing scroll bar never stops the layout
      }
      if ((ClientWidth() != cw || ClientHeight() != ch) && !Nested) {
        FNestedLayout = true;
        Layout(true);
        FNestedLayout = false;
      }
    }
    // 9.
    UpdateExtents();
    UpdateVisibleRect();
    UpdateZoomTables();
    FBackBufferStale = true;
    FFullRepaint = true;
    if (HandleAllocated() && HasParentWindow() && !FSuppressInvalidate) Invalidate();
    // 10.
    if (FNavigator != nullptr && FNavigator->FLockPaint == 0) {
      if (FUpdateReason == 0) FNavigator->Update();
      SyncNavigator();
    }
  } catch (...) {
    FLayoutInProgress = false;
    throw;
  }
  FUpdateReason = 0;
  FLayoutInProgress = false;
}

void TImageryView::LayoutScrollBars() {
  int maxX = 0, maxY = 0;
  GetMaxViewOrigin(maxX, maxY);
  auto bar = [&](int Bar, bool Present, int Max, int Client, int Origin, double& Scale, bool& Shown) {
    if (!Present) return;
    if (Max < 1) {
      if (Shown) ShowScrollBar(FHandle, Bar, FALSE);
      Shown = false;
      return;
    }
    Shown = true;
    Scale = (Client + Max) / 65536.0;
    SCROLLINFO si{};
    si.cbSize = sizeof(si);
    si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    si.nMin = 0;
    si.nMax = 65535;
    si.nPage = static_cast<UINT>(Client / Scale);
    si.nPos = static_cast<int>(Origin / Scale);
    SetScrollInfo(FHandle, Bar, &si, TRUE);
    ShowScrollBar(FHandle, Bar, TRUE);
    EnableScrollBar(FHandle, Bar, ESB_ENABLE_BOTH);
  };
  bar(SB_HORZ, FScrollBars == ssHorizontal || FScrollBars == ssBoth, maxX, ClientWidth(), FViewX, FHScale,
      FHBarShown);
  bar(SB_VERT, FScrollBars == ssVertical || FScrollBars == ssBoth, maxY, ClientHeight(), FViewY, FVScale,
      FVBarShown);
}

// ---------------------------------------------------------------- property setters

void TImageryView::SetZoomFilter(TResampleFilter Value) {
  FSavedZoomFilter = Value;
  if (Value != FZoomFilter) {
    FZoomFilter = Value;
    Update();
  }
}

void TImageryView::SetScrollBars(TScrollStyle Value) {
  FScrollBars = Value;
  if (HandleAllocated()) {
    if (Value != ssHorizontal && Value != ssBoth && FHBarShown) {
      ShowScrollBar(FHandle, SB_HORZ, FALSE);
      FHBarShown = false;
    }
    if (Value != ssVertical && Value != ssBoth && FVBarShown) {
      ShowScrollBar(FHandle, SB_VERT, FALSE);
      FVBarShown = false;
    }
  }
  FUpdateReason = 4;
  Update();
}

void TImageryView::SetFlatScrollBars(bool Value) {
  if (Value == FFlatScrollBars) return;
  FFlatScrollBars = Value;
  if (!HandleAllocated()) return;
  // Flat bars look like the plain ones here; both are hidden until the next layout shows them.
  if (Value) {
    SetScrollRange(FHandle, SB_HORZ, 0, 65535, FALSE);
    SetScrollRange(FHandle, SB_VERT, 0, 65535, FALSE);
    ShowScrollBar(FHandle, SB_BOTH, FALSE);
    FHBarShown = FVBarShown = false;
  }
}

void TImageryView::SetCenter(bool Value) {
  if (Value == FCenter) return;
  FCenter = Value;
  FUpdateReason = 1;
  Update();
}

void TImageryView::SetAutoFit(bool Value) {
  FAutoFit = Value;
  Update();
}

void TImageryView::SetAutoStretch(bool Value) {
  FAutoStretch = Value;
  Update();
}

void TImageryView::SetAutoShrink(bool Value) {
  FAutoShrink = Value;
  Update();
}

void TImageryView::SetBackground(TColor Value) {
  TIEView::SetBackground(Value);
  if (ViewDesigning(this)) FIEBitmap->Fill(Value);
  FUpdateReason = 4;
  Update();
  ImageChange();
  if (ViewDesigning(this)) Invalidate();
}

void TImageryView::SetBackgroundStyle(TIEBackgroundStyle Value) {
  FBackgroundStyle = Value;
  if (HandleAllocated()) Invalidate();
  FUpdateReason = 4;
  Update();
}

void TImageryView::SetWallPaper(TPicture* Value) {
  if (!FWallPaper) FWallPaper = std::make_unique<TPicture>();
  FWallPaper->Assign(Value);
  FUpdateReason = 4;
  Update();
}

void TImageryView::SetWallPaperStyle(TIEWallPaperStyle Value) {
  if (Value == FWallPaperStyle) return;
  FWallPaperStyle = Value;
  FUpdateReason = 4;
  Update();
}

void TImageryView::SetEnableAlphaChannel(bool Value) {
  FEnableAlphaChannel = Value;
  Update();
}

void TImageryView::SetDrawVersion(bool Value) {
  FDrawVersion = Value;
  if (HandleAllocated()) Paint();
}

void TImageryView::SetChessboardStyle(int Size, TBrushStyle BrushStyle) {
  FChessboardSize = Size;
  FChessboardBrush = BrushStyle;
}

// ---------------------------------------------------------------- zoom

void TImageryView::LoadDelays(bool Both) {
  if (DelayZoomFilter && FZoomFilter != rfNone && (FZoomX != 100 || (Both && FZoomY != 100))) FFilterDelay = 4;
  FOutlineDelay = 2;
}

void TImageryView::SetZoom(double Value) {
  DoViewChanging(2, Value);
  if (!(Value > 0)) return;
  if (Value == FZoomX && Value == FZoomY) return;
  LoadDelays(true);
  LockPaint();
  if (FNavigator) FNavigator->LockPaint();
  SetZoomKeepCentre(Value);
  FUpdateReason = 2;
  Update();
  FUpdateReason = 2;
  Update();
  UpdateVisibleRect();
  UpdateZoomTables();
  UnlockPaintNoRefresh();
  if (FNavigator) FNavigator->UnlockPaintNoRefresh();
  if (HandleAllocated()) Invalidate();
  DoViewChange(1);
}

void TImageryView::SetZoomKeepCentre(double Value) {
  const int cx = GetExtentX() / 2, cy = GetExtentY() / 2;
  const double zx = LimitZoom(Value, true), zy = LimitZoom(Value, false);
  const double bx = std::nearbyint((cx + FViewX - FOffsetX) * 100.0 / FZoomX);
  const double by = std::nearbyint((cy + FViewY - FOffsetY) * 100.0 / FZoomY);
  const double nx = bx * zx / 100 - cx, ny = by * zy / 100 - cy;
  FZoomX = zx;
  FZoomY = zy;
  RefreshFactors();
  UpdateExtents();
  int maxX = 0, maxY = 0;
  GetMaxViewOrigin(maxX, maxY);
  FViewX = static_cast<int>(std::clamp(std::trunc(nx), 0.0, double(maxX)));
  FViewY = static_cast<int>(std::clamp(std::trunc(ny), 0.0, double(maxY)));
}

void TImageryView::SetZoomX(double Value) {
  const int cx = GetExtentX() / 2;
  const double z = LimitZoom(Value, true);
  const double bx = std::nearbyint((cx + FViewX - FOffsetX) * 100.0 / FZoomX);
  const double nx = bx * z / 100 - cx;
  FZoomX = z;
  RefreshFactors();
  UpdateExtents();
  int maxX = 0, maxY = 0;
  GetMaxViewOrigin(maxX, maxY);
  FViewX = static_cast<int>(std::clamp(std::trunc(nx), 0.0, double(maxX)));
}

void TImageryView::SetZoomY(double Value) {
  const int cy = GetExtentY() / 2;
  const double z = LimitZoom(Value, false);
  const double by = std::nearbyint((cy + FViewY - FOffsetY) * 100.0 / FZoomY);
  const double ny = by * z / 100 - cy;
  FZoomY = z;
  RefreshFactors();
  UpdateExtents();
  int maxX = 0, maxY = 0;
  GetMaxViewOrigin(maxX, maxY);
  FViewY = static_cast<int>(std::clamp(std::trunc(ny), 0.0, double(maxY)));
}

void TImageryView::ChangeZoomX(double Value) {
  DoViewChanging(2, Value);
  if (!(Value > 0) || Value == FZoomX) return;
  if (DelayZoomFilter && FZoomFilter != rfNone && FZoomX != 100) FFilterDelay = 4;
  FOutlineDelay = 2;
  LockPaint();
  SetZoomX(Value);
  FUpdateReason = 2;
  Update();
  FUpdateReason = 2;
  Update();
  UpdateVisibleRect();
  UpdateZoomTables();
  UnlockPaintNoRefresh();
  if (HandleAllocated()) Invalidate();
  DoViewChange(1);
}

void TImageryView::ChangeZoomY(double Value) {
  DoViewChanging(2, Value);
  if (!(Value > 0) || Value == FZoomY) return;
  if (DelayZoomFilter && FZoomFilter != rfNone && FZoomY != 100) FFilterDelay = 4;
  FOutlineDelay = 2;
  LockPaint();
  SetZoomY(Value);
  FUpdateReason = 2;
  Update();
  FUpdateReason = 2;
  Update();
  UpdateVisibleRect();
  UpdateZoomTables();
  UnlockPaintNoRefresh();
  if (HandleAllocated()) Invalidate();
  DoViewChange(1);
}

void TImageryView::GetMaxViewOrigin(int& MaxX, int& MaxY) {
  const int ex = GetExtentX(), ey = GetExtentY();
  auto zoomed = [](int size, double zoom) { return static_cast<int64_t>(std::trunc(size * zoom / 100)); };
  int64_t w = zoomed(FImageWidth, FZoomX), h = zoomed(FImageHeight, FZoomY);
  if (FZoomX != FZoomY) {
    if (w > ex + 10) w = zoomed(FImageWidth + 1, FZoomX);
    if (h > ey + 10) h = zoomed(FImageHeight + 1, FZoomY);
  } else if ((w > ex + 10 || h > ey + 10) && FScrollBars != ssNone) {
    w = zoomed(FImageWidth + 1, FZoomX);
    h = zoomed(FImageHeight + 1, FZoomY);
  }
  MaxX = MaxY = 0;
  if (w < 1 || h < 1) return;
  int64_t mx = w - ex, my = h - ey;
  // With the extra column a deep zoom (one image pixel wider than the drawing area) would let the
  // origin pass the image's end and show nothing: the origin stops at the last pixel's start.
  mx = std::min<int64_t>(mx, std::max<int64_t>(zoomed(FImageWidth, FZoomX) - 1, 0));
  my = std::min<int64_t>(my, std::max<int64_t>(zoomed(FImageHeight, FZoomY) - 1, 0));
  if (mx < 0 || std::trunc(mx * 100 / FZoomX) == 0) mx = 0;
  if (my < 0 || std::trunc(my * 100 / FZoomY) == 0) my = 0;
  if (FZoomX != FZoomY) {
    if (w <= Width()) mx = 0;
    if (h <= Height()) my = 0;
  } else if (w <= Width() && h <= Height()) {
    mx = my = 0;
  }
  MaxX = static_cast<int>(std::min<int64_t>(mx, 2147483647));
  MaxY = static_cast<int>(std::min<int64_t>(my, 2147483647));
}

bool TImageryView::IsScrollable() {
  int mx = 0, my = 0;
  GetMaxViewOrigin(mx, my);
  return mx > 0 || my > 0;
}

void TImageryView::MoveThumbs() {
  if (!HandleAllocated()) return;
  if (FScrollBars == ssHorizontal || FScrollBars == ssBoth)
    SetScrollPos(FHandle, SB_HORZ, static_cast<int>(FViewX / FHScale), TRUE);
  if (FScrollBars == ssVertical || FScrollBars == ssBoth)
    SetScrollPos(FHandle, SB_VERT, static_cast<int>(FViewY / FVScale), TRUE);
}

void TImageryView::SetViewOrigin(int X, int Y) {
  DoViewChanging(0, X);
  DoViewChanging(1, Y);
  if (X == FViewX && Y == FViewY) return;
  int maxX = 0, maxY = 0;
  GetMaxViewOrigin(maxX, maxY);
  X = std::clamp(X, 0, maxX);
  Y = std::clamp(Y, 0, maxY);
  if (X == FViewX && Y == FViewY) return;
  FViewX = X;
  FViewY = Y;
  LoadDelays(true);
  FBackBufferStale = true;
  FFullRepaint = true;
  UpdateVisibleRect();
  UpdateZoomTables();
  if (HandleAllocated() && FLockPaint == 0) Invalidate();
  DoViewChange(0);
  if (FSelected) DrawSelection(nullptr, true);
  MoveThumbs();
}

void TImageryView::Fit() {
  if (FImageWidth == 0 || FImageHeight == 0) return;
  if (HandleAllocated()) {
    if (FHBarShown) ShowScrollBar(FHandle, SB_HORZ, FALSE);
    if (FVBarShown) ShowScrollBar(FHandle, SB_VERT, FALSE);
    FHBarShown = FVBarShown = false;
  }
  SetZoom(GetFitZoom());
}

void TImageryView::ZoomAt(int x, int y, bool Centre, double ZoomVal) {
  if (FNavigator) FNavigator->LockPaint();
  DoViewChanging(2, x);
  DoViewChanging(2, y);
  LockPaint();
  const int bx = ScreenToBitmapX(x), by = ScreenToBitmapY(y);
  SetZoom(ZoomVal);
  const double fx = FZoomDX, fy = FZoomDY;
  int nx, ny;
  if (Centre) {
    nx = static_cast<int>(std::trunc(bx * fx - GetExtentX() / 2));
    ny = static_cast<int>(std::trunc(by * fy - GetExtentY() / 2));
  } else {
    nx = static_cast<int>(std::trunc(bx * fx - x + fx));
    ny = static_cast<int>(std::trunc(by * fy - y + fy));
  }
  SetViewOrigin(nx, ny);
  UnlockPaint();
  UpdateVisibleRect();
  UpdateZoomTables();
  if (FNavigator) FNavigator->UnlockPaintNoRefresh();
  DoViewChange(1);
}

void TImageryView::ZoomSelection(bool Uniform, bool FireZoomIn) {
  if (!FSelected) return;
  const int l = SelX1(), t = SelY1(), r = SelX2(), b = SelY2();
  const int w = r - l + 1, h = b - t + 1;
  if (l < 0 || t < 0 || w < 2 || h < 2) return;
  Deselect();
  double z = std::min(Height() / (h / 100.0), Width() / (w / 100.0));
  if (FireZoomIn && OnZoomIn) OnZoomIn(this, z);
  if (Uniform) {
    SetZoom(z);
  } else {
    ChangeZoomX(Width() / (w / 100.0));
    ChangeZoomY(Height() / (h / 100.0));
  }
  const int vx = static_cast<int>(std::trunc(l * FZoomX / 100)) -
                 (GetExtentX() - static_cast<int>(std::trunc(w * FZoomX / 100))) / 2;
  const int vy = static_cast<int>(std::trunc(t * FZoomY / 100)) -
                 (GetExtentY() - static_cast<int>(std::trunc(h * FZoomY / 100))) / 2;
  SetViewOrigin(vx, vy);
}

// ---------------------------------------------------------------- extents, visible area, tables

void TImageryView::UpdateExtents() {
  FExtentX = ViewNearest(FImageWidth * FZoomX / 100);
  FExtentY = ViewNearest(FImageHeight * FZoomY / 100);
  FOffsetX = FOffsetY = 0;
  if (ViewDesigning(this)) {
    FVisibleExtentX = std::min(FExtentX, Width());
    FVisibleExtentY = std::min(FExtentY, Height());
    return;
  }
  const int ex = GetExtentX(), ey = GetExtentY();
  FVisibleExtentX = std::min(FExtentX, ex);
  FVisibleExtentY = std::min(FExtentY, ey);
  if (FCenter) {
    if (FVisibleExtentX < ex) FOffsetX = (ex - FVisibleExtentX) / 2;
    if (FVisibleExtentY < ey) FOffsetY = (ey - FVisibleExtentY) / 2;
  }
}

int TImageryView::SnapOrigin(int v, bool Vertical) {
  if (v < 0) v = 0;
  const std::vector<int>& s2i = Vertical ? FS2IY : FS2IX;
  const std::vector<int>& i2s = Vertical ? FI2SY : FI2SX;
  const int zoomed = Vertical ? FExtentY : FExtentX;
  if (FTables && v < zoomed && v < static_cast<int>(s2i.size())) {
    const int col = s2i[static_cast<size_t>(v)];
    if (col >= 0 && col < static_cast<int>(i2s.size())) return i2s[static_cast<size_t>(col)];
  }
  return v;
}

void TImageryView::UpdateVisibleRect() {
  auto axis = [&](bool Vertical, int& Src, int& SrcW, int& DstW) {
    const int img = Vertical ? FImageHeight : FImageWidth;
    const int zoomed = Vertical ? FExtentY : FExtentX;
    const int vis = Vertical ? FVisibleExtentY : FVisibleExtentX;
    const double zoom = Vertical ? FZoomY : FZoomX;
    const double f = zoom / 100;
    const int sv = SnapOrigin(Vertical ? FViewY : FViewX, Vertical);
    if (zoomed <= 0 || img <= 0) {
      Src = SrcW = DstW = 0;
      return;
    }
    Src = ViewNearest(double(sv) * img / zoomed);
    SrcW = ViewNearest(double(img) / zoomed * vis);
    if (Src + SrcW > img) SrcW -= 1;
    if (Src + SrcW > img) SrcW = img - Src;
    if (SrcW < 0) SrcW = 0;
    if (zoom <= 100) {
      DstW = vis;
    } else {
      DstW = static_cast<int>(std::trunc(SrcW * f));
      if (DstW < vis && Src + SrcW + 1 <= img) {
        SrcW += 1;
        DstW = static_cast<int>(std::trunc(SrcW * f));
      }
    }
  };
  axis(false, FVisible.SrcX, FVisible.SrcW, FVisible.DstW);
  axis(true, FVisible.SrcY, FVisible.SrcH, FVisible.DstH);
}

void TImageryView::UpdateZoomTables() {
  const int vw = FVisible.DstW, vh = FVisible.DstH;
  if (vw <= 0 || vh <= 0 || FImageWidth <= 0 || FImageHeight <= 0) {
    FTables = false;
    FS2IX.clear();
    FS2IY.clear();
    FI2SX.clear();
    FI2SY.clear();
    FTabZoomX = FTabZoomY = 0;
    FTabW = FTabH = FTabImgW = FTabImgH = -1;
    return;
  }
  if (FTables && FTabZoomX == FZoomX && FTabZoomY == FZoomY && FTabW == vw && FTabH == vh &&
      FTabImgW == FImageWidth && FTabImgH == FImageHeight)
    return;
  auto build = [](std::vector<int>& s2i, std::vector<int>& i2s, int zoomed, int vis, int img, double zoom) {
    const int64_t j = int64_t(zoomed) + vis;
    s2i.assign(static_cast<size_t>(j + 1), 0);
    const int64_t n = static_cast<int64_t>(std::trunc((j + 1) * 100.0 / zoom)) + 1;
    i2s.assign(static_cast<size_t>(n), 0);
    if (zoom > 100) {
      for (int64_t x = j; x >= 0; --x) {
        const int64_t col = static_cast<int64_t>(std::trunc(x * 100.0 / zoom));
        if (col < n) i2s[static_cast<size_t>(col)] = static_cast<int>(x);
        s2i[static_cast<size_t>(x)] = static_cast<int>(std::min<int64_t>(col, img - 1));
      }
    } else {
      for (int64_t k = n - 1; k >= 0; --k) {
        const int64_t x = static_cast<int64_t>(std::trunc(k * zoom / 100));
        i2s[static_cast<size_t>(k)] = static_cast<int>(x);
        if (x <= j) s2i[static_cast<size_t>(x)] = static_cast<int>(std::min<int64_t>(k, img - 1));
      }
    }
  };
  build(FS2IX, FI2SX, FExtentX, vw, FImageWidth, FZoomX);
  build(FS2IY, FI2SY, FExtentY, vh, FImageHeight, FZoomY);
  FTables = true;
  FTabZoomX = FZoomX;
  FTabZoomY = FZoomY;
  FTabW = vw;
  FTabH = vh;
  FTabImgW = FImageWidth;
  FTabImgH = FImageHeight;
  // The visible rectangle depends on the snapped origin, which the new tables define.
  UpdateVisibleRect();
}

int TImageryView::ScreenToBitmapX(int x) {
  x -= FOffsetX;
  const int sv = SnapOrigin(FViewX, false);
  if (FTables && x >= 0 && x < FVisible.DstW && sv + x < static_cast<int>(FS2IX.size()))
    return FS2IX[static_cast<size_t>(sv + x)];
  return static_cast<int>(std::trunc(x * 100.0 / FZoomX + FVisible.SrcX));
}

int TImageryView::ScreenToBitmapY(int y) {
  y -= FOffsetY;
  const int sv = SnapOrigin(FViewY, true);
  if (FTables && y >= 0 && y < FVisible.DstH && sv + y < static_cast<int>(FS2IY.size()))
    return FS2IY[static_cast<size_t>(sv + y)];
  return static_cast<int>(std::trunc(y * 100.0 / FZoomY + FVisible.SrcY));
}

int TImageryView::BitmapToScreenX(int c) {
  const int sv = SnapOrigin(FViewX, false);
  const int n = c - FVisible.SrcX;
  const int visCols = static_cast<int>(std::trunc(FVisible.DstW * 100.0 / FZoomX));
  if (FTables && n >= 0 && n <= visCols && c < static_cast<int>(FI2SX.size()))
    return FI2SX[static_cast<size_t>(c)] - sv + FOffsetX;
  return ViewNearest((ViewNearest(-sv * 100.0 / FZoomX) + c) * FZoomDX + FOffsetX);
}

int TImageryView::BitmapToScreenY(int c) {
  const int sv = SnapOrigin(FViewY, true);
  const int n = c - FVisible.SrcY;
  const int visRows = static_cast<int>(std::trunc(FVisible.DstH * 100.0 / FZoomY));
  if (FTables && n >= 0 && n <= visRows && c < static_cast<int>(FI2SY.size()))
    return FI2SY[static_cast<size_t>(c)] - sv + FOffsetY;
  return ViewNearest((ViewNearest(-sv * 100.0 / FZoomY) + c) * FZoomDY + FOffsetY);
}

// ---------------------------------------------------------------- scroll bars and wheel

void TImageryView::ScrollMessage(bool Vertical, WPARAM WParam) {
  const int code = LOWORD(WParam);
  const unsigned pos = static_cast<uint16_t>(HIWORD(WParam));
  const TIEScrollBarParams& p = Vertical ? *FVScrollBarParams : *FHScrollBarParams;
  const int origin = Vertical ? FViewY : FViewX;
  const double factor = Vertical ? FZoomDY : FZoomDX;
  const double scale = Vertical ? FVScale : FHScale;
  const int line = std::max(static_cast<int>(std::trunc(factor)), 1) * (p.LineStep == -1 ? 1 : p.LineStep);
  const int page = p.PageStep == -1 ? (Vertical ? GetExtentY() : GetExtentX())
                                    : std::max(static_cast<int>(std::trunc(factor)), 1) * p.PageStep;
  int maxX = 0, maxY = 0;
  GetMaxViewOrigin(maxX, maxY);
  int v = origin;
  switch (code) {
    case SB_LINEUP:
      v = origin - line;
      break;
    case SB_LINEDOWN:
      v = origin + line;
      break;
    case SB_PAGEUP:
      v = origin - page;
      break;
    case SB_PAGEDOWN:
      v = origin + page;
      break;
    case SB_TOP:
      v = 0;
      break;
    case SB_BOTTOM:
      v = Vertical ? maxY : maxX;
      break;
    case SB_THUMBPOSITION:
      v = ViewNearest(pos * scale);
      break;
    case SB_THUMBTRACK:
      if (p.Tracking) v = ViewNearest(pos * scale);
      break;
    default:
      break;
  }
  if (Vertical)
    SetViewY(v);
  else
    SetViewX(v);
}

void TImageryView::DoMouseWheelAction(int Delta, int x, int y, bool Ctrl) {
  const TIEMouseWheelParams& p = *FMouseWheelParams;
  if (p.Action == 0 || FAutoFit) return;
  int d = Delta < 1 ? 1 : -1;
  if (p.InvertDirection) d = -d;
  if (p.Action == 1) {
    int maxX = 0, maxY = 0;
    GetMaxViewOrigin(maxX, maxY);
    const bool horizontal = Ctrl || (maxX > 0 && maxY == 0);
    const int extent = horizontal ? GetExtentX() : GetExtentY();
    const double factor = horizontal ? FZoomDX : FZoomDY;
    int step;
    if (p.StepKind == 1)
      step = std::max(ViewNearest(extent * p.Step / 100.0), 1);
    else if (p.StepKind == 0)
      step = p.Step * std::max(static_cast<int>(std::trunc(factor)), 1);
    else
      return;
    if (horizontal)
      SetViewX(FViewX + d * step);
    else
      SetViewY(FViewY + d * step);
  } else if (p.Action == 2) {
    double z;
    if (p.StepKind == 0)
      z = FZoomX + d * p.Step;
    else
      z = FZoomX + d * std::max(ViewNearest(p.Step * FZoomX / 100), 1);
    if (z > FZoomX && OnZoomIn) OnZoomIn(this, z);
    if (z < FZoomX && OnZoomOut) OnZoomOut(this, z);
    if (p.ZoomAtMouse)
      ZoomAt(x, y, false, z);
    else
      SetZoom(z);
  }
}

// ---------------------------------------------------------------- messages

void TImageryView::WndProc(TMessage& M) {
  switch (M.Msg) {
    case IEM_UPDATE:
      Update();
      return;
    case 8025:
    case 8026:
      // Video frames and graph events come from a capture object this platform does not have.
      return;
    case IEM_PROGRESS:
      if (FOnProgress) FOnProgress(this, static_cast<int>(LOWORD(M.WParam)));
      return;
    case IEM_FINISHWORK:
      if (FOnFinishWork) FOnFinishWork(this);
      return;
    case WM_SIZE:
      TIEView::WndProc(M);
      if (!FLayoutInProgress) Relayout();
      return;
    case WM_ERASEBKGND:
      M.Result = 0;
      return;
    case WM_HSCROLL:
    case WM_VSCROLL:
      TIEView::WndProc(M);
      ScrollMessage(M.Msg == WM_VSCROLL, M.WParam);
      M.Result = 0;
      return;
    case WM_MOUSEWHEEL: {
      TIEView::WndProc(M);
      POINT p{static_cast<short>(LOWORD(M.LParam)), static_cast<short>(HIWORD(M.LParam))};
      ::ScreenToClient(FHandle, &p);
      const bool ctrl = (LOWORD(M.WParam) & MK_CONTROL) != 0;
      DoMouseWheelAction(static_cast<short>(HIWORD(M.WParam)), p.x, p.y, ctrl);
      M.Result = 0;
      return;
    }
    case WM_LBUTTONDBLCLK:
      TIEView::WndProc(M);
      if (FPolyOpen && !FLasso) EndPolygon((LOWORD(M.WParam) & MK_SHIFT) != 0);
      return;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TIEView::WndProc(M);
      Invalidate();
      return;
    case CM_WANTSPECIALKEY: {
      TIEView::WndProc(M);
      bool handled = false;
      if (OnSpecialKey) {
        TShiftState shift;
        if (GetKeyState(VK_SHIFT) < 0) shift.Include(ssShift);
        if (GetKeyState(VK_CONTROL) < 0) shift.Include(ssCtrl);
        if (GetKeyState(VK_MENU) < 0) shift.Include(ssAlt);
        OnSpecialKey(this, static_cast<int>(M.WParam), shift, handled);
      }
      if (handled) M.Result = 1;
      return;
    }
    case 0x0311:  // the palette changed
      Invalidate();
      return;
    default:
      break;
  }
  TIEView::WndProc(M);
}

void TImageryView::Notification(TComponent* AComponent, TOperation Operation) {
  TIEView::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FNavigator) FNavigator = nullptr;
}
