// The owner-drawn buttons (see bnbutton.h).
#include "controls/bnbutton.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

#include "controls/bncommon.h"
#include "controls/bngrafx.h"
#include "controls/bnthemesrv.h"
#include "controls/bntmschema.h"
#include "platform/rtl/filer.h"
#include "platform/rtl/typinfo.h"
#include "platform/vcl/actnlist.h"
#include "platform/vcl/forms.h"
#include "platform/win/gdi_user.h"

ORV_CLASS_IMPL(TBnCustomButton, TCustomControl)
ORV_CLASS_IMPL(TBnButton, TBnCustomButton)
ORV_CLASS_IMPL(TBnBitBtn, TBnButton)
ORV_CLASS_IMPL(TBnMenuButton, TBnBitBtn)

namespace {

// Text drawn with the canvas's font on its DC.
class TFontScope {
public:
  explicit TFontScope(TCanvas* Canvas)
      : FDC(Canvas->Handle()), FOld(SelectObject(FDC, Canvas->Font()->Handle())) {}
  ~TFontScope() { SelectObject(FDC, FOld); }
  TFontScope(const TFontScope&) = delete;
  TFontScope& operator=(const TFontScope&) = delete;
  HDC DC() const { return FDC; }

private:
  HDC FDC;
  HGDIOBJ FOld;
};

void DrawTextIn(HDC DC, const std::string& Text, RECT R, UINT Flags, TColor Color) {
  SetTextColor(DC, ColorToRGB(Color));
  DrawText(DC, Text.c_str(), static_cast<int>(Text.size()), &R, Flags);
}

// Whether Ch is the accelerator of Caption (the character after a single "&").
bool IsAccelerator(char Ch, const std::string& Caption) {
  for (size_t i = 0; i + 1 < Caption.size(); ++i) {
    if (Caption[i] != '&') continue;
    if (Caption[i + 1] == '&') {
      ++i;
      continue;
    }
    return std::toupper(static_cast<unsigned char>(Caption[i + 1])) ==
           std::toupper(static_cast<unsigned char>(Ch));
  }
  return false;
}

void Line(TCanvas* C, int X1, int Y1, int X2, int Y2) {
  C->MoveTo(X1, Y1);
  C->LineTo(X2, Y2);
}

RECT Inset(RECT R, int D) {
  InflateRect(&R, -D, -D);
  return R;
}

}  // namespace

// ---- TBnCustomButton ----
TBnCustomButton::TBnCustomButton(TComponent* AOwner) : TCustomControl(AOwner) {
  FHeight = 17;
  FWidth = 115;
  FTabStop = true;
  FControlStyle =
      TControlStyle{csCaptureMouse, csDoubleClicks, csSetCaption, csReplicatable, csReflector};
}

TBnCustomButton::~TBnCustomButton() = default;

void TBnCustomButton::Publish(TPublisher<TBnCustomButton>& P) {
  P.Redeclare("TabStop").Default(true);
  P.Prop("AlignmentVertical", &TBnCustomButton::AlignmentVertical,
         &TBnCustomButton::SetAlignmentVertical)
      .Default(avCenter);
  P.Prop("HotTrackColor", &TBnCustomButton::HotTrackColor, &TBnCustomButton::SetHotTrackColor)
      .Type("TColor")
      .Default(TColor(RGB(240, 155, 20)));
  P.Prop("HotTrackColorType", &TBnCustomButton::HotTrackColorType,
         &TBnCustomButton::SetHotTrackColorType)
      .Default(htctActual);
  P.Prop("HighlightColor", &TBnCustomButton::HighlightColor, &TBnCustomButton::SetHighlightColor)
      .Type("TColor")
      .Default(clHighlight);
  P.Prop("LightTextStyle", &TBnCustomButton::LightTextStyle, &TBnCustomButton::SetLightTextStyle)
      .Default(false);
  P.Prop("TextStyle", &TBnCustomButton::TextStyle, &TBnCustomButton::SetTextStyle)
      .Default(tsNormal);
  P.Prop("TextHighlightColor", &TBnCustomButton::TextHighlightColor,
         &TBnCustomButton::SetTextHighlightColor)
      .Type("TColor")
      .Default(clBtnHighlight);
  P.Prop("TextShadowColor", &TBnCustomButton::TextShadowColor, &TBnCustomButton::SetTextShadowColor)
      .Type("TColor")
      .Default(clBtnShadow);
  P.Prop("TextShadowDepth", &TBnCustomButton::TextShadowDepth, &TBnCustomButton::SetTextShadowDepth)
      .Default(2);
  P.Prop("HotTrack", &TBnCustomButton::HotTrack, &TBnCustomButton::SetHotTrack).Default(false);
  P.Prop("ThemeAware", &TBnCustomButton::ThemeAware, &TBnCustomButton::SetThemeAware).Default(true);
}

namespace {
// Stores a changed value and repaints.
template <class V>
void Change(TControl* C, V& Field, V Value) {
  if (Field == Value) return;
  Field = Value;
  C->Invalidate();
}
}  // namespace

void TBnCustomButton::SetAlignmentVertical(TBnAlignmentVertical Value) {
  Change(this, FAlignmentVertical, Value);
}
void TBnCustomButton::SetHotTrack(bool Value) { Change(this, FHotTrack, Value); }
void TBnCustomButton::SetHotTrackColor(TColor Value) { Change(this, FHotTrackColor, Value); }
void TBnCustomButton::SetHotTrackColorType(TBnHotTrackColorType Value) {
  Change(this, FHotTrackColorType, Value);
}
void TBnCustomButton::SetHighlightColor(TColor Value) { Change(this, FHighlightColor, Value); }
void TBnCustomButton::SetLightTextStyle(bool Value) { Change(this, FLightTextStyle, Value); }
void TBnCustomButton::SetTextStyle(TBnTextStyle Value) { Change(this, FTextStyle, Value); }
void TBnCustomButton::SetTextHighlightColor(TColor Value) {
  Change(this, FTextHighlightColor, Value);
}
void TBnCustomButton::SetTextShadowColor(TColor Value) { Change(this, FTextShadowColor, Value); }
void TBnCustomButton::SetTextShadowDepth(int Value) { Change(this, FTextShadowDepth, Value); }
void TBnCustomButton::SetThemeAware(bool Value) { Change(this, FThemeAware, Value); }
void TBnCustomButton::SetTransparent(bool Value) { Change(this, FTransparent, Value); }

