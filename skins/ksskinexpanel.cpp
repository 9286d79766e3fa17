// TksSkinExPanel: a container with a caption bar carrying a close and a roll button; it rolls up
// to its caption bar (vertical roll) or to a narrow strip with the caption written upwards
// (horizontal roll), in the default look or an "expanel" description's skin look.
#include "skins/ksskinctrls.h"

#include <algorithm>

#include "platform/rtl/typinfo.h"
#include "platform/win/wingdi.h"
#include "skins/ksdraw.h"
#include "skins/ksskindata.h"
#include "skins/ksskinobjects.h"

ORV_CLASS_IMPL(TksSkinExPanel, TksSkinCustomControl)

namespace {
// The fills of a hot and of a pressed caption button in the default look.
constexpr TColor kHotFill = TColor(RGB(182, 189, 210));
constexpr TColor kDownFill = TColor(RGB(133, 147, 181));
constexpr TColor kButtonFrame = TColor(RGB(0, 0, 128));
}  // namespace

TksSkinExPanel::TksSkinExPanel(TComponent* AOwner)
    : TksSkinCustomControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  ControlStyle() = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                                 csOpaque,          csDoubleClicks, csReplicatable};
  FWidth = 150;
  FHeight = 100;
  FForceBackground = true;
  FDrawBackground = true;
  FSkinDataName = "expanel";
  FGlyph->OnChange = [this](TObject*) { Invalidate(); };
}

TksSkinExPanel::~TksSkinExPanel() { FGlyph->OnChange = nullptr; }

void TksSkinExPanel::Publish(TPublisher<TksSkinExPanel>& P) {
  using T = TksSkinExPanel;
  P.Prop("Glyph", &T::Glyph, &T::SetGlyph);
  P.Prop("NumGlyphs", &T::NumGlyphs, &T::SetNumGlyphs);
  P.Prop("Spacing", &T::Spacing, &T::SetSpacing);
  P.Prop("RealWidth", &T::RealWidth, &T::SetRealWidth);
  P.Prop("RealHeight", &T::RealHeight, &T::SetRealHeight);
  P.Prop("ShowRollButton", &T::ShowRollButton, &T::SetShowRollButton);
  P.Prop("ShowCloseButton", &T::ShowCloseButton, &T::SetShowCloseButton);
  P.Prop("DefaultCaptionHeight", &T::DefaultCaptionHeight, &T::SetDefaultCaptionHeight);
  P.Prop("RollState", &T::RollState, &T::SetRollState);
  P.Prop("RollKind", &T::RollKind, &T::SetRollKind);
  P.Event("OnChangeRollState", &T::OnChangeRollState).Type("TNotifyEvent");
  P.Event("OnClose", &T::OnClose).Type("TNotifyEvent");
}

// ---- Setters ----
void TksSkinExPanel::SetGlyph(TBitmap* Value) {
  if (Value)
    FGlyph->Assign(Value);
  else
    FGlyph->SetSize(0, 0);
  Invalidate();
}

void TksSkinExPanel::SetNumGlyphs(TksSkinPanelNumGlyphs Value) {
  FNumGlyphs = std::clamp(Value, 1, 2);
  Invalidate();
}

void TksSkinExPanel::SetSpacing(int Value) {
  FSpacing = Value;
  Invalidate();
}

void TksSkinExPanel::SetShowRollButton(bool Value) {
  FShowRollButton = Value;
  Invalidate();
}

void TksSkinExPanel::SetShowCloseButton(bool Value) {
  FShowCloseButton = Value;
  Invalidate();
}

void TksSkinExPanel::SetRollKind(TksExPanelRollKind Value) {
  // A panel that is rolled keeps its rolled size; the new kind applies from the next roll.
  FRollKind = Value;
  Invalidate();
}

void TksSkinExPanel::SetDefaultCaptionHeight(int Value) {
  FDefaultCaptionHeight = Value;
  FetchSkinData();
  if (!HasDescription()) {
    Invalidate();
    Realign();
  }
}

