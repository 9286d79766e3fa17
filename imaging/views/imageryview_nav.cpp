// The single-image view's bindings: the navigator, the legacy class-library bitmap and external
// bitmaps as the image, the cursors, and the view unit's start-up and shut-down steps.
#include <algorithm>
#include <cmath>

#include "imaging/io/ieinit.h"
#include "imaging/io/imageryio.h"
#include "imaging/views/iepreviews.h"
#include "imaging/views/imageryvect.h"
#include "imaging/views/imageryview.h"
#include "platform/vcl/forms.h"
#include "platform/win/gdi_user.h"
#include "platform/win/wingdi.h"
#include "platform/win/winuser.h"

namespace {

// The view's cursors 1778..1814, by the shape each one stands for: the platform's own cursors
// stand in for the pictures (zoom glasses, crosses, hand, move and rotation arrows).
LPCSTR CursorShape(int n) {
  switch (n) {
    case 1778:
    case 1779: return IDC_CROSS;
    case 1782: return IDC_HAND;
    case 1786: return IDC_SIZENWSE;
    case 1787: return IDC_SIZENS;
    case 1788: return IDC_SIZENESW;
    case 1789: return IDC_SIZEWE;
    case 1790: return IDC_SIZEALL;
    default: return n >= 1811 ? IDC_SIZEALL : IDC_CROSS;
  }
}

// The vector unit's step is installed with the view's own, so that every program that holds a
// view also detects and loads the vector-object files.
const bool kStepInstalled = (IESetLibraryStep(lsImageryView, &IEImageryViewInit, &IEImageryViewFree),
                             IESetLibraryStep(lsVect, &IEVectInit, &IEVectFree), true);

}  // namespace

void IERegisterViewCursors() {
  for (int n = 1778; n <= 1814; ++n) Screen()->SetCursors(n, LoadCursor(nullptr, CursorShape(n)));
}

// ---------------------------------------------------------------- navigator

void TImageryView::SetNavigator(TImageryView* View) {
  if (FNavigator != nullptr) {
    TImageryView* old = FNavigator;
    FNavigator = nullptr;
    old->OnSelectionChanging = nullptr;
    old->SetExternalBitmap(nullptr);
    old->FIsNavigator = false;
    old->FNavigatorOwner = nullptr;
    old->RemoveFreeNotification(this);
  }
  if (View == nullptr) return;
  FNavigator = View;
  View->FIsNavigator = true;
  View->FNavigatorOwner = this;
  View->SetEnableAlphaChannel(FEnableAlphaChannel);
  View->SetAutoFit(true);
  View->SetMouseInteract(TIEMouseInteract{miSelect});
  View->SelectionBase = iesbBitmap;
  View->SetSelectionOptions(TIESelectionOptions{iesoMoveable, iesoCanScroll});
  View->SetExternalBitmap(GetIEBitmap());
  View->OnSelectionChanging = [this](TObject* S) { FollowNavigator(S); };
  View->FreeNotification(this);
  SyncNavigator();
}

void TImageryView::SyncNavigator() {
  if (FNavGuard || FLockPaint > 0 || FNavigator == nullptr) return;
  FNavGuard = true;
  try {
    if (HandleAllocated()) Invalidate();
    const int left = ScreenToBitmapX(FOffsetX), top = ScreenToBitmapY(FOffsetY);
    const int right = ScreenToBitmapX(FOffsetX + FVisible.DstW), bottom = ScreenToBitmapY(FOffsetY + FVisible.DstH);
    FNavigator->FixedSelectionWidth = right - left;
    FNavigator->FixedSelectionHeight = bottom - top;
    FNavigator->SetSelectionAspectRatio(0);
    FNavigator->SelectRect(left, top, right, bottom, 0);
  } catch (...) {
    FNavGuard = false;
    throw;
  }
  FNavGuard = false;
}

