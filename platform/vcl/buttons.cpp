// Speed buttons and bitmap buttons.
#include "platform/vcl/buttons.h"

#include <algorithm>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/actnlist.h"

#include "platform/vcl/forms.h"

ORV_CLASS_IMPL(TSpeedButton, TGraphicControl)
ORV_CLASS_IMPL(TBitBtn, TButton)

namespace {
// Draws one cell of the glyph strip (the second while disabled, when there is one) and the
// caption in r, placed by the layout: the glyph on the Layout side, Margin from the edge and
// Spacing from the caption; -1 for Margin centres glyph and caption together, -1 for both
// spaces everything evenly.
void DrawGlyphAndCaption(TCanvas* c, const RECT& r, TBitmap* glyph, const TGlyphLayout& L,
                         const std::string& caption, TFont* font, bool enabled) {
  HDC dc = c->Handle();
  HGDIOBJ old = SelectObject(dc, font->Handle());
  SIZE ts{0, 0};
  if (!caption.empty()) GetTextExtentPoint32(dc, caption.c_str(), static_cast<int>(caption.size()), &ts);
  const int cells = std::max(1, L.NumGlyphs);
  const int gw = (glyph && !glyph->Empty()) ? glyph->Width() / cells : 0;
  const int gh = gw ? glyph->Height() : 0;
  const bool across = L.Layout == blGlyphLeft || L.Layout == blGlyphRight;  // side by side
  const int extent = across ? r.right - r.left : r.bottom - r.top;
  const int glyphExt = across ? gw : gh, textExt = across ? ts.cx : ts.cy;
  int margin = L.Margin, spacing = (gw && !caption.empty()) ? L.Spacing : 0;
  if (margin == -1 && spacing == -1) {
    margin = spacing = (extent - glyphExt - textExt) / 3;
  } else if (margin == -1) {
    margin = (extent - glyphExt - spacing - textExt + 1) / 2;
  } else if (spacing == -1) {
    spacing = (extent - margin - glyphExt - textExt) / 2;
  }
  const bool glyphFirst = L.Layout == blGlyphLeft || L.Layout == blGlyphTop;
  int glyphAt = glyphFirst ? margin : extent - margin - glyphExt;
  int textAt = glyphFirst ? margin + glyphExt + spacing : glyphAt - spacing - textExt;
  if (!gw) textAt = (extent - textExt + 1) / 2;
  auto crossAt = [&](int size) { return ((across ? r.bottom - r.top : r.right - r.left) - size + 1) / 2; };
  if (gw) {
    const int gx = r.left + (across ? glyphAt : crossAt(gw));
    const int gy = r.top + (across ? crossAt(gh) : glyphAt);
    const int cell = !enabled && cells >= 2 ? 1 : 0;
    c->CopyRect(RECT{gx, gy, gx + gw, gy + gh}, glyph->Canvas(), RECT{cell * gw, 0, cell * gw + gw, gh});
  }
  if (!caption.empty()) {
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(enabled ? font->Color() : clGrayText));
    const int tx = r.left + (across ? textAt : crossAt(ts.cx));
    const int ty = r.top + (across ? crossAt(ts.cy) : textAt);
    TextOut(dc, tx, ty, caption.c_str(), static_cast<int>(caption.size()));
  }
  SelectObject(dc, old);
}
}  // namespace

bool ActionGlyph(TAction* Action, TBitmap* Glyph) {
  TImageList* images = Action && Action->ActionList() ? Action->ActionList()->Images() : nullptr;
  if (!images || Action->ImageIndex() < 0 || Action->ImageIndex() >= images->Count()) return false;
  images->GetBitmap(Action->ImageIndex(), Glyph);
  return true;
}

// ---- TSpeedButton ----
TSpeedButton::TSpeedButton(TComponent* AOwner) : TGraphicControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  FWidth = 23;
  FHeight = 22;
  SetParentColor(true);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGlyph(TBitmap* Value) {
  FGlyph->Assign(Value);
  Invalidate();
}

void TSpeedButton::ActionChange(TAction* Sender, bool CheckDefaults) {
  TGraphicControl::ActionChange(Sender, CheckDefaults);
  if (!CheckDefaults || !FDown) SetDown(Sender->Checked());
  if ((!CheckDefaults || FGlyph->Empty()) && ActionGlyph(Sender, FGlyph.get())) Invalidate();
}

void TSpeedButton::SetDown(bool Value) {
  if (FGroupIndex == 0) Value = false;
  if (Value == FDown) return;
  if (!Value && !FAllowAllUp) {
    // One button of a group stays down unless AllowAllUp.
    bool other = false;
    if (Parent())
      for (int i = 0; i < Parent()->ControlCount(); ++i)
        if (auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i)); b && b != this && b->FGroupIndex == FGroupIndex && b->FDown) other = true;
    if (!other) return;
  }
  FDown = Value;
  if (Value && Parent())
    for (int i = 0; i < Parent()->ControlCount(); ++i)
      if (auto* b = dynamic_cast<TSpeedButton*>(Parent()->Controls(i)); b && b != this && b->FGroupIndex == FGroupIndex && b->FDown) {
        b->FDown = false;
        b->Invalidate();
      }
  Invalidate();
}

