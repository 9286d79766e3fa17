// Selections of the single-image view: rectangles (free, square, fixed ratio, fixed size),
// ellipses, polygons, lassos, the magic wand, moving, grips, the selection record and its stack,
// and the animated outlines.
//
// Outlines are drawn on the window over the back buffer during the view's paint: a selection
// change or an animation tick only invalidates the window, and the paint copies the already
// rendered back buffer before drawing the outline, so the image is never rendered again for it.
#include <algorithm>
#include <chrono>
#include <cmath>

#include "imaging/core/iewand.h"
#include "imaging/views/iegdiplus.h"
#include "imaging/views/imageryview.h"
#include "platform/rtl/streams.h"
#include "platform/rtl/sysutils.h"
#include "platform/vcl/extctrls.h"

namespace {

int SelectNearest(double v) { return static_cast<int>(std::nearbyint(v)); }

bool IsBreak(const TIEPoint& p) { return p.X == IESelBreak && p.Y == IESelBreak; }

template <typename T>
void SelectPut(TStream* s, const T& v) {
  s->WriteBuffer(&v, sizeof(T));
}
template <typename T>
T Get(TStream* s) {
  T v{};
  s->ReadBuffer(&v, sizeof(T));
  return v;
}

}  // namespace

// ---------------------------------------------------------------- building selections

void TImageryView::SelectRectEx(int x1, int y1, int x2, int y2, int Op, bool Square, bool KeepInside) {
  if (x1 == x2 || y1 == y2) return;
  TIELayer* cur = GetCurrentLayer();
  if (SelectionBase == iesbClientArea) {
    x1 = ScreenToLayerX(cur, x1);
    y1 = ScreenToLayerY(cur, y1);
    x2 = ScreenToLayerX(cur, x2);
    y2 = ScreenToLayerY(cur, y2);
  }
  const int W = FIEBitmap->Width(), H = FIEBitmap->Height();
  FSelected = true;
  if (Op == 1 && !FSel.Points.empty())
    FSel.Add(IESelBreak, IESelBreak);
  else
    FSel.Clear();
  if (Op == 0) FMask->Clear();
  const double r = FAspectRatio;
  if (Square && r == -1) y2 = y1 + (x2 - x1);
  if (r > 0) {
    y2 = y1 + SelectNearest((x2 - x1) * r);
    if (y2 >= H) x2 = SelectNearest((H - y1 - 1 + x1 * r) / r);
    if (y2 < 0) x2 = SelectNearest((x1 * r - y1) / r);
  }
  if (KeepInside) {
    if (x1 < 0) {
      x2 -= x1;
      x1 = 0;
    }
    if (x2 >= W) {
      x1 -= x2 - (W - 1);
      x2 = W - 1;
    }
    if (y1 < 0) {
      y2 -= y1;
      y1 = 0;
    }
    if (y2 >= H) {
      y1 -= y2 - (H - 1);
      y2 = H - 1;
    }
  }
  if (x1 > x2) std::swap(x1, x2);
  if (y1 > y2) std::swap(y1, y2);
  x1 = std::clamp(x1, 0, std::max(W - 1, 0));
  y1 = std::clamp(y1, 0, std::max(H - 1, 0));
  x2 = std::clamp(x2, 0, W);
  y2 = std::clamp(y2, 0, H);
  FSel.Add(x1, y1);
  FSel.Add(x2, y1);
  FSel.Add(x2, y2);
  FSel.Add(x1, y2);
  FSel.Shown = true;
  DrawSelection(nullptr, true);
}

void TImageryView::SelectRect(int x1, int y1, int x2, int y2, int Op) {
  if (x1 == x2 || y1 == y2) return;
  if (FIsNavigator) LockPaint();
  SelectRectEx(x1, y1, x2, y2, Op, false, false);
  if (FIsNavigator) UnlockPaintNoRefresh();
  if (Op == 0) FMask->Clear();
  EndSelection();
  FBackBufferStale = true;
  if (HandleAllocated()) Invalidate();
}