bool TBnCustomButton::ThemedLook() const {
  return FThemeAware && ThemeServicesInstance()->ThemedControls();
}

void TBnCustomButton::DrawCaption(TCanvas* ACanvas, RECT R, UINT Flags) {
  ACanvas->Brush()->SetStyle(bsClear);
  ACanvas->Font()->SetName("System");
  ACanvas->Font()->Assign(Font());
  const std::string text = Caption();
  TFontScope font(ACanvas);
  HDC dc = font.DC();
  SetBkMode(dc, TRANSPARENT);
  RECT m = R;
  DrawText(dc, text.c_str(), static_cast<int>(text.size()), &m,
           DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS);
  const int h = m.bottom - m.top;
  switch (FAlignmentVertical) {
    case avTop:
      R.bottom = R.top + h;
      break;
    case avCenter:
      R.top = (R.top + R.bottom - h) / 2;
      R.bottom = R.top + h;
      break;
    case avBottom:
      R.top = R.bottom - h - 1;
      break;
  }
  if (RightToLeftReading()) Flags |= DT_RTLREADING;
  auto layer = [&](int Dx, int Dy, TColor Color) {
    RECT r = R;
    OffsetRect(&r, Dx, Dy);
    DrawTextIn(dc, text, r, Flags, Color);
  };
  if (Enabled()) {
    const bool right = (Flags & DT_RIGHT) != 0;
    switch (FTextStyle) {
      case tsRaised:
        if (!FLightTextStyle) layer(1, 1, FTextShadowColor);
        layer(-1, -1, FTextHighlightColor);
        break;
      case tsRecessed:
        layer(1, 1, FTextHighlightColor);
        if (!FLightTextStyle) layer(-1, -1, FTextShadowColor);
        break;
      case tsShadow:
        layer(right ? 0 : FTextShadowDepth, FTextShadowDepth, FTextShadowColor);
        break;
      case tsNormal:
        break;
    }
    layer(right ? -FTextShadowDepth : 0, 0, ACanvas->Font()->Color());
  } else {
    layer(1, 1, clBtnHighlight);
    layer(0, 0, clBtnShadow);
  }
  ACanvas->Brush()->SetStyle(bsSolid);
}

void TBnCustomButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button == mbLeft && Enabled()) {
    if (CanFocus() && !Focused()) SetFocus();
    if (Focused()) {
      FShownDown = true;
      UpdateDisplay();
      FDragging = true;
      SetMouseCapture(true);
    }
  }
  TCustomControl::MouseDown(Button, Shift, X, Y);
}

void TBnCustomButton::MouseMove(TShiftState Shift, int X, int Y) {
  if (FDragging) {
    const bool inside = X >= 0 && X < Width() && Y >= 0 && Y < Height();
    if (inside != FShownDown) {
      FShownDown = inside;
      UpdateDisplay();
    }
  }
  TCustomControl::MouseMove(Shift, X, Y);
}

void TBnCustomButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (FDragging && Button == mbLeft) {
    FDragging = false;
    FShownDown = false;
    SetMouseCapture(false);
    const RECT client = ClientRect();
    if (PtInRect(&client, POINT{X, Y})) Activate();
    UpdateDisplay();
  }
  TCustomControl::MouseUp(Button, Shift, X, Y);
}

void TBnCustomButton::KeyDown(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyDown(Key, Shift);
  if (Key == VK_SPACE && !Shift.Contains(ssAlt)) {
    FShownDown = true;
    UpdateDisplay();
  }
}

void TBnCustomButton::KeyUp(WORD& Key, TShiftState Shift) {
  TCustomControl::KeyUp(Key, Shift);
  if (Key == VK_SPACE) {
    FShownDown = false;
    UpdateDisplay();
  }
}

void TBnCustomButton::WndProc(TMessage& M) {
  switch (M.Msg) {
    case WM_ERASEBKGND:
      if (FTransparent) {
        PaintParentBehind(this, reinterpret_cast<HDC>(M.WParam), false);
        M.Result = 1;
        return;
      }
      break;
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
      FMouseOver = M.Msg == CM_MOUSEENTER;
      TCustomControl::WndProc(M);
      if ((ThemedLook() || FHotTrack) && HandleAllocated())
        InvalidateRect(Handle(), nullptr, FALSE);
      return;
    case CM_ENABLEDCHANGED:
      if (!Enabled() && Parent() && Focused())
        if (TCustomForm* f = GetParentForm()) ::SetFocus(f->Handle());
      if (HandleAllocated() && !ComponentState().Contains(csDesigning))
        EnableWindow(Handle(), Enabled());
      Invalidate();
      return;
    case CM_TEXTCHANGED:
      TCustomControl::WndProc(M);
      Invalidate();
      return;
    case WM_SETFOCUS:
      TCustomControl::WndProc(M);
      FocusRepaint();
      return;
    case WM_KILLFOCUS:
      TCustomControl::WndProc(M);
      FShownDown = false;
      UpdateDisplay();
      FocusRepaint();
      return;
    case WM_GETDLGCODE:
      M.Result = DLGC_BUTTON;
      return;
  }
  TCustomControl::WndProc(M);
}

// ---- TBnButton ----
TBnButton::TBnButton(TComponent* AOwner) : TBnCustomButton(AOwner) {
  FHeight = 25;
  FWidth = 75;
  SetColor(clBtnFace);
}

void TBnButton::Publish(TPublisher<TBnButton>& P) {
  P.Prop("Alignment", &TBnButton::Alignment, &TBnButton::SetAlignment).Default(taCenter);
  P.Prop("Default", &TBnButton::Default, &TBnButton::SetDefault).Default(false);
  P.Prop("Cancel", &TBnButton::Cancel, &TBnButton::SetCancel).Default(false);
  P.Prop("ModalResult", &TBnButton::ModalResult, &TBnButton::SetModalResult)
      .Type("TModalResult")
      .Default(mrNone);
  P.Prop("AllowAllUp", &TBnButton::AllowAllUp, &TBnButton::SetAllowAllUp).Default(false);
  P.Prop("GroupIndex", &TBnButton::GroupIndex, &TBnButton::SetGroupIndex).Default(0);
  // After GroupIndex: a button is down only within a group.
  P.Prop("Down", &TBnButton::Down, &TBnButton::SetDown).Default(false);
  P.Prop("ShowDownPattern", &TBnButton::ShowDownPattern, &TBnButton::SetShowDownPattern)
      .Default(true);
  P.Prop("ShowFocusRect", &TBnButton::ShowFocusRect, &TBnButton::SetShowFocusRect).Default(true);
  P.Prop("DropDownOnEnter", &TBnButton::DropDownOnEnter, &TBnButton::SetDropDownOnEnter)
      .Default(true);
  P.Prop("FrameColor", &TBnButton::FrameColor, &TBnButton::SetFrameColor)
      .Type("TColor")
      .Default(cl3DDkShadow);
}

