// Extended controls: panel, paint box, timer.
#pragma once

#include "platform/vcl/stdctrls.h"

ORV_ENUM(TBevelCut, bvNone, bvLowered, bvRaised, bvSpace)

class TCustomPanel : public TCustomControl {
  ORV_CLASS(TCustomPanel, TCustomControl)
public:
  explicit TCustomPanel(TComponent* AOwner);
  TBevelCut BevelInner() const { return FBevelInner; }
  void SetBevelInner(TBevelCut Value);
  TBevelCut BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TBevelCut Value);
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int Value);
  int BorderWidth() const { return FBorderWidth; }
  void SetBorderWidth(int Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  // bsSingle draws a one-pixel frame outside the bevels.
  TBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TBorderStyle Value) { FBorderStyle = Value; Realign(); Invalidate(); }
  bool ShowCaption() const { return FShowCaption; }
  void SetShowCaption(bool Value);
  // Children are aligned inside the bevels and the border.
  void AlignControls(TControl* AControl, RECT& Rect) override;

protected:
  void Paint() override;

private:
  TBevelCut FBevelInner = bvNone, FBevelOuter = bvRaised;
  int FBevelWidth = 1, FBorderWidth = 0;
  TAlignment FAlignment = taCenter;
  bool FShowCaption = true;
  TBorderStyle FBorderStyle = bsNone;
};

class TPanel : public TCustomPanel {
  ORV_CLASS(TPanel, TCustomPanel)
public:
  explicit TPanel(TComponent* AOwner) : TCustomPanel(AOwner) {}
  static void Publish(TPublisher<TPanel>& P);
};

// A graphic control that only calls OnPaint.
class TPaintBox : public TGraphicControl {
  ORV_CLASS(TPaintBox, TGraphicControl)
public:
  static void Publish(TPublisher<TPaintBox>& P);
public:
  explicit TPaintBox(TComponent* AOwner);
  TNotifyEvent OnPaint;

protected:
  void Paint() override;
};

// OnTimer every Interval milliseconds while Enabled (through WM_TIMER of a hidden window).
class TTimer : public TComponent {
  ORV_CLASS(TTimer, TComponent)
public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  static void Publish(TPublisher<TTimer>& P);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  UINT Interval() const { return FInterval; }
  void SetInterval(UINT Value);
  TNotifyEvent OnTimer;
  void SetOnTimer(TNotifyEvent Value);

private:
  void UpdateTimer();
  static LRESULT WndProc(HWND, UINT, WPARAM, LPARAM);
  bool FEnabled = true;
  UINT FInterval = 1000;
  HWND FWindow = nullptr;
};

// A bar between aligned controls: dragging it resizes the control it is aligned against
// (the neighbour on its left for alLeft, above it for alTop, ...), down to MinSize.
class TSplitter : public TGraphicControl {
  ORV_CLASS(TSplitter, TGraphicControl)
public:
  static void Publish(TPublisher<TSplitter>& P);
public:
  explicit TSplitter(TComponent* AOwner);
  int MinSize() const { return FMinSize; }
  void SetMinSize(int Value) { FMinSize = Value; }
  // The control this splitter resizes (found from the alignment), or null.
  TControl* FindControl() const;
  TNotifyEvent OnMoved;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  int FMinSize = 30;
  bool FDragging = false;
  POINT FDownAt{0, 0};
  int FStartSize = 0;
  TControl* FTarget = nullptr;
};

ORV_ENUM(TBevelShape, bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer)
ORV_ENUM(TBevelStyle, bsLowered, bsRaised)

class TBevel : public TGraphicControl {
  ORV_CLASS(TBevel, TGraphicControl)
public:
  static void Publish(TPublisher<TBevel>& P);
public:
  explicit TBevel(TComponent* AOwner);
  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape Value) { FShape = Value; Invalidate(); }
  TBevelStyle Style() const { return FStyle; }
  void SetStyle(TBevelStyle Value) { FStyle = Value; Invalidate(); }

protected:
  void Paint() override;

private:
  TBevelShape FShape = bsBox;
  TBevelStyle FStyle = bsLowered;
};

class TPicture;

// Shows a picture: at its own size, stretched (Stretch, Proportional) and/or centred.
class TImage : public TGraphicControl {
  ORV_CLASS(TImage, TGraphicControl)
public:
  static void Publish(TPublisher<TImage>& P);
public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;
  TPicture* Picture() const { return FPicture.get(); }
  bool Stretch() const { return FStretch; }
  void SetStretch(bool Value) { FStretch = Value; Invalidate(); }
  bool Proportional() const { return FProportional; }
  void SetProportional(bool Value) { FProportional = Value; Invalidate(); }
  bool Center() const { return FCenter; }
  void SetCenter(bool Value) { FCenter = Value; Invalidate(); }
  // Passed on to the picture's graphic (now and whenever the picture changes while it is on).
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool Value);
  // The rectangle the picture is drawn into.
  RECT DestRect();

protected:
  void Paint() override;

private:
  void ApplyTransparent();
  std::unique_ptr<TPicture> FPicture;
  bool FStretch = false, FProportional = false, FCenter = false, FTransparent = false;
};

ORV_ENUM(TShapeType, stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle)

class TShape : public TGraphicControl {
  ORV_CLASS(TShape, TGraphicControl)
public:
  static void Publish(TPublisher<TShape>& P);
public:
  explicit TShape(TComponent* AOwner);
  ~TShape() override;
  TShapeType Shape() const { return FShape; }
  void SetShape(TShapeType Value) { FShape = Value; Invalidate(); }
  TPen* Pen() const { return FPen.get(); }
  TBrush* Brush() const { return FBrush.get(); }

protected:
  void Paint() override;

private:
  TShapeType FShape = stRectangle;
  std::unique_ptr<TPen> FPen;
  std::unique_ptr<TBrush> FBrush;
};