int TksSkinExPanel::RolledWidth() const {
  return HasDescription() ? RectWidth(FRollHSkinRect) : FDefaultCaptionHeight;
}

int TksSkinExPanel::RolledHeight() const {
  return HasDescription() ? RectHeight(FRollVSkinRect) : FDefaultCaptionHeight;
}

void TksSkinExPanel::SetRollState(bool Value) {
  if (Value == FRollState) return;
  FetchSkinData();
  FInRollChange = true;
  TSizeConstraints& c = Constraints();
  FRollState = Value;
  if (Value) {
    FForceBackground = false;
    FSaveMaxWidth = c.MaxWidth;
    FSaveMinWidth = c.MinWidth;
    FSaveMaxHeight = c.MaxHeight;
    FSaveMinHeight = c.MinHeight;
    c.MaxWidth = c.MinWidth = c.MaxHeight = c.MinHeight = 0;
    DisableAlign();
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->SetVisible(false);
    if (FRollKind == ks::rkRollHorizontal && FRealWidth == 0) {
      FRealWidth = Width();
      SetWidth(RolledWidth());
    } else if (FRollKind == ks::rkRollVertical && FRealHeight == 0) {
      FRealHeight = Height();
      SetHeight(RolledHeight());
    }
  } else {
    FForceBackground = true;
    c.MaxWidth = FSaveMaxWidth;
    c.MinWidth = FSaveMinWidth;
    c.MaxHeight = FSaveMaxHeight;
    c.MinHeight = FSaveMinHeight;
    if (FRollKind == ks::rkRollHorizontal) {
      if (FRealWidth > 0) SetWidth(FRealWidth);
      FRealWidth = 0;
    } else {
      if (FRealHeight > 0) SetHeight(FRealHeight);
      FRealHeight = 0;
    }
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->SetVisible(true);
    EnableAlign();
  }
  FInRollChange = false;
  Invalidate();
  if (OnChangeRollState && !Designing()) OnChangeRollState(this);
}

void TksSkinExPanel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (FRollState && !FInRollChange) {
    // A rolled pane keeps its rolled size: alignment and splitters cannot widen it.
    FetchSkinData();
    if (FRollKind == ks::rkRollHorizontal)
      AWidth = RolledWidth();
    else
      AHeight = RolledHeight();
  }
  TksSkinCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

void TksSkinExPanel::ApplySkinData() {
  TksSkinCustomControl::ApplySkinData();
  if (FRollState) {
    FInRollChange = true;
    if (FRollKind == ks::rkRollVertical)
      SetHeight(RolledHeight());
    else
      SetWidth(RolledWidth());
    FInRollChange = false;
  } else {
    Realign();
  }
}

void TksSkinExPanel::AdjustClientRect(RECT& Rect) {
  FetchSkinData();
  if (!HasDescription() || Designing()) {
    Rect.top += FDefaultCaptionHeight;
    Rect.left += 1;
    Rect.right -= 1;
    Rect.bottom -= 1;
    return;
  }
  int w = Width(), h = Height();
  CalcSkinSize(w, h);
  Rect = FGeometry.NCR;
}

