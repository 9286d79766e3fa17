// The skinned menu bar of a skinned form: the form's main menu is taken off the form and its
// top-level items become buttons of a tool bar at the top of the client area, painted in the
// skin's menu-bar colours; a button with sub-items opens them as a (skinned) popup menu.
#pragma once

#include <vector>

#include "platform/vcl/comctrls.h"

class TMenuItem;
class TswSkinWindowVCL;
class TswSkinEngine;

// A button of the menu bar; its Tag is 888 while it is drawn hot or its menu is open.
class TswSkinMenuBarButton : public TToolButton {
  ORV_CLASS(TswSkinMenuBarButton, TToolButton)
public:
  TswSkinMenuBarButton(TComponent* AOwner, TMenuItem* Item, TswSkinEngine* Engine);
  TMenuItem* MenuItem() const { return FItem; }
  // Opens the item's sub-items under the button (nothing for an item without any).
  void OpenMenu();
  // An item without sub-items runs its click.
  void Click() override;
  void WndProc(TMessage& Message) override;
  bool Hot() const { return FHotTrack; }
  // Also hot while the mouse is over it or its menu is open, and selected while it is open.
  TCustomDrawState DrawState() const override;
  static constexpr int HotTag = 888;

protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;

private:
  TMenuItem* FItem;
  TswSkinEngine* FEngine;
  bool FHotTrack = false, FOpen = false;
};

class TswSkinMenuBar : public TToolBar {
  ORV_CLASS(TswSkinMenuBar, TToolBar)
public:
  TswSkinMenuBar(TswSkinWindowVCL* Window, TswSkinEngine* Engine);
  TswSkinWindowVCL* Window() const { return FWindow; }
  // Replaces the buttons by one per item (in order); hidden when there are none.
  void Build(const std::vector<TMenuItem*>& Items);
  TswSkinMenuBarButton* ButtonOf(const TMenuItem* Item) const;
  // The enabled button whose caption marks Key ("&F" for F) as its accelerator, or nullptr.
  TswSkinMenuBarButton* ButtonOfAccelerator(WORD Key) const;
  // Opens (or, without sub-items, clicks) a button after the current message (Alt+key).
  void PostOpen(TswSkinMenuBarButton* Button);
  void AlignControls(TControl* AControl, RECT& Rect) override;
  void WndProc(TMessage& Message) override;

protected:
  // A popup menu inserted into the bar's components (its drop-down menu) copies, as it opens,
  // AutoHotkeys from the menu of the first hot button's item. (A popup made with the bar as its
  // owner is inserted before it is a popup menu, so it is inserted after it is made.)
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TswSkinWindowVCL* FWindow;
  TswSkinEngine* FEngine;
};