void TImageryView::AddSelectionPoint(int x, int y) {
  TIELayer* cur = GetCurrentLayer();
  if (SelectionBase == iesbClientArea) {
    x = ScreenToLayerX(cur, x);
    y = ScreenToLayerY(cur, y);
  }
  x = std::clamp(x, 0, FIEBitmap->Width());
  y = std::clamp(y, 0, FIEBitmap->Height());
  FSel.Add(x, y);
  FSelected = true;
  FSel.Shown = true;
  FSelChanged = true;
  if (HandleAllocated()) Invalidate();
}

void TImageryView::EndSelection() {
  FMask->FillPolygons(1, FSel.Points.data(), static_cast<int>(FSel.Points.size()));
  FMask->RecalcBounds();
  if (FMask->IsEmpty()) {
    FSelected = false;
    FSel.Clear();
  }
}

void TImageryView::Deselect() {
  if (FSelected) {
    FSelected = false;
    FSel.Shown = false;
    if (HandleAllocated()) Invalidate();
  }
  FSel.Clear();
  FMask->Clear();
  FPolyOpen = FLasso = FRectDrag = FEllipseDrag = false;
  FGrip = 0;
  FMoving = -1;
  FMovingRect = false;
  RestoreCursor();
  FUpdateReason = 3;
  Update();
}

void TImageryView::SelectEllipseClient(int x1, int y1, int x2, int y2, bool Add, bool Alt) {
  TIELayer* cur = GetCurrentLayer();
  const int dx = std::abs(x2 - x1), dy = std::abs(y2 - y1);
  double rx, ry;
  if (Alt && FAspectRatio == -1) {
    rx = ry = std::max(dx, dy);
  } else if (FAspectRatio > 0) {
    rx = std::max(dx, dy);
    ry = SelectNearest(rx * FAspectRatio);
  } else {
    rx = dx;
    ry = dy;
  }
  rx = std::trunc(rx * 100 / FZoomX);
  ry = std::trunc(ry * 100 / FZoomY);
  const int cx = ScreenToLayerX(cur, x1), cy = ScreenToLayerY(cur, y1);
  const int W = FIEBitmap->Width(), H = FIEBitmap->Height();
  if (Add && !FSel.Points.empty())
    FSel.Add(IESelBreak, IESelBreak);
  else
    FSel.Clear();
  FSelected = true;
  const int n = std::max(50, static_cast<int>(std::trunc(std::min(rx, ry) * 2 * M_PI)));
  for (int h = 0; h < n; ++h) {
    const double a = 2 * M_PI * h / n;
    FSel.Add(std::clamp(SelectNearest(cx + std::cos(a) * rx), 0, W), std::clamp(SelectNearest(cy + std::sin(a) * ry), 0, H));
  }
  FSel.Shown = true;
  DrawSelection(nullptr, true);
}

void TImageryView::SelectMagicWand(int x, int y, bool Add) {
  if (SelectionBase == iesbClientArea) {
    TIELayer* cur = GetCurrentLayer();
    x = ScreenToLayerX(cur, x);
    y = ScreenToLayerY(cur, y);
  }
  const int W = FIEBitmap->Width(), H = FIEBitmap->Height();
  if (x < 0 || y < 0 || x >= W || y >= H) return;
  int count = 0;
  TIEPoint* pts = IEMagicWandPolygon(FIEBitmap, x, y, count, MagicWandTolerance, false);
  if (count > 0 && pts != nullptr) {
    FSelected = true;
    if (Add && !FSel.Points.empty())
      FSel.Add(IESelBreak, IESelBreak);
    else {
      FSel.Clear();
      FMask->Clear();
    }
    for (int i = 0; i < count; ++i) FSel.Add(std::clamp(pts[i].X, 0, W), std::clamp(pts[i].Y, 0, H));
    if (!Add) FMask->Clear();
    EndSelection();
  }
  delete[] pts;
  FSel.Shown = true;
  FBackBufferStale = true;
  if (HandleAllocated()) Invalidate();
}

bool TImageryView::IsRectangleSelection() {
  if (FSel.Points.size() != 4) return false;
  for (int i = 0; i < 4; ++i) {
    const TIEPoint& a = FSel.Points[static_cast<size_t>(i)];
    const TIEPoint& b = FSel.Points[static_cast<size_t>((i + 1) % 4)];
    if ((a.X == b.X) == (a.Y == b.Y)) return false;
  }
  return true;
}

