// Menus of the API: item lists made with CreateMenu/CreatePopupMenu, filled and changed with
// AppendMenu, InsertMenu(Item), SetMenuItemInfo and friends. Showing and running them is in
// wnd_menu2.cpp.
#include <algorithm>
#include <cstddef>
#include <set>

#include "platform/win/wnd_menu_internal.h"

namespace {

// Menus made here; other HMENU values (a class library's own bar object) are never used as
// item lists.
std::set<TApiMenu*>& Menus() {
  static thread_local std::set<TApiMenu*> m;
  return m;
}

HMENU Make(bool bar) {
  auto* m = new TApiMenu;
  m->Bar = bar;
  Menus().insert(m);
  return reinterpret_cast<HMENU>(m);
}

// Where an item is: its menu and index (found by position, or by id at any depth).
struct TItemRef {
  TApiMenu* Menu = nullptr;
  size_t Index = 0;
  TApiMenuItem* Item() const { return &Menu->Items[Index]; }
};

bool FindById(TApiMenu* m, UINT id, TItemRef& out, int depth = 0) {
  if (!m || depth > 32) return false;  // a menu inserted into itself must not loop forever
  for (size_t i = 0; i < m->Items.size(); ++i) {
    TApiMenuItem& it = m->Items[i];
    if (!(it.Flags & MF_POPUP) && it.Id == id) {
      out = {m, i};
      return true;
    }
    if ((it.Flags & MF_POPUP) && FindById(FindApiMenu(it.Sub), id, out, depth + 1)) return true;
  }
  // A sub-menu item may also be found by its handle, as the original allows.
  for (size_t i = 0; i < m->Items.size(); ++i)
    if ((m->Items[i].Flags & MF_POPUP) && reinterpret_cast<UINT_PTR>(m->Items[i].Sub) == id) {
      out = {m, i};
      return true;
    }
  return false;
}

bool Locate(HMENU menu, UINT item, bool byPosition, TItemRef& out) {
  TApiMenu* m = FindApiMenu(menu);
  if (!m) return false;
  if (byPosition) {
    if (item >= m->Items.size()) return false;
    out = {m, item};
    return true;
  }
  return FindById(m, item, out);
}

constexpr UINT kTypeBits = MF_BITMAP | MF_MENUBARBREAK | MF_MENUBREAK | MF_OWNERDRAW | MF_SEPARATOR | MFT_RADIOCHECK |
                           MFT_RIGHTORDER | MFT_RIGHTJUSTIFY;
constexpr UINT kStateBits = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_HILITE | MF_DEFAULT;

// A new item from AppendMenu/InsertMenu arguments; false for a sub-menu that is no menu.
bool FromFlags(UINT flags, UINT_PTR id, LPCSTR text, TApiMenuItem& it) {
  it.Flags = flags & (kTypeBits | kStateBits | MF_POPUP);
  if (flags & MF_POPUP) {
    it.Sub = reinterpret_cast<HMENU>(id);
    if (!FindApiMenu(it.Sub)) return false;
  } else {
    it.Id = id;
  }
  // Owner-drawn items keep the pointer-sized argument as their data, as the original does.
  if (flags & MF_OWNERDRAW) it.Data = reinterpret_cast<ULONG_PTR>(text);
  else if (!(flags & MF_SEPARATOR) && text) it.Text = text;
  return true;
}

bool Insert(TApiMenu* m, size_t at, TApiMenuItem it) {
  if (it.Sub == reinterpret_cast<HMENU>(m)) return false;  // a menu cannot hold itself
  m->Items.insert(m->Items.begin() + static_cast<std::ptrdiff_t>(std::min(at, m->Items.size())), std::move(it));
  return true;
}

void Apply(TApiMenuItem& it, const MENUITEMINFOA& info) {
  if (info.fMask & (MIIM_TYPE | MIIM_FTYPE)) it.Flags = (it.Flags & ~kTypeBits) | (info.fType & kTypeBits);
  if (info.fMask & MIIM_STATE) it.Flags = (it.Flags & ~kStateBits) | (info.fState & kStateBits);
  if (info.fMask & MIIM_ID) it.Id = info.wID;
  if (info.fMask & MIIM_SUBMENU) {
    it.Sub = FindApiMenu(info.hSubMenu) ? info.hSubMenu : nullptr;
    it.Flags = it.Sub ? (it.Flags | MF_POPUP) : (it.Flags & ~MF_POPUP);
  }
  if (info.fMask & MIIM_DATA) it.Data = info.dwItemData;
  bool textType = (info.fMask & MIIM_TYPE) && !(info.fType & (MFT_SEPARATOR | MFT_OWNERDRAW | MFT_BITMAP));
  if ((info.fMask & MIIM_STRING) || textType) it.Text = info.dwTypeData ? info.dwTypeData : "";
}

void DestroyTree(TApiMenu* m, int depth = 0) {
  if (!m || depth > 32 || !Menus().count(m)) return;
  Menus().erase(m);
  for (TApiMenuItem& it : m->Items)
    if (it.Flags & MF_POPUP) DestroyTree(FindApiMenu(it.Sub), depth + 1);
  delete m;
}

}  // namespace

