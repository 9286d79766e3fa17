// TksSkinPanel: a container with an optional caption bar that can carry a check box and a
// roll-up marker, in the default look or a "panel" description's skin look.
#include "skins/ksskinctrls.h"

#include <algorithm>

#include "platform/rtl/typinfo.h"
#include "platform/win/wingdi.h"
#include "skins/ksdraw.h"
#include "skins/ksskindata.h"
#include "skins/ksskinobjects.h"

ORV_CLASS_IMPL(TksSkinPanel, TksSkinCustomControl)

TksSkinPanel::TksSkinPanel(TComponent* AOwner)
    : TksSkinCustomControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  ControlStyle() = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                                 csOpaque,          csDoubleClicks, csReplicatable};
  FWidth = 150;
  FHeight = 150;
  FForceBackground = true;
  FGeometry.NCR = RECT{0, 0, 0, 0};
  FSkinDataName = "panel";
  FGlyph->OnChange = [this](TObject*) { Invalidate(); };
}

TksSkinPanel::~TksSkinPanel() { FGlyph->OnChange = nullptr; }

void TksSkinPanel::Publish(TPublisher<TksSkinPanel>& P) {
  using T = TksSkinPanel;
  P.Prop("RealHeight", &T::RealHeight, &T::SetRealHeight);
  P.Prop("AutoEnabledControls", &T::AutoEnabledControls, &T::SetAutoEnabledControls);
  P.Prop("CheckedMode", &T::CheckedMode, &T::SetCheckedMode);
  P.Prop("Checked", &T::Checked, &T::SetChecked);
  P.Prop("DefaultAlignment", &T::DefaultAlignment, &T::SetDefaultAlignment);
  P.Prop("DefaultCaptionHeight", &T::DefaultCaptionHeight, &T::SetDefaultCaptionHeight);
  P.Prop("BorderStyle", &T::BorderStyle, &T::SetBorderStyle);
  P.Prop("CaptionMode", &T::CaptionMode, &T::SetCaptionMode);
  P.Prop("RollUpMode", &T::RollUpMode, &T::SetRollUpMode);
  P.Prop("RollUpState", &T::RollUpState, &T::SetRollUpState);
  P.Prop("Glyph", &T::Glyph, &T::SetGlyph);
  P.Prop("NumGlyphs", &T::NumGlyphs, &T::SetNumGlyphs);
  P.Prop("Spacing", &T::Spacing, &T::SetSpacing);
  P.Event("OnChecked", &T::OnChecked).Type("TNotifyEvent");
  P.Event("OnChangeRollUpState", &T::OnChangeRollUpState).Type("TNotifyEvent");
}

void TksSkinPanel::CreateParams(TCreateParams& Params) {
  TksSkinCustomControl::CreateParams(Params);
  // The panel paints through an off-screen bitmap: no full redraw on every resize.
  Params.WindowClass.style &= ~static_cast<UINT>(CS_HREDRAW | CS_VREDRAW);
}

// ---- Setters ----
void TksSkinPanel::SetCheckedMode(bool Value) {
  FCheckedMode = Value;
  Invalidate();
}

void TksSkinPanel::SetNumGlyphs(TksSkinPanelNumGlyphs Value) {
  FNumGlyphs = std::clamp(Value, 1, 2);
  Invalidate();
}

void TksSkinPanel::SetGlyph(TBitmap* Value) {
  if (Value)
    FGlyph->Assign(Value);
  else
    FGlyph->SetSize(0, 0);
  Invalidate();
}

void TksSkinPanel::SetSpacing(int Value) {
  FSpacing = Value;
  Invalidate();
}

void TksSkinPanel::SetDefaultAlignment(TAlignment Value) {
  FDefaultAlignment = Value;
  FetchSkinData();
  if (!HasDescription() && FCaptionMode) Invalidate();
}

void TksSkinPanel::SetRollUpMode(bool Value) {
  FRollUpMode = Value;
  FetchSkinData();
  if (!HasDescription() && FCaptionMode) Invalidate();
}

void TksSkinPanel::SetDefaultCaptionHeight(int Value) {
  FDefaultCaptionHeight = Value;
  FetchSkinData();
  if (!HasDescription() && FCaptionMode) {
    Invalidate();
    Realign();
  }
}

void TksSkinPanel::SetBorderStyle(TksSkinBorderStyle Value) {
  FBorderStyle = Value;
  FetchSkinData();
  if (!HasDescription()) {
    Invalidate();
    Realign();
  }
}

void TksSkinPanel::SetCaptionMode(bool Value) {
  FCaptionMode = Value;
  Invalidate();
  Realign();
}