// ---- Skin description ----
void TksSkinExPanel::FetchSkinData() {
  TksSkinCustomControl::FetchSkinData();
  auto* d = dynamic_cast<TksDataSkinExPanelControl*>(SkinDescription());
  if (!d) return;
  FCaptionRect = d->CaptionRect;
  FFontName = d->Font.Name;
  FFontHeight = d->Font.Height;
  FFontStyle = d->Font.Style;
  FFontColor = d->Font.Color;
  FRollHSkinRect = d->RollHSkinRect;
  FRollVSkinRect = d->RollVSkinRect;
  // The rolled pictures are cut to the skin picture, so a damaged skin cannot make the rolled
  // size absurd.
  const RECT bounds{0, 0, FPicture ? FPicture->Width() : 0, FPicture ? FPicture->Height() : 0};
  IntersectRect(&FRollHSkinRect, &FRollHSkinRect, &bounds);
  IntersectRect(&FRollVSkinRect, &FRollVSkinRect, &bounds);
  FRollLeftOffset = d->RollLeftOffset;
  FRollRightOffset = d->RollRightOffset;
  FRollTopOffset = d->RollTopOffset;
  FRollBottomOffset = d->RollBottomOffset;
  FRollVCaptionRect = d->RollVCaptionRect;
  FRollHCaptionRect = d->RollHCaptionRect;
  FCloseRects[0] = d->CloseButtonRect;
  FCloseRects[1] = d->CloseButtonActiveRect;
  FCloseRects[2] = d->CloseButtonDownRect;
  // A set without its active or down picture uses the one before it.
  auto set = [](RECT(&Rects)[3], const RECT& Normal, const RECT& Active, const RECT& Down) {
    Rects[0] = Normal;
    Rects[1] = IsEmptyRect(Active) ? Normal : Active;
    Rects[2] = IsEmptyRect(Down) ? Rects[1] : Down;
  };
  set(FHRollRects, d->HRollButtonRect, d->HRollButtonActiveRect, d->HRollButtonDownRect);
  set(FVRollRects, d->VRollButtonRect, d->VRollButtonActiveRect, d->VRollButtonDownRect);
  set(FHRestoreRects, d->HRestoreButtonRect, d->HRestoreButtonActiveRect,
      d->HRestoreButtonDownRect);
  set(FVRestoreRects, d->VRestoreButtonRect, d->VRestoreButtonActiveRect,
      d->VRestoreButtonDownRect);
}

// ---- Caption buttons ----
void TksSkinExPanel::DrawButton(TCanvas* C, int Index) {
  const TksCaptionButton& b = FButtons[Index];
  if (IsEmptyRect(b.ButtonRect)) return;
  const int state = b.MouseIn && b.Down ? 2 : b.MouseIn ? 1 : 0;
  if (HasDescription() && FPicture) {
    const RECT* set = FCloseRects;
    if (Index == RollButton) {
      if (FRollState)
        set = FRollKind == ks::rkRollHorizontal ? FHRestoreRects : FVRestoreRects;
      else
        set = FRollKind == ks::rkRollHorizontal ? FHRollRects : FVRollRects;
    }
    const RECT& src = set[state];
    BitBlt(C->Handle(), b.ButtonRect.left, b.ButtonRect.top, RectWidth(src), RectHeight(src),
           FPicture->Canvas()->Handle(), src.left, src.top, SRCCOPY);
    return;
  }
  RECT r = b.ButtonRect;
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(clBtnFace);
  C->FillRect(r);
  if (state != 0) {
    RECT inner = r;
    ksdraw::Frame(C, inner, kButtonFrame, kButtonFrame);
    C->Brush()->SetColor(state == 2 ? kDownFill : kHotFill);
    C->FillRect(inner);
  }
  // Pressed: the symbol moves one pixel right and down.
  if (state == 2) {
    r.left += 2;
    r.top += 2;
  }
  if (Index == CloseButton) {
    ksdraw::Cross(C, r, clBlack);
  } else if (FRollKind == ks::rkRollVertical) {
    if (FRollState)
      ksdraw::ArrowDown(C, r, clBlack);
    else
      ksdraw::ArrowUp(C, r, clBlack);
  } else {
    if (FRollState)
      ksdraw::ArrowRight(C, r, clBlack);
    else
      ksdraw::ArrowLeft(C, r, clBlack);
  }
}

void TksSkinExPanel::RedrawButton(int Index) {
  if (Index < 0 || Index > 1 || !HandleAllocated() || !Showing()) return;
  FetchSkinData();
  // Straight onto the window, through a canvas of its own that gives its DC back at once.
  TControlCanvas canvas;
  canvas.SetControl(this);
  DrawButton(&canvas, Index);
  canvas.FreeHandle();
}

