// Owner-drawn buttons: TBnCustomButton (the common base: caption effects, mouse and Space
// handling), TBnButton (a push button that can also be a grouped toggle), TBnBitBtn (a glyph or
// an image-list image and the standard kinds OK, Cancel, Help...) and TBnMenuButton (drops a
// popup menu under itself).
//
// Each draws itself in one of three looks: themed (through the theme services, when visual
// styles are on: never on this platform, see bnuxtheme.h), hot-track (flat, a gradient face and
// a coloured ring under the mouse) or classic (3-D borders).
#pragma once

#include <memory>

#include "platform/vcl/buttons.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/menus.h"
#include "platform/vcl/stdctrls.h"

ORV_ENUM(TBnAlignmentVertical, avTop, avCenter, avBottom)
ORV_ENUM(TBnHotTrackColorType, htctComplement, htctActual)
ORV_ENUM(TBnTextStyle, tsNormal, tsRaised, tsRecessed, tsShadow)

// The message grouped buttons send to the controls of their parent when one goes down or its
// group settings change (WParam: the group index, LParam: the button).
inline constexpr UINT BN_GROUPCHANGED = 9249;

class TBnCustomButton : public TCustomControl {
  ORV_CLASS(TBnCustomButton, TCustomControl)
public:
  explicit TBnCustomButton(TComponent* AOwner);
  ~TBnCustomButton() override;
  static void Publish(TPublisher<TBnCustomButton>& P);

  TBnAlignmentVertical AlignmentVertical() const { return FAlignmentVertical; }
  virtual void SetAlignmentVertical(TBnAlignmentVertical Value);
  bool HotTrack() const { return FHotTrack; }
  virtual void SetHotTrack(bool Value);
  TColor HotTrackColor() const { return FHotTrackColor; }
  void SetHotTrackColor(TColor Value);
  TBnHotTrackColorType HotTrackColorType() const { return FHotTrackColorType; }
  void SetHotTrackColorType(TBnHotTrackColorType Value);
  TColor HighlightColor() const { return FHighlightColor; }
  virtual void SetHighlightColor(TColor Value);
  bool LightTextStyle() const { return FLightTextStyle; }
  virtual void SetLightTextStyle(bool Value);
  TBnTextStyle TextStyle() const { return FTextStyle; }
  virtual void SetTextStyle(TBnTextStyle Value);
  TColor TextHighlightColor() const { return FTextHighlightColor; }
  virtual void SetTextHighlightColor(TColor Value);
  TColor TextShadowColor() const { return FTextShadowColor; }
  virtual void SetTextShadowColor(TColor Value);
  int TextShadowDepth() const { return FTextShadowDepth; }
  virtual void SetTextShadowDepth(int Value);
  bool ThemeAware() const { return FThemeAware; }
  virtual void SetThemeAware(bool Value);
  // The parent's image is painted as the background.
  bool Transparent() const { return FTransparent; }
  virtual void SetTransparent(bool Value);

  // The button is drawn pressed while the mouse or Space holds it.
  bool ShownDown() const { return FShownDown; }
  bool MouseOver() const { return FMouseOver; }
  // Which look applies now: themed (visual styles on and ThemeAware), else hot-track, else classic.
  bool ThemedLook() const;
  bool HotTrackLook() const { return !ThemedLook() && FHotTrack; }

  // Draws Caption in R with the text effects: DT_ flags for alignment and wrapping.
  virtual void DrawCaption(TCanvas* ACanvas, RECT R, UINT Flags);

  void WndProc(TMessage& Message) override;

protected:
  virtual void UpdateDisplay() {}
  virtual void FocusRepaint() { Invalidate(); }
  virtual RECT HotRect() { return ClientRect(); }
  // The press ended inside the button (mouse or Space).
  virtual void Activate() = 0;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;
  void KeyUp(WORD& Key, TShiftState Shift) override;
  // Right-to-left reading order.
  bool RightToLeftReading() const { return BiDiMode() != bdLeftToRight; }