void TksSkinPanel::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TksSkinCustomControl::SetBounds(ALeft, ATop, AWidth, AHeight);
  FetchSkinData();
  if (!HasDescription()) Invalidate();
}

void TksSkinPanel::SetChecked(bool Value) {
  FChecked = Value;
  if (FCheckedMode) Invalidate();
  if (FAutoEnabledControls && FCheckedMode)
    for (int i = 0; i < ControlCount(); ++i) Controls(i)->SetEnabled(Value);
  if (OnChecked) OnChecked(this);
}

void TksSkinPanel::SetRollUpState(bool Value) {
  if (Value == FRollUpState) return;
  TSizeConstraints& c = Constraints();
  if (!FRollUpMode) {
    // Refused: the saved limits go back and the panel stays down.
    c.MaxWidth = FSaveMaxWidth;
    c.MinWidth = FSaveMinWidth;
    c.MaxHeight = FSaveMaxHeight;
    c.MinHeight = FSaveMinHeight;
    FRollUpState = false;
    return;
  }
  FetchSkinData();
  if (Value) {
    FSaveMaxWidth = c.MaxWidth;
    FSaveMinWidth = c.MinWidth;
    FSaveMaxHeight = c.MaxHeight;
    FSaveMinHeight = c.MinHeight;
    c.MaxWidth = c.MinWidth = c.MaxHeight = c.MinHeight = 0;
    FRollUpState = true;
    if (FRealHeight == -1) {
      FRealHeight = Height();
      DisableAlign();
      for (int i = 0; i < ControlCount(); ++i) Controls(i)->SetVisible(false);
      int w = Width(), h = Height();
      CalcSkinSize(w, h);
      SetHeight(HasDescription() ? Height() - RectHeight(FGeometry.NCR)
                                 : FDefaultCaptionHeight + 1);
    }
  } else {
    FRollUpState = false;
    c.MaxWidth = FSaveMaxWidth;
    c.MinWidth = FSaveMinWidth;
    c.MaxHeight = FSaveMaxHeight;
    c.MinHeight = FSaveMinHeight;
    if (FRealHeight != -1) {
      SetHeight(FRealHeight);
      FRealHeight = -1;
      for (int i = 0; i < ControlCount(); ++i) Controls(i)->SetVisible(true);
      EnableAlign();
    }
  }
  Invalidate();
  if (OnChangeRollUpState) OnChangeRollUpState(this);
}

void TksSkinPanel::ApplySkinData() {
  TksSkinCustomControl::ApplySkinData();
  if (FRollUpState) {
    // The rolled height of the new skin; the height to restore stays.
    int w = Width(), h = FRealHeight > 0 ? FRealHeight : Height();
    CalcSkinSize(w, h);
    if (HasDescription())
      SetHeight(h - RectHeight(FGeometry.NCR));
    else
      SetHeight(FDefaultCaptionHeight + 1);
  } else {
    Realign();
  }
}

// ---- Messages and mouse ----
void TksSkinPanel::WndProc(TMessage& M) {
  switch (M.Msg) {
    case CM_ENABLEDCHANGED:
      TksSkinCustomControl::WndProc(M);
      Invalidate();
      return;
    case CM_TEXTCHANGED:
      TksSkinCustomControl::WndProc(M);
      if (FCaptionMode) Invalidate();
      return;
    default:
      TksSkinCustomControl::WndProc(M);
  }
}

void TksSkinPanel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if ((FRollUpMode || FCheckedMode) && FCaptionMode && Button == mbLeft) {
    FetchSkinData();
    const RECT caption =
        HasDescription() ? FDrawnCaptionRect : RECT{1, 1, Width() - 1, FDefaultCaptionHeight};
    if (PointInRect(caption, POINT{X, Y})) {
      if (FCheckedMode) SetChecked(!FChecked);
      if (FRollUpMode) SetRollUpState(!FRollUpState);
    }
  }
  TksSkinCustomControl::MouseUp(Button, Shift, X, Y);
}

void TksSkinPanel::AdjustClientRect(RECT& Rect) {
  FetchSkinData();
  if (!HasDescription() || Designing()) {
    if (FBorderStyle != ks::bvNone) InflateRect(&Rect, -1, -1);
    if (FCaptionMode) Rect.top += FDefaultCaptionHeight;
    return;
  }
  int w = Width(), h = Height();
  CalcSkinSize(w, h);
  if (FBGPictureIndex != -1 || (FBorderStyle == ks::bvNone && !FCaptionMode && FResizeMode == 1))
    return;
  Rect = FGeometry.NCR;
}

