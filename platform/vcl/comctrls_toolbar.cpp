// Tool bar and tool buttons.
#include <algorithm>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/actnlist.h"
#include "platform/vcl/comctrls.h"
#include "platform/vcl/menus.h"

ORV_CLASS_IMPL(TToolButton, TGraphicControl)
ORV_CLASS_IMPL(TToolBar, TCustomControl)

namespace {
constexpr int kDropArrow = 12;  // width of the arrow part of a drop-down button
}

// ---- TToolButton ----
TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
  FWidth = 23;
  FHeight = 22;
  SetParentColor(true);
}

void TToolButton::SetStyle(TToolButtonStyle Value) {
  FStyle = Value;
  if (Parent()) Parent()->Realign();
  Invalidate();
}

void TToolButton::SetDown(bool Value) {
  if (FDown == Value) return;
  FDown = Value;
  if (Value && FGrouped && Parent())
    for (int i = 0; i < Parent()->ControlCount(); ++i)
      if (auto* b = dynamic_cast<TToolButton*>(Parent()->Controls(i)); b && b != this && b->FGrouped && b->FStyle == tbsCheck && b->FDown) {
        b->FDown = false;
        b->Invalidate();
      }
  Invalidate();
}

void TToolButton::ActionChange(TAction* Sender, bool CheckDefaults) {
  TGraphicControl::ActionChange(Sender, CheckDefaults);
  if (!CheckDefaults || FImageIndex == -1) SetImageIndex(Sender->ImageIndex());
  if (FStyle == tbsCheck && (!CheckDefaults || !FDown)) SetDown(Sender->Checked());
}

void TToolButton::Click() {
  if (FStyle == tbsSeparator || FStyle == tbsDivider) return;
  if (FStyle == tbsCheck) SetDown(FGrouped ? true : !FDown);
  TGraphicControl::Click();
}

void TToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && Enabled() && FStyle != tbsSeparator && FStyle != tbsDivider) {
    if (FStyle == tbsDropDown && X >= Width() - kDropArrow && FDropdownMenu) {
      POINT p = ClientToScreen(POINT{0, Height()});
      ControlState() -= csClicked;
      PopupMenuAt(FDropdownMenu, this, p.x, p.y);
      return;
    }
    FPressed = true;
    Invalidate();
  }
  TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  FPressed = false;
  Invalidate();
  TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TToolButton::WndProc(TMessage& M) {
  if (M.Msg == CM_MOUSEENTER || M.Msg == CM_MOUSELEAVE) {
    FHot = M.Msg == CM_MOUSEENTER;
    Invalidate();
  }
  TGraphicControl::WndProc(M);
}

TCustomDrawState TToolButton::DrawState() const {
  TCustomDrawState s;
  if (FHot) s += cdsHot;
  if (FPressed) s += cdsSelected;
  if (FDown) s += cdsChecked;
  if (!Enabled()) {
    s += cdsDisabled;
    s += cdsGrayed;
  }
  return s;
}

void TToolButton::Paint() {
  TCanvas* c = Canvas();
  HDC dc = c->Handle();
  RECT r = ClientRect();
  auto* owner = dynamic_cast<TToolBar*>(Parent());
  if (owner && (!owner->DrawsButtons() || !owner->CustomDrawButton(this, dc))) return;
  // A flat bar has painted the background under its buttons already (perhaps its own way);
  // only a button with a colour of its own fills it again.
  if (!owner || !owner->Flat() || !ParentColor()) {
    c->Brush()->SetColor(Color());
    c->FillRect(r);
  }
  if (FStyle == tbsSeparator || FStyle == tbsDivider) {
    // Separators and dividers draw an etched line down their middle.
    RECT d{r.right / 2 - 1, 2, r.right / 2 + 1, r.bottom - 2};
    DrawEdge(dc, &d, EDGE_ETCHED, BF_LEFT);
    return;
  }
  auto* bar = dynamic_cast<TToolBar*>(Parent());
  bool flat = bar ? bar->Flat() : true;
  bool sunk = FPressed || FDown;
  if (!flat || FHot || sunk) {
    RECT e = r;
    DrawEdge(dc, &e, sunk ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
  }
  RECT content = r;
  if (FStyle == tbsDropDown) {
    content.right -= kDropArrow;
    RECT a{content.right, 0, r.right, r.bottom};
    DrawFrameControl(dc, &a, DFC_SCROLL, DFCS_SCROLLDOWN | DFCS_FLAT);
  }
  if (sunk) OffsetRect(&content, 1, 1);
  bool caps = bar && bar->ShowCaptions();
  TImageList* images = bar ? (FHot && bar->HotImages() ? bar->HotImages() : bar->Images()) : nullptr;
  int y = content.top + 3;
  if (images && FImageIndex >= 0 && FImageIndex < images->Count()) {
    int x = content.left + ((content.right - content.left) - images->Width()) / 2;
    if (!caps) y = content.top + ((content.bottom - content.top) - images->Height()) / 2;
    images->Draw(c, x, y, FImageIndex, Enabled());
    y += images->Height() + 1;
  }
  if (caps || !images) {
    RECT t{content.left, images ? y : content.top, content.right, content.bottom};
    HGDIOBJ old = SelectObject(dc, Font()->Handle());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, ColorToRGB(Enabled() ? Font()->Color() : clGrayText));
    DrawText(dc, Caption().c_str(), -1, &t, DT_CENTER | DT_SINGLELINE | (images ? 0u : UINT(DT_VCENTER)));
    SelectObject(dc, old);
  }
}

