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

// The caption without its accelerator marks ("&&" stays one "&").
std::string StripHotkey(const std::string& Text);

// Owner-drawn items (the menu's OwnerDraw on): the measure event may change the row's size (it
// starts at the default width and height); the advanced draw event, else the draw event, paints
// the row instead of the menu. The canvas is the popup's, with the menu font.
using TMenuMeasureItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, int& Width, int& Height)>;
using TMenuDrawItemEvent = std::function<void(TObject* Sender, TCanvas* ACanvas, RECT ARect, bool Selected)>;
using TAdvancedMenuDrawItemEvent =
    std::function<void(TObject* Sender, TCanvas* ACanvas, RECT ARect, TOwnerDrawState State)>;

class TMenu;
class TImageList;
bool MenuOwnerMessage(TMessage& Message);

// Where an item starts a new column of its menu (mbBarBreak with a line before it).
ORV_ENUM(TMenuBreak, mbNone, mbBreak, mbBarBreak)

// A menu item. Each item has a command number (its id in the API menus) and, once it has
// sub-items, an API popup menu (Handle) that holds them; every change of the item or of its list
// of sub-items updates the API menus at once, so a menu that is open or on a form's bar shows it.
class TMenuItem : public TComponent {
  ORV_CLASS(TMenuItem, TComponent)
public:
  explicit TMenuItem(TComponent* AOwner);
  ~TMenuItem() override;
  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut Value);
  TMenuBreak Break() const { return FBreak; }
  void SetBreak(TMenuBreak Value);
  // The default item of its menu, written in bold.
  bool Default() const { return FDefault; }
  void SetDefault(bool Value);
  // A radio item shows a dot when checked; checking it unchecks the radio items of the same
  // GroupIndex under the same parent.
  bool RadioItem() const { return FRadioItem; }
  void SetRadioItem(bool Value);
  int GroupIndex() const { return FGroupIndex; }
  void SetGroupIndex(int Value) { FGroupIndex = Value; }
  // A click toggles Checked first (a radio item is checked).
  bool AutoCheck() const { return FAutoCheck; }
  void SetAutoCheck(bool Value) { FAutoCheck = Value; }
  int HelpContext() const { return FHelpContext; }
  void SetHelpContext(int Value) { FHelpContext = Value; }
  // Shown as the application's hint while the item is highlighted (the part after "|").
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value) { FHint = Value; }
  // The image of the item in the image list its menu gives it (GetImageList), -1 for none;
  // follows the linked action's.
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  // The image list for this item's sub-items, instead of the menu's.
  TImageList* SubMenuImages() const { return FSubMenuImages; }
  void SetSubMenuImages(TImageList* Value);
  // The nearest parent's SubMenuImages, else the menu's Images (nullptr for none).
  TImageList* GetImageList() const;
  // The item's own picture (made empty on first use), shown when it has no image from a list.
  TBitmap* Bitmap();
  void SetBitmap(TBitmap* Value);
  bool HasBitmap() const;
  static void Publish(TPublisher<TMenuItem>& P);
  // Streaming: an item is written inside its parent item (or menu) and, when read, joins the
  // parent it was read in.
  bool HasParent() const override { return true; }
  TComponent* GetParentComponent() const override;
  void SetParentComponent(TComponent* Value) override;
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  // The enabled, visible item under this one (at any depth, through enabled and visible items)
  // whose ShortCut is ShortCut, or nullptr.
  TMenuItem* FindShortCut(TShortCut ShortCut) const;
  int Count() const { return static_cast<int>(FItems.size()); }
  TMenuItem* Items(int Index) const { return FItems.at(static_cast<size_t>(Index)); }
  void Add(TMenuItem* Item);
  void Insert(int Index, TMenuItem* Item);
  void Remove(TMenuItem* Item);
  int IndexOf(TMenuItem* Item) const;
  TMenuItem* Parent() const { return FParent; }
  // The menu whose tree holds this item (nullptr for a loose item).
  TMenu* GetParentMenu() const;
  // The item's id in the API menus (WM_COMMAND, WM_MEASUREITEM/WM_DRAWITEM item data).
  int Command() const { return FCommand; }
  // The API menu holding the sub-items, made on first use.
  HMENU Handle();
  // The live item with this command, or nullptr.
  static TMenuItem* FindCommand(int Command);
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
  friend class TMenu;
  friend class TMainMenu;
  friend bool MenuOwnerMessage(TMessage& Message);
  // Refills the API menu from the visible sub-items (nothing before it is made).
  void RebuildHandle();
  // The item changed: its entry in the parent's API menu is updated in place, or the parent's
  // menu refilled when Rebuild (the items shown changed).
  void MenuChanged(bool Rebuild = false);
  // The API entry for sub-item Item; Text holds the string the entry points to.
  MENUITEMINFOA EntryOf(TMenuItem* Item, std::string& Text);
  void RedrawBar() const;
  std::string FCaption, FHint;
  bool FEnabled = true, FVisible = true, FChecked = false, FDefault = false, FRadioItem = false, FAutoCheck = false;
  TShortCut FShortCut = 0;
  TMenuBreak FBreak = mbNone;
  int FGroupIndex = 0, FHelpContext = 0, FImageIndex = -1;
  TImageList* FSubMenuImages = nullptr;
  std::unique_ptr<TBitmap> FBitmap;
  std::vector<TMenuItem*> FItems;
  TMenuItem* FParent = nullptr;
  TMenu* FMenu = nullptr;  // set on a menu's root item
  HMENU FHandle = nullptr;
  int FCommand = 0;
  TActionLink FActionLink;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
};