void TImageryView::MoveSelectionBy(int dx, int dy) {
  const bool cut = FSelectionOptions.Contains(iesoCutBorders);
  if (IsRectangleSelection())
    FMask->Clear();
  else
    FMask->Translate(dx, dy, cut);
  if (dx == 0 && dy == 0) return;
  const int W = FIEBitmap->Width(), H = FIEBitmap->Height();
  if (!cut) {
    if (FSel.Left + dx < 0) dx = -FSel.Left;
    if (FSel.Top + dy < 0) dy = -FSel.Top;
    if (FSel.Right + dx > W) dx = W - FSel.Right;
    if (FSel.Bottom + dy > H) dy = H - FSel.Bottom;
    if (FSel.Left + dx < 0 || FSel.Top + dy < 0 || FSel.Right + dx > W || FSel.Bottom + dy > H) return;
  } else {
    if (FSel.Right + dx < 0) dx = -FSel.Right;
    if (FSel.Left + dx > W) dx = W - FSel.Left;
    if (FSel.Bottom + dy < 0) dy = -FSel.Bottom;
    if (FSel.Top + dy > H) dy = H - FSel.Top;
  }
  std::vector<TIEPoint> pts = FSel.Points;
  FSel.Clear();
  for (const TIEPoint& p : pts) {
    if (IsBreak(p))
      FSel.Add(p.X, p.Y);
    else
      FSel.Add(std::clamp(p.X + dx, 0, W), std::clamp(p.Y + dy, 0, H));
  }
  if (HandleAllocated()) Invalidate();
}

void TImageryView::MoveSelection(int dx, int dy) {
  MoveSelectionBy(dx, dy);
  EndSelection();
}

int TImageryView::SelX1() {
  if (FRectDrag || FEllipseDrag || FPolyOpen || FGrip != 0 || FMoving >= 0) return FSel.Left;
  return FMask->X1;
}
int TImageryView::SelY1() {
  if (FRectDrag || FEllipseDrag || FPolyOpen || FGrip != 0 || FMoving >= 0) return FSel.Top;
  return FMask->Y1;
}
int TImageryView::SelX2() {
  if (FRectDrag || FEllipseDrag || FPolyOpen || FGrip != 0 || FMoving >= 0) return FSel.Right - 1;
  return FMask->X2;
}
int TImageryView::SelY2() {
  if (FRectDrag || FEllipseDrag || FPolyOpen || FGrip != 0 || FMoving >= 0) return FSel.Bottom - 1;
  return FMask->Y2;
}

// ---------------------------------------------------------------- options

void TImageryView::SetSelectionAspectRatio(double Ratio) {
  if (Ratio == FAspectRatio) return;
  FAspectRatio = Ratio;
  TIESelectionOptions o = FSelectionOptions;
  if (Ratio != 0)
    o.Include(iesoSizeable);
  else
    o.Exclude(iesoSizeable);
  SetSelectionOptions(o);
}

void TImageryView::SetSelectionOptions(TIESelectionOptions Value) {
  FSelectionOptions = Value;
  FSel.Animated = Value.Contains(iesoAnimated);
  FSel.Sizeable = Value.Contains(iesoSizeable);
  FUpdateReason = 3;
  Update();
}

void TImageryView::SetVisibleSelection(bool On) {
  FVisibleSelection = On;
  FSel.Shown = On && FSelected;
  if (HandleAllocated()) Invalidate();
  FUpdateReason = 3;
  Update();
}

void TImageryView::SetSelectionColor1(TColor Value) {
  FSel.Color1 = Value;
  FSelColor1 = Value;
}

void TImageryView::SetSelectionColor2(TColor Value) {
  FSel.Color2 = Value;
  FSelColor2 = Value;
}

// ---------------------------------------------------------------- grips