// ---- TToolBar ----
TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner) {
  FHeight = 29;
  SetAlign(alTop);
  SetColor(clBtnFace);
  ControlStyle() += csAcceptsControls;
}

void TToolBar::SetShowCaptions(bool Value) {
  FShowCaptions = Value;
  if (Value && FButtonHeight < 36) FButtonHeight = 36;
  Realign();
  Invalidate();
}

void TToolBar::SetButtonWidth(int Value) {
  FButtonWidth = Value;
  Realign();
}

void TToolBar::SetButtonHeight(int Value) {
  FButtonHeight = Value;
  Realign();
}

void TToolBar::SetImages(TImageList* Value) {
  FImages = Value;
  if (Value) Value->FreeNotification(this);
  Invalidate();
}

void TToolBar::SetHotImages(TImageList* Value) {
  FHotImages = Value;
  if (Value) Value->FreeNotification(this);
  Invalidate();
}

void TToolBar::Notification(TComponent* AComponent, TOperation Operation) {
  TCustomControl::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  if (AComponent == FImages) FImages = nullptr;
  if (AComponent == FHotImages) FHotImages = nullptr;
}

int TToolBar::ButtonCount() const {
  int n = 0;
  for (int i = 0; i < ControlCount(); ++i)
    if (dynamic_cast<TToolButton*>(Controls(i))) ++n;
  return n;
}

TToolButton* TToolBar::Buttons(int Index) const {
  for (int i = 0; i < ControlCount(); ++i)
    if (auto* b = dynamic_cast<TToolButton*>(Controls(i)); b && Index-- == 0) return b;
  return nullptr;
}

void TToolBar::AlignControls(TControl* AControl, RECT& Rect) {
  TCustomControl::AlignControls(AControl, Rect);
  // Buttons side by side from the left, in the order they were added.
  int x = Rect.left + 2;
  for (int i = 0; i < ControlCount(); ++i) {
    auto* b = dynamic_cast<TToolButton*>(Controls(i));
    if (!b || !b->Visible()) continue;
    int w = b->Style() == tbsSeparator || b->Style() == tbsDivider ? 8 : FButtonWidth + (b->Style() == tbsDropDown ? 12 : 0);
    if (FShowCaptions && b->Style() != tbsSeparator && b->Style() != tbsDivider) {
      HDC dc = GetDC(nullptr);
      HGDIOBJ old = SelectObject(dc, Font()->Handle());
      SIZE sz{0, 0};
      GetTextExtentPoint32(dc, b->Caption().c_str(), static_cast<int>(b->Caption().size()), &sz);
      SelectObject(dc, old);
      ReleaseDC(nullptr, dc);
      w = std::max(w, static_cast<int>(sz.cx) + 8);
    }
    b->SetBounds(x, Rect.top + 2, w, FButtonHeight);
    x += w;
  }
}

void TToolBar::Paint() {
  Canvas()->Brush()->SetColor(Color());
  Canvas()->FillRect(ClientRect());
  FDrawButtons = true;
  if (OnCustomDraw) {
    bool def = true;
    OnCustomDraw(this, ClientRect(), def);
    FDrawButtons = def;
  }
}

