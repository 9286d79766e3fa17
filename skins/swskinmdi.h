// The multiple-document parts of the form skin engine: the control buttons of a maximised
// document shown on a skinned MDI form's menu bar row, and the arrangement rules a skinned MDI
// form's client window follows (the rest lives in TswSkinWindowVCL, swskinmdi.cpp).
#pragma once

#include <vector>

#include "platform/vcl/extctrls.h"

// Private messages between a skinned MDI form, its client window and its documents.
enum : UINT {
  SWM_MDICHILDMENU = 33768,      // to the MDI form: lParam the document's menu (0: none)
  SWM_MDIWINDOWLIST = 33770,     // to the MDI form: rebuild the window list
  SWM_MDITOPFRAME = 33771,       // to the MDI form's client window: its top frame
  SWM_MDISIDEFRAME = 33772,      // ... its side frame
  SWM_MDIBOTTOMFRAME = 33773,    // ... its bottom frame
  SWM_MDICHILDHIDDEN = 33774,    // to a document: 1 while hidden
};

// Tags of the three control buttons.
enum : int { swMdiCloseTag = -1381, swMdiRestoreTag = -1382, swMdiMinimizeTag = -1383 };

// One of the three small buttons (close, restore, minimise) of the maximised document: an
// 18 x 18 panel filled with its colour, or a vertical gradient to ToColor, with its glyph at
// (1, 1) and a black frame while the mouse is over it.
class TswSkinMenuBarControlButton : public TCustomPanel {
  ORV_CLASS(TswSkinMenuBarControlButton, TCustomPanel)
public:
  explicit TswSkinMenuBarControlButton(TComponent* AOwner);
  ~TswSkinMenuBarControlButton() override;
  TBitmap* Glyph() const { return FGlyph.get(); }
  TColor ToColor() const { return FToColor; }
  void SetToColor(TColor Value);
  bool Hot() const { return FHot; }
  void WndProc(TMessage& Message) override;

protected:
  void Paint() override;

private:
  std::unique_ptr<TBitmap> FGlyph;
  TColor FToColor = clWhite;
  bool FHot = false;
};

// The three glyphs of the control buttons, 16 x 16 each side by side (minimise, restore, close),
// on the transparent colour clFuchsia.
void SwMdiControlGlyphs(TBitmap* Target);

// Bounds (left, top, width, height) the skinned client window gives its documents.
struct TswMdiBounds {
  int Left, Top, Width, Height;
  bool operator==(const TswMdiBounds&) const = default;
};
// Cascade: Count documents (the last first) at (22 k, 22 k), 0.8 x the client width and 0.6 x
// its height, rounded.
std::vector<TswMdiBounds> SwMdiCascadeBounds(int Count, int ClientWidth, int ClientHeight);
// Tile: Count documents in the height Available (the client height less the top- and
// bottom-aligned controls and, with some document minimised, 25), horizontally (one below the
// other) or side by side.
std::vector<TswMdiBounds> SwMdiTileBounds(int Count, int ClientWidth, int Available, bool Horizontal);