ORV_ENUM(TFindItemKind, fkCommand, fkHandle, fkShortCut)
ORV_ENUM(TMenuAutoFlag, maAutomatic, maManual, maParent)

// The common part of popup and main menus: the root item, owner drawing, shortcuts, and the
// owner-window messages of the API menus (commands, measuring and drawing items).
class TMenu : public TComponent {
  ORV_CLASS(TMenu, TComponent)
public:
  explicit TMenu(TComponent* AOwner);
  ~TMenu() override;
  TMenuItem* Items() const { return FItems.get(); }
  // The root's API menu (a bar for a main menu, a popup otherwise).
  HMENU Handle() const { return FItems->Handle(); }
  // Owner drawing: the items' measure and draw events size and paint their rows.
  bool OwnerDraw() const { return FOwnerDraw; }
  void SetOwnerDraw(bool Value);
  // Images of the items (ImageIndex); a menu with images draws its rows itself to show them.
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* Value);
  // Whether hot keys are given to the items automatically (kept and streamed; the items'
  // captions are not changed here).
  TMenuAutoFlag AutoHotkeys() const { return FAutoHotkeys; }
  void SetAutoHotkeys(TMenuAutoFlag Value) { FAutoHotkeys = Value; }
  // Reading order of the menu's rows; while ParentBiDiMode is on (the default) the owning
  // control's mode applies and is not streamed.
  TBiDiMode BiDiMode() const;
  void SetBiDiMode(TBiDiMode Value) {
    FBiDiMode = Value;
    FParentBiDiMode = false;
  }
  bool IsBiDiModeStored() const { return !FParentBiDiMode; }
  bool ParentBiDiMode() const { return FParentBiDiMode; }
  void SetParentBiDiMode(bool Value) { FParentBiDiMode = Value; }
  // Runs the item whose ShortCut is ShortCut; false when no enabled item has it.
  bool IsShortCut(TShortCut ShortCut);
  // Whether the item's row is measured and drawn by the class library (MF_OWNERDRAW).
  virtual bool IsOwnerDrawItem(const TMenuItem* Item) const;
  // Refills all API menus from the items (events set after the items were added count then).
  void Rebuild();
  // The item under the root with that command, sub-menu handle or shortcut, or nullptr.
  TMenuItem* FindItem(intptr_t Value, TFindItemKind Kind) const;
  // Runs the item with that command; false when the menu has none.
  bool DispatchCommand(WORD ACommand);
  // The top items are the menu's children in a stream.
  void GetChildren(const TGetChildProc& Proc, TComponent* Root) override;
  static void Publish(TPublisher<TMenu>& P);

