// Shape and image controls.
#include "platform/vcl/extctrls2.h"

#include <algorithm>

#include "platform/rtl/typinfo.h"

ORV_CLASS_IMPL(TShape, TGraphicControl)
ORV_CLASS_IMPL(TImage, TGraphicControl)

// ---- TShape ----
TShape::TShape(TComponent* AOwner)
    : TGraphicControl(AOwner), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
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
  // The figure lies inside the pen: half the pen width in from every edge.
  int pw = std::max(1, FPen->Width());
  int x = pw / 2, y = pw / 2;
  int w = Width() - pw + 1, h = Height() - pw + 1;
  if (FPen->Width() == 0) { --w; --h; }
  if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
    int s = std::min(w, h);
    x += (w - s) / 2;
    y += (h - s) / 2;
    w = h = s;
  }
  switch (FShape) {
    case stRectangle: case stSquare: c->Rectangle(x, y, x + w, y + h); break;
    case stRoundRect: case stRoundSquare: {
      int r = std::min(w, h) / 4;
      c->RoundRect(x, y, x + w, y + h, r, r);
      break;
    }
    case stEllipse: case stCircle: c->Ellipse(x, y, x + w, y + h); break;
  }
}

void TShape::Publish(TPublisher<TShape>& P) {
  P.Prop("Brush", &TShape::Brush, &TShape::SetBrush);
  P.Prop("Pen", &TShape::Pen, &TShape::SetPen);
  P.Prop("Shape", &TShape::Shape, &TShape::SetShape).Default(stRectangle);
}

// ---- TImage ----
TImage::TImage(TComponent* AOwner) : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>()) {
  FWidth = 105;
  FHeight = 105;
  FPicture->OnChange = [this](TObject*) { PictureChanged(); };
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

void TImage::PictureChanged() {
  if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
    SetBounds(Left(), Top(), FPicture->Width(), FPicture->Height());
  if (TGraphic* g = FPicture->Graphic()) g->SetTransparent(FTransparent);
  Invalidate();
}

TCanvas* TImage::ImageCanvas() {
  if (!FPicture->Graphic()) {
    // An empty picture becomes a bitmap of the control's size.
    TBitmap* b = FPicture->Bitmap();
    b->SetWidth(Width());
    b->SetHeight(Height());
  }
  return FPicture->Bitmap()->Canvas();
}

void TImage::SetAutoSize(bool Value) {
  FAutoSize = Value;
  PictureChanged();
}

void TImage::SetTransparent(bool Value) {
  FTransparent = Value;
  PictureChanged();
}

RECT TImage::DestRect() const {
  int pw = FPicture->Width(), ph = FPicture->Height();
  int cw = Width(), ch = Height();
  int w = pw, h = ph;
  if (pw <= 0 || ph <= 0) return RECT{0, 0, 0, 0};
  if (FStretch || (FProportional && (pw > cw || ph > ch))) {
    if (FProportional) {
      // The largest size of the picture's shape that fits.
      if (static_cast<int64_t>(cw) * ph > static_cast<int64_t>(ch) * pw) {
        h = ch;
        w = static_cast<int>(static_cast<int64_t>(pw) * ch / ph);
      } else {
        w = cw;
        h = static_cast<int>(static_cast<int64_t>(ph) * cw / pw);
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
  TGraphic* g = FPicture->Graphic();
  if (!g || g->Empty()) return;
  RECT r = DestRect();
  if (r.right - r.left == g->Width() && r.bottom - r.top == g->Height()) Canvas()->Draw(r.left, r.top, g);
  else Canvas()->StretchDraw(r, g);
}

void TImage::Publish(TPublisher<TImage>& P) {
  P.Prop("AutoSize", &TImage::AutoSize, &TImage::SetAutoSize);
  P.Prop("Center", &TImage::Center, &TImage::SetCenter);
  P.Prop("Picture", &TImage::Picture, &TImage::SetPicture);
  P.Prop("Proportional", &TImage::Proportional, &TImage::SetProportional);
  P.Prop("Stretch", &TImage::Stretch, &TImage::SetStretch);
  P.Prop("Transparent", &TImage::Transparent, &TImage::SetTransparent);
}
