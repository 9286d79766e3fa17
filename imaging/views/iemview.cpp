// The thumbnail grid: image list, properties, layout, scrolling and messages (see iemview.h).
#include "imaging/views/iemview.h"

#include <algorithm>
#include <cstdlib>

#include "imaging/core/imageryproc.h"
#include "imaging/views/iegdiplus.h"
#include "imaging/views/iemview_internal.h"
#include "imaging/views/ievirtualimagelist.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/forms.h"

ORV_CLASS_IMPL(TIEMText, TObject)
ORV_CLASS_IMPL(TImageryMView, TIEView)

// ---------------------------------------------------------------- TIEMText

TIEMText::TIEMText(TComponent* Owner, uint8_t Position)
    : FFont(std::make_unique<TFont>()), FBackground(clBtnFace), FOwner(Owner), FPosition(Position) {
  if (auto* grid = dynamic_cast<TImageryMView*>(Owner)) {
    FFont->Assign(grid->Font());
    FBackground = grid->Background();
  }
}

TIEMText::~TIEMText() = default;

void TIEMText::SetCaption(const std::string& Value) {
  if (auto* grid = dynamic_cast<TImageryMView*>(FOwner)) {
    // Measured on the back buffer's canvas, the canvas the captions are drawn on.
    TCanvas* canvas = grid->FBackBuffer->GetCanvas();
    canvas->Font()->Assign(FFont.get());
    const int h = canvas->TextHeight(Value);
    if (FPosition == 0 && grid->FUpperGap < h + 2) grid->FUpperGap = h + 2;
    if (FPosition == 1 && grid->FBottomGap < h + 2)
      grid->FBottomGap = grid->FStyle == iemsACD ? h + 4 : h + 2;
  }
  FCaption = Value;
}

// ---------------------------------------------------------------- creation

TImageryMView::TImageryMView(TComponent* AOwner) : TIEView(AOwner) {
  FBackBuffer = std::make_unique<TIEBitmap>();
  FBackBuffer->SetLocation(ieTBitmap);
  FBackBuffer->Allocate(1, 1, ie24RGB);
  FWidth = 180;
  FHeight = 90;
  FIO = new TImageryIO(this);
  CreateStores();
  FWallPaper = std::make_unique<TPicture>();
  FStarter = std::make_unique<TIEStarter>(this);
}

TImageryMView::~TImageryMView() {
  FDestroying = true;
  if (FPlayTimer != 0 && HandleAllocated()) KillTimer(FHandle, FPlayTimer);
  FPlayTimer = 0;
  ClearSelection();
  // No load may still run when the grid goes: the loader thread ends first, then every running
  // load is cancelled and waited for before its IO component and target are freed.
  FStarter->Stop();
  CancelLoads();
  std::vector<TImageryIO*> running;
  {
    TIELock lock(FThreadCS);
    running.swap(FInFlight);
    FLoadQueue.clear();
  }
  FreeIOs(running);
  FPrefetch.reset();
  FStarter.reset();
  FreeFrameIOs();
  delete FMIO;
  FMIO = nullptr;
  delete FProc;
  FProc = nullptr;
  {
    TIELock lock(FThreadCS);
    while (!FImageInfo.empty()) {
      FreeRecordPictures(FImageInfo.back().get());
      FImageInfo.pop_back();
    }
  }
  FWallPaper.reset();
  FImageList.reset();
  FCacheList.reset();
  delete FIO;
  FIO = nullptr;
}

void TImageryMView::CreateStores() {
  const bool inFile = !ComponentState().Contains(csDesigning);
  FImageList = std::make_unique<TIEVirtualImageList>("ILIST", inFile);
  FImageList->SetLimit(FImageCacheSize);
  FCacheList = std::make_unique<TIEVirtualImageList>("ICACHE", inFile);
}

void TImageryMView::CreateParams(TCreateParams& Params) {
  TIEView::CreateParams(Params);
  Params.WindowClass.style |= CS_DBLCLKS;
}

