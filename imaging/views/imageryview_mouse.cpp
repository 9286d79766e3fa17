// Mouse and key interaction of the single-image view: click zoom, drag scrolling, selection
// gestures, moving, resizing and rotating layers, cursors, hints, automatic and smooth scrolling.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "imaging/core/iegeom.h"
#include "imaging/core/iehint.h"
#include "imaging/views/imageryview.h"
#include "platform/vcl/extctrls.h"
#include "platform/vcl/forms.h"
#include "platform/win/winuser.h"

namespace {

bool HasSelectionItem(const TIEMouseInteract& m) {
  return m.Contains(miSelect) || m.Contains(miSelectPolygon) || m.Contains(miSelectCircle) ||
         m.Contains(miSelectMagicWand) || m.Contains(miSelectLasso);
}

bool HasLayerItem(const TIEMouseInteract& m) {
  return m.Contains(miMoveLayers) || m.Contains(miResizeLayers) || m.Contains(miRotateLayers);
}

TCursor GripCursor(int g) {
  switch (g) {
    case 2:
    case 4: return 1788;
    case 5:
    case 6: return 1789;
    case 7:
    case 8: return 1787;
    case 1:
    case 3: return 1786;
    default: return 0;
  }
}

}  // namespace

// ---------------------------------------------------------------- settings

void TImageryView::SetMouseInteract(TIEMouseInteract Value) {
  if (Value == FMouseInteract) return;
  if (FPolyOpen && FMouseInteract.Contains(miSelectPolygon)) {
    while (!FSel.Points.empty() && FSel.Points.back().X == IESelBreak) FSel.Points.pop_back();
    FMask->Clear();
    EndSelection();
    FPolyOpen = false;
    if (HandleAllocated()) Invalidate();
  }
  auto added = [&](TIEMouseInteractItems i) { return Value.Contains(i) && !FMouseInteract.Contains(i); };
  const bool moving = Value.Contains(miMovingScroll);
  TIEMouseInteract r;
  if (added(miScroll))
    r = {miZoom, miScroll};
  else if (added(miSelect))
    r = {miZoom, miSelect};
  else if (added(miSelectPolygon))
    r = {miSelectPolygon};
  else if (added(miSelectCircle))
    r = {miZoom, miSelectCircle};
  else if (added(miSelectLasso))
    r = {miZoom, miSelectLasso};
  else if (added(miSelectZoom))
    r = {miZoom, miSelectZoom};
  else if (added(miZoom))
    r = {miZoom, miScroll, miSelect, miSelectCircle, miSelectZoom, miSelectLasso};
  else if (added(miSelectMagicWand))
    r = {miSelectMagicWand};
  else if (Value.Contains(miRotateLayers))
    r = {miMoveLayers, miRotateLayers};
  else if (Value.Contains(miMoveLayers)) {
    r = {miMoveLayers, miResizeLayers, miRotateLayers};
    if (Value.Contains(miResizeLayers)) r.Exclude(miRotateLayers);
  } else if (Value.Contains(miResizeLayers))
    r = {miMoveLayers, miResizeLayers};
  else
    r = TIEMouseInteract{};
  // Keep only what was asked among the kept items.
  TIEMouseInteract result;
  for (int i = miZoom; i <= miRotateLayers; ++i) {
    const auto item = static_cast<TIEMouseInteractItems>(i);
    if (r.Contains(item) && Value.Contains(item)) result.Include(item);
  }
  if (moving) result.Include(miMovingScroll);
  if (!result.Contains(miRotateLayers))
    LayersFixRotations(-1);
  else
    LayersCropBorders(-1);
  FMouseInteract = result;
}

void TImageryView::SetViewCursor(TCursor Value) {
  FIdleCursor = Value;
  FCurrentCursor = Value;
  TIEView::SetCursor(Value);
}

void TImageryView::SetTempCursor(TCursor Value) {
  if (Owner() == nullptr) return;
  FCurrentCursor = Value;
  TIEView::SetCursor(Value);
}

void TImageryView::RestoreCursor() {
  FCurrentCursor = FIdleCursor;
  if (Owner() != nullptr) TIEView::SetCursor(FIdleCursor);
}