void TBnButton::DefineProperties(TFiler* Filer) {
  TBnCustomButton::DefineProperties(Filer);
  // An older form of the hot-track switch, read (never written) into HotTrack.
  Filer->DefineProperty(
      "FrameFlat", [this](TReader* R) { SetHotTrack(R->ReadBoolean()); }, nullptr, false);
}

void TBnButton::SetAlignment(TAlignment Value) { Change(this, FAlignment, Value); }
void TBnButton::SetShowDownPattern(bool Value) { Change(this, FShowDownPattern, Value); }
void TBnButton::SetShowFocusRect(bool Value) { Change(this, FShowFocusRect, Value); }
void TBnButton::SetFrameColor(TColor Value) { Change(this, FFrameColor, Value); }

void TBnButton::SetHotTrack(bool Value) {
  TBnCustomButton::SetHotTrack(Value);
  SetTransparent(Value);
}

void TBnButton::SetDefault(bool Value) {
  if (FDefault == Value) return;
  FDefault = Value;
  // Every button of the form works out again which one is drawn as the default.
  if (HandleAllocated())
    if (TCustomForm* f = GetParentForm())
      f->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(f->ActiveControl()));
  Invalidate();
}

void TBnButton::CreateWnd() {
  TBnCustomButton::CreateWnd();
  FActive = FDefault;
}

void TBnButton::SetDown(bool Value) {
  if (FGroupIndex == 0) Value = false;
  if (Value == FDown) return;
  if (FDown && !Value && !FAllowAllUp) return;
  FDown = Value;
  FState = Value ? 3 : 0;
  Invalidate();
  if (Value) BroadcastGroup();
}

void TBnButton::SetGroupIndex(int Value) {
  FGroupIndex = Value;
  BroadcastGroup();
}

void TBnButton::SetAllowAllUp(bool Value) {
  FAllowAllUp = Value;
  BroadcastGroup();
}

void TBnButton::BroadcastGroup() {
  TWinControl* parent = Parent();
  if (!parent) return;
  for (int i = 0; i < parent->ControlCount(); ++i)
    parent->Controls(i)->Perform(BN_GROUPCHANGED, static_cast<WPARAM>(FGroupIndex),
                                 reinterpret_cast<LPARAM>(this));
}

void TBnButton::Activate() {
  if (FGroupIndex != 0)
    SetDown(!FDown);
  else
    UpdateDisplay();
  FClicking = true;
  try {
    Click();
  } catch (...) {
    FClicking = false;
    throw;
  }
  FClicking = false;
}

void TBnButton::Click() {
  if (TCustomForm* f = GetParentForm()) f->SetModalResult(FModalResult);
  TBnCustomButton::Click();
}

void TBnButton::WndProc(TMessage& M) {
  switch (M.Msg) {
    case BN_GROUPCHANGED: {
      auto* sender = reinterpret_cast<TBnButton*>(M.LParam);
      if (sender != this && static_cast<int>(M.WParam) == FGroupIndex && FGroupIndex != 0) {
        if (FDown && sender->FDown) {
          FDown = false;
          FState = 0;
          Invalidate();
        }
        FAllowAllUp = sender->FAllowAllUp;
      }
      return;
    }
    case CM_DIALOGKEY: {
      const TShiftState shift = KeyDataToShiftState(M.LParam) * TShiftState{ssShift, ssAlt, ssCtrl};
      const bool enter = M.WParam == VK_RETURN && FActive, esc = M.WParam == VK_ESCAPE && FCancel;
      if ((enter || esc) && shift.Empty() && CanFocus()) {
        FPlainClick = !DropDownOnEnter();
        try {
          Click();
        } catch (...) {
          FPlainClick = false;
          throw;
        }
        FPlainClick = false;
        M.Result = 1;
        return;
      }
      M.Result = 0;
      return;
    }
    case CM_DIALOGCHAR:
      if (IsAccelerator(static_cast<char>(M.WParam), Caption()) && CanFocus()) {
        Click();
        M.Result = 1;
      } else {
        M.Result = 0;
      }
      return;
    case CM_FOCUSCHANGED: {
      auto* focused = reinterpret_cast<TWinControl*>(M.LParam);
      const bool button = focused && (focused->InheritsFrom(TBnButton::StaticClass()) ||
                                      focused->InheritsFrom(TButton::StaticClass()));
      const bool active = button ? focused == this : FDefault;
      if (active != FActive) {
        FActive = active;
        Invalidate();
      }
      return;
    }
    case WM_KEYDOWN:
      if (M.WParam == VK_SPACE && (M.LParam & (1 << 29)) == 0) FKeyToggle = true;
      break;
    case WM_KEYUP:
      if (M.WParam == VK_SPACE) {
        const bool toggle = FKeyToggle;
        FKeyToggle = false;
        TBnCustomButton::WndProc(M);
        if (toggle) Activate();
        return;
      }
      break;
    case WM_KILLFOCUS:
      FKeyToggle = false;
      break;
  }
  TBnCustomButton::WndProc(M);
}

RECT TBnButton::CaptionRect() {
  RECT r = Inset(ClientRect(), 5);
  if (!ThemedLook() && !HotTrack() && LooksPressed()) OffsetRect(&r, 1, 1);
  return r;
}

void TBnButton::PaintCaption() {
  UINT flags = DT_WORDBREAK | DT_EXPANDTABS;
  TAlignment a = FAlignment;
  if (RightToLeftReading() && a != taCenter)
    a = a == taLeftJustify ? taRightJustify : taLeftJustify;
  flags |= a == taRightJustify ? DT_RIGHT : a == taCenter ? DT_CENTER : DT_LEFT;
  DrawCaption(Canvas(), CaptionRect(), flags);
}