void TImageryMView::Publish(TPublisher<TImageryMView>& P) {
  using G = TImageryMView;
  P.Prop("Background", &G::Background, &G::SetBackground).Type("TColor").Default(clBtnFace);
  P.Prop("ScrollBars", &G::ScrollBars, &G::SetScrollBars).Default(ssBoth);
  P.Prop("StoreType", &G::StoreType, &G::SetStoreType).Default(ietNormal);
  P.Prop("ThumbWidth", &G::ThumbWidth, &G::SetThumbWidth).Default(100);
  P.Prop("ThumbHeight", &G::ThumbHeight, &G::SetThumbHeight).Default(100);
  P.Prop("HorizBorder", &G::HorizBorder, &G::SetHorizBorder).Default(4);
  P.Prop("VertBorder", &G::VertBorder, &G::SetVertBorder).Default(4);
  P.Prop("UpperGap", &G::UpperGap, &G::SetUpperGap).Default(0);
  P.Prop("BottomGap", &G::BottomGap, &G::SetBottomGap).Default(0);
  P.Prop("VisibleSelection", &G::VisibleSelection, &G::SetVisibleSelection).Default(true);
  P.Prop("MouseInteract", &G::MouseInteract, &G::SetMouseInteract)
      .Type(SetTypeInfo("TIEMMouseInteract", TypeInfo<TIEMMouseInteractItem>()))
      .Default(TIEMMouseInteract{mmiSelect});
  P.Prop("KeyInteract", &G::KeyInteract, &G::SetKeyInteract)
      .Type(SetTypeInfo("TIEMKeyInteract", TypeInfo<TIEMKeyInteractItem>()))
      .Default(TIEMKeyInteract{mkiMoveSelected});
  P.Prop("DisplayMode", &G::DisplayMode, &G::SetDisplayMode).Default(mdGrid);
  P.Prop("GridWidth", &G::GridWidth, &G::SetGridWidth).Default(0);
  P.Prop("SelectionWidth", &G::SelectionWidth, &G::SetSelectionWidth).Default(2);
  P.Prop("SelectionColor", &G::SelectionColor, &G::SetSelectionColor)
      .Type("TColor")
      .Default(16752800);
  P.Prop("RemoveCorrupted", &G::RemoveCorrupted, &G::SetRemoveCorrupted).Default(false);
  P.Prop("DrawImageBackground", &G::DrawImageBackground, &G::SetDrawImageBackground).Default(false);
  P.Prop("ImageCacheSize", &G::ImageCacheSize, &G::SetImageCacheSize).Default(10);
  P.Prop("TransitionEffect", &G::TransitionEffect, &G::SetTransitionEffect).Default(iettNone);
  P.Prop("TransitionDuration", &G::TransitionDuration, &G::SetTransitionDuration).Default(1000);
  P.Prop("Style", &G::Style, &G::SetStyle).Default(iemsACD);
  P.Prop("SelectionStyle", &G::SelectionStyle, &G::SetSelectionStyle).Default(iessAround);
  P.Prop("ThumbnailsBackground", &G::ThumbnailsBackground, &G::SetThumbnailsBackground)
      .Type("TColor")
      .Default(clBtnFace);
  P.Prop("EnableMultiSelect", &G::EnableMultiSelect, &G::SetEnableMultiSelect).Default(false);
  P.Prop("MultiSelectionOptions", &G::MultiSelectionOptions, &G::SetMultiSelectionOptions)
      .Type(SetTypeInfo("TIEMultiSelectionOptions", TypeInfo<TIEMultiSelectionOption>()))
      .Default(TIEMultiSelectionOptions{});
  P.Prop("ThumbnailsBorderWidth", &G::ThumbnailsBorderWidth, &G::SetThumbnailsBorderWidth)
      .Default(0);
  P.Prop("ThumbnailsBorderColor", &G::ThumbnailsBorderColor, &G::SetThumbnailsBorderColor)
      .Type("TColor")
      .Default(clBtnFace);
  P.Prop("ThumbnailsInternalBorder", &G::ThumbnailsInternalBorder, &G::SetThumbnailsInternalBorder)
      .Default(false);
  P.Prop("ThumbnailsInternalBorderColor", &G::ThumbnailsInternalBorderColor,
         &G::SetThumbnailsInternalBorderColor)
      .Type("TColor")
      .Default(clBlack);
  P.Prop("WallPaper", &G::WallPaper, &G::SetWallPaper);
  P.Prop("WallPaperStyle", &G::WallPaperStyle, &G::SetWallPaperStyle).Default(iewoNormal);
  P.Prop("ThreadPoolSize", &G::ThreadPoolSize, &G::SetThreadPoolSize).Default(5);
  P.Prop("EnableAlphaChannel", &G::EnableAlphaChannel, &G::SetEnableAlphaChannel).Default(true);
  P.Prop("BackgroundStyle", &G::BackgroundStyle, &G::SetBackgroundStyle).Default(iebsSolid);
  P.Prop("ThumbnailsBackgroundStyle", &G::ThumbnailsBackgroundStyle,
         &G::SetThumbnailsBackgroundStyle)
      .Default(iebsSolid);
  P.Prop("FlatScrollBars", &G::FlatScrollBars, &G::SetFlatScrollBars).Default(false);
  P.Prop("ImageryVersion", &G::ImageryVersion, &G::SetImageryVersion);
  P.Event("OnViewChange", &G::OnViewChange).Type("TViewChangeEvent");
  P.Event("OnImageIDRequest", &G::OnImageIDRequest).Type("TIEImageIDRequestEvent");
  P.Event("OnImageIDRequestEx", &G::OnImageIDRequestEx).Type("TIEImageIDRequestExEvent");
  P.Event("OnBeforeImageDraw", &G::OnBeforeImageDraw).Type("TIEImageDrawEvent");
  P.Event("OnBeforeImageDrawEx", &G::OnBeforeImageDrawEx).Type("TIEImageDrawEventEx");
  P.Event("OnImageDraw", &G::OnImageDraw).Type("TIEImageDrawEvent");
  P.Event("OnImageDraw2", &G::OnImageDraw2).Type("TIEImageDraw2Event");
  P.Event("OnImageSelect", &G::OnImageSelect).Type("TIEImageSelectEvent");
  P.Event("OnImageDeselect", &G::OnImageDeselect).Type("TIEImageSelectEvent");
  P.Event("OnIOProgress", &G::OnIOProgress).Type("TIEProgressEvent");
  P.Event("OnDrawProgress", &G::OnDrawProgress).Type("TIEMProgressEvent");
  P.Event("OnWrongImage", &G::OnWrongImage).Type("TIEWrongImageEvent");
  P.Event("OnAllDisplayed", &G::OnAllDisplayed).Type("TNotifyEvent");
  P.Event("OnPlayFrame", &G::OnPlayFrame).Type("TIEPlayFrameEvent");
  P.Prop("OnProgress", &G::GetOnProgress, &G::SetOnProgress).Type("TIEProgressEvent");
  P.Prop("OnFinishWork", &G::GetOnFinishWork, &G::SetOnFinishWork).Type("TNotifyEvent");
}