void TImageryView::SetHint(const std::string& Text, int x, const std::string& SizingText, int y) {
  FHintText = Text;
  FHintSizing = SizingText;
  FHintX = x;
  FHintY = y;
  if (HandleAllocated()) Invalidate();
}

// ---------------------------------------------------------------- helpers

void TImageryView::SetSelectionBaseTemp() {
  if (FBaseDepth++ == 0) FSavedSelectionBase = SelectionBase;
  SelectionBase = iesbClientArea;
}

void TImageryView::RestoreSelectionBase() {
  if (FBaseDepth > 0 && --FBaseDepth == 0) SelectionBase = FSavedSelectionBase;
}

void TImageryView::FireSelectionEvent(const TNotifyEvent& E) {
  if (!E) return;
  const TIESelectionBase b = SelectionBase;
  if (FBaseDepth > 0) SelectionBase = FSavedSelectionBase;
  E(this);
  SelectionBase = b;
}

void TImageryView::ClampToLayer(int& x, int& y) {
  // The current layer's rectangle on the screen as the present zoom and origin place it (a paint
  // may not have run since the last change).
  TIELayer* l = GetCurrentLayer();
  RECT r = l->ClientRect;
  if (l->RotateAngle == 0) {
    r.left = LayerToScreenX(l, 0);
    r.top = LayerToScreenY(l, 0);
    r.right = LayerToScreenX(l, l->Bitmap->Width()) - 1;
    r.bottom = LayerToScreenY(l, l->Bitmap->Height()) - 1;
  }
  x = std::clamp(x, static_cast<int>(r.left), static_cast<int>(std::max(r.left, r.right + 1)));
  y = std::clamp(y, static_cast<int>(r.top), static_cast<int>(std::max(r.top, r.bottom + 1)));
}

void TImageryView::ShiftMouseCoords(int dx, int dy) {
  FPrevX -= dx;
  FPrevY -= dy;
  FPrevCX -= dx;
  FPrevCY -= dy;
  FCurX -= dx;
  FCurY -= dy;
}

bool TImageryView::AutoScroll() {
  FAutoScrolling = true;
  bool scrolled = false;
  for (int guard = 0; guard < 10000; ++guard) {
    POINT p{};
    GetCursorPos(&p);
    if (HandleAllocated()) ::ScreenToClient(FHandle, &p);
    int dx = 0, dy = 0;
    if (p.x < FOffsetX) dx = p.x - FOffsetX;
    if (p.x > FOffsetX + FVisible.DstW - 1) dx = p.x - (FOffsetX + FVisible.DstW - 1);
    if (p.y < FOffsetY) dy = p.y - FOffsetY;
    if (p.y > FOffsetY + FVisible.DstH - 1) dy = p.y - (FOffsetY + FVisible.DstH - 1);
    if (dx == 0 && dy == 0) break;
    const int ox = FViewX, oy = FViewY;
    SetViewOrigin(FViewX + dx, FViewY + dy);
    if (ox == FViewX && oy == FViewY) break;
    scrolled = true;
    FDownX -= FViewX - ox;
    FDownY -= FViewY - oy;
    FDownCX -= FViewX - ox;
    FDownCY -= FViewY - oy;
    ShiftMouseCoords(FViewX - ox, FViewY - oy);
  }
  FAutoScrolling = false;
  return scrolled;
}

void TImageryView::SmoothScrollTo(int x, int y) {
  FSmoothX = x;
  FSmoothY = y;
  if (FSmoothTimer == nullptr || !FSmoothTimer->Enabled()) {
    if (FSmoothTimer == nullptr) {
      FSmoothTimer = new TTimer(nullptr);
      FSmoothTimer->SetInterval(30);
      FSmoothTimer->OnTimer = [this](TObject*) { SmoothScrollStep(); };
    }
    FSmoothTimer->SetEnabled(true);
    SmoothScrollStep();
  }
}

void TImageryView::SmoothScrollStep() {
  const int ox = FViewX, oy = FViewY;
  SetViewOrigin(static_cast<int>(std::nearbyint(FViewX - (FViewX - FSmoothX) / 8.0)),
                static_cast<int>(std::nearbyint(FViewY - (FViewY - FSmoothY) / 8.0)));
  // The target is reached (or the user drags): the timer stops; it is kept for the next target
  // because it cannot be freed from inside its own tick.
  if ((ox == FViewX && oy == FViewY) || IEIsPrimaryButtonDown()) {
    if (FSmoothTimer != nullptr) FSmoothTimer->SetEnabled(false);
  }
}

