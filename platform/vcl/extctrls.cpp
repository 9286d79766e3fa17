// Extended controls: panel, paint box, timer.
#include "platform/vcl/extctrls.h"

#include "platform/rtl/typinfo.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/ctlcolor.h"

ORV_CLASS_IMPL(TCustomPanel, TCustomControl)
ORV_CLASS_IMPL(TPanel, TCustomPanel)
ORV_CLASS_IMPL(TPaintBox, TGraphicControl)
ORV_CLASS_IMPL(TTimer, TComponent)

// ---- TCustomPanel ----
TCustomPanel::TCustomPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  FWidth = 185;
  FHeight = 41;
  ControlStyle() += csAcceptsControls;
  SetColor(clBtnFace);
}

void TCustomPanel::SetBevelInner(TBevelCut Value) { FBevelInner = Value; Realign(); Invalidate(); }
void TCustomPanel::SetBevelOuter(TBevelCut Value) { FBevelOuter = Value; Realign(); Invalidate(); }
void TCustomPanel::SetBevelWidth(int Value) { FBevelWidth = Value; Realign(); Invalidate(); }
void TCustomPanel::SetBorderWidth(int Value) { FBorderWidth = Value; Realign(); Invalidate(); }
void TCustomPanel::SetAlignment(TAlignment Value) { FAlignment = Value; Invalidate(); }
void TCustomPanel::SetShowCaption(bool Value) { FShowCaption = Value; Invalidate(); }

void TCustomPanel::AlignControls(TControl* AControl, RECT& Rect) {
  int inset = (FBorderStyle != bsNone ? 1 : 0) + FBorderWidth + (FBevelOuter != bvNone ? FBevelWidth : 0) + (FBevelInner != bvNone ? FBevelWidth : 0);
  InflateRect(&Rect, -inset, -inset);
  TCustomControl::AlignControls(AControl, Rect);
}

void TCustomPanel::Paint() {
  HDC dc = Canvas()->Handle();
  RECT r = ClientRect();
  // The parent chooses the background and the caption's colour.
  ParentCtlColor(Handle(), WM_CTLCOLORSTATIC, dc, &r);
  const COLORREF text = GetTextColor(dc);
  auto bevel = [&](TBevelCut cut) {
    if (cut == bvNone) return;
    for (int i = 0; i < FBevelWidth; ++i) {
      if (cut != bvSpace) DrawEdge(dc, &r, cut == bvLowered ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
      InflateRect(&r, -1, -1);
    }
  };
  if (FBorderStyle != bsNone) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  bevel(FBevelOuter);
  InflateRect(&r, -FBorderWidth, -FBorderWidth);
  bevel(FBevelInner);
  if (!FShowCaption || Caption().empty()) return;
  UINT flags = DT_SINGLELINE | DT_VCENTER | (FAlignment == taCenter ? UINT(DT_CENTER) : FAlignment == taRightJustify ? UINT(DT_RIGHT) : 0u);
  HGDIOBJ old = SelectObject(dc, Font()->Handle());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, text);
  DrawText(dc, Caption().c_str(), -1, &r, flags);
  SelectObject(dc, old);
}

void TPanel::Publish(TPublisher<TPanel>& P) {
  P.Prop("BevelInner", &TPanel::BevelInner, &TPanel::SetBevelInner).Default(bvNone);
  P.Prop("BevelOuter", &TPanel::BevelOuter, &TPanel::SetBevelOuter).Default(bvRaised);
  P.Prop("BevelWidth", &TPanel::BevelWidth, &TPanel::SetBevelWidth).Default(1);
  P.Prop("BorderWidth", &TPanel::BorderWidth, &TPanel::SetBorderWidth);
  P.Prop("Alignment", &TPanel::Alignment, &TPanel::SetAlignment).Default(taCenter);
  P.Prop("BorderStyle", &TPanel::BorderStyle, &TPanel::SetBorderStyle).Default(bsNone);
  P.Prop("ShowCaption", &TPanel::ShowCaption, &TPanel::SetShowCaption).Default(true);
}

// ---- TPaintBox ----
TPaintBox::TPaintBox(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 105;
  FHeight = 105;
}

void TPaintBox::Paint() {
  Canvas()->Font()->Assign(Font());
  Canvas()->Brush()->SetColor(Color());
  if (OnPaint) OnPaint(this);
}