void TBnButton::MakeDownPattern(TBitmap* Bitmap) {
  Bitmap->SetPixelFormat(pf24bit);
  Bitmap->SetSize(8, 8);
  const TColor dots = ColorToRGB(Color()) == ColorToRGB(clSilver) ? clGray : clSilver;
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      Bitmap->Canvas()->SetPixels(x, y, (x % 2) == (y % 2) ? dots : Color());
}

// The hot-track look: a thin outer edge, a frame with cut corners, a gradient face and, under
// the mouse or on the active button, a coloured ring.
RECT TBnButton::PaintHotTrack(RECT R) {
  TCanvas* c = Canvas();
  c->Pen()->SetWidth(1);
  c->Pen()->SetStyle(psSolid);
  auto cutFrame = [&](const RECT& r, TColor Color) {
    c->Pen()->SetColor(Color);
    Line(c, r.left, r.top + 1, r.left, r.bottom - 1);
    Line(c, r.left + 1, r.top, r.right - 1, r.top);
    Line(c, r.right - 1, r.top + 1, r.right - 1, r.bottom - 1);
    Line(c, r.left + 1, r.bottom - 1, r.right - 1, r.bottom - 1);
  };
  if (!Enabled()) {
    R = Inset(R, 1);
    cutFrame(R, ColorToRGB(Color()) == ColorToRGB(clBtnFace) ? ShadeUp(clBtnShadow, 30)
                                                             : ShadeDown(Color(), 80));
    R = Inset(R, 1);
    c->Brush()->SetColor(Color());
    c->FillRect(R);
    return R;
  }
  const TColor dark = ShadeDown(clBtnFace, 20), light = ShadeUp(clBtnFace, 20);
  c->Pen()->SetColor(dark);
  Line(c, R.left, R.top + 2, R.left, R.bottom - 2);
  Line(c, R.left + 2, R.top, R.right - 2, R.top);
  c->Pen()->SetColor(light);
  Line(c, R.right - 1, R.top + 2, R.right - 1, R.bottom - 2);
  Line(c, R.left + 2, R.bottom - 1, R.right - 2, R.bottom - 1);
  c->SetPixels(R.left + 1, R.top + 1, dark);
  c->SetPixels(R.right - 2, R.top + 1, dark);
  c->SetPixels(R.left + 1, R.bottom - 2, dark);
  c->SetPixels(R.right - 2, R.bottom - 2, light);
  R = Inset(R, 1);
  cutFrame(R, FFrameColor);
  R = Inset(R, 1);
  if (LooksPressed()) {
    c->Brush()->SetColor(ShadeDown(Color(), 10));
    c->FillRect(R);
  } else {
    c->Pen()->SetColor(ShadeDown(Color(), 20));
    Line(c, R.left, R.bottom - 2, R.right, R.bottom - 2);
    c->Pen()->SetColor(ShadeDown(Color(), 30));
    Line(c, R.left, R.bottom - 1, R.right, R.bottom - 1);
    DrawRamp(c, RECT{R.left, R.top, R.right, R.bottom - 2}, 2, 1, ShadeDown(Color(), 10),
             ShadeUp(Color(), 30));
  }
  if (FMouseOver) {
    TColor c1, c2;
    if (HotTrackColorType() == htctActual) {
      c1 = HotTrackColor();
      c2 = MixColors(clWhite, HotTrackColor(), 190);
    } else {
      c2 = OppositeHue(HotTrackColor(), 180);
      c1 = ShadeDown(c2, 30);
    }
    DrawHotRing(c, R, 2, c1, c2);
  } else if (FGroupIndex == 0 && (FActive || Focused())) {
    const TColor back = ShadeUp(Color(), 30);
    const TColor fore = ColorsNear(HighlightColor(), clBtnFace) ? ShadeDown(HighlightColor(), 30)
                                                                : HighlightColor();
    DrawHotRing(c, R, 2, MixColors(fore, back, 160), MixColors(fore, back, 60));
  }
  return R;
}

// The classic look: a frame on the active button, then 3-D borders by group and colour.
RECT TBnButton::PaintClassic(RECT R) {
  TCanvas* c = Canvas();
  c->Pen()->SetWidth(1);
  c->Pen()->SetStyle(psSolid);
  if (FGroupIndex == 0 && (((FActive || Focused()) && !FShownDown) || FClicking)) {
    c->Brush()->SetColor(clWindowFrame);
    c->FrameRect(R);
    R = Inset(R, 1);
  }
  const bool face = ColorToRGB(Color()) == ColorToRGB(clBtnFace);
  if (face) {
    if (FGroupIndex != 0)
      R = DrawFrameStyle(c, R, LooksPressed() ? 4 : 7);
    else
      R = DrawButtonEdges(c, R, FShownDown);
  } else if (FGroupIndex == 0) {
    R = DrawTintedButtonEdges(c, R, Color(), FShownDown);
  } else {
    R = LooksPressed() ? DrawTintedFrameStyle(c, R, Color(), 4)
                       : DrawTintedButtonEdges(c, R, Color(), false);
  }
  // The face is the background in Color (the parent's image for a transparent button).
  if (!Transparent()) {
    c->Brush()->SetColor(Color());
    c->FillRect(R);
  }
  return R;
}

void TBnButton::Paint() {
  const RECT client = ClientRect();
  const bool themed = ThemedLook(), hot = !themed && HotTrack();
  RECT focus = Inset(client, themed || hot ? 3 : 4);
  if (FGroupIndex != 0 && LooksPressed()) OffsetRect(&focus, 1, 1);
  RECT face = client;
  if (themed) {
    int state = tbPushButtonNormal;
    if (!Enabled())
      state = tbPushButtonDisabled;
    else if (LooksPressed())
      state = tbPushButtonPressed;
    else if (FMouseOver)
      state = tbPushButtonHot;
    else if (FGroupIndex != 0 || !(FActive || Focused()))
      state = tbPushButtonNormal;
    else
      state = tbPushButtonDefaulted;
    TThemeServices* themes = ThemeServicesInstance();
    const TThemedElementDetails details = themes->ButtonDetails(state);
    themes->PaintParentPart(Handle(), Canvas()->Handle(), &details, true, nullptr);
    themes->PaintPart(Canvas()->Handle(), details, client);
    face = Inset(client, 2);
  } else if (hot) {
    face = PaintHotTrack(client);
  } else {
    face = PaintClassic(client);
  }
  if (FGroupIndex != 0 && FDown && FShowDownPattern) {
    TBitmap pattern;
    MakeDownPattern(&pattern);
    Canvas()->Brush()->SetBitmap(&pattern);
    Canvas()->FillRect(face);
    Canvas()->Brush()->SetBitmap(nullptr);
  }
  Canvas()->Font()->Assign(Font());
  Canvas()->Brush()->SetColor(Color());
  PaintCaption();
  if (Focused() && FShowFocusRect) DrawDottedFrame(Canvas(), focus);
}