void TImageryView::EndPolygon(bool Add) {
  while (!FSel.Points.empty() && FSel.Points.back().X == IESelBreak) FSel.Points.pop_back();
  if (!Add) FMask->Clear();
  EndSelection();
  FUpdateReason = 3;
  Update();
  FPolyOpen = false;
  FLasso = false;
  FireSelectionEvent(OnSelectionChange);
}

void TImageryView::DragRectangle(int x, int y, bool Shift, bool Alt) {
  int x1 = FDownCX, y1 = FDownCY, x2 = x, y2 = y;
  if (FAspectRatio == 0) {
    const int w = static_cast<int>(FixedSelectionWidth * FZoomDX), h = static_cast<int>(FixedSelectionHeight * FZoomDY);
    x1 = x - w / 2;
    y1 = y - h / 2;
    x2 = x + w / 2 - 1;
    y2 = y + h / 2 - 1;
  }
  int op = 0;
  if (Shift) {
    if (static_cast<int>(FSel.Points.size()) != FDownPointCount && FDownPointCount > 0) {
      FSel.Points.resize(static_cast<size_t>(FDownPointCount));
      std::vector<TIEPoint> keep = FSel.Points;
      FSel.Clear();
      for (const TIEPoint& p : keep) FSel.Add(p.X, p.Y);
    }
    op = FSel.Points.empty() ? 0 : 1;
  }
  SelectRectEx(x1, y1, x2, y2, op, Alt, !FSelectionOptions.Contains(iesoSizeable));
  FireSelectionEvent(OnSelectionChanging);
}

void TImageryView::LayerCursor(int x, int y) {
  TIELayer* cur = GetCurrentLayer();
  if (FMouseInteract.Contains(miRotateLayers)) {
    if (PointInLayer(x, y, FLayersCurrent)) {
      SetTempCursor(FIdleCursor);
    } else {
      const RECT c = LayerGripRect(cur, 9);
      const int cx = (c.left + c.right) / 2, cy = (c.top + c.bottom) / 2;
      SetTempCursor(x < cx ? (y < cy ? 1814 : 1811) : (y < cy ? 1812 : 1813));
    }
    return;
  }
  if (FMouseInteract.Contains(miResizeLayers) && !cur->Locked) {
    for (int g = 1; g <= 8; ++g) {
      const RECT r = LayerGripRect(cur, g);
      if (x >= r.left && x <= r.right && y >= r.top && y <= r.bottom) {
        SetTempCursor(GripCursor(g));
        return;
      }
    }
  }
  const int l = FindLayerAt(x, y, true);
  if (FMouseInteract.Contains(miMoveLayers) && l >= 0 && !GetLayer(l)->Locked)
    SetTempCursor(1790);
  else
    SetTempCursor(FIdleCursor);
}

void TImageryView::ResizeLayerByGrip(int x, int y, bool KeepAspect) {
  TIELayer* L = GetCurrentLayer();
  const int w0 = L->GetWidth(), h0 = L->GetHeight();
  const RECT s = FLayerDownRect;
  int grip = FLayerGrip;
  if (KeepAspect && L->Bitmap->Width() > 0) {
    const double q = double(L->Bitmap->Height()) / L->Bitmap->Width();
    switch (grip) {
      case 2: y = s.top + static_cast<int>(std::trunc(q * (s.right - x))); break;
      case 4:
      case 5:
        y = s.bottom + static_cast<int>(std::trunc(q * (s.left - x)));
        grip = 4;
        break;
      case 1:
      case 3:
      case 6:
        y = s.top + static_cast<int>(std::trunc(q * (x - s.left)));
        if (grip == 6) grip = 3;
        break;
      case 7:
      case 8:
        x = s.left + static_cast<int>(std::trunc((y - s.top) / q));
        grip = grip == 7 ? 1 : 3;
        break;
      default: break;
    }
    FLayerGrip = grip;
  }
  const int f = ScreenToBitmapX(x), g = ScreenToBitmapY(y);
  const int pf = ScreenToBitmapX(FPrevX), pg = ScreenToBitmapY(FPrevY);
  const int sl = ScreenToBitmapX(s.left), st = ScreenToBitmapY(s.top);
  int w = w0, h = h0;
  switch (grip) {
    case 1:
      w = L->Left + w0 - f;
      h = L->Top + h0 - g;
      if (w > 1) L->Left = f;
      if (h > 1) L->Top = g;
      break;
    case 2:
      w = f - L->Left;
      h = L->Top + h0 - g;
      if (h > 1) L->Top = g;
      break;
    case 3:
      w = f - sl;
      h = g - st;
      break;
    case 4:
      w = L->Left + w0 - f;
      h = g - st;
      if (w > 1) L->Left = f;
      break;
    case 5:
      w = w0 + pf - f;
      if (w > 1) L->Left += f - pf;
      break;
    case 6: w = f - sl; break;
    case 7:
      h = L->Top + h0 - g;
      if (h > 1) L->Top = g;
      break;
    case 8: h = h0 + g - pg; break;
    default: break;
  }
  L->Width = std::max(w, 1);
  L->Height = std::max(h, 1);
}