// ---------------------------------------------------------------- image list

std::unique_ptr<TIEImageInfo> TImageryMView::NewRecord() {
  auto r = std::make_unique<TIEImageInfo>();
  r->Parent = this;
  r->Background = Background();
  r->TopText = std::make_unique<TIEMText>(this, 0);
  r->BottomText = std::make_unique<TIEMText>(this, 1);
  r->InfoText = std::make_unique<TIEMText>(this, 2);
  return r;
}

TIEImageInfo* TImageryMView::ImageInfo(int idx) const {
  if (idx < 0 || idx >= GetImageCount()) return nullptr;
  return FImageInfo[static_cast<size_t>(idx)].get();
}

void TImageryMView::RenumberLoads(int idx, int Delta) {
  for (int& q : FLoadQueue)
    if (q >= idx) q += Delta;
  for (TImageryIO* io : FInFlight)
    if (io->Tag >= idx) io->Tag += Delta;
}

void TImageryMView::InsertImageKeepSelection(int idx) {
  SetPlaying(false);
  {
    TIELock lock(FThreadCS);
    if (idx < 0) idx = 0;
    if (idx < GetImageCount()) {
      FImageInfo.insert(FImageInfo.begin() + idx, NewRecord());
      RenumberLoads(idx, +1);
    } else {
      FImageInfo.push_back(NewRecord());
      idx = GetImageCount() - 1;
    }
  }
  FChangedKind = 1;
  FChangedIndex = idx;
  FChangedIndex2 = 0;
  CallListeners();
  Relayout(false);
}

void TImageryMView::InsertImage(int idx) {
  SetPlaying(false);
  {
    TIELock lock(FThreadCS);
    if (idx >= 0 && idx < GetImageCount()) {
      FImageInfo.insert(FImageInfo.begin() + idx, NewRecord());
      RenumberLoads(idx, +1);
    } else {
      FImageInfo.push_back(NewRecord());
      idx = GetImageCount() - 1;
    }
  }
  SelectIndex(idx);
  FChangedKind = 1;
  FChangedIndex = FSelectedItem;
  FChangedIndex2 = 0;
  CallListeners();
  Relayout(false);
}

int TImageryMView::AppendImage() {
  InsertImage(GetImageCount());
  return GetImageCount() - 1;
}

void TImageryMView::FreeRecordPictures(TIEImageInfo* Info) {
  if (Info->Image != nullptr) FImageList->Delete(Info->Image);
  Info->Image = nullptr;
  if (Info->CacheImage != nullptr) FCacheList->Delete(Info->CacheImage);
  Info->CacheImage = nullptr;
}

