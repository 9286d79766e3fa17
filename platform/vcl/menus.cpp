// Menus and popup menus over the API menus: each item with sub-items keeps an API popup menu
// in step with them, popup menus run TrackPopupMenu, and a main menu is the bar of its form's
// window. Owner-drawn rows come back here as WM_MEASUREITEM/WM_DRAWITEM and run the items'
// events.
#include "platform/vcl/menus.h"

#include <algorithm>
#include <cctype>
#include <map>

#include "platform/rtl/typinfo.h"
#include "platform/vcl/forms.h"

ORV_CLASS_IMPL(TMenuItem, TComponent)
ORV_CLASS_IMPL(TMenu, TComponent)
ORV_CLASS_IMPL(TPopupMenu, TMenu)
ORV_CLASS_IMPL(TMainMenu, TMenu)

namespace {

// Live items by command. Commands are 16-bit (WM_COMMAND carries the low word); a freed
// item's number is given out again.
std::map<int, TMenuItem*>& Commands() {
  static std::map<int, TMenuItem*> m;
  return m;
}

int NewCommand(TMenuItem* Item) {
  static int next = 0;
  for (int k = 0; k < 0xFFFF; ++k) {
    next = next % 0xFFFF + 1;
    if (!Commands().count(next)) {
      Commands()[next] = Item;
      return next;
    }
  }
  return 0;  // every number in use: the item cannot be chosen from a menu
}

}  // namespace

TMenuItem::TMenuItem(TComponent* AOwner)
    : TComponent(AOwner), FCommand(NewCommand(this)), FActionLink(this, [this](TAction* A) {
        const bool keep = FActionLink.CheckDefaults();  // loading: what was stored wins
        if (!keep || FCaption.empty()) FCaption = A->Caption();
        if (!keep || FEnabled) FEnabled = A->Enabled();
        if (!keep || !FChecked) FChecked = A->Checked();
        if (!keep || FVisible) FVisible = A->Visible();
        if (!keep || FShortCut == 0) FShortCut = A->ShortCut();
        if (!keep || FImageIndex == -1) FImageIndex = A->ImageIndex();
        MenuChanged();
      }) {}