void TksSkinExPanel::TestActive(int X, int Y) {
  if (!FShowCloseButton && !FShowRollButton) return;
  FPreviousHotButton = FHotButton;
  FHotButton = -1;
  for (int i = FShowCloseButton ? 0 : 1; i <= 1; ++i) {
    if (i == RollButton && !FShowRollButton) break;
    if (PtInRect(&FButtons[i].ButtonRect, POINT{X, Y})) {
      FHotButton = i;
      break;
    }
  }
  if (FPressedButton != -1 && FHotButton != -1 && FHotButton != FPressedButton) FHotButton = -1;
  if (FHotButton == FPreviousHotButton) return;
  if (FPreviousHotButton != -1) {
    FButtons[FPreviousHotButton].MouseIn = false;
    RedrawButton(FPreviousHotButton);
  }
  if (FHotButton != -1) {
    FButtons[FHotButton].MouseIn = true;
    RedrawButton(FHotButton);
  }
}

void TksSkinExPanel::WndProc(TMessage& M) {
  switch (M.Msg) {
    case CM_MOUSEENTER:
      TksSkinCustomControl::WndProc(M);
      if (!Designing()) TestActive(-1, -1);
      return;
    case CM_MOUSELEAVE:
      TksSkinCustomControl::WndProc(M);
      if (!Designing())
        for (int i = 0; i <= 1; ++i)
          if (FButtons[i].MouseIn) {
            FButtons[i].MouseIn = false;
            RedrawButton(i);
          }
      return;
    case CM_TEXTCHANGED:
      TksSkinCustomControl::WndProc(M);
      Invalidate();
      return;
    default:
      TksSkinCustomControl::WndProc(M);
  }
}

void TksSkinExPanel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TestActive(X, Y);
  if (FHotButton != -1) {
    FPressedButton = FHotButton;
    FButtons[FPressedButton].MouseIn = true;
    FButtons[FPressedButton].Down = true;
    RedrawButton(FPressedButton);
    // The release must come back here even when it happens outside the pane.
    SetMouseCapture(true);
  }
  TksSkinCustomControl::MouseDown(Button, Shift, X, Y);
}

void TksSkinExPanel::MouseMove(TShiftState Shift, int X, int Y) {
  TksSkinCustomControl::MouseMove(Shift, X, Y);
  TestActive(X, Y);
}

void TksSkinExPanel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  TksSkinCustomControl::MouseUp(Button, Shift, X, Y);
  if (FPressedButton == -1) return;
  if (MouseCapture()) SetMouseCapture(false);
  const int pressed = FPressedButton;
  FButtons[pressed].Down = false;
  if (pressed != FHotButton) FButtons[pressed].MouseIn = false;
  RedrawButton(pressed);
  if (FButtons[pressed].MouseIn) {
    if (pressed == CloseButton) {
      SetVisible(false);
      if (OnClose && !Designing()) OnClose(this);
    } else {
      SetRollState(!FRollState);
      TestActive(X, Y);
      Invalidate();
    }
  }
  FPressedButton = -1;
}

void TksSkinExPanel::DrawGlyph(TCanvas* C, int X, int Y) {
  ksdraw::GlyphPart(C, X, Y, FGlyph.get(), !Enabled() && FNumGlyphs == 2 ? 2 : 1, FNumGlyphs);
}