int TImageryView::GetSelectionGrip(int x, int y, bool Shift) {
  if (!FSel.Shown || !FSel.Sizeable || !FSelectionOptions.Contains(iesoSizeable) || !IsRectangleSelection() ||
      FRectDrag || Shift)
    return 0;
  TIELayer* cur = GetCurrentLayer();
  const int l = LayerToScreenX(cur, FSel.Left), t = LayerToScreenY(cur, FSel.Top);
  const int r = LayerToScreenX(cur, FSel.Right), b = LayerToScreenY(cur, FSel.Bottom);
  const int g = 5;
  const int cx[4] = {l, r, r, l}, cy[4] = {t, t, b, b};
  for (int i = 0; i < 4; ++i)
    if (std::abs(x - cx[i]) <= g && std::abs(y - cy[i]) <= g) return i + 1;
  if (IEPointToSegmentDistance(x, y, l, t, l, b) < 3) return 5;
  if (IEPointToSegmentDistance(x, y, r, t, r, b) < 3) return 6;
  if (IEPointToSegmentDistance(x, y, l, t, r, t) < 3) return 7;
  if (IEPointToSegmentDistance(x, y, l, b, r, b) < 3) return 8;
  return 0;
}

int TImageryView::DragSelectionGrip(int Grip, int x, int y, bool KeepAspect) {
  const int W = FIEBitmap->Width(), H = FIEBitmap->Height();
  int left = FSel.Left, top = FSel.Top, right = FSel.Right, bottom = FSel.Bottom;
  double q = 1;
  if (KeepAspect) {
    const int h = FGripStartBox.Bottom - FGripStartBox.Top + 1;
    if (h == 0) return Grip;
    q = FAspectRatio > 0 ? 1 / FAspectRatio : double(FGripStartBox.Right - FGripStartBox.Left + 1) / h;
    auto hOf = [&](int dx) { return static_cast<int>(std::trunc(dx / q)); };
    auto wOf = [&](int dy) { return static_cast<int>(std::trunc(dy * q)); };
    if (Grip == 7) {
      x = right - wOf(bottom - y);
      while (x < 0 && y < bottom) x = right - wOf(bottom - ++y);
      Grip = 1;
    } else if (Grip == 8) {
      x = left + wOf(y - top);
      while (x > W && y > top) x = left + wOf(--y - top);
      Grip = 3;
    }
    switch (Grip) {
      case 1:
      case 5:
        y = bottom - hOf(right - x);
        while (y < 0 && x < right) y = bottom - hOf(right - ++x);
        Grip = 1;
        break;
      case 2:
        y = bottom - hOf(x - left);
        while (y < 0 && x > left) y = bottom - hOf(--x - left);
        break;
      case 3:
      case 6:
        y = top + hOf(x - left);
        Grip = 3;
        break;
      case 4:
        y = top + hOf(right - x);
        while (y > H && x < right) y = top + hOf(right - ++x);
        break;
      default:
        break;
    }
  }
  if (Grip == 2 || Grip == 3 || Grip == 6) ++x;
  if (Grip == 3 || Grip == 4 || Grip == 8) ++y;
  if (Grip == 2 || Grip == 3 || Grip == 6) right = x == left ? left + 1 : x;
  if (Grip == 1 || Grip == 4 || Grip == 5) left = x == right ? right - 1 : x;
  if (Grip == 1 || Grip == 2 || Grip == 7) top = y == bottom ? bottom - 1 : y;
  if (Grip == 3 || Grip == 4 || Grip == 8) bottom = y == top ? top + 1 : y;
  if (right < left) {
    static const int swapX[9] = {0, 2, 1, 4, 3, 6, 5, 7, 8};
    Grip = swapX[Grip];
  }
  if (bottom < top) {
    static const int swapY[9] = {0, 4, 3, 2, 1, 5, 6, 8, 7};
    Grip = swapY[Grip];
  }
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  if (KeepAspect && q != 0) {
    const double c = 1 / q;
    if (bottom >= H) {
      bottom = H;
      right = left + static_cast<int>(std::trunc((bottom - top) / c));
    } else if (top < 0) {
      top = 0;
      left = right - static_cast<int>(std::trunc((bottom - top) / c));
    } else if (right >= W) {
      right = W;
      bottom = top + static_cast<int>(std::trunc((right - left) * c));
    } else if (left < 0) {
      left = 0;
      top = bottom - static_cast<int>(std::trunc((right - left) * c));
    }
  }
  left = std::clamp(left, 0, W);
  right = std::clamp(right, 0, W);
  top = std::clamp(top, 0, H);
  bottom = std::clamp(bottom, 0, H);
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  FSel.Clear();
  FSel.Add(left, top);
  FSel.Add(right, top);
  FSel.Add(right, bottom);
  FSel.Add(left, bottom);
  FSel.Shown = true;
  DrawSelection(nullptr, true);
  return Grip;
}