// ---- Skin look ----
void TksSkinPanel::FetchSkinData() {
  TksSkinCustomControl::FetchSkinData();
  FBGPictureIndex = -1;
  auto* d = dynamic_cast<TksDataSkinPanelControl*>(SkinDescription());
  if (!d) return;
  FCaptionRect = d->CaptionRect;
  FAlignment = d->Alignment;
  FFontName = d->Font.Name;
  FFontStyle = d->Font.Style;
  FFontHeight = d->Font.Height;
  FFontColor = d->Font.Color;
  FBGPictureIndex = d->BGPictureIndex;
  FCheckImageRect = d->CheckImageRect;
  FUnCheckImageRect = d->UnCheckImageRect;
  FMarkFrameRect = d->MarkFrameRect;
  FFrameRect = d->FrameRect;
  FFrameTextRect = d->FrameTextRect;
  FFrameLeftOffset = d->FrameLeftOffset;
  FFrameRightOffset = d->FrameRightOffset;
}

// Tiles Tile of Picture over the whole control from (0, 0).
void TksSkinPanel::TileOver(TBitmap* Picture, const RECT& Tile) {
  const int W = Width(), H = Height();
  if (!Picture || W < 1 || H < 1) return;
  TBitmap b;
  b.SetSize(W, H);
  TileBitmap(&b, RECT{0, 0, W, H}, Picture, Tile);
  BitBlt(Canvas()->Handle(), 0, 0, W, H, b.Canvas()->Handle(), 0, 0, SRCCOPY);
}

void TksSkinPanel::Paint() {
  FetchSkinData();
  if (!HasDescription()) {
    TksSkinCustomControl::Paint();
    return;
  }
  int w = Width(), h = Height();
  CalcSkinSize(w, h);
  RECT client = FGeometry.CR;
  OffsetRect(&client, FGeometry.SR.left, FGeometry.SR.top);
  if (FBorderStyle == ks::bvNone && FResizeMode == 1 && !FCaptionMode && FForceBackground) {
    TileOver(FPicture, client);
  } else if (FBGPictureIndex != -1) {
    TBitmap* bg = FSD->ActivePicture(FBGPictureIndex);
    if (bg) TileOver(bg, RECT{0, 0, bg->Width(), bg->Height()});
  } else {
    TksSkinCustomControl::Paint();
  }
}

void TksSkinPanel::DrawSkinImage(TBitmap* B) {
  if (FBorderStyle == ks::bvNone && FResizeMode == 1 && !FCaptionMode) {
    RECT client = FGeometry.CR;
    OffsetRect(&client, FGeometry.SR.left, FGeometry.SR.top);
    TileBitmap(B, RECT{0, 0, B->Width(), B->Height()}, FPicture, client);
    return;
  }
  TksSkinCustomControl::DrawSkinImage(B);
  FDrawnCaptionRect = FResizeMode >= 1 ? FitRectToSize(FCaptionRect) : FCaptionRect;
  const std::string caption = Caption();
  if (caption.empty() || IsEmptyRect(FDrawnCaptionRect)) return;
  TCanvas* c = B->Canvas();
  RECT R = FDrawnCaptionRect;
  if (FRollUpMode) R.right -= 12;
  if (FCheckedMode) {
    const RECT& box = FChecked ? FCheckImageRect : FUnCheckImageRect;
    ksdraw::TransparentPart(c, R.left, R.top + RectHeight(R) / 2 - RectHeight(box) / 2, FPicture,
                            box);
    R.left += RectWidth(box) + 2;
  }
  TksSkinFontData font{FFontName, FFontHeight, FFontStyle, FFontColor};
  PrepareCaptionFont(c->Font(), &font);
  const int glyphW = FGlyph->Empty() ? 0 : FGlyph->Width() / FNumGlyphs;
  const int textW = c->TextWidth(caption) + (FGlyph->Empty() ? 0 : glyphW + FSpacing);
  const int y = R.top + RectHeight(R) / 2 - c->TextHeight(caption) / 2;
  int x = FAlignment == taRightJustify ? R.right - textW
          : FAlignment == taCenter     ? R.left + RectWidth(R) / 2 - textW / 2
                                       : R.left;
  int glyphX = x;
  if (!FGlyph->Empty()) x += glyphW + FSpacing;
  if (FRollUpMode) {
    const RECT M{R.right, R.top, R.right + 10, R.bottom};
    if (!IsEmptyRect(FMarkFrameRect) && FPicture) {
      const int mw = RectWidth(FMarkFrameRect), mh = RectHeight(FMarkFrameRect);
      BitBlt(c->Handle(), M.left, M.top, mw, FDrawnCaptionRect.top + mh - M.top,
             FPicture->Canvas()->Handle(), FMarkFrameRect.left, FMarkFrameRect.top, SRCCOPY);
    }
    if (FRollUpState)
      ksdraw::ArrowDown(c, M, FFontColor);
    else
      ksdraw::ArrowUp(c, M, FFontColor);
  }
  if (!IsEmptyRect(FFrameRect) && FPicture) {
    // A plate behind the text, as wide as the text plus the frame's margins.
    const int margins = RectWidth(FFrameRect) - RectWidth(FFrameTextRect);
    const int plateW = c->TextWidth(caption) + margins;
    int plateX;
    if (FAlignment == taLeftJustify) {
      plateX = x;
      x += FFrameTextRect.left;
    } else {
      plateX = x - margins;
      glyphX -= margins;
      x -= margins;
      x += FFrameTextRect.left;
    }
    TBitmap plate;
    MakeThreePartH(FFrameLeftOffset, FFrameRightOffset, &plate, false, plateW, FFrameRect,
                   FPicture);
    BitBlt(c->Handle(), plateX, FDrawnCaptionRect.top, plate.Width(), plate.Height(),
           plate.Canvas()->Handle(), 0, 0, SRCCOPY);
  }
  ksdraw::TextClipped(c, R, x, y, caption);
  if (!FGlyph->Empty()) {
    const int k = !Enabled() && FNumGlyphs == 2 ? 2 : 1;
    ksdraw::GlyphPart(c, glyphX, R.top + RectHeight(R) / 2 - FGlyph->Height() / 2, FGlyph.get(), k,
                      FNumGlyphs);
  }
}

