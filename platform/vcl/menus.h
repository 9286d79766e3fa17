// Menus: items with captions, checks, enabling and click events; popup menus that open at a
// screen point (OnPopup first) and run their items' OnClick.
#pragma once

#include <memory>
#include <vector>

#include "platform/vcl/actnlist.h"
#include "platform/vcl/controls.h"
#include "platform/vcl/stdctrls.h"

// A key with its modifiers in one number: the virtual key in the low byte, scShift, scCtrl and
// scAlt above it (0 is no shortcut).
using TShortCut = int;
TShortCut ShortCut(WORD Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift);
// "Ctrl+L", "Shift+F10", "Del", "Shift+Ctrl+Alt+A"; empty for 0 or a key without a name.
std::string ShortCutToText(TShortCut ShortCut);
// The reverse, with the modifier words in any order and any case; 0 for text it cannot read.
TShortCut TextToShortCut(const std::string& Text);

// Owner-drawn items (the menu's OwnerDraw on): the measure event may change the row's size (it
// starts at the default width and height); the advanced draw event, else the draw event, paints
// the row instead of the menu. The canvas is the popup's, with the menu font.
using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;
using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, RECT ARect, bool Selected)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, RECT ARect, TOwnerDrawState State)>;

class TMenuItem : public TComponent {
  ORV_CLASS(TMenuItem, TComponent)
public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value) { FCaption = Value; }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value) { FEnabled = Value; }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value) { FVisible = Value; }
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value) { FChecked = Value; }
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value) { FShortCut = Value; }
  // The item's picture in the menu's Images (-1: none); follows the linked action's.
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value) { FImageIndex = Value; }
  static void Publish(TPublisher<TMenuItem>& P);
  // The enabled, visible item under this one (at any depth, through enabled and visible items)
  // whose ShortCut is ShortCut, or nullptr.
  TMenuItem* FindShortCut(TShortCut ShortCut) const;
  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
  void Add(TMenuItem* Item);
  void Remove(TMenuItem* Item);
  TMenuItem* Parent() const { return FParent; }
  // The linked action gives the item its caption, enabled, checked and visible state and its
  // shortcut and image index (now and whenever they change); a click without an OnClick of its
  // own runs it. Published as "Action", a reference resolved after loading.
  TAction* Action() const { return FActionLink.Action(); }
  void SetAction(TAction* Value) { FActionLink.SetAction(Value); }
  // Runs OnClick, else the action (disabled items do nothing).
  virtual void Click();
  TNotifyEvent OnClick;
  TMenuMeasureItemEvent OnMeasureItem;
  TMenuDrawItemEvent OnDrawItem;
  TAdvancedMenuDrawItemEvent OnAdvancedDrawItem;

private:
  std::string FCaption;
  bool FEnabled = true, FVisible = true, FChecked = false;
  TShortCut FShortCut = 0;
  int FImageIndex = -1;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TActionLink FActionLink;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
};

class TPopupMenu : public TComponent {
  ORV_CLASS(TPopupMenu, TComponent)
public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;
  TMenuItem* Items() const { return FItems.get(); }
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* Value) { FPopupComponent = Value; }
  bool OwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool Value) { FOwnerDraw = Value; }
  // OnPopup, then the menu at (X, Y) in screen coordinates; the chosen item's OnClick runs.
  virtual void Popup(int X, int Y);
  // Runs the item whose ShortCut is ShortCut; false when no enabled item has it.
  bool IsShortCut(TShortCut ShortCut);
  TNotifyEvent OnPopup;

private:
  std::unique_ptr<TMenuItem> FItems;
  TComponent* FPopupComponent = nullptr;
  bool FOwnerDraw = false;
};

// The menu bar of a form (TCustomForm::SetMenu): its top items sit in the form's menu row; a
// click on one opens its sub-items (or runs it when it has none).
class TMainMenu : public TComponent {
  ORV_CLASS(TMainMenu, TComponent)
public:
  explicit TMainMenu(TComponent* AOwner);
  ~TMainMenu() override;
  TMenuItem* Items() const { return FItems.get(); }
  // Owner drawing applies to the items of the menus that open from the bar.
  bool OwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool Value) { FOwnerDraw = Value; }
  // Where top item Index lies in the menu row (window coordinates of Wnd), or an empty rect.
  RECT ItemRect(HWND Wnd, int Index) const;
  int ItemAt(HWND Wnd, POINT WindowPt) const;
  // Draws the item captions on the menu row (called after the frame is painted).
  void PaintBar(HWND Wnd) const;
  // Opens top item Index at its place (screen coordinates from Wnd).
  void OpenItem(HWND Wnd, int Index);
  // Runs the item whose ShortCut is ShortCut; false when no enabled item has it.
  bool IsShortCut(TShortCut ShortCut);

private:
  std::unique_ptr<TMenuItem> FItems;
  bool FOwnerDraw = false;
};

// Shows Root's visible items as a popup at screen (X, Y) and runs the chosen one.
// With OwnerDraw, the items' measure and draw events size and paint the rows.
void PopupMenuItems(TMenuItem* Root, int X, int Y, bool OwnerDraw = false);
