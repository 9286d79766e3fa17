// The thumbnail grid: selection, mouse, keys, drag and play (see iemview.h).
//
// OnImageSelect, OnImageDeselect and OnViewChange are raised only inside a user action (a mouse,
// wheel, key or scroll-bar handler, the class library's events it raises first included), so
// selections made by program raise none.
#include <algorithm>

#include "imaging/views/iemview.h"
#include "imaging/views/iemview_internal.h"
#include "imaging/views/ievirtualimagelist.h"

namespace {

// Saves a flag and restores it at the end of the scope.
class TRestore {
public:
  explicit TRestore(bool& Flag) : FFlag(Flag), FSaved(Flag) {}
  ~TRestore() { FFlag = FSaved; }

private:
  bool& FFlag;
  bool FSaved;
};

}  // namespace

// ---------------------------------------------------------------- selection

void TImageryMView::FreeFetchedSelection() {
  if (FSelectedItem < 0 || FSelectedBitmap == nullptr) return;
  TIELock lock(FThreadCS);
  TIEImageInfo* info = ImageInfo(FSelectedItem);
  // Edits made through GetIEBitmap or the processing companion reach the store.
  if (info != nullptr && info->Image != nullptr && info->Image->Fetched)
    FImageList->ReleaseEntryBitmap(info->Image, true);
  FSelectedBitmap = nullptr;
}

void TImageryMView::SelectIndex(int idx) {
  FSelectionChanged = false;
  if (FPlaying || idx < 0 || idx >= GetImageCount()) return;
  FreeFetchedSelection();
  if (FEnableMultiSelect) {
    auto listed = std::find(FMultiSelectedImages.begin(), FMultiSelectedImages.end(), idx);
    if (!FAddMode) {
      std::vector<int> old;
      old.swap(FMultiSelectedImages);
      for (int i : old) DoImageDeselect(i);
    } else if (listed != FMultiSelectedImages.end()) {
      FMultiSelectedImages.erase(listed);
      DoImageDeselect(idx);
      if (!FKeepMode) {
        // A second selection of a listed image takes it off.
        FSelectedItem = -1;
        FSelectionChanged = true;
        return;
      }
    }
    FMultiSelectedImages.push_back(idx);
  }
  FSelectedItem = idx;
  FSelectedBitmap = nullptr;
  FSelectionChanged = true;
  CallListeners();
  DoImageSelect(idx);
}

void TImageryMView::SetSelectedImage(int idx) {
  if (FPlaying || idx < 0 || idx >= GetImageCount()) return;
  if (idx == FSelectedItem && !FAddMode) return;
  SelectIndex(idx);
  Relayout(false);
}

void TImageryMView::ClearSelection() {
  if (FSelectedItem >= 0) FreeFetchedSelection();
  if (FEnableMultiSelect) {
    std::vector<int> old;
    old.swap(FMultiSelectedImages);
    for (int i : old) DoImageDeselect(i);
  } else if (FSelectedItem >= 0) {
    DoImageDeselect(FSelectedItem);
  }
  FMultiSelectedImages.clear();
  FSelectedItem = -1;
}

void TImageryMView::DeselectNone() {
  ClearSelection();
  Relayout(false);
}

void TImageryMView::SelectAll() {
  if (!FEnableMultiSelect) return;
  ClearSelection();
  TRestore add(FAddMode);
  FAddMode = true;
  const int count = GetImageCount();
  for (int i = 0; i + 1 < count; ++i) FMultiSelectedImages.push_back(i);
  if (count > 0) SelectIndex(count - 1);
  Relayout(false);
}

bool TImageryMView::IsSelected(int idx) const {
  return idx == FSelectedItem || std::find(FMultiSelectedImages.begin(), FMultiSelectedImages.end(),
                                           idx) != FMultiSelectedImages.end();
}

