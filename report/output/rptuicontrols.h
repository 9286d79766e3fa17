// Small controls the report library's windows share: the flat combo box of the preview's zoom
// box and a custom control that keeps its own scroll ranges, pages and positions (the base of
// the preview workspace).
#pragma once

#include <string>

#include "platform/vcl/controls.h"
#include "platform/vcl/forms.h"
#include "platform/vcl/stdctrls.h"

class TPanel;

// A control with its own horizontal and vertical scroll ranges, page sizes and positions. The
// positions stay within 0..Range-Page; a change calls HorzScrolled or VertScrolled.
class TrptScrollWin : public TCustomControl {
  ORV_CLASS(TrptScrollWin, TCustomControl)
public:
  explicit TrptScrollWin(TComponent* AOwner);

  int HorzRange() const { return FHorzRange; }
  int HorzPage() const { return FHorzPage; }
  int HorzPosition() const { return FHorzPosition; }
  int VertRange() const { return FVertRange; }
  int VertPage() const { return FVertPage; }
  int VertPosition() const { return FVertPosition; }
  void SetHRange(int Value);
  void SetHPageSize(int Value);
  void SetVRange(int Value);
  void SetVPageSize(int Value);
  void SetHPos(int Value);
  void SetVPos(int Value);

  int LargeChange = 10;
  int SmallChange = 1;

  void WndProc(TMessage& Message) override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void Paint() override;
  // Called after the horizontal or vertical position changed.
  virtual void HorzScrolled() {}
  virtual void VertScrolled() {}

private:
  void UpdateBar(int Bar);
  void Scroll(int Bar, int Code, int Pos);
  int FHorzRange = 0, FHorzPage = 0, FHorzPosition = 0;
  int FVertRange = 0, FVertPage = 0, FVertPosition = 0;
};

// The flat combo box: a drop-down list whose list may be wider than the box (ListWidth, 0 = the
// box's width - 1) and whose text can be made read-only.
class TrptCustomComboBox : public TComboBox {
  ORV_CLASS(TrptCustomComboBox, TComboBox)
public:
  explicit TrptCustomComboBox(TComponent* AOwner);
  int ListWidth() const { return FListWidth; }
  void SetListWidth(int Value) { FListWidth = Value; }
  int ButtonWidth = 11;
  int Indent = 0;
  // Dropped down, focused or under the mouse: the frame is sunk and the button raised.
  bool Active() const;
  bool MouseInside() const { return FMouseInside; }
  // The last list opened above the box: under it there was no room before the screen's bottom.
  bool DroppedUp() const { return FDroppedUp; }
  void WndProc(TMessage& Message) override;
  // The list is ListWidth wide (the box's width - 1 when 0) and DropDownCount items high; it
  // opens above the box when it would pass the screen's bottom below it.
  RECT DropDownBounds(int ListItemHeight) override;

protected:
  // Draws the flat frame and the narrow button over the box.
  void PaintWindow(HDC DC) override;
  // The room left of the text (Indent wide); the base fills it with the window colour.
  virtual void DrawImage(HDC DC, const RECT& R);

private:
  void DrawFrameAndButton(HDC DC);
  int FListWidth = 0;
  bool FMouseInside = false;
  bool FDroppedUp = false;
};

class TrptComboBox : public TrptCustomComboBox {
  ORV_CLASS(TrptComboBox, TrptCustomComboBox)
public:
  using TrptCustomComboBox::TrptCustomComboBox;
};

// A font-name box: the font families of the screen, sorted, with up to five recently chosen
// names at the top (kept under MRURegKey in the settings registry). Each item's object is its
// font type (4 = TrueType).
// The floating sample of the font under the selection: a borderless tool window of 200 x 50
// with one flat panel showing the name in that font at 18 points.
class TBitmap;
class TCanvas;

class TrptFontPreview : public TCustomForm {
  ORV_CLASS(TrptFontPreview, TCustomForm)
public:
  explicit TrptFontPreview(TComponent* AOwner);
  TPanel* Panel;
  void ShowFont(const std::string& Name);
};

class TrptFontComboBox : public TrptCustomComboBox {
  ORV_CLASS(TrptFontComboBox, TrptCustomComboBox)
public:
  explicit TrptFontComboBox(TComponent* AOwner);
  ~TrptFontComboBox() override;
  // The sample window, placed at the box's bottom-right corner (left of the box when it would
  // pass the screen's right edge) while the list is down.
  TrptFontPreview* Preview() const { return FPreview; }
  // Above the box when the list opened upward.
  void PlacePreview();
  void WndProc(TMessage& Message) override;
  RECT DropDownBounds(int ListItemHeight) override;
  // The mark of TrueType faces (15 x 11, drawn in code), shown left of their names.
  TBitmap* TrueTypeGlyph() const { return FGlyph; }
  // Draws item Index of the list into R of Canvas the way the dropped list shows it.
  void DrawFontItem(TCanvas* ACanvas, int Index, const RECT& R, bool InEdit);
  bool ShowMRU = true;
  const std::string& MRURegKey() const { return FMRURegKey; }
  // An empty key restores the default one.
  void SetMRURegKey(const std::string& Value);
  // Index of the last recently used entry at the top of the list, -1 when there is none.
  int MRUCount = -1;
  // Fills the list again: the fonts, then the recently used names that still exist.
  void RefreshFonts();
  // The user chose Index: the name moves to (or joins) the top block, which is written back.
  void ChooseFont(int Index);

protected:
  void DrawImage(HDC DC, const RECT& R) override;

private:
  void WriteMRU();
  TrptFontPreview* FPreview = nullptr;
  TBitmap* FGlyph = nullptr;
  int FDepth = 0;
  bool FDropping = false;
  std::string FMRURegKey;
  bool FUpdating = false;
};