bool TImageryMView::RemoveImage(int idx) {
  if (idx < 0 || idx >= GetImageCount()) return false;
  SetPlaying(false);
  DropPendingLoad(idx);
  const int s = FSelectedItem;
  ClearSelection();
  {
    TIELock lock(FThreadCS);
    TIEImageInfo* info = FImageInfo[static_cast<size_t>(idx)].get();
    ForgetPrefetch(info);
    FreeRecordPictures(info);
    FImageInfo.erase(FImageInfo.begin() + idx);
    RenumberLoads(idx + 1, -1);
  }
  const int count = GetImageCount();
  if (s != -1) {
    if (idx != s || idx < count)
      SelectIndex(idx < s ? s - 1 : s);
    else if (count > 0)
      SelectIndex(count - 1);
  }
  FChangedKind = 2;
  FChangedIndex = idx;
  FChangedIndex2 = 0;
  CallListeners();
  return true;
}

void TImageryMView::DeleteImage(int idx) {
  if (RemoveImage(idx)) Relayout(false);
}

void TImageryMView::Clear() {
  DeselectNone();
  CancelLoads();
  for (int i = GetImageCount() - 1; i >= 0; --i) RemoveImage(i);
  {
    TIELock lock(FThreadCS);
    FImageList.reset();
    FCacheList.reset();
    CreateStores();
  }
  FreeFrameIOs();
  Update();
}

void TImageryMView::SetImageFileName(int idx, const std::string& Name) {
  TIELock lock(FThreadCS);
  TIEImageInfo* info = ImageInfo(idx);
  if (info == nullptr) return;
  info->Name = Name;
  info->ID = -1;
}

std::string TImageryMView::GetImageFileName(int idx) const {
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr ? info->Name : std::string();
}

void TImageryMView::SetImageBackground(int idx, TColor Color) {
  TIEImageInfo* info = ImageInfo(idx);
  if (info == nullptr) return;
  info->Background = Color;
  DropDisplayThumbnail(idx);
  Relayout(false);
}

void TImageryMView::SetImageDelay(int idx, int Milliseconds) {
  if (TIEImageInfo* info = ImageInfo(idx)) info->DTime = Milliseconds;
}

int TImageryMView::GetImageDelay(int idx) const {
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr ? info->DTime : 0;
}

void TImageryMView::SetImageID(int idx, int ID) {
  if (TIEImageInfo* info = ImageInfo(idx)) info->ID = ID;
}

int TImageryMView::GetImageID(int idx) const {
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr ? info->ID : -1;
}

TIEMText* TImageryMView::GetImageTopText(int idx) const {
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr ? info->TopText.get() : nullptr;
}

TIEMText* TImageryMView::GetImageBottomText(int idx) const {
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr ? info->BottomText.get() : nullptr;
}

TIEMText* TImageryMView::GetImageInfoText(int idx) const {
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr ? info->InfoText.get() : nullptr;
}

void TImageryMView::SetImageBottomText(int Index, const std::string& Text) {
  if (TIEMText* t = GetImageBottomText(Index)) t->SetCaption(Text);
}

int TImageryMView::GetImageRow(int idx) const {
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr ? info->Row : 0;
}

int TImageryMView::GetImageCol(int idx) const {
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr ? info->Col : 0;
}

int TImageryMView::GetImageX(int idx) const {
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr ? info->X : 0;
}

int TImageryMView::GetImageY(int idx) const {
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr ? info->Y : 0;
}

void TImageryMView::SetImageOriginalWidth(int idx, int Width) {
  TIELock lock(FThreadCS);
  TIEImageInfo* info = ImageInfo(idx);
  if (info != nullptr && info->Image != nullptr) FImageList->SetOriginalWidth(info->Image, Width);
}

void TImageryMView::SetImageOriginalHeight(int idx, int Height) {
  TIELock lock(FThreadCS);
  TIEImageInfo* info = ImageInfo(idx);
  if (info != nullptr && info->Image != nullptr) FImageList->SetOriginalHeight(info->Image, Height);
}

int TImageryMView::GetImageOriginalWidth(int idx) {
  TIELock lock(FThreadCS);
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr && info->Image != nullptr ? FImageList->GetOriginalWidth(info->Image) : 0;
}

int TImageryMView::GetImageOriginalHeight(int idx) {
  TIELock lock(FThreadCS);
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr && info->Image != nullptr ? FImageList->GetOriginalHeight(info->Image) : 0;
}

int TImageryMView::GetImageWidth(int idx) {
  TIELock lock(FThreadCS);
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr && info->Image != nullptr ? FImageList->GetWidth(info->Image) : 0;
}

int TImageryMView::GetImageHeight(int idx) {
  TIELock lock(FThreadCS);
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr && info->Image != nullptr ? FImageList->GetHeight(info->Image) : 0;
}

bool TImageryMView::HasStoredPicture(int idx) const {
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr && info->Image != nullptr;
}

bool TImageryMView::HasDisplayThumbnail(int idx) const {
  TIEImageInfo* info = ImageInfo(idx);
  return info != nullptr && info->CacheImage != nullptr;
}