// ---- TBnBitBtn ----
TBnBitBtn::TBnBitBtn(TComponent* AOwner)
    : TBnButton(AOwner),
      FGlyph(std::make_unique<TBitmap>()),
      FImageChangeLink(std::make_unique<TChangeLink>()) {
  FGlyph->OnChange = [this](TObject*) { GlyphChanged(); };
  FImageChangeLink->OnChange = [this](TObject*) {
    if (HandleAllocated()) {
      Invalidate();
      Update();
    }
  };
}

TBnBitBtn::~TBnBitBtn() { FGlyph->OnChange = nullptr; }

void TBnBitBtn::Publish(TPublisher<TBnBitBtn>& P) {
  P.Redeclare("Caption").Stored(&TBnBitBtn::IsCaptionStored);
  P.Redeclare("Cancel").Stored(&TBnBitBtn::IsCustom);
  P.Redeclare("Default").Stored(&TBnBitBtn::IsCustom);
  P.Redeclare("ModalResult").Stored(&TBnBitBtn::IsCustom);
  P.Prop("Glyph", &TBnBitBtn::Glyph, &TBnBitBtn::SetGlyph).Stored(&TBnBitBtn::IsCustom);
  P.Prop("Kind", &TBnBitBtn::Kind, &TBnBitBtn::SetKind).Default(bkCustom);
  P.Prop("Layout", &TBnBitBtn::Layout, &TBnBitBtn::SetLayout).Default(blGlyphLeft);
  P.Prop("Margin", &TBnBitBtn::Margin, &TBnBitBtn::SetMargin).Default(2);
  P.Prop("NumGlyphs", &TBnBitBtn::NumGlyphs, &TBnBitBtn::SetNumGlyphs)
      .Type("TNumGlyphs")
      .Default(1)
      .Stored(&TBnBitBtn::IsCustom);
  P.Prop("Spacing", &TBnBitBtn::Spacing, &TBnBitBtn::SetSpacing).Default(4);
  P.Prop("Images", &TBnBitBtn::Images, &TBnBitBtn::SetImages);
  P.Prop("ImageIndex", &TBnBitBtn::ImageIndex, &TBnBitBtn::SetImageIndex)
      .Type("TImageIndex")
      .Default(-1);
  P.Prop("DisabledIndex", &TBnBitBtn::DisabledIndex, &TBnBitBtn::SetDisabledIndex)
      .Type("TImageIndex")
      .Default(-1);
}

const char* TBnBitBtn::KindCaption(TBitBtnKind Kind) {
  static const char* const captions[] = {"",       "OK",    "Cancel", "&Help",   "&Yes", "&No",
                                         "&Close", "Abort", "&Retry", "&Ignore", "&All"};
  return captions[Kind];
}

TModalResult TBnBitBtn::KindModalResult(TBitBtnKind Kind) {
  static const TModalResult results[] = {mrNone, mrOk,    mrCancel, mrNone,   mrYes, mrNo,
                                         mrNone, mrAbort, mrRetry,  mrIgnore, mrAll};
  return results[Kind];
}

const char* TBnBitBtn::KindGlyphName(TBitBtnKind Kind) {
  static const char* const names[] = {"",
                                      "BNCOMMON_OK",
                                      "BNCOMMON_CANCEL",
                                      "BNCOMMON_HELP",
                                      "BNCOMMON_YES",
                                      "BNCOMMON_NO",
                                      "BNCOMMON_CLOSE",
                                      "BNCOMMON_ABORT",
                                      "BNCOMMON_RETRY",
                                      "BNCOMMON_IGNORE",
                                      "BNCOMMON_ALL"};
  return names[Kind];
}

bool TBnBitBtn::IsCaptionStored() const { return Caption() != KindCaption(Kind()); }

void TBnBitBtn::GlyphChanged() {
  const int w = FGlyph->Width(), h = FGlyph->Height();
  if (h != 0 && w % h == 0) FNumGlyphs = w / h < 5 ? w / h : 1;
  Invalidate();
}

void TBnBitBtn::SetGlyph(TBitmap* Value) {
  FGlyph->Assign(Value);
  FGlyphModified = true;
  Invalidate();
}

TBitBtnKind TBnBitBtn::Kind() const {
  if (FKind != bkCustom) {
    const bool isDefault = FKind == bkOK || FKind == bkYes,
               isCancel = FKind == bkCancel || FKind == bkNo;
    if (Default() != isDefault || Cancel() != isCancel || ModalResult() != KindModalResult(FKind) ||
        FGlyphModified)
      FKind = bkCustom;
  }
  return FKind;
}

void TBnBitBtn::SetKind(TBitBtnKind Value) {
  if (Value == bkCustom) {
    FKind = Value;
    Invalidate();
    return;
  }
  TBitmap* glyph = BnKindGlyph(KindGlyphName(Value));  // raises for a missing resource
  SetDefault(Value == bkOK || Value == bkYes);
  SetCancel(Value == bkCancel || Value == bkNo);
  const bool loading = ComponentState().Contains(csLoading);
  if ((!loading || Caption().empty()) && *KindCaption(Value)) SetCaption(KindCaption(Value));
  SetModalResult(KindModalResult(Value));
  FGlyph->Assign(glyph);
  FNumGlyphs = 2;
  FGlyphModified = false;
  FKind = Value;
  Invalidate();
}

