// The menus' item lists, shared by the item calls (wnd_menu.cpp) and the menu loops and
// painting (wnd_menu2.cpp). Nothing outside platform/win includes this.
#pragma once

#include <string>
#include <vector>

#include "platform/win/winuser.h"

struct TApiMenuItem {
  UINT Flags = 0;  // MF_ type and state bits
  UINT_PTR Id = 0;
  HMENU Sub = nullptr;  // MF_POPUP items
  std::string Text;
  ULONG_PTR Data = 0;
};

struct TApiMenu {
  bool Bar = false;  // made with CreateMenu
  std::vector<TApiMenuItem> Items;
};

// The menu behind a handle made here, or nullptr (stale or foreign handles).
TApiMenu* FindApiMenu(HMENU menu);
// Whether a menu is being tracked and uses this menu (it must not be destroyed meanwhile).
bool MenuInUse(HMENU menu);
// Painting and running a window's menu bar (wnd_menu2.cpp), for the non-client code: the items
// of an API menu drawn on the bar row (window coordinates), and DefWindowProc's handling of the
// menu messages (true when taken, with the result).
void PaintMenuBarItems(HWND wnd, HDC windowDC, const RECT& bar);
bool MenuBarDefProc(HWND wnd, UINT msg, WPARAM wp, LPARAM lp, LRESULT* result);
