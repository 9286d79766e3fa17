// More extended controls: TShape (a geometric figure in a pen and a brush), TImage (a picture
// shown as is, centred, stretched or stretched in proportion) and the scroll bar control.
#pragma once

#include <algorithm>
#include <functional>
#include <memory>

#include "platform/vcl/controls.h"

ORV_ENUM(TShapeType, stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle)

class TShape : public TGraphicControl {
  ORV_CLASS(TShape, TGraphicControl)
public:
  explicit TShape(TComponent* AOwner);
  ~TShape() override;
  static void Publish(TPublisher<TShape>& P);
  TShapeType Shape() const { return FShape; }
  void SetShape(TShapeType Value) { FShape = Value; Invalidate(); }
  TPen* Pen() const { return FPen.get(); }
  void SetPen(TPen* Value) { FPen->Assign(Value); }
  TBrush* Brush() const { return FBrush.get(); }
  void SetBrush(TBrush* Value) { FBrush->Assign(Value); }

protected:
  void Paint() override;

private:
  TShapeType FShape = stRectangle;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
};

// Shows Picture: at the top left, or Center-ed, or Stretch-ed to the control (Proportional keeps
// the aspect and never enlarges past the control). AutoSize makes the control the picture's
// size. Canvas draws on the picture's bitmap (a picture of another kind is replaced by one).
class TImage : public TGraphicControl {
  ORV_CLASS(TImage, TGraphicControl)
public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  static void Publish(TPublisher<TImage>& P);
  TPicture* Picture() const { return FPicture.get(); }
  void SetPicture(TPicture* Value) { FPicture->Assign(Value); }
  // The picture's bitmap canvas (made when the picture is empty).
  TCanvas* ImageCanvas();
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool Center() const { return FCenter; }
  void SetCenter(bool Value) { FCenter = Value; Invalidate(); }
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value) { FStretch = Value; Invalidate(); }
  bool Proportional() const { return FProportional; }
  void SetProportional(bool Value) { FProportional = Value; Invalidate(); }
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  // Where the picture goes in the control's client coordinates.
  RECT DestRect() const;
  TNotifyEvent OnProgress;

protected:
  void Paint() override;

private:
  void PictureChanged();
  std::unique_ptr<TPicture> FPicture;
  bool FAutoSize = false, FCenter = false, FStretch = false, FProportional = false, FTransparent = false;
};

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