// ---- TTimer ----
LRESULT TTimer::WndProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_TIMER) {
    auto* t = reinterpret_cast<TTimer*>(GetWindowLongPtr(w, GWLP_USERDATA));
    if (t && t->OnTimer) t->OnTimer(t);
    return 0;
  }
  if (m == WM_NCDESTROY) {
    if (auto* t = reinterpret_cast<TTimer*>(GetWindowLongPtr(w, GWLP_USERDATA))) t->FWindow = nullptr;
  }
  return DefWindowProc(w, m, wp, lp);
}

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = &TTimer::WndProc;
  wc.lpszClassName = "TTimerWindow";
  WNDCLASSA existing;
  if (!GetClassInfo(nullptr, wc.lpszClassName, &existing)) RegisterClass(&wc);
  FWindow = CreateWindowEx(0, "TTimerWindow", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  SetWindowLongPtr(FWindow, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

TTimer::~TTimer() {
  if (FWindow && IsWindow(FWindow)) {
    KillTimer(FWindow, 1);
    SetWindowLongPtr(FWindow, GWLP_USERDATA, 0);
    DestroyWindow(FWindow);
  }
}

void TTimer::Publish(TPublisher<TTimer>& P) {
  P.Prop("Enabled", &TTimer::Enabled, &TTimer::SetEnabled).Default(true);
  P.Prop("Interval", &TTimer::Interval, &TTimer::SetInterval).Default(1000);
  P.Prop("OnTimer", &TTimer::OnTimer, &TTimer::SetOnTimer).Type("TNotifyEvent");
}

void TTimer::UpdateTimer() {
  if (!FWindow || !IsWindow(FWindow)) return;
  KillTimer(FWindow, 1);
  if (FEnabled && FInterval > 0 && OnTimer) SetTimer(FWindow, 1, FInterval, nullptr);
}

void TTimer::SetEnabled(bool Value) { FEnabled = Value; UpdateTimer(); }
void TTimer::SetInterval(UINT Value) { FInterval = Value; UpdateTimer(); }
void TTimer::SetOnTimer(TNotifyEvent Value) { OnTimer = std::move(Value); UpdateTimer(); }

ORV_CLASS_IMPL(TSplitter, TGraphicControl)
ORV_CLASS_IMPL(TBevel, TGraphicControl)

// ---- TSplitter ----
TSplitter::TSplitter(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 3;
  FHeight = 100;
  SetAlign(alLeft);
  SetCursor(crHSplit);
}

TControl* TSplitter::FindControl() const {
  if (!Parent() || Align() == alNone || Align() == alClient) return nullptr;
  // The aligned control whose edge touches the splitter's opposite edge.
  for (int i = 0; i < Parent()->ControlCount(); ++i) {
    TControl* c = Parent()->Controls(i);
    if (c == this || !c->Visible() || c->Align() != Align()) continue;
    RECT b = c->BoundsRect();
    switch (Align()) {
      case alLeft: if (b.right == Left()) return c; break;
      case alRight: if (b.left == Left() + Width()) return c; break;
      case alTop: if (b.bottom == Top()) return c; break;
      case alBottom: if (b.top == Top() + Height()) return c; break;
      default: break;
    }
  }
  return nullptr;
}

void TSplitter::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
}

void TSplitter::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseDown(Button, Shift, X, Y);
  if (Button != mbLeft) return;
  FTarget = FindControl();
  if (!FTarget) return;
  FDragging = true;
  FDownAt = ClientToScreen(POINT{X, Y});
  bool horz = Align() == alLeft || Align() == alRight;
  FStartSize = horz ? FTarget->Width() : FTarget->Height();
}

void TSplitter::MouseMove(TShiftState Shift, int X, int Y) {
  TGraphicControl::MouseMove(Shift, X, Y);
  if (!FDragging || !FTarget) return;
  POINT p = ClientToScreen(POINT{X, Y});
  int d = (Align() == alLeft || Align() == alRight) ? p.x - FDownAt.x : p.y - FDownAt.y;
  if (Align() == alRight || Align() == alBottom) d = -d;
  int size = std::max(FMinSize, FStartSize + d);
  // Leave at least MinSize for the client-aligned rest.
  int room = (Align() == alLeft || Align() == alRight) ? Parent()->ClientWidth() : Parent()->ClientHeight();
  size = std::min(size, std::max(FMinSize, room - FMinSize));
  if (Align() == alLeft || Align() == alRight) FTarget->SetWidth(size);
  else FTarget->SetHeight(size);
}

void TSplitter::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  bool was = FDragging;
  FDragging = false;
  TGraphicControl::MouseUp(Button, Shift, X, Y);
  if (was && OnMoved) OnMoved(this);
}

// ---- TBevel ----
TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 50;
  FHeight = 50;
}

void TBevel::Paint() {
  HDC dc = Canvas()->Handle();
  RECT r = ClientRect();
  UINT edge = FStyle == bsLowered ? EDGE_SUNKEN : EDGE_RAISED;
  switch (FShape) {
    case bsBox: DrawEdge(dc, &r, edge, BF_RECT); break;
    case bsFrame: DrawEdge(dc, &r, EDGE_ETCHED, BF_RECT); break;
    case bsTopLine: DrawEdge(dc, &r, EDGE_ETCHED, BF_TOP); break;
    case bsBottomLine: DrawEdge(dc, &r, EDGE_ETCHED, BF_BOTTOM); break;
    case bsLeftLine: DrawEdge(dc, &r, EDGE_ETCHED, BF_LEFT); break;
    case bsRightLine: DrawEdge(dc, &r, EDGE_ETCHED, BF_RIGHT); break;
    case bsSpacer: break;
  }
}

