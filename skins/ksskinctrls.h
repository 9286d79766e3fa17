// Skinned controls of the skin-forms library.
//
// TksSkinControl binds a windowed control to a skin store (TksSkinData) by the name of a control
// description (SkinDataName) and paints through an off-screen bitmap: DrawDefaultImage when the
// skin has no such description (or there is no skin), DrawSkinImage when it has. Every paint,
// resize and skin change looks the description up again, so a control follows its store without
// being told. TksSkinCustomControl adds the default font and size, copies the geometry of a
// custom-control description, fits the control's size to it, paints large skins as edge strips
// around a tiled client area and gives the window the outline of a mask picture.
//
// The panels: TksSkinPanel (optional caption bar with a check box and a roll-up marker) and
// TksSkinExPanel (caption bar with a close and a roll button; rolls to its caption bar or to a
// narrow strip with the caption written upwards). See skins/README.md for the application's use.
#pragma once

#include <memory>
#include <string>

#include "platform/vcl/controls.h"
#include "platform/vcl/graphics.h"
#include "platform/vcl/stdctrls.h"
#include "skins/kseffects.h"

class TksSkinData;
class TksDataSkinControl;
struct TksSkinFontData;

// Border of a TksSkinPanel in the default look. In a namespace of its own because the class
// library's bevel cuts use some of the same value names; the names are brought out as
// ks::bvFrame and so on.
namespace ks {
ORV_ENUM(TksSkinBorderStyle, bvFrame, bvRaised, bvLowered, bvNone)
ORV_ENUM(TksExPanelRollKind, rkRollHorizontal, rkRollVertical)
}  // namespace ks
using ks::TksExPanelRollKind;
using ks::TksSkinBorderStyle;

class TksSkinControl : public TCustomControl {
  ORV_CLASS(TksSkinControl, TCustomControl)
public:
  explicit TksSkinControl(TComponent* AOwner);
  ~TksSkinControl() override;
  static void Publish(TPublisher<TksSkinControl>& P);

  TksSkinData* SkinData() const { return FSD; }
  // Stores the store; when it holds a skin (and not at design time), applies it at once.
  virtual void SetSkinData(TksSkinData* Value);
  const std::string& SkinDataName() const { return FSkinDataName; }
  // Only stored: the next paint looks the new name up.
  virtual void SetSkinDataName(const std::string& Value);
  // Index of the control's description in the store's control list, -1 when there is none.
  int SkinIndex() const { return FIndex; }
  // The description found by the last FetchSkinData, or null.
  TksDataSkinControl* SkinDescription() const;

  // Looks the description up again (and copies what the control keeps of it).
  virtual void FetchSkinData();
  // Draws the look without a skin, or the skin's look, onto a bitmap of the control's size.
  virtual void DrawDefaultImage(TBitmap* B);
  virtual void DrawSkinImage(TBitmap* B);
  // Re-reads the description, fits the size and repaints.
  virtual void ApplySkinData();
  virtual void ResetSkinIndex() { FIndex = -1; }
  virtual void SkinDataHook() {}
  void WndProc(TMessage& Message) override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void Paint() override;
  // The rectangle the children are laid out in (called before every alignment).
  virtual void AdjustClientRect(RECT& Rect) { (void)Rect; }
  void AlignControls(TControl* AControl, RECT& Rect) override;
  bool Designing() const { return ComponentState().Contains(csDesigning); }
  TksSkinData* FSD = nullptr;
  std::string FSkinDataName;
  int FIndex = -1;
  // The window region made from the mask picture (the window owns it), or null.
  HRGN FSkinRegion = nullptr;
};

class TksSkinCustomControl : public TksSkinControl {
  ORV_CLASS(TksSkinCustomControl, TksSkinControl)
public:
  explicit TksSkinCustomControl(TComponent* AOwner);
  ~TksSkinCustomControl() override;
  static void Publish(TPublisher<TksSkinCustomControl>& P);

  TFont* DefaultFont() const { return FDefaultFont.get(); }
  void SetDefaultFont(TFont* Value);
  int DefaultWidth() const { return FDefaultWidth; }
  void SetDefaultWidth(int Value);
  int DefaultHeight() const { return FDefaultHeight; }
  void SetDefaultHeight(int Value);
  bool UseSkinFont() const { return FUseSkinFont; }
  void SetUseSkinFont(bool Value) { FUseSkinFont = Value; }

