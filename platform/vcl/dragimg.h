// Drag images: pixels drawn over a top-level window's surface while something is dragged, and
// put back exactly afterwards (TWindowOverlay); the image list that draws a drag image under the
// cursor (TDragImageList). The drag loop of controls.cpp shows a dragged control's
// GetDragImages() this way, over forms and controls with csDisplayDragImage only (over others
// just the drag cursor shows); the dock drag draws its dock rectangle with the same overlay.
#pragma once

#include <functional>
#include <vector>

#include "platform/vcl/graphics.h"
#include "platform/win/winuser.h"

// One rectangle of a top-level window's pixels covered by a drawing. Hide puts the saved pixels
// back when the drawing is still intact; when something painted over it meanwhile, the area is
// invalidated instead, so the windows paint it afresh and no stale pixels stay behind.
class TWindowOverlay {
public:
  TWindowOverlay() = default;
  TWindowOverlay(const TWindowOverlay&) = delete;
  TWindowOverlay& operator=(const TWindowOverlay&) = delete;
  ~TWindowOverlay() { Hide(); }
  // Covers R (window coordinates of Root, the whole window including its frame and children)
  // with what Paint draws on a memory DC that holds the pixels there now (origin at R's corner).
  void Show(HWND Root, RECT R, const std::function<void(HDC DC, int W, int H)>& Paint);
  void Hide();
  bool Showing() const { return FRoot != nullptr; }
  HWND Root() const { return FRoot; }

private:
  HWND FRoot = nullptr;
  RECT FRect{0, 0, 0, 0};
  std::vector<uint32_t> FSaved, FDrawn;
};

// The top-level window under a screen point and that point in the window's own coordinates
// (its frame's corner is 0, 0); null when no window of ours is there.
HWND OverlayRootAt(POINT Screen, POINT& InWindow);

// An image list that also draws one of its images as the drag image.
class TDragImageList : public TImageList {
  ORV_CLASS(TDragImageList, TImageList)
public:
  explicit TDragImageList(TComponent* AOwner = nullptr);
  ~TDragImageList() override;
  // The image shown while dragging and the point of it that sits under the cursor. False for a
  // bad index.
  bool SetDragImage(int Index, int HotSpotX, int HotSpotY);
  int DragIndex() const { return FDragIndex; }
  POINT DragHotspot() const { return FHotSpot; }
  // Starts showing the image at X, Y: client coordinates of Window, or screen coordinates when
  // Window is null (then the image goes onto whichever window is under the point). False when no
  // drag image is set.
  bool BeginDrag(HWND Window, int X, int Y);
  // Moves the image (same coordinates as BeginDrag); what it covered comes back.
  bool DragMove(int X, int Y);
  // DragLock shows the image at X, Y of Window (starting a drag when none runs) and holds the
  // position; DragUnlock hides it again.
  bool DragLock(HWND Window, int XPos, int YPos);
  void DragUnlock();
  void ShowDragImage();
  void HideDragImage();
  bool EndDrag();
  bool Dragging() const { return FDragging; }

private:
  void Draw();
  bool FDragging = false, FVisible = false;
  int FDragIndex = -1;
  POINT FHotSpot{0, 0};
  HWND FWindow = nullptr;
  POINT FPos{0, 0};
  TWindowOverlay FOverlay;
};