ORV_CLASS_IMPL(TImage, TGraphicControl)
ORV_CLASS_IMPL(TShape, TGraphicControl)

// ---- TImage ----
TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>()) {
  FWidth = 105;
  FHeight = 105;
  FPicture->OnChange = [this](TObject*) {
    if (FTransparent) ApplyTransparent();
    Invalidate();
  };
}

void TImage::SetTransparent(bool Value) {
  FTransparent = Value;
  ApplyTransparent();
  Invalidate();
}

// Only when it differs, so that the graphic's change notice coming back ends here.
void TImage::ApplyTransparent() {
  TGraphic* g = FPicture->Graphic();
  if (g && g->Transparent() != FTransparent) g->SetTransparent(FTransparent);
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

RECT TImage::DestRect() {
  int pw = FPicture->Width(), ph = FPicture->Height();
  int cw = Width(), ch = Height();
  int w = pw, h = ph;
  if (FStretch || (FProportional && (pw > cw || ph > ch))) {
    if (FProportional && pw > 0 && ph > 0) {
      // Fit inside keeping the aspect ratio.
      if (static_cast<int64_t>(cw) * ph > static_cast<int64_t>(ch) * pw) {
        h = ch;
        w = static_cast<int>(static_cast<int64_t>(ch) * pw / ph);
      } else {
        w = cw;
        h = static_cast<int>(static_cast<int64_t>(cw) * ph / pw);
      }
    } else {
      w = cw;
      h = ch;
    }
  }
  int x = 0, y = 0;
  if (FCenter) {
    x = (cw - w) / 2;
    y = (ch - h) / 2;
  }
  return RECT{x, y, x + w, y + h};
}

void TImage::Paint() {
  if (!FPicture->Graphic() || FPicture->Graphic()->Empty()) return;
  Canvas()->StretchDraw(DestRect(), FPicture->Graphic());
}

// ---- TShape ----
TShape::TShape(TComponent* AOwner) : TGraphicControl(AOwner), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
  FWidth = 65;
  FHeight = 65;
  FPen->OnChange = [this](TObject*) { Invalidate(); };
  FBrush->OnChange = [this](TObject*) { Invalidate(); };
}

TShape::~TShape() {
  FPen->OnChange = nullptr;
  FBrush->OnChange = nullptr;
}

void TShape::Paint() {
  TCanvas* c = Canvas();
  c->Pen()->Assign(FPen.get());
  c->Brush()->Assign(FBrush.get());
  int pw = std::max(1, FPen->Width());
  int x = pw / 2, y = pw / 2, w = Width() - pw + 1, h = Height() - pw + 1;
  if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
    int s = std::min(w, h);
    x += (w - s) / 2;
    y += (h - s) / 2;
    w = h = s;
  }
  switch (FShape) {
    case stRectangle: case stSquare: c->Rectangle(x, y, x + w, y + h); break;
    case stRoundRect: case stRoundSquare: c->RoundRect(x, y, x + w, y + h, std::min(w, h) / 4, std::min(w, h) / 4); break;
    case stEllipse: case stCircle: c->Ellipse(x, y, x + w, y + h); break;
  }
}

// ---- Published properties ----

void TPaintBox::Publish(TPublisher<TPaintBox>& P) {
  P.Event("OnPaint", &TPaintBox::OnPaint).Type("TNotifyEvent");
}

void TSplitter::Publish(TPublisher<TSplitter>& P) {
  P.Redeclare("Align").Default(alLeft);
  P.Redeclare("Cursor").Default(crHSplit);
  P.Prop("MinSize", &TSplitter::MinSize, &TSplitter::SetMinSize).Type("NaturalNumber").Default(30);
  P.Event("OnMoved", &TSplitter::OnMoved).Type("TNotifyEvent");
}

void TBevel::Publish(TPublisher<TBevel>& P) {
  P.Prop("Shape", &TBevel::Shape, &TBevel::SetShape).Default(bsBox);
  P.Prop("Style", &TBevel::Style, &TBevel::SetStyle).Default(bsLowered);
}

void TImage::Publish(TPublisher<TImage>& P) {
  P.Prop("Center", &TImage::Center, &TImage::SetCenter).Default(false);
  P.Prop("Picture", &TImage::Picture, +[](TImage& I, TPicture* V) { I.Picture()->Assign(V); });
  P.Prop("Proportional", &TImage::Proportional, &TImage::SetProportional).Default(false);
  P.Prop("Stretch", &TImage::Stretch, &TImage::SetStretch).Default(false);
  P.Prop("Transparent", &TImage::Transparent, &TImage::SetTransparent).Default(false);
}

void TShape::Publish(TPublisher<TShape>& P) {
  P.Prop("Brush", &TShape::Brush, +[](TShape& S, TBrush* V) { S.Brush()->Assign(V); });
  P.Prop("Pen", &TShape::Pen, +[](TShape& S, TPen* V) { S.Pen()->Assign(V); });
  P.Prop("Shape", &TShape::Shape, &TShape::SetShape).Default(stRectangle);
}