void TMenuItem::Publish(TPublisher<TMenuItem>& P) {
  P.Prop("Action", &TMenuItem::Action, &TMenuItem::SetAction);
  P.Prop("AutoCheck", &TMenuItem::AutoCheck, &TMenuItem::SetAutoCheck).Default(false);
  P.Prop("Bitmap", &TMenuItem::Bitmap, &TMenuItem::SetBitmap).Stored(&TMenuItem::HasBitmap);
  P.Prop("Break", &TMenuItem::Break, &TMenuItem::SetBreak).Default(mbNone);
  P.Prop("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption).Type("TCaption");
  P.Prop("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked).Default(false);
  P.Prop("Default", &TMenuItem::Default, &TMenuItem::SetDefault).Default(false);
  P.Prop("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled).Default(true);
  P.Prop("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex).Default(0);
  P.Prop("HelpContext", &TMenuItem::HelpContext, &TMenuItem::SetHelpContext)
      .Type("THelpContext")
      .Default(0);
  P.Prop("Hint", &TMenuItem::Hint, &TMenuItem::SetHint);
  P.Prop("ImageIndex", &TMenuItem::ImageIndex, &TMenuItem::SetImageIndex).Default(-1);
  P.Prop("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem).Default(false);
  P.Prop("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut).Type("TShortCut").Default(0);
  P.Prop("SubMenuImages", &TMenuItem::SubMenuImages, &TMenuItem::SetSubMenuImages);
  P.Prop("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible).Default(true);
  P.Event("OnClick", &TMenuItem::OnClick).Type("TNotifyEvent");
  P.Event("OnMeasureItem", &TMenuItem::OnMeasureItem).Type("TMenuMeasureItemEvent");
  P.Event("OnDrawItem", &TMenuItem::OnDrawItem).Type("TMenuDrawItemEvent");
  P.Event("OnAdvancedDrawItem", &TMenuItem::OnAdvancedDrawItem).Type("TAdvancedMenuDrawItemEvent");
}

TComponent* TMenuItem::GetParentComponent() const {
  if (FParent && FParent->FMenu) return FParent->FMenu;
  return FParent;
}

void TMenuItem::SetParentComponent(TComponent* Value) {
  if (FParent) FParent->Remove(this);
  if (auto* menu = dynamic_cast<TMenu*>(Value)) menu->Items()->Add(this);
  else if (auto* item = dynamic_cast<TMenuItem*>(Value)) item->Add(this);
}

void TMenuItem::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  for (TMenuItem* i : std::vector<TMenuItem*>(FItems))
    if (i->Owner() == Root) Proc(i);
}

void TMenuItem::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation != opRemove) return;
  FActionLink.Removed(AComponent);
  if (AComponent == FSubMenuImages) FSubMenuImages = nullptr;
}

TMenuItem::~TMenuItem() {
  if (FParent) FParent->Remove(this);
  for (TMenuItem* i : FItems) i->FParent = nullptr;
  if (FCommand) Commands().erase(FCommand);
  // The API menu goes without its sub-menus: they belong to the sub-items.
  if (FHandle) {
    while (GetMenuItemCount(FHandle) > 0) RemoveMenu(FHandle, 0, MF_BYPOSITION);
    DestroyMenu(FHandle);
  }
}

void TMenuItem::SetCaption(const std::string& Value) {
  FCaption = Value;
  MenuChanged();
}
void TMenuItem::SetEnabled(bool Value) {
  FEnabled = Value;
  MenuChanged();
}
void TMenuItem::SetVisible(bool Value) {
  FVisible = Value;
  MenuChanged(true);
}
void TMenuItem::SetChecked(bool Value) {
  FChecked = Value;
  if (Value && FRadioItem && FParent)
    for (TMenuItem* i : FParent->FItems)
      if (i != this && i->FRadioItem && i->FGroupIndex == FGroupIndex && i->FChecked) {
        i->FChecked = false;
        i->MenuChanged(false);
      }
  MenuChanged();
}
void TMenuItem::SetShortCut(TShortCut Value) {
  FShortCut = Value;
  MenuChanged();
}

void TMenuItem::SetBreak(TMenuBreak Value) {
  FBreak = Value;
  MenuChanged();
}
void TMenuItem::SetDefault(bool Value) {
  FDefault = Value;
  MenuChanged();
}
void TMenuItem::SetRadioItem(bool Value) {
  FRadioItem = Value;
  MenuChanged();
}
void TMenuItem::SetImageIndex(int Value) {
  FImageIndex = Value;
  MenuChanged();
}

void TMenuItem::SetSubMenuImages(TImageList* Value) {
  FSubMenuImages = Value;
  if (Value) Value->FreeNotification(this);
  RebuildHandle();
}

TBitmap* TMenuItem::Bitmap() {
  if (!FBitmap) FBitmap = std::make_unique<TBitmap>();
  return FBitmap.get();
}

void TMenuItem::SetBitmap(TBitmap* Value) {
  if (Value) Bitmap()->Assign(Value);
  else FBitmap.reset();
  MenuChanged();
}

bool TMenuItem::HasBitmap() const { return FBitmap && !FBitmap->Empty(); }

TImageList* TMenuItem::GetImageList() const {
  for (const TMenuItem* p = FParent; p; p = p->FParent)
    if (p->FSubMenuImages) return p->FSubMenuImages;
  TMenu* m = GetParentMenu();
  return m ? m->Images() : nullptr;
}

void TMenuItem::Add(TMenuItem* Item) { Insert(Count(), Item); }

void TMenuItem::Insert(int Index, TMenuItem* Item) {
  if (!Item || Item == this) return;
  if (Item->FParent) Item->FParent->Remove(Item);
  Item->FParent = this;
  Index = std::clamp(Index, 0, Count());
  FItems.insert(FItems.begin() + Index, Item);
  RebuildHandle();
  MenuChanged(false);  // the item may just have become a sub-menu
}

void TMenuItem::Remove(TMenuItem* Item) {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  if (it == FItems.end()) return;
  FItems.erase(it);
  Item->FParent = nullptr;
  RebuildHandle();
  MenuChanged();
}

int TMenuItem::IndexOf(TMenuItem* Item) const {
  auto it = std::find(FItems.begin(), FItems.end(), Item);
  return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* i = this;
  while (i->FParent) i = i->FParent;
  return i->FMenu;
}

TMenuItem* TMenuItem::FindCommand(int Command) {
  auto it = Commands().find(Command);
  return it == Commands().end() ? nullptr : it->second;
}

HMENU TMenuItem::Handle() {
  if (!FHandle) {
    FHandle = (FMenu && FMenu->IsBar()) ? CreateMenu() : CreatePopupMenu();
    RebuildHandle();
  }
  return FHandle;
}

MENUITEMINFOA TMenuItem::EntryOf(TMenuItem* Item, std::string& Text) {
  TMenu* menu = GetParentMenu();
  MENUITEMINFOA mii{};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_DATA | MIIM_STRING | MIIM_SUBMENU;
  // Separators stay separators even in owner-drawn menus.
  bool separator = Item->FCaption == "-";
  mii.fType = separator ? MFT_SEPARATOR : (menu && menu->IsOwnerDrawItem(Item)) ? MFT_OWNERDRAW : MFT_STRING;
  if (Item->FRadioItem) mii.fType |= MFT_RADIOCHECK;
  if (Item->FBreak != mbNone) mii.fType |= Item->FBreak == mbBreak ? MFT_MENUBREAK : MFT_MENUBARBREAK;
  mii.fState = (Item->FEnabled ? 0u : UINT(MFS_GRAYED)) | (Item->FChecked ? UINT(MFS_CHECKED) : 0u) |
               (Item->FDefault ? UINT(MFS_DEFAULT) : 0u);
  mii.wID = static_cast<UINT>(Item->FCommand);
  mii.dwItemData = static_cast<ULONG_PTR>(Item->FCommand);
  // Rows of popups show the shortcut after a tab; the bar shows captions only.
  Text = Item->FCaption;
  std::string keys = ShortCutToText(Item->FShortCut);
  if (!(FMenu && FMenu->IsBar()) && !keys.empty()) Text += "\t" + keys;
  mii.dwTypeData = Text.data();
  mii.hSubMenu = Item->FItems.empty() ? nullptr : Item->Handle();
  return mii;
}

void TMenuItem::RedrawBar() const {
  auto* mm = dynamic_cast<TMainMenu*>(FMenu);
  if (mm && mm->WindowHandle() && GetMenu(mm->WindowHandle()) == FHandle) DrawMenuBar(mm->WindowHandle());
}

void TMenuItem::MenuChanged(bool Rebuild) {
  if (!FParent || !FParent->FHandle) return;
  if (Rebuild || !FVisible) {
    FParent->RebuildHandle();
    return;
  }
  // The entry is changed where it is, so items others put into the same API menu stay.
  HMENU h = FParent->FHandle;
  for (int pos = 0; pos < GetMenuItemCount(h); ++pos) {
    MENUITEMINFOA q{};
    q.cbSize = sizeof q;
    q.fMask = MIIM_DATA | MIIM_ID;
    if (!GetMenuItemInfo(h, static_cast<UINT>(pos), TRUE, &q)) continue;
    if (q.dwItemData != static_cast<ULONG_PTR>(FCommand) || q.wID != static_cast<UINT>(FCommand)) continue;
    std::string text;
    MENUITEMINFOA mii = FParent->EntryOf(this, text);
    SetMenuItemInfo(h, static_cast<UINT>(pos), TRUE, &mii);
    FParent->RedrawBar();
    return;
  }
  FParent->RebuildHandle();  // not in the menu yet (it was hidden)
}

void TMenuItem::RebuildHandle() {
  if (!FHandle) return;
  while (GetMenuItemCount(FHandle) > 0) RemoveMenu(FHandle, 0, MF_BYPOSITION);
  // A main menu's bar with a document form's menu merged in shows the merged top items; each is
  // described by its own menu's root.
  auto* bar = dynamic_cast<TMainMenu*>(FMenu);
  const bool merged = bar && bar->Merged() && this == bar->Items();
  std::vector<TMenuItem*> top = merged ? bar->MergedTopItems() : FItems;
  for (TMenuItem* it : top) {
    if (!it->FVisible) continue;
    std::string text;
    TMenuItem* root = it->FParent ? it->FParent : this;
    MENUITEMINFOA mii = root->EntryOf(it, text);
    InsertMenuItem(FHandle, static_cast<UINT>(-1), TRUE, &mii);
  }
  RedrawBar();
}

TMenuItem* TMenuItem::FindShortCut(TShortCut ShortCut) const {
  if (ShortCut == 0) return nullptr;
  for (TMenuItem* i : FItems) {
    if (!i->FEnabled || !i->FVisible) continue;
    if (i->FShortCut == ShortCut) return i;
    if (TMenuItem* sub = i->FindShortCut(ShortCut)) return sub;
  }
  return nullptr;
}

void TMenuItem::Click() {
  if (!FEnabled) return;
  if (FAutoCheck) SetChecked(FRadioItem || !FChecked);
  if (OnClick) OnClick(this);
  else FActionLink.Execute();
}

std::string StripHotkey(const std::string& Text) {
  std::string out;
  for (size_t i = 0; i < Text.size(); ++i) {
    if (Text[i] == '&' && i + 1 < Text.size()) ++i;
    out += Text[i];
  }
  return out;
}

// ---- TMenu ----
TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)) {
  FItems->FMenu = this;
}

TMenu::~TMenu() = default;

void TMenu::Publish(TPublisher<TMenu>& P) {
  P.Prop("AutoHotkeys", &TMenu::AutoHotkeys, &TMenu::SetAutoHotkeys).Default(maAutomatic);
  P.Prop("BiDiMode", &TMenu::BiDiMode, &TMenu::SetBiDiMode).Default(bdLeftToRight).Stored(&TMenu::IsBiDiModeStored);
  P.Prop("Images", &TMenu::Images, &TMenu::SetImages);
  P.Prop("OwnerDraw", &TMenu::OwnerDraw, &TMenu::SetOwnerDraw).Default(false);
  P.Prop("ParentBiDiMode", &TMenu::ParentBiDiMode, &TMenu::SetParentBiDiMode).Default(true);
}

TBiDiMode TMenu::BiDiMode() const {
  if (!FParentBiDiMode) return FBiDiMode;
  if (auto* c = dynamic_cast<const TControl*>(Owner())) return c->BiDiMode();
  return FBiDiMode;
}

void TMenu::GetChildren(const TGetChildProc& Proc, TComponent* Root) {
  FItems->GetChildren(Proc, Root);
}

void TPopupMenu::Publish(TPublisher<TPopupMenu>& P) {
  P.Prop("Alignment", &TPopupMenu::Alignment, &TPopupMenu::SetAlignment).Default(paLeft);
  P.Event("OnPopup", &TPopupMenu::OnPopup).Type("TNotifyEvent");
}

void TMenu::SetOwnerDraw(bool Value) {
  FOwnerDraw = Value;
  Rebuild();
}

void TMenu::SetImages(TImageList* Value) {
  FImages = Value;
  if (Value) Value->FreeNotification(this);
  Rebuild();
}

void TMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TComponent::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FImages) {
    FImages = nullptr;
    Rebuild();
  }
}