void TImageryMView::DropDisplayThumbnail(int idx) {
  TIELock lock(FThreadCS);
  TIEImageInfo* info = ImageInfo(idx);
  if (info == nullptr || info->CacheImage == nullptr) return;
  FCacheList->Delete(info->CacheImage);
  info->CacheImage = nullptr;
}

void TImageryMView::DropAllDisplayThumbnails() {
  for (int i = 0; i < GetImageCount(); ++i) DropDisplayThumbnail(i);
}

void TImageryMView::SetEnableImageCaching(bool Value) {
  FEnableImageCaching = Value;
  if (!Value) {
    DropAllDisplayThumbnails();
    Update();
  }
}

void TImageryMView::SetFillThumbnail(bool Value) { StoreAndUpdate(FFillThumbnail, Value); }

void TImageryMView::SetShowText(bool Value) { StoreAndUpdate(FShowText, Value); }

void TImageryMView::ReserveStorage(int Width, int Height, int Count, int BitsPerPixel) {
  TIELock lock(FThreadCS);
  FImageList->ReserveSpace(Width, Height, BitsPerPixel, Count);
}

void TImageryMView::CallListeners() {
  TIEView::CallListeners();
  FChangedKind = 0;
}

void TImageryMView::GetLastChange(int& Kind, int& I, int& J) {
  Kind = FChangedKind;
  I = FChangedIndex;
  J = FChangedIndex2;
}

// ---------------------------------------------------------------- layout

int TImageryMView::ColumnCount() {
  if (FGridWidth != -1) return FGridWidth;
  return (ClientWidth() - FHorizBorder) / (FHorizBorder + FThumbWidth);
}

void TImageryMView::ComputeCellPositions() {
  FExtentX = 0;
  FExtentY = 0;
  const int C = ColumnCount();
  int col = 0, row = 0;
  for (auto& info : FImageInfo) {
    int x = col * (FThumbWidth + FHorizBorder), y = row * (FThumbHeight + FVertBorder);
    if (FDisplayMode == mdGrid) {
      x += FHorizBorder;
      y += FVertBorder;
    }
    info->X = x;
    info->Y = y;
    info->Row = row;
    info->Col = col;
    FExtentX = std::max(FExtentX, x);
    FExtentY = std::max(FExtentY, y);
    ++col;
    if (FDisplayMode == mdSingle || col == C) {
      col = 0;
      if (FDisplayMode == mdGrid) ++row;
    }
  }
  FExtentX += FThumbWidth + FHorizBorder;
  FExtentY += FThumbHeight + FVertBorder;
}

int TImageryMView::ImageAtPos(int x, int y) {
  if (FDisplayMode == mdSingle) return FFrame;
  const int C = ColumnCount();
  const int row = (y + FViewY) / (FVertBorder + FThumbHeight);
  const int col = (x + FViewX) / (FHorizBorder + FThumbWidth);
  const int idx = col + row * C;
  // Only a real cell under the point answers; everything else (a negative index from a negative
  // column count included) is -1.
  if (idx < 0 || idx >= GetImageCount()) return -1;
  TIEImageInfo* info = FImageInfo[static_cast<size_t>(idx)].get();
  const int left = info->X - FViewX, top = info->Y - FViewY;
  if (x >= left && x <= left + FThumbWidth - 1 && y >= top && y <= top + FThumbHeight) return idx;
  return -1;
}

int TImageryMView::ImageAtGridPos(int row, int col) { return col + row * ColumnCount(); }

int TImageryMView::CellVisibility(int idx) {
  TIEImageInfo* info = ImageInfo(idx);
  if (info == nullptr) return 0;
  const int x1 = info->X - FViewX, y1 = info->Y - FViewY;
  const int x2 = x1 + FThumbWidth - 1, y2 = y1 + FThumbHeight - 1;
  const int cw = ClientWidth(), ch = ClientHeight();
  if (x2 < 0 || y2 < 0 || x1 > cw - 1 || y1 > ch - 1) return 0;
  if (x1 >= 0 && y1 >= 0 && x2 <= cw - 1 && y2 <= ch - 1) return 2;
  return 1;
}

void TImageryMView::GetMaxViewXY(int& X, int& Y) {
  X = std::max(FExtentX - ClientWidth(), 0);
  Y = std::max(FExtentY - ClientHeight(), 0);
}

void TImageryMView::SetViewX(int Value) {
  if (Value == FViewX) return;
  int mx, my;
  GetMaxViewXY(mx, my);
  FViewX = std::clamp(Value, 0, mx);
  UpdateScreenSnapshot();
  Invalidate();
  if (HandleAllocated() && (FScrollBars == ssHorizontal || FScrollBars == ssBoth))
    SetScrollPos(FHandle, SB_HORZ, static_cast<int>(FViewX / FHSVX1), TRUE);
}