  bool FDragging = false, FMouseOver = false, FShownDown = false;

private:
  TBnAlignmentVertical FAlignmentVertical = avCenter;
  TColor FHotTrackColor = TColor(RGB(240, 155, 20));
  TBnHotTrackColorType FHotTrackColorType = htctActual;
  TColor FHighlightColor = clHighlight;
  bool FLightTextStyle = false;
  TBnTextStyle FTextStyle = tsNormal;
  TColor FTextHighlightColor = clBtnHighlight;
  TColor FTextShadowColor = clBtnShadow;
  int FTextShadowDepth = 2;
  bool FHotTrack = false;
  bool FTransparent = false;
  bool FThemeAware = true;
};

class TBnButton : public TBnCustomButton {
  ORV_CLASS(TBnButton, TBnCustomButton)
public:
  explicit TBnButton(TComponent* AOwner);
  static void Publish(TPublisher<TBnButton>& P);

  TAlignment Alignment() const { return FAlignment; }
  virtual void SetAlignment(TAlignment Value);
  bool Default() const { return FDefault; }
  virtual void SetDefault(bool Value);
  bool Cancel() const { return FCancel; }
  void SetCancel(bool Value) { FCancel = Value; }
  TModalResult ModalResult() const { return FModalResult; }
  void SetModalResult(TModalResult Value) { FModalResult = Value; }
  bool AllowAllUp() const { return FAllowAllUp; }
  virtual void SetAllowAllUp(bool Value);
  // Down only within a group; a down button of a group without AllowAllUp stays down until
  // another button of the group goes down.
  bool Down() const { return FDown; }
  virtual void SetDown(bool Value);
  int GroupIndex() const { return FGroupIndex; }
  virtual void SetGroupIndex(int Value);
  bool ShowDownPattern() const { return FShowDownPattern; }
  virtual void SetShowDownPattern(bool Value);
  bool ShowFocusRect() const { return FShowFocusRect; }
  virtual void SetShowFocusRect(bool Value);
  // Enter on a menu button drops its menu (true) or clicks it (false).
  bool DropDownOnEnter() const { return FDropDownOnEnter; }
  void SetDropDownOnEnter(bool Value) { FDropDownOnEnter = Value; }
  TColor FrameColor() const { return FFrameColor; }
  virtual void SetFrameColor(TColor Value);
  void SetHotTrack(bool Value) override;

  // Drawn as the default button (set from Default and by focus changes).
  bool Active() const { return FActive; }
  bool LooksPressed() const { return FDown || FShownDown; }
  // 0 up, 3 down (set only by Down).
  uint8_t ButtonState() const { return FState; }

  // The parent form's modal result, then OnClick.
  void Click() override;
  void WndProc(TMessage& Message) override;

  virtual RECT CaptionRect();
  virtual void PaintCaption();
  // The brush pattern of a down grouped button: Color with silver on equal parities.
  virtual void MakeDownPattern(TBitmap* Bitmap);

protected:
  void DefineProperties(TFiler* Filer) override;
  void CreateWnd() override;
  void Paint() override;
  void UpdateDisplay() override { Invalidate(); }
  void Activate() override;
  // Set while Enter or Esc clicks the button and DropDownOnEnter is off.
  bool FPlainClick = false;

private:
  // The looks' borders; each returns the face inside them.
  RECT PaintHotTrack(RECT R);
  RECT PaintClassic(RECT R);
  void BroadcastGroup();
  TAlignment FAlignment = taCenter;
  bool FClicking = false;
  bool FDefault = false, FCancel = false, FActive = false;
  TModalResult FModalResult = mrNone;
  bool FKeyToggle = false;
  bool FAllowAllUp = false, FDown = false;
  int FGroupIndex = 0;
  bool FShowDownPattern = true, FShowFocusRect = true, FDropDownOnEnter = true;
  TColor FFrameColor = cl3DDkShadow;
  uint8_t FState = 0;
};

class TBnBitBtn : public TBnButton {
  ORV_CLASS(TBnBitBtn, TBnButton)
public:
  explicit TBnBitBtn(TComponent* AOwner);
  ~TBnBitBtn() override;
  static void Publish(TPublisher<TBnBitBtn>& P);