// ---- Default look ----
void TksSkinExPanel::DrawDefaultImage(TBitmap* B) {
  TCanvas* c = B->Canvas();
  const int W = B->Width(), H = B->Height();
  const int Bs = FDefaultCaptionHeight - 6;  // the size of a caption button
  const std::string caption = Caption();
  TksCaptionButton& close = FButtons[CloseButton];
  TksCaptionButton& roll = FButtons[RollButton];
  if (!FRollState || FRollKind == ks::rkRollVertical) {
    RECT all{0, 0, W, H};
    ksdraw::Frame(c, all, clBtnShadow, clBtnShadow);
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(all);
    RECT C{0, 0, W, FDefaultCaptionHeight};
    ksdraw::Frame(c, C, clBtnShadow, clBtnShadow);
    ksdraw::Frame(c, C, clBtnHighlight, clBtnFace);
    int used = 0;
    if (FShowCloseButton) {
      close.ButtonRect = RECT{W - Bs - 2, 3, W - 2, Bs + 3};
      used += RectWidth(close.ButtonRect);
    } else {
      close.ButtonRect = RECT{W - 2, 0, 0, 0};  // only the roll button's anchor
    }
    if (FShowRollButton) {
      roll.ButtonRect = RECT{close.ButtonRect.left - Bs, 3, close.ButtonRect.left, Bs + 3};
      used += Bs;
    } else {
      roll.ButtonRect = RECT{0, 0, 0, 0};
    }
    C.left += 2;
    C.right -= used + 2;
    PrepareCaptionFont(c->Font(), nullptr);
    c->Brush()->SetStyle(bsClear);
    if (!FGlyph->Empty()) {
      DrawGlyph(c, C.left, C.top + RectHeight(C) / 2 - FGlyph->Height() / 2);
      C.left += FGlyph->Width() + FSpacing;
    }
    ksdraw::CaptionText(c, C, caption);
  } else {
    c->Brush()->SetStyle(bsSolid);
    c->Brush()->SetColor(clBtnFace);
    c->FillRect(RECT{0, 0, W, H});
    RECT frame{0, 0, W, H};
    ksdraw::Frame(c, frame, clBtnShadow, clBtnShadow);
    ksdraw::Frame(c, frame, clBtnHighlight, clBtnFace);
    RECT C{0, 0, W, H};
    int used = 0;
    if (FShowCloseButton) {
      close.ButtonRect = RECT{3, 3, Bs + 3, Bs + 3};
      used += Bs;
    } else {
      close.ButtonRect = RECT{0, 0, 0, 3};
    }
    if (FShowRollButton) {
      roll.ButtonRect = RECT{3, close.ButtonRect.bottom, Bs + 3, close.ButtonRect.bottom + Bs};
      used += Bs;
    } else {
      roll.ButtonRect = RECT{0, 0, 0, 0};
    }
    PrepareCaptionFont(c->Font(), nullptr);
    c->Font()->SetOrientation(900);  // written from bottom to top
    C.top += used + 2;
    const int x = C.left + RectWidth(C) / 2 - c->TextHeight(caption) / 2;
    int y = C.bottom - 2;
    if (!FGlyph->Empty()) {
      DrawGlyph(c, C.left + RectWidth(C) / 2 - FGlyph->Width() / 2,
                C.bottom - FGlyph->Height() - 2);
      y -= FGlyph->Height() + FSpacing + 2;
    }
    ksdraw::TextClipped(c, C, x, y, caption);
  }
  if (FShowCloseButton) DrawButton(c, CloseButton);
  if (FShowRollButton) DrawButton(c, RollButton);
}