// Rows with an image are drawn here (the window manager draws text only).
bool TMenu::IsOwnerDrawItem(const TMenuItem* Item) const {
  TImageList* images = Item->GetImageList();
  return FOwnerDraw || (images && Item->ImageIndex() >= 0 && Item->ImageIndex() < images->Count()) ||
         Item->HasBitmap();
}

void TMenu::Rebuild() {
  // Depth first, so each level's sub-menus are up to date when it is refilled.
  std::function<void(TMenuItem*)> walk = [&walk](TMenuItem* i) {
    for (int k = 0; k < i->Count(); ++k) walk(i->Items(k));
    i->RebuildHandle();
  };
  walk(FItems.get());
}

TMenuItem* TMenu::FindItem(intptr_t Value, TFindItemKind Kind) const {
  std::function<TMenuItem*(TMenuItem*)> walk = [&](TMenuItem* i) -> TMenuItem* {
    for (int k = 0; k < i->Count(); ++k) {
      TMenuItem* it = i->Items(k);
      bool hit = Kind == fkCommand    ? it->FCommand == Value
                 : Kind == fkHandle   ? it->FHandle && reinterpret_cast<intptr_t>(it->FHandle) == Value
                                      : Value != 0 && it->FShortCut == Value;
      if (hit) return it;
      if (TMenuItem* sub = walk(it)) return sub;
    }
    return nullptr;
  };
  if (Kind == fkHandle && FItems->FHandle && reinterpret_cast<intptr_t>(FItems->FHandle) == Value) return FItems.get();
  return walk(FItems.get());
}