// ---------------------------------------------------------------- selection record and stack

void TImageryView::SaveSelectionToStream(TStream* s) {
  SelectPut<int32_t>(s, FMask->Width);
  SelectPut<int32_t>(s, FMask->Height);
  SelectPut<int32_t>(s, static_cast<int32_t>(FSel.Points.size()));
  for (const TIEPoint& p : FSel.Points) {
    SelectPut<int32_t>(s, p.X);
    SelectPut<int32_t>(s, p.Y);
  }
  SelectPut<int32_t>(s, FSel.Left);
  SelectPut<int32_t>(s, FSel.Top);
  SelectPut<int32_t>(s, FSel.Right);
  SelectPut<int32_t>(s, FSel.Bottom);
  SelectPut<uint8_t>(s, FSelected ? 1 : 0);
  SelectPut<int32_t>(s, GetCurrentLayer()->Left);
  SelectPut<int32_t>(s, GetCurrentLayer()->Top);
  SelectPut<int32_t>(s, FMask->BitsPerPixel);
  SelectPut<int32_t>(s, FMask->X1);
  SelectPut<int32_t>(s, FMask->Y1);
  SelectPut<int32_t>(s, FMask->X2);
  SelectPut<int32_t>(s, FMask->Y2);
  SelectPut<uint8_t>(s, FMask->Full ? 1 : 0);
  if (FMask->Bits != nullptr) s->WriteBuffer(FMask->Bits, FMask->Height * FMask->RowLength);
}

void TImageryView::LoadSelectionFromStream(TStream* s, int Mode) {
  const int mw = Get<int32_t>(s), mh = Get<int32_t>(s);
  const int n = Get<int32_t>(s);
  if (mw < 0 || mh < 0 || n < 0 || int64_t(n) * 8 > s->Size() - s->Position())
    throw EReadError("Invalid selection record");
  std::vector<TIEPoint> pts(static_cast<size_t>(n));
  for (TIEPoint& p : pts) {
    p.X = Get<int32_t>(s);
    p.Y = Get<int32_t>(s);
  }
  FSel.Points.reserve(pts.size() + 64);
  FSel.Points = pts;
  FSel.Left = Get<int32_t>(s);
  FSel.Top = Get<int32_t>(s);
  FSel.Right = Get<int32_t>(s);
  FSel.Bottom = Get<int32_t>(s);
  FSelected = Get<uint8_t>(s) != 0;
  const int layerLeft = Get<int32_t>(s), layerTop = Get<int32_t>(s);
  const int bpp = Get<int32_t>(s);
  if (bpp != 1 && bpp != 8) throw EReadError("Invalid selection record");
  FMask->AllocateBits(std::max(mw, 1), std::max(mh, 1), bpp);
  FMask->X1 = Get<int32_t>(s);
  FMask->Y1 = Get<int32_t>(s);
  FMask->X2 = Get<int32_t>(s);
  FMask->Y2 = Get<int32_t>(s);
  FMask->Full = Get<uint8_t>(s) != 0;
  if (mw > 0 && mh > 0) s->ReadBuffer(FMask->Bits, FMask->Height * FMask->RowLength);
  LockUpdate();
  const int W = std::max(FIEBitmap->Width(), 1), H = std::max(FIEBitmap->Height(), 1);
  TIELayer* cur = GetCurrentLayer();
  if (Mode == 2) {
    FSel.Clear();
    FMask->Resize(W + std::max(0, layerLeft) + mw, H + std::max(0, layerTop) + mh);
    int dx = layerLeft - cur->Left, dy = layerTop - cur->Top;
    FMask->Translate(dx, dy, true);
    FMask->Resize(W, H);
    FMask->RecalcBounds();
    FMask->UpdateAllSetFlag();
  } else if (W != FMask->Width || H != FMask->Height) {
    if (FMask->IsEmpty()) {
      FMask->Resize(W, H);
    } else {
      if (Mode == 1) {
        int dx = 0, dy = 0;
        if (FMask->X2 > W - 1) dx = (W - 1) - FMask->X2;
        if (FMask->Y2 > H - 1) dy = (H - 1) - FMask->Y2;
        if (dx != 0 || dy != 0) {
          FMask->Translate(dx, dy, true);
          std::vector<TIEPoint> old = FSel.Points;
          FSel.Clear();
          for (const TIEPoint& p : old) FSel.Add(IsBreak(p) ? p.X : p.X + dx, IsBreak(p) ? p.Y : p.Y + dy);
        }
      }
      FMask->Resize(W, H);
      FMask->RecalcBounds();
      FMask->UpdateAllSetFlag();
    }
  }
  if (FMask->IsEmpty()) {
    FSelected = false;
    FSel.Clear();
  } else {
    FSelected = true;
  }
  FSel.Shown = FSelected;
  UnlockUpdate();
  Update();
}

