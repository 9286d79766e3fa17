// Menus: items with captions, checks, enabling and click events; popup menus that open at a
// screen point (OnPopup first) and run their items' OnClick.
#pragma once

#include <memory>
#include <vector>

#include "platform/vcl/controls.h"

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
  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
  void Add(TMenuItem* Item);
  void Remove(TMenuItem* Item);
  TMenuItem* Parent() const { return FParent; }
  // Runs OnClick (disabled items do nothing).
  virtual void Click();
  TNotifyEvent OnClick;

private:
  std::string FCaption;
  bool FEnabled = true, FVisible = true, FChecked = false;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
};

class TPopupMenu : public TComponent {
  ORV_CLASS(TPopupMenu, TComponent)
public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;
  TMenuItem* Items() const { return FItems.get(); }
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* Value) { FPopupComponent = Value; }
  // OnPopup, then the menu at (X, Y) in screen coordinates; the chosen item's OnClick runs.
  virtual void Popup(int X, int Y);
  TNotifyEvent OnPopup;

private:
  std::unique_ptr<TMenuItem> FItems;
  TComponent* FPopupComponent = nullptr;
};

// The menu bar of a form (TCustomForm::SetMenu): its top items sit in the form's menu row; a
// click on one opens its sub-items (or runs it when it has none).
class TMainMenu : public TComponent {
  ORV_CLASS(TMainMenu, TComponent)
public:
  explicit TMainMenu(TComponent* AOwner);
  ~TMainMenu() override;
  TMenuItem* Items() const { return FItems.get(); }
  // Where top item Index lies in the menu row (window coordinates of Wnd), or an empty rect.
  RECT ItemRect(HWND Wnd, int Index) const;
  int ItemAt(HWND Wnd, POINT WindowPt) const;
  // Draws the item captions on the menu row (called after the frame is painted).
  void PaintBar(HWND Wnd) const;
  // Opens top item Index at its place (screen coordinates from Wnd).
  void OpenItem(HWND Wnd, int Index);

private:
  std::unique_ptr<TMenuItem> FItems;
};

// Shows Root's visible items as a popup at screen (X, Y) and runs the chosen one.
void PopupMenuItems(TMenuItem* Root, int X, int Y);