  void FetchSkinData() override;
  void DrawDefaultImage(TBitmap* B) override;
  void DrawSkinImage(TBitmap* B) override;
  void ApplySkinData() override;
  virtual void DefaultFontChanged() {}
  // Fits a requested size to the description's resize mode and refreshes the fitted geometry.
  virtual void CalcSkinSize(int& W, int& H);
  // Sets (or removes) the window region of the mask picture for the current size.
  virtual void UpdateSkinRegion();
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  // The description's geometry and its fit to the current size (read by tests and descendants).
  int ResizeMode() const { return FResizeMode; }
  const TksSkinGeometry& Geometry() const { return FGeometry; }
  RECT ResizedClientRect() const { return FGeometry.NCR; }
  TBitmap* SkinPicture() const { return FPicture; }
  TBitmap* SkinMaskPicture() const { return FMaskPicture; }
  bool ForceBackground() const { return FForceBackground; }
  // A rectangle of the description moved or grown for the current size.
  RECT FitRectToSize(const RECT& R) const;

protected:
  void Paint() override;
  void CreateWnd() override;
  // The font for captions: a copy of DefaultFont (or, with UseSkinFont and a skin font, that),
  // with the character set of the store's resource texts when there are some.
  void PrepareCaptionFont(TFont* Font, const TksSkinFontData* SkinFont);
  bool FForceBackground = false;
  bool FDrawBackground = true;
  TksSkinGeometry FGeometry;
  bool FStretchEffect = false;
  TBitmap* FPicture = nullptr;
  TBitmap* FMaskPicture = nullptr;
  int FResizeMode = -1;

private:
  void PaintEdgeStrips();
  std::unique_ptr<TFont> FDefaultFont;
  int FDefaultWidth = 0, FDefaultHeight = 0;
  bool FUseSkinFont = true;
};

// ---- The panels ----
using TksSkinPanelNumGlyphs = int;  // 1..2

class TksSkinPanel : public TksSkinCustomControl {
  ORV_CLASS(TksSkinPanel, TksSkinCustomControl)
public:
  explicit TksSkinPanel(TComponent* AOwner);
  ~TksSkinPanel() override;
  static void Publish(TPublisher<TksSkinPanel>& P);

  int RealHeight() const { return FRealHeight; }
  void SetRealHeight(int Value) { FRealHeight = Value; }
  bool AutoEnabledControls() const { return FAutoEnabledControls; }
  void SetAutoEnabledControls(bool Value) { FAutoEnabledControls = Value; }
  bool CheckedMode() const { return FCheckedMode; }
  void SetCheckedMode(bool Value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  TAlignment DefaultAlignment() const { return FDefaultAlignment; }
  void SetDefaultAlignment(TAlignment Value);
  int DefaultCaptionHeight() const { return FDefaultCaptionHeight; }
  virtual void SetDefaultCaptionHeight(int Value);
  TksSkinBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TksSkinBorderStyle Value);
  bool CaptionMode() const { return FCaptionMode; }
  virtual void SetCaptionMode(bool Value);
  bool RollUpMode() const { return FRollUpMode; }
  void SetRollUpMode(bool Value);
  bool RollUpState() const { return FRollUpState; }
  void SetRollUpState(bool Value);
  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  TksSkinPanelNumGlyphs NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(TksSkinPanelNumGlyphs Value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int Value);
  TNotifyEvent OnChecked;
  TNotifyEvent OnChangeRollUpState;

  void FetchSkinData() override;
  void DrawDefaultImage(TBitmap* B) override;
  void DrawSkinImage(TBitmap* B) override;
  void ApplySkinData() override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void WndProc(TMessage& Message) override;
  // The skin caption rectangle fitted to the size at the last paint.
  RECT DrawnCaptionRect() const { return FDrawnCaptionRect; }
  int BGPictureIndex() const { return FBGPictureIndex; }

protected:
  void CreateParams(TCreateParams& Params) override;
  void Paint() override;
  void AdjustClientRect(RECT& Rect) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  bool HasDescription() const { return FIndex != -1; }
  void TileOver(TBitmap* Picture, const RECT& Tile);
  int FRealHeight = -1;
  bool FAutoEnabledControls = true, FCheckedMode = false, FChecked = false;
  TAlignment FDefaultAlignment = taLeftJustify;
  int FDefaultCaptionHeight = 22;
  TksSkinBorderStyle FBorderStyle = ks::bvFrame;
  bool FCaptionMode = false, FRollUpMode = false, FRollUpState = false;
  std::unique_ptr<TBitmap> FGlyph;
  int FNumGlyphs = 1, FSpacing = 2;
  int FSaveMaxWidth = 0, FSaveMinWidth = 0, FSaveMaxHeight = 0, FSaveMinHeight = 0;
  int FBGPictureIndex = -1;
  RECT FDrawnCaptionRect{};
  // From a "panel" description.
  RECT FCaptionRect{};
  TAlignment FAlignment = taCenter;
  std::string FFontName = "Arial";
  int FFontHeight = 14;
  TFontStyles FFontStyle;
  TColor FFontColor = 0;
  RECT FCheckImageRect{}, FUnCheckImageRect{}, FMarkFrameRect{}, FFrameRect{}, FFrameTextRect{};
  int FFrameLeftOffset = 0, FFrameRightOffset = 0;
};