void TSpeedButton::Click() {
  if (FGroupIndex != 0) SetDown(!FDown || !FAllowAllUp);
  TGraphicControl::Click();
}

void TSpeedButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && Enabled()) {
    FPressed = true;
    Invalidate();
  }
  TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TSpeedButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  FPressed = false;
  Invalidate();
  TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TSpeedButton::WndProc(TMessage& M) {
  if (M.Msg == CM_MOUSEENTER || M.Msg == CM_MOUSELEAVE) {
    FHot = M.Msg == CM_MOUSEENTER;
    if (FFlat) Invalidate();
  }
  TGraphicControl::WndProc(M);
}

void TSpeedButton::Paint() {
  HDC dc = Canvas()->Handle();
  RECT r = ClientRect();
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(r);
  bool sunk = FPressed || FDown;
  if (!FFlat || FHot || sunk) {
    RECT e = r;
    DrawEdge(dc, &e, sunk ? (FFlat ? BDR_SUNKENOUTER : EDGE_SUNKEN) : (FFlat ? BDR_RAISEDINNER : EDGE_RAISED), BF_RECT);
  }
  RECT inner = r;
  if (sunk) OffsetRect(&inner, 1, 1);
  DrawGlyphAndCaption(Canvas(), inner, FGlyph.get(), FGlyphLayout, Caption(), Font(), Enabled());
}

// ---- TBitBtn ----
TBitBtn::TBitBtn(TComponent* AOwner) : TButton(AOwner), FGlyph(std::make_unique<TBitmap>()) {}
TBitBtn::~TBitBtn() = default;

void TBitBtn::SetGlyph(TBitmap* Value) {
  FGlyph->Assign(Value);
  Invalidate();
}

void TBitBtn::ActionChange(TAction* Sender, bool CheckDefaults) {
  TButton::ActionChange(Sender, CheckDefaults);
  if ((!CheckDefaults || FGlyph->Empty()) && ActionGlyph(Sender, FGlyph.get())) Invalidate();
}

void TBitBtn::SetKind(TBitBtnKind Value) {
  struct TKindDef { const char* Caption; TModalResult Result; };
  static const TKindDef defs[] = {{"", mrNone}, {"OK", mrOk}, {"Cancel", mrCancel}, {"&Help", mrNone},
                                  {"&Yes", mrYes}, {"&No", mrNo}, {"&Close", mrNone}, {"Abort", mrAbort},
                                  {"&Retry", mrRetry}, {"&Ignore", mrIgnore}, {"&All", mrAll}};
  FKind = Value;
  // While a form is read its stream carries the caption, modal result and roles that were
  // saved; the kind's own must not overwrite a caption read just before.
  if (Value == bkCustom || ComponentState().Contains(csLoading)) return;
  SetCaption(defs[Value].Caption);
  SetModalResult(defs[Value].Result);
  if (Value == bkOK || Value == bkYes) SetDefault(true);
  if (Value == bkCancel || Value == bkNo) SetCancel(true);
}

void TBitBtn::Click() {
  if (FKind == bkClose) {
    if (TCustomForm* f = GetParentForm()) f->Close();
  }
  TButton::Click();
}

void TBitBtn::Paint() {
  HDC dc = Canvas()->Handle();
  RECT r = ClientRect();
  if (Default() || Focused()) {
    FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
    InflateRect(&r, -1, -1);
  }
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (FDown ? UINT(DFCS_PUSHED) : 0u));
  RECT t = r;
  if (FDown) OffsetRect(&t, 1, 1);
  DrawGlyphAndCaption(Canvas(), t, FGlyph.get(), FGlyphLayout, Caption(), Font(), Enabled());
  if (Focused()) {
    InflateRect(&r, -3, -3);
    DrawFocusRect(dc, &r);
  }
}

// ---- Published properties ----

namespace {
template <class T> void PublishGlyph(TPublisher<T>& P) {
  P.Prop("Glyph", &T::Glyph, &T::SetGlyph);
  P.Prop("Layout", &T::Layout, &T::SetLayout).Default(blGlyphLeft);
  P.Prop("Margin", &T::Margin, &T::SetMargin).Default(-1);
  P.Prop("NumGlyphs", &T::NumGlyphs, &T::SetNumGlyphs).Type("TNumGlyphs").Default(1);
  P.Prop("Spacing", &T::Spacing, &T::SetSpacing).Default(4);
}
}  // namespace

void TSpeedButton::Publish(TPublisher<TSpeedButton>& P) {
  P.Redeclare("ParentColor").Default(true);
  P.Prop("AllowAllUp", &TSpeedButton::AllowAllUp, &TSpeedButton::SetAllowAllUp).Default(false);
  P.Prop("GroupIndex", &TSpeedButton::GroupIndex, &TSpeedButton::SetGroupIndex).Default(0);
  // After GroupIndex: a button is down only within a group.
  P.Prop("Down", &TSpeedButton::Down, &TSpeedButton::SetDown).Default(false);
  P.Prop("Flat", &TSpeedButton::Flat, &TSpeedButton::SetFlat).Default(false);
  PublishGlyph(P);
}

void TBitBtn::Publish(TPublisher<TBitBtn>& P) {
  PublishGlyph(P);
  P.Prop("Kind", &TBitBtn::Kind, &TBitBtn::SetKind).Default(bkCustom);
}