int TImageryMView::GetMultiSelectedImage(int i) const {
  if (i < 0 || i >= GetMultiSelectedImagesCount()) return -1;
  return FMultiSelectedImages[static_cast<size_t>(i)];
}

void TImageryMView::DoImageSelect(int idx) {
  if (OnImageSelect && FUserAction > 0) OnImageSelect(this, idx);
}

void TImageryMView::DoImageDeselect(int idx) {
  if (OnImageDeselect && FUserAction > 0 && !FDestroying) OnImageDeselect(this, idx);
}

void TImageryMView::DoViewChange(int Change) {
  if (OnViewChange && FUserAction > 0) OnViewChange(this, Change);
}

void TImageryMView::SelectAtPos(int x, int y, TShiftState Shift) {
  TRestore add(FAddMode);
  if (Shift.Contains(ssCtrl) || Shift.Contains(ssShift)) FAddMode = true;
  const int idx = ImageAtPos(x, y);
  if (idx < 0) return;
  auto listed = [&](int i) {
    return std::find(FMultiSelectedImages.begin(), FMultiSelectedImages.end(), i) !=
           FMultiSelectedImages.end();
  };
  if (FEnableMultiSelect && Shift.Contains(ssShift)) {
    const int s = FSelectedItem;
    if (FMultiSelectionOptions.Contains(iemoRegion)) {
      const int r1 = std::min(GetImageRow(s), GetImageRow(idx)),
                r2 = std::max(GetImageRow(s), GetImageRow(idx));
      const int c1 = std::min(GetImageCol(s), GetImageCol(idx)),
                c2 = std::max(GetImageCol(s), GetImageCol(idx));
      for (int r = r1; r <= r2; ++r)
        for (int c = c1; c <= c2; ++c) {
          const int i = ImageAtGridPos(r, c);
          if (i != s && i != idx && !listed(i)) SelectIndex(i);
        }
    } else if (s < idx) {
      for (int i = s + 1; i < idx; ++i)
        if (!listed(i)) SelectIndex(i);
    } else {
      for (int i = s - 1; i > idx; --i)
        if (!listed(i)) SelectIndex(i);
    }
  }
  SelectIndex(idx);
  if (FVisibleSelection) Relayout(false);
  CallListeners();
}

void TImageryMView::MoveSelection(WORD Direction) {
  const int count = GetImageCount();
  if (count == 0) return;
  const int C = ColumnCount();
  const int page = C * ((ClientHeight() - FVertBorder) / (FVertBorder + FThumbHeight));
  const int s = FSelectedItem;
  enum { kLeft, kRight, kUp, kDown, kHome } scroll = kDown;
  switch (Direction) {
    case VK_LEFT:
      if (s == -1) return;
      SetSelectedImage(s - 1);
      scroll = kLeft;
      break;
    case VK_RIGHT:
      SetSelectedImage(s == -1 ? 0 : s + 1);
      scroll = kRight;
      break;
    case VK_UP:
      if (s == -1) return;
      if (FGridWidth == 0)
        SetSelectedImage(s - 1);
      else if (s - C >= 0)
        SetSelectedImage(s - C);
      scroll = kUp;
      break;
    case VK_DOWN:
      if (FGridWidth == 0)
        SetSelectedImage(s + 1);
      else if (s == -1)
        SetSelectedImage(C - 1);
      else if (s + C < count)
        SetSelectedImage(s + C);
      scroll = kDown;
      break;
    case VK_HOME:
      SetSelectedImage(0);
      scroll = kHome;
      break;
    case VK_END:
      SetSelectedImage(count - 1);
      scroll = kDown;
      break;
    case VK_NEXT:
      SetSelectedImage(s == -1 ? std::min(page - 1, count - 1) : std::min(s + page, count - 1));
      scroll = kDown;
      break;
    case VK_PRIOR:
      if (s == -1) return;
      SetSelectedImage(std::max(s - page, 0));
      scroll = kUp;
      break;
    default:
      return;
  }
  TIEImageInfo* info = ImageInfo(FSelectedItem);
  if (info == nullptr || CellVisibility(FSelectedItem) == 2) return;
  const int x = info->X, y = info->Y;
  switch (scroll) {
    case kLeft:
      SetViewXY(x - FHorizBorder, y - FVertBorder);
      break;
    case kRight:
      SetViewXY(x + FThumbWidth + FHorizBorder - ClientWidth(),
                y + FThumbHeight + FVertBorder - ClientHeight());
      break;
    case kUp:
      SetViewY(y - FVertBorder);
      if (CellVisibility(FSelectedItem) != 2) SetViewX(x - FHorizBorder);
      break;
    case kDown:
      SetViewY(y + FThumbHeight + FVertBorder - ClientHeight());
      if (CellVisibility(FSelectedItem) != 2)
        SetViewX(x + FThumbWidth + FHorizBorder - ClientWidth());
      break;
    case kHome:
      SetViewXY(0, 0);
      break;
  }
}