bool TMenu::DispatchCommand(WORD ACommand) {
  TMenuItem* it = FindItem(ACommand, fkCommand);
  if (!it) return false;
  it->Click();
  return true;
}

bool TMenu::IsShortCut(TShortCut ShortCut) {
  TMenuItem* it = FItems->FindShortCut(ShortCut);
  if (!it) return false;
  it->Click();
  return true;
}

namespace {

TOwnerDrawState StateOf(UINT s) {
  TOwnerDrawState st;
  const std::pair<UINT, TOwnerDrawStateItem> map[] = {
      {ODS_SELECTED, odSelected}, {ODS_GRAYED, odGrayed},   {ODS_DISABLED, odDisabled},   {ODS_CHECKED, odChecked},
      {ODS_FOCUS, odFocused},     {ODS_DEFAULT, odDefault}, {ODS_HOTLIGHT, odHotLight},   {ODS_INACTIVE, odInactive},
      {ODS_NOACCEL, odNoAccel},   {ODS_NOFOCUSRECT, odNoFocusRect}};
  for (const auto& [bit, item] : map)
    if (s & bit) st += item;
  return st;
}

bool IsTopOfBar(const TMenuItem* Item) {
  TMenu* m = Item->GetParentMenu();
  return dynamic_cast<TMainMenu*>(m) && Item->Parent() == m->Items();
}

// The row as the menu paints it, for owner-drawn items without a draw event.
void DrawDefault(TMenuItem* Item, TCanvas* C, RECT R, TOwnerDrawState State) {
  bool top = IsTopOfBar(Item);
  bool hot = (State.Contains(odSelected) || State.Contains(odHotLight)) && Item->Enabled();
  C->Brush()->SetStyle(bsSolid);
  C->Brush()->SetColor(hot ? clHighlight : clMenu);
  C->FillRect(R);
  C->Brush()->SetStyle(bsClear);
  C->Font()->SetColor(!Item->Enabled() ? clGrayText : hot ? clHighlightText : clMenuText);
  UINT prefix = State.Contains(odNoAccel) ? UINT(DT_HIDEPREFIX) : 0u;
  RECT t = R;
  if (top) {
    DrawText(C->Handle(), Item->Caption().c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | DT_CENTER | prefix);
    return;
  }
  TImageList* images = Item->GetImageList();
  int index = Item->ImageIndex();
  if (images && index >= 0 && index < images->Count()) {
    images->Draw(C, R.left + 2, R.top + (R.bottom - R.top - images->Height()) / 2, index, Item->Enabled());
    t.left += std::max(20, images->Width() + 6);
  } else if (Item->HasBitmap()) {
    int top = R.top + (R.bottom - R.top - 16) / 2;
    C->StretchDraw(RECT{R.left + 2, top, R.left + 18, top + 16}, Item->Bitmap());
    t.left += 20;
  } else {
    t.left += 20;
    if (Item->Checked()) C->TextOut(R.left + 5, R.top + 3, Item->RadioItem() ? "o" : "v");
  }
  C->Font()->SetStyle(Item->Default() ? TFontStyles{fsBold} : TFontStyles{});
  DrawText(C->Handle(), Item->Caption().c_str(), -1, &t, DT_SINGLELINE | DT_VCENTER | prefix);
  std::string sc = ShortCutToText(Item->ShortCut());
  if (!sc.empty()) {
    RECT k = R;
    k.right -= 16;
    DrawText(C->Handle(), sc.c_str(), -1, &k, DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
  }
}

// A canvas over a DC with the menu font and colours, given back on scope exit.
struct TMenuCanvas {
  TCanvas Canvas;
  explicit TMenuCanvas(HDC DC) {
    Canvas.SetHandle(DC);
    // The menu font, so default sizes match the rows the window manager measures itself.
    LOGFONTA lf{};
    if (GetObject(GetStockObject(DEFAULT_GUI_FONT), sizeof lf, &lf) == sizeof lf) Canvas.Font()->SetLogFont(lf);
    Canvas.Font()->SetColor(clMenuText);
    Canvas.Brush()->SetColor(clMenu);
  }
  ~TMenuCanvas() { Canvas.SetHandle(nullptr); }
};

}  // namespace

bool MenuOwnerMessage(TMessage& M) {
  switch (M.Msg) {
    case WM_COMMAND: {
      if (M.LParam != 0 || HIWORD(M.WParam) != 0) return false;
      TMenuItem* it = TMenuItem::FindCommand(LOWORD(M.WParam));
      if (!it || !it->GetParentMenu()) return false;
      it->Click();
      M.Result = 0;
      return true;
    }
    case WM_MENUSELECT: {
      if (HIWORD(M.WParam) == 0xFFFF && M.LParam == 0) {
        Application()->SetHint("");
        return false;
      }
      // A sub-menu item comes by its position in the menu, any other by its command.
      TMenuItem* it = nullptr;
      HMENU menu = reinterpret_cast<HMENU>(M.LParam);
      if (HIWORD(M.WParam) & MF_POPUP) {
        HMENU sub = GetSubMenu(menu, LOWORD(M.WParam));
        for (const auto& [cmd, item] : Commands())
          if (sub && item->FHandle == sub) it = item;
      } else {
        it = TMenuItem::FindCommand(LOWORD(M.WParam));
      }
      if (it) Application()->SetHint(GetLongHint(it->Hint()));
      return false;  // others may want it too
    }
    case WM_MENUCHAR: {
      // The item whose API menu this is; its visible sub-items are the menu's rows.
      HMENU menu = reinterpret_cast<HMENU>(M.LParam);
      TMenuItem* parent = nullptr;
      for (const auto& [cmd, item] : Commands())
        if (item->FHandle && item->FHandle == menu) parent = item;
      if (!parent) return false;
      char key = static_cast<char>(std::tolower(LOWORD(M.WParam) & 0xFF));
      int pos = 0;
      for (TMenuItem* it : parent->FItems) {
        if (!it->FVisible) continue;
        std::string c = it->FCaption;
        size_t amp = c.find('&');
        while (amp != std::string::npos && amp + 1 < c.size() && c[amp + 1] == '&') amp = c.find('&', amp + 2);
        if (amp != std::string::npos && amp + 1 < c.size() &&
            std::tolower(static_cast<unsigned char>(c[amp + 1])) == static_cast<unsigned char>(key)) {
          M.Result = MAKELRESULT(static_cast<WORD>(pos), MNC_EXECUTE);
          return true;
        }
        ++pos;
      }
      return false;
    }
    case WM_MEASUREITEM: {
      auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(M.LParam);
      if (!mis || mis->CtlType != ODT_MENU) return false;
      TMenuItem* it = TMenuItem::FindCommand(static_cast<int>(mis->itemData));
      if (!it) return false;
      HDC dc = GetDC(nullptr);
      {
        TMenuCanvas mc(dc);
        // The row starts at the size the menu would give it; the event may change it.
        int w = mc.Canvas.TextWidth(StripHotkey(it->Caption())) + (IsTopOfBar(it) ? 16 : 40);
        std::string sc = ShortCutToText(it->ShortCut());
        if (!sc.empty() && !IsTopOfBar(it)) w += 16 + mc.Canvas.TextWidth(sc);
        int h = static_cast<int>(mis->itemHeight);
        if (it->OnMeasureItem) it->OnMeasureItem(it, &mc.Canvas, w, h);
        mis->itemWidth = static_cast<UINT>(std::max(w, 1));
        mis->itemHeight = static_cast<UINT>(std::max(h, 1));
      }
      ReleaseDC(nullptr, dc);
      M.Result = TRUE;
      return true;
    }
    case WM_DRAWITEM: {
      auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(M.LParam);
      if (!dis || dis->CtlType != ODT_MENU) return false;
      TMenuItem* it = TMenuItem::FindCommand(static_cast<int>(dis->itemData));
      if (!it) return false;
      TMenuCanvas mc(dis->hDC);
      TOwnerDrawState st = StateOf(dis->itemState);
      if (it->OnAdvancedDrawItem) it->OnAdvancedDrawItem(it, &mc.Canvas, dis->rcItem, st);
      else if (it->OnDrawItem) it->OnDrawItem(it, &mc.Canvas, dis->rcItem, st.Contains(odSelected) || st.Contains(odHotLight));
      else DrawDefault(it, &mc.Canvas, dis->rcItem, st);
      M.Result = TRUE;
      return true;
    }
  }
  return false;
}

// ---- TPopupMenu ----
namespace {

// The hidden window that owns tracked popup menus and hands their messages to the items.
LRESULT PopupListProc(HWND W, UINT Msg, WPARAM WP, LPARAM LP) {
  TMessage m{Msg, WP, LP, 0};
  if (MenuOwnerMessage(m)) return m.Result;
  return DefWindowProc(W, Msg, WP, LP);
}

}  // namespace

HWND PopupListWindow() {
  static thread_local HWND wnd = nullptr;
  if (wnd && IsWindow(wnd)) return wnd;
  WNDCLASSA existing;
  if (!GetClassInfo(nullptr, "TPUtilWindow", &existing)) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = PopupListProc;
    wc.lpszClassName = "TPUtilWindow";
    RegisterClass(&wc);
  }
  wnd = CreateWindowEx(0, "TPUtilWindow", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  return wnd;
}

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}
TPopupMenu::~TPopupMenu() = default;