// ---- Skin look ----
void TksSkinExPanel::DrawSkinImage(TBitmap* B) {
  TCanvas* c = B->Canvas();
  const int W = Width(), H = Height();
  const std::string caption = Caption();
  TksSkinFontData font{FFontName, FFontHeight, FFontStyle, FFontColor};
  TksCaptionButton& close = FButtons[CloseButton];
  TksCaptionButton& roll = FButtons[RollButton];
  if (FRollState && FRollKind == ks::rkRollHorizontal) {
    TBitmap strip;
    MakeThreePartV(FRollTopOffset, FRollBottomOffset, &strip, false, H, FRollHSkinRect, FPicture);
    BitBlt(c->Handle(), 0, 0, strip.Width(), strip.Height(), strip.Canvas()->Handle(), 0, 0,
           SRCCOPY);
    PrepareCaptionFont(c->Font(), &font);
    RECT C = FRollHCaptionRect;
    C.bottom = H + C.bottom - RectHeight(FRollHSkinRect);
    int used = 0, gap = 0;
    if (FShowCloseButton) {
      close.ButtonRect = RECT{C.left, C.top, C.left + RectWidth(FCloseRects[0]),
                              C.top + RectHeight(FCloseRects[0])};
      used = RectHeight(FCloseRects[0]);
      gap = 2;
    } else {
      close.ButtonRect = RECT{0, 0, 0, C.top};
    }
    if (FShowRollButton) {
      const int w = RectWidth(FHRollRects[0]), h = RectHeight(FHRollRects[0]);
      roll.ButtonRect = RECT{C.left, close.ButtonRect.bottom + gap, C.left + w,
                             close.ButtonRect.bottom + gap + h};
      used += h + gap;
    } else {
      roll.ButtonRect = RECT{0, 0, 0, 0};
    }
    C.top += used;
    c->Font()->SetOrientation(900);
    c->Brush()->SetStyle(bsClear);
    const int x = C.left + RectWidth(C) / 2 - c->TextHeight(caption) / 2;
    int y = C.bottom;
    if (!FGlyph->Empty()) {
      DrawGlyph(c, C.left + RectWidth(C) / 2 - FGlyph->Width() / 2, C.bottom - FGlyph->Height());
      y -= FGlyph->Height() + FSpacing;
    }
    ksdraw::TextClipped(c, C, x, y, caption);
  } else {
    RECT C;
    if (FRollState) {
      TBitmap strip;
      MakeThreePartH(FRollLeftOffset, FRollRightOffset, &strip, false, W, FRollVSkinRect, FPicture);
      BitBlt(c->Handle(), 0, 0, strip.Width(), strip.Height(), strip.Canvas()->Handle(), 0, 0,
             SRCCOPY);
      C = FRollVCaptionRect;
      C.right = W + C.right - RectWidth(FRollVSkinRect);
    } else {
      TksSkinCustomControl::DrawSkinImage(B);
      C = FCaptionRect;
      C.right = W + C.right - RectWidth(FGeometry.SR);
    }
    PrepareCaptionFont(c->Font(), &font);
    c->Brush()->SetStyle(bsClear);
    int used = 0, gap = 0;
    if (FShowCloseButton) {
      const int w = RectWidth(FCloseRects[0]), h = RectHeight(FCloseRects[0]);
      close.ButtonRect = RECT{C.right - w, C.top, C.right, C.top + h};
      used = w;
      gap = 2;
    } else {
      close.ButtonRect = RECT{C.right, 0, 0, 0};
    }
    if (FShowRollButton) {
      const int w = RectWidth(FVRollRects[0]), h = RectHeight(FVRollRects[0]);
      roll.ButtonRect =
          RECT{close.ButtonRect.left - w - gap, C.top, close.ButtonRect.left - gap, C.top + h};
      used += w + gap;
    } else {
      roll.ButtonRect = RECT{0, 0, 0, 0};
    }
    C.right -= used;
    if (!FGlyph->Empty()) {
      DrawGlyph(c, C.left, C.top + RectHeight(C) / 2 - FGlyph->Height() / 2);
      C.left += FGlyph->Width() + FSpacing;
    }
    ksdraw::CaptionText(c, C, caption);
  }
  if (FShowCloseButton) DrawButton(c, CloseButton);
  if (FShowRollButton) DrawButton(c, RollButton);
}

// ---- Class registration ----
namespace {
// The unit's start-up: the skin-forms components can be created by class name (form streams).
struct TksSkinCtrlsUnit {
  TksSkinCtrlsUnit() {
    RegisterClasses({TksSkinPanel::StaticClass(), TksSkinExPanel::StaticClass(),
                     TksSkinData::StaticClass(), TksCompressedStoredSkin::StaticClass(),
                     TksResourceStrData::StaticClass()});
  }
} gKsSkinCtrlsUnit;
}  // namespace