void TImageryView::PushSelection() {
  auto m = std::make_unique<TMemoryStream>();
  SaveSelectionToStream(m.get());
  FSavedSelections.push_back(std::move(m));
}

void TImageryView::PopSelection(bool Discard, int Mode) {
  if (FSavedSelections.empty()) return;
  TMemoryStream* m = FSavedSelections.back().get();
  m->SetPosition(0);
  LoadSelectionFromStream(m, Mode);
  if (Discard) FSavedSelections.pop_back();
}

// ---------------------------------------------------------------- outlines

void TImageryView::PlotDash(TCanvas* C, int x, int y) {
  C->SetPixels(x, y, FSel.DashCounter <= 3 ? FSel.Color1 : FSel.Color2);
  if (++FSel.DashCounter > 7) FSel.DashCounter = 0;
}

void TImageryView::DrawLine(TCanvas* C, int x1, int y1, int x2, int y2) {
  // The points of the edge from (x1, y1) up to, not including, (x2, y2).
  const int dx = x2 - x1, dy = y2 - y1;
  const int n = std::max(std::abs(dx), std::abs(dy));
  for (int i = 0; i < n; ++i)
    PlotDash(C, x1 + static_cast<int>(std::lround(double(dx) * i / n)),
             y1 + static_cast<int>(std::lround(double(dy) * i / n)));
}