void TPopupMenu::Popup(int X, int Y) {
  if (OnPopup) OnPopup(this);
  Rebuild();
  UINT align = FAlignment == paRight ? UINT(TPM_RIGHTALIGN) : FAlignment == paCenter ? UINT(TPM_CENTERALIGN) : 0u;
  UINT id = static_cast<UINT>(
      TrackPopupMenu(Handle(), align | TPM_RIGHTBUTTON | TPM_RETURNCMD, X, Y, 0, PopupListWindow(), nullptr));
  // The item runs after the menu has closed, as a posted WM_COMMAND would.
  TMessage m{WM_COMMAND, id, 0, 0};
  if (id) MenuOwnerMessage(m);
}

void PopupMenuAt(TPopupMenu* Menu, TControl* PopupComponent, int X, int Y) {
  if (!Menu) return;
  Menu->SetPopupComponent(PopupComponent);
  Menu->Popup(X, Y);
}

// ---- TMainMenu ----
TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}
TMainMenu::~TMainMenu() {
  if (FWindowHandle && IsWindow(FWindowHandle) && GetMenu(FWindowHandle) == FItems->Handle()) ::SetMenu(FWindowHandle, nullptr);
}

bool TMainMenu::IsOwnerDrawItem(const TMenuItem* Item) const {
  if (Item->Parent() == FItems.get()) return FOwnerDraw || Item->OnDrawItem || Item->OnAdvancedDrawItem;
  return TMenu::IsOwnerDrawItem(Item);
}