TApiMenu* FindApiMenu(HMENU h) {
  auto* p = reinterpret_cast<TApiMenu*>(h);
  return Menus().count(p) ? p : nullptr;
}

HMENU CreateMenu() { return Make(true); }
HMENU CreatePopupMenu() { return Make(false); }
BOOL IsMenu(HMENU menu) { return FindApiMenu(menu) != nullptr; }

BOOL DestroyMenu(HMENU menu) {
  TApiMenu* m = FindApiMenu(menu);
  if (!m || MenuInUse(menu)) return FALSE;
  DestroyTree(m);
  return TRUE;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id, LPCSTR text) {
  return InsertMenu(menu, static_cast<UINT>(-1), flags | MF_BYPOSITION, id, text);
}

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR id, LPCSTR text) {
  TApiMenu* m = FindApiMenu(menu);
  TApiMenuItem it;
  if (!m || !FromFlags(flags, id, text, it)) return FALSE;
  if (flags & MF_BYPOSITION) return Insert(m, position, std::move(it));
  TItemRef ref;
  if (!FindById(m, position, ref)) return Insert(m, m->Items.size(), std::move(it));
  return Insert(ref.Menu, ref.Index, std::move(it));
}

BOOL InsertMenuItem(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info) {
  TApiMenu* m = FindApiMenu(menu);
  if (!m || !info) return FALSE;
  if ((info->fMask & MIIM_SUBMENU) && info->hSubMenu && !FindApiMenu(info->hSubMenu)) return FALSE;
  TApiMenuItem it;
  Apply(it, *info);
  if (byPosition) return Insert(m, item, std::move(it));
  TItemRef ref;
  if (!FindById(m, item, ref)) return Insert(m, m->Items.size(), std::move(it));
  return Insert(ref.Menu, ref.Index, std::move(it));
}

BOOL GetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPMENUITEMINFOA info) {
  TItemRef ref;
  if (!info || !Locate(menu, item, byPosition, ref)) return FALSE;
  const TApiMenuItem& it = *ref.Item();
  if (info->fMask & (MIIM_TYPE | MIIM_FTYPE)) info->fType = it.Flags & kTypeBits;
  if (info->fMask & MIIM_STATE) info->fState = it.Flags & kStateBits;
  if (info->fMask & MIIM_ID) info->wID = static_cast<UINT>(it.Id);
  if (info->fMask & MIIM_SUBMENU) info->hSubMenu = it.Sub;
  if (info->fMask & MIIM_DATA) info->dwItemData = it.Data;
  if (info->fMask & (MIIM_STRING | MIIM_TYPE)) {
    // The text is copied when there is room for it and its terminator; cch says its length.
    if (info->dwTypeData && info->cch > 0) {
      size_t n = std::min<size_t>(it.Text.size(), info->cch - 1);
      it.Text.copy(info->dwTypeData, n);
      info->dwTypeData[n] = 0;
    }
    info->cch = static_cast<UINT>(it.Text.size());
  }
  return TRUE;
}

