// The scroll bar control.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>

#include "platform/vcl/controls.h"

ORV_ENUM(TScrollBarKind, sbHorizontal, sbVertical)
ORV_ENUM(TScrollCode, scLineUp, scLineDown, scPageUp, scPageDown, scPosition, scTrack, scTop, scBottom, scEndScroll)

// A stand-alone scroll bar: arrows step SmallChange, the track pages by LargeChange, the thumb
// (PageSize long, in proportion) is dragged; OnScroll may change the new position, OnChange
// follows every change. Answers the scroll-bar messages (SBM_*) as a native one does.
class TScrollBar : public TWinControl {
  ORV_CLASS(TScrollBar, TWinControl)
public:
  explicit TScrollBar(TComponent* AOwner);
  static void Publish(TPublisher<TScrollBar>& P);
  TScrollBarKind Kind() const { return FKind; }
  void SetKind(TScrollBarKind Value);
  int Min() const { return FMin; }
  void SetMin(int Value) { SetParams(FPosition, Value, std::max(Value, FMax)); }
  int Max() const { return FMax; }
  void SetMax(int Value) { SetParams(FPosition, std::min(FMin, Value), Value); }
  int Position() const { return FPosition; }
  void SetPosition(int Value) { SetParams(Value, FMin, FMax); }
  int PageSize() const { return FPageSize; }
  void SetPageSize(int Value);
  int SmallChange() const { return FSmallChange; }
  void SetSmallChange(int Value) { FSmallChange = Value; }
  int LargeChange() const { return FLargeChange; }
  void SetLargeChange(int Value) { FLargeChange = Value; }
  void SetParams(int APosition, int AMin, int AMax);
  // Arrow buttons, thumb and track in client coordinates.
  RECT ThumbRect();
  int ButtonSize();
  void WndProc(TMessage& Message) override;
  TNotifyEvent OnChange;
  std::function<void(TObject* Sender, TScrollCode ScrollCode, int& ScrollPos)> OnScroll;

protected:
  void PaintWindow(HDC DC) override;

private:
  void Scroll(TScrollCode Code, int Pos);
  int PositionAt(int Pixel);
  TScrollBarKind FKind = sbHorizontal;
  int FMin = 0, FMax = 100, FPosition = 0, FPageSize = 0, FSmallChange = 1, FLargeChange = 1;
  int FDragOffset = -1;  // while the thumb is dragged: mouse offset in it
};