class TksSkinExPanel : public TksSkinCustomControl {
  ORV_CLASS(TksSkinExPanel, TksSkinCustomControl)
public:
  // The two caption buttons: 0 the close button, 1 the roll button.
  struct TksCaptionButton {
    RECT ButtonRect{};
    bool MouseIn = false;
    bool Down = false;
  };
  static constexpr int CloseButton = 0, RollButton = 1;

  explicit TksSkinExPanel(TComponent* AOwner);
  ~TksSkinExPanel() override;
  static void Publish(TPublisher<TksSkinExPanel>& P);

  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  TksSkinPanelNumGlyphs NumGlyphs() const { return FNumGlyphs; }
  void SetNumGlyphs(TksSkinPanelNumGlyphs Value);
  int Spacing() const { return FSpacing; }
  void SetSpacing(int Value);
  int RealWidth() const { return FRealWidth; }
  void SetRealWidth(int Value) { FRealWidth = Value; }
  int RealHeight() const { return FRealHeight; }
  void SetRealHeight(int Value) { FRealHeight = Value; }
  bool ShowRollButton() const { return FShowRollButton; }
  void SetShowRollButton(bool Value);
  bool ShowCloseButton() const { return FShowCloseButton; }
  void SetShowCloseButton(bool Value);
  int DefaultCaptionHeight() const { return FDefaultCaptionHeight; }
  void SetDefaultCaptionHeight(int Value);
  bool RollState() const { return FRollState; }
  void SetRollState(bool Value);
  TksExPanelRollKind RollKind() const { return FRollKind; }
  void SetRollKind(TksExPanelRollKind Value);
  TNotifyEvent OnChangeRollState;
  TNotifyEvent OnClose;

  const TksCaptionButton& Button(int Index) const { return FButtons[Index]; }
  int HotButton() const { return FHotButton; }
  int PressedButton() const { return FPressedButton; }
  // Width (horizontal roll) or height (vertical roll) of the panel while rolled.
  int RolledWidth() const;
  int RolledHeight() const;

  void FetchSkinData() override;
  void DrawDefaultImage(TBitmap* B) override;
  void DrawSkinImage(TBitmap* B) override;
  void ApplySkinData() override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  void WndProc(TMessage& Message) override;

protected:
  void AdjustClientRect(RECT& Rect) override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseMove(TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  bool HasDescription() const { return FIndex != -1; }
  void TestActive(int X, int Y);
  // Draws one caption button onto Canvas (the paint bitmap's, or the control's own).
  void DrawButton(TCanvas* Canvas, int Index);
  void RedrawButton(int Index);
  void ButtonAction(int Index);
  void DrawGlyph(TCanvas* Canvas, int X, int Y);
  std::unique_ptr<TBitmap> FGlyph;
  int FNumGlyphs = 1, FSpacing = 2;
  int FRealWidth = 0, FRealHeight = 0;
  bool FShowRollButton = true, FShowCloseButton = true;
  int FDefaultCaptionHeight = 21;
  bool FRollState = false;
  TksExPanelRollKind FRollKind = ks::rkRollVertical;
  TksCaptionButton FButtons[2];
  int FHotButton = -1, FPreviousHotButton = -1, FPressedButton = -1;
  bool FInRollChange = false;
  int FSaveMaxWidth = 0, FSaveMinWidth = 0, FSaveMaxHeight = 0, FSaveMinHeight = 0;
  // From an "expanel" description.
  RECT FCaptionRect{};
  std::string FFontName = "Arial";
  int FFontHeight = 14;
  TFontStyles FFontStyle;
  TColor FFontColor = 0;
  RECT FRollHSkinRect{}, FRollVSkinRect{};
  int FRollLeftOffset = 0, FRollRightOffset = 0, FRollTopOffset = 0, FRollBottomOffset = 0;
  RECT FRollVCaptionRect{}, FRollHCaptionRect{};
  RECT FCloseRects[3]{}, FHRollRects[3]{}, FHRestoreRects[3]{}, FVRollRects[3]{},
      FVRestoreRects[3]{};
};