BOOL SetMenuItemInfo(HMENU menu, UINT item, BOOL byPosition, LPCMENUITEMINFOA info) {
  TItemRef ref;
  if (!info || !Locate(menu, item, byPosition, ref)) return FALSE;
  if ((info->fMask & MIIM_SUBMENU) && info->hSubMenu &&
      (!FindApiMenu(info->hSubMenu) || info->hSubMenu == reinterpret_cast<HMENU>(ref.Menu)))
    return FALSE;
  Apply(*ref.Item(), *info);
  return TRUE;
}

int GetMenuItemCount(HMENU menu) {
  TApiMenu* m = FindApiMenu(menu);
  return m ? static_cast<int>(m->Items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int pos) {
  TItemRef ref;
  if (pos < 0 || !Locate(menu, static_cast<UINT>(pos), true, ref)) return static_cast<UINT>(-1);
  const TApiMenuItem& it = *ref.Item();
  return (it.Flags & MF_POPUP) ? static_cast<UINT>(-1) : static_cast<UINT>(it.Id);
}

HMENU GetSubMenu(HMENU menu, int pos) {
  TItemRef ref;
  if (pos < 0 || !Locate(menu, static_cast<UINT>(pos), true, ref)) return nullptr;
  return (ref.Item()->Flags & MF_POPUP) ? ref.Item()->Sub : nullptr;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  TItemRef ref;
  if (!Locate(menu, item, flags & MF_BYPOSITION, ref)) return static_cast<UINT>(-1);
  const TApiMenuItem& it = *ref.Item();
  UINT r = it.Flags & (kTypeBits | kStateBits | MF_POPUP);
  if (it.Flags & MF_POPUP) r = (r & 0xFF) | (static_cast<UINT>(GetMenuItemCount(it.Sub)) << 8);
  return r;
}

int GetMenuString(HMENU menu, UINT item, LPSTR text, int max, UINT flags) {
  TItemRef ref;
  if (!Locate(menu, item, flags & MF_BYPOSITION, ref)) return 0;
  const std::string& t = ref.Item()->Text;
  if (!text || max <= 0) return static_cast<int>(t.size());
  size_t n = std::min<size_t>(t.size(), static_cast<size_t>(max - 1));
  t.copy(text, n);
  text[n] = 0;
  return static_cast<int>(n);
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT check) {
  TItemRef ref;
  if (!Locate(menu, item, check & MF_BYPOSITION, ref)) return static_cast<DWORD>(-1);
  TApiMenuItem& it = *ref.Item();
  DWORD old = it.Flags & MF_CHECKED;
  it.Flags = (it.Flags & ~MF_CHECKED) | (check & MF_CHECKED);
  return old;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT enable) {
  TItemRef ref;
  if (!Locate(menu, item, enable & MF_BYPOSITION, ref)) return -1;
  TApiMenuItem& it = *ref.Item();
  BOOL old = static_cast<BOOL>(it.Flags & (MF_GRAYED | MF_DISABLED));
  it.Flags = (it.Flags & ~(MF_GRAYED | MF_DISABLED)) | (enable & (MF_GRAYED | MF_DISABLED));
  return old;
}

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) {
  TItemRef ref;
  if (!Locate(menu, position, flags & MF_BYPOSITION, ref)) return FALSE;
  ref.Menu->Items.erase(ref.Menu->Items.begin() + static_cast<std::ptrdiff_t>(ref.Index));
  return TRUE;
}

BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) {
  TItemRef ref;
  if (!Locate(menu, position, flags & MF_BYPOSITION, ref)) return FALSE;
  HMENU sub = (ref.Item()->Flags & MF_POPUP) ? ref.Item()->Sub : nullptr;
  if (sub && MenuInUse(sub)) return FALSE;
  ref.Menu->Items.erase(ref.Menu->Items.begin() + static_cast<std::ptrdiff_t>(ref.Index));
  if (sub) DestroyMenu(sub);
  return TRUE;
}