void TBnBitBtn::SetLayout(TButtonLayout Value) { Change(this, FLayout, Value); }
void TBnBitBtn::SetMargin(int Value) {
  if (Value >= -1) Change(this, FMargin, Value);
}
void TBnBitBtn::SetNumGlyphs(int Value) { Change(this, FNumGlyphs, std::clamp(Value, 1, 4)); }
void TBnBitBtn::SetSpacing(int Value) { Change(this, FSpacing, Value); }
void TBnBitBtn::SetImageIndex(int Value) { Change(this, FImageIndex, Value); }
void TBnBitBtn::SetDisabledIndex(int Value) { Change(this, FDisabledIndex, Value); }

void TBnBitBtn::SetImages(TImageList* Value) {
  if (FImages == Value) return;
  if (FImages) {
    FImages->UnRegisterChanges(FImageChangeLink.get());
    FImages->RemoveFreeNotification(this);
  }
  FImages = Value;
  if (FImages) {
    FImages->RegisterChanges(FImageChangeLink.get());
    FImages->FreeNotification(this);
  }
  Invalidate();
}

void TBnBitBtn::Notification(TComponent* AComponent, TOperation Operation) {
  TBnButton::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) {
    FImages = nullptr;
    Invalidate();
  }
}

void TBnBitBtn::ActionChange(TAction* Sender, bool CheckDefaults) {
  TBnButton::ActionChange(Sender, CheckDefaults);
  if (Sender && Sender->ImageIndex() != -1 && (!CheckDefaults || FImageIndex == -1))
    SetImageIndex(Sender->ImageIndex());
}

SIZE TBnBitBtn::GlyphSize() {
  if (HasImage()) return SIZE{FImages->Width(), FImages->Height()};
  return SIZE{FGlyph->Width() / std::max(FNumGlyphs, 1), FGlyph->Height()};
}

int TBnBitBtn::TextHeight(const RECT& R) {
  Canvas()->Font()->Assign(Font());
  TFontScope font(Canvas());
  RECT m = R;
  const std::string text = Caption();
  DrawText(font.DC(), text.c_str(), static_cast<int>(text.size()), &m,
           DT_CALCRECT | DT_CENTER | DT_WORDBREAK | DT_EXPANDTABS);
  return m.bottom - m.top;
}

namespace {
// Moves the side of R where the glyph sits by the room it takes: Across for a glyph left or
// right of the caption, Down for one above or below it.
void MakeRoom(RECT& R, TButtonLayout Layout, int Across, int Down) {
  switch (Layout) {
    case blGlyphLeft:
      R.left += Across;
      break;
    case blGlyphRight:
      R.right -= Across;
      break;
    case blGlyphTop:
      R.top += Down;
      break;
    case blGlyphBottom:
      R.bottom -= Down;
      break;
  }
}
}  // namespace

RECT TBnBitBtn::CaptionRect() {
  RECT r = TBnButton::CaptionRect();
  if (!HasGlyphOrImage()) return r;
  const SIZE g = GlyphSize();
  if (FMargin >= 0) {
    MakeRoom(r, FLayout, FMargin + g.cx + FSpacing, FMargin + g.cy + FSpacing);
  } else if (FLayout == blGlyphLeft || FLayout == blGlyphRight) {
    MakeRoom(r, FLayout, -1 + g.cx + FSpacing, 0);
  } else {
    const int t = TextHeight(r);
    const int d = (Height() - g.cy - t - FSpacing) / 2;
    r.top = FLayout == blGlyphTop ? r.top + d + g.cy : r.top + d;
    r.bottom = r.top + t;
  }
  return r;
}

RECT TBnBitBtn::GlyphRect() {
  RECT r = TBnButton::CaptionRect();
  const bool themed = ThemedLook();
  if (FShownDown) OffsetRect(&r, -1, themed ? 0 : -1);
  const SIZE g = GlyphSize();
  if (FMargin >= 0) {
    switch (FLayout) {
      case blGlyphLeft:
        r.left += FMargin;
        break;
      case blGlyphRight:
        r.left = r.right - FMargin - g.cx;
        break;
      case blGlyphTop:
        r.top += FMargin;
        break;
      case blGlyphBottom:
        r.top = r.bottom - FMargin - g.cy;
        break;
    }
  } else if (FLayout != blGlyphLeft) {
    const int t = FLayout == blGlyphRight ? 0 : TextHeight(r);
    const int d = (Height() - g.cy - t - FSpacing) / 2;
    switch (FLayout) {
      case blGlyphRight:
        r.left = r.right - g.cx;
        break;
      case blGlyphTop:
        r.top = d;
        break;
      case blGlyphBottom:
        r.top += d + t;
        break;
      default:
        break;
    }
  }
  if (FLayout == blGlyphLeft || FLayout == blGlyphRight)
    r.top += (r.bottom - r.top - g.cy + 1) / 2;
  else
    r.left += (r.right - r.left - g.cx + 1) / 2;
  r.right = r.left + g.cx;
  r.bottom = r.top + g.cy;
  if (FShownDown) OffsetRect(&r, themed ? 2 : 1, themed ? 0 : 1);
  return r;
}

void TBnBitBtn::PaintCaption() {
  TBnButton::PaintCaption();
  const RECT r = GlyphRect();
  if (Kind() != bkCustom || !HasImage()) {
    if (!FGlyph->Empty()) DrawGlyph(Canvas(), r);
  } else {
    DrawImage(Canvas(), r);
  }
}

void TBnBitBtn::DrawGlyph(TCanvas* ACanvas, const RECT& R) {
  const int w = R.right - R.left, h = R.bottom - R.top;
  if (w <= 0 || h <= 0) return;
  // The glyph is keyed onto a copy of what lies under it, which then goes back in one piece.
  TBitmap temp;
  temp.SetPixelFormat(pf32bit);
  temp.SetSize(w, h);
  BitBlt(temp.Canvas()->Handle(), 0, 0, w, h, ACanvas->Handle(), R.left, R.top, SRCCOPY);
  const int cellWidth = FGlyph->Width() / std::max(FNumGlyphs, 1);
  const int cell = FNumGlyphs >= 2 && !Enabled() ? 1 : 0;
  DrawKeyedBitmap(temp.Canvas(), FGlyph.get(), RECT{0, 0, w, h}, FGlyph->TransparentColor(),
                  RECT{cell * cellWidth, 0, cell * cellWidth + cellWidth, FGlyph->Height()});
  ACanvas->Draw(R.left, R.top, &temp);
}