void TImageryView::DrawSelectionOn(TCanvas* C) {
  if (!FSel.Shown || !FVisibleSelection || FLockPaint > 0 || FAutoScrolling) return;
  TIELayer* cur = GetCurrentLayer();
  const bool gesture = FRectDrag || FEllipseDrag || FPolyOpen || FMoving >= 0 || FGrip != 0;
  // Grips of a sizeable rectangle.
  if (FSel.Sizeable && FSelectionOptions.Contains(iesoSizeable) && IsRectangleSelection() && !FRectDrag &&
      FMoving < 0) {
    const int l = LayerToScreenX(cur, FSel.Left), t = LayerToScreenY(cur, FSel.Top);
    const int r = LayerToScreenX(cur, FSel.Right), b = LayerToScreenY(cur, FSel.Bottom);
    TIECanvas ic(C);
    ic.Pen()->SetColor(LayersGripColor);
    ic.Brush()->SetColor(LayersGripBrushColor);
    ic.Brush()->SetStyle(LayersGripBrushStyle);
    const int g = 5;
    const int xs[8] = {l, r, r, l, l, r, (l + r) / 2, (l + r) / 2};
    const int ys[8] = {t, t, b, b, (t + b) / 2, (t + b) / 2, t, b};
    for (int i = 0; i < 8; ++i) {
      if (LayersGripShape == 1)
        ic.Ellipse(xs[i] - g, ys[i] - g, xs[i] + g, ys[i] + g);
      else
        ic.Rectangle(xs[i] - g, ys[i] - g, xs[i] + g, ys[i] + g);
    }
    DrawSelectionGrid(l, t, r, b);
  }
  // The mask's own outline when the selection is settled, else the polygon.
  if (!FMask->IsEmpty() && !gesture) {
    if (FOutlineDelay > 0) return;
    const auto start = std::chrono::steady_clock::now();
    FMask->DrawOutline(C, cur->DrawDest[0], cur->DrawDest[1], cur->DrawDest[2], cur->DrawDest[3], cur->DrawSource[0],
                       cur->DrawSource[1], cur->DrawSource[2], cur->DrawSource[3], FMaskPhase, FSelColor1, FSelColor2);
    const int ms = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    if (FSelTimer != nullptr) FSelTimer->SetInterval(static_cast<UINT>(std::max(210, ms * 100 / 20)));
    return;
  }
  FSel.DashCounter = FSel.Phase;
  if (IsRectangleSelection()) {
    const int l = LayerToScreenX(cur, FSel.Left), t = LayerToScreenY(cur, FSel.Top);
    const int r = LayerToScreenX(cur, FSel.Right) - 1, b = LayerToScreenY(cur, FSel.Bottom) - 1;
    const int xs[5] = {l, r, r, l, l}, ys[5] = {t, t, b, b, t};
    const int ends[4] = {1, 2, 3, 0};
    for (int e = 0; e < 4; ++e) {
      FSel.DashCounter = 0;
      DrawLine(C, xs[e], ys[e], xs[e + 1], ys[e + 1]);
      if (OnDrawPolygon) OnDrawPolygon(this, 0, ends[e], C, xs[e + 1], ys[e + 1]);
    }
    FSel.ClientBox = RECT{l, t, r, b};
    if (FRectDrag || FMovingRect) DrawSelectionGrid(l, t, r, b);
    return;
  }
  const auto& p = FSel.Points;
  size_t first = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    const bool last = i + 1 == p.size();
    const bool breakNext = !last && IsBreak(p[i + 1]);
    if (IsBreak(p[i])) {
      first = i + 1;
      continue;
    }
    const int x1 = LayerToScreenX(cur, p[i].X), y1 = LayerToScreenY(cur, p[i].Y);
    if (!last && !breakNext) {
      const int x2 = LayerToScreenX(cur, p[i + 1].X), y2 = LayerToScreenY(cur, p[i + 1].Y);
      DrawLine(C, x1, y1, x2, y2);
      if (OnDrawPolygon) OnDrawPolygon(this, 0, static_cast<int>(i + 1), C, x2, y2);
    } else if (breakNext || !FPolyOpen || FLasso) {
      const int x2 = LayerToScreenX(cur, p[first].X), y2 = LayerToScreenY(cur, p[first].Y);
      DrawLine(C, x1, y1, x2, y2);
      if (OnDrawPolygon) OnDrawPolygon(this, 0, static_cast<int>(first), C, x2, y2);
    }
  }
}

void TImageryView::DrawSelection(TObject* Sender, bool /*CheckCanvasLock*/) {
  if (!HasParentWindow()) return;
  const bool tick = Sender != nullptr && Sender == FSelTimer;
  if (tick && FSel.Shown && FRectDrag == false && FMoving < 0 && !FPolyOpen && !FEllipseDrag) {
    FSel.Phase = FSel.Phase >= 9 ? 0 : FSel.Phase + 1;
    ++FMaskPhase;
  }
  if (FInPaint) {
    DrawSelectionOn(Canvas());
  } else if (HandleAllocated() && FVisibleSelection) {
    // Drawn by the next paint over the unchanged back buffer.
    Invalidate();
  }
  if (Owner() != nullptr || Parent() != nullptr) {
    if (FSelTimer == nullptr) {
      FSelTimer = new TTimer(nullptr);
      FSelTimer->SetEnabled(false);
      FSelTimer->SetInterval(210);
      FSelTimer->OnTimer = [this](TObject* S) { SelectionTimerTick(S); };
    }
    const bool animate = FFilterDelay > 0 || FOutlineDelay > 0 || (FSel.Shown && FSel.Animated);
    FSelTimer->SetEnabled(animate);
  }
  if (tick) {
    if (FFilterDelay > 0 && --FFilterDelay == 0) Update();
    if (FOutlineDelay > 0) --FOutlineDelay;
  }
}

void TImageryView::SelectionTimerTick(TObject* Sender) { DrawSelection(Sender, true); }
