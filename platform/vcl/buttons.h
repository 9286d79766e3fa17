// Buttons with pictures: TSpeedButton (a graphic control, grouped buttons stay down) and
// TBitBtn (a push button with a kind that sets caption and modal result, and a glyph).
#pragma once

#include <algorithm>
#include <memory>

#include "platform/vcl/stdctrls.h"

ORV_ENUM(TButtonLayout, blGlyphLeft, blGlyphRight, blGlyphTop, blGlyphBottom)
using TNumGlyphs = int;  // 1..4 pictures side by side in the glyph

// Where a button's glyph goes: the number of pictures in the strip, the glyph's side, its
// distance from the edge (Margin, -1 centres) and from the caption (Spacing).
struct TGlyphLayout {
  TNumGlyphs NumGlyphs = 1;
  TButtonLayout Layout = blGlyphLeft;
  int Margin = -1, Spacing = 4;
};

// The glyph layout properties both buttons publish; a change repaints the button (T).
template <class T> class TGlyphLayoutProps {
public:
  TNumGlyphs NumGlyphs() const { return FGlyphLayout.NumGlyphs; }
  void SetNumGlyphs(TNumGlyphs Value) { Change(FGlyphLayout.NumGlyphs, std::clamp(Value, 1, 4)); }
  TButtonLayout Layout() const { return FGlyphLayout.Layout; }
  void SetLayout(TButtonLayout Value) { Change(FGlyphLayout.Layout, Value); }
  int Margin() const { return FGlyphLayout.Margin; }
  void SetMargin(int Value) { Change(FGlyphLayout.Margin, Value); }
  int Spacing() const { return FGlyphLayout.Spacing; }
  void SetSpacing(int Value) { Change(FGlyphLayout.Spacing, Value); }

protected:
  TGlyphLayout FGlyphLayout;

private:
  template <class V> void Change(V& Field, V Value) {
    Field = Value;
    static_cast<T*>(this)->Invalidate();
  }
};

class TSpeedButton : public TGraphicControl, public TGlyphLayoutProps<TSpeedButton> {
  ORV_CLASS(TSpeedButton, TGraphicControl)
public:
  static void Publish(TPublisher<TSpeedButton>& P);
public:
  explicit TSpeedButton(TComponent* AOwner);
  ~TSpeedButton() override;
  // Buttons with the same non-zero GroupIndex and parent work like radio buttons.
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int Value) { FGroupIndex = Value; }
  bool Down() const { return FDown; }
  void SetDown(bool Value);
  bool AllowAllUp() const { return FAllowAllUp; }
  void SetAllowAllUp(bool Value) { FAllowAllUp = Value; }
  bool Flat() const { return FFlat; }
  void SetFlat(bool Value) { FFlat = Value; Invalidate(); }
  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  void Click() override;
  void WndProc(TMessage& Message) override;

protected:
  void Paint() override;
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  // Also the action's Checked (as Down) and its picture in the action list's Images (as Glyph).
  void ActionChange(TAction* Sender, bool CheckDefaults) override;

private:
  int FGroupIndex = 0;
  bool FDown = false, FAllowAllUp = false, FFlat = false, FPressed = false, FHot = false;
  std::unique_ptr<TBitmap> FGlyph;
};

// Makes Glyph the picture of the action's ImageIndex in its list's Images; false (Glyph untouched)
// when the action has no picture there.
bool ActionGlyph(TAction* Action, TBitmap* Glyph);

ORV_ENUM(TBitBtnKind, bkCustom, bkOK, bkCancel, bkHelp, bkYes, bkNo, bkClose, bkAbort, bkRetry, bkIgnore, bkAll)

class TBitBtn : public TButton, public TGlyphLayoutProps<TBitBtn> {
  ORV_CLASS(TBitBtn, TButton)
public:
  static void Publish(TPublisher<TBitBtn>& P);
public:
  explicit TBitBtn(TComponent* AOwner);
  ~TBitBtn() override;
  TBitBtnKind Kind() const { return FKind; }
  // Sets the caption, modal result, default/cancel role of the kind (bkClose closes the form).
  void SetKind(TBitBtnKind Value);
  TBitmap* Glyph() const { return FGlyph.get(); }
  void SetGlyph(TBitmap* Value);
  void Click() override;

protected:
  void Paint() override;
  // Also the action's picture in the action list's Images (as Glyph).
  void ActionChange(TAction* Sender, bool CheckDefaults) override;

private:
  TBitBtnKind FKind = bkCustom;
  std::unique_ptr<TBitmap> FGlyph;
};