void TBnBitBtn::DrawImage(TCanvas* ACanvas, const RECT& R) {
  if (!FImages) return;
  if (FDisabledIndex == -1) {
    if (FImageIndex != -1) FImages->Draw(ACanvas, R.left, R.top, FImageIndex, Enabled());
    return;
  }
  const int index = Enabled() ? FImageIndex : FDisabledIndex;
  if (index != -1) FImages->Draw(ACanvas, R.left, R.top, index, true);
}

// ---- TBnMenuButton ----
TBnMenuButton::TBnMenuButton(TComponent* AOwner) : TBnBitBtn(AOwner) {
  ControlStyle() -= csDoubleClicks;
  SetDragMode(dmManual);
  FWidth = 110;
}

void TBnMenuButton::Publish(TPublisher<TBnMenuButton>& P) {
  P.Prop("DropDownMenu", &TBnMenuButton::DropDownMenu, &TBnMenuButton::SetDropDownMenu);
  P.Prop("ShowArrow", &TBnMenuButton::ShowArrow, &TBnMenuButton::SetShowArrow).Default(true);
  P.Event("OnDropDown", &TBnMenuButton::OnDropDown).Type("TNotifyEvent");
}

void TBnMenuButton::SetDropDownMenu(TPopupMenu* Value) {
  if (FDropDownMenu == Value) return;
  if (FDropDownMenu) FDropDownMenu->RemoveFreeNotification(this);
  FDropDownMenu = Value;
  if (FDropDownMenu) FDropDownMenu->FreeNotification(this);
}

void TBnMenuButton::SetShowArrow(bool Value) { Change(this, FShowArrow, Value); }

void TBnMenuButton::Notification(TComponent* AComponent, TOperation Operation) {
  TBnBitBtn::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FDropDownMenu) FDropDownMenu = nullptr;
}

namespace {
// The width a menu of these top items needs: the widest caption in the menu font, plus room for
// check marks, arrows and the frame.
int MenuWidthEstimate(TMenuItem* Items) {
  NONCLIENTMETRICSA ncm;
  SystemParametersInfo(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0);
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontIndirect(&ncm.lfMenuFont);
  HGDIOBJ old = SelectObject(dc, font);
  int widest = 0;
  for (int i = 0; i < Items->Count(); ++i) {
    const std::string& caption = Items->Items(i)->Caption();
    SIZE s{0, 0};
    GetTextExtentPoint32(dc, caption.c_str(), static_cast<int>(caption.size()), &s);
    widest = std::max(widest, static_cast<int>(s.cx));
  }
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);
  return widest + 56;
}
}  // namespace

void TBnMenuButton::DropDown() {
  if (!FDropDownMenu) return;
  if (OnDropDown) OnDropDown(FDropDownMenu);
  if (!FDropDownMenu) return;  // the handler may have taken it away
  POINT p = ClientToScreen(RightToLeftReading() ? POINT{Width(), Height()} : POINT{0, Height()});
  const int estimate = MenuWidthEstimate(FDropDownMenu->Items());
  int limit = -1;
  TScreen* screen = Screen();
  for (int i = 0; i < screen->MonitorCount(); ++i) {
    const RECT b = screen->Monitors(i)->BoundsRect();
    if (PtInRect(&b, p)) {
      limit = screen->Monitors(i)->WorkareaRect().right;
      break;
    }
  }
  if (limit < 0) {
    HWND parent = Parent() ? Parent()->Handle() : Handle();
    const RECT w = screen->MonitorFromWindow(parent)->WorkareaRect();
    limit = w.right - w.left;
  }
  // A menu that would run past the right edge lines its right edge up with the button's.
  if (limit < p.x + estimate) p.x -= estimate - Width();
  FDropDownMenu->SetPopupComponent(this);
  FDropDownMenu->Popup(p.x, p.y);
}

void TBnMenuButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (Button != mbLeft || !(Shift - TShiftState{ssLeft}).Empty() || !FDropDownMenu || !Enabled()) {
    TBnBitBtn::MouseDown(Button, Shift, X, Y);
    return;
  }
  TBnBitBtn::MouseDown(Button, Shift, X, Y);  // drawn pressed while the menu is open
  if (FDropTime != 0 && GetTickCount() < FDropTime + 100) {
    // The click that closed the menu does not open it again.
    FDropTime = 0;
    FSkipNextClick = true;
  } else {
    DropDown();
    FSkipNextClick = true;
    FDropTime = GetTickCount();
  }
  // The press ends as a release at the same point would end it; its click is swallowed. A
  // button that could not take the press produces no click to swallow.
  if (FDragging)
    MouseUp(mbLeft, Shift, X, Y);
  else
    FSkipNextClick = false;
}

void TBnMenuButton::Click() {
  if (FSkipNextClick) {
    FSkipNextClick = false;
    return;
  }
  if (!FDropDownMenu || FPlainClick) {
    TBnBitBtn::Click();
    return;
  }
  // Enter, Space or a program's click: a press of the left button drops the menu.
  Perform(WM_LBUTTONDOWN, MK_LBUTTON, 0);
}

void TBnMenuButton::KeyDown(WORD& Key, TShiftState Shift) {
  if (Key == VK_F4 && FDropDownMenu) {
    // Nothing clicks after the menu closes, so no click is to be swallowed.
    DropDown();
    Key = 0;
    return;
  }
  TBnBitBtn::KeyDown(Key, Shift);
}

void TBnMenuButton::WndProc(TMessage& M) {
  if (M.Msg == WM_MOUSEMOVE && !FTrackingLeave && HandleAllocated()) {
    TRACKMOUSEEVENT tme;
    tme.dwFlags = TME_LEAVE;
    tme.hwndTrack = Handle();
    TrackMouseEvent(&tme);
    FTrackingLeave = true;
  } else if (M.Msg == WM_MOUSELEAVE) {
    // The window's leave handling sends the mouse-leave message, which ends the hot look.
    FTrackingLeave = false;
  }
  TBnBitBtn::WndProc(M);
}

RECT TBnMenuButton::CaptionRect() {
  RECT r = TBnBitBtn::CaptionRect();
  if (FShowArrow) {
    if (RightToLeftReading())
      r.left += 14;
    else
      r.right -= 14;
  }
  return r;
}