void TImageryView::FollowNavigator(TObject*) {
  if (FNavGuard || FNavigator == nullptr) return;
  FNavGuard = true;
  SetViewOrigin(static_cast<int>(std::nearbyint(FNavigator->SelX1() * FZoomX / 100)),
                static_cast<int>(std::nearbyint(FNavigator->SelY1() * FZoomY / 100)));
  FNavGuard = false;
}

// ---------------------------------------------------------------- image binding

void TImageryView::SetLegacyBitmap(bool Value) {
  if (Value == FLegacyBitmap) return;
  FLegacyBitmap = Value;
  if (!Value) {
    FIEBitmap->SetLocation(ieMemory);
    FBitmap = nullptr;
  } else {
    FIEBitmap->SetLocation(ieTBitmap);
    FBitmap = FIEBitmap->GetTBitmap();
  }
  CallListeners();
  Update();
}

void TImageryView::SetExternalBitmap(TIEBitmap* Bitmap) {
  if (FLayersCurrent < 0 || FLayersCurrent >= GetLayersCount()) return;
  TIELayer* l = GetCurrentLayer();
  if (Bitmap == nullptr) {
    if (l->OwnsBitmap) return;  // already on a bitmap of its own: nothing is detached
    l->OwnsBitmap = true;
    l->Bitmap = new TIEBitmap();
    FIEBitmap = l->Bitmap;
    FBitmap = nullptr;
    FLegacyBitmap = false;
    return;
  }
  if (l->OwnsBitmap && l->Bitmap != Bitmap) delete l->Bitmap;
  l->Bitmap = Bitmap;
  l->OwnsBitmap = false;
  FIEBitmap = Bitmap;
  FBitmap = Bitmap->Location() == ieTBitmap ? Bitmap->GetTBitmap() : nullptr;
  FLegacyBitmap = FBitmap != nullptr;
  CallListeners();
  Update();
}

// ---------------------------------------------------------------- unit start-up

void IEImageryViewInit() {
  HDC dc = GetDC(nullptr);
  if (dc != nullptr) {
    TImageryView::ScreenBitsPerPixel = GetDeviceCaps(dc, BITSPIXEL);
    TImageryView::ScreenDpiX = GetDeviceCaps(dc, LOGPIXELSX);
    TImageryView::ScreenDpiY = GetDeviceCaps(dc, LOGPIXELSY);
    ReleaseDC(nullptr, dc);
  }
  TImageryView::RemoteSession = false;
  IEDefaultDpiX = 300;
  IEDefaultDpiY = 300;
  TImageryView::EdgeWidth = GetSystemMetrics(SM_CXEDGE);
  TImageryView::EdgeHeight = GetSystemMetrics(SM_CYEDGE);
  TImageryView::BorderWidth = GetSystemMetrics(SM_CXBORDER);
  TImageryView::BorderHeight = GetSystemMetrics(SM_CYBORDER);
  (void)kStepInstalled;
  // Worker threads of an IO companion reach a view's window only through posted messages.
  IEViewWindowLink.HasParentWindow = [](TIEView* View) {
    auto* v = dynamic_cast<TImageryView*>(View);
    return v != nullptr && v->HasParentWindow() && v->HandleAllocated();
  };
  IEViewWindowLink.PostMessage = [](TIEView* View, uint32_t Msg, uintptr_t WParam, intptr_t LParam) {
    if (View != nullptr && View->HandleAllocated())
      ::PostMessage(View->Handle(), Msg, static_cast<WPARAM>(WParam), static_cast<LPARAM>(LParam));
  };
  IEInstallPsdViewHooks(true);
  IEInstallLayerFileHooks(true);
  IEInstallPreviewsDialog(true);
}

void IEImageryViewFree() {
  IEViewWindowLink.HasParentWindow = nullptr;
  IEViewWindowLink.PostMessage = nullptr;
  IEInstallPsdViewHooks(false);
  IEInstallLayerFileHooks(false);
  IEInstallPreviewsDialog(false);
}