namespace {

// The position of top item Index among the visible ones (the API menu holds only those), or -1.
int VisiblePos(const std::vector<TMenuItem*>& Top, int Index) {
  if (Index < 0 || Index >= static_cast<int>(Top.size()) || !Top[Index]->Visible()) return -1;
  int pos = 0;
  for (int i = 0; i < Index; ++i)
    if (Top[i]->Visible()) ++pos;
  return pos;
}

}  // namespace

void TMainMenu::Merge(TMainMenu* Menu) {
  if (Menu == this) Menu = nullptr;
  if (FMerged == Menu) return;
  if (FMerged) FMerged->RemoveFreeNotification(this);
  FMerged = Menu;
  if (Menu) Menu->FreeNotification(this);
  FItems->RebuildHandle();
}

void TMainMenu::Unmerge(TMainMenu* Menu) {
  if (Menu && Menu == FMerged) Merge(nullptr);
}

void TMainMenu::Notification(TComponent* AComponent, TOperation Operation) {
  TMenu::Notification(AComponent, Operation);
  if (Operation == opRemove && AComponent == FMerged) {
    FMerged = nullptr;
    FItems->RebuildHandle();
  }
}

std::vector<TMenuItem*> TMainMenu::MergedTopItems() const {
  std::vector<TMenuItem*> out;
  std::vector<int> childGroups;
  if (FMerged)
    for (int i = 0; i < FMerged->Items()->Count(); ++i) childGroups.push_back(FMerged->Items()->Items(i)->GroupIndex());
  for (int i = 0; i < FItems->Count(); ++i) {
    TMenuItem* it = FItems->Items(i);
    if (std::find(childGroups.begin(), childGroups.end(), it->GroupIndex()) == childGroups.end()) out.push_back(it);
  }
  if (!FMerged) return out;
  for (int i = 0; i < FMerged->Items()->Count(); ++i) {
    TMenuItem* it = FMerged->Items()->Items(i);
    auto at = std::find_if(out.begin(), out.end(), [it](TMenuItem* o) { return o->GroupIndex() > it->GroupIndex(); });
    out.insert(at, it);
  }
  return out;
}