// ---------------------------------------------------------------- mouse

void TImageryMView::SelectRangeFrom(int From, int X, int Y) {
  const bool add = FAddMode, keep = FKeepMode;
  FAddMode = false;
  FKeepMode = true;
  ClearSelection();
  SelectIndex(From);
  FAddMode = add;
  SelectAtPos(X, Y, TShiftState{ssShift});
  FKeepMode = keep;
  FShiftRangeDone = true;
}

void TImageryMView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TUserAction action(this);
  TIEView::MouseDown(Button, Shift, X, Y);
  if (FDblClickPending) {
    // The press that comes with a double click selects nothing.
    FDblClickPending = false;
    return;
  }
  if (CanFocus() && !Focused()) SetFocus();
  if (ControlStyle().Contains(csCaptureMouse) && !MouseCapture()) SetMouseCapture(true);
  FDownX = X;
  FDownY = Y;
  FDownViewX = FViewX;
  FDownViewY = FViewY;
  FDownImage = FLastImage = ImageAtPos(X, Y);
  FShiftRangeDone = false;
  FMouseDownPending = true;
  FSelectionChanged = false;
  FDragStarted = false;
  if (FMultiSelectionOptions.Contains(iemoSelectOnMouseUp) || Button != mbLeft ||
      !FMouseInteract.Contains(mmiSelect))
    return;
  if (Shift.Contains(ssShift) && FEnableMultiSelect) {
    SelectRangeFrom(FAnchor == -1 ? 0 : FAnchor, X, Y);
  } else if (FDownImage >= 0 && IsSelected(FDownImage)) {
    FAnchor = FDownImage;  // a multi-selection stays, so that it can be dragged
  } else {
    FAnchor = FDownImage;
    SelectAtPos(X, Y, Shift);
  }
}

void TImageryMView::MouseMove(TShiftState Shift, int X, int Y) {
  TUserAction action(this);
  TIEView::MouseMove(Shift, X, Y);
  if (Dragging() || FDragging) FDragStarted = true;
  if (!MouseCapture() || !FMouseDownPending) return;
  if (FMouseInteract.Contains(mmiSelect) && FEnableMultiSelect) {
    const int i = ImageAtPos(X, Y);
    if (i != -1 && i != FLastImage) {
      // The selection becomes the range from the image under the press to this one.
      FLastImage = i;
      SelectRangeFrom(FDownImage == -1 ? 0 : FDownImage, X, Y);
    }
  }
  if (FMouseInteract.Contains(mmiScroll) && (X != FDownX || Y != FDownY)) {
    SetViewXY(FDownViewX + FDownX - X, FDownViewY + FDownY - Y);
    DoViewChange(0);
  }
}