RECT TBnMenuButton::GlyphRect() {
  RECT r = TBnBitBtn::GlyphRect();
  if (FShowArrow) {
    const int dx = Layout() == blGlyphRight ? 14 : Layout() == blGlyphLeft ? 0 : 7;
    OffsetRect(&r, -dx, 0);
  }
  return r;
}

void TBnMenuButton::Paint() {
  TBnBitBtn::Paint();
  if (!FShowArrow) return;
  const RECT client = ClientRect();
  int x = RightToLeftReading() ? 8 : client.right - 12;
  int y = client.bottom / 2 + 2;
  if (FShownDown) {
    x += 1;
    y = client.bottom / 2 + 3;
  }
  TCanvas* c = Canvas();
  const TColor color = Enabled() ? clWindowText : clBtnShadow;
  c->Pen()->SetColor(color);
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(color);
  c->Polygon({POINT{x, y}, POINT{x - 3, y - 3}, POINT{x + 3, y - 3}});
}

// ---- Glyphs of the standard kinds ----
namespace {

// Draws the picture of a kind in a 16 x 16 cell at (X, Y); Over draws every stroke in one
// colour (the disabled cell), clNone in the picture's own colours.
void PaintKindPicture(TCanvas* C, TBitBtnKind Kind, int X, int Y, TColor Over) {
  auto pen = [&](TColor Own, int Width) {
    C->Pen()->SetStyle(psSolid);
    C->Pen()->SetColor(Over == clNone ? Own : Over);
    C->Pen()->SetWidth(Width);
  };
  auto fill = [&](TColor Own) {
    C->Brush()->SetStyle(bsSolid);
    C->Brush()->SetColor(Over == clNone ? Own : Over);
  };
  auto check = [&](int Dx, TColor Own) {
    pen(Own, 3);
    C->Polyline({POINT{X + 2 + Dx, Y + 8}, POINT{X + 5 + Dx, Y + 11}, POINT{X + 12 + Dx, Y + 4}});
  };
  switch (Kind) {
    case bkOK:
    case bkYes:
      check(0, clGreen);
      break;
    case bkAll:
      check(-2, clGreen);
      check(3, TColor(RGB(0, 96, 0)));
      break;
    case bkCancel:
      pen(clRed, 3);
      Line(C, X + 4, Y + 4, X + 12, Y + 12);
      Line(C, X + 11, Y + 4, X + 3, Y + 12);
      break;
    case bkNo:
      pen(clRed, 2);
      C->Brush()->SetStyle(bsClear);
      C->Ellipse(X + 2, Y + 2, X + 14, Y + 14);
      Line(C, X + 4, Y + 12, X + 12, Y + 4);
      break;
    case bkHelp:
      C->Brush()->SetStyle(bsClear);
      C->Font()->SetName("Arial");
      C->Font()->SetHeight(-15);
      C->Font()->SetStyle(TFontStyles{fsBold});
      C->Font()->SetColor(Over == clNone ? clNavy : Over);
      C->TextOut(X + 4, Y, "?");
      break;
    case bkClose:
      fill(clTeal);
      pen(clBlack, 1);
      C->Rectangle(X + 4, Y + 1, X + 12, Y + 15);
      fill(clYellow);
      pen(clYellow, 1);
      C->Rectangle(X + 9, Y + 8, X + 11, Y + 10);
      break;
    case bkAbort:
      fill(clRed);
      pen(clMaroon, 1);
      C->Ellipse(X + 1, Y + 1, X + 15, Y + 15);
      fill(clWhite);
      pen(clWhite, 1);
      C->Rectangle(X + 4, Y + 7, X + 12, Y + 9);
      break;
    case bkRetry:
      pen(clNavy, 2);
      C->Brush()->SetStyle(bsClear);
      C->Arc(X + 2, Y + 2, X + 14, Y + 14, X + 8, Y + 2, X + 14, Y + 8);
      fill(clNavy);
      pen(clNavy, 1);
      C->Polygon({POINT{X + 8, Y}, POINT{X + 8, Y + 6}, POINT{X + 4, Y + 3}});
      break;
    case bkIgnore:
      pen(clPurple, 2);
      Line(C, X + 2, Y + 13, X + 14, Y + 13);
      C->Brush()->SetStyle(bsClear);
      C->Arc(X + 2, Y + 3, X + 14, Y + 15, X + 14, Y + 9, X + 2, Y + 9);
      fill(clPurple);
      pen(clPurple, 1);
      C->Polygon({POINT{X + 14, Y + 6}, POINT{X + 14, Y + 11}, POINT{X + 11, Y + 9}});
      break;
    case bkCustom:
      break;
  }
  C->Pen()->SetWidth(1);
}

}  // namespace

TBitmap* BnKindGlyph(const char* ResourceName) {
  static std::mutex lock;
  static std::map<std::string, std::unique_ptr<TBitmap>> cache;  // the 11 bitmaps of the kinds
  std::lock_guard<std::mutex> g(lock);
  const std::string name = ResourceName ? ResourceName : "";
  if (auto it = cache.find(name); it != cache.end()) return it->second.get();
  TBitBtnKind kind = bkCustom;
  for (int k = bkOK; k <= bkAll; ++k)
    if (name == TBnBitBtn::KindGlyphName(TBitBtnKind(k))) kind = TBitBtnKind(k);
  if (kind == bkCustom) throw EResNotFound("Resource " + name + " not found");
  auto bm = std::make_unique<TBitmap>();
  bm->SetPixelFormat(pf24bit);
  bm->SetSize(32, 16);
  TCanvas* c = bm->Canvas();
  // Olive is the key colour (the bottom-left pixel): it never shows.
  c->Brush()->SetColor(TColor(RGB(128, 128, 0)));
  c->FillRect(RECT{0, 0, 32, 16});
  PaintKindPicture(c, kind, 0, 0, clNone);
  PaintKindPicture(c, kind, 17, 1, clBtnHighlight);
  PaintKindPicture(c, kind, 16, 0, clBtnShadow);
  TBitmap* out = bm.get();
  cache.emplace(name, std::move(bm));
  return out;
}

namespace {
// The unit's start-up: the buttons can be created by class name (forms read from resources).
struct TBnButtonUnit {
  TBnButtonUnit() {
    RegisterClasses(
        {TBnButton::StaticClass(), TBnBitBtn::StaticClass(), TBnMenuButton::StaticClass()});
  }
} gBnButtonUnit;
}  // namespace