// ---- Default look ----
void TksSkinPanel::DrawDefaultImage(TBitmap* B) {
  TCanvas* c = B->Canvas();
  const int W = B->Width(), H = B->Height();
  c->Brush()->SetStyle(bsSolid);
  c->Brush()->SetColor(clBtnFace);
  c->FillRect(RECT{0, 0, W, H});
  RECT border{0, 0, W, H};
  switch (FBorderStyle) {
    case ks::bvFrame:
      ksdraw::Frame(c, border, clBtnShadow, clBtnShadow);
      break;
    case ks::bvRaised:
      ksdraw::Frame(c, border, clBtnHighlight, clBtnShadow);
      break;
    case ks::bvLowered:
      ksdraw::Frame(c, border, clBtnShadow, clBtnHighlight);
      break;
    default:
      break;
  }
  if (!FCaptionMode) return;
  RECT R;
  if (FBorderStyle == ks::bvFrame) {
    R = RECT{0, 0, W, FDefaultCaptionHeight};
    ksdraw::Frame(c, R, clBtnShadow, clBtnShadow);
    ksdraw::Frame(c, R, clBtnHighlight, clBtnFace);
  } else {
    R = RECT{1, 1, W - 1, FDefaultCaptionHeight};
    ksdraw::Frame(c, R, clBtnShadow, clBtnHighlight);
    ksdraw::Frame(c, R, clBtnHighlight, clBtnShadow);
  }
  if (FCheckedMode) R.left += 20;
  if (FRollUpMode) R.right -= 10;
  PrepareCaptionFont(c->Font(), nullptr);
  const std::string caption = Caption();
  const int y = R.top + RectHeight(R) / 2 - c->TextHeight(caption) / 2;
  const int glyphW = FGlyph->Empty() ? 0 : FGlyph->Width() / FNumGlyphs;
  const int textW = c->TextWidth(caption) + (FGlyph->Empty() ? 0 : glyphW + FSpacing);
  int x = FDefaultAlignment == taRightJustify ? R.right - textW
          : FDefaultAlignment == taCenter     ? R.left + 2 + RectWidth(R) / 2 - textW / 2
                                              : R.left + 2;
  if (FCheckedMode) {
    const int cy = R.top + RectHeight(R) / 2;
    RECT box{5, cy - 7, 19, cy + 7};
    ksdraw::Frame(c, box, clBtnShadow, clBtnShadow);
    if (FChecked) ksdraw::CheckMark(c, 9, cy - 4, clBtnText);
  }
  int glyphX = x, glyphY = 0;
  if (!FGlyph->Empty()) {
    glyphY = R.top + RectHeight(R) / 2 - FGlyph->Height() / 2;
    x += glyphW + FSpacing;
  }
  ksdraw::TextClipped(c, R, x, y, caption);
  if (!FGlyph->Empty())
    ksdraw::GlyphPart(c, glyphX, glyphY, FGlyph.get(), !Enabled() && FNumGlyphs == 2 ? 2 : 1,
                      FNumGlyphs);
  if (FRollUpMode) {
    const RECT M{R.right, R.top, R.right + 10, R.bottom};
    if (FRollUpState)
      ksdraw::ArrowDown(c, M, clBtnText);
    else
      ksdraw::ArrowUp(c, M, clBtnText);
  }
}