void TImageryMView::SetViewY(int Value) {
  if (Value == FViewY) return;
  int mx, my;
  GetMaxViewXY(mx, my);
  FViewY = std::clamp(Value, 0, my);
  UpdateScreenSnapshot();
  Invalidate();
  if (HandleAllocated() && (FScrollBars == ssVertical || FScrollBars == ssBoth))
    SetScrollPos(FHandle, SB_VERT, static_cast<int>(FViewY / FHSVY1), TRUE);
}

void TImageryMView::SetViewXY(int X, int Y) {
  SetViewX(X);
  SetViewY(Y);
}

void TImageryMView::CenterSelected() {
  TIEImageInfo* info = ImageInfo(FSelectedItem);
  if (info == nullptr) return;
  SetViewXY(info->X - (ClientWidth() - FThumbWidth) / 2,
            info->Y - (ClientHeight() - FThumbHeight) / 2);
}

void TImageryMView::Update() { Relayout(true); }

void TImageryMView::UpdateScrollBars() {
  int mx, my;
  GetMaxViewXY(mx, my);
  auto bar = [&](int Bar, bool Present, int Max, int Client, int Origin, double& Scale) {
    if (!Present) return;
    try {
      if (Max < 1) {
        ShowScrollBar(FHandle, Bar, FALSE);
        return;
      }
      Scale = (Client + Max - 1) / 65536.0;
      SCROLLINFO si{};
      si.cbSize = sizeof(si);
      si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
      si.nMin = 0;
      si.nMax = 65535;
      si.nPage = static_cast<UINT>(Client / Scale);
      si.nPos = static_cast<int>(Origin / Scale);
      SetScrollInfo(FHandle, Bar, &si, TRUE);
      EnableScrollBar(FHandle, Bar, ESB_ENABLE_BOTH);
      ShowScrollBar(FHandle, Bar, TRUE);
    } catch (...) {
      // A failing scroll bar call must not stop the layout.
    }
  };
  bar(SB_HORZ, FScrollBars == ssHorizontal || FScrollBars == ssBoth, mx, ClientWidth(), FViewX,
      FHSVX1);
  bar(SB_VERT, FScrollBars == ssVertical || FScrollBars == ssBoth, my, ClientHeight(), FViewY,
      FHSVY1);
}

void TImageryMView::Relayout(bool DropDisplayThumbnails) {
  if (FLockPaint > 0 || FUpdating || FDestroying || !HandleAllocated()) return;
  const TComponentState st = ComponentState();
  if (!(st.Empty() || st == TComponentState{csDesigning} ||
        st == TComponentState{csFreeNotification}))
    return;
  if (GetParentForm() == nullptr && Parent() == nullptr && ParentWindow() == nullptr) return;
  if (!st.Contains(csDesigning)) {
    FUpdating = true;
    if (DropDisplayThumbnails) DropAllDisplayThumbnails();
    {
      TIELock lock(FThreadCS);
      ComputeCellPositions();
    }
    for (int round = 0; round < 9; ++round) {
      const int cw = ClientWidth(), ch = ClientHeight();
      int mx, my;
      GetMaxViewXY(mx, my);
      const int vx = std::min(FViewX, mx), vy = std::min(FViewY, my);
      if (vx != FViewX || vy != FViewY) {
        FViewX = vx;
        FViewY = vy;
        DoViewChange(0);
      }
      UpdateScrollBars();
      if (ClientWidth() == cw && ClientHeight() == ch) break;
      // Showing or hiding a bar changed the client area: the columns may change with it.
      TIELock lock(FThreadCS);
      ComputeCellPositions();
    }
    UpdateScreenSnapshot();
    CallListeners();
    FUpdating = false;
  }
  Invalidate();
  RedrawWindow(FHandle, nullptr, nullptr, RDW_FRAME | RDW_ALLCHILDREN | RDW_INVALIDATE);
}

void TImageryMView::LockPaint() { ++FLockPaint; }

int TImageryMView::UnlockPaint() {
  if (FLockPaint > 0) --FLockPaint;
  if (FLockPaint == 0) Update();
  return FLockPaint;
}

int TImageryMView::UnlockPaintNoRefresh() {
  if (FLockPaint > 0) --FLockPaint;
  return FLockPaint;
}

// ---------------------------------------------------------------- companions

TImageryMIO* TImageryMView::GetMIO() {
  if (FMIO == nullptr) {
    FMIO = new TImageryMIO(this);
    FMIO->SetAttachedMView(this);
    FMIO->OnProgress = FOnProgress;
    FMIO->OnFinishWork = FOnFinishWork;
  }
  return FMIO;
}