RECT TMainMenu::ItemRect(HWND Wnd, int Index) const {
  int pos = VisiblePos(MergedTopItems(), Index);
  RECT r{0, 0, 0, 0}, wr;
  if (pos < 0 || !GetMenuItemRect(Wnd, FItems->Handle(), static_cast<UINT>(pos), &r)) return RECT{0, 0, 0, 0};
  GetWindowRect(Wnd, &wr);
  OffsetRect(&r, -wr.left, -wr.top);
  return r;
}

int TMainMenu::ItemAt(HWND Wnd, POINT WindowPt) const {
  const int n = static_cast<int>(MergedTopItems().size());
  for (int i = 0; i < n; ++i) {
    RECT r = ItemRect(Wnd, i);
    if (PtInRect(&r, WindowPt)) return i;
  }
  return -1;
}

void TMainMenu::OpenItem(HWND Wnd, int Index, bool ByKeyboard) {
  std::vector<TMenuItem*> top = MergedTopItems();
  int pos = VisiblePos(top, Index);
  if (pos < 0) return;
  TMenuItem* it = top[Index];
  if (!it->Enabled()) return;
  if (it->Count() == 0 && ByKeyboard) {
    it->Click();
    return;
  }
  if (GetMenu(Wnd) != FItems->Handle()) return;
  UINT_PTR id = TrackMenuBar(Wnd, pos, TRUE, ByKeyboard);
  TMessage m{WM_COMMAND, id, 0, 0};
  if (id) MenuOwnerMessage(m);
}