void TImageryMView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TUserAction action(this);
  TIEView::MouseUp(Button, Shift, X, Y);
  const bool dragged = FDragStarted || FDragging || Dragging();
  if (MouseCapture() && !Dragging()) SetMouseCapture(false);
  if (!FMouseDownPending) return;
  FMouseDownPending = false;
  // A drag that began during this press (the application's moving of photos) ends the press
  // here, although its drop already ran before this handler.
  if (dragged || FPlaying || Button != mbLeft) return;
  if (FMultiSelectionOptions.Contains(iemoSelectOnMouseUp)) {
    if (!FShiftRangeDone && FMouseInteract.Contains(mmiSelect)) SelectAtPos(X, Y, Shift);
  } else if (FMouseInteract.Contains(mmiSelect) && !FSelectionChanged) {
    // A plain click on an image of a multi-selection reduces it to that image; a Ctrl-click
    // takes it off.
    SelectAtPos(X, Y, Shift);
  }
  if (FMouseInteract.Contains(mmiScroll))
    SetViewXY(FDownViewX + FDownX - X, FDownViewY + FDownY - Y);
}

bool TImageryMView::BeginDrag(bool Immediate, int Threshold) {
  FDragging = true;
  FDragStarted = true;
  TIEView::BeginDrag(Immediate, Threshold);
  FDragging = TIEView::Dragging();
  return FDragging;
}

void TImageryMView::EndDrag() {
  TIEView::EndDrag(true);
  FDragging = false;
}

// ---------------------------------------------------------------- keys

void TImageryMView::KeyDown(WORD& Key, TShiftState Shift) {
  TUserAction action(this);
  TIEView::KeyDown(Key, Shift);
  if (FPlaying || !FKeyInteract.Contains(mkiMoveSelected)) return;
  if (Key < VK_PRIOR || Key > VK_DOWN) return;
  TRestore add(FAddMode), keep(FKeepMode);
  if (FEnableMultiSelect && (Shift.Contains(ssCtrl) || Shift.Contains(ssShift))) {
    FAddMode = true;
    FKeepMode = true;
  }
  MoveSelection(Key);
  DoViewChange(0);
  Relayout(false);
}

void TImageryMView::KeyUp(WORD& Key, TShiftState Shift) { TIEView::KeyUp(Key, Shift); }

// ---------------------------------------------------------------- play

void TImageryMView::SetPlaying(bool Value) {
  if (Value == FPlaying) return;
  if (Value) {
    FSavedDisplayMode = FDisplayMode;
    FSavedSelectedItem = FSelectedItem;
    DeselectNone();
    FPlaying = true;
    PlayStep();
    return;
  }
  FPlaying = false;
  PlayStep();
  SetDisplayMode(FSavedDisplayMode);
  SetSelectedImage(FSavedSelectedItem);
}

void TImageryMView::PlayStep() {
  if (FPlayStepRunning || FDestroying) return;
  TRestore running(FPlayStepRunning);
  FPlayStepRunning = true;
  if (FPlayTimer != 0) {
    if (HandleAllocated()) KillTimer(FHandle, FPlayTimer);
    FPlayTimer = 0;
  }
  if (!FPlaying) return;
  if (FDisplayMode != mdSingle) {
    FDisplayMode = mdSingle;
    Update();
  }
  const int count = GetImageCount();
  const int frame = std::min(FFrame, count - 1);
  if (frame < 0) return;  // an empty grid: nothing to show, and no timer
  FFrame = frame;
  if (OnPlayFrame) OnPlayFrame(this, FFrame);
  if (HandleAllocated()) {
    // Painted now; nothing is left for a second paint.
    InvalidateRect(FHandle, nullptr, FALSE);
    UpdateWindow(FHandle);
    ValidateRect(FHandle, nullptr);
  }
  const int shown = FFrame;
  if (FFrame == count - 1) {
    FFrame = 0;
    CallListeners();
    if (!FPlayLoop) {
      FPlaying = false;
      return;
    }
  } else {
    ++FFrame;
  }
  if (HandleAllocated())
    FPlayTimer =
        SetTimer(FHandle, 1, static_cast<UINT>(std::max(GetImageDelay(shown), 10)), nullptr);
}