TImageryProc* TImageryMView::GetProc() {
  if (FProc == nullptr) {
    FProc = new TImageryProc(this);
    FProc->SetAttachedImagery(this);
    FProc->OnProgress = FOnProgress;
    FProc->OnFinishWork = FOnFinishWork;
  }
  if (FSelectedItem < 0 && GetImageCount() > 0) SetSelectedImage(0);
  return FProc;
}

void TImageryMView::SetOnProgress(const TIEProgressEvent& Value) {
  FOnProgress = Value;
  if (FMIO != nullptr) FMIO->OnProgress = Value;
  if (FProc != nullptr) FProc->OnProgress = Value;
}

void TImageryMView::SetOnFinishWork(const TNotifyEvent& Value) {
  FOnFinishWork = Value;
  if (FMIO != nullptr) FMIO->OnFinishWork = Value;
  if (FProc != nullptr) FProc->OnFinishWork = Value;
}

void TImageryMView::SetBackground(TColor Value) {
  TIEView::SetBackground(Value);
  Update();
}

// ---------------------------------------------------------------- property setters

void TImageryMView::SetScrollBars(TScrollStyle Value) {
  FScrollBars = Value;
  if (HandleAllocated() && Parent() != nullptr) {
    if (Value != ssHorizontal && Value != ssBoth) ShowScrollBar(FHandle, SB_HORZ, FALSE);
    if (Value != ssVertical && Value != ssBoth) ShowScrollBar(FHandle, SB_VERT, FALSE);
  }
  Relayout(false);
}

void TImageryMView::SetThumbWidth(int Value) {
  FThumbWidth = Value;
  DropAllDisplayThumbnails();
  Update();
}

void TImageryMView::SetThumbHeight(int Value) {
  FThumbHeight = Value;
  DropAllDisplayThumbnails();
  Update();
}

void TImageryMView::SetHorizBorder(int Value) { StoreAndUpdate(FHorizBorder, Value); }

void TImageryMView::SetVertBorder(int Value) { StoreAndUpdate(FVertBorder, Value); }

void TImageryMView::SetUpperGap(int Value) {
  FUpperGap = FSetUpperGap = Value;
  Update();
}

void TImageryMView::SetBottomGap(int Value) {
  FBottomGap = FSetBottomGap = Value;
  Update();
}

void TImageryMView::SetVisibleSelection(bool Value) { StoreAndUpdate(FVisibleSelection, Value); }

void TImageryMView::SetMouseInteract(TIEMMouseInteract Value) {
  if (Value != FMouseInteract) FMouseInteract = Value;
}

void TImageryMView::SetKeyInteract(TIEMKeyInteract Value) {
  if (Value != FKeyInteract) FKeyInteract = Value;
}

void TImageryMView::SetDisplayMode(TIEMDisplayMode Value) {
  if (FPlaying) {
    FSavedDisplayMode = Value;
    return;
  }
  FDisplayMode = Value;
  Update();
}

void TImageryMView::SetGridWidth(int Value) { StoreAndUpdate(FGridWidth, Value); }

void TImageryMView::SetSelectionWidth(int Value) { StoreAndUpdate(FSelectionWidth, Value); }

void TImageryMView::SetSelectionColor(TColor Value) { StoreAndUpdate(FSelectionColor, Value); }

void TImageryMView::SetRemoveCorrupted(bool Value) { StoreAndUpdate(FRemoveCorrupted, Value); }

void TImageryMView::SetDrawImageBackground(bool Value) {
  StoreAndUpdate(FDrawImageBackground, Value);
}

void TImageryMView::SetImageCacheSize(int Value) {
  FImageCacheSize = Value;
  TIELock lock(FThreadCS);
  FImageList->SetLimit(Value);
}

void TImageryMView::SetStyle(TIEMStyle Value) { StoreAndUpdate(FStyle, Value, true); }

void TImageryMView::SetSelectionStyle(TIESStyle Value) {
  StoreAndUpdate(FSelectionStyle, Value, true);
}

void TImageryMView::SetEnableMultiSelect(bool Value) {
  StoreAndUpdate(FEnableMultiSelect, Value, true);
}

void TImageryMView::SetThumbnailsBorderWidth(int Value) {
  StoreAndUpdate(FThumbnailsBorderWidth, Value, true);
}

void TImageryMView::SetThumbnailsBorderColor(TColor Value) {
  StoreAndUpdate(FThumbnailsBorderColor, Value, true);
}

void TImageryMView::SetThumbnailsInternalBorder(bool Value) {
  StoreAndUpdate(FThumbnailsInternalBorder, Value, true);
}

void TImageryMView::SetThumbnailsInternalBorderColor(TColor Value) {
  StoreAndUpdate(FThumbnailsInternalBorderColor, Value, true);
}