bool TMainMenu::KeyMenu(HWND Wnd, char Key) {
  if (Key == 0) {
    if (GetMenu(Wnd) != FItems->Handle() || GetMenuItemCount(FItems->Handle()) <= 0) return false;
    UINT_PTR id = TrackMenuBar(Wnd, 0, FALSE, TRUE);
    TMessage m{WM_COMMAND, id, 0, 0};
    if (id) MenuOwnerMessage(m);
    return true;
  }
  // The first visible, enabled item whose caption marks Key ("&F" in "&File", any case; "&&"
  // is a literal ampersand).
  auto lower = [](char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); };
  std::vector<TMenuItem*> top = MergedTopItems();
  for (int i = 0; i < static_cast<int>(top.size()); ++i) {
    TMenuItem* it = top[i];
    if (!it->Visible() || !it->Enabled()) continue;
    const std::string& c = it->Caption();
    for (size_t k = 0; k + 1 < c.size(); ++k) {
      if (c[k] != '&') continue;
      if (c[k + 1] == '&') {
        ++k;
        continue;
      }
      if (lower(c[k + 1]) == lower(Key)) {
        OpenItem(Wnd, i, true);
        return true;
      }
      break;
    }
  }
  return false;
}

// ---- Shortcuts ----
namespace {

struct TKeyName {
  WORD Key;
  const char* Name;
};
const TKeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},  {VK_TAB, "Tab"},    {VK_ESCAPE, "Esc"}, {VK_RETURN, "Enter"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"},  {VK_END, "End"},    {VK_HOME, "Home"},    {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"}, {VK_INSERT, "Ins"},   {VK_DELETE, "Del"},
};

std::string KeyName(WORD Key) {
  if ((Key >= 'A' && Key <= 'Z') || (Key >= '0' && Key <= '9')) return std::string(1, static_cast<char>(Key));
  if (Key >= VK_F1 && Key <= VK_F1 + 11) return "F" + std::to_string(Key - VK_F1 + 1);
  for (const TKeyName& k : kKeyNames)
    if (k.Key == Key) return k.Name;
  return {};
}

bool SameText(const std::string& A, const char* B) {
  size_t n = std::char_traits<char>::length(B);
  if (A.size() != n) return false;
  for (size_t i = 0; i < n; ++i)
    if (std::tolower(static_cast<unsigned char>(A[i])) != std::tolower(static_cast<unsigned char>(B[i]))) return false;
  return true;
}

}  // namespace

TShortCut ShortCut(WORD Key, TShiftState Shift) {
  if (Key == 0 || Key > 0xFF) return 0;
  TShortCut s = Key;
  if (Shift.Contains(ssShift)) s |= scShift;
  if (Shift.Contains(ssCtrl)) s |= scCtrl;
  if (Shift.Contains(ssAlt)) s |= scAlt;
  return s;
}

void ShortCutToKey(TShortCut ShortCut, WORD& Key, TShiftState& Shift) {
  Key = static_cast<WORD>(ShortCut & 0xFF);
  Shift = TShiftState();
  if (ShortCut & scShift) Shift += ssShift;
  if (ShortCut & scCtrl) Shift += ssCtrl;
  if (ShortCut & scAlt) Shift += ssAlt;
}

std::string ShortCutToText(TShortCut ShortCut) {
  std::string name = KeyName(static_cast<WORD>(ShortCut & 0xFF));
  if (name.empty()) return {};
  std::string out;
  if (ShortCut & scShift) out += "Shift+";
  if (ShortCut & scCtrl) out += "Ctrl+";
  if (ShortCut & scAlt) out += "Alt+";
  return out + name;
}

TShortCut TextToShortCut(const std::string& Text) {
  TShortCut mods = 0;
  size_t pos = 0;
  // Modifier words end with '+'; the last part is the key (which may itself be "+" only as a
  // character key, which has no name here).
  for (;;) {
    size_t plus = Text.find('+', pos);
    if (plus == std::string::npos || plus + 1 >= Text.size()) break;
    std::string word = Text.substr(pos, plus - pos);
    if (SameText(word, "Shift")) mods |= scShift;
    else if (SameText(word, "Ctrl")) mods |= scCtrl;
    else if (SameText(word, "Alt")) mods |= scAlt;
    else return 0;
    pos = plus + 1;
  }
  std::string key = Text.substr(pos);
  if (key.empty()) return 0;
  for (int k = 1; k <= 0xFF; ++k) {
    std::string name = KeyName(static_cast<WORD>(k));
    if (!name.empty() && SameText(key, name.c_str())) return mods | k;
  }
  return 0;
}