bool TToolBar::CustomDrawButton(TToolButton* Button, HDC DC) {
  if (!OnCustomDrawButton || !DC || !Button) return true;
  // The button's paint has the origin at the button; the handler draws in the bar's
  // coordinates (the clipping to the button stays).
  const int saved = SaveDC(DC);
  OffsetWindowOrgEx(DC, Button->Left(), Button->Top(), nullptr);
  TCanvas* c = Canvas();
  c->Lock();
  c->SetHandle(DC);
  c->Font()->Assign(Font());
  c->Brush()->SetColor(Color());
  bool def = true;
  OnCustomDrawButton(this, Button, Button->DrawState(), def);
  c->SetHandle(nullptr);
  c->Unlock();
  RestoreDC(DC, saved);
  return def;
}

// Window class "ToolbarWindow32", the name other code (the skinners) looks for.
void TToolBar::CreateParams(TCreateParams& P) {
  TCustomControl::CreateParams(P);
  P.WinClassName = "ToolbarWindow32";
  if (FFlat) P.Style |= TBSTYLE_FLAT;
}

void TToolBar::SetFlat(bool Value) {
  FFlat = Value;
  if (HandleAllocated()) {
    DWORD st = static_cast<DWORD>(GetWindowLongPtr(Handle(), GWL_STYLE));
    st = Value ? (st | TBSTYLE_FLAT) : (st & ~TBSTYLE_FLAT);
    SetWindowLongPtr(Handle(), GWL_STYLE, static_cast<LONG_PTR>(st));
  }
  Invalidate();
}

void TToolBar::WndProc(TMessage& M) {
  switch (M.Msg) {
    case TB_GETSTYLE:
      M.Result = static_cast<LRESULT>(GetWindowLongPtr(Handle(), GWL_STYLE) & 0xFFFF);
      return;
    case TB_SETSTYLE: {
      // Only the tool bar's own bits change; the window styles stay.
      DWORD st = static_cast<DWORD>(GetWindowLongPtr(Handle(), GWL_STYLE));
      st = (st & 0xFFFF0000u) | (static_cast<DWORD>(M.LParam) & 0xFFFFu);
      SetWindowLongPtr(Handle(), GWL_STYLE, static_cast<LONG_PTR>(st));
      FFlat = (st & TBSTYLE_FLAT) != 0;
      Invalidate();
      return;
    }
  }
  TCustomControl::WndProc(M);
}

// ---- Published properties ----

void TToolButton::Publish(TPublisher<TToolButton>& P) {
  P.Redeclare("ParentColor").Default(true);
  P.Prop("DropdownMenu", &TToolButton::DropdownMenu, &TToolButton::SetDropdownMenu);
  P.Prop("Grouped", &TToolButton::Grouped, &TToolButton::SetGrouped).Default(false);
  P.Prop("ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex).Type("TImageIndex").Default(-1);
  P.Prop("Style", &TToolButton::Style, &TToolButton::SetStyle).Default(tbsButton);
  // After Style and Grouped, which decide whether the button can stay down.
  P.Prop("Down", &TToolButton::Down, &TToolButton::SetDown).Default(false);
}

// Flat is on for a new bar here, so its default is True: the stream keeps the value a new bar
// does not have.
void TToolBar::Publish(TPublisher<TToolBar>& P) {
  P.Redeclare("Align").Default(alTop);
  P.Prop("ButtonHeight", &TToolBar::ButtonHeight, &TToolBar::SetButtonHeight).Default(22);
  P.Prop("ButtonWidth", &TToolBar::ButtonWidth, &TToolBar::SetButtonWidth).Default(23);
  P.Prop("EdgeBorders", &TToolBar::EdgeBorders, &TToolBar::SetEdgeBorders).Type(SetTypeInfo("TEdgeBorders", TypeInfo<TEdgeBorder>())).Default(TEdgeBorders{ebTop});
  P.Prop("Flat", &TToolBar::Flat, &TToolBar::SetFlat).Default(true);
  P.Prop("HotImages", &TToolBar::HotImages, &TToolBar::SetHotImages);
  P.Prop("Images", &TToolBar::Images, &TToolBar::SetImages);
  P.Prop("List", &TToolBar::List, &TToolBar::SetList).Default(false);
  P.Prop("ShowCaptions", &TToolBar::ShowCaptions, &TToolBar::SetShowCaptions).Default(false);
}