// ---------------------------------------------------------------- mouse down, move, up

void TImageryView::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TIEView::MouseDown(Button, Shift, X, Y);
  if (CanFocus() && GetParentForm() != nullptr && GetParentForm()->Visible()) SetFocus();
  FSavedZoomFilter = FZoomFilter;
  if (Button == mbRight && FButtonDown && FDownButton == mbLeft) return;
  if (Button != mbLeft && !FMouseInteract.Contains(miZoom) &&
      !(Button == mbRight && FSelectionOptions.Contains(iesoRightButtonSelectLayers)))
    return;
  FButtonDown = true;
  FDownButton = Button;
  FLayerMoved = false;
  FSelChanged = false;
  if (!FMouseInteract.Contains(miScroll) && DelayZoomFilter) FZoomFilter = rfNone;
  SetSelectionBaseTemp();
  FDownX = X;
  FDownY = Y;
  int cx = X, cy = Y;
  ClampToLayer(cx, cy);
  FDownCX = cx;
  FDownCY = cy;
  FPrevX = FCurX = X;
  FPrevY = FCurY = Y;
  FPrevCX = cx;
  FPrevCY = cy;
  FDownViewX = FViewX;
  FDownViewY = FViewY;
  FDownPointCount = static_cast<int>(FSel.Points.size());
  const bool shift = Shift.Contains(ssShift), alt = Shift.Contains(ssAlt);
  TIELayer* cur = GetCurrentLayer();
  auto moveTest = [&]() {
    if (shift || FMask->IsEmpty() || FRectDrag || FPolyOpen || FEllipseDrag) return false;
    const int lx = ScreenToLayerX(cur, X), ly = ScreenToLayerY(cur, Y);
    if (FMask->IsPointInside(lx, ly) && FSelectionOptions.Contains(iesoMoveable)) {
      FMoving = 0;
      FMovingRect = IsRectangleSelection();
      return true;
    }
    return false;
  };
  if (Button == mbLeft) {
    if (FMouseInteract.Contains(miSelectPolygon) || FMouseInteract.Contains(miSelectLasso)) {
      LayersFixRotations(-1);
      FireSelectionEvent(OnBeforeSelectionChange);
      if (!moveTest()) {
        int px = X, py = Y;
        if (alt && !FSel.Points.empty() && FSel.Points.back().X != IESelBreak) {
          const TIEPoint& l = FSel.Points.back();
          IESnapTo45Degrees(l.X + FOffsetX - FViewX, l.Y + FOffsetY - FViewY, px, py);
        }
        if (!FPolyOpen) {
          if (shift && !FSel.Points.empty())
            FSel.Add(IESelBreak, IESelBreak);
          else
            Deselect();
        }
        AddSelectionPoint(px, py);
        FPolyOpen = true;
        FLasso = FMouseInteract.Contains(miSelectLasso);
        FireSelectionEvent(OnSelectionChanging);
      }
    } else if (FMouseInteract.Contains(miSelect)) {
      LayersFixRotations(-1);
      FireSelectionEvent(OnBeforeSelectionChange);
      FGrip = GetSelectionGrip(X, Y, shift);
      if (FGrip == 0 && !moveTest()) {
        FRectDrag = true;
        if (FAspectRatio == 0) DragRectangle(cx, cy, shift, alt);
        FireSelectionEvent(OnSelectionChanging);
      } else if (FGrip != 0) {
        FGripStartBox = TIERect{FSel.Left, FSel.Top, FSel.Right, FSel.Bottom};
      }
    } else if (FMouseInteract.Contains(miSelectZoom)) {
      FRectDrag = true;
      FireSelectionEvent(OnSelectionChanging);
      PushSelection();
    } else if (FMouseInteract.Contains(miSelectCircle)) {
      LayersFixRotations(-1);
      FireSelectionEvent(OnBeforeSelectionChange);
      if (!moveTest()) {
        FEllipseDrag = true;
        FSel.Shown = true;
        if (FAspectRatio == 0) {
          const int w = static_cast<int>(FixedSelectionWidth * FZoomDX), h = static_cast<int>(FixedSelectionHeight * FZoomDY);
          SelectEllipseClient(cx, cy, cx + w / 2, cy + h / 2, shift, alt);
        }
        FireSelectionEvent(OnSelectionChanging);
      }
    } else if (FMouseInteract.Contains(miSelectMagicWand)) {
      LayersFixRotations(-1);
      FireSelectionEvent(OnBeforeSelectionChange);
      moveTest();
    }
  }
  if ((Button == mbLeft || (Button == mbRight && FSelectionOptions.Contains(iesoRightButtonSelectLayers))) &&
      HasLayerItem(FMouseInteract) && !HasSelectionItem(FMouseInteract) &&
      !FMouseInteract.Contains(miSelectZoom)) {
    FLayerGrip = 0;
    if (FMouseInteract.Contains(miResizeLayers)) {
      for (int g = 1; g <= 9; ++g) {
        const RECT r = LayerGripRect(cur, g);
        if (X >= r.left && X <= r.right && Y >= r.top && Y <= r.bottom) {
          FLayerGrip = g;
          break;
        }
      }
      if (FLayerGrip == 9) FLayerGrip = 0;
    }
    if (FLayerGrip != 0) {
      LayersFixRotations(-1);
      FLayerDownRect = GetCurrentLayer()->ClientRect;
    } else if (FMouseInteract.Contains(miRotateLayers) && [&] {
                 const RECT r = LayerGripRect(cur, 9);
                 return X >= r.left && X <= r.right && Y >= r.top && Y <= r.bottom;
               }()) {
      FRotCenterLayer = FLayersCurrent;
    } else if (FMouseInteract.Contains(miRotateLayers) && !PointInLayer(X, Y, FLayersCurrent)) {
      FRotatingLayer = FLayersCurrent;
      FRotateAccum = cur->RotateAngle;
    } else {
      const int l = FindLayerAt(X, Y, true);
      if (l >= 0) {
        FMovingLayer = l;
        SetLayersCurrent(l);
        DoLayerNotify(FLayersCurrent, 0);
        if (!GetCurrentLayer()->Locked) SetTempCursor(1790);
      }
    }
  }
  if (Button == mbLeft && FMouseInteract.Contains(miScroll) && IsScrollable()) SetTempCursor(1782);
  RestoreSelectionBase();
}

