// Drag images and the window overlay they are drawn with.
#include "platform/vcl/dragimg.h"

#include <cstring>

#include "platform/win/wingdi.h"

ORV_CLASS_IMPL(TDragImageList, TImageList)

namespace {

// A 32-bit top-down memory bitmap selected into a memory DC, for one overlay operation.
struct TScratch {
  HDC DC = nullptr;
  HBITMAP Bitmap = nullptr;
  HGDIOBJ Old = nullptr;
  uint32_t* Bits = nullptr;
  size_t Count = 0;
  TScratch(int W, int H) {
    void* bits = nullptr;
    Bitmap = CreateDIB32(W, H, &bits);
    Bits = static_cast<uint32_t*>(bits);
    Count = static_cast<size_t>(W) * static_cast<size_t>(H);
    DC = CreateCompatibleDC(nullptr);
    Old = SelectObject(DC, Bitmap);
  }
  ~TScratch() {
    SelectObject(DC, Old);
    DeleteDC(DC);
    DeleteObject(Bitmap);
  }
  TScratch(const TScratch&) = delete;
  TScratch& operator=(const TScratch&) = delete;
};

}  // namespace

HWND OverlayRootAt(POINT Screen, POINT& InWindow) {
  HWND w = WindowFromPoint(Screen);
  if (!w) return nullptr;
  HWND root = GetAncestor(w, GA_ROOT);
  if (!root) root = w;
  RECT wr;
  GetWindowRect(root, &wr);
  InWindow = POINT{Screen.x - wr.left, Screen.y - wr.top};
  return root;
}

void TWindowOverlay::Show(HWND Root, RECT R, const std::function<void(HDC, int, int)>& Paint) {
  Hide();
  if (!Root || !IsWindow(Root)) return;
  RECT wr;
  GetWindowRect(Root, &wr);
  RECT whole{0, 0, wr.right - wr.left, wr.bottom - wr.top};
  RECT r;
  if (!IntersectRect(&r, &R, &whole)) return;
  int w = r.right - r.left, h = r.bottom - r.top;
  HDC dc = GetWindowDC(Root);
  if (!dc) return;
  TScratch s(w, h);
  BitBlt(s.DC, 0, 0, w, h, dc, r.left, r.top, SRCCOPY);
  FSaved.assign(s.Bits, s.Bits + s.Count);
  // The painter works in R's coordinates; the part clipped off the window is simply not kept.
  SetWindowOrgEx(s.DC, r.left - R.left, r.top - R.top, nullptr);
  Paint(s.DC, R.right - R.left, R.bottom - R.top);
  SetWindowOrgEx(s.DC, 0, 0, nullptr);
  FDrawn.assign(s.Bits, s.Bits + s.Count);
  BitBlt(dc, r.left, r.top, w, h, s.DC, 0, 0, SRCCOPY);
  ReleaseDC(Root, dc);
  FRoot = Root;
  FRect = r;
}

void TWindowOverlay::Hide() {
  if (!FRoot) return;
  HWND root = FRoot;
  FRoot = nullptr;
  if (!IsWindow(root)) return;
  int w = FRect.right - FRect.left, h = FRect.bottom - FRect.top;
  HDC dc = GetWindowDC(root);
  if (!dc) return;
  TScratch s(w, h);
  BitBlt(s.DC, 0, 0, w, h, dc, FRect.left, FRect.top, SRCCOPY);
  bool intact = std::memcmp(s.Bits, FDrawn.data(), s.Count * 4) == 0;
  if (intact) {
    std::memcpy(s.Bits, FSaved.data(), s.Count * 4);
    BitBlt(dc, FRect.left, FRect.top, w, h, s.DC, 0, 0, SRCCOPY);
  }
  ReleaseDC(root, dc);
  if (!intact) {
    // Something was painted over the drawing: let the windows paint the area afresh.
    POINT co{0, 0};
    ClientToScreen(root, &co);
    RECT wr;
    GetWindowRect(root, &wr);
    RECT cr = FRect;
    OffsetRect(&cr, wr.left - co.x, wr.top - co.y);
    RedrawWindow(root, &cr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_FRAME);
  }
}

// ---- TDragImageList ----
TDragImageList::TDragImageList(TComponent* AOwner) : TImageList(AOwner) {}
TDragImageList::~TDragImageList() { EndDrag(); }

bool TDragImageList::SetDragImage(int Index, int HotSpotX, int HotSpotY) {
  if (Index < 0 || Index >= Count()) return false;
  FDragIndex = Index;
  FHotSpot = POINT{HotSpotX, HotSpotY};
  if (FDragging && FVisible) Draw();
  return true;
}

bool TDragImageList::BeginDrag(HWND Window, int X, int Y) {
  if (FDragIndex < 0 || FDragIndex >= Count()) return false;
  EndDrag();
  FDragging = true;
  FVisible = true;
  FWindow = Window;
  FPos = POINT{X, Y};
  Draw();
  return true;
}

bool TDragImageList::DragMove(int X, int Y) {
  if (!FDragging) return false;
  FPos = POINT{X, Y};
  if (!FVisible) return true;
  // Paint what is pending under the old image first, so the pixels kept under the new one are
  // current.
  FOverlay.Hide();
  UpdateAllWindows();
  Draw();
  return true;
}

bool TDragImageList::DragLock(HWND Window, int XPos, int YPos) {
  if (!FDragging) return BeginDrag(Window, XPos, YPos);
  FWindow = Window;
  FPos = POINT{XPos, YPos};
  ShowDragImage();
  Draw();
  return true;
}

void TDragImageList::DragUnlock() { HideDragImage(); }

void TDragImageList::ShowDragImage() {
  if (!FDragging || FVisible) return;
  FVisible = true;
  UpdateAllWindows();
  Draw();
}

void TDragImageList::HideDragImage() {
  FVisible = false;
  FOverlay.Hide();
}

bool TDragImageList::EndDrag() {
  bool was = FDragging;
  FDragging = false;
  FVisible = false;
  FOverlay.Hide();
  return was;
}

void TDragImageList::Draw() {
  FOverlay.Hide();
  if (FDragIndex < 0 || FDragIndex >= Count()) return;
  POINT s = FPos;
  if (FWindow) {
    if (!IsWindow(FWindow)) return;
    ClientToScreen(FWindow, &s);
  }
  POINT at;
  HWND root = OverlayRootAt(s, at);
  if (FWindow) {
    root = GetAncestor(FWindow, GA_ROOT);
    RECT wr;
    GetWindowRect(root, &wr);
    at = POINT{s.x - wr.left, s.y - wr.top};
  }
  if (!root) return;
  RECT r{at.x - FHotSpot.x, at.y - FHotSpot.y, at.x - FHotSpot.x + Width(), at.y - FHotSpot.y + Height()};
  FOverlay.Show(root, r, [this](HDC DC, int, int) {
    TCanvas c;
    c.SetHandle(DC);
    TImageList::Draw(&c, 0, 0, FDragIndex);
    c.SetHandle(nullptr);
  });
}
