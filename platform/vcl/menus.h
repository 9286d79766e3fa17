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