void TImageryView::MouseMove(TShiftState Shift, int X, int Y) {
  TIEView::MouseMove(Shift, X, Y);
  SetSelectionBaseTemp();
  int cx = X, cy = Y;
  ClampToLayer(cx, cy);
  const bool shift = Shift.Contains(ssShift), alt = Shift.Contains(ssAlt);
  TIELayer* cur = GetCurrentLayer();
  const bool captured = FButtonDown;
  if (captured) {
    if (FMouseInteract.Contains(miScroll) && FDownButton == mbLeft) {
      SetViewOrigin(FDownViewX - (X - FDownX), FDownViewY - (Y - FDownY));
    } else if (FGrip != 0) {
      if (FSelectionOptions.Contains(iesoCanScroll)) AutoScroll();
      FGrip = DragSelectionGrip(FGrip, ScreenToLayerX(cur, X), ScreenToLayerY(cur, Y), alt || FAspectRatio > 0);
      FSelChanged = true;
      FireSelectionEvent(OnSelectionChanging);
    } else if (FMoving < 0) {
      if (FRectDrag) {
        DragRectangle(cx, cy, shift, alt);
        FSelChanged = true;
      } else if (FPolyOpen && FLasso) {
        if (FSelectionOptions.Contains(iesoCanScroll)) AutoScroll();
        AddSelectionPoint(X, Y);
        FireSelectionEvent(OnSelectionChanging);
      } else if (FEllipseDrag) {
        int x1 = FDownCX, y1 = FDownCY, x2 = cx, y2 = cy;
        if (FAspectRatio == 0) {
          x1 = cx;
          y1 = cy;
          x2 = cx + static_cast<int>(FixedSelectionWidth * FZoomDX) / 2;
          y2 = cy + static_cast<int>(FixedSelectionHeight * FZoomDY) / 2;
        }
        SelectEllipseClient(x1, y1, x2, y2, shift, alt);
        FSelChanged = true;
        FireSelectionEvent(OnSelectionChanging);
      } else if (FMovingLayer >= 0 && !cur->Locked) {
        AutoScroll();
        const int dx = ScreenToBitmapX(X) - ScreenToBitmapX(FPrevX), dy = ScreenToBitmapY(Y) - ScreenToBitmapY(FPrevY);
        cur->Left += dx;
        cur->Top += dy;
        if (dx != 0 || dy != 0) FLayerMoved = true;
        SetHint("X=" + std::to_string(cur->Left) + " Y=" + std::to_string(cur->Top), X, "X=000 Y=000", Y);
        LayersDropCacheIndex = FLayersCurrent;
        Update();
        DoLayerNotify(FLayersCurrent, 3);
      } else if (FRotCenterLayer >= 0) {
        const int bw = std::max(cur->Bitmap->Width(), 1), bh = std::max(cur->Bitmap->Height(), 1);
        cur->RotateCenterX = double(ScreenToLayerX(cur, X)) / bw;
        cur->RotateCenterY = double(ScreenToLayerY(cur, Y)) / bh;
        SetHint("X=" + std::to_string(static_cast<int>(cur->GetWidth() * cur->RotateCenterX)) +
                    " Y=" + std::to_string(static_cast<int>(cur->GetHeight() * cur->RotateCenterY)),
                X, "X=000 Y=000", Y);
        LayersDropCacheIndex = FLayersCurrent;
        Update();
      } else if (FRotatingLayer >= 0 && !cur->Locked) {
        double a = (ScreenToBitmapX(X) - ScreenToBitmapX(FPrevX)) / 4.0;
        double b = (ScreenToBitmapY(Y) - ScreenToBitmapY(FPrevY)) / 4.0;
        const RECT c = LayerGripRect(cur, 9);
        const int rcx = (c.left + c.right) / 2, rcy = (c.top + c.bottom) / 2;
        if (rcx < X) b = -b;
        if (Y < rcy) a = -a;
        FRotateAccum += a + b;
        cur->SetRotate(shift ? std::trunc(FRotateAccum / 45) * 45 : FRotateAccum);
        char text[64];
        std::snprintf(text, sizeof text, "%g\xC2\xB0", cur->RotateAngle);
        SetHint(text, X, "0000\xC2\xB0", Y);
        LayersDropCacheIndex = FLayersCurrent;
        Update();
        DoLayerNotify(FLayersCurrent, 5);
      } else if (FLayerGrip != 0 && !cur->Locked) {
        AutoScroll();
        ResizeLayerByGrip(X, Y, alt);
        SetHint(std::to_string(cur->GetWidth()) + " x " + std::to_string(cur->GetHeight()), X, "0000 x 0000", Y);
        LayersDropCacheIndex = FLayersCurrent;
        Update();
        DoLayerNotify(FLayersCurrent, 4);
      }
    } else {
      if (FSelectionOptions.Contains(iesoCanScroll)) AutoScroll();
      const int dx = ScreenToLayerX(cur, cx) - ScreenToLayerX(cur, FPrevCX);
      const int dy = ScreenToLayerY(cur, cy) - ScreenToLayerY(cur, FPrevCY);
      MoveSelectionBy(dx, dy);
      FSelChanged = true;
      FireSelectionEvent(OnSelectionChanging);
    }
  } else {
    if (!FPolyOpen || FLasso) {
      if (HasSelectionItem(FMouseInteract)) {
        const int g = GetSelectionGrip(X, Y, shift);
        if (OnMouseInResizingGrip) OnMouseInResizingGrip(this, g);
        if (g != 0) {
          SetTempCursor(GripCursor(g));
        } else {
          const int lx = ScreenToLayerX(cur, X), ly = ScreenToLayerY(cur, Y);
          if (!shift && FSelectionOptions.Contains(iesoMoveable) && !FMask->IsEmpty() && FMask->IsPointInside(lx, ly))
            SetTempCursor(1790);
          else if (shift && FIdleCursor == 1785)
            SetTempCursor(1791);
          else if (shift && FIdleCursor == 1793)
            SetTempCursor(1794);
          else
            SetTempCursor(FIdleCursor);
        }
      } else if (HasLayerItem(FMouseInteract)) {
        LayerCursor(X, Y);
      }
    } else {
      int px = X, py = Y;
      if (alt && !FSel.Points.empty() && FSel.Points.back().X != IESelBreak) {
        const TIEPoint& l = FSel.Points.back();
        IESnapTo45Degrees(l.X + FOffsetX - FViewX, l.Y + FOffsetY - FViewY, px, py);
      }
      FCurX = px;
      FCurY = py;
      if (HandleAllocated()) Invalidate();
      FireSelectionEvent(OnSelectionChanging);
    }
  }
  if (FMouseInteract.Contains(miMovingScroll) && (X != FPrevX || Y != FPrevY) && !captured) {
    int maxX = 0, maxY = 0;
    GetMaxViewOrigin(maxX, maxY);
    const int w = std::max(GetExtentX(), 1), h = std::max(GetExtentY(), 1);
    const int tx = static_cast<int>(std::trunc((double(std::min(std::max(X, 0), w - 1)) / w - 0.02) * 1.05 * maxX));
    const int ty = static_cast<int>(std::trunc((double(std::min(std::max(Y, 0), h - 1)) / h - 0.02) * 1.05 * maxY));
    SmoothScrollTo(tx, ty);
  }
  if (FMask->IsPointInside(ScreenToLayerX(cur, X), ScreenToLayerY(cur, Y))) FireSelectionEvent(OnMouseInSel);
  FPrevX = X;
  FPrevY = Y;
  FPrevCX = cx;
  FPrevCY = cy;
  RestoreSelectionBase();
}