protected:
  friend class TMenuItem;
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual bool IsBar() const { return false; }
  std::unique_ptr<TMenuItem> FItems;
  bool FOwnerDraw = false;
  TImageList* FImages = nullptr;
  TMenuAutoFlag FAutoHotkeys = maAutomatic;
  TBiDiMode FBiDiMode = bdLeftToRight;
  bool FParentBiDiMode = true;
};

// Handles what the API menus send their owner window: WM_COMMAND from a menu (lParam 0) runs the
// item with that command, WM_MEASUREITEM and WM_DRAWITEM for menu items (ODT_MENU) run its
// measure and draw events (or paint it as the menu would, with its image), WM_MENUSELECT makes
// the highlighted item's long hint the application's hint (cleared when the menu closes). Forms call it for their menu bar;
// popup menus are owned by a hidden window that calls it. True when the message was taken.
bool MenuOwnerMessage(TMessage& Message);
// The hidden window that owns the popup menus while they run (it answers as above); others who
// track a menu of their own may hand it the messages for the class library's items.
HWND PopupListWindow();

ORV_ENUM(TPopupAlignment, paLeft, paRight, paCenter)

class TPopupMenu : public TMenu {
  ORV_CLASS(TPopupMenu, TMenu)
public:
  explicit TPopupMenu(TComponent* AOwner);
  ~TPopupMenu() override;
  TComponent* PopupComponent() const { return FPopupComponent; }
  void SetPopupComponent(TComponent* Value) { FPopupComponent = Value; }
  // Where the menu lies against the popup point: its left edge, right edge or centre there.
  TPopupAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TPopupAlignment Value) { FAlignment = Value; }
  static void Publish(TPublisher<TPopupMenu>& P);
  // OnPopup, then the menu at (X, Y) in screen coordinates; the chosen item's OnClick runs.
  virtual void Popup(int X, int Y);
  TNotifyEvent OnPopup;

private:
  TComponent* FPopupComponent = nullptr;
  TPopupAlignment FAlignment = paLeft;
};

// The menu bar of a form (TCustomForm::SetMenu): its top items sit in the form's menu row,
// which the window manager lays out and paints (owner-drawn top items when OwnerDraw is on or
// the item has a draw event); a click or the keyboard runs the menu-bar loop.
class TMainMenu : public TMenu {
  ORV_CLASS(TMainMenu, TMenu)
public:
  explicit TMainMenu(TComponent* AOwner);
  ~TMainMenu() override;
  bool IsOwnerDrawItem(const TMenuItem* Item) const override;
  // The window whose bar shows the menu (the form sets it), redrawn when items change.
  HWND WindowHandle() const { return FWindowHandle; }
  void SetWindowHandle(HWND Value) { FWindowHandle = Value; }
  // Where top item Index lies in the menu row (window coordinates of Wnd), or an empty rect.
  RECT ItemRect(HWND Wnd, int Index) const;
  int ItemAt(HWND Wnd, POINT WindowPt) const;
  // Opens top item Index at its place: runs it when it has no sub-items, else runs the
  // menu-bar loop with its drop-down open (the first row highlighted when ByKeyboard) and runs
  // the item chosen there.
  void OpenItem(HWND Wnd, int Index, bool ByKeyboard = false);
  // The keyboard menu command (SC_KEYMENU): Key 0 highlights the first item of the bar (Alt
  // alone, F10); a character opens the item whose caption marks it with "&". False when no
  // item has that accelerator.
  bool KeyMenu(HWND Wnd, char Key);
  // Merging a document form's menu into this one (the MDI form's): the bar shows this menu's top
  // items whose GroupIndex no top item of Menu has, with Menu's top items placed among them by
  // GroupIndex (before the first item of a higher group). Merge(nullptr) or Unmerge(Menu) ends it.
  void Merge(TMainMenu* Menu);
  void Unmerge(TMainMenu* Menu);
  TMainMenu* Merged() const { return FMerged; }
  // The top items the bar shows, merged as above.
  std::vector<TMenuItem*> MergedTopItems() const;

protected:
  bool IsBar() const override { return true; }
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  HWND FWindowHandle = nullptr;
  TMainMenu* FMerged = nullptr;
};