void TImageryMView::SetWallPaper(TPicture* Value) {
  FWallPaper->Assign(Value);
  Update();
}

void TImageryMView::SetWallPaperStyle(TIEWallPaperStyle Value) {
  StoreAndUpdate(FWallPaperStyle, Value, true);
}

void TImageryMView::SetEnableAlphaChannel(bool Value) {
  StoreAndUpdate(FEnableAlphaChannel, Value);
}

void TImageryMView::SetBackgroundStyle(TIEBackgroundStyle Value) {
  StoreAndUpdate(FBackgroundStyle, Value);
}

void TImageryMView::SetThumbnailsBackgroundStyle(TIEBackgroundStyle Value) {
  StoreAndUpdate(FThumbnailsBackgroundStyle, Value);
}

void TImageryMView::SetFlatScrollBars(bool Value) {
  if (Value == FFlatScrollBars) return;
  FFlatScrollBars = Value;
  if (!HandleAllocated()) return;
  // Flat bars look like the plain ones here; both are hidden until the next layout shows them.
  if (Value) {
    SetScrollRange(FHandle, SB_HORZ, 0, 65535, FALSE);
    SetScrollRange(FHandle, SB_VERT, 0, 65535, FALSE);
    ShowScrollBar(FHandle, SB_BOTH, FALSE);
  }
}

// ---------------------------------------------------------------- messages

void TImageryMView::ScrollMessage(bool Vertical, WPARAM WParam) {
  const int code = LOWORD(WParam), pos = HIWORD(WParam);
  const TIEScrollBarParams& p = Vertical ? FVScrollBarParams : FHScrollBarParams;
  const int origin = Vertical ? FViewY : FViewX;
  const int pitch = Vertical ? FThumbHeight + FVertBorder : FThumbWidth + FHorizBorder;
  const int client = Vertical ? ClientHeight() : ClientWidth();
  const double scale = Vertical ? FHSVY1 : FHSVX1;
  int mx, my;
  GetMaxViewXY(mx, my);
  int v = origin;
  switch (code) {
    case SB_LINEUP:
      v = origin - (p.LineStep == -1 ? pitch : p.LineStep);
      break;
    case SB_LINEDOWN:
      v = origin + (p.LineStep == -1 ? pitch : p.LineStep);
      break;
    case SB_PAGEUP:
      v = origin - (p.PageStep == -1 ? client : p.PageStep);
      break;
    case SB_PAGEDOWN:
      v = origin + (p.PageStep == -1 ? client : p.PageStep);
      break;
    case SB_THUMBPOSITION:
      v = static_cast<int>(pos * scale);
      break;
    case SB_THUMBTRACK:
      if (p.Tracking) v = static_cast<int>(pos * scale);
      break;
    case SB_TOP:
      v = 0;
      break;
    case SB_BOTTOM:
      v = Vertical ? my : mx;
      break;
    default:
      break;
  }
  if (Vertical)
    SetViewY(v);
  else
    SetViewX(v);
  DoViewChange(0);
}

void TImageryMView::MouseWheelMessage(WPARAM WParam) {
  const short delta = static_cast<short>(HIWORD(WParam));
  // A delta of 0 scrolls down, as a negative one does.
  SetViewY(delta > 0 ? FViewY - (FThumbHeight + FVertBorder)
                     : FViewY + (FThumbHeight + FVertBorder));
  DoViewChange(0);
}

void TImageryMView::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_SIZE:
      TIEView::WndProc(M);
      Relayout(false);
      return;
    case WM_ERASEBKGND:
      // Nothing is erased: the back buffer covers the whole client area. (Answered as handled so
      // that no erase stays pending.)
      M.Result = 1;
      return;
    case WM_HSCROLL:
    case WM_VSCROLL: {
      TUserAction action(this);
      TIEView::WndProc(M);
      ScrollMessage(M.Msg == WM_VSCROLL, M.WParam);
      M.Result = 0;
      return;
    }
    case WM_MOUSEWHEEL: {
      TUserAction action(this);
      TIEView::WndProc(M);
      MouseWheelMessage(M.WParam);
      return;
    }
    case WM_LBUTTONDBLCLK:
      // The press that comes with a double click selects nothing.
      FDblClickPending = true;
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      TIEView::WndProc(M);
      Invalidate();
      return;
    case CM_WANTSPECIALKEY:
      TIEView::WndProc(M);
      if (M.WParam >= 33 && M.WParam <= 40) M.Result = 1;
      return;
    case WM_TIMER:
      if (M.WParam == 1) {
        PlayStep();
        return;
      }
      break;
    default:
      break;
  }
  TIEView::WndProc(M);
}