void TImageryView::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TIEView::MouseUp(Button, Shift, X, Y);
  FHintText.clear();
  int cx = X, cy = Y;
  ClampToLayer(cx, cy);
  SetSelectionBaseTemp();
  const bool shift = Shift.Contains(ssShift);
  const bool moved = cx != FDownCX || cy != FDownCY;
  bool changed = FSelChanged;
  const bool wasDown = FButtonDown;
  FButtonDown = false;
  if (wasDown && FMouseInteract.Contains(miZoom) && X == FDownCX && Y == FDownCY && !IsEmpty()) {
    static const double steps[8] = {2, 5, 10, 25, 33, 50, 75, 100};
    if (Button == mbLeft) {
      if (FMouseInteract.Contains(miScroll)) RestoreCursor();
      double z = FZoomX + 100;
      if (FZoomX < 100)
        for (double s : steps)
          if (s > FZoomX) {
            z = s;
            break;
          }
      if (OnZoomIn) OnZoomIn(this, z);
      if (z != FZoomX || z != FZoomY) ZoomAt(X, Y, false, z);
    } else if (Button == mbRight) {
      double z = 2;
      if (FZoomX >= 200) {
        z = FZoomX - 100;
      } else {
        for (int i = 7; i >= 0; --i)
          if (steps[i] < FZoomX) {
            z = steps[i];
            break;
          }
      }
      if (OnZoomOut) OnZoomOut(this, z);
      if (z != FZoomX || z != FZoomY) ZoomAt(X, Y, false, z);
    }
    FPolyOpen = false;
  } else if (Button == mbLeft && FMouseInteract.Contains(miScroll) && IsScrollable()) {
    SetViewOrigin(FDownViewX - (X - FDownX), FDownViewY - (Y - FDownY));
    RestoreCursor();
  }
  if (Button == mbLeft && wasDown) {
    if (FMouseInteract.Contains(miSelectZoom)) {
      ZoomSelection(true, true);
      FRectDrag = false;
      PopSelection(true, 1);
    }
    if (FMouseInteract.Contains(miSelect)) {
      if (moved || FGrip != 0 || FMoving >= 0) {
        if (FRectDrag || FGrip != 0) {
          if (!shift) FMask->Clear();
          EndSelection();
        }
        FRectDrag = false;
        FGrip = 0;
        if (FMoving >= 0) {
          if (FMovingRect) FMask->Clear();
          EndSelection();
        }
        FMoving = -1;
        FMovingRect = false;
        if (FIsNavigator) {
          if (HandleAllocated()) Invalidate();
        } else {
          FUpdateReason = 3;
          Update();
        }
        changed = true;
      } else {
        Deselect();
        changed = true;
      }
    }
    if (FMouseInteract.Contains(miSelectCircle)) {
      if (!moved && FMoving < 0 && FAspectRatio != 0) {
        Deselect();
      } else {
        if (FEllipseDrag) {
          if (!shift) FMask->Clear();
          EndSelection();
        } else if (FMoving >= 0) {
          EndSelection();
        }
      }
      FEllipseDrag = false;
      FMoving = -1;
      FUpdateReason = 3;
      Update();
      changed = true;
    }
    if (FMouseInteract.Contains(miSelectPolygon) && !FLasso) {
      if (FMoving >= 0) {
        EndSelection();
        FMoving = -1;
        changed = true;
      }
      FUpdateReason = 3;
      Update();
    }
    if (FMouseInteract.Contains(miSelectMagicWand)) {
      if (FMoving < 0) {
        SetTempCursor(crHourGlass);
        SelectMagicWand(X, Y, shift);
        RestoreCursor();
      } else {
        EndSelection();
        FMoving = -1;
      }
      changed = true;
      FUpdateReason = 3;
      Update();
    }
    if (FMouseInteract.Contains(miSelectLasso)) {
      if (!moved && FMoving < 0) {
        Deselect();
      } else if (FLasso) {
        if (!shift) FMask->Clear();
        EndSelection();
      } else if (FMoving >= 0) {
        EndSelection();
      }
      FPolyOpen = FLasso = false;
      FMoving = -1;
      changed = true;
      FUpdateReason = 3;
      Update();
    }
    // Always for the left button.
    if (FMovingRect) {
      FMask->Clear();
      EndSelection();
    }
    if (FMovingLayer >= 0) {
      RestoreCursor();
      if (FLayerMoved) DoLayerNotify(FLayersCurrent, 1);
      if (HandleAllocated()) Invalidate();
    }
    if (FRotatingLayer >= 0) {
      if (moved) DoLayerNotify(FLayersCurrent, 6);
      if (HandleAllocated()) Invalidate();
    }
    if (FLayerGrip != 0) {
      if (moved) DoLayerNotify(FLayersCurrent, 2);
      Update();
    }
    FMovingLayer = FRotatingLayer = FRotCenterLayer = -1;
    FLayerGrip = 0;
    FRectDrag = FEllipseDrag = false;
    FGrip = 0;
    if (!FPolyOpen) FLasso = false;
    FMoving = -1;
    FMovingRect = false;
    if (changed) FireSelectionEvent(OnSelectionChange);
  }
  if (Button == mbRight && FSelectionOptions.Contains(iesoRightButtonTerminatePolySelect) && FPolyOpen)
    EndPolygon(shift);
  FZoomFilter = FSavedZoomFilter;
  RestoreSelectionBase();
}

void TImageryView::KeyDown(WORD& Key, TShiftState Shift) {
  TIEView::KeyDown(Key, Shift);
  if (Shift.Contains(ssShift)) {
    if (FIdleCursor == 1785) SetTempCursor(1791);
    if (FIdleCursor == 1793) SetTempCursor(1794);
  }
}

void TImageryView::KeyUp(WORD& Key, TShiftState Shift) {
  TIEView::KeyUp(Key, Shift);
  if (!Shift.Contains(ssShift)) RestoreCursor();
}