  TBitmap* Glyph() const { return FGlyph.get(); }
  virtual void SetGlyph(TBitmap* Value);
  // A standard kind reads as bkCustom once Default, Cancel, ModalResult or the glyph no longer
  // match it.
  virtual TBitBtnKind Kind() const;
  virtual void SetKind(TBitBtnKind Value);
  TButtonLayout Layout() const { return FLayout; }
  virtual void SetLayout(TButtonLayout Value);
  int Margin() const { return FMargin; }
  // -1 centres; values below -1 are refused.
  virtual void SetMargin(int Value);
  int NumGlyphs() const { return FNumGlyphs; }
  virtual void SetNumGlyphs(int Value);
  int Spacing() const { return FSpacing; }
  virtual void SetSpacing(int Value);
  int ImageIndex() const { return FImageIndex; }
  virtual void SetImageIndex(int Value);
  int DisabledIndex() const { return FDisabledIndex; }
  virtual void SetDisabledIndex(int Value);
  TImageList* Images() const { return FImages; }
  virtual void SetImages(TImageList* Value);
  bool GlyphModified() const { return FGlyphModified; }

  virtual SIZE GlyphSize();
  virtual RECT GlyphRect();
  RECT CaptionRect() override;
  void PaintCaption() override;
  virtual void DrawImage(TCanvas* ACanvas, const RECT& R);
  virtual void DrawGlyph(TCanvas* ACanvas, const RECT& R);

  // The standard kinds' captions, modal results and glyph resource names.
  static const char* KindCaption(TBitBtnKind Kind);
  static TModalResult KindModalResult(TBitBtnKind Kind);
  static const char* KindGlyphName(TBitBtnKind Kind);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void ActionChange(TAction* Sender, bool CheckDefaults) override;
  bool HasImage() const { return FImages && FImageIndex != -1; }
  bool HasGlyphOrImage() const { return HasImage() || !FGlyph->Empty(); }
  // The caption's height in the caption rectangle.
  int TextHeight(const RECT& R);

private:
  void GlyphChanged();
  bool IsCustom() const { return Kind() == bkCustom; }
  bool IsCaptionStored() const;
  std::unique_ptr<TBitmap> FGlyph;
  mutable TBitBtnKind FKind = bkCustom;
  TButtonLayout FLayout = blGlyphLeft;
  int FMargin = 2, FNumGlyphs = 1, FSpacing = 4;
  bool FGlyphModified = false;
  int FImageIndex = -1, FDisabledIndex = -1;
  TImageList* FImages = nullptr;
  std::unique_ptr<TChangeLink> FImageChangeLink;
};

class TBnMenuButton : public TBnBitBtn {
  ORV_CLASS(TBnMenuButton, TBnBitBtn)
public:
  explicit TBnMenuButton(TComponent* AOwner);
  static void Publish(TPublisher<TBnMenuButton>& P);

  TPopupMenu* DropDownMenu() const { return FDropDownMenu; }
  // Stores the menu the button drops down (and learns when it is freed).
  void SetDropDownMenu(TPopupMenu* Value);
  bool ShowArrow() const { return FShowArrow; }
  virtual void SetShowArrow(bool Value);
  // Fired with the drop-down menu as the sender, before the menu opens.
  TNotifyEvent OnDropDown;

  // Opens the menu under the button (right-aligned with it when it would run past the work
  // area) and returns when it has closed.
  virtual void DropDown();
  void Click() override;
  void WndProc(TMessage& Message) override;
  RECT CaptionRect() override;
  RECT GlyphRect() override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void KeyDown(WORD& Key, TShiftState Shift) override;

private:
  TPopupMenu* FDropDownMenu = nullptr;
  DWORD FDropTime = 0;
  bool FSkipNextClick = false;
  bool FShowArrow = true;
  bool FTrackingLeave = false;
};

// The two-cell glyph of a standard kind's resource name (enabled and disabled cells); the
// bitmaps are made once and kept. EResNotFound for an unknown name.
TBitmap* BnKindGlyph(const char* ResourceName);
